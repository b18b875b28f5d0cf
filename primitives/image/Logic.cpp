// Bitwise operations and shifts of 8-bit images (see Logic.h).
//
// Every form is one of five routines, instantiated for its operation from the lists at the
// end: the byte routine (two images over a run of bytes a row), the alpha-four routine (two
// images, three bytes of every four), the one-channel constant routine, the multi-channel
// constant routine and the alpha-four constant routine. A shift is a byte operation too: its
// counts, clamped to 8, are the second operand (a byte shifted by 8 is 0 either way).
#include "primitives/image/Logic.h"

#include <type_traits>

#include "primitives/support/BytewiseEngine.h"
#include "primitives/image/Copy.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

using arith::TRows8u;

using bytewise::TByteOp;

constexpr bool IsShift(TByteOp op) { return op == TByteOp::LShift || op == TByteOp::RShift; }

// A shift count as the second operand of the byte operation: counts above 7 become 8.
constexpr uint8_t ShiftOperand(Ipp32u count) { return count > 7 ? 8 : static_cast<uint8_t>(count); }

using bytewise::ByteSize;
// Every routine checks its pointers, then its steps, then the size.
using bytewise::CheckPointersStepsSize;

// ---- Two images
// ----------------------------------------------------------------------------------

// dst <- src1 op src2 over bytes.width bytes in each of bytes.height rows.
template <TByteOp Op>
IppStatus ByteRoutine(const Ipp8u* src1, int src1Step, const Ipp8u* src2, int src2Step, Ipp8u* dst,
                      int dstStep, IppiSize bytes) {
  if (IppStatus s = CheckPointersStepsSize({src1, src2, dst}, {src1Step, src2Step, dstStep}, bytes);
      s != 0)
    return s;
  bytewise::ByteOpRows(Op, bytewise::WithImage(src1, src1Step, src2, src2Step, dst, dstStep,
                                               bytes.width, bytes.height));
  return ippStsNoErr;
}

// The byte routine over width * channels bytes a row, after a size check of its own.
template <TByteOp Op, int32_t Channels>
IppStatus ChannelsRoutine(const Ipp8u* src1, int src1Step, const Ipp8u* src2, int src2Step,
                          Ipp8u* dst, int dstStep, IppiSize size) {
  IppiSize bytes;
  if (IppStatus s = bytewise::CheckChannelRows({src1, src2, dst}, {src1Step, src2Step, dstStep},
                                               size, Channels, bytes);
      s != ippStsNoErr)
    return s;
  return ByteRoutine<Op>(src1, src1Step, src2, src2Step, dst, dstStep, bytes);
}

// dst <- src1 op src2 over the first three bytes of every four-byte pixel.
template <TByteOp Op>
IppStatus Alpha4Routine(const Ipp8u* src1, int src1Step, const Ipp8u* src2, int src2Step,
                        Ipp8u* dst, int dstStep, IppiSize size) {
  if (IppStatus s = CheckPointersStepsSize({src1, src2, dst}, {src1Step, src2Step, dstStep}, size);
      s != 0)
    return s;
  IppiSize bytes;
  if (!ByteSize(size, 4, bytes)) return ippStsSizeErr;
  bytewise::ByteOpRowsAlpha4(Op, bytewise::WithImage(src1, src1Step, src2, src2Step, dst, dstStep,
                                                     bytes.width, bytes.height));
  return ippStsNoErr;
}

// ---- Constants and counts
// ------------------------------------------------------------------------

// dst <- src op c over bytes.width bytes a row. A shift of 8 or more fills 0, one of 0 copies.
template <TByteOp Op>
IppStatus ConstantRoutine(const Ipp8u* src, int srcStep, Ipp32u c, Ipp8u* dst, int dstStep,
                          IppiSize bytes) {
  if (IppStatus s = CheckPointersStepsSize({src, dst}, {srcStep, dstStep}, bytes); s != ippStsNoErr)
    return s;
  if constexpr (IsShift(Op)) {
    if (c > 7) {
      rows::ForEachRow(dst, dstStep, 1, bytes, [](uint8_t* d, int32_t n) { fbZeroBytes(d, n); });
      return ippStsNoErr;
    }
    if (c == 0) {
      if (src != dst) fbCopyRows(src, srcStep, dst, dstStep, bytes.width, bytes.height);
      return ippStsNoErr;
    }
  }
  uint8_t pattern[arith::kPatternBytes];
  const uint8_t operand = IsShift(Op) ? ShiftOperand(c) : static_cast<uint8_t>(c);
  arith::FillPattern(pattern, &operand, 1);
  bytewise::ByteOpRows(
      Op, bytewise::WithPattern(src, srcStep, pattern, dst, dstStep, bytes.width, bytes.height));
  return ippStsNoErr;
}

// The second operand of a pixel of pixelBytes bytes repeated along a row: the constants, or
// the counts clamped to 8, of its first channels bytes (0 in the others).
template <class T>
void OperandPattern(const T* value, int32_t channels, int32_t pixelBytes,
                    uint8_t (&pattern)[arith::kPatternBytes]) {
  uint8_t pixel[4] = {0, 0, 0, 0};
  for (int32_t k = 0; k < channels; ++k)
    pixel[k] = std::is_same_v<T, Ipp32u> ? ShiftOperand(value[k]) : static_cast<uint8_t>(value[k]);
  arith::FillPattern(pattern, pixel, pixelBytes);
}

template <class T>
bool AllEqual(const T* value, int32_t channels) {
  for (int32_t k = 1; k < channels; ++k)
    if (value[k] != value[0]) return false;
  return true;
}

template <class T>
bool AllAbove7(const T* value, int32_t channels) {
  for (int32_t k = 0; k < channels; ++k)
    if (value[k] <= 7) return false;
  return true;
}

// The checks of the constant routines; bytes is the row of pixels of pixelBytes bytes.
IppStatus CheckConstants(const Ipp8u* src, int srcStep, const void* value, const Ipp8u* dst,
                         int dstStep, IppiSize size, int32_t pixelBytes, IppiSize& bytes) {
  if (IppStatus s = CheckPointersStepsSize({src, value, dst}, {srcStep, dstStep}, size); s != 0)
    return s;
  return ByteSize(size, pixelBytes, bytes) ? ippStsNoErr : ippStsSizeErr;
}

// dst <- src op value[k] for byte k of every pixel of Channels (3 or 4) bytes. Equal values run
// the one-channel routine over the whole row; shifts of 8 or more on every channel fill 0.
template <TByteOp Op, int32_t Channels, class T>
IppStatus ChannelsConstantRoutine(const Ipp8u* src, int srcStep, const T* value, Ipp8u* dst,
                                  int dstStep, IppiSize size) {
  IppiSize bytes;
  if (IppStatus s = CheckConstants(src, srcStep, value, dst, dstStep, size, Channels, bytes);
      s != 0)
    return s;
  if (AllEqual(value, Channels))
    return ConstantRoutine<Op>(src, srcStep, value[0], dst, dstStep, bytes);
  if constexpr (IsShift(Op)) {
    if (AllAbove7(value, Channels)) {
      constexpr Ipp8u kZero[3] = {0, 0, 0};
      if constexpr (Channels == 3) return ippiSet_8u_C3R(kZero, dst, dstStep, size);
      rows::ForEachRow(dst, dstStep, 1, bytes, [](uint8_t* d, int32_t n) { fbZeroBytes(d, n); });
      return ippStsNoErr;
    }
  }
  uint8_t pattern[arith::kPatternBytes];
  OperandPattern(value, Channels, Channels, pattern);
  bytewise::ByteOpRows(
      Op, bytewise::WithPattern(src, srcStep, pattern, dst, dstStep, bytes.width, bytes.height));
  return ippStsNoErr;
}

// dst <- src op value[k] for the first three bytes k of every four-byte pixel. Shift counts
// (0, 0, 0) copy the colour bytes and counts all above 7 fill them with 0, through the Copy and
// Set primitives.
template <TByteOp Op, class T>
IppStatus Alpha4ConstantRoutine(const Ipp8u* src, int srcStep, const T* value, Ipp8u* dst,
                                int dstStep, IppiSize size) {
  IppiSize bytes;
  if (IppStatus s = CheckConstants(src, srcStep, value, dst, dstStep, size, 4, bytes); s != 0)
    return s;
  if constexpr (IsShift(Op)) {
    if (value[0] == 0 && value[1] == 0 && value[2] == 0)
      return ippiCopy_8u_AC4R(src, srcStep, dst, dstStep, size);
    if (AllAbove7(value, 3)) {
      constexpr Ipp8u kZero[3] = {0, 0, 0};
      return ippiSet_8u_AC4R(kZero, dst, dstStep, size);
    }
  }
  uint8_t pattern[arith::kPatternBytes];
  OperandPattern(value, 3, 4, pattern);
  bytewise::ByteOpRowsAlpha4(
      Op, bytewise::WithPattern(src, srcStep, pattern, dst, dstStep, bytes.width, bytes.height));
  return ippStsNoErr;
}

constexpr Ipp8u kAllOnes[3] = {255, 255, 255};

// The complement, an XOR with 255: of every byte of pixels of Channels bytes, or of the colour
// bytes of four-byte pixels when Channels is 0.
template <int Channels>
IppStatus NotRoutine(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize size) {
  if constexpr (Channels == 0) {
    return Alpha4ConstantRoutine<TByteOp::Xor>(src, srcStep, kAllOnes, dst, dstStep, size);
  } else {
    IppiSize bytes;
    if (IppStatus s =
            bytewise::CheckChannelRows({src, dst}, {srcStep, dstStep}, size, Channels, bytes);
        s != ippStsNoErr)
      return s;
    return ConstantRoutine<TByteOp::Xor>(src, srcStep, 255, dst, dstStep, bytes);
  }
}

}  // namespace

// ---- The primitives, generated from their lists
// --------------------------------------------------

// clang-format off
#define PF_LOGIC_TWO_IMAGES_FORMS(X) X(And) X(Or) X(Xor)
#define PF_LOGIC_CONSTANT_FORMS(X)                                                \
  X(AndC, And, Ipp8u) X(OrC, Or, Ipp8u) X(XorC, Xor, Ipp8u)                        \
  X(LShiftC, LShift, Ipp32u) X(RShiftC, RShift, Ipp32u)
// clang-format on

#define PF_LOGIC_DEFINE_TWO_IMAGES(Op)                                                             \
  IppStatus ippi##Op##_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,  \
                              Ipp8u* pDst, int dstStep, IppiSize roiSize) {                        \
    return ByteRoutine<TByteOp::Op>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize);     \
  }                                                                                                \
  IppStatus ippi##Op##_8u_C3R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,  \
                              Ipp8u* pDst, int dstStep, IppiSize roiSize) {                        \
    return ChannelsRoutine<TByteOp::Op, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep,        \
                                           roiSize);                                               \
  }                                                                                                \
  IppStatus ippi##Op##_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, \
                               Ipp8u* pDst, int dstStep, IppiSize roiSize) {                       \
    return Alpha4Routine<TByteOp::Op>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize);   \
  }                                                                                                \
  IppStatus ippi##Op##_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,     \
                               IppiSize roiSize) {                                                 \
    return ByteRoutine<TByteOp::Op>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep,       \
                                    roiSize);                                                      \
  }                                                                                                \
  IppStatus ippi##Op##_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,     \
                               IppiSize roiSize) {                                                 \
    return ChannelsRoutine<TByteOp::Op, 3>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst,            \
                                           srcDstStep, roiSize);                                   \
  }                                                                                                \
  IppStatus ippi##Op##_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,     \
                               IppiSize roiSize) {                                                 \
    return ChannelsRoutine<TByteOp::Op, 4>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst,            \
                                           srcDstStep, roiSize);                                   \
  }                                                                                                \
  IppStatus ippi##Op##_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,    \
                                IppiSize roiSize) {                                                \
    return Alpha4Routine<TByteOp::Op>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep,     \
                                      roiSize);                                                    \
  }

#define PF_LOGIC_DEFINE_CONSTANT(Name, Op, T)                                                     \
  IppStatus ippi##Name##_8u_C3R(const Ipp8u* pSrc, int srcStep, const T value[3], Ipp8u* pDst,    \
                                int dstStep, IppiSize roiSize) {                                  \
    return ChannelsConstantRoutine<TByteOp::Op, 3>(pSrc, srcStep, value, pDst, dstStep, roiSize); \
  }                                                                                               \
  IppStatus ippi##Name##_8u_C3IR(const T value[3], Ipp8u* pSrcDst, int srcDstStep,                \
                                 IppiSize roiSize) {                                              \
    return ChannelsConstantRoutine<TByteOp::Op, 3>(pSrcDst, srcDstStep, value, pSrcDst,           \
                                                   srcDstStep, roiSize);                          \
  }                                                                                               \
  IppStatus ippi##Name##_8u_C4IR(const T value[4], Ipp8u* pSrcDst, int srcDstStep,                \
                                 IppiSize roiSize) {                                              \
    return ChannelsConstantRoutine<TByteOp::Op, 4>(pSrcDst, srcDstStep, value, pSrcDst,           \
                                                   srcDstStep, roiSize);                          \
  }                                                                                               \
  IppStatus ippi##Name##_8u_AC4IR(const T value[3], Ipp8u* pSrcDst, int srcDstStep,               \
                                  IppiSize roiSize) {                                             \
    return Alpha4ConstantRoutine<TByteOp::Op>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep,    \
                                              roiSize);                                           \
  }

PF_LOGIC_TWO_IMAGES_FORMS(PF_LOGIC_DEFINE_TWO_IMAGES)
PF_LOGIC_CONSTANT_FORMS(PF_LOGIC_DEFINE_CONSTANT)

#undef PF_LOGIC_DEFINE_TWO_IMAGES
#undef PF_LOGIC_DEFINE_CONSTANT
#undef PF_LOGIC_TWO_IMAGES_FORMS
#undef PF_LOGIC_CONSTANT_FORMS

// ---- Complement: XOR with 255
// ----------------------------------------------------------------------

// The complements into another image and in place: layout, channels complemented (0: the
// colour bytes of four-byte pixels).
#define PF_LOGIC_NOT_FORMS(X) \
  X(C3, 3)                    \
  X(AC4, 0)
#define PF_LOGIC_NOT_IN_PLACE_FORMS(X) \
  X(C3, 3)                             \
  X(C4, 4)                             \
  X(AC4, 0)
#define PF_LOGIC_DEFINE_NOT(layout, channels)                                                      \
  IppStatus ippiNot_8u_##layout##R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,       \
                                   IppiSize roiSize) {                                             \
    return NotRoutine<channels>(pSrc, srcStep, pDst, dstStep, roiSize);                            \
  }
#define PF_LOGIC_DEFINE_NOT_IN_PLACE(layout, channels)                                             \
  IppStatus ippiNot_8u_##layout##IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {            \
    return NotRoutine<channels>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize);                \
  }
PF_LOGIC_NOT_FORMS(PF_LOGIC_DEFINE_NOT)
PF_LOGIC_NOT_IN_PLACE_FORMS(PF_LOGIC_DEFINE_NOT_IN_PLACE)
#undef PF_LOGIC_DEFINE_NOT
#undef PF_LOGIC_DEFINE_NOT_IN_PLACE
#undef PF_LOGIC_NOT_FORMS
#undef PF_LOGIC_NOT_IN_PLACE_FORMS

}  // namespace builtin
