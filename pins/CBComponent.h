// Bases of the processing components and of the property objects they publish.
//
// A component has one property lock (ICBLock) that all of its property objects share; the
// lock calls the object's PropertyChanged after every locked property change. InitComponent
// runs once the component is usable: right after construction for a component made in code,
// after Loaded for one read from a form resource, never in the designer.
//
// Float properties whose value is zero are left out by the form writer (zero is taken for
// the default); the bases store them in the custom value "_Floats" so that they come back
// over a non-zero default:
//
//   _Floats = ((Gain 0.000000000000000000))
//
// TCBTimer runs a window timer on a hidden window of the main thread's message loop and
// calls OnTimer there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pins/CBComponentLocks.h"
#include "pins/PNExtCollection.h"
#include "platform/Classes.h"
#include "platform/Components.h"
#include "platform/Interfaces.h"
#include "platform/Messages.h"
#include "platform/Methods.h"
#include "platform/SysUtils.h"

namespace pins {

using platform::TPersistent;

using platform::Exception;
PF_DECLARE_EXCEPTION(EOutOfResources, Exception);

// Copies the published properties of Source into Dest by type information: every property
// of Dest's class in name order, except those declared not stored and, with SkipName,
// "Name"; each only when Dest's property has a setter. Sub-objects that are plain
// persistent objects (neither components nor framework objects) are assigned in place.
void AssignProperties(TPersistent* Dest, TPersistent* Source, bool SkipName);

// The "_Floats" value of an object: the float properties (other than dates and times) whose
// value is zero, in name order.
bool HasZeroFloats(TPersistent* Instance);
void DefineZeroFloats(TPersistent* Instance, platform::TFiler* Filer);

class TCBComponent : public platform::TComponent {
  PF_CLASS(TCBComponent)
  PF_ALLOW_NEW;

 public:
  const RefPtr<ICBLock>& Lock() const { return FLock; }

  // The start hook: runs once the component's properties are in place.
  virtual void InitComponent() {}
  // The change hook: called by the lock after every locked property change.
  virtual void PropertyChanged() {}

  void AfterConstruction() override;
  void Loaded() override;
  // Copies the published properties (Name excepted) from another TCBComponent under the
  // write section.
  void Assign(TPersistent* Source) override;

 protected:
  explicit TCBComponent(platform::TComponent* AOwner);
  void DefineProperties(platform::TFiler* Filer) override;

  RefPtr<ICBLock> FLock;

 private:
  void CallPropertyChanged() { PropertyChanged(); }
};

class TCBCollectionItem;

// A property object sharing its component's lock.
class TCBPersistent : public TPersistent {
  PF_CLASS(TCBPersistent)
  PF_ALLOW_NEW;

 public:
  const RefPtr<ICBLock>& Lock() const { return FLock; }
  virtual void PropertyChanged() {}
  // Copies the published properties from another TCBPersistent under the write section.
  void Assign(TPersistent* Source) override;

 protected:
  // Always fails: a property object needs the lock it shares.
  TCBPersistent();
  // Shares ALock; AOwnerProperty is the object that publishes this one.
  TCBPersistent(TPersistent* AOwnerProperty, const RefPtr<ICBLock>& ALock);
  // Shares the lock of the property object that owns this one.
  explicit TCBPersistent(TCBPersistent* AOwner);
  // Shares the lock of the collection item that owns this one.
  explicit TCBPersistent(TCBCollectionItem* AOwner);
  void DefineProperties(platform::TFiler* Filer) override;
  TPersistent* GetOwner() override { return FOwnerProperty; }

  RefPtr<ICBLock> FLock;
  TPersistent* FOwnerProperty = nullptr;

 private:
  void CallPropertyChanged() { PropertyChanged(); }
};

// A property object that reports its changes through OnChange.
class TCBPersistentNotify : public TCBPersistent {
  PF_CLASS(TCBPersistentNotify)
  PF_ALLOW_NEW;

 public:
  platform::TNotifyEvent OnChange;
  void PropertyChanged() override {
    if (OnChange.Assigned()) OnChange(this);
  }

 protected:
  TCBPersistentNotify(TPersistent* AOwnerProperty, const RefPtr<ICBLock>& ALock,
                      platform::TNotifyEvent AOnChange = {})
      : TCBPersistent(AOwnerProperty, ALock), OnChange(AOnChange) {}
  explicit TCBPersistentNotify(TCBPersistent* AOwner, platform::TNotifyEvent AOnChange = {})
      : TCBPersistent(AOwner), OnChange(AOnChange) {}
  explicit TCBPersistentNotify(TCBCollectionItem* AOwner, platform::TNotifyEvent AOnChange = {})
      : TCBPersistent(AOwner), OnChange(AOnChange) {}
};

// A collection whose items share one property lock.
class TCBCollection : public platform::TCollection {
  PF_CLASS(TCBCollection)
  PF_ALLOW_NEW;

 public:
  const RefPtr<ICBLock>& Lock() const { return FLock; }

 protected:
  // Without ALock the collection makes a lock of its own.
  TCBCollection(platform::TClass AItemClass, TPersistent* AOwner, const RefPtr<ICBLock>& ALock);

  RefPtr<ICBLock> FLock;
};

// A collection item sharing its collection's lock (a lock of its own in a collection that
// carries none).
class TCBCollectionItem : public TPNExtCollectionItem {
  PF_CLASS(TCBCollectionItem)
  PF_ALLOW_NEW;

 public:
  const RefPtr<ICBLock>& Lock() const { return FLock; }
  // The change hook: called by the lock after every locked property change.
  virtual void PropertyChanged() {}
  // Copies the published properties (Name excepted) from another TCBCollectionItem under
  // the write section.
  void Assign(TPersistent* Source) override;

 protected:
  explicit TCBCollectionItem(platform::TCollection* ACollection);

  RefPtr<ICBLock> FLock;

 private:
  void CallPropertyChanged() { PropertyChanged(); }
};

// A reference-counted owner of objects.
class TCBObjectList : public platform::TInterfacedObject {
  PF_CLASS(TCBObjectList)
  PF_ALLOW_NEW;

 public:
  virtual int32_t GetItemCount() { return static_cast<int32_t>(FItems.size()); }
  int32_t GetCount() { return GetItemCount(); }
  // Takes ownership of AObject.
  void AddItem(platform::TObject* AObject) { FItems.push_back(AObject); }
  platform::TObject* GetItemObject(int32_t Index) const {
    return FItems[static_cast<size_t>(Index)];
  }

 protected:
  TCBObjectList() = default;
  void Destroy() override;

  std::vector<platform::TObject*> FItems;
};

// ---------------------------------------------------------------------------------------
// Window timer

class TCBTimer : public platform::TComponent {
  PF_CLASS(TCBTimer)
  PF_ALLOW_NEW;

 public:
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t Value);
  platform::TNotifyEvent OnTimer() const { return FOnTimer; }
  // Stores the event and restarts the timer, also when the event is the same.
  void SetOnTimer(platform::TNotifyEvent Value);
  platform::HWND WindowHandle() const { return FWindowHandle; }

 protected:
  explicit TCBTimer(platform::TComponent* AOwner);
  void Destroy() override;
  // Runs OnTimer.
  virtual void Timer();

 private:
  void UpdateTimer();
  void WndProc(platform::TMessage& Message);

  bool FEnabled = true;
  uint32_t FInterval = 1000;
  platform::TNotifyEvent FOnTimer;
  platform::HWND FWindowHandle = 0;
};

}  // namespace pins
