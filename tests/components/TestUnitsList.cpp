#include <cstring>
#include <vector>

#include "app/ProgramUnits.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/common/TestUnits.h"

// The component tests run with the program's units in its start-up order, the buffer tests'
// virtual clock put in place before the store, so that the store's trim timer runs on it.
std::span<const platform::TUnit> TestUnits() {
  static const std::vector<platform::TUnit> units = [] {
    std::vector<platform::TUnit> list;
    for (const platform::TUnit& unit : app::ProgramUnits()) {
      if (std::strcmp(unit.Name, "RBInternalStore") == 0) list.push_back(bufferstest::VirtualClockUnit);
      list.push_back(unit);
    }
    return list;
  }();
  return units;
}
