#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "buffers/RBSimpleDataBufferBlock.h"
#include "buffers/RBSimpleDataBufferInteger.h"
#include "buffers/RBStreamTypes.h"
#include "buffers/SNStreamTypes.h"
#include "pins/PNPinsGlobals.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/common/Watchdog.h"
#include "tests/components/ComponentsTestSupport.h"

namespace streamtypestest {

using namespace buffers;
using pins::IPNNotifyOperation;
using pins::OperationAs;
using pins::TPNNotifyResult;
using pins::TPNNotifyState;
using platform::New;
using platform::TObject;
using namespace componentstest;

struct StreamTypesTest : bufferstest::BuffersTest {
  TOwner Up, Down;
};

// ---------------------------------------------------------------------------------------
// The kept start

TEST_F(StreamTypesTest, TheKeptStartIsReplayedOnceToASinkThatLinksItselfAndTwiceFromTheSourceSide) {
  auto* source = Up.Source<TRBPNIntegerSourcePin>(true);
  auto* self = Down.Sink<TRBPNIntegerSinkPin>();
  auto* bySource = Down.Sink<TRBPNIntegerSinkPin>();
  RefPtr<IPNNotifyOperation> start = TPNStartSampleRateOperation::Make(100.0);
  source->Notify(start.Get());
  EXPECT_EQ(source->StartOperation(), start);

  ASSERT_TRUE(self->Connect(source));
  ASSERT_EQ(Down.At(self), Names{"TPNStartSampleRateOperation"});
  EXPECT_EQ(Down.Received[0].Operation, start);  // the same object, so the same ID
  EXPECT_EQ(Up.Connects, 1);

  ASSERT_TRUE(source->LinkToSink(bySource, nullptr));
  EXPECT_EQ(Down.At(bySource), (Names{"TPNStartSampleRateOperation", "TPNStartSampleRateOperation"}));
  EXPECT_EQ(Down.Received.back().Operation, start);
  EXPECT_EQ(Up.Connects, 3);
  EXPECT_EQ(Down.At(self).size(), 1u);  // the replay went to the new sink alone

  source->Free();
  self->Free();
  bySource->Free();
}

// Operations that end a stream forget the kept start; others leave it.
TEST_F(StreamTypesTest, StopsForgetTheKeptStartAndOtherOperationsLeaveIt) {
  struct TCase {
    RefPtr<IPNNotifyOperation> (*Make)();
    bool Keeps;
  };
  const TCase cases[] = {
      {&pins::TPNStopOperation::Make, false},
      {&pins::TPNEndStopOperation::Make, false},
      {&pins::TPNFileEndNoStopOperation::Make, true},
      {&pins::TPNClockOperation::Make, true},
  };
  for (const TCase& c : cases) {
    auto* source = Up.Source<TRBPNIntegerSourcePin>();
    source->Notify(pins::TPNStartRateOperation::Make(5.0f).Get());
    source->Notify(c.Make().Get());
    auto* sink = Down.Sink<TRBPNIntegerSinkPin>();
    Down.Received.clear();
    sink->Connect(source);
    EXPECT_EQ(Down.At(sink).size(), c.Keeps ? 1u : 0u) << c.Make()->Instance()->ClassName();
    sink->Free();
    source->Free();
  }
}

// ---------------------------------------------------------------------------------------
// Stops to departing sinks

TEST_F(StreamTypesTest, EveryRoadOfUnlinkingSendsOneStopToThatSinkAlone) {
  struct TCase {
    const char* Road;
    void (*Unlink)(TRBPNSourcePin* Source, TRBPNSinkPin* Sink);
  };
  const TCase roads[] = {
      {"sink disconnects", [](TRBPNSourcePin*, TRBPNSinkPin* s) { s->Disconnect(); }},
      {"sink connects to nothing", [](TRBPNSourcePin*, TRBPNSinkPin* s) { s->Connect(nullptr); }},
      {"source disconnects from it", [](TRBPNSourcePin* p, TRBPNSinkPin* s) { p->DisconnectFrom(s); }},
      {"source disconnects all", [](TRBPNSourcePin* p, TRBPNSinkPin*) { p->Disconnect(); }},
  };
  for (const TCase& road : roads) {
    auto* source = Up.Source<TRBPNIntegerSourcePin>();
    auto* leaving = Down.Sink<TRBPNIntegerSinkPin>();
    auto* staying = Down.Sink<TRBPNIntegerSinkPin>();
    ASSERT_TRUE(leaving->Connect(source));
    const bool allGo = std::string(road.Road) == "source disconnects all";
    if (!allGo) {
      ASSERT_TRUE(staying->Connect(source));
    }
    Down.Received.clear();
    road.Unlink(source, leaving);
    EXPECT_EQ(Down.At(leaving), Names{"TPNStopOperation"}) << road.Road;
    EXPECT_TRUE(Down.At(staying).empty()) << road.Road;
    EXPECT_FALSE(leaving->IsConnected()) << road.Road;
    staying->Free();
    leaving->Free();
    source->Free();
  }
}

TEST_F(StreamTypesTest, DestroyingTheSourcePinSendsOneStopToEachSink) {
  auto* source = Up.Source<TRBPNIntegerSourcePin>();
  auto* a = Down.Sink<TRBPNIntegerSinkPin>();
  auto* b = Down.Sink<TRBPNIntegerSinkPin>();
  ASSERT_TRUE(a->Connect(source));
  ASSERT_TRUE(b->Connect(source));
  source->Notify(TPNStartSampleRateOperation::Make(10.0).Get());
  Down.Received.clear();
  source->Free();
  EXPECT_EQ(Down.At(a), Names{"TPNStopOperation"});
  EXPECT_EQ(Down.At(b), Names{"TPNStopOperation"});
  EXPECT_FALSE(a->IsConnected());
  a->Free();
  b->Free();
}

// Starts and stops from one thread while two others link and unlink: the kept start is read
// and written under the pin's data section, and every link ends with a stop.
TEST_F(StreamTypesTest, StartsAndStopsRaceLinksWithoutHarm) {
  Watchdog dog(60, "StreamTypes.StartsAndStopsRaceLinks");
  auto* source = Up.Source<TRBPNIntegerSourcePin>();
  std::atomic<int> stops{0};
  std::atomic<bool> done{false};
  // The sink's owner only counts (the recorder is not shared between threads).
  struct TCounter {
    std::atomic<int>* Stops;
    TPNNotifyResult On(TPNBasicPin*, const TGUID*, IPNNotifyOperation* Operation, TPNNotifyState) {
      if (OperationAs<pins::TPNStopOperation>(Operation)) ++*Stops;
      return {};
    }
  } counter{&stops};
  auto* counting = New<TRBPNIntegerSinkPin>(Down.Component, Down.Lock.Get(),
                                            TRBOperationEvent::Bind<&TCounter::On>(&counter));
  auto* other = New<TRBPNIntegerSinkPin>(Down.Component, Down.Lock.Get(),
                                         TRBOperationEvent::Bind<&TCounter::On>(&counter));
  std::thread sender([&] {
    while (!done) {
      source->Notify(TPNStartSampleRateOperation::Make(1.0).Get());
      source->Stop();
    }
  });
  std::thread linker([&] {
    while (!done) {
      other->Connect(source);
      source->DisconnectFrom(other);
    }
  });
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(counting->Connect(source));
    counting->Disconnect();
  }
  done = true;
  sender.join();
  linker.join();
  other->Free();
  EXPECT_GE(stops.load(), 300);
  counting->Free();
  source->Free();
}

// ---------------------------------------------------------------------------------------
// Buffers along pins

TEST_F(StreamTypesTest, ASentBufferArrivesAsANewViewOfTheSameContainer) {
  auto* source = Up.Source<TRBPNIntegerSourcePin>();
  auto* sink = Down.Sink<TRBPNIntegerSinkPin>();
  sink->Connect(source);
  EXPECT_EQ(sink->GetConnectionID(source), IPNRBIntegerStream::IID);
  auto buffer = TRBIntegerBuffer::CreateValue(42, 3);
  source->SubmitBuffer(buffer.Get());
  ASSERT_EQ(Down.At(sink), Names{"TPNSuppliedBufferOperation"});
  auto* supplied = OperationAs<TPNSuppliedBufferOperation>(Down.Received[0].Operation.Get());
  auto* view = dynamic_cast<TRBIntegerBuffer*>(supplied->Buffer->GetInstance());
  ASSERT_NE(view, nullptr);
  EXPECT_NE(view, buffer.Get());
  EXPECT_EQ(view->DataContainer(), buffer->DataContainer());
  EXPECT_EQ(view->GetItem(2), 42);
  Down.Received.clear();
  sink->Free();
  source->Free();
}

// What a receiver raises never reaches the sender: the result is empty and the sender goes on.
TEST_F(StreamTypesTest, AFailingReceiverGivesAnEmptyResultAndTheSenderGoesOn) {
  auto* source = Up.Source<TRBPNIntegerSourcePin>();
  auto* sink = Down.Sink<TRBPNIntegerSinkPin>();
  sink->Connect(source);
  auto buffer = TRBIntegerBuffer::CreateValue(1, 1);
  Down.Raise = true;
  TPNNotifyResult result = {pins::nrDataChanged};
  EXPECT_NO_THROW(result = source->SubmitBuffer(buffer.Get()));
  EXPECT_TRUE(result.Empty());
  Down.Raise = false;
  EXPECT_NO_THROW(source->SubmitBuffer(buffer.Get()));
  EXPECT_EQ(Down.At(sink).size(), 2u);

  auto* pairs = Up.Source<TRBPNPairedSourcePin>();
  auto* pairSink = Down.Sink<TTestPairedSinkPin>();
  ASSERT_TRUE(pairSink->Connect(pairs));
  Down.Raise = true;
  EXPECT_NO_THROW(result = pairs->SubmitPair(TCBBufferPair::Create().Get()));
  EXPECT_TRUE(result.Empty());
  EXPECT_EQ(Down.At(pairSink), Names{"TPNSuppliedBufferPairOperation"});
  Down.Received.clear();
  pairSink->Free();
  pairs->Free();
  sink->Free();
  source->Free();
}

TEST_F(StreamTypesTest, OperationsSentUpstreamReachTheSourcesOwner) {
  auto* source = Up.Source<TRBPNIntegerSourcePin>();
  auto* sink = Down.Sink<TRBPNIntegerSinkPin>();
  sink->Connect(source);
  Up.Received.clear();
  sink->MasterPump(Down.Component);
  ASSERT_EQ(Up.At(source), Names{"TPNMasterPumpOperation"});
  EXPECT_EQ(OperationAs<pins::TPNMasterPumpOperation>(Up.Received[0].Operation.Get())->Pump,
            Down.Component);
  Down.Received.clear();
  sink->Free();
  source->Free();
}

// ---------------------------------------------------------------------------------------
// RBGlobalSubmit

TEST_F(StreamTypesTest, RBGlobalSubmitGivesRealAndIntegerReceiversTheirOwnRate) {
  auto* real = Down.Sink<TRBPNRealSinkPin>();
  auto* integer = Down.Sink<TRBPNIntegerSinkPin>();
  auto* complex = Down.Sink<TRBPNComplexSinkPin>();
  auto* binary = Up.Source<TRBPNBinarySourcePin>();  // a binary receiver (upstream)
  RefPtr<IPNNotifyOperation> start = TPNStartSampleRateOperation::Make(800.0);
  struct TCase {
    TPNBasicPin* Receiver;
    TOwner* Owner;
    double Rate;  // 0: the incoming operation itself
  };
  const TCase cases[] = {{real, &Down, 100.0}, {integer, &Down, 200.0}, {complex, &Down, 0.0},
                         {binary, &Up, 0.0}};
  for (const TCase& c : cases) {
    c.Owner->Received.clear();
    RBGlobalSubmit(nullptr, static_cast<IPNStream*>(c.Receiver), &IPNRBChannelStream::IID,
                   start.Get(), {});
    ASSERT_EQ(c.Owner->Received.size(), 1u);
    RefPtr<IPNNotifyOperation> got = c.Owner->Received[0].Operation;
    if (c.Rate == 0.0) {
      EXPECT_EQ(got, start);
    } else {
      EXPECT_NE(got, start);
      auto* rated = OperationAs<TPNStartSampleRateOperation>(got.Get());
      ASSERT_NE(rated, nullptr);
      EXPECT_EQ(rated->SampleRate, c.Rate);
      EXPECT_EQ(rated->Rate, static_cast<float>(c.Rate));
    }
    // A new link gets nothing.
    c.Owner->Received.clear();
    RBGlobalSubmit(nullptr, static_cast<IPNStream*>(c.Receiver), &IPNRBChannelStream::IID,
                   start.Get(), {pins::nsNewLink});
    EXPECT_TRUE(c.Owner->Received.empty());
  }
  Up.Received.clear();
  Down.Received.clear();
  binary->Free();
  complex->Free();
  integer->Free();
  real->Free();
}

// A source that carries a buffer type without a submit function of its own sends through the
// registry's function.
class TPlainRealSourcePin : public pins::TPNSourcePin {
  PF_CLASS(TPlainRealSourcePin)
  PF_ALLOW_NEW;

 protected:
  explicit TPlainRealSourcePin(TComponent* AOwner) : TPNSourcePin(AOwner) {
    AddType(IPNRBRealStream::IID);
  }
};
PF_DEFINE_CLASS(TPlainRealSourcePin, pins::TPNSourcePin)

TEST_F(StreamTypesTest, TheRegistrySendsBufferTypesThroughRBGlobalSubmit) {
  auto* source = New<TPlainRealSourcePin>(Up.Component);
  auto* sink = Down.Sink<TRBPNRealSinkPin>();
  ASSERT_TRUE(sink->Connect(source));
  source->Notify(TPNStartSampleRateOperation::Make(800.0).Get());
  ASSERT_EQ(Down.Received.size(), 1u);
  EXPECT_EQ(OperationAs<TPNStartSampleRateOperation>(Down.Received[0].Operation.Get())->SampleRate,
            100.0);
  Down.Received.clear();
  sink->Free();
  source->Free();
}

// ---------------------------------------------------------------------------------------
// Converters

TEST_F(StreamTypesTest, AnIntegerSourceFeedsABinarySinkThroughAByteViewOfTheSameMemory) {
  auto* source = Up.Source<TRBPNIntegerSourcePin>();
  auto* sink = Down.Sink<TTestBinarySinkPin>();
  RefPtr<IPNNotifyOperation> start = TPNStartSampleRateOperation::Make(8.0);
  source->Notify(start.Get());
  ASSERT_TRUE(sink->Connect(source));
  ASSERT_EQ(source->GetConverterCount(), 1);
  EXPECT_STREQ(source->GetConverter(0)->GetInstance()->ClassName(), "TRBPNIntToBinaryFormatConverter");
  ASSERT_EQ(Down.At(sink), Names{"TPNStartSampleRateOperation"});  // the kept start, converted
  EXPECT_EQ(Down.Received[0].Operation, start);

  const int32_t values[] = {1, 0x01020304, -1};
  auto buffer = TRBIntegerBuffer::CreateData(values, 3);
  source->SubmitBuffer(buffer.Get());
  ASSERT_EQ(Down.At(sink), (Names{"TPNStartSampleRateOperation", "TPNSuppliedBufferOperation"}));
  auto* supplied = OperationAs<TPNSuppliedBufferOperation>(Down.Received[1].Operation.Get());
  auto* bytes = dynamic_cast<TRBBlockBuffer*>(supplied->Buffer->GetInstance());
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes->GetSize(), 12u);
  EXPECT_EQ(bytes->DataContainer(), buffer->DataContainer());
  EXPECT_EQ(bytes->GetItem(4), 0x04);
  EXPECT_EQ(bytes->GetItem(7), 0x01);
  EXPECT_EQ(bytes->GetItem(11), 0xFF);

  // Unlinking reaches the sink through the converter with one stop.
  Down.Received.clear();
  sink->Disconnect();
  EXPECT_EQ(Down.At(sink), Names{"TPNStopOperation"});
  EXPECT_EQ(source->GetConverterCount(), 0);
  sink->Free();
  source->Free();
}

TEST_F(StreamTypesTest, ARealValueSourceFeedsAStringSinkWithTheValuesText) {
  auto* source = New<pins::TPNRealSourcePin>(Up.Component);
  auto* sink = Down.Sink<TTestStringSinkPin>();
  ASSERT_TRUE(sink->Connect(source));
  Down.Received.clear();
  source->SetValue(2.5);
  ASSERT_EQ(Down.At(sink), Names{"TPNSuppliedStringOperation"});
  EXPECT_EQ(OperationAs<pins::TPNSuppliedStringOperation>(Down.Received[0].Operation.Get())->Value,
            "2.5");
  Down.Received.clear();
  sink->Free();
  source->Free();
}

TEST(FloatToStr, GeneralFormatOfFifteenDigits) {
  const std::pair<double, const char*> cases[] = {
      {0.0, "0"},          {2.5, "2.5"},
      {-0.1, "-0.1"},      {100.0, "100"},
      {1.0 / 3.0, "0.333333333333333"},
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1.23456789012346E15"},
      {0.00001, "1E-5"},   {0.0001, "0.0001"},
      {1.5e-7, "1.5E-7"},  {1e300, "1E300"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(FloatToStr(value), text) << value;
}

// ---------------------------------------------------------------------------------------
// Buffer pairs and audio

TEST_F(StreamTypesTest, ABufferPairHandsOutOnlyDataBuffers) {
  auto pair = TCBBufferPair::Create();
  auto x = TRBIntegerBuffer::CreateValue(1, 2);
  pair->AddBuffer(x.Get());
  EXPECT_EQ(pair->GetCount(), 1);
  EXPECT_EQ(pair->GetBuffer(0).Get(), static_cast<IRBDataBuffer*>(x.Get()));
  EXPECT_THROW(pair->GetBuffer(1), platform::EListError);
  pair->SetBuffer(0, nullptr);
  EXPECT_THROW(pair->GetBuffer(0), EIntfCastError);
}

// An audio buffer for the tests: bytes of its own, and an integer buffer for channel 0.
class TTestAudioBuffer : public TRBBlockBuffer, public virtual ISNAudioBuffer {
  PF_CLASS(TTestAudioBuffer)
  PF_ALLOW_NEW;

 public:
  static RefPtr<TTestAudioBuffer> Create(uint32_t ASize, RefPtr<IRBIntegerBuffer> AChannel) {
    auto* container = TRBSmartMemoryBuffer::Create(ASize);
    return RefPtr<TTestAudioBuffer>(New<TTestAudioBuffer>(container, ASize, AChannel));
  }
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (iid == ISNAudioBuffer::IID) return platform::QueryInterfaces<ISNAudioBuffer>(this, iid, object);
    return TRBBlockBuffer::QueryInterface(iid, object);
  }
  RefPtr<IRBIntegerBuffer> GetIntegerBuffer(int32_t AChannel) override {
    return AChannel == 0 ? FChannel : nullptr;
  }
  RefPtr<IRBRealBuffer> GetRealBuffer(int32_t AChannel) override {
    (void)AChannel;
    return nullptr;
  }
  TRBBasicBuffer* MakeCopyObject() override {
    return New<TTestAudioBuffer>(pDataContainer, FCharSize, FChannel);
  }

 protected:
  TTestAudioBuffer(TRBSmartBuffer* AContainer, uint32_t ASize, RefPtr<IRBIntegerBuffer> AChannel)
      : TRBBlockBuffer(AContainer, ASize), FChannel(std::move(AChannel)) {}

 private:
  RefPtr<IRBIntegerBuffer> FChannel;
};
PF_DEFINE_CLASS(TTestAudioBuffer, TRBBlockBuffer)

RB_TYPED_PIN(TTestAudioSourcePin, TRBPNTypedSourcePin, IPNSNAudioStream);
PF_DEFINE_CLASS(TTestAudioSourcePin, TRBPNSourcePin)

TEST_F(StreamTypesTest, AudioReachesIntegerAndBinarySinksThroughItsConverters) {
  auto* source = Up.Source<TTestAudioSourcePin>();
  auto* integer = Down.Sink<TRBPNIntegerSinkPin>();
  auto* binary = Down.Sink<TTestBinarySinkPin>();
  ASSERT_TRUE(integer->Connect(source));
  ASSERT_TRUE(binary->Connect(source));
  ASSERT_EQ(source->GetConverterCount(), 2);

  auto channel = TRBIntegerBuffer::CreateValue(9, 4);
  auto audio = TTestAudioBuffer::Create(16, RefPtr<IRBIntegerBuffer>(channel.Get()));
  source->SubmitBuffer(audio.Get());
  ASSERT_EQ(Down.At(integer), Names{"TPNSuppliedBufferOperation"});
  ASSERT_EQ(Down.At(binary), Names{"TPNSuppliedBufferOperation"});
  for (const TReceived& r : Down.Received) {
    auto* view = dynamic_cast<TRBGenericBuffer*>(
        OperationAs<TPNSuppliedBufferOperation>(r.Operation.Get())->Buffer->GetInstance());
    ASSERT_NE(view, nullptr);
    if (r.Pin == integer) {
      EXPECT_EQ(view->DataContainer(), channel->DataContainer());
      EXPECT_EQ(componentstest::IntegerValue(view), 9);
    } else {
      EXPECT_EQ(view->DataContainer(), audio->DataContainer());
      EXPECT_EQ(view->GetByteSize(), 16u);
    }
  }
  Down.Received.clear();
  binary->Free();
  integer->Free();
  source->Free();
}

}  // namespace streamtypestest
