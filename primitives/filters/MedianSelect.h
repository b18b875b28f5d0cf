// Small selection routines of the median filters: sorting a triple in place and the median of
// nine values held as three sorted triples.
#pragma once

#include <cstdint>
#include <utility>

namespace builtin {

// Sorts a[index], a[index + 1], a[index + 2] ascending in place: the larger of the first two
// (the second when they are equal) goes to the third place if the third is smaller, then the
// first two are put in order.
inline void fbSort3(std::int32_t* a, int index) {
  std::int32_t* t = a + index;
  const int larger = t[0] > t[1] ? 0 : 1;
  if (t[2] < t[larger]) std::swap(t[larger], t[2]);
  if (t[0] > t[1]) std::swap(t[0], t[1]);
}

// The median of three values.
inline std::int32_t fbMedianOf3(std::int32_t a, std::int32_t b, std::int32_t c) {
  const std::int32_t lo = a < b ? a : b, hi = a < b ? b : a;
  const std::int32_t upper = hi < c ? hi : c;
  return lo > upper ? lo : upper;
}

// The fifth smallest of nine values held as three ascending triples at a[0], a[3] and a[6],
// in any order of the triples: the median of the largest minimum, the median of the middles
// and the smallest maximum.
inline std::int32_t fbMedianOf9(const std::int32_t* a) {
  const auto max3 = [](std::int32_t x, std::int32_t y, std::int32_t z) {
    const std::int32_t m = x > y ? x : y;
    return m > z ? m : z;
  };
  const auto min3 = [](std::int32_t x, std::int32_t y, std::int32_t z) {
    const std::int32_t m = x < y ? x : y;
    return m < z ? m : z;
  };
  return fbMedianOf3(max3(a[0], a[3], a[6]), fbMedianOf3(a[1], a[4], a[7]), min3(a[2], a[5], a[8]));
}

}  // namespace builtin
