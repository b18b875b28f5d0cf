#include "app/Unit1.h"

#include "buffers/PXSimpleImageBuffer.h"
#include "platform/Properties.h"
#include "platform/Streaming.h"
#include "primitives/support/FloatToInt.h"

namespace app {

// The form resource, compiled from Unit1.dfm.
extern const char kUnit1Form[];

TForm1* Form1 = nullptr;

namespace {

void DescribeTForm1(platform::TClassInfo& info) {
  platform::TPublisher<TForm1> p(info);
  p.Field("Image1", &TForm1::Image1);
  p.Field("Button1", &TForm1::Button1);
  p.Field("PXGenericFilter1", &TForm1::PXGenericFilter1);
  p.Field("PXHoughCircles1", &TForm1::PXHoughCircles1);
  p.Method<&TForm1::FormCreate>("FormCreate");
  p.Method<&TForm1::Button1Click>("Button1Click");
  p.Method<&TForm1::PXHoughCircles1CirclesDetect>("PXHoughCircles1CirclesDetect");
}

}  // namespace

PF_DEFINE_COMPONENT(TForm1, platform::TForm, DescribeTForm1)

// The form's resource and the classes of its components are known before the resource is
// read (the class library finds them through the form class).
TForm1::TForm1(platform::TComponent* AOwner) : TForm(AOwner) {
  platform::RegisterControlClasses();
  platform::RegisterClass(&components::TPXGenericFilter::StaticClass());
  platform::RegisterClass(&components::TPXHoughCircles::StaticClass());
  platform::RegisterFormResource("TForm1", kUnit1Form);
}

void TForm1::FormCreate(platform::TObject* Sender) {
  (void)Sender;
  LoadPicture();
}

void TForm1::LoadPicture() { Image1->Picture()->LoadFromFile(kPictureFile); }

void TForm1::Button1Click(platform::TObject* Sender) {
  (void)Sender;
  platform::TPicture* picture = Image1->Picture();
  PXGenericFilter1->SendStartCommand(picture->Width(), picture->Height(), 0);
  auto image = buffers::TPXImageBuffer::CreateSize(picture->Width(), picture->Height(), buffers::vfRGB24);
  image->LoadFromBitmap(picture->Bitmap());
  PXGenericFilter1->SendData(image.Get());
  PXGenericFilter1->SendStopCommand();
}

void TForm1::PXHoughCircles1CirclesDetect(platform::TObject* Sender, components::TPXCircles* Circles) {
  (void)Sender;
  ++FDetectEvents;
  platform::TCanvas* canvas = Image1->Canvas();
  canvas->Brush().Style = platform::bsClear;
  canvas->Pen().Color = platform::clRed;
  for (int32_t i = 0; i < Circles->GetCount(); ++i) {
    components::TPXCircle* c = Circles->GetCircle(i);
    const int32_t x = builtin::fbRoundToInt32(double{c->Center().X});
    const int32_t y = builtin::fbRoundToInt32(double{c->Center().Y});
    const int32_t r = builtin::fbRoundToInt32(double{c->Radius()});
    canvas->MoveTo(x - 4, y);
    canvas->LineTo(x + 5, y);
    canvas->MoveTo(x, y - 4);
    canvas->LineTo(x, y + 5);
    canvas->Ellipse(x - r, y - r, x + r + 1, y + r + 1);
    FDrawn.push_back({x, y, r});
  }
}

}  // namespace app
