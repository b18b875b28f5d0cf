// The stores' row converters between the 16-bit formats and the 24- and 32-bit ones.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "buffers/PXInternalStoreRows.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using Converter = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, int, int);

struct PixelCase {
  const char* name;
  Converter convert;
  std::vector<uint8_t> source;    // one pixel
  std::vector<uint8_t> expected;  // the pixel it gives
};

// Hand-worked pixels: full and empty fields, each field alone, and the shifts' rounding down.
TEST(StoreRows, PixelsConvertByShifts) {
  using namespace buffers;
  const PixelCase cases[] = {
      {"white 565 to 24", RGB565ToRGB24, {0xFF, 0xFF}, {248, 252, 248}},
      {"565 fields to 24", RGB565ToRGB24, {0x10, 0x84}, {128, 128, 128}},  // 10000 100000 10000
      {"565 red alone", RGB565ToRGB24, {0x00, 0xF8}, {0, 0, 248}},
      {"565 green alone", RGB565ToRGB24, {0xE0, 0x07}, {0, 252, 0}},
      {"white 555 to 24, bit 15 ignored", RGB555ToRGB24, {0xFF, 0xFF}, {248, 248, 248}},
      {"555 red alone", RGB555ToRGB24, {0x00, 0x7C}, {0, 0, 248}},
      {"565 to 32, alpha 255", RGB565ToRGBA32, {0x1F, 0x00}, {248, 0, 0, 255}},
      {"555 to 32, alpha 127", RGB555ToRGBA32, {0xE0, 0x03}, {0, 248, 0, 127}},
      {"white 24 to 565", RGB24ToRGB565, {255, 255, 255}, {0xFF, 0xFF}},
      {"24 to 565 drops low bits", RGB24ToRGB565, {7, 3, 7}, {0, 0}},
      {"24 to 565 fields", RGB24ToRGB565, {8, 4, 8}, {0x21, 0x08}},
      {"white 24 to 555, bit 15 clear", RGB24ToRGB555, {255, 255, 255}, {0xFF, 0x7F}},
      {"32 to 565 ignores alpha", RGBA32ToRGB565, {0, 0, 255, 9}, {0x00, 0xF8}},
      {"32 to 555", RGBA32ToRGB555, {255, 0, 0, 9}, {0x1F, 0x00}},
      {"565 to 555 drops green's low bit", RGB565ToRGB555, {0x20, 0x00}, {0x00, 0x00}},
      {"white 565 to 555", RGB565ToRGB555, {0xFF, 0xFF}, {0xFF, 0x7F}},
      {"555 to 565 shifts green up", RGB555ToRGB565, {0xE0, 0x03}, {0xC0, 0x07}},
      {"white 555 to 565", RGB555ToRGB565, {0xFF, 0x7F}, {0xDF, 0xFF}},
      {"gray 200 to 565", GrayToRGB565, {200}, {0x59, 0xCE}},
      {"gray 200 to 555", GrayToRGB555, {200}, {0x39, 0x67}},
  };
  for (const PixelCase& c : cases) {
    std::vector<uint8_t> out(c.expected.size(), 0xA5);
    EXPECT_EQ(c.convert(c.source.data(), 0, out.data(), 0, 1, 1), ippStsNoErr);
    EXPECT_EQ(out, c.expected) << c.name;
  }
}

struct LayoutCase {
  const char* name;
  Converter convert;
  int srcBytes, dstBytes;
};

// Over padded, misaligned rows every converter writes its pixels' bytes and nothing else,
// and reads nothing outside the source rows (checked by the address sanitizer).
TEST(StoreRows, RowsWriteOnlyTheirPixels) {
  using namespace buffers;
  const LayoutCase cases[] = {
      {"RGB565ToRGB24", RGB565ToRGB24, 2, 3},   {"RGB555ToRGB24", RGB555ToRGB24, 2, 3},
      {"RGB565ToRGBA32", RGB565ToRGBA32, 2, 4}, {"RGB555ToRGBA32", RGB555ToRGBA32, 2, 4},
      {"RGB24ToRGB565", RGB24ToRGB565, 3, 2},   {"RGB24ToRGB555", RGB24ToRGB555, 3, 2},
      {"RGBA32ToRGB565", RGBA32ToRGB565, 4, 2}, {"RGBA32ToRGB555", RGBA32ToRGB555, 4, 2},
      {"RGB565ToRGB555", RGB565ToRGB555, 2, 2}, {"RGB555ToRGB565", RGB555ToRGB565, 2, 2},
      {"GrayToRGB565", GrayToRGB565, 1, 2},     {"GrayToRGB555", GrayToRGB555, 1, 2},
  };
  std::mt19937 random(7);
  for (const LayoutCase& c : cases) {
    for (int pad : {0, 3}) {
      SCOPED_TRACE(testing::Message() << c.name << " pad " << pad);
      imagetest::GuardedImage src(7, 5, c.srcBytes, pad), dst(7, 5, c.dstBytes, pad);
      src.Randomize(random);
      const std::vector<uint8_t> before = src.Region();
      ASSERT_EQ(c.convert(src.data(), src.step(), dst.data(), dst.step(), 7, 5), ippStsNoErr);
      EXPECT_TRUE(dst.OutsideUntouched());
      EXPECT_EQ(src.Region(), before);
      // Each row equals the same row converted alone: rows do not bleed into each other.
      for (int y = 0; y < 5; ++y) {
        std::vector<uint8_t> one(7 * c.dstBytes);
        c.convert(src.row(y), 0, one.data(), 0, 7, 1);
        EXPECT_EQ(0, std::memcmp(one.data(), dst.row(y), one.size())) << "row " << y;
      }
    }
  }
}

}  // namespace
