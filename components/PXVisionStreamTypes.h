// What vision components share: the result types (a circle, a reference-counted list of
// circles, a queued pair of image and result), the source pin that sends circle lists, the
// base of components that analyse images and hand their results to the main thread, and the
// registration of the vision stream types.
//
// A circle list is an owning object list that lives as long as a reference to it (the
// detector's caller, a queued result, an operation in flight, an event handler keeping it);
// freeing it frees its circles. When the OpenCV wrapper library is loaded, every list also
// holds a memory storage of the wrapper (for sequences the wrapper could supply), created
// with the list and released with it.
//
// Threads: a list is filled by the thread that detects and read afterwards; it takes no lock.
// The queued results of a vision component are an interface list, whose own lock serialises
// the delivering thread's adds and the main thread's removals.
#pragma once

#include <cstdint>

#include "binding/PXOpenCV.h"
#include "buffers/PXStreamTypes.h"
#include "components/PXSinkFilter.h"
#include "components/RBFilterTypes.h"
#include "pins/CBComponent.h"
#include "platform/Interfaces.h"
#include "platform/Objects.h"
#include "platform/Units.h"

namespace components {

using buffers::IPXImageBuffer;
using buffers::IPXXYFloatData;
using buffers::TPXFloatPoint;
using platform::RefPtr;
using platform::TGUID;

class TPXCircle : public platform::TObject {
  PF_CLASS(TPXCircle)
  PF_ALLOW_NEW;

 public:
  const TPXFloatPoint& Center() const { return FCenter; }
  float Radius() const { return FRadius; }

 protected:
  TPXCircle(float cx, float cy, float cr) : FCenter{cx, cy}, FRadius(cr) {}

 private:
  TPXFloatPoint FCenter;
  float FRadius = 0;
};

// An owning object list with a memory storage of the OpenCV wrapper when the wrapper is
// loaded (none otherwise).
class TPXStorageObjectList : public pins::TCBObjectList {
  PF_CLASS(TPXStorageObjectList)
  PF_ALLOW_NEW;

 public:
  binding::CvMemStorage* MemStorage() const { return FMemStorage; }

 protected:
  TPXStorageObjectList();
  void Destroy() override;

  binding::CvMemStorage* FMemStorage = nullptr;
};

// A storage list that could take its items from a wrapper sequence; nothing sets the
// sequence, so count and items come from the object list.
class TPXSequenceObjectList : public TPXStorageObjectList {
  PF_CLASS(TPXSequenceObjectList)
  PF_ALLOW_NEW;

 protected:
  TPXSequenceObjectList() = default;

  binding::CvSeq* FSequence = nullptr;
};

class TPXCircles;

// A list of circles as points (their centres) and as circles.
struct IPXCircles : virtual IPXXYFloatData {
  static constexpr TGUID IID = TGUID::Parse("{91C5B235-03A9-47E7-B0EB-D333DE8C697B}");
  virtual TPXCircle* GetCircle(int32_t Index) = 0;
  // The list object behind the interface.
  virtual TPXCircles* GetCircles() = 0;
};

class TPXCircles : public TPXSequenceObjectList, public virtual IPXCircles {
  PF_CLASS(TPXCircles)
  PF_ALLOW_NEW;

 public:
  static RefPtr<TPXCircles> Create() { return RefPtr<TPXCircles>(platform::New<TPXCircles>()); }

  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IPXCircles, IPXXYFloatData>(this, iid, object);
  }
  int32_t AddRef() override { return TPXSequenceObjectList::AddRef(); }
  int32_t Release() override { return TPXSequenceObjectList::Release(); }

  // Appends a circle; the list owns it from now on.
  void Add(TPXCircle* ACircle) { AddItem(ACircle); }
  int32_t GetCount() override { return GetItemCount(); }
  // Raises EListError "List index out of bounds (%d)" outside 0 .. GetCount - 1.
  TPXCircle* GetCircle(int32_t Index) override;
  // The centre of circle Index (same index check).
  TPXFloatPoint GetPoint(int32_t Index) override { return GetCircle(Index)->Center(); }
  TPXCircles* GetCircles() override { return this; }

 protected:
  TPXCircles() = default;
};

// A result waiting for the main thread: the image and what was found in it.
struct IPXDataQueueData : virtual platform::IInterface {
  static constexpr TGUID IID = TGUID::Parse("{0E4BB99B-B31E-4DA8-8776-9ED217DCA8AE}");
  virtual RefPtr<IPXImageBuffer> GetImage() = 0;
  virtual RefPtr<platform::IInterface> GetData() = 0;
};

class TPXDataQueueData : public platform::TInterfacedObject, public virtual IPXDataQueueData {
  PF_CLASS(TPXDataQueueData)
  PF_ALLOW_NEW;

 public:
  static RefPtr<IPXDataQueueData> Create(IPXImageBuffer* ABuffer, platform::IInterface* AData) {
    return RefPtr<IPXDataQueueData>(platform::New<TPXDataQueueData>(ABuffer, AData));
  }
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IPXDataQueueData>(this, iid, object);
  }
  RefPtr<IPXImageBuffer> GetImage() override { return FImage; }
  RefPtr<platform::IInterface> GetData() override { return FData; }

 protected:
  TPXDataQueueData(IPXImageBuffer* ABuffer, platform::IInterface* AData) : FImage(ABuffer), FData(AData) {}

 private:
  RefPtr<IPXImageBuffer> FImage;
  RefPtr<platform::IInterface> FData;
};

// The stream of circle lists.
struct IPNPXCirclesDataStream : virtual buffers::IPNPXXYFloatDataStream {
  static constexpr TGUID IID = TGUID::Parse("{E51CC609-DBFA-4698-9086-B73A194F53D0}");
};

// Sends circle lists: a circles sink is preferred, a plain point sink takes them too.
class TPXPNCirclesSourcePin : public buffers::TPXPNXYFloatSourcePin, public virtual IPNPXCirclesDataStream {
  PF_CLASS(TPXPNCirclesSourcePin)
  PF_ALLOW_NEW;

 public:
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override;

 protected:
  TPXPNCirclesSourcePin(platform::TComponent* AOwner, pins::IPNLock* AOwnerLock, pins::IPNLock* AInputOwnerLock,
                        buffers::TRBOperationEvent AOperationEvent);
};

// The base of components that analyse images and hand their results to the main thread:
// every image that arrives goes on through ImageOutputPin; start, stop and other operations
// received on the input pin continue there too. Results wait in a queue until the main
// thread's DeliverResult takes them; CurrentImage is the image whose result was delivered
// last.
class TPXQueueVisionComponent : public TPXSyncSinkFilter {
  PF_CLASS(TPXQueueVisionComponent)

 public:
  buffers::TPXPNImageSourcePin* ImageOutputPin() const { return FImageOutputPin; }
  // The image of the last delivered result; null before the first (taken under the result
  // section, so it waits for an event that runs).
  RefPtr<IPXImageBuffer> CurrentImage();

  // The main-thread hand-over of queued results.
  virtual void DeliverResult(platform::TObject* Sender) = 0;
  TPNNotifyResult ForwardOperation(IPNNotifyOperation* AOperation) override;
  void BeforeDestruction() override;

 protected:
  explicit TPXQueueVisionComponent(platform::TComponent* AOwner);
  void Destroy() override;

  buffers::TPXPNImageSourcePin* FImageOutputPin = nullptr;
  pins::TPNCriticalSection* FSyncSection = nullptr;
  RefPtr<IPXImageBuffer> FSyncCurrentBuffer;
  platform::TInterfaceList* FDataQueue = nullptr;
  TRBMainThreadNotify* FMainThreadNotify = nullptr;

 private:
  void CallDeliverResult(platform::TObject* Sender) { DeliverResult(Sender); }
};

// Registers the vision stream types (contours, ellipses, rectangles, circles, distance lines,
// normalized lines, polygons) by name, with the buffer pins' send function.
extern const platform::TUnit PXVisionStreamTypesUnit;

}  // namespace components
