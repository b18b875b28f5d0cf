// The vision entries at their edges: every pointer argument null, and the regions, window
// columns and counts whose sizes pass the 32-bit range (see tests/primitives/EntryEdges.h).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "primitives/vision/CannyEdges.h"
#include "primitives/vision/HaarClassifier.h"
#include "primitives/vision/IntegralImages.h"
#include "primitives/vision/PointOperations.h"
#include "primitives/vision/SobelDerivatives.h"
#include "primitives/vision/SortDescend.h"
#include "tests/primitives/EntryEdges.h"

namespace {

using entryedges::In;
using entryedges::Row;
using entryedges::Scratch;
using entryedges::ScratchRow;
using namespace builtin;

// Every entry of the family, unit by unit.
// clang-format off
#define PF_VISION_ENTRIES(X)                                                                 \
  X(ippiCannyGetSize) X(ippiCanny_16s8u_C1R)                                                 \
  X(ippiHaarClassifierInitAlloc_32f) X(ippiHaarClassifierFree_32f)                           \
  X(ippiApplyHaarClassifier_32f_C1R)                                                         \
  X(ippiIntegral_8u32f_C1R) X(ippiIntegral_8u32s_C1R) X(ippiSqrIntegral_8u32s64f_C1R)        \
  X(ippiTiltedIntegral_8u32s_C1R) X(ippiRectStdDev_32f_C1R)                                  \
  X(ippiAbsDiff_32f_C1R) X(ippiThreshold_Val_32f_C1R) X(ippiThreshold_32f_C1R)               \
  X(ippiCountInRange_8u_C1R) X(ippsCartToPolar_32f) X(ippsDotProd_32f)                       \
  X(ippiSobel3x3_Dx_8u16s_C1R) X(ippiSobel3x3_Dy_8u16s_C1R) X(ippiFilterSobelVert_8u16s_C1R) \
  X(ippiFilterSobelHoriz_8u16s_C1R)                                                          \
  X(ippsSortDescend_32f_I)
// clang-format on

// A step of INT32_MAX rounded down to a multiple of 8, valid for every element size.
constexpr int kWidestStep = INT32_MAX - 7;

void AddCannyRows(std::vector<Row>& rows) {
  // The work buffer's size is a 64-bit product of the region: the true size where it fits an
  // int, -6 beyond, for small (5 bytes a cell) and large (9 bytes) coordinates alike.
  const struct {
    IppiSize roi;
    IppStatus expected;
    int size;
  } queries[] = {
      {{20000, 20000}, ippStsNoErr, 5 * 20002 * 20002 + 16 * 20000 + 160},
      {{20800, 20800}, ippStsSizeErr, 0},  // 5 x 20802^2 cells
      {{65533, 1}, ippStsNoErr, 9 * 65535 * 3 + 16 * 65533 + 160},
      {{46338, 46338}, ippStsSizeErr, 0},  // 46340^2 cells fit an int, 9 bytes each do not
      {{46339, 46339}, ippStsSizeErr, 0},  // 46341^2 cells do not
      {{INT32_MAX, 1}, ippStsSizeErr, 0},
      {{1, INT32_MAX}, ippStsSizeErr, 0},
  };
  for (const auto& q : queries) {
    const std::string region = std::to_string(q.roi.width) + " x " + std::to_string(q.roi.height);
    auto size = std::make_shared<int>(-1);
    rows.push_back({"ippiCannyGetSize: region " + region, q.expected,
                    [q, size] { return ippiCannyGetSize(q.roi, size.get()); },
                    [q, size] { EXPECT_EQ(*size, q.expected == ippStsNoErr ? q.size : -1); }});
    if (q.expected != ippStsNoErr && q.roi.width < INT32_MAX / 2)
      rows.push_back(
          ScratchRow("ippiCanny_16s8u_C1R: region " + region, q.expected, [q](Scratch& s) {
            return ippiCanny_16s8u_C1R(In<Ipp16s>(s), 2 * q.roi.width, In<Ipp16s>(s),
                                       2 * q.roi.width, In<Ipp8u>(s), q.roi.width, q.roi, 1, 2,
                                       In<Ipp8u>(s));
          }));
  }
  // Twice the width in 64 bits against the derivative steps.
  rows.push_back(
      ScratchRow("ippiCanny_16s8u_C1R: region INT32_MAX x 1", ippStsStepErr, [](Scratch& s) {
        return ippiCanny_16s8u_C1R(In<Ipp16s>(s), kWidestStep, In<Ipp16s>(s), kWidestStep,
                                   In<Ipp8u>(s), INT32_MAX, {INT32_MAX, 1}, 1, 2, In<Ipp8u>(s));
      }));
}

void AddSobelRows(std::vector<Row>& rows) {
  // Work rows of a region INT32_MAX wide lie beyond the aligned allocator's range: -9.
  const struct {
    const char* name;
    IppStatus (*fn)(const Ipp8u*, int, Ipp16s*, int, IppiSize, IppiMaskSize);
  } forms[] = {{"ippiFilterSobelVert_8u16s_C1R", ippiFilterSobelVert_8u16s_C1R},
               {"ippiFilterSobelHoriz_8u16s_C1R", ippiFilterSobelHoriz_8u16s_C1R}};
  for (const auto& f : forms)
    for (IppiMaskSize mask : {ippMskSize3x3, ippMskSize5x5})
      rows.push_back(ScratchRow(
          std::string(f.name) + ": region INT32_MAX x INT32_MAX, mask " + std::to_string(mask),
          ippStsMemAllocErr, [f, mask](Scratch& s) {
            return f.fn(In<Ipp8u>(s) + 64, 8, In<Ipp16s>(s), 16, {INT32_MAX, INT32_MAX}, mask);
          }));
}

void AddIntegralRows(std::vector<Row>& rows) {
  // Row lengths of the integrals (width + 1 or + 2 values) and of a window's columns (width +
  // rect.x + rect.width) compared with the steps in 64 bits: -14 where they pass the steps.
  rows.push_back(
      ScratchRow("ippiIntegral_8u32f_C1R: region INT32_MAX x 1", ippStsStepErr, [](Scratch& s) {
        return ippiIntegral_8u32f_C1R(In<Ipp8u>(s), INT32_MAX, In<Ipp32f>(s), kWidestStep,
                                      {INT32_MAX, 1}, 0);
      }));
  rows.push_back(
      ScratchRow("ippiIntegral_8u32s_C1R: region INT32_MAX x 1", ippStsStepErr, [](Scratch& s) {
        return ippiIntegral_8u32s_C1R(In<Ipp8u>(s), INT32_MAX, In<Ipp32s>(s), kWidestStep,
                                      {INT32_MAX, 1}, 0);
      }));
  // 4 x (width + 1) fits the step, 8 x (width + 1) does not.
  rows.push_back(ScratchRow(
      "ippiSqrIntegral_8u32s64f_C1R: region 536870909 x 1", ippStsStepErr, [](Scratch& s) {
        return ippiSqrIntegral_8u32s64f_C1R(In<Ipp8u>(s), INT32_MAX, In<Ipp32s>(s), kWidestStep,
                                            In<Ipp64f>(s), kWidestStep, {536870909, 1}, 0, 0);
      }));
  // 4 x (width + 2) = 2^31 just passes the widest step.
  rows.push_back(ScratchRow(
      "ippiTiltedIntegral_8u32s_C1R: region 536870910 x 1", ippStsStepErr, [](Scratch& s) {
        return ippiTiltedIntegral_8u32s_C1R(In<Ipp8u>(s), INT32_MAX, In<Ipp32s>(s), INT32_MAX - 3,
                                            {536870910, 1}, 0);
      }));
  rows.push_back(ScratchRow(
      "ippiRectStdDev_32f_C1R: window columns beyond INT32_MAX", ippStsStepErr, [](Scratch& s) {
        return ippiRectStdDev_32f_C1R(In<Ipp32f>(s), kWidestStep, In<Ipp64f>(s), kWidestStep,
                                      In<Ipp32f>(s), kWidestStep, {1, 1}, {INT32_MAX - 1, 0, 2, 1});
      }));
  rows.push_back(
      ScratchRow("ippiAbsDiff_32f_C1R: region 536870912 x 1", ippStsStepErr, [](Scratch& s) {
        return ippiAbsDiff_32f_C1R(In<Ipp32f>(s), kWidestStep, In<Ipp32f>(s), kWidestStep,
                                   In<Ipp32f>(s), kWidestStep, {536870912, 1});
      }));
}

// ---- Counts beyond INT32_MAX ------------------------------------------------------------

// A source whose rows overlap, each starting one byte after the one above:
// width x height pixels in width + height bytes.
std::shared_ptr<std::vector<Ipp8u>> OverlappedBytes(int width, int height) {
  auto bytes = std::make_shared<std::vector<Ipp8u>>(static_cast<size_t>(width) + height);
  for (size_t i = 0; i < bytes->size(); ++i) (*bytes)[i] = static_cast<Ipp8u>(i * 7);
  return bytes;
}

// A classifier of no features: every pixel of a mask byte not 0 sums to 0 and is positive.
struct NoFeatures {
  IppiHaarClassifier_32f* state = nullptr;
  NoFeatures() {
    const IppiRect rect{0, 0, 1, 1};
    const Ipp32f value = 0;
    const int count = 1;
    EXPECT_EQ(
        ippiHaarClassifierInitAlloc_32f(&state, &rect, &value, &value, &value, &value, &count, 0),
        ippStsNoErr);
  }
  ~NoFeatures() { ippiHaarClassifierFree_32f(state); }
};

void AddCountRows(std::vector<Row>& rows) {
  // 2^31 pixels in the range: a count beyond an int is refused, the count untouched.
  auto bytes = OverlappedBytes(65536, 32768);
  auto count = std::make_shared<int>(-1);
  rows.push_back(
      {"ippiCountInRange_8u_C1R: 2^31 pixels in the range", ippStsSizeErr,
       [bytes, count] {
         return ippiCountInRange_8u_C1R(bytes->data(), 1, {65536, 32768}, count.get(), 0, 255);
       },
       [count] { EXPECT_EQ(*count, -1); }, true});
  // A region of more pixels than the int count of positive ones holds: refused before any
  // pixel is read, the count untouched. (Its mask, norms and integral image are a block of 1s
  // repeated over gigabytes, so that a classifier that went ahead would read real bytes.)
  constexpr int kWidth = 65536, kHeight = 32769;
  auto image = std::make_shared<entryedges::RepeatedBytes>(size_t{4} * kWidth * kHeight, 1);
  auto classifier = std::make_shared<NoFeatures>();
  rows.push_back(
      {"ippiApplyHaarClassifier_32f_C1R: region 65536 x 32769", ippStsSizeErr, [image, classifier] {
         if (!image->ok()) return IppStatus{ippStsMemAllocErr};
         const auto* floats = reinterpret_cast<const Ipp32f*>(image->data());
         int positive = -1;
         const IppStatus status = ippiApplyHaarClassifier_32f_C1R(
             floats, 4 * kWidth, floats, 4 * kWidth, image->data(), kWidth, {kWidth, kHeight},
             &positive, 0, classifier->state);
         EXPECT_EQ(positive, -1);
         return status;
       }});
}

// The Haar classifier's own counts: rectangles beyond 32-bit indexes (-9) and corners beyond
// the 32-bit range (-5), the state pointer untouched or nulled.
void AddHaarRows(std::vector<Row>& rows) {
  rows.push_back(
      {"ippiHaarClassifierInitAlloc_32f: 2 x INT32_MAX rectangles", ippStsMemAllocErr, [] {
         Scratch s;
         auto* const untouched = reinterpret_cast<IppiHaarClassifier_32f*>(&s);
         IppiHaarClassifier_32f* state = untouched;
         const int counts[2] = {INT32_MAX, INT32_MAX};
         const IppStatus status =
             ippiHaarClassifierInitAlloc_32f(&state, In<IppiRect>(s), In<Ipp32f>(s), In<Ipp32f>(s),
                                             In<Ipp32f>(s), In<Ipp32f>(s), counts, 2);
         EXPECT_EQ(state, untouched);
         EXPECT_TRUE(s.Untouched());
         return status;
       }});
  rows.push_back(
      {"ippiHaarClassifierInitAlloc_32f: a corner beyond INT32_MAX", ippStsBadArgErr, [] {
         int dummy = 0;
         IppiHaarClassifier_32f* state = reinterpret_cast<IppiHaarClassifier_32f*>(&dummy);
         const IppiRect rects[2] = {{0, 0, 1, 1}, {INT32_MAX - 1, 0, 5, 1}};
         const Ipp32f values[2] = {1, 1};
         const int counts[1] = {2};
         const IppStatus status = ippiHaarClassifierInitAlloc_32f(&state, rects, values, values,
                                                                  values, values, counts, 1);
         EXPECT_EQ(state, nullptr);
         return status;
       }});
  // A region of more pixels than an int counts is refused only after the step checks: steps
  // below 4 x width give -14, steps not a multiple of 4 -108.
  const struct {
    const char* name;
    IppiSize roi;
    int srcStep, normStep, maskStep;
    IppStatus expected;
  } counted[] = {
      {"region 0x40000001 x 2, steps 8", {0x40000001, 2}, 8, 8, 8, ippStsStepErr},
      {"region 536870911 x 5, source step 4 x width + 2", {536870911, 5}, INT32_MAX - 1,
       INT32_MAX - 3, 536870911, ippStsNotEvenStepErr},
  };
  for (const auto& c : counted)
    rows.push_back(ScratchRow(std::string("ippiApplyHaarClassifier_32f_C1R: ") + c.name,
                              c.expected, [c](Scratch& s) {
                                int positive = -1;
                                const IppStatus status = ippiApplyHaarClassifier_32f_C1R(
                                    In<Ipp32f>(s), c.srcStep, In<Ipp32f>(s), c.normStep,
                                    In<Ipp8u>(s), c.maskStep, c.roi, &positive, 0,
                                    reinterpret_cast<IppiHaarClassifier_32f*>(&s));
                                EXPECT_EQ(positive, -1);
                                return status;
                              }));
  // Four times the width against the steps in 64 bits.
  rows.push_back(ScratchRow(
      "ippiApplyHaarClassifier_32f_C1R: region 536870912 x 1", ippStsStepErr, [](Scratch& s) {
        int positive = -1;
        return ippiApplyHaarClassifier_32f_C1R(
            In<Ipp32f>(s), kWidestStep, In<Ipp32f>(s), kWidestStep, In<Ipp8u>(s), INT32_MAX,
            {536870912, 1}, &positive, 0, reinterpret_cast<IppiHaarClassifier_32f*>(&s));
      }));
}

// Two independent passes: a null result of one is reported (-8) while the other is written.
void AddCartToPolarRows(std::vector<Row>& rows) {
  for (int nulled : {0, 1}) {
    rows.push_back(
        {std::string("ippsCartToPolar_32f: null ") + (nulled == 0 ? "magnitudes" : "phases"),
         ippStsNullPtrErr, [nulled] {
           const Ipp32f re[1] = {3}, im[1] = {4};
           Ipp32f out[1] = {-1};
           const IppStatus status = ippsCartToPolar_32f(re, im, nulled == 0 ? nullptr : out,
                                                        nulled == 1 ? nullptr : out, 1);
           EXPECT_NE(out[0], -1) << "the other pass runs";
           return status;
         }});
  }
  for (int nulled : {0, 1}) {
    rows.push_back(
        {"ippsCartToPolar_32f: null source " + std::to_string(nulled), ippStsNullPtrErr, [nulled] {
           const Ipp32f v[1] = {1};
           Ipp32f magnitude[1] = {-1}, phase[1] = {-1};
           const IppStatus status = ippsCartToPolar_32f(
               nulled == 0 ? nullptr : v, nulled == 1 ? nullptr : v, magnitude, phase, 1);
           EXPECT_EQ(magnitude[0], -1);
           EXPECT_EQ(phase[0], -1);
           return status;
         }});
  }
}

TEST(VisionEntryEdges, NullPointersAndSizesBeyondTheInt32Range) {
  std::vector<Row> rows;
  // The two passes of ippsCartToPolar_32f have rows of their own.
#define PF_NULL_ROWS(name) \
  if (std::string(#name) != "ippsCartToPolar_32f") entryedges::AddNullRows(rows, #name, name);
  PF_VISION_ENTRIES(PF_NULL_ROWS)
#undef PF_NULL_ROWS
  AddCartToPolarRows(rows);
  AddCannyRows(rows);
  AddSobelRows(rows);
  AddIntegralRows(rows);
  AddHaarRows(rows);
  AddCountRows(rows);
  entryedges::Run(rows);
}

}  // namespace
