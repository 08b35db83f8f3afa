# The Debian package, made by `cpack -G DEB` in a build configured with
# CMAKE_INSTALL_PREFIX=/usr, so the program looks for its help file where the
# package puts it (scripts/package does both).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vortlane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vortlane developers")
set(CPACK_PACKAGE_CONTACT "The Vortlane developers <developers@vortlane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "debugger for slow network connections over TCP and UDP")
set(CPACK_PACKAGE_DESCRIPTION
    "A small desktop tool for debugging network connections where only small amounts of data
pass slowly. A listening panel opens a TCP or UDP socket on a local port; an outgoing panel
connects to a remote host and port. Each sends typed data as text, decimal or hexadecimal
bytes and shows what arrives in the same three forms, with every event on a status line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://vortlane.github.io)
# The libraries the program links come from dpkg-shlibdeps; Qt's window-system
# plugins are loaded at run time, so no link names them, and without them the
# program cannot open a window. The received box shows control bytes as
# Unicode's control pictures, which the default fonts lack; Symbola has them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-symbola")

# A package made from a build for another prefix would install the help file
# where the program never looks; cpack refuses it.
set(CPACK_VORTLANE_BUILD_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackagePrefixCheck.cmake)

include(CPack)
