#include "buffers/PXStreamTypes.h"

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

namespace {

void PXStreamTypesInitialization() {
  pins::RegisterStreamTypeColor(IPNPXImageStream::IID, "PX Image buffer", 0x00FF00, 2.0f);
  pins::RegisterStreamTypeColor(PXImageOrCompressedTypeID, "PX Image or compressed buffer", 0x008000,
                                2.0f);
  pins::RegisterStreamTypeName(IPNPXXYFloatDataStream::IID, "XY Float Coordinates");
  pins::RegisterStreamTypeSendFunction(IPNPXImageStream::IID, &RBGlobalSubmit);
  pins::RegisterStreamTypeSendFunction(IPNPXXYFloatDataStream::IID, &RBGlobalSubmit);
  // Points to pairs of real buffers comes with the real buffer, before the image converter.
  pins::RegisterTypeConverter(IPNPXImageStream::IID, IPNRBBinaryStream::IID,
                              &TRBPNImageToBinaryFormatConverter::StaticClass());
}

}  // namespace

const platform::TUnit PXStreamTypesUnit{"PXStreamTypes", PXStreamTypesInitialization, nullptr};

}  // namespace buffers
