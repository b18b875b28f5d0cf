#include "components/RBFilterTypes.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "components/RBClockGen.h"
#include "platform/Kernel.h"

namespace components {

using platform::TMessage;

namespace {

// The node's register state. It lives outside the node, because a call-back may free the
// last notifier, and with it the node, while the node's message handler is on the stack.
struct TNodeState {
  std::mutex Lock;
  std::condition_variable DeliveryEnded;
  TRBMainWindowNode* Node = nullptr;
  int32_t Count = 0;
  // The call-backs running now: notifier number and thread (nested loops may run several).
  std::vector<std::pair<uint64_t, uint32_t>> Delivering;
};

TNodeState& NodeState() {
  static TNodeState state;
  return state;
}

uint64_t NextNotifierNumber() {
  static std::atomic<uint64_t> next{0};
  return next.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TRBHiddenForm

PF_DEFINE_CLASS(TRBHiddenForm, platform::TObject)

TRBHiddenForm::TRBHiddenForm(TRBHiddenFormMessageEvent AOnMessage) : FOnMessage(AOnMessage) {
  FHandle = platform::AllocateHWnd(platform::TWndMethod::Bind<&TRBHiddenForm::Hook>(this));
}

void TRBHiddenForm::Destroy() {
  if (FHandle) platform::DeallocateHWnd(FHandle);
  FHandle = 0;
  TObject::Destroy();
}

// The event may free this form (a call-back that frees the last notifier), so nothing of
// the object is used after it.
void TRBHiddenForm::Hook(TMessage& Message) {
  const platform::HWND handle = FHandle;
  const TRBHiddenFormMessageEvent onMessage = FOnMessage;
  if (onMessage.Assigned()) onMessage(Message);
  platform::DefWindowProc(handle, Message);
}

// ---------------------------------------------------------------------------------------
// TRBMainWindowNode

PF_DEFINE_CLASS(TRBMainWindowNode, platform::TObject)

TRBMainWindowNode::TRBMainWindowNode() {
  FForm = platform::New<TRBHiddenForm>(
      TRBHiddenFormMessageEvent::Bind<&TRBMainWindowNode::HandleMessage>(this));
}

void TRBMainWindowNode::Destroy() {
  platform::FreeAndNil(FForm);
  TObject::Destroy();
}

void TRBMainWindowNode::AddReff(TRBMainThreadNotify* ANotifyItem) {
  TNodeState& s = NodeState();
  std::lock_guard<std::mutex> lock(s.Lock);
  if (!s.Node) s.Node = platform::New<TRBMainWindowNode>();
  s.Node->FNotifyList[ANotifyItem->FNumber] = ANotifyItem;
  ++s.Count;
  ANotifyItem->FWindow = s.Node->FForm->GetHandle();
}

void TRBMainWindowNode::RemoveReff(TRBMainThreadNotify* ANotifyItem) {
  TNodeState& s = NodeState();
  std::unique_lock<std::mutex> lock(s.Lock);
  if (!s.Node || s.Node->FNotifyList.erase(ANotifyItem->FNumber) == 0) return;
  const uint32_t self = platform::GetCurrentThreadId();
  const uint64_t number = ANotifyItem->FNumber;
  s.DeliveryEnded.wait(lock, [&] {
    return std::none_of(s.Delivering.begin(), s.Delivering.end(),
                        [&](const auto& d) { return d.first == number && d.second != self; });
  });
  if (--s.Count == 0) platform::FreeAndNil(s.Node);
}

platform::HWND TRBMainWindowNode::GetHandle() {
  TNodeState& s = NodeState();
  std::lock_guard<std::mutex> lock(s.Lock);
  return s.Node ? s.Node->FForm->GetHandle() : 0;
}

int32_t TRBMainWindowNode::NotifierCount() {
  TNodeState& s = NodeState();
  std::lock_guard<std::mutex> lock(s.Lock);
  return s.Count;
}

bool TRBMainWindowNode::HandleMessage(TMessage& Message) {
  if (Message.Msg != RBMainThreadNotifyMessage) return false;
  TNodeState& s = NodeState();
  const uint64_t number = Message.WParam;
  const std::pair<uint64_t, uint32_t> delivery{number, platform::GetCurrentThreadId()};
  TRBMainThreadNotify* item = nullptr;
  {
    std::lock_guard<std::mutex> lock(s.Lock);
    auto it = FNotifyList.find(number);
    if (it == FNotifyList.end()) return true;  // the notifier is gone: the post is dropped
    item = it->second;
    s.Delivering.push_back(delivery);
  }
  // Ends the delivery also when the call-back raises; the node may be gone by then.
  struct TDeliveryEnd {
    TNodeState& S;
    std::pair<uint64_t, uint32_t> D;
    ~TDeliveryEnd() {
      {
        std::lock_guard<std::mutex> lock(S.Lock);
        S.Delivering.erase(std::find(S.Delivering.begin(), S.Delivering.end(), D));
      }
      S.DeliveryEnded.notify_all();
    }
  } end{s, delivery};
  item->DoNotify();
  return true;
}

// ---------------------------------------------------------------------------------------
// TRBMainThreadNotify

PF_DEFINE_CLASS(TRBMainThreadNotify, platform::TObject)

TRBMainThreadNotify::TRBMainThreadNotify(platform::TNotifyEvent AOnNotify)
    : FNumber(NextNotifierNumber()), FOnNotify(AOnNotify) {
  TRBMainWindowNode::AddReff(this);
}

void TRBMainThreadNotify::Destroy() {
  TRBMainWindowNode::RemoveReff(this);
  FOnNotify = nullptr;
  TObject::Destroy();
}

void TRBMainThreadNotify::Notify(bool ForcePost) {
  if (!ForcePost && InMainThread()) {
    DoNotify();
    return;
  }
  if (FSignaled.exchange(true, std::memory_order_acq_rel)) return;  // a post is pending
  // A refused post (the window is gone) leaves nothing pending, so a later Notify tries again.
  if (!platform::PostMessage(FWindow, RBMainThreadNotifyMessage, FNumber, 0))
    FSignaled.store(false, std::memory_order_release);
}

void TRBMainThreadNotify::DoNotify() {
  FSignaled.store(false, std::memory_order_release);
  if (FOnNotify.Assigned()) FOnNotify(this);
}

// ---------------------------------------------------------------------------------------
// TRBMainThreadBufferQueue

PF_DEFINE_CLASS(TRBMainThreadBufferQueue, platform::TObject)

TRBMainThreadBufferQueue::TRBMainThreadBufferQueue(TRBBufferNotifyEvent AOnBuffer)
    : FOnBuffer(AOnBuffer) {
  FBufferQueue = platform::New<TRBBufferList>();
  FMainThreadNotify = platform::New<TRBMainThreadNotify>(
      platform::TNotifyEvent::Bind<&TRBMainThreadBufferQueue::DeliverBuffer>(this));
}

void TRBMainThreadBufferQueue::Destroy() {
  {
    std::lock_guard<std::mutex> lock(FSendersLock);
    FClosed = true;
  }
  // One wake-up; each woken sender passes it on to the next.
  FSemaphore.Increment(1);
  {
    std::unique_lock<std::mutex> lock(FSendersLock);
    FSendersDone.wait(lock, [this] { return FSenders == 0; });
  }
  platform::FreeAndNil(FMainThreadNotify);
  if (FBufferQueue) FBufferQueue->Clear();
  platform::FreeAndNil(FBufferQueue);
  FOnBuffer = nullptr;
  TObject::Destroy();
}

void TRBMainThreadBufferQueue::AddBuffer(IRBData* ABuffer, bool Queue) {
  {
    std::lock_guard<std::mutex> lock(FSendersLock);
    if (FClosed) return;
    ++FSenders;
  }
  struct TSenderExit {
    TRBMainThreadBufferQueue* Q;
    ~TSenderExit() {
      std::lock_guard<std::mutex> lock(Q->FSendersLock);
      if (--Q->FSenders == 0) Q->FSendersDone.notify_all();
    }
  } exit{this};
  FSemaphore.Decrement(platform::INFINITE);
  if (FClosed) {
    FSemaphore.Increment(1);  // the destruction's wake-up goes on to the next sender
    return;
  }
  bool stored = false;
  try {
    stored = FBufferQueue->Add(ABuffer, Queue);
  } catch (...) {
    FSemaphore.Increment(1);
    throw;
  }
  if (!stored) FSemaphore.Increment(1);  // dropped by the single-buffer rule
  FMainThreadNotify->Notify(true);
}

int32_t TRBMainThreadBufferQueue::SendersInFlight() {
  std::lock_guard<std::mutex> lock(FSendersLock);
  return FSenders;
}

void TRBMainThreadBufferQueue::Clear() {
  const int32_t removed = FBufferQueue->Clear();
  if (removed > 0) FSemaphore.Increment(removed);
}

void TRBMainThreadBufferQueue::DeliverBuffer(TObject* Sender) {
  (void)Sender;
  RefPtr<IRBData> buffer;
  if (!FBufferQueue->PopFirst(buffer)) return;
  FSemaphore.Increment(1);
  if (FBufferQueue->Count() > 0) FMainThreadNotify->Notify(true);
  // Last: the call-back may free this queue.
  const TRBBufferNotifyEvent onBuffer = FOnBuffer;
  if (onBuffer.Assigned()) onBuffer(this, buffer.Get());
}

}  // namespace components
