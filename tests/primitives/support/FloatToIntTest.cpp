// The x87-style float-to-integer helpers that every primitive's conversion goes through.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "primitives/support/FloatToInt.h"

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
