# Installation and the Debian package.
#
#   <prefix>/bin/quenlark-addressbook
#   <prefix>/lib/quenlark-addressbook/modules/quenlark-window.so   (app/)
#   <prefix>/lib/quenlark-addressbook/modules/quenlark-sync.so     (app/: --sync-setup, --sync)
#   <prefix>/share/quenlark-addressbook/   info.txt, license.txt, "whats new.txt" and an
#                                          empty template database addressbook.qab
#   <prefix>/share/doc/quenlark-addressbook/copyright
#   <prefix>/share/applications/quenlark-addressbook.desktop
#   <prefix>/share/icons/hicolor/<n>x<n>/apps/quenlark-addressbook.png
#   <prefix>/share/metainfo/com.quenlark.addressbook.metainfo.xml
#   <prefix>/share/man/man1/quenlark-addressbook.1.gz
#
# The program finds its text files in ../share/quenlark-addressbook beside its own folder,
# so the folders are fixed as bin and share rather than taken from GNUInstallDirs.
# An installed copy keeps each person's database under ~/.local/share/quenlark.

set(QUENLARK_INSTALL_DATA share/quenlark-addressbook)

install(TARGETS quenlark-addressbook RUNTIME DESTINATION bin)

set(quenlark_template_database ${PROJECT_BINARY_DIR}/packaging/addressbook.qab)
if(NOT EXISTS ${quenlark_template_database})
  file(WRITE ${quenlark_template_database} "")
endif()
install(FILES
    ${PROJECT_SOURCE_DIR}/resources/info.txt
    ${PROJECT_SOURCE_DIR}/resources/license.txt
    "${PROJECT_SOURCE_DIR}/resources/whats new.txt"
    ${quenlark_template_database}
  DESTINATION ${QUENLARK_INSTALL_DATA}
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# Debian wants the terms of use as the package's copyright file.
install(FILES ${PROJECT_SOURCE_DIR}/resources/license.txt
  DESTINATION share/doc/quenlark-addressbook RENAME copyright)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quenlark-addressbook.desktop
  DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/com.quenlark.addressbook.metainfo.xml
  DESTINATION share/metainfo)
# The manual page compressed as Debian wants it: gzip -9n, no name or time in the header, so
# the same page gives the same bytes.
set(quenlark_manpage ${PROJECT_BINARY_DIR}/packaging/quenlark-addressbook.1.gz)
add_custom_command(OUTPUT ${quenlark_manpage}
  COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${PROJECT_SOURCE_DIR}/docs/quenlark-addressbook.1
          ${quenlark_manpage}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/quenlark-addressbook.1
  VERBATIM)
add_custom_target(quenlark_manpage ALL DEPENDS ${quenlark_manpage})
install(FILES ${quenlark_manpage} DESTINATION share/man/man1)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/quenlark-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps
    RENAME quenlark-addressbook.png)
endforeach()

# cpack (make package): a .deb for Debian 12 that installs under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quenlark-addressbook)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quenlark)
set(CPACK_PACKAGE_CONTACT "Quenlark <support@quenlark.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop address book")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quenlark Address Book keeps one person's contacts in a single database file. It adds, "
    "modifies, deletes, searches and sorts contacts, sends mail and opens web sites through "
    "the desktop, saves and restores backups and prints HTML or rich-text reports.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quenlark <support@quenlark.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps (package dpkg-dev) works out the Qt 6 and C++ runtime packages. The
# windows are laid out for Tahoma, which Debian ships in fonts-wine; the program finds it
# there at start-up.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-wine)
include(CPack)

# ctest: install into a scratch prefix, check the layout and start the installed copy.
if(QUENLARK_BUILD_TESTS)
  add_test(NAME install_layout
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
            -DWORK_DIR=${PROJECT_BINARY_DIR}/install-check
            -P ${PROJECT_SOURCE_DIR}/packaging/check-install.cmake)
  set_tests_properties(install_layout PROPERTIES TIMEOUT 60)

  # The Debian package, built as `make package` builds it, with its dependencies.
  add_test(NAME debian_package
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
            -DWORK_DIR=${PROJECT_BINARY_DIR}/package-check
            -P ${PROJECT_SOURCE_DIR}/packaging/check-package.cmake)
  set_tests_properties(debian_package PROPERTIES TIMEOUT 180)

  # The menu entry and the AppStream data as the desktop's own validators see them.
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(APPSTREAMCLI appstreamcli)
  if(DESKTOP_FILE_VALIDATE AND APPSTREAMCLI)
    add_test(NAME desktop_entry_valid
      COMMAND ${DESKTOP_FILE_VALIDATE}
              ${PROJECT_SOURCE_DIR}/packaging/quenlark-addressbook.desktop)
    add_test(NAME appstream_valid
      COMMAND ${CMAKE_COMMAND} -DAPPSTREAMCLI=${APPSTREAMCLI}
              -DMETAINFO=${PROJECT_SOURCE_DIR}/packaging/com.quenlark.addressbook.metainfo.xml
              -P ${PROJECT_SOURCE_DIR}/packaging/check-metainfo.cmake)
  else()
    message(WARNING "desktop-file-validate or appstreamcli missing: the menu entry and the "
                    "AppStream data are not validated (make test installs them)")
  endif()
endif()
