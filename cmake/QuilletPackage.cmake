# The Debian package: make package (or cpack in the build folder) makes
# quillet_<version>_<arch>.deb of what cmake --install puts under /usr.

# Installing copies what is built, and builds nothing itself: make package builds the programs
# and their data only, not the tests (see the Makefile).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# quillet_install_man_page(<page.1>)
# Puts the version into a manual page of the calling folder, compresses it as Debian wants it
# (gzip -9n: no name or time inside, so the same page gives the same bytes) and installs it.
function(quillet_install_man_page page)
  set(QUILLET_VERSION ${PROJECT_VERSION})
  set(configured ${CMAKE_CURRENT_BINARY_DIR}/${page})
  configure_file(${page} ${configured} @ONLY)
  add_custom_command(OUTPUT ${configured}.gz
    COMMAND gzip -9nkf ${configured}
    DEPENDS ${configured}
    VERBATIM)
  string(MAKE_C_IDENTIFIER ${page} id)
  add_custom_target(quillet_man_${id} ALL DEPENDS ${configured}.gz)
  add_dependencies(quillet_data quillet_man_${id})
  install(FILES ${configured}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# Everything installed that is not a program: make package builds it beside the programs.
add_custom_target(quillet_data)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VENDOR "Pelmo System")
set(CPACK_PACKAGE_CONTACT "${QUILLET_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "INI file editor with a grid, comparison and value lists")
# The long description as the package shows it: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
  "Quillet shows an INI configuration file as a grid, one row per entry, and
changes values in place. A save writes only the keys that changed, keeping
comments, blank lines, order and the file's encoding (UTF-8, UTF-16 or CP932).
Two files can be compared side by side, with every difference marked and
sections or entries copied across. Value lists in a local SQLite database
offer each entry's admissible values. The user interface is in Japanese.

quillet-cli gives scripts the same reading, comparing, writing and checking of
INI files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from the binaries; what Qt loads at run time does not
# show there: the Japanese font, Qt's own Japanese texts and the SVG plug-ins for the icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Debian wants the licence and history of every package under /usr/share/doc/<package>.
set(QUILLET_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quillet)
set(QUILLET_VERSION ${PROJECT_VERSION})
configure_file(${PROJECT_SOURCE_DIR}/cmake/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
  COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/changelog
  VERBATIM)
add_custom_target(quillet_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
add_dependencies(quillet_data quillet_changelog)
# The licence is LICENSE's, in the form Debian's copyright file wants: its body indented by one
# space, blank lines as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX REPLACE "^MIT License\n\n" "" license "${license}")
string(REGEX REPLACE "\n$" "" license "${license}")
string(REGEX REPLACE "\n\n" "\n.\n" license "${license}")
string(REGEX REPLACE "\n" "\n " QUILLET_LICENSE_TEXT " ${license}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/copyright.in ${PROJECT_BINARY_DIR}/copyright @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz ${PROJECT_BINARY_DIR}/copyright
  DESTINATION ${QUILLET_DOC_DIR})

include(CPack)
