# SPDX-FileCopyrightText: 2026 The Vortlane developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The version and maintainer the package's documents carry: the metainfo, the
# manual page and the changelogs (debian/ builds the package itself).
#
# Included before packaging/ is added, and by DebianChangelog.cmake, which
# reads the project() line's numbers without configuring a build.

# The version the about box shows: major, minor and revision without leading
# zeros (1.0.0.56 is 1.0.56), derived as the about box derives it.
foreach(part MAJOR MINOR TWEAK)
  string(REGEX REPLACE "^0+([0-9])" "\\1" plain_${part} "${PROJECT_VERSION_${part}}")
endforeach()
set(VORTLANE_PACKAGE_VERSION "${plain_MAJOR}.${plain_MINOR}.${plain_TWEAK}")
set(VORTLANE_MAINTAINER "The Vortlane developers <developers@vortlane.invalid>")
