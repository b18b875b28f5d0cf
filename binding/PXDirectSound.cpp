#include "binding/PXDirectSound.h"

#include "binding/PXDirectXLibrary.h"

namespace PXDirectSound {

platform::FARPROC DirectSoundCreate = nullptr;
platform::FARPROC DirectSoundEnumerateW = nullptr;
platform::FARPROC DirectSoundEnumerateA = nullptr;
platform::FARPROC DirectSoundEnumerate = nullptr;
platform::FARPROC DirectSoundCaptureCreate = nullptr;
platform::FARPROC DirectSoundCaptureEnumerateW = nullptr;
platform::FARPROC DirectSoundCaptureEnumerateA = nullptr;
platform::FARPROC DirectSoundCaptureEnumerate = nullptr;
platform::FARPROC DirectSoundCreate8 = nullptr;
platform::FARPROC DirectSoundCaptureCreate8 = nullptr;
platform::FARPROC DirectSoundFullDuplexCreate = nullptr;
platform::FARPROC DirectSoundFullDuplexCreate8 = nullptr;
platform::FARPROC GetDeviceID = nullptr;

namespace {

int gUnitCount = 0;
platform::HMODULE gHandle = nullptr;

const binding::TDirectXEntry kEntries[] = {
    {"DirectSoundCreate", &DirectSoundCreate},
    {"DirectSoundEnumerateW", &DirectSoundEnumerateW},
    {"DirectSoundEnumerateA", &DirectSoundEnumerateA},
    {"DirectSoundEnumerateW", &DirectSoundEnumerate},
    {"DirectSoundCaptureCreate", &DirectSoundCaptureCreate},
    {"DirectSoundCaptureEnumerateW", &DirectSoundCaptureEnumerateW},
    {"DirectSoundCaptureEnumerateA", &DirectSoundCaptureEnumerateA},
    {"DirectSoundCaptureEnumerateW", &DirectSoundCaptureEnumerate},
    {"DirectSoundCreate8", &DirectSoundCreate8},
    {"DirectSoundCaptureCreate8", &DirectSoundCaptureCreate8},
    {"DirectSoundFullDuplexCreate", &DirectSoundFullDuplexCreate},
    {"DirectSoundFullDuplexCreate", &DirectSoundFullDuplexCreate8},
    {"GetDeviceID", &GetDeviceID},
};

const binding::TDirectXLibrary kLibrary{"dsound.dll", &gHandle, kEntries, &DirectSoundCreate,
                                        &gUnitCount};

}  // namespace

bool IsDirectSoundLoaded() { return gHandle != nullptr; }
bool LoadDirectSound() { return binding::LoadDirectXLibrary(kLibrary); }
bool UnloadDirectSound() { return binding::UnloadDirectXLibrary(kLibrary); }

void Initialization() { binding::InitializeDirectXUnit(kLibrary); }
void Finalization() { binding::FinalizeDirectXUnit(kLibrary); }

}  // namespace PXDirectSound
