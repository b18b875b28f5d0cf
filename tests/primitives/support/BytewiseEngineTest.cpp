#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "primitives/support/BytewiseEngine.h"
#include "primitives/support/BytewiseEngineKernels.h"
#include "tests/primitives/HwyTargets.h"

namespace {

using builtin::bytewise::TByteOp;
using builtin::bytewise::TRows8u;

// The widest vector of the targets built (AVX-512).
constexpr size_t kWidestVector = 64;

// The blocks of every operation on their own, with a second row and with one constant byte,
// on random rows of every short length and alignment: the bytes they report equal the plain
// operation's, they stop less than a vector before the end, and nothing past what they report
// is written. The shifts have no blocks.
TEST(ImageByteRows, BlocksGiveThePlainBytesAndWriteNothingPastThem) {
  std::mt19937 rng(2626);
  std::vector<uint8_t> a(500), b(500);
  const TByteOp ops[] = {TByteOp::And,    TByteOp::Or,      TByteOp::Xor,     TByteOp::LShift,
                         TByteOp::RShift, TByteOp::AbsDiff, TByteOp::MulScale};
  imagetest::ForEachVectorTarget([&] {
    for (TByteOp op : ops) {
      const auto blocks = builtin::bytewise::VectorByteOp(op);
      const bool shift = op == TByteOp::LShift || op == TByteOp::RShift;
      ASSERT_EQ(blocks.Pair == nullptr, shift);
      ASSERT_EQ(blocks.Constant == nullptr, shift);
      if (shift) continue;
      for (int round = 0; round < 120; ++round) {
        const size_t n = round < 70 ? static_cast<size_t>(round) : rng() % 300;
        const size_t ao = rng() % 64, bo = rng() % 64, dOff = rng() % 64;
        for (auto* v : {&a, &b})
          for (auto& x : *v) x = static_cast<uint8_t>(rng());
        const uint8_t c = static_cast<uint8_t>(rng());
        for (bool constant : {false, true}) {
          SCOPED_TRACE(testing::Message()
                       << "op " << int(op) << " n " << n << " constant " << constant << " offsets "
                       << ao << ", " << bo << ", " << dOff);
          std::vector<uint8_t> got(64 + n + 2 * kWidestVector, 0x3E);
          const size_t done = constant
                                  ? blocks.Constant(a.data() + ao, c, got.data() + dOff, n)
                                  : blocks.Pair(a.data() + ao, b.data() + bo, got.data() + dOff, n);
          ASSERT_LE(done, n);
          ASSERT_LT(n - done, kWidestVector);
          builtin::bytewise::WithByteOp(op, [&](auto byteOp) {
            for (size_t i = 0; i < got.size(); ++i) {
              const size_t k = i - dOff;
              const uint8_t want =
                  i >= dOff && k < done ? byteOp(a[ao + k], constant ? c : b[bo + k]) : 0x3E;
              ASSERT_EQ(got[i], want) << "byte " << i;
            }
          });
        }
      }
    }
  });
}

// The byte-wise engine's vector kernels against its plain reference on every instruction set,
// for every operation, with a second image, a pattern of three-byte constants and a pattern of
// one byte (which the kernels hold in a register); rows padded, contiguous and in place.
TEST(ImageByteRows, VectorKernelsEqualThePlainReferenceOnEveryInstructionSet) {
  std::mt19937 rng(114);
  const int64_t rowBytes = 1000 + 7;  // beyond a piece of pattern, with an odd rest
  const int32_t height = 3, step = 1021;
  std::vector<uint8_t> first(static_cast<size_t>(step) * height + 16), second(first.size()),
      start(first.size());
  for (auto* v : {&first, &second, &start})
    for (auto& b : *v) b = static_cast<uint8_t>(rng());
  uint8_t mixed[builtin::arith::kPatternBytes], uniform[builtin::arith::kPatternBytes];
  const uint8_t channels[3] = {0x0F, 200, 7};
  builtin::arith::FillPattern(mixed, channels, 3);
  const uint8_t one = 0xA7;
  builtin::arith::FillPattern(uniform, &one, 1);
  const TByteOp ops[] = {TByteOp::And,    TByteOp::Or,      TByteOp::Xor,     TByteOp::LShift,
                         TByteOp::RShift, TByteOp::AbsDiff, TByteOp::MulScale};
  for (TByteOp op : ops) {
    for (int second_kind = 0; second_kind < 3; ++second_kind) {
      for (int32_t rowStep : {step, static_cast<int32_t>(rowBytes)}) {
        for (bool inPlace : {false, true}) {
          SCOPED_TRACE(testing::Message() << "op " << int(op) << " second " << second_kind
                                          << " step " << rowStep << " in place " << inPlace);
          TRows8u r{first.data() + 3, rowStep, second.data() + 5, rowStep, nullptr, rowStep,
                    rowBytes,         height,  second_kind != 0};
          if (second_kind == 1) r.Second = mixed;
          if (second_kind == 2) r.Second = uniform;
          // Shift counts are at most 8.
          std::vector<uint8_t> counts;
          if (op == TByteOp::LShift || op == TByteOp::RShift) {
            if (second_kind == 0) {
              counts.assign(second.begin(), second.end());
              for (auto& c : counts) c %= 9;
              r.Second = counts.data() + 5;
            } else {
              continue;  // the patterns hold counts above 8
            }
          }
          std::vector<uint8_t> expected = start;
          r.Dst = expected.data() + 1;
          if (inPlace) r.First = r.Dst, r.FirstStep = rowStep;
          builtin::bytewise::ByteOpRowsReference(op, r);
          imagetest::ForEachVectorTarget([&] {
            std::vector<uint8_t> got = start;
            TRows8u v = r;
            v.Dst = got.data() + 1;
            if (inPlace) v.First = v.Dst;
            builtin::bytewise::ByteOpRows(op, v);
            ASSERT_EQ(got, expected);
          });
        }
      }
    }
  }
}

}  // namespace
