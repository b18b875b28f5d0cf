// Float-to-integer conversion with the results of the x87 store-integer instruction.
//
// A C++ cast of a NaN or of a value outside the int32 range is undefined behaviour. The
// primitives instead rely on what the floating-point unit does: such a value becomes the
// "integer indefinite" INT32_MIN, and the caller's clamp (if any) then applies. Every
// float-to-integer step of the built-in primitives goes through these helpers.
//
//   fbTruncToInt32: rounds toward zero (the truncating control word).
//   fbRoundToInt32: rounds to nearest, ties to even (the default control word).
//
// The double overloads serve float and double values; the long double overloads keep the
// full 64-bit mantissa of sums computed in extended precision. The helpers are branch-free
// enough for the compiler to vectorise loops that use them.
#pragma once

#include <cstdint>

namespace builtin {

inline constexpr int32_t kFbIntegerIndefinite = INT32_MIN;

// Truncates toward zero; NaN and values whose truncation lies outside int32 give INT32_MIN.
inline int32_t fbTruncToInt32(double x) noexcept {
  // The truncation is in range exactly when -2^31 - 1 < x < 2^31; NaN fails both tests.
  if (x > -2147483649.0 && x < 2147483648.0) return static_cast<int32_t>(x);
  return kFbIntegerIndefinite;
}

inline int32_t fbTruncToInt32(long double x) noexcept {
  if (x > -2147483649.0L && x < 2147483648.0L) return static_cast<int32_t>(x);
  return kFbIntegerIndefinite;
}

// Rounds to the nearest integer, ties to even; NaN and values whose rounding lies outside
// int32 give INT32_MIN. Independent of the current rounding mode of the process only as long
// as that mode is the default round-to-nearest, which the primitives never change.
inline int32_t fbRoundToInt32(double x) noexcept {
  // -2^31 - 0.5 rounds (to even) to -2^31, which fits; 2^31 - 0.5 rounds to 2^31, which does not.
  if (x >= -2147483648.5 && x < 2147483647.5) {
    // Adding and removing 1.5 * 2^52 leaves x rounded to an integer by the addition itself
    // (ties to even); exact for |x| < 2^51. -ffp-contract=off and no fast-math keep both steps.
    constexpr double kShifter = 6755399441055744.0;
    const double r = (x + kShifter) - kShifter;
    return static_cast<int32_t>(r);
  }
  return kFbIntegerIndefinite;
}

inline int32_t fbRoundToInt32(long double x) noexcept {
  if (x >= -2147483648.5L && x < 2147483647.5L) {
    // 1.5 * 2^63 plays the shifter's role for the 64-bit mantissa of long double.
    constexpr long double kShifter = 13835058055282163712.0L;
    const long double r = (x + kShifter) - kShifter;
    return static_cast<int32_t>(r);
  }
  return kFbIntegerIndefinite;
}

}  // namespace builtin
