// Vector paths of the right-angle copies of one-byte samples, compiled for every instruction set
// that Highway targets and chosen at run time. Only bit patterns move, so every target gives
// the plain copy's bytes.
//
// Quarter turn: square blocks of 16 x 16 pixels, one 16-byte block of a vector a row. A vector
// of several 16-byte blocks carries the same rows of neighbouring blocks (16 bytes further
// along the source rows), so one pass of interleaving rounds transposes them all: four rounds,
// each interleaving the bytes of vector k with those of vector k + 8, turn 16 source rows into
// 16 destination rows.
// Every loop over the 16 vectors is unrolled with constant indexes, so the vectors stay in
// registers.
//
// Half turn: runs of whole pixels are loaded from the far end of the source row, their order
// reversed by byte shuffles and stored at the near end of the destination row.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/geometry/RotateCopyHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstddef>

#include "primitives/support/HwyDispatch.h"
#include "primitives/geometry/RotateCopyKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::rotatecopy {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR

// One interleaving round over n = 16 / sizeof(T) vectors: vectors 2k and 2k + 1 take the lower
// and upper halves of the T lanes of vectors k and k + n / 2 interleaved, within each 16-byte
// block.
template <typename T, class D8>
HWY_INLINE void Round(D8 d8, hn::Vec<D8> (&v)[16 / sizeof(T)]) {
  constexpr int n = 16 / sizeof(T);
  const hn::Repartition<T, D8> d;
  hn::Vec<D8> t[n];
#pragma GCC unroll 8
  for (int k = 0; k < n / 2; ++k) {
    const auto a = hn::BitCast(d, v[k]), b = hn::BitCast(d, v[k + n / 2]);
    t[2 * k] = hn::BitCast(d8, hn::InterleaveLower(d, a, b));
    t[2 * k + 1] = hn::BitCast(d8, hn::InterleaveUpper(d, a, b));
  }
#pragma GCC unroll 16
  for (int k = 0; k < n; ++k) v[k] = t[k];
}

// Block b of v to first + b * blockStep.
template <class D8>
HWY_INLINE void StoreBlocks(D8 d8, hn::Vec<D8> v, uint8_t* first, ptrdiff_t blockStep) {
  if constexpr (hn::MaxLanes(D8()) == 16) {
    hn::StoreU(v, d8, first);
  } else {
    const hn::Half<D8> dh;
    constexpr size_t kHalfBlocks = hn::MaxLanes(D8()) / 32;
    StoreBlocks(dh, hn::LowerHalf(dh, v), first, blockStep);
    StoreBlocks(dh, hn::UpperHalf(dh, v), first + static_cast<ptrdiff_t>(kHalfBlocks) * blockStep,
                blockStep);
  }
}

// Pixels of sizeof(T) bytes, n = 16 / sizeof(T) to a block side: destination rows [i0, rows)
// in groups of n x (blocks of D8), all columns [0, columns); returns the first row it did not
// do.
template <typename T, class D8>
HWY_INLINE int QuarterGroups(D8 d8, const uint8_t* src, uint8_t* dst, int i0, int rows,
                             int columns, int srcStep, int dstStep, int direction) {
  constexpr int n = 16 / sizeof(T);
  constexpr ptrdiff_t kBytes = sizeof(T);
  constexpr int kRows = static_cast<int>(hn::MaxLanes(D8()) / sizeof(T));  // per group
  const ptrdiff_t sStep = srcStep, dStep = dstStep;
  int i = i0;
  for (; i + kRows <= rows; i += kRows) {
    // The first of the source pixels that destination rows i .. i + kRows - 1 read in a row.
    const ptrdiff_t first = (direction > 0 ? i : -static_cast<ptrdiff_t>(i) - (kRows - 1)) * kBytes;
    for (int g = 0; g < columns; g += n) {
      hn::Vec<D8> v[n];
      const uint8_t* s = src + sStep * g + first;
#pragma GCC unroll 16
      for (int k = 0; k < n; ++k) v[k] = hn::LoadU(d8, s + sStep * k);
#pragma GCC unroll 4
      for (int round = 1; round < n; round *= 2) Round<T>(d8, v);
      // Vector k now holds, in block b, the source pixels first + n b + k of the n rows.
      if (direction > 0) {
        uint8_t* d = dst + dStep * i + g * kBytes;
#pragma GCC unroll 16
        for (int k = 0; k < n; ++k) StoreBlocks(d8, v[k], d + dStep * k, n * dStep);
      } else {
        uint8_t* d = dst + dStep * (i + kRows - 1) + g * kBytes;
#pragma GCC unroll 16
        for (int k = 0; k < n; ++k) StoreBlocks(d8, v[k], d - dStep * k, -n * dStep);
      }
    }
  }
  return i;
}

template <typename T>
HWY_INLINE void QuarterBlocks(const uint8_t* src, uint8_t* dst, int rows, int columns,
                              int srcStep, int dstStep, int direction) {
  const hn::ScalableTag<uint8_t> d8;
  const int i = QuarterGroups<T>(d8, src, dst, 0, rows, columns, srcStep, dstStep, direction);
  if constexpr (hn::MaxLanes(decltype(d8)()) > 16)
    QuarterGroups<T>(hn::CappedTag<uint8_t, 16>(), src, dst, i, rows, columns, srcStep, dstStep,
                     direction);
}

// Pixels of three bytes in blocks of 4 x 4, one 16-byte vector a row: each source row's four
// pixels are spread to 32-bit lanes, the block is transposed as 32-bit pixels and each
// destination row packed back to 12 bytes. The load of a block row reads the four bytes below
// its pixels' lowest address too when direction < 0, above their highest when direction > 0
// (pixels of destination rows i + 4 and i + 5 either way); the store writes four bytes past
// the row's twelve (destination columns g + 4 and g + 5).
HWY_INLINE void QuarterBlocks24(const uint8_t* src, uint8_t* dst, int rows, int columns,
                                int srcStep, int dstStep, int direction) {
  const hn::CappedTag<uint8_t, 16> d8;
  const ptrdiff_t sStep = srcStep, dStep = dstStep;
  alignas(16) static constexpr uint8_t kSpread[2][16] = {
      {4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12, 12, 13, 14, 15, 15},  // window from 4 bytes below
      {0, 1, 2, 2, 3, 4, 5, 5, 6, 7, 8, 8, 9, 10, 11, 11}};
  alignas(16) static constexpr uint8_t kPack[16] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14,
                                                    15, 15, 15, 15};
  const auto spread = hn::Load(d8, kSpread[direction > 0 ? 1 : 0]);
  const auto pack = hn::Load(d8, kPack);
  for (int i = 0; i < rows; i += 4) {
    // The window of destination rows i .. i + 3 in a source row.
    const ptrdiff_t window = direction > 0 ? 3 * static_cast<ptrdiff_t>(i)
                                           : -3 * static_cast<ptrdiff_t>(i) - 9 - 4;
    for (int g = 0; g < columns; g += 4) {
      hn::Vec<decltype(d8)> v[4];
      const uint8_t* s = src + sStep * g + window;
#pragma GCC unroll 4
      for (int k = 0; k < 4; ++k) v[k] = hn::TableLookupBytes(hn::LoadU(d8, s + sStep * k), spread);
      Round<uint32_t>(d8, v);
      Round<uint32_t>(d8, v);
      // Vector k now holds the pixels of source offset k (lowest address first) of the 4 rows.
      uint8_t* d = dst + dStep * i + 3 * static_cast<ptrdiff_t>(g);
#pragma GCC unroll 4
      for (int k = 0; k < 4; ++k)
        hn::StoreU(hn::TableLookupBytes(v[k], pack), d8, d + dStep * (direction > 0 ? k : 3 - k));
    }
  }
}

#endif  // HWY_TARGET != HWY_SCALAR

// Blocks that a target with one lane per vector would take never reach it (SixteenByteLanes).
void QuarterBlocks8(const uint8_t* src, uint8_t* dst, int rows, int columns, int srcStep,
                    int dstStep, int direction) {
#if HWY_TARGET == HWY_SCALAR
  (void)src, (void)dst, (void)rows, (void)columns, (void)srcStep, (void)dstStep, (void)direction;
#else
  QuarterBlocks<uint8_t>(src, dst, rows, columns, srcStep, dstStep, direction);
#endif
}

void QuarterBlocks32(const uint8_t* src, uint8_t* dst, int rows, int columns, int srcStep,
                     int dstStep, int direction) {
#if HWY_TARGET == HWY_SCALAR
  (void)src, (void)dst, (void)rows, (void)columns, (void)srcStep, (void)dstStep, (void)direction;
#else
  QuarterBlocks<uint32_t>(src, dst, rows, columns, srcStep, dstStep, direction);
#endif
}

void QuarterBlocks3(const uint8_t* src, uint8_t* dst, int rows, int columns, int srcStep,
                    int dstStep, int direction) {
#if HWY_TARGET == HWY_SCALAR
  (void)src, (void)dst, (void)rows, (void)columns, (void)srcStep, (void)dstStep, (void)direction;
#else
  QuarterBlocks24(src, dst, rows, columns, srcStep, dstStep, direction);
#endif
}

// Half turn of one-byte pixels: 16 x blocks pixels a step, loaded ending at source pixel
// j + 16 x blocks - 1, reversed (bytes within each 8-byte half, then the 8-byte halves).
size_t HalfRow8(const uint8_t* s, uint8_t* d, size_t width) {
#if HWY_TARGET == HWY_SCALAR
  (void)s, (void)d, (void)width;
  return 0;
#else
  const hn::ScalableTag<uint8_t> d8;
  const hn::Repartition<uint64_t, decltype(d8)> d64;
  const size_t N = hn::Lanes(d8);
  alignas(16) static constexpr uint8_t kHalves[16] = {7, 6, 5, 4, 3, 2, 1, 0,
                                                      15, 14, 13, 12, 11, 10, 9, 8};
  const auto swap = hn::LoadDup128(d8, kHalves);
  size_t j = 0;
  for (; j + N <= width; j += N) {
    const auto v = hn::LoadU(d8, s - static_cast<ptrdiff_t>(j + N - 1));
    const auto r = hn::Reverse(d64, hn::BitCast(d64, hn::TableLookupBytes(v, swap)));
    hn::StoreU(hn::BitCast(d8, r), d8, d + j);
  }
  return j;
#endif
}

// Half turn of three-byte pixels: five pixels a 16-byte block. The load starts one byte before
// pixel j + 4 and the store writes one byte past pixel j + 4 (the next step or the plain tail
// rewrites it), so a step needs pixels j .. j + 5 inside the row.
size_t HalfRow24(const uint8_t* s, uint8_t* d, size_t width) {
#if HWY_TARGET == HWY_SCALAR
  (void)s, (void)d, (void)width;
  return 0;
#else
  const hn::CappedTag<uint8_t, 16> d8;
  // Destination byte 3p + c is byte c of the source pixel p places left: window byte
  // 1 + 3 (4 - p) + c; the sixteenth byte is filler.
  alignas(16) static constexpr uint8_t kPixels[16] = {13, 14, 15, 10, 11, 12, 7, 8,
                                                      9,  4,  5,  6,  1,  2,  3,  0};
  const auto order = hn::Load(d8, kPixels);
  size_t j = 0;
  for (; j + 6 <= width; j += 5) {
    const auto v = hn::LoadU(d8, s - 3 * static_cast<ptrdiff_t>(j + 4) - 1);
    hn::StoreU(hn::TableLookupBytes(v, order), d8, d + 3 * j);
  }
  return j;
#endif
}

// Whether this target holds 16 bytes in one vector (otherwise the plain code serves).
bool SixteenByteLanes() { return hn::Lanes(hn::CappedTag<uint8_t, 16>()) == 16; }

}  // namespace HWY_NAMESPACE
}  // namespace builtin::rotatecopy
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::rotatecopy {

HWY_EXPORT(QuarterBlocks8);
HWY_EXPORT(QuarterBlocks32);
HWY_EXPORT(QuarterBlocks3);
HWY_EXPORT(HalfRow8);
HWY_EXPORT(HalfRow24);
HWY_EXPORT(SixteenByteLanes);

QuarterBlocksFn VectorQuarterBlocks(int pixelBytes) {
  if (!HWY_DYNAMIC_DISPATCH(SixteenByteLanes)()) return nullptr;
  switch (pixelBytes) {
    case 1: return PF_HWY_DISPATCHED(QuarterBlocks8);
    case 3: return PF_HWY_DISPATCHED(QuarterBlocks3);
    case 4: return PF_HWY_DISPATCHED(QuarterBlocks32);
    default: return nullptr;
  }
}

HalfRowFn VectorHalfRow(int pixelBytes) {
  if (!HWY_DYNAMIC_DISPATCH(SixteenByteLanes)()) return nullptr;
  switch (pixelBytes) {
    case 1: return PF_HWY_DISPATCHED(HalfRow8);
    case 3: return PF_HWY_DISPATCHED(HalfRow24);
    default: return nullptr;
  }
}

}  // namespace builtin::rotatecopy
#endif  // HWY_ONCE
