// The 8-bit arithmetic engines (see ByteArithmeticEngine.h): the row walks that run the vector
// blocks of ByteArithmeticEngineKernels.h and finish each row with the plain code, which alone
// is the reference.
//
// The references compute exactly as the rules read: the scale-factor rule of
// primitives/support/ScaleFactor.h on the exact sum, difference or product, and the quotient
// q = (dividend * 2^(-sf)) / divisor with a 64-bit significand, rounded by truncating q + 0.5
// and taking back one where that sum is an odd integer exactly (ties to even).
#include "primitives/support/ByteArithmeticEngine.h"

#include "primitives/support/ByteArithmeticEngineKernels.h"

#include "primitives/support/FloatToInt.h"
#include "primitives/support/ScaleFactor.h"

namespace builtin::arith {
namespace {

// The exact 8-bit results, in int32.
template <class Body>
decltype(auto) WithOperation(TArith8u op, Body&& body) {
  switch (op) {
    case TArith8u::Add:
      return body([](int32_t a, int32_t b) { return a + b; });
    case TArith8u::Sub:
      return body([](int32_t a, int32_t b) { return a > b ? a - b : 0; });
    case TArith8u::Mul:
      break;
  }
  return body([](int32_t a, int32_t b) { return a * b; });
}

// Products are at most 255 * 255 < 2^16, so from 17 on every scaled result is 0.
constexpr int kZeroAbove = 16;

// Dividends and divisors are below 2^8: a factor above 8 rounds every quotient to 0, one below
// -15 makes every non-zero quotient at least 2^16 / 255 > 255.
constexpr int kDivZeroAbove = 8;
constexpr int kDivSignBelow = -15;

inline uint8_t DivideElement(int32_t dividend, int32_t divisor, int sf, long double factor,
                             bool& zeroDivisor) {
  if (divisor == 0) {
    zeroDivisor = true;
    return dividend != 0 ? 255 : 0;
  }
  if (sf > kDivZeroAbove) return 0;
  if (sf < kDivSignBelow) return dividend != 0 ? 255 : 0;
  const long double q = static_cast<long double>(dividend) * factor / divisor;
  const long double up = q + 0.5L;
  int32_t t = fbTruncToInt32(up);
  if ((t & 1) != 0 && up == static_cast<long double>(t)) --t;
  return static_cast<uint8_t>(t > 255 ? 255 : t);
}

// The division's blocks where they apply, else none.
DivBlocksFn DivBlocks(int sf) {
  return sf >= kDivSignBelow && sf <= kDivZeroAbove ? VectorDiv8u() : nullptr;
}

// Every row piece of r: the blocks from its start (when given), then the rule byte by byte.
void ArithRows(TArith8u op, int sf, const TRows8u& r, ArithBlocksFn blocks) {
  WithOperation(op, [&](auto exact) {
    sfs::WithScaleRule<uint8_t, int32_t>(sf, [&](auto rule) {
      ForEachRowPiece(r, [&](const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n) {
        size_t i = blocks != nullptr ? blocks(a, b, d, n, sf) : 0;
        for (; i < n; ++i) d[i] = rule(exact(a[i], b[i]));
      });
    });
  });
}

// One row of n bytes divided: the blocks, then byte by byte. Returns whether a divisor was 0.
bool DivRow(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n, int sf, long double factor,
            DivBlocksFn blocks) {
  bool zeroDivisor = false;
  size_t i = blocks != nullptr ? blocks(a, b, d, n, sf, zeroDivisor) : 0;
  for (; i < n; ++i) d[i] = DivideElement(a[i], b[i], sf, factor, zeroDivisor);
  return zeroDivisor;
}

bool DivRows(int sf, const TRows8u& r, DivBlocksFn blocks) {
  const long double factor = sfs::Factor(sf);
  bool zeroDivisor = false;
  ForEachRowPiece(r, [&](const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n) {
    zeroDivisor |= DivRow(a, b, d, n, sf, factor, blocks);
  });
  return zeroDivisor;
}

bool DivAlpha4(int sf, const TRows8u& r, uint8_t* work, DivBlocksFn blocks) {
  const long double factor = sfs::Factor(sf);
  return DivAlpha4Rows(r, work, [&](const uint8_t* a, const uint8_t* b, uint8_t* d, int64_t n) {
    return DivRow(a, b, d, static_cast<size_t>(n), sf, factor, blocks);
  });
}

}  // namespace

TRows8u Merged(const TRows8u& r) {
  const bool contiguous = r.FirstStep == r.RowBytes && r.DstStep == r.RowBytes &&
                          (r.SecondIsPattern || r.SecondStep == r.RowBytes);
  if (!contiguous || r.Height <= 1) return r;
  TRows8u m = r;
  m.RowBytes = r.RowBytes * r.Height;
  m.Height = 1;
  return m;
}

void Arith8u(TArith8u op, int sf, const TRows8u& r) {
  if (sf > kZeroAbove) {
    ForEachRowPiece(Merged(r), [](const uint8_t*, const uint8_t*, uint8_t* d, size_t n) {
      fbZeroBytes(d, static_cast<int64_t>(n));
    });
    return;
  }
  ArithRows(op, sf, Merged(r), VectorArith8u(op));
}

void Arith8uReference(TArith8u op, int sf, const TRows8u& r) { ArithRows(op, sf, r, nullptr); }

void Arith8uAlpha4(TArith8u op, int sf, const TRows8u& r) {
  WithOperation(op, [&](auto exact) {
    sfs::WithScaleRule<uint8_t, int32_t>(sf, [&](auto rule) {
      ForEachRowPiece(Merged(r), [&](const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n) {
        for (size_t i = 0; i + 4 <= n; i += 4) {
          d[i + 0] = rule(exact(a[i + 0], b[i + 0]));
          d[i + 1] = rule(exact(a[i + 1], b[i + 1]));
          d[i + 2] = rule(exact(a[i + 2], b[i + 2]));
        }
      });
    });
  });
}

bool Div8u(int sf, const TRows8u& r) { return DivRows(sf, Merged(r), DivBlocks(sf)); }

bool Div8uReference(int sf, const TRows8u& r) { return DivRows(sf, r, nullptr); }

bool Div8uAlpha4(int sf, const TRows8u& r, uint8_t* work) {
  return DivAlpha4(sf, r, work, DivBlocks(sf));
}

bool Div8uAlpha4Reference(int sf, const TRows8u& r, uint8_t* work) {
  return DivAlpha4(sf, r, work, nullptr);
}

}  // namespace builtin::arith
