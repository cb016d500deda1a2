# Puts the web page's files into its dist/ folder, and nothing else: a file no longer in the
# list does not linger there from an earlier build. On their way in:
#  - every file but index.html and the service worker is renamed after its content
#    (fenzogobbix.3f2a9c01d4.wasm), and the names in the files that ask for it follow, so that a
#    server may let browsers keep them for good;
#  - the service worker gets the list of files to keep for playing offline, and a version that is
#    the hash of them all: a new build is a new worker, which replaces what the old one kept;
#  - each text and program file gets a .gz and a .br beside it, for servers that send those.
# Run as a script:
#   cmake -DDIST=dir -DFILES="a|b|c" [-DWORKER=sw.js] [-DMANIFEST=x.webmanifest] [-DICONS="a|b"]
#         -P assemble_dist.cmake
cmake_policy(VERSION 3.16)  # no @VAR@ references in arguments
string(REPLACE "|" ";" FILES "${FILES}")
string(REPLACE "|" ";" ICONS "${ICONS}")
if(NOT DIST OR NOT FILES)
  message(FATAL_ERROR "assemble_dist: DIST and FILES are both needed")
endif()
file(MAKE_DIRECTORY "${DIST}")
file(GLOB old "${DIST}/*")
if(old)
  file(REMOVE_RECURSE ${old})
endif()
foreach(path IN LISTS FILES ICONS MANIFEST WORKER)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "assemble_dist: ${path} is missing")
  endif()
  get_filename_component(name "${path}" NAME)
  file(COPY_FILE "${path}" "${DIST}/${name}")
endforeach()

# Files in the order they are renamed: each before the files that name it.
set(order)
foreach(path IN LISTS ICONS MANIFEST FILES)
  get_filename_component(name "${path}" NAME)
  if(NOT name STREQUAL "index.html")
    list(APPEND order ${name})
  endif()
endforeach()
list(REMOVE_ITEM order fenzogobbix.js)
list(APPEND order fenzogobbix.js)
set(texts)
foreach(name IN LISTS order)
  if(name MATCHES "\\.(js|webmanifest)$")
    list(APPEND texts ${name})
  endif()
endforeach()
list(APPEND texts index.html)

set(renamed)
foreach(name IN LISTS order)
  file(SHA256 "${DIST}/${name}" hash)
  string(SUBSTRING ${hash} 0 10 hash)
  string(REGEX REPLACE "^([^.]*)\\.(.*)$" "\\1.${hash}.\\2" hashed ${name})
  file(RENAME "${DIST}/${name}" "${DIST}/${hashed}")
  list(APPEND renamed ${hashed})
  # Only a whole quoted name is a request for the file: '/FenzoGobbix.snd' is the program's
  # own path for it, not the server's.
  foreach(text IN LISTS texts)
    if(EXISTS "${DIST}/${text}")
      file(READ "${DIST}/${text}" content)
      string(REPLACE "\"${name}\"" "\"${hashed}\"" content "${content}")
      string(REPLACE "'${name}'" "'${hashed}'" content "${content}")
      file(WRITE "${DIST}/${text}" "${content}")
    endif()
  endforeach()
  list(TRANSFORM texts REPLACE "^${name}$" "${hashed}")
endforeach()

if(WORKER)
  # Kept for offline: the page and all it names, the icons too (the browser asks for them on
  # every visit, to offer the install).
  set(kept "./")
  set(all "")
  foreach(name IN LISTS renamed)
    file(SHA256 "${DIST}/${name}" hash)
    string(APPEND all "${name} ${hash}\n")
    list(APPEND kept ${name})
  endforeach()
  file(SHA256 "${DIST}/index.html" hash)
  string(APPEND all "index.html ${hash}\n")
  get_filename_component(worker ${WORKER} NAME)
  file(READ "${DIST}/${worker}" content)
  string(APPEND all "${worker} ${content}")
  string(SHA256 version "${all}")
  string(SUBSTRING ${version} 0 10 version)
  list(JOIN kept "', '" kept)
  string(REPLACE "@VERSION@" "${version}" content "${content}")
  string(REPLACE "@FILES@" "'${kept}'" content "${content}")
  file(WRITE "${DIST}/${worker}" "${content}")
endif()

# Precompressed copies of what compresses; pictures are compressed already.
find_program(GZIP gzip)
find_program(BROTLI brotli)
if(NOT GZIP OR NOT BROTLI)
  message(FATAL_ERROR "assemble_dist: gzip and brotli are needed (apt-get install brotli)")
endif()
file(GLOB all RELATIVE "${DIST}" "${DIST}/*")
foreach(name IN LISTS all)
  if(name MATCHES "\\.png$")
    continue()
  endif()
  execute_process(COMMAND ${GZIP} -9 -n -k -f "${DIST}/${name}" RESULT_VARIABLE gz)
  execute_process(COMMAND ${BROTLI} -q 11 -k -f "${DIST}/${name}" RESULT_VARIABLE br)
  if(NOT gz EQUAL 0 OR NOT br EQUAL 0)
    message(FATAL_ERROR "assemble_dist: compressing ${name} failed")
  endif()
endforeach()
