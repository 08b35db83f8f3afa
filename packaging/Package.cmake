# SPDX-FileCopyrightText: 2026 The Vortlane developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The Debian package, made by `cpack -G DEB` in a build configured with
# CMAKE_INSTALL_PREFIX=/usr, so the program looks for its help file where the
# package puts it (scripts/package does both).
#
# Included before packaging/ is added, so the version and maintainer below
# also reach the metainfo, the manual page and the changelog made there.

# The version the about box shows: major, minor and revision without leading
# zeros (1.0.0.56 is 1.0.56), derived as the about box derives it.
foreach(part MAJOR MINOR TWEAK)
  string(REGEX REPLACE "^0+([0-9])" "\\1" plain_${part} "${PROJECT_VERSION_${part}}")
endforeach()
set(VORTLANE_PACKAGE_VERSION "${plain_MAJOR}.${plain_MINOR}.${plain_TWEAK}")
set(VORTLANE_MAINTAINER "The Vortlane developers <developers@vortlane.invalid>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vortlane)
set(CPACK_PACKAGE_VERSION ${VORTLANE_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vortlane developers")
set(CPACK_PACKAGE_CONTACT "${VORTLANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "debugger for slow network connections over TCP and UDP")
# dpkg shows the description as written: lines under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "A small desktop tool for debugging network connections where only small
amounts of data pass slowly. A listening panel opens a TCP or UDP socket on a
local port; an outgoing panel connects to a remote host and port. Each sends
typed data as text, decimal or hexadecimal bytes and shows what arrives in the
same three forms, with every event on a status line.")
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
# Without Qt's Wayland plugin a Wayland session runs the program through X11, if at all.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# Whatever the umask of the machine that builds it, the package's folders are
# the usual 0755.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# A package made from a build for another prefix would install the help file
# where the program never looks; cpack refuses it.
set(CPACK_VORTLANE_BUILD_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackagePrefixCheck.cmake)

include(CPack)
