// The pooled store of memory blocks and the shared data containers built on it.
//
// SmartBufferManager hands out raw blocks by exact byte size. Returned blocks wait on one
// free stack per size (a chain); the most recently returned block is handed out first. A
// window timer trims the chains every 200 ms: each chain counts down from (free blocks + 8),
// restarted by every allocation and return, and once its count-down is below its number of
// free blocks it frees one block per tick; a chain whose count-down reaches 0 is dropped.
// So after the last use of a size that left C free blocks, all C stay for 8 ticks, then one
// goes per tick, and the empty chain goes after C + 8 ticks.
//
// In front of the chains every thread caches the blocks it returned last (up to 8 of each of
// up to 8 sizes, buffers/RBInternalStoreCache.h): a thread takes its own returns back first,
// last in first out, without a lock that other threads use; cached blocks count down and are
// trimmed like a chain of their own, and go to the chains when their thread ends.
//
// TRBSmartBuffer is the reference-counted container that buffer views share (owners count
// for copy-on-write, transports are all references); TRBSmartMemoryBuffer holds one pooled
// block whose capacity is a power of two from 4 bytes to 1 GiB, and its own object memory is
// recycled through the pool too.
//
// Other containers (media and pixel stores) derive from TRBSmartBuffer and take their blocks
// with AllocateSmartMemory/ReleaseSmartMemory; by overriding GetRawData and GetCapacity they
// let a byte view (TRBBlockBuffer::CreateUniversal) and Resize see their bytes.
//
// Built with PF_BUFFER_POOL_BYPASS, AllocateSmartMemory and ReleaseSmartMemory go straight
// to the heap (one allocation per block), so that the sanitizers see every use after free.
// Before the store's unit has started and after it has stopped they do the same, so a
// buffer freed late in shutdown never reaches a freed store.
//
// Threads: any thread may allocate and return blocks; one lock serialises the chains, and
// each thread's cache has a lock of its own that only the trim, ReleaseMemory and the
// thread's end take besides the thread. The trim runs on the thread that started the unit (the
// main thread's message loop). One store exists at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/Kernel.h"
#include "platform/Objects.h"
#include "platform/Units.h"

namespace pins {
class TCBTimer;
}

namespace buffers::storecache {
class TThreadCache;
}

namespace buffers {

#ifdef PF_BUFFER_POOL_BYPASS
inline constexpr bool kBufferPoolBypassed = true;
#else
inline constexpr bool kBufferPoolBypassed = false;
#endif

// The largest capacity of a memory container: 2^30 bytes.
inline constexpr uint32_t kMaxSmartBufferSize = 1u << 30;

// One chain: the free blocks of one exact size, used as a stack (the top is the back).
// Called only by the manager under its lock.
class TRBSmartBufferList {
 public:
  explicit TRBSmartBufferList(uint32_t ASize) : FSize(ASize) {}
  ~TRBSmartBufferList();  // frees the blocks still on the stack
  TRBSmartBufferList(const TRBSmartBufferList&) = delete;
  TRBSmartBufferList& operator=(const TRBSmartBufferList&) = delete;

  uint32_t Size() const { return FSize; }
  uint32_t FreeCount() const { return static_cast<uint32_t>(BufferList.size()); }
  uint32_t CountDown() const { return FCountDown; }

  // The top block, or a fresh one from the heap; EOutOfMemory when the heap refuses.
  void* Allocate();
  void Deallocate(void* DataPtr);
  // One trim tick: lowers the count-down and frees blocks above it; true when the count-down
  // is 0 (the chain may be dropped).
  bool DownSize();

 private:
  uint32_t FSize;
  std::vector<void*> BufferList;
  uint32_t FCountDown = 0;
};

class TRBSmartBufferManager {
 public:
  // Starts the trim timer on the calling thread's message loop.
  TRBSmartBufferManager();
  // Stops the timer, then frees every free block and chain.
  ~TRBSmartBufferManager();
  TRBSmartBufferManager(const TRBSmartBufferManager&) = delete;
  TRBSmartBufferManager& operator=(const TRBSmartBufferManager&) = delete;

  // A block of exactly ASize bytes (32-byte aligned when fresh); null for 0, which creates no
  // chain. EOutOfMemory "Out of memory" when the heap refuses.
  void* Allocate(uint32_t ASize);
  // Returns a block: to the calling thread's cache, or to the chain of its size (created
  // when there is none).
  void Deallocate(void* DataPtr, uint32_t ASize);
  // Returns a block to the chain of its size, past the thread caches.
  void ReturnToChain(void* DataPtr, uint32_t ASize);
  // Gives every free block back to the heap (the threads' caches included) and drops every
  // chain.
  void ReleaseMemory();
  // The timer's handler: one trim tick over every chain, last chain first, then over the
  // threads' caches.
  void TrimTimer(platform::TObject* Sender);

  // What the store holds now: its chains, and the free blocks of one size in the chain and
  // the threads' caches (-1: neither holds the size).
  int32_t ChainCount();
  int64_t FreeBlockCount(uint32_t ASize);

 private:
  friend void* AllocateSmartMemory(uint32_t ASize);
  friend void ReleaseSmartMemory(void* DataPtr, uint32_t ASize);
  // The same, with the calling thread's cache (null: none) looked up once by the caller.
  void* Allocate(uint32_t ASize, storecache::TThreadCache* ACache);
  void Deallocate(void* DataPtr, uint32_t ASize, storecache::TThreadCache* ACache);
  TRBSmartBufferList* FindChain(uint32_t ASize);  // under FLock; creates the chain

  std::mutex FLock;
  std::vector<TRBSmartBufferList*> FChains;  // in order of creation
  pins::TCBTimer* FTimer = nullptr;
};

// The process-wide store; null before the unit starts and after it stops.
extern TRBSmartBufferManager* SmartBufferManager;

// The unit's entry points: a block of exactly ASize bytes (null for 0) and its return, with
// the size it was asked for.
void* AllocateSmartMemory(uint32_t ASize);
void ReleaseSmartMemory(void* DataPtr, uint32_t ASize);

// Blocks handed out by AllocateSmartMemory and not yet returned (container objects included).
int64_t OutstandingSmartBlocks();

// The unit: makes SmartBufferManager with its timer, and frees it at shutdown.
extern const platform::TUnit RBInternalStoreUnit;

// ---------------------------------------------------------------------------------------
// Containers

// The container that buffer views share. It frees itself (Free) when its transport count
// falls from 1 to 0; a container that never had a reference is freed by its maker.
class TRBSmartBuffer : public platform::TObject {
  PF_CLASS(TRBSmartBuffer)
  PF_ALLOW_NEW;

 public:
  // A view takes the container as owner (true) or as a mere transport (false) ...
  virtual void AddReff(bool OwnsData);
  // ... and lets go with the same flag; the last transport frees the container.
  virtual void RemoveReff(bool OwnsData);
  // The reference stays but no longer counts as an owner.
  virtual void RemoveOwnerShip();
  // True when fewer than two owners share the container.
  virtual bool SingleOwner();
  // A new container of the same kind; with Preserve its contents equal this one's, otherwise
  // they are undefined. The clone has no buffer number.
  virtual TRBSmartBuffer* Clone(bool Preserve);

  // The container's bytes, for views that see any container as bytes: null and 0 here;
  // containers that hold a block override both.
  virtual void* GetRawData() { return nullptr; }
  virtual uint32_t GetCapacity() { return 0; }
  // Copies the smaller of the two capacities from Other's bytes into this container's.
  void CopyFrom(TRBSmartBuffer* Other);

  // Bracket any access that must not interleave with a change of the counts; both pairs take
  // the same recursive lock.
  void EnterRead() { FCriticalSection.Enter(); }
  void LeaveRead() { FCriticalSection.Leave(); }
  void EnterWrite() { FCriticalSection.Enter(); }
  void LeaveWrite() { FCriticalSection.Leave(); }

  // The sequence number of the data (read and written without the lock).
  bool GetBufferNumberAvailable() const { return FBufferNumberAvailable.load(std::memory_order_relaxed); }
  void SetBufferNumberAvailable(bool AValue) { FBufferNumberAvailable.store(AValue, std::memory_order_relaxed); }
  int64_t GetBufferNumber() const { return FBufferNumber.load(std::memory_order_relaxed); }
  void SetBufferNumber(int64_t AValue) { FBufferNumber.store(AValue, std::memory_order_relaxed); }

  int32_t CountOwners();
  int32_t CountTransports();

  // The capacity of a memory container for ASize bytes: the first 2^k (k = 2 .. 30) not
  // below ASize, else 2^30.
  static uint32_t PowerOfTwoSize(uint32_t ASize);
  // Containers alive now (for leak checks).
  static int64_t LiveCount();

 protected:
  TRBSmartBuffer();
  // Takes nothing from Other: descendants copy what they carry.
  TRBSmartBuffer(TRBSmartBuffer* Other, bool Preserve);
  ~TRBSmartBuffer() override;

 private:
  int32_t FCountOwners = 0;
  int32_t FCountTransports = 0;
  platform::TCriticalSection FCriticalSection;
  std::atomic<bool> FBufferNumberAvailable{false};
  std::atomic<int64_t> FBufferNumber{0};
};

// Holds a container's lock for a scope (EnterRead ... LeaveRead).
class TRBContainerLock {
 public:
  explicit TRBContainerLock(TRBSmartBuffer* AContainer) : FContainer(AContainer) {
    FContainer->EnterRead();
  }
  ~TRBContainerLock() { FContainer->LeaveRead(); }
  TRBContainerLock(const TRBContainerLock&) = delete;
  TRBContainerLock& operator=(const TRBContainerLock&) = delete;

 private:
  TRBSmartBuffer* FContainer;
};

// A container holding one pooled block of a power-of-two capacity.
class TRBSmartMemoryBuffer : public TRBSmartBuffer {
  PF_CLASS(TRBSmartMemoryBuffer)
  PF_ALLOW_NEW;

 public:
  // A container of capacity PowerOfTwoSize(ASize), contents undefined. Sizes above 2^30 are
  // refused with EOutOfMemory "Out of memory" (never a smaller block). ExactSize is not used.
  static TRBSmartMemoryBuffer* Create(uint32_t ASize, bool ExactSize = false);
  // The same, then ASize bytes copied from Data when it is not null.
  static TRBSmartMemoryBuffer* CreateData(const void* Data, uint32_t ASize, bool ExactSize = false);
  // A container of Other's capacity; with Preserve the whole capacity is copied.
  static TRBSmartMemoryBuffer* CreateEx(TRBSmartMemoryBuffer* Other, bool Preserve);

  TRBSmartBuffer* Clone(bool Preserve) override;
  void* GetRawData() override { return FDataPtr; }
  uint32_t GetCapacity() override { return FAllocatedSize; }
  uint32_t AllocatedSize() const { return FAllocatedSize; }

  // Gives every free block of the store back to the heap.
  static void ReleaseMemory();

  // The object itself lives in a pooled block of its instance size.
  static void* operator new(std::size_t size);
  static void operator delete(void* p, std::size_t size);

 protected:
  explicit TRBSmartMemoryBuffer(uint32_t ASize);
  TRBSmartMemoryBuffer(TRBSmartMemoryBuffer* Other, bool Preserve);
  void Destroy() override;

 private:
  void* FDataPtr = nullptr;
  uint32_t FAllocatedSize = 0;
};

}  // namespace buffers
