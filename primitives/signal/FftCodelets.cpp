// The small-order codelets: each loads its whole input into locals, runs a fixed sequence of
// float64 operations and stores the output, so in-place calls read nothing they have written.
// The cores below are written once on local complex values and instantiated for the interleaved
// and the separate-array layouts, scaled and unscaled; every instantiation is straight-line.
#include "primitives/signal/FftCodelets.h"

#include "primitives/support/SupportElements.h"

namespace builtin {
namespace {

using rows::Bytes;
using rows::Load;
using rows::Store;

// The four constants, each the double nearest to its value.
constexpr double kC = 0.7071067811865476;     // +sqrt(0.5)
constexpr double kCn = -0.7071067811865476;   // -sqrt(0.5)
constexpr double kR = 1.4142135623730951;     // +sqrt(2)
constexpr double kRn = -1.4142135623730951;   // -sqrt(2)

// A complex value as one 16-byte vector (re, im): every complex addition, subtraction and
// scaling is one operation on both parts, with the bits of the two separate operations.
using Cx = double __attribute__((vector_size(16)));
using CxBits = uint64_t __attribute__((vector_size(16)));

// A first-stage value, multiplied by s in the scaled codelets.
template <bool kScaled>
inline __attribute__((always_inline)) double Sc(double v, double s) {
  if constexpr (kScaled) {
    return s * v;
  } else {
    (void)s;
    return v;
  }
}

template <bool kScaled>
inline __attribute__((always_inline)) Cx ScSum(Cx a, Cx b, double s) {
  if constexpr (kScaled) {
    return Cx{s, s} * (a + b);
  } else {
    (void)s;
    return a + b;
  }
}
template <bool kScaled>
inline __attribute__((always_inline)) Cx ScDiff(Cx a, Cx b, double s) {
  if constexpr (kScaled) {
    return Cx{s, s} * (a - b);
  } else {
    (void)s;
    return a - b;
  }
}
// -i*b = (Im b, -Re b) and i*b = (-Im b, Re b): a swap and one sign, both exact.
inline __attribute__((always_inline)) Cx TimesMinusI(Cx b) {
  const Cx swapped = __builtin_shufflevector(b, b, 1, 0);
  return reinterpret_cast<Cx>(reinterpret_cast<CxBits>(swapped) ^ CxBits{0, uint64_t{1} << 63});
}
inline __attribute__((always_inline)) Cx TimesI(Cx b) {
  const Cx swapped = __builtin_shufflevector(b, b, 1, 0);
  return reinterpret_cast<Cx>(reinterpret_cast<CxBits>(swapped) ^ CxBits{uint64_t{1} << 63, 0});
}
// a - i*b = (Re a + Im b, Im a - Re b) and a + i*b = (Re a - Im b, Im a + Re b).
inline __attribute__((always_inline)) Cx SubI(Cx a, Cx b) { return a + TimesMinusI(b); }
inline __attribute__((always_inline)) Cx AddI(Cx a, Cx b) { return a + TimesI(b); }

// ---- complex cores ----------------------------------------------------------------------------

template <bool kScaled>
inline __attribute__((always_inline)) void Dft1(const Cx* x, Cx* y, double s) {
  if constexpr (kScaled) {
    y[0] = Cx{s, s} * x[0];
  } else {
    (void)s;
    y[0] = x[0];
  }
}

template <bool kScaled>
inline __attribute__((always_inline)) void Dft2(const Cx* x, Cx* y, double s) {
  y[0] = ScSum<kScaled>(x[0], x[1], s);
  y[1] = ScDiff<kScaled>(x[0], x[1], s);
}

template <bool kScaled, bool kInverse>
inline __attribute__((always_inline)) void Dft4(const Cx* x, Cx* y, double s) {
  const Cx a0 = ScSum<kScaled>(x[0], x[2], s);
  const Cx a1 = ScSum<kScaled>(x[1], x[3], s);
  const Cx b0 = ScDiff<kScaled>(x[0], x[2], s);
  const Cx b1 = ScDiff<kScaled>(x[1], x[3], s);
  y[0] = a0 + a1;
  y[2] = a0 - a1;
  if constexpr (kInverse) {
    y[1] = AddI(b0, b1);
    y[3] = SubI(b0, b1);
  } else {
    y[1] = SubI(b0, b1);
    y[3] = AddI(b0, b1);
  }
}

template <bool kScaled, bool kInverse>
inline __attribute__((always_inline)) void Dft8(const Cx* x, Cx* y, double s) {
  Cx a[4], b[4];
#pragma GCC unroll 8
  for (int k = 0; k < 4; ++k) {
    a[k] = ScSum<kScaled>(x[k], x[k + 4], s);
    b[k] = ScDiff<kScaled>(x[k], x[k + 4], s);
  }
  const Cx a02p = a[0] + a[2], a13p = a[1] + a[3];
  const Cx a02m = a[0] - a[2], a13m = a[1] - a[3];
  const Cx c = {kC, kC}, cn = {kCn, kCn};
  y[0] = a02p + a13p;
  y[4] = a02p - a13p;
  if constexpr (!kInverse) {
    y[2] = SubI(a02m, a13m);
    y[6] = AddI(a02m, a13m);
    const Cx p = SubI(b[0], b[2]);
    const Cx t = SubI(b[1], b[3]);
    const Cx v = c * (t + TimesMinusI(t));  // t * exp(-i pi/4): c (Re t + Im t, Im t - Re t)
    y[1] = p + v;
    y[5] = p - v;
    const Cx q = AddI(b[0], b[2]);
    const Cx u = AddI(b[1], b[3]);
    const Cx w = cn * (u + TimesI(u));  // u * exp(-3i pi/4): c' (Re u - Im u, Re u + Im u)
    y[3] = q + w;
    y[7] = q - w;
  } else {
    y[2] = AddI(a02m, a13m);
    y[6] = SubI(a02m, a13m);
    const Cx p = AddI(b[0], b[2]);
    const Cx t = AddI(b[1], b[3]);
    const Cx v = c * (t + TimesI(t));  // t * exp(+i pi/4): c (Re t - Im t, Re t + Im t)
    y[1] = p + v;
    y[5] = p - v;
    const Cx q = SubI(b[0], b[2]);
    const Cx u = SubI(b[1], b[3]);
    const Cx w = cn * (u + TimesMinusI(u));  // u * exp(+3i pi/4): c' (Re u + Im u, Im u - Re u)
    y[3] = q + w;
    y[7] = q - w;
  }
}

// ---- real cores (x: samples or Perm spectrum, y: the other) -----------------------------------

template <bool kScaled>
inline __attribute__((always_inline)) void Real1(const double* x, double* y, double s) {
  y[0] = Sc<kScaled>(x[0], s);
}

template <bool kScaled>
inline __attribute__((always_inline)) void Real2(const double* x, double* y, double s) {
  y[0] = Sc<kScaled>(x[0] + x[1], s);
  y[1] = Sc<kScaled>(x[0] - x[1], s);
}

template <bool kScaled>
inline __attribute__((always_inline)) void Real4Fwd(const double* x, double* y, double s) {
  const double e0 = Sc<kScaled>(x[0] + x[2], s);
  const double e1 = Sc<kScaled>(x[1] + x[3], s);
  const double m0 = Sc<kScaled>(x[0] - x[2], s);
  const double m1 = Sc<kScaled>(x[3] - x[1], s);
  y[0] = e0 + e1;
  y[1] = e0 - e1;
  y[2] = m0;
  y[3] = m1;
}

// Input [R0, R2, Re1, Im1].
template <bool kScaled>
inline __attribute__((always_inline)) void Real4Inv(const double* x, double* y, double s) {
  const double p = Sc<kScaled>(x[0] + x[1], s);
  const double m = Sc<kScaled>(x[0] - x[1], s);
  const double re2 = Sc<kScaled>(x[2] + x[2], s);
  const double im2 = Sc<kScaled>(x[3] + x[3], s);
  y[0] = p + re2;
  y[1] = m - im2;
  y[2] = p - re2;
  y[3] = m + im2;
}

template <bool kScaled>
inline __attribute__((always_inline)) void Real8Fwd(const double* x, double* y, double s) {
  double e[4], m[4];
#pragma GCC unroll 8
  for (int k = 0; k < 4; ++k) {
    e[k] = Sc<kScaled>(x[k] + x[k + 4], s);
    m[k] = Sc<kScaled>(x[k] - x[k + 4], s);
  }
  const double e02 = e[0] + e[2], e13 = e[1] + e[3];
  const double d13 = kC * (m[1] - m[3]);
  const double s13 = kCn * (m[1] + m[3]);
  y[0] = e02 + e13;
  y[1] = e02 - e13;
  y[2] = m[0] + d13;
  y[3] = s13 - m[2];
  y[4] = e[0] - e[2];
  y[5] = e[3] - e[1];
  y[6] = m[0] - d13;
  y[7] = m[2] + s13;
}

// Input [R0, R4, Re1, Im1, Re2, Im2, Re3, Im3].
template <bool kScaled>
inline __attribute__((always_inline)) void Real8Inv(const double* x, double* y, double s) {
  const double p = Sc<kScaled>(x[0] + x[1], s);
  const double m = Sc<kScaled>(x[0] - x[1], s);
  const double re2 = Sc<kScaled>(x[4] + x[4], s);
  const double im2 = Sc<kScaled>(x[5] + x[5], s);
  const double re13p = Sc<kScaled>(x[2] + x[6], s);
  const double re13m = Sc<kScaled>(x[2] - x[6], s);
  const double im13p = Sc<kScaled>(x[3] + x[7], s);
  const double im13m = Sc<kScaled>(x[3] - x[7], s);
  const double g = re13m - im13p;
  const double h = re13m + im13p;
  const double pp = p + re2, pm = p - re2;
  const double mm = m - im2, mp = m + im2;
  const double re13p2 = re13p + re13p, im13m2 = im13m + im13m;
  const double rg = kR * g, rh = kRn * h;
  y[0] = pp + re13p2;
  y[4] = pp - re13p2;
  y[2] = pm - im13m2;
  y[6] = pm + im13m2;
  y[1] = mm + rg;
  y[5] = mm - rg;
  y[3] = mp + rh;
  y[7] = mp - rh;
}

// ---- layouts ------------------------------------------------------------------------------------

template <int kN>
struct Interleaved {
  static inline __attribute__((always_inline)) void Load(const Ipp64f* src, Cx* x) {
#pragma GCC unroll 16
    for (int k = 0; k < kN; ++k) x[k] = rows::Load<Cx>(Bytes(src), k);
  }
  static inline __attribute__((always_inline)) void Store(Ipp64f* dst, const Cx* y) {
#pragma GCC unroll 16
    for (int k = 0; k < kN; ++k) rows::Store<Cx>(Bytes(dst), k, y[k]);
  }
};

template <int kN>
struct Separate {
  static inline __attribute__((always_inline)) void Load(const Ipp64f* re, const Ipp64f* im,
                                                         Cx* x) {
#pragma GCC unroll 16
    for (int k = 0; k < kN; ++k) x[k] = Cx{rows::Load<double>(Bytes(re), k),
                                           rows::Load<double>(Bytes(im), k)};
  }
  static inline __attribute__((always_inline)) void Store(Ipp64f* re, Ipp64f* im, const Cx* y) {
#pragma GCC unroll 16
    for (int k = 0; k < kN; ++k) {
      rows::Store<double>(Bytes(re), k, y[k][0]);
      rows::Store<double>(Bytes(im), k, y[k][1]);
    }
  }
};

template <int kN>
struct RealData {
  static inline __attribute__((always_inline)) void Load(const Ipp64f* src, double* x) {
#pragma GCC unroll 16
    for (int k = 0; k < kN; ++k) x[k] = rows::Load<double>(Bytes(src), k);
  }
  static inline __attribute__((always_inline)) void Store(Ipp64f* dst, const double* y) {
#pragma GCC unroll 16
    for (int k = 0; k < kN; ++k) rows::Store<double>(Bytes(dst), k, y[k]);
  }
};

template <int kN, void (*kCore)(const Cx*, Cx*, double)>
inline __attribute__((always_inline)) void RunInterleaved(const Ipp64f* src, Ipp64f* dst,
                                                          double s) {
  Cx x[kN], y[kN];
  Interleaved<kN>::Load(src, x);
  kCore(x, y, s);
  Interleaved<kN>::Store(dst, y);
}

template <int kN, void (*kCore)(const Cx*, Cx*, double)>
inline __attribute__((always_inline)) void RunSeparate(const Ipp64f* srcRe, const Ipp64f* srcIm,
                                                       Ipp64f* dstRe, Ipp64f* dstIm, double s) {
  Cx x[kN], y[kN];
  Separate<kN>::Load(srcRe, srcIm, x);
  kCore(x, y, s);
  Separate<kN>::Store(dstRe, dstIm, y);
}

template <int kN, void (*kCore)(const double*, double*, double)>
inline __attribute__((always_inline)) void RunReal(const Ipp64f* src, Ipp64f* dst, double s) {
  double x[kN], y[kN];
  RealData<kN>::Load(src, x);
  kCore(x, y, s);
  RealData<kN>::Store(dst, y);
}

}  // namespace

// name, points, core template arguments (scaled first), for each layout.
#define PF_FFT_COMPLEX_CODELETS(X)                              \
  X(1, 1, (Dft1<false>), (Dft1<true>))                          \
  X(2, 2, (Dft2<false>), (Dft2<true>))                          \
  X(4Fwd, 4, (Dft4<false, false>), (Dft4<true, false>))         \
  X(4Inv, 4, (Dft4<false, true>), (Dft4<true, true>))           \
  X(8Fwd, 8, (Dft8<false, false>), (Dft8<true, false>))         \
  X(8Inv, 8, (Dft8<false, true>), (Dft8<true, true>))

#define PF_FFT_COMPLEX_DEFINE(stem, points, plainCore, scaledCore)                           \
  void fbFftCplx##stem(const Ipp64f* src, Ipp64f* dst) {                                      \
    RunInterleaved<points, PF_FFT_UNPAREN plainCore>(src, dst, 1.0);                         \
  }                                                                                           \
  void fbFftCplx##stem##Scaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s) {                    \
    RunInterleaved<points, PF_FFT_UNPAREN scaledCore>(src, dst, s);                          \
  }                                                                                           \
  void fbFftReIm##stem(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe,               \
                       Ipp64f* dstIm) {                                                       \
    RunSeparate<points, PF_FFT_UNPAREN plainCore>(srcRe, srcIm, dstRe, dstIm, 1.0);          \
  }                                                                                           \
  void fbFftReIm##stem##Scaled(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe,       \
                               Ipp64f* dstIm, Ipp64f s) {                                     \
    RunSeparate<points, PF_FFT_UNPAREN scaledCore>(srcRe, srcIm, dstRe, dstIm, s);           \
  }

#define PF_FFT_REAL_CODELETS(X)                 \
  X(1, 1, (Real1<false>), (Real1<true>))        \
  X(2, 2, (Real2<false>), (Real2<true>))        \
  X(4Fwd, 4, (Real4Fwd<false>), (Real4Fwd<true>)) \
  X(4Inv, 4, (Real4Inv<false>), (Real4Inv<true>)) \
  X(8Fwd, 8, (Real8Fwd<false>), (Real8Fwd<true>)) \
  X(8Inv, 8, (Real8Inv<false>), (Real8Inv<true>))

#define PF_FFT_REAL_DEFINE(stem, points, plainCore, scaledCore)               \
  void fbFftReal##stem(const Ipp64f* src, Ipp64f* dst) {                       \
    RunReal<points, PF_FFT_UNPAREN plainCore>(src, dst, 1.0);                 \
  }                                                                            \
  void fbFftReal##stem##Scaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s) {     \
    RunReal<points, PF_FFT_UNPAREN scaledCore>(src, dst, s);                  \
  }

#define PF_FFT_UNPAREN(...) __VA_ARGS__
PF_FFT_COMPLEX_CODELETS(PF_FFT_COMPLEX_DEFINE)
PF_FFT_REAL_CODELETS(PF_FFT_REAL_DEFINE)
#undef PF_FFT_UNPAREN
#undef PF_FFT_REAL_DEFINE
#undef PF_FFT_REAL_CODELETS
#undef PF_FFT_COMPLEX_DEFINE
#undef PF_FFT_COMPLEX_CODELETS

const fbFftCodeletTable fbFftCodeletsCplxFwd = {
    {fbFftCplx1, fbFftCplx2, fbFftCplx4Fwd, fbFftCplx8Fwd},
    {fbFftCplx1Scaled, fbFftCplx2Scaled, fbFftCplx4FwdScaled, fbFftCplx8FwdScaled}};
const fbFftCodeletTable fbFftCodeletsCplxInv = {
    {fbFftCplx1, fbFftCplx2, fbFftCplx4Inv, fbFftCplx8Inv},
    {fbFftCplx1Scaled, fbFftCplx2Scaled, fbFftCplx4InvScaled, fbFftCplx8InvScaled}};
const fbFftCodeletTable fbFftCodeletsRealFwd = {
    {fbFftReal1, fbFftReal2, fbFftReal4Fwd, fbFftReal8Fwd},
    {fbFftReal1Scaled, fbFftReal2Scaled, fbFftReal4FwdScaled, fbFftReal8FwdScaled}};
const fbFftCodeletTable fbFftCodeletsRealInv = {
    {fbFftReal1, fbFftReal2, fbFftReal4Inv, fbFftReal8Inv},
    {fbFftReal1Scaled, fbFftReal2Scaled, fbFftReal4InvScaled, fbFftReal8InvScaled}};

}  // namespace builtin
