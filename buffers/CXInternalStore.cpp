#include "buffers/CXInternalStore.h"

namespace buffers {

PF_DEFINE_CLASS(TCXSmartMediaBuffer, TRBSmartBuffer)

TCXSmartMediaBuffer::TCXSmartMediaBuffer(TCXSmartMediaBuffer* Other, bool Preserve)
    : TRBSmartBuffer(Other, Preserve),
      FTimeStampAvailable(Other->GetTimeStampAvailable()),
      FTimeStampBegin(Other->GetTimeStampBegin()),
      FTimeStampEnd(Other->GetTimeStampEnd()) {}

TCXSmartMediaBuffer* TCXSmartMediaBuffer::CreateEx(TCXSmartMediaBuffer* Other, bool Preserve) {
  return platform::New<TCXSmartMediaBuffer>(Other, Preserve);
}

TRBSmartBuffer* TCXSmartMediaBuffer::Clone(bool Preserve) {
  TRBContainerLock lock(this);
  TCXSmartMediaBuffer* clone = CreateEx(this, Preserve);
  clone->SetTimeData(this);
  return clone;
}

void TCXSmartMediaBuffer::SetTimeData(TCXSmartMediaBuffer* AOther) {
  // AOther's times are read through its own (recursive) lock, so a time being written there
  // is never seen half done.
  const bool available = AOther->GetTimeStampAvailable();
  const int64_t begin = AOther->GetTimeStampBegin();
  const int64_t end = AOther->GetTimeStampEnd();
  TRBContainerLock lock(this);
  SetTimeStampAvailable(available);
  FTimeStampBegin = begin;
  FTimeStampEnd = end;
}

int64_t TCXSmartMediaBuffer::GetTimeStampBegin() {
  TRBContainerLock lock(this);
  return FTimeStampBegin;
}

int64_t TCXSmartMediaBuffer::GetTimeStampEnd() {
  TRBContainerLock lock(this);
  return FTimeStampEnd;
}

void TCXSmartMediaBuffer::SetTimeStampBegin(int64_t AValue) {
  TRBContainerLock lock(this);
  FTimeStampBegin = AValue;
}

void TCXSmartMediaBuffer::SetTimeStampEnd(int64_t AValue) {
  TRBContainerLock lock(this);
  FTimeStampEnd = AValue;
}

}  // namespace buffers
