#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/PXOpenCV.h"
#include "components/PXVisionStreamTypes.h"
#include "pins/PNPinsRegistries.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/components/ComponentsTestSupport.h"

namespace {

using namespace componentstest;
using components::IPNPXCirclesDataStream;
using components::IPXCircles;
using components::TPXCircle;
using components::TPXCircles;
using components::TPXPNCirclesSourcePin;
using platform::New;

RefPtr<TPXCircles> TwoCircles() {
  auto circles = TPXCircles::Create();
  circles->Add(New<TPXCircle>(10.5f, 20.0f, 5.0f));
  circles->Add(New<TPXCircle>(30.0f, 40.25f, 7.5f));
  return circles;
}

TEST(VisionStreamTypes, ACircleListGivesItsCentresAsPointsAndRefusesABadIndex) {
  auto circles = TwoCircles();
  RefPtr<IPXCircles> list = platform::Supports<IPXCircles>(circles.Get());
  ASSERT_TRUE(list);
  RefPtr<IPXXYFloatData> points = platform::Supports<IPXXYFloatData>(circles.Get());
  ASSERT_TRUE(points);
  EXPECT_EQ(list->GetCircles(), circles.Get());
  ASSERT_EQ(points->GetCount(), 2);
  EXPECT_EQ(points->GetPoint(1).X, 30.0f);
  EXPECT_EQ(points->GetPoint(1).Y, 40.25f);
  EXPECT_EQ(list->GetCircle(0)->Radius(), 5.0f);
  try {
    list->GetCircle(2);
    FAIL();
  } catch (const platform::EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
  EXPECT_THROW(points->GetPoint(-1), platform::EListError);
}

// With the wrapper loaded every list holds a memory storage of it; without, none is made or
// released.
TEST(VisionStreamTypes, AListHasAMemoryStorageOnlyWhenTheWrapperIsLoaded) {
  ASSERT_TRUE(binding::IsOpenCVLoaded());
  EXPECT_NE(TPXCircles::Create()->MemStorage(), nullptr);

  binding::ResetOpenCVBindingForTesting("QZOpenCV2Missing.dll");
  EXPECT_FALSE(binding::IsOpenCVLoaded());
  {
    auto circles = TwoCircles();
    EXPECT_EQ(circles->MemStorage(), nullptr);
  }
  EXPECT_FALSE(binding::cvCreateMemStorage.IsBound());
  EXPECT_FALSE(binding::cvReleaseMemStorage.IsBound());
  binding::ResetOpenCVBindingForTesting();
  EXPECT_TRUE(binding::IsOpenCVLoaded());
}

TEST(VisionStreamTypes, TheSevenTypesAreRegisteredByNameWithTheBufferSendFunction) {
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"{EE83C1BA-A142-4AAF-9D4A-60A240606361}", "Contour data"},
      {"{5303F70F-8DFB-4A2D-BB58-70803BCF4680}", "Ellipses data"},
      {"{DD534B9B-7566-4882-9EDD-0CCC70B79860}", "Rectangles data"},
      {"{E51CC609-DBFA-4698-9086-B73A194F53D0}", "Circles data"},
      {"{5BA9E8CC-97BE-41E3-8B61-41BB50ED2B86}", "Distance Lines data"},
      {"{325C43EA-3F9B-4D14-A149-6D1B6EE9AAB7}", "Normalized Lines data"},
      {"{C0C5A581-C083-46F1-9B8E-56E6D4B57912}", "Polygon data"},
  };
  std::vector<std::pair<std::string, std::string>> found;
  for (const auto& entry : pins::StreamTypes()) {
    for (const auto& e : expected)
      if (platform::GUIDToString(entry.ID) == e.first) {
        found.emplace_back(e.first, entry.Name);
        EXPECT_EQ(entry.SendFunction, &RBGlobalSubmit) << entry.Name;
        EXPECT_FALSE(entry.HasColor) << entry.Name;
      }
  }
  EXPECT_EQ(found, expected);
}

struct CirclesPinTest : bufferstest::BuffersTest {
  TOwner Up, Down;
};

// A plain point sink takes the lists of a circles source; they travel by reference.
TEST_F(CirclesPinTest, APointSinkTakesCircleListsByReference) {
  auto* source = platform::New<TPXPNCirclesSourcePin>(Up.Component, Up.Lock.Get(), nullptr, Up.Event());
  auto* sink = Down.Sink<TPXPNXYFloatSinkPin>();
  ASSERT_TRUE(sink->Connect(source));
  EXPECT_EQ(sink->GetConnectionID(source), IPNPXXYFloatDataStream::IID);
  EXPECT_TRUE(pins::QueryStream<IPNPXCirclesDataStream>(static_cast<TPNBasicPin*>(source)));

  auto circles = TwoCircles();
  source->Notify(TPNPXSuppliedXYFloatDataOperation::Make(circles.Get()).Get());
  ASSERT_EQ(Down.At(sink), Names{"TPNPXSuppliedXYFloatDataOperation"});
  EXPECT_EQ(Down.Operation<TPNPXSuppliedXYFloatDataOperation>(0)->Data->GetPoint(0).X, 10.5f);
  EXPECT_EQ(platform::Supports<IPXCircles>(Down.Operation<TPNPXSuppliedXYFloatDataOperation>(0)->Data)
                ->GetCircles(),
            circles.Get());
  Down.Received.clear();
  sink->Free();
  source->Free();
}

}  // namespace
