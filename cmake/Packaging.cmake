# Installation and packages (cmake --build build --target package).
#
# Debian: the programs go to bin, the parameter descriptions to
# share/orbelin, with a desktop entry, an icon and AppStream metadata; the
# package's dependencies are computed from the binaries by dpkg-shlibdeps.
#
# Windows: one folder with the programs and what they load
# (cmake/WindowsDeploy.cmake), as an installer made by NSIS
# (orbelin-<version>-win64-setup.exe: a Start-menu entry and an uninstaller)
# and as a portable zip of the same folder (orbelin-<version>-win64.zip).

set(CPACK_PACKAGE_NAME orbelin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Example Ltd.")
set(CPACK_PACKAGE_CONTACT "Example Ltd. <support@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "setup tool for Orbelin GSM/GPS tracking units")
set(CPACK_STRIP_FILES ON)

if(WIN32)
    orb_install_deployment(.)
    set(CPACK_GENERATOR NSIS ZIP)
    set(CPACK_PACKAGE_FILE_NAME orbelin-${PROJECT_VERSION}-win64)
    # The installer's name differs from the zip's by "-setup" (set per
    # generator when CPack runs).
    set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackagingWindows.cpack)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY Orbelin)
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY orbelin)
    set(CPACK_NSIS_PACKAGE_NAME "Orbelin ${PROJECT_VERSION}")
    set(CPACK_NSIS_DISPLAY_NAME "Orbelin ${PROJECT_VERSION}")
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    # The Start-menu entry starts the window; the programs sit in the root.
    set(CPACK_PACKAGE_EXECUTABLES orbelin "Настройка Орбелина")
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
    set(CPACK_NSIS_MUI_FINISHPAGE_RUN orbelin.exe)
    set(CPACK_NSIS_INSTALLED_ICON_NAME orbelin.exe)
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    set(CPACK_NSIS_MODIFY_PATH OFF)
    # A Unicode installer: the shortcut has a Cyrillic name. Debian's NSIS
    # makes 64-bit installers (and this machine's wine runs no 32-bit
    # program); NSIS's own Windows build has only the 32-bit stubs, whose
    # installers run on 64-bit Windows as well.
    if(CMAKE_HOST_WIN32)
        set(orb_nsis_target x86-unicode)
    else()
        set(orb_nsis_target amd64-unicode)
    endif()
    set(ORB_NSIS_TARGET ${orb_nsis_target} CACHE STRING "The NSIS target the installer is made for")
    set(CPACK_NSIS_DEFINES "Target ${ORB_NSIS_TARGET}")
    set(CPACK_NSIS_URL_INFO_ABOUT "https://www.example.com/")
    set(CPACK_NSIS_CONTACT "support@example.com")
    set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/packaging/copyright)
    include(CPack)
    return()
endif()

set(ORB_APP_ID com.example.orbelin)
set(ORB_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(FILES ${PROJECT_SOURCE_DIR}/src/app/discription.txt
    DESTINATION ${CMAKE_INSTALL_DATADIR}/orbelin)
install(FILES ${ORB_PACKAGING_DIR}/${ORB_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ORB_PACKAGING_DIR}/${ORB_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${ORB_PACKAGING_DIR}/${ORB_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${ORB_PACKAGING_DIR}/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orbelin)

# Debian wants the changelog and the manual pages compressed, without a time
# stamp in the gzip header, so that the same sources give the same package.
set(orb_gzipped)
function(orb_gzip source output destination)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/packaging/${output})
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
        COMMAND gzip -9 -n -c ${ORB_PACKAGING_DIR}/${source} > ${out}
        DEPENDS ${ORB_PACKAGING_DIR}/${source}
        VERBATIM)
    install(FILES ${out} DESTINATION ${destination})
    set(orb_gzipped ${orb_gzipped} ${out} PARENT_SCOPE)
endfunction()
orb_gzip(changelog changelog.gz ${CMAKE_INSTALL_DATADIR}/doc/orbelin)
orb_gzip(orbelin.1 orbelin.1.gz ${CMAKE_INSTALL_MANDIR}/man1)
orb_gzip(orbelin-sim.1 orbelin-sim.1.gz ${CMAKE_INSTALL_MANDIR}/man1)
orb_gzip(orbelin-batch.1 orbelin-batch.1.gz ${CMAKE_INSTALL_MANDIR}/man1)
add_custom_target(orb_packaging_files ALL DEPENDS ${orb_gzipped})

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Connects to an Orbelin tracking unit over a serial cable or through a GSM\n\
modem data call, checks its firmware, reads its parameters into settings\n\
pages, writes the edited values back and commits them to the unit's memory.\n\
orbelin-batch does the same from the command line for many units at once,\n\
with per-unit values from a CSV list, a verified write and a JSON report.\n\
Parameter sets are kept in INI files; orbelin-sim simulates a unit (and a\n\
modem) on a pseudo-terminal for trying the tool without one.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.example.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own buttons and dialogs in Russian.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
