cmake_minimum_required(VERSION 3.25)
# Run as a test (cmake -DROOT=<source root> [-DEXTRA_LAYERS=<file>] -P CheckLayers.cmake):
#  - every link of cmake/Layers.cmake goes to a lower layer;
#  - every #include "folder/..." of a library names a library it links (directly or through
#    what it links), so a subsystem uses no platform part its library does not declare;
#  - a private header (...Internal.h) is included only from its own folder;
#  - no folder but platform/ and app/ includes a Qt header.
# EXTRA_LAYERS is read after the table (the check's own test uses it to declare a wrong link).
include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)
if(EXTRA_LAYERS)
  include(${EXTRA_LAYERS})
endif()
set(errors "")

set(libraries platform_core platform_db platform_ib platform_gdi platform_win platform_forms
    editor controls data editors page-control editors-extended filter-builder grid analyzer
    analyzer_ui app)
foreach(lib ${libraries})
  foreach(d ${VT_LINKS_${lib}})
    if(NOT DEFINED VT_LAYER_${d})
      string(APPEND errors "cmake/Layers.cmake: ${lib} links to ${d}, which is not a library\n")
    elseif(NOT VT_LAYER_${d} LESS VT_LAYER_${lib})
      string(APPEND errors "cmake/Layers.cmake: ${lib} links to ${d}, which is not a lower layer\n")
    endif()
  endforeach()
endforeach()

# Library sources, and the tests and benchmarks (checked for private headers only).
file(GLOB_RECURSE files RELATIVE "${ROOT}"
     "${ROOT}/platform/*.h" "${ROOT}/platform/*.cpp"
     "${ROOT}/editor/*.h" "${ROOT}/editor/*.cpp" "${ROOT}/controls/*.h" "${ROOT}/controls/*.cpp"
     "${ROOT}/data/*.h" "${ROOT}/data/*.cpp" "${ROOT}/editors/*.h" "${ROOT}/editors/*.cpp"
     "${ROOT}/page-control/*.h" "${ROOT}/page-control/*.cpp"
     "${ROOT}/editors-extended/*.h" "${ROOT}/editors-extended/*.cpp"
     "${ROOT}/filter-builder/*.h" "${ROOT}/filter-builder/*.cpp"
     "${ROOT}/grid/*.h" "${ROOT}/grid/*.cpp" "${ROOT}/analyzer/*.h" "${ROOT}/analyzer/*.cpp"
     "${ROOT}/app/*.h" "${ROOT}/app/*.cpp" "${ROOT}/tests/*.h" "${ROOT}/tests/*.cpp"
     "${ROOT}/bench/*.h" "${ROOT}/bench/*.cpp")

foreach(file ${files})
  vt_library_of("${file}" lib)
  set(allowed "")
  if(lib)
    vt_reachable(${lib} allowed)
  endif()
  get_filename_component(dir "${file}" DIRECTORY)
  file(STRINGS "${ROOT}/${file}" lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${lines})
    if(line MATCHES "#[ \t]*include[ \t]*[<\"]([A-Za-z_-]+/[^>\"]*)[>\"]")
      set(inc "${CMAKE_MATCH_1}")
      if(inc MATCHES "Internal\\.h$")
        get_filename_component(incdir "${inc}" DIRECTORY)
        if(NOT incdir STREQUAL dir)
          string(APPEND errors "${file}: includes the private header ${inc}\n")
        endif()
      endif()
      if(lib)
        vt_library_of("${inc}" target)
        if(target AND NOT target IN_LIST allowed)
          string(APPEND errors "${file}: includes ${inc}, but ${lib} does not link ${target}\n")
        endif()
      endif()
    endif()
    if(lib AND NOT lib MATCHES "^platform_" AND NOT lib STREQUAL "app")
      if(line MATCHES "#[ \t]*include[ \t]*<Q[A-Za-z]")
        string(APPEND errors "${file}: Qt header outside platform/ and app/\n")
      endif()
    endif()
  endforeach()
endforeach()

if(errors)
  message(FATAL_ERROR "Layering violations:\n${errors}")
endif()
