// The block interface between the direct convolution (Convolution.cpp) and its vector kernel
// (ConvolutionHwy.cpp).
//
// One pass of the direct sums updates d[j] = A[j] * b + d[j], where the plain code forms the
// product and the sum in long double and rounds the sum to float64. A block kernel computes the
// fused multiply-add r = fl(A[j] * b + d[j]) in double and stores a whole vector of them when
// it can vouch that every lane equals the plain result (the proof is in Convolution.cpp); a
// vector it cannot vouch for (about one lane in two hundred on random values) it computes
// lane by lane with the plain code's long double steps. It does whole vectors from the start
// of the row and returns how many values it did; the plain code does the rest. Only valid when
// every input value is 0 or of magnitude in [kTameLow, kTameHigh]; the caller checks that.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::convolution {

inline constexpr double kTameLow = 0x1p-300;
inline constexpr double kTameHigh = 0x1p300;

using MulAddBlocksFn = size_t (*)(const uint8_t* a, double b, uint8_t* d, size_t n);

// The kernel for the running processor; null where the instruction set has no fused
// multiply-add (the plain code then does every value).
MulAddBlocksFn VectorMulAdd();

}  // namespace builtin::convolution
