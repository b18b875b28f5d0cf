// Speed of the built-in scaled products, absolute difference, maximum and weighted sum on
// 1920 x 1080 images beside the same operation in OpenCV, single-threaded, timed side by side
// in one run with the ratio built-in / OpenCV as a counter (bench/common/BenchCompare.h).
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchCompare.h"
#include "bench/common/BenchImages.h"
#include "primitives/image/PXImageArithmeticScaled.h"

namespace {

using bench::RandomImage;
using bench::Step;
constexpr int kWidth = bench::kImageWidth;
constexpr int kHeight = bench::kImageHeight;
constexpr IppiSize kSize = bench::kImageSize;

void BM_AbsDiff_8u_C1R(benchmark::State& state) {
  const cv::Mat a = RandomImage(CV_8UC1), b = RandomImage(CV_8UC1);
  cv::Mat dst(kHeight, kWidth, CV_8UC1), cvDst(kHeight, kWidth, CV_8UC1);
  bench::CompareWithOpenCV(
      state,
      [&] {
        builtin::ippiAbsDiff_8u_C1R(a.data, Step(a), b.data, Step(b), dst.data, Step(dst), kSize);
      },
      [&] { cv::absdiff(a, b, cvDst); });
}

// In place, the product divided by 255; OpenCV's multiply with the scale 1/255 (which rounds
// where ours rounds down: speed only).
void BM_MulScale_8u_C3IR(benchmark::State& state) {
  const cv::Mat other = RandomImage(CV_8UC3);
  cv::Mat img = RandomImage(CV_8UC3), cvImg = img.clone();
  bench::CompareWithOpenCV(
      state,
      [&] { builtin::ippiMulScale_8u_C3IR(other.data, Step(other), img.data, Step(img), kSize); },
      [&] { cv::multiply(cvImg, other, cvImg, 1.0 / 255); });
}

// An image without 255, so that every row is read.
void BM_Max_8u_C1R(benchmark::State& state) {
  const cv::Mat img = RandomImage(CV_8UC1, 255);
  Ipp8u max = 0;
  double cvMax = 0;
  bench::CompareWithOpenCV(
      state, [&] { builtin::ippiMax_8u_C1R(img.data, Step(img), kSize, &max); },
      [&] { cv::minMaxLoc(img, nullptr, &cvMax); });
}

// The weight in hundredths: 25 (few significant bits: a quarter of the sums fall on ties of two
// floats, which the exact-arithmetic test vouches for) and 10 (24 significant bits: the
// rounding bound vouches). The same accumulator is averaged into on every iteration, so it
// settles next to the picture, as a background model does.
void BM_AddWeighted_8u32f_C1IR(benchmark::State& state) {
  const float alpha = static_cast<float>(state.range(0)) / 100;
  const cv::Mat src = RandomImage(CV_8UC1);
  cv::Mat acc(kHeight, kWidth, CV_32FC1), cvAcc(kHeight, kWidth, CV_32FC1);
  cv::randu(acc, 0, 255);
  acc.copyTo(cvAcc);
  bench::CompareWithOpenCV(
      state,
      [&] {
        builtin::ippiAddWeighted_8u32f_C1IR(src.data, Step(src), acc.ptr<Ipp32f>(), Step(acc),
                                            kSize, alpha);
      },
      [&] { cv::accumulateWeighted(src, cvAcc, alpha); });
}

BENCHMARK(BM_AbsDiff_8u_C1R)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MulScale_8u_C3IR)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Max_8u_C1R)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddWeighted_8u32f_C1IR)->Arg(25)->Arg(10)->Unit(benchmark::kMicrosecond);

}  // namespace
