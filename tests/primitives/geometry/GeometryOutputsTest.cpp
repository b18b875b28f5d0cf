// Every geometry entry that writes through a caller's pointer, walked as tables: a null output
// answers -8 with nothing else written, and regions whose far corner or end passes INT32_MAX
// give their true results (or -6 where a family declines such a region), never wrapped ones.
// A new entry joins a table.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <vector>

#include "primitives/geometry/AffineWarp.h"
#include "primitives/geometry/Bilinear.h"
#include "primitives/geometry/BilinearWarp.h"
#include "primitives/geometry/Projective.h"
#include "primitives/geometry/ProjectiveWarp.h"
#include "primitives/geometry/QuadGeometry.h"
#include "primitives/geometry/Rotate.h"
#include "primitives/geometry/Shear.h"
#include "primitives/geometry/WarpFrame.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using namespace builtin;
using imagetest::GuardedImage;

constexpr double kCanary = -7.25;
constexpr int kMax = INT_MAX;

const double kAffine[2][3] = {{1.0, 0.1, 0.5}, {0.02, 1.0, 0.25}};
const double kPerspective[3][3] = {{1.0, 0.05, 0.5}, {0.02, 1.0, 0.25}, {0.001, 0.002, 1.0}};
const double kBilinear[2][4] = {{0.001, 1.0, 0.05, 0.5}, {0.002, 0.02, 1.0, 0.25}};
const double kIdentityPerspective[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const double kIdentityBilinear[2][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}};
const double kIdentityAffine[2][3] = {{1, 0, 0}, {0, 1, 0}};

// The quadrangle of an inclusive rectangle, corner order (x0, y0), (x1, y0), (x1, y1), (x0, y1).
struct Quad {
  double q[4][2];
};
Quad QuadOf(double x0, double y0, double x1, double y1) {
  return Quad{{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}};
}
// A block of eight doubles as the quadrangle or bound parameter of a call.
double (*AsQuad(double* o))[2] { return reinterpret_cast<double(*)[2]>(o); }

// ---- Null outputs of the parameter entries ---------------------------------------------------

// others: a block of canaries for every output of the call that is not the one under test.
struct NullRow {
  const char* name;
  std::function<IppStatus(double* others)> call;
};

TEST(GeometryOutputs, NullParameterOutputsAnswerMinus8WritingNothing) {
  const IppiRect roi{2, 3, 10, 8};
  const Quad quad = QuadOf(0, 0, 20, 12);
  const NullRow rows[] = {
      {"ippiGetShearBound", [&](double*) { return ippiGetShearBound(roi, nullptr, 0.5, 0, 0, 0); }},
      {"ippiGetRotateBound", [&](double*) { return ippiGetRotateBound(roi, nullptr, 30, 1, 2); }},
      {"ippiGetRotateShift xShift",
       [&](double* o) { return ippiGetRotateShift(4, 5, 30, nullptr, o); }},
      {"ippiGetRotateShift yShift",
       [&](double* o) { return ippiGetRotateShift(4, 5, 30, o, nullptr); }},
      {"ippiGetPerspectiveTransform",
       [&](double*) { return ippiGetPerspectiveTransform(roi, quad.q, nullptr); }},
      {"ippiGetPerspectiveBound",
       [&](double*) { return ippiGetPerspectiveBound(roi, nullptr, kPerspective); }},
      {"ippiGetBilinearTransform",
       [&](double*) { return ippiGetBilinearTransform(roi, quad.q, nullptr); }},
      {"ippiGetBilinearBound",
       [&](double*) { return ippiGetBilinearBound(roi, nullptr, kBilinear); }},
      {"fbGetShearQuad",
       [&](double*) { return fbGetShearQuad(2, 3, 10, 8, nullptr, 0.5, 0, 0, 0); }},
      {"fbRotateQuad", [&](double*) { return fbRotateQuad(roi, nullptr, 30, 1, 2); }},
      {"fbGetAffineQuad", [&](double*) { return fbGetAffineQuad(roi, nullptr, kAffine); }},
      {"fbGetPerspectiveQuad",
       [&](double*) { return fbGetPerspectiveQuad(roi, nullptr, kPerspective); }},
      {"fbBilinearQuadChecked",
       [&](double*) { return fbBilinearQuadChecked(2, 3, 10, 8, nullptr, kBilinear); }},
      // A null transform beside a good quadrangle: the quadrangle stays as it was.
      {"fbGetAffineQuad coeffs",
       [&](double* o) { return fbGetAffineQuad(roi, AsQuad(o), nullptr); }},
      {"fbGetPerspectiveQuad coeffs",
       [&](double* o) { return fbGetPerspectiveQuad(roi, AsQuad(o), nullptr); }},
      {"fbBilinearQuadChecked coeffs",
       [&](double* o) { return fbBilinearQuadChecked(2, 3, 10, 8, AsQuad(o), nullptr); }},
  };
  for (const NullRow& r : rows) {
    double others[16];
    for (double& v : others) v = kCanary;
    EXPECT_EQ(r.call(others), ippStsNullPtrErr) << r.name;
    for (double v : others) EXPECT_EQ(v, kCanary) << r.name << " wrote another output";
  }
}

// ---- Null destinations of the image entries and engines ----------------------------------------

using ImageCall = std::function<IppStatus(const void* src, IppiSize srcSize, int srcStep,
                                          IppiRect srcRoi, void* dst, int dstStep,
                                          IppiRect dstRoi)>;
struct ImageEntry {
  const char* name;
  int channels;
  bool forward;  // writes only what the source region's quadrangle covers
  ImageCall call;
};

template <typename Fn, typename... Extra>
ImageCall Bind8u(Fn fn, Extra... extra) {
  return [=](const void* s, IppiSize ss, int sst, IppiRect sr, void* d, int dst, IppiRect dr) {
    return fn(static_cast<const Ipp8u*>(s), ss, sst, sr, static_cast<Ipp8u*>(d), dst, dr,
              extra...);
  };
}

std::vector<ImageEntry> ImageEntries() {
  const int linear = IPPI_INTER_LINEAR;
  return {
      {"ippiShear_8u_C1R", 1, true, Bind8u(ippiShear_8u_C1R, 0.1, 0.0, 0.0, 0.0, linear)},
      {"ippiShear_8u_C3R", 3, true, Bind8u(ippiShear_8u_C3R, 0.1, 0.0, 0.0, 0.0, linear)},
      {"ippiShear_8u_C4R", 4, true, Bind8u(ippiShear_8u_C4R, 0.1, 0.0, 0.0, 0.0, linear)},
      {"ippiRotate_8u_C1R 3 deg", 1, true, Bind8u(ippiRotate_8u_C1R, 3.0, 1.0, 0.0, linear)},
      {"ippiRotate_8u_C3R 3 deg", 3, true, Bind8u(ippiRotate_8u_C3R, 3.0, 1.0, 0.0, linear)},
      {"ippiRotate_8u_C4R 3 deg", 4, true, Bind8u(ippiRotate_8u_C4R, 3.0, 1.0, 0.0, linear)},
      {"ippiRotate_8u_C1R 90 deg", 1, true, Bind8u(ippiRotate_8u_C1R, 90.0, 0.0, 7.0, linear)},
      {"ippiRotate_8u_C4R 90 deg", 4, true, Bind8u(ippiRotate_8u_C4R, 90.0, 0.0, 7.0, linear)},
      {"ippiWarpPerspective_8u_C1R", 1, true,
       Bind8u(ippiWarpPerspective_8u_C1R, kPerspective, linear)},
      {"ippiWarpPerspective_8u_C3R", 3, true,
       Bind8u(ippiWarpPerspective_8u_C3R, kPerspective, linear)},
      {"ippiWarpPerspective_8u_C4R", 4, true,
       Bind8u(ippiWarpPerspective_8u_C4R, kPerspective, linear)},
      {"ippiWarpPerspectiveBack_8u_C1R", 1, false,
       Bind8u(ippiWarpPerspectiveBack_8u_C1R, kPerspective, linear)},
      {"ippiWarpPerspectiveBack_8u_C3R", 3, false,
       Bind8u(ippiWarpPerspectiveBack_8u_C3R, kPerspective, linear)},
      {"ippiWarpPerspectiveBack_8u_C4R", 4, false,
       Bind8u(ippiWarpPerspectiveBack_8u_C4R, kPerspective, linear)},
      {"ippiWarpBilinear_8u_C1R", 1, true, Bind8u(ippiWarpBilinear_8u_C1R, kBilinear, linear)},
      {"ippiWarpBilinear_8u_C3R", 3, true, Bind8u(ippiWarpBilinear_8u_C3R, kBilinear, linear)},
      {"ippiWarpBilinear_8u_C4R", 4, true, Bind8u(ippiWarpBilinear_8u_C4R, kBilinear, linear)},
      {"ippiWarpBilinearBack_8u_C1R", 1, false,
       Bind8u(ippiWarpBilinearBack_8u_C1R, kBilinear, linear)},
      {"ippiWarpBilinearBack_8u_C3R", 3, false,
       Bind8u(ippiWarpBilinearBack_8u_C3R, kBilinear, linear)},
      {"ippiWarpBilinearBack_8u_C4R", 4, false,
       Bind8u(ippiWarpBilinearBack_8u_C4R, kBilinear, linear)},
  };
}

using EngineCall = std::function<IppStatus(const void* src, IppiSize srcSize, int srcStep,
                                           IppiRect srcRoi, void* dst, int dstStep,
                                           IppiRect dstRoi, int typeLayout)>;
struct Engine {
  const char* name;
  EngineCall call;
};

std::vector<Engine> Engines() {
  const int linear = IPPI_INTER_LINEAR;
  return {
      {"fbAffineWarpEngine",
       [=](const void* s, IppiSize ss, int sst, IppiRect sr, void* d, int dst, IppiRect dr,
           int tl) { return fbAffineWarpEngine(s, ss, sst, sr, d, dst, dr, tl, kAffine, linear); }},
      {"fbRotateEngine 3 deg",
       [=](const void* s, IppiSize ss, int sst, IppiRect sr, void* d, int dst, IppiRect dr,
           int tl) { return fbRotateEngine(s, ss, sst, sr, d, dst, dr, tl, 3, 1, 0, linear); }},
      {"fbRotateEngine 90 deg",
       [=](const void* s, IppiSize ss, int sst, IppiRect sr, void* d, int dst, IppiRect dr,
           int tl) { return fbRotateEngine(s, ss, sst, sr, d, dst, dr, tl, 90, 0, 7, linear); }},
      {"fbWarpPerspectiveEngine",
       [=](const void* s, IppiSize ss, int sst, IppiRect sr, void* d, int dst, IppiRect dr,
           int tl) {
         return fbWarpPerspectiveEngine(s, ss, sst, sr, d, dst, dr, tl, kPerspective, linear);
       }},
      {"fbWarpPerspectiveBackEngine",
       [=](const void* s, IppiSize ss, int sst, IppiRect sr, void* d, int dst, IppiRect dr,
           int tl) {
         return fbWarpPerspectiveBackEngine(s, ss, sst, sr, d, dst, dr, tl, kPerspective, linear);
       }},
      {"fbWarpBilinearEngine",
       [=](const void* s, IppiSize ss, int sst, IppiRect sr, void* d, int dst, IppiRect dr,
           int tl) {
         return fbWarpBilinearEngine(s, ss, sst, sr, d, dst, dr, tl, kBilinear, linear);
       }},
      {"fbWarpBilinearBackEngine",
       [=](const void* s, IppiSize ss, int sst, IppiRect sr, void* d, int dst, IppiRect dr,
           int tl) {
         return fbWarpBilinearBackEngine(s, ss, sst, sr, d, dst, dr, tl, kBilinear, linear);
       }},
  };
}

TEST(GeometryOutputs, NullDestinationsAnswerMinus8WritingNothing) {
  std::mt19937 rng(47);
  const IppiRect roi{0, 0, 8, 8};
  for (const ImageEntry& e : ImageEntries()) {
    GuardedImage src(8, 8, e.channels);
    src.Randomize(rng);
    EXPECT_EQ(e.call(src.data(), src.size(), src.step(), roi, nullptr, 8 * e.channels, roi),
              ippStsNullPtrErr)
        << e.name;
  }
  // Planar images: one destination plane missing, the others untouched.
  for (const Engine& e : Engines())
    for (int layout : {warp::kP3, warp::kP4}) {
      const int planes = warp::PlaneCount(layout);
      for (int missing = 0; missing < planes; ++missing) {
        SCOPED_TRACE(testing::Message() << e.name << " planes " << planes << " missing " << missing);
        std::deque<GuardedImage> src, dst;
        for (int p = 0; p < planes; ++p) {
          src.emplace_back(8, 8, 1);
          dst.emplace_back(8, 8, 1);
          src.back().Randomize(rng);
          dst.back().Randomize(rng);
        }
        const void* srcPlanes[4] = {};
        void* dstPlanes[4] = {};
        std::vector<std::vector<uint8_t>> before;
        for (int p = 0; p < planes; ++p) {
          srcPlanes[p] = src[p].data();
          dstPlanes[p] = p == missing ? nullptr : dst[p].data();
          before.push_back(dst[p].Region());
        }
        EXPECT_EQ(e.call(srcPlanes, src[0].size(), src[0].step(), roi, dstPlanes, dst[0].step(),
                         roi, warp::TypeLayout(warp::kType8u, layout)),
                  ippStsNullPtrErr);
        for (int p = 0; p < planes; ++p) {
          EXPECT_EQ(dst[p].Region(), before[p]) << "plane " << p;
          EXPECT_TRUE(dst[p].OutsideUntouched());
        }
      }
    }
}

// ---- Regions past the 32-bit range ---------------------------------------------------------------

constexpr IppiRect kBeyond{1 << 30, 0, kMax, 10};         // x + width - 1 = 3221225470
constexpr IppiRect kFarthest{kMax, kMax, kMax, kMax};      // far corner 2^32 - 3 on both axes
constexpr IppiRect kWhole{0, 0, kMax, kMax};               // far corner INT32_MAX - 1
constexpr double kBeyondEnd = 3221225470.0, kFarthestEnd = 4294967293.0;

// A bound or quadrangle entry on one region: its status and output (bound: 4 values, quad: 8).
struct EdgeRow {
  const char* name;
  IppiRect roi;
  std::function<IppStatus(IppiRect, double*)> call;
  IppStatus status;
  std::vector<double> out;  // empty: nothing written
};

TEST(GeometryOutputs, RegionsPastTheInt32RangeGiveTrueBoundsAndQuads) {
  const auto shearBound = [](double xShear) {
    return [=](IppiRect r, double* o) {
      return ippiGetShearBound(r, AsQuad(o), xShear, 0, 0, 0);
    };
  };
  const auto rotateBound = [](double angle) {
    return [=](IppiRect r, double* o) {
      return ippiGetRotateBound(r, AsQuad(o), angle, 0, 0);
    };
  };
  const auto perspectiveBound = [](IppiRect r, double* o) {
    return ippiGetPerspectiveBound(r, AsQuad(o), kIdentityPerspective);
  };
  const auto bilinearBound = [](IppiRect r, double* o) {
    return ippiGetBilinearBound(r, AsQuad(o), kIdentityBilinear);
  };
  const auto shearQuad = [](IppiRect r, double* o) {
    return fbGetShearQuad(r.x, r.y, r.width, r.height, AsQuad(o), 0, 0,
                          0, 0);
  };
  const auto rotateQuad = [](IppiRect r, double* o) {
    return fbRotateQuad(r, AsQuad(o), 0, 0, 0);
  };
  const auto affineQuad = [](IppiRect r, double* o) {
    return fbGetAffineQuad(r, AsQuad(o), kIdentityAffine);
  };
  const auto perspectiveQuad = [](IppiRect r, double* o) {
    return fbGetPerspectiveQuad(r, AsQuad(o), kIdentityPerspective);
  };
  const auto bilinearQuad = [](IppiRect r, double* o) {
    return fbBilinearQuadChecked(r.x, r.y, r.width, r.height, AsQuad(o),
                                 kIdentityBilinear);
  };
  // Coefficients that take every point to (5, 7): a degenerate quadrangle, -56 with its box
  // written, before the far corner is looked at.
  const double pointPerspective[3][3] = {{0, 0, 5}, {0, 0, 7}, {0, 0, 1}};
  const double pointBilinear[2][4] = {{0, 0, 0, 5}, {0, 0, 0, 7}};
  const auto perspectiveBoundPoint = [&](IppiRect r, double* o) {
    return ippiGetPerspectiveBound(r, AsQuad(o), pointPerspective);
  };
  const auto bilinearBoundPoint = [&](IppiRect r, double* o) {
    return ippiGetBilinearBound(r, AsQuad(o), pointBilinear);
  };
  const auto perspectiveQuadPoint = [&](IppiRect r, double* o) {
    return fbGetPerspectiveQuad(r, AsQuad(o), pointPerspective);
  };
  const auto bilinearQuadPoint = [&](IppiRect r, double* o) {
    return fbBilinearQuadChecked(r.x, r.y, r.width, r.height, AsQuad(o), pointBilinear);
  };
  const std::vector<double> pointBox{5, 7, 5, 7};
  const std::vector<double> pointQuad{5, 7, 5, 7, 5, 7, 5, 7};
  const double x0 = 1 << 30, f = kFarthestEnd, m = kMax;
  const std::vector<double> beyondBox{x0, 0, kBeyondEnd, 9};
  const std::vector<double> beyondQuad{x0, 0, kBeyondEnd, 0, kBeyondEnd, 9, x0, 9};
  const std::vector<double> wholeBox{0, 0, m - 1, m - 1};
  const std::vector<double> wholeQuad{0, 0, m - 1, 0, m - 1, m - 1, 0, m - 1};
  const EdgeRow rows[] = {
      {"ippiGetShearBound", kBeyond, shearBound(0), ippStsNoErr, beyondBox},
      {"ippiGetShearBound", kWhole, shearBound(0), ippStsNoErr, wholeBox},
      {"ippiGetShearBound 0.5", kFarthest, shearBound(0.5), ippStsNoErr,
       {m * 1.5, m, f * 1.5, f}},
      {"ippiGetRotateBound", kBeyond, rotateBound(0), ippStsNoErr, beyondBox},
      {"ippiGetRotateBound", kWhole, rotateBound(0), ippStsNoErr, wholeBox},
      {"ippiGetRotateBound 90", kFarthest, rotateBound(90), ippStsNoErr, {m, -f, f, -m}},
      {"ippiGetPerspectiveBound", kBeyond, perspectiveBound, ippStsSizeErr, {}},
      {"ippiGetPerspectiveBound", kWhole, perspectiveBound, ippStsNoErr, wholeBox},
      {"ippiGetBilinearBound", kBeyond, bilinearBound, ippStsSizeErr, {}},
      {"ippiGetBilinearBound", kWhole, bilinearBound, ippStsNoErr, wholeBox},
      {"fbGetShearQuad", kBeyond, shearQuad, ippStsNoErr, beyondQuad},
      {"fbRotateQuad", kBeyond, rotateQuad, ippStsNoErr, beyondQuad},
      {"fbGetAffineQuad", kBeyond, affineQuad, ippStsNoErr, beyondQuad},
      {"fbGetAffineQuad", kFarthest, affineQuad, ippStsNoErr, {m, m, f, m, f, f, m, f}},
      {"fbGetPerspectiveQuad", kBeyond, perspectiveQuad, ippStsSizeErr, {}},
      {"fbGetPerspectiveQuad", kWhole, perspectiveQuad, ippStsNoErr, wholeQuad},
      {"fbBilinearQuadChecked", kBeyond, bilinearQuad, ippStsSizeErr, {}},
      {"fbBilinearQuadChecked", kWhole, bilinearQuad, ippStsNoErr, wholeQuad},
      {"ippiGetPerspectiveBound to a point", kBeyond, perspectiveBoundPoint, ippStsCoeffErr,
       pointBox},
      {"ippiGetBilinearBound to a point", kBeyond, bilinearBoundPoint, ippStsCoeffErr, pointBox},
      {"fbGetPerspectiveQuad to a point", kBeyond, perspectiveQuadPoint, ippStsCoeffErr,
       pointQuad},
      {"fbBilinearQuadChecked to a point", kBeyond, bilinearQuadPoint, ippStsCoeffErr,
       pointQuad},
  };
  for (const EdgeRow& r : rows) {
    SCOPED_TRACE(testing::Message() << r.name << " on {" << r.roi.x << ", " << r.roi.y << ", "
                                    << r.roi.width << ", " << r.roi.height << "}");
    double out[8];
    for (double& v : out) v = kCanary;
    EXPECT_EQ(r.call(r.roi, out), r.status);
    for (size_t i = 0; i < 8; ++i)
      EXPECT_EQ(out[i], i < r.out.size() ? r.out[i] : kCanary) << "value " << i;
  }
}

// The transforms from a region's own rectangle: the identity where the family takes such a
// region (bilinear, in doubles), -6 with nothing written where it does not (perspective).
TEST(GeometryOutputs, TransformsOfRegionsPastTheInt32Range) {
  const Quad quad = QuadOf(1 << 30, 0, kBeyondEnd, 9);
  double perspective[3][3];
  for (auto& row : perspective)
    for (double& v : row) v = kCanary;
  EXPECT_EQ(ippiGetPerspectiveTransform(kBeyond, quad.q, perspective), ippStsSizeErr);
  for (auto& row : perspective)
    for (double v : row) EXPECT_EQ(v, kCanary);

  double c[2][4];
  ASSERT_EQ(ippiGetBilinearTransform(kBeyond, quad.q, c), ippStsNoErr);
  for (const auto& p : quad.q) {
    const double x = p[0], y = p[1];
    EXPECT_NEAR(((c[0][0] * x * y + c[0][1] * x) + c[0][2] * y) + c[0][3], x, 1e-6);
    EXPECT_NEAR(((c[1][0] * x * y + c[1][1] * x) + c[1][2] * y) + c[1][3], y, 1e-6);
  }

  // Regions that fit: the perspective identity comes back.
  const Quad whole = QuadOf(0, 0, kMax - 1.0, kMax - 1.0);
  ASSERT_EQ(ippiGetPerspectiveTransform(kWhole, whole.q, perspective), ippStsNoErr);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(perspective[i][j], i == j ? 1.0 : 0.0, 1e-12);
}

// Image entries: a source region reaching past INT32_MAX is clipped to the image, and a forward
// warp's destination region ending past it covers what the quadrangle covers; both give the
// bytes of the in-range call. A region origin at INT32_MAX lies outside the image: 29.
TEST(GeometryOutputs, ImageRegionsPastTheInt32RangeAreClipped) {
  std::mt19937 rng(4747);
  for (const ImageEntry& e : ImageEntries()) {
    SCOPED_TRACE(e.name);
    GuardedImage src(8, 8, e.channels);
    src.Randomize(rng);
    GuardedImage start(10, 10, e.channels);
    start.Randomize(rng);
    const auto run = [&](IppiRect srcRoi, IppiRect dstRoi, IppStatus* status) {
      GuardedImage dst(10, 10, e.channels);
      dst.SetRegion(start.Region());
      *status = e.call(src.data(), src.size(), src.step(), srcRoi, dst.data(), dst.step(), dstRoi);
      EXPECT_TRUE(dst.OutsideUntouched());
      return dst.Region();
    };
    IppStatus status;
    const auto reference = run({0, 0, 8, 8}, {2, 2, 8, 8}, &status);
    ASSERT_EQ(status, ippStsNoErr);
    ASSERT_NE(reference, start.Region()) << "the in-range call wrote nothing";
    EXPECT_EQ(run(kWhole, {2, 2, 8, 8}, &status), reference);
    EXPECT_EQ(status, ippStsNoErr);
    EXPECT_EQ(run({0, 0, kMax, 8}, {2, 2, 8, 8}, &status), reference);
    EXPECT_EQ(status, ippStsNoErr);
    if (e.forward) {
      // The work memory follows what the quadrangle covers, not the region's width.
      for (const IppiRect srcRoi : {IppiRect{0, 0, 8, 8}, kWhole}) {
        EXPECT_EQ(run(srcRoi, {2, 2, kMax, kMax}, &status), reference);
        EXPECT_EQ(status, ippStsNoErr);
      }
    }
    EXPECT_EQ(run(kFarthest, {2, 2, 8, 8}, &status), start.Region());
    EXPECT_EQ(status, ippStsWrongIntersectROI);
  }
}

}  // namespace
