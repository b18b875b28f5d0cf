// The vector blocks of the super-sampling resize with whole ratios and 8-bit samples (integer
// sums), shared by the plain code in ResizeSuper.cpp and its tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::resizesuper {

// acc[i] += src[i] for whole vectors from the start; returns how many elements it did.
using AccumulateBlocks8u = size_t (*)(const uint8_t* src, uint32_t* acc, size_t n);

// Destination pixels of four channels from the start, each the sum of `pixels` accumulator
// pixels (4 values apart, pixel m from pixel m x pixels), stored as
// trunc(min(255, 0.5 + scale x sum)). Every sum is below 2^31. Returns how many it did.
using WholeFourBlocks8u = size_t (*)(const uint32_t* acc, uint8_t* dst, size_t count,
                                     size_t pixels, double scale);

AccumulateBlocks8u VectorAccumulate8u();
WholeFourBlocks8u VectorWholeFour8u();

}  // namespace builtin::resizesuper
