# cpack -G DEB: one package, velnora, for a Debian system. Its library
# dependencies come from dpkg-shlibdeps; configure with
# -DCMAKE_INSTALL_PREFIX=/usr so that the libraries land in the multiarch
# folder (scripts/package.sh does).
set(CPACK_PACKAGE_NAME velnora)
set(CPACK_PACKAGE_VENDOR "Velnora developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The address the package names as its maintainer; set it when building a
# package for others.
set(VELNORA_PACKAGE_MAINTAINER "Velnora developers <velnora@example.org>" CACHE STRING
  "Maintainer of the Debian package: Name <address>")
set(CPACK_PACKAGE_CONTACT "${VELNORA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "banner editor with a GIF and BMP picture converter")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The libraries are public, so ldconfig runs when they come and go: as a
# trigger, which is why the package brings maintainer scripts of its own
# (cpack would otherwise write ones that call ldconfig).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/packaging/triggers
  ${PROJECT_SOURCE_DIR}/packaging/postinst ${PROJECT_SOURCE_DIR}/packaging/postrm)
# Qt's plugins are loaded at run time, so dpkg-shlibdeps cannot see them: the
# platform plugins (xcb on a desktop, offscreen for the converter) and the
# image readers pictaf-convert takes TIFF and WebP input with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-liberation")
file(READ ${PROJECT_SOURCE_DIR}/packaging/description.txt CPACK_DEBIAN_PACKAGE_DESCRIPTION)
string(STRIP "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
file(WRITE ${PROJECT_BINARY_DIR}/packaging/triggers "activate-noawait ldconfig\n")
# Reports of lintian that stay, each with its reason.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME velnora)

# Debian's documentation files, compressed as policy asks.
find_program(GZIP_PROGRAM gzip REQUIRED)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_BINARY_DIR}/packaging/changelog > ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog VERBATIM)
add_custom_target(velnora_package_docs ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

include(CPack)
