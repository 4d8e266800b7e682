# cmake -D MANIFEST=FILE -D PREFIX=DIR -P cmake/uninstall.cmake: removes every file the manifest
# lists (what installs into PREFIX put there), then each folder of MANIFEST.folders (the folders
# those installs made, PREFIX itself among them when an install made it) that is empty by then,
# the deepest first. A list naming a path outside
# PREFIX belongs to another prefix: nothing is removed then.
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: no install into ${PREFIX} is recorded (${MANIFEST}).")
endif()
file(STRINGS "${MANIFEST}" files)
set(folders "")
if(EXISTS "${MANIFEST}.folders")
  file(STRINGS "${MANIFEST}.folders" folders)
endif()
string(REGEX REPLACE "/+$" "" PREFIX "${PREFIX}")
foreach(path IN LISTS files folders)
  string(FIND "${path}" "${PREFIX}/" at)
  if(NOT at EQUAL 0 AND NOT path STREQUAL PREFIX)
    message(FATAL_ERROR "${MANIFEST} names ${path}, which is not in ${PREFIX}: nothing removed.")
  endif()
endforeach()

foreach(file IN LISTS files)
  if(EXISTS "${file}" OR IS_SYMLINK "${file}")
    message(STATUS "Removing ${file}")
    file(REMOVE "${file}")
  endif()
endforeach()

# Sorted in reverse, a folder comes before the folder that holds it.
list(SORT folders)
list(REVERSE folders)
foreach(folder IN LISTS folders)
  if(IS_DIRECTORY "${folder}" AND NOT IS_SYMLINK "${folder}")
    file(GLOB left LIST_DIRECTORIES TRUE "${folder}/*" "${folder}/.*")
    if(NOT left)
      message(STATUS "Removing ${folder}/")
      file(REMOVE_RECURSE "${folder}") # empty, as just seen
    endif()
  endif()
endforeach()
file(REMOVE "${MANIFEST}" "${MANIFEST}.folders")
