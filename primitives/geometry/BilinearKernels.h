// The bilinear kernels' interface shared by the plain and the vector paths, open to the tests:
// the 8-bit linear pixel with the bilinear rounding and the vector roots of the forward warp's
// inverse.
#pragma once

#include <cstddef>
#include <cstdint>

#include "primitives/geometry/WarpKernels.h"

namespace builtin::warp {

// One 8-bit interleaved pixel of kStride bytes whose 2 x 2 window starts at p: its first
// kChannels bytes at out, each trunc(v + 0.5) of the blend v = top + fy (bottom - top).
template <int32_t kChannels, int32_t kStride>
inline void BilinearLinearPixel8(const uint8_t* p, ptrdiff_t down, double fx, double fy,
                                 uint8_t* out) {
  for (int32_t c = 0; c < kChannels; ++c) {
    const double p00 = cubic::kByteDoubles.v[p[c]];
    const double p01 = cubic::kByteDoubles.v[p[kStride + c]];
    const double p10 = cubic::kByteDoubles.v[p[down + c]];
    const double p11 = cubic::kByteDoubles.v[p[down + kStride + c]];
    const double top = p00 + fx * (p01 - p00);
    const double bottom = p10 + fx * (p11 - p10);
    // The fractions lie within [-1e-7, 1] (0 for a position that is not a number), so the
    // value lies within a hair of 0..255: a plain conversion.
    out[c] = static_cast<uint8_t>(static_cast<int32_t>(top + fy * (bottom - top) + 0.5));
  }
}

// The case-0 inverse of m points (fbBilinearInverseRow) from their running values l1, l2, l3:
// x = k10 + A, y = l3 + k3 A with A = l1 +/- sqrt(max(l1^2 - l2, 0)), + with the root flag.
void BilinearRootsOf(const double* l1, const double* l2, const double* l3, int m, double k3,
                     double k10, int rootFlag, double* xs, double* ys);

}  // namespace builtin::warp
