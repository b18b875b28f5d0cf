// Minimum and maximum filters beside OpenCV's erosion and dilation with a rectangle, on a full
// HD region of a bordered source.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "bench/filters/MaskedFilterBench.h"
#include "primitives/filters/MinMaxFilters.h"

namespace {

using Filter = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint);

bench::RowBody ExtremeRow(Filter filter, int type, bool max) {
  return [=](bench::Row& r) {
    const int n = r.Param();
    const bench::BorderedSource s = bench::MakeBorderedSource(r, type, n, n);
    cv::Mat dst(r.Height(), r.Width(), type), cvDst(r.Height(), r.Width(), type);
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(n, n));
    r.Compare(
        [&] {
          filter(s.region.data, bench::Row::Step(s.region), dst.data, bench::Row::Step(dst), r.Size(), s.mask,
                 s.anchor);
        },
        [&] {
          if (max)
            cv::dilate(s.region, cvDst, kernel);
          else
            cv::erode(s.region, cvDst, kernel);
        });
  };
}

}  // namespace

PF_BENCH_TABLE(MinMaxFilters) {
  table.Sizes({bench::kFullHd});
  table.Add("FilterMin_8u_C1R", ExtremeRow(builtin::ippiFilterMin_8u_C1R, CV_8UC1, false),
            bench::SquareMasks({3, 11}));
  table.Add("FilterMax_8u_C3R", ExtremeRow(builtin::ippiFilterMax_8u_C3R, CV_8UC3, true),
            bench::SquareMasks({11}));
  table.Add("FilterMin_8u_C4R", ExtremeRow(builtin::ippiFilterMin_8u_C4R, CV_8UC4, false),
            bench::SquareMasks({5}));
}
