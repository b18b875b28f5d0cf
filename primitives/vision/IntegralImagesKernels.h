// The row kernel of the 32-bit integral images, shared by the plain and the squared integral:
// a plain reference and a vector version that must give the same values.
#pragma once

#include <cstdint>

namespace builtin::integral {

// d[0] = val; d[x + 1] = above[x + 1] + s[0] + ... + s[x] modulo 2^32, for x < w. The rows
// above and d hold 32-bit values at any byte alignment.
using Row32sFn = void (*)(const uint8_t* s, const uint8_t* above, uint8_t* d, int64_t w, uint32_t val);

// The reference, one pixel at a time.
void Row32sScalar(const uint8_t* s, const uint8_t* above, uint8_t* d, int64_t w, uint32_t val);

// The vector version for this processor (IntegralImagesHwy.cpp).
Row32sFn Row32sVector();

}  // namespace builtin::integral
