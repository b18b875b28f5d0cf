#include "buffers/RBSimpleDataBufferReal.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "binding/IPPDispatchTable.h"
#include "primitives/support/Support.h"

namespace buffers {

PF_DEFINE_CLASS(TRBRealBuffer, TRBLinearMemoryBuffer)

namespace {

int Common(IRBRealBuffer* a, IRBRealBuffer* b) {
  return static_cast<int>(std::min(a->GetSize(), b->GetSize()));
}

IppCmpOp Comparison(TRBThresholdType AType) {
  return AType == ttGreaterThan ? ippCmpGreater : ippCmpLess;
}

bool Marked(double v) { return v == -1.7e308 || v == 1.7e308 || std::isnan(v); }

// The range [b, e) of GetMin and GetMax clamped to a buffer of n > 0 elements.
void ClampRange(int32_t& b, int32_t& e, int32_t n) {
  b = std::max(b, 0);
  e = std::clamp(e, 0, n);
  if (b >= n) b = n - 1;
}

// A source that shares memory with the result of a primitive that forbids it, read from a copy.
class SourceCopy {
 public:
  SourceCopy(const double* data, int n, const double* dst, int dstLen) : data_(data) {
    if (n > 0 && dstLen > 0 && data < dst + dstLen && dst < data + n) {
      copy_.assign(data, data + n);
      data_ = copy_.data();
    }
  }
  const double* get() const { return data_; }

 private:
  const double* data_;
  std::vector<double> copy_;
};

}  // namespace

RefPtr<TRBRealBuffer> TRBRealBuffer::CreateValue(double AValue, uint32_t n) {
  RefPtr<TRBRealBuffer> buffer = CreateSize(n);
  buffer->SetValue(AValue);
  return buffer;
}

RefPtr<TRBRealBuffer> TRBRealBuffer::CreateWordData(const uint16_t* AData, uint32_t n) {
  RefPtr<TRBRealBuffer> buffer = CreateSize(n);
  double* data = buffer->Write();
  for (uint32_t i = 0; i < n; ++i) data[i] = AData[i];
  return buffer;
}

RefPtr<TRBRealBuffer> TRBRealBuffer::CreateSmallIntData(const int16_t* AData, uint32_t n) {
  RefPtr<TRBRealBuffer> buffer = CreateSize(n);
  buffer->FromShort(AData);
  return buffer;
}

RefPtr<TRBRealBuffer> TRBRealBuffer::CreateCardinalData(const uint32_t* AData, uint32_t n) {
  RefPtr<TRBRealBuffer> buffer = CreateSize(n);
  double* data = buffer->Write();
  for (uint32_t i = 0; i < n; ++i) data[i] = AData[i];
  return buffer;
}

RefPtr<TRBRealBuffer> TRBRealBuffer::CreateIntegerData(const int32_t* AData, uint32_t n) {
  RefPtr<TRBRealBuffer> buffer = CreateSize(n);
  buffer->FromInt(AData);
  return buffer;
}

RefPtr<TRBRealBuffer> TRBRealBuffer::CreateSingleData(const float* AData, uint32_t n) {
  RefPtr<TRBRealBuffer> buffer = CreateSize(n);
  buffer->FromSingle(AData);
  return buffer;
}

void TRBRealBuffer::SetItem(int32_t Index, double Value) {
  double* data = Modify();  // first: a failing index still leaves a private copy
  CheckRange(Index, 1, GetSize());
  data[Index] = Value;
}

void TRBRealBuffer::VectorJaehne(double AMagnitude) {
  const int n = static_cast<int>(GetSize());
  Overwrite(n, [&](double* d) { return ippsVectorJaehne_64f(d, n, AMagnitude); });
}

template <class Slot>
void TRBRealBuffer::WithRight(IRBRealBuffer* Right, Slot slot) {
  const int m = Common(this, Right);
  double* data = Modify();  // first: Right may be this buffer
  slot(Right->Read(), data, m);
}

void TRBRealBuffer::Add(IRBRealBuffer* Right) { WithRight(Right, ippsAdd_64f_I); }
void TRBRealBuffer::Subtract(IRBRealBuffer* Right) { WithRight(Right, ippsSub_64f_I); }
void TRBRealBuffer::Multiply(IRBRealBuffer* Right) { WithRight(Right, ippsMul_64f_I); }

void TRBRealBuffer::Divide(IRBRealBuffer* Right) {
  const int m = Common(this, Right);
  double* data = Modify();
  const double* right = Right->Read();
  if (ippsDiv_64f_I(right, data, m) != ippStsDivByZero) return;
  for (int i = 0; i < m; ++i) {
    const double divisor = right[i];
    if (divisor != 0 && !std::isnan(divisor)) continue;
    const double q = data[i];
    data[i] = std::isnan(divisor) || std::isnan(q) ? 0.0 : q > 0 ? 1.0e15 : -1.0e14;
  }
}

void TRBRealBuffer::SetValue(double AValue) {
  const int n = static_cast<int>(GetSize());
  Overwrite(n, [&](double* d) { return ippsSet_64f(AValue, d, n); });
}

void TRBRealBuffer::AddValue(double AValue) {
  if (AValue != 0) ippsAddC_64f_I(AValue, Modify(), static_cast<int>(GetSize()));
}

void TRBRealBuffer::SubtractValue(double AValue) {
  if (AValue != 0) ippsSubC_64f_I(AValue, Modify(), static_cast<int>(GetSize()));
}

void TRBRealBuffer::MultiplyValue(double AValue) {
  if (AValue != 1) ippsMulC_64f_I(AValue, Modify(), static_cast<int>(GetSize()));
}

void TRBRealBuffer::DivideValue(double AValue) {
  if (AValue != 0 && AValue != 1) ippsDivC_64f_I(AValue, Modify(), static_cast<int>(GetSize()));
}

void TRBRealBuffer::Zero() {
  const int n = static_cast<int>(GetSize());
  Overwrite(n, [&](double* d) { return ippsZero_64f(d, n); });
}

void TRBRealBuffer::ToInt(int32_t* OutBuffer, bool ARound) {
  ippsConvert_64f32s_Sfs(Read(), OutBuffer, static_cast<int>(GetSize()),
                         ARound ? ippRndNear : ippRndZero, 0);
}

void TRBRealBuffer::ToShort(int16_t* OutBuffer, bool ARound) {
  const double* data = Read();
  const uint32_t n = GetSize();
  for (uint32_t i = 0; i < n; ++i) {
    const int64_t v = ARound ? builtin::fbRoundToInt64(data[i]) : builtin::fbTruncToInt64(data[i]);
    OutBuffer[i] = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(v)));
  }
}

void TRBRealBuffer::ToSingle(float* OutBuffer) {
  ippsConvert_64f32f(Read(), OutBuffer, static_cast<int>(GetSize()));
}

void TRBRealBuffer::FromInt(const int32_t* InBuffer) {
  const int n = static_cast<int>(GetSize());
  Overwrite(n, [&](double* d) { return ippsConvert_32s64f(InBuffer, d, n); });
}

void TRBRealBuffer::FromShort(const int16_t* InBuffer) {
  const int n = static_cast<int>(GetSize());
  Overwrite(n, [&](double* d) { return ippsConvert_16s64f_Sfs(InBuffer, d, n, 0); });
}

void TRBRealBuffer::FromSingle(const float* InBuffer) {
  const int n = static_cast<int>(GetSize());
  Overwrite(n, [&](double* d) { return ippsConvert_32f64f(InBuffer, d, n); });
}

template <class Slot>
void TRBRealBuffer::FromSource(IRBRealBuffer* Src, Slot slot) {
  const int m = Common(this, Src);
  const double* src = Src->Read();  // before this buffer's data: Src may share its container
  Overwrite(m, [&](double* d) { return slot(src, d, m); });
}

void TRBRealBuffer::NormalizeFrom(IRBRealBuffer* Src, double Offset, double Factor) {
  FromSource(Src, [&](const double* s, double* d, int m) {
    return ippsNormalize_64f(s, d, m, Offset, Factor);
  });
}

void TRBRealBuffer::Normalize(double Offset, double Factor) {
  RefPtr<TRBRealBuffer> source = CreateCopy(this);
  NormalizeFrom(source.Get(), Offset, Factor);
}

double TRBRealBuffer::Dot(IRBRealBuffer* Right) {
  Ipp64f result = 0;
  ippsDotProd_64f(Read(), Right->Read(), Common(this, Right), &result);
  return result;
}

void TRBRealBuffer::Threshold(double AThreshold, TRBThresholdType AType) {
  ippsThreshold_64f_I(Modify(), static_cast<int>(GetSize()), AThreshold, Comparison(AType));
}

void TRBRealBuffer::ThresholdFrom(IRBRealBuffer* Src, double AThreshold, TRBThresholdType AType) {
  FromSource(Src, [&](const double* s, double* d, int m) {
    return ippsThreshold_64f(s, d, m, AThreshold, Comparison(AType));
  });
}

void TRBRealBuffer::Sqr() { ippsSqr_64f_I(Modify(), static_cast<int>(GetSize())); }
void TRBRealBuffer::SqrFrom(IRBRealBuffer* Src) { FromSource(Src, ippsSqr_64f); }
void TRBRealBuffer::Sqrt() { ippsSqrt_64f_I(Modify(), static_cast<int>(GetSize())); }
void TRBRealBuffer::SqrtFrom(IRBRealBuffer* Src) { FromSource(Src, ippsSqrt_64f); }
void TRBRealBuffer::Abs() { ippsAbs_64f_I(Modify(), static_cast<int>(GetSize())); }
void TRBRealBuffer::AbsFrom(IRBRealBuffer* Src) { FromSource(Src, ippsAbs_64f); }
void TRBRealBuffer::Exp() { ippsExp_64f_I(Modify(), static_cast<int>(GetSize())); }
void TRBRealBuffer::ExpFrom(IRBRealBuffer* Src) { FromSource(Src, ippsExp_64f); }
void TRBRealBuffer::Ln() { ippsLn_64f_I(Modify(), static_cast<int>(GetSize())); }
void TRBRealBuffer::LnFrom(IRBRealBuffer* Src) { FromSource(Src, ippsLn_64f); }

void TRBRealBuffer::AutoCorr(IRBRealBuffer* Src, TRBAutoCorrType AType) {
  const int m = Common(this, Src);
  const double* src = Src->Read();
  auto slot = AType == actBiased     ? ippsAutoCorr_NormA_64f
              : AType == actUnbiased ? ippsAutoCorr_NormB_64f
                                     : ippsAutoCorr_64f;
  Overwrite(m, [&](double* d) {
    const SourceCopy source(src, m, d, m);
    return slot(source.get(), m, d, m);
  });
}

void TRBRealBuffer::CrossCorr(IRBRealBuffer* Src1, IRBRealBuffer* Src2, int32_t LoLag) {
  const int n = static_cast<int>(GetSize());
  const int n1 = static_cast<int>(Src1->GetSize()), n2 = static_cast<int>(Src2->GetSize());
  const double* src1 = Src1->Read();
  const double* src2 = Src2->Read();
  Overwrite(n, [&](double* d) {
    const SourceCopy a(src1, n1, d, n), b(src2, n2, d, n);
    return ippsCrossCorr_64f(a.get(), n1, b.get(), n2, d, n, LoLag);
  });
}

double TRBRealBuffer::Mean() {
  Ipp64f result = 0;
  ippsMean_64f(Read(), static_cast<int>(GetSize()), &result);
  return result;
}

double TRBRealBuffer::StdDev() {
  Ipp64f result = 0;
  ippsStdDev_64f(Read(), static_cast<int>(GetSize()), &result);
  return result;
}

void TRBRealBuffer::Convolve(IRBRealBuffer* Src, IRBRealBuffer* H) {
  const int ns = static_cast<int>(Src->GetSize()), nh = static_cast<int>(H->GetSize());
  if (ns == 0 || nh == 0) return;
  const int64_t length = int64_t{ns} + nh - 1;
  if (length > GetSize()) return;
  const double* src = Src->Read();
  const double* h = H->Read();
  Overwrite(static_cast<uint64_t>(length), [&](double* d) {
    const int len = static_cast<int>(length);
    const SourceCopy a(src, ns, d, len), b(h, nh, d, len);
    return ippsConv_64f(a.get(), ns, b.get(), nh, d);
  });
}

double TRBRealBuffer::Norm(IRBRealBuffer* Src, TRBNormType AType) {
  auto slot = AType == ntL1Norm   ? ippsNormDiff_L1_64f
              : AType == ntL2Norm ? ippsNormDiff_L2_64f
                                  : ippsNormDiff_Inf_64f;
  Ipp64f result = 0;
  slot(Src->Read(), Read(), Common(this, Src), &result);
  return result;
}

double TRBRealBuffer::GetMinValue() {
  Ipp64f result = 0;
  ippsMin_64f(Read(), static_cast<int>(GetSize()), &result);
  return result;
}

double TRBRealBuffer::GetMaxValue() {
  Ipp64f result = 0;
  ippsMax_64f(Read(), static_cast<int>(GetSize()), &result);
  return result;
}

double TRBRealBuffer::GetMinIndex(int32_t& AIndex) {
  AIndex = 0;
  Ipp64f result = 0;
  ippsMinIndx_64f(Read(), static_cast<int>(GetSize()), &result, &AIndex);
  return result;
}

double TRBRealBuffer::GetMaxIndex(int32_t& AIndex) {
  AIndex = 0;
  Ipp64f result = 0;
  ippsMaxIndx_64f(Read(), static_cast<int>(GetSize()), &result, &AIndex);
  return result;
}

double TRBRealBuffer::Extreme(int32_t IndexBegin, int32_t IndexEnd, bool minimum) {
  const int32_t n = static_cast<int32_t>(GetSize());
  if (n == 0) return 0;
  ClampRange(IndexBegin, IndexEnd, n);
  Ipp64f result = 0;
  (minimum ? ippsMin_64f : ippsMax_64f)(Read() + IndexBegin, IndexEnd - IndexBegin, &result);
  return result;
}

double TRBRealBuffer::GetMin(int32_t IndexBegin, int32_t IndexEnd) {
  return Extreme(IndexBegin, IndexEnd, true);
}

double TRBRealBuffer::GetMax(int32_t IndexBegin, int32_t IndexEnd) {
  return Extreme(IndexBegin, IndexEnd, false);
}

double TRBRealBuffer::RestrictedExtreme(int32_t IndexBegin, int32_t IndexEnd, bool minimum) {
  const int32_t n = static_cast<int32_t>(GetSize());
  if (n == 0) return 0;
  ClampRange(IndexBegin, IndexEnd, n);
  if (IndexBegin == IndexEnd) return 0;
  const double* data = Read();
  double result = Marked(data[IndexBegin]) ? 0.0 : data[IndexBegin];
  for (int32_t i = IndexBegin + 1; i < IndexEnd; ++i) {
    const double v = data[i];
    if (Marked(v)) continue;
    if (minimum ? v < result : v > result) result = v;
  }
  return result;
}

double TRBRealBuffer::GetMinRestricted(int32_t IndexBegin, int32_t IndexEnd) {
  return RestrictedExtreme(IndexBegin, IndexEnd, true);
}

double TRBRealBuffer::GetMaxRestricted(int32_t IndexBegin, int32_t IndexEnd) {
  return RestrictedExtreme(IndexBegin, IndexEnd, false);
}

void TRBRealBuffer::CopyTo(int32_t SourceIndex, IRBDataBuffer* Dest, int32_t DestIndex,
                           int32_t Count) {
  auto* dest = Dest ? dynamic_cast<TRBRealBuffer*>(Dest->GetInstance()) : nullptr;
  if (!dest) return TRBGenericBuffer::CopyTo(SourceIndex, Dest, DestIndex, Count);
  if (Count <= 0) return;
  CheckRange(SourceIndex, Count, GetSize());
  CheckRange(DestIndex, Count, dest->GetSize());
  double* target = dest->Modify() + DestIndex;
  const double* source = Read() + SourceIndex;
  const bool overlap = source < target + Count && target < source + Count;
  (overlap ? ippsMove_64f : ippsCopy_64f)(source, target, Count);
}

}  // namespace buffers
