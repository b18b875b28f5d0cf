// The row and column passes and the row kernels of the general resize, open to the tests.
//
// A kernel resizes one image (or one plane) in one call from the tables the driver built. It
// walks the destination rows; for each it makes sure the source rows it needs are filtered
// horizontally into work rows (a small cache labelled by source row index, so a source row is
// filtered once while it stays in use and rows the walk skips are never filtered), then
// combines those work rows vertically into the destination row.
//
// Every kernel takes one ResizeKernelArgs. Rows are reached by index: the driver gives the
// source row index of each destination row (relative to the region's top, never decreasing),
// and a row's address is its index times the byte step, in 64 bits. Nothing divides by the
// step, so a step of 0 (every row the same source row) or a negative step (a bottom-up image)
// needs no special case.
//
// Layout forms: kOne (one channel, or one plane of a planar image), kFour (four channels,
// pixels 4 elements apart) and kGeneric (three channels with pixels pixelStride elements
// apart when channels is 3, otherwise four channels 4 elements apart). Work rows hold C values
// per destination pixel, packed: C = 1, 3 or 4. The column pass writes C values per pixel
// contiguously when pixelStride equals channels, otherwise three values into pixels of four
// elements, the fourth left untouched.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "primitives/support/IppTypes.h"

namespace builtin::resize {

// Resize's own element-type codes (they differ from the warps' order).
enum DataType : int32_t { kType8u = 0, kType16u = 1, kType32f = 2 };
inline constexpr int32_t kTypeCount = 3;
inline constexpr int32_t ElementBytes(int32_t dataType) {
  return dataType == kType8u ? 1 : dataType == kType16u ? 2 : 4;
}

enum Form : int32_t { kGeneric = 0, kOne = 1, kFour = 2 };

// The kernel table's groups (entry = 3 x group + data type).
enum Group : int32_t {
  kNearestGeneric = 0,
  kNearestOne = 1,
  kNearestFour = 2,
  kLinearGeneric = 3,
  kLinearOne = 4,
  kCubicGeneric = 5,
  kCubicOne = 6,
  kLanczosGeneric = 7,
  kLanczosOne = 8,
  kLanczosUnclampedGeneric = 9,
  kLanczosUnclampedOne = 10,
};
inline constexpr int32_t kGroupCount = 11;

// A Q14 weight pair of a linear 8u/16u column: left and right source pixel, summing to 16384.
struct WeightPair {
  uint16_t left;
  uint16_t right;
};

struct ResizeKernelArgs {
  const uint8_t* src = nullptr;  // source element at the region's origin
  uint8_t* dst = nullptr;        // first destination element
  ptrdiff_t srcStep = 0;         // bytes
  ptrdiff_t dstStep = 0;         // bytes
  int32_t dstWidth = 0;
  int32_t dstHeight = 0;
  const int32_t* rowIndex = nullptr;      // source row per destination row (region-relative)
  const ptrdiff_t* colOffsets = nullptr;  // source column x element distance per column
  // Linear 8u/16u: int16 Q14 rows, WeightPair columns; linear 32f and cubic: float.
  const void* rowFractions = nullptr;
  const void* colFractions = nullptr;
  const float* rowWeights = nullptr;  // Lanczos: 6 per destination row
  const float* colWeights = nullptr;  // Lanczos: 6 per destination column
  void* work[6] = {};                 // work rows of (dstWidth + 4) x C values
  int32_t roiX = 0;                   // image columns left of the region
  int32_t roiY = 0;                   // image rows above the region
  int32_t availWidth = 0;             // columns from the region's left edge to the image's right
  int32_t availHeight = 0;            // rows from the region's top to the image's bottom
  int32_t upscaleRows = 0;            // no destination row advances the source row by more than 1
  int32_t pixelStride = 1;
  int32_t channels = 1;
};

using fbResizeKernel = void (*)(const ResizeKernelArgs&);

// ---- Elements at any address ----------------------------------------------------------------

template <typename T>
inline T LoadAt(const uint8_t* p, ptrdiff_t i) {
  T v;
  std::memcpy(&v, p + i * static_cast<ptrdiff_t>(sizeof(T)), sizeof(T));
  return v;
}
template <typename T>
inline void StoreAt(uint8_t* p, ptrdiff_t i, T v) {
  std::memcpy(p + i * static_cast<ptrdiff_t>(sizeof(T)), &v, sizeof(T));
}

// ---- Vector blocks (ResizeHwy.cpp) ---------------------------------------------------------

// Whole vectors of an 8-bit pass from the start of a row (or, for the Lanczos row pass, from the
// first column whose taps all lie inside the row); each returns how many destination columns
// (row passes) or values (column passes) it did, the plain code finishing the rest. The row
// passes take column offsets that never decrease from one column to the next (the driver's
// tables), read the source row only below limit (elements from the region's left edge to the
// image's right edge) and no further left than the plain pass, and work on one channel (C = 1,
// n = 1) or on C = 3 or 4 channels whose pixels are n elements apart.

// Nearest, one channel: d[j] = r[offsets[j]].
using NearestRowBlocks8u = size_t (*)(const uint8_t* r, const ptrdiff_t* offsets, uint8_t* d,
                                      size_t width, ptrdiff_t limit);
// Linear row pass into Q6 work values. With C = 3 a block may write values past its last
// column (later columns or the work row's slack take them).
using LinearRowBlocks8u = size_t (*)(const uint8_t* r, const ptrdiff_t* offsets,
                                     const WeightPair* weights, int16_t* work, size_t width,
                                     ptrdiff_t n, size_t C, ptrdiff_t limit);
// Cubic row pass into float work values; C = 3 as for the linear one.
using CubicRowBlocks8u = size_t (*)(const uint8_t* r, const ptrdiff_t* offsets,
                                    const float* fractions, float* work, size_t width,
                                    ptrdiff_t n, size_t C, ptrdiff_t limit);
// Lanczos row pass (six weights per column) of columns whose taps all lie inside the row;
// stops at the first column whose taps reach limit. C = 3 as for the linear one.
using LanczosRowBlocks8u = size_t (*)(const uint8_t* r, const ptrdiff_t* offsets,
                                      const float* weights, float* work, size_t width,
                                      ptrdiff_t n, size_t C, ptrdiff_t limit);
using LinearColumnBlocks8u = size_t (*)(const int16_t* upper, const int16_t* lower, uint32_t a,
                                        uint8_t* d, size_t n);
using CubicColumnBlocks8u = size_t (*)(const float* r0, const float* r1, const float* r2,
                                       const float* r3, const float* coefficients, uint8_t* d,
                                       size_t n);
// Lanczos column pass of n values from six work rows with the destination row's six weights.
using LanczosColumnBlocks8u = size_t (*)(const float* const* rows, const float* weights,
                                         uint8_t* d, size_t n);
NearestRowBlocks8u VectorNearestRow8u();
LinearRowBlocks8u VectorLinearRow8u();
LinearColumnBlocks8u VectorLinearColumn8u();
CubicRowBlocks8u VectorCubicRow8u();
CubicColumnBlocks8u VectorCubicColumn8u();
LanczosRowBlocks8u VectorLanczosRow8u();
LanczosColumnBlocks8u VectorLanczosColumn8u();

// ---- Form geometry -----------------------------------------------------------------------

// Values per work-row pixel.
template <int32_t kForm>
inline int32_t WorkChannels(int32_t channels) {
  if constexpr (kForm == kOne) return 1;
  if constexpr (kForm == kFour) return 4;
  return channels == 3 ? 3 : 4;
}
// Elements from one source pixel to the next in a row pass.
template <int32_t kForm>
inline int32_t Neighbour(int32_t pixelStride, int32_t channels) {
  if constexpr (kForm == kOne) return 1;
  if constexpr (kForm == kFour) return 4;
  return channels == 3 ? pixelStride : 4;
}
// Elements of a source row from the region's left edge to the image's right edge that a row
// pass may read (for the generic form of four channels, its four-element pixels).
template <int32_t kForm>
inline ptrdiff_t RowLimit(int32_t availWidth, int32_t pixelStride, int32_t channels) {
  if constexpr (kForm == kOne) return availWidth;
  return static_cast<ptrdiff_t>(availWidth) * (WorkChannels<kForm>(channels) == 3 ? pixelStride : 4);
}
// True when the column pass writes three values into four-element pixels.
template <int32_t kForm>
inline bool ThreeIntoFour(int32_t pixelStride, int32_t channels) {
  if constexpr (kForm == kOne) return false;
  return pixelStride != channels;
}

// ---- Work-row cache ----------------------------------------------------------------------

// Up to six work rows labelled by the source row they hold. Take() gives the work row of each
// of the needed rows, filtering (fill(row, buffer)) only the rows no work row holds yet into
// work rows that none of the needed rows use. Needed rows may repeat (clamped edges): they then
// share one work row.
template <int kRows>
class RowCache {
 public:
  explicit RowCache(void* const* buffers) {
    for (int k = 0; k < kRows; ++k) {
      buffers_[k] = buffers[k];
      labels_[k] = kEmpty;
    }
  }
  template <int kNeeded, typename Fill>
  void Take(const int64_t (&rows)[kNeeded], void* (&out)[kNeeded], Fill&& fill) {
    bool used[kRows] = {};
    int slot[kNeeded];
    for (int n = 0; n < kNeeded; ++n) {
      slot[n] = -1;
      for (int k = 0; k < kRows; ++k)
        if (labels_[k] == rows[n]) {
          slot[n] = k;
          used[k] = true;
          break;
        }
    }
    for (int n = 0; n < kNeeded; ++n) {
      if (slot[n] >= 0) continue;
      int k = 0;
      while (used[k]) ++k;
      fill(rows[n], buffers_[k]);
      labels_[k] = rows[n];
      used[k] = true;
      for (int m = n; m < kNeeded; ++m)
        if (slot[m] < 0 && rows[m] == rows[n]) slot[m] = k;
    }
    for (int n = 0; n < kNeeded; ++n) out[n] = buffers_[slot[n]];
  }

 private:
  static constexpr int64_t kEmpty = INT64_MIN;
  void* buffers_[kRows];
  int64_t labels_[kRows];
};

inline const uint8_t* SourceRow(const ResizeKernelArgs& a, int64_t row) {
  return a.src + static_cast<ptrdiff_t>(row) * a.srcStep;
}

// ---- Nearest -----------------------------------------------------------------------------

// Copies one source pixel per destination pixel: 3 elements (generic, destination advancing by
// pixelStride), 1 or 4. A destination row whose source row equals the previous one is a copy
// of the previous destination row where the rows are contiguous runs of written elements.
template <typename T, int32_t kForm>
void fbResizeNearestRows(const ResizeKernelArgs& a) {
  constexpr int32_t kCopy = kForm == kOne ? 1 : kForm == kFour ? 4 : 3;
  constexpr ptrdiff_t kSize = sizeof(T);
  const ptrdiff_t advance = kForm == kOne ? 1 : kForm == kFour ? 4 : a.pixelStride;
  const bool wholeRows = advance == kCopy;
  const int32_t width = a.dstWidth;
  const ptrdiff_t* const offsets = a.colOffsets;
  const ptrdiff_t rowBytes = static_cast<ptrdiff_t>(width) * kCopy * kSize;
  NearestRowBlocks8u blocks = nullptr;
  if constexpr (std::is_same_v<T, uint8_t> && kForm == kOne) blocks = VectorNearestRow8u();
  // Packed three-byte pixels move as four bytes, the fourth rewritten by the next pixel, in the
  // columns before `wide`: a next pixel follows and a fourth source byte lies inside the row
  // (the offsets never decrease, so only columns at the row's end fail that).
  int32_t wide = 0;
  if constexpr (std::is_same_v<T, uint8_t> && kCopy == 3) {
    const ptrdiff_t limit = RowLimit<kForm>(a.availWidth, a.pixelStride, a.channels);
    if (wholeRows) {
      wide = std::max(width - 1, 0);
      while (wide > 0 && offsets[wide - 1] + 4 > limit) --wide;
    }
  }
  for (int32_t i = 0; i < a.dstHeight; ++i) {
    uint8_t* d = a.dst + i * a.dstStep;
    if (i > 0 && wholeRows && a.rowIndex[i] == a.rowIndex[i - 1]) {
      std::memcpy(d, d - a.dstStep, static_cast<size_t>(rowBytes));
      continue;
    }
    const uint8_t* s = SourceRow(a, a.rowIndex[i]);
    int32_t j = 0;
    if (blocks)
      j = static_cast<int32_t>(blocks(s, offsets, d, static_cast<size_t>(width), a.availWidth));
    // The next source row's samples are fetched into the cache while this row is copied, one
    // request each sixteen columns (the processor's own prefetch follows the rest).
    const uint8_t* next = i + 1 < a.dstHeight && a.rowIndex[i + 1] != a.rowIndex[i]
                              ? SourceRow(a, a.rowIndex[i + 1])
                              : nullptr;
    while (j < width) {
      const int32_t end = std::min(j + 16, width);
      if (next != nullptr) __builtin_prefetch(next + offsets[j] * kSize);
      if constexpr (std::is_same_v<T, uint8_t> && kCopy == 3)
        for (const int32_t four = std::min(end, wide); j < four; ++j)
          std::memcpy(d + 3 * j, s + offsets[j], 4);
      for (; j < end; ++j) std::memcpy(d + j * advance * kSize, s + offsets[j] * kSize, kCopy * kSize);
    }
  }
}

// ---- Linear ------------------------------------------------------------------------------

template <typename T>
using LinearWork = std::conditional_t<std::is_same_v<T, float>, float,
                                      std::conditional_t<std::is_same_v<T, uint8_t>, int16_t, uint16_t>>;

// Row pass: 8u Q6 values (t = (a w0 + b w1 + 128) >> 8), 16u source-scale values
// ((a w0 + b w1 + 8192) >> 14), 32f a + (b - a) f.
template <typename T, int32_t kC>
void fbLinearRowPass(const uint8_t* __restrict r, const ptrdiff_t* __restrict colOffsets,
                     const void* colFractions, LinearWork<T>* __restrict work, int32_t width,
                     ptrdiff_t n, LinearRowBlocks8u blocks = nullptr, ptrdiff_t limit = 0) {
  int32_t k = 0;
  if constexpr (std::is_same_v<T, uint8_t>)
    if (blocks)
      k = static_cast<int32_t>(blocks(r, colOffsets, static_cast<const WeightPair*>(colFractions),
                                      work, static_cast<size_t>(width), n, kC, limit));
#pragma GCC unroll 4
  for (; k < width; ++k) {
    const ptrdiff_t o = colOffsets[k];
    if constexpr (std::is_same_v<T, float>) {
      const float f = static_cast<const float*>(colFractions)[k];
      for (int32_t c = 0; c < kC; ++c) {
        const float left = LoadAt<T>(r, o + c), right = LoadAt<T>(r, o + n + c);
        work[k * kC + c] = left + (right - left) * f;
      }
    } else {
      const WeightPair w = static_cast<const WeightPair*>(colFractions)[k];
      const uint32_t w0 = w.left, w1 = w.right;
      for (int32_t c = 0; c < kC; ++c) {
        const uint32_t sum = uint32_t{LoadAt<T>(r, o + c)} * w0 + uint32_t{LoadAt<T>(r, o + n + c)} * w1;
        if constexpr (std::is_same_v<T, uint8_t>)
          work[k * kC + c] = static_cast<int16_t>((sum + 128) >> 8);
        else
          work[k * kC + c] = static_cast<uint16_t>((sum + 8192) >> 14);
      }
    }
  }
}

// Column pass over count work values with the row fraction a: 8u
// (U (16384 - a) + L a + 0x80000) >> 20, 16u (U (16384 - a) + L a + 8192) >> 14, 32f
// U (1 - a) + L a. threeIntoFour writes three values per four-element pixel (count is then the
// number of values, a multiple of 3).
template <typename T, typename Fraction>
void fbLinearColumnPass(uint8_t* __restrict d, const LinearWork<T>* __restrict upper,
                        const LinearWork<T>* __restrict lower, Fraction a, int32_t count,
                        bool threeIntoFour, LinearColumnBlocks8u blocks = nullptr) {
  if constexpr (std::is_same_v<T, float>) {
    const float wu = 1.0f - a, wl = a;
    auto value = [=](int32_t e) { return upper[e] * wu + lower[e] * wl; };
    if (!threeIntoFour) {
      for (int32_t e = 0; e < count; ++e) StoreAt<T>(d, e, value(e));
    } else {
      for (int32_t p = 0; p < count / 3; ++p)
        for (int32_t c = 0; c < 3; ++c) StoreAt<T>(d, 4 * p + c, value(3 * p + c));
    }
  } else {
    const uint32_t wl = static_cast<uint16_t>(a), wu = 16384 - wl;
    constexpr uint32_t kRound = std::is_same_v<T, uint8_t> ? 0x80000 : 8192;
    constexpr int kShift = std::is_same_v<T, uint8_t> ? 20 : 14;
    auto value = [=](int32_t e) {
      return static_cast<T>((uint32_t(upper[e]) * wu + uint32_t(lower[e]) * wl + kRound) >> kShift);
    };
    if (!threeIntoFour) {
      int32_t e = 0;
      if constexpr (std::is_same_v<T, uint8_t>)
        if (blocks) e = static_cast<int32_t>(blocks(upper, lower, wl, d, static_cast<size_t>(count)));
      for (; e < count; ++e) StoreAt<T>(d, e, value(e));
    } else {
      for (int32_t p = 0; p < count / 3; ++p)
        for (int32_t c = 0; c < 3; ++c) StoreAt<T>(d, 4 * p + c, value(3 * p + c));
    }
  }
}

template <typename T, int32_t kForm>
void fbResizeLinearRows(const ResizeKernelArgs& a) {
  using W = LinearWork<T>;
  LinearColumnBlocks8u blocks = nullptr;
  LinearRowBlocks8u rowBlocks = nullptr;
  if constexpr (std::is_same_v<T, uint8_t>) {
    blocks = VectorLinearColumn8u();
    rowBlocks = VectorLinearRow8u();
  }
  const int32_t C = WorkChannels<kForm>(a.channels);
  const ptrdiff_t n = Neighbour<kForm>(a.pixelStride, a.channels);
  const bool threeIntoFour = ThreeIntoFour<kForm>(a.pixelStride, a.channels);
  const ptrdiff_t limit = RowLimit<kForm>(a.availWidth, a.pixelStride, a.channels);
  RowCache<2> cache(a.work);
  auto fill = [&](int64_t row, void* buffer) {
    const uint8_t* r = SourceRow(a, row);
    if (C == 1)
      fbLinearRowPass<T, 1>(r, a.colOffsets, a.colFractions, static_cast<W*>(buffer), a.dstWidth, n,
                            rowBlocks, limit);
    else if (C == 3)
      fbLinearRowPass<T, 3>(r, a.colOffsets, a.colFractions, static_cast<W*>(buffer), a.dstWidth, n,
                            rowBlocks, limit);
    else
      fbLinearRowPass<T, 4>(r, a.colOffsets, a.colFractions, static_cast<W*>(buffer), a.dstWidth, n,
                            rowBlocks, limit);
  };
  for (int32_t i = 0; i < a.dstHeight; ++i) {
    const int64_t v = a.rowIndex[i];
    const int64_t rows[2] = {v, v + 1};
    void* w[2];
    cache.Take(rows, w, fill);
    uint8_t* d = a.dst + i * a.dstStep;
    const W* upper = static_cast<const W*>(w[0]);
    const W* lower = static_cast<const W*>(w[1]);
    if constexpr (std::is_same_v<T, float>)
      fbLinearColumnPass<T>(d, upper, lower, static_cast<const float*>(a.rowFractions)[i],
                            a.dstWidth * C, threeIntoFour);
    else
      fbLinearColumnPass<T>(d, upper, lower, static_cast<const int16_t*>(a.rowFractions)[i],
                            a.dstWidth * C, threeIntoFour, blocks);
  }
}

// ---- Cubic -------------------------------------------------------------------------------

// The four-point Lagrange cubic through nodes at -1, 0, 1, 2 in Newton form.
struct CubicCoefficients {
  float c1, c2, c3;
  explicit CubicCoefficients(float t) {
    c1 = t + 1.0f;
    c2 = t * (t + 1.0f) * 0.5f;
    c3 = (t - 1.0f) * c2 / 3.0f;
  }
  float operator()(float A, float B, float C, float D) const {
    const float q1 = B - A;
    const float q2 = (C - B) - q1;
    const float q3 = (B - 2.0f * C + D) - q2;
    return A + c1 * q1 + c2 * q2 + c3 * q3;
  }
};

template <typename T, int32_t kC>
void fbCubicRowPass(const uint8_t* __restrict r, const ptrdiff_t* __restrict colOffsets,
                    const float* __restrict colFractions, float* __restrict work, int32_t width,
                    ptrdiff_t n, CubicRowBlocks8u blocks = nullptr, ptrdiff_t limit = 0) {
  int32_t k = 0;
  if constexpr (std::is_same_v<T, uint8_t>)
    if (blocks)
      k = static_cast<int32_t>(blocks(r, colOffsets, colFractions, work, static_cast<size_t>(width), n,
                                      kC, limit));
  for (; k < width; ++k) {
    const ptrdiff_t o = colOffsets[k];
    const CubicCoefficients cf(colFractions[k]);
    for (int32_t c = 0; c < kC; ++c) {
      const float A = static_cast<float>(LoadAt<T>(r, o - n + c));
      const float B = static_cast<float>(LoadAt<T>(r, o + c));
      const float Cv = static_cast<float>(LoadAt<T>(r, o + n + c));
      const float D = static_cast<float>(LoadAt<T>(r, o + 2 * n + c));
      work[k * kC + c] = cf(A, B, Cv, D);
    }
  }
}

// trunc(v + 0.5000001) clamped to [0, maxValue]; NaN stores 0.
template <typename T>
inline T RoundClamp(double v) {
  constexpr double kMax = std::is_same_v<T, uint8_t> ? 255.0 : 65535.0;
  const double r = std::trunc(v + 0.5000001);
  if (r > kMax) return static_cast<T>(kMax);
  if (!(r >= 0.0)) return 0;
  return static_cast<T>(r);
}

// trunc(v + 0.5000001) clamped to [0, maxValue] in float; NaN stores 0.
template <typename T>
inline T RoundClampFloat(float v) {
  constexpr float kMax = std::is_same_v<T, uint8_t> ? 255.0f : 65535.0f;
  float r = v + 0.5000001f;
  r = r > 0.0f ? r : 0.0f;
  r = r < kMax ? r : kMax;
  return static_cast<T>(static_cast<int32_t>(r));
}

template <typename T>
void fbCubicColumnPass(uint8_t* __restrict d, const float* const (&rows)[4], float t,
                       int32_t count, bool threeIntoFour, CubicColumnBlocks8u blocks = nullptr) {
  const CubicCoefficients cf(t);
  const float* __restrict r0 = rows[0];
  const float* __restrict r1 = rows[1];
  const float* __restrict r2 = rows[2];
  const float* __restrict r3 = rows[3];
  auto store = [=](ptrdiff_t at, int32_t e) {
    const float v = cf(r0[e], r1[e], r2[e], r3[e]);
    if constexpr (std::is_same_v<T, float>)
      StoreAt<T>(d, at, v);
    else
      StoreAt<T>(d, at, RoundClampFloat<T>(v));
  };
  if (!threeIntoFour) {
    int32_t e = 0;
    if constexpr (std::is_same_v<T, uint8_t>)
      if (blocks) {
        const float coefficients[3] = {cf.c1, cf.c2, cf.c3};
        e = static_cast<int32_t>(blocks(r0, r1, r2, r3, coefficients, d, static_cast<size_t>(count)));
      }
    for (; e < count; ++e) store(e, e);
  } else {
    for (int32_t p = 0; p < count / 3; ++p)
      for (int32_t c = 0; c < 3; ++c) store(4 * p + c, 3 * p + c);
  }
}

template <typename T, int32_t kForm>
void fbResizeCubicRows(const ResizeKernelArgs& a) {
  const int32_t C = WorkChannels<kForm>(a.channels);
  const ptrdiff_t n = Neighbour<kForm>(a.pixelStride, a.channels);
  const bool threeIntoFour = ThreeIntoFour<kForm>(a.pixelStride, a.channels);
  const float* colFractions = static_cast<const float*>(a.colFractions);
  CubicColumnBlocks8u blocks = nullptr;
  CubicRowBlocks8u rowBlocks = nullptr;
  if constexpr (std::is_same_v<T, uint8_t>) {
    blocks = VectorCubicColumn8u();
    rowBlocks = VectorCubicRow8u();
  }
  const ptrdiff_t limit = RowLimit<kForm>(a.availWidth, a.pixelStride, a.channels);
  RowCache<4> cache(a.work);
  auto fill = [&](int64_t row, void* buffer) {
    const uint8_t* r = SourceRow(a, row);
    float* w = static_cast<float*>(buffer);
    if (C == 1)
      fbCubicRowPass<T, 1>(r, a.colOffsets, colFractions, w, a.dstWidth, n, rowBlocks, limit);
    else if (C == 3)
      fbCubicRowPass<T, 3>(r, a.colOffsets, colFractions, w, a.dstWidth, n, rowBlocks, limit);
    else
      fbCubicRowPass<T, 4>(r, a.colOffsets, colFractions, w, a.dstWidth, n, rowBlocks, limit);
  };
  for (int32_t i = 0; i < a.dstHeight; ++i) {
    const int64_t s = a.rowIndex[i];
    const int64_t rows[4] = {s - 1, s, s + 1, s + 2};
    void* w[4];
    cache.Take(rows, w, fill);
    const float* const window[4] = {static_cast<const float*>(w[0]), static_cast<const float*>(w[1]),
                                    static_cast<const float*>(w[2]), static_cast<const float*>(w[3])};
    fbCubicColumnPass<T>(a.dst + i * a.dstStep, window,
                         static_cast<const float*>(a.rowFractions)[i], a.dstWidth * C,
                         threeIntoFour, blocks);
  }
}

// ---- Lanczos -----------------------------------------------------------------------------

// L3(k / 100) for k = 0..300, exact zeros at 100, 200 and 300.
extern const std::array<float, 301> fbLanczos3Samples;

// Six weights per fraction t for the taps n - 2 .. n + 3, normalised to sum 1.
void fbResizeLanczosWeights(const float* fractions, int32_t count, float* weights);

// Copies n floats; -8 for a null pointer, -6 for n < 1.
IppStatus fbCopy32f(const float* src, float* dst, int32_t n);

// Row pass: six taps per destination column and channel, summed in double and rounded once to
// float. With kClamp the tap indexes are clamped to [-roiX, availWidth - 1] (tested once per
// column: columns whose six taps all lie inside take the plain sum, or, 8-bit, the vector
// blocks from the first of them); without it the taps are read as they are, summed from tap
// x + 3 down to tap x - 2.
template <typename T, int32_t kC, bool kClamp>
void LanczosRowPass(const uint8_t* r, ptrdiff_t P, const ptrdiff_t* colOffsets,
                    const float* colWeights, float* work, int32_t width, int32_t roiX,
                    int32_t availWidth, LanczosRowBlocks8u blocks = nullptr, ptrdiff_t limit = 0) {
  const ptrdiff_t lo = 2 * P - static_cast<ptrdiff_t>(roiX) * P;             // o - 2P >= -roiX P
  const ptrdiff_t hi = (static_cast<ptrdiff_t>(availWidth) - 4) * P;        // o + 3P <= (aw-1) P
  auto column = [&](int32_t j) {
    const ptrdiff_t o = colOffsets[j];
    const float* w = colWeights + 6 * static_cast<ptrdiff_t>(j);
    if (!kClamp) {
      for (int32_t c = 0; c < kC; ++c) {
        double v = 0.0;
        for (int m = 5; m >= 0; --m)
          v += double(w[m]) * double(LoadAt<T>(r, o + (m - 2) * P + c));
        work[j * kC + c] = static_cast<float>(v);
      }
    } else if (o >= lo && o <= hi) {
      for (int32_t c = 0; c < kC; ++c) {
        double v = 0.0;
        for (int m = 0; m < 6; ++m)
          v += double(w[m]) * double(LoadAt<T>(r, o + (m - 2) * P + c));
        work[j * kC + c] = static_cast<float>(v);
      }
    } else {
      const ptrdiff_t x = o / P;
      ptrdiff_t taps[6];
      for (int m = 0; m < 6; ++m)
        taps[m] = std::clamp<ptrdiff_t>(x - 2 + m, -static_cast<ptrdiff_t>(roiX),
                                        static_cast<ptrdiff_t>(availWidth) - 1) * P;
      for (int32_t c = 0; c < kC; ++c) {
        double v = 0.0;
        for (int m = 0; m < 6; ++m) v += double(w[m]) * double(LoadAt<T>(r, taps[m] + c));
        work[j * kC + c] = static_cast<float>(v);
      }
    }
  };
  bool vector = std::is_same_v<T, uint8_t> && kClamp && blocks != nullptr;
  for (int32_t j = 0; j < width;) {
    if (vector && colOffsets[j] >= lo) {
      // The offsets never decrease, so the columns from here on start inside the row: the
      // blocks take them up to the first whose taps reach the limit.
      vector = false;
      j += static_cast<int32_t>(blocks(r, colOffsets + j, colWeights + 6 * static_cast<ptrdiff_t>(j),
                                       work + static_cast<ptrdiff_t>(j) * kC,
                                       static_cast<size_t>(width - j), P, kC, limit));
      continue;
    }
    column(j);
    ++j;
  }
}

// The two row-pass families by name: clamped taps (the kernels the driver selects) and taps
// read as they are (the kernels that need a three-pixel margin around the region).
template <typename T, int32_t kC>
void fbLanczosRowPass(const uint8_t* r, ptrdiff_t P, const ptrdiff_t* colOffsets,
                      const float* colWeights, float* work, int32_t width, int32_t roiX,
                      int32_t availWidth, LanczosRowBlocks8u blocks = nullptr,
                      ptrdiff_t limit = 0) {
  LanczosRowPass<T, kC, true>(r, P, colOffsets, colWeights, work, width, roiX, availWidth, blocks,
                              limit);
}
template <typename T, int32_t kC>
void fbLanczosRowPassUnclamped(const uint8_t* r, ptrdiff_t P, const ptrdiff_t* colOffsets,
                               const float* colWeights, float* work, int32_t width) {
  LanczosRowPass<T, kC, false>(r, P, colOffsets, colWeights, work, width, 0, 0);
}

// Column pass: the six window rows weighted in double, in window order; 8u/16u rounded with
// trunc(v + 0.5000001) and clamped, 32f rounded to float. threeIntoFour: three values per
// four-element pixel, count pixels; otherwise count values.
template <typename T>
void fbLanczosColumnPass(uint8_t* d, int32_t count, const float* weights, const float* const (&rows)[6],
                         bool threeIntoFour, LanczosColumnBlocks8u blocks = nullptr) {
  const double w0 = weights[0], w1 = weights[1], w2 = weights[2], w3 = weights[3],
               w4 = weights[4], w5 = weights[5];
  auto store = [&](ptrdiff_t at, ptrdiff_t e) {
    const double v = double(rows[0][e]) * w0 + double(rows[1][e]) * w1 + double(rows[2][e]) * w2 +
                     double(rows[3][e]) * w3 + double(rows[4][e]) * w4 + double(rows[5][e]) * w5;
    if constexpr (std::is_same_v<T, float>)
      StoreAt<T>(d, at, static_cast<float>(v));
    else
      StoreAt<T>(d, at, RoundClamp<T>(v));
  };
  if (!threeIntoFour) {
    ptrdiff_t e = 0;
    if constexpr (std::is_same_v<T, uint8_t>)
      if (blocks) e = static_cast<ptrdiff_t>(blocks(rows, weights, d, static_cast<size_t>(count)));
    for (; e < count; ++e) store(e, e);
  } else {
    for (ptrdiff_t p = 0; p < count; ++p)
      for (int32_t c = 0; c < 3; ++c) store(4 * p + c, 3 * p + c);
  }
}

template <typename T, int32_t kForm, bool kClamp>
void LanczosKernel(const ResizeKernelArgs& a) {
  const int32_t C = WorkChannels<kForm>(a.channels);
  const ptrdiff_t P = Neighbour<kForm>(a.pixelStride, a.channels);
  const bool threeIntoFour = ThreeIntoFour<kForm>(a.pixelStride, a.channels);
  LanczosRowBlocks8u rowBlocks = nullptr;
  LanczosColumnBlocks8u blocks = nullptr;
  if constexpr (std::is_same_v<T, uint8_t>) {
    if (kClamp) rowBlocks = VectorLanczosRow8u();
    blocks = VectorLanczosColumn8u();
  }
  const ptrdiff_t limit = RowLimit<kForm>(a.availWidth, a.pixelStride, a.channels);
  RowCache<6> cache(a.work);
  auto fill = [&](int64_t row, void* buffer) {
    const uint8_t* r = SourceRow(a, row);
    float* w = static_cast<float*>(buffer);
    if (C == 1)
      LanczosRowPass<T, 1, kClamp>(r, P, a.colOffsets, a.colWeights, w, a.dstWidth, a.roiX,
                                   a.availWidth, rowBlocks, limit);
    else if (C == 3)
      LanczosRowPass<T, 3, kClamp>(r, P, a.colOffsets, a.colWeights, w, a.dstWidth, a.roiX,
                                   a.availWidth, rowBlocks, limit);
    else
      LanczosRowPass<T, 4, kClamp>(r, P, a.colOffsets, a.colWeights, w, a.dstWidth, a.roiX,
                                   a.availWidth, rowBlocks, limit);
  };
  const int64_t top = -static_cast<int64_t>(a.roiY), bottom = int64_t{a.availHeight} - 1;
  for (int32_t i = 0; i < a.dstHeight; ++i) {
    const int64_t y = a.rowIndex[i];
    int64_t rows[6];
    for (int m = 0; m < 6; ++m)
      rows[m] = kClamp ? std::clamp<int64_t>(y - 2 + m, top, bottom) : y - 2 + m;
    void* w[6];
    cache.Take(rows, w, fill);
    const float* const window[6] = {
        static_cast<const float*>(w[0]), static_cast<const float*>(w[1]),
        static_cast<const float*>(w[2]), static_cast<const float*>(w[3]),
        static_cast<const float*>(w[4]), static_cast<const float*>(w[5])};
    fbLanczosColumnPass<T>(a.dst + i * a.dstStep, threeIntoFour ? a.dstWidth : a.dstWidth * C,
                           a.rowWeights + 6 * static_cast<ptrdiff_t>(i), window, threeIntoFour,
                           blocks);
  }
}

template <typename T, int32_t kForm>
void fbResizeLanczosRows(const ResizeKernelArgs& a) {
  LanczosKernel<T, kForm, true>(a);
}
// Reads rows y - 2 .. y + 3 and columns x - 2 .. x + 3 of every sample as they are: the
// caller supplies a source with that margin around the region.
template <typename T, int32_t kForm>
void fbResizeLanczosRowsUnclamped(const ResizeKernelArgs& a) {
  LanczosKernel<T, kForm, false>(a);
}

// The kernel of a table entry (3 x group + data type); the driver selects only groups 0 to 8.
extern const std::array<fbResizeKernel, 3 * kGroupCount> fbResizeKernelTable;

}  // namespace builtin::resize
