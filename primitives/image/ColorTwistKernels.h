// The row routines of the colour twists, open to the tests so that the extended-precision
// reference, the double path and the vector blocks can be compared on the same rows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::twist {

// A twist matrix prepared for one call: the coefficients, and per output channel the largest
// distance |v - round(v)| of a double sum v whose rounding is certain to be that of the
// extended-precision sum (see RoundingLimit in ColorTwist.cpp).
struct Plan {
  float t[3][4];
  double limit[3];
};

Plan MakePlan(const float twist[3][4]);

// One row of n pixels `pixel` bytes apart (3 or 4; the source and destination may be the same
// row): every pixel in extended precision (the reference), or through the double path with
// the extended computation for doubtful pixels.
void ExactRow(const uint8_t* src, uint8_t* dst, ptrdiff_t n, int pixel, const Plan& plan);
void FastRow(const uint8_t* src, uint8_t* dst, ptrdiff_t n, int pixel, const Plan& plan);

// Vector blocks of three-byte pixels (ColorTwistHwy.cpp): converts whole blocks from the
// start of a row and stops before the first block with a doubtful pixel, which it leaves
// unwritten; returns the number of pixels done. The kernel for the running processor is looked
// up once per call.
using BlocksFn = size_t (*)(const uint8_t* src, uint8_t* dst, size_t pixels, const Plan& plan);
BlocksFn VectorBlocks();

// A row of three-byte pixels: vector blocks, and the double path for what they leave.
void VectorRow(const uint8_t* src, uint8_t* dst, ptrdiff_t n, const Plan& plan, BlocksFn blocks);

}  // namespace builtin::twist
