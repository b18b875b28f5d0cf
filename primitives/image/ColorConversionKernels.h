// The row routines of the packed 4:2:2 to RGB conversion and of the three-channel swap, open to
// the tests so that the plain path and the vector path can be compared byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::colorrows {

// Vector blocks (ColorConversionHwy.cpp): whole blocks from the start of a row; they return
// the number of pixels done. The kernel for the running processor is looked up once per call.
// The 4:2:2 blocks convert whole pairs only (pixels is even and so is what they return).
using Yuv422BlocksFn = size_t (*)(const uint8_t* src, uint8_t* dst, size_t pixels);
using SwapBlocksFn = size_t (*)(const uint8_t* src, uint8_t* dst, size_t pixels, const int order[3]);
Yuv422BlocksFn VectorYUV422ToRGB();
SwapBlocksFn VectorSwapC3();

// One row of w packed 4:2:2 pixels to RGB (see ippiYUV422ToRGB_8u_C2C3R). A null blocks is
// the plain reference.
void RowYUV422ToRGB(const uint8_t* src, uint8_t* dst, ptrdiff_t w, Yuv422BlocksFn blocks);

// One row of n three-byte pixels: dst channel k <- src channel order[k]. With src == dst all
// three bytes of a pixel are read before any is written (the in-place form); other rows that
// overlap are worked byte by byte in order, without the vector blocks.
void RowSwapC3(const uint8_t* src, uint8_t* dst, ptrdiff_t n, const int order[3], SwapBlocksFn blocks);

}  // namespace builtin::colorrows
