// The class library's persistent objects and components.
//
// TPersistent: objects that can be assigned to one another and stored in form resources.
// (TComponent, the published-property table and form streaming build on it.)
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/Objects.h"

namespace platform {

namespace detail {
// ASCII case-insensitive comparison, as names of classes, properties and components compare.
inline int CompareText(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
inline bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}
}  // namespace detail

// A set of up to 64 elements of an enumeration whose values are 0, 1, 2, ... (the class
// library's "set of" types: component state, font styles, notify states).
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> elements) {
    for (E e : elements) FBits |= Bit(e);
  }
  static constexpr TSet FromBits(uint64_t bits) {
    TSet s;
    s.FBits = bits;
    return s;
  }
  constexpr uint64_t Bits() const { return FBits; }

  constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E e) {
    FBits |= Bit(e);
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    FBits &= ~Bit(e);
    return *this;
  }

  friend constexpr TSet operator+(TSet a, TSet b) { return FromBits(a.FBits | b.FBits); }
  friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.FBits & ~b.FBits); }
  friend constexpr TSet operator*(TSet a, TSet b) { return FromBits(a.FBits & b.FBits); }
  friend constexpr bool operator==(TSet a, TSet b) { return a.FBits == b.FBits; }
  // a <= b: every element of a is in b.
  friend constexpr bool operator<=(TSet a, TSet b) { return (a.FBits & ~b.FBits) == 0; }

 private:
  static constexpr uint64_t Bit(E e) {
    auto v = static_cast<unsigned>(e);
    return v < 64 ? uint64_t{1} << v : 0;
  }
  uint64_t FBits = 0;
};

class TFiler;

class TPersistent : public TObject {
  PF_CLASS(TPersistent)
 public:
  // Copies the state of source into this object. The default asks the source to assign
  // itself to this object and raises EConvertError ("Cannot assign a X to a Y") when neither
  // side knows how.
  virtual void Assign(TPersistent* source);

  // The name path used in messages and by designers: the owner's path and this object's name.
  virtual std::string GetNamePath();

 protected:
  TPersistent() = default;

  virtual void AssignTo(TPersistent* dest);
  // Declares the custom (non-published) values that this object stores in a form resource.
  virtual void DefineProperties(TFiler* filer) { (void)filer; }
  virtual TPersistent* GetOwner() { return nullptr; }

  friend class TFiler;
  friend class TReader;
  friend class TWriter;
};

}  // namespace platform
