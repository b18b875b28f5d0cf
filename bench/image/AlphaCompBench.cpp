// Alpha compositing (Over, four-byte pixels with alpha) beside OpenCV. OpenCV has no
// compositing: its side is what a program writes with OpenCV's calls, each source's colours
// premultiplied by its alpha (alpha byte kept), then A' + B' (255 - a) / 255 on all four bytes.
#include <opencv2/core.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/image/AlphaComp.h"

PF_BENCH_TABLE(AlphaComp) {
  table.Layouts(bench::BothLayouts());
  table.Add("AlphaComp_8u_AC4R_Over", [](bench::Row& r) {
    const cv::Mat a = r.Image(CV_8UC4), b = r.Image(CV_8UC4);
    cv::Mat dst = r.Blank(CV_8UC4), cvDst = r.Blank(CV_8UC4);
    // (a, a, a, 255), (b, b, b, 255) and (a, a, a, a) of each pixel, and the products.
    cv::Mat aColour(a.size(), CV_8UC4, cv::Scalar::all(255)), bColour = aColour.clone();
    cv::Mat aAll(a.size(), CV_8UC4), pa, pb;
    const int toColour[] = {3, 0, 3, 1, 3, 2}, toAll[] = {3, 0, 3, 1, 3, 2, 3, 3};
    r.Compare(
        [&] {
          builtin::ippiAlphaComp_8u_AC4R(a.data, r.Step(a), b.data, r.Step(b), dst.data,
                                         r.Step(dst), r.Size(), ippAlphaOver);
        },
        [&] {
          cv::mixChannels(&a, 1, &aColour, 1, toColour, 3);
          cv::mixChannels(&b, 1, &bColour, 1, toColour, 3);
          cv::mixChannels(&a, 1, &aAll, 1, toAll, 4);
          cv::multiply(a, aColour, pa, 1.0 / 255);
          cv::multiply(b, bColour, pb, 1.0 / 255);
          cv::subtract(cv::Scalar::all(255), aAll, aAll);
          cv::multiply(pb, aAll, pb, 1.0 / 255);
          cv::add(pa, pb, cvDst);
        });
  });
}
