// The standard stream types, operations and registrations, and the value pins.
#include <cmath>
#include <limits>

#include "pins/PNPinsRegistries.h"
#include "tests/pins/StdTypesTestSupport.h"

namespace stdtypestest {

// ---------------------------------------------------------------------------------------
// Test components (shared by the converter and dependency tests)

PF_DEFINE_COMPONENT(THolder, TComponent, nullptr)

THolder::THolder(TComponent* owner) : TComponent(owner), Lock(TPNLock::Create().Get()) {}

void THolder::Destroy() {
  {
    auto stop = Lock->StopLock();
    for (size_t i = Pins.size(); i-- > 0;) Pins[i]->Free();
    Pins.clear();
  }
  TComponent::Destroy();
}

PF_DEFINE_CLASS(TRealOnlySink, TPNSinkPin)
PF_DEFINE_CLASS(TFloatOnlySink, TPNSinkPin)
PF_DEFINE_CLASS(TClockSink, TPNSinkPin)
PF_DEFINE_CLASS(TRangedSink, TPNSinkPin)

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const TPNStreamTypeEntry* FindType(const TGUID& id) {
  for (const TPNStreamTypeEntry& e : StreamTypes())
    if (e.ID == id) return &e;
  return nullptr;
}

// ---------------------------------------------------------------------------------------
// Registrations

TEST(StdTypesRegistration, StreamTypesConvertersAndSendFunction) {
  RegisterStandardTypes();
  struct Row {
    TGUID ID;
    const char* Name;
    bool HasColor;
    TColor Color;
    float Thickness;
  };
  const Row rows[] = {
      {IPNClockStream::IID, "Clock", false, 0, 0.0f},
      {IPNIntegerStream::IID, "32 bit Integer", true, 0xFF00FF, 1.0f},
      {IPNInt64Stream::IID, "64 bit Integer", true, 0xFF00FF, 1.0f},
      {IPNFloatStream::IID, "Float", true, 0x0000FF, 1.0f},
      {IPNRealStream::IID, "Real", true, 0x0000FF, 1.0f},
      {TGUID::Parse("{4CC4ADE6-E5AE-4E27-A9E7-42C14E062F41}"), "Real Complex", true, 0xFFFF00, 1.0f},
      {IPNBoolStream::IID, "Boolean", true, 0xFF0000, 1.0f},
      {TGUID::Parse("{3241B885-95E1-495F-ACEC-4A1C98872B63}"), "Character", true, 0x808000, 1.0f},
      {TGUID::Parse("{25C048B4-89D4-4277-AA98-A835EB29F5C1}"), "Sting", true, 0x808000, 2.0f},
      {IPNIntRangedStream::IID, "Ranged 32 bit Integer", true, 0xFF00FF, 1.0f},
      {IPNInt64RangedStream::IID, "Ranged 64 bit Integer", true, 0xFF00FF, 1.0f},
      {TGUID::Parse("{648AC95D-2772-427C-AD9D-2B7F1EDDE1A7}"), "Ranged Real", true, 0x0000FF, 1.0f},
      {IPNDateTimeStream::IID, "Date/Time", false, 0, 0.0f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    const TPNStreamTypeEntry* e = FindType(row.ID);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(StreamTypeName(row.ID), row.Name);
    EXPECT_EQ(e->HasColor, row.HasColor);
    if (row.HasColor) {
      EXPECT_EQ(e->Color, row.Color);
      EXPECT_EQ(e->Thickness, row.Thickness);
    }
    EXPECT_EQ(e->SendFunction, nullptr);
  }
  // The data stream type has a send function and no name.
  const TPNStreamTypeEntry* data = FindType(IPNDataStream::IID);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(StreamTypeName(IPNDataStream::IID), "");
  EXPECT_EQ(data->SendFunction, &DataStreamSubmit);

  struct Pair {
    TGUID In, Out;
    TPNFormatConverterClass Class;
  };
  const Pair pairs[] = {
      {IPNIntegerStream::IID, IPNFloatStream::IID, &TPNIntToFloatFormatConverter::StaticClass()},
      {IPNIntegerStream::IID, IPNRealStream::IID, &TPNIntToRealFormatConverter::StaticClass()},
      {IPNInt64Stream::IID, IPNFloatStream::IID, &TPNInt64ToFloatFormatConverter::StaticClass()},
      {IPNInt64Stream::IID, IPNRealStream::IID, &TPNInt64ToRealFormatConverter::StaticClass()},
      {IPNFloatStream::IID, IPNRealStream::IID, &TPNFloatToRealFormatConverter::StaticClass()},
      {IPNIntRangedStream::IID, RealRangedStreamTypeID,
       &TPNIntToRealRangedFormatConverter::StaticClass()},
      {IPNInt64RangedStream::IID, RealRangedStreamTypeID,
       &TPNInt64ToRealRangedFormatConverter::StaticClass()},
      // Conversions that do not exist: narrowing, and from real values to ranges.
      {IPNRealStream::IID, IPNFloatStream::IID, nullptr},
      {IPNFloatStream::IID, IPNIntegerStream::IID, nullptr},
      {IPNRealStream::IID, RealRangedStreamTypeID, nullptr},
      {IPNIntegerStream::IID, IPNInt64Stream::IID, nullptr},
  };
  int32_t previous = -1;
  for (const Pair& p : pairs) {
    SCOPED_TRACE(StreamTypeName(p.In) + " to " + StreamTypeName(p.Out));
    EXPECT_EQ(FindTypeConverter(p.In, p.Out), p.Class);
    if (!p.Class) continue;
    // Registered in this order (negotiation tries the later pairs first).
    int32_t index = IndexOfTypeConverter(p.In, p.Out);
    EXPECT_GT(index, previous);
    previous = index;
  }
}

// ---------------------------------------------------------------------------------------
// Operations

TEST(StdTypesOperations, ClassTreeThatReceiversRelyOn) {
  struct Row {
    RefPtr<IPNNotifyOperation> Op;
    const platform::TClassInfo* Class;
    bool Passes;
  };
  const Row rows[] = {
      {TPNSuppliedRealValueRangeOperation::Make(1, 0, 2), &TPNSuppliedRealOperation::StaticClass(), true},
      {TPNSuppliedRealValueRangeOperation::Make(1, 0, 2), &TPNSuppliedOperation::StaticClass(), true},
      {TPNSuppliedRealValueRangeOperation::Make(1, 0, 2), &TPNClockOperation::StaticClass(), true},
      {TPNSuppliedRealRangeOperation::Make(0, 2), &TPNSuppliedRealOperation::StaticClass(), false},
      {TPNSuppliedRealRangeOperation::Make(0, 2), &TPNSuppliedOperation::StaticClass(), true},
      {TPNSuppliedSingleOperation::Make(1), &TPNSuppliedRealOperation::StaticClass(), false},
      {TPNSuppliedStringOperation::Make("x"), &TPNClockOperation::StaticClass(), true},
      {TPNEndStopOperation::Make(), &TPNStopOperation::StaticClass(), true},
      {TPNFileEndNoStopOperation::Make(), &TPNStopOperation::StaticClass(), false},
      {TPNStartRateOperation::Make(25), &TPNStartOperation::StaticClass(), true},
      {TPNStartOperation::Make(), &TPNClockOperation::StaticClass(), false},
      {TPNClockOperation::Make(), &TPNSuppliedOperation::StaticClass(), false},
      {TPNPumpRequestOperation::Make(), &TPNClockOperation::StaticClass(), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.Op->Instance()->ClassName()) + " as " + row.Class->ClassName());
    EXPECT_EQ(row.Op->Instance()->InheritsFrom(row.Class), row.Passes);
  }

  RefPtr<IPNNotifyOperation> range = TPNSuppliedRealValueRangeOperation::Make(1.5, -2, 7);
  auto* r = OperationAs<TPNSuppliedRealValueRangeOperation>(range.Get());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Value, 1.5);
  EXPECT_EQ(r->Min, -2);
  EXPECT_EQ(r->Max, 7);

  RefPtr<IPNNotifyOperation> pump = TPNPumpRequestOperation::Make();
  auto* p = OperationAs<TPNPumpRequestOperation>(pump.Get());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Pump, nullptr);
  EXPECT_EQ(p->PumpType, ptNone);
  EXPECT_EQ(p->PumpPriority, 0);
  EXPECT_EQ(p->DesiredRate, 0.0f);
  platform::TObject* anObject = range->Instance();
  RefPtr<IPNNotifyOperation> pumpEx = TPNPumpRequestOperation::MakeEx(anObject, ptMaster, -3, 12.5f);
  auto* q = OperationAs<TPNPumpRequestOperation>(pumpEx.Get());
  EXPECT_EQ(q->Pump, anObject);
  EXPECT_EQ(q->PumpType, ptMaster);
  EXPECT_EQ(q->PumpPriority, -3);
  EXPECT_EQ(q->DesiredRate, 12.5f);
  EXPECT_GT(pumpEx->Instance()->OperationID(), pump->Instance()->OperationID());
}

class TDataSink : public TRecordingSink<IPNDataStream> {
  PF_CLASS(TDataSink)
  PF_ALLOW_NEW;

 protected:
  using TRecordingSink::TRecordingSink;
};
PF_DEFINE_CLASS(TDataSink, TPNSinkPin)

TEST_F(StdPinsTest, DataStreamSubmitDeliversOnlyToDataStreams) {
  THolder* h = Holder("H");
  auto* data = h->Make<TDataSink>();
  auto* single = h->Make<TFloatOnlySink>();
  data->Result = {nrDataChanged};
  single->Result = {nrDataChanged};
  RefPtr<IPNNotifyOperation> op = TPNSuppliedRealOperation::Make(3);
  TPNNotifyResult r = DataStreamSubmit(nullptr, static_cast<IPNStream*>(data), &IPNDataStream::IID,
                                       op.Get(), {nsLastIteration});
  EXPECT_TRUE(r.Contains(nrDataChanged));
  ASSERT_EQ(data->Got.size(), 1u);
  EXPECT_EQ(data->Got[0].Value, 3);
  r = DataStreamSubmit(nullptr, static_cast<IPNStream*>(single), &IPNDataStream::IID, op.Get(), {});
  EXPECT_TRUE(r.Empty());
  EXPECT_TRUE(single->Got.empty());
}

// ---------------------------------------------------------------------------------------
// Value pins


struct TChanges {
  std::vector<double> Values;
  void OnReal(TPNPin* Sender, double AValue) {
    (void)Sender;
    Values.push_back(AValue);
  }
  void OnFloat(TPNPin* Sender, float AValue) {
    (void)Sender;
    Values.push_back(AValue);
  }
};

TEST_F(StdPinsTest, ARealSourceReplaysItsValueInTheFormEachSinkTakes) {
  THolder* s = Holder("S");
  THolder* k = Holder("K");
  auto* source = s->Make<TPNRealSourcePin>(nullptr);
  source->SetValue(2.5);  // no sinks yet
  TChanges realChanges, floatChanges;
  auto* real = k->Make<TPNRealSinkPin>(TPNRealChangeEvent::Bind<&TChanges::OnReal>(&realChanges),
                                       nullptr);
  auto* single = k->Make<TPNFloatSinkPin>(
      TPNFloatChangeEvent::Bind<&TChanges::OnFloat>(&floatChanges), nullptr);
  auto* realOnly = k->Make<TRealOnlySink>();
  auto* floatOnly = k->Make<TFloatOnlySink>();
  ASSERT_TRUE(real->Connect(source));
  ASSERT_TRUE(single->Connect(source));
  ASSERT_TRUE(realOnly->Connect(source));
  ASSERT_TRUE(floatOnly->Connect(source));
  EXPECT_EQ(real->Value(), 2.5);
  EXPECT_EQ(single->Value(), 2.5f);
  EXPECT_EQ(realChanges.Values, std::vector<double>{2.5});
  EXPECT_EQ(floatChanges.Values, std::vector<double>{2.5});
  // Linked as Real where the sink takes it, else as Float; never through a converter.
  EXPECT_EQ(source->GetConnectionID(real), IPNRealStream::IID);
  EXPECT_EQ(source->GetConnectionID(single), IPNFloatStream::IID);
  EXPECT_EQ(source->GetConverterCount(), 0);
  std::vector<TReceived> got = realOnly->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, "TPNSuppliedRealOperation");
  EXPECT_EQ(got[0].Value, 2.5);
  EXPECT_EQ(got[0].State, pinstest::kNewLink | pinstest::kLast);
  got = floatOnly->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, "TPNSuppliedSingleOperation");
  EXPECT_EQ(got[0].Value, 2.5);

  // The same value again sends nothing; a new one reaches every sink once.
  source->SetValue(2.5);
  EXPECT_TRUE(realOnly->Take().empty());
  EXPECT_TRUE(floatOnly->Take().empty());
  source->SetValue(-4);
  EXPECT_EQ(real->Value(), -4);
  EXPECT_EQ(single->Value(), -4.0f);
  EXPECT_EQ(realOnly->Take().size(), 1u);
  got = floatOnly->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, "TPNSuppliedSingleOperation");

  // SubmitReal sends also an unchanged value; a float sink gets it as a single. Other
  // operations pass unchanged.
  source->SubmitReal(-4);
  EXPECT_EQ(realOnly->Take().size(), 1u);
  source->SubmitReal(1.25);
  got = floatOnly->Take();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].Kind, "TPNSuppliedSingleOperation");
  EXPECT_EQ(got[1].Value, 1.25);
  source->Notify(TPNStartOperation::Make().Get());
  got = floatOnly->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, "TPNStartOperation");
  // Value sinks ignore what carries no value.
  source->Clock();
  EXPECT_EQ(real->Value(), 1.25);
  EXPECT_EQ(realChanges.Values, (std::vector<double>{2.5, -4, -4, 1.25}));
}

TEST_F(StdPinsTest, AFloatSourceSendsOnlyChanges) {
  THolder* s = Holder("S");
  auto* source = s->Make<TPNFloatSourcePin>(nullptr);
  auto* sink = s->Make<TFloatOnlySink>();
  TChanges changes;
  auto* real = s->Make<TPNRealSinkPin>(TPNRealChangeEvent::Bind<&TChanges::OnReal>(&changes), nullptr);
  ASSERT_TRUE(sink->Connect(source));
  ASSERT_TRUE(real->Connect(source));
  EXPECT_EQ(source->GetConnectionID(real), IPNFloatStream::IID);  // a real sink takes floats
  ASSERT_EQ(sink->Take().size(), 1u);  // the replay of 0
  source->SetValue(0.0f);
  EXPECT_TRUE(sink->Take().empty());
  source->SetValue(0.5f);
  EXPECT_EQ(real->Value(), 0.5);
  EXPECT_EQ(changes.Values, (std::vector<double>{0, 0.5}));
  std::vector<TReceived> got = sink->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, "TPNSuppliedSingleOperation");
  EXPECT_EQ(got[0].Value, 0.5);
}

// A NaN stored in a source must not freeze it: every change from or to NaN is sent.
TEST_F(StdPinsTest, ChangesFromAndToNaNAreSent) {
  THolder* s = Holder("S");
  auto* real = s->Make<TPNRealSourcePin>(nullptr);
  auto* single = s->Make<TPNFloatSourcePin>(nullptr);
  auto* ranged = s->Make<TPNRealRangedSourcePin>(nullptr);
  auto* realSink = s->Make<TRealOnlySink>();
  auto* floatSink = s->Make<TFloatOnlySink>();
  auto* rangedSink = s->Make<TRealOnlySink>();
  ASSERT_TRUE(realSink->Connect(real));
  ASSERT_TRUE(floatSink->Connect(single));
  ASSERT_TRUE(rangedSink->Connect(ranged));
  realSink->Take();
  floatSink->Take();
  rangedSink->Take();

  real->SetValue(kNaN);
  single->SetValue(std::nanf(""));
  ranged->SetValue(kNaN);
  EXPECT_EQ(realSink->Take().size(), 1u);
  EXPECT_EQ(floatSink->Take().size(), 1u);
  EXPECT_EQ(rangedSink->Take().size(), 1u);
  // NaN again is no change.
  real->SetValue(kNaN);
  single->SetValue(std::nanf(""));
  ranged->SetValue(kNaN);
  EXPECT_TRUE(realSink->Take().empty());
  EXPECT_TRUE(floatSink->Take().empty());
  EXPECT_TRUE(rangedSink->Take().empty());

  real->SetValue(1);
  single->SetValue(1);
  ranged->SetValue(1);
  std::vector<TReceived> got = realSink->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Value, 1);
  EXPECT_EQ(real->Value(), 1);
  ASSERT_EQ(floatSink->Take().size(), 1u);
  EXPECT_EQ(single->Value(), 1.0f);
  EXPECT_EQ(rangedSink->Take().size(), 1u);

  ranged->SetMin(kNaN);
  ranged->SetMin(0);
  ranged->SetMin(0);
  EXPECT_EQ(rangedSink->Take().size(), 2u);
  EXPECT_EQ(ranged->Min(), 0);
}

TEST_F(StdPinsTest, ARangedRealSourceSendsValuesWithRangeAndRangesAlone) {
  THolder* s = Holder("S");
  auto* source = s->Make<TPNRealRangedSourcePin>(nullptr);
  source->SubmitValueRange(5, 0, 10);
  TChanges changes;
  auto* real = s->Make<TPNRealSinkPin>(TPNRealChangeEvent::Bind<&TChanges::OnReal>(&changes), nullptr);
  auto* ranged = s->Make<TRangedSink>();
  auto* floatOnly = s->Make<TFloatOnlySink>();
  ASSERT_TRUE(real->Connect(source));
  ASSERT_TRUE(ranged->Connect(source));
  ASSERT_TRUE(floatOnly->Connect(source));
  EXPECT_EQ(source->GetConnectionID(ranged), RealRangedStreamTypeID);
  EXPECT_EQ(source->GetConnectionID(real), IPNRealStream::IID);
  EXPECT_EQ(real->Value(), 5);
  std::vector<TReceived> got = ranged->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, "TPNSuppliedRealValueRangeOperation");
  EXPECT_EQ(got[0].Value, 5);
  EXPECT_EQ(got[0].Max, 10);
  floatOnly->Take();

  // The new minimum goes out with the old maximum; the real sink ignores a range alone.
  source->SetMin(-1);
  got = ranged->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, "TPNSuppliedRealRangeOperation");
  EXPECT_EQ(got[0].Value, -1);
  EXPECT_EQ(got[0].Max, 10);
  source->SetMin(-1);
  EXPECT_TRUE(ranged->Take().empty());
  source->SetMax(20);
  got = ranged->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Value, -1);
  EXPECT_EQ(got[0].Max, 20);
  EXPECT_EQ(changes.Values, std::vector<double>{5});

  // A value goes out with the current range; the real sink takes its value, a float sink a
  // single of it.
  source->SetValue(7);
  got = ranged->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, "TPNSuppliedRealValueRangeOperation");
  EXPECT_EQ(got[0].Value, 7);
  EXPECT_EQ(got[0].Max, 20);
  EXPECT_EQ(real->Value(), 7);
  got = floatOnly->Take();
  ASSERT_EQ(got.size(), 3u);  // two ranges passed on unchanged, then the value
  EXPECT_EQ(got[2].Kind, "TPNSuppliedSingleOperation");
  EXPECT_EQ(got[2].Value, 7);
}

struct TEventLog {
  std::vector<std::string> Kinds;
  std::vector<uint64_t> States;
  TPNNotifyResult OnFloat(IPNFloatStream* Handler, const TGUID* ID, IPNNotifyOperation* Operation,
                          TPNNotifyState State) {
    EXPECT_NE(Handler, nullptr);
    EXPECT_EQ(*ID, IPNFloatStream::IID);
    Kinds.push_back(Operation->Instance()->ClassName());
    States.push_back(State.Bits());
    return {nrDataChanged};
  }
  TPNNotifyResult OnClock(TPNBasicPin* Sender, const TGUID* ID, IPNNotifyOperation* Operation,
                          TPNNotifyState State) {
    (void)Sender;
    (void)ID;
    (void)State;
    Kinds.push_back(Operation->Instance()->ClassName());
    return {nrDataChanged};
  }
};

TEST_F(StdPinsTest, APinNotificationEventTakesOverTheSinksOperations) {
  THolder* s = Holder("S");
  TEventLog events;
  auto* source = s->Make<TPNFloatSourcePin>(
      nullptr, TPNFloatPinNotificationEvent::Bind<&TEventLog::OnFloat>(&events));
  auto* sink = s->Make<TFloatOnlySink>();
  ASSERT_TRUE(sink->Connect(source));
  source->SetValue(3);
  // The replay on linking is the base operation with nsNewLink, handed to the event as is.
  EXPECT_EQ(events.Kinds, (std::vector<std::string>{"TPNNotifyOperation", "TPNSuppliedSingleOperation"}));
  EXPECT_EQ(events.States, (std::vector<uint64_t>{pinstest::kNewLink | pinstest::kLast, pinstest::kLast}));
  EXPECT_TRUE(sink->Got.empty());
  // The event's result is the sink's: a reported change raises the link's weight.
  EXPECT_EQ(source->GetSinkWeight(sink), 3);
}

TEST_F(StdPinsTest, ClockTicksReachClockReceiversAndUpstreamReachesTheClockEvent) {
  THolder* s = Holder("S");
  TEventLog events;
  auto* clock = s->Make<TPNClockSourcePin>(
      nullptr, TPNClockPinNotificationEvent::Bind<&TEventLog::OnClock>(&events));
  auto* a = s->Make<TClockSink>();
  auto* b = s->Make<TClockSink>();
  auto* floatSink = s->Make<TPNFloatSinkPin>(TPNFloatChangeEvent(), nullptr);
  ASSERT_TRUE(a->Connect(clock));
  ASSERT_TRUE(b->Connect(clock));
  EXPECT_FALSE(floatSink->Connect(clock));  // a clock source carries no values
  a->Take();
  b->Take();
  clock->Clock();
  std::vector<TReceived> got = a->Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, "TPNClockOperation");
  EXPECT_EQ(b->Take().size(), 1u);
  // The pin is itself a clock receiver: what reaches its interface goes to its event.
  RefPtr<IPNClockStream> stream = QueryStream<IPNClockStream>(static_cast<IPNStream*>(clock));
  ASSERT_TRUE(stream);
  RefPtr<IPNNotifyOperation> pump = TPNPumpRequestOperation::Make();
  EXPECT_TRUE(stream->DispatchData(&IPNClockStream::IID, pump.Get(), {}).Contains(nrDataChanged));
  EXPECT_EQ(events.Kinds, std::vector<std::string>{"TPNPumpRequestOperation"});
}

TEST_F(StdPinsTest, InertSinksLinkButStoreNothing) {
  THolder* s = Holder("S");
  auto* integer = s->Make<TPNIntegerSinkPin>(TPNIntegerChangeEvent(), nullptr);
  auto* ranged = s->Make<TPNIntAndRangedSinkPin>(TPNIntValueRangeChangeEvent(),
                                                 TPNIntRangeChangeEvent(), nullptr);
  EXPECT_TRUE(integer->AcceptsStreamType(IPNIntegerStream::IID));
  EXPECT_FALSE(integer->AcceptsStreamType(IPNFloatStream::IID));
  EXPECT_TRUE(ranged->AcceptsStreamType(IPNIntRangedStream::IID));
  EXPECT_TRUE(ranged->AcceptsStreamType(IPNIntegerStream::IID));
  RefPtr<IPNNotifyOperation> op = TPNSuppliedRealOperation::Make(9);
  EXPECT_TRUE(integer->DispatchData(&IPNIntegerStream::IID, op.Get(), {}).Empty());
  EXPECT_EQ(integer->Value(), 0);
  EXPECT_EQ(ranged->Value(), 0);
  // No standard source offers these types.
  auto* real = s->Make<TPNRealSourcePin>(nullptr);
  EXPECT_FALSE(integer->Connect(real));
}

}  // namespace
}  // namespace stdtypestest
