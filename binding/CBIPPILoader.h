// Loader unit of the image library "ippi-5.1.dll" and the colour library "ippcc-5.1.dll".
#pragma once

#include "platform/DynLib.h"
#include "platform/Units.h"

namespace CBIPPILoader {

// The entry point of that name in the image library when it is loaded and exports it;
// otherwise the colour library's entry point of that name; null when neither yields it.
platform::FARPROC GetIPPIProc(const char* name);

// The lookup rule itself, on given handles.
platform::FARPROC LookupImageThenColour(platform::HMODULE image, platform::HMODULE colour,
                                        const char* name);

platform::HMODULE ImageLibrary();
platform::HMODULE ColourLibrary();

// Start-up loads the image library, then the colour library; shutdown frees the colour
// library, then the image library.
void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"CBIPPILoader", &Initialization, &Finalization};

}  // namespace CBIPPILoader
