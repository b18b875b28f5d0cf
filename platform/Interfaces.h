// GUIDs, reference-counted interfaces and the smart pointer that holds them.
//
// An interface is an abstract class deriving virtually from IInterface with a static
// constexpr TGUID IID. An object implements interfaces by deriving from TInterfacedObject
// (atomic intrusive count; the object frees itself with Free() when the count drops to 0)
// and from the interfaces, and answers QueryInterface with QueryInterfaces<...>. Objects
// that must not be owned by their count (pins) override AddRef/Release to count nothing.
#pragma once

#include <atomic>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/Objects.h"

namespace platform {

struct TGUID {
  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  uint8_t D4[8] = {};

  friend constexpr bool operator==(const TGUID& a, const TGUID& b) {
    if (a.D1 != b.D1 || a.D2 != b.D2 || a.D3 != b.D3) return false;
    for (int i = 0; i < 8; ++i)
      if (a.D4[i] != b.D4[i]) return false;
    return true;
  }
  constexpr bool IsEmpty() const { return *this == TGUID{}; }

  // Parses "{01621A5C-9936-4BEB-BF6F-5D6754E65786}" (braces required, either case). Usable
  // at compile time; an ill-formed text fails to compile there and throws EConvertError at
  // run time.
  static constexpr TGUID Parse(std::string_view text);
};

namespace detail {
constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
[[noreturn]] void ThrowBadGUID(std::string_view text);
}  // namespace detail

constexpr TGUID TGUID::Parse(std::string_view t) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: 38 characters.
  if (t.size() != 38 || t[0] != '{' || t[37] != '}' || t[9] != '-' || t[14] != '-' ||
      t[19] != '-' || t[24] != '-')
    detail::ThrowBadGUID(t);
  auto hex = [&](size_t pos, size_t count) {
    uint32_t v = 0;
    for (size_t i = 0; i < count; ++i) {
      int d = detail::HexDigit(t[pos + i]);
      if (d < 0) detail::ThrowBadGUID(t);
      v = v * 16 + static_cast<uint32_t>(d);
    }
    return v;
  };
  TGUID g;
  g.D1 = hex(1, 8);
  g.D2 = static_cast<uint16_t>(hex(10, 4));
  g.D3 = static_cast<uint16_t>(hex(15, 4));
  g.D4[0] = static_cast<uint8_t>(hex(20, 2));
  g.D4[1] = static_cast<uint8_t>(hex(22, 2));
  for (int i = 0; i < 6; ++i) g.D4[2 + i] = static_cast<uint8_t>(hex(25 + 2 * i, 2));
  return g;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::string GUIDToString(const TGUID& guid);
// Parses a GUID text; raises EConvertError for an ill-formed one.
TGUID StringToGUID(std::string_view text);

using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);

struct IInterface {
  static constexpr TGUID IID = TGUID::Parse("{00000000-0000-0000-C000-000000000046}");
  virtual HRESULT QueryInterface(const TGUID& iid, void** object) = 0;
  virtual int32_t AddRef() = 0;
  virtual int32_t Release() = 0;

 protected:
  virtual ~IInterface() = default;
};

// An owning intrusive pointer to anything with AddRef and Release.
template <class T>
class RefPtr {
 public:
  RefPtr() noexcept = default;
  RefPtr(std::nullptr_t) noexcept {}
  RefPtr(T* p) noexcept : FPtr(p) {
    if (FPtr) FPtr->AddRef();
  }
  RefPtr(const RefPtr& other) noexcept : RefPtr(other.FPtr) {}
  RefPtr(RefPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
  template <class U>
  RefPtr(const RefPtr<U>& other) noexcept : RefPtr(static_cast<T*>(other.Get())) {}
  ~RefPtr() { Reset(); }

  RefPtr& operator=(const RefPtr& other) noexcept {
    RefPtr(other).Swap(*this);
    return *this;
  }
  RefPtr& operator=(RefPtr&& other) noexcept {
    RefPtr(std::move(other)).Swap(*this);
    return *this;
  }
  RefPtr& operator=(std::nullptr_t) noexcept {
    Reset();
    return *this;
  }

  void Reset() noexcept {
    if (T* p = std::exchange(FPtr, nullptr)) p->Release();
  }
  void Swap(RefPtr& other) noexcept { std::swap(FPtr, other.FPtr); }

  // Takes over a reference that the caller already owns (no AddRef).
  static RefPtr Adopt(T* p) noexcept {
    RefPtr r;
    r.FPtr = p;
    return r;
  }

  T* Get() const noexcept { return FPtr; }
  T* operator->() const noexcept { return FPtr; }
  T& operator*() const noexcept { return *FPtr; }
  explicit operator bool() const noexcept { return FPtr != nullptr; }

  friend bool operator==(const RefPtr& a, const RefPtr& b) noexcept { return a.FPtr == b.FPtr; }
  friend bool operator==(const RefPtr& a, std::nullptr_t) noexcept { return a.FPtr == nullptr; }

 private:
  T* FPtr = nullptr;
};

// Asks an interface for another one; null when it is not supported.
template <class I, class From>
RefPtr<I> Supports(From* from) {
  if (!from) return nullptr;
  void* out = nullptr;
  if (from->QueryInterface(I::IID, &out) != S_OK || !out) return nullptr;
  return RefPtr<I>::Adopt(static_cast<I*>(out));
}
template <class I, class From>
RefPtr<I> Supports(const RefPtr<From>& from) {
  return Supports<I>(from.Get());
}

// QueryInterface for an object implementing the interfaces Is...: answers IInterface and
// each listed interface (with an AddRef), E_NOINTERFACE otherwise.
template <class... Is, class Self>
HRESULT QueryInterfaces(Self* self, const TGUID& iid, void** object) {
  void* found = nullptr;
  ((found == nullptr && iid == Is::IID ? (found = static_cast<Is*>(self), true) : false), ...);
  if (!found && iid == IInterface::IID) found = static_cast<IInterface*>(self);
  if (!found) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }
  static_cast<IInterface*>(self)->AddRef();
  if (object) *object = found;
  return S_OK;
}

// Base of reference-counted objects. The count starts at 1 while the object is being built
// (so that handing `this` out from a constructor cannot free it) and drops to 0 in
// AfterConstruction; the object frees itself when the last reference is released.
class TInterfacedObject : public TObject, public virtual IInterface {
  PF_CLASS(TInterfacedObject)
 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return QueryInterfaces<>(this, iid, object);
  }
  int32_t AddRef() override { return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }
  int32_t Release() override {
    int32_t n = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (n == 0) Free();
    return n;
  }
  int32_t RefCount() const { return FRefCount.load(std::memory_order_relaxed); }

  void AfterConstruction() override { FRefCount.fetch_sub(1, std::memory_order_release); }

 protected:
  TInterfacedObject() = default;

 private:
  std::atomic<int32_t> FRefCount{1};
};

}  // namespace platform
