// Row routines of the colour conversions, open to the tests: the vector blocks of the integer
// conversions, to be compared with the plain pixel formulas, and the extended-precision
// reference of the floating ones, which the conversions otherwise use only for the pixels
// whose double computation is too close to call.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::colorspaces {

enum class IntegerConversion { Yuv, YCbCr, Ycc, Xyz };

// Converts the whole vector blocks at the start of a row of three-byte pixels and returns the
// number of pixels done; the caller converts the rest one by one. The kernel for the running
// processor is looked up once per call.
using BlocksFn = size_t (*)(const uint8_t* src, uint8_t* dst, size_t pixels);
BlocksFn VectorBlocks(IntegerConversion conversion);

enum class FloatConversion { Hls, Hsv, Luv, Lab };

// n pixels `pixel` bytes apart (3 or 4) through the extended-precision formulas alone.
void ExactRow(FloatConversion conversion, const uint8_t* src, uint8_t* dst, ptrdiff_t n,
              int pixel);

}  // namespace builtin::colorspaces
