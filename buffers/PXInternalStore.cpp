#include "buffers/PXInternalStore.h"

#include <climits>
#include <cstring>

#include "binding/IPPDispatchTable.h"
#include "platform/SysUtils.h"
#include "primitives/support/RowAccess.h"

namespace buffers {

PF_DEFINE_CLASS(TPXSmartImageBuffer, TCXSmartMediaBuffer)
PF_DEFINE_CLASS(TPXSmartRGBBuffer, TPXSmartImageBuffer)
PF_DEFINE_CLASS(TPXSmartRGBABuffer, TPXSmartImageBuffer)
PF_DEFINE_CLASS(TPXSmartGrayScaleBuffer, TPXSmartImageBuffer)
PF_DEFINE_CLASS(TPXSmartYUY2Buffer, TPXSmartImageBuffer)
PF_DEFINE_CLASS(TPXSmartUYVYBuffer, TPXSmartImageBuffer)
PF_DEFINE_CLASS(TPXSmartRGB565Buffer, TPXSmartImageBuffer)
PF_DEFINE_CLASS(TPXSmartRGB555Buffer, TPXSmartImageBuffer)

namespace {

// The gray weights for one pixel's bytes in blue-green-red and in red-green-blue order.
const Ipp32f kGrayWeightsBGR[3] = {0.114f, 0.587f, 0.299f};
const Ipp32f kGrayWeightsRGB[3] = {0.299f, 0.587f, 0.114f};

uint8_t GrayOf(const uint8_t* pixel, const Ipp32f weights[3]) {
  uint8_t gray = 0;
  ippiColorToGray_8u_C3C1R(pixel, 3, &gray, 1, IppiSize{1, 1}, weights);
  return gray;
}

TColor ColorOf(uint8_t red, uint8_t green, uint8_t blue) { return red | green << 8 | blue << 16; }

}  // namespace

// ---- The abstract store ----------------------------------------------------------------------

TPXSmartImageBuffer::TPXSmartImageBuffer(uint32_t AWidth, uint32_t AHeight, uint32_t ABytesPerPixel,
                                         bool APadRows)
    : FWidth(AWidth), FHeight(AHeight), FBytesPerPixel(ABytesPerPixel) {
  const uint64_t extWidth = APadRows ? (uint64_t{AWidth} + 3) / 4 * 4 : AWidth;
  const uint64_t step = extWidth * ABytesPerPixel;
  const uint64_t size = step * AHeight;
  if (step > INT32_MAX || size > INT32_MAX) throw platform::EOutOfMemory("Out of memory");
  FExtWidth = static_cast<uint32_t>(extWidth);
  FSize = static_cast<uint32_t>(size);
  FDataPtr = static_cast<uint8_t*>(AllocateSmartMemory(FSize));
}

TPXSmartImageBuffer::TPXSmartImageBuffer(TPXSmartImageBuffer* Other, bool Preserve)
    : TCXSmartMediaBuffer(Other, Preserve),
      FWidth(Other->FWidth),
      FExtWidth(Other->FExtWidth),
      FHeight(Other->FHeight),
      FBytesPerPixel(Other->FBytesPerPixel),
      FSize(Other->FSize) {
  if (Other->FDataPtr == nullptr) return;
  FDataPtr = static_cast<uint8_t*>(AllocateSmartMemory(FSize));
  if (Preserve) std::memcpy(FDataPtr, Other->FDataPtr, FSize);
}

void TPXSmartImageBuffer::Destroy() {
  if (FDataPtr != nullptr) {
    ReleaseSmartMemory(FDataPtr, FSize);
    FDataPtr = nullptr;
  }
  TCXSmartMediaBuffer::Destroy();
}

void TPXSmartImageBuffer::SetTimeData(TCXSmartMediaBuffer* AOther) {
  TRBContainerLock lock(this);
  TCXSmartMediaBuffer::SetTimeData(AOther);
  auto* other = dynamic_cast<TPXSmartImageBuffer*>(AOther);
  if (other == nullptr) return;
  FTimeCodeAvailable = other->FTimeCodeAvailable.load();
  for (int i = 0; i < 4; ++i) FTimeCode[i] = other->FTimeCode[i].load();
  FDateTimeAvailable = other->FDateTimeAvailable.load();
  for (int i = 0; i < 7; ++i) FDateTime[i] = other->FDateTime[i].load();
}

void TPXSmartImageBuffer::SetPixel(uint32_t, uint32_t, TColor) {}
void TPXSmartImageBuffer::SetRed(uint32_t, uint32_t, uint8_t) {}
void TPXSmartImageBuffer::SetGreen(uint32_t, uint32_t, uint8_t) {}
void TPXSmartImageBuffer::SetBlue(uint32_t, uint32_t, uint8_t) {}
uint8_t TPXSmartImageBuffer::GetAlpha(uint32_t, uint32_t) { return 255; }
void TPXSmartImageBuffer::SetAlpha(uint32_t, uint32_t, uint8_t) {}

uint8_t TPXSmartImageBuffer::GetGrayScale(uint32_t X, uint32_t Y) {
  const TColor c = GetPixel(X, Y);
  const uint8_t rgb[3] = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)};
  return GrayOf(rgb, kGrayWeightsRGB);
}

void TPXSmartImageBuffer::SetGrayScale(uint32_t X, uint32_t Y, uint8_t Value) {
  SetPixel(X, Y, Value * 0x010101);
}

// ---- 24 bits -------------------------------------------------------------------------------

uint8_t TPXSmartRGBBuffer::GetGrayScale(uint32_t X, uint32_t Y) {
  return GrayOf(PixelAddress(X, Y), kGrayWeightsBGR);
}

// ---- Packed 4:2:2 --------------------------------------------------------------------------

template <class TSelf, TPXVideoFormat Format>
TColor TPXSmartYUVStore<TSelf, Format>::GetPixel(uint32_t X, uint32_t Y) {
  // The pair holding X; the lone last pixel of an odd row (two bytes) is converted with the
  // pair before it, whose V it shares, as the whole-image conversion does.
  uint32_t first = X & ~1u;
  int count = 2;
  if (first + 1 >= this->GetWidth()) {
    count = first >= 2 ? 3 : 1;
    first -= count - 1;
  }
  alignas(4) uint8_t pixels[6];
  std::memcpy(pixels, this->PixelAddress(first, Y), 2 * count);
  if (Format == vfUYVY) ippsSwapBytes_16u_I(reinterpret_cast<Ipp16u*>(pixels), count);
  uint8_t rgb[9];
  ippiYUV422ToRGB_8u_C2C3R(pixels, 6, rgb, 9, IppiSize{count, 1});
  const uint8_t* p = rgb + 3 * (X - first);
  return ColorOf(p[0], p[1], p[2]);
}

template class TPXSmartYUVStore<TPXSmartYUY2Buffer, vfYUY2>;
template class TPXSmartYUVStore<TPXSmartUYVYBuffer, vfUYVY>;

// ---- 16 bits -------------------------------------------------------------------------------

namespace {

// The field layout of a 16-bit store: green's width (6 or 5) and red's position.
struct TFields {
  int greenBits;
  int redShift;
};
constexpr TFields FieldsOf(TPXVideoFormat format) { return format == vfRGB565 ? TFields{6, 11} : TFields{5, 10}; }

}  // namespace

template <class TSelf, TPXVideoFormat Format>
TColor TPXSmart16BitStore<TSelf, Format>::GetPixel(uint32_t X, uint32_t Y) {
  constexpr TFields f = FieldsOf(Format);
  const unsigned w = builtin::rows::Load<uint16_t>(this->PixelAddress(X, Y), 0);
  return ColorOf(static_cast<uint8_t>(((w >> f.redShift) & 31) << 3),
                 static_cast<uint8_t>(((w >> 5) & ((1u << f.greenBits) - 1)) << (8 - f.greenBits)),
                 static_cast<uint8_t>((w & 31) << 3));
}

template <class TSelf, TPXVideoFormat Format>
void TPXSmart16BitStore<TSelf, Format>::SetPixel(uint32_t X, uint32_t Y, TColor Color) {
  constexpr TFields f = FieldsOf(Format);
  const unsigned red = Color & 0xFF, green = (Color >> 8) & 0xFF, blue = (Color >> 16) & 0xFF;
  builtin::rows::Store<uint16_t>(
      this->PixelAddress(X, Y), 0,
      static_cast<uint16_t>((red >> 3) << f.redShift | (green >> (8 - f.greenBits)) << 5 | blue >> 3));
}

template <class TSelf, TPXVideoFormat Format>
void TPXSmart16BitStore<TSelf, Format>::SetField(uint32_t X, uint32_t Y, TField Field, uint8_t Value) {
  constexpr TFields f = FieldsOf(Format);
  const int shift[3] = {0, 5, f.redShift};
  const int bits[3] = {5, f.greenBits, 5};
  const unsigned mask = ((1u << bits[Field]) - 1) << shift[Field];
  uint8_t* p = this->PixelAddress(X, Y);
  const unsigned w = builtin::rows::Load<uint16_t>(p, 0);
  const unsigned field = (unsigned{Value} >> (8 - bits[Field])) << shift[Field];
  builtin::rows::Store<uint16_t>(p, 0, static_cast<uint16_t>((w & ~mask) | field));
}

template class TPXSmart16BitStore<TPXSmartRGB565Buffer, vfRGB565>;
template class TPXSmart16BitStore<TPXSmartRGB555Buffer, vfRGB555>;

}  // namespace buffers
