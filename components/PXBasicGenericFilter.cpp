#include "components/PXBasicGenericFilter.h"

#include "platform/Properties.h"

namespace components {

using buffers::TPNStartFrameOperation;
using buffers::TPXImageBuffer;
using pins::SectionLocked;

namespace {

void DescribeTPXBasicGenericFilter(platform::TClassInfo& info) {
  platform::TPublisher<TPXBasicGenericFilter> p(info);
  p.Property("OnStop", &TPXBasicGenericFilter::OnStop, &TPXBasicGenericFilter::SetOnStop);
  p.Enum("SynchronizeType", "TRBSynchronizeType", {"stNone", "stSingleBuffer", "stQueue"},
         &TPXBasicGenericFilter::SynchronizeType, &TPXBasicGenericFilter::SetSynchronizeType)
      .Default(pins::stNone);
}

void DescribeTPXBasicStartGenericFilter(platform::TClassInfo& info) {
  platform::TPublisher<TPXBasicStartGenericFilter> p(info);
  p.Property("OnStart", &TPXBasicStartGenericFilter::OnStart,
             &TPXBasicStartGenericFilter::SetOnStart);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TPXBasicGenericFilter

PF_DEFINE_CLASS_EX(TPXBasicGenericFilter, TPXCommonFilter, nullptr, DescribeTPXBasicGenericFilter)

TPXBasicGenericFilter::TPXBasicGenericFilter(platform::TComponent* AOwner)
    : TPXCommonFilter(AOwner) {
  FBufferQueue = platform::New<TRBMainThreadBufferQueue>(
      TRBBufferNotifyEvent::Bind<&TPXBasicGenericFilter::MainThreadBuffer>(this));
}

void TPXBasicGenericFilter::Destroy() {
  platform::FreeAndNil(FBufferQueue);
  TPXCommonFilter::Destroy();
}

void TPXBasicGenericFilter::SendStartCommand(uint32_t AWidth, uint32_t AHeight,
                                             uint32_t AFrameDelay) {
  SendStartCommand(AWidth, AHeight, AFrameDelay, buffers::vfRGBA32, AWidth, AHeight);
}

void TPXBasicGenericFilter::SendStartCommand(uint32_t AWidth, uint32_t AHeight,
                                             uint32_t AFrameDelay, TPXVideoFormat AVideoFormat) {
  SendStartCommand(AWidth, AHeight, AFrameDelay, AVideoFormat, AWidth, AHeight);
}

void TPXBasicGenericFilter::SendStartCommand(uint32_t AWidth, uint32_t AHeight,
                                             uint32_t AFrameDelay, TPXVideoFormat AVideoFormat,
                                             uint32_t ARatioWidth, uint32_t ARatioHeight) {
  auto start = TPNStartFrameOperation::Make(
      static_cast<int32_t>(AWidth), static_cast<int32_t>(AHeight),
      static_cast<int32_t>(AFrameDelay), AVideoFormat, 0, ARatioWidth, ARatioHeight);
  SendCommand(start.Get());
}

void TPXBasicGenericFilter::SendStopCommand() {
  if (FInputPin->IsConnected())
    FInputPin->Notify(pins::TPNStopOperation::Make().Get());
  else
    FOutputPin->Stop();
}

// Holds no lock of this component: the pins drop and take what they need.
void TPXBasicGenericFilter::SendCommand(IPNNotifyOperation* AOperation) {
  if (FInputPin->IsConnected())
    FInputPin->Notify(AOperation);
  else
    FOutputPin->Notify(AOperation);
}

void TPXBasicGenericFilter::StopProcessing() {
  const bool wasRunning = Running();
  TPXCommonFilter::StopProcessing();
  if (!wasRunning) return;
  ClearQueue();
  if (FOnStop.Assigned()) FOnStop(this);
}

void TPXBasicGenericFilter::NegotiateFormat(uint32_t& Width, uint32_t& Height,
                                            uint32_t& RatioHeight, uint32_t& RatioWidth,
                                            uint32_t InterlaceFlags, int32_t FrameDelay,
                                            TPXVideoFormat& Format) {
  (void)RatioHeight;
  (void)RatioWidth;
  (void)Format;
  FInterlaceFlags = InterlaceFlags;
  auto width = static_cast<int32_t>(Width);
  auto height = static_cast<int32_t>(Height);
  StartFormat(width, height, FrameDelay);
  Width = static_cast<uint32_t>(width);
  Height = static_cast<uint32_t>(height);
}

// Under the output lock (ProcessData's).
void TPXBasicGenericFilter::ProcessFrameData(RefPtr<IPXImageBuffer> InImage,
                                             RefPtr<IPXImageBuffer>& OutImage, bool& SendOutput,
                                             bool Process) {
  (void)Process;
  OutImage->Assign(InImage.Get());
  auto s = FOutputLock->WriteLock();
  if (!SectionLocked(s) || !HasHandler()) return;
  if (FSynchronizeType != pins::stNone) {
    FBufferQueue->AddBuffer(InImage.Get(), FSynchronizeType == pins::stQueue);
    SendOutput = false;
    return;
  }
  HandleData(InImage.Get(), OutImage, SendOutput);
}

// Main thread, holding no lock of this component.
void TPXBasicGenericFilter::MainThreadBuffer(platform::TObject* Sender, IRBData* ABuffer) {
  (void)Sender;
  RefPtr<IPXImageBuffer> input = IntfCast<IPXImageBuffer>(ABuffer);
  RefPtr<IPXImageBuffer> output(TPXImageBuffer::CreateCopy(input.Get()));
  bool sendOutput = true;
  if (Enabled()) HandleData(input.Get(), output, sendOutput);
  if (sendOutput) FOutputPin->SubmitBuffer(output.Get());
}

// ---------------------------------------------------------------------------------------
// TPXBasicStartGenericFilter

PF_DEFINE_CLASS_EX(TPXBasicStartGenericFilter, TPXBasicGenericFilter, nullptr,
                   DescribeTPXBasicStartGenericFilter)

void TPXBasicStartGenericFilter::StartFormat(int32_t& Width, int32_t& Height,
                                             int32_t FrameDelay) {
  if (FOnStart.Assigned()) FOnStart(this, Width, Height, static_cast<double>(FrameDelay));
}

}  // namespace components
