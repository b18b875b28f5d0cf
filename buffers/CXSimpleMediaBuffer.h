// The media buffer: a data buffer view whose container carries a time stamp
// (buffers/CXInternalStore.h). The stamp is read and written through the view's
// TCXTimeStamp; setting it changes it for every view of the container at once and is no write
// in the copy-on-write sense (the container is never cloned for it). A view whose container
// is replaced by a copy on write keeps reporting the same stamp, because a clone takes the
// stamp along. The image buffer derives from it.
#pragma once

#include "buffers/CXInternalStore.h"
#include "buffers/RBSimpleDataBuffer.h"

namespace buffers {

class TCXMediaBuffer;

// The stamp of a view's current container. A view whose container is no media container has
// no stamp: it reads as unset and 0, and setting it does nothing.
class TCXTimeStamp {
 public:
  explicit TCXTimeStamp(TCXMediaBuffer* AIntBuffer) : FIntBuffer(AIntBuffer) {}
  bool Available() const;
  void SetAvailable(bool AValue);
  int64_t BeginTime() const;
  void SetBeginTime(int64_t AValue);
  int64_t EndTime() const;
  void SetEndTime(int64_t AValue);

 private:
  TCXMediaBuffer* FIntBuffer;
};

struct ICXMediaBuffer : virtual IRBDataBuffer {
  static constexpr TGUID IID = TGUID::Parse("{D4894B42-BC18-4BDD-9AA0-320612A44E5F}");
  // The view's stamp object, the same for the whole life of the view.
  virtual TCXTimeStamp* GetTimeStamp() = 0;
};

class TCXMediaBuffer : public TRBGenericBuffer, public virtual ICXMediaBuffer {
  PF_CLASS(TCXMediaBuffer)
  PF_ALLOW_NEW;

 public:
  static RefPtr<TCXMediaBuffer> Create(TRBSmartBuffer* ADataContainer, uint32_t ASize);

  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override;
  // A media view sharing the container.
  TRBBasicBuffer* MakeCopyObject() override;
  TCXTimeStamp* GetTimeStamp() override { return &FTimeStamp; }
  void SetDataContainer(TRBSmartBuffer* AContainer) override;

  // The stamp of the current container.
  bool GetTimeStampAvailable() const;
  void SetTimeStampAvailable(bool AValue);
  int64_t GetTimeStampBegin() const;
  void SetTimeStampBegin(int64_t AValue);
  int64_t GetTimeStampEnd() const;
  void SetTimeStampEnd(int64_t AValue);

 protected:
  TCXMediaBuffer(TRBSmartBuffer* ADataContainer, uint32_t ASize);

  // The container as a media container (null when it is none).
  TCXSmartMediaBuffer* FMediaContainer = nullptr;

 private:
  TCXTimeStamp FTimeStamp{this};
};

}  // namespace buffers
