// Shears beside cv::warpAffine with the same forward matrix, of the whole image into an image
// of the same size. The transparent border makes OpenCV write only the pixels the sheared
// image covers, as the shear does.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/geometry/Shear.h"

namespace {

using ShearForm = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect,
                                double, double, double, double, int);

void AddShear(bench::Table& table, const char* form, ShearForm fn, int cvType) {
  table.Add(
      form,
      [fn, cvType](bench::Row& r) {
        const cv::Mat src = r.Image(cvType);
        cv::Mat dst = r.Blank(cvType), cvDst = r.Blank(cvType);
        const double xShear = 0.2, yShear = 0.1, xShift = -0.05 * r.Width(), yShift = -0.04 * r.Height();
        const cv::Matx23d m(1.0, xShear, xShift, yShear, 1.0, yShift);
        const int method = r.Param();
        const int cvFlag = method == IPPI_INTER_NN       ? cv::INTER_NEAREST
                           : method == IPPI_INTER_LINEAR ? cv::INTER_LINEAR
                                                         : cv::INTER_CUBIC;
        const IppiRect roi{0, 0, r.Width(), r.Height()};
        r.Compare(
            [&] {
              fn(src.data, r.Size(), r.Step(src), roi, dst.data, r.Step(dst), roi, xShear, yShear,
                 xShift, yShift, method);
            },
            [&] {
              cv::warpAffine(src, cvDst, m, cvDst.size(), cvFlag, cv::BORDER_TRANSPARENT);
            });
      },
      {{"nn", IPPI_INTER_NN}, {"linear", IPPI_INTER_LINEAR}, {"cubic", IPPI_INTER_CUBIC}});
}

}  // namespace

PF_BENCH_TABLE(Shear) {
  AddShear(table, "Shear_8u_C1R", builtin::ippiShear_8u_C1R, CV_8UC1);
  AddShear(table, "Shear_8u_C3R", builtin::ippiShear_8u_C3R, CV_8UC3);
  AddShear(table, "Shear_8u_C4R", builtin::ippiShear_8u_C4R, CV_8UC4);
}
