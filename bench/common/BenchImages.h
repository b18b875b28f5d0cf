// The 1920 x 1080 images of the point-operation benchmarks: random pixels in OpenCV matrices,
// whose data and step the built-in primitives take as they are.
#pragma once

#include <opencv2/core.hpp>

#include "primitives/support/IppTypes.h"

namespace bench {

constexpr int kImageWidth = 1920;
constexpr int kImageHeight = 1080;
constexpr IppiSize kImageSize{kImageWidth, kImageHeight};

// An image of that size with every byte uniform in 0 .. high - 1.
inline cv::Mat RandomImage(int type, int high = 256) {
  cv::Mat m(kImageHeight, kImageWidth, type);
  cv::randu(m, 0, high);
  return m;
}

inline int Step(const cv::Mat& m) { return static_cast<int>(m.step); }

}  // namespace bench
