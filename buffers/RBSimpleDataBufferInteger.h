// The integer signal buffer: a copy-on-write vector of signed 32-bit integers.
//
// Operations with another buffer work over the smaller element count and read Right in place;
// operations on this buffer's data take Modify (SetValue and Zero take Write, which skips
// copying shared data they overwrite). Arithmetic saturates to the 32-bit range (scale factor
// 0 of the signal primitives). Modulo, shifts by another buffer and division by a constant
// truncate toward zero in the buffer's own loops:
//
//   ModBuffer/ModValue   remainder with the dividend's sign; a zero divisor raises EDivByZero
//                        "Division by zero" at that element (earlier elements are changed);
//                        -2147483648 mod -1 is 0;
//   LShift/RShift        by (Right[i] and 31); RShift is logical;
//   LShiftValue/...      by a constant: counts above 31 clear (right: 0 or -1 by sign),
//                        negative counts change nothing;
//   DivideValue          truncating; 0 and 1 change nothing; -2147483648 / -1 saturates.
//
// GetItem/SetItem raise ERangeError "Index out of range = %u" outside 0 .. GetSize - 1.
#pragma once

#include "buffers/RBSimpleDataBuffer.h"

namespace buffers {

struct IRBIntegerBuffer : virtual IRBElementAccess<int32_t> {
  static constexpr TGUID IID = TGUID::Parse("{51D45274-AF18-4746-BBF1-94C82F07139B}");
  virtual int32_t GetItem(int32_t Index) = 0;
  virtual void SetItem(int32_t Index, int32_t Value) = 0;
  virtual void Add(IRBIntegerBuffer* Right) = 0;
  virtual void Subtract(IRBIntegerBuffer* Right) = 0;
  virtual void Multiply(IRBIntegerBuffer* Right) = 0;
  virtual void Divide(IRBIntegerBuffer* Right) = 0;
  virtual void ModBuffer(IRBIntegerBuffer* Right) = 0;
  virtual void AndBuffer(IRBIntegerBuffer* Right) = 0;
  virtual void OrBuffer(IRBIntegerBuffer* Right) = 0;
  virtual void XorBuffer(IRBIntegerBuffer* Right) = 0;
  virtual void LShift(IRBIntegerBuffer* Right) = 0;
  virtual void RShift(IRBIntegerBuffer* Right) = 0;
  virtual void SetValue(int32_t AValue) = 0;
  virtual void AddValue(int32_t AValue) = 0;
  virtual void SubtractValue(int32_t AValue) = 0;
  virtual void MultiplyValue(int32_t AValue) = 0;
  virtual void DivideValue(int32_t AValue) = 0;
  virtual void ModValue(int32_t AValue) = 0;
  virtual void AndValue(int32_t AValue) = 0;
  virtual void OrValue(int32_t AValue) = 0;
  virtual void XorValue(int32_t AValue) = 0;
  virtual void LShiftValue(int32_t AValue) = 0;
  virtual void RShiftValue(int32_t AValue) = 0;
  virtual void Zero() = 0;
  virtual int32_t Dot(IRBIntegerBuffer* Right) = 0;
  virtual int32_t GetMinValue() = 0;
  virtual int32_t GetMaxValue() = 0;
};

class TRBIntegerBuffer
    : public TRBTypedBuffer<TRBIntegerBuffer, int32_t, IRBIntegerBuffer> {
  PF_CLASS(TRBIntegerBuffer)
  PF_ALLOW_NEW;

 public:
  // n elements set to AValue.
  static RefPtr<TRBIntegerBuffer> CreateValue(int32_t AValue, uint32_t n);

  TRBSmartBuffer* pBuffer() const { return pDataContainer; }

  int32_t GetItem(int32_t Index) override { return ItemAt(Index); }
  void SetItem(int32_t Index, int32_t Value) override { StoreItem(Index, Value); }
  void Add(IRBIntegerBuffer* Right) override;
  void Subtract(IRBIntegerBuffer* Right) override;
  void Multiply(IRBIntegerBuffer* Right) override;
  // Rounded to nearest (ties to even); a zero divisor gives the largest or smallest value by
  // the dividend's sign, or 0 for 0.
  void Divide(IRBIntegerBuffer* Right) override;
  void ModBuffer(IRBIntegerBuffer* Right) override;
  void AndBuffer(IRBIntegerBuffer* Right) override;
  void OrBuffer(IRBIntegerBuffer* Right) override;
  void XorBuffer(IRBIntegerBuffer* Right) override;
  void LShift(IRBIntegerBuffer* Right) override;
  void RShift(IRBIntegerBuffer* Right) override;
  void SetValue(int32_t AValue) override;
  void AddValue(int32_t AValue) override;
  void SubtractValue(int32_t AValue) override;
  void MultiplyValue(int32_t AValue) override;
  void DivideValue(int32_t AValue) override;
  void ModValue(int32_t AValue) override;
  void AndValue(int32_t AValue) override;
  void OrValue(int32_t AValue) override;
  void XorValue(int32_t AValue) override;
  void LShiftValue(int32_t AValue) override;
  void RShiftValue(int32_t AValue) override;
  void Zero() override;
  // The sum of products over the smaller count, saturated to the 32-bit range.
  int32_t Dot(IRBIntegerBuffer* Right) override;
  int32_t GetMinValue() override;
  int32_t GetMaxValue() override;

  // Between two integer buffers indexes and Count are elements; to any other buffer they are
  // bytes. Ranges outside either buffer raise the range error before anything is copied.
  void CopyTo(int32_t SourceIndex, IRBDataBuffer* Dest, int32_t DestIndex,
              int32_t Count) override;

 protected:
  using TRBTypedBuffer::TRBTypedBuffer;

 private:
  // this[i] <- op(this[i], Right[i]) over the smaller count, in the buffer's own loop.
  template <class Op>
  void Combine(IRBIntegerBuffer* Right, Op op);
  // One primitive over (Right, this) with the smaller count.
  template <class Primitive>
  void CallWith(IRBIntegerBuffer* Right, Primitive primitive);
};

}  // namespace buffers
