// The fixed-kernel filters: every form against a direct per-pixel model on sources with exactly
// the margins each filter reads, OpenCV's filters on the same kernels, the rounding points, the
// checks and the out-of-memory path.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "primitives/filters/FixedFilters.h"
#include "tests/primitives/AllocationHook.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::BorderedImage;
using imagetest::GuardedImage;

using Call = std::function<IppStatus(const Ipp8u*, int, Ipp8u*, int, IppiSize)>;
using MaskCall = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize);
using PlainCall = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize);

// ---- The model: the weighted sum of the window, then the filter's rounding ------------------

enum class Finish { kClamp, kHalfEven, kNearest };

struct Kernel {
  int size;            // 3 or 5 (Roberts: 3, with weights only where it reads)
  std::vector<int> w;  // size x size weights, rows top to bottom
  int divisor;         // 1 for the clamped filters
  Finish finish;
};

// a / b rounded as the filter says (b > 0), then clamped to 0..255.
int Round(int64_t a, int64_t b, Finish f) {
  int64_t q = a >= 0 ? a / b : -((-a + b - 1) / b);  // floor
  const int64_t r2 = 2 * (a - q * b);                // twice the remainder, 0 .. 2b - 2
  if (f == Finish::kHalfEven) {
    if (r2 > b || (r2 == b && (q & 1))) ++q;
  } else if (f == Finish::kNearest) {
    EXPECT_NE(r2, b) << "a tie where the filter never meets one";
    if (r2 > b) ++q;
  }
  return static_cast<int>(std::min<int64_t>(std::max<int64_t>(q, 0), 255));
}

Kernel Box(int size, int centre, int others, int divisor, Finish f) {
  Kernel k{size, std::vector<int>(size * size, others), divisor, f};
  k.w[size * size / 2] = centre;
  return k;
}
Kernel Outer(const std::vector<int>& col, const std::vector<int>& row, int divisor, Finish f) {
  Kernel k{static_cast<int>(row.size()), {}, divisor, f};
  for (int c : col)
    for (int r : row) k.w.push_back(c * r);
  return k;
}

const Kernel kPrewittHoriz = Outer({-1, 0, 1}, {1, 1, 1}, 1, Finish::kClamp);
const Kernel kPrewittVert = Outer({1, 1, 1}, {1, 0, -1}, 1, Finish::kClamp);
const Kernel kSobelHoriz = Outer({-1, 0, 1}, {1, 2, 1}, 1, Finish::kClamp);
const Kernel kSobelVert = Outer({1, 2, 1}, {1, 0, -1}, 1, Finish::kClamp);
const Kernel kRobertsDown{3, {-1, 0, 0, 0, 1, 0, 0, 0, 0}, 1, Finish::kClamp};
const Kernel kRobertsUp{3, {0, 0, -1, 0, 1, 0, 0, 0, 0}, 1, Finish::kClamp};
const Kernel kSharpen = Box(3, 16, -1, 8, Finish::kHalfEven);
const Kernel kLaplace3 = Box(3, 8, -1, 1, Finish::kClamp);
const Kernel kLowpass3 = Box(3, 1, 1, 9, Finish::kNearest);
const Kernel kGauss3 = Outer({1, 2, 1}, {1, 2, 1}, 16, Finish::kHalfEven);
const Kernel kLaplace5{
    5,
    {-1, -3, -4, -3, -1, -3, 0, 6, 0, -3, -4, 6, 20, 6, -4, -3, 0, 6, 0, -3, -1, -3, -4, -3, -1},
    1,
    Finish::kClamp};
const Kernel kGauss5{
    5,
    {2, 7, 12, 7, 2, 7, 31, 52, 31, 7, 12, 52, 127, 52, 12, 7, 31, 52, 31, 7, 2, 7, 12, 7, 2},
    571,
    Finish::kNearest};
const Kernel kHipass5 = Box(5, 24, -1, 1, Finish::kClamp);
const Kernel kLowpass5 = Box(5, 1, 1, 25, Finish::kNearest);

// The margins a kernel reads: only where a weight is not zero.
BorderedImage::Margins MarginsOf(const Kernel& k) {
  const int h = k.size / 2;
  BorderedImage::Margins m{0, 0, 0, 0};
  for (int dy = -h; dy <= h; ++dy)
    for (int dx = -h; dx <= h; ++dx)
      if (k.w[(dy + h) * k.size + dx + h] != 0) {
        m.left = std::max(m.left, -dx);
        m.right = std::max(m.right, dx);
        m.top = std::max(m.top, -dy);
        m.bottom = std::max(m.bottom, dy);
      }
  return m;
}

// The model's value of sample ch of pixel (x, y).
int ModelAt(BorderedImage& src, const Kernel& k, int x, int y, int ch) {
  const int h = k.size / 2;
  int64_t s = 0;
  for (int dy = -h; dy <= h; ++dy)
    for (int dx = -h; dx <= h; ++dx)
      if (const int w = k.w[(dy + h) * k.size + dx + h]; w != 0)
        s += int64_t{w} * src.at(x + dx, y + dy)[ch];
  return Round(s, k.divisor, k.finish);
}

// ---- The 34 forms and their kernels ---------------------------------------------------------

struct Form {
  std::string name;
  int pixel;     // bytes per pixel
  int filtered;  // samples filtered per pixel (3 for AC4)
  Kernel kernel;
  Call call;
};

Call WithMask(MaskCall f, IppiMaskSize mask) {
  return [f, mask](const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r) {
    return f(s, ss, d, ds, r, mask);
  };
}

struct LayoutCalls {
  const char* layout;
  int pixel, filtered;
};
constexpr LayoutCalls kC1{"C1", 1, 1}, kC3{"C3", 3, 3}, kAC4{"AC4", 4, 3}, kC4{"C4", 4, 4};

std::vector<Form> AllForms() {
  std::vector<Form> forms;
  const auto plain = [&](const char* name, const Kernel& k, PlainCall c1, PlainCall c3,
                         PlainCall ac4) {
    forms.push_back({std::string(name) + "_C1", 1, 1, k, c1});
    forms.push_back({std::string(name) + "_C3", 3, 3, k, c3});
    forms.push_back({std::string(name) + "_AC4", 4, 3, k, ac4});
  };
  plain("PrewittHoriz", kPrewittHoriz, builtin::ippiFilterPrewittHoriz_8u_C1R,
        builtin::ippiFilterPrewittHoriz_8u_C3R, builtin::ippiFilterPrewittHoriz_8u_AC4R);
  plain("PrewittVert", kPrewittVert, builtin::ippiFilterPrewittVert_8u_C1R,
        builtin::ippiFilterPrewittVert_8u_C3R, builtin::ippiFilterPrewittVert_8u_AC4R);
  plain("SobelHoriz", kSobelHoriz, builtin::ippiFilterSobelHoriz_8u_C1R,
        builtin::ippiFilterSobelHoriz_8u_C3R, builtin::ippiFilterSobelHoriz_8u_AC4R);
  plain("SobelVert", kSobelVert, builtin::ippiFilterSobelVert_8u_C1R,
        builtin::ippiFilterSobelVert_8u_C3R, builtin::ippiFilterSobelVert_8u_AC4R);
  plain("RobertsDown", kRobertsDown, builtin::ippiFilterRobertsDown_8u_C1R,
        builtin::ippiFilterRobertsDown_8u_C3R, builtin::ippiFilterRobertsDown_8u_AC4R);
  plain("RobertsUp", kRobertsUp, builtin::ippiFilterRobertsUp_8u_C1R,
        builtin::ippiFilterRobertsUp_8u_C3R, builtin::ippiFilterRobertsUp_8u_AC4R);
  plain("Sharpen", kSharpen, builtin::ippiFilterSharpen_8u_C1R, builtin::ippiFilterSharpen_8u_C3R,
        builtin::ippiFilterSharpen_8u_AC4R);
  const auto masked = [&](const char* name, const Kernel& k3, const Kernel& k5,
                          std::vector<std::pair<LayoutCalls, MaskCall>> layouts) {
    for (const auto& [l, f] : layouts) {
      forms.push_back({std::string(name) + "_" + l.layout + "/33", l.pixel, l.filtered, k3,
                       WithMask(f, ippMskSize3x3)});
      forms.push_back({std::string(name) + "_" + l.layout + "/55", l.pixel, l.filtered, k5,
                       WithMask(f, ippMskSize5x5)});
    }
  };
  masked("Laplace", kLaplace3, kLaplace5,
         {{kC1, builtin::ippiFilterLaplace_8u_C1R},
          {kC3, builtin::ippiFilterLaplace_8u_C3R},
          {kAC4, builtin::ippiFilterLaplace_8u_AC4R}});
  masked("Hipass", kLaplace3, kHipass5,
         {{kC1, builtin::ippiFilterHipass_8u_C1R},
          {kC3, builtin::ippiFilterHipass_8u_C3R},
          {kAC4, builtin::ippiFilterHipass_8u_AC4R}});
  masked("Lowpass", kLowpass3, kLowpass5,
         {{kC1, builtin::ippiFilterLowpass_8u_C1R},
          {kC3, builtin::ippiFilterLowpass_8u_C3R},
          {kAC4, builtin::ippiFilterLowpass_8u_AC4R}});
  masked("Gauss", kGauss3, kGauss5,
         {{kC1, builtin::ippiFilterGauss_8u_C1R},
          {kC3, builtin::ippiFilterGauss_8u_C3R},
          {kAC4, builtin::ippiFilterGauss_8u_AC4R},
          {kC4, builtin::ippiFilterGauss_8u_C4R}});
  return forms;
}

// Runs the form on src into a destination of random bytes and checks the region against the
// model, the destination's guards and (AC4) that every fourth byte kept its value.
void CheckAgainstModel(const Form& form, BorderedImage& src, std::mt19937& rng) {
  const int w = src.width(), h = src.height();
  GuardedImage dst(w, h, form.pixel, 13);
  dst.Randomize(rng);
  std::vector<uint8_t> expected = dst.Region();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < form.filtered; ++c)
        expected[static_cast<size_t>(y) * dst.rowBytes() + x * form.pixel + c] =
            static_cast<uint8_t>(ModelAt(src, form.kernel, x, y, c));
  ASSERT_EQ(form.call(src.data(), src.step(), dst.data(), dst.step(), src.size()), ippStsNoErr);
  EXPECT_EQ(dst.Region(), expected);
  EXPECT_TRUE(dst.OutsideUntouched());
}

struct Size2 {
  int w, h;
};

// Every form on single pixels, a row, a column, small and odd regions and regions longer than
// any vector, each source with exactly the margins its kernel reads (AddressSanitizer stops a
// read beyond them) and padded rows.
TEST(FixedFilters, EveryFormMatchesTheModelWithExactMargins) {
  std::mt19937 rng(34);
  const Size2 sizes[] = {{1, 1}, {1, 7}, {7, 1}, {5, 3}, {33, 17}, {131, 6}};
  for (const Form& form : AllForms())
    for (Size2 sz : sizes) {
      SCOPED_TRACE(form.name + " " + std::to_string(sz.w) + "x" + std::to_string(sz.h));
      BorderedImage src(sz.w, sz.h, form.pixel, MarginsOf(form.kernel), 5);
      src.Randomize(rng);
      CheckAgainstModel(form, src, rng);
    }
}

// The vector kernels on every instruction set: every width up to a few vectors of the widest,
// so every tail length after the blocks, on padded and contiguous rows.
TEST(FixedFilters, EveryVectorTargetMatchesTheModel) {
  std::mt19937 rng(17);
  const std::vector<Form> forms = AllForms();
  imagetest::ForEachVectorTarget([&] {
    for (const Form& form : forms) {
      if (form.pixel != form.filtered) continue;  // AC4 rows have no vector path
      for (int w = 1; w <= 40; ++w) {
        SCOPED_TRACE(form.name + " width " + std::to_string(w));
        BorderedImage src(w, 2, form.pixel, MarginsOf(form.kernel), w % 4);
        src.Randomize(rng);
        CheckAgainstModel(form, src, rng);
        if (::testing::Test::HasFailure()) return;
      }
    }
  });
}

// Low-range and extreme sources reach the clamps and the rounding ties more often than random
// bytes; heights 1 to 12 take the 5x5 rings through every slot arrangement.
TEST(FixedFilters, LowRangeAndExtremeSourcesAndEveryRingHeight) {
  std::mt19937 rng(55);
  for (const Form& form : AllForms()) {
    for (int h = 1; h <= 12; ++h) {
      SCOPED_TRACE(form.name + " height " + std::to_string(h));
      BorderedImage src(9, h, form.pixel, MarginsOf(form.kernel), 3);
      GuardedImage& whole = src.whole();
      const int pick = h % 3;  // 0..3 values, 0/255 only, random
      for (int y = 0; y < whole.height(); ++y)
        for (int i = 0; i < whole.rowBytes(); ++i)
          whole.row(y)[i] = static_cast<uint8_t>(pick == 0   ? rng() % 4
                                                 : pick == 1 ? (rng() % 2) * 255
                                                             : rng() % 256);
      CheckAgainstModel(form, src, rng);
    }
  }
}

// ---- Against OpenCV -------------------------------------------------------------------------

// The kernel of a model as an OpenCV float kernel (divided by the divisor).
cv::Mat CvKernel(const Kernel& k) {
  cv::Mat m(k.size, k.size, CV_32F);
  for (int i = 0; i < k.size * k.size; ++i)
    m.at<float>(i / k.size, i % k.size) = static_cast<float>(k.w[i]) / k.divisor;
  return m;
}

// The bordered source as one OpenCV image of the layout's channel count (AC4 as C4).
cv::Mat WholeAsMat(BorderedImage& src, int channels) {
  GuardedImage& whole = src.whole();
  return cv::Mat(whole.height(), whole.width(), CV_8UC(channels), whole.data(),
                 static_cast<size_t>(whole.step()));
}

// Compares the form's output with OpenCV's over the whole bordered source (the region's part);
// an AC4 form with the first three channels of the C4 reference.
void CompareWithOpenCV(const Form& form, BorderedImage& src,
                       const std::function<void(const cv::Mat&, cv::Mat&)>& reference) {
  cv::Mat in = WholeAsMat(src, form.pixel), out;
  reference(in, out);
  const auto m = src.margins();
  GuardedImage dst(src.width(), src.height(), form.pixel, 7);
  ASSERT_EQ(form.call(src.data(), src.step(), dst.data(), dst.step(), src.size()), ippStsNoErr);
  int mismatches = 0;
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x)
      for (int c = 0; c < form.filtered; ++c) {
        const int want = out.ptr<uint8_t>(y + m.top)[(x + m.left) * form.pixel + c];
        const int got = dst.at(x, y)[c];
        if (want != got && ++mismatches <= 5)
          ADD_FAILURE() << "(" << x << ", " << y << ") channel " << c << ": " << got << ", OpenCV "
                        << want;
      }
  EXPECT_EQ(mismatches, 0);
}

TEST(FixedFilters, EqualOpenCvFilter2DOnTheSameKernels) {
  std::mt19937 rng(2);
  for (const Form& form : AllForms()) {
    if (form.name.rfind("Roberts", 0) == 0) continue;  // no centred kernel
    for (const bool lowRange : {false, true}) {
      SCOPED_TRACE(form.name + (lowRange ? " low range" : " random"));
      const int margin = form.kernel.size / 2;
      BorderedImage src(61, 23, form.pixel, margin);
      GuardedImage& whole = src.whole();
      for (int y = 0; y < whole.height(); ++y)
        for (int i = 0; i < whole.rowBytes(); ++i)
          whole.row(y)[i] = static_cast<uint8_t>(lowRange ? rng() % 5 : rng() % 256);
      const cv::Mat kernel = CvKernel(form.kernel);
      CompareWithOpenCV(form, src, [&](const cv::Mat& in, cv::Mat& out) {
        cv::filter2D(in, out, CV_8U, kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
      });
    }
  }
}

TEST(FixedFilters, SobelAndLowpassEqualOpenCvSobelAndBlur) {
  std::mt19937 rng(3);
  for (const Form& form : AllForms()) {
    std::function<void(const cv::Mat&, cv::Mat&)> reference;
    const bool five = form.kernel.size == 5;
    if (form.name.rfind("SobelHoriz", 0) == 0)
      reference = [](const cv::Mat& in, cv::Mat& out) { cv::Sobel(in, out, CV_8U, 0, 1, 3); };
    else if (form.name.rfind("SobelVert", 0) == 0)
      reference = [](const cv::Mat& in, cv::Mat& out) { cv::Sobel(in, out, CV_8U, 1, 0, 3, -1); };
    else if (form.name.rfind("Lowpass", 0) == 0)
      reference = [five](const cv::Mat& in, cv::Mat& out) {
        cv::blur(in, out, five ? cv::Size(5, 5) : cv::Size(3, 3));
      };
    else
      continue;
    SCOPED_TRACE(form.name);
    BorderedImage src(45, 19, form.pixel, form.kernel.size / 2);
    src.Randomize(rng);
    CompareWithOpenCV(form, src, reference);
  }
}

// ---- Rounding points, edges, constant images ------------------------------------------------

// A 1 x 1 region whose window holds the given pixels (dx, dy, value), the rest 0.
struct Pixel {
  int dx, dy, v;
};
int FilterOnePixel(MaskCall f, IppiMaskSize mask, const std::vector<Pixel>& window) {
  BorderedImage src(1, 1, 1, mask == ippMskSize5x5 ? 2 : 1);
  src.Fill(0);
  for (const Pixel& p : window) *src.at(p.dx, p.dy) = static_cast<uint8_t>(p.v);
  GuardedImage dst(1, 1, 1);
  EXPECT_EQ(f(src.data(), src.step(), dst.data(), dst.step(), src.size(), mask), ippStsNoErr);
  return dst.data()[0];
}

TEST(FixedFilters, RoundingPoints) {
  const auto sharpen = [](const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r, IppiMaskSize) {
    return builtin::ippiFilterSharpen_8u_C1R(s, ss, d, ds, r);
  };
  struct Case {
    const char* what;
    MaskCall f;
    IppiMaskSize mask;
    std::vector<Pixel> window;
    int expected;
  };
  const IppiMaskSize k3 = ippMskSize3x3, k5 = ippMskSize5x5;
  const Case cases[] = {
      // Sharpen a = 16c - neighbours: 12 -> 1.5 -> 2, 20 -> 2.5 -> 2, 28 -> 3.5 -> 4.
      {"sharpen 12", sharpen, k3, {{0, 0, 1}, {1, 1, 4}}, 2},
      {"sharpen 20", sharpen, k3, {{0, 0, 2}, {-1, 0, 12}}, 2},
      {"sharpen 28", sharpen, k3, {{0, 0, 2}, {0, -1, 4}}, 4},
      {"sharpen -4 (a half below 0)", sharpen, k3, {{0, 0, 1}, {1, 0, 20}}, 0},
      // Gauss 3x3 s: 24 -> 1.5 -> 2, 40 -> 2.5 -> 2, 8 -> 0.5 -> 0.
      {"gauss3 24", builtin::ippiFilterGauss_8u_C1R, k3, {{0, 0, 6}}, 2},
      {"gauss3 40", builtin::ippiFilterGauss_8u_C1R, k3, {{0, 0, 10}}, 2},
      {"gauss3 8", builtin::ippiFilterGauss_8u_C1R, k3, {{1, 0, 4}}, 0},
      // Lowpass 3x3 sums 13, 14.
      {"lowpass3 13", builtin::ippiFilterLowpass_8u_C1R, k3, {{-1, 1, 13}}, 1},
      {"lowpass3 14", builtin::ippiFilterLowpass_8u_C1R, k3, {{1, -1, 14}}, 2},
      // Lowpass 5x5 sums 12, 13.
      {"lowpass5 12", builtin::ippiFilterLowpass_8u_C1R, k5, {{-2, 2, 12}}, 0},
      {"lowpass5 13", builtin::ippiFilterLowpass_8u_C1R, k5, {{2, -2, 13}}, 1},
      // Gauss 5x5 s = 285 (127 + 2 x 52 + 31 + 12 + 7 + 2 + 2) and 286 (127 + 2 x 52 + 31 + 24).
      {"gauss5 285",
       builtin::ippiFilterGauss_8u_C1R,
       k5,
       {{0, 0, 1}, {1, 0, 2}, {-1, -1, 1}, {-2, 0, 1}, {-1, -2, 1}, {-2, -2, 1}, {2, 2, 1}},
       0},
      {"gauss5 286",
       builtin::ippiFilterGauss_8u_C1R,
       k5,
       {{0, 0, 1}, {1, 0, 2}, {-1, -1, 1}, {-2, 0, 2}},
       1},
      // A bright pixel: Laplace 5x5 20 x 255 at it, 6 x 255 beside it (both clamped), 0 where
      // the weight is negative; Hipass 5x5 255 at it and 0 around.
      {"laplace5 at", builtin::ippiFilterLaplace_8u_C1R, k5, {{0, 0, 255}}, 255},
      {"laplace5 beside", builtin::ippiFilterLaplace_8u_C1R, k5, {{0, 1, 255}}, 255},
      {"laplace5 diagonal", builtin::ippiFilterLaplace_8u_C1R, k5, {{1, 1, 255}}, 0},
      {"laplace5 two away", builtin::ippiFilterLaplace_8u_C1R, k5, {{2, 0, 255}}, 0},
      {"hipass5 at", builtin::ippiFilterHipass_8u_C1R, k5, {{0, 0, 255}}, 255},
      {"hipass5 around", builtin::ippiFilterHipass_8u_C1R, k5, {{-2, 1, 255}}, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FilterOnePixel(c.f, c.mask, c.window), c.expected) << c.what;
}

// Whole images of one value: 0 from the edge and high-pass filters, the value from the
// smoothing ones (255 included: no overflow of the 5x5 Gauss product).
TEST(FixedFilters, ConstantImages) {
  for (const Form& form : AllForms())
    for (const int v : {0, 1, 128, 255}) {
      SCOPED_TRACE(form.name + " value " + std::to_string(v));
      BorderedImage src(13, 4, form.pixel, MarginsOf(form.kernel));
      src.Fill(static_cast<uint8_t>(v));
      GuardedImage dst(13, 4, form.pixel);
      ASSERT_EQ(form.call(src.data(), src.step(), dst.data(), dst.step(), src.size()), ippStsNoErr);
      int weights = 0;  // the divisor (smoothing, Sharpen) or 0 (edges, high-pass)
      for (int w : form.kernel.w) weights += w;
      const int want = weights * v / form.kernel.divisor;
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 13; ++x)
          for (int c = 0; c < form.filtered; ++c) ASSERT_EQ(dst.at(x, y)[c], want);
    }
}

// A horizontal edge: bright above gives 0 from the horizontal edge filters (no absolute value),
// bright below 255 (3 x 255 and 4 x 255 clamped).
TEST(FixedFilters, HorizontalEdgeDirection) {
  const PlainCall filters[] = {builtin::ippiFilterPrewittHoriz_8u_C1R,
                               builtin::ippiFilterSobelHoriz_8u_C1R};
  for (PlainCall f : filters)
    for (const bool brightAbove : {true, false}) {
      BorderedImage src(4, 1, 1, 1);
      src.Fill(0);
      for (int x = -1; x <= 4; ++x) *src.at(x, brightAbove ? -1 : 1) = 255;
      GuardedImage dst(4, 1, 1);
      ASSERT_EQ(f(src.data(), src.step(), dst.data(), dst.step(), src.size()), ippStsNoErr);
      for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.data()[x], brightAbove ? 0 : 255);
    }
}

TEST(FixedFilters, LaplaceAndHipass3x3AreOneFilter) {
  std::mt19937 rng(9);
  BorderedImage src(21, 8, 1, 1);
  src.Randomize(rng);
  GuardedImage a(21, 8, 1), b(21, 8, 1);
  ASSERT_EQ(builtin::ippiFilterLaplace_8u_C1R(src.data(), src.step(), a.data(), a.step(),
                                              src.size(), ippMskSize3x3),
            ippStsNoErr);
  ASSERT_EQ(builtin::ippiFilterHipass_8u_C1R(src.data(), src.step(), b.data(), b.step(), src.size(),
                                             ippMskSize3x3),
            ippStsNoErr);
  EXPECT_EQ(a.Region(), b.Region());
}

// ---- Checks and work memory -----------------------------------------------------------------

// Null before size before step before mask; nothing written on any failure.
TEST(FixedFilters, StatusesInOrder) {
  uint8_t src[64] = {}, dst[64];
  struct Case {
    const char* what;
    bool nullSrc, nullDst;
    IppiSize size;
    int srcStep, dstStep;
    int mask;  // for the mask forms
    IppStatus expected, expectedPlain;
  };
  const Case cases[] = {
      {"null source, width 0", true, false, {0, 1}, 8, 8, 33, ippStsNullPtrErr, ippStsNullPtrErr},
      {"null destination, bad mask",
       false,
       true,
       {1, 1},
       8,
       8,
       13,
       ippStsNullPtrErr,
       ippStsNullPtrErr},
      {"width 0, step 0", false, false, {0, 1}, 0, 8, 33, ippStsSizeErr, ippStsSizeErr},
      {"height -1, bad mask", false, false, {1, -1}, 8, 8, 15, ippStsSizeErr, ippStsSizeErr},
      {"source step 0, bad mask", false, false, {1, 1}, 0, 8, 31, ippStsStepErr, ippStsStepErr},
      {"destination step -8", false, false, {1, 1}, 8, -8, 55, ippStsStepErr, ippStsStepErr},
      {"mask 13", false, false, {1, 1}, 8, 8, 13, ippStsMaskSizeErr, ippStsNoErr},
      {"mask 15", false, false, {1, 1}, 8, 8, 15, ippStsMaskSizeErr, ippStsNoErr},
      {"mask 31", false, false, {1, 1}, 8, 8, 31, ippStsMaskSizeErr, ippStsNoErr},
      {"mask 51", false, false, {1, 1}, 8, 8, 51, ippStsMaskSizeErr, ippStsNoErr},
      {"mask 0", false, false, {1, 1}, 8, 8, 0, ippStsMaskSizeErr, ippStsNoErr},
      {"mask 34", false, false, {1, 1}, 8, 8, 34, ippStsMaskSizeErr, ippStsNoErr},
  };
  const std::vector<std::pair<std::string, MaskCall>> maskForms = {
      {"Laplace_C1", builtin::ippiFilterLaplace_8u_C1R},
      {"Laplace_C3", builtin::ippiFilterLaplace_8u_C3R},
      {"Laplace_AC4", builtin::ippiFilterLaplace_8u_AC4R},
      {"Hipass_C1", builtin::ippiFilterHipass_8u_C1R},
      {"Hipass_C3", builtin::ippiFilterHipass_8u_C3R},
      {"Hipass_AC4", builtin::ippiFilterHipass_8u_AC4R},
      {"Lowpass_C1", builtin::ippiFilterLowpass_8u_C1R},
      {"Lowpass_C3", builtin::ippiFilterLowpass_8u_C3R},
      {"Lowpass_AC4", builtin::ippiFilterLowpass_8u_AC4R},
      {"Gauss_C1", builtin::ippiFilterGauss_8u_C1R},
      {"Gauss_C3", builtin::ippiFilterGauss_8u_C3R},
      {"Gauss_AC4", builtin::ippiFilterGauss_8u_AC4R},
      {"Gauss_C4", builtin::ippiFilterGauss_8u_C4R}};
  const std::vector<std::pair<std::string, PlainCall>> plainForms = {
      {"PrewittHoriz_C1", builtin::ippiFilterPrewittHoriz_8u_C1R},
      {"PrewittHoriz_C3", builtin::ippiFilterPrewittHoriz_8u_C3R},
      {"PrewittHoriz_AC4", builtin::ippiFilterPrewittHoriz_8u_AC4R},
      {"PrewittVert_C1", builtin::ippiFilterPrewittVert_8u_C1R},
      {"PrewittVert_C3", builtin::ippiFilterPrewittVert_8u_C3R},
      {"PrewittVert_AC4", builtin::ippiFilterPrewittVert_8u_AC4R},
      {"SobelHoriz_C1", builtin::ippiFilterSobelHoriz_8u_C1R},
      {"SobelHoriz_C3", builtin::ippiFilterSobelHoriz_8u_C3R},
      {"SobelHoriz_AC4", builtin::ippiFilterSobelHoriz_8u_AC4R},
      {"SobelVert_C1", builtin::ippiFilterSobelVert_8u_C1R},
      {"SobelVert_C3", builtin::ippiFilterSobelVert_8u_C3R},
      {"SobelVert_AC4", builtin::ippiFilterSobelVert_8u_AC4R},
      {"RobertsDown_C1", builtin::ippiFilterRobertsDown_8u_C1R},
      {"RobertsDown_C3", builtin::ippiFilterRobertsDown_8u_C3R},
      {"RobertsDown_AC4", builtin::ippiFilterRobertsDown_8u_AC4R},
      {"RobertsUp_C1", builtin::ippiFilterRobertsUp_8u_C1R},
      {"RobertsUp_C3", builtin::ippiFilterRobertsUp_8u_C3R},
      {"RobertsUp_AC4", builtin::ippiFilterRobertsUp_8u_AC4R},
      {"Sharpen_C1", builtin::ippiFilterSharpen_8u_C1R},
      {"Sharpen_C3", builtin::ippiFilterSharpen_8u_C3R},
      {"Sharpen_AC4", builtin::ippiFilterSharpen_8u_AC4R}};
  for (const Case& c : cases) {
    // The source points into the middle of a zero buffer, so every read stays inside it.
    const Ipp8u* s = c.nullSrc ? nullptr : src + 24;
    Ipp8u* d = c.nullDst ? nullptr : dst;
    for (const auto& [name, f] : maskForms) {
      std::fill(std::begin(dst), std::end(dst), 0x5A);
      EXPECT_EQ(f(s, c.srcStep, d, c.dstStep, c.size, static_cast<IppiMaskSize>(c.mask)),
                c.expected)
          << name << ": " << c.what;
      EXPECT_EQ(dst[0], 0x5A) << name << ": " << c.what;
    }
    if (c.expectedPlain == ippStsNoErr) continue;
    for (const auto& [name, f] : plainForms) {
      std::fill(std::begin(dst), std::end(dst), 0x5A);
      EXPECT_EQ(f(s, c.srcStep, d, c.dstStep, c.size), c.expectedPlain) << name << ": " << c.what;
      EXPECT_EQ(dst[0], 0x5A) << name << ": " << c.what;
    }
  }
}

// A work block that cannot be had gives -9 with the destination untouched and nothing left
// allocated; Roberts takes no memory at all.
TEST(FixedFilters, OutOfMemoryLeavesTheDestinationUntouched) {
  std::mt19937 rng(6);
  for (const Form& form : AllForms()) {
    SCOPED_TRACE(form.name);
    BorderedImage src(6, 5, form.pixel, MarginsOf(form.kernel));
    src.Randomize(rng);
    GuardedImage dst(6, 5, form.pixel);
    dst.Randomize(rng);
    const std::vector<uint8_t> before = dst.Region();
    const int requests = allochook::ForEachFailure(
        [&] { return form.call(src.data(), src.step(), dst.data(), dst.step(), src.size()); },
        [&](IppStatus status, int, std::int64_t leaked) {
          EXPECT_EQ(status, ippStsMemAllocErr);
          EXPECT_EQ(leaked, 0);
          EXPECT_EQ(dst.Region(), before);
        });
    EXPECT_EQ(requests, form.name.rfind("Roberts", 0) == 0 ? 0 : 1);
  }
}

}  // namespace
