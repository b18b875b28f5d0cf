#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/DynLib.h"
#include "platform/Units.h"


namespace {

std::vector<std::string> g_log;

void InitA() { g_log.push_back("init A"); }
void FiniA() { g_log.push_back("fini A"); }
void InitB() { g_log.push_back("init B"); }
void FiniB() { g_log.push_back("fini B"); }

TEST(Units, RunOnceInOrderAndFinalizeInReverse) {
  g_log.clear();
  const platform::TUnit units[] = {{"A", InitA, FiniA}, {"B", InitB, FiniB}};
  platform::RunUnitInitialization(units);
  platform::RunUnitInitialization(units);  // already running: nothing happens
  EXPECT_TRUE(platform::IsUnitInitialized("B"));
  platform::RunUnitFinalization();
  EXPECT_FALSE(platform::IsUnitInitialized("A"));
  EXPECT_EQ(g_log, (std::vector<std::string>{"init A", "init B", "fini B", "fini A"}));
}

TEST(DynLib, MissingLibraryGivesNullHandle) {
  EXPECT_EQ(platform::LoadLibrary("no-such-library-5.1.dll"), nullptr);
  EXPECT_EQ(platform::GetProcAddress(nullptr, "x"), nullptr);
  EXPECT_FALSE(platform::FreeLibrary(nullptr));
}

TEST(DynLib, WindowsNamesMapToSharedObjects) {
  EXPECT_EQ(platform::SharedObjectName("QZOpenCV2.dll"), "libQZOpenCV2.so");
  EXPECT_EQ(platform::SharedObjectName("ippi-5.1.dll"), "libippi-5.1.so");
  EXPECT_EQ(platform::SharedObjectName("libm.so"), "libm.so");
}

}  // namespace
