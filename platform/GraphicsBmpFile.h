// The reader of bitmap files ("BM" files) behind TBitmap::LoadFromFile and LoadFromStream.
//
// Accepted: the 40-, 108- and 124-byte information headers; 24-bit pixels; 32-bit pixels
// stored plainly (all four bytes kept) or described by bit fields (each channel scaled to 8
// bits, alpha 255 without an alpha mask); 1-, 4- and 8-bit palette pixels, expanded to 24
// bits (an index beyond the palette gives black); rows bottom-up (positive height) or
// top-down (negative height). The result is a top-down section of 32 bits for 32-bit files
// and 24 bits for all others.
//
// Every field is checked before anything is allocated: the "BM" signature, the header size,
// one plane, a width of 1 .. 32767 and a height of 1 .. 32767 either way up, the bit count
// and compression (run-length encoded files are refused), bit-field masks (non-zero and
// contiguous), the palette and the pixel rows lying within the file, and the expanded
// picture fitting in 2^31 - 1 bytes. All sizes are computed in 64 bits. A file that breaks
// any of these rules raises EInvalidGraphic "Bitmap image is not valid: <reason>".
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "platform/Gdi.h"
#include "platform/Graphics.h"

namespace platform {

// A decoded picture: the caller takes Section over with Release, or it is deleted with this
// object.
struct TBmpImage {
  HBITMAP Section = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
  TPixelFormat Format = pf24bit;

  TBmpImage() = default;
  TBmpImage(TBmpImage&& other) noexcept;
  TBmpImage& operator=(TBmpImage&&) = delete;
  ~TBmpImage();
  HBITMAP Release();
};

// Raises EFOpenError "Cannot open file "<name>". <reason>" when the file cannot be opened or
// is not a regular file: a FIFO, device or socket ("It is a FIFO, not a regular file") or a
// directory is refused at once, without being opened for reading or waited for.
TBmpImage ReadBmpFile(const std::string& fileName);
// Reads from the stream's current position to its end.
TBmpImage ReadBmpStream(std::istream& stream);

}  // namespace platform
