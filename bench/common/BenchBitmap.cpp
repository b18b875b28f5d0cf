#include "bench/common/BenchBitmap.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace bench {
namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

cv::Mat Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return cv::Mat();
}

}  // namespace

cv::Mat ReadBitmap(const std::string& path, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Fail(error, "cannot open " + path);
  const std::vector<uint8_t> b((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return Fail(error, path + " is not a bitmap file");
  const uint32_t offset = U32(b, 10), headerSize = U32(b, 14);
  const auto width = static_cast<int32_t>(U32(b, 18)), height = static_cast<int32_t>(U32(b, 22));
  const uint16_t bits = U16(b, 28);
  const uint32_t compression = U32(b, 30);
  if (headerSize < 40 || (bits != 24 && bits != 32) || (compression != 0 && !(compression == 3 && bits == 32)))
    return Fail(error, path + ": only uncompressed 24- and 32-bit bitmaps are read");
  const int64_t rows = height < 0 ? -int64_t{height} : height;
  if (width < 1 || rows < 1 || width > 1 << 15 || rows > 1 << 15) return Fail(error, path + ": bad size");
  const int64_t pixelBytes = bits / 8;
  const int64_t stride = (width * pixelBytes + 3) / 4 * 4;
  if (offset > b.size() || stride * rows > static_cast<int64_t>(b.size() - offset))
    return Fail(error, path + ": pixel data cut short");
  cv::Mat image(static_cast<int>(rows), width, CV_8UC3);
  for (int64_t y = 0; y < rows; ++y) {
    const int64_t fileRow = height > 0 ? rows - 1 - y : y;  // positive height: bottom-up rows
    const uint8_t* s = b.data() + offset + fileRow * stride;
    uint8_t* d = image.ptr<uint8_t>(static_cast<int>(y));
    for (int32_t x = 0; x < width; ++x)
      for (int k = 0; k < 3; ++k) d[3 * x + k] = s[pixelBytes * x + k];
  }
  return image;
}

std::string DataFile(const std::string& name) {
  if (const char* dir = std::getenv("PF_DATA_DIR"); dir && *dir) return std::string(dir) + "/" + name;
  return std::string(PF_BENCH_DATA_DIR) + "/" + name;
}

}  // namespace bench
