// The front ends of the fixed-kernel filters: the checks, then the engine of the layout (and of
// the mask size) from FixedFilters3x3.cpp and FixedFilters5x5.cpp.
#include "primitives/filters/FixedFilters.h"

#include "primitives/filters/FixedFiltersKernels.h"
#include "primitives/support/RowAccess.h"

namespace builtin {
namespace {

using fixedfilters::Engine;
using fixedfilters::Layout;

// Null pointers (-8), then the size (-6), then the steps (-14).
IppStatus CheckArguments(const Ipp8u* pSrc, int srcStep, const Ipp8u* pDst, int dstStep,
                         IppiSize roi) {
  if (const IppStatus status = rows::CheckImages(pSrc, pDst, roi); status != ippStsNoErr)
    return status;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  return ippStsNoErr;
}

IppStatus Filter(Engine engine, Layout layout, const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,
                 int dstStep, IppiSize roi) {
  if (const IppStatus status = CheckArguments(pSrc, srcStep, pDst, dstStep, roi);
      status != ippStsNoErr)
    return status;
  return engine(pSrc, srcStep, pDst, dstStep, roi, layout);
}

// The checks above, then the mask: 3x3 or 5x5, any other code -33.
IppStatus FilterMask(Engine engine3, Engine engine5, Layout layout, const Ipp8u* pSrc, int srcStep,
                     Ipp8u* pDst, int dstStep, IppiSize roi, IppiMaskSize mask) {
  if (const IppStatus status = CheckArguments(pSrc, srcStep, pDst, dstStep, roi);
      status != ippStsNoErr)
    return status;
  if (mask == ippMskSize3x3) return engine3(pSrc, srcStep, pDst, dstStep, roi, layout);
  if (mask == ippMskSize5x5) return engine5(pSrc, srcStep, pDst, dstStep, roi, layout);
  return ippStsMaskSizeErr;
}

}  // namespace

// The filters without a mask argument: (filter, layout).
#define PF_FIXEDFILTERS_FORMS(X)                                                                   \
  X(PrewittHoriz, C1)                                                                              \
  X(PrewittHoriz, C3)                                                                              \
  X(PrewittHoriz, AC4) X(PrewittVert, C1) X(PrewittVert, C3) X(PrewittVert, AC4) X(SobelHoriz, C1) \
      X(SobelHoriz, C3) X(SobelHoriz, AC4) X(SobelVert, C1) X(SobelVert, C3) X(SobelVert, AC4)     \
          X(RobertsDown, C1) X(RobertsDown, C3) X(RobertsDown, AC4) X(RobertsUp, C1)               \
              X(RobertsUp, C3) X(RobertsUp, AC4) X(Sharpen, C1) X(Sharpen, C3) X(Sharpen, AC4)
#define PF_FIXEDFILTERS_DEFINE(filter, layout)                                                     \
  IppStatus ippiFilter##filter##_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,       \
                                                int dstStep, IppiSize roiSize) {                   \
    return Filter(fixedfilters::fbFilter##filter, Layout::k##layout, pSrc, srcStep, pDst, dstStep, \
                  roiSize);                                                                        \
  }
PF_FIXEDFILTERS_FORMS(PF_FIXEDFILTERS_DEFINE)
#undef PF_FIXEDFILTERS_DEFINE
#undef PF_FIXEDFILTERS_FORMS

// The filters with a mask argument: (filter, layout); the engines are the filter's 3x3 and 5x5.
#define PF_FIXEDFILTERS_MASK_FORMS(X)                                                      \
  X(Laplace, C1)                                                                           \
  X(Laplace, C3)                                                                           \
  X(Laplace, AC4) X(Hipass, C1) X(Hipass, C3) X(Hipass, AC4) X(Lowpass, C1) X(Lowpass, C3) \
      X(Lowpass, AC4) X(Gauss, C1) X(Gauss, C3) X(Gauss, AC4) X(Gauss, C4)
#define PF_FIXEDFILTERS_MASK_DEFINE(filter, layout)                                             \
  IppStatus ippiFilter##filter##_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,    \
                                                int dstStep, IppiSize roiSize,                  \
                                                IppiMaskSize mask) {                            \
    return FilterMask(fixedfilters::fbFilter##filter##3x3, fixedfilters::fbFilter##filter##5x5, \
                      Layout::k##layout, pSrc, srcStep, pDst, dstStep, roiSize, mask);          \
  }
PF_FIXEDFILTERS_MASK_FORMS(PF_FIXEDFILTERS_MASK_DEFINE)
#undef PF_FIXEDFILTERS_MASK_DEFINE
#undef PF_FIXEDFILTERS_MASK_FORMS

}  // namespace builtin
