// The integer and block buffers: their operations against a wide-integer model, the edge
// cases of saturation, shifts and division, copy on write of every kind of operation, and
// the byte view of another buffer.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "buffers/RBSimpleDataBufferBlock.h"
#include "buffers/RBSimpleDataBufferInteger.h"
#include "tests/buffers/BuffersTestSupport.h"

namespace {

using namespace buffers;
using bufferstest::BuffersTest;

using IntegerBuffer = BuffersTest;
using BlockBuffer = BuffersTest;

RefPtr<TRBIntegerBuffer> Ints(const std::vector<int32_t>& v) {
  return TRBIntegerBuffer::CreateData(v.data(), static_cast<uint32_t>(v.size()));
}

std::vector<int32_t> Values(TRBIntegerBuffer* b) {
  return std::vector<int32_t>(b->Read(), b->Read() + b->GetSize());
}

RefPtr<TRBBlockBuffer> Bytes(const std::vector<uint8_t>& v) {
  return TRBBlockBuffer::CreateData(v.data(), static_cast<uint32_t>(v.size()));
}

std::vector<uint8_t> Values(TRBBlockBuffer* b) {
  return std::vector<uint8_t>(b->Read(), b->Read() + b->GetSize());
}

template <class T>
RefPtr<T> CopyOf(T* b) {
  RefPtr<IRBData> copy = b->MakeCopy();
  return RefPtr<T>(dynamic_cast<T*>(copy->GetInstance()));
}

int32_t Saturate(__int128 v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// a / b rounded to nearest with ties to even, in exact arithmetic.
__int128 DivideRounded(__int128 a, __int128 b) {
  __int128 q = a / b, r = a % b;
  if (r != 0) {
    const __int128 twice = 2 * (r < 0 ? -r : r), div = b < 0 ? -b : b;
    const bool negative = (a < 0) != (b < 0);
    if (twice > div || (twice == div && (q % 2 != 0))) q += negative ? -1 : 1;
  }
  return q;
}

TEST_F(IntegerBuffer, ElementOperationsFollowAWideIntegerModel) {
  std::mt19937 random(12345);
  auto value = [&]() -> int32_t {
    switch (random() % 4) {
      case 0: return static_cast<int32_t>(random() % 21) - 10;  // small, zero included
      case 1: return std::numeric_limits<int32_t>::min() + static_cast<int32_t>(random() % 3);
      case 2: return std::numeric_limits<int32_t>::max() - static_cast<int32_t>(random() % 3);
      default: return static_cast<int32_t>(random());
    }
  };
  using TModel = std::function<int32_t(int32_t, int32_t)>;
  using TOperation = void (TRBIntegerBuffer::*)(IRBIntegerBuffer*);
  const struct {
    const char* Name;
    TOperation Operation;
    TModel Model;
  } operations[] = {
      {"Add", &TRBIntegerBuffer::Add, [](int32_t a, int32_t b) { return Saturate(__int128(a) + b); }},
      {"Subtract", &TRBIntegerBuffer::Subtract,
       [](int32_t a, int32_t b) { return Saturate(__int128(a) - b); }},
      {"Multiply", &TRBIntegerBuffer::Multiply,
       [](int32_t a, int32_t b) { return Saturate(__int128(a) * b); }},
      {"Divide", &TRBIntegerBuffer::Divide,
       [](int32_t a, int32_t b) {
         if (b == 0) return a > 0 ? INT32_MAX : a < 0 ? INT32_MIN : 0;
         return Saturate(DivideRounded(a, b));
       }},
      {"AndBuffer", &TRBIntegerBuffer::AndBuffer, [](int32_t a, int32_t b) { return a & b; }},
      {"OrBuffer", &TRBIntegerBuffer::OrBuffer, [](int32_t a, int32_t b) { return a | b; }},
      {"XorBuffer", &TRBIntegerBuffer::XorBuffer, [](int32_t a, int32_t b) { return a ^ b; }},
      {"LShift", &TRBIntegerBuffer::LShift,
       [](int32_t a, int32_t b) { return int32_t(uint32_t(a) << (b & 31)); }},
      {"RShift", &TRBIntegerBuffer::RShift,
       [](int32_t a, int32_t b) { return int32_t(uint32_t(a) >> (b & 31)); }},
  };
  for (const auto& op : operations) {
    SCOPED_TRACE(op.Name);
    std::vector<int32_t> left(300), right(250);  // the shorter count is used
    for (int32_t& v : left) v = value();
    for (int32_t& v : right) v = value();
    RefPtr<TRBIntegerBuffer> a = Ints(left), b = Ints(right);
    ((*a).*op.Operation)(b.Get());
    std::vector<int32_t> expected = left;
    for (size_t i = 0; i < right.size(); ++i) expected[i] = op.Model(left[i], right[i]);
    EXPECT_EQ(Values(a.Get()), expected);
    EXPECT_EQ(Values(b.Get()), right);
  }

  // Constants, over the same kind of values.
  std::vector<int32_t> data(200);
  for (int32_t& v : data) v = value();
  for (int32_t c : {INT32_MIN, -7, -1, 2, 3, 1000, INT32_MAX}) {
    SCOPED_TRACE(c);
    auto check = [&](void (TRBIntegerBuffer::*method)(int32_t), auto model) {
      RefPtr<TRBIntegerBuffer> a = Ints(data);
      ((*a).*method)(c);
      std::vector<int32_t> expected = data;
      for (int32_t& v : expected) v = model(v);
      EXPECT_EQ(Values(a.Get()), expected);
    };
    check(&TRBIntegerBuffer::AddValue, [c](int32_t a) { return Saturate(__int128(a) + c); });
    check(&TRBIntegerBuffer::SubtractValue, [c](int32_t a) { return Saturate(__int128(a) - c); });
    check(&TRBIntegerBuffer::MultiplyValue, [c](int32_t a) { return Saturate(__int128(a) * c); });
    check(&TRBIntegerBuffer::DivideValue,
          [c](int32_t a) { return Saturate(__int128(a) / c); });  // truncating
    check(&TRBIntegerBuffer::ModValue, [c](int32_t a) { return int32_t(__int128(a) % c); });
    check(&TRBIntegerBuffer::AndValue, [c](int32_t a) { return a & c; });
    check(&TRBIntegerBuffer::OrValue, [c](int32_t a) { return a | c; });
    check(&TRBIntegerBuffer::XorValue, [c](int32_t a) { return a ^ c; });
  }
}

TEST_F(IntegerBuffer, SaturationShiftAndDivisionEdgeCases) {
  auto run = [](std::vector<int32_t> values, auto operation) {
    RefPtr<TRBIntegerBuffer> b = Ints(values);
    operation(b.Get());
    return Values(b.Get());
  };
  using V = std::vector<int32_t>;
  EXPECT_EQ(run({INT32_MAX}, [](auto* b) { b->Add(Ints({1}).Get()); }), V{INT32_MAX});
  EXPECT_EQ(run({7, -7, 5}, [](auto* b) { b->Divide(Ints({2, 2, 0}).Get()); }),
            (V{4, -4, INT32_MAX}));
  EXPECT_EQ(run({7, -7}, [](auto* b) { b->DivideValue(2); }), (V{3, -3}));
  EXPECT_EQ(run({INT32_MIN, 5}, [](auto* b) { b->DivideValue(-1); }), (V{INT32_MAX, -5}));
  EXPECT_EQ(run({1}, [](auto* b) { b->LShift(Ints({33}).Get()); }), V{2});
  EXPECT_EQ(run({-8}, [](auto* b) { b->RShift(Ints({1}).Get()); }), V{2147483644});
  EXPECT_EQ(run({-8}, [](auto* b) { b->RShiftValue(1); }), V{-4});
  EXPECT_EQ(run({5, -5}, [](auto* b) { b->LShiftValue(32); }), (V{0, 0}));
  EXPECT_EQ(run({5, -5}, [](auto* b) { b->LShiftValue(40); }), (V{0, 0}));
  EXPECT_EQ(run({5, -5}, [](auto* b) { b->RShiftValue(32); }), (V{0, -1}));
  EXPECT_EQ(run({5, -5}, [](auto* b) { b->RShiftValue(-1); }), (V{5, -5}));
  EXPECT_EQ(run({5, -5}, [](auto* b) { b->LShiftValue(-3); }), (V{5, -5}));
  EXPECT_EQ(run({7, -7}, [](auto* b) { b->ModBuffer(Ints({3, 3}).Get()); }), (V{1, -1}));
  EXPECT_EQ(run({INT32_MIN, 9}, [](auto* b) { b->ModBuffer(Ints({-1, -1}).Get()); }), (V{0, 0}));
  EXPECT_EQ(run({INT32_MIN}, [](auto* b) { b->ModValue(-1); }), V{0});
  EXPECT_EQ(run({1, 2, 3}, [](auto* b) { b->SetValue(-4); }), (V{-4, -4, -4}));
  EXPECT_EQ(run({1, 2, 3}, [](auto* b) { b->Zero(); }), (V{0, 0, 0}));
  EXPECT_EQ(run({1, 2, 3}, [](auto* b) { b->MultiplyValue(0); }), (V{0, 0, 0}));

  RefPtr<TRBIntegerBuffer> b = Ints({4, -9, 12});
  EXPECT_EQ(b->GetMinValue(), -9);
  EXPECT_EQ(b->GetMaxValue(), 12);
  EXPECT_EQ(TRBIntegerBuffer::Create()->GetMinValue(), 0);
  EXPECT_EQ(TRBIntegerBuffer::Create()->GetMaxValue(), 0);
  EXPECT_EQ(Values(TRBIntegerBuffer::CreateValue(6, 3).Get()), (V{6, 6, 6}));
}

TEST_F(IntegerBuffer, DivisionByZeroInTheBuffersOwnLoopsRaisesInsteadOfTrapping) {
  RefPtr<TRBIntegerBuffer> b = Ints({7, 8, 9});
  try {
    b->ModBuffer(Ints({2, 0, 2}).Get());
    ADD_FAILURE() << "no error";
  } catch (const EDivByZero& e) {
    EXPECT_STREQ(e.what(), "Division by zero");
  }
  EXPECT_EQ(Values(b.Get()), (std::vector<int32_t>{1, 8, 9}));  // the first element is done
  EXPECT_THROW(b->ModValue(0), EDivByZero);
  EXPECT_EQ(Values(b.Get()), (std::vector<int32_t>{1, 8, 9}));
  TRBIntegerBuffer::Create()->ModValue(0);  // nothing to divide

  RefPtr<TRBBlockBuffer> bytes = Bytes({200, 100, 50});
  EXPECT_THROW(bytes->Divide(Bytes({3, 0, 5}).Get()), EDivByZero);
  EXPECT_EQ(Values(bytes.Get()), (std::vector<uint8_t>{66, 100, 50}));
}

TEST_F(IntegerBuffer, IndexesOutsideTheBufferRaiseTheRangeError) {
  RefPtr<TRBIntegerBuffer> b = Ints({1, 2, 3});
  EXPECT_EQ(b->GetItem(2), 3);
  b->SetItem(0, -5);
  EXPECT_EQ(b->GetItem(0), -5);
  RefPtr<TRBBlockBuffer> bytes = Bytes({1, 2});
  const struct {
    std::function<void()> Call;
    const char* Message;
  } cases[] = {
      {[&] { b->GetItem(3); }, "Index out of range = 3"},
      {[&] { b->GetItem(-1); }, "Index out of range = 4294967295"},
      {[&] { b->SetItem(3, 0); }, "Index out of range = 3"},
      {[&] { bytes->GetItem(2); }, "Index out of range = 2"},
      {[&] { bytes->SetItem(-1, 0); }, "Index out of range = 4294967295"},
  };
  for (const auto& c : cases) {
    try {
      c.Call();
      ADD_FAILURE() << c.Message << " not raised";
    } catch (const platform::ERangeError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
  }
  EXPECT_EQ(Values(b.Get()), (std::vector<int32_t>{-5, 2, 3}));
}

TEST_F(IntegerBuffer, WhichOperationsLeaveASharedContainer) {
  using TOperation = std::function<void(TRBIntegerBuffer*)>;
  const struct {
    const char* Name;
    TOperation Operation;
    bool Leaves;
    std::vector<int32_t> Result;
  } cases[] = {
      {"AndValue(-1)", [](auto* b) { b->AndValue(-1); }, false, {6, -9}},
      {"OrValue(0)", [](auto* b) { b->OrValue(0); }, false, {6, -9}},
      {"XorValue(0)", [](auto* b) { b->XorValue(0); }, false, {6, -9}},
      {"AddValue(0)", [](auto* b) { b->AddValue(0); }, false, {6, -9}},
      {"MultiplyValue(1)", [](auto* b) { b->MultiplyValue(1); }, false, {6, -9}},
      {"DivideValue(1)", [](auto* b) { b->DivideValue(1); }, false, {6, -9}},
      {"DivideValue(0)", [](auto* b) { b->DivideValue(0); }, false, {6, -9}},
      {"LShiftValue(0)", [](auto* b) { b->LShiftValue(0); }, false, {6, -9}},
      {"SubtractValue(0)", [](auto* b) { b->SubtractValue(0); }, true, {6, -9}},
      {"DivideValue(3)", [](auto* b) { b->DivideValue(3); }, true, {2, -3}},
      {"ModValue(4)", [](auto* b) { b->ModValue(4); }, true, {2, -1}},
      {"SetItem", [](auto* b) { b->SetItem(1, 0); }, true, {6, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    RefPtr<TRBIntegerBuffer> b = Ints({6, -9});
    RefPtr<TRBIntegerBuffer> other = CopyOf(b.Get());
    c.Operation(b.Get());
    EXPECT_EQ(b->DataContainer() != other->DataContainer(), c.Leaves);
    EXPECT_EQ(Values(b.Get()), c.Result);
    EXPECT_EQ(Values(other.Get()), (std::vector<int32_t>{6, -9}));
  }

  // Alone on its data, DivideValue works in place.
  RefPtr<TRBIntegerBuffer> alone = Ints({9, -9});
  TRBSmartBuffer* container = alone->DataContainer();
  alone->DivideValue(3);
  EXPECT_EQ(alone->DataContainer(), container);
  EXPECT_EQ(Values(alone.Get()), (std::vector<int32_t>{3, -3}));
}

TEST_F(BlockBuffer, SaturatingByteOperations) {
  RefPtr<TRBBlockBuffer> b = Bytes({10, 200, 7});
  b->Subtract(Bytes({20, 100}).Get());
  EXPECT_EQ(Values(b.Get()), (std::vector<uint8_t>{0, 100, 7}));
  b->Add(Bytes({255, 100, 1}).Get());
  EXPECT_EQ(Values(b.Get()), (std::vector<uint8_t>{255, 200, 8}));
  b->Multiply(Bytes({1, 2, 3}).Get());
  EXPECT_EQ(Values(b.Get()), (std::vector<uint8_t>{255, 255, 24}));
  b->Divide(Bytes({3, 2, 5}).Get());
  EXPECT_EQ(Values(b.Get()), (std::vector<uint8_t>{85, 127, 4}));
  b->SetValue(9);
  EXPECT_EQ(Values(b.Get()), (std::vector<uint8_t>{9, 9, 9}));
  b->Zero();
  EXPECT_EQ(Values(b.Get()), (std::vector<uint8_t>{0, 0, 0}));
  b->SetItem(2, 200);
  EXPECT_EQ(b->GetItem(2), 200);
  b->Add(b.Get());  // with itself
  EXPECT_EQ(Values(b.Get()), (std::vector<uint8_t>{0, 0, 255}));
}

TEST_F(BlockBuffer, CreateUniversalIsTheByteViewOfAnyMemoryBuffer) {
  RefPtr<TRBIntegerBuffer> ints = Ints({1, 0x01020304, -1});
  RefPtr<TRBBlockBuffer> bytes = TRBBlockBuffer::CreateUniversal(ints.Get());
  EXPECT_EQ(bytes->GetSize(), 12u);
  EXPECT_EQ(bytes->DataContainer(), ints->DataContainer());
  EXPECT_EQ(Values(bytes.Get()),
            (std::vector<uint8_t>{1, 0, 0, 0, 4, 3, 2, 1, 255, 255, 255, 255}));

  // Written after the integer buffer was copied, the byte view leaves the integers alone.
  RefPtr<TRBIntegerBuffer> copy = CopyOf(ints.Get());
  bytes->Modify()[0] = 9;
  EXPECT_EQ(Values(ints.Get()), (std::vector<int32_t>{1, 0x01020304, -1}));
  EXPECT_EQ(bytes->GetItem(0), 9);
  EXPECT_EQ(bytes->GetItem(4), 4);

  // The integer view of bytes takes whole elements.
  RefPtr<TRBIntegerBuffer> back = TRBIntegerBuffer::CreateUniversal(Bytes({1, 0, 0, 0, 2, 0}).Get());
  EXPECT_EQ(back->GetSize(), 1u);
  EXPECT_EQ(back->GetByteSize(), 6u);
  EXPECT_EQ(back->GetItem(0), 1);
}

}  // namespace
