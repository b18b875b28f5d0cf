// The bases of every processing component.
//
// TRBBasicThreadedFilter has two locks: the input lock, which the input pins and the
// threading settings share and which InputOperation holds while it handles an operation, and
// the output lock, which processing holds. Its component lock (FLock) is a paired lock of the
// two, input first, so a property setter or anything else that takes FLock holds both. The
// order is always input before output.
//
// Operations that arrive on an input pin go to InputOperation, which routes them by class:
// a start with a sample rate (or a start frame) starts processing and is forwarded, a stop
// stops processing and is forwarded, a supplied buffer is delivered to processing (and not
// forwarded), anything else is only forwarded. Without a worker thread (the default) a
// buffer is processed in the delivering thread, inside the sender's Notify; with
// Threading.Enabled the worker (components/RBCommonFilterThread.h) is created at the start
// and processes the queued operations under the output lock.
//
// TRBBasicThreadedEnableFilter adds the Enabled switch: the base delivery ignores buffers
// while it is off (starts and stops are still handled). TRBBasicCommonFilter processes each
// buffer as an input view and an output view sharing one container (ProcessData); its
// delivery does not ask Enabled (derived filters decide what "disabled" means).
//
// Threads: operations may arrive on any thread; they are handled under the input lock.
// Processing runs under the output lock, in the delivering thread or in the worker.
#pragma once

#include <atomic>
#include <mutex>

#include "buffers/RBSimpleDataBuffer.h"
#include "buffers/RBStreamTypes.h"
#include "components/RBCommonFilterThread.h"
#include "pins/CBComponent.h"
#include "pins/PNPins.h"
#include "pins/PNStdTypes.h"

namespace components {

using buffers::IRBData;
using buffers::IRBDataBuffer;
using pins::TPNBasicPin;
using pins::TPNNotifyResult;
using pins::TPNNotifyState;
using platform::TGUID;

// The object behind AData as interface I; EIntfCastError "Interface not supported" when it
// has none (the class library's checked interface cast).
template <class I>
RefPtr<I> IntfCast(platform::IInterface* AData) {
  RefPtr<I> result = platform::Supports<I>(AData);
  if (!result) throw buffers::EIntfCastError("Interface not supported");
  return result;
}

class TRBBasicThreadedFilter : public TCBComponent {
  PF_CLASS(TRBBasicThreadedFilter)
  PF_ALLOW_NEW;

 public:
  TRBThreading* Threading() const { return FThreading; }
  void SetThreading(TRBThreading* Value) { FThreading->Assign(Value); }
  const RefPtr<ICBLock>& InputLock() const { return FInputLock; }
  const RefPtr<ICBLock>& OutputLock() const { return FOutputLock; }
  // Between a start with a sample rate and the next stop.
  bool Running() const { return FRunning.load(std::memory_order_acquire); }
  // Whether a worker thread exists (for diagnostics and tests).
  bool HasWorkerThread();

  // Whether buffers are processed at all.
  virtual bool CanProcess() { return true; }
  // The worker's call-back: ProcessOperation under the output lock (skipped while the lock
  // is being stopped).
  virtual void ThreadOperation(IPNNotifyOperation* AOperation);
  // ProcessBuffer with a new view of the operation's buffer.
  virtual TPNNotifyResult ProcessOperation(IPNNotifyOperation* AOperation);
  virtual TPNNotifyResult ProcessBuffer(IRBDataBuffer* ABuffer);
  // A supplied buffer: queued for the worker, or processed at once in the calling thread;
  // nothing while CanProcess is false.
  virtual TPNNotifyResult DeliverOperation(IPNNotifyOperation* AOperation, TPNNotifyState State);
  virtual void EnabledChanged() {}
  // Ends the worker thread, then not running. The worker is stopped first (its queue closed,
  // the senders waiting for room and the worker's own wait for room downstream woken); off
  // the worker's thread the call then waits, under the component's stop section, for the
  // operation in hand to end. On the worker's own thread (processing that stops its own
  // component) it returns at once and the worker ends after the operation in hand. Until the
  // next start, buffers that arrive are dropped.
  virtual void StopProcessing();
  // Running; creates the worker when threading is enabled and none exists.
  virtual void StartProcessing();
  // The input pins' operation call-back (see the top of this file). Nothing while the input
  // lock is being stopped.
  virtual TPNNotifyResult InputOperation(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                         IPNNotifyOperation* Operation, TPNNotifyState State);
  // Notify of the output pin; nothing while the component is being destroyed or has none.
  virtual TPNNotifyResult ForwardOperation(IPNNotifyOperation* AOperation);
  virtual TPNBasicPin* GetOutputPin() { return nullptr; }

  void BeforeDestruction() override;

 protected:
  explicit TRBBasicThreadedFilter(platform::TComponent* AOwner);
  void Destroy() override;

  // The write sections of both locks (input first), or null when either is being stopped.
  RefPtr<pins::IPNLockSection> ComponentSection();
  void SetRunning(bool Value) { FRunning.store(Value, std::memory_order_release); }
  // The worker, held by a new reference (null when none runs).
  RefPtr<TRBFilterThread> WorkerThread();
  // True when the buffer operation is taken care of by threading: queued for the worker, or
  // dropped because the worker was stopped and processing has not started again since (a
  // buffer processed in the sender's thread then would overtake those the stop discarded).
  bool DeliverToWorker(IPNNotifyOperation* AOperation);

  TRBThreading* FThreading = nullptr;
  RefPtr<ICBLock> FInputLock;
  RefPtr<ICBLock> FOutputLock;

 private:
  void PriorityChanged();
  void CallPropertyChanged() { PropertyChanged(); }
  // Frees a worker that was terminated from its own thread, once that thread is another.
  void FreeRetiredThread();

  // The two worker references are read and written under FThreadMutex (a leaf lock: nothing
  // is waited for while it is held); starts and stops themselves are ordered by the input
  // lock, which InputOperation holds.
  std::mutex FThreadMutex;
  RefPtr<TRBFilterThread> FFilterThread;
  // A worker stopped from its own thread (processing that stopped its own component): it is
  // joined and freed by the next start, stop or destruction on another thread.
  RefPtr<TRBFilterThread> FRetiredThread;
  std::atomic<bool> FRunning{false};
  // Set by a stop that ended a worker, cleared by the next start.
  std::atomic<bool> FWorkerStopped{false};
};

// Adds the Enabled switch (default True) and a Boolean pin for it.
class TRBBasicThreadedEnableFilter : public TRBBasicThreadedFilter {
  PF_CLASS(TRBBasicThreadedEnableFilter)
  PF_ALLOW_NEW;

 public:
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { ChangeEnabled(Value); }
  pins::TPNBoolSinkPin* EnablePin() const { return FEnablePin; }

  bool CanProcess() override { return FEnabled; }
  // Through the component lock's typed setter; EnabledChanged runs on a change.
  virtual void ChangeEnabled(bool Value);

 protected:
  explicit TRBBasicThreadedEnableFilter(platform::TComponent* AOwner);
  void Destroy() override;

 private:
  void EnablePinChanged(pins::TPNPin* Sender, bool AValue);
  void CallEnabledChanged() { EnabledChanged(); }

  pins::TPNBoolSinkPin* FEnablePin = nullptr;
  bool FEnabled = true;
};

// Buffer in, buffer out: ProcessData receives the input view and an output view of the same
// container.
class TRBBasicCommonFilter : public TRBBasicThreadedEnableFilter {
  PF_CLASS(TRBBasicCommonFilter)
  PF_ALLOW_NEW;

 public:
  // With a worker: queued. Otherwise both views are made and ProcessData runs under the
  // output lock; for the last receiver of a delivery (nsLastIteration) a filter whose
  // ReleasesOutput is true gets an output view that does not own the container, so that it
  // may write the shared data without a copy.
  TPNNotifyResult DeliverOperation(IPNNotifyOperation* AOperation, TPNNotifyState State) override;
  // The worker's path: ProcessData with ABuffer and a new view of it.
  TPNNotifyResult ProcessBuffer(IRBDataBuffer* ABuffer) override;
  virtual TPNNotifyResult ProcessData(IRBDataBuffer* InBuffer, IRBDataBuffer* OutBuffer) {
    (void)InBuffer;
    (void)OutBuffer;
    return {};
  }
  virtual bool ReleasesOutput() { return false; }

 protected:
  using TRBBasicThreadedEnableFilter::TRBBasicThreadedEnableFilter;
};

}  // namespace components
