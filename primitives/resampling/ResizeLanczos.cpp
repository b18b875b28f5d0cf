// The Lanczos sample table, weight builder and work-row copy.
#include <cmath>
#include <numbers>

#include "primitives/resampling/ResizeKernels.h"
#include "primitives/support/Support.h"

namespace builtin::resize {
namespace {

std::array<float, 301> MakeLanczos3Samples() {
  std::array<float, 301> s{};
  s[0] = 1.0f;
  for (int k = 1; k <= 300; ++k) {
    if (k % 100 == 0) continue;  // the window's zeros, exactly
    const double x = std::numbers::pi * k / 100.0;
    s[k] = static_cast<float>(3.0 * std::sin(x) * std::sin(x / 3.0) / (x * x));
  }
  return s;
}

}  // namespace

const std::array<float, 301> fbLanczos3Samples = MakeLanczos3Samples();

void fbResizeLanczosWeights(const float* fractions, int32_t count, float* weights) {
  const float* S = fbLanczos3Samples.data();
  for (int32_t i = 0; i < count; ++i) {
    float* w = weights + 6 * static_cast<ptrdiff_t>(i);
    double d = -2.0 - static_cast<double>(fractions[i]);
    double sum = 0.0;
    for (int j = 0; j < 6; ++j, d += 1.0) {
      if (d <= -3.0 || d >= 3.0) {
        w[j] = 0.0f;
        continue;
      }
      const double m = 100.0 * std::fabs(d);
      const int k = static_cast<int>(m);
      const double v = S[k] + (m - k) * (static_cast<double>(S[k + 1]) - S[k]);
      w[j] = static_cast<float>(v);
      sum += v;
    }
    for (int j = 0; j < 6; ++j) w[j] = static_cast<float>(w[j] / sum);
  }
}

IppStatus fbCopy32f(const float* src, float* dst, int32_t n) {
  if (!src || !dst) return ippStsNullPtrErr;
  if (n <= 0) return ippStsSizeErr;
  fbCopyBytes(src, dst, int64_t{n} * 4);
  return ippStsNoErr;
}

}  // namespace builtin::resize
