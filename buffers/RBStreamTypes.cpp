#include "buffers/RBStreamTypes.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "pins/PNPinsGuards.h"
#include "pins/PNPinsRegistries.h"
#include "platform/Forms.h"

namespace buffers {

using pins::IPNBasicStream;
using pins::IPNClockStream;
using pins::IPNDataStream;
using pins::nsNewLink;
using pins::OperationAs;
using pins::QueryStream;
using platform::New;

// ---------------------------------------------------------------------------------------
// Operations and the buffer pair

PF_DEFINE_CLASS(TPNSuppliedBufferOperation, pins::TPNSuppliedOperation)
PF_DEFINE_CLASS(TPNSuppliedBufferPairOperation, pins::TPNSuppliedOperation)
PF_DEFINE_CLASS(TPNStartSampleRateOperation, pins::TPNStartRateOperation)
PF_DEFINE_CLASS(TCBBufferPair, platform::TInterfacedObject)

TPNSuppliedBufferOperation::TPNSuppliedBufferOperation(IRBData* ABuffer)
    : Buffer(ABuffer ? ABuffer->MakeCopy() : nullptr) {}

RefPtr<IPNNotifyOperation> TPNSuppliedBufferOperation::Make(IRBData* ABuffer) {
  return RefPtr<IPNNotifyOperation>(New<TPNSuppliedBufferOperation>(ABuffer));
}

RefPtr<IPNNotifyOperation> TPNSuppliedBufferPairOperation::Make(ICBBufferPair* APair) {
  return RefPtr<IPNNotifyOperation>(New<TPNSuppliedBufferPairOperation>(APair));
}

RefPtr<IPNNotifyOperation> TPNStartSampleRateOperation::Make(double ASampleRate) {
  return RefPtr<IPNNotifyOperation>(New<TPNStartSampleRateOperation>(ASampleRate));
}

TCBBufferPair::TCBBufferPair() : FList(New<platform::TInterfaceList>()) {}

RefPtr<TCBBufferPair> TCBBufferPair::Create() { return RefPtr<TCBBufferPair>(New<TCBBufferPair>()); }

void TCBBufferPair::Destroy() {
  platform::FreeAndNil(FList);
  TInterfacedObject::Destroy();
}

int32_t TCBBufferPair::GetCount() { return FList->Count(); }

RefPtr<IRBDataBuffer> TCBBufferPair::GetBuffer(int32_t Index) {
  RefPtr<IRBDataBuffer> buffer = platform::Supports<IRBDataBuffer>(FList->Get(Index));
  if (!buffer) throw EIntfCastError("Interface not supported");
  return buffer;
}

void TCBBufferPair::SetBuffer(int32_t Index, IRBData* ABuffer) { FList->Put(Index, ABuffer); }

void TCBBufferPair::AddBuffer(IRBData* ABuffer) { FList->Add(ABuffer); }

// ---------------------------------------------------------------------------------------
// Delivery helpers

namespace {

// The owner's handler of a buffer pin, when one is set.
TPNNotifyResult RaiseOperation(const TRBOperationEvent& AEvent, TPNBasicPin* APin,
                               const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                               TPNNotifyState State) {
  if (!AEvent.Assigned()) return {};
  return AEvent(APin, DataTypeID, Operation, State);
}

// Delivers through the receiver's generic buffer stream; false when it has none.
bool DispatchGeneric(IPNStream* Handler, const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                     TPNNotifyState State, TPNNotifyResult& Result) {
  RefPtr<IPNRBGenericStream> generic = QueryStream<IPNRBGenericStream>(Handler);
  if (!generic) return false;
  Result = generic->DispatchData(DataTypeID, Operation, State);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TRBPNSourcePin

PF_DEFINE_CLASS(TRBPNSourcePin, pins::TPNSourcePin)

TRBPNSourcePin::TRBPNSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock,
                               TRBOperationEvent AOperationEvent, TNotifyEvent AOnConnect)
    : TPNSourcePin(AOwner, AOwnerLock, AInputOwnerLock),
      FOnConnect(AOnConnect),
      FOperationEvent(AOperationEvent) {
  AddType(IPNClockStream::IID, TPNSubmit::Bind<&TRBPNSourcePin::ClockSubmit>(this));
  AddType(RBUniversalBufferTypeID, TPNSubmit::Bind<&TRBPNSourcePin::BufferSubmit>(this));
}

void TRBPNSourcePin::Destroy() {
  // The inherited teardown unlinks every sink (each receives its stop from RemoveLink).
  TPNSourcePin::Destroy();
  FCBDataSection.Enter();
  FStartOperation = nullptr;
  FCBDataSection.Leave();
}

HRESULT TRBPNSourcePin::QueryInterface(const TGUID& iid, void** object) {
  if (pins::QueryStreamInterfaces<IPNRBGenericStream>(this, iid, object) == platform::S_OK)
    return platform::S_OK;
  return TPNSourcePin::QueryInterface(iid, object);
}

void TRBPNSourcePin::ReadConnectState(RefPtr<IPNNotifyOperation>& AStart, TNotifyEvent& AOnConnect) {
  FCBDataSection.Enter();
  AStart = FStartOperation;
  AOnConnect = FOnConnect;
  FCBDataSection.Leave();
}

RefPtr<IPNNotifyOperation> TRBPNSourcePin::StartOperation() {
  RefPtr<IPNNotifyOperation> start;
  TNotifyEvent onConnect;
  ReadConnectState(start, onConnect);
  return start;
}

TPNNotifyResult TRBPNSourcePin::Notify(IPNNotifyOperation* Operation) {
  RefPtr<IPNNotifyOperation> held(Operation);
  const TPNNotifyResult result = TPNSourcePin::Notify(Operation);
  RefPtr<IPNNotifyOperation> dropped;  // released after the section
  FCBDataSection.Enter();
  if (OperationAs<pins::TPNStartOperation>(Operation)) {
    dropped = std::move(FStartOperation);
    FStartOperation = held;
  } else if (OperationAs<pins::TPNStopOperation>(Operation)) {
    dropped = std::move(FStartOperation);
  }
  FCBDataSection.Leave();
  return result;
}

void TRBPNSourcePin::RunConnectEvent(const TNotifyEvent& AOnConnect) {
  if (!AOnConnect.Assigned()) return;
  pins::TDeliveryLocksReleased released(this, InputOwnerLock(), true);
  released.Drop();
  AOnConnect(this);
}

void TRBPNSourcePin::AddLink(TPNBasicPin* ASinkPin, TPNBasicPin* NotifyAfterPin) {
  TPNSourcePin::AddLink(ASinkPin, NotifyAfterPin);
  RefPtr<IPNNotifyOperation> start;
  TNotifyEvent onConnect;
  ReadConnectState(start, onConnect);
  if (start && HasLinkTo(ASinkPin)) NotifySinks(ASinkPin, start.Get());
  RunConnectEvent(onConnect);
}

bool TRBPNSourcePin::LinkToSink(TPNBasicPin* APin, TPNBasicPin* NotifyAfterPin) {
  const bool result = TPNSourcePin::LinkToSink(APin, NotifyAfterPin);
  RefPtr<IPNNotifyOperation> start;
  TNotifyEvent onConnect;
  ReadConnectState(start, onConnect);
  RunConnectEvent(onConnect);
  if (start && HasLinkTo(APin)) NotifySinks(APin, start.Get());
  return result;
}

void TRBPNSourcePin::RemoveLink(TPNBasicPin* APin, bool Keep) {
  SendStopTo(APin);
  TPNSourcePin::RemoveLink(APin, Keep);
}

// A delivery through NotifySinks is refused once this pin is being destroyed, and its
// destruction unlinks every sink: the stop goes straight to the sink's submit function, with
// the sink's guard held (a sink being destroyed itself gets nothing) and this pin's locks
// and the link lock dropped, as for every call out of a pin.
void TRBPNSourcePin::SendStopTo(TPNBasicPin* APin) {
  if (!APin) return;
  pins::TPNPinEntry entry;
  pins::TGuardHold sink;
  {
    auto s = ReadLock();
    pins::TPNPinEntry* e = FSinkPins->GetItemByPin(APin);
    // Through a converter the stop comes from the converter's output pin, which loses the
    // sink too.
    if (!e || e->ConnectionPin != e->RealPin || !e->SubmitFunction.Assigned()) return;
    entry = *e;
    sink.Take(entry.ConnectionPin);
  }
  if (!sink.Granted()) return;
  pins::TDeliveryLocksReleased released(this, InputOwnerLock(), true);
  released.Drop();
  try {
    RefPtr<IPNNotifyOperation> stop = pins::TPNStopOperation::Make();
    entry.SubmitFunction(static_cast<IPNStream*>(entry.ConnectionPin), &entry.ConnectedID,
                         stop.Get(), {pins::nsLastIteration});
  } catch (...) {
    // The link goes all the same.
  }
}

TPNNotifyResult TRBPNSourcePin::DispatchData(const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                                             TPNNotifyState State) {
  return RaiseOperation(FOperationEvent, this, DataTypeID, Operation, State);
}

TPNNotifyResult TRBPNSourcePin::BufferSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                             IPNNotifyOperation* Operation, TPNNotifyState State) {
  TPNNotifyResult result;
  if (State.Contains(nsNewLink)) return result;
  if (DispatchGeneric(Handler, DataTypeID, Operation, State, result)) return result;
  if (RefPtr<IPNDataStream> data = QueryStream<IPNDataStream>(Handler))
    return data->DispatchData(DataTypeID, Operation, State);
  return OtherSubmit(Handler, DataTypeID, Operation, State);
}

TPNNotifyResult TRBPNSourcePin::ClockSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                            IPNNotifyOperation* Operation, TPNNotifyState State) {
  if (RefPtr<IPNClockStream> clock = QueryStream<IPNClockStream>(Handler))
    clock->DispatchData(DataTypeID, Operation, State);
  return {};
}

TPNNotifyResult TRBPNSourcePin::OtherSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                            IPNNotifyOperation* Operation, TPNNotifyState State) {
  (void)Handler;
  (void)DataTypeID;
  (void)Operation;
  (void)State;
  return {};
}

TPNNotifyResult TRBPNSourcePin::SubmitBuffer(IRBData* Buffer) {
  return SubmitSafely([Buffer] { return TPNSuppliedBufferOperation::Make(Buffer); });
}

void TRBPNSourcePin::Stop() { Notify(pins::TPNStopOperation::Make().Get()); }
void TRBPNSourcePin::EndStop() { Notify(pins::TPNEndStopOperation::Make().Get()); }
void TRBPNSourcePin::FileEndNoStop() { Notify(pins::TPNFileEndNoStopOperation::Make().Get()); }

// ---------------------------------------------------------------------------------------
// TRBPNSinkPin

PF_DEFINE_CLASS(TRBPNSinkPin, pins::TPNSinkPin)

TRBPNSinkPin::TRBPNSinkPin(TComponent* AOwner, IPNLock* AOwnerLock, TRBOperationEvent AOperationEvent)
    : TPNSinkPin(AOwner, AOwnerLock), FOperationEvent(AOperationEvent) {
  SetIgnoreUpstream(true);
  AddType(RBUniversalBufferTypeID, TPNSubmit::Bind<&TRBPNSinkPin::BufferSubmit>(this));
}

HRESULT TRBPNSinkPin::QueryInterface(const TGUID& iid, void** object) {
  if (pins::QueryStreamInterfaces<IPNRBGenericStream>(this, iid, object) == platform::S_OK)
    return platform::S_OK;
  return TPNSinkPin::QueryInterface(iid, object);
}

TPNNotifyResult TRBPNSinkPin::DispatchData(const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                                           TPNNotifyState State) {
  return RaiseOperation(FOperationEvent, this, DataTypeID, Operation, State);
}

TPNNotifyResult TRBPNSinkPin::BufferSubmit(IPNStream* Handler, const TGUID* DataTypeID,
                                           IPNNotifyOperation* Operation, TPNNotifyState State) {
  TPNNotifyResult result;
  if (!State.Contains(nsNewLink)) DispatchGeneric(Handler, DataTypeID, Operation, State, result);
  return result;
}

TPNNotifyResult TRBPNSinkPin::MasterPump(TObject* Sender) {
  return Notify(pins::TPNMasterPumpOperation::Make(Sender).Get());
}

// ---------------------------------------------------------------------------------------
// Typed pins

PF_DEFINE_CLASS(TRBPNBinarySourcePin, TRBPNSourcePin)
PF_DEFINE_CLASS(TRBPNIntegerSourcePin, TRBPNSourcePin)
PF_DEFINE_CLASS(TRBPNRealMatrixSourcePin, TRBPNSourcePin)
PF_DEFINE_CLASS(TRBPNRealSourcePin, TRBPNSourcePin)
PF_DEFINE_CLASS(TRBPNPairedSourcePin, TRBPNSourcePin)
PF_DEFINE_CLASS(TRBPNStringSourcePin, TRBPNSourcePin)
PF_DEFINE_CLASS(TRBPNIntegerSinkPin, TRBPNSinkPin)
PF_DEFINE_CLASS(TRBPNRealSinkPin, TRBPNSinkPin)
PF_DEFINE_CLASS(TRBPNComplexSinkPin, TRBPNSinkPin)

TPNNotifyResult TRBPNPairedSourcePin::SubmitPair(ICBBufferPair* APair) {
  return SubmitSafely([APair] { return TPNSuppliedBufferPairOperation::Make(APair); });
}

TRBPNRealSourcePin::TRBPNRealSourcePin(TComponent* AOwner, IPNLock* AOwnerLock,
                                       IPNLock* AInputOwnerLock, TRBOperationEvent AOperationEvent,
                                       bool AUseFloat)
    : TRBPNSourcePin(AOwner, AOwnerLock, AInputOwnerLock, AOperationEvent, nullptr) {
  if (AUseFloat)
    AddType(pins::IPNFloatStream::IID, TPNSubmit::Bind<&TRBPNRealSourcePin::NotificationSingle>(this));
  AddType(IPNRBRealStream::IID, TPNSubmit::Bind<&TRBPNSourcePin::BufferSubmit>(this));
}

HRESULT TRBPNRealSourcePin::QueryInterface(const TGUID& iid, void** object) {
  if (pins::QueryStreamInterfaces<IPNRBRealStream>(this, iid, object) == platform::S_OK)
    return platform::S_OK;
  return TRBPNSourcePin::QueryInterface(iid, object);
}

TPNNotifyResult TRBPNRealSourcePin::NotificationSingle(IPNStream* Handler, const TGUID* DataTypeID,
                                                       IPNNotifyOperation* Operation,
                                                       TPNNotifyState State) {
  if (State.Contains(nsNewLink)) return {};
  auto* supplied = OperationAs<TPNSuppliedBufferOperation>(Operation);
  if (!supplied) return {};
  // Only the last element of a real buffer is a value: an empty buffer or one of another
  // kind sends nothing here, and the delivery goes on to the other receivers.
  RefPtr<IRBRealBuffer> reals = platform::Supports<IRBRealBuffer>(supplied->Buffer.Get());
  if (!reals) return {};
  const uint32_t size = reals->GetSize();
  if (size == 0) return {};
  const double value = reals->Read()[size - 1];
  if (RefPtr<pins::IPNRealStream> real = QueryStream<pins::IPNRealStream>(Handler)) {
    RefPtr<IPNNotifyOperation> op = pins::TPNSuppliedRealOperation::Make(value);
    real->DispatchData(DataTypeID, op.Get(), State);
  } else if (RefPtr<pins::IPNFloatStream> single = QueryStream<pins::IPNFloatStream>(Handler)) {
    RefPtr<IPNNotifyOperation> op = pins::TPNSuppliedSingleOperation::Make(static_cast<float>(value));
    single->DispatchData(DataTypeID, op.Get(), State);
  }
  return {};
}

TRBPNStringSourcePin::TRBPNStringSourcePin(TComponent* AOwner, IPNLock* AOwnerLock,
                                           IPNLock* AInputOwnerLock, TRBOperationEvent AOperationEvent)
    : TRBPNSourcePin(AOwner, AOwnerLock, AInputOwnerLock, AOperationEvent, nullptr) {
  AddType(pins::StringStreamTypeID, TPNSubmit::Bind<&TRBPNStringSourcePin::NotificationString>(this));
  AddType(IPNRBStringStream::IID, TPNSubmit::Bind<&TRBPNSourcePin::BufferSubmit>(this));
}

HRESULT TRBPNStringSourcePin::QueryInterface(const TGUID& iid, void** object) {
  if (pins::QueryStreamInterfaces<IPNRBStringStream>(this, iid, object) == platform::S_OK)
    return platform::S_OK;
  return TRBPNSourcePin::QueryInterface(iid, object);
}

TPNNotifyResult TRBPNStringSourcePin::NotificationString(IPNStream* Handler, const TGUID* DataTypeID,
                                                         IPNNotifyOperation* Operation,
                                                         TPNNotifyState State) {
  if (State.Contains(nsNewLink) || !OperationAs<pins::TPNSuppliedOperation>(Operation)) return {};
  // The standard string type has no interface of its own: any stream the receiver answers
  // for that identifier takes the operation.
  void* out = nullptr;
  if (!Handler || Handler->QueryInterface(pins::StringStreamTypeID, &out) != platform::S_OK || !out)
    return {};
  auto* unknown = static_cast<platform::IInterface*>(out);
  if (auto* stream = dynamic_cast<IPNBasicStream*>(unknown)) stream->DispatchData(DataTypeID, Operation, State);
  unknown->Release();
  return {};
}

// ---------------------------------------------------------------------------------------
// RBGlobalSubmit

TPNNotifyResult RBGlobalSubmit(pins::TPNPin* Sender, IPNStream* Handler, const TGUID* DataTypeID,
                               IPNNotifyOperation* Operation, TPNNotifyState State) {
  (void)Sender;
  if (State.Contains(nsNewLink)) return {};
  if (auto* start = OperationAs<TPNStartSampleRateOperation>(Operation)) {
    // Real receivers take the rate of 8-byte elements, integer ones of 4-byte elements.
    double divisor = 0.0;
    RefPtr<IPNRBGenericStream> receiver = QueryStream<IPNRBRealStream>(Handler);
    if (receiver) {
      divisor = 8.0;
    } else if ((receiver = QueryStream<IPNRBIntegerStream>(Handler))) {
      divisor = 4.0;
    }
    if (receiver) {
      RefPtr<IPNNotifyOperation> rated = TPNStartSampleRateOperation::Make(start->SampleRate / divisor);
      return receiver->DispatchData(DataTypeID, rated.Get(), State);
    }
  }
  TPNNotifyResult result;
  DispatchGeneric(Handler, DataTypeID, Operation, State, result);
  return result;
}

// ---------------------------------------------------------------------------------------
// The buffer-type table

std::vector<TRBPNStreamTypeEntry>& RBStreamTypeTable() {
  static std::vector<TRBPNStreamTypeEntry> table;
  return table;
}

void RegisterRBStreamType(const TGUID& ID, int32_t SampleSize, TRBCreateBufferFunction CreateFunction,
                          TRBUpdateBufferFunction UpdateFunction) {
  auto& table = RBStreamTypeTable();
  TRBPNStreamTypeEntry* entry = nullptr;
  for (auto& e : table)
    if (e.ID == ID) {
      entry = &e;
      break;
    }
  if (!entry) {
    table.push_back({ID, SampleSize, nullptr, nullptr});
    entry = &table.back();
  }
  entry->CreateFunction = CreateFunction;
  entry->UpdateFunction = UpdateFunction;
}

namespace {

template <class TBuffer>
RefPtr<IRBData> CreateBuffer(int32_t ASize) {
  return RefPtr<IRBData>(TBuffer::CreateSize(static_cast<uint32_t>(ASize)).Get());
}

void UpdateNothing(IRBData* ABuffer) { (void)ABuffer; }

}  // namespace

// ---------------------------------------------------------------------------------------
// Converters

RefPtr<IRBData> BinaryBufferView(IRBData* ABuffer) {
  return RefPtr<IRBData>(TRBBlockBuffer::CreateUniversal(ABuffer).Get());
}

RefPtr<IRBData> IntegerToRealBuffer(IRBData* ABuffer) {
  RefPtr<IRBIntegerBuffer> integers = platform::Supports<IRBIntegerBuffer>(ABuffer);
  if (!integers) throw EIntfCastError("Interface not supported");
  return RefPtr<IRBData>(TRBRealBuffer::CreateIntegerData(integers->Read(), integers->GetSize()).Get());
}

RefPtr<IRBData> RealMatrixBufferView(IRBData* ABuffer) {
  return RefPtr<IRBData>(TRBRealMatrixBuffer::CreateUniversal(ABuffer).Get());
}

PN_DEFINE_FORMAT_CONVERTER(TRBPNIntToBinaryFormatConverter, pins::TPNFormatConverter)
PN_DEFINE_FORMAT_CONVERTER(TRBPNRealToBinaryFormatConverter, pins::TPNFormatConverter)
PN_DEFINE_FORMAT_CONVERTER(TRBPNComplexToBinaryFormatConverter, pins::TPNFormatConverter)
PN_DEFINE_FORMAT_CONVERTER(TRBPNIntToRealFormatConverter, pins::TPNFormatConverter)
PN_DEFINE_FORMAT_CONVERTER(TRBPNRealToRealMatrixFormatConverter, pins::TPNFormatConverter)
PN_DEFINE_FORMAT_CONVERTER(TRBPNTimeToStringFormatConverter, pins::TPNFormatConverter)
PN_DEFINE_FORMAT_CONVERTER(TRBPNIntegerToStringFormatConverter, pins::TPNFormatConverter)
PN_DEFINE_FORMAT_CONVERTER(TRBPNRealToStringFormatConverter, pins::TPNFormatConverter)

namespace {

// The output pin of a value-to-string converter.
TRBPNStringSourcePin* NewStringOutput(pins::TPNFormatConverter* AConverter, IPNLock* ALock) {
  return New<TRBPNStringSourcePin>(
      AConverter, ALock, nullptr,
      TRBOperationEvent::Bind<&pins::TPNFormatConverter::ForwardUpstream>(AConverter));
}

void SendString(pins::TPNSourcePin* AOutput, const std::string& AText) {
  AOutput->Notify(pins::TPNSuppliedStringOperation::Make(AText).Get());
}

}  // namespace

// The text of a value: the general format of 15 significant digits, fixed-point while the
// value has at most 15 digits before the point and is not below 0.0001, scientific
// ("1.5E20", "1E-6") otherwise.
std::string FloatToStr(double AValue) {
  if (std::isnan(AValue)) return "NAN";
  if (std::isinf(AValue)) return AValue < 0 ? "-INF" : "INF";
  if (AValue == 0.0) return "0";
  char text[32];
  std::snprintf(text, sizeof text, "%.14E", AValue);  // [-]d.ddddddddddddddE[+-]xx
  std::string s(text);
  const bool negative = s[0] == '-';
  if (negative) s.erase(0, 1);
  const size_t e = s.find('E');
  const int exponent = std::stoi(s.substr(e + 1));
  std::string digits = s.substr(0, 1) + s.substr(2, e - 2);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out;
  if (exponent < 15 && exponent >= -4) {
    if (exponent < 0) {
      out = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else {
      const size_t point = static_cast<size_t>(exponent) + 1;
      if (digits.size() <= point) {
        out = digits + std::string(point - digits.size(), '0');
      } else {
        out = digits.substr(0, point) + "." + digits.substr(point);
      }
    }
  } else {
    out = digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
  }
  return negative ? "-" + out : out;
}

// A date and time (days since 30 December 1899) as "yyyy-mm-dd hh:nn:ss"; the time is left
// out at midnight.
std::string DateTimeToStr(pins::TDateTime AValue) {
  if (!std::isfinite(AValue)) return FloatToStr(AValue);
  const double day = std::floor(AValue);
  int64_t seconds = std::llround((AValue - day) * 86400.0);
  int64_t z = static_cast<int64_t>(day) - 25569 + 719468;  // days since 0000-03-01
  if (seconds >= 86400) {
    seconds -= 86400;
    ++z;
  }
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2);
  char text[160];
  if (seconds == 0)
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld", static_cast<long long>(y),
                  static_cast<long long>(m), static_cast<long long>(d));
  else
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                  static_cast<long long>(y), static_cast<long long>(m), static_cast<long long>(d),
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
  return text;
}

TRBPNTimeToStringFormatConverter::TRBPNTimeToStringFormatConverter() {
  auto* output = NewStringOutput(this, FLock.Get());
  auto* input = New<pins::TPNDateTimeSinkPin>(
      this, FLock.Get(),
      pins::TPNDateTimeChangeEvent::Bind<&TRBPNTimeToStringFormatConverter::InputChanged>(this),
      nullptr);
  CreatePins(input, output);
}

void TRBPNTimeToStringFormatConverter::InputChanged(pins::TPNPin* Sender, pins::TDateTime AValue) {
  (void)Sender;
  SendString(FOutputPin, DateTimeToStr(AValue));
}

TRBPNIntegerToStringFormatConverter::TRBPNIntegerToStringFormatConverter() {
  auto* output = NewStringOutput(this, FLock.Get());
  auto* input = New<pins::TPNIntegerSinkPin>(
      this, FLock.Get(),
      pins::TPNIntegerChangeEvent::Bind<&TRBPNIntegerToStringFormatConverter::InputChanged>(this),
      nullptr);
  CreatePins(input, output);
}

void TRBPNIntegerToStringFormatConverter::InputChanged(pins::TPNPin* Sender, int32_t AValue) {
  (void)Sender;
  SendString(FOutputPin, std::to_string(AValue));
}

TRBPNRealToStringFormatConverter::TRBPNRealToStringFormatConverter() {
  auto* output = NewStringOutput(this, FLock.Get());
  auto* input = New<pins::TPNRealSinkPin>(
      this, FLock.Get(),
      pins::TPNRealChangeEvent::Bind<&TRBPNRealToStringFormatConverter::InputChanged>(this), nullptr);
  CreatePins(input, output);
}

void TRBPNRealToStringFormatConverter::InputChanged(pins::TPNPin* Sender, double AValue) {
  (void)Sender;
  SendString(FOutputPin, FloatToStr(AValue));
}

// ---------------------------------------------------------------------------------------
// Start-up

namespace {

void RBStreamTypesInitialization() {
  using pins::RegisterStreamTypeColor;
  using pins::RegisterStreamTypeSendFunction;
  using pins::RegisterTypeConverter;
  RegisterStreamTypeColor(IPNRBBinaryStream::IID, "RB binary buffer", platform::clBlue, 2.0f);
  RegisterStreamTypeColor(IPNRBRealStream::IID, "RB real buffer", platform::clRed, 2.0f);
  RegisterStreamTypeColor(IPNRBIntegerStream::IID, "RB integer buffer", 0xFF00FF, 2.0f);
  RegisterStreamTypeColor(IPNRBComplexStream::IID, "RB complex buffer", 0xFFFF00, 2.0f);
  RegisterStreamTypeColor(RBUniversalBufferTypeID, "RB Universal buffer", 0xC0C0C0, 2.0f);
  RegisterStreamTypeColor(IPNRBChannelStream::IID, "RB Generic buffer", 0xC0C0C0, 2.0f);
  RegisterStreamTypeColor(IPNRBPairedStream::IID, "RB Paired Buffers", 0xC0C0C0, 3.0f);
  RegisterStreamTypeColor(IPNRBStringStream::IID, "RB String", 0x808000, 2.0f);
  RegisterStreamTypeColor(IPNRBRealMatrixStream::IID, "RB Real Matrix", platform::clRed, 3.0f);
  pins::RegisterStreamTypeName(RBUserControlTypeID, "User control");

  for (const TGUID& id : {IPNRBBinaryStream::IID, IPNRBRealStream::IID, IPNRBIntegerStream::IID,
                          IPNRBComplexStream::IID, IPNRBStringStream::IID, IPNRBChannelStream::IID,
                          IPNRBPairedStream::IID, IPNRBRealMatrixStream::IID})
    RegisterStreamTypeSendFunction(id, &RBGlobalSubmit);

  RegisterRBStreamType(IPNRBChannelStream::IID, 1, &CreateBuffer<TRBBlockBuffer>, &UpdateNothing);
  RegisterRBStreamType(IPNRBBinaryStream::IID, 1, &CreateBuffer<TRBBlockBuffer>, &UpdateNothing);
  RegisterRBStreamType(IPNRBRealStream::IID, 8, &CreateBuffer<TRBRealBuffer>, &UpdateNothing);
  RegisterRBStreamType(IPNRBIntegerStream::IID, 4, &CreateBuffer<TRBIntegerBuffer>, &UpdateNothing);
  RegisterRBStreamType(IPNRBComplexStream::IID, 16, &CreateBuffer<TRBComplexBuffer>, &UpdateNothing);

  RegisterTypeConverter(IPNRBIntegerStream::IID, IPNRBBinaryStream::IID,
                        &TRBPNIntToBinaryFormatConverter::StaticClass());
  RegisterTypeConverter(IPNRBRealStream::IID, IPNRBBinaryStream::IID,
                        &TRBPNRealToBinaryFormatConverter::StaticClass());
  RegisterTypeConverter(IPNRBComplexStream::IID, IPNRBBinaryStream::IID,
                        &TRBPNComplexToBinaryFormatConverter::StaticClass());
  RegisterTypeConverter(IPNRBIntegerStream::IID, IPNRBRealStream::IID,
                        &TRBPNIntToRealFormatConverter::StaticClass());
  RegisterTypeConverter(pins::IPNDateTimeStream::IID, IPNRBStringStream::IID,
                        &TRBPNTimeToStringFormatConverter::StaticClass());
  RegisterTypeConverter(pins::IPNIntegerStream::IID, IPNRBStringStream::IID,
                        &TRBPNIntegerToStringFormatConverter::StaticClass());
  RegisterTypeConverter(pins::IPNRealStream::IID, IPNRBStringStream::IID,
                        &TRBPNRealToStringFormatConverter::StaticClass());
  RegisterTypeConverter(IPNRBRealStream::IID, IPNRBRealMatrixStream::IID,
                        &TRBPNRealToRealMatrixFormatConverter::StaticClass());
}

void RBStreamTypesFinalization() { RBStreamTypeTable().clear(); }

}  // namespace

const platform::TUnit RBStreamTypesUnit{"RBStreamTypes", RBStreamTypesInitialization,
                                        RBStreamTypesFinalization};

}  // namespace buffers
