// Gaussian noise (mean 0, deviation 20) added in place. OpenCV has no noise of this stream: its
// side is what a program writes with OpenCV's calls, cv::randn into a 16-bit image added to the
// picture with saturation.
#include <opencv2/core.hpp>

#include "bench/common/BenchTable.h"
#include "primitives/image/Noise.h"

PF_BENCH_TABLE(Noise) {
  table.Layouts(bench::BothLayouts());
  table.Add("AddRandGauss_Direct_8u_C1IR", [](bench::Row& r) {
    cv::Mat img = r.Image(CV_8UC1), cvImg = r.Like(img);
    cv::Mat noise(img.size(), CV_16SC1);
    unsigned int seed = 1;
    r.Compare(
        [&] {
          builtin::ippiAddRandGauss_Direct_8u_C1IR(img.data, r.Step(img), r.Size(), 0, 20, &seed);
        },
        [&] {
          cv::randn(noise, 0, 20);
          cv::add(cvImg, noise, cvImg, cv::noArray(), CV_8U);
        });
  });
}
