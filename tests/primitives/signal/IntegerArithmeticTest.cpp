#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/signal/IntegerArithmetic.h"
#include "primitives/signal/IntegerArithmeticKernels.h"
#include "primitives/support/ScaleFactor.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ScaleFactorModel.h"

namespace {

using namespace builtin;
using sfmodel::i128;

constexpr Ipp32s kMin = std::numeric_limits<Ipp32s>::min();
constexpr Ipp32s kMax = std::numeric_limits<Ipp32s>::max();

Ipp32s Model32(i128 v, int sf) { return static_cast<Ipp32s>(sfmodel::Scaled(v, sf, kMin, kMax)); }

// Operands that reach every boundary, and random ones.
std::vector<Ipp32s> Operands(std::mt19937& rng, int n) {
  std::vector<Ipp32s> v = {0,        1,        -1,      2,          -2,    3,      kMax,  kMin,
                           kMax - 1, kMin + 1, 1 << 30, -(1 << 30), 65536, -65536, 46341, -46341};
  std::uniform_int_distribution<Ipp32s> any(kMin, kMax);
  std::uniform_int_distribution<int> bits(0, 31);
  while (static_cast<int>(v.size()) < n) {
    // Half the values are small (a random bit length), so that scale factors near 0 matter.
    const Ipp32s x = any(rng);
    v.push_back((v.size() & 1) != 0 ? x : static_cast<Ipp32s>(x >> bits(rng)));
  }
  return v;
}

// ---- The rule helper itself --------------------------------------------------------------------

TEST(ScaleFactorRule, MatchesTheExactModelForEveryBranchAndExtremeFactor) {
  std::mt19937 rng(7);
  const std::vector<Ipp32s> a = Operands(rng, 400), b = Operands(rng, 400);
  for (int sf : {INT32_MIN, -100, -63, -62, -40, -33, -32, -31, -30, -1,       0,
                 1,         2,    31,  32,  33,  62,  63,  64,  100, INT32_MAX}) {
    for (size_t i = 0; i < a.size(); ++i) {
      const int64_t product = int64_t{a[i]} * b[i];
      ASSERT_EQ((sfs::Scale<int32_t, int64_t>(product, sf)), Model32(product, sf))
          << a[i] << " * " << b[i] << " sf " << sf;
      const int32_t sum = a[i] / 2 + b[i] / 2;  // 16-bit elements from a 32-bit sum
      ASSERT_EQ((sfs::Scale<int16_t, int64_t>(sum, sf)), sfmodel::Scaled(sum, sf, -32768, 32767));
    }
  }
}

// ---- Scaled int32 arithmetic against the model -------------------------------------------------

struct TScaledCase {
  std::string Name;
  // Runs the primitive on (a, b) into d; returns the status.
  std::function<IppStatus(const std::vector<Ipp32s>& a, std::vector<Ipp32s>& b, Ipp32s c,
                          std::vector<Ipp32s>& d, int sf)>
      Run;
  std::function<i128(i128 a, i128 b, i128 c)> Exact;  // the exact value of element (a, b)
};

std::vector<TScaledCase> ScaledCases() {
  auto len = [](const std::vector<Ipp32s>& v) { return static_cast<int>(v.size()); };
  return {
      {"Add_32s_ISfs",
       [=](auto& a, auto& b, Ipp32s, auto& d, int sf) {
         d = b;
         return ippsAdd_32s_ISfs(a.data(), d.data(), len(a), sf);
       },
       [](i128 a, i128 b, i128) { return b + a; }},
      {"Sub_32s_ISfs",
       [=](auto& a, auto& b, Ipp32s, auto& d, int sf) {
         d = b;
         return ippsSub_32s_ISfs(a.data(), d.data(), len(a), sf);
       },
       [](i128 a, i128 b, i128) { return b - a; }},
      {"Mul_32s_ISfs",
       [=](auto& a, auto& b, Ipp32s, auto& d, int sf) {
         d = b;
         return ippsMul_32s_ISfs(a.data(), d.data(), len(a), sf);
       },
       [](i128 a, i128 b, i128) { return b * a; }},
      {"AddC_32s_ISfs",
       [=](auto& a, auto&, Ipp32s c, auto& d, int sf) {
         d = a;
         return ippsAddC_32s_ISfs(c, d.data(), len(a), sf);
       },
       [](i128 a, i128, i128 c) { return a + c; }},
      {"AddC_32s_Sfs",
       [=](auto& a, auto&, Ipp32s c, auto& d, int sf) {
         return ippsAddC_32s_Sfs(a.data(), c, d.data(), len(a), sf);
       },
       [](i128 a, i128, i128 c) { return a + c; }},
      {"SubC_32s_ISfs",
       [=](auto& a, auto&, Ipp32s c, auto& d, int sf) {
         d = a;
         return ippsSubC_32s_ISfs(c, d.data(), len(a), sf);
       },
       [](i128 a, i128, i128 c) { return a - c; }},
      {"SubC_32s_Sfs",
       [=](auto& a, auto&, Ipp32s c, auto& d, int sf) {
         return ippsSubC_32s_Sfs(a.data(), c, d.data(), len(a), sf);
       },
       [](i128 a, i128, i128 c) { return a - c; }},
      {"SubCRev_32s_Sfs",
       [=](auto& a, auto&, Ipp32s c, auto& d, int sf) {
         return ippsSubCRev_32s_Sfs(a.data(), c, d.data(), len(a), sf);
       },
       [](i128 a, i128, i128 c) { return c - a; }},
      {"MulC_32s_ISfs",
       [=](auto& a, auto&, Ipp32s c, auto& d, int sf) {
         d = a;
         return ippsMulC_32s_ISfs(c, d.data(), len(a), sf);
       },
       [](i128 a, i128, i128 c) { return a * c; }},
      {"MulC_32s_Sfs",
       [=](auto& a, auto&, Ipp32s c, auto& d, int sf) {
         return ippsMulC_32s_Sfs(a.data(), c, d.data(), len(a), sf);
       },
       [](i128 a, i128, i128 c) { return a * c; }},
  };
}

TEST(SignalIntegerArithmetic, ScaledInt32AgreesWithA128BitModelForFactorsMinus40To70) {
  std::mt19937 rng(12);
  std::vector<Ipp32s> a = Operands(rng, 96), b = Operands(rng, 96);
  std::vector<Ipp32s> constants = {0, 1, -1, 3, 65536, kMax, kMin};
  for (int k = 0; k < 6; ++k) constants.push_back(Operands(rng, 17).back());
  for (const TScaledCase& tc : ScaledCases()) {
    for (Ipp32s c : constants) {
      for (int sf = -40; sf <= 70; ++sf) {
        std::vector<Ipp32s> d(a.size(), 0x5A5A5A5A);
        ASSERT_EQ(tc.Run(a, b, c, d, sf), ippStsNoErr) << tc.Name;
        for (size_t i = 0; i < a.size(); ++i)
          ASSERT_EQ(d[i], Model32(tc.Exact(a[i], b[i], c), sf))
              << tc.Name << " a " << a[i] << " b " << b[i] << " c " << c << " sf " << sf;
      }
    }
  }
}

// The vector blocks of the sums and differences give the 128-bit model's words on every
// instruction set, for every branch of the rule and the extreme factors, with a vector or a
// constant operand, at odd addresses, in place, over every tail length.
TEST(SignalIntegerArithmetic, SumBlocksAgreeWithTheModelOnEveryTarget) {
  imagetest::ForEachVectorTarget([] {
    const intarith::SumBlocksFn blocks = intarith::VectorSumBlocks();
    ASSERT_NE(blocks, nullptr);
    std::mt19937 rng(49);
    const std::vector<Ipp32s> a = Operands(rng, 77), b = Operands(rng, 77);
    const int n = static_cast<int>(a.size());
    std::vector<uint8_t> ra(4 * n + 8), rb(4 * n + 8), rd(4 * n + 8);
    std::memcpy(ra.data() + 1, a.data(), 4 * n);
    std::memcpy(rb.data() + 2, b.data(), 4 * n);
    using Op = intarith::TSumOp;
    for (Op op : {Op::Add, Op::Sub, Op::SubRev}) {
      for (Ipp32s c : {0, 1, -7, kMax, kMin}) {
        for (int sf : {0, 1, 2, 5, 31, 32, -1, -2, -30, -31, -32, -61, -62, -63, -1000, kMin}) {
          for (bool constant : {false, true}) {
            for (int len : {n, n - 1, 3, 9, 17}) {
              auto exact = [&](int i) -> i128 {
                const i128 x = a[i], y = constant ? i128{c} : i128{b[i]};
                return op == Op::Add ? x + y : (op == Op::Sub ? x - y : y - x);
              };
              intarith::Sums32s(ra.data() + 1, constant ? nullptr : rb.data() + 2, c,
                                rd.data() + 3, len, sf, op, blocks);
              for (int i = 0; i < len; ++i) {
                Ipp32s got;
                std::memcpy(&got, rd.data() + 3 + 4 * i, 4);
                ASSERT_EQ(got, Model32(exact(i), sf))
                    << "op " << int(op) << " c " << c << " sf " << sf << " constant "
                    << constant << " len " << len << " element " << i;
              }
            }
          }
        }
      }
    }
    // In place: the destination is the first operand.
    std::vector<uint8_t> inPlace = ra;
    intarith::Sums32s(inPlace.data() + 1, rb.data() + 2, 0, inPlace.data() + 1, n, 0, Op::Sub,
                      blocks);
    for (int i = 0; i < n; ++i) {
      Ipp32s got;
      std::memcpy(&got, inPlace.data() + 1 + 4 * i, 4);
      ASSERT_EQ(got, Model32(i128{a[i]} - b[i], 0)) << i;
    }
  });
}

// The logic blocks give the plain words on every instruction set, with a vector or a constant
// operand, at odd addresses, over every tail length.
TEST(SignalIntegerArithmetic, LogicBlocksEqualThePlainLoopOnEveryTarget) {
  imagetest::ForEachVectorTarget([] {
    const intarith::LogicBlocksFn blocks = intarith::VectorLogicBlocks();
    ASSERT_NE(blocks, nullptr);
    std::mt19937 rng(50);
    const std::vector<Ipp32s> a = Operands(rng, 67), b = Operands(rng, 67);
    const int n = static_cast<int>(a.size());
    std::vector<uint8_t> ra(4 * n + 8), rb(4 * n + 8), plain(4 * n), vec(4 * n + 8);
    std::memcpy(ra.data() + 1, a.data(), 4 * n);
    std::memcpy(rb.data() + 2, b.data(), 4 * n);
    using Op = intarith::TLogicOp;
    for (Op op : {Op::And, Op::Or, Op::Xor})
      for (bool constant : {false, true})
        for (int len : {n, n - 1, 3, 9, 17}) {
          const uint8_t* second = constant ? nullptr : rb.data() + 2;
          intarith::Logic32u(ra.data() + 1, second, 0x5AF0C3A5u, plain.data(), len, op, nullptr);
          intarith::Logic32u(ra.data() + 1, second, 0x5AF0C3A5u, vec.data() + 3, len, op, blocks);
          ASSERT_EQ(0, std::memcmp(plain.data(), vec.data() + 3, 4 * len))
              << "op " << int(op) << " constant " << constant << " len " << len;
        }
  });
}

TEST(SignalIntegerArithmetic, ProductsAndSumsSaturateBySignAtNegativeFactors) {
  struct Case {
    const char* What;
    IppStatus (*Fn)(const Ipp32s*, Ipp32s*, int, int);
    Ipp32s A, B;
    int Sf;
    Ipp32s Expected;
  } cases[] = {
      {"(-2^31)^2 at -1 does not wrap", ippsMul_32s_ISfs, kMin, kMin, -1, kMax},
      {"(-2^31)^2 at -31", ippsMul_32s_ISfs, kMin, kMin, -31, kMax},
      {"-2^31 * 2^31-1 at -1", ippsMul_32s_ISfs, kMin, kMax, -1, kMin},
      {"(-2^31)^2 at 62 is exactly 1", ippsMul_32s_ISfs, kMin, kMin, 62, 1},
      {"(-2^31)^2 at 63 is one half, even 0", ippsMul_32s_ISfs, kMin, kMin, 63, 0},
      {"max + 1 at 0", ippsAdd_32s_ISfs, 1, kMax, 0, kMax},
      {"min - 1 at 0", ippsAdd_32s_ISfs, -1, kMin, 0, kMin},
      {"sum -1 at -31", ippsAdd_32s_ISfs, -1, 0, -31, kMin},
      {"sum 1 at -31", ippsAdd_32s_ISfs, 1, 0, -31, kMax},
      {"sum 1 at INT_MIN", ippsAdd_32s_ISfs, 1, 0, INT32_MIN, kMax},
      {"sum 0 at INT_MIN", ippsAdd_32s_ISfs, 0, 0, INT32_MIN, 0},
  };
  for (const Case& c : cases) {
    Ipp32s d = c.B;
    EXPECT_EQ(c.Fn(&c.A, &d, 1, c.Sf), ippStsNoErr) << c.What;
    EXPECT_EQ(d, c.Expected) << c.What;
  }
  // A difference scaled by one place: (2^31 - 1 - (-2^31)) / 2 rounds to 2^31, saturated.
  const Ipp32s big = kMax;
  Ipp32s d[3];
  for (int sf : {1, 32, 33}) {
    ASSERT_EQ(ippsSubC_32s_Sfs(&big, kMin, d, 1, sf), ippStsNoErr);
    EXPECT_EQ(d[0], sf == 1 ? kMax : (sf == 32 ? 1 : 0)) << sf;
  }
  // c = 1, sf = 1: 3, 5 and -1 halve to 1.5, 2.5 and -0.5, which round to 2, 2 and 0.
  std::vector<Ipp32s> v = {1, 2, 3, 4, -1, -2, -3};
  ASSERT_EQ(ippsAddC_32s_ISfs(1, v.data(), 7, 1), ippStsNoErr);
  EXPECT_EQ(v, (std::vector<Ipp32s>{1, 2, 2, 2, 0, 0, -1}));
  std::vector<Ipp32s> m = {65536, -65536, 3};
  ASSERT_EQ(ippsMulC_32s_ISfs(65536, m.data(), 3, 0), ippStsNoErr);
  EXPECT_EQ(m, (std::vector<Ipp32s>{kMax, kMin, 196608}));
}

TEST(SignalIntegerArithmetic, SpecialCasesZeroFillCopyOrLeaveTheVector) {
  const std::vector<Ipp32s> src = {5, -7, kMax, kMin};
  std::vector<Ipp32s> d(4, 99);
  // A zero multiplier zero-fills at any factor, without reading the source.
  for (int sf : {INT32_MIN, -5, 0, 7}) {
    d.assign(4, 99);
    ASSERT_EQ(ippsMulC_32s_Sfs(src.data(), 0, d.data(), 4, sf), ippStsNoErr);
    EXPECT_EQ(d, std::vector<Ipp32s>(4, 0));
  }
  // Identity constants at sf 0 copy.
  d.assign(4, 99);
  ASSERT_EQ(ippsMulC_32s_Sfs(src.data(), 1, d.data(), 4, 0), ippStsNoErr);
  EXPECT_EQ(d, src);
  d.assign(4, 99);
  ASSERT_EQ(ippsAddC_32s_Sfs(src.data(), 0, d.data(), 4, 0), ippStsNoErr);
  EXPECT_EQ(d, src);
  d.assign(4, 99);
  ASSERT_EQ(ippsSubC_32s_Sfs(src.data(), 0, d.data(), 4, 0), ippStsNoErr);
  EXPECT_EQ(d, src);
  // Factors whose results are all 0.
  d = src;
  ASSERT_EQ(ippsAdd_32s_ISfs(src.data(), d.data(), 4, 33), ippStsNoErr);
  EXPECT_EQ(d, std::vector<Ipp32s>(4, 0));
  d = src;
  ASSERT_EQ(ippsMul_32s_ISfs(src.data(), d.data(), 4, INT32_MAX), ippStsNoErr);
  EXPECT_EQ(d, std::vector<Ipp32s>(4, 0));
  // The source may be the destination of an out-of-place form.
  d = src;
  ASSERT_EQ(ippsSubCRev_32s_Sfs(d.data(), 10, d.data(), 4, 0), ippStsNoErr);
  EXPECT_EQ(d, (std::vector<Ipp32s>{5, 17, kMin + 11, kMax}));
}

// ---- Division ----------------------------------------------------------------------------------

// The exactly rounded, saturated quotient p * 2^(-sf) / a for a != 0.
Ipp32s ModelQuotient(Ipp32s p, Ipp32s a, int sf) {
  return static_cast<Ipp32s>(sfmodel::ScaledQuotient(p, a, sf, kMin, kMax));
}

TEST(SignalIntegerArithmetic, DivisionRoundsExactlyAndSaturates) {
  std::mt19937 rng(3);
  const std::vector<Ipp32s> divisors = Operands(rng, 120), dividends = Operands(rng, 120);
  std::vector<Ipp32s> nonZero;
  for (Ipp32s x : divisors) nonZero.push_back(x == 0 ? 7 : x);
  for (int sf :
       {INT32_MIN, -70, -63, -62, -40, -31, -30, -2, -1, 0, 1, 2, 16, 31, 32, 33, 70, INT32_MAX}) {
    std::vector<Ipp32s> d = dividends;
    ASSERT_EQ(ippsDiv_32s_ISfs(nonZero.data(), d.data(), static_cast<int>(d.size()), sf),
              ippStsNoErr);
    for (size_t i = 0; i < d.size(); ++i)
      ASSERT_EQ(d[i], ModelQuotient(dividends[i], nonZero[i], sf))
          << dividends[i] << " / " << nonZero[i] << " sf " << sf;
  }
  // Zero divisors give the sign-saturated value and the warning, every element written.
  const Ipp32s a[] = {2, 2, 2, -1, 0, 0, 0};
  Ipp32s p[] = {7, 5, -7, kMin, 5, -5, 0};
  ASSERT_EQ(ippsDiv_32s_ISfs(a, p, 7, 0), ippStsDivByZero);
  EXPECT_EQ(std::vector<Ipp32s>(p, p + 7), (std::vector<Ipp32s>{4, 2, -4, kMax, kMax, kMin, 0}));
  Ipp32s q[] = {7, 5};
  ASSERT_EQ(ippsDiv_32s_ISfs(a, q, 2, 1), ippStsNoErr);
  EXPECT_EQ(q[0], 2);  // 1.75
  EXPECT_EQ(q[1], 1);  // 1.25
}

TEST(SignalIntegerArithmetic, DivCInt32TruncatesAndNeverTraps) {
  std::vector<Ipp32s> v = {-7, 7};
  DivCInt32InPlace(2, v.data(), 2, 0);
  EXPECT_EQ(v, (std::vector<Ipp32s>{-3, 3}));
  const std::vector<Ipp32s> src = {kMin, kMax, -5, 0, 1};
  std::vector<Ipp32s> d(5);
  DivCInt32(src.data(), -1, d.data(), 5, 0);
  EXPECT_EQ(d, (std::vector<Ipp32s>{kMax, -kMax, 5, 0, -1}));
  DivCInt32(src.data(), 0, d.data(), 5, 0);  // never from the buffer; no trap
  EXPECT_EQ(d, (std::vector<Ipp32s>{kMin, kMax, kMin, 0, kMax}));
  DivCInt32(src.data(), 3, d.data(), 5, 0);
  EXPECT_EQ(d, (std::vector<Ipp32s>{kMin / 3, kMax / 3, -1, 0, 0}));
  Ipp32s untouched = 42;
  DivCInt32InPlace(2, &untouched, 0, 0);
  DivCInt32InPlace(2, &untouched, -3, 0);
  EXPECT_EQ(untouched, 42);
}

// ---- Bytes -------------------------------------------------------------------------------------

TEST(SignalIntegerArithmetic, BytesOverEveryPairAgreeWithTheModel) {
  std::vector<Ipp8u> a(65536), b(65536);
  for (int i = 0; i < 65536; ++i) a[i] = static_cast<Ipp8u>(i), b[i] = static_cast<Ipp8u>(i >> 8);
  struct Op {
    const char* Name;
    IppStatus (*Fn)(const Ipp8u*, Ipp8u*, int, int);
    int (*Exact)(int a, int b);  // b is the in-place operand
  } ops[] = {
      {"Add", ippsAdd_8u_ISfs, [](int x, int y) { return y + x; }},
      {"Sub", ippsSub_8u_ISfs, [](int x, int y) { return y > x ? y - x : 0; }},
      {"Mul", ippsMul_8u_ISfs, [](int x, int y) { return y * x; }},
  };
  for (const Op& op : ops) {
    for (int sf : {INT32_MIN, -20, -9, -8, -7, -6, -3, -1, 0,  1,        2,
                   3,         7,   8,  9,  10, 15, 16, 17, 18, INT32_MAX}) {
      std::vector<Ipp8u> d = b;
      ASSERT_EQ(op.Fn(a.data(), d.data(), 65536, sf), ippStsNoErr);
      for (int i = 0; i < 65536; ++i)
        ASSERT_EQ(d[i], sfmodel::Scaled(op.Exact(a[i], b[i]), sf, 0, 255))
            << op.Name << " " << int(a[i]) << ", " << int(b[i]) << " sf " << sf;
    }
  }
}

// ---- Logic and shifts --------------------------------------------------------------------------

TEST(SignalIntegerArithmetic, LogicWithVectorsAndConstants) {
  const std::vector<Ipp32u> s = {0xFFFF0000u, 0x12345678u, 0u};
  const std::vector<Ipp32u> v = {0x0F0F0F0Fu, 0xFFFFFFFFu, 0xA5A5A5A5u};
  std::vector<Ipp32u> d = v;
  ASSERT_EQ(ippsAnd_32u_I(s.data(), d.data(), 3), ippStsNoErr);
  EXPECT_EQ(d, (std::vector<Ipp32u>{0x0F0F0000u, 0x12345678u, 0u}));
  d = v;
  ASSERT_EQ(ippsOr_32u_I(s.data(), d.data(), 3), ippStsNoErr);
  EXPECT_EQ(d, (std::vector<Ipp32u>{0xFFFF0F0Fu, 0xFFFFFFFFu, 0xA5A5A5A5u}));
  d = v;
  ASSERT_EQ(ippsXor_32u_I(s.data(), d.data(), 3), ippStsNoErr);
  EXPECT_EQ(d, (std::vector<Ipp32u>{0xF0F00F0Fu, 0xEDCBA987u, 0xA5A5A5A5u}));
  for (Ipp32u c : {0u, 0xF0F0F0F0u}) {
    std::vector<Ipp32u> in = v, out(3, 7);
    ASSERT_EQ(ippsAndC_32u_I(c, in.data(), 3), ippStsNoErr);
    ASSERT_EQ(ippsAndC_32u(v.data(), c, out.data(), 3), ippStsNoErr);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(in[i], v[i] & c);
      EXPECT_EQ(out[i], v[i] & c);
    }
    in = v, out.assign(3, 7);
    ASSERT_EQ(ippsOrC_32u_I(c, in.data(), 3), ippStsNoErr);
    ASSERT_EQ(ippsOrC_32u(v.data(), c, out.data(), 3), ippStsNoErr);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(in[i], v[i] | c);
      EXPECT_EQ(out[i], v[i] | c);
    }
    in = v, out.assign(3, 7);
    ASSERT_EQ(ippsXorC_32u_I(c, in.data(), 3), ippStsNoErr);
    ASSERT_EQ(ippsXorC_32u(v.data(), c, out.data(), 3), ippStsNoErr);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(in[i], v[i] ^ c);
      EXPECT_EQ(out[i], v[i] ^ c);
    }
  }
}

TEST(SignalIntegerArithmetic, ShiftsBy32AndMoreAndNegativeCounts) {
  const std::vector<Ipp32s> s = {1 << 30, -5, 5, kMin, kMax, -1};
  for (int c : {0, 1, 5, 31, 32, 33, 40, 1000, INT32_MAX}) {
    std::vector<Ipp32s> l(6, 9), r(6, 9), li = s, ri = s;
    ASSERT_EQ(ippsLShiftC_32s(s.data(), c, l.data(), 6), ippStsNoErr);
    ASSERT_EQ(ippsRShiftC_32s(s.data(), c, r.data(), 6), ippStsNoErr);
    ASSERT_EQ(ippsLShiftC_32s_I(c, li.data(), 6), ippStsNoErr);
    ASSERT_EQ(ippsRShiftC_32s_I(c, ri.data(), 6), ippStsNoErr);
    for (int i = 0; i < 6; ++i) {
      const Ipp32s left = c >= 32 ? 0 : static_cast<Ipp32s>(static_cast<uint64_t>(s[i]) << c);
      const Ipp32s right = static_cast<Ipp32s>(int64_t{s[i]} >> (c > 40 ? 40 : c));
      EXPECT_EQ(l[i], left) << s[i] << " << " << c;
      EXPECT_EQ(li[i], left) << s[i] << " << " << c;
      EXPECT_EQ(r[i], right) << s[i] << " >> " << c;
      EXPECT_EQ(ri[i], right) << s[i] << " >> " << c;
    }
  }
  Ipp32s one = 1 << 30, out = 0;
  ASSERT_EQ(ippsLShiftC_32s(&one, 1, &out, 1), ippStsNoErr);
  EXPECT_EQ(out, kMin);
  // A negative count is reported after the pointers and the length.
  Ipp32s x = 3;
  EXPECT_EQ(ippsLShiftC_32s_I(-1, &x, 1), ippStsShiftErr);
  EXPECT_EQ(ippsLShiftC_32s_I(-1, &x, 0), ippStsSizeErr);
  EXPECT_EQ(ippsRShiftC_32s_I(-1, nullptr, 1), ippStsNullPtrErr);
  EXPECT_EQ(ippsRShiftC_32s(&x, -2, &out, 1), ippStsShiftErr);
  EXPECT_EQ(ippsLShiftC_32s(&x, -2, nullptr, 1), ippStsNullPtrErr);
  EXPECT_EQ(x, 3);
}

// ---- Argument checks ---------------------------------------------------------------------------

TEST(SignalIntegerArithmetic, NullPointerBeforeLengthAndNothingWritten) {
  Ipp32s s32[2] = {1, 2}, d32[2] = {3, 4};
  Ipp32u s32u[2] = {1, 2}, d32u[2] = {3, 4};
  Ipp8u s8[2] = {1, 2}, d8[2] = {3, 4};
  // Each member called as (pointers valid or null, length); the constants and factors are
  // those of a special case where the member has one, so the checks are seen to come first.
  const std::vector<std::pair<const char*, std::function<IppStatus(bool, int)>>> members = {
      {"Add_32s", [&](bool ok, int n) { return ippsAdd_32s_ISfs(ok ? s32 : nullptr, d32, n, 40); }},
      {"Sub_32s", [&](bool ok, int n) { return ippsSub_32s_ISfs(s32, ok ? d32 : nullptr, n, 0); }},
      {"Mul_32s", [&](bool ok, int n) { return ippsMul_32s_ISfs(ok ? s32 : nullptr, d32, n, 70); }},
      {"Div_32s", [&](bool ok, int n) { return ippsDiv_32s_ISfs(s32, ok ? d32 : nullptr, n, 0); }},
      {"AddC_I", [&](bool ok, int n) { return ippsAddC_32s_ISfs(0, ok ? d32 : nullptr, n, 0); }},
      {"AddC", [&](bool ok, int n) { return ippsAddC_32s_Sfs(ok ? s32 : nullptr, 0, d32, n, 0); }},
      {"SubC_I", [&](bool ok, int n) { return ippsSubC_32s_ISfs(0, ok ? d32 : nullptr, n, 0); }},
      {"SubC", [&](bool ok, int n) { return ippsSubC_32s_Sfs(s32, 0, ok ? d32 : nullptr, n, 0); }},
      {"SubCRev",
       [&](bool ok, int n) { return ippsSubCRev_32s_Sfs(s32, 1, ok ? d32 : nullptr, n, 99); }},
      {"MulC_I", [&](bool ok, int n) { return ippsMulC_32s_ISfs(0, ok ? d32 : nullptr, n, 0); }},
      {"MulC", [&](bool ok, int n) { return ippsMulC_32s_Sfs(ok ? s32 : nullptr, 0, d32, n, 0); }},
      {"Add_8u", [&](bool ok, int n) { return ippsAdd_8u_ISfs(ok ? s8 : nullptr, d8, n, 10); }},
      {"Sub_8u", [&](bool ok, int n) { return ippsSub_8u_ISfs(s8, ok ? d8 : nullptr, n, 0); }},
      {"Mul_8u", [&](bool ok, int n) { return ippsMul_8u_ISfs(ok ? s8 : nullptr, d8, n, 17); }},
      {"And", [&](bool ok, int n) { return ippsAnd_32u_I(ok ? s32u : nullptr, d32u, n); }},
      {"Or", [&](bool ok, int n) { return ippsOr_32u_I(s32u, ok ? d32u : nullptr, n); }},
      {"Xor", [&](bool ok, int n) { return ippsXor_32u_I(ok ? s32u : nullptr, d32u, n); }},
      {"AndC_I", [&](bool ok, int n) { return ippsAndC_32u_I(0, ok ? d32u : nullptr, n); }},
      {"OrC_I", [&](bool ok, int n) { return ippsOrC_32u_I(0, ok ? d32u : nullptr, n); }},
      {"XorC_I", [&](bool ok, int n) { return ippsXorC_32u_I(5, ok ? d32u : nullptr, n); }},
      {"AndC", [&](bool ok, int n) { return ippsAndC_32u(ok ? s32u : nullptr, 0, d32u, n); }},
      {"OrC", [&](bool ok, int n) { return ippsOrC_32u(s32u, 0, ok ? d32u : nullptr, n); }},
      {"XorC", [&](bool ok, int n) { return ippsXorC_32u(ok ? s32u : nullptr, 0, d32u, n); }},
      {"LShiftC", [&](bool ok, int n) { return ippsLShiftC_32s(ok ? s32 : nullptr, 40, d32, n); }},
      {"RShiftC", [&](bool ok, int n) { return ippsRShiftC_32s(s32, 0, ok ? d32 : nullptr, n); }},
      {"LShiftC_I", [&](bool ok, int n) { return ippsLShiftC_32s_I(32, ok ? d32 : nullptr, n); }},
      {"RShiftC_I", [&](bool ok, int n) { return ippsRShiftC_32s_I(3, ok ? d32 : nullptr, n); }},
  };
  for (const auto& [name, call] : members) {
    EXPECT_EQ(call(false, 0), ippStsNullPtrErr) << name;
    EXPECT_EQ(call(true, 0), ippStsSizeErr) << name;
    EXPECT_EQ(call(true, -1), ippStsSizeErr) << name;
  }
  EXPECT_EQ(d32[0], 3);
  EXPECT_EQ(d32u[1], 4u);
  EXPECT_EQ(d8[0], 3);
}

}  // namespace
