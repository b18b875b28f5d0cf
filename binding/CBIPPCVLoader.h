// Loader unit of the vision library "ippcv-5.1.dll". The library is loaded and released but
// never searched: the vision names are looked up in the image and colour libraries.
#pragma once

#include "platform/DynLib.h"
#include "platform/Units.h"

namespace CBIPPCVLoader {

platform::HMODULE VisionLibrary();

void Initialization();
void Finalization();
inline constexpr platform::TUnit Unit{"CBIPPCVLoader", &Initialization, &Finalization};

}  // namespace CBIPPCVLoader
