// Vector kernels of the fixed-kernel filters, compiled for every instruction set that Highway
// targets and chosen at run time: the row transforms and combiners of FixedFiltersKernels.h on
// whole vectors of int32 lanes, for rows of the C1, C3 and C4 layouts. The arithmetic is the
// plain code's, lane by lane; the saturating narrowing of int32 to bytes is its clamp.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/filters/FixedFiltersHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/filters/FixedFiltersKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::fixedfilters {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<int32_t>;
using V = hn::Vec<D>;

// The bytes at p, one per int32 lane.
HWY_INLINE V Bytes(const uint8_t* p) {
  const D d;
  const hn::Rebind<uint8_t, D> d8;
  return hn::PromoteTo(d, hn::LoadU(d8, p));
}
HWY_INLINE V Load(const int32_t* p) { return hn::LoadU(D(), p); }
HWY_INLINE V Set(int32_t v) { return hn::Set(D(), v); }
// Stores the lanes as bytes, saturated to 0..255.
HWY_INLINE void StoreBytes(V v, uint8_t* p) {
  const hn::Rebind<uint8_t, D> d8;
  hn::StoreU(hn::DemoteTo(d8, v), d8, p);
}

// ---- Row transforms -------------------------------------------------------------------------

template <class Op>
HWY_INLINE size_t Transform1(const uint8_t* s, ptrdiff_t d, int32_t* out, size_t n) {
  const size_t lanes = hn::Lanes(D());
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) hn::StoreU(Op::Do(s + i, d), D(), out + i);
  return i;
}

struct Sum3V {
  static HWY_INLINE V Do(const uint8_t* p, ptrdiff_t d) {
    return hn::Add(hn::Add(Bytes(p), Bytes(p + d)), Bytes(p + 2 * d));
  }
};
struct Sum121V {
  static HWY_INLINE V Do(const uint8_t* p, ptrdiff_t d) {
    const V c = Bytes(p + d);
    return hn::Add(hn::Add(Bytes(p), Bytes(p + 2 * d)), hn::Add(c, c));
  }
};
struct PixelDiffV {
  static HWY_INLINE V Do(const uint8_t* p, ptrdiff_t d) {
    return hn::Sub(Bytes(p), Bytes(p + 2 * d));
  }
};
struct Sum5V {
  static HWY_INLINE V Do(const uint8_t* p, ptrdiff_t d) {
    return hn::Add(
        hn::Add(hn::Add(Bytes(p), Bytes(p + d)), hn::Add(Bytes(p + 3 * d), Bytes(p + 4 * d))),
        Bytes(p + 2 * d));
  }
};

size_t Sum3Blocks(const uint8_t* s, ptrdiff_t d, int32_t* out, size_t n) {
  return Transform1<Sum3V>(s, d, out, n);
}
size_t Sum121Blocks(const uint8_t* s, ptrdiff_t d, int32_t* out, size_t n) {
  return Transform1<Sum121V>(s, d, out, n);
}
size_t PixelDiffBlocks(const uint8_t* s, ptrdiff_t d, int32_t* out, size_t n) {
  return Transform1<PixelDiffV>(s, d, out, n);
}
size_t Sum5Blocks(const uint8_t* s, ptrdiff_t d, int32_t* out, size_t n) {
  return Transform1<Sum5V>(s, d, out, n);
}

// The three 5x5 row kernels from the outer pair, the inner pair and the centre.
template <int A0, int A1, int A2, int B0, int B1, int B2, int C0, int C1, int C2>
HWY_INLINE size_t RowKernels(const uint8_t* s, ptrdiff_t d, int32_t* k0, int32_t* k1, int32_t* k2,
                             size_t n) {
  const size_t lanes = hn::Lanes(D());
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const uint8_t* p = s + i;
    const V outer = hn::Add(Bytes(p), Bytes(p + 4 * d));
    const V inner = hn::Add(Bytes(p + d), Bytes(p + 3 * d));
    const V c = Bytes(p + 2 * d);
    const auto mix = [&](int32_t wo, int32_t wi, int32_t wc) {
      return hn::Add(hn::Add(hn::Mul(outer, Set(wo)), hn::Mul(inner, Set(wi))),
                     hn::Mul(c, Set(wc)));
    };
    hn::StoreU(mix(A0, A1, A2), D(), k0 + i);
    hn::StoreU(mix(B0, B1, B2), D(), k1 + i);
    hn::StoreU(mix(C0, C1, C2), D(), k2 + i);
  }
  return i;
}

size_t LaplaceRows5Blocks(const uint8_t* s, ptrdiff_t d, int32_t* k0, int32_t* k1, int32_t* k2,
                          size_t n) {
  return RowKernels<-1, -3, -4, -3, 0, 6, -4, 6, 20>(s, d, k0, k1, k2, n);
}
size_t GaussRows5Blocks(const uint8_t* s, ptrdiff_t d, int32_t* k0, int32_t* k1, int32_t* k2,
                        size_t n) {
  return RowKernels<2, 7, 12, 7, 31, 52, 12, 52, 127>(s, d, k0, k1, k2, n);
}

size_t RowSum5UpdateBlocks(const uint8_t* s, ptrdiff_t d, int32_t* sums, int32_t* w, size_t n) {
  const size_t lanes = hn::Lanes(D());
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const V v = Sum5V::Do(s + i, d);
    hn::StoreU(hn::Add(Load(w + i), hn::Sub(v, Load(sums + i))), D(), w + i);
    hn::StoreU(v, D(), sums + i);
  }
  return i;
}

// ---- Combiners ------------------------------------------------------------------------------

template <class Op>
HWY_INLINE size_t Combine3(const uint8_t* m, uint8_t* dst, const int32_t* a, const int32_t* b,
                           const int32_t* c, size_t n) {
  const size_t lanes = hn::Lanes(D());
  size_t i = 0;
  for (; i + lanes <= n; i += lanes)
    StoreBytes(Op::Do(m + i, Load(a + i), Load(b + i), Load(c + i)), dst + i);
  return i;
}

struct DiffSatV {
  static HWY_INLINE V Do(const uint8_t*, V a, V, V c) { return hn::Sub(c, a); }
};
struct Sum3SatV {
  static HWY_INLINE V Do(const uint8_t*, V a, V b, V c) { return hn::Add(hn::Add(a, b), c); }
};
struct Sum121SatV {
  static HWY_INLINE V Do(const uint8_t*, V a, V b, V c) {
    return hn::Add(hn::Add(a, c), hn::Add(b, b));
  }
};
struct SharpenV {
  static HWY_INLINE V Do(const uint8_t* m, V a, V b, V c) {
    const V v = hn::Sub(hn::Mul(Bytes(m), Set(17)), hn::Add(hn::Add(a, b), c));
    const V odd = hn::ShiftRight<3>(hn::And(v, Set(8)));
    return hn::ShiftRight<3>(hn::Add(hn::Add(v, odd), Set(3)));
  }
};
struct Laplace3V {
  static HWY_INLINE V Do(const uint8_t* m, V a, V b, V c) {
    return hn::Sub(hn::Mul(Bytes(m), Set(9)), hn::Add(hn::Add(a, b), c));
  }
};
struct Lowpass3V {
  static HWY_INLINE V Do(const uint8_t*, V a, V b, V c) {
    const V s = hn::Add(hn::Add(a, b), hn::Add(c, Set(5)));
    return hn::ShiftRight<12>(hn::Mul(s, Set(455)));
  }
};
struct Gauss3V {
  static HWY_INLINE V Do(const uint8_t*, V a, V b, V c) {
    const V s = hn::Add(hn::Add(a, c), hn::Add(b, b));
    const V odd = hn::And(hn::ShiftRight<4>(s), Set(1));
    return hn::ShiftRight<4>(hn::Add(hn::Add(s, odd), Set(7)));
  }
};

size_t DiffSatBlocks(const uint8_t* m, uint8_t* dst, const int32_t* a, const int32_t* b,
                     const int32_t* c, size_t n) {
  return Combine3<DiffSatV>(m, dst, a, b, c, n);
}
size_t Sum3SatBlocks(const uint8_t* m, uint8_t* dst, const int32_t* a, const int32_t* b,
                     const int32_t* c, size_t n) {
  return Combine3<Sum3SatV>(m, dst, a, b, c, n);
}
size_t Sum121SatBlocks(const uint8_t* m, uint8_t* dst, const int32_t* a, const int32_t* b,
                       const int32_t* c, size_t n) {
  return Combine3<Sum121SatV>(m, dst, a, b, c, n);
}
size_t SharpenOutBlocks(const uint8_t* m, uint8_t* dst, const int32_t* a, const int32_t* b,
                        const int32_t* c, size_t n) {
  return Combine3<SharpenV>(m, dst, a, b, c, n);
}
size_t Laplace3OutBlocks(const uint8_t* m, uint8_t* dst, const int32_t* a, const int32_t* b,
                         const int32_t* c, size_t n) {
  return Combine3<Laplace3V>(m, dst, a, b, c, n);
}
size_t Lowpass3OutBlocks(const uint8_t* m, uint8_t* dst, const int32_t* a, const int32_t* b,
                         const int32_t* c, size_t n) {
  return Combine3<Lowpass3V>(m, dst, a, b, c, n);
}
size_t Gauss3OutBlocks(const uint8_t* m, uint8_t* dst, const int32_t* a, const int32_t* b,
                       const int32_t* c, size_t n) {
  return Combine3<Gauss3V>(m, dst, a, b, c, n);
}

HWY_INLINE V Sum5Rows(const int32_t* r0, const int32_t* r1, const int32_t* r2, const int32_t* r3,
                      const int32_t* r4, size_t i) {
  return hn::Add(hn::Add(hn::Add(Load(r0 + i), Load(r4 + i)), hn::Add(Load(r1 + i), Load(r3 + i))),
                 Load(r2 + i));
}

size_t Laplace5OutBlocks(const uint8_t*, uint8_t* dst, const int32_t* r0, const int32_t* r1,
                         const int32_t* r2, const int32_t* r3, const int32_t* r4, size_t n) {
  const size_t lanes = hn::Lanes(D());
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) StoreBytes(Sum5Rows(r0, r1, r2, r3, r4, i), dst + i);
  return i;
}
size_t Gauss5OutBlocks(const uint8_t*, uint8_t* dst, const int32_t* r0, const int32_t* r1,
                       const int32_t* r2, const int32_t* r3, const int32_t* r4, size_t n) {
  const D d;
  const hn::RebindToUnsigned<D> du;
  const auto offset = hn::Set(du, 286u);
  const auto scale = hn::Set(du, 29382u);
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const auto t = hn::Add(hn::BitCast(du, Sum5Rows(r0, r1, r2, r3, r4, i)), offset);
    StoreBytes(hn::BitCast(d, hn::ShiftRight<24>(hn::Mul(t, scale))), dst + i);
  }
  return i;
}

size_t Hipass5OutBlocks(const uint8_t* m, uint8_t* dst, const int32_t* w, size_t n) {
  const size_t lanes = hn::Lanes(D());
  size_t i = 0;
  for (; i + lanes <= n; i += lanes)
    StoreBytes(hn::Sub(hn::Mul(Bytes(m + i), Set(25)), Load(w + i)), dst + i);
  return i;
}
size_t Lowpass5OutBlocks(const uint8_t*, uint8_t* dst, const int32_t* w, size_t n) {
  const size_t lanes = hn::Lanes(D());
  size_t i = 0;
  for (; i + lanes <= n; i += lanes)
    StoreBytes(hn::ShiftRight<18>(hn::Mul(hn::Add(Load(w + i), Set(13)), Set(10485))), dst + i);
  return i;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::fixedfilters
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::fixedfilters {

// Each operation's kernel, under the operation's name.
#define PF_FIXEDFILTERS_VECTOR_OPS(X)                                                      \
  X(Sum3)                                                                                  \
  X(Sum121)                                                                                \
  X(PixelDiff) X(Sum5) X(LaplaceRows5) X(GaussRows5) X(DiffSat) X(Sum3Sat) X(Sum121Sat)    \
      X(SharpenOut) X(Laplace3Out) X(Lowpass3Out) X(Gauss3Out) X(Laplace5Out) X(Gauss5Out) \
          X(Hipass5Out) X(Lowpass5Out)
#define PF_FIXEDFILTERS_VECTOR_DEFINE(op) \
  HWY_EXPORT(op##Blocks);                 \
  op::Blocks op::Vector() { return PF_HWY_DISPATCHED(op##Blocks); }
PF_FIXEDFILTERS_VECTOR_OPS(PF_FIXEDFILTERS_VECTOR_DEFINE)
#undef PF_FIXEDFILTERS_VECTOR_DEFINE
#undef PF_FIXEDFILTERS_VECTOR_OPS

HWY_EXPORT(RowSum5UpdateBlocks);
UpdateBlocks RowSum5UpdateVector() { return PF_HWY_DISPATCHED(RowSum5UpdateBlocks); }

}  // namespace builtin::fixedfilters
#endif  // HWY_ONCE
