// Random floats sorted into descending order beside cv::sort of one row; each side sorts a
// fresh copy on every call.
#include <opencv2/core.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/vision/SortDescend.h"

PF_BENCH_TABLE(SortDescend) {
  table.Sizes(bench::Lengths({10000, 1000000}));
  table.Add("SortDescend_32f_I", [](bench::Row& r) {
    const cv::Mat values = r.Image(CV_32FC1, 1e6, -1e6);
    cv::Mat sorted(values.size(), CV_32F), cvSorted(values.size(), CV_32F);
    r.Compare(
        [&] {
          values.copyTo(sorted);
          builtin::ippsSortDescend_32f_I(sorted.ptr<Ipp32f>(), sorted.cols);
        },
        [&] { cv::sort(values, cvSorted, cv::SORT_EVERY_ROW | cv::SORT_DESCENDING); });
  });
}
