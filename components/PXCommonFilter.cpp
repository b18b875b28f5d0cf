#include "components/PXCommonFilter.h"

#include "platform/Properties.h"

namespace components {

using buffers::TPNStartFrameOperation;
using buffers::TPNSuppliedBufferOperation;
using buffers::TPXImageBuffer;
using pins::OperationAs;
using pins::SectionLocked;

namespace {

void DescribeTPXCommonFilter(platform::TClassInfo& info) {
  platform::TPublisher<TPXCommonFilter> p(info);
  p.Property("OutputPin", &TPXCommonFilter::OutputPin, nullptr);
  p.Property("InputPin", &TPXCommonFilter::InputPin, nullptr);
}

}  // namespace

PF_DEFINE_COMPONENT(TPXCommonFilter, TRBBasicCommonFilter, DescribeTPXCommonFilter)

TPXCommonFilter::TPXCommonFilter(platform::TComponent* AOwner) : TRBBasicCommonFilter(AOwner) {
  FOutputPin = platform::New<TPXPNImageSourcePin>(
      this, FOutputLock.Get(), FInputLock.Get(),
      buffers::TRBOperationEvent::Bind<&TPXCommonFilter::OutputOperation>(this),
      platform::TNotifyEvent());
  FInputPin = platform::New<TPXPNImageSinkPin>(
      this, FInputLock.Get(),
      buffers::TRBOperationEvent::Bind<&TPXCommonFilter::InputOperation>(this));
  FOutputPin->FunctionSources()->Add(FInputPin);
}

void TPXCommonFilter::BeforeDestruction() {
  {
    auto stop = FLock->StopLock();
    StopProcessing();
    FInputPin->Disconnect();
    FOutputPin->Disconnect();
  }
  TRBBasicCommonFilter::BeforeDestruction();
}

void TPXCommonFilter::Destroy() {
  {
    auto stop = FLock->StopLock();
    platform::FreeAndNil(FInputPin);
    platform::FreeAndNil(FOutputPin);
  }
  TRBBasicCommonFilter::Destroy();
}

void TPXCommonFilter::StopProcessing() {
  TRBBasicCommonFilter::StopProcessing();
  FStartSent = false;
}

bool TPXCommonFilter::HandleStop() {
  StopProcessing();
  return false;
}

void TPXCommonFilter::PumpRequest(IPNNotifyOperation* AOperation) { FOutputPin->Notify(AOperation); }

void TPXCommonFilter::NegotiateFormat(uint32_t& Width, uint32_t& Height, uint32_t& RatioHeight,
                                      uint32_t& RatioWidth, uint32_t InterlaceFlags,
                                      int32_t FrameDelay, TPXVideoFormat& Format) {
  (void)FrameDelay;
  (void)Format;
  auto s = ComponentSection();
  if (!s) return;
  FWidth = Width;
  FHeight = Height;
  FAspectRatioWidth = RatioWidth;
  FAspectRatioHeight = RatioHeight;
  FRunningWidth = Width;
  FRunningHeight = Height;
  FInterlaceFlags = InterlaceFlags;
}

void TPXCommonFilter::NegotiateInput(uint32_t& Width, uint32_t& Height, uint32_t& RatioWidth,
                                     uint32_t& RatioHeight, uint32_t InterlaceFlags,
                                     int32_t FrameDelay, TPXVideoFormat& Format) {
  FInputWidth = Width;
  FInputHeight = Height;
  NegotiateFormat(Width, Height, RatioHeight, RatioWidth, InterlaceFlags, FrameDelay, Format);
  FRunningVideoFormat = Format;
}

// Holds the input lock's write section for the whole call; NegotiateFormat takes the
// component lock inside it, processing the output lock.
TPNNotifyResult TPXCommonFilter::InputOperation(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                                IPNNotifyOperation* Operation,
                                                TPNNotifyState State) {
  (void)Sender;
  (void)DataTypeID;
  auto s = FInputLock->WriteLock();
  if (!SectionLocked(s)) return {};

  if (auto* start = OperationAs<TPNStartFrameOperation>(Operation)) {
    uint32_t width = static_cast<uint32_t>(start->Width);
    uint32_t height = static_cast<uint32_t>(start->Height);
    uint32_t ratioWidth = start->RatioWidth;
    uint32_t ratioHeight = start->RatioHeight;
    FRunningVideoFormat = start->VideoFormat;
    FRunningFrameDelay = start->FrameDelay;
    FRunningInterlaceFlags = start->InterlaceFlags;
    TPXVideoFormat format = FRunningVideoFormat;
    FCurrentTime = 0;
    NegotiateInput(width, height, ratioWidth, ratioHeight, FRunningInterlaceFlags,
                   static_cast<int32_t>(FRunningFrameDelay), format);
    StartProcessing();
    if (!SendsStart()) return {};
    if (width == static_cast<uint32_t>(start->Width) &&
        height == static_cast<uint32_t>(start->Height) && format == start->VideoFormat)
      return FOutputPin->Notify(Operation);
    FStartSent = true;
    // The ratio of the new start frame is the negotiated size.
    auto negotiated = TPNStartFrameOperation::Make(
        static_cast<int32_t>(width), static_cast<int32_t>(height),
        static_cast<int32_t>(FRunningFrameDelay), format, FRunningInterlaceFlags, width, height);
    return FOutputPin->Notify(negotiated.Get());
  }

  if (OperationAs<pins::TPNStopOperation>(Operation)) {
    if (HandleStop()) return {};
    SetRunning(false);
    return FOutputPin->Notify(Operation);
  }

  if (auto* supplied = OperationAs<TPNSuppliedBufferOperation>(Operation)) {
    RefPtr<IPXImageBuffer> image = IntfCast<IPXImageBuffer>(supplied->Buffer.Get());
    buffers::TCXTimeStamp* stamp = image->GetTimeStamp();
    if (stamp->Available()) {
      FCurrentTime = stamp->EndTime();
      return DeliverOperation(Operation, State);
    }
    stamp->SetAvailable(true);
    stamp->SetBeginTime(FCurrentTime);
    FCurrentTime += FRunningFrameDelay;
    stamp->SetEndTime(FCurrentTime);
    auto stamped = TPNSuppliedBufferOperation::Make(image.Get());
    return DeliverOperation(stamped.Get(), State);
  }

  if (OperationAs<pins::TPNPumpRequestOperation>(Operation)) {
    PumpRequest(Operation);
    return {};
  }
  return FOutputPin->Notify(Operation);
}

// Holds the component lock (both locks) for the whole call.
TPNNotifyResult TPXCommonFilter::OutputOperation(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                                 IPNNotifyOperation* Operation,
                                                 TPNNotifyState State) {
  (void)Sender;
  auto s = ComponentSection();
  if (!s) return {};
  if (FInputPin->IsConnected()) return FInputPin->Notify(Operation);
  // The head of the chain: the start asks for data first.
  if (OperationAs<pins::TPNStartOperation>(Operation))
    FOutputPin->Notify(pins::TPNPumpRequestOperation::Make().Get());
  return InputOperation(FOutputPin, DataTypeID, Operation, State);
}

// Under the output lock.
TPNNotifyResult TPXCommonFilter::ProcessData(IRBDataBuffer* InBuffer, IRBDataBuffer* OutBuffer) {
  bool sendOutput = true;
  RefPtr<IPXImageBuffer> inImage = IntfCast<IPXImageBuffer>(InBuffer);
  RefPtr<IPXImageBuffer> outImage = IntfCast<IPXImageBuffer>(OutBuffer);
  if (CanProcess()) {
    const bool process = FOutputPin->IsConnected() || !SkipUnconnected();
    ProcessFrameData(inImage, outImage, sendOutput, process);
  } else {
    PassThrough(inImage.Get(), outImage);
  }
  if (!sendOutput) return {};
  return FOutputPin->SubmitBuffer(outImage.Get());
}

void TPXCommonFilter::PrepareInput(RefPtr<IPXImageBuffer>& InImage) {
  InImage->ConvertTo(buffers::vfRGB24);
}

void TPXCommonFilter::ProcessFrameData(RefPtr<IPXImageBuffer> InImage,
                                       RefPtr<IPXImageBuffer>& OutImage, bool& SendOutput,
                                       bool Process) {
  (void)SendOutput;
  if (!Process) return;
  PrepareInput(InImage);
  OutImage->Assign(InImage.Get());
  ProcessImage(InImage.Get(), OutImage);
}

void TPXCommonFilter::ProcessFrame(RefPtr<IPXImageBuffer>& Image) {
  RefPtr<TPXImageBuffer> input = TPXImageBuffer::CreateCopy(Image.Get());
  ProcessFrame(input.Get(), Image);
}

void TPXCommonFilter::ProcessFrame(IPXImageBuffer* InImage, RefPtr<IPXImageBuffer>& OutImage) {
  if (!Enabled()) {
    OutImage = InImage;
    return;
  }
  OutImage->Assign(InImage);
  TPXVideoFormat format = InImage->GetFormat();
  uint32_t width = InImage->GetWidth();
  uint32_t height = InImage->GetHeight();
  uint32_t ratioWidth = width;
  uint32_t ratioHeight = height;
  NegotiateInput(width, height, ratioWidth, ratioHeight, 0, 10, format);
  bool sendOutput = true;
  ProcessFrameData(InImage, OutImage, sendOutput, true);
}

void TPXCommonFilter::ProcessBitmap(platform::TBitmap* InBitmap, platform::TBitmap* OutBitmap) {
  RefPtr<TPXImageBuffer> input = TPXImageBuffer::CreateBmp(InBitmap);
  TPXVideoFormat format = input->GetFormat();
  uint32_t width = static_cast<uint32_t>(InBitmap->Width());
  uint32_t height = static_cast<uint32_t>(InBitmap->Height());
  uint32_t ratioWidth = width;
  uint32_t ratioHeight = height;
  NegotiateInput(width, height, ratioWidth, ratioHeight, 0, 10, format);
  StartProcessing();
  RefPtr<IPXImageBuffer> output(TPXImageBuffer::CreateCopy(input.Get()));
  ProcessFrame(input.Get(), output);
  output->SaveToBitmap(OutBitmap);
}

}  // namespace components
