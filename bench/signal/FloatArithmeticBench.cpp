// The in-place float64 sum, product and quotient of two vectors beside cv::add, cv::multiply
// and cv::divide on one row. The operands stay near 1 in magnitude, so that repeated calls on
// the same destination neither overflow nor underflow.
#include <opencv2/core.hpp>

#include <cmath>

#include "bench/common/BenchTable.h"
#include "primitives/signal/FloatArithmetic.h"

namespace {

constexpr int kPerSample = 1 << 16;

// Values of both signs with magnitudes in [0.999, 1.001] and random low bits.
cv::Mat NearOne(const bench::Row& r, int seed) {
  cv::Mat v(1, r.Length(), CV_64F);
  unsigned x = 2463534242u + static_cast<unsigned>(seed);
  for (int i = 0; i < r.Length(); ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    const double m = 0.999 + 0.002 * (x / 4294967296.0);
    v.at<double>(i) = (x & 1) != 0 ? -m : m;
  }
  return v;
}

template <class Builtin, class Cv>
void InPlaceRow(bench::Row& r, Builtin builtinOp, Cv cvOp) {
  const cv::Mat src = NearOne(r, 1);
  cv::Mat dst = NearOne(r, 2), cvDst = dst.clone();
  r.Compare([&] { builtinOp(src.ptr<Ipp64f>(), dst.ptr<Ipp64f>(), r.Length()); },
            [&] { cvOp(cvDst, src, cvDst); }, r.Repeats(kPerSample));
}

}  // namespace

PF_BENCH_TABLE(FloatArithmetic) {
  table.Sizes(bench::Lengths({4096, 1 << 16}));
  table.Add("Add_64f_I", [](bench::Row& r) {
    InPlaceRow(r, builtin::ippsAdd_64f_I,
               [](const cv::Mat& a, const cv::Mat& b, cv::Mat& d) { cv::add(a, b, d); });
  });
  table.Add("Mul_64f_I", [](bench::Row& r) {
    InPlaceRow(r, builtin::ippsMul_64f_I,
               [](const cv::Mat& a, const cv::Mat& b, cv::Mat& d) { cv::multiply(a, b, d); });
  });
  table.Add("Div_64f_I", [](bench::Row& r) {
    InPlaceRow(r, builtin::ippsDiv_64f_I,
               [](const cv::Mat& a, const cv::Mat& b, cv::Mat& d) { cv::divide(a, b, d); });
  });
}
