# Installation layout and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

install(FILES docs/sirvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES README.md docs/export.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME sirvane)
set(CPACK_PACKAGE_VENDOR "sirvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "per-user internet usage reports from proxy server access logs")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "sirvane reads the access logs of a proxy server (Squid's native format, the\n"
       "common or combined log format, TMG/ISA W3C logs, or any text log with one\n"
       "request per line) and writes HTML pages of each user's traffic, the hosts it\n"
       "went to and a projection to the whole month, with optional CSV and JSON\n"
       "exports. It runs unattended, from cron for example.")
set(CPACK_PACKAGE_CONTACT "sirvane developers <sirvane@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binary links (libc, libstdc++, and whatever else it comes
# to need) become the package's dependencies, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
