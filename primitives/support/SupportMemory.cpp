#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "primitives/support/Support.h"
#include "primitives/support/SupportElements.h"

namespace builtin {
namespace {

constexpr std::size_t kAlignment = 32;
// Room for the raw address below the aligned block plus the largest alignment gap.
constexpr std::size_t kOverhead = sizeof(void*) + kAlignment - 1;

void* AlignedAlloc(std::int64_t n, std::size_t elementSize) {
  if (n <= 0) return nullptr;
  constexpr auto kLimit = static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max());
  if (static_cast<std::uint64_t>(n) > (kLimit - kOverhead) / elementSize) return nullptr;
  const std::size_t bytes = static_cast<std::size_t>(n) * elementSize + kOverhead;
  void* raw = LibCMalloc(bytes);
  if (!raw) return nullptr;
  const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
  const std::uintptr_t aligned = (first + kAlignment - 1) & ~static_cast<std::uintptr_t>(kAlignment - 1);
  void* result = reinterpret_cast<void*>(aligned);
  std::memcpy(static_cast<char*>(result) - sizeof(void*), &raw, sizeof(void*));
  return result;
}

}  // namespace

namespace {
// Requests left until the armed failure (0: disarmed), and blocks handed out but not given back.
std::atomic<std::int64_t> gRequestsUntilFailure{0};
std::atomic<std::int64_t> gLiveBlocks{0};
}  // namespace

void* LibCMalloc(std::size_t size) {
  std::int64_t left = gRequestsUntilFailure.load(std::memory_order_relaxed);
  while (left > 0 &&
         !gRequestsUntilFailure.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
  }
  if (left == 1) return nullptr;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block) gLiveBlocks.fetch_add(1, std::memory_order_relaxed);
  return block;
}

void LibCFree(void* block) {
  if (!block) return;
  gLiveBlocks.fetch_sub(1, std::memory_order_relaxed);
  std::free(block);
}

std::int64_t FailAllocationAfter(std::int64_t k) {
  return gRequestsUntilFailure.exchange(k > 0 ? k : 0, std::memory_order_relaxed);
}

std::int64_t LiveAllocations() { return gLiveBlocks.load(std::memory_order_relaxed); }

void* fbAlignedAlloc8(std::int64_t n) { return AlignedAlloc(n, 1); }
void* fbAlignedAlloc16(std::int64_t n) { return AlignedAlloc(n, 2); }
void* fbAlignedAlloc32(std::int64_t n) { return AlignedAlloc(n, 4); }
void* fbAlignedAlloc64(std::int64_t n) { return AlignedAlloc(n, 8); }
void* fbAlignedAlloc128(std::int64_t n) { return AlignedAlloc(n, 16); }

void fbAlignedFree(void* p) {
  if (!p) return;
  void* raw = nullptr;
  std::memcpy(&raw, static_cast<char*>(p) - sizeof(void*), sizeof(void*));
  LibCFree(raw);
}

void* fbFillBytes(void* dst, std::uint8_t value, std::int64_t count) {
  if (count > 0) std::memset(dst, value, static_cast<std::size_t>(count));
  return dst;
}

void* fbZeroBytes(void* dst, std::int64_t count) { return fbFillBytes(dst, 0, count); }

void* fbCopyBytes(const void* src, void* dst, std::int64_t count) {
  // memmove runs at memcpy's speed and keeps an overlapping call well defined.
  if (count > 0) std::memmove(dst, src, static_cast<std::size_t>(count));
  return dst;
}

template <typename T>
void* fbFillElements(void* dst, T value, std::int64_t count) {
  auto* d = static_cast<std::uint8_t*>(dst);
  for (std::int64_t i = 0; i < count; ++i) rows::Store<T>(d, i, value);
  return dst;
}
template void* fbFillElements<std::uint16_t>(void*, std::uint16_t, std::int64_t);
template void* fbFillElements<std::uint32_t>(void*, std::uint32_t, std::int64_t);
template void* fbFillElements<std::uint64_t>(void*, std::uint64_t, std::int64_t);
template void* fbFillElements<Ipp64fc>(void*, Ipp64fc, std::int64_t);

void fbCopyRows(const void* src, std::int32_t srcStep, void* dst, std::int32_t dstStep,
                std::int64_t rowBytes, std::int32_t height) {
  if (rowBytes <= 0 || height <= 0) return;
  if (height > 1 && srcStep == rowBytes && dstStep == rowBytes) {
    fbCopyBytes(src, dst, rowBytes * height);
    return;
  }
  const auto* s = static_cast<const std::uint8_t*>(src);
  auto* d = static_cast<std::uint8_t*>(dst);
  for (std::int32_t y = 0; y < height; ++y)
    fbCopyBytes(s + static_cast<std::ptrdiff_t>(srcStep) * y, d + static_cast<std::ptrdiff_t>(dstStep) * y, rowBytes);
}

void fbCopyColourBytes4(const void* src, void* dst, std::int64_t count) {
  const auto* s = static_cast<const std::uint8_t*>(src);
  auto* d = static_cast<std::uint8_t*>(dst);
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    d[4 * i + 0] = s[4 * i + 0];
    d[4 * i + 1] = s[4 * i + 1];
    d[4 * i + 2] = s[4 * i + 2];
  }
}

void* fbMemset(void* dst, std::uint8_t value, std::uint32_t count) { return fbFillBytes(dst, value, count); }

void* fbFill8u(std::uint8_t value, void* dst, std::int32_t count) { return fbFillBytes(dst, value, count); }

void* fbFill32s(std::int32_t value, void* dst, std::int32_t count) {
  return fbFillElements<std::uint32_t>(dst, static_cast<std::uint32_t>(value), count);
}

void* fbCopyBlock(const void* src, void* dst, std::int32_t count) { return fbCopyBytes(src, dst, count); }

void* fbZeroBlock(void* dst, std::int32_t count) { return fbZeroBytes(dst, count); }

IppStatus fbSet8u(std::uint8_t value, void* dst, std::int32_t count) {
  if (!dst) return ippStsNullPtrErr;
  if (count <= 0) return ippStsSizeErr;
  fbFillBytes(dst, value, count);
  return ippStsNoErr;
}

IppStatus fbCopy8u(const void* src, void* dst, std::int32_t count) {
  if (!src || !dst) return ippStsNullPtrErr;
  if (count <= 0) return ippStsSizeErr;
  fbCopyBytes(src, dst, count);
  return ippStsNoErr;
}

IppStatus fbZero8u(void* dst, std::int32_t count) {
  if (!dst) return ippStsNullPtrErr;
  if (count <= 0) return ippStsSizeErr;
  fbZeroBytes(dst, count);
  return ippStsNoErr;
}

namespace {

IppStatus CopyRows(const void* src, int srcStep, void* dst, int dstStep, int width, int height,
                   int bytesPerPixel) {
  if (!src || !dst) return ippStsNullPtrErr;
  if (width <= 0 || height <= 0) return ippStsSizeErr;
  fbCopyRows(src, srcStep, dst, dstStep, std::int64_t{width} * bytesPerPixel, height);
  return ippStsNoErr;
}

}  // namespace

IppStatus fbCopy8uC1(const void* src, int srcStep, void* dst, int dstStep, int width, int height) {
  return CopyRows(src, srcStep, dst, dstStep, width, height, 1);
}
IppStatus fbCopy8uC3(const void* src, int srcStep, void* dst, int dstStep, int width, int height) {
  return CopyRows(src, srcStep, dst, dstStep, width, height, 3);
}
IppStatus fbCopy8uC4(const void* src, int srcStep, void* dst, int dstStep, int width, int height) {
  return CopyRows(src, srcStep, dst, dstStep, width, height, 4);
}

}  // namespace builtin
