// Tables of calls of the built-in entries at their edges: each pointer argument null in turn,
// regions, lengths and counts at the 32-bit limits.
//
// A row names the entry and the case, makes one call and gives the status it must return; an
// optional check looks at the outputs afterwards. Generic rows build every argument from its
// type (EdgeCall): pointers into a sentinel-filled scratch block, pointer arrays of scratch
// pointers, the row's region for every IppiSize, 1 for numbers, zeros for enumerations, points
// and rectangles. Every argument check of a built-in comes before its first read or write, so a
// call that fails a check leaves the scratch as it was, which the generic rows verify.
//
// Heavy rows walk billions of pixels (histogram bins, range counts and median windows beyond
// 2^31 - 1, over sources whose rows overlap, so that they need little memory): they run side
// by side on up to eight threads, and not under the sanitizers, which make each of them minutes
// long.
#pragma once

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "primitives/support/IppTypes.h"

namespace entryedges {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

inline constexpr std::uint8_t kSentinel = 0xA5;

// The block every pointer argument of a generic call points into.
struct Scratch {
  alignas(64) std::array<std::uint8_t, 4096> bytes;
  std::array<void*, 8> planes;  // for pointer-array arguments
  Scratch() {
    bytes.fill(kSentinel);
    for (void*& p : planes) p = bytes.data();
  }
  bool Untouched() const {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == kSentinel; }) &&
           std::all_of(planes.begin(), planes.end(), [this](void* p) { return p == bytes.data(); });
  }
};

// The argument of type T: see the opening comment. isNull makes a pointer argument null; every
// int argument (steps, scale factors) is ints.
template <typename T>
T EdgeArg(Scratch& s, IppiSize size, bool isNull, int ints = 1) {
  if constexpr (std::is_pointer_v<T>) {
    if (isNull) return nullptr;
    if constexpr (std::is_pointer_v<std::remove_pointer_t<T>>)
      return static_cast<T>(static_cast<void*>(s.planes.data()));
    else
      return static_cast<T>(static_cast<void*>(s.bytes.data()));
  } else {
    if (isNull) ADD_FAILURE() << "only a pointer argument can be null";
    if constexpr (std::is_same_v<T, IppiSize>)
      return size;
    else if constexpr (std::is_same_v<T, int>)
      return ints;
    else if constexpr (std::is_arithmetic_v<T>)
      return T{1};
    else
      return T{};
  }
}

template <typename... A, std::size_t... I>
IppStatus EdgeCallAt(IppStatus (*fn)(A...), Scratch& s, IppiSize size, int nullAt, int ints,
                     std::index_sequence<I...>) {
  return fn(EdgeArg<A>(s, size, static_cast<int>(I) == nullAt, ints)...);
}

// fn called with generic arguments, the region size for every IppiSize, argument nullAt null
// (none when -1), every int argument ints.
template <typename... A>
IppStatus EdgeCall(IppStatus (*fn)(A...), Scratch& s, IppiSize size, int nullAt = -1,
                   int ints = 1) {
  return EdgeCallAt(fn, s, size, nullAt, ints, std::index_sequence_for<A...>{});
}

struct Row {
  std::string name;  // the entry and the case
  IppStatus expected;
  std::function<IppStatus()> call;
  std::function<void()> check = {};  // the outputs afterwards, after the status
  bool heavy = false;                // walks billions of pixels
};

// The scratch block seen as elements of T, for the pointer arguments of an explicit call.
template <typename T>
T* In(Scratch& s) {
  return reinterpret_cast<T*>(s.bytes.data());
}

// A row of an explicit call: its status expected before any data is touched, the scratch the
// call's pointers point into untouched.
inline Row ScratchRow(std::string name, IppStatus expected,
                      std::function<IppStatus(Scratch&)> call) {
  return {std::move(name), expected, [call] {
            Scratch s;
            const IppStatus status = call(s);
            EXPECT_TRUE(s.Untouched()) << "written before the status";
            return status;
          }};
}

// A row for each pointer argument of fn but those whose null has a meaning (accepted): that
// argument null gives -8, nothing written.
template <typename... A>
void AddNullRows(std::vector<Row>& rows, const std::string& entry, IppStatus (*fn)(A...),
                 const std::vector<int>& accepted = {}, IppiSize size = {1, 1}) {
  constexpr bool kPointer[] = {std::is_pointer_v<A>..., false};
  for (int i = 0; i < static_cast<int>(sizeof...(A)); ++i) {
    if (!kPointer[i] || std::find(accepted.begin(), accepted.end(), i) != accepted.end()) continue;
    rows.push_back(
        {entry + ": argument " + std::to_string(i) + " null", ippStsNullPtrErr, [fn, i, size] {
           Scratch s;
           const IppStatus status = EdgeCall(fn, s, size, i);
           EXPECT_TRUE(s.Untouched()) << "written through a pointer";
           return status;
         }});
  }
}

// A row of fn with generic arguments over the region size: the status expected before any
// data is touched, nothing written.
template <typename... A>
Row SizeRow(const std::string& entry, IppStatus (*fn)(A...), IppiSize size, IppStatus expected) {
  return {entry + ": region " + std::to_string(size.width) + " x " + std::to_string(size.height),
          expected, [fn, size] {
            Scratch s;
            const IppStatus status = EdgeCall(fn, s, size);
            EXPECT_TRUE(s.Untouched()) << "written before the status";
            return status;
          }};
}

// A row of fn with generic arguments over the region size but every int argument 0 (steps
// below 1, a scale factor of 0): the status expected before any data is touched, nothing
// written.
template <typename... A>
Row ZeroIntsRow(const std::string& entry, IppStatus (*fn)(A...), IppiSize size,
                IppStatus expected) {
  return {entry + ": int arguments 0, region " + std::to_string(size.width) + " x " +
              std::to_string(size.height),
          expected, [fn, size] {
            Scratch s;
            const IppStatus status = EdgeCall(fn, s, size, -1, 0);
            EXPECT_TRUE(s.Untouched()) << "written before the status";
            return status;
          }};
}

// Runs the rows: the light ones in order, then the heavy ones side by side (skipped under the
// sanitizers); each check runs after its call, on this thread.
inline void Run(const std::vector<Row>& rows) {
  std::vector<const Row*> heavy;
  for (const Row& row : rows) {
    if (row.heavy) {
      heavy.push_back(&row);
      continue;
    }
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.call(), row.expected);
    if (row.check) row.check();
  }
  if (heavy.empty()) return;
  if (kSanitized) {
    std::printf("[  NOTE    ] heavy rows skipped under the sanitizers: %zu\n", heavy.size());
    return;
  }
  std::vector<IppStatus> status(heavy.size());
  std::atomic<std::size_t> next{0};
  const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
  std::vector<std::thread> workers;
  for (std::size_t t = 0; t < std::min(threads, heavy.size()); ++t)
    workers.emplace_back([&] {
      for (std::size_t i = next++; i < heavy.size(); i = next++) status[i] = heavy[i]->call();
    });
  for (std::thread& w : workers) w.join();
  for (std::size_t i = 0; i < heavy.size(); ++i) {
    SCOPED_TRACE(heavy[i]->name);
    EXPECT_EQ(status[i], heavy[i]->expected);
    if (heavy[i]->check) heavy[i]->check();
  }
}

// An address range of `bytes` bytes that all read `value`, backed by one small shared block
// mapped over and over: gigabytes of input at the cost of a few megabytes. Writes would show in
// every copy, so it serves as input only.
class RepeatedBytes {
 public:
  RepeatedBytes(std::size_t bytes, std::uint8_t value) {
    const int fd = ::memfd_create("entry-edges", 0);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(kBlock)) != 0) {
      if (fd >= 0) ::close(fd);
      return;
    }
    size_ = (bytes + kBlock - 1) / kBlock * kBlock;
    void* range =
        ::mmap(nullptr, size_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    bool ok = range != MAP_FAILED;
    if (ok) {
      base_ = static_cast<std::uint8_t*>(range);
      for (std::size_t at = 0; ok && at < size_; at += kBlock)
        ok = ::mmap(base_ + at, kBlock, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, fd, 0) !=
             MAP_FAILED;
      if (ok) std::memset(base_, value, kBlock);  // once: every copy shows it
    }
    ::close(fd);
    if (!ok) Release();
  }
  ~RepeatedBytes() { Release(); }
  RepeatedBytes(const RepeatedBytes&) = delete;
  RepeatedBytes& operator=(const RepeatedBytes&) = delete;

  bool ok() const { return base_ != nullptr; }
  std::uint8_t* data() const { return base_; }

 private:
  static constexpr std::size_t kBlock = std::size_t{32} << 20;
  void Release() {
    if (base_ != nullptr) ::munmap(base_, size_);
    base_ = nullptr;
  }
  std::uint8_t* base_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace entryedges
