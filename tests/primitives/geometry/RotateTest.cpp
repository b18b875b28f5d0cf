// Rotations: the entries against cv::rotate at the right angles and cv::warpAffine elsewhere,
// the choice between the copy and the affine roads with their statuses, angle reduction, the
// quadrangle, shift and bound functions, and the floating-point environment the entries leave.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "primitives/geometry/Rotate.h"
#include "primitives/geometry/WarpFrame.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;
namespace warp = builtin::warp;

using RotateForm = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect,
                                 double, double, double, int);
struct Form {
  const char* name;
  RotateForm fn;
  int pixel;
};
const Form kForms[] = {{"C1", builtin::ippiRotate_8u_C1R, 1},
                       {"C3", builtin::ippiRotate_8u_C3R, 3},
                       {"C4", builtin::ippiRotate_8u_C4R, 4}};

cv::Mat Wrap(GuardedImage& im, int pixel) {
  return cv::Mat(im.height(), im.width(), CV_8UC(pixel), im.data(), im.step());
}

TEST(Rotate, RightAnglesMatchCvRotate) {
  std::mt19937 rng(7);
  struct Turn {
    double angle;
    int cvCode;
  };
  const Turn turns[] = {{90, cv::ROTATE_90_COUNTERCLOCKWISE},
                        {270, cv::ROTATE_90_CLOCKWISE},
                        {180, cv::ROTATE_180}};
  for (const Form& f : kForms)
    for (const Turn& t : turns)
      for (IppiSize s : {IppiSize{37, 23}, IppiSize{64, 48}, IppiSize{1, 9}}) {
        SCOPED_TRACE(testing::Message() << f.name << " at " << t.angle << " " << s.width << "x"
                                        << s.height);
        const int w = s.width, h = s.height;
        const bool quarter = t.angle != 180;
        GuardedImage src(w, h, f.pixel), dst(quarter ? h : w, quarter ? w : h, f.pixel);
        src.Randomize(rng);
        dst.Randomize(rng);
        const double xs = t.angle == 90 ? 0 : t.angle == 180 ? w - 1 : h - 1;
        const double ys = t.angle == 90 ? w - 1 : t.angle == 180 ? h - 1 : 0;
        ASSERT_EQ(f.fn(src.data(), src.size(), src.step(), {0, 0, w, h}, dst.data(), dst.step(),
                       {0, 0, dst.width(), dst.height()}, t.angle, xs, ys, IPPI_INTER_CUBIC),
                  ippStsNoErr);
        cv::Mat want;
        cv::rotate(Wrap(src, f.pixel), want, t.cvCode);
        EXPECT_EQ(cv::norm(Wrap(dst, f.pixel), want, cv::NORM_INF), 0.0);
        EXPECT_TRUE(dst.OutsideUntouched());
      }
}

// Which road a call takes shows in its statuses: the copy road ignores the interpolation code
// and reports a missed destination region as 29, the affine road checks the code and reports
// a miss as 30. Nothing is written on any status but 0.
TEST(Rotate, RoadChoiceAndStatuses) {
  struct Case {
    const char* what;
    double angle, xShift, yShift;
    int interpolation;
    IppiRect srcRoi, dstRoi;
    IppStatus status;
  };
  const IppiRect all{0, 0, 20, 20};
  const Case cases[] = {
      {"copy road ignores the method", 90, 10, 20, 3, all, all, ippStsNoErr},
      {"copy road ignores smoothing", 270, 19, 0, 2 | IPPI_SMOOTH_EDGE, all, all, ippStsNoErr},
      {"fractional shift takes the affine road", 90, 10.5, 20, 3, all, all,
       ippStsInterpolationErr},
      {"column 1 cannot reach row >= 0", 90, 0, 0, 1, {1, 0, 19, 20}, all,
       ippStsWrongIntersectROI},
      {"copy road misses the region", 180, -5, 19, 1, all, all, ippStsWrongIntersectROI},
      {"affine road misses the region", 180, -5.5, 19, 1, all, all, ippStsWrongIntersectQuad},
      {"region origin past the image", 90, 10, 20, 1, {20, 0, 5, 5}, all,
       ippStsWrongIntersectROI},
      {"huge positive shifts", 90, 2147483647.0, 2147483647.0, 1, all, all,
       ippStsWrongIntersectROI},
      {"huge negative shifts", 270, -2147483647.0, -2147483647.0, 1, all, all,
       ippStsWrongIntersectROI},
      {"mixed huge shifts", 180, 2147483647.0, -2147483647.0, 1, all, all,
       ippStsWrongIntersectROI},
      {"shift beyond 32 bits is never whole", 90, 4294967296.0, 0, 1, all, all,
       ippStsWrongIntersectQuad},
      {"NaN angle", std::nan(""), 0, 0, 1, all, all, ippStsCoeffErr},
  };
  std::mt19937 rng(8);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GuardedImage src(20, 20, 3), dst(20, 20, 3);
    src.Randomize(rng);
    dst.Randomize(rng);
    const std::vector<uint8_t> before = dst.Region();
    EXPECT_EQ(builtin::ippiRotate_8u_C3R(src.data(), src.size(), src.step(), c.srcRoi, dst.data(),
                                         dst.step(), c.dstRoi, c.angle, c.xShift, c.yShift,
                                         c.interpolation),
              c.status);
    if (c.status != ippStsNoErr) {
      EXPECT_EQ(dst.Region(), before);
    }
    EXPECT_TRUE(dst.OutsideUntouched());
  }
}

// The copy road's checks in order: the first failing one decides.
TEST(Rotate, CopyRoadCheckOrder) {
  uint8_t src[16 * 16] = {}, dst[16 * 16] = {};
  uint8_t* planes[4] = {dst, dst, dst, nullptr};
  const uint8_t* srcPlanes[4] = {src, src, src, src};
  const IppiSize size{16, 16};
  const IppiRect roi{0, 0, 16, 16};
  struct Case {
    const char* what;
    const void* src;
    void* dst;
    IppiSize size;
    int srcStep, dstStep;
    IppiRect srcRoi, dstRoi;
    int typeLayout;
    IppStatus status;
  };
  const int c1 = warp::TypeLayout(warp::kType8u, warp::kC1);
  const int p4 = warp::TypeLayout(warp::kType8u, warp::kP4);
  const Case cases[] = {
      {"null source before sizes", nullptr, dst, {0, 16}, 16, 16, roi, roi, c1, ippStsNullPtrErr},
      {"null destination", src, nullptr, size, 16, 16, roi, roi, c1, ippStsNullPtrErr},
      {"image width", src, dst, {0, 16}, 0, 16, roi, roi, c1, ippStsSizeErr},
      {"image height", src, dst, {16, 0}, 16, 16, roi, roi, c1, ippStsSizeErr},
      {"source x", src, dst, size, 16, 16, {-1, 0, 4, 4}, roi, c1, ippStsSizeErr},
      {"source y", src, dst, size, 16, 16, {0, -1, 4, 4}, roi, c1, ippStsSizeErr},
      {"source width", src, dst, size, 16, 16, {0, 0, 0, 4}, roi, c1, ippStsSizeErr},
      {"source height", src, dst, size, 16, 16, {0, 0, 4, 0}, roi, c1, ippStsSizeErr},
      {"destination x before steps", src, dst, size, 0, 0, roi, {-1, 0, 4, 4}, c1,
       ippStsSizeErr},
      {"destination y", src, dst, size, 16, 16, roi, {0, -1, 4, 4}, c1, ippStsSizeErr},
      {"destination width", src, dst, size, 16, 16, roi, {0, 0, 0, 4}, c1, ippStsSizeErr},
      {"destination height", src, dst, size, 16, 16, roi, {0, 0, 4, 0}, c1, ippStsSizeErr},
      {"source step", src, dst, size, 0, 16, roi, roi, c1, ippStsStepErr},
      {"destination step", src, dst, size, 16, -16, roi, roi, c1, ippStsStepErr},
      {"unknown layout", src, dst, size, 16, 16, roi, roi, 6, ippStsSizeErr},
      {"unknown type", src, dst, size, 16, 16, roi, roi, warp::TypeLayout(3, 0), ippStsSizeErr},
      {"missing fourth plane before the origin test", srcPlanes, planes, size, 16, 16,
       {16, 0, 4, 4}, roi, p4, ippStsNullPtrErr},
      {"origin past the image", src, dst, size, 16, 16, {0, 16, 4, 4}, roi, c1,
       ippStsWrongIntersectROI},
  };
  for (const Case& c : cases)
    EXPECT_EQ(builtin::fbRotateEngine(c.src, c.size, c.srcStep, c.srcRoi, c.dst, c.dstStep,
                                      c.dstRoi, c.typeLayout, 180, 15, 15, 1),
              c.status)
        << c.what;
}

TEST(Rotate, AngleReduction) {
  struct Case {
    double angle, reduced;
  };
  const Case cases[] = {{450, 90},  {-270, 90},  {-90, 270}, {720, 0},     {-360, 0},
                        {359.5, 359.5}, {-0.5, 359.5}, {1e15, 280}, {-1e15, 80},
                        {7.2e12 + 90, 90}, {-1e300, 0}};
  for (const Case& c : cases) EXPECT_EQ(builtin::fbReduceRotateAngle(c.angle), c.reduced) << c.angle;
  EXPECT_TRUE(std::isnan(builtin::fbReduceRotateAngle(std::nan(""))));
  for (double huge : {1e15, -1e15, 1e300, -1e300, 4e11}) {
    const double r = builtin::fbReduceRotateAngle(huge);
    EXPECT_TRUE(r >= 0 && r < 360) << huge;
  }
}

// A huge angle gives the quadrangle of its exact remainder (1e15 = 2777777777777 * 360 + 280);
// equal angles give equal images through the copy road.
TEST(Rotate, ReducedAnglesGiveTheSameResults) {
  double q1[4][2], q2[4][2];
  ASSERT_EQ(builtin::fbRotateQuad({2, 3, 10, 7}, q1, 1e15, 1.5, -2), ippStsNoErr);
  ASSERT_EQ(builtin::fbRotateQuad({2, 3, 10, 7}, q2, 280, 1.5, -2), ippStsNoErr);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 2; ++j) EXPECT_EQ(q1[i][j], q2[i][j]);

  std::mt19937 rng(9);
  GuardedImage src(13, 9, 1);
  src.Randomize(rng);
  struct Same {
    double angle, reference;
  };
  for (Same s : {Same{450, 90}, Same{-270, 90}, Same{-90, 270}, Same{540, 180}}) {
    GuardedImage a(13, 13, 1), b(13, 13, 1);
    a.FillRegion(0);
    b.FillRegion(0);
    const IppiRect roi{0, 0, 13, 13};
    ASSERT_EQ(builtin::ippiRotate_8u_C1R(src.data(), src.size(), src.step(), {0, 0, 13, 9},
                                         a.data(), a.step(), roi, s.angle, 2, 12, 3),
              ippStsNoErr);
    ASSERT_EQ(builtin::ippiRotate_8u_C1R(src.data(), src.size(), src.step(), {0, 0, 13, 9},
                                         b.data(), b.step(), roi, s.reference, 2, 12, 3),
              ippStsNoErr);
    EXPECT_EQ(a.Region(), b.Region()) << s.angle;
  }
}

// Angles that reduce to 0 run the affine engine under the identity plus the shifts: whole
// shifts copy the source exactly with every method.
TEST(Rotate, ZeroAngleCopiesThroughTheAffineRoad) {
  std::mt19937 rng(10);
  for (double angle : {0.0, 720.0, -360.0})
    for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC}) {
      SCOPED_TRACE(testing::Message() << angle << " method " << method);
      GuardedImage src(20, 16, 4), dst(24, 20, 4);
      src.Randomize(rng);
      dst.Randomize(rng);
      const std::vector<uint8_t> before = dst.Region();
      ASSERT_EQ(builtin::ippiRotate_8u_C4R(src.data(), src.size(), src.step(), {0, 0, 20, 16},
                                           dst.data(), dst.step(), {0, 0, 24, 20}, angle, 3, 2,
                                           method),
                ippStsNoErr);
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x) {
          const bool in = x >= 3 && x < 23 && y >= 2 && y < 18;
          const uint8_t* want = in ? src.at(x - 3, y - 2) : &before[(y * 24 + x) * 4];
          ASSERT_EQ(std::memcmp(dst.at(x, y), want, 4), 0) << x << "," << y;
        }
    }
}

// The quadrangle equals the corners under cv::getRotationMatrix2D's matrix (same sign
// convention; OpenCV does not reduce the angle); exact at the right angles.
TEST(Rotate, QuadMatchesGetRotationMatrix2D) {
  const IppiRect roi{3, 5, 40, 25};
  for (double angle : {0.0, 1.0, 30.0, -45.0, 123.4, 200.0, 300.0, 400.0, -1000.5, 89.999}) {
    const cv::Point2f centre(17.5f, -4.25f);
    const cv::Mat m = cv::getRotationMatrix2D(centre, angle, 1.0);
    double quad[4][2];
    ASSERT_EQ(builtin::fbRotateQuad(roi, quad, angle, m.at<double>(0, 2), m.at<double>(1, 2)),
              ippStsNoErr);
    const double xs[4] = {3, 42, 42, 3}, ys[4] = {5, 5, 29, 29};
    for (int i = 0; i < 4; ++i) {
      const double x = m.at<double>(0, 0) * xs[i] + m.at<double>(0, 1) * ys[i] + m.at<double>(0, 2);
      const double y = m.at<double>(1, 0) * xs[i] + m.at<double>(1, 1) * ys[i] + m.at<double>(1, 2);
      const double tol = 1e-13 * (std::fabs(x) + std::fabs(y));
      EXPECT_NEAR(quad[i][0], x, tol) << angle << " corner " << i;
      EXPECT_NEAR(quad[i][1], y, tol) << angle << " corner " << i;
    }
  }
  struct Exact {
    double angle;
    double quad[4][2];
  };
  // Corners (3, 5), (42, 5), (42, 29), (3, 29) with shifts (0.25, -0.5).
  const Exact exact[] = {
      {90, {{5.25, -3.5}, {5.25, -42.5}, {29.25, -42.5}, {29.25, -3.5}}},
      {180, {{-2.75, -5.5}, {-41.75, -5.5}, {-41.75, -29.5}, {-2.75, -29.5}}},
      {-90, {{-4.75, 2.5}, {-4.75, 41.5}, {-28.75, 41.5}, {-28.75, 2.5}}},
  };
  for (const Exact& e : exact) {
    double quad[4][2];
    ASSERT_EQ(builtin::fbRotateQuad(roi, quad, e.angle, 0.25, -0.5), ippStsNoErr);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 2; ++j) EXPECT_EQ(quad[i][j], e.quad[i][j]) << e.angle << " " << i;
  }
  double untouched[4][2] = {};
  EXPECT_EQ(builtin::fbRotateQuad({-1, 0, 4, 4}, untouched, 30, 0, 0), ippStsSizeErr);
  EXPECT_EQ(builtin::fbRotateQuad({0, 0, 4, 0}, untouched, 30, 0, 0), ippStsSizeErr);
  EXPECT_EQ(untouched[0][0], 0.0);
  // A region reaching past the 32-bit range keeps its far corner.
  ASSERT_EQ(builtin::fbRotateQuad({2147483000, 0, 2000, 1}, untouched, 180, 0, 0), ippStsNoErr);
  EXPECT_EQ(untouched[1][0], -2147484999.0);
}

// Linear rotation about the centre against cv::warpAffine: within 1 away from the edges.
TEST(Rotate, LinearAboutTheCentreMatchesWarpAffine) {
  const int w = 64, h = 48;
  GuardedImage src(w, h, 3), dst(w, h, 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c)
        src.at(x, y)[c] = static_cast<uint8_t>(128 + 100 * std::sin(0.11 * x + 0.07 * y + c));
  dst.FillRegion(0);
  const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0, angle = 30;
  double xs, ys;
  ASSERT_EQ(builtin::ippiGetRotateShift(cx, cy, angle, &xs, &ys), ippStsNoErr);
  ASSERT_EQ(builtin::ippiRotate_8u_C3R(src.data(), src.size(), src.step(), {0, 0, w, h},
                                       dst.data(), dst.step(), {0, 0, w, h}, angle, xs, ys,
                                       IPPI_INTER_LINEAR),
            ippStsNoErr);
  const cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(float(cx), float(cy)), angle, 1.0);
  cv::Mat want(h, w, CV_8UC3, cv::Scalar::all(0));
  cv::warpAffine(Wrap(src, 3), want, m, want.size(), cv::INTER_LINEAR, cv::BORDER_TRANSPARENT);
  cv::Mat inv;
  cv::invertAffineTransform(m, inv);
  int compared = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double sx = inv.at<double>(0, 0) * x + inv.at<double>(0, 1) * y + inv.at<double>(0, 2);
      const double sy = inv.at<double>(1, 0) * x + inv.at<double>(1, 1) * y + inv.at<double>(1, 2);
      if (sx < 2 || sy < 2 || sx > w - 3 || sy > h - 3) continue;
      ++compared;
      for (int c = 0; c < 3; ++c)
        ASSERT_NEAR(dst.at(x, y)[c], want.at<cv::Vec3b>(y, x)[c], 1) << x << "," << y;
    }
  EXPECT_GT(compared, w * h / 2);
}

TEST(Rotate, GetRotateShift) {
  struct Case {
    double angle, xs, ys;
  };
  for (const Case& c : {Case{90, -10, 30}, Case{180, 20, 40}, Case{270, 30, 10}, Case{360, 0, 0},
                        Case{-270, -10, 30}, Case{0, 0, 0}}) {
    double xs = 99, ys = 99;
    ASSERT_EQ(builtin::ippiGetRotateShift(10, 20, c.angle, &xs, &ys), ippStsNoErr);
    EXPECT_EQ(xs, c.xs) << c.angle;
    EXPECT_EQ(ys, c.ys) << c.angle;
  }
  for (double angle : {1.0, 30.0, -45.0, 123.4, 359.0, 1000.5}) {
    const double cx = 37.25, cy = -12.5;
    double xs, ys;
    ASSERT_EQ(builtin::ippiGetRotateShift(cx, cy, angle, &xs, &ys), ippStsNoErr);
    double quad[4][2];
    ASSERT_EQ(builtin::fbRotateQuad({0, 0, 1, 1}, quad, angle, xs, ys), ippStsNoErr);
    // The matrix maps the centre onto itself.
    const double c = std::cos(angle * M_PI / 180), s = std::sin(angle * M_PI / 180);
    EXPECT_NEAR(c * cx + s * cy + xs, cx, 1e-9) << angle;
    EXPECT_NEAR(-s * cx + c * cy + ys, cy, 1e-9) << angle;
    const cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(float(cx), float(cy)), angle, 1.0);
    EXPECT_NEAR(xs, m.at<double>(0, 2), 1e-9) << angle;
    EXPECT_NEAR(ys, m.at<double>(1, 2), 1e-9) << angle;
  }
  double out = 5;
  EXPECT_EQ(builtin::ippiGetRotateShift(1, 2, 30, nullptr, &out), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiGetRotateShift(1, 2, 30, &out, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(out, 5);
}

TEST(Rotate, GetRotateBound) {
  double bound[2][2] = {{7, 7}, {7, 7}};
  ASSERT_EQ(builtin::ippiGetRotateBound({0, 0, 10, 5}, bound, 90, 0, 0), ippStsNoErr);
  EXPECT_EQ(bound[0][0], 0);
  EXPECT_EQ(bound[0][1], -9);
  EXPECT_EQ(bound[1][0], 4);
  EXPECT_EQ(bound[1][1], 0);
  double untouched[2][2] = {{7, 7}, {7, 7}};
  EXPECT_EQ(builtin::ippiGetRotateBound({0, 0, 0, 5}, untouched, 90, 0, 0), ippStsSizeErr);
  EXPECT_EQ(builtin::ippiGetRotateBound({0, -2, 3, 5}, untouched, 30, 0, 0), ippStsSizeErr);
  for (const auto& row : untouched)
    for (double v : row) EXPECT_EQ(v, 7);
  EXPECT_EQ(builtin::ippiGetRotateBound({0, 0, 10, 5}, nullptr, 90, 0, 0), ippStsNullPtrErr);
}

TEST(Rotate, EntriesLeaveRoundingToNearest) {
  uint8_t src[4 * 4 * 4] = {}, dst[4 * 4 * 4] = {};
  for (const Form& f : kForms)
    for (double angle : {90.0, 30.0}) {
      ASSERT_EQ(std::fesetround(FE_UPWARD), 0);
      EXPECT_EQ(f.fn(src, {4, 4}, 16, {0, 0, 4, 4}, dst, 16, {0, 0, 4, 4}, angle, 0, 3, 1),
                ippStsNoErr);
      EXPECT_EQ(std::fegetround(), FE_TONEAREST) << f.name << " " << angle;
    }
  std::fesetround(FE_TONEAREST);
}

}  // namespace
