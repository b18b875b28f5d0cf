// The class library's persistent objects and components.
//
// TPersistent: objects that can be assigned to one another and stored in form resources.
// (TComponent, the published-property table and form streaming build on it.)
#pragma once

#include <string>

#include "platform/Objects.h"

namespace platform {

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
