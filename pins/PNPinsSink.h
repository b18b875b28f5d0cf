// Pins: sink pins.
// Part of pins/PNPins.h, which includes the pin headers in order.
#pragma once

#include "pins/PNPinsSource.h"

namespace pins {

// ---------------------------------------------------------------------------------------
// Sink pins

class TPNBasicSinkPin : public TPNStreamPin {
  PF_CLASS(TPNBasicSinkPin)
 public:
  bool CanLinkTo(TPNBasicPin* OtherPin, RefPtr<IPNFormatConverter>& ConverterIntf,
                 bool UseConverters, TClass& ConverterClass) override;
  bool IsCompatible(TPNBasicPin* OtherPin, bool UseConverters) override;

  // Dependency walks over linked pins (types that stay consistent along a chain).
  virtual void RestrictOfferedTypes(TPNPinTypeRestricted* AList, TPNBasicPin* AStartPin) {
    (void)AList;
    (void)AStartPin;
  }
  virtual void RestrictAcceptedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
    (void)AList;
    (void)AStartPin;
  }
  virtual HRESULT CheckUpstreamTypeFrom(const TGUID& ID, TPNBasicPin* AStartPin) {
    (void)ID;
    (void)AStartPin;
    return platform::S_OK;
  }
  virtual HRESULT CheckDownstreamTypeFrom(const TGUID& ID, TPNBasicPin* AStartPin) {
    (void)ID;
    (void)AStartPin;
    return platform::S_OK;
  }
  // The sink's link changed its type: the data-type dependants re-type their links.
  virtual void TypeChanged(const TGUID& ID, void* AValue) {
    (void)ID;
    (void)AValue;
  }
  virtual void PropagateType(const TGUID& ID, void* AValue) {
    (void)ID;
    (void)AValue;
  }
  virtual bool CanReceiveUpstreamFrom(TPNSourcePin* ASourcePin, bool UseConverters);
  virtual std::string GetUpStreamLinkName() { return {}; }
  virtual std::string GetDownStreamLinkName() { return {}; }
  virtual TPNBasicPin* GetSourcePin() { return nullptr; }
  virtual void WriteSource(platform::TWriter* Writer) { (void)Writer; }
  virtual void ReadStateConverter(platform::TReader* Reader) { (void)Reader; }
  virtual void WriteStateConverter(platform::TWriter* Writer) { (void)Writer; }
  virtual bool HasSourceData() { return false; }

  // The type in which this sink sends upstream to ASourcePin.
  TGUID UpstreamTypeFor(TPNSourcePin* ASourcePin, const TGUID& ADownstreamID);

  bool IgnoreUpstream() const { return FIgnoreUpstream; }
  void SetIgnoreUpstream(bool Value) { FIgnoreUpstream = Value; }
  std::vector<TPNSourcePin*>& FunctionDependants() { return FFunctionDependants; }
  std::vector<TPNSourcePin*>& DataTypeDependants() { return FDataTypeDependants; }

 protected:
  explicit TPNBasicSinkPin(TComponent* AOwner) : TPNStreamPin(AOwner) {}
  TPNBasicSinkPin(TComponent* AOwner, IPNLock* AOwnerLock) : TPNStreamPin(AOwner, AOwnerLock) {}

  std::vector<TPNSourcePin*> FFunctionDependants;
  std::vector<TPNSourcePin*> FDataTypeDependants;
  bool FIgnoreUpstream = false;
};

class TPNSinkPin : public TPNBasicSinkPin {
  PF_CLASS(TPNSinkPin)
  PF_ALLOW_NEW;

 public:
  void Assign(platform::TPersistent* Source) override;
  void PinDestroying(TPNBasicPin* APin) override;
  void RemoveLink(TPNBasicPin* APin, bool Keep) override;
  TPNPinType GetPinType() override { return ptSink; }
  TPNBasicPin* GetNotifyAfterPin(TPNBasicPin* APin) override;
  bool DirectDependsOn(TPNBasicPin* OtherPin) override;
  TGUID GetConnectionID(TPNBasicPin* OtherPin) override;
  bool DependsOn(TPNBasicPin* OtherPin) override;
  bool IsConnected() override;
  bool IsConnectedTo(TPNBasicPin* OtherPin) override;
  bool IsConnectedByConverterTo(TPNBasicPin* OtherPin) override;
  bool Connect(TPNBasicPin* OtherPin) override { return ConnectAfter(OtherPin, nullptr); }
  bool ConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) override;
  bool CanConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin,
                       bool UseConverters) override;
  void Disconnect() override;
  void DisconnectFrom(TPNBasicPin* OtherPin) override;
  // Sends upstream to the source.
  TPNNotifyResult Notify(IPNNotifyOperation* Operation) override;
  bool HasStateConverter() override;
  bool HasFormData() override { return HasStateData() || HasSourceData(); }
  bool WritePinListLinks(platform::TWriter* Writer) override;
  int32_t GetConnectedPinCount() override { return GetSourcePin() ? 1 : 0; }
  TPNBasicPin* GetConnectedPin(int32_t Index) override {
    (void)Index;
    return GetSourcePin();
  }
  bool CanJoinState(TPNStateDispatcher* ADispatcher, RefPtr<IPNFormatConverter>& ConverterIntf,
                    bool UseConverters, TClass& ConverterClass) override;
  void DetachLinks() override;
  std::string GetDisplayText() override;
  bool LinkByName(TComponent* ARoot, const std::string& AName) override;
  bool IsLinkedTo(const std::string& PinName) override;
  bool ConnectToState(TPNStateDispatcher* ADispatcher) override;
  bool ConnectToStateAfter(TPNStateDispatcher* ADispatcher, TPNBasicPin* NotifyAfterPin) override;
  void PushToStateLink() override;
  HRESULT QueryStreamType(const TGUID& ID, void** Obj) override;
  TGUID GetPrimaryConnectionID() override;
  std::string GetUpStreamLinkName() override;
  std::string GetDownStreamLinkName() override;
  TPNBasicPin* GetSourcePin() override;
  bool HasSourceData() override;
  void ReadLinks(platform::TReader* Reader) override;
  void WriteSource(platform::TWriter* Writer) override;
  void ReadStateConverter(platform::TReader* Reader) override;
  void WriteStateConverter(platform::TWriter* Writer) override;

  // Links to the source named by its saved ident ("nil" disconnects).
  bool TryLinkTo(TComponent* Root, const std::string& Soutce, const std::string& SoutceName,
                 bool SaveForm);
  TGUID GetUpStreamID();
  TGUID GetDownStreamID();
  RefPtr<IPNFormatConverter> GetFormatConverter();
  TPNBasicPin* ConnectionSourcePin();
  // Sets the connection source (a converter's output pin serving this sink). Takes the
  // pin's lock; called under the link lock.
  void SetConnectionSourcePin(TPNBasicPin* APin);
  // Sets the real source references without negotiation (placeholders, state converters).
  // Takes the pin's lock; called under the link lock.
  void SetRealSourcePin(TPNBasicPin* APin);
  // Lets a converter's input pin send upstream to the source that feeds it (the source
  // lists the converter's sinks, not this pin). Null forgets the source.
  void SetFeedingSource(TPNSourcePin* ASource);

  // Dependency walks and re-typing (pins/PNPinsDepends.cpp).
  void GetOfferedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) override;
  void GetAcceptedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) override;
  HRESULT CheckDownstreamType(const TGUID& ID) override;
  HRESULT CheckUpstreamType(const TGUID& ID) override;
  void CollectLinkedObjects(TPNObjectLists& ALists, TPNObjectList* AList) override;
  void RestrictOfferedTypes(TPNPinTypeRestricted* AList, TPNBasicPin* AStartPin) override;
  void RestrictAcceptedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) override;
  HRESULT CheckUpstreamTypeFrom(const TGUID& ID, TPNBasicPin* AStartPin) override;
  HRESULT CheckDownstreamTypeFrom(const TGUID& ID, TPNBasicPin* AStartPin) override;
  void TypeChanged(const TGUID& ID, void* AValue) override;
  void PropagateType(const TGUID& ID, void* AValue) override;

 protected:
  explicit TPNSinkPin(TComponent* AOwner) : TPNBasicSinkPin(AOwner) {}
  TPNSinkPin(TComponent* AOwner, IPNLock* AOwnerLock) : TPNBasicSinkPin(AOwner, AOwnerLock) {}
  void Destroy() override;
  void DefineProperties(platform::TFiler* Filer) override;

  // Unlinks from the current source (and from a converter's output serving the sink); the
  // former source's LinksChanged is called afterwards.
  void UnlinkSource(bool Keep);
  // The link step of ConnectAfter: registers with ASource (AddLink) and records it. False,
  // with nothing left half made, when the source refused.
  bool LinkSource(TPNSourcePin* ASource, TPNBasicPin* NotifyAfterPin);
  // The upstream type and submit function towards ASource, computed anew and stored while
  // AField still names ASource.
  void UpdateUpstream(TPNSourcePin* ASource, TPNBasicPin* TPNSinkPin::*AField, bool UseConverters);
  // The current source (real or placeholder), its guard held in AHold; null when none or
  // when it is being destroyed.
  TPNBasicPin* HoldSource(TGuardHold& AHold);

  TPNBasicPin* FConnectionSourcePin = nullptr;
  TPNBasicPin* FRealSourcePin = nullptr;
  TPNBasicPin* FIntRealSourcePin = nullptr;
  TPNSubmit FSubmitFunction;
  TGUID FConnectedID;

  friend struct TPNDependsWalk;
  friend bool AttachStateConverter(TPNStateDispatcher*, const RefPtr<IPNFormatConverter>&,
                                   TPNSinkPin*, TPNBasicPin*, TPNBasicPin*);
};

}  // namespace pins
