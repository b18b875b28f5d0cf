// The row engines behind the 8-bit image and vector arithmetic with a scale factor.
//
// Every 8-bit sum, difference, product and quotient of the arithmetic families runs through
// one of two engines over a region of byte rows: the scale-factor rule of
// primitives/support/ScaleFactor.h for sums, differences and products, and the division rule
// (a quotient with a power-of-two factor, rounded half to even, 255 for a zero divisor) for
// quotients. Each engine has a plain reference version and a version that runs the vector
// blocks of ByteArithmeticEngineKernels.h (ByteArithmeticEngineHwy.cpp, compiled per instruction
// set and chosen once per call) with the plain code finishing each row; both give the same
// bytes, and the primitives call the second.
#pragma once

#include <cstddef>
#include <cstdint>

#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin::arith {

// Result = R(first op second), where first is the minuend or dividend and second the
// subtrahend, factor or divisor. An 8-bit difference below 0 is 0 before it is scaled.
enum class TArith8u : int32_t { Add, Sub, Mul };

// The factors above which every 8-bit result is 0: sums reach 510, differences 255 and
// products 255 * 255.
constexpr int ZeroAbove(TArith8u op) {
  return op == TArith8u::Add ? 9 : (op == TArith8u::Sub ? 8 : 16);
}

// The bytes of a constant repeated along a row, as the second operand of a whole region: a
// multiple of 3 and 4 bytes, so that one-, three- and four-byte constants tile it.
inline constexpr int32_t kPatternBytes = 768;

// The constant of channels bytes repeated over a pattern.
inline void FillPattern(uint8_t (&pattern)[kPatternBytes], const uint8_t* value, int32_t channels) {
  for (int32_t i = 0; i < kPatternBytes; ++i) pattern[i] = value[i % channels];
}

// The bytes of a row of size.width pixels of channels bytes, in the int32 size of a call;
// false when they exceed it.
inline bool RowBytes(IppiSize size, int32_t channels, IppiSize& bytes) {
  const int64_t n = static_cast<int64_t>(size.width) * channels;
  bytes = IppiSize{static_cast<int32_t>(n), size.height};
  return n <= INT32_MAX;
}

// A region of byte rows: RowBytes bytes in each of Height rows. Rows are reached by their
// signed steps (0 repeats a row). With SecondIsPattern, Second holds kPatternBytes bytes that
// repeat from the start of every row and SecondStep is not used.
struct TRows8u {
  const uint8_t* First = nullptr;
  int32_t FirstStep = 0;
  const uint8_t* Second = nullptr;
  int32_t SecondStep = 0;
  uint8_t* Dst = nullptr;
  int32_t DstStep = 0;
  int64_t RowBytes = 0;
  int32_t Height = 0;
  bool SecondIsPattern = false;
};

// The same region worked as one row when all its rows are contiguous.
TRows8u Merged(const TRows8u& r);

// Calls fn(first, second, dst, n) for every row of the region, in pieces of at most
// kPatternBytes bytes when the second operand is a pattern (each piece starts it afresh).
template <class Fn>
inline void ForEachRowPiece(const TRows8u& r, Fn&& fn) {
  for (int32_t y = 0; y < r.Height; ++y) {
    const uint8_t* first = rows::Row(r.First, r.FirstStep, y);
    uint8_t* dst = rows::Row(r.Dst, r.DstStep, y);
    if (!r.SecondIsPattern) {
      fn(first, rows::Row(r.Second, r.SecondStep, y), dst, static_cast<size_t>(r.RowBytes));
      continue;
    }
    for (int64_t x = 0; x < r.RowBytes; x += kPatternBytes) {
      const int64_t n = r.RowBytes - x < kPatternBytes ? r.RowBytes - x : kPatternBytes;
      fn(first + x, r.Second, dst + x, static_cast<size_t>(n));
    }
  }
}

// Dst = R(First op Second) with the scale-factor rule for sf (any value).
void Arith8u(TArith8u op, int sf, const TRows8u& r);
void Arith8uReference(TArith8u op, int sf, const TRows8u& r);

// Dst = First * 2^(-sf) / Second rounded half to even and saturated to 255; a zero divisor
// gives 255 for a non-zero dividend and 0 for 0. Returns whether a zero divisor was met. The
// destination may be either source row.
bool Div8u(int sf, const TRows8u& r);
bool Div8uReference(int sf, const TRows8u& r);

// Rows of four-byte pixels of which only the first three bytes are computed and written.
void Arith8uAlpha4(TArith8u op, int sf, const TRows8u& r);

// The division of rows of four-byte pixels with the alpha divisor 1: for each row the work
// row (RowBytes bytes) is filled with 1, the three colour bytes of each divisor pixel are
// copied into it, the dividend row is divided by it into the work row, and the colour bytes of
// the work row are copied into the destination, whose alpha bytes are never written. Returns
// whether a colour divisor was 0.
bool Div8uAlpha4(int sf, const TRows8u& r, uint8_t* work);
bool Div8uAlpha4Reference(int sf, const TRows8u& r, uint8_t* work);

// The steps of Div8uAlpha4 around divide(first, divisor, dst, n), which divides one row.
template <class DivideRow>
inline bool DivAlpha4Rows(const TRows8u& r, uint8_t* work, DivideRow&& divide) {
  const int64_t pixels = r.RowBytes / 4;
  const int32_t bytes = static_cast<int32_t>(r.RowBytes);
  bool zeroDivisor = false;
  for (int32_t y = 0; y < r.Height; ++y) {
    fbSet8u(1, work, bytes);
    fbCopyColourBytes4(rows::Row(r.Second, r.SecondStep, y), work, pixels);
    zeroDivisor |= divide(rows::Row(r.First, r.FirstStep, y), work, work, r.RowBytes);
    fbCopyColourBytes4(work, rows::Row(r.Dst, r.DstStep, y), pixels);
  }
  return zeroDivisor;
}

}  // namespace builtin::arith
