// Dispatcher unit PXDispatcher: 149 dispatch slots for the image point operations, colour
// conversions and a few filters.
//
// The list below is the only place where the slots are written: name, signature, lookup and
// whether the built-in version exists. To bind a built-in version that has been written,
// change STUB to BUILTIN on its line (the family's header is included by IPPBuiltins.h).
#pragma once

#include <span>

#include "binding/IPPSlots.h"
#include "platform/Units.h"

// clang-format off
#define PX_DISPATCHER_SLOTS(X, XS) \
  X(BUILTIN, IPPI,         ippiYUV422ToRGB_8u_C2C3R,                    IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiColorTwist32f_8u_C3R,                    IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f (*)[4])) \
  X(BUILTIN, IPPI,         ippiSwapChannels_8u_C3IR,                    IppStatus, (Ipp8u*, int, IppiSize, const int*)) \
  X(BUILTIN, IPPI,         ippiSwapChannels_8u_C3R,                     IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const int*)) \
  X(BUILTIN, IPPI,         ippiSwapChannels_8u_AC4R,                    IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const int*)) \
  X(BUILTIN, IPPI,         ippiRGBToYUV422_8u_C3C2R,                    IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAlphaCompC_8u_C3R,                       IppStatus, (const Ipp8u*, int, Ipp8u, const Ipp8u*, int, Ipp8u, Ipp8u*, int, IppiSize, IppiAlphaType)) \
  X(BUILTIN, IPPI,         ippiAlphaCompC_8u_C1R,                       IppStatus, (const Ipp8u*, int, Ipp8u, const Ipp8u*, int, Ipp8u, Ipp8u*, int, IppiSize, IppiAlphaType)) \
  X(BUILTIN, IPPI,         ippiAlphaCompC_8u_C4R,                       IppStatus, (const Ipp8u*, int, Ipp8u, const Ipp8u*, int, Ipp8u, Ipp8u*, int, IppiSize, IppiAlphaType)) \
  X(BUILTIN, IPPI,         ippiAdd_8u_C3IRSfs,                          IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiAdd_8u_AC4IRSfs,                         IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSub_8u_C3IRSfs,                          IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSub_8u_AC4IRSfs,                         IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMul_8u_C3IRSfs,                          IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMul_8u_AC4IRSfs,                         IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiDiv_8u_C3IRSfs,                          IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiDiv_8u_AC4IRSfs,                         IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSet_8u_C3R,                              IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  XS(BUILTIN, IPPI,         ippiSet_8u_C1R,                              IppStatus, (Ipp8u, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiSet_8u_C3CR,                             IppStatus, (Ipp8u, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiSet_8u_AC4R,                             IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiSet_8u_C4CR,                             IppStatus, (Ipp8u, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMirror_8u_C3R,                           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiAxis)) \
  X(BUILTIN, IPPI,         ippiMirror_8u_C3IR,                          IppStatus, (Ipp8u*, int, IppiSize, IppiAxis)) \
  X(BUILTIN, IPPI,         ippiMirror_8u_C4R,                           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiAxis)) \
  X(BUILTIN, IPPI,         ippiMirror_8u_C4IR,                          IppStatus, (Ipp8u*, int, IppiSize, IppiAxis)) \
  X(BUILTIN, IPPI,         ippiMirror_16u_C1R,                          IppStatus, (const Ipp16u*, int, Ipp16u*, int, IppiSize, IppiAxis)) \
  X(BUILTIN, IPPI,         ippiMirror_8u_AC4R,                          IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiAxis)) \
  X(BUILTIN, IPPI,         ippiMirror_8u_AC4IR,                         IppStatus, (Ipp8u*, int, IppiSize, IppiAxis)) \
  X(BUILTIN, IPPI,         ippiFilterWiener_8u_C3R,                     IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint, Ipp32f*, Ipp8u*)) \
  X(BUILTIN, IPPI,         ippiFilterWiener_8u_AC4R,                    IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint, Ipp32f*, Ipp8u*)) \
  X(BUILTIN, IPPI,         ippiFilterWiener_8u_C1R,                     IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint, Ipp32f*, Ipp8u*)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_C3R,                             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_AC4R,                            IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_C4CR,                            IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_C1C3R,                           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_C1C4R,                           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_C3C1R,                           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_C4C1R,                           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAdd_8u_C3RSfs,                           IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiAdd_8u_C4RSfs,                           IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiAdd_8u_AC4RSfs,                          IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiAdd_8u_C1RSfs,                           IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSub_8u_C3RSfs,                           IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSub_8u_AC4RSfs,                          IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSub_8u_C1RSfs,                           IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMul_8u_C3RSfs,                           IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMul_8u_AC4RSfs,                          IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMul_8u_C1RSfs,                           IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiDiv_8u_C3RSfs,                           IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiDiv_8u_AC4RSfs,                          IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiDiv_8u_C1RSfs,                           IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiOr_8u_C3R,                               IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiOr_8u_AC4R,                              IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiOr_8u_C1R,                               IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAnd_8u_C3R,                              IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAnd_8u_AC4R,                             IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAnd_8u_C1R,                              IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiXor_8u_C3R,                              IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiXor_8u_AC4R,                             IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiXor_8u_C1R,                              IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAbsDiff_8u_C1R,                          IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterWienerGetBufferSize,               IppStatus, (IppiSize, IppiSize, int, int*)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_C3AC4R,                          IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_AC4C3R,                          IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiNot_8u_C3IR,                             IppStatus, (Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiNot_8u_C4IR,                             IppStatus, (Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiNot_8u_AC4IR,                            IppStatus, (Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAnd_8u_C3IR,                             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAnd_8u_C1IR,                             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAnd_8u_C4IR,                             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAnd_8u_AC4IR,                            IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiOr_8u_C3IR,                              IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiOr_8u_C1IR,                              IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiOr_8u_C4IR,                              IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiOr_8u_AC4IR,                             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAddC_8u_C3IRSfs,                         IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiAddC_8u_AC4IRSfs,                        IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiAddC_8u_C4IRSfs,                         IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSubC_8u_C3IRSfs,                         IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSubC_8u_C4IRSfs,                         IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMulC_8u_C3IRSfs,                         IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMulC_8u_AC4IRSfs,                        IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMulC_8u_C4IRSfs,                         IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiMulCScale_8u_C1IR,                       IppStatus, (Ipp8u, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMulCScale_8u_C1R,                        IppStatus, (const Ipp8u*, int, Ipp8u, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMulCScale_8u_C3IR,                       IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMulCScale_8u_C3R,                        IppStatus, (const Ipp8u*, int, const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMulCScale_8u_AC4IR,                      IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMulCScale_8u_C4IR,                       IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMulCScale_8u_C4R,                        IppStatus, (const Ipp8u*, int, const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMulScale_8u_C1IR,                        IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMulScale_8u_C3IR,                        IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMulScale_8u_AC4IR,                       IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMulScale_8u_C4IR,                        IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiDivC_8u_C3IRSfs,                         IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiDivC_8u_C4IRSfs,                         IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiDivC_8u_AC4IRSfs,                        IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiAbsDiffC_8u_C1R,                         IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSqr_8u_C3IRSfs,                          IppStatus, (Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSqr_8u_AC4IRSfs,                         IppStatus, (Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiLShiftC_8u_C3IR,                         IppStatus, (const Ipp32u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiLShiftC_8u_AC4IR,                        IppStatus, (const Ipp32u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiLShiftC_8u_C4IR,                         IppStatus, (const Ipp32u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRShiftC_8u_C3IR,                         IppStatus, (const Ipp32u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRShiftC_8u_C4IR,                         IppStatus, (const Ipp32u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRShiftC_8u_AC4IR,                        IppStatus, (const Ipp32u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiNot_8u_C3R,                              IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiNot_8u_AC4R,                             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAndC_8u_C3IR,                            IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAndC_8u_C4IR,                            IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAndC_8u_AC4IR,                           IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiOrC_8u_C3IR,                             IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiOrC_8u_AC4IR,                            IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiOrC_8u_C4IR,                             IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiLShiftC_8u_C3R,                          IppStatus, (const Ipp8u*, int, const Ipp32u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiRShiftC_8u_C3R,                          IppStatus, (const Ipp8u*, int, const Ipp32u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiAndC_8u_C3R,                             IppStatus, (const Ipp8u*, int, const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiOrC_8u_C3R,                              IppStatus, (const Ipp8u*, int, const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiXorC_8u_C3IR,                            IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiXorC_8u_AC4IR,                           IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiXorC_8u_C4IR,                            IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiXor_8u_C3IR,                             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiXor_8u_C1IR,                             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiXor_8u_AC4IR,                            IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiXor_8u_C4IR,                             IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiSqr_8u_C3RSfs,                           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiSqr_8u_AC4RSfs,                          IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, int)) \
  X(BUILTIN, IPPI,         ippiXorC_8u_C3R,                             IppStatus, (const Ipp8u*, int, const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiColorToGray_8u_C3C1R,                    IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f*)) \
  X(BUILTIN, IPPI,         ippiColorToGray_8u_AC4C1R,                   IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f*)) \
  X(BUILTIN, IPPI,         ippiFilterSobelHorizBorder_8u16s_C1R,        IppStatus, (const Ipp8u*, int, Ipp16s*, int, IppiSize, IppiMaskSize, IppiBorderType, Ipp8u, Ipp8u*)) \
  X(BUILTIN, IPPI,         ippiFilterSobelVertBorder_8u16s_C1R,         IppStatus, (const Ipp8u*, int, Ipp16s*, int, IppiSize, IppiMaskSize, IppiBorderType, Ipp8u, Ipp8u*)) \
  X(BUILTIN, IPPI,         ippiFilterSobelHorizGetBufferSize_8u16s_C1R, IppStatus, (IppiSize, IppiMaskSize, int*)) \
  X(BUILTIN, IPPI,         ippiFilterSobelVertGetBufferSize_8u16s_C1R,  IppStatus, (IppiSize, IppiMaskSize, int*)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_P3C3R,                           IppStatus, (const Ipp8u* const*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiMirror_8u_C1IR,                          IppStatus, (Ipp8u*, int, IppiSize, IppiAxis)) \
  X(BUILTIN, IPPI,         ippiMirror_8u_C1R,                           IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiAxis)) \
  X(BUILTIN, IPPS,         ippsSwapBytes_16u_I,                         IppStatus, (Ipp16u*, int)) \
  X(BUILTIN, IPPI,         ippiMax_8u_C1R,                              IppStatus, (const Ipp8u*, int, IppiSize, Ipp8u*)) \
  X(BUILTIN, IPPI,         ippiYUV420ToRGB_8u_P3C3R,                    IppStatus, (const Ipp8u* const*, int*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiYCbCr420ToRGB_8u_P3C3R,                  IppStatus, (const Ipp8u* const*, int*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiFilterColumn32f_8u_C3R,                  IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f*, int, int)) \
  X(BUILTIN, IPPI,         ippiFilterColumn32f_8u_C4R,                  IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f*, int, int)) \
  X(BUILTIN, IPPI,         ippiFilterColumn32f_8u_C1R,                  IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f*, int, int)) \
  X(BUILTIN, IPPI,         ippiFilterRow32f_8u_C3R,                     IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f*, int, int)) \
  X(BUILTIN, IPPI,         ippiFilterRow32f_8u_C4R,                     IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f*, int, int)) \
  X(BUILTIN, IPPI,         ippiFilterRow32f_8u_C1R,                     IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f*, int, int)) \
  X(BUILTIN, IPPI,         ippiAddWeighted_8u32f_C1IR,                  IppStatus, (const Ipp8u*, int, Ipp32f*, int, IppiSize, Ipp32f))
// clang-format on

namespace PXDispatcher {

PX_DISPATCHER_SLOTS(PF_IPP_SLOT_DECLARE, PF_IPP_SLOT_DECLARE)

// Fills every slot of the unit, in list order, through the given lookups.
void Bind(const binding::TIPPLookups& lookups);
// The unit's slots in binding order.
std::span<const binding::TIPPSlotInfo> Slots();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"PXDispatcher", &Initialization, &Finalization};

}  // namespace PXDispatcher
