// Tests of the out-of-memory paths, on the support layer's allocation hook.
#pragma once

#include <cstdint>

#include "primitives/support/Support.h"

namespace allochook {

// The k-th heap request from now (LibCMalloc or fbAlignedAlloc*) fails while this scope lives.
class FailNth {
 public:
  explicit FailNth(std::int64_t k) { builtin::FailAllocationAfter(k); }
  ~FailNth() { builtin::FailAllocationAfter(0); }
  FailNth(const FailNth&) = delete;
  FailNth& operator=(const FailNth&) = delete;
};

// Runs call() with its 1st, 2nd, ... heap request failing until a run makes fewer requests than
// k (that run then succeeded unhindered); check(result, k, leaked) sees each failed run, where
// leaked is the number of blocks the run left allocated (0 when the call cleans up). Returns
// the number of requests the unhindered run made.
template <typename Call, typename Check>
int ForEachFailure(Call call, Check check, int limit = 64) {
  for (int k = 1; k <= limit; ++k) {
    const std::int64_t before = builtin::LiveAllocations();
    builtin::FailAllocationAfter(k);
    auto result = call();
    const bool failed = builtin::FailAllocationAfter(0) == 0;
    if (!failed) return k - 1;
    check(result, k, builtin::LiveAllocations() - before);
  }
  return limit;
}

}  // namespace allochook
