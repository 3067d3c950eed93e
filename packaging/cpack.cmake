# The Debian package: `cpack -G DEB` in the build folder writes
# vantrel-test_<version>_<arch>.deb from the install rules. Its dependencies
# are worked out by dpkg-shlibdeps from the shared libraries the programs use.

set(CPACK_PACKAGE_NAME vantrel-test)
set(CPACK_PACKAGE_VENDOR "VantrelTest maintainers")
set(CPACK_PACKAGE_CONTACT "VantrelTest maintainers <maintainers@users.noreply.c-seed-ce81e325.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test utility for the forecourt automation server")
set(CPACK_PACKAGE_DESCRIPTION [=[
VantrelTest exercises, one command at a time, the operations of the forecourt
automation server Vantrel.Application: authorising and stopping fuel
dispensers, sending prices, driving the card reader terminals, the car wash,
tank monitor, price sign and EMV chip reader, and canned display, print and
XML test suites. Each press shows the exact bytes that went out or came back.

It comes with an embedded simulated forecourt, runs session scripts headless
with a trace of the traffic, and includes vantrel-forecourt, which serves the
simulated forecourt on the D-Bus session or system bus.]=])

# The package goes where the programs look for their data and where the D-Bus
# and systemd files point: the build's install prefix (/usr unless chosen).
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/cpack_options.cmake)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build[^/]*/" "/\\\\.git/" "/\\\\.cache/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The result boxes draw the control pictures with FreeFont; the service needs
# a bus to serve on.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-freefont-ttf, dbus")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# postinst creates the service's user and the group of its callers.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/debian/postinst
                                       ${CMAKE_CURRENT_SOURCE_DIR}/debian/postrm)

include(CPack)
