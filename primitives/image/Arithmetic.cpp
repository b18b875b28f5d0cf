// Arithmetic of two images with a scale factor (see Arithmetic.h).
//
// Every 8-bit form is one of two templates, an arithmetic one and a division one, instantiated
// for its operation and layout from the lists below; the pixels go through the row engines of
// ByteArithmeticEngine.h, which test the factor once per call. Three- and four-channel
// images are worked as rows of width * channels bytes; alpha-four images as four-byte pixels of
// which three bytes are computed. The 16-bit forms run one row loop per branch of the rule.
#include "primitives/image/Arithmetic.h"

#include "primitives/support/ByteArithmeticEngine.h"
#include "primitives/image/Copy.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/FloatToInt.h"
#include "primitives/support/ScaleFactor.h"
#include "primitives/support/Support.h"

namespace builtin {

using arith::TArith8u;
using arith::TRows8u;

namespace {

enum class TOp { Add, Sub, Mul, Div };
enum class TLayout { C1, C3, C4, AC4 };

constexpr int32_t Channels(TLayout layout) {
  return layout == TLayout::C1 ? 1 : (layout == TLayout::C3 ? 3 : 4);
}

constexpr TArith8u Arith(TOp op) {
  return op == TOp::Add ? TArith8u::Add : (op == TOp::Sub ? TArith8u::Sub : TArith8u::Mul);
}

constexpr Ipp8u kNoColour[3] = {0, 0, 0};

// pDst = pSrc2 op pSrc1 for Add, Sub and Mul; the in-place forms pass pSrcDst as pSrc2 and pDst.
template <TOp Op, TLayout Layout>
IppStatus Arithmetic8u(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                       Ipp8u* pDst, int dstStep, IppiSize size, int sf) {
  constexpr TLayout L = Layout;
  // Three and four channels are the one-channel form over width * channels bytes, after a
  // test of the width of their own.
  if constexpr (L == TLayout::C3 || L == TLayout::C4)
    if (size.width < 1) return ippStsSizeErr;
  if (pSrc1 == nullptr || pSrc2 == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (rows::BadSize(size)) return ippStsSizeErr;
  // The row of width * channels bytes: for C3 and C4 the size of the one-channel form they
  // run; for AC4 a limit of the row engine's 32-bit count, which the zero fill's Set does not
  // have: its step check (-14) decides first there.
  IppiSize bytes;
  const bool rowFits = arith::RowBytes(size, Channels(L), bytes);
  if (L != TLayout::AC4 && !rowFits) return ippStsSizeErr;
  if (sf > arith::ZeroAbove(Arith(Op))) {
    if constexpr (L == TLayout::AC4) {
      if (!rowFits) return dstStep < 1 ? ippStsStepErr : ippStsSizeErr;
      return ippiSet_8u_AC4R(kNoColour, pDst, dstStep, size);
    }
    return ippiSet_8u_C1R(0, pDst, dstStep, bytes);
  }
  if (!rowFits) return ippStsSizeErr;
  const TRows8u r{pSrc2, src2Step, pSrc1, src1Step, pDst, dstStep, bytes.width, bytes.height};
  if constexpr (L == TLayout::AC4)
    arith::Arith8uAlpha4(Arith(Op), sf, r);
  else
    arith::Arith8u(Arith(Op), sf, r);
  return ippStsNoErr;
}

// pDst = pSrc2 * 2^(-sf) / pSrc1.
template <TLayout L>
IppStatus Divide8u(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                   int dstStep, IppiSize size, int sf) {
  if (pSrc1 == nullptr || pSrc2 == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (rows::BadSize(size)) return ippStsSizeErr;
  if (src1Step < 1 || src2Step < 1 || dstStep < 1) return ippStsStepErr;
  // A row of width * channels bytes beyond the row routine's 32-bit count, after the checks.
  IppiSize bytes;
  if (!arith::RowBytes(size, Channels(L), bytes)) return ippStsSizeErr;
  if constexpr (L != TLayout::AC4) {
    return fbDivRegion8u(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, bytes, sf);
  } else {
    auto* work = static_cast<uint8_t*>(fbAlignedAlloc8(bytes.width));
    if (work == nullptr) return ippStsMemAllocErr;
    const TRows8u r{pSrc2, src2Step, pSrc1, src1Step, pDst, dstStep, bytes.width, bytes.height};
    const bool zeroDivisor = arith::Div8uAlpha4(sf, r, work);
    fbAlignedFree(work);
    return zeroDivisor ? ippStsDivByZero : ippStsNoErr;
  }
}

template <TOp Op, TLayout L>
IppStatus Image8u(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                  int dstStep, IppiSize size, int sf) {
  if constexpr (Op == TOp::Div)
    return Divide8u<L>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, size, sf);
  else
    return Arithmetic8u<Op, L>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, size, sf);
}

// ---- 16-bit elements
// -----------------------------------------------------------------------------

// The quotient of one element pair: x = dividend * 2^(-sf) / divisor with a 64-bit significand,
// saturated (when sf <= 0, where it can leave the range) and rounded half to even through the
// truncation of x + 32768.5. A zero dividend gives 0 also where the factor is infinite.
inline Ipp16s Divide16s(int32_t dividend, int32_t divisor, int sf, long double factor,
                        bool& zeroDivisor) {
  if (divisor == 0) {
    zeroDivisor = true;
    return dividend > 0 ? 32767 : (dividend < 0 ? -32768 : 0);
  }
  if (dividend == 0) return 0;
  const long double q = static_cast<long double>(dividend) * factor / divisor;
  if (sf <= 0) {
    if (q < -32768.0L) return -32768;
    if (q > 32767.0L) return 32767;
  }
  const long double up = q + 32768.5L;
  int32_t t = fbTruncToInt32(up);
  if ((t & 1) != 0 && up == static_cast<long double>(t)) --t;
  return static_cast<Ipp16s>(t - 32768);
}

template <TOp Op>
IppStatus Image16s(const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep, IppiSize size,
                   int sf) {
  if (IppStatus s = rows::CheckImages(pSrc, pSrcDst, size); s != ippStsNoErr) return s;
  if constexpr (Op == TOp::Div) {
    if (srcStep < 1 || srcDstStep < 1) return ippStsStepErr;
    return fbDivRegion16s(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, size, sf);
  } else {
    // Sums and differences reach 2^16, products 2^30.
    if (sf > (Op == TOp::Mul ? 30 : 16)) return ippiSet_16s_C1R(0, pSrcDst, srcDstStep, size);
    const auto exact = [](int32_t a, int32_t b) {
      return Op == TOp::Add ? a + b : (Op == TOp::Sub ? a - b : a * b);
    };
    sfs::WithScaleRule<int16_t, int32_t>(sf, [&](auto rule) {
      rows::ForEachRow(pSrc, srcStep, 2, pSrcDst, srcDstStep, 2, size,
                       [&](const uint8_t* s, uint8_t* d, int32_t w) {
                         for (ptrdiff_t i = 0; i < w; ++i) {
                           const int32_t v =
                               exact(rows::Load<Ipp16s>(d, i), rows::Load<Ipp16s>(s, i));
                           rows::Store<Ipp16s>(d, i, rule(v));
                         }
                       });
    });
    return ippStsNoErr;
  }
}

}  // namespace

// ---- The primitives, generated from their lists
// --------------------------------------------------

// (operation, layout) of the in-place 8-bit forms and of the two-source forms.
// clang-format off
#define PF_ARITHMETIC_IN_PLACE_8U_FORMS(X)                         \
  X(Add, C1)  X(Sub, C1)  X(Mul, C1)  X(Div, C1)             \
  X(Add, C3)  X(Sub, C3)  X(Mul, C3)  X(Div, C3)             \
  X(Add, AC4) X(Sub, AC4) X(Mul, AC4) X(Div, AC4)
#define PF_ARITHMETIC_TWO_SOURCES_8U_FORMS(X)                      \
  X(Add, C1)  X(Sub, C1)  X(Mul, C1)  X(Div, C1)             \
  X(Add, C3)  X(Sub, C3)  X(Mul, C3)  X(Div, C3)             \
  X(Add, C4)                                                 \
  X(Add, AC4) X(Sub, AC4) X(Mul, AC4) X(Div, AC4)
// clang-format on
#define PF_ARITHMETIC_IN_PLACE_16S_FORMS(X) X(Add) X(Sub) X(Mul) X(Div)

#define PF_ARITHMETIC_DEFINE_IN_PLACE_8U(Op, Layout)                                           \
  IppStatus ippi##Op##_8u_##Layout##IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst,      \
                                          int srcDstStep, IppiSize roiSize, int scaleFactor) { \
    return Image8u<TOp::Op, TLayout::Layout>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst,      \
                                             srcDstStep, roiSize, scaleFactor);                \
  }
#define PF_ARITHMETIC_DEFINE_TWO_SOURCES_8U(Op, Layout)                                            \
  IppStatus ippi##Op##_8u_##Layout##RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2,     \
                                         int src2Step, Ipp8u* pDst, int dstStep, IppiSize roiSize, \
                                         int scaleFactor) {                                        \
    return Image8u<TOp::Op, TLayout::Layout>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep,      \
                                             roiSize, scaleFactor);                                \
  }
#define PF_ARITHMETIC_DEFINE_IN_PLACE_16S(Op)                                           \
  IppStatus ippi##Op##_16s_C1IRSfs(const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst,    \
                                   int srcDstStep, IppiSize roiSize, int scaleFactor) { \
    return Image16s<TOp::Op>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, scaleFactor); \
  }

PF_ARITHMETIC_IN_PLACE_8U_FORMS(PF_ARITHMETIC_DEFINE_IN_PLACE_8U)
PF_ARITHMETIC_TWO_SOURCES_8U_FORMS(PF_ARITHMETIC_DEFINE_TWO_SOURCES_8U)
PF_ARITHMETIC_IN_PLACE_16S_FORMS(PF_ARITHMETIC_DEFINE_IN_PLACE_16S)

#undef PF_ARITHMETIC_DEFINE_IN_PLACE_8U
#undef PF_ARITHMETIC_DEFINE_TWO_SOURCES_8U
#undef PF_ARITHMETIC_DEFINE_IN_PLACE_16S
#undef PF_ARITHMETIC_IN_PLACE_8U_FORMS
#undef PF_ARITHMETIC_TWO_SOURCES_8U_FORMS
#undef PF_ARITHMETIC_IN_PLACE_16S_FORMS

// ---- Division rows and regions
// -------------------------------------------------------------------

IppStatus fbDivRow8u(const Ipp8u* pDivisor, const Ipp8u* pDividend, Ipp8u* pDst, int len,
                     int scaleFactor) {
  return fbDivRegion8u(pDivisor, 0, pDividend, 0, pDst, 0, IppiSize{len, 1}, scaleFactor);
}

IppStatus fbDivRow16s(const Ipp16s* pDivisor, const Ipp16s* pDividend, Ipp16s* pDst, int len,
                      int scaleFactor) {
  return fbDivRegion16s(pDivisor, 0, pDividend, 0, pDst, 0, IppiSize{len, 1}, scaleFactor);
}

IppStatus fbDivRegion8u(const Ipp8u* pDivisor, int divisorStep, const Ipp8u* pDividend,
                        int dividendStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                        int scaleFactor) {
  if (pDivisor == nullptr || pDividend == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (rows::BadSize(roiSize)) return ippStsSizeErr;
  const TRows8u r{pDividend, dividendStep, pDivisor,      divisorStep,
                  pDst,      dstStep,      roiSize.width, roiSize.height};
  return arith::Div8u(scaleFactor, r) ? ippStsDivByZero : ippStsNoErr;
}

IppStatus fbDivRegion16s(const Ipp16s* pDivisor, int divisorStep, const Ipp16s* pDividend,
                         int dividendStep, Ipp16s* pDst, int dstStep, IppiSize roiSize,
                         int scaleFactor) {
  if (pDivisor == nullptr || pDividend == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (rows::BadSize(roiSize)) return ippStsSizeErr;
  const long double factor = sfs::Factor(scaleFactor);
  bool zeroDivisor = false;
  for (int32_t y = 0; y < roiSize.height; ++y) {
    const uint8_t* a = rows::Row(pDivisor, divisorStep, y);
    const uint8_t* b = rows::Row(pDividend, dividendStep, y);
    uint8_t* d = rows::Row(pDst, dstStep, y);
    for (ptrdiff_t i = 0; i < roiSize.width; ++i) {
      rows::Store<Ipp16s>(d, i,
                          Divide16s(rows::Load<Ipp16s>(b, i), rows::Load<Ipp16s>(a, i), scaleFactor,
                                    factor, zeroDivisor));
    }
  }
  return zeroDivisor ? ippStsDivByZero : ippStsNoErr;
}

}  // namespace builtin
