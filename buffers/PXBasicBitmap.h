// Device-independent bitmaps: pictures held in a 24- or 32-bit section with top-down rows,
// selected into a memory device context with a canvas on it, so that the same pixels can be
// drawn on and copied as bytes; and the bitmap file writer.
//
// Pixel layout: blue, green, red (and alpha for pf32bit); 32-bit rows are width * 4 bytes,
// 24-bit rows width * 3 bytes rounded up to a multiple of 4. A bitmap gets its context and
// first section with its first size that has no zero side; every later change of width,
// height or pixel format builds a new section that keeps the top-left block of pixels the
// two sizes share. A change that cannot be made (no context, no section: a negative side,
// more than 2^31 - 1 bytes of pixels, or no memory) raises Exception and leaves the bitmap
// with its old size, pixel format and pixels.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "platform/Gdi.h"
#include "platform/Graphics.h"
#include "platform/Objects.h"

namespace buffers {

using platform::BITMAPINFO;
using platform::BITMAPINFOHEADER;
using platform::HBITMAP;
using platform::HDC;
using platform::TBitmap;
using platform::TCanvas;
using platform::TColor;
using platform::TPixelFormat;

class TPXBasicBitmap : public platform::TObject {
  PF_CLASS(TPXBasicBitmap)
  PF_ALLOW_NEW;

 public:
  // A 24-bit bitmap without context or section.
  static TPXBasicBitmap* Create() { return platform::New<TPXBasicBitmap>(); }
  static TPXBasicBitmap* CreateSize(int32_t width, int32_t height) {
    return Make<TPXBasicBitmap>(&TPXBasicBitmap::InitSize, width, height);
  }
  // A 32-bit bitmap whose pixels all hold the colour's blue, green and red and the alpha.
  static TPXBasicBitmap* CreateSizeColorAlpha(int32_t width, int32_t height, TColor color,
                                              uint8_t alpha) {
    return Make<TPXBasicBitmap>(&TPXBasicBitmap::InitSizeColorAlpha, width, height, color, alpha);
  }
  // A copy of another bitmap: its size, pixel format and pixels.
  static TPXBasicBitmap* CreateCopy(TPXBasicBitmap* bitmap) {
    return Make<TPXBasicBitmap>(&TPXBasicBitmap::InitCopy, bitmap);
  }
  // A 24-bit bitmap of a class-library bitmap's size and pixels.
  static TPXBasicBitmap* CreateFromBitmap(TBitmap* bitmap) {
    return Make<TPXBasicBitmap>(&TPXBasicBitmap::InitFromBitmap, bitmap);
  }

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  void SetWidth(int32_t value);
  void SetHeight(int32_t value);
  // Nothing when both equal the current size; otherwise one rebuild.
  void Resize(int32_t width, int32_t height);
  void SetSize(int32_t width, int32_t height) { Resize(width, height); }
  TCanvas* Canvas() const { return FCanvas; }
  TPixelFormat GetPixelFormat() const { return FPixelFormat; }
  // pf24bit or pf32bit; any other value is taken as pf24bit.
  void SetPixelFormat(TPixelFormat value);
  // The canvas's device context (the bitmap's own once it has one).
  HDC GetDC() const { return FCanvas->Handle(); }
  // The first pixel byte (top row first); null without a section.
  uint8_t* Data() const { return FDataPtr; }
  // Bytes from one row of the section to the next.
  int64_t RowStep() const;

  // Copy Height rows between the caller's memory (rows scanlineStep bytes apart, which may be
  // negative) and the section; nothing without a context.
  void FromBuffer(const void* data, int32_t scanlineStep);
  void ToBuffer(void* data, int32_t scanlineStep) const;
  // Gives a class-library bitmap this bitmap's size and pixels.
  void ToBitmap(TBitmap* bitmap) const;

  // The bitmap file: the 14-byte file header ("BM", the file size, the pixel offset 54), the
  // 40-byte information header with a negative height, no colour table, then the section's
  // rows. A bitmap that never had a section writes only the file header, all but "BM" zero.
  // SaveToFile raises EFCreateError when the file cannot be created and EWriteError "Stream
  // write error" when it cannot be written.
  void SaveToFile(const std::string& fileName) const;
  void SaveToStream(std::ostream& stream) const;

 protected:
  TPXBasicBitmap();
  void Destroy() override;

  void InitSize(int32_t width, int32_t height);
  void InitSizeColorAlpha(int32_t width, int32_t height, TColor color, uint8_t alpha);
  void InitCopy(TPXBasicBitmap* bitmap);
  void InitFromBitmap(TBitmap* bitmap);

  // A new object of class T (this class or a descendant) set up by init; freed again when
  // init raises.
  template <class T, class... Params, class... Args>
  static T* Make(void (TPXBasicBitmap::*init)(Params...), Args&&... args) {
    T* bitmap = platform::New<T>();
    try {
      (bitmap->*init)(std::forward<Args>(args)...);
    } catch (...) {
      bitmap->Free();
      throw;
    }
    return bitmap;
  }

 private:
  // Stores the new geometry and rebuilds; on failure the old geometry is put back.
  void Change(int32_t width, int32_t height, TPixelFormat format);
  void Rebuild();

  HDC FDC = nullptr;
  HBITMAP FBitmap = nullptr;
  HBITMAP FOldBitmap = nullptr;
  TCanvas* FCanvas = nullptr;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  uint8_t* FDataPtr = nullptr;
  BITMAPINFO FBitmapInfo{};
  TPixelFormat FPixelFormat = platform::pf24bit;
};

// The information header of any bitmap, for bitCount bits per pixel (planes 1, no colour
// table, biSizeImage of rows padded to 4 bytes); false when the handle is no bitmap.
bool GetBitmapInfoHeader(HBITMAP bitmap, BITMAPINFOHEADER& header, int32_t bitCount);

// The pixels of any bitmap as top-down rows of bitCount (24 or 32) bits, rowPixels pixels
// apart (at least the bitmap's width; the rows are moved apart after the copy when it is
// wider). bits must hold height rows of max(rowPixels * bitCount / 8, the row padded to 4
// bytes). False when nothing was copied or rowPixels is below the width (then nothing is
// written). The platform has no palettes: every bitmap here is a 24- or 32-bit section.
bool GetBitmapBits(HBITMAP bitmap, BITMAPINFO& info, int32_t bitCount, int32_t rowPixels,
                   void* bits);

}  // namespace buffers
