# What `cmake --install` puts under the prefix (default /usr/local), and the Debian package CPack
# makes of it (scripts/package.sh). The layout is the platform's (GNUInstallDirs):
#   bin/quillan, bin/quillan-cli
#   share/quillan/help/quillan.html          found by the program from its bin folder
#   share/icons/hicolor/NxN/apps/quillan.png, share/icons/hicolor/scalable/apps/quillan.svg
#   share/applications/quillan.desktop       the menu launcher
#   share/man/man1/quillan.1.gz, quillan-cli.1.gz
#   share/doc/quillan/copyright, changelog.Debian.gz
# The help page is program data, not documentation: share/doc may be left out of an installation
# (dpkg's path-exclude), and Help > Contents must still work.
set(_pkg_dir ${PROJECT_SOURCE_DIR}/packaging)
set(_gz_dir ${PROJECT_BINARY_DIR}/packaging)
set(_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillan)

# Manual pages and the changelog are installed compressed, as Debian policy asks.
set(_gz_files)
foreach(_in IN ITEMS quillan.1 quillan-cli.1 changelog)
    set(_out ${_gz_dir}/${_in}.gz)
    add_custom_command(OUTPUT ${_out}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${_pkg_dir}/${_in} -DOUTPUT=${_out} -P ${_pkg_dir}/Gzip.cmake
        DEPENDS ${_pkg_dir}/${_in} ${_pkg_dir}/Gzip.cmake)
    list(APPEND _gz_files ${_out})
endforeach()
add_custom_target(quillan_packaging_files ALL DEPENDS ${_gz_files})

install(TARGETS quillan-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${_gz_dir}/quillan-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET quillan)
    install(TARGETS quillan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/docs/help/quillan.html DESTINATION ${CMAKE_INSTALL_DATADIR}/quillan/help)
    foreach(_size 16 24 32 48 64 128 256)
        install(FILES ${PROJECT_SOURCE_DIR}/data/icons/quillan-${_size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps RENAME quillan.png)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/quillan.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${PROJECT_SOURCE_DIR}/data/quillan.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${_gz_dir}/quillan.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${_pkg_dir}/copyright DESTINATION ${_doc_dir})
install(FILES ${_gz_dir}/changelog.gz DESTINATION ${_doc_dir} RENAME changelog.Debian.gz)

# The Debian package. Depends come from dpkg-shlibdeps over the installed programs.
set(QUILLAN_DEB_RELEASE 1)
file(STRINGS ${_pkg_dir}/changelog _changelog_top LIMIT_COUNT 1)
if(NOT _changelog_top MATCHES "^quillan \\(${PROJECT_VERSION}-${QUILLAN_DEB_RELEASE}\\) ")
    message(WARNING "packaging/changelog does not start with version ${PROJECT_VERSION}-${QUILLAN_DEB_RELEASE}")
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillan)
set(CPACK_PACKAGE_VENDOR "Quillan developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quillan developers <quillan@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "text editor with colouring for C/C++, Pascal and HTML")
# The extended description, wrapped by hand: CPack copies the lines as they are.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quillan is a desktop text editor for up to 100 files in tabs. It colours\n"
    "C and C++, Pascal, HTML and form-description files, finds and replaces,\n"
    "prints with headers, footers and a preview, keeps a list of recent files\n"
    "and can sit in the notification area.\n"
    "\n"
    "The package also holds quillan-cli, which prints to PDF, converts form\n"
    "files and lists a highlighter's tokens without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUILLAN_DEB_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quillan.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xdg-open shows the help page and web addresses, xdg-email sends documents; "Courier New" and
# "Arial" are matched by the Liberation fonts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-liberation")
include(CPack)
