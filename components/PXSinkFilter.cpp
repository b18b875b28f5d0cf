#include "components/PXSinkFilter.h"

#include "platform/Properties.h"

namespace components {

using buffers::TPNStartFrameOperation;
using buffers::TPNSuppliedBufferOperation;
using buffers::TPXImageBuffer;
using pins::OperationAs;
using pins::SectionLocked;

namespace {

void DescribeTPXSinkFilter(platform::TClassInfo& info) {
  platform::TPublisher<TPXSinkFilter> p(info);
  p.Property("InputPin", &TPXSinkFilter::InputPin, nullptr);
}

void DescribeTPXSyncSinkFilter(platform::TClassInfo& info) {
  platform::TPublisher<TPXSyncSinkFilter> p(info);
  p.Enum("SynchronizeType", "TRBSynchronizeType", {"stNone", "stSingleBuffer", "stQueue"},
         &TPXSyncSinkFilter::SynchronizeType, &TPXSyncSinkFilter::SetSynchronizeType)
      .Default(pins::stNone);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TPXSinkFilter

PF_DEFINE_CLASS_EX(TPXSinkFilter, TRBBasicThreadedEnableFilter, nullptr, DescribeTPXSinkFilter)

TPXSinkFilter::TPXSinkFilter(platform::TComponent* AOwner) : TRBBasicThreadedEnableFilter(AOwner) {
  FInputPin = platform::New<TPXPNImageSinkPin>(
      this, FInputLock.Get(),
      buffers::TRBOperationEvent::Bind<&TPXSinkFilter::InputOperation>(this));
}

void TPXSinkFilter::BeforeDestruction() {
  {
    auto stop = FLock->StopLock();
    StopProcessing();
    FInputPin->Disconnect();
  }
  TRBBasicThreadedEnableFilter::BeforeDestruction();
}

void TPXSinkFilter::Destroy() {
  {
    auto stop = FLock->StopLock();
    platform::FreeAndNil(FInputPin);
  }
  TRBBasicThreadedEnableFilter::Destroy();
}

// Called by a pin of a derived component, outside every lock of this component.
TPNNotifyResult TPXSinkFilter::ForwardUpstream(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                               IPNNotifyOperation* Operation,
                                               TPNNotifyState State) {
  (void)Sender;
  (void)DataTypeID;
  (void)State;
  if (!FInputPin->IsConnected()) return {};
  return FInputPin->Notify(Operation);
}

// Holds the input lock's write section for the whole call.
TPNNotifyResult TPXSinkFilter::InputOperation(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                              IPNNotifyOperation* Operation,
                                              TPNNotifyState State) {
  (void)Sender;
  (void)DataTypeID;
  auto s = FInputLock->WriteLock();
  if (!SectionLocked(s)) return {};
  if (auto* start = OperationAs<TPNStartFrameOperation>(Operation)) {
    StartFrame(start->Width, start->Height, static_cast<int32_t>(start->FrameDelay));
    ForwardOperation(Operation);
  } else if (OperationAs<pins::TPNStopOperation>(Operation)) {
    StopProcessing();
    ForwardOperation(Operation);
  } else if (OperationAs<TPNSuppliedBufferOperation>(Operation)) {
    return DeliverOperation(Operation, State);
  } else {
    ForwardOperation(Operation);
  }
  return {};
}

void TPXSinkFilter::StartFrame(int32_t AWidth, int32_t AHeight, int32_t AFrameDelay) {
  StartProcessing();
  FWidth = AWidth;
  FHeight = AHeight;
  FFrameDelay = AFrameDelay;
}

TPNNotifyResult TPXSinkFilter::ProcessOperation(IPNNotifyOperation* AOperation) {
  auto* supplied = OperationAs<TPNSuppliedBufferOperation>(AOperation);
  if (!supplied || !supplied->Buffer) return {};
  IntfCast<IPXImageBuffer>(supplied->Buffer.Get());  // no pixel store read as another kind
  RefPtr<TPXImageBuffer> image = TPXImageBuffer::CreateUniversal(supplied->Buffer.Get());
  return ProcessBuffer(image.Get());
}

TPNNotifyResult TPXSinkFilter::ProcessBuffer(IRBDataBuffer* ABuffer) {
  ReceiveImage(IntfCast<IPXImageBuffer>(ABuffer).Get());
  return {};
}

// ---------------------------------------------------------------------------------------
// TPXSyncSinkFilter

PF_DEFINE_CLASS_EX(TPXSyncSinkFilter, TPXSinkFilter, nullptr, DescribeTPXSyncSinkFilter)

TPXSyncSinkFilter::TPXSyncSinkFilter(platform::TComponent* AOwner) : TPXSinkFilter(AOwner) {
  FBufferQueue = platform::New<TRBMainThreadBufferQueue>(
      TRBBufferNotifyEvent::Bind<&TPXSyncSinkFilter::MainThreadBuffer>(this));
}

void TPXSyncSinkFilter::Destroy() {
  platform::FreeAndNil(FBufferQueue);
  TPXSinkFilter::Destroy();
}

void TPXSyncSinkFilter::ReceiveImage(IPXImageBuffer* AImage) {
  if (FSynchronizeType == pins::stQueue)
    FBufferQueue->AddBuffer(AImage, true);
  else
    ProcessImage(AImage);
}

// Main thread, holding no lock of this component.
void TPXSyncSinkFilter::MainThreadBuffer(platform::TObject* Sender, IRBData* ABuffer) {
  (void)Sender;
  auto s = FOutputLock->WriteLock();
  if (!SectionLocked(s)) return;
  ProcessImage(IntfCast<IPXImageBuffer>(ABuffer).Get());
}

}  // namespace components
