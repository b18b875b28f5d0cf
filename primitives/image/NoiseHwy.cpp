// Vector blocks of the Gaussian noise's pairs, compiled for every instruction set that Highway
// targets and chosen at run time. They compute the plain double path of Noise.cpp (the
// logarithm, the chain of a pair and its guard) operation for operation, one pair per lane;
// the pairs left after the last whole vector go to the plain path.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/image/NoiseHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/image/NoiseKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::noise {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// noise::Log, lane by lane.
template <class D, class V = hn::Vec<D>>
V LogLanes(D df, V x) {
  const hn::RebindToUnsigned<D> du;
  const auto moved = hn::Add(hn::BitCast(du, x), hn::Set(du, kMantissaShift));
  // The biased exponent e becomes the double 2^52 + e, less 2^52 + 1023: k exactly.
  const V k =
      hn::Sub(hn::BitCast(df, hn::Or(hn::ShiftRight<52>(moved), hn::Set(du, 0x4330000000000000u))),
              hn::Set(df, 0x1p52 + 1023.0));
  const V m = hn::BitCast(
      df, hn::Add(hn::And(moved, hn::Set(du, 0x000fffffffffffffu)), hn::Set(du, kMantissaBase)));
  const V one = hn::Set(df, 1.0);
  const V f = hn::Sub(m, one);
  const V h = hn::Mul(hn::Mul(hn::Set(df, 0.5), f), f);
  const V z = hn::Div(f, hn::Add(hn::Set(df, 2.0), f));
  const V z2 = hn::Mul(z, z);
  const V w = hn::Mul(z2, z2);
  const auto c = [df](double v) { return hn::Set(df, v); };
  const V t1 = hn::Mul(w, hn::Add(c(kLg2), hn::Mul(w, hn::Add(c(kLg4), hn::Mul(w, c(kLg6))))));
  const V t2 = hn::Mul(
      z2, hn::Add(c(kLg1),
                  hn::Mul(w, hn::Add(c(kLg3), hn::Mul(w, hn::Add(c(kLg5), hn::Mul(w, c(kLg7))))))));
  const V r = hn::Add(t2, t1);
  const V inner = hn::Add(hn::Mul(z, hn::Add(h, r)), hn::Mul(k, c(kLn2Lo)));
  return hn::Sub(hn::Mul(k, c(kLn2Hi)), hn::Sub(hn::Sub(h, inner), f));
}

void GaussPairs(const double* u1, const double* u2, const double* s, size_t n, double mean,
                double stdDev, double guard, int32_t* first, int32_t* second) {
  const hn::ScalableTag<double> df;
  const hn::Rebind<int32_t, decltype(df)> di;
  using V = hn::Vec<decltype(df)>;
  const size_t lanes = hn::Lanes(df);
  const V vMean = hn::Set(df, mean), vStdDev = hn::Set(df, stdDev), vGuard = hn::Set(df, guard);
  const V zero = hn::Zero(df), edge = hn::Set(df, 0x1p30), minusTwo = hn::Set(df, -2.0);
  const auto doubtful = [&](V p, V v) {
    // A NaN value fails the range test.
    return hn::Or(hn::Not(hn::Lt(hn::Abs(v), edge)),
                  hn::And(hn::Le(hn::Abs(hn::Sub(v, hn::Round(v))), vGuard), hn::Ne(p, zero)));
  };
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const V sv = hn::LoadU(df, s + i);
    const V t = hn::Div(hn::Mul(LogLanes(df, sv), minusTwo), sv);
    const V spread = hn::Mul(vStdDev, hn::Sqrt(t));
    const V p1 = hn::Mul(hn::LoadU(df, u1 + i), spread),
            p2 = hn::Mul(hn::LoadU(df, u2 + i), spread);
    const V v1 = hn::Add(vMean, p1), v2 = hn::Add(vMean, p2);
    const auto redo = hn::Or(doubtful(p1, v1), doubtful(p2, v2));
    // -2^31 truncates to kRedo.
    hn::StoreU(hn::DemoteTo(di, hn::IfThenElse(redo, hn::Set(df, -0x1p31), v1)), di, first + i);
    hn::StoreU(hn::DemoteTo(di, hn::IfThenZeroElse(redo, v2)), di, second + i);
  }
  if (i < n)
    GaussPairsPlain(u1 + i, u2 + i, s + i, n - i, mean, stdDev, guard, first + i, second + i);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::noise
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::noise {

HWY_EXPORT(GaussPairs);

GaussPairsFn VectorGaussPairs() { return PF_HWY_DISPATCHED(GaussPairs); }

}  // namespace builtin::noise
#endif  // HWY_ONCE
