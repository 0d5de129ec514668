# Install layout and the Debian package.
#
#   bin/                                     Corvane, Update, corvane-cli
#   share/corvane/translations/              zh_CN.qm, en_US.qm (Corvane looks beside
#                                            itself first, then here)
#   share/corvane/update.pub                 the trusted update key, when given
#   lib/udev/rules.d/60-corvane.rules        access for the user at the seat
#   share/gnome-shell/extensions/corvane-focus@corvane.org/  the focus reporter
#   share/applications/, share/icons/hicolor/scalable/apps/, share/metainfo/
#
# Included from the top-level CMakeLists.txt after every target is defined.

include(GNUInstallDirs)

# Windows: one folder holds the programs, their DLLs and plugins (added by
# scripts/windows/package), "lang" and the update key.
if(WIN32)
  set(_bin_dir .)
  set(_lang_dir lang)
  set(_key_dir .)
else()
  set(_bin_dir ${CMAKE_INSTALL_BINDIR})
  set(_lang_dir ${CMAKE_INSTALL_DATADIR}/corvane/translations)
  set(_key_dir ${CMAKE_INSTALL_DATADIR}/corvane)
endif()

set(CORVANE_APP_ID org.corvane.Corvane)
set(_linux ${PROJECT_SOURCE_DIR}/resources/linux)

foreach(_program Corvane Update corvane-cli)
  if(TARGET ${_program})
    install(TARGETS ${_program} RUNTIME DESTINATION ${_bin_dir})
  endif()
endforeach()

get_property(_qm GLOBAL PROPERTY CORVANE_QM_FILES)
if(_qm)
  install(FILES ${_qm} DESTINATION ${_lang_dir})
endif()

# A minisign key that update documents may be signed with, beside the
# programs (bin/../share/corvane/update.pub), besides the built-in ones. A
# file that is not a key is refused here, not found out by the user.
set(CORVANE_UPDATE_PUBKEY_FILE "" CACHE FILEPATH "minisign public key file to install as share/corvane/update.pub")
if(CORVANE_UPDATE_PUBKEY_FILE)
  if(NOT EXISTS ${CORVANE_UPDATE_PUBKEY_FILE})
    message(FATAL_ERROR "CORVANE_UPDATE_PUBKEY_FILE: no file ${CORVANE_UPDATE_PUBKEY_FILE}")
  endif()
  file(STRINGS ${CORVANE_UPDATE_PUBKEY_FILE} _key_lines LIMIT_INPUT 4096)
  list(FILTER _key_lines EXCLUDE REGEX "^untrusted comment: ")
  list(LENGTH _key_lines _key_line_count)
  set(_key_line "")
  if(_key_line_count EQUAL 1)
    list(GET _key_lines 0 _key_line)
    string(STRIP "${_key_line}" _key_line)
  endif()
  string(LENGTH "${_key_line}" _key_length)
  if(NOT _key_line MATCHES "^RW[QRST][A-Za-z0-9+/]+$" OR NOT _key_length EQUAL 56)
    message(FATAL_ERROR "CORVANE_UPDATE_PUBKEY_FILE: ${CORVANE_UPDATE_PUBKEY_FILE} is not a minisign public key file")
  endif()
  install(FILES ${CORVANE_UPDATE_PUBKEY_FILE} DESTINATION ${_key_dir} RENAME update.pub)
endif()

# The rest is the Linux desktop and its package; the Windows installer is
# scripts/windows/package.
if(WIN32)
  return()
endif()

# The GNOME Shell extension that reports the focused window to Corvane;
# the user enables it (the settings say how). Its code differs before and
# after GNOME Shell 45.
set(CORVANE_GNOME_SHELL_FLAVOUR 43 CACHE STRING "GNOME Shell extension to install: 43 (GNOME 43-44) or 45 (45 and later)")
set_property(CACHE CORVANE_GNOME_SHELL_FLAVOUR PROPERTY STRINGS 43 45)
install(FILES ${_linux}/gnome-shell/${CORVANE_GNOME_SHELL_FLAVOUR}/metadata.json
              ${_linux}/gnome-shell/${CORVANE_GNOME_SHELL_FLAVOUR}/extension.js
        DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions/corvane-focus@corvane.org)

# udev reads lib/udev/rules.d under /usr (not the multiarch library folder).
install(FILES ${_linux}/60-corvane.rules DESTINATION lib/udev/rules.d)

if(TARGET Corvane)
  # The release date follows SOURCE_DATE_EPOCH when it is set, for
  # reproducible packages.
  string(TIMESTAMP CORVANE_RELEASE_DATE "%Y-%m-%d" UTC)
  configure_file(${_linux}/${CORVANE_APP_ID}.metainfo.xml.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${CORVANE_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${_linux}/${CORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_linux}/${CORVANE_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${CORVANE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# cpack -G DEB (in the build folder) makes corvane_<version>_<arch>.deb.
set(CORVANE_PACKAGE_CONTACT "Corvane maintainers <maintainers@corvane.invalid>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR Corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configurator for keyboards with magnetic switches")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Corvane sets actuation travel, rapid trigger, dead zones, layers, advanced keys, lighting and macros of "
  "wired keyboards with magnetic (Hall-effect) switches, and updates their firmware. corvane-cli applies and "
  "exports profiles, checks access to the keyboard and writes support files.")
set(CPACK_PACKAGE_CONTACT ${CORVANE_PACKAGE_CONTACT})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_linux}/debian/postinst ${_linux}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
# A package is for users: like a Release build, it needs the update key.
# cpack reads this file before it makes anything.
if(NOT CORVANE_UPDATE_PUBKEY AND NOT CORVANE_UNSIGNED_DEVELOPMENT)
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/CorvanePackageCheck.cmake)
  file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
       "message(FATAL_ERROR \"This build has no update key: configure it with -DCORVANE_UPDATE_PUBKEY=RW... "
       "before making a package (or -DCORVANE_UNSIGNED_DEVELOPMENT=ON for one that is not for users).\")\n")
endif()
include(CPack)
