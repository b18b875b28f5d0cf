#include "tests/components/ComponentsTestSupport.h"

#include "buffers/RBSimpleDataBufferInteger.h"

namespace componentstest {

PF_DEFINE_CLASS(TTestBinarySinkPin, TRBPNSinkPin)
PF_DEFINE_CLASS(TTestStringSinkPin, TRBPNSinkPin)
PF_DEFINE_CLASS(TTestPairedSinkPin, TRBPNSinkPin)

int32_t IntegerValue(IRBData* ABuffer) {
  auto integers = platform::Supports<IRBIntegerBuffer>(ABuffer);
  return integers ? integers->GetItem(0) : -1;
}

TPNNotifyResult TOwner::OnOperation(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                    IPNNotifyOperation* Operation, TPNNotifyState State) {
  (void)DataTypeID;
  (void)State;
  Received.push_back({Sender, RefPtr<IPNNotifyOperation>(Operation), Operation->Instance()->ClassName()});
  if (Raise) throw platform::Exception("the receiver failed");
  return Result;
}

void TOwner::OnConnect(platform::TObject* Sender) {
  (void)Sender;
  ++Connects;
}

Names TOwner::At(TPNBasicPin* APin) const {
  Names names;
  for (const TReceived& r : Received)
    if (r.Pin == APin) names.push_back(r.ClassName);
  return names;
}

}  // namespace componentstest
