// The whole road of a circle detection (gray conversion, 11x11 Gaussian smoothing, detection)
// timed beside OpenCV's own road (cv::cvtColor, cv::GaussianBlur 11x11, cv::HoughCircles with
// the same parameters), interleaved in one benchmark and single-threaded on both sides
// (cv::setNumThreads(1), which the wrapper library's smoothing shares). Timed by the wall clock
// and the process's CPU time after the allocator is settled (bench/common/BenchRoad.h); "ratio"
// is ours/OpenCV's wall median. Handing the frame in is not timed: our road gets a fresh
// colour image buffer (the detection turns it into its edge map), OpenCV's the matrix.
//
// Pictures: Coins1.bmp (384x303) and a generated 1920x1080 picture of 24 shaded discs with
// noise (bench/components/BenchCircles.h), for which the counters "found" and "opencv_found" tell
// how many of the drawn circles each side found (centre and radius within 3 pixels).
// Parameters: the demo's (resolution 1, minimum distance 50, Canny high threshold 100, 40
// votes, any radius).
//
// BM_HoughCirclesCrowded times our detector alone on noise with the lowest settings.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <string>
#include <vector>

#include "app/ProgramUnits.h"
#include "bench/common/BenchData.h"
#include "bench/common/BenchRoad.h"
#include "bench/components/BenchCircles.h"
#include "binding/IPPDispatchTable.h"
#include "binding/PXOpenCV.h"
#include "buffers/PXSimpleImageBuffer.h"
#include "components/PXBasicHough.h"
#include "components/PXHoughCircles.h"
#include "platform/Units.h"

namespace {

using bench::TDrawnCircle;
using buffers::TPXImageBuffer;

constexpr double kDp = 1.0, kMinDist = 50.0;
constexpr int kCanny = 100, kVotes = 40;

struct Picture {
  cv::Mat bgr;
  std::vector<TDrawnCircle> drawn;  // empty for the photograph
  std::string error;
};

const Picture& ThePicture(bool generated) {
  static const Picture pictures[] = {
      [] {
        Picture p;
        p.bgr = cv::imread(bench::DataFile("Coins1.bmp"), cv::IMREAD_COLOR);
        if (p.bgr.empty()) p.error = "cannot read " + bench::DataFile("Coins1.bmp") + " (set PF_DATA_DIR)";
        return p;
      }(),
      [] {
        bench::TCirclePicture g = bench::DrawCirclePicture(1920, 1080, 24, 7);
        Picture p;
        p.bgr = g.bgr;
        p.drawn = g.circles;
        return p;
      }()};
  return pictures[generated ? 1 : 0];
}

// The picture as a colour image buffer (24-bit, blue first like the matrix).
platform::RefPtr<TPXImageBuffer> ColourBuffer(const cv::Mat& bgr) {
  auto image = TPXImageBuffer::CreateSize(bgr.cols, bgr.rows, buffers::vfRGB24);
  uint8_t* dst = image->Write();
  for (int y = 0; y < bgr.rows; ++y)
    std::memcpy(dst + size_t(y) * image->GetStep(), bgr.ptr(y), size_t(bgr.cols) * 3);
  return image;
}

// Our road: the Hough-circles component's detection (gray conversion, smoothing in the wrapper
// library, the detector).
std::vector<TDrawnCircle> OurRoad(components::TPXHoughCircles* hough, TPXImageBuffer* image) {
  platform::RefPtr<components::IPXCircles> circles;
  hough->DetectCircles(image, circles);
  std::vector<TDrawnCircle> out;
  for (int32_t i = 0; i < circles->GetCount(); ++i) {
    components::TPXCircle* c = circles->GetCircle(i);
    out.push_back({c->Center().X, c->Center().Y, c->Radius()});
  }
  return out;
}

std::vector<TDrawnCircle> OpenCVRoad(const cv::Mat& bgr) {
  cv::Mat gray;
  cv::cvtColor(bgr, gray, cv::COLOR_BGR2GRAY);
  cv::GaussianBlur(gray, gray, cv::Size(11, 11), 0, 0);
  std::vector<cv::Vec3f> circles;
  cv::HoughCircles(gray, circles, cv::HOUGH_GRADIENT, kDp, kMinDist, kCanny, kVotes, 0, 0);
  std::vector<TDrawnCircle> out;
  for (const cv::Vec3f& c : circles) out.push_back({c[0], c[1], c[2]});
  return out;
}

components::TPXHoughCircles* DemoDetector() {
  auto* hough = platform::New<components::TPXHoughCircles>(nullptr);
  hough->SetResolution(kDp);
  hough->SetMinDistance(kMinDist);
  hough->Threshold()->SetHigh(kCanny);
  hough->Threshold()->SetAccumulator(kVotes);
  return hough;
}

// Argument: 0 the photograph, 1 the generated picture.
void BM_HoughCirclesRoad(benchmark::State& state) {
  const Picture& p = ThePicture(state.range(0) == 1);
  if (p.bgr.empty()) {
    state.SkipWithError(p.error.c_str());
    return;
  }
  cv::setNumThreads(1);
  auto* hough = DemoDetector();
  platform::RefPtr<TPXImageBuffer> image;
  std::vector<TDrawnCircle> ours, theirs;
  bench::CompareRoads(
      state, "ours", [&] { image = ColourBuffer(p.bgr); }, [&] { ours = OurRoad(hough, image.Get()); },
      "opencv", [] {}, [&] { theirs = OpenCVRoad(p.bgr); });
  image = nullptr;
  hough->Free();
  state.counters["circles"] = double(ours.size());
  state.counters["opencv_circles"] = double(theirs.size());
  if (!p.drawn.empty()) {
    state.counters["drawn"] = double(p.drawn.size());
    state.counters["found"] = bench::MatchedCircles(p.drawn, ours);
    state.counters["opencv_found"] = bench::MatchedCircles(p.drawn, theirs);
  }
}
// Enough iterations on both pictures for a median of many runs.
BENCHMARK(BM_HoughCirclesRoad)->Arg(0)->Iterations(301)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HoughCirclesRoad)->Arg(1)->Iterations(41)->Unit(benchmark::kMillisecond);

// Where our road's time goes: its steps one by one, as the component and the detector take
// them (gray conversion; the wrapper image made and the gray pixels copied in; the smoothing
// in the wrapper library; the pixels copied back and the wrapper image released; both Sobel
// derivatives; Canny; the detector from the edge map: votes, centres and radii), each timed by
// the wall clock, medians in milliseconds. Beside them OpenCV's road's three calls.
void BM_HoughCirclesStages(benchmark::State& state) {
  const Picture& p = ThePicture(state.range(0) == 1);
  if (p.bgr.empty()) {
    state.SkipWithError(p.error.c_str());
    return;
  }
  cv::setNumThreads(1);
  const IppiSize size{p.bgr.cols, p.bgr.rows};
  const char* names[] = {"gray",  "copy_in", "smooth", "copy_back", "sobel",
                         "canny", "detect",  "cv_gray", "cv_blur",   "cv_hough"};
  constexpr size_t kStages = std::size(names);
  std::vector<double> times[kStages];
  std::vector<int16_t> dx(size_t(size.width) * size.height), dy(dx.size());
  int cannyBytes = 0;
  ippiCannyGetSize(size, &cannyBytes);
  std::vector<uint8_t> cannyBuffer(static_cast<size_t>(cannyBytes));
  for (int round = -3; round < int(state.max_iterations); ++round) {
    double t[kStages + 1];
    size_t k = 0;
    auto mark = [&] { t[k++] = bench::WallMicroseconds(); };
    auto image = ColourBuffer(p.bgr);
    mark();
    image->ConvertTo(buffers::vfGrayScale);
    mark();
    const int imageStep = static_cast<int>(image->GetStep());
    binding::IplImage* wrapper = binding::cvCreateImage({size.width, size.height}, binding::IplDepth8U, 1);
    uint8_t* data = nullptr;
    int32_t step = 0;
    binding::cvGetRawData(wrapper, &data, &step, nullptr);
    ippiCopy_8u_C1R(image->Read(), imageStep, data, step, size);
    mark();
    binding::cvSmooth(wrapper, wrapper, binding::CvGaussian, 11, 11, 0.0, 0.0);
    mark();
    uint8_t* gray = image->Write();
    ippiCopy_8u_C1R(data, step, gray, imageStep, size);
    binding::cvReleaseImage(&wrapper);
    mark();
    ippiSobel3x3_Dx_8u16s_C1R(gray, imageStep, dx.data(), 2 * size.width, size);
    ippiSobel3x3_Dy_8u16s_C1R(gray, imageStep, dy.data(), 2 * size.width, 0, size);
    mark();
    ippiCanny_16s8u_C1R(dx.data(), 2 * size.width, dy.data(), 2 * size.width, gray, imageStep, size, kCanny / 2.0f,
                        float(kCanny), cannyBuffer.data());
    mark();
    components::THoughEdgeMap map;
    map.Size = size;
    map.Edges = gray;
    map.EdgeStep = imageStep;
    map.Dx = dx.data();
    map.DxStep = 2 * size.width;
    map.Dy = dy.data();
    map.DyStep = 2 * size.width;
    auto circles = components::TPXCircles::Create();
    components::HoughCirclesFromEdges(map, kDp, kMinDist, kVotes, 0, 0, circles.Get());
    mark();
    cv::Mat cvGray;
    cv::cvtColor(p.bgr, cvGray, cv::COLOR_BGR2GRAY);
    mark();
    cv::GaussianBlur(cvGray, cvGray, cv::Size(11, 11), 0, 0);
    mark();
    std::vector<cv::Vec3f> found;
    cv::HoughCircles(cvGray, found, cv::HOUGH_GRADIENT, kDp, kMinDist, kCanny, kVotes, 0, 0);
    mark();
    if (round < 0) continue;  // warm-up
    for (size_t i = 0; i < kStages; ++i) times[i].push_back(t[i + 1] - t[i]);
  }
  for (auto _ : state) {
  }
  for (size_t i = 0; i < kStages; ++i) state.counters[names[i]] = bench::Median(times[i]) / 1000;
}
BENCHMARK(BM_HoughCirclesStages)->Arg(0)->Iterations(101)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HoughCirclesStages)->Arg(1)->Iterations(21)->Unit(benchmark::kMillisecond);

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
  bench::SettleAllocator();
  platform::RunUnitInitialization(app::ProgramUnits());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  platform::RunUnitFinalization();
  return 0;
}
