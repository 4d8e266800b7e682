# `make package`: a Debian package of what `cmake --install` lays out, under /usr. Its Depends
# come from the shared libraries the programs actually link (dpkg-shlibdeps), plus the Japanese
# font the console draws its text with, which no library pulls in. cmake/debian-package.sh
# configures the build it is made from: the hardening flags of dpkg-buildflags, the programs in
# /usr/games and their data in /usr/share/games.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME shooter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The shooter developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "vertical-scrolling shooting game with its map editor")
# The long description; CPack puts the summary above it as the first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Fly a ship over ground that scrolls down row by row from a tile map,
shoot down waves of air enemies and bomb turrets, armoured cars and
fortresses. There is no score and no end. mapedit edits the map tile by
tile. Both are in the desktop's menu; started from there, they keep the
map and the game's pictures in ~/.local/share/shooter-play.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The shooter developers <maintainers@users.noreply.c-seed-d924adaf.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-ipafont-gothic)
# Draws the window's frame on Wayland desktops that leave it to the programs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libdecor-0-plugin-1-cairo)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

# A stripped install strips as Debian does: the compilers' notes in .comment and .note go too.
if(CMAKE_OBJCOPY)
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      foreach(program shooter mapedit)
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
          COMMAND_ERROR_IS_FATAL ANY)
      endforeach()
    endif()")
endif()
