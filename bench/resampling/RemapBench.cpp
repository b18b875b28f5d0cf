// Remaps through the maps of a small rotation about the image's centre, beside cv::remap on
// the same maps; the transparent border makes OpenCV leave the pixels whose position falls
// outside the image, as the remap does.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>

#include "bench/common/BenchTable.h"
#include "primitives/resampling/Remap.h"

namespace {

using RemapForm = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, const Ipp32f*, int,
                                const Ipp32f*, int, Ipp8u*, int, IppiSize, int);

void AddRemap(bench::Table& table, const char* form, RemapForm fn, int cvType) {
  table.Add(
      form,
      [fn, cvType](bench::Row& r) {
        const cv::Mat src = r.Image(cvType);
        cv::Mat dst = r.Blank(cvType), cvDst = r.Blank(cvType);
        cv::Mat mx(r.Height(), r.Width(), CV_32F), my(r.Height(), r.Width(), CV_32F);
        const double a = 5.0 * M_PI / 180.0, cx = r.Width() / 2.0, cy = r.Height() / 2.0;
        for (int y = 0; y < r.Height(); ++y)
          for (int x = 0; x < r.Width(); ++x) {
            mx.at<float>(y, x) =
                static_cast<float>(cx + std::cos(a) * (x - cx) - std::sin(a) * (y - cy));
            my.at<float>(y, x) =
                static_cast<float>(cy + std::sin(a) * (x - cx) + std::cos(a) * (y - cy));
          }
        const int method = r.Param();
        const int cvFlag = method == IPPI_INTER_NN       ? cv::INTER_NEAREST
                           : method == IPPI_INTER_LINEAR ? cv::INTER_LINEAR
                                                         : cv::INTER_CUBIC;
        r.Compare(
            [&] {
              fn(src.data, r.Size(), r.Step(src), IppiRect{0, 0, r.Width(), r.Height()},
                 mx.ptr<float>(), r.Step(mx), my.ptr<float>(), r.Step(my), dst.data, r.Step(dst),
                 r.Size(), method);
            },
            [&] { cv::remap(src, cvDst, mx, my, cvFlag, cv::BORDER_TRANSPARENT); });
      },
      {{"nn", IPPI_INTER_NN}, {"linear", IPPI_INTER_LINEAR}, {"cubic", IPPI_INTER_CUBIC}});
}

}  // namespace

PF_BENCH_TABLE(Remap) {
  table.Sizes({bench::kFullHd});
  AddRemap(table, "Remap_8u_C1R", builtin::ippiRemap_8u_C1R, CV_8UC1);
  AddRemap(table, "Remap_8u_C3R", builtin::ippiRemap_8u_C3R, CV_8UC3);
  AddRemap(table, "Remap_8u_C4R", builtin::ippiRemap_8u_C4R, CV_8UC4);
}
