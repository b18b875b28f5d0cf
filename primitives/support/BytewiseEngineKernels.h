// The block interface between the plain byte-wise row engine (BytewiseEngine.cpp) and its vector
// kernels (BytewiseEngineHwy.cpp).
//
// A block kernel does the whole vectors of a row of n bytes from its start and returns how many
// bytes it did; it writes no byte past them. The engine looks the kernels up once per call,
// decides once per call whether the second operand is one byte repeated (then held in a
// register by the constant kernel), and finishes every row (or pattern piece) from where the
// blocks stopped with its plain code; a null kernel leaves the whole row to the plain code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "primitives/support/BytewiseEngine.h"

namespace builtin::bytewise {

// dst[i] = op(a[i], b[i]). The destination may be either source.
using PairBlocksFn = size_t (*)(const uint8_t* a, const uint8_t* b, uint8_t* dst, size_t n);
// dst[i] = op(a[i], c).
using ConstantBlocksFn = size_t (*)(const uint8_t* a, uint8_t c, uint8_t* dst, size_t n);

struct TByteBlocks {
  PairBlocksFn Pair = nullptr;
  ConstantBlocksFn Constant = nullptr;
};

// The kernels of op for the running processor: And, Or, Xor, AbsDiff and MulScale have them,
// the shifts none (both null).
TByteBlocks VectorByteOp(TByteOp op);

}  // namespace builtin::bytewise
