// FIR filter: see Fir.h. The state record opens its block; the taps, the delay buffer, the tap
// spectrum, the transform's work buffer and the overlap-save block follow at 16-byte
// boundaries.
#include "primitives/signal/Fir.h"

#include <cstddef>
#include <cstdint>

#include "primitives/signal/FftSetup.h"
#include "primitives/signal/FftTransforms.h"
#include "primitives/signal/FillCopy.h"
#include "primitives/support/Support.h"
#include "primitives/support/SupportElements.h"

namespace builtin {
namespace {

using ld = long double;

struct FirRecord {
  std::uint32_t tag;
  Ipp64f* taps;   // taps[i] = h[n-1-i]
  Ipp64f* delay;  // 3n + 4 values; the first n are the n most recent inputs, oldest first
  std::int32_t tapsLen;
  std::int32_t directBlock;    // n rounded up to a multiple of 4, plus 1
  IppsFFTSpec_R_64f* fftSpec;  // null below 32 taps
  Ipp64f* fftTaps;             // Perm spectrum of h zero-padded to fftLen; null below 32 taps
  std::int32_t fftLen;         // -1 below 32 taps
  Ipp64f* fftBlock;            // one overlap-save block of fftLen values
  Ipp8u* fftWork;              // the transform's work buffer, null when it needs none
  std::int32_t ownsMemory;
};

thread_local std::int64_t tForwardTransforms = 0;

constexpr std::int64_t RoundUp16(std::int64_t bytes) { return (bytes + 15) & ~std::int64_t{15}; }

FirRecord* Record(IppsFIRState_64f* state) { return reinterpret_cast<FirRecord*>(state); }

bool KnownKind(std::uint32_t tag) { return tag == kFirStateTag64f || tag == kFirStateTagSecond; }

// Outputs y[first .. first+count-1] into dst, the window of output k being the n values
// window(k - first + i), i = 0 .. n-1, oldest first. Four outputs share each tap load; every
// sum starts from 0.0 and adds the products in increasing i.
template <class Window>
void SumOutputs(const Ipp64f* taps, std::int64_t n, Window window, std::uint8_t* dst,
                std::int64_t first, std::int64_t count) {
  std::int64_t k = 0;
  for (; k + 4 <= count; k += 4) {
    ld s0 = 0.0L, s1 = 0.0L, s2 = 0.0L, s3 = 0.0L;
    for (std::int64_t i = 0; i < n; ++i) {
      const ld t = taps[i];
      s0 += t * window(k + i);
      s1 += t * window(k + 1 + i);
      s2 += t * window(k + 2 + i);
      s3 += t * window(k + 3 + i);
    }
    rows::Store<Ipp64f>(dst, first + k, static_cast<Ipp64f>(s0));
    rows::Store<Ipp64f>(dst, first + k + 1, static_cast<Ipp64f>(s1));
    rows::Store<Ipp64f>(dst, first + k + 2, static_cast<Ipp64f>(s2));
    rows::Store<Ipp64f>(dst, first + k + 3, static_cast<Ipp64f>(s3));
  }
  for (; k < count; ++k) {
    ld s = 0.0L;
    for (std::int64_t i = 0; i < n; ++i) s += static_cast<ld>(taps[i]) * window(k + i);
    rows::Store<Ipp64f>(dst, first + k, static_cast<Ipp64f>(s));
  }
}

void FilterDirect(const FirRecord& st, const Ipp64f* pSrc, Ipp64f* pDst, int numIters) {
  const std::int64_t n = st.tapsLen;
  const std::int64_t r = st.directBlock;
  const std::int64_t len = numIters;
  Ipp64f* delay = st.delay;
  const std::uint8_t* src = rows::Bytes(pSrc);
  std::uint8_t* dst = rows::Bytes(pDst);
  // Output k's window starts at delay[1 + k] once the inputs stand behind the n stored ones.
  const auto fromDelay = [delay](std::int64_t j) -> ld { return delay[1 + j]; };
  if (len <= r) {
    ippsCopy_64f(pSrc, delay + n, numIters);
    SumOutputs(st.taps, n, fromDelay, dst, 0, len);
    ippsMove_64f(delay + len, delay, st.tapsLen);
    return;
  }
  ippsCopy_64f(pSrc, delay + n, st.directBlock);
  SumOutputs(st.taps, n, fromDelay, dst, 0, r - 1);
  ippsCopy_64f(pSrc + (len - n), delay, st.tapsLen);
  // From output R-1 on the window of output k starts at pSrc[k - n + 1].
  const std::int64_t base = r - 1 - n + 1;
  const auto fromSource = [src, base](std::int64_t j) -> ld {
    return rows::Load<Ipp64f>(src, base + j);
  };
  SumOutputs(st.taps, n, fromSource, dst, r - 1, len - (r - 1));
}

// One overlap-save block: the N values at in (fftBlock itself, or the caller's input) are
// transformed into fftBlock, multiplied by the tap spectrum and transformed back; the block's
// outputs then stand from fftBlock[n - 1] on.
IppStatus ConvolveBlock(const FirRecord& st, const Ipp64f* in) {
  ++tForwardTransforms;
  IppStatus status = fbFftFwdRToPerm(in, st.fftBlock, st.fftSpec, st.fftWork);
  if (status < 0) return status;
  fbMulPerm(st.fftTaps, st.fftBlock, st.fftLen);
  return fbFftInvPermToR(st.fftBlock, st.fftBlock, st.fftSpec, st.fftWork);
}

// Overlap-save with N = fftLen and step S = N - (n - 1): every block puts the n - 1 inputs
// before its first output in front of the inputs whose outputs it delivers. Blocks continue
// until all numIters outputs are written, whatever the length of the last one.
IppStatus FilterFft(const FirRecord& st, const Ipp64f* pSrc, Ipp64f* pDst, int numIters) {
  const std::int64_t n = st.tapsLen;
  const std::int64_t big = st.fftLen;
  const std::int64_t step = big - (n - 1);
  const std::int64_t len = numIters;
  const int history = st.tapsLen - 1;
  Ipp64f* y = st.fftBlock;
  if (history > 0) ippsCopy_64f(st.delay + 1, y, history);
  if (len <= step) {
    ippsCopy_64f(pSrc, y + history, numIters);
    if (history + len < big) ippsZero_64f(y + history + len, static_cast<int>(big - history - len));
    ippsCopy_64f(y + (len - 1), st.delay, st.tapsLen);
    const IppStatus status = ConvolveBlock(st, y);
    if (status < 0) return status;
    ippsCopy_64f(y + history, pDst, numIters);
    return ippStsNoErr;
  }
  ippsCopy_64f(pSrc, y + history, static_cast<int>(step));
  IppStatus status = ConvolveBlock(st, y);
  if (status < 0) return status;
  ippsCopy_64f(y + history, pDst, static_cast<int>(step));
  ippsCopy_64f(pSrc + (len - n), st.delay, st.tapsLen);
  for (std::int64_t p = step; p < len;) {
    const std::int64_t left = len - p;
    const Ipp64f* in = pSrc + (p - history);
    std::int64_t outputs = step;
    if (left >= big) {
      status = ConvolveBlock(st, in);
    } else {
      const std::int64_t inputs = left + history < big ? left + history : big;
      ippsCopy_64f(in, y, static_cast<int>(inputs));
      if (inputs < big) ippsZero_64f(y + inputs, static_cast<int>(big - inputs));
      if (left < step) outputs = left;
      status = ConvolveBlock(st, y);
    }
    if (status < 0) return status;
    ippsCopy_64f(y + history, pDst + p, static_cast<int>(outputs));
    p += outputs;
  }
  return ippStsNoErr;
}

}  // namespace

std::int64_t fbFirForwardTransforms() { return tForwardTransforms; }

IppStatus fbFirInitState(IppsFIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen,
                         const Ipp64f* pDlyLine, std::uint32_t tag) {
  const std::int64_t n = tapsLen;

  // From 32 taps on: a real transform of N = 2^(e+1) > 2n samples, 2^e the first power of two
  // above n, inverse scaled by 1/N, and its work size.
  IppsFFTSpec_R_64f* spec = nullptr;
  std::int64_t fftLen = -1;
  int workBytes = 0;
  if (n >= 32) {
    int e = 2;
    while ((std::int64_t{1} << e) <= n) ++e;
    const IppStatus status =
        ippsFFTInitAlloc_R_64f(&spec, e + 1, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone);
    if (status != ippStsNoErr) return status;
    fbFftGetBufSizeR(spec, &workBytes);
    fftLen = std::int64_t{1} << (e + 1);
  }

  const std::int64_t recordBytes = RoundUp16(static_cast<std::int64_t>(sizeof(FirRecord)));
  const std::int64_t tapBytes = RoundUp16(8 * n);
  const std::int64_t delayBytes = RoundUp16(8 * (3 * n + 4));
  const std::int64_t spareBytes = 16;
  const std::int64_t spectrumBytes = spec ? 8 * fftLen : 0;
  const std::int64_t workArea = RoundUp16(workBytes);
  const std::int64_t finalBytes = 32768;
  const std::int64_t total = recordBytes + tapBytes + delayBytes + spareBytes + spectrumBytes +
                             workArea + spectrumBytes + finalBytes;

  auto* block = static_cast<std::uint8_t*>(fbAlignedAlloc8(total));
  if (!block) {
    if (spec) ippsFFTFree_R_64f(spec);
    return ippStsMemAllocErr;
  }
  auto* st = reinterpret_cast<FirRecord*>(block);
  std::int64_t at = recordBytes;
  st->tag = tag;
  st->taps = reinterpret_cast<Ipp64f*>(block + at);
  at += tapBytes;
  st->delay = reinterpret_cast<Ipp64f*>(block + at);
  at += delayBytes + spareBytes;
  st->tapsLen = tapsLen;
  st->directBlock = static_cast<std::int32_t>(((n + 3) & ~std::int64_t{3}) + 1);
  st->fftSpec = spec;
  st->fftTaps = spec ? reinterpret_cast<Ipp64f*>(block + at) : nullptr;
  at += spectrumBytes;
  st->fftLen = static_cast<std::int32_t>(fftLen);
  st->fftWork = workBytes > 0 ? block + at : nullptr;
  at += workArea;
  st->fftBlock = spec ? reinterpret_cast<Ipp64f*>(block + at) : nullptr;
  st->ownsMemory = 1;

  const std::uint8_t* taps = rows::Bytes(pTaps);
  for (std::int64_t i = 0; i < n; ++i) st->taps[i] = rows::Load<Ipp64f>(taps, n - 1 - i);
  if (!pDlyLine) {
    ippsZero_64f(st->delay, tapsLen);
  } else {
    const std::uint8_t* line = rows::Bytes(pDlyLine);
    for (std::int64_t i = 0; i < n; ++i) st->delay[i] = rows::Load<Ipp64f>(line, n - 1 - i);
  }
  if (spec) {
    ippsCopy_64f(pTaps, st->fftTaps, tapsLen);
    ippsZero_64f(st->fftTaps + n, static_cast<int>(fftLen - n));
    ++tForwardTransforms;
    const IppStatus status = fbFftFwdRToPerm(st->fftTaps, st->fftTaps, spec, st->fftWork);
    if (status < 0) {
      ippsFFTFree_R_64f(spec);
      fbAlignedFree(block);
      return status;
    }
  }
  *ppState = reinterpret_cast<IppsFIRState_64f*>(st);
  return ippStsNoErr;
}

IppStatus ippsFIRInitAlloc_64f(IppsFIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen,
                               const Ipp64f* pDlyLine) {
  if (!ppState || !pTaps) return ippStsNullPtrErr;
  if (tapsLen < 1) return ippStsFIRLenErr;
  return fbFirInitState(ppState, pTaps, tapsLen, pDlyLine, kFirStateTag64f);
}

IppStatus ippsFIR_64f(const Ipp64f* pSrc, Ipp64f* pDst, int numIters, IppsFIRState_64f* pState) {
  if (!pState || !pSrc || !pDst) return ippStsNullPtrErr;
  if (numIters < 1) return ippStsSizeErr;
  const FirRecord& st = *Record(pState);
  // The second kind is recognised but has no filtering mode here.
  if (st.tag != kFirStateTag64f) return ippStsContextMatchErr;
  if (numIters > 511 && st.fftLen > 0) return FilterFft(st, pSrc, pDst, numIters);
  FilterDirect(st, pSrc, pDst, numIters);
  return ippStsNoErr;
}

IppStatus ippsFIRFree_64f(IppsFIRState_64f* pState) {
  if (!pState) return ippStsNullPtrErr;
  FirRecord* st = Record(pState);
  if (!KnownKind(st->tag)) return ippStsContextMatchErr;
  if (st->ownsMemory) {
    if (st->fftSpec) ippsFFTFree_R_64f(st->fftSpec);
    fbAlignedFree(st);
  }
  return ippStsNoErr;
}

}  // namespace builtin
