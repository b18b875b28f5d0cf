// Frees an object made by New (or a class's Create) at the end of a scope.
#pragma once

namespace bufferstest {

template <class T>
struct Owned {
  T* object;
  explicit Owned(T* o) : object(o) {}
  ~Owned() { object->Free(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  T* operator->() const { return object; }
  T* get() const { return object; }
};

}  // namespace bufferstest
