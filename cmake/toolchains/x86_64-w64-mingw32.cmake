# Cross toolchain for 64-bit Windows (mingw-w64, Debian packages).
set(ORIELVMX_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
