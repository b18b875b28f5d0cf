// Dispatcher unit RBBasicDispatcher: 174 dispatch slots for the signal-vector primitives that the
// signal buffers call.
//
// The list below is the only place where the slots are written: name, signature, lookup and
// whether the built-in version exists. To bind a built-in version that has been written,
// change STUB to BUILTIN on its line (the family's header is included by IPPBuiltins.h).
#pragma once

#include <span>

#include "binding/IPPSlots.h"
#include "platform/Units.h"

// clang-format off
#define RB_BASIC_DISPATCHER_SLOTS(X, XS) \
  X(BUILTIN, IPPS,         ippsSub_32f_I,              IppStatus, (const Ipp32f*, Ipp32f*, int)) \
  X(BUILTIN, IPPS,         ippsMulC_32f_I,             IppStatus, (Ipp32f, Ipp32f*, int)) \
  X(BUILTIN, IPPS,         ippsMul_32f_I,              IppStatus, (const Ipp32f*, Ipp32f*, int)) \
  X(BUILTIN, IPPS,         ippsConjCcs_64fc_I,         IppStatus, (Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsFFTFree_C_64fc,         IppStatus, (IppsFFTSpec_C_64fc*)) \
  X(BUILTIN, IPPS,         ippsFFTFree_R_64f,          IppStatus, (IppsFFTSpec_R_64f*)) \
  X(BUILTIN, IPPS,         ippsFFTFwd_RToCCS_64f,      IppStatus, (const Ipp64f*, Ipp64f*, const IppsFFTSpec_R_64f*, Ipp8u*)) \
  X(BUILTIN, IPPS,         ippsFFTInitAlloc_C_64fc,    IppStatus, (IppsFFTSpec_C_64fc**, int, int, IppHintAlgorithm)) \
  X(BUILTIN, IPPS,         ippsFFTInitAlloc_R_64f,     IppStatus, (IppsFFTSpec_R_64f**, int, int, IppHintAlgorithm)) \
  X(BUILTIN, IPPS,         ippsFFTInv_CCSToR_64f,      IppStatus, (const Ipp64f*, Ipp64f*, const IppsFFTSpec_R_64f*, Ipp8u*)) \
  X(BUILTIN, IPPS,         ippsFFTInv_CToC_64fc,       IppStatus, (const Ipp64fc*, Ipp64fc*, const IppsFFTSpec_C_64fc*, Ipp8u*)) \
  X(BUILTIN, IPPS,         ippsFFTFwd_CToC_64fc,       IppStatus, (const Ipp64fc*, Ipp64fc*, const IppsFFTSpec_C_64fc*, Ipp8u*)) \
  X(BUILTIN, IPPS,         ippsWinBartlett_64fc_I,     IppStatus, (Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsWinBlackman_64fc_I,     IppStatus, (Ipp64fc*, int, Ipp64f)) \
  X(BUILTIN, IPPS,         ippsWinHamming_64fc_I,      IppStatus, (Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsWinHann_64fc_I,         IppStatus, (Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsWinKaiser_64fc_I,       IppStatus, (Ipp64fc*, int, Ipp32f)) \
  X(BUILTIN, IPPS,         ippsConv_64f,               IppStatus, (const Ipp64f*, int, const Ipp64f*, int, Ipp64f*)) \
  X(BUILTIN, IPPS,         ippsNormDiff_L1_64f,        IppStatus, (const Ipp64f*, const Ipp64f*, int, Ipp64f*)) \
  X(BUILTIN, IPPS,         ippsNormDiff_L2_64f,        IppStatus, (const Ipp64f*, const Ipp64f*, int, Ipp64f*)) \
  X(BUILTIN, IPPS,         ippsNormDiff_Inf_64f,       IppStatus, (const Ipp64f*, const Ipp64f*, int, Ipp64f*)) \
  X(BUILTIN, IPPS,         ippsMean_64f,               IppStatus, (const Ipp64f*, int, Ipp64f*)) \
  X(BUILTIN, IPPS,         ippsMean_32f,               IppStatus, (const Ipp32f*, int, Ipp32f*, IppHintAlgorithm)) \
  X(BUILTIN, IPPS,         ippsStdDev_64f,             IppStatus, (const Ipp64f*, int, Ipp64f*)) \
  X(BUILTIN, IPPS,         ippsMinIndx_64f,            IppStatus, (const Ipp64f*, int, Ipp64f*, int*)) \
  X(BUILTIN, IPPS,         ippsMaxIndx_64f,            IppStatus, (const Ipp64f*, int, Ipp64f*, int*)) \
  X(BUILTIN, IPPS,         ippsAutoCorr_NormA_64f,     IppStatus, (const Ipp64f*, int, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsAutoCorr_NormB_64f,     IppStatus, (const Ipp64f*, int, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsCrossCorr_64f,          IppStatus, (const Ipp64f*, int, const Ipp64f*, int, Ipp64f*, int, int)) \
  X(BUILTIN, IPPS,         ippsNormalize_32f,          IppStatus, (const Ipp32f*, Ipp32f*, int, Ipp32f, Ipp32f)) \
  X(BUILTIN, IPPS,         ippsNormalize_64f,          IppStatus, (const Ipp64f*, Ipp64f*, int, Ipp64f, Ipp64f)) \
  X(BUILTIN, IPPS,         ippsDotProd_64f,            IppStatus, (const Ipp64f*, const Ipp64f*, int, Ipp64f*)) \
  X(BUILTIN, IPPS,         ippsThreshold_32f_I,        IppStatus, (Ipp32f*, int, Ipp32f, IppCmpOp)) \
  X(BUILTIN, IPPS,         ippsThreshold_64f_I,        IppStatus, (Ipp64f*, int, Ipp64f, IppCmpOp)) \
  X(BUILTIN, IPPS,         ippsThreshold_64f,          IppStatus, (const Ipp64f*, Ipp64f*, int, Ipp64f, IppCmpOp)) \
  X(BUILTIN, IPPS,         ippsAbs_64f_I,              IppStatus, (Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsAbs_64f,                IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsSqr_64f_I,              IppStatus, (Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsSqr_64f,                IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsSqrt_64f_I,             IppStatus, (Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsSqrt_64f,               IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsExp_64f_I,              IppStatus, (Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsExp_64f,                IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsLn_64f_I,               IppStatus, (Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsLn_64f,                 IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsConvert_16s64f_Sfs,     IppStatus, (const Ipp16s*, Ipp64f*, int, int)) \
  X(BUILTIN, IPPS,         ippsAndC_32u_I,             IppStatus, (Ipp32u, Ipp32u*, int)) \
  X(BUILTIN, IPPS,         ippsOrC_32u_I,              IppStatus, (Ipp32u, Ipp32u*, int)) \
  X(BUILTIN, IPPS,         ippsOr_32u_I,               IppStatus, (const Ipp32u*, Ipp32u*, int)) \
  X(BUILTIN, IPPS,         ippsXorC_32u_I,             IppStatus, (Ipp32u, Ipp32u*, int)) \
  X(BUILTIN, IPPS,         ippsXor_32u_I,              IppStatus, (const Ipp32u*, Ipp32u*, int)) \
  X(BUILTIN, IPPS,         ippsAnd_32u_I,              IppStatus, (const Ipp32u*, Ipp32u*, int)) \
  X(BUILTIN, IPPS,         ippsDotProd_32s_Sfs,        IppStatus, (const Ipp32s*, const Ipp32s*, int, Ipp32s*, int)) \
  X(BUILTIN, IPPS,         ippsPowerSpectr_64fc,       IppStatus, (const Ipp64fc*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsPhase_64fc,             IppStatus, (const Ipp64fc*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsMagnitude_64fc,         IppStatus, (const Ipp64fc*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsSqr_64fc,               IppStatus, (const Ipp64fc*, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsSqrt_64fc_I,            IppStatus, (Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsSqrt_64fc,              IppStatus, (const Ipp64fc*, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsSqr_64fc_I,             IppStatus, (Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsAutoCorr_64fc,          IppStatus, (const Ipp64fc*, int, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsAutoCorr_NormA_64fc,    IppStatus, (const Ipp64fc*, int, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsAutoCorr_NormB_64fc,    IppStatus, (const Ipp64fc*, int, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsCrossCorr_64fc,         IppStatus, (const Ipp64fc*, int, const Ipp64fc*, int, Ipp64fc*, int, int)) \
  X(BUILTIN, IPPS,         ippsThreshold_64fc,         IppStatus, (const Ipp64fc*, Ipp64fc*, int, Ipp64f, IppCmpOp)) \
  X(BUILTIN, IPPS,         ippsThreshold_64fc_I,       IppStatus, (Ipp64fc*, int, Ipp64f, IppCmpOp)) \
  X(BUILTIN, IPPS,         ippsDotProd_64fc,           IppStatus, (const Ipp64fc*, const Ipp64fc*, int, Ipp64fc*)) \
  X(BUILTIN, IPPS,         ippsNormalize_64fc,         IppStatus, (const Ipp64fc*, Ipp64fc*, int, Ipp64fc, Ipp64f)) \
  X(BUILTIN, IPPS,         ippsDivC_64fc_I,            IppStatus, (Ipp64fc, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsMulC_64fc_I,            IppStatus, (Ipp64fc, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsSubC_64fc_I,            IppStatus, (Ipp64fc, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsAddC_64fc_I,            IppStatus, (Ipp64fc, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsRealToCplx_64f,         IppStatus, (const Ipp64f*, const Ipp64f*, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsRealToCplx_32f,         IppStatus, (const Ipp32f*, const Ipp32f*, Ipp32fc*, int)) \
  X(BUILTIN, IPPS,         ippsSubC_32s_ISfs,          IppStatus, (Ipp32s, Ipp32s*, int, int)) \
  X(BUILTIN, IPPS,         ippsAddC_32s_ISfs,          IppStatus, (Ipp32s, Ipp32s*, int, int)) \
  X(BUILTIN, IPPS,         ippsAddC_32s_Sfs,           IppStatus, (const Ipp32s*, Ipp32s, Ipp32s*, int, int)) \
  X(BUILTIN, IPPS,         ippsAddC_64f,               IppStatus, (const Ipp64f*, Ipp64f, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsSubC_64f,               IppStatus, (const Ipp64f*, Ipp64f, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsSubC_64f_I,             IppStatus, (Ipp64f, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsMulC_64f,               IppStatus, (const Ipp64f*, Ipp64f, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsDivC_64f,               IppStatus, (const Ipp64f*, Ipp64f, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsAddC_64f_I,             IppStatus, (Ipp64f, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsAddC_64fc,              IppStatus, (const Ipp64fc*, Ipp64fc, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsAndC_32u,               IppStatus, (const Ipp32u*, Ipp32u, Ipp32u*, int)) \
  X(BUILTIN, IPPS,         ippsAdd_32s_ISfs,           IppStatus, (const Ipp32s*, Ipp32s*, int, int)) \
  X(BUILTIN, IPPS,         ippsMulC_32s_ISfs,          IppStatus, (Ipp32s, Ipp32s*, int, int)) \
  X(BUILTIN, IPPS,         ippsAdd_64f,                IppStatus, (const Ipp64f*, const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsAdd_64f_I,              IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsAdd_64fc,               IppStatus, (const Ipp64fc*, const Ipp64fc*, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsAdd_64fc_I,             IppStatus, (const Ipp64fc*, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsAdd_8u_ISfs,            IppStatus, (const Ipp8u*, Ipp8u*, int, int)) \
  X(BUILTIN, IPPS,         ippsConvert_32f64f,         IppStatus, (const Ipp32f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsCopy_32f,               IppStatus, (const Ipp32f*, Ipp32f*, int)) \
  X(BUILTIN, IPPS,         ippsCopy_64f,               IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsMove_64f,               IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsCopy_8u,                IppStatus, (const Ipp8u*, Ipp8u*, int)) \
  X(BUILTIN, IPPS,         ippsDiv_32s_ISfs,           IppStatus, (const Ipp32s*, Ipp32s*, int, int)) \
  X(BUILTIN, IPPS,         ippsDiv_64f_I,              IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsDiv_64fc_I,             IppStatus, (const Ipp64fc*, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsDivC_64f_I,             IppStatus, (Ipp64f, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsMax_64f,                IppStatus, (const Ipp64f*, int, Ipp64f*)) \
  X(BUILTIN, IPPS,         ippsMin_64f,                IppStatus, (const Ipp64f*, int, Ipp64f*)) \
  X(BUILTIN, IPPS,         ippsMul_32s_ISfs,           IppStatus, (const Ipp32s*, Ipp32s*, int, int)) \
  X(BUILTIN, IPPS,         ippsMul_64f_I,              IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsMul_64f,                IppStatus, (const Ipp64f*, const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsMul_32f,                IppStatus, (const Ipp32f*, const Ipp32f*, Ipp32f*, int)) \
  X(BUILTIN, IPPS,         ippsMul_64fc_I,             IppStatus, (const Ipp64fc*, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsMul_8u_ISfs,            IppStatus, (const Ipp8u*, Ipp8u*, int, int)) \
  X(BUILTIN, IPPS,         ippsMulC_64f_I,             IppStatus, (Ipp64f, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsSet_32s,                IppStatus, (Ipp32s, Ipp32s*, int)) \
  X(BUILTIN, IPPS,         ippsSet_64f,                IppStatus, (Ipp64f, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsSet_32f,                IppStatus, (Ipp32f, Ipp32f*, int)) \
  X(BUILTIN, IPPS,         ippsSet_64fc,               IppStatus, (Ipp64fc, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsSet_8u,                 IppStatus, (Ipp8u, Ipp8u*, int)) \
  X(BUILTIN, IPPS,         ippsSub_32s_ISfs,           IppStatus, (const Ipp32s*, Ipp32s*, int, int)) \
  X(BUILTIN, IPPS,         ippsSub_64f_I,              IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsSub_64fc_I,             IppStatus, (const Ipp64fc*, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsSub_8u_ISfs,            IppStatus, (const Ipp8u*, Ipp8u*, int, int)) \
  X(BUILTIN, IPPS,         ippsSum_64f,                IppStatus, (const Ipp64f*, int, Ipp64f*)) \
  X(BUILTIN, IPPS,         ippsVectorJaehne_64f,       IppStatus, (Ipp64f*, int, Ipp64f)) \
  X(BUILTIN, IPPS,         ippsWinBartlett_64f_I,      IppStatus, (Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsWinBartlett_64f,        IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsWinBlackman_64f_I,      IppStatus, (Ipp64f*, int, Ipp64f)) \
  X(BUILTIN, IPPS,         ippsWinBlackman_64f,        IppStatus, (const Ipp64f*, Ipp64f*, int, Ipp64f)) \
  X(BUILTIN, IPPS,         ippsWinHamming_64f_I,       IppStatus, (Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsWinHamming_64f,         IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsWinHann_64f_I,          IppStatus, (Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsWinHann_64f,            IppStatus, (const Ipp64f*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsWinKaiser_64f_I,        IppStatus, (Ipp64f*, int, Ipp32f)) \
  X(BUILTIN, IPPS,         ippsWinKaiser_64f,          IppStatus, (const Ipp64f*, Ipp64f*, int, Ipp32f)) \
  X(BUILTIN, IPPS,         ippsZero_16s,               IppStatus, (Ipp16s*, int)) \
  X(BUILTIN, IPPS,         ippsZero_32s,               IppStatus, (Ipp32s*, int)) \
  X(BUILTIN, IPPS,         ippsZero_64f,               IppStatus, (Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsZero_32f,               IppStatus, (Ipp32f*, int)) \
  X(BUILTIN, IPPS,         ippsZero_64fc,              IppStatus, (Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsZero_8u,                IppStatus, (Ipp8u*, int)) \
  X(BUILTIN, IPPS,         ippsSubC_32s_Sfs,           IppStatus, (const Ipp32s*, Ipp32s, Ipp32s*, int, int)) \
  X(BUILTIN, IPPS,         ippsSubC_64fc,              IppStatus, (const Ipp64fc*, Ipp64fc, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsSubCRev_32s_Sfs,        IppStatus, (const Ipp32s*, Ipp32s, Ipp32s*, int, int)) \
  X(BUILTIN, IPPS,         ippsSubCRev_64f,            IppStatus, (const Ipp64f*, Ipp64f, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsSubCRev_64fc,           IppStatus, (const Ipp64fc*, Ipp64fc, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsDivC_64fc,              IppStatus, (const Ipp64fc*, Ipp64fc, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsMulC_64fc,              IppStatus, (const Ipp64fc*, Ipp64fc, Ipp64fc*, int)) \
  X(BUILTIN, IPPS,         ippsMulC_32s_Sfs,           IppStatus, (const Ipp32s*, Ipp32s, Ipp32s*, int, int)) \
  X(BUILTIN, IPPS,         ippsOrC_32u,                IppStatus, (const Ipp32u*, Ipp32u, Ipp32u*, int)) \
  X(BUILTIN, IPPS,         ippsXorC_32u,               IppStatus, (const Ipp32u*, Ipp32u, Ipp32u*, int)) \
  X(BUILTIN, IPPS,         ippsLShiftC_32s,            IppStatus, (const Ipp32s*, int, Ipp32s*, int)) \
  X(BUILTIN, IPPS,         ippsRShiftC_32s,            IppStatus, (const Ipp32s*, int, Ipp32s*, int)) \
  X(BUILTIN, IPPS,         ippsLShiftC_32s_I,          IppStatus, (int, Ipp32s*, int)) \
  X(BUILTIN, IPPS,         ippsRShiftC_32s_I,          IppStatus, (int, Ipp32s*, int)) \
  X(BUILTIN, IPPS,         ippsConvert_64f32f,         IppStatus, (const Ipp64f*, Ipp32f*, int)) \
  X(BUILTIN, IPPS,         ippsConvert_64f32s_Sfs,     IppStatus, (const Ipp64f*, Ipp32s*, int, IppRoundMode, int)) \
  X(BUILTIN, IPPS,         ippsConvert_32s64f,         IppStatus, (const Ipp32s*, Ipp64f*, int)) \
  XS(BUILTIN, IPPI,         ippiMirror_8u_C3IR,         IppStatus, (Ipp8u*, int, IppiSize, IppiAxis)) \
  X(BUILTIN, IPPS,         ippsReal_64fc,              IppStatus, (const Ipp64fc*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsImag_64fc,              IppStatus, (const Ipp64fc*, Ipp64f*, int)) \
  X(BUILTIN, IPPS,         ippsConvert_32f32s_Sfs,     IppStatus, (const Ipp32f*, Ipp32s*, int, IppRoundMode, int)) \
  X(BUILTIN, IPPS,         ippsConvert_32s32f,         IppStatus, (const Ipp32s*, Ipp32f*, int)) \
  X(BUILTIN, IPPS,         ippsSwapBytes_16u,          IppStatus, (const Ipp16u*, Ipp16u*, int)) \
  X(BUILTIN, IPPS,         ippsSwapBytes_24u,          IppStatus, (const Ipp8u*, Ipp8u*, int)) \
  X(BUILTIN, IPPS,         ippsSwapBytes_32u,          IppStatus, (const Ipp32u*, Ipp32u*, int)) \
  X(BUILTIN, IPPS,         ippsSwapBytes_32u_I,        IppStatus, (Ipp32u*, int)) \
  X(BUILTIN, IPPS,         ippsAutoCorr_64f,           IppStatus, (const Ipp64f*, int, Ipp64f*, int)) \
  X(BUILTIN, IPPI,         ippiCopy_32s_C1R,           IppStatus, (const Ipp32s*, int, Ipp32s*, int, IppiSize)) \
  X(BUILTIN, IPPS,         ippsFIR_64f,                IppStatus, (const Ipp64f*, Ipp64f*, int, IppsFIRState_64f*)) \
  X(BUILTIN, IPPS,         ippsFIRFree_64f,            IppStatus, (IppsFIRState_64f*)) \
  X(BUILTIN, IPPS,         ippsFIRInitAlloc_64f,       IppStatus, (IppsFIRState_64f**, const Ipp64f*, int, const Ipp64f*)) \
  X(BUILTIN, IPPI,         ippiAlphaComp_8u_AC4R,      IppStatus, (const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiAlphaType)) \
  X(BUILTIN, IPPI,         ippiCopy_8u_C4R,            IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiSet_8u_C4R,             IppStatus, (const Ipp8u*, Ipp8u*, int, IppiSize)) \
  X(BUILTIN, IPPI,         ippiLUT_Linear_8u_C4R,      IppStatus, (const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s**, const Ipp32s**, int*)) \
  X(BUILTIN, IPPS,         ippsRandUniform_Direct_64f, IppStatus, (Ipp64f*, int, Ipp64f, Ipp64f, unsigned int*)) \
  X(NONE,    IPPI,         ippsSVD_64f_D2L,            IppStatus, (Ipp64f**, Ipp64f*, Ipp64f**, int, int))
// clang-format on

namespace RBBasicDispatcher {

RB_BASIC_DISPATCHER_SLOTS(PF_IPP_SLOT_DECLARE, PF_IPP_SLOT_DECLARE)

// Fills every slot of the unit, in list order, through the given lookups.
void Bind(const binding::TIPPLookups& lookups);
// The unit's slots in binding order.
std::span<const binding::TIPPSlotInfo> Slots();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"RBBasicDispatcher", &Initialization, &Finalization};

}  // namespace RBBasicDispatcher
