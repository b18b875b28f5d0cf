// The magnitude and suppression pass of Canny, shared by the plain per-pixel version (the
// reference, CannyEdges.cpp) and the vector version (CannyEdgesHwy.cpp), which must give the
// same map and destination bytes and push the same strong pixels in the same order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "primitives/support/RowAccess.h"

namespace builtin::canny {

// Map cells: 0 no candidate, 128 a candidate that survived the suppression, 255 an edge.
inline constexpr uint8_t kCandidate = 128;
inline constexpr uint8_t kEdge = 255;

// One row of the suppression. The magnitude rows start at the region's column 0 and have a
// zero column on each side (index -1 and width); the derivative rows may start at any address.
struct TSuppressRow {
  const int32_t* above;
  const int32_t* mid;
  const int32_t* below;
  const uint8_t* dx;
  const uint8_t* dy;
  uint8_t* map;  // the row's map cells, from column 0
  uint8_t* dst;  // the row's destination bytes, already 0
  ptrdiff_t width;
  int32_t y;
  float high;       // a magnitude above it is strong
  int32_t strongT;  // the same test in integers: m > strongT
};

// Gradient sectors split at tan 22.5 = sqrt 2 - 1 and tan 67.5 = sqrt 2 + 1. For a, b up to
// 32768 the integer forms below decide exactly as the comparisons b > 2.414213562373095 * a and
// b >= 0.41421356237309503 * a in extended precision (checked for every pair).
inline bool SteeperThan67(int64_t a, int64_t b) { return b > a && (b - a) * (b - a) > 2 * a * a; }
inline bool SteeperThan22(int64_t a, int64_t b) { return (b + a) * (b + a) >= 2 * a * a; }

// The map cell of pixel x after the suppression: 0, kCandidate, or kEdge for a strong one.
inline uint8_t SuppressPixel(const TSuppressRow& r, ptrdiff_t x) {
  const int32_t m = r.mid[x];
  if (m == 0) return 0;
  const int32_t xs = rows::Load<int16_t>(r.dx, x), ys = rows::Load<int16_t>(r.dy, x);
  const int64_t a = xs < 0 ? -int64_t{xs} : xs;
  const int64_t b = ys < 0 ? -int64_t{ys} : ys;
  bool keep;
  if (SteeperThan67(a, b)) {
    keep = m > r.above[x] && m >= r.below[x];
  } else if (SteeperThan22(a, b)) {
    const ptrdiff_t s = (xs ^ ys) < 0 ? 1 : -1;  // different signs: above-right and below-left
    keep = m > r.above[x + s] && m > r.below[x - s];
  } else {
    keep = m > r.mid[x - 1] && m >= r.mid[x + 1];
  }
  if (!keep) return 0;
  return static_cast<float>(m) > r.high ? kEdge : kCandidate;
}

// Writes the outcome of pixel x; a strong pixel is also an edge of the destination and goes on
// the coordinate stack.
template <typename Coord>
inline Coord* MarkPixel(const TSuppressRow& r, ptrdiff_t x, uint8_t cell, Coord* top) {
  if (cell == 0) return top;
  r.map[x] = cell;
  if (cell != kEdge) return top;
  r.dst[x] = 255;
  top[0] = static_cast<Coord>(r.y);
  top[1] = static_cast<Coord>(x);
  return top + 2;
}

// The suppression of one row's pixels from..width - 1; returns the new stack top.
template <typename Coord>
using TSuppressRowFn = Coord* (*)(const TSuppressRow& row, Coord* top);

// Everything the pass needs: the derivative and destination images, the thresholds, and the
// map (zeroed, with its border) and the ring of four magnitude rows (zeroed) in the work buffer.
struct TPass {
  const void* dx;
  int32_t dxStep;
  const void* dy;
  int32_t dyStep;
  void* dst;
  int32_t dstStep;
  ptrdiff_t width;
  int32_t height;
  int32_t lowT;
  float high;
  uint8_t* map;
  ptrdiff_t mapStride;
  int32_t* ring;
};

// Computes the magnitudes row by row into the ring and suppresses each row with suppressRow;
// returns the top of the coordinate stack that starts at stack.
template <typename Coord>
Coord* SuppressionPass(const TPass& pass, Coord* stack, TSuppressRowFn<Coord> suppressRow);

// The vector suppression of a row (chosen once per call for the processor): the same bytes and
// stack as the per-pixel suppression.
uint16_t* VectorSuppressionPass(const TPass& pass, uint16_t* stack);
uint32_t* VectorSuppressionPass(const TPass& pass, uint32_t* stack);

}  // namespace builtin::canny
