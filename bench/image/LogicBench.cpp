// Logic on three-channel images beside the same operation in OpenCV.
#include <opencv2/core.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/image/Logic.h"

PF_BENCH_TABLE(Logic) {
  table.Layouts(bench::BothLayouts());
  table.Add("And_8u_C3IR", [](bench::Row& r) {
    const cv::Mat other = r.Image(CV_8UC3);
    cv::Mat img = r.Image(CV_8UC3), cvImg = r.Like(img);
    r.Compare(
        [&] {
          builtin::ippiAnd_8u_C3IR(other.data, r.Step(other), img.data, r.Step(img), r.Size());
        },
        [&] { cv::bitwise_and(cvImg, other, cvImg); });
  });
  table.Add("Not_8u_C3IR", [](bench::Row& r) {
    cv::Mat img = r.Image(CV_8UC3), cvImg = r.Like(img);
    r.Compare([&] { builtin::ippiNot_8u_C3IR(img.data, r.Step(img), r.Size()); },
              [&] { cv::bitwise_not(cvImg, cvImg); });
  });
  table.Add("XorC_8u_C3IR", [](bench::Row& r) {
    const Ipp8u value[3] = {10, 200, 77};
    cv::Mat img = r.Image(CV_8UC3), cvImg = r.Like(img);
    r.Compare([&] { builtin::ippiXorC_8u_C3IR(value, img.data, r.Step(img), r.Size()); },
              [&] { cv::bitwise_xor(cvImg, cv::Scalar(10, 200, 77), cvImg); });
  });
}
