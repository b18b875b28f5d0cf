// Pins: the typed connection points through which components exchange notify operations.
//
// A component owns its pins. A source pin (output) keeps an ordered list of links to sink
// pins (inputs) and delivers every operation its owner sends to them synchronously, in the
// sending thread; a sink pin has at most one source and sends operations back upstream.
// The two ends of a link agree on a stream type (a GUID that is also the interface id of the
// receiving pin's typed stream interface) when the link is made.
//
// Locking: every pin has its own recursive lock (TPNObject) and names its owner component's
// lock as slave lock of its sections. A pin calls another pin with its own lock dropped and
// the other pin's destroy guard held (CallPeer, pins/PNPinsGuards.h); deliveries drop the
// sender's own and owner's locks and hold guards of the sender and of each pin they call
// into. A pin's destruction waits until no guard section of it is held, so a pin is never
// freed under a call running through it or into it. Every change of links holds the link
// lock. The order of all these locks is written once in docs/ARCHITECTURE.md ("Lock order");
// each function that takes, drops or calls out while holding a lock says which above it.
//
// Pins are not owned by reference counts: they answer QueryInterface for their stream
// interfaces, but AddRef and Release count nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "pins/PNPinsLocks.h"
#include "pins/PNPinsRegistries.h"
#include "platform/Classes.h"
#include "platform/Components.h"
#include "platform/Interfaces.h"
#include "platform/Methods.h"
#include "platform/Properties.h"
#include "platform/SysUtils.h"

namespace platform {
class TReader;
class TWriter;
}  // namespace platform

namespace pins {

using platform::HRESULT;
using platform::IInterface;
using platform::RefPtr;
using platform::TClass;
using platform::TComponent;
using platform::TGUID;
using platform::TObject;

using platform::Exception;
PF_DECLARE_EXCEPTION(EPNException, Exception);

// The message of the re-entry guard of source pins.
extern const char* const SPinDependsOnItself;

// ---------------------------------------------------------------------------------------
// Delivery vocabulary

enum TPNNotifyStateItem : uint8_t { nsNewLink, nsLastIteration };
enum TPNNotifyResultItem : uint8_t { nrDataChanged };

// The delivery state (bit values 1 and 2) and result (bit value 1) sets.
struct TPNNotifyState : platform::TSet<TPNNotifyStateItem> {
  constexpr TPNNotifyState() = default;
  constexpr TPNNotifyState(std::initializer_list<TPNNotifyStateItem> items) : TSet(items) {}
  constexpr TPNNotifyState(platform::TSet<TPNNotifyStateItem> set) : TSet(set) {}
};
struct TPNNotifyResult : platform::TSet<TPNNotifyResultItem> {
  constexpr TPNNotifyResult() = default;
  constexpr TPNNotifyResult(std::initializer_list<TPNNotifyResultItem> items) : TSet(items) {}
  constexpr TPNNotifyResult(platform::TSet<TPNNotifyResultItem> set) : TSet(set) {}
};

enum TPNPinType { ptSource = 0, ptSink = 1, ptState = 2, ptMultiSink = 3, ptDispatcher = 4 };

class TPNNotifyOperation;
class TPNBasicPin;
class TPNPin;
class TPNStreamPin;
class TPNSourcePin;
class TPNBasicSinkPin;
class TPNSinkPin;
class TPNStateDispatcher;
class TPNFormatConverter;
class TPNPinList;
class TGuardHold;
class TGuardHolds;

// A notify operation: a reference-counted message whose class is its kind.
struct IPNNotifyOperation : virtual IInterface {
  static constexpr TGUID IID = TGUID::Parse("{AC2714E1-1E70-4C60-ABBB-EA27737CEE74}");
  virtual TPNNotifyOperation* Instance() = 0;
};

// The handler a submit function receives: every pin implements it.
struct IPNStream : virtual IInterface {
  static constexpr TGUID IID = TGUID::Parse("{2BFF1BE1-1698-4CFA-A427-9E0801C5B357}");
};

// The base operation (sent with nsNewLink to new links) and the base of every kind. Each
// operation carries a process-wide increasing identifier; the first one made is 1.
class TPNNotifyOperation : public platform::TInterfacedObject, public IPNNotifyOperation {
  PF_CLASS(TPNNotifyOperation)
  PF_ALLOW_NEW;

 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IPNNotifyOperation>(this, iid, object);
  }
  TPNNotifyOperation* Instance() override { return this; }
  uint32_t OperationID() const { return FOperationID; }

  // A new base operation held by an interface reference.
  static RefPtr<IPNNotifyOperation> Make();

 protected:
  TPNNotifyOperation();

 private:
  uint32_t FOperationID = 0;
};

// The identifier the next operation made will carry minus one (for tests and diagnostics).
uint32_t LastNotifyOperationID();

// The sending side's submit function: called with the receiving pin's stream interface.
using TPNSubmit = platform::TMethod<TPNNotifyResult(IPNStream* Handler, const TGUID* DataTypeID,
                                                    IPNNotifyOperation* Operation,
                                                    TPNNotifyState State)>;

// TPNGlobalSubmit, the stream-type registry's send function of a type, is declared with the
// registry (pins/PNPinsRegistries.h).

struct TPNPinTypeEntry {
  TGUID ID;
  TPNSubmit SubmitFunction;
};

// The stream types a pin carries, in insertion order, each with the submit function the pin
// uses for it.
class TPNPinStreamType {
 public:
  virtual ~TPNPinStreamType() = default;

  // Replaces the submit function of an entry with the same ID in place, else appends.
  void AddType(const TGUID& ID, const TPNSubmit& SubmitFunction);
  void RemoveType(const TGUID& ID);
  void SwapPosition(int32_t Index1, int32_t Index2);
  void ClearTypes() { Types.clear(); }
  const TGUID& GetID(int32_t Index) const { return Types[static_cast<size_t>(Index)].ID; }
  const TPNSubmit& GetSubmitFunc(int32_t Index) const {
    return Types[static_cast<size_t>(Index)].SubmitFunction;
  }
  int32_t GetLength() const { return static_cast<int32_t>(Types.size()); }
  int32_t IndexOf(const TGUID& ID) const;

  std::vector<TPNPinTypeEntry> Types;
};

// The scratch list that type negotiation fills and narrows.
class TPNPinTypeRestricted : public TPNPinStreamType {
 public:
  bool Ordered = false;
};

// A list of pin objects collected by dependency walks. It counts its own references and
// frees itself with the last one.
struct IPNObjectList : virtual IInterface {
  static constexpr TGUID IID{};
  virtual int32_t Add(TPNBasicPin* APin) = 0;
  virtual TPNBasicPin* GetItem(int32_t Index) = 0;
  virtual void SetItem(int32_t Index, TPNBasicPin* APin) = 0;
  virtual int32_t Count() = 0;
};

class TPNObjectList : public platform::TInterfacedObject, public IPNObjectList {
  PF_CLASS(TPNObjectList)
  PF_ALLOW_NEW;

 public:
  static RefPtr<TPNObjectList> Create() { return RefPtr<TPNObjectList>(platform::New<TPNObjectList>()); }
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IPNObjectList>(this, iid, object);
  }
  int32_t AddRef() override { return TInterfacedObject::AddRef(); }
  int32_t Release() override { return TInterfacedObject::Release(); }
  int32_t Add(TPNBasicPin* APin) override {
    Items.push_back(APin);
    return static_cast<int32_t>(Items.size()) - 1;
  }
  TPNBasicPin* GetItem(int32_t Index) override { return Items.at(static_cast<size_t>(Index)); }
  void SetItem(int32_t Index, TPNBasicPin* APin) override { Items.at(static_cast<size_t>(Index)) = APin; }
  int32_t Count() override { return static_cast<int32_t>(Items.size()); }

  std::vector<TPNBasicPin*> Items;

 protected:
  TPNObjectList() = default;
};
// The further lists of a dependency walk (each branch after the first).
using TPNObjectLists = std::vector<RefPtr<TPNObjectList>>;

// The format converter interface (the converter base class is declared below the pins).
struct IPNFormatConverter : virtual IInterface {
  static constexpr TGUID IID = TGUID::Parse("{F8E1AE7F-ABD3-4BC0-984D-2CC34D2D83CB}");
  virtual TPNFormatConverter* GetInstance() = 0;
  // Adds a reference unless the last one is gone already (the converter is being torn down).
  virtual bool TryAddRef() = 0;
};

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


// ---------------------------------------------------------------------------------------
// Source pins

// One link of a source pin.
struct TPNPinEntry {
  TPNBasicPin* ConnectionPin = nullptr;  // the sink, or the input pin of the converter serving it
  TPNBasicPin* RealPin = nullptr;        // the linked sink: the link's identity
  TPNBasicPin* NotifyAfterPin = nullptr; // a sink after which this one is served
  TGUID ConnectedID;                     // the negotiated type; null when none
  TPNSubmit SubmitFunction;              // the source's submit function for ConnectedID
  int32_t ModificationLevel = 0;         // the weight; raised by reported data changes
  uint64_t Serial = 0;                   // unique per link made: a relinked sink is a new link
};

// The links of a source pin in delivery order; owns its records.
class TPNPinEntryList {
 public:
  TPNPinEntryList() = default;
  TPNPinEntryList(const TPNPinEntryList&) = delete;
  TPNPinEntryList& operator=(const TPNPinEntryList&) = delete;
  ~TPNPinEntryList() { Clear(); }

  TPNPinEntry* Add();
  void Remove(TPNPinEntry* Item);
  void Delete(int32_t Index);
  void Clear();
  TPNPinEntry* GetItemByPin(TPNBasicPin* APin) const;
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TPNPinEntry* operator[](int32_t Index) const { return FItems[static_cast<size_t>(Index)]; }
  // The class library's list operations, with their exact order behaviour: Sort is the
  // middle-pivot quicksort (not stable), Move deletes and then inserts.
  void Sort(int (*Compare)(const TPNPinEntry* A, const TPNPinEntry* B));
  void Move(int32_t CurIndex, int32_t NewIndex);

 private:
  std::vector<TPNPinEntry*> FItems;
};

// One element of a delivery snapshot: a copy of the entry and, for an entry served through
// a converter, a reference that keeps the converter alive for the delivery.
struct TPNNotifyPinEntry {
  TPNPinEntry Entry;
  RefPtr<IPNFormatConverter> Converter;
};

// Sink pins a source depends on (functional) or takes its type from (data type). Adding a
// sink also records the source in the sink's list of dependants.
class TPNSinkPinList {
 public:
  explicit TPNSinkPinList(TPNSourcePin* AOwner) : FOwner(AOwner) {}
  virtual ~TPNSinkPinList() = default;
  int32_t Count();
  TPNBasicSinkPin* Items(int32_t Index);
  virtual void Add(TPNBasicSinkPin* APin);
  virtual void Remove(TPNBasicSinkPin* APin);
  bool Contains(TPNBasicPin* APin);

 protected:
  std::vector<TPNBasicSinkPin*> FList;
  TPNSourcePin* FOwner;
};

class TPNFunctionSinkPinList : public TPNSinkPinList {
 public:
  using TPNSinkPinList::TPNSinkPinList;
  void Add(TPNBasicSinkPin* APin) override;
  void Remove(TPNBasicSinkPin* APin) override;
};

class TPNDataTypeSinkPinList : public TPNSinkPinList {
 public:
  using TPNSinkPinList::TPNSinkPinList;
  void Add(TPNBasicSinkPin* APin) override;
  void Remove(TPNBasicSinkPin* APin) override;
};

// Stream-type negotiation between a source and a sink: own types (last first), then the
// source's converters, then (with UseGlobal) the converter registry.
void NegotiateStreamType(TPNSourcePin* Source, TPNBasicPin* Sink, bool UseConverters, TGUID& ID,
                         TClass& ConverterClass, RefPtr<IPNFormatConverter>& ConverterIntf,
                         bool UseGlobal);
// The registered converter (last registered first) that takes one of ATypes (last first) to
// a type APin accepts: sets ID to its input type and ConverterClass; false when none does.
bool FindRegisteredConverter(const TPNPinStreamType& ATypes, TPNBasicPin* APin, TGUID& ID,
                             TClass& ConverterClass);

class TPNSourcePin : public TPNStreamPin {
  PF_CLASS(TPNSourcePin)
  PF_ALLOW_NEW;

 public:
  // Part of the pin life cycle.
  void PinDestroying(TPNBasicPin* APin) override;
  void ReplaceAfterPin(TPNBasicPin* AOld, TPNBasicPin* ANew) override;
  void SetAfterPinByName(TPNBasicPin* APin, const std::string& AAfterName) override;
  std::string GetAfterPinDisplayName(TPNPin* APin) override;
  void RemoveLink(TPNBasicPin* APin, bool Keep) override;
  void AddLink(TPNBasicPin* ASinkPin, TPNBasicPin* NotifyAfterPin) override;
  bool CanLinkTo(TPNBasicPin* OtherPin, RefPtr<IPNFormatConverter>& ConverterIntf,
                 bool UseConverters, TClass& ConverterClass) override;
  TPNPinType GetPinType() override { return ptSource; }
  TPNBasicPin* GetNotifyAfterPin(TPNBasicPin* APin) override;
  bool DirectDependsOn(TPNBasicPin* OtherPin) override;
  TGUID GetConnectionID(TPNBasicPin* OtherPin) override;
  bool DependsOn(TPNBasicPin* OtherPin) override;
  bool IsCompatible(TPNBasicPin* OtherPin, bool UseConverters) override;
  bool IsConnected() override;
  bool IsConnectedTo(TPNBasicPin* OtherPin) override;
  bool IsConnectedToAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) override;
  bool IsConnectedByConverterTo(TPNBasicPin* OtherPin) override;
  bool Connect(TPNBasicPin* OtherPin) override { return ConnectAfter(OtherPin, nullptr); }
  bool ConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin) override;
  bool CanConnectAfter(TPNBasicPin* OtherPin, TPNBasicPin* NotifyAfterPin,
                       bool UseConverters) override;
  void Disconnect() override;
  void DisconnectFrom(TPNBasicPin* OtherPin) override;
  // Sends downstream to every sink.
  TPNNotifyResult Notify(IPNNotifyOperation* Operation) override {
    return NotifySinks(nullptr, Operation);
  }
  bool HasFormData() override { return HasStateData() || HasSinks(); }
  bool WritePinListLinks(platform::TWriter* Writer) override;
  int32_t GetConnectedPinCount() override { return GetSinkCount(); }
  TPNBasicPin* GetConnectedPin(int32_t Index) override { return GetSink(Index); }
  bool SetInEditor(bool Value) override;
  std::string GetDisplayText() override;
  bool LinkByName(TComponent* ARoot, const std::string& AName) override;
  bool IsLinkedTo(const std::string& PinName) override;
  void PushToStateLink() override;
  HRESULT QueryStreamType(const TGUID& ID, void** Obj) override;
  TGUID GetPrimaryConnectionID() override;
  // Dependency walks (pins/PNPinsDepends.cpp).
  void GetOfferedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) override;
  void GetAcceptedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) override;
  HRESULT CheckDownstreamType(const TGUID& ID) override;
  HRESULT CheckUpstreamType(const TGUID& ID) override;
  void CollectLinkedObjects(TPNObjectLists& ALists, TPNObjectList* AList) override;

  // New operations.
  virtual int32_t GetSinkCount();
  virtual TPNBasicPin* GetSink(int32_t Index);
  virtual bool CanDeliverTo(TPNBasicSinkPin* ASinkPin, bool UseConverters);
  virtual void PushToSink(TPNBasicSinkPin* ASinkPin, const TPNSubmit& ASubmitFunction);
  virtual void PushToNewSink(TPNBasicSinkPin* ASinkPin);
  virtual void WriteSinks(platform::TWriter* Writer);
  // "SinkPins".
  void ReadLinks(platform::TReader* Reader) override;
  virtual bool HasSinks();
  virtual bool LinkToSink(TPNBasicPin* APin, TPNBasicPin* NotifyAfterPin);
  // Whether the pin has a link entry for APin (state links not counted).
  bool HasLinkTo(TPNBasicPin* APin);

  // Delivery to all sinks (ATarget null) or to the one sink ATarget.
  TPNNotifyResult NotifySinks(TPNBasicPin* ATarget, IPNNotifyOperation* Operation);
  std::string GetSinkName(int32_t Index);
  int32_t GetConverterCount();
  IPNFormatConverter* GetConverter(int32_t Index);
  // The weight of the link to APin (-1 when APin is not linked).
  int32_t GetSinkWeight(TPNBasicPin* APin);

  TPNFunctionSinkPinList* FunctionSources() const { return FFunctionSources; }
  TPNDataTypeSinkPinList* DataTypeSources() const { return FDataTypeSources; }
  IPNLock* InputOwnerLock() const { return FInputOwnerLock.Get(); }

 protected:
  explicit TPNSourcePin(TComponent* AOwner);
  TPNSourcePin(TComponent* AOwner, IPNLock* AOwnerLock, IPNLock* AInputOwnerLock);
  void Destroy() override;
  void DefineProperties(platform::TFiler* Filer) override;

  // Reorders the links by weight and after-pins; runs after every delivery.
  void Reschedule();
  // The per-sink step of the source-side unlink.
  void UnlinkSink(TPNBasicPin* APin);
  // Removes the entry of APin and releases converters that serve no sink any more.
  void DeleteEntryOf(TPNBasicPin* APin);
  void ReleaseUnusedConverters(TPNBasicPin* APin);
  // Whether this thread is inside one of this pin's removals (nested removals do nothing).
  bool InDisconnect() const;

  RefPtr<IPNLock> FInputOwnerLock;
  TPNPinEntryList* FSinkPins = nullptr;
  std::vector<RefPtr<IPNFormatConverter>>* FFormatConverters = nullptr;
  TPNFunctionSinkPinList* FFunctionSources = nullptr;
  TPNDataTypeSinkPinList* FDataTypeSources = nullptr;
  bool FInEditor = false;
  // Raised whenever a link entry is removed or serves another pin: a delivery that made
  // its snapshot under another value looks its entries up again before each call.
  std::atomic<uint32_t> FLinkGeneration{0};

 private:
  void InitSourcePin();
  // The entry step of AddLink: negotiates, inserts or reuses a converter (only with
  // UseConverters) and appends the entry. False, and nothing made, when no type is found
  // for a converter or when the pin is being destroyed.
  bool MakeLink(TPNBasicPin* ASinkPin, TPNBasicPin* NotifyAfterPin, bool UseConverters);
  // The first operation to the sink of AEntry, through its converter when it has one.
  void PushToEntry(const TPNPinEntry& AEntry);
  // The linked sinks not being destroyed, each guard held in AHolds.
  std::vector<TPNBasicPin*> HoldSinks(TGuardHolds& AHolds);
  friend bool AttachStateConverter(TPNStateDispatcher*, const RefPtr<IPNFormatConverter>&,
                                   TPNSinkPin*, TPNBasicPin*, TPNBasicPin*);
  friend void NegotiateStreamType(TPNSourcePin*, TPNBasicPin*, bool, TGUID&, TClass&,
                                  RefPtr<IPNFormatConverter>&, bool);
  friend struct TPNDependsWalk;
};

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

// ---------------------------------------------------------------------------------------
// Names (pin paths over published properties)

// The root component: the component itself when it has no owner, is owned by the
// application object or is a form; otherwise the root of its owner.
TComponent* GetRootComponent(TComponent* C);
// The two parts of a dotted pin name around its first dot: the root's name and the rest
// (each empty when the name has no dot).
std::string RootNamePart(const std::string& AName);
std::string AfterRootNamePart(const std::string& AName);
// A name read from a form stored under ALoadFormName, made a name of ARoot: only a whole
// first segment is the form name ("Form1" is no prefix of "Form10.X").
void AdjustFormNamePart(std::string& AName, const std::string& ALoadFormName, TComponent* ARoot);
// Every name of a pin: root (optional), owner, property path.
std::string GetPinPath(TPNPin* Pin, bool IncludeRootForm, bool IdentForm);
// The published-property path from Object to Target ("" when not reachable).
std::string FindPinPath(TObject* Object, const std::string& ClassName, TObject* Target);
// Every object of class ClassName reachable through published properties, with its path.
// False when the walk of Object's own properties ended by an exception.
struct TPNPinPathItem {
  std::string Path;
  TObject* Object = nullptr;
};
bool CollectPinPaths(TObject* Object, const std::string& ClassName, bool UseIndexNames,
                     std::vector<TPNPinPathItem>& List, int32_t Depth = 0);

// What pin names need of pin lists (set by the pin-list unit; null until then). The list is
// passed as the object found in the owner's published properties.
struct TPNPinListAccess {
  int32_t (*Count)(TObject* AList) = nullptr;
  TPNBasicPin* (*Item)(TObject* AList, int32_t Index) = nullptr;
  // The item's display name: its own name, or "Pin [" + Index + "]".
  std::string (*ItemName)(TObject* AList, int32_t Index) = nullptr;
  // The pin list object that holds a pin (its FOwnerPinList).
  TObject* (*AsObject)(TPNPinList* AList) = nullptr;
};
extern TPNPinListAccess PinListAccess;

// ---------------------------------------------------------------------------------------
// Process-wide lists

class TPNBasicPinList {
 public:
  explicit TPNBasicPinList(bool AOwnsObjects = false) : FOwnsObjects(AOwnsObjects) {}
  virtual ~TPNBasicPinList();
  TPNBasicPinList(const TPNBasicPinList&) = delete;
  TPNBasicPinList& operator=(const TPNBasicPinList&) = delete;

  int32_t Add(TPNBasicPin* APin);
  // Removes the pin from the list (without freeing it).
  void Extract(TPNBasicPin* APin);
  int32_t IndexOf(TPNBasicPin* APin) const;
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TPNBasicPin* Items(int32_t Index) const { return FItems[static_cast<size_t>(Index)]; }
  TPNBasicPin* GetByIdentName(TComponent* ARoot, const std::string& APinName);
  TPNBasicPin* GetByDisplayName(TComponent* ARoot, const std::string& APinName);
  bool OwnsObjects() const { return FOwnsObjects; }

 protected:
  std::vector<TPNBasicPin*> FItems;
  bool FOwnsObjects;
};

// Makes a placeholder pin standing for a pin not loaded yet (set by the placeholder unit;
// without it names that no pin bears resolve to nothing).
// The new placeholder's guard is taken into AHold (when given) before another thread can
// find it.
using TPNCreatePlaceholder = TPNBasicPin* (*)(TComponent* ARoot, TPNPinType AType,
                                              const std::string& APinIdentName,
                                              const std::string& APinDisplayName,
                                              const std::string& ACreatedFrom, TGuardHold* AHold);
extern TPNCreatePlaceholder CreatePlaceholderPin;
// Hands a placeholder's links over to the real pin and frees the placeholder (set by the
// placeholder unit). The caller holds the placeholder's guard in AHeld; it is released
// before the placeholder is freed.
extern void (*PopulatePlaceholder)(TPNBasicPin* APlaceholder, TPNBasicPin* APin, TGuardHold* AHeld);
// Finds a named state link (set by the state-link unit).
extern TPNStateDispatcher* (*FindStateDispatcher)(const std::string& AName, bool DesignTime);
// Whether a pin is a placeholder (class named TPNUnloadedPin or below).
bool IsPlaceholder(TPNBasicPin* APin);

class TPNInternalPinList : public TPNBasicPinList {
 public:
  using TPNBasicPinList::TPNBasicPinList;
  // The pin found or made, its guard taken into AHold (when given) while it is known alive
  // (under the registry lock, or before a new placeholder is registered).
  TPNBasicPin* GetByNameCreate(TComponent* ARoot, TPNPinType AType,
                               const std::string& APinIdentName,
                               const std::string& APinDisplayName,
                               const std::string& ACreatedFrom, TGuardHold* AHold = nullptr);
};

extern TPNCriticalSection* PinRegistryLock;
extern std::vector<TPNStateDispatcher*>* DesignTimeStateDispatchers;
extern std::vector<TPNStateDispatcher*>* RunTimeStateDispatchers;
extern TPNInternalPinList* AllPins;
extern std::vector<TPNPinList*>* AllPinLists;
extern TPNBasicPinList* UnloadedPins;

// Holds PinRegistryLock for a scope.
class TPNRegistryLockHold {
 public:
  TPNRegistryLockHold();
  ~TPNRegistryLockHold();
  TPNRegistryLockHold(const TPNRegistryLockHold&) = delete;
  TPNRegistryLockHold& operator=(const TPNRegistryLockHold&) = delete;
};

// The number of pins alive (registered in AllPins).
int32_t AllPinsCount();

// A component starts being destroyed: waits, with no lock held, until no other thread runs a
// call through or into one of its pins (reading a pin's name walks its owner's published
// properties, which the owner is about to change), and keeps new calls refused until each
// pin is freed. Installed as the platform's component-destroying hook by the pin unit.
void OwnerDestroying(TComponent* AOwner);

}  // namespace pins
