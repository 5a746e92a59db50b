# The layers of the code. A library may link only to libraries of a lower layer
# (or to the platform's own parts); vt_library refuses anything else at configure time,
# and the "layering" test checks the #include lines the same way.
#
#   platform  <  editor, controls  <  data  <  editors  <  page-control  <  editors-extended
#             <  filter-builder  <  grid  <  analyzer  <  app
set(VT_LAYER_platform 0)
set(VT_LAYER_editor 1)
set(VT_LAYER_controls 1)
set(VT_LAYER_data 2)
set(VT_LAYER_editors 3)
set(VT_LAYER_page-control 4)
set(VT_LAYER_editors-extended 5)
set(VT_LAYER_filter-builder 6)
set(VT_LAYER_grid 7)
set(VT_LAYER_analyzer 8)
set(VT_LAYER_app 9)

# vt_library(NAME name FOLDER folder [DEPS lib...] [QT])
# Builds every .cpp below the current source dir (recursively) into a static library.
# Libraries are named after their folder; the platform's parts are platform_<part>.
function(vt_library)
  cmake_parse_arguments(A "QT" "NAME;FOLDER" "DEPS;SOURCES_DIR" ${ARGN})
  set(dir "${CMAKE_CURRENT_SOURCE_DIR}")
  if(A_SOURCES_DIR)
    set(dir "${A_SOURCES_DIR}")
  endif()
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
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
  set(my_layer ${VT_LAYER_${A_FOLDER}})
  foreach(d ${A_DEPS})
    # platform parts and outside packages are always below; our folders must be lower layers.
    if(DEFINED VT_LAYER_${d})
      if(NOT VT_LAYER_${d} LESS my_layer)
        message(FATAL_ERROR "${A_NAME} (${A_FOLDER}) may not link to ${d}: not a lower layer")
      endif()
    endif()
  endforeach()
  target_link_libraries(${A_NAME} ${vis} ${A_DEPS})
  if(A_QT)
    if(NOT A_FOLDER STREQUAL "platform" AND NOT A_FOLDER STREQUAL "app")
      message(FATAL_ERROR "${A_NAME}: Qt is used only inside platform/ and app/")
    endif()
  endif()
endfunction()

# vt_tests(NAME name DIR folder DEPS libs... [LABELS label...])
# One test program per folder of tests/; every TEST in it becomes a CTest test.
# Test names starting with "Db" get the label "db", "Server" the label "server",
# "Gui" the label "gui", so that tiers can be run apart (ctest -L / -LE).
function(vt_tests)
  cmake_parse_arguments(A "" "NAME;DIR" "DEPS;LABELS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${A_DIR}/*.cpp")
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
  # One value per property: gtest_discover_tests flattens lists into separate arguments.
  set(extra "")
  if("db" IN_LIST labels)
    # The leak checker's tracer crashes in processes that load the database client library;
    # address and undefined-behaviour checks stay on there.
    set(extra ENVIRONMENT_MODIFICATION "ASAN_OPTIONS=set:detect_leaks=0")
  endif()
  gtest_discover_tests(${A_NAME}
    PROPERTIES LABELS "${labels}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${extra}
    DISCOVERY_TIMEOUT 60)
endfunction()
