// Test-signal generators (see TestSignals.h).
#include "primitives/signal/TestSignals.h"

#include <cstdint>

#include "primitives/support/Support.h"
#include "primitives/support/SupportElements.h"

namespace builtin {

IppStatus ippsVectorJaehne_64f(Ipp64f* pDst, int len, Ipp64f magn) {
  if (pDst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  if (magn < 0.0) return ippStsNegMagnErr;
  uint8_t* d = rows::Bytes(pDst);
  if (len == 1) {
    rows::Store<double>(d, 0, 0.0);
    return ippStsNoErr;
  }
  const double halfPi = 1.5707963267948966;
  const double c = static_cast<double>(static_cast<long double>(halfPi) / len);
  for (int64_t i = 0; i < len; ++i) {
    const long double li = static_cast<long double>(i);
    const double a = static_cast<double>((static_cast<long double>(c) * li) * li);
    rows::Store<double>(d, i, static_cast<double>(static_cast<long double>(LibCSin(a)) * magn));
  }
  return ippStsNoErr;
}

IppStatus ippsRandUniform_Direct_64f(Ipp64f* pDst, int len, Ipp64f low, Ipp64f high,
                                     unsigned int* pSeed) {
  if (pDst == nullptr || pSeed == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  constexpr uint32_t kMul = 69069u, kAdd = 1013904243u;
  // 2^-32, exact in long double.
  const long double scale =
      (static_cast<long double>(high) - static_cast<long double>(low)) * 0x1p-32L;
  const long double mid = (static_cast<long double>(low) + static_cast<long double>(high)) * 0.5L;
  // x1 = x(k-1), x2 = x(k-2), x3 = x(k-3) at the start of step k.
  uint32_t x1 = static_cast<uint32_t>(*pSeed);
  uint32_t x2 = kMul * x1 + kAdd;
  uint32_t x3 = kMul * x2 + kAdd;
  uint32_t borrow = 1;
  uint32_t l = 1131199209u;
  uint8_t* d = rows::Bytes(pDst);
  for (int64_t k = 0; k < len; ++k) {
    l = kMul * l + kAdd;
    uint32_t t = x2 - x3 - borrow;
    if (static_cast<int32_t>(t) < 0) {
      borrow = 1;
      t -= 18u;
    } else {
      borrow = 0;
    }
    x3 = x2;
    x2 = x1;
    x1 = t;
    const int32_t u = static_cast<int32_t>(x1 + l);
    rows::Store<double>(d, k, static_cast<double>(mid + scale * static_cast<long double>(u)));
  }
  *pSeed = x1;
  return ippStsNoErr;
}

}  // namespace builtin
