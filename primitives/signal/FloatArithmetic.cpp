// Float and complex vector arithmetic (see FloatArithmetic.h).
//
// Every element formula is evaluated in long double and rounded once when stored. The real
// float64 sums, differences, products and quotients of two vectors have vector blocks in plain
// double that give the same bits (the guard below, FloatArithmeticHwy.cpp); every stretch they
// cannot vouch for is redone in long double. Counts are 64-bit: the complex sums and differences run the float64
// engine over 2n values, and the copies and zero fills of the special constants are the
// fill-and-copy primitives, whose byte counts are 64-bit.
#include "primitives/signal/FloatArithmetic.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "primitives/signal/FillCopy.h"
#include "primitives/signal/FloatArithmeticKernels.h"
#include "primitives/support/RowAccess.h"

namespace builtin {
namespace {

using rows::Bytes;
using rows::Load;
using rows::Store;

// ---- Checks and comparisons ----------------------------------------------------------------

inline IppStatus CheckVector(const void* p, int len) {
  if (p == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  return ippStsNoErr;
}

inline IppStatus CheckVectors(const void* a, const void* b, int len) {
  if (a == nullptr || b == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  return ippStsNoErr;
}

inline IppStatus CheckVectors(const void* a, const void* b, const void* c, int len) {
  if (a == nullptr || b == nullptr || c == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  return ippStsNoErr;
}

// x "equals" v where a NaN equals everything.
template <class T>
inline bool EqualsOrNaN(T x, T v) {
  return !(x < v || x > v);
}

inline double FromBits(uint64_t bits) {
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

// The quiet NaN of the zero divisors, 0xFFF8000000000000.
inline double DivisionNaN() { return FromBits(0xFFF8000000000000ull); }

// ---- Element operations --------------------------------------------------------------------

// Real operations on (a, b): each is the long double formula rounded to T.
struct TAdd {  // a + b
  template <class T>
  static T Exact(T a, T b) {
    return static_cast<T>(static_cast<long double>(a) + b);
  }
};
struct TSub {  // a - b
  template <class T>
  static T Exact(T a, T b) {
    return static_cast<T>(static_cast<long double>(a) - b);
  }
};
struct TSubRev {  // b - a
  template <class T>
  static T Exact(T a, T b) {
    return static_cast<T>(static_cast<long double>(b) - a);
  }
};
struct TMul {  // a * b
  template <class T>
  static T Exact(T a, T b) {
    return static_cast<T>(static_cast<long double>(a) * b);
  }
};

// Complex operations on (x, c), x the vector element.
struct TComplexAdd {
  static Ipp64fc Exact(Ipp64fc x, Ipp64fc c) {
    return {static_cast<double>(static_cast<long double>(x.re) + c.re),
            static_cast<double>(static_cast<long double>(x.im) + c.im)};
  }
};
struct TComplexSub {
  static Ipp64fc Exact(Ipp64fc x, Ipp64fc c) {
    return {static_cast<double>(static_cast<long double>(x.re) - c.re),
            static_cast<double>(static_cast<long double>(x.im) - c.im)};
  }
};
struct TComplexSubRev {
  static Ipp64fc Exact(Ipp64fc x, Ipp64fc c) {
    return {static_cast<double>(static_cast<long double>(c.re) - x.re),
            static_cast<double>(static_cast<long double>(c.im) - x.im)};
  }
};
// (a, b) x (c, e) = (a c - b e, a e + b c), partial products and sums in long double.
struct TComplexMul {
  static Ipp64fc Exact(Ipp64fc x, Ipp64fc y) {
    const long double a = x.re, b = x.im, c = y.re, e = y.im;
    return {static_cast<double>(a * c - b * e), static_cast<double>(a * e + b * c)};
  }
};

// ---- The guarded double path ----------------------------------------------------------------
//
// Let x be the exact result of a + b, a * b or a / b for finite doubles, s = fl53(x) the double
// result and e = x - s. The long double result is fl53(fl64(x)). Both roundings are monotone
// and every midpoint m of two neighbouring doubles is a long double, so fl53(fl64(x)) differs
// from s only if fl64(x) reaches the midpoint beside s on e's side, which needs
// |x - m| <= ulp64(x) / 2. Write D = |m - s| (at least ulp53(s) / 4, the quarter only below a
// power of two, where also ulp64(x) = ulp53(s) 2^-12; elsewhere D = ulp53(s) / 2 and
// ulp64(x) <= ulp53(s) 2^-11, since x stays in s's binade on the side of a midpoint).
// The test fl53(s + e (1 + 2^-9)) == s holds only if |e| (1 + 2^-9)(1 - 2^-52) <= D. Then
// either |e| < D / 2, so |x - m| > D / 2 >= ulp53(s) / 8, or
// D - |e| >= |e| 2^-10 >= D 2^-11, which is ulp53(s) 2^-13 > ulp64(x) / 2 below a power of
// two and ulp53(s) 2^-12 > ulp64(x) / 2 elsewhere. So where the test holds s is the long
// double result; where it fails (about 2^-8 of the elements, and every non-finite, huge or tiny
// one) the element is redone in long double. The sums also accept an
// e of at most 8 significant bits where the test fails (then |e| > D / 2, so e is a multiple
// of a power of two above D 2^-9 >= ulp53(s) 2^-11, hence of ulp64(x), as s is): x is then a
// long double itself and both roundings give s. This keeps the ties of sums of like
// magnitudes (e = +-ulp53(s) / 2) on the vector path.
//
// e is exact from the error-free transforms: Knuth's two-sum for sums (exact for finite s) and
// Dekker's product for products and the quotient's remainder r = a - q b (exact while both
// factors stay below 2^995, for Veltkamp's split, and the product above 2^-900, so that no
// partial product underflows, and below 2^1000). The build keeps every operation separately
// rounded (-ffp-contract=off), which these transforms need. The kernels are in
// FloatArithmeticHwy.cpp.
//
// The quotient q = fl53(a / b) has its own test, with multiplications only. Take q in
// [2^-900, DBL_MAX] and a in [2^-900, 2^1000]; then fl(q b) lies within a relative 2^-52 of a,
// so it neither underflows nor overflows, and r = a - q b is exact (a fused multiply-subtract or
// Dekker's product for q b, which also needs q and b below 2^995; a - fl(q b) exact by
// Sterbenz; r itself a double). Let
// 2^E <= |q| < 2^(E+1), u = ulp53(q) = 2^(E-52), s = 2^E |b| and x = a / b = q + r / b.
// First, |x| < |q| is impossible when |q| = 2^E: b q - a is then a nonzero multiple of
// ulp53(a) > |a| 2^-53, so |q| - |x| > |x| 2^-53, beyond the midpoint at u / 4 below q, and
// q would not be fl53(x). So x lies in q's binade (or at its top), ulp64 of the midpoint beside q
// is u 2^-11, D = u / 2 on both sides, and fl64(x) reaches the midpoint only if
// ||r / b| - u / 2| <= u 2^-12, i.e. ||r| 2^53 - s| <= s 2^-11 (multiplying by 2^53 |b|).
// The test computes s, |r| 2^53 and s 2^-11 exactly (doubles times powers of two, all below
// 2^1001 and s 2^-11 above 2^-913) and rounds ||r| 2^53 - s| once; rounding is monotone and
// s 2^-11 is a double, so a computed difference above s 2^-11 means an exact one above it
// (without a fused form the product |r| 2^53 is exact and only the subtraction rounds). Then
// fl64(x) stays strictly on q's side of the midpoint and q is the long double result, as above.
// The margin is tight (quotients whose exact value lies just inside it exist, and the tests
// search for them); about 2^-11 of the quotients fail the test and are redone.

// ---- Engines -------------------------------------------------------------------------------

// d[i] = Op(a[i], b[i]) over count elements at any address, front to back (a source may be
// the destination itself).
template <class T, class Op>
void ZipPlain(const T* a, const T* b, T* d, int64_t first, int64_t count) {
  const uint8_t* pa = Bytes(a);
  const uint8_t* pb = Bytes(b);
  uint8_t* pd = Bytes(d);
  for (int64_t i = first; i < count; ++i)
    Store<T>(pd, i, Op::template Exact<T>(Load<T>(pa, i), Load<T>(pb, i)));
}

// The same through the vector blocks of the guarded double path; the plain code redoes, in
// long double, every stretch the blocks stop at.
template <class Op>
void ZipGuarded64f(const void* a, const void* b, void* d, int64_t count,
                   floatarith::TGuardedOp op) {
  const auto* pa = static_cast<const uint8_t*>(a);
  const auto* pb = static_cast<const uint8_t*>(b);
  auto* pd = static_cast<uint8_t*>(d);
  const floatarith::GuardedBlocksFn blocks = floatarith::VectorGuarded(op);
  rows::WalkRowInBlocks(
      count,
      [&](ptrdiff_t i) {
        return static_cast<ptrdiff_t>(
            blocks(pa + 8 * i, pb + 8 * i, pd + 8 * i, static_cast<size_t>(count - i)));
      },
      [&](ptrdiff_t i, ptrdiff_t end) {
        for (; i < end; ++i)
          Store<double>(pd, i,
                        Op::template Exact<double>(Load<double>(pa, i), Load<double>(pb, i)));
      });
}

// The float64 engine of the two-vector forms: d = Op(a, b) over count values.
// The vectors are float64 values at any address (complex vectors passed as 2n values).
template <class Op>
void Zip64f(const void* a, const void* b, void* d, int64_t count) {
  if constexpr (std::is_same_v<Op, TAdd>) {
    ZipGuarded64f<Op>(a, b, d, count, floatarith::TGuardedOp::Add);
  } else if constexpr (std::is_same_v<Op, TSub>) {
    ZipGuarded64f<Op>(a, b, d, count, floatarith::TGuardedOp::Sub);
  } else if constexpr (std::is_same_v<Op, TMul>) {
    ZipGuarded64f<Op>(a, b, d, count, floatarith::TGuardedOp::Mul);
  } else {
    ZipPlain<Ipp64f, Op>(static_cast<const Ipp64f*>(a), static_cast<const Ipp64f*>(b),
                         static_cast<Ipp64f*>(d), 0, count);
  }
}

template <class T, class Op>
void Zip(const T* a, const T* b, T* d, int64_t count) {
  if constexpr (std::is_same_v<T, Ipp64f>) {
    Zip64f<Op>(a, b, d, count);
  } else {
    ZipPlain<T, Op>(a, b, d, 0, count);
  }
}

// d[i] = Op(s[i], c) for real elements.
template <class T, class Op>
void MapConstant(const T* s, T c, T* d, int64_t count) {
  const uint8_t* ps = Bytes(s);
  uint8_t* pd = Bytes(d);
  for (int64_t i = 0; i < count; ++i) Store<T>(pd, i, Op::template Exact<T>(Load<T>(ps, i), c));
}

// Complex elements at any address: value 2i is the real part of element i.
inline Ipp64fc LoadComplex(const uint8_t* p, int64_t i) {
  return {Load<double>(p, 2 * i), Load<double>(p, 2 * i + 1)};
}
inline void StoreComplex(uint8_t* p, int64_t i, Ipp64fc v) {
  Store<double>(p, 2 * i, v.re);
  Store<double>(p, 2 * i + 1, v.im);
}

// d[i] = Op(s[i], c) for complex elements.
template <class Op>
void MapComplexConstant(const Ipp64fc* s, Ipp64fc c, Ipp64fc* d, int64_t count) {
  const uint8_t* ps = Bytes(s);
  uint8_t* pd = Bytes(d);
  for (int64_t i = 0; i < count; ++i) StoreComplex(pd, i, Op::Exact(LoadComplex(ps, i), c));
}

// ---- Forms with two vectors ------------------------------------------------------------------

// Out of place: d = Op(s1, s2).
template <class T, class Op>
IppStatus VectorOut(const T* pSrc1, const T* pSrc2, T* pDst, int len) {
  if (IppStatus st = CheckVectors(pSrc1, pSrc2, pDst, len)) return st;
  Zip<T, Op>(pSrc1, pSrc2, pDst, len);
  return ippStsNoErr;
}

// In place: sd = Op(sd, s).
template <class T, class Op>
IppStatus VectorIn(const T* pSrc, T* pSrcDst, int len) {
  if (IppStatus st = CheckVectors(pSrc, pSrcDst, len)) return st;
  Zip<T, Op>(pSrcDst, pSrc, pSrcDst, len);
  return ippStsNoErr;
}

// The complex sums and differences, part by part (FloatArithmeticKernels.h): the length
// first, then the float64 engine over 2n values.
template <class Op>
IppStatus ComplexParts(const Ipp64fc* a, const Ipp64fc* b, Ipp64fc* d, int len) {
  return floatarith::ComplexAsParts(a, b, d, len, Zip64f<Op>);
}

template <class Op>
IppStatus ComplexIn(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
  return ComplexParts<Op>(pSrcDst, pSrc, pSrcDst, len);
}

// ---- Forms with a real constant ----------------------------------------------------------------

// Sums and differences: a constant equal to 0 copies out of place and writes nothing in place.
template <class Op>
IppStatus ShiftConstant(const Ipp64f* pSrc, Ipp64f c, Ipp64f* pDst, int len, bool inPlace) {
  if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;
  if (EqualsOrNaN(c, 0.0)) return inPlace ? ippStsNoErr : ippsCopy_64f(pSrc, pDst, len);
  MapConstant<Ipp64f, Op>(pSrc, c, pDst, len);
  return ippStsNoErr;
}

// Products: a constant equal to 1 is a copy (nothing in place), else one equal to 0 a zero fill.
template <class T>
IppStatus ScaleConstant(const T* pSrc, T c, T* pDst, int len, bool inPlace) {
  if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;
  if (EqualsOrNaN(c, T{1})) {
    if (inPlace) return ippStsNoErr;
    if constexpr (std::is_same_v<T, Ipp64f>)
      return ippsCopy_64f(pSrc, pDst, len);
    else
      return ippsCopy_32f(pSrc, pDst, len);
  }
  if (EqualsOrNaN(c, T{0})) {
    if constexpr (std::is_same_v<T, Ipp64f>)
      return ippsZero_64f(pDst, len);
    else
      return ippsZero_32f(pDst, len);
  }
  MapConstant<T, TMul>(pSrc, c, pDst, len);
  return ippStsNoErr;
}

// ---- Forms with a complex constant ---------------------------------------------------------------

template <class Op>
IppStatus ComplexConstant(const Ipp64fc* pSrc, Ipp64fc c, Ipp64fc* pDst, int len) {
  if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;
  MapComplexConstant<Op>(pSrc, c, pDst, len);
  return ippStsNoErr;
}

// The same for float64 elements, with no special constants.
template <class Op>
IppStatus RealConstant(const Ipp64f* pSrc, Ipp64f c, Ipp64f* pDst, int len) {
  if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;
  MapConstant<Ipp64f, Op>(pSrc, c, pDst, len);
  return ippStsNoErr;
}

// ---- Extremes --------------------------------------------------------------------------------

struct Greater {
  bool operator()(double x, double v) const { return x > v; }
};
struct SmallerOrUnordered {
  bool operator()(double x, double v) const { return !(x >= v); }
};

// The running extreme from s[0]: it moves to x wherever Moves(x, it) holds.
template <class Moves>
IppStatus ExtremeOf(const Ipp64f* pSrc, int len, Ipp64f* pResult) {
  if (IppStatus st = CheckVectors(pSrc, pResult, len)) return st;
  const uint8_t* ps = Bytes(pSrc);
  double v = Load<double>(ps, 0);
  for (int64_t i = 0; i < len; ++i) {
    const double x = Load<double>(ps, i);
    if (Moves{}(x, v)) v = x;
  }
  Store<double>(Bytes(pResult), 0, v);
  return ippStsNoErr;
}

}  // namespace

// ---- Division kernels ----------------------------------------------------------------------------

IppStatus fbDivide64f(const Ipp64f* pDivisor, const Ipp64f* pDividend, Ipp64f* pDst, int len) {
  if (IppStatus st = CheckVectors(pDivisor, pDividend, pDst, len)) return st;
  const uint8_t* pa = Bytes(pDivisor);
  const uint8_t* pp = Bytes(pDividend);
  uint8_t* pd = Bytes(pDst);
  bool zeroDivisor = false;
  const floatarith::GuardedBlocksFn blocks = floatarith::VectorGuarded(floatarith::TGuardedOp::Div);
  rows::WalkRowInBlocks(
      len,
      [&](ptrdiff_t i) {
        return static_cast<ptrdiff_t>(
            blocks(pp + 8 * i, pa + 8 * i, pd + 8 * i, static_cast<size_t>(len - i)));
      },
      [&](ptrdiff_t i, ptrdiff_t end) {
        for (; i < end; ++i) {
          const double a = Load<double>(pa, i), p = Load<double>(pp, i);
          if (EqualsOrNaN(a, 0.0)) {
            zeroDivisor = true;
            Store<double>(pd, i, p > 0 ? HUGE_VAL : p == 0 ? DivisionNaN() : -HUGE_VAL);
          } else {
            Store<double>(pd, i, static_cast<double>(static_cast<long double>(p) / a));
          }
        }
      });
  return zeroDivisor ? ippStsDivByZero : ippStsNoErr;
}

IppStatus fbDivide64fc(const Ipp64fc* pDivisor, const Ipp64fc* pDividend, Ipp64fc* pDst, int len) {
  if (IppStatus st = CheckVectors(pDivisor, pDividend, pDst, len)) return st;
  const uint8_t* pv = Bytes(pDivisor);
  const uint8_t* pu = Bytes(pDividend);
  uint8_t* pd = Bytes(pDst);
  bool zeroDivisor = false;
  for (int64_t i = 0; i < len; ++i) {
    const Ipp64fc v = LoadComplex(pv, i), u = LoadComplex(pu, i);
    const long double a = v.re, b = v.im, p = u.re, q = u.im;
    const long double m = a * a + b * b;
    if (!(m > 0)) {  // 0 or NaN
      zeroDivisor = true;
      StoreComplex(pd, i, {DivisionNaN(), DivisionNaN()});
      continue;
    }
    const long double r = 1 / m;
    StoreComplex(
        pd, i,
        {static_cast<double>((a * p + b * q) * r), static_cast<double>((a * q - b * p) * r)});
  }
  return zeroDivisor ? ippStsDivByZero : ippStsNoErr;
}

// ---- Two vectors ------------------------------------------------------------------------------

// Out of place: name, element type, operation (d = op(s1, s2)).
#define PF_FLOAT_ARITHMETIC_OUT_FORMS(X) \
  X(Add_64f, Ipp64f, TAdd)               \
  X(Mul_64f, Ipp64f, TMul)               \
  X(Mul_32f, Ipp32f, TMul)
#define PF_FLOAT_ARITHMETIC_DEFINE_OUT(Name, T, Op)                        \
  IppStatus ipps##Name(const T* pSrc1, const T* pSrc2, T* pDst, int len) { \
    return VectorOut<T, Op>(pSrc1, pSrc2, pDst, len);                      \
  }
PF_FLOAT_ARITHMETIC_OUT_FORMS(PF_FLOAT_ARITHMETIC_DEFINE_OUT)
#undef PF_FLOAT_ARITHMETIC_DEFINE_OUT
#undef PF_FLOAT_ARITHMETIC_OUT_FORMS

// In place: name, element type, operation (sd = op(sd, s)).
#define PF_FLOAT_ARITHMETIC_IN_FORMS(X) \
  X(Add_64f_I, Ipp64f, TAdd)            \
  X(Sub_64f_I, Ipp64f, TSub)            \
  X(Mul_64f_I, Ipp64f, TMul)            \
  X(Mul_32f_I, Ipp32f, TMul)            \
  X(Sub_32f_I, Ipp32f, TSub)
#define PF_FLOAT_ARITHMETIC_DEFINE_IN(Name, T, Op)           \
  IppStatus ipps##Name(const T* pSrc, T* pSrcDst, int len) { \
    return VectorIn<T, Op>(pSrc, pSrcDst, len);              \
  }
PF_FLOAT_ARITHMETIC_IN_FORMS(PF_FLOAT_ARITHMETIC_DEFINE_IN)
#undef PF_FLOAT_ARITHMETIC_DEFINE_IN
#undef PF_FLOAT_ARITHMETIC_IN_FORMS

// Quotients in place: element type, division kernel (sd = sd / s).
#define PF_FLOAT_ARITHMETIC_DIVISION_IN_FORMS(X) \
  X(64f, fbDivide64f)                            \
  X(64fc, fbDivide64fc)
#define PF_FLOAT_ARITHMETIC_DEFINE_DIVISION_IN(type, divide)                         \
  IppStatus ippsDiv_##type##_I(const Ipp##type* pSrc, Ipp##type* pSrcDst, int len) { \
    if (IppStatus st = CheckVectors(pSrc, pSrcDst, len)) return st;                  \
    return divide(pSrc, pSrcDst, pSrcDst, len);                                      \
  }
PF_FLOAT_ARITHMETIC_DIVISION_IN_FORMS(PF_FLOAT_ARITHMETIC_DEFINE_DIVISION_IN)
#undef PF_FLOAT_ARITHMETIC_DEFINE_DIVISION_IN
#undef PF_FLOAT_ARITHMETIC_DIVISION_IN_FORMS

// Complex, part by part, the length checked first: name, operation (sd = op(sd, s)).
#define PF_FLOAT_ARITHMETIC_COMPLEX_IN_FORMS(X) \
  X(Add_64fc_I, TAdd)                           \
  X(Sub_64fc_I, TSub)
#define PF_FLOAT_ARITHMETIC_DEFINE_COMPLEX_IN(Name, Op)                  \
  IppStatus ipps##Name(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) { \
    return ComplexIn<Op>(pSrc, pSrcDst, len);                            \
  }
PF_FLOAT_ARITHMETIC_COMPLEX_IN_FORMS(PF_FLOAT_ARITHMETIC_DEFINE_COMPLEX_IN)
#undef PF_FLOAT_ARITHMETIC_DEFINE_COMPLEX_IN
#undef PF_FLOAT_ARITHMETIC_COMPLEX_IN_FORMS

IppStatus ippsAdd_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, Ipp64fc* pDst, int len) {
  return ComplexParts<TAdd>(pSrc1, pSrc2, pDst, len);
}

IppStatus ippsMul_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
  if (IppStatus st = CheckVectors(pSrc, pSrcDst, len)) return st;
  const uint8_t* ps = Bytes(pSrc);
  uint8_t* pd = Bytes(pSrcDst);
  for (int64_t i = 0; i < len; ++i)
    StoreComplex(pd, i, TComplexMul::Exact(LoadComplex(pd, i), LoadComplex(ps, i)));
  return ippStsNoErr;
}

// ---- Real constants ---------------------------------------------------------------------------

// Out of place and in place: name, element type, engine (source, c, destination, n, in place).
#define PF_FLOAT_ARITHMETIC_CONSTANT_FORMS(X) \
  X(AddC_64f, Ipp64f, ShiftConstant<TAdd>)    \
  X(SubC_64f, Ipp64f, ShiftConstant<TSub>)    \
  X(MulC_64f, Ipp64f, ScaleConstant<Ipp64f>)
#define PF_FLOAT_ARITHMETIC_DEFINE_CONSTANT(Name, T, engine)     \
  IppStatus ipps##Name(const T* pSrc, T val, T* pDst, int len) { \
    return engine(pSrc, val, pDst, len, false);                  \
  }                                                              \
  IppStatus ipps##Name##_I(T val, T* pSrcDst, int len) {         \
    return engine(pSrcDst, val, pSrcDst, len, true);             \
  }
PF_FLOAT_ARITHMETIC_CONSTANT_FORMS(PF_FLOAT_ARITHMETIC_DEFINE_CONSTANT)
#undef PF_FLOAT_ARITHMETIC_DEFINE_CONSTANT
#undef PF_FLOAT_ARITHMETIC_CONSTANT_FORMS

IppStatus ippsMulC_32f_I(Ipp32f val, Ipp32f* pSrcDst, int len) {
  return ScaleConstant<Ipp32f>(pSrcDst, val, pSrcDst, len, true);
}

// The reciprocal rounded to float64, then the multiplication's own special cases.
IppStatus ippsDivC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
  if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;
  if (EqualsOrNaN(val, 0.0)) return ippStsDivByZeroErr;
  return ippsMulC_64f(pSrc, static_cast<double>(1.0L / val), pDst, len);
}

IppStatus ippsDivC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
  if (IppStatus st = CheckVector(pSrcDst, len)) return st;
  if (EqualsOrNaN(val, 0.0)) return ippStsDivByZeroErr;
  return ippsMulC_64f_I(static_cast<double>(1.0L / val), pSrcDst, len);
}

// ---- Complex constants ------------------------------------------------------------------------

// Out of place and in place: name, operation (x the element, c the constant).
#define PF_FLOAT_ARITHMETIC_COMPLEX_CONSTANT_FORMS(X) \
  X(AddC_64fc, TComplexAdd)                           \
  X(SubC_64fc, TComplexSub)                           \
  X(MulC_64fc, TComplexMul)
#define PF_FLOAT_ARITHMETIC_DEFINE_COMPLEX_CONSTANT(Name, Op)                      \
  IppStatus ipps##Name(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) { \
    return ComplexConstant<Op>(pSrc, val, pDst, len);                              \
  }                                                                                \
  IppStatus ipps##Name##_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {               \
    return ComplexConstant<Op>(pSrcDst, val, pSrcDst, len);                        \
  }
PF_FLOAT_ARITHMETIC_COMPLEX_CONSTANT_FORMS(PF_FLOAT_ARITHMETIC_DEFINE_COMPLEX_CONSTANT)
#undef PF_FLOAT_ARITHMETIC_DEFINE_COMPLEX_CONSTANT
#undef PF_FLOAT_ARITHMETIC_COMPLEX_CONSTANT_FORMS

// Reversed differences, out of place only: element type, engine (source, c, destination, n).
#define PF_FLOAT_ARITHMETIC_REVERSED_FORMS(X) \
  X(64f, RealConstant<TSubRev>)               \
  X(64fc, ComplexConstant<TComplexSubRev>)
#define PF_FLOAT_ARITHMETIC_DEFINE_REVERSED(type, engine)                                        \
  IppStatus ippsSubCRev_##type(const Ipp##type* pSrc, Ipp##type val, Ipp##type* pDst, int len) { \
    return engine(pSrc, val, pDst, len);                                                         \
  }
PF_FLOAT_ARITHMETIC_REVERSED_FORMS(PF_FLOAT_ARITHMETIC_DEFINE_REVERSED)
#undef PF_FLOAT_ARITHMETIC_DEFINE_REVERSED
#undef PF_FLOAT_ARITHMETIC_REVERSED_FORMS

IppStatus ippsDivC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
  if (IppStatus st = CheckVectors(pSrc, pDst, len)) return st;
  const long double re = val.re, im = val.im;
  const long double m = re * re + im * im;
  if (!(m > 0)) return ippStsDivByZeroErr;  // 0 or NaN
  const long double r = 1 / m;
  const Ipp64fc w = {static_cast<double>(re * r), static_cast<double>(-im * r)};
  return ippsMulC_64fc(pSrc, w, pDst, len);
}

IppStatus ippsDivC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
  if (IppStatus st = CheckVector(pSrcDst, len)) return st;
  return ippsDivC_64fc(pSrcDst, val, pSrcDst, len);
}

// ---- Reductions -------------------------------------------------------------------------------

IppStatus ippsSum_64f(const Ipp64f* pSrc, int len, Ipp64f* pSum) {
  if (IppStatus st = CheckVectors(pSrc, pSum, len)) return st;
  const uint8_t* ps = Bytes(pSrc);
  long double a = 0.0L, b = 0.0L;
  int64_t i = 0;
  for (; i + 4 <= len; i += 4) {
    a += Load<double>(ps, i);
    b += Load<double>(ps, i + 1);
    a += Load<double>(ps, i + 2);
    b += Load<double>(ps, i + 3);
  }
  for (; i < len; ++i) a += Load<double>(ps, i);
  Store<double>(Bytes(pSum), 0, static_cast<double>(a + b));
  return ippStsNoErr;
}

// Extremes: name, comparison that moves the running value to x (the minimum also moves to an
// unordered x).
#define PF_FLOAT_ARITHMETIC_EXTREME_FORMS(X) \
  X(Max, Greater)                            \
  X(Min, SmallerOrUnordered)
#define PF_FLOAT_ARITHMETIC_DEFINE_EXTREME(name, moves)                      \
  IppStatus ipps##name##_64f(const Ipp64f* pSrc, int len, Ipp64f* p##name) { \
    return ExtremeOf<moves>(pSrc, len, p##name);                             \
  }
PF_FLOAT_ARITHMETIC_EXTREME_FORMS(PF_FLOAT_ARITHMETIC_DEFINE_EXTREME)
#undef PF_FLOAT_ARITHMETIC_DEFINE_EXTREME
#undef PF_FLOAT_ARITHMETIC_EXTREME_FORMS

}  // namespace builtin
