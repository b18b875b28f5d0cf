// The real and complex buffers: their operations against naive models, each run on a buffer
// alone on its data and on one sharing it (copy on write as the access rule says), element
// access and ranges, conversions, and the operations whose source is this very buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "binding/IPPDispatchTable.h"
#include "buffers/RBSimpleDataBufferComplex.h"
#include "buffers/RBSimpleDataBufferReal.h"
#include "tests/buffers/BuffersTestSupport.h"

namespace {

using namespace buffers;
using bufferstest::BuffersTest;

using RealBuffer = BuffersTest;
using ComplexBuffer = BuffersTest;

using Vec = std::vector<double>;
using CVec = std::vector<TPNRealComplex>;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

RefPtr<TRBRealBuffer> Reals(const Vec& v) {
  return TRBRealBuffer::CreateData(v.data(), static_cast<uint32_t>(v.size()));
}

Vec Values(IRBRealBuffer* b) { return Vec(b->Read(), b->Read() + b->GetSize()); }

RefPtr<TRBComplexBuffer> Complexes(const CVec& v) {
  return TRBComplexBuffer::CreateData(v.data(), static_cast<uint32_t>(v.size()));
}

CVec Values(IRBComplexBuffer* b) { return CVec(b->Read(), b->Read() + b->GetSize()); }

template <class T>
RefPtr<T> CopyOf(T* b) {
  RefPtr<IRBData> copy = b->MakeCopy();
  return RefPtr<T>(dynamic_cast<T*>(copy->GetInstance()));
}

// Bitwise equality, so that NaNs and signed zeros compare as stored.
bool SameBits(const Vec& a, const Vec& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0) return false;
  return true;
}

std::string Show(const Vec& v) {
  std::string s;
  for (double x : v) s += std::to_string(x) + " ";
  return s;
}

// The correlation and convolution slots answer "not implemented" until their primitives
// are built in or loaded; the tests that compare with them then have nothing to compare.
bool CorrelationAvailable() {
  const double x[1] = {1};
  double y[1] = {0};
  return ippsAutoCorr_64f(x, 1, y, 1) != ippStsNotImplemented &&
         ippsConv_64f(x, 1, x, 1, y) != ippStsNotImplemented;
}

// ---- Real operations ----------------------------------------------------------------------

struct RealCase {
  const char* Name;
  Vec Start;
  Vec Source;  // the other buffer (empty: the operation takes none)
  std::function<void(TRBRealBuffer*, TRBRealBuffer*)> Operation;
  Vec Expected;
  bool Changes;  // whether the operation writes at all (a shared buffer then leaves its data)
};

TEST_F(RealBuffer, OperationsAgainstModelsAloneAndShared) {
  const double e2 = static_cast<double>(std::exp(2.0L));
  const RealCase cases[] = {
      {"Add 5+3", {1, 2, 3, 4, 5}, {10, 20, 30}, [](auto* b, auto* s) { b->Add(s); },
       {11, 22, 33, 4, 5}, true},
      {"Subtract", {1, 2}, {10, 20, 30}, [](auto* b, auto* s) { b->Subtract(s); }, {-9, -18}, true},
      {"Multiply", {1, 2}, {3}, [](auto* b, auto* s) { b->Multiply(s); }, {3, 2}, true},
      {"Divide repairs", {2, -3, 0, 4}, {0, 0, 0, 2}, [](auto* b, auto* s) { b->Divide(s); },
       {1.0e15, -1.0e14, 0.0, 2}, true},
      {"Divide NaN divisor", {1, 5, 6}, {kNaN, 0, 3}, [](auto* b, auto* s) { b->Divide(s); },
       {0.0, 1.0e15, 2}, true},
      {"SetValue", {1, 2}, {}, [](auto* b, auto*) { b->SetValue(7); }, {7, 7}, true},
      {"AddValue(0)", {1, 2}, {}, [](auto* b, auto*) { b->AddValue(0); }, {1, 2}, false},
      {"AddValue(1)", {1, 2}, {}, [](auto* b, auto*) { b->AddValue(1); }, {2, 3}, true},
      {"SubtractValue(0)", {1, 2}, {}, [](auto* b, auto*) { b->SubtractValue(0); }, {1, 2}, false},
      {"SubtractValue(1)", {1, 2}, {}, [](auto* b, auto*) { b->SubtractValue(1); }, {0, 1}, true},
      {"MultiplyValue(1)", {1, 2}, {}, [](auto* b, auto*) { b->MultiplyValue(1); }, {1, 2}, false},
      {"MultiplyValue(3)", {1, 2}, {}, [](auto* b, auto*) { b->MultiplyValue(3); }, {3, 6}, true},
      {"DivideValue(0)", {1, 2}, {}, [](auto* b, auto*) { b->DivideValue(0); }, {1, 2}, false},
      {"DivideValue(1)", {1, 2}, {}, [](auto* b, auto*) { b->DivideValue(1); }, {1, 2}, false},
      {"DivideValue(2)", {1, 2}, {}, [](auto* b, auto*) { b->DivideValue(2); }, {0.5, 1}, true},
      {"Zero", {1, 2}, {}, [](auto* b, auto*) { b->Zero(); }, {0, 0}, true},
      {"VectorJaehne", {5, 5}, {}, [](auto* b, auto*) { b->VectorJaehne(2); },
       {0, 2 * std::sin(std::numbers::pi / 4)}, true},
      {"Threshold gt", {5, 15}, {}, [](auto* b, auto*) { b->Threshold(10, ttGreaterThan); },
       {5, 10}, true},
      {"Threshold lt", {5, 15}, {}, [](auto* b, auto*) { b->Threshold(10, ttLessThan); },
       {10, 15}, true},
      {"ThresholdFrom longer", {0, 0}, {5, 15, 20},
       [](auto* b, auto* s) { b->ThresholdFrom(s, 10, ttGreaterThan); }, {5, 10}, true},
      {"ThresholdFrom shorter", {1, 2, 3}, {15},
       [](auto* b, auto* s) { b->ThresholdFrom(s, 10, ttGreaterThan); }, {10, 2, 3}, true},
      {"NormalizeFrom", {0, 0}, {3, 5}, [](auto* b, auto* s) { b->NormalizeFrom(s, 1, 2); },
       {1, 2}, true},
      {"Sqr", {-3, 2}, {}, [](auto* b, auto*) { b->Sqr(); }, {9, 4}, true},
      {"SqrFrom shorter", {7, 8, 9}, {2}, [](auto* b, auto* s) { b->SqrFrom(s); }, {4, 8, 9}, true},
      {"Sqrt", {9, 4}, {}, [](auto* b, auto*) { b->Sqrt(); }, {3, 2}, true},
      {"SqrtFrom", {0, 0}, {16, 25}, [](auto* b, auto* s) { b->SqrtFrom(s); }, {4, 5}, true},
      {"Abs", {-3, 2}, {}, [](auto* b, auto*) { b->Abs(); }, {3, 2}, true},
      {"AbsFrom", {0}, {-4, 1}, [](auto* b, auto* s) { b->AbsFrom(s); }, {4}, true},
      {"Exp", {0, 2}, {}, [](auto* b, auto*) { b->Exp(); }, {1, e2}, true},
      {"ExpFrom", {9, 9}, {0, 2}, [](auto* b, auto* s) { b->ExpFrom(s); }, {1, e2}, true},
      {"Ln", {1, e2}, {}, [](auto* b, auto*) { b->Ln(); }, {0, 2}, true},
      {"LnFrom", {9, 9}, {1, e2}, [](auto* b, auto* s) { b->LnFrom(s); }, {0, 2}, true},
      // Refused calls change nothing, shared or not.
      {"NormalizeFrom by 0", {4, 5}, {3, 5}, [](auto* b, auto* s) { b->NormalizeFrom(s, 1, 0); },
       {4, 5}, true},
      {"VectorJaehne(-1)", {4, 5}, {}, [](auto* b, auto*) { b->VectorJaehne(-1); }, {4, 5}, true},
  };
  for (const RealCase& c : cases) {
    for (const bool shared : {false, true}) {
      SCOPED_TRACE(std::string(c.Name) + (shared ? " shared" : " alone"));
      RefPtr<TRBRealBuffer> b = Reals(c.Start);
      RefPtr<TRBRealBuffer> source = Reals(c.Source);
      RefPtr<TRBRealBuffer> other = shared ? CopyOf(b.Get()) : RefPtr<TRBRealBuffer>();
      TRBSmartBuffer* container = b->DataContainer();
      c.Operation(b.Get(), source.Get());
      EXPECT_TRUE(SameBits(Values(b.Get()), c.Expected)) << Show(Values(b.Get()));
      if (shared) {
        EXPECT_EQ(Values(other.Get()), c.Start);
        EXPECT_EQ(b->DataContainer() != container, c.Changes);
      } else {
        // Alone on its data a buffer never copies it.
        EXPECT_EQ(b->DataContainer(), container);
      }
    }
  }
}

// Normalize reads the buffer's own old values through a second view, so its result always
// lands in a new container; SqrtFrom with this very buffer as source reads the old values too.
TEST_F(RealBuffer, OperationsWithThisBufferAsSourceReadTheOldValues) {
  RefPtr<TRBRealBuffer> b = Reals({3, 5});
  TRBSmartBuffer* container = b->DataContainer();
  b->Normalize(1, 2);
  EXPECT_EQ(Values(b.Get()), (Vec{1, 2}));
  EXPECT_NE(b->DataContainer(), container);
  EXPECT_TRUE(b->DataContainer()->SingleOwner());

  for (const bool shared : {false, true}) {
    RefPtr<TRBRealBuffer> r = Reals({16, 81, 4});
    RefPtr<TRBRealBuffer> other = shared ? CopyOf(r.Get()) : RefPtr<TRBRealBuffer>();
    r->SqrtFrom(r.Get());
    EXPECT_EQ(Values(r.Get()), (Vec{4, 9, 2}));
    if (shared) {
      EXPECT_EQ(Values(other.Get()), (Vec{16, 81, 4}));
    }
  }
}

// A source shorter than this buffer, or a convolution longer than it, reads and writes only
// inside both buffers (the address sanitizer watches) and the elements beyond keep their values.
TEST_F(RealBuffer, ShortSourcesAndShortTargetsStayInsideTheBuffers) {
  for (const bool shared : {false, true}) {
    SCOPED_TRACE(shared ? "shared" : "alone");
    RefPtr<TRBRealBuffer> b = Reals({1, 2, 3, 4});
    RefPtr<TRBRealBuffer> other = shared ? CopyOf(b.Get()) : RefPtr<TRBRealBuffer>();
    RefPtr<TRBRealBuffer> shortSource = Reals({3});
    b->ThresholdFrom(shortSource.Get(), 0, ttLessThan);
    EXPECT_EQ(Values(b.Get()), (Vec{3, 2, 3, 4}));
    EXPECT_EQ(b->Norm(shortSource.Get(), ntL1Norm), 0.0);
    b->AutoCorr(shortSource.Get(), actNormal);
    EXPECT_EQ(Values(b.Get())[1], 2.0);
    // 3 + 3 - 1 = 5 elements do not fit in 4: nothing changes.
    RefPtr<TRBRealBuffer> three = Reals({1, 1, 1});
    const Vec before = Values(b.Get());
    b->Convolve(three.Get(), three.Get());
    EXPECT_EQ(Values(b.Get()), before);
    if (shared) {
      EXPECT_EQ(Values(other.Get()), (Vec{1, 2, 3, 4}));
    }
  }
}

TEST_F(RealBuffer, CorrelationAndConvolutionEqualThePrimitivesCalledDirectly) {
  if (!CorrelationAvailable()) GTEST_SKIP() << "correlation primitives not available";
  const Vec x = {1, -2, 3.5, 0.25, 4, -1};
  const Vec h = {0.5, 2, -1};
  for (const TRBAutoCorrType type : {actNormal, actBiased, actUnbiased}) {
    SCOPED_TRACE(type);
    auto slot = type == actBiased     ? ippsAutoCorr_NormA_64f
                : type == actUnbiased ? ippsAutoCorr_NormB_64f
                                      : ippsAutoCorr_64f;
    Vec direct(x.size());
    ASSERT_EQ(slot(x.data(), 6, direct.data(), 6), ippStsNoErr);
    RefPtr<TRBRealBuffer> src = Reals(x);
    RefPtr<TRBRealBuffer> dst = TRBRealBuffer::CreateValue(9, 6);
    dst->AutoCorr(src.Get(), type);
    EXPECT_EQ(Values(dst.Get()), direct);
    // This buffer as its own source, alone and shared: the same as from a copy.
    for (const bool shared : {false, true}) {
      RefPtr<TRBRealBuffer> self = Reals(x);
      RefPtr<TRBRealBuffer> other = shared ? CopyOf(self.Get()) : RefPtr<TRBRealBuffer>();
      self->AutoCorr(self.Get(), type);
      EXPECT_EQ(Values(self.Get()), direct);
    }
  }

  Vec cross(5);
  ASSERT_EQ(ippsCrossCorr_64f(x.data(), 6, h.data(), 3, cross.data(), 5, -2), ippStsNoErr);
  RefPtr<TRBRealBuffer> a = Reals(x), b = Reals(h), c = TRBRealBuffer::CreateSize(5);
  c->CrossCorr(a.Get(), b.Get(), -2);
  EXPECT_EQ(Values(c.Get()), cross);

  Vec conv(8);
  ASSERT_EQ(ippsConv_64f(x.data(), 6, h.data(), 3, conv.data()), ippStsNoErr);
  RefPtr<TRBRealBuffer> target = TRBRealBuffer::CreateValue(7, 10);
  target->Convolve(a.Get(), b.Get());
  Vec expected = conv;
  expected.push_back(7);
  expected.push_back(7);
  EXPECT_EQ(Values(target.Get()), expected);
  // This buffer as one of the convolved vectors, alone and shared: read from a copy.
  for (const bool shared : {false, true}) {
    RefPtr<TRBRealBuffer> self = Reals({1, 2, 3});
    RefPtr<TRBRealBuffer> other = shared ? CopyOf(self.Get()) : RefPtr<TRBRealBuffer>();
    RefPtr<TRBRealBuffer> two = Reals({2});
    self->Convolve(self.Get(), two.Get());
    EXPECT_EQ(Values(self.Get()), (Vec{2, 4, 6}));
    self->Convolve(two.Get(), self.Get());
    EXPECT_EQ(Values(self.Get()), (Vec{4, 8, 12}));
  }
}

TEST_F(RealBuffer, ReductionsAndRanges) {
  RefPtr<TRBRealBuffer> empty = TRBRealBuffer::Create();
  RefPtr<TRBRealBuffer> one = Reals({4});
  int32_t index = 7;
  EXPECT_EQ(empty->GetMinValue(), 0);
  EXPECT_EQ(empty->GetMaxValue(), 0);
  EXPECT_EQ(empty->GetMaxIndex(index), 0);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(empty->Mean(), 0);
  EXPECT_EQ(empty->StdDev(), 0);
  EXPECT_EQ(one->StdDev(), 0);
  EXPECT_EQ(empty->Dot(one.Get()), 0);
  EXPECT_EQ(empty->Norm(one.Get(), ntL2Norm), 0);
  EXPECT_EQ(empty->GetMin(0, 5), 0);
  EXPECT_EQ(empty->GetMax(-3, 2), 0);
  EXPECT_EQ(empty->GetMinRestricted(0, 5), 0);
  EXPECT_EQ(empty->GetMaxRestricted(0, 5), 0);

  RefPtr<TRBRealBuffer> b = Reals({1, 5, 5});
  EXPECT_EQ(b->GetMaxIndex(index), 5);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(b->GetMinIndex(index), 1);
  EXPECT_EQ(index, 0);
  EXPECT_DOUBLE_EQ(b->Mean(), 11.0 / 3);
  RefPtr<TRBRealBuffer> c = Reals({2, 1, 1, 7});
  EXPECT_EQ(b->Dot(c.Get()), 2 + 5 + 5);
  EXPECT_EQ(b->Norm(c.Get(), ntL1Norm), 1 + 4 + 4);
  EXPECT_EQ(b->Norm(c.Get(), ntCNorm), 4);

  RefPtr<TRBRealBuffer> four = Reals({3, -1, 8, 2});
  EXPECT_EQ(four->GetMin(-5, 100), -1);  // all four
  EXPECT_EQ(four->GetMax(-5, 100), 8);
  EXPECT_EQ(four->GetMin(10, 20), 2);  // the last element only
  EXPECT_EQ(four->GetMax(2, 2), 0);    // an empty range
  EXPECT_EQ(Reals({1.7e308, 5, 6, -1.7e308})->GetMinRestricted(0, 4), 0);
  EXPECT_EQ(Reals({3, 1.7e308, 2, 7})->GetMinRestricted(0, 4), 2);
  EXPECT_EQ(Reals({3, kNaN, 9, 7})->GetMaxRestricted(0, 4), 9);
  EXPECT_EQ(Reals({-4, -1.7e308, -2})->GetMaxRestricted(1, 3), 0);  // the marked start is 0
  EXPECT_EQ(four->GetMaxRestricted(1, 1), 0);
  EXPECT_EQ(four->GetMaxRestricted(3, 1), 2);  // an end below the beginning: the start only
}

TEST_F(RealBuffer, ElementAccessRaisesOutsideTheBuffer) {
  RefPtr<TRBRealBuffer> b = Reals({1, 2});
  const struct {
    std::function<void()> Call;
    const char* Message;
  } cases[] = {
      {[&] { b->GetItem(-1); }, "Index out of range = 4294967295"},
      {[&] { b->GetItem(2); }, "Index out of range = 2"},
      {[&] { b->SetItem(2, 0); }, "Index out of range = 2"},
  };
  for (const auto& c : cases) {
    try {
      c.Call();
      ADD_FAILURE() << c.Message << " not raised";
    } catch (const platform::ERangeError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
  }
  // SetItem takes its private copy before it tests the index.
  RefPtr<TRBRealBuffer> other = CopyOf(b.Get());
  EXPECT_THROW(b->SetItem(5, 0), platform::ERangeError);
  EXPECT_NE(b->DataContainer(), other->DataContainer());
  EXPECT_EQ(Values(b.Get()), (Vec{1, 2}));
  b->SetItem(1, -3);
  EXPECT_EQ(b->GetItem(1), -3);
  EXPECT_EQ(other->GetItem(1), 2);
}

TEST_F(RealBuffer, ConversionsToAndFromOtherElementTypes) {
  const uint32_t cardinal[] = {4294967295u, 0};
  EXPECT_EQ(Values(TRBRealBuffer::CreateCardinalData(cardinal, 2).Get()), (Vec{4294967295.0, 0}));
  const uint16_t words[] = {65535, 1};
  EXPECT_EQ(Values(TRBRealBuffer::CreateWordData(words, 2).Get()), (Vec{65535.0, 1}));
  const int16_t shorts[] = {-32768, 7};
  EXPECT_EQ(Values(TRBRealBuffer::CreateSmallIntData(shorts, 2).Get()), (Vec{-32768.0, 7}));
  const int32_t ints[] = {INT32_MIN, 9};
  EXPECT_EQ(Values(TRBRealBuffer::CreateIntegerData(ints, 2).Get()), (Vec{-2147483648.0, 9}));
  const float singles[] = {0.1f, -2.5f};
  EXPECT_EQ(Values(TRBRealBuffer::CreateSingleData(singles, 2).Get()),
            (Vec{static_cast<double>(0.1f), -2.5}));

  RefPtr<TRBRealBuffer> b = Reals({40000.0, 2.5, 3.5, -2.5, kNaN, 1e300, -1e300, 65537.7});
  int16_t truncated[8], rounded[8];
  b->ToShort(truncated, false);
  b->ToShort(rounded, true);
  EXPECT_EQ(std::vector<int16_t>(truncated, truncated + 8),
            (std::vector<int16_t>{-25536, 2, 3, -2, 0, 0, 0, 1}));
  EXPECT_EQ(std::vector<int16_t>(rounded, rounded + 8),
            (std::vector<int16_t>{-25536, 2, 4, -2, 0, 0, 0, 2}));

  RefPtr<TRBRealBuffer> r = Reals({2.5, -3.7, 1e10});
  int32_t toInt[3];
  r->ToInt(toInt, true);
  EXPECT_EQ(toInt[0], 2);
  EXPECT_EQ(toInt[1], -4);
  EXPECT_EQ(toInt[2], INT32_MAX);
  r->ToInt(toInt, false);
  EXPECT_EQ(toInt[1], -3);
  float toSingle[3];
  r->ToSingle(toSingle);
  EXPECT_EQ(toSingle[1], -3.7f);

  RefPtr<TRBRealBuffer> target = TRBRealBuffer::CreateSize(2);
  target->FromInt(ints);
  EXPECT_EQ(Values(target.Get()), (Vec{-2147483648.0, 9}));
  target->FromShort(shorts);
  EXPECT_EQ(Values(target.Get()), (Vec{-32768.0, 7}));
  target->FromSingle(singles);
  EXPECT_EQ(target->GetItem(1), -2.5);
}

TEST_F(RealBuffer, CopyToCopiesElementsBetweenRealBuffersAndBytesOtherwise) {
  RefPtr<TRBRealBuffer> a = Reals({1, 2, 3, 4});
  RefPtr<TRBRealBuffer> b = Reals({0, 0, 0});
  RefPtr<TRBRealBuffer> other = CopyOf(b.Get());
  a->CopyTo(1, b.Get(), 0, 2);
  EXPECT_EQ(Values(b.Get()), (Vec{2, 3, 0}));
  EXPECT_EQ(Values(other.Get()), (Vec{0, 0, 0}));
  a->CopyTo(0, a.Get(), 1, 3);  // overlapping, within one buffer
  EXPECT_EQ(Values(a.Get()), (Vec{1, 1, 2, 3}));
  EXPECT_THROW(a->CopyTo(2, b.Get(), 0, 3), platform::ERangeError);
  EXPECT_THROW(a->CopyTo(0, b.Get(), 2, 2), platform::ERangeError);
  EXPECT_EQ(Values(b.Get()), (Vec{2, 3, 0}));
  EXPECT_TRUE(a->IsEqual(CopyOf(a.Get()).Get()));
  EXPECT_FALSE(a->IsEqual(Reals({1, 1, 2}).Get()));
}

// ---- Complex operations -------------------------------------------------------------------

struct ComplexCase {
  const char* Name;
  CVec Start;
  CVec Source;
  std::function<void(TRBComplexBuffer*, TRBComplexBuffer*)> Operation;
  CVec Expected;
  bool Changes;
};

bool SameBits(const CVec& a, const CVec& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 16) == 0;
}

TEST_F(ComplexBuffer, OperationsAgainstModelsAloneAndShared) {
  const ComplexCase cases[] = {
      {"Multiply", {{1, 2}, {5, 5}}, {{3, 4}}, [](auto* b, auto* s) { b->Multiply(s); },
       {{-5, 10}, {5, 5}}, true},
      {"Add", {{1, 2}}, {{3, 4}, {9, 9}}, [](auto* b, auto* s) { b->Add(s); }, {{4, 6}}, true},
      {"Subtract", {{1, 2}}, {{3, 4}}, [](auto* b, auto* s) { b->Subtract(s); }, {{-2, -2}}, true},
      {"Divide by zero", {{1, 2}, {4, 2}}, {{0, 0}, {2, 0}}, [](auto* b, auto* s) { b->Divide(s); },
       {{kNaN, kNaN}, {2, 1}}, true},
      {"AddValue(0,0)", {{1, 2}}, {}, [](auto* b, auto*) { b->AddValue(0, 0); }, {{1, 2}}, true},
      {"MultiplyValue", {{1, 2}}, {}, [](auto* b, auto*) { b->MultiplyValue(0, 1); }, {{-2, 1}},
       true},
      {"DivideValue(0,0)", {{1, 2}}, {}, [](auto* b, auto*) { b->DivideValue(0, 0); }, {{1, 2}},
       true},
      {"SetValue", {{1, 2}, {3, 4}}, {}, [](auto* b, auto*) { b->SetValue(5, -1); },
       {{5, -1}, {5, -1}}, true},
      {"Zero", {{1, 2}}, {}, [](auto* b, auto*) { b->Zero(); }, {{0, 0}}, true},
      {"Threshold gt", {{3, 4}, {0.5, 0}}, {}, [](auto* b, auto*) { b->Threshold(2, ttGreaterThan); },
       {{1.2000000000000002, 1.6}, {0.5, 0}}, true},
      {"NormalizeFrom", {{0, 0}}, {{3, 5}},
       [](auto* b, auto* s) { b->NormalizeFrom(s, TPNRealComplex{1, 1}, 2); }, {{1, 2}}, true},
      {"SqrFrom shorter", {{9, 9}, {8, 8}}, {{1, 1}}, [](auto* b, auto* s) { b->SqrFrom(s); },
       {{0, 2}, {8, 8}}, true},
      {"Sqrt", {{-4, 0}}, {}, [](auto* b, auto*) { b->Sqrt(); }, {{0, 2}}, true},
  };
  for (const ComplexCase& c : cases) {
    for (const bool shared : {false, true}) {
      SCOPED_TRACE(std::string(c.Name) + (shared ? " shared" : " alone"));
      RefPtr<TRBComplexBuffer> b = Complexes(c.Start);
      RefPtr<TRBComplexBuffer> source = Complexes(c.Source);
      RefPtr<TRBComplexBuffer> other = shared ? CopyOf(b.Get()) : RefPtr<TRBComplexBuffer>();
      TRBSmartBuffer* container = b->DataContainer();
      c.Operation(b.Get(), source.Get());
      const CVec got = Values(b.Get());
      if (c.Name == std::string("Threshold gt")) {
        EXPECT_NEAR(got[0].Real, 1.2, 1e-15);
        EXPECT_NEAR(got[0].Imaginary, 1.6, 1e-15);
        EXPECT_EQ(got[1], (TPNRealComplex{0.5, 0}));
      } else {
        EXPECT_TRUE(SameBits(got, c.Expected) ||
                    (std::isnan(got[0].Real) && std::isnan(c.Expected[0].Real)));
        if (std::isnan(c.Expected[0].Real)) {
          EXPECT_TRUE(std::isnan(got[0].Real) && std::isnan(got[0].Imaginary));
          EXPECT_EQ(got[1], c.Expected[1]);
        }
      }
      if (shared) {
        EXPECT_TRUE(SameBits(Values(other.Get()), c.Start));
        EXPECT_EQ(b->DataContainer() != container, c.Changes);
      } else {
        EXPECT_EQ(b->DataContainer(), container);
      }
    }
  }
}

TEST_F(ComplexBuffer, ConversionsToRealBuffersAndFromThem) {
  RefPtr<TRBComplexBuffer> b = Complexes({{3, 4}, {0, 1}});
  RefPtr<TRBComplexBuffer> other = CopyOf(b.Get());
  EXPECT_EQ(Values(b->GetReal().Get()), (Vec{3, 0}));
  EXPECT_EQ(Values(b->GetImaginary().Get()), (Vec{4, 1}));
  EXPECT_EQ(Values(b->Magnitude().Get()), (Vec{5, 1}));
  EXPECT_EQ(Values(b->PowerSpectrum().Get()), (Vec{25, 1}));
  EXPECT_DOUBLE_EQ(b->Phase()->GetItem(1), std::numbers::pi / 2);
  EXPECT_EQ(b->DataContainer(), other->DataContainer());  // only read

  RefPtr<TRBRealBuffer> re = Reals({1, 2, 3, 4}), im = Reals({5, 6, 7});
  b->SetBuffer(re.Get(), im.Get());
  EXPECT_EQ(Values(b.Get()), (CVec{{1, 5}, {2, 6}, {3, 7}}));
  EXPECT_EQ(Values(other.Get()), (CVec{{3, 4}, {0, 1}}));

  const TPNRealComplex dot = Complexes({{1, 2}})->Dot(Complexes({{3, 4}, {1, 1}}).Get());
  EXPECT_EQ(dot, (TPNRealComplex{-5, 10}));
  EXPECT_EQ(TRBComplexBuffer::Create()->Dot(b.Get()), (TPNRealComplex{0, 0}));

  RefPtr<TRBComplexBuffer> n = Complexes({{3, 5}});
  TRBSmartBuffer* container = n->DataContainer();
  n->Normalize(TPNRealComplex{1, 1}, 2);
  EXPECT_EQ(Values(n.Get()), (CVec{{1, 2}}));
  EXPECT_NE(n->DataContainer(), container);

  EXPECT_EQ(Values(TRBComplexBuffer::CreateValue({1, -1}, 2).Get()), (CVec{{1, -1}, {1, -1}}));
}

TEST_F(ComplexBuffer, ElementAccessRaisesOutsideTheBuffer) {
  RefPtr<TRBComplexBuffer> b = Complexes({{1, 2}});
  EXPECT_EQ(b->GetItem(0), (TPNRealComplex{1, 2}));
  try {
    b->GetItem(-1);
    ADD_FAILURE() << "not raised";
  } catch (const platform::ERangeError& e) {
    EXPECT_STREQ(e.what(), "Index out of range = 4294967295");
  }
  RefPtr<TRBComplexBuffer> other = CopyOf(b.Get());
  EXPECT_THROW(b->SetItem(1, {0, 0}), platform::ERangeError);
  EXPECT_NE(b->DataContainer(), other->DataContainer());
  b->SetItem(0, {7, 8});
  EXPECT_EQ(other->GetItem(0), (TPNRealComplex{1, 2}));
}

TEST_F(ComplexBuffer, CorrelationsEqualThePrimitivesCalledDirectly) {
  if (!CorrelationAvailable()) GTEST_SKIP() << "correlation primitives not available";
  const CVec x = {{1, 2}, {-1, 0.5}, {3, -2}, {0.25, 4}};
  const Ipp64fc* px = reinterpret_cast<const Ipp64fc*>(x.data());
  for (const TRBAutoCorrType type : {actNormal, actBiased, actUnbiased}) {
    auto slot = type == actBiased     ? ippsAutoCorr_NormA_64fc
                : type == actUnbiased ? ippsAutoCorr_NormB_64fc
                                      : ippsAutoCorr_64fc;
    CVec direct(4);
    ASSERT_EQ(slot(px, 4, reinterpret_cast<Ipp64fc*>(direct.data()), 4), ippStsNoErr);
    RefPtr<TRBComplexBuffer> self = Complexes(x);
    RefPtr<TRBComplexBuffer> other = CopyOf(self.Get());
    self->AutoCorr(self.Get(), type);
    EXPECT_TRUE(SameBits(Values(self.Get()), direct));
    EXPECT_TRUE(SameBits(Values(other.Get()), x));
  }
  CVec cross(3);
  ASSERT_EQ(ippsCrossCorr_64fc(px, 4, px, 2, reinterpret_cast<Ipp64fc*>(cross.data()), 3, -1),
            ippStsNoErr);
  RefPtr<TRBComplexBuffer> a = Complexes(x), b = Complexes({x[0], x[1]});
  RefPtr<TRBComplexBuffer> c = TRBComplexBuffer::CreateSize(3);
  c->CrossCorr(a.Get(), b.Get(), -1);
  EXPECT_TRUE(SameBits(Values(c.Get()), cross));
}

}  // namespace
