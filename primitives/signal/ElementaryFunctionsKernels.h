// The exponential's four-lane kernel, shared by the plain scan and its vector blocks, which
// must give the same values bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::elementary {

// Vector blocks (ElementaryFunctionsHwy.cpp): from element `end` towards the start of the
// float64 vectors s and d (any byte alignment), whole groups of four inputs while every input
// of a vector is within the kernel's limits; each group is the four elements the backward scan
// would gather, computed as the plain kernel does. Writes d[end - n, end) and returns n, a
// multiple of 4. The kernel for the running processor is looked up once per call; null means
// the plain scan does everything.
using ExpBlocksFn = size_t (*)(const uint8_t* s, uint8_t* d, size_t end);
ExpBlocksFn VectorExpBlocks();

// The exponential of len >= 1 elements (LibCExp below four), through the blocks where they
// apply; null blocks: the plain scan alone.
void Exp(const uint8_t* s, uint8_t* d, int64_t len, ExpBlocksFn blocks);

}  // namespace builtin::elementary
