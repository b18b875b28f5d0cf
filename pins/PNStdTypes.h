// The standard stream types and notify operations, the value pins and the scalar converters.
//
// A stream type is the identifier of the typed interface that a receiving pin implements:
// a pin accepts a type by answering QueryInterface for it. Operations are told apart by
// class (a test for a class also matches its descendants): every supplied value is a clock
// operation, a value-with-range is a real value, an end stop is a stop and a start with rate
// is a start.
//
// Source pins keep a current value, send a new operation when it changes and replay it to
// every sink linked later, in the form that sink's interface understands. Sink pins store
// the value received and report it through an event.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "pins/PNPins.h"
#include "pins/PNPinsConverter.h"
#include "platform/Methods.h"
#include "platform/Units.h"

namespace pins {

using TDateTime = double;

// ---------------------------------------------------------------------------------------
// Stream interfaces. Every pin is also an IPNStream (the handler type of submit functions).

struct IPNBasicStream : virtual IInterface {
  static constexpr TGUID IID = TGUID::Parse("{561B072C-4191-49C6-9F22-21791EF977D9}");
  virtual TPNNotifyResult DispatchData(const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                                       TPNNotifyState State) = 0;
};
struct IPNClockStream : virtual IPNBasicStream {
  static constexpr TGUID IID = TGUID::Parse("{48CDAF9F-00C7-4B45-999D-4EE25353A952}");
};
struct IPNDataStream : virtual IPNBasicStream {
  static constexpr TGUID IID = TGUID::Parse("{CFDF94D7-5134-49D9-AC65-902BBC1CD140}");
};
struct IPNIntegerStream : virtual IPNDataStream {
  static constexpr TGUID IID = TGUID::Parse("{92F6B47E-B46E-49BB-9A8E-676D3C2F2E66}");
};
struct IPNInt64Stream : virtual IPNDataStream {
  static constexpr TGUID IID = TGUID::Parse("{6D054E38-F733-4212-8D5A-0E866802F866}");
};
struct IPNFloatStream : virtual IPNDataStream {
  static constexpr TGUID IID = TGUID::Parse("{67F6997B-7EB4-4E2F-8320-4A512B5F2BC7}");
};
struct IPNRealStream : virtual IPNDataStream {
  static constexpr TGUID IID = TGUID::Parse("{208F9564-3C20-4C97-BB77-2FC5AE6E4194}");
};
struct IPNBoolStream : virtual IPNDataStream {
  static constexpr TGUID IID = TGUID::Parse("{7AA677AE-F983-4714-8E64-EC6F3D17695B}");
};
struct IPNIntRangedStream : virtual IPNDataStream {
  static constexpr TGUID IID = TGUID::Parse("{836EE1EA-B8BD-4E04-8225-6AB547D1A3C4}");
};
struct IPNInt64RangedStream : virtual IPNDataStream {
  static constexpr TGUID IID = TGUID::Parse("{B201C2F8-CA4D-4CF3-8E6D-E620D2B9D7EF}");
};
struct IPNDateTimeStream : virtual IPNDataStream {
  static constexpr TGUID IID = TGUID::Parse("{475D7D8B-4796-42A5-8F8E-B512B8FD2704}");
};

// Types registered by identifier: complex values, characters, strings ("Sting") and ranged
// real values.
inline constexpr TGUID RealComplexStreamTypeID = TGUID::Parse("{4CC4ADE6-E5AE-4E27-A9E7-42C14E062F41}");
inline constexpr TGUID CharacterStreamTypeID = TGUID::Parse("{3241B885-95E1-495F-ACEC-4A1C98872B63}");
inline constexpr TGUID StringStreamTypeID = TGUID::Parse("{25C048B4-89D4-4277-AA98-A835EB29F5C1}");
inline constexpr TGUID RealRangedStreamTypeID = TGUID::Parse("{648AC95D-2772-427C-AD9D-2B7F1EDDE1A7}");

// The interface a receiver of ranged real values implements (the ranged real source pin
// sends through it).
struct IPNRealRangedStream : virtual IPNDataStream {
  static constexpr TGUID IID = RealRangedStreamTypeID;
};

// Pins answer QueryInterface for a stream type with their IInterface pointer, so that a
// query by any identifier can be released the same way (AcceptsStreamType). This is the
// QueryInterface step for the stream interfaces Is... of a pin.
template <class... Is, class Self>
HRESULT QueryStreamInterfaces(Self* self, const TGUID& iid, void** object) {
  if (!((iid == Is::IID) || ...)) {
    if (object) *object = nullptr;
    return platform::E_NOINTERFACE;
  }
  auto* unknown = static_cast<IInterface*>(self);
  unknown->AddRef();
  if (object) *object = unknown;
  return platform::S_OK;
}

// The typed stream interface I of a handler (a pin), or null when it does not take that type.
template <class I>
RefPtr<I> QueryStream(IInterface* Handler) {
  if (!Handler) return nullptr;
  void* out = nullptr;
  if (Handler->QueryInterface(I::IID, &out) != platform::S_OK || !out) return nullptr;
  auto* unknown = static_cast<IInterface*>(out);
  I* typed = dynamic_cast<I*>(unknown);
  if (!typed) {
    unknown->Release();
    return nullptr;
  }
  return RefPtr<I>::Adopt(typed);
}

// ---------------------------------------------------------------------------------------
// Notify operations

class TPNClockOperation : public TPNNotifyOperation {
  PF_CLASS(TPNClockOperation)
  PF_ALLOW_NEW;

 public:
  static RefPtr<IPNNotifyOperation> Make();

 protected:
  TPNClockOperation() = default;
};

// Base of the operations that carry a value or a range.
class TPNSuppliedOperation : public TPNClockOperation {
  PF_CLASS(TPNSuppliedOperation)
  PF_ALLOW_NEW;

 protected:
  TPNSuppliedOperation() = default;
};

class TPNSuppliedSingleOperation : public TPNSuppliedOperation {
  PF_CLASS(TPNSuppliedSingleOperation)
  PF_ALLOW_NEW;

 public:
  float Value = 0.0f;
  static RefPtr<IPNNotifyOperation> Make(float AValue);

 protected:
  explicit TPNSuppliedSingleOperation(float AValue) : Value(AValue) {}
};

class TPNSuppliedStringOperation : public TPNSuppliedOperation {
  PF_CLASS(TPNSuppliedStringOperation)
  PF_ALLOW_NEW;

 public:
  std::string Value;
  static RefPtr<IPNNotifyOperation> Make(const std::string& AValue);

 protected:
  explicit TPNSuppliedStringOperation(std::string AValue) : Value(std::move(AValue)) {}
};

class TPNSuppliedRealOperation : public TPNSuppliedOperation {
  PF_CLASS(TPNSuppliedRealOperation)
  PF_ALLOW_NEW;

 public:
  double Value = 0.0;
  static RefPtr<IPNNotifyOperation> Make(double AValue);

 protected:
  explicit TPNSuppliedRealOperation(double AValue) : Value(AValue) {}
};

class TPNSuppliedRealValueRangeOperation : public TPNSuppliedRealOperation {
  PF_CLASS(TPNSuppliedRealValueRangeOperation)
  PF_ALLOW_NEW;

 public:
  double Min = 0.0;
  double Max = 0.0;
  static RefPtr<IPNNotifyOperation> Make(double AValue, double AMin, double AMax);

 protected:
  TPNSuppliedRealValueRangeOperation(double AValue, double AMin, double AMax)
      : TPNSuppliedRealOperation(AValue), Min(AMin), Max(AMax) {}
};

class TPNSuppliedRealRangeOperation : public TPNSuppliedOperation {
  PF_CLASS(TPNSuppliedRealRangeOperation)
  PF_ALLOW_NEW;

 public:
  double Min = 0.0;
  double Max = 0.0;
  static RefPtr<IPNNotifyOperation> Make(double AMin, double AMax);

 protected:
  TPNSuppliedRealRangeOperation(double AMin, double AMax) : Min(AMin), Max(AMax) {}
};

class TPNStartOperation : public TPNNotifyOperation {
  PF_CLASS(TPNStartOperation)
  PF_ALLOW_NEW;

 public:
  static RefPtr<IPNNotifyOperation> Make();

 protected:
  TPNStartOperation() = default;
};

class TPNStartRateOperation : public TPNStartOperation {
  PF_CLASS(TPNStartRateOperation)
  PF_ALLOW_NEW;

 public:
  float Rate = 0.0f;
  static RefPtr<IPNNotifyOperation> Make(float ARate);

 protected:
  explicit TPNStartRateOperation(float ARate) : Rate(ARate) {}
};

class TPNStopOperation : public TPNNotifyOperation {
  PF_CLASS(TPNStopOperation)
  PF_ALLOW_NEW;

 public:
  static RefPtr<IPNNotifyOperation> Make();

 protected:
  TPNStopOperation() = default;
};

// A stop at the end of the data.
class TPNEndStopOperation : public TPNStopOperation {
  PF_CLASS(TPNEndStopOperation)
  PF_ALLOW_NEW;

 public:
  static RefPtr<IPNNotifyOperation> Make();

 protected:
  TPNEndStopOperation() = default;
};

// The end of a file without a stop.
class TPNFileEndNoStopOperation : public TPNNotifyOperation {
  PF_CLASS(TPNFileEndNoStopOperation)
  PF_ALLOW_NEW;

 public:
  static RefPtr<IPNNotifyOperation> Make();

 protected:
  TPNFileEndNoStopOperation() = default;
};

enum TPNPumpType : uint8_t { ptNone = 0, ptSlave = 1, ptMaster = 2, ptHardware = 3 };

class TPNPumpRequestOperation : public TPNNotifyOperation {
  PF_CLASS(TPNPumpRequestOperation)
  PF_ALLOW_NEW;

 public:
  TObject* Pump = nullptr;
  TPNPumpType PumpType = ptNone;
  int32_t PumpPriority = 0;
  float DesiredRate = 0.0f;
  // Create: no pump, ptNone, priority 0, rate 0.
  static RefPtr<IPNNotifyOperation> Make();
  // CreateEx.
  static RefPtr<IPNNotifyOperation> MakeEx(TObject* APump, TPNPumpType APumpType,
                                           int32_t APumpPriority, float ADesiredRate);

 protected:
  TPNPumpRequestOperation() = default;
  TPNPumpRequestOperation(TObject* APump, TPNPumpType APumpType, int32_t APumpPriority,
                          float ADesiredRate)
      : Pump(APump), PumpType(APumpType), PumpPriority(APumpPriority), DesiredRate(ADesiredRate) {}
};

class TPNMasterPumpOperation : public TPNNotifyOperation {
  PF_CLASS(TPNMasterPumpOperation)
  PF_ALLOW_NEW;

 public:
  TObject* Pump = nullptr;
  static RefPtr<IPNNotifyOperation> Make(TObject* APump);

 protected:
  explicit TPNMasterPumpOperation(TObject* APump) : Pump(APump) {}
};

// The operation behind an interface when it is of class T (or below), else null.
template <class T>
T* OperationAs(IPNNotifyOperation* Operation) {
  return Operation ? dynamic_cast<T*>(Operation->Instance()) : nullptr;
}

// The registry send function of the data stream type: delivers through the handler's
// IPNDataStream, or returns the empty set when the handler has none. Sender is not used.
TPNNotifyResult DataStreamSubmit(TPNPin* Sender, IPNStream* Handler, const TGUID* DataTypeID,
                                 IPNNotifyOperation* Operation, TPNNotifyState State);

// ---------------------------------------------------------------------------------------
// Events

using TPNClockPinNotificationEvent =
    platform::TMethod<TPNNotifyResult(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                      IPNNotifyOperation* Operation, TPNNotifyState State)>;
using TPNFloatPinNotificationEvent =
    platform::TMethod<TPNNotifyResult(IPNFloatStream* Handler, const TGUID* DataTypeID,
                                      IPNNotifyOperation* Operation, TPNNotifyState State)>;
using TPNPinNotificationEvent =
    platform::TMethod<TPNNotifyResult(IPNDataStream* Handler, const TGUID* DataTypeID,
                                      IPNNotifyOperation* Operation, TPNNotifyState State)>;

using TPNFloatChangeEvent = platform::TMethod<void(TPNPin* Sender, float AValue)>;
using TPNBoolChangeEvent = platform::TMethod<void(TPNPin* Sender, bool AValue)>;
using TPNIntegerChangeEvent = platform::TMethod<void(TPNPin* Sender, int32_t AValue)>;
using TPNInt64ChangeEvent = platform::TMethod<void(TPNPin* Sender, int64_t AValue)>;
using TPNRealChangeEvent = platform::TMethod<void(TPNPin* Sender, double AValue)>;
using TPNDateTimeChangeEvent = platform::TMethod<void(TPNPin* Sender, TDateTime AValue)>;
using TPNIntValueRangeChangeEvent = platform::TMethod<void(
    TPNPin* Sender, int32_t AValue, int32_t AMin, int32_t AMax, bool RangesFilled)>;
using TPNInt64ValueRangeChangeEvent = platform::TMethod<void(
    TPNPin* Sender, int64_t AValue, int64_t AMin, int64_t AMax, bool RangesFilled)>;
using TPNIntRangeChangeEvent =
    platform::TMethod<void(TPNPin* Sender, int32_t AMin, int32_t AMax)>;
using TPNInt64RangeChangeEvent =
    platform::TMethod<void(TPNPin* Sender, int64_t AMin, int64_t AMax)>;

// ---------------------------------------------------------------------------------------
// Source pins

// Sends clock ticks; is itself a clock receiver (operations sent upstream to it go to its
// pin notification event).
class TPNClockSourcePin : public TPNSourcePin, public IPNClockStream {
  PF_CLASS(TPNClockSourcePin)
  PF_ALLOW_NEW;

 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  TPNNotifyResult DispatchData(const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                               TPNNotifyState State) override;
  virtual TPNNotifyResult ClockSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                      IPNNotifyOperation* Operation, TPNNotifyState State);
  // Sends a new clock operation to every sink.
  void Clock();

 protected:
  TPNClockSourcePin(TComponent* AOwner, TPNClockPinNotificationEvent APinNotificationEvent);
  TPNClockSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock,
                    TPNClockPinNotificationEvent APinNotificationEvent);

  TPNClockPinNotificationEvent FPinNotificationEvent;

 private:
  void InitClockPin();
};

class TPNFloatSourcePin : public TPNClockSourcePin {
  PF_CLASS(TPNFloatSourcePin)
  PF_ALLOW_NEW;

 public:
  virtual TPNNotifyResult ValueSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                      IPNNotifyOperation* Operation, TPNNotifyState State);
  float Value() const { return FValue.load(std::memory_order_relaxed); }
  // Stores and sends the value when it differs from the current one (a change from or to
  // NaN counts as a change).
  void SetValue(float AValue);

 protected:
  explicit TPNFloatSourcePin(TComponent* AOwner);
  TPNFloatSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock);
  TPNFloatSourcePin(TComponent* AOwner, TPNFloatPinNotificationEvent APinNotificationEvent);
  TPNFloatSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock,
                    TPNFloatPinNotificationEvent APinNotificationEvent);

  TPNFloatPinNotificationEvent FPinNotificationEvent;
  // Values are atomic: a link made on another thread replays them while they are set.
  std::atomic<float> FValue{0.0f};

 private:
  void InitFloatPin();
  friend class TPNScalarConverters;
};

class TPNRealSourcePin : public TPNClockSourcePin {
  PF_CLASS(TPNRealSourcePin)
  PF_ALLOW_NEW;

 public:
  virtual TPNNotifyResult ValueSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                      IPNNotifyOperation* Operation, TPNNotifyState State);
  double Value() const { return FValue.load(std::memory_order_relaxed); }
  // Stores and sends the value when it differs from the current one (a change from or to
  // NaN counts as a change).
  void SetValue(double AValue);
  // Stores and sends the value whether or not it changed.
  void SubmitReal(double AValue);

 protected:
  explicit TPNRealSourcePin(TComponent* AOwner);
  TPNRealSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock);
  TPNRealSourcePin(TComponent* AOwner, TPNPinNotificationEvent APinNotificationEvent);
  TPNRealSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock,
                   TPNPinNotificationEvent APinNotificationEvent);

  TPNPinNotificationEvent FPinNotificationEvent;
  std::atomic<double> FValue{0.0};

 private:
  void InitRealPin();
  friend class TPNScalarConverters;
};

class TPNRealRangedSourcePin : public TPNClockSourcePin {
  PF_CLASS(TPNRealRangedSourcePin)
  PF_ALLOW_NEW;

 public:
  virtual TPNNotifyResult ValueSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                      IPNNotifyOperation* Operation, TPNNotifyState State);
  double Min() const { return FMin.load(std::memory_order_relaxed); }
  double Max() const { return FMax.load(std::memory_order_relaxed); }
  double Value() const { return FValue.load(std::memory_order_relaxed); }
  // Each sends when the stored value changes (NaN to a number or back counts): the value
  // with the range, or the range alone.
  void SetMin(double AValue);
  void SetMax(double AValue);
  void SetValue(double AValue);
  // Store and send whether or not anything changed.
  void SubmitValueRange(double AValue, double AMin, double AMax);
  void SubmitRange(double AMin, double AMax);

 protected:
  explicit TPNRealRangedSourcePin(TComponent* AOwner);
  TPNRealRangedSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock);
  TPNRealRangedSourcePin(TComponent* AOwner, TPNPinNotificationEvent APinNotificationEvent);
  TPNRealRangedSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock,
                         TPNPinNotificationEvent APinNotificationEvent);

  TPNPinNotificationEvent FPinNotificationEvent;
  std::atomic<double> FMin{0.0};
  std::atomic<double> FMax{0.0};
  std::atomic<double> FValue{0.0};

 private:
  void InitRangedPin();
  friend class TPNScalarConverters;
};

// ---------------------------------------------------------------------------------------
// Sink pins

class TPNFloatSinkPin : public TPNSinkPin, public IPNFloatStream {
  PF_CLASS(TPNFloatSinkPin)
  PF_ALLOW_NEW;

 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  TPNNotifyResult DispatchData(const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                               TPNNotifyState State) override;
  float Value() const { return FValue.load(std::memory_order_relaxed); }

 protected:
  TPNFloatSinkPin(TComponent* AOwner, TPNFloatChangeEvent AOnDataChange, TObject* ACustomData);
  TPNFloatSinkPin(TComponent* AOwner, IPNLock* AOwnerLock, TPNFloatChangeEvent AOnDataChange,
                  TObject* ACustomData);

  TPNFloatChangeEvent FOnDataChange;
  std::atomic<float> FValue{0.0f};
};

class TPNRealSinkPin : public TPNSinkPin, public IPNRealStream, public IPNFloatStream {
  PF_CLASS(TPNRealSinkPin)
  PF_ALLOW_NEW;

 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  TPNNotifyResult DispatchData(const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                               TPNNotifyState State) override;
  double Value() const { return FValue.load(std::memory_order_relaxed); }

 protected:
  TPNRealSinkPin(TComponent* AOwner, TPNRealChangeEvent AOnDataChange, TObject* ACustomData);
  TPNRealSinkPin(TComponent* AOwner, IPNLock* AOwnerLock, TPNRealChangeEvent AOnDataChange,
                 TObject* ACustomData);

  TPNRealChangeEvent FOnDataChange;
  std::atomic<double> FValue{0.0};
};

// The sinks of value types that no operation of this system carries: they can be linked,
// and they store and report nothing.
template <class TStream, class TValue, class TEvent>
class TPNInertValueSinkPin : public TPNSinkPin, public TStream {
 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (QueryStreamInterfaces<TStream>(this, iid, object) == platform::S_OK)
      return platform::S_OK;
    return TPNSinkPin::QueryInterface(iid, object);
  }
  TPNNotifyResult DispatchData(const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                               TPNNotifyState State) override {
    (void)DataTypeID;
    (void)Operation;
    (void)State;
    return {};
  }
  TValue Value() const { return FValue; }

 protected:
  TPNInertValueSinkPin(TComponent* AOwner, TEvent AOnDataChange, TObject* ACustomData)
      : TPNSinkPin(AOwner), FOnDataChange(AOnDataChange) {
    SetCustomData(ACustomData);
  }
  TPNInertValueSinkPin(TComponent* AOwner, IPNLock* AOwnerLock, TEvent AOnDataChange,
                       TObject* ACustomData)
      : TPNSinkPin(AOwner, AOwnerLock), FOnDataChange(AOnDataChange) {
    SetCustomData(ACustomData);
  }

  TEvent FOnDataChange;
  TValue FValue{};
};

class TPNBoolSinkPin : public TPNInertValueSinkPin<IPNBoolStream, bool, TPNBoolChangeEvent> {
  PF_CLASS(TPNBoolSinkPin)
  PF_ALLOW_NEW;

 protected:
  using TPNInertValueSinkPin::TPNInertValueSinkPin;
};

class TPNIntegerSinkPin
    : public TPNInertValueSinkPin<IPNIntegerStream, int32_t, TPNIntegerChangeEvent> {
  PF_CLASS(TPNIntegerSinkPin)
  PF_ALLOW_NEW;

 protected:
  using TPNInertValueSinkPin::TPNInertValueSinkPin;
};

class TPNInt64SinkPin : public TPNInertValueSinkPin<IPNInt64Stream, int64_t, TPNInt64ChangeEvent> {
  PF_CLASS(TPNInt64SinkPin)
  PF_ALLOW_NEW;

 protected:
  using TPNInertValueSinkPin::TPNInertValueSinkPin;
};

class TPNDateTimeSinkPin
    : public TPNInertValueSinkPin<IPNDateTimeStream, TDateTime, TPNDateTimeChangeEvent> {
  PF_CLASS(TPNDateTimeSinkPin)
  PF_ALLOW_NEW;

 protected:
  using TPNInertValueSinkPin::TPNInertValueSinkPin;
};

// Ranged integer sinks: a value with its range, or the range alone. Inert like the above.
template <class TRangedStream, class TStream, class TValue, class TValueEvent, class TRangeEvent>
class TPNInertRangedSinkPin : public TPNSinkPin, public TRangedStream, public TStream {
 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (QueryStreamInterfaces<TRangedStream, TStream>(this, iid, object) == platform::S_OK)
      return platform::S_OK;
    return TPNSinkPin::QueryInterface(iid, object);
  }
  TPNNotifyResult DispatchData(const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                               TPNNotifyState State) override {
    (void)DataTypeID;
    (void)Operation;
    (void)State;
    return {};
  }
  // The event that reports a change of the range alone.
  using TRangeChangeEvent = TRangeEvent;

  TValue Min() const { return FMin; }
  TValue Max() const { return FMax; }
  TValue Value() const { return FValue; }

 protected:
  TPNInertRangedSinkPin(TComponent* AOwner, TValueEvent AOnDataChange, TRangeEvent AOnRangeChange,
                        TObject* ACustomData)
      : TPNSinkPin(AOwner), FOnDataChange(AOnDataChange), FOnRangeChange(AOnRangeChange) {
    SetCustomData(ACustomData);
  }
  TPNInertRangedSinkPin(TComponent* AOwner, IPNLock* AOwnerLock, TValueEvent AOnDataChange,
                        TRangeEvent AOnRangeChange, TObject* ACustomData)
      : TPNSinkPin(AOwner, AOwnerLock), FOnDataChange(AOnDataChange), FOnRangeChange(AOnRangeChange) {
    SetCustomData(ACustomData);
  }

  TValueEvent FOnDataChange;
  TRangeEvent FOnRangeChange;
  TValue FMin{};
  TValue FMax{};
  TValue FValue{};
};

class TPNIntAndRangedSinkPin
    : public TPNInertRangedSinkPin<IPNIntRangedStream, IPNIntegerStream, int32_t,
                                   TPNIntValueRangeChangeEvent, TPNIntRangeChangeEvent> {
  PF_CLASS(TPNIntAndRangedSinkPin)
  PF_ALLOW_NEW;

 protected:
  using TPNInertRangedSinkPin::TPNInertRangedSinkPin;
};

class TPNInt64AndRangedSinkPin
    : public TPNInertRangedSinkPin<IPNInt64RangedStream, IPNInt64Stream, int64_t,
                                   TPNInt64ValueRangeChangeEvent, TPNInt64RangeChangeEvent> {
  PF_CLASS(TPNInt64AndRangedSinkPin)
  PF_ALLOW_NEW;

 protected:
  using TPNInertRangedSinkPin::TPNInertRangedSinkPin;
};

// ---------------------------------------------------------------------------------------
// Scalar converters (created by class from the converter registry)

// Sends a converted value through a scalar converter's output pin. The output pin also keeps
// the converted value as its current value, so that a sink linked to the converter later (or
// a link re-typed through it) is replayed the value last converted, not the pin's initial
// zero.
class TPNScalarConverters {
 public:
  static void Send(TPNFloatSourcePin* AOutput, float AValue);
  static void Send(TPNRealSourcePin* AOutput, double AValue);
  // The value with its range when the ranges are filled, otherwise the value alone.
  static void Send(TPNRealRangedSourcePin* AOutput, double AValue, double AMin, double AMax,
                   bool RangesFilled);
};

// A scalar converter: an input sink pin of class TInput that reports every value it
// receives through a TEvent, and an output source pin of class TOutput. What the input
// reports is converted to the output's value type and sent by TPNScalarConverters::Send.
// A ranged input reports a change of its range alone through a second event, which the
// converter leaves unassigned: only values are converted.
template <class TInput, class TEvent, class TOutput>
class TPNScalarFormatConverter;

template <class TInput, class... TArgs, class TOutput>
class TPNScalarFormatConverter<TInput, platform::TMethod<void(TPNPin*, TArgs...)>, TOutput>
    : public TPNFormatConverter {
  using TEvent = platform::TMethod<void(TPNPin*, TArgs...)>;

 protected:
  TPNScalarFormatConverter() {
    const auto onChange = TEvent::template Bind<&TPNScalarFormatConverter::InputChanged>(this);
    TInput* input;
    if constexpr (requires { typename TInput::TRangeChangeEvent; }) {
      input = platform::New<TInput>(this, FLock.Get(), onChange,
                                    typename TInput::TRangeChangeEvent(), nullptr);
    } else {
      input = platform::New<TInput>(this, FLock.Get(), onChange, nullptr);
    }
    CreatePins(input, platform::New<TOutput>(this, FLock.Get(), nullptr));
  }

 private:
  void InputChanged(TPNPin* Sender, TArgs... AArgs) {
    (void)Sender;
    TPNScalarConverters::Send(static_cast<TOutput*>(FOutputPin), AArgs...);
  }
};

// The scalar converters, by class name (the name is how the registry and stored forms know
// them).
//   X(class, input sink pin, the input's change event, output source pin)
#define PN_SCALAR_FORMAT_CONVERTERS(X)                                                         \
  X(TPNFloatToRealFormatConverter, TPNFloatSinkPin, TPNFloatChangeEvent, TPNRealSourcePin)     \
  X(TPNIntToFloatFormatConverter, TPNIntegerSinkPin, TPNIntegerChangeEvent, TPNFloatSourcePin) \
  X(TPNIntToRealFormatConverter, TPNIntegerSinkPin, TPNIntegerChangeEvent, TPNRealSourcePin)   \
  X(TPNInt64ToFloatFormatConverter, TPNInt64SinkPin, TPNInt64ChangeEvent, TPNFloatSourcePin)   \
  X(TPNInt64ToRealFormatConverter, TPNInt64SinkPin, TPNInt64ChangeEvent, TPNRealSourcePin)     \
  X(TPNIntToRealRangedFormatConverter, TPNIntAndRangedSinkPin, TPNIntValueRangeChangeEvent,    \
    TPNRealRangedSourcePin)                                                                    \
  X(TPNInt64ToRealRangedFormatConverter, TPNInt64AndRangedSinkPin,                             \
    TPNInt64ValueRangeChangeEvent, TPNRealRangedSourcePin)

#define PN_DECLARE_SCALAR_FORMAT_CONVERTER(Class, Input, Event, Output) \
  class Class : public TPNScalarFormatConverter<Input, Event, Output> { \
    PF_CLASS(Class)                                                     \
    PF_ALLOW_NEW;                                                       \
                                                                        \
   protected:                                                           \
    Class() = default;                                                  \
  };
PN_SCALAR_FORMAT_CONVERTERS(PN_DECLARE_SCALAR_FORMAT_CONVERTER)
#undef PN_DECLARE_SCALAR_FORMAT_CONVERTER

// ---------------------------------------------------------------------------------------

// The unit's initialization registers the standard stream types, the data stream type's
// send function and the scalar converters; it is listed after the pin framework's units.
extern const platform::TUnit PNStdTypesUnit;

}  // namespace pins
