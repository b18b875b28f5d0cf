// The scale-factor rule of every integer primitive whose name ends in Sfs.
//
// Each element result starts as the exact value v of the operation (a sum, a difference or a
// product). It is scaled by 2^(-sf) and saturated to the element type T:
//
//   sf = 0   v saturated;
//   sf > 0   v / 2^sf rounded to the nearest integer, ties to even, then saturated:
//            (v + 2^(sf-1) - 1 + ((v >> sf) & 1)) >> sf with flooring shifts;
//   sf < 0   v * 2^(-sf) saturated; no rounding is needed.
//
// The factor is examined once per call: WithScaleRule hands the caller's row loop one of three
// rule objects, so each branch gets its own loop and no per-element test of sf remains.
//
// The values are exact for every sf. v is held in a signed type W with |v| <= 2^(bits(W) - 2)
// (int32 for 8- and 16-bit elements, int64 for 32-bit sums and products). A positive factor
// beyond the width of W rounds every value to 0 in the same formula, and a negative factor
// never shifts a value that would leave the element range: the saturation bounds are shifted
// down instead (v * 2^s > hi exactly when v > hi >> s), so a product of -2^31 by itself at
// sf = -1 saturates to INT32_MAX instead of wrapping.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace builtin::sfs {

template <class T>
inline constexpr int64_t kLowest = std::numeric_limits<T>::lowest();
template <class T>
inline constexpr int64_t kHighest = std::numeric_limits<T>::max();

// v clamped to the range of T.
template <class T, class W>
constexpr T Saturate(W v) noexcept {
  if (v < static_cast<W>(kLowest<T>)) return static_cast<T>(kLowest<T>);
  if (v > static_cast<W>(kHighest<T>)) return static_cast<T>(kHighest<T>);
  return static_cast<T>(v);
}

// sf = 0.
template <class T, class W>
struct TExactRule {
  constexpr T operator()(W v) const noexcept { return Saturate<T>(v); }
};

// sf > 0: divided by 2^sf, ties to even.
template <class T, class W>
struct TRoundDownRule {
  int Shift;  // 1 .. bits(W) - 1
  W Half;     // 2^(Shift - 1) - 1
  constexpr explicit TRoundDownRule(int shift) noexcept
      : Shift(shift), Half(static_cast<W>((W{1} << (shift - 1)) - 1)) {}
  constexpr T operator()(W v) const noexcept {
    return Saturate<T>(static_cast<W>((v + Half + ((v >> Shift) & 1)) >> Shift));
  }
};

// sf < 0: multiplied by 2^(-sf), saturated by comparing v with the bounds shifted down.
template <class T, class W>
struct TScaleUpRule {
  int Shift;  // 1 .. bits(W) - 2
  W High;     // the largest v whose product stays at or below the highest T
  W Low;      // the smallest v whose product stays at or above the lowest T
  constexpr explicit TScaleUpRule(int shift) noexcept
      : Shift(shift),
        High(static_cast<W>((kHighest<T>) >> shift)),
        // ceil(lowest / 2^shift) = -floor(-lowest / 2^shift); lowest is 0 or -2^k.
        Low(static_cast<W>(-((-kLowest<T>) >> shift))) {}
  constexpr T operator()(W v) const noexcept {
    if (v > High) return static_cast<T>(kHighest<T>);
    if (v < Low) return static_cast<T>(kLowest<T>);
    return static_cast<T>(v * (W{1} << Shift));
  }
};

// Calls body(rule) with the rule object for sf and returns what body returns. body is a
// generic callable; it is instantiated once per branch of the rule.
template <class T, class W, class Body>
decltype(auto) WithScaleRule(int sf, Body&& body) {
  static_assert(std::is_signed_v<W> && sizeof(W) > sizeof(T),
                "W must hold every exact value with two bits to spare");
  constexpr int kBits = std::numeric_limits<W>::digits;  // value bits of W
  if (sf == 0) return body(TExactRule<T, W>{});
  if (sf > 0) return body(TRoundDownRule<T, W>(sf > kBits ? kBits : sf));
  return body(TScaleUpRule<T, W>(sf < -(kBits - 1) ? kBits - 1 : -sf));
}

// The rule applied to one value (tests, and the rare scalar callers).
template <class T, class W>
constexpr T Scale(W v, int sf) {
  return WithScaleRule<T, W>(sf, [v](auto rule) { return rule(v); });
}

// 2^(-sf) in extended precision for the divisions, which scale in floating point: exact where
// it is representable, infinity above the range and 0 below it (the values that doubling or
// halving 1.0 |sf| times gives, without the |sf| steps).
inline long double Factor(int sf) noexcept {
  const int64_t e = -static_cast<int64_t>(sf);
  return std::ldexp(1.0L, static_cast<int>(e > 20000 ? 20000 : (e < -20000 ? -20000 : e)));
}

}  // namespace builtin::sfs
