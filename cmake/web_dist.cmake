# dist/: the web page as static files for any web server, everything it needs and nothing from
# any other host. One step assembles the whole folder anew (cmake/assemble_dist.cmake), so that
# whatever is done to the files on their way in is done in one place.
set(FG_DIST_DIR ${PROJECT_BINARY_DIR}/dist)
set(FG_DIST_FILES
  ${PROJECT_SOURCE_DIR}/web/index.html
  ${PROJECT_SOURCE_DIR}/src/platform/web/audio_worklet.js
  ${PROJECT_SOURCE_DIR}/assets/FenzoGobbix.snd)
# The program: fenzogobbix.js and, from the same link, fenzogobbix.wasm.
set(FG_DIST_PROGRAM $<TARGET_FILE:fenzogobbix> $<TARGET_FILE_DIR:fenzogobbix>/fenzogobbix.wasm)
# What makes it installable and playable offline: the manifest, its icons and the service worker.
set(FG_DIST_MANIFEST ${PROJECT_SOURCE_DIR}/web/fenzogobbix.webmanifest)
set(FG_DIST_ICONS ${PROJECT_SOURCE_DIR}/web/icons/icon-192.png
                  ${PROJECT_SOURCE_DIR}/web/icons/icon-512.png)
set(FG_DIST_WORKER ${PROJECT_SOURCE_DIR}/web/sw.js)

set(stamp ${PROJECT_BINARY_DIR}/dist.stamp)
string(REPLACE ";" "|" files_arg "${FG_DIST_FILES};${FG_DIST_PROGRAM}")
string(REPLACE ";" "|" icons_arg "${FG_DIST_ICONS}")
add_custom_command(
  OUTPUT ${stamp}
  COMMAND ${CMAKE_COMMAND} -DDIST=${FG_DIST_DIR} "-DFILES=${files_arg}"
          "-DICONS=${icons_arg}" -DMANIFEST=${FG_DIST_MANIFEST} -DWORKER=${FG_DIST_WORKER}
          -P ${PROJECT_SOURCE_DIR}/cmake/assemble_dist.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
  DEPENDS ${FG_DIST_FILES} ${FG_DIST_ICONS} ${FG_DIST_MANIFEST} ${FG_DIST_WORKER}
          fenzogobbix ${PROJECT_SOURCE_DIR}/cmake/assemble_dist.cmake
  COMMENT "Assembling the page in ${FG_DIST_DIR}"
  VERBATIM)
add_custom_target(dist ALL DEPENDS ${stamp})
