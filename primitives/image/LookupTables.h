// Built-in table-driven point operations on 8-bit images: level look-up tables, palettes,
// the fixed gamma corrections and the per-channel thresholds.
//
// Level look-up tables. Each channel is described by values V, levels L and a count n; the
// call builds one 256-entry table per channel and maps every byte through its channel's table:
//
//   ippiLUT_8u_*         T[v] = clamp(V[k], 0, 255) for L[k] <= v < L[k+1] (intervals
//                        clamped to 0..256, a later one overwriting an earlier one);
//   ippiLUT_Linear_8u_*  linear interpolation between (L[k], V[k]) and (L[k+1], V[k+1]);
//   ippiLUT_Cubic_8u_*   the cubic through four consecutive points; with fewer than four
//                        levels in any channel the whole call is the linear form's.
//
// In every table, inputs below the first level and from the last level on map to themselves.
// C1 has one channel; C3 three; C4 four; AC4 three of four, the fourth destination byte never
// written; C4IR works in place.
//
// Checks of the C1 forms: pSrc, pDst, pValues or pLevels null (-8); width or height < 1 (-6);
// a step < 1 (-14); nLevels < 2 (-106). Multi-channel forms: pSrc, pDst or one of the three
// arrays null (-8); then per channel in order its pValues or pLevels null (-8) and its count
// below 2 (-106); then the size (-6) and the steps (-14).
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiLUT_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize, const Ipp32s* pValues, const Ipp32s* pLevels,
                         int nLevels);
IppStatus ippiLUT_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize, const Ipp32s* pValues[3], const Ipp32s* pLevels[3],
                         int nLevels[3]);
IppStatus ippiLUT_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize, const Ipp32s* pValues[4], const Ipp32s* pLevels[4],
                         int nLevels[4]);
IppStatus ippiLUT_8u_C4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                          const Ipp32s* pValues[4], const Ipp32s* pLevels[4], int nLevels[4]);

IppStatus ippiLUT_Linear_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                IppiSize roiSize, const Ipp32s* pValues, const Ipp32s* pLevels,
                                int nLevels);
IppStatus ippiLUT_Linear_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                IppiSize roiSize, const Ipp32s* pValues[3],
                                const Ipp32s* pLevels[3], int nLevels[3]);
IppStatus ippiLUT_Linear_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize, const Ipp32s* pValues[3],
                                 const Ipp32s* pLevels[3], int nLevels[3]);
IppStatus ippiLUT_Linear_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                IppiSize roiSize, const Ipp32s* pValues[4],
                                const Ipp32s* pLevels[4], int nLevels[4]);

IppStatus ippiLUT_Cubic_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize roiSize, const Ipp32s* pValues, const Ipp32s* pLevels,
                               int nLevels);
IppStatus ippiLUT_Cubic_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize roiSize, const Ipp32s* pValues[3],
                               const Ipp32s* pLevels[3], int nLevels[3]);
IppStatus ippiLUT_Cubic_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize roiSize, const Ipp32s* pValues[4],
                               const Ipp32s* pLevels[4], int nLevels[4]);

// Palettes: each source byte s selects entry s & (2^nBitSize - 1) of pTable, three bytes per
// entry (24u) or one 32-bit word (32u, destination step in bytes). Checks: a null pointer (-8);
// a step < 1 (-14); width or height < 1 (-6); nBitSize outside 1..8 (-11).
IppStatus ippiLUTPalette_8u24u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize, const Ipp8u* pTable, int nBitSize);
IppStatus ippiLUTPalette_8u32u_C1R(const Ipp8u* pSrc, int srcStep, Ipp32u* pDst, int dstStep,
                                   IppiSize roiSize, const Ipp32u* pTable, int nBitSize);

// Gamma correction through two fixed tables (video transfer function, exponent 0.45, and its
// inverse). C3 maps every byte of a row, AC4 the first three bytes of each pixel, C3IR in
// place. Checks: a null pointer (-8); width or height < 1 (-6); a step < 1 (-14).
IppStatus ippiGammaFwd_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize);
IppStatus ippiGammaFwd_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize roiSize);
IppStatus ippiGammaFwd_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiGammaInv_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize);
IppStatus ippiGammaInv_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize roiSize);
IppStatus ippiGammaInv_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);

// The forward and inverse gamma tables (entry v is the output for byte v).
extern const Ipp8u kGammaFwdTable[256];
extern const Ipp8u kGammaInvTable[256];

// Thresholds per channel k: LTVal writes value[k] where the byte is below threshold[k],
// GTVal where it is above; LTValGTVal writes valueGT[k] above thresholdGT[k], otherwise
// valueLT[k] below thresholdLT[k]; other bytes are copied. The AC4 forms never write the
// fourth byte. Checks: pSrc or pDst null (-8); width or height <= 0 (-6); a step <= 0 (-14);
// a null threshold or value array (-8); LTValGTVal: thresholdGT[k] < thresholdLT[k] (-18).
IppStatus ippiThreshold_LTVal_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize roiSize, const Ipp8u threshold[3],
                                     const Ipp8u value[3]);
IppStatus ippiThreshold_LTVal_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                      IppiSize roiSize, const Ipp8u threshold[3],
                                      const Ipp8u value[3]);
IppStatus ippiThreshold_GTVal_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize roiSize, const Ipp8u threshold[3],
                                     const Ipp8u value[3]);
IppStatus ippiThreshold_GTVal_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                      IppiSize roiSize, const Ipp8u threshold[3],
                                      const Ipp8u value[3]);
IppStatus ippiThreshold_LTValGTVal_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,
                                          int dstStep, IppiSize roiSize,
                                          const Ipp8u thresholdLT[3], const Ipp8u valueLT[3],
                                          const Ipp8u thresholdGT[3], const Ipp8u valueGT[3]);
IppStatus ippiThreshold_LTValGTVal_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst,
                                           int dstStep, IppiSize roiSize,
                                           const Ipp8u thresholdLT[3], const Ipp8u valueLT[3],
                                           const Ipp8u thresholdGT[3], const Ipp8u valueGT[3]);

}  // namespace builtin
