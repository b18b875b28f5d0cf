// Speed of the built-in image arithmetic with a scale factor beside the same operation in
// OpenCV on 1920 x 1080 images, single-threaded, timed side by side in one run with the ratio
// built-in / OpenCV as a counter (bench/common/BenchCompare.h). The results differ where the
// scale factor halves ours; this compares speed only.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include "bench/common/BenchCompare.h"
#include "primitives/image/Arithmetic.h"
#include "primitives/image/ArithmeticC.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr IppiSize kSize{kWidth, kHeight};

cv::Mat RandomImage(int type) {
  cv::Mat m(kHeight, kWidth, type);
  cv::randu(m, 0, 256);
  return m;
}

int Step(const cv::Mat& m) { return static_cast<int>(m.step); }

using TwoSources = IppStatus (*)(const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int);
using ConstantsInPlace = IppStatus (*)(const Ipp8u*, Ipp8u*, int, IppiSize, int);

// Ours writes first op second (the second image argument is the first operand) at sf 0;
// OpenCV's operation runs on (first, second, destination).
template <class OpenCV>
void RunTwoSources(benchmark::State& state, TwoSources ours, OpenCV theirs) {
  const cv::Mat first = RandomImage(CV_8UC1), second = RandomImage(CV_8UC1);
  cv::Mat dst(kHeight, kWidth, CV_8UC1), cvDst(kHeight, kWidth, CV_8UC1);
  bench::CompareWithOpenCV(
      state,
      [&] {
        ours(second.data, Step(second), first.data, Step(first), dst.data, Step(dst), kSize, 0);
      },
      [&] { theirs(first, second, cvDst); });
}

// A three-channel image with the constants (10, 200, 77) at sf 1, in place; OpenCV's operation
// with the same constants as a scalar.
template <class OpenCV>
void RunConstantsC3(benchmark::State& state, ConstantsInPlace ours, OpenCV theirs) {
  const Ipp8u value[3] = {10, 200, 77};
  cv::Mat img = RandomImage(CV_8UC3), cvImg = img.clone();
  bench::CompareWithOpenCV(
      state, [&] { ours(value, img.data, Step(img), kSize, 1); },
      [&] { theirs(cvImg, cv::Scalar(10, 200, 77), cvImg); });
}

void BM_Add_8u_C1RSfs(benchmark::State& state) {
  RunTwoSources(state, builtin::ippiAdd_8u_C1RSfs,
                [](const cv::Mat& a, const cv::Mat& b, cv::Mat& d) { cv::add(a, b, d); });
}

void BM_Sub_8u_C1RSfs(benchmark::State& state) {
  RunTwoSources(state, builtin::ippiSub_8u_C1RSfs,
                [](const cv::Mat& a, const cv::Mat& b, cv::Mat& d) { cv::subtract(a, b, d); });
}

void BM_Mul_8u_C1RSfs(benchmark::State& state) {
  RunTwoSources(state, builtin::ippiMul_8u_C1RSfs,
                [](const cv::Mat& a, const cv::Mat& b, cv::Mat& d) { cv::multiply(a, b, d); });
}

void BM_Div_8u_C1RSfs(benchmark::State& state) {
  RunTwoSources(state, builtin::ippiDiv_8u_C1RSfs,
                [](const cv::Mat& a, const cv::Mat& b, cv::Mat& d) { cv::divide(a, b, d); });
}

void BM_Add_8u_C3IRSfs_Sf1(benchmark::State& state) {
  const cv::Mat other = RandomImage(CV_8UC3);
  cv::Mat img = RandomImage(CV_8UC3), cvImg = img.clone();
  bench::CompareWithOpenCV(
      state,
      [&] { builtin::ippiAdd_8u_C3IRSfs(other.data, Step(other), img.data, Step(img), kSize, 1); },
      [&] { cv::add(cvImg, other, cvImg); });
}

void BM_AddC_8u_C3IRSfs_Sf1(benchmark::State& state) {
  RunConstantsC3(state, builtin::ippiAddC_8u_C3IRSfs,
                 [](cv::Mat& img, cv::Scalar c, cv::Mat& d) { cv::add(img, c, d); });
}

void BM_DivC_8u_C3IRSfs_Sf1(benchmark::State& state) {
  RunConstantsC3(state, builtin::ippiDivC_8u_C3IRSfs,
                 [](cv::Mat& img, cv::Scalar c, cv::Mat& d) { cv::divide(img, c, d); });
}

BENCHMARK(BM_Add_8u_C1RSfs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sub_8u_C1RSfs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Mul_8u_C1RSfs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Div_8u_C1RSfs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Add_8u_C3IRSfs_Sf1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddC_8u_C3IRSfs_Sf1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DivC_8u_C3IRSfs_Sf1)->Unit(benchmark::kMicrosecond);

}  // namespace
