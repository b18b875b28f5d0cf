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

// Runs frame once per iteration, keeping its output alive, and reports bytesPerFrame source
// bytes for each.
template <typename Frame>
void RunFrames(benchmark::State& state, const cv::Mat& dst, int64_t bytesPerFrame, Frame frame) {
  for (auto _ : state) {
    frame();
    benchmark::DoNotOptimize(dst.data);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * bytesPerFrame);
}

// A padded region (rows of a wider image), which cannot be merged into one row, and a
// destination region of the same shape.
struct RoiPair {
  cv::Mat big = RandomImage(CV_8UC1);
  cv::Mat src = big(cv::Rect(8, 0, kWidth - 16, kHeight));
  cv::Mat dstBig = cv::Mat(kHeight, kWidth, CV_8UC1);
  cv::Mat dst = dstBig(cv::Rect(8, 0, kWidth - 16, kHeight));
};

void BM_ColorToGray_Builtin(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC3);
  cv::Mat dst(kHeight, kWidth, CV_8UC1);
  RunFrames(state, dst, int64_t{kWidth} * kHeight * 3, [&] {
    builtin::ippiColorToGray_8u_C3C1R(src.data, static_cast<int>(src.step), dst.data,
                                      static_cast<int>(dst.step), IppiSize{kWidth, kHeight},
                                      nullptr);
  });
}

void BM_ColorToGray_OpenCV(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC3);
  cv::Mat dst(kHeight, kWidth, CV_8UC1);
  RunFrames(state, dst, int64_t{kWidth} * kHeight * 3,
            [&] { cv::cvtColor(src, dst, cv::COLOR_BGR2GRAY); });
}

void BM_Copy_Builtin(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC1);
  cv::Mat dst(kHeight, kWidth, CV_8UC1);
  RunFrames(state, dst, int64_t{kWidth} * kHeight, [&] {
    builtin::ippiCopy_8u_C1R(src.data, static_cast<int>(src.step), dst.data,
                             static_cast<int>(dst.step), IppiSize{kWidth, kHeight});
  });
}

void BM_Copy_OpenCV(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC1);
  cv::Mat dst(kHeight, kWidth, CV_8UC1);
  RunFrames(state, dst, int64_t{kWidth} * kHeight, [&] { src.copyTo(dst); });
}

void BM_CopyRoi_Builtin(benchmark::State& state) {
  RoiPair r;
  RunFrames(state, r.dst, int64_t{r.src.cols} * r.src.rows, [&] {
    builtin::ippiCopy_8u_C1R(r.src.data, static_cast<int>(r.src.step), r.dst.data,
                             static_cast<int>(r.dst.step), IppiSize{r.src.cols, r.src.rows});
  });
}

void BM_CopyRoi_OpenCV(benchmark::State& state) {
  RoiPair r;
  RunFrames(state, r.dst, int64_t{r.src.cols} * r.src.rows, [&] { r.src.copyTo(r.dst); });
}

BENCHMARK(BM_ColorToGray_Builtin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColorToGray_OpenCV)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Copy_Builtin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Copy_OpenCV)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyRoi_Builtin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyRoi_OpenCV)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
