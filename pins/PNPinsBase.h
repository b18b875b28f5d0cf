// Pins: the base classes of pins.
// Part of pins/PNPins.h, which includes the pin headers in order.
#pragma once

#include "pins/PNPinsDelivery.h"

namespace pins {

// ---------------------------------------------------------------------------------------
// Pin classes

// Base of everything that takes part in links: pins and state links.
class TPNPinObject : public TPNObject {
  PF_CLASS(TPNPinObject)
 public:
  // Called on every registered pin while APin is being destroyed, so that it forgets APin.
  virtual void PinDestroying(TPNBasicPin* APin) { (void)APin; }
  // Every link or member whose after-pin is AOld takes ANew instead.
  virtual void ReplaceAfterPin(TPNBasicPin* AOld, TPNBasicPin* ANew) {
    (void)AOld;
    (void)ANew;
  }
  virtual void SetAfterPinByName(TPNBasicPin* APin, const std::string& AAfterName) {
    (void)APin;
    (void)AAfterName;
  }
  virtual std::string GetAfterPinDisplayName(TPNPin* APin) {
    (void)APin;
    return {};
  }

 protected:
  TPNPinObject() = default;
};

class TPNBasicPin : public TPNPinObject, public IPNStream {
  PF_CLASS(TPNBasicPin)
 public:
  // Set by an editor that shows the pin; destruction writes null through it.
  void** CurrentEditorPtr = nullptr;

  // IInterface: answers IPNStream and the interfaces that subclasses list; counts nothing.
  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  int32_t AddRef() override { return 1; }
  int32_t Release() override { return 1; }

  // Teardown: waits out the guard (calls through and into the pin, other threads'), then
  // disconnects (the class's own Disconnect), and under the link lock leaves AllPins and
  // makes every other pin forget it. Call it with no pin lock and not the link lock held.
  void BeforeDestruction() override;
  void AfterConstruction() override;

  virtual TComponent* GetOwner() { return nullptr; }
  virtual bool IsRootDestroying() { return false; }
  virtual void RemoveLink(TPNBasicPin* APin, bool Keep) {
    (void)APin;
    (void)Keep;
  }
  virtual void AddLink(TPNBasicPin* ASinkPin, TPNBasicPin* NotifyAfterPin) {
    (void)ASinkPin;
    (void)NotifyAfterPin;
  }
  // Hook called on the former source after a sink let go of it.
  virtual void LinksChanged() {}
  virtual bool CanLinkTo(TPNBasicPin* OtherPin, RefPtr<IPNFormatConverter>& ConverterIntf,
                         bool UseConverters, TClass& ConverterClass) = 0;
  virtual TPNPinType GetPinType() = 0;
  virtual TPNBasicPin* GetNotifyAfterPin(TPNBasicPin* APin);
  virtual bool DirectDependsOn(TPNBasicPin* OtherPin) { return DependsOn(OtherPin); }
  virtual TGUID GetConnectionID(TPNBasicPin* OtherPin) {
    (void)OtherPin;
    return {};
  }
  virtual std::string GetRootName();
  virtual TComponent* GetRoot();
  virtual std::string GetName() = 0;
  virtual std::string GetSaveName() { return GetName(); }
  virtual std::string GetOwnerName();
  virtual std::string GetFullName(bool IncludeRootForm) = 0;
  virtual std::string GetFullIdentName(bool IncludeRootForm) = 0;
  virtual bool DependsOn(TPNBasicPin* OtherPin) = 0;
  virtual bool IsCompatible(TPNBasicPin* OtherPin, bool UseConverters) = 0;
  virtual bool IsConnected() { return IsStateConnected(); }
  virtual bool IsStateConnected();
  virtual bool IsConnectedTo(TPNBasicPin* OtherPin) { return IsConnectedByStateTo(OtherPin); }
  virtual bool IsConnectedToAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) {
    return IsConnectedByStateToAfter(OtherPin, NotifyAfterPin);
  }
  virtual bool IsConnectedToState(TPNStateDispatcher* ADispatcher);
  virtual bool IsConnectedByStateTo(TPNBasicPin* OtherPin);
  virtual bool IsConnectedByStateToAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin);
  virtual bool IsConnectedByConverterTo(TPNBasicPin* OtherPin) {
    (void)OtherPin;
    return false;
  }
  virtual bool ConnectByState(TPNBasicPin* OtherPin) { return ConnectByStateAfter(OtherPin, nullptr); }
  virtual bool ConnectByStateAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin);
  virtual bool Connect(TPNBasicPin* OtherPin) { return ConnectAfter(OtherPin, nullptr); }
  virtual bool ConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin);
  virtual bool CanConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin,
                               bool UseConverters);
  virtual void Disconnect();
  virtual void DisconnectFrom(TPNBasicPin* OtherPin);
  virtual TPNNotifyResult Notify(IPNNotifyOperation* Operation) {
    (void)Operation;
    return {};
  }
  virtual void JoinStateByName(const std::string& Name);
  virtual void ResolvePlaceholders() {}
  virtual bool HasStateData();
  virtual bool HasStateConverter() { return false; }
  virtual bool HasFormData() { return HasStateData(); }
  // Form-resource values of the pin's links.
  virtual void ReadLinks(platform::TReader* Reader) { (void)Reader; }
  virtual void ReadState(platform::TReader* Reader) { (void)Reader; }
  virtual void WriteState(platform::TWriter* Writer) { (void)Writer; }
  virtual void WritePinListEntry(platform::TWriter* Writer) { (void)Writer; }
  virtual bool WritePinListLinks(platform::TWriter* Writer) {
    (void)Writer;
    return false;
  }
  virtual int32_t GetConnectedPinCount() { return 0; }
  virtual TPNBasicPin* GetConnectedPin(int32_t Index) {
    (void)Index;
    return nullptr;
  }
  virtual TPNBasicPin* GetConnectedAfterPin(int32_t Index) {
    return GetNotifyAfterPin(GetConnectedPin(Index));
  }
  virtual int32_t GetConnectedDispatcherCount() { return IsStateConnected() ? 1 : 0; }
  virtual TPNStateDispatcher* GetConnectedDispatcher(int32_t Index);
  virtual bool SetInEditor(bool Value) {
    (void)Value;
    return false;
  }
  virtual bool CanJoinState(TPNStateDispatcher* ADispatcher,
                            RefPtr<IPNFormatConverter>& ConverterIntf, bool UseConverters,
                            TClass& ConverterClass);
  virtual void DetachLinks() {}
  virtual std::string GetDisplayText();
  virtual bool LinkByName(TComponent* ARoot, const std::string& AName) {
    (void)ARoot;
    (void)AName;
    return false;
  }
  virtual bool IsLinkedTo(const std::string& PinName);
  virtual bool ConnectToState(TPNStateDispatcher* ADispatcher) {
    return ConnectToStateAfter(ADispatcher, nullptr);
  }
  virtual bool ConnectToStateAfter(TPNStateDispatcher* ADispatcher, TPNBasicPin* NotifyAfterPin);
  // State links are made by the state-link unit (pins/PNPinsStateLinks.h).
  virtual TPNStateDispatcher* CreateDispatcher(TComponent* ARoot);
  virtual TPNStateDispatcher* CreateNamedDispatcher(const std::string& AName, bool DesignTime);
  virtual bool IsDesigning() = 0;
  virtual void ResolveConnectionType(TPNBasicPin* APin, RefPtr<IPNFormatConverter>& ConverterIntf,
                                     TGUID& ID, bool UseConverters, TClass& ConverterClass) = 0;
  virtual TPNNotifyResult NotifyState(IPNNotifyOperation* Operation, TPNNotifyState State,
                                      TPNBasicPin* ATarget) = 0;
  virtual void PushToStateLink() {}
  virtual HRESULT QueryStreamType(const TGUID& ID, void** Obj) { return QueryInterface(ID, Obj); }

  // Non-virtual operations.
  bool CanConnectTo(TPNBasicPin* OtherPin, bool UseConverters);
  bool CanConnectToState(TPNStateDispatcher* ADispatcher);
  bool GetIsRealPin();
  // Whether the pin answers the stream type (QueryStreamType without keeping a reference).
  bool AcceptsStreamType(const TGUID& ID);

  TPNPinList* OwnerPinList() const { return FOwnerPinList; }
  void SetOwnerPinList(TPNPinList* AList) { FOwnerPinList = AList; }
  TObject* CustomData() const { return FCustomData; }
  void SetCustomData(TObject* AData) { FCustomData = AData; }
  // The state link the pin belongs to. The field is read and written only under the state
  // links' lifetime lock (pins/PNPinsStateLinks.cpp); a reader that goes on to use the link
  // holds it (TPNStateLinkHold) instead of reading it here. Dispatcher() serves for
  // comparisons only.
  TPNStateDispatcher* Dispatcher() const;
  void SetDispatcher(TPNStateDispatcher* ADispatcher);
  IPNDestroyLock* DestroyGuard() const { return FDestroyLock.Get(); }
  const std::string& LoadFormName() const { return FLoadFormName; }
  void SetLoadFormName(const std::string& AName) { FLoadFormName = AName; }

  // A name that begins with the form name under which the pin's links were stored (the
  // "Form" value) and a "." is rewritten to begin with the current root's name.
  void AdjustLoadedFormName(std::string& Name);

 protected:
  TPNBasicPin();
  void Destroy() override;

  // Leaves the pin's state link (if any); other members' calls into the pin are not
  // waited for. Takes the link lock.
  void LeaveStateLink();

  TPNPinList* FOwnerPinList = nullptr;
  TObject* FCustomData = nullptr;
  std::string FLoadFormName;
  RefPtr<IPNDestroyLock> FDestroyLock;

 private:
  TPNStateDispatcher* FDispatcher = nullptr;
  RefPtr<IPNDestroyLockSection> FTeardown;  // keeps guard sections refused while torn down
  RefPtr<IPNDestroyLockSection> FOwnerTeardown;  // the same, from the owner's teardown on
  friend void OwnerDestroying(TComponent* AOwner);
  RefPtr<IPNLockSection> FDestroyUnlock;    // own levels dropped for the rest of destruction
  bool FRegistered = false;
  friend class TPNStateLinkField;
};

// A pin owned by a component.
class TPNPin : public TPNBasicPin {
  PF_CLASS(TPNPin)
 public:
  TComponent* GetOwner() override { return FOwner; }
  bool IsRootDestroying() override;
  bool CanLinkTo(TPNBasicPin* OtherPin, RefPtr<IPNFormatConverter>& ConverterIntf,
                 bool UseConverters, TClass& ConverterClass) override;
  TGUID GetConnectionID(TPNBasicPin* OtherPin) override { return GetConnectionIDFor(OtherPin); }
  std::string GetRootName() override;
  std::string GetName() override;
  std::string GetSaveName() override;
  std::string GetFullName(bool IncludeRootForm) override;
  std::string GetFullIdentName(bool IncludeRootForm) override;
  bool IsCompatible(TPNBasicPin* OtherPin, bool UseConverters) override {
    (void)OtherPin;
    (void)UseConverters;
    return false;
  }
  TPNNotifyResult Notify(IPNNotifyOperation* Operation) override {
    return NotifyState(Operation, {}, nullptr);
  }
  void ResolvePlaceholders() override;
  bool IsDesigning() override;
  void ResolveConnectionType(TPNBasicPin* APin, RefPtr<IPNFormatConverter>& ConverterIntf,
                             TGUID& ID, bool UseConverters, TClass& ConverterClass) override;
  TPNNotifyResult NotifyState(IPNNotifyOperation* Operation, TPNNotifyState State,
                              TPNBasicPin* ATarget) override;

  // The pin's sections name the owner's lock as slave lock.
  [[nodiscard]] RefPtr<IPNLockSection> ReadLock() override;
  [[nodiscard]] RefPtr<IPNLockSection> WriteLock() override;

  // Form-resource values (pins/PNPinsFormLinks.cpp): "Form" and "State", and the pin's
  // entry in its pin list's "Pins" value.
  void ReadForm(platform::TReader* Reader);
  void WriteForm(platform::TWriter* Writer);
  void ReadState(platform::TReader* Reader) override;
  void WriteState(platform::TWriter* Writer) override;
  void WritePinListEntry(platform::TWriter* Writer) override;
  // The state link's part of "State" and "StateConverter".
  void WriteStateValue(platform::TWriter* Writer);

  virtual TGUID GetPrimaryConnectionID();
  virtual TGUID GetConnectionIDFor(TPNBasicPin* APin);

  std::string GetConnectionName(TPNBasicPin* OtherPin);
  // The submit function for a stream type: the pin's own, else the registry's send function.
  TPNSubmit GetSubmitFunction(const TGUID& ID);
  TPNNotifyResult DefaultNotifyDispatcher(IPNStream* Handler, const TGUID* DataTypeID,
                                          IPNNotifyOperation* Operation, TPNNotifyState State);
  bool IsOwnerLoading();

  IPNLock* OwnerLock() const { return FOwnerLock.Get(); }
  int32_t InSending() const { return FInSending.load(); }
  TPNPinStreamType* StreamType() const { return FStreamType; }

 protected:
  explicit TPNPin(TComponent* AOwner);
  TPNPin(TComponent* AOwner, IPNLock* AOwnerLock);
  void Destroy() override;
  void DefineProperties(platform::TFiler* Filer) override;

  TComponent* FOwner = nullptr;
  std::string FLastRootName;  // guarded by FRootNameMutex (GetRootName takes no pin lock)
  std::mutex FRootNameMutex;
  TPNPinStreamType* FStreamType = nullptr;
  std::atomic<int32_t> FInSending{0};
  bool FIsLoaded = false;
  RefPtr<IPNLock> FOwnerLock;
};

class TPNStreamPin : public TPNPin {
  PF_CLASS(TPNStreamPin)
 public:
  virtual void GetOfferedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin);
  virtual void GetAcceptedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin);
  virtual HRESULT CheckDownstreamType(const TGUID& ID) {
    (void)ID;
    return platform::S_OK;
  }
  virtual HRESULT CheckUpstreamType(const TGUID& ID) {
    (void)ID;
    return platform::S_OK;
  }
  virtual void CollectLinkedObjects(TPNObjectLists& ALists, TPNObjectList* AList);

  void AddType(const TGUID& ID, const TPNSubmit& SubmitFunction = {});

 protected:
  using TPNPin::TPNPin;
  // QueryStreamType of a linked direction: QueryInterface under the read section, refused
  // with ACheck's result (the reference released) when that is not S_OK.
  HRESULT QueryCheckedStream(const TGUID& ID, void** Obj,
                             HRESULT (TPNStreamPin::*ACheck)(const TGUID&));
};

}  // namespace pins
