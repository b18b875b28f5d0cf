// Window functions: see Windows.h. Every member checks its arguments, then hands a weight
// function and an element accessor to one pair walker.
#include "primitives/signal/Windows.h"

#include <cmath>
#include <cstdint>

#include "primitives/signal/ElementaryFunctions.h"
#include "primitives/support/Support.h"
#include "primitives/support/SupportElements.h"

namespace builtin {
namespace {

using ld = long double;

// The three element forms: multiply element i by w, set it to 0.0, leave it as it is.
struct InPlace {
  uint8_t* v;
  void Mul(int64_t i, ld w) const {
    rows::Store<Ipp64f>(v, i, static_cast<Ipp64f>(rows::Load<Ipp64f>(v, i) * w));
  }
  void Zero(int64_t i) const { rows::Store<Ipp64f>(v, i, 0.0); }
  void Keep(int64_t) const {}
};
struct OutOfPlace {
  const uint8_t* s;
  uint8_t* d;
  void Mul(int64_t i, ld w) const {
    rows::Store<Ipp64f>(d, i, static_cast<Ipp64f>(rows::Load<Ipp64f>(s, i) * w));
  }
  void Zero(int64_t i) const { rows::Store<Ipp64f>(d, i, 0.0); }
  void Keep(int64_t i) const { rows::Store<Ipp64f>(d, i, rows::Load<Ipp64f>(s, i)); }
};
struct ComplexInPlace {
  uint8_t* v;
  void Mul(int64_t i, ld w) const {
    rows::Store<Ipp64f>(v, 2 * i, static_cast<Ipp64f>(rows::Load<Ipp64f>(v, 2 * i) * w));
    rows::Store<Ipp64f>(v, 2 * i + 1, static_cast<Ipp64f>(rows::Load<Ipp64f>(v, 2 * i + 1) * w));
  }
  void Zero(int64_t i) const {
    rows::Store<Ipp64f>(v, 2 * i, 0.0);
    rows::Store<Ipp64f>(v, 2 * i + 1, 0.0);
  }
  void Keep(int64_t) const {}
};

// Elements k and N - 1 - k take weight(k) for k < N/2; an odd N keeps its middle element.
template <class Elements, class Weight>
void WalkPairs(const Elements& e, int64_t n, Weight&& weight) {
  for (int64_t k = 0; k < n / 2; ++k) {
    const ld w = weight(k);
    e.Mul(k, w);
    e.Mul(n - 1 - k, w);
  }
  if (n % 2 != 0) e.Keep((n - 1) / 2);
}

// The N = 3 case of Bartlett and Blackman: ends 0.0, middle kept.
template <class Elements>
void ZeroEnds3(const Elements& e) {
  e.Zero(0);
  e.Zero(2);
  e.Keep(1);
}

template <class Elements>
void Bartlett(const Elements& e, int64_t n) {
  if (n == 3) return ZeroEnds3(e);
  const ld step = 2.0L / static_cast<ld>(n - 1);
  e.Zero(0);
  e.Zero(n - 1);
  ld w = 0.0L;
  for (int64_t k = 1; k < (n - 1) / 2; ++k) {
    w += step;
    e.Mul(k, w);
    e.Mul(n - 1 - k, w);
  }
  if (n % 2 == 0) {
    w += step;
    e.Mul(n / 2 - 1, w);
    e.Mul(n / 2, w);
  } else {
    e.Keep((n - 1) / 2);
  }
}

// The cosine windows: weight(c_k) with c_k = cos k*theta from the rotation recurrence.
template <class Elements, class Weight>
void Cosine(const Elements& e, int64_t n, Weight&& weight) {
  const double theta = 6.283185307179586 / static_cast<double>(n - 1);
  const double cosTheta = LibCCos(theta);
  const double sinTheta =
      LibCSqrt(static_cast<double>(1.0L - static_cast<ld>(cosTheta) * cosTheta));
  ld c = 1.0L, s = 0.0L;
  WalkPairs(e, n, [&](int64_t) {
    const ld w = weight(c);
    const ld next = c * cosTheta - s * sinTheta;
    s = s * cosTheta + c * sinTheta;
    c = next;
    return w;
  });
}

template <class Elements>
void Blackman(const Elements& e, int64_t n, Ipp64f alpha) {
  if (n == 3) return ZeroEnds3(e);
  const double a = static_cast<double>((static_cast<ld>(alpha) + 1.0L) * 0.5L);
  const double b = static_cast<double>(static_cast<ld>(alpha) * 0.5L);
  Cosine(e, n, [&](ld c) { return (a - 0.5L * c) - b * ((c + c) * c - 1.0L); });
}
// 0.54 and 0.46 are the float64 values nearest to them.
template <class Elements>
void Hamming(const Elements& e, int64_t n) {
  Cosine(e, n, [](ld c) { return static_cast<ld>(0.54) - static_cast<ld>(0.46) * c; });
}
template <class Elements>
void Hann(const Elements& e, int64_t n) {
  Cosine(e, n, [](ld c) { return 0.5L - 0.5L * c; });
}

template <class Elements>
void Kaiser(const Elements& e, int64_t n, Ipp32f alpha) {
  if (n == 1) return e.Keep(0);
  const ld a = static_cast<ld>(alpha);
  const double beta = static_cast<double>(a * static_cast<ld>(n - 1) * 0.5L);
  const ld r = 1.0L / static_cast<ld>(fbBesselI0(beta));
  WalkPairs(e, n, [&](int64_t k) {
    Ipp64f root = static_cast<Ipp64f>(k * (n - 1 - k));
    ippsSqrt_64f_I(&root, 1);
    return static_cast<ld>(fbBesselI0(static_cast<double>(a * root))) * r;
  });
}

inline bool KaiserTooLarge(int len, Ipp32f alpha) {
  return 0.5L * std::fabs(static_cast<ld>(alpha)) * static_cast<ld>(len - 1) > 308.0L;
}

}  // namespace

Ipp64f fbBesselI0(Ipp64f x) {
  static const double kU[8] = {0.9999999985, 4.0000001935, 3.9999959541, 1.777809969,
                               0.4443189384, 0.0713758187, 0.0075942968, 0.0008267816};
  static const double kQ[13] = {0.3989422809, 0.0124667783,  0.0017623668, 0.00026,
                                0.0022585672, -0.0128314822, 0.0495811118, -0.1209940805,
                                0.1895476618, -0.1867783276, 0.1113315511, -0.0366694767,
                                0.0051246015};
  const ld a = std::fabs(static_cast<ld>(x));
  if (a < 4.0L) {
    const ld t = (a * 0.25L) * (a * 0.25L);
    ld p = kU[7];
    for (int i = 6; i >= 0; --i) p = p * t + kU[i];
    return static_cast<Ipp64f>(p);
  }
  const ld y = 4.0L / a;
  ld v = kQ[12];
  for (int i = 11; i >= 0; --i) v = v * y + kQ[i];
  const Ipp64f a64 = static_cast<Ipp64f>(a);
  Ipp64f ex = 0.0;
  ippsExp_64f(&a64, &ex, 1);
  return static_cast<Ipp64f>((v * ex) / static_cast<ld>(LibCSqrt(a64)));
}

// The forms, one list: name, extra parameter, minimum length, extra check, call.
#define PF_WINDOWS_FORMS(X)                                                     \
  X(Bartlett, , 3, false, Bartlett(e, len))                                     \
  X(Blackman, PF_WINDOWS_COMMA Ipp64f alpha, 3, false, Blackman(e, len, alpha)) \
  X(Hamming, , 3, false, Hamming(e, len))                                       \
  X(Hann, , 3, false, Hann(e, len))                                             \
  X(Kaiser, PF_WINDOWS_COMMA Ipp32f alpha, 1, KaiserTooLarge(len, alpha), Kaiser(e, len, alpha))
#define PF_WINDOWS_COMMA ,
#define PF_WINDOWS_CHECK(minLen, tooLarge)  \
  if (len < (minLen)) return ippStsSizeErr; \
  if (tooLarge) return ippStsHugeWinErr;
#define PF_WINDOWS_DEFINE(name, param, minLen, tooLarge, call)                     \
  IppStatus ippsWin##name##_64f_I(Ipp64f* pSrcDst, int len param) {                \
    if (pSrcDst == nullptr) return ippStsNullPtrErr;                               \
    PF_WINDOWS_CHECK(minLen, tooLarge)                                             \
    const InPlace e{rows::Bytes(pSrcDst)};                                         \
    call;                                                                          \
    return ippStsNoErr;                                                            \
  }                                                                                \
  IppStatus ippsWin##name##_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len param) { \
    if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;               \
    PF_WINDOWS_CHECK(minLen, tooLarge)                                             \
    const OutOfPlace e{rows::Bytes(pSrc), rows::Bytes(pDst)};                      \
    call;                                                                          \
    return ippStsNoErr;                                                            \
  }                                                                                \
  IppStatus ippsWin##name##_64fc_I(Ipp64fc* pSrcDst, int len param) {              \
    if (pSrcDst == nullptr) return ippStsNullPtrErr;                               \
    PF_WINDOWS_CHECK(minLen, tooLarge)                                             \
    const ComplexInPlace e{rows::Bytes(pSrcDst)};                                  \
    call;                                                                          \
    return ippStsNoErr;                                                            \
  }
PF_WINDOWS_FORMS(PF_WINDOWS_DEFINE)
#undef PF_WINDOWS_DEFINE
#undef PF_WINDOWS_CHECK
#undef PF_WINDOWS_COMMA
#undef PF_WINDOWS_FORMS

}  // namespace builtin
