#include "components/PXGenericFilter.h"

#include "platform/Properties.h"

namespace components {

namespace {

void DescribeTPXGenericFilter(platform::TClassInfo& info) {
  platform::TPublisher<TPXGenericFilter> p(info);
  p.Property("OnProcessData", &TPXGenericFilter::OnProcessData,
             &TPXGenericFilter::SetOnProcessData);
}

}  // namespace

PF_DEFINE_COMPONENT(TPXGenericFilter, TPXBasicStartGenericFilter, DescribeTPXGenericFilter)

void TPXGenericFilter::SetOnProcessData(TPXProcessVideoNotify Value) {
  auto s = FOutputLock->WriteLock();
  FOnProcessData = Value;
}

void TPXGenericFilter::SendData(IPXImageBuffer* OutBuffer) { FOutputPin->SubmitBuffer(OutBuffer); }

void TPXGenericFilter::HandleData(IPXImageBuffer* InBuffer, RefPtr<IPXImageBuffer>& OutBuffer,
                                  bool& SendOutputData) {
  if (FOnProcessData.Assigned()) FOnProcessData(this, InBuffer, OutBuffer, SendOutputData);
}

}  // namespace components
