# The Debian package: `cpack -G DEB` in a release build directory (see README).
# It holds what `cmake --install` installs, under /usr, plus the Debian copyright
# and changelog files. Dependencies come from the binaries (dpkg-shlibdeps).
# Desktop entry, MIME and icon caches are refreshed by the triggers of
# desktop-file-utils, shared-mime-info and the icon theme: the package has no
# maintainer scripts, and removing it leaves nothing behind.

set(KIVELO_PACKAGE_MAINTAINER "Kivelo developers <kivelo@example.org>"
    CACHE STRING "Maintainer field of the Debian package: Name <address>")
set(KIVELO_HOMEPAGE "https://github.com/kivelo/kivelo")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kivelo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kivelo developers")
set(CPACK_PACKAGE_CONTACT "${KIVELO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL ${KIVELO_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and converter for QV-series waveform records")
set(CPACK_PACKAGE_DESCRIPTION
"Kivelo opens the waveform records of the QV series of digital recorders and
oscilloscopes: binary .wvf data with its ASCII .hdr header, realtime .rtm
files and floating .fld files. It shows up to 24 traces in its Main, Zoom,
History and XY windows with cursors that measure times and values, exports
CSV, converts realtime records, saves and prints pictures of its windows,
and downloads records from instruments over GPIB or RS-232.

The package holds the desktop program kivelo, the command-line tool
kivelo-cli and qvsim, a simulator of the instruments with a GPIB library
stand-in for trying downloads without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_CHECKSUM SHA256)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KIVELO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the libraries: the display's texts are laid out in DejaVu Sans Mono.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme, shared-mime-info, python3-numpy")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build/" "/build-[^/]*/" "\\\\.swp$" "/__pycache__/")

# Debian's documentation files, installed with the rest so that the package
# and `cmake --install` hold the same tree.
set(_kivelo_debian ${PROJECT_BINARY_DIR}/debian-doc)
file(MAKE_DIRECTORY ${_kivelo_debian})
file(WRITE ${_kivelo_debian}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Kivelo
Source: ${KIVELO_HOMEPAGE}

Files: *
Copyright: 2026 the Kivelo developers
License: GPL-3.0-or-later
 This program is free software: you can redistribute it and/or modify it
 under the terms of the GNU General Public License as published by the Free
 Software Foundation, either version 3 of the License, or (at your option)
 any later version. It links FFTW3, which is licensed under the GPL.
 .
 On Debian systems the full text of the GNU General Public License version 3
 is in /usr/share/common-licenses/GPL-3.
")
# Dated by the release day of the metainfo file, not the build day, so that
# every build writes the same bytes.
execute_process(COMMAND date -u -d "${KIVELO_RELEASE_DATE}" "+%a, %d %b %Y 00:00:00 +0000"
                OUTPUT_VARIABLE _kivelo_changelog_time OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0 OR NOT _kivelo_changelog_time)
  string(TIMESTAMP _kivelo_changelog_time "%a, %d %b %Y 00:00:00 +0000" UTC)
endif()
file(WRITE ${_kivelo_debian}/changelog
"kivelo (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}; see the releases of
    /usr/share/metainfo/${KIVELO_APP_ID}.metainfo.xml.

 -- ${KIVELO_PACKAGE_MAINTAINER}  ${_kivelo_changelog_time}
")
if(KIVELO_GZIP)
  execute_process(COMMAND ${KIVELO_GZIP} -9nf ${_kivelo_debian}/changelog)
  install(FILES ${_kivelo_debian}/copyright ${_kivelo_debian}/changelog.gz DESTINATION ${KIVELO_INSTALL_DOCDIR})
else()
  install(FILES ${_kivelo_debian}/copyright ${_kivelo_debian}/changelog DESTINATION ${KIVELO_INSTALL_DOCDIR})
endif()

include(CPack)
