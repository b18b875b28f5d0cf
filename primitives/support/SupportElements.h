// Element access at any byte address, shared by the support layer and every family of
// primitives (through primitives/support/RowAccess.h, which adds the row helpers).
//
// A caller's vector or image row may start at any address, and a step need not be a multiple
// of the element size, so 16-bit and wider elements are never read or written through a typed
// pointer of the element type (undefined behaviour when misaligned). Load and Store access a
// number through a type of the same representation whose alignment is 1 (and which may alias
// anything), so the compiler emits plain unaligned moves and keeps the number's own type (the
// loops vectorise and schedule like typed accesses); a structure (a complex pair) is copied
// byte-wise, which compiles to the same moves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace builtin::rows {

// A number of type T at any byte address.
template <typename T>
using Unaligned [[gnu::aligned(1), gnu::may_alias]] = T;

// Element i of a row of T (i counts elements, in 64 bits).
template <typename T>
inline T Load(const uint8_t* row, ptrdiff_t i) noexcept {
  const uint8_t* p = row + i * static_cast<ptrdiff_t>(sizeof(T));
  if constexpr (std::is_scalar_v<T>) {
    return *reinterpret_cast<const Unaligned<T>*>(p);
  } else {
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;
  }
}
template <typename T>
inline void Store(uint8_t* row, ptrdiff_t i, T v) noexcept {
  uint8_t* p = row + i * static_cast<ptrdiff_t>(sizeof(T));
  if constexpr (std::is_scalar_v<T>)
    *reinterpret_cast<Unaligned<T>*>(p) = v;
  else
    std::memcpy(p, &v, sizeof(T));
}

// The bytes of an element pointer that a caller passed in; its elements are then reached
// through Load and Store.
template <typename T>
inline const uint8_t* Bytes(const T* p) noexcept {
  return reinterpret_cast<const uint8_t*>(p);
}
template <typename T>
inline uint8_t* Bytes(T* p) noexcept {
  return reinterpret_cast<uint8_t*>(p);
}

}  // namespace builtin::rows
