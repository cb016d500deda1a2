# Installation layout, desktop integration and the Debian package.
#
#   games/fenzogobbix                        launcher: execs the game from its private directory
#   libexec/fenzogobbix/fenzogobbix          the game
#   libexec/fenzogobbix/FenzoGobbix.snd      the music, which the game looks for beside itself
#   share/applications/<id>.desktop          menu entry
#   share/icons/hicolor/*/apps/<id>.*        icon at 16, 32, 48, 128, 256 and as SVG
#   share/metainfo/<id>.metainfo.xml         software-centre entry
#   share/man/man6/fenzogobbix.6[.gz]        manual page
#   share/doc/fenzogobbix/                   copyright and changelog, as Debian wants them
#
# <id> is the component id, example.fenzogobbix.fenzogobbix: the menu entry, the icons and the
# software-centre entry all carry it, which is how a software centre ties them together.
#
# The launcher goes to games/, where Debian and the FHS put games (/usr/games is on every
# user's PATH); FG_LAUNCHER_DIR=bin puts it with other programs instead. The game and its music
# form one private directory under libexec/, where private executables belong: the music must
# lie beside the binary (the game finds it through its own executable's directory), so both go
# there together and only a launcher is on PATH.
include(GNUInstallDirs)

set(FG_LAUNCHER_DIR "games" CACHE STRING
    "Where the launcher goes, under the prefix: games (Debian's place for games) or bin")
set(FG_PRIVATE_DIR "${CMAKE_INSTALL_LIBEXECDIR}/fenzogobbix")
set(FG_APP_ID "example.fenzogobbix.fenzogobbix")
set(FG_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

# The metadata's home page is the page the game's own link opens, read from the game's source.
file(STRINGS ${PROJECT_SOURCE_DIR}/src/shell/shell.h FG_HOME_PAGE
     REGEX "kHomePage = \"[^\"]+\"")
string(REGEX REPLACE ".*kHomePage = \"([^\"]+)\".*" "\\1" FG_HOME_PAGE "${FG_HOME_PAGE}")
if(NOT FG_HOME_PAGE MATCHES "^https?://[^\"]+/$")
  message(FATAL_ERROR "no home page address (kHomePage) found in src/shell/shell.h")
endif()
# The software-centre screenshots are not installed: a software centre fetches them from
# where a release publishes them. packaging/make-screenshots.sh makes them.
set(FG_SCREENSHOT_BASE_URL "${FG_HOME_PAGE}screenshots/" CACHE STRING
    "The address the software-centre screenshots are published under (title.png, play.png, ...)")
if(NOT FG_SCREENSHOT_BASE_URL MATCHES "^https?://.*/$")
  message(FATAL_ERROR "FG_SCREENSHOT_BASE_URL must be an http(s) address ending in /, "
                      "not '${FG_SCREENSHOT_BASE_URL}'")
endif()
configure_file(${FG_PACKAGING_DIR}/${FG_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/packaging/${FG_APP_ID}.metainfo.xml @ONLY)

# The launcher reaches the game by a path relative to its own location, so the installed tree
# can be moved anywhere (a --prefix, a DESTDIR, an unpacked .deb) and still runs.
file(RELATIVE_PATH FG_LAUNCHER_TO_GAME
     "/prefix/${FG_LAUNCHER_DIR}" "/prefix/${FG_PRIVATE_DIR}")
configure_file(${FG_PACKAGING_DIR}/fenzogobbix.sh.in
               ${PROJECT_BINARY_DIR}/packaging/fenzogobbix @ONLY)

install(TARGETS fenzogobbix RUNTIME DESTINATION ${FG_PRIVATE_DIR})
# A stripped install (cpack, cmake --install --strip) also drops the compiler's notes, which
# nothing reads at run time, as Debian's own packaging tools do.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    set(game \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${FG_PRIVATE_DIR}/fenzogobbix\")
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                            \"\${game}\" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR \"could not strip the notes from \${game}\")
    endif()
  endif()")
install(FILES ${PROJECT_SOURCE_DIR}/assets/FenzoGobbix.snd DESTINATION ${FG_PRIVATE_DIR})
install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/fenzogobbix DESTINATION ${FG_LAUNCHER_DIR})

install(FILES ${FG_PACKAGING_DIR}/${FG_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/png/icon${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${FG_APP_ID}.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/assets/src/illustration/duck.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${FG_APP_ID}.svg)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${FG_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian wants manual pages and changelogs compressed (gzip -n keeps them reproducible);
# without gzip they are installed as they are, which man and dpkg read just as well.
find_program(FG_GZIP gzip)
function(fg_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  if(FG_GZIP)
    set(out ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
    add_custom_command(
      OUTPUT ${out}
      COMMAND ${FG_GZIP} -9 -n -c ${source} > ${out}
      DEPENDS ${source}
      COMMENT "Compressing ${name}")
  else()
    set(out ${source})
  endif()
  add_custom_target(fg_gzip_${name} ALL DEPENDS ${out})
  install(FILES ${out} DESTINATION ${destination})
endfunction()
fg_install_gzipped(${FG_PACKAGING_DIR}/fenzogobbix.6 ${CMAKE_INSTALL_MANDIR}/man6)

# The package's own papers: the licence and the release history, where Debian looks for them.
# (Not CMAKE_INSTALL_DOCDIR, which is named after the CMake project, FenzoGobbix.)
set(FG_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/fenzogobbix)
install(FILES ${FG_PACKAGING_DIR}/copyright DESTINATION ${FG_DOC_DIR})
fg_install_gzipped(${FG_PACKAGING_DIR}/changelog ${FG_DOC_DIR})

# ---------------------------------------------------------------- the Debian package
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "fenzogobbix")
# CPack builds its version from major.minor.patch only; the game's fourth number counts too.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Fenzo Gobbix developers")
set(CPACK_PACKAGE_CONTACT "The Fenzo Gobbix developers <dev@fenzogobbix.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "${FG_HOME_PAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small arcade game of the snake family")
set(CPACK_PACKAGE_DESCRIPTION
    "Steer a snake with the arrow keys over a 400 x 400 field. Gold stars appear
at random places: each one eaten makes the snake longer and scores a point.
Running over a skull, or into the snake's own body, ends the game with an
explosion. The border is not deadly: the snake waits there until it is turned.
.
The game comes with a title screen, a scrolling message, background music
from a tracker module and three sound effects; M and S switch music and
effects.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "games")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The home-page link runs xdg-open; the shared libraries come from dpkg-shlibdeps when it is
# there (with the versions the binary was really built against), from this list otherwise.
find_program(FG_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(FG_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6, libstdc++6, libgcc-s1, libsdl2-2.0-0, libsdl2-mixer-2.0-0, libxmp4, libstb0, xdg-utils")
endif()
# GNOME draws no title bar for a Wayland window by itself: the libdecor plugin does.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libdecor-0-plugin-1-cairo")

include(CPack)
