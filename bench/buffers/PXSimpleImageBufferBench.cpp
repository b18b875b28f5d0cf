// Image buffers at 1920x1080 beside OpenCV, single-threaded and interleaved in one benchmark
// (the counter "ratio" is built-in/OpenCV): format conversions through ConvertTo against
// cv::cvtColor, and a 24-bit bitmap file read into a bitmap and written from an image against
// cv::imread and cv::imwrite. (The conversions' rounding differs slightly from OpenCV's; this
// compares speed only.)
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <filesystem>
#include <string>

#include "bench/common/BenchCompare.h"
#include "binding/BindingUnits.h"
#include "buffers/PXSimpleImageBuffer.h"
#include "buffers/RBInternalStore.h"
#include "platform/Forms.h"
#include "platform/Kernel.h"
#include "platform/Messages.h"
#include "platform/Units.h"

namespace {

using buffers::TPXImageBuffer;
using buffers::TPXVideoFormat;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

cv::Mat RandomImage(int type) {
  cv::Mat m(kHeight, kWidth, type);
  cv::theRNG().state = 11;
  cv::randu(m, 0, 256);
  return m;
}

// An image holding the matrix's bytes (rows of 1920 pixels are not padded in any format).
platform::RefPtr<TPXImageBuffer> ImageOf(const cv::Mat& m, TPXVideoFormat format) {
  return TPXImageBuffer::CreateData(m.data, kWidth, kHeight, format);
}

// Each iteration converts a new view of the source image, as a component converting the
// image it received does (the source store is shared, so the view gets a new store).
void ConvertPair(benchmark::State& state, int cvType, TPXVideoFormat from, TPXVideoFormat to, int code) {
  const cv::Mat src = RandomImage(cvType);
  const platform::RefPtr<TPXImageBuffer> image = ImageOf(src, from);
  cv::Mat theirs;
  bench::CompareWithOpenCV(
      state,
      [&] {
        platform::RefPtr<TPXImageBuffer> view = TPXImageBuffer::CreateEx(image.Get());
        view->ConvertTo(to);
        benchmark::DoNotOptimize(view->Read());
      },
      [&] { cv::cvtColor(src, theirs, code); });
}

void BM_ConvertRGB24ToRGBA32(benchmark::State& state) {
  ConvertPair(state, CV_8UC3, buffers::vfRGB24, buffers::vfRGBA32, cv::COLOR_BGR2BGRA);
}
void BM_ConvertRGBA32ToRGB24(benchmark::State& state) {
  ConvertPair(state, CV_8UC4, buffers::vfRGBA32, buffers::vfRGB24, cv::COLOR_BGRA2BGR);
}
void BM_ConvertRGB24ToGray(benchmark::State& state) {
  ConvertPair(state, CV_8UC3, buffers::vfRGB24, buffers::vfGrayScale, cv::COLOR_BGR2GRAY);
}
void BM_ConvertYUY2ToRGB24(benchmark::State& state) {
  ConvertPair(state, CV_8UC2, buffers::vfYUY2, buffers::vfRGB24, cv::COLOR_YUV2BGR_YUY2);
}

std::string TempFile(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

void BM_LoadBitmapFile(benchmark::State& state) {
  const cv::Mat picture = RandomImage(CV_8UC3);
  const std::string path = TempFile("pf_bench_load.bmp");
  ImageOf(picture, buffers::vfRGB24)->SaveToBitmapFile(path);  // top-down rows
  const std::string cvPath = TempFile("pf_bench_load_cv.bmp");
  cv::imwrite(cvPath, picture);  // bottom-up rows, the usual layout
  platform::TBitmap* ours = platform::New<platform::TBitmap>();
  platform::TBitmap* oursBottomUp = platform::New<platform::TBitmap>();
  cv::Mat theirs;
  bench::CompareWithOpenCV(
      state,
      [&] {
        ours->LoadFromFile(path);
        oursBottomUp->LoadFromFile(cvPath);
      },
      [&] {
        theirs = cv::imread(path, cv::IMREAD_UNCHANGED);
        theirs = cv::imread(cvPath, cv::IMREAD_UNCHANGED);
      });
  if (std::memcmp(ours->ScanLine(kHeight - 1), theirs.ptr(kHeight - 1), kWidth * 3) != 0)
    state.SkipWithError("the two readers disagree");
  ours->Free();
  oursBottomUp->Free();
  std::filesystem::remove(path);
  std::filesystem::remove(cvPath);
}

void BM_SaveBitmapFile(benchmark::State& state) {
  const cv::Mat picture = RandomImage(CV_8UC3);
  const platform::RefPtr<TPXImageBuffer> image = ImageOf(picture, buffers::vfRGB24);
  const std::string ours = TempFile("pf_bench_save.bmp"), theirs = TempFile("pf_bench_save_cv.bmp");
  bench::CompareWithOpenCV(
      state, [&] { image->SaveToBitmapFile(ours); }, [&] { cv::imwrite(theirs, picture); });
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(ours));
  std::filesystem::remove(ours);
  std::filesystem::remove(theirs);
}

BENCHMARK(BM_ConvertRGB24ToRGBA32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertRGBA32ToRGB24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertRGB24ToGray)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertYUY2ToRGB24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBitmapFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveBitmapFile)->Unit(benchmark::kMillisecond);

}  // namespace

// The units the image buffers need: the primitives' slots bound, then the pooled store.
int main(int argc, char** argv) {
  static const platform::TUnit units[] = {
      platform::KernelUnit,    platform::MessagesUnit,  platform::FormsUnit,    CBIPPSLoader::Unit,
      CBIPPILoader::Unit,      PXBasicDispatcher::Unit, PXDispatcher::Unit,     PXSubDispatcher::Unit,
      RBBasicDispatcher::Unit, buffers::RBInternalStoreUnit,
  };
  platform::RunUnitInitialization(units);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  platform::RunUnitFinalization();
  return 0;
}
