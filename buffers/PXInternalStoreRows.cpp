#include "buffers/PXInternalStoreRows.h"

#include <cstddef>
#include <cstdint>

#include "primitives/support/RowAccess.h"

namespace buffers {

namespace {

namespace rows = builtin::rows;

struct TPixel {
  uint8_t b, g, r, a;
};

// The pixel layouts: bytes per pixel, and how a pixel is read and written.
struct Rgb24 {
  static constexpr ptrdiff_t kBytes = 3;
  static TPixel Load(const uint8_t* p) { return {p[0], p[1], p[2], 255}; }
  static void Store(uint8_t* p, TPixel v) {
    p[0] = v.b;
    p[1] = v.g;
    p[2] = v.r;
  }
};

struct Rgba32 {
  static constexpr ptrdiff_t kBytes = 4;
  static TPixel Load(const uint8_t* p) { return {p[0], p[1], p[2], p[3]}; }
  static void Store(uint8_t* p, TPixel v) {
    p[0] = v.b;
    p[1] = v.g;
    p[2] = v.r;
    p[3] = v.a;
  }
};

struct Gray8 {
  static constexpr ptrdiff_t kBytes = 1;
  static TPixel Load(const uint8_t* p) { return {p[0], p[0], p[0], 255}; }
};

struct Rgb565 {
  static constexpr ptrdiff_t kBytes = 2;
  static TPixel Load(const uint8_t* p) {
    const unsigned w = rows::Load<uint16_t>(p, 0);
    return {static_cast<uint8_t>((w & 31) << 3), static_cast<uint8_t>(((w >> 5) & 63) << 2),
            static_cast<uint8_t>((w >> 11) << 3), 255};
  }
  static void Store(uint8_t* p, TPixel v) {
    rows::Store<uint16_t>(p, 0, static_cast<uint16_t>((v.r >> 3) << 11 | (v.g >> 2) << 5 | v.b >> 3));
  }
};

struct Rgb555 {
  static constexpr ptrdiff_t kBytes = 2;
  static TPixel Load(const uint8_t* p) {
    const unsigned w = rows::Load<uint16_t>(p, 0);
    return {static_cast<uint8_t>((w & 31) << 3), static_cast<uint8_t>(((w >> 5) & 31) << 3),
            static_cast<uint8_t>(((w >> 10) & 31) << 3), 127};
  }
  static void Store(uint8_t* p, TPixel v) {
    rows::Store<uint16_t>(p, 0, static_cast<uint16_t>((v.r >> 3) << 10 | (v.g >> 3) << 5 | v.b >> 3));
  }
};

template <class From, class To>
IppStatus ConvertRows(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = rows::Row(pSrc, srcStep, y);
    uint8_t* d = rows::Row(pDst, dstStep, y);
    for (ptrdiff_t x = 0; x < width; ++x) To::Store(d + x * To::kBytes, From::Load(s + x * From::kBytes));
  }
  return ippStsNoErr;
}

}  // namespace

#define PX_DEFINE_ROW_CONVERTER(name, from, to)                                                 \
  IppStatus name(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, int width, int height) { \
    return ConvertRows<from, to>(pSrc, srcStep, pDst, dstStep, width, height);                  \
  }
PX_STORE_ROW_CONVERTERS(PX_DEFINE_ROW_CONVERTER)
#undef PX_DEFINE_ROW_CONVERTER

}  // namespace buffers
