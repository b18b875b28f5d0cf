// Bitmap files made in memory for the reader's tests, with the pixels they must give.
//
// Pixels follow a pattern of their coordinates, so that a swapped, flipped or shifted row or
// channel shows. Palette files index a palette whose entries all differ.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bmptest {

struct BmpSpec {
  int width = 4;
  int height = 3;  // negative: top-down rows
  int bitCount = 24;
  int infoSize = 40;
  uint32_t compression = 0;  // 3: bit fields (8-bit masks below)
  uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};  // red, green, blue, alpha
  uint32_t colorsUsed = 0;
};

struct BmpFile {
  std::string bytes;
  int width = 0;
  int height = 0;
  int pixelBytes = 3;             // of the decoded picture
  std::vector<uint8_t> expected;  // top-down rows of width * pixelBytes bytes
  const uint8_t* Expected(int x, int y) const {
    return expected.data() + (static_cast<size_t>(y) * width + x) * pixelBytes;
  }
};

inline void Put16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v);
  s[at + 1] = static_cast<char>(v >> 8);
}
inline void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

// Blue, green, red, alpha of pixel (x, y) counted from the top.
inline void Pattern(int x, int y, uint8_t out[4]) {
  out[0] = static_cast<uint8_t>(x * 5 + y);
  out[1] = static_cast<uint8_t>(x + y * 11);
  out[2] = static_cast<uint8_t>(x * y + 3);
  out[3] = static_cast<uint8_t>((x ^ y) * 17);
}

inline void PaletteEntry(int i, uint8_t out[4]) {
  out[0] = static_cast<uint8_t>(i * 37 + 1);
  out[1] = static_cast<uint8_t>(i * 91 + 2);
  out[2] = static_cast<uint8_t>(i * 13 + 3);
  out[3] = 0;
}

inline int PaletteIndex(int x, int y, int colors) { return (x * 7 + y * 3) % colors; }

inline BmpFile MakeBmp(const BmpSpec& s) {
  BmpFile f;
  f.width = s.width;
  f.height = s.height < 0 ? -s.height : s.height;
  f.pixelBytes = s.bitCount == 32 ? 4 : 3;
  const bool palette = s.bitCount <= 8;
  const int colors = palette ? (s.colorsUsed ? static_cast<int>(s.colorsUsed) : 1 << s.bitCount) : 0;
  const size_t maskBytes = s.compression == 3 && s.infoSize == 40 ? 12 : 0;
  const size_t offset = 14 + s.infoSize + maskBytes + 4 * colors;
  const size_t rowBytes = (static_cast<size_t>(s.width) * s.bitCount + 31) / 32 * 4;
  f.bytes.assign(offset + rowBytes * f.height, '\0');
  std::string& b = f.bytes;
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  Put32(b, 10, static_cast<uint32_t>(offset));
  Put32(b, 14, s.infoSize);
  Put32(b, 18, static_cast<uint32_t>(s.width));
  Put32(b, 22, static_cast<uint32_t>(s.height));
  Put16(b, 26, 1);
  Put16(b, 28, s.bitCount);
  Put32(b, 30, s.compression);
  Put32(b, 34, static_cast<uint32_t>(rowBytes * f.height));
  Put32(b, 46, s.colorsUsed);
  if (s.compression == 3 || s.infoSize > 40)
    for (int i = 0; i < (s.infoSize == 40 ? 3 : 4); ++i) Put32(b, 54 + 4 * i, s.masks[i]);
  for (int i = 0; i < colors; ++i) {
    uint8_t c[4];
    PaletteEntry(i, c);
    for (int k = 0; k < 4; ++k) b[14 + s.infoSize + 4 * i + k] = static_cast<char>(c[k]);
  }
  f.expected.resize(static_cast<size_t>(f.width) * f.height * f.pixelBytes);
  for (int y = 0; y < f.height; ++y) {
    const int fileRow = s.height < 0 ? y : f.height - 1 - y;
    const size_t row = offset + rowBytes * fileRow;
    for (int x = 0; x < s.width; ++x) {
      uint8_t px[4];
      uint8_t* want = f.expected.data() + (static_cast<size_t>(y) * f.width + x) * f.pixelBytes;
      if (palette) {
        const int index = PaletteIndex(x, y, colors);
        const int perByte = 8 / s.bitCount;
        const int shift = (perByte - 1 - x % perByte) * s.bitCount;
        b[row + x / perByte] = static_cast<char>(b[row + x / perByte] | index << shift);
        PaletteEntry(index, px);
      } else {
        Pattern(x, y, px);
        if (s.compression == 3) {  // each 8-bit mask takes its channel
          uint32_t v = 0;
          const int channel[4] = {2, 1, 0, 3};  // masks are red, green, blue, alpha
          for (int m = 0; m < 4; ++m)
            if (s.masks[m] != 0) v |= uint32_t{px[channel[m]]} << __builtin_ctz(s.masks[m]);
          if (s.masks[3] == 0) px[3] = 255;
          Put32(b, row + 4 * x, v);
        } else {
          for (int k = 0; k < s.bitCount / 8; ++k) b[row + x * (s.bitCount / 8) + k] = static_cast<char>(px[k]);
        }
      }
      for (int k = 0; k < f.pixelBytes; ++k) want[k] = px[k];
    }
  }
  return f;
}

}  // namespace bmptest
