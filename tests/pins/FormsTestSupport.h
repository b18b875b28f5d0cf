// Test components for pin lists, placeholders, state links and form resources: a component
// that publishes an owning list of sink pins ("Sinks"), and a fixture that also checks that
// no placeholder outlives a test.
#pragma once

#include "pins/PNPinsLists.h"
#include "pins/PNPinsPlaceholders.h"
#include "pins/PNPinsStateLinks.h"
#include "tests/pins/PinsTestSupport.h"

namespace pinstest {

class TSinkListComponent : public TComponent {
  PF_CLASS(TSinkListComponent)
  PF_ALLOW_NEW;

 public:
  RefPtr<IPNLock> Lock;
  TPNPinList* FSinks = nullptr;
  TPNPinList* Sinks() const { return FSinks; }
  // A new sink pin of this component, added to the list.
  TTestSinkPin* AddSink();
  // Adds sinks until the list holds Value items (published: a form makes them first).
  int32_t SinkCount() { return FSinks->EntryCount(); }
  void SetSinkCount(int32_t Value) {
    while (FSinks->EntryCount() < Value) AddSink();
  }

 protected:
  explicit TSinkListComponent(TComponent* owner);
  void Destroy() override;
};

// The number of placeholders alive.
int32_t UnloadedCount();

class FormsPinsTest : public PinsTest {
 protected:
  void TearDown() override;
  TSinkListComponent* AddList(const char* name);
};

}  // namespace pinstest
