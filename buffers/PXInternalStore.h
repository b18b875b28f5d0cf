// Pixel stores: the shared containers behind image buffers. A store holds the pixels of one
// image in one pooled block, with the image's geometry, its time stamp (a media container),
// its time code and its date. There is one store class per pixel format; a store never
// changes its format or size. A format change builds a new store of the target class from
// the old one (CreateEx), and that is where every conversion between formats lives.
//
// Layouts (rows top row first, each GetStep bytes after the previous one; only RGB24 rows are
// padded, to a multiple of 4 pixels, and the padding bytes are never read or written):
//
//   store                     bytes/pixel  pixels per row (ExtWidth)   pixel
//   TPXSmartRGBBuffer         3            width rounded up to 4       blue, green, red
//   TPXSmartYUY2Buffer        2            width                       pairs Y0, U, Y1, V
//   TPXSmartUYVYBuffer        2            width                       pairs U, Y0, V, Y1
//   TPXSmartRGBABuffer        4            width                       blue, green, red, alpha
//   TPXSmartRGB565Buffer      2            width                       word: blue 0-4, green 5-10, red 11-15
//   TPXSmartRGB555Buffer      2            width                       word: blue 0-4, green 5-9, red 10-14, bit 15 = 0
//   TPXSmartGrayScaleBuffer   1            width                       gray
//
// Gray values weigh red 0.299, green 0.587 and blue 0.114 (the colour-to-gray primitive). The
// per-pixel operations of the 16-bit stores use the same fields as the conversions (blue in
// the low five bits). Every primitive is called through its dispatch slot; their status codes
// are not checked, and a conversion the primitives refuse leaves the target's pixels
// undefined. A packed 4:2:2 row of odd width ends in a lone pixel of two bytes (Y, U or
// U, Y), converted on its own.
//
// Sizes are computed in 64 bits: a store whose block or row would exceed 2^31 - 1 bytes is
// refused with EOutOfMemory "Out of memory", as is a block the heap cannot supply. A store of
// a zero side has no block and its conversions touch no memory.
//
// Threads: Clone and SetTimeData take the store's lock; everything else is unlocked and
// relies on copy-on-write (a store that several views own is only read). The time code and
// date fields are read and written without the lock (each field is atomic on its own).
#pragma once

#include <atomic>
#include <cstdint>

#include "buffers/CXInternalStore.h"
#include "platform/Graphics.h"
#include "primitives/support/IppTypes.h"

namespace buffers {

using platform::TColor;

enum TPXVideoFormat : uint8_t {
  vfRGB24,
  vfYUY2,
  vfUYVY,
  vfRGBA32,
  vfRGB565,
  vfRGB555,
  vfGrayScale,
  vfRGB,  // kept in an RGB24 store
};

class TPXSmartImageBuffer : public TCXSmartMediaBuffer {
  PF_CLASS(TPXSmartImageBuffer)

 public:
  // A new store of the class that holds images of format (vfRGB: the RGB24 store).
  static TPXSmartImageBuffer* CreateStore(TPXVideoFormat format, uint32_t AWidth, uint32_t AHeight);
  // CreateEx of the class that holds images of format: a copy of Other when it is of that
  // class (its pixels only with Preserve), otherwise Other's pixels converted.
  static TPXSmartImageBuffer* CreateStoreEx(TPXVideoFormat format, TPXSmartImageBuffer* Other,
                                            bool Preserve);

  // The format this store keeps (vfRGB24 for the RGB24 store).
  virtual TPXVideoFormat StoreFormat() const = 0;

  // Under this store's lock: the time stamp, and the time code and date when AOther is a
  // pixel store.
  void SetTimeData(TCXSmartMediaBuffer* AOther) override;
  // The pixel block as bytes, for byte views of an image.
  void* GetRawData() override { return FDataPtr; }
  uint32_t GetCapacity() override { return FSize; }

  uint8_t* GetData() const { return FDataPtr; }
  uint32_t GetWidth() const { return FWidth; }
  uint32_t GetExtWidth() const { return FExtWidth; }
  uint32_t GetHeight() const { return FHeight; }
  uint32_t GetBytesPerPixel() const { return FBytesPerPixel; }
  // The byte size of the block.
  virtual uint32_t GetCharSize() { return FSize; }
  // Bytes from one row to the next.
  virtual uint32_t GetStep() { return FExtWidth * FBytesPerPixel; }

  // Per-pixel access; coordinates are not checked (callers keep X < width, Y < height).
  // Colours are TColor values (red in bits 0-7, green 8-15, blue 16-23). Stores that cannot
  // hold a value ignore its setter; GetAlpha is 255 but for RGBA32.
  virtual TColor GetPixel(uint32_t X, uint32_t Y) = 0;
  virtual void SetPixel(uint32_t X, uint32_t Y, TColor Color);
  virtual uint8_t GetRed(uint32_t X, uint32_t Y) = 0;
  virtual void SetRed(uint32_t X, uint32_t Y, uint8_t Value);
  virtual uint8_t GetGreen(uint32_t X, uint32_t Y) = 0;
  virtual void SetGreen(uint32_t X, uint32_t Y, uint8_t Value);
  virtual uint8_t GetBlue(uint32_t X, uint32_t Y) = 0;
  virtual void SetBlue(uint32_t X, uint32_t Y, uint8_t Value);
  virtual uint8_t GetAlpha(uint32_t X, uint32_t Y);
  virtual void SetAlpha(uint32_t X, uint32_t Y, uint8_t Value);
  // The weighted gray of GetPixel; SetPixel of the value in all three channels.
  virtual uint8_t GetGrayScale(uint32_t X, uint32_t Y);
  virtual void SetGrayScale(uint32_t X, uint32_t Y, uint8_t Value);

  // Time code and date, read and written directly.
  bool GetTimeCodeAvailable() const { return FTimeCodeAvailable; }
  void SetTimeCodeAvailable(bool AValue) { FTimeCodeAvailable = AValue; }
  int32_t GetTimeCodeFrame() const { return FTimeCode[0]; }
  void SetTimeCodeFrame(int32_t AValue) { FTimeCode[0] = AValue; }
  int32_t GetTimeCodeSec() const { return FTimeCode[1]; }
  void SetTimeCodeSec(int32_t AValue) { FTimeCode[1] = AValue; }
  int32_t GetTimeCodeMin() const { return FTimeCode[2]; }
  void SetTimeCodeMin(int32_t AValue) { FTimeCode[2] = AValue; }
  int32_t GetTimeCodeHour() const { return FTimeCode[3]; }
  void SetTimeCodeHour(int32_t AValue) { FTimeCode[3] = AValue; }
  bool GetDateTimeAvailable() const { return FDateTimeAvailable; }
  void SetDateTimeAvailable(bool AValue) { FDateTimeAvailable = AValue; }
  int32_t GetDateTimeMillisec() const { return FDateTime[0]; }
  void SetDateTimeMillisec(int32_t AValue) { FDateTime[0] = AValue; }
  int32_t GetDateTimeSec() const { return FDateTime[1]; }
  void SetDateTimeSec(int32_t AValue) { FDateTime[1] = AValue; }
  int32_t GetDateTimeMin() const { return FDateTime[2]; }
  void SetDateTimeMin(int32_t AValue) { FDateTime[2] = AValue; }
  int32_t GetDateTimeHour() const { return FDateTime[3]; }
  void SetDateTimeHour(int32_t AValue) { FDateTime[3] = AValue; }
  int32_t GetDateTimeDay() const { return FDateTime[4]; }
  void SetDateTimeDay(int32_t AValue) { FDateTime[4] = AValue; }
  int32_t GetDateTimeMonth() const { return FDateTime[5]; }
  void SetDateTimeMonth(int32_t AValue) { FDateTime[5] = AValue; }
  int32_t GetDateTimeYear() const { return FDateTime[6]; }
  void SetDateTimeYear(int32_t AValue) { FDateTime[6] = AValue; }

 protected:
  // A new store of that size and layout, pixels undefined, no time data.
  TPXSmartImageBuffer(uint32_t AWidth, uint32_t AHeight, uint32_t ABytesPerPixel, bool APadRows);
  // A store of Other's geometry (same class) with Other's time stamp; its pixels only with
  // Preserve.
  TPXSmartImageBuffer(TPXSmartImageBuffer* Other, bool Preserve);
  void Destroy() override;

  // The first byte of pixel (X, Y).
  uint8_t* PixelAddress(uint32_t X, uint32_t Y) const {
    return FDataPtr + FBytesPerPixel * (uint64_t{X} + uint64_t{Y} * FExtWidth);
  }

 private:
  uint32_t FWidth = 0;
  uint32_t FExtWidth = 0;
  uint32_t FHeight = 0;
  uint32_t FBytesPerPixel = 0;
  std::atomic<bool> FTimeCodeAvailable{false};
  std::atomic<int32_t> FTimeCode[4] = {};  // frame, seconds, minutes, hours
  std::atomic<bool> FDateTimeAvailable{false};
  std::atomic<int32_t> FDateTime[7] = {};  // milliseconds, seconds, minutes, hours, day, month, year
  uint8_t* FDataPtr = nullptr;
  uint32_t FSize = 0;
};

// Construction, cloning and the format of each concrete store. Create makes a store of a size;
// CreateEx a store from another one (see TPXSmartImageBuffer::CreateStoreEx); Clone, under
// the store's lock, a store of this class with this store's time data.
template <class TSelf, TPXVideoFormat Format, uint32_t BytesPerPixel>
class TPXSmartStore : public TPXSmartImageBuffer {
 public:
  static TSelf* Create(uint32_t AWidth, uint32_t AHeight) { return platform::New<TSelf>(AWidth, AHeight); }
  static TSelf* CreateEx(TPXSmartImageBuffer* Other, bool Preserve) {
    return static_cast<TSelf*>(CreateStoreEx(Format, Other, Preserve));
  }
  TRBSmartBuffer* Clone(bool Preserve) override {
    TRBContainerLock lock(this);
    TSelf* clone = platform::New<TSelf>(this, Preserve);
    clone->SetTimeData(this);
    return clone;
  }
  TPXVideoFormat StoreFormat() const override { return Format; }

 protected:
  TPXSmartStore(uint32_t AWidth, uint32_t AHeight)
      : TPXSmartImageBuffer(AWidth, AHeight, BytesPerPixel, Format == vfRGB24) {}
  TPXSmartStore(TPXSmartImageBuffer* Other, bool Preserve) : TPXSmartImageBuffer(Other, Preserve) {}
};

// The stores of blue, green and red bytes (and alpha for RGBA32).
template <class TSelf, TPXVideoFormat Format, uint32_t BytesPerPixel>
class TPXSmartBGRStore : public TPXSmartStore<TSelf, Format, BytesPerPixel> {
 public:
  TColor GetPixel(uint32_t X, uint32_t Y) override {
    const uint8_t* p = this->PixelAddress(X, Y);
    return p[2] | p[1] << 8 | p[0] << 16;
  }
  // Writes the three colour bytes (an alpha byte is kept).
  void SetPixel(uint32_t X, uint32_t Y, TColor Color) override {
    uint8_t* p = this->PixelAddress(X, Y);
    p[0] = static_cast<uint8_t>(Color >> 16);
    p[1] = static_cast<uint8_t>(Color >> 8);
    p[2] = static_cast<uint8_t>(Color);
  }
  uint8_t GetRed(uint32_t X, uint32_t Y) override { return this->PixelAddress(X, Y)[2]; }
  void SetRed(uint32_t X, uint32_t Y, uint8_t Value) override { this->PixelAddress(X, Y)[2] = Value; }
  uint8_t GetGreen(uint32_t X, uint32_t Y) override { return this->PixelAddress(X, Y)[1]; }
  void SetGreen(uint32_t X, uint32_t Y, uint8_t Value) override { this->PixelAddress(X, Y)[1] = Value; }
  uint8_t GetBlue(uint32_t X, uint32_t Y) override { return this->PixelAddress(X, Y)[0]; }
  void SetBlue(uint32_t X, uint32_t Y, uint8_t Value) override { this->PixelAddress(X, Y)[0] = Value; }

 protected:
  using TPXSmartStore<TSelf, Format, BytesPerPixel>::TPXSmartStore;
};

class TPXSmartRGBBuffer : public TPXSmartBGRStore<TPXSmartRGBBuffer, vfRGB24, 3> {
  PF_CLASS(TPXSmartRGBBuffer)
  PF_ALLOW_NEW;

 public:
  // The weighted sum of the pixel's own three bytes; the value in all three channels.
  uint8_t GetGrayScale(uint32_t X, uint32_t Y) override;
  void SetGrayScale(uint32_t X, uint32_t Y, uint8_t Value) override { SetPixel(X, Y, Value * 0x010101); }

 protected:
  using TPXSmartBGRStore::TPXSmartBGRStore;
};

class TPXSmartRGBABuffer : public TPXSmartBGRStore<TPXSmartRGBABuffer, vfRGBA32, 4> {
  PF_CLASS(TPXSmartRGBABuffer)
  PF_ALLOW_NEW;

 public:
  uint8_t GetAlpha(uint32_t X, uint32_t Y) override { return PixelAddress(X, Y)[3]; }
  void SetAlpha(uint32_t X, uint32_t Y, uint8_t Value) override { PixelAddress(X, Y)[3] = Value; }

 protected:
  using TPXSmartBGRStore::TPXSmartBGRStore;
};

class TPXSmartGrayScaleBuffer : public TPXSmartStore<TPXSmartGrayScaleBuffer, vfGrayScale, 1> {
  PF_CLASS(TPXSmartGrayScaleBuffer)
  PF_ALLOW_NEW;

 public:
  // The gray byte in all three channels; SetPixel writes the colour's red byte.
  TColor GetPixel(uint32_t X, uint32_t Y) override { return *PixelAddress(X, Y) * 0x010101; }
  void SetPixel(uint32_t X, uint32_t Y, TColor Color) override {
    *PixelAddress(X, Y) = static_cast<uint8_t>(Color);
  }
  uint8_t GetRed(uint32_t X, uint32_t Y) override { return *PixelAddress(X, Y); }
  uint8_t GetGreen(uint32_t X, uint32_t Y) override { return *PixelAddress(X, Y); }
  uint8_t GetBlue(uint32_t X, uint32_t Y) override { return *PixelAddress(X, Y); }
  uint8_t GetGrayScale(uint32_t X, uint32_t Y) override { return *PixelAddress(X, Y); }
  void SetGrayScale(uint32_t X, uint32_t Y, uint8_t Value) override { *PixelAddress(X, Y) = Value; }

 protected:
  using TPXSmartStore::TPXSmartStore;
};

// The packed 4:2:2 stores read a pixel by converting the pair that holds it; they have no
// setters.
template <class TSelf, TPXVideoFormat Format>
class TPXSmartYUVStore : public TPXSmartStore<TSelf, Format, 2> {
 public:
  TColor GetPixel(uint32_t X, uint32_t Y) override;
  uint8_t GetRed(uint32_t X, uint32_t Y) override { return static_cast<uint8_t>(GetPixel(X, Y)); }
  uint8_t GetGreen(uint32_t X, uint32_t Y) override { return static_cast<uint8_t>(GetPixel(X, Y) >> 8); }
  uint8_t GetBlue(uint32_t X, uint32_t Y) override { return static_cast<uint8_t>(GetPixel(X, Y) >> 16); }

 protected:
  using TPXSmartStore<TSelf, Format, 2>::TPXSmartStore;
};

class TPXSmartYUY2Buffer : public TPXSmartYUVStore<TPXSmartYUY2Buffer, vfYUY2> {
  PF_CLASS(TPXSmartYUY2Buffer)
  PF_ALLOW_NEW;

 protected:
  using TPXSmartYUVStore::TPXSmartYUVStore;
};

class TPXSmartUYVYBuffer : public TPXSmartYUVStore<TPXSmartUYVYBuffer, vfUYVY> {
  PF_CLASS(TPXSmartUYVYBuffer)
  PF_ALLOW_NEW;

 protected:
  using TPXSmartYUVStore::TPXSmartYUVStore;
};

// The 16-bit stores: each field widened by a left shift when read and narrowed by a right
// shift when written; a channel setter replaces its own field only.
template <class TSelf, TPXVideoFormat Format>
class TPXSmart16BitStore : public TPXSmartStore<TSelf, Format, 2> {
 public:
  TColor GetPixel(uint32_t X, uint32_t Y) override;
  void SetPixel(uint32_t X, uint32_t Y, TColor Color) override;
  uint8_t GetRed(uint32_t X, uint32_t Y) override { return static_cast<uint8_t>(GetPixel(X, Y)); }
  void SetRed(uint32_t X, uint32_t Y, uint8_t Value) override { SetField(X, Y, kRed, Value); }
  uint8_t GetGreen(uint32_t X, uint32_t Y) override { return static_cast<uint8_t>(GetPixel(X, Y) >> 8); }
  void SetGreen(uint32_t X, uint32_t Y, uint8_t Value) override { SetField(X, Y, kGreen, Value); }
  uint8_t GetBlue(uint32_t X, uint32_t Y) override { return static_cast<uint8_t>(GetPixel(X, Y) >> 16); }
  void SetBlue(uint32_t X, uint32_t Y, uint8_t Value) override { SetField(X, Y, kBlue, Value); }

 protected:
  using TPXSmartStore<TSelf, Format, 2>::TPXSmartStore;

 private:
  enum TField { kBlue, kGreen, kRed };
  void SetField(uint32_t X, uint32_t Y, TField Field, uint8_t Value);
};

class TPXSmartRGB565Buffer : public TPXSmart16BitStore<TPXSmartRGB565Buffer, vfRGB565> {
  PF_CLASS(TPXSmartRGB565Buffer)
  PF_ALLOW_NEW;

 protected:
  using TPXSmart16BitStore::TPXSmart16BitStore;
};

class TPXSmartRGB555Buffer : public TPXSmart16BitStore<TPXSmartRGB555Buffer, vfRGB555> {
  PF_CLASS(TPXSmartRGB555Buffer)
  PF_ALLOW_NEW;

 protected:
  using TPXSmart16BitStore::TPXSmart16BitStore;
};

// The seven stores: X(format, class).
#define PX_PIXEL_STORES(X)                \
  X(vfRGB24, TPXSmartRGBBuffer)           \
  X(vfYUY2, TPXSmartYUY2Buffer)           \
  X(vfUYVY, TPXSmartUYVYBuffer)           \
  X(vfRGBA32, TPXSmartRGBABuffer)         \
  X(vfRGB565, TPXSmartRGB565Buffer)       \
  X(vfRGB555, TPXSmartRGB555Buffer)       \
  X(vfGrayScale, TPXSmartGrayScaleBuffer)

// Converts UYVY rows to red-green-blue rows (the YUV422-to-RGB primitive's output order): the
// 16-bit words of the source are swapped into a temporary block, which turns them into YUY2,
// and converted. The status of the conversion.
IppStatus UYVYToRGB24(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, int width, int height);

}  // namespace buffers
