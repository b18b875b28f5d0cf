#include "platform/Components.h"

#include <algorithm>
#include <mutex>

#include "platform/Properties.h"

namespace platform {

namespace {

void DescribeTComponent(TClassInfo& info) {
  TPublisher<TComponent> p(info);
  // The name is written in the object header, never as a property.
  p.Property("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
  p.Property("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

}  // namespace

PF_DEFINE_COMPONENT(TComponent, TPersistent, DescribeTComponent)

bool IsValidIdent(std::string_view name) {
  if (name.empty()) return false;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!alpha(name[0])) return false;
  for (char c : name)
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError(Format("List index out of bounds (%d)", index));
  return FComponents[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto& list = FOwner->FComponents;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::Insert(TComponent* component) {
  FComponents.push_back(component);
  component->FOwner = this;
}

void TComponent::Remove(TComponent* component) {
  component->FOwner = nullptr;
  auto it = std::find(FComponents.begin(), FComponents.end(), component);
  if (it != FComponents.end()) FComponents.erase(it);
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component == this) return;
  if (component->FOwner == this) return;
  if (component->FOwner) component->FOwner->RemoveComponent(component);
  ValidateRename(component, std::string(), component->Name());
  Insert(component);
  try {
    component->SetReference(true);
  } catch (...) {
    Remove(component);
    throw;
  }
  if (FComponentState.Contains(csDesigning)) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->FOwner != this) return;
  ValidateRename(component, component->Name(), std::string());
  Notification(component, opRemove);
  component->SetReference(false);
  Remove(component);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* instance = FComponents.back();
    // A component that asked for free notifications is removed loudly, so that the others
    // drop their references to it; the rest leave quietly.
    if (instance->FComponentState.Contains(csFreeNotification) ||
        (FComponentState.Contains(csDesigning) && FComponentState.Contains(csInline)))
      RemoveComponent(instance);
    else
      Remove(instance);
    if (instance->FOwner == this) Remove(instance);  // a Notification override re-inserted it
    instance->Free();
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void (*ComponentDestroyingHook)(TComponent* component) = nullptr;

void TComponent::AfterConstruction() {
  TPersistent::AfterConstruction();
  FConstructed = true;
}

void TComponent::BeforeDestruction() {
  if (ComponentDestroyingHook) ComponentDestroyingHook(this);
  if (!FComponentState.Contains(csDestroying)) Destroying();
  TPersistent::BeforeDestruction();
}

std::string TComponent::Name() const {
  std::lock_guard<std::mutex> lock(FNameMutex);
  return FName;
}

void TComponent::ChangeName(const std::string& newName) {
  std::lock_guard<std::mutex> lock(FNameMutex);
  FName = newName;
}

void TComponent::Destroy() {
  Destroying();
  RemoveFreeNotifications();
  DestroyComponents();
  detail::RemoveFixupsOf(this);
  if (FOwner) FOwner->RemoveComponent(this);
  TPersistent::Destroy();
}

void TComponent::SetName(const std::string& name) {
  if (FName == name) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError(Format("'%s' is not a valid component name", name.c_str()));
  if (FOwner)
    FOwner->ValidateRename(this, FName, name);
  else
    ValidateRename(nullptr, FName, name);
  std::string old = FName;
  SetReference(false);
  ChangeName(name);
  try {
    SetReference(true);
  } catch (...) {
    // The owner's field cannot hold this component: keep the old name.
    ChangeName(old);
    SetReference(true);
    throw;
  }
}

void TComponent::ValidateRename(TComponent* component, const std::string& curName,
                                const std::string& newName) {
  if (component && !detail::SameText(curName, newName) && component->FOwner == this &&
      FindComponent(newName))
    throw EComponentError(Format("A component named %s already exists", newName.c_str()));
  if (FComponentState.Contains(csDesigning) && FOwner)
    FOwner->ValidateRename(component, curName, newName);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (detail::SameText(c->Name(), name)) return c;
  return nullptr;
}

void TComponent::SetReference(bool enable) {
  if (!FOwner || FName.empty()) return;
  if (const TFieldEntry* field = FindField(&FOwner->ClassType(), FName))
    field->Set(FOwner, enable ? this : nullptr);
}

void TComponent::SetDesigning(bool value, bool setChildren) {
  if (value)
    FComponentState.Include(csDesigning);
  else
    FComponentState.Exclude(csDesigning);
  if (setChildren)
    for (TComponent* c : FComponents) c->SetDesigning(value, true);
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (!FOwner || component->FOwner != FOwner) {
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
      FFreeNotifies.push_back(component);
      component->FreeNotification(this);
    }
  }
  FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveNotification(TComponent* component) {
  auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component);
  if (it != FFreeNotifies.end()) FFreeNotifies.erase(it);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  RemoveNotification(component);
  component->RemoveNotification(this);
}

void TComponent::RemoveFreeNotifications() {
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    other->Notification(this, opRemove);
    // An override that does not reach TComponent::Notification must not stall the loop.
    if (!FFreeNotifies.empty() && FFreeNotifies.back() == other) RemoveFreeNotification(other);
  }
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // Notifications may free or insert components: walk from the end and re-clamp.
  int i = static_cast<int>(FComponents.size()) - 1;
  while (i >= 0) {
    FComponents[static_cast<size_t>(i)]->Notification(component, operation);
    --i;
    if (i >= static_cast<int>(FComponents.size())) i = static_cast<int>(FComponents.size()) - 1;
  }
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

TComponent* AsComponentOwner(TObject* owner) {
  if (!owner) return nullptr;
  auto* c = dynamic_cast<TComponent*>(owner);
  if (!c) throw EComponentError(Format("A %s cannot own a component", owner->ClassName()));
  return c;
}

TComponent* CreateComponent(TClass cls, TComponent* owner) {
  if (!cls || !cls->InheritsFrom(&TComponent::StaticClass()))
    throw EComponentError(Format("%s is not a component class", cls ? cls->ClassName() : "nil"));
  if (!cls->Factory())
    throw EComponentError(Format("%s cannot be created by class reference", cls->ClassName()));
  TObject* o = cls->Create(owner);
  auto* c = dynamic_cast<TComponent*>(o);
  if (!c) {
    Free(o);
    throw EComponentError(Format("The factory of %s made no component", cls->ClassName()));
  }
  return c;
}

// ---- Global roots ------------------------------------------------------------------------------

namespace {

std::mutex& RootsMutex() {
  static std::mutex m;
  return m;
}

std::vector<TComponent*>& Roots() {
  static std::vector<TComponent*> roots;
  return roots;
}

}  // namespace

void AddGlobalRoot(TComponent* root) {
  std::lock_guard<std::mutex> lock(RootsMutex());
  if (std::find(Roots().begin(), Roots().end(), root) == Roots().end()) Roots().push_back(root);
}

void RemoveGlobalRoot(TComponent* root) {
  std::lock_guard<std::mutex> lock(RootsMutex());
  auto it = std::find(Roots().begin(), Roots().end(), root);
  if (it != Roots().end()) Roots().erase(it);
}

TComponent* FindGlobalComponent(std::string_view name) {
  if (name.empty()) return nullptr;
  std::lock_guard<std::mutex> lock(RootsMutex());
  for (TComponent* c : Roots())
    if (detail::SameText(c->Name(), name)) return c;
  return nullptr;
}

}  // namespace platform
