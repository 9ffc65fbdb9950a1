# The Debian package "quillmere", made by `cpack` in a build configured for the /usr prefix (the
# release preset): the executables in /usr/bin, the provider in /usr/lib/<multiarch>/quillmere,
# the data in /usr/share. Its Depends come from dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VENDOR "Quillmere developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quillmere developers <maintainers@quillmere.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live report of the network adapters of this machine")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME quillmere)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quillmere.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The provider opens libudev itself, when a link has a device behind it, to name the hardware.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libudev1)
# dpkg-shlibdeps looks into the private library folder for the provider's own needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_INSTALL_FULL_LIBDIR}/quillmere)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description; CPack puts the summary first and indents it as the control file wants.
set(CPACK_PACKAGE_DESCRIPTION "Quillmere lists the network adapters of the local machine and shows a live
report of the selected one: status, hardware address, speed, DHCP or manual
addressing, IP addresses with masks and gateways, and the traffic counters.
An expert mode adds every address, gateway, DNS and WINS server and the
packet counters. The report can be copied to the clipboard, and the window
can wait in the notification area.

The package holds the window program qmr and the command-line report
qmr-report.")

# The copyright file and the changelog a Debian package carries in its documentation folder.
set(QMR_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quillmere)
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in
               ${CMAKE_BINARY_DIR}/package/changelog.Debian @ONLY)
find_program(QMR_GZIP gzip REQUIRED)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/package/changelog.Debian.gz
    COMMAND ${QMR_GZIP} -9nf -k ${CMAKE_BINARY_DIR}/package/changelog.Debian
    DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.Debian
    COMMENT "Compressing the Debian changelog")
add_custom_target(qmr_package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.Debian.gz)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright
              ${CMAKE_BINARY_DIR}/package/changelog.Debian.gz
        DESTINATION ${QMR_PACKAGE_DOC_DIR})

include(CPack)
