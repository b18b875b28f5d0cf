// Component streaming hooks, forms read from and written to text, and form resources.
#include <map>
#include <mutex>

#include "platform/StreamingInternal.h"

namespace platform {

namespace {

// ---- Form resources ----------------------------------------------------------------------------

std::mutex& ResourceMutex() {
  static std::mutex m;
  return m;
}

std::map<std::string, std::string_view>& Resources() {
  static std::map<std::string, std::string_view> resources;
  return resources;
}

std::string LowerName(std::string_view name) {
  std::string s(name);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

}  // namespace

// =====================================================================================================
// TComponent streaming
// =====================================================================================================

void TComponent::ReadState(TReader* reader) { reader->ReadData(this); }
void TComponent::WriteState(TWriter* writer) { writer->WriteData(this); }

void TComponent::DefineProperties(TFiler* filer) {
  TPersistent::DefineProperties(filer);
  filer->DefineProperty(
      "Left", [this](TReader* r) { FDesignLeft = r->ReadInteger(); },
      [this](TWriter* w) { w->WriteInteger(FDesignLeft); }, FDesignLeft != 0);
  filer->DefineProperty(
      "Top", [this](TReader* r) { FDesignTop = r->ReadInteger(); },
      [this](TWriter* w) { w->WriteInteger(FDesignTop); }, FDesignTop != 0);
}

// =====================================================================================================
// Conversions, forms from text and form resources
// =====================================================================================================

TComponent* ReadComponentFromText(std::string_view text, TComponent* root,
                                  const std::string* rootName) {
  std::string data = ObjectTextToBinary(text);
  TReader* reader = New<TReader>(std::string_view(data));
  try {
    root = reader->ReadRootComponent(root, rootName);
  } catch (...) {
    reader->Free();
    throw;
  }
  reader->Free();
  return root;
}

std::string WriteComponentToText(TComponent* root) {
  TWriter* writer = New<TWriter>();
  std::string data;
  try {
    writer->WriteRootComponent(root);
    data = writer->Data();
  } catch (...) {
    writer->Free();
    throw;
  }
  writer->Free();
  try {
    return ObjectBinaryToText(data);
  } catch (const EReadError& e) {
    throw EWriteError(e.Message());
  }
}

void RegisterFormResource(const char* className, std::string_view text) {
  std::lock_guard<std::mutex> lock(ResourceMutex());
  Resources()[LowerName(className)] = text;
}

void UnregisterFormResource(const char* className) {
  std::lock_guard<std::mutex> lock(ResourceMutex());
  Resources().erase(LowerName(className));
}

std::string_view FindFormResource(std::string_view className) {
  std::lock_guard<std::mutex> lock(ResourceMutex());
  auto it = Resources().find(LowerName(className));
  return it == Resources().end() ? std::string_view() : it->second;
}

bool InitInheritedComponent(TComponent* instance, TClass rootAncestor,
                            const std::string* rootName) {
  // The resource of the nearest class that has one describes the whole form.
  for (TClass c = &instance->ClassType(); c && c != rootAncestor; c = c->ClassParent()) {
    std::string_view text = FindFormResource(c->ClassName());
    if (!text.empty()) {
      ReadComponentFromText(text, instance, rootName);
      return true;
    }
  }
  return false;
}

}  // namespace platform
