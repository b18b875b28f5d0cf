// The row routines of the LTVal and GTVal thresholds, open to the tests so that the plain
// path and the vector path can be compared byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::threshold {

// The lengths of the channel patterns of a Rule: three vectors of the widest target plus the
// two bytes a row's phase shifts them by (C3), one vector of whole pixels (AC4).
inline constexpr size_t kC3PatternBytes = 3 * 64 + 2;
inline constexpr size_t kAC4PatternBytes = 64;

// Per-channel threshold and replacement: a byte of channel c becomes value[c] when it compares
// (less or greater) with threshold[c], and is copied otherwise. MakeRule also lays the bytes out
// once per call as the vector blocks load them: byte j of the C3 patterns is of channel j % 3
// (a row whose first byte is of channel p loads them from byte p on), the AC4 ones repeat the
// three channel bytes and a 0 for alpha.
struct Rule {
  uint8_t threshold[3];
  uint8_t value[3];
  bool greater;  // GTVal when true, LTVal when false
  uint8_t thresholdC3[kC3PatternBytes];
  uint8_t valueC3[kC3PatternBytes];
  uint8_t thresholdAC4[kAC4PatternBytes];
  uint8_t valueAC4[kAC4PatternBytes];
};

Rule MakeRule(const uint8_t threshold[3], const uint8_t value[3], bool greater);

// Vector blocks (LookupTablesHwy.cpp): they do whole blocks from the start of a
// span and return how much they did (bytes for C3, whose byte 0 is of channel `phase`; pixels
// for AC4). A C3 span of four vectors or more is done whole, its stores aligned and one
// overlapping vector at each end. The kernel for the running processor is looked up once per
// call.
using BlocksC3Fn = size_t (*)(const uint8_t* src, uint8_t* dst, size_t bytes, size_t phase,
                              const Rule& rule);
using BlocksAC4Fn = size_t (*)(const uint8_t* src, uint8_t* dst, size_t pixels,
                               const Rule& rule);
BlocksC3Fn VectorBlocksC3();
BlocksAC4Fn VectorBlocksAC4();

// One row of three-byte pixels: `bytes` bytes, the first of channel 0. Bytes are done one at a
// time until the destination is 4-byte aligned, then (with blocks given) whole vector blocks,
// then four bytes at a time, then one at a time. A null blocks is the plain reference path.
void RowC3(const uint8_t* src, uint8_t* dst, ptrdiff_t bytes, const Rule& rule,
           BlocksC3Fn blocks);

// One row of n four-byte pixels, the fourth destination byte kept: whole vector blocks first
// (with blocks given), then 32-bit words when both rows start on four-byte boundaries, else
// byte by byte.
void RowAC4(const uint8_t* src, uint8_t* dst, ptrdiff_t n, const Rule& rule, BlocksAC4Fn blocks);

}  // namespace builtin::threshold
