# FFTW (libfftw3-dev), the reference the Fourier transforms are tested and measured against:
# the imported target FFTW::fftw3, found through pkg-config. Tests and benchmarks link it;
# the library never does.
if(NOT TARGET FFTW::fftw3)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(FFTW3 REQUIRED IMPORTED_TARGET fftw3)
  add_library(FFTW::fftw3 ALIAS PkgConfig::FFTW3)
endif()
