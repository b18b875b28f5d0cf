#include "platform/Forms.h"

#include <algorithm>
#include <cstdio>

#include "platform/Messages.h"
#include "platform/Streaming.h"

namespace platform {

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

// The colour and character-set names a form resource may use.
constexpr TIdentMapEntry kColors[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clNavy, "clNavy"},
    {clGray, "clGray"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clWhite, "clWhite"},
    {clNone, "clNone"},
    {clWindow, "clWindow"},
    {clWindowText, "clWindowText"},
    {clBtnFace, "clBtnFace"},
    {clBtnText, "clBtnText"},
};

constexpr TIdentMapEntry kCharsets[] = {
    {ANSI_CHARSET, "ANSI_CHARSET"},
    {DEFAULT_CHARSET, "DEFAULT_CHARSET"},
    {SYMBOL_CHARSET, "SYMBOL_CHARSET"},
    {OEM_CHARSET, "OEM_CHARSET"},
};

void DescribeTFont(TClassInfo& info) {
  TPublisher<TFont> p(info);
  p.Property("Charset", &TFont::Charset).IdentMap(kCharsets).TypeName("TFontCharset");
  p.Property("Color", &TFont::Color).IdentMap(kColors).TypeName("TColor");
  p.Property("Height", &TFont::Height);
  p.Property("Name", &TFont::Name);
  p.Set("Style", "TFontStyles", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"},
        &TFont::Style);
}

void DescribeTForm(TClassInfo& info) {
  TPublisher<TForm> p(info);
  p.Property("Left", &TForm::Left);
  p.Property("Top", &TForm::Top);
  p.Property("Width", &TForm::Width).Stored(false);
  p.Property("Height", &TForm::Height).Stored(false);
  p.Property("Caption", &TForm::Caption);
  p.Property("ClientHeight", &TForm::ClientHeight);
  p.Property("ClientWidth", &TForm::ClientWidth);
  p.Property("Color", &TForm::Color).IdentMap(kColors).TypeName("TColor");
  p.Property("Font", &TForm::Font, &TForm::SetFont);
  p.Property("OldCreateOrder", &TForm::OldCreateOrder);
  p.Property("Visible", &TForm::Visible).Default(false);
  p.Property("OnCreate", &TForm::OnCreate);
  p.Property("OnDestroy", &TForm::OnDestroy);
  p.Property("PixelsPerInch", &TForm::PixelsPerInch);
  p.Property("TextHeight", &TForm::TextHeight);
}

void DescribeTApplication(TClassInfo& info) {
  TPublisher<TApplication> p(info);
  p.Property("Title", &TApplication::Title);
}

void FormsInitialization() {
  Screen = New<TScreen>();
  Application = New<TApplication>(nullptr);
  MessageLoop().SetExceptionHook([](TObject* sender, const std::exception& e) {
    if (Application)
      Application->ReportException(sender, e);
    else
      std::fprintf(stderr, "%s\n", e.what());
  });
}

void FormsFinalization() {
  MessageLoop().SetExceptionHook(nullptr);
  FreeAndNil(Application);
  FreeAndNil(Screen);
}

}  // namespace

const TUnit FormsUnit = {"Forms", &FormsInitialization, &FormsFinalization};

PF_DEFINE_CLASS_EX(TFont, TPersistent, nullptr, DescribeTFont)
PF_DEFINE_COMPONENT(TForm, TComponent, DescribeTForm)
PF_DEFINE_CLASS(TScreen, TObject)
PF_DEFINE_CLASS_EX(TApplication, TComponent, nullptr, DescribeTApplication)

// ---- TFont
// ---------------------------------------------------------------------------------------

void TFont::Assign(TPersistent* source) {
  if (auto* font = dynamic_cast<TFont*>(source)) {
    Charset = font->Charset;
    Color = font->Color;
    Height = font->Height;
    Name = font->Name;
    Style = font->Style;
    return;
  }
  TPersistent::Assign(source);
}

// ---- TForm
// ---------------------------------------------------------------------------------------

TForm* TForm::CreateNew(TComponent* owner) { return New<TForm>(owner, TCreateNew{}); }

TForm::TForm(TComponent* owner) : TComponent(owner) { Register(); }

TForm::TForm(TComponent* owner, TCreateNew) : TComponent(owner), FCreateNew(true) { Register(); }

void TForm::Register() {
  FFont = New<TFont>();
  AddGlobalRoot(this);
  if (Screen) Screen->AddForm(this);
}

void TForm::AfterConstruction() {
  TComponent::AfterConstruction();
  if (!FCreateNew && !InitInheritedComponent(this, &TForm::StaticClass()) &&
      &ClassType() != &TForm::StaticClass())
    throw EResNotFound(Format("Resource %s not found", ClassName()));
  DoCreate();
}

void TForm::BeforeDestruction() {
  TComponent::BeforeDestruction();
  DoDestroy();
}

void TForm::Destroy() {
  RemoveGlobalRoot(this);
  if (Screen) Screen->RemoveForm(this);
  TComponent::Destroy();
  FreeAndNil(FFont);
}

void TForm::DoCreate() {
  if (!OnCreate) return;
  try {
    OnCreate(this);
  } catch (const std::exception&) {
    if (!Application) throw;
    Application->HandleException(this);
  }
}

void TForm::DoDestroy() {
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (const std::exception&) {
    // Teardown goes on; the application reports what went wrong.
    if (Application) Application->HandleException(this);
  }
}

void TForm::GetChildren(const TGetChildProc& proc, TComponent* root) {
  (void)root;
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent* c = Components(i);
    if (!c->HasParent() || c->GetParentComponent() == this) proc(c);
  }
}

// ---- TScreen
// -------------------------------------------------------------------------------------

TForm* TScreen::Forms(int index) const {
  if (index < 0 || index >= FormCount())
    throw EListError(Format("List index out of bounds (%d)", index));
  return FForms[static_cast<size_t>(index)];
}

void TScreen::AddForm(TForm* form) {
  if (std::find(FForms.begin(), FForms.end(), form) == FForms.end()) FForms.push_back(form);
}

void TScreen::RemoveForm(TForm* form) {
  auto it = std::find(FForms.begin(), FForms.end(), form);
  if (it != FForms.end()) FForms.erase(it);
}

// ---- TApplication
// --------------------------------------------------------------------------------

TForm* TApplication::CreateForm(TClass formClass) {
  if (!formClass || !formClass->InheritsFrom(&TForm::StaticClass()))
    throw EComponentError(
        Format("%s is not a form class", formClass ? formClass->ClassName() : "nil"));
  auto* form = static_cast<TForm*>(CreateComponent(formClass, this));
  if (!FMainForm) FMainForm = form;
  return form;
}

void TApplication::Run() { MessageLoop().Run(); }
void TApplication::Terminate() { MessageLoop().Terminate(); }
bool TApplication::Terminated() const { return MessageLoop().Terminated(); }

void TApplication::HandleException(TObject* sender) {
  if (std::current_exception()) MessageLoop().HandleException(sender);
}

void TApplication::ReportException(TObject* sender, const std::exception& e) {
  if (OnException)
    OnException(sender, e);
  else
    ShowException(e);
}

void TApplication::ShowException(const std::exception& e) {
  std::fprintf(stderr, "%s\n", e.what());
  std::fflush(stderr);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FMainForm) FMainForm = nullptr;
}

}  // namespace platform
