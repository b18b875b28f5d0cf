#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/Arithmetic.h"
#include "primitives/support/ByteArithmeticEngine.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"
#include "tests/primitives/ScaleFactorModel.h"

namespace {

using namespace builtin;
using arith::TArith8u;
using arith::TRows8u;
using imagetest::GuardedImage;

// Every first operand against every second: a[i] = i & 255, b[i] = i >> 8.
struct AllPairs {
  std::vector<Ipp8u> First, Second;
  AllPairs() : First(65536), Second(65536) {
    for (int i = 0; i < 65536; ++i)
      First[i] = static_cast<Ipp8u>(i), Second[i] = static_cast<Ipp8u>(i >> 8);
  }
};

int Exact8u(TArith8u op, int a, int b) {
  switch (op) {
    case TArith8u::Add:
      return a + b;
    case TArith8u::Sub:
      return a > b ? a - b : 0;
    case TArith8u::Mul:
      break;
  }
  return a * b;
}

const char* Name(TArith8u op) {
  return op == TArith8u::Add ? "Add" : (op == TArith8u::Sub ? "Sub" : "Mul");
}

Ipp8u ModelQuotient8u(int dividend, int divisor, int sf) {
  if (divisor == 0) return dividend != 0 ? 255 : 0;
  return static_cast<Ipp8u>(sfmodel::ScaledQuotient(dividend, divisor, sf, 0, 255));
}

// ---- The engines: vector kernels against the plain reference ------------------------------------

TEST(ImageArithmeticKernels, VectorKernelsEqualThePlainReferenceOnEveryInstructionSet) {
  AllPairs p;
  // Odd lengths and offsets, so that every kernel runs its one-lane rest as well.
  const size_t n = 65536 - 13;
  std::vector<uint8_t> pattern(arith::kPatternBytes);
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i * 37 + 11);
  for (TArith8u op : {TArith8u::Add, TArith8u::Sub, TArith8u::Mul}) {
    for (int sf = -17; sf <= 18; ++sf) {
      for (bool usePattern : {false, true}) {
        std::vector<uint8_t> ref(n);
        TRows8u r{p.First.data() + 3,
                  0,
                  usePattern ? pattern.data() : p.Second.data() + 7,
                  0,
                  ref.data(),
                  0,
                  static_cast<int64_t>(n),
                  1,
                  usePattern};
        arith::Arith8uReference(op, sf, r);
        imagetest::ForEachVectorTarget([&] {
          std::vector<uint8_t> vec(n);
          r.Dst = vec.data();
          arith::Arith8u(op, sf, r);
          ASSERT_EQ(vec, ref) << Name(op) << " sf " << sf << " pattern " << usePattern;
        });
      }
    }
  }
  for (int sf = -17; sf <= 9; ++sf) {
    std::vector<uint8_t> ref(n);
    TRows8u r{p.First.data() + 5, 0, p.Second.data() + 1,     0,
              ref.data(),         0, static_cast<int64_t>(n), 1};
    const bool zeroRef = arith::Div8uReference(sf, r);
    // The alpha-four division over four-byte pixels, alpha divisor 1.
    const int64_t bytes = 4 * 4093;
    std::vector<uint8_t> work(bytes), alphaRef(p.First.begin(), p.First.begin() + bytes);
    TRows8u a4{p.First.data(), 0, p.Second.data() + 2, 0, alphaRef.data(), 0, bytes, 1};
    const bool alphaZeroRef = arith::Div8uAlpha4Reference(sf, a4, work.data());
    imagetest::ForEachVectorTarget([&] {
      std::vector<uint8_t> vec(n), alphaVec(p.First.begin(), p.First.begin() + bytes);
      r.Dst = vec.data();
      ASSERT_EQ(arith::Div8u(sf, r), zeroRef);
      ASSERT_EQ(vec, ref) << "Div sf " << sf;
      a4.Dst = alphaVec.data();
      ASSERT_EQ(arith::Div8uAlpha4(sf, a4, work.data()), alphaZeroRef);
      ASSERT_EQ(alphaVec, alphaRef) << "Div AC4 sf " << sf;
    });
  }
}

// ---- Add, Sub and Mul of 8-bit images against the exact model -----------------------------------

using Image8uFn = IppStatus (*)(const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int);
using InPlace8uFn = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, int);

struct TOperation8u {
  TArith8u Op;
  Image8uFn TwoSources;
  InPlace8uFn InPlace;
  int ZeroAbove;
};

const TOperation8u kOperations8u[] = {
    {TArith8u::Add, ippiAdd_8u_C1RSfs, ippiAdd_8u_C1IRSfs, 9},
    {TArith8u::Sub, ippiSub_8u_C1RSfs, ippiSub_8u_C1IRSfs, 8},
    {TArith8u::Mul, ippiMul_8u_C1RSfs, ippiMul_8u_C1IRSfs, 16},
};

TEST(ImageArithmetic, AddSubMul8uOverEveryPairAgreeWithTheExactModel) {
  AllPairs p;
  const IppiSize size{256, 256};
  for (const TOperation8u& op : kOperations8u) {
    for (int sf = -17; sf <= 18; ++sf) {
      // pDst = pSrc2 op pSrc1: the second source is the first operand.
      std::vector<Ipp8u> dst(65536), inPlace = p.First;
      ASSERT_EQ(op.TwoSources(p.Second.data(), 256, p.First.data(), 256, dst.data(), 256, size, sf),
                ippStsNoErr);
      ASSERT_EQ(op.InPlace(p.Second.data(), 256, inPlace.data(), 256, size, sf), ippStsNoErr);
      for (int i = 0; i < 65536; ++i) {
        const auto expected = static_cast<Ipp8u>(
            sfmodel::Scaled(Exact8u(op.Op, p.First[i], p.Second[i]), sf, 0, 255));
        ASSERT_EQ(dst[i], expected)
            << Name(op.Op) << " " << int(p.First[i]) << ", " << int(p.Second[i]) << " sf " << sf;
        ASSERT_EQ(inPlace[i], expected);
      }
    }
  }
}

TEST(ImageArithmetic, ZeroShortCutFillsThroughSetAndReturnsItsStatus) {
  for (const TOperation8u& op : kOperations8u) {
    GuardedImage src(5, 3, 1), dst(5, 3, 1);
    dst.FillRegion(77);
    // One factor above the bound fills 0 without reading the sources (which may be anything).
    EXPECT_EQ(
        op.InPlace(src.data(), src.step(), dst.data(), dst.step(), dst.size(), op.ZeroAbove + 1),
        ippStsNoErr);
    EXPECT_EQ(dst.Region(), std::vector<Ipp8u>(15, 0)) << Name(op.Op);
    EXPECT_TRUE(dst.OutsideUntouched());
    // Set checks the step: below 1 gives -14 there, while the computed path never tests it.
    EXPECT_EQ(op.InPlace(src.data(), src.step(), dst.data(), 0, dst.size(), op.ZeroAbove + 1),
              ippStsStepErr);
    EXPECT_EQ(op.TwoSources(src.data(), 0, src.data(), 0, dst.data(), 0, dst.size(), INT32_MAX),
              ippStsStepErr);
  }
  // Sums at sf 9: 255 + 255 gives 1; at 10 the region is filled through Set.
  Ipp8u a = 255, b = 255;
  ASSERT_EQ(ippiAdd_8u_C1IRSfs(&a, 1, &b, 1, IppiSize{1, 1}, 9), ippStsNoErr);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(ippiAdd_8u_C1IRSfs(&a, 1, &b, 0, IppiSize{1, 1}, 10), ippStsStepErr);
}

// ---- 16-bit elements ---------------------------------------------------------------------------

TEST(ImageArithmetic, Arithmetic16sAtTheBoundariesAgreesWithAnInt64Model) {
  const std::vector<Ipp16s> values = {-32768, -1, 0, 1, 32767};
  std::vector<Ipp16s> src, srcDst;  // every pair, 5 x 5
  for (Ipp16s a : values)
    for (Ipp16s b : values) src.push_back(a), srcDst.push_back(b);
  struct Op {
    const char* Name;
    IppStatus (*Fn)(const Ipp16s*, int, Ipp16s*, int, IppiSize, int);
    int64_t (*Exact)(int64_t srcDst, int64_t src);
  } ops[] = {
      {"Add", ippiAdd_16s_C1IRSfs, [](int64_t d, int64_t s) { return d + s; }},
      {"Sub", ippiSub_16s_C1IRSfs, [](int64_t d, int64_t s) { return d - s; }},
      {"Mul", ippiMul_16s_C1IRSfs, [](int64_t d, int64_t s) { return d * s; }},
  };
  for (const Op& op : ops) {
    for (int sf : {1, -1, 14, -14, 15, -15, 16, 17, 30, 31, INT32_MIN}) {
      std::vector<Ipp16s> d = srcDst;
      // Five rows of five elements with a step of 10 bytes.
      ASSERT_EQ(op.Fn(src.data(), 10, d.data(), 10, IppiSize{5, 5}, sf), ippStsNoErr);
      for (size_t i = 0; i < d.size(); ++i)
        ASSERT_EQ(d[i], sfmodel::Scaled(op.Exact(srcDst[i], src[i]), sf, -32768, 32767))
            << op.Name << " " << srcDst[i] << ", " << src[i] << " sf " << sf;
    }
  }
  // The cases the rule names: a difference scaled by one place and the products of +-1.
  Ipp16s s = -32768, d = 32767;
  ASSERT_EQ(ippiSub_16s_C1IRSfs(&s, 2, &d, 2, IppiSize{1, 1}, 1), ippStsNoErr);
  EXPECT_EQ(d, 32767);
  Ipp16s one = 1, x = 1, y = -1;
  ASSERT_EQ(ippiMul_16s_C1IRSfs(&one, 2, &x, 2, IppiSize{1, 1}, -15), ippStsNoErr);
  ASSERT_EQ(ippiMul_16s_C1IRSfs(&one, 2, &y, 2, IppiSize{1, 1}, -15), ippStsNoErr);
  EXPECT_EQ(x, 32767);
  EXPECT_EQ(y, -32768);
}

// ---- Division ----------------------------------------------------------------------------------

TEST(ImageArithmetic, Division8uOverEveryPairAgreesWithTheExactModel) {
  AllPairs p;
  const IppiSize size{256, 256};
  for (int sf = -17; sf <= 9; ++sf) {
    std::vector<Ipp8u> dst(65536), inPlace = p.First;
    // The divisor is the first image argument.
    ASSERT_EQ(
        ippiDiv_8u_C1RSfs(p.Second.data(), 256, p.First.data(), 256, dst.data(), 256, size, sf),
        ippStsDivByZero);
    ASSERT_EQ(ippiDiv_8u_C1IRSfs(p.Second.data(), 256, inPlace.data(), 256, size, sf),
              ippStsDivByZero);
    for (int i = 0; i < 65536; ++i) {
      ASSERT_EQ(dst[i], ModelQuotient8u(p.First[i], p.Second[i], sf))
          << int(p.First[i]) << " / " << int(p.Second[i]) << " sf " << sf;
      ASSERT_EQ(inPlace[i], dst[i]);
    }
  }
  // Named cases, and the status of a region with one zero divisor: 6, every pixel computed.
  const Ipp8u divisor[] = {2, 2, 0, 0, 1};
  Ipp8u dividend[] = {5, 7, 7, 0, 200};
  ASSERT_EQ(ippiDiv_8u_C1IRSfs(divisor, 5, dividend, 5, IppiSize{5, 1}, 0), ippStsDivByZero);
  EXPECT_EQ(std::vector<Ipp8u>(dividend, dividend + 5), (std::vector<Ipp8u>{2, 4, 255, 0, 200}));
  Ipp8u big = 200;
  ASSERT_EQ(ippiDiv_8u_C1IRSfs(divisor + 4, 1, &big, 1, IppiSize{1, 1}, -1), ippStsNoErr);
  EXPECT_EQ(big, 255);
}

TEST(ImageArithmetic, Division16sRoundsExactlyAndReturnsAtOnceForExtremeFactors) {
  std::mt19937 rng(16);
  std::uniform_int_distribution<int> any(-32768, 32767);
  std::vector<Ipp16s> divisor = {1, -1, 2, -2, 3, 7, -32768, 32767},
                      dividend = {0, 1, -1, 5, -7, 32767, -32768, 3};
  while (divisor.size() < 400) {
    const int a = any(rng), b = any(rng);
    const int shifted = a >> (b & 15);
    divisor.push_back(static_cast<Ipp16s>(shifted == 0 ? 1 : shifted));
    dividend.push_back(static_cast<Ipp16s>(b >> (a & 15)));
  }
  const IppiSize size{20, 20};
  for (int sf :
       {INT32_MIN, -100000, -40, -16, -15, -1, 0, 1, 2, 15, 16, 17, 40, 100000, INT32_MAX}) {
    std::vector<Ipp16s> d = dividend;
    ASSERT_EQ(ippiDiv_16s_C1IRSfs(divisor.data(), 40, d.data(), 40, size, sf), ippStsNoErr);
    for (size_t i = 0; i < d.size(); ++i)
      ASSERT_EQ(d[i], sfmodel::ScaledQuotient(dividend[i], divisor[i], sf, -32768, 32767))
          << dividend[i] << " / " << divisor[i] << " sf " << sf;
  }
  const Ipp16s zero[] = {0, 0, 0};
  Ipp16s q[] = {-7, 7, 0};
  ASSERT_EQ(ippiDiv_16s_C1IRSfs(zero, 6, q, 6, IppiSize{3, 1}, 0), ippStsDivByZero);
  EXPECT_EQ(std::vector<Ipp16s>(q, q + 3), (std::vector<Ipp16s>{-32768, 32767, 0}));
}

// ---- Layouts on guarded images -----------------------------------------------------------------

struct TLayoutCase {
  std::string Name;
  int Channels;  // of the layout; 4 with Alpha for AC4
  bool Alpha;
  bool Division;
  Image8uFn TwoSources;  // null where the layout has no two-source form
  InPlace8uFn InPlace;   // null where the layout has no in-place form
  Image8uFn SameAsC1;    // the one-channel form of the operation
};

std::vector<TLayoutCase> LayoutCases() {
  return {
      {"Add C3", 3, false, false, ippiAdd_8u_C3RSfs, ippiAdd_8u_C3IRSfs, ippiAdd_8u_C1RSfs},
      {"Sub C3", 3, false, false, ippiSub_8u_C3RSfs, ippiSub_8u_C3IRSfs, ippiSub_8u_C1RSfs},
      {"Mul C3", 3, false, false, ippiMul_8u_C3RSfs, ippiMul_8u_C3IRSfs, ippiMul_8u_C1RSfs},
      {"Div C3", 3, false, true, ippiDiv_8u_C3RSfs, ippiDiv_8u_C3IRSfs, ippiDiv_8u_C1RSfs},
      {"Add C4", 4, false, false, ippiAdd_8u_C4RSfs, nullptr, ippiAdd_8u_C1RSfs},
      {"Add AC4", 4, true, false, ippiAdd_8u_AC4RSfs, ippiAdd_8u_AC4IRSfs, ippiAdd_8u_C1RSfs},
      {"Sub AC4", 4, true, false, ippiSub_8u_AC4RSfs, ippiSub_8u_AC4IRSfs, ippiSub_8u_C1RSfs},
      {"Mul AC4", 4, true, false, ippiMul_8u_AC4RSfs, ippiMul_8u_AC4IRSfs, ippiMul_8u_C1RSfs},
      {"Div AC4", 4, true, true, ippiDiv_8u_AC4RSfs, ippiDiv_8u_AC4IRSfs, ippiDiv_8u_C1RSfs},
  };
}

TEST(ImageArithmetic, LayoutsEqualOneChannelOverWidthTimesChannelsOnGuardedImages) {
  std::mt19937 rng(21);
  const int width = 37, height = 5;
  for (const TLayoutCase& c : LayoutCases()) {
    // A short cut at each end and computed factors in between.
    for (int sf : {-9, -1, 0, 1, 3, 20}) {
      GuardedImage a(width, height, c.Channels), b(width, height, c.Channels),
          dst(width, height, c.Channels), inPlace(width, height, c.Channels),
          model(width, height, c.Channels, 0);
      a.Randomize(rng);
      b.Randomize(rng);
      dst.Randomize(rng);
      if (c.Division)  // some zero divisors among the colour bytes
        for (int y = 0; y < height; ++y) a.row(y)[3 * y] = 0;
      inPlace.SetRegion(b.Region());
      const std::vector<uint8_t> before = dst.Region();
      const IppiSize wide{width * c.Channels, height};
      const IppStatus modelStatus =
          c.SameAsC1(a.data(), a.step(), b.data(), b.step(), model.data(), model.step(), wide, sf);
      const IppStatus s = c.TwoSources(a.data(), a.step(), b.data(), b.step(), dst.data(),
                                       dst.step(), IppiSize{width, height}, sf);
      std::vector<uint8_t> expected = model.Region();
      if (c.Alpha) {
        // Alpha bytes keep the destination's own, and a zero alpha divisor is no warning.
        for (size_t i = 3; i < expected.size(); i += 4) expected[i] = before[i];
        EXPECT_EQ(s, c.Division ? ippStsDivByZero : ippStsNoErr) << c.Name;
      } else {
        EXPECT_EQ(s, modelStatus) << c.Name << " sf " << sf;
      }
      EXPECT_EQ(dst.Region(), expected) << c.Name << " sf " << sf;
      EXPECT_TRUE(dst.OutsideUntouched() && a.OutsideUntouched() && b.OutsideUntouched()) << c.Name;
      if (c.InPlace == nullptr) continue;
      const std::vector<uint8_t> ownAlpha = inPlace.Region();
      if (c.Alpha)  // the in-place alpha bytes are the second source's own
        for (size_t i = 3; i < expected.size(); i += 4) expected[i] = ownAlpha[i];
      EXPECT_EQ(c.InPlace(a.data(), a.step(), inPlace.data(), inPlace.step(),
                          IppiSize{width, height}, sf),
                s);
      EXPECT_EQ(inPlace.Region(), expected) << c.Name << " in place, sf " << sf;
      EXPECT_TRUE(inPlace.OutsideUntouched()) << c.Name;
    }
  }
}

TEST(ImageArithmetic, AlphaDivisorZeroIsNoWarningAndAlphaIsNeverWritten) {
  GuardedImage a(3, 2, 4), b(3, 2, 4);
  a.FillRegion(0);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) a.at(x, y)[0] = a.at(x, y)[1] = a.at(x, y)[2] = 2;
  b.FillRegion(9);  // alpha 9 over alpha divisor 0
  ASSERT_EQ(ippiDiv_8u_AC4IRSfs(a.data(), a.step(), b.data(), b.step(), b.size(), 0), ippStsNoErr);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(std::vector<Ipp8u>(b.at(x, y), b.at(x, y) + 4), (std::vector<Ipp8u>{4, 4, 4, 9}));
  // The zero short cut fills the colour bytes only.
  ASSERT_EQ(ippiAdd_8u_AC4IRSfs(a.data(), a.step(), b.data(), b.step(), b.size(), 10), ippStsNoErr);
  EXPECT_EQ(std::vector<Ipp8u>(b.at(2, 1), b.at(2, 1) + 4), (std::vector<Ipp8u>{0, 0, 0, 9}));
  EXPECT_TRUE(b.OutsideUntouched());
}

TEST(ImageArithmetic, ArgumentChecksInTheirOrder) {
  Ipp8u px[16] = {};
  const IppiSize none{0, 1}, one{1, 1};
  // Three channels test the width before the pointers; one channel the pointers first.
  EXPECT_EQ(ippiAdd_8u_C3IRSfs(nullptr, 3, nullptr, 3, none, 0), ippStsSizeErr);
  EXPECT_EQ(ippiAdd_8u_C4RSfs(nullptr, 4, nullptr, 4, nullptr, 4, none, 0), ippStsSizeErr);
  EXPECT_EQ(ippiAdd_8u_C1IRSfs(nullptr, 1, nullptr, 1, none, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippiSub_8u_AC4IRSfs(px, 4, nullptr, 4, none, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippiMul_8u_C3RSfs(px, 3, nullptr, 3, px, 3, one, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippiMul_8u_C1RSfs(px, 1, px, 1, px, 1, IppiSize{1, 0}, 0), ippStsSizeErr);
  EXPECT_EQ(ippiAdd_16s_C1IRSfs(nullptr, 2, nullptr, 2, one, 0), ippStsNullPtrErr);
  // The divisions test the steps after the size, and every form does (C3 too).
  EXPECT_EQ(ippiDiv_8u_C3IRSfs(nullptr, 3, px, 3, none, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippiDiv_8u_C1RSfs(px, 1, px, 1, px, 1, none, 0), ippStsSizeErr);
  EXPECT_EQ(ippiDiv_8u_C1RSfs(px, 1, px, 0, px, 1, one, 0), ippStsStepErr);
  EXPECT_EQ(ippiDiv_8u_AC4RSfs(px, 4, px, 4, px, -4, one, 0), ippStsStepErr);
  EXPECT_EQ(ippiDiv_16s_C1IRSfs(reinterpret_cast<Ipp16s*>(px), 0, reinterpret_cast<Ipp16s*>(px), 2,
                                one, 0),
            ippStsStepErr);
  EXPECT_EQ(fbDivRow8u(px, px, nullptr, 1, 0), ippStsNullPtrErr);
  EXPECT_EQ(fbDivRow16s(reinterpret_cast<Ipp16s*>(px), reinterpret_cast<Ipp16s*>(px),
                        reinterpret_cast<Ipp16s*>(px), 0, 0),
            ippStsSizeErr);
  // A row of width * channels bytes beyond the int32 sizes is a bad size, not an overflow.
  EXPECT_EQ(ippiAdd_8u_C3RSfs(px, 3, px, 3, px, 3, IppiSize{0x30000000, 1}, 0), ippStsSizeErr);
  for (Ipp8u b : px) EXPECT_EQ(b, 0);
}

}  // namespace
