// GDI+ start-up and shutdown for the process.
//
// Linux has no GDI+: the calls go to a small stand-in that accepts every start-up and hands
// back do-nothing notification hooks. The entry points are kept in a replaceable record so
// that a failing start-up can be exercised.
#pragma once

#include <cstdint>

#include "platform/Units.h"

namespace Gfx2D {

using GpStatus = std::int32_t;
inline constexpr GpStatus Ok = 0;
inline constexpr GpStatus GenericError = 1;

struct GdiplusStartupInput {
  std::uint32_t GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  std::int32_t SuppressBackgroundThread = -1;  // all bits set: true
  std::int32_t SuppressExternalCodecs = 0;
};

using NotificationHookProc = GpStatus (*)(std::uintptr_t* token);
using NotificationUnhookProc = void (*)(std::uintptr_t token);

struct GdiplusStartupOutput {
  NotificationHookProc NotificationHook = nullptr;
  NotificationUnhookProc NotificationUnhook = nullptr;
};

struct TGdiplusApi {
  GpStatus (*Startup)(std::uintptr_t* token, const GdiplusStartupInput* input,
                      GdiplusStartupOutput* output) = nullptr;
  void (*Shutdown)(std::uintptr_t token) = nullptr;
};

// The entry points used by StartupGDIPlus and ShutdownGDIPlus (the stand-in by default).
TGdiplusApi& GdiplusApi();
TGdiplusApi StandInGdiplusApi();

// Starts GDI+ once. The started flag is set only when the start-up succeeds; then the
// notification hook is called and its token kept.
void StartupGDIPlus();
// When started: clears the flag, unhooks with the kept token and shuts GDI+ down.
void ShutdownGDIPlus();
bool IsGDIPlusStarted();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"Gfx2D", &Initialization, &Finalization};

}  // namespace Gfx2D
