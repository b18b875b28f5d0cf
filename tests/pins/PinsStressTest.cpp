// A stress run of the pin framework: eight threads make and break links from both ends,
// through converters, join and leave state links, free and make components while values
// flow, read names and display texts, send upstream, and change links from inside their
// handlers. Afterwards no value reached a sink twice, the probe links (which nobody changes,
// while every other thread works around them) received every value sent through them
// exactly once, the two ends of every link agree, and no pin, placeholder or converter is
// left. A watchdog ends the run if it hangs.
//
// PF_PINS_STRESS_SECONDS sets the length of the run (default 2 seconds).
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <shared_mutex>
#include <thread>
#include <unordered_set>

#include "pins/PNPinsRegistries.h"
#include "tests/common/Watchdog.h"
#include "tests/pins/FormsTestSupport.h"

namespace pinstest {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSlots = 12;
constexpr int kThreads = 8;

int RunSeconds() {
  const char* text = std::getenv("PF_PINS_STRESS_SECONDS");
  const int seconds = text ? std::atoi(text) : 0;
  return seconds > 0 ? seconds : 2;
}

// The operations that reached one sink, each once.
class TReceived {
 public:
  // False when the operation had reached the sink already.
  bool Add(uint32_t AID) {
    std::lock_guard<std::mutex> lock(FMutex);
    return FIDs.insert(AID).second;
  }
  std::unordered_set<uint32_t> Take() {
    std::lock_guard<std::mutex> lock(FMutex);
    std::unordered_set<uint32_t> ids;
    ids.swap(FIDs);
    return ids;
  }

 private:
  std::mutex FMutex;
  std::unordered_set<uint32_t> FIDs;
};

// A component that the threads share: used under Use shared, freed and made under Use
// exclusive.
struct TSlot {
  std::shared_mutex Use;
  TTestComponent* C = nullptr;
  TReceived Received;
};

// The slots this thread holds, so that a handler never locks one of them again.
thread_local std::vector<int> tHeld;

class PinsStress : public FormsPinsTest {
 protected:
  void SetUp() override {
    FormsPinsTest::SetUp();
    ClearRegistries();
    RegisterTypeConverter(kDownType, kOtherType, &TTestConverter::StaticClass());
  }
  void TearDown() override {
    FormsPinsTest::TearDown();
    EXPECT_EQ(TTestConverter::Alive.load(), 0) << "converters outlived the run";
    ClearRegistries();
  }

  // ---- Slots

  // Holds slot i (shared) for a scope; Held() is false when another thread is freeing it.
  class TUse {
   public:
    TUse(PinsStress* AOwner, int AIndex, bool ATry = false) : FSlot(AOwner->Slots[static_cast<size_t>(AIndex)]), FIndex(AIndex) {
      if (std::find(tHeld.begin(), tHeld.end(), AIndex) != tHeld.end()) return;
      if (ATry ? FSlot.Use.try_lock_shared() : (FSlot.Use.lock_shared(), true)) {
        FLocked = true;
        tHeld.push_back(AIndex);
      }
    }
    ~TUse() {
      if (!FLocked) return;
      tHeld.erase(std::find(tHeld.begin(), tHeld.end(), FIndex));
      FSlot.Use.unlock_shared();
    }
    TTestComponent* C() const { return FLocked ? FSlot.C : nullptr; }

   private:
    TSlot& FSlot;
    int FIndex;
    bool FLocked = false;
  };

  TTestComponent* Make(int AIndex, bool AOther) {
    TTestComponent* c = Add(("C" + std::to_string(AIndex)).c_str());
    if (AOther) c->In()->Accepts = kOtherType;
    TSlot& slot = Slots[static_cast<size_t>(AIndex)];
    c->In()->OnReceive = [this, &slot, c](IPNNotifyOperation* op, TPNNotifyState state) {
      ++Deliveries;
      if (!slot.Received.Add(op->Instance()->OperationID())) Duplicate(c, op, state);
      ChangeLinksInHandler(c);
      return TPNNotifyResult();
    };
    return c;
  }

  void Duplicate(TTestComponent* c, IPNNotifyOperation* op, TPNNotifyState state) {
    if (++Duplicates <= 5)
      std::fprintf(stderr, "duplicate: %s got operation %u again (state %u)\n", c->Name().c_str(),
                   op->Instance()->OperationID(), static_cast<unsigned>(state.Bits()));
  }

  // From inside a delivery to c's sink: unlink it, relink it elsewhere, or look a source up
  // by name; slots are only tried, never waited for.
  void ChangeLinksInHandler(TTestComponent* c) {
    thread_local std::minstd_rand rng(std::random_device{}());
    const unsigned r = rng() % 200;
    if (r == 0) {
      c->In()->Connect(nullptr);
    } else if (r == 1) {
      TUse other(this, static_cast<int>(rng() % kSlots), true);
      if (other.C()) c->In()->Connect(other.C()->Out());
    } else if (r == 2) {
      c->In()->Connect(P->Out());
    } else if (r == 3) {
      const std::string name = "Form1.C" + std::to_string(rng() % kSlots) + ".OutputPin";
      c->In()->TryLinkTo(nullptr, name, name, false);
    }
  }

  // ---- The threads

  template <class F>
  void Loop(int AThread, F AStep) {
    std::minstd_rand rng(static_cast<unsigned>(AThread) * 7919u + 1u);
    while (!Stop.load()) {
      AStep(rng);
      ++Steps[static_cast<size_t>(AThread)];
    }
  }

  static int Pick(std::minstd_rand& rng) { return static_cast<int>(rng() % kSlots); }

  std::array<TSlot, kSlots> Slots;
  TTestComponent* P = nullptr;  // the probe source
  TTestComponent* Q = nullptr;  // its probe sink, linked directly
  TTestComponent* R = nullptr;  // its probe sink of the other type, linked through a converter
  TReceived QReceived, RReceived;
  std::mutex SentMutex;
  std::vector<uint32_t> Sent;
  std::atomic<bool> Stop{false};
  std::atomic<int64_t> Deliveries{0}, Duplicates{0};
  std::array<std::atomic<int64_t>, kThreads> Steps{};
};

TEST_F(PinsStress, EightThreadsChangeLinksWhileValuesFlow) {
  const int seconds = RunSeconds();
  Watchdog dog(seconds + 120, "PinsStress.EightThreadsChangeLinksWhileValuesFlow");
  P = Add("P");
  Q = Add("Q");
  R = Add("R");
  R->In()->Accepts = kOtherType;
  Q->In()->OnReceive = [this](IPNNotifyOperation* op, TPNNotifyState) {
    if (!QReceived.Add(op->Instance()->OperationID())) ++Duplicates;
    return TPNNotifyResult();
  };
  R->In()->OnReceive = [this](IPNNotifyOperation* op, TPNNotifyState) {
    if (!RReceived.Add(op->Instance()->OperationID())) ++Duplicates;
    return TPNNotifyResult();
  };
  ASSERT_TRUE(Q->In()->Connect(P->Out()));
  ASSERT_TRUE(R->In()->Connect(P->Out()));
  RefPtr<IPNFormatConverter> probeConverter = R->In()->GetFormatConverter();
  ASSERT_TRUE(probeConverter);
  TPNSourcePin* converterOut = ConverterPins(probeConverter.Get())->OutputPin();
  for (int i = 0; i < kSlots; ++i) Slots[static_cast<size_t>(i)].C = Make(i, i % 3 == 0);
  QReceived.Take();
  RReceived.Take();

  std::vector<std::thread> threads;
  // 0: the probe source sends; every value is recorded before it goes out.
  threads.emplace_back([&] {
    Loop(0, [&](std::minstd_rand&) {
      RefPtr<IPNNotifyOperation> op = TPNNotifyOperation::Make();
      {
        std::lock_guard<std::mutex> lock(SentMutex);
        Sent.push_back(op->Instance()->OperationID());
      }
      P->Out()->Notify(op.Get());
      if (Steps[0].load() % 512 == 0) Log().Take();
    });
  });
  // 1: sinks link and unlink themselves (also after another sink, and by name).
  threads.emplace_back([&] {
    Loop(1, [&](std::minstd_rand& rng) {
      const int i = Pick(rng), j = Pick(rng);
      TUse a(this, std::min(i, j)), b(this, std::max(i, j));
      TTestComponent* sinkOwner = Slots[static_cast<size_t>(i)].C;
      TTestComponent* sourceOwner = Slots[static_cast<size_t>(j)].C;
      if (!sinkOwner) return;
      TTestSinkPin* k = sinkOwner->In();
      const std::string name = "Form1.C" + std::to_string(j) + ".OutputPin";
      switch (rng() % 7) {
        case 0: if (sourceOwner) k->Connect(sourceOwner->Out()); break;
        case 1: k->Connect(P->Out()); break;
        case 2: k->ConnectAfter(P->Out(), Q->In()); break;
        case 3: k->Connect(nullptr); break;
        case 4: k->Disconnect(); break;
        case 5: k->TryLinkTo(nullptr, name, name, false); break;
        default: k->TryLinkTo(nullptr, "Form1.Nowhere.OutputPin", "Form1.Nowhere.OutputPin", false); break;
      }
    });
  });
  // 2: sources link and unlink sinks from their side, also the probe source and the probe
  //    converter's output.
  threads.emplace_back([&] {
    Loop(2, [&](std::minstd_rand& rng) {
      const int i = Pick(rng), j = Pick(rng);
      TUse a(this, std::min(i, j)), b(this, std::max(i, j));
      TTestComponent* sourceOwner = Slots[static_cast<size_t>(i)].C;
      TTestComponent* sinkOwner = Slots[static_cast<size_t>(j)].C;
      if (!sinkOwner) return;
      TTestSinkPin* k = sinkOwner->In();
      switch (rng() % 5) {
        case 0: if (sourceOwner) sourceOwner->Out()->Connect(k); break;
        case 1: if (sourceOwner) sourceOwner->Out()->DisconnectFrom(k); break;
        case 2: P->Out()->Connect(k); break;
        case 3: P->Out()->DisconnectFrom(k); break;
        default: converterOut->Connect(k); break;
      }
    });
  });
  // 3: pins join and leave state links (through converters where the types differ).
  threads.emplace_back([&] {
    Loop(3, [&](std::minstd_rand& rng) {
      const int i = Pick(rng), j = Pick(rng);
      TUse a(this, std::min(i, j)), b(this, std::max(i, j));
      TTestComponent* x = Slots[static_cast<size_t>(i)].C;
      TTestComponent* y = Slots[static_cast<size_t>(j)].C;
      if (!x || !y) return;
      const std::string link = "Stress" + std::to_string(rng() % 3);
      switch (rng() % 6) {
        case 0: x->Out()->ConnectByState(y->In()); break;
        case 1: y->In()->Disconnect(); break;
        case 2: x->Out()->JoinStateByName(link); break;
        case 3: y->In()->JoinStateByName(link); break;
        case 4: x->Out()->DisconnectFrom(y->In()); break;
        default: x->Out()->TPNBasicPin::Disconnect(); break;
      }
    });
  });
  // 4: components are freed and made again while values flow into and out of them.
  threads.emplace_back([&] {
    Loop(4, [&](std::minstd_rand& rng) {
      const int i = Pick(rng);
      TSlot& slot = Slots[static_cast<size_t>(i)];
      std::unique_lock<std::shared_mutex> lock(slot.Use);
      if (slot.C) {
        slot.C->Free();
        slot.C = nullptr;
        slot.Received.Take();
        if (rng() % 2) return;
      }
      slot.C = Make(i, rng() % 3 == 0);
      lock.unlock();
      std::this_thread::yield();
    });
  });
  // 5: names and display texts are read.
  threads.emplace_back([&] {
    Loop(5, [&](std::minstd_rand& rng) {
      TUse a(this, Pick(rng));
      if (TTestComponent* c = a.C()) {
        (void)c->Out()->GetDisplayText();
        (void)c->In()->GetDisplayText();
        (void)c->In()->GetFullName(true);
        (void)c->In()->IsLinkedTo("Form1.P.OutputPin");
        (void)c->In()->GetUpStreamLinkName();
        (void)c->In()->GetDownStreamID();
        (void)c->Out()->HasStateData();
        (void)c->Out()->GetPrimaryConnectionID();
        (void)c->Out()->IsLinkedTo("Form1.Q.InputPin");
      }
      (void)P->Out()->GetDisplayText();
      (void)Q->In()->GetDisplayText();
    });
  });
  // 6: the other sources send.
  threads.emplace_back([&] {
    Loop(6, [&](std::minstd_rand& rng) {
      TUse a(this, Pick(rng));
      if (TTestComponent* c = a.C()) c->Out()->Notify(TPNNotifyOperation::Make().Get());
    });
  });
  // 7: sinks send upstream.
  threads.emplace_back([&] {
    Loop(7, [&](std::minstd_rand& rng) {
      TUse a(this, Pick(rng));
      if (TTestComponent* c = a.C()) c->In()->Notify(TPNNotifyOperation::Make().Get());
      if (rng() % 64 == 0) {
        Q->In()->Notify(TPNNotifyOperation::Make().Get());
        std::lock_guard<std::mutex> lock(P->Out()->UpstreamMutex);
        P->Out()->Upstream.clear();
      }
    });
  });
  ASSERT_EQ(threads.size(), static_cast<size_t>(kThreads));
  const auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  Stop = true;
  for (std::thread& t : threads) t.join();
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();

  // No value reached a sink twice; the probe links got every value sent, once.
  EXPECT_EQ(Duplicates.load(), 0);
  const std::unordered_set<uint32_t> sent(Sent.begin(), Sent.end());
  EXPECT_EQ(sent.size(), Sent.size());
  const std::unordered_set<uint32_t> q = QReceived.Take(), r = RReceived.Take();
  EXPECT_EQ(q.size(), sent.size());
  EXPECT_EQ(r.size(), sent.size());
  EXPECT_TRUE(q == sent) << "the direct probe lost or gained values";
  EXPECT_TRUE(r == sent) << "the probe through the converter lost or gained values";

  // The two ends of every link agree. (A sink joined to a state link through a converter
  // names the member that joined it as its source; the converter's output serves it.)
  std::vector<TPNSourcePin*> sources{P->Out()};
  std::vector<TPNSinkPin*> sinks{Q->In(), R->In()};
  for (TSlot& slot : Slots)
    if (slot.C) {
      sources.push_back(slot.C->Out());
      sinks.push_back(slot.C->In());
    }
  for (TPNSinkPin* k : sinks) {
    TPNBasicPin* source = k->GetSourcePin();
    if (!source || IsPlaceholder(source) || k->IsStateConnected()) continue;
    auto* s = dynamic_cast<TPNSourcePin*>(source);
    EXPECT_TRUE(s && s->HasLinkTo(k)) << k->GetFullName(true) << " names a source that has no link to it";
  }
  for (TPNSourcePin* s : sources)
    for (int32_t i = 0; i < s->GetSinkCount(); ++i) {
      TPNBasicPin* k = s->GetSink(i);
      if (IsPlaceholder(k)) continue;
      auto* sink = dynamic_cast<TPNSinkPin*>(k);
      EXPECT_TRUE(sink && sink->GetSourcePin() == s)
          << s->GetFullName(true) << " links a sink that names another source";
    }
  for (int32_t i = 0; i < converterOut->GetSinkCount(); ++i) {
    auto* sink = dynamic_cast<TPNSinkPin*>(converterOut->GetSink(i));
    EXPECT_TRUE(sink && sink->ConnectionSourcePin() == converterOut)
        << "the probe converter serves a sink that names another pin";
  }

  int64_t steps = 0;
  for (const auto& n : Steps) steps += n.load();
  std::printf(
      "pins stress: %.1f s, %d threads, %lld steps (probe sends %zu, links from sinks %lld, "
      "from sources %lld, state %lld, frees and makes %lld, reads %lld, sends %lld, upstream "
      "%lld), %lld deliveries to the slots' sinks, %lld duplicates\n",
      elapsed, kThreads, static_cast<long long>(steps), Sent.size(),
      static_cast<long long>(Steps[1].load()), static_cast<long long>(Steps[2].load()),
      static_cast<long long>(Steps[3].load()), static_cast<long long>(Steps[4].load()),
      static_cast<long long>(Steps[5].load()), static_cast<long long>(Steps[6].load()),
      static_cast<long long>(Steps[7].load()), static_cast<long long>(Deliveries.load()),
      static_cast<long long>(Duplicates.load()));
  RecordProperty("steps", std::to_string(steps));

  // Everything goes; the fixture checks that no pin, placeholder or converter is left.
  for (TSlot& slot : Slots) platform::FreeAndNil(slot.C);
  probeConverter = nullptr;
  Log().Take();
}

}  // namespace
}  // namespace pinstest
