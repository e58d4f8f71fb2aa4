# Shared part of the mingw-w64 cross toolchains; include it after setting
# ORIELVMX_MINGW_TRIPLET. Uses Debian's posix-thread compiler variants; the
# Windows build links with -static, so their winpthread and libstdc++ end up
# inside the plug-in rather than next to it.

set(CMAKE_SYSTEM_NAME Windows)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${ORIELVMX_MINGW_TRIPLET})
set(CMAKE_C_COMPILER ${ORIELVMX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORIELVMX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORIELVMX_MINGW_TRIPLET}-windres)

# The static libraries (libjpeg, libpng, libtiff, libkissfft; zlib as Debian's
# pinned mingw-w64 package builds it) are put into a cache outside the source
# tree by tools/setup/build-windows-lib.sh, each in a prefix of its own;
# tools/setup/env.sh picks the same place.
if(NOT ORIELVMX_WINDOWS_LIBS)
  if(DEFINED ENV{ORIELVMX_CACHE})
    set(_orielvmx_cache "$ENV{ORIELVMX_CACHE}")
  elseif(EXISTS /var/cache/orielvmx/windows-libs/${ORIELVMX_MINGW_TRIPLET})
    set(_orielvmx_cache /var/cache/orielvmx)
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(_orielvmx_cache "$ENV{XDG_CACHE_HOME}/orielvmx")
  else()
    set(_orielvmx_cache "$ENV{HOME}/.cache/orielvmx")
  endif()
  set(ORIELVMX_WINDOWS_LIBS "${_orielvmx_cache}/windows-libs/${ORIELVMX_MINGW_TRIPLET}")
endif()

set(CMAKE_FIND_ROOT_PATH ${ORIELVMX_WINDOWS_LIBS}/zlib ${ORIELVMX_WINDOWS_LIBS}/libjpeg
  ${ORIELVMX_WINDOWS_LIBS}/libpng ${ORIELVMX_WINDOWS_LIBS}/libtiff ${ORIELVMX_WINDOWS_LIBS}/libkissfft
  /usr/${ORIELVMX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The plug-in must be one self-contained file: the system may also hold
# Debian's mingw zlib, whose import library FindZLIB would otherwise prefer.
set(ZLIB_USE_STATIC_LIBS ON)
