// The media container: a shared container that also carries a time stamp (a flag and a begin
// and an end time, 64-bit, in whatever unit its users count). The stamp belongs to the
// container, so every view of it sees the same stamp; a clone takes the stamp along, whether
// or not it preserves the data. The pixel stores derive from it.
//
// Threads: the times are read and written under the container's lock, so a reader never sees
// half of a value; the flag is atomic.
#pragma once

#include <atomic>
#include <cstdint>

#include "buffers/RBInternalStore.h"

namespace buffers {

class TCXSmartMediaBuffer : public TRBSmartBuffer {
  PF_CLASS(TCXSmartMediaBuffer)
  PF_ALLOW_NEW;

 public:
  // A container with Other's time stamp.
  static TCXSmartMediaBuffer* CreateEx(TCXSmartMediaBuffer* Other, bool Preserve);

  // Under this container's lock: a new container of this class made by CreateEx, then given
  // this container's time data (SetTimeData). Descendants override it with their own class.
  TRBSmartBuffer* Clone(bool Preserve) override;
  // Under this container's lock: copies the time stamp from AOther. Descendants copy their
  // own time data as well.
  virtual void SetTimeData(TCXSmartMediaBuffer* AOther);

  bool GetTimeStampAvailable() const { return FTimeStampAvailable.load(std::memory_order_relaxed); }
  void SetTimeStampAvailable(bool AValue) { FTimeStampAvailable.store(AValue, std::memory_order_relaxed); }
  int64_t GetTimeStampBegin();
  int64_t GetTimeStampEnd();
  void SetTimeStampBegin(int64_t AValue);
  void SetTimeStampEnd(int64_t AValue);

 protected:
  // No stamp: flag false, both times 0.
  TCXSmartMediaBuffer() = default;
  TCXSmartMediaBuffer(TCXSmartMediaBuffer* Other, bool Preserve);

 private:
  std::atomic<bool> FTimeStampAvailable{false};
  int64_t FTimeStampBegin = 0;
  int64_t FTimeStampEnd = 0;
};

}  // namespace buffers
