// Integer vector arithmetic beside OpenCV's on one row: the in-place int32 sum (scale factor 0,
// saturated) beside cv::add, and the in-place bitwise and beside cv::bitwise_and.
#include <opencv2/core.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/signal/IntegerArithmetic.h"

namespace {

constexpr int kPerSample = 1 << 16;

// Values of both signs small enough that repeated sums stay far from the int32 limits.
cv::Mat Words(const bench::Row& r, int seed) {
  cv::Mat v(1, r.Length(), CV_32S);
  cv::RNG rng(seed);
  rng.fill(v, cv::RNG::UNIFORM, -1000, 1000);
  return v;
}

}  // namespace

PF_BENCH_TABLE(IntegerArithmetic) {
  table.Sizes(bench::Lengths({4096, 1 << 16, 1 << 20}));
  table.Add("Add_32s_ISfs", [](bench::Row& r) {
    const cv::Mat src = Words(r, 1);
    cv::Mat dst = Words(r, 2), cvDst = dst.clone();
    r.Compare(
        [&] { builtin::ippsAdd_32s_ISfs(src.ptr<Ipp32s>(), dst.ptr<Ipp32s>(), r.Length(), 0); },
        [&] { cv::add(cvDst, src, cvDst); }, r.Repeats(kPerSample));
  });
  table.Add("And_32u_I", [](bench::Row& r) {
    const cv::Mat src = Words(r, 3);
    cv::Mat dst = Words(r, 4), cvDst = dst.clone();
    r.Compare([&] { builtin::ippsAnd_32u_I(src.ptr<Ipp32u>(), dst.ptr<Ipp32u>(), r.Length()); },
              [&] { cv::bitwise_and(cvDst, src, cvDst); }, r.Repeats(kPerSample));
  });
}
