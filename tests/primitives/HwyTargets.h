// Runs a check once for every instruction set that the vector kernels were compiled for and
// this processor supports, each forced in turn, so that every path a user's machine may take
// is compared with the plain reference here.
#pragma once

#include <gtest/gtest.h>
#include <hwy/targets.h>

namespace imagetest {

template <typename Fn>
void ForEachVectorTarget(Fn fn) {
  for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
    SCOPED_TRACE(hwy::TargetName(target));
    hwy::SetSupportedTargetsForTest(target);
    fn();
  }
  hwy::SetSupportedTargetsForTest(0);  // back to the processor's own choice
}

}  // namespace imagetest
