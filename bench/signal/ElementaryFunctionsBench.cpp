// Elementary functions of float64 vectors beside OpenCV's cv::exp, cv::sqrt and cv::magnitude
// (which takes the real and imaginary parts as two planes) on one row. In the root and
// magnitude rows both sides write the same destination, and every vector starts on a 4 KiB
// boundary: both sides see the same placement of destination against source (a load may wait
// behind an earlier store whose address has the same low 12 bits, which depends on that
// placement), and the same physical pages, whose placement otherwise moved either side's time
// by a few percent from one process to the next.
#include <opencv2/core.hpp>

#include <cstddef>
#include <cstdint>

#include "bench/common/BenchTable.h"
#include "primitives/signal/ElementaryFunctions.h"

namespace {

constexpr int kPerSample = 1 << 16;

// Values of both signs with fractions in [-lo, hi), of the row's length.
cv::Mat Spread(const bench::Row& r, double lo, double hi) {
  cv::Mat v(1, r.Length(), CV_64F);
  cv::RNG rng(104);
  rng.fill(v, cv::RNG::UNIFORM, lo, hi);
  return v;
}

// A zero row of cols elements of the given type that starts on a 4 KiB boundary.
cv::Mat PageAligned(int cols, int type) {
  constexpr size_t kPage = 4096;
  const size_t elem = CV_ELEM_SIZE(type);
  cv::Mat parent = cv::Mat::zeros(1, cols + static_cast<int>(kPage / elem), type);
  const size_t skip = (kPage - reinterpret_cast<uintptr_t>(parent.data) % kPage) % kPage / elem;
  return parent.colRange(static_cast<int>(skip), static_cast<int>(skip) + cols);
}

}  // namespace

PF_BENCH_TABLE(ElementaryFunctions) {
  table.Sizes(bench::Lengths({4096, 1 << 16}));
  table.Add("Exp_64f", [](bench::Row& r) {
    const cv::Mat src = Spread(r, -30.0, 30.0);
    cv::Mat dst(1, r.Length(), CV_64F), cvDst(1, r.Length(), CV_64F);
    r.Compare([&] { builtin::ippsExp_64f(src.ptr<Ipp64f>(), dst.ptr<Ipp64f>(), r.Length()); },
              [&] { cv::exp(src, cvDst); }, r.Repeats(kPerSample));
  });
  table.Add("Sqrt_64f", [](bench::Row& r) {
    cv::Mat src = PageAligned(r.Length(), CV_64F);
    Spread(r, 0.0, 1e6).copyTo(src);
    cv::Mat dst = PageAligned(r.Length(), CV_64F);
    r.Compare([&] { builtin::ippsSqrt_64f(src.ptr<Ipp64f>(), dst.ptr<Ipp64f>(), r.Length()); },
              [&] { cv::sqrt(src, dst); }, r.Repeats(kPerSample));
  });
  table.Add("Magnitude_64fc", [](bench::Row& r) {
    const int n = r.Length() / 2;
    cv::Mat interleaved = PageAligned(n, CV_64FC2);
    Spread(r, -1e3, 1e3).reshape(2, 1).copyTo(interleaved);  // n complex values
    cv::Mat planes[2] = {PageAligned(n, CV_64F), PageAligned(n, CV_64F)};
    cv::split(interleaved, planes);
    cv::Mat dst = PageAligned(n, CV_64F);
    r.Compare(
        [&] { builtin::ippsMagnitude_64fc(interleaved.ptr<Ipp64fc>(), dst.ptr<Ipp64f>(), n); },
        [&] { cv::magnitude(planes[0], planes[1], dst); }, r.Repeats(kPerSample));
  });
}
