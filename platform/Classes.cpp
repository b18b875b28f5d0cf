#include "platform/Classes.h"

#include "platform/SysUtils.h"

namespace platform {

PF_DEFINE_CLASS(TPersistent, TObject)

namespace {

[[noreturn]] void AssignError(TPersistent* source, TPersistent* dest) {
  throw EConvertError(std::string("Cannot assign a ") + (source ? source->ClassName() : "nil") +
                      " to a " + dest->ClassName());
}

}  // namespace

void TPersistent::Assign(TPersistent* source) {
  if (!source) AssignError(nullptr, this);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) { AssignError(this, dest); }

std::string TPersistent::GetNamePath() { return ClassName(); }

}  // namespace platform
