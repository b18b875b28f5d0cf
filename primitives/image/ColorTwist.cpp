// Colour twists (see ColorTwist.h).
//
// The sums are defined in extended precision. Computing them in double is much faster and
// gives the same bytes except where a sum lies very close to a half-way point between two
// integers, because the output is the sum rounded half to even and clamped to 0..255 (255
// from v >= 255 and 0 from v <= 0 agree with that). So each row is first worked in double; a
// pixel whose double sum lies within the possible difference of the two computations from a
// half-way point (or is not finite) is computed again in extended precision.
#include "primitives/image/ColorTwist.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "primitives/image/ColorTwistKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/FloatToInt.h"

namespace builtin {

using rows::BadSize;
using rows::ForEachRow;

namespace twist {

namespace {

// The exponent of the lowest set bit of a non-zero finite float: t is a multiple of 2^result.
int LowestBitExponent(float t) {
  int e = 0;
  const double m = std::frexp(static_cast<double>(t), &e);  // t = m * 2^e, 0.5 <= |m| < 1
  const auto bits = static_cast<uint32_t>(std::fabs(std::ldexp(m, 24)));  // the 24-bit significand
  return e - 24 + std::countr_zero(bits);
}

// Output channel k's limit. Its four terms x * t[k][j] (x <= 255) are exact in double, and
// their sums, added in the same order in double and in extended precision, differ by at most
// 2^-51.4 * S, S = 255 (|t0| + |t1| + |t2|) + |t3| the largest sum of magnitudes; 2^-50 * S
// bounds that. When every coefficient is a multiple of 2^q and S <= 2^(52 + q), both sums are
// exact and equal, ties included: the limit is then above any distance. Non-finite
// coefficients give a limit below every distance: every pixel takes the reference.
double RoundingLimit(const float t[4]) {
  const double bound = 255.0 * (std::fabs(double{t[0]}) + std::fabs(double{t[1]}) +
                                std::fabs(double{t[2]})) +
                       std::fabs(double{t[3]});
  if (!std::isfinite(bound)) return -1.0;
  if (bound == 0) return 1.0;
  int q = INT_MAX;
  for (int j = 0; j < 4; ++j)
    if (t[j] != 0) q = std::min(q, LowestBitExponent(t[j]));
  if (bound <= std::ldexp(1.0, 52 + q)) return 1.0;
  return 0.5 - std::ldexp(bound, -50);
}

// 255 from v >= 255, 0 from v <= 0, otherwise v rounded half to even. A NaN fails both tests
// and takes the conversion helper's result (the integer indefinite, whose low byte is 0).
inline uint8_t TwistByte(long double v) {
  if (v >= 255.0L) return 255;
  if (v <= 0.0L) return 0;
  return static_cast<uint8_t>(fbRoundToInt32(v));
}

// The reference: reads the three bytes, then writes the three results.
inline void ExactPixel(const uint8_t* s, uint8_t* d, const Plan& plan) {
  const long double x0 = s[0], x1 = s[1], x2 = s[2];
  uint8_t out[3];
  for (int k = 0; k < 3; ++k) {
    const float* t = plan.t[k];
    out[k] = TwistByte(((x0 * t[0] + t[3]) + x1 * t[1]) + x2 * t[2]);
  }
  d[0] = out[0];
  d[1] = out[1];
  d[2] = out[2];
}

// The double path; false (nothing written) when a sum is too close to a half-way point.
inline bool FastPixel(const uint8_t* s, uint8_t* d, const Plan& plan) {
  const double x0 = s[0], x1 = s[1], x2 = s[2];
  uint8_t out[3];
  for (int k = 0; k < 3; ++k) {
    const float* t = plan.t[k];
    const double v = ((x0 * t[0] + t[3]) + x1 * t[1]) + x2 * t[2];
    const double r = std::nearbyint(v);  // half to even in the default rounding mode
    if (!(std::fabs(v - r) < plan.limit[k])) return false;
    out[k] = static_cast<uint8_t>(std::clamp(r, 0.0, 255.0));
  }
  d[0] = out[0];
  d[1] = out[1];
  d[2] = out[2];
  return true;
}

}  // namespace

Plan MakePlan(const float twist[3][4]) {
  Plan plan{};
  for (int k = 0; k < 3; ++k) {
    for (int j = 0; j < 4; ++j) plan.t[k][j] = twist[k][j];
    plan.limit[k] = RoundingLimit(plan.t[k]);
  }
  return plan;
}

void ExactRow(const uint8_t* src, uint8_t* dst, ptrdiff_t n, int pixel, const Plan& plan) {
  for (ptrdiff_t i = 0; i < n; ++i) ExactPixel(src + pixel * i, dst + pixel * i, plan);
}

void FastRow(const uint8_t* src, uint8_t* dst, ptrdiff_t n, int pixel, const Plan& plan) {
  for (ptrdiff_t i = 0; i < n; ++i) {
    const uint8_t* s = src + pixel * i;
    uint8_t* d = dst + pixel * i;
    if (!FastPixel(s, d, plan)) ExactPixel(s, d, plan);
  }
}

void VectorRow(const uint8_t* src, uint8_t* dst, ptrdiff_t n, const Plan& plan, BlocksFn blocks) {
  rows::WalkRowInBlocks(
      n,
      [&](ptrdiff_t i) {
        return static_cast<ptrdiff_t>(
            blocks(src + 3 * i, dst + 3 * i, static_cast<size_t>(n - i), plan));
      },
      [&](ptrdiff_t i, ptrdiff_t end) { FastRow(src + 3 * i, dst + 3 * i, end - i, 3, plan); });
}

}  // namespace twist

namespace {

template <int Pixel>
IppStatus Twist(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size,
                const Ipp32f twist[3][4]) {
  if (pSrc == nullptr || pDst == nullptr || twist == nullptr) return ippStsNullPtrErr;
  if (BadSize(size)) return ippStsSizeErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  const twist::Plan plan = twist::MakePlan(twist);
  if constexpr (Pixel == 3) {
    const twist::BlocksFn blocks = twist::VectorBlocks();
    ForEachRow(pSrc, srcStep, 3, pDst, dstStep, 3, size,
               [&plan, blocks](const uint8_t* s, uint8_t* d, int32_t n) {
                 twist::VectorRow(s, d, n, plan, blocks);
               });
  } else {
    // A vector store would rewrite the fourth bytes, which these forms never write.
    ForEachRow(pSrc, srcStep, 4, pDst, dstStep, 4, size,
               [&plan](const uint8_t* s, uint8_t* d, int32_t n) {
                 twist::FastRow(s, d, n, 4, plan);
               });
  }
  return ippStsNoErr;
}

}  // namespace

// The forms: layout, pixel bytes. Each layout has a form into another image and one in place.
#define PF_COLOR_TWIST_FORMS(X) \
  X(C3, 3)                      \
  X(AC4, 4)
#define PF_COLOR_TWIST_DEFINE(layout, pixel)                                                       \
  IppStatus ippiColorTwist32f_8u_##layout##IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,    \
                                              const Ipp32f twist[3][4]) {                          \
    return Twist<pixel>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, twist);                 \
  }                                                                                                \
  IppStatus ippiColorTwist32f_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,          \
                                             int dstStep, IppiSize roiSize,                        \
                                             const Ipp32f twist[3][4]) {                           \
    return Twist<pixel>(pSrc, srcStep, pDst, dstStep, roiSize, twist);                             \
  }
PF_COLOR_TWIST_FORMS(PF_COLOR_TWIST_DEFINE)
#undef PF_COLOR_TWIST_DEFINE
#undef PF_COLOR_TWIST_FORMS

}  // namespace builtin
