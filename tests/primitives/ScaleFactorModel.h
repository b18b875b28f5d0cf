// An exact model of the scale-factor rule and of rounded quotients, in 128-bit integers, for
// the tests of the arithmetic primitives.
#pragma once

namespace sfmodel {

using i128 = __int128;

// num / den rounded to the nearest integer, ties to even (den != 0).
inline i128 RoundedQuotient(i128 num, i128 den) {
  if (den < 0) num = -num, den = -den;
  i128 q = num / den, r = num % den;
  if (r < 0) r += den, q -= 1;  // floor division
  if (2 * r > den || (2 * r == den && (q & 1) != 0)) q += 1;
  return q;
}

inline i128 Clamp(i128 v, i128 lo, i128 hi) { return v < lo ? lo : (v > hi ? hi : v); }

// v * 2^(-sf) rounded half to even and saturated to lo..hi. Factors beyond -40 and 70 give the
// results of -40 and 70 for the values of the tests (|v| <= 2^62).
inline i128 Scaled(i128 v, int sf, i128 lo, i128 hi) {
  sf = sf < -40 ? -40 : (sf > 70 ? 70 : sf);
  const i128 r = sf >= 0 ? RoundedQuotient(v, i128{1} << sf) : v * (i128{1} << -sf);
  return Clamp(r, lo, hi);
}

// dividend * 2^(-sf) / divisor rounded half to even and saturated (divisor != 0); factors
// beyond -63 and 70 give the results of -63 and 70 for operands below 2^31.
inline i128 ScaledQuotient(i128 dividend, i128 divisor, int sf, i128 lo, i128 hi) {
  sf = sf < -63 ? -63 : (sf > 70 ? 70 : sf);
  const i128 num = sf < 0 ? dividend * (i128{1} << -sf) : dividend;
  const i128 den = sf > 0 ? divisor * (i128{1} << sf) : divisor;
  return Clamp(RoundedQuotient(num, den), lo, hi);
}

}  // namespace sfmodel
