#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "primitives/support/BytewiseEngine.h"
#include "tests/primitives/HwyTargets.h"

namespace {

using builtin::bytewise::TByteOp;
using builtin::bytewise::TRows8u;

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
