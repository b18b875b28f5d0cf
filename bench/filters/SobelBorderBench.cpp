// Bordered Sobel filters with the replicate rule on a full-HD image, beside OpenCV's Sobel with
// BORDER_REPLICATE (the same values: vertical edges are OpenCV's x derivative negated).
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <vector>

#include "bench/common/BenchTable.h"
#include "primitives/filters/SobelBorder.h"

namespace {

void SobelRow(bench::Row& r, bool horizontal, IppiMaskSize mask) {
  const cv::Mat src = r.Image(CV_8UC1);
  cv::Mat dst(r.Height(), r.Width(), CV_16S), cvDst(r.Height(), r.Width(), CV_16S);
  int size = 0;
  builtin::ippiFilterSobelHorizGetBufferSize_8u16s_C1R(r.Size(), mask, &size);
  std::vector<Ipp8u> buffer(size);
  const int ksize = mask == ippMskSize3x3 ? 3 : 5;
  const auto fn = horizontal ? builtin::ippiFilterSobelHorizBorder_8u16s_C1R
                             : builtin::ippiFilterSobelVertBorder_8u16s_C1R;
  r.Compare(
      [&] {
        fn(src.data, bench::Row::Step(src), dst.ptr<Ipp16s>(), bench::Row::Step(dst), r.Size(),
           mask, ippBorderRepl, 0, buffer.data());
      },
      [&] {
        cv::Sobel(src, cvDst, CV_16S, horizontal ? 0 : 1, horizontal ? 1 : 0, ksize, 1, 0,
                  cv::BORDER_REPLICATE);
      });
}

}  // namespace

PF_BENCH_TABLE(SobelBorder) {
  table.Sizes({bench::kFullHd});
  table.Add("FilterSobelHorizBorder_8u16s_C1R/33",
            [](bench::Row& r) { SobelRow(r, true, ippMskSize3x3); });
  table.Add("FilterSobelHorizBorder_8u16s_C1R/55",
            [](bench::Row& r) { SobelRow(r, true, ippMskSize5x5); });
  table.Add("FilterSobelVertBorder_8u16s_C1R/55",
            [](bench::Row& r) { SobelRow(r, false, ippMskSize5x5); });
}
