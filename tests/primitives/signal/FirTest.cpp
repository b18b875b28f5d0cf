#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/signal/Fir.h"
#include "primitives/support/Support.h"
#include "tests/primitives/AllocationHook.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using namespace builtin;
using ld = long double;
using Vec = std::vector<double>;

const double kNaN = std::bit_cast<double>(uint64_t{0x7FF8000000000000});
const double kEps = std::numeric_limits<double>::epsilon();

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

Vec Random(int n, std::mt19937_64& rng, double lo = -1.0, double hi = 1.0) {
  std::uniform_real_distribution<double> d(lo, hi);
  Vec v(static_cast<size_t>(n));
  for (double& x : v) x = d(rng);
  return v;
}

// n rounded up to a multiple of 4, plus 1: the longest block that goes through the delay buffer.
int DirectBlock(int n) { return (n + 3) / 4 * 4 + 1; }

// The transform size of a filter of n >= 32 taps: 2^(e+1) with 2^e the first power above n.
int FftLen(int n) {
  int e = 2;
  while ((int64_t{1} << e) <= n) ++e;
  return 1 << (e + 1);
}

// A signal with its history: the inputs that precede it (the delay line, most recent first:
// line[0] = x[-1]) and the inputs filtered so far.
class Signal {
 public:
  Signal(const Vec& taps, const Vec* line) : h_(taps) {
    const size_t n = h_.size();
    x_.assign(n, 0.0);  // x_[n - 1 - j] = x[-1 - j]
    if (line)
      for (size_t j = 0; j < n; ++j) x_[n - 1 - j] = (*line)[j];
  }
  // Appends the inputs and returns their outputs summed as the direct path sums them: from
  // 0.0, oldest sample first, each product and partial sum in long double.
  Vec Replica(const Vec& in) {
    const size_t n = h_.size(), first = x_.size();
    x_.insert(x_.end(), in.begin(), in.end());
    Vec y(in.size());
    for (size_t k = 0; k < in.size(); ++k) {
      ld s = 0.0L;
      for (size_t i = 0; i < n; ++i)
        s += static_cast<ld>(h_[n - 1 - i]) * x_[first + k - n + 1 + i];
      y[k] = static_cast<double>(s);
    }
    return y;
  }
  // After Replica(in): the bound c * eps * log2(N) * sum |h_j x_(k-j)| for output k of that block.
  Vec Bounds(size_t count, int fftLen) const {
    const size_t n = h_.size(), first = x_.size() - count;
    Vec b(count);
    for (size_t k = 0; k < count; ++k) {
      ld s = 0.0L;
      for (size_t j = 0; j < n; ++j) s += std::fabs(static_cast<ld>(h_[j]) * x_[first + k - j]);
      b[k] = static_cast<double>(8.0L * kEps * std::log2(static_cast<ld>(fftLen)) * s);
    }
    return b;
  }

 private:
  Vec h_;
  Vec x_;
};

// A filter state that frees itself; Run filters a block through guarded vectors (src and dst
// at the given misalignment) and checks that nothing outside the destination was written.
class Filter {
 public:
  Filter(const Vec& taps, const Vec* line) {
    EXPECT_EQ(ippsFIRInitAlloc_64f(&state_, taps.data(), static_cast<int>(taps.size()),
                                   line ? line->data() : nullptr),
              ippStsNoErr);
  }
  ~Filter() {
    if (state_) {
      EXPECT_EQ(ippsFIRFree_64f(state_), ippStsNoErr);
    }
  }
  Filter(const Filter&) = delete;
  Filter& operator=(const Filter&) = delete;

  IppsFIRState_64f* get() { return state_; }

  Vec Run(const Vec& in, int misalign = 0) {
    const int len = static_cast<int>(in.size());
    imagetest::GuardedVector src(len, 8, misalign), dst(len, 8, misalign);
    std::memcpy(src.data(), in.data(), in.size() * 8);
    EXPECT_EQ(ippsFIR_64f(reinterpret_cast<const Ipp64f*>(src.data()),
                          reinterpret_cast<Ipp64f*>(dst.data()), len, state_),
              ippStsNoErr);
    EXPECT_TRUE(dst.OutsideUntouched()) << "len " << len;
    Vec out(in.size());
    std::memcpy(out.data(), dst.data(), in.size() * 8);
    return out;
  }

 private:
  IppsFIRState_64f* state_ = nullptr;
};

// Compares a block's outputs: bit for bit when the direct path ran, else within the bound.
void ExpectOutputs(const Vec& got, const Vec& want, const Vec& bound, bool exact,
                   const std::string& what) {
  ASSERT_EQ(got.size(), want.size());
  int bad = 0;
  for (size_t k = 0; k < got.size() && bad < 5; ++k) {
    const bool ok = exact ? Bits(got[k]) == Bits(want[k]) : std::fabs(got[k] - want[k]) <= bound[k];
    if (!ok) {
      ++bad;
      ADD_FAILURE() << what << " k=" << k << " got " << got[k] << " want " << want[k] << " bound "
                    << bound[k];
    }
  }
}

// The tap counts under test; those from 32 on keep a tap spectrum.
std::vector<int> TapCounts() { return {1, 5, 31, 32, 33, 100, 300}; }

bool TakesTransform(int n, int len) { return n >= 32 && len > 511; }

// Block lengths that matter for n taps: single samples, the delay buffer's limit R and one
// more, the transform threshold, and for filters with a spectrum the step S, S + 1, and the
// lengths that leave a last block longer than S but shorter than N after whole blocks.
std::vector<int> Lengths(int n) {
  const int r = DirectBlock(n);
  std::vector<int> lens = {1, 3, r, r + 1, 511, 512, 777};
  if (n >= 32) {
    const int big = FftLen(n), s = big - (n - 1);
    for (int len : {s, s + 1, 2 * s, 2 * s + 1, 2 * s + (big - s) / 2, s + big - 1, s + big,
                    3 * s + (big - s) / 2})
      if (len > 511) lens.push_back(len);
  }
  return lens;
}

// Each tap count by each block length, on a given delay line, then a second call of the same
// length that continues the signal from the delay line the first call left.
TEST(SignalFir, MatchesModelForEveryRegime) {
  std::mt19937_64 rng(31);
  for (int n : TapCounts()) {
    for (int len : Lengths(n)) {
      const Vec h = Random(n, rng), line = Random(n, rng);
      Filter filter(h, &line);
      Signal model(h, &line);
      for (int call = 0; call < 2; ++call) {
        const Vec x = Random(len, rng, -4.0, 4.0);
        const Vec want = model.Replica(x);
        const Vec got = filter.Run(x, call == 0 ? 0 : 4);
        const std::string what = "n=" + std::to_string(n) + " len=" + std::to_string(len) +
                                 " call " + std::to_string(call);
        ExpectOutputs(got, want, model.Bounds(x.size(), n >= 32 ? FftLen(n) : 1),
                      !TakesTransform(n, len), what);
      }
    }
  }
}

// A signal cut into random chunks gives what one call over the whole signal gives.
TEST(SignalFir, ChunksEqualOneCall) {
  std::mt19937_64 rng(7);
  for (int n : TapCounts()) {
    const Vec h = Random(n, rng), x = Random(6000, rng, -2.0, 2.0);
    Filter whole(h, nullptr), pieces(h, nullptr);
    const Vec want = whole.Run(x);
    Vec got;
    std::uniform_int_distribution<int> chunk(1, 900);
    for (size_t at = 0; at < x.size();) {
      const size_t len = std::min(x.size() - at, static_cast<size_t>(chunk(rng)));
      const Vec part = pieces.Run(Vec(x.begin() + static_cast<ptrdiff_t>(at),
                                      x.begin() + static_cast<ptrdiff_t>(at + len)));
      got.insert(got.end(), part.begin(), part.end());
      at += len;
    }
    Signal model(h, nullptr);
    model.Replica(x);
    const Vec bound = model.Bounds(x.size(), n >= 32 ? FftLen(n) : 1);
    Vec twice(bound.size());
    for (size_t k = 0; k < bound.size(); ++k) twice[k] = 2 * bound[k];
    ExpectOutputs(got, want, twice, n < 32, "n=" + std::to_string(n));
  }
}

// The delay line: one tap scales each input; the line stands for the preceding inputs, its last
// element reaches no output (not even as a NaN), and no line means zeros.
TEST(SignalFir, DelayLine) {
  {
    const Vec h = {-1.5}, line = {kNaN};
    Filter f(h, &line);
    const Vec y = f.Run({2.0, -0.0, 3.0});
    EXPECT_EQ(y, (Vec{-3.0, 0.0, -4.5}));
    EXPECT_EQ(Bits(y[1]), Bits(0.0));  // 0.0 + (-1.5 * -0.0): the sum starts from +0
  }
  {
    // Three taps; the line holds x[-1] = 10, x[-2] = 100, and x[-3] which never counts.
    const Vec h = {1.0, 2.0, 4.0}, line = {10.0, 100.0, kNaN};
    Filter f(h, &line);
    EXPECT_EQ(f.Run({1.0, 0.0, 0.0, 0.0}), (Vec{1 + 20 + 400, 2 + 40, 4, 0}));
  }
  std::mt19937_64 rng(3);
  for (int n : TapCounts()) {
    const Vec h = Random(n, rng), x = Random(600, rng);
    Vec zeros(static_cast<size_t>(n), 0.0), lastOnly = zeros;
    lastOnly.back() = 1e300;
    Filter none(h, nullptr), zero(h, &zeros), last(h, &lastOnly);
    const Vec want = none.Run(x);
    const Vec a = zero.Run(x), b = last.Run(x);
    for (size_t k = 0; k < x.size(); ++k) {
      ASSERT_EQ(Bits(a[k]), Bits(want[k])) << "n=" << n << " k=" << k;
      ASSERT_EQ(Bits(b[k]), Bits(want[k])) << "n=" << n << " k=" << k;
    }
  }
}

// Sums run from the oldest sample to the newest in every path (four at a time, singly, through
// the delay buffer and in place): on the repeated inputs 1, B, -B with B = 2^70 and three unit
// taps the window (B, -B, 1) sums to 1 oldest first but to 0 newest first, (1, B, -B) the
// other way round.
TEST(SignalFir, SumsFromTheOldestSample) {
  const double big = std::ldexp(1.0, 70);
  const Vec h = {1.0, 1.0, 1.0};
  for (int len : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 40}) {
    Vec x(static_cast<size_t>(len));
    for (int k = 0; k < len; ++k)
      x[static_cast<size_t>(k)] = k % 3 == 0 ? 1.0 : k % 3 == 1 ? big : -big;
    const Vec line = {-big, big, 1.0};  // x[-1], x[-2], x[-3]: the pattern continues backwards
    Filter f(h, &line);
    const Vec y = f.Run(x);
    for (int k = 0; k < len; ++k)
      EXPECT_EQ(y[static_cast<size_t>(k)], k % 3 == 0 ? 1.0 : 0.0) << "len " << len << " k " << k;
  }
}

// Every status in argument order, with the state pointer untouched by a failed creation.
TEST(SignalFir, Statuses) {
  const Vec h = {1.0, 2.0, 3.0};
  Vec x(4, 1.0), y(4, 0.0);
  Filter good(h, nullptr);
  IppsFIRState_64f* st = good.get();
  IppsFIRState_64f* untouched = reinterpret_cast<IppsFIRState_64f*>(uintptr_t{0x1234});
  IppsFIRState_64f* out = untouched;

  Filter foreign(h, nullptr);
  uint32_t& foreignTag = *reinterpret_cast<uint32_t*>(foreign.get());
  foreignTag = 0x46493134;

  IppsFIRState_64f* second = nullptr;
  ASSERT_EQ(fbFirInitState(&second, h.data(), 3, nullptr, kFirStateTagSecond), ippStsNoErr);

  struct Case {
    const char* what;
    std::function<IppStatus()> call;
    IppStatus want;
  };
  const std::vector<Case> cases = {
      {"init null ppState", [&] { return ippsFIRInitAlloc_64f(nullptr, h.data(), 3, nullptr); },
       ippStsNullPtrErr},
      {"init null taps, length 0", [&] { return ippsFIRInitAlloc_64f(&out, nullptr, 0, nullptr); },
       ippStsNullPtrErr},
      {"init length 0", [&] { return ippsFIRInitAlloc_64f(&out, h.data(), 0, nullptr); },
       ippStsFIRLenErr},
      {"init length -1", [&] { return ippsFIRInitAlloc_64f(&out, h.data(), -1, nullptr); },
       ippStsFIRLenErr},
      {"fir null state", [&] { return ippsFIR_64f(x.data(), y.data(), 0, nullptr); },
       ippStsNullPtrErr},
      {"fir null src", [&] { return ippsFIR_64f(nullptr, y.data(), 0, st); }, ippStsNullPtrErr},
      {"fir null dst", [&] { return ippsFIR_64f(x.data(), nullptr, 0, st); }, ippStsNullPtrErr},
      {"fir length 0 on a foreign state",
       [&] { return ippsFIR_64f(x.data(), y.data(), 0, foreign.get()); }, ippStsSizeErr},
      {"fir length -4", [&] { return ippsFIR_64f(x.data(), y.data(), -4, st); }, ippStsSizeErr},
      {"fir foreign tag", [&] { return ippsFIR_64f(x.data(), y.data(), 4, foreign.get()); },
       ippStsContextMatchErr},
      {"fir second kind", [&] { return ippsFIR_64f(x.data(), y.data(), 4, second); },
       ippStsContextMatchErr},
      {"free null", [&] { return ippsFIRFree_64f(nullptr); }, ippStsNullPtrErr},
      {"free foreign tag", [&] { return ippsFIRFree_64f(foreign.get()); }, ippStsContextMatchErr},
  };
  for (const Case& c : cases) {
    y.assign(4, 7.0);
    EXPECT_EQ(c.call(), c.want) << c.what;
    EXPECT_EQ(y, Vec(4, 7.0)) << c.what << ": nothing is written";
    EXPECT_EQ(out, untouched) << c.what;
  }
  foreignTag = kFirStateTag64f;

  // The second kind is released like the first.
  const int64_t live = LiveAllocations();
  EXPECT_EQ(ippsFIRFree_64f(second), ippStsNoErr);
  EXPECT_EQ(LiveAllocations(), live - 1);
}

// Each failed allocation of a creation (the transform's tables, then the state block) gives -9,
// leaves nothing allocated and *ppState as it was; every request failing in turn ends with a
// creation that succeeds, and Free gives everything back, for both kinds.
TEST(SignalFir, OutOfMemoryLeavesNothing) {
  std::mt19937_64 rng(9);
  for (int n : TapCounts()) {
    for (uint32_t tag : {kFirStateTag64f, kFirStateTagSecond}) {
      const Vec h = Random(n, rng);
      IppsFIRState_64f* st = nullptr;
      const int64_t live = LiveAllocations();
      const int requests = allochook::ForEachFailure(
          [&] { return fbFirInitState(&st, h.data(), n, nullptr, tag); },
          [&](IppStatus status, int k, int64_t leaked) {
            EXPECT_EQ(status, ippStsMemAllocErr) << "n=" << n << " request " << k;
            EXPECT_EQ(leaked, 0) << "n=" << n << " request " << k;
            EXPECT_EQ(st, nullptr) << "n=" << n << " request " << k;
          });
      EXPECT_GE(requests, n >= 32 ? 2 : 1) << "n=" << n;
      ASSERT_NE(st, nullptr);
      EXPECT_EQ(ippsFIRFree_64f(st), ippStsNoErr);
      EXPECT_EQ(LiveAllocations(), live) << "n=" << n;
    }
  }
}

// A filter too long for any transform size fails as its transform does, before anything is
// allocated or its taps are read.
TEST(SignalFir, TooLongForTheTransform) {
  const Vec h(4, 1.0);
  IppsFIRState_64f* st = nullptr;
  const int64_t live = LiveAllocations();
  for (int n : {1 << 29, 0x7FFFFFFF}) {
    EXPECT_EQ(ippsFIRInitAlloc_64f(&st, h.data(), n, nullptr), ippStsFftOrderErr) << n;
    EXPECT_EQ(st, nullptr);
    EXPECT_EQ(LiveAllocations(), live);
  }
}

// Which blocks take the transform: never below 32 taps; from 32 taps blocks of 512 samples and
// more, one forward transform per block of S = N - (n - 1) outputs, the last block as short as
// the outputs that remain (one more transform, never fewer outputs).
TEST(SignalFir, TransformCount) {
  std::mt19937_64 rng(5);
  struct Case {
    int taps;
    int len;
    int64_t transforms;  // forward transforms of the call
  };
  const int s300 = 1024 - 299;  // 725
  const std::vector<Case> cases = {
      {31, 511, 0},
      {31, 512, 0},
      {31, 100000, 0},
      {32, 511, 0},
      {32, 512, 6},  // S = 97
      {33, 512, 6},
      {300, 511, 0},
      {300, 512, 1},
      {300, s300, 1},
      {300, s300 + 1, 2},
      {300, 2 * s300, 2},
      {300, 2 * s300 + 150, 3},
      {300, 1023 + s300, 3},
      {300, 1024 + s300, 3},
  };
  for (const Case& c : cases) {
    const Vec h = Random(c.taps, rng);
    const int64_t before = fbFirForwardTransforms();
    Filter f(h, nullptr);
    const int64_t created = fbFirForwardTransforms() - before;
    EXPECT_EQ(created, c.taps >= 32 ? 1 : 0) << "taps " << c.taps << ": the tap spectrum";
    f.Run(Random(c.len, rng));
    EXPECT_EQ(fbFirForwardTransforms() - before - created, c.transforms)
        << "taps " << c.taps << " len " << c.len;
  }
}

}  // namespace
