// The perspective warps: the coordinate routine, all 72 kernels against the affine kernels
// under a unit denominator, the source test of the checked set, the engines' checks in order
// with nothing written, the identity copy, the back warp's whole-region path and its choice
// of table, the smoothing bit, and running out of memory.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "primitives/geometry/AffineWarp.h"
#include "primitives/geometry/ProjectiveWarp.h"
#include "primitives/geometry/WarpFrame.h"
#include "primitives/support/Support.h"
#include "tests/primitives/AllocationHook.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"
#include "tests/primitives/geometry/WarpTestImage.h"

namespace {

using imagetest::GuardedImage;
namespace warp = builtin::warp;

const char* kTypeNames[] = {"8u", "32f"};
const char* kLayoutNames[] = {"C1", "C3", "AC4", "P3", "C4", "P4"};

using warptest::WarpImage;

// The destination at row firstRow as a kernel takes it; planes holds the advanced pointers.
void* KernelRow(WarpImage& dst, int firstRow, void* planes[4]) {
  const ptrdiff_t offset = static_cast<ptrdiff_t>(firstRow) * dst.step();
  if (!dst.planar()) return static_cast<uint8_t*>(dst.arg()) + offset;
  for (int p = 0; p < dst.channels(); ++p)
    planes[p] = static_cast<uint8_t*>(dst.planeArray()[p]) + offset;
  return planes;
}

// Long rows (several blocks of the vector reciprocals) and denominators that pass through zero,
// on every vector target.
TEST(PerspectiveRowCoords, EqualsNumeratorsTimesTheReciprocal) {
  imagetest::ForEachVectorTarget([] {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> v(-50.0, 50.0);
    for (int trial = 0; trial < 50; ++trial) {
      const int count = 1 + (trial * 37) % 700;
      // Every fifth row's denominator runs through zero (through an exact zero in the tenths).
      const bool crossing = trial % 5 == 0;
      const double d0 = crossing ? 3.0 : v(rng) + 120.0, dd = crossing ? -0.25 : v(rng) * 1e-3,
                   nx0 = v(rng) * 30, dnx = v(rng) * 0.1, ny0 = v(rng) * 30, dny = v(rng) * 0.1;
      std::vector<double> buffer(2 * count + 1, -7.0);
      builtin::fbPerspectiveRowCoords(buffer.data(), count, d0, dd, nx0, dnx, ny0, dny);
      double d = d0, nx = nx0, ny = ny0;
      for (int i = 0; i < count; ++i) {
        const double r = 1.0 / d;
        const double wantX = nx * r, wantY = ny * r;
        ASSERT_EQ(std::memcmp(&buffer[i], &wantX, 8), 0) << i << " of " << count;
        ASSERT_EQ(std::memcmp(&buffer[count + i], &wantY, 8), 0) << i << " of " << count;
        nx += dnx, ny += dny, d += dd;
      }
      EXPECT_EQ(buffer[2 * count], -7.0);
    }
  });
  double untouched = -7.0;
  builtin::fbPerspectiveRowCoords(&untouched, 0, 1, 0, 1, 0, 1, 0);
  EXPECT_EQ(untouched, -7.0);
}

// With c20 = c21 = 0 and c22 = 1 every position is its numerator, so each perspective kernel
// (and each checked one, given the whole image as its region) writes exactly what the affine
// kernel of the same type, layout and method writes; AC4 leaves the fourth sample.
TEST(PerspectiveKernels, UnitDenominatorMatchesTheAffineKernels) {
  std::mt19937 rng(40);
  const double affine[2][3] = {{0.9, 0.1, 1.3}, {-0.05, 1.1, 0.7}};
  const double m[3][3] = {{0.9, 0.1, 1.3}, {-0.05, 1.1, 0.7}, {0, 0, 1}};
  const int firstRow = 2, lastRow = 17;
  std::vector<builtin::fbRowSpan> spans;
  for (int row = firstRow; row <= lastRow; ++row)
    spans.push_back(row == 9 ? builtin::fbRowSpan{5, 4} : builtin::fbRowSpan{row % 4, 23 - row % 3});
  for (int type = 0; type < 2; ++type)
    for (int layout = 0; layout < 6; ++layout)
      for (int method : {1, 2, 4}) {
        const int index = warp::KernelIndex(type, layout, method);
        SCOPED_TRACE(testing::Message() << kTypeNames[type] << kLayoutNames[layout] << " method "
                                        << method << " " << builtin::fbPerspectiveKernelNames[index]);
        WarpImage src(type, layout, 30, 25), want(type, layout, 24, 20),
            plain(type, layout, 24, 20), checked(type, layout, 24, 20);
        src.Randomize(rng);
        want.Randomize(rng);
        const std::vector<uint8_t> before = want.Bytes();
        plain.SetBytes(before);
        checked.SetBytes(before);
        std::vector<double> buffer(2 * 24);
        void* planes[3][4];
        builtin::fbAffineKernelTable[index](src.arg(), KernelRow(want, firstRow, planes[0]),
                                            src.step(), want.step(), firstRow, lastRow,
                                            spans.data(), affine, 29, 24, 0);
        builtin::fbPerspectiveKernelTable[index](src.arg(), KernelRow(plain, firstRow, planes[1]),
                                                 src.step(), plain.step(), firstRow, lastRow,
                                                 spans.data(), m, buffer.data(), 29, 24);
        builtin::fbPerspectiveCheckedKernelTable[index](
            src.arg(), KernelRow(checked, firstRow, planes[2]), src.step(), checked.step(),
            firstRow, lastRow, spans.data(), m, buffer.data(), 0, 0, 29, 24, 29, 24);
        EXPECT_NE(want.Bytes(), before);
        EXPECT_EQ(plain.Bytes(), want.Bytes());
        EXPECT_EQ(checked.Bytes(), want.Bytes());
        EXPECT_TRUE(plain.OutsideUntouched());
        EXPECT_TRUE(checked.OutsideUntouched());
        if (layout == warp::kAC4) {
          WarpImage again(type, layout, 24, 20);
          again.SetBytes(before);
          for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 24; ++x)
              ASSERT_EQ(std::memcmp(plain.at(3, x, y), again.at(3, x, y), again.elementSize()), 0);
        }
        // No rows at all.
        builtin::fbPerspectiveKernelTable[index](src.arg(), KernelRow(plain, 5, planes[1]),
                                                 src.step(), plain.step(), 5, 4, spans.data(), m,
                                                 buffer.data(), 29, 24);
        EXPECT_EQ(plain.Bytes(), want.Bytes());
      }
}

// The 8-bit kernels of interleaved pixels sample through vectors: under a real perspective,
// with positions reaching the last column and row (and a hair past them), they write what the
// scalar samplers of the checked set write given the whole image, on every vector target and
// on rows at odd addresses.
TEST(PerspectiveKernels, VectorSamplersMatchTheScalarOnEveryTarget) {
  imagetest::ForEachVectorTarget([] {
    std::mt19937 rng(21);
    // Destination 0..39 x 0..29 onto 0..24.6 x 0..16.8: past the last column of the 23 x 17
    // source, a hair short of its last row.
    const double m[3][3] = {{0.68, 0.05, 0.0}, {0.02, 0.63, 0.0}, {0.002, 0.003, 1.0}};
    std::vector<builtin::fbRowSpan> spans(30, builtin::fbRowSpan{0, 39});
    for (int method : {1, 2, 4})
      for (int layout : {warp::kC1, warp::kC3, warp::kAC4, warp::kC4})
        for (bool odd : {false, true}) {
          SCOPED_TRACE(testing::Message() << kLayoutNames[layout] << " method " << method
                                          << (odd ? " odd rows" : ""));
          WarpImage src(0, layout, 23, 17, odd), plain(0, layout, 40, 30, odd),
              scalar(0, layout, 40, 30, odd);
          src.Randomize(rng);
          plain.Randomize(rng);
          scalar.SetBytes(plain.Bytes());
          std::vector<double> buffer(80);
          const int index = warp::KernelIndex(0, layout, method);
          builtin::fbPerspectiveKernelTable[index](src.arg(), plain.arg(), src.step(),
                                                   plain.step(), 0, 29, spans.data(), m,
                                                   buffer.data(), 22, 16);
          builtin::fbPerspectiveCheckedKernelTable[index](
              src.arg(), scalar.arg(), src.step(), scalar.step(), 0, 29, spans.data(), m,
              buffer.data(), -100, -100, 100, 100, 22, 16);
          ASSERT_TRUE(plain.Bytes() == scalar.Bytes());
          EXPECT_TRUE(plain.OutsideUntouched());
        }
  });
}

// The plain kernels trust their positions, yet positions far outside the image, infinite or
// not a number (a column with D = 0) still read only the source image (the sanitizer build
// stops at any read beyond its guards) and write only the span.
TEST(PerspectiveKernels, StrayPositionsReadOnlyTheSource) {
  std::mt19937 rng(17);
  // D = X - 8 over columns 0..15: positions run from far left through infinity to far right.
  const double m[3][3] = {{1e4, 0, 5}, {-3e3, 1, 2}, {1, 0, -8}};
  const builtin::fbRowSpan span{0, 15};
  for (int type = 0; type < 2; ++type)
    for (int layout = 0; layout < 6; ++layout)
      for (int method : {1, 2, 4}) {
        SCOPED_TRACE(testing::Message() << kTypeNames[type] << kLayoutNames[layout] << " method " << method);
        WarpImage src(type, layout, 6, 5), dst(type, layout, 16, 1);
        src.Randomize(rng);
        dst.Randomize(rng);
        double buffer[32];
        builtin::fbPerspectiveKernelTable[warp::KernelIndex(type, layout, method)](
            src.arg(), dst.arg(), src.step(), dst.step(), 0, 0, &span, m, buffer, 5, 4);
        EXPECT_TRUE(dst.OutsideUntouched());
      }
}

// The checked kernels compute a pixel only when its position lies in the inclusive region:
// x = roiRight is sampled, roiRight + 0.001 is not, whatever the method.
TEST(PerspectiveKernels, CheckedSetSamplesOnlyInsideTheRegion) {
  std::mt19937 rng(3);
  for (int method : {1, 2, 4})
    for (double shift : {0.0, 0.001}) {
      SCOPED_TRACE(testing::Message() << "method " << method << " shift " << shift);
      WarpImage src(0, warp::kC1, 10, 10), dst(0, warp::kC1, 10, 1);
      src.Randomize(rng);
      dst.Randomize(rng);
      const std::vector<uint8_t> before = dst.Bytes();
      const double m[3][3] = {{1, 0, shift}, {0, 0, 3}, {0, 0, 1}};
      const builtin::fbRowSpan span{0, 9};
      double buffer[20];
      builtin::fbPerspectiveCheckedKernelTable[warp::KernelIndex(0, 0, method)](
          src.arg(), dst.arg(), src.step(), dst.step(), 0, 0, &span, m, buffer, 2, 1, 6, 8, 9,
          9);
      for (int x = 0; x < 10; ++x) {
        const bool inside = x >= 2 && x + shift <= 6;
        if (inside)
          EXPECT_EQ(*dst.at(0, x, 0), *src.at(0, x, 3)) << x;  // integral positions
        else
          EXPECT_EQ(*dst.at(0, x, 0), before[x]) << x;
      }
    }
}

// A column whose denominator is exactly 0 keeps its value; its neighbours are computed.
TEST(PerspectiveKernels, CheckedSetSkipsAZeroDenominator) {
  std::mt19937 rng(5);
  WarpImage src(0, warp::kC3, 10, 10), dst(0, warp::kC3, 10, 1);
  src.Randomize(rng);
  dst.Randomize(rng);
  const std::vector<uint8_t> before = dst.Bytes();
  // D = X - 5; x = (3X - 12) / D, y = 2 (X - 5) / D: X = 4 -> (0, 2), X = 6 -> (6, 2).
  const double m[3][3] = {{3, 0, -12}, {2, 0, -10}, {1, 0, -5}};
  const builtin::fbRowSpan span{4, 6};
  double buffer[20];
  builtin::fbPerspectiveCheckedKernelTable[warp::KernelIndex(0, warp::kC3, 1)](
      src.arg(), dst.arg(), src.step(), dst.step(), 0, 0, &span, m, buffer, 0, 0, 9, 9, 9, 9);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(*dst.at(c, 4, 0), *src.at(c, 0, 2));
    EXPECT_EQ(*dst.at(c, 5, 0), before[5 * 3 + c]);
    EXPECT_EQ(*dst.at(c, 6, 0), *src.at(c, 6, 2));
  }
}

using Entry = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect,
                            const double[3][3], int);
struct Form {
  const char* name;
  Entry forward, back;
  int pixel;
};
const Form kForms[] = {
    {"C1", builtin::ippiWarpPerspective_8u_C1R, builtin::ippiWarpPerspectiveBack_8u_C1R, 1},
    {"C3", builtin::ippiWarpPerspective_8u_C3R, builtin::ippiWarpPerspectiveBack_8u_C3R, 3},
    {"C4", builtin::ippiWarpPerspective_8u_C4R, builtin::ippiWarpPerspectiveBack_8u_C4R, 4}};

TEST(PerspectiveWarp, ChecksInOrderWriteNothing) {
  const double identity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const double swapped[3][3] = {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}};  // invertible, c00 c11 = c01 c10
  const double zeroC22[3][3] = {{1, 0, 0}, {0, 1, 0}, {0.01, 0, 0}};
  const double infC22[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, INFINITY}};
  const double crossing[3][3] = {{1, 0, 0}, {0, 1, 0}, {-0.1, 0, 1}};  // w = 0 at x = 10
  const double away[3][3] = {{1, 0, 100}, {0, 1, 0}, {0, 0, 1}};
  struct Case {
    const char* what;
    bool nullSrc, nullCoeffs;
    IppiSize size;
    int step;
    IppiRect roi;
    const double (*c)[3];
    int method;
    IppStatus forward, back;
  } cases[] = {
      {"null source before size", true, false, {0, 20}, 24, {0, 0, 20, 20}, identity, 1, -8, -8},
      {"null coefficients", false, true, {20, 20}, 24, {0, 0, 20, 20}, nullptr, 1, -8, -8},
      {"size before step", false, false, {20, 0}, 0, {0, 0, 20, 20}, identity, 1, -6, -6},
      {"region origin", false, false, {20, 20}, 24, {-1, 0, 20, 20}, identity, 1, -6, -6},
      {"step before method", false, false, {20, 20}, 0, {0, 0, 20, 20}, identity, 3, -14, -14},
      {"method before coefficients", false, false, {20, 20}, 24, {0, 0, 20, 20}, swapped, 3, -22, -22},
      {"singular block", false, false, {20, 20}, 24, {0, 0, 20, 20}, swapped, 1, -56, -56},
      {"c22 zero before 29", false, false, {20, 20}, 24, {20, 0, 20, 20}, zeroC22, 1, -56, -56},
      {"c22 infinite", false, false, {20, 20}, 24, {0, 0, 20, 20}, infC22, 2, -56, -56},
      {"origin outside", false, false, {20, 20}, 24, {20, 0, 100, 20}, identity, 1, 29, 29},
      {"one column", false, false, {20, 20}, 24, {19, 0, 5, 20}, away, 1, -57, 30},
      {"improper quadrangle", false, false, {20, 20}, 24, {0, 0, 20, 20}, crossing, 4, -56, 0},
      {"beside the region", false, false, {20, 20}, 24, {0, 0, 20, 20}, away, 2, 30, 30},
  };
  std::mt19937 rng(11);
  for (const Case& k : cases)
    for (bool back : {false, true}) {
      SCOPED_TRACE(testing::Message() << k.what << (back ? " back" : " forward"));
      GuardedImage src(20, 20, 1), dst(24, 24, 1);
      src.Randomize(rng);
      dst.Randomize(rng);
      const std::vector<uint8_t> before = dst.Region();
      const Entry fn = back ? builtin::ippiWarpPerspectiveBack_8u_C1R
                            : builtin::ippiWarpPerspective_8u_C1R;
      const IppStatus want = back ? k.back : k.forward;
      EXPECT_EQ(fn(k.nullSrc ? nullptr : src.data(), k.size, k.step == 0 ? 0 : src.step(), k.roi, dst.data(),
                   dst.step(), IppiRect{0, 0, 24, 24}, k.nullCoeffs ? nullptr : k.c, k.method),
                want);
      if (want != 0) {
        EXPECT_EQ(dst.Region(), before);
      }
      EXPECT_TRUE(dst.OutsideUntouched());
    }
}

// Identity coefficients write exactly the clipped source region, each pixel from the same
// position, in both engines and with every method.
TEST(PerspectiveWarp, IdentityCopiesTheClippedRegion) {
  std::mt19937 rng(2);
  const double identity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (const Form& f : kForms)
    for (bool back : {false, true})
      for (int method : {1, 2, 4}) {
        SCOPED_TRACE(testing::Message() << f.name << (back ? " back" : " forward") << " " << method);
        GuardedImage src(20, 15, f.pixel), dst(20, 15, f.pixel);
        src.Randomize(rng);
        dst.Randomize(rng);
        const std::vector<uint8_t> before = dst.Region();
        ASSERT_EQ((back ? f.back : f.forward)(src.data(), src.size(), src.step(),
                                             IppiRect{1, 2, 25, 11}, dst.data(), dst.step(),
                                             IppiRect{0, 0, 20, 15}, identity, method),
                  ippStsNoErr);
        for (int y = 0; y < 15; ++y)
          for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 1 && y >= 2 && y <= 12;
            const uint8_t* want = inside ? src.at(x, y) : before.data() + (y * 20 + x) * f.pixel;
            ASSERT_EQ(std::memcmp(dst.at(x, y), want, f.pixel), 0) << x << "," << y;
          }
        EXPECT_TRUE(dst.OutsideUntouched());
      }
}

// A source one pixel wide: the forward warp refuses it, the back warp goes through its
// whole-region path with nearest neighbour and writes only what maps onto the column.
TEST(PerspectiveWarp, OnePixelWideSource) {
  std::mt19937 rng(4);
  const double identity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  GuardedImage src(1, 10, 1), dst(5, 10, 1);
  src.Randomize(rng);
  dst.Randomize(rng);
  const std::vector<uint8_t> before = dst.Region();
  EXPECT_EQ(builtin::ippiWarpPerspective_8u_C1R(src.data(), src.size(), src.step(),
                                                IppiRect{0, 0, 1, 10}, dst.data(), dst.step(),
                                                IppiRect{0, 0, 5, 10}, identity, 4),
            ippStsRectErr);
  EXPECT_EQ(dst.Region(), before);
  EXPECT_EQ(builtin::ippiWarpPerspectiveBack_8u_C1R(src.data(), src.size(), src.step(),
                                                    IppiRect{0, 0, 1, 10}, dst.data(),
                                                    dst.step(), IppiRect{0, 0, 5, 10}, identity, 4),
            ippStsNoErr);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(*dst.at(x, y), x == 0 ? *src.at(0, y) : before[y * 5 + x]) << x << "," << y;
}

// A mild perspective (smoothing asked): the forward warp blends its edges, the back warp
// ignores the bit.
TEST(PerspectiveWarp, SmoothingBitForwardOnly) {
  std::mt19937 rng(9);
  const double c[3][3] = {{1.0, 0.2, 3}, {-0.1, 0.9, 6}, {0.002, 0.001, 1}};
  for (bool back : {false, true}) {
    GuardedImage src(40, 40, 3), plain(60, 60, 3), smooth(60, 60, 3);
    src.Randomize(rng);
    plain.FillRegion(0);
    smooth.FillRegion(0);
    const Entry fn = back ? builtin::ippiWarpPerspectiveBack_8u_C3R
                          : builtin::ippiWarpPerspective_8u_C3R;
    ASSERT_EQ(fn(src.data(), src.size(), src.step(), IppiRect{0, 0, 40, 40}, plain.data(),
                 plain.step(), IppiRect{0, 0, 60, 60}, c, 1),
              ippStsNoErr);
    ASSERT_EQ(fn(src.data(), src.size(), src.step(), IppiRect{0, 0, 40, 40}, smooth.data(),
                 smooth.step(), IppiRect{0, 0, 60, 60}, c, static_cast<int>(0x80000001u)),
              ippStsNoErr);
    if (back) EXPECT_EQ(smooth.Region(), plain.Region());
    else EXPECT_NE(smooth.Region(), plain.Region());
  }
}

// The back warp's whole-region path against a per-pixel model: positions from running sums
// (row terms added per row, numerators and denominator per pixel, x = Nx * (1 / D)), nearest
// and linear written out from their rules. Pixels whose position leaves the clipped region
// keep their value when the checked kernels run.
struct WholeRegionCase {
  const char* what;
  double m[3][3];
  IppiRect dstRoi;
  bool expectChecked;
};

void ModelWholeRegion(GuardedImage& src, const IppiRect& roi, const WholeRegionCase& k,
                      int method, const std::vector<uint8_t>& before, int dstWidth,
                      GuardedImage& dst, int* outside) {
  const double (*m)[3] = k.m;
  const int x0 = roi.x, y0 = roi.y, x1 = roi.x + roi.width - 1, y1 = roi.y + roi.height - 1;
  const int xMax = src.width() - 1, yMax = src.height() - 1;
  const IppiRect d = k.dstRoi;
  double a = m[0][1] * d.y + m[0][2], b = m[1][1] * d.y + m[1][2], c = m[2][1] * d.y + m[2][2];
  *outside = 0;
  for (int Y = d.y; Y < d.y + d.height; ++Y) {
    double nx = m[0][0] * d.x + a, ny = m[1][0] * d.x + b, dd = m[2][0] * d.x + c;
    for (int X = d.x; X < d.x + d.width; ++X) {
      const double r = 1.0 / dd, x = nx * r, y = ny * r;
      nx += m[0][0], ny += m[1][0], dd += m[2][0];
      const bool in = x >= x0 && x <= x1 && y >= y0 && y <= y1;
      const uint8_t got = *dst.at(X, Y);
      if (!in) {
        ++*outside;
        if (k.expectChecked) {
          ASSERT_EQ(got, before[Y * dstWidth + X]) << X << "," << Y;
        }
        continue;
      }
      int want;
      if (method == 1) {
        want = *src.at(static_cast<int>(x + 0.5), static_cast<int>(y + 0.5));
      } else {
        int ix = static_cast<int>(x + 1e-07), iy = static_cast<int>(y + 1e-07);
        double fx = x - ix, fy = y - iy;
        if (ix >= xMax) ix = xMax - 1, fx = 1.0;
        if (iy >= yMax) iy = yMax - 1, fy = 1.0;
        const double p00 = *src.at(ix, iy), p01 = *src.at(ix + 1, iy);
        const double p10 = *src.at(ix, iy + 1), p11 = *src.at(ix + 1, iy + 1);
        const double upper = p00 + fx * (p01 - p00), lower = p10 + fx * (p11 - p10);
        want = static_cast<int>((upper + 0.5) + fy * (lower - upper));
      }
      ASSERT_EQ(got, want) << X << "," << Y;
    }
    a += m[0][1], b += m[1][1], c += m[2][1];
  }
}

TEST(PerspectiveWarp, WholeRegionPathChoosesItsKernels) {
  // The adjugate of each matrix sends part of the 40 x 30 source towards infinity, so the
  // back warp visits every pixel of the destination region.
  const WholeRegionCase cases[] = {
      {"corners inside, one sign", {{1, 0, 0}, {0, 1, 0}, {0.05, 0, 1}}, {0, 0, 30, 20}, false},
      {"a corner outside", {{1, 0, 0}, {0, 1, 0}, {0.05, 0, 1}}, {0, 0, 30, 40}, true},
      // Corners map to (5, 5), (15, 5), (15, 4.98), (5, 5.02), all inside, but the
      // denominator 1 - 0.1 X vanishes at X = 10: pixels there map far outside.
      {"a sign change", {{-1, 0, 5}, {-0.5, 0.01, 5}, {-0.1, 0, 1}}, {0, 0, 21, 3}, true},
  };
  std::mt19937 rng(12);
  for (const WholeRegionCase& k : cases)
    for (int method : {1, 2}) {
      SCOPED_TRACE(testing::Message() << k.what << " method " << method);
      GuardedImage src(40, 30, 1), dst(k.dstRoi.width, k.dstRoi.height, 1);
      src.Randomize(rng);
      dst.Randomize(rng);
      const std::vector<uint8_t> before = dst.Region();
      const IppiRect roi{0, 0, 40, 30};
      ASSERT_EQ(builtin::ippiWarpPerspectiveBack_8u_C1R(src.data(), src.size(), src.step(), roi,
                                                        dst.data(), dst.step(), k.dstRoi, k.m,
                                                        method),
                ippStsNoErr);
      int outside = 0;
      ModelWholeRegion(src, roi, k, method, before, k.dstRoi.width, dst, &outside);
      EXPECT_EQ(outside > 0, k.expectChecked);
      EXPECT_TRUE(dst.OutsideUntouched());
    }
}

// When the work memory cannot be had: -9 or 30, nothing written, nothing left allocated.
TEST(PerspectiveWarp, OutOfMemoryWritesNothing) {
  std::mt19937 rng(13);
  const double mild[3][3] = {{1.0, 0.1, 2}, {0.05, 1.0, 1}, {0.001, 0.0005, 1}};
  const double crossing[3][3] = {{1, 0, 0}, {0, 1, 0}, {0.05, 0, 1}};
  for (const auto* c : {mild, crossing})
    for (bool back : {false, true}) {
      GuardedImage src(40, 30, 1), dst(30, 20, 1);
      src.Randomize(rng);
      dst.Randomize(rng);
      const std::vector<uint8_t> before = dst.Region();
      const Entry fn = back ? builtin::ippiWarpPerspectiveBack_8u_C1R
                            : builtin::ippiWarpPerspective_8u_C1R;
      if (!back && c == crossing) continue;
      const int requests = allochook::ForEachFailure(
          [&] {
            return fn(src.data(), src.size(), src.step(), IppiRect{0, 0, 40, 30}, dst.data(),
                      dst.step(), IppiRect{0, 0, 30, 20}, c, 2);
          },
          [&](IppStatus status, int k, int64_t leaked) {
            EXPECT_TRUE(status == ippStsMemAllocErr || status == ippStsWrongIntersectQuad) << k;
            EXPECT_EQ(leaked, 0) << k;
            EXPECT_EQ(dst.Region(), before) << k;
          });
      EXPECT_EQ(requests, 2);
    }
}

// Against cv::warpPerspective given the destination-to-source matrix (the forward warp's
// adjugate) on a smooth image, at pixels whose source position lies two pixels inside the
// edges: linear within 1, nearest equal except at positions a hair from a half.
TEST(PerspectiveWarp, AgreesWithOpenCvInside) {
  const double m[3][3] = {{1.04, 0.03, -2.0}, {0.02, 1.05, -3.0}, {4e-4, 3e-4, 1.0}};
  const double c[3][3] = {
      {m[1][1] * m[2][2] - m[2][1] * m[1][2], m[2][1] * m[0][2] - m[0][1] * m[2][2],
       m[0][1] * m[1][2] - m[1][1] * m[0][2]},
      {m[2][0] * m[1][2] - m[1][0] * m[2][2], m[0][0] * m[2][2] - m[2][0] * m[0][2],
       m[1][0] * m[0][2] - m[0][0] * m[1][2]},
      {m[1][0] * m[2][1] - m[2][0] * m[1][1], m[2][0] * m[0][1] - m[0][0] * m[2][1],
       m[0][0] * m[1][1] - m[1][0] * m[0][1]}};
  const int w = 90, h = 70;
  for (const Form& f : kForms)
    for (bool back : {false, true})
      for (int method : {1, 2}) {
        SCOPED_TRACE(testing::Message() << f.name << (back ? " back" : " forward") << " " << method);
        const int type = CV_8UC(f.pixel);
        cv::Mat src(h, w, type), ours(h, w, type, cv::Scalar::all(0)), theirs = ours.clone();
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x)
            for (int k = 0; k < f.pixel; ++k)
              src.ptr<uint8_t>(y)[x * f.pixel + k] =
                  static_cast<uint8_t>(128 + 100 * std::sin(0.11 * x + 0.07 * y + k));
        ASSERT_EQ((back ? f.back : f.forward)(src.data, IppiSize{w, h}, static_cast<int>(src.step),
                                             IppiRect{0, 0, w, h}, ours.data,
                                             static_cast<int>(ours.step), IppiRect{0, 0, w, h},
                                             back ? m : c, method),
                  ippStsNoErr);
        const cv::Matx33d M(m[0][0], m[0][1], m[0][2], m[1][0], m[1][1], m[1][2], m[2][0],
                            m[2][1], m[2][2]);
        cv::warpPerspective(src, theirs, M, theirs.size(),
                            (method == 1 ? cv::INTER_NEAREST : cv::INTER_LINEAR) |
                                cv::WARP_INVERSE_MAP,
                            cv::BORDER_TRANSPARENT);
        int compared = 0;
        for (int Y = 0; Y < h; ++Y)
          for (int X = 0; X < w; ++X) {
            const double d = m[2][0] * X + m[2][1] * Y + m[2][2];
            const double x = (m[0][0] * X + m[0][1] * Y + m[0][2]) / d;
            const double y = (m[1][0] * X + m[1][1] * Y + m[1][2]) / d;
            if (x < 2 || y < 2 || x > w - 3 || y > h - 3) continue;
            const auto nearHalf = [](double v) { return std::fabs(v - std::floor(v) - 0.5) < 1e-3; };
            if (method == 1 && (nearHalf(x) || nearHalf(y))) continue;
            ++compared;
            for (int k = 0; k < f.pixel; ++k) {
              const int a = ours.ptr<uint8_t>(Y)[X * f.pixel + k];
              const int b = theirs.ptr<uint8_t>(Y)[X * f.pixel + k];
              ASSERT_LE(std::abs(a - b), method == 1 ? 0 : 1) << X << "," << Y << " sample " << k;
            }
          }
        EXPECT_GT(compared, w * h / 2);
      }
}

}  // namespace
