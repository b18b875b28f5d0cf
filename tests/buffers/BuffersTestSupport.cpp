#include "tests/buffers/BuffersTestSupport.h"

namespace bufferstest {

platform::TVirtualClock& Clock() {
  static platform::TVirtualClock clock;
  return clock;
}

static void VirtualClockInitialization() { platform::MessageLoop().SetClock(&Clock()); }
static void VirtualClockFinalization() { platform::MessageLoop().SetClock(nullptr); }

const platform::TUnit VirtualClockUnit{"BuffersTestVirtualClock", VirtualClockInitialization,
                                       VirtualClockFinalization};

void Tick(int count) {
  for (int i = 0; i < count; ++i) {
    Clock().Advance(200);
    platform::ProcessMessages();
  }
}

void BuffersTest::SetUp() {
  ASSERT_EQ(buffers::OutstandingSmartBlocks(), 0) << "a block was left by an earlier test";
  ASSERT_EQ(buffers::TRBSmartBuffer::LiveCount(), 0) << "a container was left by an earlier test";
}

void BuffersTest::TearDown() {
  EXPECT_EQ(buffers::OutstandingSmartBlocks(), 0) << "blocks handed out and never returned";
  EXPECT_EQ(buffers::TRBSmartBuffer::LiveCount(), 0) << "containers that were never freed";
}

}  // namespace bufferstest
