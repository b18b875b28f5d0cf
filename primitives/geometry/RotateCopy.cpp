// The half-turn and quarter-turn copies, generated from one template each over the element
// type and the layout.
#include "primitives/geometry/RotateCopy.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "primitives/geometry/RotateCopyKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/SupportElements.h"

namespace builtin {
namespace {

// Bits is the unsigned type of the element's width: samples move as bit patterns only.
// The written elements of one pixel move as one block of bytes (two or three plain moves).
template <typename Bits, int kPixel, int kWritten>
inline void CopyPixel(const uint8_t* from, uint8_t* to) {
  std::memcpy(to, from, kWritten * sizeof(Bits));
}

// 8u C4 moves a row's pixels as 32-bit words when both of its first addresses are multiples
// of 4, as single bytes otherwise (AC4 never: its fourth byte stays).
template <typename Bits, int kPixel, int kWritten>
inline constexpr bool kWordRows = sizeof(Bits) == 1 && kPixel == 4 && kWritten == 4;

inline bool WordAligned(const void* a, const void* b) {
  return ((reinterpret_cast<uintptr_t>(a) | reinterpret_cast<uintptr_t>(b)) & 3u) == 0;
}

// One destination row of the half turn: pixel j is the source pixel j places left of s.
template <typename Bits, int kPixel, int kWritten>
inline void HalfTurnRow(const uint8_t* s, uint8_t* d, ptrdiff_t width) {
  constexpr ptrdiff_t kBytes = kPixel * static_cast<ptrdiff_t>(sizeof(Bits));
  for (ptrdiff_t j = 0; j < width; ++j)
    CopyPixel<Bits, kPixel, kWritten>(s - j * kBytes, d + j * kBytes);
}

// One-byte samples of pixels of 1 or 3 bytes, every byte written, have a vector row.
template <typename Bits, int kPixel, int kWritten>
inline constexpr bool kVectorHalfRows =
    sizeof(Bits) == 1 && kPixel == kWritten && (kPixel == 1 || kPixel == 3);

template <typename Bits, int kPixel, int kWritten>
void HalfTurn(const void* pSrc, void* pDst, int height, int width, int srcStep, int dstStep,
              int /*direction*/) {
  constexpr ptrdiff_t kBytes = kPixel * static_cast<ptrdiff_t>(sizeof(Bits));
  const auto* src = static_cast<const uint8_t*>(pSrc);
  auto* dst = static_cast<uint8_t*>(pDst);
  rotatecopy::HalfRowFn vector = nullptr;
  if constexpr (kVectorHalfRows<Bits, kPixel, kWritten>) vector = rotatecopy::VectorHalfRow(kPixel);
  for (int i = 0; i < height; ++i) {
    const uint8_t* s = src - static_cast<ptrdiff_t>(srcStep) * i;
    uint8_t* d = dst + static_cast<ptrdiff_t>(dstStep) * i;
    if constexpr (kWordRows<Bits, kPixel, kWritten>) {
      if (WordAligned(s, d)) {
        HalfTurnRow<uint32_t, 1, 1>(s, d, width);
        continue;
      }
    }
    ptrdiff_t j = 0;
    if (vector != nullptr) j = static_cast<ptrdiff_t>(vector(s, d, static_cast<size_t>(width)));
    HalfTurnRow<Bits, kPixel, kWritten>(s - j * kBytes, d + j * kBytes, width - j);
  }
}

// One strip of the quarter turn: destination row i reads one pixel from each of the strip's
// source rows, at column offset i * direction.
template <typename Bits, int kPixel, int kWritten>
inline void QuarterStripRows(const uint8_t* src, uint8_t* dst, int height, int columns,
                             int srcStep, int dstStep, int direction) {
  constexpr ptrdiff_t kBytes = kPixel * static_cast<ptrdiff_t>(sizeof(Bits));
  const ptrdiff_t across = static_cast<ptrdiff_t>(direction) * kBytes;
  for (int i = 0; i < height; ++i) {
    const uint8_t* s = src + across * i;
    uint8_t* d = dst + static_cast<ptrdiff_t>(dstStep) * i;
    for (int j = 0; j < columns; ++j)
      CopyPixel<Bits, kPixel, kWritten>(s + static_cast<ptrdiff_t>(srcStep) * j, d + j * kBytes);
  }
}

// Pixels of 1, 2 or 4 bytes, every byte written, go in square blocks: n = 8 / pixel bytes
// source rows of n pixels each, one 64-bit word per row, transposed in registers into the
// words of n destination rows. Bytes are numbered from the low end of a word.
template <typename Bits, int kPixel, int kWritten>
inline constexpr int kBlockPixel =
    (std::endian::native == std::endian::little && kPixel == kWritten &&
     (kPixel * sizeof(Bits) == 1 || kPixel * sizeof(Bits) == 2 || kPixel * sizeof(Bits) == 4))
        ? kPixel * static_cast<int>(sizeof(Bits))
        : 0;

// One stage of the transpose: swaps the upper unit of word k with the lower unit of word
// k + kSpan, units of kBits bits, for every k whose kSpan bit is clear.
template <int kWords, int kBits, int kSpan>
inline void TransposeStage(uint64_t* r) {
  constexpr uint64_t kMask = kBits == 8 ? 0x00FF00FF00FF00FFull
                             : kBits == 16 ? 0x0000FFFF0000FFFFull
                                           : 0x00000000FFFFFFFFull;
  for (int k = 0; k < kWords; ++k) {
    if ((k & kSpan) != 0) continue;
    const uint64_t t = ((r[k] >> kBits) ^ r[k + kSpan]) & kMask;
    r[k + kSpan] ^= t;
    r[k] ^= t << kBits;
  }
}

// Transposes n x n pixels of kE bytes held in n words: afterwards pixel k of word j is the
// former pixel j of word k. Each stage swaps the off-diagonal halves of 2 x 2 blocks of
// units twice as wide as the last.
template <int kE>
inline void TransposeWords(uint64_t* r) {
  constexpr int n = 8 / kE;
  if constexpr (kE == 1) TransposeStage<n, 8, 1>(r);
  if constexpr (kE <= 2) TransposeStage<n, 16, 2 / kE>(r);
  TransposeStage<n, 32, 4 / kE>(r);
}

// The strip's whole blocks: destination rows [0, rows) and columns [0, columns), both
// multiples of n.
template <int kE>
inline void QuarterBlocks(const uint8_t* src, uint8_t* dst, int rows, int columns, int srcStep,
                          int dstStep, int direction) {
  constexpr int n = 8 / kE;
  for (int i = 0; i < rows; i += n) {
    // The first of the n source pixels that destination rows i .. i + n - 1 read in a row.
    const ptrdiff_t first = (direction > 0 ? i : -static_cast<ptrdiff_t>(i) - (n - 1)) * kE;
    for (int g = 0; g < columns; g += n) {
      uint64_t r[n];
      for (int k = 0; k < n; ++k)
        r[k] = rows::Load<uint64_t>(src + static_cast<ptrdiff_t>(srcStep) * (g + k) + first, 0);
      TransposeWords<kE>(r);
      for (int k = 0; k < n; ++k)
        rows::Store<uint64_t>(dst + static_cast<ptrdiff_t>(dstStep) * (i + k) + g * kE, 0,
                              r[direction > 0 ? k : n - 1 - k]);
    }
  }
}

// A strip, or the part of one that the blocks leave, a destination row at a time.
template <typename Bits, int kPixel, int kWritten>
void QuarterStripRest(const uint8_t* src, uint8_t* dst, int height, int columns, int srcStep,
                      int dstStep, int direction) {
  if constexpr (kWordRows<Bits, kPixel, kWritten>) {
    constexpr ptrdiff_t kBytes = 4;
    for (int i = 0; i < height; ++i) {
      const uint8_t* s = src + static_cast<ptrdiff_t>(direction) * kBytes * i;
      uint8_t* d = dst + static_cast<ptrdiff_t>(dstStep) * i;
      if (WordAligned(s, d))
        QuarterStripRows<uint32_t, 1, 1>(s, d, 1, columns, srcStep, dstStep, direction);
      else
        QuarterStripRows<Bits, kPixel, kWritten>(s, d, 1, columns, srcStep, dstStep, direction);
    }
  } else {
    QuarterStripRows<Bits, kPixel, kWritten>(src, dst, height, columns, srcStep, dstStep,
                                             direction);
  }
}

template <typename Bits, int kPixel, int kWritten>
void QuarterStripWords(const uint8_t* src, uint8_t* dst, int height, int columns, int srcStep,
                       int dstStep, int direction) {
  constexpr int kE = kBlockPixel<Bits, kPixel, kWritten>;
  if constexpr (kE != 0) {
    constexpr int n = 8 / kE;
    const int blockRows = height / n * n, blockColumns = columns / n * n;
    if (blockRows > 0 && blockColumns > 0) {
      QuarterBlocks<kE>(src, dst, blockRows, blockColumns, srcStep, dstStep, direction);
      // The rest: the rows below the blocks, then the columns right of them.
      const ptrdiff_t across = static_cast<ptrdiff_t>(direction) * kE;
      QuarterStripRest<Bits, kPixel, kWritten>(
          src + across * blockRows, dst + static_cast<ptrdiff_t>(dstStep) * blockRows,
          height - blockRows, blockColumns, srcStep, dstStep, direction);
      QuarterStripRest<Bits, kPixel, kWritten>(
          src + static_cast<ptrdiff_t>(srcStep) * blockColumns, dst + blockColumns * kE, height,
          columns - blockColumns, srcStep, dstStep, direction);
      return;
    }
  }
  QuarterStripRest<Bits, kPixel, kWritten>(src, dst, height, columns, srcStep, dstStep,
                                           direction);
}

// Three-byte pixels, every byte written, take the vector path's 4 x 4 blocks.
template <typename Bits, int kPixel, int kWritten>
inline constexpr bool kThreeBytePixels = sizeof(Bits) == 1 && kPixel == 3 && kWritten == 3;

// One strip: the vector path's blocks first when there is one, the rest in word blocks and
// single pixels. room: destination columns from the strip's first to the region's last.
template <typename Bits, int kPixel, int kWritten>
void QuarterStrip(const uint8_t* src, uint8_t* dst, int height, int columns, int room,
                  int srcStep, int dstStep, int direction, rotatecopy::QuarterBlocksFn vector) {
  constexpr int kE = kBlockPixel<Bits, kPixel, kWritten>;
  if constexpr (kE != 0 || kThreeBytePixels<Bits, kPixel, kWritten>) {
    constexpr int kVectorPixel = kE != 0 ? kE : 3;
    constexpr int n = rotatecopy::VectorBlock(kVectorPixel);
    int blockRows = height / n * n, blockColumns = columns / n * n;
    if constexpr (kE == 0) {
      // The three-byte blocks read the pixels of two more destination rows and write two
      // destination columns past their own.
      blockRows = std::max(height - 2, 0) / n * n;
      blockColumns = std::min(columns, room - 2) / n * n;
    }
    if (vector != nullptr && blockRows > 0 && blockColumns > 0) {
      vector(src, dst, blockRows, blockColumns, srcStep, dstStep, direction);
      QuarterStripWords<Bits, kPixel, kWritten>(
          src + static_cast<ptrdiff_t>(direction) * kVectorPixel * blockRows,
          dst + static_cast<ptrdiff_t>(dstStep) * blockRows, height - blockRows, blockColumns,
          srcStep, dstStep, direction);
      QuarterStripWords<Bits, kPixel, kWritten>(
          src + static_cast<ptrdiff_t>(srcStep) * blockColumns, dst + blockColumns * kVectorPixel,
          height, columns - blockColumns, srcStep, dstStep, direction);
      return;
    }
  }
  QuarterStripWords<Bits, kPixel, kWritten>(src, dst, height, columns, srcStep, dstStep,
                                            direction);
}

template <typename Bits, int kPixel, int kWritten>
void QuarterTurn(const void* pSrc, void* pDst, int height, int width, int srcStep, int dstStep,
                 int direction) {
  constexpr int kStrip = kPixel == 1 ? 64 : 16;
  constexpr ptrdiff_t kBytes = kPixel * static_cast<ptrdiff_t>(sizeof(Bits));
  const auto* src = static_cast<const uint8_t*>(pSrc);
  auto* dst = static_cast<uint8_t*>(pDst);
  rotatecopy::QuarterBlocksFn vector = nullptr;
  if constexpr (kBlockPixel<Bits, kPixel, kWritten> != 0)
    vector = rotatecopy::VectorQuarterBlocks(kBlockPixel<Bits, kPixel, kWritten>);
  else if constexpr (kThreeBytePixels<Bits, kPixel, kWritten>)
    vector = rotatecopy::VectorQuarterBlocks(3);
  for (int j = 0; j < width;) {
    const int columns = std::min(kStrip, width - j);
    QuarterStrip<Bits, kPixel, kWritten>(src + static_cast<ptrdiff_t>(srcStep) * j,
                                         dst + kBytes * j, height, columns, width - j, srcStep,
                                         dstStep, direction, vector);
    j += columns;
  }
}

// Planar layouts: the C1 routine of the element type once per plane.
template <fbRotateCopyRoutine kPlane, int kPlanes>
void PerPlane(const void* pSrc, void* pDst, int height, int width, int srcStep, int dstStep,
              int direction) {
  const auto* src = static_cast<const void* const*>(pSrc);
  auto* dst = static_cast<void* const*>(pDst);
  for (int p = 0; p < kPlanes; ++p)
    kPlane(src[p], dst[p], height, width, srcStep, dstStep, direction);
}

template <typename Bits, int kPixel, int kWritten>
struct HalfTurnOf {
  static constexpr fbRotateCopyRoutine kRoutine = HalfTurn<Bits, kPixel, kWritten>;
};
template <typename Bits, int kPixel, int kWritten>
struct QuarterTurnOf {
  static constexpr fbRotateCopyRoutine kRoutine = QuarterTurn<Bits, kPixel, kWritten>;
};

// The routine of one type and layout: pixel elements and written elements for the interleaved
// layouts, the C1 routine per plane for the planar ones.
template <template <typename, int, int> class Turn, typename Bits, int kLayout>
constexpr fbRotateCopyRoutine Member() {
  switch (kLayout) {
    case 0: return Turn<Bits, 1, 1>::kRoutine;                        // C1
    case 1: return Turn<Bits, 3, 3>::kRoutine;                        // C3
    case 2: return Turn<Bits, 4, 3>::kRoutine;                        // AC4
    case 3: return PerPlane<Turn<Bits, 1, 1>::kRoutine, 3>;           // P3
    case 4: return Turn<Bits, 4, 4>::kRoutine;                        // C4
    default: return PerPlane<Turn<Bits, 1, 1>::kRoutine, 4>;          // P4
  }
}

}  // namespace

// type * 6 + layout: types 8u, 32f, 16u by their widths; layouts C1, C3, AC4, P3, C4, P4.
#define PF_ROTATE_COPY_FORMS(X)                                                               \
  X(8u, uint8_t, C1, 0) X(8u, uint8_t, C3, 1) X(8u, uint8_t, AC4, 2) X(8u, uint8_t, P3, 3)    \
  X(8u, uint8_t, C4, 4) X(8u, uint8_t, P4, 5)                                                 \
  X(32f, uint32_t, C1, 0) X(32f, uint32_t, C3, 1) X(32f, uint32_t, AC4, 2)                    \
  X(32f, uint32_t, P3, 3) X(32f, uint32_t, C4, 4) X(32f, uint32_t, P4, 5)                     \
  X(16u, uint16_t, C1, 0) X(16u, uint16_t, C3, 1) X(16u, uint16_t, AC4, 2)                    \
  X(16u, uint16_t, P3, 3) X(16u, uint16_t, C4, 4) X(16u, uint16_t, P4, 5)

#define PF_ROTATE_HALF_MEMBER(type, bits, layout, code) Member<HalfTurnOf, bits, code>(),
#define PF_ROTATE_QUARTER_MEMBER(type, bits, layout, code) Member<QuarterTurnOf, bits, code>(),
#define PF_ROTATE_HALF_NAME(type, bits, layout, code) "fbRotate180Copy" #type #layout,
#define PF_ROTATE_QUARTER_NAME(type, bits, layout, code) "fbRotate90Copy" #type #layout,

const fbRotateCopyRoutine fbRotate180CopyTable[kRotateCopyCount] = {
    PF_ROTATE_COPY_FORMS(PF_ROTATE_HALF_MEMBER)};
const fbRotateCopyRoutine fbRotate90CopyTable[kRotateCopyCount] = {
    PF_ROTATE_COPY_FORMS(PF_ROTATE_QUARTER_MEMBER)};
const char* const fbRotate180CopyNames[kRotateCopyCount] = {
    PF_ROTATE_COPY_FORMS(PF_ROTATE_HALF_NAME)};
const char* const fbRotate90CopyNames[kRotateCopyCount] = {
    PF_ROTATE_COPY_FORMS(PF_ROTATE_QUARTER_NAME)};

#undef PF_ROTATE_HALF_MEMBER
#undef PF_ROTATE_QUARTER_MEMBER
#undef PF_ROTATE_HALF_NAME
#undef PF_ROTATE_QUARTER_NAME
#undef PF_ROTATE_COPY_FORMS

}  // namespace builtin
