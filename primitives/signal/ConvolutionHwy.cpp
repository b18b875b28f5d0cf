// Vector blocks of the direct convolution's pass d[j] = A[j] * b + d[j], compiled for every
// instruction set that Highway targets and chosen at run time. Each lane forms the fused
// multiply-add r and an estimate of its residual A[j] * b + d[j] - r (a two-sum of d - r and a
// second fused multiply-add); the vector is stored when every lane lies far enough inside its
// rounding interval that the long double steps of the plain code round to r as well (the bound
// is derived in Convolution.cpp), and otherwise computed lane by lane with those steps.
// Instruction sets without a fused multiply-add have no kernel.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/ConvolutionHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <cstring>

#include <hwy/highway.h>

#include "primitives/signal/ConvolutionKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::convolution {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_NATIVE_FMA && HWY_TARGET != HWY_SCALAR
using DF = hn::ScalableTag<double>;
using DU = hn::RebindToUnsigned<DF>;
using VF = hn::Vec<DF>;

size_t MulAddBlocksImpl(const uint8_t* a, double b, uint8_t* d, size_t n) {
  const DF df;
  const DU du;
  const size_t lanes = hn::Lanes(df);
  const VF vb = hn::Set(df, b);
  const VF exponentMask = hn::BitCast(df, hn::Set(du, uint64_t{0x7FF0000000000000}));
  // Half the spacing of the doubles around a power of two 2^e, times the slack of the test.
  const VF halfUlp = hn::Set(df, 0x1p-53 * (1.0 - 0x1p-50));
  const VF quarterUlp = hn::Set(df, 0x1p-54 * (1.0 - 0x1p-50));
  const VF margin = hn::Set(df, 0x1p-63);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const VF va = hn::LoadU(df, reinterpret_cast<const double*>(a + 8 * i));
    const VF vd = hn::LoadU(df, reinterpret_cast<const double*>(d + 8 * i));
    const VF r = hn::MulAdd(va, vb, vd);
    const VF ph = hn::Mul(va, vb);
    // d - r = g + gl exactly (two-sum), so the residual is A*b + g + gl.
    const VF g = hn::Sub(vd, r);
    const VF bv = hn::Sub(g, vd);
    const VF gl = hn::Sub(hn::Sub(vd, hn::Sub(g, bv)), hn::Add(r, bv));
    const VF e = hn::Add(hn::MulAdd(va, vb, g), gl);
    // Half the spacing around r, the smaller side's when |r| is a power of two. r = 0 gives
    // h = 0, which passes only when a*b and d are zeros (then e = 0 as well).
    const VF absR = hn::Abs(r);
    const VF power = hn::And(absR, exponentMask);
    const VF h = hn::Mul(power, hn::IfThenElse(hn::Eq(absR, power), quarterUlp, halfUlp));
    const VF reach = hn::MulAdd(margin, hn::Add(hn::Abs(ph), absR), hn::Abs(e));
    const auto ok = hn::Le(reach, h);
    if (hn::AllTrue(df, ok)) {
      hn::StoreU(r, df, reinterpret_cast<double*>(d + 8 * i));
      continue;
    }
    // A vector it cannot vouch for takes the long double steps, lane by lane.
    for (size_t l = 0; l < lanes; ++l) {
      double al, dl;
      std::memcpy(&al, a + 8 * (i + l), 8);
      std::memcpy(&dl, d + 8 * (i + l), 8);
      const double sum =
          static_cast<double>(static_cast<long double>(al) * b + static_cast<long double>(dl));
      std::memcpy(d + 8 * (i + l), &sum, 8);
    }
  }
  return i;
}
#endif

size_t MulAddBlocks(const uint8_t* a, double b, uint8_t* d, size_t n) {
#if HWY_NATIVE_FMA && HWY_TARGET != HWY_SCALAR
  return MulAddBlocksImpl(a, b, d, n);
#else
  (void)a, (void)b, (void)d, (void)n;
  return 0;
#endif
}

bool HasMulAddBlocks() { return HWY_NATIVE_FMA && HWY_TARGET != HWY_SCALAR; }

}  // namespace HWY_NAMESPACE
}  // namespace builtin::convolution
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::convolution {

HWY_EXPORT(MulAddBlocks);
HWY_EXPORT(HasMulAddBlocks);

MulAddBlocksFn VectorMulAdd() {
  return HWY_DYNAMIC_DISPATCH(HasMulAddBlocks)() ? PF_HWY_DISPATCHED(MulAddBlocks) : nullptr;
}

}  // namespace builtin::convolution
#endif  // HWY_ONCE
