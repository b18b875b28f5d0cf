// Canny edges against OpenCV's Canny on the same derivatives with the L1 magnitude.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "primitives/vision/CannyEdges.h"
#include "primitives/vision/CannyEdgesKernels.h"
#include "tests/primitives/HwyTargets.h"

using namespace builtin;

namespace {

constexpr Ipp8u kSentinel = 0xA5;

std::vector<Ipp8u> CannyBuffer(IppiSize size) {
  int bytes = 0;
  EXPECT_EQ(ippiCannyGetSize(size, &bytes), ippStsNoErr);
  return std::vector<Ipp8u>(static_cast<size_t>(bytes));
}

// Derivatives of a smoothed random image, as the circle detector computes them.
// OpenCV runs on the calling thread: its thread pool is not instrumented, and the thread
// sanitizer would report its inner workings.
void SmoothedDerivatives(int w, int h, unsigned seed, cv::Mat& dx, cv::Mat& dy) {
  cv::setNumThreads(1);
  cv::Mat img(h, w, CV_8U);
  cv::RNG rng(seed);
  rng.fill(img, cv::RNG::UNIFORM, 0, 256);
  cv::GaussianBlur(img, img, cv::Size(5, 5), 0, 0, cv::BORDER_REPLICATE);
  cv::Sobel(img, dx, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
  cv::Sobel(img, dy, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
}

// A destination of the region's size inside a sentinel-filled block with padding to the
// right of every row and a spare row below.
struct GuardedEdges {
  int width, height, step;
  std::vector<Ipp8u> block;
  GuardedEdges(int w, int h) : width(w), height(h), step(w + 7), block(size_t(step) * (h + 1), kSentinel) {}
  Ipp8u* data() { return block.data(); }
  Ipp8u at(int y, int x) const { return block[size_t(y) * step + x]; }
  bool OutsideUntouched() const {
    for (int y = 0; y <= height; ++y)
      for (int x = 0; x < step; ++x)
        if ((y == height || x >= width) && at(y, x) != kSentinel) return false;
    return true;
  }
};

IppStatus RunCanny(const cv::Mat& dx, const cv::Mat& dy, GuardedEdges& out, float low, float high) {
  const IppiSize size{dx.cols, dx.rows};
  std::vector<Ipp8u> buffer = CannyBuffer(size);
  return ippiCanny_16s8u_C1R(dx.ptr<Ipp16s>(), static_cast<int>(dx.step), dy.ptr<Ipp16s>(),
                             static_cast<int>(dy.step), out.data(), out.step, size, low, high, buffer.data());
}

}  // namespace

TEST(VisionCanny, EqualsOpenCVOnSmoothedRandomImages) {
  struct Size { int w, h; };
  const Size sizes[] = {{1, 1}, {3, 2}, {37, 23}, {64, 48}, {160, 120}};
  const float thresholds[][2] = {{0, 0}, {10, 30}, {20.7f, 50}, {50, 100}, {64, 64}, {30, 400}};
  unsigned seed = 1;
  for (Size s : sizes)
    for (auto& t : thresholds) {
      SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << " thresholds " << t[0] << ", " << t[1]);
      cv::Mat dx, dy, ref;
      SmoothedDerivatives(s.w, s.h, seed++, dx, dy);
      cv::Canny(dx, dy, ref, t[0], t[1], false);
      GuardedEdges got(s.w, s.h);
      ASSERT_EQ(RunCanny(dx, dy, got, t[0], t[1]), ippStsNoErr);
      ASSERT_TRUE(got.OutsideUntouched());
      int edges = 0;
      for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
          ASSERT_EQ(got.at(y, x), ref.at<uint8_t>(y, x)) << "at (" << x << ", " << y << ")";
          edges += got.at(y, x) != 0;
        }
      if (s.w >= 64 && t[1] <= 100) {
        EXPECT_GT(edges, 0);
      }
    }
}

// Hand-made derivatives: a horizontal gradient along a vertical line at column 3 (a ridge of
// magnitude), so every pixel of the line survives the suppression.
class VisionCannyLine : public ::testing::Test {
 protected:
  static constexpr int W = 8, H = 6;
  std::vector<Ipp16s> dx = std::vector<Ipp16s>(W * H, 0), dy = std::vector<Ipp16s>(W * H, 0);
  void Ridge(int row, int peak) {
    dx[row * W + 2] = static_cast<Ipp16s>(peak / 2);
    dx[row * W + 3] = static_cast<Ipp16s>(peak);
    dx[row * W + 4] = static_cast<Ipp16s>(peak / 2);
  }
  IppStatus Run(GuardedEdges& out, float low, float high) {
    std::vector<Ipp8u> buffer = CannyBuffer({W, H});
    return ippiCanny_16s8u_C1R(dx.data(), 2 * W, dy.data(), 2 * W, out.data(), out.step, {W, H}, low, high,
                               buffer.data());
  }
  bool Edge(const GuardedEdges& out, int y) const { return out.at(y, 3) == 255; }
};

TEST_F(VisionCannyLine, WeakChainWithoutStrongPixelStaysZero) {
  for (int y = 0; y < H; ++y) Ridge(y, 60);
  GuardedEdges out(W, H);
  ASSERT_EQ(Run(out, 20, 100), ippStsNoErr);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) EXPECT_EQ(out.at(y, x), 0) << x << ", " << y;
  EXPECT_TRUE(out.OutsideUntouched());
}

TEST_F(VisionCannyLine, WeakChainTouchingAStrongPixelBecomesEdge) {
  for (int y = 0; y < H; ++y) Ridge(y, 60);
  Ridge(H - 1, 101);  // one strong pixel at the chain's end
  GuardedEdges out(W, H);
  ASSERT_EQ(Run(out, 20, 100), ippStsNoErr);
  for (int y = 0; y < H; ++y) EXPECT_TRUE(Edge(out, y)) << y;
  EXPECT_EQ(out.at(0, 2), 0);
  EXPECT_EQ(out.at(0, 4), 0);
}

TEST_F(VisionCannyLine, ThresholdsAreStrict) {
  Ridge(1, 100);  // exactly the high threshold: not strong
  Ridge(3, 21);
  Ridge(4, 101);  // strong, joins row 3 (21 > trunc(20.7))
  GuardedEdges out(W, H);
  ASSERT_EQ(Run(out, 20.7f, 100), ippStsNoErr);
  EXPECT_FALSE(Edge(out, 1));
  EXPECT_TRUE(Edge(out, 3));
  EXPECT_TRUE(Edge(out, 4));
  Ridge(3, 20);  // not above the low threshold: not a candidate, not joined
  GuardedEdges again(W, H);
  ASSERT_EQ(Run(again, 20.7f, 100), ippStsNoErr);
  EXPECT_FALSE(Edge(again, 3));
  EXPECT_TRUE(Edge(again, 4));
}

TEST(VisionCanny, ArgumentChecksWriteNothing) {
  Ipp16s d[32] = {};
  std::vector<Ipp8u> buffer = CannyBuffer({4, 4});
  struct Case {
    const Ipp16s *dx, *dy;
    int dxStep, dyStep, dstStep;
    IppiSize size;
    float low, high;
    bool nullBuffer;
    IppStatus expected;
  } cases[] = {
      {nullptr, d, 8, 8, 4, {4, 4}, 1, 2, false, ippStsNullPtrErr},
      {d, d, 8, 8, 4, {4, 4}, 1, 2, true, ippStsNullPtrErr},
      {d, d, 8, 8, 4, {0, 4}, 1, 2, false, ippStsSizeErr},
      {d, d, 6, 8, 4, {4, 4}, 1, 2, false, ippStsStepErr},
      {d, d, 8, 8, 3, {4, 4}, 1, 2, false, ippStsStepErr},
      {d, d, 9, 8, 4, {4, 4}, 1, 2, false, ippStsNotEvenStepErr},
      {d, d, 8, 8, 4, {4, 4}, -1, 2, false, ippStsBadArgErr},
      {d, d, 8, 8, 4, {4, 4}, 30, 20, false, ippStsBadArgErr},
      {d, d, 8, 8, 4, {4, 4}, NAN, 20, false, ippStsBadArgErr},
      {d, d, 8, 8, 4, {4, 4}, 10, NAN, false, ippStsBadArgErr},
  };
  for (const Case& c : cases) {
    GuardedEdges out(4, 4);
    EXPECT_EQ(ippiCanny_16s8u_C1R(c.dx, c.dxStep, c.dy, c.dyStep, out.data(), c.dstStep, c.size, c.low, c.high,
                                  c.nullBuffer ? nullptr : buffer.data()),
              c.expected);
    for (Ipp8u v : out.block) ASSERT_EQ(v, kSentinel);
  }
}

// The checks in their order: -8, -6 for a side below 1, -14, -108, -5, and last -6 for a
// region whose work buffer cannot be sized in 32 bits. Each row breaks its own check and
// every later one, so the row's status is that of the first check it breaks.
TEST(VisionCanny, ChecksComeInTheirOrder) {
  Ipp16s d[8] = {};
  Ipp8u buffer[8] = {};
  const IppiSize huge{30000, 30000};  // valid sides, but 5 * 30002^2 bytes of work buffer
  struct Case {
    const Ipp16s* dx;
    IppiSize size;
    int dxStep, dyStep, dstStep;
    float low, high;
    IppStatus expected;
  } cases[] = {
      {nullptr, {0, 5}, 3, 3, 0, -1, 2, ippStsNullPtrErr},
      {d, {0, 5}, 3, 3, 0, -1, 2, ippStsSizeErr},
      {d, {4, -1}, 3, 3, 0, -1, 2, ippStsSizeErr},
      {d, huge, 59999, 60000, 30000, -1, 2, ippStsStepErr},
      {d, huge, 60000, 60000, 29999, -1, 2, ippStsStepErr},
      {d, {INT32_MAX, 1}, INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, 1, 2, ippStsStepErr},  // 2 * width in 64 bits
      {d, huge, 60001, 60000, 30000, 5, 4, ippStsNotEvenStepErr},
      {d, huge, 60000, 60000, 30000, 5, 4, ippStsBadArgErr},
      {d, huge, 60000, 60000, 30000, 1, 2, ippStsSizeErr},
      {d, {1, INT32_MAX}, 2, 2, 1, 1, 2, ippStsSizeErr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size.width << "x" << c.size.height << " steps " << c.dxStep << ", "
                                    << c.dstStep << " thresholds " << c.low << ", " << c.high);
    Ipp8u dst[8] = {kSentinel, kSentinel, kSentinel, kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
    EXPECT_EQ(ippiCanny_16s8u_C1R(c.dx, c.dxStep, d, c.dyStep, dst, c.dstStep, c.size, c.low, c.high, buffer),
              c.expected);
    for (Ipp8u v : dst) EXPECT_EQ(v, kSentinel);
  }
}

TEST(VisionCanny, BufferSize) {
  int size = -1;
  EXPECT_EQ(ippiCannyGetSize({100, 50}, &size), ippStsNoErr);
  EXPECT_EQ(size, 28280);
  // Width 65533 makes the padded width 65535: 32-bit coordinates, 9 bytes per cell.
  EXPECT_EQ(ippiCannyGetSize({65533, 1}, &size), ippStsNoErr);
  EXPECT_EQ(size, 9 * 65535 * 3 + 16 * 65533 + 160);
  EXPECT_EQ(ippiCannyGetSize({65532, 1}, &size), ippStsNoErr);
  EXPECT_EQ(size, 5 * 65534 * 3 + 16 * 65532 + 160);
  EXPECT_EQ(ippiCannyGetSize({0, 5}, &size), ippStsSizeErr);
  EXPECT_EQ(ippiCannyGetSize({5, 5}, nullptr), ippStsNullPtrErr);
  // Sizes whose buffer does not fit in 32 bits are refused instead of wrapping.
  size = -1;
  EXPECT_EQ(ippiCannyGetSize({30000, 30000}, &size), ippStsSizeErr);
  EXPECT_EQ(size, -1);
  EXPECT_EQ(ippiCannyGetSize({2147483647, 2147483647}, &size), ippStsSizeErr);
  EXPECT_EQ(ippiCannyGetSize({2147483647, 1}, &size), ippStsSizeErr);
  // The largest square that fits still works.
  EXPECT_EQ(ippiCannyGetSize({20000, 20000}, &size), ippStsNoErr);
  EXPECT_EQ(size, 5 * 20002 * 20002 + 16 * 20000 + 160);
}

// A region narrower than its image: only the region's bytes of each row are written, also in
// the last row, which here ends exactly where the image memory ends.
TEST(VisionCanny, RegionInsideAWiderImageLeavesTheRestAlone) {
  cv::Mat dx, dy;
  SmoothedDerivatives(30, 20, 99, dx, dy);
  const int step = 50;
  std::vector<Ipp8u> image(size_t(step) * 19 + 30, kSentinel);  // last row holds only the region
  std::vector<Ipp8u> buffer = CannyBuffer({30, 20});
  ASSERT_EQ(ippiCanny_16s8u_C1R(dx.ptr<Ipp16s>(), int(dx.step), dy.ptr<Ipp16s>(), int(dy.step), image.data(), step,
                                {30, 20}, 5, 20, buffer.data()),
            ippStsNoErr);
  cv::Mat ref;
  cv::Canny(dx, dy, ref, 5, 20, false);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < step && size_t(y) * step + x < image.size(); ++x) {
      const Ipp8u v = image[size_t(y) * step + x];
      if (x < 30)
        ASSERT_EQ(v, ref.at<uint8_t>(y, x));
      else
        ASSERT_EQ(v, kSentinel) << x << ", " << y;
    }
}

// A padded width of 65535 or more switches the coordinate stack to 32-bit entries; the edges
// stay the same.
TEST(VisionCanny, WideRegionEqualsOpenCV) {
  for (int width : {65532, 65534}) {
    SCOPED_TRACE(width);
    cv::Mat dx, dy, ref;
    SmoothedDerivatives(width, 3, 5, dx, dy);
    cv::Canny(dx, dy, ref, 10, 30, false);
    GuardedEdges got(width, 3);
    ASSERT_EQ(RunCanny(dx, dy, got, 10, 30), ippStsNoErr);
    ASSERT_TRUE(got.OutsideUntouched());
    cv::Mat gotMat(3, width, CV_8U, got.data(), static_cast<size_t>(got.step));
    EXPECT_EQ(cv::countNonZero(gotMat != ref), 0);
    EXPECT_GT(cv::countNonZero(ref), 1000);
  }
}

// The vector suppression equals the per-pixel reference byte for byte, on every instruction
// set this processor runs: on smoothed images and on raw derivatives over the whole 16-bit
// range, many of them on the sector boundaries (b near (sqrt 2 + 1) a and (sqrt 2 - 1) a, and
// |dx| or |dy| = 32768), at widths around the vector lengths and at odd row addresses.
TEST(VisionCanny, VectorSuppressionEqualsTheScalarReference) {
  struct Input {
    const char* what;
    int w, h;
    std::vector<Ipp16s> dx, dy;
  };
  std::vector<Input> inputs;
  for (int w : {1, 7, 8, 15, 16, 17, 33, 64, 129}) {
    cv::Mat dx, dy;
    SmoothedDerivatives(w, 9, 100 + w, dx, dy);
    Input in{"smoothed", w, 9, {}, {}};
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < w; ++x) {
        in.dx.push_back(dx.at<Ipp16s>(y, x));
        in.dy.push_back(dy.at<Ipp16s>(y, x));
      }
    inputs.push_back(std::move(in));
  }
  std::mt19937 rng(5);
  // Two images over the whole range and one of small gradients only, where the sector limits
  // lie few steps apart (half of its pixels are flat, so that small maxima survive).
  for (auto [w, small] : {std::pair{31, false}, std::pair{200, false}, std::pair{64, true}}) {
    Input in{small ? "small raw derivatives" : "raw derivatives", w, 40, {}, {}};
    for (int i = 0; i < w * 40; ++i) {
      const bool flat = small && rng() % 2 == 0;
      const int a = flat ? 0 : static_cast<int>(rng() % (small ? 12 : 32769));
      int b = 0;
      if (small) {
        b = flat ? 0 : static_cast<int>(rng() % 12);
      } else {
        switch (rng() % 6) {
          case 0: b = static_cast<int>(2.414213562373095 * a) + static_cast<int>(rng() % 3) - 1; break;
          case 1: b = static_cast<int>(0.41421356237309503 * a) + static_cast<int>(rng() % 3) - 1; break;
          case 2: b = 32768; break;
          default: b = static_cast<int>(rng() % 32769); break;
        }
      }
      b = std::clamp(b, 0, 32768);
      const int sx = rng() & 1 ? -1 : 1, sy = rng() & 1 ? -1 : 1;
      auto toInt16 = [](int v) { return static_cast<Ipp16s>(std::clamp(v, -32768, 32767)); };
      const bool swap = rng() & 1;
      in.dx.push_back(toInt16(sx * (swap ? b : a)));
      in.dy.push_back(toInt16(sy * (swap ? a : b)));
    }
    inputs.push_back(std::move(in));
  }
  // Scattered single peaks with magnitudes at the thresholds below: each is its own maximum and
  // stays an edge only when it is strong.
  {
    Input in{"peaks", 77, 12, {}, {}};
    const Ipp16s peaks[] = {29, 30, 31, 99, 100, 101};
    for (int i = 0; i < 77 * 12; ++i) {
      in.dx.push_back(rng() % 5 == 0 ? peaks[rng() % 6] : Ipp16s{0});
      in.dy.push_back(0);
    }
    inputs.push_back(std::move(in));
  }
  const float thresholds[][2] = {{0, 0}, {10, 30}, {20.7f, 100.5f}, {20, 100}, {1000, 20000}, {0, 1e10f}, {5, INFINITY}};
  for (const Input& in : inputs) {
    // Rows two bytes longer than the region, the whole image one byte off alignment.
    const int step = 2 * in.w + 2;
    std::vector<Ipp8u> dxBytes(static_cast<size_t>(step) * in.h + 1), dyBytes(dxBytes.size());
    for (int y = 0; y < in.h; ++y) {
      std::memcpy(dxBytes.data() + 1 + y * step, &in.dx[static_cast<size_t>(y) * in.w], 2 * in.w);
      std::memcpy(dyBytes.data() + 1 + y * step, &in.dy[static_cast<size_t>(y) * in.w], 2 * in.w);
    }
    const auto* dx = reinterpret_cast<const Ipp16s*>(dxBytes.data() + 1);
    const auto* dy = reinterpret_cast<const Ipp16s*>(dyBytes.data() + 1);
    std::vector<Ipp8u> buffer = CannyBuffer({in.w, in.h});
    for (auto& t : thresholds) {
      GuardedEdges reference(in.w, in.h);
      ASSERT_EQ(CannyScalarReference(dx, step, dy, step, reference.data(), reference.step, {in.w, in.h}, t[0], t[1],
                                     buffer.data()),
                ippStsNoErr);
      SCOPED_TRACE(testing::Message() << in.what << " " << in.w << "x" << in.h << " thresholds " << t[0] << ", "
                                      << t[1]);
      imagetest::ForEachVectorTarget([&] {
        GuardedEdges got(in.w, in.h);
        ASSERT_EQ(ippiCanny_16s8u_C1R(dx, step, dy, step, got.data(), got.step, {in.w, in.h}, t[0], t[1], buffer.data()),
                  ippStsNoErr);
        EXPECT_EQ(got.block, reference.block);
      });
    }
  }
}

namespace {

// The suppression's vector blocks on single rows of every short width, with the derivative
// rows at every alignment: the blocks do whole vectors from the start of the row, give the
// per-pixel map and destination bytes over them, push the same strong pixels in the same
// order, and write nothing past them; the row they start and the per-pixel code finishes
// equals the per-pixel row. Magnitudes come in runs of zeros and candidates, so that quiet and
// busy vectors meet at every position.
template <typename Coord>
void CheckSuppressBlocks() {
  using canny::TSuppressRow;
  std::mt19937 rng(sizeof(Coord) * 1000 + 17);
  constexpr ptrdiff_t kWidestLanes = 16;  // 32-bit lanes of the widest vector
  for (int round = 0; round < 300; ++round) {
    const ptrdiff_t w = round < 80 ? round + 1 : 1 + static_cast<ptrdiff_t>(rng() % 200);
    const size_t dxOff = rng() % 64, dyOff = rng() % 64;
    // Above, mid and below, each with a zero column on either side.
    std::vector<int32_t> mags(static_cast<size_t>(3 * (w + 2)), 0);
    int32_t* rows3[3] = {&mags[1], &mags[static_cast<size_t>(w + 3)],
                         &mags[static_cast<size_t>(2 * (w + 2) + 1)]};
    const bool runs = rng() % 2 == 0;
    for (int32_t* row : rows3) {
      bool on = true;
      for (ptrdiff_t x = 0; x < w; ++x) {
        if (runs && rng() % 9 == 0) on = !on;
        row[x] = on && rng() % 3 != 0 ? static_cast<int32_t>(rng() % 200) : 0;
      }
    }
    std::vector<uint8_t> dx(dxOff + 2 * static_cast<size_t>(w)),
        dy(dyOff + 2 * static_cast<size_t>(w));
    for (auto* v : {&dx, &dy})
      for (auto& b : *v) b = static_cast<uint8_t>(rng());
    const float high = static_cast<float>(rng() % 200) + (rng() % 2 ? 0.5f : 0.0f);
    const int32_t strongT = static_cast<int32_t>(std::floor(high));
    SCOPED_TRACE(testing::Message()
                 << "width " << w << " offsets " << dxOff << ", " << dyOff << " high " << high);
    const size_t cells = static_cast<size_t>(w) + 64;
    // The whole row (through SuppressRow, with or without blocks) or the blocks alone; returns
    // the pixels the blocks did.
    auto run = [&](bool vector, bool blocksOnly, std::vector<uint8_t>& map,
                   std::vector<uint8_t>& dst, std::vector<Coord>& stack) {
      map.assign(cells, 0);
      dst.assign(cells, 0);
      stack.assign(2 * static_cast<size_t>(w) + 2, Coord{0});
      const TSuppressRow row{rows3[0],
                             rows3[1],
                             rows3[2],
                             dx.data() + dxOff,
                             dy.data() + dyOff,
                             map.data(),
                             dst.data(),
                             w,
                             7,
                             high,
                             strongT};
      Coord* top = stack.data();
      ptrdiff_t done = w;
      if (blocksOnly)
        done = static_cast<ptrdiff_t>(
            canny::VectorSuppressBlocks<Coord>()(row, top, static_cast<size_t>(w)));
      else
        top = canny::SuppressRow(row, top, vector ? canny::VectorSuppressBlocks<Coord>() : nullptr);
      stack.resize(static_cast<size_t>(top - stack.data()));
      return done;
    };
    std::vector<uint8_t> refMap, refDst, map, dst;
    std::vector<Coord> refStack, stack;
    run(false, false, refMap, refDst, refStack);
    imagetest::ForEachVectorTarget([&] {
      run(true, false, map, dst, stack);
      ASSERT_EQ(map, refMap);
      ASSERT_EQ(dst, refDst);
      ASSERT_EQ(stack, refStack);
      const ptrdiff_t done = run(true, true, map, dst, stack);
      ASSERT_LE(done, w);
      ASSERT_LT(w - done, kWidestLanes);
      for (size_t x = 0; x < cells; ++x) {
        const bool inBlocks = static_cast<ptrdiff_t>(x) < done;
        ASSERT_EQ(map[x], inBlocks ? refMap[x] : 0) << "map " << x;
        ASSERT_EQ(dst[x], inBlocks ? refDst[x] : 0) << "dst " << x;
      }
      std::vector<Coord> expected;
      for (size_t k = 0; k < refStack.size(); k += 2)
        if (static_cast<ptrdiff_t>(refStack[k + 1]) < done)
          expected.insert(expected.end(), {refStack[k], refStack[k + 1]});
      ASSERT_EQ(stack, expected);
    });
  }
}

TEST(VisionCanny, SuppressionBlocksEqualThePerPixelRow) {
  CheckSuppressBlocks<uint16_t>();
  CheckSuppressBlocks<uint32_t>();
}

}  // namespace
