// Timing a built-in primitive beside the same OpenCV operation inside one benchmark.
//
// These machines are shared and noisy: two separate benchmark runs of the same OpenCV call
// can differ by almost 2x. So each iteration runs both sides back to back (alternating which
// goes first) and times each in the thread's CPU time, which a busy machine disturbs less than
// the wall clock; the benchmark reports the ratio of the two medians, built-in/OpenCV, as the
// counter "ratio" (below 1: the built-in is faster), beside both medians in microseconds.
// OpenCV runs single-threaded.
#pragma once

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include <time.h>

#include <algorithm>
#include <vector>

namespace bench {

inline double ThreadMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return 1e6 * static_cast<double>(t.tv_sec) + 1e-3 * static_cast<double>(t.tv_nsec);
}

inline double Median(std::vector<double>& v) {
  if (v.empty()) return 0;
  const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  return *mid;
}

// Runs builtin() and opencv() once per iteration, interleaved, and reports their ratio.
template <typename Builtin, typename OpenCV>
void CompareWithOpenCV(benchmark::State& state, Builtin&& builtin, OpenCV&& opencv) {
  cv::setNumThreads(1);
  auto timed = [](auto& f) {
    const double t0 = ThreadMicroseconds();
    f();
    benchmark::ClobberMemory();
    return ThreadMicroseconds() - t0;
  };
  builtin();  // warm both sides' caches and lazy set-up once
  opencv();
  std::vector<double> ours, theirs;
  bool builtinFirst = true;
  for (auto _ : state) {
    if (builtinFirst) {
      ours.push_back(timed(builtin));
      theirs.push_back(timed(opencv));
    } else {
      theirs.push_back(timed(opencv));
      ours.push_back(timed(builtin));
    }
    builtinFirst = !builtinFirst;
  }
  const double a = Median(ours), b = Median(theirs);
  state.counters["builtin_us"] = a;
  state.counters["opencv_us"] = b;
  state.counters["ratio"] = b > 0 ? a / b : 0;
}

}  // namespace bench
