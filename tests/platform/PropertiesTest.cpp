#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/Classes.h"
#include "platform/Properties.h"
#include "tests/common/Watchdog.h"

using namespace platform;

namespace {

class TPlainForProps : public TPersistent {
  PF_CLASS(TPlainForProps)
  PF_ALLOW_NEW;
};
PF_DEFINE_CLASS(TPlainForProps, TPersistent)

enum TMode { mdFast, mdExact, mdCareful };
enum TStyle { fsBold, fsItalic, fsUnderline };

class TSettings : public TPersistent {
  PF_CLASS(TSettings)
  PF_ALLOW_NEW;

 public:
  double High() const { return FHigh; }
  void SetHigh(double v) {
    FHigh = v;
    ++FSetCount;
  }
  int FSetCount = 0;
  double FHigh = 200.0;
  int32_t FCount = 3;
  uint16_t FWidth = 0;
  TMode FMode = mdFast;
  TSet<TStyle> FStyle;
  bool FEnabled = true;
  std::string FCaption;
  int64_t FBig = 0;
  float FSingle = 0;
  long double FExt = 0;
  double FDate = 0;
  TSettings* FChild = nullptr;
  TNotifyEvent FOnChange;
  bool FStoreCount = true;
  bool IsCountStored() const { return FStoreCount; }
  int32_t ReadOnlyValue() const { return 42; }

  void Changed(TObject* sender) { FLastSender = sender; }
  TObject* FLastSender = nullptr;
  int Twice(int v) { return 2 * v; }
};

void DescribeTSettings(TClassInfo& info) {
  TPublisher<TSettings> p(info);
  p.Property("High", &TSettings::High, &TSettings::SetHigh);
  p.Property("Count", &TSettings::FCount).Default(3).Stored(&TSettings::IsCountStored);
  p.Property("Width", &TSettings::FWidth).Default(0);
  p.Enum("Mode", "TMode", {"mdFast", "mdExact", "mdCareful"}, &TSettings::FMode).Default(mdFast);
  p.Set("Style", "TStyles", {"fsBold", "fsItalic", "fsUnderline"}, &TSettings::FStyle)
      .Default(TSet<TStyle>{});
  p.Property("Enabled", &TSettings::FEnabled).Default(true);
  p.Property("Caption", &TSettings::FCaption);
  p.Property("Big", &TSettings::FBig);
  p.Property("Single", &TSettings::FSingle);
  p.Property("Ext", &TSettings::FExt);
  p.Property("Date", &TSettings::FDate).TypeName("TDateTime");
  p.Property("Child", &TSettings::FChild);
  p.Property("OnChange", &TSettings::FOnChange);
  p.Property("Fixed", &TSettings::ReadOnlyValue, nullptr).Stored(false);
  p.Method<&TSettings::Changed>("Changed");
  p.Method<&TSettings::Twice>("Twice");
}

PF_DEFINE_CLASS_EX(TSettings, TPersistent, nullptr, DescribeTSettings)

class TMoreSettings : public TSettings {
  PF_CLASS(TMoreSettings)
  PF_ALLOW_NEW;

 public:
  int32_t FExtra = 0;
};

void DescribeTMoreSettings(TClassInfo& info) {
  TPublisher<TMoreSettings> p(info);
  p.Property("Extra", &TMoreSettings::FExtra);
  p.Redeclare("Width").Default(11);
}

PF_DEFINE_CLASS_EX(TMoreSettings, TSettings, nullptr, DescribeTMoreSettings)

std::vector<std::string> Names(std::span<const TPropInfo* const> list) {
  std::vector<std::string> names;
  for (const TPropInfo* p : list) names.push_back(p->Name);
  return names;
}

TEST(Properties, ListKeepsDeclarationOrderWithAncestorsFirstAndRedeclaredInPlace) {
  std::vector<std::string> base = {"High",    "Count",   "Width",    "Mode",   "Style",
                                   "Enabled", "Caption", "Big",      "Single", "Ext",
                                   "Date",    "Child",   "OnChange", "Fixed"};
  EXPECT_EQ(Names(GetPropList(&TSettings::StaticClass())), base);
  std::vector<std::string> more = base;
  more.push_back("Extra");
  EXPECT_EQ(Names(GetPropList(&TMoreSettings::StaticClass())), more);

  const TPropInfo* width = GetPropInfo(&TMoreSettings::StaticClass(), "width");
  ASSERT_NE(width, nullptr);
  EXPECT_EQ(width->DeclaringClass, &TMoreSettings::StaticClass());
  EXPECT_EQ(width->DefaultValue, 11);
  EXPECT_EQ(GetPropInfo(&TSettings::StaticClass(), "Width")->DefaultValue, 0);
  EXPECT_EQ(GetPropInfo(&TSettings::StaticClass(), "NoSuch"), nullptr);
  EXPECT_TRUE(GetPropList(&TObject::StaticClass()).empty());

  auto sorted = GetSortedPropList(&TMoreSettings::StaticClass());
  EXPECT_EQ(sorted.front()->Name, "Big");
  EXPECT_EQ(sorted.back()->Name, "Width");
}

TEST(Properties, KindsAndTypeNamesFollowTheCppTypes) {
  struct Row {
    const char* name;
    TTypeKind kind;
    const char* typeName;
  };
  const Row rows[] = {{"High", tkFloat, "Double"},           {"Count", tkInteger, "Integer"},
                      {"Width", tkInteger, "Word"},          {"Mode", tkEnumeration, "TMode"},
                      {"Style", tkSet, "TStyles"},           {"Enabled", tkEnumeration, "Boolean"},
                      {"Caption", tkString, "string"},       {"Big", tkInt64, "Int64"},
                      {"Single", tkFloat, "Single"},         {"Ext", tkFloat, "Extended"},
                      {"Date", tkFloat, "TDateTime"},        {"Child", tkClass, "TSettings"},
                      {"OnChange", tkMethod, "TNotifyEvent"}};
  for (const Row& r : rows) {
    const TPropInfo* p = GetPropInfo(&TSettings::StaticClass(), r.name);
    ASSERT_NE(p, nullptr) << r.name;
    EXPECT_EQ(p->Kind, r.kind) << r.name;
    EXPECT_EQ(p->TypeName, r.typeName) << r.name;
  }
  EXPECT_TRUE(GetPropInfo(&TSettings::StaticClass(), "Enabled")->IsBoolean());
  EXPECT_EQ(GetPropInfo(&TSettings::StaticClass(), "Width")->MaxValue(), 65535);
  EXPECT_EQ(GetPropInfo(&TSettings::StaticClass(), "Style")->MaxValue(), 7);
}

TEST(Properties, GenericAccessByNameReachesGettersAndSetters) {
  TSettings* s = New<TSettings>();
  TSettings* child = New<TSettings>();
  SetFloatProp(s, "high", 100.5L);
  EXPECT_EQ(s->FHigh, 100.5);
  EXPECT_EQ(s->FSetCount, 1);
  EXPECT_EQ(GetFloatProp(s, "High"), 100.5L);
  SetOrdProp(s, "Count", -7);
  EXPECT_EQ(s->FCount, -7);
  SetEnumProp(s, "Mode", "MDEXACT");
  EXPECT_EQ(s->FMode, mdExact);
  EXPECT_EQ(GetEnumProp(s, "Mode"), "mdExact");
  SetOrdProp(s, "Style", 5);
  EXPECT_TRUE(s->FStyle.Contains(fsBold) && s->FStyle.Contains(fsUnderline) &&
              !s->FStyle.Contains(fsItalic));
  SetStrProp(s, "Caption", "Hello");
  EXPECT_EQ(GetStrProp(s, "Caption"), "Hello");
  SetInt64Prop(s, "Big", int64_t{1} << 40);
  EXPECT_EQ(s->FBig, int64_t{1} << 40);
  SetObjectProp(s, "Child", child);
  EXPECT_EQ(GetObjectProp(s, "Child"), child);
  EXPECT_EQ(GetOrdProp(s, "Fixed"), 42);

  // Events bound through the published-method table.
  TMethodValue m = MethodAddress(&TSettings::StaticClass(), "changed");
  ASSERT_TRUE(m.Assigned());
  m.Data = child;
  SetMethodProp(s, "OnChange", m);
  ASSERT_TRUE(s->FOnChange.Assigned());
  s->FOnChange(s);
  EXPECT_EQ(child->FLastSender, s);
  EXPECT_EQ(MethodName(&TMoreSettings::StaticClass(), m.Code), "Changed");
  EXPECT_TRUE(GetMethodProp(s, "OnChange") == m);
  EXPECT_FALSE(MethodAddress(&TSettings::StaticClass(), "Missing").Assigned());
  TMethodValue bound = FindMethod(child, "CHANGED");
  EXPECT_TRUE(bound == m);
  EXPECT_EQ(FindMethodName(child, bound), "Changed");
  EXPECT_EQ(FindMethodName(s, bound), "");  // bound to another object
  EXPECT_FALSE(FindMethod(child, "Missing").Assigned());

  child->Free();
  s->Free();
}

TEST(Properties, AccessErrorsRaisePropertyErrors) {
  TSettings* s = New<TSettings>();
  try {
    GetOrdProp(s, "Nothing");
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Property Nothing does not exist");
  }
  EXPECT_THROW(SetOrdProp(s, "Fixed", 1), EPropertyError);         // read-only
  EXPECT_THROW(GetFloatProp(s, "Count"), EPropertyError);          // wrong kind
  EXPECT_THROW(SetEnumProp(s, "Mode", "mdNone"), EPropertyError);  // no such value
  EXPECT_THROW(SetOrdProp(s, "Mode", 3), ERangeError);             // not a value of TMode
  EXPECT_EQ(s->FMode, mdFast);
  TMethodValue twice = MethodAddress(&TSettings::StaticClass(), "Twice");
  twice.Data = s;
  EXPECT_THROW(SetMethodProp(s, "OnChange", twice), EPropertyError);  // other parameter list
  EXPECT_FALSE(s->FOnChange.Assigned());
  TPersistent* other = New<TPlainForProps>();
  EXPECT_THROW(SetObjectProp(s, "Child", other), EPropertyError);  // not a TSettings
  other->Free();
  s->Free();
}

TEST(Properties, DefaultsAndStoredFlags) {
  TSettings* s = New<TSettings>();
  auto isDefault = [&](const char* name) { return IsDefaultValue(s, FindPropInfo(s, name)); };
  EXPECT_TRUE(isDefault("Count"));
  EXPECT_TRUE(isDefault("Mode"));
  EXPECT_TRUE(isDefault("Enabled"));
  EXPECT_TRUE(isDefault("Caption"));
  EXPECT_FALSE(isDefault("High"));  // floats are left out only at 0
  s->FHigh = 0;
  EXPECT_TRUE(isDefault("High"));
  s->FCount = 4;
  s->FEnabled = false;
  s->FCaption = "x";
  EXPECT_FALSE(isDefault("Count"));
  EXPECT_FALSE(isDefault("Enabled"));
  EXPECT_FALSE(isDefault("Caption"));

  EXPECT_TRUE(IsStoredProp(s, FindPropInfo(s, "Count")));
  s->FStoreCount = false;
  EXPECT_FALSE(IsStoredProp(s, FindPropInfo(s, "Count")));
  EXPECT_FALSE(IsStoredProp(s, FindPropInfo(s, "Fixed")));
  EXPECT_EQ(FindPropInfo(s, "Fixed").StoredKind, skNotStored);
  s->Free();
}

// Used only by the test below, so that its tables are built there, by racing threads.
class TRaced : public TMoreSettings {
  PF_CLASS(TRaced)
 public:
  int32_t FRaced = 0;
};
void DescribeTRaced(TClassInfo& info) {
  TPublisher<TRaced> p(info);
  p.Property("Raced", &TRaced::FRaced);
}
PF_DEFINE_CLASS_EX(TRaced, TMoreSettings, nullptr, DescribeTRaced)

TEST(Properties, TablesAreBuiltOnceWhenThreadsRaceForThem) {
  Watchdog dog(30, "Properties.TablesAreBuiltOnceWhenThreadsRaceForThem");
  std::atomic<bool> go{false};
  std::vector<const TPropInfo*> seen(8, nullptr);
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&, i] {
      while (!go.load()) std::this_thread::yield();
      seen[static_cast<size_t>(i)] = GetPropInfo(&TRaced::StaticClass(), "Raced");
    });
  go = true;
  for (auto& t : threads) t.join();
  ASSERT_NE(seen[0], nullptr);
  for (const TPropInfo* p : seen) EXPECT_EQ(p, seen[0]);
  EXPECT_EQ(GetPropList(&TRaced::StaticClass()).size(), 16u);
}

}  // namespace
