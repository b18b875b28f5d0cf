// The image filters on real pins: the sink filters, the common filter's negotiation, time
// stamps and forwarding, and the generic filter's commands and handlers.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "buffers/PXSimpleImageBuffer.h"
#include "buffers/PXStreamTypes.h"
#include "buffers/RBSimpleDataBufferInteger.h"
#include "buffers/RBStreamTypes.h"
#include "components/PXCommonFilter.h"
#include "components/PXGenericFilter.h"
#include "components/PXSinkFilter.h"
#include "platform/Messages.h"
#include "tests/common/Watchdog.h"
#include "tests/components/FilterTestSupport.h"

namespace {

using namespace components;
using buffers::TPNStartFrameOperation;
using buffers::TPNSuppliedBufferOperation;
using buffers::TPXImageBuffer;
using filtertest::Eventually;
using pins::IPNNotifyOperation;
using pins::OperationAs;
using pins::TPNNotifyResult;
using platform::New;
using platform::TColor;
using platform::TComponent;

constexpr int64_t kDelay = 400000;  // 25 frames per second

RefPtr<TPXImageBuffer> Image(int32_t width = 4, int32_t height = 2,
                             buffers::TPXVideoFormat format = buffers::vfRGB24) {
  return TPXImageBuffer::CreateSize(width, height, format);
}
RefPtr<IPNNotifyOperation> StartFrame(int32_t width, int32_t height, int32_t delay,
                                      buffers::TPXVideoFormat format = buffers::vfRGB24) {
  return TPNStartFrameOperation::Make(width, height, delay, format, 0, width, height);
}
buffers::TRBSmartBuffer* StoreOf(IPXImageBuffer* image) {
  return dynamic_cast<buffers::TRBGenericBuffer*>(image->GetInstance())->DataContainer();
}

// Keeps every operation that reaches its input and every image it processes, with the thread
// and the image's time stamp at that moment.
class TImageSink : public TPXSyncSinkFilter {
  PF_CLASS(TImageSink)
  PF_ALLOW_NEW;

 public:
  struct TSeen {
    RefPtr<IPXImageBuffer> Image;
    uint32_t Thread = 0;
    bool Stamped = false;
    int64_t Begin = 0, End = 0;
  };

  std::vector<RefPtr<IPNNotifyOperation>> Ops() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FOps;
  }
  // The operations of class T that arrived, in order.
  template <class T>
  std::vector<T*> OpsOf() {
    std::vector<T*> r;
    for (auto& op : Ops())
      if (auto* t = OperationAs<T>(op.Get())) r.push_back(t);
    return r;
  }
  std::vector<TSeen> Seen() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FSeen;
  }

  TPNNotifyResult InputOperation(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                 IPNNotifyOperation* Operation, TPNNotifyState State) override {
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FOps.emplace_back(Operation);
    }
    return TPXSyncSinkFilter::InputOperation(Sender, DataTypeID, Operation, State);
  }
  void ProcessImage(IPXImageBuffer* AImage) override {
    buffers::TCXTimeStamp* stamp = AImage->GetTimeStamp();
    std::lock_guard<std::mutex> lock(FMutex);
    FSeen.push_back({RefPtr<IPXImageBuffer>(AImage), platform::GetCurrentThreadId(),
                     stamp->Available(), stamp->BeginTime(), stamp->EndTime()});
  }

 protected:
  using TPXSyncSinkFilter::TPXSyncSinkFilter;

 private:
  std::mutex FMutex;
  std::vector<RefPtr<IPNNotifyOperation>> FOps;
  std::vector<TSeen> FSeen;
};
PF_DEFINE_COMPONENT(TImageSink, TPXSyncSinkFilter, nullptr)

// A common filter that fills its output with Level (so that processing shows), counts the
// frames it processes and passes through, and may change the negotiated format and size.
class TFillFilter : public TPXCommonFilter {
  PF_CLASS(TFillFilter)
  PF_ALLOW_NEW;

 public:
  uint8_t Level = 200;
  bool ChangeFormat = false;
  std::atomic<int> Processed{0};
  std::atomic<int> Passed{0};

  void ProcessImage(IPXImageBuffer* InImage, RefPtr<IPXImageBuffer>& OutImage) override {
    (void)InImage;
    OutImage->FillLevel(Level);
    ++Processed;
  }
  void PassThrough(IPXImageBuffer* InImage, RefPtr<IPXImageBuffer>& OutImage) override {
    TPXCommonFilter::PassThrough(InImage, OutImage);
    ++Passed;
  }
  void NegotiateFormat(uint32_t& Width, uint32_t& Height, uint32_t& RatioHeight,
                       uint32_t& RatioWidth, uint32_t InterlaceFlags, int32_t FrameDelay,
                       buffers::TPXVideoFormat& Format) override {
    if (ChangeFormat) {
      Width /= 2;
      Height /= 2;
      Format = buffers::vfGrayScale;
    }
    TPXCommonFilter::NegotiateFormat(Width, Height, RatioHeight, RatioWidth, InterlaceFlags,
                                     FrameDelay, Format);
  }

 protected:
  using TPXCommonFilter::TPXCommonFilter;
};
PF_DEFINE_COMPONENT(TFillFilter, TPXCommonFilter, nullptr)

// The generic filter's handlers, counting their calls and the threads they ran on.
struct THandlers {
  std::atomic<int> Calls{0};
  std::atomic<int> Stops{0};
  std::atomic<uint32_t> LastThread{0};
  std::vector<int32_t> Widths;  // of the images handled, in order (one thread at a time)
  bool Withdraw = false;
  int32_t StartWidth = 0;  // OnStart sets this width when not 0

  void Process(platform::TObject*, IPXImageBuffer* In, RefPtr<IPXImageBuffer>& Out,
               bool& Send) {
    (void)Out;
    ++Calls;
    LastThread = platform::GetCurrentThreadId();
    Widths.push_back(static_cast<int32_t>(In->GetWidth()));
    if (Withdraw) Send = false;
  }
  void Stop(platform::TObject*) { ++Stops; }
  void Start(platform::TObject*, int32_t& Width, int32_t& Height, double) {
    (void)Height;
    if (StartWidth) Width = StartWidth;
  }
  TPXProcessVideoNotify ProcessEvent() { return TPXProcessVideoNotify::Bind<&THandlers::Process>(this); }
  platform::TNotifyEvent StopEvent() { return platform::TNotifyEvent::Bind<&THandlers::Stop>(this); }
  TPXStartNotify StartEvent() { return TPXStartNotify::Bind<&THandlers::Start>(this); }
};

class ImageFilters : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pins::AllPinsCount(), 0);
    Form = New<TComponent>(nullptr);
    Form->SetName("Form1");
  }
  void TearDown() override {
    platform::FreeAndNil(Form);
    platform::ProcessMessages();
    EXPECT_EQ(pins::AllPinsCount(), 0) << "pins outlived their components";
  }
  template <class T>
  T* Add(const char* name) {
    T* c = New<T>(Form);
    c->SetName(name);
    return c;
  }
  // Links an output to an input from the input's side (as forms do): a start kept by the
  // output reaches the input once.
  static void Link(pins::TPNSourcePin* from, pins::TPNBasicPin* to) { ASSERT_TRUE(to->Connect(from)); }

  TComponent* Form = nullptr;
};

// ---------------------------------------------------------------------------------------
// Sink filters

TEST_F(ImageFilters, SinkFilterKeepsTheStartFrameAndReceivesImagesWithoutACopy) {
  auto* sink = Add<TImageSink>("Sink");
  sink->InputOperation(nullptr, nullptr, buffers::TPNStartSampleRateOperation::Make(25).Get(), {});
  EXPECT_FALSE(sink->Running());  // a rate start that is not a start frame
  sink->InputOperation(nullptr, nullptr, StartFrame(640, 480, kDelay).Get(), {});
  EXPECT_TRUE(sink->Running());
  EXPECT_EQ(sink->FrameWidth(), 640);
  EXPECT_EQ(sink->FrameHeight(), 480);
  EXPECT_EQ(sink->FrameDelay(), kDelay);

  auto image = Image();
  auto op = TPNSuppliedBufferOperation::Make(image.Get());
  sink->InputOperation(nullptr, nullptr, op.Get(), {});
  ASSERT_EQ(sink->Seen().size(), 1u);
  EXPECT_EQ(sink->Seen()[0].Image->Read(), image->Read());
  EXPECT_EQ(sink->Seen()[0].Thread, platform::GetCurrentThreadId());

  // A stop keeps the frame geometry.
  sink->InputOperation(nullptr, nullptr, pins::TPNStopOperation::Make().Get(), {});
  EXPECT_FALSE(sink->Running());
  EXPECT_EQ(sink->FrameWidth(), 640);
}

// A byte or number buffer is never read as a pixel store: the filters raise EIntfCastError,
// and a sending pin drops it.
TEST_F(ImageFilters, ABufferThatIsNotAnImageIsRefused) {
  auto numbers = buffers::TRBIntegerBuffer::CreateSize(16);
  auto op = TPNSuppliedBufferOperation::Make(numbers.Get());
  auto* sink = Add<TImageSink>("Sink");
  auto* common = Add<TFillFilter>("Common");
  EXPECT_THROW(sink->InputOperation(nullptr, nullptr, op.Get(), {}), platform::EIntfCastError);
  EXPECT_THROW(common->InputOperation(nullptr, nullptr, op.Get(), {}), platform::EIntfCastError);

  // Through pins, from a source of the universal buffer type: the sender goes on.
  auto* head = Add<TPXGenericFilter>("Head");
  Link(head->OutputPin(), sink->InputPin());
  EXPECT_TRUE(head->OutputPin()->SubmitBuffer(numbers.Get()).Empty());
  head->SendData(Image().Get());
  EXPECT_TRUE(sink->Seen().size() == 1u);
  EXPECT_EQ(common->Processed, 0);
}

TEST_F(ImageFilters, SyncSinkWithQueueProcessesOnTheMainThreadInOrder) {
  auto* head = Add<TPXGenericFilter>("Head");
  auto* sink = Add<TImageSink>("Sink");
  sink->SetSynchronizeType(pins::stQueue);
  Link(head->OutputPin(), sink->InputPin());
  std::thread sender([&] {
    for (int32_t w = 1; w <= 3; ++w) head->SendData(Image(w, 1).Get());
  });
  sender.join();
  EXPECT_TRUE(sink->Seen().empty());  // never inside the sender's call
  ASSERT_TRUE(Eventually([&] {
    platform::ProcessMessages();
    return sink->Seen().size() == 3u;
  }));
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(sink->Seen()[i].Image->GetWidth(), i + 1);
    EXPECT_EQ(sink->Seen()[i].Thread, platform::MainThreadID());
  }
}

// stNone and stSingleBuffer: every image is processed at once, inside the sender's call and
// on its thread (only stQueue hands images to the main thread).
TEST_F(ImageFilters, SyncSinkWithoutQueueProcessesInsideTheSendersCall) {
  const pins::TRBSynchronizeType types[] = {pins::stNone, pins::stSingleBuffer};
  for (pins::TRBSynchronizeType type : types) {
    SCOPED_TRACE(type);
    auto* head = New<TPXGenericFilter>(Form);
    auto* sink = New<TImageSink>(Form);
    sink->SetSynchronizeType(type);
    Link(head->OutputPin(), sink->InputPin());
    std::vector<size_t> seenAfterEach;
    uint32_t senderThread = 0;
    std::thread sender([&] {
      senderThread = platform::GetCurrentThreadId();
      for (int32_t w = 1; w <= 3; ++w) {
        head->SendData(Image(w, 1).Get());
        seenAfterEach.push_back(sink->Seen().size());
      }
    });
    sender.join();
    EXPECT_EQ(seenAfterEach, (std::vector<size_t>{1, 2, 3}));
    for (const auto& seen : sink->Seen()) EXPECT_EQ(seen.Thread, senderThread);
    sink->Free();
    head->Free();
  }
}

// ---------------------------------------------------------------------------------------
// Common filter

// Unstamped frames run [0, d), [d, 2d), ... from the start; a stamped frame moves the clock
// to its own end. The stamp is written into the shared store, so the sender sees it too.
TEST_F(ImageFilters, CommonFilterStampsUnstampedFramesFromTheFrameDelay) {
  auto* head = Add<TPXGenericFilter>("Head");
  auto* filter = Add<TFillFilter>("Filter");
  auto* sink = Add<TImageSink>("Sink");
  Link(head->OutputPin(), filter->InputPin());
  Link(filter->OutputPin(), sink->InputPin());
  head->SendStartCommand(4, 2, kDelay, buffers::vfRGB24);
  std::vector<RefPtr<TPXImageBuffer>> sent;
  for (int i = 0; i < 3; ++i) {
    sent.push_back(Image());
    head->SendData(sent.back().Get());
  }
  auto stamped = Image();
  stamped->GetTimeStamp()->SetAvailable(true);
  stamped->GetTimeStamp()->SetBeginTime(100);
  stamped->GetTimeStamp()->SetEndTime(400);
  head->SendData(stamped.Get());
  sent.push_back(Image());
  head->SendData(sent.back().Get());

  struct Stamp {
    int64_t Begin, End;
  };
  const Stamp expected[] = {{0, kDelay}, {kDelay, 2 * kDelay}, {2 * kDelay, 3 * kDelay},
                            {100, 400}, {400, 400 + kDelay}};
  const auto seen = sink->Seen();
  ASSERT_EQ(seen.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(seen[i].Stamped);
    EXPECT_EQ(seen[i].Begin, expected[i].Begin);
    EXPECT_EQ(seen[i].End, expected[i].End);
  }
  EXPECT_EQ(sent[0]->GetTimeStamp()->EndTime(), kDelay);
  EXPECT_EQ(filter->Processed, 5);
}

// A start frame whose geometry the filter keeps goes on as the same operation; one whose
// format and size it changes is replaced by a new start frame whose ratio is the new size.
TEST_F(ImageFilters, CommonFilterPassesOrReplacesTheStartFrame) {
  for (bool change : {false, true}) {
    SCOPED_TRACE(change);
    auto* filter = Add<TFillFilter>("Filter");
    auto* sink = Add<TImageSink>("Sink");
    filter->ChangeFormat = change;
    Link(filter->OutputPin(), sink->InputPin());
    auto start = TPNStartFrameOperation::Make(640, 480, kDelay, buffers::vfRGB24, 3, 4, 3);
    filter->InputOperation(nullptr, nullptr, start.Get(), {});
    EXPECT_TRUE(filter->Running());
    const auto starts = sink->OpsOf<TPNStartFrameOperation>();
    ASSERT_EQ(starts.size(), 1u);
    if (!change) {
      EXPECT_EQ(starts[0], start->Instance());
    } else {
      EXPECT_NE(starts[0], start->Instance());
      EXPECT_EQ(starts[0]->Width, 320);
      EXPECT_EQ(starts[0]->Height, 240);
      EXPECT_EQ(starts[0]->VideoFormat, buffers::vfGrayScale);
      EXPECT_EQ(starts[0]->RatioWidth, 320u);
      EXPECT_EQ(starts[0]->RatioHeight, 240u);
      EXPECT_EQ(starts[0]->FrameDelay, kDelay);
      EXPECT_EQ(starts[0]->InterlaceFlags, 3u);
    }
    EXPECT_EQ(filter->InputVideoFormat(), change ? buffers::vfGrayScale : buffers::vfRGB24);
    filter->Free();
    sink->Free();
  }
}

// Unlinked output: the frame is not processed. Disabled: it passes through as a view of the
// input's store. Either way a stop goes on downstream.
TEST_F(ImageFilters, CommonFilterSkipsUnlinkedOutputsAndPassesThroughWhileDisabled) {
  auto* filter = Add<TFillFilter>("Filter");
  auto image = Image();
  auto op = TPNSuppliedBufferOperation::Make(image.Get());
  filter->InputOperation(nullptr, nullptr, op.Get(), {});
  EXPECT_EQ(filter->Processed, 0);

  auto* sink = Add<TImageSink>("Sink");
  Link(filter->OutputPin(), sink->InputPin());
  filter->SetEnabled(false);
  filter->InputOperation(nullptr, nullptr, op.Get(), {});
  EXPECT_EQ(filter->Processed, 0);
  EXPECT_EQ(filter->Passed, 1);
  ASSERT_EQ(sink->Seen().size(), 1u);
  EXPECT_EQ(StoreOf(sink->Seen()[0].Image.Get()), StoreOf(image.Get()));

  filter->SetEnabled(true);
  filter->InputOperation(nullptr, nullptr, op.Get(), {});
  EXPECT_EQ(filter->Processed, 1);
  ASSERT_EQ(sink->Seen().size(), 2u);
  EXPECT_NE(StoreOf(sink->Seen()[1].Image.Get()), StoreOf(image.Get()));  // written: a copy
  EXPECT_EQ(sink->Seen()[1].Image->GetPixel(0, 0), TColor(0xC8C8C8));

  filter->InputOperation(nullptr, nullptr, pins::TPNStopOperation::Make().Get(), {});
  EXPECT_EQ(sink->OpsOf<pins::TPNStopOperation>().size(), 1u);
}

// A start sent upstream to a filter whose input is unlinked: a pump request goes downstream
// first, then the filter starts and passes the start on.
TEST_F(ImageFilters, CommonFilterHeadingAChainAnswersAStartFromDownstream) {
  auto* filter = Add<TFillFilter>("Filter");
  auto* sink = Add<TImageSink>("Sink");
  Link(filter->OutputPin(), sink->InputPin());
  sink->InputPin()->Notify(StartFrame(8, 6, kDelay).Get());
  const auto ops = sink->Ops();
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_NE(OperationAs<pins::TPNPumpRequestOperation>(ops[0].Get()), nullptr);
  EXPECT_NE(OperationAs<TPNStartFrameOperation>(ops[1].Get()), nullptr);
  EXPECT_TRUE(filter->Running());
  EXPECT_TRUE(sink->Running());
}

TEST_F(ImageFilters, CommonFilterProcessesSingleFramesAndBitmapsWithoutPins) {
  auto* filter = Add<TFillFilter>("Filter");
  filter->Level = 77;
  RefPtr<IPXImageBuffer> image(Image(3, 2, buffers::vfRGBA32));
  IPXImageBuffer* caller = image.Get();
  filter->ProcessFrame(image);
  EXPECT_EQ(image.Get(), caller);
  EXPECT_EQ(image->GetFormat(), buffers::vfRGB24);  // the input was prepared as RGB24
  EXPECT_EQ(image->GetPixel(2, 1), TColor(0x4D4D4D));
  EXPECT_FALSE(filter->Running());

  platform::TBitmap* in = New<platform::TBitmap>();
  platform::TBitmap* out = New<platform::TBitmap>();
  in->SetSize(5, 3);
  filter->ProcessBitmap(in, out);
  EXPECT_EQ(out->Width(), 5);
  EXPECT_EQ(out->Height(), 3);
  ASSERT_EQ(out->PixelFormat(), platform::pf24bit);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(out->ScanLine(2)[4 * 3 + i], 77);
  EXPECT_TRUE(filter->Running());
  in->Free();
  out->Free();
}

// ---------------------------------------------------------------------------------------
// Generic filter

// The start command of a filter whose input is unlinked goes straight downstream: the
// filter itself neither negotiates nor starts, so its stop command runs no OnStop.
TEST_F(ImageFilters, GenericFilterCommandsOfAChainHead) {
  auto* head = Add<TPXGenericFilter>("Head");
  auto* sink = Add<TImageSink>("Sink");
  THandlers handlers;
  head->SetOnStop(handlers.StopEvent());
  Link(head->OutputPin(), sink->InputPin());
  head->SendStartCommand(640, 480, 0);
  const auto starts = sink->OpsOf<TPNStartFrameOperation>();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0]->Width, 640);
  EXPECT_EQ(starts[0]->Height, 480);
  EXPECT_EQ(starts[0]->VideoFormat, buffers::vfRGBA32);
  EXPECT_EQ(starts[0]->InterlaceFlags, 0u);
  EXPECT_EQ(starts[0]->RatioWidth, 640u);
  EXPECT_EQ(starts[0]->RatioHeight, 480u);
  EXPECT_EQ(starts[0]->FrameDelay, 1);
  EXPECT_FALSE(head->Running());
  EXPECT_TRUE(sink->Running());

  head->SendStopCommand();
  EXPECT_EQ(sink->OpsOf<pins::TPNStopOperation>().size(), 1u);
  EXPECT_FALSE(sink->Running());
  EXPECT_EQ(handlers.Stops, 0);
}

// A generic filter inside a chain: OnStart may change the size, the handler sees each frame
// (also with its output unlinked), may withdraw it, and OnStop reports the end once.
TEST_F(ImageFilters, GenericFilterHandlersInsideAChain) {
  auto* head = Add<TPXGenericFilter>("Head");
  auto* middle = Add<TPXGenericFilter>("Middle");
  auto* sink = Add<TImageSink>("Sink");
  THandlers handlers;
  handlers.StartWidth = 320;
  middle->SetOnStart(handlers.StartEvent());
  middle->SetOnStop(handlers.StopEvent());
  Link(head->OutputPin(), middle->InputPin());

  head->SendStartCommand(640, 480, kDelay);
  EXPECT_TRUE(middle->Running());
  auto image = Image();
  head->SendData(image.Get());  // no handler, output unlinked: nothing to see

  middle->SetOnProcessData(handlers.ProcessEvent());
  head->SendData(image.Get());
  EXPECT_EQ(handlers.Calls, 1);  // the handler runs although the output is unlinked

  Link(middle->OutputPin(), sink->InputPin());  // the kept start reaches the sink
  const auto starts = sink->OpsOf<TPNStartFrameOperation>();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0]->Width, 320);
  EXPECT_EQ(starts[0]->RatioWidth, 320u);
  head->SendData(image.Get());
  ASSERT_EQ(sink->Seen().size(), 1u);
  EXPECT_EQ(StoreOf(sink->Seen()[0].Image.Get()), StoreOf(image.Get()));
  handlers.Withdraw = true;
  head->SendData(image.Get());
  EXPECT_EQ(handlers.Calls, 3);
  EXPECT_EQ(sink->Seen().size(), 1u);

  head->SendStopCommand();
  EXPECT_EQ(handlers.Stops, 1);
  EXPECT_FALSE(middle->Running());
  EXPECT_EQ(sink->OpsOf<pins::TPNStopOperation>().size(), 1u);
}

// Without OnProcessData a frame leaves unchanged: the same store, the same pixels.
TEST_F(ImageFilters, GenericFilterWithoutAHandlerPassesFramesOnUnchanged) {
  auto* head = Add<TPXGenericFilter>("Head");
  auto* middle = Add<TPXGenericFilter>("Middle");
  auto* sink = Add<TImageSink>("Sink");
  Link(head->OutputPin(), middle->InputPin());
  Link(middle->OutputPin(), sink->InputPin());
  head->SendStartCommand(4, 2, kDelay, buffers::vfRGB24);
  auto image = Image();
  image->FillLevel(37);
  head->SendData(image.Get());
  ASSERT_EQ(sink->Seen().size(), 1u);
  IPXImageBuffer* out = sink->Seen()[0].Image.Get();
  EXPECT_EQ(StoreOf(out), StoreOf(image.Get()));
  EXPECT_EQ(out->GetWidth(), 4u);
  EXPECT_EQ(out->GetFormat(), buffers::vfRGB24);
  EXPECT_EQ(out->Read()[0], 37);
  EXPECT_EQ(out->Read()[4 * 2 * 3 - 1], 37);
}

TEST_F(ImageFilters, GenericFilterWithQueueHandlesFramesOnTheMainThread) {
  auto* head = Add<TPXGenericFilter>("Head");
  auto* middle = Add<TPXGenericFilter>("Middle");
  auto* sink = Add<TImageSink>("Sink");
  THandlers handlers;
  middle->SetOnProcessData(handlers.ProcessEvent());
  middle->SetSynchronizeType(pins::stQueue);
  Link(head->OutputPin(), middle->InputPin());
  Link(middle->OutputPin(), sink->InputPin());
  head->SendStartCommand(4, 1, kDelay, buffers::vfRGB24);
  std::thread sender([&] {
    for (int32_t w = 1; w <= 4; ++w) head->SendData(Image(w, 1).Get());
  });
  sender.join();
  EXPECT_EQ(handlers.Calls, 0);
  EXPECT_TRUE(sink->Seen().empty());
  ASSERT_TRUE(Eventually([&] {
    platform::ProcessMessages();
    return sink->Seen().size() == 4u;
  }));
  EXPECT_EQ(handlers.Widths, (std::vector<int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(handlers.LastThread, platform::MainThreadID());
  for (const auto& seen : sink->Seen()) EXPECT_EQ(seen.Thread, platform::MainThreadID());

  // A stop drops the frames still waiting for the main thread.
  head->SendData(Image(9, 1).Get());
  head->SendStopCommand();
  platform::ProcessMessages();
  EXPECT_EQ(handlers.Calls, 4);
}

// Frames from two threads through a common filter with a worker thread, stopped while they
// flow: nothing hangs, each sender's frames arrive in its order, and the filter starts again.
TEST_F(ImageFilters, CommonFilterWithAWorkerUnderConcurrentSendersAndAStop) {
  Watchdog dog(60, "ImageFilters.WorkerChain");
  auto* head = Add<TPXGenericFilter>("Head");
  auto* filter = Add<TFillFilter>("Filter");
  auto* sink = Add<TImageSink>("Sink");
  filter->Threading()->SetEnabled(true);
  filter->Threading()->Queue()->SetSize(2);
  Link(head->OutputPin(), filter->InputPin());
  Link(filter->OutputPin(), sink->InputPin());
  // Widths tell the frames apart: 1000 * round + 100 * sender + index + 1.
  for (int round = 0; round < 3; ++round) {
    head->SendStartCommand(8, 1, kDelay, buffers::vfRGB24);
    ASSERT_TRUE(filter->HasWorkerThread());
    std::vector<std::thread> senders;
    for (int s = 0; s < 2; ++s)
      senders.emplace_back([&, round, s] {
        for (int32_t i = 0; i < 100; ++i) head->SendData(Image(1000 * round + 100 * s + i + 1, 1).Get());
      });
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    head->SendStopCommand();
    for (auto& t : senders) t.join();
    EXPECT_FALSE(filter->HasWorkerThread());
  }
  std::vector<int32_t> last(2, 0);
  for (const auto& seen : sink->Seen()) {
    const auto w = static_cast<int32_t>(seen.Image->GetWidth());
    const int s = (w - 1) % 1000 / 100;
    EXPECT_GT(w, last[s]);
    last[s] = w;
    EXPECT_NE(seen.Thread, platform::GetCurrentThreadId());
  }
}

}  // namespace
