# Packaging: "cpack -G DEB" in the build folder makes
# datamanager_<version>_amd64.deb from the install rules of the project.

# Directories made by the install rules, whatever the user's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(UNIX AND NOT APPLE)
    include(GNUInstallDirs)
    set(DM_PACKAGE_MAINTAINER "DataManager developers <datamanager@example.com>"
        CACHE STRING "Maintainer named in the Debian package")

    # The logged-in user may open the instrument's adapter (udev reads
    # lib/udev/rules.d under /usr, so this takes effect with --prefix /usr).
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/70-datamanager-ch340.rules
            DESTINATION lib/udev/rules.d)

    # Debian wants a copyright file, and the changelog and manual page
    # compressed with gzip -9n.
    set(DM_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/datamanager)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${DM_DOCDIR})
    configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/datamanager.1 ${CMAKE_BINARY_DIR}/packaging/datamanager.1 COPYONLY)
    find_program(DM_GZIP gzip)
    if(DM_GZIP)
        foreach(file changelog datamanager.1)
            add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${file}.gz
                COMMAND ${DM_GZIP} -9nfk ${CMAKE_BINARY_DIR}/packaging/${file}
                DEPENDS ${CMAKE_BINARY_DIR}/packaging/${file} VERBATIM)
            list(APPEND DM_GZIPPED ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
        endforeach()
        add_custom_target(dm_packaging_docs ALL DEPENDS ${DM_GZIPPED})
        install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${DM_DOCDIR})
        install(FILES ${CMAKE_BINARY_DIR}/packaging/datamanager.1.gz
                DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME datamanager)
    set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_STRIP_FILES ON)
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop tool of a three-phase phase and volt-ampere meter")
    set(CPACK_PACKAGE_DESCRIPTION
        "数据管理软件 reads the measurement groups stored in a portable three-phase
phase and volt-ampere meter over its CH340 USB serial adapter, shows each
group as a table of voltages, currents, angles and powers and as a phasor
diagram, keeps groups in data files and exports test reports for Word and
Excel, and every group at once as an overview, an Excel workbook or a CSV
file. A copy of every reading is kept in the user's data folder and listed
in its history.")
    set(CPACK_DEBIAN_PACKAGE_NAME datamanager)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DM_PACKAGE_MAINTAINER}")
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # The libraries the executable links, found by dpkg-shlibdeps.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Chinese texts need a CJK font; Wayland sessions a Qt platform plugin.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, qt6-wayland")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    include(CPack)
endif()
