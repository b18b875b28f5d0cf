// The vector paths of the right-angle copies of one-byte samples, shared by the plain code in
// RotateCopy.cpp and its tests: the quarter turn of pixels of 1, 3 and 4 bytes (8u C1 and the
// planes of 8u P3 and P4, 8u C3, 8u C4 and 32f C1) and the half turn of pixels of 1 and 3
// bytes (8u C1 and planes, 8u C3).
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::rotatecopy {

// The side of the vector path's square blocks of pixels of that many bytes: one 16-byte
// vector a row (four pixels of three bytes, spread to four bytes each).
inline constexpr int VectorBlock(int pixelBytes) { return pixelBytes == 3 ? 4 : 16 / pixelBytes; }

// Copies whole blocks of a quarter-turn strip: destination rows [0, rows) and columns
// [0, columns), both multiples of the block side, destination (i, j) taking the pixel at
// src + j srcStep + i direction pixelBytes, as the plain strip copy does. Three-byte pixels
// also read the pixels of destination rows rows and rows + 1 and write (with bytes that are
// rewritten later) into destination columns columns and columns + 1: the caller leaves them
// inside the regions and copies those columns after the blocks.
using QuarterBlocksFn = void (*)(const uint8_t* src, uint8_t* dst, int rows, int columns,
                                 int srcStep, int dstStep, int direction);

// The best vector version for pixels of 1, 3 or 4 bytes on this processor, looked up once
// per call; null when the target holds fewer than 16 bytes in a vector or for other pixels
// (the plain word blocks then do everything).
QuarterBlocksFn VectorQuarterBlocks(int pixelBytes);

// One destination row of a half turn, from its start: destination pixel j takes the source
// pixel j places left of s. Returns how many pixels it did (whole vectors), the plain code
// finishing the row; it reads and writes only pixels 0 .. width - 1.
using HalfRowFn = size_t (*)(const uint8_t* s, uint8_t* d, size_t width);

// The best vector version for pixels of 1 or 3 bytes on this processor; null otherwise and on
// targets with fewer than 16 bytes in a vector.
HalfRowFn VectorHalfRow(int pixelBytes);

}  // namespace builtin::rotatecopy
