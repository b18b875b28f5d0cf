// The audio stream type: audio buffers travelling along pins, and their converters to
// integer, real and byte buffers.
//
// The audio buffer itself belongs to applications built on the library: the converters need
// only an object with the audio interface that gives the integer and real buffers of a channel.
#pragma once

#include "buffers/RBStreamTypes.h"

namespace buffers {

struct IPNSNAudioStream : virtual IPNRBChannelStream {
  static constexpr TGUID IID = TGUID::Parse("{1D5BD085-492E-4979-8F76-9C97D5C3C5B6}");
};

// What the converters ask of an audio buffer.
struct ISNAudioBuffer : virtual platform::IInterface {
  static constexpr TGUID IID = TGUID::Parse("{49372BB8-FFDD-437C-A9D3-BA5DFB8A3B97}");
  // The samples of one channel as integers.
  virtual RefPtr<IRBIntegerBuffer> GetIntegerBuffer(int32_t AChannel) = 0;
  // The samples of one channel as doubles.
  virtual RefPtr<IRBRealBuffer> GetRealBuffer(int32_t AChannel) = 0;
};

RB_TYPED_PIN(TSNPNAudioSinkPin, TRBPNTypedSinkPin, IPNSNAudioStream);

// Channel 0 of an audio buffer as integers (EIntfCastError "Interface not supported" for a
// buffer without the audio interface).
RefPtr<IRBData> AudioIntegerBuffer(IRBData* ABuffer);

// Channel 0 of an audio buffer as doubles (the same error).
RefPtr<IRBData> AudioRealBuffer(IRBData* ABuffer);

RB_BUFFER_CONVERTER(TPNAudioToIntFormatConverter, TSNPNAudioSinkPin, TRBPNIntegerSourcePin,
                    &AudioIntegerBuffer);
RB_BUFFER_CONVERTER(TPNAudioToRealFormatConverter, TSNPNAudioSinkPin, TRBPNRealSourcePin,
                    &AudioRealBuffer);
RB_BUFFER_CONVERTER(TPNAudioToBinaryFormatConverter, TSNPNAudioSinkPin, TRBPNBinarySourcePin,
                    &BinaryBufferView);

// Registers the audio type, its send function and its converters.
extern const platform::TUnit SNStreamTypesUnit;

}  // namespace buffers
