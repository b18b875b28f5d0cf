// Row access shared by every family of built-in primitives (image, vision, signal, ...).
//
// An image is a pointer to the first pixel of its region, a signed row step in bytes and a
// region size; a vector is a pointer and an element count. Steps are not always checked (a
// copy accepts 0 or a negative step, a bottom-up image), a step need not be a multiple of the
// element size, and a caller's row or vector may start at any address. So rows are reached by
// byte offsets computed in 64 bits (ptrdiff_t), and 16-bit and wider elements are read and
// written only through Load and Store, never through a typed pointer (which would be undefined
// behaviour at an odd address). See docs/ARCHITECTURE.md, "Row access".
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "primitives/support/IppTypes.h"
#include "primitives/support/SupportElements.h"

namespace builtin::rows {

// Load, Store and Bytes (elements at any byte address) come from the support layer's
// primitives/support/SupportElements.h, so that its fills use the same rule.

// The address of row y of an image, as bytes.
inline const uint8_t* Row(const void* base, int32_t step, int32_t y) noexcept {
  return static_cast<const uint8_t*>(base) + static_cast<ptrdiff_t>(step) * y;
}
inline uint8_t* Row(void* base, int32_t step, int32_t y) noexcept {
  return static_cast<uint8_t*>(base) + static_cast<ptrdiff_t>(step) * y;
}

// Row y of an image of elements T, as a T pointer (const-ness follows T). Only for 8-bit
// elements: rows of wider elements may start at any address, so they are reached with Row and
// their elements with Load and Store.
template <typename T>
inline T* RowOf(T* base, int32_t step, int32_t y) noexcept {
  using Byte = std::conditional_t<std::is_const_v<T>, const uint8_t, uint8_t>;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) + static_cast<ptrdiff_t>(step) * y);
}

// When both images are contiguous (each step equals its row length in bytes), the region
// can be worked as one row of width * height pixels: same result, no per-row overhead.
// Returns the size to walk: the merged single row when allowed, the region otherwise.
inline IppiSize MergeRows(IppiSize size, int32_t srcStep, int64_t srcRowBytes, int32_t dstStep,
                          int64_t dstRowBytes) noexcept {
  const int64_t pixels = static_cast<int64_t>(size.width) * size.height;
  if (size.height > 1 && srcStep == srcRowBytes && dstStep == dstRowBytes &&
      pixels < INT32_MAX && pixels * (srcRowBytes / size.width) < INT32_MAX &&
      pixels * (dstRowBytes / size.width) < INT32_MAX) {
    return IppiSize{static_cast<int32_t>(pixels), 1};
  }
  return size;
}

// The same for an image worked in place.
inline IppiSize MergeRows(IppiSize size, int32_t step, int64_t rowBytes) noexcept {
  return MergeRows(size, step, rowBytes, step, rowBytes);
}

// Calls fn(srcRow, dstRow, width) for every row of a source and a destination image whose
// pixels are srcPixelBytes and dstPixelBytes apart, merging contiguous rows into one.
template <typename Fn>
inline void ForEachRow(const void* src, int32_t srcStep, int32_t srcPixelBytes, void* dst,
                       int32_t dstStep, int32_t dstPixelBytes, IppiSize size, Fn&& fn) {
  const IppiSize walk =
      MergeRows(size, srcStep, static_cast<int64_t>(srcPixelBytes) * size.width, dstStep,
                static_cast<int64_t>(dstPixelBytes) * size.width);
  for (int32_t y = 0; y < walk.height; ++y) fn(Row(src, srcStep, y), Row(dst, dstStep, y), walk.width);
}

// The same for one image, worked in place or filled.
template <typename Fn>
inline void ForEachRow(void* img, int32_t step, int32_t pixelBytes, IppiSize size, Fn&& fn) {
  const IppiSize walk = MergeRows(size, step, static_cast<int64_t>(pixelBytes) * size.width);
  for (int32_t y = 0; y < walk.height; ++y) fn(Row(img, step, y), walk.width);
}

// Walks a row of n pixels with a vector kernel and plain code. blocks(i) does whole vector
// blocks from pixel i on and returns how many pixels it did; it may stop early, before a block
// it leaves to the plain code. plain(i, end) does pixels i .. end - 1. After each stop the plain
// code takes a stretch of pixels (longer than the vectors of the kernels, so that the block the
// kernel stopped at is passed; any length would give the same bytes) before the blocks go on.
template <typename Blocks, typename Plain>
inline void WalkRowInBlocks(ptrdiff_t n, Blocks&& blocks, Plain&& plain) {
  constexpr ptrdiff_t kPlainStretch = 16;
  ptrdiff_t i = 0;
  while (i < n) {
    i += blocks(i);
    const ptrdiff_t end = i + kPlainStretch < n ? i + kPlainStretch : n;
    plain(i, end);
    i = end;
  }
}

inline bool BadSize(IppiSize size) noexcept { return size.width < 1 || size.height < 1; }

// The checks most primitives of a source and a destination image start with: both pointers,
// then the size.
inline IppStatus CheckImages(const void* pSrc, const void* pDst, IppiSize size) noexcept {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (BadSize(size)) return ippStsSizeErr;
  return ippStsNoErr;
}

}  // namespace builtin::rows
