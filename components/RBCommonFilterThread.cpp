#include "components/RBCommonFilterThread.h"

#include "platform/Forms.h"
#include "platform/Messages.h"
#include "platform/Properties.h"
#include "platform/Streaming.h"

namespace components {

namespace {

// The worker whose body runs on this thread (null on other threads).
thread_local TRBFilterThread* tWorker = nullptr;

// Reports the exception being handled (call from a catch block) through the application's
// handler, or the message loop's when there is no application object.
void ReportException(platform::TObject* Sender) {
  if (platform::Application)
    platform::Application->HandleException(Sender);
  else
    platform::MessageLoop().HandleException(Sender);
}

void DescribeTRBThreadingQueue(platform::TClassInfo& info) {
  platform::TPublisher<TRBThreadingQueue> p(info);
  p.Property("Size", &TRBThreadingQueue::Size, &TRBThreadingQueue::SetSize).Default(15);
  p.Enum("FullMode", "TRBQueueFullMode", {"fmBlock", "fmDropData"}, &TRBThreadingQueue::FullMode,
         &TRBThreadingQueue::SetFullMode)
      .Default(fmBlock);
}

void DescribeTRBThreading(platform::TClassInfo& info) {
  platform::TPublisher<TRBThreading> p(info);
  p.Property("Enabled", &TRBThreading::Enabled, &TRBThreading::SetEnabled).Default(false);
  p.Enum("Priority", "TThreadPriority",
         {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"},
         &TRBThreading::Priority, &TRBThreading::SetPriority)
      .Default(platform::tpNormal);
  p.Property("Queue", &TRBThreading::Queue, &TRBThreading::SetQueue);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TRBThreadingQueue

PF_DEFINE_CLASS_EX(TRBThreadingQueue, TCBPersistent, nullptr, DescribeTRBThreadingQueue)

TRBThreadingQueue::TRBThreadingQueue(TCBPersistent* AOwner) : TCBPersistent(AOwner) {}

void TRBThreadingQueue::SetSize(uint32_t Value) { FLock->Setter(FSize, Value); }

void TRBThreadingQueue::SetFullMode(TRBQueueFullMode Value) {
  auto s = FLock->WriteLock();
  FFullMode = Value;
}

// ---------------------------------------------------------------------------------------
// TRBThreading

PF_DEFINE_CLASS_EX(TRBThreading, TCBPersistent, nullptr, DescribeTRBThreading)

TRBThreading::TRBThreading(TCBComponent* AOwner, const RefPtr<ICBLock>& ALock,
                           TCBPropUpdateFunc APriorityNotify)
    : TCBPersistent(AOwner, ALock), FOwner(AOwner), FPriorityNotify(APriorityNotify) {
  FQueue = platform::New<TRBThreadingQueue>(this);
}

void TRBThreading::Destroy() {
  platform::FreeAndNil(FQueue);
  TCBPersistent::Destroy();
}

void TRBThreading::SetEnabled(bool Value) { FLock->Setter(FEnabled, Value); }

void TRBThreading::SetPriority(TThreadPriority Value) {
  auto s = FLock->WriteLock();
  FPriority = Value;
  if (FPriorityNotify.Assigned()) FPriorityNotify();
}

void TRBThreading::SetQueue(TRBThreadingQueue* Value) { FQueue->Assign(Value); }

void TRBThreading::DefineProperties(platform::TFiler* Filer) {
  TCBPersistent::DefineProperties(Filer);
  // Older forms: the queue size under its former name. Read only; never written.
  Filer->DefineProperty(
      "QueueSize",
      [this](platform::TReader* Reader) {
        FQueue->SetSize(static_cast<uint32_t>(Reader->ReadInteger()));
      },
      nullptr, false);
}

// ---------------------------------------------------------------------------------------
// TRBFilterThread

PF_DEFINE_CLASS(TRBFilterThread, TCBThread)

TRBFilterThread::TRBFilterThread(TCBComponent* AOwner, const RefPtr<ICBLock>& ALock,
                                 TRBThreading* AThreading, TRBFilterThreadNotify AOwnerNotify)
    : TCBThread(ComponentName(AOwner) + ".TRBFilterThread"),
      FLock(ALock),
      FOwnerNotify(AOwnerNotify),
      FThreading(AThreading),
      FOperationQueue(platform::New<TRBOperationList>()) {
  SetPriority(AThreading->Priority());
}

RefPtr<TRBFilterThread> TRBFilterThread::CreateEx(TCBComponent* AOwner,
                                                  const RefPtr<ICBLock>& ALock,
                                                  TRBThreading* AThreading,
                                                  TRBFilterThreadNotify AOwnerNotify) {
  return RefPtr<TRBFilterThread>(
      platform::New<TRBFilterThread>(AOwner, ALock, AThreading, AOwnerNotify));
}

void TRBFilterThread::BeforeDestruction() {
  if (!FClosed.load(std::memory_order_acquire)) Terminate();
  TCBThread::BeforeDestruction();
}

void TRBFilterThread::Destroy() {
  platform::FreeAndNil(FOperationQueue);  // drops the operations never processed
  TCBThread::Destroy();
}

int32_t TRBFilterThread::Release() {
  const int32_t n = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (n == 0) Free();  // joins the worker, which has ended or ends now
  return n;
}

// Under the caller's input lock. Waiting (fmBlock) drops every level of it and takes them
// back before the next test; no other lock is held meanwhile. A sender that is itself a
// worker records the queue it waits for, so that its own stop can wake it.
bool TRBFilterThread::PushOperation(IPNNotifyOperation* AValue) {
  FQueueEmptyEvent.Reset();
  TRBFilterThread* const sender = tWorker;
  const bool onWorker = sender == this;
  while (!Stopped()) {
    uint64_t taken;
    {
      std::lock_guard<std::mutex> room(FRoomMutex);
      taken = FTaken;
    }
    TRBThreadingQueue* queue = FThreading->Queue();
    const auto queued = static_cast<uint32_t>(FOperationQueue->ItemsCount());
    if (queued <= queue->Size()) break;
    if (queue->FullMode() == fmDropData) return false;
    // The worker sending into its own queue cannot wait for itself: it appends.
    if (onWorker) break;
    // A stopped worker finishes the operation in hand without waiting for anyone.
    if (sender && sender->Stopped()) return false;
    if (sender) sender->SetWaitingFor(this);
    {
      auto unlocked = FLock->UnlockAll();
      std::unique_lock<std::mutex> room(FRoomMutex);
      FRoom.wait(room, [&] {
        return FTaken != taken || Stopped() || (sender && sender->Stopped());
      });
    }
    if (sender) sender->SetWaitingFor(nullptr);
  }
  if (Stopped()) return false;
  FOperationQueue->Push(AValue, false);
  FEvent.Signal();
  return true;
}

void TRBFilterThread::SetWaitingFor(TRBFilterThread* AThread) {
  std::lock_guard<std::mutex> wait(FWaitMutex);
  FWaitingFor = AThread;
}

// A waiter tests its condition under FRoomMutex, so a change made before this takes the
// mutex is seen by every waiter, or the notification reaches it.
void TRBFilterThread::WakeSenders() {
  { std::lock_guard<std::mutex> room(FRoomMutex); }
  FRoom.notify_all();
}

void TRBFilterThread::Stop() {
  TCBThread::Terminate();
  FClosed.store(true, std::memory_order_seq_cst);
  FEvent.Signal();
  WakeSenders();
  // The worker may wait for room in another queue: it wakes, sees its stop and drops that
  // operation. The waiter keeps that queue's object alive until it has cleared the record,
  // which it does under FWaitMutex.
  std::lock_guard<std::mutex> wait(FWaitMutex);
  if (FWaitingFor) FWaitingFor->WakeSenders();
}

void TRBFilterThread::Terminate() {
  Stop();
  if (!OnWorkerThread()) FTerminatedEvent.WaitFor(platform::INFINITE);
}

void TRBFilterThread::RunOperation(IPNNotifyOperation* AOperation) {
  try {
    if (FOwnerNotify.Assigned()) FOwnerNotify(AOperation);
  } catch (...) {
    ReportException(this);
  }
}

// One wake-up drains the queue: the auto-reset event stays set once for every push that
// arrives while the worker is busy, which is enough for the next round. The worker wakes the
// waiting senders after every operation it takes (each tests the queue again).
void TRBFilterThread::Execute() {
  AnnounceName();
  tWorker = this;
  try {
    while (!Terminated()) {
      FStarted.store(true, std::memory_order_release);
      FEvent.WaitFor(platform::INFINITE);
      while (!Terminated()) {
        RefPtr<IPNNotifyOperation> operation = FOperationQueue->Pop();
        if (!operation) break;
        {
          std::lock_guard<std::mutex> room(FRoomMutex);
          ++FTaken;
        }
        FRoom.notify_all();
        RunOperation(operation.Get());
      }
      FQueueEmptyEvent.Signal();
    }
  } catch (...) {
    ReportException(this);
  }
  tWorker = nullptr;
  FTerminatedEvent.Signal();
}

}  // namespace components
