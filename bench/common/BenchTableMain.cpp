// The main program of a family's benchmark table (BenchTable.h): the allocator is settled and
// OpenCV made single-threaded before anything is allocated, then the rows run as Google
// Benchmark's own main would run them. On the console, the rows are followed by the table of
// their medians and ratios in plain figures (the counters beside each row are rounded to
// three digits with a k or M).
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "bench/common/BenchCompare.h"

namespace {

// Google Benchmark's console output, then the table of every row that has a ratio.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  explicit TableReporter(OutputOptions options) : ConsoleReporter(options) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto ratio = run.counters.find("ratio");
      if (run.error_occurred || ratio == run.counters.end()) continue;
      const auto ours = run.counters.find("builtin_us"), theirs = run.counters.find("opencv_us");
      rows_.push_back({run.benchmark_name(), ours == run.counters.end() ? 0 : ours->second.value,
                       theirs == run.counters.end() ? 0 : theirs->second.value,
                       ratio->second.value});
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    if (rows_.empty()) return;
    std::size_t width = 3;
    for (const Row& row : rows_) width = std::max(width, row.name.size());
    const int w = static_cast<int>(width);
    std::ostream& out = GetOutputStream();
    char line[512];
    std::snprintf(line, sizeof line, "\n%-*s %13s %13s %8s\n", w, "row", "built-in us", "OpenCV us",
                  "ratio");
    out << line << std::string(width + 37, '-') << '\n';
    for (const Row& row : rows_) {
      std::snprintf(line, sizeof line, "%-*s %13.3f %13.3f %8.3f\n", w, row.name.c_str(), row.ours,
                    row.theirs, row.ratio);
      out << line;
    }
    out << "(ratio = built-in / OpenCV, medians of the interleaved calls; below 1: the built-in "
           "is faster)\n";
    out.flush();
  }

 private:
  struct Row {
    std::string name;
    double ours, theirs, ratio;
  };
  std::vector<Row> rows_;
};

// The value of --name=value among the arguments, or "" (read before Initialize takes the
// library's flags out of argv).
std::string_view FlagValue(int argc, char** argv, std::string_view name) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.size() > name.size() + 3 && arg.substr(0, 2) == "--" &&
        arg.substr(2, name.size()) == name && arg[name.size() + 2] == '=')
      return arg.substr(name.size() + 3);
  }
  return {};
}

bool IsTrue(std::string_view v) { return v == "true" || v == "yes" || v == "1"; }

}  // namespace

int main(int argc, char** argv) {
  bench::SettleAllocator();
  cv::setNumThreads(1);
  const std::string_view format = FlagValue(argc, argv, "benchmark_format");
  const std::string_view color = FlagValue(argc, argv, "benchmark_color");
  const bool console = format.empty() || format == "console";
  int options = benchmark::ConsoleReporter::OO_None;
  if (color.empty() || color == "auto" ? isatty(STDOUT_FILENO) != 0 : IsTrue(color))
    options |= benchmark::ConsoleReporter::OO_Color;
  if (IsTrue(FlagValue(argc, argv, "benchmark_counters_tabular")))
    options |= benchmark::ConsoleReporter::OO_Tabular;

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (console) {
    TableReporter reporter(static_cast<benchmark::ConsoleReporter::OutputOptions>(options));
    benchmark::RunSpecifiedBenchmarks(&reporter);
  } else {
    benchmark::RunSpecifiedBenchmarks();
  }
  benchmark::Shutdown();
  return 0;
}
