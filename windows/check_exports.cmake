# Checks that the module's objects (LIBRARY) define every export of EXPORTS, the module's export
# list, as an undecorated function name; DllMain comes from the DLL start-up, not the module.
# Usage: cmake -DNM=nm -DLIBRARY=lib.a -DEXPORTS=exports.map -P check_exports.cmake
execute_process(COMMAND ${NM} --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} cannot read ${LIBRARY}")
endif()
file(STRINGS ${EXPORTS} lines REGEX "^ +[A-Za-z_][A-Za-z0-9_]*;$")
set(missing "")
foreach(line IN LISTS lines)
    string(STRIP "${line}" name)
    string(REPLACE ";" "" name "${name}")
    if(name STREQUAL "DllMain")
        continue()
    endif()
    if(NOT symbols MATCHES "\n[0-9a-f]+ T ${name}\n")
        list(APPEND missing ${name})
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "Exports missing from ${LIBRARY} or decorated: ${missing}")
endif()
message(STATUS "${LIBRARY}: the module's exports are defined with undecorated names")
