# The Windows package, laid out as windeployqt lays one out: the executable,
# the Qt and MinGW DLLs it loads and no others, the platform, style and
# image-format plugins it uses, the licence texts and a Chinese readme.
# "cmake --install" puts it into a folder; tools/build-windows.sh zips that
# folder and makes the installer from it (installer.nsi).

install(TARGETS datamanager RUNTIME DESTINATION .)

# qwindows: the windows platform; the Vista style: the native look; qjpeg:
# the window icon (:/pic/logo.jpg). PNG is read by Qt Gui itself. qsqlite:
# the archive (SQLite is inside the plugin); qsqlpsql: the department's
# server, which brings libpq.dll and OpenSSL's two DLLs by its imports
# (the executable's own imports never name them).
# Qt 6.4's Sql module loads no plugin packages of its own (it has no
# Qt6SqlPlugins.cmake), so each driver's is found here.
foreach(driver QSQLiteDriverPlugin QPSQLDriverPlugin)
    if(NOT TARGET Qt6::${driver})
        find_package(Qt6${driver} CONFIG REQUIRED PATHS "${Qt6Sql_DIR}" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    endif()
endforeach()
set(DM_WINDOWS_PLUGINS Qt6::QWindowsIntegrationPlugin Qt6::QWindowsVistaStylePlugin Qt6::QJpegPlugin
    Qt6::QSQLiteDriverPlugin Qt6::QPSQLDriverPlugin)
set(DM_WINDOWS_PLUGIN_FILES)
foreach(plugin IN LISTS DM_WINDOWS_PLUGINS)
    get_target_property(type ${plugin} QT_PLUGIN_TYPE)
    install(FILES $<TARGET_FILE:${plugin}> DESTINATION ${type})
    list(APPEND DM_WINDOWS_PLUGIN_FILES $<TARGET_FILE:${plugin}>)
endforeach()

# The DLLs the executable and the plugins import, found in the Qt prefix
# (whose bin/ also holds the MinGW runtime).
get_target_property(dm_qtcore_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(DM_WINDOWS_DLL_DIR ${dm_qtcore_dll} DIRECTORY)
find_program(DM_MINGW_OBJDUMP NAMES x86_64-w64-mingw32-objdump objdump REQUIRED)
install(CODE "
    set(OBJDUMP \"${DM_MINGW_OBJDUMP}\")
    set(DLL_DIR \"${DM_WINDOWS_DLL_DIR}\")
    set(PE_FILES \"$<TARGET_FILE:datamanager>;${DM_WINDOWS_PLUGIN_FILES}\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/deploydlls.cmake\")
")

# Licence texts of what ships beside our own code, from the Debian
# packages the SDK was built from, and the readme (UTF-8 with a byte-order
# mark and CR LF, so that every Notepad shows it).
install(FILES ${CMAKE_CURRENT_LIST_DIR}/readme.txt DESTINATION .)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/licenses/README.txt DESTINATION licenses)
install(FILES /usr/share/common-licenses/LGPL-3 DESTINATION licenses RENAME Qt-LGPL-3.txt)
install(FILES /usr/share/common-licenses/GPL-3 DESTINATION licenses RENAME Qt-GPL-3.txt)
install(FILES /usr/share/common-licenses/Apache-2.0 DESTINATION licenses RENAME OpenSSL-Apache-2.0.txt)
foreach(copyright
        libxlsxwriter-dev:libxlsxwriter.txt libz-mingw-w64-dev:zlib.txt
        gcc-mingw-w64-base:gcc-runtime.txt mingw-w64-common:mingw-w64-runtime.txt
        libpq5:libpq.txt libssl3:openssl.txt)
    string(REPLACE ":" ";" pair ${copyright})
    list(GET pair 0 package)
    list(GET pair 1 name)
    install(FILES /usr/share/doc/${package}/copyright DESTINATION licenses RENAME ${name})
endforeach()
