// The whole road of a circle detection (gray conversion, 11x11 Gaussian smoothing, detection)
// timed beside OpenCV's own road (cv::cvtColor, cv::GaussianBlur 11x11, cv::HoughCircles with
// the same parameters) in one benchmark, interleaved and single-threaded; the counter "ratio"
// is ours/OpenCV's.
//
// Pictures: Coins1.bmp as it is (384x303) and upscaled to 1920x1080. Parameters: the demo's
// (resolution 1, minimum distance 50, Canny high threshold 100, 40 votes, any radius).
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <string>
#include <vector>

#include "app/ProgramUnits.h"
#include "bench/common/BenchCompare.h"
#include "bench/common/BenchData.h"
#include "binding/PXOpenCV.h"
#include "buffers/PXSimpleImageBuffer.h"
#include "components/PXHoughCircles.h"
#include "platform/Units.h"

namespace {

using buffers::TPXImageBuffer;

constexpr double kDp = 1.0, kMinDist = 50.0;
constexpr int kCanny = 100, kVotes = 40;

struct Picture {
  cv::Mat bgr;
  std::string error;
  explicit Picture(bool large) {
    cv::Mat photo = cv::imread(bench::DataFile("Coins1.bmp"), cv::IMREAD_COLOR);
    if (photo.empty()) {
      error = "cannot read " + bench::DataFile("Coins1.bmp");
      return;
    }
    if (large)
      cv::resize(photo, bgr, cv::Size(1920, 1080), 0, 0, cv::INTER_LINEAR);
    else
      bgr = photo;
  }
};

const Picture& ThePicture(bool large) {
  static const Picture pictures[] = {Picture(false), Picture(true)};
  return pictures[large ? 1 : 0];
}

// Our road: the picture as a colour image buffer, handed to the Hough-circles component's
// detection (gray conversion, smoothing in the wrapper library, the detector).
size_t OurRoad(components::TPXHoughCircles* hough, const cv::Mat& bgr) {
  auto image = TPXImageBuffer::CreateSize(bgr.cols, bgr.rows, buffers::vfRGB24);
  uint8_t* dst = image->Write();
  for (int y = 0; y < bgr.rows; ++y)
    std::memcpy(dst + size_t(y) * image->GetStep(), bgr.ptr(y), size_t(bgr.cols) * 3);
  platform::RefPtr<components::IPXCircles> circles;
  hough->DetectCircles(image.Get(), circles);
  return size_t(circles->GetCount());
}

size_t OpenCVRoad(const cv::Mat& bgr) {
  cv::Mat gray;
  cv::cvtColor(bgr, gray, cv::COLOR_BGR2GRAY);
  cv::GaussianBlur(gray, gray, cv::Size(11, 11), 0, 0);
  std::vector<cv::Vec3f> circles;
  cv::HoughCircles(gray, circles, cv::HOUGH_GRADIENT, kDp, kMinDist, kCanny, kVotes, 0, 0);
  return circles.size();
}

// Argument: 0 the photograph as it is, 1 upscaled to 1920x1080.
void BM_HoughCirclesRoad(benchmark::State& state) {
  const Picture& p = ThePicture(state.range(0) == 1);
  if (p.bgr.empty()) {
    state.SkipWithError((p.error + " (set PF_DATA_DIR)").c_str());
    return;
  }
  auto* hough = platform::New<components::TPXHoughCircles>(nullptr);
  hough->SetResolution(kDp);
  hough->SetMinDistance(kMinDist);
  hough->Threshold()->SetHigh(kCanny);
  hough->Threshold()->SetAccumulator(kVotes);
  size_t ours = 0, theirs = 0;
  bench::CompareWithOpenCV(state, [&] { ours = OurRoad(hough, p.bgr); }, [&] { theirs = OpenCVRoad(p.bgr); });
  hough->Free();
  state.counters["circles"] = double(ours);
  state.counters["opencv_circles"] = double(theirs);
}
BENCHMARK(BM_HoughCirclesRoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A crowded picture: uniform noise with the lowest settings (resolution 1, minimum distance 0,
// Canny high threshold 1, no vote threshold, no smoothing), where nearly every pixel is an
// edge and tens of thousands of circles are found. Our detector alone, once per size (the
// largest takes many seconds); wall clock.
void BM_HoughCirclesCrowded(benchmark::State& state) {
  const int width = int(state.range(0)), height = int(state.range(1));
  cv::Mat noise(height, width, CV_8UC1);
  cv::RNG(1).fill(noise, cv::RNG::UNIFORM, 0, 256);
  auto* hough = platform::New<components::TPXHoughCircles>(nullptr);
  hough->Smooth()->SetEnabled(false);
  hough->SetResolution(1.0);
  hough->SetMinDistance(0.0);
  hough->Threshold()->SetHigh(1.0);
  hough->Threshold()->SetAccumulator(0.0);
  size_t found = 0;
  for (auto _ : state) {
    auto image = TPXImageBuffer::CreateSize(width, height, buffers::vfGrayScale);
    for (int y = 0; y < height; ++y)
      std::memcpy(image->Write() + size_t(y) * image->GetStep(), noise.ptr(y), size_t(width));
    platform::RefPtr<components::IPXCircles> circles;
    hough->DetectCircles(image.Get(), circles);
    found = size_t(circles->GetCount());
  }
  hough->Free();
  state.counters["circles"] = double(found);
}
BENCHMARK(BM_HoughCirclesCrowded)
    ->Args({320, 240})
    ->Args({640, 480})
    ->Args({960, 540})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  platform::RunUnitInitialization(app::ProgramUnits());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  platform::RunUnitFinalization();
  return 0;
}
