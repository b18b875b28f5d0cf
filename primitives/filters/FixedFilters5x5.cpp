// The 5x5 engines of the fixed-kernel filters: the Laplace and Gauss kernels as three row
// kernels per source row in twelve work rows, and the box filters (Hipass, Lowpass) on running
// window sums.
#include <cstddef>
#include <cstdint>

#include "primitives/filters/FixedFiltersKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin::fixedfilters {
namespace {

using rows::Row;

// Ring slot of source row r (r >= -2) in a ring of k rows.
inline int64_t Slot(int64_t r, int64_t k) { return (r + 2 * k) % k; }

// Source row r, which reaches height + 1: counted in 64 bits.
inline const uint8_t* SourceRow(const uint8_t* base, int step, int64_t r) {
  return base + static_cast<ptrdiff_t>(step) * r;
}

// K0 of source row r sits in slot r mod 5 of the first five rows, K1 in slot r mod 4 of the
// next four, K2 in slot r mod 3 of the last three. Source row y + 2 enters for output row y and
// takes the slots of the rows whose responses output row y - 1 used last (K0 of y - 3, K1 of
// y - 2, K2 of y - 1). Rows -2 and -1 are primed whole: their K2 (and row -2's K1) are never
// read and are overwritten in time.
template <Layout L, class Kernels, class Combiner>
IppStatus RowKernelRing5(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
  const ptrdiff_t width = roi.width;
  const int64_t stride = RowStride(int64_t{width} * Samples(L));
  int32_t* block = WorkRows(stride, 12);
  if (block == nullptr) return ippStsMemAllocErr;
  const auto k0 = [&](int64_t r) -> int32_t* { return block + stride * Slot(r, 5); };
  const auto k1 = [&](int64_t r) -> int32_t* { return block + stride * (5 + Slot(r, 4)); };
  const auto k2 = [&](int64_t r) -> int32_t* { return block + stride * (9 + Slot(r, 3)); };
  const uint8_t* left = pSrc - 2 * PixelBytes(L);
  const auto transform = KernelFor<L, Kernels>();
  const auto combine = KernelFor<L, Combiner>();
  const auto enter = [&](int64_t r) {
    TransformRow<L, Kernels>(SourceRow(left, srcStep, r), width, transform, k0(r), k1(r), k2(r));
  };
  for (int32_t r = -2; r <= 1; ++r) enter(r);
  for (int32_t y = 0; y < roi.height; ++y) {
    enter(int64_t{y} + 2);
    const int64_t c = y;
    CombineRow<L, Combiner>(
        Row(pSrc, srcStep, y), Row(pDst, dstStep, y), width, combine,
        static_cast<const int32_t*>(k0(c - 2)), static_cast<const int32_t*>(k1(c - 1)),
        static_cast<const int32_t*>(k2(c)), static_cast<const int32_t*>(k1(c + 1)),
        static_cast<const int32_t*>(k0(c + 2)));
  }
  fbAlignedFree(block);
  return ippStsNoErr;
}

// Five rows of five-sample row sums (source row r in slot r mod 5) and the window-sum row W.
// W starts as the sum of rows -2 .. 2; each later output row y moves it by the row sums of
// row y + 2 minus those of row y - 3, whose slot they take. Height 1 makes no update pass.
template <Layout L, class Combiner>
IppStatus BoxRing5(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
  const ptrdiff_t width = roi.width;
  const int64_t n = int64_t{width} * Samples(L);
  const int64_t stride = RowStride(n);
  int32_t* block = WorkRows(stride, 6);
  if (block == nullptr) return ippStsMemAllocErr;
  const auto sums = [&](int64_t r) -> int32_t* { return block + stride * Slot(r, 5); };
  int32_t* w = block + 5 * stride;
  const uint8_t* left = pSrc - 2 * PixelBytes(L);
  const auto transform = KernelFor<L, Sum5>();
  const auto combine = KernelFor<L, Combiner>();
  const UpdateBlocks update = L == Layout::kAC4 ? nullptr : RowSum5UpdateVector();
  for (int32_t r = -2; r <= 2; ++r)
    TransformRow<L, Sum5>(SourceRow(left, srcStep, r), width, transform, sums(r));
  {
    const int32_t* __restrict s0 = sums(-2);
    const int32_t* __restrict s1 = sums(-1);
    const int32_t* __restrict s2 = sums(0);
    const int32_t* __restrict s3 = sums(1);
    const int32_t* __restrict s4 = sums(2);
    int32_t* __restrict ww = w;
    for (int64_t i = 0; i < n; ++i) ww[i] = s0[i] + s1[i] + s2[i] + s3[i] + s4[i];
  }
  for (int32_t y = 0; y < roi.height; ++y) {
    if (y > 0)
      UpdateRowSum5<L>(SourceRow(left, srcStep, int64_t{y} + 2), width, update,
                       sums(int64_t{y} + 2), w);
    CombineRow<L, Combiner>(Row(pSrc, srcStep, y), Row(pDst, dstStep, y), width, combine,
                            static_cast<const int32_t*>(w));
  }
  fbAlignedFree(block);
  return ippStsNoErr;
}

}  // namespace

IppStatus fbFilterLaplace5x5(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return ByLayout(
      l, [&]<Layout L>() { return RowKernelRing5<L, LaplaceRows5, Laplace5Out>(s, ss, d, ds, r); });
}
IppStatus fbFilterGauss5x5(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return ByLayout(
      l, [&]<Layout L>() { return RowKernelRing5<L, GaussRows5, Gauss5Out>(s, ss, d, ds, r); });
}
IppStatus fbFilterHipass5x5(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return ByLayout(l, [&]<Layout L>() { return BoxRing5<L, Hipass5Out>(s, ss, d, ds, r); });
}
IppStatus fbFilterLowpass5x5(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, Layout l) {
  return ByLayout(l, [&]<Layout L>() { return BoxRing5<L, Lowpass5Out>(s, ss, d, ds, r); });
}

}  // namespace builtin::fixedfilters
