#include "components/PXRectRegion.h"

#include "platform/Properties.h"

namespace components {
namespace {

void DescribeTPXSize(platform::TClassInfo& info) {
  platform::TPublisher<TPXSize> p(info);
  p.Property("Width", &TPXSize::Width, &TPXSize::SetWidth).Default(0);
  p.Property("Height", &TPXSize::Height, &TPXSize::SetHeight).Default(0);
}

void DescribeTPXMaskSize(platform::TClassInfo& info) {
  platform::TPublisher<TPXMaskSize> p(info);
  p.Redeclare("Width").Default(4);
  p.Redeclare("Height").Default(4);
}

}  // namespace

PF_DEFINE_CLASS_EX(TPXSize, pins::TCBPersistentNotify, nullptr, DescribeTPXSize)
PF_DEFINE_CLASS_EX(TPXMaskSize, TPXSize, nullptr, DescribeTPXMaskSize)

uint16_t TPXSize::Adjusted(uint16_t Value) const {
  if (!FAllowZero && Value == 0) Value = 1;
  if (!FAllowEven && Value % 2 == 0) ++Value;
  return Value;
}

TPXSizeValue TPXSize::GetSize() {
  auto section = FLock->ReadLock();
  return {FWidth, FHeight};
}

}  // namespace components
