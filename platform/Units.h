// Ordered unit initialization and finalization.
//
// Each unit of the system has an initialization and a finalization function. Nothing runs
// in static constructors: the program's main block (and each test program's GoogleTest
// environment) hands one explicit, ordered list of units to RunUnitInitialization, and
// RunUnitFinalization undoes them in reverse order. A unit that appears in several lists,
// or is handed over twice, still runs once.
#pragma once

#include <span>

namespace platform {

struct TUnit {
  const char* Name = nullptr;
  void (*Initialization)() = nullptr;  // may be null
  void (*Finalization)() = nullptr;    // may be null
};

// Runs the initialization of every unit not yet initialized, in list order. A unit whose
// initialization throws is not recorded; the exception propagates to the caller.
void RunUnitInitialization(std::span<const TUnit> units);

// Runs the finalization of every initialized unit in reverse order of initialization and
// forgets them, so that a later RunUnitInitialization starts them again.
void RunUnitFinalization();

// True while the named unit is initialized.
bool IsUnitInitialized(const char* name);

}  // namespace platform
