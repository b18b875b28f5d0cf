// The real matrix buffer: construction, element and row access with their range errors,
// row-wise and whole-matrix arithmetic, Resize in storage order, and the three roads of
// CreateUniversal. Sizes that do not fit raise before anything is created or changed.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "buffers/RBSimpleDataBufferBlock.h"
#include "buffers/RBSimpleDataBufferMatrix.h"
#include "tests/buffers/BuffersTestSupport.h"

namespace {

using namespace buffers;
using bufferstest::BuffersTest;
using RealMatrix = BuffersTest;
using Vec = std::vector<double>;

RefPtr<TRBRealMatrixBuffer> Matrix(uint32_t rows, uint32_t cols, const Vec& v) {
  return TRBRealMatrixBuffer::CreateData(v.data(), rows, cols);
}

Vec Values(TRBRealMatrixBuffer* m) { return Vec(m->Read(), m->Read() + m->GetSize()); }
Vec Values(IRBRealBuffer* b) { return Vec(b->Read(), b->Read() + b->GetSize()); }

RefPtr<TRBRealMatrixBuffer> CopyOf(TRBRealMatrixBuffer* m) {
  RefPtr<IRBData> copy = m->MakeCopy();
  return RefPtr<TRBRealMatrixBuffer>(dynamic_cast<TRBRealMatrixBuffer*>(copy->GetInstance()));
}

// The message of the ERangeError that Call raises ("" when it raises none).
std::string RangeMessage(const std::function<void()>& Call) {
  try {
    Call();
  } catch (const platform::ERangeError& e) {
    return e.what();
  }
  return "";
}

// An array of rows that is no matrix: rows of any length.
class TTestRowArray : public platform::TInterfacedObject, public virtual IRBRealBufferArray {
  PF_CLASS(TTestRowArray)
  PF_ALLOW_NEW;

 public:
  static RefPtr<IRBRealBufferArray> Create(int32_t ACols, const std::vector<Vec>& ARows) {
    return RefPtr<IRBRealBufferArray>(platform::New<TTestRowArray>(ACols, ARows));
  }
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IRBData, IRBRealBufferArray>(this, iid, object);
  }
  platform::TObject* GetInstance() override { return this; }
  RefPtr<IRBData> MakeCopy() override { return RefPtr<IRBData>(this); }
  int32_t ColCount() override { return FCols; }
  int32_t RowCount() override { return static_cast<int32_t>(FRows.size()); }
  int32_t GetRowLength(int32_t Index) override { return static_cast<int32_t>(FRows.at(Index).size()); }
  RefPtr<IRBRealBuffer> GetRow(int32_t Index) override {
    const Vec& row = FRows.at(static_cast<size_t>(Index));
    return RefPtr<IRBRealBuffer>(
        TRBRealBuffer::CreateData(row.data(), static_cast<uint32_t>(row.size())).Get());
  }
  // Not used by the tests.
  void AssignArray(IRBRealBufferArray*) override { Fail(); }
  void SetRow(int32_t, IRBRealBuffer*) override { Fail(); }
  double GetItem(int32_t, int32_t) override { Fail(); }
  void SetItem(int32_t, int32_t, double) override { Fail(); }
  void Add(IRBRealBufferArray*) override { Fail(); }
  void Subtract(IRBRealBufferArray*) override { Fail(); }
  void Multiply(IRBRealBufferArray*) override { Fail(); }
  void Divide(IRBRealBufferArray*) override { Fail(); }
  void SetValue(double) override { Fail(); }
  void AddValue(double) override { Fail(); }
  void SubtractValue(double) override { Fail(); }
  void MultiplyValue(double) override { Fail(); }
  void DivideValue(double) override { Fail(); }
  void Zero() override { Fail(); }
  void Resize(int32_t, int32_t, bool) override { Fail(); }

 protected:
  TTestRowArray(int32_t ACols, std::vector<Vec> ARows) : FCols(ACols), FRows(std::move(ARows)) {}

 private:
  [[noreturn]] static void Fail() { throw platform::Exception("not used"); }
  int32_t FCols;
  std::vector<Vec> FRows;
};
PF_DEFINE_CLASS(TTestRowArray, platform::TInterfacedObject)

// A reference-counted object that is no data buffer.
class TTestNoBuffer : public platform::TInterfacedObject, public virtual IRBData {
  PF_CLASS(TTestNoBuffer)
  PF_ALLOW_NEW;

 public:
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IRBData>(this, iid, object);
  }
  platform::TObject* GetInstance() override { return this; }
  RefPtr<IRBData> MakeCopy() override { return RefPtr<IRBData>(this); }

 protected:
  TTestNoBuffer() = default;
};
PF_DEFINE_CLASS(TTestNoBuffer, platform::TInterfacedObject)

// ---------------------------------------------------------------------------------------

TEST_F(RealMatrix, ConstructionGivesShapeAndValues) {
  auto m = TRBRealMatrixBuffer::CreateValue(2.5, 2, 3);
  EXPECT_EQ(m->RowCount(), 2);
  EXPECT_EQ(m->ColCount(), 3);
  EXPECT_EQ(m->GetRowLength(1), 3);
  EXPECT_EQ(m->GetSize(), 6u);
  EXPECT_EQ(m->GetByteSize(), 48u);
  EXPECT_EQ(Values(m.Get()), Vec(6, 2.5));

  auto empty = TRBRealMatrixBuffer::Create();
  EXPECT_EQ(empty->RowCount(), 0);
  EXPECT_EQ(empty->GetByteSize(), 0u);

  auto d = Matrix(2, 2, {1, 2, 3, 4});
  EXPECT_EQ(d->GetItem(1, 0), 3);
  EXPECT_EQ(d->GetItem(0, 1), 2);
  auto copy = CopyOf(d.Get());
  EXPECT_EQ(copy->DataContainer(), d->DataContainer());
  EXPECT_EQ(copy->RowCount(), 2);
  EXPECT_TRUE(copy->IsEqual(d.Get()));
  auto viaInterface = TRBRealMatrixBuffer::CreateCopy(d.Get());
  EXPECT_EQ(viaInterface->DataContainer(), d->DataContainer());
  EXPECT_EQ(d->GetMatArrayIntf().Get(), static_cast<IRBRealBufferArray*>(d.Get()));
  // The same bytes in a vector are not a matrix.
  auto reals = TRBRealBuffer::CreateData(d->Read(), 4);
  EXPECT_FALSE(d->IsEqual(reals.Get()));
}

TEST_F(RealMatrix, ElementAccessTestsTheColumnFirst) {
  auto m = TRBRealMatrixBuffer::CreateValue(0, 2, 3);
  struct TCase {
    int32_t Row, Col;
    const char* Message;
  };
  const TCase cases[] = {
      {0, 3, "Column out of range = 3"},
      {2, 0, "Row out of range = 2"},
      {5, 7, "Column out of range = 7"},
      {-1, 0, "Row out of range = 4294967295"},
      {0, -1, "Column out of range = 4294967295"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Message);
    EXPECT_EQ(RangeMessage([&] { m->GetItem(c.Row, c.Col); }), c.Message);
    EXPECT_EQ(RangeMessage([&] { m->SetItem(c.Row, c.Col, 9); }), c.Message);
  }
  EXPECT_EQ(Values(m.Get()), Vec(6, 0.0));
  m->SetItem(1, 2, 9);
  EXPECT_EQ(m->GetItem(1, 2), 9);
  EXPECT_EQ(m->Read()[5], 9);
}

TEST_F(RealMatrix, RowsAreCopiesInAndOut) {
  auto m = Matrix(2, 2, {1, 2, 3, 4});
  RefPtr<IRBRealBuffer> row = m->GetRow(1);
  EXPECT_EQ(Values(row.Get()), (Vec{3, 4}));
  row->SetItem(0, 99);
  EXPECT_EQ(Values(m.Get()), (Vec{1, 2, 3, 4}));

  auto shared = CopyOf(m.Get());
  auto nine = TRBRealBuffer::CreateValue(9, 1);
  m->SetRow(0, nine.Get());
  EXPECT_EQ(Values(m.Get()), (Vec{9, 2, 3, 4}));
  EXPECT_EQ(Values(shared.Get()), (Vec{1, 2, 3, 4}));
  // A longer row fills the row and no more.
  auto longer = TRBRealBuffer::CreateValue(7, 5);
  m->SetRow(1, longer.Get());
  EXPECT_EQ(Values(m.Get()), (Vec{9, 2, 7, 7}));
}

// Rows outside the matrix raise; nothing is read or written beyond the data.
TEST_F(RealMatrix, RowsOutsideTheMatrixRaise) {
  auto m = Matrix(2, 2, {1, 2, 3, 4});
  auto row = TRBRealBuffer::CreateValue(9, 2);
  for (const int32_t index : {2, 5, -1}) {
    const std::string message = "Row out of range = " + std::to_string(static_cast<uint32_t>(index));
    EXPECT_EQ(RangeMessage([&] { m->GetRow(index); }), message);
    EXPECT_EQ(RangeMessage([&] { m->SetRow(index, row.Get()); }), message);
  }
  EXPECT_EQ(Values(m.Get()), (Vec{1, 2, 3, 4}));
  // SetRow takes its private copy before the test, as SetItem does.
  auto shared = CopyOf(m.Get());
  EXPECT_THROW(m->SetRow(2, row.Get()), platform::ERangeError);
  EXPECT_NE(m->DataContainer(), shared->DataContainer());
}

TEST_F(RealMatrix, RowWiseArithmeticCoversTheCommonRowsAndColumns) {
  struct TCase {
    const char* Name;
    uint32_t Rows, Cols;
    Vec Start;
    uint32_t OtherRows, OtherCols;
    Vec Other;
    void (TRBRealMatrixBuffer::*Operation)(IRBRealBufferArray*);
    Vec Expected;
  };
  const TCase cases[] = {
      {"Add 2x3 + 3x2", 2, 3, {1, 2, 3, 4, 5, 6}, 3, 2, {10, 20, 30, 40, 50, 60},
       &TRBRealMatrixBuffer::Add, {11, 22, 3, 34, 45, 6}},
      {"Subtract 2x2 - 1x2", 2, 2, {5, 5, 5, 5}, 1, 2, {1, 2}, &TRBRealMatrixBuffer::Subtract,
       {4, 3, 5, 5}},
      {"Multiply 1x3 * 2x1", 1, 3, {2, 3, 4}, 2, 1, {10, 20}, &TRBRealMatrixBuffer::Multiply,
       {20, 3, 4}},
      {"Divide by zeros", 1, 2, {1, -1}, 1, 2, {0, 0}, &TRBRealMatrixBuffer::Divide,
       {1.0e15, -1.0e14}},
      {"Divide repairs per row", 2, 2, {0, 6, 8, -2}, 2, 2, {0, 2, 4, 0},
       &TRBRealMatrixBuffer::Divide, {0, 3, 2, -1.0e14}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto m = Matrix(c.Rows, c.Cols, c.Start);
    auto other = Matrix(c.OtherRows, c.OtherCols, c.Other);
    auto shared = CopyOf(m.Get());
    ((*m).*c.Operation)(other.Get());
    EXPECT_EQ(Values(m.Get()), c.Expected);
    EXPECT_EQ(Values(shared.Get()), c.Start);
    EXPECT_EQ(Values(other.Get()), c.Other);
  }
  // With itself as the other array.
  auto m = Matrix(1, 2, {3, 4});
  m->Multiply(m.Get());
  EXPECT_EQ(Values(m.Get()), (Vec{9, 16}));
}

TEST_F(RealMatrix, WholeMatrixOperationsSkipTheNeutralValues) {
  struct TCase {
    const char* Name;
    std::function<void(TRBRealMatrixBuffer*)> Operation;
    Vec Expected;
    bool Changes;
  };
  const TCase cases[] = {
      {"SetValue", [](auto* m) { m->SetValue(7); }, {7, 7, 7, 7}, true},
      {"Zero", [](auto* m) { m->Zero(); }, {0, 0, 0, 0}, true},
      {"AddValue(2)", [](auto* m) { m->AddValue(2); }, {3, 4, 5, 6}, true},
      {"SubtractValue(1)", [](auto* m) { m->SubtractValue(1); }, {0, 1, 2, 3}, true},
      {"MultiplyValue(2)", [](auto* m) { m->MultiplyValue(2); }, {2, 4, 6, 8}, true},
      {"DivideValue(2)", [](auto* m) { m->DivideValue(2); }, {0.5, 1, 1.5, 2}, true},
      {"AddValue(0)", [](auto* m) { m->AddValue(0); }, {1, 2, 3, 4}, false},
      {"SubtractValue(0)", [](auto* m) { m->SubtractValue(0); }, {1, 2, 3, 4}, false},
      {"MultiplyValue(1)", [](auto* m) { m->MultiplyValue(1); }, {1, 2, 3, 4}, false},
      {"DivideValue(0)", [](auto* m) { m->DivideValue(0); }, {1, 2, 3, 4}, false},
      {"DivideValue(1)", [](auto* m) { m->DivideValue(1); }, {1, 2, 3, 4}, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto m = Matrix(2, 2, {1, 2, 3, 4});
    auto shared = CopyOf(m.Get());
    c.Operation(m.Get());
    EXPECT_EQ(Values(m.Get()), c.Expected);
    EXPECT_EQ(Values(shared.Get()), (Vec{1, 2, 3, 4}));
    EXPECT_EQ(m->DataContainer() != shared->DataContainer(), c.Changes);
  }
}

TEST_F(RealMatrix, ResizeKeepsStorageOrder) {
  auto m = Matrix(2, 3, {1, 2, 3, 4, 5, 6});
  TRBSmartBuffer* container = m->DataContainer();
  m->Resize(3, 2, true);
  EXPECT_EQ(m->DataContainer(), container);
  EXPECT_EQ(m->RowCount(), 3);
  EXPECT_EQ(m->ColCount(), 2);
  EXPECT_EQ(m->GetItem(1, 0), 3);
  EXPECT_EQ(Values(m.Get()), (Vec{1, 2, 3, 4, 5, 6}));

  m->Resize(0, 2, true);
  EXPECT_EQ(m->DataContainer(), container);
  EXPECT_EQ(m->RowCount(), 0);
  EXPECT_EQ(m->GetByteSize(), 0u);
  // Within the capacity a sole owner grows back in place and sees its old values.
  m->Resize(2, 2, true);
  EXPECT_EQ(m->DataContainer(), container);
  EXPECT_EQ(Values(m.Get()), (Vec{1, 2, 3, 4}));
  // A shrink keeps a shared container; a growth of a shared one moves with the data.
  auto shared = CopyOf(m.Get());
  m->Resize(1, 2, true);
  EXPECT_EQ(m->DataContainer(), container);
  EXPECT_EQ(Values(m.Get()), (Vec{1, 2}));
  m->Resize(2, 3, true);
  EXPECT_NE(m->DataContainer(), container);
  EXPECT_EQ(m->GetSize(), 6u);
  EXPECT_EQ(Vec(m->Read(), m->Read() + 4), (Vec{1, 2, 3, 4}));
  EXPECT_EQ(Values(shared.Get()), (Vec{1, 2, 3, 4}));
  // Without PreserveData a change of size moves even when the old container is large enough.
  TRBSmartBuffer* before = m->DataContainer();
  m->Resize(1, 1, false);
  EXPECT_NE(m->DataContainer(), before);
  EXPECT_EQ(m->GetSize(), 1u);
}

TEST_F(RealMatrix, AssignArrayTakesShapeAndRows) {
  auto source = Matrix(3, 2, {1, 2, 3, 4, 5, 6});
  auto m = TRBRealMatrixBuffer::CreateValue(9, 1, 5);
  m->AssignArray(source.Get());
  EXPECT_EQ(m->RowCount(), 3);
  EXPECT_EQ(m->ColCount(), 2);
  EXPECT_EQ(Values(m.Get()), Values(source.Get()));
  EXPECT_NE(m->DataContainer(), source->DataContainer());
}

TEST_F(RealMatrix, CreateUniversalHasThreeRoads) {
  // A matrix: its shape, sharing its container.
  auto matrix = Matrix(2, 3, {1, 2, 3, 4, 5, 6});
  auto fromMatrix = TRBRealMatrixBuffer::CreateUniversal(matrix.Get());
  EXPECT_EQ(fromMatrix->DataContainer(), matrix->DataContainer());
  EXPECT_EQ(fromMatrix->RowCount(), 2);
  EXPECT_EQ(fromMatrix->ColCount(), 3);
  EXPECT_EQ(fromMatrix->GetByteSize(), 48u);

  // An array of rows: copied row by row, short rows completed with zeros.
  auto array = TTestRowArray::Create(3, {{1, 2, 3}, {4}, {5, 6, 7, 8}});
  auto fromArray = TRBRealMatrixBuffer::CreateUniversal(array.Get());
  EXPECT_EQ(fromArray->RowCount(), 3);
  EXPECT_EQ(fromArray->ColCount(), 3);
  EXPECT_EQ(Values(fromArray.Get()), (Vec{1, 2, 3, 4, 0, 0, 5, 6, 7}));

  // Any other data buffer: one row over its bytes.
  const double values[] = {1, 2, 3, 4};
  auto reals = TRBRealBuffer::CreateData(values, 4);
  auto fromReals = TRBRealMatrixBuffer::CreateUniversal(reals.Get());
  EXPECT_EQ(fromReals->DataContainer(), reals->DataContainer());
  EXPECT_EQ(fromReals->RowCount(), 1);
  EXPECT_EQ(fromReals->ColCount(), 4);
  EXPECT_EQ(fromReals->GetItem(0, 3), 4);
  auto bytes = TRBBlockBuffer::CreateSize(20);
  auto fromBytes = TRBRealMatrixBuffer::CreateUniversal(bytes.Get());
  EXPECT_EQ(fromBytes->ColCount(), 2);
  EXPECT_EQ(fromBytes->GetByteSize(), 16u);

  // Anything else.
  RefPtr<IRBData> none(platform::New<TTestNoBuffer>());
  EXPECT_THROW(TRBRealMatrixBuffer::CreateUniversal(none.Get()), EIntfCastError);
}

// Sizes are computed in 64 bits: a dimension beyond the signed range or a matrix the store
// cannot hold raises, and never yields a smaller container.
TEST_F(RealMatrix, SizesThatDoNotFitRaiseAndChangeNothing) {
  struct TCase {
    uint32_t Rows, Cols;
    const char* Range;  // the range error's text; null: out of memory
  };
  const TCase cases[] = {
      {0x80000000u, 1, "Row out of range = 2147483648"},
      {1, 0xFFFFFFFFu, "Column out of range = 4294967295"},
      {0x80000000u, 0x80000000u, "Column out of range = 2147483648"},
      {65536, 65536, nullptr},  // 2^32 elements: 0 bytes in 32 bits
      {1, (1u << 27) + 1, nullptr},
  };
  const double value = 1;
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Rows) + " x " + std::to_string(c.Cols));
    if (c.Range) {
      EXPECT_EQ(RangeMessage([&] { TRBRealMatrixBuffer::CreateSize(c.Rows, c.Cols); }), c.Range);
      EXPECT_EQ(RangeMessage([&] { TRBRealMatrixBuffer::CreateValue(1, c.Rows, c.Cols); }), c.Range);
      EXPECT_EQ(RangeMessage([&] { TRBRealMatrixBuffer::CreateData(&value, c.Rows, c.Cols); }),
                c.Range);
    } else {
      EXPECT_THROW(TRBRealMatrixBuffer::CreateSize(c.Rows, c.Cols), platform::EOutOfMemory);
      EXPECT_THROW(TRBRealMatrixBuffer::CreateValue(1, c.Rows, c.Cols), platform::EOutOfMemory);
      EXPECT_THROW(TRBRealMatrixBuffer::CreateData(&value, c.Rows, c.Cols), platform::EOutOfMemory);
    }
  }

  auto m = Matrix(1, 2, {1, 2});
  TRBSmartBuffer* container = m->DataContainer();
  EXPECT_EQ(RangeMessage([&] { m->Resize(-1, 2, true); }), "Row out of range = 4294967295");
  EXPECT_EQ(RangeMessage([&] { m->Resize(0, -3, true); }), "Column out of range = 4294967293");
  EXPECT_THROW(m->Resize(65536, 65536, true), platform::EOutOfMemory);
  EXPECT_EQ(m->DataContainer(), container);
  EXPECT_EQ(m->RowCount(), 1);
  EXPECT_EQ(m->ColCount(), 2);
  EXPECT_EQ(Values(m.Get()), (Vec{1, 2}));
}

}  // namespace
