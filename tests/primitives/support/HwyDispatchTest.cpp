// Vector kernels taken by address choose the Highway target first. Each kernel is taken in a
// fresh process (a re-executed child, before any dispatched call of its own): afterwards the
// target is chosen, and the pointer is the one the chosen target gives, not Highway's choosing
// entry, which would ask the processor again on every call.
#include <gtest/gtest.h>

#include <hwy/targets.h>

#include <cstdint>
#include <functional>

#include "primitives/geometry/WarpFrame.h"
#include "primitives/geometry/WarpKernels.h"
#include "primitives/resampling/ResizeKernels.h"
#include "primitives/signal/ElementaryFunctionsKernels.h"
#include "primitives/signal/FloatArithmeticKernels.h"
#include "primitives/support/ByteArithmeticEngineKernels.h"

namespace {

using namespace builtin;

// The child's exit code: 0 when the kernel was taken after choosing; 2 when the process was
// not fresh, 3 when taking it left the target unchosen, 4 when it was not the chosen target's.
int TakeKernelFirst(const std::function<const void*()>& take) {
  if (hwy::GetChosenTarget().IsInitialized()) return 2;
  const void* first = take();
  if (!hwy::GetChosenTarget().IsInitialized()) return 3;
  hwy::GetChosenTarget().Update(hwy::SupportedTargets());
  return take() == first ? 0 : 4;
}

template <typename Fn>
const void* Address(Fn fn) {
  return reinterpret_cast<const void*>(fn);
}

TEST(HwyDispatch, KernelsTakenByAddressChooseTheTargetFirst) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const struct {
    const char* name;
    std::function<const void*()> take;
  } kernels[] = {
      {"support: byte sums", [] { return Address(arith::VectorArith8u(arith::TArith8u::Add)); }},
      {"signal: guarded float64 sums",
       [] { return Address(floatarith::VectorGuarded(floatarith::TGuardedOp::Add)); }},
      {"signal: exponential", [] { return Address(elementary::VectorExpBlocks()); }},
      {"geometry: linear warp samplers",
       [] {
         static const uint8_t kSource[4 * 3 * 2] = {};
         const warp::LinearSource8 source{kSource, 4 * 3, 3, 1};
         return Address(warp::VectorPoints8(warp::kC3, warp::PointRule::kLinear, source));
       }},
      {"resampling: linear resize columns",
       [] { return Address(resize::VectorLinearColumn8u()); }},
  };
  for (const auto& k : kernels)
    EXPECT_EXIT(std::_Exit(TakeKernelFirst(k.take)), testing::ExitedWithCode(0), "") << k.name;
}

}  // namespace
