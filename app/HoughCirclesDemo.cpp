// The program's main block: the units start in their order, the main form is created from its
// form resource (which loads "Coins1.bmp" from the working directory), the window runs until it
// is closed, then the form and its components are freed and the units stop in reverse order.
//
// Where no display can be opened, or with --headless, the program takes the same road without
// a window: the form is created, "Process" is pressed once, and the circles drawn are printed,
// one per line as "x y r" (the rounded values drawn with). A picture that cannot be read is
// reported on the standard error stream and the program ends with status 1.
#include <cstdio>
#include <cstring>
#include <exception>

#include "app/ProgramUnits.h"
#include "app/Unit1.h"
#include "platform/Forms.h"
#include "platform/WindowFrontEnd.h"

namespace {

// Reports exceptions that reach the application and remembers that one did.
struct TErrorReport {
  bool Reported = false;
  void Report(platform::TObject* Sender, const std::exception& e) {
    (void)Sender;
    Reported = true;
    std::fprintf(stderr, "%s\n", e.what());
    std::fflush(stderr);
  }
};

int RunDemo(bool headless) {
  using platform::Application;
  TErrorReport errors;
  Application->OnException = platform::TExceptionEvent::Bind<&TErrorReport::Report>(&errors);
  Application->Initialize();
  Application->MainFormOnTaskBar = true;
  Application->CreateForm(app::Form1);
  int status = 0;
  if (errors.Reported) {
    status = 1;  // the picture could not be read
  } else if (headless || !platform::ShowFormAndRun(app::Form1)) {
    app::Form1->Button1->Click();
    for (const app::TDrawnCircle& c : app::Form1->DrawnCircles()) std::printf("%d %d %d\n", c.X, c.Y, c.R);
    std::fflush(stdout);
  }
  Application->OnException = nullptr;
  // The form and its components go while the pin framework, the store and the registries
  // still exist.
  Application->DestroyComponents();
  app::Form1 = nullptr;
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  bool headless = false;
  for (int i = 1; i < argc; ++i) headless |= std::strcmp(argv[i], "--headless") == 0;
  int status = 1;
  try {
    platform::RunUnitInitialization(app::ProgramUnits());
    status = RunDemo(headless);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
  platform::RunUnitFinalization();
  return status;
}
