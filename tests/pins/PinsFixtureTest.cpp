// The test components and the fixture, and the tests of the framework's global objects.
#include <ostream>

#include "platform/Properties.h"
#include "tests/pins/PinsTestSupport.h"

namespace pinstest {

std::ostream& operator<<(std::ostream& os, const TDelivery& d) {
  return os << "{" << d.Sink << ", op " << d.OperationID << ", state " << d.State << "}";
}

void TDeliveryLog::Add(TDelivery d) {
  std::lock_guard<std::mutex> lock(FMutex);
  FItems.push_back(std::move(d));
}

std::vector<TDelivery> TDeliveryLog::Take() {
  std::lock_guard<std::mutex> lock(FMutex);
  std::vector<TDelivery> items;
  items.swap(FItems);
  return items;
}

std::vector<std::string> TDeliveryLog::TakeSinks() {
  std::vector<std::string> sinks;
  for (const TDelivery& d : Take()) sinks.push_back(d.Sink);
  return sinks;
}

TDeliveryLog& Log() {
  static TDeliveryLog log;
  return log;
}

// ---------------------------------------------------------------------------------------

PF_DEFINE_CLASS(TTestSourcePin, TPNSourcePin)

TTestSourcePin::TTestSourcePin(TComponent* owner, IPNLock* lock, IPNLock* inputLock,
                               const TGUID& type)
    : TPNSourcePin(owner, lock, inputLock) {
  AddType(type, TPNSubmit::Bind<&TTestSourcePin::Submit>(this));
}

platform::HRESULT TTestSourcePin::QueryInterface(const TGUID& iid, void** object) {
  if (iid == kUpType && AcceptUp) {
    *object = static_cast<platform::IInterface*>(static_cast<IPNStream*>(this));
    return platform::S_OK;
  }
  return TPNSourcePin::QueryInterface(iid, object);
}

TPNNotifyResult TTestSourcePin::Submit(IPNStream* handler, const TGUID* id,
                                       IPNNotifyOperation* operation, TPNNotifyState state) {
  // As a typed submit function does: the handler must implement the stream type.
  auto* sink = dynamic_cast<TTestSinkPin*>(handler);
  if (!sink || !id || !sink->AcceptsStreamType(*id)) return {};
  return sink->Receive(operation, state);
}

PF_DEFINE_CLASS(TTestSinkPin, TPNSinkPin)

TTestSinkPin::TTestSinkPin(TComponent* owner, IPNLock* lock) : TPNSinkPin(owner, lock) {
  AddType(kUpType, TPNSubmit::Bind<&TTestSinkPin::SubmitUp>(this));
}

platform::HRESULT TTestSinkPin::QueryInterface(const TGUID& iid, void** object) {
  if (iid == Accepts && AcceptDown) {
    *object = static_cast<platform::IInterface*>(static_cast<IPNStream*>(this));
    return platform::S_OK;
  }
  return TPNSinkPin::QueryInterface(iid, object);
}

TPNNotifyResult TTestSinkPin::Receive(IPNNotifyOperation* operation, TPNNotifyState state) {
  Log().Add({GetOwner() ? GetOwner()->Name() : std::string("?"),
             operation->Instance()->OperationID(), state.Bits()});
  if (OnReceive) return OnReceive(operation, state);
  return Result;
}

TPNNotifyResult TTestSinkPin::SubmitUp(IPNStream* handler, const TGUID* id,
                                       IPNNotifyOperation* operation, TPNNotifyState state) {
  EXPECT_TRUE(id && *id == kUpType);
  EXPECT_EQ(state.Bits(), kLast);
  auto* source = dynamic_cast<TTestSourcePin*>(handler);
  if (!source) return {};
  std::lock_guard<std::mutex> lock(source->UpstreamMutex);
  source->Upstream.push_back(operation->Instance()->OperationID());
  return {nrDataChanged};
}

// ---------------------------------------------------------------------------------------

namespace {
void DescribeTTestComponent(platform::TClassInfo& info) {
  platform::TPublisher<TTestComponent> p(info);
  p.Property("OutputPin", &TTestComponent::FOutputPin);
  p.Property("InputPin", &TTestComponent::FInputPin);
}
}  // namespace

PF_DEFINE_COMPONENT(TTestComponent, TComponent, DescribeTTestComponent)

TTestComponent::TTestComponent(TComponent* owner)
    : TComponent(owner), Lock(TPNLock::Create().Get()), InputLock(TPNLock::Create().Get()) {
  FOutputPin = New<TTestSourcePin>(this, Lock.Get(), InputLock.Get());
  FInputPin = New<TTestSinkPin>(this, Lock.Get());
}

void TTestComponent::Destroy() {
  {
    // Each pin stays published while it is freed, so that it keeps its name meanwhile.
    auto stop = Lock->StopLock();
    FOutputPin->Free();
    FOutputPin = nullptr;
    FInputPin->Free();
    FInputPin = nullptr;
  }
  TComponent::Destroy();
}

void PinsTest::SetUp() {
  ASSERT_EQ(AllPinsCount(), 0);
  Form = New<TComponent>(nullptr);
  Form->SetName("Form1");
  Log().Take();
}

void PinsTest::TearDown() {
  platform::FreeAndNil(Form);
  EXPECT_EQ(AllPinsCount(), 0) << "pins outlived their components";
  Log().Take();
}

TTestComponent* PinsTest::Add(const char* name) {
  TTestComponent* c = New<TTestComponent>(Form);
  c->SetName(name);
  return c;
}

// ---------------------------------------------------------------------------------------
// The framework's global objects

namespace {

TEST_F(PinsTest, PinsRegisterThemselvesInAllPinsAndLeaveItWhenFreed) {
  ASSERT_NE(PinRegistryLock, nullptr);
  ASSERT_NE(AllPins, nullptr);
  ASSERT_NE(UnloadedPins, nullptr);
  TTestComponent* a = Add("A");
  EXPECT_EQ(AllPinsCount(), 2);
  EXPECT_GE(AllPins->IndexOf(a->Out()), 0);
  EXPECT_GE(AllPins->IndexOf(a->In()), 0);
  a->Free();
  EXPECT_EQ(AllPinsCount(), 0);
}

TEST_F(PinsTest, OperationIdsIncreaseByOneAcrossThreads) {
  uint32_t first = TPNNotifyOperation::Make()->Instance()->OperationID();
  std::vector<uint32_t> ids(2000);
  std::thread t([&] {
    for (size_t i = 0; i < 1000; ++i) ids[i] = TPNNotifyOperation::Make()->Instance()->OperationID();
  });
  for (size_t i = 1000; i < 2000; ++i)
    ids[i] = TPNNotifyOperation::Make()->Instance()->OperationID();
  t.join();
  uint32_t last = TPNNotifyOperation::Make()->Instance()->OperationID();
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "an id was given twice";
  EXPECT_GT(ids.front(), first);
  EXPECT_EQ(last, first + 2001);
}

TEST_F(PinsTest, AddTypeReplacesTheSubmitFunctionInPlace) {
  TPNPinStreamType types;
  TPNSubmit none;
  types.AddType(kDownType, none);
  types.AddType(kUpType, none);
  TPNSubmit other = TPNSubmit::FromRaw(this, nullptr);
  types.AddType(kDownType, other);
  ASSERT_EQ(types.GetLength(), 2);
  EXPECT_EQ(types.GetID(0), kDownType);
  EXPECT_EQ(types.GetSubmitFunc(0).Data(), this);
  types.RemoveType(kOtherType);
  types.RemoveType(kDownType);
  ASSERT_EQ(types.GetLength(), 1);
  EXPECT_EQ(types.GetID(0), kUpType);
}

}  // namespace
}  // namespace pinstest
