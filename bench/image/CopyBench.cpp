// Region copies beside cv::Mat::copyTo. The padded layout is a region of a wider image into a
// destination region of the same shape, which cannot be worked as one row.
#include <opencv2/core.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/image/Copy.h"

PF_BENCH_TABLE(Copy) {
  table.Layouts(bench::BothLayouts());
  table.Add("Copy_8u_C1R", [](bench::Row& r) {
    const cv::Mat src = r.Image(CV_8UC1);
    cv::Mat dst = r.Blank(CV_8UC1), cvDst = r.Blank(CV_8UC1);
    r.Compare(
        [&] { builtin::ippiCopy_8u_C1R(src.data, r.Step(src), dst.data, r.Step(dst), r.Size()); },
        [&] { src.copyTo(cvDst); });
  });
}
