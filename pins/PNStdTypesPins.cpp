// The standard value pins: clock, float, real and ranged real sources, float and real sinks,
// and the inert sinks of the integer, Boolean and date-time types.
#include "pins/PNStdTypes.h"

#include <cmath>

namespace pins {

namespace {

// Whether storing AValue over Current is a change. Unlike a plain comparison, a NaN on one
// side only is a change (NaN compares unequal, not equal, to every number); two NaNs are not.
template <class T>
bool Changes(T Current, T AValue) {
  if (std::isnan(Current) || std::isnan(AValue)) return std::isnan(Current) != std::isnan(AValue);
  return Current != AValue;
}

// Delivers to a handler that takes stream type TStream: through the pin notification event
// when one is set; otherwise a new link is replayed the current value (made by Replay) and any
// other operation passes unchanged. Returns false when the handler does not take TStream.
template <class TStream, class TEvent, class TReplay>
bool SubmitAs(IPNStream* Handler, const TGUID* DataTypeID, IPNNotifyOperation* Operation,
              TPNNotifyState State, const TEvent& Event, TReplay Replay, TPNNotifyResult& Result) {
  RefPtr<TStream> stream = QueryStream<TStream>(Handler);
  if (!stream) return false;
  if (Event.Assigned())
    Result = Event(stream.Get(), DataTypeID, Operation, State);
  else if (State.Contains(nsNewLink))
    stream->DispatchData(DataTypeID, Replay().Get(), State);
  else
    stream->DispatchData(DataTypeID, Operation, State);
  return true;
}

// Stores AValue in Field when that is a change; returns whether it was.
template <class T>
bool StoreIfChanged(std::atomic<T>& Field, T AValue) {
  if (!Changes(Field.load(), AValue)) return false;
  Field = AValue;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TPNClockSourcePin

PF_DEFINE_CLASS(TPNClockSourcePin, TPNSourcePin)

TPNClockSourcePin::TPNClockSourcePin(TComponent* AOwner,
                                     TPNClockPinNotificationEvent APinNotificationEvent)
    : TPNSourcePin(AOwner), FPinNotificationEvent(APinNotificationEvent) {
  InitClockPin();
}

TPNClockSourcePin::TPNClockSourcePin(TComponent* AOwner, IPNLock* AOwnerLock,
                                     IPNLock* AInputOwnerLock,
                                     TPNClockPinNotificationEvent APinNotificationEvent)
    : TPNSourcePin(AOwner, AOwnerLock, AInputOwnerLock),
      FPinNotificationEvent(APinNotificationEvent) {
  InitClockPin();
}

void TPNClockSourcePin::InitClockPin() {
  AddType(IPNClockStream::IID, TPNSubmit::Bind<&TPNClockSourcePin::ClockSubmit>(this));
}

HRESULT TPNClockSourcePin::QueryInterface(const TGUID& iid, void** object) {
  if (QueryStreamInterfaces<IPNClockStream>(this, iid, object) == platform::S_OK)
    return platform::S_OK;
  return TPNSourcePin::QueryInterface(iid, object);
}

TPNNotifyResult TPNClockSourcePin::DispatchData(const TGUID* DataTypeID,
                                                IPNNotifyOperation* Operation,
                                                TPNNotifyState State) {
  if (!FPinNotificationEvent.Assigned()) return {};
  return FPinNotificationEvent(this, DataTypeID, Operation, State);
}

TPNNotifyResult TPNClockSourcePin::ClockSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                               IPNNotifyOperation* Operation,
                                               TPNNotifyState State) {
  if (RefPtr<IPNClockStream> clock = QueryStream<IPNClockStream>(Handler))
    clock->DispatchData(DataTypeID, Operation, State);
  return {};
}

void TPNClockSourcePin::Clock() { Notify(TPNClockOperation::Make().Get()); }

// ---------------------------------------------------------------------------------------
// TPNFloatSourcePin

PF_DEFINE_CLASS(TPNFloatSourcePin, TPNClockSourcePin)

TPNFloatSourcePin::TPNFloatSourcePin(TComponent* AOwner)
    : TPNFloatSourcePin(AOwner, TPNFloatPinNotificationEvent()) {}

TPNFloatSourcePin::TPNFloatSourcePin(TComponent* AOwner, IPNLock* AOwnerLock,
                                     IPNLock* AInputOwnerLock)
    : TPNFloatSourcePin(AOwner, AOwnerLock, AInputOwnerLock, TPNFloatPinNotificationEvent()) {}

TPNFloatSourcePin::TPNFloatSourcePin(TComponent* AOwner,
                                     TPNFloatPinNotificationEvent APinNotificationEvent)
    : TPNClockSourcePin(AOwner, nullptr), FPinNotificationEvent(APinNotificationEvent) {
  InitFloatPin();
}

TPNFloatSourcePin::TPNFloatSourcePin(TComponent* AOwner, IPNLock* AOwnerLock,
                                     IPNLock* AInputOwnerLock,
                                     TPNFloatPinNotificationEvent APinNotificationEvent)
    : TPNClockSourcePin(AOwner, AOwnerLock, AInputOwnerLock, nullptr),
      FPinNotificationEvent(APinNotificationEvent) {
  InitFloatPin();
}

void TPNFloatSourcePin::InitFloatPin() {
  AddType(IPNFloatStream::IID, TPNSubmit::Bind<&TPNFloatSourcePin::ValueSubmit>(this));
}

TPNNotifyResult TPNFloatSourcePin::ValueSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                               IPNNotifyOperation* Operation,
                                               TPNNotifyState State) {
  TPNNotifyResult result;
  SubmitAs<IPNFloatStream>(
      Handler, DataTypeID, Operation, State, FPinNotificationEvent,
      [this] { return TPNSuppliedSingleOperation::Make(FValue.load()); }, result);
  return result;
}

void TPNFloatSourcePin::SetValue(float AValue) {
  if (!StoreIfChanged(FValue, AValue)) return;
  Notify(TPNSuppliedSingleOperation::Make(AValue).Get());
}

// ---------------------------------------------------------------------------------------
// TPNRealSourcePin and TPNRealRangedSourcePin

namespace {

// The part of a real or ranged source's ValueSubmit shared by both: a real receiver gets
// real values, a float-only receiver gets every real value as a single. Returns false when
// the handler takes neither.
bool SubmitRealOrFloat(IPNStream* Handler, const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                       TPNNotifyState State, const TPNPinNotificationEvent& Event, double Value,
                       TPNNotifyResult& Result) {
  if (SubmitAs<IPNRealStream>(Handler, DataTypeID, Operation, State, Event,
                              [Value] { return TPNSuppliedRealOperation::Make(Value); }, Result))
    return true;
  if (RefPtr<IPNFloatStream> single = QueryStream<IPNFloatStream>(Handler)) {
    if (Event.Assigned()) {
      Result = Event(single.Get(), DataTypeID, Operation, State);
    } else if (State.Contains(nsNewLink)) {
      single->DispatchData(DataTypeID,
                           TPNSuppliedSingleOperation::Make(static_cast<float>(Value)).Get(), State);
    } else if (auto* supplied = OperationAs<TPNSuppliedRealOperation>(Operation)) {
      single->DispatchData(
          DataTypeID, TPNSuppliedSingleOperation::Make(static_cast<float>(supplied->Value)).Get(),
          State);
    } else {
      single->DispatchData(DataTypeID, Operation, State);
    }
    return true;
  }
  return false;
}

}  // namespace

PF_DEFINE_CLASS(TPNRealSourcePin, TPNClockSourcePin)

TPNRealSourcePin::TPNRealSourcePin(TComponent* AOwner)
    : TPNRealSourcePin(AOwner, TPNPinNotificationEvent()) {}

TPNRealSourcePin::TPNRealSourcePin(TComponent* AOwner, IPNLock* AOwnerLock,
                                   IPNLock* AInputOwnerLock)
    : TPNRealSourcePin(AOwner, AOwnerLock, AInputOwnerLock, TPNPinNotificationEvent()) {}

TPNRealSourcePin::TPNRealSourcePin(TComponent* AOwner, TPNPinNotificationEvent APinNotificationEvent)
    : TPNClockSourcePin(AOwner, nullptr), FPinNotificationEvent(APinNotificationEvent) {
  InitRealPin();
}

TPNRealSourcePin::TPNRealSourcePin(TComponent* AOwner, IPNLock* AOwnerLock,
                                   IPNLock* AInputOwnerLock,
                                   TPNPinNotificationEvent APinNotificationEvent)
    : TPNClockSourcePin(AOwner, AOwnerLock, AInputOwnerLock, nullptr),
      FPinNotificationEvent(APinNotificationEvent) {
  InitRealPin();
}

void TPNRealSourcePin::InitRealPin() {
  TPNSubmit submit = TPNSubmit::Bind<&TPNRealSourcePin::ValueSubmit>(this);
  AddType(IPNFloatStream::IID, submit);
  AddType(IPNRealStream::IID, submit);
}

TPNNotifyResult TPNRealSourcePin::ValueSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                              IPNNotifyOperation* Operation,
                                              TPNNotifyState State) {
  TPNNotifyResult result;
  SubmitRealOrFloat(Handler, DataTypeID, Operation, State, FPinNotificationEvent, FValue.load(), result);
  return result;
}

void TPNRealSourcePin::SetValue(double AValue) {
  if (!StoreIfChanged(FValue, AValue)) return;
  Notify(TPNSuppliedRealOperation::Make(AValue).Get());
}

void TPNRealSourcePin::SubmitReal(double AValue) {
  FValue = AValue;
  Notify(TPNSuppliedRealOperation::Make(AValue).Get());
}

PF_DEFINE_CLASS(TPNRealRangedSourcePin, TPNClockSourcePin)

TPNRealRangedSourcePin::TPNRealRangedSourcePin(TComponent* AOwner)
    : TPNRealRangedSourcePin(AOwner, TPNPinNotificationEvent()) {}

TPNRealRangedSourcePin::TPNRealRangedSourcePin(TComponent* AOwner, IPNLock* AOwnerLock,
                                               IPNLock* AInputOwnerLock)
    : TPNRealRangedSourcePin(AOwner, AOwnerLock, AInputOwnerLock, TPNPinNotificationEvent()) {}

TPNRealRangedSourcePin::TPNRealRangedSourcePin(TComponent* AOwner,
                                               TPNPinNotificationEvent APinNotificationEvent)
    : TPNClockSourcePin(AOwner, nullptr), FPinNotificationEvent(APinNotificationEvent) {
  InitRangedPin();
}

TPNRealRangedSourcePin::TPNRealRangedSourcePin(TComponent* AOwner, IPNLock* AOwnerLock,
                                               IPNLock* AInputOwnerLock,
                                               TPNPinNotificationEvent APinNotificationEvent)
    : TPNClockSourcePin(AOwner, AOwnerLock, AInputOwnerLock, nullptr),
      FPinNotificationEvent(APinNotificationEvent) {
  InitRangedPin();
}

void TPNRealRangedSourcePin::InitRangedPin() {
  TPNSubmit submit = TPNSubmit::Bind<&TPNRealRangedSourcePin::ValueSubmit>(this);
  AddType(IPNFloatStream::IID, submit);
  AddType(IPNRealStream::IID, submit);
  AddType(RealRangedStreamTypeID, submit);
}

TPNNotifyResult TPNRealRangedSourcePin::ValueSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                                    IPNNotifyOperation* Operation,
                                                    TPNNotifyState State) {
  TPNNotifyResult result;
  if (SubmitRealOrFloat(Handler, DataTypeID, Operation, State, FPinNotificationEvent, FValue.load(),
                        result))
    return result;
  SubmitAs<IPNRealRangedStream>(
      Handler, DataTypeID, Operation, State, FPinNotificationEvent,
      [this] {
        return TPNSuppliedRealValueRangeOperation::Make(FValue.load(), FMin.load(), FMax.load());
      },
      result);
  return result;
}

void TPNRealRangedSourcePin::SetMin(double AValue) {
  if (!StoreIfChanged(FMin, AValue)) return;
  SubmitRange(FMin.load(), FMax.load());
}

void TPNRealRangedSourcePin::SetMax(double AValue) {
  if (!StoreIfChanged(FMax, AValue)) return;
  SubmitRange(FMin.load(), FMax.load());
}

void TPNRealRangedSourcePin::SetValue(double AValue) {
  if (!StoreIfChanged(FValue, AValue)) return;
  SubmitValueRange(AValue, FMin.load(), FMax.load());
}

void TPNRealRangedSourcePin::SubmitValueRange(double AValue, double AMin, double AMax) {
  FValue = AValue;
  FMin = AMin;
  FMax = AMax;
  Notify(TPNSuppliedRealValueRangeOperation::Make(AValue, AMin, AMax).Get());
}

void TPNRealRangedSourcePin::SubmitRange(double AMin, double AMax) {
  FMin = AMin;
  FMax = AMax;
  Notify(TPNSuppliedRealRangeOperation::Make(AMin, AMax).Get());
}

// ---------------------------------------------------------------------------------------
// Sinks

PF_DEFINE_CLASS(TPNFloatSinkPin, TPNSinkPin)

TPNFloatSinkPin::TPNFloatSinkPin(TComponent* AOwner, TPNFloatChangeEvent AOnDataChange,
                                 TObject* ACustomData)
    : TPNSinkPin(AOwner), FOnDataChange(AOnDataChange) {
  SetCustomData(ACustomData);
}

TPNFloatSinkPin::TPNFloatSinkPin(TComponent* AOwner, IPNLock* AOwnerLock,
                                 TPNFloatChangeEvent AOnDataChange, TObject* ACustomData)
    : TPNSinkPin(AOwner, AOwnerLock), FOnDataChange(AOnDataChange) {
  SetCustomData(ACustomData);
}

HRESULT TPNFloatSinkPin::QueryInterface(const TGUID& iid, void** object) {
  if (QueryStreamInterfaces<IPNFloatStream>(this, iid, object) == platform::S_OK)
    return platform::S_OK;
  return TPNSinkPin::QueryInterface(iid, object);
}

TPNNotifyResult TPNFloatSinkPin::DispatchData(const TGUID* DataTypeID,
                                              IPNNotifyOperation* Operation,
                                              TPNNotifyState State) {
  (void)DataTypeID;
  (void)State;
  if (auto* supplied = OperationAs<TPNSuppliedSingleOperation>(Operation)) {
    FValue = supplied->Value;
    if (FOnDataChange.Assigned()) FOnDataChange(this, FValue.load());
  }
  return {};
}

PF_DEFINE_CLASS(TPNRealSinkPin, TPNSinkPin)

TPNRealSinkPin::TPNRealSinkPin(TComponent* AOwner, TPNRealChangeEvent AOnDataChange,
                               TObject* ACustomData)
    : TPNSinkPin(AOwner), FOnDataChange(AOnDataChange) {
  SetCustomData(ACustomData);
}

TPNRealSinkPin::TPNRealSinkPin(TComponent* AOwner, IPNLock* AOwnerLock,
                               TPNRealChangeEvent AOnDataChange, TObject* ACustomData)
    : TPNSinkPin(AOwner, AOwnerLock), FOnDataChange(AOnDataChange) {
  SetCustomData(ACustomData);
}

HRESULT TPNRealSinkPin::QueryInterface(const TGUID& iid, void** object) {
  if (QueryStreamInterfaces<IPNRealStream, IPNFloatStream>(this, iid, object) ==
      platform::S_OK)
    return platform::S_OK;
  return TPNSinkPin::QueryInterface(iid, object);
}

TPNNotifyResult TPNRealSinkPin::DispatchData(const TGUID* DataTypeID,
                                             IPNNotifyOperation* Operation,
                                             TPNNotifyState State) {
  (void)DataTypeID;
  (void)State;
  if (auto* real = OperationAs<TPNSuppliedRealOperation>(Operation))
    FValue = real->Value;
  else if (auto* single = OperationAs<TPNSuppliedSingleOperation>(Operation))
    FValue = single->Value;
  else
    return {};
  if (FOnDataChange.Assigned()) FOnDataChange(this, FValue.load());
  return {};
}

PF_DEFINE_CLASS(TPNBoolSinkPin, TPNSinkPin)
PF_DEFINE_CLASS(TPNIntegerSinkPin, TPNSinkPin)
PF_DEFINE_CLASS(TPNInt64SinkPin, TPNSinkPin)
PF_DEFINE_CLASS(TPNDateTimeSinkPin, TPNSinkPin)
PF_DEFINE_CLASS(TPNIntAndRangedSinkPin, TPNSinkPin)
PF_DEFINE_CLASS(TPNInt64AndRangedSinkPin, TPNSinkPin)

}  // namespace pins
