// The pass interface between the FFT engine (FftEngine.cpp) and its vector passes
// (FftEngine*Hwy.cpp, their shared parts in FftEngineHwy-inl.h), open to the tests.
//
// Each pass exists as a plain reference here and, per instruction set, as a vector version that
// performs the same float64 operations on each complex value in the same order, so the two give
// the same bits. A null entry in a kernel table means the plain pass runs.
#pragma once

#include <cstdint>

#include "primitives/signal/FftSetup.h"

namespace builtin::fft {

// From this length on the plain permutations work in tiles instead of through the swap list.
inline constexpr int64_t kBitRevTilesFrom = 4096;

// The permutations in 4 x 4 tiles walk mid = 0, 1, ... over the n - 4 middle bits of an index
// and keep its reversal rm by a reversed counter: this is rm of mid + 1 from rm of mid.
inline int64_t NextReversedMid(int64_t rm, int64_t mids) {
  int64_t e = mids / 2;
  while (e <= rm) {
    rm -= e;
    e /= 2;
  }
  return rm + e;
}

// The inverse real transform's pre-processing (fbRealFftPre) as the source of a complex inverse
// transform of h points: the spectrum's bins k = 1..h-1 at 2k, 2k+1, the real setup's
// pre-processing factors, and the values z'_0..z'_3 and z'_(h/2)..z'_(h/2+3) (16 float64).
struct RealPre {
  const double* spectrum;
  const double* twiddles;
  int64_t h;
  const double* edges;
};

struct Kernels {
  // First radix-4 pass on groups of four consecutive values.
  void (*firstPass)(double* d, int64_t N, bool inverse);
  // The first pass and the radix-2 pass of odd orders in one sweep over groups of eight.
  void (*firstPassOdd)(double* d, int64_t N, double v, bool inverse);
  // One radix-4 pass of span L (4L <= N) over total values: total / N consecutive transforms of
  // N points each (the passes that take no N treat total values likewise).
  void (*radix4Pass)(double* d, int64_t N, int64_t total, int64_t L, const double* table,
                     bool inverse);
  // 64 positions k0.. of one radix-2 combining pass of span L over every pair of blocks.
  void (*radix2Chunk)(double* d, int64_t N, int64_t L, int64_t k0, const double* table,
                      bool inverse);
  // Multiplies whole vectors of values from the start; returns how many it did.
  int64_t (*scale)(double factor, double* d, int64_t count);
  // The bit-reversal permutation of 2^n complex values, n >= 4, in 4 x 4 tiles: copying into
  // a distinct vector, and in place.
  void (*bitRevCopy)(const double* s, double* d, int n);
  void (*bitRevInPlace)(double* d, int n);

  // Fused transforms: the permutation and the passes above in fewer sweeps over the data,
  // each value going through the same operations. src is the natural-order source, or, when
  // permuted, dst itself already bit-reversed in place. scale, when not null, points at the
  // factor every result is multiplied by.
  // With `pre` not null, the inverse transforms take their values from the real
  // pre-processing instead of src (which they ignore; dst must not overlap the spectrum).
  // The transform of order n = 4..9 (radix-4 table of order n and its last-pass copy); src
  // may be dst, not permuted.
  void (*radix4Whole)(const double* src, double* dst, int n, const double* table,
                      const double* lastPass, const double* scale, const RealPre* pre,
                      bool inverse);
  // The leaves of a split level at depth 0 of order n = k + m, m = 8 or 9 (order-m table),
  // each scaled.
  void (*splitLeaves)(const double* src, double* dst, int n, int k, const double* table,
                      const double* scale, bool permuted, const RealPre* pre, bool inverse);
  // The column pass of a split level (K = 2^k rows of 2^(n-k) transformed values), with the
  // level's column and radix-4 tables and the work buffer (64 K bytes).
  void (*splitColumns)(double* d, int n, int k, const double* columns, const double* radix4,
                       double* work, bool inverse);
  // The blocked transform of order n = 10 or 11 (leaf table, for 10 the leaf's last-pass copy,
  // block-twiddle table), each leaf scaled; src may be dst, not permuted.
  void (*blocked)(const double* src, double* dst, int n, const double* leafTable,
                  const double* leafLast, const double* blockTable, const double* scale,
                  const RealPre* pre, bool inverse);
};

// The vector passes of the running processor's instruction set, and a table of none.
const Kernels& VectorKernels();
const Kernels& PlainKernels();

// The radix-4 kernel and the large transform on a given kernel table (the tests compare tables).
void RunRadix4(const Kernels& k, double* d, int64_t N, const double* table, bool inverse);
void RunLarge(const Kernels& k, const fbFftSpec* spec, double* d, int n, double* work,
              bool inverse);
// The permutations, and the whole transform of order n >= 4 from src into dst (src may be
// dst) as the front ends run it, on a given kernel table.
void BitRevCopy(const Kernels& k, const double* s, double* d, int64_t N, const int32_t* swapTable);
void BitRevInPlace(const Kernels& k, double* d, int64_t N, const int32_t* swapTable);
void RunComplex(const Kernels& k, const fbFftSpec* spec, const double* src, double* dst, int n,
                double* work, bool inverse);
// The inverse complex transform of order n with its values from the real pre-processing, where
// the kernel table fuses them (orders 4..18); false, having done nothing, otherwise. spec is the
// real setup (its tables are those of order n). Without `all`, only where the fusion pays:
// the split levels from order 13 on, whose transform in place needs a permutation sweep of its
// own; below, the pre-processing's pairs of bins and the batches in a buffer on the stack are
// faster.
bool RunRealInverse(const Kernels& k, const fbFftSpec* spec, const RealPre& pre, double* dst,
                    int n, double* work, bool all);

// The plain passes.
template <bool kInv>
void PlainFirstPass(double* d, int64_t N);
template <bool kInv>
void PlainRadix2Pass8(double* d, int64_t N, double v);
template <bool kInv>
void PlainRadix4Pass(double* d, int64_t N, int64_t total, int64_t L, const double* table);
template <bool kInv>
void PlainRadix2Chunk(double* d, int64_t N, int64_t L, int64_t k0, const double* table);
void PlainScale(double factor, double* d, int64_t count);
template <bool kInv>
void PlainGatherColumns(const double* d, int64_t M, int64_t K, int64_t q0, const double* columns,
                        double* rows);
void PlainScatterColumns(double* d, int64_t M, int64_t K, int64_t q0, const double* rows);
void PlainBitRevCopy(const double* s, double* d, int n);

}  // namespace builtin::fft
