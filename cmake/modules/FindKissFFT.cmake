# KissFFT, single-precision complex transforms: Debian's libkissfft-dev
# natively (include/kissfft/kiss_fft.h, libkissfft-float), the static cross
# build in the Windows libraries' prefix (found through CMAKE_FIND_ROOT_PATH).
# Defines KissFFT_FOUND and the imported target KissFFT::KissFFT.

find_path(KissFFT_INCLUDE_DIR kiss_fft.h PATH_SUFFIXES kissfft)
# A static library first where there is one: the plug-in is one file.
find_library(KissFFT_LIBRARY NAMES libkissfft-float.a kissfft-float kissfft)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(KissFFT REQUIRED_VARS KissFFT_LIBRARY KissFFT_INCLUDE_DIR)

if(KissFFT_FOUND AND NOT TARGET KissFFT::KissFFT)
  add_library(KissFFT::KissFFT UNKNOWN IMPORTED)
  # kiss_fft_scalar must be float, as the library was built; a shared
  # library's symbols are imported on Windows only when KISS_FFT_SHARED says so.
  set(_kissfft_definitions kiss_fft_scalar=float)
  if(KissFFT_LIBRARY MATCHES "\\.(so|dll\\.a)$")
    list(APPEND _kissfft_definitions KISS_FFT_SHARED)
  endif()
  set_target_properties(KissFFT::KissFFT PROPERTIES
    IMPORTED_LOCATION "${KissFFT_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${KissFFT_INCLUDE_DIR}"
    INTERFACE_COMPILE_DEFINITIONS "${_kissfft_definitions}")
endif()
mark_as_advanced(KissFFT_INCLUDE_DIR KissFFT_LIBRARY)
