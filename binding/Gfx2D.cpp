#include "binding/Gfx2D.h"

namespace Gfx2D {
namespace {

GpStatus StandInHook(std::uintptr_t* token) {
  if (token) *token = 1;
  return Ok;
}
void StandInUnhook(std::uintptr_t) {}

GpStatus StandInStartup(std::uintptr_t* token, const GdiplusStartupInput* input,
                        GdiplusStartupOutput* output) {
  if (!token || !input || input->GdiplusVersion != 1) return GenericError;
  *token = 1;
  if (output) {
    output->NotificationHook = &StandInHook;
    output->NotificationUnhook = &StandInUnhook;
  }
  return Ok;
}
void StandInShutdown(std::uintptr_t) {}

int gUnitCount = 0;
bool gStarted = false;
std::uintptr_t gStartupToken = 0;
std::uintptr_t gNotificationToken = 0;
GdiplusStartupInput gInput;
GdiplusStartupOutput gOutput;

}  // namespace

TGdiplusApi StandInGdiplusApi() { return TGdiplusApi{&StandInStartup, &StandInShutdown}; }

TGdiplusApi& GdiplusApi() {
  static TGdiplusApi api = StandInGdiplusApi();
  return api;
}

void StartupGDIPlus() {
  if (gStarted) return;
  gInput = GdiplusStartupInput{};
  gOutput = GdiplusStartupOutput{};
  const TGdiplusApi& api = GdiplusApi();
  if (!api.Startup || api.Startup(&gStartupToken, &gInput, &gOutput) != Ok) return;
  gStarted = true;
  if (gOutput.NotificationHook) gOutput.NotificationHook(&gNotificationToken);
}

void ShutdownGDIPlus() {
  if (!gStarted) return;
  gStarted = false;
  if (gOutput.NotificationUnhook) gOutput.NotificationUnhook(gNotificationToken);
  if (GdiplusApi().Shutdown) GdiplusApi().Shutdown(gStartupToken);
  gOutput = GdiplusStartupOutput{};
}

bool IsGDIPlusStarted() { return gStarted; }

void Initialization() {
  if (gUnitCount++ == 0) StartupGDIPlus();
}

void Finalization() {
  if (gUnitCount > 0 && --gUnitCount == 0) ShutdownGDIPlus();
}

}  // namespace Gfx2D
