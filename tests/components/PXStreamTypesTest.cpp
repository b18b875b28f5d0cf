#include <gtest/gtest.h>

#include <vector>

#include "buffers/PXStreamTypes.h"
#include "buffers/RBSimpleDataBufferBlock.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/components/ComponentsTestSupport.h"

namespace {

using namespace componentstest;
using platform::New;

struct PXStreamTypesTest : bufferstest::BuffersTest {
  TOwner Up, Down;
};

TEST(StartFrameOperation, TheFrameDelayGivesTheRateAndZeroBecomesOne) {
  struct TCase {
    int32_t Delay;
    int64_t Stored;
    double Rate;
  };
  const TCase cases[] = {{0, 1, 10000000.0}, {1, 1, 10000000.0}, {400000, 400000, 25.0},
                         {333333, 333333, 10000000.0 / 333333.0}};
  for (const TCase& c : cases) {
    RefPtr<IPNNotifyOperation> op =
        TPNStartFrameOperation::Make(640, 480, c.Delay, vfRGBA32, 7, 4, 3);
    auto* frame = pins::OperationAs<TPNStartFrameOperation>(op.Get());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->FrameDelay, c.Stored) << c.Delay;
    EXPECT_EQ(frame->SampleRate, c.Rate) << c.Delay;
    EXPECT_EQ(frame->Rate, static_cast<float>(c.Rate)) << c.Delay;
    EXPECT_EQ(frame->Width, 640);
    EXPECT_EQ(frame->Height, 480);
    EXPECT_EQ(frame->VideoFormat, vfRGBA32);
    EXPECT_EQ(frame->InterlaceFlags, 7u);
    EXPECT_EQ(frame->RatioWidth, 4u);
    EXPECT_EQ(frame->RatioHeight, 3u);
    EXPECT_NE(pins::OperationAs<pins::TPNStartOperation>(op.Get()), nullptr);
  }
}

// A start frame is a start like any other: kept and replayed to an image sink linked later;
// a real or integer receiver reached through the registry gets a plain sample-rate start.
TEST_F(PXStreamTypesTest, AStartFrameIsKeptAndReachesBufferReceiversAsASampleRate) {
  auto* source = Up.Source<TPXPNImageSourcePin>();
  RefPtr<IPNNotifyOperation> start = TPNStartFrameOperation::Make(8, 8, 400000, vfRGB24, 0, 1, 1);
  source->Notify(start.Get());
  auto* sink = Down.Sink<TPXPNImageSinkPin>();
  ASSERT_TRUE(sink->Connect(source));
  EXPECT_EQ(sink->GetConnectionID(source), IPNPXImageStream::IID);
  ASSERT_EQ(Down.At(sink), Names{"TPNStartFrameOperation"});
  EXPECT_EQ(Down.Received[0].Operation, start);

  auto* real = Down.Sink<TRBPNRealSinkPin>();
  auto* integer = Down.Sink<TRBPNIntegerSinkPin>();
  for (TPNBasicPin* receiver : std::vector<TPNBasicPin*>{real, integer})
    RBGlobalSubmit(nullptr, static_cast<IPNStream*>(receiver), &IPNPXImageStream::IID, start.Get(), {});
  ASSERT_EQ(Down.At(real), Names{"TPNStartSampleRateOperation"});
  ASSERT_EQ(Down.At(integer), Names{"TPNStartSampleRateOperation"});
  EXPECT_EQ(Down.Operation<TPNStartSampleRateOperation>(1)->SampleRate, 25.0 / 8);
  EXPECT_EQ(Down.Operation<TPNStartSampleRateOperation>(2)->SampleRate, 25.0 / 4);
  Down.Received.clear();
  integer->Free();
  real->Free();
  sink->Free();
  source->Free();
}

TEST_F(PXStreamTypesTest, AnImageReachesABinarySinkAsBytesOfTheSameStore) {
  auto* source = Up.Source<TPXPNImageSourcePin>();
  auto* bytes = Down.Sink<TTestBinarySinkPin>();
  auto* images = Down.Sink<TPXPNImageSinkPin>();
  ASSERT_TRUE(bytes->Connect(source));
  ASSERT_TRUE(images->Connect(source));
  ASSERT_EQ(source->GetConverterCount(), 1);
  EXPECT_STREQ(source->GetConverter(0)->GetInstance()->ClassName(), "TRBPNImageToBinaryFormatConverter");

  auto image = TPXImageBuffer::CreateSize(3, 2, vfRGB24);  // rows padded to 4 pixels
  image->SetPixel(1, 1, 0x0000FF);
  source->SubmitBuffer(image.Get());
  ASSERT_EQ(Down.Received.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    auto* view = dynamic_cast<TRBGenericBuffer*>(
        Down.Operation<TPNSuppliedBufferOperation>(i)->Buffer->GetInstance());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->DataContainer(), image->DataContainer());
    if (Down.Received[i].Pin == bytes) {
      auto* block = dynamic_cast<TRBBlockBuffer*>(view);
      ASSERT_NE(block, nullptr);
      EXPECT_EQ(block->GetByteSize(), image->GetByteSize());
      EXPECT_EQ(block->GetByteSize(), 2u * 12u);
      EXPECT_EQ(block->GetItem(12 + 3 + 2), 0xFF);  // row 1, pixel 1, red (blue, green, red)
    } else {
      EXPECT_NE(dynamic_cast<TPXImageBuffer*>(view), nullptr);
    }
  }
  Down.Received.clear();
  images->Free();
  bytes->Free();
  source->Free();
}

// A list of points travels by reference.
struct TPoints : platform::TInterfacedObject, IPXXYFloatData {
  std::vector<TPXFloatPoint> Points;
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IPXXYFloatData>(this, iid, object);
  }
  int32_t AddRef() override { return TInterfacedObject::AddRef(); }
  int32_t Release() override { return TInterfacedObject::Release(); }
  int32_t GetCount() override { return static_cast<int32_t>(Points.size()); }
  TPXFloatPoint GetPoint(int32_t Index) override { return Points.at(static_cast<size_t>(Index)); }
};

TEST_F(PXStreamTypesTest, APointListTravelsByReference) {
  auto* source = Up.Source<TPXPNXYFloatSourcePin>();
  auto* sink = Down.Sink<TPXPNXYFloatSinkPin>();
  ASSERT_TRUE(sink->Connect(source));
  EXPECT_EQ(sink->GetConnectionID(source), IPNPXXYFloatDataStream::IID);
  RefPtr<TPoints> points(New<TPoints>());
  points->Points = {{1.0f, 2.0f}, {3.5f, -4.0f}};
  source->Notify(TPNPXSuppliedXYFloatDataOperation::Make(points.Get()).Get());
  ASSERT_EQ(Down.At(sink), Names{"TPNPXSuppliedXYFloatDataOperation"});
  EXPECT_EQ(Down.Operation<TPNPXSuppliedXYFloatDataOperation>(0)->Data.Get(),
            static_cast<IPXXYFloatData*>(points.Get()));
  Down.Received.clear();
  sink->Free();
  source->Free();
}

}  // namespace
