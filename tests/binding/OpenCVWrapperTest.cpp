// The OpenCV wrapper library and its binding: entry points bound on first use, the wrapper's
// own functions, and the errors for a missing library or entry point.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/core/core_c.h>
#include <opencv2/imgproc.hpp>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "binding/PXOpenCV.h"
#include "tests/common/Watchdog.h"

namespace {

// Every test starts and ends with the binding as it is before start-up.
class OpenCVWrapper : public ::testing::Test {
 protected:
  void SetUp() override {
    cv::setNumThreads(1);  // the wrapper's OpenCV runs on the calling thread (its pool is not instrumented)
    binding::ResetOpenCVBindingForTesting();
  }
  void TearDown() override { binding::ResetOpenCVBindingForTesting(); }
};

// Runs f, which must raise ERBDLLLoadError, and returns its message.
template <typename F>
std::string LoadErrorOf(F f) {
  try {
    f();
  } catch (const binding::ERBDLLLoadError& e) {
    return e.what();
  }
  return "(nothing raised)";
}

}  // namespace

TEST_F(OpenCVWrapper, ImageRowsArePaddedToFourBytes) {
  EXPECT_TRUE(binding::IsOpenCVLoaded());
  EXPECT_FALSE(binding::cvCreateImage.IsBound());
  binding::IplImage* image = binding::cvCreateImage({33, 5}, binding::IplDepth8U, 1);
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(binding::cvCreateImage.IsBound());
  uint8_t* data = nullptr;
  int32_t step = 0;
  binding::cvGetRawData(image, &data, &step, nullptr);
  EXPECT_NE(data, nullptr);
  EXPECT_EQ(step, 36);
  binding::CvSize size{};
  binding::cvGetRawData(image, &data, &step, &size);
  EXPECT_EQ(size.width, 33);
  EXPECT_EQ(size.height, 5);
  binding::cvReleaseImage(&image);
  EXPECT_EQ(image, nullptr);
}

// In-place Gaussian smoothing with sigma derived from the mask size and a replicated border.
TEST_F(OpenCVWrapper, SmoothInPlaceEqualsGaussianBlur) {
  for (auto [w, h, mask] : {std::tuple{33, 21, 11}, std::tuple{64, 48, 5}, std::tuple{7, 3, 11}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << " mask " << mask);
    binding::IplImage* image = binding::cvCreateImage({w, h}, binding::IplDepth8U, 1);
    ASSERT_NE(image, nullptr);
    uint8_t* data = nullptr;
    int32_t step = 0;
    binding::cvGetRawData(image, &data, &step, nullptr);
    cv::Mat pixels(h, w, CV_8U, data, static_cast<size_t>(step));
    cv::randu(pixels, 0, 256);
    cv::Mat expected;
    cv::GaussianBlur(pixels, expected, cv::Size(mask, mask), 0, 0, cv::BORDER_REPLICATE);
    binding::cvSmooth(image, image, binding::CvGaussian, mask, mask, 0.0, 0.0);
    EXPECT_EQ(cv::countNonZero(pixels != expected), 0);
    binding::cvReleaseImage(&image);
  }
}

TEST_F(OpenCVWrapper, StoragesAndSequences) {
  binding::CvMemStorage* storage = binding::cvCreateMemStorage(0);
  ASSERT_NE(storage, nullptr);
  ::CvSeq* seq = ::cvCreateSeq(0, sizeof(::CvSeq), sizeof(int), reinterpret_cast<::CvMemStorage*>(storage));
  for (int i = 0; i < 1000; ++i) {
    const int value = 3 * i;
    ::cvSeqPush(seq, &value);
  }
  const auto* ours = reinterpret_cast<const binding::CvSeq*>(seq);
  EXPECT_EQ(binding::cvReadSeqSize(ours), 1000);
  EXPECT_EQ(*reinterpret_cast<int*>(binding::cvGetSeqElem(ours, 0)), 0);
  EXPECT_EQ(*reinterpret_cast<int*>(binding::cvGetSeqElem(ours, 999)), 2997);
  EXPECT_EQ(binding::cvReadSeqSize(nullptr), 0);
  binding::cvReleaseMemStorage(&storage);
  EXPECT_EQ(storage, nullptr);
}

// Without the library every call raises, the variable keeps its stub, and the next call
// loads again: here the library appears (under the test name) between two calls.
TEST_F(OpenCVWrapper, MissingLibraryRaisesAndIsTriedAgain) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("pf_opencv_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const char* oldPath = std::getenv("PF_LIBRARY_PATH");
  const std::string savedPath = oldPath ? oldPath : "";
  ::setenv("PF_LIBRARY_PATH", dir.c_str(), 1);

  binding::ResetOpenCVBindingForTesting("QZOpenCV2Later.dll");
  EXPECT_FALSE(binding::IsOpenCVLoaded());
  EXPECT_EQ(LoadErrorOf([] { binding::cvCreateImage({4, 4}, 8, 1); }), "Can't load QZOpenCV2.dll");
  EXPECT_FALSE(binding::cvCreateImage.IsBound());
  EXPECT_EQ(LoadErrorOf([] { binding::cvReadSeqSize(nullptr); }), "Can't load QZOpenCV2.dll");
  EXPECT_EQ(LoadErrorOf([] { binding::OpenCVLibraryHandle(); }), "Can't load QZOpenCV2.dll");
  EXPECT_EQ(LoadErrorOf([] { binding::GetOpenCVProc("cvSmooth"); }), "Can't load QZOpenCV2.dll");
  EXPECT_FALSE(binding::IsOpenCVLoaded());  // tried once at most

  fs::create_symlink(platform::ExecutableDirectory() + "libQZOpenCV2.so", dir / "libQZOpenCV2Later.so");
  binding::IplImage* image = binding::cvCreateImage({4, 4}, 8, 1);
  EXPECT_NE(image, nullptr);
  EXPECT_TRUE(binding::cvCreateImage.IsBound());
  binding::cvReleaseImage(&image);

  if (oldPath)
    ::setenv("PF_LIBRARY_PATH", savedPath.c_str(), 1);
  else
    ::unsetenv("PF_LIBRARY_PATH");
  binding::ResetOpenCVBindingForTesting();
  fs::remove_all(dir);
}

TEST_F(OpenCVWrapper, MissingEntryRaisesOnlyForThatFunction) {
  binding::ResetOpenCVBindingForTesting("QZOpenCV2Partial.dll");
  EXPECT_TRUE(binding::IsOpenCVLoaded());
  EXPECT_EQ(LoadErrorOf([] { binding::cvReadSeqSize(nullptr); }), "Can't get cvReadSeqSize");
  EXPECT_EQ(LoadErrorOf([] { binding::cvReadSeqSize(nullptr); }), "Can't get cvReadSeqSize");
  EXPECT_FALSE(binding::cvReadSeqSize.IsBound());
  EXPECT_EQ(LoadErrorOf([] { binding::GetOpenCVProc("cvNoSuchFunction"); }), "Can't get cvNoSuchFunction");
  binding::IplImage* image = binding::cvCreateImage({8, 2}, 8, 1);
  EXPECT_NE(image, nullptr);
  binding::cvReleaseImage(&image);
}

// The unit loads the library at start-up and, at shutdown, releases it and returns the entry
// variables to their stubs, so a call after shutdown goes through its stub again, which loads
// the library anew and binds the entry from it, instead of jumping into the released library.
TEST_F(OpenCVWrapper, AfterShutdownEntriesBindAnew) {
  binding::PXOpenCVInitialization();
  binding::IplImage* image = binding::cvCreateImage({8, 2}, 8, 1);
  binding::cvReleaseImage(&image);
  EXPECT_TRUE(binding::cvCreateImage.IsBound());
  EXPECT_TRUE(binding::cvReleaseImage.IsBound());
  binding::PXOpenCVFinalization();
  for (bool bound : {binding::cvCreateMemStorage.IsBound(), binding::cvReleaseMemStorage.IsBound(),
                     binding::cvCreateImage.IsBound(), binding::cvReleaseImage.IsBound(),
                     binding::cvGetRawData.IsBound(), binding::cvSmooth.IsBound(), binding::cvGetSeqElem.IsBound(),
                     binding::cvReadSeqSize.IsBound()})
    EXPECT_FALSE(bound);

  image = binding::cvCreateImage({8, 2}, 8, 1);  // through the stub: loads and binds again
  EXPECT_NE(image, nullptr);
  EXPECT_TRUE(binding::cvCreateImage.IsBound());
  EXPECT_EQ(reinterpret_cast<void*>(binding::cvCreateImage.Get()),
            reinterpret_cast<void*>(binding::GetOpenCVProc("cvCreateImage")));
  binding::cvReleaseImage(&image);
  EXPECT_EQ(image, nullptr);
}

// Threads making their first calls at the same moment all bind the same entry points.
TEST_F(OpenCVWrapper, FirstCallsFromSeveralThreads) {
  Watchdog dog(60, "OpenCVWrapper.FirstCallsFromSeveralThreads");
  constexpr int kThreads = 4;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        binding::IplImage* image = binding::cvCreateImage({5, 3}, binding::IplDepth8U, 1);
        if (!image || binding::cvReadSeqSize(nullptr) != 0) ++failures;
        binding::cvReleaseImage(&image);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_TRUE(binding::cvCreateImage.IsBound());
}

TEST(OpenCVWrapperError, IsTheSystemsException) {
  const binding::ERBDLLLoadError error("Can't get cvSmooth");
  const platform::Exception& base = error;
  EXPECT_EQ(base.Message(), "Can't get cvSmooth");
}
