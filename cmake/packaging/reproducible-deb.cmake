# Run by CPack once it has written the package: CPack's archives carry the
# time of the build, so the package is rewritten by
# tools/dist/reproducible-deb.sh with the last commit's time.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND bash ${CPACK_TEXFILL_SOURCE_DIR}/tools/dist/reproducible-deb.sh ${package}
    ${CPACK_TEXFILL_SOURCE_DIR} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
