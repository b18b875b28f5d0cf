#include "platform/Graphics.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/GraphicsBmpFile.h"

namespace platform {

PF_DEFINE_CLASS(TCanvas, TObject)
PF_DEFINE_CLASS(TBitmap, TObject)
PF_DEFINE_CLASS(TPicture, TObject)

// ---- Drawing -------------------------------------------------------------------------------

namespace {

// Colours the pixels x0 .. x1 of row y (any order, any range), clipped to the surface.
void FillSpan(const TGdiSurface& s, int64_t y, int64_t x0, int64_t x1, TColor color) {
  if (s.top == nullptr || y < 0 || y >= s.height) return;
  if (x0 > x1) std::swap(x0, x1);
  x0 = std::max<int64_t>(x0, 0);
  x1 = std::min<int64_t>(x1, s.width - 1);
  uint8_t* p = s.top + y * s.step + x0 * s.bytesPerPixel;
  for (int64_t x = x0; x <= x1; ++x, p += s.bytesPerPixel) {
    p[0] = static_cast<uint8_t>(color >> 16);  // blue
    p[1] = static_cast<uint8_t>(color >> 8);   // green
    p[2] = static_cast<uint8_t>(color);        // red
  }
}

// n / d rounded to nearest, halves upwards (d > 0).
int64_t RoundDiv(__int128 n, int64_t d) {
  const __int128 twice = 2 * n + d;
  const __int128 q = twice / (2 * d);
  return static_cast<int64_t>(q * 2 * d > twice ? q - 1 : q);  // floor division
}

// The pixels (a(k), b(k)) for k = 0 .. length - 1 of a line whose major coordinate a steps by
// one (sign aStep) from a0 and whose minor coordinate b goes from b0 by bDelta over length
// steps; only k with a(k) in 0 .. aLimit - 1 are visited. plot(a, b) clips b itself.
template <class Plot>
void WalkLine(int64_t a0, int64_t aStep, int64_t b0, int64_t bDelta, int64_t length,
              int64_t aLimit, Plot plot) {
  int64_t kFirst = aStep > 0 ? -a0 : a0 - (aLimit - 1);
  int64_t kLast = aStep > 0 ? aLimit - 1 - a0 : a0;
  kFirst = std::max<int64_t>(kFirst, 0);
  kLast = std::min<int64_t>(kLast, length - 1);
  for (int64_t k = kFirst; k <= kLast; ++k)
    plot(a0 + aStep * k, b0 + RoundDiv(static_cast<__int128>(k) * bDelta, length));
}

}  // namespace

TGdiSurface TCanvas::RequireSurface() const {
  TGdiSurface surface;
  if (FHandle == nullptr || !GetContextSurface(FHandle, surface))
    throw EInvalidOperation("Canvas does not allow drawing");
  return surface;
}

void TCanvas::MoveTo(int32_t x, int32_t y) {
  (void)RequireSurface();
  FPenPos = TPoint{x, y};
}

void TCanvas::LineTo(int32_t x, int32_t y) {
  const TGdiSurface s = RequireSurface();
  const int64_t x0 = FPenPos.X, y0 = FPenPos.Y;
  const int64_t dx = int64_t{x} - x0, dy = int64_t{y} - y0;
  FPenPos = TPoint{x, y};
  const TColor color = FPen.Color;
  if (std::llabs(dx) >= std::llabs(dy)) {
    if (dx == 0) return;
    WalkLine(x0, dx > 0 ? 1 : -1, y0, dy, std::llabs(dx), s.width,
             [&](int64_t px, int64_t py) { FillSpan(s, py, px, px, color); });
  } else {
    WalkLine(y0, dy > 0 ? 1 : -1, x0, dx, std::llabs(dy), s.height,
             [&](int64_t py, int64_t px) { FillSpan(s, py, px, px, color); });
  }
}

void TCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const TGdiSurface s = RequireSurface();
  int64_t left = std::min(x1, x2), right = std::max(x1, x2);  // box columns left .. right - 1
  int64_t top = std::min(y1, y2), bottom = std::max(y1, y2);
  if (left == right || top == bottom) return;
  // The ellipse touching the box's outer edges; a pixel belongs to a row's span when its
  // centre lies inside it, and every row of the box has at least its centre pixel(s).
  const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
  const double a = (right - left) / 2.0, b = (bottom - top) / 2.0;
  const int64_t mirror = left + right - 1;  // x and mirror - x are symmetric
  const int64_t centreLeft = mirror >= 0 ? mirror / 2 : -((1 - mirror) / 2);  // floor(mirror / 2)
  // The leftmost pixel of the ellipse in row y; rows outside the box count as beyond the
  // centre, so that the outline covers the whole of the first and last rows.
  const auto leftEdge = [&](int64_t y) {
    if (y < top || y >= bottom) return centreLeft + 1;
    const double t = (static_cast<double>(y) + 0.5 - cy) / b;
    const double half = a * std::sqrt(std::max(0.0, 1.0 - t * t));
    return std::min(centreLeft, static_cast<int64_t>(std::ceil(cx - half - 0.5)));
  };
  const int64_t yFirst = std::max<int64_t>(top, 0);
  const int64_t yLast = std::min<int64_t>(bottom - 1, int64_t{s.height} - 1);
  for (int64_t y = yFirst; y <= yLast; ++y) {
    const int64_t l = leftEdge(y);
    if (FBrush.Style == bsSolid) FillSpan(s, y, l, mirror - l, FBrush.Color);
    // The outline reaches inwards to just before the narrower neighbouring row begins.
    const int64_t inner = std::max(l, std::max(leftEdge(y - 1), leftEdge(y + 1)) - 1);
    FillSpan(s, y, l, inner, FPen.Color);
    FillSpan(s, y, mirror - inner, mirror - l, FPen.Color);
  }
}

// ---- TBitmap -------------------------------------------------------------------------------

namespace {

int32_t BitsOf(TPixelFormat format) { return format == pf32bit ? 32 : 24; }

// A new zero-filled top-down section; null for a size with a zero side. Raises for sizes
// this bitmap refuses and when memory runs out.
HBITMAP NewSection(int32_t width, int32_t height, TPixelFormat format, uint8_t*& bits) {
  bits = nullptr;
  if (width < 0 || height < 0 ||
      BytesPerScanline(width, BitsOf(format), 32) * height > INT32_MAX)
    throw EInvalidGraphic(Format("Bitmap size %d x %d is not valid", width, height));
  if (width == 0 || height == 0) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<uint16_t>(BitsOf(format));
  void* p = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p, nullptr, 0);
  if (section == nullptr) throw EOutOfMemory("Out of memory");
  bits = static_cast<uint8_t*>(p);
  return section;
}

}  // namespace

TBitmap::TBitmap() {
  FCanvas = New<TCanvas>();
  FDC = CreateCompatibleDC(nullptr);
  FCanvas->SetHandle(FDC);
}

void TBitmap::Destroy() {
  Install(nullptr, 0, 0, FPixelFormat);
  DeleteDC(FDC);
  FreeAndNil(FCanvas);
  TObject::Destroy();
}

void TBitmap::Install(HBITMAP section, int32_t width, int32_t height, TPixelFormat format) {
  HBITMAP previous = SelectObject(FDC, section != nullptr ? section : FStockBitmap);
  if (FStockBitmap == nullptr) FStockBitmap = previous;
  if (FBitmap != nullptr) DeleteObject(FBitmap);
  FBitmap = section;
  BITMAP info;
  FBits = section != nullptr && GetObjectW(section, sizeof(info), &info) != 0
              ? static_cast<uint8_t*>(info.bmBits)
              : nullptr;
  FWidth = width;
  FHeight = height;
  FPixelFormat = format;
}

void TBitmap::Rebuild(int32_t width, int32_t height, TPixelFormat format) {
  uint8_t* bits = nullptr;
  HBITMAP section = NewSection(width, height, format, bits);
  if (section != nullptr && FBits != nullptr) {
    const int64_t oldStep = ScanLineStep();
    const int64_t newStep = BytesPerScanline(width, BitsOf(format), 32);
    const int32_t rows = std::min(height, FHeight), columns = std::min(width, FWidth);
    for (int32_t y = 0; y < rows; ++y)
      ConvertPixelRow(FBits + y * oldStep, BitsOf(FPixelFormat) / 8, bits + y * newStep,
                      BitsOf(format) / 8, columns);
  }
  Install(section, width, height, format);
}

void TBitmap::SetSize(int32_t width, int32_t height) {
  if (width != FWidth || height != FHeight) Rebuild(width, height, FPixelFormat);
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
  if (value != pf32bit) value = pf24bit;
  if (value != FPixelFormat) Rebuild(FWidth, FHeight, value);
}

int64_t TBitmap::ScanLineStep() const { return BytesPerScanline(FWidth, BitsOf(FPixelFormat), 32); }

uint8_t* TBitmap::ScanLine(int32_t row) const {
  if (row < 0 || row >= FHeight || FBits == nullptr)
    throw EInvalidGraphicOperation("Scan line index out of range");
  return FBits + row * ScanLineStep();
}

void TBitmap::LoadFromFile(const std::string& fileName) {
  TBmpImage image = ReadBmpFile(fileName);
  Install(image.Release(), image.Width, image.Height, image.Format);
}

void TBitmap::LoadFromStream(std::istream& stream) {
  TBmpImage image = ReadBmpStream(stream);
  Install(image.Release(), image.Width, image.Height, image.Format);
}

// ---- TPicture ------------------------------------------------------------------------------

TPicture::TPicture() { FBitmap = New<TBitmap>(); }

void TPicture::Destroy() {
  FreeAndNil(FBitmap);
  TObject::Destroy();
}

}  // namespace platform
