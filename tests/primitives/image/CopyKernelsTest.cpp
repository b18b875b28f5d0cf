// The vector blocks of the layout copies, the channel fill, the channel swap and the 4:2:2
// conversion against their plain rows: the same bytes for every length and alignment, and
// nothing written beyond the row.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/ColorConversionKernels.h"
#include "primitives/image/CopyKernels.h"

namespace {

namespace cr = builtin::copyrows;
namespace kr = builtin::colorrows;

struct RowCase {
  const char* name;
  int srcBytes, dstBytes;  // per pixel
  // Runs the row of n pixels with (vector true) or without the vector blocks.
  std::function<void(const uint8_t* src, uint8_t* dst, ptrdiff_t n, bool vector)> run;
};

TEST(ImageLayoutVector, PlainAndVectorRowsGiveTheSameBytes) {
  static const int kOrders[][3] = {{2, 1, 0}, {1, 2, 0}, {0, 0, 2}};
  std::vector<RowCase> cases = {
      {"C3 to AC4", 3, 4, [](const uint8_t* s, uint8_t* d, ptrdiff_t n, bool v) { cr::RowC3ToAC4(s, d, n, v ? cr::VectorC3ToAC4() : nullptr); }},
      {"AC4 to C3", 4, 3, [](const uint8_t* s, uint8_t* d, ptrdiff_t n, bool v) { cr::RowAC4ToC3(s, d, n, v ? cr::VectorAC4ToC3() : nullptr); }},
      {"C4 channel set", 0, 4,
       [](const uint8_t*, uint8_t* d, ptrdiff_t n, bool v) { cr::RowSetC4Channel(d + 1, n, 0x5A, v ? cr::VectorSetC4Channel() : nullptr); }},
      {"4:2:2 to RGB", 2, 3, [](const uint8_t* s, uint8_t* d, ptrdiff_t n, bool v) { kr::RowYUV422ToRGB(s, d, n, v ? kr::VectorYUV422ToRGB() : nullptr); }},
  };
  for (const auto& order : kOrders) {
    cases.push_back({"swap C3", 3, 3, [&order](const uint8_t* s, uint8_t* d, ptrdiff_t n, bool v) {
                       kr::RowSwapC3(s, d, n, order, v ? kr::VectorSwapC3() : nullptr);
                     }});
    cases.push_back({"swap C3 in place", 3, 3, [&order](const uint8_t* s, uint8_t* d, ptrdiff_t n, bool v) {
                       std::copy(s, s + 3 * n, d);
                       kr::RowSwapC3(d, d, n, order, v ? kr::VectorSwapC3() : nullptr);
                     }});
  }
  std::mt19937 rng(4242);
  std::vector<uint8_t> src(1400);
  for (const RowCase& c : cases) {
    for (int round = 0; round < 150; ++round) {
      SCOPED_TRACE(testing::Message() << c.name << " round " << round);
      for (auto& b : src) b = static_cast<uint8_t>(rng());
      const size_t offset = rng() % 4;
      const ptrdiff_t n = round < 8 ? round : static_cast<ptrdiff_t>(rng() % 300);
      // The destination holds exactly the row (the channel fill ends at the last pixel's byte).
      const size_t rowBytes = c.srcBytes == 0 ? (n == 0 ? 0 : 4 * n - 2) : static_cast<size_t>(c.dstBytes * n);
      std::vector<uint8_t> plain(offset + rowBytes + 16), vector(plain.size());
      for (size_t i = 0; i < plain.size(); ++i) plain[i] = vector[i] = static_cast<uint8_t>(i * 13 + 1);
      c.run(src.data() + offset, plain.data() + offset, n, false);
      c.run(src.data() + offset, vector.data() + offset, n, true);
      ASSERT_EQ(plain, vector);
      for (size_t i = offset + rowBytes; i < plain.size(); ++i)
        ASSERT_EQ(vector[i], static_cast<uint8_t>(i * 13 + 1)) << "byte " << i << " beyond the row";
    }
  }
}

}  // namespace
