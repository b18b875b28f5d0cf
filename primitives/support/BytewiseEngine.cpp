// The plain byte-wise row engine and the choice between it and the vector kernels (see
// BytewiseEngine.h).
#include "primitives/support/BytewiseEngine.h"

namespace builtin::bytewise {

void ByteOpRows(TByteOp op, const TRows8u& r) {
  if (op == TByteOp::LShift || op == TByteOp::RShift) return ByteOpRowsReference(op, r);
  ByteOpRowsVector(op, r);
}

void ByteOpRowsReference(TByteOp op, const TRows8u& r) {
  WithByteOp(op, [&r](auto byteOp) { Rows(r, byteOp); });
}

}  // namespace builtin::bytewise
