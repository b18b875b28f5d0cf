// Remap: the entries' statuses and clipping, every kernel of the table against a plain model on
// guarded images, the edges of the linear and cubic windows, and OpenCV on a smooth image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <vector>

#include "primitives/geometry/WarpFrame.h"
#include "primitives/resampling/Remap.h"
#include "primitives/resampling/RemapKernels.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Two maps of width x height floats on guarded rows.
struct Maps {
  GuardedImage x, y;
  Maps(int width, int height) : x(width, height, 4), y(width, height, 4) {}
  void Set(int j, int i, float sx, float sy) {
    std::memcpy(x.at(j, i), &sx, 4);
    std::memcpy(y.at(j, i), &sy, 4);
  }
  const Ipp32f* px() { return reinterpret_cast<const Ipp32f*>(x.data()); }
  const Ipp32f* py() { return reinterpret_cast<const Ipp32f*>(y.data()); }
};

// An image of one table row's type and layout: one guarded image, or one per plane.
struct Image {
  bool f32, planar;
  int stride, channels, planes, size;
  std::vector<std::unique_ptr<GuardedImage>> parts;
  std::vector<uint8_t*> pointers;

  Image(int typeLayout, int width, int height) {
    using namespace builtin::warp;
    const int layout = LayoutOf(typeLayout);
    f32 = TypeOf(typeLayout) == kType32f;
    size = f32 ? 4 : 1;
    planar = IsPlanar(layout);
    planes = PlaneCount(layout);
    stride = layout == kC1 ? 1 : layout == kC3 ? 3 : planar ? 1 : 4;
    channels = layout == kC1 ? 1 : (layout == kC3 || layout == kAC4 || layout == kP3) ? 3 : 4;
    for (int k = 0; k < planes; ++k) {
      parts.push_back(std::make_unique<GuardedImage>(width, height, stride * size));
      pointers.push_back(parts.back()->data());
    }
  }
  int step() const { return parts[0]->step(); }
  void* arg() { return planar ? static_cast<void*>(pointers.data()) : pointers[0]; }
  uint8_t* At(int c, int x, int y) {
    return planar ? parts[c]->at(x, y) : parts[0]->at(x, y) + c * size;
  }
  // Every sample of the image (planes too), AC4's fourth included.
  int SampleCount() const { return planar ? planes : stride; }
  double Get(int c, int x, int y) {
    if (!f32) return *At(c, x, y);
    float v;
    std::memcpy(&v, At(c, x, y), 4);
    return v;
  }
  void Put(int c, int x, int y, double v) {
    if (!f32) {
      *At(c, x, y) = static_cast<uint8_t>(v);
    } else {
      const float f = static_cast<float>(v);
      std::memcpy(At(c, x, y), &f, 4);
    }
  }
  void Randomize(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_real_distribution<float> real(-20.0f, 300.0f);
    for (auto& p : parts)
      for (int y = 0; y < p->height(); ++y)
        for (int x = 0; x < p->width(); ++x)
          for (int c = 0; c < (planar ? 1 : stride); ++c) {
            if (f32) {
              const float f = real(rng);
              std::memcpy(p->at(x, y) + 4 * c, &f, 4);
            } else {
              p->at(x, y)[c] = static_cast<uint8_t>(byte(rng));
            }
          }
  }
  std::vector<uint8_t> Bytes() {
    std::vector<uint8_t> all;
    for (auto& p : parts) {
      const std::vector<uint8_t> r = p->Region();
      all.insert(all.end(), r.begin(), r.end());
    }
    return all;
  }
  bool GuardsKept() {
    for (auto& p : parts)
      if (!p->OutsideUntouched()) return false;
    return true;
  }
};

// The plain model: one destination pixel from (x, y) by the given method, written into dst.
struct Bounds {
  int left, top, right, bottom, xMax, yMax;
};

double CubicWeight(int k, double t) {
  const double t2 = t * t, t3 = t2 * t;
  switch (k) {
    case 0: return t2 * 0.5 + t3 * (-1.0 / 6.0) - t * (1.0 / 3.0);
    case 1: return t3 * 0.5 + 1.0 - t2 + t * -0.5;
    case 2: return t + t2 * 0.5 + t3 * -0.5;
    default: return t3 * (1.0 / 6.0) - t * (1.0 / 6.0);
  }
}

void ModelPixel(Image& src, Image& dst, int j, int i, float x, float y, int method,
                const Bounds& b) {
  if (!(x >= b.left && x <= b.right && y >= b.top && y <= b.bottom)) return;
  for (int c = 0; c < dst.channels; ++c) {
    if (method == 1) {
      const int xn = static_cast<int>(static_cast<double>(x) + 0.5);
      const int yn = static_cast<int>(static_cast<double>(y) + 0.5);
      if (src.f32) {
        std::memcpy(dst.At(c, j, i), src.At(c, xn, yn), 4);  // bits, NaN included
      } else {
        dst.Put(c, j, i, src.Get(c, xn, yn));
      }
    } else if (method == 2) {
      auto axis = [](double s, int max, int* idx, double* f) {
        *idx = static_cast<int>(s + 1e-07);
        if (*idx < max) {
          *f = s - *idx;
        } else {
          *idx = max - 1;
          *f = 1.0;
        }
      };
      int xi, yi;
      double fx, fy;
      axis(x, b.xMax, &xi, &fx);
      axis(y, b.yMax, &yi, &fy);
      const double p00 = src.Get(c, xi, yi), p01 = src.Get(c, xi + 1, yi);
      const double p10 = src.Get(c, xi, yi + 1), p11 = src.Get(c, xi + 1, yi + 1);
      const double top = p00 + fx * (p01 - p00), bottom = p10 + fx * (p11 - p10);
      if (src.f32) dst.Put(c, j, i, top + fy * (bottom - top));
      else dst.Put(c, j, i, static_cast<int>((top + 0.5) + fy * (bottom - top)));
    } else {
      auto start = [](double s, int max) {
        const int n = static_cast<int>(s + 1e-07);
        return n >= max - 1 ? max - 3 : n <= 0 ? 0 : n - 1;
      };
      const int xs = start(x, b.xMax), ys = start(y, b.yMax);
      const float fx = static_cast<float>(x - xs - 1.0), fy = static_cast<float>(y - ys - 1.0);
      double h[4];
      for (int r = 0; r < 4; ++r) {
        h[r] = 0.0;
        for (int k = 0; k < 4; ++k) h[r] += CubicWeight(k, fx) * src.Get(c, xs + k, ys + r);
      }
      double v = 0.0;
      for (int r = 0; r < 4; ++r) v += CubicWeight(r, fy) * h[r];
      if (src.f32) dst.Put(c, j, i, v);
      else dst.Put(c, j, i, v > 255.0 ? 255 : v >= 0.0 ? static_cast<int>(v + 0.5) : 0);
    }
  }
}

void RunKernel(int entry, Image& src, Image& dst, Maps& maps, int width, int height,
               const Bounds& b) {
  builtin::fbRemapKernelTable[entry](src.arg(), src.step(), dst.arg(), dst.step(), maps.px(),
                                     maps.x.step(), maps.py(), maps.y.step(), width, height,
                                     b.left, b.top, b.right, b.bottom, b.xMax, b.yMax);
}

TEST(Remap, TableRowsAndNames) {
  using namespace builtin::warp;
  const int expected[12][2] = {{kType8u, kC1},  {kType8u, kC3},  {kType8u, kAC4},
                               {kType8u, kP3},  {kType32f, kC1}, {kType32f, kC3},
                               {kType32f, kAC4}, {kType32f, kP3}, {kType8u, kC4},
                               {kType8u, kP4},  {kType32f, kC4}, {kType32f, kP4}};
  for (int row = 0; row < 12; ++row) {
    const int tl = TypeLayout(expected[row][0], expected[row][1]);
    EXPECT_EQ(builtin::fbRemapRowTypeLayout(row), tl) << row;
    EXPECT_EQ(builtin::fbRemapRowOf(tl), row);
  }
  EXPECT_EQ(builtin::fbRemapRowOf(TypeLayout(kType16u, kC1)), -1);
  EXPECT_STREQ(builtin::fbRemapKernelNames[0], "fbRemapNN8uC1");
  EXPECT_STREQ(builtin::fbRemapKernelNames[2 * 3 + 1], "fbRemapLinear8uAC4");
  EXPECT_STREQ(builtin::fbRemapKernelNames[11 * 3 + 2], "fbRemapCubic32fP4");
}

// Every kernel against the model on random positions: inside and outside the region, NaN,
// whole and half-way values, the image's last row and column. Source and maps are guarded
// (a read outside them stops the test under AddressSanitizer), the destination's guards and
// AC4's fourth samples must keep their bytes.
TEST(Remap, EveryKernelEqualsTheModel) {
  std::mt19937 rng(43);
  const int sw = 13, sh = 11, dw = 23, dh = 9;
  const Bounds regions[] = {
      {0, 0, sw - 1, sh - 1, sw - 1, sh - 1},  // the whole image
      {2, 3, 8, 7, sw - 1, sh - 1},            // inside, reaching neighbours past its edges
      {5, 1, sw - 1, sh - 1, sw - 1, sh - 1},  // ending at the image's edges
  };
  for (int entry = 0; entry < builtin::kRemapKernelCount; ++entry) {
    const int typeLayout = builtin::fbRemapRowTypeLayout(entry / 3);
    const int method = entry % 3 == 0 ? 1 : entry % 3 == 1 ? 2 : 4;
    for (const Bounds& b : regions) {
      SCOPED_TRACE(std::string(builtin::fbRemapKernelNames[entry]) + " region " +
                   std::to_string(b.left) + "," + std::to_string(b.top));
      Image src(typeLayout, sw, sh), dst(typeLayout, dw, dh), want(typeLayout, dw, dh);
      src.Randomize(rng);
      if (src.f32 && method == 1) src.Put(0, 4, 4, std::nan(""));  // copied as bits
      dst.Randomize(rng);
      for (int k = 0; k < dst.planes; ++k) want.parts[k]->SetRegion(dst.parts[k]->Region());
      Maps maps(dw, dh);
      std::uniform_real_distribution<float> pos(-1.5f, sw + 0.5f), half(0, 2 * sw);
      for (int i = 0; i < dh; ++i)
        for (int j = 0; j < dw; ++j) {
          float x = pos(rng), y = pos(rng) * (sh / static_cast<float>(sw));
          switch ((i * dw + j) % 7) {
            case 0: x = std::floor(half(rng)) * 0.5f; break;
            case 1: y = static_cast<float>(std::floor(half(rng) * sh / sw) * 0.5); break;
            case 2: x = static_cast<float>(b.right); break;
            case 3: y = static_cast<float>(sh - 1); break;
            case 4: if (j % 3 == 0) x = kNaN; else if (j % 3 == 1) y = kNaN; break;
            case 5: if (j % 2 == 0) x = 0.99999994f; else y = 0.99999994f; break;  // cell from 1
            default: break;
          }
          maps.Set(j, i, x, y);
          ModelPixel(src, want, j, i, x, y, method, b);
        }
      RunKernel(entry, src, dst, maps, dw, dh, b);
      EXPECT_EQ(dst.Bytes(), want.Bytes());
      EXPECT_TRUE(dst.GuardsKept());
    }
  }
}

// Identity maps over the whole image give the image back (float cubic within rounding: its
// weights at whole fractions are not exactly 0 and 1).
TEST(Remap, IdentityMapsReproduceTheSource) {
  std::mt19937 rng(7);
  const int w = 9, h = 6;
  Maps maps(w, h);
  for (int i = 0; i < h; ++i)
    for (int j = 0; j < w; ++j) maps.Set(j, i, static_cast<float>(j), static_cast<float>(i));
  for (int entry = 0; entry < builtin::kRemapKernelCount; ++entry) {
    SCOPED_TRACE(builtin::fbRemapKernelNames[entry]);
    const int typeLayout = builtin::fbRemapRowTypeLayout(entry / 3);
    Image src(typeLayout, w, h), dst(typeLayout, w, h);
    src.Randomize(rng);
    dst.Randomize(rng);
    RunKernel(entry, src, dst, maps, w, h, Bounds{0, 0, w - 1, h - 1, w - 1, h - 1});
    for (int i = 0; i < h; ++i)
      for (int j = 0; j < w; ++j)
        for (int c = 0; c < src.channels; ++c) {
          if (src.f32 && entry % 3 == 2)
            EXPECT_NEAR(dst.Get(c, j, i), src.Get(c, j, i), 1e-3) << j << "," << i;
          else
            EXPECT_EQ(dst.Get(c, j, i), src.Get(c, j, i)) << j << "," << i;
        }
  }
}

// Linear on floats reproduces a bilinear function a + bx + cy + dxy anywhere inside.
TEST(Remap, FloatLinearReproducesABilinearFunction) {
  const int w = 12, h = 10, n = 40;
  Image src(builtin::fbRemapRowTypeLayout(4), w, h), dst(builtin::fbRemapRowTypeLayout(4), n, 1);
  auto f = [](double x, double y) { return 3.0 + 1.5 * x - 2.25 * y + 0.125 * x * y; };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) src.Put(0, x, y, f(x, y));
  Maps maps(n, 1);
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> px(0, w - 1), py(0, h - 1);
  std::vector<float> xs(n), ys(n);
  for (int j = 0; j < n; ++j) {
    xs[j] = j == 0 ? w - 1.0f : px(rng);
    ys[j] = j == 0 ? h - 1.0f : py(rng);
    maps.Set(j, 0, xs[j], ys[j]);
  }
  RunKernel(4 * 3 + 1, src, dst, maps, n, 1, Bounds{0, 0, w - 1, h - 1, w - 1, h - 1});
  for (int j = 0; j < n; ++j) EXPECT_NEAR(dst.Get(0, j, 0), f(xs[j], ys[j]), 1e-4) << j;
}

// The windows at a region edge inside the image and at the image's edge, on one row of 20.
TEST(Remap, WindowsAtRegionAndImageEdges) {
  const int w = 20, h = 5;
  std::vector<uint8_t> src(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) src[y * w + x] = static_cast<uint8_t>(10 * x + y);
  struct Case {
    int method;
    float x;
    int regionWidth;  // from x = 0
    int expected;     // -1: untouched
  };
  const Case cases[] = {
      {2, 9.0f, 10, 90},         // on the region's last column: fraction 0, column 10 unused
      {2, 9.25f, 10, -1},        // past it: untouched, though nearest would round back
      {1, 9.25f, 10, -1},
      {1, 2.5f, 20, 30},         // half-way goes up
      {1, 2.4999f, 20, 20},
      {2, 19.0f, 20, 190},       // the image's last column alone
      {2, 3.5f, 20, 35},         // half-way between 30 and 40 rounds up
      {4, 19.0f, 20, 190},
      {4, 0.5f, 20, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "method " << c.method << " x " << c.x);
    const float sx = c.x, sy = 0.0f;
    uint8_t dst = 222;
    EXPECT_EQ(builtin::ippiRemap_8u_C1R(src.data(), {w, h}, w, {0, 0, c.regionWidth, h}, &sx, 4,
                                        &sy, 4, &dst, 1, {1, 1}, c.method),
              ippStsNoErr);
    EXPECT_EQ(dst, c.expected < 0 ? 222 : c.expected);
  }
  // Cubic at 8.5 in a region ending at column 9 blends columns 7 to 10: column 10 counts.
  const float sx = 8.5f, sy = 2.0f;
  uint8_t before = 0, after = 0;
  ASSERT_EQ(builtin::ippiRemap_8u_C1R(src.data(), {w, h}, w, {0, 0, 10, h}, &sx, 4, &sy, 4,
                                      &before, 1, {1, 1}, IPPI_INTER_CUBIC),
            ippStsNoErr);
  for (int y = 0; y < h; ++y) src[y * w + 10] = 0;
  ASSERT_EQ(builtin::ippiRemap_8u_C1R(src.data(), {w, h}, w, {0, 0, 10, h}, &sx, 4, &sy, 4,
                                      &after, 1, {1, 1}, IPPI_INTER_CUBIC),
            ippStsNoErr);
  EXPECT_NE(before, after);
}

using RemapForm = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, const Ipp32f*, int,
                                const Ipp32f*, int, Ipp8u*, int, IppiSize, int);

// Statuses in check order, the clipping of the region and the method's downgrade.
TEST(Remap, EntryStatusesClippingAndDowngrade) {
  const int w = 95, h = 8;
  std::vector<uint8_t> src(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) src[y * w + x] = static_cast<uint8_t>(x + 2 * y);
  const int n = 100;
  std::vector<float> xm(n), ym(n, 3.0f);
  for (int j = 0; j < n; ++j) xm[j] = static_cast<float>(j);
  struct Case {
    const char* what;
    bool nullY;
    int srcStep, xMapStep;
    IppiSize srcSize;
    IppiRect roi;
    IppiSize dstSize;
    int interpolation;
    IppStatus status;
  };
  const int bit31 = static_cast<int>(0x80000000u);
  const Case cases[] = {
      {"nil pyMap before a zero step", true, 0, 4 * n, {w, h}, {0, 0, w, h}, {n, 1}, 1,
       ippStsNullPtrErr},
      {"negative region x", false, w, 4 * n, {w, h}, {-1, 0, w, h}, {n, 1}, 1, ippStsSizeErr},
      {"zero destination height", false, w, 4 * n, {w, h}, {0, 0, w, h}, {n, 0}, 1,
       ippStsSizeErr},
      {"bad code before a zero step", false, 0, 4 * n, {w, h}, {0, 0, w, h}, {n, 1}, 3,
       ippStsInterpolationErr},
      {"cubic with bit 31", false, w, 4 * n, {w, h}, {0, 0, w, h}, {n, 1}, 4 | bit31,
       ippStsInterpolationErr},
      {"zero map step", false, w, 0, {w, h}, {0, 0, w, h}, {n, 1}, 1, ippStsStepErr},
      {"region x at the width", false, w, 4 * n, {w, h}, {w, 0, 5, h}, {n, 1}, 1,
       ippStsWrongIntersectROI},
      {"region y at the height", false, w, 4 * n, {w, h}, {0, h, 5, 5}, {n, 1}, 2,
       ippStsWrongIntersectROI},
      {"region past the image, clipped", false, w, 4 * n, {w, h}, {90, 0, 100, h}, {n, 1}, 1,
       ippStsNoErr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> dst(n, 7);
    EXPECT_EQ(builtin::ippiRemap_8u_C1R(src.data(), c.srcSize, c.srcStep, c.roi, xm.data(),
                                        c.xMapStep, c.nullY ? nullptr : ym.data(), 4 * n,
                                        dst.data(), n, c.dstSize, c.interpolation),
              c.status);
    for (int j = 0; j < n; ++j) {
      const bool written = c.status == ippStsNoErr && j >= 90 && j <= 94;
      EXPECT_EQ(dst[j], written ? src[3 * w + j] : 7) << j;
    }
  }
  // No position inside: 0 with nothing written.
  std::vector<uint8_t> dst(n, 7);
  std::vector<float> far(n, 500.0f);
  EXPECT_EQ(builtin::ippiRemap_8u_C1R(src.data(), {w, h}, w, {0, 0, w, h}, far.data(), 4 * n,
                                      ym.data(), 4 * n, dst.data(), n, {n, 1}, IPPI_INTER_CUBIC),
            ippStsNoErr);
  EXPECT_EQ(dst, std::vector<uint8_t>(n, 7));

  // Downgrade by the whole image: width 3 makes cubic linear, width 4 keeps it, a narrow region
  // in a larger image keeps it, height 1 makes everything nearest.
  struct Downgrade {
    IppiSize size;
    IppiRect roi;
    int asked, used;
  };
  const Downgrade downgrades[] = {{{3, 100}, {0, 0, 3, 100}, 4, 2},
                                  {{4, 100}, {0, 0, 4, 100}, 4, 4},
                                  {{20, 20}, {5, 5, 2, 2}, 4, 4},
                                  {{20, 1}, {0, 0, 20, 1}, 2, 1},
                                  {{1, 20}, {0, 0, 1, 20}, 4, 1}};
  std::mt19937 rng(5);
  for (const Downgrade& d : downgrades) {
    SCOPED_TRACE(::testing::Message() << d.size.width << "x" << d.size.height);
    std::vector<uint8_t> img(d.size.width * d.size.height);
    for (uint8_t& v : img) v = static_cast<uint8_t>(rng());
    const float x = d.roi.x + 0.375f * (d.roi.width - 1), y = d.roi.y + 0.625f * (d.roi.height - 1);
    uint8_t got = 0, want = 0;
    ASSERT_EQ(builtin::ippiRemap_8u_C1R(img.data(), d.size, d.size.width, d.roi, &x, 4, &y, 4,
                                        &got, 1, {1, 1}, d.asked),
              ippStsNoErr);
    builtin::fbRemapKernelTable[d.used / 2](img.data(), d.size.width, &want, 1, &x, 4, &y, 4, 1,
                                            1, d.roi.x, d.roi.y, d.roi.x + d.roi.width - 1,
                                            d.roi.y + d.roi.height - 1, d.size.width - 1,
                                            d.size.height - 1);
    EXPECT_EQ(got, want);
  }
}

// The four entries use their rows: C3 and C4 write every sample, AC4 keeps the fourth.
TEST(Remap, EntriesUseTheirRows) {
  struct Form {
    RemapForm fn;
    int row, pixel;
  };
  const Form forms[] = {{builtin::ippiRemap_8u_C1R, 0, 1},
                        {builtin::ippiRemap_8u_C3R, 1, 3},
                        {builtin::ippiRemap_8u_AC4R, 2, 4},
                        {builtin::ippiRemap_8u_C4R, 8, 4}};
  std::mt19937 rng(11);
  const int w = 17, h = 12, dw = 15, dh = 7;
  for (const Form& f : forms) {
    for (int method : {1, 2, 4}) {
      SCOPED_TRACE(::testing::Message() << "row " << f.row << " method " << method);
      GuardedImage src(w, h, f.pixel), a(dw, dh, f.pixel), b(dw, dh, f.pixel);
      src.Randomize(rng);
      a.Randomize(rng);
      b.SetRegion(a.Region());
      Maps maps(dw, dh);
      std::uniform_real_distribution<float> pos(-1, w);
      for (int i = 0; i < dh; ++i)
        for (int j = 0; j < dw; ++j) maps.Set(j, i, pos(rng), pos(rng) * h / w);
      ASSERT_EQ(f.fn(src.data(), {w, h}, src.step(), {1, 2, 30, 8}, maps.px(), maps.x.step(),
                     maps.py(), maps.y.step(), a.data(), a.step(), {dw, dh}, method),
                ippStsNoErr);
      builtin::fbRemapKernelTable[f.row * 3 + method / 2](
          src.data(), src.step(), b.data(), b.step(), maps.px(), maps.x.step(), maps.py(),
          maps.y.step(), dw, dh, 1, 2, w - 1, 9, w - 1, h - 1);
      EXPECT_EQ(a.Region(), b.Region());
    }
  }
}

// Against OpenCV on a smooth image, positions within [0, xMax - 1]: nearest equal except at
// exact half-way positions (OpenCV rounds them to even), linear within 1.
TEST(Remap, AgreesWithOpenCV) {
  const int w = 64, h = 48;
  cv::Mat src(h, w, CV_8UC3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c)
        src.at<cv::Vec3b>(y, x)[c] =
            static_cast<uint8_t>(128 + 100 * std::sin(0.13 * x + 0.07 * y + c));
  cv::Mat mx(h, w, CV_32F), my(h, w, CV_32F);
  const double a = 0.2;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = x - w / 2.0, dy = y - h / 2.0;
      float sx = static_cast<float>(w / 2.0 + std::cos(a) * dx - std::sin(a) * dy);
      float sy = static_cast<float>(h / 2.0 + std::sin(a) * dx + std::cos(a) * dy);
      if ((x + y) % 13 == 0) sx = std::floor(sx) + 0.5f;  // some exact ties
      mx.at<float>(y, x) = std::clamp(sx, 0.0f, w - 2.0f);
      my.at<float>(y, x) = std::clamp(sy, 0.0f, h - 2.0f);
    }
  for (int method : {1, 2}) {
    cv::Mat want(h, w, CV_8UC3, cv::Scalar::all(0)), got(h, w, CV_8UC3, cv::Scalar::all(0));
    cv::remap(src, want, mx, my, method == 1 ? cv::INTER_NEAREST : cv::INTER_LINEAR,
              cv::BORDER_TRANSPARENT);
    ASSERT_EQ(builtin::ippiRemap_8u_C3R(src.data, {w, h}, static_cast<int>(src.step), {0, 0, w, h},
                                        mx.ptr<float>(), static_cast<int>(mx.step),
                                        my.ptr<float>(), static_cast<int>(my.step), got.data,
                                        static_cast<int>(got.step), {w, h}, method),
              ippStsNoErr);
    int ties = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const float sx = mx.at<float>(y, x), sy = my.at<float>(y, x);
        const bool tie = sx - std::floor(sx) == 0.5f || sy - std::floor(sy) == 0.5f;
        for (int c = 0; c < 3; ++c) {
          const int d = got.at<cv::Vec3b>(y, x)[c] - want.at<cv::Vec3b>(y, x)[c];
          if (method == 1 && tie) {
            ++ties;
            continue;
          }
          EXPECT_LE(std::abs(d), method == 1 ? 0 : 1) << method << " at " << x << "," << y;
        }
      }
    if (method == 1) {
      EXPECT_GT(ties, 0);
    }
  }
}


// ---- The vector block kernels of the 8-bit interleaved forms ------------------------------

namespace remap = builtin::remap;

// The plain bodies over every row of a destination (the reference of the vector path).
template <int kChannels, int kStride>
void PlainRows(int method, const remap::Source8& s, GuardedImage& mx, GuardedImage& my,
               GuardedImage& dst) {
  const int n = dst.width();
  for (int i = 0; i < dst.height(); ++i) {
    const uint8_t* xs = mx.row(i);
    const uint8_t* ys = my.row(i);
    if (method == remap::kNearest)
      remap::PlainPixels<kChannels, kStride, remap::kNearest>(s, xs, ys, dst.row(i), 0, n);
    else if (method == remap::kLinear)
      remap::PlainPixels<kChannels, kStride, remap::kLinear>(s, xs, ys, dst.row(i), 0, n);
    else
      remap::PlainPixels<kChannels, kStride, remap::kCubic>(s, xs, ys, dst.row(i), 0, n);
  }
}

// Source positions along one axis that try the kernels' decisions: the region's and the
// image's edges and a float step beyond them, ties of the nearest rounding and a float step
// either side, a hair below whole numbers (the linear and cubic cells start there), zero of
// both signs, tiny, huge and infinite values and NaN.
std::vector<float> SpecialPositions(int low, int high, int last) {
  const float inf = std::numeric_limits<float>::infinity();
  const float lo = static_cast<float>(low), hi = static_cast<float>(high);
  const float tie = std::floor((lo + hi) / 2) + 0.5f;
  const float edge = static_cast<float>(last);
  return {lo, hi, std::nextafter(lo, -inf), std::nextafter(hi, inf),            // region
          edge, std::nextafter(edge, -inf), edge - 0.5f,                        // image
          tie, std::nextafter(tie, -inf), std::nextafter(tie, inf), lo + 0.5f,  // ties
          hi - 0.5f, std::nextafter(lo + 1.0f, -inf), 0.99999994f,              // hairs
          0.0f, -0.0f, 1e-30f, 1e-40f, -1e-30f,                                 // zeros
          kNaN, inf, -inf, 1e30f, -1e30f, 3e9f, -3e9f, 2147483648.0f};
}

// The kernels' table entry of a form and method.
int KernelEntry(int layout, int method) {
  const int row = builtin::fbRemapRowOf(builtin::warp::TypeLayout(builtin::warp::kType8u, layout));
  return row * 3 + method;
}

// On every vector target, the kernels of the 8-bit interleaved forms (which sample whole
// vectors of pixels) write what the plain bodies write, byte for byte: over the positions
// above, on source and destination rows at odd addresses, contiguous or padded (a read beyond
// a source row stops the test under AddressSanitizer), with odd widths, whole images and
// regions inside them, the smallest images of each method, and maps at odd addresses. The
// block kernel itself does every whole vector of a row.
TEST(RemapKernels, VectorBlocksEqualThePlainPixelsOnEveryTarget) {
  using namespace builtin::warp;
  struct Form {
    int layout, channels, stride;
  };
  const Form forms[] = {{kC1, 1, 1}, {kC3, 3, 3}, {kAC4, 3, 4}, {kC4, 4, 4}};
  struct Source {
    int width, height, misalign, pad;
    bool wholeRegion;
  };
  const Source sources[] = {{13, 11, 3, 5, true},  {13, 11, 1, 0, false}, {4, 4, 5, 0, true},
                            {3, 5, 1, 0, true},    {2, 3, 2, 0, true},    {31, 6, 7, 3, false}};
  const int n = 45, h = 6;
  std::mt19937 rng(2024);
  for (const Form& f : forms)
    for (const Source& src : sources)
      for (int method : {remap::kNearest, remap::kLinear, remap::kCubic}) {
        const int w = src.width, sh = src.height;
        if (method == remap::kCubic && (w < 4 || sh < 4)) continue;  // the entries downgrade
        SCOPED_TRACE(testing::Message() << "layout " << f.layout << " method " << method
                                        << " source " << w << "x" << sh);
        const Bounds b = src.wholeRegion ? Bounds{0, 0, w - 1, sh - 1, w - 1, sh - 1}
                                         : Bounds{2, 1, w - 3, sh - 2, w - 1, sh - 1};
        GuardedImage image(w, sh, f.stride,
                           GuardedImage::ExactStep{w * f.stride + src.pad, src.misalign});
        image.Randomize(rng);
        GuardedImage mx(n, h, 4, GuardedImage::ExactStep{4 * n + 4, 1});
        GuardedImage my(n, h, 4, GuardedImage::ExactStep{4 * n + 12, 3});
        const std::vector<float> sx = SpecialPositions(b.left, b.right, b.xMax);
        const std::vector<float> sy = SpecialPositions(b.top, b.bottom, b.yMax);
        // Rows 0 and 1 inside the region (whole vectors of pixels to write), the others
        // around it and through the special positions.
        std::uniform_real_distribution<float> px(b.left - 1.0f, b.right + 1.0f);
        std::uniform_real_distribution<float> py(b.top - 1.0f, b.bottom + 1.0f);
        std::uniform_real_distribution<float> ix(b.left, b.right), iy(b.top, b.bottom);
        for (int i = 0; i < h; ++i)
          for (int j = 0; j < n; ++j) {
            const int k = i * n + j;
            float x = i < 2 ? ix(rng) : px(rng), y = i < 2 ? iy(rng) : py(rng);
            if (i >= 2 && k % 3 == 0) x = sx[(k / 3) % sx.size()];
            if (i >= 2 && k % 3 == 1) y = sy[(k / 3) % sy.size()];
            std::memcpy(mx.at(j, i), &x, 4);
            std::memcpy(my.at(j, i), &y, 4);
          }
        GuardedImage got(n, h, f.stride, GuardedImage::ExactStep{n * f.stride + 3, 1});
        GuardedImage want(n, h, f.stride, GuardedImage::ExactStep{n * f.stride + 3, 1});
        got.Randomize(rng);
        const std::vector<uint8_t> before = got.Region();
        want.SetRegion(before);
        const remap::Source8 s{image.data(), image.step(), b.xMax, b.yMax,
                               static_cast<double>(b.left), static_cast<double>(b.top),
                               static_cast<double>(b.right), static_cast<double>(b.bottom)};
        if (f.channels == 1) PlainRows<1, 1>(method, s, mx, my, want);
        else if (f.stride == 3) PlainRows<3, 3>(method, s, mx, my, want);
        else if (f.channels == 3) PlainRows<3, 4>(method, s, mx, my, want);
        else PlainRows<4, 4>(method, s, mx, my, want);
        // Linear rows of fewer than 4 bytes (8 with three channels) stay plain.
        const bool narrow = method == remap::kLinear && w * f.stride < (f.stride == 1 ? 4 : 8);
        imagetest::ForEachVectorTarget([&] {
          got.SetRegion(before);
          builtin::fbRemapKernelTable[KernelEntry(f.layout, method)](
              image.data(), image.step(), got.data(), got.step(),
              reinterpret_cast<const Ipp32f*>(mx.data()), mx.step(),
              reinterpret_cast<const Ipp32f*>(my.data()), my.step(), n, h, b.left, b.top,
              b.right, b.bottom, b.xMax, b.yMax);
          EXPECT_TRUE(got.Region() == want.Region());
          EXPECT_TRUE(got.OutsideUntouched());
          const remap::BlockKernel blocks = remap::VectorBlockKernel(f.layout, method, s);
          ASSERT_EQ(blocks == nullptr, narrow);
          if (blocks != nullptr) {
            got.SetRegion(before);
            for (int i : {0, 3}) {
              const ptrdiff_t done = blocks(s, mx.row(i), my.row(i), got.row(i), n);
              EXPECT_GT(done, n - 8);  // every whole vector (at most 8 lanes of doubles)
              EXPECT_LE(done, n);
              EXPECT_EQ(std::memcmp(got.row(i), want.row(i), done * f.stride), 0);
            }
          }
        });
      }
}

// A linear cell starts a hair (1e-7) below a whole number: at x = 1 - 2^-24 the window is
// columns 1 and 2 with a fraction just below 0, not columns 0 and 1 with one just below 1. The
// rows below make the two readings round apart (128 and 127), along x and along y, in every
// form and on every target.
TEST(RemapKernels, LinearCellsStartAHairBelowWholeNumbers) {
  using namespace builtin::warp;
  const float hair = 0.99999994f, half = 0.5f;
  for (int layout : {kC1, kC3, kAC4, kC4}) {
    const int stride = layout == kC1 ? 1 : layout == kC3 ? 3 : 4;
    for (bool alongY : {false, true}) {
      SCOPED_TRACE(testing::Message() << "layout " << layout << (alongY ? " along y" : " along x"));
      // 255 at (1, 0) (or (0, 1) along y), 0 elsewhere.
      GuardedImage image(4, 4, stride);
      image.FillRegion(0);
      std::memset(alongY ? image.at(0, 1) : image.at(1, 0), 255, stride);
      const int n = 19;
      GuardedImage mx(n, 1, 4), my(n, 1, 4), dst(n, 1, stride);
      for (int j = 0; j < n; ++j) {
        std::memcpy(mx.at(j, 0), alongY ? &half : &hair, 4);
        std::memcpy(my.at(j, 0), alongY ? &hair : &half, 4);
      }
      imagetest::ForEachVectorTarget([&] {
        dst.FillRegion(7);
        builtin::fbRemapKernelTable[KernelEntry(layout, remap::kLinear)](
            image.data(), image.step(), dst.data(), dst.step(),
            reinterpret_cast<const Ipp32f*>(mx.data()), mx.step(),
            reinterpret_cast<const Ipp32f*>(my.data()), my.step(), n, 1, 0, 0, 3, 3, 3, 3);
        for (int j = 0; j < n; ++j)
          for (int c = 0; c < stride; ++c)
            EXPECT_EQ(dst.at(j, 0)[c], layout == kAC4 && c == 3 ? 7 : 128) << j << "," << c;
      });
    }
  }
}

// The vector kernels address the source with 32-bit byte offsets: an image whose bytes
// (yMax rows of step bytes and the last row's pixels) pass 2^31 - 1 stays plain.
TEST(RemapKernels, VectorBlocksOnlyWhereOffsetsFitIn32Bits) {
  using namespace builtin::warp;
  const uint8_t byte = 0;
  const int step = 1 << 20;
  for (int layout : {kC1, kC3, kAC4, kC4}) {
    const int stride = layout == kC1 ? 1 : layout == kC3 ? 3 : 4;
    // 2047 rows of 2^20 bytes and a last row ending at most at byte 2^31 - 1 fit; one pixel
    // more, or one row more, does not.
    const int fits = (INT32_MAX - 2047 * step) / stride;
    for (int method : {remap::kNearest, remap::kLinear, remap::kCubic}) {
      const remap::Source8 in{&byte, step, fits - 1, 2047, 0, 0, 10, 10};
      const remap::Source8 out{&byte, step, fits, 2047, 0, 0, 10, 10};
      const remap::Source8 tall{&byte, step, 10, 2048, 0, 0, 10, 10};
      EXPECT_NE(remap::VectorBlockKernel(layout, method, in), nullptr) << layout << method;
      EXPECT_EQ(remap::VectorBlockKernel(layout, method, out), nullptr) << layout << method;
      EXPECT_EQ(remap::VectorBlockKernel(layout, method, tall), nullptr) << layout << method;
    }
  }
}

}  // namespace
