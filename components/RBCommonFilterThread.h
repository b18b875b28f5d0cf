// The threading settings of processing components and their worker thread.
//
// A component whose Threading.Enabled is set gets one worker thread (TRBFilterThread) when
// processing starts; it ends when processing stops. Operations reach the worker through a
// first-in-first-out queue. An operation is accepted while at most Queue.Size operations wait
// (so up to Size + 1 can wait; the size is an unsigned number). Beyond that the sender either
// waits until the worker has taken one (fmBlock: it gives up every hold it has on the
// component's input lock while it waits, so that the worker and other threads can go on) or
// the operation is dropped (fmDropData).
//
// Stopping (Stop) closes the queue and never waits: the worker ends after the operation in
// hand, the operations still queued are dropped, and every sender waiting for room wakes and
// drops its operation. When the worker itself waits for room in another worker's queue (its
// processing sends downstream), the stop wakes it too and that operation is dropped, so a
// worker never stays blocked after its own stop: waiting for its end (Terminate) takes the
// operation in hand and no more. Senders hold a reference to the thread object, so a sender
// that wakes after the stop never touches a freed object. An exception raised while the
// worker processes an operation is reported through the application's exception handler and
// the worker goes on with the next one; the worker always ends with its final signal.
//
// Threads: PushOperation may be called from any thread that holds the component's input lock
// (the owner's InputOperation does). Stop and Terminate may be called from any thread;
// Terminate on a thread other than the worker returns once the worker's body has ended.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "components/RBClockGen.h"
#include "components/RBVariantStorages.h"
#include "pins/CBComponent.h"
#include "pins/CBComponentLocks.h"
#include "pins/PNPins.h"
#include "platform/Kernel.h"
#include "platform/Methods.h"

namespace components {

using pins::ICBLock;
using pins::TCBComponent;
using pins::TCBPersistent;
using pins::TCBPropUpdateFunc;
using pins::TPNEvent;
using platform::TThreadPriority;

enum TRBQueueFullMode { fmBlock, fmDropData };

// The queue settings: Size (default 15) and FullMode (default fmBlock). They share the
// component's input lock.
class TRBThreadingQueue : public TCBPersistent {
  PF_CLASS(TRBThreadingQueue)
  PF_ALLOW_NEW;

 public:
  uint32_t Size() const { return FSize; }
  // Through the lock's typed setter (the owner's change notification runs).
  void SetSize(uint32_t Value);
  TRBQueueFullMode FullMode() const { return FFullMode; }
  // Stored under the write section, without change notification.
  void SetFullMode(TRBQueueFullMode Value);

 protected:
  explicit TRBThreadingQueue(TCBPersistent* AOwner);

 private:
  uint32_t FSize = 15;
  TRBQueueFullMode FFullMode = fmBlock;
};

// The published Threading settings of a processing component. Enabled (default False)
// takes effect at the next start; Priority changes apply to a running worker at once. Older
// forms stored the queue size as "QueueSize": it is read into Queue.Size and never written.
class TRBThreading : public TCBPersistent {
  PF_CLASS(TRBThreading)
  PF_ALLOW_NEW;

 public:
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  TThreadPriority Priority() const { return FPriority; }
  // Stored under the write section; the priority call-back runs while it is held.
  void SetPriority(TThreadPriority Value);
  TRBThreadingQueue* Queue() const { return FQueue; }
  // Copies the given settings' published properties.
  void SetQueue(TRBThreadingQueue* Value);

 protected:
  TRBThreading(TCBComponent* AOwner, const RefPtr<ICBLock>& ALock,
               TCBPropUpdateFunc APriorityNotify);
  void Destroy() override;
  void DefineProperties(platform::TFiler* Filer) override;

 private:
  bool FEnabled = false;
  TThreadPriority FPriority = platform::tpNormal;
  TCBComponent* FOwner = nullptr;
  TCBPropUpdateFunc FPriorityNotify;
  TRBThreadingQueue* FQueue = nullptr;
};

// The call-back the worker runs for each operation.
using TRBFilterThreadNotify = platform::TMethod<void(IPNNotifyOperation* AOperation)>;

// The worker thread of a processing component, named "<component>.TRBFilterThread". It
// counts references: the component holds one while processing runs, and every sender holds
// one while it is inside PushOperation. The last Release frees it (and joins the thread).
class TRBFilterThread : public TCBThread {
  PF_CLASS(TRBFilterThread)
  PF_ALLOW_NEW;

 public:
  // A running worker for AOwner. ALock is the component's input lock, which a blocked sender
  // gives up while it waits; AThreading is read live at every check.
  static RefPtr<TRBFilterThread> CreateEx(TCBComponent* AOwner, const RefPtr<ICBLock>& ALock,
                                          TRBThreading* AThreading,
                                          TRBFilterThreadNotify AOwnerNotify);

  int32_t AddRef() { return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }
  int32_t Release();

  // Queues an operation for the worker. The caller holds the input lock and a reference to
  // this object. False when the operation was dropped: the queue was full in fmDropData mode,
  // or the worker was stopped (also while the sender waited for room), or the sender is
  // another worker that was stopped while it waited for room.
  bool PushOperation(IPNNotifyOperation* AValue);
  // Marks the end of the worker without waiting: the queue is closed, waiting senders are
  // woken (their operations dropped), and so is the worker when it waits for room in another
  // worker's queue. The operation in hand is finished; the rest are dropped.
  void Stop();
  // Stop, then waits for the worker's body to end unless called on the worker itself.
  void Terminate();
  bool Stopped() const { return FClosed.load(std::memory_order_acquire); }
  // Set when the worker has found the queue empty; reset by every push.
  TPNEvent& GetQueueEvent() { return FQueueEmptyEvent; }
  int32_t QueuedCount() { return FOperationQueue->ItemsCount(); }
  bool OnWorkerThread() const { return platform::GetCurrentThreadId() == ThreadID(); }

 protected:
  TRBFilterThread(TCBComponent* AOwner, const RefPtr<ICBLock>& ALock, TRBThreading* AThreading,
                  TRBFilterThreadNotify AOwnerNotify);
  void Execute() override;
  // Terminates the worker (when nobody did) before the thread is joined.
  void BeforeDestruction() override;
  void Destroy() override;

 private:
  // Runs the call-back for one operation; an exception is reported and goes no further.
  void RunOperation(IPNNotifyOperation* AOperation);
  // Wakes every sender waiting for room (they test the queue again).
  void WakeSenders();
  // Records (or clears, with null) the worker whose queue this worker waits for room in.
  void SetWaitingFor(TRBFilterThread* AThread);

  RefPtr<ICBLock> FLock;
  TRBFilterThreadNotify FOwnerNotify;
  TRBThreading* FThreading = nullptr;
  TPNEvent FEvent{false, false};            // an operation was queued, or Stop
  // Senders waiting for room wait on FRoom for a change of FTaken (the worker took an
  // operation), the closing of this queue or the stop of their own worker.
  std::mutex FRoomMutex;
  std::condition_variable FRoom;
  uint64_t FTaken = 0;
  // The worker whose queue this worker waits for room in (null when it does not wait); read
  // and written under FWaitMutex, which a Stop holds while it wakes that queue's senders.
  std::mutex FWaitMutex;
  TRBFilterThread* FWaitingFor = nullptr;
  std::atomic<bool> FStarted{false};
  TPNEvent FTerminatedEvent{true, false};   // the body has ended
  TRBOperationList* FOperationQueue = nullptr;
  TPNEvent FQueueEmptyEvent{true, true};
  std::atomic<bool> FClosed{false};
  std::atomic<int32_t> FRefCount{0};
};

}  // namespace components
