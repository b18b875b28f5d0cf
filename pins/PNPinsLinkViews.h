// Pins: state links and format converters as the pins see them.
// Part of pins/PNPins.h, which includes the pin headers in order.
#pragma once

#include "pins/PNPinsSink.h"

namespace pins {

// ---------------------------------------------------------------------------------------
// State links and format converters, as the pins see them. The state-link and converter
// units give the behaviour.

// One member of a state link as a delivery sees it.
struct TPNStateMember {
  TPNBasicPin* ConnectionPin = nullptr;
  TPNBasicPin* RealPin = nullptr;
  TPNBasicPin* AfterPin = nullptr;
};

class TPNStateDispatcher : public TPNPinObject {
  PF_CLASS(TPNStateDispatcher)
 public:
  // The members, copied under the link's read section.
  virtual std::vector<TPNStateMember> GetMembers();
  virtual std::string GetName() = 0;
  virtual int32_t GetPinCount() = 0;
  virtual TPNBasicPin* GetPin(int32_t Index) = 0;
  virtual TPNBasicPin* GetConnectionPin(int32_t Index) = 0;
  virtual TPNBasicPin* GetAfterPin(int32_t Index) = 0;
  virtual void AddPin(TPNBasicPin* AConnectionPin, TPNBasicPin* ARealPin) {
    AddPinAfter(AConnectionPin, ARealPin, nullptr);
  }
  virtual void AddPinAfter(TPNBasicPin* AConnectionPin, TPNBasicPin* ARealPin,
                           TPNBasicPin* NotifyAfterPin) = 0;
  virtual void RemovePin(TPNBasicPin* APin) = 0;
  virtual bool CanConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin,
                               bool UseConverters) = 0;
  virtual TPNBasicPin* GetAfterPinOf(TPNBasicPin* APin) = 0;
  // The converters used between members (last first when searched).
  virtual int32_t GetConverterCount() = 0;
  virtual IPNFormatConverter* GetConverter(int32_t Index) = 0;
  virtual void AddConverter(IPNFormatConverter* AConverter) = 0;
  // The converters, each referenced, copied under the link's read section.
  std::vector<RefPtr<IPNFormatConverter>> GetConverters();
  // Sends a new-link operation by state to ASinkPin, which has just been linked: from the
  // first member that is a source pin, else from every member that is not a sink pin.
  void PushNewLink(TPNBasicPin* ASinkPin);

 protected:
  TPNStateDispatcher() = default;

 private:
  // Deliveries holding the link, and whether its last member has given it up (it is freed
  // when both are over); guarded by the state-link unit.
  int32_t FHolds = 0;
  bool FDead = false;
  friend TPNStateDispatcher* AcquireStateLink(TPNBasicPin* APin);
  friend void ReleaseStateLink(TPNStateDispatcher* ALink);
  friend class TPNNamedStateDispatcher;
};

// Joins ASink to ALink through AConverter: the converter's output serves ASink, its input is
// the member the link talks to for ASink, fed by AFrom (the member that made the join; null
// for a join read from a form). Called under the link lock. False, and ASink not joined,
// when the converter's output cannot serve ASink.
bool AttachStateConverter(TPNStateDispatcher* ALink, const RefPtr<IPNFormatConverter>& AConverter,
                          TPNSinkPin* ASink, TPNBasicPin* AFrom, TPNBasicPin* NotifyAfterPin);

// The state link of a pin, kept alive until ReleaseStateLink even when its last members
// leave meanwhile (null when the pin has none). A delivery holds its link this way.
TPNStateDispatcher* AcquireStateLink(TPNBasicPin* APin);
void ReleaseStateLink(TPNStateDispatcher* ALink);

// A pin's state link held (AcquireStateLink) for a scope; Link is null when there is none.
class TPNStateLinkHold {
 public:
  explicit TPNStateLinkHold(TPNBasicPin* APin) : Link(AcquireStateLink(APin)) {}
  ~TPNStateLinkHold() { ReleaseStateLink(Link); }
  TPNStateLinkHold(const TPNStateLinkHold&) = delete;
  TPNStateLinkHold& operator=(const TPNStateLinkHold&) = delete;
  TPNStateDispatcher* const Link;
};

// What the pins need of a format converter: its two pins. The converter unit derives the
// converter component from this.
class TPNFormatConverterPins {
 public:
  virtual ~TPNFormatConverterPins() = default;
  TPNSinkPin* InputPin() const { return FInputPin; }
  TPNSourcePin* OutputPin() const { return FOutputPin; }

 protected:
  TPNSinkPin* FInputPin = nullptr;
  TPNSourcePin* FOutputPin = nullptr;
};

// The converter behind a pin's owner, when the owner is a format converter whose last
// reference is not gone yet (null for one being torn down).
RefPtr<IPNFormatConverter> ConverterOf(TComponent* AOwner);
// Whether a component is a format converter (class named TPNFormatConverter or below).
bool IsFormatConverter(TComponent* AOwner);
// The pins of a converter reached through its interface.
TPNFormatConverterPins* ConverterPins(IPNFormatConverter* AConverter);

}  // namespace pins
