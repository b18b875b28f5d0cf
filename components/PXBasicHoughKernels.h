// The vector kernels of the circle detector (components/PXBasicHoughHwy.cpp), chosen once per
// call for the processor. Each equals the plain loop of components/PXBasicHough.cpp value for
// value; the plain loops stay as the reference.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace components::hough {

// Appends to out the centre candidates of an accumulator of rows x cols counters (row stride
// stride): the indexes y * stride + x, for y = 1 .. rows - 2 and x = 1 .. cols - 2, of the
// cells whose count is above threshold and strictly above the four cells left, right, above
// and below, in increasing order.
void FindCandidates(const int32_t* acc, int64_t stride, int64_t rows, int64_t cols,
                    int32_t threshold, std::vector<int32_t>* out);

// The distances from (cx, cy) to the points (xs[k], ys[k]), k < n, in 32-bit floats
// (sqrt(dx * dx + dy * dy), every step rounded to float), keeping only those not above
// maxR, in point order, and beside each its key min(distance * scale, last) truncated to an
// integer (0 <= scale, last < 2^23). Returns how many were written to out and keys (room for
// n values each).
size_t NearDistances(const float* xs, const float* ys, size_t n, float cx, float cy, float maxR,
                     float scale, float last, float* out, uint32_t* keys);

// A line of cells: acc[((a + k * sa) >> 10) * m + b + k * db] for k < count, where every
// a + k * sa and every index is a 32-bit value not below 0.
struct TVoteLine {
  int32_t a, sa, m, b, db, count;
};

// One vote for each cell of each of the n lines.
void VoteLines(int32_t* acc, const TVoteLine* lines, size_t n);

}  // namespace components::hough
