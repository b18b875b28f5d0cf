// The general resize driver: scales a region of an image into a destination region by two
// independent factors with nearest, linear, cubic or six-tap Lanczos interpolation, for 8-bit
// unsigned, 16-bit unsigned and 32-bit float elements, interleaved or planar.
//
// Checks, in this order, the first failure returned and nothing written on any of them:
//   source or destination pointer null (or, planar, one of the plane pointers): -8;
//   source image side, region side not positive, region origin negative: -6;
//   region origin at or beyond the image's right or bottom edge: +29 (nothing written);
//   destination side not positive: -6;
//   a factor not greater than 0 (NaN included): -23;
//   interpolation not 1, 2, 4 or 16 (bit 31 set included): -22;
//   data type not 0..2, channels not 1, 3 or 4, pixel stride below channels: -6.
// The row steps are never tested (0 repeats one source row; negative walks upwards).
//
// The method is downgraded by the size of the whole source image, not the region: Lanczos to
// cubic below 8 pixels, cubic to linear below 4, every method to nearest below 2. The region
// is clipped to the image. Each destination side is trunc(factor x side + 1e-7), shrinking a
// larger request; 0 becomes 1 when the product plus 1e-7 is at least 0.5, else -201.
//
// Positions run as double sums from the first: nearest at 0.5 / f + i / f (clamped to the
// region's last column or row), the others corner-aligned at i x (W - 1) / (W f - 1). The
// source index is trunc(p + 1e-7) and the fraction p minus it; linear 8u/16u store it in Q14,
// with the last image column or row read as the pair (last - 1, last) at weight 16384; cubic
// keeps its four nodes inside the image (fraction -1..0 next to the first index, 1..2 next to
// the last, 2.0 on it); Lanczos turns the fractions into six weights per entry.
//
// Integer results add 0.5 (0.5000001 for cubic and Lanczos) and truncate; cubic and Lanczos
// clamp to the element range; float results are stored as computed. Tables and work rows come
// from the aligned allocator (-9 when one is refused, everything released) and are freed
// before the return. Data types: 0 8u, 1 16u, 2 32f.
#pragma once

#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin {

// pSrc: the image's first element, or (planar) an array of 3 or 4 plane pointers; pDst: the
// destination region's first element, or an array of plane pointers. Steps in bytes.
IppStatus fbResizeEngine(const void* pSrc, IppiSize srcSize, int32_t srcStep, IppiRect srcRoi,
                         void* pDst, int32_t dstStep, IppiSize dstRoiSize, double xFactor,
                         double yFactor, int32_t pixelStride, int32_t channels, int32_t dataType,
                         int32_t planar, int32_t interpolation);

}  // namespace builtin
