#include "components/PXVisionStreamTypes.h"

#include "platform/SysUtils.h"

namespace components {

PF_DEFINE_CLASS(TPXCircle, platform::TObject)
PF_DEFINE_CLASS(TPXStorageObjectList, pins::TCBObjectList)
PF_DEFINE_CLASS(TPXSequenceObjectList, TPXStorageObjectList)
PF_DEFINE_CLASS(TPXCircles, TPXSequenceObjectList)

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
