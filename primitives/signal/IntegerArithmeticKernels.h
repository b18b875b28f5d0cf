// The block interface between the scaled int32 sums and differences and the bitwise logic
// (IntegerArithmetic.cpp) and their vector kernels (IntegerArithmeticHwy.cpp), open to the
// tests.
//
// The blocks compute whole vectors from the start of the vectors (any byte alignment; a source
// may be the destination) with the plain loop's exact 64-bit values and its scale-factor rule
// (primitives/support/ScaleFactor.h), so they give the same words, and return how many
// elements they did; the plain loop finishes from there. The kernel for the running processor
// is looked up once per call; null means the plain loop does everything.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::intarith {

// The exact value of an element: a + b, a - b or b - a.
enum class TSumOp { Add, Sub, SubRev };

// d[i] = R_sf(op(a[i], b[i])) for sf <= 32, b null meaning the constant c for every element.
using SumBlocksFn = size_t (*)(const uint8_t* a, const uint8_t* b, int64_t c, uint8_t* d, size_t n,
                               int sf, TSumOp op);
SumBlocksFn VectorSumBlocks();

// The same over len >= 0 elements, through the blocks where given, the rest plain.
void Sums32s(const uint8_t* a, const uint8_t* b, int64_t c, uint8_t* d, int64_t len, int sf,
             TSumOp op, SumBlocksFn blocks);

// Bitwise logic on 32-bit words: d[i] = a[i] op b[i], b null meaning the constant c.
enum class TLogicOp { And, Or, Xor };
using LogicBlocksFn = size_t (*)(const uint8_t* a, const uint8_t* b, uint32_t c, uint8_t* d,
                                 size_t n, TLogicOp op);
LogicBlocksFn VectorLogicBlocks();
void Logic32u(const uint8_t* a, const uint8_t* b, uint32_t c, uint8_t* d, int64_t len, TLogicOp op,
              LogicBlocksFn blocks);

}  // namespace builtin::intarith
