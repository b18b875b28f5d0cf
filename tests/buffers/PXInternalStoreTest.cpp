// The pixel stores: geometry, conversions between every pair of formats (checked against the
// stores' own per-pixel reads, which take another road through the primitives), exact round
// trips, padding, per-pixel access, and time data.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

#include "buffers/PXInternalStore.h"
#include "tests/buffers/BuffersTestSupport.h"

namespace {

using namespace buffers;

class PixelStore : public bufferstest::BuffersTest {};

struct FreeStore {
  void operator()(TPXSmartImageBuffer* s) const { s->Free(); }
};
using Store = std::unique_ptr<TPXSmartImageBuffer, FreeStore>;

Store Make(TPXVideoFormat f, uint32_t w, uint32_t h) { return Store(TPXSmartImageBuffer::CreateStore(f, w, h)); }
Store Convert(TPXVideoFormat f, const Store& from) {
  return Store(TPXSmartImageBuffer::CreateStoreEx(f, from.get(), true));
}

const TPXVideoFormat kStoreFormats[] = {vfRGB24, vfYUY2, vfUYVY, vfRGBA32, vfRGB565, vfRGB555, vfGrayScale};

const char* Name(TPXVideoFormat f) {
  static const char* names[] = {"RGB24", "YUY2", "UYVY", "RGBA32", "RGB565", "RGB555", "GrayScale", "RGB"};
  return names[f];
}

// Random bytes in every pixel; the padding of RGB24 rows gets 0xEE.
void Randomize(const Store& s, std::mt19937& rng) {
  const uint32_t rowBytes = s->GetWidth() * s->GetBytesPerPixel();
  for (uint32_t y = 0; y < s->GetHeight(); ++y) {
    uint8_t* row = s->GetData() + uint64_t{y} * s->GetStep();
    for (uint32_t i = 0; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(rng());
    std::memset(row + rowBytes, 0xEE, s->GetStep() - rowBytes);
  }
}

std::vector<uint8_t> Pixels(const Store& s) {
  std::vector<uint8_t> out;
  const uint32_t rowBytes = s->GetWidth() * s->GetBytesPerPixel();
  for (uint32_t y = 0; y < s->GetHeight(); ++y) {
    const uint8_t* row = s->GetData() + uint64_t{y} * s->GetStep();
    out.insert(out.end(), row, row + rowBytes);
  }
  return out;
}

TColor Masked(TColor c, TPXVideoFormat f) { return c & (f == vfRGB565 ? 0xF8FCF8 : 0xF8F8F8); }

TEST_F(PixelStore, Geometry) {
  struct Case {
    TPXVideoFormat format;
    const char* className;
    uint32_t bytesPerPixel, extWidth, step, size;
  };
  const Case cases[] = {
      {vfRGB24, "TPXSmartRGBBuffer", 3, 8, 24, 48},       {vfRGB, "TPXSmartRGBBuffer", 3, 8, 24, 48},
      {vfYUY2, "TPXSmartYUY2Buffer", 2, 5, 10, 20},       {vfUYVY, "TPXSmartUYVYBuffer", 2, 5, 10, 20},
      {vfRGBA32, "TPXSmartRGBABuffer", 4, 5, 20, 40},     {vfRGB565, "TPXSmartRGB565Buffer", 2, 5, 10, 20},
      {vfRGB555, "TPXSmartRGB555Buffer", 2, 5, 10, 20},   {vfGrayScale, "TPXSmartGrayScaleBuffer", 1, 5, 5, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Name(c.format));
    Store s = Make(c.format, 5, 2);
    EXPECT_STREQ(s->ClassName(), c.className);
    EXPECT_EQ(s->GetWidth(), 5u);
    EXPECT_EQ(s->GetHeight(), 2u);
    EXPECT_EQ(s->GetBytesPerPixel(), c.bytesPerPixel);
    EXPECT_EQ(s->GetExtWidth(), c.extWidth);
    EXPECT_EQ(s->GetStep(), c.step);
    EXPECT_EQ(s->GetCharSize(), c.size);
    EXPECT_EQ(s->GetCapacity(), c.size);
    EXPECT_NE(s->GetData(), nullptr);
    EXPECT_EQ(s->GetRawData(), s->GetData());
  }
  // Empty images have no block, and their conversions touch no memory.
  for (auto [w, h] : {std::pair<uint32_t, uint32_t>{0, 0}, {5, 0}, {0, 3}}) {
    for (TPXVideoFormat from : kStoreFormats) {
      Store s = Make(from, w, h);
      EXPECT_EQ(s->GetData(), nullptr);
      EXPECT_EQ(s->GetCharSize(), 0u);
      EXPECT_EQ(buffers::OutstandingSmartBlocks(), 0);
      for (TPXVideoFormat to : kStoreFormats) {
        Store t = Convert(to, s);
        EXPECT_EQ(t->GetData(), nullptr);
        EXPECT_EQ(t->GetWidth(), w);
      }
    }
  }
}

TEST_F(PixelStore, OversizedStoresAreRefused) {
  EXPECT_THROW(Make(vfRGBA32, 40000, 40000), platform::EOutOfMemory);
  EXPECT_THROW(Make(vfRGB24, 0x7FFFFFFF, 0), platform::EOutOfMemory);  // no block, but rows too long
  EXPECT_THROW(Make(vfGrayScale, 0xFFFFFFFF, 2), platform::EOutOfMemory);
}

// Each conversion against the source's per-pixel reads: RGB24 and RGBA32 targets hold the
// source's colours, gray targets its gray values, 16-bit targets its colours narrowed. The
// widths are odd (the lone pixel of 4:2:2 rows), and the tall image is converted in several
// bands.
TEST_F(PixelStore, ConversionsAgreeWithPixelReads) {
  std::mt19937 rng(99);
  for (auto [w, h] : {std::pair<uint32_t, uint32_t>{7, 5}, {1, 3}, {101, 700}}) {
    for (TPXVideoFormat from : kStoreFormats) {
      SCOPED_TRACE(testing::Message() << Name(from) << " " << w << " x " << h);
      Store s = Make(from, w, h);
      Randomize(s, rng);
      Store rgb = Convert(vfRGB24, s), rgba = Convert(vfRGBA32, s), gray = Convert(vfGrayScale, s);
      Store w565 = Convert(vfRGB565, s), w555 = Convert(vfRGB555, s);
      for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
          const TColor c = s->GetPixel(x, y);
          ASSERT_EQ(rgb->GetPixel(x, y), c) << x << "," << y;
          ASSERT_EQ(rgba->GetPixel(x, y), c) << x << "," << y;
          const uint8_t alpha = from == vfRGB555 ? 127 : from == vfRGBA32 ? s->GetAlpha(x, y) : 255;
          ASSERT_EQ(rgba->GetAlpha(x, y), alpha);
          ASSERT_EQ(gray->GetGrayScale(x, y), s->GetGrayScale(x, y)) << x << "," << y;
          ASSERT_EQ(w565->GetPixel(x, y), Masked(c, vfRGB565)) << x << "," << y;
          ASSERT_EQ(w555->GetPixel(x, y), Masked(c, vfRGB555)) << x << "," << y;
        }
      // 4:2:2 targets: the same bytes as converting the RGB24 image, and UYVY the byte-swapped
      // YUY2.
      if (from != vfRGB24 && from != vfYUY2 && from != vfUYVY) {
        EXPECT_EQ(Pixels(Convert(vfYUY2, s)), Pixels(Convert(vfYUY2, rgb)));
      }
      std::vector<uint8_t> yuy2 = Pixels(Convert(vfYUY2, s)), uyvy = Pixels(Convert(vfUYVY, s));
      for (size_t i = 0; i + 1 < yuy2.size(); i += 2) std::swap(yuy2[i], yuy2[i + 1]);
      EXPECT_EQ(uyvy, yuy2);
    }
  }
}

struct ValueCase {
  const char* name;
  TPXVideoFormat from;
  std::vector<uint8_t> pixel;  // the source's first pixel (a 1 x 1 image; 4:2:2 a 2 x 1 image)
  TPXVideoFormat to;
  std::vector<uint8_t> expected;  // the target's first pixel
};

TEST_F(PixelStore, ConvertedValues) {
  const ValueCase cases[] = {
      {"red to gray", vfRGB24, {0, 0, 255}, vfGrayScale, {76}},
      {"red RGBA to gray", vfRGBA32, {0, 0, 255, 9}, vfGrayScale, {76}},
      {"white 565", vfRGB565, {0xFF, 0xFF}, vfRGB24, {248, 252, 248}},
      {"565 to RGBA: alpha 255", vfRGB565, {0x00, 0x00}, vfRGBA32, {0, 0, 0, 255}},
      {"555 to RGBA: alpha 127", vfRGB555, {0xFF, 0x7F}, vfRGBA32, {248, 248, 248, 127}},
      {"RGB24 to RGBA: alpha 255", vfRGB24, {1, 2, 3}, vfRGBA32, {1, 2, 3, 255}},
      {"gray to RGBA", vfGrayScale, {200}, vfRGBA32, {200, 200, 200, 255}},
      {"gray to 565", vfGrayScale, {200}, vfRGB565, {0x59, 0xCE}},
      {"gray pixels to YUY2: no colour", vfGrayScale, {90, 90}, vfYUY2, {90, 128, 90, 128}},
      {"YUY2 to blue-green-red", vfYUY2, {100, 128, 100, 255}, vfRGB24, {100, 26, 244}},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(c.name);
    const uint32_t width = c.from == vfYUY2 || (c.from == vfGrayScale && c.to == vfYUY2) ? 2 : 1;
    Store s = Make(c.from, width, 1);
    std::memcpy(s->GetData(), c.pixel.data(), c.pixel.size());
    Store t = Convert(c.to, s);
    EXPECT_EQ(std::vector<uint8_t>(t->GetData(), t->GetData() + c.expected.size()), c.expected);
  }
  Store red = Make(vfRGB24, 1, 1), redA = Make(vfRGBA32, 1, 1);
  red->SetPixel(0, 0, platform::clRed);
  redA->SetPixel(0, 0, platform::clRed);
  EXPECT_EQ(red->GetGrayScale(0, 0), 76);
  EXPECT_EQ(redA->GetGrayScale(0, 0), 76);
}

TEST_F(PixelStore, RoundTripsAreExact) {
  std::mt19937 rng(5);
  struct Trip {
    TPXVideoFormat from, via;
  };
  for (const Trip& t : {Trip{vfRGB24, vfRGBA32}, Trip{vfYUY2, vfUYVY}, Trip{vfUYVY, vfYUY2}, Trip{vfGrayScale, vfRGB24},
                        Trip{vfGrayScale, vfRGBA32}, Trip{vfRGB555, vfRGB565}}) {
    SCOPED_TRACE(testing::Message() << Name(t.from) << " through " << Name(t.via));
    Store s = Make(t.from, 9, 4);
    Randomize(s, rng);
    if (t.from == vfRGB555)  // bit 15 is written as 0
      for (uint32_t i = 1; i < s->GetCharSize(); i += 2) s->GetData()[i] &= 0x7F;
    Store back = Convert(t.from, Convert(t.via, s));
    EXPECT_EQ(Pixels(back), Pixels(s));
  }
  // A gray picture goes through YUY2 unchanged (U and V come out as 128).
  Store gray = Make(vfRGB24, 6, 3);
  for (uint32_t y = 0; y < 3; ++y)
    for (uint32_t x = 0; x < 6; ++x) gray->SetGrayScale(x, y, static_cast<uint8_t>(40 * x + y));
  Store yuy2 = Convert(vfYUY2, gray);
  for (uint32_t i = 1; i < yuy2->GetCharSize(); i += 2) EXPECT_EQ(yuy2->GetData()[i], 128);
  EXPECT_EQ(Pixels(Convert(vfRGB24, yuy2)), Pixels(gray));
}

// The padding of RGB24 rows is never read (the results do not depend on it, and under the
// address sanitizer it is poisoned while the source is converted) and never written.
TEST_F(PixelStore, RowPaddingIsNeitherReadNorWritten) {
  std::mt19937 rng(8);
  Store s = Make(vfRGB24, 5, 3);
  Randomize(s, rng);
  std::vector<std::vector<uint8_t>> first;
  for (int fill : {0x00, 0xFF}) {
    for (uint32_t y = 0; y < 3; ++y) std::memset(s->GetData() + y * 24 + 15, fill, 9);
#if defined(__SANITIZE_ADDRESS__)
    for (uint32_t y = 0; y < 3; ++y) ASAN_POISON_MEMORY_REGION(s->GetData() + y * 24 + 15, 9);
#endif
    std::vector<std::vector<uint8_t>> results;
    for (TPXVideoFormat to : kStoreFormats)
      if (to != vfRGB24) results.push_back(Pixels(Convert(to, s)));
#if defined(__SANITIZE_ADDRESS__)
    ASAN_UNPOISON_MEMORY_REGION(s->GetData(), s->GetCharSize());
#endif
    if (first.empty())
      first = results;
    else
      EXPECT_EQ(results, first);
  }
  // Into RGB24: a pooled block comes back last-in first-out, so the target reuses the block of
  // a store of its size that was filled with a sentinel and freed just before.
  Store rgba = Convert(vfRGBA32, s);
  uint8_t* block = nullptr;
  {
    Store old = Make(vfRGB24, 5, 3);
    std::memset(old->GetData(), 0xA7, old->GetCharSize());
    block = old->GetData();
  }
  Store target = Convert(vfRGB24, rgba);
  if (target->GetData() != block) GTEST_SKIP() << "the pool is bypassed in this build";
  for (uint32_t y = 0; y < 3; ++y)
    for (uint32_t i = 15; i < 24; ++i) EXPECT_EQ(target->GetData()[y * 24 + i], 0xA7) << y << "," << i;
}

TEST_F(PixelStore, PixelAccess) {
  const TColor c = 0x336699;  // red 0x99, green 0x66, blue 0x33
  struct Case {
    TPXVideoFormat format;
    TColor afterSetPixel;  // -1: the store has no setter
    uint8_t alphaAfterSetAlpha;
  };
  for (const Case& k : {Case{vfRGB24, c, 255}, Case{vfRGBA32, c, 17}, Case{vfGrayScale, 0x999999, 255},
                        Case{vfRGB565, 0x306498, 255}, Case{vfRGB555, 0x306098, 255}, Case{vfYUY2, -1, 255},
                        Case{vfUYVY, -1, 255}}) {
    SCOPED_TRACE(Name(k.format));
    Store s = Make(k.format, 3, 2);
    std::memset(s->GetData(), 0x80, s->GetCharSize());
    const std::vector<uint8_t> before = Pixels(s);
    s->SetPixel(1, 1, c);
    s->SetAlpha(1, 1, 17);
    EXPECT_EQ(s->GetAlpha(1, 1), k.alphaAfterSetAlpha);
    if (k.afterSetPixel < 0) {
      EXPECT_EQ(Pixels(s), before);
      s->SetGrayScale(1, 1, 3);
      s->SetRed(1, 1, 3);
      EXPECT_EQ(Pixels(s), before);
      continue;
    }
    EXPECT_EQ(s->GetPixel(1, 1), k.afterSetPixel);
    EXPECT_EQ(s->GetRed(1, 1), k.afterSetPixel & 0xFF);
    EXPECT_EQ(s->GetGreen(1, 1), (k.afterSetPixel >> 8) & 0xFF);
    EXPECT_EQ(s->GetBlue(1, 1), (k.afterSetPixel >> 16) & 0xFF);
    EXPECT_EQ(s->GetPixel(0, 1), s->GetPixel(2, 0));  // neighbours untouched
    s->SetGrayScale(0, 0, 200);
    EXPECT_EQ(s->GetGrayScale(0, 0), k.format == vfRGB565 || k.format == vfRGB555 ? 200 & 0xF8 : 200);
  }
  // A channel setter of a 16-bit pixel replaces its own field only.
  Store w = Make(vfRGB565, 1, 1);
  w->SetPixel(0, 0, 0xFFFFFF);
  w->SetGreen(0, 0, 0);
  EXPECT_EQ(w->GetPixel(0, 0), 0xF800F8);
  w->SetBlue(0, 0, 0x10);
  EXPECT_EQ(w->GetPixel(0, 0), 0x1000F8);
  EXPECT_EQ(w->GetData()[0] | w->GetData()[1] << 8, 0xF802);  // red in the top field
  // Each pixel of a 4:2:2 pair reads its own colour (Y0 0, U 200, Y1 100, V 128).
  for (TPXVideoFormat f : {vfYUY2, vfUYVY}) {
    Store pair = Make(f, 2, 1);
    const uint8_t yuy2[4] = {0, 200, 100, 128}, uyvy[4] = {200, 0, 128, 100};
    std::memcpy(pair->GetData(), f == vfYUY2 ? yuy2 : uyvy, 4);
    EXPECT_EQ(pair->GetPixel(1, 0), 100 | 71 << 8 | 246 << 16) << Name(f);
    EXPECT_EQ(pair->GetBlue(1, 0), 246);
    EXPECT_EQ(pair->GetGreen(1, 0), 71);
    EXPECT_EQ(pair->GetRed(1, 0), 100);
    EXPECT_EQ(pair->GetBlue(0, 0), 146);
  }
}

TEST_F(PixelStore, ClonesAndCopiesCarryTheTimeData) {
  Store s = Make(vfRGBA32, 4, 2);
  std::memset(s->GetData(), 0x42, s->GetCharSize());
  s->SetTimeStampAvailable(true);
  s->SetTimeStampBegin(1000);
  s->SetTimeStampEnd(2000);
  s->SetTimeCodeAvailable(true);
  s->SetTimeCodeFrame(24);
  s->SetTimeCodeHour(13);
  s->SetDateTimeAvailable(true);
  s->SetDateTimeYear(2024);
  s->SetDateTimeMillisec(999);
  const auto sameTime = [](TPXSmartImageBuffer* a, TPXSmartImageBuffer* b) {
    return a->GetTimeStampAvailable() == b->GetTimeStampAvailable() && a->GetTimeStampBegin() == b->GetTimeStampBegin() &&
           a->GetTimeStampEnd() == b->GetTimeStampEnd() && a->GetTimeCodeAvailable() == b->GetTimeCodeAvailable() &&
           a->GetTimeCodeFrame() == b->GetTimeCodeFrame() && a->GetTimeCodeHour() == b->GetTimeCodeHour() &&
           a->GetDateTimeAvailable() == b->GetDateTimeAvailable() && a->GetDateTimeYear() == b->GetDateTimeYear() &&
           a->GetDateTimeMillisec() == b->GetDateTimeMillisec();
  };
  for (bool preserve : {false, true}) {
    Store clone(static_cast<TPXSmartImageBuffer*>(s->Clone(preserve)));
    EXPECT_STREQ(clone->ClassName(), "TPXSmartRGBABuffer");
    EXPECT_TRUE(sameTime(clone.get(), s.get()));
    EXPECT_NE(clone->GetData(), s->GetData());
    if (preserve) {
      EXPECT_EQ(Pixels(clone), Pixels(s));
    }
  }
  Store converted = Convert(vfRGB24, s);  // a conversion leaves the time data to its caller
  EXPECT_FALSE(converted->GetTimeStampAvailable());
  EXPECT_FALSE(converted->GetTimeCodeAvailable());
  EXPECT_EQ(converted->GetDateTimeYear(), 0);
  converted->SetTimeData(s.get());
  EXPECT_TRUE(sameTime(converted.get(), s.get()));
  Store same = Store(TPXSmartImageBuffer::CreateStoreEx(vfRGBA32, s.get(), false));  // same class
  EXPECT_TRUE(same->GetTimeStampAvailable());
  EXPECT_EQ(same->GetTimeStampBegin(), 1000);
}

}  // namespace
