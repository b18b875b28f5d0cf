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

// Stores the 16-byte pattern over d[0, bytes) as whole vectors from the start (any byte
// alignment) and returns how many bytes it did, a multiple of 16.
using FillBlocksFn = size_t (*)(uint8_t* d, size_t bytes, const uint8_t* pattern);
FillBlocksFn VectorFillBlocks();

// The conversions that need no scale or rounding mode of their own: int32 and float32 to
// float64 (exact), int32 to float32 (rounded to nearest), float64 to float32 (clamped to the
// finite float32 range, NaN to the lower limit, then rounded to nearest).
enum class TConvert { Int32ToFloat64, Float32ToFloat64, Int32ToFloat32, Float64ToFloat32 };
using ConvertBlocksFn = size_t (*)(const uint8_t* s, uint8_t* d, size_t n, TConvert kind);
ConvertBlocksFn VectorConvertBlocks();
void Convert(const uint8_t* s, uint8_t* d, int64_t len, TConvert kind, ConvertBlocksFn blocks);

// The conversions of len >= 0 values through the blocks where given, the rest plain.
void ScaleToInt32(const uint8_t* s, uint8_t* d, int64_t len, double w, bool nearest,
                  ToInt32BlocksFn blocks);

}  // namespace builtin::fillcopy
