// Real, complex and matrix buffers along pins: the real source's values for value sinks, the
// converters between buffer kinds (views where the data allow, a conversion from integers),
// audio to real, points to pairs of real buffers, and the order of the start-up
// registrations.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "buffers/PXStreamTypes.h"
#include "buffers/RBSimpleDataBufferBlock.h"
#include "buffers/RBSimpleDataBufferComplex.h"
#include "buffers/RBSimpleDataBufferMatrix.h"
#include "buffers/RBStreamTypes.h"
#include "buffers/SNStreamTypes.h"
#include "pins/PNPinsRegistries.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/components/ComponentsTestSupport.h"

namespace realstreamtest {

using namespace buffers;
using namespace componentstest;
using pins::OperationAs;
using platform::New;
using Vec = std::vector<double>;

RB_TYPED_PIN(TTestRealMatrixSinkPin, TRBPNTypedSinkPin, IPNRBRealMatrixStream);
PF_DEFINE_CLASS(TTestRealMatrixSinkPin, TRBPNSinkPin)
RB_TYPED_PIN(TTestComplexSourcePin, TRBPNTypedSourcePin, IPNRBComplexStream);
PF_DEFINE_CLASS(TTestComplexSourcePin, TRBPNSourcePin)
RB_TYPED_PIN(TTestAudioSourcePin, TRBPNTypedSourcePin, IPNSNAudioStream);
PF_DEFINE_CLASS(TTestAudioSourcePin, TRBPNSourcePin)

struct RealStreamTypesTest : bufferstest::BuffersTest {
  TOwner Up, Down;

  TRBPNRealSourcePin* RealSource(bool AUseFloat) {
    return New<TRBPNRealSourcePin>(Up.Component, Up.Lock.Get(), nullptr, Up.Event(), AUseFloat);
  }
  // The buffer that the I-th arrival carries, as T (null when it is none).
  template <class T>
  T* BufferAt(size_t I) {
    auto* supplied = Down.Operation<TPNSuppliedBufferOperation>(I);
    return supplied && supplied->Buffer ? dynamic_cast<T*>(supplied->Buffer->GetInstance()) : nullptr;
  }
};

// Counts what reaches the value sinks.
struct TValues {
  int Reals = 0, Singles = 0;
  double Real = 0;
  float Single = 0;
  void OnReal(pins::TPNPin*, double AValue) {
    ++Reals;
    Real = AValue;
  }
  void OnSingle(pins::TPNPin*, float AValue) {
    ++Singles;
    Single = AValue;
  }
};

// ---------------------------------------------------------------------------------------
// The real source pin

// The value sinks are linked first, so that the buffer sink is served after them: whatever
// the values do, the buffer still arrives.
TEST_F(RealStreamTypesTest, ARealSourceFeedsValueSinksWithTheLastElementAndBufferSinksAlways) {
  TValues values;
  auto* source = RealSource(true);
  auto* real = New<pins::TPNRealSinkPin>(Down.Component, Down.Lock.Get(),
                                         pins::TPNRealChangeEvent::Bind<&TValues::OnReal>(&values),
                                         nullptr);
  auto* single = New<pins::TPNFloatSinkPin>(
      Down.Component, Down.Lock.Get(), pins::TPNFloatChangeEvent::Bind<&TValues::OnSingle>(&values),
      nullptr);
  auto* buffers = Down.Sink<TRBPNRealSinkPin>();
  ASSERT_TRUE(real->Connect(source));
  ASSERT_TRUE(single->Connect(source));
  ASSERT_TRUE(buffers->Connect(source));
  EXPECT_EQ(buffers->GetConnectionID(source), IPNRBRealStream::IID);
  EXPECT_EQ(source->GetConverterCount(), 0);

  const double data[] = {1, 2, 3.25};
  auto reals = TRBRealBuffer::CreateData(data, 3);
  source->SubmitBuffer(reals.Get());
  EXPECT_EQ(values.Reals, 1);
  EXPECT_EQ(values.Real, 3.25);
  EXPECT_EQ(values.Singles, 1);
  EXPECT_EQ(values.Single, 3.25f);
  ASSERT_EQ(Down.At(buffers), Names{"TPNSuppliedBufferOperation"});
  EXPECT_EQ(BufferAt<TRBRealBuffer>(0)->DataContainer(), reals->DataContainer());

  // Nothing to take a value from: the value sinks get nothing, the buffer sink the buffer.
  auto empty = TRBRealBuffer::Create();
  auto bytes = TRBBlockBuffer::CreateSize(8);
  for (IRBData* buffer : std::vector<IRBData*>{empty.Get(), bytes.Get()}) {
    Down.Received.clear();
    source->SubmitBuffer(buffer);
    EXPECT_EQ(Down.At(buffers), Names{"TPNSuppliedBufferOperation"});
  }
  EXPECT_EQ(values.Reals, 1);
  EXPECT_EQ(values.Singles, 1);
  EXPECT_EQ(BufferAt<TRBBlockBuffer>(0)->DataContainer(), bytes->DataContainer());

  Down.Received.clear();
  buffers->Free();
  single->Free();
  real->Free();
  source->Free();

  // Without values the source offers no float type.
  auto* plain = RealSource(false);
  auto* lone = New<pins::TPNFloatSinkPin>(Down.Component, Down.Lock.Get(),
                                          pins::TPNFloatChangeEvent(), nullptr);
  EXPECT_FALSE(lone->Connect(plain));
  lone->Free();
  plain->Free();
}

// ---------------------------------------------------------------------------------------
// Converters

TEST_F(RealStreamTypesTest, AnIntegerBufferReachesARealSinkAsEqualDoubles) {
  auto* source = Up.Source<TRBPNIntegerSourcePin>();
  auto* sink = Down.Sink<TRBPNRealSinkPin>();
  ASSERT_TRUE(sink->Connect(source));
  ASSERT_EQ(source->GetConverterCount(), 1);
  EXPECT_STREQ(source->GetConverter(0)->GetInstance()->ClassName(), "TRBPNIntToRealFormatConverter");

  const int32_t data[] = {1, -2, INT_MAX, INT_MIN};
  auto integers = TRBIntegerBuffer::CreateData(data, 4);
  source->SubmitBuffer(integers.Get());
  ASSERT_EQ(Down.At(sink), Names{"TPNSuppliedBufferOperation"});
  auto* reals = BufferAt<TRBRealBuffer>(0);
  ASSERT_NE(reals, nullptr);
  EXPECT_EQ(Vec(reals->Read(), reals->Read() + reals->GetSize()),
            (Vec{1, -2, 2147483647.0, -2147483648.0}));
  Down.Received.clear();
  sink->Free();
  source->Free();
}

// The byte and matrix views share the real buffer's memory: a change is seen through both
// until copy on write separates them.
TEST_F(RealStreamTypesTest, ARealBufferReachesBinaryAndMatrixSinksAsViewsOfItsMemory) {
  auto* source = RealSource(true);
  auto* binary = Down.Sink<TTestBinarySinkPin>();
  auto* matrix = Down.Sink<TTestRealMatrixSinkPin>();
  ASSERT_TRUE(binary->Connect(source));
  ASSERT_TRUE(matrix->Connect(source));
  ASSERT_EQ(source->GetConverterCount(), 2);

  const double data[] = {1.5, -2, 4};
  auto reals = TRBRealBuffer::CreateData(data, 3);
  source->SubmitBuffer(reals.Get());
  ASSERT_EQ(Down.Received.size(), 2u);
  RefPtr<TRBBlockBuffer> bytes(BufferAt<TRBBlockBuffer>(Down.Received[0].Pin == binary ? 0 : 1));
  RefPtr<TRBRealMatrixBuffer> rows(BufferAt<TRBRealMatrixBuffer>(Down.Received[0].Pin == matrix ? 0 : 1));
  ASSERT_TRUE(bytes && rows);
  Down.Received.clear();
  EXPECT_EQ(bytes->GetSize(), 24u);
  EXPECT_EQ(bytes->ByteRead(), reinterpret_cast<uint8_t*>(reals->Read()));
  EXPECT_EQ(rows->RowCount(), 1);
  EXPECT_EQ(rows->ColCount(), 3);
  EXPECT_EQ(rows->DataContainer(), reals->DataContainer());

  // The views give up ownership: the sender writes in place and both see it.
  bytes->RemoveOwnerShip();
  rows->RemoveOwnerShip();
  reals->SetItem(2, 8);
  EXPECT_EQ(rows->GetItem(0, 2), 8);
  double seen = 0;
  std::memcpy(&seen, bytes->ByteRead() + 16, sizeof seen);
  EXPECT_EQ(seen, 8);
  // A second owner: the next write leaves the shared memory, the views keep what they had.
  RefPtr<IRBData> second = reals->MakeCopy();
  reals->SetItem(2, 9);
  EXPECT_NE(reals->DataContainer(), rows->DataContainer());
  EXPECT_EQ(rows->GetItem(0, 2), 8);

  matrix->Free();
  binary->Free();
  source->Free();
}

TEST_F(RealStreamTypesTest, AComplexBufferReachesABinarySinkAsAByteView) {
  auto* source = Up.Source<TTestComplexSourcePin>();
  auto* sink = Down.Sink<TTestBinarySinkPin>();
  ASSERT_TRUE(sink->Connect(source));
  ASSERT_EQ(source->GetConverterCount(), 1);
  EXPECT_STREQ(source->GetConverter(0)->GetInstance()->ClassName(),
               "TRBPNComplexToBinaryFormatConverter");
  auto complexes = TRBComplexBuffer::CreateValue({1, 2}, 2);
  source->SubmitBuffer(complexes.Get());
  ASSERT_EQ(Down.At(sink), Names{"TPNSuppliedBufferOperation"});
  auto* bytes = BufferAt<TRBBlockBuffer>(0);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes->GetSize(), 32u);
  EXPECT_EQ(bytes->DataContainer(), complexes->DataContainer());
  Down.Received.clear();
  sink->Free();
  source->Free();
}

// An audio buffer for the tests: bytes of its own, and a real buffer for channel 0.
class TTestAudioBuffer : public TRBBlockBuffer, public virtual ISNAudioBuffer {
  PF_CLASS(TTestAudioBuffer)
  PF_ALLOW_NEW;

 public:
  static RefPtr<TTestAudioBuffer> Create(RefPtr<IRBRealBuffer> AChannel) {
    return RefPtr<TTestAudioBuffer>(New<TTestAudioBuffer>(TRBSmartMemoryBuffer::Create(4), 4u, AChannel));
  }
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (iid == ISNAudioBuffer::IID) return platform::QueryInterfaces<ISNAudioBuffer>(this, iid, object);
    return TRBBlockBuffer::QueryInterface(iid, object);
  }
  RefPtr<IRBIntegerBuffer> GetIntegerBuffer(int32_t) override { return nullptr; }
  RefPtr<IRBRealBuffer> GetRealBuffer(int32_t AChannel) override {
    return AChannel == 0 ? FChannel : nullptr;
  }
  TRBBasicBuffer* MakeCopyObject() override {
    return New<TTestAudioBuffer>(pDataContainer, FCharSize, FChannel);
  }

 protected:
  TTestAudioBuffer(TRBSmartBuffer* AContainer, uint32_t ASize, RefPtr<IRBRealBuffer> AChannel)
      : TRBBlockBuffer(AContainer, ASize), FChannel(std::move(AChannel)) {}

 private:
  RefPtr<IRBRealBuffer> FChannel;
};
PF_DEFINE_CLASS(TTestAudioBuffer, TRBBlockBuffer)

TEST_F(RealStreamTypesTest, AudioReachesARealSinkAsItsRealChannel) {
  auto* source = Up.Source<TTestAudioSourcePin>();
  auto* sink = Down.Sink<TRBPNRealSinkPin>();
  ASSERT_TRUE(sink->Connect(source));
  ASSERT_EQ(source->GetConverterCount(), 1);
  EXPECT_STREQ(source->GetConverter(0)->GetInstance()->ClassName(), "TPNAudioToRealFormatConverter");
  auto channel = TRBRealBuffer::CreateValue(0.5, 3);
  auto audio = TTestAudioBuffer::Create(RefPtr<IRBRealBuffer>(channel.Get()));
  source->SubmitBuffer(audio.Get());
  ASSERT_EQ(Down.At(sink), Names{"TPNSuppliedBufferOperation"});
  auto* reals = BufferAt<TRBRealBuffer>(0);
  ASSERT_NE(reals, nullptr);
  EXPECT_EQ(reals->DataContainer(), channel->DataContainer());
  EXPECT_EQ(reals->GetItem(2), 0.5);
  Down.Received.clear();
  sink->Free();
  source->Free();
}

// A list of points for the tests.
struct TPoints : platform::TInterfacedObject, IPXXYFloatData {
  std::vector<TPXFloatPoint> Points;
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IPXXYFloatData>(this, iid, object);
  }
  int32_t AddRef() override { return TInterfacedObject::AddRef(); }
  int32_t Release() override { return TInterfacedObject::Release(); }
  int32_t GetCount() override { return static_cast<int32_t>(Points.size()); }
  TPXFloatPoint GetPoint(int32_t Index) override { return Points.at(static_cast<size_t>(Index)); }
};

TEST_F(RealStreamTypesTest, PointsReachAPairedSinkAsTwoRealBuffers) {
  auto* source = Up.Source<TPXPNXYFloatSourcePin>();
  auto* sink = Down.Sink<TTestPairedSinkPin>();
  ASSERT_TRUE(sink->Connect(source));
  ASSERT_EQ(source->GetConverterCount(), 1);
  EXPECT_STREQ(source->GetConverter(0)->GetInstance()->ClassName(),
               "TPNPXXYFloatToPairsFormatConverter");
  const std::vector<std::vector<TPXFloatPoint>> lists = {{{1.5f, 2}, {-3, 0.1f}, {5, 6}}, {}};
  for (const auto& list : lists) {
    SCOPED_TRACE(list.size());
    RefPtr<TPoints> points(New<TPoints>());
    points->Points = list;
    Down.Received.clear();
    source->Notify(TPNPXSuppliedXYFloatDataOperation::Make(points.Get()).Get());
    ASSERT_EQ(Down.At(sink), Names{"TPNSuppliedBufferPairOperation"});
    ICBBufferPair* pair = Down.Operation<TPNSuppliedBufferPairOperation>(0)->Pair.Get();
    ASSERT_EQ(pair->GetCount(), 2);
    auto x = platform::Supports<IRBRealBuffer>(pair->GetBuffer(0).Get());
    auto y = platform::Supports<IRBRealBuffer>(pair->GetBuffer(1).Get());
    ASSERT_TRUE(x && y);
    ASSERT_EQ(x->GetSize(), list.size());
    ASSERT_EQ(y->GetSize(), list.size());
    for (size_t i = 0; i < list.size(); ++i) {
      EXPECT_EQ(x->GetItem(static_cast<int32_t>(i)), static_cast<double>(list[i].X));
      EXPECT_EQ(y->GetItem(static_cast<int32_t>(i)), static_cast<double>(list[i].Y));
    }
  }
  // Other operations pass unchanged.
  Down.Received.clear();
  source->Stop();
  EXPECT_EQ(Down.At(sink), Names{"TPNStopOperation"});
  Down.Received.clear();
  sink->Free();
  source->Free();
}

// ---------------------------------------------------------------------------------------
// Start-up registrations

TEST(RealStreamTypesRegistrations, ConvertersAndBufferTableAreInTheirPlaces) {
  std::vector<std::string> names;
  for (const pins::TPNTypeConverterEntry& e : pins::TypeConverters())
    names.push_back(e.ConverterClass->ClassName());
  auto at = [&](const char* name) {
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return i;
    ADD_FAILURE() << name << " is not registered";
    return names.size();
  };
  const char* buffers[] = {"TRBPNIntToBinaryFormatConverter",     "TRBPNRealToBinaryFormatConverter",
                           "TRBPNComplexToBinaryFormatConverter", "TRBPNIntToRealFormatConverter",
                           "TRBPNTimeToStringFormatConverter",    "TRBPNIntegerToStringFormatConverter",
                           "TRBPNRealToStringFormatConverter",    "TRBPNRealToRealMatrixFormatConverter"};
  const char* audio[] = {"TPNAudioToIntFormatConverter", "TPNAudioToRealFormatConverter",
                         "TPNAudioToBinaryFormatConverter"};
  const size_t first = at(buffers[0]);
  for (size_t i = 0; i < std::size(buffers); ++i) EXPECT_EQ(at(buffers[i]), first + i) << buffers[i];
  const size_t audioFirst = at(audio[0]);
  EXPECT_GT(audioFirst, first + std::size(buffers) - 1);
  for (size_t i = 0; i < std::size(audio); ++i) EXPECT_EQ(at(audio[i]), audioFirst + i) << audio[i];
  EXPECT_LT(at("TPNPXXYFloatToPairsFormatConverter"), at("TRBPNImageToBinaryFormatConverter"));

  const auto& entry = pins::TypeConverters()[first + 3];
  EXPECT_EQ(entry.InputID, IPNRBIntegerStream::IID);
  EXPECT_EQ(entry.OutputID, IPNRBRealStream::IID);

  struct TRow {
    TGUID ID;
    int32_t SampleSize;
    uint32_t Created;  // bytes of a buffer of 3 elements
  };
  const TRow rows[] = {{IPNRBChannelStream::IID, 1, 3},
                       {IPNRBBinaryStream::IID, 1, 3},
                       {IPNRBRealStream::IID, 8, 24},
                       {IPNRBIntegerStream::IID, 4, 12},
                       {IPNRBComplexStream::IID, 16, 48}};
  const auto& table = RBStreamTypeTable();
  ASSERT_GE(table.size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(table[i].ID, rows[i].ID);
    EXPECT_EQ(table[i].SampleSize, rows[i].SampleSize);
    RefPtr<IRBData> created = table[i].CreateFunction(3);
    auto view = platform::Supports<IRBDataBuffer>(created.Get());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->GetByteSize(), rows[i].Created);
    EXPECT_EQ(view->GetSize() * static_cast<uint32_t>(rows[i].SampleSize), rows[i].Created);
  }
}

}  // namespace realstreamtest
