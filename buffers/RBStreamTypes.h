// Buffer stream types: data buffers travelling along pins.
//
// The stream types of the buffer kinds are the identifiers of interfaces that receiving pins
// implement (none adds a method to DispatchData). A buffer travels as a supplied-buffer
// operation holding a new view of the sender's container, so the sender may go on using
// its own view; a start with a sample rate tells the receivers the rate of what follows.
//
// TRBPNSourcePin and TRBPNSinkPin are the buffer pins from which every buffer, image and
// vision pin derives. Both hand every operation that reaches them to their owner through one
// operation event. The source keeps the last start operation it sent (until a stop) and
// replays it to every sink linked later, and every sink it loses receives a stop. Sending a
// buffer never raises: what a receiver raises is dropped, so a failing component does not
// stop its sender.
//
// Converters join buffer kinds without copying where the data allow: real, integer and
// complex buffers reach byte pins as byte views, real buffers reach matrix pins as a matrix of
// one row over the same memory; integers reach real pins converted to doubles.
//
// RBGlobalSubmit is the registry send function of every buffer-like stream type; it gives a
// real receiver a sample-rate start at 1/8 of the rate and an integer receiver one at 1/4.
//
// Threads: delivery runs in the sending thread. The kept start and the connect event are
// guarded by the pin's data section; the replay, the stop and the connect event run outside
// it, with the pin's locks and the link lock dropped (as every call out of a pin does).
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "buffers/RBSimpleDataBuffer.h"
#include "buffers/RBSimpleDataBufferBlock.h"
#include "buffers/RBSimpleDataBufferComplex.h"
#include "buffers/RBSimpleDataBufferInteger.h"
#include "buffers/RBSimpleDataBufferMatrix.h"
#include "buffers/RBSimpleDataBufferReal.h"
#include "pins/PNPinsConverter.h"
#include "pins/PNStdTypes.h"
#include "platform/Lists.h"
#include "platform/Units.h"

namespace buffers {

using pins::IPNLock;
using pins::IPNNotifyOperation;
using pins::IPNStream;
using pins::TPNBasicPin;
using pins::TPNNotifyResult;
using pins::TPNNotifyState;
using pins::TPNSubmit;
using platform::HRESULT;
using platform::TComponent;
using platform::TNotifyEvent;

// ---------------------------------------------------------------------------------------
// Stream interfaces and type identifiers

struct IPNRBGenericStream : virtual pins::IPNDataStream {
  static constexpr TGUID IID = TGUID::Parse("{20ACBC6D-DA0D-4359-8C78-CE0067D009A0}");
};
struct IPNRBChannelStream : virtual IPNRBGenericStream {
  static constexpr TGUID IID = TGUID::Parse("{DB6DD866-611D-4DC4-B46F-459CF8F02ECD}");
};
struct IPNRBBinaryStream : virtual IPNRBChannelStream {
  static constexpr TGUID IID = TGUID::Parse("{BD807B57-05AE-44E0-A99F-3D9BAD83395E}");
};
struct IPNRBRealStream : virtual IPNRBChannelStream {
  static constexpr TGUID IID = TGUID::Parse("{58041272-EF20-4696-87E6-9EE46ABFBD89}");
};
struct IPNRBIntegerStream : virtual IPNRBChannelStream {
  static constexpr TGUID IID = TGUID::Parse("{473B965F-AB43-4493-B9E3-BEE9CF0803D4}");
};
struct IPNRBComplexStream : virtual IPNRBChannelStream {
  static constexpr TGUID IID = TGUID::Parse("{BD797143-D7C6-4033-B686-9ABA658346CF}");
};
struct IPNRBStringStream : virtual IPNRBChannelStream {
  static constexpr TGUID IID = TGUID::Parse("{939000AB-3C12-4A1D-89B5-33DA284E4929}");
};
struct IPNRBPairedStream : virtual IPNRBChannelStream {
  static constexpr TGUID IID = TGUID::Parse("{F4D70F89-B478-4D08-990F-AD03759D0E31}");
};
struct IPNRBRealMatrixStream : virtual IPNRBChannelStream {
  static constexpr TGUID IID = TGUID::Parse("{3A3BA3E1-0184-41DA-AA08-5412DD5F2B83}");
};

// Types without an interface: the Universal buffer type every buffer pin carries, and the
// User control type, which is only registered by name.
inline constexpr TGUID RBUniversalBufferTypeID = TGUID::Parse("{949B7FD0-421F-4F1B-B8D2-87969D3E66E0}");
inline constexpr TGUID RBUserControlTypeID = TGUID::Parse("{9E7972F6-919B-491D-A094-18722B974429}");

// ---------------------------------------------------------------------------------------
// Operations

// Carries one data buffer: a new view sharing the sender's container.
class TPNSuppliedBufferOperation : public pins::TPNSuppliedOperation {
  PF_CLASS(TPNSuppliedBufferOperation)
  PF_ALLOW_NEW;

 public:
  RefPtr<IRBData> Buffer;
  // Holds ABuffer->MakeCopy() (null for a null buffer).
  static RefPtr<IPNNotifyOperation> Make(IRBData* ABuffer);

 protected:
  explicit TPNSuppliedBufferOperation(IRBData* ABuffer);
};

// A list of data buffers sent as one (for example the X and Y values of a list of points).
class TCBBufferPair : public platform::TInterfacedObject {
  PF_CLASS(TCBBufferPair)
  PF_ALLOW_NEW;

 public:
  static RefPtr<TCBBufferPair> Create();

  int32_t GetCount();
  // The element as a data buffer: EIntfCastError "Interface not supported" when it is none,
  // EListError for a bad index.
  RefPtr<IRBDataBuffer> GetBuffer(int32_t Index);
  void SetBuffer(int32_t Index, IRBData* ABuffer);
  void AddBuffer(IRBData* ABuffer);

 protected:
  TCBBufferPair();
  void Destroy() override;

 private:
  platform::TInterfaceList* FList = nullptr;
};

// The pair has a single implementation: its interface is the class itself.
using ICBBufferPair = TCBBufferPair;

// Carries a buffer pair as given (the same pair object).
class TPNSuppliedBufferPairOperation : public pins::TPNSuppliedOperation {
  PF_CLASS(TPNSuppliedBufferPairOperation)
  PF_ALLOW_NEW;

 public:
  RefPtr<ICBBufferPair> Pair;
  static RefPtr<IPNNotifyOperation> Make(ICBBufferPair* APair);

 protected:
  explicit TPNSuppliedBufferPairOperation(ICBBufferPair* APair) : Pair(APair) {}
};

// A start with a sample rate: Rate (single) and SampleRate (double) both hold it.
class TPNStartSampleRateOperation : public pins::TPNStartRateOperation {
  PF_CLASS(TPNStartSampleRateOperation)
  PF_ALLOW_NEW;

 public:
  double SampleRate = 0.0;
  static RefPtr<IPNNotifyOperation> Make(double ASampleRate);

 protected:
  explicit TPNStartSampleRateOperation(double ASampleRate)
      : TPNStartRateOperation(static_cast<float>(ASampleRate)), SampleRate(ASampleRate) {}
};

// ---------------------------------------------------------------------------------------
// Buffer pins

// The owner's handler of every operation that reaches a buffer pin.
using TRBOperationEvent =
    platform::TMethod<TPNNotifyResult(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                      IPNNotifyOperation* Operation, TPNNotifyState State)>;

class TRBPNSourcePin : public pins::TPNSourcePin, public virtual IPNRBGenericStream {
  PF_CLASS(TRBPNSourcePin)
  PF_ALLOW_NEW;

 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override;

  // Delivers to every sink, then keeps a start operation (any kind) for sinks linked later;
  // a stop (or end stop) forgets it.
  TPNNotifyResult Notify(IPNNotifyOperation* Operation) override;
  // Links the sink, then replays the kept start to it alone and runs the connect event
  // (called by the sink under the link lock; the replay and the event run with this pin's
  // locks and the link lock dropped).
  void AddLink(TPNBasicPin* ASinkPin, TPNBasicPin* NotifyAfterPin) override;
  // The sink links itself (AddLink above), then the connect event runs and the kept start
  // goes to that sink once more.
  bool LinkToSink(TPNBasicPin* APin, TPNBasicPin* NotifyAfterPin) override;
  // A stop goes to the departing sink alone (also when this pin is being destroyed), then
  // the link is removed. A sink served through a converter gets its stop from the
  // converter's output pin, which loses it too. What the sink raises is dropped.
  void RemoveLink(TPNBasicPin* APin, bool Keep) override;

  // Operations sent upstream to this pin go to the operation event.
  TPNNotifyResult DispatchData(const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                               TPNNotifyState State) override;

  // The submit function of every buffer type: nothing for a new link; else the receiver's
  // generic buffer stream, or its data stream, or OtherSubmit.
  TPNNotifyResult BufferSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                               IPNNotifyOperation* Operation, TPNNotifyState State);
  // The clock type's submit function: to a clock receiver; the result is always empty.
  virtual TPNNotifyResult ClockSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                      IPNNotifyOperation* Operation, TPNNotifyState State);
  // Receivers of neither stream: nothing here.
  virtual TPNNotifyResult OtherSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                      IPNNotifyOperation* Operation, TPNNotifyState State);

  // Sends the buffer as a supplied-buffer operation; never raises (empty result then).
  TPNNotifyResult SubmitBuffer(IRBData* Buffer);
  virtual void Stop();
  void EndStop();
  void FileEndNoStop();

  // The kept start operation, or null.
  RefPtr<IPNNotifyOperation> StartOperation();

 protected:
  TRBPNSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock,
                 TRBOperationEvent AOperationEvent, TNotifyEvent AOnConnect);
  void Destroy() override;

  // Sends a converted operation built by Make; what Make or the receivers raise is dropped.
  template <class TMake>
  TPNNotifyResult SubmitSafely(TMake Make) {
    try {
      return Notify(Make().Get());
    } catch (...) {
      return {};
    }
  }

 private:
  // The kept start and the connect event, read together under the data section.
  void ReadConnectState(RefPtr<IPNNotifyOperation>& AStart, TNotifyEvent& AOnConnect);
  // Runs the connect event with this pin's locks and the link lock dropped.
  void RunConnectEvent(const TNotifyEvent& AOnConnect);
  void SendStopTo(TPNBasicPin* APin);

  pins::TPNCriticalSection FCBDataSection;
  RefPtr<IPNNotifyOperation> FStartOperation;
  TNotifyEvent FOnConnect;
  TRBOperationEvent FOperationEvent;
};

class TRBPNSinkPin : public pins::TPNSinkPin, public virtual IPNRBGenericStream {
  PF_CLASS(TRBPNSinkPin)
  PF_ALLOW_NEW;

 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  // Operations delivered to this pin go to the operation event.
  TPNNotifyResult DispatchData(const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                               TPNNotifyState State) override;
  // The submit function of upstream deliveries: nothing for a new link; else the source's
  // generic buffer stream.
  TPNNotifyResult BufferSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                               IPNNotifyOperation* Operation, TPNNotifyState State);
  // Sends a master-pump operation upstream.
  TPNNotifyResult MasterPump(TObject* Sender);

 protected:
  TRBPNSinkPin(TComponent* AOwner, IPNLock* AOwnerLock, TRBOperationEvent AOperationEvent);

 private:
  TRBOperationEvent FOperationEvent;
};

// A buffer source pin of one typed stream TStream (added after the base's types, submitted
// with BufferSubmit); the pin implements TStream, so that the upstream type check accepts it.
template <class TStream>
class TRBPNTypedSourcePin : public TRBPNSourcePin, public virtual TStream {
 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (pins::QueryStreamInterfaces<TStream>(this, iid, object) == platform::S_OK)
      return platform::S_OK;
    return TRBPNSourcePin::QueryInterface(iid, object);
  }

 protected:
  TRBPNTypedSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock,
                      TRBOperationEvent AOperationEvent, TNotifyEvent AOnConnect = nullptr)
      : TRBPNSourcePin(AOwner, AOwnerLock, AInputOwnerLock, AOperationEvent, AOnConnect) {
    AddType(TStream::IID, TPNSubmit::Bind<&TRBPNSourcePin::BufferSubmit>(this));
  }
};

// A buffer sink pin of one typed stream TStream.
template <class TStream>
class TRBPNTypedSinkPin : public TRBPNSinkPin, public virtual TStream {
 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (pins::QueryStreamInterfaces<TStream>(this, iid, object) == platform::S_OK)
      return platform::S_OK;
    return TRBPNSinkPin::QueryInterface(iid, object);
  }

 protected:
  TRBPNTypedSinkPin(TComponent* AOwner, IPNLock* AOwnerLock, TRBOperationEvent AOperationEvent)
      : TRBPNSinkPin(AOwner, AOwnerLock, AOperationEvent) {
    AddType(TStream::IID, TPNSubmit::Bind<&TRBPNSinkPin::BufferSubmit>(this));
  }
};

// A typed pin class: Template (TRBPNTypedSourcePin or TRBPNTypedSinkPin) of Stream.
#define RB_TYPED_PIN(Class, Template, Stream)  \
  class Class : public Template<Stream> {       \
    PF_CLASS(Class)                             \
    PF_ALLOW_NEW;                               \
                                                \
   protected:                                   \
    using Template<Stream>::Template;           \
  }

RB_TYPED_PIN(TRBPNBinarySourcePin, TRBPNTypedSourcePin, IPNRBBinaryStream);
RB_TYPED_PIN(TRBPNIntegerSourcePin, TRBPNTypedSourcePin, IPNRBIntegerStream);
RB_TYPED_PIN(TRBPNRealMatrixSourcePin, TRBPNTypedSourcePin, IPNRBRealMatrixStream);
RB_TYPED_PIN(TRBPNIntegerSinkPin, TRBPNTypedSinkPin, IPNRBIntegerStream);
RB_TYPED_PIN(TRBPNRealSinkPin, TRBPNTypedSinkPin, IPNRBRealStream);
RB_TYPED_PIN(TRBPNComplexSinkPin, TRBPNTypedSinkPin, IPNRBComplexStream);

// Sends buffer pairs.
class TRBPNPairedSourcePin : public TRBPNTypedSourcePin<IPNRBPairedStream> {
  PF_CLASS(TRBPNPairedSourcePin)
  PF_ALLOW_NEW;

 public:
  // Sends the pair as a supplied-pair operation; never raises (empty result then).
  TPNNotifyResult SubmitPair(ICBBufferPair* APair);

 protected:
  using TRBPNTypedSourcePin::TRBPNTypedSourcePin;
};

// Sends real buffers and, when built with AUseFloat, the last element of each real buffer to
// receivers of the float value type (a real value receiver gets it as a real value). An empty
// buffer or one that is no real buffer sends them nothing; the buffer receivers still get it.
class TRBPNRealSourcePin : public TRBPNSourcePin, public virtual IPNRBRealStream {
  PF_CLASS(TRBPNRealSourcePin)
  PF_ALLOW_NEW;

 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  // The float value type's submit function; the result is always empty.
  virtual TPNNotifyResult NotificationSingle(IPNStream* Handler, const TGUID* DataTypeID,
                                             IPNNotifyOperation* Operation, TPNNotifyState State);

 protected:
  TRBPNRealSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock,
                     TRBOperationEvent AOperationEvent, bool AUseFloat);
};

// Sends strings as buffers and, to receivers of the standard string type, every supplied
// operation unchanged.
class TRBPNStringSourcePin : public TRBPNSourcePin, public virtual IPNRBStringStream {
  PF_CLASS(TRBPNStringSourcePin)
  PF_ALLOW_NEW;

 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  // The standard string type's submit function: a supplied operation goes unchanged to the
  // receiver's stream of that type; the result is always empty.
  virtual TPNNotifyResult NotificationString(IPNStream* Handler, const TGUID* DataTypeID,
                                             IPNNotifyOperation* Operation, TPNNotifyState State);

 protected:
  TRBPNStringSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock,
                       TRBOperationEvent AOperationEvent);
};

// ---------------------------------------------------------------------------------------
// RBGlobalSubmit and the buffer-type table

TPNNotifyResult RBGlobalSubmit(pins::TPNPin* Sender, IPNStream* Handler, const TGUID* DataTypeID,
                               IPNNotifyOperation* Operation, TPNNotifyState State);

using TRBCreateBufferFunction = RefPtr<IRBData> (*)(int32_t ASize);
using TRBUpdateBufferFunction = void (*)(IRBData* ABuffer);

struct TRBPNStreamTypeEntry {
  TGUID ID;
  int32_t SampleSize = 0;  // bytes per element
  TRBCreateBufferFunction CreateFunction = nullptr;
  TRBUpdateBufferFunction UpdateFunction = nullptr;
};

// The table, in order of first registration.
std::vector<TRBPNStreamTypeEntry>& RBStreamTypeTable();
// Sets the functions of the entry of ID, appending one with SampleSize when there is none
// (an existing entry keeps its sample size).
void RegisterRBStreamType(const TGUID& ID, int32_t SampleSize, TRBCreateBufferFunction CreateFunction,
                          TRBUpdateBufferFunction UpdateFunction);

// ---------------------------------------------------------------------------------------
// Converters

// Converts supplied buffers with Convert and passes every other operation unchanged from an
// input pin of class TInput to an output pin of class TOutput; operations sent upstream to
// the output go on to the source feeding the input.
template <class TInput, class TOutput, RefPtr<IRBData> (*Convert)(IRBData* ABuffer)>
class TRBPNBufferFormatConverter : public pins::TPNFormatConverter {
 public:
  TPNNotifyResult InputOperation(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                 IPNNotifyOperation* Operation, TPNNotifyState State) {
    (void)Sender;
    (void)DataTypeID;
    (void)State;
    if (auto* supplied = pins::OperationAs<TPNSuppliedBufferOperation>(Operation)) {
      RefPtr<IRBData> converted = Convert(supplied->Buffer.Get());
      return FOutputPin->Notify(TPNSuppliedBufferOperation::Make(converted.Get()).Get());
    }
    return FOutputPin->Notify(Operation);
  }

 protected:
  TRBPNBufferFormatConverter() {
    const auto upstream = TRBOperationEvent::Bind<&pins::TPNFormatConverter::ForwardUpstream>(this);
    TOutput* output;
    if constexpr (std::is_same_v<TOutput, TRBPNRealSourcePin>)
      output = platform::New<TOutput>(this, FLock.Get(), nullptr, upstream, true);  // with values
    else
      output = platform::New<TOutput>(this, FLock.Get(), nullptr, upstream);
    auto* input = platform::New<TInput>(
        this, FLock.Get(), TRBOperationEvent::Bind<&TRBPNBufferFormatConverter::InputOperation>(this));
    CreatePins(input, output);
  }
};

// The byte view of any memory buffer (same container, no copy).
RefPtr<IRBData> BinaryBufferView(IRBData* ABuffer);

#define RB_BUFFER_CONVERTER(Class, Input, Output, Convert)              \
  class Class : public TRBPNBufferFormatConverter<Input, Output, Convert> { \
    PF_CLASS(Class)                                                     \
    PF_ALLOW_NEW;                                                       \
                                                                        \
   protected:                                                           \
    Class() = default;                                                  \
  }

RB_BUFFER_CONVERTER(TRBPNIntToBinaryFormatConverter, TRBPNIntegerSinkPin, TRBPNBinarySourcePin,
                    &BinaryBufferView);
RB_BUFFER_CONVERTER(TRBPNRealToBinaryFormatConverter, TRBPNRealSinkPin, TRBPNBinarySourcePin,
                    &BinaryBufferView);
RB_BUFFER_CONVERTER(TRBPNComplexToBinaryFormatConverter, TRBPNComplexSinkPin,
                    TRBPNBinarySourcePin, &BinaryBufferView);

// The values of an integer buffer as doubles, in a new real buffer (EIntfCastError
// "Interface not supported" for a buffer that is no integer buffer).
RefPtr<IRBData> IntegerToRealBuffer(IRBData* ABuffer);
// A real buffer as a matrix of one row sharing its container.
RefPtr<IRBData> RealMatrixBufferView(IRBData* ABuffer);

RB_BUFFER_CONVERTER(TRBPNIntToRealFormatConverter, TRBPNIntegerSinkPin, TRBPNRealSourcePin,
                    &IntegerToRealBuffer);
RB_BUFFER_CONVERTER(TRBPNRealToRealMatrixFormatConverter, TRBPNRealSinkPin,
                    TRBPNRealMatrixSourcePin, &RealMatrixBufferView);

// Value-to-string converters: the input value as text, sent as a supplied string.
class TRBPNTimeToStringFormatConverter : public pins::TPNFormatConverter {
  PF_CLASS(TRBPNTimeToStringFormatConverter)
  PF_ALLOW_NEW;

 protected:
  TRBPNTimeToStringFormatConverter();
  void InputChanged(pins::TPNPin* Sender, pins::TDateTime AValue);
};

class TRBPNIntegerToStringFormatConverter : public pins::TPNFormatConverter {
  PF_CLASS(TRBPNIntegerToStringFormatConverter)
  PF_ALLOW_NEW;

 protected:
  TRBPNIntegerToStringFormatConverter();
  void InputChanged(pins::TPNPin* Sender, int32_t AValue);
};

class TRBPNRealToStringFormatConverter : public pins::TPNFormatConverter {
  PF_CLASS(TRBPNRealToStringFormatConverter)
  PF_ALLOW_NEW;

 protected:
  TRBPNRealToStringFormatConverter();
  void InputChanged(pins::TPNPin* Sender, double AValue);
};

// The class library's texts of values: the general format of 15 significant digits
// ("2.5", "1E-6"), and a date and time.
std::string FloatToStr(double AValue);
std::string DateTimeToStr(pins::TDateTime AValue);

// Registers the buffer stream types, their send function, the buffer-type table and the
// converters.
extern const platform::TUnit RBStreamTypesUnit;

}  // namespace buffers
