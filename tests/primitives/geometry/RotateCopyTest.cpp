// Right-angle rotations by pixel copies, through fbRotateEngine: every element type and layout
// against a plain index model (strip edges, clipping, AC4's untouched fourth element, planar
// arrays left as given), 8-bit four-channel rows at odd addresses, and float bit patterns.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "primitives/geometry/Rotate.h"
#include "primitives/geometry/RotateCopy.h"
#include "primitives/geometry/WarpFrame.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;
namespace warp = builtin::warp;

// An image of any type and layout: one guarded image for the interleaved layouts, one per
// plane for the planar ones, with the plane-pointer array the engine takes.
class AnyImage {
 public:
  AnyImage(int width, int height, int typeLayout, GuardedImage::ExactStep* exact = nullptr)
      : layout_(warp::LayoutOf(typeLayout)), element_(warp::ElementBytes(warp::TypeOf(typeLayout))) {
    const int planes = warp::PlaneCount(layout_);
    const int pixel = warp::IsPlanar(layout_) ? element_ : warp::BlendChannels(layout_) * element_;
    for (int p = 0; p < planes; ++p) {
      images_.push_back(exact ? std::make_unique<GuardedImage>(width, height, pixel, *exact)
                              : std::make_unique<GuardedImage>(width, height, pixel));
      pointers_[p] = images_.back()->data();
    }
  }
  void* arg() { return warp::IsPlanar(layout_) ? static_cast<void*>(pointers_) : images_[0]->data(); }
  int step() const { return images_[0]->step(); }
  IppiSize size() const { return images_[0]->size(); }
  void Randomize(std::mt19937& rng) {
    for (auto& im : images_) im->Randomize(rng);
  }
  std::vector<uint8_t> Bytes() {
    std::vector<uint8_t> all;
    for (auto& im : images_) {
      const std::vector<uint8_t> r = im->Region();
      all.insert(all.end(), r.begin(), r.end());
    }
    return all;
  }
  bool OutsideUntouched() {
    for (auto& im : images_)
      if (!im->OutsideUntouched()) return false;
    return true;
  }
  // Elements per pixel (planes for planar layouts), elements written, bytes per element.
  int elements() const { return warp::BlendChannels(layout_); }
  int written() const { return layout_ == warp::kAC4 ? 3 : elements(); }
  int elementBytes() const { return element_; }
  // Address of element k of pixel (x, y).
  uint8_t* at(int x, int y, int k) {
    if (warp::IsPlanar(layout_)) return images_[k]->at(x, y);
    return images_[0]->at(x, y) + k * element_;
  }
  const void* const* planes() const { return pointers_; }

 private:
  int layout_, element_;
  std::vector<std::unique_ptr<GuardedImage>> images_;
  void* pointers_[4] = {};
};

// The source pixel that a right-angle rotation with whole shifts puts on destination (X, Y).
void SourceOf(int degrees, int64_t xs, int64_t ys, int64_t X, int64_t Y, int64_t* x, int64_t* y) {
  switch (degrees) {
    case 90: *x = ys - Y, *y = X - xs; break;
    case 180: *x = xs - X, *y = ys - Y; break;
    default: *x = Y - ys, *y = xs - X; break;
  }
}

// Applies the rotation to dst pixel by pixel and returns its bytes: each destination-region
// pixel whose source lies in the clipped source region takes that pixel's written elements;
// everything else keeps its bytes.
std::vector<uint8_t> Model(AnyImage& src, IppiRect srcRoi, AnyImage& dst, IppiRect dstRoi,
                           int degrees, int64_t xs, int64_t ys) {
  const IppiSize s = src.size();
  const int64_t x1 = std::min<int64_t>(s.width - 1, int64_t{srcRoi.x} + srcRoi.width - 1);
  const int64_t y1 = std::min<int64_t>(s.height - 1, int64_t{srcRoi.y} + srcRoi.height - 1);
  for (int Y = dstRoi.y; Y < dstRoi.y + dstRoi.height; ++Y)
    for (int X = dstRoi.x; X < dstRoi.x + dstRoi.width; ++X) {
      int64_t x, y;
      SourceOf(degrees, xs, ys, X, Y, &x, &y);
      if (x < srcRoi.x || x > x1 || y < srcRoi.y || y > y1) continue;
      for (int k = 0; k < dst.written(); ++k)
        std::memcpy(dst.at(X, Y, k), src.at(static_cast<int>(x), static_cast<int>(y), k),
                    dst.elementBytes());
    }
  return dst.Bytes();
}

constexpr int kTypes[] = {warp::kType8u, warp::kType32f, warp::kType16u};
const char* const kTypeNames[] = {"8u", "32f", "16u"};

// Runs one rotation and checks it against the model, guards and plane arrays included.
void Check(int typeLayout, int degrees, IppiSize srcSize, IppiRect srcRoi, IppiSize dstSize,
           IppiRect dstRoi, int64_t xs, int64_t ys, std::mt19937& rng) {
  AnyImage src(srcSize.width, srcSize.height, typeLayout);
  AnyImage dst(dstSize.width, dstSize.height, typeLayout);
  AnyImage want(dstSize.width, dstSize.height, typeLayout);
  src.Randomize(rng);
  dst.Randomize(rng);
  // want starts as a copy of dst, then takes the model's copies.
  for (int y = 0; y < dstSize.height; ++y)
    for (int x = 0; x < dstSize.width; ++x)
      for (int k = 0; k < dst.elements(); ++k)
        std::memcpy(want.at(x, y, k), dst.at(x, y, k), dst.elementBytes());
  const std::vector<uint8_t> expected = Model(src, srcRoi, want, dstRoi, degrees, xs, ys);
  const void* srcPlanes[4], *dstPlanes[4];
  std::memcpy(srcPlanes, src.planes(), sizeof srcPlanes);
  std::memcpy(dstPlanes, dst.planes(), sizeof dstPlanes);
  ASSERT_EQ(builtin::fbRotateEngine(src.arg(), src.size(), src.step(), srcRoi, dst.arg(),
                                    dst.step(), dstRoi, typeLayout, degrees,
                                    static_cast<double>(xs), static_cast<double>(ys), 1),
            ippStsNoErr);
  ASSERT_EQ(dst.Bytes(), expected);
  EXPECT_TRUE(dst.OutsideUntouched());
  EXPECT_EQ(std::memcmp(srcPlanes, src.planes(), sizeof srcPlanes), 0);
  EXPECT_EQ(std::memcmp(dstPlanes, dst.planes(), sizeof dstPlanes), 0);
}

TEST(RotateCopy, EveryTypeAndLayoutMatchesTheIndexModelOnWholeImages) {
  std::mt19937 rng(39);
  const int sides[] = {1, 15, 16, 17, 31, 32, 33};
  for (int t = 0; t < 3; ++t)
    for (int layout = 0; layout < warp::kLayoutCount; ++layout)
      for (int w : sides)
        for (int h : sides)
          for (int degrees : {90, 180, 270}) {
            SCOPED_TRACE(testing::Message() << kTypeNames[t] << " layout " << layout << " " << w
                                            << "x" << h << " at " << degrees);
            const int tl = warp::TypeLayout(kTypes[t], layout);
            const bool quarter = degrees != 180;
            const IppiSize dstSize = quarter ? IppiSize{h, w} : IppiSize{w, h};
            const int64_t xs = degrees == 90 ? 0 : degrees == 180 ? w - 1 : h - 1;
            const int64_t ys = degrees == 90 ? w - 1 : degrees == 180 ? h - 1 : 0;
            Check(tl, degrees, {w, h}, {0, 0, w, h}, dstSize, {0, 0, dstSize.width, dstSize.height},
                  xs, ys, rng);
            if (testing::Test::HasFatalFailure()) return;
          }
}

// Pixels of 1, 3 and 4 bytes take the vector path's blocks where the target has one, pixels of
// 1, 2 and 4 bytes word blocks, and single pixels fill the edges: every target gives the
// model's bytes, and the pixels that take no block path give them beside the others.
TEST(RotateCopy, BlockedPixelsOnEveryVectorTarget) {
  std::mt19937 rng(42);
  const int sides[] = {7, 16, 17, 33, 48, 50};
  const int typeLayouts[] = {
      warp::TypeLayout(warp::kType8u, warp::kC1), warp::TypeLayout(warp::kType8u, warp::kP3),
      warp::TypeLayout(warp::kType8u, warp::kC3), warp::TypeLayout(warp::kType8u, warp::kAC4),
      warp::TypeLayout(warp::kType16u, warp::kC1), warp::TypeLayout(warp::kType32f, warp::kC1),
      warp::TypeLayout(warp::kType8u, warp::kC4)};
  imagetest::ForEachVectorTarget([&] {
    for (int tl : typeLayouts)
      for (int w : sides)
        for (int h : sides)
          for (int degrees : {90, 270}) {
            SCOPED_TRACE(testing::Message() << "code " << tl << " " << w << "x" << h << " at "
                                            << degrees);
            const int xs = degrees == 90 ? 1 : h - 2, ys = degrees == 90 ? w - 2 : 1;
            // A clipped corner: the destination region starts one pixel in.
            Check(tl, degrees, {w, h}, {0, 0, w, h}, {h + 1, w + 1}, {1, 1, h, w}, xs + 1,
                  ys + 1, rng);
            Check(tl, degrees, {w, h}, {1, 2, w, h}, {h, w}, {0, 0, h, w}, xs, ys, rng);
            if (testing::Test::HasFatalFailure()) return;
          }
  });
}

// The half turn of one- and three-byte pixels reverses whole vectors of a row: rows of every
// length around the vector widths, at odd addresses, give the index model's bytes on every
// target.
TEST(RotateCopy, HalfTurnRowsOnEveryVectorTarget) {
  std::mt19937 rng(43);
  const int widths[] = {1, 5, 6, 7, 11, 15, 16, 17, 31, 33, 63, 64, 65, 100, 129};
  imagetest::ForEachVectorTarget([&] {
    for (int layout : {warp::kC1, warp::kC3})
      for (int w : widths)
        for (int misalign : {0, 1, 3}) {
          const int pixel = layout == warp::kC1 ? 1 : 3, h = 3;
          SCOPED_TRACE(testing::Message() << "pixel " << pixel << " width " << w << " offset "
                                          << misalign);
          GuardedImage src(w, h, pixel, GuardedImage::ExactStep{w * pixel + 5, misalign});
          GuardedImage dst(w, h, pixel, GuardedImage::ExactStep{w * pixel + 2, 3 - misalign});
          src.Randomize(rng);
          dst.Randomize(rng);
          ASSERT_EQ(builtin::fbRotateEngine(src.data(), src.size(), src.step(), {0, 0, w, h},
                                            dst.data(), dst.step(), {0, 0, w, h},
                                            warp::TypeLayout(warp::kType8u, layout), 180, w - 1,
                                            h - 1, 1),
                    ippStsNoErr);
          for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
              ASSERT_EQ(std::memcmp(dst.at(x, y), src.at(w - 1 - x, h - 1 - y), pixel), 0)
                  << x << "," << y;
          EXPECT_TRUE(dst.OutsideUntouched());
        }
  });
}

// Regions that do not cover the images: a clipped source region, a destination region that
// cuts the rotated one, shifts that move it partly out.
TEST(RotateCopy, PartialRegionsMatchTheIndexModel) {
  std::mt19937 rng(40);
  std::uniform_int_distribution<int> pick(0, 1 << 20);
  int copied = 0;
  for (int t = 0; t < 3; ++t)
    for (int layout = 0; layout < warp::kLayoutCount; ++layout)
      for (int degrees : {90, 180, 270})
        for (int trial = 0; trial < 6; ++trial) {
          const int w = 5 + pick(rng) % 40, h = 5 + pick(rng) % 40;
          const IppiRect srcRoi{pick(rng) % w, pick(rng) % h, 1 + pick(rng) % 60,
                                1 + pick(rng) % 60};
          const IppiSize dstSize{6 + pick(rng) % 45, 6 + pick(rng) % 45};
          const IppiRect dstRoi{pick(rng) % 4, pick(rng) % 4, dstSize.width - 4,
                                dstSize.height - 4};
          // Shifts near those that turn the whole source onto the destination's corner.
          const int64_t xs = (degrees == 90 ? 0 : degrees == 180 ? w - 1 : h - 1) + pick(rng) % 17 - 8;
          const int64_t ys = (degrees == 90 ? w - 1 : degrees == 180 ? h - 1 : 0) + pick(rng) % 17 - 8;
          SCOPED_TRACE(testing::Message() << kTypeNames[t] << " layout " << layout << " at "
                                          << degrees << " trial " << trial);
          AnyImage probeSrc(w, h, warp::TypeLayout(kTypes[t], layout));
          AnyImage probeDst(dstSize.width, dstSize.height, warp::TypeLayout(kTypes[t], layout));
          const IppStatus status = builtin::fbRotateEngine(
              probeSrc.arg(), probeSrc.size(), probeSrc.step(), srcRoi, probeDst.arg(),
              probeDst.step(), dstRoi, warp::TypeLayout(kTypes[t], layout), degrees,
              static_cast<double>(xs), static_cast<double>(ys), 1);
          if (status == ippStsWrongIntersectROI) continue;  // covered by the status tests
          ASSERT_EQ(status, ippStsNoErr);
          ++copied;
          Check(warp::TypeLayout(kTypes[t], layout), degrees, {w, h}, srcRoi, dstSize, dstRoi, xs,
                ys, rng);
          if (testing::Test::HasFatalFailure()) return;
        }
  EXPECT_GT(copied, 3 * 6 * 3 * 6 / 2);
}

// 8u C4 rows move as 32-bit words only when both addresses allow it: rows at every offset
// from a word boundary, with steps that are not multiples of 4, give the aligned bytes.
TEST(RotateCopy, EightBitFourChannelRowsAtOddAddresses) {
  std::mt19937 rng(41);
  const int tl = warp::TypeLayout(warp::kType8u, warp::kC4);
  const int w = 37, h = 21;
  for (int degrees : {90, 180, 270}) {
    const bool quarter = degrees != 180;
    const IppiSize dstSize = quarter ? IppiSize{h, w} : IppiSize{w, h};
    const double xs = degrees == 90 ? 0 : degrees == 180 ? w - 1 : h - 1;
    const double ys = degrees == 90 ? w - 1 : degrees == 180 ? h - 1 : 0;
    GuardedImage src(w, h, 4);
    src.Randomize(rng);
    GuardedImage ref(dstSize.width, dstSize.height, 4);
    ASSERT_EQ(builtin::fbRotateEngine(src.data(), src.size(), src.step(), {0, 0, w, h},
                                      ref.data(), ref.step(), {0, 0, dstSize.width, dstSize.height},
                                      tl, degrees, xs, ys, 1),
              ippStsNoErr);
    for (int srcMis = 0; srcMis < 4; ++srcMis)
      for (int dstMis = 0; dstMis < 4; ++dstMis)
        for (int extra : {0, 1, 2, 5}) {
          SCOPED_TRACE(testing::Message() << degrees << " offsets " << srcMis << "," << dstMis
                                          << " extra " << extra);
          GuardedImage s(w, h, 4, GuardedImage::ExactStep{w * 4 + extra, srcMis});
          GuardedImage d(dstSize.width, dstSize.height, 4,
                         GuardedImage::ExactStep{dstSize.width * 4 + extra, dstMis});
          s.SetRegion(src.Region());
          d.FillRegion(0);
          ASSERT_EQ(builtin::fbRotateEngine(s.data(), s.size(), s.step(), {0, 0, w, h}, d.data(),
                                            d.step(), {0, 0, dstSize.width, dstSize.height}, tl,
                                            degrees, xs, ys, 1),
                    ippStsNoErr);
          EXPECT_EQ(d.Region(), ref.Region());
          EXPECT_TRUE(d.OutsideUntouched());
        }
  }
}

// 32-bit float samples move as bit patterns: signalling and quiet NaN payloads, negative zero
// and denormals arrive unchanged.
TEST(RotateCopy, FloatSamplesMoveAsBitPatterns) {
  const uint32_t patterns[] = {0x7f800001u, 0xffc12345u, 0x80000000u, 0x00000001u,
                               0x7fbfffffu, 0x3f800000u};
  for (int layout : {warp::kC1, warp::kC3}) {
    const int tl = warp::TypeLayout(warp::kType32f, layout);
    const int c = warp::BlendChannels(layout);
    for (int degrees : {90, 180, 270}) {
      GuardedImage src(3, 2, 4 * c), dst(2, 3, 4 * c), half(3, 2, 4 * c);
      int n = 0;
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
          for (int k = 0; k < c; ++k, ++n) std::memcpy(src.at(x, y) + 4 * k, &patterns[n % 6], 4);
      const bool quarter = degrees != 180;
      GuardedImage& out = quarter ? dst : half;
      const double xs = degrees == 90 ? 0 : degrees == 180 ? 2 : 1;
      const double ys = degrees == 90 ? 2 : degrees == 180 ? 1 : 0;
      ASSERT_EQ(builtin::fbRotateEngine(src.data(), src.size(), src.step(), {0, 0, 3, 2},
                                        out.data(), out.step(), {0, 0, out.width(), out.height()},
                                        tl, degrees, xs, ys, 1),
                ippStsNoErr);
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
          const int X = degrees == 90 ? y : degrees == 180 ? 2 - x : 1 - y;
          const int Y = degrees == 90 ? 2 - x : degrees == 180 ? 1 - y : x;
          EXPECT_EQ(std::memcmp(out.at(X, Y), src.at(x, y), 4 * c), 0)
              << degrees << " pixel " << x << "," << y;
        }
    }
  }
}

}  // namespace
