#include "bench/components/BenchCircles.h"

#include <algorithm>
#include <cmath>

namespace bench {

TCirclePicture DrawCirclePicture(int width, int height, int count, uint64_t seed) {
  TCirclePicture p;
  cv::RNG rng(seed);
  // Places by trial: a disc that touches another or the border is drawn again elsewhere.
  for (int tries = 0; int(p.circles.size()) < count && tries < 100000; ++tries) {
    const float r = float(rng.uniform(20, 121));
    const float x = float(rng.uniform(int(r) + 4, width - int(r) - 4));
    const float y = float(rng.uniform(int(r) + 4, height - int(r) - 4));
    bool free = true;
    for (const TDrawnCircle& c : p.circles) {
      const float d = std::hypot(c.x - x, c.y - y);
      free &= d >= c.r + r + 8 && d >= 60;
    }
    if (free) p.circles.push_back({x, y, r});
  }
  cv::Mat gray(height, width, CV_32FC3);
  for (int y = 0; y < height; ++y) {
    cv::Vec3f* row = gray.ptr<cv::Vec3f>(y);
    for (int x = 0; x < width; ++x) {
      // The ground: 70 on the left to 40 on the right, a little blue.
      const float ground = 70.0f - 30.0f * float(x) / float(width);
      cv::Vec3f v(ground + 10, ground, ground - 5);
      for (const TDrawnCircle& c : p.circles) {
        const float dx = float(x) - c.x, dy = float(y) - c.y;
        const float inside = std::clamp((c.r + 1.0f - std::sqrt(dx * dx + dy * dy)) / 2.0f, 0.0f, 1.0f);
        if (inside <= 0) continue;
        // Lit from the top left: 210 there, a third less at the far side.
        const float across = std::clamp((dx + dy) / (2.0f * std::sqrt(2.0f) * c.r) + 0.5f, 0.0f, 1.0f);
        const float light = 210.0f * (1.0f - across / 3.0f);
        const cv::Vec3f disc(light * 0.8f, light * 0.95f, light);
        v = v * (1 - inside) + disc * inside;
      }
      row[x] = v;
    }
  }
  cv::Mat noise(height, width, CV_32FC3);
  rng.fill(noise, cv::RNG::NORMAL, 0, 6);
  gray += noise;
  gray.convertTo(p.bgr, CV_8UC3);  // rounded and saturated
  return p;
}

int MatchedCircles(const std::vector<TDrawnCircle>& drawn, const std::vector<TDrawnCircle>& found,
                   float centreTolerance, float radiusTolerance) {
  std::vector<bool> used(found.size(), false);
  int matched = 0;
  for (const TDrawnCircle& d : drawn)
    for (size_t i = 0; i < found.size(); ++i) {
      const TDrawnCircle& f = found[i];
      if (used[i] || std::hypot(f.x - d.x, f.y - d.y) > centreTolerance || std::fabs(f.r - d.r) > radiusTolerance)
        continue;
      used[i] = true;
      ++matched;
      break;
    }
  return matched;
}

}  // namespace bench
