// The Hann and Kaiser windows applied in place, beside cv::multiply by the same weights held in
// a vector (what applying a stored window costs). Every timed call first refills its vector
// with ones on both sides, so that repeated windowing does not drive the values into
// subnormals; ns_per_element is the built-in window alone, timed apart from the refill.
#include <opencv2/core.hpp>

#include <algorithm>
#include <vector>

#include "bench/common/BenchTable.h"
#include "primitives/signal/Windows.h"

namespace {

template <class Apply>
void WindowRow(bench::Row& r, Apply apply) {
  const int n = r.Length();
  const cv::Mat ones(1, n, CV_64F, cv::Scalar(1.0));
  cv::Mat v = ones.clone(), weights = ones.clone();
  apply(weights.ptr<Ipp64f>(), n);
  cv::Mat cvV = ones.clone();
  r.Compare(
      [&] {
        ones.copyTo(v);
        apply(v.ptr<Ipp64f>(), n);
      },
      [&] {
        ones.copyTo(cvV);
        cv::multiply(cvV, weights, cvV);
      });
  std::vector<double> alone;
  for (int i = 0; i < 31; ++i) {
    ones.copyTo(v);
    const double t0 = bench::ThreadMicroseconds();
    apply(v.ptr<Ipp64f>(), n);
    alone.push_back(bench::ThreadMicroseconds() - t0);
  }
  std::nth_element(alone.begin(), alone.begin() + 15, alone.end());
  r.State().counters["ns_per_element"] = alone[15] * 1000.0 / n;
}

}  // namespace

PF_BENCH_TABLE(Windows) {
  table.Sizes(bench::Lengths({1 << 16}));
  table.Add("WinHann_64f_I", [](bench::Row& r) {
    WindowRow(r, [](Ipp64f* p, int n) { builtin::ippsWinHann_64f_I(p, n); });
  });
  // alpha = 0.009 keeps 0.5 * alpha * (N - 1) below the window's limit of 308 at N = 65536.
  table.Add("WinKaiser_64f_I", [](bench::Row& r) {
    WindowRow(r, [](Ipp64f* p, int n) { builtin::ippsWinKaiser_64f_I(p, n, 0.009f); });
  });
}
