// Image stream types: images and lists of 2-D points travelling along pins.
//
// Images travel as supplied-buffer operations holding an image buffer; a start-frame
// operation tells the receivers the frame geometry, pixel format and frame rate. Lists of
// points travel by reference (no copy) in their own supplied operation. The pins are the
// buffer pins of buffers/RBStreamTypes.h with the image or point type added, and images
// reach byte-buffer pins through a converter that views the pixels as bytes; lists of points
// reach paired-buffer pins as their X and Y values in two real buffers.
#pragma once

#include <cstdint>

#include "buffers/PXSimpleImageBuffer.h"
#include "buffers/RBStreamTypes.h"

namespace buffers {

struct IPNPXImageStream : virtual IPNRBChannelStream {
  static constexpr TGUID IID = TGUID::Parse("{877BD684-2669-4F1E-8BA8-E76EE35E5946}");
};
struct IPNPXXYFloatDataStream : virtual IPNRBChannelStream {
  static constexpr TGUID IID = TGUID::Parse("{1175C7F8-7636-4EFD-9AF1-A8F3551981A7}");
};
// Registered by name and colour only.
inline constexpr TGUID PXImageOrCompressedTypeID =
    TGUID::Parse("{135DA722-93A1-446B-B936-6E41EF922C46}");

struct TPXFloatPoint {
  float X = 0.0f;
  float Y = 0.0f;
};

// A read-only list of 2-D points.
struct IPXXYFloatData : virtual platform::IInterface {
  static constexpr TGUID IID = TGUID::Parse("{BAC8B7C0-B645-4584-A33A-8A624C163483}");
  virtual int32_t GetCount() = 0;
  virtual TPXFloatPoint GetPoint(int32_t Index) = 0;
};

// The start of an image stream. The frame delay is in 100-nanosecond units and never 0 (0
// becomes 1); the sample rate is the frame rate, 10,000,000 / frame delay.
class TPNStartFrameOperation : public TPNStartSampleRateOperation {
  PF_CLASS(TPNStartFrameOperation)
  PF_ALLOW_NEW;

 public:
  int32_t Width = 0;
  int32_t Height = 0;
  int64_t FrameDelay = 0;
  TPXVideoFormat VideoFormat = vfRGB24;
  uint32_t InterlaceFlags = 0;
  uint32_t RatioWidth = 0;
  uint32_t RatioHeight = 0;

  static RefPtr<IPNNotifyOperation> Make(int32_t AWidth, int32_t AHeight, int32_t AFrameDelay,
                                         TPXVideoFormat AVideoFormat, uint32_t AInterlaceFlags,
                                         uint32_t ARatioWidth, uint32_t ARatioHeight);

 protected:
  TPNStartFrameOperation(int32_t AWidth, int32_t AHeight, int32_t AFrameDelay,
                         TPXVideoFormat AVideoFormat, uint32_t AInterlaceFlags,
                         uint32_t ARatioWidth, uint32_t ARatioHeight);
};

// Carries a list of points by reference.
class TPNPXSuppliedXYFloatDataOperation : public pins::TPNSuppliedOperation {
  PF_CLASS(TPNPXSuppliedXYFloatDataOperation)
  PF_ALLOW_NEW;

 public:
  RefPtr<IPXXYFloatData> Data;
  static RefPtr<IPNNotifyOperation> Make(IPXXYFloatData* AData);

 protected:
  explicit TPNPXSuppliedXYFloatDataOperation(IPXXYFloatData* AData) : Data(AData) {}
};

RB_TYPED_PIN(TPXPNImageSourcePin, TRBPNTypedSourcePin, IPNPXImageStream);
RB_TYPED_PIN(TPXPNImageSinkPin, TRBPNTypedSinkPin, IPNPXImageStream);
RB_TYPED_PIN(TPXPNXYFloatSourcePin, TRBPNTypedSourcePin, IPNPXXYFloatDataStream);
RB_TYPED_PIN(TPXPNXYFloatSinkPin, TRBPNTypedSinkPin, IPNPXXYFloatDataStream);

// Images to byte buffers: a byte view of the image's store, its whole byte size (row padding
// included), sharing the pixels.
RB_BUFFER_CONVERTER(TRBPNImageToBinaryFormatConverter, TPXPNImageSinkPin, TRBPNBinarySourcePin,
                    &BinaryBufferView);

// Lists of points to pairs of real buffers: the X values, then the Y values.
class TPNPXXYFloatToPairsFormatConverter : public pins::TPNFormatConverter {
  PF_CLASS(TPNPXXYFloatToPairsFormatConverter)
  PF_ALLOW_NEW;

 public:
  // A list of points goes on as a new pair of two real buffers of its length; every other
  // operation goes on unchanged.
  TPNNotifyResult InputOperation(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                 IPNNotifyOperation* Operation, TPNNotifyState State);

 protected:
  TPNPXXYFloatToPairsFormatConverter();
};

// Registers the image and point types, their send function and the image converter.
extern const platform::TUnit PXStreamTypesUnit;

}  // namespace buffers
