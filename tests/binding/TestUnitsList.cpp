#include "tests/common/TestUnits.h"

// The binding tests start what they need themselves.
std::span<const platform::TUnit> TestUnits() { return {}; }
