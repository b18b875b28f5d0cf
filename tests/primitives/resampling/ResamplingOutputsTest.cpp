// Every resampling entry that writes through a caller's pointer, walked as tables: a null
// destination (or destination plane) answers -8 with nothing else written, and regions and
// destination sizes past INT32_MAX are clipped to what the images hold, never wrapped. A new
// entry joins a table.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "primitives/resampling/Remap.h"
#include "primitives/resampling/ResizeEngine.h"
#include "primitives/resampling/ResizeEntries.h"
#include "primitives/resampling/ResizeSuper.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using namespace builtin;
using imagetest::GuardedImage;

constexpr int kMax = INT_MAX;
constexpr int kSuper = 8;  // super-sampling, taken by the resize entries for shrinking factors

// One entry on an 8 x 8 source into a 10 x 10 destination: the source region and the size the
// destination region is asked for.
using EntryCall = std::function<IppStatus(const Ipp8u* src, IppiSize srcSize, int srcStep,
                                          IppiRect srcRoi, Ipp8u* dst, int dstStep,
                                          IppiSize dstSize)>;
struct Entry {
  std::string name;
  int channels;
  bool scales;  // the destination side is the request capped at factor x region side
  EntryCall call;
};

std::vector<Entry> Entries() {
  using Resize = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiSize,
                               double, double, int);
  using Remap = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, const Ipp32f*, int,
                              const Ipp32f*, int, Ipp8u*, int, IppiSize, int);
  const struct {
    const char* name;
    Resize fn;
    int channels;
  } resizes[] = {{"ippiResize_8u_C1R", ippiResize_8u_C1R, 1},
                 {"ippiResize_8u_C3R", ippiResize_8u_C3R, 3},
                 {"ippiResize_8u_C4R", ippiResize_8u_C4R, 4}};
  const struct {
    const char* name;
    Remap fn;
    int channels;
  } remaps[] = {{"ippiRemap_8u_C1R", ippiRemap_8u_C1R, 1},
                {"ippiRemap_8u_C3R", ippiRemap_8u_C3R, 3},
                {"ippiRemap_8u_C4R", ippiRemap_8u_C4R, 4},
                {"ippiRemap_8u_AC4R", ippiRemap_8u_AC4R, 4}};
  // Maps of a slight shear, 10 x 10 positions, some outside the source.
  static const std::vector<float> xMap = [] {
    std::vector<float> m(100);
    for (int i = 0; i < 100; ++i) m[i] = 0.8f * (i % 10) + 0.15f * (i / 10) - 0.3f;
    return m;
  }();
  static const std::vector<float> yMap = [] {
    std::vector<float> m(100);
    for (int i = 0; i < 100; ++i) m[i] = 0.75f * (i / 10) + 0.1f * (i % 10) + 0.2f;
    return m;
  }();
  std::vector<Entry> entries;
  for (const auto& r : resizes)
    for (int method : {int{IPPI_INTER_NN}, int{IPPI_INTER_LINEAR}, int{IPPI_INTER_CUBIC},
                       int{IPPI_INTER_LANCZOS}, kSuper})
      entries.push_back(
          {std::string(r.name) + " method " + std::to_string(method), r.channels, true,
           [fn = r.fn, method](const Ipp8u* s, IppiSize ss, int sst, IppiRect sr, Ipp8u* d,
                               int dst, IppiSize ds) {
             return fn(s, ss, sst, sr, d, dst, ds, 0.625, 0.75, method);
           }});
  for (const auto& r : remaps)
    for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC})
      entries.push_back(
          {std::string(r.name) + " method " + std::to_string(method), r.channels, false,
           [fn = r.fn, method](const Ipp8u* s, IppiSize ss, int sst, IppiRect sr, Ipp8u* d,
                               int dst, IppiSize ds) {
             return fn(s, ss, sst, sr, xMap.data(), 40, yMap.data(), 40, d, dst, ds, method);
           }});
  return entries;
}

TEST(ResamplingOutputs, NullDestinationsAnswerMinus8) {
  std::mt19937 rng(47);
  for (const Entry& e : Entries()) {
    GuardedImage src(8, 8, e.channels);
    src.Randomize(rng);
    EXPECT_EQ(e.call(src.data(), src.size(), src.step(), {0, 0, 8, 8}, nullptr, 40, {8, 8}),
              ippStsNullPtrErr)
        << e.name;
  }
}

// The planar engines: one source or destination plane missing gives -8, every plane untouched.
TEST(ResamplingOutputs, NullPlanesAnswerMinus8WritingNothing) {
  using Planar = std::function<IppStatus(const void* src, IppiSize, int, void* dst, int,
                                         int channels, int dataType)>;
  const struct {
    const char* name;
    Planar call;
  } engines[] = {
      {"fbResizeEngine linear",
       [](const void* s, IppiSize ss, int sst, void* d, int dst, int channels, int type) {
         return fbResizeEngine(s, ss, sst, {0, 0, ss.width, ss.height}, d, dst, {4, 4}, 0.5,
                               0.5, channels, channels, type, 1, IPPI_INTER_LINEAR);
       }},
      {"fbResizeEngine nearest",
       [](const void* s, IppiSize ss, int sst, void* d, int dst, int channels, int type) {
         return fbResizeEngine(s, ss, sst, {0, 0, ss.width, ss.height}, d, dst, {4, 4}, 0.5,
                               0.5, channels, channels, type, 1, IPPI_INTER_NN);
       }},
      {"fbResizeSuperEngine",
       [](const void* s, IppiSize ss, int sst, void* d, int dst, int channels, int type) {
         return fbResizeSuperEngine(s, ss, sst, {0, 0, ss.width, ss.height}, d, dst, {4, 4},
                                    0.5, 0.5, channels, channels, type, 1);
       }},
  };
  std::mt19937 rng(4747);
  for (const auto& e : engines)
    for (int type : {0, 1, 2})
      for (int channels : {3, 4})
        for (int missing = 0; missing < 2 * channels; ++missing) {
          const bool inSource = missing < channels;
          const int plane = missing % channels;
          SCOPED_TRACE(testing::Message() << e.name << " type " << type << ", " << channels
                                          << " planes, " << (inSource ? "source" : "destination")
                                          << " plane " << plane << " null");
          const int element = type == 0 ? 1 : type == 1 ? 2 : 4;
          std::deque<GuardedImage> src, dst;
          const void* srcPlanes[4] = {};
          void* dstPlanes[4] = {};
          std::vector<std::vector<uint8_t>> before;
          for (int p = 0; p < channels; ++p) {
            src.emplace_back(8, 8, element);
            dst.emplace_back(4, 4, element);
            src.back().Randomize(rng);
            dst.back().Randomize(rng);
            before.push_back(dst.back().Region());
            srcPlanes[p] = inSource && p == plane ? nullptr : src.back().data();
            dstPlanes[p] = !inSource && p == plane ? nullptr : dst.back().data();
          }
          EXPECT_EQ(e.call(srcPlanes, {8, 8}, src[0].step(), dstPlanes, dst[0].step(), channels,
                           type),
                    ippStsNullPtrErr);
          for (int p = 0; p < channels; ++p) {
            EXPECT_EQ(dst[p].Region(), before[p]) << "plane " << p;
            EXPECT_TRUE(dst[p].OutsideUntouched());
          }
        }
}

// A source region reaching past INT32_MAX is clipped to the image and a resize's destination
// request past it is capped by the factor: both give the bytes of the in-range call. A region
// origin at INT32_MAX lies outside the image: 29 with nothing written.
TEST(ResamplingOutputs, RegionsPastTheInt32RangeAreClipped) {
  std::mt19937 rng(470);
  for (const Entry& e : Entries()) {
    SCOPED_TRACE(e.name);
    GuardedImage src(8, 8, e.channels);
    src.Randomize(rng);
    GuardedImage start(10, 10, e.channels);
    start.Randomize(rng);
    const auto run = [&](IppiRect srcRoi, IppiSize dstSize, IppStatus* status) {
      GuardedImage dst(10, 10, e.channels);
      dst.SetRegion(start.Region());
      *status = e.call(src.data(), src.size(), src.step(), srcRoi, dst.data(), dst.step(),
                       dstSize);
      EXPECT_TRUE(dst.OutsideUntouched());
      return dst.Region();
    };
    // A resize asks for what 0.625 x 8 by 0.75 x 8 makes; a remap for its whole destination.
    const IppiSize size = e.scales ? IppiSize{5, 6} : IppiSize{10, 10};
    IppStatus status;
    const auto reference = run({0, 0, 8, 8}, size, &status);
    ASSERT_EQ(status, ippStsNoErr);
    ASSERT_NE(reference, start.Region()) << "the in-range call wrote nothing";
    EXPECT_EQ(run({0, 0, kMax, kMax}, size, &status), reference);
    EXPECT_EQ(status, ippStsNoErr);
    EXPECT_EQ(run({0, 0, 8, kMax}, size, &status), reference);
    EXPECT_EQ(status, ippStsNoErr);
    if (e.scales) {
      EXPECT_EQ(run({0, 0, 8, 8}, {kMax, kMax}, &status), reference);
      EXPECT_EQ(status, ippStsNoErr);
      EXPECT_EQ(run({0, 0, kMax, kMax}, {kMax, kMax}, &status), reference);
      EXPECT_EQ(status, ippStsNoErr);
    }
    EXPECT_EQ(run({kMax, kMax, kMax, kMax}, size, &status), start.Region());
    EXPECT_EQ(status, ippStsWrongIntersectROI);
    EXPECT_EQ(run({kMax, 0, 1, 8}, size, &status), start.Region());
    EXPECT_EQ(status, ippStsWrongIntersectROI);
  }
}

}  // namespace
