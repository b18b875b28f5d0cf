// Alpha compositing of 8-bit images (see AlphaComp.h).
//
// One row routine per operator, with a premultiplied flag: the code and the code + 6 share it.
// The routine is chosen once per call from a table of the twelve codes.
#include "primitives/image/AlphaComp.h"

#include "primitives/support/BytewiseEngine.h"
#include "primitives/support/RowAccess.h"

namespace builtin {
namespace {

enum class TCompose { Over, In, Out, ATop, Xor, Plus };

// t / 255 rounded down, for a product t of two bytes, without a division.
constexpr uint32_t M(uint32_t t) { return (t + (t >> 8) + 1) >> 8; }

// min(x, 255) for 0 <= x <= 510 without a branch: (255 - x) >> 31 is all ones above 255.
constexpr uint8_t Sat(uint32_t x) {
  const int32_t v = static_cast<int32_t>(x);
  return static_cast<uint8_t>(((255 - v) >> 31) | v);
}

// One colour byte: x of A and y of B at the same place, with the alphas a and b. Sums the
// table does not saturate are written as their low eight bits (they never exceed 255).
template <TCompose Op, bool Premultiplied>
inline uint8_t Colour(uint32_t x, uint32_t y, uint32_t a, uint32_t b) {
  if constexpr (!Premultiplied) {
    x = M(x * a);
    y = M(y * b);
  }
  const auto sum = [](uint32_t v) { return Premultiplied ? Sat(v) : static_cast<uint8_t>(v); };
  if constexpr (Op == TCompose::Over) return sum(x + M(y * (255 - a)));
  if constexpr (Op == TCompose::In) return static_cast<uint8_t>(M(x * b));
  if constexpr (Op == TCompose::Out) return static_cast<uint8_t>(M(x * (255 - b)));
  if constexpr (Op == TCompose::ATop) return sum(M(x * b) + M(y * (255 - a)));
  if constexpr (Op == TCompose::Xor) return sum(M(x * (255 - b)) + M(y * (255 - a)));
  return Sat(x + y);
}

// The alpha byte of the four-byte form.
template <TCompose Op>
inline uint8_t Alpha(uint32_t a, uint32_t b) {
  if constexpr (Op == TCompose::Over) return static_cast<uint8_t>(a + M(b * (255 - a)));
  if constexpr (Op == TCompose::In) return static_cast<uint8_t>(M(b * a));
  if constexpr (Op == TCompose::Out) return static_cast<uint8_t>(M(a * (255 - b)));
  if constexpr (Op == TCompose::ATop) return static_cast<uint8_t>(b);
  if constexpr (Op == TCompose::Xor)
    return static_cast<uint8_t>(M(a * (255 - b)) + M(b * (255 - a)));
  return Sat(a + b);
}

// The row routines: a row of width pixels (four-byte form) or of n bytes (constant forms).
// Each pixel is read whole before it is written, so the destination may be either source.
using TPixelRow = void (*)(const uint8_t* a, const uint8_t* b, uint8_t* d, int64_t width);
using TByteRow = void (*)(const uint8_t* a, const uint8_t* b, uint8_t* d, int64_t n,
                          uint32_t alphaA, uint32_t alphaB);

template <TCompose Op, bool Premultiplied>
void PixelRow(const uint8_t* a, const uint8_t* b, uint8_t* d, int64_t width) {
  for (int64_t i = 0; i < 4 * width; i += 4) {
    const uint32_t x0 = a[i], x1 = a[i + 1], x2 = a[i + 2], alphaA = a[i + 3];
    const uint32_t y0 = b[i], y1 = b[i + 1], y2 = b[i + 2], alphaB = b[i + 3];
    d[i + 0] = Colour<Op, Premultiplied>(x0, y0, alphaA, alphaB);
    d[i + 1] = Colour<Op, Premultiplied>(x1, y1, alphaA, alphaB);
    d[i + 2] = Colour<Op, Premultiplied>(x2, y2, alphaA, alphaB);
    d[i + 3] = Alpha<Op>(alphaA, alphaB);
  }
}

template <TCompose Op, bool Premultiplied>
void ByteRow(const uint8_t* a, const uint8_t* b, uint8_t* d, int64_t n, uint32_t alphaA,
             uint32_t alphaB) {
  for (int64_t i = 0; i < n; ++i) d[i] = Colour<Op, Premultiplied>(a[i], b[i], alphaA, alphaB);
}

// The routines of the twelve codes, in code order.
template <template <TCompose, bool> class Routine, class T>
constexpr T kByCode[12] = {
    Routine<TCompose::Over, false>::Fn, Routine<TCompose::In, false>::Fn,
    Routine<TCompose::Out, false>::Fn,  Routine<TCompose::ATop, false>::Fn,
    Routine<TCompose::Xor, false>::Fn,  Routine<TCompose::Plus, false>::Fn,
    Routine<TCompose::Over, true>::Fn,  Routine<TCompose::In, true>::Fn,
    Routine<TCompose::Out, true>::Fn,   Routine<TCompose::ATop, true>::Fn,
    Routine<TCompose::Xor, true>::Fn,   Routine<TCompose::Plus, true>::Fn,
};
template <TCompose Op, bool P>
struct TPixelRoutine {
  static constexpr TPixelRow Fn = PixelRow<Op, P>;
};
template <TCompose Op, bool P>
struct TByteRoutine {
  static constexpr TByteRow Fn = ByteRow<Op, P>;
};

IppStatus Check(const void* a, const void* b, const void* d, IppiSize size,
                IppiAlphaType alphaType) {
  if (a == nullptr || b == nullptr || d == nullptr) return ippStsNullPtrErr;
  if (rows::BadSize(size)) return ippStsSizeErr;
  if (static_cast<uint32_t>(alphaType) > 11) return ippStsAlphaTypeErr;
  return ippStsNoErr;
}

template <int32_t Channels>
IppStatus CompositeConstant(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2,
                            int src2Step, Ipp8u alpha2, Ipp8u* pDst, int dstStep, IppiSize size,
                            IppiAlphaType alphaType) {
  if (IppStatus s = Check(pSrc1, pSrc2, pDst, size, alphaType); s != ippStsNoErr) return s;
  IppiSize bytes;
  if (!bytewise::ByteSize(size, Channels, bytes)) return ippStsSizeErr;
  const TByteRow row = kByCode<TByteRoutine, TByteRow>[alphaType];
  for (int32_t y = 0; y < size.height; ++y)
    row(rows::Row(pSrc1, src1Step, y), rows::Row(pSrc2, src2Step, y), rows::Row(pDst, dstStep, y),
        bytes.width, alpha1, alpha2);
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiAlphaComp_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                                Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                IppiAlphaType alphaType) {
  if (IppStatus s = Check(pSrc1, pSrc2, pDst, roiSize, alphaType); s != ippStsNoErr) return s;
  const TPixelRow row = kByCode<TPixelRoutine, TPixelRow>[alphaType];
  for (int32_t y = 0; y < roiSize.height; ++y)
    row(rows::Row(pSrc1, src1Step, y), rows::Row(pSrc2, src2Step, y), rows::Row(pDst, dstStep, y),
        roiSize.width);
  return ippStsNoErr;
}

// The compositings with constant alphas: layout, channels.
#define PF_ALPHA_COMP_CONSTANT_FORMS(X) \
  X(C1, 1)                              \
  X(C3, 3)                              \
  X(C4, 4)
#define PF_ALPHA_COMP_DEFINE_CONSTANT(layout, channels)                                            \
  IppStatus ippiAlphaCompC_8u_##layout##R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1,          \
                                          const Ipp8u* pSrc2, int src2Step, Ipp8u alpha2,          \
                                          Ipp8u* pDst, int dstStep, IppiSize roiSize,              \
                                          IppiAlphaType alphaType) {                               \
    return CompositeConstant<channels>(pSrc1, src1Step, alpha1, pSrc2, src2Step, alpha2, pDst,     \
                                       dstStep, roiSize, alphaType);                               \
  }
PF_ALPHA_COMP_CONSTANT_FORMS(PF_ALPHA_COMP_DEFINE_CONSTANT)
#undef PF_ALPHA_COMP_DEFINE_CONSTANT
#undef PF_ALPHA_COMP_CONSTANT_FORMS

}  // namespace builtin
