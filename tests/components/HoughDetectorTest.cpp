#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "binding/IPPDispatchTable.h"
#include "binding/PXOpenCV.h"
#include "components/PXBasicHough.h"
#include "components/PXBasicHoughKernels.h"
#include "platform/Graphics.h"
#include "tests/components/HoughTestSupport.h"
#include "tests/primitives/HwyTargets.h"

namespace {

using namespace components;
using buffers::TPXImageBuffer;
using houghtest::Disc;
using houghtest::EdgeImages;
using houghtest::HandMadeEdges;
using platform::RefPtr;

struct Found {
  float x, y, r;
  friend bool operator==(const Found&, const Found&) = default;
};

std::vector<Found> List(TPXCircles* circles) {
  std::vector<Found> out;
  for (int32_t i = 0; i < circles->GetCount(); ++i) {
    TPXCircle* c = circles->GetCircle(i);
    out.push_back({c->Center().X, c->Center().Y, c->Radius()});
  }
  return out;
}

std::vector<Found> FromEdges(const THoughEdgeMap& map, double dp, double minDist, int acc, int minR,
                             int maxR) {
  auto circles = TPXCircles::Create();
  HoughCirclesFromEdges(map, dp, minDist, acc, minR, maxR, circles.Get());
  return List(circles.Get());
}

// True when every disc has one circle within 2 pixels (centre and radius) and nothing else
// was found.
void ExpectDiscs(const std::vector<Found>& found, const std::vector<Disc>& discs) {
  ASSERT_EQ(found.size(), discs.size());
  for (const Disc& d : discs) {
    bool matched = false;
    for (const Found& f : found)
      matched |= std::hypot(f.x - d.cx, f.y - d.cy) <= 2 && std::fabs(f.r - d.r) <= 2;
    EXPECT_TRUE(matched) << "disc at " << d.cx << "," << d.cy << " r " << d.r;
  }
}

const std::vector<Disc> kDiscs = {{70, 70, 20}, {170, 100, 30}, {250, 170, 40}};

TEST(HoughDetector, FindsDiscsInGrayAndColourPicturesAndLeavesTheEdgeMap) {
  for (const bool colour : {false, true}) {
    SCOPED_TRACE(colour ? "RGB24" : "gray");
    auto image = houghtest::DiscPicture(320, 240, kDiscs);
    if (colour) image->ConvertTo(buffers::vfRGB24);
    auto circles = TPXCircles::Create();
    HoughCirclesGradient(image.Get(), 1.0, 50.0, 100, 40, 0, 0, circles.Get());
    ExpectDiscs(List(circles.Get()), kDiscs);

    ASSERT_EQ(image->GetFormat(), buffers::vfGrayScale);
    const uint8_t* p = image->Read();
    int edgePixels = 0;
    for (int i = 0; i < 320 * 240; ++i) {
      ASSERT_TRUE(p[i] == 0 || p[i] == 255) << "pixel " << i << " = " << int(p[i]);
      edgePixels += p[i] == 255;
    }
    EXPECT_GT(edgePixels, 400);
  }
}

TEST(HoughDetector, HalfResolutionPutsCentresOnEvenCoordinates) {
  auto image = houghtest::DiscPicture(320, 240, kDiscs);
  auto circles = TPXCircles::Create();
  HoughCirclesGradient(image.Get(), 2.0, 50.0, 100, 20, 0, 0, circles.Get());
  const auto found = List(circles.Get());
  ExpectDiscs(found, kDiscs);
  for (const Found& f : found) {
    EXPECT_EQ(std::fmod(f.x, 2.0f), 0.0f);
    EXPECT_EQ(std::fmod(f.y, 2.0f), 0.0f);
  }
}

TEST(HoughDetector, CirclesAlreadyInTheListKeepOthersAway) {
  auto image = houghtest::DiscPicture(320, 240, kDiscs);
  auto circles = TPXCircles::Create();
  circles->Add(platform::New<TPXCircle>(172.0f, 101.0f, 5.0f));
  HoughCirclesGradient(image.Get(), 1.0, 50.0, 100, 40, 0, 0, circles.Get());
  auto found = List(circles.Get());
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0], (Found{172.0f, 101.0f, 5.0f}));
  found.erase(found.begin());
  ExpectDiscs(found, {kDiscs[0], kDiscs[2]});
}

// Sobel and Canny refuse a one-row picture and a high threshold of 0 or less: nothing is
// voted, whatever the picture or the work memory held.
TEST(HoughDetector, APrimitiveThatRefusesThePictureYieldsNoCircles) {
  struct Case {
    const char* name;
    int height, canny;
  } cases[] = {{"one row", 1, 100}, {"threshold 0", 240, 0}, {"threshold -8", 240, -8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto image = houghtest::DiscPicture(320, c.height, kDiscs);
    auto circles = TPXCircles::Create();
    circles->Add(platform::New<TPXCircle>(1.0f, 1.0f, 1.0f));
    HoughCirclesGradient(image.Get(), 1.0, 50.0, c.canny, 1, 0, 0, circles.Get());
    EXPECT_EQ(circles->GetCount(), 1);
    EXPECT_EQ(image->GetFormat(), buffers::vfGrayScale);
    EXPECT_EQ(image->Read()[0], 40) << "the gray pixels stay";
  }
}

TEST(HoughDetector, APictureWithoutEdgesLeavesTheListAlone) {
  auto image = houghtest::DiscPicture(64, 48, {});
  auto circles = TPXCircles::Create();
  circles->Add(platform::New<TPXCircle>(3.0f, 4.0f, 5.0f));
  HoughCirclesGradient(image.Get(), 1.0, 10.0, 100, 0, 0, 0, circles.Get());
  EXPECT_EQ(List(circles.Get()), (std::vector<Found>{{3.0f, 4.0f, 5.0f}}));
}

// ---- The seam: hand-made edge maps --------------------------------------------------------

TEST(HoughSeam, ResolutionBelowOneIsOne) {
  HandMadeEdges e(200, 160);
  e.Ring(60, 60, 30);
  e.Ring(140, 100, 40);
  const auto atOne = FromEdges(e.Map(), 1.0, 20, 20, 0, 0);
  ASSERT_EQ(atOne.size(), 2u);
  EXPECT_EQ(FromEdges(e.Map(), 0.5, 20, 20, 0, 0), atOne);
  EXPECT_EQ(FromEdges(e.Map(), std::nan(""), 20, 20, 0, 0), atOne);
}

// A ring of radius 120 in a picture 400 wide and 100 high: found when the largest radius is
// the larger side (MaxRadius 0), not when it is the smaller one. (A band of distances is
// weighed when a farther point closes it, hence the one point beyond the ring.)
TEST(HoughSeam, MaximumRadiusZeroIsTheLargerSide) {
  HandMadeEdges e(400, 100);
  e.Ring(200, 2, 120);
  e.Point(390, 95, 0, 5);
  const auto any = FromEdges(e.Map(), 1.0, 20, 20, 0, 0);
  ASSERT_EQ(any.size(), 1u);
  EXPECT_EQ(any[0].x, 200.0f);
  EXPECT_EQ(any[0].y, 2.0f);
  EXPECT_NEAR(any[0].r, 120.45f, 0.5f);
  EXPECT_TRUE(FromEdges(e.Map(), 1.0, 20, 20, 0, 100).empty());
  // A maximum not above the minimum is the minimum + 2: radius 120 is out of reach.
  EXPECT_TRUE(FromEdges(e.Map(), 1.0, 20, 20, 118, 5).empty());
  EXPECT_EQ(FromEdges(e.Map(), 1.0, 20, 20, 100, 121).size(), 1u);
}

TEST(HoughSeam, OfTwoCloseCentresTheOneWithMoreVotesStays) {
  HandMadeEdges e(240, 200);
  e.Ring(100, 100, 40);  // about 230 points, one vote each through its centre
  e.Ring(130, 100, 25);  // about 140
  const auto apart = FromEdges(e.Map(), 1.0, 50, 30, 0, 0);
  ASSERT_EQ(apart.size(), 1u);
  EXPECT_EQ(apart[0].x, 100.0f);
  EXPECT_EQ(apart[0].y, 100.0f);
  EXPECT_NEAR(apart[0].r, 40.45f, 0.5f);

  const auto both = FromEdges(e.Map(), 1.0, 20, 30, 0, 0);
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].x, 100.0f);  // the stronger centre first
  EXPECT_EQ(both[1].x, 130.0f);
  EXPECT_NEAR(both[1].r, 25.45f, 0.5f);
  // A minimum distance below the resolution is the resolution.
  EXPECT_EQ(FromEdges(e.Map(), 1.0, 0.25, 30, 0, 0), both);
}

// An arc of n points at one distance, closed by a farther point: 30 supporting points are
// not enough, 31 are.
TEST(HoughSeam, ACircleNeedsMoreThanThirtySupportingPoints) {
  for (const int n : {30, 31}) {
    SCOPED_TRACE(n);
    HandMadeEdges e(160, 160);
    ASSERT_EQ(e.Ring(80, 80, 40, n), n);
    e.Point(150, 90, 0, 5);  // 70 away from the centre, voting down its own column
    const auto found = FromEdges(e.Map(), 1.0, 10, 15, 0, 0);
    if (n == 30) {
      EXPECT_TRUE(found.empty());
    } else {
      ASSERT_EQ(found.size(), 1u);
      EXPECT_EQ(found[0].x, 80.0f);
      EXPECT_EQ(found[0].y, 80.0f);
      EXPECT_NEAR(found[0].r, 40.45f, 0.5f);
    }
  }
}

// ---- The fast path equals the method as written ------------------------------------------

// Sobel derivatives and Canny edges of a gray picture, through the slots.
EdgeImages EdgesOf(TPXImageBuffer* gray, float low, float high) {
  EdgeImages e(static_cast<int>(gray->GetWidth()), static_cast<int>(gray->GetHeight()));
  const IppiSize size{e.width, e.height};
  const int step = static_cast<int>(gray->GetStep());
  EXPECT_EQ(ippiSobel3x3_Dx_8u16s_C1R(gray->Read(), step, e.dx.data(), 2 * e.width, size), 0);
  EXPECT_EQ(ippiSobel3x3_Dy_8u16s_C1R(gray->Read(), step, e.dy.data(), 2 * e.width, 0, size), 0);
  int bytes = 0;
  EXPECT_EQ(ippiCannyGetSize(size, &bytes), 0);
  std::vector<uint8_t> buffer(static_cast<size_t>(bytes));
  EXPECT_EQ(ippiCanny_16s8u_C1R(e.dx.data(), 2 * e.width, e.dy.data(), 2 * e.width, e.edges.data(),
                                e.width, size, low, high, buffer.data()),
            0);
  return e;
}

// Random edges with random derivatives: many candidates and bands.
EdgeImages RandomEdges(int width, int height, double density, uint32_t seed) {
  EdgeImages e(width, height);
  const size_t n = e.edges.size();
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0, 1);
  std::uniform_int_distribution<int> g(-600, 600);
  for (size_t i = 0; i < n; ++i) {
    if (u(rng) >= density) continue;
    e.edges[i] = 255;
    e.dx[i] = static_cast<int16_t>(g(rng));
    e.dy[i] = static_cast<int16_t>(i % 7 ? g(rng) : 0);
  }
  return e;
}

void ExpectFastEqualsReference(const THoughEdgeMap& map, double dp, double minDist, int acc, int minR,
                               int maxR) {
  auto fast = TPXCircles::Create(), ref = TPXCircles::Create();
  binding::SetQuickSortSeed(12345);
  HoughCirclesFromEdgesReference(map, dp, minDist, acc, minR, maxR, ref.Get());
  binding::SetQuickSortSeed(12345);
  HoughCirclesFromEdges(map, dp, minDist, acc, minR, maxR, fast.Get());
  const auto f = List(fast.Get()), r = List(ref.Get());
  EXPECT_EQ(f, r) << "dp " << dp << " minDist " << minDist << " acc " << acc << " radii " << minR << ".."
                  << maxR;
  EXPECT_GT(r.size(), 0u);
}

// Random edges give many candidates and crowded bands; the photograph gives real ones. The
// vector kernels run on every instruction set with the small inputs.
TEST(HoughFastPath, EqualsTheReference) {
  auto discs = houghtest::DiscPicture(320, 240, kDiscs);
  const EdgeImages discEdges = EdgesOf(discs.Get(), 50, 100);
  const EdgeImages noise = RandomEdges(61, 47, 0.3, 7);
  // An accumulator too large for the processor's cache is voted in bands of rows (here 24 at
  // resolution 1): rings whose vote lines cross the picture in every direction, and sparse
  // random edges.
  HandMadeEdges wide(2000, 300);
  for (int i = 0; i < 9; ++i) wide.Ring(100 + 220 * i, 60 + 20 * (i % 9), 25 + 12 * i);
  const EdgeImages sparse = RandomEdges(2000, 300, 0.0005, 5);
  for (size_t i = 0; i < sparse.edges.size(); ++i)
    if (sparse.edges[i] && !wide.edges[i]) wide.Point(int(i % 2000), int(i / 2000), sparse.dx[i], sparse.dy[i]);
  ExpectFastEqualsReference(wide.Map(), 1.0, 20, 15, 0, 0);
  ExpectFastEqualsReference(wide.Map(), 1.3, 10, 10, 7, 400);
  imagetest::ForEachVectorTarget([&] {
    ExpectFastEqualsReference(discEdges.Map(), 1.0, 50, 40, 0, 0);
    ExpectFastEqualsReference(discEdges.Map(), 2.0, 10, 10, 5, 60);
    ExpectFastEqualsReference(noise.Map(), 1.0, 3, 3, 0, 0);
    ExpectFastEqualsReference(noise.Map(), 1.3, 2, 2, 4, 40);
    ExpectFastEqualsReference(noise.Map(), 2.5, 1, 1, 12, 2);
  });

  auto coins = TPXImageBuffer::Create();
  platform::TPicture* picture = platform::New<platform::TPicture>();
  picture->LoadFromFile(std::string(PF_TEST_DATA_DIR) + "/Coins1.bmp");
  coins->LoadFromBitmap(picture->Bitmap());
  picture->Free();
  coins->ConvertTo(buffers::vfGrayScale);
  const EdgeImages coinEdges = EdgesOf(coins.Get(), 50, 100);
  ExpectFastEqualsReference(coinEdges.Map(), 1.0, 50, 40, 0, 0);
}

// A crowded picture: noise with the lowest settings (Canny thresholds 1, no vote threshold, the
// least minimum distance), where nearly every pixel is an edge point and thousands of circles
// are accepted, so the grid of accepted centres and the bucketed radius search meet dense
// cells, ties and bands of every size. The list may hold circles already, anywhere (also far
// outside the picture, or not finite): they keep candidates away exactly as in the reference.
TEST(HoughFastPath, EqualsTheReferenceOnACrowdedPicture) {
  auto noise = TPXImageBuffer::CreateSize(120, 90, buffers::vfGrayScale);
  std::mt19937 rng(11);
  for (uint32_t y = 0; y < noise->GetHeight(); ++y)
    for (uint32_t x = 0; x < noise->GetWidth(); ++x) noise->Write()[y * noise->GetStep() + x] = uint8_t(rng());
  const EdgeImages edges = EdgesOf(noise.Get(), 1, 1);
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<Found> before = {{40, 30, 5},  {-3.5f, 60, 2}, {1e30f, 1e30f, 1}, {inf, 50, 1},
                                     {nan, 70, 1}, {120.25f, -inf, 1}, {119.5f, 89.5f, 3}};
  struct Case {
    double dp, minDist;
    int acc, minR, maxR;
    bool prefilled;
  } cases[] = {{1.0, 0, 0, 0, 0, false}, {1.0, 2.5, 0, 0, 0, true}, {1.5, 4, 1, 0, 50, true},
               {2.0, 1, 0, 3, 30, false}, {1.0, 1e300, 0, 0, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "dp " << c.dp << " minDist " << c.minDist << " acc " << c.acc << " radii "
                                    << c.minR << ".." << c.maxR << (c.prefilled ? " prefilled" : ""));
    auto fill = [&](TPXCircles* list) {
      if (c.prefilled)
        for (const Found& f : before) list->Add(platform::New<TPXCircle>(f.x, f.y, f.r));
    };
    auto ref = TPXCircles::Create();
    fill(ref.Get());
    binding::SetQuickSortSeed(12345);
    HoughCirclesFromEdgesReference(edges.Map(), c.dp, c.minDist, c.acc, c.minR, c.maxR, ref.Get());
    const auto r = List(ref.Get());
    EXPECT_GT(r.size(), c.prefilled ? before.size() : 0u);
    imagetest::ForEachVectorTarget([&] {
      auto fast = TPXCircles::Create();
      fill(fast.Get());
      binding::SetQuickSortSeed(12345);
      HoughCirclesFromEdges(edges.Map(), c.dp, c.minDist, c.acc, c.minR, c.maxR, fast.Get());
      const auto f = List(fast.Get());
      // NaN never equals itself: compare the lists' bytes.
      ASSERT_EQ(f.size(), r.size());
      size_t i = 0;
      while (i < f.size() && std::memcmp(&f[i], &r[i], sizeof(Found)) == 0) ++i;
      EXPECT_EQ(i, f.size()) << "circle " << i << " of " << f.size();
    });
  }
}

// The vector vote kernels, a line at a time and a batch of lines, give every cell the votes of
// the plain loop on every instruction set: lines of every length (also past a chunk of indexes
// and not a whole number of vectors), steep and shallow, up and down, in a grid where a wrong
// lane would land in a wrong cell.
TEST(HoughFastPath, VoteKernelsEqualThePlainLoop) {
  constexpr int32_t kStride = 97, kRows = 1200;
  std::mt19937 rng(5);
  struct Line {
    int32_t a, sa, m, b, db;
    int64_t count;
  };
  std::vector<Line> lines;
  for (const int64_t count : {1, 2, 3, 7, 15, 16, 17, 33, 511, 512, 513, 1000, 1100}) {
    for (int i = 0; i < 4; ++i) {
      const bool steep = i % 2 == 0, forward = i < 2;
      // a + k * sa stays within [0, 96 << 10) for a steep line, [0, 1199 << 10) for a shallow one.
      const int64_t span = int64_t{steep ? 96 : 1199} << 10;
      const int64_t most = std::min<int64_t>(1024, (span - 1) / count);
      const int64_t sa = static_cast<int64_t>(rng() % static_cast<uint32_t>(2 * most + 1)) - most;
      const int64_t reach = std::abs(sa) * (count - 1);
      const int64_t offset = static_cast<int64_t>(rng() % static_cast<uint32_t>(span - reach));
      const int32_t a = static_cast<int32_t>(sa >= 0 ? offset : reach + offset);
      if (steep) {  // one row per step; the column from a
        const int32_t row = forward ? 0 : static_cast<int32_t>(count - 1);
        lines.push_back({a, static_cast<int32_t>(sa), 1, row * kStride, forward ? kStride : -kStride, count});
      } else if (count <= kStride) {  // one column per step; the row from a
        const int32_t column = forward ? 0 : static_cast<int32_t>(count - 1);
        lines.push_back({a, static_cast<int32_t>(sa), kStride, column, forward ? 1 : -1, count});
      }
    }
  }
  std::vector<int32_t> expected(size_t{kStride} * kRows);
  for (const Line& l : lines)
    for (int64_t k = 0; k < l.count; ++k)
      ++expected[static_cast<size_t>(((l.a + k * l.sa) >> 10) * l.m + l.b + k * l.db)];
  std::vector<hough::TVoteLine> batch;
  for (const Line& l : lines) batch.push_back({l.a, l.sa, l.m, l.b, l.db, static_cast<int32_t>(l.count)});
  imagetest::ForEachVectorTarget([&] {
    std::vector<int32_t> acc(expected.size());
    for (const hough::TVoteLine& l : batch) hough::VoteLines(acc.data(), &l, 1);
    EXPECT_EQ(acc, expected);
    std::vector<int32_t> batched(expected.size());
    hough::VoteLines(batched.data(), batch.data(), batch.size());
    EXPECT_EQ(batched, expected);
  });
}

// The distances' square roots are taken as the method's single-precision power with exponent
// 0.5; the fast path uses the correctly rounded square root, which gives the same floats.
TEST(HoughFastPath, PowerOneHalfIsTheSquareRoot) {
  std::vector<float> values;
  for (uint32_t i = 0; i < 200000; ++i) values.push_back(static_cast<float>(i));
  std::mt19937 rng(3);
  for (int i = 0; i < 200000; ++i) {
    uint32_t bits = rng() & 0x7FFFFFFFu;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    if (std::isfinite(f)) values.push_back(f);
  }
  std::vector<float> powered = values;
  PowArray(powered.data(), static_cast<int32_t>(powered.size()), 0.5f);
  for (size_t i = 0; i < values.size(); ++i)
    ASSERT_EQ(powered[i], std::sqrt(values[i])) << values[i];
}

}  // namespace
