// Component and persistent bases: the shared property lock, the start hook, property
// assignment by type information and the "_Floats" value.
#include "pins/CBComponent.h"

#include "platform/Properties.h"

#include "platform/Streaming.h"

namespace pins {

using platform::TComponent;
using platform::TPropInfo;

// ---------------------------------------------------------------------------------------
// Property assignment

void AssignProperties(TPersistent* Dest, TPersistent* Source, bool SkipName) {
  for (const TPropInfo* prop : platform::GetSortedPropList(&Dest->ClassType())) {
    if (SkipName && prop->Name == "Name") continue;
    if (prop->StoredKind == platform::skNotStored) continue;
    if (prop->Kind == platform::tkClass) {
      // Sub-objects are assigned in place, setter or not; components and framework
      // objects are references, not parts, and are left alone.
      auto* dest = dynamic_cast<TPersistent*>(platform::GetObjectProp(Dest, *prop));
      const TPropInfo& from = platform::FindPropInfo(Source, prop->Name);
      auto* source = dynamic_cast<TPersistent*>(platform::GetObjectProp(Source, from));
      if (dest && source && !dynamic_cast<TComponent*>(dest) && !dynamic_cast<TPNObject*>(dest))
        dest->Assign(source);
      continue;
    }
    if (!prop->IsWritable()) continue;
    const TPropInfo& from = platform::FindPropInfo(Source, prop->Name);
    switch (prop->Kind) {
      case platform::tkFloat:
        platform::SetFloatProp(Dest, *prop, platform::GetFloatProp(Source, from));
        break;
      case platform::tkString:
        platform::SetStrProp(Dest, *prop, platform::GetStrProp(Source, from));
        break;
      case platform::tkInt64:
        platform::SetInt64Prop(Dest, *prop, platform::GetInt64Prop(Source, from));
        break;
      case platform::tkMethod:
        platform::SetMethodProp(Dest, *prop, platform::GetMethodProp(Source, from));
        break;
      default:
        platform::SetOrdProp(Dest, *prop, platform::GetOrdProp(Source, from));
        break;
    }
  }
}

// ---------------------------------------------------------------------------------------
// "_Floats"

namespace {

std::vector<const TPropInfo*> EligibleFloats(TPersistent* Instance) {
  std::vector<const TPropInfo*> result;
  for (const TPropInfo* prop : platform::GetSortedPropList(&Instance->ClassType()))
    if (prop->Kind == platform::tkFloat && prop->GetFloat && prop->TypeName != "TDate" &&
        prop->TypeName != "TTime" && prop->TypeName != "TDateTime")
      result.push_back(prop);
  return result;
}

bool IsZero(TPersistent* Instance, const TPropInfo& prop) {
  return static_cast<double>(platform::GetFloatProp(Instance, prop)) == 0.0;
}

}  // namespace

bool HasZeroFloats(TPersistent* Instance) {
  for (const TPropInfo* prop : EligibleFloats(Instance))
    if (IsZero(Instance, *prop)) return true;
  return false;
}

namespace {

void WriteZeroFloats(TPersistent* Instance, platform::TWriter* Writer) {
  Writer->WriteValue(platform::vaList);
  for (const TPropInfo* prop : EligibleFloats(Instance)) {
    if (!IsZero(Instance, *prop)) continue;
    Writer->WriteValue(platform::vaList);
    Writer->WriteIdent(prop->Name);
    Writer->WriteFloat(platform::GetFloatProp(Instance, *prop));
    Writer->WriteValue(platform::vaNull);
  }
  Writer->WriteValue(platform::vaNull);
}

void ReadZeroFloats(TPersistent* Instance, platform::TReader* Reader) {
  Reader->CheckValue(platform::vaList);
  while (Reader->NextValue() == platform::vaList) {
    Reader->ReadValue();
    std::string name = Reader->ReadIdent();
    long double value = Reader->ReadFloat();
    try {
      if (const TPropInfo* prop = platform::GetPropInfo(Instance, name))
        platform::SetFloatProp(Instance, *prop, value);
    } catch (...) {
      // A property that cannot take the value is left as it is.
    }
    Reader->CheckValue(platform::vaNull);
  }
  Reader->CheckValue(platform::vaNull);
}

}  // namespace

void DefineZeroFloats(TPersistent* Instance, platform::TFiler* Filer) {
  Filer->DefineProperty(
      "_Floats", [Instance](platform::TReader* r) { ReadZeroFloats(Instance, r); },
      [Instance](platform::TWriter* w) { WriteZeroFloats(Instance, w); }, HasZeroFloats(Instance));
}

// ---------------------------------------------------------------------------------------
// TCBComponent

PF_DEFINE_COMPONENT(TCBComponent, platform::TComponent, nullptr)

TCBComponent::TCBComponent(TComponent* AOwner) : TComponent(AOwner) {
  FLock = TCBLock::Create(TCBPropUpdateFunc::Bind<&TCBComponent::CallPropertyChanged>(this));
}

void TCBComponent::AfterConstruction() {
  TComponent::AfterConstruction();
  platform::TComponentState state = ComponentState();
  if (state.Contains(platform::csDesigning) || state.Contains(platform::csLoading)) return;
  for (TComponent* c = Owner(); c; c = c->Owner())
    if (c->ComponentState().Contains(platform::csLoading)) return;
  InitComponent();
}

void TCBComponent::Loaded() {
  TComponent::Loaded();
  if (!ComponentState().Contains(platform::csDesigning)) InitComponent();
}

// Takes the component's property lock for the copy.
void TCBComponent::Assign(TPersistent* Source) {
  auto s = FLock->WriteLock();
  if (auto* source = dynamic_cast<TCBComponent*>(Source)) {
    AssignProperties(this, source, true);
    return;
  }
  TComponent::Assign(Source);
}

void TCBComponent::DefineProperties(platform::TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  DefineZeroFloats(this, Filer);
}

// ---------------------------------------------------------------------------------------
// TCBPersistent

PF_DEFINE_CLASS(TCBPersistent, TPersistent)
PF_DEFINE_CLASS(TCBPersistentNotify, TCBPersistent)

TCBPersistent::TCBPersistent() {
  throw platform::Exception("Calling TCBPersistent.Create without lock!");
}

TCBPersistent::TCBPersistent(TPersistent* AOwnerProperty, const RefPtr<ICBLock>& ALock)
    : FOwnerProperty(AOwnerProperty) {
  if (!ALock) throw platform::Exception("Calling TCBPersistent.Create without lock!");
  FLock = TCBLock::CreateCopy(ALock, TCBPropUpdateFunc::Bind<&TCBPersistent::CallPropertyChanged>(this));
}

TCBPersistent::TCBPersistent(TCBPersistent* AOwner)
    : TCBPersistent(AOwner, AOwner ? AOwner->FLock : RefPtr<ICBLock>()) {}

TCBPersistent::TCBPersistent(TCBCollectionItem* AOwner)
    : TCBPersistent(AOwner, AOwner ? AOwner->Lock() : RefPtr<ICBLock>()) {}

// Takes the shared property lock for the copy.
void TCBPersistent::Assign(TPersistent* Source) {
  auto s = FLock->WriteLock();
  if (auto* source = dynamic_cast<TCBPersistent*>(Source)) {
    AssignProperties(this, source, false);
    return;
  }
  TPersistent::Assign(Source);
}

void TCBPersistent::DefineProperties(platform::TFiler* Filer) {
  TPersistent::DefineProperties(Filer);
  DefineZeroFloats(this, Filer);
}

// ---------------------------------------------------------------------------------------
// Collections

PF_DEFINE_CLASS(TCBCollection, platform::TCollection)
PF_DEFINE_COLLECTION_ITEM(TCBCollectionItem, TPNExtCollectionItem, nullptr)

TCBCollection::TCBCollection(platform::TClass AItemClass, TPersistent* AOwner,
                             const RefPtr<ICBLock>& ALock)
    : TCollection(AItemClass, AOwner), FLock(ALock ? ALock : TCBLock::Create({})) {}

TCBCollectionItem::TCBCollectionItem(platform::TCollection* ACollection)
    : TPNExtCollectionItem(nullptr) {
  const TCBPropUpdateFunc hook = TCBPropUpdateFunc::Bind<&TCBCollectionItem::CallPropertyChanged>(this);
  auto* collection = dynamic_cast<TCBCollection*>(ACollection);
  FLock = collection ? TCBLock::CreateCopy(collection->Lock(), hook) : TCBLock::Create(hook);
  // Entered into the collection once the lock is in place.
  SetCollection(ACollection);
}

// Takes the item's property lock for the copy.
void TCBCollectionItem::Assign(TPersistent* Source) {
  auto s = FLock->WriteLock();
  if (auto* source = dynamic_cast<TCBCollectionItem*>(Source)) {
    AssignProperties(this, source, true);
    return;
  }
  TPNExtCollectionItem::Assign(Source);
}

// ---------------------------------------------------------------------------------------
// TCBObjectList

PF_DEFINE_CLASS(TCBObjectList, platform::TInterfacedObject)

void TCBObjectList::Destroy() {
  std::vector<platform::TObject*> items;
  items.swap(FItems);
  for (size_t i = items.size(); i-- > 0;) platform::Free(items[i]);
  TInterfacedObject::Destroy();
}

}  // namespace pins
