// Elementary functions of float64 vectors beside OpenCV's cv::exp, cv::sqrt and cv::magnitude
// (which takes the real and imaginary parts as two planes) on one row.
#include <opencv2/core.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/signal/ElementaryFunctions.h"

namespace {

constexpr int kPerSample = 1 << 16;

// Values of both signs with fractions in [-lo, hi), of the row's length.
cv::Mat Spread(const bench::Row& r, double lo, double hi) {
  cv::Mat v(1, r.Length(), CV_64F);
  cv::RNG rng(104);
  rng.fill(v, cv::RNG::UNIFORM, lo, hi);
  return v;
}

}  // namespace

PF_BENCH_TABLE(ElementaryFunctions) {
  table.Sizes(bench::Lengths({4096, 1 << 16}));
  table.Add("Exp_64f", [](bench::Row& r) {
    const cv::Mat src = Spread(r, -30.0, 30.0);
    cv::Mat dst(1, r.Length(), CV_64F), cvDst(1, r.Length(), CV_64F);
    r.Compare([&] { builtin::ippsExp_64f(src.ptr<Ipp64f>(), dst.ptr<Ipp64f>(), r.Length()); },
              [&] { cv::exp(src, cvDst); }, r.Repeats(kPerSample));
  });
  table.Add("Sqrt_64f", [](bench::Row& r) {
    const cv::Mat src = Spread(r, 0.0, 1e6);
    cv::Mat dst(1, r.Length(), CV_64F), cvDst(1, r.Length(), CV_64F);
    r.Compare([&] { builtin::ippsSqrt_64f(src.ptr<Ipp64f>(), dst.ptr<Ipp64f>(), r.Length()); },
              [&] { cv::sqrt(src, cvDst); }, r.Repeats(kPerSample));
  });
  table.Add("Magnitude_64fc", [](bench::Row& r) {
    const cv::Mat interleaved = Spread(r, -1e3, 1e3).reshape(2, 1);  // n / 2 complex values
    cv::Mat planes[2];
    cv::split(interleaved, planes);
    const int n = interleaved.cols;
    cv::Mat dst(1, n, CV_64F), cvDst(1, n, CV_64F);
    r.Compare(
        [&] {
          builtin::ippsMagnitude_64fc(interleaved.ptr<Ipp64fc>(), dst.ptr<Ipp64f>(), n);
        },
        [&] { cv::magnitude(planes[0], planes[1], cvDst); }, r.Repeats(kPerSample));
  });
}
