// The scalar format converters. Each converts the value its input pin receives and sends
// it through its output pin. The output pin also keeps the converted value as its current
// value, so that a sink linked to the converter later (or a link re-typed through it) is
// replayed the value last converted, not the pin's initial zero.
#include "pins/PNStdTypes.h"

namespace pins {

using platform::New;

// Sends a converted value through a converter's output pin.
class TPNScalarConverters {
 public:
  static void SendSingle(TPNSourcePin* AOutput, float AValue) {
    auto* pin = static_cast<TPNFloatSourcePin*>(AOutput);
    pin->FValue = AValue;
    pin->Notify(TPNSuppliedSingleOperation::Make(AValue).Get());
  }
  static void SendReal(TPNSourcePin* AOutput, double AValue) {
    static_cast<TPNRealSourcePin*>(AOutput)->SubmitReal(AValue);
  }
  static void SendRanged(TPNSourcePin* AOutput, double AValue, double AMin, double AMax,
                         bool RangesFilled) {
    auto* pin = static_cast<TPNRealRangedSourcePin*>(AOutput);
    if (RangesFilled) {
      pin->SubmitValueRange(AValue, AMin, AMax);
    } else {
      pin->FValue = AValue;
      pin->Notify(TPNSuppliedSingleOperation::Make(static_cast<float>(AValue)).Get());
    }
  }
};

// ---------------------------------------------------------------------------------------

PN_DEFINE_FORMAT_CONVERTER(TPNFloatToRealFormatConverter, TPNFormatConverter)

TPNFloatToRealFormatConverter::TPNFloatToRealFormatConverter() {
  auto* input = New<TPNFloatSinkPin>(
      this, FLock.Get(), TPNFloatChangeEvent::Bind<&TPNFloatToRealFormatConverter::InputChanged>(this),
      nullptr);
  auto* output = New<TPNRealSourcePin>(this, FLock.Get(), nullptr);
  CreatePins(input, output);
}

void TPNFloatToRealFormatConverter::InputChanged(TPNPin* Sender, float AValue) {
  (void)Sender;
  TPNScalarConverters::SendReal(FOutputPin, static_cast<double>(AValue));
}

PN_DEFINE_FORMAT_CONVERTER(TPNIntToFloatFormatConverter, TPNFormatConverter)

TPNIntToFloatFormatConverter::TPNIntToFloatFormatConverter() {
  auto* input = New<TPNIntegerSinkPin>(
      this, FLock.Get(), TPNIntegerChangeEvent::Bind<&TPNIntToFloatFormatConverter::InputChanged>(this),
      nullptr);
  auto* output = New<TPNFloatSourcePin>(this, FLock.Get(), nullptr);
  CreatePins(input, output);
}

void TPNIntToFloatFormatConverter::InputChanged(TPNPin* Sender, int32_t AValue) {
  (void)Sender;
  TPNScalarConverters::SendSingle(FOutputPin, static_cast<float>(AValue));
}

PN_DEFINE_FORMAT_CONVERTER(TPNIntToRealFormatConverter, TPNFormatConverter)

TPNIntToRealFormatConverter::TPNIntToRealFormatConverter() {
  auto* input = New<TPNIntegerSinkPin>(
      this, FLock.Get(), TPNIntegerChangeEvent::Bind<&TPNIntToRealFormatConverter::InputChanged>(this),
      nullptr);
  auto* output = New<TPNRealSourcePin>(this, FLock.Get(), nullptr);
  CreatePins(input, output);
}

void TPNIntToRealFormatConverter::InputChanged(TPNPin* Sender, int32_t AValue) {
  (void)Sender;
  TPNScalarConverters::SendReal(FOutputPin, static_cast<double>(AValue));
}

PN_DEFINE_FORMAT_CONVERTER(TPNInt64ToFloatFormatConverter, TPNFormatConverter)

TPNInt64ToFloatFormatConverter::TPNInt64ToFloatFormatConverter() {
  auto* input = New<TPNInt64SinkPin>(
      this, FLock.Get(), TPNInt64ChangeEvent::Bind<&TPNInt64ToFloatFormatConverter::InputChanged>(this),
      nullptr);
  auto* output = New<TPNFloatSourcePin>(this, FLock.Get(), nullptr);
  CreatePins(input, output);
}

void TPNInt64ToFloatFormatConverter::InputChanged(TPNPin* Sender, int64_t AValue) {
  (void)Sender;
  TPNScalarConverters::SendSingle(FOutputPin, static_cast<float>(AValue));
}

PN_DEFINE_FORMAT_CONVERTER(TPNInt64ToRealFormatConverter, TPNFormatConverter)

TPNInt64ToRealFormatConverter::TPNInt64ToRealFormatConverter() {
  auto* input = New<TPNInt64SinkPin>(
      this, FLock.Get(), TPNInt64ChangeEvent::Bind<&TPNInt64ToRealFormatConverter::InputChanged>(this),
      nullptr);
  auto* output = New<TPNRealSourcePin>(this, FLock.Get(), nullptr);
  CreatePins(input, output);
}

void TPNInt64ToRealFormatConverter::InputChanged(TPNPin* Sender, int64_t AValue) {
  (void)Sender;
  TPNScalarConverters::SendReal(FOutputPin, static_cast<double>(AValue));
}

PN_DEFINE_FORMAT_CONVERTER(TPNIntToRealRangedFormatConverter, TPNFormatConverter)

TPNIntToRealRangedFormatConverter::TPNIntToRealRangedFormatConverter() {
  auto* input = New<TPNIntAndRangedSinkPin>(
      this, FLock.Get(),
      TPNIntValueRangeChangeEvent::Bind<&TPNIntToRealRangedFormatConverter::InputChanged>(this),
      TPNIntRangeChangeEvent(), nullptr);
  auto* output = New<TPNRealRangedSourcePin>(this, FLock.Get(), nullptr);
  CreatePins(input, output);
}

void TPNIntToRealRangedFormatConverter::InputChanged(TPNPin* Sender, int32_t AValue, int32_t AMin,
                                                     int32_t AMax, bool RangesFilled) {
  (void)Sender;
  TPNScalarConverters::SendRanged(FOutputPin, AValue, AMin, AMax, RangesFilled);
}

PN_DEFINE_FORMAT_CONVERTER(TPNInt64ToRealRangedFormatConverter, TPNFormatConverter)

TPNInt64ToRealRangedFormatConverter::TPNInt64ToRealRangedFormatConverter() {
  auto* input = New<TPNInt64AndRangedSinkPin>(
      this, FLock.Get(),
      TPNInt64ValueRangeChangeEvent::Bind<&TPNInt64ToRealRangedFormatConverter::InputChanged>(this),
      TPNInt64RangeChangeEvent(), nullptr);
  auto* output = New<TPNRealRangedSourcePin>(this, FLock.Get(), nullptr);
  CreatePins(input, output);
}

void TPNInt64ToRealRangedFormatConverter::InputChanged(TPNPin* Sender, int64_t AValue,
                                                       int64_t AMin, int64_t AMax,
                                                       bool RangesFilled) {
  (void)Sender;
  TPNScalarConverters::SendRanged(FOutputPin, static_cast<double>(AValue),
                                  static_cast<double>(AMin), static_cast<double>(AMax),
                                  RangesFilled);
}

}  // namespace pins
