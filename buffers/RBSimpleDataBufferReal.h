// The real signal buffer: a copy-on-write vector of 64-bit floating-point values.
//
// Nearly every operation is one signal primitive called through its dispatch slot, so a loaded
// library serves the buffer as well as the built-in versions do. How an operation reaches this
// buffer's data follows the copy-on-write rule of the data buffers:
//
//   Read     in place, never copies;
//   Write    the whole buffer is overwritten: a shared container is left without its data;
//   Modify   part of the data stays: a shared container is left with its data.
//
// Operations with another buffer work over the smaller element count ("the common length").
// An operation that writes all n elements of this buffer takes Write; one that writes fewer
// (a shorter source, fewer lags, a shorter convolution) takes Modify, so the elements beyond
// keep their values whether or not the container was shared. Sources are read before this
// buffer's data is taken: a source that is this very view, or another view of the same shared
// container, is read from the old data. Where source and result would then be the same memory
// and the primitive forbids it (auto- and cross-correlation, convolution), the source is read
// from a copy.
//
// A reduction whose primitive refuses its length (an empty buffer or range, StdDev of fewer
// than two elements) returns 0. GetItem/SetItem raise ERangeError "Index out of range = %u"
// outside 0 .. GetSize - 1; SetItem takes Modify first.
#pragma once

#include "buffers/RBSimpleDataBuffer.h"

namespace buffers {

enum TRBThresholdType { ttGreaterThan, ttLessThan };
enum TRBAutoCorrType { actNormal, actBiased, actUnbiased };
enum TRBNormType { ntL1Norm, ntL2Norm, ntCNorm };

struct IRBRealBuffer : virtual IRBElementAccess<double> {
  static constexpr TGUID IID = TGUID::Parse("{032C61EC-364E-4739-A2FE-E7DA0BA64939}");
  virtual double GetItem(int32_t Index) = 0;
  virtual void SetItem(int32_t Index, double Value) = 0;
  virtual void VectorJaehne(double AMagnitude) = 0;
  virtual void Add(IRBRealBuffer* Right) = 0;
  virtual void Subtract(IRBRealBuffer* Right) = 0;
  virtual void Multiply(IRBRealBuffer* Right) = 0;
  virtual void Divide(IRBRealBuffer* Right) = 0;
  virtual void SetValue(double AValue) = 0;
  virtual void AddValue(double AValue) = 0;
  virtual void SubtractValue(double AValue) = 0;
  virtual void MultiplyValue(double AValue) = 0;
  virtual void DivideValue(double AValue) = 0;
  virtual void Zero() = 0;
  virtual void ToInt(int32_t* OutBuffer, bool ARound) = 0;
  virtual void ToShort(int16_t* OutBuffer, bool ARound) = 0;
  virtual void ToSingle(float* OutBuffer) = 0;
  virtual void FromInt(const int32_t* InBuffer) = 0;
  virtual void FromShort(const int16_t* InBuffer) = 0;
  virtual void FromSingle(const float* InBuffer) = 0;
  virtual void NormalizeFrom(IRBRealBuffer* Src, double Offset, double Factor) = 0;
  virtual void Normalize(double Offset, double Factor) = 0;
  virtual double Dot(IRBRealBuffer* Right) = 0;
  virtual void Threshold(double AThreshold, TRBThresholdType AType) = 0;
  virtual void ThresholdFrom(IRBRealBuffer* Src, double AThreshold, TRBThresholdType AType) = 0;
  virtual void Sqr() = 0;
  virtual void SqrFrom(IRBRealBuffer* Src) = 0;
  virtual void Sqrt() = 0;
  virtual void SqrtFrom(IRBRealBuffer* Src) = 0;
  virtual void AutoCorr(IRBRealBuffer* Src, TRBAutoCorrType AType) = 0;
  virtual void CrossCorr(IRBRealBuffer* Src1, IRBRealBuffer* Src2, int32_t LoLag) = 0;
  virtual void Abs() = 0;
  virtual void AbsFrom(IRBRealBuffer* Src) = 0;
  virtual void Exp() = 0;
  virtual void ExpFrom(IRBRealBuffer* Src) = 0;
  virtual void Ln() = 0;
  virtual void LnFrom(IRBRealBuffer* Src) = 0;
  virtual double Mean() = 0;
  virtual double StdDev() = 0;
  virtual void Convolve(IRBRealBuffer* Src, IRBRealBuffer* H) = 0;
  virtual double Norm(IRBRealBuffer* Src, TRBNormType AType) = 0;
  virtual double GetMinValue() = 0;
  virtual double GetMaxValue() = 0;
  virtual double GetMinIndex(int32_t& AIndex) = 0;
  virtual double GetMaxIndex(int32_t& AIndex) = 0;
  virtual double GetMin(int32_t IndexBegin, int32_t IndexEnd) = 0;
  virtual double GetMax(int32_t IndexBegin, int32_t IndexEnd) = 0;
  virtual double GetMinRestricted(int32_t IndexBegin, int32_t IndexEnd) = 0;
  virtual double GetMaxRestricted(int32_t IndexBegin, int32_t IndexEnd) = 0;
};

class TRBRealBuffer : public TRBTypedBuffer<TRBRealBuffer, double, IRBRealBuffer> {
  PF_CLASS(TRBRealBuffer)
  PF_ALLOW_NEW;

 public:
  // n elements set to AValue.
  static RefPtr<TRBRealBuffer> CreateValue(double AValue, uint32_t n);
  // n elements converted exactly from unsigned 16-bit, signed 16-bit, unsigned 32-bit, signed
  // 32-bit and 32-bit float values.
  static RefPtr<TRBRealBuffer> CreateWordData(const uint16_t* AData, uint32_t n);
  static RefPtr<TRBRealBuffer> CreateSmallIntData(const int16_t* AData, uint32_t n);
  static RefPtr<TRBRealBuffer> CreateCardinalData(const uint32_t* AData, uint32_t n);
  static RefPtr<TRBRealBuffer> CreateIntegerData(const int32_t* AData, uint32_t n);
  static RefPtr<TRBRealBuffer> CreateSingleData(const float* AData, uint32_t n);

  TRBSmartBuffer* pBuffer() const { return pDataContainer; }

  double GetItem(int32_t Index) override { return ItemAt(Index); }
  void SetItem(int32_t Index, double Value) override;
  void VectorJaehne(double AMagnitude) override;
  void Add(IRBRealBuffer* Right) override;
  void Subtract(IRBRealBuffer* Right) override;
  void Multiply(IRBRealBuffer* Right) override;
  // A zero (or NaN) divisor gives 1.0e15 for a positive quotient, -1.0e14 for a negative
  // one and 0.0 for 0/0 or a NaN divisor.
  void Divide(IRBRealBuffer* Right) override;
  void SetValue(double AValue) override;
  // 0 (1 for MultiplyValue, 0 and 1 for DivideValue) changes nothing and copies nothing.
  void AddValue(double AValue) override;
  void SubtractValue(double AValue) override;
  void MultiplyValue(double AValue) override;
  void DivideValue(double AValue) override;
  void Zero() override;
  // The caller's buffers hold GetSize elements. ToShort stores the low 16 bits of the value
  // rounded (nearest, ties to even) or truncated to a 64-bit integer; NaN and values beyond
  // the 64-bit range store 0.
  void ToInt(int32_t* OutBuffer, bool ARound) override;
  void ToShort(int16_t* OutBuffer, bool ARound) override;
  void ToSingle(float* OutBuffer) override;
  void FromInt(const int32_t* InBuffer) override;
  void FromShort(const int16_t* InBuffer) override;
  void FromSingle(const float* InBuffer) override;
  // this[i] <- (Src[i] - Offset) / Factor; Normalize reads this buffer's old data and always
  // leaves its result in a new container.
  void NormalizeFrom(IRBRealBuffer* Src, double Offset, double Factor) override;
  void Normalize(double Offset, double Factor) override;
  double Dot(IRBRealBuffer* Right) override;
  // ttGreaterThan cuts values above AThreshold to it, ttLessThan raises values below it.
  void Threshold(double AThreshold, TRBThresholdType AType) override;
  void ThresholdFrom(IRBRealBuffer* Src, double AThreshold, TRBThresholdType AType) override;
  void Sqr() override;
  void SqrFrom(IRBRealBuffer* Src) override;
  void Sqrt() override;
  void SqrtFrom(IRBRealBuffer* Src) override;
  // The auto-correlation of the first m elements of Src for lags 0 .. m - 1, m the common
  // length: plain, divided by m (actBiased) or lag k divided by m - k (actUnbiased).
  void AutoCorr(IRBRealBuffer* Src, TRBAutoCorrType AType) override;
  // The cross-correlation of Src1 and Src2 for the GetSize lags LoLag, LoLag + 1, ...
  void CrossCorr(IRBRealBuffer* Src1, IRBRealBuffer* Src2, int32_t LoLag) override;
  void Abs() override;
  void AbsFrom(IRBRealBuffer* Src) override;
  void Exp() override;
  void ExpFrom(IRBRealBuffer* Src) override;
  void Ln() override;
  void LnFrom(IRBRealBuffer* Src) override;
  double Mean() override;
  double StdDev() override;
  // The full linear convolution (Src count + H count - 1 elements) from the first element; a
  // result that does not fit this buffer changes nothing.
  void Convolve(IRBRealBuffer* Src, IRBRealBuffer* H) override;
  // The norm of Src - this over the common length.
  double Norm(IRBRealBuffer* Src, TRBNormType AType) override;
  double GetMinValue() override;
  double GetMaxValue() override;
  // The extreme and the index of its first occurrence; 0 and index 0 for an empty buffer.
  double GetMinIndex(int32_t& AIndex) override;
  double GetMaxIndex(int32_t& AIndex) override;
  // The extreme over [IndexBegin, IndexEnd) after clamping: negative bounds become 0, an end
  // beyond the buffer its size, a beginning at or beyond the buffer the last index.
  double GetMin(int32_t IndexBegin, int32_t IndexEnd) override;
  double GetMax(int32_t IndexBegin, int32_t IndexEnd) override;
  // The same range without the missing-data marks -1.7e308 and +1.7e308 and without NaNs; a
  // marked first element is replaced by 0, which then competes; equal bounds give 0.
  double GetMinRestricted(int32_t IndexBegin, int32_t IndexEnd) override;
  double GetMaxRestricted(int32_t IndexBegin, int32_t IndexEnd) override;

  // Between two real buffers indexes and Count are elements; to any other buffer they are
  // bytes. Ranges outside either buffer raise the range error before anything is copied.
  void CopyTo(int32_t SourceIndex, IRBDataBuffer* Dest, int32_t DestIndex,
              int32_t Count) override;

 protected:
  using TRBTypedBuffer::TRBTypedBuffer;

 private:
  template <class Slot>
  void WithRight(IRBRealBuffer* Right, Slot slot);
  template <class Slot>
  void FromSource(IRBRealBuffer* Src, Slot slot);
  double Extreme(int32_t IndexBegin, int32_t IndexEnd, bool minimum);
  double RestrictedExtreme(int32_t IndexBegin, int32_t IndexEnd, bool minimum);
};

}  // namespace buffers
