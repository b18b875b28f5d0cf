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
  if (s && FFilterThread) FFilterThread->SetPriority(FThreading->Priority());
}

bool TRBBasicThreadedFilter::HasWorkerThread() {
  auto s = FInputLock->ReadLock();
  return FFilterThread != nullptr;
}

RefPtr<TRBFilterThread> TRBBasicThreadedFilter::WorkerThread() { return FFilterThread; }

void TRBBasicThreadedFilter::FreeRetiredThread() {
  if (FRetiredThread && !FRetiredThread->OnWorkerThread()) FRetiredThread = nullptr;
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
  if (RefPtr<TRBFilterThread> thread = WorkerThread()) {
    thread->PushOperation(AOperation);
    return {};
  }
  return ProcessOperation(AOperation);
}

// Takes the component's stop section while it ends the worker: processing that waits for
// the output lock gives up, and senders waiting for room in the queue wake and drop their
// operations.
void TRBBasicThreadedFilter::StopProcessing() {
  FreeRetiredThread();
  if (FFilterThread) {
    auto stop = FLock->StopLock();
    RefPtr<TRBFilterThread> thread = std::move(FFilterThread);
    thread->Terminate();
    if (thread->OnWorkerThread()) FRetiredThread = std::move(thread);
  }
  SetRunning(false);
}

void TRBBasicThreadedFilter::StartProcessing() {
  FreeRetiredThread();
  SetRunning(true);
  if (FThreading->Enabled() && !FFilterThread)
    FFilterThread = TRBFilterThread::CreateEx(
        this, FInputLock, FThreading,
        TRBFilterThreadNotify::Bind<&TRBBasicThreadedFilter::ThreadOperation>(this));
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
  if (RefPtr<TRBFilterThread> thread = WorkerThread()) {
    thread->PushOperation(AOperation);
    return {};
  }
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
