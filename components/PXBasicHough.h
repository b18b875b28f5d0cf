// The circle detector: circles in an 8-bit image by the gradient Hough method.
//
// Edges and gradient directions come from Sobel derivatives and the Canny detector (through
// the dispatch slots, so an IPP library runs them when present). Every edge point votes, in
// 10-bit fixed point, for each possible centre along its gradient line in both directions; the
// cells above the vote threshold that beat their four neighbours are the centre candidates,
// taken in order of their votes; a candidate closer than the minimum distance to a circle
// already in the list is dropped; for the others the radius is the band of distances that the
// most edge points support (at least 31 of them).
//
// Cost. The votes take each edge point times the radius range (an accumulator larger than the
// cache is voted band by band of rows, so that each band stays in the cache). Each candidate that no accepted
// circle keeps away gets a radius search, which (as the detector is defined) weighs the
// distance of every edge point from the candidate: the distances are computed for all edge
// points, and those up to the largest radius are counted into buckets (one to four per
// resolution step) and scanned band by band, linear in their number. A detection therefore
// costs about (candidates searched) x (edge points). On a crowded picture (noise with a Canny
// high threshold of 1, no vote threshold and no minimum distance: nearly every pixel an edge,
// tens of thousands of circles) that is seconds at 640x480 and grows with the square of the
// pixel count. The settings that bound it: CannyThreshold (fewer edge points), AccThreshold
// (fewer candidates), MinDist (the candidates within it of an accepted circle skip the search;
// the test looks only at circles in nearby grid cells of that width) and MaxRadius (fewer
// votes, fewer distances to count and scan).
//
// The detector keeps no state; all its work memory is released on return, also when an
// exception passes. Equal vote counts are ordered by the wrapper binding's index sort, whose
// pivots are random: candidates with equal votes come out in no fixed order (reproducible with
// binding::SetQuickSortSeed).
#pragma once

#include <cstdint>

#include "buffers/PXSimpleImageBuffer.h"
#include "components/PXVisionStreamTypes.h"
#include "primitives/support/IppTypes.h"

namespace components {

// Finds circles in Image and appends them to Circles. The image is converted to gray in place
// and overwritten with its Canny edge map (255 edge, 0 elsewhere).
//   Dp: inverse resolution of the accumulator (1 image resolution, 2 half); below 1 (or not a
//       number) it is 1.
//   MinDist: least distance between accepted centres (at least Dp), also to circles already
//       in the list.
//   CannyThreshold: the high Canny threshold; the low one is half of it, at least 1.
//   AccThreshold: a centre needs more votes than this.
//   MinRadius: votes start this far from an edge point (0 when not positive).
//   MaxRadius: the largest radius; 0 or less means the larger image side, a value not above
//       MinRadius means MinRadius + 2.
// When Sobel or Canny refuses the image (a row too few, a Canny threshold of 0 or less) the
// detection yields no circles and the image keeps its gray pixels.
void HoughCirclesGradient(buffers::IPXImageBuffer* Image, double Dp, double MinDist,
                          int32_t CannyThreshold, int32_t AccThreshold, int32_t MinRadius,
                          int32_t MaxRadius, TPXCircles* Circles);

// The three images the votes are taken from, all of one size: an edge map (non-zero is an
// edge) and the x and y derivatives. Steps are in bytes; rows may start at any address.
struct THoughEdgeMap {
  IppiSize Size{0, 0};
  const Ipp8u* Edges = nullptr;
  int32_t EdgeStep = 0;
  const Ipp16s* Dx = nullptr;
  int32_t DxStep = 0;
  const Ipp16s* Dy = nullptr;
  int32_t DyStep = 0;
};

// The detector from its edge map on: votes, centre candidates, minimum distance and radius
// search, with the parameters of HoughCirclesGradient. Points whose derivatives are both 0
// are no edge points. The minimum distance is tested against the circles in the grid cells
// around a candidate, and the distances are bucketed instead of sorted; the circles, their
// order and their values are those of HoughCirclesFromEdgesReference.
void HoughCirclesFromEdges(const THoughEdgeMap& Map, double Dp, double MinDist,
                           int32_t AccThreshold, int32_t MinRadius, int32_t MaxRadius,
                           TPXCircles* Circles);

// The same computed step by step as the method is written (a bounds test per vote, a float
// power per distance, an index sort of all edge points per centre). HoughCirclesFromEdges
// gives the same circles faster; tests compare the two.
void HoughCirclesFromEdgesReference(const THoughEdgeMap& Map, double Dp, double MinDist,
                                    int32_t AccThreshold, int32_t MinRadius, int32_t MaxRadius,
                                    TPXCircles* Circles);

// Replaces each of the first Count values by Power(value, Exponent) in single precision.
void PowArray(float* Values, int32_t Count, float Exponent);

}  // namespace components
