#include "components/PXBasicHough.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "binding/IPPDispatchTable.h"
#include "binding/PXOpenCV.h"
#include "buffers/RBSimpleDataBufferBlock.h"
#include "buffers/RBSimpleDataBufferInteger.h"
#include "components/PXBasicHoughKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace components {
namespace {

namespace rows = builtin::rows;

constexpr int kShift = 10;                  // one accumulator cell is 1024 units
constexpr int64_t kOne = int64_t{1} << kShift;
constexpr int64_t kCellCentre = kOne + kOne / 2;  // one cell of border plus half a cell
constexpr int64_t kMinSupport = 30;         // a circle needs more edge points than this
constexpr float kFloatEpsilon = 1.192092896e-7f;
constexpr int32_t kMaxCircles = 2147483647;

// The parameters as the detection uses them.
struct TParams {
  int64_t minR = 0;
  int64_t maxR = 0;
  double dp = 1.0;
  float idp = 1.0f;
  int64_t rows = 0;  // accumulator rows and columns (without the border)
  int64_t cols = 0;
  int64_t stride = 0;  // cols + 2
  double minDist2 = 0;
};

TParams MakeParams(IppiSize size, double Dp, double MinDist, int32_t MinRadius, int32_t MaxRadius) {
  TParams p;
  p.minR = MinRadius > 0 ? MinRadius : 0;
  if (MaxRadius <= 0)
    p.maxR = std::max(size.width, size.height);
  else if (MaxRadius <= p.minR)
    p.maxR = p.minR + 2;
  else
    p.maxR = MaxRadius;
  p.dp = Dp >= 1.0 ? Dp : 1.0;  // also when Dp is not a number
  p.idp = static_cast<float>(1.0 / p.dp);
  // The products in extended precision, rounded up.
  p.rows = static_cast<int64_t>(std::ceil(static_cast<long double>(size.height) * p.idp));
  p.cols = static_cast<int64_t>(std::ceil(static_cast<long double>(size.width) * p.idp));
  p.stride = p.cols + 2;
  const double d = MinDist > p.dp ? MinDist : p.dp;
  p.minDist2 = d * d;
  return p;
}

// Round(a / b), half to even, for b > 0, exactly.
int64_t RoundDiv(int64_t a, int64_t b) {
  const int64_t m = a < 0 ? -a : a;
  int64_t q = m / b;
  const int64_t r2 = 2 * (m % b);
  if (r2 > b || (r2 == b && (q & 1) != 0)) ++q;
  return a < 0 ? -q : q;
}

// The fixed-point step along the gradient (vx, vy), not both 0: one whole cell along the
// larger component, the other in proportion.
void GradientStep(int32_t vx, int32_t vy, int64_t& sx, int64_t& sy) {
  const int64_t ax = vx < 0 ? -int64_t{vx} : vx, ay = vy < 0 ? -int64_t{vy} : vy;
  if (ax < ay) {
    sx = RoundDiv(int64_t{vx} * kOne, ay);
    sy = vy < 0 ? -kOne : kOne;
  } else {
    sy = RoundDiv(int64_t{vy} * kOne, ax);
    sx = vx < 0 ? -kOne : kOne;
  }
}

// Round(v * idp * 1024) + 1536 for every v < count: the fixed-point start of the votes of a
// point in column (or row) v, the product in extended precision.
std::vector<int64_t> FixedStarts(int32_t count, float idp) {
  std::vector<int64_t> starts(static_cast<size_t>(count));
  for (int32_t v = 0; v < count; ++v)
    starts[static_cast<size_t>(v)] =
        static_cast<int64_t>(std::nearbyint(static_cast<long double>(v) * idp * 1024.0L)) + kCellCentre;
  return starts;
}

// The edge points with their float coordinates (distances are computed from those).
struct TEdgePoints {
  std::vector<int32_t> x, y;
  std::vector<float> fx, fy;
  size_t Count() const { return x.size(); }
  void Add(int32_t px, int32_t py) {
    x.push_back(px);
    y.push_back(py);
    fx.push_back(static_cast<float>(px));
    fy.push_back(static_cast<float>(py));
  }
};

// One pass of votes exactly as the method is written: a bounds test before every vote.
// Coordinates are kept in 64 bits, so a start or step far outside the accumulator ends the pass
// instead of wrapping around into it.
void VotePassReference(int32_t* acc, const TParams& p, int64_t x0, int64_t y0, int64_t sx, int64_t sy) {
  int64_t x1 = x0 + p.minR * sx, y1 = y0 + p.minR * sy;
  for (int64_t r = p.minR; r <= p.maxR; ++r) {
    if (x1 < 0 || y1 < 0) break;
    const int64_t cx = x1 >> kShift, cy = y1 >> kShift;
    if (cx >= p.cols || cy >= p.rows) break;
    ++acc[cy * p.stride + cx];
    x1 += sx;
    y1 += sy;
  }
}

// The number of steps k >= 0 for which v + k * s stays in [0, limit); capped at most.
int64_t StepsInside(int64_t v, int64_t s, int64_t limit, int64_t most) {
  if (v < 0 || v >= limit) return 0;
  if (s > 0) return std::min(most, (limit - 1 - v) / s + 1);
  if (s < 0) return std::min(most, v / -s + 1);
  return most;
}

// The same pass with the number of votes worked out first, so the loop has no tests.
void VotePassFast(int32_t* acc, const TParams& p, int64_t x0, int64_t y0, int64_t sx, int64_t sy) {
  if (p.maxR < p.minR) return;
  int64_t x1 = x0 + p.minR * sx, y1 = y0 + p.minR * sy;
  int64_t n = p.maxR - p.minR + 1;
  n = StepsInside(x1, sx, p.cols << kShift, n);
  n = StepsInside(y1, sy, p.rows << kShift, n);
  const int64_t stride = p.stride;
  for (; n > 0; --n) {
    ++acc[(y1 >> kShift) * stride + (x1 >> kShift)];
    x1 += sx;
    y1 += sy;
  }
}

// Votes of every edge point in both directions along its gradient; collects the points.
template <bool Reference>
void Vote(const THoughEdgeMap& m, const TParams& p, int32_t* acc, TEdgePoints& points) {
  const std::vector<int64_t> xStarts = FixedStarts(m.Size.width, p.idp);
  const std::vector<int64_t> yStarts = FixedStarts(m.Size.height, p.idp);
  const uint8_t* edgeBase = rows::Bytes(m.Edges);
  const uint8_t* dxBase = rows::Bytes(m.Dx);
  const uint8_t* dyBase = rows::Bytes(m.Dy);
  for (int32_t y = 0; y < m.Size.height; ++y) {
    const uint8_t* edges = rows::Row(edgeBase, m.EdgeStep, y);
    const uint8_t* dxRow = rows::Row(dxBase, m.DxStep, y);
    const uint8_t* dyRow = rows::Row(dyBase, m.DyStep, y);
    const int32_t width = m.Size.width;
    for (int32_t x = 0; x < width; ++x) {
      if (!edges[x]) continue;
      const int32_t vx = rows::Load<int16_t>(dxRow, x), vy = rows::Load<int16_t>(dyRow, x);
      if (vx == 0 && vy == 0) continue;
      int64_t sx, sy;
      GradientStep(vx, vy, sx, sy);
      const int64_t x0 = xStarts[static_cast<size_t>(x)], y0 = yStarts[static_cast<size_t>(y)];
      if constexpr (Reference) {
        VotePassReference(acc, p, x0, y0, sx, sy);
        VotePassReference(acc, p, x0, y0, -sx, -sy);
      } else {
        VotePassFast(acc, p, x0, y0, sx, sy);
        VotePassFast(acc, p, x0, y0, -sx, -sy);
      }
      points.Add(x, y);
    }
  }
}

// The cells above the threshold that beat their four neighbours, in index order.
void FindCandidatesReference(const int32_t* acc, const TParams& p, int32_t threshold,
                             std::vector<int32_t>& out) {
  for (int64_t y = 1; y < p.rows - 1; ++y)
    for (int64_t x = 1; x < p.cols - 1; ++x) {
      const int64_t i = y * p.stride + x;
      const int32_t v = acc[i];
      if (v > threshold && v > acc[i - 1] && v > acc[i + 1] && v > acc[i - p.stride] &&
          v > acc[i + p.stride])
        out.push_back(static_cast<int32_t>(i));
    }
}

// The largest float not above v (v >= 0), so that a float d is <= v exactly when it is <= it.
float FloatAtMost(int64_t v) {
  float f = static_cast<float>(v);
  if (static_cast<long double>(f) > static_cast<long double>(v)) f = std::nextafter(f, 0.0f);
  return f;
}

// The radius search over the distances sorted in non-increasing order (the farthest point
// first): bands of distances separated by gaps of more than dp, walked from the nearest point
// outwards up to maxR; a band wins when its count per radius is at least the best one's (or,
// before any winner, when it holds at least 30 points). Returns the winner's count (30 when
// none) and its radius, the distance in the middle of the band.
int64_t SearchRadius(const float* desc, int64_t n, const TParams& p, float& rBest) {
  int64_t startIdx = n - 1;
  float startDist = desc[n - 1];
  int64_t maxCount = kMinSupport;
  rBest = 0.0f;
  const long double maxR = static_cast<long double>(p.maxR);
  for (int64_t j = n - 2; j >= 0; --j) {
    const float d = desc[j];
    if (d > maxR) break;
    if (static_cast<double>(d) - static_cast<double>(startDist) > p.dp) {
      const float rCur = desc[(j + startIdx) / 2];
      const int64_t count = startIdx - j;
      if (static_cast<long double>(count) * rBest >= static_cast<long double>(maxCount) * rCur ||
          (rBest < kFloatEpsilon && count >= maxCount)) {
        rBest = rCur;
        maxCount = count;
      }
      startDist = d;
      startIdx = j;
    }
  }
  return maxCount;
}

// The distances of every edge point from (cx, cy), sorted farthest first, as written: float
// distances, their square roots through PowArray, and an index sort of all points.
int64_t SortedDistancesReference(const TEdgePoints& pts, float cx, float cy, std::vector<float>& dist,
                                 std::vector<int32_t>& order, std::vector<float>& desc) {
  const size_t n = pts.Count();
  for (size_t k = 0; k < n; ++k) {
    const float dx = cx - pts.fx[k], dy = cy - pts.fy[k];
    dist[k] = dx * dx + dy * dy;
    order[k] = static_cast<int32_t>(k);
  }
  PowArray(dist.data(), static_cast<int32_t>(n), 0.5f);
  // Non-negative floats compare like their bit patterns read as signed integers.
  static_assert(sizeof(float) == sizeof(int32_t));
  binding::QuickSortIndexDesc(order.data(), 0, static_cast<int32_t>(n) - 1,
                              reinterpret_cast<const int32_t*>(dist.data()));
  for (size_t j = 0; j < n; ++j) desc[j] = dist[static_cast<size_t>(order[j])];
  return static_cast<int64_t>(n);
}

// Sorts non-negative floats into non-increasing order by their bit patterns (a radix sort of
// the complemented patterns, 11 + 11 + 10 bits, skipping a digit that all values share).
void SortDescending(float* values, size_t n, std::vector<uint32_t>& work) {
  if (n < 2) return;
  work.resize(2 * n);
  uint32_t* a = work.data();
  uint32_t* b = a + n;
  std::memcpy(a, values, n * sizeof(float));
  constexpr int kBits[3] = {11, 11, 10};
  uint32_t counts[3][2048] = {};
  for (size_t i = 0; i < n; ++i) {
    a[i] = ~a[i];
    counts[0][a[i] & 2047u]++;
    counts[1][(a[i] >> 11) & 2047u]++;
    counts[2][a[i] >> 22]++;
  }
  int shift = 0;
  for (int pass = 0; pass < 3; ++pass) {
    uint32_t* c = counts[pass];
    const uint32_t mask = (1u << kBits[pass]) - 1u;
    if (c[(a[0] >> shift) & mask] != n) {
      uint32_t sum = 0;
      for (uint32_t d = 0; d <= mask; ++d) {
        const uint32_t k = c[d];
        c[d] = sum;
        sum += k;
      }
      for (size_t i = 0; i < n; ++i) b[c[(a[i] >> shift) & mask]++] = a[i];
      std::swap(a, b);
    }
    shift += kBits[pass];
  }
  for (size_t i = 0; i < n; ++i) a[i] = ~a[i];
  std::memcpy(values, a, n * sizeof(float));
}

// The distances not above maxR, sorted farthest first. Farther points only end the radius
// search, so leaving them out changes no band: the indexes of the kept points all move by the
// same number, which keeps the band counts and their middles.
int64_t SortedDistancesFast(const TEdgePoints& pts, float cx, float cy, float maxR,
                            std::vector<float>& desc, std::vector<uint32_t>& work) {
  const size_t m = hough::NearDistances(pts.fx.data(), pts.fy.data(), pts.Count(), cx, cy, maxR,
                                        desc.data());
  SortDescending(desc.data(), m, work);
  return static_cast<int64_t>(m);
}

bool TooClose(TPXCircles* circles, float cx, float cy, double minDist2) {
  for (int32_t i = 0, n = circles->GetCount(); i < n; ++i) {
    const TPXFloatPoint c = circles->GetPoint(i);
    const long double dx = static_cast<long double>(c.X) - cx, dy = static_cast<long double>(c.Y) - cy;
    if (dx * dx + dy * dy < minDist2) return true;
  }
  return false;
}

template <bool Reference>
void FromEdges(const THoughEdgeMap& m, double Dp, double MinDist, int32_t AccThreshold, int32_t MinRadius,
               int32_t MaxRadius, TPXCircles* Circles) {
  if (m.Size.width < 1 || m.Size.height < 1 || !m.Edges || !m.Dx || !m.Dy) return;
  const TParams p = MakeParams(m.Size, Dp, MinDist, MinRadius, MaxRadius);
  // Candidates are 32-bit accumulator indexes.
  const int64_t cells = p.stride * (p.rows + 2);
  if (cells > std::numeric_limits<int32_t>::max()) return;
  // Pooled memory: a detection per frame reuses the blocks of the last one.
  RefPtr<buffers::TRBIntegerBuffer> accumulator = buffers::TRBIntegerBuffer::CreateSize(static_cast<uint32_t>(cells));
  accumulator->Zero();
  int32_t* acc = accumulator->Write();
  TEdgePoints points;
  points.x.reserve(16384);
  points.y.reserve(16384);
  points.fx.reserve(16384);
  points.fy.reserve(16384);
  Vote<Reference>(m, p, acc, points);
  if (points.Count() == 0) return;

  std::vector<int32_t> candidates;
  candidates.reserve(16384);
  if constexpr (Reference)
    FindCandidatesReference(acc, p, AccThreshold, candidates);
  else if (p.rows >= 3 && p.cols >= 3)
    hough::FindCandidates(acc, p.stride, p.rows, p.cols, AccThreshold, &candidates);
  if (candidates.empty()) return;
  binding::QuickSortIndexDesc(candidates.data(), 0, static_cast<int32_t>(candidates.size()) - 1, acc);

  const size_t n = points.Count();
  std::vector<float> desc(n), dist;
  std::vector<int32_t> order;
  std::vector<uint32_t> work;
  if constexpr (Reference) {
    dist.resize(n);
    order.resize(n);
  }
  const float maxRf = FloatAtMost(p.maxR);
  for (const int32_t index : candidates) {
    const int64_t cy0 = index / p.stride - 1;
    const int64_t cx0 = index - (cy0 + 1) * p.stride - 1;
    const float cx = static_cast<float>(static_cast<long double>(cx0) * p.dp);
    const float cy = static_cast<float>(static_cast<long double>(cy0) * p.dp);
    if (TooClose(Circles, cx, cy, p.minDist2)) continue;
    const int64_t count = Reference ? SortedDistancesReference(points, cx, cy, dist, order, desc)
                                    : SortedDistancesFast(points, cx, cy, maxRf, desc, work);
    if (count == 0) continue;
    float rBest = 0.0f;
    if (SearchRadius(desc.data(), count, p, rBest) > kMinSupport) {
      Circles->Add(platform::New<TPXCircle>(cx, cy, rBest));
      if (Circles->GetCount() >= kMaxCircles) return;
    }
  }
}

// A pooled byte buffer of that many bytes (EOutOfMemory beyond the store's limit); released
// with its last reference, on every road.
RefPtr<buffers::TRBBlockBuffer> WorkBytes(int64_t count) {
  if (count > std::numeric_limits<uint32_t>::max()) throw platform::EOutOfMemory("Out of memory");
  return buffers::TRBBlockBuffer::CreateSize(static_cast<uint32_t>(std::max<int64_t>(count, 1)));
}

}  // namespace

void PowArray(float* Values, int32_t Count, float Exponent) {
  for (int32_t i = 0; i < Count; ++i)
    Values[i] = static_cast<float>(builtin::LibCPow(Values[i], Exponent));
}

void HoughCirclesFromEdges(const THoughEdgeMap& Map, double Dp, double MinDist, int32_t AccThreshold,
                           int32_t MinRadius, int32_t MaxRadius, TPXCircles* Circles) {
  FromEdges<false>(Map, Dp, MinDist, AccThreshold, MinRadius, MaxRadius, Circles);
}

void HoughCirclesFromEdgesReference(const THoughEdgeMap& Map, double Dp, double MinDist,
                                    int32_t AccThreshold, int32_t MinRadius, int32_t MaxRadius,
                                    TPXCircles* Circles) {
  FromEdges<true>(Map, Dp, MinDist, AccThreshold, MinRadius, MaxRadius, Circles);
}

void HoughCirclesGradient(buffers::IPXImageBuffer* Image, double Dp, double MinDist, int32_t CannyThreshold,
                          int32_t AccThreshold, int32_t MinRadius, int32_t MaxRadius, TPXCircles* Circles) {
  const IppiSize size = Image->GetIppiSize();
  const int64_t pixels = int64_t{size.width} * size.height;
  auto dxBuffer = WorkBytes(2 * pixels);
  auto dyBuffer = WorkBytes(2 * pixels);
  auto* dx = reinterpret_cast<Ipp16s*>(dxBuffer->Write());
  auto* dy = reinterpret_cast<Ipp16s*>(dyBuffer->Write());
  Image->ConvertTo(buffers::vfGrayScale);
  Ipp8u* src = Image->Modify();
  const int srcStep = static_cast<int>(Image->GetStep());
  const int derivativeStep = static_cast<int>(2 * int64_t{size.width});
  // A primitive that refuses the image leaves nothing to vote from.
  if (ippiSobel3x3_Dx_8u16s_C1R(src, srcStep, dx, derivativeStep, size) < ippStsNoErr) return;
  if (ippiSobel3x3_Dy_8u16s_C1R(src, srcStep, dy, derivativeStep, 0, size) < ippStsNoErr) return;
  int bufferSize = 0;
  if (ippiCannyGetSize(size, &bufferSize) < ippStsNoErr) return;
  auto bufferBlock = WorkBytes(bufferSize);
  Ipp8u* buffer = bufferBlock->Write();
  const float low = CannyThreshold / 2.0 > 1.0 ? static_cast<float>(CannyThreshold / 2.0) : 1.0f;
  const float high = static_cast<float>(CannyThreshold);
  if (ippiCanny_16s8u_C1R(dx, derivativeStep, dy, derivativeStep, src, srcStep, size, low,
                          high, buffer) < ippStsNoErr)
    return;
  bufferBlock = nullptr;
  THoughEdgeMap map;
  map.Size = size;
  map.Edges = src;
  map.EdgeStep = srcStep;
  map.Dx = dx;
  map.DxStep = derivativeStep;
  map.Dy = dy;
  map.DyStep = derivativeStep;
  HoughCirclesFromEdges(map, Dp, MinDist, AccThreshold, MinRadius, MaxRadius, Circles);
}

}  // namespace components
