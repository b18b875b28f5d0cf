// Speed of the built-in colour-to-gray and copy primitives beside OpenCV on a 1920 x 1080
// image, single-threaded. Each pair runs one after the other so that the ratio reads off one
// run. (The gray weights differ slightly from OpenCV's; this compares speed only.)
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <vector>

#include "bench/common/SideBySide.h"
#include "primitives/image/PXColorConversion.h"
#include "primitives/image/PXImageCopy.h"
#include "primitives/image/PXImageHistogram.h"
#include "primitives/image/PXImageNoise.h"

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

// The histogram of 257 levels 0..256 (one bin per byte value) beside OpenCV's 256 bins.
void BM_HistogramEven(benchmark::State& state) {
  const cv::Mat src = RandomImage(CV_8UC1);
  std::vector<Ipp32s> hist(256), levels(257);
  cv::Mat cvHist;
  const int channels[] = {0}, histSize[] = {256};
  const float range[] = {0, 256};
  const float* ranges[] = {range};
  bench::SideBySide(
      state,
      [&] {
        builtin::ippiHistogramEven_8u_C1R(src.data, static_cast<int>(src.step), IppiSize{kWidth, kHeight},
                                          hist.data(), levels.data(), 257, 0, 256);
      },
      [&] { cv::calcHist(&src, 1, channels, cv::Mat(), cvHist, 1, histSize, ranges); });
}

// Gaussian noise alone (OpenCV has no in-place equivalent with this stream): pixels per second.
void BM_AddRandGauss(benchmark::State& state) {
  cv::Mat img = RandomImage(CV_8UC1);
  unsigned int seed = 1;
  RunFrames(state, img, int64_t{kWidth} * kHeight, [&] {
    builtin::ippiAddRandGauss_Direct_8u_C1IR(img.data, static_cast<int>(img.step), IppiSize{kWidth, kHeight}, 0,
                                             20, &seed);
  });
  state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}

BENCHMARK(BM_HistogramEven)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddRandGauss)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorToGray_Builtin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColorToGray_OpenCV)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Copy_Builtin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Copy_OpenCV)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyRoi_Builtin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyRoi_OpenCV)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
