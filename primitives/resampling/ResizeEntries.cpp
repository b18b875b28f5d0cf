// The resize entries: super-sampling that shrinks on both axes to its own driver, the rest to
// the general driver.
#include "primitives/resampling/ResizeEntries.h"

#include "primitives/resampling/ResizeEngine.h"
#include "primitives/resampling/ResizeSuper.h"

namespace builtin {
namespace {

constexpr int kInterSuper = 8;

IppStatus ResizeEntry(int channels, const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                      IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                      double xFactor, double yFactor, int interpolation) {
  if (interpolation == kInterSuper && xFactor <= 1.0 && yFactor <= 1.0)
    return fbResizeSuperEngine(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize,
                               xFactor, yFactor, channels, channels, 0, 0);
  return fbResizeEngine(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor,
                        yFactor, channels, channels, 0, 0, interpolation);
}

}  // namespace

#define PF_RESIZE_FORMS(X) X(C1, 1) X(C3, 3) X(C4, 4)
#define PF_RESIZE_DEFINE(layout, channels)                                                    \
  IppStatus ippiResize_8u_##layout##R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,       \
                                      IppiRect srcRoi, Ipp8u* pDst, int dstStep,              \
                                      IppiSize dstRoiSize, double xFactor, double yFactor,    \
                                      int interpolation) {                                    \
    return ResizeEntry(channels, pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize,   \
                       xFactor, yFactor, interpolation);                                      \
  }
PF_RESIZE_FORMS(PF_RESIZE_DEFINE)
#undef PF_RESIZE_DEFINE
#undef PF_RESIZE_FORMS

}  // namespace builtin
