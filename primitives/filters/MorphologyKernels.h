// The pieces of erosion and dilation open to the tests: the largest mask byte and the row
// engine of each operation and layout.
#pragma once

#include <cstddef>
#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin {

// Writes the largest of the width x height bytes at p (rows step bytes apart) to *result and
// returns 0, stopping after the first row that holds 255. A null pointer -8, width or height
// below 1 -6, step below 1 -14; nothing is written on failure.
IppStatus fbMaskMax8u(const Ipp8u* p, int step, int width, int height, Ipp8u* result);

namespace morphology {

// out[i] = the smallest (kMax false) or largest (kMax true) of cells[k][i] over k < count, and
// of out[i] itself unless first, for i = from .. n - 1. count is at least 1.
template <bool kMax>
void CellsPlain(const uint8_t* const* cells, int64_t count, bool first, uint8_t* out, int64_t from,
                int64_t n);

// Vector blocks (MorphologyHwy.cpp): the same for the whole vectors from the start of the row;
// they return how many bytes they did, the plain loop finishing the row. Looked up once per
// call; null means the plain loop does everything.
using CellsBlocksFn = size_t (*)(const uint8_t* const* cells, int64_t count, bool first,
                                 uint8_t* out, size_t n);
struct TCellsBlocks {
  CellsBlocksFn Min = nullptr;
  CellsBlocksFn Max = nullptr;
};
TCellsBlocks VectorCells();

template <bool kMax>
inline void CellsRow(const uint8_t* const* cells, int64_t count, bool first, uint8_t* out,
                     int64_t n, CellsBlocksFn blocks) {
  const int64_t done =
      blocks == nullptr || n <= 0
          ? 0
          : static_cast<int64_t>(blocks(cells, count, first, out, static_cast<size_t>(n)));
  CellsPlain<kMax>(cells, count, first, out, done, n);
}

// One destination row of width pixels: each filtered byte is the extreme over the mask's
// nonzero cells of the byte of the same channel, cell (i, j) reading origin + i * srcStep +
// j * pixel bytes. origin is the window's top-left pixel for the row's first pixel. kPixel is
// the pixel's byte count, kWritten the bytes filtered (3 for AC4, whose fourth byte is kept).
// blocks: the vector blocks of the operation, or null for the plain loops alone.
template <bool kDilate, int kPixel, int kWritten>
void MorphRow(const uint8_t* origin, int srcStep, uint8_t* dst, int width, const uint8_t* mask,
              IppiSize maskSize, CellsBlocksFn blocks);

}  // namespace morphology

// The row engines of the six forms, on the vector blocks of the processor.
inline void fbErodeRow8uC1(const uint8_t* o, int s, uint8_t* d, int w, const uint8_t* m,
                           IppiSize ms) {
  morphology::MorphRow<false, 1, 1>(o, s, d, w, m, ms, morphology::VectorCells().Min);
}
inline void fbErodeRow8uC3(const uint8_t* o, int s, uint8_t* d, int w, const uint8_t* m,
                           IppiSize ms) {
  morphology::MorphRow<false, 3, 3>(o, s, d, w, m, ms, morphology::VectorCells().Min);
}
inline void fbErodeRow8uAC4(const uint8_t* o, int s, uint8_t* d, int w, const uint8_t* m,
                            IppiSize ms) {
  morphology::MorphRow<false, 4, 3>(o, s, d, w, m, ms, morphology::VectorCells().Min);
}
inline void fbDilateRow8uC1(const uint8_t* o, int s, uint8_t* d, int w, const uint8_t* m,
                            IppiSize ms) {
  morphology::MorphRow<true, 1, 1>(o, s, d, w, m, ms, morphology::VectorCells().Max);
}
inline void fbDilateRow8uC3(const uint8_t* o, int s, uint8_t* d, int w, const uint8_t* m,
                            IppiSize ms) {
  morphology::MorphRow<true, 3, 3>(o, s, d, w, m, ms, morphology::VectorCells().Max);
}
inline void fbDilateRow8uAC4(const uint8_t* o, int s, uint8_t* d, int w, const uint8_t* m,
                             IppiSize ms) {
  morphology::MorphRow<true, 4, 3>(o, s, d, w, m, ms, morphology::VectorCells().Max);
}

}  // namespace builtin
