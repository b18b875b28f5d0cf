// The FFT setup: the prepared, read-only state of a radix-2 transform of N = 2^order
// float64 points (complex) or samples (real), its creation and release, the size of the work
// buffer a transform call needs, every table the transforms read, and a few small complex
// vector helpers that the FFT users share.
//
// A setup is one fbFftSpec record plus up to four aligned blocks: the bit-reversal swap
// list, the twiddle block (for large orders the whole plan: leaf tables first, then the tables
// of each split level, deepest first) and, for the real kind, the two real-FFT tables. A real
// setup of order n carries the swap list, twiddle block and work size of a complex
// transform of order n - 1. Orders 0..3 carry no tables at all (small-order codelets run them).
//
// Every trigonometric value comes from one quarter-wave sine table whose arguments never exceed
// pi/4; a complex factor of angle 2*pi*e/N is stored as (cos, -sin), the forward transform's
// w^e with w = exp(-2*pi*j/N). Table sizes are computed in 64 bits; a block that cannot be had
// is an allocation failure (-9), never a smaller block.
//
// Checks of InitAlloc: ppSpec null -8, order outside 0..30 -15 (nothing allocated), then the
// record is allocated (-9) and only then the flag is decoded (-16, record released). On any
// failure *ppSpec is unchanged and nothing stays allocated. Free and the buffer queries: null
// -8 (the queries test pSize before pSpec), wrong kind tag -17; nothing changes on failure.
#pragma once

#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin {

// Kind tags of a live setup; a released one carries 0.
enum : int32_t { kFftKindComplex = 7, kFftKindReal = 9 };

// The record. Field order and meaning are fixed: the transform front ends read them directly.
struct fbFftSpec {
  int32_t kindTag;        // 7 complex, 9 real, 0 released
  int32_t order;          // n, 0..30: N = 2^n complex points (complex) or real samples (real)
  int32_t forwardScaled;  // 1 when forward transforms multiply by scaleFactor
  int32_t inverseScaled;  // 1 when inverse transforms multiply by scaleFactor
  double scaleFactor;     // 1/N or 1/sqrt(N); 0.0 when neither direction is scaled
  int32_t hint;           // stored unchanged, read by nothing
  int32_t workBytes;      // work memory one transform call needs (0: none)
  int32_t ownsMemory;     // 1: the record and its tables were allocated by InitAlloc
  int32_t* bitRevTable;   // swap list of the transform order; null for order <= 3
  double* twiddleBlock;   // order <= 9: radix-4 table (and its last-pass copy); >= 10: the whole
                          // plan, leaf table first
  double* blockTwiddles;  // blocked leaf (transform orders 10, 11): its block-twiddle table
  double* realFwdTwiddles;  // real kind: post-processing table of the forward transform
  double* realInvTwiddles;  // real kind: pre-processing table of the inverse transform
  double* levelRadix4[3];   // split levels 0..2: radix-4 table of the level's K-point transforms
  double* levelColumns[3];  // split levels 0..2: column-twiddle table of the level
};

}  // namespace builtin

// The opaque IPP types are the record itself.
struct IppsFFTSpec_C_64fc : builtin::fbFftSpec {};
struct IppsFFTSpec_R_64f : builtin::fbFftSpec {};

namespace builtin {

// ---- Creation, release, work-size queries --------------------------------------------------

// flag: 8 no scaling; 4 both directions by 1/sqrt(N); 1 forward by 1/N; 2 inverse by 1/N.
IppStatus ippsFFTInitAlloc_C_64fc(IppsFFTSpec_C_64fc** ppSpec, int order, int flag,
                                  IppHintAlgorithm hint);
IppStatus ippsFFTInitAlloc_R_64f(IppsFFTSpec_R_64f** ppSpec, int order, int flag,
                                 IppHintAlgorithm hint);
IppStatus ippsFFTFree_C_64fc(IppsFFTSpec_C_64fc* pSpec);
IppStatus ippsFFTFree_R_64f(IppsFFTSpec_R_64f* pSpec);

// Sets the kind tag to 0 and, when the record owns its memory, frees the tables that are set and
// then the record. Null is ignored.
void fbFftSpecRelease(fbFftSpec* spec);

// *pSize = work bytes + 16 (room to align a caller's buffer to 16 bytes), or 0 when the
// transforms need no work memory.
IppStatus fbFftGetBufSizeC(const IppsFFTSpec_C_64fc* pSpec, int* pSize);
IppStatus fbFftGetBufSizeR(const IppsFFTSpec_R_64f* pSpec, int* pSize);

// The work buffer of one transform call: when the setup needs none, *ppWork is null;
// otherwise a caller's pBuffer is used from its first 16-byte boundary, or, without one, work
// bytes are allocated with fbAlignedAlloc8 and returned in *ppAllocated too (-9 when that
// fails); the caller releases *ppAllocated with fbAlignedFree (null is ignored).
IppStatus fbFftTakeWork(const fbFftSpec* spec, Ipp8u* pBuffer, double** ppWork,
                        void** ppAllocated);

// ---- Tables --------------------------------------------------------------------------------

// Split exponent k of a large transform order (0 for orders 0..11 and 31).
int32_t fbFftSplitExponent(int order);

// Bytes of the bit-reversal swap list of a transform order (>= 2) and of the quarter-wave sine
// table of an order (>= 2).
int64_t fbFftBitRevBytes(int order);
int64_t fbFftSinTableBytes(int order);

// Quarter-wave sine table of order s: t[i] = sin(2*pi*i/S), i = 0..S/4.
void fbFftSinTable(int order, double* table);

// The factor (cos, -sin) of angle 2*pi*e/N, N = 2^order, 0 <= e < N, read from a sine table of
// order sinOrder >= order.
Ipp64fc fbFftQuarterWave(const double* sinTable, int sinOrder, int order, int64_t e);

// Swap list of the bit-reversal permutation of a transform order n >= 2 (N/4 + 1 entries):
// pairs (4i, 4r), 0, self-reversed values 4i from the top down, 0.
void fbFftBitRevTable(int order, int32_t* table);

// Radix-4 table of a transform order: N/4 + 1 entries of w^i, w^2i, w^3i (six float64 each).
// Returns the first 16-byte boundary after it.
double* fbFftRadix4Twiddles(int order, const double* sinTable, int sinOrder, double* out);
// The factors of the radix-4 kernel's last pass (span N/4) of a transform order 4..9 in groups
// of four columns, prepared for vector products: for q0 = 0, 4, ..., N/4 - 4 and each of the
// factors w^q, w^2q, w^3q of q = q0..q0+3 (the table's entries q0..q0+3), the four pairs
// (re, re), then the four pairs (-im, im): 48 float64 per group, read in order by a vector
// pass with four columns in its lanes. The twiddle block of such an order holds this copy from
// the first 64-byte boundary after the radix-4 table; fbFftRadix4BlockBytes is the size of
// the whole block (orders 2..9).
void fbFftLastPassCopy(int order, const double* radix4Table, double* out);
double* fbFftLastPassFactors(double* twiddleBlock, int order);
int64_t fbFftRadix4BlockBytes(int order);
// The table block of a blocked transform (orders 10, 11) holds, from the first 64-byte boundary
// after its block-twiddle table (N/4 factors), the same copy for its 512-point leaf.
double* fbFftBlockedLeafFactors(double* blockTwiddles, int order);
// Block-twiddle table: N/4 factors w^k. Returns the first 16-byte boundary after it.
double* fbFftBlockTwiddles(int order, const double* sinTable, int sinOrder, double* out);

// Memory plan of a transform order >= 10: T bytes of the one table block, S bytes of temporary
// memory during creation, W the largest level's work bytes.
struct FftSplitPlan {
  int64_t tableBytes;
  int64_t tempBytes;
  int64_t workBytes;
};
FftSplitPlan fbFftSplitPlan(int order);

// Lays out every table of a transform order >= 10 in block (plan size T, temp of size S), stores
// the table pointers of levels depth.. in the record and sets its work bytes. Returns the end of
// what was built.
double* fbFftSplitTables(fbFftSpec* spec, int order, const double* sinTable, int sinOrder,
                         double* block, void* temp, int depth = 0);

// Builds the swap list and the twiddle block of a transform order (>= 2) into the record and
// sets work bytes; 0 or -9 (the caller releases the record).
IppStatus fbFftInitTables(fbFftSpec* spec, int order, const double* sinTable, int sinOrder);

// Real-FFT tables of a real order n (sine table of order n, stride 1), N/4 pairs each:
// forward (0.5*cos, 0.5 - 0.5*sin)(2*pi*i/N), inverse (cos, -sin)(2*pi*i/N).
void fbRealFftTwiddles(int order, const double* sinTable, double* out);
void fbRealFftTwiddlesInv(int order, const double* sinTable, double* out);

// ---- Complex vector helpers (null -8, then len <= 0 -6) --------------------------------------

IppStatus fbCopy64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len);
IppStatus fbConj64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len);
IppStatus fbConj64fcI(Ipp64fc* pSrcDst, int len);

}  // namespace builtin
