// What the image benchmarks share: random 1920 x 1080 test images and the timing of a
// built-in primitive beside the same operation in OpenCV inside one run.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <opencv2/core.hpp>

#include "primitives/support/IppTypes.h"

namespace benchpair {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr IppiSize kSize{kWidth, kHeight};

inline cv::Mat RandomImage(int type) {
  cv::setNumThreads(1);
  cv::Mat m(kHeight, kWidth, type);
  cv::theRNG().state = 7;
  cv::randu(m, 0, 256);
  return m;
}

inline int Step(const cv::Mat& m) { return static_cast<int>(m.step); }

inline double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Runs ours and theirs once per iteration, in alternating order, and reports milliseconds per
// frame of each and their ratio.
template <typename Ours, typename Theirs>
void RunPair(benchmark::State& state, Ours ours, Theirs theirs) {
  ours();  // first calls outside the timing (OpenCV builds some tables on first use)
  theirs();
  double tOurs = 0, tTheirs = 0;
  bool oursFirst = true;
  for (auto _ : state) {
    for (int k = 0; k < 2; ++k) {
      const bool runOurs = (k == 0) == oursFirst;
      const double t0 = ThreadSeconds();
      if (runOurs) {
        ours();
      } else {
        theirs();
      }
      benchmark::ClobberMemory();
      (runOurs ? tOurs : tTheirs) += ThreadSeconds() - t0;
    }
    oursFirst = !oursFirst;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["builtin_ms"] = 1e3 * tOurs / n;
  state.counters["opencv_ms"] = 1e3 * tTheirs / n;
  state.counters["ratio"] = tOurs / tTheirs;
}

}  // namespace benchpair
