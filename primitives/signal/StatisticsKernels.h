// The block interface between the real thresholds (Statistics.cpp) and their vector kernels
// (StatisticsHwy.cpp), open to the tests.
//
// The blocks threshold whole vectors from the start of s into d (any byte alignment; d may be
// s) with the plain loop's comparisons, so NaN elements end as the plain loop leaves them, and
// return how many elements they did; the plain loop finishes from there. In place, the blocks
// write every element of a vector, the kept ones with their own bits. The kernel for the
// running processor is looked up once per call; null means the plain loop does everything.
#pragma once

#include <cstddef>
#include <cstdint>

namespace builtin::statistics {

// The four rules of the real thresholds with level L:
//   LimitInPlace:   x kept where L >= x, else L (a NaN becomes L);
//   RaiseInPlace:   L where L > x, else x kept (a NaN stays);
//   LimitTo:        L where x > L, else x (a NaN is copied);
//   RaiseTo:        x where x >= L, else L (a NaN becomes L).
enum class TThreshold { LimitInPlace, RaiseInPlace, LimitTo, RaiseTo };

using Threshold64fBlocksFn = size_t (*)(const uint8_t* s, uint8_t* d, size_t n, double level,
                                        TThreshold rule);
Threshold64fBlocksFn VectorThreshold64fBlocks();

// The float64 thresholds of len >= 1 elements through the blocks where given.
void Threshold64f(const uint8_t* s, uint8_t* d, int64_t len, double level, TThreshold rule,
                  Threshold64fBlocksFn blocks);

}  // namespace builtin::statistics
