// Speed of the built-in image arithmetic with a scale factor beside the same operation in
// OpenCV on 1920 x 1080 images, single-threaded. Each iteration times both sides one after the
// other, in alternating order, and the counter "ratio" is built-in time / OpenCV time over the
// whole run, so that it reads off one run on a noisy machine. (The results differ where the
// scale factor halves ours; this compares speed only.)
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>

#include <opencv2/core.hpp>

#include "primitives/image/PXImageArithmetic.h"
#include "primitives/image/PXImageArithmeticC.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr IppiSize kSize{kWidth, kHeight};

cv::Mat RandomImage(int type, int low = 0) {
  cv::setNumThreads(1);
  cv::Mat m(kHeight, kWidth, type);
  cv::randu(m, low, 256);
  return m;
}

int Step(const cv::Mat& m) { return static_cast<int>(m.step); }

// Times ours and OpenCV's in every iteration and reports their ratio and the time of each.
void Pair(benchmark::State& state, const std::function<void()>& ours,
          const std::function<void()>& opencv) {
  using Clock = std::chrono::steady_clock;
  Clock::duration oursTime{}, opencvTime{};
  bool oursFirst = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const bool runOurs = (side == 0) == oursFirst;
      const auto t0 = Clock::now();
      (runOurs ? ours : opencv)();
      benchmark::ClobberMemory();
      (runOurs ? oursTime : opencvTime) += Clock::now() - t0;
    }
    oursFirst = !oursFirst;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ratio"] = std::chrono::duration<double>(oursTime).count() /
                            std::chrono::duration<double>(opencvTime).count();
  state.counters["ours_us"] = std::chrono::duration<double, std::micro>(oursTime).count() / n;
  state.counters["opencv_us"] = std::chrono::duration<double, std::micro>(opencvTime).count() / n;
}

void BM_Add_8u_C1RSfs(benchmark::State& state) {
  const cv::Mat a = RandomImage(CV_8UC1), b = RandomImage(CV_8UC1);
  cv::Mat ours(kHeight, kWidth, CV_8UC1), theirs(kHeight, kWidth, CV_8UC1);
  Pair(state,
       [&] { builtin::ippiAdd_8u_C1RSfs(a.data, Step(a), b.data, Step(b), ours.data, Step(ours), kSize, 0); },
       [&] { cv::add(a, b, theirs); });
}

void BM_Sub_8u_C1RSfs(benchmark::State& state) {
  const cv::Mat a = RandomImage(CV_8UC1), b = RandomImage(CV_8UC1);
  cv::Mat ours(kHeight, kWidth, CV_8UC1), theirs(kHeight, kWidth, CV_8UC1);
  Pair(state,
       [&] { builtin::ippiSub_8u_C1RSfs(a.data, Step(a), b.data, Step(b), ours.data, Step(ours), kSize, 0); },
       [&] { cv::subtract(b, a, theirs); });
}

void BM_Mul_8u_C1RSfs(benchmark::State& state) {
  const cv::Mat a = RandomImage(CV_8UC1), b = RandomImage(CV_8UC1);
  cv::Mat ours(kHeight, kWidth, CV_8UC1), theirs(kHeight, kWidth, CV_8UC1);
  Pair(state,
       [&] { builtin::ippiMul_8u_C1RSfs(a.data, Step(a), b.data, Step(b), ours.data, Step(ours), kSize, 0); },
       [&] { cv::multiply(a, b, theirs); });
}

void BM_Add_8u_C3IRSfs_Sf1(benchmark::State& state) {
  const cv::Mat a = RandomImage(CV_8UC3);
  cv::Mat ours = RandomImage(CV_8UC3), theirs = ours.clone();
  Pair(state,
       [&] { builtin::ippiAdd_8u_C3IRSfs(a.data, Step(a), ours.data, Step(ours), kSize, 1); },
       [&] { cv::add(theirs, a, theirs); });
}

void BM_AddC_8u_C3IRSfs_Sf1(benchmark::State& state) {
  const Ipp8u value[3] = {10, 200, 77};
  cv::Mat ours = RandomImage(CV_8UC3), theirs = ours.clone();
  Pair(state, [&] { builtin::ippiAddC_8u_C3IRSfs(value, ours.data, Step(ours), kSize, 1); },
       [&] { cv::add(theirs, cv::Scalar(10, 200, 77), theirs); });
}

void BM_Div_8u_C1RSfs(benchmark::State& state) {
  const cv::Mat a = RandomImage(CV_8UC1, 1), b = RandomImage(CV_8UC1);
  cv::Mat ours(kHeight, kWidth, CV_8UC1), theirs(kHeight, kWidth, CV_8UC1);
  Pair(state,
       [&] { builtin::ippiDiv_8u_C1RSfs(a.data, Step(a), b.data, Step(b), ours.data, Step(ours), kSize, 0); },
       [&] { cv::divide(b, a, theirs); });
}

void BM_DivC_8u_C3IRSfs_Sf1(benchmark::State& state) {
  const Ipp8u value[3] = {3, 7, 250};
  cv::Mat ours = RandomImage(CV_8UC3), theirs = ours.clone();
  Pair(state, [&] { builtin::ippiDivC_8u_C3IRSfs(value, ours.data, Step(ours), kSize, 1); },
       [&] { cv::divide(theirs, cv::Scalar(3, 7, 250), theirs); });
}

BENCHMARK(BM_Add_8u_C1RSfs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sub_8u_C1RSfs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Mul_8u_C1RSfs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Add_8u_C3IRSfs_Sf1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddC_8u_C3IRSfs_Sf1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Div_8u_C1RSfs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DivC_8u_C3IRSfs_Sf1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
