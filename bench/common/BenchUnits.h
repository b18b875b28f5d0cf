// The main program of a benchmark that needs the system's start-up units (dispatch slots,
// buffer store): the units run before the benchmarks and are finalized after them.
#pragma once

#include <benchmark/benchmark.h>

#include <span>

#include "platform/Units.h"

namespace bench {

inline int RunWithUnits(int argc, char** argv, std::span<const platform::TUnit> units) {
  platform::RunUnitInitialization(units);
  benchmark::Initialize(&argc, argv);
  const bool run = !benchmark::ReportUnrecognizedArguments(argc, argv);
  if (run) benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  platform::RunUnitFinalization();
  return run ? 0 : 1;
}

}  // namespace bench
