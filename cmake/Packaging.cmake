# Installation and the Debian package (cmake --build build --target package).
# The programs go to bin, the parameter descriptions to share/orbelin, with a
# desktop entry, an icon and AppStream metadata; the package's dependencies
# are computed from the binaries by dpkg-shlibdeps.


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
set(CPACK_PACKAGE_NAME orbelin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Example Ltd.")
set(CPACK_PACKAGE_CONTACT "Example Ltd. <support@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "setup tool for Orbelin GSM/GPS tracking units")
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
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
