// The bases of components that consume an image stream.
//
// TPXSinkFilter owns an image input pin. A start frame starts processing and records the
// frame's size and delay (kept until the next start frame); each supplied image reaches
// ReceiveImage as a new view of the sender's store (no pixels are copied), and ReceiveImage
// hands it to the derived component's ProcessImage. A supplied buffer that is not an image
// (a byte or number buffer linked through the universal buffer type) raises EIntfCastError
// before anything reads it; the sending pin drops the error.
//
// TPXSyncSinkFilter adds SynchronizeType: with stQueue every image is handed to the main
// thread in order and ProcessImage runs there, under the output lock; with stNone and
// stSingleBuffer it runs at once (derived components give stSingleBuffer its meaning).
//
// Threads: operations arrive on any thread and are handled under the input lock. ProcessImage
// runs in the delivering thread, in the worker thread (threading enabled) or on the main
// thread (stQueue), always under the output lock.
#pragma once

#include <cstdint>

#include "buffers/PXSimpleImageBuffer.h"
#include "buffers/PXStreamTypes.h"
#include "components/RBCommonFilter.h"
#include "components/RBFilterTypes.h"

namespace components {

using buffers::IPXImageBuffer;
using buffers::TPXPNImageSinkPin;
using pins::TRBSynchronizeType;

class TPXSinkFilter : public TRBBasicThreadedEnableFilter {
  PF_CLASS(TPXSinkFilter)

 public:
  TPXPNImageSinkPin* InputPin() const { return FInputPin; }
  // The size and frame delay (in 100-nanosecond units, low 32 bits) of the last start frame.
  int32_t FrameWidth() const { return FWidth; }
  int32_t FrameHeight() const { return FHeight; }
  int32_t FrameDelay() const { return FFrameDelay; }

  // An operation event for output pins of derived components: what comes back from
  // downstream goes on upstream through the input pin when it is linked.
  TPNNotifyResult ForwardUpstream(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                  IPNNotifyOperation* Operation, TPNNotifyState State);

  // A start frame starts processing; a stop stops it; both are forwarded. A supplied buffer
  // is delivered (its result returned). Anything else, a start with a sample rate that is not
  // a start frame included, is only forwarded. Empty result but for buffers.
  TPNNotifyResult InputOperation(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                 IPNNotifyOperation* Operation, TPNNotifyState State) override;
  // The operation's buffer as a new image view, to ProcessBuffer. EIntfCastError when the
  // buffer is not an image.
  TPNNotifyResult ProcessOperation(IPNNotifyOperation* AOperation) override;
  TPNNotifyResult ProcessBuffer(IRBDataBuffer* ABuffer) override;

  // An image arrived: to ProcessImage.
  virtual void ReceiveImage(IPXImageBuffer* AImage) { ProcessImage(AImage); }
  // StartProcessing, then the frame's size and delay are kept.
  virtual void StartFrame(int32_t AWidth, int32_t AHeight, int32_t AFrameDelay);
  // The derived component's work.
  virtual void ProcessImage(IPXImageBuffer* AImage) = 0;

  void BeforeDestruction() override;

 protected:
  explicit TPXSinkFilter(platform::TComponent* AOwner);
  void Destroy() override;

  TPXPNImageSinkPin* FInputPin = nullptr;
  int32_t FFrameDelay = 0;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
};

class TPXSyncSinkFilter : public TPXSinkFilter {
  PF_CLASS(TPXSyncSinkFilter)

 public:
  TRBSynchronizeType SynchronizeType() const { return FSynchronizeType; }
  void SetSynchronizeType(TRBSynchronizeType Value) { FLock->Setter(FSynchronizeType, Value); }
  TRBMainThreadBufferQueue* BufferQueue() const { return FBufferQueue; }

  // stQueue: the image is queued for the main thread (in order; this may wait for a free
  // slot of the queue). Otherwise ProcessImage at once.
  void ReceiveImage(IPXImageBuffer* AImage) override;

 protected:
  explicit TPXSyncSinkFilter(platform::TComponent* AOwner);
  void Destroy() override;

 private:
  // The queue's call-back (main thread): ProcessImage under the output lock; the image is
  // dropped while that lock is being stopped.
  void MainThreadBuffer(platform::TObject* Sender, IRBData* ABuffer);

  TRBSynchronizeType FSynchronizeType = pins::stNone;
  TRBMainThreadBufferQueue* FBufferQueue = nullptr;
};

}  // namespace components
