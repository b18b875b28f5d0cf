#include "bench/common/BenchData.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdlib>

namespace bench {

std::string DataFile(const std::string& name) {
  if (const char* dir = std::getenv("PF_DATA_DIR"); dir && *dir) return std::string(dir) + "/" + name;
  return std::string(PF_BENCH_DATA_DIR) + "/" + name;
}

cv::Mat ReadGrayPicture(const std::string& name, std::string* error) {
  const std::string path = DataFile(name);
  const cv::Mat colour = cv::imread(path, cv::IMREAD_COLOR);
  if (colour.empty()) {
    if (error) *error = "cannot read " + path;
    return cv::Mat();
  }
  cv::Mat gray;
  cv::cvtColor(colour, gray, cv::COLOR_BGR2GRAY);
  return gray;
}

}  // namespace bench
