// Image arithmetic with constants beside the same operation in OpenCV: a three-channel image
// with the constants (10, 200, 77), in place, against OpenCV's operation with the same
// constants as a scalar. The results differ where the scale factor halves ours; this compares
// speed only.
#include <opencv2/core.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/image/ArithmeticC.h"

namespace {

using ConstantsInPlace = IppStatus (*)(const Ipp8u*, Ipp8u*, int, IppiSize, int);

template <class OpenCV>
bench::RowBody ConstantsC3Row(ConstantsInPlace ours, OpenCV theirs) {
  return [ours, theirs](bench::Row& r) {
    const Ipp8u value[3] = {10, 200, 77};
    cv::Mat img = r.Image(CV_8UC3), cvImg = r.Like(img);
    r.Compare([&] { ours(value, img.data, r.Step(img), r.Size(), r.Param()); },
              [&] { theirs(cvImg, cv::Scalar(10, 200, 77), cvImg); });
  };
}

}  // namespace

PF_BENCH_TABLE(ArithmeticC) {
  table.Layouts(bench::BothLayouts());
  const std::vector<bench::Param> sf1{{"sf:1", 1}};
  table.Add("AddC_8u_C3IRSfs",
            ConstantsC3Row(builtin::ippiAddC_8u_C3IRSfs,
                           [](cv::Mat& img, cv::Scalar c, cv::Mat& d) { cv::add(img, c, d); }),
            sf1);
  table.Add("DivC_8u_C3IRSfs",
            ConstantsC3Row(builtin::ippiDivC_8u_C3IRSfs,
                           [](cv::Mat& img, cv::Scalar c, cv::Mat& d) { cv::divide(img, c, d); }),
            sf1);
}
