// Speed of the built-in colour-to-gray and copy primitives beside OpenCV on a 1920 x 1080
// image, single-threaded. Each pair runs one after the other so that the ratio reads off one
// run. (The gray weights differ slightly from OpenCV's; this compares speed only.)
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "primitives/image/PXColorConversion.h"
#include "primitives/image/PXImageCopy.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

cv::Mat RandomImage(int type) {
  cv::setNumThreads(1);
  cv::Mat m(kHeight, kWidth, type);
  cv::randu(m, 0, 256);
  return m;
}

void SetBytes(benchmark::State& state, int64_t bytesPerFrame) {
  state.SetBytesProcessed(state.iterations() * bytesPerFrame);
}

void BM_ColorToGray_Builtin(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC3);
  cv::Mat dst(kHeight, kWidth, CV_8UC1);
  for (auto _ : state) {
    builtin::ippiColorToGray_8u_C3C1R(src.data, static_cast<int>(src.step), dst.data,
                                      static_cast<int>(dst.step), IppiSize{kWidth, kHeight},
                                      nullptr);
    benchmark::DoNotOptimize(dst.data);
    benchmark::ClobberMemory();
  }
  SetBytes(state, static_cast<int64_t>(kWidth) * kHeight * 3);
}

void BM_ColorToGray_OpenCV(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC3);
  cv::Mat dst(kHeight, kWidth, CV_8UC1);
  for (auto _ : state) {
    cv::cvtColor(src, dst, cv::COLOR_BGR2GRAY);
    benchmark::DoNotOptimize(dst.data);
    benchmark::ClobberMemory();
  }
  SetBytes(state, static_cast<int64_t>(kWidth) * kHeight * 3);
}

void BM_Copy_Builtin(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC1);
  cv::Mat dst(kHeight, kWidth, CV_8UC1);
  for (auto _ : state) {
    builtin::ippiCopy_8u_C1R(src.data, static_cast<int>(src.step), dst.data,
                             static_cast<int>(dst.step), IppiSize{kWidth, kHeight});
    benchmark::DoNotOptimize(dst.data);
    benchmark::ClobberMemory();
  }
  SetBytes(state, static_cast<int64_t>(kWidth) * kHeight);
}

void BM_Copy_OpenCV(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC1);
  cv::Mat dst(kHeight, kWidth, CV_8UC1);
  for (auto _ : state) {
    src.copyTo(dst);
    benchmark::DoNotOptimize(dst.data);
    benchmark::ClobberMemory();
  }
  SetBytes(state, static_cast<int64_t>(kWidth) * kHeight);
}

// A padded region (rows of a wider image), which cannot be merged into one row.
void BM_CopyRoi_Builtin(benchmark::State& state) {
  const cv::Mat big = RandomImage(CV_8UC1);
  const cv::Mat src = big(cv::Rect(8, 0, kWidth - 16, kHeight));
  cv::Mat dstBig(kHeight, kWidth, CV_8UC1);
  cv::Mat dst = dstBig(cv::Rect(8, 0, kWidth - 16, kHeight));
  for (auto _ : state) {
    builtin::ippiCopy_8u_C1R(src.data, static_cast<int>(src.step), dst.data,
                             static_cast<int>(dst.step), IppiSize{src.cols, src.rows});
    benchmark::DoNotOptimize(dst.data);
    benchmark::ClobberMemory();
  }
  SetBytes(state, static_cast<int64_t>(src.cols) * src.rows);
}

void BM_CopyRoi_OpenCV(benchmark::State& state) {
  const cv::Mat big = RandomImage(CV_8UC1);
  const cv::Mat src = big(cv::Rect(8, 0, kWidth - 16, kHeight));
  cv::Mat dstBig(kHeight, kWidth, CV_8UC1);
  cv::Mat dst = dstBig(cv::Rect(8, 0, kWidth - 16, kHeight));
  for (auto _ : state) {
    src.copyTo(dst);
    benchmark::DoNotOptimize(dst.data);
    benchmark::ClobberMemory();
  }
  SetBytes(state, static_cast<int64_t>(src.cols) * src.rows);
}

BENCHMARK(BM_ColorToGray_Builtin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColorToGray_OpenCV)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Copy_Builtin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Copy_OpenCV)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyRoi_Builtin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyRoi_OpenCV)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
