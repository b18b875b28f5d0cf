// The byte-wise row engine (see BytewiseEngine.h): the row walk that runs the vector blocks of
// BytewiseEngineKernels.h and finishes each row with the plain loop, which alone is the
// reference.
#include "primitives/support/BytewiseEngine.h"

#include "primitives/support/BytewiseEngineKernels.h"

namespace builtin::bytewise {
namespace {

// The byte repeated by a pattern that holds one byte only; false for any other second operand.
bool UniformPattern(const TRows8u& r, uint8_t& c) {
  if (!r.SecondIsPattern) return false;
  c = r.Second[0];
  for (int32_t i = 1; i < arith::kPatternBytes; ++i)
    if (r.Second[i] != c) return false;
  return true;
}

// Every byte of the region: the blocks from the start of each row (or pattern piece), then op
// byte by byte. A one-byte pattern goes to the constant blocks, whole rows at a time.
template <class Op>
void BlockRows(const TRows8u& r, Op op, const TByteBlocks& blocks) {
  const TRows8u m = arith::Merged(r);
  uint8_t c = 0;
  if (blocks.Constant != nullptr && UniformPattern(m, c)) {
    const size_t n = static_cast<size_t>(m.RowBytes);
    for (int32_t y = 0; y < m.Height; ++y) {
      const uint8_t* a = rows::Row(m.First, m.FirstStep, y);
      uint8_t* dst = rows::Row(m.Dst, m.DstStep, y);
      size_t i = blocks.Constant(a, c, dst, n);
      for (; i < n; ++i) dst[i] = op(a[i], c);
    }
    return;
  }
  arith::ForEachRowPiece(m, [&](const uint8_t* a, const uint8_t* b, uint8_t* dst, size_t n) {
    size_t i = blocks.Pair != nullptr ? blocks.Pair(a, b, dst, n) : 0;
    for (; i < n; ++i) dst[i] = op(a[i], b[i]);
  });
}

}  // namespace

void ByteOpRows(TByteOp op, const TRows8u& r) {
  WithByteOp(op, [&](auto byteOp) { BlockRows(r, byteOp, VectorByteOp(op)); });
}

void ByteOpRowsReference(TByteOp op, const TRows8u& r) {
  WithByteOp(op, [&r](auto byteOp) { Rows(r, byteOp); });
}

}  // namespace builtin::bytewise
