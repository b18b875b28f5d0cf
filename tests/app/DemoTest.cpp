// The demo: its form as the resource declares it, one press of "Process" in this process, the
// built program on its headless road (and its errors), and its window on a virtual display.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/Unit1.h"
#include "binding/PXOpenCV.h"
#include "pins/PNPins.h"
#include "platform/DynLib.h"
#include "platform/Messages.h"
#include "tests/app/DemoRun.h"
#include "tests/common/Watchdog.h"

namespace {

namespace fs = std::filesystem;
using app::TDrawnCircle;
using demotest::ProgramDirectory;
using demotest::RunDemo;
using demotest::TRun;

std::vector<TDrawnCircle> ParseCircles(const std::string& text) {
  std::vector<TDrawnCircle> circles;
  std::istringstream in(text);
  TDrawnCircle c;
  while (in >> c.X >> c.Y >> c.R) circles.push_back(c);
  return circles;
}

// A folder of its own for one test, removed at its end.
struct TTempDir {
  fs::path Path;
  explicit TTempDir(const std::string& name)
      : Path(fs::temp_directory_path() / ("pf_demo_" + name + "_" + std::to_string(::getpid()))) {
    fs::remove_all(Path);
    fs::create_directories(Path);
  }
  ~TTempDir() { fs::remove_all(Path); }
};

// ---------------------------------------------------------------------------------------
// The form in this process

class DemoForm : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pins::AllPinsCount(), 0);
    FSavedDir = fs::current_path();
    fs::current_path(ProgramDirectory());  // the picture is read from the working directory
    Form = platform::New<app::TForm1>(nullptr);
  }
  void TearDown() override {
    platform::FreeAndNil(Form);
    platform::ProcessMessages();
    fs::current_path(FSavedDir);
    EXPECT_EQ(pins::AllPinsCount(), 0) << "pins outlived the form";
  }

  app::TForm1* Form = nullptr;

 private:
  fs::path FSavedDir;
};

// The detector is read after the filter: the filter's link to it waits in a placeholder until
// then and is made once, from both ends.
TEST_F(DemoForm, TheResourceMakesTheWindowAndLinksTheFilterToTheDetector) {
  EXPECT_EQ(Form->Caption, "HoughCircles Demo");
  EXPECT_EQ(Form->ClientWidth, 685);
  EXPECT_EQ(Form->ClientHeight, 566);
  EXPECT_EQ(Form->Image1->Left, 8);
  EXPECT_EQ(Form->Image1->Top, 8);
  EXPECT_EQ(Form->Button1->Left, 600);
  EXPECT_EQ(Form->Button1->Top, 16);
  EXPECT_EQ(Form->Button1->Width, 75);
  EXPECT_EQ(Form->Button1->Height, 25);
  EXPECT_EQ(Form->Button1->Caption, "Process");

  components::TPXHoughCircles* hough = Form->PXHoughCircles1;
  EXPECT_EQ(hough->InputPin()->GetSourcePin(), Form->PXGenericFilter1->OutputPin());
  EXPECT_EQ(Form->PXGenericFilter1->OutputPin()->GetSinkCount(), 1);
  EXPECT_EQ(pins::UnloadedPins->Count(), 0);
  EXPECT_EQ(hough->Threshold()->High(), 100.0);
  EXPECT_EQ(hough->Threshold()->Accumulator(), 40.0);
  EXPECT_EQ(hough->Resolution(), 1.0);
  EXPECT_EQ(hough->MinDistance(), 50.0);
  EXPECT_TRUE(hough->Smooth()->Enabled());
  EXPECT_EQ(hough->Smooth()->MaskSize()->Width(), 11);
  EXPECT_EQ(hough->SynchronizeType(), pins::stNone);
  EXPECT_TRUE(hough->OnCirclesDetect().Assigned());

  EXPECT_GT(Form->Image1->Picture()->Width(), 0);
  EXPECT_EQ(Form->DetectEvents(), 0);
}

// One press: one event, a red cross centre at every circle drawn; a fresh process of the demo
// prints the same circles. A second press finds every coin again (the marks drawn by the first
// take part, so centres may move by a few pixels and radii more).
TEST_F(DemoForm, OnePressDrawsTheCirclesAFreshProcessFinds) {
  binding::SetQuickSortSeed(0);  // equal votes come out in the order a fresh process sees
  Form->Button1->Click();
  EXPECT_EQ(Form->DetectEvents(), 1);
  const std::vector<TDrawnCircle> drawn = Form->DrawnCircles();
  ASSERT_GE(drawn.size(), 10u);
  platform::TBitmap* bitmap = Form->Image1->Picture()->Bitmap();
  const int bytes = bitmap->PixelFormat() == platform::pf32bit ? 4 : 3;
  for (const TDrawnCircle& c : drawn) {
    ASSERT_TRUE(c.X >= 0 && c.X < bitmap->Width() && c.Y >= 0 && c.Y < bitmap->Height());
    const uint8_t* p = bitmap->ScanLine(c.Y) + c.X * bytes;
    EXPECT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 255) << "centre " << c.X << "," << c.Y;
  }

  const TRun fresh = RunDemo(ProgramDirectory(), "--headless");
  EXPECT_EQ(fresh.ExitStatus, 0);
  EXPECT_EQ(ParseCircles(fresh.Output), drawn);

  Form->Button1->Click();
  EXPECT_EQ(Form->DetectEvents(), 2);
  const std::vector<TDrawnCircle> all = Form->DrawnCircles();
  for (const TDrawnCircle& c : drawn) {
    bool again = false;
    for (size_t i = drawn.size(); i < all.size(); ++i)
      again |= std::hypot(all[i].X - c.X, all[i].Y - c.Y) <= 5;
    EXPECT_TRUE(again) << "coin at " << c.X << "," << c.Y;
  }
}

// The drawing handler on a white picture: centres and radii rounded half to even, a cross of
// 9 pixels each way and the circle inside its box [x - r, x + r]; an empty list draws nothing.
TEST_F(DemoForm, TheHandlerDrawsACrossAndTheCircleRoundedHalfToEven) {
  platform::TBitmap* bitmap = Form->Image1->Picture()->Bitmap();
  const int bytes = bitmap->PixelFormat() == platform::pf32bit ? 4 : 3;
  for (int y = 0; y < bitmap->Height(); ++y) std::memset(bitmap->ScanLine(y), 255, size_t(bitmap->Width()) * bytes);
  auto red = [&](int x, int y) {
    const uint8_t* p = bitmap->ScanLine(y) + x * bytes;
    return p[0] == 0 && p[1] == 0 && p[2] == 255;
  };
  auto redCount = [&] {
    int n = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
      for (int x = 0; x < bitmap->Width(); ++x) n += red(x, y);
    return n;
  };

  auto none = components::TPXCircles::Create();
  Form->PXHoughCircles1CirclesDetect(Form->PXHoughCircles1, none.Get());
  EXPECT_EQ(redCount(), 0);
  EXPECT_EQ(Form->DetectEvents(), 1);

  auto one = components::TPXCircles::Create();
  one->Add(platform::New<components::TPXCircle>(100.5f, 50.5f, 20.5f));
  Form->PXHoughCircles1CirclesDetect(Form->PXHoughCircles1, one.Get());
  EXPECT_EQ(Form->DrawnCircles(), (std::vector<TDrawnCircle>{{100, 50, 20}}));
  struct Pixel {
    int x, y;
    bool isRed;
  };
  for (const Pixel& p : {Pixel{100, 50, true}, Pixel{96, 50, true}, Pixel{104, 50, true}, Pixel{95, 50, false},
                         Pixel{105, 50, false}, Pixel{100, 46, true}, Pixel{100, 54, true}, Pixel{100, 55, false},
                         Pixel{80, 50, true}, Pixel{120, 50, true}, Pixel{79, 50, false}, Pixel{121, 50, false},
                         Pixel{100, 30, true}, Pixel{100, 70, true}, Pixel{100, 71, false}})
    EXPECT_EQ(red(p.x, p.y), p.isRed) << p.x << "," << p.y;
}

// ---------------------------------------------------------------------------------------
// The program

// Without a display the program takes the headless road by itself; --headless forces it.
TEST(DemoProgram, RunsHeadlessWithoutADisplay) {
  const TRun forced = RunDemo(ProgramDirectory(), "--headless");
  const TRun plain = RunDemo(ProgramDirectory(), "");
  EXPECT_EQ(forced.ExitStatus, 0);
  EXPECT_EQ(plain.ExitStatus, 0);
  EXPECT_GE(ParseCircles(forced.Output).size(), 10u);
  EXPECT_EQ(plain.Output, forced.Output);
}

// A missing, foreign or cut picture: the error on the error stream, no circles, status 1.
TEST(DemoProgram, ReportsAPictureItCannotRead) {
  std::ifstream in(ProgramDirectory() + "Coins1.bmp", std::ios::binary);
  const std::string picture((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(picture.size(), 1000u);
  struct Case {
    const char* name;
    std::string contents;  // "" for no file
  };
  for (const Case& c : {Case{"missing", ""}, Case{"foreign", "GIF89a not a bitmap"},
                        Case{"cut", picture.substr(0, 600)}}) {
    SCOPED_TRACE(c.name);
    TTempDir dir(c.name);
    if (!c.contents.empty()) std::ofstream(dir.Path / "Coins1.bmp", std::ios::binary) << c.contents;
    const TRun run = RunDemo(dir.Path.string(), "--headless", "", true);
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_FALSE(run.Output.empty());
    EXPECT_TRUE(ParseCircles(run.Output).empty()) << run.Output;
    if (c.contents.empty()) {
      EXPECT_EQ(run.Output, "Cannot open file \"Coins1.bmp\". No such file or directory\n");
    }
  }
}

// A picture name that is not a regular file is refused at once with its reason and status 1:
// a FIFO (whose opening would wait for a writer for ever) and a link to a device.
TEST(DemoProgram, RefusesAPictureThatIsNotARegularFile) {
  Watchdog dog(60, "DemoProgram.RefusesAPictureThatIsNotARegularFile");
  struct Case {
    const char* name;
    std::string reason;
  };
  for (const Case& c : {Case{"fifo", "It is a FIFO, not a regular file"},
                        Case{"device", "It is a character device, not a regular file"}}) {
    SCOPED_TRACE(c.name);
    TTempDir dir(c.name);
    const fs::path picture = dir.Path / "Coins1.bmp";
    if (std::string(c.name) == "fifo")
      ASSERT_EQ(::mkfifo(picture.c_str(), 0600), 0);
    else
      fs::create_symlink("/dev/null", picture);
    // A program that waits in the FIFO's opening is let go after ten seconds by a writer
    // that opens and closes it at once, so that the case fails instead of hanging.
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false, released = false;
    std::thread releaser([&] {
      std::unique_lock<std::mutex> lock(mutex);
      if (done.wait_for(lock, std::chrono::seconds(10), [&] { return finished; })) return;
      const int fd = ::open(picture.c_str(), O_WRONLY | O_NONBLOCK);
      released = fd >= 0;
      if (fd >= 0) ::close(fd);
    });
    const TRun run = RunDemo(dir.Path.string(), "--headless", "", true);
    {
      std::lock_guard<std::mutex> lock(mutex);
      finished = true;
    }
    done.notify_all();
    releaser.join();
    EXPECT_FALSE(released) << "the program waited in the opening of the FIFO";
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(run.Output, "Cannot open file \"Coins1.bmp\". " + c.reason + "\n");
  }
}

}  // namespace
