// Image arithmetic with a scale factor beside the same operation in OpenCV. The results differ
// where the scale factor halves ours; this compares speed only.
#include <opencv2/core.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/image/Arithmetic.h"

namespace {

using TwoSources = IppStatus (*)(const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int);

// Ours writes first op second (the second image argument is the first operand) at the row's
// scale factor; OpenCV's operation runs on (first, second, destination).
template <class OpenCV>
bench::RowBody TwoSourcesRow(TwoSources ours, OpenCV theirs) {
  return [ours, theirs](bench::Row& r) {
    const cv::Mat first = r.Image(CV_8UC1), second = r.Image(CV_8UC1);
    cv::Mat dst = r.Blank(CV_8UC1), cvDst = r.Blank(CV_8UC1);
    r.Compare(
        [&] {
          ours(second.data, r.Step(second), first.data, r.Step(first), dst.data, r.Step(dst),
               r.Size(), r.Param());
        },
        [&] { theirs(first, second, cvDst); });
  };
}

}  // namespace

PF_BENCH_TABLE(Arithmetic) {
  table.Layouts(bench::BothLayouts());
  const std::vector<bench::Param> sf0{{"sf:0", 0}};
  table.Add("Add_8u_C1RSfs",
            TwoSourcesRow(builtin::ippiAdd_8u_C1RSfs,
                          [](const cv::Mat& a, const cv::Mat& b, cv::Mat& d) { cv::add(a, b, d); }),
            sf0);
  table.Add("Sub_8u_C1RSfs",
            TwoSourcesRow(builtin::ippiSub_8u_C1RSfs, [](const cv::Mat& a, const cv::Mat& b,
                                                         cv::Mat& d) { cv::subtract(a, b, d); }),
            sf0);
  table.Add("Mul_8u_C1RSfs",
            TwoSourcesRow(builtin::ippiMul_8u_C1RSfs, [](const cv::Mat& a, const cv::Mat& b,
                                                         cv::Mat& d) { cv::multiply(a, b, d); }),
            sf0);
  table.Add("Div_8u_C1RSfs",
            TwoSourcesRow(builtin::ippiDiv_8u_C1RSfs, [](const cv::Mat& a, const cv::Mat& b,
                                                         cv::Mat& d) { cv::divide(a, b, d); }),
            sf0);
  // In place on a three-channel image.
  table.Add("Add_8u_C3IRSfs",
            [](bench::Row& r) {
              const cv::Mat other = r.Image(CV_8UC3);
              cv::Mat img = r.Image(CV_8UC3), cvImg = r.Like(img);
              r.Compare(
                  [&] {
                    builtin::ippiAdd_8u_C3IRSfs(other.data, r.Step(other), img.data, r.Step(img),
                                                r.Size(), r.Param());
                  },
                  [&] { cv::add(cvImg, other, cvImg); });
            },
            {{"sf:1", 1}});
}
