// What vision components share: the result types (a circle, a reference-counted list of
// circles) of the components that analyse images.
//
// A circle list is an owning object list that lives as long as a reference to it (the
// detector's caller, a queued result, an operation in flight, an event handler keeping it);
// freeing it frees its circles. When the OpenCV wrapper library is loaded, every list also
// holds a memory storage of the wrapper (for sequences the wrapper could supply), created
// with the list and released with it.
//
// Threads: a list is filled by the thread that detects and read afterwards; it takes no lock.
#pragma once

#include <cstdint>

#include "binding/PXOpenCV.h"
#include "pins/CBComponent.h"
#include "platform/Interfaces.h"
#include "platform/Objects.h"

namespace components {

using platform::RefPtr;

struct TPXFloatPoint {
  float X = 0;
  float Y = 0;
};

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

class TPXCircles : public TPXSequenceObjectList {
  PF_CLASS(TPXCircles)
  PF_ALLOW_NEW;

 public:
  static RefPtr<TPXCircles> Create() { return RefPtr<TPXCircles>(platform::New<TPXCircles>()); }

  // Appends a circle; the list owns it from now on.
  void Add(TPXCircle* ACircle) { AddItem(ACircle); }
  // Raises EListError "List index out of bounds (%d)" outside 0 .. GetCount - 1.
  TPXCircle* GetCircle(int32_t Index);
  // The centre of circle Index (same index check).
  TPXFloatPoint GetPoint(int32_t Index) { return GetCircle(Index)->Center(); }

 protected:
  TPXCircles() = default;
};

}  // namespace components
