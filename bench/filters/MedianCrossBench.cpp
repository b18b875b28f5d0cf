// Cross and colour median filters on a full HD region of a bordered source. OpenCV has neither;
// its median blur of the same mask size stands beside them as a yardstick, not as the same work.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "bench/filters/MaskedFilterBench.h"
#include "primitives/filters/MedianCross.h"

namespace {

using Median = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize);

bench::RowBody MedianRow(Median median, int type) {
  return [=](bench::Row& r) {
    const int n = r.Param();
    const bench::BorderedSource s = bench::MakeBorderedSource(r, type, n, n);
    cv::Mat dst(r.Height(), r.Width(), type), cvDst(r.Height(), r.Width(), type);
    const IppiMaskSize code = n == 3 ? ippMskSize3x3 : ippMskSize5x5;
    r.Compare(
        [&] {
          median(s.region.data, bench::Row::Step(s.region), dst.data, bench::Row::Step(dst),
                 r.Size(), code);
        },
        [&] { cv::medianBlur(s.region, cvDst, n); });
  };
}

}  // namespace

PF_BENCH_TABLE(MedianCross) {
  table.Sizes({bench::kFullHd});
  table.Add("FilterMedianCross_8u_C1R", MedianRow(builtin::ippiFilterMedianCross_8u_C1R, CV_8UC1),
            bench::SquareMasks({3, 5}));
  table.Add("FilterMedianColor_8u_C3R", MedianRow(builtin::ippiFilterMedianColor_8u_C3R, CV_8UC3),
            bench::SquareMasks({3, 5}));
}
