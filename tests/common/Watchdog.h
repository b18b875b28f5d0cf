// A watchdog for concurrency tests: when the guarded scope has not ended within the given
// time, the process is aborted with a message, so that a deadlock fails the test run instead
// of hanging it.
//
//   TEST(Locks, Something) {
//     Watchdog dog(10, "Locks.Something");
//     ...
//   }
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

class Watchdog {
 public:
  explicit Watchdog(int seconds, std::string what = "test")
      : FWhat(std::move(what)), FThread([this, seconds] { Watch(seconds); }) {}

  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FDone = true;
    }
    FWake.notify_all();
    FThread.join();
  }

  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  void Watch(int seconds) {
    std::unique_lock<std::mutex> lock(FMutex);
    if (!FWake.wait_for(lock, std::chrono::seconds(seconds), [this] { return FDone; })) {
      std::fprintf(stderr, "\nWATCHDOG: %s did not finish within %d s (deadlock?); aborting\n",
                   FWhat.c_str(), seconds);
      std::fflush(stderr);
      std::abort();
    }
  }

  std::string FWhat;
  std::mutex FMutex;
  std::condition_variable FWake;
  bool FDone = false;
  std::thread FThread;
};
