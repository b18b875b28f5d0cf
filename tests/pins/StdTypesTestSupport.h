// Test components for the standard value pins, converters and dependency tests: a holder
// component that owns any pins made through it, and sinks that record what reaches them.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "pins/PNPinsRegistries.h"
#include "pins/PNStdTypes.h"
#include "tests/pins/PinsTestSupport.h"

namespace stdtypestest {

using namespace pins;
using platform::New;
using platform::RefPtr;
using platform::TComponent;
using platform::TGUID;

// A component owning the pins made through Make, all with its lock as owner lock. Its
// teardown stops the lock first, as components do, then frees the pins (last made first).
class THolder : public TComponent {
  PF_CLASS(THolder)
  PF_ALLOW_NEW;

 public:
  RefPtr<IPNLock> Lock;
  std::vector<TPNBasicPin*> Pins;

  // Source pins: Make<TPNRealSourcePin>(nullptr) (owner, lock, input lock). Sinks:
  // Make<TPNRealSinkPin>(event, custom data).
  template <class T, class... Args>
  T* Make(Args&&... args) {
    T* pin = New<T>(this, Lock.Get(), std::forward<Args>(args)...);
    Pins.push_back(pin);
    return pin;
  }

 protected:
  explicit THolder(TComponent* owner);
  void Destroy() override;
};

// One operation that reached a recording sink.
struct TReceived {
  std::string Kind;  // the operation's class name
  double Value = 0;  // value, or minimum of a range operation
  double Max = 0;    // maximum of a range operation
  uint64_t State = 0;
};

// A sink that implements the listed stream interfaces and records every operation.
template <class... Streams>
class TRecordingSink : public TPNSinkPin, public Streams... {
 public:
  std::vector<TReceived> Got;
  TPNNotifyResult Result;

  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (QueryStreamInterfaces<Streams...>(this, iid, object) == platform::S_OK)
      return platform::S_OK;
    return TPNSinkPin::QueryInterface(iid, object);
  }
  TPNNotifyResult DispatchData(const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                               TPNNotifyState State) override {
    (void)DataTypeID;
    TReceived r;
    r.Kind = Operation->Instance()->ClassName();
    r.State = State.Bits();
    if (auto* v = OperationAs<TPNSuppliedRealValueRangeOperation>(Operation)) {
      r.Value = v->Value;
      r.Max = v->Max;
    } else if (auto* d = OperationAs<TPNSuppliedRealOperation>(Operation)) {
      r.Value = d->Value;
    } else if (auto* s = OperationAs<TPNSuppliedSingleOperation>(Operation)) {
      r.Value = s->Value;
    } else if (auto* g = OperationAs<TPNSuppliedRealRangeOperation>(Operation)) {
      r.Value = g->Min;
      r.Max = g->Max;
    }
    {
      std::lock_guard<std::mutex> lock(FMutex);
      Got.push_back(r);
    }
    return Result;
  }
  std::vector<TReceived> Take() {
    std::lock_guard<std::mutex> lock(FMutex);
    std::vector<TReceived> items;
    items.swap(Got);
    return items;
  }

 protected:
  TRecordingSink(TComponent* owner, IPNLock* lock) : TPNSinkPin(owner, lock) {}

 private:
  std::mutex FMutex;
};

// Takes real values only (no float interface), so a float source needs a converter.
class TRealOnlySink : public TRecordingSink<IPNRealStream> {
  PF_CLASS(TRealOnlySink)
  PF_ALLOW_NEW;

 protected:
  using TRecordingSink::TRecordingSink;
};

class TFloatOnlySink : public TRecordingSink<IPNFloatStream> {
  PF_CLASS(TFloatOnlySink)
  PF_ALLOW_NEW;

 protected:
  using TRecordingSink::TRecordingSink;
};

class TClockSink : public TRecordingSink<IPNClockStream> {
  PF_CLASS(TClockSink)
  PF_ALLOW_NEW;

 protected:
  using TRecordingSink::TRecordingSink;
};

class TRangedSink : public TRecordingSink<IPNRealRangedStream> {
  PF_CLASS(TRangedSink)
  PF_ALLOW_NEW;

 protected:
  using TRecordingSink::TRecordingSink;
};

// The standard registrations, made anew (other tests empty the registries).
inline void RegisterStandardTypes() {
  ClearRegistries();
  PNStdTypesUnit.Initialization();
}

// The pin fixture (root "Form1", no pin left at tear-down) with holders.
class StdPinsTest : public pinstest::PinsTest {
 protected:
  void SetUp() override {
    RegisterStandardTypes();
    pinstest::PinsTest::SetUp();
  }
  THolder* Holder(const char* name) {
    THolder* h = New<THolder>(Form);
    h->SetName(name);
    return h;
  }
};

}  // namespace stdtypestest
