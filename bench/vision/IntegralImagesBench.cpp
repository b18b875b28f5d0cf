// Integral images of a 1920x1080 picture beside cv::integral with the same depths, timed in
// one benchmark (interleaved, single-threaded); the counter "ratio" is built-in/OpenCV.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchCompare.h"
#include "primitives/vision/IntegralImages.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

const cv::Mat& Gray() {
  static const cv::Mat gray = [] {
    cv::Mat m(kHeight, kWidth, CV_8U);
    cv::RNG(11).fill(m, cv::RNG::UNIFORM, 0, 256);
    return m;
  }();
  return gray;
}

void BM_Integral32s(benchmark::State& state) {
  const cv::Mat& src = Gray();
  cv::Mat ours(kHeight + 1, kWidth + 1, CV_32S), sum(kHeight + 1, kWidth + 1, CV_32S);
  bench::CompareWithOpenCV(
      state,
      [&] {
        builtin::ippiIntegral_8u32s_C1R(src.ptr(), int(src.step), ours.ptr<Ipp32s>(), int(ours.step),
                                        {kWidth, kHeight}, 0);
      },
      [&] { cv::integral(src, sum, CV_32S); });
}

void BM_SqrIntegral32s64f(benchmark::State& state) {
  const cv::Mat& src = Gray();
  cv::Mat ours(kHeight + 1, kWidth + 1, CV_32S), oursSqr(kHeight + 1, kWidth + 1, CV_64F);
  cv::Mat sum(kHeight + 1, kWidth + 1, CV_32S), sqsum(kHeight + 1, kWidth + 1, CV_64F);
  bench::CompareWithOpenCV(
      state,
      [&] {
        builtin::ippiSqrIntegral_8u32s64f_C1R(src.ptr(), int(src.step), ours.ptr<Ipp32s>(), int(ours.step),
                                              oursSqr.ptr<Ipp64f>(), int(oursSqr.step), {kWidth, kHeight}, 0, 0.0);
      },
      [&] { cv::integral(src, sum, sqsum, CV_32S, CV_64F); });
}

}  // namespace

BENCHMARK(BM_Integral32s)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqrIntegral32s64f)->Unit(benchmark::kMicrosecond);
