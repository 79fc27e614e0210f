# Installation: programs, libraries, the public API with its pkg-config file
# and CMake package, and the Debian package built by cpack. The desktop
# files and manual pages install themselves from desktop/ and man/.
#
#   cmake --install build --prefix /opt/velnora     # or DESTDIR=... cmake --install build
#   cd build && cpack -G DEB
include(CMakePackageConfigHelpers)

# The one version number: project() above. It reaches every program's
# --version, the libraries, pictaf.pc, the CMake package and the package.
foreach(program velnora pictaf-convert velnora-regsvr velnora-install)
  if(TARGET ${program})
    target_compile_definitions(${program} PRIVATE VELNORA_VERSION="${PROJECT_VERSION}")
  endif()
endforeach()

set(VELNORA_COMPONENT_DIR "${CMAKE_INSTALL_LIBDIR}/velnora")
# The editor registers the control library of its own installation; it finds
# it by this path relative to its own folder.
file(RELATIVE_PATH velnora_component_from_bin
  "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}/velnora")
if(TARGET velnora_editor)
  set_source_files_properties(${PROJECT_SOURCE_DIR}/editor/controls/PictaforControl.cpp
    TARGET_DIRECTORY velnora_editor
    PROPERTIES COMPILE_DEFINITIONS "VELNORA_COMPONENT_FROM_BIN=\"${velnora_component_from_bin}\"")
endif()

# The platform's libraries: every shared library of platform/ installs.
set(velnora_platform_libraries velnora_platform)
if(TARGET velnora_platform_frame)
  list(APPEND velnora_platform_libraries velnora_platform_frame)
endif()
set_target_properties(${velnora_platform_libraries} PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
  INSTALL_RPATH "$ORIGIN")
set_target_properties(pictafconvert PROPERTIES INSTALL_RPATH "$ORIGIN")
# The control is a component: hosts load it by the full path the registry
# names, never by its SONAME, so it carries no version in its file name.
set_target_properties(pictaf PROPERTIES INSTALL_RPATH "$ORIGIN/..")

install(TARGETS ${velnora_platform_libraries}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)
install(TARGETS pictaf LIBRARY DESTINATION ${VELNORA_COMPONENT_DIR})
install(TARGETS pictaf-convert velnora-regsvr RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET velnora)
  install(TARGETS velnora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Not for users to call: the install step of the editor.
  file(RELATIVE_PATH velnora_lib_from_libexec
    "${CMAKE_INSTALL_FULL_LIBEXECDIR}/velnora" "${CMAKE_INSTALL_FULL_LIBDIR}")
  set_target_properties(velnora-install PROPERTIES INSTALL_RPATH "$ORIGIN/${velnora_lib_from_libexec}")
  install(TARGETS velnora-install RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/velnora)
endif()

# The public library for C++ programs. Its CMake package is written by hand:
# an exported target would drag the private platform library's build-tree
# interface along.
install(TARGETS pictafconvert LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/pictaf DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
set(PICTAF_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Pictaf)
set(PICTAF_LIBDIR ${CMAKE_INSTALL_LIBDIR})
set(PICTAF_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PictafConfig.cmake.in
  ${PROJECT_BINARY_DIR}/PictafConfig.cmake INSTALL_DESTINATION ${PICTAF_CMAKE_DIR}
  PATH_VARS PICTAF_LIBDIR PICTAF_INCLUDEDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PictafConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PictafConfig.cmake ${PROJECT_BINARY_DIR}/PictafConfigVersion.cmake
  DESTINATION ${PICTAF_CMAKE_DIR})
# pictaf.pc names its folders relative to ${prefix}, so a moved install
# (DESTDIR, --prefix at install time) stays right.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(PICTAF_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  set(PICTAF_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(PICTAF_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
  set(PICTAF_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
# The prefix is known only when installing (cmake --install --prefix).
set(PREFIX_AT_INSTALL "@PREFIX_AT_INSTALL@")
configure_file(${PROJECT_SOURCE_DIR}/cmake/pictaf.pc.in ${PROJECT_BINARY_DIR}/pictaf.pc @ONLY)
install(CODE "
  set(pc_prefix \"\${CMAKE_INSTALL_PREFIX}\")
  file(READ \"${PROJECT_BINARY_DIR}/pictaf.pc\" pc)
  string(REPLACE \"@PREFIX_AT_INSTALL@\" \"\${pc_prefix}\" pc \"\${pc}\")
  file(WRITE \"${PROJECT_BINARY_DIR}/pictaf.pc.installed\" \"\${pc}\")
")
install(FILES ${PROJECT_BINARY_DIR}/pictaf.pc.installed
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig RENAME pictaf.pc)

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/pictaf-library.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

include(cmake/Package.cmake)
