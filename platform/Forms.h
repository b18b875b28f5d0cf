// Forms, the application object and the list of forms.
//
// A form is a root component created from the form resource of its class: New<TForm1>(owner)
// constructs the form, then (in AfterConstruction) reads the resource registered for TForm1
// (RegisterFormResource, platform/Streaming.h), which creates its components, sets their
// properties and binds its events, and finally runs OnCreate. TForm::CreateNew makes a form
// without a resource. There is no window here: the published position, size, caption,
// colour and font are plain values that a window front end may show.
//
// The application object (Application) owns the forms made by CreateForm, the first of which
// is the main form; Screen lists every form that exists. Both are made by the Forms unit
// (FormsUnit) and freed, with the application's forms, when it is finalized.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/Colors.h"
#include "platform/Components.h"
#include "platform/Methods.h"
#include "platform/Properties.h"
#include "platform/SysUtils.h"
#include "platform/Units.h"

namespace platform {

PF_DECLARE_EXCEPTION(EResNotFound, Exception);

using TFontCharset = uint8_t;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset OEM_CHARSET = 255;

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

class TFont : public TPersistent {
  PF_CLASS(TFont)
  PF_ALLOW_NEW;

 public:
  TFontCharset Charset = DEFAULT_CHARSET;
  TColor Color = clWindowText;
  int32_t Height = -11;
  std::string Name = "MS Sans Serif";
  TFontStyles Style;

  void Assign(TPersistent* source) override;

 protected:
  TFont() = default;
};

class TForm : public TComponent {
  PF_CLASS(TForm)
  PF_ALLOW_NEW;

 public:
  struct TCreateNew {};
  // A form of class TForm without a form resource (the class library's CreateNew).
  static TForm* CreateNew(TComponent* owner);

  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t ClientWidth = 0;
  int32_t ClientHeight = 0;
  std::string Caption;
  TColor Color = clBtnFace;
  bool OldCreateOrder = false;
  bool Visible = false;
  int32_t PixelsPerInch = 96;
  int32_t TextHeight = 13;
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;

  TFont* Font() const { return FFont; }
  void SetFont(TFont* font) { FFont->Assign(font); }

  void AfterConstruction() override;
  void BeforeDestruction() override;
  // A form writes the components it owns that have no other parent.
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;

 protected:
  // Reads the form resource of the class once the form is built; raises EResNotFound
  // "Resource %s not found" for a descendant class that has none.
  explicit TForm(TComponent* owner);
  TForm(TComponent* owner, TCreateNew);
  void Destroy() override;

  // Runs OnCreate; an exception is reported through the application (the form stays).
  virtual void DoCreate();
  virtual void DoDestroy();

 private:
  void Register();
  bool FCreateNew = false;
  TFont* FFont = nullptr;
};

// The forms that exist, in creation order.
class TScreen : public TObject {
  PF_CLASS(TScreen)
  PF_ALLOW_NEW;

 public:
  int FormCount() const { return static_cast<int>(FForms.size()); }
  TForm* Forms(int index) const;  // EListError outside 0 .. FormCount - 1
  void AddForm(TForm* form);
  void RemoveForm(TForm* form);

 protected:
  TScreen() = default;

 private:
  std::vector<TForm*> FForms;
};

using TExceptionEvent = TMethod<void(TObject* sender, const std::exception& e)>;

class TApplication : public TComponent {
  PF_CLASS(TApplication)
  PF_ALLOW_NEW;

 public:
  std::string Title;
  bool MainFormOnTaskBar = false;
  // Reports exceptions that reach the application (through the message loop's exception
  // handler, which the Forms unit points here); unassigned, ShowException reports them.
  TExceptionEvent OnException;

  void Initialize() {}
  TForm* MainForm() const { return FMainForm; }

  // Creates a form owned by the application; the first form made so becomes the main form.
  template <class T>
  void CreateForm(T*& reference) {
    reference = nullptr;
    T* form = New<T>(this);
    reference = form;
    if (!FMainForm) FMainForm = form;
  }
  TForm* CreateForm(TClass formClass);

  // The main thread's message loop (platform/Messages.h) until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const;

  // Reports the exception being handled (call from a catch block) through the message
  // loop's exception handler: EAbort is silent, others go to ReportException.
  void HandleException(TObject* sender);
  // OnException when assigned, ShowException otherwise.
  void ReportException(TObject* sender, const std::exception& e);
  // Writes the message of an exception to the standard error stream.
  void ShowException(const std::exception& e);

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  explicit TApplication(TComponent* owner) : TComponent(owner) {}

 private:
  TForm* FMainForm = nullptr;
};

// Made and freed by FormsUnit.
extern TApplication* Application;
extern TScreen* Screen;

// The forms unit: Screen and Application, which takes the message loop's exceptions.
extern const TUnit FormsUnit;

}  // namespace platform
