// The warp frame and the row-kernel template as later warps use them: the codes, the
// geometry's rounding, and the source-checked walk that leaves positions outside the source
// rectangle (or not a number) untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "primitives/geometry/BilinearKernels.h"
#include "primitives/geometry/WarpFrame.h"
#include "primitives/geometry/WarpKernels.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"
#include "tests/primitives/geometry/WarpTestImage.h"

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

// Positions at and around every threshold of the samplers' index rules: the nearest rule's
// s + 0.5 and the linear and cubic rules' s + 1e-7 landing exactly on a whole number or one
// ulp short of it (the first and last columns, the cubic window's turning points, the int32
// range), halves, infinities, NaN, signed zeros and values far outside the image.
std::vector<double> ThresholdPositions(int max) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> v = {std::nan(""), inf,          -inf,          0.0,       -0.0,
                           1e300,        -1e300,       4.9e-324,      -4.9e-324, 0.5,
                           max + 0.5,    2147483647.5, -2147483648.5, 1e10,      -1e10};
  for (double b : {-2.0, -1.0, 0.0, 1.0, 2.0, max - 2.0, max - 1.0, max + 0.0, max + 1.0,
                   2147483647.0, 2147483648.0, -2147483648.0, -2147483649.0}) {
    for (double shift : {0.5, 1e-07}) {
      // The last s whose s + shift stays below b, and the next one up.
      double s = b - shift;
      while (s + shift < b) s = std::nextafter(s, inf);
      while (s + shift >= b) s = std::nextafter(s, -inf);
      v.push_back(s);
      v.push_back(std::nextafter(s, inf));
    }
    v.push_back(b);
  }
  return v;
}

// The plain sampler of a rule, one pixel.
template <class P>
void PlainSample(warp::PointRule rule, const warp::SourceImage<P>& src,
                 const warp::DestinationRow<P>& dst, ptrdiff_t x, double sx, double sy, int xMax,
                 int yMax) {
  switch (rule) {
    case warp::PointRule::kNearest:
      return warp::NearestSampler::Sample(src, dst, x, sx, sy, xMax, yMax);
    case warp::PointRule::kLinear:
      return warp::LinearSampler::Sample(src, dst, x, sx, sy, xMax, yMax);
    case warp::PointRule::kLinearHalfLast: {
      int32_t ix, iy;
      double fx, fy;
      warp::LinearSampler::Axis(sx, xMax, &ix, &fx);
      warp::LinearSampler::Axis(sy, yMax, &iy, &fy);
      return warp::BilinearLinearPixel8<P::kChannels, P::kStride>(src.At(0, ix, iy), src.step, fx,
                                                                  fy, dst.At(0, x));
    }
    case warp::PointRule::kCubic:
      return warp::CubicSampler::Sample(src, dst, x, sx, sy, xMax, yMax);
  }
}

template <int kLayout>
void CompareVectorSamplers(std::mt19937& rng, bool& anyVector) {
  using P = warp::Pixels<Ipp8u, kLayout>;
  const char* names[] = {"nearest", "linear", "linear, half last", "cubic"};
  struct Size {
    int w, h;
  };
  for (const Size size : {Size{4, 4}, Size{5, 7}, Size{23, 17}})
    for (bool odd : {false, true})
      for (int r = 0; r < 4; ++r) {
        const auto rule = static_cast<warp::PointRule>(r);
        SCOPED_TRACE(testing::Message() << "layout " << kLayout << " " << names[r] << " " << size.w
                                        << "x" << size.h << (odd ? " odd rows" : ""));
        warptest::WarpImage src(0, kLayout, size.w, size.h, odd);
        src.Randomize(rng);
        // A blend on a rounding tie: window {0, 1; 0, 0} at the origin sampled at
        // (0.5 + 3 2^-53, 2^-50) gives trunc((top + 0.5) + d) = 1 but trunc((top + d) + 0.5) = 0,
        // which tells the two linear roundings apart.
        for (int c = 0; c < src.channels(); ++c) {
          *src.at(c, 0, 0) = 0, *src.at(c, 1, 0) = 1;
          *src.at(c, 0, 1) = 0, *src.at(c, 1, 1) = 0;
        }
        const int xMax = size.w - 1, yMax = size.h - 1;
        const warp::LinearSource8 source{static_cast<const uint8_t*>(src.arg()), src.step(), xMax,
                                         yMax};
        const warp::SamplePoints8Fn vector = warp::VectorPoints8(kLayout, rule, source);
        if (vector == nullptr) continue;
        anyVector = true;
        // Every threshold of x against every kind of y, and random positions in and around
        // the image, each list in a row long enough for whole vectors and a partial one.
        const std::vector<double> xt = ThresholdPositions(xMax), yt = ThresholdPositions(yMax);
        std::vector<double> xs = {0.5 + 3 * std::ldexp(1.0, -53)}, ys = {std::ldexp(1.0, -50)};
        for (size_t i = 0; i < xt.size(); ++i) {
          xs.push_back(xt[i]), ys.push_back(yt[(i * 7) % yt.size()]);
          xs.push_back(xt[(i * 5) % xt.size()]), ys.push_back(yt[i % yt.size()]);
        }
        // Walks along the rows, as a warp close to the identity makes them: whole blocks in
        // one row pair, right and left, up to the last column and across rows.
        for (const double x0 : {0.2, xMax - 18.7, xMax - 7.4, xMax + 0.0})
          for (const double step : {0.93, -0.97, 1.04})
            for (int k = 0; k < 40; ++k)
              xs.push_back(x0 + step * k), ys.push_back(0.4 * yMax + 0.013 * k);
        std::uniform_real_distribution<double> inX(-1.5, xMax + 1.5), inY(-1.5, yMax + 1.5);
        for (int i = 0; i < 200; ++i) xs.push_back(inX(rng)), ys.push_back(inY(rng));
        // Runs of every length up to 17 from odd starts, then the whole list.
        std::vector<std::pair<size_t, size_t>> runs;
        for (size_t n = 1; n <= 17; ++n) runs.push_back({n == 1 ? 0 : (n * 3) % 11, n});
        runs.push_back({0, xs.size()});
        for (const auto& [from, n] : runs) {
          warptest::WarpImage got(0, kLayout, static_cast<int>(n), 1, odd),
              want(0, kLayout, static_cast<int>(n), 1, odd);
          got.Randomize(rng);
          want.SetBytes(got.Bytes());
          vector(xs.data() + from, ys.data() + from, static_cast<ptrdiff_t>(n), source,
                 static_cast<uint8_t*>(got.arg()));
          const warp::SourceImage<P> plainSrc(src.arg(), src.step());
          const warp::DestinationRow<P> plainDst(want.arg());
          for (size_t k = 0; k < n; ++k)
            PlainSample<P>(rule, plainSrc, plainDst, static_cast<ptrdiff_t>(k), xs[from + k],
                           ys[from + k], xMax, yMax);
          ASSERT_TRUE(got.OutsideUntouched()) << "run of " << n;
          const std::vector<uint8_t> a = got.Bytes(), b = want.Bytes();
          for (size_t i = 0; i < a.size(); ++i)
            ASSERT_EQ(a[i], b[i]) << "run of " << n << " from " << from << ", byte " << i
                                  << ": position " << xs[from + i / P::kStride] << ", "
                                  << ys[from + i / P::kStride];
        }
      }
}

// The vector samplers over listed positions against the plain samplers, pixel by pixel, on
// every vector target: odd source sizes (windows at the last column and row), rows at odd
// addresses, positions on every threshold of the index rules and outside the image, runs that
// end in a partial vector. AC4 keeps its fourth byte, and nothing outside a run is written.
TEST(WarpKernels, VectorSamplersMatchThePlainSamplersOnEveryTarget) {
  bool anyVector = false;
  imagetest::ForEachVectorTarget([&] {
    std::mt19937 rng(48);
    CompareVectorSamplers<warp::kC1>(rng, anyVector);
    CompareVectorSamplers<warp::kC3>(rng, anyVector);
    CompareVectorSamplers<warp::kAC4>(rng, anyVector);
    CompareVectorSamplers<warp::kC4>(rng, anyVector);
  });
  EXPECT_TRUE(anyVector);
}

// Sources the vector samplers refuse (the plain ones serve): narrower than a 4-byte word of
// one-byte pixels, too few rows for the window, planar layouts, offsets beyond 32 bits.
TEST(WarpKernels, VectorSamplersRefuseWhatTheyCannotRead) {
  uint8_t byte = 0;
  const auto offered = [&](int layout, warp::PointRule rule, ptrdiff_t step, int xMax, int yMax) {
    return warp::VectorPoints8(layout, rule, warp::LinearSource8{&byte, step, xMax, yMax}) !=
           nullptr;
  };
  using R = warp::PointRule;
  EXPECT_FALSE(offered(warp::kC1, R::kNearest, 16, 2, 5));
  EXPECT_FALSE(offered(warp::kC1, R::kLinear, 16, 9, 0));
  EXPECT_FALSE(offered(warp::kC4, R::kCubic, 64, 9, 2));
  EXPECT_FALSE(offered(warp::kP3, R::kLinear, 16, 9, 9));
  EXPECT_FALSE(offered(warp::kC3, R::kNearest, 1 << 20, 9, 2048));
  if (hwy::SupportedTargets() != HWY_SCALAR) {
    EXPECT_TRUE(offered(warp::kC1, R::kNearest, 16, 3, 0));
    EXPECT_TRUE(offered(warp::kC3, R::kNearest, 1 << 20, 9, 2046));
  }
}

}  // namespace
