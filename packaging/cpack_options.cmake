# Read by cpack for each generator it runs. The programs look for their data
# and the D-Bus and systemd files point below the build's install prefix, and
# a Debian package must not install below /usr/local: so a .deb is only built
# from a build configured for /usr.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_PACKAGING_INSTALL_PREFIX STREQUAL "/usr")
    message(FATAL_ERROR "The Debian package installs below /usr, but this build is configured for "
                        "${CPACK_PACKAGING_INSTALL_PREFIX}: configure it with -DCMAKE_INSTALL_PREFIX=/usr")
endif()
