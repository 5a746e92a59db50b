cmake_minimum_required(VERSION 3.25)
# Run as a test (cmake -DWORK=<scratch folder> -P CheckLayersTest.cmake): CheckLayers.cmake
# passes a clean tree and refuses each kind of violation in an otherwise clean one.
set(check "${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake")
set(failures "")

# case name | file | its include line | expected error ("" = must pass) | extra layer line
set(cases
  "clean|editor/E.cpp|#include \"platform/gdi/WinGdi.h\"||"
  "engine over the client|analyzer/Q.cpp|#include \"platform/ib/IBSQL.h\"||"
  "ui over the engine|analyzer/ui/W.cpp|#include \"analyzer/Q.h\"||"
  "own private header|platform/forms/F.cpp|#include \"platform/forms/FormsInternal.h\"||"
  "data uses the window system|data/D.cpp|#include \"platform/win/Windows.h\"|data does not link platform_win|"
  "editor uses the client|editor/E.cpp|#include \"platform/ib/IBSQL.h\"|editor does not link platform_ib|"
  "engine uses forms|analyzer/Q.cpp|#include \"platform/forms/Forms.h\"|analyzer does not link platform_forms|"
  "engine uses its ui|analyzer/Q.cpp|#include \"analyzer/ui/MainForm.h\"|analyzer does not link analyzer_ui|"
  "lower layer uses a higher one|controls/C.cpp|#include \"grid/Grid.h\"|controls does not link grid|"
  "platform part order|platform/db/X.cpp|#include \"platform/win/Windows.h\"|platform_db does not link platform_win|"
  "private header of another part|platform/forms/F.cpp|#include \"platform/win/WinCoreInternal.h\"|private header|"
  "private header in a test|tests/controls/T.cpp|#include \"platform/gdi/GdiInternal.h\"|private header|"
  "Qt outside the platform|controls/C.cpp|#include <QWidget>|Qt header outside|"
  "link to a higher layer|editor/E.cpp|#include \"platform/core/SysUtils.h\"|data, which is not a lower layer|set(VT_LINKS_editor platform_forms data)"
  "link against the platform order|platform/db/X.cpp|#include \"platform/core/SysUtils.h\"|platform_win, which is not a lower layer|set(VT_LINKS_platform_db platform_core platform_win)"
)

foreach(c ${cases})
  string(REPLACE "|" ";" parts "${c}")
  list(GET parts 0 name)
  list(GET parts 1 file)
  list(GET parts 2 include)
  list(GET parts 3 expected)
  list(GET parts 4 extra)
  set(root "${WORK}/root")
  file(REMOVE_RECURSE "${root}")
  file(WRITE "${root}/${file}" "${include}\n")
  set(args -DROOT=${root})
  if(extra)
    file(WRITE "${WORK}/extra.cmake" "${extra}\n")
    list(APPEND args -DEXTRA_LAYERS=${WORK}/extra.cmake)
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} ${args} -P ${check}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \n]+" " " err "${err}")  # the message is wrapped at any space
  if(expected STREQUAL "")
    if(NOT rc EQUAL 0)
      string(APPEND failures "${name}: refused a clean tree:\n${err}\n")
    endif()
  elseif(rc EQUAL 0)
    string(APPEND failures "${name}: passed, expected \"${expected}\"\n")
  elseif(NOT err MATCHES "${expected}")
    string(APPEND failures "${name}: refused for another reason than \"${expected}\":\n${err}\n")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}/root")

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
