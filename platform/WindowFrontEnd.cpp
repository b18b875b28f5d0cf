#include "platform/WindowFrontEnd.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Messages.h"

namespace platform {
namespace {

// Draws the picture of a TImage: its bitmap's blue-green-red rows, top row first, clipped to
// the widget.
class TImageWidget : public Fl_Widget {
 public:
  explicit TImageWidget(TImage* image)
      : Fl_Widget(image->Left, image->Top, image->ShownWidth(), image->ShownHeight()), FImage(image) {}

  // Takes the image's place and size again (a picture loaded or changed meanwhile).
  void Follow() { resize(FImage->Left, FImage->Top, FImage->ShownWidth(), FImage->ShownHeight()); }

  void draw() override {
    fl_push_clip(x(), y(), w(), h());
    fl_color(FL_BACKGROUND_COLOR);
    fl_rectf(x(), y(), w(), h());
    const TBitmap* bitmap = FImage->Picture()->Bitmap();
    const int width = std::min(w(), int(bitmap->Width()));
    const int height = std::min(h(), int(bitmap->Height()));
    if (width > 0 && height > 0) fl_draw_image(&TImageWidget::Line, this, x(), y(), width, height, 3);
    fl_pop_clip();
  }

 private:
  // One row of pixels in red-green-blue order, from column x0 on.
  static void Line(void* data, int x0, int y, int count, uchar* out) {
    const TBitmap* bitmap = static_cast<TImageWidget*>(data)->FImage->Picture()->Bitmap();
    const uint8_t* row = bitmap->ScanLine(y);
    const int bytes = bitmap->PixelFormat() == pf32bit ? 4 : 3;
    for (int i = 0; i < count; ++i) {
      const uint8_t* p = row + size_t(x0 + i) * bytes;
      out[3 * i] = p[2];
      out[3 * i + 1] = p[1];
      out[3 * i + 2] = p[0];
    }
  }

  TImage* FImage;
};

class TFormWindow : public Fl_Double_Window {
 public:
  explicit TFormWindow(TForm* form)
      : Fl_Double_Window(form->Left, form->Top, std::max(1, form->ClientWidth), std::max(1, form->ClientHeight)),
        FCaption(form->Caption) {
    label(FCaption.c_str());
    for (int i = 0; i < form->ComponentCount(); ++i) {
      TComponent* c = form->Components(i);
      if (auto* image = dynamic_cast<TImage*>(c)) {
        FImages.push_back(new TImageWidget(image));
      } else if (auto* button = dynamic_cast<TButton*>(c)) {
        FButtonCaptions.push_back(std::make_unique<std::string>(button->Caption));
        auto* widget = new Fl_Button(button->Left, button->Top, button->Width, button->Height,
                                     FButtonCaptions.back()->c_str());
        widget->callback(&TFormWindow::Pressed, button);
      }
    }
    end();
  }

 private:
  static void Pressed(Fl_Widget* widget, void* data) {
    try {
      static_cast<TButton*>(data)->Click();
    } catch (const std::exception&) {
      if (Application)
        Application->HandleException(static_cast<TButton*>(data));
      else
        MessageLoop().HandleException(static_cast<TButton*>(data));
    }
    auto* window = static_cast<TFormWindow*>(widget->window());
    for (TImageWidget* image : window->FImages) image->Follow();
    window->redraw();
  }

  std::string FCaption;
  std::vector<std::unique_ptr<std::string>> FButtonCaptions;
  std::vector<TImageWidget*> FImages;  // children of the window, which frees them
};

bool OpenDisplay() {
  if (fl_display) return true;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  fl_open_display(display);  // FLTK takes the connection over
  return true;
}

}  // namespace

bool WindowDisplayAvailable() {
  if (fl_display) return true;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

bool ShowFormAndRun(TForm* form) {
  if (!OpenDisplay()) return false;
  Fl::visual(FL_RGB);
  auto window = std::make_unique<TFormWindow>(form);
  window->show();
  while (window->shown() && !MessageLoop().Terminated()) {
    Fl::wait(0.01);
    MessageLoop().ProcessMessages();
  }
  window->hide();
  window.reset();
  Fl::flush();
  return true;
}

}  // namespace platform

// Under the leak checker: the font library that the window toolkit starts keeps its caches
// for the life of the process and never frees them; those blocks are not ours to release.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
