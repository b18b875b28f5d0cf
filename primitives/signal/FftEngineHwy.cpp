// Vector passes of the FFT engine, compiled for every instruction set that Highway targets and
// chosen at run time. A complex value is one 128-bit block (real part in the even lane); each
// lane performs the plain pass's float64 operations in the same order, so the bits agree.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/FftEngineHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/signal/FftEngineKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::fft {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<double>;
using VF = hn::Vec<DF>;

int64_t ScaleBlocks(double factor, double* d, int64_t count) {
  const DF df;
  const int64_t n = static_cast<int64_t>(hn::Lanes(df));
  const VF f = hn::Set(df, factor);
  int64_t i = 0;
  for (; i + n <= count; i += n) hn::StoreU(hn::Mul(hn::LoadU(df, d + i), f), df, d + i);
  return i;
}

const Kernels* TargetKernels() {
  static const Kernels k{nullptr, nullptr, nullptr, nullptr, &ScaleBlocks, nullptr, nullptr};
  return &k;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::fft
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::fft {

HWY_EXPORT(TargetKernels);

const Kernels& VectorKernels() { return *HWY_DYNAMIC_DISPATCH(TargetKernels)(); }

}  // namespace builtin::fft
#endif  // HWY_ONCE
