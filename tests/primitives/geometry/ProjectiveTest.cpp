// Perspective coefficients and bounds: the solver against an independent solve of the corner
// equations, the statuses in their order with the outputs untouched, and the quadrangle test.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "primitives/geometry/Projective.h"

namespace {

// Solves the eight equations of the four corners for c00..c21 with c22 = 1 (Gaussian
// elimination with partial pivoting in long double).
void ReferenceSolve(int x0, int y0, int x1, int y1, const double q[4][2], long double out[9]) {
  const int cx[4] = {x0, x1, x1, x0}, cy[4] = {y0, y0, y1, y1};
  long double a[8][9] = {};
  for (int i = 0; i < 4; ++i) {
    const long double X = cx[i], Y = cy[i], u = q[i][0], v = q[i][1];
    long double* r = a[2 * i];
    r[0] = X, r[1] = Y, r[2] = 1, r[6] = -u * X, r[7] = -u * Y, r[8] = u;
    r = a[2 * i + 1];
    r[3] = X, r[4] = Y, r[5] = 1, r[6] = -v * X, r[7] = -v * Y, r[8] = v;
  }
  for (int col = 0; col < 8; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 8; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    for (int k = 0; k < 9; ++k) std::swap(a[col][k], a[pivot][k]);
    for (int r = 0; r < 8; ++r) {
      if (r == col) continue;
      const long double f = a[r][col] / a[col][col];
      for (int k = col; k < 9; ++k) a[r][k] -= f * a[col][k];
    }
  }
  for (int i = 0; i < 8; ++i) out[i] = a[i][8] / a[i][i];
  out[8] = 1;
}

TEST(PerspectiveTransform, RandomConvexQuadsAgreeWithAnIndependentSolve) {
  std::mt19937 rng(40);
  std::uniform_real_distribution<double> jitter(-30.0, 30.0);
  std::uniform_int_distribution<int> origin(0, 50), side(2, 300);
  int checked = 0;
  while (checked < 300) {
    const IppiRect roi{origin(rng), origin(rng), side(rng), side(rng)};
    const double base[4][2] = {{100, 100}, {400, 120}, {420, 380}, {90, 350}};
    double q[4][2];
    for (int i = 0; i < 4; ++i) q[i][0] = base[i][0] + jitter(rng), q[i][1] = base[i][1] + jitter(rng);
    double c[3][3];
    ASSERT_EQ(builtin::ippiGetPerspectiveTransform(roi, q, c), ippStsNoErr);
    const int x0 = roi.x, y0 = roi.y, x1 = roi.x + roi.width - 1, y1 = roi.y + roi.height - 1;
    double mapped[4][2];
    builtin::fbPerspectiveQuad(c, x0, y0, x1, y1, mapped);
    for (int i = 0; i < 4; ++i)
      for (int k = 0; k < 2; ++k) EXPECT_NEAR(mapped[i][k], q[i][k], 1e-9 * 450) << i;
    long double ref[9];
    ReferenceSolve(x0, y0, x1, y1, q, ref);
    for (int row = 0; row < 3; ++row) {
      long double largest = 0;
      for (int k = 0; k < 3; ++k) largest = std::max(largest, std::fabs(ref[row * 3 + k]));
      for (int k = 0; k < 3; ++k)
        EXPECT_LE(std::fabs(c[row][k] / c[2][2] - ref[row * 3 + k]), 1e-12L * largest)
            << "row " << row << " col " << k;
    }
    ++checked;
  }
}

TEST(PerspectiveTransform, ParallelogramGivesAffineCoefficientsExactly) {
  const double q[4][2] = {{0, 0}, {10, 0}, {15, 10}, {5, 10}};
  double c[3][3];
  ASSERT_EQ(builtin::ippiGetPerspectiveTransform(IppiRect{0, 0, 11, 11}, q, c), ippStsNoErr);
  const double want[3][3] = {{1, 0.5, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(c[i][k], want[i][k]) << i << "," << k;
}

TEST(PerspectiveTransform, StatusesInOrderLeaveCoefficientsUntouched) {
  const double convex[4][2] = {{0, 0}, {10, 0}, {12, 9}, {1, 10}};
  const double bowTie[4][2] = {{0, 0}, {10, 10}, {10, 0}, {0, 10}};
  const double flat[4][2] = {{0, 0}, {5, 0}, {10, 0}, {3, 0}};
  struct Case {
    IppiRect roi;
    const double (*quad)[2];
    bool nullCoeffs;
    IppStatus status;
  } cases[] = {
      {{0, 0, 10, 10}, nullptr, false, ippStsNullPtrErr},
      {{0, 0, 10, 10}, convex, true, ippStsNullPtrErr},
      {{-1, 0, 10, 10}, bowTie, false, ippStsSizeErr},  // size before the quad test
      {{0, 0, 10, 0}, convex, false, ippStsSizeErr},
      {{0, 0, 1, 10}, bowTie, false, ippStsQuadErr},  // the quad test before the width test
      {{0, 0, 10, 10}, flat, false, ippStsQuadErr},
      {{0, 0, 1, 10}, convex, false, ippStsRectErr},
      {{3, 4, 10, 1}, convex, false, ippStsRectErr},
  };
  for (const Case& k : cases) {
    double c[3][3];
    for (auto& row : c) for (double& v : row) v = -7;
    EXPECT_EQ(builtin::ippiGetPerspectiveTransform(k.roi, k.quad, k.nullCoeffs ? nullptr : c),
              k.status);
    for (auto& row : c) for (double v : row) EXPECT_EQ(v, -7);
  }
}

TEST(PerspectiveBound, StatusesAndTheBoxOfTheMappedCorners) {
  const double mirror[3][3] = {{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const double mild[3][3] = {{1, 0.1, 3}, {0.05, 1, 2}, {0.001, 0.002, 1}};
  // The denominator vanishes at the corner (0, 0): that corner is not finite.
  const double vanishing[3][3] = {{1, 0, 1}, {0, 1, 1}, {1, 1, 0}};
  struct Case {
    IppiRect roi;
    const double (*coeffs)[3];
    IppStatus status;
    bool written;
  } cases[] = {
      {{0, 0, 10, 10}, mirror, ippStsNoErr, true},
      {{5, 5, 1, 10}, mild, ippStsCoeffErr, true},  // one pixel wide: degenerate, box written
      {{0, 0, 10, 10}, vanishing, ippStsCoeffErr, true},
      {{0, -1, 10, 10}, mild, ippStsSizeErr, false},
      {{0, 0, 10, 0}, mild, ippStsSizeErr, false},
      {{0, 0, 10, 10}, nullptr, ippStsNullPtrErr, false},
  };
  for (const Case& k : cases) {
    double bound[2][2] = {{-7, -7}, {-7, -7}};
    EXPECT_EQ(builtin::ippiGetPerspectiveBound(k.roi, bound, k.coeffs), k.status);
    if (!k.written) {
      for (auto& row : bound) for (double v : row) EXPECT_EQ(v, -7);
      continue;
    }
    double q[4][2];
    builtin::fbPerspectiveQuad(k.coeffs, k.roi.x, k.roi.y, k.roi.x + k.roi.width - 1,
                               k.roi.y + k.roi.height - 1, q);
    if (k.coeffs == vanishing) continue;
    double lo[2] = {q[0][0], q[0][1]}, hi[2] = {q[0][0], q[0][1]};
    for (int i = 1; i < 4; ++i)
      for (int a = 0; a < 2; ++a) lo[a] = std::min(lo[a], q[i][a]), hi[a] = std::max(hi[a], q[i][a]);
    EXPECT_EQ(bound[0][0], lo[0]);
    EXPECT_EQ(bound[0][1], lo[1]);
    EXPECT_EQ(bound[1][0], hi[0]);
    EXPECT_EQ(bound[1][1], hi[1]);
  }
  double bound[2][2];
  ASSERT_EQ(builtin::ippiGetPerspectiveBound(IppiRect{0, 0, 10, 10}, bound, mirror), ippStsNoErr);
  EXPECT_EQ(bound[0][0], -9);
  EXPECT_EQ(bound[0][1], 0);
  EXPECT_EQ(bound[1][0], 0);
  EXPECT_EQ(bound[1][1], 9);
  EXPECT_EQ(builtin::ippiGetPerspectiveBound(IppiRect{0, 0, 10, 10}, nullptr, mirror),
            ippStsNullPtrErr);
}

TEST(PerspectiveQuad, CornerOnTheVanishingLineIsDegenerate) {
  const double q[4][2] = {{INFINITY, INFINITY}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_EQ(builtin::fbCheckPerspectiveQuad(q), -5);
  const double proper[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_EQ(builtin::fbCheckPerspectiveQuad(proper), 1);
}

}  // namespace
