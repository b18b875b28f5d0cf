// The row routines of the weighted sum into a float image (ippiAddWeighted_8u32f_C1IR), open to
// the tests so that the extended-precision reference, the double path and the vector blocks
// can be compared on the same rows.
//
// Each float d of the row becomes d + alpha * (x - d) for the byte x beside it, defined in
// extended precision and rounded once to float. The double path computes D = x - d,
// t = alpha * D and r = d + t in double, and keeps r's float where one of two tests vouches
// for it:
// - Near: both computations make three roundings over magnitudes of at most
//   S = |d| + |alpha (x - d)|, so r lies within 3.01 * 2^-53 * S of the exact value and the
//   extended one within 3.01 * 2^-64 * S; with |t| >= |alpha (x - d)| (1 - 2^-52), both are
//   within 2^-51 * s of each other for s = |d| + |t| computed in double. A reach of 2^-49 * s
//   covers that and the rounding of r +- reach (primitives/support/GuardedFloat.h).
// - Exact: all three double operations were exact, so r is the exact value, which extended
//   precision (wider) computes exactly too. D is exact where d or x is 0 or
//   2^-20 <= |d| < 2^51 (the bits of a byte and of such a float span at most 53; the plain
//   path checks D as it checks r); r is exact where the larger operand taken back from it
//   leaves the other (that step is itself exact, so a rounded sum fails one of the two
//   comparisons); t is exact where D's significand has at most 53 - m bits, m the significant
//   bits of alpha (the fraction's low m bits are zero), and always where alpha is a power of
//   two. This catches the values that sit on a tie of two floats, which a weight of few bits
//   makes common (a quarter of all sums with alpha = 0.25).
// The double path is taken only where s < 2^126 (or |r| < 2^126 for the exact test): every value
// is finite there, and below the largest float, where every instruction set's conversion
// rounds alike.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::weighted {

inline constexpr double kReach = 0x1p-49;       // reach = kReach * s
inline constexpr double kLargestSum = 0x1p126;  // the double path needs s below this
inline constexpr double kExactLow = 0x1p-20;    // D is exact for kExactLow <= |d| < kExactHigh
inline constexpr double kExactHigh = 0x1p51;

// The weight of one call.
struct Plan {
  float alpha;
  // The low fraction bits of D that must be zero for alpha * D to be exact (all ones where
  // alpha is not finite).
  uint64_t fitMask;
  // Try the exact test before the near one (alpha has few significant bits).
  bool exactFirst;
};

Plan MakePlan(float alpha);

// One row of n pixels: bytes src, floats acc (any alignment) replaced by the weighted sums.
// Every pixel in extended precision (the reference), or through the double path with the
// extended computation for doubtful pixels.
void ExactRow(const uint8_t* src, uint8_t* acc, ptrdiff_t n, const Plan& plan);
void FastRow(const uint8_t* src, uint8_t* acc, ptrdiff_t n, const Plan& plan);

// Vector blocks (ArithmeticScaledHwy.cpp): computes whole blocks from the start of the
// row and stops before the first block with a doubtful pixel, which it leaves unwritten;
// returns the number of pixels done. The kernel for the running processor is looked up once
// per call.
using BlocksFn = size_t (*)(const uint8_t* src, uint8_t* acc, size_t pixels, const Plan& plan);
BlocksFn VectorBlocks();

// A row: vector blocks, and the double path for what they leave.
void VectorRow(const uint8_t* src, uint8_t* acc, ptrdiff_t n, const Plan& plan, BlocksFn blocks);

}  // namespace builtin::weighted
