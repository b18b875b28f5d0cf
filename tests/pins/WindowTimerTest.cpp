// The window timer on the message loop's virtual clock.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "pins/CBComponent.h"
#include "platform/Forms.h"
#include "platform/Properties.h"

namespace {

using namespace pins;
using platform::MessageLoop;
using platform::New;
using platform::TObject;

struct TTicks {
  int Count = 0;
  bool Throw = false;
  TObject* Sender = nullptr;
  void OnTimer(TObject* sender) {
    ++Count;
    Sender = sender;
    if (Throw) throw std::runtime_error("tick failed");
  }
  platform::TNotifyEvent Event() { return platform::TNotifyEvent::Bind<&TTicks::OnTimer>(this); }
};

class WindowTimer : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageLoop().SetClock(&Clock);
    Timer = New<TCBTimer>(nullptr);
  }
  void TearDown() override {
    platform::FreeAndNil(Timer);
    Run(10000);  // nothing may fire after the timer is gone
    EXPECT_EQ(AfterFree.Count, 0);
    MessageLoop().SetClock(nullptr);
  }
  // Moves the clock in steps of 10 ms and dispatches what is due.
  void Run(int ms) {
    for (int t = 0; t < ms; t += 10) {
      Clock.Advance(10);
      platform::ProcessMessages();
    }
  }
  platform::TVirtualClock Clock;
  TCBTimer* Timer = nullptr;
  TTicks Ticks, AfterFree;
};

TEST_F(WindowTimer, NoTimerRunsWithoutOnTimer) {
  EXPECT_TRUE(Timer->Enabled());
  EXPECT_EQ(Timer->Interval(), 1000u);
  Timer->SetInterval(100);
  Run(1000);
  Timer->SetOnTimer(Ticks.Event());  // starts at once
  Run(90);
  EXPECT_EQ(Ticks.Count, 0);
  Run(10);
  EXPECT_EQ(Ticks.Count, 1);
  EXPECT_EQ(Ticks.Sender, Timer);
  Run(300);
  EXPECT_EQ(Ticks.Count, 4);
}

TEST_F(WindowTimer, IntervalZeroStopsAndANewIntervalRestarts) {
  Timer->SetInterval(100);
  Timer->SetOnTimer(Ticks.Event());
  Run(200);
  EXPECT_EQ(Ticks.Count, 2);
  Timer->SetInterval(0);
  Run(1000);
  EXPECT_EQ(Ticks.Count, 2);
  Timer->SetInterval(50);
  Run(50);
  EXPECT_EQ(Ticks.Count, 3);
  Timer->SetEnabled(false);
  Run(500);
  EXPECT_EQ(Ticks.Count, 3);
  Timer->SetEnabled(true);
  Run(50);
  EXPECT_EQ(Ticks.Count, 4);
}

TEST_F(WindowTimer, SameEnabledChangesNothingAndSameEventRestartsThePeriod) {
  Timer->SetInterval(100);
  Timer->SetOnTimer(Ticks.Event());
  Run(60);
  Timer->SetEnabled(true);  // unchanged: the period goes on
  Run(40);
  EXPECT_EQ(Ticks.Count, 1);
  Run(60);
  Timer->SetOnTimer(Ticks.Event());  // the same event: the period starts again
  Run(60);
  EXPECT_EQ(Ticks.Count, 1);
  Run(40);
  EXPECT_EQ(Ticks.Count, 2);
}

struct TReports {
  std::vector<std::string> Messages;
  TObject* Sender = nullptr;
  void OnException(TObject* sender, const std::exception& e) {
    Messages.push_back(e.what());
    Sender = sender;
  }
};

TEST_F(WindowTimer, HandlerExceptionsGoToTheApplicationAndTheTimerKeepsFiring) {
  ASSERT_NE(platform::Application, nullptr);
  TReports reports;
  platform::Application->OnException =
      platform::TExceptionEvent::Bind<&TReports::OnException>(&reports);
  Timer->SetInterval(100);
  Ticks.Throw = true;
  Timer->SetOnTimer(Ticks.Event());
  Run(300);
  platform::Application->OnException = {};
  EXPECT_EQ(Ticks.Count, 3);
  EXPECT_EQ(reports.Messages,
            (std::vector<std::string>{"tick failed", "tick failed", "tick failed"}));
  EXPECT_EQ(reports.Sender, Timer);
}

TEST_F(WindowTimer, FreeingTheTimerStopsIt) {
  Timer->SetInterval(100);
  Timer->SetOnTimer(AfterFree.Event());
  // TearDown frees the timer and runs the clock on.
}

TEST_F(WindowTimer, PublishesItsProperties) {
  auto* p = platform::GetPropInfo(Timer, "Interval");
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(platform::IsDefaultValue(Timer, *p));
  platform::SetOrdProp(Timer, "Interval", 250);
  EXPECT_EQ(Timer->Interval(), 250u);
  EXPECT_NE(platform::GetPropInfo(Timer, "Enabled"), nullptr);
  EXPECT_NE(platform::GetPropInfo(Timer, "OnTimer"), nullptr);
}

}  // namespace
