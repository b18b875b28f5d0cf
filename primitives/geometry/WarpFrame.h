// The vocabulary every warp of the geometry family shares: the type-and-layout code, the
// interpolation code with its smoothing flag, the downgrade of the method by source size, the
// row span a row kernel works through, the row-kernel table index and the geometry's own
// ceil and floor.
//
// typeLayout = element type << 3 | layout. Types: 0 8-bit unsigned, 1 32-bit float, 2 16-bit
// unsigned. Layouts: 0 C1, 1 C3, 2 AC4 (the fourth sample is never written by a kernel),
// 3 P3, 4 C4, 5 P4. A planar image is passed as a pointer to its array of plane pointers,
// all planes sharing one row step. Layouts 6 and 7 and types above 2 name nothing: the engines
// reject them before they index a table.
//
// Interpolation: 1 nearest, 2 linear, 4 cubic in the low 31 bits; bit 31 asks for edge
// smoothing where an engine offers it.
#pragma once

#include <cstdint>

#include "primitives/support/FloatToInt.h"
#include "primitives/support/IppTypes.h"

namespace builtin {

// The destination columns xstart..xend (inclusive, absolute) a kernel computes in one row;
// xend < xstart: nothing in that row.
struct fbRowSpan {
  int32_t xstart;
  int32_t xend;
};

namespace warp {

// Columns of the widest of count spans, at least 1: the row kernels' work buffer holds two
// doubles for each of them. The spans of a forward warp are clipped to what the quadrangle
// covers, so the buffer never grows with a destination region reaching far past the image.
inline int64_t LongestSpan(const fbRowSpan* spans, int64_t count) {
  int64_t longest = 1;
  for (int64_t i = 0; i < count; ++i) {
    const int64_t n = int64_t{spans[i].xend} - spans[i].xstart + 1;
    if (n > longest) longest = n;
  }
  return longest;
}

enum ElementType : int32_t { kType8u = 0, kType32f = 1, kType16u = 2 };
enum PixelLayout : int32_t { kC1 = 0, kC3 = 1, kAC4 = 2, kP3 = 3, kC4 = 4, kP4 = 5 };

inline constexpr int32_t kLayoutCount = 6;
inline constexpr int32_t kMethodCount = 3;
inline constexpr int32_t kSmoothEdgeBit = static_cast<int32_t>(0x80000000u);

inline constexpr int32_t TypeLayout(int32_t type, int32_t layout) { return type << 3 | layout; }
inline constexpr int32_t TypeOf(int32_t typeLayout) { return typeLayout >> 3; }
inline constexpr int32_t LayoutOf(int32_t typeLayout) { return typeLayout & 7; }

// True when typeLayout names a type below typeCount and one of the six layouts.
inline constexpr bool KnownTypeLayout(int32_t typeLayout, int32_t typeCount) {
  return TypeOf(typeLayout) >= 0 && TypeOf(typeLayout) < typeCount &&
         LayoutOf(typeLayout) < kLayoutCount;
}

inline constexpr bool IsPlanar(int32_t layout) { return layout == kP3 || layout == kP4; }
// Planes of a planar layout (1 for the interleaved ones).
inline constexpr int32_t PlaneCount(int32_t layout) {
  return layout == kP3 ? 3 : layout == kP4 ? 4 : 1;
}
// Samples per pixel that a blend touches: C1 1, C3 and P3 3, AC4, C4 and P4 4.
inline constexpr int32_t BlendChannels(int32_t layout) {
  return layout == kC1 ? 1 : (layout == kC3 || layout == kP3) ? 3 : 4;
}
inline constexpr int32_t ElementBytes(int32_t type) {
  return type == kType8u ? 1 : type == kType32f ? 4 : 2;
}

inline constexpr int32_t MethodOf(int32_t interpolation) { return interpolation & 0x7fffffff; }
inline constexpr bool KnownMethod(int32_t interpolation) {
  const int32_t m = MethodOf(interpolation);
  return m == IPPI_INTER_NN || m == IPPI_INTER_LINEAR || m == IPPI_INTER_CUBIC;
}
inline constexpr bool SmoothEdges(int32_t interpolation) {
  return (interpolation & kSmoothEdgeBit) != 0;
}

// The method a warp really uses on a source image of this whole size: nearest for an image
// one pixel wide or high, linear in place of cubic below 4 pixels (the cubic window is 4 x 4).
inline constexpr int32_t DowngradeMethod(int32_t method, IppiSize srcSize) {
  if (srcSize.width == 1 || srcSize.height == 1) return IPPI_INTER_NN;
  if (method == IPPI_INTER_CUBIC && (srcSize.width < 4 || srcSize.height < 4))
    return IPPI_INTER_LINEAR;
  return method;
}

// The row-kernel table index of a type, layout and effective method (1, 2 or 4).
inline constexpr int32_t KernelIndex(int32_t type, int32_t layout, int32_t method) {
  return (type * kLayoutCount + layout) * kMethodCount + method / 2;
}

// The geometry's ceil and floor: the nearest integer, moved by one towards v when it lies on
// the wrong side. Values beyond the int32 range (and NaN) come out as INT32_MIN, moved by one
// where the rule says so, in 64 bits so that nothing wraps.
inline int64_t GeomCeil(double v) {
  int64_t r = fbRoundToInt32(v);
  if (static_cast<double>(r) < v) ++r;
  return r;
}
inline int64_t GeomFloor(double v) {
  int64_t r = fbRoundToInt32(v);
  if (static_cast<double>(r) > v) --r;
  return r;
}

// The destination plane pointers of a planar warp, moved to the first row for the kernel call
// and put back in the caller's array afterwards (on every path, by the destructor).
class PlaneRowsAdvance {
 public:
  PlaneRowsAdvance(void* pDst, int32_t layout, int32_t dstStep, int32_t firstRow);
  ~PlaneRowsAdvance();
  PlaneRowsAdvance(const PlaneRowsAdvance&) = delete;
  PlaneRowsAdvance& operator=(const PlaneRowsAdvance&) = delete;
  // What the kernel gets as its destination: the plane array, or the interleaved first row.
  void* KernelDestination() const { return destination_; }

 private:
  uint8_t** planes_ = nullptr;
  uint8_t* saved_[4] = {};
  int32_t count_ = 0;
  void* destination_ = nullptr;
};

// For a planar layout: true when the first PlaneCount(layout) pointers of the array are set.
bool PlanesPresent(const void* planeArray, int32_t layout);

}  // namespace warp
}  // namespace builtin
