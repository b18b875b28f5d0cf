// Media buffers: the time stamp belongs to the shared container.
#include <gtest/gtest.h>

#include "buffers/CXSimpleMediaBuffer.h"
#include "tests/buffers/BuffersTestSupport.h"

namespace {

using namespace buffers;
using bufferstest::BuffersTest;

using MediaBuffer = BuffersTest;

RefPtr<TCXMediaBuffer> NewMediaView() {
  return TCXMediaBuffer::Create(platform::New<TCXSmartMediaBuffer>(), 0);
}

RefPtr<TCXMediaBuffer> CopyOf(TCXMediaBuffer* b) {
  RefPtr<IRBData> copy = b->MakeCopy();
  return RefPtr<TCXMediaBuffer>(dynamic_cast<TCXMediaBuffer*>(copy->GetInstance()));
}

TEST_F(MediaBuffer, AStampSetThroughOneViewIsSeenThroughTheOtherWithoutACopy) {
  RefPtr<TCXMediaBuffer> a = NewMediaView();
  RefPtr<TCXMediaBuffer> b = CopyOf(a.Get());
  ASSERT_TRUE(b);
  TRBSmartBuffer* container = a->DataContainer();
  EXPECT_FALSE(b->GetTimeStamp()->Available());
  EXPECT_EQ(b->GetTimeStamp()->BeginTime(), 0);

  a->GetTimeStamp()->SetAvailable(true);
  a->GetTimeStamp()->SetBeginTime(-5'000'000'000'000LL);
  a->GetTimeStamp()->SetEndTime(0x7FFF'FFFF'0000'0001LL);
  EXPECT_TRUE(b->GetTimeStamp()->Available());
  EXPECT_EQ(b->GetTimeStamp()->BeginTime(), -5'000'000'000'000LL);
  EXPECT_EQ(b->GetTimeStamp()->EndTime(), 0x7FFF'FFFF'0000'0001LL);
  EXPECT_EQ(a->DataContainer(), container);
  EXPECT_EQ(b->DataContainer(), container);
  EXPECT_EQ(a->GetTimeStamp(), a->GetTimeStamp());  // one stamp object per view
  EXPECT_TRUE(platform::Supports<ICXMediaBuffer>(a.Get()));
}

TEST_F(MediaBuffer, TheStampSurvivesACopyOnWriteAndAClone) {
  for (bool preserve : {false, true}) {
    SCOPED_TRACE(preserve);
    RefPtr<TCXMediaBuffer> a = NewMediaView();
    RefPtr<TCXMediaBuffer> b = CopyOf(a.Get());
    a->GetTimeStamp()->SetAvailable(true);
    a->GetTimeStamp()->SetBeginTime(400);
    a->GetTimeStamp()->SetEndTime(800);
    TRBSmartBuffer* container = a->DataContainer();
    EXPECT_TRUE(a->MakeUnique(preserve));
    EXPECT_NE(a->DataContainer(), container);
    EXPECT_TRUE(a->GetTimeStamp()->Available());
    EXPECT_EQ(a->GetTimeStamp()->BeginTime(), 400);
    EXPECT_EQ(a->GetTimeStamp()->EndTime(), 800);

    // From now on the two containers have stamps of their own.
    a->GetTimeStamp()->SetEndTime(900);
    EXPECT_EQ(b->GetTimeStamp()->EndTime(), 800);
  }
  // A container made from another takes its stamp.
  auto* source = platform::New<TCXSmartMediaBuffer>();
  source->SetTimeStampAvailable(true);
  source->SetTimeStampBegin(1);
  source->SetTimeStampEnd(2);
  TCXSmartMediaBuffer* made = TCXSmartMediaBuffer::CreateEx(source, false);
  EXPECT_TRUE(made->GetTimeStampAvailable());
  EXPECT_EQ(made->GetTimeStampEnd(), 2);
  made->Free();
  source->Free();
}

TEST_F(MediaBuffer, AViewOnAContainerWithoutAStampReadsNone) {
  RefPtr<TCXMediaBuffer> view = TCXMediaBuffer::Create(TRBSmartMemoryBuffer::Create(8), 8);
  view->GetTimeStamp()->SetAvailable(true);
  view->GetTimeStamp()->SetBeginTime(5);
  EXPECT_FALSE(view->GetTimeStamp()->Available());
  EXPECT_EQ(view->GetTimeStamp()->BeginTime(), 0);
  EXPECT_NE(view->ByteRead(), nullptr);
}

}  // namespace
