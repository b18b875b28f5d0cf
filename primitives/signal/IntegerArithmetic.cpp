// Integer vector arithmetic with a scale factor (see IntegerArithmetic.h).
//
// Sums, differences and products are formed exactly in 64 bits and go through the one
// scale-factor rule of the primitives (primitives/support/ScaleFactor.h), which picks the
// loop of its branch once per call; byte vectors share the 8-bit row engine of the image
// arithmetic. The scaled quotient is computed with a 64-bit significand,
// which rounds every pair of int32 operands exactly.
#include "primitives/signal/IntegerArithmetic.h"

#include <cstdint>
#include <type_traits>

#include "primitives/signal/FillCopy.h"
#include "primitives/signal/IntegerArithmeticKernels.h"
#include "primitives/support/ByteArithmeticEngine.h"
#include "primitives/support/FloatToInt.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/ScaleFactor.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

// ---- Checks and the plain fills and copies of the special cases ----------------------------

inline IppStatus CheckVectors(const void* a, const void* b, int len) {
  if (a == nullptr || b == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  return ippStsNoErr;
}

// The zero fill of the special cases: its own checks cannot fail where it is called.
IppStatus fbZeroStatus(void* pDst, int len) {
  if (pDst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  fbZeroBytes(pDst, 4 * static_cast<int64_t>(len));
  return ippStsNoErr;
}

IppStatus fbCopy32s(const void* pSrc, void* pDst, int len) {
  if (IppStatus s = CheckVectors(pSrc, pDst, len); s != ippStsNoErr) return s;
  // The destination may be the source itself; there is nothing to move then.
  if (pSrc != pDst) fbCopyBytes(pSrc, pDst, 4 * static_cast<int64_t>(len));
  return ippStsNoErr;
}

// d[i] = f(s[i]) and d[i] = f(a[i], b[i]) over vectors at any address, element by element
// front to back (so a source may be the destination itself).
template <class T, class F>
void MapElements(const T* s, T* d, int len, F f) {
  const uint8_t* src = rows::Bytes(s);
  uint8_t* dst = rows::Bytes(d);
  for (ptrdiff_t i = 0; i < len; ++i) rows::Store<T>(dst, i, f(rows::Load<T>(src, i)));
}

template <class T, class F>
void ZipElements(const T* a, const T* b, T* d, int len, F f) {
  const uint8_t* first = rows::Bytes(a);
  const uint8_t* second = rows::Bytes(b);
  uint8_t* dst = rows::Bytes(d);
  for (ptrdiff_t i = 0; i < len; ++i)
    rows::Store<T>(dst, i, f(rows::Load<T>(first, i), rows::Load<T>(second, i)));
}

// ---- Scaled int32 arithmetic -----------------------------------------------------------------

// The exact results of two int32 operands.
struct TAdd {
  int64_t operator()(int64_t a, int64_t b) const { return a + b; }
};
struct TSub {  // minuend first
  int64_t operator()(int64_t a, int64_t b) const { return a - b; }
};
struct TMul {
  int64_t operator()(int64_t a, int64_t b) const { return a * b; }
};

// The sums and differences as the vector blocks name them.
template <class Op>
constexpr intarith::TSumOp kSumOp =
    std::is_same_v<Op, TAdd> ? intarith::TSumOp::Add : intarith::TSumOp::Sub;
template <class Op>
constexpr bool kIsSum = std::is_same_v<Op, TAdd> || std::is_same_v<Op, TSub>;

// d[i] = R(op(a[i], b[i])); a and b may be the destination itself. Sums and differences go
// through the vector blocks.
template <class Op>
void Scaled32s(const Ipp32s* a, const Ipp32s* b, Ipp32s* d, int len, int sf, Op op) {
  if constexpr (kIsSum<Op>) {
    intarith::Sums32s(rows::Bytes(a), rows::Bytes(b), 0, rows::Bytes(d), len, sf, kSumOp<Op>,
                      intarith::VectorSumBlocks());
  } else {
    sfs::WithScaleRule<int32_t, int64_t>(sf, [&](auto rule) {
      ZipElements(a, b, d, len, [&](Ipp32s x, Ipp32s y) { return rule(op(x, y)); });
    });
  }
}

// d[i] = R(op(a[i], c)).
template <class Op>
void Scaled32sC(const Ipp32s* a, int64_t c, Ipp32s* d, int len, int sf, Op op) {
  if constexpr (kIsSum<Op>) {
    intarith::Sums32s(rows::Bytes(a), nullptr, c, rows::Bytes(d), len, sf, kSumOp<Op>,
                      intarith::VectorSumBlocks());
  } else {
    sfs::WithScaleRule<int32_t, int64_t>(
        sf, [&](auto rule) { MapElements(a, d, len, [&](Ipp32s x) { return rule(op(x, c)); }); });
  }
}

// Sums and differences are at most 2^32 in magnitude, so from 33 on every result is 0.
constexpr int kSumZeroFactor = 32;
// Products are at most 2^62.
constexpr int kProductZeroFactor = 62;

// sd = R(op(sd, s)) for the two-vector forms.
template <class Op>
IppStatus Vector32s(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int sf, int zeroAbove, Op op) {
  if (IppStatus s = CheckVectors(pSrc, pSrcDst, len); s != ippStsNoErr) return s;
  if (sf > zeroAbove) return fbZeroStatus(pSrcDst, len);
  Scaled32s(pSrcDst, pSrc, pSrcDst, len, sf, op);
  return ippStsNoErr;
}

// d = R(op(s, c)) for the constant forms; unchanged is the constant that leaves every element
// as it is at sf = 0 (in place: nothing written; out of place: a copy).
template <class Op>
IppStatus Constant32s(const Ipp32s* pSrc, int64_t c, Ipp32s* pDst, int len, int sf, int zeroAbove,
                      int64_t unchanged, Op op) {
  if (IppStatus s = CheckVectors(pSrc, pDst, len); s != ippStsNoErr) return s;
  if (sf > zeroAbove) return fbZeroStatus(pDst, len);
  if (sf == 0 && c == unchanged) return pSrc == pDst ? ippStsNoErr : fbCopy32s(pSrc, pDst, len);
  Scaled32sC(pSrc, c, pDst, len, sf, op);
  return ippStsNoErr;
}

// The engines of the constant forms: sums and differences, and products (a factor 0 zero-fills).
template <class Op>
IppStatus Sum32sC(const Ipp32s* pSrc, Ipp32s c, Ipp32s* pDst, int len, int sf) {
  return Constant32s(pSrc, c, pDst, len, sf, kSumZeroFactor, 0, Op{});
}

IppStatus Product32sC(const Ipp32s* pSrc, Ipp32s c, Ipp32s* pDst, int len, int sf) {
  if (IppStatus s = CheckVectors(pSrc, pDst, len); s != ippStsNoErr) return s;
  if (c == 0) return fbZeroStatus(pDst, len);
  return Constant32s(pSrc, c, pDst, len, sf, kProductZeroFactor, 1, TMul{});
}

// ---- Scaled division -------------------------------------------------------------------------

// The saturated sign of a quotient whose size no int32 can hold.
inline Ipp32s SignSaturated(bool negative) { return negative ? INT32_MIN : INT32_MAX; }

// x rounded to the nearest integer, ties to even, through the truncation of x +- 0.5 and a
// correction where that sum is an odd integer exactly. clamp saturates first (needed when
// sf <= 0, where x can exceed the int32 range).
inline Ipp32s RoundQuotient(long double x, bool clamp) {
  if (clamp) {
    if (x > 2147483647.0L) return INT32_MAX;
    if (x < -2147483648.0L) return INT32_MIN;
  }
  if (x >= 0) {
    const long double y = x + 0.5L;
    Ipp32s k = fbTruncToInt32(y);
    if ((k & 1) != 0 && y == static_cast<long double>(k)) --k;
    return k;
  }
  const long double y = x - 0.5L;
  Ipp32s k = fbTruncToInt32(y);
  if ((k & 1) != 0 && y == static_cast<long double>(k)) ++k;
  return k;
}

// d[i] = R(dividend[i] * 2^(-sf) / divisor[i]); returns 6 when a divisor was 0.
IppStatus fbDivide32sSfs(const Ipp32s* divisor, const Ipp32s* dividend, Ipp32s* d, int len,
                         int sf) {
  if (divisor == nullptr || dividend == nullptr || d == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  const long double w = sfs::Factor(sf);  // exact for the factors that reach the division
  bool zeroDivisor = false;
  ZipElements(divisor, dividend, d, len, [&](Ipp32s a, Ipp32s p) -> Ipp32s {
    if (a == 0) {
      zeroDivisor = true;
      return p == 0 ? 0 : SignSaturated(p < 0);
    }
    if (sf < -62) return p == 0 ? 0 : SignSaturated((p < 0) != (a < 0));
    if (sf > 32) return 0;
    return RoundQuotient(static_cast<long double>(p) * w / a, sf <= 0);
  });
  return zeroDivisor ? ippStsDivByZero : ippStsNoErr;
}

// x / c truncated toward zero, for every x and c: INT32_MIN / -1 saturates, and a zero
// divisor gives the sign-saturated value.
void DivideTruncated(const Ipp32s* pSrc, Ipp32s c, Ipp32s* pDst, int len) {
  if (c == -1) {
    MapElements(pSrc, pDst, len, [](Ipp32s x) { return x == INT32_MIN ? INT32_MAX : -x; });
  } else if (c == 0) {
    MapElements(pSrc, pDst, len, [](Ipp32s x) { return x == 0 ? 0 : SignSaturated(x < 0); });
  } else {
    MapElements(pSrc, pDst, len, [c](Ipp32s x) { return x / c; });
  }
}

// ---- Scaled byte arithmetic ------------------------------------------------------------------

// sd = R8(sd op s) on the 8-bit row engine of the image arithmetic; factors whose results are
// all 0 zero-fill.
IppStatus Vector8u(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int sf, arith::TArith8u op) {
  if (IppStatus s = CheckVectors(pSrc, pSrcDst, len); s != ippStsNoErr) return s;
  if (sf > arith::ZeroAbove(op)) return ippsZero_8u(pSrcDst, len);
  arith::Arith8u(op, sf, arith::TRows8u{pSrcDst, 0, pSrc, 0, pSrcDst, 0, len, 1});
  return ippStsNoErr;
}

// ---- Logic and shifts ------------------------------------------------------------------------

template <intarith::TLogicOp kOp>
IppStatus Logic(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len) {
  if (IppStatus s = CheckVectors(pSrc, pSrcDst, len); s != ippStsNoErr) return s;
  intarith::Logic32u(rows::Bytes(pSrcDst), rows::Bytes(pSrc), 0, rows::Bytes(pSrcDst), len, kOp,
                     intarith::VectorLogicBlocks());
  return ippStsNoErr;
}

// d = op(s, c) for or and xor, which leave the words unchanged for c = 0: then they are
// copied (nothing is written in place).
template <intarith::TLogicOp kOp>
IppStatus LogicC(const Ipp32u* pSrc, Ipp32u c, Ipp32u* pDst, int len) {
  if (IppStatus s = CheckVectors(pSrc, pDst, len); s != ippStsNoErr) return s;
  if (c == 0) return pSrc == pDst ? ippStsNoErr : fbCopy32s(pSrc, pDst, len);
  intarith::Logic32u(rows::Bytes(pSrc), nullptr, c, rows::Bytes(pDst), len, kOp,
                     intarith::VectorLogicBlocks());
  return ippStsNoErr;
}

IppStatus AndC(const Ipp32u* pSrc, Ipp32u c, Ipp32u* pDst, int len) {
  if (IppStatus s = CheckVectors(pSrc, pDst, len); s != ippStsNoErr) return s;
  if (c == 0) return fbZeroStatus(pDst, len);
  intarith::Logic32u(rows::Bytes(pSrc), nullptr, c, rows::Bytes(pDst), len, intarith::TLogicOp::And,
                     intarith::VectorLogicBlocks());
  return ippStsNoErr;
}

// Shifts: pointers, length, then a negative count; a count of 0 copies (nothing in place).
IppStatus ShiftLeft(const Ipp32s* pSrc, int c, Ipp32s* pDst, int len) {
  if (IppStatus s = CheckVectors(pSrc, pDst, len); s != ippStsNoErr) return s;
  if (c < 0) return ippStsShiftErr;
  if (c == 0) return pSrc == pDst ? ippStsNoErr : fbCopy32s(pSrc, pDst, len);
  if (c >= 32) return fbZeroStatus(pDst, len);
  // The bits shifted out are lost: the shift runs on the unsigned word.
  MapElements(pSrc, pDst, len,
              [c](Ipp32s x) { return static_cast<Ipp32s>(static_cast<Ipp32u>(x) << c); });
  return ippStsNoErr;
}

IppStatus ShiftRight(const Ipp32s* pSrc, int c, Ipp32s* pDst, int len) {
  if (IppStatus s = CheckVectors(pSrc, pDst, len); s != ippStsNoErr) return s;
  if (c < 0) return ippStsShiftErr;
  if (c == 0) return pSrc == pDst ? ippStsNoErr : fbCopy32s(pSrc, pDst, len);
  const int shift = c > 31 ? 31 : c;  // 32 or more leaves only the sign: -1 or 0
  MapElements(pSrc, pDst, len, [shift](Ipp32s x) { return x >> shift; });
  return ippStsNoErr;
}

}  // namespace

namespace intarith {

void Sums32s(const uint8_t* a, const uint8_t* b, int64_t c, uint8_t* d, int64_t len, int sf,
             TSumOp op, SumBlocksFn blocks) {
  const int64_t done =
      blocks && len > 0 ? static_cast<int64_t>(blocks(a, b, c, d, static_cast<size_t>(len), sf, op))
                        : 0;
  sfs::WithScaleRule<int32_t, int64_t>(sf, [&](auto rule) {
    for (ptrdiff_t i = done; i < len; ++i) {
      const int64_t x = rows::Load<Ipp32s>(a, i);
      const int64_t y = b ? int64_t{rows::Load<Ipp32s>(b, i)} : c;
      const int64_t v = op == TSumOp::Add ? x + y : (op == TSumOp::Sub ? x - y : y - x);
      rows::Store<Ipp32s>(d, i, rule(v));
    }
  });
}

void Logic32u(const uint8_t* a, const uint8_t* b, uint32_t c, uint8_t* d, int64_t len, TLogicOp op,
              LogicBlocksFn blocks) {
  ptrdiff_t i = blocks && len > 0
                    ? static_cast<ptrdiff_t>(blocks(a, b, c, d, static_cast<size_t>(len), op))
                    : 0;
  for (; i < len; ++i) {
    const Ipp32u x = rows::Load<Ipp32u>(a, i), y = b ? rows::Load<Ipp32u>(b, i) : c;
    rows::Store<Ipp32u>(d, i, op == TLogicOp::And ? x & y : (op == TLogicOp::Or ? x | y : x ^ y));
  }
}

}  // namespace intarith

// ---- int32 ---------------------------------------------------------------------------------

// Vector with vector: name, exact operation, the factor above which every result is 0.
#define PF_INTEGER_ARITHMETIC_32S_FORMS(X) \
  X(Add, TAdd, kSumZeroFactor)             \
  X(Sub, TSub, kSumZeroFactor)             \
  X(Mul, TMul, kProductZeroFactor)
#define PF_INTEGER_ARITHMETIC_DEFINE_32S(Name, Op, zeroAbove)                                      \
  IppStatus ipps##Name##_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) { \
    return Vector32s(pSrc, pSrcDst, len, scaleFactor, zeroAbove, Op{});                            \
  }
PF_INTEGER_ARITHMETIC_32S_FORMS(PF_INTEGER_ARITHMETIC_DEFINE_32S)
#undef PF_INTEGER_ARITHMETIC_DEFINE_32S
#undef PF_INTEGER_ARITHMETIC_32S_FORMS

IppStatus ippsDiv_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) {
  if (IppStatus s = CheckVectors(pSrc, pSrcDst, len); s != ippStsNoErr) return s;
  return fbDivide32sSfs(pSrc, pSrcDst, pSrcDst, len, scaleFactor);
}

// Vector with constant, in place and out of place: name, engine.
#define PF_INTEGER_ARITHMETIC_32S_C_FORMS(X) \
  X(AddC, Sum32sC<TAdd>)                     \
  X(SubC, Sum32sC<TSub>)                     \
  X(MulC, Product32sC)
#define PF_INTEGER_ARITHMETIC_DEFINE_32S_C(Name, engine)                                   \
  IppStatus ipps##Name##_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) { \
    return engine(pSrcDst, val, pSrcDst, len, scaleFactor);                                \
  }                                                                                        \
  IppStatus ipps##Name##_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len,    \
                                 int scaleFactor) {                                        \
    return engine(pSrc, val, pDst, len, scaleFactor);                                      \
  }
PF_INTEGER_ARITHMETIC_32S_C_FORMS(PF_INTEGER_ARITHMETIC_DEFINE_32S_C)
#undef PF_INTEGER_ARITHMETIC_DEFINE_32S_C
#undef PF_INTEGER_ARITHMETIC_32S_C_FORMS

IppStatus ippsSubCRev_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len,
                              int scaleFactor) {
  if (IppStatus s = CheckVectors(pSrc, pDst, len); s != ippStsNoErr) return s;
  if (scaleFactor > kSumZeroFactor) return fbZeroStatus(pDst, len);
  intarith::Sums32s(rows::Bytes(pSrc), nullptr, val, rows::Bytes(pDst), len, scaleFactor,
                    intarith::TSumOp::SubRev, intarith::VectorSumBlocks());
  return ippStsNoErr;
}

// ---- Bytes ---------------------------------------------------------------------------------

// Name, the operation of the 8-bit row engine.
#define PF_INTEGER_ARITHMETIC_8U_FORMS(X) X(Add) X(Sub) X(Mul)
#define PF_INTEGER_ARITHMETIC_DEFINE_8U(Name)                                                   \
  IppStatus ipps##Name##_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) { \
    return Vector8u(pSrc, pSrcDst, len, scaleFactor, arith::TArith8u::Name);                    \
  }
PF_INTEGER_ARITHMETIC_8U_FORMS(PF_INTEGER_ARITHMETIC_DEFINE_8U)
#undef PF_INTEGER_ARITHMETIC_DEFINE_8U
#undef PF_INTEGER_ARITHMETIC_8U_FORMS

// ---- Logic ---------------------------------------------------------------------------------

// Vector with vector, in place: name, the word operation.
#define PF_INTEGER_ARITHMETIC_LOGIC_FORMS(X) \
  X(And, intarith::TLogicOp::And)            \
  X(Or, intarith::TLogicOp::Or)              \
  X(Xor, intarith::TLogicOp::Xor)
#define PF_INTEGER_ARITHMETIC_DEFINE_LOGIC(Name, op)                           \
  IppStatus ipps##Name##_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len) { \
    return Logic<op>(pSrc, pSrcDst, len);                                      \
  }
PF_INTEGER_ARITHMETIC_LOGIC_FORMS(PF_INTEGER_ARITHMETIC_DEFINE_LOGIC)
#undef PF_INTEGER_ARITHMETIC_DEFINE_LOGIC
#undef PF_INTEGER_ARITHMETIC_LOGIC_FORMS

// Vector with constant, in place and out of place: name, engine.
#define PF_INTEGER_ARITHMETIC_LOGIC_C_FORMS(X) \
  X(AndC, AndC)                                \
  X(OrC, LogicC<intarith::TLogicOp::Or>)       \
  X(XorC, LogicC<intarith::TLogicOp::Xor>)
#define PF_INTEGER_ARITHMETIC_DEFINE_LOGIC_C(Name, engine)                            \
  IppStatus ipps##Name##_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len) {                \
    return engine(pSrcDst, val, pSrcDst, len);                                        \
  }                                                                                   \
  IppStatus ipps##Name##_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len) { \
    return engine(pSrc, val, pDst, len);                                              \
  }
PF_INTEGER_ARITHMETIC_LOGIC_C_FORMS(PF_INTEGER_ARITHMETIC_DEFINE_LOGIC_C)
#undef PF_INTEGER_ARITHMETIC_DEFINE_LOGIC_C
#undef PF_INTEGER_ARITHMETIC_LOGIC_C_FORMS

// ---- Shifts --------------------------------------------------------------------------------

// Out of place and in place: name, engine.
#define PF_INTEGER_ARITHMETIC_SHIFT_FORMS(X) \
  X(LShiftC, ShiftLeft)                      \
  X(RShiftC, ShiftRight)
#define PF_INTEGER_ARITHMETIC_DEFINE_SHIFT(Name, engine)                           \
  IppStatus ipps##Name##_32s(const Ipp32s* pSrc, int val, Ipp32s* pDst, int len) { \
    return engine(pSrc, val, pDst, len);                                           \
  }                                                                                \
  IppStatus ipps##Name##_32s_I(int val, Ipp32s* pSrcDst, int len) {                \
    return engine(pSrcDst, val, pSrcDst, len);                                     \
  }
PF_INTEGER_ARITHMETIC_SHIFT_FORMS(PF_INTEGER_ARITHMETIC_DEFINE_SHIFT)
#undef PF_INTEGER_ARITHMETIC_DEFINE_SHIFT
#undef PF_INTEGER_ARITHMETIC_SHIFT_FORMS

// ---- Plain division by a constant --------------------------------------------------------------

void DivCInt32InPlace(Ipp32s c, Ipp32s* pSrcDst, int len, int /*scaleFactor*/) {
  DivideTruncated(pSrcDst, c, pSrcDst, len);
}

void DivCInt32(const Ipp32s* pSrc, Ipp32s c, Ipp32s* pDst, int len, int /*scaleFactor*/) {
  DivideTruncated(pSrc, c, pDst, len);
}

}  // namespace builtin
