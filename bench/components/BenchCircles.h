// A picture of discs whose centres and radii are known, for the circle detection benchmark:
// shaded discs on a shaded ground with noise, and the count of drawn circles a detection found.
#pragma once

#include <opencv2/core.hpp>

#include <vector>

namespace bench {

struct TDrawnCircle {
  float x, y, r;
};

struct TCirclePicture {
  cv::Mat bgr;  // 8-bit, three channels
  std::vector<TDrawnCircle> circles;
};

// Discs of radius 20 to 120 at random places (from seed), none overlapping another or the
// border, their centres at least 60 pixels apart. Each disc is lit from the top left (its
// brightness falls by a third across it) over a ground that darkens from left to right; the
// rims are smoothed over two pixels and every pixel carries Gaussian noise (sigma 6).
TCirclePicture DrawCirclePicture(int width, int height, int count, uint64_t seed);

// How many drawn circles have a found one whose centre is within centreTolerance and whose
// radius differs by at most radiusTolerance (each found circle matches one drawn circle).
int MatchedCircles(const std::vector<TDrawnCircle>& drawn, const std::vector<TDrawnCircle>& found,
                   float centreTolerance = 3.0f, float radiusTolerance = 3.0f);

}  // namespace bench
