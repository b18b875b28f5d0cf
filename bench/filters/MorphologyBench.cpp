// Erosion and dilation beside OpenCV's with the same structuring element and anchor, on a full
// HD region of a bordered source.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <vector>

#include "bench/common/BenchTable.h"
#include "bench/filters/MaskedFilterBench.h"
#include "primitives/filters/Morphology.h"

namespace {

using Morph = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, IppiSize,
                            IppiPoint);

// Parameter: the element's shape and side, shape * 10 + side.
bench::RowBody MorphRow(Morph morph, int type, bool dilate) {
  return [=](bench::Row& r) {
    const int shape = r.Param() / 10, n = r.Param() % 10;
    const bench::BorderedSource s = bench::MakeBorderedSource(r, type, n, n);
    const cv::Mat kernel = cv::getStructuringElement(shape, cv::Size(n, n));
    const std::vector<uint8_t> mask(kernel.datastart, kernel.dataend);
    cv::Mat dst(r.Height(), r.Width(), type), cvDst(r.Height(), r.Width(), type);
    r.Compare(
        [&] {
          morph(s.region.data, bench::Row::Step(s.region), dst.data, bench::Row::Step(dst),
                r.Size(), mask.data(), s.mask, s.anchor);
        },
        [&] {
          if (dilate)
            cv::dilate(s.region, cvDst, kernel);
          else
            cv::erode(s.region, cvDst, kernel);
        });
  };
}

}  // namespace

PF_BENCH_TABLE(Morphology) {
  table.Sizes({bench::kFullHd});
  table.Add("Erode_8u_C1R", MorphRow(builtin::ippiErode_8u_C1R, CV_8UC1, false),
            {bench::Param{"cross5x5", cv::MORPH_CROSS * 10 + 5},
             bench::Param{"ellipse5x5", cv::MORPH_ELLIPSE * 10 + 5},
             bench::Param{"rect3x3", cv::MORPH_RECT * 10 + 3}});
  table.Add("Dilate_8u_C3R", MorphRow(builtin::ippiDilate_8u_C3R, CV_8UC3, true),
            {bench::Param{"cross3x3", cv::MORPH_CROSS * 10 + 3}});
}
