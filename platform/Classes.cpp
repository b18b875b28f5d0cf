#include "platform/Classes.h"

#include <algorithm>

#include "platform/Properties.h"
#include "platform/SysUtils.h"

namespace platform {

PF_DEFINE_CLASS(TPersistent, TObject)

namespace {

[[noreturn]] void AssignError(TPersistent* source, TPersistent* dest) {
  throw EConvertError(std::string("Cannot assign a ") + (source ? source->ClassName() : "nil") +
                      " to a " + dest->ClassName());
}

}  // namespace

void TPersistent::Assign(TPersistent* source) {
  if (!source) AssignError(nullptr, this);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) { AssignError(this, dest); }

std::string TPersistent::GetNamePath() { return ClassName(); }

}  // namespace platform

// ---- Collections ---------------------------------------------------------------------------------

namespace platform {

PF_DEFINE_CLASS(TCollectionItem, TPersistent)
PF_DEFINE_CLASS(TCollection, TPersistent)

TCollection* AsCollection(TObject* owner) {
  auto* c = dynamic_cast<TCollection*>(owner);
  if (!c)
    throw EConvertError(Format("A collection item needs a collection, not %s",
                               owner ? owner->ClassName() : "nil"));
  return c;
}

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

void TCollectionItem::Destroy() {
  SetCollection(nullptr);
  TPersistent::Destroy();
}

TPersistent* TCollectionItem::GetOwner() { return FCollection; }

void TCollectionItem::SetCollection(TCollection* collection) {
  if (FCollection == collection) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (collection) collection->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  auto& items = FCollection->FItems;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  int current = Index();
  if (current < 0 || index < 0 || index == current) return;
  auto& items = FCollection->FItems;
  if (index >= static_cast<int>(items.size())) index = static_cast<int>(items.size()) - 1;
  items.erase(items.begin() + current);
  items.insert(items.begin() + index, this);
  Changed(true);
}

std::string TCollectionItem::GetNamePath() {
  if (!FCollection) return ClassName();
  return Format("%s[%d]", FCollection->GetNamePath().c_str(), Index());
}

void TCollectionItem::Changed(bool allItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
}

TCollection::TCollection(TClass itemClass, TPersistent* owner) : FItemClass(itemClass), FOwner(owner) {
  if (!itemClass || !itemClass->InheritsFrom(&TCollectionItem::StaticClass()) || !itemClass->Factory())
    throw EConvertError(Format("%s cannot be the item class of a collection",
                               itemClass ? itemClass->ClassName() : "nil"));
}

void TCollection::Destroy() {
  FUpdateCount = 1;  // no updates while the items go
  Clear();
  TPersistent::Destroy();
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return FItems[static_cast<size_t>(index)];
}

TCollectionItem* TCollection::Add() {
  TObject* o = FItemClass->Create(this);
  auto* item = dynamic_cast<TCollectionItem*>(o);
  if (!item || item->FCollection != this) {
    platform::Free(o);
    throw EConvertError(Format("The factory of %s made no item of this collection", FItemClass->ClassName()));
  }
  return item;
}

TCollectionItem* TCollection::Insert(int index) {
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(int index) {
  TCollectionItem* item = Items(index);
  Notify(item, cnDeleting);
  item->Free();
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  try {
    while (!FItems.empty()) {
      TCollectionItem* item = FItems.back();
      Notify(item, cnDeleting);
      item->Free();
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == id) return item;
  return nullptr;
}

void TCollection::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
  FItems.push_back(item);
  item->FCollection = this;
  item->FID = FNextID++;
  Notify(item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  Notify(item, cnExtracting);
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it != FItems.end()) FItems.erase(it);
  item->FCollection = nullptr;
  Changed();
}

void TCollection::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TCollection*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : other->FItems) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TCollection::GetNamePath() {
  TPersistent* owner = GetOwner();
  if (!owner) return ClassName();
  std::string path = owner->GetNamePath();
  if (path.empty()) return ClassName();
  for (const TPropInfo* p : GetPropList(&owner->ClassType()))
    if (p->Kind == tkClass && p->GetObj && p->GetObj(owner) == this) return path + "." + p->Name;
  return ClassName();
}

}  // namespace platform
