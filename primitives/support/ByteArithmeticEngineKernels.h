// The block interface between the plain 8-bit arithmetic engines (ByteArithmeticEngine.cpp) and
// their vector kernels (ByteArithmeticEngineHwy.cpp).
//
// A block kernel does the whole vectors of a row of n bytes from its start and returns how many
// bytes it did; it writes no byte past them. A row of two vectors or more it does whole, with
// its stores aligned and one overlapping vector at each end (see AlignedRow in
// ByteArithmeticEngineHwy.cpp), also where the destination is one of the sources. The engine
// looks the kernel up once per call and
// finishes every row (or pattern piece) from where the blocks stopped with its plain code; a
// null kernel leaves the whole row to the plain code, which is the reference.
#pragma once

#include <cstddef>
#include <cstdint>

#include "primitives/support/ByteArithmeticEngine.h"

namespace builtin::arith {

// dst = R(first op second) with the scale-factor rule for sf; the kernel is the one of op and
// takes sf from INT32_MIN to 16.
using ArithBlocksFn = size_t (*)(const uint8_t* first, const uint8_t* second, uint8_t* dst,
                                 size_t n, int sf);
ArithBlocksFn VectorArith8u(TArith8u op);

// dst = first * 2^(-sf) / second with the division rule, for -15 <= sf <= 8; sets zeroDivisor
// when a divisor of the bytes done was 0 (and leaves it alone otherwise).
using DivBlocksFn = size_t (*)(const uint8_t* first, const uint8_t* second, uint8_t* dst, size_t n,
                               int sf, bool& zeroDivisor);
DivBlocksFn VectorDiv8u();

}  // namespace builtin::arith
