# Run at install time: copies the DLLs that the given PE files import, and
# those they import in turn, from DLL_DIR into the install prefix. DLLs not
# found there are Windows' own and are not shipped; a Qt or MinGW DLL that
# is missing stops the installation. (CMake's file(GET_RUNTIME_DEPENDENCIES)
# lower-cases the names it looks for, which a case-sensitive host's
# folder does not find.)
#
# Variables: OBJDUMP, DLL_DIR, PE_FILES (a list).

cmake_policy(VERSION 3.22)

file(GLOB dlls RELATIVE "${DLL_DIR}" "${DLL_DIR}/*.dll")
set(pending ${PE_FILES})
set(shipped)
while(pending)
    list(POP_FRONT pending file)
    execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "cannot read the imports of ${file}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
    foreach(import IN LISTS imports)
        string(REPLACE "DLL Name: " "" name "${import}")
        string(STRIP "${name}" name)
        if(name IN_LIST shipped)
            continue()
        endif()
        # Imports name DLLs in any case (qsqlpsql.dll imports LIBPQ.dll):
        # the file is found by its name in lower case, and shipped under its own.
        string(TOLOWER "${name}" lower)
        set(found "")
        foreach(candidate IN LISTS dlls)
            string(TOLOWER "${candidate}" candidate_lower)
            if(candidate_lower STREQUAL lower)
                set(found ${candidate})
            endif()
        endforeach()
        if(found AND NOT found IN_LIST shipped)
            list(APPEND shipped ${name} ${found})
            list(APPEND pending "${DLL_DIR}/${found}")
            file(INSTALL "${DLL_DIR}/${found}" DESTINATION "${CMAKE_INSTALL_PREFIX}")
        elseif(found)
            list(APPEND shipped ${name})
        elseif(lower MATCHES "^(qt6|lib)")
            message(FATAL_ERROR "${file} needs ${name}, which is not in ${DLL_DIR}")
        endif()
    endforeach()
endwhile()
