#include "platform/Objects.h"

#include <strings.h>

#include <mutex>
#include <vector>

namespace platform {

const TClassInfo& TObject::StaticClass() {
  static const TClassInfo info("TObject", nullptr, nullptr);
  return info;
}

bool TClassInfo::InheritsFrom(TClass ancestor) const {
  for (TClass c = this; c; c = c->FParent)
    if (c == ancestor) return true;
  return false;
}

bool TClassInfo::InheritsFrom(std::string_view ancestorName) const {
  for (TClass c = this; c; c = c->FParent) {
    std::string_view name(c->FName);
    if (name.size() == ancestorName.size() &&
        strncasecmp(name.data(), ancestorName.data(), name.size()) == 0)
      return true;
  }
  return false;
}

void TObject::Free() {
  BeforeDestruction();
  Destroy();
  delete this;
}

namespace {

std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}

std::vector<TClass>& Registry() {
  static std::vector<TClass> classes;
  return classes;
}

}  // namespace

void RegisterClass(TClass cls) {
  if (!cls) return;
  std::lock_guard<std::mutex> lock(RegistryMutex());
  for (TClass c : Registry())
    if (c == cls) return;
  Registry().push_back(cls);
}

void UnRegisterClass(TClass cls) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto& r = Registry();
  for (auto it = r.begin(); it != r.end(); ++it)
    if (*it == cls) {
      r.erase(it);
      return;
    }
}

TClass FindClass(std::string_view name) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  for (TClass c : Registry()) {
    std::string_view n(c->ClassName());
    if (n.size() == name.size() && strncasecmp(n.data(), name.data(), n.size()) == 0) return c;
  }
  return nullptr;
}

}  // namespace platform
