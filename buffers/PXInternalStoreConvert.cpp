// Conversion between the pixel stores (the CreateEx of a store from a store of another class).
//
// Every step works row by row, so a conversion runs over bands of rows: each band goes
// through all the steps while it is still in the cache, and the temporary images hold one
// band. The bytes are those of converting the whole image at once.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "binding/IPPDispatchTable.h"
#include "buffers/PXInternalStore.h"
#include "buffers/PXInternalStoreRows.h"
#include "platform/SysUtils.h"

namespace buffers {

namespace {

const Ipp32f kGrayWeightsBGR[3] = {0.114f, 0.587f, 0.299f};
const Ipp32f kGrayWeightsRGB[3] = {0.299f, 0.587f, 0.114f};
const int kSwapFirstAndThird[3] = {2, 1, 0};

// Bytes of destination rows a band aims at.
constexpr int64_t kBandBytes = 128 * 1024;

// A block of the pooled store for a temporary image, returned when it goes out of scope.
class TTempBlock {
 public:
  explicit TTempBlock(int64_t size) {
    if (size > INT32_MAX) throw platform::EOutOfMemory("Out of memory");
    FSize = static_cast<uint32_t>(size);
    FData = static_cast<Ipp8u*>(AllocateSmartMemory(FSize));
  }
  ~TTempBlock() { ReleaseSmartMemory(FData, FSize); }
  TTempBlock(const TTempBlock&) = delete;
  TTempBlock& operator=(const TTempBlock&) = delete;
  Ipp8u* Data() const { return FData; }

 private:
  Ipp8u* FData = nullptr;
  uint32_t FSize = 0;
};

// One band: rows of the source and of the target, and the band's size.
struct TBand {
  const Ipp8u* s;
  int ss;
  Ipp8u* d;
  int ds;
  IppiSize r;
};

class TConversion {
 public:
  TConversion(TPXSmartImageBuffer* source, TPXSmartImageBuffer* target)
      : FFrom(source->StoreFormat()), FTo(target->StoreFormat()), FSource(source), FTarget(target) {}

  void Run() {
    const int width = static_cast<int>(FSource->GetWidth());
    const int height = static_cast<int>(FSource->GetHeight());
    if (width == 0 || height == 0) return;
    const int64_t rowBytes = int64_t{width} * 4;
    FBandRows = static_cast<int>(std::clamp<int64_t>(kBandBytes / rowBytes, 1, height));
    FTempStep = 3 * width;
    const int ss = static_cast<int>(FSource->GetStep()), ds = static_cast<int>(FTarget->GetStep());
    for (int y = 0; y < height; y += FBandRows) {
      const int rows = std::min(FBandRows, height - y);
      Band(TBand{FSource->GetData() + int64_t{y} * ss, ss, FTarget->GetData() + int64_t{y} * ds, ds,
                 IppiSize{width, rows}});
    }
  }

 private:
  // Temporary RGB24 image i (0 or 1) of one band.
  Ipp8u* Temp(int i) {
    if (!FTemp[i]) FTemp[i] = std::make_unique<TTempBlock>(int64_t{FTempStep} * FBandRows);
    return FTemp[i]->Data();
  }

  void Band(const TBand& b) {
    switch (FTo) {
      case vfRGB24:
        ToBGR24(b.s, b.ss, b.d, b.ds, b.r);
        break;
      case vfRGBA32:
        ToRGBA32(b);
        break;
      case vfYUY2:
        ToYUY2(b);
        break;
      case vfUYVY:
        if (FFrom == vfYUY2) {
          ippsSwapBytes_16u(reinterpret_cast<const Ipp16u*>(b.s), reinterpret_cast<Ipp16u*>(b.d), Words(b));
        } else {
          ToYUY2(b);
          ippsSwapBytes_16u_I(reinterpret_cast<Ipp16u*>(b.d), Words(b));
        }
        break;
      case vfGrayScale:
        ToGray(b);
        break;
      default:
        To16Bit(b);
        break;
    }
  }

  // The 16-bit words of a band of a packed 4:2:2 image (rows are not padded).
  static int Words(const TBand& b) { return b.r.width * b.r.height; }

  // The source band in blue-green-red order into d (the source is not an RGB24 store).
  void ToBGR24(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r) {
    switch (FFrom) {
      case vfRGBA32:
        ippiCopy_8u_AC4C3R(s, ss, d, ds, r);
        break;
      case vfYUY2:
        ippiYUV422ToRGB_8u_C2C3R(s, ss, d, ds, r);
        ippiSwapChannels_8u_C3IR(d, ds, r, kSwapFirstAndThird);
        break;
      case vfUYVY:
        UYVYToRGB24(s, ss, d, ds, r.width, r.height);
        ippiSwapChannels_8u_C3IR(d, ds, r, kSwapFirstAndThird);
        break;
      case vfGrayScale: {
        const Ipp8u* planes[3] = {s, s, s};
        ippiCopy_8u_P3C3R(planes, ss, d, ds, r);
        break;
      }
      case vfRGB565:
        RGB565ToRGB24(s, ss, d, ds, r.width, r.height);
        break;
      case vfRGB555:
        RGB555ToRGB24(s, ss, d, ds, r.width, r.height);
        break;
      default:
        ippiCopy_8u_C3R(s, ss, d, ds, r);
        break;
    }
  }

  void SetAlpha(const TBand& b) { ippiSet_8u_C4CR(255, b.d + 3, b.ds, b.r); }

  void ToRGBA32(const TBand& b) {
    switch (FFrom) {
      case vfRGB24:
        ippiCopy_8u_C3AC4R(b.s, b.ss, b.d, b.ds, b.r);
        SetAlpha(b);
        break;
      case vfGrayScale:
        for (int c = 0; c < 3; ++c) ippiCopy_8u_C1C4R(b.s, b.ss, b.d + c, b.ds, b.r);
        SetAlpha(b);
        break;
      case vfRGB565:
        RGB565ToRGBA32(b.s, b.ss, b.d, b.ds, b.r.width, b.r.height);
        break;
      case vfRGB555:
        RGB555ToRGBA32(b.s, b.ss, b.d, b.ds, b.r.width, b.r.height);
        break;
      default:  // packed 4:2:2 through a temporary RGB24 image
        ToBGR24(b.s, b.ss, Temp(0), FTempStep, b.r);
        ippiCopy_8u_C3AC4R(Temp(0), FTempStep, b.d, b.ds, b.r);
        SetAlpha(b);
        break;
    }
  }

  // YUY2 into the band's target rows (also the first step towards UYVY).
  void ToYUY2(const TBand& b) {
    if (FFrom == vfUYVY) {
      ippsSwapBytes_16u(reinterpret_cast<const Ipp16u*>(b.s), reinterpret_cast<Ipp16u*>(b.d), Words(b));
      return;
    }
    if (FFrom == vfGrayScale) {  // gray in all three channels needs no reordering
      for (int c = 0; c < 3; ++c) ippiCopy_8u_C1C3R(b.s, b.ss, Temp(0) + c, FTempStep, b.r);
      ippiRGBToYUV422_8u_C3C2R(Temp(0), FTempStep, b.d, b.ds, b.r);
      return;
    }
    const Ipp8u* bgr = b.s;
    int bgrStep = b.ss;
    if (FFrom != vfRGB24) {
      ToBGR24(b.s, b.ss, Temp(0), FTempStep, b.r);
      bgr = Temp(0);
      bgrStep = FTempStep;
    }
    ippiSwapChannels_8u_C3R(bgr, bgrStep, Temp(1), FTempStep, b.r, kSwapFirstAndThird);
    ippiRGBToYUV422_8u_C3C2R(Temp(1), FTempStep, b.d, b.ds, b.r);
  }

  void ToGray(const TBand& b) {
    switch (FFrom) {
      case vfRGB24:
        ippiColorToGray_8u_C3C1R(b.s, b.ss, b.d, b.ds, b.r, kGrayWeightsBGR);
        break;
      case vfRGBA32:
        ippiColorToGray_8u_AC4C1R(b.s, b.ss, b.d, b.ds, b.r, kGrayWeightsBGR);
        break;
      case vfYUY2:  // red-green-blue temporaries
        ippiYUV422ToRGB_8u_C2C3R(b.s, b.ss, Temp(0), FTempStep, b.r);
        ippiColorToGray_8u_C3C1R(Temp(0), FTempStep, b.d, b.ds, b.r, kGrayWeightsRGB);
        break;
      case vfUYVY:
        UYVYToRGB24(b.s, b.ss, Temp(0), FTempStep, b.r.width, b.r.height);
        ippiColorToGray_8u_C3C1R(Temp(0), FTempStep, b.d, b.ds, b.r, kGrayWeightsRGB);
        break;
      default:  // 16 bits through a blue-green-red temporary
        ToBGR24(b.s, b.ss, Temp(0), FTempStep, b.r);
        ippiColorToGray_8u_C3C1R(Temp(0), FTempStep, b.d, b.ds, b.r, kGrayWeightsBGR);
        break;
    }
  }

  void To16Bit(const TBand& b) {
    const bool to565 = FTo == vfRGB565;
    const int w = b.r.width, h = b.r.height;
    switch (FFrom) {
      case vfRGB24:
        (to565 ? RGB24ToRGB565 : RGB24ToRGB555)(b.s, b.ss, b.d, b.ds, w, h);
        break;
      case vfRGBA32:
        (to565 ? RGBA32ToRGB565 : RGBA32ToRGB555)(b.s, b.ss, b.d, b.ds, w, h);
        break;
      case vfGrayScale:
        (to565 ? GrayToRGB565 : GrayToRGB555)(b.s, b.ss, b.d, b.ds, w, h);
        break;
      case vfRGB565:
        RGB565ToRGB555(b.s, b.ss, b.d, b.ds, w, h);
        break;
      case vfRGB555:
        RGB555ToRGB565(b.s, b.ss, b.d, b.ds, w, h);
        break;
      default:  // packed 4:2:2 through a temporary RGB24 image
        ToBGR24(b.s, b.ss, Temp(0), FTempStep, b.r);
        (to565 ? RGB24ToRGB565 : RGB24ToRGB555)(Temp(0), FTempStep, b.d, b.ds, w, h);
        break;
    }
  }

  TPXVideoFormat FFrom, FTo;
  TPXSmartImageBuffer* FSource;
  TPXSmartImageBuffer* FTarget;
  int FBandRows = 0;
  int FTempStep = 0;
  std::unique_ptr<TTempBlock> FTemp[2];
};

// A store of class T made from Other of the same class.
template <class T>
TPXSmartImageBuffer* CopyStore(TPXSmartImageBuffer* Other, bool Preserve) {
  return platform::New<T>(Other, Preserve);
}

}  // namespace

IppStatus UYVYToRGB24(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, int width, int height) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (width < 1 || height < 1) return ippStsSizeErr;
  if (srcStep < 1) return ippStsStepErr;
  TTempBlock swapped(int64_t{srcStep} * height);
  ippsSwapBytes_16u(reinterpret_cast<const Ipp16u*>(pSrc), reinterpret_cast<Ipp16u*>(swapped.Data()),
                    static_cast<int>(int64_t{srcStep} * height / 2));
  return ippiYUV422ToRGB_8u_C2C3R(swapped.Data(), srcStep, pDst, dstStep, IppiSize{width, height});
}

TPXSmartImageBuffer* TPXSmartImageBuffer::CreateStore(TPXVideoFormat format, uint32_t AWidth,
                                                      uint32_t AHeight) {
  switch (format) {
#define PX_CREATE_STORE(f, T) \
  case f:                     \
    return T::Create(AWidth, AHeight);
    PX_PIXEL_STORES(PX_CREATE_STORE)
#undef PX_CREATE_STORE
    default:  // vfRGB
      return TPXSmartRGBBuffer::Create(AWidth, AHeight);
  }
}

TPXSmartImageBuffer* TPXSmartImageBuffer::CreateStoreEx(TPXVideoFormat format, TPXSmartImageBuffer* Other,
                                                        bool Preserve) {
  const TPXVideoFormat target = format == vfRGB ? vfRGB24 : format;
  if (Other->StoreFormat() == target) {
    switch (target) {
#define PX_COPY_STORE(f, T) \
  case f:                   \
    return CopyStore<T>(Other, Preserve);
      PX_PIXEL_STORES(PX_COPY_STORE)
#undef PX_COPY_STORE
      default:
        break;
    }
  }
  TPXSmartImageBuffer* store = CreateStore(target, Other->GetWidth(), Other->GetHeight());
  try {
    TConversion(Other, store).Run();
  } catch (...) {
    store->Free();
    throw;
  }
  return store;
}

}  // namespace buffers
