// The image buffer: the image every image component sends and receives. A view (a media
// buffer) on one pixel store (buffers/PXInternalStore.h): it knows the image's pixel format,
// caches the store's geometry, carries a key-frame flag of its own, and reaches the time stamp,
// time code and date that the store holds (set through one view, they change for every view of
// the store).
//
// Copies are cheap: MakeCopy, CreateEx, CreateCopy and CreateUniversal share the store, which
// is duplicated only when a view that shares it writes (Write: fresh pixels, Modify: the old
// ones). A format or size change never touches a shared store: it builds a new store and moves
// only the changing view onto it; the view's format is set once the new store is installed, so
// a change that fails (no memory) leaves format and store as they were.
//
// Sizes are checked: a negative side raises ERangeError "Image size %d x %d is not valid", an
// image whose block or row would exceed 2^31 - 1 bytes EOutOfMemory "Out of memory". Pixel
// coordinates are checked too: ERangeError "Column out of range = %u" or "Row out of range =
// %u".
//
// Names: the bitmap-file SaveToFile of an image is SaveToBitmapFile here, and its GetSize of
// width and height is GetIppiSize, because data buffers already have a raw-byte SaveToFile and a
// byte-count GetSize with the same arguments.
//
// Threads: a view takes no lock of its own and is used by one thread at a time; copy-on-write
// keeps views on other threads apart.
#pragma once

#include <cstdint>
#include <string>

#include "buffers/CXSimpleMediaBuffer.h"
#include "buffers/PXBitmap.h"
#include "buffers/PXInternalStore.h"
#include "platform/Graphics.h"
#include "primitives/support/IppTypes.h"

namespace buffers {

class TPXImageBuffer;
struct TPXImageFamily;
struct TPXImageByteMap;

// The time code of a view's current store, read and written directly.
class TPXTimeCode {
 public:
  explicit TPXTimeCode(TPXImageBuffer* AIntBuffer) : FIntBuffer(AIntBuffer) {}
  bool Available() const;
  void SetAvailable(bool AValue);
  int32_t Frame() const;
  void SetFrame(int32_t AValue);
  int32_t Sec() const;
  void SetSec(int32_t AValue);
  int32_t Min() const;
  void SetMin(int32_t AValue);
  int32_t Hour() const;
  void SetHour(int32_t AValue);

 private:
  TPXImageBuffer* FIntBuffer;
};

// The date and time of day of a view's current store, read and written directly.
class TPXDateTime {
 public:
  explicit TPXDateTime(TPXImageBuffer* AIntBuffer) : FIntBuffer(AIntBuffer) {}
  bool Available() const;
  void SetAvailable(bool AValue);
  int32_t Year() const;
  void SetYear(int32_t AValue);
  int32_t Month() const;
  void SetMonth(int32_t AValue);
  int32_t Day() const;
  void SetDay(int32_t AValue);
  int32_t Millisec() const;
  void SetMillisec(int32_t AValue);
  int32_t Sec() const;
  void SetSec(int32_t AValue);
  int32_t Min() const;
  void SetMin(int32_t AValue);
  int32_t Hour() const;
  void SetHour(int32_t AValue);

 private:
  TPXImageBuffer* FIntBuffer;
};

// A colour constant with alpha, packed: red in bits 0-7, green 8-15, blue 16-23, alpha 24-31.
// A type of its own, so that a TColor (which carries no alpha) never selects a packed form.
struct TPXPackedColor {
  uint32_t Value = 0;
  constexpr TPXPackedColor() = default;
  constexpr explicit TPXPackedColor(uint32_t AValue) : Value(AValue) {}
};

// The image-with-image and image-with-constant families of five slots each: (B) in place,
// (A, B), Value (Color), Value (Color, Alpha) and Value (Packed); X(operation, value operation).
#define PX_IMAGE_BUFFER_FAMILIES(X) \
  X(Add, AddValue)                  \
  X(Subtract, SubtractValue)        \
  X(Multiply, MultiplyValue)        \
  X(MultiplyScale, MultiplyScaleValue) \
  X(Divide, DivideValue)            \
  X(And, AndValue)                  \
  X(Or, OrValue)                    \
  X(Xor, XorValue)
// The shift families: only the three constant slots.
#define PX_IMAGE_BUFFER_SHIFTS(X) X(LShiftValue) X(RShiftValue)

struct IPXImageBuffer : virtual ICXMediaBuffer {
  static constexpr TGUID IID = TGUID::Parse("{FB9C18EE-78DE-4162-A79D-D9FA27B84235}");

  // The first pixel byte: as it is, after a copy without the pixels when the store was
  // shared (the caller overwrites them all), or after a copy with them.
  virtual uint8_t* Read() = 0;
  virtual uint8_t* Write() = 0;
  virtual uint8_t* Modify() = 0;
  // Size, format and pixels from a class-library bitmap (a 32-bit one gives vfRGBA32, any
  // other vfRGB24); nothing when it is empty.
  virtual void LoadFromBitmap(platform::TBitmap* ABitmap) = 0;
  // Size, pixel format and pixels into a class-library bitmap; an image that is not RGBA32 is
  // first converted to vfRGB24 (and stays so).
  virtual void SaveToBitmap(platform::TBitmap* ABitmap) = 0;
  virtual void LoadFromBasicBitmap(TPXBasicBitmap* ABitmap) = 0;
  virtual void SaveToBasicBitmap(TPXBasicBitmap* ABitmap) = 0;
  // The image as a bitmap file (through SaveToBasicBitmap).
  virtual void SaveToBitmapFile(const std::string& AFileName) = 0;
  virtual uint32_t GetWidth() = 0;
  virtual uint32_t GetHeight() = 0;
  virtual void ConvertTo(TPXVideoFormat AFormat) = 0;
  virtual TPXVideoFormat GetFormat() = 0;
  virtual TColor GetPixel(uint32_t X, uint32_t Y) = 0;
  virtual void SetPixel(uint32_t X, uint32_t Y, TColor Color) = 0;
  virtual uint8_t GetRed(uint32_t X, uint32_t Y) = 0;
  virtual void SetRed(uint32_t X, uint32_t Y, uint8_t Value) = 0;
  virtual uint8_t GetGreen(uint32_t X, uint32_t Y) = 0;
  virtual void SetGreen(uint32_t X, uint32_t Y, uint8_t Value) = 0;
  virtual uint8_t GetBlue(uint32_t X, uint32_t Y) = 0;
  virtual void SetBlue(uint32_t X, uint32_t Y, uint8_t Value) = 0;
  virtual uint8_t GetAlpha(uint32_t X, uint32_t Y) = 0;
  virtual void SetAlpha(uint32_t X, uint32_t Y, uint8_t Value) = 0;
  virtual uint8_t GetGrayScale(uint32_t X, uint32_t Y) = 0;
  virtual void SetGrayScale(uint32_t X, uint32_t Y, uint8_t Value) = 0;
  virtual void SetRedChannel(uint8_t Value) = 0;
  virtual void SetGreenChannel(uint8_t Value) = 0;
  virtual void SetBlueChannel(uint8_t Value) = 0;
  virtual void SetAlphaChannel(uint8_t Value) = 0;
  virtual RefPtr<IPXImageBuffer> GetRedChannel() = 0;
  virtual RefPtr<IPXImageBuffer> GetGreenChannel() = 0;
  virtual RefPtr<IPXImageBuffer> GetBlueChannel() = 0;
  virtual RefPtr<IPXImageBuffer> GetAlphaChannel() = 0;
  virtual uint32_t GetExtWidth() = 0;
  virtual uint32_t GetBytesPerPixel() = 0;
  virtual IppiSize GetIppiSize() = 0;
  virtual uint32_t GetStep() = 0;
  virtual TPXTimeCode* TimeCode() = 0;
  virtual TPXDateTime* DateTime() = 0;
  virtual bool IsKeyFrame() = 0;
  virtual void SetKeyFrame(bool AValue) = 0;
  virtual void SetSize(int32_t AWidth, int32_t AHeight) = 0;
  // A new store of that size and format (pixels undefined, time data kept); nothing when
  // size and format are the current ones.
  virtual void SetSizeAndFormat(int32_t AWidth, int32_t AHeight, TPXVideoFormat AFormat) = 0;
  // The colour with alpha; the image becomes vfRGBA32.
  virtual void SetPixel(uint32_t X, uint32_t Y, TColor Color, uint8_t Alpha) = 0;

  // Whole-image arithmetic, logic and fills (buffers/PXSimpleImageBufferArithmetic.cpp). The
  // operations with another image work over the common area (the smaller width by the smaller
  // height) and keep the pixels outside it; the other image is never changed. Arithmetic
  // halves its exact result (scale factor 1: Add gives the rounded average); MultiplyScale
  // divides the product by 255. Colour constants are TColor values, handed to the primitives
  // in the channel order of the data (blue, green, red, alpha). Nothing is reported: a
  // primitive that refuses its arguments (an empty image) leaves the image as prepared.

  // B composed with this image into this image by the operation code of the alpha
  // compositing (0 Over ... 11 premultiplied Plus); this image becomes vfRGBA32.
  virtual void AlphaComp(IPXImageBuffer* B, uint8_t AlphaType) = 0;
#define PX_IMAGE_FAMILY_SLOTS(Op, OpValue)                        \
  virtual void Op(IPXImageBuffer* B) = 0;                         \
  virtual void Op(IPXImageBuffer* A, IPXImageBuffer* B) = 0;      \
  virtual void OpValue(TColor Color) = 0;                         \
  virtual void OpValue(TColor Color, uint8_t Alpha) = 0;          \
  virtual void OpValue(TPXPackedColor Packed) = 0;
  PX_IMAGE_FAMILY_SLOTS(Add, AddValue)
  PX_IMAGE_FAMILY_SLOTS(Subtract, SubtractValue)
  PX_IMAGE_FAMILY_SLOTS(Multiply, MultiplyValue)
  PX_IMAGE_FAMILY_SLOTS(MultiplyScale, MultiplyScaleValue)
  PX_IMAGE_FAMILY_SLOTS(Divide, DivideValue)
  // |this - B| per byte (an RGBA32 image keeps its alpha); (A, B): |A - B|.
  virtual void AbsDiff(IPXImageBuffer* B) = 0;
  virtual void AbsDiff(IPXImageBuffer* A, IPXImageBuffer* B) = 0;
  PX_IMAGE_FAMILY_SLOTS(And, AndValue)
  PX_IMAGE_FAMILY_SLOTS(Or, OrValue)
  PX_IMAGE_FAMILY_SLOTS(Xor, XorValue)
#undef PX_IMAGE_FAMILY_SLOTS
  // Each channel shifted by the count in the constant's byte of that channel.
  virtual void LShiftValue(TColor Color) = 0;
  virtual void LShiftValue(TColor Color, uint8_t Alpha) = 0;
  virtual void LShiftValue(TPXPackedColor Packed) = 0;
  virtual void RShiftValue(TColor Color) = 0;
  virtual void RShiftValue(TColor Color, uint8_t Alpha) = 0;
  virtual void RShiftValue(TPXPackedColor Packed) = 0;
  // The complement and the halved square of every colour byte (an RGBA32 image keeps its
  // alpha); (A): of A's pixels, read in this image's format, into this image.
  virtual void Not() = 0;
  virtual void Not(IPXImageBuffer* A) = 0;
  virtual void Sqr() = 0;
  virtual void Sqr(IPXImageBuffer* A) = 0;
  // Fills: the colour (a gray image takes its gray level; an RGBA32 image keeps its alpha).
  virtual void Fill(TColor Color) = 0;
  // Opaque (alpha 255): an RGB24 image of the colour; otherwise an RGBA32 image.
  virtual void FillRGBA(TPXPackedColor Packed) = 0;
  // Every pixel's colour channels set to Level (a gray image's bytes; an RGBA32 image keeps
  // its alpha; an image of any format but gray, RGB24 and RGBA32 becomes vfRGBA32 with alpha
  // 255).
  virtual void FillLevel(uint8_t Level) = 0;
  // On an RGBA32 image the level (or colour) and the alpha; on any other image as without it.
  virtual void FillLevel(uint8_t Level, uint8_t Alpha) = 0;
  virtual void Fill(TColor Color, uint8_t Alpha) = 0;
  // The alpha of every pixel; the image becomes vfRGBA32.
  virtual void FillAlpha(uint8_t Alpha) = 0;
  // The image becomes vfGrayScale of that level.
  virtual void FillGrayScale(uint8_t Level) = 0;
  // FillLevel (0) and FillLevel (0, Alpha).
  virtual void Clear() = 0;
  virtual void Clear(uint8_t Alpha) = 0;
};

class TPXImageBuffer : public TCXMediaBuffer, public virtual IPXImageBuffer {
  PF_CLASS(TPXImageBuffer)
  PF_ALLOW_NEW;

 public:
  // An empty RGB24 image (0 x 0).
  static RefPtr<TPXImageBuffer> Create();
  // A new store of that size and format; pixels undefined.
  static RefPtr<TPXImageBuffer> CreateSize(int32_t AWidth, int32_t AHeight, TPXVideoFormat AFormat);
  // The same, then GetByteSize bytes (the store's whole layout, RGB24 row padding included)
  // copied from AData.
  static RefPtr<TPXImageBuffer> CreateData(const uint8_t* AData, int32_t AWidth, int32_t AHeight,
                                           TPXVideoFormat AFormat);
  // Views on another image's store, with its format and key-frame flag. The object behind
  // Other must be an image buffer: EInvalidCast "Invalid class typecast" otherwise.
  static RefPtr<TPXImageBuffer> CreateEx(TPXImageBuffer* Other);
  static RefPtr<TPXImageBuffer> CreateUniversal(IRBData* Other);
  static RefPtr<TPXImageBuffer> CreateCopy(IPXImageBuffer* Other);
  // An image of a class-library bitmap (vfRGBA32 for a 32-bit bitmap, else vfRGB24).
  static RefPtr<TPXImageBuffer> CreateBmp(platform::TBitmap* ABitmap);
  // An RGB24 image of a device-independent bitmap.
  static RefPtr<TPXImageBuffer> CreateBmp(TPXBitmap* ABitmap);

  RefPtr<IPXImageBuffer> GetImageBufferIntf() { return RefPtr<IPXImageBuffer>(this); }
  TPXSmartImageBuffer* pBuffer() const { return pDebugBuffer; }

  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override;
  TRBBasicBuffer* MakeCopyObject() override;
  // Shares the other image's store and takes its format (the key-frame flag stays this
  // view's). The other buffer must be an image buffer: EInvalidCast otherwise, before anything
  // changes.
  void Assign(IRBDataBuffer* OtherBuffer) override;
  void DataChanged() override;
  void SetDataContainer(TRBSmartBuffer* AContainer) override;

  uint8_t* Read() override { return ByteRead(); }
  uint8_t* Write() override { return ByteWrite(); }
  uint8_t* Modify() override { return ByteModify(); }
  void LoadFromBitmap(platform::TBitmap* ABitmap) override;
  void SaveToBitmap(platform::TBitmap* ABitmap) override;
  void LoadFromBasicBitmap(TPXBasicBitmap* ABitmap) override;
  void SaveToBasicBitmap(TPXBasicBitmap* ABitmap) override;
  void SaveToBitmapFile(const std::string& AFileName) override;
  uint32_t GetWidth() override { return FWidth; }
  uint32_t GetHeight() override { return FHeight; }
  void ConvertTo(TPXVideoFormat AFormat) override;
  TPXVideoFormat GetFormat() override { return FFormat; }
  TColor GetPixel(uint32_t X, uint32_t Y) override;
  void SetPixel(uint32_t X, uint32_t Y, TColor Color) override;
  uint8_t GetRed(uint32_t X, uint32_t Y) override;
  void SetRed(uint32_t X, uint32_t Y, uint8_t Value) override;
  uint8_t GetGreen(uint32_t X, uint32_t Y) override;
  void SetGreen(uint32_t X, uint32_t Y, uint8_t Value) override;
  uint8_t GetBlue(uint32_t X, uint32_t Y) override;
  void SetBlue(uint32_t X, uint32_t Y, uint8_t Value) override;
  uint8_t GetAlpha(uint32_t X, uint32_t Y) override;
  void SetAlpha(uint32_t X, uint32_t Y, uint8_t Value) override;
  uint8_t GetGrayScale(uint32_t X, uint32_t Y) override;
  void SetGrayScale(uint32_t X, uint32_t Y, uint8_t Value) override;
  void SetRedChannel(uint8_t Value) override { SetColorChannel(2, Value); }
  void SetGreenChannel(uint8_t Value) override { SetColorChannel(1, Value); }
  void SetBlueChannel(uint8_t Value) override { SetColorChannel(0, Value); }
  void SetAlphaChannel(uint8_t Value) override;
  RefPtr<IPXImageBuffer> GetRedChannel() override { return GetColorChannel(2); }
  RefPtr<IPXImageBuffer> GetGreenChannel() override { return GetColorChannel(1); }
  RefPtr<IPXImageBuffer> GetBlueChannel() override { return GetColorChannel(0); }
  RefPtr<IPXImageBuffer> GetAlphaChannel() override;
  uint32_t GetExtWidth() override { return pDebugBuffer->GetExtWidth(); }
  uint32_t GetBytesPerPixel() override { return FBytesPerPixel; }
  IppiSize GetIppiSize() override {
    return IppiSize{static_cast<int>(FWidth), static_cast<int>(FHeight)};
  }
  uint32_t GetStep() override { return FStep; }
  TPXTimeCode* TimeCode() override { return &FTimeCode; }
  TPXDateTime* DateTime() override { return &FDateTime; }
  bool IsKeyFrame() override { return FIsKeyFrame; }
  void SetKeyFrame(bool AValue) override { FIsKeyFrame = AValue; }
  void SetSize(int32_t AWidth, int32_t AHeight) override { SetSizeAndFormat(AWidth, AHeight, FFormat); }
  void SetSizeAndFormat(int32_t AWidth, int32_t AHeight, TPXVideoFormat AFormat) override;
  void SetPixel(uint32_t X, uint32_t Y, TColor Color, uint8_t Alpha) override;

  void AlphaComp(IPXImageBuffer* B, uint8_t AlphaType) override;
#define PX_IMAGE_FAMILY_OVERRIDES(Op, OpValue)             \
  void Op(IPXImageBuffer* B) override;                     \
  void Op(IPXImageBuffer* A, IPXImageBuffer* B) override;  \
  void OpValue(TColor Color) override;                     \
  void OpValue(TColor Color, uint8_t Alpha) override;      \
  void OpValue(TPXPackedColor Packed) override;
#define PX_IMAGE_SHIFT_OVERRIDES(OpValue)             \
  void OpValue(TColor Color) override;                \
  void OpValue(TColor Color, uint8_t Alpha) override; \
  void OpValue(TPXPackedColor Packed) override;
  PX_IMAGE_BUFFER_FAMILIES(PX_IMAGE_FAMILY_OVERRIDES)
  PX_IMAGE_BUFFER_SHIFTS(PX_IMAGE_SHIFT_OVERRIDES)
#undef PX_IMAGE_FAMILY_OVERRIDES
#undef PX_IMAGE_SHIFT_OVERRIDES
  void AbsDiff(IPXImageBuffer* B) override;
  void AbsDiff(IPXImageBuffer* A, IPXImageBuffer* B) override;
  void Not() override;
  void Not(IPXImageBuffer* A) override;
  void Sqr() override;
  void Sqr(IPXImageBuffer* A) override;
  void Fill(TColor Color) override;
  void FillRGBA(TPXPackedColor Packed) override;
  void FillLevel(uint8_t Level) override;
  void FillLevel(uint8_t Level, uint8_t Alpha) override;
  void Fill(TColor Color, uint8_t Alpha) override;
  void FillAlpha(uint8_t Alpha) override;
  void FillGrayScale(uint8_t Level) override;
  void Clear() override { FillLevel(0); }
  void Clear(uint8_t Alpha) override { FillLevel(0, Alpha); }

 protected:
  TPXImageBuffer(TPXSmartImageBuffer* AStore, TPXVideoFormat AFormat);
  explicit TPXImageBuffer(TPXImageBuffer* Other);
  void AfterConstruction() override;

 private:
  // Moves this view onto a new store (with the old store's time data) and drops the old one.
  void InstallStore(TPXSmartImageBuffer* AStore);
  // vfRGB24 unless the format is vfRGB24 or vfRGBA32 (an image about to take a colour).
  void ApplyColorRule();
  // The store of pixel (X, Y), after a check of the coordinates.
  TPXSmartImageBuffer* StoreAt(uint32_t X, uint32_t Y);
  // The same, made unique with its pixels for a setter.
  TPXSmartImageBuffer* WritableStoreAt(uint32_t X, uint32_t Y);
  bool Empty() const { return FWidth == 0 || FHeight == 0; }
  // A colour channel of one pixel, after the colour rule.
  void SetColorByte(uint32_t X, uint32_t Y, uint8_t Value,
                    void (TPXSmartImageBuffer::*Setter)(uint32_t, uint32_t, uint8_t));
  void SetColorChannel(int AOffset, uint8_t Value);
  RefPtr<IPXImageBuffer> GetColorChannel(int AOffset);

  // The whole-image operations (PXSimpleImageBufferArithmetic.cpp): B brought into this
  // image's layout (B itself or a converted view held by Holder), then the family's primitive
  // in place over the common area.
  IPXImageBuffer* PrepareOther(IPXImageBuffer* B, bool KeepsWords, RefPtr<TPXImageBuffer>& Holder);
  void CombineImage(IPXImageBuffer* B, const TPXImageFamily& Family);
  void CombineImages(IPXImageBuffer* A, IPXImageBuffer* B, const TPXImageFamily& Family);
  void CombineConstant(TPXPackedColor Value, bool Packed, const TPXImageFamily& Family);
  // Not and Sqr: every colour byte of A (null: of this image) mapped into this image.
  void MapBytes(IPXImageBuffer* A, const TPXImageByteMap& Map);

  TPXSmartImageBuffer* pDebugBuffer = nullptr;
  TPXVideoFormat FFormat = vfRGB24;
  uint32_t FWidth = 0;
  uint32_t FHeight = 0;
  uint32_t FBytesPerPixel = 0;
  uint32_t FStep = 0;
  TPXTimeCode FTimeCode{this};
  TPXDateTime FDateTime{this};
  bool FIsKeyFrame = false;
};

}  // namespace buffers
