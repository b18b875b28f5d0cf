#include "buffers/PXBasicBitmap.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>

#include "platform/SysUtils.h"

namespace buffers {

using namespace platform;

PF_DEFINE_CLASS(TPXBasicBitmap, TObject)

namespace {

int32_t BitsOf(TPixelFormat format) { return format == pf32bit ? 32 : 24; }

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The 40-byte information header as it lies in a file (little-endian).
void PutInfoHeader(uint8_t* p, const BITMAPINFOHEADER& h) {
  Put32(p, h.biSize);
  Put32(p + 4, static_cast<uint32_t>(h.biWidth));
  Put32(p + 8, static_cast<uint32_t>(h.biHeight));
  Put16(p + 12, h.biPlanes);
  Put16(p + 14, h.biBitCount);
  Put32(p + 16, h.biCompression);
  Put32(p + 20, h.biSizeImage);
  Put32(p + 24, static_cast<uint32_t>(h.biXPelsPerMeter));
  Put32(p + 28, static_cast<uint32_t>(h.biYPelsPerMeter));
  Put32(p + 32, h.biClrUsed);
  Put32(p + 36, h.biClrImportant);
}

// Copies rows of rowBytes bytes between two images whose rows are the given steps apart.
void CopyRows(const uint8_t* src, int64_t srcStep, uint8_t* dst, int64_t dstStep, int64_t rowBytes,
              int32_t rows) {
  for (int32_t y = 0; y < rows; ++y)
    std::memcpy(dst + y * dstStep, src + y * srcStep, static_cast<size_t>(rowBytes));
}

}  // namespace

TPXBasicBitmap::TPXBasicBitmap() { FCanvas = New<TCanvas>(); }

void TPXBasicBitmap::Destroy() {
  if (FDC != nullptr) {
    FCanvas->SetHandle(nullptr);
    if (FOldBitmap != nullptr) SelectObject(FDC, FOldBitmap);
    if (FBitmap != nullptr) DeleteObject(FBitmap);
    DeleteDC(FDC);
  }
  FreeAndNil(FCanvas);
  TObject::Destroy();
}

void TPXBasicBitmap::InitSize(int32_t width, int32_t height) {
  SetWidth(width);
  SetHeight(height);
}

void TPXBasicBitmap::InitSizeColorAlpha(int32_t width, int32_t height, TColor color, uint8_t alpha) {
  SetPixelFormat(pf32bit);
  InitSize(width, height);
  if (FDC == nullptr || FDataPtr == nullptr) return;
  const uint8_t pixel[4] = {static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8),
                            static_cast<uint8_t>(color), alpha};
  const int64_t count = int64_t{FWidth} * FHeight;
  for (int64_t i = 0; i < count; ++i) std::memcpy(FDataPtr + 4 * i, pixel, 4);
}

void TPXBasicBitmap::InitCopy(TPXBasicBitmap* bitmap) {
  SetPixelFormat(bitmap->GetPixelFormat());  // the rows must be as wide as the source's
  InitSize(bitmap->Width(), bitmap->Height());
  if (FDataPtr != nullptr) bitmap->ToBuffer(FDataPtr, static_cast<int32_t>(RowStep()));
}

void TPXBasicBitmap::InitFromBitmap(TBitmap* bitmap) {
  InitSize(bitmap->Width(), bitmap->Height());
  if (FDC != nullptr && FDataPtr != nullptr)
    GetDIBits(FDC, bitmap->Handle(), 0, static_cast<uint32_t>(FHeight), FDataPtr, &FBitmapInfo,
              DIB_RGB_COLORS);
}

int64_t TPXBasicBitmap::RowStep() const { return BytesPerScanline(FWidth, BitsOf(FPixelFormat), 32); }

void TPXBasicBitmap::SetWidth(int32_t value) {
  if (value != FWidth) Change(value, FHeight, FPixelFormat);
}

void TPXBasicBitmap::SetHeight(int32_t value) {
  if (value != FHeight) Change(FWidth, value, FPixelFormat);
}

void TPXBasicBitmap::Resize(int32_t width, int32_t height) {
  if (width != FWidth || height != FHeight) Change(width, height, FPixelFormat);
}

void TPXBasicBitmap::SetPixelFormat(TPixelFormat value) {
  if (value != pf32bit) value = pf24bit;
  if (value != FPixelFormat) Change(FWidth, FHeight, value);
}

void TPXBasicBitmap::Change(int32_t width, int32_t height, TPixelFormat format) {
  const int32_t oldWidth = FWidth, oldHeight = FHeight;
  const TPixelFormat oldFormat = FPixelFormat;
  FWidth = width;
  FHeight = height;
  FPixelFormat = format;
  try {
    Rebuild();
  } catch (...) {
    FWidth = oldWidth;
    FHeight = oldHeight;
    FPixelFormat = oldFormat;
    throw;
  }
}

void TPXBasicBitmap::Rebuild() {
  // A negative height would ask for bottom-up rows: refused like any other bad size.
  if (FWidth < 0 || FHeight < 0) throw Exception("Cannot create device-independant bitmap");
  if (FDC == nullptr && (FWidth == 0 || FHeight == 0)) return;
  if (FDC == nullptr) {
    FDC = CreateCompatibleDC(nullptr);
    if (FDC == nullptr) throw Exception("Cannot create device context.");
    FCanvas->SetHandle(FDC);
  }
  BITMAPINFO info{};
  BITMAPINFOHEADER& h = info.bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = FWidth;
  h.biHeight = -FHeight;
  h.biPlanes = 1;
  h.biBitCount = static_cast<uint16_t>(BitsOf(FPixelFormat));
  const int64_t imageSize = RowStep() * FHeight;  // 64 bits: the section refuses what does not fit
  h.biSizeImage = imageSize <= INT32_MAX ? static_cast<uint32_t>(imageSize) : 0;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(FDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section == nullptr) throw Exception("Cannot create device-independant bitmap");

  if (FBitmap != nullptr) {
    BITMAP old;
    if (FWidth > 0 && FHeight > 0 && GetObjectW(FBitmap, sizeof(old), &old) != 0 && old.bmBits != nullptr) {
      // Each row of the common block, 3 bytes per pixel when the pixel format changes.
      const int32_t rows = std::min(FHeight, old.bmHeight), columns = std::min(FWidth, old.bmWidth);
      const int64_t step = RowStep();
      for (int32_t y = 0; y < rows; ++y)
        ConvertPixelRow(static_cast<const uint8_t*>(old.bmBits) + int64_t{y} * old.bmWidthBytes,
                        old.bmBitsPixel / 8, static_cast<uint8_t*>(bits) + y * step, h.biBitCount / 8,
                        columns);
    }
    SelectObject(FDC, section);
    DeleteObject(FBitmap);
  } else {
    FOldBitmap = SelectObject(FDC, section);
  }
  FBitmap = section;
  FBitmapInfo = info;
  FDataPtr = static_cast<uint8_t*>(bits);
}

void TPXBasicBitmap::FromBuffer(const void* data, int32_t scanlineStep) {
  if (FDC == nullptr || FDataPtr == nullptr) return;
  CopyRows(static_cast<const uint8_t*>(data), scanlineStep, FDataPtr, RowStep(),
           int64_t{FWidth} * (BitsOf(FPixelFormat) / 8), FHeight);
}

void TPXBasicBitmap::ToBuffer(void* data, int32_t scanlineStep) const {
  if (FDC == nullptr || FDataPtr == nullptr) return;
  CopyRows(FDataPtr, RowStep(), static_cast<uint8_t*>(data), scanlineStep,
           int64_t{FWidth} * (BitsOf(FPixelFormat) / 8), FHeight);
}

void TPXBasicBitmap::ToBitmap(TBitmap* bitmap) const {
  bitmap->SetWidth(FWidth);
  bitmap->SetHeight(FHeight);
  if (FDC != nullptr && FDataPtr != nullptr)
    SetDIBits(FDC, bitmap->Handle(), 0, static_cast<uint32_t>(FHeight), FDataPtr, &FBitmapInfo,
              DIB_RGB_COLORS);
}

void TPXBasicBitmap::SaveToStream(std::ostream& stream) const {
  uint8_t header[54] = {'B', 'M'};
  size_t headerBytes = 14;
  const uint32_t imageSize = FBitmap != nullptr ? FBitmapInfo.bmiHeader.biSizeImage : 0;
  if (FBitmap != nullptr) {
    Put32(header + 2, 54 + imageSize);
    Put32(header + 10, 54);
    PutInfoHeader(header + 14, FBitmapInfo.bmiHeader);
    headerBytes = 54;
  }
  stream.write(reinterpret_cast<const char*>(header), static_cast<std::streamsize>(headerBytes));
  if (imageSize > 0 && FDataPtr != nullptr)
    stream.write(reinterpret_cast<const char*>(FDataPtr), static_cast<std::streamsize>(imageSize));
  if (!stream) throw EWriteError("Stream write error");
}

void TPXBasicBitmap::SaveToFile(const std::string& fileName) const {
  std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
  if (!file)
    platform::RaiseFileCreateError(fileName, errno);
  SaveToStream(file);
  file.close();
  if (!file) throw EWriteError("Stream write error");
}

bool GetBitmapInfoHeader(HBITMAP bitmap, BITMAPINFOHEADER& header, int32_t bitCount) {
  platform::DIBSECTION section;
  const int32_t filled = GetObjectW(bitmap, sizeof(section), &section);
  if (filled == 0) return false;
  if (filled < static_cast<int32_t>(sizeof(platform::BITMAP) + sizeof(BITMAPINFOHEADER)) ||
      section.dsBmih.biSize < sizeof(BITMAPINFOHEADER)) {
    header = BITMAPINFOHEADER{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = section.dsBm.bmWidth;
    header.biHeight = section.dsBm.bmHeight;
  } else {
    header = section.dsBmih;
  }
  header.biBitCount = static_cast<uint16_t>(bitCount);
  header.biPlanes = 1;
  header.biClrUsed = 0;
  header.biClrImportant = 0;
  const int64_t rows = std::abs(int64_t{header.biHeight});
  header.biSizeImage = static_cast<uint32_t>(BytesPerScanline(header.biWidth, bitCount, 32) * rows);
  return true;
}

bool GetBitmapBits(HBITMAP bitmap, BITMAPINFO& info, int32_t bitCount, int32_t rowPixels, void* bits) {
  if (!GetBitmapInfoHeader(bitmap, info.bmiHeader, bitCount)) return false;
  const int32_t width = info.bmiHeader.biWidth;
  if (rowPixels < width) return false;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return false;
  // Top-down rows whatever the bitmap's own order: -|H| rows, |H| lines.
  const int64_t rows = std::abs(int64_t{info.bmiHeader.biHeight});
  info.bmiHeader.biHeight = static_cast<int32_t>(-rows);
  const int32_t lines = GetDIBits(dc, bitmap, 0, static_cast<uint32_t>(rows), bits, &info, DIB_RGB_COLORS);
  DeleteDC(dc);
  if (lines > 0 && rowPixels != width) {
    // Move the rows apart, last row first, from their padded positions.
    const int64_t pixelBytes = bitCount / 8;
    const int64_t padded = BytesPerScanline(width, bitCount, 32);
    auto* p = static_cast<uint8_t*>(bits);
    for (int64_t y = lines - 1; y > 0; --y)
      std::memmove(p + y * rowPixels * pixelBytes, p + y * padded, static_cast<size_t>(width * pixelBytes));
  }
  return lines > 0;
}

}  // namespace buffers
