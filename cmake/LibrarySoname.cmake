# rowlark_library_soname(<variable> <library file>...): the soname the first library file is
# loaded by, for a library the program opens itself the first time it needs it.
function(rowlark_library_soname variable)
    list(GET ARGN 0 library)
    find_program(ROWLARK_READELF NAMES readelf ${CMAKE_READELF})
    execute_process(COMMAND ${ROWLARK_READELF} -d ${library} OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT dynamic MATCHES "\\(SONAME\\)[^[\n]*\\[([^]\n]+)\\]")
        message(FATAL_ERROR "no soname read from ${library}")
    endif()
    set(${variable} ${CMAKE_MATCH_1} PARENT_SCOPE)
    # The package names them among what it depends on, as dpkg-shlibdeps cannot see them.
    set_property(GLOBAL APPEND PROPERTY ROWLARK_LOADED_LIBRARIES ${CMAKE_MATCH_1})
endfunction()
