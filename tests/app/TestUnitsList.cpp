#include "app/ProgramUnits.h"
#include "tests/common/TestUnits.h"

// The demo's tests run with the program's own start-up list.
std::span<const platform::TUnit> TestUnits() { return app::ProgramUnits(); }
