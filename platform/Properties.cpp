#include "platform/Properties.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <utility>

namespace platform {

namespace {

std::recursive_mutex& TableMutex() {
  static std::recursive_mutex m;
  return m;
}

// The classes whose describe functions run right now (under TableMutex), innermost last.
std::vector<std::pair<const TClassInfo*, TClassTables*>>& Building() {
  static std::vector<std::pair<const TClassInfo*, TClassTables*>> stack;
  return stack;
}

bool SameName(std::string_view a, std::string_view b) { return detail::SameText(a, b); }

const TPropInfo* FindIn(std::span<const TPropInfo* const> list, std::string_view name) {
  for (const TPropInfo* p : list)
    if (SameName(p->Name, name)) return p;
  return nullptr;
}

[[noreturn]] void KindError(const TPropInfo& prop) {
  throw EPropertyError(Format("Invalid property type: %s", prop.TypeName.c_str()));
}
[[noreturn]] void ReadOnlyError(const TPropInfo& prop) {
  throw EPropertyError(Format("Property %s is read-only", prop.Name.c_str()));
}
[[noreturn]] void WriteOnlyError(const TPropInfo& prop) {
  throw EPropertyError(Format("Property %s is write-only", prop.Name.c_str()));
}

}  // namespace

// ---- Tables ---------------------------------------------------------------------------------

const TClassTables& ClassTables(TClass cls) {
  if (TClassTables* t = cls->Tables.load(std::memory_order_acquire)) return *t;
  std::lock_guard<std::recursive_mutex> lock(TableMutex());
  if (TClassTables* t = cls->Tables.load(std::memory_order_acquire)) return *t;
  for (auto& b : Building())
    if (b.first == cls) throw EPropertyError(Format("Class %s describes itself", cls->ClassName()));

  const TClassTables* parent = cls->ClassParent() ? &ClassTables(cls->ClassParent()) : nullptr;
  auto tables = std::make_unique<TClassTables>();
  if (auto describe = cls->DescribeFunction()) {
    Building().emplace_back(cls, tables.get());
    try {
      describe(const_cast<TClassInfo&>(*cls));
    } catch (...) {
      Building().pop_back();
      throw;
    }
    Building().pop_back();
  }

  // The full list: the parent's, with redeclared properties replaced in place, then the new
  // ones in declaration order.
  if (parent) tables->AllProperties = parent->AllProperties;
  for (auto& own : tables->OwnProperties) {
    own->DeclaringClass = cls;
    auto it = std::find_if(tables->AllProperties.begin(), tables->AllProperties.end(),
                           [&](const TPropInfo* p) { return SameName(p->Name, own->Name); });
    if (it != tables->AllProperties.end()) {
      own->Index = static_cast<int>(it - tables->AllProperties.begin());
      *it = own.get();
    } else {
      own->Index = static_cast<int>(tables->AllProperties.size());
      tables->AllProperties.push_back(own.get());
    }
  }
  TClassTables* result = tables.release();
  cls->Tables.store(result, std::memory_order_release);
  return *result;
}

namespace detail {

TClassTables& TablesUnderConstruction(TClassInfo& info) {
  for (auto it = Building().rbegin(); it != Building().rend(); ++it)
    if (it->first == &info) return *it->second;
  throw EPropertyError(Format(
      "The published members of %s are declared outside its describe function", info.ClassName()));
}

TPropInfo& AddProperty(TClassInfo& info, const char* name) {
  TClassTables& t = TablesUnderConstruction(info);
  for (auto& p : t.OwnProperties)
    if (SameName(p->Name, name))
      throw EPropertyError(Format("%s publishes the property %s twice", info.ClassName(), name));
  t.OwnProperties.push_back(std::make_unique<TPropInfo>());
  TPropInfo& p = *t.OwnProperties.back();
  p.Name = name;
  p.DeclaringClass = &info;
  return p;
}

TPropInfo& RedeclareProperty(TClassInfo& info, const char* name) {
  TClassTables& t = TablesUnderConstruction(info);
  const TPropInfo* inherited = info.ClassParent() ? GetPropInfo(info.ClassParent(), name) : nullptr;
  if (!inherited)
    throw EPropertyError(
        Format("%s redeclares %s, which no ancestor publishes", info.ClassName(), name));
  for (auto& p : t.OwnProperties)
    if (SameName(p->Name, name))
      throw EPropertyError(Format("%s publishes the property %s twice", info.ClassName(), name));
  t.OwnProperties.push_back(std::make_unique<TPropInfo>(*inherited));
  TPropInfo& p = *t.OwnProperties.back();
  p.DeclaringClass = &info;
  return p;
}

void AddMethod(TClassInfo& info, const char* name, void (*code)(), const void* signature,
               void* (*self)(TObject*)) {
  TClassTables& t = TablesUnderConstruction(info);
  for (auto& m : t.OwnMethods)
    if (SameName(m.Name, name))
      throw EPropertyError(Format("%s publishes the method %s twice", info.ClassName(), name));
  t.OwnMethods.push_back(TMethodEntry{name, code, signature, self});
}

void AddField(TClassInfo& info, TFieldEntry entry) {
  TClassTables& t = TablesUnderConstruction(info);
  for (auto& f : t.OwnFields)
    if (SameName(f.Name, entry.Name))
      throw EPropertyError(
          Format("%s publishes the field %s twice", info.ClassName(), entry.Name.c_str()));
  t.OwnFields.push_back(std::move(entry));
}

void ThrowOutOfRange(const TPropInfo& prop, int64_t value) {
  throw ERangeError(
      Format("%lld is not a value of %s", static_cast<long long>(value), prop.TypeName.c_str()));
}

void ThrowWrongClass(const char* what, const TObject* value, TClass expected) {
  throw EPropertyError(
      Format("%s: a %s is not a %s", what, value->ClassName(), expected->ClassName()));
}

}  // namespace detail

// ---- TPropInfo --------------------------------------------------------------------------------

namespace {

template <class T>
constexpr std::pair<int64_t, int64_t> RangeOf() {
  return {std::numeric_limits<T>::min(), std::numeric_limits<T>::max()};
}

// The value range of each integer storage type, in TOrdType order.
constexpr std::pair<int64_t, int64_t> kOrdRanges[] = {
    RangeOf<int8_t>(),  RangeOf<uint8_t>(), RangeOf<int16_t>(),
    RangeOf<uint16_t>(), RangeOf<int32_t>(), RangeOf<uint32_t>()};

}  // namespace

int64_t TPropInfo::MinValue() const {
  switch (Kind) {
    case tkInteger:
      return kOrdRanges[OrdType].first;
    case tkInt64:
      return std::numeric_limits<int64_t>::min();
    default:
      return 0;
  }
}

int64_t TPropInfo::MaxValue() const {
  switch (Kind) {
    case tkInteger:
      return kOrdRanges[OrdType].second;
    case tkEnumeration:
      return static_cast<int64_t>(ValueNames.size()) - 1;
    case tkSet:
      return ValueNames.size() >= 63 ? std::numeric_limits<int64_t>::max()
                                     : (int64_t{1} << ValueNames.size()) - 1;
    case tkInt64:
      return std::numeric_limits<int64_t>::max();
    default:
      return 0;
  }
}

// ---- Lookup ----------------------------------------------------------------------------------

std::span<const TPropInfo* const> GetPropList(TClass cls) {
  const auto& all = ClassTables(cls).AllProperties;
  return {all.data(), all.size()};
}

std::vector<const TPropInfo*> GetSortedPropList(TClass cls) {
  auto list = GetPropList(cls);
  std::vector<const TPropInfo*> sorted(list.begin(), list.end());
  std::stable_sort(sorted.begin(), sorted.end(), [](const TPropInfo* a, const TPropInfo* b) {
    return detail::CompareText(a->Name, b->Name) < 0;
  });
  return sorted;
}

const TPropInfo* GetPropInfo(TClass cls, std::string_view name) {
  return cls ? FindIn(GetPropList(cls), name) : nullptr;
}

const TPropInfo* GetPropInfo(const TObject* instance, std::string_view name) {
  return instance ? GetPropInfo(&instance->ClassType(), name) : nullptr;
}

const TPropInfo& FindPropInfo(const TObject* instance, std::string_view name) {
  const TPropInfo* p = GetPropInfo(instance, name);
  if (!p)
    throw EPropertyError(
        Format("Property %.*s does not exist", static_cast<int>(name.size()), name.data()));
  return *p;
}

bool IsStoredProp(TObject* instance, const TPropInfo& prop) {
  switch (prop.StoredKind) {
    case skStored:
      return true;
    case skNotStored:
      return false;
    case skStoredFunction:
      return prop.StoredFunc(instance);
  }
  return true;
}

bool IsDefaultValue(TObject* instance, const TPropInfo& prop) {
  if (!prop.IsReadable()) return true;
  switch (prop.Kind) {
    case tkInteger:
    case tkEnumeration:
    case tkSet:
      return prop.HasDefault && prop.GetOrd(instance) == prop.DefaultValue;
    case tkInt64:
      return prop.GetOrd(instance) == (prop.HasDefault ? prop.DefaultValue : 0);
    case tkFloat:
      return prop.GetFloat(instance) == 0;
    case tkString:
      return prop.GetStr(instance).empty();
    case tkClass:
      return prop.GetObj(instance) == nullptr;
    case tkMethod:
      return !prop.GetMethod(instance).Assigned();
    default:
      return true;
  }
}

// ---- Generic access ----------------------------------------------------------------------------

int64_t GetOrdProp(TObject* instance, const TPropInfo& prop) {
  if (!prop.IsOrdinal() && prop.Kind != tkInt64) KindError(prop);
  if (!prop.GetOrd) WriteOnlyError(prop);
  return prop.GetOrd(instance);
}

void SetOrdProp(TObject* instance, const TPropInfo& prop, int64_t value) {
  if (!prop.IsOrdinal() && prop.Kind != tkInt64) KindError(prop);
  if (!prop.SetOrd) ReadOnlyError(prop);
  prop.SetOrd(instance, value);
}

int64_t GetInt64Prop(TObject* instance, const TPropInfo& prop) {
  return GetOrdProp(instance, prop);
}
void SetInt64Prop(TObject* instance, const TPropInfo& prop, int64_t value) {
  SetOrdProp(instance, prop, value);
}

long double GetFloatProp(TObject* instance, const TPropInfo& prop) {
  if (prop.Kind != tkFloat) KindError(prop);
  if (!prop.GetFloat) WriteOnlyError(prop);
  return prop.GetFloat(instance);
}

void SetFloatProp(TObject* instance, const TPropInfo& prop, long double value) {
  if (prop.Kind != tkFloat) KindError(prop);
  if (!prop.SetFloat) ReadOnlyError(prop);
  prop.SetFloat(instance, value);
}

std::string GetStrProp(TObject* instance, const TPropInfo& prop) {
  if (prop.Kind != tkString) KindError(prop);
  if (!prop.GetStr) WriteOnlyError(prop);
  return prop.GetStr(instance);
}

void SetStrProp(TObject* instance, const TPropInfo& prop, const std::string& value) {
  if (prop.Kind != tkString) KindError(prop);
  if (!prop.SetStr) ReadOnlyError(prop);
  prop.SetStr(instance, value);
}

TObject* GetObjectProp(TObject* instance, const TPropInfo& prop) {
  if (prop.Kind != tkClass) KindError(prop);
  if (!prop.GetObj) WriteOnlyError(prop);
  return prop.GetObj(instance);
}

void SetObjectProp(TObject* instance, const TPropInfo& prop, TObject* value) {
  if (prop.Kind != tkClass) KindError(prop);
  if (!prop.SetObj) ReadOnlyError(prop);
  prop.SetObj(instance, value);
}

TMethodValue GetMethodProp(TObject* instance, const TPropInfo& prop) {
  if (prop.Kind != tkMethod) KindError(prop);
  if (!prop.GetMethod) WriteOnlyError(prop);
  return prop.GetMethod(instance);
}

void SetMethodProp(TObject* instance, const TPropInfo& prop, const TMethodValue& value) {
  if (prop.Kind != tkMethod) KindError(prop);
  if (!prop.SetMethod) ReadOnlyError(prop);
  if (value.Code && value.Signature != prop.MethodSignature)
    throw EPropertyError(
        Format("The method does not match the parameter list of %s", prop.Name.c_str()));
  prop.SetMethod(instance, value);
}

std::string GetEnumProp(TObject* instance, const TPropInfo& prop) {
  if (prop.Kind != tkEnumeration) KindError(prop);
  return GetEnumName(prop, GetOrdProp(instance, prop));
}

void SetEnumProp(TObject* instance, const TPropInfo& prop, std::string_view valueName) {
  if (prop.Kind != tkEnumeration) KindError(prop);
  int v = GetEnumValue(prop, valueName);
  if (v < 0)
    throw EPropertyError(Format("Invalid enumeration value: %.*s",
                                static_cast<int>(valueName.size()), valueName.data()));
  SetOrdProp(instance, prop, v);
}

#define PF_BY_NAME_GET(R, Fn)                          \
  R Fn(TObject* instance, std::string_view name) {     \
    return Fn(instance, FindPropInfo(instance, name)); \
  }
#define PF_BY_NAME_SET(T, Fn)                                  \
  void Fn(TObject* instance, std::string_view name, T value) { \
    Fn(instance, FindPropInfo(instance, name), value);         \
  }
PF_BY_NAME_GET(int64_t, GetOrdProp)
PF_BY_NAME_SET(int64_t, SetOrdProp)
PF_BY_NAME_SET(int64_t, SetInt64Prop)
PF_BY_NAME_GET(long double, GetFloatProp)
PF_BY_NAME_SET(long double, SetFloatProp)
PF_BY_NAME_GET(std::string, GetStrProp)
PF_BY_NAME_SET(const std::string&, SetStrProp)
PF_BY_NAME_GET(TObject*, GetObjectProp)
PF_BY_NAME_SET(TObject*, SetObjectProp)
PF_BY_NAME_GET(TMethodValue, GetMethodProp)
PF_BY_NAME_SET(const TMethodValue&, SetMethodProp)
PF_BY_NAME_GET(std::string, GetEnumProp)
PF_BY_NAME_SET(std::string_view, SetEnumProp)
#undef PF_BY_NAME_GET
#undef PF_BY_NAME_SET

std::string GetEnumName(const TPropInfo& prop, int64_t value) {
  if (value < 0 || value >= static_cast<int64_t>(prop.ValueNames.size())) return std::string();
  return prop.ValueNames[static_cast<size_t>(value)];
}

int GetEnumValue(const TPropInfo& prop, std::string_view name) {
  for (size_t i = 0; i < prop.ValueNames.size(); ++i)
    if (SameName(prop.ValueNames[i], name)) return static_cast<int>(i);
  return -1;
}

bool IntToIdent(const TPropInfo& prop, int64_t value, std::string& name) {
  for (const TIdentMapEntry& e : prop.IdentMap)
    if (e.Value == value) {
      name = e.Name;
      return true;
    }
  return false;
}

bool IdentToInt(const TPropInfo& prop, std::string_view name, int64_t& value) {
  for (const TIdentMapEntry& e : prop.IdentMap)
    if (SameName(e.Name, name)) {
      value = e.Value;
      return true;
    }
  return false;
}

// ---- Methods and fields ----------------------------------------------------------------------

TMethodValue MethodAddress(TClass cls, std::string_view name) {
  for (TClass c = cls; c; c = c->ClassParent())
    for (const TMethodEntry& m : ClassTables(c).OwnMethods)
      if (SameName(m.Name, name)) return TMethodValue{nullptr, m.Code, m.Signature};
  return TMethodValue{};
}

std::string MethodName(TClass cls, void (*code)()) {
  if (!code) return std::string();
  for (TClass c = cls; c; c = c->ClassParent())
    for (const TMethodEntry& m : ClassTables(c).OwnMethods)
      if (m.Code == code) return m.Name;
  return std::string();
}

TMethodValue FindMethod(TObject* instance, std::string_view name) {
  if (!instance) return TMethodValue{};
  for (TClass c = &instance->ClassType(); c; c = c->ClassParent())
    for (const TMethodEntry& m : ClassTables(c).OwnMethods)
      if (SameName(m.Name, name)) return TMethodValue{m.Self(instance), m.Code, m.Signature};
  return TMethodValue{};
}

std::string FindMethodName(TObject* instance, const TMethodValue& method) {
  if (!instance || !method.Code) return std::string();
  for (TClass c = &instance->ClassType(); c; c = c->ClassParent())
    for (const TMethodEntry& m : ClassTables(c).OwnMethods)
      if (m.Code == method.Code && m.Self(instance) == method.Data) return m.Name;
  return std::string();
}

const TFieldEntry* FindField(TClass cls, std::string_view name) {
  for (TClass c = cls; c; c = c->ClassParent())
    for (const TFieldEntry& f : ClassTables(c).OwnFields)
      if (SameName(f.Name, name)) return &f;
  return nullptr;
}

}  // namespace platform
