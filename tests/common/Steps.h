// Steps that the threads of a concurrency test take in a fixed order: one thread marks a
// step done, another waits until it is. Pair it with a Watchdog, which ends a test whose
// step never comes.
#pragma once

#include <atomic>
#include <thread>

class TSteps {
 public:
  void Set(int AStep) { FStep.store(AStep); }
  void WaitFor(int AStep) const {
    while (FStep.load() < AStep) std::this_thread::yield();
  }

 private:
  std::atomic<int> FStep{0};
};
