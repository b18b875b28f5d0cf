// The x87-style float-to-integer helpers that every primitive's conversion goes through.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "primitives/support/FloatToInt.h"
#include "primitives/support/Support.h"

namespace {

constexpr int32_t kMin = INT32_MIN;
const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(ImageFloatToInt, TruncatesTowardZeroAndGivesIndefiniteOutOfRange) {
  const struct {
    double in;
    int32_t out;
  } cases[] = {
      {2.9, 2},           {-2.9, -2},          {0.0, 0},           {-0.0, 0},
      {2147483647.9, INT32_MAX}, {2147483648.0, kMin}, {-2147483648.9, kMin},
      {-2147483649.0, kMin}, {kNan, kMin},     {kInf, kMin},       {-kInf, kMin},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(builtin::fbTruncToInt32(c.in), c.out) << c.in;
    EXPECT_EQ(builtin::fbTruncToInt32(static_cast<long double>(c.in)), c.out) << c.in;
  }
  // Extended precision keeps what double would round away: just below 3 truncates to 2.
  EXPECT_EQ(builtin::fbTruncToInt32(3.0L - 1e-18L), 2);
}

TEST(ImageFloatToInt, RoundsHalfToEvenAndGivesIndefiniteOutOfRange) {
  const struct {
    double in;
    int32_t out;
  } cases[] = {
      {2.5, 2},  {3.5, 4},  {-2.5, -2}, {-3.5, -4}, {0.49999999999999994, 0}, {1.4999999999999998, 1},
      {2147483647.4, INT32_MAX}, {2147483647.5, kMin}, {-2147483648.5, INT32_MIN /* -2^31, the even neighbour */},
      {-2147483648.6, kMin}, {kNan, kMin}, {kInf, kMin}, {-kInf, kMin}, {1e300, kMin},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(builtin::fbRoundToInt32(c.in), c.out) << c.in;
    EXPECT_EQ(builtin::fbRoundToInt32(static_cast<long double>(c.in)), c.out) << c.in;
  }
  EXPECT_EQ(builtin::fbRoundToInt32(-1.5), -2);
  EXPECT_EQ(builtin::fbRoundToInt32(2.5L + 1e-18L), 3);
}

}  // namespace

// ---- long double: the mode-free helpers against the cast-based ones they replace ------------

namespace {

// The helpers as they were, with a C++ cast (the x87 store-integer instruction under a
// temporarily loaded truncating control word): the reference for every long double.
int32_t CastTrunc(long double x) {
  if (x > -2147483649.0L && x < 2147483648.0L) return static_cast<int32_t>(x);
  return INT32_MIN;
}

int32_t CastRound(long double x) {
  if (x >= -2147483648.5L && x < 2147483647.5L) {
    const long double r = (x + 13835058055282163712.0L) - 13835058055282163712.0L;
    return static_cast<int32_t>(r);
  }
  return INT32_MIN;
}

using LongLimits = std::numeric_limits<long double>;

long double Up(long double x) { return std::nextafter(x, LongLimits::infinity()); }
long double Down(long double x) { return std::nextafter(x, -LongLimits::infinity()); }

// The int32 edges, halves and near-halves with the full 64-bit mantissa, and the special values.
std::vector<long double> EdgeValues() {
  const long double two31 = 2147483648.0L;
  std::vector<long double> v = {
      Up(-two31 - 1), -two31 - 1, Down(-two31 - 1), -two31, Up(-two31), Down(-two31),
      -two31 - 0.5L, Up(-two31 - 0.5L), Down(-two31 - 0.5L), two31 - 1, Up(two31 - 1), Down(two31 - 1),
      two31 - 0.5L, Up(two31 - 0.5L), Down(two31 - 0.5L), Down(two31), two31, Up(two31),
      0.0L, -0.0L, LongLimits::denorm_min(), -LongLimits::denorm_min(), LongLimits::min(),
      -LongLimits::min(), LongLimits::max(), LongLimits::lowest(), LongLimits::infinity(),
      -LongLimits::infinity(), LongLimits::quiet_NaN(), -LongLimits::quiet_NaN(),
      3.0L - 1e-18L, -3.0L + 1e-18L,
  };
  // +-0.5, +-1.5, +-2.5 and halves at large magnitudes, each with its neighbours one unit in
  // the last place away (beyond double precision up to 2^52).
  for (long double whole : {0.0L, 1.0L, 2.0L, 1048576.0L, 1073741824.0L, 1073741825.0L,
                            2147483645.0L, 2147483646.0L, 2147483647.0L}) {
    for (long double x : {whole + 0.5L, whole, whole + 1.0L}) {
      for (long double y : {Down(x), x, Up(x)}) {
        v.push_back(y);
        v.push_back(-y);
      }
    }
  }
  return v;
}

// Random long doubles: full 64-bit mantissas over magnitudes from 2^-70 to 2^34 (so the
// fraction reaches far beyond double precision, and the range edges are crossed), whole
// numbers and halves with their neighbours one or two units in the last place away, and
// random bit patterns over every exponent (denormals, infinities and NaN included).
std::vector<long double> RandomValues(size_t count, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<long double> v;
  v.reserve(count);
  while (v.size() < count) {
    const uint64_t bits = rng();
    const bool negative = bits & 1;
    long double x = 0;
    switch ((bits >> 1) % 3) {
      case 0: {
        const uint64_t mantissa = rng() | (uint64_t{1} << 63);
        const int exponent = static_cast<int>((bits >> 8) % 105) - 70;
        x = std::ldexp(static_cast<long double>(mantissa), exponent - 63);
        break;
      }
      case 1: {
        const long double whole = static_cast<long double>(static_cast<int64_t>(rng() % 4294967304u) - 2147483652);
        x = whole + ((bits >> 8) & 1 ? 0.5L : 0.0L);
        const int steps = static_cast<int>((bits >> 9) % 5) - 2;  // -2 .. 2 units in the last place
        for (int s = 0; s < steps; ++s) x = Up(x);
        for (int s = 0; s > steps; --s) x = Down(x);
        break;
      }
      default: {
        // Sign and exponent in 16 bits, then the mantissa whose top bit is 1 exactly for the
        // normal numbers (a zero exponent field holds the denormals).
        const uint16_t top = static_cast<uint16_t>(bits >> 16);
        uint64_t mantissa = rng();
        if ((top & 0x7FFF) == 0) mantissa &= ~(uint64_t{1} << 63);
        else mantissa |= uint64_t{1} << 63;
        unsigned char bytes[sizeof(long double)] = {};
        std::memcpy(bytes, &mantissa, 8);
        std::memcpy(bytes + 8, &top, 2);
        std::memcpy(&x, bytes, sizeof x);
        break;
      }
    }
    v.push_back(negative ? -x : x);
  }
  return v;
}

bool InTruncRange(long double x) { return x > -2147483649.0L && x < 2147483648.0L; }

// Compares every conversion of the values with the reference and reports the first misses.
void ExpectAllAsCast(const std::vector<long double>& values) {
  const bool fisttp = builtin::x87::HasFisttp();
  int misses = 0;
  for (long double x : values) {
    const int32_t trunc = CastTrunc(x);
    const int32_t round = CastRound(x);
    bool ok = builtin::fbTruncToInt32(x) == trunc && builtin::fbRoundToInt32(x) == round;
    if (InTruncRange(x)) {
      ok = ok && builtin::x87::TruncByRounding(x) == trunc;
      if (fisttp) ok = ok && builtin::x87::TruncFisttp(x) == trunc;
    }
    if (!ok && ++misses <= 10) {
      ADD_FAILURE() << std::hexfloat << x << ": trunc " << builtin::fbTruncToInt32(x) << " by rounding "
                    << (InTruncRange(x) ? builtin::x87::TruncByRounding(x) : 0) << " want " << trunc
                    << ", round " << builtin::fbRoundToInt32(x) << " want " << round;
    }
  }
  EXPECT_EQ(misses, 0);
}

TEST(ImageFloatToInt, LongDoubleEdgesConvertAsTheCastDid) {
  const std::vector<long double> edges = EdgeValues();
  ExpectAllAsCast(edges);
  // A few of the answers spelt out, so that the table cannot agree with a broken reference.
  const long double two31 = 2147483648.0L;
  EXPECT_EQ(builtin::fbTruncToInt32(Up(-two31 - 1)), INT32_MIN);
  EXPECT_EQ(builtin::fbTruncToInt32(Down(two31)), INT32_MAX);
  EXPECT_EQ(builtin::fbTruncToInt32(two31 - 0.5L), INT32_MAX);
  EXPECT_EQ(builtin::fbTruncToInt32(Down(-1073741824.5L)), -1073741824);
  EXPECT_EQ(builtin::fbTruncToInt32(-2.5L), -2);
  EXPECT_EQ(builtin::fbRoundToInt32(Up(1073741824.5L)), 1073741825);
  EXPECT_EQ(builtin::fbRoundToInt32(1073741824.5L), 1073741824);
  EXPECT_EQ(builtin::fbRoundToInt32(-two31 - 0.5L), INT32_MIN);
  EXPECT_EQ(builtin::fbRoundToInt32(two31 - 0.5L), INT32_MIN);
}

TEST(ImageFloatToInt, MillionsOfRandomLongDoublesConvertAsTheCastDid) {
  for (uint64_t seed : {1u, 2u, 3u, 4u}) ExpectAllAsCast(RandomValues(3'000'000, seed));
}

// The truncation by rounding holds in every rounding mode (it sees floor or ceil), fisttp
// ignores the mode, and the cast loads its own control word: all three agree in each mode.
TEST(ImageFloatToInt, LongDoubleTruncationIgnoresTheRoundingMode) {
  const std::vector<long double> values = RandomValues(300'000, 9);
  const bool fisttp = builtin::x87::HasFisttp();
  const int saved = std::fegetround();
  for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO, FE_TONEAREST}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    int misses = 0;
    for (long double x : values) {
      if (!InTruncRange(x)) continue;
      const int32_t want = CastTrunc(x);
      if (builtin::x87::TruncByRounding(x) != want || (fisttp && builtin::x87::TruncFisttp(x) != want))
        ++misses;
    }
    std::fesetround(saved);
    EXPECT_EQ(misses, 0) << "rounding mode " << mode;
  }
}

// The 64-bit helpers store with fisttp and fistp too: against the cast and against rounding in
// the default mode, over magnitudes up to beyond 2^63 and the values next to the edges.
TEST(ImageFloatToInt, LongDoublesTo64BitsConvertAsTheCastDid) {
  const long double two63 = 9223372036854775808.0L;
  std::vector<long double> values = {two63, Down(two63), -two63, Up(-two63), Down(-two63),
                                     -two63 - 1, Up(-two63 - 1), Down(two63 - 0.5L), -0.5L, 0.5L,
                                     Down(-two63 + 0.5L), LongLimits::quiet_NaN(), LongLimits::infinity()};
  std::mt19937_64 rng(11);
  for (int i = 0; i < 2'000'000; ++i) {
    const uint64_t bits = rng();
    const long double x = std::ldexp(static_cast<long double>(rng() | (uint64_t{1} << 63)),
                                     static_cast<int>(bits % 130) - 127);  // 2^-64 .. 2^66
    values.push_back(bits & (uint64_t{1} << 40) ? -x : x);
  }
  int misses = 0;
  for (long double x : values) {
    const bool inTrunc = x > -two63 - 1 && x < two63;
    const long double nearest = std::nearbyint(x);  // ties to even in the default mode
    const bool inRound = nearest >= -two63 && nearest < two63;
    const int64_t trunc = inTrunc ? static_cast<int64_t>(x) : INT64_MIN;
    const int64_t round = inRound ? static_cast<int64_t>(nearest) : INT64_MIN;
    if ((builtin::fbTruncToInt64(x) != trunc || builtin::fbRoundToInt64(x) != round) && ++misses <= 10)
      ADD_FAILURE() << std::hexfloat << x << ": trunc " << builtin::fbTruncToInt64(x) << " want " << trunc
                    << ", round " << builtin::fbRoundToInt64(x) << " want " << round;
  }
  EXPECT_EQ(misses, 0);
}

}  // namespace
