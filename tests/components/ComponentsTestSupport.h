// Helpers of the component tests.
#pragma once

#include "buffers/RBSimpleDataBuffer.h"

namespace componentstest {

// The first element of an integer buffer (-1 for anything else).
int32_t IntegerValue(buffers::IRBData* ABuffer);
inline int32_t IntegerValue(const platform::RefPtr<buffers::IRBData>& ABuffer) {
  return IntegerValue(ABuffer.Get());
}

}  // namespace componentstest
