// Quadrangle geometry: the quadrangle test, the row spans of cases with known answers, spans
// of random quadrangles against a pixel-by-pixel inside test, the inverse transform and the
// span block's memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "primitives/geometry/QuadGeometry.h"
#include "primitives/support/Support.h"
#include "tests/primitives/AllocationHook.h"

namespace {

using builtin::fbRowSpan;

struct Quad {
  double p[4][2];
};

struct Spans {
  int result = 0, firstRow = 0, lastRow = -1;
  std::vector<fbRowSpan> rows;
};

Spans RowSpans(const Quad& q, int x0, int y0, int x1, int y1, int orientation) {
  Spans s;
  fbRowSpan* block = nullptr;
  s.result = builtin::fbQuadRowSpans(q.p, x0, y0, x1, y1, orientation, &block, &s.firstRow,
                                     &s.lastRow);
  if (s.result == 1) {
    s.rows.assign(block, block + (s.lastRow - s.firstRow + 1));
    builtin::fbAlignedFree(block);
  }
  return s;
}

TEST(QuadGeometry, CheckQuadGivesOrientationOrFault) {
  struct Case { Quad q; int expected; };
  const Case cases[] = {
      {{{{0, 0}, {9, 0}, {9, 4}, {0, 4}}}, 1},
      {{{{0, 0}, {0, 4}, {9, 4}, {9, 0}}}, 0},
      {{{{0, 0}, {9, 0}, {0, 4}, {9, 4}}}, builtin::kQuadNotConvex},   // bow tie
      {{{{0, 0}, {0, 0}, {9, 4}, {0, 4}}}, builtin::kQuadDegenerate},  // two corners coincide
      {{{{0, 0}, {4, 0}, {9, 0}, {0, 4}}}, builtin::kQuadDegenerate},  // three collinear
      {{{{0, 0}, {9, 0}, {9, NAN}, {0, 4}}}, builtin::kQuadDegenerate},
  };
  for (const Case& c : cases) EXPECT_EQ(builtin::fbCheckQuad(c.q.p), c.expected);
}

TEST(QuadGeometry, RowSpansOfKnownShapes) {
  struct Case {
    const char* name;
    Quad q;
    int orientation;
    int x0, y0, x1, y1;
    int result, firstRow;
    std::vector<std::pair<int, int>> spans;
  };
  const double lo = 3.0000000000000004, hi = 6.999999999999999;
  const std::vector<Case> cases = {
      {"identity", {{{0, 0}, {9, 0}, {9, 4}, {0, 4}}}, 1, 0, 0, 19, 19, 1, 0,
       {{0, 9}, {0, 9}, {0, 9}, {0, 9}, {0, 9}}},
      {"shifted by half", {{{0.5, 0.5}, {9.5, 0.5}, {9.5, 4.5}, {0.5, 4.5}}}, 1, 0, 0, 19, 19, 1,
       1, {{1, 9}, {1, 9}, {1, 9}, {1, 9}}},
      {"diamond clockwise", {{{5, 0}, {10, 5}, {5, 10}, {0, 5}}}, 1, 0, 0, 19, 19, 1, 0,
       {{5, 5}, {4, 6}, {3, 7}, {2, 8}, {1, 9}, {0, 10}, {1, 9}, {2, 8}, {3, 7}, {4, 6}, {5, 5}}},
      {"diamond anticlockwise", {{{5, 0}, {0, 5}, {5, 10}, {10, 5}}}, 0, 0, 0, 19, 19, 1, 0,
       {{5, 5}, {4, 6}, {3, 7}, {2, 8}, {1, 9}, {0, 10}, {1, 9}, {2, 8}, {3, 7}, {4, 6}, {5, 5}}},
      {"edges a hair off whole columns", {{{lo, 0}, {hi, 0}, {hi, 2}, {lo, 2}}}, 1, 0, 0, 19, 19,
       1, 0, {{3, 7}, {3, 7}, {3, 7}}},
      {"lowest vertex on the top edge", {{{5, 10}, {8, 7}, {5, 4}, {2, 7}}}, 0, 0, 10, 19, 19, 1,
       10, {{5, 5}}},
      {"bottom edge on the top edge", {{{0.5, 5}, {9.5, 5}, {9.5, 10}, {0.5, 10}}}, 1, 0, 10, 19,
       19, 1, 10, {{1, 9}}},
      {"right edge on the left edge", {{{-5, 2}, {3, 2}, {3, 5}, {-5, 5}}}, 1, 3, 0, 19, 19, 1, 2,
       {{3, 3}, {3, 3}, {3, 3}, {3, 3}}},
      {"half a row high", {{{0, 1}, {9, 1}, {9, 1.5}, {0, 1.5}}}, 1, 0, 0, 19, 19, 1, 1, {{0, 9}}},
      {"between two rows", {{{0, 1.2}, {9, 1.2}, {9, 1.8}, {0, 1.8}}}, 1, 0, 0, 19, 19, 0, 0, {}},
      {"beside the rectangle", {{{30, 0}, {39, 0}, {39, 4}, {30, 4}}}, 1, 0, 0, 19, 19, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Spans s = RowSpans(c.q, c.x0, c.y0, c.x1, c.y1, c.orientation);
    ASSERT_EQ(s.result, c.result);
    if (c.result == 0) continue;
    EXPECT_EQ(s.firstRow, c.firstRow);
    ASSERT_EQ(s.rows.size(), c.spans.size());
    for (size_t i = 0; i < s.rows.size(); ++i) {
      EXPECT_EQ(s.rows[i].xstart, c.spans[i].first) << "row " << s.firstRow + i;
      EXPECT_EQ(s.rows[i].xend, c.spans[i].second) << "row " << s.firstRow + i;
    }
  }
}

// Random affine quadrangles, partly outside the destination rectangle: every pixel centre
// clearly inside both is in its row's span, every one clearly outside is not.
TEST(QuadGeometry, RandomQuadranglesCoverExactlyTheirPixels) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const int x0 = 3, y0 = 2, x1 = 40, y1 = 30;
  for (int trial = 0; trial < 300; ++trial) {
    const double a = u(rng) * 3.2, s = 0.5 + 0.5 * (u(rng) + 1.0);
    const double c[2][3] = {{s * std::cos(a), -s * std::sin(a) + 0.3 * u(rng), 20 + 25 * u(rng)},
                            {s * std::sin(a), s * std::cos(a), 15 + 20 * u(rng)}};
    Quad q;
    builtin::fbAffineQuad(c, 0, 0, 24, 17, q.p);
    const int orientation = builtin::fbCheckQuad(q.p);
    if (orientation < 0) continue;
    const Spans sp = RowSpans(q, x0, y0, x1, y1, orientation);
    // Signed distance of a point to the inside of each edge, positive inside.
    const auto inside = [&](double x, double y) {
      double least = 1e300;
      for (int i = 0; i < 4; ++i) {
        const double* p = q.p[i];
        const double* n = q.p[(i + 1) % 4];
        const double ex = n[0] - p[0], ey = n[1] - p[1];
        double d = (ex * (y - p[1]) - ey * (x - p[0])) / std::hypot(ex, ey);
        if (orientation == 0) d = -d;
        least = std::min(least, d);
      }
      return least;
    };
    for (int y = y0 - 2; y <= y1 + 2; ++y)
      for (int x = x0 - 2; x <= x1 + 2; ++x) {
        const double d = inside(x, y);
        if (std::fabs(d) < 1e-9) continue;
        const bool expected = d > 0 && x >= x0 && x <= x1 && y >= y0 && y <= y1;
        bool got = false;
        if (sp.result == 1 && y >= sp.firstRow && y <= sp.lastRow) {
          const fbRowSpan& r = sp.rows[y - sp.firstRow];
          got = x >= r.xstart && x <= r.xend;
        }
        ASSERT_EQ(got, expected) << "trial " << trial << " pixel " << x << "," << y;
      }
  }
}

TEST(QuadGeometry, InverseMapsTheQuadrangleBackOntoTheRectangle) {
  const double c[2][3] = {{0.8, -0.6, 30.5}, {0.6, 0.8, -4.25}};
  double q[4][2], inv[2][3];
  builtin::fbAffineQuad(c, 2, 3, 21, 13, q);
  int orientation = -1;
  builtin::fbAffineInverseFromQuad(2, 3, 21, 13, q, inv, &orientation, 0);
  EXPECT_EQ(orientation, 1);
  const int corners[4][2] = {{2, 3}, {21, 3}, {21, 13}, {2, 13}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(inv[0][0] * q[i][0] + inv[0][1] * q[i][1] + inv[0][2], corners[i][0], 1e-12);
    EXPECT_NEAR(inv[1][0] * q[i][0] + inv[1][1] * q[i][1] + inv[1][2], corners[i][1], 1e-12);
  }
  // A mirrored transform turns the orientation over.
  const double m[2][3] = {{-1, 0, 50}, {0, 1, 0}};
  builtin::fbAffineQuad(m, 2, 3, 21, 13, q);
  builtin::fbAffineInverseFromQuad(2, 3, 21, 13, q, inv, &orientation, 0);
  EXPECT_EQ(orientation, 0);
  EXPECT_EQ(builtin::fbCheckQuad(q), 0);
}

TEST(QuadGeometry, GetAffineQuadChecksTheRegionFirst) {
  const double id[2][3] = {{1, 0, 0}, {0, 1, 0}};
  double q[4][2] = {{7, 7}, {7, 7}, {7, 7}, {7, 7}};
  EXPECT_EQ(builtin::fbGetAffineQuad(IppiRect{0, 0, 0, 5}, q, id), ippStsSizeErr);
  EXPECT_EQ(builtin::fbGetAffineQuad(IppiRect{-1, 0, 4, 5}, q, id), ippStsSizeErr);
  EXPECT_EQ(q[2][0], 7.0);
  const double flat[2][3] = {{1, 1, 0}, {1, 1, 0}};
  EXPECT_EQ(builtin::fbGetAffineQuad(IppiRect{0, 0, 4, 5}, q, flat), ippStsCoeffErr);
  EXPECT_EQ(builtin::fbGetAffineQuad(IppiRect{1, 2, 4, 5}, q, id), ippStsNoErr);
  EXPECT_EQ(q[2][0], 4.0);
  EXPECT_EQ(q[2][1], 6.0);
  double bound[2][2];
  const double r[2][3] = {{0.5, -0.5, 0}, {0.5, 0.5, 0}};
  builtin::fbAffineQuad(r, 0, 0, 4, 4, q);
  builtin::fbQuadBoundingBox(q, bound);
  EXPECT_EQ(bound[0][0], -2.0);
  EXPECT_EQ(bound[0][1], 0.0);
  EXPECT_EQ(bound[1][0], 2.0);
  EXPECT_EQ(bound[1][1], 4.0);
}

TEST(QuadGeometry, NoMemoryForTheSpansGivesNothingAndLeavesNothing) {
  const Quad q{{{0, 0}, {9, 0}, {9, 4}, {0, 4}}};
  allochook::ForEachFailure([&] { return RowSpans(q, 0, 0, 19, 19, 1).result; },
                            [](int result, int, std::int64_t leaked) {
                              EXPECT_EQ(result, 0);
                              EXPECT_EQ(leaked, 0);
                            });
}

}  // namespace
