#include "components/PXHoughCircles.h"

#include "binding/IPPDispatchTable.h"
#include "binding/PXOpenCV.h"
#include "components/PXBasicHough.h"
#include "platform/Properties.h"
#include "primitives/support/FloatToInt.h"

namespace components {

using buffers::TPNPXSuppliedXYFloatDataOperation;
using buffers::TPXImageBuffer;
using pins::SectionLocked;

namespace {

void DescribeTPXHoughMaskSize(platform::TClassInfo& info) {
  platform::TPublisher<TPXHoughMaskSize> p(info);
  p.Redeclare("Width").Default(11);
  p.Redeclare("Height").Default(11);
}

void DescribeTPXHoughSmooth(platform::TClassInfo& info) {
  platform::TPublisher<TPXHoughSmooth> p(info);
  p.Property("MaskSize", &TPXHoughSmooth::MaskSize, &TPXHoughSmooth::SetMaskSize);
  p.Property("Enabled", &TPXHoughSmooth::Enabled, &TPXHoughSmooth::SetEnabled).Default(true);
}

void DescribeTPXHoughThreshold(platform::TClassInfo& info) {
  platform::TPublisher<TPXHoughThreshold> p(info);
  p.Property("High", &TPXHoughThreshold::High, &TPXHoughThreshold::SetHigh);
  p.Property("Accumulator", &TPXHoughThreshold::Accumulator, &TPXHoughThreshold::SetAccumulator);
}

void DescribeTPXHoughCircles(platform::TClassInfo& info) {
  platform::TPublisher<TPXHoughCircles> p(info);
  p.Property("OutputPin", &TPXHoughCircles::OutputPin, nullptr);
  p.Property("Smooth", &TPXHoughCircles::Smooth, &TPXHoughCircles::SetSmooth);
  p.Property("Threshold", &TPXHoughCircles::Threshold, &TPXHoughCircles::SetThreshold);
  p.Property("Resolution", &TPXHoughCircles::Resolution, &TPXHoughCircles::SetResolution);
  p.Property("MinDistance", &TPXHoughCircles::MinDistance, &TPXHoughCircles::SetMinDistance);
  p.Property("MinRadius", &TPXHoughCircles::MinRadius, &TPXHoughCircles::SetMinRadius);
  p.Property("MaxRadius", &TPXHoughCircles::MaxRadius, &TPXHoughCircles::SetMaxRadius);
  p.Property("OnCirclesDetect", &TPXHoughCircles::OnCirclesDetect, &TPXHoughCircles::SetOnCirclesDetect);
}

// A wrapper image, released on every road.
class TWrapperImage {
 public:
  explicit TWrapperImage(IppiSize size)
      : FImage(binding::cvCreateImage({size.width, size.height}, binding::IplDepth8U, 1)) {}
  // A wrapper that cannot release (its entry point missing) has already raised on the way in.
  ~TWrapperImage() {
    if (!FImage) return;
    try {
      binding::cvReleaseImage(&FImage);
    } catch (const binding::ERBDLLLoadError&) {
    }
  }
  TWrapperImage(const TWrapperImage&) = delete;
  TWrapperImage& operator=(const TWrapperImage&) = delete;
  binding::IplImage* Get() const { return FImage; }

 private:
  binding::IplImage* FImage = nullptr;
};

}  // namespace

PF_DEFINE_CLASS_EX(TPXHoughMaskSize, TPXMaskSize, nullptr, DescribeTPXHoughMaskSize)
PF_DEFINE_CLASS_EX(TPXHoughSmooth, pins::TCBPersistent, nullptr, DescribeTPXHoughSmooth)
PF_DEFINE_CLASS_EX(TPXHoughThreshold, pins::TCBPersistent, nullptr, DescribeTPXHoughThreshold)
PF_DEFINE_COMPONENT(TPXHoughCircles, TPXQueueVisionComponent, DescribeTPXHoughCircles)

// ---- TPXHoughSmooth -----------------------------------------------------------------------

TPXHoughSmooth::TPXHoughSmooth(TPersistent* AOwnerProperty, const RefPtr<ICBLock>& ALock)
    : TCBPersistent(AOwnerProperty, ALock) {
  FMaskSize = platform::New<TPXHoughMaskSize>(this, false, ALock, platform::TNotifyEvent());
  FMaskSize->SetWidth(11);
  FMaskSize->SetHeight(11);
}

void TPXHoughSmooth::Destroy() {
  platform::FreeAndNil(FMaskSize);
  TCBPersistent::Destroy();
}

// ---- TPXHoughCircles ----------------------------------------------------------------------

TPXHoughCircles::TPXHoughCircles(platform::TComponent* AOwner) : TPXQueueVisionComponent(AOwner) {
  FOutputPin = platform::New<TPXPNCirclesSourcePin>(
      this, FOutputLock.Get(), FInputLock.Get(),
      buffers::TRBOperationEvent::Bind<&TPXHoughCircles::CirclesPinRequest>(this));
  FOutputPin->FunctionSources()->Add(FInputPin);
  FSmooth = platform::New<TPXHoughSmooth>(this, FLock);
  FThreshold = platform::New<TPXHoughThreshold>(this, FLock);
}

void TPXHoughCircles::Destroy() {
  {
    auto stop = FLock->StopLock();
    FInputPin->Disconnect();
    platform::FreeAndNil(FThreshold);
    platform::FreeAndNil(FSmooth);
    platform::FreeAndNil(FOutputPin);
  }
  TPXQueueVisionComponent::Destroy();
}

void TPXHoughCircles::SetOnCirclesDetect(TPXCirclesNotifyEvent Value) {
  auto section = FLock->WriteLock();
  FOnCirclesDetect = Value;
}

TPNNotifyResult TPXHoughCircles::CirclesPinRequest(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                                   IPNNotifyOperation* Operation, TPNNotifyState State) {
  (void)Sender;
  (void)DataTypeID;
  (void)Operation;
  (void)State;
  return {};
}

TPXHoughSettings TPXHoughCircles::DetectionSettings() {
  // The component's setters hold both sides of its lock, those of Smooth and Threshold the
  // input side, so the settings are copied under both, taken in order: a caller that holds
  // the output side (the main-thread road) gives it up meanwhile.
  auto unlocked = FOutputLock->UnlockAll();
  auto section = FLock->ReadLock();
  TPXHoughSettings d;
  d.Smooth = FSmooth->Enabled();
  d.MaskWidth = FSmooth->MaskSize()->Width();
  d.MaskHeight = FSmooth->MaskSize()->Height();
  d.Resolution = FResolution;
  d.MinDistance = FMinDistance;
  d.CannyThreshold = builtin::fbRoundToInt32(FThreshold->High());
  d.AccThreshold = builtin::fbRoundToInt32(FThreshold->Accumulator());
  d.MinRadius = static_cast<int32_t>(FMinRadius);
  d.MaxRadius = static_cast<int32_t>(FMaxRadius);
  return d;
}

void TPXHoughCircles::DetectCircles(IPXImageBuffer* AImage, RefPtr<IPXCircles>& ACircles) {
  const TPXHoughSettings d = DetectionSettings();
  AImage->ConvertTo(buffers::vfGrayScale);
  const IppiSize size = AImage->GetIppiSize();
  // A picture without pixels holds no circles (and the wrapper refuses empty images).
  if (size.width <= 0 || size.height <= 0) {
    ACircles = TPXCircles::Create();
    return;
  }
  {
    TWrapperImage img(size);
    uint8_t* data = nullptr;
    int32_t step = 0;
    binding::cvGetRawData(img.Get(), &data, &step, nullptr);
    const int imageStep = static_cast<int>(AImage->GetStep());
    ippiCopy_8u_C1R(AImage->Read(), imageStep, data, step, size);
    if (d.Smooth)
      binding::cvSmooth(img.Get(), img.Get(), binding::CvGaussian, d.MaskWidth, d.MaskHeight, 0.0, 0.0);
    ippiCopy_8u_C1R(data, step, AImage->Write(), imageStep, size);
  }
  RefPtr<TPXCircles> circles = TPXCircles::Create();
  ACircles = circles;
  HoughCirclesGradient(AImage, d.Resolution, d.MinDistance, d.CannyThreshold, d.AccThreshold, d.MinRadius,
                       d.MaxRadius, circles.Get());
}

void TPXHoughCircles::Deliver(const RefPtr<IPXImageBuffer>& ACopy, const RefPtr<IPXCircles>& ACircles,
                              bool ASendToPin) {
  TPXCirclesNotifyEvent event;
  {
    auto section = FOutputLock->ReadLock();
    event = FOnCirclesDetect;
  }
  auto unlocked = FLock->UnlockAll();
  FSyncSection->Enter();
  try {
    FSyncCurrentBuffer = ACopy;
    if (ASendToPin && FOutputPin->IsConnected())
      FOutputPin->Notify(TPNPXSuppliedXYFloatDataOperation::Make(ACircles.Get()).Get());
    if (event) event(this, ACircles->GetCircles());
  } catch (...) {
    FSyncSection->Leave();
    throw;
  }
  FSyncSection->Leave();
}

void TPXHoughCircles::ReceiveImage(IPXImageBuffer* AImage) {
  RefPtr<TPXImageBuffer> copy = TPXImageBuffer::CreateCopy(AImage);
  FImageOutputPin->SubmitBuffer(copy.Get());
  const pins::TRBSynchronizeType sync = SynchronizeType();
  const bool linked = FOutputPin->IsConnected();
  if (sync == pins::stNone) {
    bool assigned;
    {
      auto section = FOutputLock->ReadLock();
      assigned = FOnCirclesDetect.Assigned();
    }
    if (!linked && !assigned) return;
    RefPtr<IPXCircles> circles;
    DetectCircles(AImage, circles);
    Deliver(RefPtr<IPXImageBuffer>(copy), circles, true);
  } else if (linked) {
    if (sync == pins::stSingleBuffer) FDataQueue->Clear();
    RefPtr<IPXCircles> circles;
    DetectCircles(AImage, circles);
    FOutputPin->Notify(TPNPXSuppliedXYFloatDataOperation::Make(circles.Get()).Get());
    FDataQueue->Add(TPXDataQueueData::Create(TPXImageBuffer::CreateCopy(copy.Get()).Get(), circles.Get()));
    FMainThreadNotify->Notify(true);
  } else {
    BufferQueue()->AddBuffer(AImage, sync == pins::stQueue);
  }
}

void TPXHoughCircles::ProcessImage(IPXImageBuffer* AImage) {
  if (!Enabled()) return;
  RefPtr<TPXImageBuffer> copy = TPXImageBuffer::CreateCopy(AImage);
  RefPtr<IPXCircles> circles;
  DetectCircles(AImage, circles);
  Deliver(RefPtr<IPXImageBuffer>(copy), circles, false);
}

void TPXHoughCircles::DeliverResult(platform::TObject* Sender) {
  (void)Sender;
  auto section = FOutputLock->WriteLock();
  if (!SectionLocked(section)) return;
  // The oldest result leaves the queue in one step under the queue's lock.
  RefPtr<platform::IInterface> item;
  int32_t remaining = 0;
  FDataQueue->Lock();
  if (FDataQueue->Count() > 0) {
    item = FDataQueue->Get(0);
    FDataQueue->Delete(0);
  }
  remaining = FDataQueue->Count();
  FDataQueue->Unlock();
  // Results queued while the post was pending get a post of their own.
  if (remaining > 0) FMainThreadNotify->Notify(true);
  if (!item) return;
  RefPtr<IPXDataQueueData> entry = platform::Supports<IPXDataQueueData>(item);
  RefPtr<IPXCircles> circles = platform::Supports<IPXCircles>(entry->GetData());
  Deliver(entry->GetImage(), circles, false);
}

}  // namespace components
