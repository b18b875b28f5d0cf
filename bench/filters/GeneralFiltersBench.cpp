// General kernel filters on a full-HD region with the margins its kernel reads, beside OpenCV's
// filter2D with the kernel flipped (divided by the divisor where it is not 1: speed only there).
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <vector>

#include "bench/common/BenchTable.h"
#include "primitives/filters/GeneralFilters.h"

namespace {

// A source of the row's size with `margin` pixels on every side, and the region inside it.
struct Bordered {
  cv::Mat whole, region;
  Bordered(bench::Row& r, int type, int margin) {
    whole.create(r.Height() + 2 * margin, r.Width() + 2 * margin, type);
    cv::RNG rng(0x5eed);
    rng.fill(whole, cv::RNG::UNIFORM, 0, 256);
    region = whole(cv::Rect(margin, margin, r.Width(), r.Height()));
  }
};

// The integer kernels of the rows: side x side, mixed signs, none zero.
std::vector<Ipp32s> Kernel(int side) {
  std::vector<Ipp32s> k(size_t(side) * side);
  for (int i = 0; i < side * side; ++i) k[i] = (i * 7) % 5 - 1 + (i % 3 == 0 ? 2 : 0);
  for (auto& v : k)
    if (v == 0) v = 1;
  return k;
}

cv::Mat FlippedOver(const std::vector<Ipp32s>& k, int side, int divisor) {
  cv::Mat f(side, side, CV_32F);
  for (int j = 0; j < side; ++j)
    for (int i = 0; i < side; ++i)
      f.at<float>(side - 1 - j, side - 1 - i) =
          static_cast<float>(k[j * side + i]) / static_cast<float>(divisor);
  return f;
}

template <typename Fn>
void IntegerRow(bench::Row& r, int cvType, int side, int divisor, Fn fn) {
  const int half = side / 2;
  Bordered src(r, cvType, half);
  cv::Mat dst(r.Height(), r.Width(), cvType), cvDst(r.Height(), r.Width(), cvType);
  const std::vector<Ipp32s> k = Kernel(side);
  const cv::Mat flipped = FlippedOver(k, side, divisor);
  r.Compare(
      [&] {
        fn(src.region.data, bench::Row::Step(src.region), dst.data, bench::Row::Step(dst), r.Size(),
           k.data(), IppiSize{side, side}, IppiPoint{half, half}, divisor);
      },
      [&] { cv::filter2D(src.region, cvDst, CV_8U, flipped, cv::Point(half, half)); });
}

// A 7-tap Gaussian in float: its sums are exact in double, not in float.
std::vector<float> Taps7() {
  const cv::Mat g = cv::getGaussianKernel(7, 1.3, CV_32F);
  return std::vector<float>(g.ptr<float>(), g.ptr<float>() + 7);
}

template <typename Fn>
void FloatRow(bench::Row& r, int cvType, bool row, Fn fn) {
  Bordered src(r, cvType, 3);
  cv::Mat dst(r.Height(), r.Width(), cvType), cvDst(r.Height(), r.Width(), cvType);
  const std::vector<float> k = Taps7();
  cv::Mat flipped(row ? 1 : 7, row ? 7 : 1, CV_32F);
  for (int i = 0; i < 7; ++i) flipped.at<float>(6 - i) = k[i];
  r.Compare(
      [&] {
        fn(src.region.data, bench::Row::Step(src.region), dst.data, bench::Row::Step(dst), r.Size(),
           k.data(), 7, 3);
      },
      [&] {
        cv::filter2D(src.region, cvDst, CV_8U, flipped, cv::Point(row ? 3 : 0, row ? 0 : 3));
      });
}

}  // namespace

PF_BENCH_TABLE(GeneralFilters) {
  table.Sizes({bench::kFullHd});
  table.Add("Filter_8u_C1R/3x3",
            [](bench::Row& r) { IntegerRow(r, CV_8UC1, 3, r.Param(), builtin::ippiFilter_8u_C1R); },
            {{"div:1", 1}});
  table.Add("Filter_8u_C1R/5x5",
            [](bench::Row& r) { IntegerRow(r, CV_8UC1, 5, r.Param(), builtin::ippiFilter_8u_C1R); },
            {{"div:16", 16}, {"div:25", 25}});
  table.Add("Filter_8u_C3R/5x5",
            [](bench::Row& r) { IntegerRow(r, CV_8UC3, 5, r.Param(), builtin::ippiFilter_8u_C3R); },
            {{"div:25", 25}});
  table.Add("FilterRow32f_8u_C1R/7",
            [](bench::Row& r) { FloatRow(r, CV_8UC1, true, builtin::ippiFilterRow32f_8u_C1R); });
  table.Add("FilterRow32f_8u_C4R/7",
            [](bench::Row& r) { FloatRow(r, CV_8UC4, true, builtin::ippiFilterRow32f_8u_C4R); });
  table.Add("FilterColumn32f_8u_C1R/7", [](bench::Row& r) {
    FloatRow(r, CV_8UC1, false, builtin::ippiFilterColumn32f_8u_C1R);
  });
}
