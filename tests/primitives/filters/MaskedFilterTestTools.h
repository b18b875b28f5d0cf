// Shared pieces of the tests of the filters over a rectangular mask with an anchor: a source
// with exactly the margins the mask reaches, views of the test images as OpenCV matrices, and
// the bytes of one window for the models.
#pragma once

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "primitives/support/IppTypes.h"
#include "tests/primitives/ImageTestGuard.h"

namespace maskedfilter {

using imagetest::BorderedImage;
using imagetest::GuardedImage;

// The common signature of the box, minimum, maximum and median filters.
using FilterFn = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint);

struct Mask {
  int w, h, ax, ay;
  IppiSize size() const { return IppiSize{w, h}; }
  IppiPoint anchor() const { return IppiPoint{ax, ay}; }
  std::string Name() const {
    return std::to_string(w) + "x" + std::to_string(h) + " anchor " + std::to_string(ax) + "," +
           std::to_string(ay);
  }
};

// The masks of the sides given with the anchor at both corners and inside.
inline std::vector<Mask> WithAnchors(std::initializer_list<IppiSize> sides) {
  std::vector<Mask> masks;
  for (IppiSize s : sides) {
    masks.push_back({s.width, s.height, 0, 0});
    masks.push_back({s.width, s.height, s.width - 1, s.height - 1});
    if (s.width > 2 || s.height > 2) masks.push_back({s.width, s.height, s.width / 2, s.height / 2});
  }
  return masks;
}

// A source region of width x height pixels with the margins mask m reads around it.
inline BorderedImage SourceFor(int width, int height, int channels, const Mask& m) {
  return BorderedImage(width, height, channels,
                       BorderedImage::Margins{m.ax, m.ay, m.w - 1 - m.ax, m.h - 1 - m.ay});
}

inline cv::Mat AsMat(GuardedImage& img, int channels) {
  return cv::Mat(img.height(), img.width(), CV_8UC(channels), img.data(),
                 static_cast<size_t>(img.step()));
}

// The region of an OpenCV result over the whole bordered source that lies under the filter's
// destination region.
inline std::vector<uint8_t> RegionOf(const cv::Mat& whole, const BorderedImage& src, int channels) {
  std::vector<uint8_t> r;
  const auto& mg = src.margins();
  for (int y = 0; y < src.height(); ++y) {
    const uint8_t* row = whole.ptr<uint8_t>(y + mg.top) + mg.left * channels;
    r.insert(r.end(), row, row + src.width() * channels);
  }
  return r;
}

// The bytes of channel ch in the window of destination pixel (x, y).
inline std::vector<int> Window(BorderedImage& src, const Mask& m, int x, int y, int ch) {
  std::vector<int> v;
  v.reserve(static_cast<size_t>(m.w) * m.h);
  for (int j = 0; j < m.h; ++j)
    for (int i = 0; i < m.w; ++i) v.push_back(src.at(x - m.ax + i, y - m.ay + j)[ch]);
  return v;
}

// The destination a model gives, byte by byte: model(window) for every pixel and channel.
inline std::vector<uint8_t> ModelResult(BorderedImage& src, int channels, const Mask& m,
                                        const std::function<int(std::vector<int>&)>& model) {
  std::vector<uint8_t> r;
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x)
      for (int ch = 0; ch < channels; ++ch) {
        std::vector<int> w = Window(src, m, x, y, ch);
        r.push_back(static_cast<uint8_t>(model(w)));
      }
  return r;
}

// Runs the filter from src into a guarded destination of the region's size: the status, the
// region written, and whether everything outside it was left alone.
struct Run {
  IppStatus status;
  std::vector<uint8_t> region;
  bool outsideUntouched;
};
inline Run RunFilter(FilterFn fn, BorderedImage& src, int channels, const Mask& m) {
  GuardedImage dst(src.width(), src.height(), channels, 5);
  const IppStatus s = fn(src.data(), src.step(), dst.data(), dst.step(), src.size(), m.size(), m.anchor());
  return Run{s, dst.Region(), dst.OutsideUntouched()};
}

// One row of a check-order table: the arguments of a call and the status it must return.
struct StatusCase {
  const char* what;
  const Ipp8u* src;
  int srcStep;
  Ipp8u* dst;
  int dstStep;
  IppiSize roi, mask;
  IppiPoint anchor;
  IppStatus expected;
};

// Runs every case through every form (each with a name and a fn) and expects its status with
// the 64-byte destination buffer dst left untouched.
template <class Forms, size_t kCases>
void ExpectStatuses(const Forms& forms, const StatusCase (&cases)[kCases], Ipp8u* dst) {
  for (const auto& f : forms)
    for (const StatusCase& c : cases) {
      SCOPED_TRACE(std::string(f.name) + ": " + c.what);
      std::fill(dst, dst + 64, 0x5A);
      EXPECT_EQ(f.fn(c.src, c.srcStep, c.dst, c.dstStep, c.roi, c.mask, c.anchor), c.expected);
      EXPECT_TRUE(std::all_of(dst, dst + 64, [](Ipp8u b) { return b == 0x5A; }));
    }
}

}  // namespace maskedfilter
