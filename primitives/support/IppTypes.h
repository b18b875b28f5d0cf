// The types, status codes and enumerations shared by every IPP-named primitive.
//
// The primitives keep the calling conventions of the IPP 5.1 interface: every function
// returns an IppStatus (0 success, negative errors, positive warnings), regions and points
// are 32-bit signed records passed by value, and row steps are in bytes.
#pragma once

#include <cstdint>

using Ipp8u = uint8_t;
using Ipp8s = int8_t;
using Ipp16u = uint16_t;
using Ipp16s = int16_t;
using Ipp32u = uint32_t;
using Ipp32s = int32_t;
using Ipp64u = uint64_t;
using Ipp64s = int64_t;
using Ipp32f = float;
using Ipp64f = double;

struct Ipp8sc { Ipp8s re, im; };
struct Ipp16sc { Ipp16s re, im; };
struct Ipp32sc { Ipp32s re, im; };
struct Ipp32fc { Ipp32f re, im; };
struct Ipp64sc { Ipp64s re, im; };
struct Ipp64fc { Ipp64f re, im; };

using IppStatus = int32_t;

// Status codes returned by the built-in primitives.
enum : IppStatus {
  ippStsNotSupportedModeErr = -9999,  // unsupported comparison mode
  ippStsNotEvenStepErr = -108,        // step not a multiple of the element size
  ippStsHistoNofLevelsErr = -107,     // fewer than two histogram levels
  ippStsLUTNofLevelsErr = -106,       // fewer than two look-up levels
  ippStsChannelOrderErr = -60,        // bad channel order
  ippStsAlphaTypeErr = -50,           // unknown compositing operation
  ippStsMaskSizeErr = -33,            // unsupported mask size
  ippStsMirrorFlipErr = -21,          // bad mirror axis
  ippStsThresholdErr = -18,           // upper threshold below lower
  ippStsStepErr = -14,                // bad row step
  ippStsPaletteErr = -11,             // palette bit size
  ippStsDivByZeroErr = -10,           // division by a zero constant
  ippStsMemAllocErr = -9,             // work memory could not be allocated
  ippStsNullPtrErr = -8,              // null pointer
  ippStsRangeErr = -7,                // value out of range
  ippStsSizeErr = -6,                 // bad size
  ippStsBadArgErr = -5,               // bad argument
  ippStsNoErr = 0,                    // success
  ippStsDivByZero = 6,                // warning: an image-by-image division met a zero divisor
};

struct IppiSize {
  int32_t width;
  int32_t height;
};

struct IppiRect {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
};

struct IppiPoint {
  int32_t x;
  int32_t y;
};

enum IppiMaskSize : int32_t {
  ippMskSize1x3 = 13,
  ippMskSize1x5 = 15,
  ippMskSize3x1 = 31,
  ippMskSize3x3 = 33,
  ippMskSize5x1 = 51,
  ippMskSize5x5 = 55,
};

enum IppiBorderType : int32_t {
  ippBorderConst = 0,
  ippBorderRepl = 1,
  ippBorderWrap = 2,
  ippBorderMirror = 3,
  ippBorderMirrorR = 4,
  ippBorderMirror2 = 5,
  ippBorderInMem = 6,
};

enum IppRoundMode : int32_t {
  ippRndZero = 0,
  ippRndNear = 1,
};

enum IppiAxis : int32_t {
  ippAxsHorizontal = 0,
  ippAxsVertical = 1,
  ippAxsBoth = 2,
};

enum IppHintAlgorithm : int32_t {
  ippAlgHintNone = 0,
  ippAlgHintFast = 1,
  ippAlgHintAccurate = 2,
};

enum IppCmpOp : int32_t {
  ippCmpLess = 0,
  ippCmpLessEq = 1,
  ippCmpEq = 2,
  ippCmpGreaterEq = 3,
  ippCmpGreater = 4,
};
