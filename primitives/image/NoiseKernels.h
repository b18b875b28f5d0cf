// The Gaussian noise generator's pair computations, open to the tests so that the
// extended-precision reference, the plain double path and the vector blocks can be compared on
// the same pairs.
//
// A pair is two draws d1, d2 accepted by the polar method: u = d * 4.656612873077e-10 and
// s = u1 * u1 + u2 * u2 in extended precision, 0 < s < 1. Its values are
// trunc(mean + u * (stdDev * r)) with r = sqrt(-2 ln s / s), where the logarithm and the square
// root take and give doubles and the rest is extended (ExactPair). The double path computes the
// same chain in double and marks a pair whose values it cannot vouch for (GaussPairsPlain).
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::noise {

// The scale of a draw into [-1, 1): a double constant widened.
constexpr long double kDrawScale = 4.656612873077e-10;

// The extended-precision values of the pair (d1, d2): out[0] from d1, out[1] from d2.
void ExactPair(int32_t d1, int32_t d2, long double mean, long double stdDev, int32_t out[2]);

// The mark of a pair that the double path leaves to ExactPair (never a value: every value
// lies within 255 + 255 * 9.3 of zero).
constexpr int32_t kRedo = INT32_MIN;

// The double path takes the pairs whose double s is below kInside; the extended one those
// closer to the unit circle, where ln s is too small for the double s's error.
constexpr double kInside = 1.0 - 0x1p-7;

// The distance from an integer below which a double value is not vouched for: more than the
// largest difference between the double and the extended value (see Noise.cpp).
constexpr double kGuard = 0x1p-28;

// The natural logarithm of a positive normal double in double arithmetic, written out of
// additions, multiplications and one division so that the vector blocks give the same bits.
double Log(double x);

// Log's constants, shared with its vector form: ln 2 split in a high part with 32 low zero bits
// and the rest, and the coefficients of its minimax polynomial in z^2 (see Noise.cpp).
constexpr double kLn2Hi = 6.93147180369123816490e-01, kLn2Lo = 1.90821492927058770002e-10;
constexpr double kLg1 = 6.666666666666735130e-01, kLg2 = 3.999999999940941908e-01,
                 kLg3 = 2.857142874366239149e-01, kLg4 = 2.222219843214978396e-01,
                 kLg5 = 1.818357216161805012e-01, kLg6 = 1.531383769920937332e-01,
                 kLg7 = 1.479819860511658591e-01;
// Adding kMantissaShift to a double's bits carries into the exponent exactly when the mantissa
// is at least sqrt(2) (to the precision of the high word); adding kMantissaBase to the
// remaining mantissa bits gives m in [sqrt(2)/2, sqrt(2)).
constexpr uint64_t kMantissaBase = 0x3fe6a09e00000000u;
constexpr uint64_t kMantissaShift = 0x3ff0000000000000u - kMantissaBase;

// n pairs given by their u1, u2 and s in double (u = double(d) * kDrawScale rounded,
// s = u1 * u1 + u2 * u2 rounded twice, below kInside, or NaN for a pair to redo): first[i] and
// second[i] get the truncated values of pair i, or first[i] = kRedo when either value lies
// within `guard` of an integer (and its noise term is not zero). `guard` is kGuard; the tests
// widen it.
void GaussPairsPlain(const double* u1, const double* u2, const double* s, size_t n, double mean,
                     double stdDev, double guard, int32_t* first, int32_t* second);

// The Gaussian generator of the image calls with a given guard: `count` values from `seed`,
// the number of pairs redone in extended precision, and the seed a call returns.
uint32_t GaussValues(uint32_t seed, uint8_t mean, uint8_t stdDev, double guard, int32_t* values,
                     int64_t count, int64_t* redone);

// The same computation in vector blocks (NoiseHwy.cpp), equal to GaussPairsPlain bit for bit.
// The kernel for the running processor is looked up once per call.
using GaussPairsFn = void (*)(const double* u1, const double* u2, const double* s, size_t n,
                              double mean, double stdDev, double guard, int32_t* first,
                              int32_t* second);
GaussPairsFn VectorGaussPairs();

}  // namespace builtin::noise
