#include "components/PXVisionStreamTypes.h"

#include "pins/PNPinsRegistries.h"
#include "platform/SysUtils.h"

namespace components {

PF_DEFINE_CLASS(TPXCircle, platform::TObject)
PF_DEFINE_CLASS(TPXStorageObjectList, pins::TCBObjectList)
PF_DEFINE_CLASS(TPXSequenceObjectList, TPXStorageObjectList)
PF_DEFINE_CLASS(TPXCircles, TPXSequenceObjectList)
PF_DEFINE_CLASS(TPXDataQueueData, platform::TInterfacedObject)
PF_DEFINE_CLASS(TPXPNCirclesSourcePin, buffers::TPXPNXYFloatSourcePin)
PF_DEFINE_CLASS(TPXQueueVisionComponent, TPXSyncSinkFilter)

namespace {

// The vision stream types in their order of registration.
constexpr struct {
  TGUID ID;
  const char* Name;
} kVisionTypes[] = {
    {TGUID::Parse("{EE83C1BA-A142-4AAF-9D4A-60A240606361}"), "Contour data"},
    {TGUID::Parse("{5303F70F-8DFB-4A2D-BB58-70803BCF4680}"), "Ellipses data"},
    {TGUID::Parse("{DD534B9B-7566-4882-9EDD-0CCC70B79860}"), "Rectangles data"},
    {IPNPXCirclesDataStream::IID, "Circles data"},
    {TGUID::Parse("{5BA9E8CC-97BE-41E3-8B61-41BB50ED2B86}"), "Distance Lines data"},
    {TGUID::Parse("{325C43EA-3F9B-4D14-A149-6D1B6EE9AAB7}"), "Normalized Lines data"},
    {TGUID::Parse("{C0C5A581-C083-46F1-9B8E-56E6D4B57912}"), "Polygon data"},
};

void PXVisionStreamTypesInitialization() {
  for (const auto& type : kVisionTypes) pins::RegisterStreamTypeName(type.ID, type.Name);
  for (const auto& type : kVisionTypes) pins::RegisterStreamTypeSendFunction(type.ID, &buffers::RBGlobalSubmit);
}

}  // namespace

const platform::TUnit PXVisionStreamTypesUnit{"PXVisionStreamTypes", PXVisionStreamTypesInitialization, nullptr};

// ---- TPXStorageObjectList -----------------------------------------------------------------

TPXStorageObjectList::TPXStorageObjectList() {
  if (binding::IsOpenCVLoaded()) FMemStorage = binding::cvCreateMemStorage(0);
}

void TPXStorageObjectList::Destroy() {
  if (FMemStorage && binding::IsOpenCVLoaded()) binding::cvReleaseMemStorage(&FMemStorage);
  TCBObjectList::Destroy();
}

// ---- TPXCircles ---------------------------------------------------------------------------

TPXCircle* TPXCircles::GetCircle(int32_t Index) {
  if (Index < 0 || Index >= GetCount())
    throw platform::EListError(platform::Format("List index out of bounds (%d)", Index));
  return static_cast<TPXCircle*>(GetItemObject(Index));
}

}  // namespace components

namespace components {

// ---- TPXPNCirclesSourcePin ----------------------------------------------------------------

TPXPNCirclesSourcePin::TPXPNCirclesSourcePin(platform::TComponent* AOwner, pins::IPNLock* AOwnerLock,
                                             pins::IPNLock* AInputOwnerLock,
                                             buffers::TRBOperationEvent AOperationEvent)
    : TPXPNXYFloatSourcePin(AOwner, AOwnerLock, AInputOwnerLock, AOperationEvent) {
  AddType(IPNPXCirclesDataStream::IID, pins::TPNSubmit::Bind<&TRBPNSourcePin::BufferSubmit>(this));
}

platform::HRESULT TPXPNCirclesSourcePin::QueryInterface(const TGUID& iid, void** object) {
  if (pins::QueryStreamInterfaces<IPNPXCirclesDataStream>(this, iid, object) == platform::S_OK)
    return platform::S_OK;
  return TPXPNXYFloatSourcePin::QueryInterface(iid, object);
}

// ---- TPXQueueVisionComponent --------------------------------------------------------------

TPXQueueVisionComponent::TPXQueueVisionComponent(platform::TComponent* AOwner) : TPXSyncSinkFilter(AOwner) {
  FImageOutputPin = platform::New<buffers::TPXPNImageSourcePin>(
      this, FLock.Get(), nullptr, buffers::TRBOperationEvent::Bind<&TPXSinkFilter::ForwardUpstream>(this));
  FSyncSection = new pins::TPNCriticalSection();
  FDataQueue = platform::New<platform::TInterfaceList>();
  FMainThreadNotify =
      platform::New<TRBMainThreadNotify>(platform::TNotifyEvent::Bind<&TPXQueueVisionComponent::CallDeliverResult>(this));
}

void TPXQueueVisionComponent::BeforeDestruction() {
  {
    auto stop = FLock->StopLock();
    FInputPin->Disconnect();
    StopProcessing();
    FImageOutputPin->Disconnect();
  }
  TPXSyncSinkFilter::BeforeDestruction();
}

void TPXQueueVisionComponent::Destroy() {
  {
    auto stop = FLock->StopLock();
    platform::FreeAndNil(FMainThreadNotify);
    delete FSyncSection;
    FSyncSection = nullptr;
    platform::FreeAndNil(FImageOutputPin);
  }
  platform::FreeAndNil(FDataQueue);
  FSyncCurrentBuffer = nullptr;
  TPXSyncSinkFilter::Destroy();
}

TPNNotifyResult TPXQueueVisionComponent::ForwardOperation(IPNNotifyOperation* AOperation) {
  return FImageOutputPin->Notify(AOperation);
}

RefPtr<IPXImageBuffer> TPXQueueVisionComponent::CurrentImage() {
  FSyncSection->Enter();
  RefPtr<IPXImageBuffer> image = FSyncCurrentBuffer;
  FSyncSection->Leave();
  return image;
}

}  // namespace components
