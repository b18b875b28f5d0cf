// Views of shared containers copied, modified, handed between and released by several threads
// at once. Run under the thread sanitizer (the sanitizer builds bypass the pool, so every
// container and block is a heap allocation the sanitizer follows).
//
// PF_BUFFER_STRESS_ROUNDS sets the rounds per thread (default 300).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "buffers/CXSimpleMediaBuffer.h"
#include "buffers/RBSimpleDataBufferBlock.h"
#include "buffers/RBSimpleDataBufferInteger.h"
#include "tests/buffers/BuffersTestSupport.h"
#include "tests/common/Watchdog.h"

namespace {

using namespace buffers;
using bufferstest::BuffersTest;

using BufferThreads = BuffersTest;

int Rounds() {
  const char* text = std::getenv("PF_BUFFER_STRESS_ROUNDS");
  const int rounds = text ? std::atoi(text) : 0;
  return rounds > 0 ? rounds : 300;
}

template <class T>
RefPtr<T> CopyOf(T* b) {
  RefPtr<IRBData> copy = b->MakeCopy();
  return RefPtr<T>(dynamic_cast<T*>(copy->GetInstance()));
}

// Views handed from one thread to the next.
class THandOver {
 public:
  void Put(RefPtr<TRBBlockBuffer> b) {
    std::lock_guard<std::mutex> lock(FMutex);
    FItems.push_back(std::move(b));
  }
  RefPtr<TRBBlockBuffer> Take() {
    std::lock_guard<std::mutex> lock(FMutex);
    if (FItems.empty()) return nullptr;
    RefPtr<TRBBlockBuffer> b = std::move(FItems.front());
    FItems.pop_front();
    return b;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(FMutex);
    FItems.clear();
  }

 private:
  std::mutex FMutex;
  std::deque<RefPtr<TRBBlockBuffer>> FItems;
};

TEST_F(BufferThreads, CopyModifyAndReleaseFromEightThreads) {
  Watchdog dog(120, "BufferThreads.CopyModifyAndReleaseFromEightThreads");
  constexpr int kThreads = 8;
  constexpr uint32_t kSize = 4096;
  const int rounds = Rounds();

  std::vector<uint8_t> pattern(kSize);
  for (uint32_t i = 0; i < kSize; ++i) pattern[i] = static_cast<uint8_t>(i * 13 + 5);
  RefPtr<TRBBlockBuffer> source = TRBBlockBuffer::CreateData(pattern.data(), kSize);
  RefPtr<TRBIntegerBuffer> numbers = TRBIntegerBuffer::CreateValue(7, 64);
  RefPtr<TCXMediaBuffer> media = TCXMediaBuffer::Create(platform::New<TCXSmartMediaBuffer>(), 0);
  THandOver handOver;

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const auto mark = static_cast<uint8_t>(0xA0 + t);
      for (int round = 0; round < rounds; ++round) {
        // A copy reads the shared bytes in place, then modifies its own copy.
        RefPtr<TRBBlockBuffer> mine = CopyOf(source.Get());
        if (std::memcmp(mine->Read(), pattern.data(), kSize) != 0) {
          ADD_FAILURE() << "a shared container was written in place";
          return;
        }
        uint8_t* data = mine->Modify();
        data[round % kSize] = mark;
        mine->SetItem(0, mark);

        // A second copy of the private data is dropped as a mere transport.
        RefPtr<TRBBlockBuffer> transport = CopyOf(mine.Get());
        transport->RemoveOwnerShip();
        if (transport->GetItem(0) != mark) ADD_FAILURE() << "a private copy lost its byte";
        transport = nullptr;

        // Arithmetic on a copy of a shared integer buffer; the stamp of a shared media
        // container.
        RefPtr<TRBIntegerBuffer> ints = CopyOf(numbers.Get());
        ints->AddValue(t);
        ints->DivideValue(2);
        if (ints->GetItem(63) != (7 + t) / 2) ADD_FAILURE() << "integer arithmetic";
        RefPtr<TCXMediaBuffer> clip = CopyOf(media.Get());
        clip->GetTimeStamp()->SetBeginTime(round);
        (void)clip->GetTimeStamp()->EndTime();
        if (round % 16 == 0) clip->MakeUnique(false);

        // Hand the private copy to another thread, and take one: the last reference to a
        // container often goes on a thread that did not make it.
        mine->Resize(kSize / 2, round % 2 == 0);
        handOver.Put(mine);
        mine = nullptr;
        if (RefPtr<TRBBlockBuffer> other = handOver.Take()) {
          other->Write()[1] = mark;
          other->Resize(kSize + 1, true);
        }
      }
    });
  }
  for (std::thread& th : threads) th.join();
  handOver.Clear();
  EXPECT_EQ(std::memcmp(source->Read(), pattern.data(), kSize), 0);
  EXPECT_EQ(source->DataContainer()->CountOwners(), 1);
  EXPECT_EQ(numbers->GetItem(0), 7);
}

}  // namespace
