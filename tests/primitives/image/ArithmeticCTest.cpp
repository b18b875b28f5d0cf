#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/ArithmeticC.h"
#include "tests/primitives/ImageTestGuard.h"
#include "tests/primitives/ScaleFactorModel.h"

namespace {

using namespace builtin;
using imagetest::GuardedImage;
using sfmodel::i128;

enum class TOp { Add, Sub, Mul };

const char* Name(TOp op) { return op == TOp::Add ? "AddC" : (op == TOp::Sub ? "SubC" : "MulC"); }

// The exact value of element op constant; an 8-bit difference below 0 is 0.
int64_t Exact(TOp op, int64_t x, int64_t c, bool bytes) {
  if (op == TOp::Add) return x + c;
  if (op == TOp::Mul) return x * c;
  return bytes && x < c ? 0 : x - c;
}

// ---- Add, Sub and Mul: the four forms of each element type against the model ------------------

// The four forms of one operation on elements T: vector in place and not, image in place and
// not. Each runs over a region of one row of n elements; the image forms get a guarded image.
template <class T>
struct TForms {
  TOp Op;
  IppStatus (*VectorInPlace)(T, T*, int, int);
  IppStatus (*Vector)(const T*, T, T*, int, int);
  IppStatus (*ImageInPlace)(T, T*, int, IppiSize, int);
  IppStatus (*Image)(const T*, int, T, T*, int, IppiSize, int);
};

template <class T>
void ExpectFormsAgreeWithTheModel(const TForms<T>& f, const std::vector<T>& x,
                                  const std::vector<T>& constants,
                                  const std::vector<int>& factors) {
  constexpr bool kBytes = sizeof(T) == 1;
  constexpr i128 kLo = kBytes ? 0 : -32768, kHi = kBytes ? 255 : 32767;
  const int n = static_cast<int>(x.size());
  // The image forms see x as rows of 64 elements on padded rows.
  const int width = 64, height = n / width;
  ASSERT_EQ(width * height, n);
  for (T c : constants) {
    for (int sf : factors) {
      std::vector<T> expected(n);
      for (int i = 0; i < n; ++i)
        expected[i] = static_cast<T>(sfmodel::Scaled(Exact(f.Op, x[i], c, kBytes), sf, kLo, kHi));
      std::vector<T> inPlace = x, out(n);
      ASSERT_EQ(f.VectorInPlace(c, inPlace.data(), n, sf), ippStsNoErr);
      ASSERT_EQ(f.Vector(x.data(), c, out.data(), n, sf), ippStsNoErr);
      GuardedImage src(width, height, sizeof(T)), dst(width, height, sizeof(T)),
          img(width, height, sizeof(T));
      std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(x.data()),
                                 reinterpret_cast<const uint8_t*>(x.data() + n));
      src.SetRegion(bytes);
      img.SetRegion(bytes);
      ASSERT_EQ(f.Image(reinterpret_cast<const T*>(src.data()), src.step(), c,
                        reinterpret_cast<T*>(dst.data()), dst.step(), src.size(), sf),
                ippStsNoErr);
      ASSERT_EQ(f.ImageInPlace(c, reinterpret_cast<T*>(img.data()), img.step(), img.size(), sf),
                ippStsNoErr);
      const std::vector<uint8_t> want(reinterpret_cast<const uint8_t*>(expected.data()),
                                      reinterpret_cast<const uint8_t*>(expected.data() + n));
      for (int i = 0; i < n; ++i) {
        ASSERT_EQ(inPlace[i], expected[i])
            << Name(f.Op) << " x " << x[i] << " c " << c << " sf " << sf;
        ASSERT_EQ(out[i], expected[i]) << Name(f.Op) << " x " << x[i] << " c " << c << " sf " << sf;
      }
      ASSERT_EQ(dst.Region(), want) << Name(f.Op) << " image, c " << c << " sf " << sf;
      ASSERT_EQ(img.Region(), want) << Name(f.Op) << " image in place, c " << c << " sf " << sf;
      ASSERT_TRUE(dst.OutsideUntouched() && img.OutsideUntouched() && src.OutsideUntouched());
    }
  }
}

TEST(ImageArithmeticC, Constants8uOverEveryValueAgreeWithTheModel) {
  std::vector<Ipp8u> x(256);
  for (int i = 0; i < 256; ++i) x[i] = static_cast<Ipp8u>(i);
  std::vector<int> factors = {INT32_MIN, INT32_MAX};
  for (int sf = -17; sf <= 18; ++sf) factors.push_back(sf);
  const std::vector<Ipp8u> constants = {0, 1, 2, 3, 10, 127, 128, 200, 255};
  const TForms<Ipp8u> forms[] = {
      {TOp::Add, ippsAddC_8u_ISfs, ippsAddC_8u_Sfs, ippiAddC_8u_C1IRSfs, ippiAddC_8u_C1RSfs},
      {TOp::Sub, ippsSubC_8u_ISfs, ippsSubC_8u_Sfs, ippiSubC_8u_C1IRSfs, ippiSubC_8u_C1RSfs},
      {TOp::Mul, ippsMulC_8u_ISfs, ippsMulC_8u_Sfs, ippiMulC_8u_C1IRSfs, ippiMulC_8u_C1RSfs},
  };
  for (const auto& f : forms) ExpectFormsAgreeWithTheModel(f, x, constants, factors);
}

TEST(ImageArithmeticC, Constants16sAgreeWithTheModel) {
  std::vector<Ipp16s> x;
  for (int v = -32768; v <= 32767; v += 257) x.push_back(static_cast<Ipp16s>(v));
  for (int v : {-32768, -32767, -2, -1, 0, 1, 2, 3, 181, 32766, 32767})
    x.push_back(static_cast<Ipp16s>(v));
  x.resize(x.size() / 64 * 64 + 64, 5);
  const std::vector<int> factors = {INT32_MIN, -17, -16, -15, -14, -2, -1, 0,
                                    1,         2,   15,  16,  17,  30, 31, INT32_MAX};
  const std::vector<Ipp16s> constants = {-32768, -1, 0, 1, 2, 3, 255, 32767};
  const TForms<Ipp16s> forms[] = {
      {TOp::Add, ippsAddC_16s_ISfs, ippsAddC_16s_Sfs, ippiAddC_16s_C1IRSfs, ippiAddC_16s_C1RSfs},
      {TOp::Sub, ippsSubC_16s_ISfs, ippsSubC_16s_Sfs, ippiSubC_16s_C1IRSfs, ippiSubC_16s_C1RSfs},
      {TOp::Mul, ippsMulC_16s_ISfs, ippsMulC_16s_Sfs, ippiMulC_16s_C1IRSfs, ippiMulC_16s_C1RSfs},
  };
  for (const auto& f : forms) ExpectFormsAgreeWithTheModel(f, x, constants, factors);
}

TEST(ImageArithmeticC, ShortCutsOnTheConstantAndTheirStatuses) {
  std::vector<Ipp8u> v = {0, 1, 100, 255};
  // An 8-bit sum with a non-zero constant saturates everywhere, zeros included.
  std::vector<Ipp8u> d = v;
  ASSERT_EQ(ippsAddC_8u_ISfs(10, d.data(), 4, -8), ippStsNoErr);
  EXPECT_EQ(d, std::vector<Ipp8u>(4, 255));
  d = v;
  ASSERT_EQ(ippsAddC_8u_ISfs(0, d.data(), 4, -8), ippStsNoErr);
  EXPECT_EQ(d, (std::vector<Ipp8u>{0, 255, 255, 255}));
  // The image forms fill through Set, which tests the step; the computed path does not.
  Ipp8u px = 7;
  EXPECT_EQ(ippiAddC_8u_C1IRSfs(10, &px, 0, IppiSize{1, 1}, -8), ippStsStepErr);
  EXPECT_EQ(ippiAddC_8u_C1IRSfs(0, &px, 0, IppiSize{1, 1}, -8), ippStsNoErr);
  EXPECT_EQ(px, 255);
  EXPECT_EQ(ippiMulC_8u_C1IRSfs(0, &px, 0, IppiSize{1, 1}, 0), ippStsStepErr);
  EXPECT_EQ(ippiSubC_16s_C1IRSfs(5, reinterpret_cast<Ipp16s*>(&v[0]), 0, IppiSize{1, 1}, 17),
            ippStsStepErr);
  // A multiplier 1 at sf 0 copies through Copy, which does not test steps; in place it writes
  // nothing.
  const Ipp8u src[2] = {9, 200};
  Ipp8u dst[2] = {0, 0};
  EXPECT_EQ(ippiMulC_8u_C1RSfs(src, 0, 1, dst, 0, IppiSize{2, 1}, 0), ippStsNoErr);
  EXPECT_EQ(dst[1], 200);
  // Subtracting 200 from 100 gives 0 at every factor.
  for (int sf : {-20, -1, 0, 1, 9}) {
    Ipp8u x = 100;
    ASSERT_EQ(ippsSubC_8u_ISfs(200, &x, 1, sf), ippStsNoErr);
    EXPECT_EQ(x, 0) << sf;
  }
}

// ---- Multi-channel constants -------------------------------------------------------------------

struct TChannelCase {
  std::string Name;
  TOp Op;
  int Channels;
  bool Alpha;
  IppStatus (*Fn)(const Ipp8u*, Ipp8u*, int, IppiSize, int);
};

TEST(ImageArithmeticC, ChannelConstantsPerByteOnGuardedImagesAlphaUntouched) {
  const std::vector<TChannelCase> cases = {
      {"AddC C3", TOp::Add, 3, false, ippiAddC_8u_C3IRSfs},
      {"AddC AC4", TOp::Add, 4, true, ippiAddC_8u_AC4IRSfs},
      {"AddC C4", TOp::Add, 4, false, ippiAddC_8u_C4IRSfs},
      {"SubC C3", TOp::Sub, 3, false, ippiSubC_8u_C3IRSfs},
      {"SubC C4", TOp::Sub, 4, false, ippiSubC_8u_C4IRSfs},
      {"MulC C3", TOp::Mul, 3, false, ippiMulC_8u_C3IRSfs},
      {"MulC AC4", TOp::Mul, 4, true, ippiMulC_8u_AC4IRSfs},
      {"MulC C4", TOp::Mul, 4, false, ippiMulC_8u_C4IRSfs},
  };
  std::mt19937 rng(5);
  const Ipp8u value[4] = {0, 3, 200, 17};
  for (const TChannelCase& c : cases) {
    for (int sf : {-9, -1, 0, 1, 2, 17}) {
      GuardedImage img(301, 3, c.Channels);
      img.Randomize(rng);
      const std::vector<uint8_t> before = img.Region();
      ASSERT_EQ(c.Fn(value, img.data(), img.step(), img.size(), sf), ippStsNoErr) << c.Name;
      const std::vector<uint8_t> after = img.Region();
      for (size_t i = 0; i < after.size(); ++i) {
        const int k = static_cast<int>(i % c.Channels);
        const uint8_t expected = c.Alpha && k == 3
                                     ? before[i]
                                     : static_cast<uint8_t>(sfmodel::Scaled(
                                           Exact(c.Op, before[i], value[k], true), sf, 0, 255));
        ASSERT_EQ(after[i], expected) << c.Name << " byte " << i << " sf " << sf;
      }
      ASSERT_TRUE(img.OutsideUntouched()) << c.Name;
    }
    // Only the fill of 0 goes through Set, with its step test.
    Ipp8u px[4] = {1, 2, 3, 4};
    EXPECT_EQ(c.Fn(value, px, 0, IppiSize{1, 1}, 17), ippStsStepErr) << c.Name;
    EXPECT_EQ(c.Fn(value, px, 0, IppiSize{1, 1}, -9), ippStsNoErr) << c.Name;
    EXPECT_EQ(c.Fn(nullptr, px, 4, IppiSize{0, 1}, 0), ippStsNullPtrErr) << c.Name;
    EXPECT_EQ(c.Fn(value, px, 4, IppiSize{1, 0}, 0), ippStsSizeErr) << c.Name;
  }
}

// ---- Division by a constant --------------------------------------------------------------------

// x * R[c] * 2^(-sf) exactly (R[c] = m * 2^e as a float), rounded half to even, at most 255.
Ipp8u ModelTableQuotient(int x, int c, int sf) {
  int e = 0;
  const float m = std::frexp(fbReciprocalTable[c], &e);
  const i128 mantissa = static_cast<i128>(std::ldexp(m, 24));  // R = mantissa * 2^(e - 24)
  const int64_t shift = int64_t{sf} + 24 - e;                  // x * mantissa / 2^shift
  const int clamped = static_cast<int>(shift < -40 ? -40 : (shift > 70 ? 70 : shift));
  return static_cast<Ipp8u>(sfmodel::Scaled(x * mantissa, clamped, 0, 255));
}

TEST(ImageArithmeticC, DivC8uOverEveryValueAndConstantAgreesWithTheTableModel) {
  // The table: 1/i rounded half up to six decimals, read as a float.
  for (int i = 1; i < 256; ++i) {
    char text[16];
    std::snprintf(text, sizeof text, "0.%06d", (2000000 + i) / (2 * i));
    if (i == 1) std::snprintf(text, sizeof text, "1.000000");
    ASSERT_EQ(fbReciprocalTable[i], std::strtof(text, nullptr)) << i;
  }
  EXPECT_EQ(fbReciprocalTable[128], 0.007813f);
  std::vector<Ipp8u> x(256);
  for (int i = 0; i < 256; ++i) x[i] = static_cast<Ipp8u>(i);
  std::vector<int> factors = {INT32_MIN, -100000, 40, INT32_MAX};
  for (int sf = -17; sf <= 9; ++sf) factors.push_back(sf);
  for (int sf : factors) {
    for (int c = 1; c < 256; ++c) {
      std::vector<Ipp8u> out(256), img(256);
      ASSERT_EQ(ippsDivC_8u_Sfs(x.data(), static_cast<Ipp8u>(c), out.data(), 256, sf), ippStsNoErr);
      img = x;
      ASSERT_EQ(ippiDivC_8u_C1IRSfs(static_cast<Ipp8u>(c), img.data(), 16, IppiSize{16, 16}, sf),
                ippStsNoErr);
      for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(out[i], ModelTableQuotient(i, c, sf)) << i << " / " << c << " sf " << sf;
        ASSERT_EQ(img[i], out[i]);
      }
    }
  }
  const Ipp8u v[] = {3, 1, 3, 200};
  Ipp8u q[4];
  ASSERT_EQ(ippsDivC_8u_Sfs(v, 6, q, 1, 0), ippStsNoErr);
  EXPECT_EQ(q[0], 1);  // 3 * 0.166667 is just above one half
  ASSERT_EQ(ippsDivC_8u_Sfs(v + 1, 2, q, 2, 0), ippStsNoErr);
  EXPECT_EQ(q[0], 0);
  EXPECT_EQ(q[1], 2);
  ASSERT_EQ(ippsDivC_8u_Sfs(v + 3, 1, q, 1, -1), ippStsNoErr);
  EXPECT_EQ(q[0], 255);
}

TEST(ImageArithmeticC, DivC16sRoundsExactlyAtTheBoundsOfK) {
  std::vector<Ipp16s> x;
  for (int v = -32768; v <= 32767; ++v) x.push_back(static_cast<Ipp16s>(v));
  const int n = static_cast<int>(x.size());
  struct Case {
    Ipp16s C;
    int Sf;
  } cases[] = {{-1, 0},        {1, 0},          {-2, -1},       {2, -1},      {3, 0},   {-3, 1},
               {7, -3},        {6, 0},          {-32768, 0},    {32767, -15}, {255, 2}, {-5, 16},
               {1, INT32_MIN}, {-1, INT32_MIN}, {3, INT32_MAX}, {2, -16446}};
  for (const Case& c : cases) {
    std::vector<Ipp16s> out(n), in = x;
    ASSERT_EQ(ippsDivC_16s_Sfs(x.data(), c.C, out.data(), n, c.Sf), ippStsNoErr);
    ASSERT_EQ(ippsDivC_16s_ISfs(c.C, in.data(), n, c.Sf), ippStsNoErr);
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(out[i], sfmodel::ScaledQuotient(x[i], c.C, c.Sf, -32768, 32767))
          << x[i] << " / " << c.C << " sf " << c.Sf;
      ASSERT_EQ(in[i], out[i]);
    }
  }
  // k exactly -1: -32768 / -1 saturates; k just inside -0.9999 needs no clamp.
  const Ipp16s v[] = {-32768, 5, 0};
  Ipp16s q[3];
  ASSERT_EQ(ippiDivC_16s_C1RSfs(v, 6, -1, q, 6, IppiSize{3, 1}, 0), ippStsNoErr);
  EXPECT_EQ(std::vector<Ipp16s>(q, q + 3), (std::vector<Ipp16s>{32767, -5, 0}));
}

TEST(ImageArithmeticC, DivCChannelsDivideLikeTheImageDivisionAndAZeroConstantWritesNothing) {
  struct Case {
    const char* Name;
    int Channels;
    bool Alpha;
    IppStatus (*Fn)(const Ipp8u*, Ipp8u*, int, IppiSize, int);
  } cases[] = {{"C3", 3, false, ippiDivC_8u_C3IRSfs},
               {"C4", 4, false, ippiDivC_8u_C4IRSfs},
               {"AC4", 4, true, ippiDivC_8u_AC4IRSfs}};
  std::mt19937 rng(9);
  const Ipp8u value[4] = {2, 7, 255, 3};
  const Ipp8u withZero[4] = {2, 0, 4, 3};
  for (const Case& c : cases) {
    for (int sf : {-16, -15, -1, 0, 1, 8, 9, INT32_MAX}) {
      GuardedImage img(133, 4, c.Channels);
      img.Randomize(rng);
      const std::vector<uint8_t> before = img.Region();
      ASSERT_EQ(c.Fn(value, img.data(), img.step(), img.size(), sf), ippStsNoErr) << c.Name;
      const std::vector<uint8_t> after = img.Region();
      for (size_t i = 0; i < after.size(); ++i) {
        const int k = static_cast<int>(i % c.Channels);
        const Ipp8u expected =
            c.Alpha && k == 3
                ? before[i]
                : static_cast<Ipp8u>(sfmodel::ScaledQuotient(before[i], value[k], sf, 0, 255));
        ASSERT_EQ(after[i], expected) << c.Name << " byte " << i << " sf " << sf;
      }
      ASSERT_TRUE(img.OutsideUntouched());
      // A zero constant: -10, the image byte for byte as it was.
      ASSERT_EQ(c.Fn(withZero, img.data(), img.step(), img.size(), sf), ippStsDivByZeroErr);
      ASSERT_EQ(img.Region(), after) << c.Name;
    }
    Ipp8u px[4] = {};
    EXPECT_EQ(c.Fn(withZero, nullptr, 4, IppiSize{1, 1}, 0), ippStsNullPtrErr);
    EXPECT_EQ(c.Fn(withZero, px, 4, IppiSize{0, 1}, 0), ippStsSizeErr);
    EXPECT_EQ(c.Fn(withZero, px, 0, IppiSize{1, 1}, 0), ippStsStepErr);
  }
}

TEST(ImageArithmeticC, DivCOneChannelChecksBeforeTheZeroConstant) {
  Ipp8u b[4] = {1, 2, 3, 4};
  Ipp16s s[2] = {1, 2};
  const IppiSize one{1, 1};
  EXPECT_EQ(ippiDivC_8u_C1RSfs(nullptr, 1, 0, b, 1, one, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippiDivC_8u_C1RSfs(b, 1, 0, b, 1, IppiSize{1, 0}, 0), ippStsSizeErr);
  EXPECT_EQ(ippiDivC_8u_C1RSfs(b, 0, 0, b, 1, one, 0), ippStsStepErr);
  EXPECT_EQ(ippiDivC_8u_C1IRSfs(0, b, 1, one, 0), ippStsDivByZeroErr);
  EXPECT_EQ(ippiDivC_16s_C1IRSfs(0, s, -2, one, 0), ippStsStepErr);
  EXPECT_EQ(ippiDivC_16s_C1IRSfs(0, s, 2, one, 0), ippStsDivByZeroErr);
  EXPECT_EQ(ippsDivC_8u_Sfs(b, 0, b, 0, 0), ippStsSizeErr);
  EXPECT_EQ(ippsDivC_16s_ISfs(0, nullptr, 2, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsDivC_16s_ISfs(0, s, 2, 0), ippStsDivByZeroErr);
  EXPECT_EQ(std::vector<Ipp8u>(b, b + 4), (std::vector<Ipp8u>{1, 2, 3, 4}));
  EXPECT_EQ(s[1], 2);
}

TEST(ImageArithmeticC, VectorAndOneChannelChecks) {
  Ipp8u b[2] = {};
  Ipp16s s[2] = {};
  EXPECT_EQ(ippsAddC_8u_ISfs(1, nullptr, 0, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsSubC_8u_Sfs(b, 1, nullptr, 2, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsMulC_16s_Sfs(s, 1, s, 0, 30), ippStsSizeErr);
  EXPECT_EQ(ippiAddC_16s_C1RSfs(nullptr, 2, 1, s, 2, IppiSize{0, 0}, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippiMulC_8u_C1IRSfs(0, b, 1, IppiSize{-1, 1}, 0), ippStsSizeErr);
}

}  // namespace
