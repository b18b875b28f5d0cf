// Aligned blocks taken and given back beside cv::fastMalloc and cv::fastFree, 256 pairs to a
// timed sample; the row's size is the block's size in bytes.
#include <opencv2/core.hpp>

#include <benchmark/benchmark.h>

#include "bench/common/BenchTable.h"
#include "primitives/support/Support.h"

PF_BENCH_TABLE(Support) {
  table.Sizes(bench::Lengths({4096, 1 << 20}));
  table.Add("AlignedAlloc64_Free", [](bench::Row& r) {
    const int bytes = r.Length();
    // fbAlignedAlloc64 counts 8-byte elements: both sides ask for the same bytes.
    const int elements = bytes / 8;
    r.Compare(
        [&] {
          void* p = builtin::fbAlignedAlloc64(elements);
          benchmark::DoNotOptimize(p);
          builtin::fbAlignedFree(p);
        },
        [&] {
          void* p = cv::fastMalloc(static_cast<size_t>(bytes));
          benchmark::DoNotOptimize(p);
          cv::fastFree(p);
        },
        256);
  });
}
