// The FFT front ends as a caller runs them (setup made beforehand, work buffer given
// by the caller, out of place) beside FFTW with an FFTW_ESTIMATE and an FFTW_MEASURE plan, both
// made before timing, one thread: the complex transforms beside fftw_plan_dft_1d, the real
// forward transform to CCS beside fftw_plan_dft_r2c_1d (its N/2 + 1 outputs are the CCS values)
// and the real inverse from CCS beside fftw_plan_dft_c2r_1d (which may overwrite its input, as
// it does between calls here). Orders 0 to 3 (1 to 8 points) run the codelets, 6 to 16 the
// engine. The three sides run interleaved in one run, each going first in turn; each row reports
// the medians per call and the ratios built-in/FFTW.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/common/BenchCompare.h"
#include "primitives/signal/FftSetup.h"
#include "primitives/signal/FftTransforms.h"

namespace {

// Each timed sample covers about this many points (many calls for small orders).
constexpr int64_t kPointsPerSample = int64_t{1} << 17;

enum class Kind { FwdCToC, InvCToC, FwdRToCCS, InvCCSToR };

const char* Name(Kind k) {
  switch (k) {
    case Kind::FwdCToC: return "FwdCToC";
    case Kind::InvCToC: return "InvCToC";
    case Kind::FwdRToCCS: return "FwdRToCCS";
    default: return "InvCCSToR";
  }
}

void Fill(double* v, int64_t count) {
  unsigned x = 2463534242u;
  for (int64_t i = 0; i < count; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    v[i] = x / 2147483648.0 - 1.0;
  }
}

fftw_plan Plan(Kind kind, int n, double* in, double* out, unsigned flags) {
  auto* cin = reinterpret_cast<fftw_complex*>(in);
  auto* cout = reinterpret_cast<fftw_complex*>(out);
  switch (kind) {
    case Kind::FwdCToC: return fftw_plan_dft_1d(n, cin, cout, FFTW_FORWARD, flags);
    case Kind::InvCToC: return fftw_plan_dft_1d(n, cin, cout, FFTW_BACKWARD, flags);
    case Kind::FwdRToCCS: return fftw_plan_dft_r2c_1d(n, in, cout, flags);
    default: return fftw_plan_dft_c2r_1d(n, cin, out, flags);
  }
}

void TransformRow(benchmark::State& state, Kind kind, int order) {
  bench::SettleAllocator();
  const int64_t n = int64_t{1} << order;
  const bool complex = kind == Kind::FwdCToC || kind == Kind::InvCToC;
  IppsFFTSpec_C_64fc* cspec = nullptr;
  IppsFFTSpec_R_64f* rspec = nullptr;
  const IppStatus made =
      complex ? builtin::ippsFFTInitAlloc_C_64fc(&cspec, order, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone)
              : builtin::ippsFFTInitAlloc_R_64f(&rspec, order, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone);
  if (made != ippStsNoErr) {
    state.SkipWithError("no setup");
    return;
  }
  int bufferSize = 0;
  if (complex)
    builtin::fbFftGetBufSizeC(cspec, &bufferSize);
  else
    builtin::fbFftGetBufSizeR(rspec, &bufferSize);
  std::vector<Ipp8u> buffer(bufferSize + 1);

  // Source and destination hold 2N + 2 values whatever the kind (a CCS spectrum needs N + 2).
  const int64_t values = 2 * n + 2;
  auto* in = static_cast<double*>(fftw_malloc(8 * values));
  auto* out = static_cast<double*>(fftw_malloc(8 * values));
  fftw_plan estimate = Plan(kind, static_cast<int>(n), in, out, FFTW_ESTIMATE);
  fftw_plan measure = Plan(kind, static_cast<int>(n), in, out, FFTW_MEASURE);
  Fill(in, values);  // after planning: FFTW_MEASURE overwrites the arrays
  if (kind == Kind::InvCCSToR) in[1] = in[n == 1 ? 1 : n + 1] = 0.0;
  std::vector<double> src(in, in + values), ours(values);

  const int64_t repeat = n >= kPointsPerSample ? 1 : kPointsPerSample / n;
  Ipp8u* pBuffer = bufferSize > 0 ? buffer.data() : nullptr;
  auto builtinSide = [&] {
    for (int64_t r = 0; r < repeat; ++r) {
      switch (kind) {
        case Kind::FwdCToC:
          builtin::ippsFFTFwd_CToC_64fc(reinterpret_cast<const Ipp64fc*>(src.data()),
                                        reinterpret_cast<Ipp64fc*>(ours.data()), cspec, pBuffer);
          break;
        case Kind::InvCToC:
          builtin::ippsFFTInv_CToC_64fc(reinterpret_cast<const Ipp64fc*>(src.data()),
                                        reinterpret_cast<Ipp64fc*>(ours.data()), cspec, pBuffer);
          break;
        case Kind::FwdRToCCS:
          builtin::ippsFFTFwd_RToCCS_64f(src.data(), ours.data(), rspec, pBuffer);
          break;
        case Kind::InvCCSToR:
          builtin::ippsFFTInv_CCSToR_64f(src.data(), ours.data(), rspec, pBuffer);
          break;
      }
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
      case 0:
        tb.push_back(timed(builtinSide));
        te.push_back(timed(estimateSide));
        tm.push_back(timed(measureSide));
        break;
      case 1:
        te.push_back(timed(estimateSide));
        tm.push_back(timed(measureSide));
        tb.push_back(timed(builtinSide));
        break;
      default:
        tm.push_back(timed(measureSide));
        tb.push_back(timed(builtinSide));
        te.push_back(timed(estimateSide));
        break;
    }
  }
  const double b = bench::Median(tb) / repeat, e = bench::Median(te) / repeat,
               m = bench::Median(tm) / repeat;
  state.counters["builtin_us"] = b;
  state.counters["estimate_us"] = e;
  state.counters["measure_us"] = m;
  state.counters["ratio_estimate"] = e > 0 ? b / e : 0;
  state.counters["ratio_measure"] = m > 0 ? b / m : 0;

  fftw_destroy_plan(estimate);
  fftw_destroy_plan(measure);
  fftw_free(in);
  fftw_free(out);
  if (complex)
    builtin::ippsFFTFree_C_64fc(cspec);
  else
    builtin::ippsFFTFree_R_64f(rspec);
}

[[maybe_unused]] const bool registered = [] {
  for (const Kind kind : {Kind::FwdCToC, Kind::InvCToC, Kind::FwdRToCCS, Kind::InvCCSToR})
    for (const int order : {0, 1, 2, 3, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})
      benchmark::RegisterBenchmark(
          ("FftTransforms/" + std::string(Name(kind)) + "/" + std::to_string(int64_t{1} << order))
              .c_str(),
          [kind, order](benchmark::State& s) { TransformRow(s, kind, order); })
          ->Unit(benchmark::kMicrosecond);
  return true;
}();

}  // namespace
