#include "buffers/SNStreamTypes.h"

#include "pins/PNPinsRegistries.h"

namespace buffers {

PF_DEFINE_CLASS(TSNPNAudioSinkPin, TRBPNSinkPin)
PN_DEFINE_FORMAT_CONVERTER(TPNAudioToIntFormatConverter, pins::TPNFormatConverter)
PN_DEFINE_FORMAT_CONVERTER(TPNAudioToRealFormatConverter, pins::TPNFormatConverter)
PN_DEFINE_FORMAT_CONVERTER(TPNAudioToBinaryFormatConverter, pins::TPNFormatConverter)

RefPtr<IRBData> AudioIntegerBuffer(IRBData* ABuffer) {
  RefPtr<ISNAudioBuffer> audio = platform::Supports<ISNAudioBuffer>(ABuffer);
  if (!audio) throw EIntfCastError("Interface not supported");
  return RefPtr<IRBData>(audio->GetIntegerBuffer(0).Get());
}

RefPtr<IRBData> AudioRealBuffer(IRBData* ABuffer) {
  RefPtr<ISNAudioBuffer> audio = platform::Supports<ISNAudioBuffer>(ABuffer);
  if (!audio) throw EIntfCastError("Interface not supported");
  return RefPtr<IRBData>(audio->GetRealBuffer(0).Get());
}

namespace {

void SNStreamTypesInitialization() {
  pins::RegisterStreamTypeColor(IPNSNAudioStream::IID, "SN Audio buffer", 0x00FFFF, 2.0f);
  pins::RegisterStreamTypeSendFunction(IPNSNAudioStream::IID, &RBGlobalSubmit);
  pins::RegisterTypeConverter(IPNSNAudioStream::IID, IPNRBIntegerStream::IID,
                              &TPNAudioToIntFormatConverter::StaticClass());
  pins::RegisterTypeConverter(IPNSNAudioStream::IID, IPNRBRealStream::IID,
                              &TPNAudioToRealFormatConverter::StaticClass());
  pins::RegisterTypeConverter(IPNSNAudioStream::IID, IPNRBBinaryStream::IID,
                              &TPNAudioToBinaryFormatConverter::StaticClass());
}

}  // namespace

const platform::TUnit SNStreamTypesUnit{"SNStreamTypes", SNStreamTypesInitialization, nullptr};

}  // namespace buffers
