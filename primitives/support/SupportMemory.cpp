#include <malloc.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>

#include "primitives/support/Support.h"
#include "primitives/support/SupportElements.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define PF_HIDE_CACHED(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define PF_SHOW_CACHED(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define PF_HIDE_CACHED(p, n) ((void)(p), (void)(n))
#define PF_SHOW_CACHED(p, n) ((void)(p), (void)(n))
#endif

namespace builtin {
namespace {

// Requests left until the armed failure (0: disarmed), and blocks handed out but not given back.
std::atomic<std::int64_t> gRequestsUntilFailure{0};
std::atomic<std::int64_t> gLiveBlocks{0};

// Counts one heap request against the armed failure: true for the request that must fail.
bool RequestRefused() {
  std::int64_t left = gRequestsUntilFailure.load(std::memory_order_relaxed);
  while (left > 0 &&
         !gRequestsUntilFailure.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
  }
  return left == 1;
}

// Freed aligned blocks kept for the next requests of about their size, so that a primitive
// that builds the same large work blocks on every call (the transform setups of convolution and
// correlation) takes them back instead of having the heap hand their pages back to the system
// and fault fresh ones in on the next call. Bounded: blocks of kMinBytes .. kMaxHeldBytes
// (usable bytes), at most kSlots of them and kMaxHeldBytes together; a block that does not fit
// pushes out the longest-held ones. Held blocks count as given back (LiveAllocations). They go
// back to the heap when pushed out, when the heap refuses a request (all of them, then the
// request is tried again), or with the process.
class BlockCache {
 public:
  static constexpr std::size_t kMinBytes = 16 << 10;
  static constexpr std::size_t kMaxHeldBytes = 4 << 20;
  static constexpr int kSlots = 16;

  // A held block of at least `bytes` usable bytes and at most twice that (the smallest such),
  // or null.
  void* Take(std::size_t bytes) {
    // No held block serves a request of less than half the smallest one kept.
    if (bytes > kMaxHeldBytes || bytes < kMinBytes / 2) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    int best = -1;
    for (int i = 0; i < count_; ++i)
      if (slots_[i].bytes >= bytes && slots_[i].bytes / 2 <= bytes &&
          (best < 0 || slots_[i].bytes < slots_[best].bytes))
        best = i;
    if (best < 0) return nullptr;
    const Slot slot = slots_[best];
    RemoveLocked(best);
    PF_SHOW_CACHED(slot.raw, slot.bytes);
    return slot.raw;
  }

  // Keeps the heap block raw: false (and nothing kept) when its size is outside the bounds.
  bool Keep(void* raw) {
    const std::size_t bytes = malloc_usable_size(raw);
    if (bytes < kMinBytes || bytes > kMaxHeldBytes) return false;
    void* pushedOut[kSlots];
    int pushed = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      while (count_ == kSlots || held_ + bytes > kMaxHeldBytes) {
        PF_SHOW_CACHED(slots_[0].raw, slots_[0].bytes);
        pushedOut[pushed++] = slots_[0].raw;
        RemoveLocked(0);
      }
      PF_HIDE_CACHED(raw, bytes);
      slots_[count_++] = Slot{raw, bytes};
      held_ += bytes;
    }
    for (int i = 0; i < pushed; ++i) std::free(pushedOut[i]);
    return true;
  }

  // Gives every held block back to the heap; true when there was any.
  bool ReleaseAll() {
    void* released[kSlots];
    int n = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (; n < count_; ++n) {
        released[n] = slots_[n].raw;
        PF_SHOW_CACHED(slots_[n].raw, slots_[n].bytes);
      }
      count_ = 0;
      held_ = 0;
    }
    for (int i = 0; i < n; ++i) std::free(released[i]);
    return n > 0;
  }

  std::int64_t HeldBytes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<std::int64_t>(held_);
  }

 private:
  struct Slot {
    void* raw;
    std::size_t bytes;
  };

  // Slots are kept in the order they were filled, the longest-held first.
  void RemoveLocked(int i) {
    held_ -= slots_[i].bytes;
    for (int j = i + 1; j < count_; ++j) slots_[j - 1] = slots_[j];
    --count_;
  }

  std::mutex mutex_;
  Slot slots_[kSlots] = {};
  int count_ = 0;
  std::size_t held_ = 0;
};

// Made on first use and never destroyed, so that a block freed while the process ends is still
// handled; what it holds then goes with the process.
BlockCache& Cache() {
  static BlockCache* const cache = new BlockCache;
  return *cache;
}

// A heap block counted as live, or null when the heap refuses.
void* HeapBlock(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block) gLiveBlocks.fetch_add(1, std::memory_order_relaxed);
  return block;
}

constexpr std::size_t kAlignment = 32;
// Room for the raw address below the aligned block plus the largest alignment gap.
constexpr std::size_t kOverhead = sizeof(void*) + kAlignment - 1;

void* AlignedAlloc(std::int64_t n, std::size_t elementSize) {
  if (n <= 0) return nullptr;
  constexpr auto kLimit = static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max());
  if (static_cast<std::uint64_t>(n) > (kLimit - kOverhead) / elementSize) return nullptr;
  const std::size_t bytes = static_cast<std::size_t>(n) * elementSize + kOverhead;
  if (RequestRefused()) return nullptr;
  void* raw = Cache().Take(bytes);
  if (raw) {
    gLiveBlocks.fetch_add(1, std::memory_order_relaxed);
  } else {
    raw = HeapBlock(bytes);
    if (!raw && Cache().ReleaseAll()) raw = HeapBlock(bytes);
    if (!raw) return nullptr;
  }
  const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
  const std::uintptr_t aligned = (first + kAlignment - 1) & ~static_cast<std::uintptr_t>(kAlignment - 1);
  void* result = reinterpret_cast<void*>(aligned);
  std::memcpy(static_cast<char*>(result) - sizeof(void*), &raw, sizeof(void*));
  return result;
}

}  // namespace

void* LibCMalloc(std::size_t size) {
  if (RequestRefused()) return nullptr;
  return HeapBlock(size);
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

std::int64_t HeldAlignedBytes() { return Cache().HeldBytes(); }

void* fbAlignedAlloc8(std::int64_t n) { return AlignedAlloc(n, 1); }
void* fbAlignedAlloc16(std::int64_t n) { return AlignedAlloc(n, 2); }
void* fbAlignedAlloc32(std::int64_t n) { return AlignedAlloc(n, 4); }
void* fbAlignedAlloc64(std::int64_t n) { return AlignedAlloc(n, 8); }
void* fbAlignedAlloc128(std::int64_t n) { return AlignedAlloc(n, 16); }

void fbAlignedFree(void* p) {
  if (!p) return;
  void* raw = nullptr;
  std::memcpy(&raw, static_cast<char*>(p) - sizeof(void*), sizeof(void*));
  if (Cache().Keep(raw)) {
    gLiveBlocks.fetch_sub(1, std::memory_order_relaxed);
    return;
  }
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
