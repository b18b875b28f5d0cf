// A naive model of the general resize: each destination sample computed on its own from the
// source by the sampling rules (running-sum positions, the index rules at the edges, the Q14
// steps of linear 8u/16u), with no tables, caches or windows.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "primitives/resampling/ResizeKernels.h"
#include "primitives/support/IppTypes.h"

namespace resizemodel {

struct Tap {
  int64_t s;      // stored source index, region-relative
  double frac;    // fraction relative to s
  bool last;      // on the image's last index
};

inline int32_t Side(int32_t requested, int32_t side, double f) {
  const double product = f * side + 1e-7;
  if (product >= requested) return requested;
  const int64_t n = static_cast<int64_t>(product);
  return n > 0 ? static_cast<int32_t>(n) : product >= 0.5 ? 1 : 0;
}

inline int32_t Method(int32_t method, IppiSize src) {
  const int small = std::min(src.width, src.height);
  if (method == 16 && small < 8) method = 4;
  if (method == 4 && small < 4) method = 2;
  if (small < 2) method = 1;
  return method;
}

inline std::vector<Tap> Axis(int32_t method, int32_t W, double f, int32_t n, int32_t origin,
                             int32_t imageSide) {
  std::vector<Tap> taps;
  double p = method == 1 ? 0.5 / f : 0.0;
  const double step = method == 1 ? 1.0 / f : (W * f > 1 ? (W - 1) / (W * f - 1) : 0.0);
  const int64_t last = int64_t{imageSide} - origin - 1;
  for (int i = 0; i < n; ++i, p += step) {
    int64_t j = static_cast<int64_t>(p + 1e-7);
    if (method == 1) {
      taps.push_back({std::min<int64_t>(j, W - 1), 0.0, false});
    } else if (method == 2) {
      if (j == last) taps.push_back({j - 1, 1.0, true});
      else taps.push_back({j, p - j, false});
    } else if (method == 4) {
      if (j == last) taps.push_back({j - 2, 2.0, true});
      else if (origin + j == 0) taps.push_back({j + 1, p - (j + 1), false});
      else if (origin + j == imageSide - 2) taps.push_back({j - 1, p - (j - 1), false});
      else taps.push_back({j, p - j, false});
    } else {
      taps.push_back({j, p - j, false});
    }
  }
  return taps;
}

// One plane (or interleaved image) as the engine sees it: region origin, byte step, element
// distance between pixels.
struct View {
  const uint8_t* origin;
  ptrdiff_t step;
  int32_t pixel;  // elements from one pixel to the next
  int32_t type;   // 0 8u, 1 16u, 2 32f
  double At(int64_t x, int64_t y, int c) const {
    const uint8_t* p = origin + y * step;
    const ptrdiff_t e = x * pixel + c;
    if (type == 0) return p[e];
    if (type == 1) {
      uint16_t v;
      std::memcpy(&v, p + 2 * e, 2);
      return v;
    }
    float v;
    std::memcpy(&v, p + 4 * e, 4);
    return v;
  }
};

inline double Cubic(const double (&v)[4], double t) {
  // Lagrange through nodes -1, 0, 1, 2.
  return v[0] * (-t * (t - 1) * (t - 2) / 6) + v[1] * ((t + 1) * (t - 1) * (t - 2) / 2) +
         v[2] * (-(t + 1) * t * (t - 2) / 2) + v[3] * ((t + 1) * t * (t - 1) / 6);
}

inline double RoundClamp(double v, int type) {
  if (type == 2) return static_cast<float>(v);
  const double r = std::trunc(v + 0.5000001);
  return std::clamp(r, 0.0, type == 0 ? 255.0 : 65535.0);
}

struct Extents {
  int32_t roiX, roiY, availWidth, availHeight;
};

// The value of destination sample (i, j, c).
inline double Sample(const View& v, int32_t method, const Tap& row, const Tap& col, int c,
                     const Extents& e) {
  if (method == 1) return v.At(col.s, row.s, c);
  if (method == 2) {
    if (v.type == 2) {
      const float fc = static_cast<float>(col.frac), fr = static_cast<float>(row.frac);
      auto pass = [&](int64_t y) {
        const float a = static_cast<float>(v.At(col.s, y, c)), b = static_cast<float>(v.At(col.s + 1, y, c));
        return a + (b - a) * fc;
      };
      return pass(row.s) * (1.0f - fr) + pass(row.s + 1) * fr;
    }
    const uint32_t a = col.last ? 16384 : static_cast<uint32_t>(16384.0 * col.frac + 1e-7);
    const uint32_t ar = row.last ? 16384 : static_cast<uint32_t>(16384.0 * row.frac + 1e-7);
    auto pass = [&](int64_t y) {
      const uint32_t s = static_cast<uint32_t>(v.At(col.s, y, c)) * (16384 - a) +
                         static_cast<uint32_t>(v.At(col.s + 1, y, c)) * a;
      return v.type == 0 ? (s + 128) >> 8 : (s + 8192) >> 14;
    };
    const uint32_t s = pass(row.s) * (16384 - ar) + pass(row.s + 1) * ar;
    return v.type == 0 ? (s + 0x80000) >> 20 : (s + 8192) >> 14;
  }
  if (method == 4) {
    const double tc = static_cast<float>(col.frac), tr = static_cast<float>(row.frac);
    double rows[4];
    for (int m = 0; m < 4; ++m) {
      double nodes[4];
      for (int k = 0; k < 4; ++k) nodes[k] = v.At(col.s - 1 + k, row.s - 1 + m, c);
      rows[m] = Cubic(nodes, tc);
    }
    return RoundClamp(Cubic(rows, tr), v.type);
  }
  float wc[6], wr[6];
  const float fc = static_cast<float>(col.frac), fr = static_cast<float>(row.frac);
  builtin::resize::fbResizeLanczosWeights(&fc, 1, wc);
  builtin::resize::fbResizeLanczosWeights(&fr, 1, wr);
  double sum = 0;
  for (int m = 0; m < 6; ++m) {
    const int64_t y = std::clamp<int64_t>(row.s - 2 + m, -e.roiY, e.availHeight - 1);
    double h = 0;
    for (int k = 0; k < 6; ++k) {
      const int64_t x = std::clamp<int64_t>(col.s - 2 + k, -e.roiX, e.availWidth - 1);
      h += double(wc[k]) * v.At(x, y, c);
    }
    sum += double(static_cast<float>(h)) * wr[m];
  }
  return RoundClamp(sum, v.type);
}

}  // namespace resizemodel
