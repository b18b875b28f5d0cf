#include "buffers/RBSimpleDataBufferBlock.h"

#include <algorithm>

#include "binding/IPPDispatchTable.h"

namespace buffers {

PF_DEFINE_CLASS(TRBBlockBuffer, TRBLinearMemoryBuffer)

void TRBBlockBuffer::Saturated(IRBBlockBuffer* Right,
                               IppStatus (*slot)(const Ipp8u*, Ipp8u*, int, int)) {
  const int n = static_cast<int>(std::min(GetSize(), Right->GetSize()));
  uint8_t* data = Modify();  // first: Right may be this buffer
  slot(Right->Read(), data, n, 0);
}

void TRBBlockBuffer::Add(IRBBlockBuffer* Right) { Saturated(Right, ippsAdd_8u_ISfs); }
void TRBBlockBuffer::Subtract(IRBBlockBuffer* Right) { Saturated(Right, ippsSub_8u_ISfs); }
void TRBBlockBuffer::Multiply(IRBBlockBuffer* Right) { Saturated(Right, ippsMul_8u_ISfs); }

void TRBBlockBuffer::Divide(IRBBlockBuffer* Right) {
  const uint32_t n = std::min(GetSize(), Right->GetSize());
  uint8_t* data = Modify();
  const uint8_t* right = Right->Read();
  for (uint32_t i = 0; i < n; ++i) {
    if (right[i] == 0) throw EDivByZero("Division by zero");
    data[i] = static_cast<uint8_t>(data[i] / right[i]);
  }
}

void TRBBlockBuffer::SetValue(uint8_t AValue) {
  ippsSet_8u(AValue, Write(), static_cast<int>(GetSize()));
}

void TRBBlockBuffer::Zero() { ippsZero_8u(Write(), static_cast<int>(GetSize())); }

}  // namespace buffers
