// The complex signal buffer: a copy-on-write vector of complex values with 64-bit real and
// imaginary parts.
//
// It follows the real buffer's rules (RBSimpleDataBufferReal.h): one signal primitive through
// its dispatch slot per operation, the common length for operations with another buffer,
// Write when every element is overwritten and Modify when fewer are, sources read before this
// buffer's data is taken. Unlike the real buffer it skips no constant (AddValue (0, 0) still
// leaves a shared container) and repairs no division: a zero divisor leaves NaN in both parts,
// and a division by the constant (0, 0) is refused and changes nothing. The conversions to real
// vectors (GetReal, GetImaginary, Phase, Magnitude, PowerSpectrum) return new real buffers.
// GetItem/SetItem raise ERangeError "Index out of range = %u" outside 0 .. GetSize - 1.
#pragma once

#include "buffers/RBSimpleDataBufferReal.h"

namespace buffers {

// One element: the real part, then the imaginary part (16 bytes).
struct TPNRealComplex {
  double Real;
  double Imaginary;
  friend bool operator==(const TPNRealComplex&, const TPNRealComplex&) = default;
};
static_assert(sizeof(TPNRealComplex) == 16);

struct IRBComplexBuffer : virtual IRBElementAccess<TPNRealComplex> {
  static constexpr TGUID IID = TGUID::Parse("{FA61019A-FF10-4472-9F8C-89DC48D5C792}");
  virtual TPNRealComplex GetItem(int32_t Index) = 0;
  virtual void SetItem(int32_t Index, TPNRealComplex Value) = 0;
  virtual RefPtr<IRBRealBuffer> GetReal() = 0;
  virtual RefPtr<IRBRealBuffer> GetImaginary() = 0;
  virtual void Add(IRBComplexBuffer* Right) = 0;
  virtual void Subtract(IRBComplexBuffer* Right) = 0;
  virtual void Multiply(IRBComplexBuffer* Right) = 0;
  virtual void Divide(IRBComplexBuffer* Right) = 0;
  virtual void AddValue(double AReal, double AImag) = 0;
  virtual void SubtractValue(double AReal, double AImag) = 0;
  virtual void MultiplyValue(double AReal, double AImag) = 0;
  virtual void DivideValue(double AReal, double AImag) = 0;
  virtual void SetBuffer(IRBRealBuffer* AReal, IRBRealBuffer* AImag) = 0;
  virtual void SetValue(double AReal, double AImag) = 0;
  virtual void SetValue(TPNRealComplex AValue) = 0;
  virtual void Zero() = 0;
  virtual void NormalizeFrom(IRBComplexBuffer* Src, TPNRealComplex Offset, double Factor) = 0;
  virtual void Normalize(TPNRealComplex Offset, double Factor) = 0;
  virtual TPNRealComplex Dot(IRBComplexBuffer* Src) = 0;
  virtual void Threshold(double AThreshold, TRBThresholdType AType) = 0;
  virtual void ThresholdFrom(IRBComplexBuffer* Src, double AThreshold, TRBThresholdType AType) = 0;
  virtual void Sqr() = 0;
  virtual void SqrFrom(IRBComplexBuffer* Src) = 0;
  virtual void Sqrt() = 0;
  virtual void SqrtFrom(IRBComplexBuffer* Src) = 0;
  virtual void AutoCorr(IRBComplexBuffer* Src, TRBAutoCorrType AType) = 0;
  virtual void CrossCorr(IRBComplexBuffer* Src1, IRBComplexBuffer* Src2, int32_t LoLag) = 0;
  virtual RefPtr<IRBRealBuffer> Phase() = 0;
  virtual RefPtr<IRBRealBuffer> Magnitude() = 0;
  virtual RefPtr<IRBRealBuffer> PowerSpectrum() = 0;
};

class TRBComplexBuffer
    : public TRBTypedBuffer<TRBComplexBuffer, TPNRealComplex, IRBComplexBuffer> {
  PF_CLASS(TRBComplexBuffer)
  PF_ALLOW_NEW;

 public:
  // n elements set to AValue.
  static RefPtr<TRBComplexBuffer> CreateValue(TPNRealComplex AValue, uint32_t n);

  TRBSmartBuffer* pBuffer() const { return pDataContainer; }

  TPNRealComplex GetItem(int32_t Index) override { return ItemAt(Index); }
  void SetItem(int32_t Index, TPNRealComplex Value) override;
  RefPtr<IRBRealBuffer> GetReal() override;
  RefPtr<IRBRealBuffer> GetImaginary() override;
  void Add(IRBComplexBuffer* Right) override;
  void Subtract(IRBComplexBuffer* Right) override;
  void Multiply(IRBComplexBuffer* Right) override;
  void Divide(IRBComplexBuffer* Right) override;
  void AddValue(double AReal, double AImag) override;
  void SubtractValue(double AReal, double AImag) override;
  void MultiplyValue(double AReal, double AImag) override;
  void DivideValue(double AReal, double AImag) override;
  // The smaller count of the two real buffers becomes this buffer's size (a new container
  // unless the size is already that or 0), then the elements are built from both.
  void SetBuffer(IRBRealBuffer* AReal, IRBRealBuffer* AImag) override;
  void SetValue(double AReal, double AImag) override;
  void SetValue(TPNRealComplex AValue) override;
  void Zero() override;
  void NormalizeFrom(IRBComplexBuffer* Src, TPNRealComplex Offset, double Factor) override;
  void Normalize(TPNRealComplex Offset, double Factor) override;
  // The sum of products over the common length, without conjugation; (0, 0) when empty.
  TPNRealComplex Dot(IRBComplexBuffer* Src) override;
  // On magnitudes, the phase kept: ttGreaterThan cuts larger ones, ttLessThan raises smaller
  // ones (a zero element becomes (AThreshold, 0)).
  void Threshold(double AThreshold, TRBThresholdType AType) override;
  void ThresholdFrom(IRBComplexBuffer* Src, double AThreshold, TRBThresholdType AType) override;
  void Sqr() override;
  void SqrFrom(IRBComplexBuffer* Src) override;
  void Sqrt() override;
  void SqrtFrom(IRBComplexBuffer* Src) override;
  void AutoCorr(IRBComplexBuffer* Src, TRBAutoCorrType AType) override;
  void CrossCorr(IRBComplexBuffer* Src1, IRBComplexBuffer* Src2, int32_t LoLag) override;
  RefPtr<IRBRealBuffer> Phase() override;
  RefPtr<IRBRealBuffer> Magnitude() override;
  RefPtr<IRBRealBuffer> PowerSpectrum() override;

 protected:
  using TRBTypedBuffer::TRBTypedBuffer;

 private:
  template <class Slot>
  void WithRight(IRBComplexBuffer* Right, Slot slot);
  template <class Slot>
  void WithValue(double AReal, double AImag, Slot slot);
  template <class Slot>
  void FromSource(IRBComplexBuffer* Src, Slot slot);
  template <class Slot>
  RefPtr<IRBRealBuffer> ToReal(Slot slot);
};

}  // namespace buffers
