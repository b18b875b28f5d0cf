// The pooled store beside the heap, and copy on write beside memcpy.
//
// Each benchmark runs its sides back to back in every iteration (alternating which goes
// first), times each with the steady clock and reports the ratio of the medians as counters
// (below 1: the pool or the buffer is faster). With several threads, every thread runs the
// same side at the same time (a barrier between the sides), and the counters are the
// threads' average.
//
//   BM_Blocks/<bytes>/threads:<n>   allocate and release one block, 256 times per side:
//                                   AllocateSmartMemory/ReleaseSmartMemory, malloc/free and
//                                   a std::vector of that many bytes (which zero-fills them);
//   BM_WriteSharedFrame             a view of a shared 1920x1080x4 buffer made private by
//                                   Write (no data), by Write and then filled, and by
//                                   Modify (the data copied), beside memcpy of the frame.
#include <benchmark/benchmark.h>

#include <barrier>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "bench/common/BenchUnits.h"
#include "binding/BindingUnits.h"
#include "buffers/RBInternalStore.h"
#include "buffers/RBSimpleDataBufferBlock.h"
#include "platform/Forms.h"
#include "platform/Kernel.h"
#include "platform/Messages.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double>& v) {
  if (v.empty()) return 0;
  const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  return *mid;
}

// The sides of one comparison: each is timed once per iteration, in turn.
class TSides {
 public:
  explicit TSides(benchmark::State& state) : FState(state) {}
  void Add(const char* name, std::function<void()> side) {
    FNames.push_back(name);
    FSides.push_back(std::move(side));
    FTimes.emplace_back();
  }
  // Runs the iterations; Sync (may be empty) is called between two sides.
  void Run(const std::function<void()>& Sync = {}) {
    for (auto& side : FSides) side();  // warm up
    size_t first = 0;
    for (auto _ : FState) {
      for (size_t k = 0; k < FSides.size(); ++k) {
        const size_t i = (first + k) % FSides.size();
        if (Sync) Sync();
        const auto t0 = Clock::now();
        FSides[i]();
        benchmark::ClobberMemory();
        FTimes[i].push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
      }
      first = (first + 1) % FSides.size();
    }
  }
  // Counters: every side's median in microseconds and side 0 / side i as "<name>_ratio".
  void Report(const std::vector<const char*>& ratioNames) {
    std::vector<double> medians;
    for (auto& times : FTimes) medians.push_back(Median(times));
    for (size_t i = 0; i < FSides.size(); ++i)
      FState.counters[std::string(FNames[i]) + "_us"] =
          benchmark::Counter(medians[i], benchmark::Counter::kAvgThreads);
    for (size_t i = 1; i < FSides.size() && i - 1 < ratioNames.size(); ++i)
      FState.counters[ratioNames[i - 1]] = benchmark::Counter(
          medians[i] > 0 ? medians[0] / medians[i] : 0, benchmark::Counter::kAvgThreads);
  }

 private:
  benchmark::State& FState;
  std::vector<const char*> FNames;
  std::vector<std::function<void()>> FSides;
  std::vector<std::vector<double>> FTimes;
};

constexpr int kPairs = 256;

std::optional<std::barrier<>> gBarrier;

void BM_Blocks(benchmark::State& state) {
  const auto size = static_cast<uint32_t>(state.range(0));
  if (state.thread_index() == 0) gBarrier.emplace(state.threads());
  TSides sides(state);
  sides.Add("pool", [size] {
    for (int i = 0; i < kPairs; ++i) {
      void* p = buffers::AllocateSmartMemory(size);
      benchmark::DoNotOptimize(p);
      buffers::ReleaseSmartMemory(p, size);
    }
  });
  sides.Add("malloc", [size] {
    for (int i = 0; i < kPairs; ++i) {
      void* p = std::malloc(size);
      benchmark::DoNotOptimize(p);
      std::free(p);
    }
  });
  sides.Add("vector", [size] {
    for (int i = 0; i < kPairs; ++i) {
      std::vector<uint8_t> v(size);
      benchmark::DoNotOptimize(v.data());
    }
  });
  // The threads start their loops together, so the barrier made by thread 0 is in place.
  sides.Run(state.threads() > 1 ? std::function<void()>([] { gBarrier->arrive_and_wait(); })
                                : std::function<void()>());
  sides.Report({"pool_per_malloc", "pool_per_vector"});
}

void BM_WriteSharedFrame(benchmark::State& state) {
  constexpr uint32_t kBytes = 1920 * 1080 * 4;
  using buffers::TRBBlockBuffer;
  platform::RefPtr<TRBBlockBuffer> frame = TRBBlockBuffer::CreateSize(kBytes);
  std::memset(frame->Write(), 0x5A, kBytes);
  std::vector<uint8_t> target(kBytes);
  auto shared = [&] { return TRBBlockBuffer::CreateEx(frame.Get()); };

  TSides sides(state);
  sides.Add("memcpy", [&] { std::memcpy(target.data(), frame->Read(), kBytes); });
  sides.Add("write", [&] {
    auto view = shared();
    benchmark::DoNotOptimize(view->Write());
  });
  sides.Add("write_fill", [&] {
    auto view = shared();
    std::memset(view->Write(), 1, kBytes);
  });
  sides.Add("modify", [&] {
    auto view = shared();
    benchmark::DoNotOptimize(view->Modify());
  });
  sides.Run();
  // memcpy / side, inverted below so that each ratio reads side / memcpy.
  sides.Report({});
  for (const char* name : {"write", "write_fill", "modify"})
    state.counters[std::string(name) + "_per_memcpy"] = benchmark::Counter(
        state.counters[std::string(name) + "_us"] / state.counters["memcpy_us"]);
}

}  // namespace

BENCHMARK(BM_Blocks)
    ->ArgName("bytes")
    ->Arg(4096)
    ->Arg(65536)
    ->Arg(4 << 20)
    ->Threads(1)
    ->Threads(8)
    ->UseRealTime();
BENCHMARK(BM_WriteSharedFrame)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  static const platform::TUnit units[] = {
      platform::KernelUnit, platform::MessagesUnit,  platform::FormsUnit,
      CBIPPSLoader::Unit,   RBBasicDispatcher::Unit, buffers::RBInternalStoreUnit,
  };
  return bench::RunWithUnits(argc, argv, units);
}
