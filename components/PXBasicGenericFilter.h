// The bases of the generic image filter, whose work is done by the application's event
// handlers (components/PXGenericFilter.h).
//
// The filter can head a chain: SendStartCommand sends a start frame upstream when the input
// pin is linked (asking the source to start), otherwise straight downstream, in which case
// the filter itself neither negotiates nor starts. SendStopCommand does the same with a stop;
// OnStop runs only when the filter itself was running.
//
// With SynchronizeType stNone the frame handler runs in the delivering thread under the
// output lock. With stSingleBuffer or stQueue the frame is handed to the main thread and the
// handler runs there without component locks (stSingleBuffer drops a frame while another is
// pending); the output then leaves from the main thread. A stop drops the frames not yet
// handed over.
//
// Threads: the commands may be called from any thread; delivery runs in that thread.
#pragma once

#include <cstdint>

#include "components/PXCommonFilter.h"
#include "components/RBFilterTypes.h"

namespace components {

using pins::TRBSynchronizeType;

// The start handler: may change the frame size.
using TPXStartNotify = platform::TMethod<void(platform::TObject* Sender, int32_t& AWidth,
                                              int32_t& AHeight, double AFrameDelay)>;

class TPXBasicGenericFilter : public TPXCommonFilter {
  PF_CLASS(TPXBasicGenericFilter)

 public:
  platform::TNotifyEvent OnStop() const { return FOnStop; }
  void SetOnStop(platform::TNotifyEvent Value) { FOnStop = Value; }
  TRBSynchronizeType SynchronizeType() const { return FSynchronizeType; }
  void SetSynchronizeType(TRBSynchronizeType Value) { FLock->Setter(FSynchronizeType, Value); }
  TRBMainThreadBufferQueue* BufferQueue() const { return FBufferQueue; }

  // A start frame of that size and delay (in 100-nanosecond units; 0 is taken as 1), in
  // vfRGBA32 with the size as ratio, or in the given format, or with the given ratio too;
  // interlace flags 0.
  void SendStartCommand(uint32_t AWidth, uint32_t AHeight, uint32_t AFrameDelay);
  void SendStartCommand(uint32_t AWidth, uint32_t AHeight, uint32_t AFrameDelay,
                        TPXVideoFormat AVideoFormat);
  void SendStartCommand(uint32_t AWidth, uint32_t AHeight, uint32_t AFrameDelay,
                        TPXVideoFormat AVideoFormat, uint32_t ARatioWidth, uint32_t ARatioHeight);
  void SendStopCommand();
  // Drops the frames waiting for the main thread.
  void ClearQueue() { FBufferQueue->Clear(); }

  // Running: inherited, then the main-thread queue is cleared and OnStop runs (in the thread
  // that delivered the stop). Not running: inherited only.
  void StopProcessing() override;
  // The output becomes a view of the input; then (under the output lock) the handler runs or
  // the frame is queued for the main thread. Process is not asked: an unlinked output does
  // not keep the handler from running.
  void ProcessFrameData(RefPtr<IPXImageBuffer> InImage, RefPtr<IPXImageBuffer>& OutImage,
                        bool& SendOutput, bool Process) override;
  // Keeps the interlace flags and lets StartFormat change the size; format and ratio pass
  // unchanged (the output geometry is not recorded).
  void NegotiateFormat(uint32_t& Width, uint32_t& Height, uint32_t& RatioHeight,
                       uint32_t& RatioWidth, uint32_t InterlaceFlags, int32_t FrameDelay,
                       TPXVideoFormat& Format) override;

  virtual void StartFormat(int32_t& Width, int32_t& Height, int32_t FrameDelay) = 0;
  virtual bool HasHandler() = 0;
  virtual void HandleData(IPXImageBuffer* InBuffer, RefPtr<IPXImageBuffer>& OutBuffer,
                          bool& SendOutputData) = 0;

 protected:
  explicit TPXBasicGenericFilter(platform::TComponent* AOwner);
  void Destroy() override;

 private:
  // The queue's call-back (main thread, no component lock): the handler (when Enabled) on a
  // new view of the frame, then the output leaves unless the handler withdrew it.
  void MainThreadBuffer(platform::TObject* Sender, IRBData* ABuffer);
  // Up the input pin when it is linked, else down the output pin.
  void SendCommand(IPNNotifyOperation* AOperation);

  platform::TNotifyEvent FOnStop;
  TRBSynchronizeType FSynchronizeType = pins::stNone;
  TRBMainThreadBufferQueue* FBufferQueue = nullptr;
};

class TPXBasicStartGenericFilter : public TPXBasicGenericFilter {
  PF_CLASS(TPXBasicStartGenericFilter)

 public:
  TPXStartNotify OnStart() const { return FOnStart; }
  void SetOnStart(TPXStartNotify Value) { FOnStart = Value; }

  // OnStart with the frame delay as a real number.
  void StartFormat(int32_t& Width, int32_t& Height, int32_t FrameDelay) override;

 protected:
  using TPXBasicGenericFilter::TPXBasicGenericFilter;

 private:
  TPXStartNotify FOnStart;
};

}  // namespace components
