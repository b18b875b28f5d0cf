// A small reader of uncompressed 24- and 32-bit bitmap files, so that the benchmarks can run
// on a real photograph without OpenCV's image codecs.
#pragma once

#include <opencv2/core.hpp>

#include <string>

namespace bench {

// The picture as 8-bit BGR rows, top row first; an empty matrix (and a message in *error)
// when the file is missing or not an uncompressed 24- or 32-bit bitmap.
cv::Mat ReadBitmap(const std::string& path, std::string* error = nullptr);

// The path of a file of the shared picture folder: $PF_DATA_DIR/name when that variable is
// set, else the folder found when the build was configured.
std::string DataFile(const std::string& name);

}  // namespace bench
