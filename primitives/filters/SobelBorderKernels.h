// The separable engine behind the bordered Sobel filters, open to the tests: its row passes
// (8-bit source rows filtered along x, the border rule supplying the pixels beyond the ends,
// into 16-bit rows) and column passes (16-bit rows combined down y into the destination).
//
// The engine's work buffer, for n rows of the column kernel (3 or 5) and rows of W 16-bit
// values (the width rounded up to 8; 2W for row pass 10):
//   1. the row passes' edge scratch, 4n + 64 bytes at the start;
//   2. a second area of 4n + 64 bytes, unused;
//   3. at the next 32-byte boundary, the row list: 3n + 30 32-bit row numbers (rows of area 4);
//   4. at the next 32-byte boundary, n border rows and then a ring of n + 15 rows.
// The list holds row numbers rather than addresses, so it needs 4 bytes an entry whatever the
// size of a pointer. Entries n - h .. n - 1 name the rows above the image; entries n to
// 3n + 29 name ring rows 0, 1, ... n + 14 twice over, so that the n rows one output row needs
// always stand in consecutive entries. Strips of 16 output rows: the first row-filters
// n + 15 - h image rows into the ring, every later one 16 more; each column pass combines the
// rows of the entries from its cursor on, and both cursors move back by n + 15 entries when
// they reach entry 2n + 15.
#pragma once

#include <cstddef>
#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin::sepborder {

// The 16-bit rows of the work buffer: row r starts at base + r * rowBytes.
struct Rows {
  uint8_t* base;
  ptrdiff_t rowBytes;
  uint8_t* operator()(uint32_t r) const { return base + static_cast<ptrdiff_t>(r) * rowBytes; }
};

// Filters `count` source rows (src, then src + srcStep, ...) along x into the rows named by
// list[0 .. count - 1], over `width` values, the pixels beyond both ends given by the border
// rule (code 0 the value). The source is read only at columns 0 .. width - 1. scratch holds
// the pass's edge copies (4n + 64 bytes).
using RowPass = void (*)(const uint8_t* src, int32_t srcStep, const uint32_t* list, Rows rows,
                         uint8_t* scratch, int32_t width, int32_t count, int border, uint8_t value);
// Output row k of `count` combines the rows named by list[k .. k + n - 1] (topmost first) with
// the pass's kernel, in 16-bit wrap-around arithmetic, into dst + k * dstStep 16-bit values
// (dst may be at any address).
using ColPass = void (*)(const uint32_t* list, Rows rows, uint8_t* dst, ptrdiff_t dstStep,
                         int32_t width, int32_t count);

// Row passes, kernels from the leftmost tap: 0: -1 0 1; 1: 3 10 3; 2: 1 0 -1; 3: 1 2 0 -2 -1;
// 4: 1 -2 1; 5: 1 0 -2 0 1; 6: 1 2 1; 7: 1 4 6 4 1; 8: 1 1 1; 9: 1 1 1 1 1; 10: two outputs,
// A = 1 0 1 in the first half of a double row and B = 0 8 0 in the second, from value W on.
extern const RowPass fbBorderRowPass[11];
// Column passes, kernels from the topmost row: 0: 3 10 3; 1: -1 0 1; 2: 1 2 1; 3: 1 4 6 4 1;
// 4: -1 -2 0 2 1; 5: 1 -2 1; 6: 1 0 -2 0 1; 7: 2 A(y-1) + 2 A(y+1) - B(y) from rows of row
// pass 10; 8: the destination plus 1 4 6 4 1; 9 and 11: -1 -2 -1; 10 and 12: -1 -4 -6 -4 -1.
extern const ColPass fbBorderColPass[13];
// Taps of each pass (3 or 5).
extern const int kRowPassTaps[11];
extern const int kColPassTaps[13];

// Vector blocks (SobelBorderHwy.cpp), whole vectors from the start; they return the number of
// values done, the plain passes do the rest. Row blocks: out[x] (16-bit) for x < len from the
// bytes w[x .. x + taps - 1] and the kernel k. Column blocks: dst[x] (16-bit, at any address)
// = sum of k[t] * rows[t][x], plus dst[x] when accumulating. 16-bit wrap-around throughout.
using RowBlocksFn = size_t (*)(const uint8_t* w, uint8_t* out, size_t len, const int16_t* k,
                               int taps);
using ColBlocksFn = size_t (*)(const uint8_t* const* rows, const int16_t* k, int taps,
                               bool accumulate, uint8_t* dst, size_t width);
RowBlocksFn VectorRowBlocks();
ColBlocksFn VectorColBlocks();

// The position of a coordinate p outside 0 .. size - 1 under border rules 1 to 4.
int64_t BorderCoordinate(int64_t p, int64_t size, int border);

// The engine: the destination step in bytes (even), the row kernel read only for the constant
// border row (its coefficients' sum times the border value, saturated), the column kernel only
// for its length n. Returns 0.
IppStatus fbSepBorderFilter8u16s(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                 int32_t width, int32_t height, const Ipp16s* rowKernel,
                                 int rowLength, const Ipp16s* colKernel, int colLength, int border,
                                 Ipp8u value, Ipp8u* pBuffer, int rowPass, int colPass);

// The size of each of the two small areas at the start of the buffer: 4 * length + 64; -8 for a
// null pointer, -6 for a width, height or length below 1 or a size beyond the 32-bit range
// (nothing written).
IppStatus fbBorderRowAreaSize(int32_t width, int32_t height, int length, int* size);
IppStatus fbBorderColAreaSize(int32_t width, int32_t height, int length, int* size);

}  // namespace builtin::sepborder
