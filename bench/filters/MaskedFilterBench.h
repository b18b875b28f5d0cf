// Sources for the benchmarks of the filters over a rectangular mask: a random picture of the
// row's size with the margins a centred mask reads around it, so the built-in filters the
// region from its bordered source while OpenCV filters the same region with its own borders.
#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <vector>

#include "bench/common/BenchTable.h"

namespace bench {

struct BorderedSource {
  cv::Mat whole;   // the region with its margins
  cv::Mat region;  // the row's size, inside whole
  IppiSize mask;
  IppiPoint anchor;
};

inline BorderedSource MakeBorderedSource(const Row& r, int type, int maskWidth, int maskHeight) {
  BorderedSource s;
  s.mask = IppiSize{maskWidth, maskHeight};
  s.anchor = IppiPoint{maskWidth / 2, maskHeight / 2};
  s.whole = cv::Mat(r.Height() + maskHeight - 1, r.Width() + maskWidth - 1, type);
  cv::RNG rng(0x5eed);
  rng.fill(s.whole, cv::RNG::UNIFORM, 0, 256);
  s.region = s.whole(cv::Rect(s.anchor.x, s.anchor.y, r.Width(), r.Height()));
  return s;
}

// Square masks as row parameters ("5x5").
inline std::vector<Param> SquareMasks(std::initializer_list<int> sides) {
  std::vector<Param> params;
  for (int n : sides) params.push_back(Param{std::to_string(n) + "x" + std::to_string(n), n});
  return params;
}

}  // namespace bench
