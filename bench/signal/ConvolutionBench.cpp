// Convolution and correlation: the direct convolution beside cv::filter2D on a one-row image,
// the transform paths beside the same result computed with FFTW (real forward transforms, the
// spectrum product, one real inverse, plans made once outside the timed loop, one thread).
// Our calls build their transform setup in every call; the transform rows also run on the heap
// as an untuned program has it ("/heap:default"), where per-call memory that went back to the
// system would come back as fresh pages on every call.
#include <fftw3.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <complex>
#include <cstring>

#include "bench/common/BenchTable.h"
#include "primitives/signal/Convolution.h"
#include "primitives/signal/Correlation.h"

namespace {

int PowerOfTwoAtLeast(int n) {
  int p = 1;
  while (p < n) p *= 2;
  return p;
}

// One FFTW product of two zero-padded real signals of N points: out = inverse(X1 op X2) / N,
// with op the product (convolution) or X1 times the conjugate of X2 (correlation).
class FftwProduct {
 public:
  explicit FftwProduct(int n)
      : n_(n),
        a_(fftw_alloc_real(n)),
        b_(fftw_alloc_real(n)),
        fa_(fftw_alloc_complex(n / 2 + 1)),
        fb_(fftw_alloc_complex(n / 2 + 1)) {
    fa2_ = fftw_plan_dft_r2c_1d(n, a_, fa_, FFTW_MEASURE);
    fb2_ = fftw_plan_dft_r2c_1d(n, b_, fb_, FFTW_MEASURE);
    inv_ = fftw_plan_dft_c2r_1d(n, fa_, a_, FFTW_MEASURE);
  }
  ~FftwProduct() {
    fftw_destroy_plan(fa2_);
    fftw_destroy_plan(fb2_);
    fftw_destroy_plan(inv_);
    fftw_free(a_);
    fftw_free(b_);
    fftw_free(fa_);
    fftw_free(fb_);
  }
  // x1 at offset o1 and x2 at offset o2 in zero-padded arrays; out receives count values from
  // position `from` of the inverse.
  void Run(const double* x1, int n1, int o1, const double* x2, int n2, int o2, bool conj,
           double* out, int from, int count, bool same = false) {
    std::fill(a_, a_ + n_, 0.0);
    std::memcpy(a_ + o1, x1, sizeof(double) * n1);
    fftw_execute(fa2_);
    if (!same) {
      std::fill(b_, b_ + n_, 0.0);
      std::memcpy(b_ + o2, x2, sizeof(double) * n2);
      fftw_execute(fb2_);
    }
    const double scale = 1.0 / n_;
    for (int k = 0; k <= n_ / 2; ++k) {
      const std::complex<double> p(fa_[k][0], fa_[k][1]);
      const std::complex<double> q = same ? p : std::complex<double>(fb_[k][0], fb_[k][1]);
      const std::complex<double> r = conj ? p * std::conj(q) : p * q;
      fa_[k][0] = r.real();
      fa_[k][1] = r.imag();
    }
    fftw_execute(inv_);
    for (int k = 0; k < count; ++k) out[k] = a_[from + k] * scale;
  }

 private:
  int n_;
  double *a_, *b_;
  fftw_complex *fa_, *fb_;
  fftw_plan fa2_, fb2_, inv_;
};

}  // namespace

PF_BENCH_TABLE(Convolution) {
  // Direct sums: a 16-tap kernel along a long row.
  table.Sizes(bench::Lengths({65536}));
  table.Add(
      "Conv_64f",
      [](bench::Row& r) {
        const int lb = r.Param();
        const cv::Mat a = r.Image(CV_64F, 1.0, -1.0);
        cv::Mat b(1, lb, CV_64F), flipped, cvDst;
        cv::RNG(7).fill(b, cv::RNG::UNIFORM, -1.0, 1.0);
        cv::flip(b, flipped, 1);
        std::vector<double> dst(static_cast<size_t>(r.Length() + lb - 1));
        r.Compare(
            [&] { builtin::ippsConv_64f(a.ptr<double>(), r.Length(), b.ptr<double>(), lb, dst.data()); },
            [&] {
              cv::filter2D(a, cvDst, CV_64F, flipped, cv::Point(-1, -1), 0, cv::BORDER_CONSTANT);
            });
      },
      {bench::Param{"16:direct", 16}});
  // The transform paths: one transform (similar lengths) and overlap-save (a long input).
  table.Heaps({bench::Heap::kSettled, bench::Heap::kDefault});
  for (int la : {8192, 65536}) {
    const int lb = la == 8192 ? 8192 : 1024;
    table.Sizes(bench::Lengths({la}));
    table.Add(
        "Conv_64f",
        [](bench::Row& r) {
          const int la = r.Length(), lb = r.Param(), len = la + lb - 1;
          const cv::Mat a = r.Image(CV_64F, 1.0, -1.0);
          cv::Mat b(1, lb, CV_64F);
          cv::RNG(7).fill(b, cv::RNG::UNIFORM, -1.0, 1.0);
          std::vector<double> dst(static_cast<size_t>(len)), ref(dst.size());
          FftwProduct fftw(PowerOfTwoAtLeast(len));
          r.Compare(
              [&] { builtin::ippsConv_64f(a.ptr<double>(), la, b.ptr<double>(), lb, dst.data()); },
              [&] {
                fftw.Run(a.ptr<double>(), la, 0, b.ptr<double>(), lb, 0, false, ref.data(), 0, len);
              });
        },
        {bench::Param{std::to_string(lb) + (la == 8192 ? ":fft" : ":overlap-save"), lb}});
  }
}

PF_BENCH_TABLE(Correlation) {
  table.Sizes(bench::Lengths({65536}));
  table.Heaps({bench::Heap::kSettled, bench::Heap::kDefault});
  table.Add(
      "AutoCorr_64f",
      [](bench::Row& r) {
        const int n = r.Length(), lags = r.Param();
        const cv::Mat x = r.Image(CV_64F, 1.0, -1.0);
        std::vector<double> dst(static_cast<size_t>(lags)), ref(dst.size());
        FftwProduct fftw(PowerOfTwoAtLeast(2 * n));
        r.Compare([&] { builtin::ippsAutoCorr_64f(x.ptr<double>(), n, dst.data(), lags); },
                  [&] {
                    fftw.Run(x.ptr<double>(), n, 0, nullptr, 0, 0, true, ref.data(), 0, lags, true);
                  });
      },
      {bench::Param{"lags:4096", 4096}});
  table.Sizes(bench::Lengths({4096}));
  table.Add(
      "CrossCorr_64f",
      [](bench::Row& r) {
        const int n = r.Length(), len = 2 * n - 1;
        const cv::Mat x1 = r.Image(CV_64F, 1.0, -1.0), x2 = r.Image(CV_64F, 1.0, -1.0);
        std::vector<double> dst(static_cast<size_t>(len)), ref(dst.size());
        FftwProduct fftw(PowerOfTwoAtLeast(len));
        // c[L] = sum x1[k] x2[k+L]: x2 shifted by n-1 times the conjugate spectrum of x1.
        r.Compare(
            [&] {
              builtin::ippsCrossCorr_64f(x1.ptr<double>(), n, x2.ptr<double>(), n, dst.data(), len,
                                         -(n - 1));
            },
            [&] {
              fftw.Run(x2.ptr<double>(), n, n - 1, x1.ptr<double>(), n, 0, true, ref.data(), 0, len);
            });
      },
      {bench::Param{"full", 0}});
}
