// Destroy guards, the link lock and lock sections as the pins use them. The order in which
// the pin framework takes its locks is written once in docs/ARCHITECTURE.md ("Lock order");
// the helpers here are how the code keeps it.
//
// A pin's destroy guard counts the calls that run through the pin (its own deliveries and
// upstream sends) and into it (deliveries it receives, calls of other pins into it). Only
// the pin's destruction waits for the guard: unlinking never does. Every guard section a
// thread takes is recorded for that thread: a destruction that would wait for a section its
// own thread holds further up the stack (a handler freeing the pin that is delivering to
// it) could never end; it is reported and the process aborts instead of hanging.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "pins/PNPins.h"

namespace pins {

// A new destroy guard for a pin.
RefPtr<IPNDestroyLock> NewDestroyLock(TPNObject* AOwner);

// A read or write section of a pin's own lock with the owner's lock as slave lock.
RefPtr<IPNLockSection> PinSection(TPNObject* APin, IPNLock* ASlave, bool AWrite);

// Waits until no guard section of APin is held and keeps new ones refused while the result
// lives; called by a pin's destruction, with no pin lock and not the link lock held. Aborts,
// naming the pin, when the calling thread itself holds one.
[[nodiscard]] RefPtr<IPNDestroyLockSection> WaitOutGuardToDestroy(TPNBasicPin* APin);

// Whether the calling thread holds a guard section of APin.
bool ThreadHoldsGuard(TPNBasicPin* APin);

// A guard section of a pin for the duration of a call through it or into it, recorded for
// the thread.
class TGuardHold {
 public:
  TGuardHold() = default;
  explicit TGuardHold(TPNBasicPin* APin) { Take(APin); }
  ~TGuardHold() { Release(); }
  TGuardHold(const TGuardHold&) = delete;
  TGuardHold& operator=(const TGuardHold&) = delete;

  // Asks APin's guard for a new section; once it is granted the section held so far is
  // released. A refused request (APin is being destroyed) keeps the section held so far.
  // APin must be alive: read from a pin's state under that pin's lock, or held otherwise.
  // The section of a converter's pin also holds the converter.
  void Take(TPNBasicPin* APin);
  // Whether the last Take was granted.
  bool Granted() const { return FGranted; }
  void Release();

 private:
  RefPtr<IPNDestroyLockSection> FSection;
  IPNDestroyLock* FGuard = nullptr;
  RefPtr<IPNFormatConverter> FConverter;  // the pin's converter, when its owner is one
  bool FGranted = false;
};

// Guard sections of several pins (a reader that goes on to use the pins a list names).
class TGuardHolds {
 public:
  // Takes APin's guard; false when APin is being destroyed.
  bool Take(TPNBasicPin* APin);
  void Clear() { FHolds.clear(); }

 private:
  std::deque<TGuardHold> FHolds;
};

// The members of a state link that are not being destroyed, each guard held in AHolds; the
// guards are taken under the link's lock (members are alive while they belong to it).
std::vector<TPNStateMember> HoldStateMembers(TPNStateDispatcher* ALink, TGuardHolds& AHolds);
// Whether AMember still belongs to ALink; if so its connection pin's guard is taken into
// AHold (false when refused).
bool HoldStateMember(TPNStateDispatcher* ALink, const TPNStateMember& AMember, TGuardHold& AHold);

// A flag of one object for the calling thread only, set while the scope lives: what a pin
// is doing on this thread (an unlink running, a join by state asking members, a dependency
// query) must not change what it does for other threads.
enum class TThreadFlagKind { InDisconnect, InConnect, InDependOn };
class TThreadFlag {
 public:
  TThreadFlag(TThreadFlagKind AKind, const void* AObject);
  ~TThreadFlag();
  TThreadFlag(const TThreadFlag&) = delete;
  TThreadFlag& operator=(const TThreadFlag&) = delete;
  static bool IsSet(TThreadFlagKind AKind, const void* AObject);

 private:
  TThreadFlagKind FKind;
  const void* FObject;
};

// ---------------------------------------------------------------------------------------
// The link lock: one process-wide recursive lock held by every change of links (link
// entries, sink sources, state-link membership, placeholder records) and by the last step
// of a pin's teardown, in which every other pin forgets it. While a thread holds it, every
// pin that link state refers to is alive. Deliveries drop every level of it for their
// calls, so that no handler ever runs under it.

class TPNLinkLockHold {
 public:
  // Takes the link lock (recursively); no pin lock may be held when the thread does not hold
  // it yet.
  TPNLinkLockHold();
  // The outermost hold also frees what was left to free while it was held (below).
  ~TPNLinkLockHold();
  TPNLinkLockHold(const TPNLinkLockHold&) = delete;
  TPNLinkLockHold& operator=(const TPNLinkLockHold&) = delete;
};

// Whether the calling thread holds the link lock.
bool ThreadHoldsLinkLock();

// Drops every level of the link lock the thread holds for a scope (a delivery) and takes
// them back at its end. What the thread let go under the link lock before the scope stays
// for the holder that let it go: the scope frees only what it lets go itself, since the
// frames further up may still hold what they let go.
struct TPNDeferredFrees;
class TPNLinkLockDropped {
 public:
  TPNLinkLockDropped();
  ~TPNLinkLockDropped();
  TPNLinkLockDropped(const TPNLinkLockDropped&) = delete;
  TPNLinkLockDropped& operator=(const TPNLinkLockDropped&) = delete;

 private:
  int FLevels = 0;
  std::unique_ptr<TPNDeferredFrees> FOuter;  // set aside while the scope lives
};

// A converter reference dropped, or a placeholder or converter freed, while the thread holds
// the link lock or the registry lock is let go only when it holds neither any more: the
// teardown of a pin takes both and waits for calls into it, which may want them.
void ReleaseOutsideLinkLock(RefPtr<IPNFormatConverter> AConverter);
void FreeOutsideLinkLock(platform::TObject* AObject);
// Kept by TPNRegistryLockHold: the thread's depth in the registry lock (and its place in the
// lock-order checks).
void EnteringRegistryLock();
void EnteredRegistryLock();
void LeftRegistryLock();

// ---------------------------------------------------------------------------------------
// Calls from one pin into another

// Calls ACall, which calls into APeer, with APeer's destroy guard held and every level of
// ASelf's own lock dropped (taken back when ACall returns). The guard is taken first, while
// the caller still holds its lock: call it with APeer read from ASelf's state under that lock
// (or otherwise known to be alive). When APeer is being destroyed ACall is not run: the
// result is false, or an empty std::optional when ACall returns a value.
template <class F>
auto CallPeer(TPNBasicPin* ASelf, TPNBasicPin* APeer, F&& ACall) {
  using R = std::invoke_result_t<F&>;
  // Declared first, so that the own lock comes back last: the peer's guard (which may hold
  // the last reference of a converter) goes while the own lock is still dropped.
  RefPtr<IPNLockSection> dropped;
  TGuardHold peer;
  if (APeer) peer.Take(APeer);
  if (peer.Granted() && ASelf) dropped = ASelf->UnlockAll();
  if constexpr (std::is_void_v<R>) {
    if (!peer.Granted()) return false;
    ACall();
    return true;
  } else {
    if (!peer.Granted()) return std::optional<R>();
    return std::optional<R>(ACall());
  }
}

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

// Everything a delivery drops while it calls out, taken back in lock order when it ends:
// the owner locks of the sending pin (see TOwnerLocksReleased), the link lock and every
// level of the sending pin's own lock. Dropped at the first Drop (right before the first
// call out), so that a delivery that calls nobody changes no lock.
class TDeliveryLocksReleased {
 public:
  TDeliveryLocksReleased(TPNPin* ASender, IPNLock* AInputLock, bool AReleaseInput)
      : FSender(ASender), FInputLock(AInputLock), FReleaseInput(AReleaseInput) {}
  ~TDeliveryLocksReleased() { Restore(); }
  TDeliveryLocksReleased(const TDeliveryLocksReleased&) = delete;
  TDeliveryLocksReleased& operator=(const TDeliveryLocksReleased&) = delete;
  void Drop();
  void Restore();

 private:
  TPNPin* FSender;
  IPNLock* FInputLock;
  bool FReleaseInput;
  std::optional<TOwnerLocksReleased> FOwnerLocks;
  std::optional<TPNLinkLockDropped> FLinks;
  RefPtr<IPNLockSection> FOwn;
};

// A delivery that goes on through a format converter (the call of the converter's input)
// carries its snapshot across the hop: while this lives on the thread, the first delivery
// through the converter's output (the one the call makes) leaves out the output's links with
// a serial above AMark (made after the outer delivery began; 0: no bound), and, with
// ATarget, reaches ATarget alone, with AState (a new link's first operation, or an operation
// a source sends to one sink, must not reach every sink the converter serves).
class TDeliveryThroughConverter {
 public:
  TDeliveryThroughConverter(TPNBasicPin* AConnectionPin, TPNBasicPin* ATarget, TPNNotifyState AState,
                            uint64_t AMark);
  ~TDeliveryThroughConverter();
  TDeliveryThroughConverter(const TDeliveryThroughConverter&) = delete;
  TDeliveryThroughConverter& operator=(const TDeliveryThroughConverter&) = delete;

  struct TRedirect {
    TPNBasicPin* Output = nullptr;
    TPNBasicPin* Target = nullptr;
    TPNNotifyState State;
    uint64_t Mark = 0;  // the highest link serial the delivery may use; 0: no bound
    bool Taken = false;
  };
  // The outer delivery's bound and target for a delivery through AOutput on this thread
  // (Target null and Mark 0 when there is none); taken for that one delivery.
  static TRedirect Take(TPNBasicPin* AOutput);

 private:
  RefPtr<IPNFormatConverter> FConverter;  // AConnectionPin's converter, alive meanwhile
  TPNBasicPin* FOutput = nullptr;
};

}  // namespace pins
