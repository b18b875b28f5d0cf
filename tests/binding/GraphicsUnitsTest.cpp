#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "binding/BindingUnits.h"

namespace {

struct Calls {
  static inline int startups = 0, hooks = 0, unhooks = 0, shutdowns = 0;
  static inline Gfx2D::GpStatus result = Gfx2D::Ok;
  static Gfx2D::GpStatus Hook(std::uintptr_t* token) {
    ++hooks;
    *token = 42;
    return Gfx2D::Ok;
  }
  static void Unhook(std::uintptr_t token) {
    EXPECT_EQ(token, 42u);
    ++unhooks;
  }
  static Gfx2D::GpStatus Startup(std::uintptr_t* token, const Gfx2D::GdiplusStartupInput* input,
                                 Gfx2D::GdiplusStartupOutput* output) {
    ++startups;
    EXPECT_EQ(input->GdiplusVersion, 1u);
    EXPECT_EQ(input->DebugEventCallback, nullptr);
    EXPECT_EQ(input->SuppressBackgroundThread, -1);
    EXPECT_EQ(input->SuppressExternalCodecs, 0);
    if (result != Gfx2D::Ok) return result;  // a failed start-up returns no hooks
    *token = 7;
    output->NotificationHook = &Hook;
    output->NotificationUnhook = &Unhook;
    return Gfx2D::Ok;
  }
  static void Shutdown(std::uintptr_t token) {
    EXPECT_EQ(token, 7u);
    ++shutdowns;
  }
};

// Runs GDI+ start-up and shutdown against recording entry points, then restores the stand-in
// and the started state the unit list established.
class GdiPlus : public ::testing::Test {
 protected:
  void SetUp() override {
    Gfx2D::ShutdownGDIPlus();
    Calls::startups = Calls::hooks = Calls::unhooks = Calls::shutdowns = 0;
    Calls::result = Gfx2D::Ok;
    Gfx2D::GdiplusApi() = Gfx2D::TGdiplusApi{&Calls::Startup, &Calls::Shutdown};
  }
  void TearDown() override {
    Gfx2D::ShutdownGDIPlus();
    Gfx2D::GdiplusApi() = Gfx2D::StandInGdiplusApi();
    Gfx2D::StartupGDIPlus();
  }
};

TEST_F(GdiPlus, StartsOnceAndShutsDownOnce) {
  Gfx2D::StartupGDIPlus();
  Gfx2D::StartupGDIPlus();
  EXPECT_TRUE(Gfx2D::IsGDIPlusStarted());
  EXPECT_EQ(Calls::startups, 1);
  EXPECT_EQ(Calls::hooks, 1);
  Gfx2D::ShutdownGDIPlus();
  Gfx2D::ShutdownGDIPlus();
  EXPECT_FALSE(Gfx2D::IsGDIPlusStarted());
  EXPECT_EQ(Calls::unhooks, 1);
  EXPECT_EQ(Calls::shutdowns, 1);
}

TEST_F(GdiPlus, AFailedStartUpCallsNoHookAndShutsNothingDown) {
  Calls::result = Gfx2D::GenericError;
  Gfx2D::StartupGDIPlus();
  EXPECT_FALSE(Gfx2D::IsGDIPlusStarted());
  EXPECT_EQ(Calls::startups, 1);
  EXPECT_EQ(Calls::hooks, 0);
  Gfx2D::ShutdownGDIPlus();
  EXPECT_EQ(Calls::unhooks, 0);
  EXPECT_EQ(Calls::shutdowns, 0);
}

TEST(GdiPlusUnit, TheStandInStartsAtStartUp) { EXPECT_TRUE(Gfx2D::IsGDIPlusStarted()); }

TEST(DirectXLoaders, AbsentLibrariesLeaveNullHandlesAndVariables) {
  EXPECT_FALSE(PXDirectDraw::IsDirectDrawLoaded());
  EXPECT_FALSE(PXDirectSound::IsDirectSoundLoaded());
  EXPECT_FALSE(PXDirect3D9::IsDirect3D9Loaded());
  EXPECT_EQ(PXDirect3D9::Direct3DCreate9, nullptr);
  EXPECT_EQ(PXDirectDraw::DirectDrawCreate, nullptr);
  EXPECT_EQ(PXDirectSound::GetDeviceID, nullptr);
  EXPECT_FALSE(PXDirect3D9::LoadDirect3D9());
  EXPECT_TRUE(PXDirectDraw::UnloadDirectDraw());  // nothing loaded: nothing to do
  EXPECT_FALSE(PXDirectDraw::IsDirectDrawLoaded());
}

TEST(DirectShowUnit, FiveLibrariesWithNullHandlesAndVariables) {
  const size_t groupSizes[PXDirectShow::kLibraryCount] = {10, 3, 11, 4, 6};
  for (int library = 0; library < PXDirectShow::kLibraryCount; ++library) {
    SCOPED_TRACE(library);
    EXPECT_FALSE(PXDirectShow::IsLibraryLoaded(library));
    EXPECT_EQ(PXDirectShow::LibraryHandles[library], nullptr);
    ASSERT_EQ(PXDirectShow::EntryPoints(library).size(), groupSizes[library]);
    for (platform::FARPROC variable : PXDirectShow::EntryPoints(library)) EXPECT_EQ(variable, nullptr);
    EXPECT_TRUE(PXDirectShow::UnloadLibrary(library));  // nothing loaded: nothing to do
  }
  EXPECT_TRUE(PXDirectShow::EntryPoints(5).empty());
  EXPECT_FALSE(PXDirectShow::IsLibraryLoaded(-1));
}

// Nothing in the system loads these libraries; a component that does stores the handle and
// entry points in the unit, and the unit's shutdown frees the library and clears them. The
// unit's start-up clears the first library's variables.
TEST(DirectShowUnit, ShutdownReleasesALoadedLibraryAndStartUpClearsTheFirstGroup) {
  const std::string log = ::testing::TempDir() + "directshow_log_" + std::to_string(::getpid()) + ".txt";
  std::remove(log.c_str());
  setenv("PF_LIBRARY_PATH", PF_FAKE_LIBRARY_DIR, 1);
  setenv("PF_FAKE_LIBRARY_LOG", log.c_str(), 1);
  const platform::HMODULE handle = platform::LoadLibrary("dsound.dll");
  ASSERT_NE(handle, nullptr);
  PXDirectShow::LibraryHandles[3] = handle;
  PXDirectShow::EntryPoints(3)[1] = platform::GetProcAddress(handle, "GetDeviceID");
  ASSERT_NE(PXDirectShow::EntryPoints(3)[1], nullptr);
  EXPECT_TRUE(PXDirectShow::IsLibraryLoaded(3));

  PXDirectShow::Finalization();
  EXPECT_EQ(PXDirectShow::LibraryHandles[3], nullptr);
  EXPECT_EQ(PXDirectShow::EntryPoints(3)[1], nullptr);
  std::ifstream in(log);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"load dsound", "free dsound"}));

  static int marker = 0;
  PXDirectShow::EntryPoints(0)[9] = reinterpret_cast<platform::FARPROC>(&marker);
  PXDirectShow::Initialization();  // the unit list's start-up again
  EXPECT_EQ(PXDirectShow::EntryPoints(0)[9], nullptr);
  unsetenv("PF_LIBRARY_PATH");
  unsetenv("PF_FAKE_LIBRARY_LOG");
  std::remove(log.c_str());
}

}  // namespace
