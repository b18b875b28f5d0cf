// Speed of the colour point primitives beside the same operation in OpenCV, on 1920 x 1080
// images, single-threaded, timed side by side in one run with the ratio built-in / OpenCV as a
// counter (bench/common/BenchCompare.h). Twist, HSV and Lab are defined with other arithmetic
// and rounding than OpenCV's; this compares speed only.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchCompare.h"
#include "primitives/image/ColorSpaces.h"
#include "primitives/image/ColorTwist.h"
#include "primitives/image/LookupTables.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr IppiSize kSize{kWidth, kHeight};

cv::Mat RandomImage(int type) {
  cv::Mat m(kHeight, kWidth, type);
  cv::theRNG().state = 7;
  cv::randu(m, 0, 256);
  return m;
}

int Step(const cv::Mat& m) { return static_cast<int>(m.step); }

void BM_ColorTwist_C3R_vs_transform(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC3);
  cv::Mat ours(kHeight, kWidth, CV_8UC3), theirs(kHeight, kWidth, CV_8UC3);
  // A YUV-like matrix with offsets: every output depends on every input.
  const Ipp32f twist[3][4] = {{0.299f, 0.587f, 0.114f, 0.0f},
                              {-0.147f, -0.289f, 0.436f, 128.0f},
                              {0.615f, -0.515f, -0.100f, 128.0f}};
  const cv::Mat m(3, 4, CV_32F, const_cast<Ipp32f*>(&twist[0][0]));
  bench::CompareWithOpenCV(
      state,
      [&] {
        builtin::ippiColorTwist32f_8u_C3R(src.data, Step(src), ours.data, Step(ours), kSize, twist);
      },
      [&] { cv::transform(src, theirs, m); });
}

void BM_LUT_C3R_vs_LUT(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC3);
  cv::Mat ours(kHeight, kWidth, CV_8UC3), theirs(kHeight, kWidth, CV_8UC3);
  // A full table per channel: 257 levels 0..256 and a value for each.
  Ipp32s levels[3][257], values[3][257];
  cv::Mat lut(1, 256, CV_8UC3);
  for (int c = 0; c < 3; ++c)
    for (int v = 0; v <= 256; ++v) {
      levels[c][v] = v;
      values[c][v] = (v * (c + 3) + 17 * c) % 256;
      if (v < 256) lut.ptr<uint8_t>()[3 * v + c] = static_cast<uint8_t>(values[c][v]);
    }
  const Ipp32s* pValues[3] = {values[0], values[1], values[2]};
  const Ipp32s* pLevels[3] = {levels[0], levels[1], levels[2]};
  int nLevels[3] = {257, 257, 257};
  bench::CompareWithOpenCV(
      state,
      [&] {
        builtin::ippiLUT_8u_C3R(src.data, Step(src), ours.data, Step(ours), kSize, pValues,
                                pLevels, nLevels);
      },
      [&] { cv::LUT(src, lut, theirs); });
}

void BM_Threshold_GTVal_C3R_vs_TRUNC(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC3);
  cv::Mat ours(kHeight, kWidth, CV_8UC3), theirs(kHeight, kWidth, CV_8UC3);
  const Ipp8u threshold[3] = {140, 140, 140};
  bench::CompareWithOpenCV(
      state,
      [&] {
        builtin::ippiThreshold_GTVal_8u_C3R(src.data, Step(src), ours.data, Step(ours), kSize,
                                            threshold, threshold);
      },
      [&] { cv::threshold(src, theirs, 140, 255, cv::THRESH_TRUNC); });
}

// A colour conversion of ours and cv::cvtColor with the given code.
template <IppStatus (*Ours)(const Ipp8u*, int, Ipp8u*, int, IppiSize)>
void ConversionPair(benchmark::State& state, int code) {
  const cv::Mat src = RandomImage(CV_8UC3);
  cv::Mat ours(kHeight, kWidth, CV_8UC3), theirs(kHeight, kWidth, CV_8UC3);
  bench::CompareWithOpenCV(
      state, [&] { Ours(src.data, Step(src), ours.data, Step(ours), kSize); },
      [&] { cv::cvtColor(src, theirs, code); });
}

void BM_RGBToYCbCr_C3R_vs_RGB2YCrCb(benchmark::State& state) {
  ConversionPair<builtin::ippiRGBToYCbCr_8u_C3R>(state, cv::COLOR_RGB2YCrCb);
}

void BM_RGBToHSV_C3R_vs_RGB2HSV_FULL(benchmark::State& state) {
  ConversionPair<builtin::ippiRGBToHSV_8u_C3R>(state, cv::COLOR_RGB2HSV_FULL);
}

void BM_BGRToLab_C3R_vs_BGR2Lab(benchmark::State& state) {
  ConversionPair<builtin::ippiBGRToLab_8u_C3R>(state, cv::COLOR_BGR2Lab);
}

BENCHMARK(BM_ColorTwist_C3R_vs_transform)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LUT_C3R_vs_LUT)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Threshold_GTVal_C3R_vs_TRUNC)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RGBToYCbCr_C3R_vs_RGB2YCrCb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RGBToHSV_C3R_vs_RGB2HSV_FULL)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BGRToLab_C3R_vs_BGR2Lab)->Unit(benchmark::kMillisecond);

}  // namespace
