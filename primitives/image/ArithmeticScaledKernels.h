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
//
// The vector blocks first try two cheaper tests on steps of two vectors, for weights
// 2^-100 <= alpha < 1 (alpha = A / 2^p, A odd), with r = d + alpha D in one rounding where the
// instruction set fuses the two and in two elsewhere:
// - Exact sums. Where p <= 29 and 2^(p-22) <= d < 2^(53-p), d, x, D, alpha D and R = d + alpha D
//   are multiples of q 2^-p (q = min(1, ulp(d))) below 2^(max(e,7)+1) (e: d's exponent), at
//   most 53 bits: every operation is exact in double and in extended precision, and r is the
//   value itself. So is a byte x = 0 with any finite d (alpha d and (1 - alpha) d need 24 + p
//   bits). The plan holds that range; with p <= 12 the steps try it first (it takes nearly
//   every accumulator, and many sums are ties).
// - The window test, for 0 <= d < 2^51 (2^-100 <= d < 2^51 where p > 29). d >= 0 and
//   x >= 0, so |alpha D| <= c R with c = max(1, alpha / (1 - alpha)). D, t and r make three
//   roundings at most, so |r - R| <= ((2c + 1) 2^-53 + 3c 2^-106) R, the extended value's the
//   same with 2^-64, and the two differ by less than W ulp(r) for W = ceil(1.002 (2c + 1))
//   <= 2^20 (ulp(r) > 2^-53 r, r >= (1 - (2c + 2) 2^-53) R). Where x >= 1, R >= alpha >= 2^-100;
//   where x = 0 and d >= 2^-100, R >= 2^-124 (1 - alpha >= 2^-24); a byte 0 with a smaller d
//   (p <= 29) is exact, and d = x = 0 gives r = 0. R is below 2^51, so it is 0 or a normal
//   float, whose ties are the doubles whose 29 low bits are 2^28 (the ties of the binades next
//   to r lie 2^27 steps away). So where r's 29 low bits differ from 2^28 by more than W, no tie
//   lies between r and the extended value, and both round to the same float. Where they are
//   that near, the sum must pass the exact test above (r = fl(d + t) for the exact t, either
//   way); sums of a weight of few bits often sit on a tie, others come this near once in 2^25.
// A vector of a step that fails both goes through the near and exact tests above, with r in two
// roundings.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::weighted {

inline constexpr double kReach = 0x1p-49;       // reach = kReach * s
inline constexpr double kLargestSum = 0x1p126;  // the double path needs s below this
inline constexpr double kExactLow = 0x1p-20;    // D is exact for kExactLow <= |d| < kExactHigh
inline constexpr double kExactHigh = 0x1p51;
// The window test: the least weight it takes, the float bits of the accumulators it takes up
// to (2^51), the 29 low bits of a double between two floats (a tie), and their mask.
inline constexpr float kWindowLeastWeight = 0x1p-100f;
inline constexpr uint32_t kWindowFloatHigh = 0x59000000;  // 2^51
inline constexpr uint64_t kTieBits = uint64_t{1} << 28;
inline constexpr uint64_t kLowBits = (uint64_t{1} << 29) - 1;
// Exact sums: the most fraction bits of alpha that leave a range of accumulators.
inline constexpr int kExactFractionBits = 29;
// Steps try the exact range first for alpha with at most this many fraction bits.
inline constexpr int kExactStepsFractionBits = 12;

// The weight of one call.
struct Plan {
  float alpha;
  // The low fraction bits of D that must be zero for alpha * D to be exact (all ones where
  // alpha is not finite).
  uint64_t fitMask;
  // Try the exact test before the near one (alpha has few significant bits).
  bool exactFirst;
  // The window test's half width W in steps of r's last bit (0: neither cheaper test).
  uint64_t window;
  // The smallest power of two above 2 W: the lanes from 2^28 - W on that the test looks at.
  uint64_t windowSpan;
  // The float bits of the accumulators whose sums are exact, from exactLow up to exactHigh
  // (exactLow = exactHigh: none).
  uint32_t exactLow, exactHigh;
  // The float bits of the accumulators the window test takes, from testedLow up to 2^51 (0 or
  // those of 2^-100).
  uint32_t testedLow;
  // Steps try the exact range before the window test (alpha has few fraction bits, so that
  // the exact range takes nearly every accumulator and many sums are ties).
  bool exactSteps;
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
