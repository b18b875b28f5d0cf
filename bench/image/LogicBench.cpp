// Speed of the built-in logic on 1920 x 1080 three-channel images beside the same operation in
// OpenCV, single-threaded, timed side by side in one run with the ratio built-in / OpenCV as a
// counter (bench/common/BenchCompare.h).
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include "bench/common/BenchCompare.h"
#include "bench/common/BenchImages.h"
#include "primitives/image/Logic.h"

namespace {

using bench::RandomImage;
using bench::Step;
constexpr IppiSize kSize = bench::kImageSize;

void BM_And_8u_C3IR(benchmark::State& state) {
  const cv::Mat other = RandomImage(CV_8UC3);
  cv::Mat img = RandomImage(CV_8UC3), cvImg = img.clone();
  bench::CompareWithOpenCV(
      state, [&] { builtin::ippiAnd_8u_C3IR(other.data, Step(other), img.data, Step(img), kSize); },
      [&] { cv::bitwise_and(cvImg, other, cvImg); });
}

void BM_Not_8u_C3IR(benchmark::State& state) {
  cv::Mat img = RandomImage(CV_8UC3), cvImg = img.clone();
  bench::CompareWithOpenCV(
      state, [&] { builtin::ippiNot_8u_C3IR(img.data, Step(img), kSize); },
      [&] { cv::bitwise_not(cvImg, cvImg); });
}

void BM_XorC_8u_C3IR(benchmark::State& state) {
  const Ipp8u value[3] = {10, 200, 77};
  cv::Mat img = RandomImage(CV_8UC3), cvImg = img.clone();
  bench::CompareWithOpenCV(
      state, [&] { builtin::ippiXorC_8u_C3IR(value, img.data, Step(img), kSize); },
      [&] { cv::bitwise_xor(cvImg, cv::Scalar(10, 200, 77), cvImg); });
}

BENCHMARK(BM_And_8u_C3IR)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Not_8u_C3IR)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_XorC_8u_C3IR)->Unit(benchmark::kMicrosecond);

}  // namespace
