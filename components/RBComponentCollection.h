// The process-wide registry of component classes, grouped by the class of the component that
// collects them: for each collector class, the classes it may contain, with a display name for
// each. Components and design tools register into it; nothing in the system itself does.
//
// The unit creates the registry and an invisible form (made without owner and kept) when it
// starts, as the last unit of the start-up list, and frees both when it stops, as the first.
//
// Threads: no locking; the registry is meant to be filled at start-up on the main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/Objects.h"
#include "platform/Units.h"

namespace components {

using platform::TClass;

// One group: the classes a collector class may contain, in the order added.
class TRBCollectionComponentClass : public platform::TObject {
  PF_CLASS(TRBCollectionComponentClass)
  PF_ALLOW_NEW;

 public:
  TClass ComponentCollectorClass() const { return FComponentCollectorClass; }
  // The collector class's name.
  const std::string& CollectorClassName() const { return FClassName; }

  // Appends a class and its display name; returns its index. Duplicates are kept.
  int32_t Add(TClass AClass, const std::string& AName);
  int32_t Count() const { return static_cast<int32_t>(FClasses.size()); }
  // The class, its class name and its display name at Index; EListError "List index out of
  // bounds (%d)" outside 0 .. Count - 1.
  TClass Classes(int32_t Index) const;
  const std::string& ClassNames(int32_t Index) const;
  const std::string& Names(int32_t Index) const;

 protected:
  explicit TRBCollectionComponentClass(TClass ACollectorClass);

 private:
  void CheckIndex(int32_t Index) const;

  std::vector<TClass> FClasses;
  std::string FClassName;
  TClass FComponentCollectorClass = nullptr;
  std::vector<std::string> FClassNames;
  std::vector<std::string> FNames;
};

// The registry: owns its groups.
class TRBCollectionComponentClasses : public platform::TObject {
  PF_CLASS(TRBCollectionComponentClasses)
  PF_ALLOW_NEW;

 public:
  // Appends a group; the registry owns it from now on.
  void Add(TRBCollectionComponentClass* APointClass);
  int32_t Count() const { return static_cast<int32_t>(FList.size()); }
  // EListError "List index out of bounds (%d)" outside 0 .. Count - 1.
  TRBCollectionComponentClass* Items(int32_t Index) const;

 protected:
  TRBCollectionComponentClasses() = default;
  void Destroy() override;

 private:
  std::vector<TRBCollectionComponentClass*> FList;
};

// The registry and the unit's invisible form while the unit runs; null otherwise.
TRBCollectionComponentClasses* CollectionComponentClasses();
platform::TForm* CollectionComponentForm();

extern const platform::TUnit RBComponentCollectionUnit;

}  // namespace components
