#include "binding/PXDirect3D9.h"

#include "binding/PXDirectXLibrary.h"

namespace PXDirect3D9 {

platform::FARPROC Direct3DCreate9 = nullptr;

namespace {

int gUnitCount = 0;
platform::HMODULE gHandle = nullptr;

const binding::TDirectXEntry kEntries[] = {
    {"Direct3DCreate9", &Direct3DCreate9},
};

const binding::TDirectXLibrary kLibrary{"d3d9.dll", &gHandle, kEntries, &Direct3DCreate9,
                                        &gUnitCount};

}  // namespace

bool IsDirect3D9Loaded() { return gHandle != nullptr; }
bool LoadDirect3D9() { return binding::LoadDirectXLibrary(kLibrary); }
bool UnloadDirect3D9() { return binding::UnloadDirectXLibrary(kLibrary); }

void Initialization() { binding::InitializeDirectXUnit(kLibrary); }
void Finalization() { binding::FinalizeDirectXUnit(kLibrary); }

}  // namespace PXDirect3D9
