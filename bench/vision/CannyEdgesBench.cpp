// Canny edges from 3x3 Sobel derivatives of the edge pictures (EdgePictures.h) beside cv::Canny
// on the same derivatives, with the circle detector's thresholds (50, 100). Beside the ratio,
// the counters "edge_pixels" (ours) and "same" (1 when both edge maps are equal).
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <string>
#include <vector>

#include "bench/common/BenchTable.h"
#include "bench/vision/EdgePictures.h"
#include "primitives/vision/CannyEdges.h"

namespace {

constexpr double kLow = 50, kHigh = 100;

}  // namespace

PF_BENCH_TABLE(CannyEdges) {
  table.Add("Canny_16s8u_C1R",
            [](bench::Row& r) {
              std::string error;
              const cv::Mat gray = bench::MakeEdgePicture(
                  static_cast<bench::EdgePicture>(r.Param()), r.Width(), r.Height(), &error);
              if (gray.empty()) return r.Skip("no picture: " + error + " (set PF_DATA_DIR)");
              cv::Mat dx, dy;
              cv::Sobel(gray, dx, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
              cv::Sobel(gray, dy, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
              cv::Mat dst(gray.size(), CV_8U), cvDst(gray.size(), CV_8U);
              int bytes = 0;
              builtin::ippiCannyGetSize(r.Size(), &bytes);
              std::vector<Ipp8u> buffer(static_cast<size_t>(bytes));
              r.Compare(
                  [&] {
                    builtin::ippiCanny_16s8u_C1R(dx.ptr<Ipp16s>(), r.Step(dx), dy.ptr<Ipp16s>(),
                                                 r.Step(dy), dst.ptr(), r.Step(dst), r.Size(),
                                                 float(kLow), float(kHigh), buffer.data());
                  },
                  [&] { cv::Canny(dx, dy, cvDst, kLow, kHigh, false); });
              r.State().counters["edge_pixels"] = cv::countNonZero(dst);
              r.State().counters["same"] = cv::countNonZero(dst != cvDst) == 0;
            },
            {{"picture:smoothed", bench::kSmoothedDiscs},
             {"picture:noisy", bench::kNoisyDiscs},
             {"picture:photo", bench::kPhoto},
             {"picture:photo-raw", bench::kPhotoRaw}});
}
