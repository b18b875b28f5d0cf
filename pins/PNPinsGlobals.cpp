// The pin framework's process-wide lock and lists, made at start-up and freed at shutdown.
#include "pins/PNPinsGlobals.h"

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <thread>
#include <unordered_set>

#include "pins/PNPins.h"
#include "pins/PNPinsGuards.h"
#include "pins/PNPinsPlaceholders.h"
#include "pins/PNPinsStateLinks.h"

namespace pins {

TPNCriticalSection* PinRegistryLock = nullptr;
std::vector<TPNStateDispatcher*>* DesignTimeStateDispatchers = nullptr;
std::vector<TPNStateDispatcher*>* RunTimeStateDispatchers = nullptr;
TPNInternalPinList* AllPins = nullptr;
std::vector<TPNPinList*>* AllPinLists = nullptr;
TPNBasicPinList* UnloadedPins = nullptr;

TPNCreatePlaceholder CreatePlaceholderPin = &NewPlaceholderPin;
void (*PopulatePlaceholder)(TPNBasicPin* APlaceholder, TPNBasicPin* APin, TGuardHold* AHeld) =
    &PopulatePlaceholderPin;
TPNStateDispatcher* (*FindStateDispatcher)(const std::string& AName, bool DesignTime) =
    &FindNamedStateDispatcher;

namespace {

// Set when shutdown found pins still alive: the registry lock and AllPins then stay until the
// last of them is gone, since every pin needs them while it is destroyed.
std::atomic<bool> GFreeWhenEmpty{false};
// Raised whenever a pin leaves AllPins.
std::atomic<uint32_t> GUnregistered{0};

void FreeRegistry() {
  delete AllPins;
  AllPins = nullptr;
  delete PinRegistryLock;
  PinRegistryLock = nullptr;
  GFreeWhenEmpty = false;
}

void PNPinsInitialization() {
  if (const char* checks = std::getenv("PF_CHECK_LOCK_ORDER"); checks && std::string(checks) == "1")
    SetLockOrderChecks(true);
  platform::ComponentDestroyingHook = &OwnerDestroying;
  PinRegistryLock = new TPNCriticalSection;
  DesignTimeStateDispatchers = new std::vector<TPNStateDispatcher*>;
  RunTimeStateDispatchers = new std::vector<TPNStateDispatcher*>;
  AllPins = new TPNInternalPinList(false);
  AllPinLists = new std::vector<TPNPinList*>;
  UnloadedPins = new TPNBasicPinList(true);
}

// Takes the registry lock to see whether pins are left.
void PNPinsFinalization() {
  delete DesignTimeStateDispatchers;
  DesignTimeStateDispatchers = nullptr;
  delete RunTimeStateDispatchers;
  RunTimeStateDispatchers = nullptr;
  // Destroys the placeholders still held.
  TPNBasicPinList* unloaded = UnloadedPins;
  UnloadedPins = nullptr;
  delete unloaded;
  delete AllPinLists;
  AllPinLists = nullptr;
  bool empty;
  {
    TPNRegistryLockHold hold;
    empty = AllPins->Count() == 0;
    if (!empty) GFreeWhenEmpty = true;
  }
  if (empty) FreeRegistry();
  ClearRegistries();
}

}  // namespace

void PinUnregistered() {
  GUnregistered.fetch_add(1);
  // Called by a pin after it left AllPins, outside PinRegistryLock.
  if (GFreeWhenEmpty && AllPins && AllPins->Count() == 0) FreeRegistry();
}

// Takes the registry lock.
TPNRegistryLockHold::TPNRegistryLockHold() {
  EnteringRegistryLock();
  if (PinRegistryLock) PinRegistryLock->Enter();
  EnteredRegistryLock();
}

// Releases the registry lock (and then frees what was deferred under it).
TPNRegistryLockHold::~TPNRegistryLockHold() {
  if (PinRegistryLock) PinRegistryLock->Leave();
  LeftRegistryLock();
}

// Takes the registry lock to find the owner's pins (each held by its guard meanwhile); waits
// for their guards with no lock held.
void OwnerDestroying(TComponent* AOwner) {
  std::vector<TPNBasicPin*> pins;
  std::vector<RefPtr<IPNDestroyLockSection>> held;
  {
    TPNRegistryLockHold hold;
    if (!AllPins) return;
    for (int32_t i = 0; i < AllPins->Count(); ++i) {
      TPNBasicPin* pin = AllPins->Items(i);
      if (pin->GetOwner() != AOwner) continue;
      if (RefPtr<IPNDestroyLockSection> section = pin->DestroyGuard()->Lock()) {
        held.push_back(std::move(section));
        pins.push_back(pin);
      }
    }
  }
  // The pins belong to AOwner, which frees them after this: held until now, they are alive.
  held.clear();
  for (TPNBasicPin* pin : pins)
    if (!pin->FOwnerTeardown) pin->FOwnerTeardown = WaitOutGuardToDestroy(pin);
}

// Takes the registry lock.
int32_t AllPinsCount() {
  if (!AllPins) return 0;
  TPNRegistryLockHold hold;
  return AllPins->Count();
}

const platform::TUnit PNPinsUnit = {"PNPins", &PNPinsInitialization, &PNPinsFinalization};

// Called under the link lock. Takes the registry lock only to copy AllPins (and, after a pin
// has left it, to see whether a pin copied is still there): a pin stays registered, and so
// alive, while this thread holds the link lock.
void TellRegisteredPins(const std::function<void(TPNBasicPin*)>& ATell) {
  std::vector<TPNBasicPin*> pins;
  uint32_t left;
  {
    TPNRegistryLockHold hold;
    if (!AllPins) return;
    for (int32_t i = AllPins->Count() - 1; i >= 0; --i) pins.push_back(AllPins->Items(i));
    left = GUnregistered.load();
  }
  for (TPNBasicPin* pin : pins) {
    // A pin told may deliver (and so drop the link lock for a moment): a pin freed meanwhile
    // is no longer registered.
    if (GUnregistered.load() != left) {
      TPNRegistryLockHold hold;
      if (!AllPins || AllPins->IndexOf(pin) < 0) continue;
    }
    ATell(pin);
  }
}

// ---------------------------------------------------------------------------------------
// Pin lists for lookups by name

TPNBasicPinList::~TPNBasicPinList() {
  std::vector<TPNBasicPin*> items;
  items.swap(FItems);
  if (FOwnsObjects)
    for (size_t i = items.size(); i-- > 0;) items[i]->Free();
}

int32_t TPNBasicPinList::Add(TPNBasicPin* APin) {
  int32_t i = IndexOf(APin);
  if (i >= 0) return i;
  FItems.push_back(APin);
  return Count() - 1;
}

void TPNBasicPinList::Extract(TPNBasicPin* APin) {
  int32_t i = IndexOf(APin);
  if (i >= 0) FItems.erase(FItems.begin() + i);
}

int32_t TPNBasicPinList::IndexOf(TPNBasicPin* APin) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == APin) return static_cast<int32_t>(i);
  return -1;
}

namespace {
// Whether a registered pin may be asked its name now: its owner has been built (its
// published pins are set) and the pin is not being destroyed (AHold keeps it so meanwhile).
bool HoldForNaming(TPNBasicPin* APin, TGuardHold& AHold) {
  TComponent* owner = APin->GetOwner();
  if (owner && !owner->Constructed()) return false;
  AHold.Take(APin);
  return AHold.Granted();
}
}  // namespace

// Takes the registry lock; each pin is asked its name (no pin lock) with its guard held.
TPNBasicPin* TPNBasicPinList::GetByIdentName(TComponent* ARoot, const std::string& APinName) {
  TPNRegistryLockHold hold;
  const std::string shortName = AfterRootNamePart(APinName);
  for (TPNBasicPin* p : FItems) {
    TGuardHold held;
    if (!HoldForNaming(p, held)) continue;
    TComponent* root = p->GetRoot();
    const std::string full = p->GetFullIdentName(true);
    const std::string rootName = RootNamePart(full);
    if (root && ARoot && root != ARoot) {
      if (rootName != ARoot->Name() && full == APinName) return p;
    } else {
      if ((!ARoot || rootName == ARoot->Name()) && p->GetFullIdentName(false) == APinName)
        return p;
      if (full == APinName || full == shortName) return p;
    }
  }
  return nullptr;
}

// Takes the registry lock; each pin is asked its name (no pin lock) with its guard held.
TPNBasicPin* TPNBasicPinList::GetByDisplayName(TComponent* ARoot, const std::string& APinName) {
  TPNRegistryLockHold hold;
  for (TPNBasicPin* p : FItems) {
    TGuardHold held;
    if (!HoldForNaming(p, held)) continue;
    TComponent* root = p->GetRoot();
    if (root && ARoot && root != ARoot) continue;
    if (p->GetFullName(false) == APinName || p->GetFullName(true) == APinName) return p;
  }
  return nullptr;
}

// Takes the registry lock for each look-up (the pins are asked their names under it, which
// takes no pin lock); the pin found is held (AHold) before the registry lock is released.
TPNBasicPin* TPNInternalPinList::GetByNameCreate(TComponent* ARoot, TPNPinType AType,
                                                 const std::string& APinIdentName,
                                                 const std::string& APinDisplayName,
                                                 const std::string& ACreatedFrom, TGuardHold* AHold) {
  if (APinIdentName.empty()) return nullptr;
  {
    TPNRegistryLockHold hold;
    TPNBasicPin* p = GetByIdentName(ARoot, APinIdentName);
    if (!p) p = GetByDisplayName(ARoot, APinDisplayName);
    if (p) {
      if (!AHold) return p;
      AHold->Take(p);
      if (AHold->Granted()) return p;
    }
  }
  if (!CreatePlaceholderPin) return nullptr;
  return CreatePlaceholderPin(ARoot, AType, APinIdentName, APinDisplayName, ACreatedFrom, AHold);
}

bool IsPlaceholder(TPNBasicPin* APin) { return APin && APin->InheritsFrom("TPNUnloadedPin"); }

// ---------------------------------------------------------------------------------------
// Format converters as the pins see them

bool IsFormatConverter(TComponent* AOwner) {
  return AOwner && AOwner->InheritsFrom("TPNFormatConverter");
}

RefPtr<IPNFormatConverter> ConverterOf(TComponent* AOwner) {
  if (!IsFormatConverter(AOwner)) return nullptr;
  auto* converter = dynamic_cast<IPNFormatConverter*>(AOwner);
  if (!converter || !converter->TryAddRef()) return nullptr;
  RefPtr<IPNFormatConverter> held(converter);  // a reference of its own
  converter->Release();                         // the one TryAddRef added
  return held;
}

TPNFormatConverterPins* ConverterPins(IPNFormatConverter* AConverter) {
  return AConverter ? dynamic_cast<TPNFormatConverterPins*>(AConverter) : nullptr;
}

}  // namespace pins
