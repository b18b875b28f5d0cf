#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Controls.h"

namespace {

using namespace platform;

// Pressing a button runs its OnClick with the button as sender; without a handler nothing
// happens.
TEST(Controls, AButtonRunsItsClickHandler) {
  struct TCounter {
    std::vector<TObject*> Senders;
    void Clicked(TObject* sender) { Senders.push_back(sender); }
  } counter;
  auto* button = New<TButton>(nullptr);
  EXPECT_EQ(button->Width, 75);
  EXPECT_EQ(button->TabOrder, -1);
  button->Click();
  button->OnClick = TNotifyEvent::Bind<&TCounter::Clicked>(&counter);
  button->Click();
  button->Click();
  EXPECT_EQ(counter.Senders, (std::vector<TObject*>{button, button}));
  button->Free();
}

// With AutoSize the image takes its picture's size once it has one; drawing on its canvas
// draws into the picture's bitmap.
TEST(Controls, AnImageShowsItsPicturesSizeAndDrawsIntoItsBitmap) {
  auto* image = New<TImage>(nullptr);
  image->Width = 580;
  image->AutoSize = true;
  EXPECT_EQ(image->ShownWidth(), 580);  // no picture yet
  image->Picture()->Bitmap()->SetSize(40, 30);
  EXPECT_EQ(image->ShownWidth(), 40);
  EXPECT_EQ(image->ShownHeight(), 30);
  image->AutoSize = false;
  EXPECT_EQ(image->ShownWidth(), 580);

  image->Canvas()->Pen().Color = clRed;
  image->Canvas()->MoveTo(0, 5);
  image->Canvas()->LineTo(10, 5);
  const uint8_t* row = image->Picture()->Bitmap()->ScanLine(5);
  EXPECT_EQ(row[3 * 9 + 2], 255);  // red of the last pixel drawn
  EXPECT_EQ(row[3 * 10 + 2], 0);   // the end point is not drawn
  image->Free();
}

}  // namespace
