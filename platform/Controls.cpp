#include "platform/Controls.h"

#include "platform/Properties.h"

namespace platform {
namespace {

void DescribeTControl(TClassInfo& info) {
  TPublisher<TControl> p(info);
  p.Property("Left", &TControl::Left);
  p.Property("Top", &TControl::Top);
  p.Property("Width", &TControl::Width);
  p.Property("Height", &TControl::Height);
}

void DescribeTImage(TClassInfo& info) {
  TPublisher<TImage> p(info);
  p.Property("AutoSize", &TImage::AutoSize).Default(false);
  p.Property("Picture", &TImage::Picture, nullptr);
}

void DescribeTButton(TClassInfo& info) {
  TPublisher<TButton> p(info);
  p.Property("Caption", &TButton::Caption);
  p.Property("TabOrder", &TButton::TabOrder).Default(-1);
  p.Property("OnClick", &TButton::OnClick);
}

}  // namespace

PF_DEFINE_CLASS_EX(TControl, TComponent, nullptr, DescribeTControl)
PF_DEFINE_COMPONENT(TImage, TControl, DescribeTImage)
PF_DEFINE_COMPONENT(TButton, TControl, DescribeTButton)

void RegisterControlClasses() {
  RegisterClass(&TImage::StaticClass());
  RegisterClass(&TButton::StaticClass());
}

// ---- TImage -------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TControl(owner), FPicture(New<TPicture>()) {
  Width = 105;
  Height = 105;
}

void TImage::Destroy() {
  TControl::Destroy();
  FreeAndNil(FPicture);
}

int32_t TImage::ShownWidth() const {
  return AutoSize && !FPicture->Bitmap()->Empty() ? FPicture->Width() : Width;
}

int32_t TImage::ShownHeight() const {
  return AutoSize && !FPicture->Bitmap()->Empty() ? FPicture->Height() : Height;
}

// ---- TButton ------------------------------------------------------------------------------

void TButton::Click() {
  if (OnClick) OnClick(this);
}

}  // namespace platform
