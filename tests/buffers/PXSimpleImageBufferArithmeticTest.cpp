// The image buffer's whole-image arithmetic, logic and fills: every operation against a naive
// model over every pair of formats, with unbound primitives made fatal (a call that reaches a
// stub aborts), and the edge cases of the operations one by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "binding/IPPSlots.h"
#include "buffers/PXSimpleImageBuffer.h"
#include "primitives/image/AlphaComp.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/primitives/ScaleFactorModel.h"

namespace {

using namespace buffers;

class ImageArithmetic : public bufferstest::BuffersTest {
 protected:
  void SetUp() override {
    BuffersTest::SetUp();
    binding::SetStubCallsAbort(true);
  }
  void TearDown() override {
    binding::SetStubCallsAbort(false);
    BuffersTest::TearDown();
  }
};

const TPXVideoFormat kFormats[] = {vfRGB24,  vfYUY2,   vfUYVY,      vfRGBA32,
                                   vfRGB565, vfRGB555, vfGrayScale, vfRGB};

const char* Name(TPXVideoFormat f) {
  static const char* const names[] = {"RGB24",  "YUY2",   "UYVY",      "RGBA32",
                                      "RGB565", "RGB555", "GrayScale", "RGB"};
  return names[f];
}

// An image of random bytes (the row padding of RGB24 included).
RefPtr<TPXImageBuffer> Random(int32_t w, int32_t h, TPXVideoFormat f, std::mt19937& rng) {
  RefPtr<TPXImageBuffer> image = TPXImageBuffer::CreateSize(w, h, f);
  uint8_t* p = image->Write();
  for (uint32_t i = 0; i < image->GetByteSize(); ++i) p[i] = static_cast<uint8_t>(rng());
  return image;
}

std::vector<uint8_t> Bytes(IPXImageBuffer* image) {
  return std::vector<uint8_t>(image->Read(), image->Read() + image->GetByteSize());
}

// A view on image converted to f (image keeps its format).
RefPtr<TPXImageBuffer> Converted(IPXImageBuffer* image, TPXVideoFormat f) {
  RefPtr<TPXImageBuffer> view = TPXImageBuffer::CreateCopy(image);
  view->ConvertTo(f);
  return view;
}

uint8_t* At(IPXImageBuffer* image, uint32_t x, uint32_t y) {
  return image->Read() + static_cast<size_t>(y) * image->GetStep() +
         static_cast<size_t>(x) * image->GetBytesPerPixel();
}

// Expects image to hold the bytes of expected (same format and size) in every row of pixels,
// the RGB24 padding aside.
void ExpectSamePixels(IPXImageBuffer* image, IPXImageBuffer* expected, const std::string& what) {
  ASSERT_EQ(image->GetFormat(), expected->GetFormat()) << what;
  ASSERT_EQ(image->GetWidth(), expected->GetWidth()) << what;
  ASSERT_EQ(image->GetHeight(), expected->GetHeight()) << what;
  const size_t rowBytes = size_t{image->GetWidth()} * image->GetBytesPerPixel();
  for (uint32_t y = 0; y < image->GetHeight(); ++y)
    ASSERT_EQ(0, std::memcmp(At(image, 0, y), At(expected, 0, y), rowBytes))
        << what << ", row " << y;
}

int Half(int v) { return static_cast<int>(sfmodel::Scaled(v, 1, 0, 255)); }

// ---- Operations with another image -------------------------------------------------------------

struct TImageOp {
  const char* Name;
  bool Logic;  // keeps 16-bit images
  void (TPXImageBuffer::*InPlace)(IPXImageBuffer*);
  void (TPXImageBuffer::*TwoImages)(IPXImageBuffer*, IPXImageBuffer*);
  std::function<int(int self, int other)> Model;
};

const std::vector<TImageOp>& ImageOps() {
  static const std::vector<TImageOp> ops = {
      {"Add", false, &TPXImageBuffer::Add, &TPXImageBuffer::Add,
       [](int a, int b) { return Half(a + b); }},
      {"Subtract", false, &TPXImageBuffer::Subtract, &TPXImageBuffer::Subtract,
       [](int a, int b) { return Half(std::max(a - b, 0)); }},
      {"Multiply", false, &TPXImageBuffer::Multiply, &TPXImageBuffer::Multiply,
       [](int a, int b) { return Half(a * b); }},
      {"MultiplyScale", false, &TPXImageBuffer::MultiplyScale, &TPXImageBuffer::MultiplyScale,
       [](int a, int b) { return a * b / 255; }},
      {"Divide", false, &TPXImageBuffer::Divide, &TPXImageBuffer::Divide,
       [](int a, int b) {
         return b == 0 ? (a != 0 ? 255 : 0)
                       : static_cast<int>(sfmodel::ScaledQuotient(a, b, 1, 0, 255));
       }},
      {"And", true, &TPXImageBuffer::And, &TPXImageBuffer::And, [](int a, int b) { return a & b; }},
      {"Or", true, &TPXImageBuffer::Or, &TPXImageBuffer::Or, [](int a, int b) { return a | b; }},
      {"Xor", true, &TPXImageBuffer::Xor, &TPXImageBuffer::Xor, [](int a, int b) { return a ^ b; }},
      {"AbsDiff", false, &TPXImageBuffer::AbsDiff, &TPXImageBuffer::AbsDiff,
       [](int a, int b) { return std::abs(a - b); }},
  };
  return ops;
}

// The format both images are worked in: RGBA32 when this image is RGBA32, otherwise RGB24 when
// the formats differ; with equal formats the format itself, except packed 4:2:2 and (but for
// the logic) 16-bit images, which become RGB24.
TPXVideoFormat Prepared(TPXVideoFormat self, TPXVideoFormat other, bool logic) {
  if (self != other) return self == vfRGBA32 ? vfRGBA32 : vfRGB24;
  if (self == vfYUY2 || self == vfUYVY) return vfRGB24;
  if (!logic && (self == vfRGB565 || self == vfRGB555)) return vfRGB24;
  return self;
}

// The naive result of self op other: both converted to the prepared format, then every byte of
// the common area (RGBA32 alpha aside) by the model; everything else as self converted.
RefPtr<TPXImageBuffer> Expected(const TImageOp& op, IPXImageBuffer* self, IPXImageBuffer* other) {
  const TPXVideoFormat f = Prepared(self->GetFormat(), other->GetFormat(), op.Logic);
  RefPtr<TPXImageBuffer> result = Converted(self, f);
  result->Modify();
  RefPtr<TPXImageBuffer> o = Converted(other, f);
  const uint32_t w = std::min(result->GetWidth(), o->GetWidth());
  const uint32_t h = std::min(result->GetHeight(), o->GetHeight());
  const uint32_t bpp = result->GetBytesPerPixel();
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      for (uint32_t k = 0; k < bpp; ++k) {
        if (f == vfRGBA32 && k == 3) continue;
        uint8_t* d = At(result.Get(), x, y) + k;
        *d = static_cast<uint8_t>(op.Model(*d, At(o.Get(), x, y)[k]));
      }
  return result;
}

TEST_F(ImageArithmetic, OperationsWithAnotherImageOverEveryPairOfFormats) {
  std::mt19937 rng(3110);
  for (const TImageOp& op : ImageOps()) {
    for (TPXVideoFormat selfFormat : kFormats) {
      for (TPXVideoFormat otherFormat : kFormats) {
        const std::string what =
            std::string(op.Name) + " of " + Name(selfFormat) + " with " + Name(otherFormat);
        // Sizes that differ both ways, so that the common area is smaller than either.
        RefPtr<TPXImageBuffer> self = Random(7, 5, selfFormat, rng);
        RefPtr<TPXImageBuffer> other = Random(6, 6, otherFormat, rng);
        const std::vector<uint8_t> otherBytes = Bytes(other.Get());
        RefPtr<TPXImageBuffer> expected = Expected(op, self.Get(), other.Get());
        RefPtr<TPXImageBuffer> result = TPXImageBuffer::CreateCopy(self.Get());
        (result.Get()->*op.InPlace)(other.Get());
        ExpectSamePixels(result.Get(), expected.Get(), what);
        EXPECT_EQ(other->GetFormat(), otherFormat) << what;
        EXPECT_EQ(Bytes(other.Get()), otherBytes) << what;
        EXPECT_EQ(self->GetFormat(), selfFormat) << what;  // the view operated on, not self

        // (A, B) on an unrelated image: the result of A op B; A and B unchanged.
        const std::vector<uint8_t> selfBytes = Bytes(self.Get());
        RefPtr<TPXImageBuffer> target = Random(3, 9, vfRGB555, rng);
        (target.Get()->*op.TwoImages)(self.Get(), other.Get());
        ExpectSamePixels(target.Get(), expected.Get(), what + " (A, B)");
        EXPECT_EQ(Bytes(self.Get()), selfBytes) << what;
        EXPECT_EQ(Bytes(other.Get()), otherBytes) << what;
      }
    }
  }
}

// C.Subtract (A, C): C is read before it takes A's store, so the result is A - C and not A - A.
TEST_F(ImageArithmetic, TheSecondImageMayBeTheTargetItself) {
  std::mt19937 rng(88);
  for (const TImageOp& op : ImageOps()) {
    for (TPXVideoFormat f : {vfRGB24, vfRGBA32, vfGrayScale, vfYUY2}) {
      RefPtr<TPXImageBuffer> a = Random(5, 4, vfRGB24, rng);
      RefPtr<TPXImageBuffer> c = Random(5, 4, f, rng);
      const std::vector<uint8_t> aBytes = Bytes(a.Get());
      RefPtr<TPXImageBuffer> expected = Expected(op, a.Get(), c.Get());
      (c.Get()->*op.TwoImages)(a.Get(), c.Get());
      ExpectSamePixels(c.Get(), expected.Get(), std::string(op.Name) + " (A, C) of " + Name(f));
      EXPECT_EQ(Bytes(a.Get()), aBytes);
    }
  }
  // C.Subtract(A, C) reads C before it writes it: (200 - 50) halved by the scale factor 1 is 75,
  // where a C already overwritten by A would give 0.
  RefPtr<TPXImageBuffer> a = TPXImageBuffer::CreateSize(2, 2, vfGrayScale);
  RefPtr<TPXImageBuffer> c = TPXImageBuffer::CreateSize(2, 2, vfGrayScale);
  a->FillGrayScale(200);
  c->FillGrayScale(50);
  c->Subtract(a.Get(), c.Get());
  EXPECT_EQ(c->GetGrayScale(1, 1), 75);
  EXPECT_EQ(a->GetGrayScale(1, 1), 200);
  RefPtr<TPXImageBuffer> d = TPXImageBuffer::CreateSize(2, 2, vfGrayScale);
  d->FillGrayScale(50);
  d->AbsDiff(a.Get(), d.Get());
  EXPECT_EQ(d->GetGrayScale(0, 0), 150);  // the difference, not the sum or zero
}

TEST_F(ImageArithmetic, EdgeCasesOfTheImageOperations) {
  std::mt19937 rng(5);
  // An image added to a copy of itself stays as it was (the rounded average of equal values);
  // the copy, which shared the store, is not changed either.
  RefPtr<TPXImageBuffer> image = Random(9, 4, vfRGB24, rng);
  RefPtr<TPXImageBuffer> copy = TPXImageBuffer::CreateCopy(image.Get());
  const std::vector<uint8_t> before = Bytes(image.Get());
  image->Add(copy.Get());
  ExpectSamePixels(image.Get(), copy.Get(), "Add of a copy");
  EXPECT_EQ(Bytes(copy.Get()), before);

  // 10 x 10 with 4 x 20: only the left 4 columns of the top 10 rows change.
  RefPtr<TPXImageBuffer> big = TPXImageBuffer::CreateSize(10, 10, vfRGB24);
  RefPtr<TPXImageBuffer> tall = TPXImageBuffer::CreateSize(4, 20, vfRGB24);
  big->Fill(0x646464);
  tall->Fill(0x000000);
  big->Add(tall.Get());
  for (uint32_t y = 0; y < 10; ++y)
    for (uint32_t x = 0; x < 10; ++x) ASSERT_EQ(big->GetPixel(x, y), x < 4 ? 0x323232 : 0x646464);

  // Two gray images stay gray; RGB565 XOR RGB565 stays RGB565, the XOR of the 16-bit words.
  RefPtr<TPXImageBuffer> g1 = Random(5, 3, vfGrayScale, rng), g2 = Random(5, 3, vfGrayScale, rng);
  g1->Add(g2.Get());
  EXPECT_EQ(g1->GetFormat(), vfGrayScale);
  RefPtr<TPXImageBuffer> w1 = Random(5, 3, vfRGB565, rng), w2 = Random(5, 3, vfRGB565, rng);
  std::vector<uint16_t> words1(15), words2(15);
  std::memcpy(words1.data(), w1->Read(), 30);
  std::memcpy(words2.data(), w2->Read(), 30);
  w1->Xor(w2.Get());
  EXPECT_EQ(w1->GetFormat(), vfRGB565);
  for (int i = 0; i < 15; ++i) {
    uint16_t word;
    std::memcpy(&word, w1->Read() + 2 * i, 2);
    EXPECT_EQ(word, words1[i] ^ words2[i]);
  }
}

// ---- Operations with a constant ------------------------------------------------------------

struct TConstantOp {
  const char* Name;
  void (TPXImageBuffer::*Color)(TColor);
  void (TPXImageBuffer::*ColorAlpha)(TColor, uint8_t);
  void (TPXImageBuffer::*Packed)(TPXPackedColor);
  TColor Constant;  // red, green, blue in bits 0-7, 8-15, 16-23
  uint8_t Alpha;
  std::function<int(int x, int c)> Model;
};

int Shift(int x, int c, bool left) { return c > 7 ? 0 : (left ? (x << c) & 255 : x >> c); }

const std::vector<TConstantOp>& ConstantOps() {
  using T = TPXImageBuffer;
  static const std::vector<TConstantOp> ops = {
      {"AddValue", &T::AddValue, &T::AddValue, &T::AddValue, 0x20C817, 0x9C,
       [](int x, int c) { return Half(x + c); }},
      {"SubtractValue", &T::SubtractValue, &T::SubtractValue, &T::SubtractValue, 0x20C817, 0x9C,
       [](int x, int c) { return Half(std::max(x - c, 0)); }},
      {"MultiplyValue", &T::MultiplyValue, &T::MultiplyValue, &T::MultiplyValue, 0x20C817, 0x9C,
       [](int x, int c) { return Half(x * c); }},
      {"MultiplyScaleValue", &T::MultiplyScaleValue, &T::MultiplyScaleValue, &T::MultiplyScaleValue,
       0x20C817, 0x9C, [](int x, int c) { return x * c / 255; }},
      {"DivideValue", &T::DivideValue, &T::DivideValue, &T::DivideValue, 0x20C817, 0x9C,
       [](int x, int c) { return static_cast<int>(sfmodel::ScaledQuotient(x, c, 1, 0, 255)); }},
      {"AndValue", &T::AndValue, &T::AndValue, &T::AndValue, 0x20C817, 0x9C,
       [](int x, int c) { return x & c; }},
      {"OrValue", &T::OrValue, &T::OrValue, &T::OrValue, 0x20C817, 0x9C,
       [](int x, int c) { return x | c; }},
      {"XorValue", &T::XorValue, &T::XorValue, &T::XorValue, 0x20C817, 0x9C,
       [](int x, int c) { return x ^ c; }},
      {"LShiftValue", &T::LShiftValue, &T::LShiftValue, &T::LShiftValue, 0x090301, 0x02,
       [](int x, int c) { return Shift(x, c, true); }},
      {"RShiftValue", &T::RShiftValue, &T::RShiftValue, &T::RShiftValue, 0x020701, 0x05,
       [](int x, int c) { return Shift(x, c, false); }},
  };
  return ops;
}

TEST_F(ImageArithmetic, OperationsWithAConstantInEveryFormat) {
  std::mt19937 rng(108);
  enum TForm { kColor, kColorAlpha, kPacked };
  for (const TConstantOp& op : ConstantOps()) {
    for (TPXVideoFormat f : kFormats) {
      for (TForm form : {kColor, kColorAlpha, kPacked}) {
        const std::string what =
            std::string(op.Name) + " form " + std::to_string(form) + " on " + Name(f);
        RefPtr<TPXImageBuffer> image = Random(6, 3, f, rng);
        // Gray, 16-bit and packed 4:2:2 images become RGB24 (a gray image a colour one).
        const TPXVideoFormat prepared = f == vfRGBA32 || f == vfRGB ? f : vfRGB24;
        RefPtr<TPXImageBuffer> expected = Converted(image.Get(), prepared);
        expected->Modify();
        const auto c = static_cast<uint32_t>(op.Constant);
        const int channels[4] = {static_cast<int>((c >> 16) & 255),
                                 static_cast<int>((c >> 8) & 255), static_cast<int>(c & 255),
                                 op.Alpha};
        // Alpha takes part only in the packed forms (Color, Alpha builds one) on RGBA32.
        const uint32_t bytes = prepared == vfRGBA32 && form != kColor ? 4 : 3;
        for (uint32_t y = 0; y < 3; ++y)
          for (uint32_t x = 0; x < 6; ++x)
            for (uint32_t k = 0; k < bytes; ++k) {
              uint8_t* d = At(expected.Get(), x, y) + k;
              *d = static_cast<uint8_t>(op.Model(*d, channels[k]));
            }
        switch (form) {
          case kColor:
            (image.Get()->*op.Color)(op.Constant);
            break;
          case kColorAlpha:
            (image.Get()->*op.ColorAlpha)(op.Constant, op.Alpha);
            break;
          case kPacked:
            (image.Get()->*op.Packed)(TPXPackedColor(c | static_cast<uint32_t>(op.Alpha) << 24));
            break;
        }
        ExpectSamePixels(image.Get(), expected.Get(), what);
      }
    }
  }
}

TEST_F(ImageArithmetic, EdgeCasesOfTheConstantOperations) {
  // Red on RGB24: red becomes (red + 255) / 2, green and blue are halved, ties to even.
  RefPtr<TPXImageBuffer> image = TPXImageBuffer::CreateSize(2, 1, vfRGB24);
  image->SetPixel(0, 0, 0x050403);  // red 3, green 4, blue 5
  image->SetPixel(1, 0, 0xFF0100);  // red 0, green 1, blue 255
  image->AddValue(platform::clRed);
  EXPECT_EQ(image->GetPixel(0, 0), 0x020281);  // 258 / 2, 4 / 2, 2.5 to 2
  EXPECT_EQ(image->GetPixel(1, 0), 0x800080);  // 127.5 to 128, 0.5 to 0, 127.5 to 128
  // A gray image becomes a colour one.
  RefPtr<TPXImageBuffer> gray = TPXImageBuffer::CreateSize(2, 1, vfGrayScale);
  gray->FillGrayScale(10);
  gray->AddValue(platform::clRed);
  EXPECT_EQ(gray->GetFormat(), vfRGB24);
  EXPECT_EQ(gray->GetPixel(1, 0), 0x050584);  // 265 / 2 = 132.5 to 132
  // A zero channel leaves RGB24 and RGBA32 images as they were.
  std::mt19937 rng(0);
  for (TPXVideoFormat f : {vfRGB24, vfRGBA32}) {
    RefPtr<TPXImageBuffer> img = Random(5, 2, f, rng);
    RefPtr<TPXImageBuffer> before = Converted(img.Get(), f);
    before->Modify();
    img->DivideValue(0x030002);
    ExpectSamePixels(img.Get(), before.Get(),
                     std::string("DivideValue by a zero green on ") + Name(f));
    img->DivideValue(TPXPackedColor(0x01030402));  // alpha 1, colours non-zero: divides
    EXPECT_NE(Bytes(img.Get()), Bytes(before.Get()));
  }
  // A TColor never selects a packed form: with alpha bits set it still leaves alpha alone.
  RefPtr<TPXImageBuffer> rgba = TPXImageBuffer::CreateSize(1, 1, vfRGBA32);
  rgba->SetPixel(0, 0, 0x404040, 200);
  rgba->AndValue(static_cast<TColor>(0x0FFFFFFF));
  EXPECT_EQ(rgba->GetAlpha(0, 0), 200);
  rgba->AndValue(TPXPackedColor(0x0FFFFFFF));
  EXPECT_EQ(rgba->GetAlpha(0, 0), 200 & 0x0F);
}

// ---- Complement and square ---------------------------------------------------------------

TEST_F(ImageArithmetic, NotAndSqrInPlaceAndFromAnImageOfAnyFormat) {
  std::mt19937 rng(110);
  struct Map {
    const char* Name;
    void (TPXImageBuffer::*InPlace)();
    void (TPXImageBuffer::*From)(IPXImageBuffer*);
    int (*Model)(int);
  } maps[] = {
      {"Not", &TPXImageBuffer::Not, &TPXImageBuffer::Not, [](int x) { return 255 - x; }},
      {"Sqr", &TPXImageBuffer::Sqr, &TPXImageBuffer::Sqr, [](int x) { return Half(x * x); }}};
  for (const Map& m : maps) {
    for (TPXVideoFormat f : kFormats) {
      // Packed 4:2:2 images are worked as RGB24; the others keep their format, and gray and
      // 16-bit images map every byte.
      const TPXVideoFormat prepared = f == vfYUY2 || f == vfUYVY ? vfRGB24 : f;
      const auto expect = [&](IPXImageBuffer* self, IPXImageBuffer* source) {
        RefPtr<TPXImageBuffer> result = Converted(self, prepared);
        result->Modify();
        RefPtr<TPXImageBuffer> s = Converted(source, prepared);
        const uint32_t w = std::min(result->GetWidth(), s->GetWidth());
        const uint32_t h = std::min(result->GetHeight(), s->GetHeight());
        for (uint32_t y = 0; y < h; ++y)
          for (uint32_t x = 0; x < w; ++x)
            for (uint32_t k = 0; k < result->GetBytesPerPixel(); ++k)
              if (!(prepared == vfRGBA32 && k == 3))
                At(result.Get(), x, y)[k] = static_cast<uint8_t>(m.Model(At(s.Get(), x, y)[k]));
        return result;
      };
      RefPtr<TPXImageBuffer> image = Random(7, 4, f, rng);
      RefPtr<TPXImageBuffer> expected = expect(image.Get(), image.Get());
      (image.Get()->*m.InPlace)();
      ExpectSamePixels(image.Get(), expected.Get(), std::string(m.Name) + " of " + Name(f));
      // From an image of every format: A is read in this image's format (an A of fewer bytes
      // a pixel is never read past its rows) and is not changed.
      for (TPXVideoFormat af : kFormats) {
        RefPtr<TPXImageBuffer> self = Random(7, 4, f, rng);
        RefPtr<TPXImageBuffer> a = Random(9, 3, af, rng);
        const std::vector<uint8_t> aBytes = Bytes(a.Get());
        RefPtr<TPXImageBuffer> fromA = expect(self.Get(), a.Get());
        (self.Get()->*m.From)(a.Get());
        ExpectSamePixels(self.Get(), fromA.Get(),
                         std::string(m.Name) + " (" + Name(af) + ") into " + Name(f));
        EXPECT_EQ(a->GetFormat(), af);
        EXPECT_EQ(Bytes(a.Get()), aBytes);
      }
    }
  }
}

// ---- Alpha compositing -------------------------------------------------------------------

TEST_F(ImageArithmetic, AlphaCompositesTheOtherImageIntoThisOneAsRGBA32) {
  std::mt19937 rng(116);
  for (TPXVideoFormat selfFormat : kFormats) {
    for (TPXVideoFormat otherFormat : kFormats) {
      for (uint8_t code : {0, 3, 9, 12}) {
        RefPtr<TPXImageBuffer> self = Random(5, 6, selfFormat, rng);
        RefPtr<TPXImageBuffer> other = Random(6, 4, otherFormat, rng);
        const std::vector<uint8_t> otherBytes = Bytes(other.Get());
        RefPtr<TPXImageBuffer> expected = Converted(self.Get(), vfRGBA32);
        RefPtr<TPXImageBuffer> o = Converted(other.Get(), vfRGBA32);
        const int step = static_cast<int>(expected->GetStep());
        builtin::ippiAlphaComp_8u_AC4R(o->Read(), static_cast<int>(o->GetStep()),
                                       expected->Modify(), step, expected->Modify(), step,
                                       IppiSize{5, 4}, static_cast<IppiAlphaType>(code));
        self->AlphaComp(other.Get(), code);
        ExpectSamePixels(self.Get(), expected.Get(),
                         std::string("AlphaComp ") + std::to_string(code) + " of " +
                             Name(otherFormat) + " into " + Name(selfFormat));
        EXPECT_EQ(Bytes(other.Get()), otherBytes);
      }
    }
  }
}

// ---- Fills ---------------------------------------------------------------------------------

TEST_F(ImageArithmetic, FillsByFormat) {
  std::mt19937 rng(114);
  // White on a gray image gives 255; a colour its gray level, rounded.
  RefPtr<TPXImageBuffer> gray = Random(3, 2, vfGrayScale, rng);
  gray->Fill(platform::clWhite);
  EXPECT_EQ(gray->GetFormat(), vfGrayScale);
  EXPECT_EQ(gray->GetGrayScale(2, 1), 255);
  gray->Fill(platform::clRed);
  EXPECT_EQ(gray->GetGrayScale(0, 0), 76);  // 0.299 * 255 = 76.2
  // RGBA32 keeps its alpha; a 16-bit image takes the colour reduced to its fields.
  RefPtr<TPXImageBuffer> rgba = TPXImageBuffer::CreateSize(2, 2, vfRGBA32);
  rgba->SetAlphaChannel(77);
  rgba->Fill(0x102030);
  EXPECT_EQ(rgba->GetPixel(1, 1), 0x102030);
  EXPECT_EQ(rgba->GetAlpha(1, 1), 77);
  rgba->Fill(0x102030, 9);
  EXPECT_EQ(rgba->GetAlpha(0, 1), 9);
  for (TPXVideoFormat f : {vfRGB565, vfRGB555}) {
    RefPtr<TPXImageBuffer> words = Random(3, 2, f, rng);
    words->Fill(platform::clWhite);
    EXPECT_EQ(words->GetFormat(), f);
    EXPECT_EQ(words->GetPixel(2, 1), f == vfRGB565 ? 0xF8FCF8 : 0xF8F8F8);
    words->Fill(0x0000FF);  // red: the red field of the stores
    EXPECT_EQ(words->GetRed(0, 0), 248);
    EXPECT_EQ(words->GetBlue(0, 0), 0);
  }
  // Any other format becomes RGB24.
  RefPtr<TPXImageBuffer> yuv = Random(4, 2, vfYUY2, rng);
  yuv->Fill(0x123456, 3);
  EXPECT_EQ(yuv->GetFormat(), vfRGB24);
  EXPECT_EQ(yuv->GetPixel(3, 1), 0x123456);

  // FillRGBA: opaque red leaves an RGB24 image RGB24; alpha 128 makes it RGBA32.
  RefPtr<TPXImageBuffer> rgb = Random(3, 3, vfRGB24, rng);
  rgb->FillRGBA(TPXPackedColor(0xFF0000FF));
  EXPECT_EQ(rgb->GetFormat(), vfRGB24);
  EXPECT_EQ(rgb->GetPixel(2, 2), platform::clRed);
  rgb->FillRGBA(TPXPackedColor(0x800000FF));
  EXPECT_EQ(rgb->GetFormat(), vfRGBA32);
  EXPECT_EQ(rgb->GetPixel(1, 2), platform::clRed);
  EXPECT_EQ(rgb->GetAlpha(1, 2), 128);

  // FillLevel: gray and RGB24 keep their format, RGBA32 its alpha, others become RGBA32 with
  // alpha 255; with an alpha only an RGBA32 image takes it.
  RefPtr<TPXImageBuffer> uyvy = Random(2, 2, vfUYVY, rng);
  uyvy->FillLevel(40);
  EXPECT_EQ(uyvy->GetFormat(), vfRGBA32);
  EXPECT_EQ(uyvy->GetPixel(1, 1), 0x282828);
  EXPECT_EQ(uyvy->GetAlpha(1, 1), 255);
  uyvy->FillLevel(41, 17);
  EXPECT_EQ(uyvy->GetAlpha(0, 0), 17);
  RefPtr<TPXImageBuffer> rgb24 = Random(2, 2, vfRGB24, rng);
  rgb24->Clear(5);
  EXPECT_EQ(rgb24->GetFormat(), vfRGB24);
  EXPECT_EQ(rgb24->GetPixel(1, 0), 0);
  gray->Clear();
  EXPECT_EQ(gray->GetGrayScale(1, 1), 0);

  // FillAlpha makes RGBA32 and keeps the colours; FillGrayScale makes gray.
  RefPtr<TPXImageBuffer> colours = TPXImageBuffer::CreateSize(2, 1, vfRGB24);
  colours->SetPixel(0, 0, 0x010203);
  colours->SetPixel(1, 0, 0x040506);
  colours->FillAlpha(99);
  EXPECT_EQ(colours->GetFormat(), vfRGBA32);
  EXPECT_EQ(colours->GetPixel(1, 0), 0x040506);
  EXPECT_EQ(colours->GetAlpha(1, 0), 99);
  colours->FillGrayScale(31);
  EXPECT_EQ(colours->GetFormat(), vfGrayScale);
  EXPECT_EQ(colours->GetGrayScale(1, 0), 31);

  // An RGB24 image's alpha channel is a gray image full of 255.
  RefPtr<IPXImageBuffer> alpha = rgb24->GetAlphaChannel();
  EXPECT_EQ(alpha->GetFormat(), vfGrayScale);
  EXPECT_EQ(alpha->GetGrayScale(1, 1), 255);
}

TEST_F(ImageArithmetic, FillLevelOnASharedStoreKeepsAlphaAndTheOtherView) {
  RefPtr<TPXImageBuffer> image = TPXImageBuffer::CreateSize(3, 2, vfRGBA32);
  image->Fill(0x112233, 50);
  image->SetAlpha(2, 1, 60);
  RefPtr<TPXImageBuffer> other = TPXImageBuffer::CreateCopy(image.Get());
  const std::vector<uint8_t> shared = Bytes(other.Get());
  image->FillLevel(7);
  EXPECT_EQ(image->GetPixel(2, 1), 0x070707);
  EXPECT_EQ(image->GetAlpha(2, 1), 60);
  EXPECT_EQ(image->GetAlpha(0, 0), 50);
  EXPECT_EQ(Bytes(other.Get()), shared);
  EXPECT_NE(image->pBuffer(), other->pBuffer());
}

TEST_F(ImageArithmetic, EmptyImagesAreLeftAsPrepared) {
  RefPtr<TPXImageBuffer> empty = TPXImageBuffer::CreateSize(0, 3, vfGrayScale);
  RefPtr<TPXImageBuffer> other = TPXImageBuffer::CreateSize(4, 4, vfRGB24);
  other->Fill(0x102030);
  empty->Add(other.Get());
  empty->Not(other.Get());
  empty->Sqr();
  empty->AbsDiff(other.Get());
  empty->AddValue(0x10);
  EXPECT_EQ(empty->GetFormat(), vfRGB24);
  EXPECT_EQ(empty->GetWidth(), 0u);
  other->AlphaComp(empty.Get(), 0);
  EXPECT_EQ(other->GetFormat(), vfRGBA32);
  EXPECT_EQ(other->GetPixel(3, 3), 0x102030);
  for (auto* fill :
       {+[](TPXImageBuffer* i) { i->Fill(1); }, +[](TPXImageBuffer* i) { i->FillAlpha(1); },
        +[](TPXImageBuffer* i) { i->FillRGBA(TPXPackedColor(1)); },
        +[](TPXImageBuffer* i) { i->FillGrayScale(1); }})
    fill(empty.Get());
  EXPECT_EQ(empty->GetFormat(), vfGrayScale);
}

}  // namespace
