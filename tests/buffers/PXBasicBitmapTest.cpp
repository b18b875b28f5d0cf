// Device-independent bitmaps: geometry, rebuilds, exchange with class-library bitmaps and
// caller memory, the bitmap file writer, and the reading of any bitmap's pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "buffers/PXBasicBitmap.h"
#include "buffers/PXBitmap.h"
#include "tests/buffers/OwnedObject.h"

namespace {

using namespace buffers;
using platform::EFCreateError;
using platform::Exception;
using platform::pf24bit;
using platform::pf32bit;
using platform::pf8bit;

using bufferstest::Owned;

uint32_t Le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s[at + i]);
  return v;
}

// Pixel (x, y) of a pattern that tells rows, columns and channels apart.
uint8_t PatternByte(int x, int y, int channel) { return static_cast<uint8_t>(16 * y + 4 * x + channel + 1); }

void FillPattern(TPXBasicBitmap* b) {
  const int bpp = b->GetPixelFormat() == pf32bit ? 4 : 3;
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x)
      for (int c = 0; c < bpp; ++c) b->Data()[y * b->RowStep() + x * bpp + c] = PatternByte(x, y, c);
}

TEST(PXBasicBitmap, GeometryAndTheBitmapFile) {
  Owned<TPXBitmap> b(TPXBitmap::CreateSize(5, 2));
  EXPECT_EQ(b->GetPixelFormat(), pf24bit);
  EXPECT_EQ(b->RowStep(), 16);
  FillPattern(b.get());
  std::ostringstream out;
  b->SaveToStream(out);
  const std::string file = out.str();
  ASSERT_EQ(file.size(), 86u);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(Le32(file, 2), 86u);
  EXPECT_EQ(Le32(file, 10), 54u);
  EXPECT_EQ(Le32(file, 14), 40u);
  EXPECT_EQ(Le32(file, 18), 5u);
  EXPECT_EQ(static_cast<int32_t>(Le32(file, 22)), -2);  // top-down rows
  EXPECT_EQ(Le32(file, 34), 32u);                      // biSizeImage
  // The file reads back with the same pixels (rows in the file are padded to 16 bytes).
  platform::TBitmap* back = platform::New<platform::TBitmap>();
  std::istringstream in(file);
  back->LoadFromStream(in);
  ASSERT_EQ(back->Width(), 5);
  ASSERT_EQ(back->Height(), 2);
  for (int y = 0; y < 2; ++y) EXPECT_EQ(0, std::memcmp(back->ScanLine(y), b->Data() + 16 * y, 15));
  back->Free();

  // A 32-bit bitmap keeps its fourth bytes through the file.
  Owned<TPXBasicBitmap> c(TPXBasicBitmap::CreateSizeColorAlpha(3, 2, platform::clRed, 128));
  std::ostringstream out32;
  c->SaveToStream(out32);
  EXPECT_EQ(out32.str().size(), 54u + 24u);
  EXPECT_EQ(out32.str().substr(54, 8), std::string("\0\0\xFF\x80\0\0\xFF\x80", 8));

  // A bitmap that never had a section writes the file header alone.
  Owned<TPXBasicBitmap> empty(TPXBasicBitmap::Create());
  std::ostringstream out0;
  empty->SaveToStream(out0);
  EXPECT_EQ(out0.str(), std::string("BM\0\0\0\0\0\0\0\0\0\0\0\0", 14));

  const std::string path = (std::filesystem::temp_directory_path() / "pf_basic_bitmap.bmp").string();
  b->SaveToFile(path);
  EXPECT_EQ(std::filesystem::file_size(path), 86u);
  std::filesystem::remove(path);
  EXPECT_THROW(b->SaveToFile("/nonexistent/folder/x.bmp"), EFCreateError);
}

TEST(PXBasicBitmap, ConstructorsAndPixelFormat) {
  Owned<TPXBasicBitmap> c(TPXBasicBitmap::CreateSizeColorAlpha(2, 2, platform::clRed, 128));
  EXPECT_EQ(c->GetPixelFormat(), pf32bit);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ((std::vector<int>(c->Data() + 4 * i, c->Data() + 4 * i + 4)), (std::vector<int>{0, 0, 255, 128}));

  Owned<TPXBasicBitmap> b(TPXBasicBitmap::CreateSize(4, 3));
  uint8_t* data = b->Data();
  b->SetPixelFormat(pf8bit);  // taken as 24 bits: no change, no rebuild
  EXPECT_EQ(b->GetPixelFormat(), pf24bit);
  EXPECT_EQ(b->Data(), data);
  b->Resize(4, 3);
  EXPECT_EQ(b->Data(), data);

  // Nothing exists before the first size without a zero side.
  Owned<TPXBasicBitmap> late(TPXBasicBitmap::Create());
  late->SetWidth(7);
  EXPECT_EQ(late->GetDC(), nullptr);
  EXPECT_EQ(late->Data(), nullptr);
  late->SetHeight(2);
  EXPECT_NE(late->GetDC(), nullptr);
  EXPECT_NE(late->Data(), nullptr);
}

TEST(PXBasicBitmap, RebuildsKeepTheCommonBlock) {
  Owned<TPXBasicBitmap> b(TPXBasicBitmap::CreateSize(3, 3));
  FillPattern(b.get());
  b->Resize(5, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      for (int c = 0; c < 3; ++c)
        EXPECT_EQ(b->Data()[y * b->RowStep() + 3 * x + c], x < 3 && y < 3 ? PatternByte(x, y, c) : 0)
            << x << "," << y;
  b->SetPixelFormat(pf32bit);  // 3 bytes a pixel go over; the fourth byte is 0
  for (int x = 0; x < 3; ++x) {
    EXPECT_EQ(b->Data()[b->RowStep() * 2 + 4 * x + 2], PatternByte(x, 2, 2));
    EXPECT_EQ(b->Data()[b->RowStep() * 2 + 4 * x + 3], 0);
  }
}

// A rebuild that fails keeps the old size, format and pixels, so that later copies stay
// within the section.
TEST(PXBasicBitmap, AFailedRebuildKeepsTheOldGeometry) {
  Owned<TPXBasicBitmap> b(TPXBasicBitmap::CreateSize(4, 2));
  FillPattern(b.get());
  const struct {
    int32_t width, height;
  } refused[] = {{-1, 2}, {4, -3}, {40000, 40000}, {INT32_MAX, 2}};
  for (const auto& r : refused) {
    try {
      b->Resize(r.width, r.height);
      ADD_FAILURE() << "resized to " << r.width << " x " << r.height;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Cannot create device-independant bitmap");
    }
    EXPECT_EQ(b->Width(), 4);
    EXPECT_EQ(b->Height(), 2);
    EXPECT_EQ(b->GetPixelFormat(), pf24bit);
  }
  EXPECT_THROW(b->SetWidth(-5), Exception);
  EXPECT_EQ(b->Width(), 4);
  std::vector<uint8_t> rows(2 * 12, 0x33);
  b->FromBuffer(rows.data(), 12);  // 4 pixels of 3 bytes a row, as the geometry says
  EXPECT_EQ(b->Data()[b->RowStep() + 11], 0x33);
  // Before the first section, a refused size leaves no context behind either.
  Owned<TPXBasicBitmap> fresh(TPXBasicBitmap::Create());
  EXPECT_THROW(fresh->SetSize(-1, -1), Exception);
  EXPECT_EQ(fresh->Width(), 0);
  EXPECT_EQ(fresh->Height(), 0);
}

TEST(PXBasicBitmap, CopiesTakeTheSourceFormat) {
  Owned<TPXBasicBitmap> source(TPXBasicBitmap::CreateSizeColorAlpha(5, 3, 0x0A0B0C, 7));
  FillPattern(source.get());
  Owned<TPXBitmap> copy(TPXBitmap::CreateCopy(source.get()));
  EXPECT_EQ(copy->GetPixelFormat(), pf32bit);
  ASSERT_EQ(copy->RowStep(), 20);
  EXPECT_EQ(0, std::memcmp(copy->Data(), source->Data(), 60));
}

TEST(PXBasicBitmap, BufferAndBitmapExchange) {
  Owned<TPXBasicBitmap> b(TPXBasicBitmap::CreateSize(2, 3));
  // Caller memory bottom-up (negative step): its last row becomes the section's top row.
  const uint8_t rows[3][8] = {{1, 2, 3, 4, 5, 6, 0, 0}, {7, 8, 9, 10, 11, 12, 0, 0}, {13, 14, 15, 16, 17, 18, 0, 0}};
  b->FromBuffer(&rows[2][0], -8);
  EXPECT_EQ(b->Data()[0], 13);
  EXPECT_EQ(b->Data()[2 * b->RowStep() + 5], 6);
  uint8_t back[3][6] = {};
  b->ToBuffer(back, 6);
  EXPECT_EQ(back[0][0], 13);
  EXPECT_EQ(back[2][5], 6);

  // To a class-library bitmap and back.
  platform::TBitmap* vcl = platform::New<platform::TBitmap>();
  vcl->SetPixelFormat(pf32bit);
  b->ToBitmap(vcl);
  ASSERT_EQ(vcl->Width(), 2);
  ASSERT_EQ(vcl->Height(), 3);
  EXPECT_EQ(vcl->ScanLine(0)[4], 16);  // second pixel of the top row, blue
  Owned<TPXBitmap> again(TPXBitmap::CreateFromBitmap(vcl));
  EXPECT_EQ(again->GetPixelFormat(), pf24bit);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(0, std::memcmp(again->Data() + y * again->RowStep(), b->Data() + y * b->RowStep(), 6));
  vcl->Free();

  // The canvas draws into the section.
  b->Canvas()->Pen().Color = platform::clRed;
  b->Canvas()->MoveTo(0, 1);
  b->Canvas()->LineTo(2, 1);
  EXPECT_EQ(b->Data()[b->RowStep() + 2], 255);
  EXPECT_EQ(b->Data()[b->RowStep() + 0], 0);
}

// The pixels of any bitmap come top row first, whatever the bitmap's own row order.
TEST(PXBasicBitmap, BitmapBitsComeTopRowFirst) {
  platform::TBitmap* topDown = platform::New<platform::TBitmap>();
  topDown->SetSize(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      for (int c = 0; c < 3; ++c) topDown->ScanLine(y)[3 * x + c] = PatternByte(x, y, c);
  BITMAPINFO info{};
  std::vector<uint8_t> bits(3 * 24, 0xEE);
  ASSERT_TRUE(GetBitmapBits(topDown->Handle(), info, 24, 8, bits.data()));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      for (int c = 0; c < 3; ++c) ASSERT_EQ(bits[24 * y + 3 * x + c], PatternByte(x, y, c)) << x << "," << y;
  EXPECT_EQ(info.bmiHeader.biHeight, -3);
  EXPECT_EQ(info.bmiHeader.biSizeImage, 48u);

  // 32-bit rows from a 24-bit bitmap, with the rows as wide as the picture.
  std::vector<uint8_t> bits32(3 * 20, 0xEE);
  ASSERT_TRUE(GetBitmapBits(topDown->Handle(), info, 32, 5, bits32.data()));
  EXPECT_EQ(bits32[20 * 2 + 4 * 4 + 2], PatternByte(4, 2, 2));
  EXPECT_EQ(bits32[20 * 2 + 4 * 4 + 3], 0);

  // A bottom-up section gives the same order.
  BITMAPINFO up{};
  up.bmiHeader = {.biSize = 40, .biWidth = 2, .biHeight = 2, .biPlanes = 1, .biBitCount = 24};
  void* p = nullptr;
  HBITMAP bottomUp = platform::CreateDIBSection(nullptr, &up, platform::DIB_RGB_COLORS, &p, nullptr, 0);
  static_cast<uint8_t*>(p)[0] = 0x11;  // first row in memory: the bottom row
  std::vector<uint8_t> two(2 * 8, 0);
  ASSERT_TRUE(GetBitmapBits(bottomUp, info, 24, 2, two.data()));
  EXPECT_EQ(two[8], 0x11);
  EXPECT_EQ(two[0], 0);

  EXPECT_FALSE(GetBitmapBits(topDown->Handle(), info, 24, 4, bits.data()));  // rows narrower than the picture
  EXPECT_TRUE(platform::DeleteObject(bottomUp));
  EXPECT_FALSE(GetBitmapBits(bottomUp, info, 24, 2, two.data()));  // no longer a bitmap
  topDown->Free();
}

}  // namespace
