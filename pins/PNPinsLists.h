// Pin lists: an ordered, named collection of pins that a component publishes when it has a
// variable number of pins of one kind, and that stores the links of all its pins in the
// component's form resource ("Form", "Pins").
//
// While a form is read, a link may name a list item that the owner has not created yet: the
// list then holds a placeholder in its place, which hands its links over when the real pin
// is added. Placeholders stay in a list only while its owner is loading or designed; the
// first Count or item access afterwards purges them.
//
// An owning list frees its real pins when they leave it. Placeholders are never freed by a
// list: they belong to UnloadedPins, and a list lets one go by taking it out of there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pins/PNPins.h"

namespace pins {

class TPNPinList : public TPNObject {
  PF_CLASS(TPNPinList)
  PF_ALLOW_NEW;

 public:
  // A list of AOwner without an owner lock / with the owner's lock as slave lock.
  static TPNPinList* Create(TComponent* AOwner, bool IsPinsOwner);
  static TPNPinList* CreateLock(TComponent* AOwner, IPNLock* AOwnerLock, bool IsPinsOwner);

  void AfterConstruction() override;
  void BeforeDestruction() override;

  [[nodiscard]] RefPtr<IPNLockSection> ReadLock() override;
  [[nodiscard]] RefPtr<IPNLockSection> WriteLock() override;

  int32_t Add(TPNBasicPin* Item) { return AddNamed(Item, std::string()); }
  int32_t AddNamed(TPNBasicPin* Item, const std::string& Name);
  void Insert(int32_t Index, TPNBasicPin* Item) { InsertNamed(Index, Item, std::string()); }
  void InsertNamed(int32_t Index, TPNBasicPin* Item, const std::string& Name);
  void Delete(int32_t Index);
  void Remove(TPNBasicPin* Item);
  void Clear();
  void Swap(int32_t Index1, int32_t Index2);
  int32_t IndexOf(TPNBasicPin* Item);
  // The real pins (placeholders are purged first once the owner has finished loading).
  int32_t Count();
  void SetCount(int32_t Value) { (void)Value; }
  TPNBasicPin* GetItem(int32_t Index);
  TPNBasicPin* operator[](int32_t Index) { return GetItem(Index); }
  // The stored entries, placeholders included, without purging.
  int32_t EntryCount();
  TPNBasicPin* EntryAt(int32_t Index);
  int32_t UnloadedCount();

  // The stored name, or "Pin [" + Index + "]" for an empty one.
  std::string GetPinName(int32_t Index);
  void SetPinName(TPNBasicPin* Pin, const std::string& Name);
  void SetPinNameAt(int32_t Index, const std::string& Name);

  TComponent* GetOwner() const { return FOwner; }
  TComponent* GetRoot();
  bool PinsOwner() const { return FPinsOwner; }
  const std::string& LoadFormName() const { return FLoadFormName; }
  void SetLoadFormName(const std::string& Name) { FLoadFormName = Name; }
  // A name that begins with the form name the list was stored under is rewritten to begin
  // with the current root's name.
  void AdjustLoadedFormName(std::string& Name);

  // Drops every placeholder entry once the owner is neither loading nor designed.
  void PurgePlaceholders();
  // The step every "Pins" entry performs: makes sure item Index exists (placeholders up to
  // it), then links it to the peer named IdentName / DisplayName.
  void LinkPinAt(int32_t Index, TPNPinType AType, TPNPinType PeerType,
                 const std::string& IdentName, const std::string& DisplayName);
  // The published-property path of the list in its owner ("" when not published).
  std::string GetListPath();

  // Told by a placeholder item that is being destroyed.
  void PlaceholderDestroyed(TPNBasicPin* APlaceholder);

  // The "Form", "Pins" and "PinsOwner" values.
  void ReadPins(platform::TReader* Reader);
  void WritePins(platform::TWriter* Writer);
  bool HasPinsData();

 protected:
  TPNPinList(TComponent* AOwner, IPNLock* AOwnerLock, bool IsPinsOwner);
  void Destroy() override;
  void DefineProperties(platform::TFiler* Filer) override;

 private:
  struct TEntry {
    std::string Name;
    TPNBasicPin* Pin = nullptr;
  };
  // Each returns the pins that the caller frees once the list's section is released.
  void DeleteEntry(int32_t Index, std::vector<TPNBasicPin*>& ToFree,
                   std::vector<TPNBasicPin*>& ToDrop);
  void FreeAll(std::vector<TPNBasicPin*>& ToFree, std::vector<TPNBasicPin*>& ToDrop);
  void MarkPlaceholder(TPNBasicPin* Item);
  // The links of entry Index; Ident is the entry's ident when the caller has read it already.
  void ReadLinkBody(platform::TReader* Reader, int32_t Index, const std::string* Ident);
  void ReadPeerList(platform::TReader* Reader, int32_t Index, TPNPinType AType, TPNPinType PeerType);

  TComponent* FOwner = nullptr;
  RefPtr<IPNLock> FOwnerLock;
  std::vector<TEntry> FPinsList;
  bool FPinsOwner = false;
  int32_t FUnloadedCount = 0;
  std::string FLoadFormName;
  bool FInUnload = false;
};

// The pin list's access functions for pin names (PinListAccess).
int32_t PinListEntryCount(TObject* AList);
TPNBasicPin* PinListEntry(TObject* AList, int32_t Index);
std::string PinListEntryName(TObject* AList, int32_t Index);
TObject* PinListObject(TPNPinList* AList);

}  // namespace pins
