// The FFT front ends, the real post- and pre-processing passes, the layout moves between the
// Perm order (which the codelets and the passes produce and consume) and the CCS and Pack
// orders, and the products of packed spectra. All arithmetic is float64, in the order written.
#include "primitives/signal/FftTransforms.h"

#include "primitives/support/Support.h"
#include "primitives/support/SupportElements.h"

namespace builtin {
namespace {

using rows::Bytes;
using rows::Load;
using rows::Store;

}  // namespace

// ---- real passes ----------------------------------------------------------------------------

void fbRealFftPost(Ipp64f* pData, int h, const Ipp64f* pTwiddles) {
  uint8_t* d = Bytes(pData);
  const uint8_t* t = Bytes(pTwiddles);
  const int64_t half = h / 2;
  for (int64_t k = 1, m = h - 1; k < half; ++k, --m) {
    const double zkr = Load<double>(d, 2 * k), zki = Load<double>(d, 2 * k + 1);
    const double zmr = Load<double>(d, 2 * m), zmi = Load<double>(d, 2 * m + 1);
    const double a = Load<double>(t, 2 * k), b = Load<double>(t, 2 * k + 1);
    const double u = zkr - zmr, v = zki + zmi;
    const double g = b * u + a * v;
    const double f = b * v - a * u;
    Store<double>(d, 2 * k, zmr + g);
    Store<double>(d, 2 * k + 1, f - zmi);
    Store<double>(d, 2 * m, zkr - g);
    Store<double>(d, 2 * m + 1, f - zki);
  }
  Store<double>(d, 2 * half + 1, -Load<double>(d, 2 * half + 1));
}

void fbRealFftPre(const Ipp64f* pSrc, Ipp64f* pDst, int h, const Ipp64f* pTwiddles) {
  const uint8_t* s = Bytes(pSrc);
  uint8_t* d = Bytes(pDst);
  const uint8_t* t = Bytes(pTwiddles);
  const int64_t half = h / 2;
  for (int64_t k = 1, m = h - 1; k < half; ++k, --m) {
    const double xkr = Load<double>(s, 2 * k), xki = Load<double>(s, 2 * k + 1);
    const double xmr = Load<double>(s, 2 * m), xmi = Load<double>(s, 2 * m + 1);
    const double a = Load<double>(t, 2 * k), b = Load<double>(t, 2 * k + 1);
    const double p = xkr - xmr, q = xki + xmi;
    const double g = b * p - a * q;
    const double f = a * p + b * q;
    const double sr = xkr + xmr, di = xki - xmi;
    Store<double>(d, 2 * k, sr + g);
    Store<double>(d, 2 * k + 1, di + f);
    Store<double>(d, 2 * m, sr - g);
    Store<double>(d, 2 * m + 1, f - di);
  }
  Store<double>(d, 2 * half, 2.0 * Load<double>(s, 2 * half));
  Store<double>(d, 2 * half + 1, -2.0 * Load<double>(s, 2 * half + 1));
}

// ---- products of packed spectra -------------------------------------------------------------

namespace {

// b = a * conj(b) (kConj) or a * b on the complex pairs (first, first + 1), first = start,
// start + 2, ... below end; each pair is read whole before it is written, so a may equal b.
template <bool kConj>
void MulPairs(const uint8_t* a, uint8_t* b, int64_t start, int64_t end) {
  for (int64_t i = start; i + 1 < end; i += 2) {
    const double ar = Load<double>(a, i), ai = Load<double>(a, i + 1);
    const double br = Load<double>(b, i), bi = Load<double>(b, i + 1);
    if constexpr (kConj) {
      Store<double>(b, i, ar * br + ai * bi);
      Store<double>(b, i + 1, ai * br - ar * bi);
    } else {
      Store<double>(b, i, ar * br - ai * bi);
      Store<double>(b, i + 1, ai * br + ar * bi);
    }
  }
}

}  // namespace

IppStatus fbMulPackConj(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
  if (pSrc == nullptr || pSrcDst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  const uint8_t* a = Bytes(pSrc);
  uint8_t* b = Bytes(pSrcDst);
  Store<double>(b, 0, Load<double>(b, 0) * Load<double>(a, 0));
  int64_t end = len;
  if (len % 2 == 0) {
    Store<double>(b, len - 1, Load<double>(b, len - 1) * Load<double>(a, len - 1));
    end = len - 1;
  }
  MulPairs<true>(a, b, 1, end);
  return ippStsNoErr;
}

IppStatus fbMulPerm(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
  if (pSrc == nullptr || pSrcDst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  const uint8_t* a = Bytes(pSrc);
  uint8_t* b = Bytes(pSrcDst);
  Store<double>(b, 0, Load<double>(b, 0) * Load<double>(a, 0));
  int64_t start = 1;
  if (len % 2 == 0) {
    Store<double>(b, 1, Load<double>(b, 1) * Load<double>(a, 1));
    start = 2;
  }
  MulPairs<false>(a, b, start, len);
  return ippStsNoErr;
}

IppStatus ippsConjCcs_64fc_I(Ipp64fc* pSrcDst, int lenDst) {
  if (pSrcDst == nullptr) return ippStsNullPtrErr;
  if (lenDst <= 0) return ippStsSizeErr;
  uint8_t* v = Bytes(pSrcDst);
  for (int64_t j = lenDst / 2 + 1; j < lenDst; ++j) {  // j = lenDst - k, increasing
    const int64_t k = lenDst - j;
    Store<double>(v, 2 * j, Load<double>(v, 2 * k));
    Store<double>(v, 2 * j + 1, -Load<double>(v, 2 * k + 1));
  }
  return ippStsNoErr;
}

}  // namespace builtin
