// Small locked containers that hand work between threads.
//
// TRBBufferList holds the data buffers waiting for the main thread. It stores a new view of
// each buffer (sharing its container), in order when asked to queue, or only while none is
// pending otherwise (single-buffer mode: a newer buffer is dropped while one waits).
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

#include "buffers/RBSimpleDataBuffer.h"
#include "pins/PNPins.h"
#include "pins/PNPinsLocks.h"
#include "platform/Objects.h"

namespace components {

using pins::IPNLock;
using pins::IPNNotifyOperation;
using buffers::IRBData;
using buffers::IRBDataBuffer;
using platform::RefPtr;

class TRBBufferList : public platform::TObject {
  PF_CLASS(TRBBufferList)
  PF_ALLOW_NEW;

 public:
  // With Queue, or when the list is empty, a new view of AValue is appended (EIntfCastError
  // "Interface not supported" when AValue is no data buffer) and the result is true;
  // otherwise nothing is stored and the result is false.
  bool Add(IRBData* AValue, bool Queue);
  // The oldest (first) or newest (last) buffer, taken out; false when the list is empty.
  bool PopFirst(RefPtr<IRBData>& AValue) { return Pop(true, AValue); }
  bool PopLast(RefPtr<IRBData>& AValue) { return Pop(false, AValue); }
  // EListError "List index out of bounds (%d)" for a bad index.
  void Delete(int32_t Index);
  void GetVarItem(int32_t Index, RefPtr<IRBData>& Item);
  // Removes every buffer; the number removed.
  int32_t Clear();
  int32_t Count();

 protected:
  TRBBufferList() = default;
  void Destroy() override;

 private:
  bool Pop(bool First, RefPtr<IRBData>& AValue);
  void CheckIndex(int32_t Index);  // in the section

  pins::TPNCriticalSection FSection;
  std::deque<RefPtr<IRBDataBuffer>> FList;
};

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
