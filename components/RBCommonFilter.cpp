#include "components/RBCommonFilter.h"

#include "platform/Properties.h"

namespace components {

using buffers::TPNSuppliedBufferOperation;
using pins::IPNLockSection;
using pins::OperationAs;
using pins::SectionLocked;

namespace {

void DescribeTRBBasicThreadedFilter(platform::TClassInfo& info) {
  platform::TPublisher<TRBBasicThreadedFilter> p(info);
  p.Property("Threading", &TRBBasicThreadedFilter::Threading,
             &TRBBasicThreadedFilter::SetThreading);
}

void DescribeTRBBasicThreadedEnableFilter(platform::TClassInfo& info) {
  platform::TPublisher<TRBBasicThreadedEnableFilter> p(info);
  p.Property("EnablePin", &TRBBasicThreadedEnableFilter::EnablePin, nullptr);
  p.Property("Enabled", &TRBBasicThreadedEnableFilter::Enabled,
             &TRBBasicThreadedEnableFilter::SetEnabled)
      .Default(true);
}

// The buffer of a supplied-buffer operation as a new view; null for any other operation.
RefPtr<IRBDataBuffer> SuppliedBufferView(IPNNotifyOperation* AOperation) {
  auto* supplied = OperationAs<TPNSuppliedBufferOperation>(AOperation);
  if (!supplied || !supplied->Buffer) return nullptr;
  return IntfCast<IRBDataBuffer>(supplied->Buffer->MakeCopy().Get());
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TRBBasicThreadedFilter

PF_DEFINE_COMPONENT(TRBBasicThreadedFilter, TCBComponent, DescribeTRBBasicThreadedFilter)

TRBBasicThreadedFilter::TRBBasicThreadedFilter(platform::TComponent* AOwner)
    : TCBComponent(AOwner) {
  const auto changed = TCBPropUpdateFunc::Bind<&TRBBasicThreadedFilter::CallPropertyChanged>(this);
  FInputLock = FLock;
  FOutputLock = pins::TCBLock::Create(changed);
  FThreading = platform::New<TRBThreading>(
      this, FInputLock, TCBPropUpdateFunc::Bind<&TRBBasicThreadedFilter::PriorityChanged>(this));
  FLock = pins::TCBPairedLock::Create(RefPtr<pins::IPNLock>(FInputLock),
                                      RefPtr<pins::IPNLock>(FOutputLock), changed);
}

void TRBBasicThreadedFilter::BeforeDestruction() {
  {
    auto stop = FLock->StopLock();
    StopProcessing();
  }
  FreeRetiredThread();
  TCBComponent::BeforeDestruction();
}

void TRBBasicThreadedFilter::Destroy() {
  {
    auto stop = FLock->StopLock();
    platform::FreeAndNil(FThreading);
  }
  TCBComponent::Destroy();
}

RefPtr<IPNLockSection> TRBBasicThreadedFilter::ComponentSection() {
  auto input = FInputLock->WriteLock();
  if (!SectionLocked(input)) return nullptr;
  auto output = FOutputLock->WriteLock();
  if (!SectionLocked(output)) return nullptr;
  return platform::New<pins::TCBPairedLockSection>(std::move(input), std::move(output));
}

void TRBBasicThreadedFilter::PriorityChanged() {
  auto s = ComponentSection();
  if (!s) return;
  if (RefPtr<TRBFilterThread> thread = WorkerThread()) thread->SetPriority(FThreading->Priority());
}

bool TRBBasicThreadedFilter::HasWorkerThread() { return WorkerThread() != nullptr; }

RefPtr<TRBFilterThread> TRBBasicThreadedFilter::WorkerThread() {
  std::lock_guard<std::mutex> lock(FThreadMutex);
  return FFilterThread;
}

// The reference goes (and the thread is joined) after FThreadMutex is let go.
void TRBBasicThreadedFilter::FreeRetiredThread() {
  RefPtr<TRBFilterThread> retired;
  {
    std::lock_guard<std::mutex> lock(FThreadMutex);
    if (FRetiredThread && !FRetiredThread->OnWorkerThread()) retired = std::move(FRetiredThread);
  }
}

bool TRBBasicThreadedFilter::DeliverToWorker(IPNNotifyOperation* AOperation) {
  if (RefPtr<TRBFilterThread> thread = WorkerThread()) {
    thread->PushOperation(AOperation);
    return true;
  }
  return FWorkerStopped.load(std::memory_order_seq_cst);
}

// The worker thread, holding no component lock.
void TRBBasicThreadedFilter::ThreadOperation(IPNNotifyOperation* AOperation) {
  auto s = FOutputLock->WriteLock();
  if (SectionLocked(s)) ProcessOperation(AOperation);
}

TPNNotifyResult TRBBasicThreadedFilter::ProcessOperation(IPNNotifyOperation* AOperation) {
  RefPtr<IRBDataBuffer> view = SuppliedBufferView(AOperation);
  if (!view) return {};
  return ProcessBuffer(view.Get());
}

TPNNotifyResult TRBBasicThreadedFilter::ProcessBuffer(IRBDataBuffer* ABuffer) {
  (void)ABuffer;
  return {};
}

// Under the input lock.
TPNNotifyResult TRBBasicThreadedFilter::DeliverOperation(IPNNotifyOperation* AOperation,
                                                         TPNNotifyState State) {
  (void)State;
  if (!CanProcess()) return {};
  if (DeliverToWorker(AOperation)) return {};
  return ProcessOperation(AOperation);
}

// The worker is stopped before the stop section is taken: the worker may hold the output
// lock while it waits for room in a queue downstream, and only its stop releases it there.
// Then, off the worker's thread, the stop section makes processing that waits for the output
// lock give up, and the operation in hand is waited for.
void TRBBasicThreadedFilter::StopProcessing() {
  FreeRetiredThread();
  if (RefPtr<TRBFilterThread> thread = WorkerThread()) {
    FWorkerStopped.store(true, std::memory_order_seq_cst);
    thread->Stop();
    if (thread->OnWorkerThread()) {
      // The worker cannot wait for itself: it ends after the operation in hand.
      RefPtr<TRBFilterThread> older;
      std::lock_guard<std::mutex> lock(FThreadMutex);
      if (FFilterThread == thread) FFilterThread = nullptr;
      older = std::move(FRetiredThread);
      FRetiredThread = thread;
    } else {
      auto stop = FLock->StopLock();
      thread->Terminate();
      std::lock_guard<std::mutex> lock(FThreadMutex);
      if (FFilterThread == thread) FFilterThread = nullptr;
    }
  }
  SetRunning(false);
}

void TRBBasicThreadedFilter::StartProcessing() {
  FreeRetiredThread();
  SetRunning(true);
  if (FThreading->Enabled() && !WorkerThread()) {
    RefPtr<TRBFilterThread> thread = TRBFilterThread::CreateEx(
        this, FInputLock, FThreading,
        TRBFilterThreadNotify::Bind<&TRBBasicThreadedFilter::ThreadOperation>(this));
    std::lock_guard<std::mutex> lock(FThreadMutex);
    FFilterThread = std::move(thread);
  }
  FWorkerStopped.store(false, std::memory_order_seq_cst);
}

// Holds the input lock's write section for the whole call.
TPNNotifyResult TRBBasicThreadedFilter::InputOperation(TPNBasicPin* Sender,
                                                       const TGUID* DataTypeID,
                                                       IPNNotifyOperation* Operation,
                                                       TPNNotifyState State) {
  (void)Sender;
  (void)DataTypeID;
  auto s = FInputLock->WriteLock();
  if (!SectionLocked(s)) return {};
  if (OperationAs<buffers::TPNStartSampleRateOperation>(Operation)) {
    StartProcessing();
    return ForwardOperation(Operation);
  }
  if (OperationAs<pins::TPNStopOperation>(Operation)) {
    StopProcessing();
    return ForwardOperation(Operation);
  }
  if (OperationAs<TPNSuppliedBufferOperation>(Operation)) return DeliverOperation(Operation, State);
  return ForwardOperation(Operation);
}

TPNNotifyResult TRBBasicThreadedFilter::ForwardOperation(IPNNotifyOperation* AOperation) {
  if (ComponentState().Contains(platform::csDestroying)) return {};
  TPNBasicPin* pin = GetOutputPin();
  if (!pin) return {};
  return pin->Notify(AOperation);
}

// ---------------------------------------------------------------------------------------
// TRBBasicThreadedEnableFilter

PF_DEFINE_COMPONENT(TRBBasicThreadedEnableFilter, TRBBasicThreadedFilter,
                    DescribeTRBBasicThreadedEnableFilter)

TRBBasicThreadedEnableFilter::TRBBasicThreadedEnableFilter(platform::TComponent* AOwner)
    : TRBBasicThreadedFilter(AOwner) {
  FEnablePin = platform::New<pins::TPNBoolSinkPin>(
      this, FLock.Get(),
      pins::TPNBoolChangeEvent::Bind<&TRBBasicThreadedEnableFilter::EnablePinChanged>(this),
      nullptr);
}

void TRBBasicThreadedEnableFilter::Destroy() {
  {
    auto stop = FLock->StopLock();
    platform::FreeAndNil(FEnablePin);
  }
  TRBBasicThreadedFilter::Destroy();
}

void TRBBasicThreadedEnableFilter::EnablePinChanged(pins::TPNPin* Sender, bool AValue) {
  (void)Sender;
  SetEnabled(AValue);
}

void TRBBasicThreadedEnableFilter::ChangeEnabled(bool Value) {
  FLock->Setter(FEnabled, Value,
                TCBPropUpdateFunc::Bind<&TRBBasicThreadedEnableFilter::EnabledChanged>(this));
}

// ---------------------------------------------------------------------------------------
// TRBBasicCommonFilter

PF_DEFINE_COMPONENT(TRBBasicCommonFilter, TRBBasicThreadedEnableFilter, nullptr)

// Under the input lock; ProcessData under the output lock as well.
TPNNotifyResult TRBBasicCommonFilter::DeliverOperation(IPNNotifyOperation* AOperation,
                                                       TPNNotifyState State) {
  if (DeliverToWorker(AOperation)) return {};
  RefPtr<IRBDataBuffer> in = SuppliedBufferView(AOperation);
  if (!in) return {};
  RefPtr<IRBDataBuffer> out = IntfCast<IRBDataBuffer>(in->MakeCopy().Get());
  if (State.Contains(pins::nsLastIteration) && ReleasesOutput())
    if (auto* view = dynamic_cast<buffers::TRBGenericBuffer*>(out->GetInstance()))
      view->RemoveOwnerShip();
  auto s = FOutputLock->WriteLock();
  if (!SectionLocked(s)) return {};
  return ProcessData(in.Get(), out.Get());
}

TPNNotifyResult TRBBasicCommonFilter::ProcessBuffer(IRBDataBuffer* ABuffer) {
  RefPtr<IRBDataBuffer> out = IntfCast<IRBDataBuffer>(ABuffer->MakeCopy().Get());
  ProcessData(ABuffer, out.Get());
  return {};
}

}  // namespace components
