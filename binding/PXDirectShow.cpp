#include "binding/PXDirectShow.h"

#include <vector>

#include "binding/PXDirectXLibrary.h"

namespace PXDirectShow {

platform::HMODULE LibraryHandles[kLibraryCount] = {};

namespace {

int gUnitCount = 0;

platform::FARPROC gGroup0[10] = {};
platform::FARPROC gGroup1[3] = {};
platform::FARPROC gGroup2[11] = {};
platform::FARPROC gGroup3[4] = {};
platform::FARPROC gGroup4[6] = {};

const std::span<platform::FARPROC> kGroups[kLibraryCount] = {gGroup0, gGroup1, gGroup2, gGroup3, gGroup4};

bool ValidLibrary(int library) { return library >= 0 && library < kLibraryCount; }

// Frees the library's handle and clears its handle and variables, through the loading rule the
// other multimedia units share (this unit never loads, so no file or entry names are needed).
bool Unload(int library) {
  std::vector<binding::TDirectXEntry> entries;
  for (platform::FARPROC& variable : kGroups[library]) entries.push_back({nullptr, &variable});
  const binding::TDirectXLibrary description{nullptr, &LibraryHandles[library], entries, nullptr, &gUnitCount};
  return binding::UnloadDirectXLibrary(description);
}

}  // namespace

std::span<platform::FARPROC> EntryPoints(int library) {
  return ValidLibrary(library) ? kGroups[library] : std::span<platform::FARPROC>();
}

bool IsLibraryLoaded(int library) { return ValidLibrary(library) && LibraryHandles[library] != nullptr; }

bool UnloadLibrary(int library) { return !ValidLibrary(library) || Unload(library); }

void Initialization() {
  if (gUnitCount++ != 0) return;
  for (platform::FARPROC& variable : kGroups[0]) variable = nullptr;
}

void Finalization() {
  if (gUnitCount <= 0 || --gUnitCount != 0) return;
  for (int library = 0; library < kLibraryCount; ++library) Unload(library);
}

}  // namespace PXDirectShow
