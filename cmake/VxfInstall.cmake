# What `cmake --install` puts under the prefix: the programs, the two libraries with their public headers,
# pkg-config and CMake package files, the desktop entry, icon, metainfo, manual pages, completion and udev rule.
include(GNUInstallDirs)

set(VXF_APP_ID org.vxfdeck.vxfdeck)

# The libraries' interface version: a change that breaks callers moves it.
set_target_properties(VXF1394 VXFServer PROPERTIES VERSION 1 SOVERSION 1)

# Programs installed under /usr find the libraries in the system's own folders; under any other prefix they
# look beside themselves. Never in the build tree.
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set_target_properties(vxf PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  set_target_properties(VXFServer PROPERTIES INSTALL_RPATH "$ORIGIN")
  if(TARGET vxfdeck)
    set_target_properties(vxfdeck PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  endif()
endif()

install(TARGETS VXF1394 VXFServer
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Development)
install(TARGETS vxf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET vxfdeck)
  install(TARGETS vxfdeck RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES VXF1394/include/i1394.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vxf)
install(DIRECTORY VXFServer/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vxf FILES_MATCHING PATTERN "*.h")

# pkg-config and find_package(VXFServer), with paths relative to where they are installed.
file(RELATIVE_PATH VXF_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
foreach(pc vxfserver vxf1394)
  configure_file(packaging/${pc}.pc.in ${CMAKE_BINARY_DIR}/packaging/${pc}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
set(VXF_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VXFServer)
file(RELATIVE_PATH VXF_CONFIG_TO_PREFIX /prefix/${VXF_CMAKE_DIR} /prefix)
include(CMakePackageConfigHelpers)
configure_file(packaging/VXFServerConfig.cmake.in ${CMAKE_BINARY_DIR}/packaging/VXFServerConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/packaging/VXFServerConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/packaging/VXFServerConfig.cmake
              ${CMAKE_BINARY_DIR}/packaging/VXFServerConfigVersion.cmake
        DESTINATION ${VXF_CMAKE_DIR})

configure_file(packaging/${VXF_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/packaging/${VXF_APP_ID}.metainfo.xml @ONLY)
install(FILES packaging/${VXF_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${VXF_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${VXF_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Manual pages and the changelog are installed compressed, as Debian keeps them.
configure_file(packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
set(VXF_COMPRESSED ${CMAKE_BINARY_DIR}/packaging/vxf.1.gz ${CMAKE_BINARY_DIR}/packaging/vxfdeck.1.gz
                   ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${VXF_COMPRESSED}
  COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/tools/vxf/vxf.1 > ${CMAKE_BINARY_DIR}/packaging/vxf.1.gz
  COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/vxfdeck.1 > ${CMAKE_BINARY_DIR}/packaging/vxfdeck.1.gz
  COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/tools/vxf/vxf.1 ${CMAKE_SOURCE_DIR}/packaging/vxfdeck.1
          ${CMAKE_BINARY_DIR}/packaging/changelog)
add_custom_target(vxf_compressed_docs ALL DEPENDS ${VXF_COMPRESSED})
install(FILES ${CMAKE_BINARY_DIR}/packaging/vxf.1.gz ${CMAKE_BINARY_DIR}/packaging/vxfdeck.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES packaging/vxf.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME vxf)
# udev rules belong to the system's lib/udev, not to the multiarch library folder.
install(FILES packaging/60-vxfdeck.rules DESTINATION lib/udev/rules.d)
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
