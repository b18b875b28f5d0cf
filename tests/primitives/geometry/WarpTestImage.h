// Test images for the warps: any element type and layout on guarded buffers, interleaved in
// one image or one image per plane.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "primitives/geometry/WarpFrame.h"
#include "primitives/support/IppTypes.h"
#include "tests/primitives/ImageTestGuard.h"

namespace warptest {

namespace warp = builtin::warp;
using imagetest::GuardedImage;

// An image of any type and layout on guarded buffers: one interleaved image, or one image per
// plane (all with the same step).
class WarpImage {
 public:
  // odd: rows an odd number of bytes apart, the first at an odd address, so that wider
  // elements sit at every misalignment.
  WarpImage(int type, int layout, int width, int height, bool odd = false)
      : type_(type), layout_(layout), size_(warp::ElementBytes(type)),
        planar_(warp::IsPlanar(layout)) {
    const int stride = layout == warp::kC1 ? 1 : layout == warp::kC3 ? 3 : 4;
    planes_ = planar_ ? warp::PlaneCount(layout) : 1;
    stride_ = planar_ ? 1 : stride;
    for (int p = 0; p < planes_; ++p) {
      if (odd)
        images_.push_back(std::make_unique<GuardedImage>(
            width, height, stride_ * size_, GuardedImage::ExactStep{width * stride_ * size_ + 3, 1}));
      else
        images_.push_back(std::make_unique<GuardedImage>(width, height, stride_ * size_));
      pointers_[p] = images_.back()->data();
    }
    pointers_[planes_] = nullptr;
  }
  int channels() const { return planar_ ? planes_ : stride_; }
  int step() const { return images_[0]->step(); }
  IppiSize size() const { return images_[0]->size(); }
  // What the engine takes: the image origin or the plane array.
  void* arg() { return planar_ ? static_cast<void*>(pointers_) : pointers_[0]; }
  void** planeArray() { return reinterpret_cast<void**>(pointers_); }

  uint8_t* at(int c, int x, int y) {
    if (planar_) return images_[c]->row(y) + static_cast<ptrdiff_t>(x) * size_;
    return images_[0]->row(y) + (static_cast<ptrdiff_t>(x) * stride_ + c) * size_;
  }
  double get(int c, int x, int y) {
    uint8_t* p = at(c, x, y);
    if (type_ == warp::kType8u) return *p;
    if (type_ == warp::kType16u) { Ipp16u v; std::memcpy(&v, p, 2); return v; }
    Ipp32f v;
    std::memcpy(&v, p, 4);
    return v;
  }
  void Randomize(std::mt19937& rng) {
    std::uniform_int_distribution<int> value(0, 65535);
    for (int y = 0; y < size().height; ++y)
      for (int x = 0; x < size().width; ++x)
        for (int c = 0; c < channels(); ++c) {
          uint8_t* p = at(c, x, y);
          const int v = value(rng);
          if (type_ == warp::kType8u) *p = static_cast<uint8_t>(v);
          else if (type_ == warp::kType16u) { const Ipp16u w = static_cast<Ipp16u>(v); std::memcpy(p, &w, 2); }
          else { const Ipp32f f = static_cast<Ipp32f>(v) * 0.0625f - 1000.0f; std::memcpy(p, &f, 4); }
        }
  }
  std::vector<uint8_t> Bytes() {
    std::vector<uint8_t> all;
    for (auto& im : images_) {
      const auto r = im->Region();
      all.insert(all.end(), r.begin(), r.end());
    }
    return all;
  }
  void SetBytes(const std::vector<uint8_t>& all) {
    size_t at = 0;
    for (auto& im : images_) {
      const size_t n = static_cast<size_t>(im->rowBytes()) * im->height();
      im->SetRegion(std::vector<uint8_t>(all.begin() + at, all.begin() + at + n));
      at += n;
    }
  }
  bool OutsideUntouched() {
    for (auto& im : images_)
      if (!im->OutsideUntouched()) return false;
    return true;
  }
  int type() const { return type_; }
  int layout() const { return layout_; }
  int stride() const { return stride_; }
  int elementSize() const { return size_; }
  bool planar() const { return planar_; }

 private:
  int type_, layout_, size_;
  bool planar_;
  int planes_ = 1, stride_ = 1;
  std::vector<std::unique_ptr<GuardedImage>> images_;
  uint8_t* pointers_[5] = {};
};

}  // namespace warptest
