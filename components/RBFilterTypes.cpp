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

}  // namespace components
