// The pooled store: capacities, last-in first-out reuse, the timer-driven trim, container
// counts, clones, and the store's life around the buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "buffers/RBInternalStore.h"
#include "platform/SysUtils.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/common/Steps.h"
#include "tests/common/Watchdog.h"

namespace {

using namespace buffers;
using bufferstest::BuffersTest;
using bufferstest::Tick;

using Store = BuffersTest;

// A clean store: no free blocks in any chain.
void EmptyStore() { SmartBufferManager->ReleaseMemory(); }

TEST_F(Store, CapacityIsTheNextPowerOfTwoFromFourUpTo2Pow30) {
  const struct {
    uint32_t Request, Capacity;
  } cases[] = {{0, 4},       {1, 4},           {4, 4},           {5, 8},
               {4096, 4096}, {4097, 8192},     {65535, 65536},   {(1u << 29) + 1, 1u << 30},
               {1u << 30, 1u << 30}};
  for (const auto& c : cases) {
    EXPECT_EQ(TRBSmartBuffer::PowerOfTwoSize(c.Request), c.Capacity) << c.Request;
    if (c.Capacity > 65536) continue;  // no gigabyte blocks in a unit test
    TRBSmartMemoryBuffer* container = TRBSmartMemoryBuffer::Create(c.Request);
    EXPECT_EQ(container->AllocatedSize(), c.Capacity) << c.Request;
    EXPECT_EQ(container->GetCapacity(), c.Capacity);
    EXPECT_NE(container->GetRawData(), nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(container->GetRawData()) % 32, 0u);
    container->Free();
  }
}

TEST_F(Store, RequestsAbove2Pow30AreRefusedNeverGivenASmallerBlock) {
  for (uint32_t request : {(1u << 30) + 1, 0xFFFFFFFFu}) {
    try {
      TRBSmartMemoryBuffer::Create(request)->Free();
      ADD_FAILURE() << request << " was accepted";
    } catch (const platform::EOutOfMemory& e) {
      EXPECT_STREQ(e.what(), "Out of memory");
    }
    EXPECT_THROW(TRBSmartMemoryBuffer::CreateData(nullptr, request), platform::EOutOfMemory);
  }
}

TEST_F(Store, AllocateZeroGivesNullAndCreatesNoChain) {
  EmptyStore();
  const int32_t chains = SmartBufferManager->ChainCount();
  EXPECT_EQ(SmartBufferManager->Allocate(0), nullptr);
  EXPECT_EQ(AllocateSmartMemory(0), nullptr);
  EXPECT_EQ(SmartBufferManager->ChainCount(), chains);
  EXPECT_EQ(SmartBufferManager->FreeBlockCount(0), -1);
}

TEST_F(Store, FreeBlocksAreHandedOutLastInFirstOut) {
  EmptyStore();
  TRBSmartBufferManager& store = *SmartBufferManager;
  // More blocks than a thread keeps at hand: the order holds across the chain behind.
  std::vector<void*> blocks(20);
  for (void*& p : blocks) p = store.Allocate(48);
  for (void* p : blocks) store.Deallocate(p, 48);
  EXPECT_EQ(store.FreeBlockCount(48), 20);
  for (size_t i = blocks.size(); i-- > 0;) EXPECT_EQ(store.Allocate(48), blocks[i]) << i;
  for (void* p : blocks) store.Deallocate(p, 48);

  void* a = store.Allocate(100);
  void* b = store.Allocate(100);
  void* c = store.Allocate(100);
  ASSERT_TRUE(a && b && c);
  store.Deallocate(a, 100);
  store.Deallocate(c, 100);
  store.Deallocate(b, 100);
  EXPECT_EQ(store.FreeBlockCount(100), 3);
  EXPECT_EQ(store.Allocate(100), b);
  EXPECT_EQ(store.Allocate(100), c);
  EXPECT_EQ(store.Allocate(100), a);
  EXPECT_EQ(store.FreeBlockCount(100), 0);
  void* fresh = store.Allocate(100);  // a fresh block once the stack is empty
  EXPECT_TRUE(fresh != a && fresh != b && fresh != c);
  store.Deallocate(fresh, 100);

  // A block returned in a size that has no chain starts that chain.
  EXPECT_EQ(store.FreeBlockCount(12345), -1);
  store.Deallocate(a, 12345);
  EXPECT_EQ(store.FreeBlockCount(12345), 1);
  EXPECT_EQ(store.Allocate(12345), a);
  store.Deallocate(a, 12345);
  store.Deallocate(b, 100);
  store.Deallocate(c, 100);
  EmptyStore();
}

TEST_F(Store, ContainersComeFromThePoolAndReuseTheirBlocks) {
  EmptyStore();
  // A container is two pooled blocks: the object and its data.
  TRBSmartMemoryBuffer* first = TRBSmartMemoryBuffer::Create(1000);
  EXPECT_EQ(OutstandingSmartBlocks(), 2);
  EXPECT_EQ(TRBSmartBuffer::LiveCount(), 1);
  void* firstData = first->GetRawData();
  void* firstObject = first;
  first->Free();
  EXPECT_EQ(OutstandingSmartBlocks(), 0);
  if (kBufferPoolBypassed) GTEST_SKIP() << "the pool is bypassed in this build";
  EXPECT_EQ(SmartBufferManager->FreeBlockCount(1024), 1);
  TRBSmartMemoryBuffer* second = TRBSmartMemoryBuffer::Create(600);
  EXPECT_EQ(static_cast<void*>(second), firstObject);
  EXPECT_EQ(second->GetRawData(), firstData);
  second->Free();
}

TEST_F(Store, TheTimerTrimsIdleBlocksAndAnAllocationRestartsTheCountDown) {
  EmptyStore();
  TRBSmartBufferManager& store = *SmartBufferManager;
  constexpr uint32_t kSize = 777;
  auto returnThree = [&] {
    void* blocks[3] = {store.Allocate(kSize), store.Allocate(kSize), store.Allocate(kSize)};
    for (void* p : blocks) store.Deallocate(p, kSize);
  };

  // Three free blocks after the last return: all stay for 8 ticks, then one goes per tick,
  // and the chain goes with the last block on the 11th tick.
  returnThree();
  std::vector<int64_t> seen;
  for (int tick = 1; tick <= 12; ++tick) {
    Tick();
    seen.push_back(store.FreeBlockCount(kSize));
  }
  EXPECT_EQ(seen, (std::vector<int64_t>{3, 3, 3, 3, 3, 3, 3, 3, 2, 1, -1, -1}));

  // An allocation after 5 ticks restarts the count-down at 3 + 8 (the free blocks before
  // it), so of the two blocks left the first goes on the 10th tick after it.
  returnThree();
  Tick(5);
  void* taken = store.Allocate(kSize);
  seen.clear();
  for (int tick = 1; tick <= 11; ++tick) {
    Tick();
    seen.push_back(store.FreeBlockCount(kSize));
  }
  EXPECT_EQ(seen, (std::vector<int64_t>{2, 2, 2, 2, 2, 2, 2, 2, 2, 1, -1}));

  // A return restarts it too, and a later request for the size makes a new chain.
  store.Deallocate(taken, kSize);
  EXPECT_EQ(store.FreeBlockCount(kSize), 1);
  Tick(8);
  EXPECT_EQ(store.FreeBlockCount(kSize), 1);
  Tick();
  EXPECT_EQ(store.FreeBlockCount(kSize), -1);
}

TEST_F(Store, BlocksAThreadKeepsAtHandAreTrimmedAndGoToTheChainWhenItEnds) {
  Watchdog dog(30, "Store.BlocksAThreadKeepsAtHandAreTrimmedAndGoToTheChainWhenItEnds");
  EmptyStore();
  TRBSmartBufferManager& store = *SmartBufferManager;
  TSteps steps;
  void* kept = nullptr;
  std::thread worker([&] {
    void* a = store.Allocate(333);
    void* b = store.Allocate(333);
    store.Deallocate(a, 333);
    store.Deallocate(b, 333);
    steps.Set(1);
    steps.WaitFor(2);  // idle while the timer runs
    kept = store.Allocate(444);
    store.Deallocate(kept, 444);
  });
  steps.WaitFor(1);
  EXPECT_EQ(store.FreeBlockCount(333), 2);
  Tick(9);
  EXPECT_EQ(store.FreeBlockCount(333), 1);
  Tick();
  EXPECT_EQ(store.FreeBlockCount(333), -1);
  steps.Set(2);
  worker.join();
  // The ended thread's block waits on the chain, where this thread finds it.
  EXPECT_EQ(store.FreeBlockCount(444), 1);
  void* again = store.Allocate(444);
  EXPECT_EQ(again, kept);
  store.Deallocate(again, 444);
  EmptyStore();
}

TEST_F(Store, ContainerCountsOwnersAndTransports) {
  TRBSmartMemoryBuffer* container = TRBSmartMemoryBuffer::Create(16);
  container->AddReff(true);
  container->AddReff(false);
  EXPECT_TRUE(container->SingleOwner());
  container->AddReff(true);
  EXPECT_FALSE(container->SingleOwner());
  EXPECT_EQ(container->CountOwners(), 2);
  EXPECT_EQ(container->CountTransports(), 3);

  container->RemoveOwnerShip();
  EXPECT_TRUE(container->SingleOwner());
  container->RemoveOwnerShip();
  container->RemoveOwnerShip();  // never below 0
  EXPECT_EQ(container->CountOwners(), 0);
  EXPECT_EQ(container->CountTransports(), 3);

  container->RemoveReff(true);  // no owner left to remove: only the transport goes
  container->RemoveReff(false);
  EXPECT_EQ(TRBSmartBuffer::LiveCount(), 1);
  EXPECT_EQ(container->CountTransports(), 1);
  container->RemoveReff(false);  // the last reference frees the container and its block
  EXPECT_EQ(TRBSmartBuffer::LiveCount(), 0);
  EXPECT_EQ(OutstandingSmartBlocks(), 0);
}

TEST_F(Store, ClonesKeepTheCapacityButNotTheBufferNumber) {
  TRBSmartMemoryBuffer* source = TRBSmartMemoryBuffer::Create(100);
  auto* bytes = static_cast<uint8_t*>(source->GetRawData());
  for (uint32_t i = 0; i < source->AllocatedSize(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  source->SetBufferNumber(42);
  source->SetBufferNumberAvailable(true);

  for (bool preserve : {false, true}) {
    auto* clone = dynamic_cast<TRBSmartMemoryBuffer*>(source->Clone(preserve));
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->AllocatedSize(), 128u);
    EXPECT_NE(clone->GetRawData(), source->GetRawData());
    EXPECT_EQ(clone->GetBufferNumber(), 0);
    EXPECT_FALSE(clone->GetBufferNumberAvailable());
    EXPECT_EQ(clone->CountTransports(), 0);
    if (preserve) {
      EXPECT_EQ(std::memcmp(clone->GetRawData(), bytes, 128), 0);
    }
    clone->Free();
  }

  // A plain container clones into a plain container.
  TRBSmartBuffer* plain = platform::New<TRBSmartBuffer>();
  TRBSmartBuffer* plainClone = plain->Clone(true);
  EXPECT_EQ(&plainClone->ClassType(), &TRBSmartBuffer::StaticClass());
  plainClone->Free();
  plain->Free();
  source->Free();
}

TEST_F(Store, CopyFromCopiesTheSmallerCapacityEitherWay) {
  TRBSmartMemoryBuffer* small = TRBSmartMemoryBuffer::CreateData("ABCDEFGH", 8);
  TRBSmartMemoryBuffer* large = TRBSmartMemoryBuffer::CreateData("abcdefghijklmnop", 16);
  large->CopyFrom(small);
  EXPECT_EQ(std::memcmp(large->GetRawData(), "ABCDEFGHijklmnop", 16), 0);
  std::memcpy(large->GetRawData(), "0123456789", 10);
  small->CopyFrom(large);
  EXPECT_EQ(std::memcmp(small->GetRawData(), "01234567", 8), 0);
  small->Free();
  large->Free();
}

TEST_F(Store, BlocksReturnedAfterTheStoreStoppedGoToTheHeap) {
  // As when a component frees its last buffer late in shutdown, after the store's unit.
  TRBSmartMemoryBuffer* container = TRBSmartMemoryBuffer::Create(64);
  TRBSmartBufferManager* store = SmartBufferManager;
  SmartBufferManager = nullptr;
  container->Free();
  TRBSmartMemoryBuffer* unpooled = TRBSmartMemoryBuffer::Create(64);
  unpooled->Free();
  SmartBufferManager = store;
}

TEST_F(Store, ThreadsAllocateAndReturnAtTheSameTime) {
  Watchdog dog(60, "Store.ThreadsAllocateAndReturnAtTheSameTime");
  constexpr int kThreads = 8;
  constexpr int kRounds = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const uint32_t sizes[] = {64, 4096, 1000u + static_cast<uint32_t>(t)};
      std::vector<std::pair<uint8_t*, uint32_t>> held;
      for (int i = 0; i < kRounds; ++i) {
        const uint32_t size = sizes[i % 3];
        auto* block = static_cast<uint8_t*>(AllocateSmartMemory(size));
        std::memset(block, t, size);  // a block handed to two threads would be caught here
        held.emplace_back(block, size);
        if (held.size() > 4) {
          auto [oldest, oldSize] = held.front();
          for (uint32_t k = 0; k < oldSize; ++k)
            if (oldest[k] != t) {
              ADD_FAILURE() << "a block was shared between threads";
              break;
            }
          ReleaseSmartMemory(oldest, oldSize);
          held.erase(held.begin());
        }
        if (i % 97 == 0) TRBSmartMemoryBuffer::Create(size)->Free();
        if (i % 5 == 0) {  // the store itself, also when the entry points bypass it
          void* own = SmartBufferManager->Allocate(size);
          SmartBufferManager->Deallocate(own, size);
        }
      }
      for (auto [block, size] : held) ReleaseSmartMemory(block, size);
    });
  }
  // The trim runs on this thread meanwhile.
  for (int i = 0; i < 20; ++i) Tick();
  for (std::thread& th : threads) th.join();
}

}  // namespace
