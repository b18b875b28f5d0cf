// Per-channel thresholds against a byte-by-byte model, on rows of every alignment, and the
// plain word path against the vector path.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/LookupTables.h"
#include "primitives/image/LookupTablesKernels.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;

enum class Op { LT, GT, LTGT };

struct Params {
  uint8_t lt[3], vlt[3], gt[3], vgt[3];
};

uint8_t ModelByte(Op op, const Params& p, int c, uint8_t x) {
  switch (op) {
    case Op::LT: return x < p.lt[c] ? p.vlt[c] : x;
    case Op::GT: return x > p.gt[c] ? p.vgt[c] : x;
    case Op::LTGT: return x > p.gt[c] ? p.vgt[c] : x < p.lt[c] ? p.vlt[c] : x;
  }
  return 0;
}

IppStatus RunThreshold(Op op, int pixel, const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep,
                       IppiSize size, const Params& p) {
  using namespace builtin;
  const bool c3 = pixel == 3;
  switch (op) {
    case Op::LT:
      return (c3 ? ippiThreshold_LTVal_8u_C3R : ippiThreshold_LTVal_8u_AC4R)(
          src, srcStep, dst, dstStep, size, p.lt, p.vlt);
    case Op::GT:
      return (c3 ? ippiThreshold_GTVal_8u_C3R : ippiThreshold_GTVal_8u_AC4R)(
          src, srcStep, dst, dstStep, size, p.gt, p.vgt);
    case Op::LTGT:
      return (c3 ? ippiThreshold_LTValGTVal_8u_C3R : ippiThreshold_LTValGTVal_8u_AC4R)(
          src, srcStep, dst, dstStep, size, p.lt, p.vlt, p.gt, p.vgt);
  }
  return ippStsNotImplemented;
}

std::string Name(Op op, int pixel) {
  const char* n[] = {"LTVal", "GTVal", "LTValGTVal"};
  return std::string(n[static_cast<int>(op)]) + (pixel == 3 ? "_C3R" : "_AC4R");
}

Params RandomParams(std::mt19937& rng) {
  Params p;
  for (int c = 0; c < 3; ++c) {
    p.lt[c] = static_cast<uint8_t>(rng() % 200);
    p.gt[c] = static_cast<uint8_t>(p.lt[c] + rng() % (256 - p.lt[c]));  // gt >= lt
    p.vlt[c] = static_cast<uint8_t>(rng());
    p.vgt[c] = static_cast<uint8_t>(rng());
  }
  return p;
}

// Runs one form on an image whose rows start `misalign` bytes past an 8-byte boundary, with
// rows `extra` bytes longer than needed (so later rows start elsewhere again), and compares
// with the model; the fourth byte of AC4 pixels must keep its value.
std::vector<uint8_t> CheckForm(Op op, int pixel, int width, int height, int srcMisalign,
                               int dstMisalign, int extra, const Params& p, std::mt19937& rng) {
  const int row = width * pixel;
  GuardedImage src(width, height, pixel, GuardedImage::ExactStep{row + extra, srcMisalign});
  GuardedImage dst(width, height, pixel, GuardedImage::ExactStep{row + extra + 1, dstMisalign});
  src.Randomize(rng);
  dst.Randomize(rng);
  const std::vector<uint8_t> in = src.Region(), before = dst.Region();
  EXPECT_EQ(RunThreshold(op, pixel, src.data(), src.step(), dst.data(), dst.step(), dst.size(), p),
            ippStsNoErr);
  const std::vector<uint8_t> out = dst.Region();
  for (size_t i = 0; i < out.size(); ++i) {
    const int c = static_cast<int>(i % pixel);
    const uint8_t want = c == 3 ? before[i] : ModelByte(op, p, c, in[i]);
    if (out[i] != want) {
      ADD_FAILURE() << "byte " << i << " of " << out.size() << ": " << int{out[i]} << " not "
                    << int{want};
      break;
    }
  }
  EXPECT_TRUE(dst.OutsideUntouched());
  return out;
}

TEST(ImageThreshold, EveryFormMatchesTheModelAtEveryAlignment) {
  std::mt19937 rng(31);
  // Widths cover rows shorter than a word, a few words, and several vector blocks of the
  // widest instruction set (192 bytes) with remainders.
  for (Op op : {Op::LT, Op::GT, Op::LTGT}) {
    for (int pixel : {3, 4}) {
      SCOPED_TRACE(Name(op, pixel));
      for (int width : {1, 2, 5, 11, 70, 150}) {
        for (int misalign = 0; misalign < 4; ++misalign) {
          SCOPED_TRACE("width " + std::to_string(width) + " misalign " + std::to_string(misalign));
          const Params p = RandomParams(rng);
          CheckForm(op, pixel, width, 3, misalign, (misalign * 3) % 4, misalign, p, rng);
        }
      }
    }
  }
}

TEST(ImageThreshold, AlphaFourWithAnOddStepEqualsTheAlignedCopy) {
  // Rows 4 * 37 + 3 bytes apart start on every alignment in turn; the result must be the one
  // of an image whose rows are all four-byte aligned.
  std::mt19937 rng(32);
  const Params p = RandomParams(rng);
  for (Op op : {Op::LT, Op::GT, Op::LTGT}) {
    SCOPED_TRACE(Name(op, 4));
    GuardedImage src(37, 6, 4, GuardedImage::ExactStep{4 * 37 + 3}), dst(37, 6, 4, GuardedImage::ExactStep{4 * 37 + 3});
    GuardedImage alignedSrc(37, 6, 4, 0), alignedDst(37, 6, 4, 0);
    src.Randomize(rng);
    dst.Randomize(rng);
    alignedSrc.SetRegion(src.Region());
    alignedDst.SetRegion(dst.Region());
    ASSERT_EQ(RunThreshold(op, 4, src.data(), src.step(), dst.data(), dst.step(), dst.size(), p),
              ippStsNoErr);
    ASSERT_EQ(RunThreshold(op, 4, alignedSrc.data(), alignedSrc.step(), alignedDst.data(),
                           alignedDst.step(), alignedDst.size(), p),
              ippStsNoErr);
    EXPECT_EQ(dst.Region(), alignedDst.Region());
    EXPECT_TRUE(dst.OutsideUntouched());
  }
}

TEST(ImageThreshold, PlainAndVectorRowsGiveTheSameBytes) {
  namespace th = builtin::threshold;
  imagetest::ForEachVectorTarget([] {
    std::mt19937 rng(33);
    std::vector<uint8_t> src(1280), plain(1280), vector(1280);
    for (int round = 0; round < 200; ++round) {
      uint8_t threshold[3], value[3];
      for (int c = 0; c < 3; ++c) {
        threshold[c] = static_cast<uint8_t>(rng());
        value[c] = static_cast<uint8_t>(rng());
      }
      const th::Rule rule = th::MakeRule(threshold, value, round % 2 == 0);
      for (auto& b : src) b = static_cast<uint8_t>(rng());
      for (size_t i = 0; i < plain.size(); ++i) plain[i] = vector[i] = static_cast<uint8_t>(i * 7);
      const size_t offset = rng() % 64, pixels = rng() % 290;  // every start within a line
      const uint8_t* s = src.data() + offset;
      if (round % 4 < 2) {
        const auto bytes = static_cast<ptrdiff_t>(3 * pixels);
        th::RowC3(s, plain.data() + offset, bytes, rule, nullptr);
        th::RowC3(s, vector.data() + offset, bytes, rule, th::VectorBlocksC3());
      } else {
        const auto n = static_cast<ptrdiff_t>(pixels);
        th::RowAC4(s, plain.data() + offset, n, rule, nullptr);
        th::RowAC4(s, vector.data() + offset, n, rule, th::VectorBlocksAC4());
      }
      ASSERT_EQ(plain, vector) << "round " << round;
    }
  });
}

TEST(ImageThreshold, ChecksInOrder) {
  uint8_t a[8] = {}, b[8] = {};
  const uint8_t t[3] = {1, 2, 3}, v[3] = {4, 5, 6};
  const IppiSize one{1, 1};
  for (int pixel : {3, 4}) {
    for (Op op : {Op::LT, Op::GT}) {
      SCOPED_TRACE(Name(op, pixel));
      const auto run = [&](const uint8_t* s, uint8_t* d, int step, IppiSize size,
                           const uint8_t* th, const uint8_t* val) {
        using namespace builtin;
        const bool c3 = pixel == 3;
        return op == Op::LT ? (c3 ? ippiThreshold_LTVal_8u_C3R : ippiThreshold_LTVal_8u_AC4R)(
                                  s, step, d, step, size, th, val)
                            : (c3 ? ippiThreshold_GTVal_8u_C3R : ippiThreshold_GTVal_8u_AC4R)(
                                  s, step, d, step, size, th, val);
      };
      EXPECT_EQ(run(nullptr, b, 4, one, t, v), ippStsNullPtrErr);
      EXPECT_EQ(run(a, b, 0, IppiSize{0, 1}, nullptr, v), ippStsSizeErr);  // before the arrays
      EXPECT_EQ(run(a, b, 0, one, nullptr, v), ippStsStepErr);
      EXPECT_EQ(run(a, b, 4, one, t, nullptr), ippStsNullPtrErr);
      EXPECT_EQ(run(a, b, 4, one, t, v), ippStsNoErr);
    }
  }
}

TEST(ImageThreshold, LowerAndUpperThresholdsInOrder) {
  // thresholdGT below thresholdLT in any channel: -18, nothing written.
  std::mt19937 rng(34);
  for (int pixel : {3, 4}) {
    SCOPED_TRACE(pixel);
    Params p = RandomParams(rng);
    const uint8_t lt[3] = {10, 10, 10}, gt[3] = {5, 20, 20};
    std::memcpy(p.lt, lt, 3);
    std::memcpy(p.gt, gt, 3);
    GuardedImage src(9, 3, pixel), dst(9, 3, pixel);
    src.Randomize(rng);
    dst.Randomize(rng);
    const std::vector<uint8_t> before = dst.Region();
    EXPECT_EQ(RunThreshold(Op::LTGT, pixel, src.data(), src.step(), dst.data(), dst.step(),
                           dst.size(), p),
              ippStsThresholdErr);
    EXPECT_EQ(dst.Region(), before);
    // Null arrays are seen first; a bad size or step before them.
    EXPECT_EQ(builtin::ippiThreshold_LTValGTVal_8u_C3R(src.data(), src.step(), dst.data(),
                                                       dst.step(), dst.size(), p.lt, p.vlt,
                                                       nullptr, p.vgt),
              ippStsNullPtrErr);
    EXPECT_EQ(builtin::ippiThreshold_LTValGTVal_8u_C3R(src.data(), 0, dst.data(), dst.step(),
                                                       dst.size(), p.lt, p.vlt, nullptr, p.vgt),
              ippStsStepErr);
    // Equal thresholds are accepted: only the value for bytes above or below them changes.
    std::memcpy(p.gt, lt, 3);
    CheckForm(Op::LTGT, pixel, 9, 3, 0, 0, 0, p, rng);
  }
}

}  // namespace
