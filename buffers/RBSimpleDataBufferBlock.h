// The block buffer: a copy-on-write vector of bytes, and through CreateUniversal the byte view
// of any other memory buffer (same bytes, same byte size, shared).
//
// Operations with another buffer work over the smaller byte count: sums and products saturate
// at 255, differences below 0 become 0, and Divide is unsigned byte division in the buffer's
// own loop (a zero divisor raises EDivByZero "Division by zero" at that byte; earlier bytes
// are changed). GetItem/SetItem raise ERangeError "Index out of range = %u" outside
// 0 .. GetSize - 1.
#pragma once

#include "buffers/RBSimpleDataBuffer.h"
#include "primitives/support/IppTypes.h"

namespace buffers {

struct IRBBlockBuffer : virtual IRBElementAccess<uint8_t> {
  static constexpr TGUID IID = TGUID::Parse("{1D7F6725-9466-43E9-9B6C-164FAB691FEA}");
  virtual void Add(IRBBlockBuffer* Right) = 0;
  virtual void Subtract(IRBBlockBuffer* Right) = 0;
  virtual void Multiply(IRBBlockBuffer* Right) = 0;
  virtual void Divide(IRBBlockBuffer* Right) = 0;
  virtual void SetValue(uint8_t AValue) = 0;
  virtual void Zero() = 0;
  virtual uint8_t GetItem(int32_t Index) = 0;
  virtual void SetItem(int32_t Index, uint8_t Value) = 0;
};

class TRBBlockBuffer : public TRBTypedBuffer<TRBBlockBuffer, uint8_t, IRBBlockBuffer> {
  PF_CLASS(TRBBlockBuffer)
  PF_ALLOW_NEW;

 public:
  TRBSmartBuffer* pBuffer() const { return pDataContainer; }

  void Add(IRBBlockBuffer* Right) override;
  void Subtract(IRBBlockBuffer* Right) override;
  void Multiply(IRBBlockBuffer* Right) override;
  void Divide(IRBBlockBuffer* Right) override;
  void SetValue(uint8_t AValue) override;
  void Zero() override;
  uint8_t GetItem(int32_t Index) override { return ItemAt(Index); }
  void SetItem(int32_t Index, uint8_t Value) override { StoreItem(Index, Value); }

 protected:
  using TRBTypedBuffer::TRBTypedBuffer;

 private:
  // One in-place byte primitive over (Right, this) with the smaller count, scale factor 0.
  void Saturated(IRBBlockBuffer* Right, IppStatus (*slot)(const Ipp8u*, Ipp8u*, int, int));
};

}  // namespace buffers
