#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include <sys/mman.h>

#include <fstream>
#include <random>
#include <string>

#include "primitives/signal/FillCopy.h"
#include "primitives/signal/FillCopyKernels.h"
#include "tests/primitives/HwyTargets.h"

namespace {

using namespace builtin;

std::uint32_t Bits(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

// ---- Argument checks shared by every member -------------------------------------------------

TEST(SignalFillCopy, NullPointerBeforeLengthAndNothingWrittenOnError) {
  alignas(16) std::uint8_t buffer[64];
  std::memset(buffer, 0xCC, sizeof buffer);
  void* p = buffer;
  auto u8 = static_cast<Ipp8u*>(p);
  auto s16 = static_cast<Ipp16s*>(p);
  auto u16 = static_cast<Ipp16u*>(p);
  auto s32 = static_cast<Ipp32s*>(p);
  auto u32 = static_cast<Ipp32u*>(p);
  auto f32 = static_cast<Ipp32f*>(p);
  auto f64 = static_cast<Ipp64f*>(p);
  auto c64 = static_cast<Ipp64fc*>(p);
  auto c32 = static_cast<Ipp32fc*>(p);
  // Each member called as (pointers valid or null, length).
  const std::vector<std::pair<const char*, std::function<IppStatus(bool, int)>>> members = {
      {"Set_32s", [&](bool ok, int n) { return ippsSet_32s(1, ok ? s32 : nullptr, n); }},
      {"Set_32f", [&](bool ok, int n) { return ippsSet_32f(1, ok ? f32 : nullptr, n); }},
      {"Set_64f", [&](bool ok, int n) { return ippsSet_64f(1, ok ? f64 : nullptr, n); }},
      {"Set_64fc", [&](bool ok, int n) { return ippsSet_64fc({1, 2}, ok ? c64 : nullptr, n); }},
      {"Zero_8u", [&](bool ok, int n) { return ippsZero_8u(ok ? u8 : nullptr, n); }},
      {"Zero_16s", [&](bool ok, int n) { return ippsZero_16s(ok ? s16 : nullptr, n); }},
      {"Zero_32s", [&](bool ok, int n) { return ippsZero_32s(ok ? s32 : nullptr, n); }},
      {"Zero_32f", [&](bool ok, int n) { return ippsZero_32f(ok ? f32 : nullptr, n); }},
      {"Zero_64f", [&](bool ok, int n) { return ippsZero_64f(ok ? f64 : nullptr, n); }},
      {"Zero_64fc", [&](bool ok, int n) { return ippsZero_64fc(ok ? c64 : nullptr, n); }},
      {"Copy_8u", [&](bool ok, int n) { return ippsCopy_8u(ok ? u8 : nullptr, u8, n); }},
      {"Copy_32f", [&](bool ok, int n) { return ippsCopy_32f(f32, ok ? f32 : nullptr, n); }},
      {"Copy_64f", [&](bool ok, int n) { return ippsCopy_64f(ok ? f64 : nullptr, f64, n); }},
      {"Move_64f", [&](bool ok, int n) { return ippsMove_64f(f64, ok ? f64 : nullptr, n); }},
      {"Convert_32s64f", [&](bool ok, int n) { return ippsConvert_32s64f(ok ? s32 : nullptr, f64, n); }},
      {"Convert_32f64f", [&](bool ok, int n) { return ippsConvert_32f64f(f32, ok ? f64 : nullptr, n); }},
      {"Convert_32s32f", [&](bool ok, int n) { return ippsConvert_32s32f(ok ? s32 : nullptr, f32, n); }},
      {"Convert_64f32f", [&](bool ok, int n) { return ippsConvert_64f32f(f64, ok ? f32 : nullptr, n); }},
      {"Convert_16s64f_Sfs",
       [&](bool ok, int n) { return ippsConvert_16s64f_Sfs(ok ? s16 : nullptr, f64, n, 3); }},
      {"Convert_64f32s_Sfs",
       [&](bool ok, int n) { return ippsConvert_64f32s_Sfs(f64, ok ? s32 : nullptr, n, ippRndNear, 0); }},
      {"Convert_32f32s_Sfs",
       [&](bool ok, int n) { return ippsConvert_32f32s_Sfs(ok ? f32 : nullptr, s32, n, ippRndZero, 2); }},
      {"RealToCplx_64f",
       [&](bool ok, int n) { return ippsRealToCplx_64f(f64, f64, ok ? c64 : nullptr, n); }},
      {"RealToCplx_32f",
       [&](bool ok, int n) { return ippsRealToCplx_32f(f32, nullptr, ok ? c32 : nullptr, n); }},
      {"Real_64fc", [&](bool ok, int n) { return ippsReal_64fc(ok ? c64 : nullptr, f64, n); }},
      {"Imag_64fc", [&](bool ok, int n) { return ippsImag_64fc(c64, ok ? f64 : nullptr, n); }},
      {"SwapBytes_16u", [&](bool ok, int n) { return ippsSwapBytes_16u(ok ? u16 : nullptr, u16, n); }},
      {"SwapBytes_24u", [&](bool ok, int n) { return ippsSwapBytes_24u(u8, ok ? u8 : nullptr, n); }},
      {"SwapBytes_32u", [&](bool ok, int n) { return ippsSwapBytes_32u(ok ? u32 : nullptr, u32, n); }},
      {"SwapBytes_32u_I", [&](bool ok, int n) { return ippsSwapBytes_32u_I(ok ? u32 : nullptr, n); }},
  };
  for (const auto& [name, call] : members) {
    SCOPED_TRACE(name);
    EXPECT_EQ(call(false, 0), ippStsNullPtrErr);
    EXPECT_EQ(call(false, 3), ippStsNullPtrErr);
    EXPECT_EQ(call(true, 0), ippStsSizeErr);
    EXPECT_EQ(call(true, -1), ippStsSizeErr);
    for (std::uint8_t b : buffer) ASSERT_EQ(b, 0xCC);
  }
}

// ---- Fills and copies ---------------------------------------------------------------------

TEST(SignalFillCopy, FillsStoreBitPatternsAndZeroFillsStorePositiveZero) {
  float f[5];
  ASSERT_EQ(ippsSet_32f(-0.0f, f, 5), ippStsNoErr);
  for (float v : f) EXPECT_EQ(Bits(v), 0x80000000u);
  double d[4] = {-1, -1, -1, -1};
  ASSERT_EQ(ippsZero_64f(d, 3), ippStsNoErr);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(d[i] == 0.0 && !std::signbit(d[i]));
  EXPECT_EQ(d[3], -1);
  Ipp64fc c[3] = {};
  ASSERT_EQ(ippsSet_64fc({1.5, -2.5}, c, 2), ippStsNoErr);
  EXPECT_TRUE(c[1].re == 1.5 && c[1].im == -2.5 && c[2].re == 0 && c[2].im == 0);
}

// The fills through the vector blocks on every instruction set: every element holds the
// value's bits, over every length up to a few vectors and at every byte alignment, and no byte
// outside the vector is written.
TEST(SignalFillCopy, FillsStoreEveryElementAndNothingElseOnEveryTarget) {
  imagetest::ForEachVectorTarget([] {
    const Ipp64fc complexValue{-0.0, std::bit_cast<double>(std::uint64_t{0x7FF4000000000123})};
    for (int len = 1; len <= 150; len += (len < 40 ? 1 : 11)) {
      for (int offset = 0; offset < 4; ++offset) {
        SCOPED_TRACE(::testing::Message() << "len " << len << " offset " << offset);
        std::vector<std::uint8_t> raw(16 * len + 40, 0xCC);
        std::uint8_t* d = raw.data() + 16 + offset;
        auto check = [&](const void* value, int width) {
          for (int k = 0; k < 16 + offset; ++k) ASSERT_EQ(raw[k], 0xCC);
          for (int i = 0; i < len; ++i) ASSERT_EQ(0, std::memcmp(d + width * i, value, width)) << i;
          for (std::size_t k = 16 + offset + width * len; k < raw.size(); ++k) ASSERT_EQ(raw[k], 0xCC);
          std::fill(raw.begin(), raw.end(), 0xCC);
        };
        const Ipp32s s32 = -123456789;
        ASSERT_EQ(ippsSet_32s(s32, reinterpret_cast<Ipp32s*>(d), len), ippStsNoErr);
        check(&s32, 4);
        const Ipp32f f32 = -0.0f;
        ASSERT_EQ(ippsSet_32f(f32, reinterpret_cast<Ipp32f*>(d), len), ippStsNoErr);
        check(&f32, 4);
        const Ipp64f f64 = std::bit_cast<double>(std::uint64_t{0xFFF8000000000001});
        ASSERT_EQ(ippsSet_64f(f64, reinterpret_cast<Ipp64f*>(d), len), ippStsNoErr);
        check(&f64, 8);
        ASSERT_EQ(ippsSet_64fc(complexValue, reinterpret_cast<Ipp64fc*>(d), len), ippStsNoErr);
        check(&complexValue, 16);
      }
    }
  });
}

TEST(SignalFillCopy, MoveHandlesOverlapBothWays) {
  {
    double v[6] = {1, 2, 3, 4, 5, 0};
    ASSERT_EQ(ippsMove_64f(v, v + 1, 5), ippStsNoErr);
    const double expected[6] = {1, 1, 2, 3, 4, 5};
    EXPECT_EQ(std::memcmp(v, expected, sizeof v), 0);
  }
  {
    double v[6] = {1, 2, 3, 4, 5, 0};
    ASSERT_EQ(ippsMove_64f(v + 1, v, 4), ippStsNoErr);
    const double expected[6] = {2, 3, 4, 5, 5, 0};
    EXPECT_EQ(std::memcmp(v, expected, sizeof v), 0);
  }
  {
    // Destination four bytes below the source: every value still arrives intact.
    alignas(8) unsigned char raw[8 * 8];
    const double values[5] = {1.25, -2.5, 1e300, -0.0, 7};
    std::memcpy(raw + 8, values, sizeof values);
    ASSERT_EQ(ippsMove_64f(reinterpret_cast<const Ipp64f*>(raw + 8),
                           reinterpret_cast<Ipp64f*>(raw + 4), 5),
              ippStsNoErr);
    EXPECT_EQ(std::memcmp(raw + 4, values, sizeof values), 0);
  }
  {
    double v[3] = {1, 2, 3};
    ASSERT_EQ(ippsMove_64f(v, v, 3), ippStsNoErr);
    EXPECT_TRUE(v[0] == 1 && v[1] == 2 && v[2] == 3);
  }
}

TEST(SignalFillCopy, ByteLevelRoutinesCopyAndZeroFrontToBack) {
  std::uint8_t src[40], dst[40];
  for (int i = 0; i < 40; ++i) src[i] = static_cast<std::uint8_t>(i + 1);
  std::memset(dst, 0xCC, sizeof dst);
  EXPECT_EQ(fbMemCopy(src, dst + 3, 33), dst + 3);
  EXPECT_EQ(std::memcmp(dst + 3, src, 33), 0);
  EXPECT_EQ(dst[2], 0xCC);
  EXPECT_EQ(dst[36], 0xCC);
  EXPECT_EQ(fbMemZero(dst + 1, 37), dst + 1);
  for (int i = 1; i < 38; ++i) EXPECT_EQ(dst[i], 0);
  EXPECT_EQ(dst[0], 0xCC);
  fbMemCopy(src, dst, 0);
  fbMemZero(dst, -4);
  EXPECT_EQ(dst[0], 0xCC);
}

// ---- Conversions --------------------------------------------------------------------------

TEST(SignalConvert, Float64ToInt32WithRoundingModesAndSaturation) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    IppRoundMode mode;
    int sf;
    double x;
    Ipp32s expected;
  };
  const auto near = ippRndNear, zero = ippRndZero;
  const auto seven = static_cast<IppRoundMode>(7);
  const Case cases[] = {
      {near, 0, 2.5, 2},
      {near, 0, 3.5, 4},
      {near, 0, -2.5, -2},
      {near, 0, -0.5, 0},
      {near, 0, 2147483646.7, 2147483647},
      {near, 0, 3e9, 2147483647},
      {near, 0, -3e9, INT32_MIN},
      {near, 0, nan, INT32_MIN},
      {near, 0, -2147483647.5, INT32_MIN},
      {near, 0, -1.5, -2},
      {near, 0, 0.49999999999999994, 0},
      {zero, 0, 2.7, 2},
      {zero, 0, -2.7, -2},
      {seven, 0, 2.7, 2},
      {seven, 0, -2.7, -2},
      {zero, 0, nan, INT32_MIN},
      {near, 1, 5.0, 2},
      {near, -1, 1.25, 2},
      {near, -1, 1.75, 4},
      {zero, 3, -17.0, -2},
      {near, 40, 1e15, 909},                       // 1e15 / 2^40 = 909.49...
      {near, -31, 1.0, 2147483647},                // 2^31 saturates
      {near, 1 << 30, 5.0, 0},                     // a huge factor: 2^(-sf) is 0
      {near, 2147483647, -5.0, 0},
      {near, -(1 << 30), 5.0, 2147483647},         // 2^(-sf) is infinite
      {near, std::numeric_limits<int>::min(), -5.0, INT32_MIN},
  };
  const auto start = std::chrono::steady_clock::now();
  for (const Case& c : cases) {
    Ipp32s out = 12345;
    ASSERT_EQ(ippsConvert_64f32s_Sfs(&c.x, &out, 1, c.mode, c.sf), ippStsNoErr);
    EXPECT_EQ(out, c.expected) << "x=" << c.x << " sf=" << c.sf << " mode=" << c.mode;
  }
  // The power of two is formed directly, so no scale factor makes a call slow.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// The rounding rule written out step by step in extended precision: y + 0.5 (or y - 0.5)
// truncated, one step back to the even neighbour on an exact tie.
Ipp32s ReferenceToInt32(long double y, IppRoundMode mode) {
  if (y >= 2147483647.0L) return 2147483647;
  if (!(y > -2147483648.0L)) return INT32_MIN;
  if (mode != ippRndNear) return static_cast<Ipp32s>(std::trunc(y));
  const long double shifted = y >= 0 ? y + 0.5L : y - 0.5L;
  auto k = static_cast<long long>(shifted);
  if ((k & 1) != 0 && shifted == static_cast<long double>(k)) k += y >= 0 ? -1 : 1;
  return static_cast<Ipp32s>(k);
}

TEST(SignalConvert, UnscaledAndScaledElementsFollowOneRoundingRule) {
  std::vector<double> values;
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  auto next = [&] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  for (int i = 0; i < 4000; ++i) {
    const double magnitude = std::ldexp(1.0, static_cast<int>(next() % 40) - 8);
    const double v = (static_cast<double>(next() % 2000001) / 1000000.0 - 1.0) * magnitude;
    values.push_back(v);
    values.push_back(std::round(v) + 0.5);  // exact ties
    values.push_back(std::nextafter(std::round(v) + 0.5, 0.0));
  }
  const int n = static_cast<int>(values.size());
  std::vector<Ipp32s> out(values.size());
  for (IppRoundMode mode : {ippRndNear, ippRndZero}) {
    for (int sf : {0, 1, -3, 1000, -1000, 1001, -1001, 1100}) {
      ASSERT_EQ(ippsConvert_64f32s_Sfs(values.data(), out.data(), n, mode, sf), ippStsNoErr);
      for (int i = 0; i < n; ++i)
        ASSERT_EQ(out[i], ReferenceToInt32(std::ldexp(static_cast<long double>(values[i]), -sf), mode))
            << values[i] << " sf=" << sf << " mode=" << mode;
    }
  }
}

TEST(SignalConvert, Float32ToInt32MatchesTheFloat64Rule) {
  const float in[] = {2.5f, 3.5f, -2.5f, -0.5f, 3e9f, -3e9f, 2147483648.0f, -2147483648.0f,
                      std::numeric_limits<float>::quiet_NaN(), 6.0f};
  const Ipp32s nearExpected[] = {2, 4, -2, 0, 2147483647, INT32_MIN, 2147483647, INT32_MIN,
                                 INT32_MIN, 6};
  Ipp32s out[10];
  ASSERT_EQ(ippsConvert_32f32s_Sfs(in, out, 10, ippRndNear, 0), ippStsNoErr);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(out[i], nearExpected[i]) << i;
  ASSERT_EQ(ippsConvert_32f32s_Sfs(in, out, 10, ippRndZero, 2), ippStsNoErr);
  EXPECT_EQ(out[0], 0);   // 0.625
  EXPECT_EQ(out[9], 1);   // 1.5 truncated
}

TEST(SignalConvert, Float64ToFloat32ClampsToTheFiniteRange) {
  const double inf = std::numeric_limits<double>::infinity();
  const double in[] = {1e39, -1e39, inf, -inf, std::nan(""), 1e-50, -1e-50, 1.0, 0.1,
                       3.4028234663852886e38};
  Ipp32f out[10];
  ASSERT_EQ(ippsConvert_64f32f(in, out, 10), ippStsNoErr);
  EXPECT_EQ(Bits(out[0]), 0x7F7FFFFFu);
  EXPECT_EQ(Bits(out[1]), 0xFF7FFFFFu);
  EXPECT_EQ(Bits(out[2]), 0x7F7FFFFFu);
  EXPECT_EQ(Bits(out[3]), 0xFF7FFFFFu);
  EXPECT_EQ(Bits(out[4]), 0xFF7FFFFFu);
  EXPECT_EQ(out[5], 0.0f);
  EXPECT_EQ(out[6], 0.0f);
  EXPECT_EQ(out[7], 1.0f);
  EXPECT_EQ(out[8], 0.1f);
  EXPECT_EQ(Bits(out[9]), 0x7F7FFFFFu);
}

// Float64 values where the conversions to int32 and float32 can go wrong: both int32 limits and
// their neighbours, ties of every kind (also at the scaled position x * w), the float32 limit
// and its rounding region, NaNs of both signs and several payloads, infinities, zeros,
// subnormals of both widths, and random bit patterns.
std::vector<double> HardFloat64Values(double w, std::mt19937_64& rng) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> v = {0.0, -0.0, inf, -inf, std::numeric_limits<double>::quiet_NaN(),
                           -std::numeric_limits<double>::quiet_NaN(),
                           std::bit_cast<double>(std::uint64_t{0x7FF0000000000001}),
                           std::bit_cast<double>(std::uint64_t{0xFFF4000000000123}),
                           std::numeric_limits<double>::denorm_min(),
                           -std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::min() * 0.75,
                           std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                           3.4028234663852886e38, std::nextafter(3.4028234663852886e38, inf),
                           3.4028235677973366e38, 3.4028235677973362e38, -3.4028235677973366e38,
                           1e-45, 7e-46, 1.401298464324817e-45 / 2, 1e-40, 1.0 + 0x1p-24,
                           1.0 + 0x1p-24 + 0x1p-52, 0.1};
  const double edges[] = {2147483647.0, 2147483646.5, 2147483647.5, 2147483648.0,
                          -2147483648.0, -2147483648.5, -2147483647.5, -2147483649.0,
                          0.5, 1.5, 2.5, -0.5, -1.5, -2.5, 0.49999999999999994, 4503599627370495.5};
  for (double e : edges)
    for (double x : {e, std::nextafter(e, inf), std::nextafter(e, -inf)}) {
      v.push_back(x);
      v.push_back(x / w);  // the same value after scaling
    }
  std::uniform_int_distribution<int> small(-3000000, 3000000);
  for (int i = 0; i < 300; ++i) {
    v.push_back((small(rng) + 0.5) / w);        // scaled ties
    v.push_back(small(rng) * 0.37);             // a ramp's values
    v.push_back(std::bit_cast<double>(rng()));  // any bits
    v.push_back(std::ldexp(static_cast<double>(rng() >> 11), -52 - static_cast<int>(rng() % 40)));
  }
  std::shuffle(v.begin(), v.end(), rng);
  return v;
}

// The vector blocks give the plain loop's bytes on every instruction set, for every scale of
// the float64 path and both rounding modes, at odd addresses, over every tail length.
TEST(SignalConvert, Float64NarrowingBlocksEqualThePlainLoopOnEveryTarget) {
  imagetest::ForEachVectorTarget([] {
    const fillcopy::ToInt32BlocksFn toInt32 = fillcopy::VectorToInt32Blocks();
    const fillcopy::ConvertBlocksFn toFloat32 = fillcopy::VectorConvertBlocks();
    ASSERT_NE(toInt32, nullptr);
    ASSERT_NE(toFloat32, nullptr);
    std::mt19937_64 rng(4711);
    for (int sf : {0, 3, -3, 1, -1, 31, -31, 52, 1000, -1000}) {
      const double w = std::ldexp(1.0, -sf);
      const std::vector<double> values = HardFloat64Values(w, rng);
      const int n = static_cast<int>(values.size());
      std::vector<std::uint8_t> src(8 * n + 8), dst(4 * n + 8), plain(4 * n);
      for (int offset : {0, 3}) {
        std::memcpy(src.data() + offset, values.data(), 8 * n);
        for (int len : {n, n - 1, 1, 2, 3, 5, 7, 8, 9, 15, 17}) {
          for (bool nearest : {true, false}) {
            fillcopy::ScaleToInt32(src.data() + offset, plain.data(), len, w, nearest, nullptr);
            fillcopy::ScaleToInt32(src.data() + offset, dst.data() + 1, len, w, nearest, toInt32);
            ASSERT_EQ(0, std::memcmp(plain.data(), dst.data() + 1, 4 * len))
                << "sf " << sf << " nearest " << nearest << " len " << len;
          }
          if (sf != 0) continue;
          constexpr fillcopy::TConvert kToFloat32 = fillcopy::TConvert::Float64ToFloat32;
          fillcopy::Convert(src.data() + offset, plain.data(), len, kToFloat32, nullptr);
          fillcopy::Convert(src.data() + offset, dst.data() + 1, len, kToFloat32, toFloat32);
          ASSERT_EQ(0, std::memcmp(plain.data(), dst.data() + 1, 4 * len)) << "len " << len;
        }
      }
    }
  });
}

// The widening conversions' vector blocks give the plain loop's bytes on every instruction set:
// int32 limits and values that float32 must round (ties included), float32 NaNs (a signalling
// one too, which both paths quieten), infinities, signed zeros and subnormals, and random words.
TEST(SignalConvert, WideningBlocksEqualThePlainLoopOnEveryTarget) {
  imagetest::ForEachVectorTarget([] {
    const fillcopy::ConvertBlocksFn blocks = fillcopy::VectorConvertBlocks();
    ASSERT_NE(blocks, nullptr);
    std::vector<std::uint32_t> words = {0, 1, 0x80000000u, 0x7FFFFFFFu, 0xFFFFFFFFu,
                                        (1u << 24) + 1, (1u << 24) + 3, (1u << 25) + 2,
                                        0x7FC00001u, 0x7F800001u, 0xFFA00000u, 0x7F800000u,
                                        0xFF800000u, 0x00000001u, 0x807FFFFFu, 0x3F800000u};
    std::mt19937 rng(11);
    while (words.size() < 75) words.push_back(rng());
    const int n = static_cast<int>(words.size());
    std::vector<std::uint8_t> src(4 * n + 3), plain(8 * n), vec(8 * n + 5);
    std::memcpy(src.data() + 3, words.data(), 4 * n);
    using K = fillcopy::TConvert;
    for (K kind : {K::Int32ToFloat64, K::Float32ToFloat64, K::Int32ToFloat32}) {
      const int width = kind == K::Int32ToFloat32 ? 4 : 8;
      for (int len : {n, n - 1, 1, 3, 4, 5, 8, 9, 17}) {
        fillcopy::Convert(src.data() + 3, plain.data(), len, kind, nullptr);
        fillcopy::Convert(src.data() + 3, vec.data() + 5, len, kind, blocks);
        ASSERT_EQ(0, std::memcmp(plain.data(), vec.data() + 5, width * len))
            << "kind " << int(kind) << " len " << len;
      }
    }
  });
}

TEST(SignalConvert, Int16ToFloat64ScaleFactorIsClamped) {
  const Ipp16s in[] = {1, -32768, 32767, 4};
  Ipp64f a[4], b[4];
  ASSERT_EQ(ippsConvert_16s64f_Sfs(in, a, 4, 2000), ippStsNoErr);
  ASSERT_EQ(ippsConvert_16s64f_Sfs(in, b, 4, 1022), ippStsNoErr);
  EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);
  EXPECT_EQ(a[2], 32767 * std::ldexp(1.0, -1022));
  ASSERT_EQ(ippsConvert_16s64f_Sfs(in, a, 4, -2000), ippStsNoErr);
  ASSERT_EQ(ippsConvert_16s64f_Sfs(in, b, 4, -1008), ippStsNoErr);
  EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);
  EXPECT_EQ(a[1], -std::ldexp(1.0, 1023));
  ASSERT_EQ(ippsConvert_16s64f_Sfs(in, a, 4, 2), ippStsNoErr);
  EXPECT_EQ(a[3], 1.0);
  ASSERT_EQ(ippsConvert_16s64f_Sfs(in, a, 4, 0), ippStsNoErr);
  EXPECT_EQ(a[1], -32768.0);
}

TEST(SignalConvert, ExactWideningsAndNearestNarrowing) {
  const Ipp32s ints[] = {(1 << 24) + 1, (1 << 24) + 3, -7, INT32_MIN, INT32_MAX};
  Ipp32f f[5];
  ASSERT_EQ(ippsConvert_32s32f(ints, f, 5), ippStsNoErr);
  EXPECT_EQ(f[0], 16777216.0f);
  EXPECT_EQ(f[1], 16777220.0f);
  EXPECT_EQ(f[2], -7.0f);
  EXPECT_EQ(f[3], -2147483648.0f);
  EXPECT_EQ(f[4], 2147483648.0f);
  Ipp64f d[5];
  ASSERT_EQ(ippsConvert_32s64f(ints, d, 5), ippStsNoErr);
  EXPECT_EQ(d[3], -2147483648.0);
  EXPECT_EQ(d[4], 2147483647.0);
  const Ipp32f floats[] = {0.1f, -0.0f};
  ASSERT_EQ(ippsConvert_32f64f(floats, d, 2), ippStsNoErr);
  EXPECT_EQ(d[0], static_cast<double>(0.1f));
  EXPECT_TRUE(std::signbit(d[1]));
}

// ---- Complex assembly and split, byte swaps ------------------------------------------------

TEST(SignalComplex, AssemblyTreatsAMissingPartAsZeros) {
  const double re[3] = {1, 2, 3}, im[3] = {-1, -2, -3};
  Ipp64fc c[3];
  ASSERT_EQ(ippsRealToCplx_64f(re, nullptr, c, 3), ippStsNoErr);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(c[i].re == re[i] && c[i].im == 0.0);
  ASSERT_EQ(ippsRealToCplx_64f(nullptr, im, c, 3), ippStsNoErr);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(c[i].re == 0.0 && c[i].im == im[i]);
  EXPECT_EQ(ippsRealToCplx_64f(nullptr, nullptr, c, 0), ippStsSizeErr);
  EXPECT_EQ(ippsRealToCplx_64f(nullptr, nullptr, c, 3), ippStsNullPtrErr);
  ASSERT_EQ(ippsRealToCplx_64f(re, im, c, 3), ippStsNoErr);
  double r[3], j[3];
  ASSERT_EQ(ippsReal_64fc(c, r, 3), ippStsNoErr);
  ASSERT_EQ(ippsImag_64fc(c, j, 3), ippStsNoErr);
  EXPECT_EQ(std::memcmp(r, re, sizeof r), 0);
  EXPECT_EQ(std::memcmp(j, im, sizeof j), 0);
  const float re32[2] = {1.5f, 2.5f};
  Ipp32fc c32[2];
  ASSERT_EQ(ippsRealToCplx_32f(re32, nullptr, c32, 2), ippStsNoErr);
  EXPECT_TRUE(c32[1].re == 2.5f && c32[1].im == 0.0f);
}

TEST(SignalSwapBytes, EachElementWidth) {
  const Ipp16u s16[2] = {0x1234, 0xFF00};
  Ipp16u d16[2];
  ASSERT_EQ(ippsSwapBytes_16u(s16, d16, 2), ippStsNoErr);
  EXPECT_EQ(d16[0], 0x3412);
  EXPECT_EQ(d16[1], 0x00FF);
  const Ipp8u s24[6] = {1, 2, 3, 4, 5, 6};
  Ipp8u d24[7] = {0, 0, 0, 0, 0, 0, 0xCC};
  ASSERT_EQ(ippsSwapBytes_24u(s24, d24, 2), ippStsNoErr);
  const Ipp8u e24[7] = {3, 2, 1, 6, 5, 4, 0xCC};
  EXPECT_EQ(std::memcmp(d24, e24, 7), 0);
  Ipp8u inPlace[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(ippsSwapBytes_24u(inPlace, inPlace, 2), ippStsNoErr);
  EXPECT_EQ(std::memcmp(inPlace, e24, 6), 0);
  const Ipp32u s32[1] = {0x12345678};
  Ipp32u d32[1];
  ASSERT_EQ(ippsSwapBytes_32u(s32, d32, 1), ippStsNoErr);
  EXPECT_EQ(d32[0], 0x78563412u);
  ASSERT_EQ(ippsSwapBytes_32u_I(d32, 1), ippStsNoErr);
  EXPECT_EQ(d32[0], 0x12345678u);
}

// MemAvailable of /proc/meminfo in bytes (0 when it cannot be read).
std::int64_t AvailableMemory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::int64_t kib = 0;
  std::string unit;
  while (meminfo >> key >> kib >> unit)
    if (key == "MemAvailable:") return kib * 1024;
  return 0;
}

// Anonymous memory, in huge pages where the system grants them (which keeps the page faults
// of gigabytes few).
struct Mapping {
  std::size_t size;
  std::uint8_t* bytes;
  explicit Mapping(std::size_t n)
      : size(n),
        bytes(static_cast<std::uint8_t*>(
            ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0))) {
    if (ok()) ::madvise(bytes, n, MADV_HUGEPAGE);
  }
  ~Mapping() {
    if (ok()) ::munmap(bytes, size);
  }
  bool ok() const { return bytes != MAP_FAILED; }
};

// 750,000,000 groups of 3 bytes: the byte offsets pass the 32-bit range after group
// 715,827,882, so the indexing must be 64-bit. The vector is swapped in place (each group is
// read before it is written), so the test needs 2.25 GB once; it is skipped where the machine
// has too little available memory.
TEST(SignalSwapBytes, GroupsBeyondTheInt32ByteRange) {
  constexpr std::int64_t kGroups = 750'000'000;
  constexpr std::size_t kBytes = 3 * static_cast<std::size_t>(kGroups);
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the thread sanitizer shadows every written byte four times over";
#endif
  const std::int64_t needed = static_cast<std::int64_t>(kBytes) + (std::int64_t{1} << 30);
  const std::int64_t available = AvailableMemory();
  if (available < needed)
    GTEST_SKIP() << "needs " << (needed >> 20) << " MiB of available memory, the machine has " << (available >> 20);
  Mapping vector(kBytes + 1);
  ASSERT_TRUE(vector.ok());
  std::uint8_t* v = vector.bytes;
  const std::int64_t marked[] = {0, 715'827'882, 715'827'883, kGroups - 1};
  for (std::int64_t g : marked)
    for (int k = 0; k < 3; ++k) v[3 * g + k] = static_cast<std::uint8_t>(g % 200 + k + 1);
  v[kBytes] = 0xEE;  // the byte after the last group
  ASSERT_EQ(ippsSwapBytes_24u(v, v, static_cast<int>(kGroups)), ippStsNoErr);
  for (std::int64_t g : marked)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(v[3 * g + k], static_cast<std::uint8_t>(g % 200 + (2 - k) + 1)) << "group " << g;
  EXPECT_EQ(v[3 * 1000], 0);
  EXPECT_EQ(v[kBytes], 0xEE);
}

}  // namespace
