// Bordered Sobel filters against OpenCV's Sobel (horizontal edges = dy 1, vertical edges =
// -(dx 1)), with the work buffer at exactly the query's size; each row and column pass of the
// separable engine against its kernel; the queries and the checks in order.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "primitives/filters/SobelBorder.h"
#include "primitives/filters/SobelBorderKernels.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

using namespace builtin;
using imagetest::GuardedImage;
using imagetest::GuardedVector;

namespace {

using SobelFilter = IppStatus (*)(const Ipp8u*, int, Ipp16s*, int, IppiSize, IppiMaskSize,
                                  IppiBorderType, Ipp8u, Ipp8u*);
using SobelQuery = IppStatus (*)(IppiSize, IppiMaskSize, int*);

int16_t Value16(GuardedImage& img, int x, int y) {
  int16_t v;
  std::memcpy(&v, img.at(x, y), 2);
  return v;
}

// OpenCV's result for a border rule: its own border handling where it has the rule, else the
// image padded by copyMakeBorder first (Sobel refuses wrap; constant borders other than 0).
cv::Mat Reference(const cv::Mat& src, bool horizontal, int ksize, int border, int value) {
  const int dx = horizontal ? 0 : 1, dy = horizontal ? 1 : 0;
  cv::Mat out;
  const int cvBorder[] = {cv::BORDER_CONSTANT, cv::BORDER_REPLICATE, cv::BORDER_WRAP,
                          cv::BORDER_REFLECT_101, cv::BORDER_REFLECT};
  if (border == 2 || (border == 0 && value != 0)) {
    const int h = ksize / 2;
    cv::Mat padded;
    cv::copyMakeBorder(src, padded, h, h, h, h, cvBorder[border], cv::Scalar(value));
    cv::Mat full;
    cv::Sobel(padded, full, CV_16S, dx, dy, ksize, 1, 0, cv::BORDER_REPLICATE);
    out = full(cv::Rect(h, h, src.cols, src.rows)).clone();
  } else {
    cv::Sobel(src, out, CV_16S, dx, dy, ksize, 1, 0, cvBorder[border]);
  }
  if (!horizontal) out = -out;
  return out;
}

struct Form {
  const char* name;
  SobelFilter fn;
  SobelQuery query;
  bool horizontal;
};
const Form kForms[] = {
    {"Horiz", ippiFilterSobelHorizBorder_8u16s_C1R, ippiFilterSobelHorizGetBufferSize_8u16s_C1R,
     true},
    {"Vert", ippiFilterSobelVertBorder_8u16s_C1R, ippiFilterSobelVertGetBufferSize_8u16s_C1R,
     false},
};

}  // namespace

// Every rule, both masks, widths and heights around the strips of 16 rows and below the mask's
// reach; the source is exactly the region (a read beyond it stops the test under
// AddressSanitizer), the buffer exactly the query's size (which widths of a multiple of 16 fill
// up to its last 64 bytes), the destination at odd addresses too; on every vector target.
TEST(SobelBorder, EqualsOpenCVSobelOnEveryRule) {
  imagetest::ForEachVectorTarget([&] {
    cv::setNumThreads(1);
    std::mt19937 rng(36);
    int round = 0;
    for (const Form& form : kForms)
      for (IppiMaskSize mask : {ippMskSize3x3, ippMskSize5x5})
        for (int width : {1, 2, 3, 7, 16, 17, 32, 70})
          for (int height : {1, 2, 15, 16, 17, 18, 33})
            for (int border = 0; border <= 4; ++border)
              for (int value : {0, 200}) {
                if (border != 0 && value != 0) continue;
                SCOPED_TRACE(testing::Message()
                             << form.name << " mask " << int(mask) << " " << width << "x" << height
                             << " border " << border << " value " << value);
                GuardedImage src(width, height, 1, ++round % 3 == 0 ? 0 : 11);
                src.Randomize(rng);
                const bool odd = round % 2 == 0;
                GuardedImage dst(width, height, 2,
                                 GuardedImage::ExactStep{2 * width + (odd ? 6 : 0), odd ? 1 : 0});
                int size = 0;
                ASSERT_EQ(form.query({width, height}, mask, &size), ippStsNoErr);
                GuardedVector buffer(size, 1, round % 32);
                ASSERT_EQ(
                    form.fn(src.data(), src.step(), reinterpret_cast<Ipp16s*>(dst.data()),
                            dst.step(), {width, height}, mask, static_cast<IppiBorderType>(border),
                            static_cast<Ipp8u>(value), buffer.data()),
                    ippStsNoErr);
                ASSERT_TRUE(dst.OutsideUntouched());
                ASSERT_TRUE(buffer.OutsideUntouched());
                const cv::Mat srcMat(height, width, CV_8U, src.data(), src.step());
                const cv::Mat ref = Reference(srcMat, form.horizontal,
                                              mask == ippMskSize3x3 ? 3 : 5, border, value);
                for (int y = 0; y < height; ++y)
                  for (int x = 0; x < width; ++x)
                    ASSERT_EQ(Value16(dst, x, y), ref.at<int16_t>(y, x)) << "at " << x << "," << y;
              }
  });
}

// A black 5x4 image with a white constant border: the horizontal 3x3 edges are strongest in the
// middle of the first and last rows, where the whole upper (lower) row is border.
TEST(SobelBorder, ConstantBorderAroundBlackImage) {
  std::vector<Ipp8u> src(5 * 4, 0);
  std::vector<Ipp16s> dst(5 * 4, 1);
  int size = 0;
  ASSERT_EQ(ippiFilterSobelHorizGetBufferSize_8u16s_C1R({5, 4}, ippMskSize3x3, &size), 0);
  std::vector<Ipp8u> buffer(size);
  ASSERT_EQ(ippiFilterSobelHorizBorder_8u16s_C1R(src.data(), 5, dst.data(), 10, {5, 4},
                                                 ippMskSize3x3, ippBorderConst, 255, buffer.data()),
            0);
  const std::vector<Ipp16s> expected = {-765, -1020, -1020, -1020, -765, 0,    0,    0,    0,  0, 0,
                                        0,    0,     0,     0,     765,  1020, 1020, 1020, 765};
  EXPECT_EQ(dst, expected);
}

// Sizes for widths 1, 16 and 17 (42 W16 + 372 for 3x3, 50 W16 + 412 for 5x5, whatever the
// height); a width whose size passes the 32-bit range is -6 with nothing written, where a
// 32-bit product would wrap to a small size.
TEST(SobelBorder, BufferSizeQueries) {
  struct Case {
    IppiSize roi;
    IppiMaskSize mask;
    IppStatus status;
    int size;
  };
  const Case cases[] = {
      {{1, 1}, ippMskSize3x3, 0, 42 * 16 + 372},
      {{16, 7}, ippMskSize3x3, 0, 42 * 16 + 372},
      {{17, 1000}, ippMskSize3x3, 0, 42 * 32 + 372},
      {{1, 1}, ippMskSize5x5, 0, 50 * 16 + 412},
      {{16, 3}, ippMskSize5x5, 0, 50 * 16 + 412},
      {{17, 2}, ippMskSize5x5, 0, 50 * 32 + 412},
      {{51130544, 1}, ippMskSize3x3, 0, 42 * 51130544 + 372},
      {{51130545, 1}, ippMskSize3x3, ippStsSizeErr, -1},  // 42 W16 + 372 just past 2^31 - 1
      {{INT32_MAX, 1},
       ippMskSize5x5,
       ippStsSizeErr,
       -1},  // 50 * 2^31 + 412 wraps to 412 in 32 bits
      {{0, 1}, ippMskSize3x3, ippStsSizeErr, -1},
      {{3, -1}, ippMskSize3x3, ippStsSizeErr, -1},
      {{3, 3}, static_cast<IppiMaskSize>(35), ippStsMaskSizeErr, -1},
      {{0, 3}, static_cast<IppiMaskSize>(35), ippStsSizeErr, -1},
  };
  for (const Form& form : kForms)
    for (const Case& c : cases) {
      int size = -1;
      EXPECT_EQ(form.query(c.roi, c.mask, &size), c.status) << form.name << " " << c.roi.width;
      EXPECT_EQ(size, c.size) << form.name << " " << c.roi.width;
    }
  EXPECT_EQ(
      ippiFilterSobelVertGetBufferSize_8u16s_C1R({0, 0}, static_cast<IppiMaskSize>(0), nullptr),
      ippStsNullPtrErr);
}

// Filter checks in order: pointers, size, steps, odd destination step, border code, mask.
TEST(SobelBorder, ChecksInOrder) {
  std::vector<Ipp8u> src(64, 9), buffer(4096);
  std::vector<Ipp16s> dst(64, 5);
  Ipp16s* d = dst.data();
  const auto bad = static_cast<IppiBorderType>(5);
  const auto badMask = static_cast<IppiMaskSize>(35);
  struct Case {
    const Ipp8u* s;
    Ipp16s* d;
    Ipp8u* buf;
    int srcStep, dstStep;
    IppiSize roi;
    IppiMaskSize mask;
    IppiBorderType border;
    IppStatus expected;
  };
  const Case cases[] = {
      {src.data(), d, nullptr, 4, 8, {4, 2}, badMask, bad, ippStsNullPtrErr},
      {src.data(), d, buffer.data(), 4, 8, {4, 0}, badMask, bad, ippStsSizeErr},
      {src.data(), d, buffer.data(), 3, 8, {4, 2}, badMask, bad, ippStsStepErr},
      {src.data(), d, buffer.data(), 4, 7, {4, 2}, badMask, bad, ippStsStepErr},
      {src.data(), d, buffer.data(), 4, 9, {4, 2}, badMask, bad, ippStsNotEvenStepErr},  // 2w + 1
      {src.data(), d, buffer.data(), 4, 8, {4, 2}, ippMskSize3x3, bad, ippStsBadArgErr},
      {src.data(), d, buffer.data(), 4, 8, {4, 2}, badMask, ippBorderRepl, ippStsMaskSizeErr},
      {src.data(),
       d,
       buffer.data(),
       4,
       8,
       {4, 2},
       ippMskSize5x5,
       static_cast<IppiBorderType>(-1),
       ippStsBadArgErr},
  };
  for (const Form& form : kForms)
    for (const Case& c : cases)
      EXPECT_EQ(form.fn(c.s, c.srcStep, c.d, c.dstStep, c.roi, c.mask, c.border, 0, c.buf),
                c.expected)
          << form.name << " steps " << c.srcStep << "/" << c.dstStep;
  for (Ipp16s v : dst) ASSERT_EQ(v, 5);  // nothing written by a failing call
  // A source step equal to the width is accepted.
  for (const Form& form : kForms)
    EXPECT_EQ(
        form.fn(src.data(), 4, d, 8, {4, 2}, ippMskSize5x5, ippBorderMirror, 0, buffer.data()),
        ippStsNoErr);
}

// ---- The engine's passes ------------------------------------------------------------------

namespace {

// The border rule of one coordinate, written from the rule's description.
int64_t Reflect(int64_t p, int64_t size, int border) {
  if (p >= 0 && p < size) return p;
  if (size == 1) return 0;
  if (border == 1) return p < 0 ? 0 : size - 1;
  if (border == 2) return ((p % size) + size) % size;
  const int64_t repeat = border == 4 ? 1 : 0;  // mirror with edge repeats the edge pixel
  while (p < 0 || p >= size) p = p < 0 ? -p - repeat : 2 * size - 2 + repeat - p;
  return p;
}

const std::vector<std::vector<int>> kRowKernels = {
    {-1, 0, 1},       {3, 10, 3}, {1, 0, -1},      {1, 2, 0, -2, -1}, {1, -2, 1},
    {1, 0, -2, 0, 1}, {1, 2, 1},  {1, 4, 6, 4, 1}, {1, 1, 1},         {1, 1, 1, 1, 1}};
const std::vector<std::vector<int>> kColKernels = {{3, 10, 3},
                                                   {-1, 0, 1},
                                                   {1, 2, 1},
                                                   {1, 4, 6, 4, 1},
                                                   {-1, -2, 0, 2, 1},
                                                   {1, -2, 1},
                                                   {1, 0, -2, 0, 1},
                                                   {},
                                                   {1, 4, 6, 4, 1},
                                                   {-1, -2, -1},
                                                   {-1, -4, -6, -4, -1},
                                                   {-1, -2, -1},
                                                   {-1, -4, -6, -4, -1}};

int16_t At16(const uint8_t* row, ptrdiff_t i) {
  int16_t v;
  std::memcpy(&v, row + 2 * i, 2);
  return v;
}

}  // namespace

TEST(SobelBorder, ReflectionModelMatchesEngine) {
  for (int border = 1; border <= 4; ++border)
    for (int64_t size : {1, 2, 3, 5})
      for (int64_t p = -7; p < size + 7; ++p) {
        if (p < 0 || p >= size) {
          EXPECT_EQ(sepborder::BorderCoordinate(p, size, border), Reflect(p, size, border));
        }
      }
  // Width 2: mirror gives 0 1 0 1 for -2 -1 2 3, mirror with edge 1 0 1 0, wrap 0 1 0 1.
  const int64_t pos[] = {-2, -1, 2, 3};
  const int64_t mirror[] = {0, 1, 0, 1}, mirrorEdge[] = {1, 0, 1, 0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(sepborder::BorderCoordinate(pos[i], 2, 3), mirror[i]);
    EXPECT_EQ(sepborder::BorderCoordinate(pos[i], 2, 4), mirrorEdge[i]);
    EXPECT_EQ(sepborder::BorderCoordinate(pos[i], 2, 2), mirror[i]);
  }
}

// Each row pass over several rows at once, every width from 1 on, every border rule: the
// value of x is its kernel over the row extended by the rule; pass 10 writes its two outputs
// into the two halves of a double row.
TEST(SobelBorder, RowPassesFollowTheirKernels) {
  imagetest::ForEachVectorTarget([&] {
    std::mt19937 rng(4);
    for (int pass = 0; pass <= 10; ++pass)
      for (int width : {1, 2, 3, 4, 5, 6, 9, 40})
        for (int border = 0; border <= 4; ++border) {
          SCOPED_TRACE(testing::Message()
                       << "pass " << pass << " width " << width << " border " << border);
          const int count = 3;
          GuardedImage src(width, count, 1);
          src.Randomize(rng);
          const ptrdiff_t w8 = (width + 7) / 8 * 8, values = pass == 10 ? 2 * w8 : w8;
          std::vector<uint8_t> area(size_t(2 * values) * 5, 0xEE), scratch(4 * 5 + 64);
          const uint32_t list[count] = {3, 0, 4};
          const sepborder::Rows rows{area.data(), 2 * values};
          sepborder::fbBorderRowPass[pass](src.data(), src.step(), list, rows, scratch.data(),
                                           width, count, border, 77);
          const int n = sepborder::kRowPassTaps[pass], h = n / 2;
          for (int r = 0; r < count; ++r) {
            auto pixel = [&](int64_t p) -> int {
              if ((p < 0 || p >= width) && border == 0) return 77;
              return src.at(static_cast<int>(Reflect(p, width, border)), r)[0];
            };
            const uint8_t* out = rows(list[r]);
            for (int x = 0; x < width; ++x) {
              if (pass == 10) {
                ASSERT_EQ(At16(out, x), pixel(x - 1) + pixel(x + 1)) << x;
                ASSERT_EQ(At16(out, w8 + x), 8 * pixel(x)) << x;
                continue;
              }
              int v = 0;
              for (int j = 0; j < n; ++j) v += kRowKernels[pass][j] * pixel(x + j - h);
              ASSERT_EQ(At16(out, x), v) << x << " row " << r;
            }
          }
          // Row 1 and 2 are not in the list and keep their bytes.
          for (size_t i = size_t(2 * values); i < size_t(6 * values); ++i) ASSERT_EQ(area[i], 0xEE);
        }
  });
}

// Each column pass on rows of random 16-bit values (extremes included): the kernel's sum
// modulo 2^16; pass 8 adds to the destination, pass 7 combines the halves of double rows.
TEST(SobelBorder, ColumnPassesFollowTheirKernelsWithWrapAround) {
  imagetest::ForEachVectorTarget([&] {
    std::mt19937 rng(9);
    for (int pass = 0; pass <= 12; ++pass)
      for (int width : {1, 7, 8, 33}) {
        SCOPED_TRACE(testing::Message() << "pass " << pass << " width " << width);
        const ptrdiff_t w8 = (width + 7) / 8 * 8, values = pass == 7 ? 2 * w8 : w8;
        const int rowsCount = 9;
        std::vector<uint8_t> area(size_t(2 * values) * rowsCount);
        for (size_t i = 0; i < area.size(); i += 2) {
          const int16_t v =
              rng() % 4 == 0 ? (rng() % 2 ? INT16_MAX : INT16_MIN) : static_cast<int16_t>(rng());
          std::memcpy(&area[i], &v, 2);
        }
        const sepborder::Rows rows{area.data(), 2 * values};
        const uint32_t list[] = {5, 2, 2, 8, 0, 1, 7, 3, 6, 4};
        const int outputs = 4, n = sepborder::kColPassTaps[pass];
        GuardedImage dst(width, outputs, 2, GuardedImage::ExactStep{2 * width + 4, 1});
        dst.Randomize(rng);
        const std::vector<uint8_t> before = dst.Region();
        sepborder::fbBorderColPass[pass](list, rows, dst.data(), dst.step() / 2, width, outputs);
        ASSERT_TRUE(dst.OutsideUntouched());
        for (int o = 0; o < outputs; ++o)
          for (int x = 0; x < width; ++x) {
            int32_t v = 0;
            if (pass == 7) {
              v = 2 * At16(rows(list[o]), x) + 2 * At16(rows(list[o + 2]), x) -
                  At16(rows(list[o + 1]), w8 + x);
            } else {
              if (pass == 8) v = At16(before.data() + size_t(o) * 2 * width, x);
              for (int i = 0; i < n; ++i) v += kColKernels[pass][i] * At16(rows(list[o + i]), x);
            }
            ASSERT_EQ(Value16(dst, x, o), static_cast<int16_t>(v)) << x << "," << o;
          }
      }
  });
}

// The engine with other passes: Laplacian-like and smoothing pairs against the formula over
// the image extended by the rule (the filters reach only four row and four column passes).
TEST(SobelBorder, EngineCombinesAnyPassPair) {
  std::mt19937 rng(21);
  struct Pair {
    int rowPass, colPass;
  };
  const Pair pairs[] = {{4, 2}, {8, 9}, {1, 0}, {5, 6}, {9, 10}, {0, 5}};
  for (Pair pr : pairs)
    for (int height : {1, 3, 20, 40})
      for (int border = 0; border <= 4; ++border) {
        const int width = 11;
        SCOPED_TRACE(testing::Message() << "passes " << pr.rowPass << "/" << pr.colPass
                                        << " height " << height << " border " << border);
        const int n = sepborder::kColPassTaps[pr.colPass];
        ASSERT_EQ(n, sepborder::kRowPassTaps[pr.rowPass]);
        GuardedImage src(width, height, 1);
        src.Randomize(rng);
        GuardedImage dst(width, height, 2);
        int size = 0;
        ASSERT_EQ(ippiFilterSobelVertGetBufferSize_8u16s_C1R(
                      {width, height}, n == 3 ? ippMskSize3x3 : ippMskSize5x5, &size),
                  0);
        GuardedVector buffer(size, 1, 3);
        std::vector<Ipp16s> rk(kRowKernels[pr.rowPass].begin(), kRowKernels[pr.rowPass].end());
        std::vector<Ipp16s> ck(kColKernels[pr.colPass].begin(), kColKernels[pr.colPass].end());
        ASSERT_EQ(sepborder::fbSepBorderFilter8u16s(
                      src.data(), src.step(), reinterpret_cast<Ipp16s*>(dst.data()), dst.step(),
                      width, height, rk.data(), n, ck.data(), n, border, 90, buffer.data(),
                      pr.rowPass, pr.colPass),
                  0);
        ASSERT_TRUE(buffer.OutsideUntouched());
        ASSERT_TRUE(dst.OutsideUntouched());
        const int h = n / 2;
        auto pixel = [&](int64_t x, int64_t y) -> int {
          const bool out = x < 0 || x >= width || y < 0 || y >= height;
          if (out && border == 0) return 90;
          return src.at(static_cast<int>(Reflect(x, width, border)),
                        static_cast<int>(Reflect(y, height, border)))[0];
        };
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < width; ++x) {
            int v = 0;
            for (int i = 0; i < n; ++i) {
              int r = 0;
              for (int j = 0; j < n; ++j)
                r += kRowKernels[pr.rowPass][j] * pixel(x + j - h, y + i - h);
              v += kColKernels[pr.colPass][i] * r;
            }
            ASSERT_EQ(Value16(dst, x, y), static_cast<int16_t>(v)) << x << "," << y;
          }
      }
}

TEST(SobelBorder, AreaSizes) {
  int size = 0;
  EXPECT_EQ(sepborder::fbBorderRowAreaSize(5, 5, 3, &size), 0);
  EXPECT_EQ(size, 76);
  EXPECT_EQ(sepborder::fbBorderColAreaSize(1, 1, 5, &size), 0);
  EXPECT_EQ(size, 84);
  EXPECT_EQ(sepborder::fbBorderColAreaSize(0, 1, 5, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(sepborder::fbBorderRowAreaSize(1, 0, 5, &size), ippStsSizeErr);
  EXPECT_EQ(sepborder::fbBorderRowAreaSize(1, 1, 0, &size), ippStsSizeErr);
}
