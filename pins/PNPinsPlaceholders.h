// Placeholder pins: stand-ins for pins that do not exist yet.
//
// When a link read from a form names a pin that no loaded pin bears (its form is not loaded
// yet, or it is a pin-list item not created yet), a placeholder takes the missing pin's
// names and type and records every link made to it. When the real pin arrives, the
// placeholder replays its links onto it and destroys itself. A placeholder delivers nothing
// and accepts every link.
//
// Every placeholder is owned by the process-wide list UnloadedPins: taking it out of that
// list (DestroyPlaceholder) is the one way it is destroyed. A pin list that holds a
// placeholder as an item only refers to it and is told when it goes.
#pragma once

#include <string>
#include <vector>

#include "pins/PNPins.h"

namespace pins {

class TPNUnloadedPin : public TPNBasicPin {
  PF_CLASS(TPNUnloadedPin)
  PF_ALLOW_NEW;

 public:
  // A new placeholder, owned by UnloadedPins; its guard is taken into AHold (when given)
  // before another thread can find it.
  static TPNUnloadedPin* Create(TComponent* ARoot, TPNPinType AType,
                                const std::string& APinIdentName,
                                const std::string& APinDisplayName,
                                const std::string& ACreatedFrom, TGuardHold* AHold = nullptr);

  // Hands every recorded link over to APin and destroys the placeholder. The caller keeps
  // the placeholder alive with a guard section (AHeld), which is released before the
  // placeholder is destroyed.
  void PopulatePinAndDestroy(TPNBasicPin* APin, TGuardHold* AHeld = nullptr);

  TComponent* GetRoot() override { return nullptr; }
  std::string GetName() override;
  std::string GetFullName(bool IncludeRootForm) override;
  std::string GetFullIdentName(bool IncludeRootForm) override;
  TPNPinType GetPinType() override { return FType; }
  bool IsDesigning() override { return true; }
  bool DependsOn(TPNBasicPin* OtherPin) override {
    (void)OtherPin;
    return false;
  }
  bool IsCompatible(TPNBasicPin* OtherPin, bool UseConverters) override {
    (void)OtherPin;
    (void)UseConverters;
    return true;
  }
  bool CanLinkTo(TPNBasicPin* OtherPin, RefPtr<IPNFormatConverter>& ConverterIntf,
                 bool UseConverters, TClass& ConverterClass) override;
  void ResolveConnectionType(TPNBasicPin* APin, RefPtr<IPNFormatConverter>& ConverterIntf,
                             TGUID& ID, bool UseConverters, TClass& ConverterClass) override;
  TPNNotifyResult NotifyState(IPNNotifyOperation* Operation, TPNNotifyState State,
                              TPNBasicPin* ATarget) override;
  bool IsConnected() override;
  bool IsConnectedTo(TPNBasicPin* OtherPin) override;
  void AddLink(TPNBasicPin* ASinkPin, TPNBasicPin* NotifyAfterPin) override;
  void RemoveLink(TPNBasicPin* APin, bool Keep) override;
  bool Connect(TPNBasicPin* OtherPin) override { return ConnectAfter(OtherPin, nullptr); }
  bool ConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) override;
  void Disconnect() override;
  void DisconnectFrom(TPNBasicPin* OtherPin) override { RemoveLink(OtherPin, false); }
  void PinDestroying(TPNBasicPin* APin) override;
  void ReplaceAfterPin(TPNBasicPin* AOld, TPNBasicPin* ANew) override;
  TPNBasicPin* GetNotifyAfterPin(TPNBasicPin* APin) override;
  int32_t GetConnectedPinCount() override;
  TPNBasicPin* GetConnectedPin(int32_t Index) override;
  bool SetInEditor(bool Value) override;
  // Destroys the placeholder when it has no links and neither a pin list nor an editor
  // holds it.
  void LinksChanged() override;

  bool OwnedByList() const { return FOwnedByList; }
  void SetOwnedByList(bool Value) { FOwnedByList = Value; }
  const std::string& CreatedFrom() const { return FCreatedFrom; }
  // Set (under the registry lock) when the placeholder is taken out of UnloadedPins to be
  // freed: look-ups by name no longer find it.
  bool Dropped() const { return FDropped; }

 protected:
  friend void DestroyPlaceholder(TPNBasicPin* APlaceholder);
  TPNUnloadedPin(TComponent* ARoot, TPNPinType AType, const std::string& APinIdentName,
                 const std::string& APinDisplayName, const std::string& ACreatedFrom);
  void Destroy() override;

 private:
  struct TRecord {
    TPNBasicPin* RealPin = nullptr;
    TPNBasicPin* NotifyAfterPin = nullptr;
  };
  // The records whose pins are not being destroyed, each guard held in AHolds.
  std::vector<TRecord> Records(TGuardHolds& AHolds);

  std::string FDisplayName;
  std::string FIdentName;
  TPNPinType FType = ptSink;
  std::vector<TRecord> FConnectedPins;
  bool FOwnedByList = false;
  bool FDropped = false;  // read and written under the registry lock
  bool FInRemove = false;
  bool FInEditor = false;
  TComponent* FRoot = nullptr;
  bool FDesignTime = false;
  std::string FCreatedFrom;
};

// Takes a placeholder out of UnloadedPins and destroys it (nothing when it is not there).
void DestroyPlaceholder(TPNBasicPin* APlaceholder);

// The hooks through which the pin core makes and resolves placeholders.
TPNBasicPin* NewPlaceholderPin(TComponent* ARoot, TPNPinType AType,
                               const std::string& APinIdentName,
                               const std::string& APinDisplayName,
                               const std::string& ACreatedFrom, TGuardHold* AHold);
void PopulatePlaceholderPin(TPNBasicPin* APlaceholder, TPNBasicPin* APin, TGuardHold* AHeld);

}  // namespace pins
