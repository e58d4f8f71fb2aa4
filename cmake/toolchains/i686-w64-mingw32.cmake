# Cross toolchain for 32-bit Windows (mingw-w64, Debian packages).
set(ORIELVMX_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
