// Vector blocks of the colour median (MedianCrossKernels.h), compiled once per instruction set
// and chosen at run time: one column of the strip per 16-bit lane, with the plain steps'
// integer operations (wrapping 16-bit sums, which hold the exact values), so every target
// gives the plain path's bytes.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/filters/MedianCrossHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/targets.h>

#include "primitives/filters/MedianCrossKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::colourmedian {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D16 = hn::ScalableTag<uint16_t>;
using V16 = hn::Vec<D16>;

struct Pixels {
  V16 c[3];
};

HWY_INLINE Pixels LoadPixels(const uint16_t (&plane)[3][kLine], ptrdiff_t at) {
  const D16 d;
  return Pixels{{hn::LoadU(d, plane[0] + at), hn::LoadU(d, plane[1] + at), hn::LoadU(d, plane[2] + at)}};
}

HWY_INLINE V16 Distance(const Pixels& a, const Pixels& b) {
  const D16 d;
  const hn::RebindToSigned<D16> di;
  const auto channel = [&](V16 x, V16 y) { return hn::BitCast(d, hn::Abs(hn::BitCast(di, hn::Sub(x, y)))); };
  return hn::Add(hn::Add(channel(a.c[0], b.c[0]), channel(a.c[1], b.c[1])), channel(a.c[2], b.c[2]));
}

template <int K>
size_t LoadRowC3Blocks(TState<K>& s, int slot, const uint8_t* HWY_RESTRICT src, size_t columns) {
  const D16 d;
  const hn::Rebind<uint8_t, D16> d8;
  const size_t lanes = hn::Lanes(d);
  if (columns < lanes) return 0;
  for (size_t next = 0; next < columns; next += lanes) {
    const size_t u = next + lanes <= columns ? next : columns - lanes;  // the last may overlap
    hn::Vec<decltype(d8)> c0, c1, c2;
    hn::LoadInterleaved3(d8, src + 3 * u, c0, c1, c2);
    hn::StoreU(hn::PromoteTo(d, c0), d, s.plane[slot][0] + kPad + u);
    hn::StoreU(hn::PromoteTo(d, c1), d, s.plane[slot][1] + kPad + u);
    hn::StoreU(hn::PromoteTo(d, c2), d, s.plane[slot][2] + kPad + u);
    hn::StoreU(hn::Or(hn::PromoteTo(d, c0), hn::ShiftLeft<8>(hn::PromoteTo(d, c1))), d,
               s.redGreen[slot] + kPad + u);
  }
  return columns;
}

// EnterPlain with the number of older rows and the leaving row fixed, so that the older rows'
// pixels stay in registers.
template <int K, int kOlder, bool kLeaving>
size_t EnterFixed(TState<K>& s, int newSlot, size_t columns) {
  constexpr int R = K - 1;
  const D16 d;
  const size_t lanes = hn::Lanes(d);
  int q[kOlder > 0 ? kOlder : 1] = {};
  for (int k = 1; k <= kOlder; ++k) q[k - 1] = (newSlot - k + K) % K;
  size_t u = 0;
  for (; u < columns; u += lanes) {
    const ptrdiff_t p = kPad + static_cast<ptrdiff_t>(u);
    const Pixels n = LoadPixels(s.plane[newSlot], p);
    Pixels above[kOlder > 0 ? kOlder : 1];
    for (int k = 0; k < kOlder; ++k) above[k] = LoadPixels(s.plane[q[k]], p);
    for (int o = -R; o <= R; ++o) {
      const Pixels shifted = LoadPixels(s.plane[newSlot], p + o);
      V16 sum = o == 0 ? hn::Zero(d) : Distance(n, shifted);
      for (int k = 1; k <= kOlder; ++k) {
        const V16 distance = Distance(above[k - 1], shifted);
        hn::StoreU(distance, d, s.pair[newSlot][k - 1][R + o] + p);
        uint16_t* column = s.column[q[k - 1]][R + o] + p;
        V16 sums = hn::Add(hn::LoadU(d, column), distance);
        if constexpr (kLeaving) sums = hn::Sub(sums, hn::LoadU(d, s.pair[q[k - 1]][K - k - 1][R - o] + p + o));
        hn::StoreU(sums, d, column);
        sum = hn::Add(sum, distance);
      }
      hn::StoreU(sum, d, s.column[newSlot][R - o] + p + o);
    }
  }
  return u;
}

template <int K, int kOlder = 0>
size_t EnterGrowing(TState<K>& s, int newSlot, int older, size_t columns) {
  if constexpr (kOlder < K - 1) {
    if (older != kOlder) return EnterGrowing<K, kOlder + 1>(s, newSlot, older, columns);
  }
  return EnterFixed<K, kOlder, false>(s, newSlot, columns);
}

template <int K>
size_t EnterBlocks(TState<K>& s, int newSlot, int older, bool leaving, size_t columns) {
  // A row leaves only once K rows have entered, when K - 1 older ones are in the window.
  if (leaving) return EnterFixed<K, K - 1, true>(s, newSlot, columns);
  return EnterGrowing<K>(s, newSlot, older, columns);
}

// The K totals of a pixel slide along its 2K - 1 column sums: each next window position adds
// the column one further left and drops the rightmost one.
template <int K>
size_t TotalsBlocks(TState<K>& s, int firstSlot, size_t columns) {
  constexpr int R = K - 1;
  const D16 d;
  const size_t lanes = hn::Lanes(d);
  const size_t whole = (columns + lanes - 1) / lanes * lanes;
  for (int i = 0; i < K; ++i) {
    const auto& column = s.column[(firstSlot + i) % K];
    for (size_t u = 0; u < whole; u += lanes) {
      const ptrdiff_t p = kPad + static_cast<ptrdiff_t>(u);
      V16 c[2 * K - 1];
      for (int o = 0; o < 2 * K - 1; ++o) c[o] = hn::LoadU(d, column[o] + p);
      V16 sum = c[R];
      for (int o = R + 1; o < 2 * K - 1; ++o) sum = hn::Add(sum, c[o]);
      hn::StoreU(sum, d, s.total[i][0] + p);
      for (int j = 1; j < K; ++j) {
        sum = hn::Sub(hn::Add(sum, c[R - j]), c[2 * R + 1 - j]);
        hn::StoreU(sum, d, s.total[i][j] + p);
      }
    }
  }
  return whole;
}

template <int K>
size_t SelectBlocks(TState<K>& s, int firstSlot, size_t outputs) {
  const D16 d;
  const hn::Rebind<uint8_t, D16> d8;
  const hn::RebindToSigned<D16> di;
  const size_t lanes = hn::Lanes(d);
  const auto bytes = [&](V16 v) { return hn::DemoteTo(d8, hn::BitCast(di, v)); };
  size_t t = 0;
  for (; t < outputs; t += lanes) {
    const ptrdiff_t p = kPad + static_cast<ptrdiff_t>(t);
    V16 best = hn::LoadU(d, s.total[0][0] + p);
    V16 redGreen = hn::LoadU(d, s.redGreen[firstSlot] + p);
    V16 blue = hn::LoadU(d, s.plane[firstSlot][2] + p);
    for (int i = 0; i < K; ++i) {
      const int slot = (firstSlot + i) % K;
      for (int j = i == 0 ? 1 : 0; j < K; ++j) {
        const V16 total = hn::LoadU(d, s.total[i][j] + p + j);
        const auto smaller = hn::Lt(total, best);
        best = hn::Min(best, total);
        redGreen = hn::IfThenElse(smaller, hn::LoadU(d, s.redGreen[slot] + p + j), redGreen);
        blue = hn::IfThenElse(smaller, hn::LoadU(d, s.plane[slot][2] + p + j), blue);
      }
    }
    hn::StoreU(bytes(hn::And(redGreen, hn::Set(d, 0xFF))), d8, s.winner[0] + t);
    hn::StoreU(bytes(hn::ShiftRight<8>(redGreen)), d8, s.winner[1] + t);
    hn::StoreU(bytes(blue), d8, s.winner[2] + t);
  }
  return t;
}

template <int K>
size_t EmitC3Blocks(const TState<K>& s, uint8_t* HWY_RESTRICT dst, size_t outputs) {
  const hn::ScalableTag<uint8_t> d8;
  const size_t lanes = hn::Lanes(d8);
  if (outputs < lanes) return 0;
  for (size_t next = 0; next < outputs; next += lanes) {
    const size_t t = next + lanes <= outputs ? next : outputs - lanes;  // the last may overlap
    hn::StoreInterleaved3(hn::LoadU(d8, s.winner[0] + t), hn::LoadU(d8, s.winner[1] + t),
                          hn::LoadU(d8, s.winner[2] + t), d8, dst + 3 * t);
  }
  return outputs;
}

#define PF_COLOUR_MEDIAN_KERNELS(K)                                                              \
  size_t LoadRowC3_##K(TState<K>& s, int slot, const uint8_t* src, size_t columns) {             \
    return LoadRowC3Blocks<K>(s, slot, src, columns);                                           \
  }                                                                                              \
  size_t Enter_##K(TState<K>& s, int newSlot, int older, bool leaving, size_t columns) {          \
    return EnterBlocks<K>(s, newSlot, older, leaving, columns);                                 \
  }                                                                                              \
  size_t Totals_##K(TState<K>& s, int firstSlot, size_t columns) {                               \
    return TotalsBlocks<K>(s, firstSlot, columns);                                              \
  }                                                                                              \
  size_t Select_##K(TState<K>& s, int firstSlot, size_t outputs) {                               \
    return SelectBlocks<K>(s, firstSlot, outputs);                                              \
  }                                                                                              \
  size_t EmitC3_##K(const TState<K>& s, uint8_t* dst, size_t outputs) {                          \
    return EmitC3Blocks<K>(s, dst, outputs);                                                    \
  }
PF_COLOUR_MEDIAN_KERNELS(3)
PF_COLOUR_MEDIAN_KERNELS(5)
#undef PF_COLOUR_MEDIAN_KERNELS

}  // namespace HWY_NAMESPACE
}  // namespace builtin::colourmedian
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::colourmedian {

HWY_EXPORT(LoadRowC3_3);
HWY_EXPORT(Enter_3);
HWY_EXPORT(Totals_3);
HWY_EXPORT(Select_3);
HWY_EXPORT(EmitC3_3);
HWY_EXPORT(LoadRowC3_5);
HWY_EXPORT(Enter_5);
HWY_EXPORT(Totals_5);
HWY_EXPORT(Select_5);
HWY_EXPORT(EmitC3_5);

TBlocks<3> VectorColour3() {
  return TBlocks<3>{PF_HWY_DISPATCHED(LoadRowC3_3), PF_HWY_DISPATCHED(Enter_3),
                    PF_HWY_DISPATCHED(Totals_3), PF_HWY_DISPATCHED(Select_3),
                    PF_HWY_DISPATCHED(EmitC3_3)};
}

TBlocks<5> VectorColour5() {
  return TBlocks<5>{PF_HWY_DISPATCHED(LoadRowC3_5), PF_HWY_DISPATCHED(Enter_5),
                    PF_HWY_DISPATCHED(Totals_5), PF_HWY_DISPATCHED(Select_5),
                    PF_HWY_DISPATCHED(EmitC3_5)};
}

}  // namespace builtin::colourmedian
#endif  // HWY_ONCE
