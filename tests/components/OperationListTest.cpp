#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "components/RBVariantStorages.h"
#include "pins/PNStdTypes.h"
#include "tests/common/Steps.h"
#include "tests/common/Watchdog.h"

namespace {

using namespace components;
using pins::TPNStartOperation;
using platform::New;

struct OperationList {
  TRBOperationList* List;
  explicit OperationList(IPNLock* ALock = nullptr) : List(New<TRBOperationList>(ALock)) {}
  ~OperationList() { List->Free(); }
  TRBOperationList* operator->() const { return List; }
};

RefPtr<IPNNotifyOperation> Op() { return TPNStartOperation::Make(); }

TEST(OperationList, PushAppendsPushBackJumpsTheQueueAndSingleItemLeavesOnlyTheNewOne) {
  OperationList q;
  auto a = Op(), b = Op(), c = Op();
  EXPECT_EQ(q->Push(a.Get(), false), 1);
  EXPECT_EQ(q->Push(b.Get(), false), 2);
  EXPECT_EQ(q->PushBack(c.Get()), 3);
  EXPECT_EQ(q->ItemsCount(), 3);
  EXPECT_EQ(q->Peek(), c);
  EXPECT_EQ(q->ItemsCount(), 3);
  EXPECT_EQ(q->Pop(), c);
  EXPECT_EQ(q->Pop(), a);
  EXPECT_EQ(q->Pop(), b);
  EXPECT_EQ(q->Pop(), nullptr);
  EXPECT_EQ(q->Peek(), nullptr);

  q->Push(a.Get(), false);
  q->Push(b.Get(), false);
  EXPECT_EQ(q->Push(c.Get(), true), 1);
  EXPECT_EQ(q->Pop(), c);
  EXPECT_EQ(q->ItemsCount(), 0);
}

TEST(OperationList, ClearAndDestructionReleaseTheOperations) {
  auto a = Op();
  {
    OperationList q;
    q->Push(a.Get(), false);
    q->Push(a.Get(), false);
    EXPECT_EQ(a->Instance()->RefCount(), 3);
    q->Clear();
    EXPECT_EQ(a->Instance()->RefCount(), 1);
    q->Push(a.Get(), false);
  }
  EXPECT_EQ(a->Instance()->RefCount(), 1);
}

// While another thread stops the lock, every operation gives up at once and changes nothing.
TEST(OperationList, OperationsDoNothingWhileTheLockIsBeingStopped) {
  Watchdog dog(20, "OperationList.StoppedLock");
  auto lock = pins::TPNLock::Create();
  OperationList q(lock.Get());
  auto a = Op();
  q->Push(a.Get(), false);
  TSteps steps;
  std::thread stopper([&] {
    auto stop = lock->StopLock();
    steps.Set(1);
    steps.WaitFor(2);
  });
  steps.WaitFor(1);
  EXPECT_EQ(q->Push(a.Get(), false), 0);
  EXPECT_EQ(q->PushBack(a.Get()), 0);
  EXPECT_EQ(q->ItemsCount(), 0);
  EXPECT_EQ(q->Peek(), nullptr);
  EXPECT_EQ(q->Pop(), nullptr);
  steps.Set(2);
  stopper.join();
  EXPECT_EQ(q->ItemsCount(), 1);
}

TEST(OperationList, ProducersAndAConsumerLoseNothingAndKeepEachProducersOrder) {
  Watchdog dog(30, "OperationList.ProducersAndConsumer");
  constexpr int Producers = 4, PerProducer = 2000;
  OperationList q;
  std::vector<std::vector<uint32_t>> sent(Producers);
  std::vector<std::thread> producers;
  for (int p = 0; p < Producers; ++p)
    producers.emplace_back([&, p] {
      for (int i = 0; i < PerProducer; ++i) {
        auto op = Op();
        sent[p].push_back(op->Instance()->OperationID());
        q->Push(op.Get(), false);
      }
    });
  std::vector<uint32_t> received;
  while (received.size() < size_t(Producers * PerProducer))
    if (auto op = q->Pop()) received.push_back(op->Instance()->OperationID());
  for (auto& t : producers) t.join();
  for (const auto& ids : sent) {
    size_t at = 0;
    for (uint32_t id : received)
      if (at < ids.size() && id == ids[at]) ++at;
    EXPECT_EQ(at, ids.size());
  }
}

}  // namespace
