#include "tests/common/TestUnits.h"

// The platform tests start no unit of their own.
std::span<const platform::TUnit> TestUnits() { return {}; }
