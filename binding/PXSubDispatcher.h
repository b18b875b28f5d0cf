// Dispatcher unit PXSubDispatcher: 148 dispatch slots for noise, gamma, histograms, filters,
// morphology, warps, colour spaces, thresholds and look-up tables.
//
// The list below is the only place where the slots are written: name, signature, lookup and
// whether the built-in version exists. To bind a built-in version that has been written,
// change STUB to BUILTIN on its line (the family's header is included by IPPBuiltins.h).
#pragma once

#include <span>

#include "binding/IPPSlots.h"
#include "platform/Units.h"

// clang-format off
#define PX_SUB_DISPATCHER_SLOTS(X, XS) \
  X(BUILTIN, IPPI,         ippiAddRandUniform_Direct_8u_C3IR,  IppStatus, (Ipp8u*, int, IppiSize, Ipp8u, Ipp8u, unsigned int*)) \
  X(BUILTIN, IPPI,         ippiAddRandUniform_Direct_8u_C1IR,  IppStatus, (Ipp8u*, int, IppiSize, Ipp8u, Ipp8u, unsigned int*)) \
  X(BUILTIN, IPPI,         ippiAddRandUniform_Direct_8u_AC4IR, IppStatus, (Ipp8u*, int, IppiSize, Ipp8u, Ipp8u, unsigned int*)) \
  X(BUILTIN, IPPI,         ippiAddRandUniform_Direct_8u_C4IR,  IppStatus, (Ipp8u*, int, IppiSize, Ipp8u, Ipp8u, unsigned int*)) \
  X(BUILTIN, IPPI,         ippiAddRandGauss_Direct_8u_C3IR,    IppStatus, (Ipp8u*, int, IppiSize, Ipp8u, Ipp8u, unsigned int*)) \
  X(BUILTIN, IPPI,         ippiAddRandGauss_Direct_8u_C1IR,    IppStatus, (Ipp8u*, int, IppiSize, Ipp8u, Ipp8u, unsigned int*)) \
  X(BUILTIN, IPPI,         ippiAddRandGauss_Direct_8u_AC4IR,   IppStatus, (Ipp8u*, int, IppiSize, Ipp8u, Ipp8u, unsigned int*)) \
  X(BUILTIN, IPPI,         ippiAddRandGauss_Direct_8u_C4IR,    IppStatus, (Ipp8u*, int, IppiSize, Ipp8u, Ipp8u, unsigned int*)) \
  XS(BUILTIN, IPPI,         ippiColorTwist32f_8u_C3R,           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f (*)[4])) \
  X(BUILTIN, IPPI,         ippiColorTwist32f_8u_AC4R,          IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f (*)[4])) \
  X(BUILTIN, IPPI,         ippiGetShearBound,                  IppStatus, (IppiRect, double (*)[2], double, double, double, double)) \
  X(BUILTIN, IPPI,         ippiShear_8u_C3R,                   IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, double, double, double, double, int)) \
  X(BUILTIN, IPPI,         ippiShear_8u_C4R,                   IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, double, double, double, double, int)) \
  X(BUILTIN, IPPI,         ippiShear_8u_C1R,                   IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, double, double, double, double, int)) \
  X(BUILTIN, IPPI,         ippiGammaFwd_8u_C3R,                IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiGammaFwd_8u_AC4R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiGammaInv_8u_C3R,                IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiGammaInv_8u_AC4R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiGammaFwd_8u_C3IR,               IppStatus, (Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiGammaInv_8u_C3IR,               IppStatus, (Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiHistogramEven_8u_C3R,           IppStatus, (const Ipp8u*, int, IppiSize, Ipp32s**, Ipp32s**, int*, Ipp32s*, Ipp32s*)) \
  X(BUILTIN, IPPI,         ippiHistogramEven_8u_C4R,           IppStatus, (const Ipp8u*, int, IppiSize, Ipp32s**, Ipp32s**, int*, Ipp32s*, Ipp32s*)) \
  X(BUILTIN, IPPI,         ippiHistogramEven_8u_AC4R,          IppStatus, (const Ipp8u*, int, IppiSize, Ipp32s**, Ipp32s**, int*, Ipp32s*, Ipp32s*)) \
  X(BUILTIN, IPPI,         ippiFilterBox_8u_C3R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiFilterBox_8u_C4R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiFilterBox_8u_C1R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiFilterMin_8u_C3R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiFilterMin_8u_C4R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiFilterMin_8u_C1R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiFilterMax_8u_C3R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiFilterMax_8u_C4R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiFilterMax_8u_C1R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiFilterMedian_8u_C3R,            IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiFilterMedian_8u_C4R,            IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiFilterMedian_8u_C1R,            IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiFilterPrewittHoriz_8u_C3R,      IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterPrewittHoriz_8u_AC4R,     IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterPrewittHoriz_8u_C1R,      IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterPrewittVert_8u_C3R,       IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterPrewittVert_8u_AC4R,      IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterPrewittVert_8u_C1R,       IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToHLS_8u_C3R,                IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToHLS_8u_AC4R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToYUV_8u_C3R,                IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToYUV_8u_AC4R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToXYZ_8u_C3R,                IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToXYZ_8u_AC4R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToHSV_8u_C3R,                IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToHSV_8u_AC4R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToLUV_8u_C3R,                IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToLUV_8u_AC4R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToYCC_8u_C3R,                IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToYCC_8u_AC4R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToYCbCr_8u_C3R,              IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRGBToYCbCr_8u_AC4R,             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiBGRToLab_8u_C3R,                IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMorphologyInitAlloc_8u_C3R,     IppStatus, (int, const Ipp8u*, IppiSize, IppiPoint, IppiMorphState**)) \
  X(BUILTIN, IPPI,         ippiMorphologyFree,                 IppStatus, (IppiMorphState*)) \
  X(BUILTIN, IPPI,         ippiGetRotateShift,                 IppStatus, (double, double, double, double*, double*)) \
  X(BUILTIN, IPPI,         ippiGetRotateBound,                 IppStatus, (IppiRect, double (*)[2], double, double, double)) \
  X(BUILTIN, IPPI,         ippiRotate_8u_C3R,                  IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, double, double, double, int)) \
  X(BUILTIN, IPPI,         ippiRotate_8u_C4R,                  IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, double, double, double, int)) \
  X(BUILTIN, IPPI,         ippiRotate_8u_C1R,                  IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, double, double, double, int)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_C3P3R,                  IppStatus, (const Ipp8u*, int, Ipp8u* const*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_C4P4R,                  IppStatus, (const Ipp8u*, int, Ipp8u* const*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiGetPerspectiveTransform,        IppStatus, (IppiRect, const double (*)[2], double (*)[3])) \
  X(BUILTIN, IPPI,         ippiFilterSobelHoriz_8u_C3R,        IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterSobelHoriz_8u_AC4R,       IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterSobelHoriz_8u_C1R,        IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiErode_8u_C3R,                   IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiErode_8u_AC4R,                  IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiErode_8u_C1R,                   IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiDilate_8u_C3R,                  IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiDilate_8u_AC4R,                 IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiDilate_8u_C1R,                  IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, IppiSize, IppiPoint)) \
  X(BUILTIN, IPPI,         ippiGetPerspectiveBound,            IppStatus, (IppiRect, double (*)[2], const double (*)[3])) \
  X(BUILTIN, IPPI,         ippiWarpPerspectiveBack_8u_C3R,     IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, const double (*)[3], int)) \
  X(BUILTIN, IPPI,         ippiWarpPerspectiveBack_8u_C4R,     IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, const double (*)[3], int)) \
  X(BUILTIN, IPPI,         ippiWarpPerspectiveBack_8u_C1R,     IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, const double (*)[3], int)) \
  X(BUILTIN, IPPI,         ippiWarpPerspective_8u_C3R,         IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, const double (*)[3], int)) \
  X(BUILTIN, IPPI,         ippiWarpPerspective_8u_C4R,         IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, const double (*)[3], int)) \
  X(BUILTIN, IPPI,         ippiWarpPerspective_8u_C1R,         IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, const double (*)[3], int)) \
  X(BUILTIN, IPPI,         ippiGetBilinearBound,               IppStatus, (IppiRect, double (*)[2], const double (*)[4])) \
  X(BUILTIN, IPPI,         ippiGetBilinearTransform,           IppStatus, (IppiRect, const double (*)[2], double (*)[4])) \
  X(BUILTIN, IPPI,         ippiWarpBilinearBack_8u_C3R,        IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, const double (*)[4], int)) \
  X(BUILTIN, IPPI,         ippiWarpBilinearBack_8u_C4R,        IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, const double (*)[4], int)) \
  X(BUILTIN, IPPI,         ippiWarpBilinearBack_8u_C1R,        IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, const double (*)[4], int)) \
  X(BUILTIN, IPPI,         ippiWarpBilinear_8u_C3R,            IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, const double (*)[4], int)) \
  X(BUILTIN, IPPI,         ippiWarpBilinear_8u_C4R,            IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, const double (*)[4], int)) \
  X(BUILTIN, IPPI,         ippiWarpBilinear_8u_C1R,            IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect, const double (*)[4], int)) \
  X(BUILTIN, IPPI,         ippiFilterSobelVert_8u_C3R,         IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterSobelVert_8u_AC4R,        IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterSobelVert_8u_C1R,         IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterRobertsDown_8u_C3R,       IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterRobertsDown_8u_AC4R,      IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterRobertsDown_8u_C1R,       IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterRobertsUp_8u_C3R,         IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterRobertsUp_8u_AC4R,        IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterRobertsUp_8u_C1R,         IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterLaplace_8u_C3R,           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterLaplace_8u_AC4R,          IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterLaplace_8u_C1R,           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterGauss_8u_C3R,             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterGauss_8u_AC4R,            IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterGauss_8u_C4R,             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterGauss_8u_C1R,             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterHipass_8u_C3R,            IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI_IGNORED, ippiFilterHipass_8u_AC4R,           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterHipass_8u_C1R,            IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterLowpass_8u_C3R,           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterLowpass_8u_AC4R,          IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterLowpass_8u_C1R,           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterSharpen_8u_C3R,           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterSharpen_8u_AC4R,          IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterSharpen_8u_C1R,           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterMedianCross_8u_C3R,       IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterMedianCross_8u_AC4R,      IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterMedianCross_8u_C1R,       IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterMedianColor_8u_C3R,       IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  X(BUILTIN, IPPI,         ippiFilterMedianColor_8u_AC4R,      IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize)) \
  XS(BUILTIN, IPPS,         ippsSet_8u,                         IppStatus, (Ipp8u, Ipp8u*, int)) \
  X(BUILTIN, IPPI,         ippiThreshold_LTValGTVal_8u_C3R,    IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, const Ipp8u*, const Ipp8u*, const Ipp8u*)) \
  X(BUILTIN, IPPI,         ippiThreshold_LTValGTVal_8u_AC4R,   IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, const Ipp8u*, const Ipp8u*, const Ipp8u*)) \
  X(BUILTIN, IPPI,         ippiThreshold_LTVal_8u_C3R,         IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, const Ipp8u*)) \
  X(BUILTIN, IPPI,         ippiThreshold_LTVal_8u_AC4R,        IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, const Ipp8u*)) \
  X(BUILTIN, IPPI,         ippiThreshold_GTVal_8u_C3R,         IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, const Ipp8u*)) \
  X(BUILTIN, IPPI,         ippiThreshold_GTVal_8u_AC4R,        IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, const Ipp8u*)) \
  X(BUILTIN, IPPI,         ippiHistogramEven_8u_C1R,           IppStatus, (const Ipp8u*, int, IppiSize, Ipp32s*, Ipp32s*, int, Ipp32s, Ipp32s)) \
  X(BUILTIN, IPPI,         ippiFilter_8u_C3R,                  IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s*, IppiSize, IppiPoint, int)) \
  X(BUILTIN, IPPI,         ippiFilter_8u_C1R,                  IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s*, IppiSize, IppiPoint, int)) \
  X(BUILTIN, IPPI,         ippiFilter_8u_AC4R,                 IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s*, IppiSize, IppiPoint, int)) \
  X(BUILTIN, IPPI,         ippiRemap_8u_C1R,                   IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, const Ipp32f*, int, const Ipp32f*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiRemap_8u_C3R,                   IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, const Ipp32f*, int, const Ipp32f*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiRemap_8u_C4R,                   IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, const Ipp32f*, int, const Ipp32f*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiRemap_8u_AC4R,                  IppStatus, (const Ipp8u*, IppiSize, int, IppiRect, const Ipp32f*, int, const Ipp32f*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiLUT_8u_C1R,                     IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s*, const Ipp32s*, int)) \
  X(BUILTIN, IPPI,         ippiLUT_8u_C3R,                     IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s**, const Ipp32s**, int*)) \
  X(BUILTIN, IPPI,         ippiLUT_8u_C4R,                     IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s**, const Ipp32s**, int*)) \
  X(BUILTIN, IPPI,         ippiLUT_8u_C4IR,                    IppStatus, (Ipp8u*, int, IppiSize, const Ipp32s**, const Ipp32s**, int*)) \
  X(BUILTIN, IPPI,         ippiLUT_Linear_8u_C1R,              IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s*, const Ipp32s*, int)) \
  X(BUILTIN, IPPI,         ippiLUT_Linear_8u_C3R,              IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s**, const Ipp32s**, int*)) \
  X(BUILTIN, IPPI,         ippiLUT_Linear_8u_AC4R,             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s**, const Ipp32s**, int*)) \
  X(BUILTIN, IPPI,         ippiLUT_Cubic_8u_C1R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s*, const Ipp32s*, int)) \
  X(BUILTIN, IPPI,         ippiLUT_Cubic_8u_C3R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s**, const Ipp32s**, int*)) \
  X(BUILTIN, IPPI,         ippiLUT_Cubic_8u_C4R,               IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s**, const Ipp32s**, int*)) \
  X(BUILTIN, IPPI,         ippiLUTPalette_8u24u_C1R,           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, int)) \
  X(BUILTIN, IPPI,         ippiLUTPalette_8u32u_C1R,           IppStatus, (const Ipp8u*, int, Ipp32u*, int, IppiSize, const Ipp32u*, int)) \
  X(BUILTIN, IPPI,         ippiSum_32f_C1R,                    IppStatus, (const Ipp32f*, int, IppiSize, Ipp64f*, IppHintAlgorithm))
// clang-format on

namespace PXSubDispatcher {

PX_SUB_DISPATCHER_SLOTS(PF_IPP_SLOT_DECLARE, PF_IPP_SLOT_DECLARE)

// Fills every slot of the unit, in list order, through the given lookups.
void Bind(const binding::TIPPLookups& lookups);
// The unit's slots in binding order.
std::span<const binding::TIPPSlotInfo> Slots();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"PXSubDispatcher", &Initialization, &Finalization};

}  // namespace PXSubDispatcher
