#include "primitives/filters/MorphologyState.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "primitives/support/Support.h"

namespace builtin {

void fbMorphMaskAnalyse(const Ipp8u* pMask, IppiSize ms, IppiPoint anchor, int startCount,
                        fbMorphMaskAnalysis* out) {
  *out = fbMorphMaskAnalysis{};
  const int64_t cells = int64_t{ms.width} * ms.height;
  if (std::all_of(pMask, pMask + cells, [](Ipp8u b) { return b == 0; })) {
    out->kind = kMorphEmpty;
    return;
  }
  out->kind = kMorphGeneral;
  if (ms.height >= 256) return;
  // One run per row at most: its row, start and length.
  int32_t row[256] = {}, start[256] = {}, length[256] = {};
  int runs = 0;
  int missing = startCount;  // runs that do not cover the anchor column
  for (int i = 0; i < ms.height; ++i) {
    const Ipp8u* m = pMask + int64_t{i} * ms.width;
    int j = 0;
    while (j < ms.width && m[j] == 0) ++j;
    if (j == ms.width) continue;
    const int s = j;
    while (j < ms.width && m[j] != 0) ++j;
    const int e = j;
    for (; j < ms.width; ++j)
      if (m[j] != 0) return;  // a second run
    row[runs] = i;
    start[runs] = s;
    length[runs] = e - s;
    if (anchor.x < s || anchor.x >= e) ++missing;
    ++runs;
  }
  if (runs == 0) return;  // not reached: the mask has a nonzero byte
  const int first = row[0], last = row[runs - 1];
  const bool consecutive = last - first + 1 == runs;
  bool sameSpan = true;
  int left = start[0], right = start[0] + length[0];
  for (int k = 0; k < runs; ++k) {
    sameSpan = sameSpan && start[k] == start[0] && length[k] == length[0];
    left = std::min(left, start[k]);
    right = std::max(right, start[k] + length[k]);
  }
  fbMorphMaskDesc& d = out->desc;
  d.width = right - left;
  d.height = last - first + 1;
  d.anchorX = anchor.x - left;
  d.anchorY = anchor.y - first;
  if (consecutive && (runs == 1 || sameSpan)) {
    out->kind = kMorphRectangle;
    return;
  }
  if (missing != 0 || anchor.y < first || anchor.y > last) return;
  // The distinct lengths in descending order, each with the anchor column's offset from the
  // start of its runs; a length met again at another offset makes the mask general.
  int distinct = 0;
  for (int k = 0; k < runs; ++k) {
    const int offset = anchor.x - start[k];
    int at = 0;
    while (at < distinct && out->length[at] > length[k]) ++at;
    if (at < distinct && out->length[at] == length[k]) {
      if (out->lengthAnchor[at] != offset) return;
      continue;
    }
    for (int q = distinct; q > at; --q) {
      out->length[q] = out->length[q - 1];
      out->lengthAnchor[q] = out->lengthAnchor[q - 1];
    }
    out->length[at] = length[k];
    out->lengthAnchor[at] = offset;
    ++distinct;
  }
  for (int k = 0; k < runs; ++k) {
    out->runRow[k] = row[k] - first;
    out->runLengthIndex[k] = static_cast<int32_t>(
        std::find(out->length, out->length + distinct, length[k]) - out->length);
  }
  d.runs = runs;
  d.lengths = distinct;
  out->kind = kMorphRuns;
}

namespace {

// Bytes per pixel: channels times the element's size; 0 for a type or channel count not served.
int64_t PixelBytes(int elementType, int channels) {
  if ((elementType != 1 && elementType != 9) || (channels != 1 && channels != 3 && channels != 4))
    return 0;
  return int64_t{channels} * (elementType == 9 ? 4 : 1);
}

}  // namespace

IppStatus fbMorphRectWorkSize(int elementType, int channels, int regionWidth, int rectWidth,
                              int rectHeight, int64_t* size) {
  if (size == nullptr) return ippStsNullPtrErr;
  if (regionWidth < 1) return ippStsSizeErr;
  if (rectWidth < 1 || rectHeight < 1) return ippStsMaskSizeErr;
  const int64_t b = PixelBytes(elementType, channels), h = rectHeight;
  *size = 16 * h + 2 * h * (regionWidth * b + 32) + 32;
  return ippStsNoErr;
}

IppStatus fbMorphRunsWorkSize(int regionWidth, int, int descHeight, int lengths, int elementType,
                              int channels, int64_t* size) {
  if (size == nullptr) return ippStsNullPtrErr;
  const int64_t b = PixelBytes(elementType, channels), h = descHeight;
  *size = 4 * (5 * h + 1) + (h * lengths + 1) * (regionWidth * b + 32) + 32;
  return ippStsNoErr;
}

IppStatus fbMorphStateBuild(int elementType, int channels, int regionWidth, const Ipp8u* pMask,
                            IppiSize ms, IppiPoint anchor, IppiMorphState** ppState, int* size,
                            int mode, int startCount) {
  const int64_t pixelBytes = PixelBytes(elementType, channels);
  if (elementType != 1 && elementType != 9) return ippStsBadArgErr;
  if (pixelBytes == 0) return ippStsNumChannelsErr;
  if (pMask == nullptr) return ippStsNullPtrErr;
  if (regionWidth < 1 || ms.width < 1 || ms.height < 1) return ippStsSizeErr;
  if (anchor.x < 0 || anchor.x >= ms.width || anchor.y < 0 || anchor.y >= ms.height)
    return ippStsAnchorErr;

  fbMorphMaskAnalysis a;
  fbMorphMaskAnalyse(pMask, ms, anchor, startCount, &a);
  if (mode == 0 ? size == nullptr : ppState == nullptr || (mode == 1 && *ppState == nullptr))
    return ippStsNullPtrErr;

  // The layout: where the description, its arrays, the mask copy and the work area lie.
  const int64_t cells = int64_t{ms.width} * ms.height;
  const int64_t m = (cells + 15) / 16 * 16;
  const fbMorphMaskDesc& d = a.desc;
  int64_t descAt = 0, maskAt = 80, workAt = 0, blockSize = 0, rowBytes = 0, arraysAt = 0;
  switch (a.kind) {
    case kMorphEmpty:
      descAt = 80;
      blockSize = m + 80;
      break;
    case kMorphRectangle: {
      int64_t w1 = 0;
      fbMorphRectWorkSize(elementType, channels, regionWidth, d.width, d.height, &w1);
      descAt = 80;
      maskAt = 112;
      workAt = 112 + m;
      blockSize = m + 112 + w1;
      break;
    }
    case kMorphRuns: {
      int64_t w2 = 0;
      fbMorphRunsWorkSize(regionWidth, d.width, d.height, d.lengths, elementType, channels, &w2);
      descAt = 80;
      arraysAt = 128;
      maskAt = 128 + 8 * int64_t{d.runs} + 8 * int64_t{d.lengths};
      workAt = maskAt + m;
      blockSize = m + 128 + 8 * int64_t{d.runs} + 8 * int64_t{d.lengths} + w2;
      break;
    }
    default:
      // C: B x (R + mask width) + 15 rounded down to a multiple of 16.
      rowBytes = (pixelBytes * (int64_t{regionWidth} + ms.width) + 15) / 16 * 16;
      workAt = 80 + m;
      blockSize = m + 96 + 2 * int64_t{ms.height} * rowBytes;
      break;
  }
  // Sizes are 64-bit; a block the allocator's 32-bit count cannot hold is refused, not wrapped.
  if (blockSize > std::numeric_limits<int32_t>::max()) return ippStsMemAllocErr;
  if (mode == 0) {
    *size = static_cast<int>(blockSize);
    return ippStsNoErr;
  }
  uint8_t* block = mode == 1 ? reinterpret_cast<uint8_t*>(*ppState)
                             : static_cast<uint8_t*>(fbAlignedAlloc8(blockSize));
  if (block == nullptr) return ippStsMemAllocErr;

  auto* h = reinterpret_cast<fbMorphState*>(block);
  *h = fbMorphState{};
  h->maskOffset = static_cast<int32_t>(maskAt);
  h->workOffset = static_cast<int32_t>(workAt);
  h->descOffset = static_cast<int32_t>(descAt);
  h->blockSize = static_cast<int32_t>(blockSize);
  h->elementType = elementType;
  h->channels = channels;
  h->regionWidth = regionWidth;
  h->reserved = -1;
  h->kind = a.kind;
  switch (a.kind) {
    case kMorphEmpty:
      h->width = ms.width;
      h->height = ms.height;
      fbZero8u(block + 80, static_cast<int32_t>(cells));
      break;
    case kMorphGeneral:
      h->maskOffset2 = h->maskOffset3 = h->maskOffset;
      h->width = ms.width;
      h->height = ms.height;
      h->anchorX = anchor.x;
      h->anchorY = anchor.y;
      h->rightOfAnchor = ms.width - anchor.x - 1;
      h->belowAnchor = ms.height - anchor.y - 1;
      h->workRowBytes = static_cast<int32_t>(rowBytes);
      fbCopy8u(pMask, block + maskAt, static_cast<int32_t>(cells));
      break;
    default: {
      h->width = d.width;
      h->height = d.height;
      h->anchorX = d.anchorX;
      h->anchorY = d.anchorY;
      fbMorphMaskDesc desc = d;
      int64_t descBytes = 24;
      if (a.kind == kMorphRuns) {
        descBytes = 48;
        const int64_t k = d.runs, l = d.lengths;
        desc.runRowOffset = static_cast<int32_t>(arraysAt);
        desc.runLengthIndexOffset = static_cast<int32_t>(arraysAt + 4 * k);
        desc.lengthOffset = static_cast<int32_t>(arraysAt + 8 * k);
        desc.lengthAnchorOffset = static_cast<int32_t>(arraysAt + 8 * k + 4 * l);
        fbCopyBytes(a.runRow, block + desc.runRowOffset, 4 * k);
        fbCopyBytes(a.runLengthIndex, block + desc.runLengthIndexOffset, 4 * k);
        fbCopyBytes(a.length, block + desc.lengthOffset, 4 * l);
        fbCopyBytes(a.lengthAnchor, block + desc.lengthAnchorOffset, 4 * l);
      }
      fbCopyBytes(&desc, block + descAt, descBytes);
      fbCopy8u(pMask, block + maskAt, static_cast<int32_t>(cells));
      break;
    }
  }
  *ppState = reinterpret_cast<IppiMorphState*>(block);
  return ippStsNoErr;
}

IppStatus ippiMorphologyInitAlloc_8u_C3R(int roiWidth, const Ipp8u* pMask, IppiSize maskSize,
                                         IppiPoint anchor, IppiMorphState** ppState) {
  return fbMorphStateBuild(1, 3, roiWidth, pMask, maskSize, anchor, ppState, nullptr, 2, 0);
}

IppStatus ippiMorphologyFree(IppiMorphState* pState) {
  if (pState == nullptr) return ippStsNullPtrErr;
  fbAlignedFree(pState);
  return ippStsNoErr;
}

}  // namespace builtin
