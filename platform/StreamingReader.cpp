// TReader: reads components and their properties from a value stream, and the pending
// references to components of forms not yet loaded.
#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <new>

#include "platform/StreamingInternal.h"

namespace platform {

using namespace streaming;

PF_DEFINE_CLASS(TFiler, TObject)
PF_DEFINE_CLASS(TReader, TFiler)

namespace {

// An error that already names the component and property it happened in.
class EReadContextError : public EReadError {
 public:
  using EReadError::EReadError;
};

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    size_t dot = path.find('.', start);
    if (dot == std::string_view::npos) {
      parts.push_back(path.substr(start));
      return parts;
    }
    parts.push_back(path.substr(start, dot - start));
    start = dot + 1;
  }
}

bool IsStringKind(TValueType t) {
  return t == vaString || t == vaLString || t == vaWString || t == vaUTF8String;
}

// ---- Pending references to components of forms not yet loaded ----------------------------------

struct TGlobalFixup {
  TComponent* Root;
  TComponent* Component;
  TObject* Instance;
  const TPropInfo* Prop;
  std::string Name;
};

std::mutex& FixupMutex() {
  static std::mutex m;
  return m;
}

std::vector<TGlobalFixup>& GlobalFixups() {
  static std::vector<TGlobalFixup> fixups;
  return fixups;
}

// A component named by a reference: "Button1" within the root, "Form2.Button1" through a
// global root, nested names through their owners.
TComponent* FindNestedComponent(TComponent* root, std::string_view path) {
  auto parts = SplitPath(path);
  TComponent* current = root ? root->FindComponent(parts[0]) : nullptr;
  if (!current && root && detail::SameText(root->Name(), parts[0])) current = root;
  if (!current) current = FindGlobalComponent(parts[0]);
  for (size_t i = 1; current && i < parts.size(); ++i) current = current->FindComponent(parts[i]);
  return current;
}

// Sets every pending reference whose component has become available.
void ResolveGlobalFixups() {
  std::vector<TGlobalFixup> ready;
  {
    std::lock_guard<std::mutex> lock(FixupMutex());
    auto& list = GlobalFixups();
    for (auto it = list.begin(); it != list.end();) {
      if (FindNestedComponent(it->Root, it->Name)) {
        ready.push_back(*it);
        it = list.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (const TGlobalFixup& f : ready) {
    TComponent* target = FindNestedComponent(f.Root, f.Name);
    if (target && f.Prop->SetObj) {
      try {
        f.Prop->SetObj(f.Instance, target);
      } catch (const Exception&) {
        // A reference of the wrong class stays unset, as it would have been at load time.
      }
    }
  }
}

}  // namespace

namespace detail {

void RemoveFixupsOf(TComponent* component) {
  std::lock_guard<std::mutex> lock(FixupMutex());
  auto& list = GlobalFixups();
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const TGlobalFixup& f) {
                              return f.Component == component || f.Root == component;
                            }),
             list.end());
}

}  // namespace detail

// =====================================================================================================
// TReader
// =====================================================================================================

TReader::TReader(std::string_view data) : FData(data) {}

void TReader::EnterNesting() {
  if (++FNesting > MaxStreamNesting) {
    --FNesting;
    throw EReadError("The form data is nested too deeply");
  }
}

uint8_t TReader::ReadByte() {
  if (FPos >= FData.size()) throw EReadError("Unexpected end of the form data");
  return static_cast<uint8_t>(FData[FPos++]);
}

const char* TReader::ReadBytes(size_t count) {
  if (count > FData.size() - FPos) throw EReadError("Unexpected end of the form data");
  const char* p = FData.data() + FPos;
  FPos += count;
  return p;
}

uint32_t TReader::ReadLength() {
  TStreamCursor c(FData, FPos);
  uint32_t n = c.Length();
  FPos = c.Pos();
  return n;
}

std::string TReader::ReadStr() {
  uint32_t n = ReadLength();
  return std::string(ReadBytes(n), n);
}

TValueType TReader::NextValue() {
  TStreamCursor c(FData, FPos);
  return c.PeekKind();
}

TValueType TReader::ReadValue() {
  TStreamCursor c(FData, FPos);
  TValueType t = c.Kind();
  FPos = c.Pos();
  return t;
}

void TReader::PropValueError() { throw EReadError(kInvalidValue); }

void TReader::CheckValue(TValueType expected) {
  if (ReadValue() != expected) {
    --FPos;
    PropValueError();
  }
}

void TReader::SkipValue() {
  TStreamCursor c(FData, FPos);
  c.SkipPayload(c.Kind(), FNesting);
  FPos = c.Pos();
}

std::string TReader::ReadString() {
  TValueType t = NextValue();
  if (!IsStringKind(t)) PropValueError();
  ReadValue();
  return ReadStr();
}

std::string TReader::ReadIdent() {
  switch (NextValue()) {
    case vaIdent:
      ReadValue();
      return ReadStr();
    case vaFalse:
      ReadValue();
      return "False";
    case vaTrue:
      ReadValue();
      return "True";
    case vaNil:
      ReadValue();
      return "nil";
    case vaNull:
      ReadValue();
      return "Null";
    default:
      PropValueError();
  }
}

int64_t TReader::ReadInt64() {
  TStreamCursor c(FData, FPos);
  int64_t v;
  switch (c.Kind()) {
    case vaInt8:
      v = c.Raw<int8_t>();
      break;
    case vaInt16:
      v = c.Raw<int16_t>();
      break;
    case vaInt32:
      v = c.Raw<int32_t>();
      break;
    case vaInt64:
      v = c.Raw<int64_t>();
      break;
    default:
      PropValueError();
  }
  FPos = c.Pos();
  return v;
}

int32_t TReader::ReadInteger() {
  size_t start = FPos;
  int64_t v = ReadInt64();
  if (v < INT32_MIN || v > INT32_MAX) {
    FPos = start;
    PropValueError();
  }
  return static_cast<int32_t>(v);
}

long double TReader::ReadFloat() {
  TStreamCursor c(FData, FPos);
  long double v;
  switch (c.Kind()) {
    case vaExtended:
      v = c.Raw<long double>(10);
      break;
    case vaDouble:
      v = c.Raw<double>();
      break;
    case vaSingle:
      v = c.Raw<float>();
      break;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
      return static_cast<long double>(ReadInt64());
    case vaIdent: {
      std::string_view name = c.Str();
      if (detail::SameText(name, "NAN"))
        v = std::numeric_limits<long double>::quiet_NaN();
      else if (detail::SameText(name, "INF"))
        v = std::numeric_limits<long double>::infinity();
      else
        PropValueError();
      break;
    }
    default:
      PropValueError();
  }
  FPos = c.Pos();
  return v;
}

template <class F>
F TReader::ReadFloatAs() {
  size_t start = FPos;
  long double v = ReadFloat();
  if (std::isfinite(v) && std::fabs(v) > std::numeric_limits<F>::max()) {
    FPos = start;
    PropValueError();
  }
  return static_cast<F>(v);
}

float TReader::ReadSingle() { return ReadFloatAs<float>(); }
double TReader::ReadDouble() { return ReadFloatAs<double>(); }

bool TReader::ReadBoolean() {
  TValueType t = NextValue();
  if (t != vaTrue && t != vaFalse) PropValueError();
  ReadValue();
  return t == vaTrue;
}

std::string TReader::ReadBinary() {
  CheckValue(vaBinary);
  return ReadStr();
}

void TReader::DefineProperty(const std::string& name, const TReaderProc& readData,
                             const TWriterProc& writeData, bool hasData) {
  (void)writeData;
  (void)hasData;
  if (FPropHandled || FPropName.empty() || !readData || !detail::SameText(name, FPropName)) return;
  FPropHandled = true;
  size_t start = FPos;
  SkipValue();
  size_t end = FPos;
  FPos = start;
  readData(this);
  // A reader that stops short or runs past its value would make the rest unreadable.
  if (FPos != end) {
    FPos = end;
    throw EReadError(Format("The value of %s was not read to its end", name.c_str()));
  }
}

void TReader::DefineBinaryProperty(const std::string& name, const TBinaryReadProc& readData,
                                   const TBinaryWriteProc& writeData, bool hasData) {
  (void)writeData;
  (void)hasData;
  if (FPropHandled || FPropName.empty() || !readData || !detail::SameText(name, FPropName)) return;
  FPropHandled = true;
  std::string bytes = ReadBinary();
  readData(bytes);
}

void TReader::ReadHeader(std::string& className, std::string& objectName) {
  className = ReadStr();
  objectName = ReadStr();
  if (!IsValidIdent(className)) throw EReadError("Invalid stream format");
}

void TReader::SetComponentName(TComponent* component, std::string name) {
  if (OnSetName) OnSetName(this, component, name);
  try {
    component->SetName(name);
  } catch (const Exception& e) {
    throw EReadContextError(Format("Error reading %s: %s", name.c_str(), e.what()));
  }
}

TComponent* TReader::ReadRootComponent(TComponent* root, const std::string* rootName) {
  std::string className, name;
  ReadHeader(className, name);
  bool created = false;
  if (!root) {
    TClass cls = FindClass(className);
    if (!cls) throw EClassNotFound(Format("Class %s not found", className.c_str()));
    if (!cls->InheritsFrom(&TComponent::StaticClass()))
      throw EReadError(Format("Class %s is not a component class", className.c_str()));
    root = CreateComponent(cls, nullptr);
    created = true;
  }
  FRoot = root;
  FLookupRoot = root;
  FOwner = root;
  FParent = nullptr;
  FLoaded.clear();
  FFixups.clear();
  try {
    root->FComponentState.Include(csLoading).Include(csReading);
    std::string newName = name;
    if (rootName) {
      newName = *rootName;
    } else if (!name.empty()) {
      // A second form of the same stored name gets Name_1, Name_2, ...
      TComponent* other = FindGlobalComponent(name);
      for (int i = 1; other && other != root; ++i) {
        newName = Format("%s_%d", name.c_str(), i);
        other = FindGlobalComponent(newName);
      }
    }
    SetComponentName(root, newName);
    FLoaded.push_back(root);
    FCurrent = root;
    root->ReadState(this);
    root->FComponentState.Exclude(csReading);
    if (FPos != FData.size()) throw EReadError("Data after the end of the form");
    ResolveFixups();
    // Loaded once the whole tree has its properties; copy first, Loaded may create more.
    std::vector<TComponent*> loaded = FLoaded;
    for (TComponent* c : loaded) c->Loaded();
  } catch (...) {
    for (TComponent* c : FLoaded) c->FComponentState.Exclude(csLoading).Exclude(csReading);
    root->FComponentState.Exclude(csLoading).Exclude(csReading);
    FLoaded.clear();
    FFixups.clear();
    if (created) root->Free();
    throw;
  }
  FLoaded.clear();
  ResolveGlobalFixups();
  return root;
}

namespace {

// Restores the reader's current owner, parent and component when a nested read ends.
struct TReaderContext {
  TComponent*& Owner;
  TComponent*& Parent;
  TComponent*& Current;
  TComponent* SavedOwner;
  TComponent* SavedParent;
  TComponent* SavedCurrent;
  TReaderContext(TComponent*& owner, TComponent*& parent, TComponent*& current)
      : Owner(owner),
        Parent(parent),
        Current(current),
        SavedOwner(owner),
        SavedParent(parent),
        SavedCurrent(current) {}
  ~TReaderContext() {
    Owner = SavedOwner;
    Parent = SavedParent;
    Current = SavedCurrent;
  }
};

}  // namespace

void TReader::ReadData(TComponent* instance) {
  EnterNesting();
  TReaderContext context(FOwner, FParent, FCurrent);
  FCurrent = instance;
  while (true) {
    std::string name = ReadStr();
    if (name.empty()) break;
    FPropName = name;  // the full path, for messages until ReadProperty splits it
    ReadProperty(instance);
  }
  FParent = instance->GetChildParent();
  FOwner = instance->GetChildOwner();
  if (!FOwner) FOwner = FRoot;
  while (true) {
    uint8_t b = ReadByte();
    if (b == 0) break;
    if (b != 1) throw EReadError("Invalid stream format");
    ReadComponent();
  }
  LeaveNesting();
}

TComponent* TReader::ReadComponent() {
  EnterNesting();
  std::string className, name;
  ReadHeader(className, name);
  TClass cls = FindClass(className);
  if (!cls) throw EClassNotFound(Format("Class %s not found", className.c_str()));
  if (!cls->InheritsFrom(&TComponent::StaticClass()))
    throw EReadError(Format("Class %s is not a component class", className.c_str()));
  TComponent* component = nullptr;
  try {
    component = CreateComponent(cls, FOwner);
  } catch (const EFilerError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    throw EReadError(Format("Error creating %s: %s", name.c_str(), e.what()));
  }
  try {
    component->FComponentState.Include(csLoading).Include(csReading);
    SetComponentName(component, name);
    if (FParent) component->SetParentComponent(FParent);
    component->ReadState(this);
    component->FComponentState.Exclude(csReading);
    FLoaded.push_back(component);
  } catch (...) {
    FFixups.erase(std::remove_if(FFixups.begin(), FFixups.end(),
                                 [&](const TFixup& f) { return f.Component == component; }),
                  FFixups.end());
    component->Free();
    throw;
  }
  LeaveNesting();
  return component;
}

void TReader::ReadProperty(TPersistent* instance) {
  std::string path = FPropName;
  FPropName.clear();
  try {
    if (!IsDottedIdent(path)) throw EReadError(Format("Invalid property name %s", path.c_str()));
    auto parts = SplitPath(path);
    TPersistent* object = instance;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      const TPropInfo* prop = GetPropInfo(object, parts[i]);
      TPersistent* sub = nullptr;
      if (prop && prop->Kind == tkClass && prop->GetObj)
        sub = dynamic_cast<TPersistent*>(prop->GetObj(object));
      if (!sub)
        throw EReadError(Format("Property %s does not exist", std::string(parts[i]).c_str()));
      object = sub;
    }
    std::string last(parts.back());
    if (const TPropInfo* prop = GetPropInfo(object, last)) {
      ReadPropValue(object, *prop);
    } else {
      FPropName = last;
      FPropHandled = false;
      object->DefineProperties(this);
      bool handled = FPropHandled;
      FPropName.clear();
      FPropHandled = false;
      if (!handled) throw EReadError(Format("Property %s does not exist", last.c_str()));
    }
  } catch (const EReadContextError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    std::string owner = FCurrent ? FCurrent->Name() : std::string();
    if (owner.empty() && FCurrent) owner = FCurrent->ClassName();
    throw EReadContextError(
        Format("Error reading %s.%s: %s", owner.c_str(), path.c_str(), e.what()));
  }
}

void TReader::ReadPropValue(TPersistent* instance, const TPropInfo& prop) {
  auto needSetter = [&](bool has) {
    if (!has) throw EReadError(Format("Property %s is read-only", prop.Name.c_str()));
  };
  switch (prop.Kind) {
    case tkInteger: {
      needSetter(static_cast<bool>(prop.SetOrd));
      int64_t v = 0;
      if (NextValue() == vaIdent) {
        size_t start = FPos;
        std::string ident = ReadIdent();
        if (!IdentToInt(prop, ident, v)) {
          FPos = start;
          PropValueError();
        }
      } else {
        v = ReadInt64();
        // $FFFFFFFF written for a Cardinal reads as -1: take the bit pattern back.
        if (prop.OrdType == otULong && v < 0 && v >= INT32_MIN)
          v = static_cast<uint32_t>(static_cast<int32_t>(v));
        if (v < prop.MinValue() || v > prop.MaxValue()) PropValueError();
      }
      prop.SetOrd(instance, v);
      return;
    }
    case tkInt64:
      needSetter(static_cast<bool>(prop.SetOrd));
      prop.SetOrd(instance, ReadInt64());
      return;
    case tkEnumeration: {
      needSetter(static_cast<bool>(prop.SetOrd));
      if (prop.IsBoolean() && (NextValue() == vaTrue || NextValue() == vaFalse)) {
        prop.SetOrd(instance, ReadBoolean() ? 1 : 0);
        return;
      }
      if (NextValue() != vaIdent) PropValueError();
      int v = GetEnumValue(prop, ReadIdent());
      if (v < 0) PropValueError();
      prop.SetOrd(instance, v);
      return;
    }
    case tkSet: {
      needSetter(static_cast<bool>(prop.SetOrd));
      CheckValue(vaSet);
      uint64_t bits = 0;
      while (true) {
        std::string element = ReadStr();
        if (element.empty()) break;
        int v = GetEnumValue(prop, element);
        if (v < 0 || v >= 64) PropValueError();
        bits |= uint64_t{1} << v;
      }
      prop.SetOrd(instance, static_cast<int64_t>(bits));
      return;
    }
    case tkFloat: {
      needSetter(static_cast<bool>(prop.SetFloat));
      long double v = prop.FloatType == ftSingle   ? ReadSingle()
                      : prop.FloatType == ftDouble ? ReadDouble()
                                                   : ReadFloat();
      prop.SetFloat(instance, v);
      return;
    }
    case tkString:
      needSetter(static_cast<bool>(prop.SetStr));
      prop.SetStr(instance, ReadString());
      return;
    case tkMethod: {
      needSetter(static_cast<bool>(prop.SetMethod));
      if (NextValue() == vaNil) {
        ReadValue();
        prop.SetMethod(instance, TMethodValue{});
        return;
      }
      if (NextValue() != vaIdent) PropValueError();
      std::string name = ReadIdent();
      TMethodValue m = FindMethod(FRoot, name);
      if (!m.Assigned()) throw EReadError(Format("Method %s not found", name.c_str()));
      if (m.Signature != prop.MethodSignature)
        throw EReadError(Format("Method %s does not match the parameter list of %s", name.c_str(),
                                prop.Name.c_str()));
      prop.SetMethod(instance, m);
      return;
    }
    case tkClass: {
      switch (NextValue()) {
        case vaNil:
          needSetter(static_cast<bool>(prop.SetObj));
          ReadValue();
          prop.SetObj(instance, nullptr);
          return;
        case vaCollection: {
          auto* collection =
              prop.GetObj ? dynamic_cast<TCollection*>(prop.GetObj(instance)) : nullptr;
          if (!collection) PropValueError();
          ReadValue();
          ReadCollection(collection);
          return;
        }
        case vaIdent: {
          if (!prop.ClassType->InheritsFrom(&TComponent::StaticClass())) PropValueError();
          needSetter(static_cast<bool>(prop.SetObj));
          std::string name = ReadIdent();
          FFixups.push_back(TFixup{FCurrent, instance, &prop, name});
          return;
        }
        default:
          PropValueError();
      }
    }
    default:
      PropValueError();
  }
}

void TReader::ReadCollection(TCollection* collection) {
  EnterNesting();
  collection->BeginUpdate();
  try {
    if (!EndOfList()) collection->Clear();
    while (!EndOfList()) {
      CheckValue(vaList);
      TCollectionItem* item = collection->Add();
      while (true) {
        std::string name = ReadStr();
        if (name.empty()) break;
        FPropName = name;
        ReadProperty(item);
      }
    }
    ReadListEnd();
  } catch (...) {
    collection->EndUpdate();
    throw;
  }
  collection->EndUpdate();
  LeaveNesting();
}

void TReader::ResolveFixups() {
  std::vector<TFixup> fixups;
  fixups.swap(FFixups);
  for (const TFixup& f : fixups) {
    TComponent* target = FindNestedComponent(FRoot, f.Name);
    if (!target) {
      // Waits for the form that holds it.
      std::lock_guard<std::mutex> lock(FixupMutex());
      GlobalFixups().push_back(TGlobalFixup{FRoot, f.Component, f.Instance, f.Prop, f.Name});
      continue;
    }
    try {
      f.Prop->SetObj(f.Instance, target);
    } catch (const Exception& e) {
      std::string owner = f.Component ? f.Component->Name() : std::string();
      throw EReadContextError(
          Format("Error reading %s.%s: %s", owner.c_str(), f.Prop->Name.c_str(), e.what()));
    }
  }
}

}  // namespace platform
