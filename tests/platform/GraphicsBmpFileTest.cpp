// The bitmap file reader: generated files of every accepted layout against the pixels they
// hold, the sample picture against its own bytes, every malformed header refused before
// anything is allocated, and a deterministic mutation pass over valid files.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>

#include "platform/Graphics.h"
#include "tests/common/Watchdog.h"
#include "tests/platform/BmpFileBuilder.h"

namespace {

using namespace platform;
using bmptest::BmpFile;
using bmptest::BmpSpec;
using bmptest::MakeBmp;

struct BitmapHolder {
  TBitmap* bitmap = New<TBitmap>();
  ~BitmapHolder() { bitmap->Free(); }
  TBitmap* operator->() const { return bitmap; }
};

void Load(TBitmap* bitmap, const std::string& bytes) {
  std::istringstream in(bytes);
  bitmap->LoadFromStream(in);
}

// Every pixel of the bitmap equals the file's expected pixels.
void ExpectPixels(TBitmap* bitmap, const BmpFile& file) {
  ASSERT_EQ(bitmap->Width(), file.width);
  ASSERT_EQ(bitmap->Height(), file.height);
  ASSERT_EQ(bitmap->PixelFormat(), file.pixelBytes == 4 ? pf32bit : pf24bit);
  for (int y = 0; y < file.height; ++y)
    for (int x = 0; x < file.width; ++x)
      ASSERT_EQ(0, std::memcmp(bitmap->ScanLine(y) + x * file.pixelBytes, file.Expected(x, y),
                               file.pixelBytes))
          << "pixel " << x << ", " << y;
}

struct LayoutCase {
  const char* name;
  BmpSpec spec;
};

TEST(BmpReader, ReadsEveryAcceptedLayout) {
  const uint32_t rgbaMasks[4] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
  std::vector<LayoutCase> cases = {
      {"24-bit bottom-up", {.width = 4, .height = 3}},
      {"24-bit top-down", {.width = 4, .height = -3}},
      {"24-bit width 5 (padded rows)", {.width = 5, .height = 4}},
      {"24-bit single pixel", {.width = 1, .height = 1}},
      {"24-bit 108-byte header", {.width = 6, .height = 2, .infoSize = 108}},
      {"32-bit plain, fourth byte kept", {.width = 3, .height = 5, .bitCount = 32}},
      {"32-bit plain top-down", {.width = 3, .height = -5, .bitCount = 32}},
      {"32-bit bit fields after a 40-byte header", {.width = 5, .height = 3, .bitCount = 32, .compression = 3}},
      {"8-bit palette", {.width = 7, .height = 3, .bitCount = 8}},
      {"8-bit palette of 5 colours, top-down", {.width = 9, .height = -2, .bitCount = 8, .colorsUsed = 5}},
      {"4-bit palette, odd width", {.width = 5, .height = 3, .bitCount = 4}},
      {"1-bit palette", {.width = 13, .height = 3, .bitCount = 1}},
  };
  LayoutCase v5{"32-bit bit fields with alpha, 124-byte header",
                {.width = 4, .height = 4, .bitCount = 32, .infoSize = 124, .compression = 3}};
  std::memcpy(v5.spec.masks, rgbaMasks, sizeof rgbaMasks);
  cases.push_back(v5);
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    BitmapHolder bitmap;
    const BmpFile file = MakeBmp(c.spec);
    Load(bitmap.bitmap, file.bytes);
    ExpectPixels(bitmap.bitmap, file);
  }
}

// Narrow bit fields are widened by repeating their bits: a full field gives 255.
TEST(BmpReader, NarrowBitFieldsFillTheByte) {
  BmpSpec spec{.width = 2, .height = 1, .bitCount = 32, .compression = 3};
  spec.masks[0] = 0xF800;  // red, 5 bits
  spec.masks[1] = 0x07E0;  // green, 6 bits
  spec.masks[2] = 0x001F;  // blue, 5 bits
  BmpFile file = MakeBmp(spec);
  const size_t row = file.bytes.size() - 8;
  bmptest::Put32(file.bytes, row, 0xFFFF);                          // white
  bmptest::Put32(file.bytes, row + 4, 0x10u << 11 | 0x01u << 5 | 0x03u);  // 10000, 000001, 00011
  BitmapHolder bitmap;
  Load(bitmap.bitmap, file.bytes);
  const uint8_t* p = bitmap->ScanLine(0);
  EXPECT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}), (std::vector<int>{255, 255, 255, 255}));
  EXPECT_EQ((std::vector<int>{p[4], p[5], p[6], p[7]}), (std::vector<int>{0x18, 0x04, 0x84, 255}));
}

// The sample picture is a plain 24-bit file of bottom-up rows of 1152 bytes after a 54-byte
// header: its rows, read straight from the file, are the bitmap's rows upside down.
TEST(BmpReader, SamplePictureLoads) {
#ifndef PF_TEST_DATA_DIR
  GTEST_SKIP() << "the shared data folder with Coins1.bmp was not found";
#else
  const std::string path = std::string(PF_TEST_DATA_DIR) + "/Coins1.bmp";
  TPicture* picture = New<TPicture>();
  picture->LoadFromFile(path);
  EXPECT_EQ(picture->Width(), 384);
  EXPECT_EQ(picture->Height(), 303);
  EXPECT_EQ(picture->Bitmap()->PixelFormat(), pf24bit);
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 54u + 1152u * 303u);
  for (int y = 0; y < 303; ++y)
    ASSERT_EQ(0, std::memcmp(picture->Bitmap()->ScanLine(y), bytes.data() + 54 + 1152 * (302 - y), 1152)) << "row " << y;
  picture->Free();
#endif
}

TEST(BmpReader, FileErrors) {
  BitmapHolder bitmap;
  try {
    bitmap->LoadFromFile("/nonexistent/none.bmp");
    ADD_FAILURE() << "a missing file loaded";
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file \"/nonexistent/none.bmp\"."), std::string::npos)
        << e.what();
  }
  EXPECT_THROW(bitmap->LoadFromFile(std::filesystem::temp_directory_path().string()), EFOpenError);
  // A real file with the same bytes loads like the stream.
  const BmpFile file = MakeBmp({.width = 5, .height = 2});
  const std::string path = (std::filesystem::temp_directory_path() / "pf_reader_test.bmp").string();
  std::ofstream(path, std::ios::binary) << file.bytes;
  bitmap->LoadFromFile(path);
  ExpectPixels(bitmap.bitmap, file);
  std::filesystem::remove(path);
}

// Only regular files are read: a FIFO (whose opening for reading would wait for a writer for
// ever), a device, a socket and a directory are refused at once, the picture untouched; the
// same file name holding a bitmap loads.
TEST(BmpReader, RefusesWhatIsNotARegularFile) {
  Watchdog dog(20, "BmpReader.RefusesWhatIsNotARegularFile");
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("pf_reader_kinds_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string fifo = (dir / "fifo.bmp").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string socketPath = (dir / "socket.bmp").string();
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  struct Case {
    std::string Path;
    std::string Reason;
  };
  const Case cases[] = {
      {fifo, "It is a FIFO, not a regular file"},
      {"/dev/null", "It is a character device, not a regular file"},
      {socketPath, "It is a socket, not a regular file"},
      {dir.string(), "Is a directory"},
  };
  const BmpFile small = MakeBmp({.width = 3, .height = 2});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Path);
    BitmapHolder bitmap;
    Load(bitmap.bitmap, small.bytes);
    try {
      bitmap->LoadFromFile(c.Path);
      ADD_FAILURE() << "loaded";
    } catch (const EFOpenError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + c.Path + "\". " + c.Reason);
    }
    ExpectPixels(bitmap.bitmap, small);
  }
  ::close(sock);
  fs::remove(fifo);
  std::ofstream(fifo, std::ios::binary) << small.bytes;
  BitmapHolder bitmap;
  bitmap->LoadFromFile(fifo);
  ExpectPixels(bitmap.bitmap, small);
  fs::remove_all(dir);
}

// A stream of a header followed by a long run of zero bytes that never exist in memory, to
// show that sizes are checked before anything is allocated.
class ZeroTailBuffer : public std::streambuf {
 public:
  ZeroTailBuffer(std::string head, uint64_t size) : FHead(std::move(head)), FSize(size) {}

 protected:
  int_type underflow() override {
    if (FPos >= FSize) return traits_type::eof();
    FChar = FPos < FHead.size() ? FHead[FPos] : '\0';
    setg(&FChar, &FChar, &FChar + 1);
    return traits_type::to_int_type(FChar);
  }
  int_type uflow() override {
    const int_type c = underflow();
    if (c != traits_type::eof()) ++FPos;
    setg(nullptr, nullptr, nullptr);
    return c;
  }
  std::streamsize xsgetn(char* s, std::streamsize n) override {
    std::streamsize done = 0;
    for (; done < n && FPos < FSize; ++done, ++FPos) s[done] = FPos < FHead.size() ? FHead[FPos] : '\0';
    return done;
  }
  pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode) override {
    const int64_t base = dir == std::ios::beg ? 0 : dir == std::ios::cur ? static_cast<int64_t>(FPos) : static_cast<int64_t>(FSize);
    setg(nullptr, nullptr, nullptr);
    if (base + off < 0) return pos_type(off_type(-1));
    FPos = static_cast<uint64_t>(base + off);
    return pos_type(static_cast<off_type>(FPos));
  }
  pos_type seekpos(pos_type pos, std::ios::openmode mode) override {
    return seekoff(off_type(pos), std::ios::beg, mode);
  }

 private:
  std::string FHead;
  uint64_t FSize;
  uint64_t FPos = 0;
  char FChar = 0;
};

struct HeaderCase {
  const char* name;
  std::function<void(std::string&)> edit;  // on the bytes of a valid 6 x 4 24-bit file
};

TEST(BmpReader, MalformedFilesAreRefusedAndLeaveTheBitmap) {
  using bmptest::Put16;
  using bmptest::Put32;
  const HeaderCase cases[] = {
      {"empty file", [](std::string& b) { b.clear(); }},
      {"cut in the file header", [](std::string& b) { b.resize(10); }},
      {"cut in the information header", [](std::string& b) { b.resize(40); }},
      {"cut in the pixel rows", [](std::string& b) { b.resize(b.size() - 1); }},
      {"no BM signature", [](std::string& b) { b[1] = 'A'; }},
      {"12-byte core header", [](std::string& b) { Put32(b, 14, 12); }},
      {"64-byte header", [](std::string& b) { Put32(b, 14, 64); }},
      {"124-byte header longer than the file", [](std::string& b) { Put32(b, 14, 124); }},
      {"width 0", [](std::string& b) { Put32(b, 18, 0); }},
      {"negative width", [](std::string& b) { Put32(b, 18, static_cast<uint32_t>(-6)); }},
      {"width 32768", [](std::string& b) { Put32(b, 18, 32768); }},
      {"height 0", [](std::string& b) { Put32(b, 22, 0); }},
      {"height -32768", [](std::string& b) { Put32(b, 22, static_cast<uint32_t>(-32768)); }},
      {"height INT32_MIN", [](std::string& b) { Put32(b, 22, 0x80000000u); }},
      {"two planes", [](std::string& b) { Put16(b, 26, 2); }},
      {"16-bit pixels", [](std::string& b) { Put16(b, 28, 16); }},
      {"2-bit pixels", [](std::string& b) { Put16(b, 28, 2); }},
      {"RLE8", [](std::string& b) { Put16(b, 28, 8); Put32(b, 30, 1); }},
      {"RLE4", [](std::string& b) { Put16(b, 28, 4); Put32(b, 30, 2); }},
      {"JPEG compression", [](std::string& b) { Put32(b, 30, 4); }},
      {"bit fields on 24-bit pixels", [](std::string& b) { Put32(b, 30, 3); }},
      {"pixel offset inside the headers", [](std::string& b) { Put32(b, 10, 20); }},
      {"pixel offset beyond the file", [](std::string& b) { Put32(b, 10, 0xFFFFFFFFu); }},
      {"pixel offset plus rows beyond the file", [](std::string& b) { Put32(b, 10, 55); }},
      {"rows beyond the file (height)", [](std::string& b) { Put32(b, 22, 5); }},
  };
  BitmapHolder bitmap;
  const BmpFile before = MakeBmp({.width = 3, .height = 2, .bitCount = 32});
  Load(bitmap.bitmap, before.bytes);
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = MakeBmp({.width = 6, .height = 4}).bytes;
    c.edit(bytes);
    try {
      Load(bitmap.bitmap, bytes);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Bitmap image is not valid: ", 0), 0u) << e.what();
      if (std::string(c.name).rfind("RLE", 0) == 0) {
        EXPECT_NE(std::string(e.what()).find("run-length"), std::string::npos) << e.what();
      }
    }
    ExpectPixels(bitmap.bitmap, before);
  }

  // Bit-field masks that are empty or have holes.
  for (uint32_t red : {0u, 0x00F0F000u}) {
    BmpSpec spec{.width = 2, .height = 2, .bitCount = 32, .compression = 3};
    spec.masks[0] = red;
    EXPECT_THROW(Load(bitmap.bitmap, MakeBmp(spec).bytes), EInvalidGraphic) << red;
  }

  // A 1-bit picture of 32767 x 32767 is a valid file of 134 MB whose expansion to 24 bits
  // would take 3.2 GB: refused from its header, without allocating (the stream holds only
  // the headers).
  BmpFile big = MakeBmp({.width = 8, .height = 1, .bitCount = 1});
  bmptest::Put32(big.bytes, 18, 32767);
  bmptest::Put32(big.bytes, 22, 32767);
  ZeroTailBuffer tail(big.bytes.substr(0, 62), 62 + uint64_t{4096} * 32767);
  std::istream in(&tail);
  try {
    bitmap->LoadFromStream(in);
    ADD_FAILURE() << "loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(std::string(e.what()).find("2^31"), std::string::npos) << e.what();
  }
  ExpectPixels(bitmap.bitmap, before);
}

// Mutations of valid files: each one loads or is refused with EInvalidGraphic, never
// anything else; under the sanitizers no read or write strays.
TEST(BmpReader, MutatedFilesLoadOrFailCleanly) {
  const std::vector<std::string> samples = {
      MakeBmp({.width = 5, .height = 3}).bytes,
      MakeBmp({.width = 6, .height = -2, .bitCount = 32, .infoSize = 124, .compression = 3}).bytes,
      MakeBmp({.width = 7, .height = 3, .bitCount = 8, .colorsUsed = 9}).bytes,
      MakeBmp({.width = 9, .height = 2, .bitCount = 4}).bytes,
  };
  // Values that sit on the checks' edges, written over header fields.
  const uint32_t edges[] = {0, 1, 2, 3, 4, 8, 12, 24, 32, 40, 108, 124, 255, 256, 32767, 32768,
                            0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFF8001, 0xFFFF8000};
  std::mt19937 random(20240613);
  int loaded = 0, refused = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string b = samples[round % samples.size()];
    const int edits = 1 + static_cast<int>(random() % 3);
    for (int e = 0; e < edits && !b.empty(); ++e) {
      switch (random() % 5) {
        case 0:  // a field of the headers
          if (b.size() >= 58) bmptest::Put32(b, 2 + random() % 52, edges[random() % std::size(edges)]);
          break;
        case 1:
          b[random() % b.size()] = static_cast<char>(random());
          break;
        case 2:
          b.resize(random() % b.size());
          break;
        case 3:
          b.insert(random() % b.size(), std::string(1 + random() % 8, static_cast<char>(random())));
          break;
        case 4:
          b.erase(random() % b.size(), 1 + random() % 8);
          break;
      }
    }
    BitmapHolder bitmap;
    try {
      Load(bitmap.bitmap, b);
      ++loaded;
      EXPECT_GT(bitmap->Width(), 0);
      EXPECT_LE(bitmap->Width(), 32767);
      EXPECT_GT(bitmap->Height(), 0);
      EXPECT_LE(bitmap->Height(), 32767);
    } catch (const EInvalidGraphic&) {
      ++refused;
    }
  }
  EXPECT_GT(loaded, 1000);
  EXPECT_GT(refused, 5000);
}

}  // namespace
