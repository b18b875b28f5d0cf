// Super-sampling shrinks (interpolation 8) through the resize entries of a full-HD image by 0.4 (768 x 432) and 0.25 (480 x 270), beside
// cv::resize with area interpolation.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/resampling/ResizeEntries.h"

namespace {

using ResizeForm = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiSize,
                                 double, double, int);

void AddSuper(bench::Table& table, const char* form, ResizeForm fn, int cvType) {
  table.Add(
      form,
      [fn, cvType](bench::Row& r) {
        const cv::Mat src = r.Image(cvType);
        const double f = r.Param() / 100.0;
        const int dw = static_cast<int>(r.Width() * f + 1e-07);
        const int dh = static_cast<int>(r.Height() * f + 1e-07);
        cv::Mat dst(dh, dw, cvType), cvDst(dh, dw, cvType);
        r.Compare(
            [&] {
              fn(src.data, r.Size(), r.Step(src), IppiRect{0, 0, r.Width(), r.Height()},
                 dst.data, r.Step(dst), IppiSize{dw, dh}, f, f, 8);
            },
            [&] { cv::resize(src, cvDst, cvDst.size(), 0, 0, cv::INTER_AREA); });
      },
      {{"0.4", 40}, {"0.25", 25}});
}

}  // namespace

PF_BENCH_TABLE(ResizeSuper) {
  table.Sizes({bench::kFullHd});
  AddSuper(table, "Resize_8u_C1R", builtin::ippiResize_8u_C1R, CV_8UC1);
  AddSuper(table, "Resize_8u_C3R", builtin::ippiResize_8u_C3R, CV_8UC3);
  AddSuper(table, "Resize_8u_C4R", builtin::ippiResize_8u_C4R, CV_8UC4);
}
