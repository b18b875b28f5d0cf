// The image entries at their edges: every pointer argument null, and the regions and counts
// whose sizes pass the 32-bit range (see tests/primitives/EntryEdges.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "primitives/image/AlphaComp.h"
#include "primitives/image/Arithmetic.h"
#include "primitives/image/ArithmeticC.h"
#include "primitives/image/ArithmeticScaled.h"
#include "primitives/image/ColorConversion.h"
#include "primitives/image/ColorSpaces.h"
#include "primitives/image/ColorTwist.h"
#include "primitives/image/Copy.h"
#include "primitives/image/Histogram.h"
#include "primitives/image/Logic.h"
#include "primitives/image/LookupTables.h"
#include "primitives/image/Mirror.h"
#include "primitives/image/Noise.h"
#include "tests/primitives/EntryEdges.h"

namespace {

using entryedges::Row;
using namespace builtin;

// Every entry of the family, unit by unit.
// clang-format off
#define PF_IMAGE_ENTRIES(X)                                                                     \
  X(ippiAlphaComp_8u_AC4R) X(ippiAlphaCompC_8u_C1R) X(ippiAlphaCompC_8u_C3R)                    \
  X(ippiAlphaCompC_8u_C4R)                                                                      \
  X(ippiAdd_8u_C1IRSfs) X(ippiSub_8u_C1IRSfs) X(ippiMul_8u_C1IRSfs) X(ippiDiv_8u_C1IRSfs)       \
  X(ippiAdd_16s_C1IRSfs) X(ippiSub_16s_C1IRSfs) X(ippiMul_16s_C1IRSfs) X(ippiDiv_16s_C1IRSfs)   \
  X(ippiAdd_8u_C3IRSfs) X(ippiSub_8u_C3IRSfs) X(ippiMul_8u_C3IRSfs) X(ippiDiv_8u_C3IRSfs)       \
  X(ippiAdd_8u_AC4IRSfs) X(ippiSub_8u_AC4IRSfs) X(ippiMul_8u_AC4IRSfs) X(ippiDiv_8u_AC4IRSfs)   \
  X(ippiAdd_8u_C1RSfs) X(ippiSub_8u_C1RSfs) X(ippiMul_8u_C1RSfs) X(ippiDiv_8u_C1RSfs)           \
  X(ippiAdd_8u_C3RSfs) X(ippiSub_8u_C3RSfs) X(ippiMul_8u_C3RSfs) X(ippiDiv_8u_C3RSfs)           \
  X(ippiAdd_8u_C4RSfs) X(ippiAdd_8u_AC4RSfs) X(ippiSub_8u_AC4RSfs) X(ippiMul_8u_AC4RSfs)        \
  X(ippiDiv_8u_AC4RSfs)                                                                         \
  X(ippsAddC_8u_ISfs) X(ippsAddC_8u_Sfs) X(ippsSubC_8u_ISfs) X(ippsSubC_8u_Sfs)                 \
  X(ippsMulC_8u_ISfs) X(ippsMulC_8u_Sfs) X(ippsDivC_8u_Sfs) X(ippsAddC_16s_ISfs)                \
  X(ippsAddC_16s_Sfs) X(ippsSubC_16s_ISfs) X(ippsSubC_16s_Sfs) X(ippsMulC_16s_ISfs)             \
  X(ippsMulC_16s_Sfs) X(ippsDivC_16s_ISfs) X(ippsDivC_16s_Sfs) X(ippiAddC_8u_C1IRSfs)           \
  X(ippiAddC_8u_C1RSfs) X(ippiSubC_8u_C1IRSfs) X(ippiSubC_8u_C1RSfs) X(ippiMulC_8u_C1IRSfs)     \
  X(ippiMulC_8u_C1RSfs) X(ippiDivC_8u_C1IRSfs) X(ippiDivC_8u_C1RSfs) X(ippiAddC_16s_C1IRSfs)    \
  X(ippiAddC_16s_C1RSfs) X(ippiSubC_16s_C1IRSfs) X(ippiSubC_16s_C1RSfs) X(ippiMulC_16s_C1IRSfs) \
  X(ippiMulC_16s_C1RSfs) X(ippiDivC_16s_C1IRSfs) X(ippiDivC_16s_C1RSfs) X(ippiAddC_8u_C3IRSfs)  \
  X(ippiAddC_8u_AC4IRSfs) X(ippiAddC_8u_C4IRSfs) X(ippiSubC_8u_C3IRSfs) X(ippiSubC_8u_C4IRSfs)  \
  X(ippiMulC_8u_C3IRSfs) X(ippiMulC_8u_AC4IRSfs) X(ippiMulC_8u_C4IRSfs) X(ippiDivC_8u_C3IRSfs)  \
  X(ippiDivC_8u_C4IRSfs) X(ippiDivC_8u_AC4IRSfs)                                                \
  X(ippiMulScale_8u_C1IR) X(ippiMulScale_8u_C3IR) X(ippiMulScale_8u_AC4IR)                      \
  X(ippiMulScale_8u_C4IR) X(ippiMulCScale_8u_C1R) X(ippiMulCScale_8u_C3R)                       \
  X(ippiMulCScale_8u_C4R) X(ippiMulCScale_8u_C1IR) X(ippiMulCScale_8u_C3IR)                     \
  X(ippiMulCScale_8u_AC4IR) X(ippiMulCScale_8u_C4IR) X(ippiSqr_8u_C3IRSfs)                      \
  X(ippiSqr_8u_AC4IRSfs) X(ippiSqr_8u_C3RSfs) X(ippiSqr_8u_AC4RSfs) X(ippiAbsDiff_8u_C1R)       \
  X(ippiAbsDiffC_8u_C1R) X(ippiMax_8u_C1R) X(ippiAddWeighted_8u32f_C1IR)                        \
  X(ippiYUV422ToRGB_8u_C2C3R) X(ippiRGBToYUV422_8u_C3C2R) X(ippiYUV420ToRGB_8u_P3C3R)           \
  X(ippiYCbCr420ToRGB_8u_P3C3R) X(ippiColorToGray_8u_C3C1R) X(ippiColorToGray_8u_AC4C1R)        \
  X(ippiSwapChannels_8u_C3IR) X(ippiSwapChannels_8u_C3R) X(ippiSwapChannels_8u_AC4R)            \
  X(ippiRGBToHLS_8u_C3R) X(ippiRGBToHLS_8u_AC4R) X(ippiRGBToHSV_8u_C3R) X(ippiRGBToHSV_8u_AC4R) \
  X(ippiRGBToLUV_8u_C3R) X(ippiRGBToLUV_8u_AC4R) X(ippiRGBToYCC_8u_C3R) X(ippiRGBToYCC_8u_AC4R) \
  X(ippiRGBToYCbCr_8u_C3R) X(ippiRGBToYCbCr_8u_AC4R) X(ippiRGBToYUV_8u_C3R)                     \
  X(ippiRGBToYUV_8u_AC4R) X(ippiRGBToXYZ_8u_C3R) X(ippiRGBToXYZ_8u_AC4R) X(ippiBGRToLab_8u_C3R) \
  X(ippiColorTwist32f_8u_C3IR) X(ippiColorTwist32f_8u_AC4IR) X(ippiColorTwist32f_8u_C3R)        \
  X(ippiColorTwist32f_8u_AC4R)                                                                  \
  X(ippiSet_8u_C1R) X(ippiSet_16s_C1R) X(ippiSet_32s_C1R) X(ippiSet_8u_C3R) X(ippiSet_8u_C4R)   \
  X(ippiSet_8u_AC4R) X(ippiSet_8u_C3CR) X(ippiSet_8u_C4CR) X(ippsSet_8u) X(ippsSet_16s)         \
  X(ippiCopy_8u_C1R) X(ippiCopy_16s_C1R) X(ippiCopy_32s_C1R) X(ippiCopy_8u_C3R)                 \
  X(ippiCopy_8u_C4R) X(ippiCopy_8u_AC4R) X(ippiCopy_8u_C4CR) X(ippiCopy_8u_C1C3R)               \
  X(ippiCopy_8u_C1C4R) X(ippiCopy_8u_C3C1R) X(ippiCopy_8u_C4C1R) X(ippiCopy_8u_C3AC4R)          \
  X(ippiCopy_8u_AC4C3R) X(ippiCopy_8u_C3P3R) X(ippiCopy_8u_C4P4R) X(ippiCopy_8u_P3C3R)          \
  X(ippiConvert_8u16u_C1R) X(ippiConvert_8u32f_C1R) X(ippiConvert_32f8u_C1R)                    \
  X(ippsConvert_8s16s) X(ippiScale_8u16s_C1R) X(ippiScale_8u32s_C1R) X(ippiScale_16s8u_C1R)     \
  X(ippiScale_32s8u_C1R)                                                                        \
  X(ippiHistogramEven_8u_C1R) X(ippiHistogramEven_8u_C3R) X(ippiHistogramEven_8u_C4R)           \
  X(ippiHistogramEven_8u_AC4R) X(ippiHistogramRange_8u_C1R) X(ippiHistogramRange_8u_C3R)        \
  X(ippiHistogramRange_8u_C4R) X(ippiHistogramRange_8u_AC4R) X(ippiSum_32f_C1R)                 \
  X(ippiAnd_8u_C1R) X(ippiAnd_8u_C3R) X(ippiAnd_8u_AC4R) X(ippiAnd_8u_C1IR) X(ippiAnd_8u_C3IR)  \
  X(ippiAnd_8u_C4IR) X(ippiAnd_8u_AC4IR) X(ippiOr_8u_C1R) X(ippiOr_8u_C3R) X(ippiOr_8u_AC4R)    \
  X(ippiOr_8u_C1IR) X(ippiOr_8u_C3IR) X(ippiOr_8u_C4IR) X(ippiOr_8u_AC4IR) X(ippiXor_8u_C1R)    \
  X(ippiXor_8u_C3R) X(ippiXor_8u_AC4R) X(ippiXor_8u_C1IR) X(ippiXor_8u_C3IR) X(ippiXor_8u_C4IR) \
  X(ippiXor_8u_AC4IR) X(ippiAndC_8u_C3R) X(ippiAndC_8u_C3IR) X(ippiAndC_8u_C4IR)                \
  X(ippiAndC_8u_AC4IR) X(ippiOrC_8u_C3R) X(ippiOrC_8u_C3IR) X(ippiOrC_8u_C4IR)                  \
  X(ippiOrC_8u_AC4IR) X(ippiXorC_8u_C3R) X(ippiXorC_8u_C3IR) X(ippiXorC_8u_C4IR)                \
  X(ippiXorC_8u_AC4IR) X(ippiLShiftC_8u_C3R) X(ippiLShiftC_8u_C3IR) X(ippiLShiftC_8u_C4IR)      \
  X(ippiLShiftC_8u_AC4IR) X(ippiRShiftC_8u_C3R) X(ippiRShiftC_8u_C3IR) X(ippiRShiftC_8u_C4IR)   \
  X(ippiRShiftC_8u_AC4IR) X(ippiNot_8u_C3R) X(ippiNot_8u_AC4R) X(ippiNot_8u_C3IR)               \
  X(ippiNot_8u_C4IR) X(ippiNot_8u_AC4IR)                                                        \
  X(ippiLUT_8u_C1R) X(ippiLUT_8u_C3R) X(ippiLUT_8u_C4R) X(ippiLUT_8u_C4IR)                      \
  X(ippiLUT_Linear_8u_C1R) X(ippiLUT_Linear_8u_C3R) X(ippiLUT_Linear_8u_AC4R)                   \
  X(ippiLUT_Linear_8u_C4R) X(ippiLUT_Cubic_8u_C1R) X(ippiLUT_Cubic_8u_C3R)                      \
  X(ippiLUT_Cubic_8u_C4R) X(ippiLUTPalette_8u24u_C1R) X(ippiLUTPalette_8u32u_C1R)               \
  X(ippiGammaFwd_8u_C3R) X(ippiGammaFwd_8u_AC4R) X(ippiGammaFwd_8u_C3IR) X(ippiGammaInv_8u_C3R) \
  X(ippiGammaInv_8u_AC4R) X(ippiGammaInv_8u_C3IR) X(ippiThreshold_LTVal_8u_C3R)                 \
  X(ippiThreshold_LTVal_8u_AC4R) X(ippiThreshold_GTVal_8u_C3R) X(ippiThreshold_GTVal_8u_AC4R)   \
  X(ippiThreshold_LTValGTVal_8u_C3R) X(ippiThreshold_LTValGTVal_8u_AC4R)                        \
  X(ippiMirror_8u_C1R) X(ippiMirror_8u_C3R) X(ippiMirror_8u_C4R) X(ippiMirror_8u_AC4R)          \
  X(ippiMirror_16u_C1R) X(ippiMirror_8u_C1IR) X(ippiMirror_8u_C3IR) X(ippiMirror_8u_C4IR)       \
  X(ippiMirror_8u_AC4IR) X(ippsSwapBytes_16u_I)                                                 \
  X(ippiAddRandUniform_Direct_8u_C1IR) X(ippiAddRandUniform_Direct_8u_C3IR)                     \
  X(ippiAddRandUniform_Direct_8u_C4IR) X(ippiAddRandUniform_Direct_8u_AC4IR)                    \
  X(ippiAddRandGauss_Direct_8u_C1IR) X(ippiAddRandGauss_Direct_8u_C3IR)                         \
  X(ippiAddRandGauss_Direct_8u_C4IR) X(ippiAddRandGauss_Direct_8u_AC4IR)

// The entries that work a region as rows of width x channels bytes in 32-bit counts: a row of
// more than 2^31 - 1 bytes is refused (-6) before any data is touched, but only after the
// argument checks. The third column is the status of such a row with steps 0 and a scale
// factor of 0: Step where the entry checks its steps (-14) before, Size where it does not.
#define PF_IMAGE_BYTE_ROW_ENTRIES(X)                                                                \
  X(ippiAlphaCompC_8u_C3R, 3, Size) X(ippiAlphaCompC_8u_C4R, 4, Size)                             \
  X(ippiAdd_8u_C3IRSfs, 3, Size) X(ippiSub_8u_C3IRSfs, 3, Size) X(ippiMul_8u_C3IRSfs, 3, Size)    \
  X(ippiDiv_8u_C3IRSfs, 3, Step) X(ippiAdd_8u_AC4IRSfs, 4, Size) X(ippiSub_8u_AC4IRSfs, 4, Size)  \
  X(ippiMul_8u_AC4IRSfs, 4, Size) X(ippiDiv_8u_AC4IRSfs, 4, Step) X(ippiAdd_8u_C3RSfs, 3, Size)   \
  X(ippiSub_8u_C3RSfs, 3, Size) X(ippiMul_8u_C3RSfs, 3, Size) X(ippiDiv_8u_C3RSfs, 3, Step)       \
  X(ippiAdd_8u_C4RSfs, 4, Size) X(ippiAdd_8u_AC4RSfs, 4, Size) X(ippiSub_8u_AC4RSfs, 4, Size)     \
  X(ippiMul_8u_AC4RSfs, 4, Size) X(ippiDiv_8u_AC4RSfs, 4, Step) X(ippiAddC_8u_C3IRSfs, 3, Size)   \
  X(ippiAddC_8u_AC4IRSfs, 4, Size) X(ippiAddC_8u_C4IRSfs, 4, Size)                                \
  X(ippiSubC_8u_C3IRSfs, 3, Size) X(ippiSubC_8u_C4IRSfs, 4, Size) X(ippiMulC_8u_C3IRSfs, 3, Size) \
  X(ippiMulC_8u_AC4IRSfs, 4, Size) X(ippiMulC_8u_C4IRSfs, 4, Size)                                \
  X(ippiDivC_8u_C3IRSfs, 3, Step) X(ippiDivC_8u_C4IRSfs, 4, Step)                                 \
  X(ippiDivC_8u_AC4IRSfs, 4, Step) X(ippiMulScale_8u_C3IR, 3, Step)                               \
  X(ippiMulScale_8u_AC4IR, 4, Step) X(ippiMulScale_8u_C4IR, 4, Step)                              \
  X(ippiMulCScale_8u_C3R, 3, Step) X(ippiMulCScale_8u_C4R, 4, Step)                               \
  X(ippiMulCScale_8u_C3IR, 3, Step) X(ippiMulCScale_8u_AC4IR, 4, Step)                            \
  X(ippiMulCScale_8u_C4IR, 4, Step) X(ippiSqr_8u_C3IRSfs, 3, Step)                                \
  X(ippiSqr_8u_AC4IRSfs, 4, Step) X(ippiSqr_8u_C3RSfs, 3, Step) X(ippiSqr_8u_AC4RSfs, 4, Step)    \
  X(ippiAnd_8u_C3R, 3, Step) X(ippiAnd_8u_AC4R, 4, Step) X(ippiAnd_8u_C3IR, 3, Step)              \
  X(ippiAnd_8u_C4IR, 4, Step) X(ippiAnd_8u_AC4IR, 4, Step) X(ippiOr_8u_C3R, 3, Step)              \
  X(ippiOr_8u_AC4R, 4, Step) X(ippiOr_8u_C3IR, 3, Step) X(ippiOr_8u_C4IR, 4, Step)                \
  X(ippiOr_8u_AC4IR, 4, Step) X(ippiXor_8u_C3R, 3, Step) X(ippiXor_8u_AC4R, 4, Step)              \
  X(ippiXor_8u_C3IR, 3, Step) X(ippiXor_8u_C4IR, 4, Step) X(ippiXor_8u_AC4IR, 4, Step)            \
  X(ippiAndC_8u_C3R, 3, Step) X(ippiAndC_8u_C3IR, 3, Step) X(ippiAndC_8u_C4IR, 4, Step)           \
  X(ippiAndC_8u_AC4IR, 4, Step) X(ippiOrC_8u_C3R, 3, Step) X(ippiOrC_8u_C3IR, 3, Step)            \
  X(ippiOrC_8u_C4IR, 4, Step) X(ippiOrC_8u_AC4IR, 4, Step) X(ippiXorC_8u_C3R, 3, Step)            \
  X(ippiXorC_8u_C3IR, 3, Step) X(ippiXorC_8u_C4IR, 4, Step) X(ippiXorC_8u_AC4IR, 4, Step)         \
  X(ippiLShiftC_8u_C3R, 3, Step) X(ippiLShiftC_8u_C3IR, 3, Step) X(ippiLShiftC_8u_C4IR, 4, Step)  \
  X(ippiLShiftC_8u_AC4IR, 4, Step) X(ippiRShiftC_8u_C3R, 3, Step) X(ippiRShiftC_8u_C3IR, 3, Step) \
  X(ippiRShiftC_8u_C4IR, 4, Step) X(ippiRShiftC_8u_AC4IR, 4, Step) X(ippiNot_8u_C3R, 3, Step)     \
  X(ippiNot_8u_AC4R, 4, Step) X(ippiNot_8u_C3IR, 3, Step) X(ippiNot_8u_C4IR, 4, Step)             \
  X(ippiNot_8u_AC4IR, 4, Step)
// clang-format on

// Pointer arguments whose null selects a default instead of an error.
std::vector<int> NullAccepted(const std::string& entry) {
  if (entry.rfind("ippiColorToGray_8u_", 0) == 0) return {5};  // the standard weights
  return {};
}

// ---- Histograms -------------------------------------------------------------------------

constexpr Ipp32s kUntouchedBin = -12345;

// A source of width x height pixels of `pixel` bytes whose rows overlap, each starting one
// pixel after the one above (step = pixel bytes): billions of pixels in a few hundred
// kilobytes. Pixel (x, y) is byte (x + y) * pixel + c of the pattern below.
struct OverlappedSource {
  int width, height, pixel;
  std::vector<Ipp8u> bytes;
  OverlappedSource(int w, int h, int p)
      : width(w), height(h), pixel(p), bytes((static_cast<size_t>(w) + h) * p) {
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<Ipp8u>(i * 7 + i / 3);
  }
  IppiSize size() const { return {width, height}; }
};

// The outputs of one histogram call of up to four channels, filled with sentinels.
struct HistogramOutputs {
  std::array<std::vector<Ipp32s>, 4> hist, levels;
  std::array<Ipp32s*, 4> histPtr{}, levelsPtr{};
  std::array<const Ipp32s*, 4> levelsIn{};
  std::array<int, 4> n{};
  std::array<Ipp32s, 4> lower{}, upper{};
  explicit HistogramOutputs(std::vector<Ipp32s> given) {
    for (int c = 0; c < 4; ++c) {
      levels[c] = given;
      hist[c].assign(given.size() - 1, kUntouchedBin);
      histPtr[c] = hist[c].data();
      levelsPtr[c] = levels[c].data();
      levelsIn[c] = levels[c].data();
      n[c] = static_cast<int>(given.size());
      lower[c] = given.front();
      upper[c] = given.back();
    }
  }
  bool BinsUntouched() const {
    return std::all_of(hist.begin(), hist.end(), [](const std::vector<Ipp32s>& h) {
      return std::all_of(h.begin(), h.end(), [](Ipp32s b) { return b == kUntouchedBin; });
    });
  }
};

// A histogram form called over a source with the outputs' bins and levels (the even forms
// spread theirs from the first to the last given level).
struct HistogramForm {
  std::string name;
  int pixel;
  std::function<IppStatus(const Ipp8u*, int, IppiSize, HistogramOutputs&)> run;
};

std::vector<HistogramForm> HistogramForms() {
  std::vector<HistogramForm> forms;
  forms.push_back({"ippiHistogramRange_8u_C1R", 1,
                   [](const Ipp8u* s, int step, IppiSize size, HistogramOutputs& o) {
                     return ippiHistogramRange_8u_C1R(s, step, size, o.histPtr[0], o.levelsIn[0],
                                                      o.n[0]);
                   }});
  forms.push_back({"ippiHistogramEven_8u_C1R", 1,
                   [](const Ipp8u* s, int step, IppiSize size, HistogramOutputs& o) {
                     return ippiHistogramEven_8u_C1R(s, step, size, o.histPtr[0], o.levelsPtr[0],
                                                     o.n[0], o.lower[0], o.upper[0]);
                   }});
#define PF_HISTOGRAM_FORM(layout, pixel, channels)                                             \
  forms.push_back({"ippiHistogramRange_8u_" #layout "R", pixel,                                \
                   [](const Ipp8u* s, int step, IppiSize size, HistogramOutputs& o) {          \
                     return ippiHistogramRange_8u_##layout##R(s, step, size, o.histPtr.data(), \
                                                              o.levelsIn.data(), o.n.data());  \
                   }});                                                                        \
  forms.push_back({"ippiHistogramEven_8u_" #layout "R", pixel,                                 \
                   [](const Ipp8u* s, int step, IppiSize size, HistogramOutputs& o) {          \
                     return ippiHistogramEven_8u_##layout##R(s, step, size, o.histPtr.data(),  \
                                                             o.levelsPtr.data(), o.n.data(),   \
                                                             o.lower.data(), o.upper.data());  \
                   }});
  PF_HISTOGRAM_FORM(C3, 3, 3)
  PF_HISTOGRAM_FORM(C4, 4, 4)
  PF_HISTOGRAM_FORM(AC4, 4, 3)
#undef PF_HISTOGRAM_FORM
  return forms;
}

// Counts of the pixels of each byte value of the overlapped C1 source, in 64 bits: pixel
// (x, y) is byte x + y, which the region holds min(k, w - 1) - max(0, k - h + 1) + 1 times.
std::array<int64_t, 256> OverlappedCounts(const OverlappedSource& src) {
  std::array<int64_t, 256> counts{};
  for (int64_t k = 0; k < int64_t{src.width} + src.height - 1; ++k)
    counts[src.bytes[k]] +=
        std::min<int64_t>(k, src.width - 1) - std::max<int64_t>(0, k - src.height + 1) + 1;
  return counts;
}

void AddHistogramRows(std::vector<Row>& rows) {
  for (const HistogramForm& f : HistogramForms()) {
    // Null bin and level arrays of the last channel (of the only one for C1): -8 before any
    // level or bin is written.
    rows.push_back({f.name + ": null bins of the last channel", ippStsNullPtrErr, [f] {
                      HistogramOutputs o({0, 128, 256});
                      o.histPtr[f.pixel == 1 ? 0 : 2] = nullptr;
                      Ipp8u src[4] = {1, 2, 3, 4};
                      const IppStatus s = f.run(src, 4, {1, 1}, o);
                      EXPECT_TRUE(o.BinsUntouched());
                      EXPECT_EQ(o.levels[0], (std::vector<Ipp32s>{0, 128, 256}));
                      return s;
                    }});
    // 2^31 pixels in one bin: a count beyond the bins' 32-bit range is refused, no bin written.
    const bool even = f.name.find("Even") != std::string::npos;
    auto src = std::make_shared<OverlappedSource>(65536, 32768, f.pixel);
    auto out = std::make_shared<HistogramOutputs>(std::vector<Ipp32s>{0, 256});
    rows.push_back(
        {f.name + ": 2^31 pixels in one bin", ippStsSizeErr,
         [f, src, out] { return f.run(src->bytes.data(), src->pixel, src->size(), *out); },
         [out, even] {
           EXPECT_TRUE(out->BinsUntouched());
           if (even) {
             EXPECT_EQ(out->levels[0], (std::vector<Ipp32s>{0, 256}));
           }
         },
         true});
  }
  // 2^32 + 65536 pixels whose bins fit: counted in 64 bits, in two bands, the true bins.
  auto src = std::make_shared<OverlappedSource>(65536, 65537, 1);
  auto out = std::make_shared<HistogramOutputs>(std::vector<Ipp32s>{0, 64, 128, 192, 256});
  rows.push_back({"ippiHistogramRange_8u_C1R: 2^32 + 65536 pixels in four bins", ippStsNoErr,
                  [src, out] {
                    return ippiHistogramRange_8u_C1R(src->bytes.data(), 1, src->size(),
                                                     out->histPtr[0], out->levelsIn[0], out->n[0]);
                  },
                  [src, out] {
                    const std::array<int64_t, 256> counts = OverlappedCounts(*src);
                    for (int k = 0; k < 4; ++k) {
                      int64_t bin = 0;
                      for (int v = 64 * k; v < 64 * k + 64; ++v) bin += counts[v];
                      EXPECT_EQ(out->hist[0][k], bin) << "bin " << k;
                    }
                  },
                  true});
}

// The forms whose zero fill (a scale factor above every result) runs through a Set primitive
// of the pixels, which checks the step (-14) before a row beyond 2^31 - 1 bytes is refused.
void AddZeroFillRows(std::vector<Row>& rows) {
  using entryedges::In;
  using entryedges::Scratch;
  using entryedges::ScratchRow;
  constexpr int kZeroFill = 31;
#define PF_TWO_SOURCE_ROW(name, c)                                                            \
  rows.push_back(ScratchRow(#name ": zero fill, destination step 0", ippStsStepErr,           \
                            [](Scratch& s) {                                                  \
                              return name(In<Ipp8u>(s), 1, In<Ipp8u>(s), 1, In<Ipp8u>(s), 0, \
                                          {INT32_MAX / (c) + 1, 1}, kZeroFill);               \
                            }));
#define PF_IN_PLACE_ROW(name, c)                                                                 \
  rows.push_back(ScratchRow(#name ": zero fill, step 0", ippStsStepErr, [](Scratch& s) {         \
    return name(In<Ipp8u>(s), 1, In<Ipp8u>(s), 0, {INT32_MAX / (c) + 1, 1}, kZeroFill);          \
  }));
#define PF_CONSTANT_ROW(name, c)                                                                 \
  rows.push_back(ScratchRow(#name ": zero fill, step 0", ippStsStepErr, [](Scratch& s) {         \
    return name(In<Ipp8u>(s), In<Ipp8u>(s), 0, {INT32_MAX / (c) + 1, 1}, kZeroFill);             \
  }));
  PF_TWO_SOURCE_ROW(ippiAdd_8u_AC4RSfs, 4)
  PF_TWO_SOURCE_ROW(ippiSub_8u_AC4RSfs, 4)
  PF_TWO_SOURCE_ROW(ippiMul_8u_AC4RSfs, 4)
  PF_IN_PLACE_ROW(ippiAdd_8u_AC4IRSfs, 4)
  PF_IN_PLACE_ROW(ippiSub_8u_AC4IRSfs, 4)
  PF_IN_PLACE_ROW(ippiMul_8u_AC4IRSfs, 4)
  PF_CONSTANT_ROW(ippiAddC_8u_C3IRSfs, 3)
  PF_CONSTANT_ROW(ippiAddC_8u_AC4IRSfs, 4)
  PF_CONSTANT_ROW(ippiAddC_8u_C4IRSfs, 4)
  PF_CONSTANT_ROW(ippiSubC_8u_C3IRSfs, 3)
  PF_CONSTANT_ROW(ippiSubC_8u_C4IRSfs, 4)
  PF_CONSTANT_ROW(ippiMulC_8u_C3IRSfs, 3)
  PF_CONSTANT_ROW(ippiMulC_8u_AC4IRSfs, 4)
  PF_CONSTANT_ROW(ippiMulC_8u_C4IRSfs, 4)
#undef PF_TWO_SOURCE_ROW
#undef PF_IN_PLACE_ROW
#undef PF_CONSTANT_ROW
}

TEST(ImageEntryEdges, NullPointersAndSizesBeyondTheInt32Range) {
  std::vector<Row> rows;
#define PF_NULL_ROWS(name) entryedges::AddNullRows(rows, #name, name, NullAccepted(#name));
  PF_IMAGE_ENTRIES(PF_NULL_ROWS)
#undef PF_NULL_ROWS
#define PF_BYTE_ROW_ROWS(name, channels, steps) \
  rows.push_back(entryedges::SizeRow(#name, name, {INT32_MAX / (channels) + 1, 1}, ippStsSizeErr));
  PF_IMAGE_BYTE_ROW_ENTRIES(PF_BYTE_ROW_ROWS)
#undef PF_BYTE_ROW_ROWS
  // Such a row is refused only after the argument checks: a null pointer gives -8 and, where
  // the entry checks its steps, a step of 0 gives -14.
#define PF_NULL_ROW_ROWS(name, channels, steps)                                             \
  entryedges::AddNullRows(rows, #name " beyond 2^31 - 1 row bytes", name, NullAccepted(#name), \
                          {INT32_MAX / (channels) + 1, 1});                                    \
  rows.push_back(entryedges::ZeroIntsRow(#name, name, {INT32_MAX / (channels) + 1, 1},       \
                                         ippSts##steps##Err));
  PF_IMAGE_BYTE_ROW_ENTRIES(PF_NULL_ROW_ROWS)
#undef PF_NULL_ROW_ROWS
  AddZeroFillRows(rows);
  AddHistogramRows(rows);
  entryedges::Run(rows);
}

}  // namespace
