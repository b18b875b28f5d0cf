// Wiener filter with a given noise level on a full HD region of a bordered source. OpenCV has
// none; its box filter of the same window stands beside it as a yardstick, not as the same work.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <vector>

#include "bench/common/BenchTable.h"
#include "bench/filters/MaskedFilterBench.h"
#include "primitives/filters/WienerFilter.h"

namespace {

using Wiener = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint, Ipp32f*,
                             Ipp8u*);

bench::RowBody WienerRow(Wiener wiener, int type, int channels) {
  return [=](bench::Row& r) {
    const int n = r.Param();
    const bench::BorderedSource s = bench::MakeBorderedSource(r, type, n, n);
    cv::Mat dst(r.Height(), r.Width(), type), cvDst(r.Height(), r.Width(), type);
    int size = 0;
    builtin::ippiFilterWienerGetBufferSize(r.Size(), s.mask, channels, &size);
    std::vector<Ipp8u> buffer(static_cast<size_t>(size));
    r.Compare(
        [&] {
          Ipp32f noise[3] = {0.01f, 0.01f, 0.01f};
          wiener(s.region.data, bench::Row::Step(s.region), dst.data, bench::Row::Step(dst),
                 r.Size(), s.mask, s.anchor, noise, buffer.data());
        },
        [&] { cv::blur(s.region, cvDst, cv::Size(n, n)); });
  };
}

}  // namespace

PF_BENCH_TABLE(WienerFilter) {
  table.Sizes({bench::kFullHd});
  table.Add("FilterWiener_8u_C1R", WienerRow(builtin::ippiFilterWiener_8u_C1R, CV_8UC1, 1),
            bench::SquareMasks({5}));
}
