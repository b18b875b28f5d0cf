// The histogram over 257 levels 0..256 (one bin per byte value) beside OpenCV's 256-bin
// histogram.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <vector>

#include "bench/common/BenchTable.h"
#include "primitives/image/Histogram.h"

PF_BENCH_TABLE(Histogram) {
  table.Layouts(bench::BothLayouts());
  table.Add("HistogramEven_8u_C1R", [](bench::Row& r) {
    const cv::Mat src = r.Image(CV_8UC1);
    std::vector<Ipp32s> hist(256), levels(257);
    cv::Mat cvHist;
    const int channels[] = {0}, histSize[] = {256};
    const float range[] = {0, 256};
    const float* ranges[] = {range};
    r.Compare(
        [&] {
          builtin::ippiHistogramEven_8u_C1R(src.data, r.Step(src), r.Size(), hist.data(),
                                            levels.data(), 257, 0, 256);
        },
        [&] { cv::calcHist(&src, 1, channels, cv::Mat(), cvHist, 1, histSize, ranges); });
  });
}
