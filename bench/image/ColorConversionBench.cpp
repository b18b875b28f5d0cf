// Colour to gray beside cv::cvtColor. The gray weights differ slightly from OpenCV's; this
// compares speed only.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/image/ColorConversion.h"

PF_BENCH_TABLE(ColorConversion) {
  table.Layouts(bench::BothLayouts());
  table.Add("ColorToGray_8u_C3C1R", [](bench::Row& r) {
    const cv::Mat src = r.Image(CV_8UC3);
    cv::Mat dst = r.Blank(CV_8UC1), cvDst = r.Blank(CV_8UC1);
    r.Compare(
        [&] {
          builtin::ippiColorToGray_8u_C3C1R(src.data, r.Step(src), dst.data, r.Step(dst), r.Size(),
                                            nullptr);
        },
        [&] { cv::cvtColor(src, cvDst, cv::COLOR_BGR2GRAY); });
  });
}
