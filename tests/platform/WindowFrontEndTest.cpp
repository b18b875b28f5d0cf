#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/Controls.h"
#include "platform/Forms.h"
#include "platform/WindowFrontEnd.h"
#include "tests/common/Watchdog.h"
#include "tests/common/XvfbSession.h"

namespace {

using namespace platform;

struct TDrawer {
  TImage* Image = nullptr;
  std::atomic<int> Clicks{0};
  // A red ring in the middle of the picture.
  void Click(TObject*) {
    ++Clicks;
    TCanvas* canvas = Image->Canvas();
    canvas->Brush().Style = bsClear;
    canvas->Pen().Color = clRed;
    canvas->Ellipse(10, 5, 50, 35);
  }
};

// A form made in code: a white 60 x 40 picture at (8, 8) and a button at (80, 10, 60, 25).
TForm* MakeForm(TDrawer& drawer) {
  TForm* form = TForm::CreateNew(nullptr);
  form->Caption = "Front end test";
  form->ClientWidth = 160;
  form->ClientHeight = 60;
  TImage* image = New<TImage>(form);
  image->Left = 8;
  image->Top = 8;
  image->AutoSize = true;
  TBitmap* bitmap = image->Picture()->Bitmap();
  bitmap->SetSize(60, 40);
  for (int y = 0; y < 40; ++y)
    for (int i = 0; i < 60 * 3; ++i) bitmap->ScanLine(y)[i] = 255;
  TButton* button = New<TButton>(form);
  button->Left = 80;
  button->Top = 10;
  button->Width = 60;
  button->Caption = "Draw";
  button->OnClick = TNotifyEvent::Bind<&TDrawer::Click>(&drawer);
  drawer.Image = image;
  return form;
}

TEST(WindowFrontEnd, WithoutADisplayNothingIsShown) {
  const char* saved = std::getenv("DISPLAY");
  const std::string display = saved ? saved : "";
  unsetenv("DISPLAY");
  TDrawer drawer;
  TForm* form = MakeForm(drawer);
  EXPECT_FALSE(WindowDisplayAvailable());
  EXPECT_FALSE(ShowFormAndRun(form));
  EXPECT_EQ(drawer.Clicks, 0);
  form->Free();
  if (saved) setenv("DISPLAY", display.c_str(), 1);
}

// The form as a window on a virtual display: pressing its button (through xdotool) runs the
// click on the main thread, and the window then shows what the click drew; Escape closes it.
TEST(WindowFrontEnd, APressedButtonDrawsIntoTheShownPicture) {
  xvfbtest::TXvfbSession x;
  if (!x.Ok() || !xvfbtest::HaveProgram("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  Watchdog dog(60, "WindowFrontEnd.APressedButtonDrawsIntoTheShownPicture");
  setenv("DISPLAY", x.Name().c_str(), 1);
  ASSERT_TRUE(WindowDisplayAvailable());
  TDrawer drawer;
  TForm* form = MakeForm(drawer);

  int redBefore = -1, redAfter = -1, width = 0, height = 0;
  std::thread user([&] {
    const Window w = x.FindWindow("Front end test");
    if (!w) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // first drawing
    redBefore = xvfbtest::CountRed(x.Capture(w, width, height));
    x.Xdotool({"mousemove", "--window", std::to_string(w), "110", "22", "click", "1"});
    for (int i = 0; i < 100 && redAfter <= 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      redAfter = xvfbtest::CountRed(x.Capture(w, width, height));
    }
    x.Xdotool({"mousemove", "--window", std::to_string(w), "5", "5", "key", "Escape"});
  });
  EXPECT_TRUE(ShowFormAndRun(form));
  user.join();
  EXPECT_EQ(width, 160);
  EXPECT_EQ(height, 60);
  EXPECT_EQ(redBefore, 0);
  EXPECT_EQ(drawer.Clicks, 1);
  EXPECT_GT(redAfter, 60);  // the ring's outline
  form->Free();
}

}  // namespace
