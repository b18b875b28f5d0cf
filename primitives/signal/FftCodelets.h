// Small-order FFT codelets: straight-line transforms of 1, 2, 4 and 8 points that the FFT front
// ends run for orders 0 to 3 instead of the bit-reversal permutation and the radix-4 engine.
//
// Three data layouts: interleaved complex (N pairs re, im), separate real and imaginary arrays,
// and real (N samples; the forward codelets write the spectrum in Perm order, for N >= 2
// [Re X0, Re X(N/2), Re X1, Im X1, ..., Re X(N/2-1), Im X(N/2-1)], and the inverse ones read it
// in that order). All transforms are unnormalised: forward X_k = sum x_n exp(-2 pi i k n/N),
// inverse y_n = sum X_k exp(+2 pi i k n/N), the real inverse taking X_(N-k) = conj X_k; a
// forward codelet followed by its inverse twin returns N times the input.
//
// A scaled codelet multiplies each first-stage value by s once (the one value for one point; the
// first sums and differences of the inputs otherwise, and in the real inverse codelets also
// R0 + R(N/2), R0 - R(N/2) and the doubled inputs); the later steps work on the scaled values.
// It equals s times its unscaled twin bit for bit when s is a power of two, else to float64
// precision. Factors of 2 are formed as x + x. The 8-point codelets use the constants +-sqrt(0.5)
// (complex, real forward) and +-sqrt(2) (real inverse); no codelet has a loop, a branch or a
// table read. Every codelet reads all its inputs before it writes, so dst may equal src (and the
// separate arrays their sources) with the out-of-place result bit for bit. Nothing is checked.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

using fbFftCodelet = void (*)(const Ipp64f* src, Ipp64f* dst);
using fbFftScaledCodelet = void (*)(const Ipp64f* src, Ipp64f* dst, Ipp64f s);

// Interleaved complex. The 1- and 2-point ones serve both directions.
void fbFftCplx1(const Ipp64f* src, Ipp64f* dst);
void fbFftCplx1Scaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s);
void fbFftCplx2(const Ipp64f* src, Ipp64f* dst);
void fbFftCplx2Scaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s);
void fbFftCplx4Fwd(const Ipp64f* src, Ipp64f* dst);
void fbFftCplx4Inv(const Ipp64f* src, Ipp64f* dst);
void fbFftCplx4FwdScaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s);
void fbFftCplx4InvScaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s);
void fbFftCplx8Fwd(const Ipp64f* src, Ipp64f* dst);
void fbFftCplx8Inv(const Ipp64f* src, Ipp64f* dst);
void fbFftCplx8FwdScaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s);
void fbFftCplx8InvScaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s);

// Separate real and imaginary arrays: the same values as the interleaved codelets.
void fbFftReIm1(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe, Ipp64f* dstIm);
void fbFftReIm1Scaled(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe, Ipp64f* dstIm,
                      Ipp64f s);
void fbFftReIm2(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe, Ipp64f* dstIm);
void fbFftReIm2Scaled(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe, Ipp64f* dstIm,
                      Ipp64f s);
void fbFftReIm4Fwd(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe, Ipp64f* dstIm);
void fbFftReIm4Inv(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe, Ipp64f* dstIm);
void fbFftReIm4FwdScaled(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe,
                         Ipp64f* dstIm, Ipp64f s);
void fbFftReIm4InvScaled(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe,
                         Ipp64f* dstIm, Ipp64f s);
void fbFftReIm8Fwd(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe, Ipp64f* dstIm);
void fbFftReIm8Inv(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe, Ipp64f* dstIm);
void fbFftReIm8FwdScaled(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe,
                         Ipp64f* dstIm, Ipp64f s);
void fbFftReIm8InvScaled(const Ipp64f* srcRe, const Ipp64f* srcIm, Ipp64f* dstRe,
                         Ipp64f* dstIm, Ipp64f s);

// Real samples in, Perm spectrum out (forward) and the reverse (inverse). The 1- and 2-point
// ones serve both directions.
void fbFftReal1(const Ipp64f* src, Ipp64f* dst);
void fbFftReal1Scaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s);
void fbFftReal2(const Ipp64f* src, Ipp64f* dst);
void fbFftReal2Scaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s);
void fbFftReal4Fwd(const Ipp64f* src, Ipp64f* dst);
void fbFftReal4Inv(const Ipp64f* src, Ipp64f* dst);
void fbFftReal4FwdScaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s);
void fbFftReal4InvScaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s);
void fbFftReal8Fwd(const Ipp64f* src, Ipp64f* dst);
void fbFftReal8Inv(const Ipp64f* src, Ipp64f* dst);
void fbFftReal8FwdScaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s);
void fbFftReal8InvScaled(const Ipp64f* src, Ipp64f* dst, Ipp64f s);

// The eight entries through which a front end reaches the codelets of orders 0..3: entries 0..3
// are the unscaled codelets of orders 0, 1, 2, 3 (`unscaled[n]`), entries 4..7 the scaled ones
// (`scaled[n]`, entry 4 + n).
struct fbFftCodeletTable {
  fbFftCodelet unscaled[4];
  fbFftScaledCodelet scaled[4];
};

extern const fbFftCodeletTable fbFftCodeletsCplxFwd;  // complex forward
extern const fbFftCodeletTable fbFftCodeletsCplxInv;  // complex inverse
extern const fbFftCodeletTable fbFftCodeletsRealFwd;  // real forward (Perm out)
extern const fbFftCodeletTable fbFftCodeletsRealInv;  // real inverse (Perm in)

// The selection rule: for a transform of order 0..3 whose direction is scaled, entry 4 + order
// with the scale factor s; otherwise entry order.
inline void fbFftRunCodelet(const fbFftCodeletTable& table, int order, bool scaled, Ipp64f s,
                            const Ipp64f* src, Ipp64f* dst) {
  if (scaled) {
    table.scaled[order](src, dst, s);
  } else {
    table.unscaled[order](src, dst);
  }
}

}  // namespace builtin
