# cmake -DSOURCE_DIR=path -DQT_INCLUDE_DIR=path -P check_core_includes.cmake
#
# Fails when a source file below core/ or cli/ includes a header of Qt Gui or Qt Widgets, by module
# path (<QtGui/QColor>) or by class name (<QColor>): the floor the window and rowlark-diff share
# is Qt Core only. The class names are read from Qt's own include folders, so a new header of
# either module is caught too.
cmake_minimum_required(VERSION 3.25)
foreach(var SOURCE_DIR QT_INCLUDE_DIR)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "check_core_includes.cmake: ${var} is not set")
    endif()
endforeach()

set(forbidden)
foreach(module QtGui QtWidgets)
    file(GLOB headers RELATIVE ${QT_INCLUDE_DIR}/${module} ${QT_INCLUDE_DIR}/${module}/Q*)
    if(NOT headers)
        message(FATAL_ERROR "no headers found in ${QT_INCLUDE_DIR}/${module}: the check would prove nothing")
    endif()
    list(APPEND forbidden ${headers})
endforeach()

file(GLOB_RECURSE sources ${SOURCE_DIR}/core/*.h ${SOURCE_DIR}/core/*.cpp ${SOURCE_DIR}/cli/*.h ${SOURCE_DIR}/cli/*.cpp)
if(NOT sources)
    message(FATAL_ERROR "no sources found below ${SOURCE_DIR}/core: the check would prove nothing")
endif()
set(failures)
foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*<")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*<([^>]*)>.*" "\\1" header "${line}")
        if(header MATCHES "^Qt(Gui|Widgets)/" OR header IN_LIST forbidden)
            file(RELATIVE_PATH where ${SOURCE_DIR} ${source})
            list(APPEND failures "${where}: <${header}>")
        endif()
    endforeach()
endforeach()
if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "Qt Gui or Qt Widgets included below core/ or cli/:\n  ${text}")
endif()
list(LENGTH sources count)
message(STATUS "${count} sources below core/ and cli/, none includes Qt Gui or Qt Widgets")
