// Full linear convolution: see Convolution.h.
#include "primitives/signal/Convolution.h"

#include <algorithm>
#include <cstdint>

#include "primitives/support/Support.h"
#include "primitives/support/SupportElements.h"

namespace builtin {
namespace {

using ld = long double;

constexpr int64_t kDirectBlock = 4096;

// Direct sums over A in blocks of `block` elements: before a block's passes, the outputs that
// only it reaches first are zeroed; the lb - 1 outputs it shares with the previous block keep
// that block's partial sums. A single block of la is the plain loop.
void DirectSums(const uint8_t* a, int64_t la, const uint8_t* b, int64_t lb, uint8_t* d,
                int64_t block) {
  fbZeroBytes(d, 8 * (lb - 1));
  for (int64_t p = 0; p < la; p += block) {
    const int64_t g = std::min(block, la - p);
    fbZeroBytes(d + 8 * (p + lb - 1), 8 * g);
    const uint8_t* ap = a + 8 * p;
    for (int64_t i = 0; i < lb; ++i) {
      const ld bi = rows::Load<Ipp64f>(b, i);
      uint8_t* di = d + 8 * (p + i);
      for (int64_t j = 0; j < g; ++j) {
        const ld sum = static_cast<ld>(rows::Load<Ipp64f>(ap, j)) * bi +
                       static_cast<ld>(rows::Load<Ipp64f>(di, j));
        rows::Store<Ipp64f>(di, j, static_cast<Ipp64f>(sum));
      }
    }
  }
}

}  // namespace

IppStatus ippsConv_64f(const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len,
                       Ipp64f* pDst) {
  if (pSrc1 == nullptr || pSrc2 == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (src1Len < 1 || src2Len < 1) return ippStsSizeErr;
  const bool firstIsA = src1Len >= src2Len;
  const uint8_t* a = rows::Bytes(firstIsA ? pSrc1 : pSrc2);
  const uint8_t* b = rows::Bytes(firstIsA ? pSrc2 : pSrc1);
  const int64_t la = firstIsA ? src1Len : src2Len;
  const int64_t lb = firstIsA ? src2Len : src1Len;
  const int64_t len = la + lb - 1;
  uint8_t* d = rows::Bytes(pDst);
  (void)len;
  DirectSums(a, la, b, lb, d, la < kDirectBlock ? la : kDirectBlock);
  return ippStsNoErr;
}

}  // namespace builtin
