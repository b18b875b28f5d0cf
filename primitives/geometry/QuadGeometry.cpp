// Quadrangle geometry: quadrangles, their test and inverse, polygon clipping and scan
// conversion into row spans.
#include "primitives/geometry/QuadGeometry.h"

#include <algorithm>
#include <cmath>

#include "primitives/support/Support.h"

namespace builtin {

using warp::GeomCeil;
using warp::GeomFloor;

void fbAffineQuad(const double c[2][3], int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                  double quad[4][2]) {
  const int64_t xs[4] = {x0, x1, x1, x0};
  const int64_t ys[4] = {y0, y0, y1, y1};
  for (int i = 0; i < 4; ++i) {
    const double x = static_cast<double>(xs[i]), y = static_cast<double>(ys[i]);
    quad[i][0] = c[0][0] * x + c[0][1] * y + c[0][2];
    quad[i][1] = c[1][0] * x + c[1][1] * y + c[1][2];
  }
}

IppStatus fbGetAffineQuad(IppiRect r, double quad[4][2], const double coeffs[2][3]) {
  if (quad == nullptr || coeffs == nullptr) return ippStsNullPtrErr;
  if (r.x < 0 || r.y < 0 || r.width < 1 || r.height < 1) return ippStsSizeErr;
  // The far corners in 64 bits: x + width - 1 passes INT32_MAX for a region reaching beyond it.
  const int64_t x1 = int64_t{r.x} + r.width - 1, y1 = int64_t{r.y} + r.height - 1;
  fbAffineQuad(coeffs, r.x, r.y, x1, y1, quad);
  const int check = fbCheckQuad(quad);
  return check < 0 ? ippStsCoeffErr : ippStsNoErr;
}

int fbCheckQuad(const double q[4][2]) {
  double e[4][2];
  for (int i = 0; i < 4; ++i) {
    const int n = (i + 1) % 4;
    e[i][0] = q[n][0] - q[i][0];
    e[i][1] = q[n][1] - q[i][1];
  }
  const auto cross = [](const double* a, const double* b) { return a[0] * b[1] - a[1] * b[0]; };
  const double k[4] = {cross(e[3], e[0]), cross(e[0], e[1]), cross(e[1], e[2]),
                       cross(e[2], e[3])};
  for (double v : k)
    if (!(v != 0.0) || std::isnan(v)) return kQuadDegenerate;
  const bool positive = k[0] > 0.0;
  for (double v : k)
    if ((v > 0.0) != positive) return kQuadNotConvex;
  return positive ? 1 : 0;
}

void fbAffineInverseFromQuad(int x0, int y0, int x1, int y1, const double q[4][2],
                             double inv[2][3], int* orientation, int /*mode*/) {
  const double a = q[1][0] - q[0][0], b = q[2][0] - q[1][0];
  const double c = q[1][1] - q[0][1], d = q[2][1] - q[1][1];
  const double r = 1.0 / (a * d - b * c);
  const double w = static_cast<double>(int64_t{x1} - x0), h = static_cast<double>(int64_t{y1} - y0);
  inv[0][0] = d * (w * r);
  inv[0][1] = -b * (w * r);
  inv[0][2] = x0 - inv[0][0] * q[0][0] - inv[0][1] * q[0][1];
  inv[1][0] = -c * (h * r);
  inv[1][1] = a * (h * r);
  inv[1][2] = y0 - inv[1][0] * q[0][0] - inv[1][1] * q[0][1];
  *orientation = r > 0.0 ? 1 : 0;
}

namespace {

// One clipping stage. Axis 1 clips on y (top, bottom), axis 0 on x (left, right); keepAbove
// keeps the coordinates >= edge, otherwise <= edge. in has room for the closing copy.
template <int kAxis, bool kKeepAbove>
void ClipStage(fbPoint* in, fbPoint* out, int* count, double extreme, int edge) {
  const int n = *count;
  if (n <= 0) {
    *count = 0;
    return;
  }
  const double b = edge;
  // The input already inside this edge passes unchanged.
  if (kKeepAbove ? !(b > extreme) : !(b < extreme)) {
    std::copy(in, in + n, out);
    return;
  }
  const auto along = [](const fbPoint& p) { return kAxis == 1 ? p.y : p.x; };
  const auto across = [](const fbPoint& p) { return kAxis == 1 ? p.x : p.y; };
  // Inside-ness measured so that "above" means inside: v - b for keepAbove, b - v otherwise.
  const auto beyond = [b](double v) { return kKeepAbove ? v < b : v > b; };
  const auto atOrIn = [b](double v) { return kKeepAbove ? v >= b : v <= b; };
  const auto outOrOn = [b](double v) { return kKeepAbove ? v <= b : v >= b; };
  in[n] = in[0];
  int m = 0;
  for (int i = 1; i <= n; ++i) {
    const fbPoint& prev = in[i - 1];
    const fbPoint& cur = in[i];
    const double pv = along(prev), cv = along(cur);
    if (outOrOn(pv) && beyond(cv)) continue;
    if (cv == b || (atOrIn(pv) && atOrIn(cv))) {
      out[m++] = cur;
      continue;
    }
    const double t = across(prev) + (b - pv) * (across(cur) - across(prev)) / (cv - pv);
    out[m++] = kAxis == 1 ? fbPoint{t, b} : fbPoint{b, t};
    if (!beyond(cv) && cv != b) out[m++] = cur;
  }
  *count = m;
}

}  // namespace

void fbClipPolygonTop(fbPoint* in, fbPoint* out, int* count, double extreme, int edge) {
  ClipStage<1, true>(in, out, count, extreme, edge);
}
void fbClipPolygonBottom(fbPoint* in, fbPoint* out, int* count, double extreme, int edge) {
  ClipStage<1, false>(in, out, count, extreme, edge);
}
void fbClipPolygonLeft(fbPoint* in, fbPoint* out, int* count, double extreme, int edge) {
  ClipStage<0, true>(in, out, count, extreme, edge);
}
void fbClipPolygonRight(fbPoint* in, fbPoint* out, int* count, double extreme, int edge) {
  ClipStage<0, false>(in, out, count, extreme, edge);
}

void fbClipPolygonToRect(fbPoint* poly, fbPoint* work, int* count, int x0, int y0, int x1,
                         int y1) {
  const int n = *count;
  if (n <= 0) {
    *count = 0;
    return;
  }
  double xmin = poly[0].x, xmax = poly[0].x, ymin = poly[0].y, ymax = poly[0].y;
  for (int i = 1; i < n; ++i) {
    xmin = std::min(xmin, poly[i].x);
    xmax = std::max(xmax, poly[i].x);
    ymin = std::min(ymin, poly[i].y);
    ymax = std::max(ymax, poly[i].y);
  }
  if (y0 > ymax || y1 < ymin || x0 > xmax || x1 < xmin) {
    *count = 0;
    return;
  }
  if (y1 >= ymax && y0 <= ymin && x1 >= xmax && x0 <= xmin) {
    std::copy(poly, poly + n, work);
    return;
  }
  fbClipPolygonTop(poly, work, count, ymin, y0);
  fbClipPolygonBottom(work, poly, count, ymax, y1);
  fbClipPolygonLeft(poly, work, count, xmin, x0);
  fbClipPolygonRight(work, poly, count, xmax, x1);
  // Drop vertices equal to their predecessor (the last one is not compared with the first).
  int m = *count > 0 ? 1 : 0;
  for (int i = 1; i < *count; ++i)
    if (poly[i].x != poly[m - 1].x || poly[i].y != poly[m - 1].y) poly[m++] = poly[i];
  *count = m;
}

namespace {

// The first column at or right of x, counting a position within 1e-14 of a whole column as
// that column; and the last column at or left of x, likewise.
inline int64_t SpanStart(double x) {
  const int64_t c = GeomCeil(x);
  return (x + 1.0) - static_cast<double>(c) < 1e-14 ? c - 1 : c;
}
inline int64_t SpanEnd(double x) {
  const int64_t f = GeomFloor(x);
  return static_cast<double>(f) + (1.0 - x) < 1e-14 ? f + 1 : f;
}

inline int32_t ToSpanColumn(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// One chain of edges leaving the top vertex of a convex polygon, backward (step -1) or
// forward (+1) through the vertices.
struct Chain {
  int start = 0, end = 0;
  double x = 0.0, y = 0.0, slope = 0.0;
};

}  // namespace

void fbScanConvexPolygon(const fbPoint* p, int count, int orientation, fbRowSpan* spans,
                         int rowCount) {
  if (count <= 0 || rowCount <= 0) return;
  for (int i = 0; i < rowCount; ++i) spans[i] = fbRowSpan{0, -1};
  int top = 0;
  for (int i = 1; i < count; ++i)
    if (p[i].y < p[top].y) top = i;
  const int64_t firstRow = GeomCeil(p[top].y);
  if (count == 1) {
    const int32_t x = ToSpanColumn(GeomFloor(p[0].x));
    spans[0] = fbRowSpan{x, x};
    return;
  }
  spans[0] = fbRowSpan{ToSpanColumn(GeomCeil(std::min(p[0].x, p[1].x))),
                       ToSpanColumn(GeomFloor(std::max(p[0].x, p[1].x)))};

  // Moves a chain to its next edge that is not horizontal; false when skipping reaches the
  // vertex at which the other chain ends (the scan is over).
  const auto advance = [&](Chain& chain, int step, const Chain& other) {
    int s = chain.end;
    int e = (s + step + count) % count;
    for (int skipped = 0; p[e].y - p[s].y == 0.0; ++skipped) {
      if (e == other.end || skipped == count) return false;
      s = e;
      e = (s + step + count) % count;
    }
    chain.start = s;
    chain.end = e;
    chain.x = p[s].x;
    chain.y = p[s].y;
    chain.slope = (p[e].x - p[s].x) / (p[e].y - p[s].y);
    return true;
  };

  Chain back, fwd;
  back.start = back.end = fwd.start = fwd.end = top;
  int64_t y = firstRow;
  // Bounded by the vertex count: every pass moves at least one chain one edge on.
  for (int guard = 0; guard <= 2 * count + 2; ++guard) {
    const double fwdEnd = p[fwd.end].y, backEnd = p[back.end].y;
    if (fwdEnd >= backEnd && !advance(back, -1, fwd)) return;
    if (fwdEnd <= backEnd && !advance(fwd, +1, back)) return;
    const int64_t last = GeomFloor(std::min(p[back.end].y, p[fwd.end].y));
    for (int64_t row = y; row <= last; ++row) {
      const int64_t i = row - firstRow;
      if (i < 0 || i >= rowCount) continue;
      const double r = static_cast<double>(row);
      const double xa = back.x + (r - back.y) * back.slope;
      const double xb = fwd.x + (r - fwd.y) * fwd.slope;
      const double left = orientation == 1 ? xa : xb;
      const double right = orientation == 1 ? xb : xa;
      spans[i] = fbRowSpan{ToSpanColumn(SpanStart(left)), ToSpanColumn(SpanEnd(right))};
    }
    y = last + 1;
    if (back.end == fwd.end) return;
  }
}

int fbQuadRowSpans(const double quad[4][2], int x0, int y0, int x1, int y1, int orientation,
                   fbRowSpan** spans, int* firstRow, int* lastRow) {
  fbPoint poly[kClipCapacity], work[kClipCapacity];
  for (int i = 0; i < 4; ++i) poly[i] = fbPoint{quad[i][0], quad[i][1]};
  int count = 4;
  fbClipPolygonToRect(poly, work, &count, x0, y0, x1, y1);
  if (count == 0) return 0;
  double xmin = poly[0].x, xmax = poly[0].x, ymin = poly[0].y, ymax = poly[0].y;
  for (int i = 1; i < count; ++i) {
    xmin = std::min(xmin, poly[i].x);
    xmax = std::max(xmax, poly[i].x);
    ymin = std::min(ymin, poly[i].y);
    ymax = std::max(ymax, poly[i].y);
  }
  // A polygon that is not a number anywhere covers nothing.
  if (!std::isfinite(xmin + xmax + ymin + ymax)) return 0;
  const int64_t first = GeomCeil(ymin), last = GeomFloor(ymax);
  if (last - first + 1 < 1 || GeomFloor(xmax) < GeomCeil(xmin)) return 0;
  const int64_t rows = last - first + 1;
  auto* block = static_cast<fbRowSpan*>(fbAlignedAlloc32(2 * rows));
  if (block == nullptr) return 0;
  fbScanConvexPolygon(poly, count, orientation, block, static_cast<int>(rows));
  // The clipped polygon lies in the rectangle; rounding at its corners must not carry a span
  // or a row outside it, where the kernel would write.
  const int64_t lo = std::max<int64_t>(first, y0), hi = std::min<int64_t>(last, y1);
  if (hi < lo) {
    fbAlignedFree(block);
    return 0;
  }
  for (int64_t row = lo; row <= hi; ++row) {
    fbRowSpan s = block[row - first];
    s.xstart = std::max(s.xstart, x0);
    s.xend = std::min(s.xend, x1);
    block[row - lo] = s;
  }
  *spans = block;
  *firstRow = static_cast<int>(lo);
  *lastRow = static_cast<int>(hi);
  return 1;
}

void fbQuadBoundingBox(const double q[4][2], double bound[2][2]) {
  bound[0][0] = std::min(std::min(q[0][0], q[1][0]), std::min(q[2][0], q[3][0]));
  bound[0][1] = std::min(std::min(q[0][1], q[1][1]), std::min(q[2][1], q[3][1]));
  bound[1][0] = std::max(std::max(q[0][0], q[1][0]), std::max(q[2][0], q[3][0]));
  bound[1][1] = std::max(std::max(q[0][1], q[1][1]), std::max(q[2][1], q[3][1]));
}

}  // namespace builtin
