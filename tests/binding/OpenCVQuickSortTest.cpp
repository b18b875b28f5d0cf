// The index sort of the circle detector: descending keys through an index array.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "binding/PXOpenCV.h"

namespace {

std::vector<int32_t> Iota(size_t n) {
  std::vector<int32_t> v(n);
  std::iota(v.begin(), v.end(), 0);
  return v;
}

// keys[indices[lo..hi]] non-increasing, indices[lo..hi] a permutation of what was there,
// everything else unchanged.
void ExpectSortedDesc(const std::vector<int32_t>& before, const std::vector<int32_t>& after, int lo, int hi,
                      const std::vector<int32_t>& keys) {
  for (int i = lo; i < hi; ++i) ASSERT_GE(keys[after[i]], keys[after[i + 1]]) << "at " << i;
  for (int i = 0; i < static_cast<int>(before.size()); ++i)
    if (i < lo || i > hi) {
      ASSERT_EQ(before[i], after[i]) << "outside the range at " << i;
    }
  std::vector<int32_t> a(before.begin() + lo, before.begin() + hi + 1), b(after.begin() + lo, after.begin() + hi + 1);
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  ASSERT_EQ(a, b);
}

}  // namespace

TEST(OpenCVQuickSort, SmallExample) {
  const std::vector<int32_t> keys{5, 9, 1, 9, 3};
  std::vector<int32_t> idx = Iota(5);
  binding::QuickSortIndexDesc(idx.data(), 0, 4, keys.data());
  std::vector<int32_t> sorted;
  for (int32_t i : idx) sorted.push_back(keys[i]);
  EXPECT_EQ(sorted, (std::vector<int32_t>{9, 9, 5, 3, 1}));
  EXPECT_EQ(std::min(idx[0], idx[1]), 1);
  EXPECT_EQ(std::max(idx[0], idx[1]), 3);
}

TEST(OpenCVQuickSort, EmptyAndSingleRangesChangeNothing) {
  const std::vector<int32_t> keys{1, 2, 3};
  std::vector<int32_t> idx{0, 1, 2};
  binding::QuickSortIndexDesc(idx.data(), 1, 1, keys.data());
  binding::QuickSortIndexDesc(idx.data(), 2, 0, keys.data());
  EXPECT_EQ(idx, (std::vector<int32_t>{0, 1, 2}));
}

TEST(OpenCVQuickSort, RandomKeysAndSubranges) {
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    const int n = 1 + static_cast<int>(rng() % 300);
    const int spread = round % 3 == 0 ? 3 : 1000;  // many duplicates in every third round
    std::vector<int32_t> keys(n);
    for (auto& k : keys) k = static_cast<int32_t>(rng() % spread) - spread / 2;
    const std::vector<int32_t> keysBefore = keys;
    std::vector<int32_t> idx = Iota(n);
    std::shuffle(idx.begin(), idx.end(), rng);
    const int lo = static_cast<int>(rng() % n), hi = lo + static_cast<int>(rng() % (n - lo));
    const std::vector<int32_t> before = idx;
    binding::QuickSortIndexDesc(idx.data(), lo, hi, keys.data());
    ExpectSortedDesc(before, idx, lo, hi, keys);
    ASSERT_EQ(keys, keysBefore);
  }
}

// Keys equal to the pivot's all land on one side of it; long runs of them must neither
// recurse once per element nor take quadratic time.
TEST(OpenCVQuickSort, LongRunsOfEqualKeys) {
  const int n = 100000;
  for (int distinct : {1, 2, 5}) {
    SCOPED_TRACE(distinct);
    std::vector<int32_t> keys(n);
    for (int i = 0; i < n; ++i) keys[i] = (i * 7919) % distinct;
    std::vector<int32_t> idx = Iota(n);
    const std::vector<int32_t> before = idx;
    binding::QuickSortIndexDesc(idx.data(), 0, n - 1, keys.data());
    ExpectSortedDesc(before, idx, 0, n - 1, keys);
  }
}

TEST(OpenCVQuickSort, SeededRunsRepeat) {
  const std::vector<int32_t> keys(50, 1);
  std::vector<int32_t> first = Iota(50), second = Iota(50);
  binding::SetQuickSortSeed(1234);
  binding::QuickSortIndexDesc(first.data(), 0, 49, keys.data());
  binding::SetQuickSortSeed(1234);
  binding::QuickSortIndexDesc(second.data(), 0, 49, keys.data());
  EXPECT_EQ(first, second);
}
