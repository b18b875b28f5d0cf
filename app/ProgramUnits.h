// The start-up order of the program's units: the main block runs their initializations in
// this order before the main form is created and their finalizations in reverse order after
// the message loop ends. Test programs and benchmarks that need the whole system use the same
// list.
#pragma once

#include <span>

#include "platform/Units.h"

namespace app {

std::span<const platform::TUnit> ProgramUnits();

}  // namespace app
