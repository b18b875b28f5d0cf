// The vector row routines of the integer colour conversions, open to the tests so that the
// plain pixel formulas and the vector blocks can be compared on the same rows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::colorspaces {

enum class IntegerConversion { Yuv, YCbCr, Ycc, Xyz };

// Converts the whole vector blocks at the start of a row of three-byte pixels and returns the
// number of pixels done; the caller converts the rest one by one. The kernel for the running
// processor is looked up once per call.
using BlocksFn = size_t (*)(const uint8_t* src, uint8_t* dst, size_t pixels);
BlocksFn VectorBlocks(IntegerConversion conversion);

}  // namespace builtin::colorspaces
