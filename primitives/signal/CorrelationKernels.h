// The normalisation steps of the auto-correlation, open to the tests: they work on 64-bit value
// counts (a complex result of L lags is 2L float64 values, beyond the int range from L = 2^30
// on) by calling the float64 primitives on chunks of at most `chunk` values.
#pragma once

#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin::corr {

// The chunk the normalisations use: small enough that the divisor ramp stays a small block.
inline constexpr std::int64_t kNormChunk = std::int64_t{1} << 16;

// Multiplies `values` float64 at p by c (ippsMulC_64f_I on each chunk).
void ScaleValues(Ipp64f* p, std::int64_t values, Ipp64f c, std::int64_t chunk = kNormChunk);

// Divides the values of lag k by srcLen - k, `perLag` values per lag (1 real, 2 complex), the
// divisors taken from a ramp of at most `chunk` values (ippsDiv_64f_I on each chunk). Returns
// -9 when the ramp cannot be had (nothing divided), else 0.
IppStatus DivideByRamp(Ipp64f* p, std::int64_t lags, int perLag, std::int64_t srcLen,
                       std::int64_t chunk = kNormChunk);

}  // namespace builtin::corr
