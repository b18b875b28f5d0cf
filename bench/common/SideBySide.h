// Times a built-in primitive and the same operation in OpenCV inside one benchmark, call for
// call, so that their ratio is read from one run on a noisy machine.
#pragma once

#include <benchmark/benchmark.h>

#include <time.h>

namespace bench {

// The processor time of the calling thread in seconds: unlike the wall clock it does not count
// the time the thread waits while other processes run.
inline double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Each iteration runs both sides once, in alternating order, each timed on its own (thread
// processor time; both sides run single-threaded). Reports the mean time of each side in
// milliseconds and their ratio builtin / OpenCV.
template <class Builtin, class OpenCV>
void SideBySide(benchmark::State& state, Builtin builtin, OpenCV opencv) {
  const auto timed = [](auto& fn) {
    const double start = ThreadSeconds();
    fn();
    benchmark::ClobberMemory();
    return ThreadSeconds() - start;
  };
  double ours = 0, theirs = 0;
  bool builtinFirst = true;
  for (auto _ : state) {
    if (builtinFirst) {
      ours += timed(builtin);
      theirs += timed(opencv);
    } else {
      theirs += timed(opencv);
      ours += timed(builtin);
    }
    builtinFirst = !builtinFirst;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["builtin_ms"] = ours / n * 1e3;
  state.counters["opencv_ms"] = theirs / n * 1e3;
  state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
}

}  // namespace bench
