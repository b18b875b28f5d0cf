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

#include "primitives/support/IppTypes.h"

namespace builtin::floatarith {

using GuardedBlocksFn = size_t (*)(const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n);

enum class TGuardedOp { Add, Sub, Mul, Div };  // a + b, a - b, a * b, a / b

// The kernel of op for the running processor.
GuardedBlocksFn VectorGuarded(TGuardedOp op);

// The complex sums and differences, part by part: the length checked first (-6), then the
// pointers (-8); then the float64 engine zip(a, b, d, count) runs over the count = 2n values
// of the n elements, counted in 64 bits (2n passes INT32_MAX from n = 2^30 + 1 on).
template <class Zip>
IppStatus ComplexAsParts(const void* a, const void* b, void* d, int len, Zip&& zip) {
  if (len < 1) return ippStsSizeErr;
  if (a == nullptr || b == nullptr || d == nullptr) return ippStsNullPtrErr;
  zip(a, b, d, 2 * static_cast<int64_t>(len));
  return ippStsNoErr;
}

}  // namespace builtin::floatarith
