// The row kernel of the minimum and maximum filters, shared by the plain and the vector paths:
// the extreme of a number of taps a fixed distance apart. Along a row (taps one pixel apart)
// it is the horizontal pass; over rows (taps one row apart) the vertical one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::extremefilter {

// out[i] = the smallest (kMax false) or largest (kMax true) of src[i + j * stride] over
// j = 0 .. taps - 1, for i = 0 .. n - 1. stride is positive; taps at least 1.
template <bool kMax>
void TapsPlain(const uint8_t* src, ptrdiff_t stride, int64_t taps, uint8_t* out, int64_t from,
               int64_t n);

// Vector blocks (MinMaxFiltersHwy.cpp): the same for the whole vectors from the start of the
// row; returns how many bytes they did, the plain loop finishing the row. Looked up once per
// call; null means the plain loop does everything.
using TapsBlocksFn = size_t (*)(const uint8_t* src, ptrdiff_t stride, int64_t taps, uint8_t* out,
                                size_t n);
struct TTapsBlocks {
  TapsBlocksFn Min = nullptr;
  TapsBlocksFn Max = nullptr;
};
TTapsBlocks VectorTaps();

// A row through the blocks, finished by the plain loop.
template <bool kMax>
inline void TapsRow(const uint8_t* src, ptrdiff_t stride, int64_t taps, uint8_t* out, int64_t n,
                    TapsBlocksFn blocks) {
  const int64_t done =
      blocks == nullptr || n <= 0 ? 0 : static_cast<int64_t>(blocks(src, stride, taps, out, static_cast<size_t>(n)));
  TapsPlain<kMax>(src, stride, taps, out, done, n);
}

}  // namespace builtin::extremefilter
