# What the web page's build takes from elsewhere than Debian's libraries, which are native:
# fg_xmp, libxmp compiled from its source package, and fg_stb, the picture decoder compiled in.
# Included by the root CMakeLists under Emscripten's toolchain.
enable_language(C)

# The game ends by throwing ProgramEnd; the unwinding must work in the browser too.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fexceptions>)
add_link_options(-fexceptions)

# libxmp from Debian's source package (scripts/web.sh fetches it), compiled as its own Makefiles
# list it. Packed modules and the ProWizard converters are left out: the game plays one XM of
# its own.
set(FG_XMP_SOURCE "" CACHE PATH "Unpacked libxmp source (apt-get source libxmp)")
if(NOT EXISTS ${FG_XMP_SOURCE}/include/xmp.h)
  message(FATAL_ERROR "FG_XMP_SOURCE must point at an unpacked libxmp source tree "
                      "(scripts/web.sh fetches one)")
endif()
set(xmp_sources "")
foreach(dir src src/loaders)
  file(READ ${FG_XMP_SOURCE}/${dir}/Makefile makefile)
  string(REGEX REPLACE "\\\\\n" " " makefile "${makefile}")
  string(REGEX MATCHALL "[A-Za-z0-9_]+\\.o" objects "${makefile}")
  foreach(o IN LISTS objects)
    string(REGEX REPLACE "\\.o$" ".c" c ${o})
    if(EXISTS ${FG_XMP_SOURCE}/${dir}/${c} AND NOT c STREQUAL "win32.c")
      list(APPEND xmp_sources ${FG_XMP_SOURCE}/${dir}/${c})
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES xmp_sources)
# Of the module formats only those the game plays: its tune is an XM. libxmp's table of loaders
# (src/format.c) is copied without the others, which then stay out of the link.
set(FG_XMP_FORMATS xm CACHE STRING "Module formats the page's player reads (libxmp's loader names)")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${FG_XMP_SOURCE}/src/format.c)
file(READ ${FG_XMP_SOURCE}/src/format.c format_c)
string(REGEX MATCHALL "\n\t&libxmp_loader_[a-z0-9_]+," loaders "${format_c}")
set(kept 0)
foreach(entry IN LISTS loaders)
  string(REGEX REPLACE ".*&libxmp_loader_([a-z0-9_]+),$" "\\1" name "${entry}")
  if(name IN_LIST FG_XMP_FORMATS)
    math(EXPR kept "${kept} + 1")
  else()
    string(REPLACE "${entry}" "" format_c "${format_c}")
  endif()
endforeach()
list(LENGTH FG_XMP_FORMATS wanted)
if(NOT kept EQUAL wanted)
  message(FATAL_ERROR "libxmp's src/format.c lists ${kept} of the ${wanted} module formats in "
                      "FG_XMP_FORMATS (${FG_XMP_FORMATS})")
endif()
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/xmp/format.c CONTENT "${format_c}" @ONLY)
list(REMOVE_ITEM xmp_sources ${FG_XMP_SOURCE}/src/format.c)
list(APPEND xmp_sources ${PROJECT_BINARY_DIR}/xmp/format.c)
add_library(fg_xmp STATIC ${xmp_sources})
target_include_directories(fg_xmp PUBLIC ${FG_XMP_SOURCE}/include PRIVATE ${FG_XMP_SOURCE}/src)
target_compile_definitions(fg_xmp PRIVATE LIBXMP_NO_PROWIZARD LIBXMP_NO_DEPACKERS HAVE_MKSTEMP
                                          HAVE_FNMATCH HAVE_ROUND)
target_compile_options(fg_xmp PRIVATE -Wno-everything)

# Debian ships stb_image as a library; here its implementation is compiled in, from Debian's
# header.
add_library(fg_stb STATIC ${PROJECT_SOURCE_DIR}/web/stb_image.c)
target_include_directories(fg_stb PUBLIC /usr/include/stb)
target_compile_options(fg_stb PRIVATE -w)
