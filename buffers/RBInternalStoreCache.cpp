#include "buffers/RBInternalStoreCache.h"

#include <algorithm>
#include <thread>

#include "buffers/RBInternalStore.h"
#include "primitives/support/Support.h"

namespace buffers::storecache {

void TThreadCache::Lock() {
  while (FBusy.exchange(true, std::memory_order_acquire))
    while (FBusy.load(std::memory_order_relaxed)) std::this_thread::yield();
}

TThreadCache::TSlot* TThreadCache::Find(uint32_t ASize) {
  for (TSlot& slot : FSlots)
    if (slot.Size == ASize) return &slot;
  return nullptr;
}

TThreadCache::TSlot* TThreadCache::SlotFor(uint32_t ASize) {
  if (TSlot* slot = Find(ASize)) return slot;
  for (TSlot& slot : FSlots)  // a free slot, else one of another size whose blocks are all in use
    if (slot.Size == 0) return &slot;
  for (TSlot& slot : FSlots)
    if (slot.Count == 0) return &slot;
  return nullptr;
}

void* TThreadCache::Pop(uint32_t ASize) {
  if (ASize == 0) return nullptr;
  Lock();
  void* block = nullptr;
  if (TSlot* slot = Find(ASize); slot && slot->Count > 0) {
    slot->CountDown = slot->Count + kIdleTicks;
    block = slot->Blocks[--slot->Count];
  }
  Unlock();
  return block;
}

void* TThreadCache::Push(void* ABlock, uint32_t ASize) {
  if (ASize == 0) return ABlock;  // no slot: size 0 marks a free one
  Lock();
  TSlot* slot = SlotFor(ASize);
  void* spill = ABlock;
  if (slot) {
    if (slot->Size != ASize) *slot = TSlot{ASize};
    spill = nullptr;
    if (slot->Count == kDepth) {
      spill = slot->Blocks[0];
      std::copy(slot->Blocks + 1, slot->Blocks + kDepth, slot->Blocks);
      --slot->Count;
    }
    slot->Blocks[slot->Count++] = ABlock;
    slot->CountDown = slot->Count + kIdleTicks;
  }
  Unlock();
  return spill;
}

void TThreadCache::Trim() {
  Lock();
  for (TSlot& slot : FSlots) {
    if (slot.Size == 0) continue;
    if (slot.CountDown > 0) --slot.CountDown;
    while (slot.Count > slot.CountDown) builtin::fbAlignedFree(slot.Blocks[--slot.Count]);
    if (slot.CountDown == 0) slot = TSlot{};
  }
  Unlock();
}

void TThreadCache::FreeAll() {
  Drain([](void* block, uint32_t) { builtin::fbAlignedFree(block); });
}

bool TThreadCache::FreeBlockCount(uint32_t ASize, int64_t& ACount) {
  if (ASize == 0) return false;
  Lock();
  const TSlot* slot = Find(ASize);
  if (slot) ACount += slot->Count;
  Unlock();
  return slot != nullptr;
}

TRegistry& Registry() {
  // Never destroyed: threads may end after the program's static objects are gone.
  static TRegistry* registry = new TRegistry();
  return *registry;
}

namespace {

// Unregisters the thread's cache when the thread ends, giving its blocks back to the store
// (or to the heap once the store is gone).
struct TCacheOwner {
  TThreadCache* Cache = nullptr;
  ~TCacheOwner();
};

thread_local TThreadCache* tCache = nullptr;
thread_local bool tCacheEnded = false;
thread_local TCacheOwner tOwner;

TCacheOwner::~TCacheOwner() {
  tCache = nullptr;
  tCacheEnded = true;
  if (!Cache) return;
  TRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.Lock);
  registry.Caches.erase(std::remove(registry.Caches.begin(), registry.Caches.end(), Cache),
                        registry.Caches.end());
  registry.RetiredOutstanding += Cache->Outstanding();
  if (TRBSmartBufferManager* store = registry.Store)
    Cache->Drain([store](void* block, uint32_t size) { store->ReturnToChain(block, size); });
  else
    Cache->FreeAll();
  delete Cache;
}

}  // namespace

TThreadCache* ThisThreadCache() {
  if (tCache) [[likely]]
    return tCache;
  if (tCacheEnded) return nullptr;
  auto* cache = new TThreadCache();
  {
    TRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.Lock);
    registry.Caches.push_back(cache);
  }
  tOwner.Cache = cache;
  tCache = cache;
  return cache;
}

}  // namespace buffers::storecache
