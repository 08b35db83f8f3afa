# SPDX-FileCopyrightText: 2026 The Vortlane developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Read by cpack before it builds a package.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_VORTLANE_BUILD_PREFIX STREQUAL CPACK_PACKAGING_INSTALL_PREFIX)
  message(FATAL_ERROR "This build is for ${CPACK_VORTLANE_BUILD_PREFIX}, the package installs under "
                      "${CPACK_PACKAGING_INSTALL_PREFIX}: configure with "
                      "-DCMAKE_INSTALL_PREFIX=${CPACK_PACKAGING_INSTALL_PREFIX} (scripts/package does).")
endif()
