// 3x3 Sobel derivatives of the smoothed discs (EdgePictures.h) beside cv::Sobel with replicated
// borders.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "bench/vision/EdgePictures.h"
#include "primitives/vision/SobelDerivatives.h"

PF_BENCH_TABLE(SobelDerivatives) {
  table.Add("Sobel3x3_Dx_8u16s_C1R", [](bench::Row& r) {
    const cv::Mat gray =
        bench::MakeEdgePicture(bench::kSmoothedDiscs, r.Width(), r.Height(), nullptr);
    cv::Mat dst(gray.size(), CV_16S), cvDst(gray.size(), CV_16S);
    r.Compare(
        [&] {
          builtin::ippiSobel3x3_Dx_8u16s_C1R(gray.ptr(), r.Step(gray), dst.ptr<Ipp16s>(),
                                             r.Step(dst), r.Size());
        },
        [&] { cv::Sobel(gray, cvDst, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE); });
  });
  table.Add("Sobel3x3_Dy_8u16s_C1R", [](bench::Row& r) {
    const cv::Mat gray =
        bench::MakeEdgePicture(bench::kSmoothedDiscs, r.Width(), r.Height(), nullptr);
    cv::Mat dst(gray.size(), CV_16S), cvDst(gray.size(), CV_16S);
    r.Compare(
        [&] {
          builtin::ippiSobel3x3_Dy_8u16s_C1R(gray.ptr(), r.Step(gray), dst.ptr<Ipp16s>(),
                                             r.Step(dst), 0, r.Size());
        },
        [&] { cv::Sobel(gray, cvDst, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE); });
  });
}
