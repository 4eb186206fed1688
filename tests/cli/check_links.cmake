# cmake -DPROGRAM=path -DNM=nm -DREADELF=readelf -P check_links.cmake
#
# Fails when the command-line companion carries anything of the window: a Qt Widgets or Qt Gui
# library among the shared libraries it needs, or a symbol of a widget, of the window's state or
# of a menu or button handler (mnu..._Click, cmd..._Click) among those it defines. Fails too when
# it needs a library it should open only once a workbook is read or a report written: libzip and
# libxlsxwriter load the cryptography library, and every start would pay for it.
foreach(var PROGRAM NM READELF)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "check_links.cmake: ${var} is not set")
    endif()
endforeach()

execute_process(COMMAND ${READELF} -d ${PROGRAM} OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "readelf failed on ${PROGRAM}")
endif()
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*" needed "${dynamic}")
if(NOT needed)
    message(FATAL_ERROR "no NEEDED entries read from ${PROGRAM}: the check would prove nothing")
endif()
set(failures)
foreach(line IN LISTS needed)
    if(line MATCHES "libQt6(Widgets|Gui|Svg)")
        list(APPEND failures "needs ${CMAKE_MATCH_0}")
    endif()
    if(line MATCHES "lib(zip|xlsxwriter|crypto)\\.so")
        list(APPEND failures "needs ${CMAKE_MATCH_0} at its start")
    endif()
endforeach()

execute_process(COMMAND ${NM} -C --defined-only ${PROGRAM} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "nm failed on ${PROGRAM}")
endif()
if(NOT symbols MATCHES "runDiff\\(")
    message(FATAL_ERROR "runDiff not among the symbols of ${PROGRAM}: the check would prove nothing")
endif()
string(REGEX MATCHALL "[^\n]*((mnu|cmd)[A-Z][A-Za-z0-9]*_[A-Za-z]+\\(|AppState::|QWidget|QDialog)[^\n]*" found
       "${symbols}")
list(APPEND failures ${found})

if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "${PROGRAM} links what it should not:\n  ${text}")
endif()
list(LENGTH needed count)
message(STATUS "${PROGRAM}: ${count} shared libraries, no widget code, no window handler")
