#include <cmath>
#include <cstdint>

#include "primitives/support/FloatToInt.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

constexpr long double kLog2E = 1.4426950408889634073599246810018921L;
constexpr long double kPi = 3.1415926535897932384626433832795029L;

// 2^t as the x87 does it: an integer part by scaling and the fraction by 2^f.
long double Exp2Split(long double t) {
  if (std::isnan(t)) return t;
  if (std::isinf(t)) return t > 0 ? t : 0.0L;
  // rint rounds as nearbyint does in the default rounding mode, which the primitives never
  // change, without saving and restoring the floating-point environment around it.
  const long double whole = std::rint(t);
  const long double fraction = t - whole;
  const long double clamped = whole > 40000.0L ? 40000.0L : (whole < -40000.0L ? -40000.0L : whole);
#ifdef PF_FB_X87
  return std::ldexp(std::exp2(fraction), x87::StoreWholeInt32(clamped));
#else
  return std::ldexp(std::exp2(fraction), static_cast<int>(clamped));
#endif
}

}  // namespace

std::int64_t fbTruncToInt64(long double x) {
  if (!(x > -9223372036854775809.0L && x < 9223372036854775808.0L)) return INT64_MIN;
#ifdef PF_FB_X87
  // fisttp truncates without the control word a cast loads and restores.
  if (x87::HasFisttp()) return x87::TruncFisttp64(x);
#endif
  return static_cast<std::int64_t>(x);
}

std::int64_t fbRoundToInt64(long double x) {
  if (!(x > -9223372036854775809.0L && x < 9223372036854775808.0L)) return INT64_MIN;
  // The truncation and the fraction it drops are both exact in long double.
  long double t = std::trunc(x);
  const long double fraction = std::fabs(x - t);
  const bool odd = std::fmod(t, 2.0L) != 0;
  if (fraction > 0.5L || (fraction == 0.5L && odd)) t += x < 0 ? -1.0L : 1.0L;
  if (!(t >= -9223372036854775808.0L && t < 9223372036854775808.0L)) return INT64_MIN;
#ifdef PF_FB_X87
  return x87::StoreWholeInt64(t);  // t is an integer: stored as it is in any mode
#else
  return static_cast<std::int64_t>(t);
#endif
}

double LibCSin(double x) { return static_cast<double>(std::sin(static_cast<long double>(x))); }
double LibCCos(double x) { return static_cast<double>(std::cos(static_cast<long double>(x))); }
double LibCSqrt(double x) { return static_cast<double>(std::sqrt(static_cast<long double>(x))); }

double LibCExp(double x) {
  return static_cast<double>(Exp2Split(static_cast<long double>(x) * kLog2E));
}

double LibCLog(double x) { return static_cast<double>(std::log(static_cast<long double>(x))); }

double LibCAtan2(double y, double x) {
  return static_cast<double>(std::atan2(static_cast<long double>(y), static_cast<long double>(x)));
}

double LibCFloor(double x) {
  // Truncate, then step down for a negative fraction, in 64 bits (stepping below INT32_MIN in
  // 32 bits would overflow). A floor outside the 32-bit range, and NaN, give what the shared
  // float-to-int32 conversion gives for it: INT32_MIN.
  std::int64_t k = fbTruncToInt64(x);
  if (x < 0 && static_cast<long double>(x) != std::trunc(static_cast<long double>(x))) --k;
  return static_cast<double>(fbTruncToInt32(static_cast<long double>(k)));
}

double LibCPow(double x, double y) {
  const long double ly = y;
  if (std::fabs(ly) <= 2147483647.0L && std::trunc(ly) == ly) {
    auto bits = static_cast<std::uint32_t>(fbTruncToInt64(std::fabs(ly)));
    long double base = x;
    long double product = 1.0L;
    while (bits != 0) {
      if (bits & 1u) product *= base;
      bits >>= 1;
      if (bits != 0) base *= base;
    }
    return static_cast<double>(ly < 0 ? 1.0L / product : product);
  }
  if (x == 0.0) return 0.0;
  const long double log2x = std::log(static_cast<long double>(x)) * kLog2E;
  return static_cast<double>(Exp2Split(ly * log2x));
}

double LibCSinDeg(double degrees) {
  return static_cast<double>(std::sin(kPi * static_cast<long double>(degrees) / 180.0f));
}

double LibCCosDeg(double degrees) {
  return static_cast<double>(std::cos(kPi * static_cast<long double>(degrees) / 180.0f));
}

}  // namespace builtin
