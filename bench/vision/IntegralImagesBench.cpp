// Integral images beside cv::integral with the same depths.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/vision/IntegralImages.h"

PF_BENCH_TABLE(IntegralImages) {
  table.Add("Integral_8u32s_C1R", [](bench::Row& r) {
    const cv::Mat src = r.Image(CV_8UC1);
    cv::Mat sum(r.Height() + 1, r.Width() + 1, CV_32S), cvSum = sum.clone();
    r.Compare(
        [&] {
          builtin::ippiIntegral_8u32s_C1R(src.ptr(), r.Step(src), sum.ptr<Ipp32s>(), r.Step(sum),
                                          r.Size(), 0);
        },
        [&] { cv::integral(src, cvSum, CV_32S); });
  });
  table.Add("SqrIntegral_8u32s64f_C1R", [](bench::Row& r) {
    const cv::Mat src = r.Image(CV_8UC1);
    cv::Mat sum(r.Height() + 1, r.Width() + 1, CV_32S), cvSum = sum.clone();
    cv::Mat sqr(r.Height() + 1, r.Width() + 1, CV_64F), cvSqr = sqr.clone();
    r.Compare(
        [&] {
          builtin::ippiSqrIntegral_8u32s64f_C1R(src.ptr(), r.Step(src), sum.ptr<Ipp32s>(),
                                                r.Step(sum), sqr.ptr<Ipp64f>(), r.Step(sqr),
                                                r.Size(), 0, 0.0);
        },
        [&] { cv::integral(src, cvSum, cvSqr, CV_32S, CV_64F); });
  });
}
