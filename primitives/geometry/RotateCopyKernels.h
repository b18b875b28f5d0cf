// The vector path of the quarter-turn copies of one-byte pixels (8u C1 and each plane of 8u
// P3 and P4), shared by the plain code in RotateCopy.cpp and its tests.
#pragma once

#include <cstdint>

namespace builtin::rotatecopy {

// The side of the vector path's square blocks of pixels of that many bytes: one 16-byte
// vector a row.
inline constexpr int VectorBlock(int pixelBytes) { return 16 / pixelBytes; }

// Copies whole blocks of a quarter-turn strip: destination rows [0, rows) and columns
// [0, columns), both multiples of the block side, destination (i, j) taking the pixel at
// src + j srcStep + i direction pixelBytes, as the plain strip copy does.
using QuarterBlocksFn = void (*)(const uint8_t* src, uint8_t* dst, int rows, int columns,
                                 int srcStep, int dstStep, int direction);

// The best vector version for pixels of that many bytes on this processor, looked up once
// per call; null when the target holds fewer than 16 bytes in a vector or for pixels other
// than one byte (the plain word blocks then do everything).
QuarterBlocksFn VectorQuarterBlocks(int pixelBytes);

}  // namespace builtin::rotatecopy
