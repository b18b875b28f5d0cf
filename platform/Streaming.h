// Component streaming: form resources in the class library's text grammar.
//
// A form resource describes a root component (a form), its published properties, the custom
// values its objects define, and the components it contains:
//
//   object Form1: TForm1
//     Caption = 'HoughCircles Demo'
//     OnCreate = FormCreate
//     object PXHoughCircles1: TPXHoughCircles
//       Threshold.High = 100.000000000000000000
//       InputPin.SourcePin = Form1.PXGenericFilter1.OutputPin
//     end
//   end
//
// Values: integers (decimal or $hex), floats (18 decimals by default; a trailing "s" marks a
// single), strings in single quotes with #nn character codes and "+" continuation, idents
// (dotted names allowed), True/False, nil, sets [a, b], lists ( v1 v2 ... ), collections
// < item Name = Value ... end ... > and binary data {0A1B...}.
//
// Text is first turned into a compact value stream (ObjectTextToBinary) that TReader walks
// with the class library's value kinds; TWriter produces such a stream and
// ObjectBinaryToText turns it back into text. Every malformed text or stream raises
// EReadError (EParserError for the text, with its line) or, for an unknown class,
// EClassNotFound; nothing is read past the end and nesting is bounded.
//
// Custom values: an object overrides DefineProperties and calls
//   filer->DefineProperty("SinkPins", [this](TReader* r) { ReadLinks(r); },
//                         [this](TWriter* w) { WriteSinks(w); }, HasSinks());
// The reader calls the read procedure when the value of that name comes; it must read the
// value exactly to its end. The writer calls the write procedure when hasData is true.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Classes.h"
#include "platform/Components.h"
#include "platform/Objects.h"
#include "platform/Properties.h"
#include "platform/SysUtils.h"

namespace platform {

PF_DECLARE_EXCEPTION(EParserError, EReadError);

enum TValueType : uint8_t {
  vaNull,
  vaList,
  vaInt8,
  vaInt16,
  vaInt32,
  vaExtended,
  vaString,
  vaIdent,
  vaFalse,
  vaTrue,
  vaBinary,
  vaSet,
  vaLString,
  vaNil,
  vaCollection,
  vaSingle,
  vaWString,
  vaInt64,
  vaUTF8String,
  vaDouble
};

// The deepest nesting of objects, lists and collections a stream may have.
constexpr int MaxStreamNesting = 200;

class TReader;
class TWriter;
using TReaderProc = std::function<void(TReader* reader)>;
using TWriterProc = std::function<void(TWriter* writer)>;
using TBinaryReadProc = std::function<void(const std::string& data)>;
using TBinaryWriteProc = std::function<void(std::string& data)>;

// What TReader and TWriter share: the root being read or written and DefineProperty.
class TFiler : public TObject {
  PF_CLASS(TFiler)

 public:
  // Declares a custom value of the object whose DefineProperties runs: the reader calls
  // readData when the value of that name is read, the writer calls writeData when hasData.
  virtual void DefineProperty(const std::string& name, const TReaderProc& readData,
                              const TWriterProc& writeData, bool hasData) = 0;
  // The same for a value of raw bytes, stored as binary data {...}.
  virtual void DefineBinaryProperty(const std::string& name, const TBinaryReadProc& readData,
                                    const TBinaryWriteProc& writeData, bool hasData) = 0;

  TComponent* Root() const { return FRoot; }
  TComponent* LookupRoot() const { return FLookupRoot; }

 protected:
  TFiler() = default;
  TComponent* FRoot = nullptr;
  TComponent* FLookupRoot = nullptr;
};

class TReader : public TFiler {
  PF_CLASS(TReader)
  PF_ALLOW_NEW;

 public:
  void DefineProperty(const std::string& name, const TReaderProc& readData,
                      const TWriterProc& writeData, bool hasData) override;
  void DefineBinaryProperty(const std::string& name, const TBinaryReadProc& readData,
                            const TBinaryWriteProc& writeData, bool hasData) override;

  // The kind of the next value, without reading it / reading it.
  TValueType NextValue();
  TValueType ReadValue();
  // Reads the next value kind and raises EReadError "Invalid property value" unless it is
  // the expected one.
  void CheckValue(TValueType expected);
  void ReadListBegin() { CheckValue(vaList); }
  void ReadListEnd() { CheckValue(vaNull); }
  bool EndOfList() { return NextValue() == vaNull; }

  // Each raises EReadError "Invalid property value" for a value of another kind.
  std::string ReadString();  // any of the four string kinds
  std::string ReadIdent();   // an ident; also True, False, nil and Null by their names
  int32_t ReadInteger();
  int64_t ReadInt64();
  long double ReadFloat();  // any number
  float ReadSingle();
  double ReadDouble();
  bool ReadBoolean();
  std::string ReadBinary();
  // Skips one value of any kind.
  void SkipValue();

  // The component being read, its owner and its parent in the containment tree.
  TComponent* Owner() const { return FOwner; }
  TComponent* Parent() const { return FParent; }

  // Called with the name a component is about to get; may change it.
  std::function<void(TReader* reader, TComponent* component, std::string& name)> OnSetName;

  // Reads a whole form into root (null: a new root of the stored class, created without
  // owner). The root is named rootName when given, otherwise by its stored name, made unique
  // among the global roots ("Form1_1") when another root already bears it.
  TComponent* ReadRootComponent(TComponent* root, const std::string* rootName = nullptr);
  // Reads the properties and the children of a component (TComponent::ReadState).
  void ReadData(TComponent* instance);

 protected:
  explicit TReader(std::string_view data);

 private:
  struct TFixup {
    TComponent* Component;  // the component being read when the reference was met
    TObject* Instance;
    const TPropInfo* Prop;
    std::string Name;
  };

  uint8_t ReadByte();
  const char* ReadBytes(size_t count);
  uint32_t ReadLength();
  std::string ReadStr();
  // Any number, raising "Invalid property value" (at the value) when it is finite but beyond
  // the range of F.
  template <class F>
  F ReadFloatAs();
  void ReadHeader(std::string& className, std::string& objectName);
  TComponent* ReadComponent();
  void ReadProperty(TPersistent* instance);
  void ReadPropValue(TPersistent* instance, const TPropInfo& prop);
  void ReadCollection(TCollection* collection);
  void ReadDefinedValue(TPersistent* instance);
  void SetComponentName(TComponent* component, std::string name);
  void ResolveFixups();
  [[noreturn]] void PropValueError();
  void EnterNesting();
  void LeaveNesting() { --FNesting; }

  std::string_view FData;
  size_t FPos = 0;
  int FNesting = 0;
  TComponent* FOwner = nullptr;
  TComponent* FParent = nullptr;
  TComponent* FCurrent = nullptr;  // the component whose properties are read (messages)
  std::string FPropName;           // the custom value waiting for its DefineProperty
  size_t FPropValueStart = 0;
  bool FPropHandled = false;
  std::vector<TComponent*> FLoaded;
  std::vector<TFixup> FFixups;
  friend class TWriter;
};

class TWriter : public TFiler {
  PF_CLASS(TWriter)
  PF_ALLOW_NEW;

 public:
  void DefineProperty(const std::string& name, const TReaderProc& readData,
                      const TWriterProc& writeData, bool hasData) override;
  void DefineBinaryProperty(const std::string& name, const TBinaryReadProc& readData,
                            const TBinaryWriteProc& writeData, bool hasData) override;

  // Writes a bare value kind: vaList opens a list, vaNull ends it; vaTrue, vaFalse and vaNil
  // are whole values.
  void WriteValue(TValueType value);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  void WriteString(std::string_view value);
  void WriteIdent(std::string_view ident);  // True, False, nil and Null become those values
  void WriteInteger(int64_t value);         // the smallest integer kind that holds it
  void WriteFloat(long double value);       // extended
  void WriteSingle(float value);
  void WriteDouble(double value);
  void WriteBoolean(bool value);
  void WriteBinary(std::string_view data);

  // Writes a whole form: the root, its changed published properties, its custom values and
  // its children (GetChildren), recursively.
  void WriteRootComponent(TComponent* root);
  // Writes one component (also used for children).
  void WriteComponent(TComponent* component);
  // Writes the properties and the children of a component (TComponent::WriteState).
  void WriteData(TComponent* instance);

  // The stream written so far.
  const std::string& Data() const { return FData; }

 protected:
  TWriter() = default;

 private:
  void WriteStr(std::string_view text);
  void WritePropName(std::string_view name);
  void WriteProperties(TPersistent* instance);
  void WriteProperty(TPersistent* instance, const TPropInfo& prop);
  void WriteCollection(TCollection* collection);

  class TNesting;  // one level deeper, undone on every way out

  std::string FData;
  std::string FPropPath;  // the dotted path of the sub-object whose properties are written
  int FNesting = 0;
};

// ---- Text and stream conversion ---------------------------------------------------------------

// The value stream of a form text; EParserError ("... on line %d") for a malformed text.
std::string ObjectTextToBinary(std::string_view text);
// The text of a value stream; EReadError for a malformed stream.
std::string ObjectBinaryToText(std::string_view data);

// Reads a form text into root (see TReader::ReadRootComponent) and returns the root.
TComponent* ReadComponentFromText(std::string_view text, TComponent* root = nullptr,
                                  const std::string* rootName = nullptr);
// The form text of a root component.
std::string WriteComponentToText(TComponent* root);

// ---- Form resources compiled into the program ------------------------------------------------

// Keeps the form text of a class (by class name); the text must outlive its registration.
// Registered at unit initialization, removed at finalization.
void RegisterFormResource(const char* className, std::string_view text);
void UnregisterFormResource(const char* className);
// The registered text of a class; empty when none.
std::string_view FindFormResource(std::string_view className);

// Reads the form resource of each class from below rootAncestor down to the instance's own
// class (ancestors first) into the instance; false when no class has one.
bool InitInheritedComponent(TComponent* instance, TClass rootAncestor,
                            const std::string* rootName = nullptr);

}  // namespace platform
