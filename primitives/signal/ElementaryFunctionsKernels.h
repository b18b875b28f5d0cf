// The block interfaces between the elementary functions (ElementaryFunctions.cpp) and their
// vector kernels (ElementaryFunctionsHwy.cpp), open to the tests: the exponential's four-lane
// kernel, shared by the plain scan and its vector blocks, and the guarded square root and
// magnitude. The vector paths give the plain paths' values bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin::elementary {

// Vector blocks (ElementaryFunctionsHwy.cpp): from element `end` towards the start of the
// float64 vectors s and d (any byte alignment), whole groups of four inputs while every input
// of a vector is within the kernel's limits; each group is the four elements the backward scan
// would gather, computed as the plain kernel does. Writes d[end - n, end) and returns n, a
// multiple of 4. The kernel for the running processor is looked up once per call; null means
// the plain scan does everything.
using ExpBlocksFn = size_t (*)(const uint8_t* s, uint8_t* d, size_t end);
ExpBlocksFn VectorExpBlocks();

// The exponential of len >= 1 elements (LibCExp below four), through the blocks where they
// apply; null blocks: the plain scan alone.
void Exp(const uint8_t* s, uint8_t* d, int64_t len, ExpBlocksFn blocks);

// The extended-precision magnitude of one complex element: the squares and their sum with a
// 64-bit significand, rounded to float64, then the root (LibCSqrt).
double Magnitude(double re, double im);

// Square root blocks (ElementaryFunctionsHwy.cpp): from the start of the float64 vectors s and
// d (any byte alignment; s may be d), whole vectors while every input is >= 0 (-0 included);
// they stop before the first vector with a negative input or a NaN, which the plain loop
// handles with its status. Each result is LibCSqrt(x) bit for bit: a lane the vector root
// cannot vouch for is computed by LibCSqrt itself. Returns how many values they did.
using SqrtBlocksFn = size_t (*)(const uint8_t* s, uint8_t* d, size_t n);
SqrtBlocksFn VectorSqrtBlocks();

// Blocks of a complex form with a real result: whole vectors of complex elements from the start
// of s (interleaved float64 pairs) into d, one float64 each, and how many elements they did.
// The magnitude's give Magnitude(re, im) bit for bit, the lanes the vector cannot vouch for
// computed by Magnitude itself.
using ToRealBlocksFn = size_t (*)(const uint8_t* s, uint8_t* d, size_t n);
ToRealBlocksFn VectorMagnitudeBlocks();

// The square roots (in place: sd, NaN passed to LibCSqrt, zeros kept) and the magnitudes of
// len >= 1 elements through the blocks where given; null blocks: the plain loops alone.
IppStatus SqrtTo(const uint8_t* s, uint8_t* d, int64_t len, SqrtBlocksFn blocks);
IppStatus SqrtInPlace(uint8_t* sd, int64_t len, SqrtBlocksFn blocks);
void MagnitudeTo(const uint8_t* s, uint8_t* d, int64_t len, ToRealBlocksFn blocks);

}  // namespace builtin::elementary
