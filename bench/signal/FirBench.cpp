// The FIR filter on 65536-sample blocks beside cv::filter2D on a one-row CV_64F image with the
// flipped taps, anchored at the last tap over a constant (zero) border: the same outputs as a
// filter whose delay line is zero. 16 taps filter directly, 256 taps by overlap-save.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/signal/Fir.h"

namespace {

cv::Mat Uniform(int n, int seed) {
  cv::Mat v(1, n, CV_64F);
  cv::RNG rng(static_cast<uint64_t>(seed));
  rng.fill(v, cv::RNG::UNIFORM, -1.0, 1.0);
  return v;
}

void FirRow(bench::Row& r) {
  const int taps = r.Param();
  const cv::Mat h = Uniform(taps, 112), src = Uniform(r.Length(), 113);
  cv::Mat flipped;
  cv::flip(h, flipped, 1);
  cv::Mat dst(1, r.Length(), CV_64F), cvDst(1, r.Length(), CV_64F);
  IppsFIRState_64f* state = nullptr;
  if (builtin::ippsFIRInitAlloc_64f(&state, h.ptr<Ipp64f>(), taps, nullptr) != ippStsNoErr) {
    r.Skip("the filter state could not be created");
    return;
  }
  r.Compare([&] { builtin::ippsFIR_64f(src.ptr<Ipp64f>(), dst.ptr<Ipp64f>(), r.Length(), state); },
            [&] {
              cv::filter2D(src, cvDst, CV_64F, flipped, cv::Point(taps - 1, 0), 0.0,
                           cv::BORDER_CONSTANT);
            });
  builtin::ippsFIRFree_64f(state);
}

}  // namespace

PF_BENCH_TABLE(Fir) {
  table.Sizes(bench::Lengths({1 << 16}));
  table.Add("FIR_64f", FirRow, {bench::Param{"taps:16", 16}, bench::Param{"taps:256", 256}});
}
