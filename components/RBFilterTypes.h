// Hand-over to the main thread.
//
// A notifier (TRBMainThreadNotify) lets any thread have a call-back run on the main thread:
// it posts the private message 0x8600 to one hidden window, and the main thread's message
// loop runs the call-back when it dispatches the message. Called on the main thread without
// the force flag, the call-back runs at once instead. At most one post per notifier is
// pending: notifications made while one is pending are served by that one call-back.
//
// The hidden window belongs to a process-wide node (TRBMainWindowNode) that lives from the
// first notifier's creation to the last one's destruction. Posts name their notifier by a
// number that is never used again, not by address: a post whose notifier has been freed
// meanwhile finds no live notifier of that number and is dropped, also when a new notifier
// happens to sit at the same address.
//
// Threads: Notify may be called from any thread. The call-back runs on the main thread. A
// notifier may be freed on any thread but its call-back's: freeing waits until a call-back
// of it that runs on another thread has returned (its own call-back may free it).
#pragma once

#include <atomic>
#include <cstdint>
#include <map>

#include "binding/PXOpenCV.h"
#include "platform/Messages.h"
#include "platform/Methods.h"
#include "platform/Objects.h"

namespace components {

using platform::TObject;

// Raised when an optional library or one of its entry points cannot be loaded (the OpenCV
// wrapper's binding raises it; nothing here does).
using binding::ERBDLLLoadError;

// The private message that hands a notifier (its number in WParam) to the main thread.
constexpr uint32_t RBMainThreadNotifyMessage = platform::WM_MAINTHREADNOTIFY;

// Handles a message of the hidden window; true when handled.
using TRBHiddenFormMessageEvent = platform::TMethod<bool(platform::TMessage& Message)>;

// A hidden window of the main thread's message loop. Every message goes to the message
// event first and then to the default window procedure.
class TRBHiddenForm : public TObject {
  PF_CLASS(TRBHiddenForm)
  PF_ALLOW_NEW;

 public:
  platform::HWND GetHandle() const { return FHandle; }

 protected:
  explicit TRBHiddenForm(TRBHiddenFormMessageEvent AOnMessage);
  void Destroy() override;

 private:
  void Hook(platform::TMessage& Message);

  platform::HWND FHandle = 0;
  TRBHiddenFormMessageEvent FOnMessage;
};

class TRBMainThreadNotify;

// The owner of the hidden window and the register of live notifiers. The node exists while
// at least one notifier does; its class methods are safe on any thread.
class TRBMainWindowNode : public TObject {
  PF_CLASS(TRBMainWindowNode)
  PF_ALLOW_NEW;

 public:
  // Registers a notifier, creating the node and its window for the first one.
  static void AddReff(TRBMainThreadNotify* ANotifyItem);
  // Unregisters a notifier (waiting out a call-back of it running on another thread) and
  // frees the node with its window after the last one.
  static void RemoveReff(TRBMainThreadNotify* ANotifyItem);
  // The hidden window; 0 while no notifier exists.
  static platform::HWND GetHandle();
  // The number of live notifiers.
  static int32_t NotifierCount();

 protected:
  TRBMainWindowNode();
  void Destroy() override;

 private:
  // The hidden window's message event: runs the call-back of the live notifier named by a
  // 0x8600 message; false for every other message.
  bool HandleMessage(platform::TMessage& Message);

  TRBHiddenForm* FForm = nullptr;
  std::map<uint64_t, TRBMainThreadNotify*> FNotifyList;  // by notifier number
};

// A call-back run on the main thread.
class TRBMainThreadNotify : public TObject {
  PF_CLASS(TRBMainThreadNotify)
  PF_ALLOW_NEW;

 public:
  // Without ForcePost on the main thread: the call-back runs before Notify returns.
  // Otherwise a post to the hidden window, unless one of this notifier is still pending.
  // Any thread.
  void Notify(bool ForcePost);
  // Clears the pending mark, then runs the call-back. Main thread.
  void DoNotify();

  uint64_t NotifierNumber() const { return FNumber; }
  platform::HWND Window() const { return FWindow; }
  bool Signaled() const { return FSignaled.load(std::memory_order_acquire); }

 protected:
  explicit TRBMainThreadNotify(platform::TNotifyEvent AOnNotify);
  void Destroy() override;

 private:
  const uint64_t FNumber;
  platform::TNotifyEvent FOnNotify;
  platform::HWND FWindow = 0;
  std::atomic<bool> FSignaled{false};

  friend class TRBMainWindowNode;
};

}  // namespace components
