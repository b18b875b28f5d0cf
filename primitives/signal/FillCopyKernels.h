// The block interface between the fills and the float64 narrowing conversions (FillCopy.cpp)
// and their vector kernels (FillCopyHwy.cpp), open to the tests.
//
// A block kernel converts whole vectors of float64 values from the start of the source (any
// byte alignment) and returns how many values it did; the plain loop finishes the vector from
// there. Its results are the plain loop's bit for bit: the same float64 product, the same
// comparisons for the saturation, the same rounding. A null kernel means the plain loop does
// everything. Each kernel for the running processor is looked up once per call.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::fillcopy {

// d[i] = x[i] * w saturated to int32, rounded to nearest (ties to even) or truncated.
using ToInt32BlocksFn = size_t (*)(const uint8_t* s, uint8_t* d, size_t n, double w, bool nearest);
ToInt32BlocksFn VectorToInt32Blocks();

// d[i] = x[i] clamped to the finite float32 range (NaN to the lower limit), rounded to float32.
using ToFloat32BlocksFn = size_t (*)(const uint8_t* s, uint8_t* d, size_t n);
ToFloat32BlocksFn VectorToFloat32Blocks();

// Stores the 16-byte pattern over d[0, bytes) as whole vectors from the start (any byte
// alignment) and returns how many bytes it did, a multiple of 16.
using FillBlocksFn = size_t (*)(uint8_t* d, size_t bytes, const uint8_t* pattern);
FillBlocksFn VectorFillBlocks();

// The conversions that need no rounding mode of their own: int32 and float32 to float64
// (exact), int32 to float32 (rounded to nearest).
enum class TWiden { Int32ToFloat64, Float32ToFloat64, Int32ToFloat32 };
using WidenBlocksFn = size_t (*)(const uint8_t* s, uint8_t* d, size_t n, TWiden kind);
WidenBlocksFn VectorWidenBlocks();
void Widen(const uint8_t* s, uint8_t* d, int64_t len, TWiden kind, WidenBlocksFn blocks);

// The conversions of len >= 0 values through the blocks where given, the rest plain.
void ScaleToInt32(const uint8_t* s, uint8_t* d, int64_t len, double w, bool nearest,
                  ToInt32BlocksFn blocks);
void ToFloat32(const uint8_t* s, uint8_t* d, int64_t len, ToFloat32BlocksFn blocks);

}  // namespace builtin::fillcopy
