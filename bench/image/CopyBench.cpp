// The built-in colour-to-gray and copy primitives at 1920x1080, each timed beside the same
// OpenCV operation in one benchmark (interleaved, single-threaded); the counter "ratio" is
// built-in/OpenCV. (The gray weights differ slightly from OpenCV's; this compares speed only.)
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchCompare.h"
#include "primitives/image/ColorConversion.h"
#include "primitives/image/Copy.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

cv::Mat RandomImage(int type) {
  cv::setNumThreads(1);
  cv::Mat m(kHeight, kWidth, type);
  cv::randu(m, 0, 256);
  return m;
}

void BM_ColorToGray(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC3);
  cv::Mat ours(kHeight, kWidth, CV_8UC1), theirs(kHeight, kWidth, CV_8UC1);
  bench::CompareWithOpenCV(
      state,
      [&] {
        builtin::ippiColorToGray_8u_C3C1R(src.data, static_cast<int>(src.step), ours.data,
                                          static_cast<int>(ours.step), IppiSize{kWidth, kHeight}, nullptr);
      },
      [&] { cv::cvtColor(src, theirs, cv::COLOR_BGR2GRAY); });
}

void BM_Copy(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC1);
  cv::Mat ours(kHeight, kWidth, CV_8UC1), theirs(kHeight, kWidth, CV_8UC1);
  bench::CompareWithOpenCV(
      state,
      [&] {
        builtin::ippiCopy_8u_C1R(src.data, static_cast<int>(src.step), ours.data, static_cast<int>(ours.step),
                                 IppiSize{kWidth, kHeight});
      },
      [&] { src.copyTo(theirs); });
}

// A padded region (rows of a wider image), which cannot be worked as one row, into a
// destination region of the same shape.
void BM_CopyPadded(benchmark::State& state) {
  const cv::Mat big = RandomImage(CV_8UC1);
  const cv::Mat src = big(cv::Rect(8, 0, kWidth - 16, kHeight));
  cv::Mat oursBig(kHeight, kWidth, CV_8UC1), theirsBig(kHeight, kWidth, CV_8UC1);
  cv::Mat ours = oursBig(cv::Rect(8, 0, kWidth - 16, kHeight));
  cv::Mat theirs = theirsBig(cv::Rect(8, 0, kWidth - 16, kHeight));
  bench::CompareWithOpenCV(
      state,
      [&] {
        builtin::ippiCopy_8u_C1R(src.data, static_cast<int>(src.step), ours.data, static_cast<int>(ours.step),
                                 IppiSize{src.cols, src.rows});
      },
      [&] { src.copyTo(theirs); });
}

}  // namespace

BENCHMARK(BM_ColorToGray)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Copy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyPadded)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
