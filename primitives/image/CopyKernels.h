// The row routines of the copies and fills between channel layouts that the pixel stores use
// most, open to the tests so that the plain path and the vector path can be compared byte for
// byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::copyrows {

// Vector blocks (CopyHwy.cpp): whole blocks from the start of a row; they return the
// number of pixels done. The kernel for the running processor is looked up once per call.
using ColourBlocksFn = size_t (*)(const uint8_t* src, uint8_t* dst, size_t pixels);
using ChannelBlocksFn = size_t (*)(uint8_t* dst, size_t pixels, uint8_t value);
ColourBlocksFn VectorC3ToAC4();
ColourBlocksFn VectorAC4ToC3();
ChannelBlocksFn VectorSetC4Channel();

// One row of n pixels: the first three bytes of each pixel copied between three- and
// four-byte pixels (the fourth destination byte kept). Vector blocks first (with blocks given
// and rows that do not overlap), then pixel by pixel. A null blocks is the plain reference.
void RowC3ToAC4(const uint8_t* src, uint8_t* dst, ptrdiff_t n, ColourBlocksFn blocks);
void RowAC4ToC3(const uint8_t* src, uint8_t* dst, ptrdiff_t n, ColourBlocksFn blocks);

// One byte of each of n four-byte pixels set to value; dst addresses that byte of the first
// pixel, and no byte beyond that of the last pixel is touched.
void RowSetC4Channel(uint8_t* dst, ptrdiff_t n, uint8_t value, ChannelBlocksFn blocks);

}  // namespace builtin::copyrows
