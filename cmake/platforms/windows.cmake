# Windows build: the plug-in DLL (one self-contained file) and the test host.

# A PE header carries the link time unless told otherwise; the release zip
# must come out the same from every build of one commit.
add_link_options(-Wl,--no-insert-timestamp)

# The static libtiff needs libjpeg and zlib after it, wherever it is linked
# (the plug-in, texfill); the shell layers need the system DLLs they call.
find_package(ZLIB REQUIRED)
set_property(TARGET TIFF::TIFF APPEND PROPERTY INTERFACE_LINK_LIBRARIES JPEG::JPEG ZLIB::ZLIB)
target_link_libraries(orielvmx_texture PUBLIC ZLIB::ZLIB)
target_link_libraries(orielvmx_platform PUBLIC user32 kernel32 shell32)
target_link_libraries(orielvmx_chooser PUBLIC comdlg32 comctl32 gdi32 user32)

# One source tree, two plug-ins: 32-bit hosts load dist/win32, 64-bit hosts
# dist/win64. They differ only in the PiPL entry key.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ORIELVMX_WIN_ARCH win64)
  set(ORIELVMX_PIPL_ENTRY_KEY 8664)
else()
  set(ORIELVMX_WIN_ARCH win32)
  set(ORIELVMX_PIPL_ENTRY_KEY wx86)
endif()
# The version block's comment names the edition's word size, its description
# the release number from VERSION.
set_property(SOURCE resources/orielvmx.rc APPEND PROPERTY COMPILE_DEFINITIONS
  $<$<STREQUAL:${ORIELVMX_WIN_ARCH},win64>:ORIELVMX_WIN64> ORIELVMX_RELEASE=${PROJECT_VERSION})
set(ORIELVMX_DIST_DIR ${CMAKE_SOURCE_DIR}/dist/${ORIELVMX_WIN_ARCH} CACHE PATH "Where the plug-in is copied")

# orielvmx.rc includes it: the resources must be one windres unit, because
# ld, merging several resource objects, orders the named types ignoring case
# ("_8BFM" before "PIMI"), and the loader's binary search, which compares
# upper-case names, then misses "_8BFM".
set(ORIELVMX_PIPL_RC ${CMAKE_BINARY_DIR}/generated/orielvmx_pipl.rc)
add_custom_command(OUTPUT ${ORIELVMX_PIPL_RC}
  COMMAND ${CMAKE_COMMAND} -DDESCRIPTION=${CMAKE_SOURCE_DIR}/resources/pipl.txt
    -DENTRY_KEY=${ORIELVMX_PIPL_ENTRY_KEY} -DOUTPUT=${ORIELVMX_PIPL_RC}
    -P ${CMAKE_SOURCE_DIR}/cmake/generate_pipl.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/pipl.txt ${CMAKE_SOURCE_DIR}/cmake/generate_pipl.cmake
  COMMENT "Generating the PiPL resource (${ORIELVMX_PIPL_ENTRY_KEY})"
  VERBATIM)

add_library(orielvmx_plugin SHARED
  resources/orielvmx.rc
  ${ORIELVMX_PIPL_RC}
  resources/orielvmx.def)
set_source_files_properties(${ORIELVMX_PIPL_RC} PROPERTIES HEADER_FILE_ONLY TRUE)
# The chooser's bitmaps are drawn at build time; windres finds them on its
# include path.
set(ORIELVMX_ARTWORK_DIR ${CMAKE_BINARY_DIR}/artwork)
set(ORIELVMX_ARTWORK ${ORIELVMX_ARTWORK_DIR}/orielvmx_banner.bmp ${ORIELVMX_ARTWORK_DIR}/orielvmx_about.bmp)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(OUTPUT ${ORIELVMX_ARTWORK}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/artwork/make_artwork.py ${ORIELVMX_ARTWORK_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/artwork/make_artwork.py
  COMMENT "Drawing the chooser's banner and About picture")
# Ninja learns no header dependencies from windres, and the string table
# comes from strings.h.
set_source_files_properties(resources/orielvmx.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/strings.h;${CMAKE_SOURCE_DIR}/resources/dialogs.rc;${CMAKE_SOURCE_DIR}/resources/dialog_ids.h;${ORIELVMX_ARTWORK}")
set_property(SOURCE resources/orielvmx.rc APPEND PROPERTY OBJECT_DEPENDS ${ORIELVMX_PIPL_RC})
# Whole archive: nothing inside the DLL calls DllMain or ENTRYPOINT1, so the
# linker would otherwise leave them out.
target_link_libraries(orielvmx_plugin PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,orielvmx_host>")
target_include_directories(orielvmx_plugin PRIVATE ${CMAKE_SOURCE_DIR} ${ORIELVMX_ARTWORK_DIR}
  ${CMAKE_BINARY_DIR}/generated)
target_link_options(orielvmx_plugin PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--kill-at -s)
set_target_properties(orielvmx_plugin PROPERTIES
  PREFIX "" OUTPUT_NAME "ORIELVMX" SUFFIX ".8BF")
add_custom_command(TARGET orielvmx_plugin POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ORIELVMX_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:orielvmx_plugin> ${ORIELVMX_DIST_DIR}/ORIELVMX.8BF)

add_subdirectory(tools)
