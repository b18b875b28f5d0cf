// Exact right-angle rotations by pixel copies: a half turn (both axes reversed) and a quarter
// turn (rows and columns exchanged, one axis reversed), for the element types 8u, 32f and 16u
// and the six layouts of WarpFrame.h. Every destination pixel is a bit-for-bit copy of one
// source pixel; nothing is computed on the samples (32f samples move as 32-bit patterns, so a
// NaN payload survives). The caller has clipped both regions: the routines check nothing.
//
// Arguments: pSrc is the source pixel that lands on the top-left destination pixel, pDst the
// top-left destination pixel (for P3 and P4 both are arrays of plane pointers so placed, which
// the routines only read), height and width the destination rows and columns, srcStep (may be
// negative) and dstStep the row steps in bytes, and direction +1 or -1 for the quarter turn
// (the half turn ignores it).
//
// Half turn: destination (i, j) = the pixel at pSrc - i srcStep - j pixel.
// Quarter turn: destination (i, j) = the pixel at pSrc + j srcStep + i direction pixel: each
// destination row reads down one source column. The destination columns are done in strips,
// 64 wide for C1 and 16 for C3, AC4 and C4 (the last strip narrower when the width is not a
// multiple), so that one pass over the destination rows reads a bounded band of source rows.
// AC4 copies three elements and leaves the fourth destination element as it was; planar
// layouts run the C1 routine of their element type once per plane. Within a strip, pixels of
// 1, 3 or 4 bytes (8u C1, 8u C3, 8u C4, 32f C1) go first in the vector path's square blocks
// (RotateCopyKernels.h) where the processor has one, pixels of 1, 2 or 4 bytes (C1, and 8u
// C4) then in square blocks transposed in 64-bit words; the rows and columns left over go a
// pixel at a time, 8u C4 rows as 32-bit words when the row's first source and destination
// addresses are multiples of 4, as single bytes otherwise. The half turn reverses rows of
// one- and three-byte pixels (8u C1 and planes, 8u C3) a vector at a time where the
// processor allows. Every way gives the same bytes.
#pragma once

#include <cstdint>

namespace builtin {

using fbRotateCopyRoutine = void (*)(const void* pSrc, void* pDst, int height, int width,
                                     int srcStep, int dstStep, int direction);

// Both tables are indexed by type * 6 + layout (types 8u, 32f, 16u; layouts C1, C3, AC4, P3,
// C4, P4); the name tables give each member's name in the same order.
inline constexpr int kRotateCopyCount = 18;
extern const fbRotateCopyRoutine fbRotate180CopyTable[kRotateCopyCount];
extern const fbRotateCopyRoutine fbRotate90CopyTable[kRotateCopyCount];
extern const char* const fbRotate180CopyNames[kRotateCopyCount];
extern const char* const fbRotate90CopyNames[kRotateCopyCount];

}  // namespace builtin
