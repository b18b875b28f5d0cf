// The warp frame and the row-kernel template as later warps use them: the codes, the
// geometry's rounding, and the source-checked walk that leaves positions outside the source
// rectangle (or not a number) untouched.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "primitives/geometry/WarpFrame.h"
#include "primitives/geometry/WarpKernels.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

namespace warp = builtin::warp;

TEST(WarpFrame, CodesDowngradeAndTableIndex) {
  struct Method { int code; bool known; bool smooth; };
  const Method methods[] = {{1, true, false}, {2, true, false}, {4, true, false},
                            {static_cast<int>(0x80000002u), true, true}, {3, false, false},
                            {0, false, false}, {static_cast<int>(0x80000000u), false, true},
                            {8, false, false}};
  for (const Method& m : methods) {
    EXPECT_EQ(warp::KnownMethod(m.code), m.known) << m.code;
    EXPECT_EQ(warp::SmoothEdges(m.code), m.smooth) << m.code;
  }
  struct Downgrade { IppiSize size; int asked, used; };
  const Downgrade cases[] = {{{1, 10}, 4, 1}, {{10, 1}, 2, 1}, {{3, 10}, 4, 2},
                             {{10, 3}, 4, 2}, {{4, 4}, 4, 4}, {{3, 3}, 2, 2}, {{2, 2}, 1, 1}};
  for (const Downgrade& d : cases)
    EXPECT_EQ(warp::DowngradeMethod(d.asked, d.size), d.used) << d.size.width << "x" << d.size.height;
  EXPECT_EQ(warp::KernelIndex(0, warp::kC1, 1), 0);
  EXPECT_EQ(warp::KernelIndex(0, warp::kC4, 2), 13);
  EXPECT_EQ(warp::KernelIndex(1, warp::kP4, 4), 35);
  EXPECT_EQ(warp::KernelIndex(2, warp::kP4, 4), 53);
  EXPECT_TRUE(warp::KnownTypeLayout(warp::TypeLayout(2, warp::kP4), 3));
  EXPECT_FALSE(warp::KnownTypeLayout(warp::TypeLayout(3, warp::kC1), 3));
  EXPECT_FALSE(warp::KnownTypeLayout(warp::TypeLayout(0, 6), 3));
  EXPECT_FALSE(warp::KnownTypeLayout(warp::TypeLayout(2, warp::kC1), 2));
}

TEST(WarpFrame, GeometryCeilAndFloor) {
  struct Case { double v; int64_t ceil, floor; };
  const Case cases[] = {{2.0, 2, 2},     {2.5, 3, 2},      {-2.5, -2, -3}, {-0.0, 0, 0},
                        {1e-300, 1, 0},  {-1e-300, 0, -1}, {3.5, 4, 3},    {2147483647.0, 2147483647, 2147483647}};
  for (const Case& c : cases) {
    EXPECT_EQ(warp::GeomCeil(c.v), c.ceil) << c.v;
    EXPECT_EQ(warp::GeomFloor(c.v), c.floor) << c.v;
  }
  // Beyond int32 and NaN: the integer indefinite, moved by one without wrapping.
  EXPECT_EQ(warp::GeomCeil(NAN), INT32_MIN);
  EXPECT_EQ(warp::GeomFloor(-1e12), int64_t{INT32_MIN} - 1);
}

// Positions through a generator that hands out a fixed list: those inside the inclusive
// source rectangle are sampled, the others (NaN among them) leave their pixel alone.
class ListGenerator {
 public:
  struct State { size_t at; };
  explicit ListGenerator(const std::vector<std::pair<double, double>>& p) : p_(p) {}
  void BeginRows(int32_t) {}
  void Span(int32_t, int32_t, int32_t) {}
  void Next(double* sx, double* sy) {
    *sx = p_[at_].first;
    *sy = p_[at_].second;
    ++at_;
  }
  void NextRow() {}
  State Save() const { return State{at_}; }
  void Resume(const State& s) { at_ = s.at; }

 private:
  const std::vector<std::pair<double, double>>& p_;
  size_t at_ = 0;
};

TEST(WarpKernels, SourceCheckedWalkLeavesOutsidePositionsUntouched) {
  imagetest::GuardedImage src(6, 5, 1), dst(8, 1, 1);
  std::mt19937 rng(1);
  src.Randomize(rng);
  dst.FillRegion(0xEE);
  const std::vector<std::pair<double, double>> positions = {
      {1.0, 1.0}, {0.9999, 1.0}, {4.0, 3.0}, {4.0001, 3.0}, {NAN, 2.0}, {2.0, 3.5}, {3.0, 0.5}, {2.0, 2.0}};
  const builtin::fbRowSpan span{0, 7};
  const warp::KernelFrame frame{src.data(), dst.data(), src.step(), dst.step(), 0, 0, &span, 5, 4};
  warp::WarpSpans<warp::Pixels<Ipp8u, warp::kC1>, warp::NearestSampler>(
      frame, ListGenerator(positions), warp::InsideSource{1.0, 1.0, 4.0, 3.0});
  const int expected[8] = {*src.at(1, 1), 0xEE, *src.at(4, 3), 0xEE, 0xEE, 0xEE, 0xEE, *src.at(2, 2)};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(*dst.at(x, 0), expected[x]) << "pixel " << x;
  EXPECT_TRUE(dst.OutsideUntouched());
}

}  // namespace
