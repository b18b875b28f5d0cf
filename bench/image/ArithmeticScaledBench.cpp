// Scaled products, absolute difference, maximum and weighted sum beside the same operation in
// OpenCV.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/image/ArithmeticScaled.h"

PF_BENCH_TABLE(ArithmeticScaled) {
  table.Layouts(bench::BothLayouts());
  table.Add("AbsDiff_8u_C1R", [](bench::Row& r) {
    const cv::Mat a = r.Image(CV_8UC1), b = r.Image(CV_8UC1);
    cv::Mat dst = r.Blank(CV_8UC1), cvDst = r.Blank(CV_8UC1);
    r.Compare(
        [&] {
          builtin::ippiAbsDiff_8u_C1R(a.data, r.Step(a), b.data, r.Step(b), dst.data, r.Step(dst),
                                      r.Size());
        },
        [&] { cv::absdiff(a, b, cvDst); });
  });
  // In place, the product divided by 255; OpenCV's multiply with the scale 1/255 (which rounds
  // where ours rounds down: speed only).
  table.Add("MulScale_8u_C3IR", [](bench::Row& r) {
    const cv::Mat other = r.Image(CV_8UC3);
    cv::Mat img = r.Image(CV_8UC3), cvImg = r.Like(img);
    r.Compare(
        [&] {
          builtin::ippiMulScale_8u_C3IR(other.data, r.Step(other), img.data, r.Step(img), r.Size());
        },
        [&] { cv::multiply(cvImg, other, cvImg, 1.0 / 255); });
  });
  // An image without 255, so that every row is read.
  table.Add("Max_8u_C1R", [](bench::Row& r) {
    const cv::Mat img = r.Image(CV_8UC1, 255);
    Ipp8u max = 0;
    double cvMax = 0;
    r.Compare([&] { builtin::ippiMax_8u_C1R(img.data, r.Step(img), r.Size(), &max); },
              [&] { cv::minMaxLoc(img, nullptr, &cvMax); });
  });
  // The weight in hundredths: 25 (few significant bits: a quarter of the sums fall on ties of two
  // floats, which the exact-arithmetic test vouches for) and 10 (24 significant bits: the
  // rounding bound vouches). The same accumulator is averaged into on every iteration, so it
  // settles next to the picture, as a background model does.
  table.Add(
      "AddWeighted_8u32f_C1IR",
      [](bench::Row& r) {
        const float alpha = static_cast<float>(r.Param()) / 100;
        const cv::Mat src = r.Image(CV_8UC1);
        cv::Mat acc = r.Image(CV_32FC1, 255), cvAcc = r.Like(acc);
        r.Compare(
            [&] {
              builtin::ippiAddWeighted_8u32f_C1IR(src.data, r.Step(src), acc.ptr<Ipp32f>(),
                                                  r.Step(acc), r.Size(), alpha);
            },
            [&] { cv::accumulateWeighted(src, cvAcc, alpha); });
      },
      {{"alpha:0.25", 25}, {"alpha:0.10", 10}});
}
