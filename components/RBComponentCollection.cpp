#include "components/RBComponentCollection.h"

#include "platform/SysUtils.h"

namespace components {
namespace {

TRBCollectionComponentClasses* Registry = nullptr;
platform::TForm* InvisibleForm = nullptr;

void ListIndexError(int32_t Index) {
  throw platform::EListError(platform::Format("List index out of bounds (%d)", Index));
}

void RBComponentCollectionInitialization() {
  Registry = platform::New<TRBCollectionComponentClasses>();
  InvisibleForm = platform::TForm::CreateNew(nullptr);
  InvisibleForm->Visible = false;
}

void RBComponentCollectionFinalization() {
  if (!Registry) return;
  platform::FreeAndNil(InvisibleForm);
  platform::FreeAndNil(Registry);
}

}  // namespace

PF_DEFINE_CLASS(TRBCollectionComponentClass, platform::TObject)
PF_DEFINE_CLASS(TRBCollectionComponentClasses, platform::TObject)

const platform::TUnit RBComponentCollectionUnit{"RBComponentCollection", RBComponentCollectionInitialization,
                                                RBComponentCollectionFinalization};

TRBCollectionComponentClasses* CollectionComponentClasses() { return Registry; }
platform::TForm* CollectionComponentForm() { return InvisibleForm; }

// ---- TRBCollectionComponentClass ----------------------------------------------------------

TRBCollectionComponentClass::TRBCollectionComponentClass(TClass ACollectorClass)
    : FClassName(ACollectorClass ? ACollectorClass->ClassName() : ""),
      FComponentCollectorClass(ACollectorClass) {}

int32_t TRBCollectionComponentClass::Add(TClass AClass, const std::string& AName) {
  FClasses.push_back(AClass);
  FClassNames.emplace_back(AClass ? AClass->ClassName() : "");
  FNames.push_back(AName);
  return Count() - 1;
}

void TRBCollectionComponentClass::CheckIndex(int32_t Index) const {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
}

TClass TRBCollectionComponentClass::Classes(int32_t Index) const {
  CheckIndex(Index);
  return FClasses[static_cast<size_t>(Index)];
}

const std::string& TRBCollectionComponentClass::ClassNames(int32_t Index) const {
  CheckIndex(Index);
  return FClassNames[static_cast<size_t>(Index)];
}

const std::string& TRBCollectionComponentClass::Names(int32_t Index) const {
  CheckIndex(Index);
  return FNames[static_cast<size_t>(Index)];
}

// ---- TRBCollectionComponentClasses --------------------------------------------------------

void TRBCollectionComponentClasses::Add(TRBCollectionComponentClass* APointClass) {
  FList.push_back(APointClass);
}

TRBCollectionComponentClass* TRBCollectionComponentClasses::Items(int32_t Index) const {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  return FList[static_cast<size_t>(Index)];
}

void TRBCollectionComponentClasses::Destroy() {
  std::vector<TRBCollectionComponentClass*> groups;
  groups.swap(FList);
  for (TRBCollectionComponentClass* g : groups) platform::Free(g);
  TObject::Destroy();
}

}  // namespace components
