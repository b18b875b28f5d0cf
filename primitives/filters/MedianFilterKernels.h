// The selection kernels of the median filter, shared by the plain and the vector paths: the
// median of three or five taps a fixed distance apart (one-row and one-column masks), and of
// the 3x3 and 5x5 windows. Byte minima and maxima are exact, so every path gives the same
// bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::medianfilter {

// One compare-exchange of a selection network: the smaller value goes to line lo, the larger
// to line hi.
struct TCompare {
  std::uint8_t lo, hi;
};

// The median of five lines: line 2 after these.
inline constexpr TCompare kMedianOf5Net[] = {{0, 1}, {2, 3}, {0, 2}, {1, 3}, {1, 2}, {0, 4}, {2, 4}, {1, 2}};
inline constexpr int kMedianOf5Line = 2;

// Sorts five lines ascending (nine exchanges).
inline constexpr TCompare kSort5Net[] = {
    {0, 1}, {3, 4}, {2, 4}, {2, 3}, {0, 3}, {0, 2}, {1, 4}, {1, 3}, {1, 2}};

// The median of a 5x5 window whose row r of column j is line 5j + r, once each column is
// sorted with kSort5Net: the odd-even merges of columns 0 and 1, of that with column 2, of
// columns 3 and 4, then of the two, keeping only the exchanges that reach the thirteenth
// smallest, which ends on line 14.
inline constexpr TCompare kMergeSorted5Columns[] = {
    {0, 5}, {4, 9}, {4, 5}, {2, 7}, {2, 4}, {7, 5}, {1, 6}, {3, 8}, {3, 6}, {1, 2},
    {3, 4}, {6, 7}, {8, 5}, {0, 10}, {5, 10}, {4, 14}, {4, 5}, {14, 10}, {2, 12}, {7, 12},
    {2, 4}, {7, 5}, {12, 14}, {1, 11}, {9, 11}, {6, 9}, {3, 13}, {8, 13}, {3, 6}, {8, 9},
    {13, 11}, {1, 2}, {3, 4}, {6, 7}, {8, 5}, {9, 12}, {13, 14}, {11, 10}, {15, 20}, {19, 24},
    {19, 20}, {17, 22}, {17, 19}, {22, 20}, {16, 21}, {18, 23}, {18, 21}, {16, 17}, {18, 19}, {21, 22},
    {23, 20}, {0, 15}, {5, 20}, {5, 15}, {4, 19}, {14, 19}, {14, 15}, {2, 17}, {12, 17}, {7, 22},
    {7, 12}, {12, 14}, {1, 16}, {9, 24}, {9, 16}, {6, 21}, {11, 21}, {11, 16}, {3, 18}, {13, 18},
    {8, 23}, {8, 13}, {13, 11}, {13, 14}};
inline constexpr int kMedianOf25Line = 14;

// Plain rows, outputs from .. n - 1 of a row of n bytes:
// out[i] = the median of src[i], src[i + stride], src[i + 2 * stride] (and two more for five).
void MedianTaps3Plain(const uint8_t* src, ptrdiff_t stride, uint8_t* out, int64_t from, int64_t n);
void MedianTaps5Plain(const uint8_t* src, ptrdiff_t stride, uint8_t* out, int64_t from, int64_t n);
// out[i] = the median of src[i + j * channels + r * step] over j, r < 3 (or < 5): src is the
// top-left byte of the window of output byte 0.
void MedianSquare3Plain(const uint8_t* src, ptrdiff_t step, ptrdiff_t channels, uint8_t* out,
                        int64_t from, int64_t n);
void MedianSquare5Plain(const uint8_t* src, ptrdiff_t step, ptrdiff_t channels, uint8_t* out,
                        int64_t from, int64_t n);

// Vector blocks (MedianFilterHwy.cpp): the same for the whole vectors from the start of the
// row; they return how many bytes they did. Looked up once per call.
using TapsBlocksFn = size_t (*)(const uint8_t* src, ptrdiff_t stride, uint8_t* out, size_t n);
using SquareBlocksFn = size_t (*)(const uint8_t* src, ptrdiff_t step, ptrdiff_t channels, uint8_t* out,
                                  size_t n);
struct TMedianBlocks {
  TapsBlocksFn Taps3 = nullptr;
  TapsBlocksFn Taps5 = nullptr;
  SquareBlocksFn Square3 = nullptr;
  SquareBlocksFn Square5 = nullptr;
};
TMedianBlocks VectorMedian();

}  // namespace builtin::medianfilter
