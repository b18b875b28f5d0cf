// The main function of every test program: runs the program's units (in the order the test
// program gives) before the first test and finalizes them after the last.
#include <gtest/gtest.h>

#include "platform/Units.h"
#include "tests/common/TestUnits.h"

namespace {

class UnitEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { platform::RunUnitInitialization(TestUnits()); }
  void TearDown() override { platform::RunUnitFinalization(); }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new UnitEnvironment);
  return RUN_ALL_TESTS();
}
