// Conversions between element types and full-range scaling (see Copy.h).
#include "primitives/image/Copy.h"

#include "primitives/support/RowAccess.h"
#include "primitives/support/FloatToInt.h"

namespace builtin {

using rows::ForEachRow;

namespace {

// The checks of the conversions: pointers, then size, then both steps.
IppStatus CheckConvert(const void* pSrc, int srcStep, const void* pDst, int dstStep,
                       IppiSize size) {
  if (IppStatus s = rows::CheckImages(pSrc, pDst, size); s != ippStsNoErr) return s;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  return ippStsNoErr;
}

// Converts every element: dst[i] <- op(src[i]), with SrcT and DstT the element types of the
// rows (read and written at any byte alignment).
template <typename SrcT, typename DstT, typename Op>
IppStatus ConvertRows(const void* pSrc, int srcStep, void* pDst, int dstStep, IppiSize size,
                      Op op) {
  if (IppStatus s = CheckConvert(pSrc, srcStep, pDst, dstStep, size); s != ippStsNoErr) return s;
  ForEachRow(pSrc, srcStep, sizeof(SrcT), pDst, dstStep, sizeof(DstT), size,
             [op](const uint8_t* srow, uint8_t* drow, int32_t w) {
               for (ptrdiff_t i = 0; i < w; ++i)
                 rows::Store<DstT>(drow, i, op(rows::Load<SrcT>(srow, i)));
             });
  return ippStsNoErr;
}

// Round to nearest, ties to even, of a sum known exactly: t = trunc(sum), less one when t is
// odd and the sum was exactly an integer (then it was a tie of value - 0.5).
template <typename F>
inline int32_t TruncTieToEven(F sum) {
  const int32_t t = fbTruncToInt32(sum);
  return (t & 1) != 0 && static_cast<F>(t) == sum ? t - 1 : t;
}

// The element functions of the conversions without a mode.
template <typename DstT>
DstT Widen(uint8_t v) {
  return static_cast<DstT>(v);
}

// x * 257 - 32768: 0 gives -32768, 255 gives 32767.
int16_t FullRange8u16s(uint8_t v) { return static_cast<int16_t>(v * 257 - 32768); }

// x * 16843009 - 2^31: 0 gives INT32_MIN, 255 gives INT32_MAX.
int32_t FullRange8u32s(uint8_t v) {
  return static_cast<int32_t>(static_cast<int64_t>(v) * 16843009 - 2147483648LL);
}

}  // namespace

// The conversions without a mode: operation, source and destination element types, element
// function.
#define PF_COPY_CONVERT_FORMS(X)     \
  X(Convert, 8u, 16u, Widen<Ipp16u>) \
  X(Convert, 8u, 32f, Widen<Ipp32f>) \
  X(Scale, 8u, 16s, FullRange8u16s)  \
  X(Scale, 8u, 32s, FullRange8u32s)
#define PF_COPY_CONVERT_DEFINE(name, src, dst, op)                                                 \
  IppStatus ippi##name##_##src##dst##_C1R(const Ipp##src* pSrc, int srcStep, Ipp##dst* pDst,       \
                                          int dstStep, IppiSize roiSize) {                         \
    return ConvertRows<Ipp##src, Ipp##dst>(pSrc, srcStep, pDst, dstStep, roiSize,                  \
                                           [](Ipp##src v) { return op(v); });                      \
  }
PF_COPY_CONVERT_FORMS(PF_COPY_CONVERT_DEFINE)
#undef PF_COPY_CONVERT_DEFINE
#undef PF_COPY_CONVERT_FORMS

IppStatus ippiConvert_32f8u_C1R(const Ipp32f* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                IppiSize roiSize, IppRoundMode roundMode) {
  // Values at or above 255 and at or below 0 saturate; the rest (and NaN, which fails both
  // tests) go through the x87-style conversion, so NaN gives the low byte of INT32_MIN, 0.
  if (roundMode == ippRndNear) {
    return ConvertRows<float, uint8_t>(pSrc, srcStep, pDst, dstStep, roiSize, [](float v) {
      const auto t = static_cast<uint8_t>(fbRoundToInt32(static_cast<double>(v)));
      return v >= 255.0f ? uint8_t{255} : v <= 0.0f ? uint8_t{0} : t;
    });
  }
  return ConvertRows<float, uint8_t>(pSrc, srcStep, pDst, dstStep, roiSize, [](float v) {
    const auto t = static_cast<uint8_t>(fbTruncToInt32(static_cast<double>(v)));
    return v >= 255.0f ? uint8_t{255} : v <= 0.0f ? uint8_t{0} : t;
  });
}

IppStatus ippsConvert_8s16s(const Ipp8s* pSrc, Ipp16s* pDst, int len) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  auto* d = reinterpret_cast<uint8_t*>(pDst);
  for (ptrdiff_t i = 0; i < len; ++i) rows::Store<int16_t>(d, i, pSrc[i]);
  return ippStsNoErr;
}

IppStatus ippiScale_16s8u_C1R(const Ipp16s* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize, IppHintAlgorithm hint) {
  if (hint == ippAlgHintAccurate) {
    // 32768/257 + 0.5 and 1/257 as 32-bit floats; the sum is exact in double.
    constexpr double kOffset = static_cast<double>(128.001953125f);
    constexpr double kScale = static_cast<double>(0.0038910505827516317f);
    return ConvertRows<int16_t, uint8_t>(pSrc, srcStep, pDst, dstStep, roiSize, [](int16_t v) {
      return static_cast<uint8_t>(TruncTieToEven(kOffset + v * kScale));
    });
  }
  return ConvertRows<int16_t, uint8_t>(pSrc, srcStep, pDst, dstStep, roiSize, [](int16_t v) {
    const int32_t x = v;
    return static_cast<uint8_t>(((x - (x >> 8)) >> 8) + 128);
  });
}

IppStatus ippiScale_32s8u_C1R(const Ipp32s* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize, IppHintAlgorithm hint) {
  if (hint == ippAlgHintAccurate) {
    // 2^31/16843009 + 0.5 and 1/16843009 as doubles. The 63-bit product does not fit a double,
    // so the product and the sum are rounded to extended precision, as the FPU does.
    constexpr long double kOffset = 128.0000000296859;
    constexpr long double kScale = 5.937181414556033e-08;
    return ConvertRows<int32_t, uint8_t>(pSrc, srcStep, pDst, dstStep, roiSize, [](int32_t v) {
      return static_cast<uint8_t>(TruncTieToEven(kOffset + static_cast<long double>(v) * kScale));
    });
  }
  return ConvertRows<int32_t, uint8_t>(pSrc, srcStep, pDst, dstStep, roiSize, [](int32_t v) {
    return static_cast<uint8_t>(((v - (v >> 8)) >> 24) + 128);
  });
}

}  // namespace builtin
