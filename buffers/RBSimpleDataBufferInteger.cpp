#include "buffers/RBSimpleDataBufferInteger.h"

#include <algorithm>
#include <climits>

#include "binding/IPPDispatchTable.h"
#include "primitives/signal/IntegerArithmetic.h"

namespace buffers {

PF_DEFINE_CLASS(TRBIntegerBuffer, TRBLinearMemoryBuffer)

namespace {

[[noreturn]] void DivByZero() { throw EDivByZero("Division by zero"); }

// The remainder with the dividend's sign; INT_MIN mod -1 is 0 (the division would trap).
int32_t Remainder(int32_t a, int32_t b) {
  if (b == 0) DivByZero();
  return b == -1 ? 0 : a % b;
}

using TScaledSlot = IppStatus (*)(const Ipp32s*, Ipp32s*, int, int);
using TLogicSlot = IppStatus (*)(const Ipp32u*, Ipp32u*, int);

// A slot of the in-place arithmetic called with scale factor 0 (results saturate).
auto Scaled(TScaledSlot slot) {
  return [slot](const Ipp32s* s, Ipp32s* d, int n) { slot(s, d, n, 0); };
}

// A slot of the in-place logic, which sees the elements as unsigned words.
auto OnWords(TLogicSlot slot) {
  return [slot](const Ipp32s* s, Ipp32s* d, int n) {
    slot(reinterpret_cast<const Ipp32u*>(s), reinterpret_cast<Ipp32u*>(d), n);
  };
}

int Common(IRBIntegerBuffer* self, IRBIntegerBuffer* right) {
  return static_cast<int>(std::min(self->GetSize(), right->GetSize()));
}

}  // namespace

RefPtr<TRBIntegerBuffer> TRBIntegerBuffer::CreateValue(int32_t AValue, uint32_t n) {
  RefPtr<TRBIntegerBuffer> buffer = CreateSize(n);
  buffer->SetValue(AValue);
  return buffer;
}

template <class Op>
void TRBIntegerBuffer::Combine(IRBIntegerBuffer* Right, Op op) {
  const int n = Common(this, Right);
  int32_t* data = Modify();  // first: Right may be this buffer
  const int32_t* right = Right->Read();
  for (int i = 0; i < n; ++i) data[i] = op(data[i], right[i]);
}

template <class Primitive>
void TRBIntegerBuffer::CallWith(IRBIntegerBuffer* Right, Primitive primitive) {
  const int n = Common(this, Right);
  int32_t* data = Modify();  // first: Right may be this buffer
  primitive(Right->Read(), data, n);
}

void TRBIntegerBuffer::Add(IRBIntegerBuffer* Right) { CallWith(Right, Scaled(ippsAdd_32s_ISfs)); }
void TRBIntegerBuffer::Subtract(IRBIntegerBuffer* Right) { CallWith(Right, Scaled(ippsSub_32s_ISfs)); }
void TRBIntegerBuffer::Multiply(IRBIntegerBuffer* Right) { CallWith(Right, Scaled(ippsMul_32s_ISfs)); }
void TRBIntegerBuffer::Divide(IRBIntegerBuffer* Right) { CallWith(Right, Scaled(ippsDiv_32s_ISfs)); }
void TRBIntegerBuffer::ModBuffer(IRBIntegerBuffer* Right) { Combine(Right, Remainder); }
void TRBIntegerBuffer::AndBuffer(IRBIntegerBuffer* Right) { CallWith(Right, OnWords(ippsAnd_32u_I)); }
void TRBIntegerBuffer::OrBuffer(IRBIntegerBuffer* Right) { CallWith(Right, OnWords(ippsOr_32u_I)); }
void TRBIntegerBuffer::XorBuffer(IRBIntegerBuffer* Right) { CallWith(Right, OnWords(ippsXor_32u_I)); }

void TRBIntegerBuffer::LShift(IRBIntegerBuffer* Right) {
  Combine(Right, [](int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) << (b & 31));
  });
}

void TRBIntegerBuffer::RShift(IRBIntegerBuffer* Right) {
  Combine(Right, [](int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) >> (b & 31));
  });
}

void TRBIntegerBuffer::SetValue(int32_t AValue) {
  ippsSet_32s(AValue, Write(), static_cast<int>(GetSize()));
}

void TRBIntegerBuffer::AddValue(int32_t AValue) {
  if (AValue != 0) ippsAddC_32s_ISfs(AValue, Modify(), static_cast<int>(GetSize()), 0);
}

void TRBIntegerBuffer::SubtractValue(int32_t AValue) {
  ippsSubC_32s_ISfs(AValue, Modify(), static_cast<int>(GetSize()), 0);
}

void TRBIntegerBuffer::MultiplyValue(int32_t AValue) {
  if (AValue != 1) ippsMulC_32s_ISfs(AValue, Modify(), static_cast<int>(GetSize()), 0);
}

void TRBIntegerBuffer::DivideValue(int32_t AValue) {
  if (AValue == 0 || AValue == 1) return;
  const int n = static_cast<int>(GetSize());
  if (pDataContainer->SingleOwner()) {
    // Alone on the data (or sharing it only with non-owning views): divide in place.
    builtin::DivCInt32InPlace(AValue, Read(), n, 0);
    return;
  }
  // Shared: the quotients go into a fresh container, read from the old one.
  RefPtr<TRBIntegerBuffer> source = CreateCopy(this);
  int32_t* data = Write();
  builtin::DivCInt32(source->Read(), AValue, data, n, 0);
}

void TRBIntegerBuffer::ModValue(int32_t AValue) {
  const int n = static_cast<int>(GetSize());
  if (n > 0 && AValue == 0) DivByZero();
  int32_t* data = Modify();
  for (int i = 0; i < n; ++i) data[i] = Remainder(data[i], AValue);
}

void TRBIntegerBuffer::AndValue(int32_t AValue) {
  if (AValue != -1)
    ippsAndC_32u_I(static_cast<Ipp32u>(AValue), reinterpret_cast<Ipp32u*>(Modify()),
                   static_cast<int>(GetSize()));
}

void TRBIntegerBuffer::OrValue(int32_t AValue) {
  if (AValue != 0)
    ippsOrC_32u_I(static_cast<Ipp32u>(AValue), reinterpret_cast<Ipp32u*>(Modify()),
                  static_cast<int>(GetSize()));
}

void TRBIntegerBuffer::XorValue(int32_t AValue) {
  if (AValue != 0)
    ippsXorC_32u_I(static_cast<Ipp32u>(AValue), reinterpret_cast<Ipp32u*>(Modify()),
                   static_cast<int>(GetSize()));
}

void TRBIntegerBuffer::LShiftValue(int32_t AValue) {
  if (AValue != 0) ippsLShiftC_32s_I(AValue, Modify(), static_cast<int>(GetSize()));
}

void TRBIntegerBuffer::RShiftValue(int32_t AValue) {
  if (AValue != 0) ippsRShiftC_32s_I(AValue, Modify(), static_cast<int>(GetSize()));
}

void TRBIntegerBuffer::Zero() {
  ippsZero_16s(reinterpret_cast<Ipp16s*>(Write()), static_cast<int>(2 * GetSize()));
}

int32_t TRBIntegerBuffer::Dot(IRBIntegerBuffer* Right) {
  Ipp32s result = 0;
  ippsDotProd_32s_Sfs(Read(), Right->Read(), Common(this, Right), &result, 0);
  return result;
}

int32_t TRBIntegerBuffer::GetMinValue() {
  const int32_t* data = Read();
  const uint32_t n = GetSize();
  return n == 0 ? 0 : *std::min_element(data, data + n);
}

int32_t TRBIntegerBuffer::GetMaxValue() {
  const int32_t* data = Read();
  const uint32_t n = GetSize();
  return n == 0 ? 0 : *std::max_element(data, data + n);
}

void TRBIntegerBuffer::CopyTo(int32_t SourceIndex, IRBDataBuffer* Dest, int32_t DestIndex,
                              int32_t Count) {
  auto* dest = Dest ? dynamic_cast<TRBIntegerBuffer*>(Dest->GetInstance()) : nullptr;
  if (!dest) return TRBGenericBuffer::CopyTo(SourceIndex, Dest, DestIndex, Count);
  if (Count <= 0) return;
  CheckRange(SourceIndex, Count, GetSize());
  CheckRange(DestIndex, Count, dest->GetSize());
  int32_t* target = dest->Modify() + DestIndex;
  CopyBufferBytes(reinterpret_cast<const uint8_t*>(Read() + SourceIndex),
                  reinterpret_cast<uint8_t*>(target), int64_t{4} * Count);
}

}  // namespace buffers
