// The benchmark table of a primitive family: every case of a unit is registered as rows, one
// per size x layout x parameter, and each row times the built-in beside OpenCV with
// CompareWithOpenCV (interleaved, thread CPU time, OpenCV single-threaded), so the printed row
// carries both medians and their ratio built-in/OpenCV. The allocator is settled and OpenCV
// made single-threaded before a row builds its images, whatever the row does.
//
// A unit's benchmark file writes its cases in one block, the body of a function that gets the
// unit's table (a row is Unit/Form/size[/layout][/parameter]):
//
//   PF_BENCH_TABLE(Logic) {
//     table.Layouts(bench::BothLayouts());
//     table.Add("Not_8u_C3IR", [](bench::Row& r) {
//       cv::Mat img = r.Image(CV_8UC3), cvImg = r.Like(img);
//       r.Compare([&] { builtin::ippiNot_8u_C3IR(img.data, r.Step(img), r.Size()); },
//                 [&] { cv::bitwise_not(cvImg, cvImg); });
//     });
//   }
//
// The images a row makes have its size and layout: dense (each row follows the previous one,
// so the units that merge contiguous rows work the image as one row) or padded (a region of a
// wider image, so every row is worked on its own). Vectors are rows of height 1 (Lengths).
// A row runs on the settled heap; rows that also run on the heap as an untuned program has it
// (Heaps, DefaultHeap in BenchCompare.h) show what per-call memory costs a user.
// The program's main (BenchTableMain.cpp) comes with pf_add_benchmark(... TABLE ...).
#pragma once

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/common/BenchCompare.h"
#include "primitives/support/IppTypes.h"

namespace bench {

// An image size, or a vector length as a width with height 1.
struct Shape {
  int width = 0;
  int height = 1;
};

inline constexpr Shape kSmall{640, 480};
inline constexpr Shape kFullHd{1920, 1080};

// The sizes of the image rows unless a table says otherwise.
inline std::vector<Shape> ImageSizes() { return {kSmall, kFullHd}; }

// Vector lengths as shapes of height 1.
inline std::vector<Shape> Lengths(std::initializer_list<int> lengths) {
  std::vector<Shape> shapes;
  for (int n : lengths) shapes.push_back(Shape{n, 1});
  return shapes;
}

enum class Layout { kDense, kPadded };

// The heap a row runs on: settled (SettleAllocator), or as an untuned program has it
// (DefaultHeap; such rows end in "/heap:default").
enum class Heap { kSettled, kDefault };

// Both layouts: for the units that merge contiguous rows, whose padded rows show the cost of
// working row by row.
inline std::vector<Layout> BothLayouts() { return {Layout::kDense, Layout::kPadded}; }

// A parameter of a row: its label in the row's name ("sf:1") and the value the row reads.
struct Param {
  std::string label;
  int value = 0;
};

// What a row's body works with: the row's shape, layout and parameter, images made in that
// layout, and the one comparison that times the row.
class Row {
 public:
  // A padded image is this many pixels in from the left of a wider image, with as many more on
  // the right: its start is not aligned and its step exceeds its row length.
  static constexpr int kPadPixels = 8;

  Row(benchmark::State& state, Shape shape, Layout layout, int param)
      : state_(state), shape_(shape), layout_(layout), param_(param) {}

  int Width() const { return shape_.width; }
  int Height() const { return shape_.height; }
  IppiSize Size() const { return IppiSize{shape_.width, shape_.height}; }
  int Length() const { return shape_.width * shape_.height; }  // a vector's element count
  Layout GetLayout() const { return layout_; }
  int Param() const { return param_; }
  benchmark::State& State() { return state_; }

  static int Step(const cv::Mat& m) { return static_cast<int>(m.step); }

  // An image of the row's size and layout, zero.
  cv::Mat Blank(int type) const {
    if (layout_ == Layout::kDense) return cv::Mat::zeros(shape_.height, shape_.width, type);
    const cv::Mat parent = cv::Mat::zeros(shape_.height, shape_.width + 2 * kPadPixels, type);
    return parent(cv::Rect(kPadPixels, 0, shape_.width, shape_.height));
  }

  // An image of the row's size and layout with every element drawn uniformly from [low, high)
  // (the same values on every run).
  cv::Mat Image(int type, double high = 256, double low = 0) {
    cv::Mat m = Blank(type);
    rng_.fill(m, cv::RNG::UNIFORM, low, high);
    return m;
  }

  // A copy of m (of the row's size) in the row's layout.
  cv::Mat Like(const cv::Mat& m) const {
    cv::Mat copy = Blank(m.type());
    m.copyTo(copy);
    return copy;
  }

  // How many calls of a side one timed sample takes so that it covers about perSample elements:
  // for vectors whose single call is too short for one reading of the thread's clock.
  int Repeats(int perSample) const { return Length() >= perSample ? 1 : perSample / Length(); }

  // Times ours() beside opencv() (CompareWithOpenCV). With repeat > 1 each timed sample runs a
  // side that many times and the medians are given per call: for work too short for one
  // reading of the thread's clock.
  template <typename Ours, typename OpenCV>
  void Compare(Ours&& ours, OpenCV&& opencv, int repeat = 1) {
    timed_ = true;
    if (repeat <= 1) {
      CompareWithOpenCV(state_, ours, opencv);
      return;
    }
    CompareWithOpenCV(
        state_,
        [&] {
          for (int i = 0; i < repeat; ++i) ours();
        },
        [&] {
          for (int i = 0; i < repeat; ++i) opencv();
        });
    state_.counters["builtin_us"] = state_.counters["builtin_us"].value / repeat;
    state_.counters["opencv_us"] = state_.counters["opencv_us"].value / repeat;
  }

  // Ends the row without timing, with the reason shown in its place.
  void Skip(const std::string& why) {
    timed_ = true;
    state_.SkipWithError(why.c_str());
  }

  bool Timed() const { return timed_; }

 private:
  benchmark::State& state_;
  Shape shape_;
  Layout layout_;
  int param_;
  cv::RNG rng_{0x5eed};
  bool timed_ = false;
};

using RowBody = std::function<void(Row&)>;

// The rows of one unit. Sizes and layouts apply to the rows added after them.
class Table {
 public:
  explicit Table(std::string unit) : unit_(std::move(unit)) {}

  Table& Sizes(std::vector<Shape> sizes) {
    sizes_ = std::move(sizes);
    return *this;
  }

  Table& Layouts(std::vector<Layout> layouts) {
    layouts_ = std::move(layouts);
    return *this;
  }

  Table& Heaps(std::vector<Heap> heaps) {
    heaps_ = std::move(heaps);
    return *this;
  }

  // Registers the form's rows: for each parameter, each size, each layout and each heap, one
  // benchmark that settles the allocator (or, on the default heap, leaves it as an untuned
  // program has it), makes OpenCV single-threaded and runs body, which builds its images and
  // calls Compare (or Skip) once.
  Table& Add(const std::string& form, RowBody body, std::vector<Param> params = {Param{}}) {
    for (const Param& param : params)
      for (const Shape& shape : sizes_)
        for (Layout layout : layouts_)
          for (Heap heap : heaps_) {
            std::string name = unit_ + "/" + form + "/" + ShapeName(shape);
            if (layouts_.size() > 1) name += layout == Layout::kDense ? "/dense" : "/padded";
            if (!param.label.empty()) name += "/" + param.label;
            if (heap == Heap::kDefault) name += "/heap:default";
            benchmark::RegisterBenchmark(
                name.c_str(),
                [body, shape, layout, heap, value = param.value](benchmark::State& state) {
                  SettleAllocator();
                  std::optional<DefaultHeap> untuned;
                  if (heap == Heap::kDefault) untuned.emplace();
                  cv::setNumThreads(1);
                  Row row(state, shape, layout, value);
                  body(row);
                  if (!row.Timed()) state.SkipWithError("the row timed nothing");
                })
                ->Unit(benchmark::kMicrosecond);
          }
    return *this;
  }

  // Runs fill on a new table of that unit (image sizes, dense layout) while the program starts.
  static bool Register(const char* unit, void (*fill)(Table&)) {
    Table table(unit);
    fill(table);
    return true;
  }

 private:
  static std::string ShapeName(Shape s) {
    if (s.height == 1) return std::to_string(s.width);
    return std::to_string(s.width) + "x" + std::to_string(s.height);
  }

  std::string unit_;
  std::vector<Shape> sizes_ = ImageSizes();
  std::vector<Layout> layouts_ = {Layout::kDense};
  std::vector<Heap> heaps_ = {Heap::kSettled};
};

}  // namespace bench

// Opens the block that fills the table of a unit (see the top of this file); the block sees
// the table as `table`.
#define PF_BENCH_TABLE(unit)                                         \
  static void PfBenchTable_##unit(::bench::Table& table);            \
  [[maybe_unused]] static const bool pfBenchTableRegistered_##unit = \
      ::bench::Table::Register(#unit, &PfBenchTable_##unit);         \
  static void PfBenchTable_##unit(::bench::Table& table)
