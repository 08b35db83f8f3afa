# SPDX-FileCopyrightText: 2026 The Vortlane developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Reads packaging/release-notes and renders it twice: as a Debian changelog
# and as the <release> elements of the AppStream metainfo.
#
#   vortlane_release_notes(<file> <version> <maintainer>
#                          <changelog-out-var> <releases-out-var> <date-out-var>
#                          [<revision>])
#
# The date is the newest release's, YYYY-MM-DD. With a revision, each
# changelog entry is that Debian revision of its release (1.0.56-1): the
# changelog of the Debian package rather than the program's own.

# Debian's changelog wants RFC 2822 dates, which carry the day of the week.
function(vortlane_rfc2822_date out isoDate)
  string(REGEX MATCH "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$" _ "${isoDate}")
  if(NOT CMAKE_MATCH_0)
    message(FATAL_ERROR "release-notes: \"${isoDate}\" is not a date of the form YYYY-MM-DD")
  endif()
  set(year ${CMAKE_MATCH_1})
  math(EXPR month "1${CMAKE_MATCH_2} - 100")
  math(EXPR day "1${CMAKE_MATCH_3} - 100")
  # Sakamoto's method: 0 is Sunday.
  set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  math(EXPR monthIndex "${month} - 1")
  list(GET offsets ${monthIndex} offset)
  if(month LESS 3)
    math(EXPR year "${year} - 1")
  endif()
  math(EXPR weekday "(${year} + ${year} / 4 - ${year} / 100 + ${year} / 400 + ${offset} + ${day}) % 7")
  set(dayNames Sun Mon Tue Wed Thu Fri Sat)
  set(monthNames Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET dayNames ${weekday} dayName)
  list(GET monthNames ${monthIndex} monthName)
  set(${out} "${dayName}, ${CMAKE_MATCH_3} ${monthName} ${CMAKE_MATCH_1} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

function(vortlane_xml_escape out text)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(vortlane_release_notes file version maintainer changelogOut releasesOut dateOut)
  set(revision "")
  if(ARGC GREATER 6)
    set(revision "-${ARGV6}")
  endif()
  # A script (cmake -P) has no build to configure again.
  if(NOT CMAKE_SCRIPT_MODE_FILE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  endif()
  # A CMake list is text split at semicolons: hold the notes' own semicolons
  # aside while the notes travel in lists
  # (in a character of the same width that no note holds).
  string(ASCII 31 semicolon)
  file(READ ${file} content)
  string(REPLACE ";" "${semicolon}" content "${content}")
  string(REPLACE "\n" ";" lines "${content}")

  # Gather each release's notes as one list element per note.
  set(releases "")
  set(release "")
  set(note "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^#" OR line STREQUAL "")
      continue()
    elseif(line MATCHES "^([0-9][0-9.]*) ([0-9-]+)$")
      list(APPEND releases "${CMAKE_MATCH_1}")
      set(date_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
      set(release "${CMAKE_MATCH_1}")
      set(notes_${release} "")
    elseif(line MATCHES "^- (.*)$" AND release)
      list(APPEND notes_${release} "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^  (.*)$" AND notes_${release})
      list(POP_BACK notes_${release} previous)
      list(APPEND notes_${release} "${previous} ${CMAKE_MATCH_1}")
    else()
      message(FATAL_ERROR "release-notes: cannot read the line \"${line}\"")
    endif()
  endforeach()

  list(GET releases 0 newest)
  if(NOT newest STREQUAL version)
    message(FATAL_ERROR "release-notes: the newest release is ${newest}, the program is ${version}: "
                        "write the notes of ${version} first")
  endif()

  set(changelog "")
  set(xml "")
  foreach(release IN LISTS releases)
    vortlane_rfc2822_date(when "${date_${release}}")
    string(APPEND changelog "vortlane (${release}${revision}) unstable; urgency=medium\n\n")
    string(APPEND xml "    <release version=\"${release}\" date=\"${date_${release}}\">\n"
                      "      <description>\n        <ul>\n")
    foreach(note IN LISTS notes_${release})
      # Debian wraps its entries at 80 columns, continued four blanks in.
      set(wrapped "  *")
      set(column 3)
      string(REPLACE " " ";" words "${note}")
      foreach(word IN LISTS words)
        string(LENGTH "${word}" length)
        math(EXPR next "${column} + 1 + ${length}")
        if(next GREATER 79)
          string(APPEND wrapped "\n   ")
          set(column 3)
          math(EXPR next "${column} + 1 + ${length}")
        endif()
        string(APPEND wrapped " ${word}")
        set(column ${next})
      endforeach()
      string(APPEND changelog "${wrapped}\n")
      vortlane_xml_escape(escaped "${note}")
      string(APPEND xml "          <li>${escaped}</li>\n")
    endforeach()
    string(APPEND changelog "\n -- ${maintainer}  ${when}\n\n")
    string(APPEND xml "        </ul>\n      </description>\n    </release>\n")
  endforeach()
  string(REPLACE "${semicolon}" ";" changelog "${changelog}")
  string(REPLACE "${semicolon}" ";" xml "${xml}")
  string(STRIP "${changelog}" changelog)
  set(${changelogOut} "${changelog}\n" PARENT_SCOPE)
  string(REGEX REPLACE "\n$" "" xml "${xml}")
  set(${releasesOut} "${xml}" PARENT_SCOPE)
  set(${dateOut} "${date_${newest}}" PARENT_SCOPE)
endfunction()
