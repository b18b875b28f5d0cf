// The image buffer: geometry, copies sharing a store, format and size changes, the pixel
// setters' colour rule, whole channels, bitmap exchange and bitmap files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "buffers/PXSimpleImageBuffer.h"
#include "buffers/RBSimpleDataBufferBlock.h"
#include "tests/buffers/OwnedObject.h"
#include "tests/buffers/BuffersTestSupport.h"

namespace {

using namespace buffers;
using platform::ERangeError;

class ImageBuffer : public bufferstest::BuffersTest {};

using bufferstest::Owned;

// A pattern image of any format, made as RGB24 and converted.
RefPtr<TPXImageBuffer> Pattern(uint32_t w, uint32_t h, TPXVideoFormat f) {
  RefPtr<TPXImageBuffer> image = TPXImageBuffer::CreateSize(static_cast<int32_t>(w), static_cast<int32_t>(h), vfRGB24);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) image->SetPixel(x, y, static_cast<TColor>(0x010203 * (7 * x + 31 * y + 1)));
  image->ConvertTo(f);
  return image;
}

std::vector<uint8_t> Bytes(IPXImageBuffer* image) {
  return std::vector<uint8_t>(image->Read(), image->Read() + image->GetByteSize());
}

void SetTimeData(IPXImageBuffer* image) {
  image->GetTimeStamp()->SetAvailable(true);
  image->GetTimeStamp()->SetBeginTime(400000);
  image->GetTimeStamp()->SetEndTime(800000);
  image->TimeCode()->SetAvailable(true);
  image->TimeCode()->SetFrame(12);
  image->TimeCode()->SetHour(23);
  image->DateTime()->SetAvailable(true);
  image->DateTime()->SetYear(2031);
  image->DateTime()->SetMonth(7);
}

void ExpectTimeData(IPXImageBuffer* image) {
  EXPECT_TRUE(image->GetTimeStamp()->Available());
  EXPECT_EQ(image->GetTimeStamp()->BeginTime(), 400000);
  EXPECT_EQ(image->GetTimeStamp()->EndTime(), 800000);
  EXPECT_TRUE(image->TimeCode()->Available());
  EXPECT_EQ(image->TimeCode()->Frame(), 12);
  EXPECT_EQ(image->TimeCode()->Hour(), 23);
  EXPECT_TRUE(image->DateTime()->Available());
  EXPECT_EQ(image->DateTime()->Year(), 2031);
  EXPECT_EQ(image->DateTime()->Month(), 7);
}

TEST_F(ImageBuffer, GeometryAndCopies) {
  RefPtr<TPXImageBuffer> image = TPXImageBuffer::CreateSize(5, 2, vfRGB24);
  EXPECT_EQ(image->GetWidth(), 5u);
  EXPECT_EQ(image->GetHeight(), 2u);
  EXPECT_EQ(image->GetExtWidth(), 8u);
  EXPECT_EQ(image->GetStep(), 24u);
  EXPECT_EQ(image->GetByteSize(), 48u);
  EXPECT_EQ(image->GetSize(), 48u);
  EXPECT_EQ(image->GetBytesPerPixel(), 3u);
  EXPECT_EQ(image->GetIppiSize().width, 5);
  EXPECT_EQ(image->GetIppiSize().height, 2);
  RefPtr<TPXImageBuffer> gray = TPXImageBuffer::CreateSize(5, 2, vfGrayScale);
  EXPECT_EQ(gray->GetStep(), 5u);  // gray rows are not padded
  RefPtr<TPXImageBuffer> empty = TPXImageBuffer::Create();
  EXPECT_EQ(empty->GetByteSize(), 0u);
  EXPECT_EQ(empty->Read(), nullptr);
  EXPECT_EQ(empty->GetFormat(), vfRGB24);

  // Copies share the store, the format and the key-frame flag.
  image->SetKeyFrame(true);
  RefPtr<IRBData> copy = image->MakeCopy();
  RefPtr<TPXImageBuffer> viaUniversal = TPXImageBuffer::CreateUniversal(copy.Get());
  for (TPXImageBuffer* view : {static_cast<TPXImageBuffer*>(copy->GetInstance()), viaUniversal.Get()}) {
    EXPECT_EQ(view->pBuffer(), image->pBuffer());
    EXPECT_EQ(view->Read(), image->Read());
    EXPECT_EQ(view->GetFormat(), vfRGB24);
    EXPECT_TRUE(view->IsKeyFrame());
  }
  // A whole layout, padding included, goes in through CreateData.
  std::vector<uint8_t> layout(48);
  for (size_t i = 0; i < layout.size(); ++i) layout[i] = static_cast<uint8_t>(i);
  RefPtr<TPXImageBuffer> data = TPXImageBuffer::CreateData(layout.data(), 5, 2, vfRGB24);
  EXPECT_EQ(Bytes(data.Get()), layout);
  EXPECT_EQ(data->GetPixel(1, 1), 0x1B1C1D);  // bytes 27, 28, 29: blue, green, red
}

TEST_F(ImageBuffer, BadSizesAndCoordinatesAreRefused) {
  EXPECT_THROW(TPXImageBuffer::CreateSize(-1, 2, vfRGB24), ERangeError);
  EXPECT_THROW(TPXImageBuffer::CreateSize(70000, 70000, vfRGBA32), platform::EOutOfMemory);
  RefPtr<TPXImageBuffer> image = Pattern(5, 2, vfRGB24);
  const std::vector<uint8_t> before = Bytes(image.Get());
  EXPECT_THROW(image->SetSize(-5, 3), ERangeError);
  EXPECT_THROW(image->SetSizeAndFormat(70000, 70000, vfRGBA32), platform::EOutOfMemory);
  EXPECT_EQ(image->GetWidth(), 5u);
  EXPECT_EQ(image->GetFormat(), vfRGB24);
  EXPECT_EQ(Bytes(image.Get()), before);
  try {
    image->GetPixel(5, 0);
    ADD_FAILURE();
  } catch (const ERangeError& e) {
    EXPECT_STREQ(e.what(), "Column out of range = 5");
  }
  try {
    image->SetPixel(0, 2, platform::clRed);
    ADD_FAILURE();
  } catch (const ERangeError& e) {
    EXPECT_STREQ(e.what(), "Row out of range = 2");
  }
  EXPECT_THROW(image->SetAlpha(9, 9, 1), ERangeError);
  EXPECT_EQ(image->GetFormat(), vfRGB24);  // refused before any conversion
  // Only image buffers are taken as the source of a view.
  RefPtr<TRBBlockBuffer> bytes = TRBBlockBuffer::CreateSize(48);
  EXPECT_THROW(TPXImageBuffer::CreateUniversal(bytes.Get()), EInvalidCast);
  EXPECT_THROW(image->Assign(bytes.Get()), EInvalidCast);
  EXPECT_EQ(image->GetFormat(), vfRGB24);
  EXPECT_EQ(Bytes(image.Get()), before);
}

// A format change that cannot get its new store (here a row that would be too long) leaves
// the image's format and store as they were.
TEST_F(ImageBuffer, AFailedFormatChangeKeepsFormatAndStore) {
  RefPtr<TPXImageBuffer> wide = TPXImageBuffer::CreateSize(800000000, 0, vfGrayScale);  // no block
  TPXSmartImageBuffer* store = wide->pBuffer();
  EXPECT_THROW(wide->ConvertTo(vfRGBA32), platform::EOutOfMemory);
  EXPECT_EQ(wide->GetFormat(), vfGrayScale);
  EXPECT_EQ(wide->pBuffer(), store);
  EXPECT_EQ(wide->GetStep(), 800000000u);
  EXPECT_THROW(wide->SetSizeAndFormat(800000000, 0, vfRGB24), platform::EOutOfMemory);
  EXPECT_EQ(wide->GetFormat(), vfGrayScale);
  EXPECT_EQ(wide->pBuffer(), store);
}

TEST_F(ImageBuffer, FormatChangesLeaveOtherViewsAndKeepTimeData) {
  RefPtr<TPXImageBuffer> image = Pattern(7, 3, vfRGB24);
  SetTimeData(image.Get());
  RefPtr<TPXImageBuffer> other = TPXImageBuffer::CreateEx(image.Get());
  const std::vector<uint8_t> before = Bytes(other.Get());
  image->ConvertTo(vfYUY2);
  EXPECT_EQ(image->GetFormat(), vfYUY2);
  EXPECT_EQ(image->GetStep(), 14u);
  ExpectTimeData(image.Get());
  EXPECT_EQ(other->GetFormat(), vfRGB24);
  EXPECT_EQ(Bytes(other.Get()), before);
  EXPECT_NE(other->pBuffer(), image->pBuffer());
  ExpectTimeData(other.Get());

  // vfRGB is kept in its own RGB24 store, a copy.
  other->ConvertTo(vfRGB);
  EXPECT_EQ(other->GetFormat(), vfRGB);
  EXPECT_STREQ(other->pBuffer()->ClassName(), "TPXSmartRGBBuffer");
  EXPECT_EQ(Bytes(other.Get()), before);

  // The same size and format keep the store; any change gives a new one with the time data.
  const uint8_t* pixels = other->Read();
  other->SetSizeAndFormat(7, 3, vfRGB);
  EXPECT_EQ(other->Read(), pixels);
  other->SetSize(4, 4);
  EXPECT_EQ(other->GetFormat(), vfRGB);
  EXPECT_EQ(other->GetWidth(), 4u);
  ExpectTimeData(other.Get());

  // Assign takes the other image's store and format; the key-frame flag stays.
  other->SetKeyFrame(true);
  other->Assign(image.Get());
  EXPECT_EQ(other->GetFormat(), vfYUY2);
  EXPECT_EQ(other->GetStep(), 14u);
  EXPECT_EQ(other->pBuffer(), image->pBuffer());
  EXPECT_TRUE(other->IsKeyFrame());
  EXPECT_FALSE(image->IsKeyFrame());

  // Time data set through one view is seen through every view of the store.
  other->TimeCode()->SetMin(59);
  EXPECT_EQ(image->TimeCode()->Min(), 59);
}

TEST_F(ImageBuffer, SettersFollowTheColourRule) {
  struct Case {
    const char* name;
    TPXVideoFormat from;
    std::function<void(TPXImageBuffer*)> set;
    TPXVideoFormat after;
  };
  const Case cases[] = {
      {"colour on gray", vfGrayScale, [](TPXImageBuffer* i) { i->SetPixel(0, 0, platform::clRed); }, vfRGB24},
      {"gray colour on gray", vfGrayScale, [](TPXImageBuffer* i) { i->SetPixel(0, 0, 0x404040); }, vfGrayScale},
      {"colour on RGBA", vfRGBA32, [](TPXImageBuffer* i) { i->SetPixel(0, 0, platform::clRed); }, vfRGBA32},
      {"colour on vfRGB", vfRGB, [](TPXImageBuffer* i) { i->SetPixel(0, 0, platform::clRed); }, vfRGB24},
      {"red on 565", vfRGB565, [](TPXImageBuffer* i) { i->SetRed(0, 0, 9); }, vfRGB24},
      {"alpha on RGB24", vfRGB24, [](TPXImageBuffer* i) { i->SetAlpha(0, 0, 9); }, vfRGBA32},
      {"colour with alpha", vfGrayScale, [](TPXImageBuffer* i) { i->SetPixel(0, 0, 0x102030, 40); }, vfRGBA32},
      {"gray on 565", vfRGB565, [](TPXImageBuffer* i) { i->SetGrayScale(0, 0, 9); }, vfGrayScale},
      {"gray on RGB24", vfRGB24, [](TPXImageBuffer* i) { i->SetGrayScale(0, 0, 9); }, vfRGB24},
      {"gray on YUY2", vfYUY2, [](TPXImageBuffer* i) { i->SetGrayScale(0, 0, 9); }, vfGrayScale},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RefPtr<TPXImageBuffer> image = Pattern(4, 2, c.from);
    RefPtr<TPXImageBuffer> other = TPXImageBuffer::CreateEx(image.Get());
    const std::vector<uint8_t> before = Bytes(other.Get());
    c.set(image.Get());
    EXPECT_EQ(image->GetFormat(), c.after);
    EXPECT_EQ(Bytes(other.Get()), before);  // the shared store is never written
  }
  RefPtr<TPXImageBuffer> image = Pattern(4, 2, vfGrayScale);
  image->SetPixel(1, 1, 0x102030, 40);
  EXPECT_EQ(image->GetPixel(1, 1), 0x102030);
  EXPECT_EQ(image->GetAlpha(1, 1), 40);
  EXPECT_EQ(image->GetAlpha(0, 0), 255);  // alpha 255 from the conversion
  // On a packed 4:2:2 image a gray SetPixel changes nothing.
  RefPtr<TPXImageBuffer> yuv = Pattern(4, 2, vfUYVY);
  const std::vector<uint8_t> before = Bytes(yuv.Get());
  yuv->SetPixel(0, 0, 0x808080);
  EXPECT_EQ(yuv->GetFormat(), vfUYVY);
  EXPECT_EQ(Bytes(yuv.Get()), before);
}

TEST_F(ImageBuffer, WholeChannels) {
  for (TPXVideoFormat f : {vfRGB24, vfRGBA32, vfYUY2, vfGrayScale}) {
    SCOPED_TRACE(static_cast<int>(f));
    RefPtr<TPXImageBuffer> image = Pattern(5, 3, f);
    RefPtr<IPXImageBuffer> green = image->GetGreenChannel(), blue = image->GetBlueChannel();
    EXPECT_EQ(image->GetFormat(), f);  // the image keeps its format
    EXPECT_EQ(green->GetFormat(), vfGrayScale);
    for (uint32_t y = 0; y < 3; ++y)
      for (uint32_t x = 0; x < 5; ++x) {
        EXPECT_EQ(green->GetGrayScale(x, y), image->GetGreen(x, y));
        EXPECT_EQ(blue->GetGrayScale(x, y), image->GetBlue(x, y));
      }
    RefPtr<IPXImageBuffer> alpha = image->GetAlphaChannel();
    EXPECT_EQ(alpha->GetGrayScale(4, 2), f == vfRGBA32 ? image->GetAlpha(4, 2) : 255);
  }
  RefPtr<TPXImageBuffer> image = Pattern(5, 3, vfGrayScale);
  image->SetRedChannel(200);
  EXPECT_EQ(image->GetFormat(), vfRGB24);
  EXPECT_EQ(image->GetRed(4, 2), 200);
  EXPECT_EQ(image->GetGreen(4, 2), Pattern(5, 3, vfGrayScale)->GetGreen(4, 2));
  image->SetAlphaChannel(33);
  EXPECT_EQ(image->GetFormat(), vfRGBA32);
  EXPECT_EQ(image->GetAlpha(2, 1), 33);
  EXPECT_EQ(image->GetRed(2, 1), 200);
  image->FillLevel(7);
  EXPECT_EQ(image->GetPixel(3, 2), 0x070707);
  EXPECT_EQ(image->GetAlpha(3, 2), 33);
  RefPtr<TPXImageBuffer> yuy2 = Pattern(4, 1, vfYUY2);
  yuy2->FillLevel(9);
  EXPECT_EQ(yuy2->GetFormat(), vfRGBA32);
  EXPECT_EQ(yuy2->GetAlpha(3, 0), 255);
}

TEST_F(ImageBuffer, ClassLibraryBitmaps) {
  // A 32-bit bitmap gives an RGBA32 image, top row first.
  platform::TBitmap* bitmap = platform::New<platform::TBitmap>();
  bitmap->SetPixelFormat(platform::pf32bit);
  bitmap->SetSize(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < 12; ++i) bitmap->ScanLine(y)[i] = static_cast<uint8_t>(16 * y + i);
  RefPtr<TPXImageBuffer> image = TPXImageBuffer::CreateBmp(bitmap);
  EXPECT_EQ(image->GetFormat(), vfRGBA32);
  EXPECT_EQ(image->GetPixel(1, 1), 0x141516);  // bytes 20, 21, 22: blue, green, red
  EXPECT_EQ(image->GetAlpha(1, 1), 23);
  // A 24-bit bitmap of width 5: the image's rows are 24 bytes apart, the bitmap's 16.
  bitmap->SetPixelFormat(platform::pf24bit);
  bitmap->SetSize(5, 2);
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < 15; ++i) bitmap->ScanLine(y)[i] = static_cast<uint8_t>(100 + 16 * y + i);
  image->LoadFromBitmap(bitmap);
  EXPECT_EQ(image->GetFormat(), vfRGB24);
  EXPECT_EQ(image->GetStep(), 24u);
  EXPECT_EQ(image->GetPixel(4, 1), (100 + 16 + 14) | (100 + 16 + 13) << 8 | (100 + 16 + 12) << 16);

  // A YUY2 image saved to a bitmap is RGB24 afterwards, and the bitmap holds its pixels.
  RefPtr<TPXImageBuffer> yuy2 = Pattern(6, 3, vfYUY2);
  RefPtr<TPXImageBuffer> rgb = TPXImageBuffer::CreateEx(yuy2.Get());
  rgb->ConvertTo(vfRGB24);
  yuy2->SaveToBitmap(bitmap);
  EXPECT_EQ(yuy2->GetFormat(), vfRGB24);
  EXPECT_EQ(bitmap->PixelFormat(), platform::pf24bit);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(0, std::memcmp(bitmap->ScanLine(y), rgb->Read() + 24 * y, 18));
  RefPtr<TPXImageBuffer> rgba = Pattern(2, 2, vfRGBA32);
  rgba->SaveToBitmap(bitmap);
  EXPECT_EQ(bitmap->PixelFormat(), platform::pf32bit);
  EXPECT_EQ(0, std::memcmp(bitmap->ScanLine(1), rgba->Read() + 8, 8));
  bitmap->Free();
}

TEST_F(ImageBuffer, DeviceIndependentBitmapsAndFiles) {
  RefPtr<TPXImageBuffer> rgba = Pattern(3, 2, vfRGBA32);
  rgba->SetAlpha(2, 1, 77);
  Owned<TPXBitmap> dib(TPXBitmap::Create());
  rgba->SaveToBasicBitmap(dib.get());
  EXPECT_EQ(dib->GetPixelFormat(), platform::pf32bit);
  RefPtr<TPXImageBuffer> back = TPXImageBuffer::CreateSize(0, 0, vfGrayScale);
  back->LoadFromBasicBitmap(dib.get());
  EXPECT_EQ(back->GetFormat(), vfRGBA32);
  EXPECT_EQ(Bytes(back.Get()), Bytes(rgba.Get()));

  // The bitmap file of a 5 x 2 image: 86 bytes, pixels at 54, a negative height.
  RefPtr<TPXImageBuffer> image = Pattern(5, 2, vfGrayScale);
  const std::string path = (std::filesystem::temp_directory_path() / "pf_image_buffer.bmp").string();
  image->SaveToBitmapFile(path);
  EXPECT_EQ(image->GetFormat(), vfRGB24);
  EXPECT_EQ(std::filesystem::file_size(path), 86u);
  platform::TPicture* picture = platform::New<platform::TPicture>();
  picture->LoadFromFile(path);
  RefPtr<TPXImageBuffer> read = TPXImageBuffer::CreateBmp(picture->Bitmap());
  EXPECT_EQ(read->GetWidth(), 5u);
  for (uint32_t y = 0; y < 2; ++y)
    for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(read->GetPixel(x, y), image->GetPixel(x, y));
  picture->Free();
  std::filesystem::remove(path);
  EXPECT_THROW(image->SaveToBitmapFile("/nonexistent/folder/x.bmp"), platform::EFCreateError);
  EXPECT_EQ(Owned<TPXBitmap>(TPXBitmap::Create())->Width(), 0);  // the temporary bitmap went
}

TEST_F(ImageBuffer, TheSamplePictureBecomesAnImage) {
#ifndef PF_TEST_DATA_DIR
  GTEST_SKIP() << "the shared data folder with Coins1.bmp was not found";
#else
  platform::TPicture* picture = platform::New<platform::TPicture>();
  picture->LoadFromFile(std::string(PF_TEST_DATA_DIR) + "/Coins1.bmp");
  // As the demo does: an RGB24 image of the picture's size, filled from its bitmap.
  RefPtr<TPXImageBuffer> image = TPXImageBuffer::CreateSize(picture->Width(), picture->Height(), vfRGB24);
  image->LoadFromBitmap(picture->Bitmap());
  ASSERT_EQ(image->GetWidth(), 384u);
  ASSERT_EQ(image->GetHeight(), 303u);
  const int bytes = picture->Bitmap()->PixelFormat() == platform::pf32bit ? 4 : 3;
  for (int y = 0; y < 303; y += 101)
    for (int x = 0; x < 384; x += 127) {
      const uint8_t* p = picture->Bitmap()->ScanLine(y) + bytes * x;
      EXPECT_EQ(image->GetPixel(x, y), p[2] | p[1] << 8 | p[0] << 16) << x << "," << y;
    }
  picture->Free();
#endif
}

}  // namespace
