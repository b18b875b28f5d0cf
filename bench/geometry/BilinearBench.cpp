// Bilinear warps of the whole 1920 x 1080 image under a mild bilinear map (corners moved a few
// pixels, no two edges parallel: the forward warp solves a quadratic per pixel), beside
// cv::remap with float maps of the same mapping built outside the timed loop, one thread, the
// transparent border.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>

#include "bench/common/BenchTable.h"
#include "primitives/geometry/BilinearWarp.h"

namespace {

using WarpForm = IppStatus (*)(const Ipp8u*, IppiSize, int, IppiRect, Ipp8u*, int, IppiRect,
                               const double[2][4], int);

// The map of the whole image: corners moved by a few pixels.
void MildMap(int w, int h, double c[2][4]) {
  const double W = w - 1, H = h - 1;
  const double q[4][2] = {{3.0, 2.0}, {W - 4.0, 1.0}, {W - 2.5, H - 3.0}, {1.5, H - 2.0}};
  // x' = q0 + (q1 - q0) u + (q3 - q0) v + (q0 - q1 + q2 - q3) u v with u = x / W, v = y / H.
  for (int r = 0; r < 2; ++r) {
    c[r][0] = (q[0][r] - q[1][r] + q[2][r] - q[3][r]) / (W * H);
    c[r][1] = (q[1][r] - q[0][r]) / W;
    c[r][2] = (q[3][r] - q[0][r]) / H;
    c[r][3] = q[0][r];
  }
}

void AddWarp(bench::Table& table, const char* form, WarpForm fn, int cvType, bool back) {
  table.Add(
      form,
      [fn, cvType, back](bench::Row& r) {
        const cv::Mat src = r.Image(cvType);
        cv::Mat dst = r.Blank(cvType), cvDst = r.Blank(cvType);
        const int w = r.Width(), h = r.Height();
        double c[2][4];
        MildMap(w, h, c);
        // The maps: the back warp's positions are the map itself; the forward warp's are its
        // inverse, found by Newton's method per pixel.
        cv::Mat mapX(h, w, CV_32FC1), mapY(h, w, CV_32FC1);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            double u = c[0][0] * x * y + c[0][1] * x + c[0][2] * y + c[0][3];
            double v = c[1][0] * x * y + c[1][1] * x + c[1][2] * y + c[1][3];
            if (!back) {
              u = x;
              v = y;
              for (int i = 0; i < 6; ++i) {
                const double fx = c[0][0] * u * v + c[0][1] * u + c[0][2] * v + c[0][3] - x;
                const double fy = c[1][0] * u * v + c[1][1] * u + c[1][2] * v + c[1][3] - y;
                const double a = c[0][0] * v + c[0][1], b = c[0][0] * u + c[0][2];
                const double d = c[1][0] * v + c[1][1], e = c[1][0] * u + c[1][2];
                const double det = a * e - b * d;
                u -= (fx * e - fy * b) / det;
                v -= (fy * a - fx * d) / det;
              }
            }
            mapX.at<float>(y, x) = static_cast<float>(u);
            mapY.at<float>(y, x) = static_cast<float>(v);
          }
        const int method = r.Param();
        const int cvFlag = method == IPPI_INTER_NN       ? cv::INTER_NEAREST
                           : method == IPPI_INTER_LINEAR ? cv::INTER_LINEAR
                                                         : cv::INTER_CUBIC;
        const IppiRect roi{0, 0, w, h};
        r.Compare(
            [&] {
              fn(src.data, r.Size(), r.Step(src), roi, dst.data, r.Step(dst), roi, c, method);
            },
            [&] { cv::remap(src, cvDst, mapX, mapY, cvFlag, cv::BORDER_TRANSPARENT); });
      },
      {{"nn", IPPI_INTER_NN}, {"linear", IPPI_INTER_LINEAR}, {"cubic", IPPI_INTER_CUBIC}});
}

}  // namespace

PF_BENCH_TABLE(Bilinear) {
  table.Sizes({bench::kFullHd});
  AddWarp(table, "WarpBilinearBack_8u_C1R", builtin::ippiWarpBilinearBack_8u_C1R, CV_8UC1, true);
  AddWarp(table, "WarpBilinearBack_8u_C3R", builtin::ippiWarpBilinearBack_8u_C3R, CV_8UC3, true);
  AddWarp(table, "WarpBilinearBack_8u_C4R", builtin::ippiWarpBilinearBack_8u_C4R, CV_8UC4, true);
  AddWarp(table, "WarpBilinear_8u_C1R", builtin::ippiWarpBilinear_8u_C1R, CV_8UC1, false);
  AddWarp(table, "WarpBilinear_8u_C3R", builtin::ippiWarpBilinear_8u_C3R, CV_8UC3, false);
  AddWarp(table, "WarpBilinear_8u_C4R", builtin::ippiWarpBilinear_8u_C4R, CV_8UC4, false);
}
