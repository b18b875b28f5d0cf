// The resize entries: which driver takes a call, the statuses in check order through each
// entry, and results equal to the driver's.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "primitives/resampling/ResizeEngine.h"
#include "primitives/resampling/ResizeEntries.h"
#include "primitives/resampling/ResizeSuper.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;

using ResizeForm = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiSize,
                                 double, double, int);
struct Form {
  ResizeForm fn;
  int channels;
};
const Form kForms[] = {{builtin::ippiResize_8u_C1R, 1},
                       {builtin::ippiResize_8u_C3R, 3},
                       {builtin::ippiResize_8u_C4R, 4}};

TEST(ResizeEntries, StatusesInCheckOrder) {
  std::vector<uint8_t> src(10 * 10 * 4, 9);
  struct Case {
    const char* what;
    bool nullDst;
    IppiSize size;
    IppiRect roi;
    IppiSize dstSize;
    double xf, yf;
    int interpolation;
    IppStatus status;
  };
  const int bit31 = static_cast<int>(0x80000000u);
  const Case cases[] = {
      {"null before sizes", true, {0, 10}, {0, 0, 10, 10}, {5, 5}, 0.5, 0.5, 8, ippStsNullPtrErr},
      {"negative region origin", false, {10, 10}, {0, -1, 10, 10}, {5, 5}, 0.5, 0.5, 8,
       ippStsSizeErr},
      {"origin past the image before the destination size", false, {10, 10}, {0, 10, 10, 10},
       {0, 5}, 0.5, 0.5, 8, ippStsWrongIntersectROI},
      {"destination side", false, {10, 10}, {0, 0, 10, 10}, {5, 0}, 0.5, 0.5, 8, ippStsSizeErr},
      {"zero factor", false, {10, 10}, {0, 0, 10, 10}, {5, 5}, 0.0, 0.5, 8,
       ippStsResizeFactorErr},
      {"nothing to write", false, {10, 10}, {0, 0, 3, 10}, {5, 5}, 0.1, 0.5, 8,
       ippStsResizeNoOperationErr},
      {"super-sampling enlarging one side", false, {10, 10}, {0, 0, 10, 10}, {5, 5}, 0.5, 2.0, 8,
       ippStsInterpolationErr},
      {"super-sampling enlarging both", false, {10, 10}, {0, 0, 10, 10}, {5, 5}, 1.5, 1.5, 8,
       ippStsInterpolationErr},
      {"unknown method", false, {10, 10}, {0, 0, 10, 10}, {5, 5}, 0.5, 0.5, 3,
       ippStsInterpolationErr},
      {"bit 31", false, {10, 10}, {0, 0, 10, 10}, {5, 5}, 0.5, 0.5, 2 | bit31,
       ippStsInterpolationErr},
      {"factor before method", false, {10, 10}, {0, 0, 10, 10}, {5, 5}, -1.0, 0.5, 3,
       ippStsResizeFactorErr},
      {"linear enlarging", false, {10, 10}, {0, 0, 10, 10}, {5, 5}, 1.5, 1.5, 2, ippStsNoErr},
  };
  for (const Form& f : kForms) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << c.what << ", channels " << f.channels);
      std::vector<uint8_t> dst(10 * 10 * 4, 7);
      EXPECT_EQ(f.fn(src.data(), c.size, 10 * f.channels, c.roi, c.nullDst ? nullptr : dst.data(),
                     10 * f.channels, c.dstSize, c.xf, c.yf, c.interpolation),
                c.status);
      if (c.status != ippStsNoErr) {
        EXPECT_EQ(dst, std::vector<uint8_t>(10 * 10 * 4, 7));
      }
    }
  }
}

// Each entry gives what the driver taking its call gives, byte for byte.
TEST(ResizeEntries, EqualTheDriverTakingTheCall) {
  std::mt19937 rng(43);
  const int w = 23, h = 17;
  struct Call {
    double xf, yf;
    int interpolation;
  };
  const Call calls[] = {{0.5, 0.5, 8},  {0.4, 0.7, 8},  {1.0, 0.3, 8}, {0.6, 1.4, 2},
                        {0.5, 0.5, 1},  {1.7, 0.6, 4},  {0.8, 0.9, 16}};
  for (const Form& f : kForms) {
    for (const Call& c : calls) {
      SCOPED_TRACE(::testing::Message() << "channels " << f.channels << " method "
                                        << c.interpolation << " " << c.xf << " x " << c.yf);
      GuardedImage src(w, h, f.channels), a(40, 30, f.channels), b(40, 30, f.channels);
      src.Randomize(rng);
      a.FillRegion(3);
      b.FillRegion(3);
      const IppiRect roi{2, 1, 19, 15};
      ASSERT_EQ(f.fn(src.data(), src.size(), src.step(), roi, a.data(), a.step(), a.size(), c.xf,
                     c.yf, c.interpolation),
                ippStsNoErr);
      const IppStatus driver =
          c.interpolation == 8
              ? builtin::fbResizeSuperEngine(src.data(), src.size(), src.step(), roi, b.data(),
                                             b.step(), b.size(), c.xf, c.yf, f.channels,
                                             f.channels, 0, 0)
              : builtin::fbResizeEngine(src.data(), src.size(), src.step(), roi, b.data(),
                                        b.step(), b.size(), c.xf, c.yf, f.channels, f.channels,
                                        0, 0, c.interpolation);
      ASSERT_EQ(driver, ippStsNoErr);
      EXPECT_EQ(a.Region(), b.Region());
      EXPECT_NE(a.Region(), std::vector<uint8_t>(a.Region().size(), 3));
    }
  }
}

}  // namespace
