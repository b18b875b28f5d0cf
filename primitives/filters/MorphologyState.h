// The morphology state: a mask with its anchor and a region width, analysed and kept with a
// work area in one block owned by the caller.
//
// ippiMorphologyInitAlloc_8u_C3R classifies the mask (a cell belongs to the element when its
// byte is not 0) as empty (every byte 0), rectangle (the nonzero bytes form one solid
// rectangle), one run per row (each row at most one run of nonzero bytes, every run covering
// the anchor column, the anchor row between the first and the last row with a run, runs of equal
// length starting at the same column) or general (anything else, and every mask of 256 rows or
// more), and allocates one 32-byte aligned block: an 80-byte header (fbMorphState), the kind's
// description, a copy of the mask and a work area sized for the region width, in the layouts
// and sizes below. The header keeps the places of its parts as 32-bit offsets from the block's
// start (0 for none), so the record is the same on every platform; the state does not refer to
// the caller's mask. ippiMorphologyFree releases the block.
//
// Checks of the initialisation, in this order: a null mask -8; region width, mask width or mask
// height below 1 -6; an anchor outside the mask -34; a null state pointer -8 (after the
// analysis); a block size past the 32-bit range or an allocation failure -9, nothing stored.
// An all-zero mask is accepted. ippiMorphologyFree: null -8.
#pragma once

#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin {

// Mask kinds, as kept in the header.
enum : int32_t {
  kMorphGeneral = 0,
  kMorphRectangle = 1,
  kMorphRuns = 2,
  kMorphEmpty = 3,
};

// The 80-byte header at the start of the block; "offset" fields count bytes from the block's
// start, 0 meaning none. Fields a kind leaves unset hold 0.
struct fbMorphState {
  int32_t maskOffset;   // the mask copy
  int32_t maskOffset2;  // the mask copy again (general kind)
  int32_t maskOffset3;  // and again (general kind)
  int32_t workOffset;   // the work area (0 for the empty kind)
  int32_t descOffset;   // the description (0 for the general kind)
  int32_t width;        // mask width (general, empty) or the nonzero bytes' bounding-box width
  int32_t height;       // mask height, or rows from the first to the last row with a run
  int32_t anchorX;      // the mask's anchor (general), 0 (empty), or relative to the box
  int32_t anchorY;
  int32_t rightOfAnchor;  // mask width - anchor x - 1 (general kind)
  int32_t belowAnchor;    // mask height - anchor y - 1 (general kind)
  int32_t workRowBytes;   // C, the work area's row length (general kind)
  int32_t blockSize;      // the whole block's bytes
  int32_t elementType;    // 1: 8-bit, 9: 32-bit float
  int32_t channels;       // 1, 3 or 4
  int32_t regionWidth;    // given at creation
  int32_t reserved;       // -1
  int32_t kind;           // kMorph...
  int32_t unused[2];
};
static_assert(sizeof(fbMorphState) == 80, "the header is 80 bytes");

// The description of a rectangle (the first six words) or of a one-run-per-row mask (all
// twelve), right after the header. The box is the bounding box of the nonzero bytes; anchors
// are relative to its top left cell. The four arrays follow the description in the block: the
// row of each run relative to the first row with a run (runs top to bottom), the index of each
// run's length in the length list, the distinct lengths in descending order, and for each
// length the anchor column minus the run's start column.
struct fbMorphMaskDesc {
  int32_t width, height, anchorX, anchorY;
  int32_t unset[2];
  int32_t runs;          // k
  int32_t lengths;       // l, distinct run lengths
  int32_t runRowOffset;  // offsets from the block's start, k, k, l and l 32-bit entries
  int32_t runLengthIndexOffset;
  int32_t lengthOffset;
  int32_t lengthAnchorOffset;
};
static_assert(sizeof(fbMorphMaskDesc) == 48, "the description is twelve words");

// The analysis of a mask: its kind, the description, and the four arrays (in the scratch below
// until they are copied into a block; the offsets of the description are then set).
struct fbMorphMaskAnalysis {
  int32_t kind;
  fbMorphMaskDesc desc;
  int32_t runRow[256], runLengthIndex[256], length[256], lengthAnchor[256];
};

// Classifies the mask (maskSize.width x maskSize.height bytes, rows without gaps) with its
// anchor. startCount is the initial count of runs that do not cover the anchor column (0).
void fbMorphMaskAnalyse(const Ipp8u* pMask, IppiSize maskSize, IppiPoint anchor, int startCount,
                        fbMorphMaskAnalysis* result);

// Work-area sizes in bytes for element type 1 (8-bit) or 9 (float) with 1, 3 or 4 channels.
// Rectangle: null -8, region width below 1 -6, rectangle width or height below 1 -33.
IppStatus fbMorphRectWorkSize(int elementType, int channels, int regionWidth, int rectWidth,
                              int rectHeight, std::int64_t* size);
IppStatus fbMorphRunsWorkSize(int regionWidth, int descWidth, int descHeight, int lengths,
                              int elementType, int channels, std::int64_t* size);

// Builds a state. mode 0 writes the block size to *size only (null size -8); mode 1 builds in
// the block *ppState points to (null -8); mode 2 allocates the block (null ppState -8,
// allocation failure -9, nothing stored). elementType 1 or 9 (else -5), channels 1, 3 or 4
// (else -53); the other checks as ippiMorphologyInitAlloc_8u_C3R's.
IppStatus fbMorphStateBuild(int elementType, int channels, int regionWidth, const Ipp8u* pMask,
                            IppiSize maskSize, IppiPoint anchor, IppiMorphState** ppState,
                            int* size, int mode, int startCount);

IppStatus ippiMorphologyInitAlloc_8u_C3R(int roiWidth, const Ipp8u* pMask, IppiSize maskSize,
                                         IppiPoint anchor, IppiMorphState** ppState);
IppStatus ippiMorphologyFree(IppiMorphState* pState);

}  // namespace builtin

struct IppiMorphState : builtin::fbMorphState {};
