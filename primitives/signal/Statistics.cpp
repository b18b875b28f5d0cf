// Statistics, norms, dot products, thresholds and normalisation of vectors (see Statistics.h).
//
// Every sum is a long double with the partial-sum pattern of its member, so that the result
// does not depend on how the loop is compiled; elements are read through rows::Load (any
// address) with 64-bit indexes.
#include "primitives/signal/Statistics.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "primitives/signal/FloatArithmetic.h"
#include "primitives/signal/StatisticsKernels.h"
#include "primitives/support/FloatToInt.h"
#include "primitives/support/RowAccess.h"

namespace builtin {
namespace {

using ld = long double;

inline IppStatus CheckPointers(const void* a, const void* b) {
  return a == nullptr || b == nullptr ? ippStsNullPtrErr : ippStsNoErr;
}
inline IppStatus CheckPointers(const void* a, const void* b, const void* c) {
  return a == nullptr || b == nullptr || c == nullptr ? ippStsNullPtrErr : ippStsNoErr;
}

// Element i of a real vector, and the parts of element i of a complex one.
template <class T>
inline T At(const uint8_t* v, ptrdiff_t i) {
  return rows::Load<T>(v, i);
}
inline Ipp64f Re(const uint8_t* v, ptrdiff_t i) { return rows::Load<Ipp64f>(v, 2 * i); }
inline Ipp64f Im(const uint8_t* v, ptrdiff_t i) { return rows::Load<Ipp64f>(v, 2 * i + 1); }
// A result at any address.
template <class T>
inline void Put(T* p, T v) {
  rows::Store<T>(rows::Bytes(p), 0, v);
}
inline void PutComplex(uint8_t* v, ptrdiff_t i, ld re, ld im) {
  rows::Store<Ipp64f>(v, 2 * i, static_cast<Ipp64f>(re));
  rows::Store<Ipp64f>(v, 2 * i + 1, static_cast<Ipp64f>(im));
}

// ---- Norms of a difference -------------------------------------------------------------------

template <class Step>
IppStatus NormDiff(const Ipp64f* s1, const Ipp64f* s2, int len, Ipp64f* r, Step step,
                   bool root) {
  if (IppStatus st = CheckPointers(s1, s2, r); st != ippStsNoErr) return st;
  if (len < 1) return ippStsSizeErr;
  const uint8_t* a = rows::Bytes(s1);
  const uint8_t* b = rows::Bytes(s2);
  ld acc = 0.0L;
  for (ptrdiff_t i = 0; i < len; ++i) acc = step(acc, ld{At<Ipp64f>(a, i)} - At<Ipp64f>(b, i));
  Put(r, static_cast<Ipp64f>(root ? std::sqrt(acc) : acc));
  return ippStsNoErr;
}

// The steps of the three norms.
struct AbsSum {
  ld operator()(ld acc, ld d) const { return acc + std::fabs(d); }
};
struct SquareSum {
  ld operator()(ld acc, ld d) const { return acc + d * d; }
};
struct AbsMax {
  ld operator()(ld m, ld d) const {
    const ld a = std::fabs(d);
    return a > m ? a : m;
  }
};

// ---- Sums over blocks of four ---------------------------------------------------------------

// E and O over whole blocks of four (elements 0 and 2 to E, 1 and 3 to O); returns where the
// blocks stopped.
template <class T>
ptrdiff_t BlockSums(const uint8_t* s, ptrdiff_t n, ld& e, ld& o) {
  ptrdiff_t i = 0;
  for (; i + 4 <= n; i += 4) {
    e += At<T>(s, i);
    o += At<T>(s, i + 1);
    e += At<T>(s, i + 2);
    o += At<T>(s, i + 3);
  }
  return i;
}

// ---- Extremes with their index ---------------------------------------------------------------

// The running extreme from s[0]: the minimum moves to s[i] unless s[i] >= it (so to a NaN, and
// from a NaN to the next element), the maximum only when s[i] > it. Ties keep the first.
template <bool Max>
IppStatus Extreme(const Ipp64f* pSrc, int len, Ipp64f* pValue, int* pIndx) {
  if (IppStatus st = CheckPointers(pSrc, pValue); st != ippStsNoErr) return st;
  if (len < 1) return ippStsSizeErr;
  const uint8_t* s = rows::Bytes(pSrc);
  Ipp64f m = At<Ipp64f>(s, 0);
  ptrdiff_t at = 0;
  for (ptrdiff_t i = 1; i < len; ++i) {
    const Ipp64f x = At<Ipp64f>(s, i);
    if (Max ? x > m : !(x >= m)) {
      m = x;
      at = i;
    }
  }
  Put(pValue, m);
  if (pIndx != nullptr) Put(pIndx, static_cast<int>(at));
  return ippStsNoErr;
}

// ---- Normalisation ---------------------------------------------------------------------------

// A divisor below the smallest normal magnitude, or NaN, is refused.
template <class T>
inline bool DivisorTooSmall(T divisor) {
  return !(std::fabs(divisor) >= std::numeric_limits<T>::min());
}

template <class T>
IppStatus NormalizeReal(const T* pSrc, T* pDst, int len, T offset, T divisor) {
  if (IppStatus st = CheckPointers(pSrc, pDst); st != ippStsNoErr) return st;
  if (len < 1) return ippStsSizeErr;
  if (DivisorTooSmall(divisor)) return ippStsDivByZeroErr;
  const ld r = 1.0L / divisor;
  const uint8_t* s = rows::Bytes(pSrc);
  uint8_t* d = rows::Bytes(pDst);
  for (ptrdiff_t i = 0; i < len; ++i)
    rows::Store<T>(d, i, static_cast<T>((ld{At<T>(s, i)} - offset) * r));
  return ippStsNoErr;
}

// ---- Thresholds ------------------------------------------------------------------------------

// Elements i .. len - 1 by the rule's plain loop (the in-place rules read and write d).
template <class T>
void ThresholdRun(const uint8_t* s, uint8_t* d, ptrdiff_t i, int64_t len, T level,
                  statistics::TThreshold rule) {
  using statistics::TThreshold;
  switch (rule) {
    case TThreshold::LimitInPlace:  // limited unless level >= x: a NaN element becomes the level
      for (; i < len; ++i)
        if (!(level >= At<T>(d, i))) rows::Store<T>(d, i, level);
      break;
    case TThreshold::RaiseInPlace:  // raised when level > x: a NaN element stays
      for (; i < len; ++i)
        if (level > At<T>(d, i)) rows::Store<T>(d, i, level);
      break;
    case TThreshold::LimitTo:  // x where x <= L (a NaN is copied), else L
      for (; i < len; ++i) {
        const T x = At<T>(s, i);
        rows::Store<T>(d, i, x > level ? level : x);
      }
      break;
    case TThreshold::RaiseTo:  // x where x >= L, else L (a NaN becomes L)
      for (; i < len; ++i) {
        const T x = At<T>(s, i);
        rows::Store<T>(d, i, x >= level ? x : level);
      }
      break;
  }
}

template <class T>
IppStatus ThresholdInPlace(T* pSrcDst, int len, T level, IppCmpOp relOp) {
  if (pSrcDst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  uint8_t* v = rows::Bytes(pSrcDst);
  const auto rule = relOp == ippCmpGreater ? statistics::TThreshold::LimitInPlace
                                           : statistics::TThreshold::RaiseInPlace;
  if constexpr (std::is_same_v<T, Ipp64f>)
    statistics::Threshold64f(v, v, len, level, rule, statistics::VectorThreshold64fBlocks());
  else
    ThresholdRun<T>(v, v, 0, len, level, rule);
  return ippStsNoErr;
}

// m = a^2 + b^2 and the scale sqrt(L^2 / m) that moves the magnitude to L.
inline ld Magnitude2(Ipp64f a, Ipp64f b) { return ld{a} * a + ld{b} * b; }

enum class Place { Out, In };

template <Place P>
IppStatus ThresholdComplex(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64f level,
                           IppCmpOp relOp) {
  if (IppStatus st = CheckPointers(pSrc, pDst); st != ippStsNoErr) return st;
  if (len < 1) return ippStsSizeErr;
  if (level < 0) return ippStsThreshNegLevelErr;
  const uint8_t* s = rows::Bytes(pSrc);
  uint8_t* d = rows::Bytes(pDst);
  const ld l2 = ld{level} * level;
  const bool limit = relOp == ippCmpGreater;
  for (ptrdiff_t i = 0; i < len; ++i) {
    const Ipp64f a = Re(s, i), b = Im(s, i);
    const ld m = Magnitude2(a, b);
    const bool nan = std::isnan(m);
    ld re = a, im = b;
    if (limit) {
      // Out of place a NaN magnitude is scaled too (giving NaN); in place it is kept.
      if (m > l2 || (nan && P == Place::Out)) {
        const ld f = std::sqrt(l2 / m);
        re = a * f;
        im = b * f;
      }
    } else if (nan) {
      // Out of place the element is copied; in place it takes the real part L.
      if (P == Place::In) re = level;
    } else if (m < l2) {
      if (m == 0) {
        re = level;
        if (P == Place::Out) im = 0.0L;
      } else {
        const ld f = std::sqrt(l2 / m);
        re = a * f;
        im = b * f;
      }
    }
    PutComplex(d, i, re, im);
  }
  return ippStsNoErr;
}

IppStatus ThresholdTo(const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f level, IppCmpOp relOp) {
  if (IppStatus st = CheckPointers(pSrc, pDst); st != ippStsNoErr) return st;
  if (len < 1) return ippStsSizeErr;
  statistics::Threshold64f(rows::Bytes(pSrc), rows::Bytes(pDst), len, level,
                           relOp == ippCmpGreater ? statistics::TThreshold::LimitTo
                                                  : statistics::TThreshold::RaiseTo,
                           statistics::VectorThreshold64fBlocks());
  return ippStsNoErr;
}

IppStatus ThresholdTo(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64f level, IppCmpOp relOp) {
  return ThresholdComplex<Place::Out>(pSrc, pDst, len, level, relOp);
}

IppStatus ThresholdInPlace(Ipp64fc* pSrcDst, int len, Ipp64f level, IppCmpOp relOp) {
  return ThresholdComplex<Place::In>(pSrcDst, pSrcDst, len, level, relOp);
}

}  // namespace

namespace statistics {

void Threshold64f(const uint8_t* s, uint8_t* d, int64_t len, double level, TThreshold rule,
                  Threshold64fBlocksFn blocks) {
  const ptrdiff_t i =
      blocks ? static_cast<ptrdiff_t>(blocks(s, d, static_cast<size_t>(len), level, rule)) : 0;
  ThresholdRun<Ipp64f>(s, d, i, len, level, rule);
}

}  // namespace statistics

// ---- Norms of a difference -------------------------------------------------------------------

// The forms: norm, step that adds one difference to the running value, whether the result is
// the square root of the sum.
#define PF_STATISTICS_NORM_DIFF_FORMS(X) \
  X(L1, AbsSum, false)                   \
  X(L2, SquareSum, true)                 \
  X(Inf, AbsMax, false)
#define PF_STATISTICS_DEFINE_NORM_DIFF(norm, step, root)                                 \
  IppStatus ippsNormDiff_##norm##_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, \
                                      Ipp64f* pNorm) {                                   \
    return NormDiff(pSrc1, pSrc2, len, pNorm, step{}, root);                             \
  }
PF_STATISTICS_NORM_DIFF_FORMS(PF_STATISTICS_DEFINE_NORM_DIFF)
#undef PF_STATISTICS_DEFINE_NORM_DIFF
#undef PF_STATISTICS_NORM_DIFF_FORMS

// ---- Means and standard deviation ------------------------------------------------------------

IppStatus ippsMean_64f(const Ipp64f* pSrc, int len, Ipp64f* pMean) {
  if (IppStatus st = CheckPointers(pSrc, pMean); st != ippStsNoErr) return st;
  if (len < 1) return ippStsSizeErr;
  const uint8_t* s = rows::Bytes(pSrc);
  ld e = 0.0L, o = 0.0L;
  for (ptrdiff_t i = BlockSums<Ipp64f>(s, len, e, o); i < len; ++i) e += At<Ipp64f>(s, i);
  Put(pMean, static_cast<Ipp64f>((e + o) / len));
  return ippStsNoErr;
}

IppStatus ippsMean_32f(const Ipp32f* pSrc, int len, Ipp32f* pMean, IppHintAlgorithm /*hint*/) {
  if (IppStatus st = CheckPointers(pSrc, pMean); st != ippStsNoErr) return st;
  if (len < 1) return ippStsSizeErr;
  const uint8_t* s = rows::Bytes(pSrc);
  ld e = 0.0L, o = 0.0L;
  ptrdiff_t i = BlockSums<Ipp32f>(s, len, e, o);
  ld total = e + o;
  for (; i < len; ++i) total += At<Ipp32f>(s, i);
  Put(pMean, static_cast<Ipp32f>(total / len));
  return ippStsNoErr;
}

IppStatus ippsStdDev_64f(const Ipp64f* pSrc, int len, Ipp64f* pStdDev) {
  if (IppStatus st = CheckPointers(pSrc, pStdDev); st != ippStsNoErr) return st;
  if (len < 2) return ippStsSizeErr;
  const uint8_t* s = rows::Bytes(pSrc);
  ld e = 0.0L, o = 0.0L, e2 = 0.0L, o2 = 0.0L;
  ptrdiff_t i = 0;
  for (; i + 4 <= len; i += 4) {
    const ld x0 = At<Ipp64f>(s, i), x1 = At<Ipp64f>(s, i + 1);
    const ld x2 = At<Ipp64f>(s, i + 2), x3 = At<Ipp64f>(s, i + 3);
    e += x0;
    o += x1;
    e += x2;
    o += x3;
    e2 += x0 * x0 + x2 * x2;
    o2 += x1 * x1 + x3 * x3;
  }
  for (; i < len; ++i) {
    const ld x = At<Ipp64f>(s, i);
    e += x;
    e2 += x * x;
  }
  const ld n = len;
  const ld s1 = o + e, s2 = o2 + e2;
  const ld num = n * s2 - s1 * s1;
  Put(pStdDev, num > 0 ? static_cast<Ipp64f>(std::sqrt(num / (n * (n - 1)))) : 0.0);
  return ippStsNoErr;
}

// ---- Extremes with their index ---------------------------------------------------------------

// The forms: extreme, whether it is the maximum. Without an index pointer the plain extreme
// is taken.
#define PF_STATISTICS_EXTREME_INDEX_FORMS(X) \
  X(Min, false)                              \
  X(Max, true)
#define PF_STATISTICS_DEFINE_EXTREME_INDEX(name, max)                                        \
  IppStatus ipps##name##Indx_64f(const Ipp64f* pSrc, int len, Ipp64f* p##name, int* pIndx) { \
    if (pIndx == nullptr) return ipps##name##_64f(pSrc, len, p##name);                       \
    return Extreme<max>(pSrc, len, p##name, pIndx);                                          \
  }
PF_STATISTICS_EXTREME_INDEX_FORMS(PF_STATISTICS_DEFINE_EXTREME_INDEX)
#undef PF_STATISTICS_DEFINE_EXTREME_INDEX
#undef PF_STATISTICS_EXTREME_INDEX_FORMS

// ---- Dot products ----------------------------------------------------------------------------

void fbDotProd64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pDp) {
  const uint8_t* a = rows::Bytes(pSrc1);
  const uint8_t* b = rows::Bytes(pSrc2);
  ld sum = 0.0L;
  for (ptrdiff_t i = 0; i < len; ++i) sum += ld{At<Ipp64f>(a, i)} * At<Ipp64f>(b, i);
  Put(pDp, static_cast<Ipp64f>(sum));
}

void fbDotProd64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, int len, Ipp64fc* pDp) {
  const uint8_t* x = rows::Bytes(pSrc1);
  const uint8_t* y = rows::Bytes(pSrc2);
  ld re = 0.0L, im = 0.0L;
  for (ptrdiff_t i = 0; i < len; ++i) {
    const ld a = Re(x, i), b = Im(x, i), c = Re(y, i), e = Im(y, i);
    re = (re + a * c) - b * e;
    im = (im + a * e) + b * c;
  }
  PutComplex(rows::Bytes(pDp), 0, re, im);
}

// The forms: element type, the sum without checks.
#define PF_STATISTICS_DOT_PROD_FORMS(X) \
  X(64f, fbDotProd64f)                  \
  X(64fc, fbDotProd64fc)
#define PF_STATISTICS_DEFINE_DOT_PROD(type, sum)                                        \
  IppStatus ippsDotProd_##type(const Ipp##type* pSrc1, const Ipp##type* pSrc2, int len, \
                               Ipp##type* pDp) {                                        \
    if (IppStatus st = CheckPointers(pSrc1, pSrc2, pDp); st != ippStsNoErr) return st;  \
    if (len < 1) return ippStsSizeErr;                                                  \
    sum(pSrc1, pSrc2, len, pDp);                                                        \
    return ippStsNoErr;                                                                 \
  }
PF_STATISTICS_DOT_PROD_FORMS(PF_STATISTICS_DEFINE_DOT_PROD)
#undef PF_STATISTICS_DEFINE_DOT_PROD
#undef PF_STATISTICS_DOT_PROD_FORMS

IppStatus ippsDotProd_32s_Sfs(const Ipp32s* pSrc1, const Ipp32s* pSrc2, int len, Ipp32s* pDp,
                              int scaleFactor) {
  if (IppStatus st = CheckPointers(pSrc1, pSrc2, pDp); st != ippStsNoErr) return st;
  if (len < 1) return ippStsSizeErr;
  const int sf = scaleFactor < -31 ? -31 : scaleFactor > 93 ? 93 : scaleFactor;
  const ld factor = std::ldexp(1.0L, -sf);
  const uint8_t* a = rows::Bytes(pSrc1);
  const uint8_t* b = rows::Bytes(pSrc2);
  ld sum = 0.0L;
  // A product of two int32 values has at most 63 bits: exact in the 64-bit significand.
  for (ptrdiff_t i = 0; i < len; ++i)
    sum += static_cast<ld>(int64_t{At<Ipp32s>(a, i)} * At<Ipp32s>(b, i));
  ld v = sum * factor;
  if (v > 2147483647.0L) v = 2147483647.0L;
  if (v < -2147483648.0L) v = -2147483648.0L;
  Put(pDp, fbRoundToInt32(v));
  return ippStsNoErr;
}

IppStatus ippsNorm_L2_64fc64f(const Ipp64fc* pSrc, int len, Ipp64f* pNorm) {
  if (IppStatus st = CheckPointers(pSrc, pNorm); st != ippStsNoErr) return st;
  if (len < 1) return ippStsSizeErr;
  const uint8_t* s = rows::Bytes(pSrc);
  ld e = 0.0L, o = 0.0L;
  ptrdiff_t i = 0;
  for (; i + 2 <= len; i += 2) {
    e += Magnitude2(Re(s, i), Im(s, i));
    o += Magnitude2(Re(s, i + 1), Im(s, i + 1));
  }
  if (i < len) e += Magnitude2(Re(s, i), Im(s, i));
  Put(pNorm, static_cast<Ipp64f>(std::sqrt(o + e)));
  return ippStsNoErr;
}

// ---- Normalisation ---------------------------------------------------------------------------

// The real forms: element type.
#define PF_STATISTICS_NORMALIZE_FORMS(X) X(64f) X(32f)
#define PF_STATISTICS_DEFINE_NORMALIZE(type)                                      \
  IppStatus ippsNormalize_##type(const Ipp##type* pSrc, Ipp##type* pDst, int len, \
                                 Ipp##type offset, Ipp##type divisor) {           \
    return NormalizeReal(pSrc, pDst, len, offset, divisor);                       \
  }
PF_STATISTICS_NORMALIZE_FORMS(PF_STATISTICS_DEFINE_NORMALIZE)
#undef PF_STATISTICS_DEFINE_NORMALIZE
#undef PF_STATISTICS_NORMALIZE_FORMS

IppStatus ippsNormalize_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64fc offset,
                             Ipp64f divisor) {
  if (IppStatus st = CheckPointers(pSrc, pDst); st != ippStsNoErr) return st;
  if (len < 1) return ippStsSizeErr;
  if (DivisorTooSmall(divisor)) return ippStsDivByZeroErr;
  const ld r = 1.0L / divisor;
  const uint8_t* s = rows::Bytes(pSrc);
  uint8_t* d = rows::Bytes(pDst);
  for (ptrdiff_t i = 0; i < len; ++i)
    PutComplex(d, i, (ld{Re(s, i)} - offset.re) * r, (ld{Im(s, i)} - offset.im) * r);
  return ippStsNoErr;
}

// ---- Thresholds ------------------------------------------------------------------------------

// The forms in place: element type, level type.
#define PF_STATISTICS_THRESHOLD_IN_PLACE_FORMS(X) \
  X(32f, 32f)                                     \
  X(64f, 64f)                                     \
  X(64fc, 64f)
#define PF_STATISTICS_DEFINE_THRESHOLD_IN_PLACE(type, levelType)                        \
  IppStatus ippsThreshold_##type##_I(Ipp##type* pSrcDst, int len, Ipp##levelType level, \
                                     IppCmpOp relOp) {                                  \
    return ThresholdInPlace(pSrcDst, len, level, relOp);                                \
  }
PF_STATISTICS_THRESHOLD_IN_PLACE_FORMS(PF_STATISTICS_DEFINE_THRESHOLD_IN_PLACE)
#undef PF_STATISTICS_DEFINE_THRESHOLD_IN_PLACE
#undef PF_STATISTICS_THRESHOLD_IN_PLACE_FORMS

// The forms out of place: element type.
#define PF_STATISTICS_THRESHOLD_FORMS(X) X(64f) X(64fc)
#define PF_STATISTICS_DEFINE_THRESHOLD(type)                                                    \
  IppStatus ippsThreshold_##type(const Ipp##type* pSrc, Ipp##type* pDst, int len, Ipp64f level, \
                                 IppCmpOp relOp) {                                              \
    return ThresholdTo(pSrc, pDst, len, level, relOp);                                          \
  }
PF_STATISTICS_THRESHOLD_FORMS(PF_STATISTICS_DEFINE_THRESHOLD)
#undef PF_STATISTICS_DEFINE_THRESHOLD
#undef PF_STATISTICS_THRESHOLD_FORMS

}  // namespace builtin
