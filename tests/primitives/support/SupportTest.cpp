#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <thread>
#include <vector>

#include "primitives/support/Support.h"
#include "tests/primitives/AllocationHook.h"

namespace {

using namespace builtin;

// ---- Aligned allocation ------------------------------------------------------------------

using AlignedAllocFn = void* (*)(std::int64_t);
struct AllocCase {
  AlignedAllocFn alloc;
  std::size_t elementSize;
};
const AllocCase kAllocators[] = {{&fbAlignedAlloc8, 1},
                                 {&fbAlignedAlloc16, 2},
                                 {&fbAlignedAlloc32, 4},
                                 {&fbAlignedAlloc64, 8},
                                 {&fbAlignedAlloc128, 16}};

TEST(SupportAlignedAlloc, BlocksAre32ByteAlignedAndHoldEveryElement) {
  std::vector<std::int64_t> counts;
  for (std::int64_t n = 1; n <= 200; ++n) counts.push_back(n);
  for (std::int64_t n : {255, 256, 257, 1000, 4095, 65536, 1 << 20}) counts.push_back(n);
  for (const AllocCase& c : kAllocators) {
    for (std::int64_t n : counts) {
      auto* p = static_cast<std::uint8_t*>(c.alloc(n));
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 32, 0u) << "n=" << n;
      // The raw heap address sits in the pointer-sized slot just below the block.
      void* raw = nullptr;
      std::memcpy(&raw, p - sizeof(void*), sizeof raw);
      const std::ptrdiff_t gap = p - static_cast<std::uint8_t*>(raw);
      EXPECT_GE(gap, static_cast<std::ptrdiff_t>(sizeof(void*)));
      EXPECT_LE(gap, static_cast<std::ptrdiff_t>(sizeof(void*) + 31));
      // Every byte of the block can be written (the address sanitizer checks the bounds).
      std::memset(p, 0xA5, static_cast<std::size_t>(n) * c.elementSize);
      fbAlignedFree(p);
    }
  }
}

TEST(SupportAlignedAlloc, NullForCountsBelowOneAndForUnrepresentableSizes) {
  const std::int64_t huge = std::numeric_limits<std::int64_t>::max();
  for (const AllocCase& c : kAllocators) {
    EXPECT_EQ(c.alloc(0), nullptr);
    EXPECT_EQ(c.alloc(-5), nullptr);
    EXPECT_EQ(c.alloc(std::numeric_limits<std::int64_t>::min()), nullptr);
    EXPECT_EQ(c.alloc(huge), nullptr);
    EXPECT_EQ(c.alloc(huge / static_cast<std::int64_t>(c.elementSize)), nullptr);
  }
  fbAlignedFree(nullptr);  // harmless
}

// The allocation hook fails exactly the armed request, once, and counts the live blocks; a
// call's every failure can then be walked through.
TEST(SupportAllocationHook, FailsTheArmedRequestOnceAndCountsLiveBlocks) {
  const std::int64_t live = LiveAllocations();
  void* a = nullptr;
  void* b = nullptr;
  void* c = nullptr;
  {
    allochook::FailNth arm(2);
    a = fbAlignedAlloc8(10);
    b = LibCMalloc(10);
    c = LibCMalloc(10);
  }
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(b, nullptr);
  EXPECT_NE(c, nullptr);
  EXPECT_EQ(LiveAllocations(), live + 2);
  fbAlignedFree(a);
  LibCFree(c);
  LibCFree(nullptr);
  EXPECT_EQ(LiveAllocations(), live);

  // A call of three requests that cleans up after a failure: three failed runs, none leaking.
  auto threeBlocks = [] {
    void* p[3] = {LibCMalloc(1), LibCMalloc(1), LibCMalloc(1)};
    const bool ok = p[0] && p[1] && p[2];
    for (void* q : p) LibCFree(q);
    return ok;
  };
  int failures = 0;
  const int requests = allochook::ForEachFailure(threeBlocks, [&](bool ok, int, std::int64_t leaked) {
    ++failures;
    EXPECT_FALSE(ok);
    EXPECT_EQ(leaked, 0);
  });
  EXPECT_EQ(requests, 3);
  EXPECT_EQ(failures, 3);
  EXPECT_EQ(FailAllocationAfter(0), 0);
}

// ---- Kept blocks --------------------------------------------------------------------------

// A freed large block serves the next request of its size: the same block comes back, counted
// live again, and the allocation hook still fails that request when armed.
TEST(SupportKeptBlocks, FreedLargeBlockServesTheNextRequestAndStillCountsForTheHook) {
  constexpr std::int64_t kBytes = 200'000 + 77;
  const std::int64_t live = LiveAllocations();
  void* first = fbAlignedAlloc8(kBytes);
  ASSERT_NE(first, nullptr);
  const std::int64_t heldBefore = HeldAlignedBytes();
  fbAlignedFree(first);
  EXPECT_EQ(LiveAllocations(), live);
  EXPECT_GE(HeldAlignedBytes(), heldBefore + kBytes);
  {
    allochook::FailNth arm(1);
    EXPECT_EQ(fbAlignedAlloc8(kBytes), nullptr);
  }
  EXPECT_GE(HeldAlignedBytes(), heldBefore + kBytes);  // the refused request took nothing
  void* again = fbAlignedAlloc16(kBytes / 2);
  EXPECT_EQ(again, first);
  EXPECT_EQ(HeldAlignedBytes(), heldBefore);
  EXPECT_EQ(LiveAllocations(), live + 1);
  std::memset(again, 0x5A, 2 * static_cast<std::size_t>(kBytes / 2));
  fbAlignedFree(again);
  EXPECT_EQ(LiveAllocations(), live);
}

// What is kept stays within its bounds whatever is freed: small blocks, blocks beyond the
// bound and many large ones; a kept block serves no request under half its size.
TEST(SupportKeptBlocks, KeptMemoryStaysBounded) {
  constexpr std::int64_t kMaxHeld = 4 << 20;
  for (std::int64_t bytes : {std::int64_t{1000}, std::int64_t{(4 << 20) + 1}}) {
    void* p = fbAlignedAlloc8(bytes);
    ASSERT_NE(p, nullptr);
    const std::int64_t held = HeldAlignedBytes();
    fbAlignedFree(p);
    EXPECT_EQ(HeldAlignedBytes(), held) << bytes << " bytes should go back to the heap";
  }
  std::vector<void*> blocks;
  for (int i = 0; i < 40; ++i) blocks.push_back(fbAlignedAlloc8((1 << 20) - 4096 * i));
  for (void* p : blocks) {
    ASSERT_NE(p, nullptr);
    fbAlignedFree(p);
    EXPECT_LE(HeldAlignedBytes(), kMaxHeld);
  }
  const std::int64_t held = HeldAlignedBytes();
  EXPECT_GT(held, kMaxHeld / 2);
  void* small = fbAlignedAlloc8(100'000);  // every kept block exceeds twice its size
  EXPECT_EQ(HeldAlignedBytes(), held);
  fbAlignedFree(small);
}

// Threads taking and freeing blocks of overlapping sizes never share one: each fills its block
// with its own mark and finds it intact before freeing it.
TEST(SupportKeptBlocks, ThreadsNeverShareABlock) {
  constexpr int kThreads = 8, kRounds = 300;
  std::vector<int> faults(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&faults, t] {
      for (int r = 0; r < kRounds; ++r) {
        const std::int64_t bytes = (16 << 10) * (1 + (r + t) % 12);
        auto* p = static_cast<std::uint8_t*>(fbAlignedAlloc8(bytes));
        if (p == nullptr) {
          ++faults[t];
          continue;
        }
        std::memset(p, t + 1, static_cast<std::size_t>(bytes));
        std::this_thread::yield();
        if (std::count(p, p + bytes, static_cast<std::uint8_t>(t + 1)) != bytes) ++faults[t];
        fbAlignedFree(p);
      }
    });
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(faults[t], 0) << "thread " << t;
  EXPECT_LE(HeldAlignedBytes(), std::int64_t{4} << 20);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)  // their allocators stop there
// When the heap itself refuses a request, every kept block goes back to it first.
TEST(SupportKeptBlocks, HeapRefusalReleasesKeptBlocks) {
  void* p = fbAlignedAlloc8(1 << 20);
  ASSERT_NE(p, nullptr);
  fbAlignedFree(p);
  EXPECT_GT(HeldAlignedBytes(), 0);
  EXPECT_EQ(fbAlignedAlloc8(std::int64_t{1} << 52), nullptr);
  EXPECT_EQ(HeldAlignedBytes(), 0);
}
#endif

// ---- Maths --------------------------------------------------------------------------------

TEST(SupportMaths, ValuesAndArgumentOrders) {
  constexpr double pi = std::numbers::pi;
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* what;
    double actual, expected;
  };
  const Case cases[] = {
      {"pow(0, 0)", LibCPow(0, 0), 1},
      {"pow(2, -2)", LibCPow(2, -2), 0.25},
      {"pow(0, 0.5)", LibCPow(0, 0.5), 0},
      {"pow(-2, 3)", LibCPow(-2, 3), -8},
      {"pow(2, 10)", LibCPow(2, 10), 1024},
      {"pow(4, 0.5)", LibCPow(4, 0.5), 2},
      {"pow(10, -3)", LibCPow(10, -3), 0.001},
      {"floor(-0.5)", LibCFloor(-0.5), -1},
      {"floor(3.0)", LibCFloor(3.0), 3},
      {"floor(-3.0)", LibCFloor(-3.0), -3},
      {"floor(2.75)", LibCFloor(2.75), 2},
      // Through a 32-bit integer: a floor outside its range gives INT32_MIN, as the shared
      // float-to-int conversion does (no wrap, no overflow when stepping below INT32_MIN).
      {"floor(-2^31 + 0.5)", LibCFloor(-2147483647.5), -2147483648.0},
      {"floor(-2^31)", LibCFloor(-2147483648.0), -2147483648.0},
      {"floor(-2^31 - 0.5)", LibCFloor(-2147483648.5), -2147483648.0},
      {"floor(2^31 - 0.5)", LibCFloor(2147483647.5), 2147483647.0},
      {"floor(2^31)", LibCFloor(2147483648.0), -2147483648.0},
      {"floor(2^32 + 5.5)", LibCFloor(4294967301.5), -2147483648.0},
      {"floor(-1e300)", LibCFloor(-1e300), -2147483648.0},
      {"log(e)", LibCLog(std::numbers::e), 1},
      {"atan2(1, 0)", LibCAtan2(1, 0), pi / 2},
      {"atan2(-0, -1)", LibCAtan2(-0.0, -1), -pi},
      {"atan2(0, -1)", LibCAtan2(0, -1), pi},
      {"sindeg(90)", LibCSinDeg(90), 1},
      {"cosdeg(180)", LibCCosDeg(180), -1},
      {"sin(pi/2)", LibCSin(pi / 2), 1},
      {"cos(0)", LibCCos(0), 1},
      {"sqrt(2)", LibCSqrt(2), std::sqrt(2.0)},
      {"exp(0)", LibCExp(0), 1},
      {"exp(1)", LibCExp(1), std::numbers::e},
      {"exp(-1)", LibCExp(-1), 1 / std::numbers::e},
      {"exp(1000)", LibCExp(1000), inf},
      {"exp(-inf)", LibCExp(-inf), 0},
      {"exp(inf)", LibCExp(inf), inf},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(c.actual, c.expected) << c.what;
  EXPECT_TRUE(std::isnan(LibCExp(std::nan(""))));
  EXPECT_EQ(LibCFloor(std::nan("")), -2147483648.0);
  EXPECT_TRUE(std::signbit(LibCSqrt(-0.0)));
  EXPECT_EQ(LibCExp(-800), 0.0);
}

TEST(SupportMaths, TruncationWithX87Semantics) {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  EXPECT_EQ(fbTruncToInt32(2.9L), 2);
  EXPECT_EQ(fbTruncToInt32(-2.9L), -2);
  EXPECT_EQ(fbTruncToInt32(2147483647.9L), 2147483647);
  EXPECT_EQ(fbTruncToInt32(-2147483648.9L), INT32_MIN);
  EXPECT_EQ(fbTruncToInt32(2147483648.0L), INT32_MIN);
  EXPECT_EQ(fbTruncToInt32(-2147483649.0L), INT32_MIN);
  EXPECT_EQ(fbTruncToInt32(nan), INT32_MIN);
  EXPECT_EQ(fbTruncToInt32(std::numeric_limits<long double>::infinity()), INT32_MIN);
  EXPECT_EQ(fbTruncToInt64(1e30L), INT64_MIN);
  EXPECT_EQ(fbTruncToInt64(-5e9L), -5000000000LL);
}

// ---- Fills and copies --------------------------------------------------------------------

TEST(SupportFills, NullPointerBeatsZeroCountAndNothingIsWritten) {
  std::uint8_t src[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::uint8_t dst[8];
  std::memset(dst, 0xEE, sizeof dst);
  struct Case {
    const char* what;
    IppStatus status, expected;
  };
  const Case cases[] = {
      {"copy null src, 0", fbCopy8u(nullptr, dst, 0), ippStsNullPtrErr},
      {"copy null dst, -1", fbCopy8u(src, nullptr, -1), ippStsNullPtrErr},
      {"copy count 0", fbCopy8u(src, dst, 0), ippStsSizeErr},
      {"copy count -3", fbCopy8u(src, dst, -3), ippStsSizeErr},
      {"set null, 0", fbSet8u(9, nullptr, 0), ippStsNullPtrErr},
      {"set count 0", fbSet8u(9, dst, 0), ippStsSizeErr},
      {"zero null, 0", fbZero8u(nullptr, 0), ippStsNullPtrErr},
      {"zero count -1", fbZero8u(dst, -1), ippStsSizeErr},
      {"rows null src", fbCopy8uC1(nullptr, 8, dst, 8, 0, 0), ippStsNullPtrErr},
      {"rows width 0", fbCopy8uC3(src, 8, dst, 8, 0, 1), ippStsSizeErr},
      {"rows height 0", fbCopy8uC4(src, 8, dst, 8, 1, 0), ippStsSizeErr},
  };
  for (const Case& c : cases) EXPECT_EQ(c.status, c.expected) << c.what;
  for (std::uint8_t b : dst) EXPECT_EQ(b, 0xEE);

  EXPECT_EQ(fbCopy8u(src, dst, 3), ippStsNoErr);
  EXPECT_EQ(fbSet8u(9, dst + 3, 2), ippStsNoErr);
  EXPECT_EQ(fbZero8u(dst + 5, 1), ippStsNoErr);
  const std::uint8_t expected[8] = {1, 2, 3, 9, 9, 0, 0xEE, 0xEE};
  EXPECT_EQ(std::memcmp(dst, expected, 8), 0);
}

TEST(SupportFills, RowCopiesMoveWidthTimesChannelsBytesPerRow) {
  std::vector<std::uint8_t> src(5 * 20), dst(7 * 20, 0);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i);
  using RowCopy = IppStatus (*)(const void*, int, void*, int, int, int);
  const std::pair<RowCopy, int> copies[] = {{&fbCopy8uC1, 1}, {&fbCopy8uC3, 3}, {&fbCopy8uC4, 4}};
  for (auto [copy, channels] : copies) {
    std::fill(dst.begin(), dst.end(), 0xEE);
    ASSERT_EQ(copy(src.data(), 20, dst.data(), 28, 4, 3), ippStsNoErr);
    for (int y = 0; y < 5 && y * 28 < 7 * 20; ++y)
      for (int x = 0; x < 28; ++x) {
        const std::uint8_t got = dst[y * 28 + x];
        if (y < 3 && x < 4 * channels) EXPECT_EQ(got, src[y * 20 + x]);
        else EXPECT_EQ(got, 0xEE);
      }
  }
}

// The one row copy under every image copy: steps are not checked, so a zero step repeats a row
// and a negative one walks upwards; contiguous rows are copied as one block, with the same
// result.
TEST(SupportFills, RowCopyFollowsItsStepsWhateverTheirSign) {
  constexpr int kW = 6, kH = 4;
  std::uint8_t src[kH][kW];
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) src[y][x] = static_cast<std::uint8_t>(10 * y + x);
  struct Case {
    const char* what;
    const std::uint8_t* from;
    int srcStep, dstStep;
    int sourceRow[kH];  // the source row each destination row holds
  } cases[] = {
      {"contiguous", &src[0][0], kW, kW, {0, 1, 2, 3}},
      {"padded destination", &src[0][0], kW, kW + 3, {0, 1, 2, 3}},
      {"zero step", &src[2][0], 0, kW, {2, 2, 2, 2}},
      {"upwards", &src[kH - 1][0], -kW, kW, {3, 2, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::uint8_t dst[kH * (kW + 3) + 1];
    std::memset(dst, 0xEE, sizeof dst);
    fbCopyRows(c.from, c.srcStep, dst, c.dstStep, kW, kH);
    for (int y = 0; y < kH; ++y) {
      EXPECT_EQ(std::memcmp(dst + y * c.dstStep, src[c.sourceRow[y]], kW), 0) << "row " << y;
      for (int x = kW; x < c.dstStep; ++x) EXPECT_EQ(dst[y * c.dstStep + x], 0xEE);
    }
    EXPECT_EQ(dst[(kH - 1) * c.dstStep + kW], 0xEE);
  }
}

// The colour copy of four-byte pixels (the row copy of the AC4 division): the first three
// bytes of each pixel come from the source, the fourth keeps the destination's, and nothing
// past the count is written, from any byte address.
TEST(SupportFills, ColourCopyOfFourBytePixelsKeepsTheAlphaBytes) {
  std::uint8_t src[4 * 9 + 3];
  for (size_t i = 0; i < sizeof src; ++i) src[i] = static_cast<std::uint8_t>(i + 1);
  for (int offset : {0, 1, 3}) {
    for (std::int64_t count : {0, 1, 7}) {
      SCOPED_TRACE(testing::Message() << "offset " << offset << " count " << count);
      std::uint8_t dst[4 * 9 + 3];
      std::memset(dst, 0xEE, sizeof dst);
      fbCopyColourBytes4(src + offset, dst + offset, count);
      for (int i = 0; i < static_cast<int>(sizeof dst); ++i) {
        const int p = i - offset;
        const bool colour = p >= 0 && p < 4 * count && p % 4 != 3;
        EXPECT_EQ(dst[i], colour ? src[i] : 0xEE) << "byte " << i;
      }
    }
  }
}

TEST(SupportFills, EveryOffsetAndLengthMatchesTheStandardLibrary) {
  std::uint8_t source[96];
  for (int i = 0; i < 96; ++i) source[i] = static_cast<std::uint8_t>(i * 7 + 3);
  for (int offset = 0; offset < 4; ++offset) {
    for (int len = 0; len <= 70; ++len) {
      SCOPED_TRACE(testing::Message() << "offset " << offset << " length " << len);
      alignas(16) std::uint8_t got[96], want[96];
      auto check = [&](void* result) {
        EXPECT_EQ(result, got + offset);
        EXPECT_EQ(std::memcmp(got, want, sizeof got), 0);
      };
      auto reset = [&] {
        std::memset(got, 0xCC, sizeof got);
        std::memset(want, 0xCC, sizeof want);
      };
      const auto n = static_cast<std::size_t>(len);
      reset();
      std::memset(want + offset, 0x5A, n);
      check(fbMemset(got + offset, 0x5A, static_cast<std::uint32_t>(len)));
      reset();
      std::memset(want + offset, 0x3C, n);
      check(fbFill8u(0x3C, got + offset, len));
      reset();
      std::memcpy(want + offset, source + 1, n);
      check(fbCopyBlock(source + 1, got + offset, len));
      reset();
      std::memset(want + offset, 0, n);
      check(fbZeroBlock(got + offset, len));
      if (len <= 20) {
        std::int32_t words[24], expected[24];
        std::fill(std::begin(words), std::end(words), -1);
        std::fill(std::begin(expected), std::end(expected), -1);
        std::fill(expected + offset, expected + offset + len, 0x12345678);
        EXPECT_EQ(fbFill32s(0x12345678, words + offset, len), words + offset);
        EXPECT_TRUE(std::equal(std::begin(words), std::end(words), std::begin(expected)));
      }
    }
  }
}

TEST(SupportFills, NonPositiveCountsWriteNothing) {
  std::uint8_t buffer[8];
  std::memset(buffer, 0xCC, sizeof buffer);
  fbFill8u(1, buffer, -4);
  fbFill32s(1, buffer, -1);
  fbCopyBlock(buffer + 4, buffer, -1);
  fbZeroBlock(buffer, 0);
  fbMemset(buffer, 1, 0);
  for (std::uint8_t b : buffer) EXPECT_EQ(b, 0xCC);
}

// ---- Processor ----------------------------------------------------------------------------

TEST(SupportCpu, CacheSizeIsMemoisedAndConsistent) {
  EXPECT_EQ(fbGetCacheSize(nullptr), ippStsNullPtrErr);
  int first = -1, second = -2;
  const IppStatus s1 = fbGetCacheSize(&first);
  const IppStatus s2 = fbGetCacheSize(&second);
  EXPECT_EQ(s1, s2);
  EXPECT_EQ(first, second);
  if (!fbHasCpuid() || fbCpuidMaxLeaf() < 2 || !fbIsGenuineIntel()) {
    EXPECT_EQ(s1, ippStsCpuNotSupportedErr);
    EXPECT_EQ(first, 0);
  } else if (s1 == ippStsNoErr) {
    EXPECT_GE(first, 131072);
  } else {
    EXPECT_EQ(s1, ippStsUnknownCacheSize);
    EXPECT_EQ(first, 0);
  }
}

TEST(SupportCpu, ThreadsDeterminingTheCacheSizeTogetherAgree) {
  constexpr int kThreads = 4;
  int sizes[kThreads] = {};
  IppStatus statuses[kThreads] = {};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&, i] { statuses[i] = fbGetCacheSize(&sizes[i]); });
  for (std::thread& t : threads) t.join();
  for (int i = 1; i < kThreads; ++i) {
    EXPECT_EQ(statuses[i], statuses[0]);
    EXPECT_EQ(sizes[i], sizes[0]);
  }
}

TEST(SupportCpu, DescriptorsAreMatchedInTableOrder) {
  struct Case {
    std::uint32_t regs[4];
    std::int32_t expected;
  };
  const Case cases[] = {
      {{0x00000001, 0, 0, 0}, -1},                      // no descriptor at all
      {{0x00000002, 0x00000049, 0, 0}, -1},             // two rounds are not supported
      {{0x00000001, 0x0000007D, 0x00490000, 0}, 4194304},  // 0x49 precedes 0x7D in the table
      {{0x41000001, 0, 0, 0}, 131072},                  // descriptor in the first register
      {{0x00000001, 0x80000047, 0, 0x00000022}, 524288},  // bit 31 set: register ignored
      {{0x00000001, 0x2C2B0A0B, 0, 0}, -1},             // only descriptors not in the table
      {{0x00000001, 0, 0, 0x47000000}, 8388608},
  };
  for (const Case& c : cases)
    EXPECT_EQ(fbCacheSizeFromLeaf2(c.regs, fbCacheDescriptorTable), c.expected);
  EXPECT_EQ(fbCacheDescriptorTable[28].Descriptor, 0);
  for (int i = 1; i < 28; ++i)
    EXPECT_LE(fbCacheDescriptorTable[i].Size, fbCacheDescriptorTable[i - 1].Size);
}

}  // namespace
