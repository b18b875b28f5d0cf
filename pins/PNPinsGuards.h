// Destroy guards and lock sections as the pins use them.
//
// Every guard section a pin takes for an outgoing call is recorded for the calling thread.
// Waiting out a guard that the same thread holds further up its stack (a sink handler that
// unlinks or frees the source delivering to it) could never end; it is reported and the
// process aborts instead of hanging.
#pragma once

#include "pins/PNPins.h"

namespace pins {

// A new destroy guard for a pin.
RefPtr<IPNDestroyLock> NewDestroyLock(TPNObject* AOwner);

// A read or write section of a pin's own lock with the owner's lock as slave lock.
RefPtr<IPNLockSection> PinSection(TPNObject* APin, IPNLock* ASlave, bool AWrite);

// Waits until no guard section of APin is held and keeps new ones refused while the result
// lives. Aborts, naming the pin, when the calling thread itself holds one.
[[nodiscard]] RefPtr<IPNDestroyLockSection> WaitOutGuard(TPNBasicPin* APin);

// Whether the calling thread holds a guard section of APin.
bool ThreadHoldsGuard(TPNBasicPin* APin);

// A guard section of a pin for the duration of an outgoing call, recorded for the thread.
class TGuardHold {
 public:
  TGuardHold() = default;
  ~TGuardHold() { Release(); }
  TGuardHold(const TGuardHold&) = delete;
  TGuardHold& operator=(const TGuardHold&) = delete;

  // Asks APin's guard for a new section; once it is granted the section held so far is
  // released. A refused request keeps the section held so far.
  void Take(TPNBasicPin* APin);
  // Whether the last Take was granted.
  bool Granted() const { return FGranted; }
  void Release();

 private:
  RefPtr<IPNDestroyLockSection> FSection;
  IPNDestroyLock* FGuard = nullptr;
  bool FGranted = false;
};

// Drops every level of a component's owner lock (and, when asked, of its input lock) for a
// scope and takes them back in lock order: input lock first, then the owner lock.
class TOwnerLocksReleased {
 public:
  TOwnerLocksReleased(IPNLock* AOwnerLock, IPNLock* AInputLock, bool AReleaseInput);
  ~TOwnerLocksReleased() { Restore(); }
  TOwnerLocksReleased(const TOwnerLocksReleased&) = delete;
  TOwnerLocksReleased& operator=(const TOwnerLocksReleased&) = delete;
  void Restore();

 private:
  RefPtr<IPNLockSection> FInput;
  RefPtr<IPNLockSection> FOwner;
};

}  // namespace pins
