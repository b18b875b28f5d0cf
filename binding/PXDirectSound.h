// Loader unit of DirectSound, for components that play or capture sound ("dsound.dll"): its entry points are bound into variables at
// start-up when the library is present, and released at shutdown. Nothing in the system calls
// them; on Linux the library is normally absent and every variable stays null.
#pragma once

#include "platform/DynLib.h"
#include "platform/Units.h"

namespace PXDirectSound {

// Entry points, in binding order (null when not bound).
extern platform::FARPROC DirectSoundCreate;
extern platform::FARPROC DirectSoundEnumerateW;
extern platform::FARPROC DirectSoundEnumerateA;
extern platform::FARPROC DirectSoundEnumerate;
extern platform::FARPROC DirectSoundCaptureCreate;
extern platform::FARPROC DirectSoundCaptureEnumerateW;
extern platform::FARPROC DirectSoundCaptureEnumerateA;
extern platform::FARPROC DirectSoundCaptureEnumerate;
extern platform::FARPROC DirectSoundCreate8;
extern platform::FARPROC DirectSoundCaptureCreate8;
extern platform::FARPROC DirectSoundFullDuplexCreate;
extern platform::FARPROC DirectSoundFullDuplexCreate8;
extern platform::FARPROC GetDeviceID;

bool IsDirectSoundLoaded();
// True at once when loaded; otherwise loads the file, binds every variable and keeps the
// library only when DirectSoundCreate is there.
bool LoadDirectSound();
// True when nothing is loaded; otherwise frees the library, clears every variable and
// returns whether the library was freed.
bool UnloadDirectSound();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"PXDirectSound", &Initialization, &Finalization};

}  // namespace PXDirectSound
