// Thresholds beside cv::threshold: values above the threshold replaced by it (THRESH_TRUNC).
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/image/LookupTables.h"

PF_BENCH_TABLE(LookupTablesThreshold) {
  table.Layouts(bench::BothLayouts());
  table.Add("Threshold_GTVal_8u_C3R", [](bench::Row& r) {
    const cv::Mat src = r.Image(CV_8UC3);
    cv::Mat dst = r.Blank(CV_8UC3), cvDst = r.Blank(CV_8UC3);
    const Ipp8u threshold[3] = {140, 140, 140};
    r.Compare(
        [&] {
          builtin::ippiThreshold_GTVal_8u_C3R(src.data, r.Step(src), dst.data, r.Step(dst),
                                              r.Size(), threshold, threshold);
        },
        [&] { cv::threshold(src, cvDst, 140, 255, cv::THRESH_TRUNC); });
  });
}
