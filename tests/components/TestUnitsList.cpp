#include "app/ProgramUnits.h"
#include "tests/common/TestUnits.h"

// The component tests run with the program's units, in its start-up order.
std::span<const platform::TUnit> TestUnits() { return app::ProgramUnits(); }
