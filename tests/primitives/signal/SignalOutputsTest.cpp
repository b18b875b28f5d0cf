// Every signal entry that writes through a caller's pointer, walked as tables: a null output
// (destination, in-place vector, result, index, created or released state or setup, size,
// seed) answers -8 with nothing else written, and lengths whose derived counts pass INT32_MAX
// are refused with the family's status before any element is touched. A new entry joins a
// table.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "primitives/signal/Convolution.h"
#include "primitives/signal/Correlation.h"
#include "primitives/signal/ElementaryFunctions.h"
#include "primitives/signal/FftSetup.h"
#include "primitives/signal/FftTransforms.h"
#include "primitives/signal/FillCopy.h"
#include "primitives/signal/Fir.h"
#include "primitives/signal/FloatArithmetic.h"
#include "primitives/signal/IntegerArithmetic.h"
#include "primitives/signal/Statistics.h"
#include "primitives/signal/TestSignals.h"
#include "primitives/signal/Windows.h"

namespace {

using namespace builtin;

constexpr uint8_t kCanary = 0xA5;
constexpr int kLen = 8;

// Every buffer of a call, inputs and outputs alike, comes from one canary-filled block of
// 512-byte slots; after a refused call the whole block must be as it was.
class Arena {
 public:
  Arena() { std::memset(bytes_, kCanary, sizeof bytes_); }
  bool Untouched() const {
    for (uint8_t b : bytes_)
      if (b != kCanary) return false;
    return true;
  }
  Ipp64f* d(int k) { return At<Ipp64f>(k); }
  Ipp32f* f(int k) { return At<Ipp32f>(k); }
  Ipp64fc* c(int k) { return At<Ipp64fc>(k); }
  Ipp32fc* cf(int k) { return At<Ipp32fc>(k); }
  Ipp32s* i(int k) { return At<Ipp32s>(k); }
  Ipp32u* u(int k) { return At<Ipp32u>(k); }
  Ipp16s* s(int k) { return At<Ipp16s>(k); }
  Ipp16u* us(int k) { return At<Ipp16u>(k); }
  Ipp8u* b(int k) { return At<Ipp8u>(k); }

 private:
  template <typename T>
  T* At(int k) {
    return reinterpret_cast<T*>(bytes_ + 512 * k);
  }
  alignas(64) uint8_t bytes_[512 * 4];
};

// A live setup or filter state for the rows that need one.
struct Fixtures {
  IppsFFTSpec_C_64fc* complexSmall = nullptr;  // order 2: the codelets
  IppsFFTSpec_C_64fc* complexLarge = nullptr;  // order 5: the engine
  IppsFFTSpec_R_64f* realSmall = nullptr;
  IppsFFTSpec_R_64f* realLarge = nullptr;
  IppsFIRState_64f* fir = nullptr;
  Fixtures() {
    ippsFFTInitAlloc_C_64fc(&complexSmall, 2, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone);
    ippsFFTInitAlloc_C_64fc(&complexLarge, 5, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone);
    ippsFFTInitAlloc_R_64f(&realSmall, 2, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone);
    ippsFFTInitAlloc_R_64f(&realLarge, 5, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone);
    const double taps[3] = {0.25, 0.5, 0.25};
    ippsFIRInitAlloc_64f(&fir, taps, 3, nullptr);
  }
  ~Fixtures() {
    ippsFFTFree_C_64fc(complexSmall);
    ippsFFTFree_C_64fc(complexLarge);
    ippsFFTFree_R_64f(realSmall);
    ippsFFTFree_R_64f(realLarge);
    ippsFIRFree_64f(fir);
  }
  bool ok() const { return complexSmall && complexLarge && realSmall && realLarge && fir; }
};

struct NullRow {
  const char* name;
  std::function<IppStatus(Arena&)> call;
};

std::vector<NullRow> NullRows(Fixtures& fx) {
  const int n = kLen;
  const Ipp64fc one{1, 0};
  return {
      // ---- Fills, copies, conversions, complex parts, byte swaps
      {"ippsSet_32s", [=](Arena&) { return ippsSet_32s(3, nullptr, n); }},
      {"ippsSet_32f", [=](Arena&) { return ippsSet_32f(3, nullptr, n); }},
      {"ippsSet_64f", [=](Arena&) { return ippsSet_64f(3, nullptr, n); }},
      {"ippsSet_64fc", [=](Arena&) { return ippsSet_64fc(one, nullptr, n); }},
      {"ippsZero_8u", [=](Arena&) { return ippsZero_8u(nullptr, n); }},
      {"ippsZero_16s", [=](Arena&) { return ippsZero_16s(nullptr, n); }},
      {"ippsZero_32s", [=](Arena&) { return ippsZero_32s(nullptr, n); }},
      {"ippsZero_32f", [=](Arena&) { return ippsZero_32f(nullptr, n); }},
      {"ippsZero_64f", [=](Arena&) { return ippsZero_64f(nullptr, n); }},
      {"ippsZero_64fc", [=](Arena&) { return ippsZero_64fc(nullptr, n); }},
      {"ippsCopy_8u", [=](Arena& a) { return ippsCopy_8u(a.b(0), nullptr, n); }},
      {"ippsCopy_32f", [=](Arena& a) { return ippsCopy_32f(a.f(0), nullptr, n); }},
      {"ippsCopy_64f", [=](Arena& a) { return ippsCopy_64f(a.d(0), nullptr, n); }},
      {"ippsMove_64f", [=](Arena& a) { return ippsMove_64f(a.d(0), nullptr, n); }},
      {"ippsConvert_32s64f", [=](Arena& a) { return ippsConvert_32s64f(a.i(0), nullptr, n); }},
      {"ippsConvert_32f64f", [=](Arena& a) { return ippsConvert_32f64f(a.f(0), nullptr, n); }},
      {"ippsConvert_32s32f", [=](Arena& a) { return ippsConvert_32s32f(a.i(0), nullptr, n); }},
      {"ippsConvert_64f32f", [=](Arena& a) { return ippsConvert_64f32f(a.d(0), nullptr, n); }},
      {"ippsConvert_16s64f_Sfs",
       [=](Arena& a) { return ippsConvert_16s64f_Sfs(a.s(0), nullptr, n, 2); }},
      {"ippsConvert_64f32s_Sfs",
       [=](Arena& a) { return ippsConvert_64f32s_Sfs(a.d(0), nullptr, n, ippRndNear, 0); }},
      {"ippsConvert_32f32s_Sfs",
       [=](Arena& a) { return ippsConvert_32f32s_Sfs(a.f(0), nullptr, n, ippRndZero, 0); }},
      {"ippsRealToCplx_64f",
       [=](Arena& a) { return ippsRealToCplx_64f(a.d(0), a.d(1), nullptr, n); }},
      {"ippsRealToCplx_32f",
       [=](Arena& a) { return ippsRealToCplx_32f(a.f(0), a.f(1), nullptr, n); }},
      {"ippsReal_64fc", [=](Arena& a) { return ippsReal_64fc(a.c(0), nullptr, n); }},
      {"ippsImag_64fc", [=](Arena& a) { return ippsImag_64fc(a.c(0), nullptr, n); }},
      {"ippsSwapBytes_16u", [=](Arena& a) { return ippsSwapBytes_16u(a.us(0), nullptr, n); }},
      {"ippsSwapBytes_24u", [=](Arena& a) { return ippsSwapBytes_24u(a.b(0), nullptr, n); }},
      {"ippsSwapBytes_32u", [=](Arena& a) { return ippsSwapBytes_32u(a.u(0), nullptr, n); }},
      {"ippsSwapBytes_32u_I", [=](Arena&) { return ippsSwapBytes_32u_I(nullptr, n); }},

      // ---- Integer arithmetic and logic
      {"ippsAdd_32s_ISfs", [=](Arena& a) { return ippsAdd_32s_ISfs(a.i(0), nullptr, n, 0); }},
      {"ippsSub_32s_ISfs", [=](Arena& a) { return ippsSub_32s_ISfs(a.i(0), nullptr, n, 0); }},
      {"ippsMul_32s_ISfs", [=](Arena& a) { return ippsMul_32s_ISfs(a.i(0), nullptr, n, 0); }},
      {"ippsDiv_32s_ISfs", [=](Arena& a) { return ippsDiv_32s_ISfs(a.i(0), nullptr, n, 0); }},
      {"ippsAddC_32s_ISfs 0", [=](Arena&) { return ippsAddC_32s_ISfs(0, nullptr, n, 0); }},
      {"ippsAddC_32s_Sfs", [=](Arena& a) { return ippsAddC_32s_Sfs(a.i(0), 5, nullptr, n, 1); }},
      {"ippsSubC_32s_ISfs", [=](Arena&) { return ippsSubC_32s_ISfs(5, nullptr, n, 0); }},
      {"ippsSubC_32s_Sfs", [=](Arena& a) { return ippsSubC_32s_Sfs(a.i(0), 5, nullptr, n, 0); }},
      {"ippsSubCRev_32s_Sfs",
       [=](Arena& a) { return ippsSubCRev_32s_Sfs(a.i(0), 5, nullptr, n, 0); }},
      {"ippsMulC_32s_ISfs 1", [=](Arena&) { return ippsMulC_32s_ISfs(1, nullptr, n, 0); }},
      {"ippsMulC_32s_Sfs 0", [=](Arena& a) { return ippsMulC_32s_Sfs(a.i(0), 0, nullptr, n, 0); }},
      {"ippsAdd_8u_ISfs", [=](Arena& a) { return ippsAdd_8u_ISfs(a.b(0), nullptr, n, 0); }},
      {"ippsSub_8u_ISfs", [=](Arena& a) { return ippsSub_8u_ISfs(a.b(0), nullptr, n, 0); }},
      {"ippsMul_8u_ISfs 9", [=](Arena& a) { return ippsMul_8u_ISfs(a.b(0), nullptr, n, 20); }},
      {"ippsAnd_32u_I", [=](Arena& a) { return ippsAnd_32u_I(a.u(0), nullptr, n); }},
      {"ippsOr_32u_I", [=](Arena& a) { return ippsOr_32u_I(a.u(0), nullptr, n); }},
      {"ippsXor_32u_I", [=](Arena& a) { return ippsXor_32u_I(a.u(0), nullptr, n); }},
      {"ippsAndC_32u_I 0", [=](Arena&) { return ippsAndC_32u_I(0, nullptr, n); }},
      {"ippsOrC_32u_I 0", [=](Arena&) { return ippsOrC_32u_I(0, nullptr, n); }},
      {"ippsXorC_32u_I", [=](Arena&) { return ippsXorC_32u_I(7, nullptr, n); }},
      {"ippsAndC_32u", [=](Arena& a) { return ippsAndC_32u(a.u(0), 7, nullptr, n); }},
      {"ippsOrC_32u 0", [=](Arena& a) { return ippsOrC_32u(a.u(0), 0, nullptr, n); }},
      {"ippsXorC_32u", [=](Arena& a) { return ippsXorC_32u(a.u(0), 7, nullptr, n); }},
      {"ippsLShiftC_32s", [=](Arena& a) { return ippsLShiftC_32s(a.i(0), 3, nullptr, n); }},
      {"ippsRShiftC_32s", [=](Arena& a) { return ippsRShiftC_32s(a.i(0), 3, nullptr, n); }},
      {"ippsLShiftC_32s_I -1", [=](Arena&) { return ippsLShiftC_32s_I(-1, nullptr, n); }},
      {"ippsRShiftC_32s_I", [=](Arena&) { return ippsRShiftC_32s_I(3, nullptr, n); }},

      // ---- Float arithmetic (the constant's shortcuts come after the pointer checks)
      {"ippsAdd_64f", [=](Arena& a) { return ippsAdd_64f(a.d(0), a.d(1), nullptr, n); }},
      {"ippsAdd_64f_I", [=](Arena& a) { return ippsAdd_64f_I(a.d(0), nullptr, n); }},
      {"ippsSub_64f_I", [=](Arena& a) { return ippsSub_64f_I(a.d(0), nullptr, n); }},
      {"ippsMul_64f", [=](Arena& a) { return ippsMul_64f(a.d(0), a.d(1), nullptr, n); }},
      {"ippsMul_64f_I", [=](Arena& a) { return ippsMul_64f_I(a.d(0), nullptr, n); }},
      {"ippsDiv_64f_I", [=](Arena& a) { return ippsDiv_64f_I(a.d(0), nullptr, n); }},
      {"ippsAddC_64f 0", [=](Arena& a) { return ippsAddC_64f(a.d(0), 0.0, nullptr, n); }},
      {"ippsAddC_64f_I 0", [=](Arena&) { return ippsAddC_64f_I(0.0, nullptr, n); }},
      {"ippsSubC_64f", [=](Arena& a) { return ippsSubC_64f(a.d(0), 2.0, nullptr, n); }},
      {"ippsSubC_64f_I", [=](Arena&) { return ippsSubC_64f_I(2.0, nullptr, n); }},
      {"ippsSubCRev_64f", [=](Arena& a) { return ippsSubCRev_64f(a.d(0), 2.0, nullptr, n); }},
      {"ippsMulC_64f 1", [=](Arena& a) { return ippsMulC_64f(a.d(0), 1.0, nullptr, n); }},
      {"ippsMulC_64f_I 0", [=](Arena&) { return ippsMulC_64f_I(0.0, nullptr, n); }},
      {"ippsDivC_64f 0", [=](Arena& a) { return ippsDivC_64f(a.d(0), 0.0, nullptr, n); }},
      {"ippsDivC_64f_I", [=](Arena&) { return ippsDivC_64f_I(3.0, nullptr, n); }},
      {"ippsAdd_64fc", [=](Arena& a) { return ippsAdd_64fc(a.c(0), a.c(1), nullptr, n); }},
      {"ippsAdd_64fc_I", [=](Arena& a) { return ippsAdd_64fc_I(a.c(0), nullptr, n); }},
      {"ippsSub_64fc_I", [=](Arena& a) { return ippsSub_64fc_I(a.c(0), nullptr, n); }},
      {"ippsMul_64fc_I", [=](Arena& a) { return ippsMul_64fc_I(a.c(0), nullptr, n); }},
      {"ippsDiv_64fc_I", [=](Arena& a) { return ippsDiv_64fc_I(a.c(0), nullptr, n); }},
      {"ippsAddC_64fc", [=](Arena& a) { return ippsAddC_64fc(a.c(0), one, nullptr, n); }},
      {"ippsAddC_64fc_I", [=](Arena&) { return ippsAddC_64fc_I(one, nullptr, n); }},
      {"ippsSubC_64fc", [=](Arena& a) { return ippsSubC_64fc(a.c(0), one, nullptr, n); }},
      {"ippsSubC_64fc_I", [=](Arena&) { return ippsSubC_64fc_I(one, nullptr, n); }},
      {"ippsSubCRev_64fc", [=](Arena& a) { return ippsSubCRev_64fc(a.c(0), one, nullptr, n); }},
      {"ippsMulC_64fc", [=](Arena& a) { return ippsMulC_64fc(a.c(0), one, nullptr, n); }},
      {"ippsMulC_64fc_I", [=](Arena&) { return ippsMulC_64fc_I(one, nullptr, n); }},
      {"ippsDivC_64fc (0, 0)",
       [=](Arena& a) { return ippsDivC_64fc(a.c(0), Ipp64fc{0, 0}, nullptr, n); }},
      {"ippsDivC_64fc_I", [=](Arena&) { return ippsDivC_64fc_I(one, nullptr, n); }},
      {"ippsMul_32f", [=](Arena& a) { return ippsMul_32f(a.f(0), a.f(1), nullptr, n); }},
      {"ippsMul_32f_I", [=](Arena& a) { return ippsMul_32f_I(a.f(0), nullptr, n); }},
      {"ippsSub_32f_I", [=](Arena& a) { return ippsSub_32f_I(a.f(0), nullptr, n); }},
      {"ippsMulC_32f_I 1", [=](Arena&) { return ippsMulC_32f_I(1.0f, nullptr, n); }},
      {"ippsSum_64f", [=](Arena& a) { return ippsSum_64f(a.d(0), n, nullptr); }},
      {"ippsMax_64f", [=](Arena& a) { return ippsMax_64f(a.d(0), n, nullptr); }},
      {"ippsMin_64f", [=](Arena& a) { return ippsMin_64f(a.d(0), n, nullptr); }},
      {"fbDivide64f", [=](Arena& a) { return fbDivide64f(a.d(0), a.d(1), nullptr, n); }},
      {"fbDivide64fc", [=](Arena& a) { return fbDivide64fc(a.c(0), a.c(1), nullptr, n); }},

      // ---- Elementary functions
      {"ippsAbs_64f_I", [=](Arena&) { return ippsAbs_64f_I(nullptr, n); }},
      {"ippsAbs_64f", [=](Arena& a) { return ippsAbs_64f(a.d(0), nullptr, n); }},
      {"ippsSqr_64f_I", [=](Arena&) { return ippsSqr_64f_I(nullptr, n); }},
      {"ippsSqr_64f", [=](Arena& a) { return ippsSqr_64f(a.d(0), nullptr, n); }},
      {"ippsSqrt_64f_I", [=](Arena&) { return ippsSqrt_64f_I(nullptr, n); }},
      {"ippsSqrt_64f", [=](Arena& a) { return ippsSqrt_64f(a.d(0), nullptr, n); }},
      {"ippsExp_64f_I", [=](Arena&) { return ippsExp_64f_I(nullptr, n); }},
      {"ippsExp_64f", [=](Arena& a) { return ippsExp_64f(a.d(0), nullptr, n); }},
      {"ippsLn_64f_I", [=](Arena&) { return ippsLn_64f_I(nullptr, n); }},
      {"ippsLn_64f", [=](Arena& a) { return ippsLn_64f(a.d(0), nullptr, n); }},
      {"ippsSqr_64fc_I", [=](Arena&) { return ippsSqr_64fc_I(nullptr, n); }},
      {"ippsSqr_64fc", [=](Arena& a) { return ippsSqr_64fc(a.c(0), nullptr, n); }},
      {"ippsSqrt_64fc_I", [=](Arena&) { return ippsSqrt_64fc_I(nullptr, n); }},
      {"ippsSqrt_64fc", [=](Arena& a) { return ippsSqrt_64fc(a.c(0), nullptr, n); }},
      {"ippsMagnitude_64fc", [=](Arena& a) { return ippsMagnitude_64fc(a.c(0), nullptr, n); }},
      {"ippsPhase_64fc", [=](Arena& a) { return ippsPhase_64fc(a.c(0), nullptr, n); }},
      {"ippsPowerSpectr_64fc",
       [=](Arena& a) { return ippsPowerSpectr_64fc(a.c(0), nullptr, n); }},

      // ---- Statistics
      {"ippsNormDiff_L1_64f",
       [=](Arena& a) { return ippsNormDiff_L1_64f(a.d(0), a.d(1), n, nullptr); }},
      {"ippsNormDiff_L2_64f",
       [=](Arena& a) { return ippsNormDiff_L2_64f(a.d(0), a.d(1), n, nullptr); }},
      {"ippsNormDiff_Inf_64f",
       [=](Arena& a) { return ippsNormDiff_Inf_64f(a.d(0), a.d(1), n, nullptr); }},
      {"ippsMean_64f", [=](Arena& a) { return ippsMean_64f(a.d(0), n, nullptr); }},
      {"ippsMean_32f",
       [=](Arena& a) { return ippsMean_32f(a.f(0), n, nullptr, ippAlgHintFast); }},
      {"ippsStdDev_64f", [=](Arena& a) { return ippsStdDev_64f(a.d(0), n, nullptr); }},
      {"ippsMinIndx_64f value",
       [=](Arena& a) { return ippsMinIndx_64f(a.d(0), n, nullptr, a.i(1)); }},
      {"ippsMaxIndx_64f value",
       [=](Arena& a) { return ippsMaxIndx_64f(a.d(0), n, nullptr, a.i(1)); }},
      {"ippsDotProd_64f", [=](Arena& a) { return ippsDotProd_64f(a.d(0), a.d(1), n, nullptr); }},
      {"ippsDotProd_64fc",
       [=](Arena& a) { return ippsDotProd_64fc(a.c(0), a.c(1), n, nullptr); }},
      {"ippsDotProd_32s_Sfs",
       [=](Arena& a) { return ippsDotProd_32s_Sfs(a.i(0), a.i(1), n, nullptr, 0); }},
      {"ippsNorm_L2_64fc64f", [=](Arena& a) { return ippsNorm_L2_64fc64f(a.c(0), n, nullptr); }},
      {"ippsNormalize_64f",
       [=](Arena& a) { return ippsNormalize_64f(a.d(0), nullptr, n, 1.0, 2.0); }},
      {"ippsNormalize_32f",
       [=](Arena& a) { return ippsNormalize_32f(a.f(0), nullptr, n, 1.0f, 0.0f); }},
      {"ippsNormalize_64fc",
       [=](Arena& a) { return ippsNormalize_64fc(a.c(0), nullptr, n, one, 2.0); }},
      {"ippsThreshold_32f_I",
       [=](Arena&) { return ippsThreshold_32f_I(nullptr, n, 1.0f, ippCmpLess); }},
      {"ippsThreshold_64f_I",
       [=](Arena&) { return ippsThreshold_64f_I(nullptr, n, 1.0, ippCmpGreater); }},
      {"ippsThreshold_64f",
       [=](Arena& a) { return ippsThreshold_64f(a.d(0), nullptr, n, 1.0, ippCmpLess); }},
      {"ippsThreshold_64fc",
       [=](Arena& a) { return ippsThreshold_64fc(a.c(0), nullptr, n, -1.0, ippCmpLess); }},
      {"ippsThreshold_64fc_I",
       [=](Arena&) { return ippsThreshold_64fc_I(nullptr, n, 1.0, ippCmpGreater); }},

      // ---- Test signals and windows
      {"ippsVectorJaehne_64f", [=](Arena&) { return ippsVectorJaehne_64f(nullptr, n, 1.0); }},
      {"ippsRandUniform_Direct_64f dst",
       [=](Arena& a) { return ippsRandUniform_Direct_64f(nullptr, n, 0, 1, a.u(1)); }},
      {"ippsRandUniform_Direct_64f seed",
       [=](Arena& a) { return ippsRandUniform_Direct_64f(a.d(0), n, 0, 1, nullptr); }},
      {"ippsWinBartlett_64f_I", [=](Arena&) { return ippsWinBartlett_64f_I(nullptr, n); }},
      {"ippsWinBartlett_64f", [=](Arena& a) { return ippsWinBartlett_64f(a.d(0), nullptr, n); }},
      {"ippsWinBartlett_64fc_I", [=](Arena&) { return ippsWinBartlett_64fc_I(nullptr, n); }},
      {"ippsWinBlackman_64f_I",
       [=](Arena&) { return ippsWinBlackman_64f_I(nullptr, n, 0.16); }},
      {"ippsWinBlackman_64f",
       [=](Arena& a) { return ippsWinBlackman_64f(a.d(0), nullptr, n, 0.16); }},
      {"ippsWinBlackman_64fc_I",
       [=](Arena&) { return ippsWinBlackman_64fc_I(nullptr, n, 0.16); }},
      {"ippsWinHamming_64f_I", [=](Arena&) { return ippsWinHamming_64f_I(nullptr, n); }},
      {"ippsWinHamming_64f", [=](Arena& a) { return ippsWinHamming_64f(a.d(0), nullptr, n); }},
      {"ippsWinHamming_64fc_I", [=](Arena&) { return ippsWinHamming_64fc_I(nullptr, n); }},
      {"ippsWinHann_64f_I", [=](Arena&) { return ippsWinHann_64f_I(nullptr, n); }},
      {"ippsWinHann_64f", [=](Arena& a) { return ippsWinHann_64f(a.d(0), nullptr, n); }},
      {"ippsWinHann_64fc_I", [=](Arena&) { return ippsWinHann_64fc_I(nullptr, n); }},
      {"ippsWinKaiser_64f_I", [=](Arena&) { return ippsWinKaiser_64f_I(nullptr, n, 1.0f); }},
      {"ippsWinKaiser_64f",
       [=](Arena& a) { return ippsWinKaiser_64f(a.d(0), nullptr, n, 1.0f); }},
      {"ippsWinKaiser_64fc_I", [=](Arena&) { return ippsWinKaiser_64fc_I(nullptr, n, 1.0f); }},

      // ---- Convolution and correlation
      {"ippsConv_64f", [=](Arena& a) { return ippsConv_64f(a.d(0), n, a.d(1), 3, nullptr); }},
      {"ippsAutoCorr_64f", [=](Arena& a) { return ippsAutoCorr_64f(a.d(0), n, nullptr, n); }},
      {"ippsAutoCorr_NormA_64f",
       [=](Arena& a) { return ippsAutoCorr_NormA_64f(a.d(0), n, nullptr, n); }},
      {"ippsAutoCorr_NormB_64f",
       [=](Arena& a) { return ippsAutoCorr_NormB_64f(a.d(0), n, nullptr, n); }},
      {"ippsCrossCorr_64f",
       [=](Arena& a) { return ippsCrossCorr_64f(a.d(0), n, a.d(1), n, nullptr, n, -2); }},
      {"ippsAutoCorr_64fc", [=](Arena& a) { return ippsAutoCorr_64fc(a.c(0), n, nullptr, n); }},
      {"ippsAutoCorr_NormA_64fc",
       [=](Arena& a) { return ippsAutoCorr_NormA_64fc(a.c(0), n, nullptr, n); }},
      {"ippsAutoCorr_NormB_64fc",
       [=](Arena& a) { return ippsAutoCorr_NormB_64fc(a.c(0), n, nullptr, n); }},
      {"ippsCrossCorr_64fc",
       [=](Arena& a) { return ippsCrossCorr_64fc(a.c(0), n, a.c(1), n, nullptr, n, -2); }},

      // ---- Transforms: created setups, sizes, results
      {"ippsFFTInitAlloc_C_64fc",
       [=](Arena&) {
         return ippsFFTInitAlloc_C_64fc(nullptr, 3, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone);
       }},
      {"ippsFFTInitAlloc_R_64f",
       [=](Arena&) {
         return ippsFFTInitAlloc_R_64f(nullptr, 3, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone);
       }},
      {"fbFftGetBufSizeC", [&fx](Arena&) { return fbFftGetBufSizeC(fx.complexLarge, nullptr); }},
      {"fbFftGetBufSizeR", [&fx](Arena&) { return fbFftGetBufSizeR(fx.realLarge, nullptr); }},
      {"ippsFFTFwd_CToC_64fc order 2",
       [&fx](Arena& a) { return ippsFFTFwd_CToC_64fc(a.c(0), nullptr, fx.complexSmall, nullptr); }},
      {"ippsFFTFwd_CToC_64fc order 5",
       [&fx](Arena& a) { return ippsFFTFwd_CToC_64fc(a.c(0), nullptr, fx.complexLarge, a.b(3)); }},
      {"ippsFFTInv_CToC_64fc order 2",
       [&fx](Arena& a) { return ippsFFTInv_CToC_64fc(a.c(0), nullptr, fx.complexSmall, nullptr); }},
      {"ippsFFTInv_CToC_64fc order 5",
       [&fx](Arena& a) { return ippsFFTInv_CToC_64fc(a.c(0), nullptr, fx.complexLarge, a.b(3)); }},
      {"ippsFFTFwd_RToCCS_64f order 2",
       [&fx](Arena& a) { return ippsFFTFwd_RToCCS_64f(a.d(0), nullptr, fx.realSmall, nullptr); }},
      {"ippsFFTFwd_RToCCS_64f order 5",
       [&fx](Arena& a) { return ippsFFTFwd_RToCCS_64f(a.d(0), nullptr, fx.realLarge, a.b(3)); }},
      {"ippsFFTInv_CCSToR_64f order 2",
       [&fx](Arena& a) { return ippsFFTInv_CCSToR_64f(a.d(0), nullptr, fx.realSmall, nullptr); }},
      {"ippsFFTInv_CCSToR_64f order 5",
       [&fx](Arena& a) { return ippsFFTInv_CCSToR_64f(a.d(0), nullptr, fx.realLarge, a.b(3)); }},
      {"fbFftFwdRToPack",
       [&fx](Arena& a) { return fbFftFwdRToPack(a.d(0), nullptr, fx.realLarge, nullptr); }},
      {"fbFftInvPackToR",
       [&fx](Arena& a) { return fbFftInvPackToR(a.d(0), nullptr, fx.realLarge, nullptr); }},
      {"fbFftFwdRToPerm",
       [&fx](Arena& a) { return fbFftFwdRToPerm(a.d(0), nullptr, fx.realSmall, nullptr); }},
      {"fbFftInvPermToR",
       [&fx](Arena& a) { return fbFftInvPermToR(a.d(0), nullptr, fx.realSmall, nullptr); }},
      {"ippsFFTFree_C_64fc", [=](Arena&) { return ippsFFTFree_C_64fc(nullptr); }},
      {"ippsFFTFree_R_64f", [=](Arena&) { return ippsFFTFree_R_64f(nullptr); }},
      {"ippsConjCcs_64fc_I", [=](Arena&) { return ippsConjCcs_64fc_I(nullptr, n); }},
      {"fbMulPackConj", [=](Arena& a) { return fbMulPackConj(a.d(0), nullptr, n); }},
      {"fbMulPerm", [=](Arena& a) { return fbMulPerm(a.d(0), nullptr, n); }},
      {"fbCopy64fc", [=](Arena& a) { return fbCopy64fc(a.c(0), nullptr, n); }},
      {"fbConj64fc", [=](Arena& a) { return fbConj64fc(a.c(0), nullptr, n); }},
      {"fbConj64fcI", [=](Arena&) { return fbConj64fcI(nullptr, n); }},

      // ---- The FIR filter: created state, results, the state it advances
      {"ippsFIRInitAlloc_64f",
       [=](Arena& a) { return ippsFIRInitAlloc_64f(nullptr, a.d(0), 3, nullptr); }},
      {"ippsFIR_64f dst", [&fx](Arena& a) { return ippsFIR_64f(a.d(0), nullptr, n, fx.fir); }},
      {"ippsFIR_64f state", [=](Arena& a) { return ippsFIR_64f(a.d(0), a.d(1), n, nullptr); }},
      {"ippsFIRFree_64f", [=](Arena&) { return ippsFIRFree_64f(nullptr); }},
  };
}

TEST(SignalOutputs, NullOutputsAnswerMinus8WritingNothing) {
  Fixtures fx;
  ASSERT_TRUE(fx.ok());
  for (const NullRow& r : NullRows(fx)) {
    Arena arena;
    EXPECT_EQ(r.call(arena), ippStsNullPtrErr) << r.name;
    EXPECT_TRUE(arena.Untouched()) << r.name << " wrote another buffer";
  }
}

// The index of the extremes is the one output that may be null: the call is then the plain
// extreme's.
TEST(SignalOutputs, ExtremesTakeANullIndexAsNoIndex) {
  const double v[4] = {3, -1, 7, -1};
  double got = 0;
  EXPECT_EQ(ippsMinIndx_64f(v, 4, &got, nullptr), ippStsNoErr);
  EXPECT_EQ(got, -1);
  EXPECT_EQ(ippsMaxIndx_64f(v, 4, &got, nullptr), ippStsNoErr);
  EXPECT_EQ(got, 7);
}

// ---- Lengths whose counts pass INT32_MAX --------------------------------------------------

// Pages that stop the process on any access: a call refused before it touches its vectors
// returns; one that reads or writes them dies.
class Untouchable {
 public:
  Untouchable()
      : page_(::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)) {}
  ~Untouchable() {
    if (ok()) ::munmap(page_, 4096);
  }
  bool ok() const { return page_ != MAP_FAILED; }
  Ipp64f* d() { return static_cast<Ipp64f*>(page_); }
  Ipp64fc* c() { return static_cast<Ipp64fc*>(page_); }

 private:
  void* page_;
};

struct LengthRow {
  const char* name;
  std::function<IppStatus(Untouchable& src, Untouchable& dst)> call;
  IppStatus status;
};

TEST(SignalOutputs, LengthsPastTheInt32RangeAreRefusedUntouched) {
  constexpr int kMax = INT32_MAX;
  constexpr int k2p29 = 1 << 29, k2p30 = 1 << 30;
  const LengthRow rows[] = {
      // len = la + lb - 1: 2^32 - 3, 2^31 - 1 (one transform of 2^31 points); a kernel of
      // 2^28 + 1 (overlap-save blocks of 2^31).
      {"ippsConv_64f max x max",
       [](Untouchable& s, Untouchable& d) { return ippsConv_64f(s.d(), kMax, s.d(), kMax, d.d()); },
       ippStsFftOrderErr},
      {"ippsConv_64f 2^30 x 2^30",
       [](Untouchable& s, Untouchable& d) {
         return ippsConv_64f(s.d(), k2p30, s.d(), k2p30, d.d());
       },
       ippStsFftOrderErr},
      {"ippsConv_64f max x 2^28 + 1",
       [](Untouchable& s, Untouchable& d) {
         return ippsConv_64f(s.d(), kMax, s.d(), (1 << 28) + 1, d.d());
       },
       ippStsFftOrderErr},
      // Auto-correlation transforms of 2n >= 2^30 + 2 points.
      {"ippsAutoCorr_64f",
       [](Untouchable& s, Untouchable& d) { return ippsAutoCorr_64f(s.d(), kMax, d.d(), kMax); },
       ippStsFftOrderErr},
      {"ippsAutoCorr_64f 2^29 + 1",
       [](Untouchable& s, Untouchable& d) {
         return ippsAutoCorr_64f(s.d(), k2p29 + 1, d.d(), 600);
       },
       ippStsFftOrderErr},
      {"ippsAutoCorr_NormA_64f",
       [](Untouchable& s, Untouchable& d) {
         return ippsAutoCorr_NormA_64f(s.d(), kMax, d.d(), kMax);
       },
       ippStsFftOrderErr},
      {"ippsAutoCorr_NormB_64f",
       [](Untouchable& s, Untouchable& d) {
         return ippsAutoCorr_NormB_64f(s.d(), kMax, d.d(), kMax);
       },
       ippStsFftOrderErr},
      {"ippsAutoCorr_64fc",
       [](Untouchable& s, Untouchable& d) { return ippsAutoCorr_64fc(s.c(), kMax, d.c(), kMax); },
       ippStsFftOrderErr},
      {"ippsAutoCorr_NormA_64fc",
       [](Untouchable& s, Untouchable& d) {
         return ippsAutoCorr_NormA_64fc(s.c(), k2p29 + 1, d.c(), 96);
       },
       ippStsFftOrderErr},
      {"ippsAutoCorr_NormB_64fc",
       [](Untouchable& s, Untouchable& d) {
         return ippsAutoCorr_NormB_64fc(s.c(), kMax, d.c(), kMax);
       },
       ippStsFftOrderErr},
      // Cross-correlation transforms of len1 + len2 - 1 = 2^32 - 3 points.
      {"ippsCrossCorr_64f",
       [](Untouchable& s, Untouchable& d) {
         return ippsCrossCorr_64f(s.d(), kMax, s.d(), kMax, d.d(), kMax, 0);
       },
       ippStsFftOrderErr},
      {"ippsCrossCorr_64fc",
       [](Untouchable& s, Untouchable& d) {
         return ippsCrossCorr_64fc(s.c(), kMax, s.c(), kMax, d.c(), kMax, 1 - kMax);
       },
       ippStsFftOrderErr},
      // Kaiser's 0.5 |alpha| (N - 1) beyond 308.
      {"ippsWinKaiser_64f_I",
       [](Untouchable&, Untouchable& d) { return ippsWinKaiser_64f_I(d.d(), kMax, 1.0f); },
       ippStsHugeWinErr},
      {"ippsWinKaiser_64f",
       [](Untouchable& s, Untouchable& d) { return ippsWinKaiser_64f(s.d(), d.d(), kMax, 1.0f); },
       ippStsHugeWinErr},
      {"ippsWinKaiser_64fc_I",
       [](Untouchable&, Untouchable& d) { return ippsWinKaiser_64fc_I(d.c(), kMax, 1.0f); },
       ippStsHugeWinErr},
  };
  Untouchable src, dst;
  ASSERT_TRUE(src.ok() && dst.ok());
  for (const LengthRow& r : rows) EXPECT_EQ(r.call(src, dst), r.status) << r.name;

  // A filter too long for any transform size: -15, nothing created.
  IppsFIRState_64f* state = reinterpret_cast<IppsFIRState_64f*>(&state);
  EXPECT_EQ(ippsFIRInitAlloc_64f(&state, src.d(), kMax, nullptr), ippStsFftOrderErr);
  EXPECT_EQ(state, reinterpret_cast<IppsFIRState_64f*>(&state));
}

}  // namespace
