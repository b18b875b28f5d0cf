// Controls of the class library that a form shows: TImage, which shows the bitmap of its
// picture, and TButton, which runs OnClick when pressed. They are components of their form,
// read from its form resource like any other; a window front end (platform/WindowFrontEnd.h)
// turns them into widgets. Without a front end they still work: a program can draw on an
// image's canvas and press a button with Click.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Components.h"
#include "platform/Graphics.h"
#include "platform/Methods.h"

namespace platform {

// A component with a place on its form: Left, Top, Width and Height in pixels of the form's
// client area.
class TControl : public TComponent {
  PF_CLASS(TControl)
  PF_ALLOW_NEW;

 public:
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;

 protected:
  explicit TControl(TComponent* owner) : TComponent(owner) {}
};

// Shows the bitmap of its picture at its top-left corner, clipped to its size; with AutoSize
// its size is the picture's (while the picture is not empty).
class TImage : public TControl {
  PF_CLASS(TImage)
  PF_ALLOW_NEW;

 public:
  bool AutoSize = false;

  TPicture* Picture() const { return FPicture; }
  // The canvas of the picture's bitmap: drawing on it changes what the image shows.
  TCanvas* Canvas() const { return FPicture->Bitmap()->Canvas(); }
  // The size the image takes on its form: the picture's with AutoSize, else Width x Height.
  int32_t ShownWidth() const;
  int32_t ShownHeight() const;

 protected:
  explicit TImage(TComponent* owner);
  void Destroy() override;

 private:
  TPicture* FPicture = nullptr;
};

// A push button with a caption; pressing it runs OnClick.
class TButton : public TControl {
  PF_CLASS(TButton)
  PF_ALLOW_NEW;

 public:
  std::string Caption;
  int16_t TabOrder = -1;
  TNotifyEvent OnClick;

  // What pressing the button does: OnClick, when assigned, with the button as sender.
  virtual void Click();

 protected:
  explicit TButton(TComponent* owner) : TControl(owner) {
    Width = 75;
    Height = 25;
  }
};

// Registers TImage and TButton for form reading (RegisterClass).
void RegisterControlClasses();

}  // namespace platform
