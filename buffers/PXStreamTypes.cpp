#include "buffers/PXStreamTypes.h"

#include <algorithm>

#include "pins/PNPinsRegistries.h"

namespace buffers {

using platform::New;

PF_DEFINE_CLASS(TPNStartFrameOperation, TPNStartSampleRateOperation)
PF_DEFINE_CLASS(TPNPXSuppliedXYFloatDataOperation, pins::TPNSuppliedOperation)
PF_DEFINE_CLASS(TPXPNImageSourcePin, TRBPNSourcePin)
PF_DEFINE_CLASS(TPXPNImageSinkPin, TRBPNSinkPin)
PF_DEFINE_CLASS(TPXPNXYFloatSourcePin, TRBPNSourcePin)
PF_DEFINE_CLASS(TPXPNXYFloatSinkPin, TRBPNSinkPin)
PN_DEFINE_FORMAT_CONVERTER(TRBPNImageToBinaryFormatConverter, pins::TPNFormatConverter)
PN_DEFINE_FORMAT_CONVERTER(TPNPXXYFloatToPairsFormatConverter, pins::TPNFormatConverter)

namespace {

int32_t NonZeroDelay(int32_t AFrameDelay) { return AFrameDelay == 0 ? 1 : AFrameDelay; }

}  // namespace

TPNStartFrameOperation::TPNStartFrameOperation(int32_t AWidth, int32_t AHeight, int32_t AFrameDelay,
                                               TPXVideoFormat AVideoFormat, uint32_t AInterlaceFlags,
                                               uint32_t ARatioWidth, uint32_t ARatioHeight)
    : TPNStartSampleRateOperation(static_cast<double>(10000000.0f) /
                                  static_cast<double>(NonZeroDelay(AFrameDelay))),
      Width(AWidth),
      Height(AHeight),
      FrameDelay(NonZeroDelay(AFrameDelay)),
      VideoFormat(AVideoFormat),
      InterlaceFlags(AInterlaceFlags),
      RatioWidth(ARatioWidth),
      RatioHeight(ARatioHeight) {}

RefPtr<IPNNotifyOperation> TPNStartFrameOperation::Make(int32_t AWidth, int32_t AHeight,
                                                        int32_t AFrameDelay, TPXVideoFormat AVideoFormat,
                                                        uint32_t AInterlaceFlags, uint32_t ARatioWidth,
                                                        uint32_t ARatioHeight) {
  return RefPtr<IPNNotifyOperation>(New<TPNStartFrameOperation>(
      AWidth, AHeight, AFrameDelay, AVideoFormat, AInterlaceFlags, ARatioWidth, ARatioHeight));
}

RefPtr<IPNNotifyOperation> TPNPXSuppliedXYFloatDataOperation::Make(IPXXYFloatData* AData) {
  return RefPtr<IPNNotifyOperation>(New<TPNPXSuppliedXYFloatDataOperation>(AData));
}

TPNPXXYFloatToPairsFormatConverter::TPNPXXYFloatToPairsFormatConverter() {
  auto* output = New<TRBPNPairedSourcePin>(
      this, FLock.Get(), nullptr,
      TRBOperationEvent::Bind<&pins::TPNFormatConverter::ForwardUpstream>(this));
  auto* input = New<TPXPNXYFloatSinkPin>(
      this, FLock.Get(),
      TRBOperationEvent::Bind<&TPNPXXYFloatToPairsFormatConverter::InputOperation>(this));
  CreatePins(input, output);
}

TPNNotifyResult TPNPXXYFloatToPairsFormatConverter::InputOperation(TPNBasicPin* Sender,
                                                                   const TGUID* DataTypeID,
                                                                   IPNNotifyOperation* Operation,
                                                                   TPNNotifyState State) {
  (void)Sender;
  (void)DataTypeID;
  (void)State;
  auto* supplied = pins::OperationAs<TPNPXSuppliedXYFloatDataOperation>(Operation);
  if (!supplied || !supplied->Data) return FOutputPin->Notify(Operation);
  IPXXYFloatData* points = supplied->Data.Get();
  const int32_t count = std::max(points->GetCount(), 0);
  RefPtr<TRBRealBuffer> xs = TRBRealBuffer::CreateSize(static_cast<uint32_t>(count));
  RefPtr<TRBRealBuffer> ys = TRBRealBuffer::CreateSize(static_cast<uint32_t>(count));
  double* x = xs->Write();
  double* y = ys->Write();
  for (int32_t i = 0; i < count; ++i) {
    const TPXFloatPoint point = points->GetPoint(i);
    x[i] = point.X;
    y[i] = point.Y;
  }
  RefPtr<TCBBufferPair> pair = TCBBufferPair::Create();
  pair->AddBuffer(xs.Get());
  pair->AddBuffer(ys.Get());
  return FOutputPin->Notify(TPNSuppliedBufferPairOperation::Make(pair.Get()).Get());
}

namespace {

void PXStreamTypesInitialization() {
  pins::RegisterStreamTypeColor(IPNPXImageStream::IID, "PX Image buffer", 0x00FF00, 2.0f);
  pins::RegisterStreamTypeColor(PXImageOrCompressedTypeID, "PX Image or compressed buffer", 0x008000,
                                2.0f);
  pins::RegisterStreamTypeName(IPNPXXYFloatDataStream::IID, "XY Float Coordinates");
  pins::RegisterStreamTypeSendFunction(IPNPXImageStream::IID, &RBGlobalSubmit);
  pins::RegisterStreamTypeSendFunction(IPNPXXYFloatDataStream::IID, &RBGlobalSubmit);
  pins::RegisterTypeConverter(IPNPXXYFloatDataStream::IID, IPNRBPairedStream::IID,
                              &TPNPXXYFloatToPairsFormatConverter::StaticClass());
  pins::RegisterTypeConverter(IPNPXImageStream::IID, IPNRBBinaryStream::IID,
                              &TRBPNImageToBinaryFormatConverter::StaticClass());
}

}  // namespace

const platform::TUnit PXStreamTypesUnit{"PXStreamTypes", PXStreamTypesInitialization, nullptr};

}  // namespace buffers
