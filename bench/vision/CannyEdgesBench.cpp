// Sobel derivatives and Canny edges at 1920x1080, each timed beside the same OpenCV operation
// in one benchmark (interleaved, single-threaded); the counter "ratio" is built-in/OpenCV.
//
// Pictures: discs of various brightness on a noisy background, smoothed like the circle
// detector's input (11x11) or barely smoothed (3x3, so that the noise gives many more edge
// candidates), and the coin photograph Coins1.bmp upscaled to 1920x1080, smoothed like the
// detector's input or raw.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <string>
#include <vector>

#include "bench/common/BenchData.h"
#include "bench/common/BenchCompare.h"
#include "primitives/vision/CannyEdges.h"
#include "primitives/vision/SobelDerivatives.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr double kLow = 50, kHigh = 100;  // the circle detector's defaults

enum Kind { kSmoothed, kNoisy, kPhoto, kPhotoRaw };

struct Picture {
  cv::Mat gray, dx, dy;
  std::string error;
  explicit Picture(Kind kind) {
    cv::setNumThreads(1);
    if (kind == kPhoto || kind == kPhotoRaw) {
      const cv::Mat photo = bench::ReadGrayPicture("Coins1.bmp", &error);
      if (photo.empty()) return;
      cv::resize(photo, gray, cv::Size(kWidth, kHeight), 0, 0, cv::INTER_LINEAR);
      if (kind == kPhoto) cv::GaussianBlur(gray, gray, cv::Size(11, 11), 0, 0, cv::BORDER_REPLICATE);
    } else {
      gray = cv::Mat(kHeight, kWidth, CV_8U);
      cv::RNG rng(2024);
      rng.fill(gray, cv::RNG::NORMAL, 90, 25);
      for (int i = 0; i < 60; ++i)
        cv::circle(gray, cv::Point(rng.uniform(0, kWidth), rng.uniform(0, kHeight)), rng.uniform(20, 160),
                   cv::Scalar(rng.uniform(0, 256)), cv::FILLED);
      const int smoothing = kind == kSmoothed ? 11 : 3;
      cv::GaussianBlur(gray, gray, cv::Size(smoothing, smoothing), 0, 0, cv::BORDER_REPLICATE);
    }
    cv::Sobel(gray, dx, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
    cv::Sobel(gray, dy, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
  }
};

const Picture& ThePicture(Kind kind) {
  static const Picture pictures[] = {Picture(kSmoothed), Picture(kNoisy), Picture(kPhoto), Picture(kPhotoRaw)};
  return pictures[kind];
}

// Argument 0: the x derivative; 1: the y derivative.
void BM_Sobel3x3(benchmark::State& state) {
  const Picture& p = ThePicture(kSmoothed);
  const bool dy = state.range(0) == 1;
  cv::Mat ours(kHeight, kWidth, CV_16S), theirs(kHeight, kWidth, CV_16S);
  bench::CompareWithOpenCV(
      state,
      [&] {
        if (dy)
          builtin::ippiSobel3x3_Dy_8u16s_C1R(p.gray.ptr(), int(p.gray.step), ours.ptr<Ipp16s>(), int(ours.step), 0,
                                             {kWidth, kHeight});
        else
          builtin::ippiSobel3x3_Dx_8u16s_C1R(p.gray.ptr(), int(p.gray.step), ours.ptr<Ipp16s>(), int(ours.step),
                                             {kWidth, kHeight});
      },
      [&] { cv::Sobel(p.gray, theirs, CV_16S, dy ? 0 : 1, dy ? 1 : 0, 3, 1, 0, cv::BORDER_REPLICATE); });
}

// Argument: the picture (Kind).
void BM_Canny(benchmark::State& state) {
  const Picture& p = ThePicture(static_cast<Kind>(state.range(0)));
  if (p.gray.empty()) {
    state.SkipWithError(("no picture: " + p.error + " (set PF_DATA_DIR)").c_str());
    return;
  }
  cv::Mat ours(kHeight, kWidth, CV_8U), theirs(kHeight, kWidth, CV_8U);
  int bytes = 0;
  builtin::ippiCannyGetSize({kWidth, kHeight}, &bytes);
  std::vector<Ipp8u> buffer(static_cast<size_t>(bytes));
  bench::CompareWithOpenCV(
      state,
      [&] {
        builtin::ippiCanny_16s8u_C1R(p.dx.ptr<Ipp16s>(), int(p.dx.step), p.dy.ptr<Ipp16s>(), int(p.dy.step),
                                     ours.ptr(), int(ours.step), {kWidth, kHeight}, float(kLow), float(kHigh),
                                     buffer.data());
      },
      [&] { cv::Canny(p.dx, p.dy, theirs, kLow, kHigh, false); });
  state.counters["edge_pixels"] = cv::countNonZero(ours);
  state.counters["same"] = cv::countNonZero(ours != theirs) == 0;
}

}  // namespace

BENCHMARK(BM_Sobel3x3)->ArgName("dy")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Canny)
    ->ArgName("picture")
    ->Arg(kSmoothed)
    ->Arg(kNoisy)
    ->Arg(kPhoto)
    ->Arg(kPhotoRaw)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
