// Row routines of the colour conversions, open to the tests: the vector blocks, to be compared
// with the plain pixel routines, and the extended-precision reference of the floating
// conversions, which they otherwise use only for the pixels whose double computation is too
// close to call.
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

// Vector blocks of a floating conversion on three-byte pixels: the double computation with the
// same checks as the plain double pass. They stop before the first block with a doubtful
// pixel, which they leave unwritten, and return the number of pixels done.
BlocksFn VectorBlocks(FloatConversion conversion);

// The lightness table of the LUV conversion as doubles, for vector gathers.
const double* LuvLightnessAsDouble();

// The decisions of the double computations are certain when their values lie at least this
// far from a rounding or branch boundary.
inline constexpr double kDecisionMargin = 1e-9;

}  // namespace builtin::colorspaces
