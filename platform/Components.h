// Components: named objects owned by other components, stored in form resources.
//
// A component is created with its owner (New<TMyComponent>(owner), or by class reference
// through CreateComponent(cls, owner), the virtual constructor that form reading uses). The
// owner lists it in Components, frees it when the owner itself is freed (last owned first)
// and tells every owned component about insertions and removals through Notification.
// A component's Name is unique (case-insensitive) among the components of its owner and is a
// valid identifier; setting it also sets the owner's published field of that name (a form's
// Button1). FreeNotification asks a component in another owner to report its destruction.
//
// A component class publishes properties in its describe function and defines its class
// information with PF_DEFINE_COMPONENT (which gives it the owner-taking factory):
//
//   class TCounter : public TComponent {
//     PF_CLASS(TCounter)
//     PF_ALLOW_NEW;
//    protected:
//     explicit TCounter(TComponent* owner) : TComponent(owner) {}
//   };
//   PF_DEFINE_COMPONENT(TCounter, TComponent, DescribeTCounter)
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Classes.h"
#include "platform/Objects.h"
#include "platform/SysUtils.h"

namespace platform {

class TReader;
class TWriter;

enum TComponentStateFlag {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = TSet<TComponentStateFlag>;

enum TComponentStyleFlag { csInheritable, csCheckPropAvail, csSubComponent, csTransient };
using TComponentStyle = TSet<TComponentStyleFlag>;

enum TOperation { opInsert, opRemove };

class TComponent;
using TGetChildProc = std::function<void(TComponent* child)>;

// A component's state flags, read and changed by any thread (a pin asks its owner whether it
// is designing or being destroyed while another thread frees it).
class TAtomicComponentState {
 public:
  TComponentState Load() const { return TComponentState::FromBits(FBits.load()); }
  bool Contains(TComponentStateFlag flag) const { return Load().Contains(flag); }
  TAtomicComponentState& Include(TComponentStateFlag flag) {
    FBits.fetch_or(TComponentState{flag}.Bits());
    return *this;
  }
  TAtomicComponentState& Exclude(TComponentStateFlag flag) {
    FBits.fetch_and(~TComponentState{flag}.Bits());
    return *this;
  }

 private:
  std::atomic<uint64_t> FBits{0};
};

// Called when a component starts being destroyed, before it frees anything it owns (set by the
// pin framework: the calls into the component's pins that other threads run end first).
extern void (*ComponentDestroyingHook)(TComponent* component);

// True when the text is a valid identifier: a letter or "_", then letters, digits or "_".
bool IsValidIdent(std::string_view name);

class TComponent : public TPersistent {
  PF_CLASS(TComponent)
  PF_ALLOW_NEW;

 public:
  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // Raises EListError "List index out of bounds (%d)" outside 0 .. ComponentCount - 1.
  TComponent* Components(int index) const;
  // The position of this component among its owner's components; -1 without owner.
  int ComponentIndex() const;

  // Takes a component into this owner's list (from its former owner, if any), checking that
  // its name is unique here; every owned component hears opInsert.
  void InsertComponent(TComponent* component);
  // Removes a component from this owner's list; every owned component hears opRemove.
  void RemoveComponent(TComponent* component);
  // Frees every owned component, the last one first.
  void DestroyComponents();
  // Marks this component and everything it owns as being destroyed.
  void Destroying();

  // The name, copied under its own mutex: any thread may read it while another sets it.
  std::string Name() const;
  // Raises EComponentError "'%s' is not a valid component name" for an invalid identifier
  // and "A component named %s already exists" when the owner has another of that name.
  void SetName(const std::string& name);
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t tag) { FTag = tag; }

  // The owned component of that name (case-insensitive); null when none or for "".
  TComponent* FindComponent(std::string_view name) const;

  TComponentState ComponentState() const { return FComponentState.Load(); }
  // Whether construction (AfterConstruction included) has ended.
  bool Constructed() const { return FConstructed.load(); }
  TComponentStyle ComponentStyle() const { return FComponentStyle; }
  void SetDesigning(bool value, bool setChildren = true);
  void Updating() { FComponentState.Include(csUpdating); }
  void Updated() { FComponentState.Exclude(csUpdating); }

  // Asks this component to be told (Notification opRemove) when the other one is destroyed,
  // and the other one likewise. Components of one owner hear of each other anyway.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Called once a form resource has set every property of the whole tree; clears csLoading.
  virtual void Loaded();
  // Reads or writes this component's properties and children (form streaming).
  virtual void ReadState(TReader* reader);
  virtual void WriteState(TWriter* writer);

  // The containment tree of a form resource, which may differ from ownership (a button
  // inside a panel is owned by the form). By default a component has no parent and no
  // children.
  virtual bool HasParent() { return false; }
  virtual TComponent* GetParentComponent() { return nullptr; }
  virtual void SetParentComponent(TComponent* parent) { (void)parent; }
  virtual void GetChildren(const TGetChildProc& proc, TComponent* root) {
    (void)proc;
    (void)root;
  }
  virtual TComponent* GetChildOwner() { return nullptr; }
  virtual TComponent* GetChildParent() { return this; }

  // Told about every component inserted into or removed from the owner, and about the
  // destruction of components registered with FreeNotification.
  virtual void Notification(TComponent* component, TOperation operation);
  // Checks a rename of an owned component (or of this one with component null).
  virtual void ValidateRename(TComponent* component, const std::string& curName,
                              const std::string& newName);

  std::string GetNamePath() override { return Name(); }

  // The designer position of a component that is not a control, stored as the custom values
  // "Left" and "Top" when not 0.
  int32_t DesignLeft() const { return FDesignLeft; }
  int32_t DesignTop() const { return FDesignTop; }
  void SetDesignLeft(int32_t value) { FDesignLeft = value; }
  void SetDesignTop(int32_t value) { FDesignTop = value; }

 protected:
  explicit TComponent(TComponent* owner);

  TPersistent* GetOwner() override { return FOwner; }
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Destroy() override;
  void DefineProperties(TFiler* filer) override;
  virtual void ChangeName(const std::string& newName);
  // Sets (or clears) the owner's published field named like this component.
  void SetReference(bool enable);

 private:
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void RemoveNotification(TComponent* component);
  void RemoveFreeNotifications();

  TComponent* FOwner = nullptr;
  std::string FName;  // under FNameMutex
  mutable std::mutex FNameMutex;
  int32_t FTag = 0;
  int32_t FDesignLeft = 0;
  int32_t FDesignTop = 0;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  TAtomicComponentState FComponentState;
  std::atomic<bool> FConstructed{false};
  TComponentStyle FComponentStyle{csInheritable};

  friend class TReader;
  friend class TWriter;
};

namespace detail {
// Forgets the references of a destroyed component that wait for a form not yet loaded.
void RemoveFixupsOf(TComponent* component);
}  // namespace detail

// The owner argument of a component factory: null or a component (EComponentError else).
TComponent* AsComponentOwner(TObject* owner);

// The virtual constructor of a component class.
template <class T>
TObject* ComponentFactory(TObject* owner) {
  return New<T>(AsComponentOwner(owner));
}

// Creates a component by class reference with its owner. Raises EComponentError when the
// class is not a component class or cannot be created by reference.
TComponent* CreateComponent(TClass cls, TComponent* owner);

// Defines the class information of a component class with its factory.
#define PF_DEFINE_COMPONENT(Class, Parent, Describe) \
  PF_DEFINE_CLASS_EX(Class, Parent, &::platform::ComponentFactory<Class>, Describe)

// Global roots: the top-level components (forms) that references of the form
// "Form2.Button1" name. Forms enter the list when they are created and leave it when freed.
void AddGlobalRoot(TComponent* root);
void RemoveGlobalRoot(TComponent* root);
// The global root of that name (case-insensitive); null when none.
TComponent* FindGlobalComponent(std::string_view name);

}  // namespace platform
