// Pins: the framework's common names and the vocabulary of deliveries (notify operations,
// stream types, object lists, the converter interface).
// Part of pins/PNPins.h, which includes the pin headers in order.
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

}  // namespace pins
