// A million random floats sorted into descending order, beside cv::sort of one row; each side
// sorts a fresh copy on every iteration. The counter "ratio" is built-in/OpenCV.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include "bench/common/BenchCompare.h"
#include "primitives/vision/SortDescend.h"

namespace {

void BM_SortDescend(benchmark::State& state) {
  cv::Mat values(1, 1000000, CV_32F);
  cv::RNG(7).fill(values, cv::RNG::UNIFORM, -1e6, 1e6);
  cv::Mat ours(values.size(), CV_32F), theirs(values.size(), CV_32F);
  bench::CompareWithOpenCV(
      state,
      [&] {
        values.copyTo(ours);
        builtin::ippsSortDescend_32f_I(ours.ptr<Ipp32f>(), ours.cols);
      },
      [&] { cv::sort(values, theirs, cv::SORT_EVERY_ROW | cv::SORT_DESCENDING); });
}

}  // namespace

BENCHMARK(BM_SortDescend)->Unit(benchmark::kMillisecond);
