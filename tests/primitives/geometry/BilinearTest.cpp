// The bilinear transform, bound and inverse set-up: corners onto the quadrangle against an
// extended-precision solve, the checks and their order with outputs untouched, the bounds of
// folded images, and the inverse of every case against the forward map.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "primitives/geometry/Bilinear.h"
#include "tests/primitives/HwyTargets.h"

namespace {

using builtin::fbBilinearInverseRow;
using builtin::fbBilinearSolve;
using builtin::ippiGetBilinearBound;
using builtin::ippiGetBilinearTransform;

void Forward(const double c[2][4], double x, double y, double* ox, double* oy) {
  *ox = ((c[0][0] * x * y + c[0][1] * x) + c[0][2] * y) + c[0][3];
  *oy = ((c[1][0] * x * y + c[1][1] * x) + c[1][2] * y) + c[1][3];
}

// A random convex quadrangle: four points at growing angles round a centre, radii varied.
void RandomConvexQuad(std::mt19937& rng, double q[4][2]) {
  std::uniform_real_distribution<double> radius(40.0, 120.0), jitter(-0.5, 0.5),
      centre(-200.0, 400.0);
  const double cx = centre(rng), cy = centre(rng);
  for (int i = 0; i < 4; ++i) {
    const double a = (i + 0.5 + 0.4 * jitter(rng)) * M_PI / 2 - M_PI;
    const double r = radius(rng);
    q[i][0] = cx + r * std::cos(a);
    q[i][1] = cy + r * std::sin(a);
  }
}

// The coefficients of one row by a 4 x 4 solve in long double: p(x, y) = a xy + b x + c y + d
// through the four corners.
void ReferenceRow(const double corners[4][2], const double target[4], long double out[4]) {
  long double m[4][5];
  for (int i = 0; i < 4; ++i) {
    const long double x = corners[i][0], y = corners[i][1];
    m[i][0] = x * y;
    m[i][1] = x;
    m[i][2] = y;
    m[i][3] = 1;
    m[i][4] = target[i];
  }
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
    for (int k = 0; k < 5; ++k) std::swap(m[col][k], m[pivot][k]);
    for (int r = 0; r < 4; ++r) {
      if (r == col) continue;
      const long double f = m[r][col] / m[col][col];
      for (int k = col; k < 5; ++k) m[r][k] -= f * m[col][k];
    }
  }
  for (int i = 0; i < 4; ++i) out[i] = m[i][4] / m[i][i];
}

TEST(BilinearTransform, RandomQuadsMatchAnExtendedSolve) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> origin(0, 300), side(2, 500);
  for (int trial = 0; trial < 200; ++trial) {
    double q[4][2];
    RandomConvexQuad(rng, q);
    // The first trials keep the origin at 0, the rest move it.
    const IppiRect roi{trial < 20 ? 0 : origin(rng), trial < 20 ? 0 : origin(rng), side(rng),
                       side(rng)};
    double c[2][4];
    ASSERT_EQ(ippiGetBilinearTransform(roi, q, c), ippStsNoErr) << trial;
    const double x0 = roi.x, y0 = roi.y, x1 = roi.x + roi.width - 1, y1 = roi.y + roi.height - 1;
    const double corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    for (int i = 0; i < 4; ++i) {
      double ox, oy;
      Forward(c, corners[i][0], corners[i][1], &ox, &oy);
      EXPECT_NEAR(ox, q[i][0], 1e-9) << trial << " corner " << i;
      EXPECT_NEAR(oy, q[i][1], 1e-9) << trial << " corner " << i;
    }
    for (int row = 0; row < 2; ++row) {
      const double target[4] = {q[0][row], q[1][row], q[2][row], q[3][row]};
      long double ref[4];
      ReferenceRow(corners, target, ref);
      long double largest = 0;
      for (int k = 0; k < 4; ++k) largest = std::max(largest, std::fabs(ref[k]));
      for (int k = 0; k < 4; ++k)
        EXPECT_LE(std::fabs(c[row][k] - ref[k]), 1e-12L * largest)
            << trial << " row " << row << " coefficient " << k;
    }
  }
}

TEST(BilinearTransform, SquareGivesTheIdentity) {
  const double q[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  double c[2][4];
  ASSERT_EQ(ippiGetBilinearTransform(IppiRect{0, 0, 11, 11}, q, c), ippStsNoErr);
  const double expected[2][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}};
  for (int r = 0; r < 2; ++r)
    for (int k = 0; k < 4; ++k) EXPECT_EQ(c[r][k], expected[r][k]) << r << " " << k;
}

TEST(BilinearTransform, ChecksInOrderLeaveCoefficientsUntouched) {
  const double good[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  const double crossed[4][2] = {{0, 0}, {10, 0}, {0, 10}, {10, 10}};
  const double repeated[4][2] = {{0, 0}, {10, 0}, {10, 0}, {0, 10}};
  struct Case {
    const char* name;
    IppiRect roi;
    const double (*quad)[2];
    IppStatus status;
  } cases[] = {
      {"negative x", {-1, 0, 11, 11}, good, ippStsSizeErr},
      {"negative y, bad quad", {0, -1, 11, 11}, crossed, ippStsSizeErr},
      {"zero height", {0, 0, 11, 0}, good, ippStsSizeErr},
      {"self-crossing", {0, 0, 11, 11}, crossed, ippStsQuadErr},
      {"two equal points", {0, 0, 11, 11}, repeated, ippStsQuadErr},
      {"quad before width", {0, 0, 1, 11}, crossed, ippStsQuadErr},
      {"width 1", {0, 0, 1, 11}, good, ippStsRectErr},
      {"height 1", {3, 4, 11, 1}, good, ippStsRectErr},
      {"null quad", {0, 0, 11, 11}, nullptr, ippStsNullPtrErr},
  };
  for (const Case& t : cases) {
    double c[2][4];
    std::memset(c, 0x5a, sizeof c);
    EXPECT_EQ(ippiGetBilinearTransform(t.roi, t.quad, c), t.status) << t.name;
    for (int i = 0; i < 8; ++i)
      EXPECT_EQ(reinterpret_cast<uint8_t*>(c)[i * 8], 0x5a) << t.name;
  }
  EXPECT_EQ(ippiGetBilinearTransform(IppiRect{0, 0, 11, 11}, good, nullptr), ippStsNullPtrErr);
}

TEST(BilinearBound, BoxesOfProperAndFoldedImages) {
  const double identity[2][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}};
  const double fold[2][4] = {{1, 0, 0, 0}, {0, 0, 1, 0}};  // x' = x y, y' = y
  struct Case {
    const char* name;
    IppiRect roi;
    const double (*c)[4];
    IppStatus status;
    double bound[2][2];
  } cases[] = {
      {"identity", {2, 3, 10, 20}, identity, ippStsNoErr, {{2, 3}, {11, 22}}},
      {"width 1", {2, 3, 1, 20}, identity, ippStsCoeffErr, {{2, 3}, {2, 22}}},
      {"fold", {0, 0, 10, 10}, fold, ippStsCoeffErr, {{0, 0}, {81, 9}}},
  };
  for (const Case& t : cases) {
    double b[2][2] = {{-7, -7}, {-7, -7}};
    EXPECT_EQ(ippiGetBilinearBound(t.roi, b, t.c), t.status) << t.name;
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) EXPECT_EQ(b[i][j], t.bound[i][j]) << t.name << i << j;
  }
  for (const IppiRect roi : {IppiRect{-1, 0, 5, 5}, IppiRect{0, -1, 5, 5},
                             IppiRect{0, 0, 0, 5}, IppiRect{0, 0, 5, 0}}) {
    double b[2][2] = {{-7, -7}, {-7, -7}};
    EXPECT_EQ(ippiGetBilinearBound(roi, b, identity), ippStsSizeErr);
    EXPECT_EQ(b[0][0], -7);
    EXPECT_EQ(b[1][1], -7);
  }
  double b[2][2];
  EXPECT_EQ(ippiGetBilinearBound(IppiRect{0, 0, 5, 5}, nullptr, identity), ippStsNullPtrErr);
  EXPECT_EQ(ippiGetBilinearBound(IppiRect{0, 0, 5, 5}, b, nullptr), ippStsNullPtrErr);
}

// The source point of (X, Y) from an inverse record, as the record's contract says.
void Inverse(const double k[11], int inverseCase, int rootFlag, double X, double Y, double* x,
             double* y) {
  double buffer[2];
  const double L1 = k[0] * X + k[1] * Y + k[2];
  const double L2 = k[4] * X + k[6] * Y + k[8];
  const double L3 = k[5] * X + k[7] * Y + k[9];
  fbBilinearInverseRow(buffer, 1, L3, 0, L2, 0, L1, 0, k[3], k[10], inverseCase, rootFlag);
  *x = buffer[0];
  *y = buffer[1];
}

TEST(BilinearInverse, UndoesTheForwardMapInEveryCase) {
  struct Case {
    const char* name;
    double q[4][2];
    int inverseCase;
  } cases[] = {
      {"parallelogram", {{3, 2}, {50, 9}, {61, 47}, {14, 40}}, 3},
      {"top and bottom parallel", {{2, 3}, {42, 3}, {35, 40}, {9, 40}}, 1},
      {"top and bottom parallel, slanted", {{2, 3}, {42, 13}, {34, 45}, {6, 38}}, 1},
      {"sides parallel", {{2, 3}, {40, 8}, {40, 45}, {2, 38}}, 2},
      {"general", {{2, 3}, {47, 6}, {40, 52}, {5, 41}}, 0},
      {"general, skewed", {{10, 1}, {60, 12}, {52, 30}, {1, 44}}, 0},
      // Sides parallel within a relative cross product of 5e-13 count as parallel.
      {"nearly parallel sides", {{2, 3}, {40, 10}, {52, 52 + 2e-11}, {12, 38}}, 2},
  };
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> unit(0.02, 0.98);
  for (const Case& t : cases)
    for (bool mirrored : {false, true}) {
      // The mirror (x -> 100 - x) turns the quadrangle's orientation round.
      double q[4][2];
      for (int i = 0; i < 4; ++i) {
        q[i][0] = mirrored ? 100 - t.q[i][0] : t.q[i][0];
        q[i][1] = t.q[i][1];
      }
      const double x0 = 4, y0 = 7, x1 = 30, y1 = 22;
      double c[2][4], k[11];
      int orientation = -1, forwardOrientation = -1, inverseCase = -1, rootFlag = -1;
      fbBilinearSolve(x0, y0, x1, y1, q, c, nullptr, nullptr, nullptr, &forwardOrientation, 1);
      fbBilinearSolve(x0, y0, x1, y1, q, nullptr, k, &inverseCase, &rootFlag, &orientation, 0);
      const std::string name = std::string(t.name) + (mirrored ? " mirrored" : "");
      EXPECT_EQ(inverseCase, t.inverseCase) << name;
      EXPECT_EQ(orientation, mirrored ? 0 : 1) << name;
      EXPECT_EQ(forwardOrientation, orientation) << name;
      for (int i = 0; i < 200; ++i) {
        const double u = x0 + unit(rng) * (x1 - x0), v = y0 + unit(rng) * (y1 - y0);
        double X, Y, x, y;
        Forward(c, u, v, &X, &Y);
        Inverse(k, inverseCase, rootFlag, X, Y, &x, &y);
        ASSERT_NEAR(x, u, 1e-8) << name << " at " << u << ", " << v;
        ASSERT_NEAR(y, v, 1e-8) << name << " at " << u << ", " << v;
      }
    }
}

TEST(BilinearInverse, ParallelTestIsRelative) {
  // Sides with a relative cross product of about 2.4e-11 are not parallel; the same shape
  // scaled by 1e-3 keeps its case, however small its products.
  for (double scale : {1.0, 1e-3}) {
    double q[4][2] = {{2, 3}, {40, 10}, {52, 52 + 1e-9}, {12, 38}};
    for (auto& p : q) p[0] *= scale, p[1] *= scale;
    double k[11];
    int orientation, inverseCase, rootFlag;
    fbBilinearSolve(0, 0, 20, 20, q, nullptr, k, &inverseCase, &rootFlag, &orientation, 0);
    EXPECT_EQ(inverseCase, 0) << scale;
  }
}

TEST(BilinearInverse, RootFlagFollowsOrientationAndEdgeSkew) {
  // Case 0 quadrangles whose top and bottom edges lean either way, in both orientations: the
  // flag picks the root that lands inside the rectangle, so both flags must occur.
  const double shapes[2][4][2] = {{{2, 3}, {47, 6}, {40, 52}, {5, 41}},
                                  {{2, 6}, {47, 3}, {40, 41}, {5, 52}}};
  int seen[2] = {0, 0};
  for (const auto& shape : shapes)
    for (bool mirrored : {false, true}) {
      double q[4][2];
      for (int i = 0; i < 4; ++i) {
        q[i][0] = mirrored ? 100 - shape[i][0] : shape[i][0];
        q[i][1] = shape[i][1];
      }
      double k[11];
      int orientation, inverseCase, rootFlag;
      fbBilinearSolve(0, 0, 20, 20, q, nullptr, k, &inverseCase, &rootFlag, &orientation, 0);
      ASSERT_EQ(inverseCase, 0);
      ++seen[rootFlag];
    }
  EXPECT_GT(seen[0], 0);
  EXPECT_GT(seen[1], 0);
}

TEST(BilinearInverse, RowRunsItsValuesByAdditionAndClampsTheDiscriminant) {
  imagetest::ForEachVectorTarget([] {
    // n values carried by additions equal the per-point evaluation of the same sums, over
    // more than one block of points.
    constexpr int n = 150;
    std::vector<double> buffer(2 * n);
    for (int flag : {0, 1}) {
      fbBilinearInverseRow(buffer.data(), n, 1.0, 0.25, 4.0, 0.5, 3.0, 0.125, 2.0, 10.0, 0, flag);
      double L1 = 3.0, L2 = 4.0, L3 = 1.0;
      for (int i = 0; i < n; ++i, L1 += 0.125, L2 += 0.5, L3 += 0.25) {
        const double d = L1 * L1 - L2;
        const double A = flag ? L1 + std::sqrt(d) : L1 - std::sqrt(d);
        ASSERT_EQ(buffer[i], 10.0 + A) << i;
        ASSERT_EQ(buffer[n + i], L3 + 2.0 * A) << i;
      }
    }
    // A discriminant below zero counts as 0: no NaN comes out, at any position of a run.
    fbBilinearInverseRow(buffer.data(), 19, 1.0, 0, 1.0 + 1e-15, 0, 1.0, 0, 2.0, 10.0, 0, 0);
    for (int i = 0; i < 19; ++i) {
      ASSERT_EQ(buffer[i], 11.0) << i;
      ASSERT_EQ(buffer[19 + i], 3.0) << i;
    }
    // n <= 0 and unknown cases write nothing.
    buffer[0] = buffer[1] = -1;
    fbBilinearInverseRow(buffer.data(), 0, 1, 1, 1, 1, 1, 1, 1, 1, 3, 0);
    fbBilinearInverseRow(buffer.data(), 1, 1, 1, 1, 1, 1, 1, 1, 1, 4, 0);
    EXPECT_EQ(buffer[0], -1);
    EXPECT_EQ(buffer[1], -1);
  });
}

}  // namespace
