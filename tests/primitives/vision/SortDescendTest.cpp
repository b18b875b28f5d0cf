// The descending float sort against std::sort with std::greater, and with NaNs inside guarded
// vectors (under AddressSanitizer a scan past either end stops the test).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/vision/SortDescend.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedVector;

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Sorts a copy of v inside a guarded vector and returns it.
std::vector<float> SortGuarded(const std::vector<float>& v) {
  const int n = static_cast<int>(v.size());
  GuardedVector g(n, 4);
  std::memcpy(g.data(), v.data(), 4 * v.size());
  EXPECT_EQ(builtin::ippsSortDescend_32f_I(reinterpret_cast<float*>(g.data()), n), ippStsNoErr);
  EXPECT_TRUE(g.OutsideUntouched());
  std::vector<float> out(v.size());
  std::memcpy(out.data(), g.data(), 4 * v.size());
  return out;
}

std::vector<float> Expected(std::vector<float> v) {
  std::sort(v.begin(), v.end(), std::greater<float>());
  return v;
}

// Shapes that stress a quicksort: random with many duplicates, sorted either way, constant,
// organ pipe, saw tooth.
std::vector<std::vector<float>> Shapes(int n, std::mt19937& rng) {
  std::uniform_int_distribution<int> few(0, std::max(1, n / 4));
  std::uniform_real_distribution<float> any(-1e6f, 1e6f);
  std::vector<std::vector<float>> s(6, std::vector<float>(n));
  for (int i = 0; i < n; ++i) {
    s[0][i] = static_cast<float>(few(rng)) - 3.5f;
    s[1][i] = any(rng);
    s[2][i] = static_cast<float>(i);
    s[3][i] = static_cast<float>(n - i);
    s[4][i] = 7.0f;
    s[5][i] = static_cast<float>(std::min(i, n - i) + (i % 5));
  }
  return s;
}

TEST(VisionSortDescend, SmallAndLargeVectorsMatchStdSortGreater) {
  std::mt19937 rng(12);
  std::vector<int> lengths;
  for (int n = 1; n <= 12; ++n) lengths.push_back(n);
  lengths.insert(lengths.end(), {1000, 65537});
  for (int n : lengths)
    for (const std::vector<float>& v : Shapes(n, rng)) {
      SCOPED_TRACE("n = " + std::to_string(n));
      EXPECT_EQ(SortGuarded(v), Expected(v));
    }
}

TEST(VisionSortDescend, NaNsStayInsideAndNothingIsLost) {
  std::mt19937 rng(13);
  std::uniform_real_distribution<float> any(-100.0f, 100.0f);
  std::bernoulli_distribution someNaN(0.2);
  for (int n : {2, 9, 10, 11, 31, 1000, 4096}) {
    for (int pattern = 0; pattern < 6; ++pattern) {
      SCOPED_TRACE("n = " + std::to_string(n) + " pattern " + std::to_string(pattern));
      std::vector<float> v(n);
      for (int i = 0; i < n; ++i) {
        switch (pattern) {
          case 0: v[i] = kNaN; break;                                   // all NaN
          case 1: v[i] = i == 0 ? kNaN : any(rng); break;               // first
          case 2: v[i] = i == n / 2 ? kNaN : any(rng); break;           // the middle (a pivot)
          case 3: v[i] = i == n - 1 ? kNaN : any(rng); break;           // last
          case 4: v[i] = someNaN(rng) ? kNaN : any(rng); break;         // scattered
          default: v[i] = i % 2 ? -kNaN : static_cast<float>(i); break;  // alternate, both signs
        }
      }
      const std::vector<float> sorted = SortGuarded(v);
      // The same elements, bit for bit, as a multiset.
      std::vector<uint32_t> a, b;
      for (float f : v) a.push_back(std::bit_cast<uint32_t>(f));
      for (float f : sorted) b.push_back(std::bit_cast<uint32_t>(f));
      std::sort(a.begin(), a.end());
      std::sort(b.begin(), b.end());
      EXPECT_EQ(a, b);
    }
  }
}

TEST(VisionSortDescend, SignedZerosAndInfinitiesKeepTheirPlace) {
  const float inf = std::numeric_limits<float>::infinity();
  const std::vector<float> v = {0.0f, -inf, 3.0f, -0.0f, inf, -2.0f, 1e-45f, -1e-45f, 0.0f, 5.0f, -0.0f, 7.0f};
  const std::vector<float> sorted = SortGuarded(v);
  const std::vector<float> expected = {inf, 7.0f, 5.0f, 3.0f, 1e-45f, 0.0f, 0.0f, 0.0f, 0.0f, -1e-45f, -2.0f, -inf};
  EXPECT_EQ(sorted, expected);  // the four zeros compare equal, whatever their signs
  EXPECT_EQ(std::count_if(sorted.begin(), sorted.end(), [](float f) { return f == 0 && std::signbit(f); }), 2);
}

TEST(VisionSortDescend, ChecksItsArguments) {
  float v[2] = {1, 2};
  EXPECT_EQ(builtin::ippsSortDescend_32f_I(nullptr, 0), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippsSortDescend_32f_I(v, 0), ippStsSizeErr);
  EXPECT_EQ(builtin::ippsSortDescend_32f_I(v, -1), ippStsSizeErr);
  EXPECT_EQ(v[0], 1.0f);
  EXPECT_EQ(builtin::ippsSortDescend_32f_I(v, 1), ippStsNoErr);
  EXPECT_EQ(v[0], 1.0f);
}

}  // namespace
