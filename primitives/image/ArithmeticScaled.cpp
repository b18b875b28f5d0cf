// Scaled products, squares, absolute differences, maximum and weighted sums of 8-bit images
// (see ArithmeticScaled.h).
//
// The products and differences are byte operations on a region of byte rows
// (BytewiseEngine.h): with a second image, or with the constants repeated along the row.
// The squares map every byte through a table of the 256 results of the scale-factor rule, made
// once per call. The weighted sums are computed in double and redone in extended precision
// where the double value cannot vouch for the float (ArithmeticScaledKernels.h).
#include "primitives/image/ArithmeticScaled.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "primitives/image/ArithmeticScaledKernels.h"
#include "primitives/image/Copy.h"
#include "primitives/support/BytewiseEngine.h"
#include "primitives/support/GuardedFloat.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/ScaleFactor.h"
#include "primitives/support/Support.h"

namespace builtin {

// ---- Weighted sums -----------------------------------------------------------------------------

namespace weighted {
namespace {

// The definition: in extended precision, rounded once to float.
inline float ExactPixel(uint8_t x, float d, float alpha) {
  const long double v = d;
  const long double a = alpha;
  return static_cast<float>(v + a * (static_cast<long double>(x) - v));
}

}  // namespace

Plan MakePlan(float alpha) {
  Plan plan{alpha, ~uint64_t{0}, false, 0, 0, 0, 0, 0, false};
  if (alpha == 0) {
    plan.fitMask = 0;
  } else if (std::isfinite(alpha)) {
    // alpha as a double is normal: its significant bits are those of the 53-bit significand.
    const uint64_t significand =
        (std::bit_cast<uint64_t>(static_cast<double>(alpha)) & ((uint64_t{1} << 52) - 1)) |
        (uint64_t{1} << 52);
    const int bits = 53 - std::countr_zero(significand);
    // A power of two only moves D's exponent (no product of these magnitudes leaves the
    // double range); otherwise D keeps its low `bits` fraction bits zero.
    plan.fitMask = bits == 1 ? 0 : (uint64_t{1} << bits) - 1;
    plan.exactFirst = bits <= 12;
  }
  if (alpha >= kWindowLeastWeight && alpha < 1.0f) {
    const double a = alpha;
    const double c = a <= 0.5 ? 1.0 : a / (1.0 - a);  // 1 - a is exact
    const double window = std::ceil(1.002 * (2 * c + 1));
    if (window <= 0x1p20) {
      plan.window = static_cast<uint64_t>(window);
      plan.windowSpan = std::bit_ceil(2 * plan.window + 1);
    }
    // alpha = A / 2^p with A odd.
    const uint64_t bits = std::bit_cast<uint64_t>(a);
    const int p = 1075 - static_cast<int>(bits >> 52) - std::countr_zero(bits | (uint64_t{1} << 52));
    plan.testedLow = std::bit_cast<uint32_t>(kWindowLeastWeight);
    if (p <= kExactFractionBits) {
      plan.testedLow = 0;
      plan.exactLow = std::bit_cast<uint32_t>(std::ldexp(1.0f, p - 22));
      plan.exactHigh = std::bit_cast<uint32_t>(std::ldexp(1.0f, 53 - p));
      plan.exactSteps = p <= kExactStepsFractionBits;
    }
  }
  return plan;
}

void ExactRow(const uint8_t* src, uint8_t* acc, ptrdiff_t n, const Plan& plan) {
  for (ptrdiff_t i = 0; i < n; ++i)
    rows::Store<float>(acc, i, ExactPixel(src[i], rows::Load<float>(acc, i), plan.alpha));
}

void FastRow(const uint8_t* src, uint8_t* acc, ptrdiff_t n, const Plan& plan) {
  const double a = plan.alpha;
  for (ptrdiff_t i = 0; i < n; ++i) {
    const float d = rows::Load<float>(acc, i);
    const double v = d;
    const double x = src[i];
    const double dx = x - v;
    const double t = a * dx;
    const double r = v + t;
    const double s = std::fabs(v) + std::fabs(t);
    float out = 0;
    bool certain = s < kLargestSum && guard::CertainFloat(r, kReach * s, out);
    if (!certain && std::fabs(r) < kLargestSum) {
      const bool dxExact = std::fabs(x) >= std::fabs(v) ? dx - x == -v : dx + v == x;
      certain = dxExact && (std::bit_cast<uint64_t>(dx) & plan.fitMask) == 0 && r - v == t && r - t == v;
      out = static_cast<float>(r);
    }
    if (!certain) out = ExactPixel(src[i], d, plan.alpha);
    rows::Store<float>(acc, i, out);
  }
}

void VectorRow(const uint8_t* src, uint8_t* acc, ptrdiff_t n, const Plan& plan, BlocksFn blocks) {
  rows::WalkRowInBlocks(
      n,
      [&](ptrdiff_t i) {
        return static_cast<ptrdiff_t>(blocks(src + i, acc + 4 * i, static_cast<size_t>(n - i), plan));
      },
      [&](ptrdiff_t i, ptrdiff_t end) { FastRow(src + i, acc + 4 * i, end - i, plan); });
}

}  // namespace weighted

namespace {

using arith::TRows8u;
using bytewise::ByteSize;
using bytewise::CheckPointersStepsSize;
using bytewise::TByteOp;

// ---- Products scaled by 255 --------------------------------------------------------------------

// pSrcDst <- pSrcDst * pSrc / 255 over bytes.width bytes a row.
IppStatus MulScaleBytes(const Ipp8u* src, int srcStep, Ipp8u* srcDst, int srcDstStep,
                        IppiSize bytes) {
  if (IppStatus s = CheckPointersStepsSize({src, srcDst}, {srcStep, srcDstStep}, bytes); s != 0)
    return s;
  bytewise::ByteOpRows(TByteOp::MulScale,
                       bytewise::WithImage(srcDst, srcDstStep, src, srcStep, srcDst, srcDstStep,
                                           bytes.width, bytes.height));
  return ippStsNoErr;
}

// The same over width * Channels bytes, after a size check of its own.
template <int32_t Channels>
IppStatus MulScaleChannels(const Ipp8u* src, int srcStep, Ipp8u* srcDst, int srcDstStep,
                           IppiSize size) {
  IppiSize bytes;
  if (IppStatus s = bytewise::CheckChannelRows({src, srcDst}, {srcStep, srcDstStep}, size,
                                               Channels, bytes);
      s != ippStsNoErr)
    return s;
  return MulScaleBytes(src, srcStep, srcDst, srcDstStep, bytes);
}

// dst <- src * c / 255 over bytes.width bytes a row.
IppStatus MulCScaleBytes(const Ipp8u* src, int srcStep, Ipp8u c, Ipp8u* dst, int dstStep,
                         IppiSize bytes) {
  if (IppStatus s = CheckPointersStepsSize({src, dst}, {srcStep, dstStep}, bytes); s != 0) return s;
  uint8_t pattern[arith::kPatternBytes];
  arith::FillPattern(pattern, &c, 1);
  bytewise::ByteOpRows(TByteOp::MulScale, bytewise::WithPattern(src, srcStep, pattern, dst, dstStep,
                                                                bytes.width, bytes.height));
  return ippStsNoErr;
}

// dst <- src * value[k] / 255 for byte k of every pixel of Channels bytes; equal constants run
// the one-channel routine over the whole row.
template <int32_t Channels>
IppStatus MulCScaleChannels(const Ipp8u* src, int srcStep, const Ipp8u* value, Ipp8u* dst,
                            int dstStep, IppiSize size) {
  if (IppStatus s = CheckPointersStepsSize({src, value, dst}, {srcStep, dstStep}, size); s != 0)
    return s;
  IppiSize bytes;
  if (!ByteSize(size, Channels, bytes)) return ippStsSizeErr;
  bool equal = true;
  for (int32_t k = 1; k < Channels; ++k) equal = equal && value[k] == value[0];
  if (equal) return MulCScaleBytes(src, srcStep, value[0], dst, dstStep, bytes);
  uint8_t pattern[arith::kPatternBytes];
  arith::FillPattern(pattern, value, Channels);
  bytewise::ByteOpRows(TByteOp::MulScale, bytewise::WithPattern(src, srcStep, pattern, dst, dstStep,
                                                                bytes.width, bytes.height));
  return ippStsNoErr;
}

// ---- Squares -----------------------------------------------------------------------------------

// The square of every byte by the scale-factor rule. (The rule's results for squares are also
// those of a table of shifts: truncation for sf 1..3 and a bias one below the half for odd sf
// agree with ties to even, since a square never lies on the other side of a tie.)
void SquareTable(int sf, uint8_t (&table)[256]) {
  sfs::WithScaleRule<uint8_t, int32_t>(sf, [&](auto rule) {
    for (int32_t x = 0; x < 256; ++x) table[x] = rule(x * x);
  });
}

template <int32_t Channels>
IppStatus Square(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize size, int sf) {
  if (IppStatus s = rows::CheckImages(src, dst, size); s != ippStsNoErr) return s;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  IppiSize bytes;
  if (!ByteSize(size, Channels == 3 ? 3 : 4, bytes)) return ippStsSizeErr;
  uint8_t table[256];
  SquareTable(sf, table);
  const auto squares = [&table](const uint8_t* s, uint8_t* d, int64_t n) {
    for (int64_t i = 0; i < n; ++i) d[i] = table[s[i]];
  };
  if constexpr (Channels == 3) {
    rows::ForEachRow(src, srcStep, 1, dst, dstStep, 1, bytes,
                     [&](const uint8_t* s, uint8_t* d, int32_t n) { squares(s, d, n); });
    return ippStsNoErr;
  } else {
    // All four bytes of each pixel into a work row, the colour bytes from there into the row.
    auto* work = static_cast<uint8_t*>(fbAlignedAlloc8(bytes.width));
    if (work == nullptr) return ippStsMemAllocErr;
    for (int32_t y = 0; y < size.height; ++y) {
      squares(rows::Row(src, srcStep, y), work, bytes.width);
      ippiCopy_8u_AC4R(work, bytes.width, rows::Row(dst, dstStep, y), bytes.width,
                       IppiSize{size.width, 1});
    }
    fbAlignedFree(work);
    return ippStsNoErr;
  }
}

// ---- Absolute differences ----------------------------------------------------------------------

// Pointers, size, then every step at least the width.
IppStatus CheckDifference(const void* a, int aStep, const void* b, int bStep, const void* dst,
                          int dstStep, IppiSize size) {
  if (a == nullptr || b == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (rows::BadSize(size)) return ippStsSizeErr;
  if (aStep < size.width || bStep < size.width || dstStep < size.width) return ippStsStepErr;
  return ippStsNoErr;
}

}  // namespace

// ---- The primitives ----------------------------------------------------------------------------

// The products scaled by 255: layout, engine.
#define PF_ARITHMETIC_SCALED_MUL_SCALE_FORMS(X) \
  X(C1, MulScaleBytes) X(C3, MulScaleChannels<3>) X(C4, MulScaleChannels<4>)
#define PF_ARITHMETIC_SCALED_DEFINE_MUL_SCALE(Layout, Engine)                            \
  IppStatus ippiMulScale_8u_##Layout##IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, \
                                         int srcDstStep, IppiSize roiSize) {             \
    return Engine(pSrc, srcStep, pSrcDst, srcDstStep, roiSize);                          \
  }
PF_ARITHMETIC_SCALED_MUL_SCALE_FORMS(PF_ARITHMETIC_SCALED_DEFINE_MUL_SCALE)
#undef PF_ARITHMETIC_SCALED_DEFINE_MUL_SCALE
#undef PF_ARITHMETIC_SCALED_MUL_SCALE_FORMS

IppStatus ippiMulScale_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                                IppiSize roiSize) {
  if (IppStatus s = CheckPointersStepsSize({pSrc, pSrcDst}, {srcStep, srcDstStep}, roiSize); s != 0)
    return s;
  IppiSize bytes;
  if (!ByteSize(roiSize, 4, bytes)) return ippStsSizeErr;
  bytewise::ByteOpRowsAlpha4(TByteOp::MulScale,
                             bytewise::WithImage(pSrcDst, srcDstStep, pSrc, srcStep, pSrcDst,
                                                 srcDstStep, bytes.width, bytes.height));
  return ippStsNoErr;
}

// The products with constants scaled by 255: layout, the constant parameter, engine.
#define PF_ARITHMETIC_SCALED_MUL_C_SCALE_FORMS(X)   \
  X(C1, Ipp8u value, MulCScaleBytes)                \
  X(C3, const Ipp8u value[3], MulCScaleChannels<3>) \
  X(C4, const Ipp8u value[4], MulCScaleChannels<4>)
#define PF_ARITHMETIC_SCALED_DEFINE_MUL_C_SCALE(Layout, valueParameter, Engine)           \
  IppStatus ippiMulCScale_8u_##Layout##R(const Ipp8u* pSrc, int srcStep, valueParameter,  \
                                         Ipp8u* pDst, int dstStep, IppiSize roiSize) {    \
    return Engine(pSrc, srcStep, value, pDst, dstStep, roiSize);                          \
  }                                                                                       \
  IppStatus ippiMulCScale_8u_##Layout##IR(valueParameter, Ipp8u* pSrcDst, int srcDstStep, \
                                          IppiSize roiSize) {                             \
    return Engine(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize);              \
  }
PF_ARITHMETIC_SCALED_MUL_C_SCALE_FORMS(PF_ARITHMETIC_SCALED_DEFINE_MUL_C_SCALE)
#undef PF_ARITHMETIC_SCALED_DEFINE_MUL_C_SCALE
#undef PF_ARITHMETIC_SCALED_MUL_C_SCALE_FORMS

IppStatus ippiMulCScale_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep,
                                 IppiSize roiSize) {
  if (IppStatus s = CheckPointersStepsSize({value, pSrcDst}, {srcDstStep}, roiSize); s != 0)
    return s;
  IppiSize bytes;
  if (!ByteSize(roiSize, 4, bytes)) return ippStsSizeErr;
  const uint8_t pixel[4] = {value[0], value[1], value[2], 0};
  uint8_t pattern[arith::kPatternBytes];
  arith::FillPattern(pattern, pixel, 4);
  bytewise::ByteOpRowsAlpha4(
      TByteOp::MulScale, bytewise::WithPattern(pSrcDst, srcDstStep, pattern, pSrcDst, srcDstStep,
                                               bytes.width, bytes.height));
  return ippStsNoErr;
}

// The squares: layout, pixel bytes.
#define PF_ARITHMETIC_SCALED_SQUARE_FORMS(X) X(C3, 3) X(AC4, 4)
#define PF_ARITHMETIC_SCALED_DEFINE_SQUARE(Layout, N)                                           \
  IppStatus ippiSqr_8u_##Layout##IRSfs(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,        \
                                       int scaleFactor) {                                       \
    return Square<N>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, scaleFactor);           \
  }                                                                                             \
  IppStatus ippiSqr_8u_##Layout##RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, \
                                      IppiSize roiSize, int scaleFactor) {                      \
    return Square<N>(pSrc, srcStep, pDst, dstStep, roiSize, scaleFactor);                       \
  }
PF_ARITHMETIC_SCALED_SQUARE_FORMS(PF_ARITHMETIC_SCALED_DEFINE_SQUARE)
#undef PF_ARITHMETIC_SCALED_DEFINE_SQUARE
#undef PF_ARITHMETIC_SCALED_SQUARE_FORMS

IppStatus ippiAbsDiff_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                             Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (IppStatus s = CheckDifference(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize);
      s != ippStsNoErr)
    return s;
  bytewise::ByteOpRows(TByteOp::AbsDiff,
                       bytewise::WithImage(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep,
                                           roiSize.width, roiSize.height));
  return ippStsNoErr;
}

IppStatus ippiAbsDiffC_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize, int value) {
  if (IppStatus s = CheckDifference(pSrc, srcStep, pSrc, srcStep, pDst, dstStep, roiSize);
      s != ippStsNoErr)
    return s;
  const uint8_t c = static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
  uint8_t pattern[arith::kPatternBytes];
  arith::FillPattern(pattern, &c, 1);
  bytewise::ByteOpRows(
      TByteOp::AbsDiff,
      bytewise::WithPattern(pSrc, srcStep, pattern, pDst, dstStep, roiSize.width, roiSize.height));
  return ippStsNoErr;
}

IppStatus ippiMax_8u_C1R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp8u* pMax) {
  if (pSrc == nullptr || pMax == nullptr) return ippStsNullPtrErr;
  if (rows::BadSize(roiSize)) return ippStsSizeErr;
  if (srcStep < 1) return ippStsStepErr;
  // Row by row, never merged: no row after one that reaches 255 is read.
  uint8_t max = pSrc[0];
  for (int32_t y = 0; y < roiSize.height && max != 255; ++y) {
    const uint8_t* row = rows::Row(pSrc, srcStep, y);
    for (int32_t i = 0; i < roiSize.width; ++i) max = row[i] > max ? row[i] : max;
  }
  *pMax = max;
  return ippStsNoErr;
}

IppStatus ippiAddWeighted_8u32f_C1IR(const Ipp8u* pSrc, int srcStep, Ipp32f* pSrcDst,
                                     int srcDstStep, IppiSize roiSize, Ipp32f alpha) {
  if (IppStatus s = rows::CheckImages(pSrc, pSrcDst, roiSize); s != ippStsNoErr) return s;
  if (srcStep < roiSize.width || srcDstStep < 4 * static_cast<int64_t>(roiSize.width))
    return ippStsStepErr;
  if (srcDstStep % 4 != 0) return ippStsNotEvenStepErr;
  const weighted::Plan plan = weighted::MakePlan(alpha);
  const weighted::BlocksFn blocks = weighted::VectorBlocks();
  rows::ForEachRow(pSrc, srcStep, 1, pSrcDst, srcDstStep, 4, roiSize,
                   [&plan, blocks](const uint8_t* s, uint8_t* d, int32_t n) {
                     weighted::VectorRow(s, d, n, plan, blocks);
                   });
  return ippStsNoErr;
}

}  // namespace builtin
