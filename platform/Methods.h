// Method pointers (events): an object and a function bound to it.
//
// TMethod<void(TObject*)> is a TNotifyEvent. Bind<&TForm1::Button1Click>(form) makes one
// from a member function; FromRaw rebuilds one from the two words that a published-method
// table stores, so that form reading can bind events by method name. Two methods are equal
// when they name the same object and the same function.
#pragma once

#include <utility>

namespace platform {

template <class Signature>
class TMethod;

template <class R, class... Args>
class TMethod<R(Args...)> {
 public:
  using Thunk = R (*)(void* object, Args... args);

  TMethod() = default;
  TMethod(std::nullptr_t) {}

  template <auto Member, class C>
  static TMethod Bind(C* object) {
    TMethod m;
    m.FObject = object;
    m.FCode = &CallMember<Member, C>;
    return m;
  }


  static TMethod FromRaw(void* object, Thunk code) {
    TMethod m;
    m.FObject = object;
    m.FCode = code;
    return m;
  }

  bool Assigned() const { return FCode != nullptr; }
  explicit operator bool() const { return Assigned(); }
  void* Data() const { return FObject; }
  Thunk Code() const { return FCode; }

  R operator()(Args... args) const { return FCode(FObject, std::forward<Args>(args)...); }

  friend bool operator==(const TMethod& a, const TMethod& b) {
    return a.FObject == b.FObject && a.FCode == b.FCode;
  }

  // The thunk through which a member function is called; published-method tables store it.
  template <auto Member, class C>
  static R CallMember(void* object, Args... args) {
    return (static_cast<C*>(object)->*Member)(std::forward<Args>(args)...);
  }

 private:
  void* FObject = nullptr;
  Thunk FCode = nullptr;
};

class TObject;
using TNotifyEvent = TMethod<void(TObject* sender)>;

}  // namespace platform
