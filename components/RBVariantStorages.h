// Small locked containers that hand work between threads.
//
// TRBOperationList is the first-in-first-out queue of notify operations of a worker thread.
// It takes its own lock unless it is given one, so that queue operations never contend with
// the component locks. Each operation runs under a section of that lock and does nothing
// (0 or null) when the lock refuses the section because it is being stopped.
//
// Threads: every operation is safe from any thread.
#pragma once

#include <cstdint>
#include <deque>

#include "pins/PNPins.h"
#include "pins/PNPinsLocks.h"
#include "platform/Objects.h"

namespace components {

using pins::IPNLock;
using pins::IPNNotifyOperation;
using platform::RefPtr;

class TRBOperationList : public platform::TObject {
  PF_CLASS(TRBOperationList)
  PF_ALLOW_NEW;

 public:
  // Puts AValue at the head: it is the next one popped. The new count.
  int32_t PushBack(IPNNotifyOperation* AValue);
  // Appends AValue at the tail; with SingleItem every operation before it is dropped. The
  // new count.
  int32_t Push(IPNNotifyOperation* AValue, bool SingleItem);
  int32_t ItemsCount();
  // The head operation, left in the queue; null when the queue is empty.
  RefPtr<IPNNotifyOperation> Peek();
  // The head operation, taken out; null when the queue is empty.
  RefPtr<IPNNotifyOperation> Pop();
  void Clear();

 protected:
  // ALock null: the list makes a lock of its own.
  explicit TRBOperationList(IPNLock* ALock = nullptr);
  void Destroy() override;

 private:
  RefPtr<IPNLock> FLock;
  std::deque<RefPtr<IPNNotifyOperation>> FList;
};

}  // namespace components
