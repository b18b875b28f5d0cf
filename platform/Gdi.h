// The graphics-device services the bitmap classes rely on: memory device contexts and
// device-independent bitmap sections of 24 or 32 bits per pixel, with their header records,
// and the copies of pixels between a section and caller memory in either row order.
//
// Handles are checked: every call looks its handles up among the live objects, so a stale or
// foreign handle makes the call fail (null, 0 or false) instead of touching memory. A handle
// must not be deleted while another thread is still using it; apart from that the calls may
// come from any thread.
//
// A section holds rows padded to 4 bytes, zero-filled when created. A header with a negative
// height describes top-down rows (the first row in memory is the top of the picture), a
// positive one bottom-up rows. Scan-line numbers count from the first row in memory of the
// header they are given with: from the top for top-down headers, from the bottom otherwise.
// Section sizes are computed in 64 bits; a section whose pixels exceed 2^31 - 1 bytes, or
// with a negative width, is refused.
#pragma once

#include <cstdint>

namespace platform {

struct BITMAPINFOHEADER {
  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the information header is 40 bytes");

struct RGBQUAD {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

struct BITMAP {
  int32_t bmType = 0;
  int32_t bmWidth = 0;
  int32_t bmHeight = 0;
  int32_t bmWidthBytes = 0;
  uint16_t bmPlanes = 0;
  uint16_t bmBitsPixel = 0;
  void* bmBits = nullptr;
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  uint32_t dsBitfields[3] = {};
  void* dshSection = nullptr;
  uint32_t dsOffset = 0;
};

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t DIB_RGB_COLORS = 0;

struct TGdiBitmap;
struct TGdiContext;
using HBITMAP = TGdiBitmap*;
using HDC = TGdiContext*;

// A new memory device context. It holds the stock bitmap (0 x 0) until a section is
// selected into it. The argument must be null or a live context; null on failure.
HDC CreateCompatibleDC(HDC dc);
// Frees a context; the bitmap selected into it is released from it, not deleted.
bool DeleteDC(HDC dc);

// A new section for a header of 24 or 32 bits, uncompressed, one plane, width >= 0; the
// first pixel byte goes to *bits (null for a section with a zero side). Null (and *bits
// null) when the header is refused or memory runs out. dc, section and offset are accepted
// for the record and not used.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, uint32_t usage, void** bits,
                         void* section, uint32_t offset);

// Selects a bitmap into a context and returns the one it held before; null when a handle is
// not live or the bitmap is selected into another context.
HBITMAP SelectObject(HDC dc, HBITMAP bitmap);

// Frees a bitmap; refused (false) for the stock bitmap and for a bitmap selected into a
// context.
bool DeleteObject(HBITMAP bitmap);

// Writes a DIBSECTION (when size allows it) or a BITMAP record of the bitmap to buffer and
// returns the number of bytes written; 0 when the handle is not a live bitmap or size is
// too small for a BITMAP.
int32_t GetObjectW(HBITMAP bitmap, int32_t size, void* buffer);

// Copies up to lines scan lines, from scan line start on, of the bitmap into bits in the
// format of info's header (24 or 32 bits, the bitmap's width, rows padded to 4 bytes, in the
// header's row order). Returns the number of lines copied (0 on any refusal). 32-bit pixels
// taken from a 24-bit bitmap get 0 in their fourth byte.
int32_t GetDIBits(HDC dc, HBITMAP bitmap, uint32_t start, uint32_t lines, void* bits,
                  BITMAPINFO* info, uint32_t usage);
// The reverse: scan lines of bits (described by info) written into the bitmap.
int32_t SetDIBits(HDC dc, HBITMAP bitmap, uint32_t start, uint32_t lines, const void* bits,
                  const BITMAPINFO* info, uint32_t usage);

// Bytes of a row of pixelsPerScanline pixels of bitsPerPixel bits, padded to a multiple of
// alignment bits (a power of two, at most 64).
int64_t BytesPerScanline(int64_t pixelsPerScanline, int32_t bitsPerPixel, int32_t alignment);

// Copies width pixels between rows of 3 or 4 bytes per pixel (blue, green, red and a fourth
// byte); a fourth byte that the source lacks is written as 0.
void ConvertPixelRow(const uint8_t* src, int32_t srcBytesPerPixel, uint8_t* dst,
                     int32_t dstBytesPerPixel, int32_t width);

// The pixels of the bitmap selected into a context, as the canvas draws them: rows from the
// top, each step bytes after the previous one (negative for a bottom-up section).
struct TGdiSurface {
  uint8_t* top = nullptr;  // first byte of the top row; null when there are no pixels
  int64_t step = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytesPerPixel = 0;
};
// False when the context is not live.
bool GetContextSurface(HDC dc, TGdiSurface& surface);

}  // namespace platform
