// Guarded test images for the image point primitives.
//
// A GuardedImage is a pixel region inside a larger buffer: guard bytes before the first row,
// after the last and between the rows, all holding a sentinel. Writes outside the region show
// as changed sentinels (OutsideUntouched). Under AddressSanitizer every byte outside the region
// is also poisoned while a primitive runs, so a read outside it stops the test at once.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define PF_TEST_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define PF_TEST_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define PF_TEST_POISON(p, n) ((void)(p), (void)(n))
#define PF_TEST_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

#include "primitives/support/IppTypes.h"

namespace imagetest {

// Each guarded buffer takes its own sentinel, so that a stray copy from one buffer's guard
// into another's shows as a changed byte.
inline uint8_t NextSentinel() {
  static uint8_t next = 0xA5;
  next = static_cast<uint8_t>(next + 0x3B);
  return next;
}

class GuardedImage {
 public:
  // width x height pixels of pixelBytes bytes. pad > 0 leaves at least that many guard bytes
  // after each row (the step is then rounded up to a multiple of 8 so that rows start on
  // the sanitizer's 8-byte granules); pad = 0 makes the rows contiguous.
  GuardedImage(int width, int height, int pixelBytes, int pad = 11)
      : width_(width), height_(height), pixelBytes_(pixelBytes), rowBytes_(width * pixelBytes) {
    step_ = pad > 0 ? (rowBytes_ + pad + 7) / 8 * 8 : rowBytes_;
    Allocate();
  }
  // Rows exactly layout.step bytes apart (at least the row length), the first starting
  // layout.misalign bytes after an 8-byte boundary: for routines whose paths depend on the
  // alignment of rows. (The sanitizer then cannot poison the few guard bytes that share an
  // 8-byte granule with a row; OutsideUntouched still sees writes there.)
  struct ExactStep {
    int step;
    int misalign = 0;
  };
  GuardedImage(int width, int height, int pixelBytes, ExactStep layout)
      : width_(width), height_(height), pixelBytes_(pixelBytes), rowBytes_(width * pixelBytes),
        step_(layout.step), misalign_(layout.misalign) {
    Allocate();
  }
  GuardedImage(const GuardedImage&) = delete;
  GuardedImage& operator=(const GuardedImage&) = delete;
  ~GuardedImage() { PF_TEST_UNPOISON(buffer_.data(), buffer_.size()); }

  uint8_t* data() { return buffer_.data() + kGuard + misalign_; }
  int step() const { return step_; }
  int width() const { return width_; }
  int height() const { return height_; }
  IppiSize size() const { return IppiSize{width_, height_}; }
  int rowBytes() const { return rowBytes_; }
  uint8_t* row(int y) { return data() + static_cast<ptrdiff_t>(step_) * y; }
  uint8_t* at(int x, int y) { return row(y) + static_cast<ptrdiff_t>(pixelBytes_) * x; }

  // Random bytes in the region (the guards keep their sentinel).
  void Randomize(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < height_; ++y)
      for (int i = 0; i < rowBytes_; ++i) row(y)[i] = static_cast<uint8_t>(byte(rng));
  }
  void FillRegion(uint8_t v) {
    for (int y = 0; y < height_; ++y) std::memset(row(y), v, rowBytes_);
  }

  // The region's bytes, row after row.
  std::vector<uint8_t> Region() {
    std::vector<uint8_t> r;
    for (int y = 0; y < height_; ++y) r.insert(r.end(), row(y), row(y) + rowBytes_);
    return r;
  }
  void SetRegion(const std::vector<uint8_t>& r) {
    for (int y = 0; y < height_; ++y) std::memcpy(row(y), r.data() + y * rowBytes_, rowBytes_);
  }

  // True when every byte outside the region still holds the sentinel.
  bool OutsideUntouched() {
    Open();
    bool ok = true;
    const uint8_t* first = data();
    const uint8_t* end = buffer_.data() + buffer_.size();
    for (const uint8_t* p = buffer_.data(); p < end; ++p) {
      const ptrdiff_t off = p - first;
      const bool inside = off >= 0 && off / step_ < height_ && off % step_ < rowBytes_;
      if (!inside && *p != sentinel_) ok = false;
    }
    Protect();
    return ok;
  }

 private:
  static constexpr size_t kGuard = 64;

  void Allocate() {
    const size_t body = static_cast<size_t>(step_) * (height_ - 1) + rowBytes_;
    buffer_.assign(kGuard + misalign_ + body + kGuard, sentinel_);
    Protect();
  }

  // Poisons everything but the region's rows.
  void Protect() {
    PF_TEST_POISON(buffer_.data(), buffer_.size());
    for (int y = 0; y < height_; ++y) PF_TEST_UNPOISON(row(y), rowBytes_);
  }
  void Open() { PF_TEST_UNPOISON(buffer_.data(), buffer_.size()); }

  int width_, height_, pixelBytes_, rowBytes_, step_ = 0, misalign_ = 0;
  uint8_t sentinel_ = NextSentinel();
  std::vector<uint8_t> buffer_;
};

// The planes of a planar image (or the one plane of an interleaved one), each a GuardedImage
// of the same size and step; pointers() is the array of plane pointers a planar routine takes.
class GuardedPlanes {
 public:
  GuardedPlanes(int count, int width, int height, int pixelBytes) {
    for (int k = 0; k < count; ++k) {
      planes_.push_back(std::make_unique<GuardedImage>(width, height, pixelBytes));
      pointers_.push_back(planes_.back()->data());
    }
  }
  GuardedImage& operator[](int k) { return *planes_[static_cast<size_t>(k)]; }
  int count() const { return static_cast<int>(planes_.size()); }
  int step() const { return planes_[0]->step(); }
  uint8_t** pointers() { return pointers_.data(); }

  void FillRegion(uint8_t v) {
    for (auto& p : planes_) p->FillRegion(v);
  }
  // Every plane's region, plane after plane.
  std::vector<uint8_t> Region() {
    std::vector<uint8_t> all;
    for (auto& p : planes_) {
      const std::vector<uint8_t> r = p->Region();
      all.insert(all.end(), r.begin(), r.end());
    }
    return all;
  }
  bool OutsideUntouched() {
    bool ok = true;
    for (auto& p : planes_) ok = p->OutsideUntouched() && ok;
    return ok;
  }

 private:
  std::vector<std::unique_ptr<GuardedImage>> planes_;
  std::vector<uint8_t*> pointers_;
};

// A source region with exactly the margins a neighbourhood operation reads around it. The
// region and its margins form one GuardedImage; data() points at the region's first pixel, so
// a read one byte beyond the margins stops the test under AddressSanitizer. whole() gives the
// bordered rectangle, for a reference run over it as one image.
class BorderedImage {
 public:
  struct Margins {
    int left, top, right, bottom;
  };
  BorderedImage(int width, int height, int pixelBytes, Margins margins, int pad = 11)
      : whole_(width + margins.left + margins.right, height + margins.top + margins.bottom,
               pixelBytes, pad),
        margins_(margins), width_(width), height_(height), pixelBytes_(pixelBytes) {}
  // The same margin on every side.
  BorderedImage(int width, int height, int pixelBytes, int margin, int pad = 11)
      : BorderedImage(width, height, pixelBytes, Margins{margin, margin, margin, margin}, pad) {}

  uint8_t* data() { return whole_.at(margins_.left, margins_.top); }
  int step() const { return whole_.step(); }
  IppiSize size() const { return IppiSize{width_, height_}; }
  int width() const { return width_; }
  int height() const { return height_; }
  const Margins& margins() const { return margins_; }
  // Pixel (x, y) of the region; x and y may reach into the margins (negative or past the end).
  uint8_t* at(int x, int y) {
    return data() + static_cast<ptrdiff_t>(step()) * y + static_cast<ptrdiff_t>(pixelBytes_) * x;
  }
  GuardedImage& whole() { return whole_; }
  void Randomize(std::mt19937& rng) { whole_.Randomize(rng); }
  void Fill(uint8_t v) { whole_.FillRegion(v); }

 private:
  GuardedImage whole_;
  Margins margins_;
  int width_, height_, pixelBytes_;
};

// A byte vector of n elements of elemBytes bytes at a chosen misalignment, with guards.
class GuardedVector {
 public:
  GuardedVector(int n, int elemBytes, int misalign = 0)
      : bytes_(static_cast<size_t>(n) * elemBytes), offset_(64 + misalign) {
    buffer_.assign(offset_ + bytes_ + 64, sentinel_);
    PF_TEST_POISON(buffer_.data(), buffer_.size());
    PF_TEST_UNPOISON(data(), bytes_);
  }
  GuardedVector(const GuardedVector&) = delete;
  GuardedVector& operator=(const GuardedVector&) = delete;
  ~GuardedVector() { PF_TEST_UNPOISON(buffer_.data(), buffer_.size()); }

  uint8_t* data() { return buffer_.data() + offset_; }
  bool OutsideUntouched() {
    PF_TEST_UNPOISON(buffer_.data(), buffer_.size());
    bool ok = std::all_of(buffer_.begin(), buffer_.begin() + offset_,
                          [this](uint8_t b) { return b == sentinel_; }) &&
              std::all_of(buffer_.begin() + offset_ + bytes_, buffer_.end(),
                          [this](uint8_t b) { return b == sentinel_; });
    PF_TEST_POISON(buffer_.data(), buffer_.size());
    PF_TEST_UNPOISON(data(), bytes_);
    return ok;
  }

 private:
  size_t bytes_;
  size_t offset_;
  uint8_t sentinel_ = NextSentinel();
  std::vector<uint8_t> buffer_;
};

}  // namespace imagetest
