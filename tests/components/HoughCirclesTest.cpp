// The Hough-circles component: its settings, one detection through the wrapper library, the
// three roads of an arriving image (at once, queued results, queued images), the hand-over of
// queued results to the main thread, and a missing or incomplete wrapper.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "binding/PXOpenCV.h"
#include "buffers/PXSimpleImageBuffer.h"
#include "components/PXGenericFilter.h"
#include "components/PXHoughCircles.h"
#include "platform/Kernel.h"
#include "platform/Messages.h"
#include "tests/common/Watchdog.h"
#include "tests/components/ComponentsTestSupport.h"
#include "tests/components/FilterTestSupport.h"
#include "tests/components/HoughTestSupport.h"

namespace {

using namespace components;
using buffers::TPNPXSuppliedXYFloatDataOperation;
using buffers::TPXImageBuffer;
using filtertest::Eventually;
using houghtest::Disc;
using platform::New;
using platform::RefPtr;
using platform::TComponent;
using componentstest::Names;

const std::vector<Disc> kDiscs = {{70, 70, 20}, {170, 100, 30}, {250, 170, 40}};

// Every disc has one circle within 2 pixels (centre and radius), and nothing else was found.
void ExpectDiscs(TPXCircles* circles, const std::vector<Disc>& discs) {
  ASSERT_NE(circles, nullptr);
  ASSERT_EQ(circles->GetCount(), static_cast<int32_t>(discs.size()));
  for (const Disc& d : discs) {
    bool matched = false;
    for (int32_t i = 0; i < circles->GetCount(); ++i) {
      TPXCircle* c = circles->GetCircle(i);
      matched |= std::hypot(c->Center().X - d.cx, c->Center().Y - d.cy) <= 2 && std::fabs(c->Radius() - d.r) <= 2;
    }
    EXPECT_TRUE(matched) << "disc at " << d.cx << "," << d.cy << " r " << d.r;
  }
}

// The disc picture as the demo sends pictures: 24-bit colour.
RefPtr<TPXImageBuffer> ColourDiscs(int32_t width = 320, int32_t height = 240) {
  auto image = houghtest::DiscPicture(width, height, kDiscs);
  image->ConvertTo(buffers::vfRGB24);
  return image;
}

std::vector<uint8_t> Pixels(IPXImageBuffer* image) {
  const uint8_t* p = image->Read();
  return std::vector<uint8_t>(p, p + image->GetStep() * image->GetHeight());
}

// Every image that reaches its input, as it arrived.
class TImageRecorder : public TPXSyncSinkFilter {
  PF_CLASS(TImageRecorder)
  PF_ALLOW_NEW;

 public:
  std::vector<RefPtr<IPXImageBuffer>> Images() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FImages;
  }
  void ProcessImage(IPXImageBuffer* AImage) override {
    std::lock_guard<std::mutex> lock(FMutex);
    FImages.emplace_back(AImage);
  }

 protected:
  using TPXSyncSinkFilter::TPXSyncSinkFilter;

 private:
  std::mutex FMutex;
  std::vector<RefPtr<IPXImageBuffer>> FImages;
};
PF_DEFINE_COMPONENT(TImageRecorder, TPXSyncSinkFilter, nullptr)

// The OnCirclesDetect handler: what each event saw.
struct TDetectLog {
  struct TEvent {
    RefPtr<TPXCircles> Circles;
    uint32_t Thread = 0;
    bool LocksHeld = false;
    int32_t CurrentWidth = -1;  // of CurrentImage during the event
  };
  TPXHoughCircles* Owner = nullptr;
  std::mutex Mutex;
  std::vector<TEvent> Events;

  void Detect(platform::TObject* Sender, TPXCircles* Circles) {
    EXPECT_EQ(Sender, Owner);
    const uint32_t self = platform::GetCurrentThreadId();
    TEvent e;
    e.Circles = RefPtr<TPXCircles>(Circles);
    e.Thread = self;
    e.LocksHeld = Owner->InputLock()->Instance()->OwningThread() == self ||
                  Owner->OutputLock()->Instance()->OwningThread() == self;
    if (RefPtr<IPXImageBuffer> current = Owner->CurrentImage()) e.CurrentWidth = int32_t(current->GetWidth());
    std::lock_guard<std::mutex> lock(Mutex);
    Events.push_back(std::move(e));
  }
  size_t Count() {
    std::lock_guard<std::mutex> lock(Mutex);
    return Events.size();
  }
  TPXCirclesNotifyEvent Event() { return TPXCirclesNotifyEvent::Bind<&TDetectLog::Detect>(this); }
};

class HoughCircles : public ::testing::Test, public componentstest::TOwner {
 protected:
  void SetUp() override {
    ASSERT_EQ(pins::AllPinsCount(), 0);
    Form = New<TComponent>(nullptr);
    Form->SetName("Form1");
    Head = New<TPXGenericFilter>(Form);
    Hough = New<TPXHoughCircles>(Form);
    Hough->SetResolution(1.0);
    Hough->Threshold()->SetHigh(100.0);
    Hough->Threshold()->SetAccumulator(40.0);
    Log.Owner = Hough;
    ASSERT_TRUE(Hough->InputPin()->Connect(Head->OutputPin()));
  }
  void TearDown() override {
    platform::FreeAndNil(Form);
    platform::ProcessMessages();
    if (FCirclesSink) FCirclesSink->Free();
    Received.clear();
    EXPECT_EQ(pins::AllPinsCount(), 0) << "pins outlived their components";
  }
  // A recorder of the images passed on.
  TImageRecorder* Passed() {
    auto* recorder = New<TImageRecorder>(Form);
    EXPECT_TRUE(recorder->InputPin()->Connect(Hough->ImageOutputPin()));
    return recorder;
  }
  // A point sink on the circles pin.
  buffers::TPXPNXYFloatSinkPin* CirclesSink() {
    FCirclesSink = Sink<buffers::TPXPNXYFloatSinkPin>();
    EXPECT_TRUE(FCirclesSink->Connect(Hough->OutputPin()));
    return FCirclesSink;
  }
  TPXCircles* PinCircles(size_t i) {
    auto* op = Operation<TPNPXSuppliedXYFloatDataOperation>(i);
    return op ? platform::Supports<IPXCircles>(op->Data)->GetCircles() : nullptr;
  }
  // Sends disc pictures of these widths from a thread of its own.
  void SendFromAnotherThread(const std::vector<int32_t>& widths) {
    std::thread([&] {
      for (int32_t w : widths) Head->SendData(ColourDiscs(w).Get());
    }).join();
  }
  // One event per picture of these widths, in order, each on the main thread without the
  // component's locks, with the discs found.
  void ExpectMainThreadEvents(const std::vector<int32_t>& widths) {
    ASSERT_EQ(Log.Count(), widths.size());
    for (size_t i = 0; i < widths.size(); ++i) {
      EXPECT_EQ(Log.Events[i].CurrentWidth, widths[i]);
      EXPECT_EQ(Log.Events[i].Thread, platform::MainThreadID());
      EXPECT_FALSE(Log.Events[i].LocksHeld);
      ExpectDiscs(Log.Events[i].Circles.Get(), kDiscs);
    }
  }
  // The message of the load error that a detection of the disc picture raises ("" for none);
  // a failed detection hands out no list.
  std::string DetectionError() {
    auto image = ColourDiscs();
    RefPtr<IPXCircles> circles;
    try {
      Hough->DetectCircles(image.Get(), circles);
    } catch (const binding::ERBDLLLoadError& e) {
      EXPECT_FALSE(circles);
      return e.what();
    }
    return "";
  }
  void ProcessUntilEvents(size_t count) {
    ASSERT_TRUE(Eventually([&] {
      platform::ProcessMessages();
      return Log.Count() >= count;
    }));
    platform::ProcessMessages();
  }

  TComponent* Form = nullptr;
  TPXGenericFilter* Head = nullptr;
  TPXHoughCircles* Hough = nullptr;
  TDetectLog Log;
  buffers::TPXPNXYFloatSinkPin* FCirclesSink = nullptr;
};

// ---------------------------------------------------------------------------------------
// Settings

TEST_F(HoughCircles, SettingsAndWhatADetectionTakesOfThem) {
  auto* fresh = New<TPXHoughCircles>(Form);
  EXPECT_EQ(fresh->Resolution(), 2.0);
  EXPECT_EQ(fresh->MinDistance(), 50.0);
  EXPECT_EQ(fresh->Threshold()->High(), 200.0);
  EXPECT_EQ(fresh->Threshold()->Accumulator(), 100.0);
  EXPECT_EQ(fresh->MinRadius(), 0u);
  EXPECT_EQ(fresh->MaxRadius(), 0u);
  EXPECT_TRUE(fresh->Smooth()->Enabled());
  EXPECT_EQ(fresh->Smooth()->MaskSize()->Width(), 11);
  EXPECT_EQ(fresh->Smooth()->MaskSize()->Height(), 11);
  EXPECT_EQ(fresh->SynchronizeType(), pins::stNone);

  // The mask's sides are odd and at least 1.
  for (const auto& [set, stored] : std::vector<std::pair<uint16_t, uint16_t>>{{4, 5}, {0, 1}, {7, 7}, {65535, 65535}}) {
    fresh->Smooth()->MaskSize()->SetWidth(set);
    fresh->Smooth()->MaskSize()->SetHeight(set);
    EXPECT_EQ(fresh->Smooth()->MaskSize()->Width(), stored) << set;
    EXPECT_EQ(fresh->Smooth()->MaskSize()->Height(), stored) << set;
  }

  // Thresholds are rounded half to even; radii of 2^31 and above act as negative numbers.
  struct Case {
    double value;
    int32_t taken;
  };
  for (const Case& c : {Case{99.5, 100}, Case{100.5, 100}, Case{101.5, 102}, Case{-0.5, 0}, Case{40.4, 40}}) {
    fresh->Threshold()->SetHigh(c.value);
    fresh->Threshold()->SetAccumulator(c.value);
    const TPXHoughSettings s = fresh->DetectionSettings();
    EXPECT_EQ(s.CannyThreshold, c.taken) << c.value;
    EXPECT_EQ(s.AccThreshold, c.taken) << c.value;
  }
  fresh->SetMinRadius(5);
  fresh->SetMaxRadius(0x80000000u);
  fresh->Smooth()->SetEnabled(false);
  const TPXHoughSettings s = fresh->DetectionSettings();
  EXPECT_EQ(s.MinRadius, 5);
  EXPECT_EQ(s.MaxRadius, INT32_MIN);
  EXPECT_FALSE(s.Smooth);
  EXPECT_EQ(s.MaskWidth, 65535);
}

// ---------------------------------------------------------------------------------------
// One detection

TEST_F(HoughCircles, FindsDiscsWithAndWithoutSmoothingAndLeavesTheEdgeMap) {
  for (const bool smooth : {true, false}) {
    SCOPED_TRACE(smooth ? "smoothed" : "not smoothed");
    Hough->Smooth()->SetEnabled(smooth);
    auto image = ColourDiscs();
    RefPtr<IPXCircles> circles;
    Hough->DetectCircles(image.Get(), circles);
    ASSERT_TRUE(circles);
    ExpectDiscs(circles->GetCircles(), kDiscs);

    ASSERT_EQ(image->GetFormat(), buffers::vfGrayScale);
    const uint8_t* p = image->Read();
    for (int i = 0; i < 320 * 240; ++i) ASSERT_TRUE(p[i] == 0 || p[i] == 255) << "pixel " << i << " = " << int(p[i]);
  }
}

// The wrapper's rows are padded to 4 bytes (36 for 33 pixels): a picture of a vertical step is
// smoothed upright, so its edges stay in the columns of the step in every row.
TEST_F(HoughCircles, PicturesWhoseWrapperRowsArePaddedAreSmoothedUpright) {
  constexpr int kWidth = 33, kHeight = 40;
  auto image = TPXImageBuffer::CreateSize(kWidth, kHeight, buffers::vfGrayScale);
  uint8_t* p = image->Write();
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) p[y * image->GetStep() + x] = x < 16 ? 20 : 220;
  Hough->Smooth()->MaskSize()->SetWidth(5);
  Hough->Smooth()->MaskSize()->SetHeight(5);
  RefPtr<IPXCircles> circles;
  Hough->DetectCircles(image.Get(), circles);
  const uint8_t* edges = image->Read();
  int rowsWithEdge = 0;
  for (int y = 0; y < kHeight; ++y) {
    bool edge = false;
    for (int x = 0; x < kWidth; ++x) {
      if (!edges[y * kWidth + x]) continue;
      EXPECT_TRUE(x >= 13 && x <= 18) << "edge at " << x << "," << y;
      edge = true;
    }
    rowsWithEdge += edge;
  }
  EXPECT_GE(rowsWithEdge, kHeight - 2);
  EXPECT_EQ(circles->GetCount(), 0);
}

// An empty picture holds no circles; the wrapper (which refuses images without pixels) is not
// asked.
TEST_F(HoughCircles, AnEmptyPictureHasNoCircles) {
  for (const auto& [w, h] : std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {5, 0}, {0, 5}}) {
    auto image = TPXImageBuffer::CreateSize(w, h, buffers::vfRGB24);
    RefPtr<IPXCircles> circles;
    Hough->DetectCircles(image.Get(), circles);
    ASSERT_TRUE(circles) << w << " x " << h;
    EXPECT_EQ(circles->GetCount(), 0);
    EXPECT_EQ(image->GetFormat(), buffers::vfGrayScale);
  }
}

// ---------------------------------------------------------------------------------------
// At once (stNone)

TEST_F(HoughCircles, WithoutLinkOrEventImagesArePassedOnAndNothingIsDetected) {
  auto* passed = Passed();
  auto image = ColourDiscs();
  const std::vector<uint8_t> before = Pixels(image.Get());
  Head->SendData(image.Get());
  ASSERT_EQ(passed->Images().size(), 1u);
  EXPECT_EQ(passed->Images()[0]->GetFormat(), buffers::vfRGB24);
  EXPECT_EQ(Pixels(image.Get()), before);  // not even turned gray
  EXPECT_FALSE(Hough->CurrentImage());
}

// The image goes on unchanged before the detection; the list reaches the pin and the event in
// the sending thread, the event without the component's locks; CurrentImage is the image.
TEST_F(HoughCircles, AtOnceTheCirclesReachThePinAndTheEventInTheSendingThread) {
  auto* passed = Passed();
  auto* sink = CirclesSink();
  Hough->SetOnCirclesDetect(Log.Event());
  auto image = ColourDiscs();
  const std::vector<uint8_t> before = Pixels(image.Get());
  uint32_t sender = 0;
  std::thread([&] {
    sender = platform::GetCurrentThreadId();
    Head->SendData(image.Get());
  }).join();

  ASSERT_EQ(Log.Count(), 1u);
  const TDetectLog::TEvent& e = Log.Events[0];
  EXPECT_EQ(e.Thread, sender);
  EXPECT_FALSE(e.LocksHeld);
  EXPECT_EQ(e.CurrentWidth, 320);
  ExpectDiscs(e.Circles.Get(), kDiscs);
  ASSERT_EQ(At(sink), Names{"TPNPXSuppliedXYFloatDataOperation"});
  EXPECT_EQ(PinCircles(0), e.Circles.Get());

  ASSERT_EQ(passed->Images().size(), 1u);
  EXPECT_EQ(passed->Images()[0]->GetFormat(), buffers::vfRGB24);
  EXPECT_EQ(Pixels(passed->Images()[0].Get()), before);
  RefPtr<IPXImageBuffer> current = Hough->CurrentImage();
  ASSERT_TRUE(current);
  EXPECT_EQ(Pixels(current.Get()), before);
}

// ---------------------------------------------------------------------------------------
// Queued results (linked circles pin) and queued images (unlinked)

// stSingleBuffer: both results go out on the pin at once; only the newest waits for the main
// thread, which sees it once.
TEST_F(HoughCircles, SingleBufferHandsOnlyTheNewestResultToTheMainThread) {
  auto* sink = CirclesSink();
  Hough->SetOnCirclesDetect(Log.Event());
  Hough->SetSynchronizeType(pins::stSingleBuffer);
  SendFromAnotherThread({320, 330});
  EXPECT_EQ(Log.Count(), 0u);
  EXPECT_EQ(At(sink).size(), 2u);
  ProcessUntilEvents(1);
  ExpectMainThreadEvents({330});
  EXPECT_EQ(Log.Events[0].Circles.Get(), PinCircles(1));
}

// stQueue: results queued while the main thread is busy are all delivered, oldest first, each
// on the main thread without the component's locks.
TEST_F(HoughCircles, QueueDeliversEveryResultInOrder) {
  Watchdog dog(60, "HoughCircles.QueueDeliversEveryResultInOrder");
  CirclesSink();
  Hough->SetOnCirclesDetect(Log.Event());
  Hough->SetSynchronizeType(pins::stQueue);
  SendFromAnotherThread({320, 321, 322, 323});
  EXPECT_EQ(Log.Count(), 0u);
  ProcessUntilEvents(4);
  ExpectMainThreadEvents({320, 321, 322, 323});
}

// Unlinked pin: the images themselves wait for the main thread, where they are detected.
TEST_F(HoughCircles, UnlinkedQueueDetectsOnTheMainThread) {
  Hough->SetOnCirclesDetect(Log.Event());
  Hough->SetSynchronizeType(pins::stQueue);
  SendFromAnotherThread({320, 324});
  EXPECT_EQ(Log.Count(), 0u);
  ProcessUntilEvents(2);
  ExpectMainThreadEvents({320, 324});
}

// ---------------------------------------------------------------------------------------
// The wrapper library

// Without the library a direct detection raises; through the pins the sender swallows it, the
// image still goes on and no event runs.
TEST_F(HoughCircles, WithoutTheWrapperADetectionRaisesAndThePinsSwallowIt) {
  auto* passed = Passed();
  Hough->SetOnCirclesDetect(Log.Event());
  binding::ResetOpenCVBindingForTesting("QZOpenCV2Missing.dll");
  EXPECT_EQ(DetectionError(), "Can't load QZOpenCV2.dll");

  Head->SendData(ColourDiscs().Get());
  EXPECT_EQ(passed->Images().size(), 1u);
  EXPECT_EQ(Log.Count(), 0u);
  EXPECT_FALSE(Hough->CurrentImage());
  binding::ResetOpenCVBindingForTesting();
}

// A wrapper that lacks smoothing (or memory storages) fails half-way: the wrapper image made
// for the detection is released all the same.
TEST_F(HoughCircles, TheWrapperImageIsReleasedWhenADetectionFails) {
  binding::ResetOpenCVBindingForTesting("QZOpenCV2Counting.dll");
  auto liveImages = reinterpret_cast<int32_t (*)()>(binding::GetOpenCVProc("QZOpenCV2CountingLiveImages"));
  for (const auto& [smooth, message] : std::vector<std::pair<bool, const char*>>{
           {true, "Can't get cvSmooth"}, {false, "Can't get cvCreateMemStorage"}}) {
    Hough->Smooth()->SetEnabled(smooth);
    EXPECT_EQ(DetectionError(), message);
    EXPECT_EQ(liveImages(), 0) << message;
  }
  binding::ResetOpenCVBindingForTesting();
}

// ---------------------------------------------------------------------------------------
// Threads

// Images detected on a sender's thread and on the main thread while another thread changes
// every setting: each detection takes one consistent copy (the thread sanitizer sees no race),
// the main thread takes the lock's sides in order, and nothing hangs.
TEST_F(HoughCircles, SettingsChangeWhileImagesAreDetected) {
  Watchdog dog(120, "HoughCircles.SettingsChangeWhileImagesAreDetected");
  Hough->SetOnCirclesDetect(Log.Event());
  constexpr int kImages = 6;
  std::atomic<bool> done{false};
  std::thread changer([&] {
    for (int i = 0; !done; ++i) {
      Hough->SetResolution(i % 2 ? 1.0 : 1.5);
      Hough->SetMinDistance(40.0 + i % 20);
      Hough->Threshold()->SetHigh(100.0 + i % 3);
      Hough->Threshold()->SetAccumulator(40.0 + i % 5);
      Hough->Smooth()->SetEnabled(i % 4 != 0);
      Hough->Smooth()->MaskSize()->SetWidth(uint16_t(5 + 2 * (i % 3)));
      Hough->SetMaxRadius(uint32_t(i % 2 ? 0 : 60));
      std::this_thread::yield();
    }
  });
  // The sender's thread detects the first images itself and queues the others for the main
  // thread, which detects them while the sender still sends.
  std::thread sender([&] {
    for (int i = 0; i < kImages; ++i) Head->SendData(ColourDiscs().Get());
    Hough->SetSynchronizeType(pins::stQueue);
    for (int i = 0; i < kImages; ++i) Head->SendData(ColourDiscs().Get());
  });
  ProcessUntilEvents(2 * kImages);
  sender.join();
  done = true;
  changer.join();
  EXPECT_EQ(Log.Count(), size_t(2 * kImages));
}

}  // namespace
