// Format converters: creation from the registry, sharing, release, upstream forwarding and
// teardown on the thread that drops the last reference.
#include <atomic>
#include <functional>
#include <thread>

#include "tests/common/Watchdog.h"
#include "tests/pins/StdTypesTestSupport.h"

namespace stdtypestest {
namespace {

// ---------------------------------------------------------------------------------------
// Pins and a converter of test types that carry operations upstream

constexpr TGUID kA = TGUID::Parse("{3F0C6A10-5B2E-4C71-9D0A-7E11C2B4A001}");  // source's type
constexpr TGUID kB = TGUID::Parse("{3F0C6A10-5B2E-4C71-9D0A-7E11C2B4A002}");  // sink's type
constexpr TGUID kUp = TGUID::Parse("{3F0C6A10-5B2E-4C71-9D0A-7E11C2B4A003}"); // upstream type

// What an upstream send through the kUp type reaches.
struct TUpReceiver {
  virtual ~TUpReceiver() = default;
  virtual TPNNotifyResult ReceiveUp(IPNNotifyOperation* Operation) = 0;
};

platform::HRESULT AnswerUp(IPNStream* self, const TGUID& iid, void** object) {
  if (iid != kUp) return platform::E_NOINTERFACE;
  self->AddRef();
  *object = static_cast<platform::IInterface*>(self);
  return platform::S_OK;
}

// A sink of one type that sends upstream in kUp.
class TKindSink : public TPNSinkPin {
  PF_CLASS(TKindSink)
  PF_ALLOW_NEW;

 public:
  std::function<TPNNotifyResult(IPNNotifyOperation*)> OnReceive;
  std::atomic<int> Received{0};
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (iid == FAccept) {
      AddRef();
      *object = static_cast<platform::IInterface*>(static_cast<IPNStream*>(this));
      return platform::S_OK;
    }
    return TPNSinkPin::QueryInterface(iid, object);
  }
  TPNNotifyResult Receive(IPNNotifyOperation* Operation) {
    ++Received;
    return OnReceive ? OnReceive(Operation) : TPNNotifyResult();
  }

 protected:
  TKindSink(TComponent* owner, IPNLock* lock, TGUID accept) : TPNSinkPin(owner, lock), FAccept(accept) {
    AddType(kUp, TPNSubmit::Bind<&TKindSink::SubmitUp>(this));
  }
  TPNNotifyResult SubmitUp(IPNStream* Handler, const TGUID* ID, IPNNotifyOperation* Operation,
                           TPNNotifyState State) {
    (void)ID;
    (void)State;
    auto* receiver = dynamic_cast<TUpReceiver*>(Handler);
    return receiver ? receiver->ReceiveUp(Operation) : TPNNotifyResult();
  }
  TGUID FAccept;
};
PF_DEFINE_CLASS(TKindSink, TPNSinkPin)

// A source of one type that takes kUp operations from its sinks.
class TKindSource : public TPNSourcePin, public TUpReceiver {
  PF_CLASS(TKindSource)
  PF_ALLOW_NEW;

 public:
  std::vector<uint32_t> Upstream;
  // Where an upstream operation goes instead of being recorded (a converter's output).
  TPNClockPinNotificationEvent UpEvent;

  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (AnswerUp(this, iid, object) == platform::S_OK) return platform::S_OK;
    return TPNSourcePin::QueryInterface(iid, object);
  }
  TPNNotifyResult ReceiveUp(IPNNotifyOperation* Operation) override {
    if (UpEvent.Assigned()) return UpEvent(this, &kUp, Operation, {});
    Upstream.push_back(Operation->Instance()->OperationID());
    return {nrDataChanged};
  }

 protected:
  TKindSource(TComponent* owner, IPNLock* lock, IPNLock* inputLock, TGUID type)
      : TPNSourcePin(owner, lock, inputLock) {
    AddType(type, TPNSubmit::Bind<&TKindSource::Submit>(this));
  }
  TPNNotifyResult Submit(IPNStream* Handler, const TGUID* ID, IPNNotifyOperation* Operation,
                         TPNNotifyState State) {
    (void)ID;
    (void)State;
    auto* sink = dynamic_cast<TKindSink*>(Handler);
    return sink ? sink->Receive(Operation) : TPNNotifyResult();
  }
};
PF_DEFINE_CLASS(TKindSource, TPNSourcePin)

// Converts kA to kB and forwards operations from its sinks upstream, as converters of data
// that travels upstream do.
class TUpConverter : public TPNFormatConverter {
  PF_CLASS(TUpConverter)
  PF_ALLOW_NEW;

 protected:
  TUpConverter() {
    auto* input = New<TKindSink>(this, FLock.Get(), kA);
    input->OnReceive = [this](IPNNotifyOperation* Operation) { return FOutputPin->Notify(Operation); };
    auto* output = New<TKindSource>(this, FLock.Get(), nullptr, kB);
    output->UpEvent = TPNClockPinNotificationEvent::Bind<&TPNFormatConverter::ForwardUpstream>(this);
    CreatePins(input, output);
  }
};
PN_DEFINE_FORMAT_CONVERTER(TUpConverter, TPNFormatConverter)

using ConvertersTest = StdPinsTest;

// ---------------------------------------------------------------------------------------

TEST_F(ConvertersTest, OneRegistryConverterServesEveryRealOnlySinkOfAFloatSource) {
  THolder* s = Holder("S");
  THolder* k = Holder("K");
  auto* source = s->Make<TPNFloatSourcePin>(nullptr);
  auto* a = k->Make<TRealOnlySink>();
  auto* b = k->Make<TRealOnlySink>();
  auto* c = k->Make<TRealOnlySink>();
  source->SetValue(2.5f);
  const int32_t pins = AllPinsCount();

  ASSERT_TRUE(a->Connect(source));
  ASSERT_EQ(source->GetConverterCount(), 1);
  RefPtr<IPNFormatConverter> converter = a->GetFormatConverter();
  ASSERT_TRUE(converter);
  EXPECT_STREQ(converter->GetInstance()->ClassName(), "TPNFloatToRealFormatConverter");
  EXPECT_EQ(source->GetConnectionID(a), IPNFloatStream::IID);
  EXPECT_TRUE(source->IsConnectedByConverterTo(a));
  EXPECT_EQ(a->GetSourcePin(), source);
  EXPECT_EQ(AllPinsCount(), pins + 2);
  // The sink has the source's current value, as a real value.
  std::vector<TReceived> got = a->Take();
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.back().Kind, "TPNSuppliedRealOperation");
  EXPECT_EQ(got.back().Value, 2.5);

  ASSERT_TRUE(b->Connect(source));
  ASSERT_TRUE(c->Connect(source));
  EXPECT_EQ(source->GetConverterCount(), 1);
  EXPECT_EQ(b->GetFormatConverter(), converter);
  EXPECT_EQ(c->GetFormatConverter(), converter);
  EXPECT_EQ(AllPinsCount(), pins + 2);
  got = b->Take();
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.back().Value, 2.5);
  a->Take();
  c->Take();

  // One delivery calls the converter's input once: each sink gets the value once.
  source->SetValue(-1.5f);
  for (TRealOnlySink* sink : {a, b, c}) {
    got = sink->Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Kind, "TPNSuppliedRealOperation");
    EXPECT_EQ(got[0].Value, -1.5);
  }

  // Removing sinks keeps the converter while it serves one; the last removal frees it and
  // its pins leave AllPins.
  platform::TObject* instance = converter->GetInstance();
  converter = nullptr;
  b->Disconnect();
  a->Disconnect();
  EXPECT_EQ(source->GetConverterCount(), 1);
  EXPECT_EQ(AllPinsCount(), pins + 2);
  EXPECT_EQ(c->GetFormatConverter()->GetInstance(), instance);
  c->Disconnect();
  EXPECT_EQ(source->GetConverterCount(), 0);
  EXPECT_EQ(AllPinsCount(), pins);
  source->SetValue(9);
  EXPECT_TRUE(c->Take().empty());
}

TEST_F(ConvertersTest, ALoneReferenceFreesTheConverterAndItsPins) {
  const int32_t pins = AllPinsCount();
  RefPtr<IPNFormatConverter> converter(dynamic_cast<IPNFormatConverter*>(
      TPNFloatToRealFormatConverter::StaticClass().Create(nullptr)));
  ASSERT_TRUE(converter);
  TPNFormatConverter* instance = converter->GetInstance();
  EXPECT_EQ(instance->RefCount(), 1);
  EXPECT_EQ(instance->Owner(), nullptr);
  ASSERT_NE(instance->InputPin(), nullptr);
  ASSERT_NE(instance->OutputPin(), nullptr);
  EXPECT_EQ(instance->InputPin()->GetOwner(), instance);
  // The output's data is computed from the input.
  EXPECT_TRUE(instance->OutputPin()->DirectDependsOn(instance->InputPin()));
  EXPECT_EQ(AllPinsCount(), pins + 2);
  converter = nullptr;
  EXPECT_EQ(AllPinsCount(), pins);
}

// Every scalar converter the registry knows, made by class: its input takes the stream
// type it is registered for, its output is the source pin of the target type, and its
// release frees both pins.
TEST_F(ConvertersTest, EveryRegisteredScalarConverterHasPinsOfItsRegisteredTypes) {
  struct Row {
    TGUID In, Out;
    const platform::TClassInfo* Output;
  };
  const Row rows[] = {
      {IPNIntegerStream::IID, IPNFloatStream::IID, &TPNFloatSourcePin::StaticClass()},
      {IPNIntegerStream::IID, IPNRealStream::IID, &TPNRealSourcePin::StaticClass()},
      {IPNInt64Stream::IID, IPNFloatStream::IID, &TPNFloatSourcePin::StaticClass()},
      {IPNInt64Stream::IID, IPNRealStream::IID, &TPNRealSourcePin::StaticClass()},
      {IPNFloatStream::IID, IPNRealStream::IID, &TPNRealSourcePin::StaticClass()},
      {IPNIntRangedStream::IID, RealRangedStreamTypeID, &TPNRealRangedSourcePin::StaticClass()},
      {IPNInt64RangedStream::IID, RealRangedStreamTypeID, &TPNRealRangedSourcePin::StaticClass()},
  };
  const int32_t pins = AllPinsCount();
  for (const Row& row : rows) {
    TPNFormatConverterClass cls = FindTypeConverter(row.In, row.Out);
    ASSERT_NE(cls, nullptr);
    SCOPED_TRACE(cls->ClassName());
    RefPtr<IPNFormatConverter> converter(
        dynamic_cast<IPNFormatConverter*>(cls->Create(nullptr)));
    ASSERT_TRUE(converter);
    TPNFormatConverter* instance = converter->GetInstance();
    EXPECT_EQ(&instance->ClassType(), cls);
    EXPECT_TRUE(instance->InputPin()->AcceptsStreamType(row.In));
    EXPECT_EQ(&instance->OutputPin()->ClassType(), row.Output);
    EXPECT_TRUE(instance->OutputPin()->DirectDependsOn(instance->InputPin()));
    EXPECT_EQ(AllPinsCount(), pins + 2);
    converter = nullptr;
    EXPECT_EQ(AllPinsCount(), pins);
  }
}

TEST_F(ConvertersTest, AnUpstreamOperationThroughAConverterReachesTheFeedingSource) {
  RegisterTypeConverter(kA, kB, &TUpConverter::StaticClass());
  THolder* s = Holder("S");
  THolder* k = Holder("K");
  auto* source = s->Make<TKindSource>(nullptr, kA);
  auto* sink = k->Make<TKindSink>(kB);
  ASSERT_TRUE(sink->Connect(source));
  ASSERT_EQ(source->GetConverterCount(), 1);
  EXPECT_STREQ(sink->GetFormatConverter()->GetInstance()->ClassName(), "TUpConverter");

  // Downstream through the converter.
  int before = sink->Received.load();
  source->Notify(TPNStartOperation::Make().Get());
  EXPECT_EQ(sink->Received.load(), before + 1);

  // Upstream: the sink's send reaches the converter's output, is forwarded through its
  // input to the source, and the source's result comes back.
  RefPtr<IPNNotifyOperation> pump = TPNPumpRequestOperation::Make();
  TPNNotifyResult result = sink->Notify(pump.Get());
  EXPECT_TRUE(result.Contains(nrDataChanged));
  ASSERT_EQ(source->Upstream.size(), 1u);
  EXPECT_EQ(source->Upstream[0], pump->Instance()->OperationID());

  // Once unlinked, nothing travels any more.
  sink->Disconnect();
  EXPECT_EQ(source->GetConverterCount(), 0);
  EXPECT_TRUE(sink->Notify(pump.Get()).Empty());
  EXPECT_EQ(source->Upstream.size(), 1u);
}

// Links through a converter are made and removed while another thread delivers through the
// source; the last reference to each converter drops on whichever thread holds it last (the
// unlinking thread, a delivery's snapshot, or a third thread that kept a reference).
TEST_F(ConvertersTest, ConvertersAreTornDownOnTheThreadThatDropsTheLastReference) {
  Watchdog dog(60, "ConvertersTest.ConvertersAreTornDownOnTheThreadThatDropsTheLastReference");
  THolder* s = Holder("S");
  THolder* k = Holder("K");
  auto* source = s->Make<TPNFloatSourcePin>(nullptr);
  auto* sink = k->Make<TRealOnlySink>();
  auto* other = k->Make<TRealOnlySink>();
  ASSERT_TRUE(other->Connect(source));  // keeps deliveries going through a converter
  const int32_t pins = AllPinsCount();

  std::atomic<bool> done{false};
  std::thread sender([&] {
    float v = 0;
    while (!done.load()) source->SetValue(v += 1);
  });
  std::vector<RefPtr<IPNFormatConverter>> kept;
  std::mutex keptMutex;
  std::thread releaser([&] {
    while (!done.load()) {
      RefPtr<IPNFormatConverter> last;
      {
        std::lock_guard<std::mutex> lock(keptMutex);
        if (!kept.empty()) {
          last = kept.back();
          kept.pop_back();
        }
      }
      last = nullptr;  // may be the last reference
      std::this_thread::yield();
    }
  });
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(sink->Connect(source));
    if (i % 3 == 0) {
      std::lock_guard<std::mutex> lock(keptMutex);
      kept.push_back(sink->GetFormatConverter());
    }
    if (i % 2 == 0) other->Disconnect();
    sink->Disconnect();
    if (i % 2 == 0) {
      ASSERT_TRUE(other->Connect(source));
    }
  }
  done = true;
  sender.join();
  releaser.join();
  kept.clear();
  EXPECT_EQ(source->GetConverterCount(), 1);
  EXPECT_EQ(AllPinsCount(), pins);
  // The remaining link still converts.
  other->Take();
  source->SetValue(-7);
  std::vector<TReceived> got = other->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Value, -7);
}

// A sink linked through a converter gets the source's current value, converted, once and
// marked as a new link; the sinks the converter already serves get nothing.
TEST_F(ConvertersTest, ANewSinkThroughAConverterAloneGetsTheCurrentValueOnce) {
  THolder* s = Holder("S");
  THolder* k = Holder("K");
  auto* source = s->Make<TPNFloatSourcePin>(nullptr);
  auto* a = k->Make<TRealOnlySink>();
  auto* b = k->Make<TRealOnlySink>();
  source->SetValue(2.5f);
  const uint64_t newLink = 1 | 2;  // nsNewLink, nsLastIteration
  auto expectOnlyTheValue = [&](TRealOnlySink* sink, double value) {
    std::vector<TReceived> got = sink->Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Kind, "TPNSuppliedRealOperation");
    EXPECT_EQ(got[0].Value, value);
    EXPECT_EQ(got[0].State, newLink);
  };
  ASSERT_TRUE(a->Connect(source));  // a new converter
  expectOnlyTheValue(a, 2.5);
  source->SetValue(-4);
  a->Take();
  ASSERT_TRUE(b->Connect(source));  // the same converter
  EXPECT_EQ(source->GetConverterCount(), 1);
  expectOnlyTheValue(b, -4);
  EXPECT_TRUE(a->Take().empty()) << "a sink already served got the value again";
}

// A sink linked through a converter after another sink of the source: the link is made, the
// converter's entry is served after the other sink, and a refused after-pin makes nothing.
TEST_F(ConvertersTest, ALinkThroughAConverterAfterAnotherSink) {
  THolder* s = Holder("S");
  THolder* k = Holder("K");
  auto* source = s->Make<TPNFloatSourcePin>(nullptr);
  auto* direct = k->Make<TFloatOnlySink>();
  auto* converted = k->Make<TRealOnlySink>();
  auto* stranger = k->Make<TFloatOnlySink>();
  ASSERT_TRUE(direct->Connect(source));
  const int32_t pins = AllPinsCount();

  // The after-pin is no sink of the source: refused, nothing made.
  EXPECT_FALSE(converted->ConnectAfter(source, stranger));
  EXPECT_EQ(converted->GetSourcePin(), nullptr);
  EXPECT_EQ(source->GetSinkCount(), 1);
  EXPECT_EQ(source->GetConverterCount(), 0);
  EXPECT_EQ(AllPinsCount(), pins);

  ASSERT_TRUE(converted->ConnectAfter(source, direct));
  EXPECT_EQ(source->GetNotifyAfterPin(converted), direct);
  EXPECT_EQ(converted->GetNotifyAfterPin(source), direct);
  EXPECT_TRUE(source->IsConnectedByConverterTo(converted));
  direct->Take();
  converted->Take();
  // Every delivery reaches both, the converted one after the other, whatever the weights.
  direct->Result = {nrDataChanged};
  for (float v : {1.f, 2.f, 3.f}) {
    source->SetValue(v);
    std::vector<TReceived> d = direct->Take(), c = converted->Take();
    ASSERT_EQ(d.size(), 1u);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].Value, v);
    EXPECT_EQ(source->GetSink(0), direct);
  }
}

// Two pins that need a converter are joined by state through one; a second sink of the same
// kind shares it; without a registered converter the join is refused.
TEST_F(ConvertersTest, AJoinByStateThatNeedsAConverter) {
  THolder* s = Holder("S");
  THolder* k = Holder("K");
  auto* source = s->Make<TPNFloatSourcePin>(nullptr);
  auto* a = k->Make<TRealOnlySink>();
  auto* b = k->Make<TRealOnlySink>();
  source->SetValue(4);
  ASSERT_TRUE(source->ConnectByState(a));
  TPNStateDispatcher* link = source->Dispatcher();
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(a->Dispatcher(), link);
  EXPECT_TRUE(a->HasStateConverter());
  ASSERT_EQ(link->GetConverterCount(), 1);
  std::vector<TReceived> got = a->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, "TPNSuppliedRealOperation");
  EXPECT_EQ(got[0].Value, 4);

  ASSERT_TRUE(source->ConnectByState(b));
  EXPECT_EQ(link->GetConverterCount(), 1) << "the link's converter is used again, not added twice";
  a->Take();
  b->Take();
  source->SetValue(5);
  for (TRealOnlySink* sink : {a, b}) {
    got = sink->Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Value, 5);
  }
  // Leaving the link ends the deliveries through its converter.
  a->Disconnect();
  EXPECT_EQ(a->GetSourcePin(), nullptr);
  source->SetValue(6);
  EXPECT_TRUE(a->Take().empty());
  EXPECT_EQ(b->Take().size(), 1u);
  b->Disconnect();

  ClearRegistries();
  EXPECT_FALSE(source->ConnectByState(a));
  EXPECT_EQ(source->Dispatcher(), nullptr);
  EXPECT_EQ(a->Dispatcher(), nullptr);
}

}  // namespace
}  // namespace stdtypestest
