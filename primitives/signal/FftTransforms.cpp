// The FFT front ends, the real post- and pre-processing passes, the layout moves between the
// Perm order (which the codelets and the passes produce and consume) and the CCS and Pack
// orders, and the products of packed spectra. All arithmetic is float64, in the order written.
#include "primitives/signal/FftTransforms.h"


#include "primitives/signal/FftCodelets.h"
#include "primitives/signal/FftEngine.h"
#include "primitives/signal/FftSetup.h"
#include "primitives/signal/FftTransformsKernels.h"
#include "primitives/support/Support.h"
#include "primitives/support/SupportElements.h"

namespace builtin {
namespace {

using rows::Bytes;
using rows::Load;
using rows::Store;

// One step of the real inverse's pre-processing: bin k of s and its mirror m = h - k with the
// factor at k of t give z'_k = (z[0], z[1]) and z'_m = (z[2], z[3]).
inline void PreBin(const uint8_t* s, const uint8_t* t, int64_t k, int64_t h, double z[4]) {
  const int64_t m = h - k;
  const double xkr = Load<double>(s, 2 * k), xki = Load<double>(s, 2 * k + 1);
  const double xmr = Load<double>(s, 2 * m), xmi = Load<double>(s, 2 * m + 1);
  const double a = Load<double>(t, 2 * k), b = Load<double>(t, 2 * k + 1);
  const double p = xkr - xmr, q = xki + xmi;
  const double g = b * p - a * q;
  const double f = a * p + b * q;
  const double sr = xkr + xmr, di = xki - xmi;
  z[0] = sr + g;
  z[1] = di + f;
  z[2] = sr - g;
  z[3] = f - di;
}

}  // namespace

// ---- layout moves -------------------------------------------------------------------------

namespace {

enum class Layout { Ccs, Pack, Perm };

// Perm to Pack in place (N > 2): the pairs move one position down and Re X(N/2) goes last.
void PermToPack(double* v, int64_t n) {
  if (n <= 2) return;
  const double nyquist = Load<double>(Bytes(v), 1);
  fbCopyBytes(v + 2, v + 1, (n - 2) * int64_t{sizeof(double)});
  Store<double>(Bytes(v), n - 1, nyquist);
}

// Two neighbouring values stored by one 16-byte move. The small-order inverse front ends write
// the codelet's input this way, pair by pair at even positions, so that the codelet's loads are
// forwarded from whole stores instead of waiting for two halves.
using Pair = double __attribute__((vector_size(16)));

void StorePair(double* v, int64_t i, double a, double b) {
  rows::Store<Pair>(Bytes(v + i), 0, Pair{a, b});
}

// Pack in src to Perm in dst (src may equal dst): the pairs move one position up and
// Re X(N/2) comes to position 1.
void PackToPerm(const double* src, double* dst, int64_t n) {
  const double first = Load<double>(Bytes(src), 0);
  if (n == 1) {
    Store<double>(Bytes(dst), 0, first);
    return;
  }
  const double nyquist = Load<double>(Bytes(src), n - 1);
  if (n <= 8) {
    for (int64_t i = n - 2; i >= 2; i -= 2)  // top down: in place each pair is read first
      StorePair(dst, i, Load<double>(Bytes(src), i - 1), Load<double>(Bytes(src), i));
  } else {
    fbCopyBytes(src + 1, dst + 2, (n - 2) * int64_t{sizeof(double)});
  }
  StorePair(dst, 0, first, nyquist);
}

// CCS in src to Perm in dst (src may equal dst); positions 1 and N + 1 of src are not read.
void CcsToPerm(const double* src, double* dst, int64_t n) {
  const double first = Load<double>(Bytes(src), 0);
  if (n == 1) {
    Store<double>(Bytes(dst), 0, first);
    return;
  }
  if (src != dst) {
    if (n <= 8) {
      for (int64_t i = 2; i < n; i += 2)
        StorePair(dst, i, Load<double>(Bytes(src), i), Load<double>(Bytes(src), i + 1));
    } else {
      fbCopyBytes(src + 2, dst + 2, (n - 2) * int64_t{sizeof(double)});
    }
  }
  StorePair(dst, 0, first, Load<double>(Bytes(src), n));
}

// Perm to CCS in place: Re X(N/2) moves to position N, positions 1 and N + 1 become +0.0.
void PermToCcs(double* v, int64_t n) {
  if (n == 1) {
    Store<double>(Bytes(v), 1, 0.0);
    return;
  }
  Store<double>(Bytes(v), n, Load<double>(Bytes(v), 1));
  Store<double>(Bytes(v), n + 1, 0.0);
  Store<double>(Bytes(v), 1, 0.0);
}

// The pre-processed values z'_0..z'_3 and z'_(h/2)..z'_(h/2+3) (h >= 16) of fbRealFftPre, by the
// plain pass's operations: z'_0 = (a, b) given, the middle bin's 2 Re and -2 Im, and bins
// 1..3 with their mirrors h-3..h-1, h/2-3..h/2-1 with theirs h/2+1..h/2+3.
void PreEdges(const uint8_t* s, int64_t h, const uint8_t* t, double a, double b, double* edges) {
  double full[8] = {a, b};
  double mid[8];
  mid[0] = 2.0 * Load<double>(s, h);
  mid[1] = -2.0 * Load<double>(s, h + 1);
  for (int64_t j = 1; j < 4; ++j) {
    double z[4];
    PreBin(s, t, j, h, z);  // z'_j, below the middle
    full[2 * j] = z[0];
    full[2 * j + 1] = z[1];
    PreBin(s, t, h / 2 - j, h, z);  // z'_(h/2 + j), the mirror of h/2 - j
    mid[2 * j] = z[2];
    mid[2 * j + 1] = z[3];
  }
  for (int i = 0; i < 8; ++i) {
    edges[i] = full[i];
    edges[8 + i] = mid[i];
  }
}

// The work buffer of a call of order 4 and above, released when the call returns.
class Work {
 public:
  explicit Work(const fbFftSpec* spec, Ipp8u* pBuffer)
      : status_(fbFftTakeWork(spec, pBuffer, &work_, &allocated_)) {}
  ~Work() { fbAlignedFree(allocated_); }
  Work(const Work&) = delete;
  Work& operator=(const Work&) = delete;
  IppStatus status() const { return status_; }
  double* get() const { return work_; }

 private:
  double* work_ = nullptr;
  void* allocated_ = nullptr;
  IppStatus status_;
};

// The complex transform of 2^order points from src into dst (src may be dst), the permutation
// included, scaled when the direction asks for it.
template <bool kInverse>
void Complex(const fbFftSpec* spec, const double* src, double* dst, int order, double* work) {
  if constexpr (kInverse) {
    fbFftComplexInv(spec, src, dst, order, work);
  } else {
    fbFftComplexFwd(spec, src, dst, order, work);
  }
}

// Checks shared by every front end: spec null, the kind tag, src null, dst null.
IppStatus Check(const fbFftSpec* spec, int32_t kind, const void* src, const void* dst) {
  if (spec == nullptr) return ippStsNullPtrErr;
  if (spec->kindTag != kind) return ippStsContextMatchErr;
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  return ippStsNoErr;
}

template <bool kInverse>
IppStatus ComplexTransform(const Ipp64fc* pSrc, Ipp64fc* pDst, const fbFftSpec* spec,
                           Ipp8u* pBuffer) {
  if (const IppStatus st = Check(spec, kFftKindComplex, pSrc, pDst); st != ippStsNoErr) return st;
  // The pairs as a row of doubles, reached from the bytes: the caller's Ipp64fc pointers may
  // be misaligned, where even naming a member through them is undefined.
  const double* src = reinterpret_cast<const double*>(Bytes(pSrc));
  double* dst = reinterpret_cast<double*>(Bytes(pDst));
  const int order = spec->order;
  const bool scaled = kInverse ? spec->inverseScaled != 0 : spec->forwardScaled != 0;
  if (order <= 3) {
    fbFftRunCodelet(kInverse ? fbFftCodeletsCplxInv : fbFftCodeletsCplxFwd, order, scaled,
                    spec->scaleFactor, src, dst);
    return ippStsNoErr;
  }
  const Work work(spec, pBuffer);
  if (work.status() != ippStsNoErr) return work.status();
  Complex<kInverse>(spec, src, dst, order, work.get());
  return ippStsNoErr;
}

template <Layout kLayout>
IppStatus RealForward(const Ipp64f* pSrc, Ipp64f* pDst, const fbFftSpec* spec, Ipp8u* pBuffer) {
  if (const IppStatus st = Check(spec, kFftKindReal, pSrc, pDst); st != ippStsNoErr) return st;
  const int order = spec->order;
  const int64_t n = int64_t{1} << order;
  if (order <= 3) {
    fbFftRunCodelet(fbFftCodeletsRealFwd, order, spec->forwardScaled != 0, spec->scaleFactor,
                    pSrc, pDst);
  } else {
    const Work work(spec, pBuffer);
    if (work.status() != ippStsNoErr) return work.status();
    const int64_t h = n / 2;
    Complex<false>(spec, pSrc, pDst, order - 1, work.get());
    const double a = Load<double>(Bytes(pDst), 0), b = Load<double>(Bytes(pDst), 1);
    Store<double>(Bytes(pDst), 0, a + b);
    Store<double>(Bytes(pDst), 1, a - b);
    fbRealFftPost(pDst, static_cast<int>(h), spec->realFwdTwiddles);
  }
  if constexpr (kLayout == Layout::Ccs) PermToCcs(pDst, n);
  if constexpr (kLayout == Layout::Pack) PermToPack(pDst, n);
  return ippStsNoErr;
}

template <Layout kLayout>
IppStatus RealInverse(const Ipp64f* pSrc, Ipp64f* pDst, const fbFftSpec* spec, Ipp8u* pBuffer) {
  if (const IppStatus st = Check(spec, kFftKindReal, pSrc, pDst); st != ippStsNoErr) return st;
  const int order = spec->order;
  const int64_t n = int64_t{1} << order;
  const bool scaled = spec->inverseScaled != 0;
  if (order <= 3) {
    const double* src = pSrc;
    if constexpr (kLayout == Layout::Ccs) {
      CcsToPerm(pSrc, pDst, n);
      src = pDst;
    } else if constexpr (kLayout == Layout::Pack) {
      PackToPerm(pSrc, pDst, n);
      src = pDst;
    }
    fbFftRunCodelet(fbFftCodeletsRealInv, order, scaled, spec->scaleFactor, src, pDst);
    return ippStsNoErr;
  }
  const Work work(spec, pBuffer);
  if (work.status() != ippStsNoErr) return work.status();
  const int64_t h = n / 2;
  const double r0 = Load<double>(Bytes(pSrc), 0);
  const double* spectrum = pSrc;
  double rh;
  if constexpr (kLayout == Layout::Ccs) {
    rh = Load<double>(Bytes(pSrc), n);
  } else if constexpr (kLayout == Layout::Perm) {
    rh = Load<double>(Bytes(pSrc), 1);
  } else {
    rh = Load<double>(Bytes(pSrc), n - 1);
    PackToPerm(pSrc, pDst, n);
    spectrum = pDst;
  }
  // A spectrum apart from the destination goes straight into the transform's first passes; the
  // values 0..3 and h/2..h/2+3 come from the plain pass.
  const bool apart = spectrum + n + 2 <= pDst || pDst + n <= spectrum;
  if (apart && order - 1 >= 13) {
    double edges[16];
    PreEdges(Bytes(spectrum), h, Bytes(spec->realInvTwiddles), r0 + rh, r0 - rh, edges);
    if (fbFftRealInvFused(spec, spectrum, edges, pDst, order - 1, work.get())) return ippStsNoErr;
  }
  Store<double>(Bytes(pDst), 0, r0 + rh);
  Store<double>(Bytes(pDst), 1, r0 - rh);
  fbRealFftPre(spectrum, pDst, static_cast<int>(h), spec->realInvTwiddles);
  Complex<true>(spec, pDst, pDst, order - 1, work.get());
  return ippStsNoErr;
}

}  // namespace

IppStatus ippsFFTFwd_CToC_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, const IppsFFTSpec_C_64fc* pSpec,
                               Ipp8u* pBuffer) {
  return ComplexTransform<false>(pSrc, pDst, pSpec, pBuffer);
}
IppStatus ippsFFTInv_CToC_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, const IppsFFTSpec_C_64fc* pSpec,
                               Ipp8u* pBuffer) {
  return ComplexTransform<true>(pSrc, pDst, pSpec, pBuffer);
}

// name, direction, layout.
#define PF_FFT_REAL_FORMS(X)                                \
  X(ippsFFTFwd_RToCCS_64f, RealForward, Ccs)                \
  X(ippsFFTInv_CCSToR_64f, RealInverse, Ccs)                \
  X(fbFftFwdRToPack, RealForward, Pack)                     \
  X(fbFftInvPackToR, RealInverse, Pack)                     \
  X(fbFftFwdRToPerm, RealForward, Perm)                     \
  X(fbFftInvPermToR, RealInverse, Perm)
#define PF_FFT_REAL_DEFINE(name, direction, layout)                                         \
  IppStatus name(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pSpec,           \
                 Ipp8u* pBuffer) {                                                           \
    return direction<Layout::layout>(pSrc, pDst, pSpec, pBuffer);                            \
  }
PF_FFT_REAL_FORMS(PF_FFT_REAL_DEFINE)
#undef PF_FFT_REAL_DEFINE
#undef PF_FFT_REAL_FORMS

// ---- real passes ----------------------------------------------------------------------------

namespace fftreal {

void PlainPost(uint8_t* d, int64_t h, const uint8_t* t, int64_t kFrom) {
  const int64_t half = h / 2;
  for (int64_t k = kFrom, m = h - kFrom; k < half; ++k, --m) {
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
}

void PlainPre(const uint8_t* s, uint8_t* d, int64_t h, const uint8_t* t, int64_t kFrom) {
  const int64_t half = h / 2;
  for (int64_t k = kFrom, m = h - kFrom; k < half; ++k, --m) {
    double z[4];
    PreBin(s, t, k, h, z);
    Store<double>(d, 2 * k, z[0]);
    Store<double>(d, 2 * k + 1, z[1]);
    Store<double>(d, 2 * m, z[2]);
    Store<double>(d, 2 * m + 1, z[3]);
  }
}

}  // namespace fftreal

void fbRealFftPost(Ipp64f* pData, int h, const Ipp64f* pTwiddles) {
  uint8_t* d = Bytes(pData);
  const uint8_t* t = Bytes(pTwiddles);
  const int64_t kFrom = fftreal::VectorPost()(d, d, h, t);
  fftreal::PlainPost(d, h, t, kFrom);
  const int64_t middle = h / 2;  // X_(h/2) = conj Z_(h/2)
  Store<double>(d, 2 * middle + 1, -Load<double>(d, 2 * middle + 1));
}

void fbRealFftPre(const Ipp64f* pSrc, Ipp64f* pDst, int h, const Ipp64f* pTwiddles) {
  const uint8_t* s = Bytes(pSrc);
  uint8_t* d = Bytes(pDst);
  const uint8_t* t = Bytes(pTwiddles);
  const int64_t kFrom = fftreal::VectorPre()(s, d, h, t);
  fftreal::PlainPre(s, d, h, t, kFrom);
  const int64_t middle = h / 2;
  Store<double>(d, 2 * middle, 2.0 * Load<double>(s, 2 * middle));
  Store<double>(d, 2 * middle + 1, -2.0 * Load<double>(s, 2 * middle + 1));
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
