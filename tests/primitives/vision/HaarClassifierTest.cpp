// The Haar classifier: building and freeing states, the grouped order of the features in the
// sum, the feature thresholds against the norm, the mask and the count, and failures.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "primitives/vision/HaarClassifier.h"
#include "primitives/vision/IntegralImages.h"
#include "tests/common/Watchdog.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;

// A classifier's input arrays, feature by feature.
struct Features {
  std::vector<IppiRect> rects;
  std::vector<float> weights, thresholds, val1, val2;
  std::vector<int> counts;

  void Add(std::vector<IppiRect> r, float weight, float threshold, float v1, float v2) {
    counts.push_back(static_cast<int>(r.size()));
    for (const IppiRect& x : r) rects.push_back(x), weights.push_back(weight);
    thresholds.push_back(threshold);
    val1.push_back(v1);
    val2.push_back(v2);
  }
  IppStatus Build(IppiHaarClassifier_32f** state) const {
    return builtin::ippiHaarClassifierInitAlloc_32f(state, rects.data(), weights.data(), thresholds.data(),
                                                    val1.data(), val2.data(), counts.data(),
                                                    static_cast<int>(counts.size()));
  }
};

// The float integral of a source image, with the norm and mask images of its region.
struct Scene {
  int w, h;
  GuardedImage integral, norm, mask;
  Scene(GuardedImage& src, int w, int h)
      : w(w), h(h), integral(src.width() + 1, src.height() + 1, 4, 4), norm(w, h, 4, 8), mask(w, h, 1, 3) {
    EXPECT_EQ(builtin::ippiIntegral_8u32f_C1R(src.data(), src.step(), reinterpret_cast<Ipp32f*>(integral.data()),
                                              integral.step(), src.size(), 0),
              ippStsNoErr);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) SetNorm(x, y, 1.0f);
    mask.FillRegion(1);
  }
  void SetNorm(int x, int y, float v) { std::memcpy(norm.at(x, y), &v, 4); }
  IppStatus Apply(IppiHaarClassifier_32f* state, float threshold, int* positive) {
    return builtin::ippiApplyHaarClassifier_32f_C1R(reinterpret_cast<const Ipp32f*>(integral.data()), integral.step(),
                                                    reinterpret_cast<const Ipp32f*>(norm.data()), norm.step(),
                                                    mask.data(), mask.step(), {w, h}, positive, threshold, state);
  }
};

TEST(VisionHaar, FeaturesAreSummedTwoRectangleFirstThenThreeThenTheRest) {
  // Every rectangle is one pixel of an all-ones image, so each feature's value is its
  // rectangle count and reaches threshold 0: it contributes its val2. 1e20 swallows a 1 added
  // before it, so the total is 1 only when the +-1e20 pair is added before the 1.
  GuardedImage ones(3, 3, 1, 3);
  ones.FillRegion(1);
  const auto rects = [](int n) { return std::vector<IppiRect>(n, IppiRect{0, 0, 1, 1}); };
  const struct {
    const char* what;
    std::vector<std::pair<int, float>> features;  // (rectangle count, contribution) in input order
    bool positive;
  } cases[] = {
      {"two and three before one", {{1, 1.0f}, {2, 1e20f}, {3, -1e20f}}, true},
      {"two before three", {{3, 1.0f}, {2, 1e20f}, {2, -1e20f}}, true},
      {"three before four", {{4, 1.0f}, {3, 1e20f}, {3, -1e20f}}, true},
      {"other rectangle counts keep their input order", {{5, 1e20f}, {1, -1e20f}, {4, 1.0f}}, true},
      {"the small value first is lost", {{2, 1.0f}, {3, 1e20f}, {1, -1e20f}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Features f;
    for (auto [n, v] : c.features) f.Add(rects(n), 1.0f, 0.0f, 0.0f, v);
    IppiHaarClassifier_32f* state = nullptr;
    ASSERT_EQ(f.Build(&state), ippStsNoErr);
    Scene scene(ones, 1, 1);
    int positive = -1;
    ASSERT_EQ(scene.Apply(state, 0.5f, &positive), ippStsNoErr);
    EXPECT_EQ(positive, c.positive ? 1 : 0);
    EXPECT_EQ(scene.mask.at(0, 0)[0], c.positive ? 1 : 0);
    EXPECT_EQ(builtin::ippiHaarClassifierFree_32f(state), ippStsNoErr);
  }
}

TEST(VisionHaar, AFeatureGivesVal2WhenItsValueReachesTheNormTimesItsThreshold) {
  GuardedImage ones(4, 4, 1, 3);
  ones.FillRegion(1);
  // One rectangle of 2 x 2 pixels with weight 0.5: value 2 everywhere; threshold 1.
  Features f;
  f.Add({{0, 0, 2, 2}}, 0.5f, 1.0f, -1.0f, 1.0f);
  IppiHaarClassifier_32f* state = nullptr;
  ASSERT_EQ(f.Build(&state), ippStsNoErr);
  Scene scene(ones, 3, 1);
  scene.SetNorm(0, 0, 1.0f);   // 2 >= 1: val2
  scene.SetNorm(1, 0, 2.0f);   // 2 >= 2: val2
  scene.SetNorm(2, 0, 2.5f);   // 2 < 2.5: val1
  int positive = -1;
  ASSERT_EQ(scene.Apply(state, 0.0f, &positive), ippStsNoErr);
  EXPECT_EQ(positive, 2);
  EXPECT_EQ(scene.mask.Region(), (std::vector<uint8_t>{1, 1, 0}));
  builtin::ippiHaarClassifierFree_32f(state);
}

TEST(VisionHaar, RectangleSumsAreReadAtEachPixelAndZeroMaskBytesAreNeverSet) {
  std::mt19937 rng(31);
  const int w = 20, h = 12;
  GuardedImage src(w + 4, h + 3, 1, 5);
  src.Randomize(rng);
  // A two-rectangle feature: the 4 x 3 block at (0, 0) minus twice the 2 x 3 block at (2, 0).
  Features f;
  f.Add({{0, 0, 4, 3}, {2, 0, 2, 3}}, 1.0f, 0.0f, 0.0f, 1.0f);
  f.weights[1] = -2.0f;
  IppiHaarClassifier_32f* state = nullptr;
  ASSERT_EQ(f.Build(&state), ippStsNoErr);
  Scene scene(src, w, h);
  std::bernoulli_distribution keep(0.7);
  std::vector<uint8_t> mask(w * h);
  for (uint8_t& m : mask) m = keep(rng) ? static_cast<uint8_t>(1 + rng() % 255) : 0;
  scene.mask.SetRegion(mask);
  int positive = -1;
  ASSERT_EQ(scene.Apply(state, 0.5f, &positive), ippStsNoErr);
  int expectedPositive = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int value = 0;
      for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i) value += src.row(y + j)[x + i] * (i >= 2 ? -1 : 1);
      const bool pass = mask[y * w + x] != 0 && value >= 0;
      expectedPositive += pass;
      EXPECT_EQ(scene.mask.at(x, y)[0], pass ? mask[y * w + x] : 0) << x << "," << y;
    }
  EXPECT_EQ(positive, expectedPositive);
  EXPECT_GT(positive, 0);
  EXPECT_LT(positive, w * h);
  EXPECT_TRUE(scene.mask.OutsideUntouched());
  builtin::ippiHaarClassifierFree_32f(state);
}

// The input arrays may start at any address: copies of them 1, 3 and 5 bytes past an 8-byte
// boundary build a classifier that marks the same pixels as the aligned arrays' one.
TEST(VisionHaar, InputArraysAtOddAddressesBuildTheSameClassifier) {
  std::mt19937 rng(33);
  GuardedImage src(30, 20, 1, 5);
  src.Randomize(rng);
  Features f;
  f.Add({{0, 0, 4, 3}, {2, 0, 2, 3}}, 1.0f, 0.25f, -1.0f, 1.0f);
  f.Add({{0, 0, 2, 6}, {2, 0, 2, 6}, {4, 0, 2, 6}}, 0.5f, 40.0f, 0.5f, -0.75f);
  f.Add({{1, 1, 1, 1}}, -1.0f, -100.0f, 2.0f, 0.5f);
  f.weights[1] = -2.0f;
  const auto apply = [&](IppiHaarClassifier_32f* state, int* positive) {
    Scene scene(src, 24, 14);
    EXPECT_EQ(scene.Apply(state, 0.5f, positive), ippStsNoErr);
    return scene.mask.Region();
  };
  IppiHaarClassifier_32f* state = nullptr;
  ASSERT_EQ(f.Build(&state), ippStsNoErr);
  int wantPositive = -1;
  const std::vector<uint8_t> want = apply(state, &wantPositive);
  builtin::ippiHaarClassifierFree_32f(state);
  ASSERT_GT(wantPositive, 0);
  ASSERT_LT(wantPositive, 24 * 14);
  // Each array copied into storage of its own at the offset.
  const auto at = [](std::vector<uint64_t>& storage, const void* data, size_t bytes,
                     size_t offset) {
    storage.assign(bytes / 8 + 2, 0);
    uint8_t* p = reinterpret_cast<uint8_t*>(storage.data()) + offset;
    std::memcpy(p, data, bytes);
    return p;
  };
  for (const size_t offset : {1, 3, 5}) {
    SCOPED_TRACE(testing::Message() << "offset " << offset);
    std::vector<uint64_t> rects, weights, thresholds, val1, val2, counts;
    const size_t n = f.counts.size(), r = f.rects.size();
    ASSERT_EQ(builtin::ippiHaarClassifierInitAlloc_32f(
                  &state,
                  reinterpret_cast<const IppiRect*>(at(rects, f.rects.data(), r * 16, offset)),
                  reinterpret_cast<const Ipp32f*>(at(weights, f.weights.data(), r * 4, offset)),
                  reinterpret_cast<const Ipp32f*>(at(thresholds, f.thresholds.data(), n * 4, offset)),
                  reinterpret_cast<const Ipp32f*>(at(val1, f.val1.data(), n * 4, offset)),
                  reinterpret_cast<const Ipp32f*>(at(val2, f.val2.data(), n * 4, offset)),
                  reinterpret_cast<const int*>(at(counts, f.counts.data(), n * 4, offset)),
                  static_cast<int>(n)),
              ippStsNoErr);
    int positive = -1;
    EXPECT_EQ(apply(state, &positive), want);
    EXPECT_EQ(positive, wantPositive);
    builtin::ippiHaarClassifierFree_32f(state);
  }
}

TEST(VisionHaar, OneStateServesSeveralThreadsAtOnce) {
  Watchdog dog(60, "VisionHaar.OneStateServesSeveralThreadsAtOnce");
  std::mt19937 rng(32);
  GuardedImage src(40, 30, 1, 5);
  src.Randomize(rng);
  Features f;
  f.Add({{0, 0, 5, 5}, {1, 1, 3, 3}}, 1.0f, 5.0f, 0.0f, 1.0f);
  f.Add({{0, 0, 2, 8}, {2, 0, 2, 8}, {4, 0, 2, 8}}, 0.5f, 100.0f, 0.0f, 1.0f);
  IppiHaarClassifier_32f* state = nullptr;
  ASSERT_EQ(f.Build(&state), ippStsNoErr);
  // The images are made before the threads start (the guarded images' set-up is not
  // thread-safe); the threads only apply the shared state.
  std::vector<std::unique_ptr<Scene>> scenes;
  for (int t = 0; t < 4; ++t) scenes.push_back(std::make_unique<Scene>(src, 34, 22));
  std::vector<int> counts(4);
  std::vector<IppStatus> results(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] { results[t] = scenes[t]->Apply(state, 1.0f, &counts[t]); });
  for (std::thread& t : threads) t.join();
  std::vector<std::vector<uint8_t>> masks;
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(results[t], ippStsNoErr);
    masks.push_back(scenes[t]->mask.Region());
  }
  for (int t = 1; t < 4; ++t) {
    EXPECT_EQ(masks[t], masks[0]);
    EXPECT_EQ(counts[t], counts[0]);
  }
  builtin::ippiHaarClassifierFree_32f(state);
}

TEST(VisionHaar, AnInvalidRectangleFreesTheStateAndNullsIt) {
  const IppiRect bad[] = {{0, 0, 0, 1}, {0, 0, 1, 0}, {-1, 0, 1, 1}, {0, -1, 1, 1},
                          // corners beyond the 32-bit range could never be addressed
                          {INT32_MAX - 1, 0, 5, 1}, {0, INT32_MAX, 1, 1}};
  for (const IppiRect& r : bad) {
    Features f;
    f.Add({{0, 0, 1, 1}, {0, 0, 1, 1}}, 1, 0, 0, 1);
    f.Add({{1, 1, 2, 2}, r}, 1, 0, 0, 1);  // the bad rectangle is the last one copied
    IppiHaarClassifier_32f* state = reinterpret_cast<IppiHaarClassifier_32f*>(&f);
    EXPECT_EQ(f.Build(&state), ippStsBadArgErr) << r.x << "," << r.y << " " << r.width << "x" << r.height;
    EXPECT_EQ(state, nullptr);  // and the leak checker finds nothing left behind
  }
}

TEST(VisionHaar, ChecksComeInTheirOrder) {
  Features f;
  f.Add({{0, 0, 1, 1}, {0, 0, 1, 1}}, 1, 0, 0, 1);
  auto* const kUntouched = reinterpret_cast<IppiHaarClassifier_32f*>(&f);
  IppiHaarClassifier_32f* state = kUntouched;
  const auto build = [&](const IppiRect* r, const int* n, int length) {
    return builtin::ippiHaarClassifierInitAlloc_32f(&state, r, f.weights.data(), f.thresholds.data(), f.val1.data(),
                                                    f.val2.data(), n, length);
  };
  EXPECT_EQ(builtin::ippiHaarClassifierInitAlloc_32f(nullptr, f.rects.data(), f.weights.data(), f.thresholds.data(),
                                                     f.val1.data(), f.val2.data(), f.counts.data(), -1),
            ippStsNullPtrErr);
  EXPECT_EQ(build(nullptr, f.counts.data(), -1), ippStsNullPtrErr);
  EXPECT_EQ(build(f.rects.data(), nullptr, -1), ippStsNullPtrErr);
  EXPECT_EQ(build(f.rects.data(), f.counts.data(), -1), ippStsSizeErr);
  const IppiRect badRect[2] = {{0, 0, 0, 0}, {0, 0, 0, 0}};
  const int zero[2] = {2, 0};
  EXPECT_EQ(build(badRect, zero, 2), ippStsSizeErr);  // a count below 1 before any rectangle
  // More rectangles than 32-bit indexes reach: no block is asked for.
  const int huge[2] = {INT32_MAX, INT32_MAX};
  EXPECT_EQ(build(badRect, huge, 2), ippStsMemAllocErr);
  EXPECT_EQ(state, kUntouched);
  EXPECT_EQ(builtin::ippiHaarClassifierFree_32f(nullptr), ippStsNullPtrErr);

  // No features at all: every pixel sums to 0.
  ASSERT_EQ(build(f.rects.data(), f.counts.data(), 0), ippStsNoErr);
  ASSERT_NE(state, nullptr);
  GuardedImage ones(2, 2, 1, 3);
  ones.FillRegion(1);
  Scene scene(ones, 2, 2);
  int positive = -1;
  EXPECT_EQ(scene.Apply(state, 0.0f, &positive), ippStsNoErr);
  EXPECT_EQ(positive, 4);
  EXPECT_EQ(scene.Apply(state, 0.5f, &positive), ippStsNoErr);
  EXPECT_EQ(positive, 0);

  // Apply: pointers, size, steps too small, then steps not multiples of 4.
  scene.mask.FillRegion(7);
  const float* s = reinterpret_cast<const float*>(scene.integral.data());
  const float* nm = reinterpret_cast<const float*>(scene.norm.data());
  Ipp8u* m = scene.mask.data();
  const int ss = scene.integral.step(), ns = scene.norm.step(), ms = scene.mask.step();
  positive = -1;
  const struct {
    const float *src, *norm;
    Ipp8u* mask;
    int* count;
    IppiHaarClassifier_32f* st;
    int srcStep, normStep, maskStep;
    IppiSize size;
    IppStatus expected;
  } cases[] = {
      {nullptr, nm, m, &positive, state, 0, 0, 0, {0, 0}, ippStsNullPtrErr},
      {s, nullptr, m, &positive, state, 0, 0, 0, {0, 0}, ippStsNullPtrErr},
      {s, nm, nullptr, &positive, state, 0, 0, 0, {0, 0}, ippStsNullPtrErr},
      {s, nm, m, nullptr, state, 0, 0, 0, {0, 0}, ippStsNullPtrErr},
      {s, nm, m, &positive, nullptr, 0, 0, 0, {0, 0}, ippStsNullPtrErr},
      {s, nm, m, &positive, state, 0, 0, 0, {2, 0}, ippStsSizeErr},
      {s, nm, m, &positive, state, 7, ns, ms, {2, 2}, ippStsStepErr},
      {s, nm, m, &positive, state, ss, 7, ms, {2, 2}, ippStsStepErr},
      {s, nm, m, &positive, state, ss, ns, 1, {2, 2}, ippStsStepErr},
      {s, nm, m, &positive, state, 10, 7, ms, {2, 2}, ippStsStepErr},
      {s, nm, m, &positive, state, 10, ns, ms, {2, 2}, ippStsNotEvenStepErr},
      {s, nm, m, &positive, state, ss, ns + 2, ms, {2, 2}, ippStsNotEvenStepErr},
  };
  for (const auto& c : cases)
    EXPECT_EQ(builtin::ippiApplyHaarClassifier_32f_C1R(c.src, c.srcStep, c.norm, c.normStep, c.mask, c.maskStep,
                                                       c.size, c.count, 0.5f, c.st),
              c.expected);
  EXPECT_EQ(positive, -1);
  EXPECT_EQ(scene.mask.Region(), std::vector<uint8_t>(4, 7));
  builtin::ippiHaarClassifierFree_32f(state);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Under a limit on the address space (set in a child process) the table of corner offsets of a
// classifier with many rectangles cannot be allocated: Apply reports it and leaves mask and
// count alone; building another such state fails the same way. (The sanitizers reserve far more
// address space than they use, so the limit cannot be applied under them.)
int ApplyUnderAnAddressSpaceLimit() {
  const int kRects = 200000;  // a 6.4 MB offset table
  Features f;
  f.Add(std::vector<IppiRect>(kRects, IppiRect{0, 0, 1, 1}), 1, 0, 0, 1);
  IppiHaarClassifier_32f* state = nullptr;
  if (f.Build(&state) != ippStsNoErr) return 2;
  float integral[4] = {0, 0, 0, 1}, norm[1] = {1};
  Ipp8u mask[1] = {9};
  int positive = -1;

  long pages = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  if (pages == 0) return 3;
  rlimit limit{};
  getrlimit(RLIMIT_AS, &limit);
  limit.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (1 << 20);
  if (setrlimit(RLIMIT_AS, &limit) != 0) return 4;

  if (builtin::ippiApplyHaarClassifier_32f_C1R(integral, 8, norm, 4, mask, 1, {1, 1}, &positive, 0.5f, state) !=
      ippStsMemAllocErr)
    return 5;
  if (mask[0] != 9 || positive != -1) return 6;
  IppiHaarClassifier_32f* second = nullptr;
  if (f.Build(&second) != ippStsMemAllocErr || second != nullptr) return 7;
  return 0;
}

TEST(VisionHaarDeathTest, ApplyReportsAnOffsetTableItCannotAllocate) {
  EXPECT_EXIT(std::_Exit(ApplyUnderAnAddressSpaceLimit()), testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
