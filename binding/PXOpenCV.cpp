#include "binding/PXOpenCV.h"

#include <mutex>
#include <utility>

namespace binding {
namespace {

constexpr const char* kLibraryName = "QZOpenCV2.dll";

// The library handle, the tried flag and, for tests, another file to open (empty: the
// library's own name). All constant-initialized.
std::mutex LibraryLock;
platform::HMODULE LibraryHandle = nullptr;
bool LoadTried = false;
std::string& LibraryFileForTesting() {
  static std::string name;
  return name;
}

platform::HMODULE LoadWrapper() {
  return platform::LoadLibrary(LibraryFileForTesting().empty() ? std::string(kLibraryName)
                                                                : LibraryFileForTesting());
}

// Stores the library's entry point in the variable and returns it.
template <typename Entry>
typename Entry::Proc Bind(Entry& entry, const char* name) {
  auto proc = reinterpret_cast<typename Entry::Proc>(GetOpenCVProc(name));
  entry.Set(proc);
  return proc;
}

// The binding stubs, one per entry variable: bind, store, call.
CvMemStorage* BindCreateMemStorage(int32_t blockSize) {
  return Bind(cvCreateMemStorage, "cvCreateMemStorage")(blockSize);
}
void BindReleaseMemStorage(CvMemStorage** storage) {
  Bind(cvReleaseMemStorage, "cvReleaseMemStorage")(storage);
}
IplImage* BindCreateImage(CvSize size, int32_t depth, int32_t channels) {
  return Bind(cvCreateImage, "cvCreateImage")(size, depth, channels);
}
void BindReleaseImage(IplImage** image) { Bind(cvReleaseImage, "cvReleaseImage")(image); }
void BindGetRawData(const IplImage* image, uint8_t** data, int32_t* step, CvSize* roiSize) {
  Bind(cvGetRawData, "cvGetRawData")(image, data, step, roiSize);
}
void BindSmooth(const IplImage* src, IplImage* dst, int32_t smoothType, int32_t size1, int32_t size2, double sigma1,
                double sigma2) {
  Bind(cvSmooth, "cvSmooth")(src, dst, smoothType, size1, size2, sigma1, sigma2);
}
int8_t* BindGetSeqElem(const CvSeq* seq, int32_t index) { return Bind(cvGetSeqElem, "cvGetSeqElem")(seq, index); }
int32_t BindReadSeqSize(const CvSeq* seq) { return Bind(cvReadSeqSize, "cvReadSeqSize")(seq); }

void UnbindAll() {
  cvCreateMemStorage.Unbind();
  cvReleaseMemStorage.Unbind();
  cvCreateImage.Unbind();
  cvReleaseImage.Unbind();
  cvGetRawData.Unbind();
  cvSmooth.Unbind();
  cvGetSeqElem.Unbind();
  cvReadSeqSize.Unbind();
}

void ReleaseLibrary() {
  std::lock_guard<std::mutex> guard(LibraryLock);
  UnbindAll();
  platform::FreeLibrary(std::exchange(LibraryHandle, nullptr));
  LoadTried = false;
}

// The process-wide pivot generator of the sort: the run-time library's linear congruential
// generator (seed * 0x08088405 + 1, scaled to the range by the high 32 bits of a product).
std::mutex RandomLock;
uint32_t RandSeed = 0;

// A uniformly drawn value in 0 .. range - 1 (range >= 1).
uint32_t Random(uint32_t range) {
  std::lock_guard<std::mutex> guard(RandomLock);
  RandSeed = RandSeed * 0x08088405u + 1u;
  return static_cast<uint32_t>((uint64_t{RandSeed} * range) >> 32);
}

// One partition step around a random pivot: afterwards keys left of the returned position
// are greater than the pivot's key and keys right of it are not.
int32_t PartitionDesc(int32_t* indices, int32_t lo, int32_t hi, const int32_t* keys) {
  const int32_t p = lo + static_cast<int32_t>(Random(static_cast<uint32_t>(int64_t{hi} - lo + 1)));
  const int32_t pivot = indices[p];
  indices[p] = indices[lo];  // position lo is now the hole
  const int32_t k = keys[pivot];
  int32_t i = lo, j = hi;
  for (;;) {
    while (j > i && keys[indices[j]] <= k) --j;
    if (j <= i) break;
    indices[i++] = indices[j];  // the hole moves to j
    while (i < j && keys[indices[i]] > k) ++i;
    if (i >= j) {
      i = j;
      break;
    }
    indices[j] = indices[i];  // the hole moves back to i
  }
  indices[i] = pivot;
  return i;
}

}  // namespace

constinit TOpenCVEntry<CvMemStorage*(int32_t)> cvCreateMemStorage{&BindCreateMemStorage};
constinit TOpenCVEntry<void(CvMemStorage**)> cvReleaseMemStorage{&BindReleaseMemStorage};
constinit TOpenCVEntry<IplImage*(CvSize, int32_t, int32_t)> cvCreateImage{&BindCreateImage};
constinit TOpenCVEntry<void(IplImage**)> cvReleaseImage{&BindReleaseImage};
constinit TOpenCVEntry<void(const IplImage*, uint8_t**, int32_t*, CvSize*)> cvGetRawData{&BindGetRawData};
constinit TOpenCVEntry<void(const IplImage*, IplImage*, int32_t, int32_t, int32_t, double, double)> cvSmooth{
    &BindSmooth};
constinit TOpenCVEntry<int8_t*(const CvSeq*, int32_t)> cvGetSeqElem{&BindGetSeqElem};
constinit TOpenCVEntry<int32_t(const CvSeq*)> cvReadSeqSize{&BindReadSeqSize};

bool IsOpenCVLoaded() {
  std::lock_guard<std::mutex> guard(LibraryLock);
  if (!LoadTried && !LibraryHandle) LibraryHandle = LoadWrapper();
  LoadTried = true;
  return LibraryHandle != nullptr;
}

platform::HMODULE OpenCVLibraryHandle() {
  std::lock_guard<std::mutex> guard(LibraryLock);
  if (!LibraryHandle) LibraryHandle = LoadWrapper();
  if (!LibraryHandle) throw ERBDLLLoadError(std::string("Can't load ") + kLibraryName);
  return LibraryHandle;
}

platform::FARPROC GetOpenCVProc(const char* name) {
  platform::FARPROC proc = platform::GetProcAddress(OpenCVLibraryHandle(), name);
  if (!proc) throw ERBDLLLoadError(std::string("Can't get ") + (name ? name : ""));
  return proc;
}

void QuickSortIndexDesc(int32_t* indices, int32_t lo, int32_t hi, const int32_t* keys) {
  // Recursing only into the smaller part and looping on the larger keeps the stack depth
  // logarithmic. Keys equal to the pivot's all land right of it, so a long run of equal keys
  // would otherwise cost one partition per element: when the part left of the pivot is very
  // small, the keys equal to the pivot's are gathered next to it and left out of the rest.
  while (lo < hi) {
    const int32_t i = PartitionDesc(indices, lo, hi, keys);
    int32_t equalEnd = i;  // indices[i .. equalEnd] hold the pivot's key
    if (int64_t{i} - lo < (int64_t{hi} - lo) / 16) {
      const int32_t k = keys[indices[i]];
      for (int32_t r = i + 1; r <= hi; ++r)
        if (keys[indices[r]] == k) std::swap(indices[++equalEnd], indices[r]);
    }
    if (int64_t{i} - lo < int64_t{hi} - equalEnd) {
      QuickSortIndexDesc(indices, lo, i - 1, keys);
      lo = equalEnd + 1;
    } else {
      QuickSortIndexDesc(indices, equalEnd + 1, hi, keys);
      hi = i - 1;
    }
  }
}

void SetQuickSortSeed(uint32_t seed) {
  std::lock_guard<std::mutex> guard(RandomLock);
  RandSeed = seed;
}

void PXOpenCVInitialization() { IsOpenCVLoaded(); }

void PXOpenCVFinalization() { ReleaseLibrary(); }

void ResetOpenCVBindingForTesting(const std::string& libraryName) {
  ReleaseLibrary();
  std::lock_guard<std::mutex> guard(LibraryLock);
  LibraryFileForTesting() = libraryName;
}

}  // namespace binding

// Under the thread sanitizer: the wrapper's OpenCV smooths on a thread pool of its own that
// is not built for the sanitizer, whose reports about that pool's internals are not ours.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() { return "called_from_lib:libtbb.so\nrace:libtbb.so\n"; }
#endif
