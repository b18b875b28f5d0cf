// Shears: the bound with its statuses, the zero shear as a copy, a degenerate shear writing
// nothing, and the forms against the affine engine with the shear's coefficients.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "primitives/geometry/AffineWarp.h"
#include "primitives/geometry/Shear.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;

TEST(Shear, BoundOfTheShearedRegion) {
  struct Case {
    IppiRect roi;
    double xShear, yShear, xShift, yShift;
    IppStatus status;
    double bound[2][2];
  };
  const Case cases[] = {
      {{0, 0, 10, 10}, 0.5, 0, 0, 0, ippStsNoErr, {{0, 0}, {13.5, 9}}},
      {{2, 3, 10, 10}, 0.5, -0.25, 4, 1, ippStsNoErr, {{7.5, 1.25}, {21, 12.5}}},
      {{0, 0, 10, 10}, 1, 1, 0, 0, ippStsCoeffErr, {{0, 0}, {18, 18}}},  // degenerate, bound written
      {{0, 0, 0, 10}, 0.5, 0, 0, 0, ippStsSizeErr, {{-7, -7}, {-7, -7}}},
      {{0, -1, 4, 10}, 0.5, 0, 0, 0, ippStsSizeErr, {{-7, -7}, {-7, -7}}},
  };
  for (const Case& c : cases) {
    double bound[2][2] = {{-7, -7}, {-7, -7}};
    EXPECT_EQ(builtin::ippiGetShearBound(c.roi, bound, c.xShear, c.yShear, c.xShift, c.yShift),
              c.status);
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) EXPECT_EQ(bound[i][j], c.bound[i][j]) << i << "," << j;
  }
}

using ShearForm = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect,
                                double, double, double, double, int);
struct Form {
  const char* name;
  ShearForm fn;
  int pixel, layout;
};
const Form kForms[] = {{"C1", builtin::ippiShear_8u_C1R, 1, 0},
                       {"C3", builtin::ippiShear_8u_C3R, 3, 1},
                       {"C4", builtin::ippiShear_8u_C4R, 4, 4}};

TEST(Shear, ZeroShearCopiesTheOverlap) {
  std::mt19937 rng(1);
  for (const Form& f : kForms)
    for (int method : {1, 2, 4, 2 | IPPI_SMOOTH_EDGE}) {
      SCOPED_TRACE(testing::Message() << f.name << " method " << method);
      GuardedImage src(20, 15, f.pixel), dst(20, 15, f.pixel);
      src.Randomize(rng);
      dst.Randomize(rng);
      const std::vector<uint8_t> before = dst.Region();
      ASSERT_EQ(f.fn(src.data(), src.size(), src.step(), IppiRect{1, 2, 15, 11}, dst.data(),
                     dst.step(), IppiRect{4, 0, 16, 9}, 0, 0, 0, 0, method),
                ippStsNoErr);
      for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x)
          for (int b = 0; b < f.pixel; ++b) {
            const bool in = x >= 4 && x <= 15 && y >= 2 && y <= 8;
            const uint8_t want = in ? src.at(x, y)[b] : before[(y * 20 + x) * f.pixel + b];
            ASSERT_EQ(dst.at(x, y)[b], want) << x << "," << y;
          }
      EXPECT_TRUE(dst.OutsideUntouched());
    }
}

TEST(Shear, DegenerateShearWritesNothing) {
  GuardedImage src(10, 10, 3), dst(10, 10, 3);
  std::mt19937 rng(2);
  src.Randomize(rng);
  dst.Randomize(rng);
  const std::vector<uint8_t> before = dst.Region();
  EXPECT_EQ(builtin::ippiShear_8u_C3R(src.data(), src.size(), src.step(), IppiRect{0, 0, 10, 10},
                                      dst.data(), dst.step(), IppiRect{0, 0, 10, 10}, 1, 1, 0, 0,
                                      IPPI_INTER_LINEAR),
            ippStsCoeffErr);
  EXPECT_EQ(dst.Region(), before);
  // The engine's checks come through unchanged.
  EXPECT_EQ(builtin::ippiShear_8u_C1R(nullptr, src.size(), src.step(), IppiRect{0, 0, 10, 10},
                                      dst.data(), dst.step(), IppiRect{0, 0, 10, 10}, 0.1, 0, 0, 0,
                                      IPPI_INTER_LINEAR),
            ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiShear_8u_C4R(src.data(), src.size(), src.step(), IppiRect{0, 0, 10, 10},
                                      dst.data(), dst.step(), IppiRect{0, 0, 10, 10}, 0.1, 0, 0, 0,
                                      5),
            ippStsInterpolationErr);
}

TEST(Shear, FormsAreTheEngineWithTheShearCoefficients) {
  std::mt19937 rng(3);
  for (const Form& f : kForms)
    for (int method : {1, 2, 4 | IPPI_SMOOTH_EDGE}) {
      SCOPED_TRACE(testing::Message() << f.name << " method " << method);
      GuardedImage src(30, 20, f.pixel), a(45, 30, f.pixel), b(45, 30, f.pixel);
      src.Randomize(rng);
      a.FillRegion(9);
      b.FillRegion(9);
      const double c[2][3] = {{1, 0.4, 2.5}, {-0.3, 1, 9.75}};
      const IppiRect sr{2, 1, 26, 18}, dr{0, 0, 45, 30};
      ASSERT_EQ(f.fn(src.data(), src.size(), src.step(), sr, a.data(), a.step(), dr, 0.4, -0.3,
                     2.5, 9.75, method),
                ippStsNoErr);
      ASSERT_EQ(builtin::fbAffineWarpEngine(src.data(), src.size(), src.step(), sr, b.data(),
                                            b.step(), dr, f.layout, c, method),
                ippStsNoErr);
      EXPECT_EQ(a.Region(), b.Region());
      EXPECT_NE(a.Region(), std::vector<uint8_t>(a.Region().size(), 9));
    }
}

}  // namespace
