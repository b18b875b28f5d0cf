// The demo window: the picture "Coins1.bmp" and a button "Process" that sends the picture
// through a generic image filter into the Hough-circles component, whose event draws every
// circle found over the picture (a red cross at its centre and its outline).
//
// The form, its components and the pin link between the filter and the detector come from the
// form resource compiled into the program (Unit1.dfm). Everything runs on the main thread,
// inside the button's click handler.
#pragma once

#include <cstdint>
#include <vector>

#include "components/PXGenericFilter.h"
#include "components/PXHoughCircles.h"
#include "platform/Controls.h"
#include "platform/Forms.h"

namespace app {

// A circle as drawn: the centre and radius rounded half to even.
struct TDrawnCircle {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t R = 0;
  friend bool operator==(const TDrawnCircle&, const TDrawnCircle&) = default;
};

class TForm1 : public platform::TForm {
  PF_CLASS(TForm1)
  PF_ALLOW_NEW;

 public:
  platform::TImage* Image1 = nullptr;
  platform::TButton* Button1 = nullptr;
  components::TPXGenericFilter* PXGenericFilter1 = nullptr;
  components::TPXHoughCircles* PXHoughCircles1 = nullptr;

  // Loads the picture (EFOpenError or EInvalidGraphic when it is missing or unreadable).
  void FormCreate(platform::TObject* Sender);
  // Start, the picture as an RGB image, stop: through the generic filter into the detector.
  void Button1Click(platform::TObject* Sender);
  // Draws a red cross (9 pixels each way) at each centre and the circle's outline.
  void PXHoughCircles1CirclesDetect(platform::TObject* Sender, components::TPXCircles* Circles);

  // Every circle drawn so far, in drawing order, and the number of detection events.
  const std::vector<TDrawnCircle>& DrawnCircles() const { return FDrawn; }
  int32_t DetectEvents() const { return FDetectEvents; }

 protected:
  explicit TForm1(platform::TComponent* AOwner);

 private:
  void LoadPicture();

  std::vector<TDrawnCircle> FDrawn;
  int32_t FDetectEvents = 0;
};

// The picture's file, read from the working directory.
inline constexpr const char* kPictureFile = "Coins1.bmp";

extern TForm1* Form1;

}  // namespace app
