// Pictures of the class library: TBitmap (a 24- or 32-bit device-independent section with
// top-down rows), TCanvas (drawing on the bitmap selected into a device context), and
// TPicture, which loads a bitmap file.
//
// Drawing uses a pen one pixel wide and a brush that is solid or clear. A line from the pen
// position to (x, y) colours every pixel of the segment except its end point; an ellipse
// given by the box (x1, y1, x2, y2) lies inside columns x1 .. x2 - 1 and rows y1 .. y2 - 1,
// outlined with the pen and, with a solid brush, filled with the brush colour. Everything
// is clipped to the bitmap, whatever the coordinates. Colours are TColor values ($00BBGGRR);
// the fourth byte of a 32-bit pixel is never changed by drawing. System colours are not
// resolved: drawing uses a colour's low 24 bits.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "platform/Colors.h"
#include "platform/Gdi.h"
#include "platform/Objects.h"
#include "platform/SysUtils.h"

namespace platform {

PF_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
PF_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBrushStyle { bsSolid, bsClear };

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TPen {
  TColor Color = clBlack;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

class TCanvas : public TObject {
  PF_CLASS(TCanvas)
  PF_ALLOW_NEW;

 public:
  // The device context drawn on; null until one is given.
  HDC Handle() const { return FHandle; }
  void SetHandle(HDC dc) { FHandle = dc; }

  TPen& Pen() { return FPen; }
  TBrush& Brush() { return FBrush; }
  TPoint PenPos() const { return FPenPos; }

  // Drawing without a device context raises EInvalidOperation "Canvas does not allow drawing".
  void MoveTo(int32_t x, int32_t y);
  // Draws from the pen position to (x, y), the end point excluded, and moves the pen there.
  void LineTo(int32_t x, int32_t y);
  // The ellipse inside [x1, x2 - 1] x [y1, y2 - 1] (the corners may come in either order; a
  // box with no width or no height draws nothing). The pen position does not move.
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

 protected:
  TCanvas() = default;

 private:
  TGdiSurface RequireSurface() const;

  HDC FHandle = nullptr;
  TPen FPen;
  TBrush FBrush;
  TPoint FPenPos;
};

class TBitmap : public TObject {
  PF_CLASS(TBitmap)
  PF_ALLOW_NEW;

 public:
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  // A new size keeps the pixels of the common top-left block; new pixels are black. A
  // negative side, or pixels beyond 2^31 - 1 bytes, raise EInvalidGraphic "Invalid bitmap
  // size" and leave the bitmap as it was.
  void SetWidth(int32_t value) { SetSize(value, FHeight); }
  void SetHeight(int32_t value) { SetSize(FWidth, value); }
  void SetSize(int32_t width, int32_t height);

  // pf24bit (the default) or pf32bit; any other value is taken as pf24bit. A change keeps
  // the colours of the pixels; 32-bit pixels made from 24-bit ones get 0 in their fourth
  // byte.
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat value);

  bool Empty() const { return FWidth == 0 || FHeight == 0; }
  // The section holding the pixels; null while the bitmap is empty.
  HBITMAP Handle() const { return FBitmap; }
  // The canvas drawing on this bitmap.
  TCanvas* Canvas() const { return FCanvas; }
  // Row y (0 is the top): width * 3 bytes (pf24bit) or width * 4 bytes (pf32bit) of blue,
  // green, red (and a fourth byte). Raises EInvalidGraphicOperation "Scan line index out of
  // range" outside 0 .. Height - 1.
  uint8_t* ScanLine(int32_t row) const;
  // Bytes from one row to the next (rows are padded to 4 bytes).
  int64_t ScanLineStep() const;

  // Reads a bitmap file (see platform/GraphicsBmpFile.h). On any error the bitmap is left as
  // it was. A file that cannot be opened raises EFOpenError.
  void LoadFromFile(const std::string& fileName);
  void LoadFromStream(std::istream& stream);

 protected:
  TBitmap();
  void Destroy() override;

 private:
  // Installs a new section (owned from now on), freeing the old one.
  void Install(HBITMAP section, int32_t width, int32_t height, TPixelFormat format);
  void Rebuild(int32_t width, int32_t height, TPixelFormat format);

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  TPixelFormat FPixelFormat = pf24bit;
  HDC FDC = nullptr;
  HBITMAP FBitmap = nullptr;
  HBITMAP FStockBitmap = nullptr;  // what the context held before the first section
  uint8_t* FBits = nullptr;
  TCanvas* FCanvas = nullptr;
};

class TPicture : public TObject {
  PF_CLASS(TPicture)
  PF_ALLOW_NEW;

 public:
  TBitmap* Bitmap() const { return FBitmap; }
  int32_t Width() const { return FBitmap->Width(); }
  int32_t Height() const { return FBitmap->Height(); }
  // Reads a bitmap file into the picture's bitmap.
  void LoadFromFile(const std::string& fileName) { FBitmap->LoadFromFile(fileName); }

 protected:
  TPicture();
  void Destroy() override;

 private:
  TBitmap* FBitmap = nullptr;
};

}  // namespace platform
