// Helpers of the filter tests: a gate that holds processing until the test opens it, a log of
// exceptions reported through the application, and a wait with a time limit.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Forms.h"

namespace filtertest {

// Holds every thread that passes it until Open; counts the threads that reached it.
class TGate {
 public:
  void Pass() {
    std::unique_lock<std::mutex> lock(FMutex);
    ++FArrived;
    FChanged.notify_all();
    FChanged.wait(lock, [this] { return FOpen; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(FMutex);
    FOpen = true;
    FChanged.notify_all();
  }
  // Waits until `count` threads have reached the gate; false after five seconds.
  [[nodiscard]] bool WaitArrived(int count) {
    std::unique_lock<std::mutex> lock(FMutex);
    return FChanged.wait_for(lock, std::chrono::seconds(5), [&] { return FArrived >= count; });
  }

 private:
  std::mutex FMutex;
  std::condition_variable FChanged;
  int FArrived = 0;
  bool FOpen = false;
};

// Polls until the condition holds; false after five seconds.
inline bool Eventually(const std::function<bool()>& condition) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Records the exceptions that reach the application's handler, from any thread, while it
// lives.
class TExceptionLog {
 public:
  TExceptionLog() {
    platform::Application->OnException =
        platform::TExceptionEvent::Bind<&TExceptionLog::Report>(this);
  }
  ~TExceptionLog() { platform::Application->OnException = {}; }
  std::vector<std::string> Messages() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FMessages;
  }

 private:
  void Report(platform::TObject*, const std::exception& e) {
    std::lock_guard<std::mutex> lock(FMutex);
    FMessages.push_back(e.what());
  }

  std::mutex FMutex;
  std::vector<std::string> FMessages;
};

}  // namespace filtertest
