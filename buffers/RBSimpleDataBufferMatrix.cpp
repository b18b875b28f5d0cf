#include "buffers/RBSimpleDataBufferMatrix.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "binding/IPPDispatchTable.h"

namespace buffers {

PF_DEFINE_CLASS(TRBRealMatrixBuffer, TRBMemoryBuffer)

namespace {

constexpr uint64_t kMaxDimension = 0x7FFFFFFF;

[[noreturn]] void ColumnError(int64_t Index) {
  throw platform::ERangeError(
      platform::Format("Column out of range = %u", static_cast<uint32_t>(Index)));
}

[[noreturn]] void RowError(int64_t Index) {
  throw platform::ERangeError(platform::Format("Row out of range = %u", static_cast<uint32_t>(Index)));
}

// Count doubles from Source to Dest; overlapping ranges (views of one container that do not
// own it) are moved instead.
void CopyDoubles(const double* Source, double* Dest, int Count) {
  if (Count <= 0) return;
  if (Source < Dest + Count && Dest < Source + Count)
    ippsMove_64f(Source, Dest, Count);
  else
    ippsCopy_64f(Source, Dest, Count);
}

}  // namespace

TRBRealMatrixBuffer::TRBRealMatrixBuffer(TRBSmartBuffer* ADataContainer, uint32_t ASize,
                                         int32_t ARows, int32_t ACols)
    : TRBMemoryBuffer(ADataContainer, ASize), FCols(ACols), FRows(ARows) {}

RefPtr<TRBRealMatrixBuffer> TRBRealMatrixBuffer::Make(TRBSmartBuffer* AContainer, uint32_t ASize,
                                                      int32_t ARows, int32_t ACols) {
  return RefPtr<TRBRealMatrixBuffer>(platform::New<TRBRealMatrixBuffer>(AContainer, ASize, ARows, ACols));
}

uint32_t TRBRealMatrixBuffer::MatrixBytes(uint64_t ARows, uint64_t ACols) {
  if (ACols > kMaxDimension) ColumnError(static_cast<int64_t>(ACols));
  if (ARows > kMaxDimension) RowError(static_cast<int64_t>(ARows));
  // Both below 2^31: the product fits 64 bits; the byte count is formed only once it is
  // known to fit the store.
  const uint64_t count = ARows * ACols;
  if (count > kMaxSmartBufferSize / sizeof(double)) throw platform::EOutOfMemory("Out of memory");
  return static_cast<uint32_t>(count * sizeof(double));
}

RefPtr<TRBRealMatrixBuffer> TRBRealMatrixBuffer::Create() { return CreateSize(0, 0); }

RefPtr<TRBRealMatrixBuffer> TRBRealMatrixBuffer::CreateSize(uint32_t ARows, uint32_t ACols) {
  const uint32_t bytes = MatrixBytes(ARows, ACols);
  return Make(TRBSmartMemoryBuffer::Create(bytes), bytes, static_cast<int32_t>(ARows),
              static_cast<int32_t>(ACols));
}

RefPtr<TRBRealMatrixBuffer> TRBRealMatrixBuffer::CreateData(const double* AData, uint32_t ARows,
                                                            uint32_t ACols) {
  const uint32_t bytes = MatrixBytes(ARows, ACols);
  return Make(TRBSmartMemoryBuffer::CreateData(AData, bytes), bytes, static_cast<int32_t>(ARows),
              static_cast<int32_t>(ACols));
}

RefPtr<TRBRealMatrixBuffer> TRBRealMatrixBuffer::CreateValue(double AValue, uint32_t ARows,
                                                             uint32_t ACols) {
  RefPtr<TRBRealMatrixBuffer> matrix = CreateSize(ARows, ACols);
  matrix->SetValue(AValue);
  return matrix;
}

RefPtr<TRBRealMatrixBuffer> TRBRealMatrixBuffer::CreateEx(TRBRealMatrixBuffer* Other) {
  return Make(Other->DataContainer(), Other->GetByteSize(), Other->FRows, Other->FCols);
}

RefPtr<TRBRealMatrixBuffer> TRBRealMatrixBuffer::CreateCopy(IRBRealMatrixBuffer* Other) {
  return CreateUniversal(Other);
}

RefPtr<TRBRealMatrixBuffer> TRBRealMatrixBuffer::CreateUniversal(IRBData* Other) {
  if (RefPtr<IRBRealMatrixBuffer> matrix = platform::Supports<IRBRealMatrixBuffer>(Other)) {
    TRBGenericBuffer* view = GenericInstance(Other);
    return Make(view->DataContainer(), view->GetByteSize(), matrix->RowCount(), matrix->ColCount());
  }
  if (RefPtr<IRBRealBufferArray> array = platform::Supports<IRBRealBufferArray>(Other)) {
    const int32_t rows = std::max(array->RowCount(), 0), cols = std::max(array->ColCount(), 0);
    RefPtr<TRBRealMatrixBuffer> result = CreateSize(static_cast<uint32_t>(rows), static_cast<uint32_t>(cols));
    double* data = result->Write();
    for (int32_t r = 0; r < rows; ++r) {
      RefPtr<IRBRealBuffer> row = array->GetRow(r);
      const int m = static_cast<int>(std::min<int64_t>(cols, row->GetSize()));
      double* target = data + int64_t{r} * cols;
      CopyDoubles(row->Read(), target, m);
      if (m < cols) ippsZero_64f(target + m, cols - m);
    }
    return result;
  }
  if (!platform::Supports<IRBDataBuffer>(Other)) throw EIntfCastError("Interface not supported");
  // One row over the other buffer's bytes; a trailing part of an element is no column.
  TRBGenericBuffer* view = GenericInstance(Other);
  const uint32_t cols = view->GetByteSize() / sizeof(double);
  return Make(view->DataContainer(), cols * static_cast<uint32_t>(sizeof(double)), 1,
              static_cast<int32_t>(cols));
}

platform::HRESULT TRBRealMatrixBuffer::QueryInterface(const TGUID& iid, void** object) {
  if (iid == IRBRealBufferArray::IID || iid == IRBRealMatrixBuffer::IID)
    return platform::QueryInterfaces<IRBRealBufferArray, IRBRealMatrixBuffer>(this, iid, object);
  return TRBMemoryBuffer::QueryInterface(iid, object);
}

TRBBasicBuffer* TRBRealMatrixBuffer::MakeCopyObject() {
  return platform::New<TRBRealMatrixBuffer>(pDataContainer, FCharSize, FRows, FCols);
}

bool TRBRealMatrixBuffer::IsEqual(IRBDataBuffer* Other) {
  return Other && dynamic_cast<TRBRealMatrixBuffer*>(Other->GetInstance()) &&
         TRBGenericBuffer::IsEqual(Other);
}

// ---------------------------------------------------------------------------------------
// Rows and elements

void TRBRealMatrixBuffer::CheckRow(int32_t Index) {
  if (Index < 0 || Index >= FRows) RowError(Index);
}

int32_t TRBRealMatrixBuffer::GetRowLength(int32_t Index) {
  (void)Index;
  return FCols;
}

RefPtr<IRBRealBuffer> TRBRealMatrixBuffer::GetRow(int32_t Index) {
  CheckRow(Index);
  return RefPtr<IRBRealBuffer>(
      TRBRealBuffer::CreateData(Read() + int64_t{Index} * FCols, static_cast<uint32_t>(FCols)).Get());
}

void TRBRealMatrixBuffer::SetRow(int32_t Index, IRBRealBuffer* ABuffer) {
  double* data = Modify();  // first: a failing index still leaves a private copy
  CheckRow(Index);
  const int m = static_cast<int>(std::min<int64_t>(FCols, ABuffer->GetSize()));
  CopyDoubles(ABuffer->Read(), data + int64_t{Index} * FCols, m);
}

double TRBRealMatrixBuffer::GetItem(int32_t ARow, int32_t ACol) {
  if (ACol < 0 || ACol >= FCols) ColumnError(ACol);
  CheckRow(ARow);
  return Read()[int64_t{ARow} * FCols + ACol];
}

void TRBRealMatrixBuffer::SetItem(int32_t ARow, int32_t ACol, double AValue) {
  double* data = Modify();
  if (ACol < 0 || ACol >= FCols) ColumnError(ACol);
  CheckRow(ARow);
  data[int64_t{ARow} * FCols + ACol] = AValue;
}

void TRBRealMatrixBuffer::AssignArray(IRBRealBufferArray* ASource) {
  Resize(ASource->RowCount(), ASource->ColCount(), false);
  for (int32_t r = 0, rows = ASource->RowCount(); r < rows; ++r) SetRow(r, ASource->GetRow(r).Get());
}

// ---------------------------------------------------------------------------------------
// Arithmetic

template <class Slot>
void TRBRealMatrixBuffer::RowWise(IRBRealBufferArray* Other, Slot slot, bool repair) {
  double* data = Modify();
  const int32_t rows = std::min(FRows, Other->RowCount());
  for (int32_t r = 0; r < rows; ++r) {
    RefPtr<IRBRealBuffer> row = Other->GetRow(r);
    const int m = static_cast<int>(std::min<int64_t>(FCols, row->GetSize()));
    if (m <= 0) continue;
    const double* right = row->Read();
    double* target = data + int64_t{r} * FCols;
    if (slot(right, target, m) != ippStsDivByZero || !repair) continue;
    for (int i = 0; i < m; ++i) {
      const double divisor = right[i];
      if (divisor != 0 && !std::isnan(divisor)) continue;
      const double q = target[i];
      target[i] = std::isnan(divisor) || std::isnan(q) ? 0.0 : q > 0 ? 1.0e15 : -1.0e14;
    }
  }
}

void TRBRealMatrixBuffer::Add(IRBRealBufferArray* Other) { RowWise(Other, ippsAdd_64f_I, false); }
void TRBRealMatrixBuffer::Subtract(IRBRealBufferArray* Other) { RowWise(Other, ippsSub_64f_I, false); }
void TRBRealMatrixBuffer::Multiply(IRBRealBufferArray* Other) { RowWise(Other, ippsMul_64f_I, false); }
void TRBRealMatrixBuffer::Divide(IRBRealBufferArray* Other) { RowWise(Other, ippsDiv_64f_I, true); }

void TRBRealMatrixBuffer::SetValue(double AValue) {
  const int n = static_cast<int>(GetSize());
  double* data = Write();
  if (n > 0) ippsSet_64f(AValue, data, n);
}

void TRBRealMatrixBuffer::Zero() {
  const int n = static_cast<int>(GetSize());
  double* data = Write();
  if (n > 0) ippsZero_64f(data, n);
}

void TRBRealMatrixBuffer::AddValue(double AValue) {
  if (AValue != 0) ippsAddC_64f_I(AValue, Modify(), static_cast<int>(GetSize()));
}

void TRBRealMatrixBuffer::SubtractValue(double AValue) {
  if (AValue != 0) ippsSubC_64f_I(AValue, Modify(), static_cast<int>(GetSize()));
}

void TRBRealMatrixBuffer::MultiplyValue(double AValue) {
  if (AValue != 1) ippsMulC_64f_I(AValue, Modify(), static_cast<int>(GetSize()));
}

void TRBRealMatrixBuffer::DivideValue(double AValue) {
  if (AValue != 0 && AValue != 1) ippsDivC_64f_I(AValue, Modify(), static_cast<int>(GetSize()));
}

// ---------------------------------------------------------------------------------------
// Resize

void TRBRealMatrixBuffer::Resize(int32_t ARows, int32_t ACols, bool PreserveData) {
  if (ACols < 0) ColumnError(ACols);
  if (ARows < 0) RowError(ARows);
  if (ARows == 0 || ACols == 0) {
    FRows = ARows;
    FCols = ACols;
    FCharSize = 0;
    DataChanged();
    return;
  }
  if (ARows == FRows && ACols == FCols) return;
  // Checked before anything changes: a matrix the store cannot hold leaves this one as it was.
  const uint32_t bytes = MatrixBytes(static_cast<uint64_t>(ARows), static_cast<uint64_t>(ACols));
  const uint32_t n = bytes / sizeof(double);
  const uint32_t old = GetSize();
  if (n == old ||
      (PreserveData && (n < old || (pDataContainer->SingleOwner() &&
                                    pDataContainer->GetCapacity() / sizeof(double) >= n)))) {
    FRows = ARows;
    FCols = ACols;
    FCharSize = bytes;
    DataChanged();
    return;
  }
  TRBSmartBuffer* oldContainer = pDataContainer;
  TRBSmartMemoryBuffer* fresh = CreateContainer(n);
  FRows = ARows;
  FCols = ACols;
  SetDataContainer(fresh);
  if (PreserveData) fresh->CopyFrom(oldContainer);
  oldContainer->RemoveReff(FOwnsData);
  fresh->AddReff(FOwnsData);
  FCharSize = bytes;
  DataChanged();
}

}  // namespace buffers
