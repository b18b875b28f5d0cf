// Each test program defines TestUnits(): the units it needs, in start-up order.
#pragma once

#include <span>

#include "platform/Units.h"

std::span<const platform::TUnit> TestUnits();
