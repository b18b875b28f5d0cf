// Binding of the optional OpenCV wrapper library "QZOpenCV2.dll" (libQZOpenCV2.so).
//
// The library offers a few functions of OpenCV's C interface: images and memory storages,
// sequence access and Gaussian smoothing. Each is reached through an entry variable that is
// called like the function itself. A variable starts at a binding stub: the first call loads
// the library if needed, looks the function up by name, stores it in the variable and calls
// it, so every later call goes straight to the library. There is no built-in replacement: a
// missing library or entry point raises ERBDLLLoadError, and the variable keeps its stub so
// that a later call tries again.
//
// The unit also holds QuickSortIndexDesc, the index sort of the circle detector.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/DynLib.h"
#include "platform/SysUtils.h"
#include "platform/Units.h"

namespace binding {

// Raised when the wrapper library or one of its entry points cannot be loaded.
class ERBDLLLoadError : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

// The wrapper's structures belong to it; the system only passes their addresses around.
struct CvMemStorage;
struct IplImage;
struct CvSeq;

// Width and height of an image, passed by value.
struct CvSize {
  int32_t width;
  int32_t height;
};

// Image depth of unsigned 8-bit pixels and the Gaussian smoothing type of cvSmooth.
constexpr int32_t IplDepth8U = 8;
constexpr int32_t CvGaussian = 2;

// An entry variable: a function pointer that starts at its binding stub and is replaced by
// the library's entry point on the first successful call. Reads and writes are atomic, so
// threads making their first call at the same moment both bind and store the same pointer.
template <typename Signature>
class TOpenCVEntry;

template <typename R, typename... A>
class TOpenCVEntry<R(A...)> {
 public:
  using Proc = R (*)(A...);

  constexpr explicit TOpenCVEntry(Proc stub) : FStub(stub), FProc(stub) {}
  TOpenCVEntry(const TOpenCVEntry&) = delete;
  TOpenCVEntry& operator=(const TOpenCVEntry&) = delete;

  R operator()(A... args) const { return FProc.load(std::memory_order_acquire)(args...); }

  Proc Get() const { return FProc.load(std::memory_order_acquire); }
  bool IsBound() const { return Get() != FStub; }
  void Set(Proc proc) { FProc.store(proc, std::memory_order_release); }
  void Unbind() { Set(FStub); }

 private:
  const Proc FStub;
  std::atomic<Proc> FProc;
};

// The wrapper's functions, with the arguments their callers pass.
extern TOpenCVEntry<CvMemStorage*(int32_t blockSize)> cvCreateMemStorage;
extern TOpenCVEntry<void(CvMemStorage** storage)> cvReleaseMemStorage;
extern TOpenCVEntry<IplImage*(CvSize size, int32_t depth, int32_t channels)> cvCreateImage;
extern TOpenCVEntry<void(IplImage** image)> cvReleaseImage;
// Writes the first pixel's address and the row step in bytes; roiSize may be null.
extern TOpenCVEntry<void(const IplImage* image, uint8_t** data, int32_t* step, CvSize* roiSize)> cvGetRawData;
extern TOpenCVEntry<void(const IplImage* src, IplImage* dst, int32_t smoothType, int32_t size1, int32_t size2,
                         double sigma1, double sigma2)>
    cvSmooth;
extern TOpenCVEntry<int8_t*(const CvSeq* seq, int32_t index)> cvGetSeqElem;
extern TOpenCVEntry<int32_t(const CvSeq* seq)> cvReadSeqSize;

// Loads the library on the first call (unless it is loaded already) and reports whether it
// is loaded; later calls never try again.
bool IsOpenCVLoaded();

// The library's handle, loading it when it is not loaded (whatever IsOpenCVLoaded found);
// raises ERBDLLLoadError "Can't load QZOpenCV2.dll" when it cannot be loaded.
platform::HMODULE OpenCVLibraryHandle();

// The library's entry point of that name; raises ERBDLLLoadError "Can't get <name>" when the
// library lacks it (and "Can't load QZOpenCV2.dll" when the library is missing).
platform::FARPROC GetOpenCVProc(const char* name);

// Sorts indices[lo..hi] (inclusive) so that keys[indices[i]] does not increase with i. keys is
// not changed. Not stable: pivots are drawn from a process-wide pseudo-random generator, so
// equal keys may come out in any order. lo >= hi changes nothing.
void QuickSortIndexDesc(int32_t* indices, int32_t lo, int32_t hi, const int32_t* keys);

// Seeds the sort's pivot generator (it starts from 0), so that runs can be reproduced.
void SetQuickSortSeed(uint32_t seed);

// The unit: start-up tries to load the library once; shutdown releases it and returns every
// entry variable to its stub.
void PXOpenCVInitialization();
void PXOpenCVFinalization();
inline constexpr platform::TUnit PXOpenCVUnit{"PXOpenCV", &PXOpenCVInitialization, &PXOpenCVFinalization};

// For tests: releases the library, forgets that loading was tried, returns every entry
// variable to its stub and makes later loads open the given library name instead of
// "QZOpenCV2.dll" (messages keep naming "QZOpenCV2.dll"). An empty name restores the default.
void ResetOpenCVBindingForTesting(const std::string& libraryName = std::string());

}  // namespace binding
