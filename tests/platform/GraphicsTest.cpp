// Bitmaps, canvas drawing and the device-context services beneath them.
#include <gtest/gtest.h>

#include <cstring>
#include <queue>
#include <string>
#include <vector>

#include "platform/Graphics.h"

namespace {

using namespace platform;

struct BitmapHolder {
  TBitmap* bitmap;
  BitmapHolder(int32_t width, int32_t height, TPixelFormat format = pf24bit) : bitmap(New<TBitmap>()) {
    bitmap->SetPixelFormat(format);
    bitmap->SetSize(width, height);
  }
  ~BitmapHolder() { bitmap->Free(); }
  TBitmap* operator->() const { return bitmap; }
};

int BytesPerPixel(TBitmap* b) { return b->PixelFormat() == pf32bit ? 4 : 3; }

TColor PixelAt(TBitmap* b, int x, int y) {
  const uint8_t* p = b->ScanLine(y) + x * BytesPerPixel(b);
  return p[2] | p[1] << 8 | p[0] << 16;
}

void SetPixelAt(TBitmap* b, int x, int y, TColor c) {
  uint8_t* p = b->ScanLine(y) + x * BytesPerPixel(b);
  p[0] = static_cast<uint8_t>(c >> 16);
  p[1] = static_cast<uint8_t>(c >> 8);
  p[2] = static_cast<uint8_t>(c);
}

// The columns of row y holding colour c.
std::vector<int> ColumnsOf(TBitmap* b, int y, TColor c) {
  std::vector<int> xs;
  for (int x = 0; x < b->Width(); ++x)
    if (PixelAt(b, x, y) == c) xs.push_back(x);
  return xs;
}

std::vector<int> Range(int first, int last) {
  std::vector<int> r;
  for (int i = first; i <= last; ++i) r.push_back(i);
  return r;
}

// ---- Bitmaps -------------------------------------------------------------------------------

TEST(Bitmap, RowsArePaddedToFourBytesTopRowFirst) {
  struct Case {
    TPixelFormat format;
    int width;
    int64_t step;
  };
  for (const Case& c : {Case{pf24bit, 5, 16}, Case{pf24bit, 4, 12}, Case{pf24bit, 1, 4},
                        Case{pf32bit, 5, 20}, Case{pf8bit, 5, 16}}) {
    BitmapHolder b(c.width, 3, c.format);
    EXPECT_EQ(b->PixelFormat(), c.format == pf32bit ? pf32bit : pf24bit);
    EXPECT_EQ(b->ScanLineStep(), c.step);
    EXPECT_EQ(b->ScanLine(2) - b->ScanLine(0), 2 * c.step);
    EXPECT_NE(b->Handle(), nullptr);
    BITMAP info;
    ASSERT_EQ(GetObjectW(b->Handle(), sizeof(info), &info), static_cast<int32_t>(sizeof(BITMAP)));
    EXPECT_EQ(info.bmBits, b->ScanLine(0));  // the top row is first in memory
  }
  BitmapHolder empty(0, 0);
  EXPECT_TRUE(empty->Empty());
  EXPECT_EQ(empty->Handle(), nullptr);
  EXPECT_THROW(empty->ScanLine(0), EInvalidGraphicOperation);
  BitmapHolder b(2, 2);
  EXPECT_THROW(b->ScanLine(2), EInvalidGraphicOperation);
  EXPECT_THROW(b->ScanLine(-1), EInvalidGraphicOperation);
}

TEST(Bitmap, RefusedSizesLeaveTheBitmapAsItWas) {
  BitmapHolder b(3, 2, pf32bit);
  SetPixelAt(b.bitmap, 2, 1, 0x123456);
  const struct {
    int32_t width, height;
  } refused[] = {{-1, 2}, {3, -1}, {INT32_MIN, INT32_MIN}, {32768, 32768}, {INT32_MAX, 1}};
  for (const auto& r : refused) {
    EXPECT_THROW(b->SetSize(r.width, r.height), EInvalidGraphic) << r.width << " x " << r.height;
    EXPECT_EQ(b->Width(), 3);
    EXPECT_EQ(b->Height(), 2);
    EXPECT_EQ(PixelAt(b.bitmap, 2, 1), 0x123456);
  }
}

TEST(Bitmap, ResizeAndFormatChangeKeepTheCommonPixels) {
  BitmapHolder b(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) SetPixelAt(b.bitmap, x, y, 0x010203 * (1 + x + 3 * y));
  b->SetSize(5, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(PixelAt(b.bitmap, x, y), x < 3 && y < 3 ? 0x010203 * (1 + x + 3 * y) : 0) << x << "," << y;
  b->SetPixelFormat(pf32bit);
  EXPECT_EQ(b->ScanLineStep(), 20);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(PixelAt(b.bitmap, x, y), 0x010203 * (1 + x + 3 * y));
      EXPECT_EQ(b->ScanLine(y)[4 * x + 3], 0);
    }
  b->SetWidth(2);
  b->SetPixelFormat(pf24bit);
  EXPECT_EQ(PixelAt(b.bitmap, 1, 2), 0x010203 * 8);
  b->SetHeight(0);
  EXPECT_TRUE(b->Empty());
  EXPECT_EQ(b->Handle(), nullptr);
}

// ---- Drawing -------------------------------------------------------------------------------

TEST(Canvas, LinesExcludeTheirEndPoint) {
  BitmapHolder b(200, 100);
  TCanvas* c = b->Canvas();
  c->Pen().Color = clRed;
  c->MoveTo(96, 50);  // the demo's cross at (100, 50)
  c->LineTo(105, 50);
  c->MoveTo(100, 46);
  c->LineTo(100, 55);
  EXPECT_EQ(c->PenPos(), (TPoint{100, 55}));
  EXPECT_EQ(ColumnsOf(b.bitmap, 50, clRed), Range(96, 104));
  for (int y = 0; y < 100; ++y)
    EXPECT_EQ(PixelAt(b.bitmap, 100, y) == clRed, y >= 46 && y <= 54) << y;
  EXPECT_TRUE(ColumnsOf(b.bitmap, 45, clRed).empty());

  // Slanted lines: one pixel per step of the longer axis, from the start to before the end,
  // in both directions.
  struct Seg {
    int x0, y0, x1, y1;
  };
  for (const Seg& s : {Seg{10, 10, 20, 14}, Seg{20, 14, 10, 10}, Seg{5, 5, 8, 30}, Seg{8, 30, 5, 5},
                       Seg{30, 30, 40, 40}}) {
    BitmapHolder d(50, 50);
    d->Canvas()->Pen().Color = clLime;
    d->Canvas()->MoveTo(s.x0, s.y0);
    d->Canvas()->LineTo(s.x1, s.y1);
    int count = 0;
    for (int y = 0; y < 50; ++y) count += static_cast<int>(ColumnsOf(d.bitmap, y, clLime).size());
    EXPECT_EQ(count, std::max(std::abs(s.x1 - s.x0), std::abs(s.y1 - s.y0)));
    EXPECT_EQ(PixelAt(d.bitmap, s.x0, s.y0), clLime);
    EXPECT_EQ(PixelAt(d.bitmap, s.x1, s.y1), 0);
  }
}

TEST(Canvas, EllipseStaysInsideItsBox) {
  BitmapHolder b(200, 100);
  TCanvas* c = b->Canvas();
  c->Brush().Style = bsClear;
  c->Pen().Color = clRed;
  c->Ellipse(80, 30, 121, 71);  // the demo's circle of radius 20.5 at (100.5, 50.5)
  int left = 200, right = -1, top = 100, bottom = -1;
  for (int y = 0; y < 100; ++y)
    for (int x : ColumnsOf(b.bitmap, y, clRed)) {
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  EXPECT_EQ(left, 80);
  EXPECT_EQ(right, 120);
  EXPECT_EQ(top, 30);
  EXPECT_EQ(bottom, 70);
  EXPECT_EQ(PixelAt(b.bitmap, 100, 50), 0);  // a clear brush leaves the inside
  EXPECT_EQ(ColumnsOf(b.bitmap, 50, clRed), (std::vector<int>{80, 120}));
}

// Flood fill from the border over pixels that are not the pen colour (4-neighbours): the
// pixels an outline of that colour does not enclose.
std::vector<char> ReachableFromOutside(TBitmap* b, TColor pen) {
  const int w = b->Width(), h = b->Height();
  std::vector<char> seen(static_cast<size_t>(w) * h);
  std::queue<std::pair<int, int>> q;
  auto push = [&](int px, int py) {
    if (px < 0 || py < 0 || px >= w || py >= h || seen[py * w + px] || PixelAt(b, px, py) == pen) return;
    seen[py * w + px] = 1;
    q.push({px, py});
  };
  for (int i = 0; i < w; ++i) push(i, 0), push(i, h - 1);
  for (int i = 0; i < h; ++i) push(0, i), push(w - 1, i);
  while (!q.empty()) {
    auto [px, py] = q.front();
    q.pop();
    push(px + 1, py), push(px - 1, py), push(px, py + 1), push(px, py - 1);
  }
  return seen;
}

TEST(Canvas, EllipsesOfAnyShapeAreClosedAndFilled) {
  struct Box {
    int x1, y1, x2, y2;
  };
  for (const Box& box : {Box{10, 10, 51, 51}, Box{10, 10, 50, 50}, Box{5, 20, 75, 27}, Box{30, 2, 36, 78},
                         Box{40, 40, 43, 44}, Box{60, 50, 10, 20} /* corners swapped */}) {
    SCOPED_TRACE(testing::Message() << box.x1 << "," << box.y1 << "," << box.x2 << "," << box.y2);
    BitmapHolder b(80, 80);
    TCanvas* c = b->Canvas();
    c->Pen().Color = clRed;
    c->Brush().Color = clBlue;
    c->Ellipse(box.x1, box.y1, box.x2, box.y2);
    const int l = std::min(box.x1, box.x2), r = std::max(box.x1, box.x2) - 1;
    const int t = std::min(box.y1, box.y2), btm = std::max(box.y1, box.y2) - 1;
    bool filled = false;
    const std::vector<char> outside = ReachableFromOutside(b.bitmap, clRed);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 80; ++x) {
        const TColor p = PixelAt(b.bitmap, x, y);
        if (p != 0) {
          ASSERT_TRUE(x >= l && x <= r && y >= t && y <= btm) << "pixel " << x << "," << y;
        }
        if (p == clBlue) {
          filled = true;
          ASSERT_FALSE(outside[y * 80 + x]) << "open outline at " << x << "," << y;
        }
      }
    EXPECT_EQ(ColumnsOf(b.bitmap, (t + btm) / 2, clRed).front(), l);
    EXPECT_EQ(ColumnsOf(b.bitmap, (t + btm) / 2, clRed).back(), r);
    if (r - l >= 3 && btm - t >= 3) {
      EXPECT_TRUE(filled);
    }
  }
}

// Drawing clipped by a bitmap gives exactly the window of the same drawing on a larger one,
// and far-away coordinates neither hang nor write outside.
TEST(Canvas, DrawingIsClippedToTheBitmap) {
  const int ox = 40, oy = 30;
  BitmapHolder big(100, 80), small(20, 20, pf32bit);
  const auto draw = [](TCanvas* c, int dx, int dy) {
    c->Pen().Color = clRed;
    c->Brush().Color = clLime;
    c->Ellipse(-15 + dx, -10 + dy, 12 + dx, 9 + dy);
    c->MoveTo(-30 + dx, 25 + dy);
    c->LineTo(25 + dx, -7 + dy);
    c->MoveTo(5 + dx, -20 + dy);
    c->LineTo(7 + dx, 40 + dy);
    c->Brush().Style = bsClear;
    c->Ellipse(10 + dx, 10 + dy, 35 + dx, 26 + dy);
  };
  for (int y = 0; y < 20; ++y) std::memset(small->ScanLine(y), 0x77, 80);  // fourth bytes 0x77
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) SetPixelAt(small.bitmap, x, y, 0);
  draw(big->Canvas(), ox, oy);
  draw(small->Canvas(), 0, 0);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      ASSERT_EQ(PixelAt(small.bitmap, x, y), PixelAt(big.bitmap, x + ox, y + oy)) << x << "," << y;
      ASSERT_EQ(small->ScanLine(y)[4 * x + 3], 0x77);  // drawing keeps the fourth byte
    }

  TCanvas* c = small->Canvas();
  c->Pen().Color = clWhite;
  c->MoveTo(-2000000000, -2000000000);
  c->LineTo(2000000000, 2000000000);  // the diagonal through the bitmap
  for (int i = 0; i < 20; ++i) EXPECT_EQ(PixelAt(small.bitmap, i, i), clWhite) << i;
  c->MoveTo(INT32_MIN, 10);
  c->LineTo(INT32_MAX, 10);
  EXPECT_EQ(ColumnsOf(small.bitmap, 10, clWhite).size(), 20u);
  c->Brush().Style = bsSolid;
  c->Brush().Color = clWhite;
  c->Ellipse(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);  // covers the whole bitmap
  for (int y = 0; y < 20; ++y) EXPECT_EQ(ColumnsOf(small.bitmap, y, clWhite).size(), 20u) << y;
}

TEST(Canvas, DrawingNeedsADeviceContext) {
  TCanvas* loose = New<TCanvas>();
  EXPECT_THROW(loose->LineTo(1, 1), EInvalidOperation);
  EXPECT_THROW(loose->Ellipse(0, 0, 2, 2), EInvalidOperation);
  loose->Free();
  BitmapHolder empty(0, 0);  // a context without pixels: nothing to draw on, no error
  empty->Canvas()->MoveTo(0, 0);
  empty->Canvas()->LineTo(5, 5);
  empty->Canvas()->Ellipse(0, 0, 5, 5);
}

// ---- Device contexts and sections ----------------------------------------------------------

TEST(Gdi, ScanLinesComeInTheOrderAndFormatAsked) {
  BitmapHolder b(3, 4, pf32bit);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) {
      SetPixelAt(b.bitmap, x, y, 0x10 * y + x);
      b->ScanLine(y)[4 * x + 3] = 0xEE;
    }
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = 3;
  info.bmiHeader.biPlanes = 1;
  for (int bits : {24, 32})
    for (int height : {4, -4}) {
      SCOPED_TRACE(testing::Message() << bits << " bits, height " << height);
      info.bmiHeader.biBitCount = static_cast<uint16_t>(bits);
      info.bmiHeader.biHeight = height;
      const int step = 12;  // 9 bytes padded to 12, or 3 * 4
      std::vector<uint8_t> out(static_cast<size_t>(step) * 4, 0xAB);
      EXPECT_EQ(GetDIBits(dc, b->Handle(), 1, 10, out.data(), &info, DIB_RGB_COLORS), 3);
      for (int i = 0; i < 3; ++i) {  // scan lines 1 .. 3 from the first row of the header's order
        const int y = height < 0 ? i + 1 : 2 - i;
        const uint8_t* p = out.data() + i * step;
        for (int x = 0; x < 3; ++x) {
          EXPECT_EQ(p[x * bits / 8 + 2], 0x10 * y + x);
          if (bits == 32) {
            EXPECT_EQ(p[4 * x + 3], 0xEE);
          }
        }
      }
      EXPECT_EQ(out[3 * step], 0xAB);  // the fourth row was not asked for
    }
  // Written back through a 24-bit bottom-up header, the fourth bytes become 0.
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biHeight = 4;
  std::vector<uint8_t> rows(48, 0x5A);
  EXPECT_EQ(SetDIBits(dc, b->Handle(), 0, 4, rows.data(), &info, DIB_RGB_COLORS), 4);
  EXPECT_EQ(PixelAt(b.bitmap, 2, 3), 0x5A5A5A);
  EXPECT_EQ(b->ScanLine(3)[3], 0);
  // Headers and handles that do not fit are refused.
  info.bmiHeader.biWidth = 4;
  EXPECT_EQ(GetDIBits(dc, b->Handle(), 0, 4, rows.data(), &info, DIB_RGB_COLORS), 0);
  info.bmiHeader.biWidth = 3;
  EXPECT_EQ(GetDIBits(dc, b->Handle(), 4, 1, rows.data(), &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(dc, nullptr, 0, 4, rows.data(), &info, DIB_RGB_COLORS), 0);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(GetDIBits(dc, b->Handle(), 0, 4, rows.data(), &info, DIB_RGB_COLORS), 0);
}

TEST(Gdi, HandlesAreCheckedAndSelectedBitmapsKept) {
  BITMAPINFO info{};
  info.bmiHeader = {.biSize = 40, .biWidth = 5, .biHeight = -2, .biPlanes = 1, .biBitCount = 24};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  DIBSECTION ds;
  ASSERT_EQ(GetObjectW(section, sizeof(ds), &ds), static_cast<int32_t>(sizeof(DIBSECTION)));
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 16);
  EXPECT_EQ(ds.dsBm.bmHeight, 2);
  EXPECT_EQ(ds.dsBmih.biHeight, -2);
  EXPECT_EQ(ds.dsBmih.biSizeImage, 32u);
  EXPECT_EQ(ds.dsBm.bmBits, bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP stock = SelectObject(dc, section);
  ASSERT_NE(stock, nullptr);
  EXPECT_FALSE(DeleteObject(section));  // selected
  EXPECT_FALSE(DeleteObject(stock));
  HDC other = CreateCompatibleDC(dc);
  EXPECT_EQ(SelectObject(other, section), nullptr);  // already in another context
  EXPECT_EQ(SelectObject(dc, stock), section);
  EXPECT_TRUE(DeleteObject(section));
  EXPECT_EQ(GetObjectW(section, sizeof(ds), &ds), 0);  // a stale handle
  EXPECT_FALSE(DeleteObject(section));
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  // Refused headers.
  for (auto edit : {+[](BITMAPINFOHEADER& h) { h.biBitCount = 16; }, +[](BITMAPINFOHEADER& h) { h.biWidth = -1; },
                    +[](BITMAPINFOHEADER& h) { h.biCompression = 1; }, +[](BITMAPINFOHEADER& h) { h.biPlanes = 2; },
                    +[](BITMAPINFOHEADER& h) { h.biHeight = INT32_MIN; },
                    +[](BITMAPINFOHEADER& h) { h.biWidth = 30000, h.biHeight = 30000, h.biBitCount = 32; }}) {
    BITMAPINFO bad = info;
    edit(bad.bmiHeader);
    EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
  }
}

}  // namespace
