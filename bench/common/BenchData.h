// Pictures of the shared data folder for the benchmarks.
#pragma once

#include <opencv2/core.hpp>

#include <string>

namespace bench {

// The path of a file of the shared picture folder: $PF_DATA_DIR/name when that variable is
// set, else the folder found when the build was configured.
std::string DataFile(const std::string& name);

// The picture file of that name in 8-bit gray; an empty matrix (and a message in *error) when
// it cannot be read.
cv::Mat ReadGrayPicture(const std::string& name, std::string* error);

}  // namespace bench
