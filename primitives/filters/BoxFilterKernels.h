// The row kernels of the box filter, shared by the plain and the vector paths: the fixed-point
// reciprocal of the mask area, the running column sums, the window means from them, and the
// direct three-channel 3x3 mean. All of it is integer arithmetic, so every path gives the same
// bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin {

// The fixed-point reciprocal of a mask area of 1 .. 8100: (sum * multiplier) >> shift in 32-bit
// unsigned arithmetic is floor(sum / area) or one more, never above 255 for a window of bytes.
struct TBoxMulShift {
  std::uint32_t multiplier;
  std::int32_t shift;
};
TBoxMulShift fbBoxMulShift(std::int32_t area);

namespace boxfilter {

// col[i] += row[i] for i in from .. n - 1.
void ColumnAddPlain(int32_t* col, const uint8_t* row, int64_t from, int64_t n);
// col[i] += enter[i] - leave[i]: the window moves one row down.
void ColumnMovePlain(int32_t* col, const uint8_t* enter, const uint8_t* leave, int64_t from, int64_t n);
// out[i] = ((col[i] + col[i + channels] + ... (taps terms)) * multiplier) >> shift, in 32-bit
// unsigned arithmetic.
void WindowMeansPlain(const int32_t* col, ptrdiff_t channels, int64_t taps, TBoxMulShift r, uint8_t* out,
                      int64_t from, int64_t n);
// out[i] = floor(s / 9), s the sum of src[i + j * channels + k * step] over j, k < 3, computed
// as (s * 29128) >> 18.
void Box3x3Plain(const uint8_t* src, ptrdiff_t step, ptrdiff_t channels, uint8_t* out, int64_t from, int64_t n);

// Vector blocks (BoxFilterHwy.cpp): the same for whole vectors from the start of the row; they
// return how many elements they did. Looked up once per call.
using ColumnAddBlocksFn = size_t (*)(int32_t* col, const uint8_t* row, size_t n);
using ColumnMoveBlocksFn = size_t (*)(int32_t* col, const uint8_t* enter, const uint8_t* leave, size_t n);
using WindowMeansBlocksFn = size_t (*)(const int32_t* col, ptrdiff_t channels, int64_t taps,
                                       uint32_t multiplier, int32_t shift, uint8_t* out, size_t n);
using Box3x3BlocksFn = size_t (*)(const uint8_t* src, ptrdiff_t step, ptrdiff_t channels, uint8_t* out,
                                  size_t n);
// The window sums carried along the row for one or four channels (others do nothing and
// return 0): sums holds the running sums of the channels for the first pixel, and on return
// those of the pixel after the last one done. Its outputs are those of WindowMeansPlain with
// taps terms; n must leave out the row's last pixel, whose following sum would need a column
// past the sums kept.
using WindowRunBlocksFn = size_t (*)(const int32_t* col, ptrdiff_t channels, int64_t taps, uint32_t multiplier,
                                     int32_t shift, uint32_t* sums, uint8_t* out, size_t n);
struct TBoxBlocks {
  ColumnAddBlocksFn ColumnAdd = nullptr;
  ColumnMoveBlocksFn ColumnMove = nullptr;
  WindowMeansBlocksFn WindowMeans = nullptr;
  Box3x3BlocksFn Box3x3 = nullptr;
  WindowRunBlocksFn WindowRun = nullptr;
};
TBoxBlocks VectorBox();

}  // namespace boxfilter
}  // namespace builtin
