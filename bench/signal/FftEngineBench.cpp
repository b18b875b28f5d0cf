// The complex forward transform as a front end runs it (the permutation and the radix-4 kernel
// or the large transform with the setup's work buffer, out of place) beside FFTW's
// out-of-place fftw_plan_dft_1d with an FFTW_ESTIMATE and an FFTW_MEASURE plan, both made
// before timing, one thread. The three sides run interleaved in one run; each row reports the
// medians per call, 5 N log2(N) / t in Gflop/s for each side, and the ratios built-in/FFTW.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <string>
#include <vector>

#include "bench/common/BenchCompare.h"
#include "primitives/signal/FftEngine.h"
#include "primitives/signal/FftSetup.h"
#include "primitives/support/Support.h"

namespace {

// Each timed sample covers about this many points (several calls for small orders).
constexpr int64_t kPointsPerSample = int64_t{1} << 17;

void ForwardRow(benchmark::State& state, int order) {
  bench::SettleAllocator();
  const int64_t N = int64_t{1} << order;
  IppsFFTSpec_C_64fc* spec = nullptr;
  if (builtin::ippsFFTInitAlloc_C_64fc(&spec, order, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone) != 0) {
    state.SkipWithError("no setup");
    return;
  }
  double* work = nullptr;
  void* allocated = nullptr;
  builtin::fbFftTakeWork(spec, nullptr, &work, &allocated);

  auto* in = static_cast<double*>(fftw_malloc(16 * N));
  auto* out = static_cast<double*>(fftw_malloc(16 * N));
  auto* fin = reinterpret_cast<fftw_complex*>(in);
  auto* fout = reinterpret_cast<fftw_complex*>(out);
  fftw_plan estimate = fftw_plan_dft_1d(static_cast<int>(N), fin, fout, FFTW_FORWARD, FFTW_ESTIMATE);
  fftw_plan measure = fftw_plan_dft_1d(static_cast<int>(N), fin, fout, FFTW_FORWARD, FFTW_MEASURE);
  unsigned x = 2463534242u;
  for (int64_t i = 0; i < 2 * N; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    in[i] = x / 2147483648.0 - 1.0;
  }
  // The built-in's destination has the alignment of FFTW's arrays.
  auto* ours = static_cast<double*>(fftw_malloc(16 * N));

  const int64_t repeat = N >= kPointsPerSample ? 1 : kPointsPerSample / N;
  auto builtinSide = [&] {
    for (int64_t r = 0; r < repeat; ++r) {
      builtin::fbFftComplexFwd(spec, in, ours, order, work);
    }
  };
  auto estimateSide = [&] {
    for (int64_t r = 0; r < repeat; ++r) fftw_execute(estimate);
  };
  auto measureSide = [&] {
    for (int64_t r = 0; r < repeat; ++r) fftw_execute(measure);
  };
  auto timed = [](auto& f) {
    const double t0 = bench::ThreadMicroseconds();
    f();
    benchmark::ClobberMemory();
    return bench::ThreadMicroseconds() - t0;
  };
  builtinSide();
  estimateSide();
  measureSide();
  std::vector<double> tb, te, tm;
  int turn = 0;
  for (auto _ : state) {
    switch (turn++ % 3) {  // rotate which side goes first
      case 0: tb.push_back(timed(builtinSide)); te.push_back(timed(estimateSide)); tm.push_back(timed(measureSide)); break;
      case 1: te.push_back(timed(estimateSide)); tm.push_back(timed(measureSide)); tb.push_back(timed(builtinSide)); break;
      default: tm.push_back(timed(measureSide)); tb.push_back(timed(builtinSide)); te.push_back(timed(estimateSide)); break;
    }
  }
  const double b = bench::Median(tb) / repeat, e = bench::Median(te) / repeat,
               m = bench::Median(tm) / repeat;
  const double flops = 5.0 * static_cast<double>(N) * order;
  state.counters["builtin_us"] = b;
  state.counters["estimate_us"] = e;
  state.counters["measure_us"] = m;
  state.counters["builtin_gflops"] = b > 0 ? flops / b * 1e-3 : 0;
  state.counters["measure_gflops"] = m > 0 ? flops / m * 1e-3 : 0;
  state.counters["ratio_estimate"] = e > 0 ? b / e : 0;
  state.counters["ratio_measure"] = m > 0 ? b / m : 0;

  fftw_destroy_plan(estimate);
  fftw_destroy_plan(measure);
  fftw_free(in);
  fftw_free(out);
  fftw_free(ours);
  builtin::fbAlignedFree(allocated);
  builtin::ippsFFTFree_C_64fc(spec);
}

[[maybe_unused]] const bool registered = [] {
  for (int order = 6; order <= 16; ++order)
    benchmark::RegisterBenchmark(("FftEngine/FwdCToC/" + std::to_string(int64_t{1} << order)).c_str(),
                                 [order](benchmark::State& s) { ForwardRow(s, order); })
        ->Unit(benchmark::kMicrosecond);
  return true;
}();

}  // namespace
