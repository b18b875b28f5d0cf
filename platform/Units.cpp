#include "platform/Units.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace platform {
namespace {

std::mutex& UnitMutex() {
  static std::mutex m;
  return m;
}

std::vector<TUnit>& InitializedUnits() {
  static std::vector<TUnit> units;
  return units;
}

bool Contains(const std::vector<TUnit>& units, const char* name) {
  for (const TUnit& u : units)
    if (std::strcmp(u.Name, name) == 0) return true;
  return false;
}

}  // namespace

void RunUnitInitialization(std::span<const TUnit> units) {
  std::lock_guard<std::mutex> guard(UnitMutex());
  for (const TUnit& unit : units) {
    if (Contains(InitializedUnits(), unit.Name)) continue;
    if (unit.Initialization) unit.Initialization();
    InitializedUnits().push_back(unit);
  }
}

void RunUnitFinalization() {
  std::lock_guard<std::mutex> guard(UnitMutex());
  auto& units = InitializedUnits();
  while (!units.empty()) {
    TUnit unit = units.back();
    units.pop_back();
    if (unit.Finalization) unit.Finalization();
  }
}

bool IsUnitInitialized(const char* name) {
  std::lock_guard<std::mutex> guard(UnitMutex());
  return Contains(InitializedUnits(), name);
}

}  // namespace platform
