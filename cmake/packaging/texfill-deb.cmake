# texfill for Linux users: the executable, its man page (made from its own
# --help pages) and the sample library, packed as a Debian package by CPack:
#   cmake --build DIR --target package   ->   DIR/texfill_VERSION_ARCH.deb

set(TEXFILL_MANPAGE ${CMAKE_CURRENT_BINARY_DIR}/texfill.1)
add_custom_command(
  OUTPUT ${TEXFILL_MANPAGE}.gz
  COMMAND bash ${CMAKE_SOURCE_DIR}/tools/dist/make-manpage.sh $<TARGET_FILE:texfill> ${TEXFILL_MANPAGE}
  COMMAND gzip -n -9 -f ${TEXFILL_MANPAGE}
  DEPENDS texfill ${CMAKE_SOURCE_DIR}/tools/dist/make-manpage.sh
  COMMENT "Writing texfill's man page"
  VERBATIM)
add_custom_target(texfill_manpage ALL DEPENDS ${TEXFILL_MANPAGE}.gz)

install(TARGETS texfill RUNTIME DESTINATION bin)
install(FILES ${TEXFILL_MANPAGE}.gz DESTINATION share/man/man1)
install(DIRECTORY ${TEXFILL_SAMPLE_DIR}/ DESTINATION share/texfill/samples
  FILES_MATCHING PATTERN "*.tif" PATTERN "*.png" PATTERN "*.jpg" PATTERN src EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION share/doc/texfill RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME texfill)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fill pictures with seamless textures from the command line")
set(CPACK_PACKAGE_DESCRIPTION "texfill hosts the Oriel Zovezadu texture-fill engine on the command line:\n\
it fills PNG and TIFF pictures with textures from a texture library, lists,\n\
previews and packs library textures, and comes with a sample library in\n\
/usr/share/texfill/samples.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Oriel <oriel@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The run-time dependencies are read off the executable by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
