// The real matrix buffer: a copy-on-write matrix of 64-bit floats stored row after row.
//
// Element (r, c) is element r * ColCount + c of the data. The matrix is a memory view like
// the vector buffers (Read, Write and Modify follow the same copy-on-write rule), reached as
// an array of equally long real rows (IRBRealBufferArray) or as a matrix with direct access
// to its data (IRBRealMatrixBuffer). Rows handed out are copies in new real buffers; rows
// handed in are copied into the matrix. Arithmetic runs through the float64 signal slots.
//
// Ranges:
//   GetItem/SetItem   the column is tested first: ERangeError "Column out of range = %u",
//                     then "Row out of range = %u" (the index shown as an unsigned number);
//   GetRow/SetRow     ERangeError "Row out of range = %u";
//   SetItem/SetRow    take Modify before the test, as the vector buffers do.
// Sizes are computed in 64 bits: a dimension above 2^31 - 1 (or a negative one given to
// Resize) raises ERangeError with the column or row text, and a matrix the store cannot hold
// raises EOutOfMemory; in both cases nothing is created or changed.
#pragma once

#include <cstdint>

#include "buffers/RBSimpleDataBuffer.h"
#include "buffers/RBSimpleDataBufferReal.h"

namespace buffers {

struct IRBRealBufferArray : virtual IRBData {
  static constexpr TGUID IID = TGUID::Parse("{7917F92D-A6A1-4209-9491-F36F589B1006}");
  // Takes ASource's shape and a copy of its rows.
  virtual void AssignArray(IRBRealBufferArray* ASource) = 0;
  virtual int32_t ColCount() = 0;
  virtual int32_t RowCount() = 0;
  // The length of every row: ColCount.
  virtual int32_t GetRowLength(int32_t Index) = 0;
  // A copy of the row in a new real buffer.
  virtual RefPtr<IRBRealBuffer> GetRow(int32_t Index) = 0;
  // Copies min(ColCount, ABuffer's size) elements to the start of the row; the rest of the
  // row keeps its values.
  virtual void SetRow(int32_t Index, IRBRealBuffer* ABuffer) = 0;
  virtual double GetItem(int32_t ARow, int32_t ACol) = 0;
  virtual void SetItem(int32_t ARow, int32_t ACol, double AValue) = 0;
  // Row-wise over the common rows and, per row, the common columns: this[r][i] op Other[r][i].
  virtual void Add(IRBRealBufferArray* Other) = 0;
  virtual void Subtract(IRBRealBufferArray* Other) = 0;
  virtual void Multiply(IRBRealBufferArray* Other) = 0;
  virtual void Divide(IRBRealBufferArray* Other) = 0;
  virtual void SetValue(double AValue) = 0;
  virtual void AddValue(double AValue) = 0;
  virtual void SubtractValue(double AValue) = 0;
  virtual void MultiplyValue(double AValue) = 0;
  virtual void DivideValue(double AValue) = 0;
  virtual void Zero() = 0;
  virtual void Resize(int32_t ARows, int32_t ACols, bool PreserveData) = 0;
};

struct IRBRealMatrixBuffer : virtual IRBRealBufferArray {
  static constexpr TGUID IID = TGUID::Parse("{F3CA41F1-2B7E-49F4-8E08-7B78E6031B57}");
  virtual double* Read() = 0;
  virtual double* Write() = 0;
  virtual double* Modify() = 0;
};

class TRBRealMatrixBuffer : public TRBMemoryBuffer, public virtual IRBRealMatrixBuffer {
  PF_CLASS(TRBRealMatrixBuffer)
  PF_ALLOW_NEW;

 public:
  // A 0 x 0 matrix over a new empty container.
  static RefPtr<TRBRealMatrixBuffer> Create();
  // ARows x ACols, contents undefined.
  static RefPtr<TRBRealMatrixBuffer> CreateSize(uint32_t ARows, uint32_t ACols);
  // ARows x ACols doubles copied from AData (row-major).
  static RefPtr<TRBRealMatrixBuffer> CreateData(const double* AData, uint32_t ARows, uint32_t ACols);
  // ARows x ACols, every element AValue.
  static RefPtr<TRBRealMatrixBuffer> CreateValue(double AValue, uint32_t ARows, uint32_t ACols);
  // The same shape as Other, sharing its container.
  static RefPtr<TRBRealMatrixBuffer> CreateEx(TRBRealMatrixBuffer* Other);
  static RefPtr<TRBRealMatrixBuffer> CreateCopy(IRBRealMatrixBuffer* Other);
  // From any buffer:
  //   a matrix               its shape, sharing its container;
  //   an array of rows       a copy, row by row; a row shorter than the column count is
  //                          completed with zeros;
  //   any other data buffer  one row of (byte size / 8) columns sharing its container;
  //   anything else          EIntfCastError "Interface not supported".
  static RefPtr<TRBRealMatrixBuffer> CreateUniversal(IRBData* Other);

  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override;
  TRBBasicBuffer* MakeCopyObject() override;
  RefPtr<IRBRealBufferArray> GetMatArrayIntf() { return RefPtr<IRBRealBufferArray>(this); }
  // Only another matrix (or a descendant) with the same bytes.
  bool IsEqual(IRBDataBuffer* Other) override;

  double* Read() override { return reinterpret_cast<double*>(ByteRead()); }
  double* Write() override { return reinterpret_cast<double*>(ByteWrite()); }
  double* Modify() override { return reinterpret_cast<double*>(ByteModify()); }
  uint32_t ElementSize() override { return sizeof(double); }
  uint32_t GetSize() override { return FCharSize / sizeof(double); }
  TRBSmartBuffer* pBuffer() const { return pDataContainer; }

  void AssignArray(IRBRealBufferArray* ASource) override;
  int32_t ColCount() override { return FCols; }
  int32_t RowCount() override { return FRows; }
  int32_t GetRowLength(int32_t Index) override;
  RefPtr<IRBRealBuffer> GetRow(int32_t Index) override;
  void SetRow(int32_t Index, IRBRealBuffer* ABuffer) override;
  double GetItem(int32_t ARow, int32_t ACol) override;
  void SetItem(int32_t ARow, int32_t ACol, double AValue) override;
  void Add(IRBRealBufferArray* Other) override;
  void Subtract(IRBRealBufferArray* Other) override;
  void Multiply(IRBRealBufferArray* Other) override;
  // A zero (or NaN) divisor gives 1.0e15 for a positive quotient, -1.0e14 for a negative
  // one and 0.0 for 0/0 or a NaN divisor, as the real buffer does.
  void Divide(IRBRealBufferArray* Other) override;
  void SetValue(double AValue) override;
  // 0 (1 for MultiplyValue, 0 and 1 for DivideValue) changes nothing and copies nothing.
  void AddValue(double AValue) override;
  void SubtractValue(double AValue) override;
  void MultiplyValue(double AValue) override;
  void DivideValue(double AValue) override;
  void Zero() override;
  // A dimension 0: that shape with size 0 on the same container. The same shape: nothing.
  // Otherwise the n = ARows * ACols elements follow the vector rule: with PreserveData a
  // shrink, or a growth within the capacity of a solely owned container, stays in place;
  // every other change moves to a new container (with PreserveData holding the old bytes up
  // to the smaller capacity). Data are kept in storage order, not by position.
  void Resize(int32_t ARows, int32_t ACols, bool PreserveData) override;

 protected:
  TRBRealMatrixBuffer(TRBSmartBuffer* ADataContainer, uint32_t ASize, int32_t ARows, int32_t ACols);

 private:
  static RefPtr<TRBRealMatrixBuffer> Make(TRBSmartBuffer* AContainer, uint32_t ASize, int32_t ARows,
                                          int32_t ACols);
  // The byte size of ARows x ACols after the dimension and store checks.
  static uint32_t MatrixBytes(uint64_t ARows, uint64_t ACols);
  void CheckRow(int32_t Index);
  template <class Slot>
  void RowWise(IRBRealBufferArray* Other, Slot slot, bool repair);

  int32_t FCols = 0;
  int32_t FRows = 0;
};

}  // namespace buffers
