// The standard notify operations, the data stream type's send function and the start-up
// registrations of the standard stream types and scalar converters.
#include "pins/PNStdTypes.h"

#include "pins/PNPinsRegistries.h"

namespace pins {

using platform::New;

// ---------------------------------------------------------------------------------------
// Operations

PF_DEFINE_CLASS(TPNClockOperation, TPNNotifyOperation)
PF_DEFINE_CLASS(TPNSuppliedOperation, TPNClockOperation)
PF_DEFINE_CLASS(TPNSuppliedSingleOperation, TPNSuppliedOperation)
PF_DEFINE_CLASS(TPNSuppliedStringOperation, TPNSuppliedOperation)
PF_DEFINE_CLASS(TPNSuppliedRealOperation, TPNSuppliedOperation)
PF_DEFINE_CLASS(TPNSuppliedRealValueRangeOperation, TPNSuppliedRealOperation)
PF_DEFINE_CLASS(TPNSuppliedRealRangeOperation, TPNSuppliedOperation)
PF_DEFINE_CLASS(TPNStartOperation, TPNNotifyOperation)
PF_DEFINE_CLASS(TPNStartRateOperation, TPNStartOperation)
PF_DEFINE_CLASS(TPNStopOperation, TPNNotifyOperation)
PF_DEFINE_CLASS(TPNEndStopOperation, TPNStopOperation)
PF_DEFINE_CLASS(TPNFileEndNoStopOperation, TPNNotifyOperation)
PF_DEFINE_CLASS(TPNPumpRequestOperation, TPNNotifyOperation)
PF_DEFINE_CLASS(TPNMasterPumpOperation, TPNNotifyOperation)

RefPtr<IPNNotifyOperation> TPNClockOperation::Make() {
  return RefPtr<IPNNotifyOperation>(New<TPNClockOperation>());
}
RefPtr<IPNNotifyOperation> TPNSuppliedSingleOperation::Make(float AValue) {
  return RefPtr<IPNNotifyOperation>(New<TPNSuppliedSingleOperation>(AValue));
}
RefPtr<IPNNotifyOperation> TPNSuppliedStringOperation::Make(const std::string& AValue) {
  return RefPtr<IPNNotifyOperation>(New<TPNSuppliedStringOperation>(AValue));
}
RefPtr<IPNNotifyOperation> TPNSuppliedRealOperation::Make(double AValue) {
  return RefPtr<IPNNotifyOperation>(New<TPNSuppliedRealOperation>(AValue));
}
RefPtr<IPNNotifyOperation> TPNSuppliedRealValueRangeOperation::Make(double AValue, double AMin,
                                                                    double AMax) {
  return RefPtr<IPNNotifyOperation>(New<TPNSuppliedRealValueRangeOperation>(AValue, AMin, AMax));
}
RefPtr<IPNNotifyOperation> TPNSuppliedRealRangeOperation::Make(double AMin, double AMax) {
  return RefPtr<IPNNotifyOperation>(New<TPNSuppliedRealRangeOperation>(AMin, AMax));
}
RefPtr<IPNNotifyOperation> TPNStartOperation::Make() {
  return RefPtr<IPNNotifyOperation>(New<TPNStartOperation>());
}
RefPtr<IPNNotifyOperation> TPNStartRateOperation::Make(float ARate) {
  return RefPtr<IPNNotifyOperation>(New<TPNStartRateOperation>(ARate));
}
RefPtr<IPNNotifyOperation> TPNStopOperation::Make() {
  return RefPtr<IPNNotifyOperation>(New<TPNStopOperation>());
}
RefPtr<IPNNotifyOperation> TPNEndStopOperation::Make() {
  return RefPtr<IPNNotifyOperation>(New<TPNEndStopOperation>());
}
RefPtr<IPNNotifyOperation> TPNFileEndNoStopOperation::Make() {
  return RefPtr<IPNNotifyOperation>(New<TPNFileEndNoStopOperation>());
}
RefPtr<IPNNotifyOperation> TPNPumpRequestOperation::Make() {
  return RefPtr<IPNNotifyOperation>(New<TPNPumpRequestOperation>());
}
RefPtr<IPNNotifyOperation> TPNPumpRequestOperation::MakeEx(TObject* APump, TPNPumpType APumpType,
                                                           int32_t APumpPriority,
                                                           float ADesiredRate) {
  return RefPtr<IPNNotifyOperation>(
      New<TPNPumpRequestOperation>(APump, APumpType, APumpPriority, ADesiredRate));
}
RefPtr<IPNNotifyOperation> TPNMasterPumpOperation::Make(TObject* APump) {
  return RefPtr<IPNNotifyOperation>(New<TPNMasterPumpOperation>(APump));
}

// ---------------------------------------------------------------------------------------

TPNNotifyResult DataStreamSubmit(TPNPin* Sender, IPNStream* Handler, const TGUID* DataTypeID,
                                 IPNNotifyOperation* Operation, TPNNotifyState State) {
  (void)Sender;
  RefPtr<IPNDataStream> stream = QueryStream<IPNDataStream>(Handler);
  if (!stream) return {};
  return stream->DispatchData(DataTypeID, Operation, State);
}

// ---------------------------------------------------------------------------------------
// Registrations

namespace {

constexpr TColor clMagenta = 0xFF00FF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clTeal = 0x808000;

void InitializeStdTypes() {
  RegisterStreamTypeName(IPNClockStream::IID, "Clock");
  RegisterStreamTypeColor(IPNIntegerStream::IID, "32 bit Integer", clMagenta, 1.0f);
  RegisterStreamTypeColor(IPNInt64Stream::IID, "64 bit Integer", clMagenta, 1.0f);
  RegisterStreamTypeColor(IPNFloatStream::IID, "Float", clRed, 1.0f);
  RegisterStreamTypeColor(IPNRealStream::IID, "Real", clRed, 1.0f);
  RegisterStreamTypeColor(RealComplexStreamTypeID, "Real Complex", clAqua, 1.0f);
  RegisterStreamTypeColor(IPNBoolStream::IID, "Boolean", clBlue, 1.0f);
  RegisterStreamTypeColor(CharacterStreamTypeID, "Character", clTeal, 1.0f);
  RegisterStreamTypeColor(StringStreamTypeID, "Sting", clTeal, 2.0f);
  RegisterStreamTypeColor(IPNIntRangedStream::IID, "Ranged 32 bit Integer", clMagenta, 1.0f);
  RegisterStreamTypeColor(IPNInt64RangedStream::IID, "Ranged 64 bit Integer", clMagenta, 1.0f);
  RegisterStreamTypeColor(RealRangedStreamTypeID, "Ranged Real", clRed, 1.0f);
  RegisterStreamTypeName(IPNDateTimeStream::IID, "Date/Time");
  RegisterStreamTypeSendFunction(IPNDataStream::IID, DataStreamSubmit);

  RegisterTypeConverter(IPNIntegerStream::IID, IPNFloatStream::IID,
                        &TPNIntToFloatFormatConverter::StaticClass());
  RegisterTypeConverter(IPNIntegerStream::IID, IPNRealStream::IID,
                        &TPNIntToRealFormatConverter::StaticClass());
  RegisterTypeConverter(IPNInt64Stream::IID, IPNFloatStream::IID,
                        &TPNInt64ToFloatFormatConverter::StaticClass());
  RegisterTypeConverter(IPNInt64Stream::IID, IPNRealStream::IID,
                        &TPNInt64ToRealFormatConverter::StaticClass());
  RegisterTypeConverter(IPNFloatStream::IID, IPNRealStream::IID,
                        &TPNFloatToRealFormatConverter::StaticClass());
  RegisterTypeConverter(IPNIntRangedStream::IID, RealRangedStreamTypeID,
                        &TPNIntToRealRangedFormatConverter::StaticClass());
  RegisterTypeConverter(IPNInt64RangedStream::IID, RealRangedStreamTypeID,
                        &TPNInt64ToRealRangedFormatConverter::StaticClass());
}

}  // namespace

const platform::TUnit PNStdTypesUnit{"PNStdTypes", InitializeStdTypes, nullptr};

}  // namespace pins
