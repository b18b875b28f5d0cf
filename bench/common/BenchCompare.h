// Timing a built-in primitive beside the same OpenCV operation inside one benchmark.
//
// These machines are shared and noisy: two separate benchmark runs of the same OpenCV call
// can differ by almost 2x. So each iteration runs both sides back to back (alternating which
// goes first) and times each in the thread's CPU time, which a busy machine disturbs less than
// the wall clock; the benchmark reports the ratio of the two medians, built-in/OpenCV, as the
// counter "ratio" (below 1: the built-in is faster), beside both medians in microseconds.
// OpenCV runs single-threaded, and the allocator is settled first (SettleAllocator) unless a
// DefaultHeap scope asks for the allocator as an untuned program has it.
#pragma once

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

namespace bench {

inline double ThreadMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return 1e6 * static_cast<double>(t.tv_sec) + 1e-3 * static_cast<double>(t.tv_nsec);
}

namespace detail {

inline void SetHeap(int mmapThreshold, int trimThreshold, int topPad) {
  mallopt(M_MMAP_THRESHOLD, mmapThreshold);
  mallopt(M_TRIM_THRESHOLD, trimThreshold);
  mallopt(M_TOP_PAD, topPad);
}

inline void SetSettledHeap() { SetHeap(32 << 20, 1 << 30, 64 << 20); }

// True while a DefaultHeap scope lives.
inline bool& DefaultHeapActive() {
  static bool active = false;
  return active;
}

}  // namespace detail

// Keeps freed memory in the process: no trimming of the heap's top and no separate mapping for
// blocks up to 32 MiB, so that a side whose per-call temporaries would otherwise go back to the
// system between calls (and fault their pages in again on every call) is timed as a
// long-running program sees it. Once per process; nothing while a DefaultHeap scope lives.
inline void SettleAllocator() {
  if (detail::DefaultHeapActive()) return;
  static const bool settled = [] {
    detail::SetSettledHeap();
    return true;
  }();
  (void)settled;
}

// The heap as a program that never tunes its allocator has it, for the scope's life: glibc's
// start-up values (blocks from 128 KiB on mapped on their own, the heap's top trimmed when more
// than 128 KiB of it is free, 128 KiB of padding), so per-call temporaries go back to the
// system and come back as fresh pages. A fresh program's allocator raises its mapping and
// trimming thresholds as it sees large blocks freed; these fixed start-up values are the
// harshest state it is in. The settled heap returns when the scope ends.
class DefaultHeap {
 public:
  DefaultHeap() {
    detail::DefaultHeapActive() = true;
    detail::SetHeap(128 << 10, 128 << 10, 128 << 10);
  }
  ~DefaultHeap() {
    detail::DefaultHeapActive() = false;
    detail::SetSettledHeap();
  }
  DefaultHeap(const DefaultHeap&) = delete;
  DefaultHeap& operator=(const DefaultHeap&) = delete;
};

inline double Median(std::vector<double>& v) {
  if (v.empty()) return 0;
  const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  return *mid;
}

// Runs first() and second() once per iteration, interleaved, and reports their medians as the
// counters <firstName>_us and <secondName>_us and their ratio first/second as "ratio".
template <typename First, typename Second>
void CompareSides(benchmark::State& state, First&& first, Second&& second, const char* firstName,
                  const char* secondName) {
  auto timed = [](auto& f) {
    const double t0 = ThreadMicroseconds();
    f();
    benchmark::ClobberMemory();
    return ThreadMicroseconds() - t0;
  };
  first();  // warm both sides' caches and lazy set-up once
  second();
  std::vector<double> a, b;
  bool firstFirst = true;
  for (auto _ : state) {
    if (firstFirst) {
      a.push_back(timed(first));
      b.push_back(timed(second));
    } else {
      b.push_back(timed(second));
      a.push_back(timed(first));
    }
    firstFirst = !firstFirst;
  }
  const double ma = Median(a), mb = Median(b);
  state.counters[std::string(firstName) + "_us"] = ma;
  state.counters[std::string(secondName) + "_us"] = mb;
  state.counters["ratio"] = mb > 0 ? ma / mb : 0;
}

// Runs builtin() and opencv() once per iteration, interleaved, and reports their ratio.
template <typename Builtin, typename OpenCV>
void CompareWithOpenCV(benchmark::State& state, Builtin&& builtin, OpenCV&& opencv) {
  SettleAllocator();
  cv::setNumThreads(1);
  CompareSides(state, builtin, opencv, "builtin", "opencv");
}

}  // namespace bench
