// The base of image-to-image filters.
//
// TPXCommonFilter has one image input pin and one image output pin (which depends on the
// input). A start frame negotiates the output geometry (NegotiateFormat), starts processing
// and is passed on: the same operation when size and format stay, else a new start frame of
// the negotiated size (its ratio fields carry that size). Each image is processed into an
// output image that leaves through the output pin; while the filter is disabled, or while its
// output is unlinked and it skips unconnected outputs, the frame leaves as a view of the
// input. Frames without a time stamp are stamped from the frame delay: [0, d), [d, 2d), ...
// from the start; a stamped frame moves the clock to its own end, so the next unstamped one
// continues from there. The stamp is written into the image's shared store (the sender's view
// shows it too). Stops and every other operation go on downstream.
//
// Operations sent upstream to the output pin go on upstream through the input pin; when the
// input is unlinked the filter heads the chain: a start is answered with a pump request
// downstream and then handled as if it had arrived on the input.
//
// A supplied buffer that is not an image raises EIntfCastError; the sending pin drops it.
//
// Threads: the input pin's call-back holds the input lock, the output pin's the component
// lock (both locks); processing holds the output lock, in the delivering thread or in the
// worker. The output pin is built on the output lock with the input lock as its input-owner
// lock, so a delivery from it drops both.
#pragma once

#include <cstdint>

#include "buffers/PXSimpleImageBuffer.h"
#include "buffers/PXStreamTypes.h"
#include "components/RBCommonFilter.h"
#include "platform/Graphics.h"

namespace components {

using buffers::IPXImageBuffer;
using buffers::TPXPNImageSinkPin;
using buffers::TPXPNImageSourcePin;
using buffers::TPXVideoFormat;

class TPXCommonFilter : public TRBBasicCommonFilter {
  PF_CLASS(TPXCommonFilter)
  PF_ALLOW_NEW;

 public:
  TPXPNImageSourcePin* OutputPin() const { return FOutputPin; }
  TPXPNImageSinkPin* InputPin() const { return FInputPin; }
  // The negotiated format of the running stream.
  TPXVideoFormat InputVideoFormat() const { return FRunningVideoFormat; }

  // Processes one image without pins: a new view of Image is the input, and Image receives
  // the output.
  void ProcessFrame(RefPtr<IPXImageBuffer>& Image);
  // Disabled: OutImage becomes InImage. Otherwise the format is negotiated for the image's
  // size (frame delay 10) and the frame processed; processing is not started.
  void ProcessFrame(IPXImageBuffer* InImage, RefPtr<IPXImageBuffer>& OutImage);
  // The same for a bitmap (processing is started); the output is written into OutBitmap.
  void ProcessBitmap(platform::TBitmap* InBitmap, platform::TBitmap* OutBitmap);

  // See the top of this file. Holds the input lock.
  TPNNotifyResult InputOperation(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                 IPNNotifyOperation* Operation, TPNNotifyState State) override;
  // Called under the output lock: processes (or passes through) the frame and submits the
  // output unless the processing withdrew it.
  TPNNotifyResult ProcessData(IRBDataBuffer* InBuffer, IRBDataBuffer* OutBuffer) override;
  // Inherited, then no start frame of this filter's making is out.
  void StopProcessing() override;
  TPNBasicPin* GetOutputPin() override { return FOutputPin; }

  // Whether a start frame is passed downstream at all.
  virtual bool SendsStart() { return true; }
  // The output pin's call-back (operations from downstream). Holds the component lock.
  virtual TPNNotifyResult OutputOperation(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                          IPNNotifyOperation* Operation, TPNNotifyState State);
  // Converts the input to vfRGB24 before processing.
  virtual void PrepareInput(RefPtr<IPXImageBuffer>& InImage);
  // With Process: PrepareInput, the output becomes a view of the input, ProcessImage.
  // SendOutput false keeps the frame from leaving.
  virtual void ProcessFrameData(RefPtr<IPXImageBuffer> InImage, RefPtr<IPXImageBuffer>& OutImage,
                                bool& SendOutput, bool Process);
  // Disabled: the output stays a view of the input.
  virtual void PassThrough(IPXImageBuffer* InImage, RefPtr<IPXImageBuffer>& OutImage) {
    (void)InImage;
    (void)OutImage;
  }
  // The image work of a derived filter.
  virtual void ProcessImage(IPXImageBuffer* InImage, RefPtr<IPXImageBuffer>& OutImage) {
    (void)InImage;
    (void)OutImage;
  }
  // StopProcessing; false: the stop is passed downstream as well.
  virtual bool HandleStop();
  // Whether a frame is left unprocessed while the output pin is unlinked.
  virtual bool SkipUnconnected() { return true; }
  // Records the output geometry under the component lock (when granted); a derived filter
  // may change the size, ratio and format it is given.
  virtual void NegotiateFormat(uint32_t& Width, uint32_t& Height, uint32_t& RatioHeight,
                               uint32_t& RatioWidth, uint32_t InterlaceFlags, int32_t FrameDelay,
                               TPXVideoFormat& Format);
  // The request goes on downstream.
  virtual void PumpRequest(IPNNotifyOperation* AOperation);

  void BeforeDestruction() override;

 protected:
  explicit TPXCommonFilter(platform::TComponent* AOwner);
  void Destroy() override;

  // The negotiation of a stream's or a single frame's start: the input size is recorded and
  // NegotiateFormat runs; Format receives the negotiated format.
  void NegotiateInput(uint32_t& Width, uint32_t& Height, uint32_t& RatioWidth,
                      uint32_t& RatioHeight, uint32_t InterlaceFlags, int32_t FrameDelay,
                      TPXVideoFormat& Format);

  TPXPNImageSourcePin* FOutputPin = nullptr;
  TPXPNImageSinkPin* FInputPin = nullptr;
  bool FStartSent = false;
  uint32_t FWidth = 0;
  uint32_t FHeight = 0;
  uint32_t FAspectRatioWidth = 0;
  uint32_t FAspectRatioHeight = 0;
  uint32_t FInterlaceFlags = 0;
  uint32_t FRunningWidth = 0;
  uint32_t FRunningHeight = 0;
  uint32_t FInputWidth = 0;
  uint32_t FInputHeight = 0;
  int64_t FRunningFrameDelay = 0;
  TPXVideoFormat FRunningVideoFormat = buffers::vfRGB24;
  uint32_t FRunningInterlaceFlags = 0;
  int64_t FCurrentTime = 0;
};

}  // namespace components
