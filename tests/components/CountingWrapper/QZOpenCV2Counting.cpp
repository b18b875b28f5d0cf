// A wrapper library whose images are plain blocks with padded rows, counted while alive. It
// has no cvSmooth and no cvCreateMemStorage: the calls that need them fail with "Can't get".
#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace {

struct TCountedImage {
  int32_t Step = 0;
  uint8_t* Data = nullptr;
};

std::atomic<int32_t> LiveImages{0};

}  // namespace

extern "C" {

struct CvSize {
  int32_t width;
  int32_t height;
};

__attribute__((visibility("default"))) void* cvCreateImage(CvSize size, int32_t depth, int32_t channels) {
  auto* image = new TCountedImage;
  image->Step = (size.width * channels * (depth / 8) + 3) & ~3;
  image->Data = static_cast<uint8_t*>(std::calloc(size_t(image->Step) * size_t(size.height) + 1, 1));
  ++LiveImages;
  return image;
}

__attribute__((visibility("default"))) void cvReleaseImage(void** image) {
  if (!image || !*image) return;
  auto* counted = static_cast<TCountedImage*>(*image);
  std::free(counted->Data);
  delete counted;
  *image = nullptr;
  --LiveImages;
}

__attribute__((visibility("default"))) void cvGetRawData(const void* image, uint8_t** data, int32_t* step,
                                                         CvSize* roiSize) {
  const auto* counted = static_cast<const TCountedImage*>(image);
  if (data) *data = counted->Data;
  if (step) *step = counted->Step;
  (void)roiSize;
}

// The number of images made and not yet released.
__attribute__((visibility("default"))) int32_t QZOpenCV2CountingLiveImages() { return LiveImages.load(); }

}  // extern "C"
