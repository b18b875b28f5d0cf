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
// A buffer queue (TRBMainThreadBufferQueue) hands data buffers to the main thread through a
// notifier, one call-back per buffer in order. At most 600 buffers may wait: a sender waits
// for a free slot. Every buffer that leaves the queue, delivered, dropped by the single-buffer
// rule or cleared, gives its slot back. After a delivery the queue posts again while buffers
// are left, so buffers that arrived while a post was pending are not stranded.
//
// Threads: Notify may be called from any thread. The call-back runs on the main thread. A
// notifier may be freed on any thread but its call-back's: freeing waits until a call-back
// of it that runs on another thread has returned (its own call-back may free it).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>

#include "binding/PXOpenCV.h"
#include "buffers/RBSimpleDataBuffer.h"
#include "components/RBVariantStorages.h"
#include "pins/PNPinsLocks.h"
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

// Receives one buffer handed to the main thread.
using TRBBufferNotifyEvent = platform::TMethod<void(TObject* Sender, IRBData* ABuffer)>;

class TRBMainThreadBufferQueue : public TObject {
  PF_CLASS(TRBMainThreadBufferQueue)
  PF_ALLOW_NEW;

 public:
  // The buffers that may wait for the main thread.
  static constexpr int32_t MaxPendingBuffers = 600;

  // Waits for a free slot, keeps a view of ABuffer (in order with Queue; without it only
  // when none is pending, else ABuffer is dropped) and posts to the main thread, also when
  // called there. Any thread; returns at once, keeping nothing, once the queue is being
  // destroyed.
  void AddBuffer(IRBData* ABuffer, bool Queue);
  // Drops the pending buffers (their slots are given back). Any thread.
  void Clear();

  int32_t PendingCount() { return FBufferQueue->Count(); }
  int32_t FreeSlots() { return FSemaphore.GetHandle()->Count(); }
  // Calls of AddBuffer under way (waiting for a slot or storing).
  int32_t SendersInFlight();

 protected:
  explicit TRBMainThreadBufferQueue(TRBBufferNotifyEvent AOnBuffer);
  // Wakes blocked senders (they leave without storing), waits until no AddBuffer is in
  // flight, then frees the notifier (a pending post is dropped) and the pending buffers.
  void Destroy() override;

 private:
  // The notifier's call-back (main thread): takes the oldest buffer, gives its slot back,
  // posts again while buffers are left, then hands the buffer to OnBuffer.
  void DeliverBuffer(TObject* Sender);

  TRBMainThreadNotify* FMainThreadNotify = nullptr;
  TRBBufferList* FBufferQueue = nullptr;
  TRBBufferNotifyEvent FOnBuffer;
  pins::TPNSemaphore FSemaphore{MaxPendingBuffers, MaxPendingBuffers};
  // Senders inside AddBuffer, and whether the queue is being destroyed.
  std::mutex FSendersLock;
  std::condition_variable FSendersDone;
  int32_t FSenders = 0;
  std::atomic<bool> FClosed{false};
};

}  // namespace components
