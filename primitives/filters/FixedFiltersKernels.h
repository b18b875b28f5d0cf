// The row machinery of the fixed-kernel filters (FixedFilters.h), open to the tests.
//
// Every filter is separable into a row transform, applied once to each source row into a row
// of int32 work values (one per filtered sample, in the image's interleaved order; AC4 rows
// hold the three colour samples of each pixel), and a combiner that turns the work rows of the
// rows around an output row (and, for some, the centre sample) into the output bytes:
// - 3x3: three work rows in a ring, one new source row per output row.
// - Laplace and Gauss 5x5: each source row gives three row responses K0, K1, K2; the output row
//   y sums K0 of row y - 2, K1 of y - 1, K2 of y, K1 of y + 1 and K0 of y + 2. Rings of five K0,
//   four K1 and three K2 rows (twelve) hold what is still needed.
// - Hipass and Lowpass 5x5: a ring of five rows of five-sample row sums and the window-sum row,
//   which one pass per output row updates by the entering row minus the leaving one.
// All values stay far inside int32 (the 5x5 Gauss product is formed unsigned), and every
// combiner's result is clamped or provably in 0..255.
//
// The transforms and combiners below are the plain reference. The vector kernels of
// FixedFiltersHwy.cpp do the same integer arithmetic on whole vectors from the start of a row
// of the C1, C3 and C4 layouts (the saturating narrowing to bytes is the clamp); the plain
// loops finish the row.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin::fixedfilters {

enum class Layout { kC1, kC3, kAC4, kC4 };

// Bytes per pixel, and samples filtered per pixel.
constexpr ptrdiff_t PixelBytes(Layout l) { return l == Layout::kC1 ? 1 : l == Layout::kC3 ? 3 : 4; }
constexpr ptrdiff_t Samples(Layout l) { return l == Layout::kAC4 ? 3 : PixelBytes(l); }

inline int32_t Clamp8(int32_t v) { return std::min(std::max(v, 0), 255); }

// Vector kernels (FixedFiltersHwy.cpp) for C1, C3 and C4 rows: each does whole vectors of n
// values from the start of its rows and returns how many values it did; d is the distance of
// two samples of a channel in bytes. Each operation below names its kernel's type (Blocks) and
// looks the kernel for the running processor up with Vector() (once per call).
using RowBlocks = size_t (*)(const uint8_t* s, ptrdiff_t d, int32_t* out, size_t n);
using RowKernelBlocks = size_t (*)(const uint8_t* s, ptrdiff_t d, int32_t* k0, int32_t* k1,
                                   int32_t* k2, size_t n);
using UpdateBlocks = size_t (*)(const uint8_t* s, ptrdiff_t d, int32_t* sums, int32_t* w, size_t n);
using Combine1Blocks = size_t (*)(const uint8_t* m, uint8_t* dst, const int32_t* w, size_t n);
using Combine3Blocks = size_t (*)(const uint8_t* m, uint8_t* dst, const int32_t* a,
                                  const int32_t* b, const int32_t* c, size_t n);
using Combine5Blocks = size_t (*)(const uint8_t* m, uint8_t* dst, const int32_t* r0,
                                  const int32_t* r1, const int32_t* r2, const int32_t* r3,
                                  const int32_t* r4, size_t n);

// ---- Row transforms: p points at the first of the samples one channel apart (d bytes) --------

struct Sum3 {  // p(x-1) + p(x) + p(x+1)
  using Blocks = RowBlocks;
  static Blocks Vector();
  static void At(const uint8_t* p, ptrdiff_t d, int32_t& out) { out = p[0] + p[d] + p[2 * d]; }
};
struct Sum121 {  // p(x-1) + 2 p(x) + p(x+1)
  using Blocks = RowBlocks;
  static Blocks Vector();
  static void At(const uint8_t* p, ptrdiff_t d, int32_t& out) { out = p[0] + 2 * p[d] + p[2 * d]; }
};
struct PixelDiff {  // p(x-1) - p(x+1)
  using Blocks = RowBlocks;
  static Blocks Vector();
  static void At(const uint8_t* p, ptrdiff_t d, int32_t& out) { out = p[0] - p[2 * d]; }
};
struct Sum5 {  // p(x-2) + ... + p(x+2)
  using Blocks = RowBlocks;
  static Blocks Vector();
  static void At(const uint8_t* p, ptrdiff_t d, int32_t& out) {
    out = p[0] + p[d] + p[2 * d] + p[3 * d] + p[4 * d];
  }
};
// The three 5x5 row kernels, each product formed once.
struct LaplaceRows5 {  // K0 [-1 -3 -4 -3 -1], K1 [-3 0 6 0 -3], K2 [-4 6 20 6 -4]
  using Blocks = RowKernelBlocks;
  static Blocks Vector();
  static void At(const uint8_t* p, ptrdiff_t d, int32_t& k0, int32_t& k1, int32_t& k2) {
    const int32_t a = p[0], b = p[d], c = p[2 * d], e = p[3 * d], f = p[4 * d];
    const int32_t outer = a + f, inner = b + e;
    k0 = -outer - 3 * inner - 4 * c;
    k1 = -3 * outer + 6 * c;
    k2 = -4 * outer + 6 * inner + 20 * c;
  }
};
struct GaussRows5 {  // K0 [2 7 12 7 2], K1 [7 31 52 31 7], K2 [12 52 127 52 12]
  using Blocks = RowKernelBlocks;
  static Blocks Vector();
  static void At(const uint8_t* p, ptrdiff_t d, int32_t& k0, int32_t& k1, int32_t& k2) {
    const int32_t a = p[0], b = p[d], c = p[2 * d], e = p[3 * d], f = p[4 * d];
    const int32_t outer = a + f, inner = b + e;
    k0 = 2 * outer + 7 * inner + 12 * c;
    k1 = 7 * outer + 31 * inner + 52 * c;
    k2 = 12 * outer + 52 * inner + 127 * c;
  }
};

// One source row into its work rows. s points one pixel (3x3) or two (5x5) left of the region's
// first pixel, and the operation reads the samples from there on. A vector kernel (null: none)
// does the first values of a C1, C3 or C4 row; AC4 rows are plain.
template <Layout L, class Op, class... Outs>
inline void TransformRow(const uint8_t* __restrict s, ptrdiff_t width, typename Op::Blocks blocks,
                         Outs* __restrict... outs) {
  constexpr ptrdiff_t P = PixelBytes(L);
  if constexpr (L == Layout::kAC4) {
    for (ptrdiff_t x = 0; x < width; ++x)
      for (ptrdiff_t c = 0; c < 3; ++c) Op::At(s + 4 * x + c, 4, outs[3 * x + c]...);
  } else {
    const ptrdiff_t n = width * P;
    ptrdiff_t i =
        blocks ? static_cast<ptrdiff_t>(blocks(s, P, outs..., static_cast<size_t>(n))) : 0;
    for (; i < n; ++i) Op::At(s + i, P, outs[i]...);
  }
}

// ---- Combiners: the output byte from the centre sample m and the work values ----------------

struct DiffSat {  // rows above a, centre b, below c: clamp(c - a)
  using Blocks = Combine3Blocks;
  static Blocks Vector();
  static int32_t At(int32_t, int32_t a, int32_t, int32_t c) { return Clamp8(c - a); }
};
struct Sum3Sat {
  using Blocks = Combine3Blocks;
  static Blocks Vector();
  static int32_t At(int32_t, int32_t a, int32_t b, int32_t c) { return Clamp8(a + b + c); }
};
struct Sum121Sat {
  using Blocks = Combine3Blocks;
  static Blocks Vector();
  static int32_t At(int32_t, int32_t a, int32_t b, int32_t c) { return Clamp8(a + 2 * b + c); }
};
struct SharpenOut {  // (17m - window) / 8, half to even: bit 3 of v is the quotient's low bit
  using Blocks = Combine3Blocks;
  static Blocks Vector();
  static int32_t At(int32_t m, int32_t a, int32_t b, int32_t c) {
    const int32_t v = 17 * m - (a + b + c);
    return Clamp8((v + ((v & 8) >> 3) + 3) >> 3);
  }
};
struct Laplace3Out {  // 9m - window
  using Blocks = Combine3Blocks;
  static Blocks Vector();
  static int32_t At(int32_t m, int32_t a, int32_t b, int32_t c) {
    return Clamp8(9 * m - (a + b + c));
  }
};
struct Lowpass3Out {  // window / 9 rounded (455 / 4096 with 5 added is exact on 0 .. 9 x 255)
  using Blocks = Combine3Blocks;
  static Blocks Vector();
  static int32_t At(int32_t, int32_t a, int32_t b, int32_t c) {
    return ((a + b + c + 5) * 455) >> 12;
  }
};
struct Gauss3Out {  // s / 16, half to even
  using Blocks = Combine3Blocks;
  static Blocks Vector();
  static int32_t At(int32_t, int32_t a, int32_t b, int32_t c) {
    const int32_t s = a + 2 * b + c;
    return (s + ((s >> 4) & 1) + 7) >> 4;
  }
};
struct Laplace5Out {
  using Blocks = Combine5Blocks;
  static Blocks Vector();
  static int32_t At(int32_t, int32_t k0a, int32_t k1a, int32_t k2, int32_t k1b, int32_t k0b) {
    return Clamp8(k0a + k1a + k2 + k1b + k0b);
  }
};
// s / 571 rounded (never a half): the product reaches 4,286,569,362, so it is unsigned.
inline int32_t Gauss5Scale(uint32_t s) { return static_cast<int32_t>(((s + 286u) * 29382u) >> 24); }
struct Gauss5Out {
  using Blocks = Combine5Blocks;
  static Blocks Vector();
  static int32_t At(int32_t, int32_t k0a, int32_t k1a, int32_t k2, int32_t k1b, int32_t k0b) {
    return Gauss5Scale(static_cast<uint32_t>(k0a + k1a + k2 + k1b + k0b));
  }
};
struct Hipass5Out {  // w: the 25-sample window sum
  using Blocks = Combine1Blocks;
  static Blocks Vector();
  static int32_t At(int32_t m, int32_t w) { return Clamp8(25 * m - w); }
};
struct Lowpass5Out {  // w / 25 rounded (never a half)
  using Blocks = Combine1Blocks;
  static Blocks Vector();
  static int32_t At(int32_t, int32_t w) { return ((w + 13) * 10485) >> 18; }
};

// One output row from its work rows; m is the source row of the output row (its samples are
// the centre samples). AC4 writes the three colour bytes of each pixel. A vector kernel (null:
// none) does the first values of a C1, C3 or C4 row.
template <Layout L, class Op, class... Rows>
inline void CombineRow(const uint8_t* __restrict m, uint8_t* __restrict dst, ptrdiff_t width,
                       typename Op::Blocks blocks, const Rows* __restrict... rows) {
  if constexpr (L == Layout::kAC4) {
    for (ptrdiff_t x = 0; x < width; ++x)
      for (ptrdiff_t c = 0; c < 3; ++c)
        dst[4 * x + c] = static_cast<uint8_t>(Op::At(m[4 * x + c], rows[3 * x + c]...));
  } else {
    const ptrdiff_t n = width * PixelBytes(L);
    ptrdiff_t i =
        blocks ? static_cast<ptrdiff_t>(blocks(m, dst, rows..., static_cast<size_t>(n))) : 0;
    for (; i < n; ++i) dst[i] = static_cast<uint8_t>(Op::At(m[i], rows[i]...));
  }
}

// The row-sum update of the 5x5 box filters: each value of the row sums of the entering row
// replaces that of the leaving row in sums and moves the window sum w by their difference.
UpdateBlocks RowSum5UpdateVector();
template <Layout L>
inline void UpdateRowSum5(const uint8_t* __restrict s, ptrdiff_t width, UpdateBlocks blocks,
                          int32_t* __restrict sums, int32_t* __restrict w) {
  constexpr ptrdiff_t P = PixelBytes(L);
  const auto one = [&](const uint8_t* p, ptrdiff_t d, ptrdiff_t i) {
    int32_t v;
    Sum5::At(p, d, v);
    w[i] += v - sums[i];
    sums[i] = v;
  };
  if constexpr (L == Layout::kAC4) {
    for (ptrdiff_t x = 0; x < width; ++x)
      for (ptrdiff_t c = 0; c < 3; ++c) one(s + 4 * x + c, 4, 3 * x + c);
  } else {
    const ptrdiff_t n = width * P;
    ptrdiff_t i =
        blocks ? static_cast<ptrdiff_t>(blocks(s, P, sums, w, static_cast<size_t>(n))) : 0;
    for (; i < n; ++i) one(s + i, P, i);
  }
}

// The vector kernel of an operation for layout L (null for AC4, whose rows are plain).
template <Layout L, class Op>
inline typename Op::Blocks KernelFor() {
  if constexpr (L == Layout::kAC4) {
    return nullptr;
  } else {
    return Op::Vector();
  }
}

// ---- Engines (FixedFilters3x3.cpp, FixedFilters5x5.cpp) -------------------------------------
//
// (pSrc, srcStep, pDst, dstStep, roi, layout) after the front end's checks: 0, or -9 when the
// work block cannot be had (nothing written then). Roberts takes no memory.

using Engine = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);

IppStatus fbFilterPrewittHoriz(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterPrewittVert(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterSobelHoriz(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterSobelVert(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterRobertsDown(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterRobertsUp(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterSharpen(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterLaplace3x3(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterLowpass3x3(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterGauss3x3(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterLaplace5x5(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterGauss5x5(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterHipass5x5(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
IppStatus fbFilterLowpass5x5(const Ipp8u*, int, Ipp8u*, int, IppiSize, Layout);
// The high-pass 3x3 kernel is the Laplace one.
inline constexpr Engine fbFilterHipass3x3 = fbFilterLaplace3x3;

// One block of rows x stride int32 values, 32-byte aligned; null when it cannot be had
// (including a count beyond the aligned allocator's range). Released with fbAlignedFree.
int32_t* WorkRows(int64_t stride, int rows);
// Values per work row: n rounded up so that every row starts 64 bytes after the previous one.
inline int64_t RowStride(int64_t n) { return (n + 15) / 16 * 16; }

// Calls fn.template operator()<L>() for the layout given at run time.
template <class Fn>
inline IppStatus ByLayout(Layout l, Fn&& fn) {
  switch (l) {
    case Layout::kC1:
      return fn.template operator()<Layout::kC1>();
    case Layout::kC3:
      return fn.template operator()<Layout::kC3>();
    case Layout::kAC4:
      return fn.template operator()<Layout::kAC4>();
    case Layout::kC4:
      return fn.template operator()<Layout::kC4>();
  }
  return ippStsNoErr;
}

}  // namespace builtin::fixedfilters
