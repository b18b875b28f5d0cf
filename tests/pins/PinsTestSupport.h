// Test components and pins for the pin tests: a component with one source pin (OutputPin) and
// one sink pin (InputPin), each published, on a form-like root named "Form1".
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "pins/PNPins.h"
#include "pins/PNPinsGlobals.h"
#include "platform/Components.h"

namespace pinstest {

using namespace pins;
using platform::New;
using platform::RefPtr;
using platform::TComponent;
using platform::TGUID;

// The downstream stream type (source to sink) and the upstream one (sink back to source).
inline constexpr TGUID kDownType = TGUID::Parse("{6D1F3C52-0B7E-4F0A-9C41-2A7D5E8B1C01}");
inline constexpr TGUID kUpType = TGUID::Parse("{6D1F3C52-0B7E-4F0A-9C41-2A7D5E8B1C02}");
inline constexpr TGUID kOtherType = TGUID::Parse("{6D1F3C52-0B7E-4F0A-9C41-2A7D5E8B1C03}");

// One call that reached a sink: the sink's owner name, the operation and the state.
struct TDelivery {
  std::string Sink;
  uint32_t OperationID = 0;
  uint64_t State = 0;
  friend bool operator==(const TDelivery& a, const TDelivery& b) {
    return a.Sink == b.Sink && a.OperationID == b.OperationID && a.State == b.State;
  }
};
std::ostream& operator<<(std::ostream& os, const TDelivery& d);

// Every delivery of the test pins, in order.
class TDeliveryLog {
 public:
  void Add(TDelivery d);
  std::vector<TDelivery> Take();
  std::vector<std::string> TakeSinks();

 private:
  std::mutex FMutex;
  std::vector<TDelivery> FItems;
};
TDeliveryLog& Log();

constexpr uint64_t kNone = 0;
constexpr uint64_t kNewLink = 1;
constexpr uint64_t kLast = 2;

class TTestSinkPin;

class TTestSourcePin : public TPNSourcePin {
  PF_CLASS(TTestSourcePin)
  PF_ALLOW_NEW;

 public:
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override;
  // Accepts the upstream type from its sinks.
  bool AcceptUp = true;
  std::vector<uint32_t> Upstream;  // operations received from sinks (under UpstreamMutex)
  std::mutex UpstreamMutex;
  std::atomic<int> LinksChangedCount{0};
  void LinksChanged() override { ++LinksChangedCount; }

 protected:
  // Offers `type` to its sinks.
  TTestSourcePin(TComponent* owner, IPNLock* lock, IPNLock* inputLock,
                 const TGUID& type = kDownType);
  TPNNotifyResult Submit(IPNStream* handler, const TGUID* id, IPNNotifyOperation* operation,
                         TPNNotifyState state);
};

class TTestSinkPin : public TPNSinkPin {
  PF_CLASS(TTestSinkPin)
  PF_ALLOW_NEW;

 public:
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override;
  // Called for every operation that reaches the pin; the result is returned to the source.
  std::function<TPNNotifyResult(IPNNotifyOperation*, TPNNotifyState)> OnReceive;
  TPNNotifyResult Result;
  bool AcceptDown = true;
  TGUID Accepts = kDownType;  // the downstream type the pin receives
  TPNNotifyResult Receive(IPNNotifyOperation* operation, TPNNotifyState state);
  TGUID ConnectedID() const { return FConnectedID; }

 protected:
  TTestSinkPin(TComponent* owner, IPNLock* lock);
  TPNNotifyResult SubmitUp(IPNStream* handler, const TGUID* id, IPNNotifyOperation* operation,
                           TPNNotifyState state);
};

// A component with an input lock, an owner lock and one pin of each kind. Its teardown
// stops its owner lock first, as components do, so that threads still running through its
// pins give up the lock instead of waiting for it.
class TTestComponent : public TComponent {
  PF_CLASS(TTestComponent)
  PF_ALLOW_NEW;

 public:
  RefPtr<IPNLock> Lock;
  RefPtr<IPNLock> InputLock;
  TTestSourcePin* FOutputPin = nullptr;
  TTestSinkPin* FInputPin = nullptr;
  TTestSourcePin* Out() const { return FOutputPin; }
  TTestSinkPin* In() const { return FInputPin; }
  TPNLock* OwnerLock() const { return Lock->Instance(); }
  TPNLock* InLock() const { return InputLock->Instance(); }

 protected:
  explicit TTestComponent(TComponent* owner);
  void Destroy() override;
};

// Stands in for the converter unit's base class, which the pins recognise by its name.
class TConverterStandIn : public TComponent {
  PF_CLASS(TConverterStandIn)
 protected:
  explicit TConverterStandIn(TComponent* owner) : TComponent(owner) {}
};

// Turns kDownType into kOtherType: its input passes every operation on through its output.
// It lives while interface references to it exist.
class TTestConverter : public TConverterStandIn,
                       public IPNFormatConverter,
                       public TPNFormatConverterPins {
  PF_CLASS(TTestConverter)
  PF_ALLOW_NEW;

 public:
  static inline std::atomic<int> Alive{0};
  static inline std::atomic<int> InputCalls{0};

  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IPNFormatConverter>(this, iid, object);
  }
  int32_t AddRef() override { return ++FRefCount; }
  int32_t Release() override {
    int32_t n = --FRefCount;
    // References taken and dropped while the converter is torn down do not free it again.
    if (n == 0 && !FDestroying.exchange(true)) Free();
    return n;
  }
  TPNFormatConverter* GetInstance() override { return nullptr; }
  bool TryAddRef() override {
    int32_t n = FRefCount.load();
    while (n > 0)
      if (FRefCount.compare_exchange_weak(n, n + 1)) return true;
    return false;
  }

 protected:
  explicit TTestConverter(TComponent* owner) : TConverterStandIn(owner), FLock(TPNLock::Create().Get()) {
    auto* in = New<TTestSinkPin>(this, FLock.Get());
    auto* out = New<TTestSourcePin>(this, FLock.Get(), nullptr, kOtherType);
    in->OnReceive = [out](IPNNotifyOperation* op, TPNNotifyState) {
      ++InputCalls;
      out->Notify(op);
      return TPNNotifyResult();
    };
    FInputPin = in;
    FOutputPin = out;
    out->FunctionSources()->Add(in);
    ++Alive;
  }
  void Destroy() override {
    {
      auto stop = FLock->StopLock();
      FInputPin->Disconnect();
      FOutputPin->Disconnect();
      FInputPin->Free();
      FInputPin = nullptr;
      FOutputPin->Free();
      FOutputPin = nullptr;
    }
    --Alive;
    TConverterStandIn::Destroy();
  }

 private:
  RefPtr<IPNLock> FLock;
  std::atomic<int32_t> FRefCount{0};
  std::atomic<bool> FDestroying{false};
};

// Every pin test runs on a root "Form1" and checks that no pin outlives it.
class PinsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  TTestComponent* Add(const char* name);

  TComponent* Form = nullptr;
};

}  // namespace pinstest
