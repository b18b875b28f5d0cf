// The support layer of the built-in primitives.
//
// The built-in versions of the IPP-named primitives take everything they need beyond their own
// arithmetic from here: heap blocks, 32-byte-aligned work blocks, a fixed set of maths
// routines evaluated in extended precision, byte and word fills and copies (unchecked ones
// that return the destination, checked ones that return an IppStatus), the float-to-integer
// conversion with x87 semantics, and the processor's cache size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "primitives/support/FloatToInt.h"
#include "primitives/support/IppTypes.h"

namespace builtin {

// ---- Memory -------------------------------------------------------------------------------

// A block of size bytes from the process heap, not initialised; null when the heap refuses.
void* LibCMalloc(std::size_t size);
// Returns a LibCMalloc block to the heap; null is ignored.
void LibCFree(void* block);

// A seam for tests of the paths that run out of memory. Inert until armed: FailAllocationAfter(k)
// makes the k-th heap request from now (LibCMalloc or the fbAlignedAlloc family, k >= 1) return
// null, once; 0 disarms it. It returns how many requests were still to come before the previous
// arming's failure (0 once that failure has happened). LiveAllocations counts the blocks of both
// not yet given back, so a test can show that a failed call leaves nothing allocated. Both are
// process-wide: tests that arm the hook must not run allocating primitives on other threads
// meanwhile.
std::int64_t FailAllocationAfter(std::int64_t k);
std::int64_t LiveAllocations();

// Freed fbAlignedAlloc blocks from 16 KiB to 4 MiB are kept for the next requests of about their
// size (up to twice the request), at most 16 blocks and 4 MiB together, the longest-held pushed
// out first, so that primitives that build the same large work blocks on every call do not have
// them handed back to the system and faulted in fresh each time. A request counts for the
// allocation hook whether a kept block serves it or not; kept blocks count as given back. They
// return to the heap when pushed out, all at once when the heap refuses a request (which is
// then tried again), or with the process. HeldAlignedBytes is how many bytes are kept now.
std::int64_t HeldAlignedBytes();

// A block for n elements of 1, 2, 4, 8 or 16 bytes whose address is a multiple of 32. The raw
// heap address is kept in the pointer-sized slot just below the returned address, so every
// block of the family is released by fbAlignedFree. The contents are not initialised. The
// result is null when n <= 0, when the byte count cannot be represented, or when the heap
// refuses.
void* fbAlignedAlloc8(std::int64_t n);
void* fbAlignedAlloc16(std::int64_t n);
void* fbAlignedAlloc32(std::int64_t n);
void* fbAlignedAlloc64(std::int64_t n);
void* fbAlignedAlloc128(std::int64_t n);
// Releases a block of the fbAlignedAlloc family; null is ignored.
void fbAlignedFree(void* p);

// ---- Maths (double in, double out, computed in extended precision, rounded once) ----------

double LibCSin(double x);
double LibCCos(double x);
double LibCSqrt(double x);
double LibCExp(double x);               // 2^(x * log2 e), split into integer and fraction
double LibCLog(double x);               // natural logarithm
double LibCAtan2(double y, double x);   // angle of the point (x, y): y first
double LibCFloor(double x);             // through a 32-bit integer: INT32_MIN outside its range
double LibCPow(double x, double y);     // x to the power y: base first
double LibCSinDeg(double degrees);
double LibCCosDeg(double degrees);

// ---- Float to integer ---------------------------------------------------------------------

// fbTruncToInt32 and fbRoundToInt32 are in FloatToInt.h. The 64-bit truncation follows the
// same rule: NaN and values whose truncation does not fit give INT64_MIN.
std::int64_t fbTruncToInt64(long double x);
// Rounds to the nearest integer, ties to even, whatever the rounding mode; NaN and values whose
// rounding does not fit give INT64_MIN.
std::int64_t fbRoundToInt64(long double x);

// ---- Fills and copies ---------------------------------------------------------------------
//
// Every fill, zero fill and copy of the primitives (support, image and signal families) rests
// on the four wide routines below; the routines of the original interface are thin forms of
// them. Counts are 64-bit, so byte counts of long vectors and whole images never wrap; a count
// of 0 or less does nothing. Destinations and sources may start at any address.

// Stores the byte value in count bytes.
void* fbFillBytes(void* dst, std::uint8_t value, std::int64_t count);
// Stores 0 in count bytes.
void* fbZeroBytes(void* dst, std::int64_t count);
// Copies count bytes. The fills' and copies' contract asks for ranges that do not overlap;
// overlapping ranges still end up holding the source as it was (a move).
void* fbCopyBytes(const void* src, void* dst, std::int64_t count);
// Stores the bit pattern of value in count elements of T (2, 4, 8 or 16 bytes: the integer
// types std::uint16_t, std::uint32_t, std::uint64_t and the complex Ipp64fc).
template <typename T>
void* fbFillElements(void* dst, T value, std::int64_t count);
extern template void* fbFillElements<std::uint16_t>(void*, std::uint16_t, std::int64_t);
extern template void* fbFillElements<std::uint32_t>(void*, std::uint32_t, std::int64_t);
extern template void* fbFillElements<std::uint64_t>(void*, std::uint64_t, std::int64_t);
extern template void* fbFillElements<Ipp64fc>(void*, Ipp64fc, std::int64_t);
// Copies rowBytes bytes of each of height rows, moving src by srcStep and dst by dstStep
// bytes from row to row (steps unchecked: 0 repeats a row, a negative step walks upwards);
// contiguous rows (both steps equal to rowBytes) are copied as one block.
void fbCopyRows(const void* src, std::int32_t srcStep, void* dst, std::int32_t dstStep,
                std::int64_t rowBytes, std::int32_t height);
// Copies the first three bytes of each of count four-byte pixels; the fourth byte of every
// destination pixel is kept.
void fbCopyColourBytes4(const void* src, void* dst, std::int64_t count);

// Unchecked: the pointers are not tested; they return the destination.
void* fbMemset(void* dst, std::uint8_t value, std::uint32_t count);
void* fbFill8u(std::uint8_t value, void* dst, std::int32_t count);        // count <= 0: nothing
void* fbFill32s(std::int32_t value, void* dst, std::int32_t count);       // count words
void* fbCopyBlock(const void* src, void* dst, std::int32_t count);        // no overlap
void* fbZeroBlock(void* dst, std::int32_t count);

// Checked: a null pointer gives -8 before a count or size below 1 gives -6; nothing is
// written when a check fails.
IppStatus fbSet8u(std::uint8_t value, void* dst, std::int32_t count);
IppStatus fbCopy8u(const void* src, void* dst, std::int32_t count);
IppStatus fbZero8u(void* dst, std::int32_t count);
// Copies width (times 1, 3 or 4) bytes of each of height rows; the steps are not checked.
IppStatus fbCopy8uC1(const void* src, int srcStep, void* dst, int dstStep, int width, int height);
IppStatus fbCopy8uC3(const void* src, int srcStep, void* dst, int dstStep, int width, int height);
IppStatus fbCopy8uC4(const void* src, int srcStep, void* dst, int dstStep, int width, int height);

// ---- Processor ----------------------------------------------------------------------------

// Writes the largest cache size the processor lists, in bytes, and returns 0; -8 for a null
// pointer (nothing written); 36 when the processor cannot be identified as one whose cache
// descriptors are known; 37 (size 0) when none of its descriptors is listed. The first call
// decides the answer for the life of the process.
IppStatus fbGetCacheSize(int* size);
bool fbHasCpuid();
std::uint32_t fbCpuidMaxLeaf();
bool fbIsGenuineIntel();

struct TCacheDescriptor {
  std::uint8_t Descriptor;
  std::int32_t Size;
};
// The descriptors of the second- and third-level caches, by falling size, ended by {0, 0}.
extern const TCacheDescriptor fbCacheDescriptorTable[29];

// The size of the first table entry whose descriptor is among the processor's leaf-2
// descriptor bytes; -1 when none is, or when leaf 2 needs more than one round.
std::int32_t fbCacheSizeFromDescriptors(const TCacheDescriptor* table);
// The same rule applied to given leaf-2 result registers (eax, ebx, ecx, edx).
std::int32_t fbCacheSizeFromLeaf2(const std::uint32_t regs[4], const TCacheDescriptor* table);

}  // namespace builtin
