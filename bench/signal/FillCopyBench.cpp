// Fills, copies and conversions of vectors beside cv::Mat's setTo, copyTo and convertTo on one
// row. Vectors shorter than 64 Ki elements are timed several calls at a time (Row::Repeats).
#include <opencv2/core.hpp>

#include <cmath>

#include "bench/common/BenchTable.h"
#include "primitives/signal/FillCopy.h"

namespace {

constexpr int kPerSample = 1 << 16;

// A ramp of both signs, with fractions, of the row's length.
cv::Mat Ramp(const bench::Row& r) {
  cv::Mat v(1, r.Length(), CV_64F);
  for (int i = 0; i < r.Length(); ++i) v.at<double>(i) = (i - r.Length() / 2) * 0.37;
  return v;
}

}  // namespace

PF_BENCH_TABLE(FillCopy) {
  table.Sizes(bench::Lengths({4096, 1 << 16, 1 << 20}));
  table.Add("Copy_64f", [](bench::Row& r) {
    const cv::Mat src = Ramp(r);
    cv::Mat dst(1, r.Length(), CV_64F), cvDst(1, r.Length(), CV_64F);
    r.Compare([&] { builtin::ippsCopy_64f(src.ptr<Ipp64f>(), dst.ptr<Ipp64f>(), r.Length()); },
              [&] { src.copyTo(cvDst); }, r.Repeats(kPerSample));
  });
  table.Add("Set_32s", [](bench::Row& r) {
    cv::Mat dst(1, r.Length(), CV_32S), cvDst(1, r.Length(), CV_32S);
    r.Compare([&] { builtin::ippsSet_32s(7, dst.ptr<Ipp32s>(), r.Length()); },
              [&] { cvDst.setTo(7); }, r.Repeats(kPerSample));
  });
  // Rounded to nearest; OpenCV's conversion scaled by 2^-sf.
  table.Add("Convert_64f32s_Sfs",
            [](bench::Row& r) {
              const cv::Mat src = Ramp(r);
              cv::Mat dst(1, r.Length(), CV_32S), cvDst(1, r.Length(), CV_32S);
              const double scale = std::ldexp(1.0, -r.Param());
              r.Compare(
                  [&] {
                    builtin::ippsConvert_64f32s_Sfs(src.ptr<Ipp64f>(), dst.ptr<Ipp32s>(),
                                                    r.Length(), ippRndNear, r.Param());
                  },
                  [&] { src.convertTo(cvDst, CV_32S, scale); }, r.Repeats(kPerSample));
            },
            {{"sf:0", 0}, {"sf:3", 3}});
  // The exact widenings beside convertTo.
  table.Add("Convert_32s64f", [](bench::Row& r) {
    cv::Mat src;
    Ramp(r).convertTo(src, CV_32S);
    cv::Mat dst(1, r.Length(), CV_64F), cvDst(1, r.Length(), CV_64F);
    r.Compare(
        [&] { builtin::ippsConvert_32s64f(src.ptr<Ipp32s>(), dst.ptr<Ipp64f>(), r.Length()); },
        [&] { src.convertTo(cvDst, CV_64F); }, r.Repeats(kPerSample));
  });
  table.Add("Convert_32f64f", [](bench::Row& r) {
    cv::Mat src;
    Ramp(r).convertTo(src, CV_32F);
    cv::Mat dst(1, r.Length(), CV_64F), cvDst(1, r.Length(), CV_64F);
    r.Compare(
        [&] { builtin::ippsConvert_32f64f(src.ptr<Ipp32f>(), dst.ptr<Ipp64f>(), r.Length()); },
        [&] { src.convertTo(cvDst, CV_64F); }, r.Repeats(kPerSample));
  });
  table.Add("Convert_64f32f", [](bench::Row& r) {
    const cv::Mat src = Ramp(r);
    cv::Mat dst(1, r.Length(), CV_32F), cvDst(1, r.Length(), CV_32F);
    r.Compare(
        [&] { builtin::ippsConvert_64f32f(src.ptr<Ipp64f>(), dst.ptr<Ipp32f>(), r.Length()); },
        [&] { src.convertTo(cvDst, CV_32F); }, r.Repeats(kPerSample));
  });
}
