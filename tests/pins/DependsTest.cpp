// Pin dependencies: functional cycles refused, dependency queries on cyclic graphs, type
// narrowing along data-type dependencies and re-typing after a link.
#include <algorithm>

#include "tests/pins/StdTypesTestSupport.h"

namespace stdtypestest {
namespace {

constexpr TGUID kT1 = TGUID::Parse("{9A51E2C4-0D3B-4F6E-8A27-51C0D9E3B101}");
constexpr TGUID kT2 = TGUID::Parse("{9A51E2C4-0D3B-4F6E-8A27-51C0D9E3B102}");
constexpr TGUID kT3 = TGUID::Parse("{9A51E2C4-0D3B-4F6E-8A27-51C0D9E3B103}");

struct TGot {
  TGUID Type;
  uint64_t State = 0;
};

// A sink taking the listed types (by interface); records the type of every delivery.
platform::HRESULT AnswerListed(IPNStream* self, const std::vector<TGUID>& listed, const TGUID& iid,
                               void** object) {
  if (std::find(listed.begin(), listed.end(), iid) == listed.end()) return platform::E_NOINTERFACE;
  self->AddRef();
  *object = static_cast<platform::IInterface*>(self);
  return platform::S_OK;
}

class TTypedSink : public TPNSinkPin {
  PF_CLASS(TTypedSink)
  PF_ALLOW_NEW;

 public:
  std::vector<TGUID> Accepts;
  std::vector<TGot> Got;
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (AnswerListed(this, Accepts, iid, object) == platform::S_OK) return platform::S_OK;
    return TPNSinkPin::QueryInterface(iid, object);
  }

 protected:
  // sends: the sink's own types, in which it sends upstream.
  TTypedSink(TComponent* owner, IPNLock* lock, std::vector<TGUID> accepts,
             std::vector<TGUID> sends = {})
      : TPNSinkPin(owner, lock), Accepts(std::move(accepts)) {
    for (const TGUID& t : sends) AddType(t);
  }
};
PF_DEFINE_CLASS(TTypedSink, TPNSinkPin)

// A source offering the listed types in that order.
class TTypedSource : public TPNSourcePin {
  PF_CLASS(TTypedSource)
  PF_ALLOW_NEW;

 public:
  // The types the source takes from its sinks (upstream).
  std::vector<TGUID> Receives;
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (AnswerListed(this, Receives, iid, object) == platform::S_OK) return platform::S_OK;
    return TPNSourcePin::QueryInterface(iid, object);
  }

 protected:
  TTypedSource(TComponent* owner, IPNLock* lock, IPNLock* inputLock, std::vector<TGUID> offers)
      : TPNSourcePin(owner, lock, inputLock) {
    for (const TGUID& t : offers) AddType(t, TPNSubmit::Bind<&TTypedSource::Submit>(this));
  }
  TPNNotifyResult Submit(IPNStream* Handler, const TGUID* ID, IPNNotifyOperation* Operation,
                         TPNNotifyState State) {
    (void)Operation;
    if (auto* sink = dynamic_cast<TTypedSink*>(Handler)) sink->Got.push_back({*ID, State.Bits()});
    return {};
  }
};
PF_DEFINE_CLASS(TTypedSource, TPNSourcePin)

// A component with one input and one output whose data is computed from the input.
struct TFilter {
  TTypedSink* In = nullptr;
  TTypedSource* Out = nullptr;
};

class DependsTest : public StdPinsTest {
 protected:
  TFilter Filter(const char* name, bool functional = true) {
    THolder* h = Holder(name);
    TFilter f;
    f.In = h->Make<TTypedSink>(std::vector<TGUID>{kT1});
    f.Out = h->Make<TTypedSource>(nullptr, std::vector<TGUID>{kT1});
    if (functional) f.Out->FunctionSources()->Add(f.In);
    return f;
  }
};

std::vector<TGUID> Offered(TPNSourcePin* pin) {
  TPNPinTypeRestricted list;
  pin->GetOfferedTypes(&list, pin);
  std::vector<TGUID> ids;
  for (const TPNPinTypeEntry& e : list.Types) ids.push_back(e.ID);
  return ids;
}

// ---------------------------------------------------------------------------------------
// Functional dependencies

TEST_F(DependsTest, AComponentsOutputCannotFeedAnInputItDependsOn) {
  TFilter a = Filter("A");
  EXPECT_TRUE(a.Out->DirectDependsOn(a.In));
  EXPECT_TRUE(a.Out->DependsOn(a.In));
  EXPECT_FALSE(a.Out->DependsOn(nullptr));
  EXPECT_EQ(a.In->FunctionDependants(), std::vector<TPNSourcePin*>{a.Out});
  EXPECT_FALSE(a.In->Connect(a.Out));
  EXPECT_FALSE(a.Out->Connect(a.In));
  EXPECT_EQ(a.Out->GetSinkCount(), 0);
}

TEST_F(DependsTest, ACycleThroughTwoComponentsIsRefused) {
  TFilter a = Filter("A");
  TFilter b = Filter("B");
  ASSERT_TRUE(b.In->Connect(a.Out));  // A -> B
  EXPECT_TRUE(b.Out->DependsOn(a.In));
  EXPECT_FALSE(b.Out->DirectDependsOn(a.In));
  EXPECT_TRUE(b.In->DependsOn(a.In));    // through its source
  EXPECT_TRUE(b.In->DirectDependsOn(a.In));
  EXPECT_FALSE(a.In->Connect(b.Out));    // B -> A would close the loop
  EXPECT_FALSE(a.In->IsConnected());
  // Without the dependency the same link is made: only the dependency refuses it.
  TFilter c = Filter("C", false);
  ASSERT_TRUE(c.In->Connect(b.Out));
  ASSERT_TRUE(a.In->Connect(c.Out));
}

TEST_F(DependsTest, DependsOnEndsOnACyclicGraph) {
  TFilter a = Filter("A", false);
  TFilter b = Filter("B", false);
  TFilter x = Filter("X", false);
  // Linked both ways first, the dependencies declared afterwards: the graph is a cycle.
  ASSERT_TRUE(b.In->Connect(a.Out));
  ASSERT_TRUE(a.In->Connect(b.Out));
  a.Out->FunctionSources()->Add(a.In);
  b.Out->FunctionSources()->Add(b.In);
  EXPECT_FALSE(a.Out->DependsOn(x.In));  // visits the cycle once and ends
  EXPECT_FALSE(b.In->DependsOn(x.Out));
  EXPECT_TRUE(a.Out->DependsOn(b.In));
  EXPECT_TRUE(a.Out->DependsOn(a.In));
  EXPECT_TRUE(b.In->DependsOn(b.In));   // b.In <- a.Out <- a.In <- b.Out <- b.In
  // Collected paths: the pins behind a.Out, through the cycle until it turns up again.
  TPNObjectLists lists;
  RefPtr<TPNObjectList> list = TPNObjectList::Create();
  x.Out->FunctionSources()->Add(x.In);
  x.Out->CollectLinkedObjects(lists, list.Get());
  EXPECT_EQ(list->Items, (std::vector<TPNBasicPin*>{x.Out, x.In}));
  EXPECT_TRUE(lists.empty());
}

// Every branch after the first is collected into a list of its own; the lists count their
// own references and go with the last one.
TEST_F(DependsTest, CollectedBranchesAreListsThatFreeThemselves) {
  TFilter x = Filter("X", false);
  TFilter y = Filter("Y", false);
  TFilter z = Filter("Z", false);
  x.Out->FunctionSources()->Add(x.In);
  x.Out->FunctionSources()->Add(y.In);
  x.Out->FunctionSources()->Add(z.In);
  TPNObjectLists lists;
  RefPtr<TPNObjectList> first = TPNObjectList::Create();
  x.Out->CollectLinkedObjects(lists, first.Get());
  EXPECT_EQ(first->Items, (std::vector<TPNBasicPin*>{x.Out, x.In}));
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_EQ(lists[0]->Items, std::vector<TPNBasicPin*>{y.In});
  EXPECT_EQ(lists[1]->Items, std::vector<TPNBasicPin*>{z.In});
  RefPtr<IPNObjectList> kept(lists[1].Get());
  EXPECT_EQ(lists[1]->RefCount(), 2);
  lists.clear();
  EXPECT_EQ(kept->Count(), 1);
  EXPECT_EQ(kept->GetItem(0), z.In);
}

// ---------------------------------------------------------------------------------------
// Data-type dependencies

TEST_F(DependsTest, OfferedTypesFollowTheChainOfAPassThroughComponent) {
  THolder* u = Holder("U");
  THolder* p = Holder("P");
  THolder* d = Holder("D");
  auto* plain = u->Make<TTypedSource>(nullptr, std::vector<TGUID>{kT3, kT1, kT2});
  EXPECT_EQ(Offered(plain), (std::vector<TGUID>{kT3, kT1, kT2}));  // own types, own order

  auto* upstream = u->Make<TTypedSource>(nullptr, std::vector<TGUID>{kT2, kT1});
  auto* in = p->Make<TTypedSink>(std::vector<TGUID>{kT1, kT2, kT3});
  auto* out = p->Make<TTypedSource>(nullptr, std::vector<TGUID>{kT1, kT2, kT3});
  out->DataTypeSources()->Add(in);
  EXPECT_EQ(in->DataTypeDependants(), std::vector<TPNSourcePin*>{out});
  ASSERT_TRUE(in->Connect(upstream));
  // Narrowed to what the upstream source offers, in the upstream source's order.
  EXPECT_EQ(Offered(out), (std::vector<TGUID>{kT2, kT1}));
  // Another sink of the input's source that takes only kT1 narrows it further.
  auto* other = d->Make<TTypedSink>(std::vector<TGUID>{kT1});
  ASSERT_TRUE(other->Connect(upstream));
  auto* downstream = d->Make<TTypedSink>(std::vector<TGUID>{kT1, kT2});
  ASSERT_TRUE(downstream->Connect(out));
  EXPECT_EQ(out->GetConnectionID(downstream), kT1);
  EXPECT_EQ(upstream->GetConnectionID(in), kT1);
}

TEST_F(DependsTest, AcceptedTypesAndUpstreamChecksFollowTheChain) {
  THolder* u = Holder("U");
  THolder* p = Holder("P");
  auto* upstream = u->Make<TTypedSource>(nullptr, std::vector<TGUID>{kT1});
  upstream->Receives = {kT2, kT3};
  auto* in = p->Make<TTypedSink>(std::vector<TGUID>{kT1}, std::vector<TGUID>{kT1, kT2});
  auto* out = p->Make<TTypedSource>(nullptr, std::vector<TGUID>{kT1, kT2, kT3});
  out->Receives = {kT1, kT2, kT3};
  out->DataTypeSources()->Add(in);
  ASSERT_TRUE(in->Connect(upstream));
  EXPECT_EQ(in->GetUpStreamID(), kT2);  // the one type both sides take upstream

  // What the output may receive from its sinks is what its input can send on upstream:
  // kT1 is not taken by the upstream source, kT3 is not sent by the input.
  TPNPinStreamType accepted;
  out->GetAcceptedTypes(&accepted, out);
  ASSERT_EQ(accepted.GetLength(), 1);
  EXPECT_EQ(accepted.GetID(0), kT2);
  // The single-type check agrees: the output implements kT3 but refuses it along the chain.
  EXPECT_TRUE(out->AcceptsStreamType(kT2));
  EXPECT_FALSE(out->AcceptsStreamType(kT3));
  EXPECT_EQ(out->CheckUpstreamType(kT3), platform::E_NOINTERFACE);
  EXPECT_EQ(out->CheckUpstreamType(kT1), platform::S_OK);
}

TEST_F(DependsTest, RelinkingAPassThroughInputRetypesItsOutputLinks) {
  THolder* u = Holder("U");
  THolder* p = Holder("P");
  THolder* d = Holder("D");
  auto* u1 = u->Make<TTypedSource>(nullptr, std::vector<TGUID>{kT1});
  auto* u2 = u->Make<TTypedSource>(nullptr, std::vector<TGUID>{kT2});
  auto* in = p->Make<TTypedSink>(std::vector<TGUID>{kT1, kT2});
  auto* out = p->Make<TTypedSource>(nullptr, std::vector<TGUID>{kT1, kT2});
  out->DataTypeSources()->Add(in);
  auto* d1 = d->Make<TTypedSink>(std::vector<TGUID>{kT1, kT2});
  auto* d2 = d->Make<TTypedSink>(std::vector<TGUID>{kT2, kT1});

  ASSERT_TRUE(in->Connect(u1));
  ASSERT_TRUE(d1->Connect(out));
  ASSERT_TRUE(d2->Connect(out));
  EXPECT_EQ(out->GetConnectionID(d1), kT1);
  EXPECT_EQ(out->GetConnectionID(d2), kT1);
  d1->Got.clear();
  d2->Got.clear();

  // The input now receives kT2: both output links are negotiated again and each sink gets
  // a first operation anew, in the new type.
  ASSERT_TRUE(in->Connect(u2));
  EXPECT_EQ(u1->GetSinkCount(), 0);
  EXPECT_EQ(out->GetConnectionID(d1), kT2);
  EXPECT_EQ(out->GetConnectionID(d2), kT2);
  for (TTypedSink* sink : {d1, d2}) {
    ASSERT_EQ(sink->Got.size(), 1u);
    EXPECT_EQ(sink->Got[0].Type, kT2);
    EXPECT_EQ(sink->Got[0].State, pinstest::kNewLink | pinstest::kLast);
    sink->Got.clear();
  }
  out->Notify(TPNNotifyOperation::Make().Get());
  ASSERT_EQ(d1->Got.size(), 1u);
  EXPECT_EQ(d1->Got[0].Type, kT2);

  // A downstream sink that cannot take kT1 makes the pass-through refuse a kT1 source.
  auto* only2 = d->Make<TTypedSink>(std::vector<TGUID>{kT2});
  ASSERT_TRUE(only2->Connect(out));
  EXPECT_FALSE(in->Connect(u1));
  EXPECT_EQ(in->GetSourcePin(), u2);
  // Relinking to the same type sends nothing anew.
  d1->Got.clear();
  auto* u3 = u->Make<TTypedSource>(nullptr, std::vector<TGUID>{kT2});
  ASSERT_TRUE(in->Connect(u3));
  EXPECT_TRUE(d1->Got.empty());
}

}  // namespace
}  // namespace stdtypestest
