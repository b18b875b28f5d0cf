// Timing two whole roads (several steps each, possibly helper threads) against each other.
//
// Both roads run in every iteration, back to back, alternating which goes first; each run is
// timed by the wall clock and by the CPU time of the whole process (all threads, so that work
// handed to helper threads is counted). Before the runs the allocator is settled: large blocks
// come from the heap instead of fresh mappings and freed memory stays with the process, so a
// road whose temporaries are allocated and freed on every call does not pay the system's page
// faults each time (which would depend on the allocation pattern more than on the work). The
// benchmark reports the medians in milliseconds and their ratios first/second, and the ratio
// of the fastest runs.
#pragma once

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/common/BenchCompare.h"  // Median, SettleAllocator

namespace bench {

inline double WallMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return 1e6 * static_cast<double>(t.tv_sec) + 1e-3 * static_cast<double>(t.tv_nsec);
}

inline double ProcessMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return 1e6 * static_cast<double>(t.tv_sec) + 1e-3 * static_cast<double>(t.tv_nsec);
}

// Each iteration: prepareFirst(), first() timed, prepareSecond(), second() timed (or the other
// way round). The roads run warmUps times each before the timed runs. Counters:
// <name>_ms (wall median), <name>_cpu_ms (process CPU median), "ratio" (wall, first/second),
// "cpu_ratio" and "min_ratio" (the fastest wall times). Needs at least one iteration.
template <typename PrepareFirst, typename First, typename PrepareSecond, typename Second>
void CompareRoads(benchmark::State& state, const char* firstName, PrepareFirst&& prepareFirst, First&& first,
                  const char* secondName, PrepareSecond&& prepareSecond, Second&& second, int warmUps = 3) {
  struct Times {
    std::vector<double> wall, cpu;
  };
  auto timed = [](auto& prepare, auto& run, Times& t) {
    prepare();
    const double w0 = WallMicroseconds(), c0 = ProcessMicroseconds();
    run();
    benchmark::ClobberMemory();
    const double c1 = ProcessMicroseconds(), w1 = WallMicroseconds();
    t.wall.push_back(w1 - w0);
    t.cpu.push_back(c1 - c0);
  };
  Times warm, a, b;
  for (int i = 0; i < warmUps; ++i) {
    timed(prepareFirst, first, warm);
    timed(prepareSecond, second, warm);
  }
  bool firstFirst = true;
  for (auto _ : state) {
    if (firstFirst) {
      timed(prepareFirst, first, a);
      timed(prepareSecond, second, b);
    } else {
      timed(prepareSecond, second, b);
      timed(prepareFirst, first, a);
    }
    firstFirst = !firstFirst;
  }
  const double aw = Median(a.wall), bw = Median(b.wall), ac = Median(a.cpu), bc = Median(b.cpu);
  state.counters[std::string(firstName) + "_ms"] = aw / 1000;
  state.counters[std::string(secondName) + "_ms"] = bw / 1000;
  state.counters[std::string(firstName) + "_cpu_ms"] = ac / 1000;
  state.counters[std::string(secondName) + "_cpu_ms"] = bc / 1000;
  state.counters["ratio"] = bw > 0 ? aw / bw : 0;
  state.counters["cpu_ratio"] = bc > 0 ? ac / bc : 0;
  // The fastest runs, which a loaded machine disturbs least.
  const double amin = *std::min_element(a.wall.begin(), a.wall.end());
  const double bmin = *std::min_element(b.wall.begin(), b.wall.end());
  state.counters["min_ratio"] = bmin > 0 ? amin / bmin : 0;
}

}  // namespace bench
