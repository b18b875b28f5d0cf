// The FFT engine's vector bit-reversal permutations, copying and in place, in 4 x 4 tiles of
// complex values, for every Highway target.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/FftEngineBitReverseHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include "primitives/signal/FftEngineHwy-inl.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::fft {
namespace HWY_NAMESPACE {

#if HWY_TARGET != HWY_SCALAR

// An index is [i: 2 bits][mid][j: 2 bits] and goes to [rev(j)][rev(mid)][rev(i)] (see
// PlainBitRevCopy). A tile of mid is four runs of four consecutive complex values v[i][0..3]
// at i quarter + 4 mid; its value v[i][j] goes to run rev(j) of the tile of rm = rev(mid), at
// position rev(i). So the destination run rev(j) is (v[0][j], v[2][j], v[1][j], v[3][j]): a
// transpose of 128-bit blocks, whose rows come in the order 0, 2, 1, 3.

// A tile in 256-bit vectors where the target has them: x[i][h] holds v[i][2h], v[i][2h + 1],
// and run rev(j) is (v0j, v2j | v1j, v3j), the lower or upper blocks of rows 0 and 2, 1 and 3.
// With 128-bit vectors each holds one value and the values move one by one.
using DTile = hn::CappedTag<double, 4>;
constexpr bool kWideTile = hn::MaxLanes(DTile()) == 4;

struct Tile {
  using V = hn::Vec<DTile>;
  V x00, x01, x10, x11, x20, x21, x30, x31;  // (pairs of) values, or the first half of a run

  // 128-bit vectors: the second half of each run.
  V y00, y01, y10, y11, y20, y21, y30, y31;

  HWY_INLINE void Load(const double* s, int64_t quarter, int64_t mid) {
    const DTile d;
    const double* r0 = s + 8 * mid;
    const double* r1 = r0 + 2 * quarter;
    const double* r2 = r1 + 2 * quarter;
    const double* r3 = r2 + 2 * quarter;
    x00 = hn::LoadU(d, r0), x01 = hn::LoadU(d, r0 + 4);
    x10 = hn::LoadU(d, r1), x11 = hn::LoadU(d, r1 + 4);
    x20 = hn::LoadU(d, r2), x21 = hn::LoadU(d, r2 + 4);
    x30 = hn::LoadU(d, r3), x31 = hn::LoadU(d, r3 + 4);
    if constexpr (!kWideTile) {
      y00 = hn::LoadU(d, r0 + 2), y01 = hn::LoadU(d, r0 + 6);
      y10 = hn::LoadU(d, r1 + 2), y11 = hn::LoadU(d, r1 + 6);
      y20 = hn::LoadU(d, r2 + 2), y21 = hn::LoadU(d, r2 + 6);
      y30 = hn::LoadU(d, r3 + 2), y31 = hn::LoadU(d, r3 + 6);
    }
  }

  // Writes the transposed tile as the tile of rm (the reversal of the mid it was read from).
  HWY_INLINE void Store(double* t, int64_t quarter, int64_t rm) const {
    const DTile d;
    double* r0 = t + 8 * rm;  // destination run 0, then runs 1 to 3
    double* r1 = r0 + 2 * quarter;
    double* r2 = r1 + 2 * quarter;
    double* r3 = r2 + 2 * quarter;
    if constexpr (kWideTile) {
      hn::StoreU(hn::ConcatLowerLower(d, x20, x00), d, r0);  // j = 0
      hn::StoreU(hn::ConcatLowerLower(d, x30, x10), d, r0 + 4);
      hn::StoreU(hn::ConcatUpperUpper(d, x20, x00), d, r2);  // j = 1
      hn::StoreU(hn::ConcatUpperUpper(d, x30, x10), d, r2 + 4);
      hn::StoreU(hn::ConcatLowerLower(d, x21, x01), d, r1);  // j = 2
      hn::StoreU(hn::ConcatLowerLower(d, x31, x11), d, r1 + 4);
      hn::StoreU(hn::ConcatUpperUpper(d, x21, x01), d, r3);  // j = 3
      hn::StoreU(hn::ConcatUpperUpper(d, x31, x11), d, r3 + 4);
    } else {  // v[i][0..3] = x_i0, y_i0, x_i1, y_i1
      hn::StoreU(x00, d, r0), hn::StoreU(x20, d, r0 + 2);
      hn::StoreU(x10, d, r0 + 4), hn::StoreU(x30, d, r0 + 6);
      hn::StoreU(y00, d, r2), hn::StoreU(y20, d, r2 + 2);
      hn::StoreU(y10, d, r2 + 4), hn::StoreU(y30, d, r2 + 6);
      hn::StoreU(x01, d, r1), hn::StoreU(x21, d, r1 + 2);
      hn::StoreU(x11, d, r1 + 4), hn::StoreU(x31, d, r1 + 6);
      hn::StoreU(y01, d, r3), hn::StoreU(y21, d, r3 + 2);
      hn::StoreU(y11, d, r3 + 4), hn::StoreU(y31, d, r3 + 6);
    }
  }
};

// The tiles a walk reads this many tiles ahead are asked for early: their rows lie a quarter
// of the vector apart, so on large vectors the processor's prefetcher does not see them coming
// (16 tiles ahead made the large permutations 1.3 to 2 times faster than without).
constexpr int64_t kPrefetchAhead = 16;

HWY_INLINE void PrefetchTile(const double* s, int64_t quarter, int64_t mid) {
  const double* r = s + 8 * mid;
  for (int64_t i = 0; i < 4; ++i) hwy::Prefetch(r + 2 * quarter * i);
}

// The destination tiles in order, each from the source tile of the reversed mid (the reversal
// is its own inverse): scattered reads and sequential writes, which run about twice as fast
// on large vectors as the other way round, where every scattered line written is first read.
void BitRevCopyTiles(const double* s, double* d, int n) {
  const int64_t quarter = int64_t{1} << (n - 2), mids = int64_t{1} << (n - 4);
  int64_t rm = 0, ahead = 0;  // the reversals of mid and of mid + kPrefetchAhead
  for (int64_t k = 1; k <= kPrefetchAhead && k < mids; ++k) ahead = NextReversedMid(ahead, mids);
  for (int64_t mid = 0; mid < mids; ++mid) {
    if (mid > 0) rm = NextReversedMid(rm, mids);
    if (mid + kPrefetchAhead < mids) {
      if (mid > 0) ahead = NextReversedMid(ahead, mids);
      PrefetchTile(s, quarter, ahead);
    }
    Tile tile;
    tile.Load(s, quarter, rm);
    tile.Store(d, quarter, mid);
  }
}

// The tile of mid and the tile of rm trade their values, transposed; both are read before
// either is written. A tile whose mid is its own reversal is transposed in place.
void BitRevInPlaceTiles(double* d, int n) {
  const int64_t quarter = int64_t{1} << (n - 2), mids = int64_t{1} << (n - 4);
  int64_t rm = 0, ahead = 0;
  for (int64_t k = 1; k <= kPrefetchAhead && k < mids; ++k) ahead = NextReversedMid(ahead, mids);
  for (int64_t mid = 0; mid < mids; ++mid) {
    if (mid > 0) rm = NextReversedMid(rm, mids);
    if (mid + kPrefetchAhead < mids) {
      if (mid > 0) ahead = NextReversedMid(ahead, mids);
      if (ahead >= mid + kPrefetchAhead) {  // a pair still to come
        PrefetchTile(d, quarter, mid + kPrefetchAhead);
        PrefetchTile(d, quarter, ahead);
      }
    }
    if (rm < mid) continue;  // done with its partner
    Tile a;
    a.Load(d, quarter, mid);
    if (rm == mid) {
      a.Store(d, quarter, rm);
      continue;
    }
    Tile b;
    b.Load(d, quarter, rm);
    a.Store(d, quarter, rm);
    b.Store(d, quarter, mid);
  }
}

#endif  // HWY_TARGET != HWY_SCALAR

}  // namespace HWY_NAMESPACE
}  // namespace builtin::fft
HWY_AFTER_NAMESPACE();
