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

// Status codes returned by the built-in primitives. Negative codes are errors (the call has
// not produced its result), positive codes are warnings (the result is produced).
enum : IppStatus {
  ippStsNotSupportedModeErr = -9999,  // unsupported comparison mode
  ippStsNotImplemented = -9998,       // dispatch slot whose built-in version is not written yet
  ippStsResizeNoOperationErr = -201,  // resize to an empty destination
  ippStsNoiseValErr = -125,           // noise level outside [0, 1)
  ippStsNotEvenStepErr = -108,        // step not a multiple of the element size
  ippStsHistoNofLevelsErr = -107,     // fewer than two histogram levels
  ippStsLUTNofLevelsErr = -106,       // fewer than two look-up levels
  ippStsChannelOrderErr = -60,        // bad channel order
  ippStsZeroMaskValuesErr = -59,      // every mask value zero
  ippStsQuadErr = -58,                // degenerate or non-convex quadrangle
  ippStsRectErr = -57,                // source rectangle too small
  ippStsCoeffErr = -56,               // singular or degenerate transform coefficients
  ippStsNumChannelsErr = -53,         // number of channels not allowed
  ippStsDivisorErr = -51,             // zero divisor of a kernel filter
  ippStsAlphaTypeErr = -50,           // unknown compositing operation
  ippStsHugeWinErr = -39,             // Kaiser window too large
  ippStsNegMagnErr = -38,             // negative magnitude
  ippStsStrideErr = -37,              // step too small for the row read or written
  ippStsAnchorErr = -34,              // anchor outside the mask
  ippStsMaskSizeErr = -33,            // unsupported mask size
  ippStsShiftErr = -32,               // negative shift count
  ippStsFIRLenErr = -26,              // FIR filter length below 1
  ippStsResizeFactorErr = -23,        // resize factor not positive
  ippStsInterpolationErr = -22,       // unknown interpolation code
  ippStsMirrorFlipErr = -21,          // bad mirror axis
  ippStsThreshNegLevelErr = -19,      // negative threshold level
  ippStsThresholdErr = -18,           // upper threshold below lower
  ippStsContextMatchErr = -17,        // record of the wrong kind (FFT set-up, FIR state)
  ippStsFftFlagErr = -16,             // FFT normalisation flag not valid
  ippStsFftOrderErr = -15,            // FFT order out of range
  ippStsStepErr = -14,                // bad row step
  ippStsPaletteErr = -11,             // palette bit size
  ippStsDivByZeroErr = -10,           // division by zero or divisor too small
  ippStsMemAllocErr = -9,             // work memory could not be allocated
  ippStsNullPtrErr = -8,              // null pointer
  ippStsRangeErr = -7,                // range whose upper bound is below its lower bound
  ippStsSizeErr = -6,                 // bad size
  ippStsBadArgErr = -5,               // bad argument
  ippStsNoErr = 0,                    // success
  ippStsSqrtNegArg = 3,               // warning: square root of a negative argument
  ippStsDivByZero = 6,                // warning: a zero divisor met in an element-wise division
  ippStsLnZeroArg = 7,                // warning: logarithm of zero
  ippStsLnNegArg = 8,                 // warning: logarithm of a negative argument
  ippStsWrongIntersectROI = 29,       // warning: source region outside the image, nothing written
  ippStsWrongIntersectQuad = 30,      // warning: transformed region misses the destination
  ippStsCpuNotSupportedErr = 36,      // processor query: the processor is not supported
  ippStsUnknownCacheSize = 37,        // processor query: the cache size is unknown
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

enum IppiAlphaType : int32_t {
  ippAlphaOver = 0,
  ippAlphaIn = 1,
  ippAlphaOut = 2,
  ippAlphaATop = 3,
  ippAlphaXor = 4,
  ippAlphaPlus = 5,
  ippAlphaOverPremul = 6,
  ippAlphaInPremul = 7,
  ippAlphaOutPremul = 8,
  ippAlphaATopPremul = 9,
  ippAlphaXorPremul = 10,
  ippAlphaPlusPremul = 11,
};

// Interpolation codes of the warps and resampling; the smoothing flag may be or-ed in.
enum : int32_t {
  IPPI_INTER_NN = 1,
  IPPI_INTER_LINEAR = 2,
  IPPI_INTER_CUBIC = 4,
  IPPI_INTER_SUPER = 8,
  IPPI_INTER_LANCZOS = 16,
  IPPI_SMOOTH_EDGE = static_cast<int32_t>(0x80000000u),
};

// FFT normalisation flags.
enum : int32_t {
  IPP_FFT_DIV_FWD_BY_N = 1,
  IPP_FFT_DIV_INV_BY_N = 2,
  IPP_FFT_DIV_BY_SQRTN = 4,
  IPP_FFT_NODIV_BY_ANY = 8,
};

// Processor type reported by ippGetCpuType; the built-in version knows none.
enum IppCpuType : int32_t {
  ippCpuUnknown = 0,
};

// Opaque records created and freed by their own primitives; each family defines its record.
struct IppiMorphState;
struct IppiHaarClassifier_32f;
struct IppsFFTSpec_C_64fc;
struct IppsFFTSpec_R_64f;
struct IppsFIRState_64f;
