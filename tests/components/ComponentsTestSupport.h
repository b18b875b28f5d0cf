// Helpers of the component tests: the first value of an integer buffer, receivers of the
// buffer streams that no class of the library receives, and an owner of test pins that
// records what reaches them.
#pragma once

#include <string>
#include <vector>

#include "buffers/RBSimpleDataBuffer.h"
#include "buffers/RBStreamTypes.h"

namespace componentstest {

using namespace buffers;
using pins::IPNNotifyOperation;
using pins::TPNNotifyResult;
using pins::TPNNotifyState;
using platform::RefPtr;

// The first element of an integer buffer (-1 for anything else).
int32_t IntegerValue(IRBData* ABuffer);
inline int32_t IntegerValue(const RefPtr<IRBData>& ABuffer) { return IntegerValue(ABuffer.Get()); }

RB_TYPED_PIN(TTestBinarySinkPin, TRBPNTypedSinkPin, IPNRBBinaryStream);
RB_TYPED_PIN(TTestStringSinkPin, TRBPNTypedSinkPin, IPNRBStringStream);
RB_TYPED_PIN(TTestPairedSinkPin, TRBPNTypedSinkPin, IPNRBPairedStream);

// One operation that reached a pin's owner.
struct TReceived {
  TPNBasicPin* Pin = nullptr;
  RefPtr<IPNNotifyOperation> Operation;
  std::string ClassName;
};

using Names = std::vector<std::string>;

// The owner of test pins: records what arrives (one thread at a time) and answers with
// Result, or raises when Raise is set; counts the connect events of its sources.
struct TOwner {
  TComponent* Component = platform::New<TComponent>(nullptr);
  RefPtr<IPNLock> Lock = pins::TPNLock::Create();
  std::vector<TReceived> Received;
  TPNNotifyResult Result;
  bool Raise = false;
  int Connects = 0;

  TOwner() = default;
  TOwner(const TOwner&) = delete;
  TOwner& operator=(const TOwner&) = delete;
  ~TOwner() { Component->Free(); }

  TPNNotifyResult OnOperation(TPNBasicPin* Sender, const TGUID* DataTypeID,
                              IPNNotifyOperation* Operation, TPNNotifyState State);
  void OnConnect(platform::TObject* Sender);
  TRBOperationEvent Event() { return TRBOperationEvent::Bind<&TOwner::OnOperation>(this); }
  TNotifyEvent ConnectEvent() { return TNotifyEvent::Bind<&TOwner::OnConnect>(this); }

  template <class TPin>
  TPin* Sink() {
    return platform::New<TPin>(Component, Lock.Get(), Event());
  }
  template <class TPin>
  TPin* Source(bool WithConnect = false) {
    return platform::New<TPin>(Component, Lock.Get(), nullptr, Event(),
                               WithConnect ? ConnectEvent() : TNotifyEvent());
  }
  // The class names of what arrived at APin, in order.
  Names At(TPNBasicPin* APin) const;
  // The operation of the I-th arrival, as class T.
  template <class T>
  T* Operation(size_t I) const {
    return pins::OperationAs<T>(Received.at(I).Operation.Get());
  }
};

}  // namespace componentstest
