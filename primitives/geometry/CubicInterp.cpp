// The four-point cubic routines; the weights and the window sum are in CubicInterp.h, shared
// with the warp kernels, which call them inline.
#include "primitives/geometry/CubicInterp.h"

namespace builtin {
namespace {

template <typename T>
void Interleaved(const T* pSrc, int srcStep, int pixelStride, T* pDst, int count, float fx,
                 float fy) {
  if (count < 1) return;
  const cubic::Weights wx = cubic::WeightsOf(fx), wy = cubic::WeightsOf(fy);
  const uint8_t* src = rows::Bytes(pSrc);
  uint8_t* dst = rows::Bytes(pDst);
  const ptrdiff_t stride = static_cast<ptrdiff_t>(pixelStride) * sizeof(T);
  for (int i = 0; i < count; ++i)
    rows::Store<T>(dst, i,
                   cubic::InterleavedOne<T>(src + static_cast<ptrdiff_t>(i) * sizeof(T), srcStep,
                                            stride, wx, wy));
}

template <typename T>
void Planar(const T* const* srcPlanes, int srcStep, int srcOffset, T* const* dstPlanes,
            int dstColumn, int planeCount, float fx, float fy) {
  if (planeCount < 1) return;
  const cubic::Weights wx = cubic::WeightsOf(fx), wy = cubic::WeightsOf(fy);
  for (int i = 0; i < planeCount; ++i) {
    const uint8_t* window = rows::Bytes(srcPlanes[i]) + srcOffset;
    rows::Store<T>(rows::Bytes(dstPlanes[i]), dstColumn,
                   cubic::InterleavedOne<T>(window, srcStep, sizeof(T), wx, wy));
  }
}

}  // namespace

void fbCubicInterp8u(const Ipp8u* pSrc, int srcStep, int pixelStride, Ipp8u* pDst, int count,
                     float fx, float fy) {
  Interleaved(pSrc, srcStep, pixelStride, pDst, count, fx, fy);
}
void fbCubicInterp16u(const Ipp16u* pSrc, int srcStep, int pixelStride, Ipp16u* pDst, int count,
                      float fx, float fy) {
  Interleaved(pSrc, srcStep, pixelStride, pDst, count, fx, fy);
}
void fbCubicInterp32f(const Ipp32f* pSrc, int srcStep, int pixelStride, Ipp32f* pDst, int count,
                      float fx, float fy) {
  Interleaved(pSrc, srcStep, pixelStride, pDst, count, fx, fy);
}
void fbCubicInterp8uPlanar(const Ipp8u* const* srcPlanes, int srcStep, int srcOffset,
                           Ipp8u* const* dstPlanes, int dstColumn, int planeCount, float fx,
                           float fy) {
  Planar(srcPlanes, srcStep, srcOffset, dstPlanes, dstColumn, planeCount, fx, fy);
}
void fbCubicInterp16uPlanar(const Ipp16u* const* srcPlanes, int srcStep, int srcOffset,
                            Ipp16u* const* dstPlanes, int dstColumn, int planeCount, float fx,
                            float fy) {
  Planar(srcPlanes, srcStep, srcOffset, dstPlanes, dstColumn, planeCount, fx, fy);
}
void fbCubicInterp32fPlanar(const Ipp32f* const* srcPlanes, int srcStep, int srcOffset,
                            Ipp32f* const* dstPlanes, int dstColumn, int planeCount, float fx,
                            float fy) {
  Planar(srcPlanes, srcStep, srcOffset, dstPlanes, dstColumn, planeCount, fx, fy);
}

}  // namespace builtin
