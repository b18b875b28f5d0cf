// Thresholds (see LookupTables.h).
//
// LTVal and GTVal share one routine per layout that takes the comparison as an argument. The
// three-byte routine works on four bytes at once once the destination is 4-byte aligned:
// the threshold and value triples are packed into 32-bit words whose byte order rotates by one
// channel from word to word (four bytes advance the channel by one), and a branch-free mask
// selects the source or the value byte. The alpha-four routine does the same on whole pixels.
// Vector blocks (Highway, chosen at run time) come before the words; every path gives the same
// bytes. The words and the blocks' channel patterns are laid out once per call (MakeRule).
#include "primitives/image/LookupTablesKernels.h"

#include <cstring>

#include "primitives/support/RowAccess.h"
#include "primitives/image/LookupTables.h"

namespace builtin {

using rows::BadSize;
using rows::ForEachRow;
using rows::Load;
using rows::Store;

namespace threshold {

namespace {

constexpr uint32_t kHigh = 0x80808080u;

// Bit 7 of each byte: a >= b for that byte pair. The low seven bits are compared by a
// subtraction that cannot borrow across bytes; the top bits decide where they differ.
inline uint32_t AtLeast(uint32_t a, uint32_t b) {
  const uint32_t low = (a | kHigh) - (b & ~kHigh);
  return ((a & ~b) | (~(a ^ b) & low)) & kHigh;
}

// 0xFF in each byte where a > b, 0 elsewhere.
inline uint32_t GreaterMask(uint32_t a, uint32_t b) {
  return ((~AtLeast(b, a) & kHigh) >> 7) * 0xFFu;
}

inline uint32_t SelectWord(uint32_t x, uint32_t t, uint32_t v, bool greater) {
  const uint32_t m = greater ? GreaterMask(x, t) : GreaterMask(t, x);
  return (x & ~m) | (v & m);
}

inline uint8_t SelectByte(uint8_t x, uint8_t t, uint8_t v, bool greater) {
  return (greater ? x > t : x < t) ? v : x;
}

bool Aligned4(const void* p) { return (reinterpret_cast<uintptr_t>(p) & 3u) == 0; }

}  // namespace

Rule MakeRule(const uint8_t threshold[3], const uint8_t value[3], bool greater) {
  Rule r{};
  std::memcpy(r.threshold, threshold, 3);
  std::memcpy(r.value, value, 3);
  r.greater = greater;
  for (size_t j = 0; j < kC3PatternBytes; ++j) {
    r.thresholdC3[j] = threshold[j % 3];
    r.valueC3[j] = value[j % 3];
  }
  for (size_t j = 0; j < kAC4PatternBytes; ++j) {
    r.thresholdAC4[j] = j % 4 < 3 ? threshold[j % 4] : 0;
    r.valueAC4[j] = j % 4 < 3 ? value[j % 4] : 0;
  }
  return r;
}

void RowC3(const uint8_t* src, uint8_t* dst, ptrdiff_t bytes, const Rule& r, BlocksC3Fn blocks) {
  ptrdiff_t i = 0;
  for (; i < bytes && !Aligned4(dst + i); ++i)
    dst[i] = SelectByte(src[i], r.threshold[i % 3], r.value[i % 3], r.greater);
  if (blocks != nullptr && i < bytes)
    i += static_cast<ptrdiff_t>(blocks(src + i, dst + i, static_cast<size_t>(bytes - i),
                                       static_cast<size_t>(i % 3), r));
  // The word starting at byte i begins with channel i % 3, as the patterns' word at byte
  // i % 3 does; the next one a channel later.
  for (size_t p = static_cast<size_t>(i % 3); bytes - i >= 4; i += 4) {
    Store<uint32_t>(dst + i, 0,
                    SelectWord(Load<uint32_t>(src + i, 0), Load<uint32_t>(r.thresholdC3 + p, 0),
                               Load<uint32_t>(r.valueC3 + p, 0), r.greater));
    p = p == 2 ? 0 : p + 1;
  }
  for (; i < bytes; ++i)
    dst[i] = SelectByte(src[i], r.threshold[i % 3], r.value[i % 3], r.greater);
}

void RowAC4(const uint8_t* src, uint8_t* dst, ptrdiff_t n, const Rule& r, BlocksAC4Fn blocks) {
  ptrdiff_t i = 0;
  if (blocks != nullptr) i = static_cast<ptrdiff_t>(blocks(src, dst, static_cast<size_t>(n), r));
  if (Aligned4(src) && Aligned4(dst)) {
    // A pixel's word of the patterns: its three channels and a zero alpha byte.
    const uint32_t t = Load<uint32_t>(r.thresholdAC4, 0), v = Load<uint32_t>(r.valueAC4, 0);
    for (; i < n; ++i) {
      const uint32_t x = Load<uint32_t>(src, i);
      const uint32_t keep = Load<uint32_t>(dst, i) & 0xFF000000u;
      Store<uint32_t>(dst, i, (SelectWord(x, t, v, r.greater) & 0x00FFFFFFu) | keep);
    }
  }
  for (; i < n; ++i)
    for (int c = 0; c < 3; ++c)
      dst[4 * i + c] = SelectByte(src[4 * i + c], r.threshold[c], r.value[c], r.greater);
}

}  // namespace threshold

namespace {

IppStatus CheckThresholdImages(const void* pSrc, int srcStep, const void* pDst, int dstStep,
                               IppiSize size) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (size.width <= 0 || size.height <= 0) return ippStsSizeErr;
  if (srcStep <= 0 || dstStep <= 0) return ippStsStepErr;
  return ippStsNoErr;
}

// LTVal (greater false) and GTVal (greater true) on pixels of Pixel bytes.
template <int Pixel>
IppStatus ThresholdVal(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size,
                       const Ipp8u threshold[3], const Ipp8u value[3], bool greater) {
  if (IppStatus s = CheckThresholdImages(pSrc, srcStep, pDst, dstStep, size); s != ippStsNoErr)
    return s;
  if (threshold == nullptr || value == nullptr) return ippStsNullPtrErr;
  const threshold::Rule rule = threshold::MakeRule(threshold, value, greater);
  if constexpr (Pixel == 3) {
    const threshold::BlocksC3Fn blocks = threshold::VectorBlocksC3();
    ForEachRow(pSrc, srcStep, 3, pDst, dstStep, 3, size,
               [&rule, blocks](const uint8_t* s, uint8_t* d, int32_t n) {
                 threshold::RowC3(s, d, 3 * static_cast<ptrdiff_t>(n), rule, blocks);
               });
  } else {
    const threshold::BlocksAC4Fn blocks = threshold::VectorBlocksAC4();
    ForEachRow(pSrc, srcStep, 4, pDst, dstStep, 4, size,
               [&rule, blocks](const uint8_t* s, uint8_t* d, int32_t n) {
                 threshold::RowAC4(s, d, n, rule, blocks);
               });
  }
  return ippStsNoErr;
}

template <int Pixel>
IppStatus ThresholdLTGT(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size,
                        const Ipp8u thresholdLT[3], const Ipp8u valueLT[3],
                        const Ipp8u thresholdGT[3], const Ipp8u valueGT[3]) {
  if (IppStatus s = CheckThresholdImages(pSrc, srcStep, pDst, dstStep, size); s != ippStsNoErr)
    return s;
  if (thresholdGT == nullptr || valueGT == nullptr || thresholdLT == nullptr ||
      valueLT == nullptr)
    return ippStsNullPtrErr;
  for (int k = 0; k < 3; ++k)
    if (thresholdGT[k] < thresholdLT[k]) return ippStsThresholdErr;
  uint8_t lt[3], vlt[3], gt[3], vgt[3];
  std::memcpy(lt, thresholdLT, 3);
  std::memcpy(vlt, valueLT, 3);
  std::memcpy(gt, thresholdGT, 3);
  std::memcpy(vgt, valueGT, 3);
  ForEachRow(pSrc, srcStep, Pixel, pDst, dstStep, Pixel, size,
             [&](const uint8_t* s, uint8_t* d, int32_t n) {
               for (ptrdiff_t i = 0; i < n; ++i)
                 for (int c = 0; c < 3; ++c) {
                   const uint8_t x = s[Pixel * i + c];
                   d[Pixel * i + c] = x > gt[c] ? vgt[c] : x < lt[c] ? vlt[c] : x;
                 }
             });
  return ippStsNoErr;
}

}  // namespace

// The one-sided forms: rule, layout, pixel bytes, whether values above the threshold change.
#define PF_THRESHOLD_FORMS(X) \
  X(LTVal, C3, 3, false)      \
  X(LTVal, AC4, 4, false)     \
  X(GTVal, C3, 3, true)       \
  X(GTVal, AC4, 4, true)
#define PF_THRESHOLD_DEFINE(rule, layout, pixel, greater)                                         \
  IppStatus ippiThreshold_##rule##_8u_##layout##R(                                                \
      const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,                 \
      const Ipp8u threshold[3], const Ipp8u value[3]) {                                           \
    return ThresholdVal<pixel>(pSrc, srcStep, pDst, dstStep, roiSize, threshold, value, greater); \
  }
PF_THRESHOLD_FORMS(PF_THRESHOLD_DEFINE)
#undef PF_THRESHOLD_DEFINE
#undef PF_THRESHOLD_FORMS

// The two-sided forms: layout, pixel bytes.
#define PF_THRESHOLD_BOTH_FORMS(X) X(C3, 3) X(AC4, 4)
#define PF_THRESHOLD_DEFINE_BOTH(layout, pixel)                                              \
  IppStatus ippiThreshold_LTValGTVal_8u_##layout##R(                                         \
      const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,            \
      const Ipp8u thresholdLT[3], const Ipp8u valueLT[3], const Ipp8u thresholdGT[3],        \
      const Ipp8u valueGT[3]) {                                                              \
    return ThresholdLTGT<pixel>(pSrc, srcStep, pDst, dstStep, roiSize, thresholdLT, valueLT, \
                                thresholdGT, valueGT);                                       \
  }
PF_THRESHOLD_BOTH_FORMS(PF_THRESHOLD_DEFINE_BOTH)
#undef PF_THRESHOLD_DEFINE_BOTH
#undef PF_THRESHOLD_BOTH_FORMS

}  // namespace builtin
