#include "primitives/signal/ElementaryFunctions.h"

#include <bit>
#include <cstdint>

#include "primitives/signal/ElementaryFunctionsKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

using rows::Bytes;
using rows::Load;
using rows::Store;
using L = long double;

constexpr uint64_t kDefaultNaN = 0xFFF8000000000000u;
constexpr uint64_t kPositiveNaN = 0x7FF8000000000000u;
constexpr uint64_t kMinusInfinity = 0xFFF0000000000000u;
constexpr uint64_t kPlusInfinity = 0x7FF0000000000000u;
constexpr uint64_t kSignBit = 0x8000000000000000u;

inline double FromBits(uint64_t b) { return std::bit_cast<double>(b); }
inline uint64_t ToBits(double x) { return std::bit_cast<uint64_t>(x); }

IppStatus CheckVector(const void* p, int len) {
  if (!p) return ippStsNullPtrErr;
  return len < 1 ? ippStsSizeErr : ippStsNoErr;
}
IppStatus CheckVectors(const void* s, const void* d, int len) {
  if (!s || !d) return ippStsNullPtrErr;
  return len < 1 ? ippStsSizeErr : ippStsNoErr;
}

// d[i] = f(s[i]) front to back over float64 elements; s may equal d.
template <class F>
void MapReal(const uint8_t* s, uint8_t* d, int len, F f) {
  for (ptrdiff_t i = 0; i < len; ++i) Store<double>(d, i, f(Load<double>(s, i)));
}

// One float64 per complex element: d[i] = f(re, im), after the vector blocks where given
// (whole vectors from the start, f's results bit for bit).
template <class F>
void ComplexToReal(const uint8_t* s, uint8_t* d, int64_t len, F f,
                   elementary::ToRealBlocksFn blocks) {
  ptrdiff_t i = blocks ? static_cast<ptrdiff_t>(blocks(s, d, static_cast<size_t>(len))) : 0;
  for (; i < len; ++i) Store<double>(d, i, f(Load<double>(s, 2 * i), Load<double>(s, 2 * i + 1)));
}

// Complex element to complex element; both parts are read before either is written.
template <class F>
void MapComplex(const uint8_t* s, uint8_t* d, int len, F f) {
  for (ptrdiff_t i = 0; i < len; ++i) {
    const double re = Load<double>(s, 2 * i), im = Load<double>(s, 2 * i + 1);
    double outRe, outIm;
    f(re, im, outRe, outIm);
    Store<double>(d, 2 * i, outRe);
    Store<double>(d, 2 * i + 1, outIm);
  }
}

double Abs(double x) { return FromBits(ToBits(x) & ~kSignBit); }
double Sqr(double x) { return static_cast<double>(L{x} * x); }

// ---- Natural logarithm -----------------------------------------------------------------------

IppStatus LnTo(const uint8_t* s, uint8_t* d, int len) {
  IppStatus first = ippStsNoErr;
  for (ptrdiff_t i = 0; i < len; ++i) {
    const double x = Load<double>(s, i);
    const uint64_t bits = ToBits(x);
    double y;
    if (bits & kSignBit) {
      y = FromBits(kDefaultNaN);
      if (first == ippStsNoErr) first = ippStsLnNegArg;
    } else if (((bits >> 32) & 0x7FF80000u) == 0x7FF80000u) {
      y = FromBits(kPositiveNaN);
    } else if (bits == 0) {
      y = FromBits(kMinusInfinity);
      if (first == ippStsNoErr) first = ippStsLnZeroArg;
    } else {
      y = LibCLog(x);
    }
    Store<double>(d, i, y);
  }
  return first;
}

// ---- Exponential -----------------------------------------------------------------------------

// Inputs whose upper word lies at or beyond these limits are written without the kernel:
// 708.39599609375 (just above -1022 ln 2) with the sign set, 709.7822265625 (just below
// 1024 ln 2) with it clear, so that the kernel's y * 2^k is always a normal number.
constexpr uint32_t kLowerLimitWord = 0x4086232Bu;
constexpr uint32_t kUpperLimitWord = 0x40862E42u;

inline bool ExpSpecial(uint64_t bits) {
  const uint32_t hw = static_cast<uint32_t>(bits >> 32);
  if (hw & 0x80000000u) return (hw & 0x7FFFFFFFu) >= kLowerLimitWord;
  return hw >= kUpperLimitWord;
}

inline double ExpSpecialValue(uint64_t bits) {
  const bool negative = (bits & kSignBit) != 0;
  if ((bits & ~kSignBit) > kPlusInfinity) return FromBits(negative ? kDefaultNaN : kPositiveNaN);
  return negative ? 0.0 : FromBits(kPlusInfinity);
}

// e^x of four normal inputs side by side, every step rounded to float64: x = k ln 2 + r with
// k = x / ln 2 rounded to nearest (by the 2^52 shift), r split into hi - lo for accuracy,
// e^r = 1 + r + r c / (2 - c) from a rational approximation, then k added to the exponent.
// The four divisions become one reciprocal of the product of the four denominators, formed
// as (f0 f1)(f2 f3); lane j's quotient is the reciprocal times the other pair's product times
// its own pair partner. The vector blocks (ElementaryFunctionsHwy.cpp) keep this grouping.
void ExpKernel4(const double x[4], double y[4]) {
  const double kInvLn2 = FromBits(0x3FF71547652B82FEu);
  const double kLn2Hi = FromBits(0x3FE62E42FEE00000u);
  const double kLn2Lo = FromBits(0x3DEA39EF35793C76u);
  const double kP1 = FromBits(0x3FC555555555553Eu);
  const double kP2 = FromBits(0xBF66C16C16BEBD93u);
  const double kP3 = FromBits(0x3F11566AAF25DE2Cu);
  const double kP4 = FromBits(0xBEBBBD41C5D26BF1u);
  const double kP5 = FromBits(0x3E66376972BEA4D0u);
  const double kShift = FromBits(0x4330000000000000u);  // 2^52
  double k[4], hi[4], lo[4], r[4], c[4], f[4];
  for (int j = 0; j < 4; ++j) {
    const double m = FromBits(ToBits(kShift) | (ToBits(x[j]) & kSignBit));
    const double s = x[j] * kInvLn2 + m;
    k[j] = s - m;
    hi[j] = x[j] - k[j] * kLn2Hi;
    lo[j] = k[j] * kLn2Lo;
    r[j] = hi[j] - lo[j];
    const double t = r[j] * r[j];
    c[j] = r[j] - t * (kP1 + t * (kP2 + t * (kP3 + t * (kP4 + t * kP5))));
    f[j] = 2.0 - c[j];
  }
  const double f01 = f[0] * f[1], f23 = f[2] * f[3];
  const double reciprocal = 1.0 / (f01 * f23);
  const double r01 = reciprocal * f23, r23 = reciprocal * f01;
  const double q[4] = {r01 * f[1], r01 * f[0], r23 * f[3], r23 * f[2]};
  for (int j = 0; j < 4; ++j) {
    const double v = r[j] * c[j] * q[j] + ((1.0 + hi[j]) - lo[j]);
    // k * 2^52 added to the bits is k * 2^20 added to the upper word.
    const int64_t ki = static_cast<int64_t>(k[j]);
    y[j] = FromBits(ToBits(v) + static_cast<uint64_t>(ki) * (uint64_t{1} << 52));
  }
}

// ---- Complex square and square root --------------------------------------------------------

void ComplexSqr(double a, double b, double& re, double& im) {
  re = static_cast<double>((L{a} - b) * (L{a} + b));
  im = static_cast<double>((L{a} * b) * 2);
}

void ComplexSqrt(double re, double im, double& outRe, double& outIm) {
  const L a = L{re} * 0.5L, b = L{im} * 0.5L;
  const double m = LibCSqrt(static_cast<double>(a * a + b * b));  // |z| / 2
  if (a > 0 || a != a) {
    const double t = LibCSqrt(static_cast<double>(m + a));
    outRe = t;
    outIm = static_cast<double>(b / t);
  } else if (a < 0) {
    double t = LibCSqrt(static_cast<double>(m - a));
    if (b < 0) t = -t;
    outRe = static_cast<double>(b / t);
    outIm = t;
  } else if (b < 0) {
    const double u = LibCSqrt(static_cast<double>(-b));
    outRe = u;
    outIm = -u;
  } else {  // b >= 0 or a NaN
    const double u = LibCSqrt(static_cast<double>(b));
    outRe = u;
    outIm = u;
  }
}

// ---- Complex to real ------------------------------------------------------------------------

struct PhaseOf {
  double operator()(double re, double im) const { return LibCAtan2(im, re); }
};
struct PowerOf {
  double operator()(double re, double im) const {
    return static_cast<double>(L{re} * re + L{im} * im);
  }
};
struct MagnitudeOf {
  double operator()(double re, double im) const { return elementary::Magnitude(re, im); }
};

}  // namespace

namespace elementary {

double Magnitude(double re, double im) {
  return LibCSqrt(static_cast<double>(L{re} * re + L{im} * im));
}

// ---- Square root and magnitude ---------------------------------------------------------------
//
// The root of x is LibCSqrt(x): sqrt(x) rounded to a 64-bit significand, then to float64. The
// vector blocks take the float64 root r = fl53(sqrt x) wherever they can prove that the two
// roundings give r too, and hand every other lane to LibCSqrt (the proof is at the blocks,
// ElementaryFunctionsHwy.cpp). A block that meets a negative input or a NaN stops; the plain
// loop writes those with the status and the blocks start again after a short stretch.

IppStatus SqrtTo(const uint8_t* s, uint8_t* d, int64_t len, SqrtBlocksFn blocks) {
  bool negative = false;
  auto plain = [&](ptrdiff_t i, ptrdiff_t end) {
    for (; i < end; ++i) {
      const double x = Load<double>(s, i);
      if (x >= 0) {
        Store<double>(d, i, LibCSqrt(x));
      } else {  // x < 0 or a NaN
        Store<double>(d, i, FromBits(kDefaultNaN));
        negative = true;
      }
    }
  };
  if (blocks)
    rows::WalkRowInBlocks(
        len,
        [&](ptrdiff_t i) {
          return static_cast<ptrdiff_t>(blocks(s + 8 * i, d + 8 * i, static_cast<size_t>(len - i)));
        },
        plain);
  else
    plain(0, len);
  return negative ? ippStsSqrtNegArg : ippStsNoErr;
}

IppStatus SqrtInPlace(uint8_t* sd, int64_t len, SqrtBlocksFn blocks) {
  bool negative = false;
  auto plain = [&](ptrdiff_t i, ptrdiff_t end) {
    for (; i < end; ++i) {
      const double x = Load<double>(sd, i);
      if (x > 0 || x != x) {
        Store<double>(sd, i, LibCSqrt(x));
      } else if (x < 0) {
        Store<double>(sd, i, FromBits(kDefaultNaN));
        negative = true;
      }  // +-0 stays as it is
    }
  };
  // The blocks write LibCSqrt(+-0) = +-0 for a zero, which keeps it as it is.
  if (blocks)
    rows::WalkRowInBlocks(
        len,
        [&](ptrdiff_t i) {
          return static_cast<ptrdiff_t>(
              blocks(sd + 8 * i, sd + 8 * i, static_cast<size_t>(len - i)));
        },
        plain);
  else
    plain(0, len);
  return negative ? ippStsSqrtNegArg : ippStsNoErr;
}

void MagnitudeTo(const uint8_t* s, uint8_t* d, int64_t len, ToRealBlocksFn blocks) {
  ComplexToReal(s, d, len, MagnitudeOf{}, blocks);
}

void Exp(const uint8_t* s, uint8_t* d, int64_t len, ExpBlocksFn blocks) {
  if (len < 4) {
    for (ptrdiff_t i = 0; i < len; ++i) Store<double>(d, i, LibCExp(Load<double>(s, i)));
    return;
  }
  double lanes[4], out[4];
  ptrdiff_t at[4];
  int gathered = 0;
  for (ptrdiff_t i = len - 1; i >= 0; --i) {
    // With no input gathered, the next groups of four may go through the vector blocks.
    if (gathered == 0 && blocks && i >= 3) {
      i -= static_cast<ptrdiff_t>(blocks(s, d, static_cast<size_t>(i + 1)));
      if (i < 0) break;
    }
    const double x = Load<double>(s, i);
    const uint64_t bits = ToBits(x);
    if (ExpSpecial(bits)) {
      Store<double>(d, i, ExpSpecialValue(bits));
      continue;
    }
    lanes[gathered] = x;
    at[gathered] = i;
    if (++gathered == 4) {
      ExpKernel4(lanes, out);
      for (int j = 0; j < 4; ++j) Store<double>(d, at[j], out[j]);
      gathered = 0;
    }
  }
  for (int j = 0; j < gathered; ++j) Store<double>(d, at[j], LibCExp(lanes[j]));
}

}  // namespace elementary

namespace {

// The loops of the real forms with a status of their own, in place and out of place.
struct SqrtLoops {
  static IppStatus InPlace(uint8_t* sd, int len) {
    return elementary::SqrtInPlace(sd, len, elementary::VectorSqrtBlocks());
  }
  static IppStatus To(const uint8_t* s, uint8_t* d, int len) {
    return elementary::SqrtTo(s, d, len, elementary::VectorSqrtBlocks());
  }
};
struct ExpLoops {
  static IppStatus InPlace(uint8_t* sd, int len) { return To(sd, sd, len); }
  static IppStatus To(const uint8_t* s, uint8_t* d, int len) {
    elementary::Exp(s, d, len, elementary::VectorExpBlocks());
    return ippStsNoErr;
  }
};
struct LnLoops {
  static IppStatus InPlace(uint8_t* sd, int len) { return LnTo(sd, sd, len); }
  static IppStatus To(const uint8_t* s, uint8_t* d, int len) { return LnTo(s, d, len); }
};

}  // namespace

// ---- Members ---------------------------------------------------------------------------------

// The real forms with the same step in and out of place: name, step.
#define PF_ELEMENTARY_FUNCTIONS_REAL_FORMS(X) X(Abs, Abs) X(Sqr, Sqr)
#define PF_ELEMENTARY_FUNCTIONS_DEFINE_REAL(name, f)                      \
  IppStatus ipps##name##_64f_I(Ipp64f* pSrcDst, int len) {                \
    if (IppStatus st = CheckVector(pSrcDst, len)) return st;              \
    MapReal(Bytes(pSrcDst), Bytes(pSrcDst), len, f);                      \
    return ippStsNoErr;                                                   \
  }                                                                       \
  IppStatus ipps##name##_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { \
    if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;          \
    MapReal(Bytes(pSrc), Bytes(pDst), len, f);                            \
    return ippStsNoErr;                                                   \
  }
PF_ELEMENTARY_FUNCTIONS_REAL_FORMS(PF_ELEMENTARY_FUNCTIONS_DEFINE_REAL)
#undef PF_ELEMENTARY_FUNCTIONS_DEFINE_REAL
#undef PF_ELEMENTARY_FUNCTIONS_REAL_FORMS

// The real forms with their own loops and status: name, loops (InPlace and To).
#define PF_ELEMENTARY_FUNCTIONS_LOOP_FORMS(X) \
  X(Sqrt, SqrtLoops)                          \
  X(Exp, ExpLoops)                            \
  X(Ln, LnLoops)
#define PF_ELEMENTARY_FUNCTIONS_DEFINE_LOOP(name, loops)                  \
  IppStatus ipps##name##_64f_I(Ipp64f* pSrcDst, int len) {                \
    if (IppStatus st = CheckVector(pSrcDst, len)) return st;              \
    return loops::InPlace(Bytes(pSrcDst), len);                           \
  }                                                                       \
  IppStatus ipps##name##_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { \
    if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;          \
    return loops::To(Bytes(pSrc), Bytes(pDst), len);                      \
  }
PF_ELEMENTARY_FUNCTIONS_LOOP_FORMS(PF_ELEMENTARY_FUNCTIONS_DEFINE_LOOP)
#undef PF_ELEMENTARY_FUNCTIONS_DEFINE_LOOP
#undef PF_ELEMENTARY_FUNCTIONS_LOOP_FORMS

// The complex forms: name, step.
#define PF_ELEMENTARY_FUNCTIONS_COMPLEX_FORMS(X) X(Sqr, ComplexSqr) X(Sqrt, ComplexSqrt)
#define PF_ELEMENTARY_FUNCTIONS_DEFINE_COMPLEX(name, f)                      \
  IppStatus ipps##name##_64fc_I(Ipp64fc* pSrcDst, int len) {                 \
    if (IppStatus st = CheckVector(pSrcDst, len)) return st;                 \
    MapComplex(Bytes(pSrcDst), Bytes(pSrcDst), len, f);                      \
    return ippStsNoErr;                                                      \
  }                                                                          \
  IppStatus ipps##name##_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len) { \
    if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;             \
    MapComplex(Bytes(pSrc), Bytes(pDst), len, f);                            \
    return ippStsNoErr;                                                      \
  }
PF_ELEMENTARY_FUNCTIONS_COMPLEX_FORMS(PF_ELEMENTARY_FUNCTIONS_DEFINE_COMPLEX)
#undef PF_ELEMENTARY_FUNCTIONS_DEFINE_COMPLEX
#undef PF_ELEMENTARY_FUNCTIONS_COMPLEX_FORMS

// The complex forms with a real result: name, step, vector blocks (or nullptr).
#define PF_ELEMENTARY_FUNCTIONS_TO_REAL_FORMS(X) \
  X(Phase, PhaseOf, nullptr)                     \
  X(PowerSpectr, PowerOf, nullptr)               \
  X(Magnitude, MagnitudeOf, elementary::VectorMagnitudeBlocks())
#define PF_ELEMENTARY_FUNCTIONS_DEFINE_TO_REAL(name, f, blocks)             \
  IppStatus ipps##name##_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len) { \
    if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;            \
    ComplexToReal(Bytes(pSrc), Bytes(pDst), len, f{}, blocks);              \
    return ippStsNoErr;                                                     \
  }
PF_ELEMENTARY_FUNCTIONS_TO_REAL_FORMS(PF_ELEMENTARY_FUNCTIONS_DEFINE_TO_REAL)
#undef PF_ELEMENTARY_FUNCTIONS_DEFINE_TO_REAL
#undef PF_ELEMENTARY_FUNCTIONS_TO_REAL_FORMS

}  // namespace builtin
