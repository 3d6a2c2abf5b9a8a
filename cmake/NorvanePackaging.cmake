# What `cmake --install` puts on a workstation, and the Debian package made of it
# (`cmake --build build --target package`, or `cpack -G DEB` in the build folder).
#
#   bin/norvane, bin/norvane-label                       the programs
#   share/norvane/LabBarcodeLabel.rpt                     the label template, found
#                                                         when none lies beside the program
#   share/norvane/translations/norvane_<lang>.qm          the translations, when the
#                                                         source holds any (translations/)
#   share/applications/org.norvane.Norvane.desktop        the desktop entry
#   share/metainfo/org.norvane.Norvane.metainfo.xml       its AppStream description
#   share/icons/hicolor/<n>x<n>/apps/norvane.png          its icon, drawn by tools/assets,
#   share/icons/hicolor/scalable/apps/norvane.svg         and the same emblem as SVG
#   share/man/man1/norvane.1.gz, norvane-label.1.gz       the manual pages
#   share/doc/norvane/README.md, TEMPLATE.md              the documentation,
#   share/doc/norvane/copyright, changelog.gz             and the package's own
#
# Component Runtime is the product and the package. Component Demo (labdb-server
# and labdb-log, for test and demo use) is installed only when asked for:
#   cmake --install build --component Demo

# The package's maintainer, in its control file and its changelog.
set(NORVANE_PACKAGE_MAINTAINER "Norvane maintainers <maintainers@norvane.example>"
    CACHE STRING "Maintainer of the Debian package, as \"Name <address>\"")

# NORVANE_INSTALL_DATADIR (share/norvane) is set in the top CMakeLists.txt: the
# programs look for the label template there too (report::labelTemplatePath()).
set(NORVANE_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/norvane)

set(NORVANE_SHIPPED_PROGRAMS norvane norvane-label)
install(TARGETS ${NORVANE_SHIPPED_PROGRAMS}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
install(FILES ${PROJECT_SOURCE_DIR}/label/LabBarcodeLabel.rpt
    DESTINATION ${NORVANE_INSTALL_DATADIR} COMPONENT Runtime)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/org.norvane.Norvane.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT Runtime)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/org.norvane.Norvane.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT Runtime)
foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/ui/main/assets/icons/norvane-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME norvane.png COMPONENT Runtime)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/ui/main/assets/icons/norvane.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT Runtime)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/label/TEMPLATE.md
        ${PROJECT_SOURCE_DIR}/packaging/copyright
    DESTINATION ${NORVANE_INSTALL_DOCDIR} COMPONENT Runtime)

install(TARGETS labdb-server labdb-log
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Demo EXCLUDE_FROM_ALL)

if(UNIX AND NOT APPLE)
    # The manual pages and the changelog, with the version and the maintainer filled
    # in and compressed as Debian keeps them (gzip -9, no name or time stamp inside,
    # so the same sources give the same bytes).
    find_program(NORVANE_GZIP gzip REQUIRED)
    set(compressed)
    foreach(source man/norvane.1 man/norvane-label.1 changelog)
        get_filename_component(name ${source} NAME)
        set(filled ${CMAKE_CURRENT_BINARY_DIR}/packaging/${name})
        configure_file(${PROJECT_SOURCE_DIR}/packaging/${source}.in ${filled} @ONLY)
        add_custom_command(OUTPUT ${filled}.gz
            COMMAND ${NORVANE_GZIP} -9nkf ${filled}
            DEPENDS ${filled}
            COMMENT "Compressing ${name}"
            VERBATIM)
        list(APPEND compressed ${filled}.gz)
    endforeach()
    add_custom_target(norvane_packaging_docs ALL DEPENDS ${compressed})
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/norvane.1.gz
            ${CMAKE_CURRENT_BINARY_DIR}/packaging/norvane-label.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
    # A package without a Debian revision is a native one: its changelog is changelog.gz.
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${NORVANE_INSTALL_DOCDIR} COMPONENT Runtime)

    # The shipped programs resolve every symbol at start and then make their
    # relocations read-only (full RELRO), as Debian's hardening flags do.
    foreach(program ${NORVANE_SHIPPED_PROGRAMS})
        target_link_options(${program} PRIVATE LINKER:-z,relro LINKER:-z,now)
    endforeach()

    # A stripped installation (the package, `cmake --install --strip`) also drops the
    # compiler's version notes, as dh_strip does.
    foreach(program ${NORVANE_SHIPPED_PROGRAMS})
        install(CODE "
            if(CMAKE_INSTALL_DO_STRIP)
                execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\"
                    COMMAND_ERROR_IS_FATAL ANY)
            endif()" COMPONENT Runtime)
    endforeach()
endif()

# The Debian package: the Runtime component under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvane)
set(CPACK_PACKAGE_VENDOR "Norvane")
set(CPACK_PACKAGE_CONTACT "${NORVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${NORVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Barcode stickers for the blood-extraction section of a laboratory")
# Lines of at most 79 characters: the control file indents each by one.
set(CPACK_PACKAGE_DESCRIPTION
    "Norvane looks up a patient's laboratory requests on the laboratory's SQL\n"
    "Server by a scanned request barcode or chargeslip number, prints a barcode\n"
    "sticker for every checked exam on the default printer and records each\n"
    "printed barcode in the database. `norvane --demo` runs it on an embedded\n"
    "sample database.")
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
# register it, and the fonts the window and the stickers are drawn with: Liberation
# Sans (for Arial and MS Sans Serif, and the stickers), DejaVu Sans Condensed Bold
# (for Tahoma: the search instruction fits its label only in that narrow face) and
# DejaVu Sans (fontconfig's sans-serif).
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-odbc, libqt6sql6-sqlite, unixodbc, tdsodbc, fonts-liberation, fonts-dejavu-core, fonts-dejavu-extra")
# Qt's own texts (the buttons Yes, No, OK) in the language of a translation the
# laboratory installs (core/translations.h).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups, qt6-translations-l10n")
include(CPack)
