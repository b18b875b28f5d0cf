// The general resize of a full-HD 8-bit image to 1280x720 and to 2880x1620 beside cv::resize
// with the matching method. The sampling grids differ (corner-aligned here, half-pixel in
// OpenCV, whose Lanczos has eight taps): the rows compare speed only.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/resampling/ResizeEngine.h"

namespace {

// Parameter: method x 10 + 1 for the enlargement.
void AddResize(bench::Table& table, const char* form, int channels, int cvType) {
  std::vector<bench::Param> params;
  const struct {
    const char* name;
    int method;
  } methods[] = {{"nn", IPPI_INTER_NN},
                 {"linear", IPPI_INTER_LINEAR},
                 {"cubic", IPPI_INTER_CUBIC},
                 {"lanczos", IPPI_INTER_LANCZOS}};
  for (const auto& m : methods)
    for (int up = 0; up < 2; ++up)
      params.push_back({std::string(m.name) + (up ? "/to2880x1620" : "/to1280x720"), m.method * 10 + up});
  table.Add(
      form,
      [channels, cvType](bench::Row& r) {
        const int method = r.Param() / 10;
        const bool up = r.Param() % 10 == 1;
        const cv::Size out = up ? cv::Size(2880, 1620) : cv::Size(1280, 720);
        const double fx = double(out.width) / r.Width(), fy = double(out.height) / r.Height();
        const cv::Mat src = r.Image(cvType);
        cv::Mat dst(out, cvType), cvDst(out, cvType);
        const int cvFlag = method == IPPI_INTER_NN       ? cv::INTER_NEAREST
                           : method == IPPI_INTER_LINEAR ? cv::INTER_LINEAR
                           : method == IPPI_INTER_CUBIC  ? cv::INTER_CUBIC
                                                         : cv::INTER_LANCZOS4;
        const IppiRect roi{0, 0, r.Width(), r.Height()};
        r.Compare(
            [&] {
              builtin::fbResizeEngine(src.data, r.Size(), r.Step(src), roi, dst.data,
                                      static_cast<int>(dst.step), IppiSize{out.width, out.height},
                                      fx, fy, channels, channels, 0, 0, method);
            },
            [&] { cv::resize(src, cvDst, out, 0, 0, cvFlag); });
      },
      params);
}

}  // namespace

PF_BENCH_TABLE(Resize) {
  table.Sizes({bench::kFullHd});
  AddResize(table, "ResizeEngine_8u_C1", 1, CV_8UC1);
  AddResize(table, "ResizeEngine_8u_C3", 3, CV_8UC3);
  AddResize(table, "ResizeEngine_8u_C4", 4, CV_8UC4);
}
