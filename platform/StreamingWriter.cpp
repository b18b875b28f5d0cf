// TWriter: writes components and their properties as a value stream.
#include "platform/StreamingInternal.h"

namespace platform {

using namespace streaming;

PF_DEFINE_CLASS(TWriter, TFiler)

// =====================================================================================================
// TWriter
// =====================================================================================================

void TWriter::WriteStr(std::string_view text) { PutStr(FData, text); }

void TWriter::WriteValue(TValueType value) { FData.push_back(static_cast<char>(value)); }

void TWriter::WriteString(std::string_view value) {
  WriteValue(StringKind(value));
  WriteStr(value);
}

void TWriter::WriteIdent(std::string_view ident) {
  if (detail::SameText(ident, "False")) {
    WriteValue(vaFalse);
  } else if (detail::SameText(ident, "True")) {
    WriteValue(vaTrue);
  } else if (detail::SameText(ident, "nil")) {
    WriteValue(vaNil);
  } else {
    if (!IsDottedIdent(ident))
      throw EWriteError(
          Format("%.*s is not an identifier", static_cast<int>(ident.size()), ident.data()));
    WriteValue(vaIdent);
    WriteStr(ident);
  }
}

void TWriter::WriteInteger(int64_t value) { PutInteger(FData, value); }
void TWriter::WriteFloat(long double value) { PutExtended(FData, value); }

void TWriter::WriteSingle(float value) {
  WriteValue(vaSingle);
  PutRaw(FData, value);
}

void TWriter::WriteDouble(double value) {
  WriteValue(vaDouble);
  PutRaw(FData, value);
}

void TWriter::WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }

void TWriter::WriteBinary(std::string_view data) {
  WriteValue(vaBinary);
  WriteStr(data);
}

void TWriter::WritePropName(std::string_view name) { WriteStr(FPropPath + std::string(name)); }

void TWriter::DefineProperty(const std::string& name, const TReaderProc& readData,
                             const TWriterProc& writeData, bool hasData) {
  (void)readData;
  if (!hasData || !writeData) return;
  if (!IsValidIdent(name)) throw EWriteError(Format("%s is not a valid value name", name.c_str()));
  WritePropName(name);
  size_t start = FData.size();
  writeData(this);
  // The value written must be exactly one value, or the stream could not be read back.
  try {
    TStreamCursor check(FData, start);
    check.SkipPayload(check.Kind(), 0);
    if (check.Pos() != FData.size()) throw EReadError("more than one value");
  } catch (const EReadError&) {
    throw EWriteError(Format("The value written for %s is not one complete value", name.c_str()));
  }
}

void TWriter::DefineBinaryProperty(const std::string& name, const TBinaryReadProc& readData,
                                   const TBinaryWriteProc& writeData, bool hasData) {
  (void)readData;
  if (!hasData || !writeData) return;
  if (!IsValidIdent(name)) throw EWriteError(Format("%s is not a valid value name", name.c_str()));
  std::string bytes;
  writeData(bytes);
  WritePropName(name);
  WriteBinary(bytes);
}

void TWriter::WriteRootComponent(TComponent* root) {
  FRoot = root;
  FLookupRoot = root;
  WriteComponent(root);
}

// One level deeper while a component, sub-object or collection is written: the depth and
// the property path are put back however the level is left, exceptions included.
class TWriter::TNesting {
 public:
  explicit TNesting(TWriter& writer) : FWriter(writer), FSavedPath(writer.FPropPath) {
    ++writer.FNesting;
  }
  ~TNesting() {
    --FWriter.FNesting;
    FWriter.FPropPath = std::move(FSavedPath);
  }
  TNesting(const TNesting&) = delete;
  TNesting& operator=(const TNesting&) = delete;

 private:
  TWriter& FWriter;
  std::string FSavedPath;
};

void TWriter::WriteComponent(TComponent* component) {
  TNesting nesting(*this);
  if (FNesting > MaxStreamNesting) throw EWriteError("The components are nested too deeply");
  if (!IsValidIdent(component->ClassName()))
    throw EWriteError(Format("%s is not a valid class name", component->ClassName()));
  WriteStr(component->ClassName());
  WriteStr(component->Name());
  component->FComponentState.Include(csWriting);
  try {
    component->WriteState(this);
  } catch (...) {
    component->FComponentState.Exclude(csWriting);
    throw;
  }
  component->FComponentState.Exclude(csWriting);
}

void TWriter::WriteData(TComponent* instance) {
  WriteProperties(instance);
  WriteStr("");
  instance->GetChildren(
      [this](TComponent* child) {
        FData.push_back(1);
        WriteComponent(child);
      },
      FRoot);
  FData.push_back(0);
}

void TWriter::WriteProperties(TPersistent* instance) {
  for (const TPropInfo* prop : GetPropList(&instance->ClassType())) {
    if (!prop->IsReadable() || !IsStoredProp(instance, *prop)) continue;
    WriteProperty(instance, *prop);
  }
  instance->DefineProperties(this);
}

void TWriter::WriteProperty(TPersistent* instance, const TPropInfo& prop) {
  switch (prop.Kind) {
    case tkInteger:
    case tkEnumeration:
    case tkSet:
    case tkInt64: {
      if (!prop.SetOrd || IsDefaultValue(instance, prop)) return;
      int64_t v = prop.GetOrd(instance);
      WritePropName(prop.Name);
      std::string ident;
      if (prop.Kind == tkInteger && IntToIdent(prop, v, ident)) {
        WriteIdent(ident);
      } else if (prop.IsBoolean()) {
        WriteBoolean(v != 0);
      } else if (prop.Kind == tkEnumeration) {
        std::string name = GetEnumName(prop, v);
        if (name.empty())
          throw EWriteError(
              Format("%s has no value %lld", prop.Name.c_str(), static_cast<long long>(v)));
        WriteIdent(name);
      } else if (prop.Kind == tkSet) {
        WriteValue(vaSet);
        for (size_t i = 0; i < prop.ValueNames.size() && i < 64; ++i)
          if ((static_cast<uint64_t>(v) >> i) & 1) WriteStr(prop.ValueNames[i]);
        WriteStr("");
      } else {
        WriteInteger(v);
      }
      return;
    }
    case tkFloat: {
      if (!prop.SetFloat) return;
      long double v = prop.GetFloat(instance);
      if (v == 0) return;
      WritePropName(prop.Name);
      if (prop.FloatType == ftSingle)
        WriteSingle(static_cast<float>(v));
      else if (prop.FloatType == ftDouble)
        WriteDouble(static_cast<double>(v));
      else
        WriteFloat(v);
      return;
    }
    case tkString: {
      if (!prop.SetStr) return;
      std::string s = prop.GetStr(instance);
      if (s.empty()) return;
      WritePropName(prop.Name);
      WriteString(s);
      return;
    }
    case tkMethod: {
      if (!prop.SetMethod) return;
      TMethodValue m = prop.GetMethod(instance);
      // Only a published method of the root itself can be named in the form.
      std::string name = FindMethodName(FLookupRoot, m);
      if (name.empty()) return;
      WritePropName(prop.Name);
      WriteIdent(name);
      return;
    }
    case tkClass: {
      TObject* value = prop.GetObj(instance);
      if (!value) return;
      if (auto* component = dynamic_cast<TComponent*>(value)) {
        if (!prop.SetObj || component->Name().empty()) return;
        std::string name;
        if (component == FLookupRoot || !component->Owner() || component->Owner() == FLookupRoot)
          name = component->Name();
        else if (!component->Owner()->Name().empty())
          name = component->Owner()->Name() + "." + component->Name();
        else
          return;
        WritePropName(prop.Name);
        WriteIdent(name);
      } else if (auto* collection = dynamic_cast<TCollection*>(value)) {
        if (collection->Count() == 0) return;
        WritePropName(prop.Name);
        WriteCollection(collection);
      } else if (auto* persistent = dynamic_cast<TPersistent*>(value)) {
        // A sub-object: its properties under "Name." (a sub-object that refers back to one
        // being written is not followed again).
        if (persistent == instance || FNesting > MaxStreamNesting) return;
        TNesting nesting(*this);
        FPropPath += prop.Name + ".";
        WriteProperties(persistent);
      }
      return;
    }
    default:
      return;
  }
}

void TWriter::WriteCollection(TCollection* collection) {
  WriteValue(vaCollection);
  {
    TNesting nesting(*this);
    FPropPath.clear();
    for (int i = 0; i < collection->Count(); ++i) {
      WriteValue(vaList);
      WriteProperties(collection->Items(i));
      WriteStr("");
    }
  }
  WriteValue(vaNull);
}

}  // namespace platform
