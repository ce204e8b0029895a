# `cpack -G DEB` (scripts/package): vxfdeck_<version>_<arch>.deb with what the install puts under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vxfdeck)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The vxfDeck developers")
set(CPACK_PACKAGE_CONTACT "The vxfDeck developers <maintainers@vxfdeck.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manage the drives of a 24-track hard-disk recorder")
set(CPACK_PACKAGE_DESCRIPTION "vxfDeck (desktop) and vxf (command line) show what is on the TAVO VXF
drives of the KX90 recorder, or on raw images of them, export every track as
ordinary audio files, import audio, and format, rename, upgrade, scan and
remap drives.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The loader's cache is brought up to date by a trigger; the libraries' shlibs let other packages depend on them.
configure_file(${CMAKE_SOURCE_DIR}/packaging/shlibs.in ${CMAKE_BINARY_DIR}/packaging/shlibs @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/triggers ${CMAKE_BINARY_DIR}/packaging/shlibs)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
