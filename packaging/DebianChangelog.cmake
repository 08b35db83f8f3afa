# SPDX-FileCopyrightText: 2026 The Vortlane developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Writes the Debian package's changelog from packaging/release-notes, each
# release as the package's first revision of it:
#
#   cmake -DOUTPUT=debian/changelog -P packaging/DebianChangelog.cmake
#
# scripts/debian-changelog runs it; dpkg-buildpackage needs the result
# committed, since it reads the version before anything is built.
cmake_minimum_required(VERSION 3.22)

if(NOT OUTPUT)
  message(FATAL_ERROR "Give the file to write: cmake -DOUTPUT=<file> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()

# The same numbers the build takes from the project() line.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../CMakeLists.txt projectLine REGEX "^project\\(Vortlane VERSION ")
if(NOT projectLine MATCHES "VERSION ([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)")
  message(FATAL_ERROR "CMakeLists.txt has no project() line with a four-number version")
endif()
set(PROJECT_VERSION_MAJOR ${CMAKE_MATCH_1})
set(PROJECT_VERSION_MINOR ${CMAKE_MATCH_2})
set(PROJECT_VERSION_TWEAK ${CMAKE_MATCH_4})

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/ReleaseNotes.cmake)
vortlane_release_notes(${CMAKE_CURRENT_LIST_DIR}/release-notes ${VORTLANE_PACKAGE_VERSION} "${VORTLANE_MAINTAINER}"
                       changelog releases date 1)
file(WRITE ${OUTPUT} "${changelog}")
