#include "buffers/CXSimpleMediaBuffer.h"

namespace buffers {

bool TCXTimeStamp::Available() const { return FIntBuffer->GetTimeStampAvailable(); }
void TCXTimeStamp::SetAvailable(bool AValue) { FIntBuffer->SetTimeStampAvailable(AValue); }
int64_t TCXTimeStamp::BeginTime() const { return FIntBuffer->GetTimeStampBegin(); }
void TCXTimeStamp::SetBeginTime(int64_t AValue) { FIntBuffer->SetTimeStampBegin(AValue); }
int64_t TCXTimeStamp::EndTime() const { return FIntBuffer->GetTimeStampEnd(); }
void TCXTimeStamp::SetEndTime(int64_t AValue) { FIntBuffer->SetTimeStampEnd(AValue); }

PF_DEFINE_CLASS(TCXMediaBuffer, TRBGenericBuffer)

TCXMediaBuffer::TCXMediaBuffer(TRBSmartBuffer* ADataContainer, uint32_t ASize)
    : TRBGenericBuffer(ADataContainer, ASize) {}

RefPtr<TCXMediaBuffer> TCXMediaBuffer::Create(TRBSmartBuffer* ADataContainer, uint32_t ASize) {
  return RefPtr<TCXMediaBuffer>(platform::New<TCXMediaBuffer>(ADataContainer, ASize));
}

platform::HRESULT TCXMediaBuffer::QueryInterface(const TGUID& iid, void** object) {
  if (iid == ICXMediaBuffer::IID) return platform::QueryInterfaces<ICXMediaBuffer>(this, iid, object);
  return TRBGenericBuffer::QueryInterface(iid, object);
}

TRBBasicBuffer* TCXMediaBuffer::MakeCopyObject() {
  return platform::New<TCXMediaBuffer>(pDataContainer, FCharSize);
}

void TCXMediaBuffer::SetDataContainer(TRBSmartBuffer* AContainer) {
  TRBGenericBuffer::SetDataContainer(AContainer);
  FMediaContainer = dynamic_cast<TCXSmartMediaBuffer*>(AContainer);
}

bool TCXMediaBuffer::GetTimeStampAvailable() const {
  return FMediaContainer && FMediaContainer->GetTimeStampAvailable();
}

void TCXMediaBuffer::SetTimeStampAvailable(bool AValue) {
  if (FMediaContainer) FMediaContainer->SetTimeStampAvailable(AValue);
}

int64_t TCXMediaBuffer::GetTimeStampBegin() const {
  return FMediaContainer ? FMediaContainer->GetTimeStampBegin() : 0;
}

void TCXMediaBuffer::SetTimeStampBegin(int64_t AValue) {
  if (FMediaContainer) FMediaContainer->SetTimeStampBegin(AValue);
}

int64_t TCXMediaBuffer::GetTimeStampEnd() const {
  return FMediaContainer ? FMediaContainer->GetTimeStampEnd() : 0;
}

void TCXMediaBuffer::SetTimeStampEnd(int64_t AValue) {
  if (FMediaContainer) FMediaContainer->SetTimeStampEnd(AValue);
}

}  // namespace buffers
