# `cpack -G DEB` in the build folder makes chronvale_<version>_<arch>.deb from the install rules.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME chronvale)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Seed 4e99532f maintainers <maintainers@users.noreply.c-seed-4e99532f.example>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "keeps the clock in step with NTP servers and feeds a time display
Chronvale keeps a short list of NTP servers, asks the selected one for the
time at start, periodically and on request, and sets the system clock when
the measured offset is within the entry's limit. It shows a large clock, can
live in the notification area, can start at logon, and can send the local
time once a second as a UDP datagram to a time display. Its interface is in
Chinese.
.
Everyone may run it; only the members of the group chronvale may set the
clock with it, through a small helper that alone holds that right.")
# The libraries the binaries link, plus what the maintainer scripts call.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcap2-bin, adduser")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/packaging/postinst ${CMAKE_CURRENT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
