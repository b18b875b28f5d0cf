// Names of pins: the root component rule, property paths over published properties and the
// name getters built on them ("Form1.PXHoughCircles1.InputPin").
#include <algorithm>

#include "pins/PNPins.h"
#include "pins/PNPinsLists.h"

namespace pins {

TPNPinListAccess PinListAccess{&PinListEntryCount, &PinListEntry, &PinListEntryName,
                                &PinListObject};

namespace {

constexpr int32_t kMaxCollectDepth = 21;

bool IsPinList(TObject* AObject) { return AObject && AObject->InheritsFrom("TPNPinList"); }

bool IsComponent(TObject* AObject) { return dynamic_cast<TComponent*>(AObject) != nullptr; }

bool IsDestroyingComponent(TObject* AObject) {
  auto* c = dynamic_cast<TComponent*>(AObject);
  return c && c->ComponentState().Contains(platform::csDestroying);
}

std::string PinListItemName(TObject* AList, int32_t Index) {
  if (PinListAccess.ItemName) return PinListAccess.ItemName(AList, Index);
  return "Pin [" + std::to_string(Index) + "]";
}

std::string FindPath(TObject* AObject, const std::string& AClassName, TObject* ATarget,
                     std::vector<TObject*>& AVisited) {
  if (!AObject || IsDestroyingComponent(AObject)) return {};
  for (const platform::TPropInfo* prop : platform::GetPropList(&AObject->ClassType())) {
    if (prop->Kind != platform::tkClass || !prop->GetObj) continue;
    TObject* value = prop->GetObj(AObject);
    if (!value) continue;
    if (value == ATarget) return prop->Name;
    if (IsPinList(value)) {
      if (PinListAccess.Count && PinListAccess.Item)
        for (int32_t i = 0, n = PinListAccess.Count(value); i < n; ++i) {
          TPNBasicPin* item = PinListAccess.Item(value, i);
          if (item && item == ATarget && item->InheritsFrom(AClassName))
            return prop->Name + "." + PinListItemName(value, i);
        }
      continue;
    }
    if (!dynamic_cast<platform::TPersistent*>(value) || IsComponent(value)) continue;
    if (std::find(AVisited.begin(), AVisited.end(), value) != AVisited.end()) continue;
    AVisited.push_back(value);
    std::string inner = FindPath(value, AClassName, ATarget, AVisited);
    if (!inner.empty()) return prop->Name + "." + inner;
  }
  return {};
}

bool CollectPaths(TObject* AObject, const std::string& AClassName, bool AUseIndexNames,
                  const std::string& APrefix, std::vector<TPNPinPathItem>& AList,
                  int32_t ADepth, std::vector<TObject*>& AVisited) {
  if (ADepth >= kMaxCollectDepth) return false;
  if (!AObject || IsDestroyingComponent(AObject)) return true;
  try {
    for (const platform::TPropInfo* prop : platform::GetPropList(&AObject->ClassType())) {
      if (prop->Kind != platform::tkClass || !prop->GetObj) continue;
      TObject* value = prop->GetObj(AObject);
      if (!value) continue;
      if (value->InheritsFrom(AClassName)) AList.push_back({APrefix + prop->Name, value});
      if (IsPinList(value)) {
        if (PinListAccess.Count && PinListAccess.Item)
          for (int32_t i = 0, n = PinListAccess.Count(value); i < n; ++i) {
            TPNBasicPin* item = PinListAccess.Item(value, i);
            if (!item || !item->InheritsFrom(AClassName)) continue;
            std::string name = AUseIndexNames ? "._Pin" + std::to_string(i)
                                              : "." + PinListItemName(value, i);
            AList.push_back({APrefix + prop->Name + name, item});
          }
        continue;
      }
      if (!dynamic_cast<platform::TPersistent*>(value) || IsComponent(value)) continue;
      if (std::find(AVisited.begin(), AVisited.end(), value) != AVisited.end()) continue;
      AVisited.push_back(value);
      // A nested walk's failure is not passed up.
      CollectPaths(value, AClassName, AUseIndexNames, APrefix + prop->Name + ".", AList,
                   ADepth + 1, AVisited);
    }
  } catch (...) {
    return false;
  }
  return true;
}

}  // namespace

std::string RootNamePart(const std::string& AName) {
  const size_t p = AName.find('.');
  return p == std::string::npos ? std::string() : AName.substr(0, p);
}

std::string AfterRootNamePart(const std::string& AName) {
  const size_t p = AName.find('.');
  return p == std::string::npos ? std::string() : AName.substr(p + 1);
}

void AdjustFormNamePart(std::string& AName, const std::string& ALoadFormName, TComponent* ARoot) {
  if (ALoadFormName.empty() || !ARoot || AName.size() <= ALoadFormName.size() ||
      AName.compare(0, ALoadFormName.size(), ALoadFormName) != 0 || AName[ALoadFormName.size()] != '.')
    return;
  AName.replace(0, ALoadFormName.size(), ARoot->Name());
}

TComponent* GetRootComponent(TComponent* C) {
  while (C) {
    TComponent* owner = C->Owner();
    if (!owner || owner->InheritsFrom("TApplication") || C->InheritsFrom("TCustomForm")) return C;
    C = owner;
  }
  return nullptr;
}

std::string FindPinPath(TObject* Object, const std::string& ClassName, TObject* Target) {
  std::vector<TObject*> visited;
  try {
    return FindPath(Object, ClassName, Target, visited);
  } catch (...) {
    return {};
  }
}

bool CollectPinPaths(TObject* Object, const std::string& ClassName, bool UseIndexNames,
                     std::vector<TPNPinPathItem>& List, int32_t Depth) {
  std::vector<TObject*> visited;
  return CollectPaths(Object, ClassName, UseIndexNames, std::string(), List, Depth, visited);
}

std::string GetPinPath(TPNPin* Pin, bool IncludeRootForm, bool IdentForm) {
  if (!Pin) return {};
  TComponent* owner = Pin->GetOwner();
  if (!owner) return "(No owner)";
  std::string path = owner->Name() + ".";
  TPNPinList* list = Pin->OwnerPinList();
  TObject* listObject = list && PinListAccess.AsObject ? PinListAccess.AsObject(list) : nullptr;
  if (listObject) {
    path += FindPinPath(owner, "TPNPinList", listObject);
    int32_t index = -1;
    if (PinListAccess.Count && PinListAccess.Item)
      for (int32_t i = 0, n = PinListAccess.Count(listObject); i < n && index < 0; ++i)
        if (PinListAccess.Item(listObject, i) == Pin) index = i;
    if (IdentForm)
      path += "._Pin" + std::to_string(index);
    else
      path += "." + PinListItemName(listObject, index);
  } else {
    path += FindPinPath(owner, "TPNPin", Pin);
  }
  if (IncludeRootForm) path = Pin->GetRootName() + "." + path;
  return path;
}

std::string TPNPin::GetFullName(bool IncludeRootForm) {
  return GetPinPath(this, IncludeRootForm, false);
}

std::string TPNPin::GetFullIdentName(bool IncludeRootForm) {
  return GetPinPath(this, IncludeRootForm, true);
}

// Takes no pin lock (names are read under the registry lock, which never waits for one).
std::string TPNPin::GetName() { return AfterRootNamePart(GetFullName(false)); }

// Takes no pin lock.
std::string TPNPin::GetSaveName() { return AfterRootNamePart(GetFullIdentName(false)); }

// Takes no pin lock: the remembered name has a mutex of its own, held for the copy only.
std::string TPNPin::GetRootName() {
  TComponent* root = FOwner && FOwner->Owner() ? GetRootComponent(FOwner) : nullptr;
  const std::string name = root ? root->Name() : std::string();
  std::lock_guard<std::mutex> g(FRootNameMutex);
  if (root) FLastRootName = name;
  return FLastRootName;
}

}  // namespace pins
