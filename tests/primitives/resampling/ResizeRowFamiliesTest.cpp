// The resize row routines that the drivers reach only through their fused kernels, called by
// name: each super-sampling row kernel with the values the super-sampling driver hands over,
// and the Lanczos row pass without edge handling with the source rows of the Lanczos kernel
// without edge handling, must give those paths' bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <type_traits>
#include <vector>

#include "primitives/resampling/ResizeKernels.h"
#include "primitives/resampling/ResizeSuper.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"
#include "tests/primitives/resampling/LanczosCall.h"

namespace {

using imagetest::GuardedImage;
using namespace builtin::resize;

// Random samples; floats from a range of values with a few fraction bits.
void Randomize(imagetest::GuardedPlanes& image, std::mt19937& rng, int type) {
  for (int k = 0; k < image.count(); ++k) {
    GuardedImage& p = image[k];
    p.Randomize(rng);
    if (type != kType32f) continue;
    for (int y = 0; y < p.height(); ++y)
      for (int i = 0; i < p.rowBytes(); i += 4) {
        const float f = static_cast<float>(rng() % 65536) / 16.0f - 100.0f;
        std::memcpy(p.row(y) + i, &f, 4);
      }
  }
}

// The super-sampling row kernel of a type and form (0 generic, 1 one plane, 2 four channels).
IppStatus SuperRows(int type, int form, const uint8_t* s0, uint8_t* d0, int srcStep,
                    int dstStep, int columns, int rows, int dstWidth, int dstHeight,
                    double xRatio, double yRatio, double scale, int pixelStride, int mode) {
  using namespace builtin;
  const auto call = [&](auto generic, auto plane, auto four, auto* element) {
    using T = std::remove_pointer_t<decltype(element)>;
    const T* s = reinterpret_cast<const T*>(s0);
    T* d = reinterpret_cast<T*>(d0);
    if (form == 0)
      return generic(s, d, srcStep, dstStep, columns, rows, dstWidth, dstHeight, xRatio, yRatio,
                     scale, pixelStride, mode);
    return (form == 1 ? plane : four)(s, d, srcStep, dstStep, columns, rows, dstWidth, dstHeight,
                                      xRatio, yRatio, scale, mode);
  };
  if (type == kType8u)
    return call(fbResizeSuperRowsGeneric8u, fbResizeSuperRowsPlane8u, fbResizeSuperRowsFour8u,
                static_cast<Ipp8u*>(nullptr));
  if (type == kType16u)
    return call(fbResizeSuperRowsGeneric16u, fbResizeSuperRowsPlane16u, fbResizeSuperRowsFour16u,
                static_cast<Ipp16u*>(nullptr));
  return call(fbResizeSuperRowsGeneric32f, fbResizeSuperRowsPlane32f, fbResizeSuperRowsFour32f,
              static_cast<Ipp32f*>(nullptr));
}

// The Lanczos row pass without edge handling of C values per column, by element type.
void UnclampedRowPass(int type, int C, const uint8_t* r, ptrdiff_t P, const ptrdiff_t* offsets,
                      const float* weights, float* work, int width) {
  const auto pass = [&](auto* element) {
    using T = std::remove_pointer_t<decltype(element)>;
    if (C == 1) fbLanczosRowPassUnclamped<T, 1>(r, P, offsets, weights, work, width);
    else if (C == 3) fbLanczosRowPassUnclamped<T, 3>(r, P, offsets, weights, work, width);
    else fbLanczosRowPassUnclamped<T, 4>(r, P, offsets, weights, work, width);
  };
  if (type == kType8u) pass(static_cast<uint8_t*>(nullptr));
  else if (type == kType16u) pass(static_cast<uint16_t*>(nullptr));
  else pass(static_cast<float*>(nullptr));
}

void LanczosColumns(int type, uint8_t* d, int count, const float* weights,
                    const float* const (&rows)[6], bool threeIntoFour) {
  if (type == kType8u)
    fbLanczosColumnPass<uint8_t>(d, count, weights, rows, threeIntoFour, VectorLanczosColumn8u());
  else if (type == kType16u)
    fbLanczosColumnPass<uint16_t>(d, count, weights, rows, threeIntoFour);
  else
    fbLanczosColumnPass<float>(d, count, weights, rows, threeIntoFour);
}

enum Family { kSuper, kLanczosUnclamped };

struct Case {
  Family family;
  int type, channels, pixelStride;
  bool planar;
  IppiSize src;   // super: the source image; Lanczos: the region inside a 3-pixel margin
  IppiRect roi;   // super only
  IppiSize dst;   // super: the destination size requested; Lanczos: the destination size
  double xf = 0, yf = 0;  // super only
};

// Super sampling: the driver's result and the row kernel's for the values the driver computes
// (the clipped region, destination sides, ratios, scale, accumulator columns, ratio mode).
void ExpectSuperRowsLikeTheDriver(const Case& c, std::mt19937& rng) {
  const int e = ElementBytes(c.type);
  const int pixel = c.planar ? 1 : c.pixelStride;
  const int planes = c.planar ? (c.channels == 3 ? 3 : 4) : 1;
  imagetest::GuardedPlanes src(planes, c.src.width, c.src.height, pixel * e);
  Randomize(src, rng, c.type);
  imagetest::GuardedPlanes byDriver(planes, c.dst.width, c.dst.height, pixel * e),
      byRows(planes, c.dst.width, c.dst.height, pixel * e);
  byDriver.FillRegion(0x5a);
  byRows.FillRegion(0x5a);
  const void* srcArg = c.planar ? static_cast<const void*>(src.pointers()) : src[0].data();
  void* dstArg = c.planar ? static_cast<void*>(byDriver.pointers()) : byDriver[0].data();
  ASSERT_EQ(builtin::fbResizeSuperEngine(srcArg, c.src, src.step(), c.roi, dstArg, byDriver.step(),
                                         c.dst, c.xf, c.yf, c.pixelStride, c.channels, c.type,
                                         c.planar ? 1 : 0),
            ippStsNoErr);
  const int W = std::min(c.roi.width, c.src.width - c.roi.x);
  const int H = std::min(c.roi.height, c.src.height - c.roi.y);
  // The cases keep factor x side at least 1, so no side is forced to 1.
  const int dstWidth = std::min(c.dst.width, static_cast<int>(std::trunc(c.xf * W + 1e-07)));
  const int dstHeight = std::min(c.dst.height, static_cast<int>(std::trunc(c.yf * H + 1e-07)));
  ASSERT_GE(dstWidth, 1);
  ASSERT_GE(dstHeight, 1);
  const double xRatio = 1.0 / c.xf, yRatio = 1.0 / c.yf, scale = c.xf * c.yf;
  const int columns = static_cast<int>(
      std::min<double>(std::trunc((dstWidth + 1.0) * xRatio) + 1.0, W));
  const int mode = 2 * (xRatio != std::trunc(xRatio)) + (yRatio != std::trunc(yRatio));
  const int form = c.planar || c.channels == 1 ? 1 : c.channels == 4 ? 2 : 0;
  for (int k = 0; k < planes; ++k) {
    const uint8_t* s0 = src[k].at(c.roi.x, c.roi.y);
    ASSERT_EQ(SuperRows(c.type, form, s0, byRows[k].data(), src.step(), byRows.step(), columns,
                        H, dstWidth, dstHeight, xRatio, yRatio, scale, c.pixelStride, mode),
              ippStsNoErr);
  }
  EXPECT_EQ(byRows.Region(), byDriver.Region());
  EXPECT_TRUE(byRows.OutsideUntouched());
}

// Lanczos without edge handling: the kernel's result, and the row pass of each window row
// followed by the column pass, from the same tables, on a source with a 3-pixel margin.
void ExpectUnclampedRowPassLikeTheKernel(const Case& c, std::mt19937& rng) {
  const int e = ElementBytes(c.type);
  const int W = c.src.width, H = c.src.height, dW = c.dst.width, dH = c.dst.height;
  imagetest::GuardedPlanes source(1, W + 6, H + 6, c.pixelStride * e);
  Randomize(source, rng, c.type);
  GuardedImage& src = source[0];
  resizemodel::LanczosTables tables(dW, dH);
  auto& [rowIndex, colOffsets, rowW, colW, work] = tables;
  std::vector<float> rowFrac(dH), colFrac(dW);
  const int P = c.channels == 1 ? 1 : c.channels == 3 ? c.pixelStride : 4;
  for (int i = 0; i < dH; ++i) {
    const double p = (i + 0.5) * H / dH - 0.5;
    rowIndex[i] = static_cast<int32_t>(std::max(p, 0.0));
    rowFrac[i] = static_cast<float>(p - rowIndex[i]);
  }
  for (int j = 0; j < dW; ++j) {
    const double p = (j + 0.5) * W / dW - 0.5;
    const int x = static_cast<int>(std::max(p, 0.0));
    colOffsets[j] = static_cast<ptrdiff_t>(x) * P;
    colFrac[j] = static_cast<float>(p - x);
  }
  fbResizeLanczosWeights(colFrac.data(), dW, colW.data());
  fbResizeLanczosWeights(rowFrac.data(), dH, rowW.data());
  const int C = c.channels;
  const bool threeIntoFour = c.channels == 3 && c.pixelStride == 4;
  GuardedImage byKernel(dW, dH, c.pixelStride * e), byRows(dW, dH, c.pixelStride * e);
  byKernel.FillRegion(0x5a);
  byRows.FillRegion(0x5a);
  const ResizeKernelArgs a = resizemodel::LanczosArgs(tables, src.at(3, 3), src.step(), W, H,
                                                      byKernel.data(), byKernel.step(), dW, dH,
                                                      c.pixelStride, c.channels);
  const int group = c.channels == 1 ? kLanczosUnclampedOne : kLanczosUnclampedGeneric;
  fbResizeKernelTable[3 * group + c.type](a);

  std::vector<std::vector<float>> windowRows(6, std::vector<float>(static_cast<size_t>(dW) * C));
  for (int i = 0; i < dH; ++i) {
    for (int m = 0; m < 6; ++m)
      UnclampedRowPass(c.type, C, a.src + (rowIndex[i] - 2 + m) * a.srcStep, P, colOffsets.data(),
                       colW.data(), windowRows[m].data(), dW);
    const float* const window[6] = {windowRows[0].data(), windowRows[1].data(),
                                    windowRows[2].data(), windowRows[3].data(),
                                    windowRows[4].data(), windowRows[5].data()};
    LanczosColumns(c.type, byRows.row(i), threeIntoFour ? dW : dW * C,
                   rowW.data() + 6 * i, window, threeIntoFour);
  }
  EXPECT_EQ(byRows.Region(), byKernel.Region());
  EXPECT_TRUE(byKernel.OutsideUntouched());
}

TEST(ResizeRowFamilies, EveryMemberGivesTheBytesOfThePathThatRuns) {
  // Super: every type with one plane, four channels, three channels (pixels of 3 and of 4
  // elements) and planar images; whole, fractional and mixed ratios; odd sides; regions inside
  // the image and clipped at its edges.
  const Case super[] = {
      {kSuper, kType8u, 1, 1, false, {23, 13}, {0, 0, 23, 13}, {11, 6}, 0.5, 0.5},
      {kSuper, kType8u, 4, 4, false, {37, 21}, {2, 1, 31, 19}, {20, 20}, 0.25, 0.25},
      {kSuper, kType8u, 3, 3, false, {29, 17}, {1, 2, 40, 40}, {30, 30}, 0.3, 0.7},
      {kSuper, kType8u, 3, 4, false, {31, 9}, {0, 0, 31, 9}, {25, 5}, 0.8, 0.5},
      {kSuper, kType8u, 3, 3, true, {19, 15}, {3, 0, 16, 15}, {9, 9}, 0.55, 0.45},
      {kSuper, kType8u, 4, 4, false, {25, 17}, {0, 0, 25, 17}, {6, 11}, 0.25, 0.7},
      {kSuper, kType16u, 1, 1, false, {27, 11}, {0, 1, 27, 10}, {13, 13}, 0.49, 1.0 / 3},
      {kSuper, kType16u, 4, 4, false, {21, 21}, {0, 0, 21, 21}, {7, 7}, 1.0 / 3, 1.0 / 3},
      {kSuper, kType16u, 3, 4, false, {17, 23}, {1, 1, 16, 22}, {5, 12}, 0.3, 0.5},
      {kSuper, kType16u, 4, 4, true, {15, 13}, {0, 0, 15, 13}, {15, 13}, 0.6, 0.9},
      {kSuper, kType32f, 1, 1, false, {33, 7}, {5, 0, 28, 7}, {9, 3}, 0.3, 0.4},
      {kSuper, kType32f, 4, 4, false, {19, 19}, {0, 0, 19, 19}, {9, 6}, 0.5, 1.0 / 3},
      {kSuper, kType32f, 3, 3, false, {25, 11}, {2, 3, 30, 30}, {7, 4}, 0.3, 0.5},
      {kSuper, kType32f, 3, 3, true, {17, 9}, {0, 0, 17, 9}, {8, 4}, 0.5, 0.5},
      {kSuper, kType32f, 3, 4, false, {15, 19}, {0, 0, 15, 19}, {7, 5}, 0.5, 0.3},
  };
  // Lanczos: every type with one, three (pixels of 3 and of 4 elements) and four channels,
  // shrinking and enlarging, odd widths.
  const Case lanczos[] = {
      {kLanczosUnclamped, kType8u, 1, 1, false, {11, 9}, {}, {17, 6}},
      {kLanczosUnclamped, kType8u, 3, 3, false, {21, 7}, {}, {13, 9}},
      {kLanczosUnclamped, kType8u, 3, 4, false, {9, 9}, {}, {23, 5}},
      {kLanczosUnclamped, kType8u, 4, 4, false, {40, 5}, {}, {33, 7}},
      {kLanczosUnclamped, kType16u, 1, 1, false, {13, 11}, {}, {7, 13}},
      {kLanczosUnclamped, kType16u, 3, 4, false, {11, 9}, {}, {19, 4}},
      {kLanczosUnclamped, kType16u, 4, 4, false, {8, 8}, {}, {1, 3}},
      {kLanczosUnclamped, kType32f, 1, 1, false, {17, 5}, {}, {31, 8}},
      {kLanczosUnclamped, kType32f, 3, 3, false, {12, 12}, {}, {5, 15}},
      {kLanczosUnclamped, kType32f, 4, 4, false, {7, 10}, {}, {11, 6}},
  };
  std::vector<Case> cases(std::begin(super), std::end(super));
  cases.insert(cases.end(), std::begin(lanczos), std::end(lanczos));
  imagetest::ForEachVectorTarget([&] {
    std::mt19937 rng(61);
    for (size_t n = 0; n < cases.size(); ++n) {
      SCOPED_TRACE(testing::Message() << "case " << n);
      if (cases[n].family == kSuper) ExpectSuperRowsLikeTheDriver(cases[n], rng);
      else ExpectUnclampedRowPassLikeTheKernel(cases[n], rng);
    }
  });
}

}  // namespace
