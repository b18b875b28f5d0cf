// Inputs for the circle detector tests: gray pictures of discs, and edge maps made by hand
// (points on rings whose derivatives point exactly away from the ring's centre, so that every
// vote line runs through the centre's cell).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "buffers/PXSimpleImageBuffer.h"
#include "components/PXBasicHough.h"

namespace houghtest {

struct Disc {
  int cx, cy, r;
};

// A gray picture of bright discs (200) on a dark ground (40), their rims shaded over 4 pixels
// (a hard rim would give Sobel directions in steps of 26 degrees, which miss the centre).
inline platform::RefPtr<buffers::TPXImageBuffer> DiscPicture(int width, int height,
                                                             const std::vector<Disc>& discs) {
  auto image = buffers::TPXImageBuffer::CreateSize(width, height, buffers::vfGrayScale);
  uint8_t* p = image->Write();
  const int step = static_cast<int>(image->GetStep());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double v = 40;
      for (const Disc& d : discs) {
        const double inside = std::clamp((d.r + 2 - std::hypot(x - d.cx, y - d.cy)) / 4, 0.0, 1.0);
        v = std::max(v, 40 + 160 * inside);
      }
      p[y * step + x] = static_cast<uint8_t>(std::lround(v));
    }
  return image;
}

// An edge map with its derivatives, rows without padding.
struct EdgeImages {
  int width = 0, height = 0;
  std::vector<uint8_t> edges;
  std::vector<int16_t> dx, dy;

  EdgeImages() = default;
  EdgeImages(int w, int h)
      : width(w), height(h), edges(size_t(w) * h), dx(size_t(w) * h), dy(size_t(w) * h) {}

  components::THoughEdgeMap Map() const {
    components::THoughEdgeMap m;
    m.Size = {width, height};
    m.Edges = edges.data();
    m.EdgeStep = width;
    m.Dx = dx.data();
    m.DxStep = 2 * width;
    m.Dy = dy.data();
    m.DyStep = 2 * width;
    return m;
  }
};

struct HandMadeEdges : EdgeImages {
  HandMadeEdges(int w, int h) : EdgeImages(w, h) {}

  void Point(int x, int y, int vx, int vy) {
    const size_t i = size_t(y) * width + x;
    edges[i] = 255;
    dx[i] = static_cast<int16_t>(vx);
    dy[i] = static_cast<int16_t>(vy);
  }

  // The pixels inside the picture whose distance from (cx, cy) lies in [r, r + 0.9), all of
  // them or the first `count` in order of angle (counter-clockwise from the right); their
  // derivatives point away from the centre. Returns how many were set.
  int Ring(int cx, int cy, int r, int count = -1) {
    struct P {
      int x, y;
      double angle;
    };
    std::vector<P> ring;
    for (int y = std::max(0, cy - r - 1); y <= std::min(height - 1, cy + r + 1); ++y)
      for (int x = std::max(0, cx - r - 1); x <= std::min(width - 1, cx + r + 1); ++x) {
        const double d = std::hypot(x - cx, y - cy);
        if (d >= r && d < r + 0.9) {
          double a = std::atan2(-(y - cy), x - cx);
          if (a < 0) a += 2 * M_PI;
          ring.push_back({x, y, a});
        }
      }
    std::sort(ring.begin(), ring.end(), [](const P& a, const P& b) { return a.angle < b.angle; });
    if (count >= 0 && size_t(count) < ring.size()) ring.resize(size_t(count));
    for (const P& p : ring) Point(p.x, p.y, p.x - cx, p.y - cy);
    return static_cast<int>(ring.size());
  }

};

}  // namespace houghtest
