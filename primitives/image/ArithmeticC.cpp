// Arithmetic of a vector or an image with a constant (see ArithmeticC.h).
//
// Vectors are worked as regions of one row, so that a vector form and a one-channel image form
// of an operation are one template, told apart only by the fills and copies of their short
// cuts (the vectors' byte fills and copies, the images' Set and Copy primitives). The 8-bit
// sums, differences and products run on the row engine of ByteArithmeticEngine.h with the
// constant repeated as a pattern; the 16-bit ones run one row loop per branch of the rule.
#include "primitives/image/ArithmeticC.h"

#include <type_traits>

#include "primitives/image/Arithmetic.h"
#include "primitives/support/ByteArithmeticEngine.h"
#include "primitives/image/Copy.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/FloatToInt.h"
#include "primitives/support/ScaleFactor.h"
#include "primitives/support/Support.h"

namespace builtin {

// 1/i rounded half up to six decimals, as float.
const Ipp32f fbReciprocalTable[256] = {
    0.000001f, 1.000000f, 0.500000f, 0.333333f, 0.250000f, 0.200000f, 0.166667f, 0.142857f,
    0.125000f, 0.111111f, 0.100000f, 0.090909f, 0.083333f, 0.076923f, 0.071429f, 0.066667f,
    0.062500f, 0.058824f, 0.055556f, 0.052632f, 0.050000f, 0.047619f, 0.045455f, 0.043478f,
    0.041667f, 0.040000f, 0.038462f, 0.037037f, 0.035714f, 0.034483f, 0.033333f, 0.032258f,
    0.031250f, 0.030303f, 0.029412f, 0.028571f, 0.027778f, 0.027027f, 0.026316f, 0.025641f,
    0.025000f, 0.024390f, 0.023810f, 0.023256f, 0.022727f, 0.022222f, 0.021739f, 0.021277f,
    0.020833f, 0.020408f, 0.020000f, 0.019608f, 0.019231f, 0.018868f, 0.018519f, 0.018182f,
    0.017857f, 0.017544f, 0.017241f, 0.016949f, 0.016667f, 0.016393f, 0.016129f, 0.015873f,
    0.015625f, 0.015385f, 0.015152f, 0.014925f, 0.014706f, 0.014493f, 0.014286f, 0.014085f,
    0.013889f, 0.013699f, 0.013514f, 0.013333f, 0.013158f, 0.012987f, 0.012821f, 0.012658f,
    0.012500f, 0.012346f, 0.012195f, 0.012048f, 0.011905f, 0.011765f, 0.011628f, 0.011494f,
    0.011364f, 0.011236f, 0.011111f, 0.010989f, 0.010870f, 0.010753f, 0.010638f, 0.010526f,
    0.010417f, 0.010309f, 0.010204f, 0.010101f, 0.010000f, 0.009901f, 0.009804f, 0.009709f,
    0.009615f, 0.009524f, 0.009434f, 0.009346f, 0.009259f, 0.009174f, 0.009091f, 0.009009f,
    0.008929f, 0.008850f, 0.008772f, 0.008696f, 0.008621f, 0.008547f, 0.008475f, 0.008403f,
    0.008333f, 0.008264f, 0.008197f, 0.008130f, 0.008065f, 0.008000f, 0.007937f, 0.007874f,
    0.007813f, 0.007752f, 0.007692f, 0.007634f, 0.007576f, 0.007519f, 0.007463f, 0.007407f,
    0.007353f, 0.007299f, 0.007246f, 0.007194f, 0.007143f, 0.007092f, 0.007042f, 0.006993f,
    0.006944f, 0.006897f, 0.006849f, 0.006803f, 0.006757f, 0.006711f, 0.006667f, 0.006623f,
    0.006579f, 0.006536f, 0.006494f, 0.006452f, 0.006410f, 0.006369f, 0.006329f, 0.006289f,
    0.006250f, 0.006211f, 0.006173f, 0.006135f, 0.006098f, 0.006061f, 0.006024f, 0.005988f,
    0.005952f, 0.005917f, 0.005882f, 0.005848f, 0.005814f, 0.005780f, 0.005747f, 0.005714f,
    0.005682f, 0.005650f, 0.005618f, 0.005587f, 0.005556f, 0.005525f, 0.005495f, 0.005464f,
    0.005435f, 0.005405f, 0.005376f, 0.005348f, 0.005319f, 0.005291f, 0.005263f, 0.005236f,
    0.005208f, 0.005181f, 0.005155f, 0.005128f, 0.005102f, 0.005076f, 0.005051f, 0.005025f,
    0.005000f, 0.004975f, 0.004950f, 0.004926f, 0.004902f, 0.004878f, 0.004854f, 0.004831f,
    0.004808f, 0.004785f, 0.004762f, 0.004739f, 0.004717f, 0.004695f, 0.004673f, 0.004651f,
    0.004630f, 0.004608f, 0.004587f, 0.004566f, 0.004545f, 0.004525f, 0.004505f, 0.004484f,
    0.004464f, 0.004444f, 0.004425f, 0.004405f, 0.004386f, 0.004367f, 0.004348f, 0.004329f,
    0.004310f, 0.004292f, 0.004274f, 0.004255f, 0.004237f, 0.004219f, 0.004202f, 0.004184f,
    0.004167f, 0.004149f, 0.004132f, 0.004115f, 0.004098f, 0.004082f, 0.004065f, 0.004049f,
    0.004032f, 0.004016f, 0.004000f, 0.003984f, 0.003968f, 0.003953f, 0.003937f, 0.003922f,
};

using arith::TArith8u;
using arith::TRows8u;

namespace {

enum class TOp { Add, Sub, Mul };
enum class TLayout { C3, C4, AC4 };

constexpr TArith8u Arith(TOp op) {
  return op == TOp::Add ? TArith8u::Add : (op == TOp::Sub ? TArith8u::Sub : TArith8u::Mul);
}

constexpr int32_t Channels(TLayout layout) { return layout == TLayout::C3 ? 3 : 4; }

// Where every result is 0: the 8-bit bounds of the row engine; 16-bit sums and differences
// reach 2^16, products 2^30.
template <class T>
constexpr int ZeroAbove(TOp op) {
  if constexpr (std::is_same_v<T, Ipp8u>) return arith::ZeroAbove(Arith(op));
  return op == TOp::Mul ? 30 : 16;
}

// ---- Fills and copies of the short cuts --------------------------------------------------------

// The vectors' own fills and copies of bytes (a vector is a region of one row; steps unused).
template <class T>
struct TVectorFills {
  static IppStatus Fill(Ipp8u byte, T* dst, int, IppiSize size) {
    fbFillBytes(dst, byte, Bytes(size));
    return ippStsNoErr;
  }
  static IppStatus Copy(const T* src, int, T* dst, int, IppiSize size) {
    fbCopyBytes(src, dst, Bytes(size));
    return ippStsNoErr;
  }
  static int64_t Bytes(IppiSize size) {
    return static_cast<int64_t>(size.width) * static_cast<int64_t>(sizeof(T));
  }
};

// The Set and Copy primitives of the one-channel images.
template <class T>
struct TImageFills {
  static IppStatus Fill(Ipp8u byte, T* dst, int dstStep, IppiSize size) {
    if constexpr (std::is_same_v<T, Ipp8u>)
      return ippiSet_8u_C1R(byte, dst, dstStep, size);
    else
      return ippiSet_16s_C1R(static_cast<Ipp16s>(byte), dst, dstStep, size);
  }
  static IppStatus Copy(const T* src, int srcStep, T* dst, int dstStep, IppiSize size) {
    if constexpr (std::is_same_v<T, Ipp8u>)
      return ippiCopy_8u_C1R(src, srcStep, dst, dstStep, size);
    else
      return ippiCopy_16s_C1R(src, srcStep, dst, dstStep, size);
  }
};

// ---- Add, Sub and Mul with one constant --------------------------------------------------------

// dst = R(src op c) over a region of 16-bit elements.
template <TOp Op>
void Compute16s(const Ipp16s* src, int srcStep, int32_t c, Ipp16s* dst, int dstStep, IppiSize size,
                int sf) {
  sfs::WithScaleRule<int16_t, int32_t>(sf, [&](auto rule) {
    rows::ForEachRow(
        src, srcStep, 2, dst, dstStep, 2, size, [&](const uint8_t* s, uint8_t* d, int32_t w) {
          for (ptrdiff_t i = 0; i < w; ++i) {
            const int32_t x = rows::Load<Ipp16s>(s, i);
            const int32_t v = Op == TOp::Add ? x + c : (Op == TOp::Sub ? x - c : x * c);
            rows::Store<Ipp16s>(d, i, rule(v));
          }
        });
  });
}

// dst = R(src op c); the in-place forms pass the same image as src and dst.
template <class T, TOp Op, class Fills>
IppStatus Constant(const T* src, int srcStep, T c, T* dst, int dstStep, IppiSize size, int sf) {
  if (IppStatus s = rows::CheckImages(src, dst, size); s != ippStsNoErr) return s;
  constexpr bool kBytes = std::is_same_v<T, Ipp8u>;
  if (sf > ZeroAbove<T>(Op) || (Op == TOp::Mul && c == 0))
    return Fills::Fill(0, dst, dstStep, size);
  // Every 8-bit sum with a non-zero constant saturates at these factors.
  if (kBytes && Op == TOp::Add && sf < -7 && c != 0) return Fills::Fill(255, dst, dstStep, size);
  if (sf == 0 && c == (Op == TOp::Mul ? 1 : 0))
    return src == dst ? ippStsNoErr : Fills::Copy(src, srcStep, dst, dstStep, size);
  if constexpr (kBytes) {
    uint8_t pattern[arith::kPatternBytes];
    arith::FillPattern(pattern, &c, 1);
    arith::Arith8u(Arith(Op), sf,
                   TRows8u{src, srcStep, pattern, 0, dst, dstStep, size.width, size.height, true});
  } else {
    Compute16s<Op>(src, srcStep, c, dst, dstStep, size, sf);
  }
  return ippStsNoErr;
}

// The same with one constant per channel, in place; only the fill of 0 as a short cut.
template <TOp Op, TLayout L>
IppStatus Channels8u(const Ipp8u* value, Ipp8u* pSrcDst, int step, IppiSize size, int sf) {
  if (value == nullptr || pSrcDst == nullptr) return ippStsNullPtrErr;
  if (rows::BadSize(size)) return ippStsSizeErr;
  // A row of width * channels bytes beyond the row engine's 32-bit count is refused after the
  // checks, the step check of the zero fill's Set (-14) included.
  IppiSize bytes;
  const bool rowFits = arith::RowBytes(size, Channels(L), bytes);
  if (sf > arith::ZeroAbove(Arith(Op))) {
    if (!rowFits) return step < 1 ? ippStsStepErr : ippStsSizeErr;
    constexpr Ipp8u kZero[4] = {0, 0, 0, 0};
    if constexpr (L == TLayout::C3) return ippiSet_8u_C3R(kZero, pSrcDst, step, size);
    if constexpr (L == TLayout::C4) return ippiSet_8u_C4R(kZero, pSrcDst, step, size);
    return ippiSet_8u_AC4R(kZero, pSrcDst, step, size);
  }
  if (!rowFits) return ippStsSizeErr;
  uint8_t pattern[arith::kPatternBytes];
  const Ipp8u pixel[4] = {value[0], value[1], value[2], L == TLayout::C4 ? value[3] : Ipp8u{0}};
  arith::FillPattern(pattern, pixel, Channels(L));
  const TRows8u r{pSrcDst, step, pattern, 0, pSrcDst, step, bytes.width, bytes.height, true};
  if constexpr (L == TLayout::AC4)
    arith::Arith8uAlpha4(Arith(Op), sf, r);
  else
    arith::Arith8u(Arith(Op), sf, r);
  return ippStsNoErr;
}

// ---- Division by a constant --------------------------------------------------------------------

// x rounded half to even through the truncation of x + offset (an integer and a half), less
// the integer offset: a sum that is an odd integer exactly was a tie and goes down.
inline int32_t RoundHalfEven(long double x, long double offset) {
  const long double up = x + offset;
  int32_t t = fbTruncToInt32(up);
  if ((t & 1) != 0 && up == static_cast<long double>(t)) --t;
  return t - static_cast<int32_t>(offset - 0.5L);
}

// The 8-bit quotients of every element value by c, from the reciprocal table: k = 2^(-sf) R[c],
// each x * k rounded half to even (x * k is exact with a 64-bit significand), saturated when k
// can take it above 255. A zero element gives 0 also where k is infinite.
void QuotientTable8u(Ipp8u c, int sf, uint8_t (&table)[256]) {
  const long double k = sfs::Factor(sf) * static_cast<long double>(fbReciprocalTable[c]);
  table[0] = 0;
  for (int x = 1; x < 256; ++x) {
    const long double p = static_cast<long double>(x) * k;
    if (k > 1.0L && p > 255.0L) {
      table[x] = 255;
      continue;
    }
    const int32_t t = RoundHalfEven(p, 0.5L);
    table[x] = static_cast<uint8_t>(t > 255 ? 255 : t);
  }
}

// The 16-bit quotient of x by the constant, k = 2^(-sf) / c: without saturation where k keeps
// every result in range (-0.9999 <= k <= 1; k = -1 does not, since -32768 * -1 > 32767).
inline Ipp16s Quotient16s(int32_t x, long double k) {
  constexpr long double kLow = static_cast<long double>(-0.9999f);
  if (k >= kLow && k <= 1.0L) return static_cast<Ipp16s>(RoundHalfEven(x * k, 32768.5L));
  if (x == 0) return 0;  // also where k is infinite
  const long double p = x * k;
  if (p < -32768.0L) return -32768;
  if (p > 32767.0L) return 32767;
  return static_cast<Ipp16s>(RoundHalfEven(p, 32768.5L));
}

// The checks of the division forms: pointers, size, the steps of an image, the constant.
IppStatus CheckDivision(const void* src, int srcStep, int32_t c, const void* dst, int dstStep,
                        IppiSize size, bool image) {
  if (IppStatus s = rows::CheckImages(src, dst, size); s != ippStsNoErr) return s;
  if (image && (srcStep < 1 || dstStep < 1)) return ippStsStepErr;
  if (c == 0) return ippStsDivByZeroErr;
  return ippStsNoErr;
}

IppStatus DivideC8u(const Ipp8u* src, int srcStep, Ipp8u c, Ipp8u* dst, int dstStep, IppiSize size,
                    int sf, bool image) {
  if (IppStatus s = CheckDivision(src, srcStep, c, dst, dstStep, size, image); s != ippStsNoErr)
    return s;
  uint8_t table[256];
  QuotientTable8u(c, sf, table);
  rows::ForEachRow(src, srcStep, 1, dst, dstStep, 1, size,
                   [&](const uint8_t* s, uint8_t* d, int32_t w) {
                     for (ptrdiff_t i = 0; i < w; ++i) d[i] = table[s[i]];
                   });
  return ippStsNoErr;
}

IppStatus DivideC16s(const Ipp16s* src, int srcStep, Ipp16s c, Ipp16s* dst, int dstStep,
                     IppiSize size, int sf, bool image) {
  if (IppStatus s = CheckDivision(src, srcStep, c, dst, dstStep, size, image); s != ippStsNoErr)
    return s;
  const long double k = sfs::Factor(sf) / c;
  rows::ForEachRow(src, srcStep, 2, dst, dstStep, 2, size,
                   [k](const uint8_t* s, uint8_t* d, int32_t w) {
                     for (ptrdiff_t i = 0; i < w; ++i)
                       rows::Store<Ipp16s>(d, i, Quotient16s(rows::Load<Ipp16s>(s, i), k));
                   });
  return ippStsNoErr;
}

// Three- and four-channel division, in place, by a work row of the constants.
template <TLayout L>
IppStatus DivideChannels8u(const Ipp8u* value, Ipp8u* pSrcDst, int step, IppiSize size, int sf) {
  constexpr int32_t kChannels = Channels(L);
  if (pSrcDst == nullptr || value == nullptr) return ippStsNullPtrErr;
  if (rows::BadSize(size)) return ippStsSizeErr;
  if (step < 1) return ippStsStepErr;
  const bool zeroConstant =
      value[0] == 0 || value[1] == 0 || value[2] == 0 || (L == TLayout::C4 && value[3] == 0);
  // A row of width * channels bytes beyond the row routine's 32-bit count is refused after
  // the argument checks (for AC4 after the zero constant too), before the work rows.
  IppiSize bytes;
  const bool rowFits = arith::RowBytes(size, kChannels, bytes);
  const IppiSize oneRow{size.width, 1};
  if constexpr (L != TLayout::AC4) {
    if (!rowFits) return ippStsSizeErr;
    auto* divisor = static_cast<uint8_t*>(fbAlignedAlloc8(bytes.width));
    if (divisor == nullptr) return ippStsMemAllocErr;
    if (zeroConstant) {  // reported before anything is written
      fbAlignedFree(divisor);
      return ippStsDivByZeroErr;
    }
    if constexpr (L == TLayout::C3)
      ippiSet_8u_C3R(value, divisor, bytes.width, oneRow);
    else
      ippiSet_8u_C4R(value, divisor, bytes.width, oneRow);
    fbDivRegion8u(divisor, 0, pSrcDst, step, pSrcDst, step, bytes, sf);
    fbAlignedFree(divisor);
    return ippStsNoErr;
  } else {
    if (zeroConstant) return ippStsDivByZeroErr;
    if (!rowFits) return ippStsSizeErr;
    auto* divisor = static_cast<uint8_t*>(fbAlignedAlloc8(bytes.width));
    auto* work = static_cast<uint8_t*>(fbAlignedAlloc8(bytes.width));
    if (divisor == nullptr || work == nullptr) {
      fbAlignedFree(divisor);
      fbAlignedFree(work);
      return ippStsMemAllocErr;
    }
    const Ipp8u pixel[4] = {value[0], value[1], value[2], 1};
    ippiSet_8u_C4R(pixel, divisor, bytes.width, oneRow);
    arith::Div8uAlpha4(
        sf, TRows8u{pSrcDst, step, divisor, 0, pSrcDst, step, bytes.width, bytes.height}, work);
    fbAlignedFree(work);
    fbAlignedFree(divisor);
    return ippStsNoErr;
  }
}

}  // namespace

// ---- The primitives, generated from their lists
// --------------------------------------------------

// clang-format off
// (operation, element name, element type) of the vector and one-channel forms.
#define PF_ARITHMETIC_C_FORMS(X)                                   \
  X(Add, 8u, Ipp8u)   X(Sub, 8u, Ipp8u)   X(Mul, 8u, Ipp8u)  \
  X(Add, 16s, Ipp16s) X(Sub, 16s, Ipp16s) X(Mul, 16s, Ipp16s)
// (operation, layout) of the multi-channel forms.
#define PF_ARITHMETIC_C_CHANNELS_FORMS(X)                          \
  X(Add, C3) X(Add, AC4) X(Add, C4)                          \
  X(Sub, C3) X(Sub, C4)                                      \
  X(Mul, C3) X(Mul, AC4) X(Mul, C4)
// clang-format on

#define PF_ARITHMETIC_C_DEFINE(Op, Name, T)                                                        \
  IppStatus ipps##Op##C_##Name##_ISfs(T val, T* pSrcDst, int len, int scaleFactor) {               \
    return Constant<T, TOp::Op, TVectorFills<T>>(pSrcDst, 0, val, pSrcDst, 0, IppiSize{len, 1},    \
                                                 scaleFactor);                                     \
  }                                                                                                \
  IppStatus ipps##Op##C_##Name##_Sfs(const T* pSrc, T val, T* pDst, int len, int scaleFactor) {    \
    return Constant<T, TOp::Op, TVectorFills<T>>(pSrc, 0, val, pDst, 0, IppiSize{len, 1},          \
                                                 scaleFactor);                                     \
  }                                                                                                \
  IppStatus ippi##Op##C_##Name##_C1IRSfs(T value, T* pSrcDst, int srcDstStep, IppiSize roiSize,    \
                                         int scaleFactor) {                                        \
    return Constant<T, TOp::Op, TImageFills<T>>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep,   \
                                                roiSize, scaleFactor);                             \
  }                                                                                                \
  IppStatus ippi##Op##C_##Name##_C1RSfs(const T* pSrc, int srcStep, T value, T* pDst, int dstStep, \
                                        IppiSize roiSize, int scaleFactor) {                       \
    return Constant<T, TOp::Op, TImageFills<T>>(pSrc, srcStep, value, pDst, dstStep, roiSize,      \
                                                scaleFactor);                                      \
  }
#define PF_ARITHMETIC_C_DEFINE_CHANNELS(Op, Layout)                                                \
  IppStatus ippi##Op##C_8u_##Layout##IRSfs(const Ipp8u* value, Ipp8u* pSrcDst, int srcDstStep,     \
                                           IppiSize roiSize, int scaleFactor) {                    \
    return Channels8u<TOp::Op, TLayout::Layout>(value, pSrcDst, srcDstStep, roiSize, scaleFactor); \
  }

PF_ARITHMETIC_C_FORMS(PF_ARITHMETIC_C_DEFINE)
PF_ARITHMETIC_C_CHANNELS_FORMS(PF_ARITHMETIC_C_DEFINE_CHANNELS)

#undef PF_ARITHMETIC_C_DEFINE
#undef PF_ARITHMETIC_C_DEFINE_CHANNELS
#undef PF_ARITHMETIC_C_FORMS
#undef PF_ARITHMETIC_C_CHANNELS_FORMS

// ---- Division
// ------------------------------------------------------------------------------------

// (element name, element type, engine) of the vector and one-channel forms.
#define PF_ARITHMETIC_C_DIVISION_FORMS(X) \
  X(8u, Ipp8u, DivideC8u)                 \
  X(16s, Ipp16s, DivideC16s)
#define PF_ARITHMETIC_C_DEFINE_DIVISION(Name, T, Engine)                                        \
  IppStatus ippsDivC_##Name##_Sfs(const T* pSrc, T val, T* pDst, int len, int scaleFactor) {    \
    return Engine(pSrc, 0, val, pDst, 0, IppiSize{len, 1}, scaleFactor, false);                 \
  }                                                                                             \
  IppStatus ippiDivC_##Name##_C1RSfs(const T* pSrc, int srcStep, T value, T* pDst, int dstStep, \
                                     IppiSize roiSize, int scaleFactor) {                       \
    return Engine(pSrc, srcStep, value, pDst, dstStep, roiSize, scaleFactor, true);             \
  }                                                                                             \
  IppStatus ippiDivC_##Name##_C1IRSfs(T value, T* pSrcDst, int srcDstStep, IppiSize roiSize,    \
                                      int scaleFactor) {                                        \
    return Engine(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, scaleFactor, true); \
  }
// (layout, constants) of the multi-channel forms.
#define PF_ARITHMETIC_C_DIVISION_CHANNELS_FORMS(X) X(C3, 3) X(C4, 4) X(AC4, 3)
#define PF_ARITHMETIC_C_DEFINE_DIVISION_CHANNELS(Layout, N)                                     \
  IppStatus ippiDivC_8u_##Layout##IRSfs(const Ipp8u value[N], Ipp8u* pSrcDst, int srcDstStep,   \
                                        IppiSize roiSize, int scaleFactor) {                    \
    return DivideChannels8u<TLayout::Layout>(value, pSrcDst, srcDstStep, roiSize, scaleFactor); \
  }

PF_ARITHMETIC_C_DIVISION_FORMS(PF_ARITHMETIC_C_DEFINE_DIVISION)
PF_ARITHMETIC_C_DIVISION_CHANNELS_FORMS(PF_ARITHMETIC_C_DEFINE_DIVISION_CHANNELS)

#undef PF_ARITHMETIC_C_DEFINE_DIVISION
#undef PF_ARITHMETIC_C_DEFINE_DIVISION_CHANNELS
#undef PF_ARITHMETIC_C_DIVISION_FORMS
#undef PF_ARITHMETIC_C_DIVISION_CHANNELS_FORMS

// The vector division has an in-place form for 16-bit elements only.
IppStatus ippsDivC_16s_ISfs(Ipp16s val, Ipp16s* pSrcDst, int len, int scaleFactor) {
  return DivideC16s(pSrcDst, 0, val, pSrcDst, 0, IppiSize{len, 1}, scaleFactor, false);
}

}  // namespace builtin
