# One static library per module, made of every .cpp in its folder (main.cpp excluded).
# A folder without sources yet becomes an interface library so that its dependents still link.
function(add_module_library name)
  cmake_parse_arguments(M "" "" "PUBLIC_DEPS;PRIVATE_DEPS;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  foreach(ex IN LISTS M_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "/${ex}$")
  endforeach()
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${M_PUBLIC_DEPS} PRIVATE ${M_PRIVATE_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${M_PUBLIC_DEPS})
  endif()
endfunction()

# A test program made of every .cpp in a folder of tests/, each GoogleTest case its own CTest test.
# Headless by default: SDL's dummy drivers, so no display and no sound device are needed.
function(add_test_suite name)
  cmake_parse_arguments(T "" "TIMEOUT" "LIBS;ENV" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE test_support GTest::gtest_main GTest::gmock ${T_LIBS})
  set(env SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=dummy
      TEST_SOURCE_DIR=${PROJECT_SOURCE_DIR} TEST_BINARY_DIR=${PROJECT_BINARY_DIR} ${T_ENV})
  # Discovery passes each list entry of a test property on as a property of its own, so an
  # ENVIRONMENT list would keep only its first entry: the tests start through `cmake -E env`.
  set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env ${env})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES
      TIMEOUT ${T_TIMEOUT})
endfunction()
