// Published properties, published methods and published fields.
//
// Every class may publish properties (what form streaming reads and writes, what property
// paths walk and what AssignProperties copies), methods (event handlers that a form binds by
// name) and fields (the component references of a form class, set when a component of that
// name is created). A class declares its own ones in its describe function with a
// TPublisher, in declaration order:
//
//   void DescribeTThreshold(TClassInfo& info) {
//     TPublisher<TThreshold> p(info);
//     p.Property("High", &TThreshold::GetHigh, &TThreshold::SetHigh);
//     p.Property("Count", &TThreshold::FCount).Default(3);
//     p.Enum("Mode", "TMode", {"mdFast", "mdExact"}, &TThreshold::FMode).Default(mdFast);
//     p.Property("OnChange", &TThreshold::FOnChange);
//     p.Method<&TThreshold::Reset>("Reset");
//   }
//   PF_DEFINE_CLASS_EX(TThreshold, TPersistent, nullptr, DescribeTThreshold)
//
// The kind follows the C++ type: bool is the Boolean enumeration, other integers up to 32
// bits are integers (Integer, Cardinal, Word, ...), 64-bit integers Int64, float/double/long
// double the float kinds Single/Double/Extended, std::string a string, a pointer to a TObject
// class a class property (a sub-object or a component reference), TMethod<Sig> an event,
// an enum an enumeration (Enum() with its value names) and a TSet<E> or integer bit mask a
// set (Set() with its element names).
//
// The full property list of a class has the ancestors' properties first; a class that
// redeclares an ancestor's property (Redeclare) keeps it at the ancestor's position.
// Lookups by name are case-insensitive. Tables are built once, on first use, under a lock,
// and are read-only afterwards, so any thread may use them.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/Classes.h"
#include "platform/Methods.h"
#include "platform/Objects.h"
#include "platform/SysUtils.h"

namespace platform {

PF_DECLARE_EXCEPTION(EPropertyError, Exception);

enum TTypeKind {
  tkUnknown,
  tkInteger,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkInt64
};
enum TOrdType { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };
enum TFloatType { ftSingle, ftDouble, ftExtended };

// The identity of a method signature: events are bound by name only to methods with the
// same parameter list.
template <class Sig>
struct TMethodSignature {
  static constexpr char Tag = 0;
};
template <class Sig>
constexpr const void* SignatureOf() {
  return &TMethodSignature<Sig>::Tag;
}

// A method pointer of any signature: what published-method tables and generic event access
// hand around.
struct TMethodValue {
  void* Data = nullptr;
  void (*Code)() = nullptr;
  const void* Signature = nullptr;
  bool Assigned() const { return Code != nullptr; }
  friend bool operator==(const TMethodValue& a, const TMethodValue& b) {
    return a.Data == b.Data && a.Code == b.Code;
  }
};

template <class Sig>
TMethodValue ToMethodValue(const TMethod<Sig>& m) {
  return {m.Data(), reinterpret_cast<void (*)()>(m.Code()), SignatureOf<Sig>()};
}

// Rebuilds a typed method; raises EPropertyError when an assigned value has another signature.
template <class Sig>
TMethod<Sig> FromMethodValue(const TMethodValue& v) {
  if (!v.Code) return TMethod<Sig>();
  if (v.Signature != SignatureOf<Sig>())
    throw EPropertyError("The method does not match the event's parameter list");
  return TMethod<Sig>::FromRaw(v.Data, reinterpret_cast<typename TMethod<Sig>::Thunk>(v.Code));
}

enum TStoredKind { skStored, skNotStored, skStoredFunction };

// A named integer constant (clBtnFace for a colour): integer properties with an ident map
// are written as the name when the value has one and read from either form.
struct TIdentMapEntry {
  int32_t Value;
  const char* Name;
};

// One published property.
class TPropInfo {
 public:
  std::string Name;
  TTypeKind Kind = tkUnknown;
  std::string TypeName;
  TOrdType OrdType = otSLong;             // tkInteger
  TFloatType FloatType = ftDouble;        // tkFloat
  std::vector<std::string> ValueNames;    // tkEnumeration values, tkSet elements
  TClass ClassType = nullptr;             // tkClass
  const void* MethodSignature = nullptr;  // tkMethod
  bool HasDefault = false;                // ordinals, sets and Int64
  int64_t DefaultValue = 0;
  TStoredKind StoredKind = skStored;
  std::function<bool(TObject*)> StoredFunc;  // skStoredFunction
  std::span<const TIdentMapEntry> IdentMap;  // tkInteger: named values
  TClass DeclaringClass = nullptr;
  int Index = 0;  // position in the full property list of the declaring class

  // Accessors of the property's kind; a missing setter makes the property read-only.
  std::function<int64_t(TObject*)> GetOrd;  // integer, enumeration, set, Int64
  std::function<void(TObject*, int64_t)> SetOrd;
  std::function<long double(TObject*)> GetFloat;
  std::function<void(TObject*, long double)> SetFloat;
  std::function<std::string(TObject*)> GetStr;
  std::function<void(TObject*, const std::string&)> SetStr;
  std::function<TObject*(TObject*)> GetObj;
  std::function<void(TObject*, TObject*)> SetObj;
  std::function<TMethodValue(TObject*)> GetMethod;
  std::function<void(TObject*, const TMethodValue&)> SetMethod;

  bool IsReadable() const { return GetOrd || GetFloat || GetStr || GetObj || GetMethod; }
  bool IsWritable() const { return SetOrd || SetFloat || SetStr || SetObj || SetMethod; }
  bool IsBoolean() const { return Kind == tkEnumeration && TypeName == "Boolean"; }
  bool IsOrdinal() const { return Kind == tkInteger || Kind == tkEnumeration || Kind == tkSet; }
  // The smallest and largest value an integer property holds.
  int64_t MinValue() const;
  int64_t MaxValue() const;
};

// A published method: a thunk callable as TMethod<Sig>::Thunk with the object as first word.
struct TMethodEntry {
  std::string Name;
  void (*Code)() = nullptr;
  const void* Signature = nullptr;
  void* (*Self)(TObject*) = nullptr;  // the object as the thunk expects it
};

// A published field: a component reference of the class that is set when a component of the
// field's name joins an object of the class (a form's Button1 field).
struct TFieldEntry {
  std::string Name;
  TClass ClassType = nullptr;
  std::function<void(TObject*, TObject*)> Set;  // raises EComponentError for a wrong class
  std::function<TObject*(TObject*)> Get;
};

class TClassTables {
 public:
  std::vector<std::unique_ptr<TPropInfo>> OwnProperties;
  std::vector<TMethodEntry> OwnMethods;
  std::vector<TFieldEntry> OwnFields;
  std::vector<const TPropInfo*> AllProperties;  // ancestors first
};

// The tables of a class, built on first use (never null).
const TClassTables& ClassTables(TClass cls);

// ---- Property lists and lookup ------------------------------------------------------------

// Every published property of the class, ancestors' first, in declaration order.
std::span<const TPropInfo* const> GetPropList(TClass cls);
// The same, sorted by name (case-insensitive).
std::vector<const TPropInfo*> GetSortedPropList(TClass cls);
// Null when the class has no published property of that name.
const TPropInfo* GetPropInfo(TClass cls, std::string_view name);
const TPropInfo* GetPropInfo(const TObject* instance, std::string_view name);
// Raises EPropertyError "Property %s does not exist" when there is none.
const TPropInfo& FindPropInfo(const TObject* instance, std::string_view name);

// Whether the property is stored in form resources: its stored flag or stored function.
bool IsStoredProp(TObject* instance, const TPropInfo& prop);
// Whether the value equals what the writer leaves out: an ordinal, set or Int64 equal to its
// default (ordinals without a default are always written), a float of 0, an empty string,
// a null object, an unassigned event.
bool IsDefaultValue(TObject* instance, const TPropInfo& prop);

// ---- Generic access (EPropertyError for a wrong kind, a read-only or a missing property) --
int64_t GetOrdProp(TObject* instance, const TPropInfo& prop);
void SetOrdProp(TObject* instance, const TPropInfo& prop, int64_t value);
int64_t GetInt64Prop(TObject* instance, const TPropInfo& prop);
void SetInt64Prop(TObject* instance, const TPropInfo& prop, int64_t value);
long double GetFloatProp(TObject* instance, const TPropInfo& prop);
void SetFloatProp(TObject* instance, const TPropInfo& prop, long double value);
std::string GetStrProp(TObject* instance, const TPropInfo& prop);
void SetStrProp(TObject* instance, const TPropInfo& prop, const std::string& value);
TObject* GetObjectProp(TObject* instance, const TPropInfo& prop);
void SetObjectProp(TObject* instance, const TPropInfo& prop, TObject* value);
TMethodValue GetMethodProp(TObject* instance, const TPropInfo& prop);
void SetMethodProp(TObject* instance, const TPropInfo& prop, const TMethodValue& value);
std::string GetEnumProp(TObject* instance, const TPropInfo& prop);
void SetEnumProp(TObject* instance, const TPropInfo& prop, std::string_view valueName);

int64_t GetOrdProp(TObject* instance, std::string_view name);
void SetOrdProp(TObject* instance, std::string_view name, int64_t value);
void SetInt64Prop(TObject* instance, std::string_view name, int64_t value);
long double GetFloatProp(TObject* instance, std::string_view name);
void SetFloatProp(TObject* instance, std::string_view name, long double value);
std::string GetStrProp(TObject* instance, std::string_view name);
void SetStrProp(TObject* instance, std::string_view name, const std::string& value);
TObject* GetObjectProp(TObject* instance, std::string_view name);
void SetObjectProp(TObject* instance, std::string_view name, TObject* value);
TMethodValue GetMethodProp(TObject* instance, std::string_view name);
void SetMethodProp(TObject* instance, std::string_view name, const TMethodValue& value);
std::string GetEnumProp(TObject* instance, std::string_view name);
void SetEnumProp(TObject* instance, std::string_view name, std::string_view valueName);

// The name of an enumeration value or set element (empty when out of range) and the value of
// a name (-1 when none; case-insensitive).
std::string GetEnumName(const TPropInfo& prop, int64_t value);
int GetEnumValue(const TPropInfo& prop, std::string_view name);
// The name of an integer value in the property's ident map and back; false when none.
bool IntToIdent(const TPropInfo& prop, int64_t value, std::string& name);
bool IdentToInt(const TPropInfo& prop, std::string_view name, int64_t& value);

// ---- Published methods and fields ---------------------------------------------------------

// The published method of that name of the class or an ancestor (null Code when none); the
// Data word is left null for the caller to fill with the instance.
TMethodValue MethodAddress(TClass cls, std::string_view name);
// The name under which the class or an ancestor publishes the code; empty when none.
std::string MethodName(TClass cls, void (*code)());
// The instance's published method of that name, bound to the instance; unassigned when none.
TMethodValue FindMethod(TObject* instance, std::string_view name);
// The name of the instance's published method that the value calls on that very instance;
// empty when it calls something else.
std::string FindMethodName(TObject* instance, const TMethodValue& method);
// The published field of that name of the class or an ancestor; null when none.
const TFieldEntry* FindField(TClass cls, std::string_view name);

// ---- The builder ---------------------------------------------------------------------------

namespace detail {

TClassTables& TablesUnderConstruction(TClassInfo& info);
TPropInfo& AddProperty(TClassInfo& info, const char* name);
TPropInfo& RedeclareProperty(TClassInfo& info, const char* name);
void AddMethod(TClassInfo& info, const char* name, void (*code)(), const void* signature,
               void* (*self)(TObject*));
void AddField(TClassInfo& info, TFieldEntry entry);
[[noreturn]] void ThrowOutOfRange(const TPropInfo& prop, int64_t value);
[[noreturn]] void ThrowWrongClass(const char* what, const TObject* value, TClass expected);

template <class A>
struct AccessorTraits;  // Value: the property's type; IsFunction
template <class C, class V>
struct AccessorTraits<V C::*> {
  using Value = std::conditional_t<std::is_function_v<V>, void, V>;
};
template <class C, class R>
struct AccessorTraits<R (C::*)() const> {
  using Value = std::decay_t<R>;
};
template <class C, class R>
struct AccessorTraits<R (C::*)()> {
  using Value = std::decay_t<R>;
};
template <class C, class R>
struct AccessorTraits<R (C::*)() const noexcept> {
  using Value = std::decay_t<R>;
};
template <class C, class R>
struct AccessorTraits<R (C::*)() noexcept> {
  using Value = std::decay_t<R>;
};

template <class T, class G>
decltype(auto) CallGet(G getter, TObject* o) {
  T* t = static_cast<T*>(o);
  if constexpr (std::is_member_function_pointer_v<G>)
    return (t->*getter)();
  else
    return (t->*getter);
}

template <class T, class S, class V>
void CallSet(S setter, TObject* o, V&& value) {
  T* t = static_cast<T*>(o);
  if constexpr (std::is_member_function_pointer_v<S>)
    (t->*setter)(std::forward<V>(value));
  else
    t->*setter = std::forward<V>(value);
}

template <class V>
struct IsMethod : std::false_type {};
template <class Sig>
struct IsMethod<TMethod<Sig>> : std::true_type {
  using Signature_t = Sig;
  static constexpr const void* Signature() { return SignatureOf<Sig>(); }
  static constexpr bool IsNotify = std::is_same_v<Sig, void(TObject*)>;
};

template <class V>
struct IsSetType : std::false_type {};
template <class E>
struct IsSetType<TSet<E>> : std::true_type {};

template <class M>
struct MemberFunctionSignature;
template <class C, class R, class... A>
struct MemberFunctionSignature<R (C::*)(A...)> {
  using Class = C;
  using Sig = R(A...);
};
template <class C, class R, class... A>
struct MemberFunctionSignature<R (C::*)(A...) noexcept> {
  using Class = C;
  using Sig = R(A...);
};

// Fills the kind, type name and accessors of a property of C++ type V.
template <class T, class V, class G, class S>
void Bind(TPropInfo& p, G getter, S setter, bool isSet) {
  constexpr bool readOnly = std::is_same_v<S, std::nullptr_t>;
  if constexpr (std::is_same_v<V, bool>) {
    p.Kind = tkEnumeration;
    p.TypeName = "Boolean";
    p.ValueNames = {"False", "True"};
    p.GetOrd = [getter](TObject* o) -> int64_t { return CallGet<T>(getter, o) ? 1 : 0; };
    if constexpr (!readOnly)
      p.SetOrd = [setter](TObject* o, int64_t v) { CallSet<T>(setter, o, v != 0); };
  } else if constexpr (IsSetType<V>::value) {
    p.Kind = tkSet;
    p.GetOrd = [getter](TObject* o) -> int64_t {
      return static_cast<int64_t>(CallGet<T>(getter, o).Bits());
    };
    if constexpr (!readOnly)
      p.SetOrd = [setter](TObject* o, int64_t v) {
        CallSet<T>(setter, o, V::FromBits(static_cast<uint64_t>(v)));
      };
  } else if constexpr (std::is_enum_v<V>) {
    p.Kind = tkEnumeration;
    p.GetOrd = [getter](TObject* o) -> int64_t {
      return static_cast<int64_t>(CallGet<T>(getter, o));
    };
    if constexpr (!readOnly)
      p.SetOrd = [setter, &p](TObject* o, int64_t v) {
        // Only the named values are stored: another value is not a value of the type.
        if (v < 0 || v >= static_cast<int64_t>(p.ValueNames.size())) ThrowOutOfRange(p, v);
        CallSet<T>(setter, o, static_cast<V>(v));
      };
  } else if constexpr (std::is_integral_v<V>) {
    if (isSet) {
      p.Kind = tkSet;
    } else if constexpr (sizeof(V) == 8) {
      p.Kind = tkInt64;
      p.TypeName = "Int64";
    } else {
      p.Kind = tkInteger;
      if constexpr (sizeof(V) == 1)
        p.OrdType = std::is_signed_v<V> ? otSByte : otUByte;
      else if constexpr (sizeof(V) == 2)
        p.OrdType = std::is_signed_v<V> ? otSWord : otUWord;
      else
        p.OrdType = std::is_signed_v<V> ? otSLong : otULong;
      static const char* const names[] = {"ShortInt", "Byte",    "SmallInt",
                                          "Word",     "Integer", "Cardinal"};
      p.TypeName = names[p.OrdType];
    }
    p.GetOrd = [getter](TObject* o) -> int64_t {
      return static_cast<int64_t>(CallGet<T>(getter, o));
    };
    if constexpr (!readOnly)
      p.SetOrd = [setter](TObject* o, int64_t v) { CallSet<T>(setter, o, static_cast<V>(v)); };
  } else if constexpr (std::is_floating_point_v<V>) {
    p.Kind = tkFloat;
    if constexpr (std::is_same_v<V, float>) {
      p.FloatType = ftSingle;
      p.TypeName = "Single";
    } else if constexpr (std::is_same_v<V, double>) {
      p.FloatType = ftDouble;
      p.TypeName = "Double";
    } else {
      p.FloatType = ftExtended;
      p.TypeName = "Extended";
    }
    p.GetFloat = [getter](TObject* o) -> long double { return CallGet<T>(getter, o); };
    if constexpr (!readOnly)
      p.SetFloat = [setter](TObject* o, long double v) {
        CallSet<T>(setter, o, static_cast<V>(v));
      };
  } else if constexpr (std::is_same_v<V, std::string>) {
    p.Kind = tkString;
    p.TypeName = "string";
    p.GetStr = [getter](TObject* o) -> std::string { return CallGet<T>(getter, o); };
    if constexpr (!readOnly)
      p.SetStr = [setter](TObject* o, const std::string& v) { CallSet<T>(setter, o, v); };
  } else if constexpr (std::is_pointer_v<V> &&
                       std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<V>>>) {
    using C = std::remove_cv_t<std::remove_pointer_t<V>>;
    p.Kind = tkClass;
    p.ClassType = &C::StaticClass();
    p.TypeName = p.ClassType->ClassName();
    p.GetObj = [getter](TObject* o) -> TObject* {
      return const_cast<C*>(static_cast<const C*>(CallGet<T>(getter, o)));
    };
    if constexpr (!readOnly)
      p.SetObj = [setter, &p](TObject* o, TObject* v) {
        C* c = dynamic_cast<C*>(v);
        if (v && !c) ThrowWrongClass(p.Name.c_str(), v, p.ClassType);
        CallSet<T>(setter, o, c);
      };
  } else if constexpr (IsMethod<V>::value) {
    p.Kind = tkMethod;
    p.MethodSignature = IsMethod<V>::Signature();
    p.TypeName = IsMethod<V>::IsNotify ? "TNotifyEvent" : "TMethod";
    p.GetMethod = [getter](TObject* o) -> TMethodValue {
      return ToMethodValue(V(CallGet<T>(getter, o)));
    };
    if constexpr (!readOnly)
      p.SetMethod = [setter](TObject* o, const TMethodValue& v) {
        CallSet<T>(setter, o, FromMethodValue<typename IsMethod<V>::Signature_t>(v));
      };
  } else {
    static_assert(sizeof(V) == 0, "this type cannot be published");
  }
}

}  // namespace detail

// Chains the options of one property.
template <class T>
class TPropBuilder {
 public:
  explicit TPropBuilder(TPropInfo& prop) : FProp(prop) {}

  // The value the writer leaves out (ordinals, sets, Int64). A property without a default
  // is always written, as the class library's nodefault properties are.
  template <class V>
  TPropBuilder& Default(V value) {
    FProp.HasDefault = true;
    if constexpr (detail::IsSetType<V>::value)
      FProp.DefaultValue = static_cast<int64_t>(value.Bits());
    else
      FProp.DefaultValue = static_cast<int64_t>(value);
    return *this;
  }
  TPropBuilder& NoDefault() {
    FProp.HasDefault = false;
    return *this;
  }
  TPropBuilder& Stored(bool stored) {
    FProp.StoredKind = stored ? skStored : skNotStored;
    FProp.StoredFunc = nullptr;
    return *this;
  }
  // A stored function of the class: bool IsXStored() const.
  template <class C>
  TPropBuilder& Stored(bool (C::*isStored)() const) {
    FProp.StoredKind = skStoredFunction;
    FProp.StoredFunc = [isStored](TObject* o) { return (static_cast<T*>(o)->*isStored)(); };
    return *this;
  }
  // The type name (for example "TDateTime" for a double that holds a date).
  TPropBuilder& TypeName(const char* name) {
    FProp.TypeName = name;
    return *this;
  }
  // Named values of an integer property (the table must live as long as the program).
  TPropBuilder& IdentMap(std::span<const TIdentMapEntry> map) {
    FProp.IdentMap = map;
    return *this;
  }
  TPropInfo& Info() { return FProp; }

 private:
  TPropInfo& FProp;
};

// Declares the published properties, methods and fields of class T inside its describe
// function.
template <class T>
class TPublisher {
 public:
  explicit TPublisher(TClassInfo& info) : FInfo(info) { detail::TablesUnderConstruction(info); }

  // A property read and written through one data member.
  template <class A>
  TPropBuilder<T> Property(const char* name, A member) {
    return Property(name, member, member);
  }
  // A property with a getter (member function or data member) and a setter (member
  // function, data member or nullptr for a read-only property).
  template <class G, class S>
  TPropBuilder<T> Property(const char* name, G getter, S setter) {
    using V = typename detail::AccessorTraits<G>::Value;
    static_assert(!std::is_enum_v<V>, "an enumeration is published with Enum()");
    TPropInfo& p = detail::AddProperty(FInfo, name);
    detail::Bind<T, V>(p, getter, setter, false);
    return TPropBuilder<T>(p);
  }

  template <class A>
  TPropBuilder<T> Enum(const char* name, const char* typeName,
                       std::initializer_list<const char*> names, A member) {
    return Enum(name, typeName, names, member, member);
  }
  template <class G, class S>
  TPropBuilder<T> Enum(const char* name, const char* typeName,
                       std::initializer_list<const char*> names, G getter, S setter) {
    return Named(name, typeName, names, getter, setter, false);
  }

  // A set: a TSet<E> or an integer bit mask, bit i standing for element i.
  template <class A>
  TPropBuilder<T> Set(const char* name, const char* typeName,
                      std::initializer_list<const char*> names, A member) {
    return Set(name, typeName, names, member, member);
  }
  template <class G, class S>
  TPropBuilder<T> Set(const char* name, const char* typeName,
                      std::initializer_list<const char*> names, G getter, S setter) {
    return Named(name, typeName, names, getter, setter, true);
  }

  // Takes over an ancestor's property to change its default or stored flag; it keeps its
  // position in the list.
  TPropBuilder<T> Redeclare(const char* name) {
    return TPropBuilder<T>(detail::RedeclareProperty(FInfo, name));
  }

  // A published method, bound by name to events when a form is read.
  template <auto Member>
  void Method(const char* name) {
    using Traits = detail::MemberFunctionSignature<decltype(Member)>;
    using Sig = typename Traits::Sig;
    auto thunk = &TMethod<Sig>::template CallMember<Member, T>;
    void* (*self)(TObject*) = [](TObject* o) -> void* { return static_cast<T*>(o); };
    detail::AddMethod(FInfo, name, reinterpret_cast<void (*)()>(thunk), SignatureOf<Sig>(), self);
  }

  // A published component field.
  template <class C, class B>
  void Field(const char* name, C* B::*field) {
    TFieldEntry e;
    e.Name = name;
    e.ClassType = &C::StaticClass();
    e.Set = [field, cls = e.ClassType, n = e.Name](TObject* o, TObject* v) {
      C* c = dynamic_cast<C*>(v);
      if (v && !c) detail::ThrowWrongClass(n.c_str(), v, cls);
      static_cast<T*>(o)->*field = c;
    };
    e.Get = [field](TObject* o) -> TObject* { return static_cast<T*>(o)->*field; };
    detail::AddField(FInfo, std::move(e));
  }

 private:
  // An enumeration or a set: a property whose values have names.
  template <class G, class S>
  TPropBuilder<T> Named(const char* name, const char* typeName,
                        std::initializer_list<const char*> names, G getter, S setter, bool isSet) {
    using V = typename detail::AccessorTraits<G>::Value;
    TPropInfo& p = detail::AddProperty(FInfo, name);
    p.ValueNames.assign(names.begin(), names.end());
    detail::Bind<T, V>(p, getter, setter, isSet);
    if (isSet) p.Kind = tkSet;
    p.TypeName = typeName;
    return TPropBuilder<T>(p);
  }

  TClassInfo& FInfo;
};

}  // namespace platform
