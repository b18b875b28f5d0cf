// Reductions of vectors beside OpenCV's on one row: the mean beside cv::mean, the maximum
// with its index beside cv::minMaxIdx (which finds both extremes in one pass).
#include <opencv2/core.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/signal/Statistics.h"

namespace {

constexpr int kPerSample = 1 << 16;

// A ramp of both signs with fractions and a bump, so the maximum is in the middle.
cv::Mat Wave(const bench::Row& r) {
  cv::Mat v(1, r.Length(), CV_64F);
  for (int i = 0; i < r.Length(); ++i) v.at<double>(i) = (i % 977) * 0.37 - 150.0 + (i == r.Length() / 2 ? 1e6 : 0);
  return v;
}

}  // namespace

PF_BENCH_TABLE(Statistics) {
  table.Sizes(bench::Lengths({4096, 1 << 16, 1 << 20}));
  table.Add("Mean_64f", [](bench::Row& r) {
    const cv::Mat src = Wave(r);
    Ipp64f mean = 0;
    cv::Scalar cvMean;
    r.Compare([&] { builtin::ippsMean_64f(src.ptr<Ipp64f>(), r.Length(), &mean); },
              [&] { cvMean = cv::mean(src); }, r.Repeats(kPerSample));
  });
  // Values below the level raised to it, in place, beside cv::max with the level.
  table.Add("Threshold_64f_I", [](bench::Row& r) {
    const cv::Mat src = Wave(r);
    cv::Mat v = src.clone(), cvV = src.clone();
    r.Compare(
        [&] {
          src.copyTo(v);
          builtin::ippsThreshold_64f_I(v.ptr<Ipp64f>(), r.Length(), 10.0, ippCmpLess);
        },
        [&] {
          src.copyTo(cvV);
          cv::max(cvV, 10.0, cvV);
        },
        r.Repeats(kPerSample));
  });
  table.Add("MaxIndx_64f", [](bench::Row& r) {
    const cv::Mat src = Wave(r);
    Ipp64f max = 0;
    int index = 0;
    double cvMin = 0, cvMax = 0;
    int cvMinAt[2] = {0, 0}, cvMaxAt[2] = {0, 0};
    r.Compare([&] { builtin::ippsMaxIndx_64f(src.ptr<Ipp64f>(), r.Length(), &max, &index); },
              [&] { cv::minMaxIdx(src, &cvMin, &cvMax, cvMinAt, cvMaxAt); }, r.Repeats(kPerSample));
  });
}
