#include "buffers/RBInternalStore.h"

#include <algorithm>
#include <cstring>

#include "pins/CBComponent.h"
#include "platform/SysUtils.h"
#include "buffers/RBInternalStoreCache.h"
#include "primitives/support/Support.h"

namespace buffers {

namespace {

constexpr uint32_t kTrimInterval = 200;  // milliseconds
using storecache::kIdleTicks;

std::atomic<int64_t> gOutstandingBlocks{0};
std::atomic<int64_t> gLiveContainers{0};

[[noreturn]] void OutOfMemory() { throw platform::EOutOfMemory("Out of memory"); }

void* HeapBlock(uint32_t ASize) {
  void* block = builtin::fbAlignedAlloc8(ASize);
  if (!block) OutOfMemory();
  return block;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Chains

TRBSmartBufferList::~TRBSmartBufferList() {
  for (void* block : BufferList) builtin::fbAlignedFree(block);
}

void* TRBSmartBufferList::Allocate() {
  FCountDown = FreeCount() + kIdleTicks;
  if (BufferList.empty()) return HeapBlock(FSize);
  void* block = BufferList.back();
  BufferList.pop_back();
  return block;
}

void TRBSmartBufferList::Deallocate(void* DataPtr) {
  BufferList.push_back(DataPtr);
  FCountDown = FreeCount() + kIdleTicks;
}

bool TRBSmartBufferList::DownSize() {
  if (FCountDown > 0) {
    --FCountDown;
    while (FreeCount() > FCountDown) {
      builtin::fbAlignedFree(BufferList.back());
      BufferList.pop_back();
    }
  }
  return FCountDown == 0;
}

// ---------------------------------------------------------------------------------------
// Manager

TRBSmartBufferManager* SmartBufferManager = nullptr;

using storecache::Registry;
using storecache::ThisThreadCache;

TRBSmartBufferManager::TRBSmartBufferManager() {
  FTimer = platform::New<pins::TCBTimer>(nullptr);
  FTimer->SetInterval(kTrimInterval);
  FTimer->SetOnTimer(platform::TNotifyEvent::Bind<&TRBSmartBufferManager::TrimTimer>(this));
  std::lock_guard<std::mutex> lock(Registry().Lock);
  Registry().Store = this;
}

TRBSmartBufferManager::~TRBSmartBufferManager() {
  platform::FreeAndNil(FTimer);
  {
    std::lock_guard<std::mutex> lock(Registry().Lock);
    if (Registry().Store == this) Registry().Store = nullptr;
  }
  ReleaseMemory();
}

TRBSmartBufferList* TRBSmartBufferManager::FindChain(uint32_t ASize) {
  for (TRBSmartBufferList* chain : FChains)
    if (chain->Size() == ASize) return chain;
  FChains.push_back(new TRBSmartBufferList(ASize));
  return FChains.back();
}

void* TRBSmartBufferManager::Allocate(uint32_t ASize) {
  return Allocate(ASize, ThisThreadCache());
}

void* TRBSmartBufferManager::Allocate(uint32_t ASize, storecache::TThreadCache* ACache) {
  if (ASize == 0) return nullptr;
  if (ACache)
    if (void* block = ACache->Pop(ASize)) return block;
  std::lock_guard<std::mutex> lock(FLock);
  return FindChain(ASize)->Allocate();
}

void TRBSmartBufferManager::Deallocate(void* DataPtr, uint32_t ASize) {
  Deallocate(DataPtr, ASize, ThisThreadCache());
}

void TRBSmartBufferManager::Deallocate(void* DataPtr, uint32_t ASize,
                                       storecache::TThreadCache* ACache) {
  if (void* spill = ACache ? ACache->Push(DataPtr, ASize) : DataPtr) ReturnToChain(spill, ASize);
}

void TRBSmartBufferManager::ReturnToChain(void* DataPtr, uint32_t ASize) {
  std::lock_guard<std::mutex> lock(FLock);
  FindChain(ASize)->Deallocate(DataPtr);
}

void TRBSmartBufferManager::ReleaseMemory() {
  std::lock_guard<std::mutex> registryLock(Registry().Lock);
  std::lock_guard<std::mutex> lock(FLock);
  for (TRBSmartBufferList* chain : FChains) delete chain;
  FChains.clear();
  for (storecache::TThreadCache* cache : Registry().Caches) cache->FreeAll();
}

void TRBSmartBufferManager::TrimTimer(platform::TObject*) {
  try {
    std::lock_guard<std::mutex> registryLock(Registry().Lock);
    std::lock_guard<std::mutex> lock(FLock);
    for (size_t i = FChains.size(); i-- > 0;) {
      if (!FChains[i]->DownSize()) continue;
      TRBSmartBufferList* chain = FChains[i];
      FChains.erase(FChains.begin() + static_cast<std::ptrdiff_t>(i));
      delete chain;
    }
    for (storecache::TThreadCache* cache : Registry().Caches) cache->Trim();
  } catch (...) {
    // A failed trim waits for the next tick; nothing leaves the timer handler.
  }
}

int32_t TRBSmartBufferManager::ChainCount() {
  std::lock_guard<std::mutex> lock(FLock);
  return static_cast<int32_t>(FChains.size());
}

int64_t TRBSmartBufferManager::FreeBlockCount(uint32_t ASize) {
  std::lock_guard<std::mutex> registryLock(Registry().Lock);
  std::lock_guard<std::mutex> lock(FLock);
  int64_t count = 0;
  bool held = false;
  for (TRBSmartBufferList* chain : FChains)
    if (chain->Size() == ASize) {
      count += chain->FreeCount();
      held = true;
    }
  for (storecache::TThreadCache* cache : Registry().Caches)
    held = cache->FreeBlockCount(ASize, count) || held;
  return held ? count : -1;
}

namespace {

// Blocks handed out and not returned, counted by the thread that moved them.
void CountBlocks(storecache::TThreadCache* ACache, int64_t ADelta) {
  if (ACache)
    ACache->CountBlocks(ADelta);
  else
    gOutstandingBlocks.fetch_add(ADelta, std::memory_order_relaxed);
}

}  // namespace

void* AllocateSmartMemory(uint32_t ASize) {
  if (ASize == 0) return nullptr;
  storecache::TThreadCache* cache = ThisThreadCache();
  TRBSmartBufferManager* store = kBufferPoolBypassed ? nullptr : SmartBufferManager;
  void* block = store ? store->Allocate(ASize, cache) : HeapBlock(ASize);
  CountBlocks(cache, 1);
  return block;
}

void ReleaseSmartMemory(void* DataPtr, uint32_t ASize) {
  if (!DataPtr) return;
  storecache::TThreadCache* cache = ThisThreadCache();
  CountBlocks(cache, -1);
  TRBSmartBufferManager* store = kBufferPoolBypassed ? nullptr : SmartBufferManager;
  if (store)
    store->Deallocate(DataPtr, ASize, cache);
  else
    builtin::fbAlignedFree(DataPtr);
}

int64_t OutstandingSmartBlocks() {
  std::lock_guard<std::mutex> lock(Registry().Lock);
  int64_t count = gOutstandingBlocks.load(std::memory_order_relaxed) + Registry().RetiredOutstanding;
  for (storecache::TThreadCache* cache : Registry().Caches) count += cache->Outstanding();
  return count;
}

static void RBInternalStoreInitialization() { SmartBufferManager = new TRBSmartBufferManager(); }

static void RBInternalStoreFinalization() {
  TRBSmartBufferManager* store = SmartBufferManager;
  SmartBufferManager = nullptr;
  delete store;
}

const platform::TUnit RBInternalStoreUnit{"RBInternalStore", RBInternalStoreInitialization,
                                          RBInternalStoreFinalization};

// ---------------------------------------------------------------------------------------
// Containers

PF_DEFINE_CLASS(TRBSmartBuffer, platform::TObject)

TRBSmartBuffer::TRBSmartBuffer() { gLiveContainers.fetch_add(1, std::memory_order_relaxed); }

TRBSmartBuffer::TRBSmartBuffer(TRBSmartBuffer*, bool) : TRBSmartBuffer() {}

TRBSmartBuffer::~TRBSmartBuffer() { gLiveContainers.fetch_sub(1, std::memory_order_relaxed); }

int64_t TRBSmartBuffer::LiveCount() { return gLiveContainers.load(std::memory_order_relaxed); }

void TRBSmartBuffer::AddReff(bool OwnsData) {
  TRBContainerLock lock(this);
  if (OwnsData) ++FCountOwners;
  ++FCountTransports;
}

void TRBSmartBuffer::RemoveReff(bool OwnsData) {
  bool last = false;
  {
    TRBContainerLock lock(this);
    if (OwnsData && FCountOwners > 0) --FCountOwners;
    if (FCountTransports <= 0) return;
    last = --FCountTransports == 0;
  }
  if (last) Free();
}

void TRBSmartBuffer::RemoveOwnerShip() {
  TRBContainerLock lock(this);
  if (FCountOwners > 0) --FCountOwners;
}

bool TRBSmartBuffer::SingleOwner() {
  TRBContainerLock lock(this);
  return FCountOwners < 2;
}

int32_t TRBSmartBuffer::CountOwners() {
  TRBContainerLock lock(this);
  return FCountOwners;
}

int32_t TRBSmartBuffer::CountTransports() {
  TRBContainerLock lock(this);
  return FCountTransports;
}

TRBSmartBuffer* TRBSmartBuffer::Clone(bool Preserve) {
  return platform::New<TRBSmartBuffer>(this, Preserve);
}

void TRBSmartBuffer::CopyFrom(TRBSmartBuffer* Other) {
  if (Other == this) return;
  const uint32_t count = std::min(GetCapacity(), Other->GetCapacity());
  if (count > 0) std::memcpy(GetRawData(), Other->GetRawData(), count);
}

uint32_t TRBSmartBuffer::PowerOfTwoSize(uint32_t ASize) {
  for (uint32_t k = 2; k <= 30; ++k)
    if ((1u << k) >= ASize) return 1u << k;
  return kMaxSmartBufferSize;
}

// ---------------------------------------------------------------------------------------
// Memory container

PF_DEFINE_CLASS(TRBSmartMemoryBuffer, TRBSmartBuffer)

TRBSmartMemoryBuffer::TRBSmartMemoryBuffer(uint32_t ASize) {
  if (ASize > kMaxSmartBufferSize) OutOfMemory();
  FAllocatedSize = PowerOfTwoSize(ASize);
  FDataPtr = AllocateSmartMemory(FAllocatedSize);
}

TRBSmartMemoryBuffer::TRBSmartMemoryBuffer(TRBSmartMemoryBuffer* Other, bool Preserve)
    : TRBSmartBuffer(Other, Preserve) {
  FAllocatedSize = Other->FAllocatedSize;
  FDataPtr = AllocateSmartMemory(FAllocatedSize);
  if (Preserve) std::memcpy(FDataPtr, Other->FDataPtr, FAllocatedSize);
}

TRBSmartMemoryBuffer* TRBSmartMemoryBuffer::Create(uint32_t ASize, bool) {
  return platform::New<TRBSmartMemoryBuffer>(ASize);
}

TRBSmartMemoryBuffer* TRBSmartMemoryBuffer::CreateData(const void* Data, uint32_t ASize, bool) {
  TRBSmartMemoryBuffer* container = platform::New<TRBSmartMemoryBuffer>(ASize);
  if (Data && ASize > 0) std::memcpy(container->FDataPtr, Data, ASize);
  return container;
}

TRBSmartMemoryBuffer* TRBSmartMemoryBuffer::CreateEx(TRBSmartMemoryBuffer* Other, bool Preserve) {
  return platform::New<TRBSmartMemoryBuffer>(Other, Preserve);
}

TRBSmartBuffer* TRBSmartMemoryBuffer::Clone(bool Preserve) { return CreateEx(this, Preserve); }

void TRBSmartMemoryBuffer::Destroy() {
  if (FDataPtr) {
    ReleaseSmartMemory(FDataPtr, FAllocatedSize);
    FDataPtr = nullptr;
  }
  TRBSmartBuffer::Destroy();
}

void TRBSmartMemoryBuffer::ReleaseMemory() {
  if (SmartBufferManager) SmartBufferManager->ReleaseMemory();
}

void* TRBSmartMemoryBuffer::operator new(std::size_t size) {
  return AllocateSmartMemory(static_cast<uint32_t>(size));
}

void TRBSmartMemoryBuffer::operator delete(void* p, std::size_t size) {
  ReleaseSmartMemory(p, static_cast<uint32_t>(size));
}

}  // namespace buffers
