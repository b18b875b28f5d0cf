// Float results defined in extended precision (long double), computed in double where that is
// provably the same.
//
// A primitive computes its value r in double and knows a bound b on the distance between r and
// the extended-precision value L. Rounding to float is monotonic, so when r - reach and r + reach
// round to the same float (the same bits: -0 and +0 differ), L, which lies between them, rounds
// to that float as well. The two ends are themselves rounded to double, each by at most
// 2^-53 (|r| + reach); a reach with reach - 2^-53 (|r| + reach) >= b covers that. Otherwise
// the caller computes the pixel in extended precision.
#pragma once

#include <bit>
#include <cstdint>

namespace builtin::guard {

// The float that every value from r - reach to r + reach rounds to; false (out untouched)
// when two floats are possible. r and reach are finite, reach >= 0.
inline bool CertainFloat(double r, double reach, float& out) {
  const float lo = static_cast<float>(r - reach);
  const float hi = static_cast<float>(r + reach);
  if (std::bit_cast<uint32_t>(lo) != std::bit_cast<uint32_t>(hi)) return false;
  out = lo;
  return true;
}

}  // namespace builtin::guard
