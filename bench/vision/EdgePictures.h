// The pictures of the edge benchmarks (Sobel derivatives, Canny edges) at a row's size: discs
// of various brightness on a noisy background, smoothed like the circle detector's input
// (11x11) or barely smoothed (3x3, so that the noise gives many more edge candidates), and the
// coin photograph Coins1.bmp scaled to the size, smoothed like the detector's input or raw.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <string>

#include "bench/common/BenchData.h"

namespace bench {

enum EdgePicture { kSmoothedDiscs, kNoisyDiscs, kPhoto, kPhotoRaw };

// The picture in 8-bit gray; empty (and a message in *error) when the photograph cannot be
// read. The discs' count and radii follow the picture's area.
inline cv::Mat MakeEdgePicture(EdgePicture kind, int width, int height, std::string* error) {
  cv::Mat gray;
  if (kind == kPhoto || kind == kPhotoRaw) {
    const cv::Mat photo = ReadGrayPicture("Coins1.bmp", error);
    if (photo.empty()) return photo;
    cv::resize(photo, gray, cv::Size(width, height), 0, 0, cv::INTER_LINEAR);
    if (kind == kPhotoRaw) return gray;
    cv::GaussianBlur(gray, gray, cv::Size(11, 11), 0, 0, cv::BORDER_REPLICATE);
    return gray;
  }
  gray = cv::Mat(height, width, CV_8U);
  cv::RNG rng(2024);
  rng.fill(gray, cv::RNG::NORMAL, 90, 25);
  const double scale = width / 1920.0;
  for (int i = 0; i < 60; ++i)
    cv::circle(gray, cv::Point(rng.uniform(0, width), rng.uniform(0, height)),
               static_cast<int>(rng.uniform(20, 160) * scale), cv::Scalar(rng.uniform(0, 256)),
               cv::FILLED);
  const int smoothing = kind == kSmoothedDiscs ? 11 : 3;
  cv::GaussianBlur(gray, gray, cv::Size(smoothing, smoothing), 0, 0, cv::BORDER_REPLICATE);
  return gray;
}

}  // namespace bench
