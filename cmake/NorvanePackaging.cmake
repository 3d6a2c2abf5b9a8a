# What `cmake --install` puts on a workstation, and the Debian package made of it
# (`cmake --build build --target package`, or `cpack -G DEB` in the build folder).
#
#   bin/norvane, bin/norvane-label                       the programs
#   share/norvane/LabBarcodeLabel.rpt                     the label template, found
#                                                         when none lies beside the program
#   share/applications/norvane.desktop                    the desktop entry
#   share/icons/hicolor/<n>x<n>/apps/norvane.png          its icon, drawn by tools/assets
#   share/doc/norvane/README.md, TEMPLATE.md              the documentation
#
# Component Runtime is the product and the package. Component Demo (labdb-server
# and labdb-log, for test and demo use) is installed only when asked for:
#   cmake --install build --component Demo
# NORVANE_INSTALL_DATADIR (share/norvane) is set in the top CMakeLists.txt: the
# programs look for the label template there too (report::labelTemplatePath()).

install(TARGETS norvane norvane-label
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
install(FILES ${PROJECT_SOURCE_DIR}/label/LabBarcodeLabel.rpt
    DESTINATION ${NORVANE_INSTALL_DATADIR} COMPONENT Runtime)
install(FILES ${PROJECT_SOURCE_DIR}/app/norvane.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT Runtime)
foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/ui/main/assets/icons/norvane-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME norvane.png COMPONENT Runtime)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/label/TEMPLATE.md
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/norvane COMPONENT Runtime)

install(TARGETS labdb-server labdb-log
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Demo EXCLUDE_FROM_ALL)

# The Debian package: the Runtime component under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvane)
set(CPACK_PACKAGE_VENDOR "Norvane")
set(CPACK_PACKAGE_CONTACT "Norvane maintainers <norvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Barcode stickers for the blood-extraction section of a laboratory")
set(CPACK_PACKAGE_DESCRIPTION
    "Norvane looks up a patient's laboratory requests on the laboratory's SQL Server by a\n"
    "scanned request barcode or chargeslip number, prints a barcode sticker for every\n"
    "checked exam on the default printer and records each printed barcode in the\n"
    "database. `norvane --demo` runs it on an embedded sample database.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL Runtime)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The package carries the programs without their debugging symbols.
set(CPACK_STRIP_FILES ON)
# What the programs load at run time and shlibdeps cannot see: Qt's ODBC and SQLite
# drivers (plugins), the FreeTDS ODBC driver and the driver manager's tools that
# register it, and the fonts the window and the stickers are drawn with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-odbc, libqt6sql6-sqlite, unixodbc, tdsodbc, fonts-liberation, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fonts-dejavu-extra")
include(CPack)
