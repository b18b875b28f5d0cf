#include "tests/components/ComponentsTestSupport.h"

#include "buffers/RBSimpleDataBufferInteger.h"

namespace componentstest {

int32_t IntegerValue(buffers::IRBData* ABuffer) {
  auto integers = platform::Supports<buffers::IRBIntegerBuffer>(ABuffer);
  return integers ? integers->GetItem(0) : -1;
}

}  // namespace componentstest
