// The block interface between the float64 vector arithmetic (FloatArithmetic.cpp) and its
// vector kernels (FloatArithmeticHwy.cpp).
//
// A block kernel computes d[i] = a[i] op b[i] for float64 values at any address in plain double
// and stores whole vectors from the start of the row while it can vouch that every result of the
// vector is the long double result rounded once (the proof is in FloatArithmetic.cpp); it stops
// before the first vector it cannot vouch for and returns how many values it did. The plain
// code finishes from there (rows::WalkRowInBlocks). The destination may be either source.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::floatarith {

using GuardedBlocksFn = size_t (*)(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n);

enum class TGuardedOp { Add, Sub, Mul, Div };  // a + b, a - b, a * b, a / b

// The kernel of op for the running processor.
GuardedBlocksFn VectorGuarded(TGuardedOp op);

}  // namespace builtin::floatarith
