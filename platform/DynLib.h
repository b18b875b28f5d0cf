// Dynamic libraries by their Windows names.
//
// A name "stem.dll" is looked up as "libstem.so": first in the folder named by the
// environment variable PF_LIBRARY_PATH (a colon-separated list), then next to the running
// executable, then by the system's own library search. A library that is not found gives a
// null handle, never an exception.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using HMODULE = void*;
using FARPROC = void*;

HMODULE LoadLibrary(const std::string& windowsName);
FARPROC GetProcAddress(HMODULE module, const char* name);
bool FreeLibrary(HMODULE module);

// The shared-object file name searched for a Windows library name ("QZOpenCV2.dll" gives
// "libQZOpenCV2.so"); a name that already ends in ".so" is kept.
std::string SharedObjectName(const std::string& windowsName);

// The folder holding the running executable, with a trailing '/'.
std::string ExecutableDirectory();

}  // namespace platform
