// The fixture of the buffer tests: every test starts and must end with no block handed out by
// the store and no container alive. The store's trim timer runs on a virtual clock that only
// Tick moves.
#pragma once

#include <gtest/gtest.h>

#include "buffers/RBInternalStore.h"
#include "platform/Messages.h"
#include "platform/Units.h"

namespace bufferstest {

// Sets the message loop's clock to Clock() before the store's unit starts.
extern const platform::TUnit VirtualClockUnit;
platform::TVirtualClock& Clock();

// Moves the clock by whole trim periods, dispatching the timer after each.
void Tick(int count = 1);

class BuffersTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace bufferstest
