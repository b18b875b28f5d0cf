// The Hough-circles component: finds circles in every image it receives.
//
// Each image goes on unchanged through the image output pin first. Then the image is turned
// to gray, smoothed with a Gaussian mask in the OpenCV wrapper library (Smooth.MaskSize,
// 11 x 11 unless set otherwise; no smoothing when Smooth.Enabled is False) and handed to the
// circle detector (components/PXBasicHough.h) with the published parameters: Resolution (the
// accumulator's inverse resolution), MinDistance between centres, Threshold.High (the Canny
// high threshold) and Threshold.Accumulator (the votes a centre needs), both rounded half to
// even, and MinRadius/MaxRadius (0 for any). The list of circles goes out on OutputPin (when
// linked) and to OnCirclesDetect (when assigned). What a detection costs, and which settings
// bound it, is told in components/PXBasicHough.h: on crowded pictures with the lowest
// thresholds and no minimum distance it takes seconds.
//
// Where the work runs (SynchronizeType):
//   stNone: detection, the result operation and the event run in the delivering thread, and
//     only when OutputPin is linked or OnCirclesDetect is assigned.
//   stSingleBuffer / stQueue with OutputPin linked: detection and the result operation run in
//     the delivering thread; the result is queued (stSingleBuffer keeps only the newest) and
//     the event runs on the main thread.
//   stSingleBuffer / stQueue with OutputPin unlinked: the image is queued for the main thread
//     (stSingleBuffer drops images while one waits), where detection and the event run.
// The event always runs without the component's locks and inside the result section, which
// CurrentImage also takes.
//
// The settings of a detection are copied under the lock when it starts, so a change made by
// another thread meanwhile is seen either wholly or not at all. Without the wrapper library
// DetectCircles raises ERBDLLLoadError "Can't load QZOpenCV2.dll"; on the direct road the
// sending pin swallows it (nothing is delivered), on the main-thread roads it reaches the
// message loop's exception handling.
#pragma once

#include <cstdint>

#include "components/PXRectRegion.h"
#include "components/PXVisionStreamTypes.h"
#include "platform/Methods.h"

namespace components {

// The mask of the Gaussian smoothing: odd sides, 11 x 11 by default.
class TPXHoughMaskSize : public TPXMaskSize {
  PF_CLASS(TPXHoughMaskSize)
  PF_ALLOW_NEW;

 protected:
  using TPXMaskSize::TPXMaskSize;
};

class TPXHoughSmooth : public pins::TCBPersistent {
  PF_CLASS(TPXHoughSmooth)
  PF_ALLOW_NEW;

 public:
  TPXHoughMaskSize* MaskSize() const { return FMaskSize; }
  // Copies the published properties of the given mask size.
  void SetMaskSize(TPXHoughMaskSize* Value) { FMaskSize->Assign(Value); }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FLock->Setter(FEnabled, Value); }

 protected:
  TPXHoughSmooth(TPersistent* AOwnerProperty, const RefPtr<ICBLock>& ALock);
  void Destroy() override;

 private:
  TPXHoughMaskSize* FMaskSize = nullptr;
  bool FEnabled = true;
};

class TPXHoughThreshold : public pins::TCBPersistent {
  PF_CLASS(TPXHoughThreshold)
  PF_ALLOW_NEW;

 public:
  // The Canny high threshold (the low one is half of it).
  double High() const { return FHigh; }
  void SetHigh(double Value) { FLock->Setter(FHigh, Value); }
  // The votes a centre needs (more than this).
  double Accumulator() const { return FAccumulator; }
  void SetAccumulator(double Value) { FLock->Setter(FAccumulator, Value); }

 protected:
  TPXHoughThreshold(TPersistent* AOwnerProperty, const RefPtr<ICBLock>& ALock)
      : TCBPersistent(AOwnerProperty, ALock) {}

 private:
  double FHigh = 200.0;
  double FAccumulator = 100.0;
};

// The settings of one detection, as the detector takes them: the thresholds rounded half to
// even, the radii as 32-bit integers (so values of 2^31 and above act as 0 or less).
struct TPXHoughSettings {
  bool Smooth = true;
  int32_t MaskWidth = 11;
  int32_t MaskHeight = 11;
  double Resolution = 2.0;
  double MinDistance = 50.0;
  int32_t CannyThreshold = 200;
  int32_t AccThreshold = 100;
  int32_t MinRadius = 0;
  int32_t MaxRadius = 0;
};

using TPXCirclesNotifyEvent = platform::TMethod<void(platform::TObject* Sender, TPXCircles* Circles)>;

class TPXHoughCircles : public TPXQueueVisionComponent {
  PF_CLASS(TPXHoughCircles)
  PF_ALLOW_NEW;

 public:
  TPXPNCirclesSourcePin* OutputPin() const { return FOutputPin; }
  TPXHoughSmooth* Smooth() const { return FSmooth; }
  void SetSmooth(TPXHoughSmooth* Value) { FSmooth->Assign(Value); }
  TPXHoughThreshold* Threshold() const { return FThreshold; }
  void SetThreshold(TPXHoughThreshold* Value) { FThreshold->Assign(Value); }
  double Resolution() const { return FResolution; }
  void SetResolution(double Value) { FLock->Setter(FResolution, Value); }
  double MinDistance() const { return FMinDistance; }
  void SetMinDistance(double Value) { FLock->Setter(FMinDistance, Value); }
  uint32_t MinRadius() const { return FMinRadius; }
  void SetMinRadius(uint32_t Value) { FLock->Setter(FMinRadius, Value); }
  uint32_t MaxRadius() const { return FMaxRadius; }
  void SetMaxRadius(uint32_t Value) { FLock->Setter(FMaxRadius, Value); }
  TPXCirclesNotifyEvent OnCirclesDetect() const { return FOnCirclesDetect; }
  // Stored under the component's write section.
  void SetOnCirclesDetect(TPXCirclesNotifyEvent Value);

  // The settings the next detection takes, copied together under the lock, so that a change
  // made by another thread meanwhile is seen either wholly or not at all.
  TPXHoughSettings DetectionSettings();

  // One detection: ACircles receives a new list with the circles found in AImage, which is
  // turned into its gray edge map on the way (in whichever thread calls it).
  void DetectCircles(IPXImageBuffer* AImage, RefPtr<IPXCircles>& ACircles);

  void ReceiveImage(IPXImageBuffer* AImage) override;
  void ProcessImage(IPXImageBuffer* AImage) override;
  void DeliverResult(platform::TObject* Sender) override;

 protected:
  explicit TPXHoughCircles(platform::TComponent* AOwner);
  void Destroy() override;

 private:
  // What comes back from downstream on OutputPin is not handled.
  TPNNotifyResult CirclesPinRequest(TPNBasicPin* Sender, const TGUID* DataTypeID, IPNNotifyOperation* Operation,
                                    TPNNotifyState State);
  // The result of one image: into the result section without the component's locks, the
  // image as current, the circles to the pin (when linked) and to the event.
  void Deliver(const RefPtr<IPXImageBuffer>& ACopy, const RefPtr<IPXCircles>& ACircles, bool ASendToPin);

  TPXPNCirclesSourcePin* FOutputPin = nullptr;
  TPXHoughSmooth* FSmooth = nullptr;
  TPXHoughThreshold* FThreshold = nullptr;
  double FResolution = 2.0;
  double FMinDistance = 50.0;
  uint32_t FMinRadius = 0;
  uint32_t FMaxRadius = 0;
  TPXCirclesNotifyEvent FOnCirclesDetect;
};

}  // namespace components
