#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Interfaces.h"
#include "platform/Methods.h"
#include "platform/Objects.h"
#include "platform/SysUtils.h"

using namespace platform;

namespace {

std::vector<std::string> g_events;

struct IGreeter : virtual IInterface {
  static constexpr TGUID IID = TGUID::Parse("{6A0F3C5E-1B2D-4C3E-9F40-112233445566}");
  virtual std::string Greet() = 0;
};

class TBase : public TInterfacedObject, public IGreeter {
  PF_CLASS(TBase)
 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return QueryInterfaces<IGreeter>(this, iid, object);
  }
  std::string Greet() override { return std::string("hello from ") + ClassName(); }
  void AfterConstruction() override {
    TInterfacedObject::AfterConstruction();
    g_events.push_back(std::string("after ") + ClassName());
  }
  void BeforeDestruction() override { g_events.push_back("before"); }

 protected:
  void Destroy() override {
    g_events.push_back(std::string("destroy base, seen as ") + ClassName());
    TInterfacedObject::Destroy();
  }
};

class TDerived : public TBase {
  PF_CLASS(TDerived)
 protected:
  void Destroy() override {
    g_events.push_back("destroy derived");
    TBase::Destroy();
  }
};

PF_DEFINE_CLASS(TBase, TInterfacedObject)
PF_DEFINE_CLASS(TDerived, TBase)

TEST(Objects, ClassInformationAndInheritance) {
  TDerived* d = New<TDerived>();
  EXPECT_STREQ(d->ClassName(), "TDerived");
  EXPECT_EQ(d->ClassParent(), &TBase::StaticClass());
  EXPECT_TRUE(d->InheritsFrom(&TInterfacedObject::StaticClass()));
  EXPECT_TRUE(d->InheritsFrom("tbase"));
  EXPECT_FALSE(TBase::StaticClass().InheritsFrom(&TDerived::StaticClass()));
  d->Free();
}

TEST(Objects, LifeCycleRunsTheWholeChainOnTheMostDerivedObject) {
  g_events.clear();
  {
    RefPtr<IGreeter> greeter = Supports<IGreeter>(static_cast<TBase*>(New<TDerived>()));
    ASSERT_TRUE(greeter);
    EXPECT_EQ(greeter->Greet(), "hello from TDerived");
  }
  EXPECT_EQ(g_events, (std::vector<std::string>{"after TDerived", "before", "destroy derived",
                                                "destroy base, seen as TDerived"}));
}

TEST(Objects, GUIDTextRoundTripsAndRejectsBadText) {
  const char* text = "{01621A5C-9936-4BEB-BF6F-5D6754E65786}";
  EXPECT_EQ(GUIDToString(StringToGUID(text)), text);
  EXPECT_EQ(StringToGUID("{01621a5c-9936-4beb-bf6f-5d6754e65786}"), StringToGUID(text));
  for (const char* bad : {"", "01621A5C-9936-4BEB-BF6F-5D6754E65786",
                          "{01621A5C-9936-4BEB-BF6F-5D6754E6578G}", "{01621A5C+9936-4BEB-BF6F-5D6754E65786}"})
    EXPECT_THROW(StringToGUID(bad), EConvertError) << bad;
}

struct TTarget {
  int Sum = 0;
  void Add(int v) { Sum += v; }
};

TEST(Methods, BoundMethodsCallAndCompare) {
  TTarget a, b;
  auto m = TMethod<void(int)>::Bind<&TTarget::Add>(&a);
  m(3);
  m(4);
  EXPECT_EQ(a.Sum, 7);
  EXPECT_TRUE(m == TMethod<void(int)>::Bind<&TTarget::Add>(&a));
  EXPECT_FALSE(m == TMethod<void(int)>::Bind<&TTarget::Add>(&b));
  EXPECT_FALSE(TMethod<void(int)>().Assigned());
}

TEST(SysUtils, FormatPrintsUnsignedLikeTheMessagesExpect) {
  EXPECT_EQ(Format("Index out of range = %u", static_cast<unsigned>(-1)),
            "Index out of range = 4294967295");
}

}  // namespace

#include "platform/Classes.h"

namespace {

class TPlain : public platform::TPersistent {
  PF_CLASS(TPlain)
};
PF_DEFINE_CLASS(TPlain, platform::TPersistent)

TEST(Persistent, AssignWithoutSupportRaisesConvertError) {
  TPlain* a = platform::New<TPlain>();
  TPlain* b = platform::New<TPlain>();
  try {
    a->Assign(b);
    FAIL();
  } catch (const platform::EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TPlain to a TPlain");
  }
  EXPECT_THROW(a->Assign(nullptr), platform::EConvertError);
  a->Free();
  b->Free();
}

}  // namespace
