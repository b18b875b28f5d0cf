// Median filters beside OpenCV's median blur (the same bytes), on a full HD region of a
// bordered source.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "bench/filters/MaskedFilterBench.h"
#include "primitives/filters/MedianFilter.h"

namespace {

using Filter = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint);

bench::RowBody MedianRow(Filter filter, int type) {
  return [=](bench::Row& r) {
    const int n = r.Param();
    const bench::BorderedSource s = bench::MakeBorderedSource(r, type, n, n);
    cv::Mat dst(r.Height(), r.Width(), type), cvDst(r.Height(), r.Width(), type);
    r.Compare(
        [&] {
          filter(s.region.data, bench::Row::Step(s.region), dst.data, bench::Row::Step(dst), r.Size(), s.mask,
                 s.anchor);
        },
        [&] { cv::medianBlur(s.region, cvDst, n); });
  };
}

}  // namespace

PF_BENCH_TABLE(MedianFilter) {
  table.Sizes({bench::kFullHd});
  table.Add("FilterMedian_8u_C1R", MedianRow(builtin::ippiFilterMedian_8u_C1R, CV_8UC1),
            bench::SquareMasks({3, 5, 7}));
  table.Add("FilterMedian_8u_C3R", MedianRow(builtin::ippiFilterMedian_8u_C3R, CV_8UC3),
            bench::SquareMasks({3}));
  table.Add("FilterMedian_8u_C4R", MedianRow(builtin::ippiFilterMedian_8u_C4R, CV_8UC4),
            bench::SquareMasks({5}));
}
