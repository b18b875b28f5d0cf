#include "platform/GraphicsBmpFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <istream>
#include <vector>

namespace platform {

TBmpImage::TBmpImage(TBmpImage&& other) noexcept
    : Section(other.Release()), Width(other.Width), Height(other.Height), Format(other.Format) {}

TBmpImage::~TBmpImage() {
  if (Section != nullptr) DeleteObject(Section);
}

HBITMAP TBmpImage::Release() {
  HBITMAP section = Section;
  Section = nullptr;
  return section;
}

namespace {

// Random access to the bytes of a file or stream.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly count bytes at offset; false when the source ends before.
  virtual bool ReadAt(uint64_t offset, void* dst, size_t count) = 0;
};

// What a file that is not a regular file is, for the message that refuses it.
const char* FileKind(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

// Only regular files are read. The name is looked at before it is opened (opening a FIFO
// waits for a writer, opening a device may act on it), and the descriptor opened without
// waiting is looked at again, in case the name was replaced in between.
class TFileSource final : public TByteSource {
 public:
  explicit TFileSource(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) RaiseFileOpenError(fileName, errno);
    Refuse(fileName, info.st_mode);
    FFile = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (FFile < 0) RaiseFileOpenError(fileName, errno);
    if (::fstat(FFile, &info) != 0) {
      const int error = errno;
      ::close(FFile);
      RaiseFileOpenError(fileName, error);
    }
    try {
      Refuse(fileName, info.st_mode);
    } catch (...) {
      ::close(FFile);
      throw;
    }
    // Reads of a regular file never wait anyway; the flag goes so that nothing depends on it.
    const int flags = ::fcntl(FFile, F_GETFL);
    if (flags >= 0) ::fcntl(FFile, F_SETFL, flags & ~O_NONBLOCK);
    FSize = static_cast<uint64_t>(info.st_size);
  }
  ~TFileSource() override { ::close(FFile); }

  uint64_t Size() const override { return FSize; }
  bool ReadAt(uint64_t offset, void* dst, size_t count) override {
    auto* out = static_cast<uint8_t*>(dst);
    while (count > 0) {
      const ssize_t n = ::pread(FFile, out, count, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      out += n;
      offset += static_cast<uint64_t>(n);
      count -= static_cast<size_t>(n);
    }
    return true;
  }

 private:
  // EFOpenError unless the mode is a regular file's.
  static void Refuse(const std::string& fileName, mode_t mode) {
    if (S_ISREG(mode)) return;
    if (S_ISDIR(mode)) RaiseFileOpenError(fileName, EISDIR);
    throw EFOpenError(Format("Cannot open file \"%s\". It is %s, not a regular file",
                             fileName.c_str(), FileKind(mode)));
  }

  int FFile = -1;
  uint64_t FSize = 0;
};

class TStreamSource final : public TByteSource {
 public:
  explicit TStreamSource(std::istream& stream) : FStream(stream), FBase(stream.tellg()) {
    if (FBase >= 0 && FStream.seekg(0, std::ios::end)) {
      const std::streamoff end = FStream.tellg();
      if (end >= FBase) FSize = static_cast<uint64_t>(end - FBase);
    }
    FStream.clear();
  }

  uint64_t Size() const override { return FSize; }
  bool ReadAt(uint64_t offset, void* dst, size_t count) override {
    if (offset > FSize || count > FSize - offset) return false;
    FStream.clear();
    if (!FStream.seekg(FBase + static_cast<std::streamoff>(offset))) return false;
    FStream.read(static_cast<char*>(dst), static_cast<std::streamsize>(count));
    return static_cast<size_t>(FStream.gcount()) == count;
  }

 private:
  std::istream& FStream;
  std::streamoff FBase;
  uint64_t FSize = 0;
};

[[noreturn]] void Invalid(const char* reason) {
  throw EInvalidGraphic(std::string("Bitmap image is not valid: ") + reason);
}

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

constexpr uint32_t kRle8 = 1, kRle4 = 2, kBitFields = 3;
constexpr int64_t kMaxSide = 32767;

// One channel of a bit-field pixel: the masked bits scaled to 8 bits (wider fields keep
// their top 8 bits, narrower ones are repeated to fill the byte, so a full field gives 255).
struct TChannel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  // False for an empty or non-contiguous mask.
  bool Set(uint32_t m) {
    if (m == 0) return false;
    mask = m;
    shift = std::countr_zero(m);
    bits = std::popcount(m);
    return (m >> shift) == (bits == 32 ? ~0u : (1u << bits) - 1);
  }
  uint8_t Extract(uint32_t pixel) const {
    const uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
    uint32_t out = v << (8 - bits);
    for (int have = bits; have < 8; have += bits) out |= out >> have;
    return static_cast<uint8_t>(out);
  }
};

struct TBmpLayout {
  int32_t width = 0;
  int32_t height = 0;
  bool topDown = false;
  int bitCount = 0;
  bool bitFields = false;
  TChannel blue, green, red, alpha;  // bit fields; alpha.mask 0 when there is none
  RGBQUAD palette[256] = {};         // entries beyond the file's palette stay black
  uint64_t pixelOffset = 0;
  int64_t rowBytes = 0;  // one file row, padded to 4 bytes
};

// Reads and checks every header field; allocates nothing.
TBmpLayout ReadLayout(TByteSource& source) {
  const uint64_t fileSize = source.Size();
  uint8_t head[14 + 124 + 12];
  if (!source.ReadAt(0, head, 18)) Invalid("the file ends within its headers");
  if (head[0] != 'B' || head[1] != 'M') Invalid("the file does not start with \"BM\"");
  const uint32_t pixelOffset = U32(head + 10);
  const uint32_t infoSize = U32(head + 14);
  if (infoSize != 40 && infoSize != 108 && infoSize != 124)
    Invalid("the information header is not of 40, 108 or 124 bytes");
  if (!source.ReadAt(14, head + 14, infoSize)) Invalid("the file ends within its headers");
  const uint8_t* info = head + 14;

  TBmpLayout l;
  const int64_t width = I32(info + 4);
  const int64_t height = I32(info + 8);
  const uint16_t planes = U16(info + 12);
  l.bitCount = U16(info + 14);
  const uint32_t compression = U32(info + 16);
  const uint32_t colorsUsed = U32(info + 32);
  if (planes != 1) Invalid("the plane count is not 1");
  if (width < 1 || width > kMaxSide) Invalid("the width is not within 1 .. 32767");
  if (height == 0 || height > kMaxSide || height < -kMaxSide)
    Invalid("the height is not within 1 .. 32767");
  l.width = static_cast<int32_t>(width);
  l.height = static_cast<int32_t>(height < 0 ? -height : height);
  l.topDown = height < 0;

  if (compression == kRle8 || compression == kRle4)
    Invalid("run-length encoded bitmaps are not supported");
  if (compression == kBitFields) {
    if (l.bitCount != 32) Invalid("bit fields are supported for 32-bit pixels only");
  } else if (compression != 0) {
    Invalid("the compression is not supported");
  } else if (l.bitCount != 1 && l.bitCount != 4 && l.bitCount != 8 && l.bitCount != 24 &&
             l.bitCount != 32) {
    Invalid("the bit count is not 1, 4, 8, 24 or 32");
  }

  uint64_t headersEnd = 14 + uint64_t{infoSize};
  if (compression == kBitFields) {
    l.bitFields = true;
    const uint8_t* masks = info + 40;
    if (infoSize == 40) {  // the three masks follow the header
      if (!source.ReadAt(headersEnd, head + 14 + 40, 12)) Invalid("the file ends within its headers");
      headersEnd += 12;
    }
    const uint32_t alphaMask = infoSize == 40 ? 0 : U32(masks + 12);
    if (!l.red.Set(U32(masks)) || !l.green.Set(U32(masks + 4)) || !l.blue.Set(U32(masks + 8)) ||
        (alphaMask != 0 && !l.alpha.Set(alphaMask)))
      Invalid("a bit-field mask is empty or not contiguous");
  }

  if (l.bitCount <= 8) {
    const uint32_t entries = 1u << l.bitCount;
    const uint32_t colors = colorsUsed == 0 ? entries : std::min(colorsUsed, entries);
    if (!source.ReadAt(headersEnd, l.palette, colors * sizeof(RGBQUAD)))
      Invalid("the palette runs past the end of the file");
  }

  l.rowBytes = BytesPerScanline(l.width, l.bitCount, 32);
  l.pixelOffset = pixelOffset;
  if (l.pixelOffset < 14 + uint64_t{infoSize}) Invalid("the pixel offset lies within the headers");
  const uint64_t pixelBytes = static_cast<uint64_t>(l.rowBytes) * static_cast<uint64_t>(l.height);
  if (l.pixelOffset > fileSize || pixelBytes > fileSize - l.pixelOffset)
    Invalid("the pixel rows run past the end of the file");
  return l;
}

// One file row of palette indices of Bits bits (first pixel in the high bits) to 24 bits.
template <int Bits>
void ExpandPaletteRow(const uint8_t* src, uint8_t* dst, int32_t width, const RGBQUAD* palette) {
  constexpr int kPerByte = 8 / Bits;
  constexpr unsigned kMask = (1u << Bits) - 1;
  for (int32_t x = 0; x < width; ++x, dst += 3) {
    const int shift = (kPerByte - 1 - x % kPerByte) * Bits;
    const RGBQUAD& c = palette[(src[x / kPerByte] >> shift) & kMask];
    dst[0] = c.rgbBlue;
    dst[1] = c.rgbGreen;
    dst[2] = c.rgbRed;
  }
}

void ExpandBitFieldsRow(const uint8_t* src, uint8_t* dst, int32_t width, const TBmpLayout& l) {
  for (int32_t x = 0; x < width; ++x, src += 4, dst += 4) {
    const uint32_t v = U32(src);
    dst[0] = l.blue.Extract(v);
    dst[1] = l.green.Extract(v);
    dst[2] = l.red.Extract(v);
    dst[3] = l.alpha.mask != 0 ? l.alpha.Extract(v) : 255;
  }
}

TBmpImage ReadBmp(TByteSource& source) {
  const TBmpLayout l = ReadLayout(source);
  TBmpImage image;
  image.Width = l.width;
  image.Height = l.height;
  image.Format = l.bitCount == 32 ? pf32bit : pf24bit;
  const int outBits = l.bitCount == 32 ? 32 : 24;
  const int64_t stride = BytesPerScanline(l.width, outBits, 32);
  if (stride * l.height > INT32_MAX) Invalid("the picture is larger than 2^31 - 1 bytes");

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = l.width;
  info.bmiHeader.biHeight = -l.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<uint16_t>(outBits);
  void* bitsPtr = nullptr;
  image.Section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bitsPtr, nullptr, 0);
  if (image.Section == nullptr) throw EOutOfMemory("Out of memory");
  auto* bits = static_cast<uint8_t*>(bitsPtr);

  const auto rowOffset = [&](int32_t fileRow) {
    return l.pixelOffset + static_cast<uint64_t>(fileRow) * static_cast<uint64_t>(l.rowBytes);
  };
  const auto destRow = [&](int32_t fileRow) {
    return bits + (l.topDown ? fileRow : l.height - 1 - fileRow) * stride;
  };
  const bool direct = !l.bitFields && (l.bitCount == 24 || l.bitCount == 32);
  if (direct && l.topDown) {  // file rows are the section's rows
    if (!source.ReadAt(l.pixelOffset, bits, static_cast<size_t>(stride * l.height)))
      Invalid("the file ends within its pixel rows");
    return image;
  }
  std::vector<uint8_t> row(direct ? 0 : static_cast<size_t>(l.rowBytes));
  for (int32_t r = 0; r < l.height; ++r) {
    uint8_t* dst = destRow(r);
    if (!source.ReadAt(rowOffset(r), direct ? dst : row.data(), static_cast<size_t>(l.rowBytes)))
      Invalid("the file ends within its pixel rows");
    switch (direct ? 0 : l.bitCount) {
      case 0:
        break;
      case 1:
        ExpandPaletteRow<1>(row.data(), dst, l.width, l.palette);
        break;
      case 4:
        ExpandPaletteRow<4>(row.data(), dst, l.width, l.palette);
        break;
      case 8:
        ExpandPaletteRow<8>(row.data(), dst, l.width, l.palette);
        break;
      default:
        ExpandBitFieldsRow(row.data(), dst, l.width, l);
        break;
    }
  }
  return image;
}

}  // namespace

TBmpImage ReadBmpFile(const std::string& fileName) {
  TFileSource source(fileName);
  return ReadBmp(source);
}

TBmpImage ReadBmpStream(std::istream& stream) {
  TStreamSource source(stream);
  return ReadBmp(source);
}

}  // namespace platform
