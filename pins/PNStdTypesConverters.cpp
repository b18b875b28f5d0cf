// The scalar format converters: the sends through their output pins and their class
// information (the classes themselves are generated from PN_SCALAR_FORMAT_CONVERTERS).
#include "pins/PNStdTypes.h"

namespace pins {

void TPNScalarConverters::Send(TPNFloatSourcePin* AOutput, float AValue) {
  AOutput->FValue = AValue;
  AOutput->Notify(TPNSuppliedSingleOperation::Make(AValue).Get());
}

void TPNScalarConverters::Send(TPNRealSourcePin* AOutput, double AValue) {
  AOutput->SubmitReal(AValue);
}

void TPNScalarConverters::Send(TPNRealRangedSourcePin* AOutput, double AValue, double AMin,
                               double AMax, bool RangesFilled) {
  if (RangesFilled) {
    AOutput->SubmitValueRange(AValue, AMin, AMax);
  } else {
    AOutput->FValue = AValue;
    AOutput->Notify(TPNSuppliedSingleOperation::Make(static_cast<float>(AValue)).Get());
  }
}

#define PN_DEFINE_SCALAR_FORMAT_CONVERTER(Class, Input, Event, Output) \
  PN_DEFINE_FORMAT_CONVERTER(Class, TPNFormatConverter)
PN_SCALAR_FORMAT_CONVERTERS(PN_DEFINE_SCALAR_FORMAT_CONVERTER)
#undef PN_DEFINE_SCALAR_FORMAT_CONVERTER

}  // namespace pins
