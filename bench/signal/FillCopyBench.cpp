// Fills, copies and conversions of the signal layer on vectors of 64 Ki elements.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "primitives/signal/FillCopy.h"
#include "primitives/support/Support.h"

namespace {

constexpr int kLength = 1 << 16;

std::vector<double> Ramp() {
  std::vector<double> v(kLength);
  for (int i = 0; i < kLength; ++i) v[i] = (i - kLength / 2) * 0.37;
  return v;
}

void BM_Copy_64f(benchmark::State& state) {
  const std::vector<double> src = Ramp();
  std::vector<double> dst(kLength);
  for (auto _ : state) {
    builtin::ippsCopy_64f(src.data(), dst.data(), kLength);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(state.iterations() * kLength * 8);
}
BENCHMARK(BM_Copy_64f);

void BM_Set_32s(benchmark::State& state) {
  std::vector<Ipp32s> dst(kLength);
  for (auto _ : state) {
    builtin::ippsSet_32s(7, dst.data(), kLength);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(state.iterations() * kLength * 4);
}
BENCHMARK(BM_Set_32s);

void BM_Convert_64f32s(benchmark::State& state) {
  const std::vector<double> src = Ramp();
  std::vector<Ipp32s> dst(kLength);
  const int sf = static_cast<int>(state.range(0));
  for (auto _ : state) {
    builtin::ippsConvert_64f32s_Sfs(src.data(), dst.data(), kLength, ippRndNear, sf);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetItemsProcessed(state.iterations() * kLength);
}
BENCHMARK(BM_Convert_64f32s)->Arg(0)->Arg(3);

void BM_Convert_64f32f(benchmark::State& state) {
  const std::vector<double> src = Ramp();
  std::vector<float> dst(kLength);
  for (auto _ : state) {
    builtin::ippsConvert_64f32f(src.data(), dst.data(), kLength);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetItemsProcessed(state.iterations() * kLength);
}
BENCHMARK(BM_Convert_64f32f);

void BM_AlignedAllocFree(benchmark::State& state) {
  for (auto _ : state) {
    void* p = builtin::fbAlignedAlloc64(4096);
    benchmark::DoNotOptimize(p);
    builtin::fbAlignedFree(p);
  }
}
BENCHMARK(BM_AlignedAllocFree);

}  // namespace

BENCHMARK_MAIN();
