// Colour space conversions beside cv::cvtColor. HSV and Lab are defined with other arithmetic
// and rounding than OpenCV's; this compares speed only.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/image/ColorSpaces.h"

namespace {

using Conversion = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize);

// A three-channel conversion of ours beside cv::cvtColor with the given code.
bench::RowBody ConversionRow(Conversion ours, int code) {
  return [ours, code](bench::Row& r) {
    const cv::Mat src = r.Image(CV_8UC3);
    cv::Mat dst = r.Blank(CV_8UC3), cvDst = r.Blank(CV_8UC3);
    r.Compare([&] { ours(src.data, r.Step(src), dst.data, r.Step(dst), r.Size()); },
              [&] { cv::cvtColor(src, cvDst, code); });
  };
}

}  // namespace

PF_BENCH_TABLE(ColorSpaces) {
  table.Layouts(bench::BothLayouts());
  table.Add("RGBToYCbCr_8u_C3R",
            ConversionRow(builtin::ippiRGBToYCbCr_8u_C3R, cv::COLOR_RGB2YCrCb));
  table.Add("RGBToHSV_8u_C3R", ConversionRow(builtin::ippiRGBToHSV_8u_C3R, cv::COLOR_RGB2HSV_FULL));
  table.Add("BGRToLab_8u_C3R", ConversionRow(builtin::ippiBGRToLab_8u_C3R, cv::COLOR_BGR2Lab));
}
