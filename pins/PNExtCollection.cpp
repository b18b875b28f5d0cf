#include "pins/PNExtCollection.h"

namespace pins {

PF_DEFINE_COLLECTION_ITEM(TPNExtCollectionItem, platform::TCollectionItem, nullptr)

void TPNExtCollectionItem::Destroy() {
  void** editor = CurrentEditorPtr;
  TCollectionItem::Destroy();
  if (editor) *editor = nullptr;
}

}  // namespace pins
