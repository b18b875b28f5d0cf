// The histogram of a 1920x1080 image over 257 levels 0..256 (one bin per byte value) beside
// OpenCV's 256-bin histogram, and Gaussian noise alone in pixels per second.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <vector>

#include "bench/common/BenchCompare.h"
#include "primitives/image/Histogram.h"
#include "primitives/image/Noise.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

cv::Mat Random8u() {
  cv::Mat m(kHeight, kWidth, CV_8U);
  cv::RNG(5).fill(m, cv::RNG::UNIFORM, 0, 256);
  return m;
}

void BM_HistogramEven(benchmark::State& state) {
  const cv::Mat src = Random8u();
  std::vector<Ipp32s> hist(256), levels(257);
  cv::Mat cvHist;
  const int channels[] = {0}, histSize[] = {256};
  const float range[] = {0, 256};
  const float* ranges[] = {range};
  bench::CompareWithOpenCV(
      state,
      [&] {
        builtin::ippiHistogramEven_8u_C1R(src.data, int(src.step), {kWidth, kHeight}, hist.data(), levels.data(),
                                          257, 0, 256);
      },
      [&] { cv::calcHist(&src, 1, channels, cv::Mat(), cvHist, 1, histSize, ranges); });
}

// OpenCV has no noise of this stream to compare with: pixels per second alone.
void BM_AddRandGauss(benchmark::State& state) {
  cv::Mat img = Random8u();
  unsigned int seed = 1;
  for (auto _ : state) {
    builtin::ippiAddRandGauss_Direct_8u_C1IR(img.data, int(img.step), {kWidth, kHeight}, 0, 20, &seed);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}

}  // namespace

BENCHMARK(BM_HistogramEven)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddRandGauss)->Unit(benchmark::kMillisecond);
