// Format converters: reference counting, pins and the two-phase teardown.
#include "pins/PNPinsConverter.h"

#include "pins/PNPinsGuards.h"

namespace pins {

PF_DEFINE_CLASS(TPNFormatConverter, TComponent)

TPNFormatConverter::TPNFormatConverter() : TComponent(nullptr), FLock(TPNLock::Create().Get()) {}

HRESULT TPNFormatConverter::QueryInterface(const TGUID& iid, void** object) {
  return platform::QueryInterfaces<IPNFormatConverter>(this, iid, object);
}

int32_t TPNFormatConverter::AddRef() { return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }

// Takes no lock.
bool TPNFormatConverter::TryAddRef() {
  int32_t n = FRefCount.load(std::memory_order_relaxed);
  while (n > 0)
    if (FRefCount.compare_exchange_weak(n, n + 1, std::memory_order_acq_rel)) return true;
  return false;
}

// The last release tears the converter down on this thread, once it holds no link lock.
int32_t TPNFormatConverter::Release() {
  int32_t n = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (n == 0 && !FDestroying.exchange(true, std::memory_order_acq_rel)) FreeOutsideLinkLock(this);
  return n;
}

void TPNFormatConverter::CreatePins(TPNSinkPin* AInputPin, TPNSourcePin* AOutputPin) {
  FInputPin = AInputPin;
  FOutputPin = AOutputPin;
  if (FOutputPin && FInputPin) FOutputPin->FunctionSources()->Add(FInputPin);
}

TPNNotifyResult TPNFormatConverter::ForwardUpstream(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                                    IPNNotifyOperation* Operation,
                                                    TPNNotifyState State) {
  (void)Sender;
  (void)DataTypeID;
  (void)State;
  if (!FInputPin) return {};
  return FInputPin->Notify(Operation);
}

// Drops every level of the converter's lock this thread holds, then disconnects the input.
void TPNFormatConverter::BeforeDestruction() {
  // The destroying thread may hold levels of the converter's lock (it may be delivering
  // through the converter); they are dropped so that the pins' teardown can wait for other
  // threads' calls without a lock-order conflict.
  auto unlocked = FLock->UnlockAll();
  if (FInputPin) FInputPin->Disconnect();
  TComponent::BeforeDestruction();
}

// Holds a stop section of the converter's lock while the pins go (with no other lock held).
void TPNFormatConverter::Destroy() {
  {
    auto stop = FLock->StopLock();
    if (FInputPin) FInputPin->Disconnect();
    if (FOutputPin) FOutputPin->Disconnect();
    TPNSinkPin* input = FInputPin;
    TPNSourcePin* output = FOutputPin;
    FInputPin = nullptr;
    FOutputPin = nullptr;
    platform::Free(input);
    platform::Free(output);
  }
  TComponent::Destroy();
}

// ---------------------------------------------------------------------------------------
// The input pin of a converter as a sender upstream

// Takes the pin's lock for its fields; negotiates with none held.
void TPNSinkPin::SetFeedingSource(TPNSourcePin* ASource) {
  {
    auto s = WriteLock();
    FConnectionSourcePin = ASource;
    FSubmitFunction = {};
    FConnectedID = TGUID{};
  }
  if (ASource) UpdateUpstream(ASource, &TPNSinkPin::FConnectionSourcePin, false);
}

}  // namespace pins
