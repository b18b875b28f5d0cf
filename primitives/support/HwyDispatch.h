// Taking the address of a Highway kernel chosen at run time.
//
// Before any dispatched call has run, &HWY_DYNAMIC_DISPATCH(f) is Highway's choosing entry,
// which asks the processor for its targets on every call: a pointer kept from then on makes
// every row pay for that. PF_HWY_DISPATCHED(f) chooses the target first, so the pointer is the
// chosen target's own function.
#pragma once

#include <hwy/targets.h>

namespace builtin {

inline void ChooseHwyTarget() {
  if (!hwy::GetChosenTarget().IsInitialized())
    hwy::GetChosenTarget().Update(hwy::SupportedTargets());
}

}  // namespace builtin

#define PF_HWY_DISPATCHED(f) (::builtin::ChooseHwyTarget(), &HWY_DYNAMIC_DISPATCH(f))
