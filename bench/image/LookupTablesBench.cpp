// Look-up tables beside cv::LUT with the same values.
#include <opencv2/core.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/image/LookupTables.h"

PF_BENCH_TABLE(LookupTables) {
  table.Layouts(bench::BothLayouts());
  table.Add("LUT_8u_C3R", [](bench::Row& r) {
    const cv::Mat src = r.Image(CV_8UC3);
    cv::Mat dst = r.Blank(CV_8UC3), cvDst = r.Blank(CV_8UC3);
    // A full table per channel: 257 levels 0..256 and a value for each.
    Ipp32s levels[3][257], values[3][257];
    cv::Mat lut(1, 256, CV_8UC3);
    for (int c = 0; c < 3; ++c)
      for (int v = 0; v <= 256; ++v) {
        levels[c][v] = v;
        values[c][v] = (v * (c + 3) + 17 * c) % 256;
        if (v < 256) lut.ptr<uint8_t>()[3 * v + c] = static_cast<uint8_t>(values[c][v]);
      }
    const Ipp32s* pValues[3] = {values[0], values[1], values[2]};
    const Ipp32s* pLevels[3] = {levels[0], levels[1], levels[2]};
    int nLevels[3] = {257, 257, 257};
    r.Compare(
        [&] {
          builtin::ippiLUT_8u_C3R(src.data, r.Step(src), dst.data, r.Step(dst), r.Size(), pValues,
                                  pLevels, nLevels);
        },
        [&] { cv::LUT(src, lut, cvDst); });
  });
}
