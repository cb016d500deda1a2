# Puts the web page's files into its dist/ folder, and nothing else: a file no longer in the
# list does not linger there from an earlier build.
# Run as a script: cmake -DDIST=dir -DFILES="a|b|c" -P assemble_dist.cmake
string(REPLACE "|" ";" FILES "${FILES}")
if(NOT DIST OR NOT FILES)
  message(FATAL_ERROR "assemble_dist: DIST and FILES are both needed")
endif()
file(MAKE_DIRECTORY "${DIST}")
file(GLOB old "${DIST}/*")
if(old)
  file(REMOVE_RECURSE ${old})
endif()
foreach(path IN LISTS FILES)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "assemble_dist: ${path} is missing")
  endif()
  get_filename_component(name "${path}" NAME)
  file(COPY_FILE "${path}" "${DIST}/${name}")
endforeach()
