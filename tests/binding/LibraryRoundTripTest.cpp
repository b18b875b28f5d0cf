// Start-up and shutdown against small stand-in libraries (built with the tests) that export
// a few names of the real interface and return sentinel statuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "binding/BindingUnits.h"
#include "binding/IPPBuiltins.h"
#include "tests/common/TestUnits.h"

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The built-in version (or stub) the table records for a name's global slot.
void* BuiltinOf(const char* name) {
  for (const auto& group : binding::IPPSlotGroups())
    for (const binding::TIPPSlotInfo& info : group.Slots())
      if (info.Global && std::string(info.Name) == name) return info.Builtin;
  return nullptr;
}

// Restarts the binding units with the stand-in libraries on the search path, and restarts
// them without at the end, so that the other tests see the built-in versions again.
class LibraryRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    // One log per process: CTest runs the tests of this fixture in parallel processes.
    logPath_ = ::testing::TempDir() + "fake_library_log_" + std::to_string(::getpid()) + ".txt";
    std::remove(logPath_.c_str());
    platform::RunUnitFinalization();
    setenv("PF_LIBRARY_PATH", PF_FAKE_LIBRARY_DIR, 1);
    setenv("PF_FAKE_LIBRARY_LOG", logPath_.c_str(), 1);
    platform::RunUnitInitialization(TestUnits());
  }
  void TearDown() override {
    platform::RunUnitFinalization();
    unsetenv("PF_LIBRARY_PATH");
    unsetenv("PF_FAKE_LIBRARY_LOG");
    platform::RunUnitInitialization(TestUnits());
    std::remove(logPath_.c_str());
  }
  std::string logPath_;
};

TEST_F(LibraryRoundTrip, SlotsCallIntoTheLibrariesByTheRoutingRules) {
  ASSERT_NE(CBIPPSLoader::SignalLibrary(), nullptr);
  ASSERT_NE(CBIPPSLoader::CoreLibrary(), nullptr);
  ASSERT_NE(CBIPPILoader::ImageLibrary(), nullptr);
  ASSERT_NE(CBIPPILoader::ColourLibrary(), nullptr);
  ASSERT_NE(CBIPPCVLoader::VisionLibrary(), nullptr);

  Ipp8u src[4] = {1, 2, 3, 4}, dst[4] = {};
  // Exported by the image and the colour library: the image library's entry wins.
  EXPECT_EQ(ippiCopy_8u_C1R(src, 4, dst, 4, {4, 1}), 1001);
  // Only the colour library exports it: both slots of the name take the colour entry.
  EXPECT_EQ(ippiSet_8u_C1R(7, dst, 4, {4, 1}), 2002);
  EXPECT_EQ(PXDispatcher::ippiSet_8u_C1R(7, dst, 4, {4, 1}), 2002);
  // An ipps name looked up in the image libraries: the signal library's export is not used.
  EXPECT_EQ(ippsDivC_8u_Sfs(src, 2, dst, 4, 0), 2003);
  EXPECT_EQ(ippsCopy_8u(src, dst, 4), 3004);
  EXPECT_EQ(static_cast<int>(ippGetCpuType()), 0x50);
  // The high-pass alpha-four slot keeps its built-in although the image library exports it.
  const platform::HMODULE image = CBIPPILoader::ImageLibrary();
  ASSERT_NE(platform::GetProcAddress(image, "ippiFilterHipass_8u_AC4R"), nullptr);
  EXPECT_EQ(binding::SlotAddress(ippiFilterHipass_8u_AC4R), BuiltinOf("ippiFilterHipass_8u_AC4R"));
  // The vision library is never searched.
  ASSERT_NE(platform::GetProcAddress(CBIPPCVLoader::VisionLibrary(), "ippiCannyGetSize"), nullptr);
  EXPECT_EQ(binding::SlotAddress(ippiCannyGetSize), BuiltinOf("ippiCannyGetSize"));
  // Names no library exports keep their built-in versions.
  EXPECT_EQ(binding::SlotAddress(ippsZero_8u), binding::SlotAddress(&builtin::ippsZero_8u));
}

TEST_F(LibraryRoundTrip, ASecondStartUpBindsNothingNew) {
  const platform::HMODULE image = CBIPPILoader::ImageLibrary();
  void* const copy = binding::SlotAddress(ippiCopy_8u_C1R);
  unsetenv("PF_LIBRARY_PATH");  // a second binding would now find no library
  platform::RunUnitInitialization(TestUnits());
  for (const platform::TUnit& unit : TestUnits()) unit.Initialization();
  EXPECT_EQ(CBIPPILoader::ImageLibrary(), image);
  EXPECT_EQ(binding::SlotAddress(ippiCopy_8u_C1R), copy);
  for (const platform::TUnit& unit : TestUnits()) unit.Finalization();  // balance the calls
  EXPECT_EQ(CBIPPILoader::ImageLibrary(), image);
}

TEST_F(LibraryRoundTrip, ShutdownFreesTheLibrariesInReverseOrderOfLoading) {
  EXPECT_TRUE(PXDirectSound::IsDirectSoundLoaded());
  EXPECT_NE(PXDirectSound::DirectSoundCreate, nullptr);
  EXPECT_NE(PXDirectSound::GetDeviceID, nullptr);
  EXPECT_EQ(PXDirectSound::DirectSoundCreate8, nullptr);  // not exported
  EXPECT_TRUE(PXDirectSound::LoadDirectSound());          // already loaded: nothing happens
  EXPECT_FALSE(PXDirect3D9::IsDirect3D9Loaded());

  platform::RunUnitFinalization();
  EXPECT_EQ(CBIPPSLoader::SignalLibrary(), nullptr);
  EXPECT_EQ(CBIPPILoader::ColourLibrary(), nullptr);
  EXPECT_EQ(CBIPPCVLoader::VisionLibrary(), nullptr);
  EXPECT_FALSE(PXDirectSound::IsDirectSoundLoaded());
  EXPECT_EQ(PXDirectSound::DirectSoundCreate, nullptr);

  const std::vector<std::string> expected = {
      "load ipps-5.1",   "load ippcore-5.1", "load ippi-5.1",  "load ippcc-5.1",
      "load dsound",     "load ippcv-5.1",   "free ippcv-5.1", "free dsound",
      "free ippcc-5.1",  "free ippi-5.1",    "free ippcore-5.1", "free ipps-5.1"};
  EXPECT_EQ(ReadLines(logPath_), expected);
}

}  // namespace
