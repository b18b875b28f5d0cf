#include "buffers/PXSimpleImageBuffer.h"

#include <cstring>

#include "binding/IPPDispatchTable.h"
#include "platform/SysUtils.h"

namespace buffers {

PF_DEFINE_CLASS(TPXImageBuffer, TCXMediaBuffer)

// ---- Time code and date ----------------------------------------------------------------------

bool TPXTimeCode::Available() const { return FIntBuffer->pBuffer()->GetTimeCodeAvailable(); }
void TPXTimeCode::SetAvailable(bool AValue) { FIntBuffer->pBuffer()->SetTimeCodeAvailable(AValue); }
int32_t TPXTimeCode::Frame() const { return FIntBuffer->pBuffer()->GetTimeCodeFrame(); }
void TPXTimeCode::SetFrame(int32_t AValue) { FIntBuffer->pBuffer()->SetTimeCodeFrame(AValue); }
int32_t TPXTimeCode::Sec() const { return FIntBuffer->pBuffer()->GetTimeCodeSec(); }
void TPXTimeCode::SetSec(int32_t AValue) { FIntBuffer->pBuffer()->SetTimeCodeSec(AValue); }
int32_t TPXTimeCode::Min() const { return FIntBuffer->pBuffer()->GetTimeCodeMin(); }
void TPXTimeCode::SetMin(int32_t AValue) { FIntBuffer->pBuffer()->SetTimeCodeMin(AValue); }
int32_t TPXTimeCode::Hour() const { return FIntBuffer->pBuffer()->GetTimeCodeHour(); }
void TPXTimeCode::SetHour(int32_t AValue) { FIntBuffer->pBuffer()->SetTimeCodeHour(AValue); }

bool TPXDateTime::Available() const { return FIntBuffer->pBuffer()->GetDateTimeAvailable(); }
void TPXDateTime::SetAvailable(bool AValue) { FIntBuffer->pBuffer()->SetDateTimeAvailable(AValue); }
int32_t TPXDateTime::Year() const { return FIntBuffer->pBuffer()->GetDateTimeYear(); }
void TPXDateTime::SetYear(int32_t AValue) { FIntBuffer->pBuffer()->SetDateTimeYear(AValue); }
int32_t TPXDateTime::Month() const { return FIntBuffer->pBuffer()->GetDateTimeMonth(); }
void TPXDateTime::SetMonth(int32_t AValue) { FIntBuffer->pBuffer()->SetDateTimeMonth(AValue); }
int32_t TPXDateTime::Day() const { return FIntBuffer->pBuffer()->GetDateTimeDay(); }
void TPXDateTime::SetDay(int32_t AValue) { FIntBuffer->pBuffer()->SetDateTimeDay(AValue); }
int32_t TPXDateTime::Millisec() const { return FIntBuffer->pBuffer()->GetDateTimeMillisec(); }
void TPXDateTime::SetMillisec(int32_t AValue) { FIntBuffer->pBuffer()->SetDateTimeMillisec(AValue); }
int32_t TPXDateTime::Sec() const { return FIntBuffer->pBuffer()->GetDateTimeSec(); }
void TPXDateTime::SetSec(int32_t AValue) { FIntBuffer->pBuffer()->SetDateTimeSec(AValue); }
int32_t TPXDateTime::Min() const { return FIntBuffer->pBuffer()->GetDateTimeMin(); }
void TPXDateTime::SetMin(int32_t AValue) { FIntBuffer->pBuffer()->SetDateTimeMin(AValue); }
int32_t TPXDateTime::Hour() const { return FIntBuffer->pBuffer()->GetDateTimeHour(); }
void TPXDateTime::SetHour(int32_t AValue) { FIntBuffer->pBuffer()->SetDateTimeHour(AValue); }

// ---- Construction --------------------------------------------------------------------------

namespace {

// A new store of a format and a size given as signed numbers (negative sides refused).
TPXSmartImageBuffer* NewStore(TPXVideoFormat AFormat, int32_t AWidth, int32_t AHeight) {
  if (AWidth < 0 || AHeight < 0)
    throw platform::ERangeError(platform::Format("Image size %d x %d is not valid", AWidth, AHeight));
  return TPXSmartImageBuffer::CreateStore(AFormat, static_cast<uint32_t>(AWidth), static_cast<uint32_t>(AHeight));
}

// The image buffer behind Other; EInvalidCast when it is none.
TPXImageBuffer* ImageInstance(IRBData* Other) {
  auto* image = Other ? dynamic_cast<TPXImageBuffer*>(Other->GetInstance()) : nullptr;
  if (image == nullptr) throw EInvalidCast("Invalid class typecast");
  return image;
}

}  // namespace

TPXImageBuffer::TPXImageBuffer(TPXSmartImageBuffer* AStore, TPXVideoFormat AFormat)
    : TCXMediaBuffer(AStore, AStore->GetCharSize()), FFormat(AFormat) {}

TPXImageBuffer::TPXImageBuffer(TPXImageBuffer* Other)
    : TCXMediaBuffer(Other->pDataContainer, Other->FCharSize),
      FFormat(Other->FFormat),
      FIsKeyFrame(Other->FIsKeyFrame) {}

void TPXImageBuffer::AfterConstruction() {
  TCXMediaBuffer::AfterConstruction();  // installs the store through SetDataContainer
  DataChanged();
}

RefPtr<TPXImageBuffer> TPXImageBuffer::Create() { return CreateSize(0, 0, vfRGB24); }

RefPtr<TPXImageBuffer> TPXImageBuffer::CreateSize(int32_t AWidth, int32_t AHeight, TPXVideoFormat AFormat) {
  TPXSmartImageBuffer* store = NewStore(AFormat, AWidth, AHeight);
  try {
    return RefPtr<TPXImageBuffer>(platform::New<TPXImageBuffer>(store, AFormat));
  } catch (...) {
    store->Free();
    throw;
  }
}

RefPtr<TPXImageBuffer> TPXImageBuffer::CreateData(const uint8_t* AData, int32_t AWidth, int32_t AHeight,
                                                  TPXVideoFormat AFormat) {
  RefPtr<TPXImageBuffer> image = CreateSize(AWidth, AHeight, AFormat);
  if (image->GetByteSize() > 0) std::memcpy(image->Write(), AData, image->GetByteSize());
  return image;
}

RefPtr<TPXImageBuffer> TPXImageBuffer::CreateEx(TPXImageBuffer* Other) {
  return RefPtr<TPXImageBuffer>(platform::New<TPXImageBuffer>(ImageInstance(Other)));
}

RefPtr<TPXImageBuffer> TPXImageBuffer::CreateUniversal(IRBData* Other) { return CreateEx(ImageInstance(Other)); }

RefPtr<TPXImageBuffer> TPXImageBuffer::CreateCopy(IPXImageBuffer* Other) { return CreateEx(ImageInstance(Other)); }

RefPtr<TPXImageBuffer> TPXImageBuffer::CreateBmp(platform::TBitmap* ABitmap) {
  RefPtr<TPXImageBuffer> image = CreateSize(ABitmap->Width(), ABitmap->Height(),
                                            ABitmap->PixelFormat() == platform::pf32bit ? vfRGBA32 : vfRGB24);
  image->LoadFromBitmap(ABitmap);
  return image;
}

RefPtr<TPXImageBuffer> TPXImageBuffer::CreateBmp(TPXBitmap* ABitmap) {
  RefPtr<TPXImageBuffer> image = CreateSize(ABitmap->Width(), ABitmap->Height(), vfRGB24);
  image->LoadFromBasicBitmap(ABitmap);
  return image;
}

platform::HRESULT TPXImageBuffer::QueryInterface(const TGUID& iid, void** object) {
  if (iid == IPXImageBuffer::IID) return platform::QueryInterfaces<IPXImageBuffer>(this, iid, object);
  return TCXMediaBuffer::QueryInterface(iid, object);
}

TRBBasicBuffer* TPXImageBuffer::MakeCopyObject() { return platform::New<TPXImageBuffer>(this); }

void TPXImageBuffer::Assign(IRBDataBuffer* OtherBuffer) {
  TPXImageBuffer* other = ImageInstance(OtherBuffer);
  TCXMediaBuffer::Assign(OtherBuffer);
  FFormat = other->FFormat;
  DataChanged();
}

void TPXImageBuffer::SetDataContainer(TRBSmartBuffer* AContainer) {
  TCXMediaBuffer::SetDataContainer(AContainer);
  pDebugBuffer = static_cast<TPXSmartImageBuffer*>(AContainer);
}

void TPXImageBuffer::DataChanged() {
  TCXMediaBuffer::DataChanged();
  FWidth = pDebugBuffer->GetWidth();
  FHeight = pDebugBuffer->GetHeight();
  FBytesPerPixel = pDebugBuffer->GetBytesPerPixel();
  FStep = pDebugBuffer->GetExtWidth() * pDebugBuffer->GetBytesPerPixel();
  FCharSize = pDebugBuffer->GetCharSize();
  FDataPtr = pDebugBuffer->GetData();
}

// ---- Format and size -----------------------------------------------------------------------

void TPXImageBuffer::InstallStore(TPXSmartImageBuffer* AStore) {
  TRBSmartBuffer* old = pDataContainer;
  AStore->SetTimeData(pDebugBuffer);
  AStore->AddReff(FOwnsData);
  pDataContainer = AStore;
  SetDataContainer(AStore);
  old->RemoveReff(FOwnsData);
  DataChanged();
}

void TPXImageBuffer::ConvertTo(TPXVideoFormat AFormat) {
  if (AFormat == FFormat) return;
  InstallStore(TPXSmartImageBuffer::CreateStoreEx(AFormat, pDebugBuffer, true));
  FFormat = AFormat;
}

void TPXImageBuffer::SetSizeAndFormat(int32_t AWidth, int32_t AHeight, TPXVideoFormat AFormat) {
  if (AWidth >= 0 && AHeight >= 0 && static_cast<uint32_t>(AWidth) == FWidth &&
      static_cast<uint32_t>(AHeight) == FHeight && AFormat == FFormat)
    return;
  InstallStore(NewStore(AFormat, AWidth, AHeight));
  FFormat = AFormat;
}

// ---- Pixels --------------------------------------------------------------------------------

void TPXImageBuffer::ApplyColorRule() {
  if (FFormat != vfRGB24 && FFormat != vfRGBA32) ConvertTo(vfRGB24);
}

TPXSmartImageBuffer* TPXImageBuffer::StoreAt(uint32_t X, uint32_t Y) {
  if (X >= FWidth) throw platform::ERangeError(platform::Format("Column out of range = %u", X));
  if (Y >= FHeight) throw platform::ERangeError(platform::Format("Row out of range = %u", Y));
  return pDebugBuffer;
}

TPXSmartImageBuffer* TPXImageBuffer::WritableStoreAt(uint32_t X, uint32_t Y) {
  StoreAt(X, Y);
  Unique(true);
  return pDebugBuffer;
}

TColor TPXImageBuffer::GetPixel(uint32_t X, uint32_t Y) { return StoreAt(X, Y)->GetPixel(X, Y); }
uint8_t TPXImageBuffer::GetRed(uint32_t X, uint32_t Y) { return StoreAt(X, Y)->GetRed(X, Y); }
uint8_t TPXImageBuffer::GetGreen(uint32_t X, uint32_t Y) { return StoreAt(X, Y)->GetGreen(X, Y); }
uint8_t TPXImageBuffer::GetBlue(uint32_t X, uint32_t Y) { return StoreAt(X, Y)->GetBlue(X, Y); }
uint8_t TPXImageBuffer::GetAlpha(uint32_t X, uint32_t Y) { return StoreAt(X, Y)->GetAlpha(X, Y); }
uint8_t TPXImageBuffer::GetGrayScale(uint32_t X, uint32_t Y) { return StoreAt(X, Y)->GetGrayScale(X, Y); }

void TPXImageBuffer::SetPixel(uint32_t X, uint32_t Y, TColor Color) {
  StoreAt(X, Y);
  const uint32_t red = Color & 0xFF, green = (Color >> 8) & 0xFF, blue = (Color >> 16) & 0xFF;
  if (red != green || green != blue) ApplyColorRule();
  WritableStoreAt(X, Y)->SetPixel(X, Y, Color);
}

void TPXImageBuffer::SetPixel(uint32_t X, uint32_t Y, TColor Color, uint8_t Alpha) {
  StoreAt(X, Y);
  ConvertTo(vfRGBA32);
  TPXSmartImageBuffer* store = WritableStoreAt(X, Y);
  store->SetPixel(X, Y, Color);
  store->SetAlpha(X, Y, Alpha);
}

void TPXImageBuffer::SetColorByte(uint32_t X, uint32_t Y, uint8_t Value,
                                  void (TPXSmartImageBuffer::*Setter)(uint32_t, uint32_t, uint8_t)) {
  StoreAt(X, Y);
  ApplyColorRule();
  (WritableStoreAt(X, Y)->*Setter)(X, Y, Value);
}

void TPXImageBuffer::SetRed(uint32_t X, uint32_t Y, uint8_t Value) {
  SetColorByte(X, Y, Value, &TPXSmartImageBuffer::SetRed);
}

void TPXImageBuffer::SetGreen(uint32_t X, uint32_t Y, uint8_t Value) {
  SetColorByte(X, Y, Value, &TPXSmartImageBuffer::SetGreen);
}

void TPXImageBuffer::SetBlue(uint32_t X, uint32_t Y, uint8_t Value) {
  SetColorByte(X, Y, Value, &TPXSmartImageBuffer::SetBlue);
}

void TPXImageBuffer::SetAlpha(uint32_t X, uint32_t Y, uint8_t Value) {
  StoreAt(X, Y);
  ConvertTo(vfRGBA32);
  WritableStoreAt(X, Y)->SetAlpha(X, Y, Value);
}

void TPXImageBuffer::SetGrayScale(uint32_t X, uint32_t Y, uint8_t Value) {
  StoreAt(X, Y);
  if (FFormat != vfRGBA32 && FFormat != vfRGB24 && FFormat != vfRGB && FFormat != vfGrayScale)
    ConvertTo(vfGrayScale);
  WritableStoreAt(X, Y)->SetGrayScale(X, Y, Value);
}

// ---- Channels ------------------------------------------------------------------------------

void TPXImageBuffer::SetColorChannel(int AOffset, uint8_t Value) {
  if (FFormat == vfRGBA32) {
    if (!Empty()) ippiSet_8u_C4CR(Value, Modify() + AOffset, static_cast<int>(FStep), GetIppiSize());
    return;
  }
  ConvertTo(vfRGB24);
  if (!Empty()) ippiSet_8u_C3CR(Value, Modify() + AOffset, static_cast<int>(FStep), GetIppiSize());
}

void TPXImageBuffer::SetAlphaChannel(uint8_t Value) {
  ConvertTo(vfRGBA32);
  if (!Empty()) ippiSet_8u_C4CR(Value, Modify() + 3, static_cast<int>(FStep), GetIppiSize());
}

RefPtr<IPXImageBuffer> TPXImageBuffer::GetColorChannel(int AOffset) {
  RefPtr<TPXImageBuffer> result = CreateSize(static_cast<int32_t>(FWidth), static_cast<int32_t>(FHeight), vfGrayScale);
  if (Empty()) return RefPtr<IPXImageBuffer>(result.Get());
  if (FFormat == vfRGBA32) {
    ippiCopy_8u_C4C1R(Read() + AOffset, static_cast<int>(FStep), result->Write(), static_cast<int>(result->GetStep()),
                      GetIppiSize());
  } else {
    RefPtr<TPXImageBuffer> rgb = CreateEx(this);  // this image keeps its format
    rgb->ConvertTo(vfRGB24);
    ippiCopy_8u_C3C1R(rgb->Read() + AOffset, static_cast<int>(rgb->GetStep()), result->Write(),
                      static_cast<int>(result->GetStep()), GetIppiSize());
  }
  return RefPtr<IPXImageBuffer>(result.Get());
}

RefPtr<IPXImageBuffer> TPXImageBuffer::GetAlphaChannel() {
  if (FFormat == vfRGBA32) return GetColorChannel(3);
  RefPtr<TPXImageBuffer> result = CreateSize(static_cast<int32_t>(FWidth), static_cast<int32_t>(FHeight), vfGrayScale);
  result->FillLevel(255);
  return RefPtr<IPXImageBuffer>(result.Get());
}

// ---- Bitmaps -------------------------------------------------------------------------------

void TPXImageBuffer::LoadFromBitmap(platform::TBitmap* ABitmap) {
  if (ABitmap->Empty()) return;
  const bool alpha = ABitmap->PixelFormat() == platform::pf32bit;
  SetSizeAndFormat(ABitmap->Width(), ABitmap->Height(), alpha ? vfRGBA32 : vfRGB24);
  BITMAPINFO info{};
  GetBitmapBits(ABitmap->Handle(), info, alpha ? 32 : 24, static_cast<int32_t>(GetExtWidth()), Write());
}

void TPXImageBuffer::SaveToBitmap(platform::TBitmap* ABitmap) {
  if (FFormat != vfRGBA32) ConvertTo(vfRGB24);
  ABitmap->SetSize(static_cast<int32_t>(FWidth), static_cast<int32_t>(FHeight));
  ABitmap->SetPixelFormat(FFormat == vfRGBA32 ? platform::pf32bit : platform::pf24bit);
  if (Empty()) return;
  const uint8_t* rows = Read();
  const size_t rowBytes = size_t{FWidth} * (FFormat == vfRGBA32 ? 4 : 3);
  for (uint32_t y = 0; y < FHeight; ++y)
    std::memcpy(ABitmap->ScanLine(static_cast<int32_t>(y)), rows + uint64_t{y} * FStep, rowBytes);
}

void TPXImageBuffer::LoadFromBasicBitmap(TPXBasicBitmap* ABitmap) {
  ConvertTo(ABitmap->GetPixelFormat() == platform::pf32bit ? vfRGBA32 : vfRGB24);
  SetSize(ABitmap->Width(), ABitmap->Height());
  if (!Empty()) ABitmap->ToBuffer(Write(), static_cast<int32_t>(FStep));
}

void TPXImageBuffer::SaveToBasicBitmap(TPXBasicBitmap* ABitmap) {
  if (FFormat != vfRGBA32) ConvertTo(vfRGB24);
  ABitmap->SetWidth(static_cast<int32_t>(FWidth));
  ABitmap->SetHeight(static_cast<int32_t>(FHeight));
  ABitmap->SetPixelFormat(FFormat == vfRGBA32 ? platform::pf32bit : platform::pf24bit);
  if (!Empty()) ABitmap->FromBuffer(Read(), static_cast<int32_t>(FStep));
}

void TPXImageBuffer::SaveToBitmapFile(const std::string& AFileName) {
  TPXBitmap* bitmap = TPXBitmap::Create();
  try {
    SaveToBasicBitmap(bitmap);
    bitmap->SaveToFile(AFileName);
  } catch (...) {
    bitmap->Free();
    throw;
  }
  bitmap->Free();
}

}  // namespace buffers
