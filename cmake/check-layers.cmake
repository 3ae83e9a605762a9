# The layering rules, checked on the #include lines of src/ and tools/artgen:
#   cmake -DSOURCE_DIR=<repository> -P cmake/check-layers.cmake
# Fails, naming each offending line, when
#  - a layer includes a layer above it or beside it (each sees only itself and the layers
#    below: gdi, then platform, then runtime, then imaging and sound, then pet);
#  - a backend's folder (platform/win32, platform/fake, platform/x11) is included from outside
#    it: backends never include each other, and nothing above the platform includes one;
#  - the pieces the backends other than Win32's share (platform/posix) are included by anything
#    but those backends, or include a backend;
#  - an implementation of the GDI library (gdi/win32, gdi/memory) is included by anything but
#    itself and the backends it serves (Win32's; the fake and X11 ones and platform/posix);
#  - code other than the Win32 backend and the Win32 GDI includes <windows.h>;
#  - the region-data files, which the art tool links, include anything of the program but
#    each other, or the art tool includes anything of the program but them;
#  - an include climbs out of its folder with "..".
# The build enforces the first rule too (each layer's include directory shows only its own
# folder); this check also covers the others, and hosts where that cannot be set up.
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<repository> -P check-layers.cmake")
endif()

set(allowed_gdi gdi)
set(allowed_platform gdi platform)
set(allowed_runtime gdi platform runtime)
set(allowed_imaging gdi platform runtime imaging)
set(allowed_sound gdi platform runtime sound)
set(allowed_pet gdi platform runtime imaging sound pet)
set(region_data_headers gdi/region_data.h gdi/region_bands.h gdi/little_endian.h)

# Which folders may include each implementation folder (a folder may always include itself).
set(users_platform/win32 platform/win32)
set(users_platform/fake platform/fake)
set(users_platform/x11 platform/x11)
set(users_platform/posix platform/fake platform/x11)
set(users_gdi/win32 platform/win32)
set(users_gdi/memory platform/fake platform/x11 platform/posix)

set(violations)
set(checked 0)

# Adds a violation for `file` (relative to the repository) at `line` (its text).
macro(violation file line why)
  string(STRIP "${line}" shown)
  list(APPEND violations "${file}: ${shown}  (${why})")
endmacro()

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp
  ${SOURCE_DIR}/tools/artgen/*.h ${SOURCE_DIR}/tools/artgen/*.cpp)

foreach(file IN LISTS files)
  math(EXPR checked "${checked} + 1")
  # Which rules apply: the layer (src/<layer>/...), the implementation folder it is in (a
  # backend, the backends' shared pieces, a GDI implementation), the art tool.
  set(layer "")
  set(home "")
  set(tool OFF)
  set(region_data OFF)
  if(file MATCHES "^src/([a-z]+)/")
    set(layer ${CMAKE_MATCH_1})
    if(file MATCHES "^src/(platform/(win32|fake|x11|posix)|gdi/(win32|memory))/")
      set(home ${CMAKE_MATCH_1})
    endif()
    string(REGEX REPLACE "^src/" "" in_src "${file}")
    if(in_src MATCHES "^gdi/(region_data|region_bands|little_endian)\\.(h|cpp)$")
      set(region_data ON)
    endif()
  elseif(file MATCHES "^tools/artgen/")
    set(tool ON)
  endif()
  if(NOT tool AND NOT DEFINED allowed_${layer})
    violation("${file}" "" "not in a known layer: add it to check-layers.cmake")
    continue()
  endif()

  file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>")
      string(TOLOWER "${CMAKE_MATCH_1}" system_header)
      if(system_header STREQUAL "windows.h" AND NOT home MATCHES "^(platform|gdi)/win32$")
        violation("${file}" "${line}" "<windows.h> belongs to the Win32 backend and GDI")
      endif()
      continue()
    endif()
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
      continue()
    endif()
    set(header ${CMAKE_MATCH_1})
    if(header MATCHES "(^|/)\\.\\./")
      violation("${file}" "${line}" "climbs out of its folder")
      continue()
    endif()
    if(NOT header MATCHES "/")
      continue() # beside the including file
    endif()
    if(tool)
      if(NOT header IN_LIST region_data_headers)
        violation("${file}" "${line}" "the art tool uses only the region-data files")
      endif()
      continue()
    endif()
    if(region_data AND NOT header IN_LIST region_data_headers)
      violation("${file}" "${line}" "the region-data files stand on nothing of the program")
      continue()
    endif()
    string(REGEX MATCH "^[^/]+" target_layer "${header}")
    if(NOT target_layer IN_LIST allowed_${layer})
      list(JOIN allowed_${layer} ", " visible)
      violation("${file}" "${line}" "${layer} sees only ${visible}")
      continue()
    endif()
    if(header MATCHES "^(platform/(win32|fake|x11|posix)|gdi/(win32|memory))/")
      set(used ${CMAKE_MATCH_1})
      if(NOT used STREQUAL home AND NOT home IN_LIST users_${used})
        list(JOIN users_${used} ", " users)
        violation("${file}" "${line}" "${used} is for ${used} itself and ${users}")
      endif()
    endif()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "no source files found under ${SOURCE_DIR}")
endif()
if(violations)
  list(LENGTH violations count)
  list(JOIN violations "\n  " shown)
  message(FATAL_ERROR "${count} include(s) break the layering:\n  ${shown}")
endif()
message(STATUS "layering holds in ${checked} files")
