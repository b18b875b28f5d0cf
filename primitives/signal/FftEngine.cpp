#include "primitives/signal/FftEngine.h"

#include <cstring>

#include "primitives/signal/FftEngineKernels.h"

namespace builtin {
namespace fft {
namespace {

// One complex value, read and written through memcpy so that vectors at any address are fine.
struct Cx {
  double re, im;
};
inline Cx Ld(const double* p, int64_t k) {
  Cx c;
  std::memcpy(&c, p + 2 * k, sizeof c);
  return c;
}
inline void St(double* p, int64_t k, Cx c) { std::memcpy(p + 2 * k, &c, sizeof c); }

inline Cx Add(Cx a, Cx b) { return {a.re + b.re, a.im + b.im}; }
inline Cx Sub(Cx a, Cx b) { return {a.re - b.re, a.im - b.im}; }
// x * w and x * conj(w). The vector paths form the same products and sums: real part
// xr*wr - xi*wi (respectively + xi*wi), imaginary part xi*wr + xr*wi (respectively - xr*wi).
inline Cx Mul(Cx x, Cx w) { return {x.re * w.re - x.im * w.im, x.im * w.re + x.re * w.im}; }
inline Cx MulConj(Cx x, Cx w) { return {x.re * w.re + x.im * w.im, x.im * w.re - x.re * w.im}; }
template <bool kInv>
inline Cx Twiddle(Cx x, Cx w) {
  return kInv ? MulConj(x, w) : Mul(x, w);
}
// a - jb and a + jb.
inline Cx SubJ(Cx a, Cx b) { return {a.re + b.im, a.im - b.re}; }
inline Cx AddJ(Cx a, Cx b) { return {a.re - b.im, a.im + b.re}; }

// The radix-4 butterfly on four values already multiplied by their factors. Forward: the second
// output is A' - jB', the fourth A' + jB'; inverse: the other way round.
template <bool kInv>
inline void Butterfly4(Cx x0, Cx y1, Cx y2, Cx y3, Cx& o0, Cx& o1, Cx& o2, Cx& o3) {
  const Cx a = Add(x0, y1), a2 = Sub(x0, y1), b = Add(y2, y3), b2 = Sub(y2, y3);
  o0 = Add(a, b);
  o2 = Sub(a, b);
  o1 = kInv ? AddJ(a2, b2) : SubJ(a2, b2);
  o3 = kInv ? SubJ(a2, b2) : AddJ(a2, b2);
}

}  // namespace

template <bool kInv>
void PlainFirstPass(double* d, int64_t N) {
  for (int64_t g = 0; g < N; g += 4) {
    Cx o0, o1, o2, o3;
    Butterfly4<kInv>(Ld(d, g), Ld(d, g + 1), Ld(d, g + 2), Ld(d, g + 3), o0, o1, o2, o3);
    St(d, g, o0);
    St(d, g + 1, o1);
    St(d, g + 2, o2);
    St(d, g + 3, o3);
  }
}

template <bool kInv>
void PlainRadix2Pass8(double* d, int64_t N, double v) {
  for (int64_t g = 0; g < N; g += 8) {
    for (int c = 0; c < 4; ++c) {
      const Cx x = Ld(d, g + c + 4);
      // Factors 1, (v, -v), -j, (-v, -v); -j is a swap and a sign change.
      Cx y = x;
      if (c == 1) y = Twiddle<kInv>(x, Cx{v, -v});
      if (c == 2) y = kInv ? Cx{-x.im, x.re} : Cx{x.im, -x.re};
      if (c == 3) y = Twiddle<kInv>(x, Cx{-v, -v});
      const Cx a = Ld(d, g + c);
      St(d, g + c, Add(a, y));
      St(d, g + c + 4, Sub(a, y));
    }
  }
}

template <bool kInv>
void PlainRadix4Pass(double* d, int64_t N, int64_t total, int64_t L, const double* table) {
  const int64_t stride = N / (4 * L);
  for (int64_t g0 = 0; g0 < total; g0 += 4 * L) {
    double* g = d + 2 * g0;
    {
      Cx o0, o1, o2, o3;
      Butterfly4<kInv>(Ld(g, 0), Ld(g, L), Ld(g, 2 * L), Ld(g, 3 * L), o0, o1, o2, o3);
      St(g, 0, o0);
      St(g, L, o1);
      St(g, 2 * L, o2);
      St(g, 3 * L, o3);
    }
    for (int64_t c = 1; c < L; ++c) {
      const double* w = table + 6 * c * stride;
      const Cx w1 = Ld(w, 0), w2 = Ld(w, 1), w3 = Ld(w, 2);
      Cx o0, o1, o2, o3;
      Butterfly4<kInv>(Ld(g, c), Twiddle<kInv>(Ld(g, c + L), w2),
                       Twiddle<kInv>(Ld(g, c + 2 * L), w1), Twiddle<kInv>(Ld(g, c + 3 * L), w3),
                       o0, o1, o2, o3);
      St(g, c, o0);
      St(g, c + L, o1);
      St(g, c + 2 * L, o2);
      St(g, c + 3 * L, o3);
    }
  }
}

template <bool kInv>
void PlainRadix2Chunk(double* d, int64_t N, int64_t L, int64_t k0, const double* table) {
  const int64_t stride = N / (2 * L);
  for (int64_t A0 = 0; A0 < N; A0 += 2 * L) {
    double* A = d + 2 * A0;
    double* B = A + 2 * L;
    for (int64_t k = k0; k < k0 + 64; ++k) {
      const Cx f = Ld(table, k * stride);
      const Cx u = Twiddle<kInv>(Ld(B, k), f);
      const Cx a = Ld(A, k);
      St(A, k, Add(a, u));
      St(B, k, Sub(a, u));
    }
    for (int64_t k = k0; k < k0 + 64; ++k) {
      const Cx t = Ld(table, k * stride);
      // -j f forward, +j conj(f) inverse.
      const Cx f = kInv ? Cx{t.im, t.re} : Cx{t.im, -t.re};
      const Cx u = Mul(Ld(B, k + L / 2), f);
      const Cx a = Ld(A, k + L / 2);
      St(A, k + L / 2, Add(a, u));
      St(B, k + L / 2, Sub(a, u));
    }
  }
}

void PlainScale(double factor, double* d, int64_t count) {
  for (int64_t i = 0; i < count; ++i) {
    double x;
    std::memcpy(&x, d + i, 8);
    x *= factor;
    std::memcpy(d + i, &x, 8);
  }
}

template <bool kInv>
void PlainGatherColumns(const double* d, int64_t M, int64_t K, int64_t q0, const double* columns,
                        double* rows) {
  for (int64_t p = 0; p < K; ++p)
    for (int c = 0; c < 4; ++c)
      St(rows + 2 * K * c, p, Twiddle<kInv>(Ld(d, p * M + q0 + c), Ld(columns, 4 * p + c)));
}
template void PlainGatherColumns<false>(const double*, int64_t, int64_t, int64_t, const double*,
                                        double*);
template void PlainGatherColumns<true>(const double*, int64_t, int64_t, int64_t, const double*,
                                       double*);

void PlainScatterColumns(double* d, int64_t M, int64_t K, int64_t q0, const double* rows) {
  for (int64_t t = 0; t < K; ++t)
    for (int c = 0; c < 4; ++c) St(d, t * M + q0 + c, Ld(rows + 2 * K * c, t));
}

template void PlainFirstPass<false>(double*, int64_t);
template void PlainFirstPass<true>(double*, int64_t);
template void PlainRadix2Pass8<false>(double*, int64_t, double);
template void PlainRadix2Pass8<true>(double*, int64_t, double);
template void PlainRadix4Pass<false>(double*, int64_t, int64_t, int64_t, const double*);
template void PlainRadix4Pass<true>(double*, int64_t, int64_t, int64_t, const double*);
template void PlainRadix2Chunk<false>(double*, int64_t, int64_t, int64_t, const double*);
template void PlainRadix2Chunk<true>(double*, int64_t, int64_t, int64_t, const double*);

namespace {

void Scale(const Kernels& k, double factor, double* d, int64_t count) {
  const int64_t done = k.scale ? k.scale(factor, d, count) : 0;
  PlainScale(factor, d + done, count - done);
}

// The radix-4 kernel on count consecutive N-point transforms, pass by pass over all of them
// (each pass treats every transform alike, so the results are those of separate calls).
template <bool kInv>
void Radix4(const Kernels& k, double* d, int64_t N, const double* table, int64_t count = 1) {
  const int64_t total = N * count;
  int64_t L = 4;
  if ((N & 0x5555555555555555LL) == 0) {  // odd order: one radix-2 pass on groups of 8
    const double v = table[6 * (N / 8)];
    if (k.firstPassOdd) {
      k.firstPassOdd(d, total, v, kInv);
    } else {
      if (k.firstPass) k.firstPass(d, total, kInv);
      else PlainFirstPass<kInv>(d, total);
      PlainRadix2Pass8<kInv>(d, total, v);
    }
    L = 8;
  } else {
    if (k.firstPass) k.firstPass(d, total, kInv);
    else PlainFirstPass<kInv>(d, total);
  }
  for (; 4 * L <= N; L *= 4) {
    if (k.radix4Pass) k.radix4Pass(d, N, total, L, table, kInv);
    else PlainRadix4Pass<kInv>(d, N, total, L, table);
  }
}

template <bool kInv>
void Radix2Passes(const Kernels& k, double* d, int64_t N, int64_t L0, const double* table) {
  for (int64_t L = L0; L < N; L *= 2)
    for (int64_t k0 = 0; k0 < L / 2; k0 += 64) {
      if (k.radix2Chunk) k.radix2Chunk(d, N, L, k0, table, kInv);
      else PlainRadix2Chunk<kInv>(d, N, L, k0, table);
    }
}

template <bool kInv>
void Blocked(const Kernels& k, const fbFftSpec* spec, double* d, int64_t N) {
  const bool scaled = kInv ? spec->inverseScaled : spec->forwardScaled;
  for (int64_t b = N - 512; b >= 0; b -= 512) {
    Radix4<kInv>(k, d + 2 * b, 512, spec->twiddleBlock);
    if (scaled) Scale(k, spec->scaleFactor, d + 2 * b, 1024);
  }
  Radix2Passes<kInv>(k, d, N, 512, spec->blockTwiddles);
}

}  // namespace

// The column pass of split level `depth` of order n (steps b to d of the level).
template <bool kInv>
void Columns(const Kernels& kern, const fbFftSpec* spec, double* d, int n, int depth,
             double* work);

namespace {

template <bool kInv>
void Split(const Kernels& kern, const fbFftSpec* spec, double* d, int n, int depth,
           double* work) {
  const int k = fbFftSplitExponent(n), m = n - k;
  const int64_t K = int64_t{1} << k, M = int64_t{1} << m;
  const bool scaled = kInv ? spec->inverseScaled : spec->forwardScaled;
  for (int64_t p = 0; p < K; ++p) {
    double* sub = d + 2 * p * M;
    if (m <= 9) {
      Radix4<kInv>(kern, sub, M, spec->twiddleBlock);
      if (scaled) Scale(kern, spec->scaleFactor, sub, 2 * M);
    } else if (fbFftSplitExponent(m) != 0) {
      Split<kInv>(kern, spec, sub, m, depth + 1, work);
    } else {
      Blocked<kInv>(kern, spec, sub, M);
    }
  }
  Columns<kInv>(kern, spec, d, n, depth, work);
}

}  // namespace

template <bool kInv>
void Columns(const Kernels& kern, const fbFftSpec* spec, double* d, int n, int depth,
             double* work) {
  const int k = fbFftSplitExponent(n), m = n - k;
  const int64_t K = int64_t{1} << k, M = int64_t{1} << m;
  const double* columns = spec->levelColumns[depth];
  const double* radix4 = spec->levelRadix4[depth];
  if (kern.splitColumns) {
    kern.splitColumns(d, n, k, columns, radix4, work, kInv);
    return;
  }
  PlainGatherColumns<kInv>(d, M, K, 0, columns, work);
  for (int64_t q0 = 0; q0 < M; q0 += 4) {
    Radix4<kInv>(kern, work, K, radix4, 4);  // the four rows
    columns += 8 * K;
    PlainScatterColumns(d, M, K, q0, work);
    if (q0 + 4 == M) break;
    PlainGatherColumns<kInv>(d, M, K, q0 + 4, columns, work);
  }
}

void RunRadix4(const Kernels& k, double* d, int64_t N, const double* table, bool inverse) {
  if (inverse) Radix4<true>(k, d, N, table);
  else Radix4<false>(k, d, N, table);
}

void RunLarge(const Kernels& k, const fbFftSpec* spec, double* d, int n, double* work,
              bool inverse) {
  if (fbFftSplitExponent(n) != 0) {
    if (inverse) Split<true>(k, spec, d, n, 0, work);
    else Split<false>(k, spec, d, n, 0, work);
  } else {
    if (inverse) Blocked<true>(k, spec, d, int64_t{1} << n);
    else Blocked<false>(k, spec, d, int64_t{1} << n);
  }
}

const Kernels& PlainKernels() {
  static const Kernels kPlain{};
  return kPlain;
}

}  // namespace fft

// ---- Permutation ---------------------------------------------------------------------------

namespace {
using fft::Cx;
using fft::Ld;
using fft::St;

inline void Swap(double* d, int64_t i, int64_t j) {
  const Cx a = Ld(d, i), b = Ld(d, j);
  St(d, i, b);
  St(d, j, a);
}
}  // namespace

namespace {

// The in-place permutation in 4 x 4 tiles (see PlainBitRevCopy): the tile of mid and the tile
// of rev(mid) trade their values, transposed; a tile whose mid is its own reversal is transposed
// in place.
void BitRevInPlaceTiles(double* d, int n) {
  static constexpr int64_t kRev2[4] = {0, 2, 1, 3};
  const int64_t quarter = int64_t{1} << (n - 2), mids = int64_t{1} << (n - 4);
  int64_t rm = 0;
  for (int64_t mid = 0; mid < mids; ++mid) {
    if (mid > 0) rm = fft::NextReversedMid(rm, mids);
    if (rm < mid) continue;  // done with its partner
    Cx a[4][4], b[4][4];
    for (int64_t i = 0; i < 4; ++i)
      for (int64_t j = 0; j < 4; ++j) {
        a[i][j] = Ld(d, i * quarter + mid * 4 + j);
        b[i][j] = Ld(d, i * quarter + rm * 4 + j);
      }
    for (int64_t i = 0; i < 4; ++i)
      for (int64_t j = 0; j < 4; ++j) {
        St(d, kRev2[j] * quarter + rm * 4 + kRev2[i], a[i][j]);
        if (rm != mid) St(d, kRev2[j] * quarter + mid * 4 + kRev2[i], b[i][j]);
      }
  }
}

}  // namespace

namespace {
int Log2(int64_t N) {
  int n = 0;
  while ((int64_t{1} << n) < N) ++n;
  return n;
}
}  // namespace

void fbFftBitRevInPlace(Ipp64f* d, int64_t N, const int32_t* t) {
  fft::BitRevInPlace(fft::VectorKernels(), d, N, t);
}

void fft::BitRevInPlace(const Kernels& k, double* d, int64_t N, const int32_t* t) {
  if (N < 4) return;
  // The vector tiles from 16 values on; the plain code in tiles for large vectors
  // (cache-friendly), through the swap list for small ones.
  if (N >= 16 && k.bitRevInPlace) {
    k.bitRevInPlace(d, Log2(N));
    return;
  }
  if (N >= fft::kBitRevTilesFrom) {
    BitRevInPlaceTiles(d, Log2(N));
    return;
  }
  const int64_t h = N / 2;
  int64_t i = 0;
  for (; t[i] != 0; i += 2) {
    const int64_t a = t[i] / 2, b = t[i + 1] / 2;
    Swap(d, a, b);
    Swap(d, a + 1, h + b);
    Swap(d, h + a, b + 1);
    Swap(d, h + a + 1, h + b + 1);
  }
  Swap(d, 1, h);  // the first 0 stands for the group of index 0
  for (++i; t[i] != 0; ++i) {
    const int64_t a = t[i] / 2;
    Swap(d, a + 1, h + a);
  }
}

// The copying permutation in 4 x 4 tiles: an index is [i: 2 bits][mid][j: 2 bits] and goes to
// [rev(j)][rev(mid)][rev(i)]. Each tile reads four runs of four consecutive values (four
// sequential streams over the source) and writes four runs of four consecutive values, so
// every destination line is written whole.
void fft::PlainBitRevCopy(const double* s, double* d, int n) {
  static constexpr int64_t kRev2[4] = {0, 2, 1, 3};
  const int64_t quarter = int64_t{1} << (n - 2), mids = int64_t{1} << (n - 4);
  int64_t rm = 0;  // reversal of mid over n - 4 bits, kept by a reversed counter
  for (int64_t mid = 0; mid < mids; ++mid) {
    if (mid > 0) rm = fft::NextReversedMid(rm, mids);
    Cx v[4][4];
    for (int64_t i = 0; i < 4; ++i)
      for (int64_t j = 0; j < 4; ++j) v[i][j] = Ld(s, i * quarter + mid * 4 + j);
    for (int64_t j = 0; j < 4; ++j)
      for (int64_t i = 0; i < 4; ++i) St(d, kRev2[j] * quarter + rm * 4 + kRev2[i], v[i][j]);
  }
}

void fbFftBitRevCopy(const Ipp64f* s, Ipp64f* d, int64_t N, const int32_t* t) {
  fft::BitRevCopy(fft::VectorKernels(), s, d, N, t);
}

void fft::BitRevCopy(const Kernels& k, const double* s, double* d, int64_t N, const int32_t* t) {
  // As the permutation in place.
  if (N >= 16 && k.bitRevCopy) {
    k.bitRevCopy(s, d, Log2(N));
    return;
  }
  if (N >= fft::kBitRevTilesFrom) {
    fft::PlainBitRevCopy(s, d, Log2(N));
    return;
  }
  const int64_t h = N / 2;
  auto self = [&](int64_t a) {
    St(d, a, Ld(s, a));
    St(d, a + 1, Ld(s, h + a));
    St(d, h + a, Ld(s, a + 1));
    St(d, h + a + 1, Ld(s, h + a + 1));
  };
  int64_t i = 0;
  for (; t[i] != 0; i += 2) {
    const int64_t a = t[i] / 2, b = t[i + 1] / 2;
    St(d, b, Ld(s, a));
    St(d, b + 1, Ld(s, h + a));
    St(d, h + b, Ld(s, a + 1));
    St(d, h + b + 1, Ld(s, h + a + 1));
    St(d, a, Ld(s, b));
    St(d, a + 1, Ld(s, h + b));
    St(d, h + a, Ld(s, b + 1));
    St(d, h + a + 1, Ld(s, h + b + 1));
  }
  self(0);
  for (++i; t[i] != 0; ++i) self(t[i] / 2);
}

// ---- Kernels and transforms ----------------------------------------------------------------

void fbFftRadix4Fwd(Ipp64f* pData, int64_t N, const Ipp64f* table) {
  fft::Radix4<false>(fft::VectorKernels(), pData, N, table);
}
void fbFftRadix4Inv(Ipp64f* pData, int64_t N, const Ipp64f* table) {
  fft::Radix4<true>(fft::VectorKernels(), pData, N, table);
}

void fbFftScale(Ipp64f factor, Ipp64f* pData, int64_t count) {
  fft::Scale(fft::VectorKernels(), factor, pData, count);
}

void fbFftLargeFwd(const fbFftSpec* spec, Ipp64f* pData, int n, Ipp64f* pWork) {
  fft::RunLarge(fft::VectorKernels(), spec, pData, n, pWork, false);
}
void fbFftLargeInv(const fbFftSpec* spec, Ipp64f* pData, int n, Ipp64f* pWork) {
  fft::RunLarge(fft::VectorKernels(), spec, pData, n, pWork, true);
}

void fbFftSplitFwd(const fbFftSpec* spec, Ipp64f* pData, int n, int depth, Ipp64f* pWork) {
  fft::Split<false>(fft::VectorKernels(), spec, pData, n, depth, pWork);
}
void fbFftSplitInv(const fbFftSpec* spec, Ipp64f* pData, int n, int depth, Ipp64f* pWork) {
  fft::Split<true>(fft::VectorKernels(), spec, pData, n, depth, pWork);
}

void fbFftBlockedFwd(const fbFftSpec* spec, Ipp64f* pData, int64_t N) {
  fft::Blocked<false>(fft::VectorKernels(), spec, pData, N);
}
void fbFftBlockedInv(const fbFftSpec* spec, Ipp64f* pData, int64_t N) {
  fft::Blocked<true>(fft::VectorKernels(), spec, pData, N);
}

void fft::RunComplex(const Kernels& k, const fbFftSpec* spec, const double* src, double* dst,
                     int n, double* work, bool inverse) {
  const int64_t N = int64_t{1} << n;
  const bool scaled = inverse ? spec->inverseScaled != 0 : spec->forwardScaled != 0;
  const double* scale = scaled ? &spec->scaleFactor : nullptr;
  const int split = fbFftSplitExponent(n);
  const bool whole = n >= 4 && n <= 9 && k.radix4Whole;
  const bool leaves = split != 0 && n - split <= 9 && k.splitLeaves;
  if (whole) {
    k.radix4Whole(src, dst, n, spec->twiddleBlock, fbFftLastPassFactors(spec->twiddleBlock, n),
                  scale, nullptr, inverse);
    return;
  }
  if ((n == 10 || n == 11) && k.blocked) {
    k.blocked(src, dst, n, spec->twiddleBlock, fbFftBlockedLeafFactors(spec->blockTwiddles, n),
              spec->blockTwiddles, scale, nullptr, inverse);
    return;
  }
  if (leaves) {
    const bool permuted = src == dst;
    if (permuted) BitRevInPlace(k, dst, N, spec->bitRevTable);
    k.splitLeaves(src, dst, n, split, spec->twiddleBlock, scale, permuted, nullptr, inverse);
    if (inverse) Columns<true>(k, spec, dst, n, 0, work);
    else Columns<false>(k, spec, dst, n, 0, work);
    return;
  }
  if (src == dst) BitRevInPlace(k, dst, N, spec->bitRevTable);
  else BitRevCopy(k, src, dst, N, spec->bitRevTable);
  if (n <= 9) {
    if (inverse) Radix4<true>(k, dst, N, spec->twiddleBlock);
    else Radix4<false>(k, dst, N, spec->twiddleBlock);
    if (scaled) Scale(k, spec->scaleFactor, dst, 2 * N);
  } else {
    RunLarge(k, spec, dst, n, work, inverse);
  }
}

bool fft::RunRealInverse(const Kernels& k, const fbFftSpec* spec, const RealPre& pre,
                         double* dst, int n, double* work, bool all) {
  const double* scale = spec->inverseScaled ? &spec->scaleFactor : nullptr;
  const int split = fbFftSplitExponent(n);
  if (n >= 4 && n <= 9 && k.radix4Whole && all) {
    k.radix4Whole(nullptr, dst, n, spec->twiddleBlock,
                  fbFftLastPassFactors(spec->twiddleBlock, n), scale, &pre, true);
    return true;
  }
  if ((n == 10 || n == 11) && k.blocked && all) {
    k.blocked(nullptr, dst, n, spec->twiddleBlock,
              fbFftBlockedLeafFactors(spec->blockTwiddles, n), spec->blockTwiddles, scale, &pre,
              true);
    return true;
  }
  if (split != 0 && n - split <= 9 && k.splitLeaves && (all || n >= 13)) {
    k.splitLeaves(nullptr, dst, n, split, spec->twiddleBlock, scale, false, &pre, true);
    Columns<true>(k, spec, dst, n, 0, work);
    return true;
  }
  return false;
}

bool fbFftRealInvFused(const fbFftSpec* spec, const Ipp64f* pSpectrum, const Ipp64f* pEdges,
                       Ipp64f* pDst, int n, Ipp64f* pWork) {
  const fft::RealPre pre{pSpectrum, spec->realInvTwiddles, int64_t{1} << n, pEdges};
  return fft::RunRealInverse(fft::VectorKernels(), spec, pre, pDst, n, pWork, false);
}

void fbFftComplexFwd(const fbFftSpec* spec, const Ipp64f* pSrc, Ipp64f* pDst, int n,
                     Ipp64f* pWork) {
  fft::RunComplex(fft::VectorKernels(), spec, pSrc, pDst, n, pWork, false);
}
void fbFftComplexInv(const fbFftSpec* spec, const Ipp64f* pSrc, Ipp64f* pDst, int n,
                     Ipp64f* pWork) {
  fft::RunComplex(fft::VectorKernels(), spec, pSrc, pDst, n, pWork, true);
}

void fbFftRadix2PassesFwd(Ipp64f* pData, int64_t N, int64_t L0, const Ipp64f* table) {
  fft::Radix2Passes<false>(fft::VectorKernels(), pData, N, L0, table);
}
void fbFftRadix2PassesInv(Ipp64f* pData, int64_t N, int64_t L0, const Ipp64f* table) {
  fft::Radix2Passes<true>(fft::VectorKernels(), pData, N, L0, table);
}

}  // namespace builtin
