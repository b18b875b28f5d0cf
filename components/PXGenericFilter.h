// The generic image filter: a component whose frame processing is the application's
// OnProcessData handler (OnStart may change the frame size at a stream's start, OnStop reports
// its end; components/PXBasicGenericFilter.h). SendData lets the application inject images
// when the filter heads a chain.
//
// The handler receives the input image and the output image (a view of the input's store,
// which it may replace or write into) and may withdraw the frame by setting SendOutputData to
// false. Without a handler every frame leaves unchanged.
//
// Threads: the handler runs in the delivering thread under the output lock (stNone) or on the
// main thread without component locks (stSingleBuffer, stQueue). SendData runs the delivery
// in the calling thread.
#pragma once

#include "components/PXBasicGenericFilter.h"

namespace components {

using TPXProcessVideoNotify =
    platform::TMethod<void(platform::TObject* Sender, IPXImageBuffer* InBuffer,
                           RefPtr<IPXImageBuffer>& OutBuffer, bool& SendOutputData)>;

class TPXGenericFilter : public TPXBasicStartGenericFilter {
  PF_CLASS(TPXGenericFilter)
  PF_ALLOW_NEW;

 public:
  TPXProcessVideoNotify OnProcessData() const { return FOnProcessData; }
  // Stored under the output lock, so that it never changes under a running handler.
  void SetOnProcessData(TPXProcessVideoNotify Value);

  // Sends the image downstream as a supplied buffer, in the calling thread; what the
  // receivers raise is dropped.
  void SendData(IPXImageBuffer* OutBuffer);

  bool HasHandler() override { return FOnProcessData.Assigned(); }
  void HandleData(IPXImageBuffer* InBuffer, RefPtr<IPXImageBuffer>& OutBuffer,
                  bool& SendOutputData) override;

 protected:
  using TPXBasicStartGenericFilter::TPXBasicStartGenericFilter;

 private:
  TPXProcessVideoNotify FOnProcessData;
};

}  // namespace components
