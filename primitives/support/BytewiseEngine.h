// Byte-wise row engines of the 8-bit point operations that combine each byte with one other
// byte: the logic and shifts, the scaled products and the absolute differences.
//
// A region is an arith::TRows8u (ByteArithmeticEngine.h): a first operand, a second operand
// that is either an image or a constant pattern repeated along every row, and a destination,
// each of RowBytes bytes in Height rows. Rows are merged into one where the images are
// contiguous. The destination may be the first or the second operand (in-place forms).
//
// ByteOpRows works every byte of a region with the vector blocks of BytewiseEngineKernels.h
// (BytewiseEngineHwy.cpp, compiled per instruction set and chosen once per call) and plain code
// for the rest of each row; it gives the bytes of the plain reference ByteOpRowsReference. The
// alpha-four forms, which must not write the fourth byte of a pixel, stay plain (RowsAlpha4).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "primitives/support/ByteArithmeticEngine.h"
#include "primitives/support/RowAccess.h"

namespace builtin::bytewise {

using arith::TRows8u;

// The operations, first operand a, second b. A shift count b is at most 8 here (a count
// above 7 is passed as 8, which gives 0 either way). MulScale is floor(a * b / 255) without a
// division: (t + (t >> 8) + 1) >> 8 for t = a * b.
enum class TByteOp : int32_t { And, Or, Xor, LShift, RShift, AbsDiff, MulScale };

template <TByteOp Op>
struct TByte {
  uint8_t operator()(uint8_t a, uint8_t b) const {
    if constexpr (Op == TByteOp::And) return a & b;
    if constexpr (Op == TByteOp::Or) return a | b;
    if constexpr (Op == TByteOp::Xor) return a ^ b;
    if constexpr (Op == TByteOp::LShift) return static_cast<uint8_t>(static_cast<uint32_t>(a) << b);
    if constexpr (Op == TByteOp::RShift) return static_cast<uint8_t>(static_cast<uint32_t>(a) >> b);
    if constexpr (Op == TByteOp::AbsDiff) return static_cast<uint8_t>(a > b ? a - b : b - a);
    const uint32_t t = static_cast<uint32_t>(a) * b;
    return static_cast<uint8_t>((t + (t >> 8) + 1) >> 8);
  }
};

// Calls body(TByte<op>{}) for the operation op.
template <class Body>
decltype(auto) WithByteOp(TByteOp op, Body&& body) {
  switch (op) {
    case TByteOp::And:
      return body(TByte<TByteOp::And>{});
    case TByteOp::Or:
      return body(TByte<TByteOp::Or>{});
    case TByteOp::Xor:
      return body(TByte<TByteOp::Xor>{});
    case TByteOp::LShift:
      return body(TByte<TByteOp::LShift>{});
    case TByteOp::RShift:
      return body(TByte<TByteOp::RShift>{});
    case TByteOp::AbsDiff:
      return body(TByte<TByteOp::AbsDiff>{});
    case TByteOp::MulScale:
      break;
  }
  return body(TByte<TByteOp::MulScale>{});
}

// dst[i] = op(first[i], second[i]) over every byte of the region.
template <class Op>
inline void Rows(const TRows8u& r, Op op) {
  arith::ForEachRowPiece(arith::Merged(r),
                         [op](const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n) {
                           for (size_t i = 0; i < n; ++i) d[i] = op(a[i], b[i]);
                         });
}

// The same over the first three bytes of every four-byte pixel; the fourth byte of the
// destination is never written. (Pattern pieces are a multiple of four bytes, so every piece
// starts on a pixel.)
template <class Op>
inline void RowsAlpha4(const TRows8u& r, Op op) {
  arith::ForEachRowPiece(arith::Merged(r),
                         [op](const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n) {
                           for (size_t i = 0; i + 4 <= n; i += 4) {
                             d[i + 0] = op(a[i + 0], b[i + 0]);
                             d[i + 1] = op(a[i + 1], b[i + 1]);
                             d[i + 2] = op(a[i + 2], b[i + 2]);
                           }
                         });
}

// Every byte of the region: the vector blocks where the operation has them and the plain loop
// for the rest; and the plain reference they equal.
void ByteOpRows(TByteOp op, const TRows8u& r);
void ByteOpRowsReference(TByteOp op, const TRows8u& r);
inline void ByteOpRowsAlpha4(TByteOp op, const TRows8u& r) {
  WithByteOp(op, [&r](auto byteOp) { RowsAlpha4(r, byteOp); });
}

// A region of rowBytes bytes in each of height rows: src op pattern into dst.
inline TRows8u WithPattern(const uint8_t* src, int32_t srcStep, const uint8_t* pattern,
                           uint8_t* dst, int32_t dstStep, int64_t rowBytes, int32_t height) {
  return TRows8u{src, srcStep, pattern, 0, dst, dstStep, rowBytes, height, true};
}

// The same with a second image.
inline TRows8u WithImage(const uint8_t* first, int32_t firstStep, const uint8_t* second,
                         int32_t secondStep, uint8_t* dst, int32_t dstStep, int64_t rowBytes,
                         int32_t height) {
  return TRows8u{first, firstStep, second, secondStep, dst, dstStep, rowBytes, height, false};
}

// The checks of the families that test their steps before the size: any pointer null -8, any
// step below 1 -14, width or height below 1 -6.
inline IppStatus CheckPointersStepsSize(std::initializer_list<const void*> pointers,
                                        std::initializer_list<int> steps, IppiSize size) {
  for (const void* p : pointers)
    if (p == nullptr) return ippStsNullPtrErr;
  for (int step : steps)
    if (step < 1) return ippStsStepErr;
  if (rows::BadSize(size)) return ippStsSizeErr;
  return ippStsNoErr;
}

// The bytes of a row of pixels of channels bytes in the int32 size of a call; false (a size
// error) when the size is empty or the row exceeds that range.
inline bool ByteSize(IppiSize size, int32_t channels, IppiSize& bytes) {
  return !rows::BadSize(size) && arith::RowBytes(size, channels, bytes);
}

// The checks of a member that tests its size and then runs a routine of the checks above over
// rows of width * channels bytes: width or height below 1 -6, then the routine's pointers (-8)
// and steps (-14); a row beyond the routine's 32-bit count is refused (-6) only after them.
inline IppStatus CheckChannelRows(std::initializer_list<const void*> pointers,
                                  std::initializer_list<int> steps, IppiSize size,
                                  int32_t channels, IppiSize& bytes) {
  if (rows::BadSize(size)) return ippStsSizeErr;
  if (IppStatus s = CheckPointersStepsSize(pointers, steps, size); s != ippStsNoErr) return s;
  return ByteSize(size, channels, bytes) ? ippStsNoErr : ippStsSizeErr;
}

}  // namespace builtin::bytewise
