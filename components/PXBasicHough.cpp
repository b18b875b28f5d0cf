#include "components/PXBasicHough.h"

#include <algorithm>
#include <bit>
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
  double minDist = 0;   // at least dp
  double minDist2 = 0;  // its square
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
  p.minDist = MinDist > p.dp ? MinDist : p.dp;
  p.minDist2 = p.minDist * p.minDist;
  return p;
}

// Divisions of values that fit in 32 bits are done in 32 bits, which costs a fraction of a
// 64-bit division on many processors.
constexpr int64_t kMost32 = std::numeric_limits<uint32_t>::max();

// a / b for a >= 0, b > 0.
inline int64_t Quotient(int64_t a, int64_t b) {
  if (b == kOne) return a >> kShift;
  if (a <= kMost32 && b <= kMost32) return static_cast<uint32_t>(a) / static_cast<uint32_t>(b);
  return a / b;
}

// Round(a / b), half to even, for b > 0, exactly.
int64_t RoundDiv(int64_t a, int64_t b) {
  const int64_t m = a < 0 ? -a : a;
  int64_t q, r2;
  if (m <= kMost32 && b <= kMost32) {  // the common case, in the faster 32-bit division
    const uint32_t m32 = static_cast<uint32_t>(m), b32 = static_cast<uint32_t>(b);
    q = m32 / b32;
    r2 = 2 * int64_t{m32 % b32};
  } else {
    q = m / b;
    r2 = 2 * (m % b);
  }
  q += (r2 > b) | ((r2 == b) & ((q & 1) != 0));
  return a < 0 ? -q : q;
}

// The fixed-point step along the gradient (vx, vy), not both 0: one whole cell along the
// larger component, the other in proportion.
// The axes are chosen by selects rather than branches, which the gradient directions of
// neighbouring points would mispredict half of the time.
void GradientStep(int32_t vx, int32_t vy, int64_t& sx, int64_t& sy) {
  const int64_t ax = vx < 0 ? -int64_t{vx} : vx, ay = vy < 0 ? -int64_t{vy} : vy;
  const bool steep = ax < ay;
  const int64_t major = steep ? vy : vx, minor = steep ? vx : vy;
  const int64_t minorStep = RoundDiv(minor * kOne, steep ? ay : ax);
  const int64_t majorStep = major < 0 ? -kOne : kOne;
  sx = steep ? minorStep : majorStep;
  sy = steep ? majorStep : minorStep;
}

// Round(v * idp * 1024) + 1536 for every v < count: the fixed-point start of the votes of a
// point in column (or row) v, the product in extended precision.
std::vector<int64_t> FixedStarts(int32_t count, float idp) {
  std::vector<int64_t> starts(static_cast<size_t>(count));
  if (idp == 1.0f) {  // the products are whole numbers
    for (int32_t v = 0; v < count; ++v) starts[static_cast<size_t>(v)] = int64_t{v} * 1024 + kCellCentre;
    return starts;
  }
  for (int32_t v = 0; v < count; ++v)
    starts[static_cast<size_t>(v)] =
        static_cast<int64_t>(std::nearbyint(static_cast<long double>(v) * idp * 1024.0L)) + kCellCentre;
  return starts;
}

// The edge points with their float coordinates (distances are computed from those).
struct TEdgePoints {
  std::vector<float> fx, fy;
  size_t Count() const { return fx.size(); }
  void Add(int32_t px, int32_t py) {
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
  if (s > 0) return std::min(most, Quotient(limit - 1 - v, s) + 1);
  if (s < 0) return std::min(most, Quotient(v, -s) + 1);
  return most;
}

// A pass of votes as its cells: n of them from (x, y) on, in steps of (sx, sy).
struct TVotePass {
  int64_t x, y, sx, sy, n;
};

// The pass of VotePassReference with the number of votes worked out first, so that the loop
// has no tests. False when it has no votes.
bool PassCells(const TParams& p, int64_t x0, int64_t y0, int64_t sx, int64_t sy, TVotePass& pass) {
  if (p.maxR < p.minR) return false;
  pass = {x0 + p.minR * sx, y0 + p.minR * sy, sx, sy, p.maxR - p.minR + 1};
  pass.n = StepsInside(pass.x, sx, p.cols << kShift, pass.n);
  pass.n = StepsInside(pass.y, sy, p.rows << kShift, pass.n);
  return pass.n > 0;
}

// The accumulator's cells in rows, as the candidates are read from it.
// When the fixed-point coordinates and the indexes fit in 32 bits, the passes' cells are kept
// as lines in a batch that hough::VoteLines votes (Flush).
struct TRowCells {
  int32_t* acc;
  int64_t stride;
  std::vector<hough::TVoteLine>* lines;  // null: the plain loops vote
  int32_t& operator()(int64_t cx, int64_t cy) const { return acc[cy * stride + cx]; }
  int64_t RowBytes() const { return stride * int64_t{sizeof(int32_t)}; }
  void Flush() const {
    if (!lines || lines->empty()) return;
    hough::VoteLines(acc, lines->data(), lines->size());
    lines->clear();
  }
};

// Votes the first count cells of the pass and moves it past them. One step is a whole cell
// along one axis (GradientStep), so along that axis the cell index moves by a fixed amount.
void VoteCells(const TRowCells& cells, TVotePass& pass, int64_t count) {
  const int64_t sx = pass.sx, sy = pass.sy;
  if (cells.lines && count > 0) {
    // The same cells as a line for the vector kernel, the coordinates in 32 bits.
    const bool steep = sy == kOne || sy == -kOne;
    const int32_t stride = static_cast<int32_t>(cells.stride), n = static_cast<int32_t>(count);
    if (steep)
      cells.lines->push_back({static_cast<int32_t>(pass.x), static_cast<int32_t>(sx), 1,
                              static_cast<int32_t>(pass.y >> kShift) * stride, sy > 0 ? stride : -stride, n});
    else
      cells.lines->push_back({static_cast<int32_t>(pass.y), static_cast<int32_t>(sy), stride,
                              static_cast<int32_t>(pass.x >> kShift), sx > 0 ? 1 : -1, n});
    pass.x += count * sx;
    pass.y += count * sy;
    pass.n -= count;
    return;
  }
  if (sy == kOne || sy == -kOne) {
    int64_t x = pass.x;
    int64_t row = pass.y >> kShift;
    const int64_t down = sy > 0 ? 1 : -1;
    for (int64_t k = count; k > 0; --k) {
      ++cells(x >> kShift, row);
      row += down;
      x += sx;
    }
    pass.x = x;
    pass.y += count * sy;
  } else {
    int64_t y = pass.y;
    int64_t column = pass.x >> kShift;
    const int64_t right = sx > 0 ? 1 : -1;
    for (int64_t k = count; k > 0; --k) {
      ++cells(column, y >> kShift);
      column += right;
      y += sy;
    }
    pass.y = y;
    pass.x += count * sx;
  }
  pass.n -= count;
}

// Accumulators of more than four bands are voted band by band of rows, each band a part of the
// accumulator (192 KB) that stays in the processor's cache while every pass crossing it votes
// there. A smaller one stays in the second-level cache of most processors whole, where voting
// every pass at once saves keeping the passes and going over them band by band.
constexpr int64_t kBandBytes = 192 * 1024;

bool VoteInBands(int64_t bytes) { return bytes > 4 * kBandBytes; }

// The passes' votes band by band. A pass runs downwards (one that runs upwards is turned round:
// the same cells from its other end), so in each band it votes the cells up to the band's last
// row and goes on from there in the next. Every cell gets the votes it gets pass by pass.
void VoteBands(const TRowCells& cells, const TParams& p, std::vector<TVotePass>& passes) {
  for (TVotePass& q : passes)
    if (q.sy < 0) {
      q.x += (q.n - 1) * q.sx;
      q.y += (q.n - 1) * q.sy;
      q.sx = -q.sx;
      q.sy = -q.sy;
    }
  const int64_t bandRows = std::max<int64_t>(1, kBandBytes / cells.RowBytes());
  for (int64_t end = bandRows;; end += bandRows) {
    const int64_t limit = end << kShift;  // the first row below the band, in fixed point
    for (TVotePass& q : passes) {
      if (q.n == 0 || q.y >= limit) continue;
      const int64_t inBand = q.sy > 0 ? Quotient(limit - 1 - q.y, q.sy) + 1 : q.n;
      VoteCells(cells, q, std::min(q.n, inBand));
    }
    cells.Flush();
    if (end >= p.rows) break;
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
  constexpr int64_t kMost31 = std::numeric_limits<int32_t>::max();
  const bool lines = ((p.cols + 1) << kShift) <= kMost31 && ((p.rows + 1) << kShift) <= kMost31 &&
                     p.stride * (p.rows + 2) <= kMost31;
  std::vector<hough::TVoteLine> batch;
  const TRowCells rowCells{acc, p.stride, lines ? &batch : nullptr};
  const bool bands = !Reference && VoteInBands(rowCells.RowBytes() * (p.rows + 2));
  std::vector<TVotePass> passes;
  if constexpr (!Reference)
    if (bands) passes.reserve(32768);
  for (int32_t y = 0; y < m.Size.height; ++y) {
    const uint8_t* edges = rows::Row(edgeBase, m.EdgeStep, y);
    const uint8_t* dxRow = rows::Row(dxBase, m.DxStep, y);
    const uint8_t* dyRow = rows::Row(dyBase, m.DyStep, y);
    const int32_t width = m.Size.width;
    // The votes and the point of the edge at column x.
    const auto visit = [&](int32_t x) {
      const int32_t vx = rows::Load<int16_t>(dxRow, x), vy = rows::Load<int16_t>(dyRow, x);
      if (vx == 0 && vy == 0) return;
      int64_t sx, sy;
      GradientStep(vx, vy, sx, sy);
      const int64_t x0 = xStarts[static_cast<size_t>(x)], y0 = yStarts[static_cast<size_t>(y)];
      if constexpr (Reference) {
        VotePassReference(acc, p, x0, y0, sx, sy);
        VotePassReference(acc, p, x0, y0, -sx, -sy);
      } else {
        TVotePass pass;
        for (const int64_t sign : {1, -1})
          if (PassCells(p, x0, y0, sign * sx, sign * sy, pass)) {
            if (bands)
              passes.push_back(pass);
            else
              VoteCells(rowCells, pass, pass.n);
          }
      }
      points.Add(x, y);
    };
    int32_t x = 0;
    if constexpr (!Reference && std::endian::native == std::endian::little)
      // Eight pixels at a time: the edges of a word in column order, from its lowest non-zero
      // byte up.
      for (; x + 8 <= width; x += 8)
        for (uint64_t w = rows::Load<uint64_t>(edges + x, 0); w != 0;) {
          const int b = std::countr_zero(w) >> 3;
          visit(x + b);
          w &= ~(uint64_t{0xFF} << (8 * b));
        }
    for (; x < width; ++x)
      if (edges[x]) visit(x);
    rowCells.Flush();
  }
  if constexpr (!Reference)
    if (bands) VoteBands(rowCells, p, passes);
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

// The radius search of SearchRadius without sorting the distances. The distances are put in
// order of a bucket key (the distance times 1, 2 or 4 / dp, truncated) by one counting pass and
// one scatter. The key never falls where the distance grows, so every value of a bucket is
// below every value of the buckets after it, and the distances at most a bound t are the
// buckets before t's own and a part of t's bucket. The band scan needs only:
//  - where a band starting at v ends: t is the largest float at most dp above v (as the scan
//    tests it, in double), the band ends after the distances up to t (counted in t's bucket)
//    and the next one starts at the least distance beyond t (from t's bucket, or the next
//    bucket that holds any);
//  - for a band that can win, the distance at its middle rank, selected inside its bucket.
// A band is more than dp wide and a bucket at most that, so each bucket is scanned about twice
// at most: linear in the number of distances and buckets. The results are SearchRadius's.
class TBucketRadiusSearch {
 public:
  // maxDist bounds the distances that will be handed over (larger ones share the last
  // bucket). Buckets are fewer than 2^22.
  // Few points get about one bucket per dp (fewer buckets to clear and add up per candidate),
  // many get four (a smaller part of a band to scan).
  TBucketRadiusSearch(const TParams& p, float maxDist, size_t points) : FDp(p.dp) {
    constexpr float kMostBuckets = 4194304.0f;
    const double perDp = static_cast<double>(points) / (static_cast<double>(maxDist) / p.dp + 1);
    FScale = static_cast<float>((perDp < 16 ? 1.0 : perDp < 64 ? 2.0 : 4.0) / p.dp);
    if (maxDist * FScale > kMostBuckets) FScale = kMostBuckets / maxDist;
    FBuckets = static_cast<uint32_t>(std::min(maxDist * FScale, kMostBuckets)) + 2;
    FLast = static_cast<float>(FBuckets - 1);
    FStart.resize(size_t{FBuckets} + 2);
  }

  // Same contract as SearchRadius, over the distances dist[0 .. n) in any order (n > 0).
  // A distance's bucket is min(distance * Scale(), Last()), truncated.
  float Scale() const { return FScale; }
  float Last() const { return FLast; }

  // keys[i] is the bucket of dist[i].
  int64_t Search(const float* dist, const uint32_t* keys, size_t n, float& rBest) {
    FExactInDouble = n < (size_t{1} << 29);
    Distribute(dist, keys, n);
    const float* sorted = FSorted.data();
    const size_t* start = FStart.data();
    int64_t maxCount = kMinSupport;
    rBest = 0.0f;
    // The first band starts at the least distance.
    uint32_t vBucket = 0;
    while (start[vBucket + 1] == start[vBucket]) ++vBucket;
    float v = *std::min_element(sorted + start[vBucket], sorted + start[vBucket + 1]);
    size_t s = 0;
    for (;;) {
      const float t = Bound(v);
      const uint32_t tBucket = Key(t);
      // e: the distances up to t (all of those below v included); next: the least one beyond.
      size_t e = start[tBucket];
      float next = std::numeric_limits<float>::infinity();
      for (const float* q = sorted + start[tBucket], *end = sorted + start[tBucket + 1]; q != end; ++q) {
        const float x = *q;
        e += x <= t;
        next = std::min(next, x > t ? x : std::numeric_limits<float>::infinity());
      }
      uint32_t nextBucket = tBucket;
      if (e == start[tBucket + 1]) {
        // Nothing beyond t in its bucket: the next band starts in the next bucket with any.
        do ++nextBucket;
        while (nextBucket < FBuckets && start[nextBucket + 1] == start[nextBucket]);
        if (nextBucket == FBuckets) break;  // the last band is never weighed
        next = *std::min_element(sorted + start[nextBucket], sorted + start[nextBucket + 1]);
      }
      const int64_t count = static_cast<int64_t>(e - s);
      const bool first = rBest < kFloatEpsilon && count >= maxCount;
      // rCur is at least v: a band that cannot win even with v needs no middle.
      if (first || Weighs(count, rBest, maxCount, v)) {
        // The middle rank may be the next band's first distance (a band of one).
        const size_t mid = (s + e + 1) / 2;
        const float rCur = mid == e ? next : Select(mid, vBucket, tBucket);
        if (Weighs(count, rBest, maxCount, rCur) || first) {
          rBest = rCur;
          maxCount = count;
        }
      }
      s = e;
      v = next;
      vBucket = nextBucket;
    }
    return maxCount;
  }

 private:
  // count * rBest >= maxCount * r, as SearchRadius weighs it in extended precision. Counts
  // below 2^29 times a float have at most 53 significant bits, so below that the products are
  // exact in double too and the comparison is the same.
  bool Weighs(int64_t count, float rBest, int64_t maxCount, float r) const {
    if (FExactInDouble) return static_cast<double>(count) * rBest >= static_cast<double>(maxCount) * r;
    return static_cast<long double>(count) * rBest >= static_cast<long double>(maxCount) * r;
  }

  // The neighbouring floats of t towards 0 and towards infinity: one step of the bit pattern
  // for positive finite values, std::nextafter otherwise.
  static float NextDown(float t) {
    if (!(t > 0.0f) || t == std::numeric_limits<float>::infinity()) return std::nextafter(t, 0.0f);
    return std::bit_cast<float>(std::bit_cast<uint32_t>(t) - 1);
  }
  static float NextUp(float t) {
    if (!(t > 0.0f) || t == std::numeric_limits<float>::infinity())
      return std::nextafter(t, std::numeric_limits<float>::infinity());
    return std::bit_cast<float>(std::bit_cast<uint32_t>(t) + 1);
  }

  uint32_t Key(float x) const { return static_cast<uint32_t>(std::min(x * FScale, FLast)); }

  // The largest float x with x - v <= dp in double, the test of SearchRadius (which only
  // grows with x).
  float Bound(float v) const {
    const double vd = static_cast<double>(v);
    float t = static_cast<float>(vd + FDp);
    while (static_cast<double>(t) - vd > FDp) t = NextDown(t);
    for (;;) {
      const float up = NextUp(t);
      if (up == t || static_cast<double>(up) - vd > FDp) return t;
      t = up;
    }
  }

  // Counting sort by key into FSorted; FStart[k] is where bucket k begins (FStart[FBuckets]
  // where the last one ends). Neighbouring points often fall in one
  // bucket, and increments of one counter wait on each other, so point i is counted in the
  // column i % 4 of four interleaved counters (and placed in that column's part of its bucket):
  // the values of a bucket come in another order, which nothing that reads them depends on.
  void Distribute(const float* dist, const uint32_t* keys, size_t n) {
    FSorted.resize(n);
    FCounts.assign(size_t{FBuckets} * 4, 0);
    size_t* c = FCounts.data();
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
      ++c[size_t{keys[i]} * 4];
      ++c[size_t{keys[i + 1]} * 4 + 1];
      ++c[size_t{keys[i + 2]} * 4 + 2];
      ++c[size_t{keys[i + 3]} * 4 + 3];
    }
    for (; i < n; ++i) ++c[size_t{keys[i]} * 4 + (i & 3)];
    size_t* start = FStart.data();
    size_t sum = 0;
    for (size_t k = 0; k < FBuckets; ++k) {
      start[k] = sum;
      for (size_t j = 0; j < 4; ++j) {
        const size_t count = c[k * 4 + j];
        c[k * 4 + j] = sum;
        sum += count;
      }
    }
    start[FBuckets] = start[FBuckets + 1] = sum;
    float* sorted = FSorted.data();
    for (i = 0; i + 4 <= n; i += 4) {
      sorted[c[size_t{keys[i]} * 4]++] = dist[i];
      sorted[c[size_t{keys[i + 1]} * 4 + 1]++] = dist[i + 1];
      sorted[c[size_t{keys[i + 2]} * 4 + 2]++] = dist[i + 2];
      sorted[c[size_t{keys[i + 3]} * 4 + 3]++] = dist[i + 3];
    }
    for (; i < n; ++i) sorted[c[size_t{keys[i]} * 4 + (i & 3)]++] = dist[i];
  }

  // The distance of that rank in the whole order, which lies in a bucket from first to last.
  float Select(size_t rank, uint32_t first, uint32_t last) {
    const size_t* start = FStart.data();
    const size_t k = static_cast<size_t>(std::upper_bound(start + first + 1, start + last + 1, rank) - start - 1);
    float* values = FSorted.data();
    std::nth_element(values + start[k], values + rank, values + start[k + 1]);
    return values[rank];
  }

  double FDp;
  bool FExactInDouble = true;
  float FScale = 1.0f;
  float FLast = 0.0f;
  uint32_t FBuckets = 0;
  std::vector<size_t> FStart;
  std::vector<float> FSorted;
  std::vector<size_t> FCounts;
};

// True when (cx, cy) is closer than the minimum distance to the centre (x, y).
inline bool Close(float x, float y, float cx, float cy, double minDist2) {
  const long double dx = static_cast<long double>(x) - cx, dy = static_cast<long double>(y) - cy;
  return dx * dx + dy * dy < minDist2;
}

bool TooCloseReference(TPXCircles* circles, float cx, float cy, double minDist2) {
  for (int32_t i = 0, n = circles->GetCount(); i < n; ++i) {
    const TPXFloatPoint c = circles->GetPoint(i);
    if (Close(c.X, c.Y, cx, cy, minDist2)) return true;
  }
  return false;
}

// The circles of the list (those it held before and those accepted since), filed in square
// cells a little wider than the minimum distance over the candidates' area. A circle closer
// than that to a candidate lies in the candidate's cell or one of the eight around it (cell
// numbers are clamped to the grid, which never moves two cells further apart), so only those
// are tested, with the test of TooCloseReference. Whether any circle is close does not depend
// on the order they are tested in: the candidates are still taken in order and the first
// accepted wins exactly as before.
class TCentreGrid {
 public:
  explicit TCentreGrid(const TParams& p) : FMinDist2(p.minDist2) {
    FWidth = p.minDist * (1.0 + 1.0 / 65536);
    // Centres lie in [0, cols * dp) x [0, rows * dp); minDist >= dp keeps the grid no larger
    // than the accumulator.
    FCols = Cells(static_cast<double>(p.cols) * p.dp);
    FRows = Cells(static_cast<double>(p.rows) * p.dp);
    FHeads.assign(static_cast<size_t>(FCols * FRows), -1);
  }

  void Add(float x, float y) {
    // A circle with a coordinate that is not finite is close to nothing.
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    const size_t cell = static_cast<size_t>(Cell(y, FRows) * FCols + Cell(x, FCols));
    FEntries.push_back({x, y, FHeads[cell]});
    FHeads[cell] = static_cast<int64_t>(FEntries.size()) - 1;
  }

  bool TooClose(float cx, float cy) const {
    const int64_t gx = Cell(cx, FCols), gy = Cell(cy, FRows);
    for (int64_t y = std::max<int64_t>(gy - 1, 0); y <= std::min(gy + 1, FRows - 1); ++y)
      for (int64_t x = std::max<int64_t>(gx - 1, 0); x <= std::min(gx + 1, FCols - 1); ++x)
        for (int64_t i = FHeads[static_cast<size_t>(y * FCols + x)]; i >= 0;) {
          const TEntry& c = FEntries[static_cast<size_t>(i)];
          if (Close(c.x, c.y, cx, cy, FMinDist2)) return true;
          i = c.next;
        }
    return false;
  }

 private:
  struct TEntry {
    float x, y;
    int64_t next;
  };

  int64_t Cells(double extent) const {
    const double c = std::floor(extent / FWidth) + 1;
    return c >= 1 ? static_cast<int64_t>(c) : 1;  // also when the width is infinite
  }
  // The cell of a coordinate, clamped into the grid. Two values less than the width apart
  // (also after the rounding of the quotients) get cell numbers at most 1 apart.
  int64_t Cell(double v, int64_t count) const {
    const double c = std::floor(v / FWidth);
    if (!(c > 0)) return 0;
    return c >= static_cast<double>(count - 1) ? count - 1 : static_cast<int64_t>(c);
  }

  double FWidth = 1.0;
  double FMinDist2;
  int64_t FCols = 1, FRows = 1;
  std::vector<int64_t> FHeads;
  std::vector<TEntry> FEntries;
};

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
  std::vector<uint32_t> keys(Reference ? 0 : n);
  std::vector<int32_t> order;
  if constexpr (Reference) {
    dist.resize(n);
    order.resize(n);
  }
  const float maxRf = FloatAtMost(p.maxR);
  // The fast path: the circles in grid cells, distances bucketed instead of sorted.
  std::unique_ptr<TCentreGrid> grid;
  std::unique_ptr<TBucketRadiusSearch> radii;
  if constexpr (!Reference) {
    grid = std::make_unique<TCentreGrid>(p);
    for (int32_t i = 0, count = Circles->GetCount(); i < count; ++i) {
      const TPXFloatPoint c = Circles->GetPoint(i);
      grid->Add(c.X, c.Y);
    }
    // No distance exceeds the diagonal of the box holding the points and the centres.
    const double w = std::max(static_cast<double>(m.Size.width), static_cast<double>(p.cols) * p.dp);
    const double h = std::max(static_cast<double>(m.Size.height), static_cast<double>(p.rows) * p.dp);
    radii = std::make_unique<TBucketRadiusSearch>(p, std::min(maxRf, static_cast<float>(std::hypot(w, h) + 2)),
                                                  n);
  }
  for (const int32_t index : candidates) {
    const int64_t cy0 = index / p.stride - 1;
    const int64_t cx0 = index - (cy0 + 1) * p.stride - 1;
    const float cx = static_cast<float>(static_cast<long double>(cx0) * p.dp);
    const float cy = static_cast<float>(static_cast<long double>(cy0) * p.dp);
    float rBest = 0.0f;
    int64_t support = 0;
    if constexpr (Reference) {
      if (TooCloseReference(Circles, cx, cy, p.minDist2)) continue;
      const int64_t count = SortedDistancesReference(points, cx, cy, dist, order, desc);
      if (count == 0) continue;
      support = SearchRadius(desc.data(), count, p, rBest);
    } else {
      if (grid->TooClose(cx, cy)) continue;
      // Farther points than maxR only end the radius search, so leaving them out changes no
      // band: the ranks of the kept points all move by the same number, which keeps the band
      // counts and their middles.
      const size_t count = hough::NearDistances(points.fx.data(), points.fy.data(), n, cx, cy, maxRf,
                                                radii->Scale(), radii->Last(), desc.data(), keys.data());
      if (count == 0) continue;
      support = radii->Search(desc.data(), keys.data(), count, rBest);
    }
    if (support > kMinSupport) {
      Circles->Add(platform::New<TPXCircle>(cx, cy, rBest));
      if constexpr (!Reference) grid->Add(cx, cy);
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
