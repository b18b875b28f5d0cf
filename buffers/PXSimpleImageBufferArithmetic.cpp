// The image buffer's whole-image arithmetic, logic and fills (see PXSimpleImageBuffer.h).
//
// Every operation is a thin shell round one primitive called through its dispatch slot: the
// shell brings the images into a layout the primitive handles, takes the write pointer
// (copy-on-write) and calls the primitive over the region. The families differ only in their
// primitives, listed once below (TPXImageFamily); the few forms that have no primitive are
// computed here by the same rule (SubtractValue and AbsDiff on RGBA32 images, Not and Sqr on
// gray and 16-bit rows). Status codes are ignored and nothing is raised.
//
// Layouts, after the format preparation of each operation: RGBA32 images use the alpha-four
// forms (alpha untouched) or, for packed constants, the four-channel forms; gray images the
// one-channel forms; RGB24 and vfRGB images the three-channel forms; RGB565 and RGB555 images
// keep their format only for And, Or and Xor, worked as rows of width * 2 bytes.
#include <algorithm>
#include <type_traits>

#include "binding/IPPDispatchTable.h"
#include "buffers/PXSimpleImageBuffer.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/FloatToInt.h"
#include "primitives/support/ScaleFactor.h"

namespace buffers {

// An operation of this image (destination, in place) with a source image over a region of
// pixels.
using TImageOp = IppStatus (*)(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize size);
// An operation of this image with constants, one byte per channel (blue, green, red, alpha).
using TConstantOp = IppStatus (*)(const Ipp8u* value, Ipp8u* pDst, int dstStep, IppiSize size);

// The primitives of a family, for each layout.
struct TPXImageFamily {
  TImageOp RGBA = nullptr, Gray = nullptr, Colour = nullptr;  // the (B) forms
  bool KeepsWords = false;  // RGB565 and RGB555 images are worked as byte rows (Gray)
  TConstantOp ConstantRGBA = nullptr, ConstantColour = nullptr;  // the (Color) forms
  TConstantOp PackedRGBA = nullptr;                              // the packed form on RGBA32
};

// Not and Sqr: in place and from another image, on colour and RGBA32 images; on the other
// formats every byte goes through a table.
struct TPXImageByteMap {
  TImageOp ColourInPlace, ColourFrom, RGBAInPlace, RGBAFrom;
  void (*Table)(uint8_t (&table)[256]);
};

namespace {

using builtin::rows::ForEachRow;

// ---- Adapters: every slot called with the scale factor 1 where it has one ------------------

template <auto& Slot>
IppStatus InPlace(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size) {
  if constexpr (std::is_invocable_v<decltype(Slot), const Ipp8u*, int, Ipp8u*, int, IppiSize, int>)
    return Slot(pSrc, srcStep, pDst, dstStep, size, 1);
  else
    return Slot(pSrc, srcStep, pDst, dstStep, size);
}

// The in-place form of a slot that has one image argument (Not, Sqr): the source is the
// destination.
template <auto& Slot>
IppStatus Itself(const Ipp8u*, int, Ipp8u* pDst, int dstStep, IppiSize size) {
  if constexpr (std::is_invocable_v<decltype(Slot), Ipp8u*, int, IppiSize, int>)
    return Slot(pDst, dstStep, size, 1);
  else
    return Slot(pDst, dstStep, size);
}

template <auto& Slot>
IppStatus Constant(const Ipp8u* value, Ipp8u* pDst, int dstStep, IppiSize size) {
  if constexpr (std::is_invocable_v<decltype(Slot), const Ipp8u*, Ipp8u*, int, IppiSize, int>) {
    return Slot(value, pDst, dstStep, size, 1);
  } else if constexpr (std::is_invocable_v<decltype(Slot), const Ipp32u*, Ipp8u*, int, IppiSize>) {
    const Ipp32u counts[4] = {value[0], value[1], value[2], value[3]};  // shifts
    return Slot(counts, pDst, dstStep, size);
  } else {
    return Slot(value, pDst, dstStep, size);
  }
}

// ---- The forms computed here ----------------------------------------------------------------

bool EmptyRegion(IppiSize size) { return size.width <= 0 || size.height <= 0; }

// |dst - src| of pixels of PixelBytes bytes through the one-channel primitive.
template <int32_t PixelBytes>
IppStatus AbsDiffBytes(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size) {
  return ippiAbsDiff_8u_C1R(pSrc, srcStep, pDst, dstStep, pDst, dstStep,
                            IppiSize{size.width * PixelBytes, size.height});
}

// |dst - src| of the blue, green and red bytes of four-byte pixels; alpha unchanged.
IppStatus AbsDiffColourBytes(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                             IppiSize size) {
  if (EmptyRegion(size)) return ippStsSizeErr;
  ForEachRow(
      pSrc, srcStep, 4, pDst, dstStep, 4, size, [](const uint8_t* s, uint8_t* d, int32_t width) {
        for (ptrdiff_t i = 0; i < 4 * static_cast<ptrdiff_t>(width); i += 4)
          for (ptrdiff_t k = 0; k < 3; ++k)
            d[i + k] =
                static_cast<uint8_t>(std::max(s[i + k], d[i + k]) - std::min(s[i + k], d[i + k]));
      });
  return ippStsNoErr;
}

// Blue, green and red of four-byte pixels each lowered by its constant as the subtraction
// primitives do with the scale factor 1 (below 0 is 0, then halved, ties to even); alpha
// unchanged.
IppStatus SubtractColourConstant(const Ipp8u* value, Ipp8u* pDst, int dstStep, IppiSize size) {
  if (EmptyRegion(size)) return ippStsSizeErr;
  uint8_t table[3][256];
  for (int k = 0; k < 3; ++k)
    for (int x = 0; x < 256; ++x)
      table[k][x] = builtin::sfs::Scale<uint8_t, int32_t>(x > value[k] ? x - value[k] : 0, 1);
  ForEachRow(pDst, dstStep, 4, size, [&table](uint8_t* d, int32_t width) {
    for (ptrdiff_t i = 0; i < 4 * static_cast<ptrdiff_t>(width); i += 4)
      for (ptrdiff_t k = 0; k < 3; ++k) d[i + k] = table[k][d[i + k]];
  });
  return ippStsNoErr;
}

void ComplementTable(uint8_t (&table)[256]) {
  for (int x = 0; x < 256; ++x) table[x] = static_cast<uint8_t>(255 - x);
}

// The square halved with ties to even, saturated: the squaring primitives at scale factor 1.
void SquareTable(uint8_t (&table)[256]) {
  for (int x = 0; x < 256; ++x) table[x] = builtin::sfs::Scale<uint8_t, int32_t>(x * x, 1);
}

// ---- The families ----------------------------------------------------------------------------

const TPXImageFamily kAddFamily{InPlace<ippiAdd_8u_AC4IRSfs>,   InPlace<ippiAdd_8u_C1IRSfs>,
                                InPlace<ippiAdd_8u_C3IRSfs>,    false,
                                Constant<ippiAddC_8u_AC4IRSfs>, Constant<ippiAddC_8u_C3IRSfs>,
                                Constant<ippiAddC_8u_C4IRSfs>};
const TPXImageFamily kSubtractFamily{InPlace<ippiSub_8u_AC4IRSfs>, InPlace<ippiSub_8u_C1IRSfs>,
                                     InPlace<ippiSub_8u_C3IRSfs>,  false,
                                     SubtractColourConstant,       Constant<ippiSubC_8u_C3IRSfs>,
                                     Constant<ippiSubC_8u_C4IRSfs>};
const TPXImageFamily kMultiplyFamily{InPlace<ippiMul_8u_AC4IRSfs>,   InPlace<ippiMul_8u_C1IRSfs>,
                                     InPlace<ippiMul_8u_C3IRSfs>,    false,
                                     Constant<ippiMulC_8u_AC4IRSfs>, Constant<ippiMulC_8u_C3IRSfs>,
                                     Constant<ippiMulC_8u_C4IRSfs>};
const TPXImageFamily kMultiplyScaleFamily{
    InPlace<ippiMulScale_8u_AC4IR>,   InPlace<ippiMulScale_8u_C1IR>,
    InPlace<ippiMulScale_8u_C3IR>,    false,
    Constant<ippiMulCScale_8u_AC4IR>, Constant<ippiMulCScale_8u_C3IR>,
    Constant<ippiMulCScale_8u_C4IR>};
const TPXImageFamily kDivideFamily{InPlace<ippiDiv_8u_AC4IRSfs>,   InPlace<ippiDiv_8u_C1IRSfs>,
                                   InPlace<ippiDiv_8u_C3IRSfs>,    false,
                                   Constant<ippiDivC_8u_AC4IRSfs>, Constant<ippiDivC_8u_C3IRSfs>,
                                   Constant<ippiDivC_8u_C4IRSfs>};
const TPXImageFamily kAndFamily{
    InPlace<ippiAnd_8u_AC4IR>,   InPlace<ippiAnd_8u_C1IR>,   InPlace<ippiAnd_8u_C3IR>,  true,
    Constant<ippiAndC_8u_AC4IR>, Constant<ippiAndC_8u_C3IR>, Constant<ippiAndC_8u_C4IR>};
const TPXImageFamily kOrFamily{
    InPlace<ippiOr_8u_AC4IR>,   InPlace<ippiOr_8u_C1IR>,   InPlace<ippiOr_8u_C3IR>,  true,
    Constant<ippiOrC_8u_AC4IR>, Constant<ippiOrC_8u_C3IR>, Constant<ippiOrC_8u_C4IR>};
const TPXImageFamily kXorFamily{
    InPlace<ippiXor_8u_AC4IR>,   InPlace<ippiXor_8u_C1IR>,   InPlace<ippiXor_8u_C3IR>,  true,
    Constant<ippiXorC_8u_AC4IR>, Constant<ippiXorC_8u_C3IR>, Constant<ippiXorC_8u_C4IR>};
const TPXImageFamily kLShiftValueFamily{nullptr,
                                        nullptr,
                                        nullptr,
                                        false,
                                        Constant<ippiLShiftC_8u_AC4IR>,
                                        Constant<ippiLShiftC_8u_C3IR>,
                                        Constant<ippiLShiftC_8u_C4IR>};
const TPXImageFamily kRShiftValueFamily{nullptr,
                                        nullptr,
                                        nullptr,
                                        false,
                                        Constant<ippiRShiftC_8u_AC4IR>,
                                        Constant<ippiRShiftC_8u_C3IR>,
                                        Constant<ippiRShiftC_8u_C4IR>};
const TPXImageFamily kAbsDiffFamily{AbsDiffColourBytes, AbsDiffBytes<1>, AbsDiffBytes<3>};

const TPXImageByteMap kNotMap{Itself<ippiNot_8u_C3IR>, InPlace<ippiNot_8u_C3R>,
                              Itself<ippiNot_8u_AC4IR>, InPlace<ippiNot_8u_AC4R>, ComplementTable};
const TPXImageByteMap kSqrMap{Itself<ippiSqr_8u_C3IRSfs>, InPlace<ippiSqr_8u_C3RSfs>,
                              Itself<ippiSqr_8u_AC4IRSfs>, InPlace<ippiSqr_8u_AC4RSfs>,
                              SquareTable};

// ---- Colours -----------------------------------------------------------------------------------

uint8_t Red(uint32_t c) { return static_cast<uint8_t>(c); }
uint8_t Green(uint32_t c) { return static_cast<uint8_t>(c >> 8); }
uint8_t Blue(uint32_t c) { return static_cast<uint8_t>(c >> 16); }
uint8_t AlphaOf(uint32_t c) { return static_cast<uint8_t>(c >> 24); }

// Color or (Alpha << 24).
TPXPackedColor Pack(TColor Color, uint8_t Alpha) {
  return TPXPackedColor(static_cast<uint32_t>(Color) | (static_cast<uint32_t>(Alpha) << 24));
}

// The gray level of a colour: Round (0.299 red + 0.587 green + 0.114 blue), half to even.
uint8_t GrayLevel(TColor Color) {
  const auto c = static_cast<uint32_t>(Color);
  return static_cast<uint8_t>(
      builtin::fbRoundToInt32(0.299L * Red(c) + 0.587L * Green(c) + 0.114L * Blue(c)));
}

// A colour as a pixel of a 16-bit store: each channel reduced to its field by a right shift,
// blue in the low five bits (the fields of the stores' per-pixel operations).
Ipp16s Word(TColor Color, TPXVideoFormat AFormat) {
  const auto c = static_cast<uint32_t>(Color);
  const uint32_t word =
      AFormat == vfRGB565
          ? (uint32_t{Red(c)} >> 3) << 11 | (uint32_t{Green(c)} >> 2) << 5 | uint32_t{Blue(c)} >> 3
          : (uint32_t{Red(c)} >> 3) << 10 | (uint32_t{Green(c)} >> 3) << 5 | uint32_t{Blue(c)} >> 3;
  return static_cast<Ipp16s>(static_cast<uint16_t>(word));
}

IppiSize CommonArea(IPXImageBuffer* A, IPXImageBuffer* B) {
  return IppiSize{static_cast<int>(std::min(A->GetWidth(), B->GetWidth())),
                  static_cast<int>(std::min(A->GetHeight(), B->GetHeight()))};
}

}  // namespace

// ---- Operations with another image ------------------------------------------------------------

IPXImageBuffer* TPXImageBuffer::PrepareOther(IPXImageBuffer* B, bool KeepsWords,
                                             RefPtr<TPXImageBuffer>& Holder) {
  IPXImageBuffer* other = B;
  if (B->GetFormat() != FFormat) {
    // A view on B in this image's format: RGBA32, else both become RGB24.
    Holder = CreateCopy(B);
    if (FFormat != vfRGBA32) ConvertTo(vfRGB24);
    Holder->ConvertTo(FFormat);
    other = Holder.Get();
  }
  const bool words = FFormat == vfRGB565 || FFormat == vfRGB555;
  if (FFormat == vfYUY2 || FFormat == vfUYVY || (words && !KeepsWords)) {
    ConvertTo(vfRGB24);
    Holder = CreateCopy(B);
    Holder->ConvertTo(vfRGB24);
    other = Holder.Get();
  }
  return other;
}

void TPXImageBuffer::CombineImage(IPXImageBuffer* B, const TPXImageFamily& Family) {
  RefPtr<TPXImageBuffer> holder;
  IPXImageBuffer* other = PrepareOther(B, Family.KeepsWords, holder);
  const IppiSize region = CommonArea(this, other);
  Ipp8u* dst = Modify();
  const Ipp8u* src = other->Read();
  const int srcStep = static_cast<int>(other->GetStep()), dstStep = static_cast<int>(FStep);
  switch (FFormat) {
    case vfRGBA32:
      Family.RGBA(src, srcStep, dst, dstStep, region);
      break;
    case vfGrayScale:
      Family.Gray(src, srcStep, dst, dstStep, region);
      break;
    case vfRGB565:
    case vfRGB555:  // only the families that keep 16-bit images come here
      Family.Gray(src, srcStep, dst, dstStep, IppiSize{region.width * 2, region.height});
      break;
    default:
      Family.Colour(src, srcStep, dst, dstStep, region);
      break;
  }
}

void TPXImageBuffer::CombineImages(IPXImageBuffer* A, IPXImageBuffer* B,
                                   const TPXImageFamily& Family) {
  // A view on B before this image takes A's store: B may be this image itself
  // (C.Subtract (A, C)), whose pixels Assign would otherwise take away.
  RefPtr<TPXImageBuffer> b = CreateCopy(B);
  Assign(A);
  CombineImage(b.Get(), Family);
}

void TPXImageBuffer::CombineConstant(TPXPackedColor Value, bool Packed,
                                     const TPXImageFamily& Family) {
  if (FFormat == vfYUY2 || FFormat == vfUYVY || FFormat == vfRGB565 || FFormat == vfRGB555 ||
      FFormat == vfGrayScale)
    ConvertTo(vfRGB24);
  const uint32_t v = Value.Value;
  const Ipp8u channels[4] = {Blue(v), Green(v), Red(v), AlphaOf(v)};
  Ipp8u* dst = Modify();
  const int step = static_cast<int>(FStep);
  if (FFormat == vfRGBA32)
    (Packed ? Family.PackedRGBA : Family.ConstantRGBA)(channels, dst, step, GetIppiSize());
  else
    Family.ConstantColour(channels, dst, step, GetIppiSize());
}

#define PX_DEFINE_FAMILY(Op, OpValue)                                                        \
  void TPXImageBuffer::Op(IPXImageBuffer* B) { CombineImage(B, k##Op##Family); }             \
  void TPXImageBuffer::Op(IPXImageBuffer* A, IPXImageBuffer* B) {                            \
    CombineImages(A, B, k##Op##Family);                                                      \
  }                                                                                          \
  void TPXImageBuffer::OpValue(TColor Color) {                                               \
    CombineConstant(TPXPackedColor(static_cast<uint32_t>(Color)), false, k##Op##Family);     \
  }                                                                                          \
  void TPXImageBuffer::OpValue(TColor Color, uint8_t Alpha) { OpValue(Pack(Color, Alpha)); } \
  void TPXImageBuffer::OpValue(TPXPackedColor Packed) {                                      \
    CombineConstant(Packed, true, k##Op##Family);                                            \
  }
#define PX_DEFINE_SHIFT(OpValue)                                                              \
  void TPXImageBuffer::OpValue(TColor Color) {                                                \
    CombineConstant(TPXPackedColor(static_cast<uint32_t>(Color)), false, k##OpValue##Family); \
  }                                                                                           \
  void TPXImageBuffer::OpValue(TColor Color, uint8_t Alpha) { OpValue(Pack(Color, Alpha)); }  \
  void TPXImageBuffer::OpValue(TPXPackedColor Packed) {                                       \
    CombineConstant(Packed, true, k##OpValue##Family);                                        \
  }

PX_IMAGE_BUFFER_FAMILIES(PX_DEFINE_FAMILY)
PX_IMAGE_BUFFER_SHIFTS(PX_DEFINE_SHIFT)

#undef PX_DEFINE_FAMILY
#undef PX_DEFINE_SHIFT

void TPXImageBuffer::AbsDiff(IPXImageBuffer* B) { CombineImage(B, kAbsDiffFamily); }

void TPXImageBuffer::AbsDiff(IPXImageBuffer* A, IPXImageBuffer* B) {
  CombineImages(A, B, kAbsDiffFamily);
}

void TPXImageBuffer::AlphaComp(IPXImageBuffer* B, uint8_t AlphaType) {
  ConvertTo(vfRGBA32);
  RefPtr<TPXImageBuffer> holder;
  IPXImageBuffer* other = B;
  if (B->GetFormat() != vfRGBA32) {
    holder = CreateCopy(B);
    holder->ConvertTo(vfRGBA32);
    other = holder.Get();
  }
  const IppiSize region = CommonArea(this, other);
  Ipp8u* dst = Modify();
  const int step = static_cast<int>(FStep);
  ippiAlphaComp_8u_AC4R(other->Read(), static_cast<int>(other->GetStep()), dst, step, dst, step,
                        region, static_cast<IppiAlphaType>(AlphaType));
}

// ---- Complement and square ------------------------------------------------------------------

void TPXImageBuffer::MapBytes(IPXImageBuffer* A, const TPXImageByteMap& Map) {
  if (FFormat == vfYUY2 || FFormat == vfUYVY) ConvertTo(vfRGB24);
  // A is read in this image's format: an A of another format (fewer bytes a pixel, another
  // layout) through a converted view, so that no row is read past its end. A is not changed.
  RefPtr<TPXImageBuffer> holder;
  IPXImageBuffer* source = this;
  if (A != nullptr) {
    source = A;
    if (A->GetFormat() != FFormat) {
      holder = CreateCopy(A);
      holder->ConvertTo(FFormat);
      source = holder.Get();
    }
  }
  const IppiSize region = CommonArea(this, source);
  Ipp8u* dst = Modify();
  const Ipp8u* src = A != nullptr ? source->Read() : dst;
  const int srcStep = static_cast<int>(source->GetStep()), dstStep = static_cast<int>(FStep);
  switch (FFormat) {
    case vfRGB24:
    case vfRGB:
      (A != nullptr ? Map.ColourFrom : Map.ColourInPlace)(src, srcStep, dst, dstStep, region);
      break;
    case vfRGBA32:
      (A != nullptr ? Map.RGBAFrom : Map.RGBAInPlace)(src, srcStep, dst, dstStep, region);
      break;
    default: {  // gray and 16-bit rows: every byte
      if (EmptyRegion(region)) break;
      uint8_t table[256];
      Map.Table(table);
      ForEachRow(src, srcStep, static_cast<int32_t>(FBytesPerPixel), dst, dstStep,
                 static_cast<int32_t>(FBytesPerPixel), region,
                 [&](const uint8_t* s, uint8_t* d, int32_t width) {
                   const ptrdiff_t n = static_cast<ptrdiff_t>(width) * FBytesPerPixel;
                   for (ptrdiff_t i = 0; i < n; ++i) d[i] = table[s[i]];
                 });
      break;
    }
  }
}

void TPXImageBuffer::Not() { MapBytes(nullptr, kNotMap); }
void TPXImageBuffer::Not(IPXImageBuffer* A) { MapBytes(A, kNotMap); }
void TPXImageBuffer::Sqr() { MapBytes(nullptr, kSqrMap); }
void TPXImageBuffer::Sqr(IPXImageBuffer* A) { MapBytes(A, kSqrMap); }

// ---- Fills -------------------------------------------------------------------------------------

void TPXImageBuffer::Fill(TColor Color) {
  const auto c = static_cast<uint32_t>(Color);
  const Ipp8u colour[3] = {Blue(c), Green(c), Red(c)};
  switch (FFormat) {
    case vfGrayScale:
      ippiSet_8u_C1R(GrayLevel(Color), Write(), static_cast<int>(FStep), GetIppiSize());
      break;
    case vfRGBA32:  // alpha kept
      ippiSet_8u_AC4R(colour, Modify(), static_cast<int>(FStep), GetIppiSize());
      break;
    case vfRGB565:
    case vfRGB555:
      ippiSet_16s_C1R(Word(Color, FFormat), reinterpret_cast<Ipp16s*>(Write()),
                      static_cast<int>(FStep), GetIppiSize());
      break;
    default:
      ConvertTo(vfRGB24);
      ippiSet_8u_C3R(colour, Write(), static_cast<int>(FStep), GetIppiSize());
      break;
  }
}

void TPXImageBuffer::Fill(TColor Color, uint8_t Alpha) {
  if (FFormat != vfRGBA32) return Fill(Color);
  const auto c = static_cast<uint32_t>(Color);
  const Ipp8u pixel[4] = {Blue(c), Green(c), Red(c), Alpha};
  ippiSet_8u_C4R(pixel, Write(), static_cast<int>(FStep), GetIppiSize());
}

void TPXImageBuffer::FillRGBA(TPXPackedColor Packed) {
  const uint32_t v = Packed.Value;
  const Ipp8u pixel[4] = {Blue(v), Green(v), Red(v), AlphaOf(v)};
  if (v > 0xFEFFFFFFu) {  // opaque
    ConvertTo(vfRGB24);
    ippiSet_8u_C3R(pixel, Write(), static_cast<int>(FStep), GetIppiSize());
  } else {
    ConvertTo(vfRGBA32);
    ippiSet_8u_C4R(pixel, Write(), static_cast<int>(FStep), GetIppiSize());
  }
}

void TPXImageBuffer::FillLevel(uint8_t Level) {
  const Ipp8u pixel[4] = {Level, Level, Level, 255};
  const int step = static_cast<int>(FStep);
  switch (FFormat) {
    case vfGrayScale:
      ippiSet_8u_C1R(Level, Write(), step, GetIppiSize());
      break;
    case vfRGBA32:  // alpha kept
      ippiSet_8u_AC4R(pixel, Modify(), step, GetIppiSize());
      break;
    case vfRGB24:
      ippiSet_8u_C3R(pixel, Write(), step, GetIppiSize());
      break;
    default:
      ConvertTo(vfRGBA32);
      ippiSet_8u_C4R(pixel, Write(), static_cast<int>(FStep), GetIppiSize());
      break;
  }
}

void TPXImageBuffer::FillLevel(uint8_t Level, uint8_t Alpha) {
  if (FFormat != vfRGBA32) return FillLevel(Level);
  const Ipp8u pixel[4] = {Level, Level, Level, Alpha};
  ippiSet_8u_C4R(pixel, Write(), static_cast<int>(FStep), GetIppiSize());
}

void TPXImageBuffer::FillAlpha(uint8_t Alpha) {
  ConvertTo(vfRGBA32);
  Ipp8u* pixels = Modify();
  ippiSet_8u_C4CR(Alpha, pixels != nullptr ? pixels + 3 : nullptr, static_cast<int>(FStep),
                  GetIppiSize());
}

void TPXImageBuffer::FillGrayScale(uint8_t Level) {
  ConvertTo(vfGrayScale);
  ippiSet_8u_C1R(Level, Write(), static_cast<int>(FStep), GetIppiSize());
}

}  // namespace buffers
