// The threads' caches in front of the pooled store's chains (used by RBInternalStore.cpp only).
//
// Every thread keeps the blocks it returned most recently, up to kDepth blocks of each of up
// to kSlots sizes, and takes them back first: for one thread the cache and the chain behind it
// form one last-in first-out stack, and an allocation and release on a warm thread touch no
// lock that another thread uses. A cache slot counts down and is trimmed exactly like a chain
// (its free blocks + 8 on every use; one block per tick once the count-down is below them; the
// slot is released at 0), so blocks idle in a thread's cache go back to the heap on the timer
// like any other.
//
// Locks, in this order: the registry lock (the list of caches), the store's chain lock, a
// cache's own lock. A cache's owner takes only its own lock; the trim, ReleaseMemory and a
// thread's exit take them in order.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace buffers {

class TRBSmartBufferManager;

namespace storecache {

constexpr uint32_t kSlots = 8;
constexpr uint32_t kDepth = 8;
constexpr uint32_t kIdleTicks = 8;

class TThreadCache {
 public:
  // The owner's operations. Pop gives the most recently cached block of the size, or null.
  void* Pop(uint32_t ASize);
  // Caches the block; returns the block that goes to the chain instead: the block itself when
  // no slot is free for its size, the oldest block of a full slot, or null.
  void* Push(void* ABlock, uint32_t ASize);

  // Operations of other threads (under the registry lock).
  void Trim();                                   // one timer tick over every slot
  void FreeAll();                                // every cached block back to the heap
  template <class F>
  void Drain(F&& give) {                         // every cached block to give(block, size)
    Lock();
    for (TSlot& slot : FSlots) {
      for (uint32_t i = 0; i < slot.Count; ++i) give(slot.Blocks[i], slot.Size);
      slot = TSlot{};
    }
    Unlock();
  }
  // The cached blocks of the size; false when no slot holds the size.
  bool FreeBlockCount(uint32_t ASize, int64_t& ACount);

  // Blocks handed out minus blocks returned by this thread through the store's entry points:
  // written by the owner only, read by anyone.
  void CountBlocks(int64_t ADelta) {
    FOutstanding.store(FOutstanding.load(std::memory_order_relaxed) + ADelta,
                       std::memory_order_relaxed);
  }
  int64_t Outstanding() const { return FOutstanding.load(std::memory_order_relaxed); }

 private:
  struct TSlot {
    uint32_t Size = 0;  // 0: free slot
    uint32_t Count = 0;
    uint32_t CountDown = 0;
    void* Blocks[kDepth] = {};  // a stack: the top is Blocks[Count - 1]
  };

  void Lock();
  void Unlock() { FBusy.store(false, std::memory_order_release); }
  TSlot* Find(uint32_t ASize);     // the slot of the size (0: a free slot)
  TSlot* SlotFor(uint32_t ASize);  // the slot of the size, else one that can take it

  std::atomic<bool> FBusy{false};
  std::atomic<int64_t> FOutstanding{0};
  TSlot FSlots[kSlots];
};

// The calling thread's cache, made on first use; null while the thread is ending.
TThreadCache* ThisThreadCache();

// The process-wide list of caches, and the store their blocks go back to when a thread ends.
struct TRegistry {
  std::mutex Lock;
  std::vector<TThreadCache*> Caches;
  int64_t RetiredOutstanding = 0;  // counts of ended threads
  TRBSmartBufferManager* Store = nullptr;
};
TRegistry& Registry();

}  // namespace storecache
}  // namespace buffers
