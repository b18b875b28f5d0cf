#include "primitives/signal/FftSetup.h"

#include <algorithm>
#include <cstring>

#include "primitives/signal/FftEngine.h"
#include "primitives/signal/FillCopy.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

// Split exponent of each order: K = 2^k sub-transforms of 2^(n-k) points at the top level.
constexpr int32_t kSplit[32] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 0..11: no split
                                4, 5, 6, 7, 7, 8, 9, 9, 9, 8, 8,     // 12..22
                                9, 9, 9, 9, 9, 9, 9, 9,              // 23..30
                                0};                                  // 31

// The blocked leaf keeps an order-9 radix-4 table: 513 entries of 16 bytes are reserved for it.
constexpr int64_t kBlockedLeafReserve = 513 * 16;

constexpr int64_t Pow2(int n) { return int64_t{1} << n; }

double* AlignUp16(double* p) {
  const auto a = reinterpret_cast<std::uintptr_t>(p);
  return reinterpret_cast<double*>((a + 15) & ~std::uintptr_t{15});
}

// Plan of the blocked transform of order 10 or 11: its order-9 leaf table and its N/4 factors.
FftSplitPlan BlockedPlan(int order) {
  return {(Pow2(order) / 4) * 16 + kBlockedLeafReserve, 0, 0};
}

IppStatus CheckKind(const fbFftSpec* spec, int32_t kind) {
  if (!spec) return ippStsNullPtrErr;
  return spec->kindTag == kind ? ippStsNoErr : ippStsContextMatchErr;
}

// Builds the order-n column-twiddle table of one split level (K = 2^k rows, M = 2^m columns) at
// out: for each group of four columns and each row position p, the four factors W^(r(p)*q).
void ColumnTwiddles(int n, int k, const double* sinTable, int sinOrder, double* out, void* temp) {
  const int64_t K = Pow2(k), M = Pow2(n - k);
  auto* rows = static_cast<double*>(temp);  // four rows of K complex factors
  auto* swap = reinterpret_cast<int32_t*>(rows + 8 * K);
  fbFftBitRevTable(k, swap);
  for (int64_t q0 = 0; q0 < M; q0 += 4) {
    for (int c = 0; c < 4; ++c) {
      double* row = rows + 2 * K * c;
      for (int64_t p = 0; p < K; ++p) {
        const Ipp64fc w = fbFftQuarterWave(sinTable, sinOrder, n, p * (q0 + c));
        row[2 * p] = w.re;
        row[2 * p + 1] = w.im;
      }
      fbFftBitRevInPlace(row, K, swap);
    }
    for (int64_t p = 0; p < K; ++p)
      for (int c = 0; c < 4; ++c) {
        *out++ = rows[2 * K * c + 2 * p];
        *out++ = rows[2 * K * c + 2 * p + 1];
      }
  }
}

template <class Opaque>
IppStatus InitAlloc(Opaque** ppSpec, int order, int flag, IppHintAlgorithm hint, int32_t kind) {
  if (!ppSpec) return ippStsNullPtrErr;
  if (order < 0 || order > 30) return ippStsFftOrderErr;
  auto* spec = static_cast<Opaque*>(fbAlignedAlloc8(int64_t{sizeof(Opaque)}));
  if (!spec) return ippStsMemAllocErr;
  ippsZero_8u(reinterpret_cast<Ipp8u*>(spec), static_cast<int>(sizeof(Opaque)));
  spec->kindTag = kind;
  spec->order = order;
  spec->hint = hint;
  spec->ownsMemory = 1;
  const double n = static_cast<double>(Pow2(order));
  switch (flag) {
    case IPP_FFT_NODIV_BY_ANY: break;
    case IPP_FFT_DIV_BY_SQRTN:
      spec->forwardScaled = spec->inverseScaled = 1;
      spec->scaleFactor = 1.0 / LibCSqrt(n);
      break;
    case IPP_FFT_DIV_FWD_BY_N:
      spec->forwardScaled = 1;
      spec->scaleFactor = 1.0 / n;
      break;
    case IPP_FFT_DIV_INV_BY_N:
      spec->inverseScaled = 1;
      spec->scaleFactor = 1.0 / n;
      break;
    default: fbFftSpecRelease(spec); return ippStsFftFlagErr;
  }
  if (order <= 3) {  // the small-order codelets need no tables
    *ppSpec = spec;
    return ippStsNoErr;
  }
  auto* sinTable = static_cast<double*>(fbAlignedAlloc8(fbFftSinTableBytes(order)));
  if (!sinTable) {
    fbFftSpecRelease(spec);
    return ippStsMemAllocErr;
  }
  fbFftSinTable(order, sinTable);
  IppStatus status = ippStsNoErr;
  if (kind == kFftKindComplex) {
    status = fbFftInitTables(spec, order, sinTable, order);
  } else {
    status = fbFftInitTables(spec, order - 1, sinTable, order);
    const int64_t realBytes = (Pow2(order) / 4) * 16;
    if (status == ippStsNoErr) {
      spec->realFwdTwiddles = static_cast<double*>(fbAlignedAlloc8(realBytes));
      if (spec->realFwdTwiddles) fbRealFftTwiddles(order, sinTable, spec->realFwdTwiddles);
      else status = ippStsMemAllocErr;
    }
    if (status == ippStsNoErr) {
      spec->realInvTwiddles = static_cast<double*>(fbAlignedAlloc8(realBytes));
      if (spec->realInvTwiddles) fbRealFftTwiddlesInv(order, sinTable, spec->realInvTwiddles);
      else status = ippStsMemAllocErr;
    }
  }
  fbAlignedFree(sinTable);
  if (status != ippStsNoErr) {
    fbFftSpecRelease(spec);
    return status;
  }
  *ppSpec = spec;
  return ippStsNoErr;
}

template <class Opaque>
IppStatus GetBufSize(const Opaque* pSpec, int* pSize, int32_t kind) {
  if (!pSize || !pSpec) return ippStsNullPtrErr;
  if (pSpec->kindTag != kind) return ippStsContextMatchErr;
  *pSize = pSpec->workBytes > 0 ? pSpec->workBytes + 16 : 0;
  return ippStsNoErr;
}

}  // namespace

// ---- Creation, release, queries ------------------------------------------------------------

IppStatus ippsFFTInitAlloc_C_64fc(IppsFFTSpec_C_64fc** ppSpec, int order, int flag,
                                  IppHintAlgorithm hint) {
  return InitAlloc(ppSpec, order, flag, hint, kFftKindComplex);
}

IppStatus ippsFFTInitAlloc_R_64f(IppsFFTSpec_R_64f** ppSpec, int order, int flag,
                                 IppHintAlgorithm hint) {
  return InitAlloc(ppSpec, order, flag, hint, kFftKindReal);
}

IppStatus ippsFFTFree_C_64fc(IppsFFTSpec_C_64fc* pSpec) {
  if (IppStatus st = CheckKind(pSpec, kFftKindComplex)) return st;
  fbFftSpecRelease(pSpec);
  return ippStsNoErr;
}

IppStatus ippsFFTFree_R_64f(IppsFFTSpec_R_64f* pSpec) {
  if (IppStatus st = CheckKind(pSpec, kFftKindReal)) return st;
  fbFftSpecRelease(pSpec);
  return ippStsNoErr;
}

void fbFftSpecRelease(fbFftSpec* spec) {
  if (!spec) return;
  spec->kindTag = 0;
  if (spec->ownsMemory != 1) return;
  fbAlignedFree(spec->bitRevTable);
  fbAlignedFree(spec->twiddleBlock);
  fbAlignedFree(spec->realFwdTwiddles);
  fbAlignedFree(spec->realInvTwiddles);
  fbAlignedFree(spec);
}

IppStatus fbFftGetBufSizeC(const IppsFFTSpec_C_64fc* pSpec, int* pSize) {
  return GetBufSize(pSpec, pSize, kFftKindComplex);
}

IppStatus fbFftGetBufSizeR(const IppsFFTSpec_R_64f* pSpec, int* pSize) {
  return GetBufSize(pSpec, pSize, kFftKindReal);
}

IppStatus fbFftTakeWork(const fbFftSpec* spec, Ipp8u* pBuffer, double** ppWork,
                        void** ppAllocated) {
  *ppWork = nullptr;
  *ppAllocated = nullptr;
  if (spec->workBytes <= 0) return ippStsNoErr;
  if (pBuffer) {
    const auto a = reinterpret_cast<std::uintptr_t>(pBuffer);
    *ppWork = reinterpret_cast<double*>((a + 15) & ~std::uintptr_t{15});
    return ippStsNoErr;
  }
  void* block = fbAlignedAlloc8(spec->workBytes);
  if (!block) return ippStsMemAllocErr;
  *ppAllocated = block;
  *ppWork = static_cast<double*>(block);
  return ippStsNoErr;
}

// ---- Tables --------------------------------------------------------------------------------

int32_t fbFftSplitExponent(int order) { return order >= 0 && order < 32 ? kSplit[order] : 0; }

int64_t fbFftBitRevBytes(int order) { return ((Pow2(order) / 4) * 4 + 19) & ~int64_t{15}; }

int64_t fbFftSinTableBytes(int order) { return ((Pow2(order) / 4) * 8 + 23) & ~int64_t{15}; }

void fbFftSinTable(int order, double* table) {
  const int64_t S = Pow2(order);
  const double step = 6.283185307179586 / static_cast<double>(S);
  for (int64_t i = 0; i <= S / 4; ++i) {
    if (i <= S / 8) {
      const double arg = static_cast<double>(i) * step;
      table[i] = LibCSin(arg);
    } else {
      const double arg = static_cast<double>(S / 4 - i) * step;
      table[i] = LibCCos(arg);
    }
  }
}

Ipp64fc fbFftQuarterWave(const double* t, int sinOrder, int order, int64_t e) {
  const int64_t N = Pow2(order), f = Pow2(sinOrder - order);
  if (e <= N / 4) return {t[(N / 4 - e) * f], -t[e * f]};
  if (e <= N / 2) return {-t[(e - N / 4) * f], -t[(N / 2 - e) * f]};
  if (e <= 3 * N / 4) return {-t[(3 * N / 4 - e) * f], t[(e - N / 2) * f]};
  return {t[(e - 3 * N / 4) * f], t[(N - e) * f]};
}

void fbFftBitRevTable(int order, int32_t* table) {
  if (order < 2) return;
  const int64_t M = Pow2(order) / 4;
  int64_t r = 0, low = 0, high = M - 1;
  for (int64_t i = 1; i < M; ++i) {
    int64_t e = M / 2;
    while (e <= r) {
      r -= e;
      e /= 2;
    }
    r += e;
    if (i < r) {
      table[low++] = static_cast<int32_t>(4 * i);
      table[low++] = static_cast<int32_t>(4 * r);
    } else if (i == r) {
      table[high--] = static_cast<int32_t>(4 * i);
    }
  }
  table[low] = 0;
  table[M] = 0;
}

double* fbFftRadix4Twiddles(int order, const double* sinTable, int sinOrder, double* out) {
  const int64_t quarter = Pow2(order) / 4;
  for (int64_t i = 0; i <= quarter; ++i)
    for (int64_t j = 1; j <= 3; ++j) {
      const Ipp64fc w = fbFftQuarterWave(sinTable, sinOrder, order, j * i);
      *out++ = w.re;
      *out++ = w.im;
    }
  return AlignUp16(out);
}

namespace {
// Float64 values of the radix-4 table of an order.
int64_t Radix4TableValues(int order) { return 6 * (Pow2(order) / 4 + 1); }
}  // namespace

void fbFftLastPassCopy(int order, const double* table, double* out) {
  const int64_t quarter = Pow2(order) / 4;
  for (int64_t q0 = 0; q0 + 4 <= quarter; q0 += 4)
    for (int64_t j = 0; j < 3; ++j) {
      for (int64_t q = q0; q < q0 + 4; ++q) {
        *out++ = table[6 * q + 2 * j];
        *out++ = table[6 * q + 2 * j];
      }
      for (int64_t q = q0; q < q0 + 4; ++q) {
        *out++ = -table[6 * q + 2 * j + 1];
        *out++ = table[6 * q + 2 * j + 1];
      }
    }
}

double* fbFftLastPassFactors(double* twiddleBlock, int order) {
  const auto a = reinterpret_cast<std::uintptr_t>(twiddleBlock + Radix4TableValues(order));
  return reinterpret_cast<double*>((a + 63) & ~std::uintptr_t{63});
}

double* fbFftBlockedLeafFactors(double* blockTwiddles, int order) {
  const auto a = reinterpret_cast<std::uintptr_t>(blockTwiddles + Pow2(order) / 2);
  return reinterpret_cast<double*>((a + 63) & ~std::uintptr_t{63});
}

int64_t fbFftRadix4BlockBytes(int order) {
  // The table, up to 56 bytes to the boundary, the copy (four float64 per factor).
  return 8 * Radix4TableValues(order) + 56 + (Pow2(order) / 4) * 96;
}

double* fbFftBlockTwiddles(int order, const double* sinTable, int sinOrder, double* out) {
  const int64_t quarter = Pow2(order) / 4, f = Pow2(sinOrder - order);
  for (int64_t k = 0; k < quarter; ++k) {
    *out++ = sinTable[(quarter - k) * f];
    *out++ = -sinTable[k * f];
  }
  return AlignUp16(out);
}

FftSplitPlan fbFftSplitPlan(int order) {
  const int k = fbFftSplitExponent(order);
  if (k == 0) return BlockedPlan(order);
  const int m = order - k;
  FftSplitPlan plan{};
  if (m >= 10 && kSplit[m] != 0) plan = fbFftSplitPlan(m);
  else if (m >= 10) plan = BlockedPlan(m);
  else plan = {(Pow2(m) + 1) * 16, 0, 0};
  const int64_t K = Pow2(k);
  plan.tableBytes += (Pow2(order) + K + 1) * 16;
  plan.tempBytes += (((K / 4) * 4 + 19) & ~int64_t{15}) + 64 * K;
  plan.workBytes = std::max(plan.workBytes, 64 * K);
  return plan;
}

double* fbFftSplitTables(fbFftSpec* spec, int order, const double* sinTable, int sinOrder,
                         double* block, void* temp, int depth) {
  const int k = fbFftSplitExponent(order);
  if (k == 0) {  // blocked transform: 512-point leaf table, then the N/4 combining factors
    spec->twiddleBlock = block;
    double* end = fbFftRadix4Twiddles(9, sinTable, sinOrder, block);
    spec->blockTwiddles = end;
    return fbFftBlockTwiddles(order, sinTable, sinOrder, end);
  }
  const int m = order - k;
  double* end = nullptr;
  if (m <= 9) {
    spec->twiddleBlock = block;
    end = fbFftRadix4Twiddles(m, sinTable, sinOrder, block);
  } else {
    end = fbFftSplitTables(spec, m, sinTable, sinOrder, block, temp, depth + 1);
  }
  spec->levelRadix4[depth] = end;
  end = fbFftRadix4Twiddles(k, sinTable, sinOrder, end);
  spec->levelColumns[depth] = end;
  ColumnTwiddles(order, k, sinTable, sinOrder, end, temp);
  spec->workBytes = std::max(spec->workBytes, static_cast<int32_t>(64 * Pow2(k)));
  return end + 2 * Pow2(order);
}

IppStatus fbFftInitTables(fbFftSpec* spec, int order, const double* sinTable, int sinOrder) {
  spec->bitRevTable = static_cast<int32_t*>(fbAlignedAlloc8(fbFftBitRevBytes(order)));
  if (!spec->bitRevTable) return ippStsMemAllocErr;
  fbFftBitRevTable(order, spec->bitRevTable);
  if (order <= 9) {
    spec->twiddleBlock = static_cast<double*>(fbAlignedAlloc8(fbFftRadix4BlockBytes(order)));
    if (!spec->twiddleBlock) return ippStsMemAllocErr;
    fbFftRadix4Twiddles(order, sinTable, sinOrder, spec->twiddleBlock);
    fbFftLastPassCopy(order, spec->twiddleBlock,
                      fbFftLastPassFactors(spec->twiddleBlock, order));
    spec->workBytes = 0;
    return ippStsNoErr;
  }
  const FftSplitPlan plan = fbFftSplitPlan(order);
  // A blocked transform (orders 10, 11) keeps its leaf's last-pass copy after the plan's tables.
  const bool blocked = fbFftSplitExponent(order) == 0;
  const int64_t extra = blocked ? 56 + (Pow2(9) / 4) * 96 : 0;
  auto* block = static_cast<double*>(fbAlignedAlloc8(plan.tableBytes + extra));
  if (!block) return ippStsMemAllocErr;
  void* temp = nullptr;
  if (plan.tempBytes > 0) {
    temp = fbAlignedAlloc8(plan.tempBytes);
    if (!temp) {
      fbAlignedFree(block);
      return ippStsMemAllocErr;
    }
  }
  fbFftSplitTables(spec, order, sinTable, sinOrder, block, temp);
  fbAlignedFree(temp);
  if (blocked)
    fbFftLastPassCopy(9, spec->twiddleBlock, fbFftBlockedLeafFactors(spec->blockTwiddles, order));
  return ippStsNoErr;
}

void fbRealFftTwiddles(int order, const double* t, double* out) {
  const int64_t quarter = Pow2(order) / 4;
  for (int64_t i = 0; i < quarter; ++i) {
    out[2 * i] = 0.5 * t[quarter - i];
    out[2 * i + 1] = 0.5 - 0.5 * t[i];
  }
}

void fbRealFftTwiddlesInv(int order, const double* t, double* out) {
  const int64_t quarter = Pow2(order) / 4;
  for (int64_t i = 0; i < quarter; ++i) {
    out[2 * i] = t[quarter - i];
    out[2 * i + 1] = -t[i];
  }
}

// ---- Complex vector helpers ----------------------------------------------------------------

IppStatus fbCopy64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  // The byte count is 64-bit: 16 * len exceeds the int32 range from len = 2^27 on.
  fbCopyBytes(pSrc, pDst, int64_t{16} * len);
  return ippStsNoErr;
}

IppStatus fbConj64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  const auto* s = reinterpret_cast<const unsigned char*>(pSrc);
  auto* d = reinterpret_cast<unsigned char*>(pDst);
  for (int64_t i = 0; i < len; ++i) {
    double re, im;
    std::memcpy(&re, s + 16 * i, 8);
    std::memcpy(&im, s + 16 * i + 8, 8);
    im = -im;
    std::memcpy(d + 16 * i, &re, 8);
    std::memcpy(d + 16 * i + 8, &im, 8);
  }
  return ippStsNoErr;
}

IppStatus fbConj64fcI(Ipp64fc* pSrcDst, int len) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  auto* d = reinterpret_cast<unsigned char*>(pSrcDst);
  for (int64_t i = 0; i < len; ++i) {
    double im;
    std::memcpy(&im, d + 16 * i + 8, 8);
    im = -im;
    std::memcpy(d + 16 * i + 8, &im, 8);
  }
  return ippStsNoErr;
}

}  // namespace builtin
