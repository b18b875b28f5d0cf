// The morphology state: the kinds, headers, descriptions and arrays of a table of masks; the
// sizes of the builder's size-only mode; the checks, the out-of-memory path and freeing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "primitives/filters/MorphologyState.h"
#include "tests/primitives/AllocationHook.h"

namespace {

using builtin::fbMorphMaskDesc;
using builtin::fbMorphState;

std::vector<uint8_t> MaskOf(std::initializer_list<const char*> rows) {
  std::vector<uint8_t> m;
  for (const char* r : rows)
    for (const char* c = r; *c != '\0'; ++c) m.push_back(*c == '1' ? 1 : 0);
  return m;
}

struct Expected {
  const char* what;
  std::vector<uint8_t> mask;
  IppiSize size;
  IppiPoint anchor;
  int kind;
  int width, height, ax, ay;  // header
  int blockSize;
  std::vector<int> rows, lengthIndex, lengths, offsets;  // one run per row only
};

std::vector<int> Array(const uint8_t* block, int32_t offset, int n) {
  std::vector<int> v(static_cast<size_t>(n));
  std::memcpy(v.data(), block + offset, 4 * static_cast<size_t>(n));
  return v;
}

TEST(MorphologyState, KindsHeadersDescriptionsAndArrays) {
  const std::vector<uint8_t> column255(255, 1), column256(256, 1);
  const std::vector<uint8_t> inner = MaskOf({"0000", "0110", "0110", "0000"});
  const std::vector<uint8_t> cross = MaskOf({"010", "111", "010"});
  const Expected cases[] = {
      {"3x2 rectangle", MaskOf({"111", "111"}), {3, 2}, {1, 1}, 1, 3, 2, 1, 1, 440, {}, {}, {}, {}},
      {"inner block", inner, {4, 4}, {2, 1}, 1, 2, 2, 1, 0, 440, {}, {}, {}, {}},
      {"inner block, anchor outside it",
       inner,
       {4, 4},
       {0, 0},
       1,
       2,
       2,
       -1,
       -1,
       440,
       {},
       {},
       {},
       {}},
      {"cross", cross, {3, 3}, {1, 1}, 2, 3, 3, 1, 1, 714, {0, 1, 2}, {1, 0, 1}, {3, 1}, {1, 0}},
      {"cross, anchor at a corner", cross, {3, 3}, {0, 0}, 0, 3, 3, 0, 0, 400, {}, {}, {}, {}},
      // Rows with runs that are not consecutive: no rectangle, one run per row of height 3.
      {"gap between rows",
       MaskOf({"111", "000", "111"}),
       {3, 3},
       {1, 1},
       2,
       3,
       3,
       1,
       1,
       16 + 128 + 16 + 8 + 4 * 16 + 4 * 62 + 32,
       {0, 2},
       {0, 0},
       {3},
       {1}},
      {"1x255 column",
       column255,
       {1, 255},
       {0, 7},
       1,
       1,
       255,
       0,
       7,
       256 + 112 + 16 * 255 + 2 * 255 * 62 + 32,
       {},
       {},
       {},
       {}},
      {"1x256 column",
       column256,
       {1, 256},
       {0, 7},
       0,
       1,
       256,
       0,
       7,
       256 + 96 + 2 * 256 * 48,
       {},
       {},
       {},
       {}},
      {"zero mask", MaskOf({"000", "000"}), {3, 2}, {2, 1}, 3, 3, 2, 0, 0, 96, {}, {}, {}, {}},
  };
  for (const Expected& e : cases) {
    SCOPED_TRACE(e.what);
    IppiMorphState* state = nullptr;
    ASSERT_EQ(builtin::ippiMorphologyInitAlloc_8u_C3R(10, e.mask.data(), e.size, e.anchor, &state),
              ippStsNoErr);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(state) % 32, 0u);
    const fbMorphState& h = *state;
    const auto* block = reinterpret_cast<const uint8_t*>(state);
    EXPECT_EQ(h.kind, e.kind);
    EXPECT_EQ(h.width, e.width);
    EXPECT_EQ(h.height, e.height);
    EXPECT_EQ(h.anchorX, e.ax);
    EXPECT_EQ(h.anchorY, e.ay);
    EXPECT_EQ(h.blockSize, e.blockSize);
    EXPECT_EQ(h.elementType, 1);
    EXPECT_EQ(h.channels, 3);
    EXPECT_EQ(h.regionWidth, 10);
    EXPECT_EQ(h.reserved, -1);
    const size_t cells = e.mask.size();
    if (e.kind == 3) {
      EXPECT_EQ(h.workOffset, 0);
      EXPECT_EQ(h.descOffset, 80);
      EXPECT_EQ(std::vector<uint8_t>(block + 80, block + 80 + cells), e.mask);
    } else {
      // The copy of the mask, not the caller's.
      EXPECT_EQ(std::vector<uint8_t>(block + h.maskOffset, block + h.maskOffset + cells), e.mask);
      EXPECT_GE(h.workOffset, h.maskOffset + static_cast<int32_t>(cells));
      EXPECT_LE(h.workOffset, h.blockSize);
    }
    if (e.kind == 0) {
      EXPECT_EQ(h.descOffset, 0);
      EXPECT_EQ(h.maskOffset, 80);
      EXPECT_EQ(h.maskOffset2, 80);
      EXPECT_EQ(h.rightOfAnchor, e.size.width - e.anchor.x - 1);
      EXPECT_EQ(h.belowAnchor, e.size.height - e.anchor.y - 1);
      EXPECT_EQ(h.workRowBytes, (3 * (10 + e.size.width) + 15) / 16 * 16);
    }
    if (e.kind == 1 || e.kind == 2) {
      ASSERT_EQ(h.descOffset, 80);
      fbMorphMaskDesc d;
      std::memcpy(&d, block + 80, e.kind == 1 ? 24 : 48);
      EXPECT_EQ(d.width, e.width);
      EXPECT_EQ(d.height, e.height);
      EXPECT_EQ(d.anchorX, e.ax);
      EXPECT_EQ(d.anchorY, e.ay);
      EXPECT_EQ(h.maskOffset, e.kind == 1 ? 112 : 128 + 8 * d.runs + 8 * d.lengths);
      if (e.kind == 2) {
        const int k = static_cast<int>(e.rows.size()), l = static_cast<int>(e.lengths.size());
        EXPECT_EQ(d.runs, k);
        EXPECT_EQ(d.lengths, l);
        EXPECT_EQ(Array(block, d.runRowOffset, k), e.rows);
        EXPECT_EQ(Array(block, d.runLengthIndexOffset, k), e.lengthIndex);
        EXPECT_EQ(Array(block, d.lengthOffset, l), e.lengths);
        EXPECT_EQ(Array(block, d.lengthAnchorOffset, l), e.offsets);
      }
    }
    EXPECT_EQ(builtin::ippiMorphologyFree(state), ippStsNoErr);
  }
}

TEST(MorphologyState, LengthsAtTwoOffsetsMakeTheMaskGeneral) {
  // Every run covers the anchor column, but the two runs of length 2 start at different
  // columns, so that length has two anchor offsets.
  const std::vector<uint8_t> mask = MaskOf({"110", "111", "011"});
  builtin::fbMorphMaskAnalysis a;
  builtin::fbMorphMaskAnalyse(mask.data(), {3, 3}, {1, 1}, 0, &a);
  EXPECT_EQ(a.kind, builtin::kMorphGeneral);
  // The same shape with equal lengths aligned is one run per row.
  const std::vector<uint8_t> aligned = MaskOf({"110", "111", "110"});
  builtin::fbMorphMaskAnalyse(aligned.data(), {3, 3}, {1, 1}, 0, &a);
  EXPECT_EQ(a.kind, builtin::kMorphRuns);
  // The anchor row outside the rows with runs.
  const std::vector<uint8_t> low = MaskOf({"010", "111", "000"});
  builtin::fbMorphMaskAnalyse(low.data(), {3, 3}, {1, 2}, 0, &a);
  EXPECT_EQ(a.kind, builtin::kMorphGeneral);
}

TEST(MorphologyState, SizeOnlyModeForOtherLayoutsAndElementTypes) {
  const std::vector<uint8_t> rect = MaskOf({"111", "111"});
  struct Case {
    int type, channels, size;
  };
  // W1 = 16 h + 2 h (R B + 32) + 32 with h = 2, R = 10: B = 1, 4, 12 (float, 3 channels).
  const Case cases[] = {{1, 1, 16 + 112 + 32 + 4 * 42 + 32},
                        {1, 4, 16 + 112 + 32 + 4 * 72 + 32},
                        {9, 3, 16 + 112 + 32 + 4 * 152 + 32},
                        {9, 4, 16 + 112 + 32 + 4 * 192 + 32}};
  for (const Case& c : cases) {
    int size = -1;
    EXPECT_EQ(builtin::fbMorphStateBuild(c.type, c.channels, 10, rect.data(), {3, 2}, {1, 1},
                                         nullptr, &size, 0, 0),
              ippStsNoErr);
    EXPECT_EQ(size, c.size) << c.type << " " << c.channels;
  }
  int size = -1;
  EXPECT_EQ(
      builtin::fbMorphStateBuild(1, 3, 10, rect.data(), {3, 2}, {1, 1}, nullptr, nullptr, 0, 0),
      ippStsNullPtrErr);
  EXPECT_EQ(builtin::fbMorphStateBuild(1, 2, 10, rect.data(), {3, 2}, {1, 1}, nullptr, &size, 0, 0),
            ippStsNumChannelsErr);
  // Built in the caller's block (mode 1): the same header as an allocated one.
  alignas(32) uint8_t block[512];
  IppiMorphState* inPlace = reinterpret_cast<IppiMorphState*>(block);
  ASSERT_EQ(
      builtin::fbMorphStateBuild(1, 3, 10, rect.data(), {3, 2}, {1, 1}, &inPlace, nullptr, 1, 0),
      ippStsNoErr);
  EXPECT_EQ(inPlace->blockSize, 440);
  EXPECT_EQ(inPlace->kind, builtin::kMorphRectangle);
  IppiMorphState* none = nullptr;
  EXPECT_EQ(builtin::fbMorphStateBuild(1, 3, 10, rect.data(), {3, 2}, {1, 1}, &none, nullptr, 1, 0),
            ippStsNullPtrErr);
}

TEST(MorphologyState, ChecksInOrderAndWideRegionsRefused) {
  const std::vector<uint8_t> ones = MaskOf({"111", "111"});
  IppiMorphState* state = nullptr;
  EXPECT_EQ(builtin::ippiMorphologyInitAlloc_8u_C3R(10, nullptr, {3, 2}, {9, 9}, nullptr),
            ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiMorphologyInitAlloc_8u_C3R(0, ones.data(), {3, 2}, {9, 9}, nullptr),
            ippStsSizeErr);
  EXPECT_EQ(builtin::ippiMorphologyInitAlloc_8u_C3R(10, ones.data(), {3, 0}, {9, 9}, nullptr),
            ippStsSizeErr);
  EXPECT_EQ(builtin::ippiMorphologyInitAlloc_8u_C3R(10, ones.data(), {3, 2}, {3, 0}, nullptr),
            ippStsAnchorErr);
  EXPECT_EQ(builtin::ippiMorphologyInitAlloc_8u_C3R(10, ones.data(), {3, 2}, {1, 1}, nullptr),
            ippStsNullPtrErr);
  // A block past the 32-bit range, 12 R + 320 bytes, whose low 32 bits would ask for 328.
  EXPECT_EQ(builtin::ippiMorphologyInitAlloc_8u_C3R(357913942, ones.data(), {3, 2}, {1, 1}, &state),
            ippStsMemAllocErr);
  EXPECT_EQ(state, nullptr);
  EXPECT_EQ(builtin::ippiMorphologyFree(nullptr), ippStsNullPtrErr);
}

TEST(MorphologyState, FailedAllocationStoresNothingAndLeavesNothing) {
  const std::vector<uint8_t> cross = MaskOf({"010", "111", "010"});
  auto* const before = reinterpret_cast<IppiMorphState*>(uintptr_t{0x1234});
  const int requests = allochook::ForEachFailure(
      [&] {
        IppiMorphState* state = before;
        const IppStatus s =
            builtin::ippiMorphologyInitAlloc_8u_C3R(10, cross.data(), {3, 3}, {1, 1}, &state);
        if (s == ippStsNoErr) builtin::ippiMorphologyFree(state);
        return std::make_pair(s, state);
      },
      [&](std::pair<IppStatus, IppiMorphState*> result, int k, int64_t leaked) {
        EXPECT_EQ(result.first, ippStsMemAllocErr) << k;
        EXPECT_EQ(result.second, before) << k;
        EXPECT_EQ(leaked, 0) << k;
      });
  EXPECT_EQ(requests, 1);
  const int64_t live = builtin::LiveAllocations();
  IppiMorphState* state = nullptr;
  ASSERT_EQ(builtin::ippiMorphologyInitAlloc_8u_C3R(10, cross.data(), {3, 3}, {1, 1}, &state),
            ippStsNoErr);
  EXPECT_EQ(builtin::LiveAllocations(), live + 1);
  EXPECT_EQ(builtin::ippiMorphologyFree(state), ippStsNoErr);
  EXPECT_EQ(builtin::LiveAllocations(), live);
}

}  // namespace
