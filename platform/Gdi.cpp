#include "platform/Gdi.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace platform {

struct TGdiBitmap {
  int32_t width = 0;
  int32_t height = 0;  // rows, always >= 0
  bool topDown = true;
  uint16_t bitCount = 0;
  int64_t stride = 0;  // bytes per row in memory, a multiple of 4
  uint8_t* bits = nullptr;
  BITMAPINFOHEADER header;  // as created; biSizeImage filled in
  TGdiContext* selectedInto = nullptr;
  bool isStock = false;

  // Row y counted from the top of the picture.
  uint8_t* RowFromTop(int64_t y) const {
    return bits + (topDown ? y : height - 1 - y) * stride;
  }
};

struct TGdiContext {
  TGdiBitmap* selected = nullptr;
};

namespace {

struct TGdiObjects {
  std::mutex lock;
  std::unordered_set<const TGdiBitmap*> bitmaps;
  std::unordered_set<const TGdiContext*> contexts;
  TGdiBitmap stock;
};

TGdiObjects& Objects() {
  static TGdiObjects* objects = [] {
    auto* o = new TGdiObjects;  // lives for the whole process: handles may outlive statics
    o->stock.isStock = true;
    o->stock.bitCount = 1;
    o->bitmaps.insert(&o->stock);
    return o;
  }();
  return *objects;
}

bool LiveBitmap(TGdiObjects& o, HBITMAP b) { return b != nullptr && o.bitmaps.count(b) != 0; }
bool LiveContext(TGdiObjects& o, HDC dc) { return dc != nullptr && o.contexts.count(dc) != 0; }

constexpr int64_t kMaxPixelBytes = INT32_MAX;

// The geometry a header describes, when it is one this layer handles.
struct THeaderShape {
  int32_t width = 0;
  int32_t height = 0;  // rows, >= 0
  bool topDown = false;
  int32_t bytesPerPixel = 0;
  int64_t stride = 0;
};

bool ShapeOf(const BITMAPINFOHEADER& h, THeaderShape& shape) {
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB)
    return false;
  if (h.biBitCount != 24 && h.biBitCount != 32) return false;
  if (h.biWidth < 0 || h.biHeight == INT32_MIN) return false;
  shape.width = h.biWidth;
  shape.topDown = h.biHeight < 0;
  shape.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  shape.bytesPerPixel = h.biBitCount / 8;
  shape.stride = BytesPerScanline(h.biWidth, h.biBitCount, 32);
  return shape.stride * shape.height <= kMaxPixelBytes;
}

// The common part of GetDIBits and SetDIBits: checks the handles and the header, then calls
// copy(bitmapRow, callerRow) for each of the scan lines asked for.
template <class Copy>
int32_t CopyScanLines(HDC dc, HBITMAP bitmap, uint32_t start, uint32_t lines, const void* bits,
                      const BITMAPINFO* info, uint32_t usage, THeaderShape& shape,
                      TGdiBitmap& geometry, Copy copy) {
  if (bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS) return 0;
  {
    TGdiObjects& o = Objects();
    std::lock_guard<std::mutex> guard(o.lock);
    if (!LiveContext(o, dc) || !LiveBitmap(o, bitmap) || bitmap->isStock) return 0;
    geometry = *bitmap;
  }
  if (!ShapeOf(info->bmiHeader, shape) || shape.width != geometry.width) return 0;
  if (start >= static_cast<uint32_t>(geometry.height)) return 0;
  const uint32_t count = std::min(lines, static_cast<uint32_t>(geometry.height) - start);
  for (uint32_t i = 0; i < count; ++i) {
    const int64_t scan = static_cast<int64_t>(start) + i;
    const int64_t fromTop = shape.topDown ? scan : geometry.height - 1 - scan;
    copy(geometry.RowFromTop(fromTop), static_cast<int64_t>(i) * shape.stride);
  }
  return static_cast<int32_t>(count);
}

}  // namespace

void ConvertPixelRow(const uint8_t* src, int32_t srcBytesPerPixel, uint8_t* dst,
                     int32_t dstBytesPerPixel, int32_t width) {
  if (srcBytesPerPixel == dstBytesPerPixel) {
    std::memcpy(dst, src, static_cast<size_t>(width) * static_cast<size_t>(srcBytesPerPixel));
  } else if (srcBytesPerPixel == 4) {
    for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) std::memcpy(dst, src, 3);
  } else {
    for (int32_t x = 0; x < width; ++x, src += 3, dst += 4) {
      std::memcpy(dst, src, 3);
      dst[3] = 0;
    }
  }
}

int64_t BytesPerScanline(int64_t pixelsPerScanline, int32_t bitsPerPixel, int32_t alignment) {
  const int64_t bitsPerRow = pixelsPerScanline * bitsPerPixel;
  return ((bitsPerRow + alignment - 1) & ~static_cast<int64_t>(alignment - 1)) / 8;
}

HDC CreateCompatibleDC(HDC dc) {
  TGdiObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  if (dc != nullptr && !LiveContext(o, dc)) return nullptr;
  auto* context = new TGdiContext;
  context->selected = &o.stock;
  o.contexts.insert(context);
  return context;
}

bool DeleteDC(HDC dc) {
  TGdiObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  if (!LiveContext(o, dc)) return false;
  if (dc->selected != nullptr) dc->selected->selectedInto = nullptr;
  o.contexts.erase(dc);
  delete dc;
  return true;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, uint32_t usage, void** bits, void*,
                         uint32_t) {
  if (bits != nullptr) *bits = nullptr;
  THeaderShape shape;
  if (info == nullptr || usage != DIB_RGB_COLORS || !ShapeOf(info->bmiHeader, shape))
    return nullptr;
  auto* bitmap = new TGdiBitmap;
  bitmap->width = shape.width;
  bitmap->height = shape.height;
  bitmap->topDown = shape.topDown;
  bitmap->bitCount = info->bmiHeader.biBitCount;
  bitmap->stride = shape.stride;
  bitmap->header = info->bmiHeader;
  bitmap->header.biSize = sizeof(BITMAPINFOHEADER);
  const int64_t size = shape.stride * shape.height;
  bitmap->header.biSizeImage = static_cast<uint32_t>(size);
  if (size > 0) {
    bitmap->bits = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(size), 1));
    if (bitmap->bits == nullptr) {
      delete bitmap;
      return nullptr;
    }
  }
  TGdiObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  o.bitmaps.insert(bitmap);
  if (bits != nullptr) *bits = bitmap->bits;
  return bitmap;
}

HBITMAP SelectObject(HDC dc, HBITMAP bitmap) {
  TGdiObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  if (!LiveContext(o, dc) || !LiveBitmap(o, bitmap)) return nullptr;
  if (!bitmap->isStock && bitmap->selectedInto != nullptr && bitmap->selectedInto != dc)
    return nullptr;
  TGdiBitmap* previous = dc->selected;
  if (previous != nullptr) previous->selectedInto = nullptr;
  dc->selected = bitmap;
  if (!bitmap->isStock) bitmap->selectedInto = dc;
  return previous;
}

bool DeleteObject(HBITMAP bitmap) {
  TGdiObjects& o = Objects();
  {
    std::lock_guard<std::mutex> guard(o.lock);
    if (!LiveBitmap(o, bitmap) || bitmap->isStock || bitmap->selectedInto != nullptr)
      return false;
    o.bitmaps.erase(bitmap);
  }
  std::free(bitmap->bits);
  delete bitmap;
  return true;
}

int32_t GetObjectW(HBITMAP bitmap, int32_t size, void* buffer) {
  if (buffer == nullptr || size < static_cast<int32_t>(sizeof(BITMAP))) return 0;
  TGdiObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  if (!LiveBitmap(o, bitmap)) return 0;
  DIBSECTION ds;
  ds.dsBm.bmWidth = bitmap->width;
  ds.dsBm.bmHeight = bitmap->height;
  ds.dsBm.bmWidthBytes = static_cast<int32_t>(bitmap->stride);
  ds.dsBm.bmPlanes = 1;
  ds.dsBm.bmBitsPixel = bitmap->bitCount;
  ds.dsBm.bmBits = bitmap->bits;
  if (bitmap->isStock || size < static_cast<int32_t>(sizeof(DIBSECTION))) {
    std::memcpy(buffer, &ds.dsBm, sizeof(BITMAP));
    return sizeof(BITMAP);
  }
  ds.dsBmih = bitmap->header;
  std::memcpy(buffer, &ds, sizeof(DIBSECTION));
  return sizeof(DIBSECTION);
}

int32_t GetDIBits(HDC dc, HBITMAP bitmap, uint32_t start, uint32_t lines, void* bits,
                  BITMAPINFO* info, uint32_t usage) {
  THeaderShape shape;
  TGdiBitmap geometry;
  auto* out = static_cast<uint8_t*>(bits);
  return CopyScanLines(dc, bitmap, start, lines, bits, info, usage, shape, geometry,
                       [&](const uint8_t* row, int64_t offset) {
                         ConvertPixelRow(row, geometry.bitCount / 8, out + offset, shape.bytesPerPixel,
                                    shape.width);
                       });
}

int32_t SetDIBits(HDC dc, HBITMAP bitmap, uint32_t start, uint32_t lines, const void* bits,
                  const BITMAPINFO* info, uint32_t usage) {
  THeaderShape shape;
  TGdiBitmap geometry;
  const auto* in = static_cast<const uint8_t*>(bits);
  return CopyScanLines(dc, bitmap, start, lines, bits, info, usage, shape, geometry,
                       [&](uint8_t* row, int64_t offset) {
                         ConvertPixelRow(in + offset, shape.bytesPerPixel, row, geometry.bitCount / 8,
                                    shape.width);
                       });
}

bool GetContextSurface(HDC dc, TGdiSurface& surface) {
  TGdiObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  if (!LiveContext(o, dc)) return false;
  surface = TGdiSurface{};
  const TGdiBitmap* b = dc->selected;
  if (b == nullptr || b->bits == nullptr) return true;
  surface.top = b->RowFromTop(0);
  surface.step = b->topDown ? b->stride : -b->stride;
  surface.width = b->width;
  surface.height = b->height;
  surface.bytesPerPixel = b->bitCount / 8;
  return true;
}

}  // namespace platform
