// Collection items that an editor can point at: the variable an editor keeps for the item
// it shows is cleared when the item is destroyed.
#pragma once

#include "platform/Classes.h"

namespace pins {

class TPNExtCollectionItem : public platform::TCollectionItem {
  PF_CLASS(TPNExtCollectionItem)
  PF_ALLOW_NEW;

 public:
  // A variable elsewhere (an editor's) that refers to this item; null is stored through it
  // when the item is destroyed.
  void** CurrentEditorPtr = nullptr;

 protected:
  explicit TPNExtCollectionItem(platform::TCollection* ACollection)
      : TCollectionItem(ACollection) {}
  void Destroy() override;
};

}  // namespace pins
