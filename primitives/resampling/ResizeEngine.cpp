// The general resize driver and its kernel table.
#include "primitives/resampling/ResizeEngine.h"

#include <cmath>
#include <cstddef>
#include <utility>

#include "primitives/resampling/ResizeKernels.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace resize {
namespace {

template <int32_t kType>
using ElementOf = std::conditional_t<kType == kType8u, uint8_t,
                                     std::conditional_t<kType == kType16u, uint16_t, float>>;

template <int32_t kGroup, int32_t kType>
constexpr fbResizeKernel Entry() {
  using T = ElementOf<kType>;
  constexpr int32_t kForm = kGroup == kNearestFour ? kFour
                            : (kGroup == kNearestOne || kGroup == kLinearOne || kGroup == kCubicOne ||
                               kGroup == kLanczosOne || kGroup == kLanczosUnclampedOne)
                                ? kOne
                                : kGeneric;
  if constexpr (kGroup <= kNearestFour) return &fbResizeNearestRows<T, kForm>;
  else if constexpr (kGroup <= kLinearOne) return &fbResizeLinearRows<T, kForm>;
  else if constexpr (kGroup <= kCubicOne) return &fbResizeCubicRows<T, kForm>;
  else if constexpr (kGroup <= kLanczosOne) return &fbResizeLanczosRows<T, kForm>;
  else return &fbResizeLanczosRowsUnclamped<T, kForm>;
}

template <size_t... I>
constexpr std::array<fbResizeKernel, sizeof...(I)> MakeTable(std::index_sequence<I...>) {
  return {Entry<static_cast<int32_t>(I / 3), static_cast<int32_t>(I % 3)>()...};
}

}  // namespace

const std::array<fbResizeKernel, 3 * kGroupCount> fbResizeKernelTable =
    MakeTable(std::make_index_sequence<3 * kGroupCount>());

namespace {

constexpr double kEpsilon = 1e-7;

bool KnownInterpolation(int32_t m) {
  return m == IPPI_INTER_NN || m == IPPI_INTER_LINEAR || m == IPPI_INTER_CUBIC ||
         m == IPPI_INTER_LANCZOS;
}

int32_t Downgrade(int32_t method, IppiSize srcSize) {
  const int32_t small = std::min(srcSize.width, srcSize.height);
  if (method == IPPI_INTER_LANCZOS && small < 8) method = IPPI_INTER_CUBIC;
  if (method == IPPI_INTER_CUBIC && small < 4) method = IPPI_INTER_LINEAR;
  if (small < 2) method = IPPI_INTER_NN;
  return method;
}

// The destination side for a clipped region side and its factor: the request when the product
// reaches it, the truncated product otherwise, 1 for a product in [0.5, 1); 0 means -201.
int32_t DestinationSide(int32_t requested, int32_t side, double factor) {
  const double product = factor * side + kEpsilon;
  if (product >= static_cast<double>(requested)) return requested;
  const int64_t n = static_cast<int64_t>(product);
  if (n > 0) return static_cast<int32_t>(n);
  return product >= 0.5 ? 1 : 0;
}

// One axis's sampling: for destination index i the stored source index s[i] (region-relative)
// and the fraction relative to it, handed to store(i, s, fraction, atLast).
struct Axis {
  int32_t method;
  int32_t side;       // clipped region side W
  double factor;
  int32_t count;      // destination side
  int32_t origin;     // region origin in the image
  int32_t imageSide;  // whole image side
};

template <typename Store>
void Sample(const Axis& ax, Store&& store) {
  double p, step;
  if (ax.method == IPPI_INTER_NN) {
    step = 1.0 / ax.factor;
    p = 0.5 / ax.factor;
  } else {
    const double span = static_cast<double>(ax.side) * ax.factor;
    step = span > 1.0 ? (static_cast<double>(ax.side) - 1.0) / (span - 1.0) : 0.0;
    p = 0.0;
  }
  const int64_t last = static_cast<int64_t>(ax.imageSide) - ax.origin - 1;
  // Nearest stays inside the region; the others never pass the image's last index. That cap
  // guards against a shrink whose product factor x side falls just short of a whole number n,
  // within the 1e-7 that still makes n destination pixels: the step (W - 1) / (W f - 1) then
  // overshoots, and the last position lies up to (W - 1) 1e-7 / (n - 1) beyond the region's
  // last index -- past a whole pixel for a region over 1e7 pixels wide shrunk to a few, which
  // random factors practically never hit.
  const int64_t limit = ax.method == IPPI_INTER_NN ? int64_t{ax.side} - 1 : last;
  for (int32_t i = 0; i < ax.count; ++i, p += step) {
    const double q = p + kEpsilon;
    const int64_t j = q >= static_cast<double>(limit) ? limit : static_cast<int64_t>(q);
    const double fraction = p - static_cast<double>(j);
    switch (ax.method) {
      case IPPI_INTER_NN:
        store(i, j, 0.0, false);
        break;
      case IPPI_INTER_LINEAR:
        if (j == last) store(i, j - 1, 1.0, true);
        else store(i, j, fraction, false);
        break;
      case IPPI_INTER_CUBIC: {
        const int64_t absolute = ax.origin + j;
        if (j == last) store(i, j - 2, 2.0, true);
        else if (absolute == 0) store(i, j + 1, p - static_cast<double>(j + 1), false);
        else if (absolute == int64_t{ax.imageSide} - 2) store(i, j - 1, p - static_cast<double>(j - 1), false);
        else store(i, j, fraction, false);
        break;
      }
      default:
        store(i, j, fraction, false);
        break;
    }
  }
}

// The driver's work blocks, released together on every path.
class Blocks {
 public:
  ~Blocks() {
    for (int32_t k = count_ - 1; k >= 0; --k) fbAlignedFree(blocks_[k]);
  }
  // bytes rounded up to whole 32-bit words; null when the allocator refuses.
  void* Take(int64_t bytes) {
    void* p = fbAlignedAlloc32((bytes + 3) / 4);
    if (p) blocks_[count_++] = p;
    return p;
  }

 private:
  void* blocks_[16] = {};
  int32_t count_ = 0;
};

}  // namespace
}  // namespace resize

IppStatus fbResizeEngine(const void* pSrc, IppiSize srcSize, int32_t srcStep, IppiRect srcRoi,
                         void* pDst, int32_t dstStep, IppiSize dstRoiSize, double xFactor,
                         double yFactor, int32_t pixelStride, int32_t channels, int32_t dataType,
                         int32_t planar, int32_t interpolation) {
  using namespace resize;
  const int32_t planes = planar ? (channels == 3 ? 3 : 4) : 1;
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (planar) {
    for (int32_t k = 0; k < planes; ++k)
      if (!static_cast<const void* const*>(pSrc)[k] || !static_cast<void* const*>(pDst)[k])
        return ippStsNullPtrErr;
  }
  if (srcSize.width <= 0 || srcSize.height <= 0 || srcRoi.x < 0 || srcRoi.y < 0 ||
      srcRoi.width <= 0 || srcRoi.height <= 0)
    return ippStsSizeErr;
  if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return ippStsWrongIntersectROI;
  if (dstRoiSize.width <= 0 || dstRoiSize.height <= 0) return ippStsSizeErr;
  if (!(xFactor > 0.0) || !(yFactor > 0.0)) return ippStsResizeFactorErr;
  if (!KnownInterpolation(interpolation)) return ippStsInterpolationErr;
  if (dataType < 0 || dataType >= kTypeCount ||
      (channels != 1 && channels != 3 && channels != 4) || (!planar && pixelStride < channels))
    return ippStsSizeErr;

  const int32_t method = Downgrade(interpolation, srcSize);
  // Clipping, in 64 bits: x + width may pass INT32_MAX.
  const int32_t W = static_cast<int32_t>(
      std::min<int64_t>(srcRoi.width, int64_t{srcSize.width} - srcRoi.x));
  const int32_t H = static_cast<int32_t>(
      std::min<int64_t>(srcRoi.height, int64_t{srcSize.height} - srcRoi.y));
  const int32_t dstW = DestinationSide(dstRoiSize.width, W, xFactor);
  if (dstW == 0) return ippStsResizeNoOperationErr;
  const int32_t dstH = DestinationSide(dstRoiSize.height, H, yFactor);
  if (dstH == 0) return ippStsResizeNoOperationErr;

  const int32_t elementBytes = ElementBytes(dataType);
  const bool bareColumns = planar || channels == 1;
  const int32_t colStride = bareColumns ? 1 : pixelStride;
  const int32_t C = bareColumns ? 1 : channels == 3 ? 3 : 4;
  const bool q14 = method == IPPI_INTER_LINEAR && dataType != kType32f;

  Blocks blocks;
  auto* rowIndex = static_cast<int32_t*>(blocks.Take(int64_t{dstH} * 4));
  if (!rowIndex) return ippStsMemAllocErr;
  auto* colOffsets = static_cast<ptrdiff_t*>(blocks.Take(int64_t{dstW} * 8));
  if (!colOffsets) return ippStsMemAllocErr;
  void* rowFractions = nullptr;
  void* colFractions = nullptr;
  float* colWeights = nullptr;
  float* rowWeights = nullptr;
  if (method != IPPI_INTER_NN) {
    rowFractions = blocks.Take(int64_t{dstH} * (q14 ? 2 : 4));
    if (!rowFractions) return ippStsMemAllocErr;
    colFractions = blocks.Take(int64_t{dstW} * 4);
    if (!colFractions) return ippStsMemAllocErr;
  }
  if (method == IPPI_INTER_LANCZOS) {
    colWeights = static_cast<float*>(blocks.Take(int64_t{dstW} * 24));
    if (!colWeights) return ippStsMemAllocErr;
    rowWeights = static_cast<float*>(blocks.Take(int64_t{dstH} * 24));
    if (!rowWeights) return ippStsMemAllocErr;
  }
  const int32_t workCount = method == IPPI_INTER_NN       ? 0
                            : method == IPPI_INTER_LINEAR ? 2
                            : method == IPPI_INTER_CUBIC  ? 4
                                                          : 6;
  ResizeKernelArgs args;
  const int64_t workBytes = (int64_t{dstW} + 4) * C * (q14 ? 2 : 4);
  for (int32_t k = 0; k < workCount; ++k) {
    args.work[k] = blocks.Take(workBytes);
    if (!args.work[k]) return ippStsMemAllocErr;
  }

  // The tables.
  const Axis cols{method, W, xFactor, dstW, srcRoi.x, srcSize.width};
  const Axis rows{method, H, yFactor, dstH, srcRoi.y, srcSize.height};
  Sample(cols, [&](int32_t i, int64_t s, double fraction, bool atLast) {
    colOffsets[i] = static_cast<ptrdiff_t>(s) * colStride;
    if (method == IPPI_INTER_NN) return;
    if (q14) {
      const uint16_t a = atLast ? 16384 : static_cast<uint16_t>(static_cast<int32_t>(16384.0 * fraction + kEpsilon));
      static_cast<WeightPair*>(colFractions)[i] = WeightPair{static_cast<uint16_t>(16384 - a), a};
    } else {
      static_cast<float*>(colFractions)[i] = static_cast<float>(fraction);
    }
  });
  Sample(rows, [&](int32_t i, int64_t s, double fraction, bool atLast) {
    rowIndex[i] = static_cast<int32_t>(s);
    if (method == IPPI_INTER_NN) return;
    if (q14)
      static_cast<int16_t*>(rowFractions)[i] =
          atLast ? int16_t{16384} : static_cast<int16_t>(static_cast<int32_t>(16384.0 * fraction + kEpsilon));
    else
      static_cast<float*>(rowFractions)[i] = static_cast<float>(fraction);
  });
  if (method == IPPI_INTER_LANCZOS) {
    fbResizeLanczosWeights(static_cast<const float*>(colFractions), dstW, colWeights);
    fbResizeLanczosWeights(static_cast<const float*>(rowFractions), dstH, rowWeights);
  }

  const int32_t methodGroup = method == IPPI_INTER_NN       ? kNearestGeneric
                              : method == IPPI_INTER_LINEAR ? kLinearGeneric
                              : method == IPPI_INTER_CUBIC  ? kCubicGeneric
                                                            : kLanczosGeneric;
  int32_t group = methodGroup;
  if (bareColumns) group = method == IPPI_INTER_NN ? kNearestOne : methodGroup + 1;
  else if (method == IPPI_INTER_NN && channels == 4) group = kNearestFour;

  args.srcStep = srcStep;
  args.dstStep = dstStep;
  args.dstWidth = dstW;
  args.dstHeight = dstH;
  args.rowIndex = rowIndex;
  args.colOffsets = colOffsets;
  args.rowFractions = rowFractions;
  args.colFractions = colFractions;
  args.rowWeights = rowWeights;
  args.colWeights = colWeights;
  args.roiX = srcRoi.x;
  args.roiY = srcRoi.y;
  args.availWidth = srcSize.width - srcRoi.x;
  args.availHeight = srcSize.height - srcRoi.y;
  args.upscaleRows = yFactor >= 1.0 ? 1 : 0;
  args.pixelStride = planar ? 0 : pixelStride;
  args.channels = planar ? 0 : channels;
  const fbResizeKernel kernel = fbResizeKernelTable[3 * group + dataType];
  const ptrdiff_t rowOrigin = static_cast<ptrdiff_t>(srcRoi.y) * srcStep;
  if (!planar) {
    args.src = static_cast<const uint8_t*>(pSrc) + rowOrigin +
               static_cast<ptrdiff_t>(srcRoi.x) * pixelStride * elementBytes;
    args.dst = static_cast<uint8_t*>(pDst);
    kernel(args);
  } else {
    for (int32_t k = 0; k < planes; ++k) {
      args.src = static_cast<const uint8_t*>(static_cast<const void* const*>(pSrc)[k]) + rowOrigin +
                 static_cast<ptrdiff_t>(srcRoi.x) * elementBytes;
      args.dst = static_cast<uint8_t*>(static_cast<void* const*>(pDst)[k]);
      kernel(args);
    }
  }
  return ippStsNoErr;
}

}  // namespace builtin
