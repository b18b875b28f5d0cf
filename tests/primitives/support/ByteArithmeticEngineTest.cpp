// The vector blocks of the 8-bit arithmetic engines on their own, and the engines' row walks
// over strided regions, against the plain reference on every instruction set: random rows of
// every short length and of every alignment of the three rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "primitives/support/ByteArithmeticEngineKernels.h"
#include "tests/primitives/HwyTargets.h"

namespace {

using namespace builtin;
using arith::TArith8u;
using arith::TRows8u;

// The widest vector of the targets built (AVX-512), and the bytes of the destination past the
// row, which no kernel may write.
constexpr size_t kWidestVector = 64;
constexpr size_t kGuard = 2 * kWidestVector;

struct BlockCase {
  const char* name;
  int sf;
  bool divides;
  // The plain reference over one row, and the vector blocks of the running processor; both
  // report whether a divisor was 0 (the sums, differences and products never do).
  std::function<bool(const uint8_t*, const uint8_t*, uint8_t*, size_t)> reference;
  std::function<size_t(const uint8_t*, const uint8_t*, uint8_t*, size_t, bool&)> blocks;
};

std::vector<BlockCase> BlockCases() {
  std::vector<BlockCase> cases;
  for (TArith8u op : {TArith8u::Add, TArith8u::Sub, TArith8u::Mul}) {
    const char* name = op == TArith8u::Add ? "Add" : (op == TArith8u::Sub ? "Sub" : "Mul");
    for (int sf : {-40, -17, -16, -9, -8, -1, 0, 1, 2, 7, 8, 9, 15, 16}) {
      cases.push_back(
          {name, sf, false,
           [op, sf](const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n) {
             arith::Arith8uReference(op, sf, TRows8u{a, 0, b, 0, d, 0, static_cast<int64_t>(n), 1});
             return false;
           },
           [op, sf](const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n, bool&) {
             return arith::VectorArith8u(op)(a, b, d, n, sf);
           }});
    }
  }
  for (int sf = -15; sf <= 8; ++sf) {
    cases.push_back(
        {"Div", sf, true,
         [sf](const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n) {
           return arith::Div8uReference(sf, TRows8u{a, 0, b, 0, d, 0, static_cast<int64_t>(n), 1});
         },
         [sf](const uint8_t* a, const uint8_t* b, uint8_t* d, size_t n, bool& zero) {
           return arith::VectorDiv8u()(a, b, d, n, sf, zero);
         }});
  }
  return cases;
}

// Each kernel does whole vectors from the start of the row: the bytes it reports equal the
// reference's, it stops less than a vector before the end, it writes nothing past what it
// reports, and it reports a zero divisor exactly when one of its bytes had one.
TEST(SupportByteArithmeticBlocks, BlocksGiveTheReferenceBytesAndWriteNothingPastThem) {
  std::mt19937 rng(2611);
  std::vector<uint8_t> first(600), second(600);
  const std::vector<BlockCase> cases = BlockCases();
  imagetest::ForEachVectorTarget([&] {
    for (const BlockCase& c : cases) {
      for (int round = 0; round < 40; ++round) {
        const size_t n = round < 20 ? static_cast<size_t>(round) : rng() % 300;
        const size_t fo = rng() % 64, so = rng() % 64, dOff = rng() % 64;
        for (auto& v : first) v = static_cast<uint8_t>(rng());
        // Divisors of 0 now and then, so that the flag is seen both ways.
        for (auto& v : second) v = static_cast<uint8_t>(rng() % 8 == 0 ? 0 : rng());
        if (round % 2 == 0)
          for (auto& v : second) v = v == 0 ? 1 : v;
        SCOPED_TRACE(testing::Message() << c.name << " sf " << c.sf << " n " << n << " offsets "
                                        << fo << ", " << so << ", " << dOff);
        std::vector<uint8_t> ref(64 + n + kGuard, 0x5C), got = ref;
        c.reference(first.data() + fo, second.data() + so, ref.data() + dOff, n);
        bool zero = false;
        const size_t done =
            c.blocks(first.data() + fo, second.data() + so, got.data() + dOff, n, zero);
        ASSERT_LE(done, n);
        ASSERT_LT(n - done, kWidestVector);
        for (size_t i = 0; i < got.size(); ++i) {
          const bool inBlocks = i >= dOff && i < dOff + done;
          ASSERT_EQ(got[i], inBlocks ? ref[i] : uint8_t{0x5C}) << "byte " << i;
        }
        bool zeroInBlocks = false;
        for (size_t i = 0; i < done; ++i) zeroInBlocks |= second[so + i] == 0;
        if (c.divides) {
          ASSERT_EQ(zero, zeroInBlocks);
        }
      }
    }
  });
}

// In place (the destination is the first or the second source) at every alignment of the row,
// the kernels give the reference's bytes: the vectors a kernel does at the row's ends overlap
// its body and must be computed from the bytes as they were before it stored anything.
TEST(SupportByteArithmeticBlocks, InPlaceBlocksGiveTheReferenceBytes) {
  std::mt19937 rng(4107);
  const std::vector<BlockCase> cases = BlockCases();
  imagetest::ForEachVectorTarget([&] {
    for (const BlockCase& c : cases) {
      for (int round = 0; round < 24; ++round) {
        const size_t n = 2 * kWidestVector + rng() % 300, off = static_cast<size_t>(round) % 64;
        const bool intoFirst = round % 2 == 0;
        std::vector<uint8_t> first(off + n), second(off + n);
        for (auto& v : first) v = static_cast<uint8_t>(rng());
        for (auto& v : second) v = static_cast<uint8_t>(rng() % 8 == 0 ? 0 : rng());
        SCOPED_TRACE(testing::Message() << c.name << " sf " << c.sf << " n " << n << " offset "
                                        << off << (intoFirst ? " into first" : " into second"));
        std::vector<uint8_t> ref(off + n);
        c.reference(first.data() + off, second.data() + off, ref.data() + off, n);
        uint8_t* d = (intoFirst ? first : second).data() + off;
        std::vector<uint8_t> before(d, d + n);
        bool zero = false;
        const size_t done = c.blocks(first.data() + off, second.data() + off, d, n, zero);
        for (size_t i = 0; i < n; ++i)
          ASSERT_EQ(d[i], i < done ? ref[off + i] : before[i]) << "byte " << i;
      }
    }
  });
}

// The engines over regions of three rows with padded steps (rows not merged), constant
// patterns and the four-byte division: the blocks and the plain rest of every row give the
// reference's bytes and zero-divisor flag, and nothing between the rows is written.
TEST(SupportByteArithmeticBlocks, EnginesOverStridedRowsEqualTheReference) {
  std::mt19937 rng(77);
  uint8_t pattern[arith::kPatternBytes];
  const uint8_t value[4] = {3, 0, 250, 1};  // four-byte pixels, as the rows
  arith::FillPattern(pattern, value, 4);
  imagetest::ForEachVectorTarget([&] {
    for (int round = 0; round < 60; ++round) {
      const int64_t rowBytes = 4 * (1 + static_cast<int64_t>(rng() % 300));  // whole AC4 pixels
      const int32_t step = static_cast<int32_t>(rowBytes + rng() % 40), height = 3;
      const size_t off = rng() % 32, size = off + static_cast<size_t>(step) * height;
      std::vector<uint8_t> first(size), second(size), start(size),
          work(static_cast<size_t>(rowBytes));
      for (auto* v : {&first, &second, &start})
        for (auto& b : *v) b = static_cast<uint8_t>(rng() % 5 == 0 ? 0 : rng());
      const bool usePattern = round % 3 == 0;
      const int sf = static_cast<int>(rng() % 30) - 15;  // -15 .. 14
      SCOPED_TRACE(testing::Message() << "round " << round << " row " << rowBytes << " step "
                                      << step << " sf " << sf << " pattern " << usePattern);
      TRows8u r{first.data() + off,
                step,
                usePattern ? pattern : second.data() + off,
                step,
                nullptr,
                step,
                rowBytes,
                height,
                usePattern};
      for (TArith8u op : {TArith8u::Add, TArith8u::Sub, TArith8u::Mul}) {
        std::vector<uint8_t> ref = start, got = start;
        r.Dst = ref.data() + off;
        arith::Arith8uReference(op, sf, r);
        r.Dst = got.data() + off;
        arith::Arith8u(op, sf, r);
        ASSERT_EQ(got, ref) << "op " << static_cast<int>(op);
      }
      if (sf > 8 || usePattern) continue;
      std::vector<uint8_t> ref = start, got = start;
      r.Dst = ref.data() + off;
      const bool zeroRef = arith::Div8uReference(sf, r);
      r.Dst = got.data() + off;
      ASSERT_EQ(arith::Div8u(sf, r), zeroRef);
      ASSERT_EQ(got, ref) << "Div";
      ref = start, got = start;
      r.Dst = ref.data() + off;
      const bool alphaZeroRef = arith::Div8uAlpha4Reference(sf, r, work.data());
      r.Dst = got.data() + off;
      ASSERT_EQ(arith::Div8uAlpha4(sf, r, work.data()), alphaZeroRef);
      ASSERT_EQ(got, ref) << "Div AC4";
    }
  });
}

}  // namespace
