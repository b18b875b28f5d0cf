// Sobel derivatives and Canny edges on a 1920x1080 picture, each beside the same OpenCV
// operation on one thread, so their ratio can be read from one run.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <vector>

#include "bench/common/SideBySide.h"
#include "primitives/vision/CannyEdges.h"
#include "primitives/vision/IntegralImages.h"
#include "primitives/vision/SobelDerivatives.h"
#include "primitives/vision/SortDescend.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr double kLow = 50, kHigh = 100;  // the circle detector's defaults

// Discs of various brightness on a noisy background, smoothed like the circle detector's input
// (11x11), or barely smoothed (3x3) so that the noise gives many more edge candidates.
struct Picture {
  cv::Mat gray, dx, dy;
  explicit Picture(int smoothing) {
    cv::setNumThreads(1);
    gray = cv::Mat(kHeight, kWidth, CV_8U);
    cv::RNG rng(2024);
    rng.fill(gray, cv::RNG::NORMAL, 90, 25);
    for (int i = 0; i < 60; ++i)
      cv::circle(gray, cv::Point(rng.uniform(0, kWidth), rng.uniform(0, kHeight)), rng.uniform(20, 160),
                 cv::Scalar(rng.uniform(0, 256)), cv::FILLED);
    cv::GaussianBlur(gray, gray, cv::Size(smoothing, smoothing), 0, 0, cv::BORDER_REPLICATE);
    cv::Sobel(gray, dx, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
    cv::Sobel(gray, dy, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
  }
};

const Picture& ThePicture(int64_t kind = 0) {
  static const Picture smooth(11);
  static const Picture noisy(3);
  return kind == 0 ? smooth : noisy;
}

void BM_Sobel3x3Dx_Builtin(benchmark::State& state) {
  const Picture& p = ThePicture();
  cv::Mat out(kHeight, kWidth, CV_16S);
  for (auto _ : state) {
    builtin::ippiSobel3x3_Dx_8u16s_C1R(p.gray.ptr(), int(p.gray.step), out.ptr<Ipp16s>(), int(out.step),
                                       {kWidth, kHeight});
    benchmark::ClobberMemory();
  }
}
void BM_Sobel3x3Dx_OpenCV(benchmark::State& state) {
  const Picture& p = ThePicture();
  cv::Mat out(kHeight, kWidth, CV_16S);
  for (auto _ : state) {
    cv::Sobel(p.gray, out, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
    benchmark::ClobberMemory();
  }
}
void BM_Sobel3x3Dy_Builtin(benchmark::State& state) {
  const Picture& p = ThePicture();
  cv::Mat out(kHeight, kWidth, CV_16S);
  for (auto _ : state) {
    builtin::ippiSobel3x3_Dy_8u16s_C1R(p.gray.ptr(), int(p.gray.step), out.ptr<Ipp16s>(), int(out.step), 0,
                                       {kWidth, kHeight});
    benchmark::ClobberMemory();
  }
}
void BM_Sobel3x3Dy_OpenCV(benchmark::State& state) {
  const Picture& p = ThePicture();
  cv::Mat out(kHeight, kWidth, CV_16S);
  for (auto _ : state) {
    cv::Sobel(p.gray, out, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
    benchmark::ClobberMemory();
  }
}
void BM_Canny_Builtin(benchmark::State& state) {
  const Picture& p = ThePicture(state.range(0));
  cv::Mat edges(kHeight, kWidth, CV_8U);
  int bytes = 0;
  builtin::ippiCannyGetSize({kWidth, kHeight}, &bytes);
  std::vector<Ipp8u> buffer(static_cast<size_t>(bytes));
  for (auto _ : state) {
    builtin::ippiCanny_16s8u_C1R(p.dx.ptr<Ipp16s>(), int(p.dx.step), p.dy.ptr<Ipp16s>(), int(p.dy.step),
                                 edges.ptr(), int(edges.step), {kWidth, kHeight}, float(kLow), float(kHigh),
                                 buffer.data());
    benchmark::ClobberMemory();
  }
  state.counters["edge_pixels"] = cv::countNonZero(edges);
}
void BM_Canny_OpenCV(benchmark::State& state) {
  const Picture& p = ThePicture(state.range(0));
  cv::Mat edges(kHeight, kWidth, CV_8U);
  for (auto _ : state) {
    cv::Canny(p.dx, p.dy, edges, kLow, kHigh, false);
    benchmark::ClobberMemory();
  }
  state.counters["edge_pixels"] = cv::countNonZero(edges);
}

// Integral images of the smoothed picture, beside cv::integral with the same depths.
void BM_Integral32s(benchmark::State& state) {
  const Picture& p = ThePicture();
  cv::Mat ours(kHeight + 1, kWidth + 1, CV_32S), sum(kHeight + 1, kWidth + 1, CV_32S);
  bench::SideBySide(
      state,
      [&] {
        builtin::ippiIntegral_8u32s_C1R(p.gray.ptr(), int(p.gray.step), ours.ptr<Ipp32s>(), int(ours.step),
                                        {kWidth, kHeight}, 0);
      },
      [&] { cv::integral(p.gray, sum, CV_32S); });
}
void BM_SqrIntegral32s64f(benchmark::State& state) {
  const Picture& p = ThePicture();
  cv::Mat ours(kHeight + 1, kWidth + 1, CV_32S), oursSqr(kHeight + 1, kWidth + 1, CV_64F);
  cv::Mat sum(kHeight + 1, kWidth + 1, CV_32S), sqsum(kHeight + 1, kWidth + 1, CV_64F);
  bench::SideBySide(
      state,
      [&] {
        builtin::ippiSqrIntegral_8u32s64f_C1R(p.gray.ptr(), int(p.gray.step), ours.ptr<Ipp32s>(), int(ours.step),
                                              oursSqr.ptr<Ipp64f>(), int(oursSqr.step), {kWidth, kHeight}, 0, 0.0);
      },
      [&] { cv::integral(p.gray, sum, sqsum, CV_32S, CV_64F); });
}

// A million random floats sorted into descending order (each side sorts a fresh copy).
void BM_SortDescend(benchmark::State& state) {
  cv::Mat values(1, 1000000, CV_32F);
  cv::RNG(7).fill(values, cv::RNG::UNIFORM, -1e6, 1e6);
  cv::Mat ours(values.size(), CV_32F), theirs(values.size(), CV_32F);
  bench::SideBySide(
      state,
      [&] {
        values.copyTo(ours);
        builtin::ippsSortDescend_32f_I(ours.ptr<Ipp32f>(), ours.cols);
      },
      [&] { cv::sort(values, theirs, cv::SORT_EVERY_ROW | cv::SORT_DESCENDING); });
}

}  // namespace

BENCHMARK(BM_Integral32s)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqrIntegral32s64f)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortDescend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sobel3x3Dx_Builtin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sobel3x3Dx_OpenCV)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sobel3x3Dy_Builtin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sobel3x3Dy_OpenCV)->Unit(benchmark::kMicrosecond);
// Argument 0: the smoothed picture; 1: the noisy one.
BENCHMARK(BM_Canny_Builtin)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Canny_OpenCV)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
