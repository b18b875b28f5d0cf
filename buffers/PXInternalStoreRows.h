// The row converters of the pixel stores between the 16-bit formats and the 24- and 32-bit
// ones, with IPP-style arguments (source, source step, destination, destination step, width,
// height; steps in bytes) and a status of 0.
//
// 16-bit pixels are little-endian words: RGB565 with blue in bits 0-4, green in 5-10, red in
// 11-15; RGB555 with blue in bits 0-4, green in 5-9, red in 10-14 and bit 15 written as 0.
// Fields widen by a plain left shift (3 for 5-bit fields, 2 for the 6-bit green: a full
// field gives 248 or 252, not 255) and narrow by a right shift. 32-bit pixels written from
// RGB565 get alpha 255, from RGB555 alpha 127. Every pixel reads and writes exactly its own
// bytes; rows may lie at any alignment. Gray pixels pack as the RGB24 pixel whose three
// channels are the gray value.
#pragma once

#include "primitives/support/IppTypes.h"

namespace buffers {

// X(name, source layout, destination layout) for each converter.
#define PX_STORE_ROW_CONVERTERS(X)       \
  X(RGB565ToRGB24, Rgb565, Rgb24)        \
  X(RGB555ToRGB24, Rgb555, Rgb24)        \
  X(RGB565ToRGBA32, Rgb565, Rgba32)      \
  X(RGB555ToRGBA32, Rgb555, Rgba32)      \
  X(RGB24ToRGB565, Rgb24, Rgb565)        \
  X(RGB24ToRGB555, Rgb24, Rgb555)        \
  X(RGBA32ToRGB565, Rgba32, Rgb565)      \
  X(RGBA32ToRGB555, Rgba32, Rgb555)      \
  X(RGB565ToRGB555, Rgb565, Rgb555)      \
  X(RGB555ToRGB565, Rgb555, Rgb565)      \
  X(GrayToRGB565, Gray8, Rgb565)         \
  X(GrayToRGB555, Gray8, Rgb555)

#define PX_DECLARE_ROW_CONVERTER(name, from, to) \
  IppStatus name(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, int width, int height);
PX_STORE_ROW_CONVERTERS(PX_DECLARE_ROW_CONVERTER)
#undef PX_DECLARE_ROW_CONVERTER

}  // namespace buffers
