// The filter entries at their edges: every pointer argument null, and the sizes derived from
// a region plus a mask, a border or a kernel that pass the 32-bit range (see
// tests/primitives/EntryEdges.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "primitives/filters/BoxFilter.h"
#include "primitives/filters/FixedFilters.h"
#include "primitives/filters/GeneralFilters.h"
#include "primitives/filters/MedianCross.h"
#include "primitives/filters/MedianFilter.h"
#include "primitives/filters/MinMaxFilters.h"
#include "primitives/filters/Morphology.h"
#include "primitives/filters/MorphologyKernels.h"
#include "primitives/filters/MorphologyState.h"
#include "primitives/filters/SobelBorder.h"
#include "primitives/filters/SobelBorderKernels.h"
#include "primitives/filters/WienerFilter.h"
#include "primitives/filters/WienerFilterKernels.h"
#include "tests/primitives/EntryEdges.h"

namespace {

using entryedges::In;
using entryedges::Row;
using entryedges::Scratch;
using entryedges::ScratchRow;
using namespace builtin;

// Every entry of the family, unit by unit, and the shared pieces that write through a pointer.
// clang-format off
#define PF_FILTER_ENTRIES(X)                                                                    \
  X(ippiFilterBox_8u_C1R) X(ippiFilterBox_8u_C3R) X(ippiFilterBox_8u_C4R)                       \
  X(ippiFilterPrewittHoriz_8u_C1R) X(ippiFilterPrewittHoriz_8u_C3R)                             \
  X(ippiFilterPrewittHoriz_8u_AC4R) X(ippiFilterPrewittVert_8u_C1R)                             \
  X(ippiFilterPrewittVert_8u_C3R) X(ippiFilterPrewittVert_8u_AC4R)                              \
  X(ippiFilterSobelHoriz_8u_C1R) X(ippiFilterSobelHoriz_8u_C3R) X(ippiFilterSobelHoriz_8u_AC4R) \
  X(ippiFilterSobelVert_8u_C1R) X(ippiFilterSobelVert_8u_C3R) X(ippiFilterSobelVert_8u_AC4R)    \
  X(ippiFilterRobertsDown_8u_C1R) X(ippiFilterRobertsDown_8u_C3R)                               \
  X(ippiFilterRobertsDown_8u_AC4R) X(ippiFilterRobertsUp_8u_C1R) X(ippiFilterRobertsUp_8u_C3R)  \
  X(ippiFilterRobertsUp_8u_AC4R) X(ippiFilterSharpen_8u_C1R) X(ippiFilterSharpen_8u_C3R)        \
  X(ippiFilterSharpen_8u_AC4R) X(ippiFilterLaplace_8u_C1R) X(ippiFilterLaplace_8u_C3R)          \
  X(ippiFilterLaplace_8u_AC4R) X(ippiFilterHipass_8u_C1R) X(ippiFilterHipass_8u_C3R)            \
  X(ippiFilterHipass_8u_AC4R) X(ippiFilterLowpass_8u_C1R) X(ippiFilterLowpass_8u_C3R)           \
  X(ippiFilterLowpass_8u_AC4R) X(ippiFilterGauss_8u_C1R) X(ippiFilterGauss_8u_C3R)              \
  X(ippiFilterGauss_8u_AC4R) X(ippiFilterGauss_8u_C4R)                                          \
  X(ippiFilter_8u_C1R) X(ippiFilter_8u_C3R) X(ippiFilter_8u_AC4R) X(ippiFilterRow32f_8u_C1R)    \
  X(ippiFilterRow32f_8u_C3R) X(ippiFilterRow32f_8u_C4R) X(ippiFilterColumn32f_8u_C1R)           \
  X(ippiFilterColumn32f_8u_C3R) X(ippiFilterColumn32f_8u_C4R)                                   \
  X(ippiFilterMedianCross_8u_C1R) X(ippiFilterMedianCross_8u_C3R)                               \
  X(ippiFilterMedianCross_8u_AC4R) X(ippiFilterMedianColor_8u_C3R)                              \
  X(ippiFilterMedianColor_8u_AC4R)                                                              \
  X(ippiFilterMedian_8u_C1R) X(ippiFilterMedian_8u_C3R) X(ippiFilterMedian_8u_C4R)              \
  X(ippiFilterMin_8u_C1R) X(ippiFilterMin_8u_C3R) X(ippiFilterMin_8u_C4R)                       \
  X(ippiFilterMax_8u_C1R) X(ippiFilterMax_8u_C3R) X(ippiFilterMax_8u_C4R)                       \
  X(ippiErode_8u_C1R) X(ippiErode_8u_C3R) X(ippiErode_8u_AC4R) X(ippiDilate_8u_C1R)             \
  X(ippiDilate_8u_C3R) X(ippiDilate_8u_AC4R)                                                    \
  X(ippiMorphologyInitAlloc_8u_C3R) X(ippiMorphologyFree)                                       \
  X(ippiFilterSobelHorizBorder_8u16s_C1R) X(ippiFilterSobelVertBorder_8u16s_C1R)                \
  X(ippiFilterSobelHorizGetBufferSize_8u16s_C1R) X(ippiFilterSobelVertGetBufferSize_8u16s_C1R)  \
  X(ippiFilterWiener_8u_C1R) X(ippiFilterWiener_8u_C3R) X(ippiFilterWiener_8u_AC4R)             \
  X(ippiFilterWienerGetBufferSize) \
  X(fbMaskMax8u) X(fbMeanRow32f) X(fbMorphRectWorkSize) X(fbMorphRunsWorkSize)                  \
  X(sepborder::fbBorderRowAreaSize) X(sepborder::fbBorderColAreaSize)
// clang-format on

// A size query: the size written where expected is 0, nothing written otherwise.
Row QueryRow(std::string name, IppStatus expected, int size, std::function<IppStatus(int*)> query) {
  return {std::move(name), expected, [expected, size, query] {
            int written = -1;
            const IppStatus status = query(&written);
            EXPECT_EQ(written, expected == ippStsNoErr ? size : -1);
            return status;
          }};
}

// The state builder's three modes with each of their pointers null: -8, nothing written.
void AddMorphologyStateRows(std::vector<Row>& rows) {
  for (int mode : {0, 1, 2}) {
    rows.push_back(ScratchRow("fbMorphStateBuild: mode " + std::to_string(mode) + ", null result",
                              ippStsNullPtrErr, [mode](Scratch& s) {
                                IppiMorphState* null = nullptr;
                                return fbMorphStateBuild(1, 3, 4, In<Ipp8u>(s), {1, 1}, {0, 0},
                                                         mode == 1 ? &null : nullptr, nullptr, mode,
                                                         0);
                              }));
    rows.push_back(ScratchRow(
        "fbMorphStateBuild: mode " + std::to_string(mode) + ", null mask", ippStsNullPtrErr,
        [mode](Scratch& s) {
          auto** state = reinterpret_cast<IppiMorphState**>(s.planes.data());
          return fbMorphStateBuild(1, 3, 4, nullptr, {1, 1}, {0, 0}, state, In<int>(s), mode, 0);
        }));
  }
  // A block past the 32-bit range, of every mask kind that depends on the region width: -9,
  // nothing stored. The masks: one cell (a rectangle), a cross (one run per row), a hollow
  // square (general).
  const struct {
    const char* kind;
    IppiSize size;
    IppiPoint anchor;
    std::vector<Ipp8u> mask;
  } masks[] = {{"rectangle", {1, 1}, {0, 0}, {1}},
               {"runs", {3, 3}, {1, 1}, {0, 1, 0, 1, 1, 1, 0, 1, 0}},
               {"general", {3, 3}, {1, 1}, {1, 1, 1, 1, 0, 1, 1, 1, 1}}};
  for (const auto& m : masks) {
    rows.push_back(
        {std::string("ippiMorphologyInitAlloc_8u_C3R: region width INT32_MAX, ") + m.kind + " mask",
         ippStsMemAllocErr, [m] {
           int untouched = 0;
           auto* const kUntouched = reinterpret_cast<IppiMorphState*>(&untouched);
           IppiMorphState* state = kUntouched;
           const IppStatus status =
               ippiMorphologyInitAlloc_8u_C3R(INT32_MAX, m.mask.data(), m.size, m.anchor, &state);
           EXPECT_EQ(state, kUntouched);
           return status;
         }});
    rows.push_back(QueryRow(
        std::string("fbMorphStateBuild: size of region width INT32_MAX, ") + m.kind + " mask",
        ippStsMemAllocErr, 0, [m](int* size) {
          return fbMorphStateBuild(1, 3, INT32_MAX, m.mask.data(), m.size, m.anchor, nullptr, size,
                                   0, 0);
        }));
  }
}

void AddBufferSizeRows(std::vector<Row>& rows) {
  // The bordered Sobel filters' buffer: 42 x W16 + 372 bytes (3x3) or 50 x W16 + 412 (5x5), W16
  // the width rounded up to 16; the widest region whose buffer fits an int, and one more.
  const struct {
    IppiMaskSize mask;
    int width;
    IppStatus expected;
    int size;
  } sobel[] = {{ippMskSize3x3, 51130544, ippStsNoErr, 42 * 51130544 + 372},
               {ippMskSize3x3, 51130545, ippStsSizeErr, 0},
               {ippMskSize5x5, 42949664, ippStsNoErr, 50 * 42949664 + 412},
               {ippMskSize5x5, 42949665, ippStsSizeErr, 0},
               {ippMskSize3x3, INT32_MAX, ippStsSizeErr, 0}};
  for (const auto& q : sobel) {
    const std::string what =
        ": width " + std::to_string(q.width) + ", mask " + std::to_string(q.mask);
    rows.push_back(QueryRow(
        "ippiFilterSobelHorizGetBufferSize_8u16s_C1R" + what, q.expected, q.size, [q](int* size) {
          return ippiFilterSobelHorizGetBufferSize_8u16s_C1R({q.width, 1}, q.mask, size);
        }));
    rows.push_back(QueryRow(
        "ippiFilterSobelVertGetBufferSize_8u16s_C1R" + what, q.expected, q.size, [q](int* size) {
          return ippiFilterSobelVertGetBufferSize_8u16s_C1R({q.width, INT32_MAX}, q.mask, size);
        }));
  }
  // The small areas of that buffer: 4 x length + 64 bytes.
  for (const auto& [length, expected, size] :
       std::vector<std::tuple<int, IppStatus, int>>{{536870895, ippStsNoErr, INT32_MAX - 3},
                                                    {536870896, ippStsSizeErr, 0},
                                                    {INT32_MAX, ippStsSizeErr, 0}}) {
    const std::string what = ": length " + std::to_string(length);
    rows.push_back(QueryRow("fbBorderRowAreaSize" + what, expected, size, [length](int* out) {
      return sepborder::fbBorderRowAreaSize(1, 1, length, out);
    }));
    rows.push_back(QueryRow("fbBorderColAreaSize" + what, expected, size, [length](int* out) {
      return sepborder::fbBorderColAreaSize(1, 1, length, out);
    }));
  }
  // The Wiener filter's buffer: four rows of 4 x ((L + 6) rounded down to 4) bytes and 15,
  // L = width + mask width (one channel) or width x channels.
  const struct {
    int width, channels;
    IppStatus expected;
    int size;
  } wiener[] = {{134217718, 1, ippStsNoErr, 16 * 134217724 + 15},
                {134217719, 1, ippStsSizeErr, 0},
                {44739240, 3, ippStsNoErr, 16 * 134217724 + 15},
                {44739241, 3, ippStsSizeErr, 0},
                {33554430, 4, ippStsNoErr, 16 * 134217724 + 15},
                {33554431, 4, ippStsSizeErr, 0},
                {INT32_MAX, 4, ippStsSizeErr, 0}};
  for (const auto& q : wiener)
    rows.push_back(
        QueryRow("ippiFilterWienerGetBufferSize: width " + std::to_string(q.width) + ", " +
                     std::to_string(q.channels) + " channels",
                 q.expected, q.size, [q](int* size) {
                   return ippiFilterWienerGetBufferSize({q.width, 7}, {3, 5}, q.channels, size);
                 }));
}

// Row lengths of a region plus a mask or kernel, compared with the steps in 64 bits: refused
// where they pass the widest step, which 32-bit sums would wrap below.
void AddStepRows(std::vector<Row>& rows) {
  using TMorph =
      IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, IppiSize, IppiPoint);
  const struct {
    const char* name;
    TMorph fn;
    int pixel;
  } morphs[] = {
      {"ippiErode_8u_C1R", ippiErode_8u_C1R, 1},   {"ippiErode_8u_C3R", ippiErode_8u_C3R, 3},
      {"ippiErode_8u_AC4R", ippiErode_8u_AC4R, 4}, {"ippiDilate_8u_C1R", ippiDilate_8u_C1R, 1},
      {"ippiDilate_8u_C3R", ippiDilate_8u_C3R, 3}, {"ippiDilate_8u_AC4R", ippiDilate_8u_AC4R, 4}};
  for (const auto& f : morphs) {
    const int width = INT32_MAX / f.pixel;  // (width + 1) pixels pass INT32_MAX bytes
    rows.push_back(
        ScratchRow(std::string(f.name) + ": region " + std::to_string(width) + " x 1, mask 2 x 1",
                   ippStsStrideErr, [f, width](Scratch& s) {
                     return f.fn(In<Ipp8u>(s), INT32_MAX, In<Ipp8u>(s), INT32_MAX, {width, 1},
                                 In<Ipp8u>(s), {2, 1}, {0, 0});
                   }));
  }
  using TGeneral = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s*, IppiSize,
                                 IppiPoint, int);
  const struct {
    const char* name;
    TGeneral fn;
    int pixel;
  } generals[] = {{"ippiFilter_8u_C1R", ippiFilter_8u_C1R, 1},
                  {"ippiFilter_8u_C3R", ippiFilter_8u_C3R, 3},
                  {"ippiFilter_8u_AC4R", ippiFilter_8u_AC4R, 4}};
  for (const auto& f : generals) {
    const int width = INT32_MAX / f.pixel;
    rows.push_back(
        ScratchRow(std::string(f.name) + ": region " + std::to_string(width) + " x 1, kernel 2 x 1",
                   ippStsStepErr, [f, width](Scratch& s) {
                     return f.fn(In<Ipp8u>(s), INT32_MAX, In<Ipp8u>(s), INT32_MAX, {width, 1},
                                 In<Ipp32s>(s), {2, 1}, {0, 0}, 1);
                   }));
  }
  using TLine = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f*, int, int);
  const struct {
    const char* name;
    TLine fn;
    int pixel;
    int taps;  // 2 along a row; the column forms compare the width alone
  } lines[] = {{"ippiFilterRow32f_8u_C1R", ippiFilterRow32f_8u_C1R, 1, 2},
               {"ippiFilterRow32f_8u_C3R", ippiFilterRow32f_8u_C3R, 3, 2},
               {"ippiFilterRow32f_8u_C4R", ippiFilterRow32f_8u_C4R, 4, 2},
               {"ippiFilterColumn32f_8u_C3R", ippiFilterColumn32f_8u_C3R, 3, 1},
               {"ippiFilterColumn32f_8u_C4R", ippiFilterColumn32f_8u_C4R, 4, 1}};
  for (const auto& f : lines) {
    const int width = INT32_MAX / f.pixel + (f.taps == 1 ? 1 : 0);
    rows.push_back(ScratchRow(std::string(f.name) + ": region " + std::to_string(width) + " x 1",
                              ippStsStepErr, [f, width](Scratch& s) {
                                return f.fn(In<Ipp8u>(s), INT32_MAX, In<Ipp8u>(s), INT32_MAX,
                                            {width, 1}, In<Ipp32f>(s), 2, 0);
                              }));
  }
  // Twice the width against the destination step of the bordered Sobel filters.
  using TBorder = IppStatus (*)(const Ipp8u*, int, Ipp16s*, int, IppiSize, IppiMaskSize,
                                IppiBorderType, Ipp8u, Ipp8u*);
  const struct {
    const char* name;
    TBorder fn;
  } borders[] = {{"ippiFilterSobelHorizBorder_8u16s_C1R", ippiFilterSobelHorizBorder_8u16s_C1R},
                 {"ippiFilterSobelVertBorder_8u16s_C1R", ippiFilterSobelVertBorder_8u16s_C1R}};
  for (const auto& f : borders)
    rows.push_back(
        ScratchRow(std::string(f.name) + ": region 2^30 x 1", ippStsStepErr, [f](Scratch& s) {
          return f.fn(In<Ipp8u>(s), INT32_MAX, In<Ipp16s>(s), INT32_MAX - 1, {1 << 30, 1},
                      ippMskSize3x3, ippBorderRepl, 0, In<Ipp8u>(s));
        }));
}

// ---- Windows of more than INT32_MAX bytes ----------------------------------------------------

// One output pixel of a 65537 x 32769 window over a source whose rows overlap, each starting
// one pixel after the one above: channel 0 all 0 (more than 2^31 zeros, beyond a 32-bit count),
// the other channels a pattern. The median of each channel, counted in 64 bits by the test:
// window cell (i, r) holds pixel i + r.
void AddMedianRows(std::vector<Row>& rows) {
  constexpr int kWide = 65537, kHigh = 32769;
  using TMedian = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint);
  const struct {
    const char* name;
    TMedian fn;
    int pixel;
  } forms[] = {{"ippiFilterMedian_8u_C1R", ippiFilterMedian_8u_C1R, 1},
               {"ippiFilterMedian_8u_C3R", ippiFilterMedian_8u_C3R, 3},
               {"ippiFilterMedian_8u_C4R", ippiFilterMedian_8u_C4R, 4}};
  for (const auto& f : forms) {
    auto src = std::make_shared<std::vector<Ipp8u>>((size_t{kWide} + kHigh) * f.pixel);
    for (size_t i = 0; i < src->size(); ++i)
      (*src)[i] = i % f.pixel == 0 ? 0 : static_cast<Ipp8u>(i * 7 + i / 5);
    auto dst = std::make_shared<std::array<Ipp8u, 4>>();
    dst->fill(0xEE);
    const int pixel = f.pixel;
    rows.push_back(
        {std::string(f.name) + ": a window of 65537 x 32769 pixels", ippStsNoErr,
         [f, src, dst] {
           return f.fn(src->data(), f.pixel, dst->data(), 4, {1, 1}, {kWide, kHigh}, {0, 0});
         },
         [src, dst, pixel] {
           const int64_t rank = int64_t{kWide} * kHigh / 2 + 1;
           for (int c = 0; c < pixel; ++c) {
             std::array<int64_t, 256> counts{};
             for (int64_t k = 0; k < int64_t{kWide} + kHigh - 1; ++k)
               counts[(*src)[k * pixel + c]] +=
                   std::min<int64_t>(k, kWide - 1) - std::max<int64_t>(0, k - kHigh + 1) + 1;
             int median = 0;
             for (int64_t below = counts[0]; below < rank; below += counts[++median]) {
             }
             EXPECT_EQ((*dst)[c], median) << "channel " << c;
           }
           for (int c = pixel; c < 4; ++c) EXPECT_EQ((*dst)[c], 0xEE);
         },
         true});
  }
}

TEST(FilterEntryEdges, NullPointersAndSizesBeyondTheInt32Range) {
  std::vector<Row> rows;
#define PF_NULL_ROWS(name) entryedges::AddNullRows(rows, #name, name);
  PF_FILTER_ENTRIES(PF_NULL_ROWS)
#undef PF_NULL_ROWS
  AddMorphologyStateRows(rows);
  AddBufferSizeRows(rows);
  AddStepRows(rows);
  AddMedianRows(rows);
  entryedges::Run(rows);
}

}  // namespace
