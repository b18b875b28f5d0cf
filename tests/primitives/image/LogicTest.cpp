#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/Logic.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using namespace builtin;
using imagetest::GuardedImage;

// What a form reads: two images into a third, an image and the destination in place, an
// image and its constants, or the destination and its constants in place.
enum class TInput { TwoImages, InPlaceImages, Constant, ConstantInPlace };

struct TCall {
  const Ipp8u* A;
  int AStep;
  const Ipp8u* B;
  int BStep;
  Ipp8u* D;
  int DStep;
  IppiSize Size;
};

// One of the 46 forms: its layout, what it reads, whether it tests the size before anything
// else, and the model of one byte: x the first operand, y the second image's byte (two-image
// forms), k the channel.
struct TForm {
  std::string Name;
  int Channels;
  bool Alpha4;
  TInput Input;
  bool SizeFirst;
  std::function<IppStatus(const TCall&)> Run;
  std::function<int(int x, int y, int k)> Model;
};

// The constants and counts of the table: a different value in every channel.
const Ipp8u kValues[4] = {0x5A, 0xC3, 0x0F, 0xF0};
const Ipp32u kCounts[4] = {1, 3, 7, 2};

int ShiftLeft(int x, Ipp32u c) { return c > 7 ? 0 : (x << c) & 255; }
int ShiftRight(int x, Ipp32u c) { return c > 7 ? 0 : x >> c; }

#define PF_LOGIC_TEST_TWO_IMAGE_FORMS(Op, expr)                                                    \
  TForm{#Op "_C1R",                                                                                \
        1,                                                                                         \
        false,                                                                                     \
        TInput::TwoImages,                                                                         \
        false,                                                                                     \
        [](const TCall& c) {                                                                       \
          return ippi##Op##_8u_C1R(c.A, c.AStep, c.B, c.BStep, c.D, c.DStep, c.Size);              \
        },                                                                                         \
        [](int x, int y, int) { return expr; }},                                                   \
      TForm{#Op "_C3R",                                                                            \
            3,                                                                                     \
            false,                                                                                 \
            TInput::TwoImages,                                                                     \
            true,                                                                                  \
            [](const TCall& c) {                                                                   \
              return ippi##Op##_8u_C3R(c.A, c.AStep, c.B, c.BStep, c.D, c.DStep, c.Size);          \
            },                                                                                     \
            [](int x, int y, int) { return expr; }},                                               \
      TForm{#Op "_AC4R",                                                                           \
            4,                                                                                     \
            true,                                                                                  \
            TInput::TwoImages,                                                                     \
            false,                                                                                 \
            [](const TCall& c) {                                                                   \
              return ippi##Op##_8u_AC4R(c.A, c.AStep, c.B, c.BStep, c.D, c.DStep, c.Size);         \
            },                                                                                     \
            [](int x, int y, int) { return expr; }},                                               \
      TForm{#Op "_C1IR",                                                                           \
            1,                                                                                     \
            false,                                                                                 \
            TInput::InPlaceImages,                                                                 \
            false,                                                                                 \
            [](const TCall& c) { return ippi##Op##_8u_C1IR(c.A, c.AStep, c.D, c.DStep, c.Size); }, \
            [](int x, int y, int) { return expr; }},                                               \
      TForm{#Op "_C3IR",                                                                           \
            3,                                                                                     \
            false,                                                                                 \
            TInput::InPlaceImages,                                                                 \
            true,                                                                                  \
            [](const TCall& c) { return ippi##Op##_8u_C3IR(c.A, c.AStep, c.D, c.DStep, c.Size); }, \
            [](int x, int y, int) { return expr; }},                                               \
      TForm{#Op "_C4IR",                                                                           \
            4,                                                                                     \
            false,                                                                                 \
            TInput::InPlaceImages,                                                                 \
            true,                                                                                  \
            [](const TCall& c) { return ippi##Op##_8u_C4IR(c.A, c.AStep, c.D, c.DStep, c.Size); }, \
            [](int x, int y, int) { return expr; }},                                               \
      TForm {                                                                                      \
#Op "_AC4IR", 4, true, TInput::InPlaceImages, false,                                               \
            [](const TCall& c) { return ippi##Op##_8u_AC4IR(c.A, c.AStep, c.D, c.DStep, c.Size); },\
            [](int x, int y, int) { return expr; }                                                 \
  }

// expr uses x and the channel's constant v.
#define PF_LOGIC_TEST_CONSTANT_FORMS(Op, values, expr)                                             \
  TForm{#Op "_C3R",                                                                                \
        3,                                                                                         \
        false,                                                                                     \
        TInput::Constant,                                                                          \
        false,                                                                                     \
        [](const TCall& c) {                                                                       \
          return ippi##Op##_8u_C3R(c.A, c.AStep, values, c.D, c.DStep, c.Size);                    \
        },                                                                                         \
        [](int x, int, int k) {                                                                    \
          const auto v = values[k];                                                                \
          return expr;                                                                             \
        }},                                                                                        \
      TForm{#Op "_C3IR",                                                                           \
            3,                                                                                     \
            false,                                                                                 \
            TInput::ConstantInPlace,                                                               \
            false,                                                                                 \
            [](const TCall& c) { return ippi##Op##_8u_C3IR(values, c.D, c.DStep, c.Size); },       \
            [](int x, int, int k) {                                                                \
              const auto v = values[k];                                                            \
              return expr;                                                                         \
            }},                                                                                    \
      TForm{#Op "_C4IR",                                                                           \
            4,                                                                                     \
            false,                                                                                 \
            TInput::ConstantInPlace,                                                               \
            false,                                                                                 \
            [](const TCall& c) { return ippi##Op##_8u_C4IR(values, c.D, c.DStep, c.Size); },       \
            [](int x, int, int k) {                                                                \
              const auto v = values[k];                                                            \
              return expr;                                                                         \
            }},                                                                                    \
      TForm {                                                                                      \
#Op "_AC4IR", 4, true, TInput::ConstantInPlace, false,                                             \
            [](const TCall& c) { return ippi##Op##_8u_AC4IR(values, c.D, c.DStep, c.Size); },      \
            [](int x, int, int k) { const auto v = values[k]; return expr; }                       \
  }

std::vector<TForm> AllForms() {
  return {
      PF_LOGIC_TEST_TWO_IMAGE_FORMS(And, x & y),
      PF_LOGIC_TEST_TWO_IMAGE_FORMS(Or, x | y),
      PF_LOGIC_TEST_TWO_IMAGE_FORMS(Xor, x ^ y),
      PF_LOGIC_TEST_CONSTANT_FORMS(AndC, kValues, x & v),
      PF_LOGIC_TEST_CONSTANT_FORMS(OrC, kValues, x | v),
      PF_LOGIC_TEST_CONSTANT_FORMS(XorC, kValues, x ^ v),
      PF_LOGIC_TEST_CONSTANT_FORMS(LShiftC, kCounts, ShiftLeft(x, v)),
      PF_LOGIC_TEST_CONSTANT_FORMS(RShiftC, kCounts, ShiftRight(x, v)),
      TForm{"Not_C3R", 3, false, TInput::Constant, true,
            [](const TCall& c) { return ippiNot_8u_C3R(c.A, c.AStep, c.D, c.DStep, c.Size); },
            [](int x, int, int) { return 255 - x; }},
      TForm{"Not_AC4R", 4, true, TInput::Constant, false,
            [](const TCall& c) { return ippiNot_8u_AC4R(c.A, c.AStep, c.D, c.DStep, c.Size); },
            [](int x, int, int) { return 255 - x; }},
      TForm{"Not_C3IR", 3, false, TInput::ConstantInPlace, true,
            [](const TCall& c) { return ippiNot_8u_C3IR(c.D, c.DStep, c.Size); },
            [](int x, int, int) { return 255 - x; }},
      TForm{"Not_C4IR", 4, false, TInput::ConstantInPlace, true,
            [](const TCall& c) { return ippiNot_8u_C4IR(c.D, c.DStep, c.Size); },
            [](int x, int, int) { return 255 - x; }},
      TForm{"Not_AC4IR", 4, true, TInput::ConstantInPlace, false,
            [](const TCall& c) { return ippiNot_8u_AC4IR(c.D, c.DStep, c.Size); },
            [](int x, int, int) { return 255 - x; }},
  };
}

#undef PF_LOGIC_TEST_TWO_IMAGE_FORMS
#undef PF_LOGIC_TEST_CONSTANT_FORMS

// Runs a form on guarded images of width x height and compares every destination byte with the
// model: the fourth byte of an alpha-four pixel keeps its value, the sources do not change, and
// nothing outside the regions is written.
void ExpectFormAgreesWithTheModel(const TForm& f, int width, int height, int pad,
                                  std::mt19937& rng) {
  GuardedImage a(width, height, f.Channels, pad), b(width, height, f.Channels, pad),
      d(width, height, f.Channels, pad);
  a.Randomize(rng), b.Randomize(rng), d.Randomize(rng);
  const std::vector<uint8_t> a0 = a.Region(), b0 = b.Region(), d0 = d.Region();
  ASSERT_EQ(f.Run(TCall{a.data(), a.step(), b.data(), b.step(), d.data(), d.step(), d.size()}),
            ippStsNoErr)
      << f.Name;
  const std::vector<uint8_t> got = d.Region();
  for (size_t i = 0; i < got.size(); ++i) {
    const int k = static_cast<int>(i % f.Channels);
    int expected = d0[i];
    if (!(f.Alpha4 && k == 3)) {
      switch (f.Input) {
        case TInput::TwoImages:
          expected = f.Model(a0[i], b0[i], k);
          break;
        case TInput::InPlaceImages:
          expected = f.Model(a0[i], d0[i], k);
          break;
        case TInput::Constant:
          expected = f.Model(a0[i], 0, k);
          break;
        case TInput::ConstantInPlace:
          expected = f.Model(d0[i], 0, k);
          break;
      }
    }
    ASSERT_EQ(got[i], expected) << f.Name << " byte " << i << " of " << width << " x " << height
                                << " pad " << pad;
  }
  EXPECT_EQ(a.Region(), a0) << f.Name;
  EXPECT_EQ(b.Region(), b0) << f.Name;
  EXPECT_TRUE(a.OutsideUntouched() && b.OutsideUntouched() && d.OutsideUntouched()) << f.Name;
}

TEST(ImageLogic, EveryFormAgreesWithItsByteModelOnGuardedImages) {
  const std::vector<TForm> forms = AllForms();
  ASSERT_EQ(forms.size(), 46u);
  std::mt19937 rng(18);
  for (const TForm& f : forms) {
    // Padded rows, contiguous rows (worked as one), and a row long enough for every vector
    // length with an odd rest.
    ExpectFormAgreesWithTheModel(f, 7, 5, 11, rng);
    ExpectFormAgreesWithTheModel(f, 7, 5, 0, rng);
    ExpectFormAgreesWithTheModel(f, 301, 3, 5, rng);
  }
}

TEST(ImageLogic, ChecksPointersThenStepsThenSizeUnlessTheSizeComesFirst) {
  GuardedImage a(4, 2, 4), b(4, 2, 4), d(4, 2, 4);
  const IppiSize empty{0, 2}, good{4, 2};
  for (const TForm& f : AllForms()) {
    SCOPED_TRACE(f.Name);
    const int firstForEmpty = f.SizeFirst ? ippStsSizeErr : ippStsNullPtrErr;
    EXPECT_EQ(f.Run(TCall{nullptr, 0, nullptr, 0, nullptr, 0, empty}), firstForEmpty);
    EXPECT_EQ(f.Run(TCall{a.data(), 0, b.data(), 0, d.data(), 0, empty}),
              f.SizeFirst ? ippStsSizeErr : ippStsStepErr);
    EXPECT_EQ(f.Run(TCall{a.data(), a.step(), b.data(), b.step(), d.data(), d.step(), empty}),
              ippStsSizeErr);
    EXPECT_EQ(f.Run(TCall{a.data(), a.step(), b.data(), b.step(), d.data(), d.step(), {4, -1}}),
              ippStsSizeErr);
    // Each step the form reads, zero or negative, is refused with the others good.
    const bool readsA = f.Input != TInput::ConstantInPlace;
    const bool readsB = f.Input == TInput::TwoImages;
    for (int bad : {0, -1}) {
      if (readsA) {
        EXPECT_EQ(f.Run(TCall{a.data(), bad, b.data(), b.step(), d.data(), d.step(), good}),
                  ippStsStepErr);
      }
      if (readsB) {
        EXPECT_EQ(f.Run(TCall{a.data(), a.step(), b.data(), bad, d.data(), d.step(), good}),
                  ippStsStepErr);
      }
      EXPECT_EQ(f.Run(TCall{a.data(), a.step(), b.data(), b.step(), d.data(), bad, good}),
                ippStsStepErr);
    }
  }
  // The value array is checked with the image pointers.
  Ipp8u px[4] = {};
  EXPECT_EQ(ippiAndC_8u_C3IR(nullptr, px, 3, IppiSize{1, 1}), ippStsNullPtrErr);
  EXPECT_EQ(ippiOrC_8u_C4IR(nullptr, px, 4, IppiSize{0, 1}), ippStsNullPtrErr);
  EXPECT_EQ(ippiXorC_8u_C3R(px, 3, nullptr, px, 3, IppiSize{1, 1}), ippStsNullPtrErr);
  EXPECT_EQ(ippiLShiftC_8u_AC4IR(nullptr, px, 4, IppiSize{1, 1}), ippStsNullPtrErr);
  EXPECT_EQ(ippiRShiftC_8u_C3R(px, 3, nullptr, px, 3, IppiSize{1, 1}), ippStsNullPtrErr);
  // A zero width with a null source: the three-channel form checks its size before its pointers,
  // the one-channel form its pointers first.
  EXPECT_EQ(ippiAnd_8u_C3IR(nullptr, 3, px, 3, IppiSize{0, 1}), ippStsSizeErr);
  EXPECT_EQ(ippiAnd_8u_C1IR(nullptr, 3, px, 3, IppiSize{0, 1}), ippStsNullPtrErr);
}

// The bytes of one three-byte pixel after an in-place shift by counts.
std::vector<uint8_t> ShiftedPixels(IppStatus (*shift)(const Ipp32u*, Ipp8u*, int, IppiSize),
                                   std::vector<Ipp32u> counts, std::vector<uint8_t> pixels,
                                   int channels, IppStatus expected = ippStsNoErr) {
  const int width = static_cast<int>(pixels.size()) / channels;
  EXPECT_EQ(shift(counts.data(), pixels.data(), width * channels, IppiSize{width, 1}), expected);
  return pixels;
}

TEST(ImageLogic, ShiftCountsAboveSevenZeroAndZeroKeeps) {
  const std::vector<uint8_t> px = {0x81, 0x7F, 0xFF, 0x01, 0x40, 0xC3};
  for (auto shift : {ippiLShiftC_8u_C3IR, ippiRShiftC_8u_C3IR}) {
    EXPECT_EQ(ShiftedPixels(shift, {8, 8, 8}, px, 3), std::vector<uint8_t>(6, 0));
    EXPECT_EQ(ShiftedPixels(shift, {100, 9, 8}, px, 3), std::vector<uint8_t>(6, 0));
    EXPECT_EQ(ShiftedPixels(shift, {0, 0, 0}, px, 3), px);
    // A caller's -1 is a count above 7.
    EXPECT_EQ(ShiftedPixels(shift, {4294967295u, 0, 0}, px, 3),
              (std::vector<uint8_t>{0, 0x7F, 0xFF, 0, 0x40, 0xC3}));
  }
  // (1, 0, 9): channel 0 doubled dropping the carry, channel 1 kept, channel 2 zeroed.
  EXPECT_EQ(ShiftedPixels(ippiLShiftC_8u_C3IR, {1, 0, 9}, px, 3),
            (std::vector<uint8_t>{0x02, 0x7F, 0, 0x02, 0x40, 0}));
  EXPECT_EQ(ShiftedPixels(ippiRShiftC_8u_C3IR, {1, 0, 9}, px, 3),
            (std::vector<uint8_t>{0x40, 0x7F, 0, 0x00, 0x40, 0}));
  // Four channels: all above 7 zero every byte, equal counts shift the whole row.
  const std::vector<uint8_t> px4 = {0x81, 0x7F, 0xFF, 0x01, 0x40, 0xC3, 0x10, 0x08};
  EXPECT_EQ(ShiftedPixels(ippiLShiftC_8u_C4IR, {9, 8, 100, 4294967295u}, px4, 4),
            std::vector<uint8_t>(8, 0));
  EXPECT_EQ(ShiftedPixels(ippiRShiftC_8u_C4IR, {3, 3, 3, 3}, px4, 4),
            (std::vector<uint8_t>{0x10, 0x0F, 0x1F, 0x00, 0x08, 0x18, 0x02, 0x01}));
}

TEST(ImageLogic, AlphaFourShiftsCopyOrFillTheColourBytesAndKeepAlpha) {
  GuardedImage img(5, 3, 4);
  std::mt19937 rng(7);
  img.Randomize(rng);
  const std::vector<uint8_t> before = img.Region();
  const Ipp32u zero[3] = {0, 0, 0}, large[3] = {8, 4294967295u, 200};
  // (0, 0, 0) copies the region onto itself.
  EXPECT_EQ(ippiRShiftC_8u_AC4IR(zero, img.data(), img.step(), img.size()), ippStsNoErr);
  EXPECT_EQ(img.Region(), before);
  EXPECT_EQ(ippiLShiftC_8u_AC4IR(large, img.data(), img.step(), img.size()), ippStsNoErr);
  const std::vector<uint8_t> after = img.Region();
  for (size_t i = 0; i < after.size(); ++i) ASSERT_EQ(after[i], i % 4 == 3 ? before[i] : 0);
  EXPECT_TRUE(img.OutsideUntouched());
}

TEST(ImageLogic, XorWithAllOnesIsTheComplement) {
  std::mt19937 rng(255);
  const Ipp8u ones[4] = {255, 255, 255, 255};
  struct Pair {
    int Channels;
    IppStatus (*XorC)(const Ipp8u*, Ipp8u*, int, IppiSize);
    IppStatus (*Not)(Ipp8u*, int, IppiSize);
  } pairs[] = {{3, ippiXorC_8u_C3IR, ippiNot_8u_C3IR},
               {4, ippiXorC_8u_C4IR, ippiNot_8u_C4IR},
               {4, ippiXorC_8u_AC4IR, ippiNot_8u_AC4IR}};
  for (const Pair& p : pairs) {
    GuardedImage x(9, 4, p.Channels), y(9, 4, p.Channels);
    x.Randomize(rng);
    y.SetRegion(x.Region());
    ASSERT_EQ(p.XorC(ones, x.data(), x.step(), x.size()), ippStsNoErr);
    ASSERT_EQ(p.Not(y.data(), y.step(), y.size()), ippStsNoErr);
    EXPECT_EQ(x.Region(), y.Region());
  }
}

}  // namespace
