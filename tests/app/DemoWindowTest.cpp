// The demo's window on a virtual display of its own (skipped where Xvfb or xdotool is
// missing).
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/app/DemoRun.h"
#include "tests/common/Watchdog.h"
#include "tests/common/XvfbSession.h"

namespace {

using demotest::ProgramDirectory;
using demotest::RunDemo;
using demotest::TRun;

// The window on a virtual display: "Process" pressed through xdotool draws red circles into
// the picture the window shows; Escape closes it and the program ends with status 0.
TEST(DemoWindow, PressingProcessShowsRedCircles) {
  xvfbtest::TXvfbSession x;
  if (!x.Ok() || !xvfbtest::HaveProgram("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  Watchdog dog(90, "DemoWindow.PressingProcessShowsRedCircles");
  TRun run;
  std::thread program([&] { run = RunDemo(ProgramDirectory(), "", x.Name()); });

  int redBefore = -1, redAfter = -1, width = 0, height = 0;
  const Window w = x.FindWindow("HoughCircles Demo");
  if (w) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // first drawing
    redBefore = xvfbtest::CountRed(x.Capture(w, width, height));
    x.Xdotool({"mousemove", "--window", std::to_string(w), "637", "28", "click", "1"});
    for (int i = 0; i < 100 && redAfter < redBefore + 500; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      redAfter = xvfbtest::CountRed(x.Capture(w, width, height));
    }
    x.Xdotool({"mousemove", "--window", std::to_string(w), "300", "300", "key", "Escape"});
  }
  program.join();
  ASSERT_NE(w, 0u) << "no window";
  EXPECT_EQ(width, 685);
  EXPECT_EQ(height, 566);
  EXPECT_GE(redAfter, redBefore + 500);  // the outlines of the coins
  EXPECT_EQ(run.ExitStatus, 0);
  EXPECT_EQ(run.Output, "");  // the window road prints nothing
}

}  // namespace
