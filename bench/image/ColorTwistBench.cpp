// The colour twist beside cv::transform with the same matrix. The twist is defined with other
// arithmetic and rounding than OpenCV's; this compares speed only.
#include <opencv2/core.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/image/ColorTwist.h"

PF_BENCH_TABLE(ColorTwist) {
  table.Layouts(bench::BothLayouts());
  table.Add("ColorTwist32f_8u_C3R", [](bench::Row& r) {
    const cv::Mat src = r.Image(CV_8UC3);
    cv::Mat dst = r.Blank(CV_8UC3), cvDst = r.Blank(CV_8UC3);
    // A YUV-like matrix with offsets: every output depends on every input.
    const Ipp32f twist[3][4] = {{0.299f, 0.587f, 0.114f, 0.0f},
                                {-0.147f, -0.289f, 0.436f, 128.0f},
                                {0.615f, -0.515f, -0.100f, 128.0f}};
    const cv::Mat m(3, 4, CV_32F, const_cast<Ipp32f*>(&twist[0][0]));
    r.Compare(
        [&] {
          builtin::ippiColorTwist32f_8u_C3R(src.data, r.Step(src), dst.data, r.Step(dst), r.Size(),
                                            twist);
        },
        [&] { cv::transform(src, cvDst, m); });
  });
}
