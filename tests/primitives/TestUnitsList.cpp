#include "tests/common/TestUnits.h"

// The built-in primitives need no unit: they are plain functions.
std::span<const platform::TUnit> TestUnits() { return {}; }
