# texfill for Linux users: the executable, its man page (made from its own
# --help pages), the sample library, the copyright file and the two
# changelogs, packed as a Debian package by CPack:
#   cmake --build DIR --target package   ->   DIR/texfill_VERSION_ARCH.deb
# The package is then rewritten so that it comes out the same from every
# build of one commit (cmake/packaging/reproducible-deb.cmake).

set(TEXFILL_DEBIAN_DIR ${CMAKE_SOURCE_DIR}/tools/dist/debian)
set(TEXFILL_DOC_DIR ${CMAKE_CURRENT_BINARY_DIR}/doc)

# The package version is VERSION with the Debian revision of the changelog's
# newest entry, which must be for this release.
file(STRINGS ${TEXFILL_DEBIAN_DIR}/changelog TEXFILL_NEWEST_ENTRY LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TEXFILL_DEBIAN_DIR}/changelog)
string(REPLACE "." "\\." TEXFILL_VERSION_PATTERN "${PROJECT_VERSION}")
if(NOT TEXFILL_NEWEST_ENTRY MATCHES "^texfill \\(${TEXFILL_VERSION_PATTERN}-([0-9]+)\\) ")
  message(FATAL_ERROR "tools/dist/debian/changelog: the newest entry is not for ${PROJECT_VERSION}-N "
    "(\"${TEXFILL_NEWEST_ENTRY}\"); add one for this release")
endif()
set(TEXFILL_DEBIAN_REVISION ${CMAKE_MATCH_1})

set(TEXFILL_MANPAGE ${CMAKE_CURRENT_BINARY_DIR}/texfill.1)
add_custom_command(
  OUTPUT ${TEXFILL_MANPAGE}.gz
  COMMAND bash ${CMAKE_SOURCE_DIR}/tools/dist/make-manpage.sh $<TARGET_FILE:texfill> ${TEXFILL_MANPAGE}
  COMMAND gzip -n -9 -f ${TEXFILL_MANPAGE}
  DEPENDS texfill ${CMAKE_SOURCE_DIR}/tools/dist/make-manpage.sh
  COMMENT "Writing texfill's man page"
  VERBATIM)

# The copyright file takes its licence texts from the files LICENSE.txt
# of the download takes them from, so the two cannot drift apart.
add_custom_command(
  OUTPUT ${TEXFILL_DOC_DIR}/copyright
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TEXFILL_DOC_DIR}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/dist/make_copyright.py ${TEXFILL_DEBIAN_DIR}/copyright.in
    ${TEXFILL_DOC_DIR}/copyright
  DEPENDS ${TEXFILL_DEBIAN_DIR}/copyright.in ${CMAKE_SOURCE_DIR}/tools/dist/make_copyright.py
    ${CMAKE_SOURCE_DIR}/tools/dist/collect_licenses.py ${CMAKE_SOURCE_DIR}/tools/dist/sample-photographs.txt
    ${CMAKE_SOURCE_DIR}/LICENSE
  COMMENT "Writing the package's copyright file"
  VERBATIM)
# The Debian changelog, and the project's own list of changes as the
# upstream changelog; gzip -n leaves out the name and time of the file.
add_custom_command(
  OUTPUT ${TEXFILL_DOC_DIR}/changelog.Debian.gz ${TEXFILL_DOC_DIR}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TEXFILL_DOC_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${TEXFILL_DEBIAN_DIR}/changelog ${TEXFILL_DOC_DIR}/changelog.Debian
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/CHANGES.md ${TEXFILL_DOC_DIR}/changelog
  COMMAND gzip -n -9 -f ${TEXFILL_DOC_DIR}/changelog.Debian ${TEXFILL_DOC_DIR}/changelog
  DEPENDS ${TEXFILL_DEBIAN_DIR}/changelog ${CMAKE_SOURCE_DIR}/CHANGES.md
  COMMENT "Compressing the changelogs"
  VERBATIM)
add_custom_target(texfill_manpage ALL DEPENDS ${TEXFILL_MANPAGE}.gz ${TEXFILL_DOC_DIR}/copyright
  ${TEXFILL_DOC_DIR}/changelog.Debian.gz ${TEXFILL_DOC_DIR}/changelog.gz)

install(TARGETS texfill RUNTIME DESTINATION bin)
# CPack's strip keeps the compiler's notes; Debian's packages leave them out.
install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/texfill\" COMMAND_ERROR_IS_FATAL ANY)")
install(FILES ${TEXFILL_MANPAGE}.gz DESTINATION share/man/man1)
install(DIRECTORY ${TEXFILL_SAMPLE_DIR}/ DESTINATION share/texfill/samples
  FILES_MATCHING PATTERN "*.tif" PATTERN "*.png" PATTERN "*.jpg" PATTERN src EXCLUDE)
install(FILES ${TEXFILL_DOC_DIR}/copyright ${TEXFILL_DOC_DIR}/changelog.Debian.gz ${TEXFILL_DOC_DIR}/changelog.gz
  DESTINATION share/doc/texfill)
install(FILES ${TEXFILL_DEBIAN_DIR}/lintian-overrides DESTINATION share/lintian/overrides RENAME texfill)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME texfill)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TEXFILL_DEBIAN_REVISION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fill pictures with seamless textures from the command line")
set(CPACK_PACKAGE_DESCRIPTION "texfill hosts the Oriel Zovezadu texture-fill engine on the command line:\n\
it fills PNG and TIFF pictures with textures from a texture library, at any\n\
scale and angle, mirrored or without repetition; makes photographs of\n\
surfaces seamless; lists, previews and packs library textures; and comes with\n\
a sample library in /usr/share/texfill/samples.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Oriel Brindle Zovezadu contributors <maintainers@zovezadu.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The run-time dependencies are read off the executable by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Named by the release alone, as the Windows download is; the Debian
# revision shows in the package's version.
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE TEXFILL_DEBIAN_ARCHITECTURE
  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_DEBIAN_FILE_NAME texfill_${PROJECT_VERSION}_${TEXFILL_DEBIAN_ARCHITECTURE}.deb)

# The GEGL module, where it is built, as a second package: gimp-zovezadu
# (Debian names GIMP's plug-in packages gimp-NAME), with its own copyright
# file and changelog. texfill's package keeps its name, files and fields.
if(TARGET gegl_zovezadu)
  set(GIMP_DEBIAN_DIR ${TEXFILL_DEBIAN_DIR}/gimp-zovezadu)
  set(GIMP_DOC_DIR ${CMAKE_CURRENT_BINARY_DIR}/gimp-doc)
  file(STRINGS ${GIMP_DEBIAN_DIR}/changelog GIMP_NEWEST_ENTRY LIMIT_COUNT 1)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${GIMP_DEBIAN_DIR}/changelog)
  if(NOT GIMP_NEWEST_ENTRY MATCHES "^gimp-zovezadu \\(${TEXFILL_VERSION_PATTERN}-${TEXFILL_DEBIAN_REVISION}\\) ")
    message(FATAL_ERROR "tools/dist/debian/gimp-zovezadu/changelog: the newest entry is not for "
      "${PROJECT_VERSION}-${TEXFILL_DEBIAN_REVISION} (\"${GIMP_NEWEST_ENTRY}\"); add one for this release")
  endif()
  add_custom_command(
    OUTPUT ${GIMP_DOC_DIR}/copyright ${GIMP_DOC_DIR}/changelog.Debian.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${GIMP_DOC_DIR}
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/dist/make_copyright.py ${GIMP_DEBIAN_DIR}/copyright.in
      ${GIMP_DOC_DIR}/copyright
    COMMAND ${CMAKE_COMMAND} -E copy ${GIMP_DEBIAN_DIR}/changelog ${GIMP_DOC_DIR}/changelog.Debian
    COMMAND gzip -n -9 -f ${GIMP_DOC_DIR}/changelog.Debian
    DEPENDS ${GIMP_DEBIAN_DIR}/copyright.in ${GIMP_DEBIAN_DIR}/changelog ${CMAKE_SOURCE_DIR}/LICENSE
      ${CMAKE_SOURCE_DIR}/tools/dist/make_copyright.py
    COMMENT "Writing gimp-zovezadu's copyright file and changelog"
    VERBATIM)
  add_custom_target(gimp_zovezadu_docs ALL DEPENDS ${GIMP_DOC_DIR}/copyright ${GIMP_DOC_DIR}/changelog.Debian.gz)
  install(FILES ${GIMP_DOC_DIR}/copyright ${GIMP_DOC_DIR}/changelog.Debian.gz
    DESTINATION share/doc/gimp-zovezadu COMPONENT gimp)
  install(FILES ${GIMP_DEBIAN_DIR}/lintian-overrides DESTINATION share/lintian/overrides RENAME gimp-zovezadu
    COMPONENT gimp)
  install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ORIELVMX_GEGL_MODULE_DIR}/zovezadu.so\" COMMAND_ERROR_IS_FATAL ANY)"
    COMPONENT gimp)

  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL Unspecified gimp)
  set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME texfill)
  set(CPACK_DEBIAN_UNSPECIFIED_FILE_NAME ${CPACK_DEBIAN_FILE_NAME})
  # Each package's description with its own first line: without a summary
  # of the project's, CPack puts none of its own before them.
  set(CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION
    "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n${CPACK_PACKAGE_DESCRIPTION}")
  unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
  set(CPACK_DEBIAN_GIMP_PACKAGE_NAME gimp-zovezadu)
  set(CPACK_DEBIAN_GIMP_FILE_NAME gimp-zovezadu_${PROJECT_VERSION}_${TEXFILL_DEBIAN_ARCHITECTURE}.deb)
  set(CPACK_DEBIAN_GIMP_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_GIMP_PACKAGE_ENHANCES gimp)
  set(CPACK_DEBIAN_GIMP_DESCRIPTION "texture fill and make-seamless operations for GIMP (GEGL)\n\
Two GEGL operations of the Oriel Zovezadu texture-fill engine, for GIMP 2.10\n\
and 3: zovezadu:texture-fill fills a layer with a texture file at any scale\n\
and angle, tiled, mirrored or without repetition (GIMP 3: Filters > Render >\n\
Pattern > Texture Fill); zovezadu:make-seamless makes a layer tile without a\n\
seam (Filters > Map > Make Seamless). GIMP 2.10 lists both under Tools >\n\
GEGL Operation.")
endif()
set(CPACK_TEXFILL_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/packaging/reproducible-deb.cmake)
include(CPack)
