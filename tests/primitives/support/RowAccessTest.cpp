// One row-access rule for every family: rows and vectors may start at any address, and 16-bit
// and wider elements are read and written through the shared helpers. Each primitive below
// runs on an aligned source and destination and again on odd addresses (same bytes, same
// steps); the destinations must come out byte for byte the same. Under the undefined-behaviour
// sanitizer a typed access at an odd address would stop the test.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "primitives/image/Arithmetic.h"
#include "primitives/image/ArithmeticC.h"
#include "primitives/image/ArithmeticScaled.h"
#include "primitives/image/Copy.h"
#include "primitives/image/Histogram.h"
#include "primitives/image/LookupTables.h"
#include "primitives/image/Mirror.h"
#include "primitives/signal/FillCopy.h"
#include "primitives/signal/FloatArithmetic.h"
#include "primitives/signal/IntegerArithmetic.h"
#include "primitives/signal/Statistics.h"
#include "primitives/signal/TestSignals.h"
#include "primitives/vision/CannyEdges.h"
#include "primitives/vision/PointOperations.h"
#include "primitives/vision/SobelDerivatives.h"

using namespace builtin;

namespace {

// A region of 13 x 6 pixels; steps keep 16- and 32-bit rows a whole number of elements apart
// (the forms that check it want an even step), 8-bit rows have an odd step.
constexpr IppiSize kSize{13, 6};
constexpr int kStep8 = 17, kStep16 = 32, kStep32 = 56;
constexpr int kLength = 100;  // vector length
constexpr size_t kSpan = 1024;

template <typename T>
T* As(uint8_t* p) {
  return reinterpret_cast<T*>(p);
}
template <typename T>
const T* As(const uint8_t* p) {
  return reinterpret_cast<const T*>(p);
}

struct Case {
  const char* name;
  std::function<IppStatus(const uint8_t* src, uint8_t* dst)> run;
};

IppStatus Canny(const uint8_t* src, uint8_t* dst) {
  int bytes = 0;
  ippiCannyGetSize(kSize, &bytes);
  std::vector<Ipp8u> buffer(static_cast<size_t>(bytes));
  return ippiCanny_16s8u_C1R(As<Ipp16s>(src), kStep16, As<Ipp16s>(src + 400), kStep16, dst, kStep8, kSize, 2000,
                             30000, buffer.data());
}

// In-place forms work on the destination after the source is copied into it.
template <typename F>
auto InPlace(F f) {
  return [f](const uint8_t* src, uint8_t* dst) {
    std::memcpy(dst, src, 512);
    return f(dst);
  };
}

// In-place forms of two operands: the destination as above, the other operand from the
// source's second half.
template <typename F>
auto InPlaceWith(F f) {
  return [f](const uint8_t* src, uint8_t* dst) {
    std::memcpy(dst, src, 512);
    return f(src + 512, dst);
  };
}

const Case kCases[] = {
    // Vision.
    {"Sobel3x3_Dx", [](auto s, auto d) { return ippiSobel3x3_Dx_8u16s_C1R(s, kStep8, As<Ipp16s>(d), kStep16, kSize); }},
    {"Sobel3x3_Dy", [](auto s, auto d) { return ippiSobel3x3_Dy_8u16s_C1R(s, kStep8, As<Ipp16s>(d), kStep16, 1, kSize); }},
    {"FilterSobelVert 3x3",
     [](auto s, auto d) {
       return ippiFilterSobelVert_8u16s_C1R(s + 2 * kStep8 + 2, kStep8, As<Ipp16s>(d), kStep16, kSize, ippMskSize3x3);
     }},
    {"FilterSobelHoriz 5x5",
     [](auto s, auto d) {
       return ippiFilterSobelHoriz_8u16s_C1R(s + 2 * kStep8 + 2, kStep8, As<Ipp16s>(d), kStep16, kSize, ippMskSize5x5);
     }},
    {"Canny", Canny},
    {"ippsCartToPolar_32f",
     [](auto s, auto d) {
       return ippsCartToPolar_32f(As<Ipp32f>(s), As<Ipp32f>(s + 400), As<Ipp32f>(d), As<Ipp32f>(d + 400), kLength);
     }},
    {"ippsDotProd_32f", [](auto s, auto d) { return ippsDotProd_32f(As<Ipp32f>(s), As<Ipp32f>(s + 400), kLength, As<Ipp32f>(d)); }},
    // Image.
    {"ippiSet_16s_C1R", [](auto, auto d) { return ippiSet_16s_C1R(-1234, As<Ipp16s>(d), kStep16, kSize); }},
    {"ippiSet_32s_C1R", [](auto, auto d) { return ippiSet_32s_C1R(-123456, As<Ipp32s>(d), kStep32, kSize); }},
    {"ippiCopy_16s_C1R",
     [](auto s, auto d) { return ippiCopy_16s_C1R(As<Ipp16s>(s), kStep16, As<Ipp16s>(d), kStep16, kSize); }},
    {"ippiCopy_32s_C1R",
     [](auto s, auto d) { return ippiCopy_32s_C1R(As<Ipp32s>(s), kStep32, As<Ipp32s>(d), kStep32, kSize); }},
    {"ippiConvert_8u16u_C1R",
     [](auto s, auto d) { return ippiConvert_8u16u_C1R(s, kStep8, As<Ipp16u>(d), kStep16, kSize); }},
    {"ippiConvert_8u32f_C1R",
     [](auto s, auto d) { return ippiConvert_8u32f_C1R(s, kStep8, As<Ipp32f>(d), kStep32, kSize); }},
    {"ippiConvert_32f8u_C1R",
     [](auto s, auto d) { return ippiConvert_32f8u_C1R(As<Ipp32f>(s), kStep32, d, kStep8, kSize, ippRndNear); }},
    {"ippiScale_8u32s_C1R", [](auto s, auto d) { return ippiScale_8u32s_C1R(s, kStep8, As<Ipp32s>(d), kStep32, kSize); }},
    {"ippiScale_16s8u_C1R",
     [](auto s, auto d) {
       return ippiScale_16s8u_C1R(As<Ipp16s>(s), kStep16, d, kStep8, kSize, ippAlgHintAccurate);
     }},
    {"ippiMirror_16u_C1R",
     [](auto s, auto d) { return ippiMirror_16u_C1R(As<Ipp16u>(s), kStep16, As<Ipp16u>(d), kStep16, kSize, ippAxsBoth); }},
    {"ippsSwapBytes_16u_I", InPlace([](uint8_t* d) { return ippsSwapBytes_16u_I(As<Ipp16u>(d), kLength); })},
    {"ippsSet_16s", [](auto, auto d) { return ippsSet_16s(-3, As<Ipp16s>(d), kLength); }},
    {"ippsConvert_8s16s", [](auto s, auto d) { return ippsConvert_8s16s(As<Ipp8s>(s), As<Ipp16s>(d), kLength); }},
    {"ippiSum_32f_C1R",
     [](auto s, auto d) { return ippiSum_32f_C1R(As<Ipp32f>(s), kStep32, kSize, As<Ipp64f>(d), ippAlgHintNone); }},
    {"ippiLUTPalette_8u32u_C1R",
     [](auto s, auto d) {
       return ippiLUTPalette_8u32u_C1R(s, kStep8, As<Ipp32u>(d), kStep32, kSize, As<Ipp32u>(s + 400), 7);
     }},
    // Signal.
    {"ippsVectorJaehne_64f", [](auto, auto d) { return ippsVectorJaehne_64f(As<Ipp64f>(d), kLength, 3.0); }},
    {"ippsVectorJaehne_64f one value", [](auto, auto d) { return ippsVectorJaehne_64f(As<Ipp64f>(d), 1, 3.0); }},
    {"ippsRandUniform_Direct_64f",
     [](auto, auto d) {
       unsigned int seed = 12345;
       return ippsRandUniform_Direct_64f(As<Ipp64f>(d), kLength, -2.0, 5.0, &seed);
     }},
    {"ippsSet_32s", [](auto, auto d) { return ippsSet_32s(-5, As<Ipp32s>(d), kLength); }},
    {"ippsSet_32f", [](auto, auto d) { return ippsSet_32f(-0.0f, As<Ipp32f>(d), kLength); }},
    {"ippsSet_64f", [](auto, auto d) { return ippsSet_64f(2.5, As<Ipp64f>(d), kLength); }},
    {"ippsSet_64fc", [](auto, auto d) { return ippsSet_64fc(Ipp64fc{1.5, -2.5}, As<Ipp64fc>(d), kLength / 2); }},
    {"ippsZero_16s", [](auto, auto d) { return ippsZero_16s(As<Ipp16s>(d), kLength); }},
    {"ippsZero_64fc", [](auto, auto d) { return ippsZero_64fc(As<Ipp64fc>(d), kLength / 2); }},
    {"ippsCopy_32f", [](auto s, auto d) { return ippsCopy_32f(As<Ipp32f>(s), As<Ipp32f>(d), kLength); }},
    {"ippsCopy_64f", [](auto s, auto d) { return ippsCopy_64f(As<Ipp64f>(s), As<Ipp64f>(d), kLength); }},
    {"ippsMove_64f", InPlace([](uint8_t* d) { return ippsMove_64f(As<Ipp64f>(d + 24), As<Ipp64f>(d), kLength / 2); })},
    {"ippsConvert_32s64f", [](auto s, auto d) { return ippsConvert_32s64f(As<Ipp32s>(s), As<Ipp64f>(d), kLength); }},
    {"ippsConvert_32f64f", [](auto s, auto d) { return ippsConvert_32f64f(As<Ipp32f>(s), As<Ipp64f>(d), kLength); }},
    {"ippsConvert_32s32f", [](auto s, auto d) { return ippsConvert_32s32f(As<Ipp32s>(s), As<Ipp32f>(d), kLength); }},
    {"ippsConvert_64f32f", [](auto s, auto d) { return ippsConvert_64f32f(As<Ipp64f>(s), As<Ipp32f>(d), kLength); }},
    {"ippsConvert_16s64f_Sfs",
     [](auto s, auto d) { return ippsConvert_16s64f_Sfs(As<Ipp16s>(s), As<Ipp64f>(d), kLength, 3); }},
    {"ippsConvert_64f32s_Sfs",
     [](auto s, auto d) { return ippsConvert_64f32s_Sfs(As<Ipp64f>(s), As<Ipp32s>(d), kLength, ippRndNear, -2); }},
    {"ippsConvert_32f32s_Sfs",
     [](auto s, auto d) { return ippsConvert_32f32s_Sfs(As<Ipp32f>(s), As<Ipp32s>(d), kLength, ippRndZero, 2000); }},
    {"ippsRealToCplx_64f",
     [](auto s, auto d) { return ippsRealToCplx_64f(As<Ipp64f>(s), nullptr, As<Ipp64fc>(d), kLength / 2); }},
    {"ippsRealToCplx_32f",
     [](auto s, auto d) { return ippsRealToCplx_32f(As<Ipp32f>(s), As<Ipp32f>(s + 400), As<Ipp32fc>(d), kLength); }},
    {"ippsReal_64fc", [](auto s, auto d) { return ippsReal_64fc(As<Ipp64fc>(s), As<Ipp64f>(d), kLength / 2); }},
    {"ippsImag_64fc", [](auto s, auto d) { return ippsImag_64fc(As<Ipp64fc>(s), As<Ipp64f>(d), kLength / 2); }},
    {"ippsSwapBytes_16u", [](auto s, auto d) { return ippsSwapBytes_16u(As<Ipp16u>(s), As<Ipp16u>(d), kLength); }},
    {"ippsSwapBytes_32u", [](auto s, auto d) { return ippsSwapBytes_32u(As<Ipp32u>(s), As<Ipp32u>(d), kLength); }},
    {"ippsSwapBytes_32u_I", InPlace([](uint8_t* d) { return ippsSwapBytes_32u_I(As<Ipp32u>(d), kLength); })},
    // Arithmetic with a scale factor.
    {"ippiAdd_16s_C1IRSfs", InPlaceWith([](auto s, auto d) { return ippiAdd_16s_C1IRSfs(As<Ipp16s>(s), kStep16, As<Ipp16s>(d), kStep16, kSize, 1); })},
    {"ippiSub_16s_C1IRSfs", InPlaceWith([](auto s, auto d) { return ippiSub_16s_C1IRSfs(As<Ipp16s>(s), kStep16, As<Ipp16s>(d), kStep16, kSize, -1); })},
    {"ippiMul_16s_C1IRSfs", InPlaceWith([](auto s, auto d) { return ippiMul_16s_C1IRSfs(As<Ipp16s>(s), kStep16, As<Ipp16s>(d), kStep16, kSize, 9); })},
    {"ippiDiv_16s_C1IRSfs", InPlaceWith([](auto s, auto d) { return ippiDiv_16s_C1IRSfs(As<Ipp16s>(s), kStep16, As<Ipp16s>(d), kStep16, kSize, -3); })},
    {"ippsAddC_16s_ISfs", InPlace([](uint8_t* d) { return ippsAddC_16s_ISfs(-300, As<Ipp16s>(d), kLength, 1); })},
    {"ippsSubC_16s_Sfs", [](auto s, auto d) { return ippsSubC_16s_Sfs(As<Ipp16s>(s), 77, As<Ipp16s>(d), kLength, -2); }},
    {"ippsMulC_16s_Sfs", [](auto s, auto d) { return ippsMulC_16s_Sfs(As<Ipp16s>(s), -3, As<Ipp16s>(d), kLength, 2); }},
    {"ippsDivC_16s_ISfs", InPlace([](uint8_t* d) { return ippsDivC_16s_ISfs(7, As<Ipp16s>(d), kLength, -1); })},
    {"ippiAddC_16s_C1RSfs", [](auto s, auto d) { return ippiAddC_16s_C1RSfs(As<Ipp16s>(s), kStep16, 5, As<Ipp16s>(d), kStep16, kSize, 1); }},
    {"ippiSubC_16s_C1IRSfs", InPlace([](uint8_t* d) { return ippiSubC_16s_C1IRSfs(-9, As<Ipp16s>(d), kStep16, kSize, 0); })},
    {"ippiMulC_16s_C1IRSfs", InPlace([](uint8_t* d) { return ippiMulC_16s_C1IRSfs(3, As<Ipp16s>(d), kStep16, kSize, -1); })},
    {"ippiDivC_16s_C1RSfs", [](auto s, auto d) { return ippiDivC_16s_C1RSfs(As<Ipp16s>(s), kStep16, -5, As<Ipp16s>(d), kStep16, kSize, 0); }},
    {"ippsAdd_32s_ISfs", InPlaceWith([](auto s, auto d) { return ippsAdd_32s_ISfs(As<Ipp32s>(s), As<Ipp32s>(d), kLength, 1); })},
    {"ippsSub_32s_ISfs", InPlaceWith([](auto s, auto d) { return ippsSub_32s_ISfs(As<Ipp32s>(s), As<Ipp32s>(d), kLength, -1); })},
    {"ippsMul_32s_ISfs", InPlaceWith([](auto s, auto d) { return ippsMul_32s_ISfs(As<Ipp32s>(s), As<Ipp32s>(d), kLength, 30); })},
    {"ippsDiv_32s_ISfs", InPlaceWith([](auto s, auto d) { return ippsDiv_32s_ISfs(As<Ipp32s>(s), As<Ipp32s>(d), kLength, -2); })},
    {"ippsAddC_32s_ISfs", InPlace([](uint8_t* d) { return ippsAddC_32s_ISfs(12345, As<Ipp32s>(d), kLength, 2); })},
    {"ippsAddC_32s_Sfs", [](auto s, auto d) { return ippsAddC_32s_Sfs(As<Ipp32s>(s), -7, As<Ipp32s>(d), kLength, 0); }},
    {"ippsSubC_32s_ISfs", InPlace([](uint8_t* d) { return ippsSubC_32s_ISfs(99, As<Ipp32s>(d), kLength, -3); })},
    {"ippsSubC_32s_Sfs", [](auto s, auto d) { return ippsSubC_32s_Sfs(As<Ipp32s>(s), 3, As<Ipp32s>(d), kLength, 1); }},
    {"ippsSubCRev_32s_Sfs", [](auto s, auto d) { return ippsSubCRev_32s_Sfs(As<Ipp32s>(s), 3, As<Ipp32s>(d), kLength, 1); }},
    {"ippsMulC_32s_ISfs", InPlace([](uint8_t* d) { return ippsMulC_32s_ISfs(-3, As<Ipp32s>(d), kLength, 1); })},
    {"ippsMulC_32s_Sfs", [](auto s, auto d) { return ippsMulC_32s_Sfs(As<Ipp32s>(s), 5, As<Ipp32s>(d), kLength, -1); }},
    {"DivCInt32InPlace", InPlace([](uint8_t* d) { DivCInt32InPlace(-7, As<Ipp32s>(d), kLength, 0); return ippStsNoErr; })},
    {"DivCInt32", [](auto s, auto d) { DivCInt32(As<Ipp32s>(s), 3, As<Ipp32s>(d), kLength, 0); return ippStsNoErr; }},
    {"ippiAddWeighted_8u32f_C1IR", InPlaceWith([](auto s, auto d) { return ippiAddWeighted_8u32f_C1IR(s, kStep8, As<Ipp32f>(d), kStep32, kSize, 0.3f); })},
    // Logic and shifts.
    {"ippsAnd_32u_I", InPlaceWith([](auto s, auto d) { return ippsAnd_32u_I(As<Ipp32u>(s), As<Ipp32u>(d), kLength); })},
    {"ippsOr_32u_I", InPlaceWith([](auto s, auto d) { return ippsOr_32u_I(As<Ipp32u>(s), As<Ipp32u>(d), kLength); })},
    {"ippsXor_32u_I", InPlaceWith([](auto s, auto d) { return ippsXor_32u_I(As<Ipp32u>(s), As<Ipp32u>(d), kLength); })},
    {"ippsAndC_32u_I", InPlace([](uint8_t* d) { return ippsAndC_32u_I(0xF0F0F0F0u, As<Ipp32u>(d), kLength); })},
    {"ippsOrC_32u_I", InPlace([](uint8_t* d) { return ippsOrC_32u_I(0x01010101u, As<Ipp32u>(d), kLength); })},
    {"ippsXorC_32u_I", InPlace([](uint8_t* d) { return ippsXorC_32u_I(0x5A5A5A5Au, As<Ipp32u>(d), kLength); })},
    {"ippsAndC_32u", [](auto s, auto d) { return ippsAndC_32u(As<Ipp32u>(s), 0x0FF00FF0u, As<Ipp32u>(d), kLength); }},
    {"ippsOrC_32u", [](auto s, auto d) { return ippsOrC_32u(As<Ipp32u>(s), 0x80000001u, As<Ipp32u>(d), kLength); }},
    {"ippsXorC_32u", [](auto s, auto d) { return ippsXorC_32u(As<Ipp32u>(s), 0xFFFFFFFFu, As<Ipp32u>(d), kLength); }},
    {"ippsLShiftC_32s", [](auto s, auto d) { return ippsLShiftC_32s(As<Ipp32s>(s), 3, As<Ipp32s>(d), kLength); }},
    {"ippsRShiftC_32s", [](auto s, auto d) { return ippsRShiftC_32s(As<Ipp32s>(s), 5, As<Ipp32s>(d), kLength); }},
    {"ippsLShiftC_32s_I", InPlace([](uint8_t* d) { return ippsLShiftC_32s_I(1, As<Ipp32s>(d), kLength); })},
    {"ippsRShiftC_32s_I", InPlace([](uint8_t* d) { return ippsRShiftC_32s_I(31, As<Ipp32s>(d), kLength); })},
    // Signal statistics.
    {"ippsStdDev_64f", [](auto s, auto d) { return ippsStdDev_64f(As<Ipp64f>(s), kLength, As<Ipp64f>(d)); }},
    {"ippsMaxIndx_64f",
     [](auto s, auto d) { return ippsMaxIndx_64f(As<Ipp64f>(s), kLength, As<Ipp64f>(d), As<int>(d + 8)); }},
    {"ippsDotProd_64fc",
     [](auto s, auto d) { return ippsDotProd_64fc(As<Ipp64fc>(s), As<Ipp64fc>(s + 512), kLength / 4, As<Ipp64fc>(d)); }},
    {"ippsDotProd_32s_Sfs",
     [](auto s, auto d) { return ippsDotProd_32s_Sfs(As<Ipp32s>(s), As<Ipp32s>(s + 512), kLength, As<Ipp32s>(d), 40); }},
    {"ippsNorm_L2_64fc64f", [](auto s, auto d) { return ippsNorm_L2_64fc64f(As<Ipp64fc>(s), kLength / 2, As<Ipp64f>(d)); }},
    {"ippsNormalize_64fc",
     [](auto s, auto d) { return ippsNormalize_64fc(As<Ipp64fc>(s), As<Ipp64fc>(d), kLength / 2, Ipp64fc{1, 2}, 3.0); }},
    {"ippsThreshold_64fc_I", InPlace([](uint8_t* d) { return ippsThreshold_64fc_I(As<Ipp64fc>(d), kLength / 2, 1.0, ippCmpLess); })},
    // Float and complex arithmetic.
    {"ippsAdd_64f", [](auto s, auto d) { return ippsAdd_64f(As<Ipp64f>(s), As<Ipp64f>(s + 400), As<Ipp64f>(d), kLength / 2); }},
    {"ippsMul_64f_I", InPlaceWith([](auto s, auto d) { return ippsMul_64f_I(As<Ipp64f>(s), As<Ipp64f>(d), kLength / 2); })},
    {"ippsDiv_64f_I", InPlaceWith([](auto s, auto d) { return ippsDiv_64f_I(As<Ipp64f>(s), As<Ipp64f>(d), kLength / 2); })},
    {"ippsSubCRev_64f", [](auto s, auto d) { return ippsSubCRev_64f(As<Ipp64f>(s), 0.75, As<Ipp64f>(d), kLength); }},
    {"ippsSub_64fc_I", InPlaceWith([](auto s, auto d) { return ippsSub_64fc_I(As<Ipp64fc>(s), As<Ipp64fc>(d), kLength / 4); })},
    {"ippsMul_64fc_I", InPlaceWith([](auto s, auto d) { return ippsMul_64fc_I(As<Ipp64fc>(s), As<Ipp64fc>(d), kLength / 4); })},
    {"ippsDiv_64fc_I", InPlaceWith([](auto s, auto d) { return ippsDiv_64fc_I(As<Ipp64fc>(s), As<Ipp64fc>(d), kLength / 4); })},
    {"ippsMulC_64fc", [](auto s, auto d) { return ippsMulC_64fc(As<Ipp64fc>(s), Ipp64fc{0.5, -1.25}, As<Ipp64fc>(d), kLength / 2); }},
    {"ippsMul_32f", [](auto s, auto d) { return ippsMul_32f(As<Ipp32f>(s), As<Ipp32f>(s + 400), As<Ipp32f>(d), kLength); }},
    {"ippsSum_64f", [](auto s, auto d) { return ippsSum_64f(As<Ipp64f>(s), kLength, As<Ipp64f>(d)); }},
    {"ippsMin_64f", [](auto s, auto d) { return ippsMin_64f(As<Ipp64f>(s), kLength, As<Ipp64f>(d + 8)); }},
};

// The destination bytes of one run, with source and destination starting srcOffset and
// dstOffset bytes after a 64-byte boundary; the source bytes are the same for every offset.
std::vector<uint8_t> RunAt(const Case& c, size_t srcOffset, size_t dstOffset, IppStatus& status) {
  alignas(64) static uint8_t src[kSpan + 64];
  alignas(64) static uint8_t dst[kSpan + 64];
  std::mt19937 rng(42);
  for (size_t i = 0; i < kSpan; ++i) src[srcOffset + i] = static_cast<uint8_t>(rng());
  std::memset(dst, 0xA5, sizeof dst);
  status = c.run(src + srcOffset, dst + dstOffset);
  return std::vector<uint8_t>(dst + dstOffset, dst + dstOffset + kSpan);
}

}  // namespace

TEST(RowAccess, RowsAtOddAddressesGiveTheAlignedResult) {
  const size_t offsets[][2] = {{1, 1}, {3, 1}, {0, 3}, {5, 0}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    IppStatus alignedStatus = ippStsNoErr;
    const std::vector<uint8_t> aligned = RunAt(c, 0, 0, alignedStatus);
    ASSERT_EQ(alignedStatus, ippStsNoErr);
    ASSERT_NE(aligned, std::vector<uint8_t>(kSpan, 0xA5)) << "wrote nothing";
    for (auto [s, d] : offsets) {
      IppStatus status = ippStsNoErr;
      EXPECT_EQ(RunAt(c, s, d, status), aligned) << "source +" << s << ", destination +" << d;
      EXPECT_EQ(status, ippStsNoErr);
    }
  }
}
