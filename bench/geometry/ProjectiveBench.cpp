// Perspective warps of a whole image under a mild perspective, beside cv::warpPerspective
// given the matrix that maps destination to source (the adjugate of the forward warp's
// coefficients), with the inverse-map flag and a transparent border so that OpenCV, like the
// warps, writes only the pixels the source covers.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/geometry/Projective.h"
#include "primitives/geometry/ProjectiveWarp.h"

namespace {

using PerspectiveForm = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int,
                                      IppiRect, const double[3][3], int);

// Destination to source, scaled to the image: a slight tilt and a vanishing point far away.
void BackCoefficients(int width, int height, double m[3][3]) {
  const double w = width, h = height;
  const double rows[3][3] = {{1.04, 0.03, -0.02 * w},
                             {0.02, 1.05, -0.03 * h},
                             {0.04 / w, 0.03 / h, 1.0}};
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) m[i][k] = rows[i][k];
}


void AddPerspective(bench::Table& table, const char* form, PerspectiveForm fn, bool back,
                    int cvType) {
  table.Add(
      form,
      [fn, back, cvType](bench::Row& r) {
        const cv::Mat src = r.Image(cvType);
        cv::Mat dst = r.Blank(cvType), cvDst = r.Blank(cvType);
        double m[3][3], coeffs[3][3];
        BackCoefficients(r.Width(), r.Height(), m);
        // The forward warp takes source-to-destination coefficients, whose adjugate is m up to
        // a common factor.
        if (back) {
          for (int i = 0; i < 3; ++i)
            for (int k = 0; k < 3; ++k) coeffs[i][k] = m[i][k];
        } else {
          builtin::fbPerspectiveAdjugate(m, coeffs);
        }
        const cv::Matx33d cvM(m[0][0], m[0][1], m[0][2], m[1][0], m[1][1], m[1][2], m[2][0],
                              m[2][1], m[2][2]);
        const int method = r.Param();
        const int cvFlag = method == IPPI_INTER_NN       ? cv::INTER_NEAREST
                           : method == IPPI_INTER_LINEAR ? cv::INTER_LINEAR
                                                         : cv::INTER_CUBIC;
        const IppiRect roi{0, 0, r.Width(), r.Height()};
        r.Compare(
            [&] {
              fn(src.data, r.Size(), r.Step(src), roi, dst.data, r.Step(dst), roi, coeffs,
                 method);
            },
            [&] {
              cv::warpPerspective(src, cvDst, cvM, cvDst.size(),
                                  cvFlag | cv::WARP_INVERSE_MAP, cv::BORDER_TRANSPARENT);
            });
      },
      {{"nn", IPPI_INTER_NN}, {"linear", IPPI_INTER_LINEAR}, {"cubic", IPPI_INTER_CUBIC}});
}

}  // namespace

PF_BENCH_TABLE(Perspective) {
  AddPerspective(table, "WarpPerspective_8u_C1R", builtin::ippiWarpPerspective_8u_C1R, false, CV_8UC1);
  AddPerspective(table, "WarpPerspective_8u_C3R", builtin::ippiWarpPerspective_8u_C3R, false, CV_8UC3);
  AddPerspective(table, "WarpPerspective_8u_C4R", builtin::ippiWarpPerspective_8u_C4R, false, CV_8UC4);
  AddPerspective(table, "WarpPerspectiveBack_8u_C1R", builtin::ippiWarpPerspectiveBack_8u_C1R, true, CV_8UC1);
  AddPerspective(table, "WarpPerspectiveBack_8u_C3R", builtin::ippiWarpPerspectiveBack_8u_C3R, true, CV_8UC3);
  AddPerspective(table, "WarpPerspectiveBack_8u_C4R", builtin::ippiWarpPerspectiveBack_8u_C4R, true, CV_8UC4);
}
