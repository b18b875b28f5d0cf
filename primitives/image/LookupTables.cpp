// Level look-up tables and palettes (see LookupTables.h).
//
// Each call builds its tables on the stack, one per channel, and then maps every byte through
// its channel's table. The builders only ever write entries 0..255: interval bounds are
// clamped before use and differences of levels and values are taken in 64 bits (two int32
// levels can be 2^32 apart).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "primitives/support/RowAccess.h"
#include "primitives/image/LookupTables.h"
#include "primitives/support/FloatToInt.h"

namespace builtin {

using rows::BadSize;
using rows::ForEachRow;
using rows::Row;

namespace {

using LevelTable = std::array<uint8_t, 256>;

enum class Interpolation { Constant, Linear, Cubic };

inline uint8_t ClampByte(int64_t x) { return static_cast<uint8_t>(std::clamp<int64_t>(x, 0, 255)); }

// One channel's level description.
struct Levels {
  const Ipp32s* values;
  const Ipp32s* levels;
  int32_t count;
};

// Steps 1 and 3 of every builder: bytes below the first level and from the last level on map
// to themselves (the last step overwrites what the intervals wrote there).
void IdentityBelow(LevelTable& t, int32_t first) {
  for (int32_t v = 0; v < std::min(first, 256); ++v) t[v] = static_cast<uint8_t>(v);
}
void IdentityFrom(LevelTable& t, int32_t last) {
  for (int32_t v = std::max(last, 0); v <= 255; ++v) t[v] = static_cast<uint8_t>(v);
}

void BuildConstant(const Levels& d, LevelTable& t) {
  IdentityBelow(t, d.levels[0]);
  for (int32_t k = 0; k + 1 < d.count; ++k) {
    const int32_t lo = std::clamp(d.levels[k], 0, 256);
    const int32_t hi = std::clamp(d.levels[k + 1], 0, 256);
    const uint8_t value = ClampByte(d.values[k]);
    for (int32_t v = lo; v < hi; ++v) t[v] = value;
  }
  IdentityFrom(t, d.levels[d.count - 1]);
}

// The interval [L[k], L[k+1]) of an ascending pair as the linear builder sees it. The start is
// clamped to 255, so an interval wholly above 255 still sets entry 255.
struct Interval {
  int32_t lo, hi;
};
Interval ClampInterval(int32_t l0, int32_t l1) {
  return Interval{std::clamp(l0, 0, 255), std::clamp(l1, 0, 256)};
}

// T[v] = clamp(trunc(V[k] + 0.5 - s * L[k] + s * v), 0, 255) over the clamped interval, with
// the slope s taken in double from 64-bit differences.
void FillLinear(LevelTable& t, Interval iv, int32_t v0, int32_t v1, int32_t l0, int32_t l1) {
  const double s = static_cast<double>(int64_t{v1} - v0) / static_cast<double>(int64_t{l1} - l0);
  const double base = (v0 + 0.5) - s * l0;
  for (int32_t v = iv.lo; v < iv.hi; ++v) t[v] = ClampByte(fbTruncToInt32(base + s * v));
}

// The cubic through the four points (L[m+j], V[m+j]), j = 0..3, written around x1 = L[m+1]:
// P(v) = V[m+1] + c1 (v - x1) + c2 (v - x1)^2 + c3 (v - x1)^3, with c1, c2, c3 solved from the
// other three points by Cramer's rule. Returns false when two of the four levels are equal
// (the system is singular); the caller then fills the interval linearly.
bool FillCubic(LevelTable& t, Interval iv, const Levels& d, int32_t m) {
  const int32_t x1 = d.levels[m + 1];
  const int32_t y1 = d.values[m + 1];
  double a[3], b[3], c[3], e[3];
  const int32_t others[3] = {0, 2, 3};
  for (int r = 0; r < 3; ++r) {
    const int32_t j = m + others[r];
    a[r] = static_cast<double>(int64_t{d.levels[j]} - x1);
    b[r] = a[r] * a[r];
    c[r] = b[r] * a[r];
    e[r] = static_cast<double>(int64_t{d.values[j]} - y1);
  }
  // The four levels are distinct exactly when the determinant of the Vandermonde-like system
  // is not zero; test the levels themselves rather than a rounded determinant.
  if (a[0] == 0 || a[1] == 0 || a[2] == 0 || a[0] == a[1] || a[0] == a[2] || a[1] == a[2])
    return false;
  const auto det3 = [](const double p[3], const double q[3], const double r[3]) {
    return p[0] * (q[1] * r[2] - q[2] * r[1]) - q[0] * (p[1] * r[2] - p[2] * r[1]) +
           r[0] * (p[1] * q[2] - p[2] * q[1]);
  };
  const double inv = 1.0 / det3(a, b, c);
  const double c1 = det3(e, b, c) * inv;
  const double c2 = det3(a, e, c) * inv;
  const double c3 = det3(a, b, e) * inv;
  for (int32_t v = iv.lo; v < iv.hi; ++v) {
    const double u = static_cast<double>(v) - x1;
    const double p = y1 + c1 * u + c2 * (u * u) + c3 * (u * u * u);
    t[v] = ClampByte(fbTruncToInt32(p + 0.5));
  }
  return true;
}

template <Interpolation Kind>
void BuildInterpolated(const Levels& d, LevelTable& t) {
  IdentityBelow(t, d.levels[0]);
  for (int32_t k = 0; k + 1 < d.count; ++k) {
    const int32_t l0 = d.levels[k], l1 = d.levels[k + 1];
    if (l1 <= l0) continue;
    const Interval iv = ClampInterval(l0, l1);
    if (iv.hi - iv.lo == 1) {
      t[iv.lo] = ClampByte(d.values[k]);
      continue;
    }
    if constexpr (Kind == Interpolation::Cubic) {
      const int32_t m = std::min(std::max(k - 1, 0), d.count - 4);
      if (FillCubic(t, iv, d, m)) continue;
    }
    FillLinear(t, iv, d.values[k], d.values[k + 1], l0, l1);
  }
  IdentityFrom(t, d.levels[d.count - 1]);
}

template <Interpolation Kind>
void BuildTable(const Levels& d, LevelTable& t) {
  if constexpr (Kind == Interpolation::Constant) {
    BuildConstant(d, t);
  } else {
    BuildInterpolated<Kind>(d, t);
  }
}

// dst = T[c][src] for channel c < Channels of pixels Pixel bytes apart; source and destination
// may be the same image.
template <int Channels, int Pixel>
void ApplyTables(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size,
                 const LevelTable (&t)[Channels]) {
  ForEachRow(pSrc, srcStep, Pixel, pDst, dstStep, Pixel, size,
             [&t](const uint8_t* s, uint8_t* d, int32_t n) {
               for (ptrdiff_t i = 0; i < n; ++i)
                 for (int c = 0; c < Channels; ++c)
                   d[Pixel * i + c] = t[c][s[Pixel * i + c]];
             });
}

// The cubic forms hand the whole call to the linear form when any channel has fewer than four
// levels. The linear form's checks are the same as the cubic form's, so deciding after the
// array pointer is known to be valid changes no status.
template <int Channels>
bool CubicNeedsLinear(const int* nLevels) {
  if (nLevels == nullptr) return false;
  for (int c = 0; c < Channels; ++c)
    if (nLevels[c] < 4) return true;
  return false;
}

template <Interpolation Kind>
IppStatus LookUpC1(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size,
                   const Ipp32s* pValues, const Ipp32s* pLevels, int nLevels) {
  if constexpr (Kind == Interpolation::Cubic) {
    if (nLevels < 4)
      return LookUpC1<Interpolation::Linear>(pSrc, srcStep, pDst, dstStep, size, pValues, pLevels,
                                             nLevels);
  }
  if (pSrc == nullptr || pDst == nullptr || pValues == nullptr || pLevels == nullptr)
    return ippStsNullPtrErr;
  if (BadSize(size)) return ippStsSizeErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  if (nLevels < 2) return ippStsLUTNofLevelsErr;
  LevelTable t[1] = {};
  BuildTable<Kind>(Levels{pValues, pLevels, nLevels}, t[0]);
  ApplyTables<1, 1>(pSrc, srcStep, pDst, dstStep, size, t);
  return ippStsNoErr;
}

template <int Channels>
IppStatus CheckChannels(const void* pSrc, int srcStep, const void* pDst, int dstStep,
                        IppiSize size, const Ipp32s* const* pValues,
                        const Ipp32s* const* pLevels, const int* nLevels) {
  if (pSrc == nullptr || pDst == nullptr || pValues == nullptr || pLevels == nullptr ||
      nLevels == nullptr)
    return ippStsNullPtrErr;
  for (int c = 0; c < Channels; ++c) {
    if (pValues[c] == nullptr || pLevels[c] == nullptr) return ippStsNullPtrErr;
    if (nLevels[c] < 2) return ippStsLUTNofLevelsErr;
  }
  if (BadSize(size)) return ippStsSizeErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  return ippStsNoErr;
}

// Channels tables for pixels Pixel bytes apart (C3: 3, 3; C4: 4, 4; AC4: 3, 4).
template <Interpolation Kind, int Channels, int Pixel>
IppStatus LookUp(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size,
                 const Ipp32s* const* pValues, const Ipp32s* const* pLevels,
                 const int* nLevels) {
  if constexpr (Kind == Interpolation::Cubic) {
    if (CubicNeedsLinear<Channels>(nLevels))
      return LookUp<Interpolation::Linear, Channels, Pixel>(pSrc, srcStep, pDst, dstStep, size,
                                                            pValues, pLevels, nLevels);
  }
  if (IppStatus s = CheckChannels<Channels>(pSrc, srcStep, pDst, dstStep, size, pValues,
                                            pLevels, nLevels);
      s != ippStsNoErr)
    return s;
  LevelTable t[Channels] = {};
  for (int c = 0; c < Channels; ++c)
    BuildTable<Kind>(Levels{pValues[c], pLevels[c], nLevels[c]}, t[c]);
  ApplyTables<Channels, Pixel>(pSrc, srcStep, pDst, dstStep, size, t);
  return ippStsNoErr;
}

template <int Bytes, typename Entry>
IppStatus Palette(const Ipp8u* pSrc, int srcStep, void* pDst, int dstStep, IppiSize size,
                  const Entry* pTable, int nBitSize) {
  if (pSrc == nullptr || pDst == nullptr || pTable == nullptr) return ippStsNullPtrErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  if (BadSize(size)) return ippStsSizeErr;
  if (nBitSize < 1 || nBitSize > 8) return ippStsPaletteErr;
  const unsigned mask = (1u << nBitSize) - 1;
  ForEachRow(pSrc, srcStep, 1, pDst, dstStep, Bytes, size,
             [=](const uint8_t* s, uint8_t* d, int32_t n) {
               for (ptrdiff_t i = 0; i < n; ++i) {
                 const unsigned e = s[i] & mask;
                 if constexpr (Bytes == 3) {
                   d[3 * i] = pTable[3 * e];
                   d[3 * i + 1] = pTable[3 * e + 1];
                   d[3 * i + 2] = pTable[3 * e + 2];
                 } else {
                   rows::Store<Entry>(d, i, rows::Load<Entry>(rows::Bytes(pTable), e));
                 }
               }
             });
  return ippStsNoErr;
}

}  // namespace

// The one-channel forms: name, interpolation.
#define PF_LOOKUP_TABLES_C1_FORMS(X) \
  X(, Constant)                      \
  X(_Linear, Linear)                 \
  X(_Cubic, Cubic)
#define PF_LOOKUP_TABLES_DEFINE_C1(name, kind)                                                     \
  IppStatus ippiLUT##name##_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,       \
                                   IppiSize roiSize, const Ipp32s* pValues, const Ipp32s* pLevels, \
                                   int nLevels) {                                                  \
    return LookUpC1<Interpolation::kind>(pSrc, srcStep, pDst, dstStep, roiSize, pValues, pLevels,  \
                                         nLevels);                                                 \
  }
PF_LOOKUP_TABLES_C1_FORMS(PF_LOOKUP_TABLES_DEFINE_C1)
#undef PF_LOOKUP_TABLES_DEFINE_C1
#undef PF_LOOKUP_TABLES_C1_FORMS

// The forms of several channels: name, interpolation, layout, tables, pixel bytes.
#define PF_LOOKUP_TABLES_FORMS(X) \
  X(, Constant, C3, 3, 3)         \
  X(, Constant, C4, 4, 4)         \
  X(_Linear, Linear, C3, 3, 3)    \
  X(_Linear, Linear, AC4, 3, 4)   \
  X(_Linear, Linear, C4, 4, 4)    \
  X(_Cubic, Cubic, C3, 3, 3)      \
  X(_Cubic, Cubic, C4, 4, 4)
#define PF_LOOKUP_TABLES_DEFINE(name, kind, layout, tables, pixel)                           \
  IppStatus ippiLUT##name##_8u_##layout##R(                                                  \
      const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,            \
      const Ipp32s* pValues[tables], const Ipp32s* pLevels[tables], int nLevels[tables]) {   \
    return LookUp<Interpolation::kind, tables, pixel>(pSrc, srcStep, pDst, dstStep, roiSize, \
                                                      pValues, pLevels, nLevels);            \
  }
PF_LOOKUP_TABLES_FORMS(PF_LOOKUP_TABLES_DEFINE)
#undef PF_LOOKUP_TABLES_DEFINE
#undef PF_LOOKUP_TABLES_FORMS

IppStatus ippiLUT_8u_C4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                          const Ipp32s* pValues[4], const Ipp32s* pLevels[4], int nLevels[4]) {
  return LookUp<Interpolation::Constant, 4, 4>(pSrcDst, srcDstStep, pSrcDst, srcDstStep,
                                               roiSize, pValues, pLevels, nLevels);
}

// The palettes: destination bits, destination and table element, bytes per pixel.
#define PF_LOOKUP_TABLES_PALETTE_FORMS(X) \
  X(24u, Ipp8u, 3)                        \
  X(32u, Ipp32u, 4)
#define PF_LOOKUP_TABLES_DEFINE_PALETTE(bits, Entry, bytes)                                   \
  IppStatus ippiLUTPalette_8u##bits##_C1R(const Ipp8u* pSrc, int srcStep, Entry* pDst,        \
                                          int dstStep, IppiSize roiSize, const Entry* pTable, \
                                          int nBitSize) {                                     \
    return Palette<bytes>(pSrc, srcStep, pDst, dstStep, roiSize, pTable, nBitSize);           \
  }
PF_LOOKUP_TABLES_PALETTE_FORMS(PF_LOOKUP_TABLES_DEFINE_PALETTE)
#undef PF_LOOKUP_TABLES_DEFINE_PALETTE
#undef PF_LOOKUP_TABLES_PALETTE_FORMS

}  // namespace builtin
