// Pins: source pins and their links.
// Part of pins/PNPins.h, which includes the pin headers in order.
#pragma once

#include "pins/PNPinsBase.h"

namespace pins {

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

// The serial of the last link made by any source pin. Serials only grow, so a delivery that
// read this value when it began did not find a link with a higher serial: that link was made
// (or a sink linked again) after it began.
uint64_t LastLinkSerial();

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
  // Called under the link lock by a sink that leaves this pin while the pin is being
  // destroyed (its guard refuses the sink's call): the entry of ASink goes all the same,
  // with no call into this pin's class, so that a delivery of this pin still under way skips
  // it and the teardown does not find it. Under the link lock the pin is alive while a sink
  // names it.
  void DropLeavingSink(TPNBasicPin* ASink);

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

}  // namespace pins
