// State links: any number of pins joined by state under one name. An operation that one
// member sends by state reaches every other member (or one chosen member).
//
// A link lives in one of two process-wide lists (design time, run time), found by name under
// PinRegistryLock. It is made when a pin first joins another by state, or when a name read
// from a form is not found, and frees itself when fewer than two members remain. A delivery
// running in another thread keeps the link alive (AcquireStateLink) until it ends, so the
// link's memory outlives every delivery that started on it.
//
// Each member may name an after-pin: a member that must be served before it. The chains of
// after-pins never close a cycle: a setting that would close one is refused.
//
// Lock order: link section first, PinRegistryLock second. A link never takes a member pin's
// lock while it holds its own section.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pins/PNPins.h"

namespace pins {

// One member of a state link: ConnectionPin is the pin the link talks to (a converter's pin,
// maybe), RealPin the member pin itself, AfterPin a member served before this one, or null.
// The link keeps its members in the form its deliveries see them.
using TPNDispatcherPinStorage = TPNStateMember;

class TPNNamedStateDispatcher : public TPNStateDispatcher {
  PF_CLASS(TPNNamedStateDispatcher)
  PF_ALLOW_NEW;

 public:
  // ---- The process-wide lists (searched under PinRegistryLock, names compared exactly)
  static std::vector<TPNStateDispatcher*>* SelectStateDispatcherList(bool DesignTime);
  static TPNNamedStateDispatcher* GetByName(const std::string& Name, bool DesignTime);
  // The link of that name, else a new one made by APin's CreateNamedDispatcher.
  static TPNStateDispatcher* GetByNameCreate(TPNBasicPin* APin, const std::string& Name,
                                             bool DesignTime);
  static bool IsUniqueName(const std::string& Name, bool DesignTime);
  // OwnerForm's name + "Link" + n for the first n = 1, 2, ... that no link of the form's kind
  // bears.
  static std::string GetUniqueName(TComponent* OwnerForm);

  // A new link of that name, entered into the list of its kind.
  static TPNNamedStateDispatcher* CreateNamed(const std::string& Name, bool DesignTime);
  // A new link with a unique name for OwnerForm.
  static TPNNamedStateDispatcher* Create(TComponent* OwnerForm);

  // ---- Members
  std::string GetName() override;
  bool DesignTime() const { return FDesignTime; }
  int32_t GetPinCount() override;
  TPNBasicPin* GetPin(int32_t Index) override;
  TPNBasicPin* GetConnectionPin(int32_t Index) override;
  TPNBasicPin* GetAfterPin(int32_t Index) override;
  std::vector<TPNStateMember> GetMembers() override;
  // No pin joins twice.
  void AddPinAfter(TPNBasicPin* AConnectionPin, TPNBasicPin* ARealPin,
                   TPNBasicPin* NotifyAfterPin) override;
  // Removes the member of APin; a link left with one member lets it go too and frees
  // itself (at once, or when the last delivery holding it ends).
  void RemovePin(TPNBasicPin* APin) override;
  bool IsConnectedTo(TPNBasicPin* APin);
  // Disconnects every member; the link is gone afterwards.
  void DisconnectAll();
  // Whether OtherPin may be served after NotifyAfterPin: the after-pin must be a member and
  // its chain of after-pins must not reach OtherPin.
  bool CanConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin,
                       bool UseConverters) override;
  TPNBasicPin* GetAfterPinOf(TPNBasicPin* APin) override;
  // The first member whose display name (without or with the root form name) is AAfterName
  // becomes APin's after-pin, unless that would close a cycle.
  void SetAfterPinByName(TPNBasicPin* APin, const std::string& AAfterName) override;
  std::string GetAfterPinDisplayName(TPNPin* APin) override;
  void PinDestroying(TPNBasicPin* APin) override;
  void ReplaceAfterPin(TPNBasicPin* AOld, TPNBasicPin* ANew) override;

  int32_t GetConverterCount() override;
  IPNFormatConverter* GetConverter(int32_t Index) override;
  void AddConverter(IPNFormatConverter* AConverter) override;

  // ---- What the form writer needs for links that span forms
  bool IsCrosForm();
  bool ConnectedToForm(TComponent* OwnerComponent);
  void ClearSavedForms();
  void AddSavedForm(TComponent* AForm);
  bool IsFormSaved(TComponent* AForm);
  int32_t CountSaved();

 protected:
  TPNNamedStateDispatcher() = default;
  void Destroy() override;

 private:
  int32_t IndexOfRealPin(TPNBasicPin* APin);  // under a section
  void LeaveLists();

  std::string FName;
  bool FDesignTime = false;
  std::vector<TPNDispatcherPinStorage> FPins;
  std::vector<RefPtr<IPNFormatConverter>> FFormatConverters;
  std::vector<TComponent*> FSavedForms;
  int32_t FCountSaved = 0;
};

// The hook through which the pin core finds a named state link.
TPNStateDispatcher* FindNamedStateDispatcher(const std::string& AName, bool DesignTime);

}  // namespace pins
