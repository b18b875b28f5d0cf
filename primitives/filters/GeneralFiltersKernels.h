// The arithmetic of the general kernel filters, open to the tests: the divisor modes of the
// integer kernel and the choice of the narrowest exact sum for a float kernel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "primitives/support/FloatToInt.h"

namespace builtin::general {

// How a weighted sum of the integer filter becomes a byte, decided once per call from the
// divisor (fbKernelDivisor).
struct KernelDivisor {
  enum Mode { kPlain, kShift, kScale } mode = kPlain;
  int shift = 0;     // kShift: the divisor is 2^shift
  float factor = 0;  // kScale: 1/divisor rounded to float
  // kScale: factor = multiplier * 2^-exponent with an odd multiplier (sign included). Then
  // s * factor is exact in extended precision (at most 32 + 24 bits), and so is s * factor + 0.5
  // = (s * multiplier + 2^(exponent-1)) / 2^exponent, whose numerator is below 2^56: its
  // truncation is that numerator shifted right by the exponent.
  int64_t multiplier = 0;
  int exponent = 0;
};

// The mode of a non-zero divisor: 1 plain; 2^k for k = 1..30 shift; every other value scale.
// A divisor is a positive power of two when (d - 1) & (d | 2^31) is 0 as 32-bit patterns; -2^31
// passes that test too, but has no shift count, so it is scaled like every negative divisor.
KernelDivisor fbKernelDivisor(int32_t divisor);

// The byte of the weighted sum s (wrapped to 32 bits) under the divisor's mode.
inline uint8_t DivideSum(const KernelDivisor& d, int32_t s) {
  if (d.mode == KernelDivisor::kPlain) return static_cast<uint8_t>(s < 0 ? 0 : s > 255 ? 255 : s);
  if (d.mode == KernelDivisor::kShift) {
    if (s <= 0) return 0;
    const uint32_t q = (static_cast<uint32_t>(s) + (uint32_t{1} << (d.shift - 1))) >> d.shift;
    return static_cast<uint8_t>(q > 255 ? 255 : q);
  }
  const int64_t p = s * d.multiplier;
  if (p <= 0) return 0;
  const int64_t q = (p + (int64_t{1} << (d.exponent - 1))) >> d.exponent;
  return static_cast<uint8_t>(q > 255 ? 255 : q);
}

// The narrowest type in which every partial sum of a float kernel over bytes, and the sum plus
// one half, is exact: then that sum gives the bytes of the extended-precision one. The products
// of bytes with the kernel are multiples of 2^low (low: the lowest set bit of any non-zero
// element) and every partial sum is at most 255 times the sum of the magnitudes; with
// q = min(low, -1), all of them are exact in a type of P significant bits when
// 255 * sum |k| + 1 < 2^(q + P). Kernels with a NaN or an infinity are summed in extended
// precision.
enum class FloatSums { kFloat, kDouble, kExtended };
FloatSums PlanFloatSums(const float* kernel, int size);

// The byte of a float sum: + 0.5 above 0, then 255 above 255, the truncation from 0 on, else 0
// (a NaN fails every comparison and gives 0).
template <typename T>
inline uint8_t ByteOfSum(T s) {
  if (s > T(0)) s += T(0.5);
  if (s > T(255)) return 255;
  if (s >= T(0)) {
    // A cast of a long double would reload the x87 control word for every byte.
    if constexpr (std::is_same_v<T, long double>) return static_cast<uint8_t>(fbTruncToInt32(s));
    return static_cast<uint8_t>(static_cast<int32_t>(s));
  }
  return 0;
}

// ---- Vector blocks (GeneralFiltersHwy.cpp) -------------------------------------------------
// Whole vectors from the start of a chunk; they return the number of bytes done, the plain
// code does the rest.

// The integer filter where every sum of the kernel lies in -32768..32767 (or, unsignedSums, in
// 0..65535): 16-bit lanes with wrap-around products and sums give the sums exactly. Then the
// divisor's byte: plain and shift modes in 16-bit lanes ((s + 2^(k-1)) >> k as the rounded
// average of s >> (k-1) and 0; shifts up to 16), scale mode in double, where s * factor and
// s * factor + 0.5 are exact. src is the source byte under the first destination byte.
struct IntegerPlan {
  const int32_t* kernel;
  int32_t kw, kh, ax, ay;
  int32_t c;  // bytes per pixel (a tap moves by c bytes along a row)
  int32_t srcStep;
  bool unsignedSums;
  KernelDivisor divisor;
};
using IntegerBlocksFn = size_t (*)(const uint8_t* src, uint8_t* out, size_t len,
                                   const IntegerPlan& plan);
IntegerBlocksFn VectorIntegerBlocks();

// The float filters in float lanes: element t reads the byte (anchor - t) taps of tapStride
// bytes away, summed from the last element down. Where the sums are exact in float
// (PlanFloatSums), reach is negative and every block is taken. Where they are exact in double
// only, the float sum s lies within reach of the exact one (each of the n products and n sums
// rounds at most once, fused or not, by at most 2^-24 of a magnitude of at most 255 * sum |k|,
// so reach = 2n * 2^-24 * 255 * sum |k| with a margin), and the byte depends
// only on which half-integers the exact sum lies between: a block whose every s lies farther
// than reach from the nearest half-integer is taken; the blocks stop before one that does not.
using FloatBlocksFn = size_t (*)(const uint8_t* src, ptrdiff_t tapStride, const float* k, int n,
                                 int anchor, uint8_t* out, size_t len, float reach);
FloatBlocksFn VectorFloatBlocks();
// The reach of a kernel's float sums (see above).
float FloatSumReach(const float* kernel, int size);

}  // namespace builtin::general
