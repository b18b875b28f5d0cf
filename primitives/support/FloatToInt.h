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

#include <cmath>
#include <cstdint>

namespace builtin {

inline constexpr int32_t kFbIntegerIndefinite = INT32_MIN;

// Truncates toward zero; NaN and values whose truncation lies outside int32 give INT32_MIN.
inline int32_t fbTruncToInt32(double x) noexcept {
  // The truncation is in range exactly when -2^31 - 1 < x < 2^31; NaN fails both tests.
  if (x > -2147483649.0 && x < 2147483648.0) return static_cast<int32_t>(x);
  return kFbIntegerIndefinite;
}

// A C++ cast of a long double truncates with the x87 store-integer instruction, which rounds
// as the control word says: the compiler saves the control word, loads a truncating one, stores
// and loads the saved one back, on every call. The long double helpers never change the
// control word: they store with the instructions that need no mode (fisttp, which always
// truncates, where the processor has SSE3; fistp in the default mode on a value that is already
// an integer) or round by additions and fix the result up by comparisons.
namespace x87 {

#if defined(__x86_64__) || defined(__i386__)
#define PF_FB_X87 1

// Whether the processor has fisttp (SSE3). A load and a bit test: the processor's features are
// read once, by the compiler runtime, before the program's own initialisers run (code that runs
// earlier still sees no SSE3 and takes the portable path, which gives the same results).
inline bool HasFisttp() noexcept { return __builtin_cpu_supports("sse3"); }

// The truncation of x; x must lie strictly between -2^31 - 1 and 2^31. Needs SSE3.
inline int32_t TruncFisttp(long double x) noexcept {
  int32_t n;
  asm("fisttpl %0" : "=m"(n) : "t"(x) : "st");
  return n;
}

// x rounded as the control word says (the primitives keep the default: to nearest, ties to
// even), for x within [-2^31 - 0.5, 2^31 - 0.5); an integer is stored as it is in any mode.
inline int32_t StoreWholeInt32(long double x) noexcept {
  int32_t n;
  asm("fistpl %0" : "=m"(n) : "t"(x) : "st");
  return n;
}

// The 64-bit forms: the truncation of x strictly between -2^63 - 1 and 2^63 (SSE3), and the
// value of an x that is an integer in the int64 range.
inline int64_t TruncFisttp64(long double x) noexcept {
  int64_t n;
  asm("fisttpll %0" : "=m"(n) : "t"(x) : "st");
  return n;
}

inline int64_t StoreWholeInt64(long double x) noexcept {
  int64_t n;
  asm("fistpll %0" : "=m"(n) : "t"(x) : "st");
  return n;
}

#endif

// 1.5 * 2^63: adding it to a long double of magnitude below 2^62 leaves a sum in [2^63, 2^64),
// whose unit in the last place is 1, so the addition rounds x to an integer; subtracting it
// again is exact.
inline constexpr long double kShifter = 13835058055282163712.0L;

// The truncation of x by additions and comparisons, for processors without fisttp; x must lie
// strictly between -2^31 - 1 and 2^31. r is floor(x) or ceil(x), whatever the rounding mode;
// where it lies farther from zero than x (both exact, so the comparison is exact), the
// truncation is one step nearer zero. r is within [-2^31 - 1, 2^31], which int64 and double
// hold exactly. The step is chosen without a branch on the sign, which is random in noise.
inline int32_t TruncByRounding(long double x) noexcept {
  const long double r = (x + kShifter) - kShifter;
  const int64_t n = static_cast<int64_t>(static_cast<double>(r));
  const bool past = std::fabs(r) > std::fabs(x);  // then n != 0 and has the sign of x
  const int64_t towardZero = n < 0 ? 1 : -1;
  return static_cast<int32_t>(past ? n + towardZero : n);
}

}  // namespace x87

inline int32_t fbTruncToInt32(long double x) noexcept {
  if (x > -2147483649.0L && x < 2147483648.0L) {
#ifdef PF_FB_X87
    return x87::HasFisttp() ? x87::TruncFisttp(x) : x87::TruncByRounding(x);
#else
    return static_cast<int32_t>(x);
#endif
  }
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
#ifdef PF_FB_X87
    return x87::StoreWholeInt32(x);
#else
    const long double r = (x + x87::kShifter) - x87::kShifter;
    return static_cast<int32_t>(r);
#endif
  }
  return kFbIntegerIndefinite;
}

}  // namespace builtin
