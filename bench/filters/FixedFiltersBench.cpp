// The fixed-kernel filters beside OpenCV's filters of the same kernels, on a region inside a
// picture with the margins the filters read.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <functional>

#include "bench/common/BenchTable.h"
#include "primitives/filters/FixedFilters.h"

namespace {

constexpr int kMargin = 2;

// A random picture with the margins around the row's region, and the region itself.
struct Picture {
  cv::Mat whole, region;
  Picture(bench::Row& r, int type) {
    whole = cv::Mat(r.Height() + 2 * kMargin, r.Width() + 2 * kMargin, type);
    cv::randu(whole, 0, 256);
    region = whole(cv::Rect(kMargin, kMargin, r.Width(), r.Height()));
  }
};

using Ours = std::function<IppStatus(const Ipp8u*, int, Ipp8u*, int, IppiSize)>;
using Theirs = std::function<void(const cv::Mat&, cv::Mat&)>;

bench::RowBody Case(int type, Ours ours, Theirs theirs) {
  return [type, ours, theirs](bench::Row& r) {
    Picture src(r, type);
    cv::Mat dst(r.Height(), r.Width(), type), cvDst(r.Height(), r.Width(), type);
    r.Compare([&] { ours(src.region.ptr(), r.Step(src.whole), dst.ptr(), r.Step(dst), r.Size()); },
              [&] { theirs(src.region, cvDst); });
  };
}

Ours Masked(IppStatus (*f)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize),
            IppiMaskSize mask) {
  return [f, mask](const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize roi) {
    return f(s, ss, d, ds, roi, mask);
  };
}

Theirs Filter2D(cv::Mat kernel) {
  return [kernel](const cv::Mat& in, cv::Mat& out) { cv::filter2D(in, out, CV_8U, kernel); };
}

cv::Mat Kernel3(std::initializer_list<float> w, float divisor = 1) {
  cv::Mat k(3, 3, CV_32F);
  int i = 0;
  for (float v : w) k.at<float>(i / 3, i % 3) = v / divisor, ++i;
  return k;
}

cv::Mat Laplace5() {
  const float rows[3][5] = {{-1, -3, -4, -3, -1}, {-3, 0, 6, 0, -3}, {-4, 6, 20, 6, -4}};
  cv::Mat k(5, 5, CV_32F);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) k.at<float>(y, x) = rows[y < 3 ? y : 4 - y][x];
  return k;
}

cv::Mat Gauss5() {
  const float rows[3][5] = {{2, 7, 12, 7, 2}, {7, 31, 52, 31, 7}, {12, 52, 127, 52, 12}};
  cv::Mat k(5, 5, CV_32F);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) k.at<float>(y, x) = rows[y < 3 ? y : 4 - y][x] / 571.0f;
  return k;
}

}  // namespace

PF_BENCH_TABLE(FixedFilters) {
  table.Sizes({bench::kFullHd});
  table.Add("SobelHoriz_8u_C1R",
            Case(CV_8UC1, builtin::ippiFilterSobelHoriz_8u_C1R,
                 [](const cv::Mat& in, cv::Mat& out) { cv::Sobel(in, out, CV_8U, 0, 1, 3); }));
  table.Add("SobelVert_8u_C3R",
            Case(CV_8UC3, builtin::ippiFilterSobelVert_8u_C3R,
                 [](const cv::Mat& in, cv::Mat& out) { cv::Sobel(in, out, CV_8U, 1, 0, 3, -1); }));
  table.Add("Laplace_8u_C1R/33",
            Case(CV_8UC1, Masked(builtin::ippiFilterLaplace_8u_C1R, ippMskSize3x3),
                 Filter2D(Kernel3({-1, -1, -1, -1, 8, -1, -1, -1, -1}))));
  table.Add("Laplace_8u_C1R/55",
            Case(CV_8UC1, Masked(builtin::ippiFilterLaplace_8u_C1R, ippMskSize5x5),
                 Filter2D(Laplace5())));
  table.Add("Sharpen_8u_C1R", Case(CV_8UC1, builtin::ippiFilterSharpen_8u_C1R,
                                   Filter2D(Kernel3({-1, -1, -1, -1, 16, -1, -1, -1, -1}, 8))));
  const Theirs gaussianBlur3 = [](const cv::Mat& in, cv::Mat& out) {
    cv::GaussianBlur(in, out, cv::Size(3, 3), 0);
  };
  table.Add("Gauss_8u_C1R/33",
            Case(CV_8UC1, Masked(builtin::ippiFilterGauss_8u_C1R, ippMskSize3x3), gaussianBlur3));
  table.Add("Gauss_8u_C4R/33",
            Case(CV_8UC4, Masked(builtin::ippiFilterGauss_8u_C4R, ippMskSize3x3), gaussianBlur3));
  table.Add("Gauss_8u_C1R/55", Case(CV_8UC1, Masked(builtin::ippiFilterGauss_8u_C1R, ippMskSize5x5),
                                    Filter2D(Gauss5())));
  table.Add("Lowpass_8u_C1R/33",
            Case(CV_8UC1, Masked(builtin::ippiFilterLowpass_8u_C1R, ippMskSize3x3),
                 [](const cv::Mat& in, cv::Mat& out) { cv::blur(in, out, cv::Size(3, 3)); }));
  table.Add("Lowpass_8u_C1R/55",
            Case(CV_8UC1, Masked(builtin::ippiFilterLowpass_8u_C1R, ippMskSize5x5),
                 [](const cv::Mat& in, cv::Mat& out) { cv::blur(in, out, cv::Size(5, 5)); }));
}
