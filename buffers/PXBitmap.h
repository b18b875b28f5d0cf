// The bitmap class that image buffers create: a device-independent bitmap with the same
// constructors as its base.
#pragma once

#include "buffers/PXBasicBitmap.h"

namespace buffers {

class TPXBitmap : public TPXBasicBitmap {
  PF_CLASS(TPXBitmap)
  PF_ALLOW_NEW;

 public:
  static TPXBitmap* Create() { return platform::New<TPXBitmap>(); }
  static TPXBitmap* CreateSize(int32_t width, int32_t height) {
    return Make<TPXBitmap>(&TPXBitmap::InitSize, width, height);
  }
  static TPXBitmap* CreateSizeColorAlpha(int32_t width, int32_t height, TColor color, uint8_t alpha) {
    return Make<TPXBitmap>(&TPXBitmap::InitSizeColorAlpha, width, height, color, alpha);
  }
  static TPXBitmap* CreateCopy(TPXBasicBitmap* bitmap) {
    return Make<TPXBitmap>(&TPXBitmap::InitCopy, bitmap);
  }
  static TPXBitmap* CreateFromBitmap(TBitmap* bitmap) {
    return Make<TPXBitmap>(&TPXBitmap::InitFromBitmap, bitmap);
  }

 protected:
  TPXBitmap() = default;
};

}  // namespace buffers
