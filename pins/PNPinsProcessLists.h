// Pins: the process-wide lists of pins and state links.
// Part of pins/PNPins.h, which includes the pin headers in order.
#pragma once

#include "pins/PNPinsNames.h"

namespace pins {

// ---------------------------------------------------------------------------------------
// Process-wide lists

class TPNBasicPinList {
 public:
  explicit TPNBasicPinList(bool AOwnsObjects = false) : FOwnsObjects(AOwnsObjects) {}
  virtual ~TPNBasicPinList();
  TPNBasicPinList(const TPNBasicPinList&) = delete;
  TPNBasicPinList& operator=(const TPNBasicPinList&) = delete;

  int32_t Add(TPNBasicPin* APin);
  // Removes the pin from the list (without freeing it).
  void Extract(TPNBasicPin* APin);
  int32_t IndexOf(TPNBasicPin* APin) const;
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TPNBasicPin* Items(int32_t Index) const { return FItems[static_cast<size_t>(Index)]; }
  TPNBasicPin* GetByIdentName(TComponent* ARoot, const std::string& APinName);
  TPNBasicPin* GetByDisplayName(TComponent* ARoot, const std::string& APinName);
  bool OwnsObjects() const { return FOwnsObjects; }

 protected:
  std::vector<TPNBasicPin*> FItems;
  bool FOwnsObjects;
};

// Makes a placeholder pin standing for a pin not loaded yet (set by the placeholder unit;
// without it names that no pin bears resolve to nothing).
// The new placeholder's guard is taken into AHold (when given) before another thread can
// find it.
using TPNCreatePlaceholder = TPNBasicPin* (*)(TComponent* ARoot, TPNPinType AType,
                                              const std::string& APinIdentName,
                                              const std::string& APinDisplayName,
                                              const std::string& ACreatedFrom, TGuardHold* AHold);
extern TPNCreatePlaceholder CreatePlaceholderPin;
// Hands a placeholder's links over to the real pin and frees the placeholder (set by the
// placeholder unit). The caller holds the placeholder's guard in AHeld; it is released
// before the placeholder is freed.
extern void (*PopulatePlaceholder)(TPNBasicPin* APlaceholder, TPNBasicPin* APin, TGuardHold* AHeld);
// Finds a named state link (set by the state-link unit).
extern TPNStateDispatcher* (*FindStateDispatcher)(const std::string& AName, bool DesignTime);
// Whether a pin is a placeholder (class named TPNUnloadedPin or below).
bool IsPlaceholder(TPNBasicPin* APin);

class TPNInternalPinList : public TPNBasicPinList {
 public:
  using TPNBasicPinList::TPNBasicPinList;
  // The pin found or made, its guard taken into AHold (when given) while it is known alive
  // (under the registry lock, or before a new placeholder is registered).
  TPNBasicPin* GetByNameCreate(TComponent* ARoot, TPNPinType AType,
                               const std::string& APinIdentName,
                               const std::string& APinDisplayName,
                               const std::string& ACreatedFrom, TGuardHold* AHold = nullptr);
};

extern TPNCriticalSection* PinRegistryLock;
extern std::vector<TPNStateDispatcher*>* DesignTimeStateDispatchers;
extern std::vector<TPNStateDispatcher*>* RunTimeStateDispatchers;
extern TPNInternalPinList* AllPins;
extern std::vector<TPNPinList*>* AllPinLists;
extern TPNBasicPinList* UnloadedPins;

// Holds PinRegistryLock for a scope.
class TPNRegistryLockHold {
 public:
  TPNRegistryLockHold();
  ~TPNRegistryLockHold();
  TPNRegistryLockHold(const TPNRegistryLockHold&) = delete;
  TPNRegistryLockHold& operator=(const TPNRegistryLockHold&) = delete;
};

// The number of pins alive (registered in AllPins).
int32_t AllPinsCount();

// A component starts being destroyed: waits, with no lock held, until no other thread runs a
// call through or into one of its pins (reading a pin's name walks its owner's published
// properties, which the owner is about to change), and keeps new calls refused until each
// pin is freed. Installed as the platform's component-destroying hook by the pin unit.
void OwnerDestroying(TComponent* AOwner);

}  // namespace pins
