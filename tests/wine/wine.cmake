# The Windows build's tests: under Wine in a cross build (tools/check.sh's
# Windows round runs them in Xvfb), natively on Windows.
get_target_property(dm_qtcore_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(dm_sdk ${dm_qtcore_dll} DIRECTORY)
get_filename_component(DM_WINDOWS_SDK ${dm_sdk} DIRECTORY)
set(DM_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(DM_WINE_TOOLS ${PROJECT_SOURCE_DIR}/tools/wine)

if(CMAKE_CROSSCOMPILING)
    # One fresh prefix for the round's tests, made before the first of them.
    add_test(NAME wine_prefix COMMAND sh ${DM_WINE_TOOLS}/make-prefix.sh ${DM_WINE_PREFIX})
    set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
    add_test(NAME wine_prefix_done COMMAND wineserver -k)
    set_tests_properties(wine_prefix_done PROPERTIES FIXTURES_CLEANUP wine
                         ENVIRONMENT "WINEPREFIX=${DM_WINE_PREFIX}")
endif()

# The test of a Qt Test program; tst_devicelink with the instrument
# stand-in on the host, tst_archiveserver with the server's side made there
# (the Linux build's programs: tools/check.sh makes them first).
function(dm_add_windows_test name)
    if(NOT CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND ${name})
        return()
    endif()
    set(run ${DM_WINE_TOOLS}/run.sh)
    set(DM_HOST_BUILD ${PROJECT_SOURCE_DIR}/build CACHE PATH "The Linux build that holds the instrument stand-in and datamanager")
    if(name STREQUAL "tst_devicelink")
        add_dependencies(${name} winecommfix)
        # The system's Python, where python3-openpyxl installs itself.
        find_program(DM_HOST_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
        add_test(NAME ${name} COMMAND sh ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/tst_devicelink.sh
                 ${DM_HOST_BUILD}/tools/instrument ${run} ${DM_WINDOWS_SDK} $<TARGET_FILE:${name}>
                 ${DM_HOST_PYTHON3} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../support/readtable.py)
    elseif(name STREQUAL "tst_archiveserver")
        # Against the round's PostgreSQL server (tools/check.sh's DM_PG_*),
        # in a prefix of its own.
        add_test(NAME ${name} COMMAND sh ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/tst_archiveserver.sh
                 ${DM_HOST_BUILD}/app/datamanager ${run} ${DM_WINDOWS_SDK} $<TARGET_FILE:${name}>)
        set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
        return()
    else()
        add_test(NAME ${name} COMMAND sh ${run} ${DM_WINDOWS_SDK} $<TARGET_FILE:${name}>)
    endif()
    # One at a time: the prefix has one user, whose archive every window
    # opens (on Linux, tst_archive's twoWritersAtOnce covers two at once).
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300
                         ENVIRONMENT "WINEPREFIX=${DM_WINE_PREFIX}" RESOURCE_LOCK wine_user_archive)
endfunction()

if(CMAKE_CROSSCOMPILING)
    # The installer that tools/build-windows.sh makes, in a prefix and on a
    # display of its own (its picture shows no other test's windows).
    set(DM_PACKAGE_NAME datamanager-${PROJECT_VERSION})
    add_test(NAME tst_installer COMMAND xvfb-run -a -s "-screen 0 1480x930x24"
             sh ${CMAKE_CURRENT_LIST_DIR}/tst_installer.sh
             ${CMAKE_BINARY_DIR}/dist/${DM_PACKAGE_NAME}-setup.exe ${CMAKE_BINARY_DIR}/dist/${DM_PACKAGE_NAME}
             ${CMAKE_BINARY_DIR}/wine-installer ${CMAKE_BINARY_DIR}/installed-window.png ${DM_WINE_TOOLS})
    set_tests_properties(tst_installer PROPERTIES TIMEOUT 180)
endif()
