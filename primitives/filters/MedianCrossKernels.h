// The colour median's work on a strip of the image, shared by the plain and the vector paths
// (MedianCrossHwy.cpp) and open to the tests.
//
// The image is worked in strips of at most kSpan source columns (the strip's pixels and the
// K - 1 columns its windows reach beyond them), each from the top row to the bottom one, so
// that what one output row learnt about the K - 1 source rows it shares with the next one is
// kept:
//
// - plane: the K source rows of the window, one 16-bit line per channel, in slots (row r in
//   slot (r + K / 2) mod K); redGreen holds channels 0 and 1 of each pixel together, so that the
//   choice of a pixel moves two lines instead of three.
// - pair: when a row n enters, the distance of every pixel (q, u) of each of the K - 1 rows
//   above it to the pixels (n, u + d) of the new row, d = -(K - 1) .. K - 1. It is computed once
//   and subtracted again when row q - (K - k) leaves, K - k rows later.
// - column: for each window row a and offset d, the summed distance of pixel (a, u) to the K
//   window pixels of column u + d. It changes by the distances to the row that enters and to
//   the row that leaves.
// - total: the summed distance of window pixel (i, j) of output pixel t to its whole window,
//   stored at column t + j: the sum of K column sums of the pixel.
//
// A distance is the sum of the absolute differences of the three channels. Every value is an
// exact integer below 2^16 (a total is at most 24 x 765), and every step is an exact integer
// operation, so every path gives the same winner: the first smallest total in row-major order.
// Lines hold a column u at index kPad + u; the kPad entries on either side take the reads up to
// K - 1 columns beyond the strip (their values never reach a result).
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::colourmedian {

inline constexpr int kSpan = 128;
inline constexpr int kPad = 32;
inline constexpr int kLine = kPad + kSpan + kPad;

template <int K>
struct TState {
  static constexpr int kReach = K - 1;           // columns from a pixel to the far side of its window
  static constexpr int kOffsets = 2 * K - 1;     // offsets d = -kReach .. kReach, at index d + kReach
  alignas(64) uint16_t plane[K][3][kLine];       // [slot][channel]
  alignas(64) uint16_t redGreen[K][kLine];        // [slot]: channel 0 | channel 1 << 8
  alignas(64) uint16_t pair[K][K - 1][kOffsets][kLine];  // [slot of n][k - 1][d]: (n - k, u) to (n, u + d)
  alignas(64) uint16_t column[K][kOffsets][kLine];       // [slot of a][d]: (a, u) to column u + d
  alignas(64) uint16_t total[K][K][kLine];               // [i][j], at column t + j
  alignas(64) uint8_t winner[3][kSpan];                  // the chosen pixel of output t, per channel
};

// Plain steps over columns (or output pixels) from .. to - 1 of the strip.
// Reads channels 0 .. 2 of pixels pixel bytes apart, src at column 0, into the slot's lines
// (plane and redGreen).
template <int K>
void LoadRowPlain(TState<K>& s, int slot, const uint8_t* src, ptrdiff_t pixel, int64_t from,
                  int64_t to);
// Row n enters the slot newSlot, below the older rows in the slots before it (at most K - 1);
// with leaving, the row K above n leaves the window.
template <int K>
void EnterPlain(TState<K>& s, int newSlot, int older, bool leaving, int64_t from, int64_t to);
// The totals of the window whose top row is in firstSlot.
template <int K>
void TotalsPlain(TState<K>& s, int firstSlot, int64_t from, int64_t to);
// The winner of each output pixel into s.winner.
template <int K>
void SelectPlain(TState<K>& s, int firstSlot, int64_t from, int64_t to);
// Writes the winners' channels into pixels pixel bytes apart (the fourth byte is kept).
template <int K>
void EmitPlain(const TState<K>& s, uint8_t* dst, ptrdiff_t pixel, int64_t from, int64_t to);

// Vector blocks: the same for whole vectors from column (or output) 0; they return how many
// they did. Enter, Totals and Select work on whole vectors past the last column into the
// lines' room (kSpan is a multiple of every target's 16-bit lane count), so they leave nothing
// to the plain steps; LoadRowC3 and EmitC3, which touch the caller's images, end with a vector
// that overlaps the one before and leave only rows shorter than a vector. Looked up once per
// call.
template <int K>
struct TBlocks {
  size_t (*LoadRowC3)(TState<K>& s, int slot, const uint8_t* src, size_t columns) = nullptr;
  size_t (*Enter)(TState<K>& s, int newSlot, int older, bool leaving, size_t columns) = nullptr;
  size_t (*Totals)(TState<K>& s, int firstSlot, size_t columns) = nullptr;
  size_t (*Select)(TState<K>& s, int firstSlot, size_t outputs) = nullptr;
  size_t (*EmitC3)(const TState<K>& s, uint8_t* dst, size_t outputs) = nullptr;
};
TBlocks<3> VectorColour3();
TBlocks<5> VectorColour5();

// The colour median of a region with or without the vector blocks (for the tests): pixel 3
// or 4 bytes, K 3 or 5; arguments as checked by the entries.
void ColourMedianRegion(const uint8_t* src, ptrdiff_t srcStep, uint8_t* dst, ptrdiff_t dstStep,
                        int width, int height, int pixel, int side, bool vector);

}  // namespace builtin::colourmedian
