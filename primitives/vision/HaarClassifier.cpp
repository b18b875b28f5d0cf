#include "primitives/vision/HaarClassifier.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

// The head of a classifier state. The feature and rectangle tables follow in the same block,
// at the byte offsets recorded here.
struct IppiHaarClassifier_32f {
  int32_t featureCount;
  int32_t rectCount;
  int32_t twoRectFeatures;        // features of two rectangles, stored first
  int32_t twoOrThreeRectFeatures; // features of two or three rectangles, stored before the rest
  int64_t featureOffset;
  int64_t rectOffset;
};

namespace builtin {
namespace {

struct THaarFeature {
  int32_t rectCount;
  int32_t firstRect;  // index of its first rectangle in the rectangle table
  float threshold;
  float val1;
  float val2;
  int32_t inputPosition;
};

// The corners (x, y) in the order bottom-right, bottom-left, top-right, top-left: the
// rectangle's sum is S(0) - S(1) - S(2) + S(3).
struct THaarRect {
  int32_t corner[4][2];
  float weight;
};

static_assert(sizeof(THaarFeature) == 24 && sizeof(THaarRect) == 36);

THaarFeature* Features(IppiHaarClassifier_32f* state) {
  return reinterpret_cast<THaarFeature*>(reinterpret_cast<char*>(state) + state->featureOffset);
}
THaarRect* Rects(IppiHaarClassifier_32f* state) {
  return reinterpret_cast<THaarRect*>(reinterpret_cast<char*>(state) + state->rectOffset);
}

// The three groups of the stored order.
enum class TGroup { Two, Three, Other };
bool InGroup(int rectCount, TGroup g) {
  if (g == TGroup::Two) return rectCount == 2;
  if (g == TGroup::Three) return rectCount == 3;
  return rectCount != 2 && rectCount != 3;
}

bool MakeRect(const IppiRect& r, float weight, THaarRect& out) {
  if (r.x < 0 || r.y < 0 || r.width < 1 || r.height < 1) return false;
  const int64_t right = int64_t{r.x} + r.width, bottom = int64_t{r.y} + r.height;
  if (right > std::numeric_limits<int32_t>::max() || bottom > std::numeric_limits<int32_t>::max()) return false;
  const auto x1 = static_cast<int32_t>(right), y1 = static_cast<int32_t>(bottom);
  out = THaarRect{{{x1, y1}, {r.x, y1}, {x1, r.y}, {r.x, r.y}}, weight};
  return true;
}

}  // namespace

IppStatus ippiHaarClassifierInitAlloc_32f(IppiHaarClassifier_32f** pState, const IppiRect* pFeature,
                                          const Ipp32f* pWeight, const Ipp32f* pThreshold,
                                          const Ipp32f* pVal1, const Ipp32f* pVal2, const int* pNum,
                                          int length) {
  if (!pState || !pFeature || !pWeight || !pThreshold || !pVal1 || !pVal2 || !pNum) return ippStsNullPtrErr;
  if (length < 0) return ippStsSizeErr;
  // The caller's arrays may start at any address: their elements are read through Load.
  const uint8_t* const num = rows::Bytes(pNum);
  const auto count = [num](int64_t i) { return rows::Load<int>(num, i); };
  int64_t rects = 0;
  for (int i = 0; i < length; ++i) {
    if (count(i) < 1) return ippStsSizeErr;
    rects += count(i);
  }
  // Rectangle indexes are 32-bit; a state beyond them could not be allocated anyway.
  if (rects > std::numeric_limits<int32_t>::max()) return ippStsMemAllocErr;
  const int64_t featureOffset = sizeof(IppiHaarClassifier_32f);
  const int64_t rectOffset = featureOffset + int64_t{length} * int64_t{sizeof(THaarFeature)};
  const int64_t bytes = rectOffset + rects * int64_t{sizeof(THaarRect)};
  auto* state = static_cast<IppiHaarClassifier_32f*>(fbAlignedAlloc8(bytes));
  if (!state) return ippStsMemAllocErr;
  *state = IppiHaarClassifier_32f{length, static_cast<int32_t>(rects), 0, 0, featureOffset, rectOffset};

  THaarFeature* features = Features(state);
  THaarRect* table = Rects(state);
  int32_t stored = 0, storedRects = 0;
  for (TGroup group : {TGroup::Two, TGroup::Three, TGroup::Other}) {
    int64_t inputRect = 0;  // the first rectangle of feature i in the input arrays
    for (int i = 0; i < length; inputRect += count(i), ++i) {
      if (!InGroup(count(i), group)) continue;
      features[stored++] = THaarFeature{count(i), storedRects,
                                        rows::Load<Ipp32f>(rows::Bytes(pThreshold), i),
                                        rows::Load<Ipp32f>(rows::Bytes(pVal1), i),
                                        rows::Load<Ipp32f>(rows::Bytes(pVal2), i), i};
      for (int k = 0; k < count(i); ++k) {
        if (!MakeRect(rows::Load<IppiRect>(rows::Bytes(pFeature), inputRect + k),
                      rows::Load<Ipp32f>(rows::Bytes(pWeight), inputRect + k),
                      table[storedRects++])) {
          fbAlignedFree(state);
          *pState = nullptr;
          return ippStsBadArgErr;
        }
      }
    }
    if (group == TGroup::Two) state->twoRectFeatures = stored;
    if (group == TGroup::Three) state->twoOrThreeRectFeatures = stored;
  }
  *pState = state;
  return ippStsNoErr;
}

IppStatus ippiHaarClassifierFree_32f(IppiHaarClassifier_32f* pState) {
  if (!pState) return ippStsNullPtrErr;
  fbAlignedFree(pState);
  return ippStsNoErr;
}

IppStatus ippiApplyHaarClassifier_32f_C1R(const Ipp32f* pSrc, int srcStep, const Ipp32f* pNorm,
                                          int normStep, Ipp8u* pMask, int maskStep, IppiSize roiSize,
                                          int* pPositive, Ipp32f threshold,
                                          IppiHaarClassifier_32f* pState) {
  if (!pSrc || !pNorm || !pMask || !pPositive || !pState) return ippStsNullPtrErr;
  if (rows::BadSize(roiSize)) return ippStsSizeErr;
  const int64_t floatRow = int64_t{4} * roiSize.width;
  if (srcStep < floatRow || normStep < floatRow || maskStep < roiSize.width) return ippStsStepErr;
  if (srcStep % 4 != 0 || normStep % 4 != 0) return ippStsNotEvenStepErr;
  // The positive pixels are counted in an int: a region of more pixels than it holds is a size
  // this cannot count (such a region's integral image alone passes 8 GiB). Refused after the
  // argument checks, which decide first.
  if (int64_t{roiSize.width} * roiSize.height > std::numeric_limits<int>::max())
    return ippStsSizeErr;

  // Each corner as an element offset from the pixel in the integral image.
  const int64_t rectCount = pState->rectCount;
  auto* offsets = static_cast<int64_t*>(fbAlignedAlloc64(std::max<int64_t>(4 * rectCount, 1)));
  if (!offsets) return ippStsMemAllocErr;
  const THaarRect* rects = Rects(pState);
  const int64_t rowElements = srcStep / 4;
  for (int64_t r = 0; r < rectCount; ++r)
    for (int k = 0; k < 4; ++k) offsets[4 * r + k] = rects[r].corner[k][1] * rowElements + rects[r].corner[k][0];

  const THaarFeature* features = Features(pState);
  const int32_t featureCount = pState->featureCount;
  int positive = 0;
  for (int32_t y = 0; y < roiSize.height; ++y) {
    const uint8_t* src = rows::Row(pSrc, srcStep, y);
    const uint8_t* norm = rows::Row(pNorm, normStep, y);
    uint8_t* mask = rows::Row(pMask, maskStep, y);
    for (ptrdiff_t x = 0; x < roiSize.width; ++x) {
      if (mask[x] == 0) continue;
      const long double pixelNorm = rows::Load<float>(norm, x);
      const auto at = [&](int64_t offset) -> long double { return rows::Load<float>(src, x + offset); };
      long double total = 0.0L;
      for (int32_t f = 0; f < featureCount; ++f) {
        const THaarFeature& feature = features[f];
        long double value = 0.0L;
        for (int32_t r = feature.firstRect; r < feature.firstRect + feature.rectCount; ++r) {
          const int64_t* o = offsets + 4 * int64_t{r};
          const long double sum = at(o[0]) - at(o[1]) - at(o[2]) + at(o[3]);
          value += sum * rects[r].weight;
        }
        total += value >= pixelNorm * feature.threshold ? feature.val2 : feature.val1;
      }
      if (total >= threshold)
        ++positive;
      else
        mask[x] = 0;
    }
  }
  fbAlignedFree(offsets);
  *pPositive = positive;
  return ippStsNoErr;
}

}  // namespace builtin
