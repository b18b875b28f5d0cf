// Level look-up tables, palettes and gamma against models written from their definitions.
//
// A level table is read back whole by mapping an image that holds every byte value once. The
// model builders mark entries no step writes, so a builder that left an entry to chance would
// show too.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/LookupTables.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;
using imagetest::GuardedVector;

// ---- Models of the three builders ----------------------------------------------------------

using ModelTable = std::array<int, 256>;  // -1: never written

struct LevelSet {
  std::vector<int32_t> values, levels;
  int n() const { return static_cast<int>(levels.size()); }
  std::string Describe() const {
    std::string s = "levels";
    for (int32_t l : levels) s += " " + std::to_string(l);
    s += " values";
    for (int32_t v : values) s += " " + std::to_string(v);
    return s;
  }
};

int64_t Clamp(int64_t x, int64_t lo, int64_t hi) { return std::min(std::max(x, lo), hi); }

int64_t TruncX87(double x) {
  if (!(x > -2147483649.0 && x < 2147483648.0)) return INT32_MIN;
  return static_cast<int64_t>(x);
}

// Steps 1 and 3, shared by the three builders.
void ModelIdentityEnds(const LevelSet& d, ModelTable& t, bool last) {
  for (int v = 0; v < 256; ++v) {
    if (!last && v < d.levels.front()) t[v] = v;
    if (last && v >= d.levels.back()) t[v] = v;
  }
}

ModelTable ModelConstant(const LevelSet& d) {
  ModelTable t;
  t.fill(-1);
  ModelIdentityEnds(d, t, false);
  for (int k = 0; k + 1 < d.n(); ++k)
    for (int v = 0; v < 256; ++v)
      if (v >= Clamp(d.levels[k], 0, 256) && v < Clamp(d.levels[k + 1], 0, 256))
        t[v] = static_cast<int>(Clamp(d.values[k], 0, 255));
  ModelIdentityEnds(d, t, true);
  return t;
}

void ModelLinearInterval(const LevelSet& d, int k, ModelTable& t) {
  const int64_t lo = Clamp(d.levels[k], 0, 255), hi = Clamp(d.levels[k + 1], 0, 256);
  const double s = static_cast<double>(int64_t{d.values[k + 1]} - d.values[k]) /
                   static_cast<double>(int64_t{d.levels[k + 1]} - d.levels[k]);
  for (int64_t v = lo; v < hi; ++v)
    t[v] = static_cast<int>(
        Clamp(TruncX87(d.values[k] + 0.5 - s * d.levels[k] + s * static_cast<double>(v)), 0, 255));
}

// Cramer's rule for c1 d + c2 d^2 + c3 d^3 = e at the three points other than x1, with the
// reciprocal of the determinant taken once.
bool ModelCubicInterval(const LevelSet& d, int k, ModelTable& t) {
  const int m = std::min(std::max(k - 1, 0), d.n() - 4);
  const double x1 = d.levels[m + 1], y1 = d.values[m + 1];
  double rows[3][4];
  int r = 0;
  for (int j : {0, 2, 3}) {
    const double dx = static_cast<double>(d.levels[m + j]) - x1;
    rows[r][0] = dx;
    rows[r][1] = dx * dx;
    rows[r][2] = dx * dx * dx;
    rows[r][3] = static_cast<double>(d.values[m + j]) - y1;
    ++r;
  }
  for (int j = 0; j < 4; ++j)
    for (int i = j + 1; i < 4; ++i)
      if (d.levels[m + i] == d.levels[m + j]) return false;  // singular: linear instead
  // det of the columns (p, q, s) of the 3 x 3 system, expanded along its first row.
  const auto det = [&](int p, int q, int s) {
    return rows[0][p] * (rows[1][q] * rows[2][s] - rows[2][q] * rows[1][s]) -
           rows[0][q] * (rows[1][p] * rows[2][s] - rows[2][p] * rows[1][s]) +
           rows[0][s] * (rows[1][p] * rows[2][q] - rows[2][p] * rows[1][q]);
  };
  const double inv = 1.0 / det(0, 1, 2);
  const double c1 = det(3, 1, 2) * inv, c2 = det(0, 3, 2) * inv, c3 = det(0, 1, 3) * inv;
  const int64_t lo = Clamp(d.levels[k], 0, 255), hi = Clamp(d.levels[k + 1], 0, 256);
  for (int64_t v = lo; v < hi; ++v) {
    const double u = static_cast<double>(v) - x1;
    const double p = y1 + c1 * u + c2 * (u * u) + c3 * (u * u * u);
    t[v] = static_cast<int>(Clamp(TruncX87(p + 0.5), 0, 255));
  }
  return true;
}

ModelTable ModelInterpolated(const LevelSet& d, bool cubic) {
  ModelTable t;
  t.fill(-1);
  ModelIdentityEnds(d, t, false);
  for (int k = 0; k + 1 < d.n(); ++k) {
    if (d.levels[k + 1] <= d.levels[k]) continue;
    const int64_t lo = Clamp(d.levels[k], 0, 255), hi = Clamp(d.levels[k + 1], 0, 256);
    if (hi - lo == 1) {
      t[lo] = static_cast<int>(Clamp(d.values[k], 0, 255));
    } else if (!(cubic && d.n() >= 4 && ModelCubicInterval(d, k, t))) {
      ModelLinearInterval(d, k, t);
    }
  }
  ModelIdentityEnds(d, t, true);
  return t;
}

enum class Kind { Constant, Linear, Cubic };

ModelTable Model(Kind kind, const LevelSet& d) {
  return kind == Kind::Constant ? ModelConstant(d) : ModelInterpolated(d, kind == Kind::Cubic);
}

std::string Name(Kind k) {
  return k == Kind::Constant ? "LUT" : k == Kind::Linear ? "LUT_Linear" : "LUT_Cubic";
}

// ---- Running the primitives ----------------------------------------------------------------

IppStatus RunC1(Kind kind, const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize size,
                const Ipp32s* values, const Ipp32s* levels, int n) {
  switch (kind) {
    case Kind::Constant:
      return builtin::ippiLUT_8u_C1R(src, srcStep, dst, dstStep, size, values, levels, n);
    case Kind::Linear:
      return builtin::ippiLUT_Linear_8u_C1R(src, srcStep, dst, dstStep, size, values, levels, n);
    case Kind::Cubic:
      return builtin::ippiLUT_Cubic_8u_C1R(src, srcStep, dst, dstStep, size, values, levels, n);
  }
  return ippStsNotImplemented;
}

// The table the C1 form builds, read back through a 16 x 16 image of every byte value.
std::array<int, 256> TableOf(Kind kind, const LevelSet& d) {
  GuardedImage src(16, 16, 1), dst(16, 16, 1);
  for (int v = 0; v < 256; ++v) src.at(v % 16, v / 16)[0] = static_cast<uint8_t>(v);
  std::array<int, 256> t{};
  EXPECT_EQ(RunC1(kind, src.data(), src.step(), dst.data(), dst.step(), dst.size(),
                  d.values.data(), d.levels.data(), d.n()),
            ippStsNoErr);
  for (int v = 0; v < 256; ++v) t[v] = dst.at(v % 16, v / 16)[0];
  EXPECT_TRUE(dst.OutsideUntouched());
  return t;
}

// Random level sets of several shapes: unordered (overlapping and descending intervals),
// ascending, ascending with repeated levels, and with levels and values at the int32 ends.
LevelSet RandomLevels(std::mt19937& rng, int shape) {
  std::uniform_int_distribution<int> count(2, 9), level(-60, 320), value(-100, 400), pick(0, 9);
  LevelSet d;
  const int n = count(rng);
  for (int i = 0; i < n; ++i) {
    d.levels.push_back(level(rng));
    d.values.push_back(value(rng));
  }
  if (shape >= 1) std::sort(d.levels.begin(), d.levels.end());
  if (shape == 2)
    for (int i = 1; i < n; ++i)
      if (pick(rng) < 4) d.levels[i] = d.levels[i - 1];
  if (shape == 3) {
    for (int i = 0; i < n; ++i) {
      if (pick(rng) < 2) d.levels[i] = pick(rng) < 5 ? INT32_MIN : INT32_MAX;
      if (pick(rng) < 3) d.values[i] = pick(rng) < 5 ? INT32_MIN : INT32_MAX;
    }
  }
  return d;
}

TEST(ImageLevelTables, EachBuilderMatchesItsModelOnRandomLevelSets) {
  std::mt19937 rng(11);
  for (Kind kind : {Kind::Constant, Kind::Linear, Kind::Cubic}) {
    for (int shape = 0; shape < 4; ++shape) {
      for (int round = 0; round < 60; ++round) {
        const LevelSet d = RandomLevels(rng, shape);
        const ModelTable want = Model(kind, d);
        ASSERT_TRUE(std::find(want.begin(), want.end(), -1) == want.end()) << d.Describe();
        ASSERT_EQ(TableOf(kind, d), want) << Name(kind) << " " << d.Describe();
      }
    }
  }
}

TEST(ImageLevelTables, SpecialLevelSets) {
  const auto table = [](Kind kind, std::vector<int32_t> levels, std::vector<int32_t> values) {
    return TableOf(kind, LevelSet{std::move(values), std::move(levels)});
  };
  std::array<int, 256> identity{};
  for (int v = 0; v < 256; ++v) identity[v] = v;

  // Levels (0, 256) map everything to the first value; (-50, 300) behave alike.
  std::array<int, 256> sevens;
  sevens.fill(7);
  EXPECT_EQ(table(Kind::Constant, {0, 256}, {7, 99}), sevens);
  EXPECT_EQ(table(Kind::Constant, {-50, 300}, {7, 99}), sevens);

  // (100, 200) with value 0: 100..199 become 0, the rest pass unchanged.
  std::array<int, 256> band = identity;
  std::fill(band.begin() + 100, band.begin() + 200, 0);
  EXPECT_EQ(table(Kind::Constant, {100, 200}, {0, 55}), band);

  // The inverted ramp: trunc(255.5 - v), with entry 255 restored by the last step.
  std::array<int, 256> ramp{};
  for (int v = 0; v < 255; ++v) ramp[v] = 255 - v;
  ramp[255] = 255;
  EXPECT_EQ(table(Kind::Linear, {0, 255}, {255, 0}), ramp);

  // An interval wholly above 255 sets entry 255 (its start is clamped to 255), and then the
  // last level (above 255) leaves it there; one wholly below 0 sets nothing.
  std::array<int, 256> top = identity;
  top[255] = 9;
  EXPECT_EQ(table(Kind::Linear, {300, 400}, {9, 99}), top);
  EXPECT_EQ(table(Kind::Linear, {-300, -200}, {9, 99}), identity);

  // With three levels the cubic form is the linear one.
  const std::vector<int32_t> levels3 = {-20, 90, 230}, values3 = {300, 10, 180};
  EXPECT_EQ(table(Kind::Cubic, levels3, values3), table(Kind::Linear, levels3, values3));

  // A cubic group with a repeated level is filled like the linear form.
  const std::vector<int32_t> repeated = {0, 80, 80, 160, 255}, values5 = {0, 200, 40, 250, 10};
  EXPECT_EQ(table(Kind::Cubic, repeated, values5), table(Kind::Linear, repeated, values5));

  // Four points on the parabola v^2 / 256: the cubic through them is that parabola, rounded
  // half up at every entry (no entry lies at a half).
  const std::vector<int32_t> levels4 = {0, 64, 128, 256}, values4 = {0, 16, 64, 256};
  const std::array<int, 256> cubic = table(Kind::Cubic, levels4, values4);
  for (int v = 0; v < 256; ++v) EXPECT_EQ(cubic[v], (v * v + 128) / 256) << v;
}

// ---- Multi-channel forms -------------------------------------------------------------------

struct ChannelForm {
  std::string name;
  Kind kind;
  int channels, pixel;
  bool inPlace;
  std::function<IppStatus(const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s**,
                          const Ipp32s**, int*)>
      run;
};

std::vector<ChannelForm> ChannelForms() {
  using namespace builtin;
  const auto inPlace = [](const Ipp8u*, int, Ipp8u* d, int ds, IppiSize sz, const Ipp32s** v,
                          const Ipp32s** l, int* n) { return ippiLUT_8u_C4IR(d, ds, sz, v, l, n); };
  return {
      {"LUT_C3R", Kind::Constant, 3, 3, false, ippiLUT_8u_C3R},
      {"LUT_C4R", Kind::Constant, 4, 4, false, ippiLUT_8u_C4R},
      {"LUT_C4IR", Kind::Constant, 4, 4, true, inPlace},
      {"LUT_Linear_C3R", Kind::Linear, 3, 3, false, ippiLUT_Linear_8u_C3R},
      {"LUT_Linear_AC4R", Kind::Linear, 3, 4, false, ippiLUT_Linear_8u_AC4R},
      {"LUT_Linear_C4R", Kind::Linear, 4, 4, false, ippiLUT_Linear_8u_C4R},
      {"LUT_Cubic_C3R", Kind::Cubic, 3, 3, false, ippiLUT_Cubic_8u_C3R},
      {"LUT_Cubic_C4R", Kind::Cubic, 4, 4, false, ippiLUT_Cubic_8u_C4R},
  };
}

TEST(ImageLevelTables, MultiChannelFormsUseOneTablePerChannel) {
  std::mt19937 rng(12);
  for (const ChannelForm& f : ChannelForms()) {
    SCOPED_TRACE(f.name);
    for (int round = 0; round < 6; ++round) {
      LevelSet d[4];
      const Ipp32s* values[4];
      const Ipp32s* levels[4];
      int counts[4];
      for (int c = 0; c < 4; ++c) {
        do {
          d[c] = RandomLevels(rng, 1);
        } while (f.kind == Kind::Cubic && d[c].n() < 4);  // the hand-over is tested apart
        values[c] = d[c].values.data();
        levels[c] = d[c].levels.data();
        counts[c] = d[c].n();
      }
      const int width = 5 + 9 * round;
      GuardedImage src(width, 4, f.pixel, 3), dst(width, 4, f.pixel, 9);
      src.Randomize(rng);
      dst.Randomize(rng);
      if (f.inPlace) dst.SetRegion(src.Region());
      const std::vector<uint8_t> in = f.inPlace ? dst.Region() : src.Region();
      const std::vector<uint8_t> before = dst.Region();
      ASSERT_EQ(f.run(src.data(), src.step(), dst.data(), dst.step(), dst.size(), values, levels,
                      counts),
                ippStsNoErr);
      ModelTable tables[4];
      for (int c = 0; c < f.channels; ++c) tables[c] = Model(f.kind, d[c]);
      const std::vector<uint8_t> out = dst.Region();
      for (size_t i = 0; i < out.size(); ++i) {
        const int c = static_cast<int>(i % f.pixel);
        const int want = c < f.channels ? tables[c][in[i]] : before[i];  // AC4 keeps alpha
        ASSERT_EQ(out[i], want) << "byte " << i;
      }
      EXPECT_TRUE(dst.OutsideUntouched());
    }
  }
}

TEST(ImageLevelTables, CubicWithFewLevelsInAnyChannelIsTheLinearCall) {
  // Channel 1 has three levels, so all channels, even those with six, interpolate linearly.
  const Ipp32s l6[] = {0, 40, 90, 150, 200, 256}, v6[] = {0, 180, 20, 240, 30, 255};
  const Ipp32s l3[] = {0, 128, 256}, v3[] = {255, 0, 255};
  const Ipp32s* values[4] = {v6, v3, v6, v6};
  const Ipp32s* levels[4] = {l6, l3, l6, l6};
  int counts[4] = {6, 3, 6, 6};
  std::mt19937 rng(13);
  for (int channels : {3, 4}) {
    GuardedImage src(31, 3, channels), cubic(31, 3, channels), linear(31, 3, channels);
    src.Randomize(rng);
    const auto cubicFn = channels == 3 ? builtin::ippiLUT_Cubic_8u_C3R : builtin::ippiLUT_Cubic_8u_C4R;
    const auto linearFn = channels == 3 ? builtin::ippiLUT_Linear_8u_C3R : builtin::ippiLUT_Linear_8u_C4R;
    ASSERT_EQ(cubicFn(src.data(), src.step(), cubic.data(), cubic.step(), cubic.size(), values,
                      levels, counts),
              ippStsNoErr);
    ASSERT_EQ(linearFn(src.data(), src.step(), linear.data(), linear.step(), linear.size(),
                       values, levels, counts),
              ippStsNoErr);
    EXPECT_EQ(cubic.Region(), linear.Region());
  }
  // With enough levels everywhere the six-level channel is cubic, not linear.
  const LevelSet six{{std::begin(v6), std::end(v6)}, {std::begin(l6), std::end(l6)}};
  EXPECT_NE(TableOf(Kind::Cubic, six), TableOf(Kind::Linear, six));
}

TEST(ImageLevelTables, ChecksOfTheOneChannelForms) {
  const Ipp32s levels[] = {0, 256}, values[] = {1, 2};
  uint8_t a[4] = {}, b[4] = {};
  const IppiSize one{1, 1};
  struct Case {
    const uint8_t* src;
    uint8_t* dst;
    int step;
    IppiSize size;
    const Ipp32s *v, *l;
    int n;
    IppStatus want;
  };
  const Case cases[] = {
      {nullptr, b, 1, one, values, levels, 2, ippStsNullPtrErr},
      {a, nullptr, 1, one, values, levels, 2, ippStsNullPtrErr},
      {a, b, 1, one, nullptr, levels, 2, ippStsNullPtrErr},
      {a, b, 1, one, values, nullptr, 1, ippStsNullPtrErr},
      {a, b, 0, IppiSize{0, 1}, values, levels, 1, ippStsSizeErr},  // size before step, count
      {a, b, 0, one, values, levels, 1, ippStsStepErr},             // step before count
      {a, b, 1, one, values, levels, 1, ippStsLUTNofLevelsErr},
      {a, b, 1, one, values, levels, 2, ippStsNoErr},
  };
  for (Kind kind : {Kind::Constant, Kind::Linear, Kind::Cubic})
    for (const Case& c : cases)
      EXPECT_EQ(RunC1(kind, c.src, c.step, c.dst, c.step, c.size, c.v, c.l, c.n), c.want)
          << Name(kind);
}

TEST(ImageLevelTables, ChecksOfTheMultiChannelFormsGoChannelByChannel) {
  const Ipp32s levels[] = {0, 128, 200, 256}, values[] = {1, 2, 3, 4};
  uint8_t a[8] = {}, b[8] = {};
  const IppiSize one{1, 1};
  struct Case {
    std::string what;
    bool src, arrays;
    int nullChannel;  // channel whose pValues is null, or -1
    int shortChannel; // channel with a count of 1, or -1
    int step;
    IppiSize size;
    IppStatus want;
  };
  const Case cases[] = {
      {"null source", false, true, -1, -1, 1, one, ippStsNullPtrErr},
      {"null arrays", true, false, -1, -1, 1, one, ippStsNullPtrErr},
      // A count of 1 in channel 0 is seen before the null pointers of channel 1.
      {"short first channel", true, true, 1, 0, 1, one, ippStsLUTNofLevelsErr},
      {"null second channel", true, true, 1, 2, 1, one, ippStsNullPtrErr},
      {"channels before size", true, true, -1, 2, 1, IppiSize{0, 0}, ippStsLUTNofLevelsErr},
      {"size before step", true, true, -1, -1, 0, IppiSize{1, 0}, ippStsSizeErr},
      {"step", true, true, -1, -1, 0, one, ippStsStepErr},
      {"good", true, true, -1, -1, 4, one, ippStsNoErr},
  };
  for (const ChannelForm& f : ChannelForms()) {
    for (const Case& c : cases) {
      const Ipp32s* v[4] = {values, values, values, values};
      const Ipp32s* l[4] = {levels, levels, levels, levels};
      int n[4] = {4, 4, 4, 4};
      if (c.nullChannel >= 0) v[c.nullChannel] = nullptr;
      if (c.shortChannel >= 0) n[c.shortChannel] = 1;
      // The in-place form has one image: a null source is a null image.
      uint8_t* dst = !c.src && f.inPlace ? nullptr : b;
      EXPECT_EQ(f.run(c.src ? a : nullptr, c.step, dst, c.step, c.size, c.arrays ? v : nullptr,
                      c.arrays ? l : nullptr, c.arrays ? n : nullptr),
                c.want)
          << f.name << ": " << c.what;
    }
  }
}

// ---- Palettes ------------------------------------------------------------------------------

TEST(ImagePalettes, EntriesSelectedByTheLowBits) {
  std::mt19937 rng(14);
  for (int bits = 1; bits <= 8; ++bits) {
    SCOPED_TRACE("bits " + std::to_string(bits));
    const int entries = 1 << bits;
    // Tables of exactly 2^bits entries: a read beyond them stops the test under the sanitizer.
    GuardedVector table24(entries, 3), table32(entries, 4);
    for (int i = 0; i < entries * 3; ++i) table24.data()[i] = static_cast<uint8_t>(rng());
    for (int i = 0; i < entries * 4; ++i) table32.data()[i] = static_cast<uint8_t>(rng());
    GuardedImage src(13, 5, 1), dst24(13, 5, 3), dst32(13, 5, 4);
    src.Randomize(rng);
    ASSERT_EQ(builtin::ippiLUTPalette_8u24u_C1R(src.data(), src.step(), dst24.data(),
                                                dst24.step(), src.size(), table24.data(), bits),
              ippStsNoErr);
    ASSERT_EQ(builtin::ippiLUTPalette_8u32u_C1R(
                  src.data(), src.step(), reinterpret_cast<Ipp32u*>(dst32.data()), dst32.step(),
                  src.size(), reinterpret_cast<const Ipp32u*>(table32.data()), bits),
              ippStsNoErr);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 13; ++x) {
        const int e = src.at(x, y)[0] & (entries - 1);
        ASSERT_EQ(0, std::memcmp(dst24.at(x, y), table24.data() + 3 * e, 3));
        ASSERT_EQ(0, std::memcmp(dst32.at(x, y), table32.data() + 4 * e, 4));
      }
    EXPECT_TRUE(dst24.OutsideUntouched());
    EXPECT_TRUE(dst32.OutsideUntouched());
    EXPECT_TRUE(table24.OutsideUntouched());
  }
}

TEST(ImagePalettes, ChecksInOrder) {
  uint8_t src[4] = {}, dst[16] = {}, table[3 * 256] = {};
  Ipp32u table32[256] = {};
  const IppiSize one{1, 1};
  struct Case {
    bool src, dst, table;
    int step;
    IppiSize size;
    int bits;
    IppStatus want;
  };
  const Case cases[] = {
      {false, true, true, 1, one, 4, ippStsNullPtrErr},
      {true, false, true, 1, one, 4, ippStsNullPtrErr},
      {true, true, false, 1, one, 4, ippStsNullPtrErr},
      {true, true, true, 0, IppiSize{0, 0}, 9, ippStsStepErr},  // the step before the size
      {true, true, true, 4, IppiSize{1, 0}, 9, ippStsSizeErr},
      {true, true, true, 4, one, 9, ippStsPaletteErr},
      {true, true, true, 4, one, 0, ippStsPaletteErr},
      {true, true, true, 4, one, 8, ippStsNoErr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(builtin::ippiLUTPalette_8u24u_C1R(c.src ? src : nullptr, c.step,
                                                c.dst ? dst : nullptr, c.step, c.size,
                                                c.table ? table : nullptr, c.bits),
              c.want);
    EXPECT_EQ(builtin::ippiLUTPalette_8u32u_C1R(
                  c.src ? src : nullptr, c.step, c.dst ? reinterpret_cast<Ipp32u*>(dst) : nullptr,
                  c.step, c.size, c.table ? table32 : nullptr, c.bits),
              c.want);
  }
}

// ---- Gamma ---------------------------------------------------------------------------------

// The tables rebuilt from their rule in extended precision; 255 x equals v exactly, so the
// linear parts are 4.5 v and v / 4.5, whose ties (4.5 and 13.5) round to even.
std::array<int, 256> GammaRule(bool forward) {
  std::array<int, 256> t{};
  for (int v = 0; v < 256; ++v) {
    const long double x = v / 255.0L;
    long double y255;
    if (forward) {
      y255 = x < 0.018L ? 4.5L * v : (1.099L * std::pow(x, 0.45L) - 0.099L) * 255;
    } else {
      y255 = x < 0.0812L ? v / 4.5L : std::pow((x + 0.099L) / 1.099L, 1 / 0.45L) * 255;
    }
    t[v] = static_cast<int>(std::nearbyint(y255));
  }
  return t;
}

TEST(ImageGamma, TablesFollowTheirRule) {
  const std::array<int, 256> fwd = GammaRule(true), inv = GammaRule(false);
  for (int v = 0; v < 256; ++v) {
    EXPECT_EQ(builtin::kGammaFwdTable[v], fwd[v]) << v;
    EXPECT_EQ(builtin::kGammaInvTable[v], inv[v]) << v;
  }
  const auto* f = builtin::kGammaFwdTable;
  const auto* i = builtin::kGammaInvTable;
  EXPECT_EQ(std::vector<int>(f, f + 8), (std::vector<int>{0, 4, 9, 14, 18, 23, 27, 30}));
  EXPECT_EQ(std::vector<int>(f + 250, f + 256), (std::vector<int>{253, 253, 254, 254, 255, 255}));
  EXPECT_EQ(std::vector<int>(i, i + 8), (std::vector<int>{0, 0, 0, 1, 1, 1, 1, 2}));
  EXPECT_EQ(std::vector<int>(i + 251, i + 256), (std::vector<int>{247, 249, 251, 253, 255}));
}

TEST(ImageGamma, EveryFormMapsThroughItsTable) {
  using namespace builtin;
  struct Form {
    std::string name;
    const Ipp8u* table;
    int pixel;
    IppStatus (*twoImages)(const Ipp8u*, int, Ipp8u*, int, IppiSize);
    IppStatus (*inPlace)(Ipp8u*, int, IppiSize);
  };
  const Form forms[] = {
      {"Fwd_C3R", kGammaFwdTable, 3, ippiGammaFwd_8u_C3R, nullptr},
      {"Fwd_AC4R", kGammaFwdTable, 4, ippiGammaFwd_8u_AC4R, nullptr},
      {"Fwd_C3IR", kGammaFwdTable, 3, nullptr, ippiGammaFwd_8u_C3IR},
      {"Inv_C3R", kGammaInvTable, 3, ippiGammaInv_8u_C3R, nullptr},
      {"Inv_AC4R", kGammaInvTable, 4, ippiGammaInv_8u_AC4R, nullptr},
      {"Inv_C3IR", kGammaInvTable, 3, nullptr, ippiGammaInv_8u_C3IR},
  };
  std::mt19937 rng(15);
  for (const Form& f : forms) {
    SCOPED_TRACE(f.name);
    GuardedImage src(29, 4, f.pixel, 3), dst(29, 4, f.pixel);
    src.Randomize(rng);
    src.at(0, 0)[0] = 0;
    src.at(1, 0)[0] = 255;
    dst.Randomize(rng);
    if (f.inPlace) dst.SetRegion(src.Region());
    const std::vector<uint8_t> in = src.Region(), before = dst.Region();
    ASSERT_EQ(f.inPlace ? f.inPlace(dst.data(), dst.step(), dst.size())
                        : f.twoImages(src.data(), src.step(), dst.data(), dst.step(), dst.size()),
              ippStsNoErr);
    const std::vector<uint8_t> out = dst.Region();
    for (size_t i = 0; i < out.size(); ++i)
      ASSERT_EQ(out[i], i % f.pixel == 3 ? before[i] : f.table[in[i]]) << "byte " << i;
    EXPECT_EQ(dst.at(0, 0)[0], 0);
    EXPECT_EQ(dst.at(1, 0)[0], 255);
    EXPECT_TRUE(dst.OutsideUntouched());

    // Checks: null, then size, then step.
    uint8_t a[4] = {}, b[4] = {};
    if (f.inPlace) {
      EXPECT_EQ(f.inPlace(nullptr, 0, IppiSize{0, 0}), ippStsNullPtrErr);
      EXPECT_EQ(f.inPlace(a, 0, IppiSize{0, 1}), ippStsSizeErr);
      EXPECT_EQ(f.inPlace(a, 0, IppiSize{1, 1}), ippStsStepErr);
    } else {
      EXPECT_EQ(f.twoImages(a, 4, nullptr, 4, IppiSize{1, 1}), ippStsNullPtrErr);
      EXPECT_EQ(f.twoImages(a, 0, b, 0, IppiSize{1, 0}), ippStsSizeErr);
      EXPECT_EQ(f.twoImages(a, 4, b, 0, IppiSize{1, 1}), ippStsStepErr);
    }
  }
}

}  // namespace
