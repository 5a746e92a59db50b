# The libraries, their layers and what each links: the one table of the code's dependencies.
# vt_library links what the table says and nothing else; the "layering" test
# (cmake/CheckLayers.cmake) reads the same table and refuses every #include of our own code
# that names a library the includer does not link, directly or through what it links.
#
#   platform  <  editor, controls  <  data  <  editors  <  page-control  <  editors-extended
#             <  filter-builder  <  grid  <  analyzer  <  analyzer_ui  <  app
#
# Sources: a library is every .cpp (and .h) below its folder, recursively; adding a file needs
# no change here. The one exception is the analyzer's engine, which is only the files directly
# in analyzer/ (its user interface, analyzer/ui/, is the library analyzer_ui).
#
# Private headers are named ...Internal.h; only files of their own folder include them.

# Layer of every library: a library links only to libraries of lower layers.
set(VT_LAYER_platform_core 0)
set(VT_LAYER_platform_db 1)
set(VT_LAYER_platform_gdi 1)
set(VT_LAYER_platform_ib 2)
set(VT_LAYER_platform_win 2)
set(VT_LAYER_platform_forms 3)
set(VT_LAYER_editor 4)
set(VT_LAYER_controls 4)
set(VT_LAYER_data 5)
set(VT_LAYER_editors 6)
set(VT_LAYER_page-control 7)
set(VT_LAYER_editors-extended 8)
set(VT_LAYER_filter-builder 9)
set(VT_LAYER_grid 10)
set(VT_LAYER_analyzer 11)
set(VT_LAYER_analyzer_ui 12)
set(VT_LAYER_app 13)

# What each library links (each brings what it links in turn). The platform's parts:
# core < db < ib, and core < gdi < win < forms, forms also over db.
set(VT_LINKS_platform_core "")
set(VT_LINKS_platform_db platform_core)
set(VT_LINKS_platform_ib platform_db)
set(VT_LINKS_platform_gdi platform_core)
set(VT_LINKS_platform_win platform_gdi)
set(VT_LINKS_platform_forms platform_win platform_db)
set(VT_LINKS_editor platform_forms)            # the text core needs gdi; the editor's window forms
set(VT_LINKS_controls platform_forms)
set(VT_LINKS_data platform_db)
set(VT_LINKS_editors controls data platform_forms)
set(VT_LINKS_page-control controls)
set(VT_LINKS_editors-extended controls data editors)
set(VT_LINKS_filter-builder controls data editors editors-extended page-control)
set(VT_LINKS_grid controls data editors editors-extended filter-builder page-control)
set(VT_LINKS_analyzer platform_ib)             # the engine: no window system
set(VT_LINKS_analyzer_ui analyzer editor controls data editors page-control editors-extended
                         filter-builder grid platform_forms)
set(VT_LINKS_app analyzer_ui)

# The library a path below the source root belongs to ("" for none): platform/<part>/... is
# platform_<part>, analyzer/ui/... is analyzer_ui, any other folder its own library.
function(vt_library_of path out)
  set(lib "")
  if(path MATCHES "^platform/([a-z]+)/")
    set(lib "platform_${CMAKE_MATCH_1}")
  elseif(path MATCHES "^analyzer/ui/")
    set(lib analyzer_ui)
  elseif(path MATCHES "^([A-Za-z_-]+)/")
    set(lib "${CMAKE_MATCH_1}")
  endif()
  if(NOT DEFINED VT_LAYER_${lib})
    set(lib "")
  endif()
  set(${out} "${lib}" PARENT_SCOPE)
endfunction()

# Every library the given one may use: itself and the closure of its links.
function(vt_reachable name out)
  set(seen ${name})
  set(todo ${name})
  while(todo)
    list(POP_FRONT todo cur)
    foreach(d ${VT_LINKS_${cur}})
      if(NOT d IN_LIST seen)
        list(APPEND seen ${d})
        list(APPEND todo ${d})
      endif()
    endforeach()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# vt_library(NAME name [SOURCES_DIR dir] [FLAT] [QT] [DEPS outside-package...])
# Builds the .cpp files below SOURCES_DIR (default: the current source dir; recursively unless
# FLAT) into a static library linked to what the table above says, plus outside packages.
function(vt_library)
  cmake_parse_arguments(A "QT;FLAT" "NAME;FOLDER" "DEPS;SOURCES_DIR" ${ARGN})
  if(NOT DEFINED VT_LAYER_${A_NAME})
    message(FATAL_ERROR "${A_NAME}: not a library of cmake/Layers.cmake")
  endif()
  set(dir "${CMAKE_CURRENT_SOURCE_DIR}")
  if(A_SOURCES_DIR)
    set(dir "${A_SOURCES_DIR}")
  endif()
  if(A_FLAT)
    file(GLOB srcs CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
  else()
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
  endif()
  set(has_cpp FALSE)
  foreach(s ${srcs})
    if(s MATCHES "\\.cpp$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(NOT has_cpp)
    add_library(${A_NAME} INTERFACE)
    set(vis INTERFACE)
  else()
    add_library(${A_NAME} STATIC ${srcs})
    set(vis PUBLIC)
  endif()
  target_include_directories(${A_NAME} ${vis} "${PROJECT_SOURCE_DIR}")
  foreach(d ${VT_LINKS_${A_NAME}})
    if(NOT VT_LAYER_${d} LESS VT_LAYER_${A_NAME})
      message(FATAL_ERROR "${A_NAME} may not link to ${d}: not a lower layer")
    endif()
  endforeach()
  foreach(d ${A_DEPS})
    if(DEFINED VT_LAYER_${d} OR d STREQUAL "platform")
      message(FATAL_ERROR "${A_NAME}: links between our libraries are declared in cmake/Layers.cmake, not by DEPS (${d})")
    endif()
  endforeach()
  target_link_libraries(${A_NAME} ${vis} ${VT_LINKS_${A_NAME}} ${A_DEPS})
  if(A_QT AND NOT A_NAME MATCHES "^platform_")
    message(FATAL_ERROR "${A_NAME}: Qt is used only inside platform/ and app/")
  endif()
endfunction()

# vt_tests(NAME name DIR folder DEPS libs... [FLAT] [LABELS label...] [UNIT_TESTS filter])
# One test program per folder of tests/ (recursively unless FLAT); every TEST in it becomes a
# CTest test labelled LABELS (default "unit"). UNIT_TESTS is a GoogleTest filter
# ("Suite.*:Other.*") of the program's pure-logic tests, which get the label "unit" instead.
# In a program without the db label, suites whose names start with "Db" get the label db.
function(vt_tests)
  cmake_parse_arguments(A "FLAT" "NAME;DIR;UNIT_TESTS" "DEPS;LABELS" ${ARGN})
  if(A_FLAT)
    file(GLOB srcs CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${A_DIR}/*.cpp")
  else()
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${A_DIR}/*.cpp")
  endif()
  if(NOT srcs)
    return()
  endif()
  add_executable(${A_NAME} ${srcs})
  target_link_libraries(${A_NAME} PRIVATE ${A_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${A_NAME} PRIVATE "${PROJECT_SOURCE_DIR}" "${PROJECT_SOURCE_DIR}/tests")
  target_compile_definitions(${A_NAME} PRIVATE VT_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VT_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set(labels ${A_LABELS})
  if(NOT labels)
    set(labels unit)
  endif()
  set(extra "")
  if("db" IN_LIST labels)
    # The leak checker's tracer crashes in processes that load the database client library;
    # address and undefined-behaviour checks stay on there.
    set(extra ENVIRONMENT_MODIFICATION "ASAN_OPTIONS=set:detect_leaks=0")
  endif()
  # The discovery script flattens lists, and a second label shifts every property after it:
  # a test program takes one label (a database program's window tests are labelled db).
  list(LENGTH labels label_count)
  if(label_count GREATER 1)
    message(FATAL_ERROR "${A_NAME}: one label per test program")
  endif()
  set(label_value "${labels}")
  if(A_UNIT_TESTS)
    gtest_discover_tests(${A_NAME} TEST_FILTER "${A_UNIT_TESTS}"
      PROPERTIES LABELS unit ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300 ${extra}
      DISCOVERY_TIMEOUT 60)
    gtest_discover_tests(${A_NAME} TEST_FILTER "-${A_UNIT_TESTS}"
      PROPERTIES LABELS "${label_value}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300 ${extra}
      DISCOVERY_TIMEOUT 60)
  elseif(NOT "db" IN_LIST labels)
    # Suites named "Db..." need a database engine: labelled db, with the db environment.
    gtest_discover_tests(${A_NAME} TEST_FILTER "-Db*"
      PROPERTIES LABELS "${label_value}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300 ${extra}
      DISCOVERY_TIMEOUT 60)
    gtest_discover_tests(${A_NAME} TEST_FILTER "Db*"
      PROPERTIES LABELS db ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300
      ENVIRONMENT_MODIFICATION "ASAN_OPTIONS=set:detect_leaks=0"
      DISCOVERY_TIMEOUT 60)
  else()
    gtest_discover_tests(${A_NAME}
      PROPERTIES LABELS "${label_value}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300 ${extra}
      DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
