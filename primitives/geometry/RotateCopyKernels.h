// The vector path of the quarter-turn copies of one-byte pixels (8u C1, and each plane of 8u
// P3 and P4), shared by the plain code in RotateCopy.cpp and its tests.
#pragma once

#include <cstdint>

namespace builtin::rotatecopy {

// The side of the square blocks of the vector path.
inline constexpr int kVectorBlock8 = 16;

// Copies whole 16 x 16 blocks of a quarter-turn strip of one-byte pixels: destination rows
// [0, rows) and columns [0, columns), both multiples of 16, destination (i, j) taking the
// byte at src + j srcStep + i direction, as the plain strip copy does.
using QuarterBlocks8Fn = void (*)(const uint8_t* src, uint8_t* dst, int rows, int columns,
                                  int srcStep, int dstStep, int direction);

// The best vector version for this processor, looked up once per call; null when the target
// holds fewer than 16 bytes in a vector (the plain word blocks then do everything).
QuarterBlocks8Fn VectorQuarterBlocks8();

}  // namespace builtin::rotatecopy
