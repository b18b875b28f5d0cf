#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "binding/BindingUnits.h"
#include "binding/IPPBuiltins.h"

namespace {

using binding::TBuiltinState;
using binding::TIPPLookup;
using binding::TIPPSlotInfo;

std::vector<TIPPSlotInfo> AllSlots() {
  std::vector<TIPPSlotInfo> all;
  for (const auto& group : binding::IPPSlotGroups())
    for (const TIPPSlotInfo& info : group.Slots()) all.push_back(info);
  return all;
}

TEST(DispatchTable, NineGroupsInStartUpOrderWith553Slots) {
  const std::vector<std::pair<std::string, size_t>> expected = {
      {"CBIPPSLoader", 1},        {"PXBasicDispatcher", 53},  {"PXColorTwistDispatcher", 2},
      {"PXDispatcher", 149},      {"PXSubDispatcher", 148},   {"RBResizeDispatcher", 3},
      {"RBBasicDispatcher", 174}, {"RBNormDispatcher", 1},    {"KZDispatcher", 22}};
  std::vector<std::pair<std::string, size_t>> actual;
  for (const auto& group : binding::IPPSlotGroups()) {
    actual.emplace_back(group.Name, group.Slots().size());
    for (const TIPPSlotInfo& info : group.Slots()) EXPECT_STREQ(info.Group, group.Name);
  }
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(AllSlots().size(), 553u);
}

TEST(DispatchTable, WithoutLibrariesEverySlotHoldsItsBuiltinOrStub) {
  ASSERT_EQ(CBIPPSLoader::SignalLibrary(), nullptr) << "a library was found on the search path";
  ASSERT_EQ(CBIPPILoader::ImageLibrary(), nullptr);
  for (const TIPPSlotInfo& info : AllSlots()) {
    SCOPED_TRACE(std::string(info.Group) + "::" + info.Name);
    if (info.State == TBuiltinState::None) {
      EXPECT_EQ(info.Builtin, nullptr);
      EXPECT_EQ(info.Current(), nullptr);
    } else {
      EXPECT_NE(info.Builtin, nullptr);
      EXPECT_EQ(info.Current(), info.Builtin);
    }
  }
  EXPECT_EQ(ippGetCpuType(), ippCpuUnknown);
  EXPECT_EQ(RBBasicDispatcher::ippsSVD_64f_D2L, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(ippsCopy_8u), reinterpret_cast<void*>(&builtin::ippsCopy_8u));
}

TEST(DispatchTable, OnlyTheSlotOfSVDHasNoBuiltin) {
  std::vector<std::string> none;
  for (const TIPPSlotInfo& info : AllSlots())
    if (info.State == TBuiltinState::None) none.push_back(info.Name);
  EXPECT_EQ(none, std::vector<std::string>{"ippsSVD_64f_D2L"});
}

// The list of slots still waiting for their built-in family, printed for the record.
TEST(DispatchTable, SlotsStillStubbed) {
  size_t total = 0;
  for (const auto& group : binding::IPPSlotGroups()) {
    std::string names;
    size_t count = 0;
    for (const TIPPSlotInfo& info : group.Slots()) {
      if (info.State != TBuiltinState::Stub) continue;
      ++count;
      names += std::string(" ") + info.Name;
    }
    total += count;
    std::printf("%-24s %3zu stubbed of %3zu:%s\n", group.Name, count, group.Slots().size(),
                names.c_str());
  }
  std::printf("%zu of 553 slots stubbed\n", total);
  EXPECT_LT(total, 553u);
}

TEST(DispatchTable, FiveNamesHaveTwoDistinctSlots) {
  std::map<std::string, std::vector<const TIPPSlotInfo*>> byName;
  const std::vector<TIPPSlotInfo> all = AllSlots();
  for (const TIPPSlotInfo& info : all) byName[info.Name].push_back(&info);
  std::map<std::string, std::pair<std::string, std::string>> twice;  // name -> (global, other)
  for (const auto& [name, infos] : byName) {
    if (infos.size() == 1) {
      EXPECT_TRUE(infos[0]->Global) << name;
      continue;
    }
    ASSERT_EQ(infos.size(), 2u) << name;
    ASSERT_NE(infos[0]->Global, infos[1]->Global) << name;
    const TIPPSlotInfo* global = infos[0]->Global ? infos[0] : infos[1];
    const TIPPSlotInfo* other = infos[0]->Global ? infos[1] : infos[0];
    twice[name] = {global->Group, other->Group};
  }
  const std::map<std::string, std::pair<std::string, std::string>> expected = {
      {"ippiSet_8u_C1R", {"PXBasicDispatcher", "PXDispatcher"}},
      {"ippiAbsDiff_8u_C1R", {"PXDispatcher", "KZDispatcher"}},
      {"ippsSet_8u", {"RBBasicDispatcher", "PXSubDispatcher"}},
      {"ippiColorTwist32f_8u_C3R", {"PXDispatcher", "PXSubDispatcher"}},
      {"ippiMirror_8u_C3IR", {"PXDispatcher", "RBBasicDispatcher"}},
  };
  EXPECT_EQ(twice, expected);
  EXPECT_EQ(&::ippiSet_8u_C1R, &PXBasicDispatcher::ippiSet_8u_C1R);
  EXPECT_NE(&PXBasicDispatcher::ippiSet_8u_C1R, &PXDispatcher::ippiSet_8u_C1R);
  EXPECT_EQ(&::ippsSet_8u, &RBBasicDispatcher::ippsSet_8u);
  EXPECT_EQ(&::ippiAbsDiff_8u_C1R, &PXDispatcher::ippiAbsDiff_8u_C1R);
}

TEST(DispatchTable, LookupColumnFollowsThePrefixRule) {
  const std::set<std::string> exceptions = {"ippsDivC_8u_Sfs", "ippsSVD_64f_D2L"};
  for (const TIPPSlotInfo& info : AllSlots()) {
    SCOPED_TRACE(info.Name);
    const std::string name = info.Name;
    if (name == "ippGetCpuType") {
      EXPECT_EQ(info.Lookup, TIPPLookup::Core);
    } else if (name == "ippiFilterHipass_8u_AC4R") {
      EXPECT_EQ(info.Lookup, TIPPLookup::ImageIgnored);
    } else if (name.rfind("ippi", 0) == 0 || exceptions.count(name)) {
      EXPECT_EQ(info.Lookup, TIPPLookup::Image);
    } else {
      ASSERT_EQ(name.rfind("ipps", 0), 0u);
      EXPECT_EQ(info.Lookup, TIPPLookup::Signal);
    }
  }
}

// ---- Routing through fake lookups ----------------------------------------------------------

struct FakeLookups {
  static inline std::vector<std::pair<char, std::string>> asked;
  static inline std::map<std::pair<char, std::string>, void*> exported;
  static platform::FARPROC Find(char library, const char* name) {
    asked.emplace_back(library, name);
    auto it = exported.find({library, name});
    return it == exported.end() ? nullptr : it->second;
  }
  static platform::FARPROC Image(const char* name) { return Find('I', name); }
  static platform::FARPROC Signal(const char* name) { return Find('S', name); }
  static platform::FARPROC Core(const char* name) { return Find('C', name); }
};

class DispatchRouting : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeLookups::asked.clear();
    FakeLookups::exported.clear();
  }
  void TearDown() override {
    binding::BindAllIPPSlots(binding::LibraryLookups());
    FakeLookups::exported.clear();
  }
  // Distinct addresses that stand for library entry points; they are never called.
  static void* Entry(int i) { return &entries[i]; }
  static inline char entries[16] = {};
};

TEST_F(DispatchRouting, EachSlotAsksItsLibraryOnceAndTakesItsAnswer) {
  struct Case {
    const char* name;
    char library;       // the library asked ('I' image and colour, 'S' signal, 'C' core)
    void* (*slot)();    // the slot's value after binding
    bool takesLibrary;  // the slot holds the library's answer
  };
  const Case cases[] = {
      {"ippiCopy_8u_C1R", 'I', [] { return binding::SlotAddress(ippiCopy_8u_C1R); }, true},
      {"ippsCopy_8u", 'S', [] { return binding::SlotAddress(ippsCopy_8u); }, true},
      {"ippsDivC_8u_Sfs", 'I', [] { return binding::SlotAddress(ippsDivC_8u_Sfs); }, true},
      {"ippsSVD_64f_D2L", 'I',
       [] { return binding::SlotAddress(RBBasicDispatcher::ippsSVD_64f_D2L); }, true},
      {"ippiCanny_16s8u_C1R", 'I', [] { return binding::SlotAddress(ippiCanny_16s8u_C1R); }, true},
      {"ippGetCpuType", 'C', [] { return binding::SlotAddress(ippGetCpuType); }, true},
      {"ippiFilterHipass_8u_AC4R", 'I',
       [] { return binding::SlotAddress(ippiFilterHipass_8u_AC4R); }, false},
  };
  int i = 0;
  for (const Case& c : cases) FakeLookups::exported[{c.library, c.name}] = Entry(i++);
  // The same names exported by a library the rule does not consult are never taken.
  FakeLookups::exported[{'S', "ippsDivC_8u_Sfs"}] = Entry(10);
  FakeLookups::exported[{'S', "ippiCopy_8u_C1R"}] = Entry(11);

  binding::BindAllIPPSlots(binding::TIPPLookups{&FakeLookups::Image, &FakeLookups::Signal,
                                                &FakeLookups::Core});

  // One request per slot, in binding order, to the library of the slot's lookup column.
  std::vector<std::pair<char, std::string>> expectedRequests;
  for (const TIPPSlotInfo& info : AllSlots()) {
    const char library = info.Lookup == TIPPLookup::Signal ? 'S'
                         : info.Lookup == TIPPLookup::Core ? 'C'
                                                           : 'I';
    expectedRequests.emplace_back(library, info.Name);
  }
  EXPECT_EQ(FakeLookups::asked, expectedRequests);

  i = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NE(std::find(FakeLookups::asked.begin(), FakeLookups::asked.end(),
                        std::make_pair(c.library, std::string(c.name))),
              FakeLookups::asked.end());
    if (c.takesLibrary) {
      EXPECT_EQ(c.slot(), Entry(i));
    } else {
      EXPECT_NE(c.slot(), Entry(i));
      EXPECT_NE(c.slot(), nullptr);
    }
    ++i;
  }
  // The names not exported anywhere keep their built-in versions.
  EXPECT_EQ(binding::SlotAddress(ippsZero_64f), binding::SlotAddress(&builtin::ippsZero_64f));
}

// ---- Stubs -------------------------------------------------------------------------------

const TIPPSlotInfo* FindSlot(const char* group, const char* name) {
  for (const auto& g : binding::IPPSlotGroups())
    for (const TIPPSlotInfo& info : g.Slots())
      if (std::strcmp(g.Name, group) == 0 && std::strcmp(info.Name, name) == 0) return &info;
  return nullptr;
}

// The slots still stubbed, each called with every argument zero: a stub reads none of its
// arguments. Built from the slot lists, so the stub checks below keep a stubbed slot as long as
// any is left.
template <typename F>
struct ZeroCallable : std::false_type {};
template <typename R, typename... A>
struct ZeroCallable<R (*)(A...)>
    : std::bool_constant<std::is_same_v<R, IppStatus> &&
                         (std::is_default_constructible_v<A> && ...) &&
                         !(std::is_reference_v<A> || ...)> {};

template <typename R, typename... A>
IppStatus CallWithZeros(R (*fn)(A...)) {
  if constexpr (ZeroCallable<R (*)(A...)>::value)
    return fn(A{}...);
  else
    return ippStsNoErr;
}

struct StubbedSlot {
  const char* group;
  const char* name;
  bool callable;
  IppStatus (*call)();
};

#define PF_TEST_SLOT_BUILTIN(group, name)
#define PF_TEST_SLOT_NONE(group, name)
#define PF_TEST_SLOT_STUB(group, name)                                              \
  StubbedSlot{#group, #name, ZeroCallable<decltype(group::name)>::value,            \
              [] { return CallWithZeros(group::name); }},
#define PF_TEST_CB(state, lookup, name, result, args) PF_TEST_SLOT_##state(CBIPPSLoader, name)
#define PF_TEST_KZ(state, lookup, name, result, args) PF_TEST_SLOT_##state(KZDispatcher, name)
#define PF_TEST_PXB(state, lookup, name, result, args) \
  PF_TEST_SLOT_##state(PXBasicDispatcher, name)
#define PF_TEST_PXC(state, lookup, name, result, args) \
  PF_TEST_SLOT_##state(PXColorTwistDispatcher, name)
#define PF_TEST_PX(state, lookup, name, result, args) PF_TEST_SLOT_##state(PXDispatcher, name)
#define PF_TEST_PXS(state, lookup, name, result, args) \
  PF_TEST_SLOT_##state(PXSubDispatcher, name)
#define PF_TEST_RBB(state, lookup, name, result, args) \
  PF_TEST_SLOT_##state(RBBasicDispatcher, name)
#define PF_TEST_RBN(state, lookup, name, result, args) \
  PF_TEST_SLOT_##state(RBNormDispatcher, name)
#define PF_TEST_RBR(state, lookup, name, result, args) \
  PF_TEST_SLOT_##state(RBResizeDispatcher, name)
const std::vector<StubbedSlot>& StubbedSlots() {
  static const std::vector<StubbedSlot> slots = {
      CBIPPS_LOADER_SLOTS(PF_TEST_CB, PF_TEST_CB) KZ_DISPATCHER_SLOTS(PF_TEST_KZ, PF_TEST_KZ)
      PX_BASIC_DISPATCHER_SLOTS(PF_TEST_PXB, PF_TEST_PXB)
      PX_COLOR_TWIST_DISPATCHER_SLOTS(PF_TEST_PXC, PF_TEST_PXC)
      PX_DISPATCHER_SLOTS(PF_TEST_PX, PF_TEST_PX) PX_SUB_DISPATCHER_SLOTS(PF_TEST_PXS, PF_TEST_PXS)
      RB_BASIC_DISPATCHER_SLOTS(PF_TEST_RBB, PF_TEST_RBB)
      RB_NORM_DISPATCHER_SLOTS(PF_TEST_RBN, PF_TEST_RBN)
      RB_RESIZE_DISPATCHER_SLOTS(PF_TEST_RBR, PF_TEST_RBR)};
  return slots;
}
#undef PF_TEST_RBR
#undef PF_TEST_RBN
#undef PF_TEST_RBB
#undef PF_TEST_PXS
#undef PF_TEST_PX
#undef PF_TEST_PXC
#undef PF_TEST_PXB
#undef PF_TEST_KZ
#undef PF_TEST_CB
#undef PF_TEST_SLOT_STUB
#undef PF_TEST_SLOT_NONE
#undef PF_TEST_SLOT_BUILTIN

// A stub made by the same macro as the slots' stubs, for when every slot has its built-in.
PF_IPP_STUB_STUB(pfTestOnlyStub, IppStatus, (const Ipp8u*, int))
IppStatus CallTestOnlyStub() { return pfTestOnlyStub(nullptr, 0); }
const StubbedSlot kTestOnlyStub = {"test", "pfTestOnlyStub", true, &CallTestOnlyStub};

// The first stubbed slot returning a status whose arguments can all be zero; the test-only
// stub when none is left, so the stub mechanism stays covered.
const StubbedSlot* AStubbedSlot() {
  for (const StubbedSlot& slot : StubbedSlots()) {
    const TIPPSlotInfo* info = FindSlot(slot.group, slot.name);
    if (slot.callable && info != nullptr && info->State == TBuiltinState::Stub) return &slot;
  }
  return &kTestOnlyStub;
}

TEST(DispatchStubs, AStubWritesNothingAndReportsNotImplemented) {
  const StubbedSlot* slot = AStubbedSlot();
  SCOPED_TRACE(slot->name);
  // Null pointers and zero sizes: a stub that touched any argument would crash here.
  EXPECT_EQ(slot->call(), ippStsNotImplemented);
  EXPECT_EQ(ippStsNotImplemented, -9998);
}

TEST(DispatchStubsDeathTest, TheAbortSwitchMakesAStubCallAbort) {
  const StubbedSlot* slot = AStubbedSlot();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        binding::SetStubCallsAbort(true);
        slot->call();
      },
      slot->name);
  EXPECT_FALSE(binding::StubCallsAbort());
}

}  // namespace
