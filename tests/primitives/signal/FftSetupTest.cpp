#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "primitives/signal/FftSetup.h"
#include "primitives/support/Support.h"
#include "tests/primitives/AllocationHook.h"

namespace {

using namespace builtin;
using ld = long double;

uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

int64_t Pow2(int n) { return int64_t{1} << n; }

// ---- Creation and release ------------------------------------------------------------------

template <class Opaque, class Init>
void ExpectCreationChecks(Init init) {
  struct Case {
    int order, flag;
    IppStatus status;
  };
  for (Case c : {Case{-1, 8, ippStsFftOrderErr}, Case{31, 8, ippStsFftOrderErr},
                 Case{-1, 0, ippStsFftOrderErr}, Case{4, 0, ippStsFftFlagErr},
                 Case{4, 3, ippStsFftFlagErr}, Case{4, 5, ippStsFftFlagErr},
                 Case{12, 16, ippStsFftFlagErr}, Case{0, -1, ippStsFftFlagErr}}) {
    SCOPED_TRACE(testing::Message() << "order " << c.order << " flag " << c.flag);
    const int64_t live = LiveAllocations();
    auto* sentinel = reinterpret_cast<Opaque*>(uintptr_t{0x1234});
    Opaque* spec = sentinel;
    EXPECT_EQ(init(&spec, c.order, c.flag), c.status);
    EXPECT_EQ(spec, sentinel);
    EXPECT_EQ(LiveAllocations(), live);
  }
  // A null destination is reported first, whatever else is wrong.
  EXPECT_EQ(init(nullptr, 4, 8), ippStsNullPtrErr);
  EXPECT_EQ(init(nullptr, 31, 0), ippStsNullPtrErr);
}

TEST(FftSetup, CreationChecksInOrderAndLeaveNothing) {
  ExpectCreationChecks<IppsFFTSpec_C_64fc>([](IppsFFTSpec_C_64fc** p, int order, int flag) {
    return ippsFFTInitAlloc_C_64fc(p, order, flag, ippAlgHintNone);
  });
  ExpectCreationChecks<IppsFFTSpec_R_64f>([](IppsFFTSpec_R_64f** p, int order, int flag) {
    return ippsFFTInitAlloc_R_64f(p, order, flag, ippAlgHintNone);
  });
}

TEST(FftSetup, FlagsGiveTheScaling) {
  struct Case {
    int flag, forward, inverse;
    double scale;
  };
  for (Case c : {Case{IPP_FFT_NODIV_BY_ANY, 0, 0, 0.0}, Case{IPP_FFT_DIV_BY_SQRTN, 1, 1, 0.25},
                 Case{IPP_FFT_DIV_FWD_BY_N, 1, 0, 0.0625},
                 Case{IPP_FFT_DIV_INV_BY_N, 0, 1, 0.0625}}) {
    SCOPED_TRACE(c.flag);
    IppsFFTSpec_C_64fc* spec = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&spec, 4, c.flag, ippAlgHintAccurate), ippStsNoErr);
    EXPECT_EQ(spec->kindTag, kFftKindComplex);
    EXPECT_EQ(spec->order, 4);
    EXPECT_EQ(spec->forwardScaled, c.forward);
    EXPECT_EQ(spec->inverseScaled, c.inverse);
    EXPECT_EQ(Bits(spec->scaleFactor), Bits(c.scale));
    EXPECT_EQ(spec->hint, ippAlgHintAccurate);
    EXPECT_EQ(spec->ownsMemory, 1);
    EXPECT_EQ(ippsFFTFree_C_64fc(spec), ippStsNoErr);
  }
}

TEST(FftSetup, EveryAllocationFailureLeavesNothing) {
  struct Case {
    bool real;
    int order;
  };
  for (Case c : {Case{false, 0}, Case{false, 4}, Case{false, 9}, Case{false, 10},
                 Case{false, 12}, Case{false, 21}, Case{true, 3}, Case{true, 4}, Case{true, 11},
                 Case{true, 13}}) {
    SCOPED_TRACE(testing::Message() << (c.real ? "real " : "complex ") << c.order);
    void* sentinel = reinterpret_cast<void*>(uintptr_t{0x5678});
    const int requests = allochook::ForEachFailure(
        [&] {
          if (c.real) {
            auto* spec = static_cast<IppsFFTSpec_R_64f*>(sentinel);
            const IppStatus st = ippsFFTInitAlloc_R_64f(&spec, c.order, 1, ippAlgHintNone);
            if (st == ippStsNoErr) ippsFFTFree_R_64f(spec);
            else EXPECT_EQ(spec, sentinel);
            return st;
          }
          auto* spec = static_cast<IppsFFTSpec_C_64fc*>(sentinel);
          const IppStatus st = ippsFFTInitAlloc_C_64fc(&spec, c.order, 1, ippAlgHintNone);
          if (st == ippStsNoErr) ippsFFTFree_C_64fc(spec);
          else EXPECT_EQ(spec, sentinel);
          return st;
        },
        [](IppStatus st, int k, int64_t leaked) {
          EXPECT_EQ(st, ippStsMemAllocErr) << "request " << k;
          EXPECT_EQ(leaked, 0) << "request " << k;
        });
    // record; sine table, swap list, twiddle block (plan temporary); two real tables
    const int expected = c.order <= 3 ? 1 : 4 + (c.order - c.real >= 12) + 2 * c.real;
    EXPECT_EQ(requests, expected);
  }
}

TEST(FftSetup, FreeAndQueriesRejectNullAndTheOtherKind) {
  IppsFFTSpec_C_64fc* complexSpec = nullptr;
  IppsFFTSpec_R_64f* realSpec = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&complexSpec, 12, 8, ippAlgHintNone), ippStsNoErr);
  ASSERT_EQ(ippsFFTInitAlloc_R_64f(&realSpec, 13, 8, ippAlgHintNone), ippStsNoErr);
  auto* realAsComplex = reinterpret_cast<IppsFFTSpec_C_64fc*>(realSpec);
  auto* complexAsReal = reinterpret_cast<IppsFFTSpec_R_64f*>(complexSpec);
  const int64_t live = LiveAllocations();
  int size = -1;
  EXPECT_EQ(ippsFFTFree_C_64fc(nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFFTFree_R_64f(nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFFTFree_C_64fc(realAsComplex), ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTFree_R_64f(complexAsReal), ippStsContextMatchErr);
  EXPECT_EQ(fbFftGetBufSizeC(nullptr, &size), ippStsNullPtrErr);
  EXPECT_EQ(fbFftGetBufSizeC(complexSpec, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(fbFftGetBufSizeR(nullptr, &size), ippStsNullPtrErr);
  EXPECT_EQ(fbFftGetBufSizeR(realSpec, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(fbFftGetBufSizeC(realAsComplex, &size), ippStsContextMatchErr);
  EXPECT_EQ(fbFftGetBufSizeR(complexAsReal, &size), ippStsContextMatchErr);
  EXPECT_EQ(size, -1);
  EXPECT_EQ(LiveAllocations(), live);
  EXPECT_EQ(realSpec->kindTag, kFftKindReal);
  EXPECT_EQ(complexSpec->kindTag, kFftKindComplex);
  EXPECT_EQ(ippsFFTFree_C_64fc(complexSpec), ippStsNoErr);
  EXPECT_EQ(ippsFFTFree_R_64f(realSpec), ippStsNoErr);
}

// The work buffer of a transform call: none when the setup needs none, a caller's buffer
// from its first 16-byte boundary, else an allocated block (-9 when that fails).
TEST(FftSetup, WorkBufferOfATransformCall) {
  IppsFFTSpec_C_64fc* small = nullptr;
  IppsFFTSpec_C_64fc* large = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&small, 11, 8, ippAlgHintNone), ippStsNoErr);
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&large, 12, 8, ippAlgHintNone), ippStsNoErr);
  std::vector<Ipp8u> buffer(1040 + 32);
  double* work = reinterpret_cast<double*>(uintptr_t{1});
  void* allocated = reinterpret_cast<void*>(uintptr_t{1});
  const int64_t live = LiveAllocations();
  EXPECT_EQ(fbFftTakeWork(small, buffer.data(), &work, &allocated), ippStsNoErr);
  EXPECT_EQ(work, nullptr);
  EXPECT_EQ(allocated, nullptr);
  for (int offset = 0; offset < 16; ++offset) {
    Ipp8u* given = buffer.data() + offset;
    EXPECT_EQ(fbFftTakeWork(large, given, &work, &allocated), ippStsNoErr);
    const auto at = reinterpret_cast<uintptr_t>(work);
    EXPECT_EQ(at % 16, 0u);
    EXPECT_GE(at, reinterpret_cast<uintptr_t>(given));
    EXPECT_LT(at, reinterpret_cast<uintptr_t>(given) + 16);
    EXPECT_EQ(allocated, nullptr);
  }
  EXPECT_EQ(LiveAllocations(), live);
  EXPECT_EQ(fbFftTakeWork(large, nullptr, &work, &allocated), ippStsNoErr);
  EXPECT_EQ(static_cast<void*>(work), allocated);
  EXPECT_EQ(LiveAllocations(), live + 1);
  fbAlignedFree(allocated);
  {
    allochook::FailNth fail(1);
    EXPECT_EQ(fbFftTakeWork(large, nullptr, &work, &allocated), ippStsMemAllocErr);
  }
  EXPECT_EQ(work, nullptr);
  EXPECT_EQ(allocated, nullptr);
  EXPECT_EQ(LiveAllocations(), live);
  ippsFFTFree_C_64fc(small);
  ippsFFTFree_C_64fc(large);
}

// ---- Work sizes and the plan ---------------------------------------------------------------

// Work-size query of a complex transform order (a real setup of order n + 1 alike).
int ExpectedQuery(int order) {
  switch (order) {
    case 12: return 1040;
    case 13: return 2064;
    case 14: return 4112;
    case 15: case 16: return 8208;
    case 17: case 21: case 22: return 16400;
    default: return order <= 11 ? 0 : 32784;
  }
}

TEST(FftSetup, QueriesGiveTheWorkOfEveryOrder) {
  for (int n = 0; n <= 22; ++n) {
    SCOPED_TRACE(n);
    IppsFFTSpec_C_64fc* c = nullptr;
    IppsFFTSpec_R_64f* r = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&c, n, 8, ippAlgHintNone), ippStsNoErr);
    ASSERT_EQ(ippsFFTInitAlloc_R_64f(&r, n + 1, 8, ippAlgHintNone), ippStsNoErr);
    int sizeC = -1, sizeR = -1;
    EXPECT_EQ(fbFftGetBufSizeC(c, &sizeC), ippStsNoErr);
    EXPECT_EQ(fbFftGetBufSizeR(r, &sizeR), ippStsNoErr);
    EXPECT_EQ(sizeC, ExpectedQuery(n));
    EXPECT_EQ(sizeR, ExpectedQuery(n));
    if (n <= 3) {  // no tables at all for the codelet orders
      EXPECT_EQ(c->bitRevTable, nullptr);
      EXPECT_EQ(c->twiddleBlock, nullptr);
    }
    ippsFFTFree_C_64fc(c);
    ippsFFTFree_R_64f(r);
  }
  // The largest orders through the plan alone: nothing is allocated.
  const int64_t live = LiveAllocations();
  for (int n = 10; n <= 30; ++n) {
    const FftSplitPlan plan = fbFftSplitPlan(n);
    EXPECT_EQ(plan.workBytes > 0 ? plan.workBytes + 16 : 0, ExpectedQuery(n)) << n;
  }
  EXPECT_EQ(LiveAllocations(), live);
}

TEST(FftSetup, PlanSizes) {
  const FftSplitPlan p12 = fbFftSplitPlan(12);
  EXPECT_EQ(p12.tableBytes, (Pow2(8) + 1) * 16 + (Pow2(12) + Pow2(4) + 1) * 16);
  EXPECT_EQ(p12.tempBytes, 32 + 64 * 16);
  EXPECT_EQ(p12.workBytes, 1024);
  EXPECT_EQ(fbFftSplitPlan(10).tableBytes, 256 * 16 + 8208);
  EXPECT_EQ(fbFftSplitPlan(11).tempBytes, 0);
  // Order 30: levels 30:9, 21:8, 13:5 over an order-8 leaf; beyond 32 bits, exact.
  const FftSplitPlan p30 = fbFftSplitPlan(30);
  EXPECT_EQ(p30.tableBytes, (Pow2(8) + 1) * 16 + (Pow2(13) + 32 + 1) * 16 +
                                (Pow2(21) + 256 + 1) * 16 + (Pow2(30) + 512 + 1) * 16);
  EXPECT_EQ(p30.tempBytes, (48 + 64 * 32) + (272 + 64 * 256) + (528 + 64 * 512));
  EXPECT_EQ(p30.workBytes, 32768);
}

TEST(FftSetup, LevelsAndLeavesOfEveryBuiltOrder) {
  struct Case {
    int order, levels;
    bool blocked;
  };
  for (Case c : {Case{4, 0, false}, Case{9, 0, false}, Case{10, 0, true}, Case{11, 0, true},
                 Case{12, 1, false}, Case{16, 1, false}, Case{18, 1, false}, Case{19, 1, true},
                 Case{20, 1, true}, Case{21, 2, false}, Case{22, 2, false}}) {
    SCOPED_TRACE(c.order);
    IppsFFTSpec_C_64fc* s = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&s, c.order, 8, ippAlgHintNone), ippStsNoErr);
    EXPECT_EQ(s->blockTwiddles != nullptr, c.blocked);
    EXPECT_EQ(s->realFwdTwiddles, nullptr);
    for (int d = 0; d < 3; ++d) {
      EXPECT_EQ(s->levelRadix4[d] != nullptr, d < c.levels) << d;
      EXPECT_EQ(s->levelColumns[d] != nullptr, d < c.levels) << d;
    }
    // Depth-first inside one block: leaf first, the deepest level next, level 0 last, each table
    // on a 16-byte boundary and the last ending inside the planned size.
    std::vector<const double*> order{s->twiddleBlock};
    if (c.blocked) order.push_back(s->blockTwiddles);
    for (int d = c.levels - 1; d >= 0; --d) {
      order.push_back(s->levelRadix4[d]);
      order.push_back(s->levelColumns[d]);
    }
    for (size_t i = 0; i < order.size(); ++i) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(order[i]) % 16, 0u);
      if (i) {
        EXPECT_LT(order[i - 1], order[i]);
      }
    }
    if (c.order >= 10) {
      const double* end = c.levels ? s->levelColumns[0] + 2 * Pow2(c.order)
                                   : s->blockTwiddles + Pow2(c.order) / 2;
      EXPECT_LE(end, s->twiddleBlock + fbFftSplitPlan(c.order).tableBytes / 8);
    }
    ippsFFTFree_C_64fc(s);
  }
}

// ---- Tables --------------------------------------------------------------------------------

TEST(FftSetup, SwapListsExpandToTheBitReversal) {
  IppsFFTSpec_C_64fc* c = nullptr;
  IppsFFTSpec_R_64f* r = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&c, 4, 8, ippAlgHintNone), ippStsNoErr);
  ASSERT_EQ(ippsFFTInitAlloc_R_64f(&r, 4, 8, ippAlgHintNone), ippStsNoErr);
  EXPECT_EQ(std::vector<int32_t>(c->bitRevTable, c->bitRevTable + 5),
            (std::vector<int32_t>{4, 8, 0, 12, 0}));
  EXPECT_EQ(std::vector<int32_t>(r->bitRevTable, r->bitRevTable + 3),
            (std::vector<int32_t>{0, 4, 0}));
  ippsFFTFree_C_64fc(c);
  ippsFFTFree_R_64f(r);

  for (int n = 2; n <= 20; ++n) {
    SCOPED_TRACE(n);
    const int64_t N = Pow2(n), M = N / 4, h = N / 2;
    std::vector<int32_t> t(M + 1, -1);
    fbFftBitRevTable(n, t.data());
    std::vector<int64_t> perm(N);
    for (int64_t i = 0; i < N; ++i) perm[i] = i;
    auto exchange = [&](int64_t i, int64_t j) { std::swap(perm[i], perm[j]); };
    int64_t i = 0;
    for (; t[i] != 0; i += 2) {
      const int64_t a = t[i] / 2, b = t[i + 1] / 2;
      ASSERT_LT(a, b);
      exchange(a, b);
      exchange(a + 1, h + b);
      exchange(h + a, b + 1);
      exchange(h + a + 1, h + b + 1);
    }
    exchange(1, h);
    for (++i; t[i] != 0; ++i) exchange(t[i] / 2 + 1, h + t[i] / 2);
    ASSERT_EQ(i, M);
    for (int64_t m = 0; m < N; ++m) {
      int64_t rev = 0;
      for (int b = 0; b < n; ++b) rev |= ((m >> b) & 1) << (n - 1 - b);
      ASSERT_EQ(perm[rev], m) << m;
    }
  }
}

// The tables' replica: the sine table from the float64 arguments, the quarter-wave lookup.
struct Replica {
  explicit Replica(int s) : order(s), t(Pow2(s) / 4 + 1) {
    const int64_t S = Pow2(s);
    const double step = 6.283185307179586 / double(S);
    for (int64_t i = 0; i <= S / 4; ++i)
      t[i] = i <= S / 8 ? LibCSin(double(i) * step) : LibCCos(double(S / 4 - i) * step);
  }
  // (cos, -sin) of 2 pi e / 2^n.
  std::pair<double, double> Factor(int n, int64_t e) const {
    const int64_t N = Pow2(n), f = Pow2(order - n), q = N / 4;
    if (e <= q) return {t[(q - e) * f], -t[e * f]};
    if (e <= 2 * q) return {-t[(e - q) * f], -t[(2 * q - e) * f]};
    if (e <= 3 * q) return {-t[(3 * q - e) * f], t[(e - 2 * q) * f]};
    return {t[(e - 3 * q) * f], t[(N - e) * f]};
  }
  int order;
  std::vector<double> t;
};

// One unit in the last place of a double of magnitude x (0 for zero).
double Ulp(double x) { return x == 0 ? 0.0 : std::ldexp(1.0, std::ilogb(x) - 52); }

// Within 2 ulp of the long double cos and -sin of the exact angle (a long double angle of a
// quarter turn leaves a cosine of about 1e-20 where the exact one is 0, hence the absolute 1e-18).
void ExpectNearExact(double re, double im, int n, int64_t e) {
  const ld angle = 2 * 3.141592653589793238462643383279502884L * e / Pow2(n);
  const ld c = std::cos(angle), s = -std::sin(angle);
  EXPECT_LE(std::fabs(ld(re) - c), 2 * Ulp(double(c)) + 1e-18);
  EXPECT_LE(std::fabs(ld(im) - s), 2 * Ulp(double(s)) + 1e-18);
}

void ExpectFactor(const double* p, const Replica& rep, int n, int64_t e) {
  const auto [re, im] = rep.Factor(n, e);
  ASSERT_EQ(Bits(p[0]), Bits(re)) << "n " << n << " e " << e;
  ASSERT_EQ(Bits(p[1]), Bits(im)) << "n " << n << " e " << e;
  ExpectNearExact(p[0], p[1], n, e);
}

void ExpectRadix4(const double* table, const Replica& rep, int n) {
  for (int64_t i = 0; i <= Pow2(n) / 4; ++i)
    for (int j = 1; j <= 3; ++j) ExpectFactor(table + 6 * i + 2 * (j - 1), rep, n, j * i);
}

int64_t Reverse(int64_t p, int k) {
  int64_t r = 0;
  for (int b = 0; b < k; ++b) r |= ((p >> b) & 1) << (k - 1 - b);
  return r;
}

// The tables of a complex transform order within a setup whose sine table has order s.
void ExpectTransformTables(const fbFftSpec* spec, int n, const Replica& rep, int depth = 0) {
  const int k = fbFftSplitExponent(n);
  if (n <= 9) return ExpectRadix4(spec->twiddleBlock, rep, n);
  if (k == 0) {
    ExpectRadix4(spec->twiddleBlock, rep, 9);
    for (int64_t j = 0; j < Pow2(n) / 4; ++j) ExpectFactor(spec->blockTwiddles + 2 * j, rep, n, j);
    return;
  }
  const int m = n - k;
  ExpectTransformTables(spec, m, rep, depth + 1);
  ExpectRadix4(spec->levelRadix4[depth], rep, k);
  const int64_t K = Pow2(k), M = Pow2(m);
  const double* col = spec->levelColumns[depth];
  for (int64_t g = 0; g < M / 4; ++g)
    for (int64_t p = 0; p < K; ++p)
      for (int64_t c = 0; c < 4; ++c, col += 2) ExpectFactor(col, rep, n, Reverse(p, k) * (4 * g + c));
}

TEST(FftSetup, EveryFactorHasTheBitsOfTheReplica) {
  for (int n : {4, 5, 8, 9, 10, 11, 12, 13, 16}) {
    SCOPED_TRACE(n);
    IppsFFTSpec_C_64fc* c = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&c, n, 8, ippAlgHintNone), ippStsNoErr);
    ExpectTransformTables(c, n, Replica(n));
    ippsFFTFree_C_64fc(c);
  }
  for (int n : {4, 5, 10, 12, 13}) {
    SCOPED_TRACE(testing::Message() << "real " << n);
    IppsFFTSpec_R_64f* r = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_R_64f(&r, n, 8, ippAlgHintNone), ippStsNoErr);
    const Replica rep(n);
    ExpectTransformTables(r, n - 1, rep);  // the half-length transform reads stride 2
    const ld pi = 3.141592653589793238462643383279502884L;
    for (int64_t i = 0; i < Pow2(n) / 4; ++i) {
      const auto [c, ms] = rep.Factor(n, i);
      ASSERT_EQ(Bits(r->realInvTwiddles[2 * i]), Bits(c));
      ASSERT_EQ(Bits(r->realInvTwiddles[2 * i + 1]), Bits(ms));
      ExpectNearExact(r->realInvTwiddles[2 * i], r->realInvTwiddles[2 * i + 1], n, i);
      ASSERT_EQ(Bits(r->realFwdTwiddles[2 * i]), Bits(0.5 * c));
      ASSERT_EQ(Bits(r->realFwdTwiddles[2 * i + 1]), Bits(0.5 + 0.5 * ms));
      const ld angle = 2 * pi * i / Pow2(n);
      EXPECT_LE(std::fabs(r->realFwdTwiddles[2 * i + 1] - (0.5L - 0.5L * std::sin(angle))), 2e-16);
    }
    ippsFFTFree_R_64f(r);
  }
  // A real order-4 setup: the tables of an 8-point transform, two real tables of 4 pairs.
  IppsFFTSpec_R_64f* r4 = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_R_64f(&r4, 4, 8, ippAlgHintNone), ippStsNoErr);
  ExpectRadix4(r4->twiddleBlock, Replica(4), 3);
  EXPECT_EQ(r4->realFwdTwiddles[0], 0.5);
  EXPECT_EQ(r4->realFwdTwiddles[1], 0.5);
  ippsFFTFree_R_64f(r4);
}

// The twiddle block of the radix-4 orders holds, from a 64-byte boundary after the table, the
// factors of the last pass regrouped by four columns and prepared for vector products; real
// setups carry it for their half order. The blocked orders hold the same for their 512-point
// leaf after the block twiddles.
TEST(FftSetup, LastPassCopyHoldsTheTableFactors) {
  auto expectCopy = [](const double* table, const double* copy, int n) {
    EXPECT_EQ(reinterpret_cast<uintptr_t>(copy) % 64, 0u);
    for (int64_t q = 0; q < Pow2(n) / 4; ++q)
      for (int j = 0; j < 3; ++j) {
        const double* group = copy + 48 * (q / 4) + 16 * j + 2 * (q % 4);
        const double re = table[6 * q + 2 * j], im = table[6 * q + 2 * j + 1];
        ASSERT_EQ(Bits(group[0]), Bits(re)) << q << " " << j;
        ASSERT_EQ(Bits(group[1]), Bits(re)) << q << " " << j;
        ASSERT_EQ(Bits(group[8]), Bits(-im)) << q << " " << j;
        ASSERT_EQ(Bits(group[9]), Bits(im)) << q << " " << j;
      }
  };
  for (int n = 4; n <= 11; ++n) {
    SCOPED_TRACE(n);
    IppsFFTSpec_C_64fc* c = nullptr;
    IppsFFTSpec_R_64f* r = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&c, n, 8, ippAlgHintNone), ippStsNoErr);
    ASSERT_EQ(ippsFFTInitAlloc_R_64f(&r, n + 1, 8, ippAlgHintNone), ippStsNoErr);
    for (const fbFftSpec* s : {static_cast<const fbFftSpec*>(c), static_cast<const fbFftSpec*>(r)}) {
      const double* table = s->twiddleBlock;
      if (n >= 10) {  // after the plan's tables
        const double* copy = fbFftBlockedLeafFactors(s->blockTwiddles, n);
        EXPECT_GE(copy, s->blockTwiddles + Pow2(n) / 2);
        expectCopy(table, copy, 9);
        continue;
      }
      const double* copy = fbFftLastPassFactors(s->twiddleBlock, n);
      EXPECT_GE(copy, table + 6 * (Pow2(n) / 4 + 1));
      EXPECT_LE(reinterpret_cast<const uint8_t*>(copy + 12 * Pow2(n) / 4),
                reinterpret_cast<const uint8_t*>(table) + fbFftRadix4BlockBytes(n));
      expectCopy(table, copy, n);
    }
    ippsFFTFree_C_64fc(c);
    ippsFFTFree_R_64f(r);
  }
}

TEST(FftSetup, ColumnTablesOfTwoLevels) {
  IppsFFTSpec_C_64fc* c = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&c, 21, 8, ippAlgHintNone), ippStsNoErr);
  const Replica rep(21);
  // Spot rows of both levels' column tables and the leaf, every factor bitwise.
  ExpectRadix4(c->twiddleBlock, rep, 8);
  ExpectRadix4(c->levelRadix4[1], rep, 5);
  ExpectRadix4(c->levelRadix4[0], rep, 8);
  struct Level {
    int depth, n, k;
  };
  for (Level l : {Level{1, 13, 5}, Level{0, 21, 8}}) {
    const int64_t K = Pow2(l.k), M = Pow2(l.n - l.k);
    for (int64_t g : {int64_t{0}, int64_t{1}, M / 8, M / 4 - 1})
      for (int64_t p = 0; p < K; ++p)
        for (int64_t col = 0; col < 4; ++col)
          ExpectFactor(c->levelColumns[l.depth] + 2 * ((g * K + p) * 4 + col), rep, l.n,
                       Reverse(p, l.k) * (4 * g + col));
  }
  ippsFFTFree_C_64fc(c);
}

// ---- Companions ----------------------------------------------------------------------------

TEST(FftSetup, CompanionChecks) {
  Ipp64fc a[2] = {{1, 2}, {3, 4}}, b[2] = {};
  struct Case {
    const Ipp64fc* src;
    Ipp64fc* dst;
    int len;
    IppStatus status;
  };
  for (Case c : {Case{nullptr, b, 0, ippStsNullPtrErr}, Case{a, nullptr, -1, ippStsNullPtrErr},
                 Case{a, b, 0, ippStsSizeErr}, Case{a, b, -3, ippStsSizeErr}}) {
    EXPECT_EQ(fbCopy64fc(c.src, c.dst, c.len), c.status);
    EXPECT_EQ(fbConj64fc(c.src, c.dst, c.len), c.status);
  }
  EXPECT_EQ(fbConj64fcI(nullptr, 0), ippStsNullPtrErr);
  EXPECT_EQ(fbConj64fcI(b, 0), ippStsSizeErr);
  EXPECT_EQ(b[0].re, 0.0);
  EXPECT_EQ(b[1].im, 0.0);
}

TEST(FftSetup, ConjugatesAndCopiesEveryElement) {
  const double nan = std::nan("");
  const std::vector<Ipp64fc> src = {{1, 2}, {-3, -0.0}, {0.0, 5}, {nan, -nan}, {7, 8}, {9, -1}};
  for (int len = 1; len <= 6; ++len) {
    std::vector<Ipp64fc> conj(7, Ipp64fc{42, 42}), copy(7, Ipp64fc{42, 42});
    std::vector<Ipp64fc> inPlace(src.begin(), src.begin() + len);
    ASSERT_EQ(fbConj64fc(src.data(), conj.data(), len), ippStsNoErr);
    ASSERT_EQ(fbConj64fcI(inPlace.data(), len), ippStsNoErr);
    ASSERT_EQ(fbCopy64fc(src.data(), copy.data(), len), ippStsNoErr);
    for (int i = 0; i < len; ++i) {
      EXPECT_EQ(Bits(conj[i].re), Bits(src[i].re));
      EXPECT_EQ(Bits(conj[i].im), Bits(-src[i].im));
      EXPECT_EQ(Bits(inPlace[i].im), Bits(-src[i].im));
      EXPECT_EQ(Bits(copy[i].im), Bits(src[i].im));
    }
    EXPECT_EQ(conj[len].re, 42.0);  // nothing past the end
    EXPECT_EQ(copy[len].re, 42.0);
  }
}

int64_t AvailableMemory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key, unit;
  int64_t kib = 0;
  while (meminfo >> key >> kib >> unit)
    if (key == "MemAvailable:") return kib * 1024;
  return 0;
}

// Anonymous memory in huge pages where granted; untouched pages read as zeros.
struct Mapping {
  size_t size;
  Ipp64fc* values;
  explicit Mapping(size_t bytes)
      : size(bytes),
        values(static_cast<Ipp64fc*>(::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0))) {
    if (ok()) ::madvise(values, bytes, MADV_HUGEPAGE);
  }
  ~Mapping() {
    if (ok()) ::munmap(values, size);
  }
  bool ok() const { return values != MAP_FAILED; }
};

// 2^27 + 1 elements are more than 2^31 bytes: a 32-bit byte count would wrap and copy nothing.
// Only the destination's 2 GiB are written.
TEST(FftSetup, CopyBeyondTheInt32ByteRange) {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers shadow every written byte";
#endif
  constexpr int64_t kN = (int64_t{1} << 27) + 1;
  const int64_t needed = kN * 16 + (int64_t{1} << 30);
  if (AvailableMemory() < needed) GTEST_SKIP() << "needs " << (needed >> 20) << " MiB available";
  Mapping source(kN * 16), destination(kN * 16 + 16);
  ASSERT_TRUE(source.ok() && destination.ok());
  const int64_t marked[] = {0, (int64_t{1} << 26) + 5, (int64_t{1} << 27) - 1, kN - 1};
  for (int64_t i : marked) source.values[i] = {double(i) + 0.5, -double(i)};
  destination.values[kN] = {42, 42};  // the element after the vector
  ASSERT_EQ(fbCopy64fc(source.values, destination.values, static_cast<int>(kN)), ippStsNoErr);
  for (int64_t i : marked) {
    EXPECT_EQ(destination.values[i].re, double(i) + 0.5) << i;
    EXPECT_EQ(destination.values[i].im, -double(i)) << i;
  }
  EXPECT_EQ(destination.values[kN].re, 42);
}

}  // namespace
