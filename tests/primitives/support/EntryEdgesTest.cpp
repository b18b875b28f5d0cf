// The support entries at their edges: every pointer argument of the checked fills, copies and
// queries null, and the counts and sizes at the 32-bit and 64-bit limits (see
// tests/primitives/EntryEdges.h).
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "primitives/support/ByteArithmeticEngine.h"
#include "primitives/support/BytewiseEngine.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"
#include "tests/primitives/EntryEdges.h"

namespace {

using entryedges::Row;
using namespace builtin;

// The checked entries of the support layer.
#define PF_SUPPORT_ENTRIES(X) \
  X(fbGetCacheSize)           \
  X(fbSet8u) X(fbCopy8u) X(fbZero8u) X(fbCopy8uC1) X(fbCopy8uC3) X(fbCopy8uC4) X(rows::CheckImages)

// The aligned blocks: a count whose bytes pass the 64-bit range gives null without asking the
// heap (the allocation hook counts no request).
void AddAlignedAllocRows(std::vector<Row>& rows) {
  const struct {
    const char* name;
    void* (*alloc)(int64_t);
    int64_t elementBytes;
  } allocs[] = {{"fbAlignedAlloc8", fbAlignedAlloc8, 1},
                {"fbAlignedAlloc16", fbAlignedAlloc16, 2},
                {"fbAlignedAlloc32", fbAlignedAlloc32, 4},
                {"fbAlignedAlloc64", fbAlignedAlloc64, 8},
                {"fbAlignedAlloc128", fbAlignedAlloc128, 16}};
  for (const auto& a : allocs) {
    std::vector<int64_t> counts = {std::numeric_limits<int64_t>::max()};
    // From two-byte elements on, also the first count whose bytes pass the 64-bit range.
    if (a.elementBytes > 1)
      counts.push_back(std::numeric_limits<int64_t>::max() / a.elementBytes + 1);
    for (int64_t n : counts) {
      rows.push_back(
          {std::string(a.name) + ": " + std::to_string(n) + " elements", ippStsMemAllocErr, [a, n] {
             constexpr int64_t kArmed = 1000;
             FailAllocationAfter(kArmed);
             void* block = a.alloc(n);
             EXPECT_EQ(FailAllocationAfter(0), kArmed) << "the heap was asked";
             fbAlignedFree(block);
             return block == nullptr ? IppStatus{ippStsMemAllocErr} : IppStatus{ippStsNoErr};
           }});
    }
  }
}

// Rows of width x channels bytes in the int32 size of a call: the widest that fits, and one
// pixel more, which the byte engines refuse.
void AddRowBytesRows(std::vector<Row>& rows) {
  for (int channels : {3, 4}) {
    const int widest = INT32_MAX / channels;
    for (int width : {widest, widest + 1}) {
      const IppStatus expected = width == widest ? ippStsNoErr : ippStsSizeErr;
      const std::string what =
          ": " + std::to_string(width) + " pixels of " + std::to_string(channels);
      rows.push_back({"arith::RowBytes" + what, expected, [channels, width] {
                        IppiSize bytes{};
                        const bool fits = arith::RowBytes({width, 5}, channels, bytes);
                        if (fits) {
                          EXPECT_EQ(bytes.width, int64_t{width} * channels);
                          EXPECT_EQ(bytes.height, 5);
                        }
                        return fits ? IppStatus{ippStsNoErr} : IppStatus{ippStsSizeErr};
                      }});
      rows.push_back({"bytewise::ByteSize" + what, expected, [channels, width] {
                        IppiSize bytes{};
                        return bytewise::ByteSize({width, 5}, channels, bytes)
                                   ? IppStatus{ippStsNoErr}
                                   : IppStatus{ippStsSizeErr};
                      }});
    }
  }
  // Contiguous rows are merged into one only while the merged row's pixels and bytes fit.
  const struct {
    IppiSize size;
    int pixelBytes;
    IppiSize walk;
  } merges[] = {{{32768, 65535}, 1, {32768 * 65535, 1}},
                {{65536, 32768}, 1, {65536, 32768}},  // 2^31 pixels
                {{32768, 65535}, 4, {32768, 65535}},  // 2^31 - 2^15 pixels of 4 bytes
                {{1, INT32_MAX}, 1, {1, INT32_MAX}}};
  for (const auto& m : merges)
    rows.push_back(
        {"rows::MergeRows: " + std::to_string(m.size.width) + " x " +
             std::to_string(m.size.height) + " pixels of " + std::to_string(m.pixelBytes),
         ippStsNoErr, [m] {
           const int64_t rowBytes = int64_t{m.pixelBytes} * m.size.width;
           const IppiSize walk = rows::MergeRows(m.size, static_cast<int32_t>(rowBytes), rowBytes);
           EXPECT_EQ(walk.width, m.walk.width);
           EXPECT_EQ(walk.height, m.walk.height);
           return ippStsNoErr;
         }});
}

TEST(SupportEntryEdges, NullPointersAndSizesBeyondTheInt32Range) {
  std::vector<Row> rows;
#define PF_NULL_ROWS(name) entryedges::AddNullRows(rows, #name, name);
  PF_SUPPORT_ENTRIES(PF_NULL_ROWS)
#undef PF_NULL_ROWS
  entryedges::AddNullRows(
      rows, "bytewise::CheckPointersStepsSize", +[](const void* a, const void* b, const void* c) {
        return bytewise::CheckPointersStepsSize({a, b, c}, {1, 1}, {1, 1});
      });
  AddAlignedAllocRows(rows);
  AddRowBytesRows(rows);
  entryedges::Run(rows);
}

}  // namespace
