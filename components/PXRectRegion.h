// Sizes of regions as published properties: TPXSize, a width and a height of 16 bits that
// can refuse 0 and even values, and TPXMaskSize, the size of a filter mask (never 0, 4 x 4
// unless set otherwise).
//
// Setting a side stores the value as a 16-bit word; when zero is not allowed a 0 becomes 1,
// then when even values are not allowed an even value is raised by one. The value is stored
// through the shared lock's typed setter (under its write section, with change notification).
#pragma once

#include <cstdint>

#include "pins/CBComponent.h"

namespace components {

using pins::ICBLock;
using platform::RefPtr;
using platform::TPersistent;

struct TPXSizeValue {
  int32_t cx = 0;
  int32_t cy = 0;
};

class TPXSize : public pins::TCBPersistentNotify {
  PF_CLASS(TPXSize)
  PF_ALLOW_NEW;

 public:
  uint16_t Width() const { return FWidth; }
  uint16_t Height() const { return FHeight; }
  void SetWidth(uint16_t Value) { FLock->Setter(FWidth, Adjusted(Value)); }
  void SetHeight(uint16_t Value) { FLock->Setter(FHeight, Adjusted(Value)); }
  bool AllowZero() const { return FAllowZero; }
  bool AllowEven() const { return FAllowEven; }
  // (Width, Height) under the read section.
  TPXSizeValue GetSize();

 protected:
  TPXSize(TPersistent* AOwnerProperty, bool AAllowZero, bool AAllowEven, const RefPtr<ICBLock>& ALock,
          platform::TNotifyEvent AOnChange)
      : TCBPersistentNotify(AOwnerProperty, ALock, AOnChange), FAllowZero(AAllowZero), FAllowEven(AAllowEven) {}

  uint16_t FWidth = 0;
  uint16_t FHeight = 0;

 private:
  uint16_t Adjusted(uint16_t Value) const;

  bool FAllowZero = false;
  bool FAllowEven = false;
};

class TPXMaskSize : public TPXSize {
  PF_CLASS(TPXMaskSize)
  PF_ALLOW_NEW;

 protected:
  TPXMaskSize(TPersistent* AOwnerProperty, bool AAllowEven, const RefPtr<ICBLock>& ALock,
              platform::TNotifyEvent AOnChange)
      : TPXSize(AOwnerProperty, false, AAllowEven, ALock, AOnChange) {
    FWidth = 4;
    FHeight = 4;
  }
};

}  // namespace components
