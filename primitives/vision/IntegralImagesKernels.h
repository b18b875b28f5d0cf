// The row kernel of the 32-bit integral images, shared by the plain and the squared integral:
// a plain reference and a vector version that must give the same values.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::integral {

// One row of the 32-bit integral: d[0] = val; d[x + 1] = above[x + 1] + s[0] + ... + s[x]
// modulo 2^32, for x < w. The rows above and d hold 32-bit values at any byte alignment.

// The reference, one pixel at a time.
void Row32sScalar(const uint8_t* s, const uint8_t* above, uint8_t* d, int64_t w, uint32_t val);

// Vector blocks (IntegralImagesHwy.cpp): the values d[1] .. d[n] of the first n pixels from the
// start of the row, where n (returned) stops less than one step before w; d[0] is left to the
// caller. The kernel for the running processor is looked up once per call; null means the
// plain row does everything.
using Row32sBlocksFn = size_t (*)(const uint8_t* s, const uint8_t* above, uint8_t* d, size_t w);
Row32sBlocksFn VectorRow32sBlocks();

// A row through the blocks, the plain loop finishing it from the running sum where they
// stopped (d[n] - above[n]).
void Row32s(const uint8_t* s, const uint8_t* above, uint8_t* d, int64_t w, uint32_t val,
            Row32sBlocksFn blocks);

}  // namespace builtin::integral
