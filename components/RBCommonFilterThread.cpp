#include "components/RBCommonFilterThread.h"

#include "platform/Forms.h"
#include "platform/Messages.h"
#include "platform/Properties.h"
#include "platform/Streaming.h"

namespace components {

namespace {

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
// back before the next test; no other lock is held meanwhile.
bool TRBFilterThread::PushOperation(IPNNotifyOperation* AValue) {
  FQueueEmptyEvent.Reset();
  const bool onWorker = OnWorkerThread();
  while (!FClosed.load(std::memory_order_acquire)) {
    TRBThreadingQueue* queue = FThreading->Queue();
    const auto queued = static_cast<uint32_t>(FOperationQueue->ItemsCount());
    if (queued <= queue->Size()) break;
    if (queue->FullMode() == fmDropData) return false;
    // The worker sending into its own queue cannot wait for itself: it appends.
    if (onWorker) break;
    auto unlocked = FLock->UnlockAll();
    FProcessedEvent.WaitFor(platform::INFINITE);
  }
  if (FClosed.load(std::memory_order_acquire)) {
    FProcessedEvent.Signal();  // the next waiting sender wakes and drops its operation too
    return false;
  }
  FOperationQueue->Push(AValue, false);
  FEvent.Signal();
  return true;
}

void TRBFilterThread::Terminate() {
  TCBThread::Terminate();
  FClosed.store(true, std::memory_order_release);
  FEvent.Signal();
  FProcessedEvent.Signal();
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
// arrives while the worker is busy, which is enough for the next round. The worker signals a
// waiting sender after every operation it takes (the sender tests the queue again).
void TRBFilterThread::Execute() {
  AnnounceName();
  try {
    while (!Terminated()) {
      FStarted.store(true, std::memory_order_release);
      FEvent.WaitFor(platform::INFINITE);
      while (!Terminated()) {
        RefPtr<IPNNotifyOperation> operation = FOperationQueue->Pop();
        if (!operation) break;
        FProcessedEvent.Signal();
        RunOperation(operation.Get());
      }
      FQueueEmptyEvent.Signal();
    }
  } catch (...) {
    ReportException(this);
  }
  FTerminatedEvent.Signal();
}

}  // namespace components
