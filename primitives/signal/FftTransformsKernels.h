// The block interface between the real FFT passes (FftTransforms.cpp) and their vector kernels
// (FftTransformsHwy.cpp).
//
// A pass treats the bins k and h - k together for k = 1 .. h/2 - 1. A block kernel does the
// bins k = 1, 2, ... in whole vectors (each vector holding a run of bins k ascending and the
// mirrored run h - k, read reversed) while a whole vector fits below the middle bin, and returns
// the first k it left to the plain code, which finishes the pass from there. Each lane performs
// the plain code's operations on the same values, so the bits are those of the plain pass.
// Data and tables may start at any address; src may equal dst.
#pragma once

#include <cstdint>

namespace builtin::fftreal {

using PassBlocksFn = int64_t (*)(const uint8_t* src, uint8_t* dst, int64_t h,
                                 const uint8_t* twiddles);

// The kernels of the forward post-processing (src is dst) and the inverse pre-processing for the
// running processor.
PassBlocksFn VectorPost();
PassBlocksFn VectorPre();

// The plain passes over the bins k = kFrom .. h/2 - 1 (the middle bin not included).
void PlainPost(uint8_t* data, int64_t h, const uint8_t* twiddles, int64_t kFrom);
void PlainPre(const uint8_t* src, uint8_t* dst, int64_t h, const uint8_t* twiddles, int64_t kFrom);

}  // namespace builtin::fftreal
