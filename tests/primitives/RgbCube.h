// Walks the cube of RGB values, for tests of conversions whose fast paths must give the bytes
// of their extended-precision definition over the whole input domain.
//
// The full cube (2^24 values) is walked when the environment variable PF_EXHAUSTIVE is set to
// anything but 0; otherwise, to keep the default run short, every red value with a spread
// sample of `sampleRows` green values (and every blue value each).
#pragma once

#include <cstdlib>

#include "tests/primitives/ImageTestGuard.h"

namespace imagetest {

inline bool ExhaustiveRun() {
  const char* e = std::getenv("PF_EXHAUSTIVE");
  return e != nullptr && *e != '\0' && *e != '0';
}

// Calls check(src) once per red value with a three-byte image of 256 columns (blue 0..255)
// and one row per green value walked (all 256, or sampleRows of them).
template <typename Check>
void ForRgbCube(int sampleRows, Check check) {
  const int rows = ExhaustiveRun() ? 256 : sampleRows;
  GuardedImage src(256, rows, 3, 0);
  for (int r = 0; r < 256; ++r) {
    for (int y = 0; y < rows; ++y) {
      // A sample moves with red, so that together the samples touch every green value.
      const int g = rows == 256 ? y : (y * 256 / rows + r * 7) % 256;
      for (int b = 0; b < 256; ++b) {
        uint8_t* p = src.at(b, y);
        p[0] = static_cast<uint8_t>(r);
        p[1] = static_cast<uint8_t>(g);
        p[2] = static_cast<uint8_t>(b);
      }
    }
    check(src);
  }
}

}  // namespace imagetest
