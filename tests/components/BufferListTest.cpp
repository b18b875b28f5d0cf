#include <gtest/gtest.h>

#include "buffers/RBSimpleDataBufferInteger.h"
#include "components/RBVariantStorages.h"
#include "platform/SysUtils.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/components/ComponentsTestSupport.h"

namespace {

using namespace components;
using buffers::TRBIntegerBuffer;
using componentstest::IntegerValue;
using platform::New;

struct BufferListTest : bufferstest::BuffersTest {
  TRBBufferList* List = New<TRBBufferList>();
  void TearDown() override {
    List->Free();
    BuffersTest::TearDown();
  }
};

TEST_F(BufferListTest, SingleModeKeepsTheFirstQueueModeKeepsAllInOrder) {
  auto a = TRBIntegerBuffer::CreateValue(1, 1), b = TRBIntegerBuffer::CreateValue(2, 1);
  RefPtr<IRBData> out;

  EXPECT_TRUE(List->Add(a.Get(), false));
  EXPECT_FALSE(List->Add(b.Get(), false));
  ASSERT_TRUE(List->PopFirst(out));
  EXPECT_EQ(IntegerValue(out), 1);
  EXPECT_FALSE(List->PopFirst(out));

  EXPECT_TRUE(List->Add(a.Get(), true));
  EXPECT_TRUE(List->Add(b.Get(), true));
  EXPECT_FALSE(List->Add(a.Get(), false));  // not empty: single mode drops
  ASSERT_TRUE(List->PopLast(out));
  EXPECT_EQ(IntegerValue(out), 2);
  ASSERT_TRUE(List->PopFirst(out));
  EXPECT_EQ(IntegerValue(out), 1);
  EXPECT_EQ(List->Count(), 0);
}

// The list keeps its own view of the sender's container: the sender may drop or reuse its
// view, and a change it makes afterwards copies the container first.
TEST_F(BufferListTest, StoresANewViewSharingTheContainer) {
  auto a = TRBIntegerBuffer::CreateValue(7, 3);
  List->Add(a.Get(), true);
  RefPtr<IRBData> kept;
  List->GetVarItem(0, kept);
  EXPECT_NE(kept.Get(), static_cast<IRBData*>(a.Get()));
  auto* view = dynamic_cast<TRBIntegerBuffer*>(kept->GetInstance());
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->DataContainer(), a->DataContainer());
  a->SetItem(0, 99);
  EXPECT_EQ(view->GetItem(0), 7);
}

TEST_F(BufferListTest, BadIndexesRaiseTheListError) {
  auto a = TRBIntegerBuffer::CreateValue(1, 1);
  List->Add(a.Get(), true);
  RefPtr<IRBData> out;
  for (int32_t index : {-1, 1}) {
    EXPECT_THROW(List->Delete(index), platform::EListError);
    EXPECT_THROW(List->GetVarItem(index, out), platform::EListError);
  }
  try {
    List->Delete(5);
  } catch (const platform::EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
  List->Delete(0);
  EXPECT_EQ(List->Count(), 0);
  EXPECT_EQ(List->Clear(), 0);
}

}  // namespace
