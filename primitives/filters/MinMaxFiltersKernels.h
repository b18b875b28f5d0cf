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

// Two output rows whose windows share all rows but the first of the one and the last of the
// other: shared[i] = the extreme of a[i + j * stride] (j < na) and b[i + j * stride] (j < nb),
// na + nb at least 1; out0[i] = the extreme of shared[i] and first[i]; out1[i] = shared[i],
// to be merged with the other window's last row later.
template <bool kMax>
void SharedPairPlain(const uint8_t* a, int64_t na, const uint8_t* b, int64_t nb, ptrdiff_t stride,
                     const uint8_t* first, uint8_t* out0, uint8_t* out1, int64_t from, int64_t n);
// out[i] = the extreme of out[i] and src[i].
template <bool kMax>
void MergePlain(const uint8_t* src, uint8_t* out, int64_t from, int64_t n);

// Vector blocks (MinMaxFiltersHwy.cpp): the same for the whole vectors from the start of the
// row; they return how many bytes they did, the plain loop finishing the row. Looked up once
// per call; null means the plain loop does everything.
using TapsBlocksFn = size_t (*)(const uint8_t* src, ptrdiff_t stride, int64_t taps, uint8_t* out,
                                size_t n);
using SharedPairBlocksFn = size_t (*)(const uint8_t* a, int64_t na, const uint8_t* b, int64_t nb,
                                      ptrdiff_t stride, const uint8_t* first, uint8_t* out0,
                                      uint8_t* out1, size_t n);
using MergeBlocksFn = size_t (*)(const uint8_t* src, uint8_t* out, size_t n);
struct TExtremeBlocks {
  TapsBlocksFn Taps = nullptr;
  SharedPairBlocksFn SharedPair = nullptr;
  MergeBlocksFn Merge = nullptr;
};
struct TTapsBlocks {
  TExtremeBlocks Min;
  TExtremeBlocks Max;
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

template <bool kMax>
inline void SharedPairRow(const uint8_t* a, int64_t na, const uint8_t* b, int64_t nb, ptrdiff_t stride,
                          const uint8_t* first, uint8_t* out0, uint8_t* out1, int64_t n,
                          SharedPairBlocksFn blocks) {
  const int64_t done = blocks == nullptr || n <= 0
                           ? 0
                           : static_cast<int64_t>(blocks(a, na, b, nb, stride, first, out0, out1, static_cast<size_t>(n)));
  SharedPairPlain<kMax>(a, na, b, nb, stride, first, out0, out1, done, n);
}

template <bool kMax>
inline void MergeRow(const uint8_t* src, uint8_t* out, int64_t n, MergeBlocksFn blocks) {
  const int64_t done = blocks == nullptr || n <= 0 ? 0 : static_cast<int64_t>(blocks(src, out, static_cast<size_t>(n)));
  MergePlain<kMax>(src, out, done, n);
}

}  // namespace builtin::extremefilter
