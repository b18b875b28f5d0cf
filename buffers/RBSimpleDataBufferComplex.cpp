#include "buffers/RBSimpleDataBufferComplex.h"

#include <algorithm>
#include <vector>

#include "binding/IPPDispatchTable.h"

namespace buffers {

PF_DEFINE_CLASS(TRBComplexBuffer, TRBLinearMemoryBuffer)

namespace {

// The element layouts of the buffer and of the primitives are the same two float64 values.
Ipp64fc* Cplx(TPNRealComplex* p) { return reinterpret_cast<Ipp64fc*>(p); }
Ipp64fc Cplx(TPNRealComplex v) { return Ipp64fc{v.Real, v.Imaginary}; }

int Common(IRBComplexBuffer* a, IRBComplexBuffer* b) {
  return static_cast<int>(std::min(a->GetSize(), b->GetSize()));
}

IppCmpOp Comparison(TRBThresholdType AType) {
  return AType == ttGreaterThan ? ippCmpGreater : ippCmpLess;
}

// A source that shares memory with the result of a primitive that forbids it, read from a copy.
class SourceCopy {
 public:
  SourceCopy(const Ipp64fc* data, int n, const Ipp64fc* dst, int dstLen) : data_(data) {
    if (n > 0 && dstLen > 0 && data < dst + dstLen && dst < data + n) {
      copy_.assign(data, data + n);
      data_ = copy_.data();
    }
  }
  const Ipp64fc* get() const { return data_; }

 private:
  const Ipp64fc* data_;
  std::vector<Ipp64fc> copy_;
};

}  // namespace

RefPtr<TRBComplexBuffer> TRBComplexBuffer::CreateValue(TPNRealComplex AValue, uint32_t n) {
  RefPtr<TRBComplexBuffer> buffer = CreateSize(n);
  buffer->SetValue(AValue);
  return buffer;
}

void TRBComplexBuffer::SetItem(int32_t Index, TPNRealComplex Value) {
  TPNRealComplex* data = Modify();  // first, as the real buffer does
  CheckRange(Index, 1, GetSize());
  data[Index] = Value;
}

template <class Slot>
RefPtr<IRBRealBuffer> TRBComplexBuffer::ToReal(Slot slot) {
  const uint32_t n = GetSize();
  RefPtr<TRBRealBuffer> result = TRBRealBuffer::CreateSize(n);
  slot(Cplx(Read()), result->Write(), static_cast<int>(n));
  return result;
}

RefPtr<IRBRealBuffer> TRBComplexBuffer::GetReal() { return ToReal(ippsReal_64fc); }
RefPtr<IRBRealBuffer> TRBComplexBuffer::GetImaginary() { return ToReal(ippsImag_64fc); }
RefPtr<IRBRealBuffer> TRBComplexBuffer::Phase() { return ToReal(ippsPhase_64fc); }
RefPtr<IRBRealBuffer> TRBComplexBuffer::Magnitude() { return ToReal(ippsMagnitude_64fc); }
RefPtr<IRBRealBuffer> TRBComplexBuffer::PowerSpectrum() { return ToReal(ippsPowerSpectr_64fc); }

template <class Slot>
void TRBComplexBuffer::WithRight(IRBComplexBuffer* Right, Slot slot) {
  const int m = Common(this, Right);
  TPNRealComplex* data = Modify();  // first: Right may be this buffer
  slot(Cplx(Right->Read()), Cplx(data), m);
}

void TRBComplexBuffer::Add(IRBComplexBuffer* Right) { WithRight(Right, ippsAdd_64fc_I); }
void TRBComplexBuffer::Subtract(IRBComplexBuffer* Right) { WithRight(Right, ippsSub_64fc_I); }
void TRBComplexBuffer::Multiply(IRBComplexBuffer* Right) { WithRight(Right, ippsMul_64fc_I); }
void TRBComplexBuffer::Divide(IRBComplexBuffer* Right) { WithRight(Right, ippsDiv_64fc_I); }

template <class Slot>
void TRBComplexBuffer::WithValue(double AReal, double AImag, Slot slot) {
  slot(Ipp64fc{AReal, AImag}, Cplx(Modify()), static_cast<int>(GetSize()));
}

void TRBComplexBuffer::AddValue(double AReal, double AImag) {
  WithValue(AReal, AImag, ippsAddC_64fc_I);
}
void TRBComplexBuffer::SubtractValue(double AReal, double AImag) {
  WithValue(AReal, AImag, ippsSubC_64fc_I);
}
void TRBComplexBuffer::MultiplyValue(double AReal, double AImag) {
  WithValue(AReal, AImag, ippsMulC_64fc_I);
}
void TRBComplexBuffer::DivideValue(double AReal, double AImag) {
  WithValue(AReal, AImag, ippsDivC_64fc_I);
}

void TRBComplexBuffer::SetBuffer(IRBRealBuffer* AReal, IRBRealBuffer* AImag) {
  const uint32_t m = std::min(AReal->GetSize(), AImag->GetSize());
  // The real buffers first: they may be views of this buffer's container.
  const double* re = AReal->Read();
  const double* im = AImag->Read();
  Resize(m, false);
  ippsRealToCplx_64f(re, im, Cplx(Write()), static_cast<int>(m));
}

void TRBComplexBuffer::SetValue(double AReal, double AImag) {
  SetValue(TPNRealComplex{AReal, AImag});
}

void TRBComplexBuffer::SetValue(TPNRealComplex AValue) {
  const int n = static_cast<int>(GetSize());
  Overwrite(n, [&](TPNRealComplex* d) { return ippsSet_64fc(Cplx(AValue), Cplx(d), n); });
}

void TRBComplexBuffer::Zero() {
  const int n = static_cast<int>(GetSize());
  Overwrite(n, [&](TPNRealComplex* d) { return ippsZero_64fc(Cplx(d), n); });
}

template <class Slot>
void TRBComplexBuffer::FromSource(IRBComplexBuffer* Src, Slot slot) {
  const int m = Common(this, Src);
  const Ipp64fc* src = Cplx(Src->Read());  // before this buffer's data: Src may share it
  Overwrite(m, [&](TPNRealComplex* d) { return slot(src, Cplx(d), m); });
}

void TRBComplexBuffer::NormalizeFrom(IRBComplexBuffer* Src, TPNRealComplex Offset, double Factor) {
  FromSource(Src, [&](const Ipp64fc* s, Ipp64fc* d, int m) {
    return ippsNormalize_64fc(s, d, m, Cplx(Offset), Factor);
  });
}

void TRBComplexBuffer::Normalize(TPNRealComplex Offset, double Factor) {
  RefPtr<TRBComplexBuffer> source = CreateCopy(this);
  NormalizeFrom(source.Get(), Offset, Factor);
}

TPNRealComplex TRBComplexBuffer::Dot(IRBComplexBuffer* Src) {
  Ipp64fc result{0, 0};
  ippsDotProd_64fc(Cplx(Read()), Cplx(Src->Read()), Common(this, Src), &result);
  return TPNRealComplex{result.re, result.im};
}

void TRBComplexBuffer::Threshold(double AThreshold, TRBThresholdType AType) {
  ippsThreshold_64fc_I(Cplx(Modify()), static_cast<int>(GetSize()), AThreshold,
                       Comparison(AType));
}

void TRBComplexBuffer::ThresholdFrom(IRBComplexBuffer* Src, double AThreshold,
                                     TRBThresholdType AType) {
  FromSource(Src, [&](const Ipp64fc* s, Ipp64fc* d, int m) {
    return ippsThreshold_64fc(s, d, m, AThreshold, Comparison(AType));
  });
}

void TRBComplexBuffer::Sqr() { ippsSqr_64fc_I(Cplx(Modify()), static_cast<int>(GetSize())); }
void TRBComplexBuffer::SqrFrom(IRBComplexBuffer* Src) { FromSource(Src, ippsSqr_64fc); }
void TRBComplexBuffer::Sqrt() { ippsSqrt_64fc_I(Cplx(Modify()), static_cast<int>(GetSize())); }
void TRBComplexBuffer::SqrtFrom(IRBComplexBuffer* Src) { FromSource(Src, ippsSqrt_64fc); }

void TRBComplexBuffer::AutoCorr(IRBComplexBuffer* Src, TRBAutoCorrType AType) {
  const int m = Common(this, Src);
  const Ipp64fc* src = Cplx(Src->Read());
  auto slot = AType == actBiased     ? ippsAutoCorr_NormA_64fc
              : AType == actUnbiased ? ippsAutoCorr_NormB_64fc
                                     : ippsAutoCorr_64fc;
  Overwrite(m, [&](TPNRealComplex* d) {
    const SourceCopy source(src, m, Cplx(d), m);
    return slot(source.get(), m, Cplx(d), m);
  });
}

void TRBComplexBuffer::CrossCorr(IRBComplexBuffer* Src1, IRBComplexBuffer* Src2, int32_t LoLag) {
  const int n = static_cast<int>(GetSize());
  const int n1 = static_cast<int>(Src1->GetSize()), n2 = static_cast<int>(Src2->GetSize());
  const Ipp64fc* src1 = Cplx(Src1->Read());
  const Ipp64fc* src2 = Cplx(Src2->Read());
  Overwrite(n, [&](TPNRealComplex* d) {
    const SourceCopy a(src1, n1, Cplx(d), n), b(src2, n2, Cplx(d), n);
    return ippsCrossCorr_64fc(a.get(), n1, b.get(), n2, Cplx(d), n, LoLag);
  });
}

}  // namespace buffers
