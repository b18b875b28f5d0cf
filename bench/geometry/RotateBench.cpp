// Rotations of a whole 1920 x 1080 image: the right angles (shifts that keep the turned image
// in place) beside cv::rotate, and 30 degrees about the centre beside cv::warpAffine with the
// inverse matrix and the transparent border (OpenCV writes only the pixels the rotated image
// covers, as the rotation does).
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/geometry/Rotate.h"

namespace {

using RotateForm = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect,
                                 double, double, double, int);

// A row's parameter: 90, 180 or 270 for the right angles, else the method at 30 degrees.
void AddRotate(bench::Table& table, const char* form, RotateForm fn, int cvType) {
  table.Add(
      form,
      [fn, cvType](bench::Row& r) {
        const cv::Mat src = r.Image(cvType);
        const int w = r.Width(), h = r.Height();
        const IppiRect srcRoi{0, 0, w, h};
        const int p = r.Param();
        if (p >= 90) {
          const bool quarter = p != 180;
          cv::Mat dst = quarter ? cv::Mat::zeros(w, h, cvType) : r.Blank(cvType), cvDst;
          const double xs = p == 90 ? 0 : p == 180 ? w - 1 : h - 1;
          const double ys = p == 90 ? w - 1 : p == 180 ? h - 1 : 0;
          const int cvCode = p == 90    ? cv::ROTATE_90_COUNTERCLOCKWISE
                             : p == 180 ? cv::ROTATE_180
                                        : cv::ROTATE_90_CLOCKWISE;
          const IppiRect dstRoi{0, 0, dst.cols, dst.rows};
          r.Compare(
              [&] {
                fn(src.data, r.Size(), r.Step(src), srcRoi, dst.data, r.Step(dst), dstRoi, p, xs,
                   ys, IPPI_INTER_NN);
              },
              [&] { cv::rotate(src, cvDst, cvCode); });
          return;
        }
        cv::Mat dst = r.Blank(cvType), cvDst = r.Blank(cvType);
        const double angle = 30, cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
        double xs = 0, ys = 0;
        builtin::ippiGetRotateShift(cx, cy, angle, &xs, &ys);
        cv::Mat inverse;
        cv::invertAffineTransform(
            cv::getRotationMatrix2D(cv::Point2f(float(cx), float(cy)), angle, 1.0), inverse);
        const int cvFlag = p == IPPI_INTER_NN       ? cv::INTER_NEAREST
                           : p == IPPI_INTER_LINEAR ? cv::INTER_LINEAR
                                                    : cv::INTER_CUBIC;
        r.Compare(
            [&] {
              fn(src.data, r.Size(), r.Step(src), srcRoi, dst.data, r.Step(dst), srcRoi, angle,
                 xs, ys, p);
            },
            [&] {
              cv::warpAffine(src, cvDst, inverse, cvDst.size(), cvFlag | cv::WARP_INVERSE_MAP,
                             cv::BORDER_TRANSPARENT);
            });
      },
      {{"90", 90},
       {"270", 270},
       {"180", 180},
       {"30nn", IPPI_INTER_NN},
       {"30linear", IPPI_INTER_LINEAR},
       {"30cubic", IPPI_INTER_CUBIC}});
}

}  // namespace

PF_BENCH_TABLE(Rotate) {
  table.Sizes({bench::kFullHd});
  AddRotate(table, "Rotate_8u_C1R", builtin::ippiRotate_8u_C1R, CV_8UC1);
  AddRotate(table, "Rotate_8u_C3R", builtin::ippiRotate_8u_C3R, CV_8UC3);
  AddRotate(table, "Rotate_8u_C4R", builtin::ippiRotate_8u_C4R, CV_8UC4);
}
