# Cross toolchain for 32-bit Windows (mingw-w64, Debian packages).
set(ORIELVMX_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
# SSE2 arithmetic rather than the x87's 80-bit registers, so that floating
# point gives the same results as the 64-bit and the native builds.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
