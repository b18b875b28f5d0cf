// Pin dependencies and dependent stream types.
//
// A source pin may take its stream type from sink pins of its own component (data-type
// sources, a pass-through filter). The walks below narrow a list of types, or check one
// type, along the whole chain of links and data-type dependencies, in both directions:
// offered types go downstream (a source must list the type, a sink must implement its
// interface), accepted types go upstream (a sink must list the type, a source must
// implement its interface). Every walk carries the pin for which the question is asked
// (AStartPin): that pin never narrows the list, and a walk that comes back to it turns round.
//
// After a sink has been linked, the links that depend on its type are negotiated again and
// their sinks receive their first operation anew (re-typing).
//
// Locks: every step takes the lock of the pin it reads, for that read alone, and holds no pin
// lock while it goes on to another pin; a pin called is held by its guard, taken under the
// lock of the pin that names it.
#include "pins/PNPins.h"
#include "pins/PNPinsGuards.h"

namespace pins {

using platform::E_NOINTERFACE;
using platform::S_OK;

struct TPNDependsWalk {
  // --- helpers --------------------------------------------------------------------------

  // Takes K's lock.
  static bool IgnoresUpstream(TPNBasicSinkPin* K) {
    auto s = K->ReadLock();
    return K->IgnoreUpstream() || K->StreamType()->GetLength() == 0;
  }

  // Takes P's lock.
  static bool HasOwnType(TPNStreamPin* P, const TGUID& ID) {
    auto s = P->ReadLock();
    return P->StreamType()->IndexOf(ID) >= 0;
  }

  // The pin's interface test for ID alone (no dependency check). Takes no lock.
  static HRESULT InterfaceTest(TPNBasicPin* P, const TGUID& ID) {
    void* obj = nullptr;
    HRESULT r = P->QueryInterface(ID, &obj);
    if (r == S_OK && obj) static_cast<platform::IInterface*>(obj)->Release();
    return r;
  }

  // Removes every entry for which Refuse holds, scanning from the first entry (a removed
  // entry's successor is examined at the same position).
  template <class Pred>
  static void RemoveWhere(TPNPinStreamType* AList, Pred Refuse) {
    auto& types = AList->Types;
    for (size_t i = 0; i < types.size();)
      if (Refuse(types[i].ID))
        types.erase(types.begin() + static_cast<std::ptrdiff_t>(i));
      else
        ++i;
  }

  // The sink pins that receive directly from P: the connection pin of each link, when it
  // is a sink pin (the sink itself or a converter's input), each guard held in AHolds. Takes
  // P's lock.
  static std::vector<TPNBasicSinkPin*> LinkedSinks(TPNSourcePin* P, TGuardHolds& AHolds) {
    std::vector<TPNBasicSinkPin*> sinks;
    auto s = P->ReadLock();
    for (int32_t i = 0, n = P->FSinkPins->Count(); i < n; ++i)
      if (auto* k = dynamic_cast<TPNBasicSinkPin*>((*P->FSinkPins)[i]->ConnectionPin))
        if (AHolds.Take(k)) sinks.push_back(k);
    return sinks;
  }

  // Takes P's lock. The sinks of P's own component live as long as P.
  static std::vector<TPNBasicSinkPin*> DataTypeSources(TPNSourcePin* P) {
    std::vector<TPNBasicSinkPin*> sources;
    auto s = P->ReadLock();
    for (int32_t i = 0, n = P->FDataTypeSources->Count(); i < n; ++i)
      sources.push_back(P->FDataTypeSources->Items(i));
    return sources;
  }

  // Takes K's lock.
  static std::vector<TPNSourcePin*> DataTypeDependants(TPNBasicSinkPin* K) {
    auto s = K->ReadLock();
    return K->DataTypeDependants();
  }

  // K's source, when it is a source pin, its guard held in AHold. Takes K's lock.
  static TPNSourcePin* SourceOf(TPNBasicSinkPin* K, TGuardHold& AHold) {
    auto* sink = dynamic_cast<TPNSinkPin*>(K);
    return sink ? dynamic_cast<TPNSourcePin*>(sink->HoldSource(AHold)) : nullptr;
  }

  // The first non-zero result of a loop, or 0.
  template <class Seq, class F>
  static HRESULT FirstFailure(const Seq& items, F Check) {
    for (auto* item : items) {
      HRESULT r = Check(item);
      if (r != S_OK) return r;
    }
    return S_OK;
  }

  // --- ordering -------------------------------------------------------------------------

  // Takes P's lock.
  static void OrderTypesLike(TPNStreamPin* P, TPNPinTypeRestricted* AList) {
    auto s = P->ReadLock();
    if (AList->Ordered) return;
    auto& types = AList->Types;
    size_t t = 0;
    for (const TPNPinTypeEntry& own : P->StreamType()->Types)
      for (size_t c = 0; c < types.size(); ++c)
        if (types[c].ID == own.ID) {
          if (t != c) std::swap(types[t], types[c]);
          ++t;
        }
    AList->Ordered = true;
  }

  // --- offered types (downstream) -------------------------------------------------------

  static void RestrictOffered(TPNSinkPin* K, TPNPinTypeRestricted* AList, TPNBasicPin* AStartPin) {
    TGuardHold held;
    if (AStartPin == K) {
      for (TPNSourcePin* d : DataTypeDependants(K)) OfferedThroughSource(d, AList, AStartPin);
    } else if (TPNSourcePin* u = SourceOf(K, held)) {
      OfferedUpstream(u, AList, AStartPin);
    } else {
      if (!AList->Ordered) OrderTypesLike(K, AList);
      KeepAcceptedBySink(K, AList, AStartPin);
    }
  }

  static void OfferedUpstream(TPNSourcePin* U, TPNPinTypeRestricted* AList, TPNBasicPin* AStartPin) {
    if (AStartPin == U) {
      TGuardHolds held;
      for (TPNBasicSinkPin* k2 : LinkedSinks(U, held)) KeepAcceptedBySink(k2, AList, AStartPin);
      return;
    }
    std::vector<TPNBasicSinkPin*> sources = DataTypeSources(U);
    if (sources.empty()) {
      if (!AList->Ordered) OrderTypesLike(U, AList);
      OfferedThroughSource(U, AList, AStartPin);
    } else {
      for (TPNBasicSinkPin* k : sources) k->RestrictOfferedTypes(AList, AStartPin);
    }
  }

  static void OfferedThroughSource(TPNSourcePin* P, TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
    if (P == AStartPin) return;
    RemoveWhere(AList, [&](const TGUID& id) { return !HasOwnType(P, id); });
    TGuardHolds held;
    for (TPNBasicSinkPin* k2 : LinkedSinks(P, held)) KeepAcceptedBySink(k2, AList, AStartPin);
  }

  static void KeepAcceptedBySink(TPNBasicSinkPin* K, TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
    if (K == AStartPin) return;
    RemoveWhere(AList, [&](const TGUID& id) { return !K->AcceptsStreamType(id); });
    for (TPNSourcePin* d : DataTypeDependants(K)) OfferedThroughSource(d, AList, AStartPin);
  }

  // --- accepted types (upstream) --------------------------------------------------------

  static void RestrictAccepted(TPNSinkPin* K, TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
    if (AStartPin == K) {
      for (TPNSourcePin* d : DataTypeDependants(K)) AcceptedThroughSource(d, AList, AStartPin);
    } else if (!IgnoresUpstream(K)) {
      TGuardHold held;
      if (TPNSourcePin* u = SourceOf(K, held))
        AcceptedUpstream(u, AList, AStartPin);
      else
        KeepSentBySink(K, AList, AStartPin);
    }
  }

  static void AcceptedUpstream(TPNSourcePin* U, TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
    if (AStartPin == U) {
      TGuardHolds held;
      for (TPNBasicSinkPin* k2 : LinkedSinks(U, held)) KeepSentBySink(k2, AList, AStartPin);
      return;
    }
    std::vector<TPNBasicSinkPin*> sources = DataTypeSources(U);
    if (sources.empty())
      AcceptedThroughSource(U, AList, AStartPin);
    else
      for (TPNBasicSinkPin* k : sources) k->RestrictAcceptedTypes(AList, AStartPin);
  }

  static void AcceptedThroughSource(TPNSourcePin* P, TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
    if (P == AStartPin) return;
    RemoveWhere(AList, [&](const TGUID& id) { return !P->AcceptsStreamType(id); });
    TGuardHolds held;
    for (TPNBasicSinkPin* k2 : LinkedSinks(P, held)) KeepSentBySink(k2, AList, AStartPin);
  }

  static void KeepSentBySink(TPNBasicSinkPin* K, TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
    if (K == AStartPin || IgnoresUpstream(K)) return;
    RemoveWhere(AList, [&](const TGUID& id) { return !HasOwnType(K, id); });
    for (TPNSourcePin* d : DataTypeDependants(K)) AcceptedThroughSource(d, AList, AStartPin);
  }

  // --- single-type checks ---------------------------------------------------------------

  static HRESULT DownstreamFrom(TPNSinkPin* K, const TGUID& ID, TPNBasicPin* AStartPin) {
    if (AStartPin == K)
      return FirstFailure(DataTypeDependants(K),
                          [&](TPNSourcePin* d) { return DownstreamThroughSource(d, ID, AStartPin); });
    TGuardHold held;
    if (TPNSourcePin* u = SourceOf(K, held)) return DownstreamFromSource(u, ID, AStartPin);
    return CheckSinkReceives(K, ID, AStartPin);
  }

  static HRESULT UpstreamFrom(TPNSinkPin* K, const TGUID& ID, TPNBasicPin* AStartPin) {
    if (AStartPin == K)
      return FirstFailure(DataTypeDependants(K),
                          [&](TPNSourcePin* d) { return UpstreamThroughSource(d, ID, AStartPin); });
    TGuardHold held;
    if (TPNSourcePin* u = SourceOf(K, held)) return UpstreamFromSource(u, ID, AStartPin);
    return CheckSinkSends(K, ID, AStartPin);
  }

  static HRESULT DownstreamFromSource(TPNSourcePin* P, const TGUID& ID, TPNBasicPin* AStartPin) {
    TGuardHolds held;
    if (AStartPin == P)
      return FirstFailure(LinkedSinks(P, held),
                          [&](TPNBasicSinkPin* k2) { return CheckSinkReceives(k2, ID, AStartPin); });
    std::vector<TPNBasicSinkPin*> sources = DataTypeSources(P);
    if (sources.empty()) return DownstreamThroughSource(P, ID, AStartPin);
    return FirstFailure(sources, [&](TPNBasicSinkPin* k) {
      return k->CheckDownstreamTypeFrom(ID, AStartPin);
    });
  }

  static HRESULT UpstreamFromSource(TPNSourcePin* P, const TGUID& ID, TPNBasicPin* AStartPin) {
    TGuardHolds held;
    if (AStartPin == P)
      return FirstFailure(LinkedSinks(P, held),
                          [&](TPNBasicSinkPin* k2) { return CheckSinkSends(k2, ID, AStartPin); });
    std::vector<TPNBasicSinkPin*> sources = DataTypeSources(P);
    if (sources.empty()) return UpstreamThroughSource(P, ID, AStartPin);
    return FirstFailure(sources, [&](TPNBasicSinkPin* k) {
      return k->CheckUpstreamTypeFrom(ID, AStartPin);
    });
  }

  static HRESULT DownstreamThroughSource(TPNSourcePin* P, const TGUID& ID, TPNBasicPin* AStartPin) {
    if (P == AStartPin) return S_OK;
    if (!HasOwnType(P, ID)) return E_NOINTERFACE;
    TGuardHolds held;
    return FirstFailure(LinkedSinks(P, held),
                        [&](TPNBasicSinkPin* k2) { return CheckSinkReceives(k2, ID, AStartPin); });
  }

  static HRESULT UpstreamThroughSource(TPNSourcePin* P, const TGUID& ID, TPNBasicPin* AStartPin) {
    if (P == AStartPin) return S_OK;
    HRESULT r = InterfaceTest(P, ID);
    if (r != S_OK) return r;
    TGuardHolds held;
    return FirstFailure(LinkedSinks(P, held),
                        [&](TPNBasicSinkPin* k2) { return CheckSinkSends(k2, ID, AStartPin); });
  }

  static HRESULT CheckSinkReceives(TPNBasicSinkPin* K, const TGUID& ID, TPNBasicPin* AStartPin) {
    if (K == AStartPin) return S_OK;
    HRESULT r = InterfaceTest(K, ID);
    if (r != S_OK) return r;
    return FirstFailure(DataTypeDependants(K),
                        [&](TPNSourcePin* d) { return DownstreamThroughSource(d, ID, AStartPin); });
  }

  static HRESULT CheckSinkSends(TPNBasicSinkPin* K, const TGUID& ID, TPNBasicPin* AStartPin) {
    if (K == AStartPin) return S_OK;
    if (!HasOwnType(K, ID)) return E_NOINTERFACE;
    return FirstFailure(DataTypeDependants(K),
                        [&](TPNSourcePin* d) { return UpstreamThroughSource(d, ID, AStartPin); });
  }

  // --- re-typing ------------------------------------------------------------------------

  static void RetypeFromSource(TPNSourcePin* P, const TGUID& T) {
    std::vector<TPNBasicSinkPin*> sources = DataTypeSources(P);
    if (sources.empty())
      RetypeLinks(P, T);
    else
      for (TPNBasicSinkPin* k : sources) k->TypeChanged(T, nullptr);
  }

  // Takes P's lock to pick each link's pins (holding them), released while they are asked.
  static void RetypeLinks(TPNSourcePin* P, const TGUID& T) {
    std::vector<std::pair<TPNBasicPin*, TPNBasicPin*>> links;  // real pin, connection pin
    TGuardHolds held;
    {
      auto s = P->ReadLock();
      for (int32_t i = 0, n = P->FSinkPins->Count(); i < n; ++i) {
        const TPNPinEntry* e = (*P->FSinkPins)[i];
        if (held.Take(e->RealPin) && e->ConnectionPin && held.Take(e->ConnectionPin))
          links.emplace_back(e->RealPin, e->ConnectionPin);
      }
    }
    for (const auto& [real, connection] : links) {
      RetypeEntry(P, real, T);
      if (auto* k = dynamic_cast<TPNBasicSinkPin*>(connection)) k->PropagateType(T, nullptr);
    }
  }

  // Negotiates with no lock held; takes P's lock to read and update the entry; pushes with
  // none held.
  static void RetypeEntry(TPNSourcePin* P, TPNBasicPin* ARealPin, const TGUID& T) {
    TPNPinEntry entry;
    {
      auto s = P->ReadLock();
      TPNPinEntry* e = P->FSinkPins->GetItemByPin(ARealPin);
      if (!e || e->ConnectedID == T) return;
      entry = *e;
    }
    TGUID id;
    TClass converterClass = nullptr;
    RefPtr<IPNFormatConverter> converter;
    NegotiateStreamType(P, ARealPin, true, id, converterClass, converter, false);
    ReleaseOutsideLinkLock(std::move(converter));
    // A link whose type stays what it was keeps its data: its sink is not pushed again
    // (otherwise every new link of a plain source would replay the first operation to all
    // of the source's links of other types).
    if (id == entry.ConnectedID) return;
    const TPNSubmit submit = P->GetSubmitFunction(id);
    {
      auto s = P->WriteLock();
      TPNPinEntry* e = P->FSinkPins->GetItemByPin(ARealPin);
      if (!e || e->ConnectionPin != entry.ConnectionPin) return;
      e->ConnectedID = id;
      e->SubmitFunction = submit;
      entry = *e;
    }
    // The first operation goes to the pin that receives from P: the sink itself or the
    // input of the converter that serves it (and through it to this sink alone).
    P->PushToEntry(entry);
  }

  // Takes K's lock to read its connection source (held) and to store the result; asks the
  // source with it released.
  static void Propagate(TPNSinkPin* K, const TGUID& T) {
    TGuardHold held;
    TPNSourcePin* c = nullptr;
    {
      auto s = K->ReadLock();
      c = dynamic_cast<TPNSourcePin*>(K->FConnectionSourcePin);
      if (c) held.Take(c);
      if (!held.Granted()) c = nullptr;
    }
    if (c) {
      const TGUID up = K->UpstreamTypeFor(c, c->GetConnectionID(K));
      const TPNSubmit submit = K->GetSubmitFunction(up);
      auto s = K->WriteLock();
      if (K->FConnectionSourcePin == c) {
        K->FConnectedID = up;
        K->FSubmitFunction = submit;
      }
    }
    for (TPNSourcePin* d : DataTypeDependants(K)) RetypeLinks(d, T);
  }
};

// ---------------------------------------------------------------------------------------
// Source pins

// Takes the pin's lock for its own types; walks the data-type sources with it released.
void TPNSourcePin::GetOfferedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  TPNStreamPin::GetOfferedTypes(AList, AStartPin);
  const std::vector<TPNBasicSinkPin*> sources = TPNDependsWalk::DataTypeSources(this);
  if (sources.empty()) return;
  auto* restricted = dynamic_cast<TPNPinTypeRestricted*>(AList);
  TPNPinTypeRestricted local;
  if (!restricted) {
    local.Types = AList->Types;
    restricted = &local;
  }
  for (TPNBasicSinkPin* k : sources) k->RestrictOfferedTypes(restricted, AStartPin);
  if (restricted == &local) AList->Types = local.Types;
}

// Takes the pin's lock for its own types; walks the data-type sources with it released.
void TPNSourcePin::GetAcceptedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  TPNStreamPin::GetAcceptedTypes(AList, AStartPin);
  for (TPNBasicSinkPin* k : TPNDependsWalk::DataTypeSources(this))
    k->RestrictAcceptedTypes(AList, AStartPin);
}

HRESULT TPNSourcePin::CheckDownstreamType(const TGUID& ID) {
  return TPNDependsWalk::FirstFailure(TPNDependsWalk::DataTypeSources(this), [&](TPNBasicSinkPin* k) {
    return TPNDependsWalk::CheckSinkReceives(k, ID, this);
  });
}

HRESULT TPNSourcePin::CheckUpstreamType(const TGUID& ID) {
  return TPNDependsWalk::FirstFailure(TPNDependsWalk::DataTypeSources(this), [&](TPNBasicSinkPin* k) {
    return TPNDependsWalk::CheckSinkSends(k, ID, this);
  });
}

// Takes the pin's lock to copy its functional sources; walks them with it released. Every
// branch after the first is collected into a list of its own, kept by ALists.
void TPNSourcePin::CollectLinkedObjects(TPNObjectLists& ALists, TPNObjectList* AList) {
  if (AList) AList->Add(this);
  std::vector<TPNBasicSinkPin*> sources;
  for (int32_t i = 0, n = FFunctionSources->Count(); i < n; ++i)
    sources.push_back(FFunctionSources->Items(i));
  for (size_t i = 0; i < sources.size(); ++i) {
    TPNObjectList* list = AList;
    if (i > 0) {
      ALists.push_back(TPNObjectList::Create());
      list = ALists.back().Get();
    }
    sources[i]->CollectLinkedObjects(ALists, list);
  }
}

// ---------------------------------------------------------------------------------------
// Sink pins

// Takes the pin's lock for its own types; walks the dependants with it released.
void TPNSinkPin::GetOfferedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  TPNStreamPin::GetOfferedTypes(AList, AStartPin);
  for (TPNSourcePin* d : TPNDependsWalk::DataTypeDependants(this))
    TPNDependsWalk::OfferedThroughSource(d, AList, AStartPin);
}

// Takes the pin's lock for its own types; walks the dependants with it released.
void TPNSinkPin::GetAcceptedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  TPNStreamPin::GetAcceptedTypes(AList, AStartPin);
  if (TPNDependsWalk::IgnoresUpstream(this)) return;
  for (TPNSourcePin* d : TPNDependsWalk::DataTypeDependants(this))
    TPNDependsWalk::AcceptedThroughSource(d, AList, AStartPin);
}

HRESULT TPNSinkPin::CheckDownstreamType(const TGUID& ID) {
  return TPNDependsWalk::FirstFailure(TPNDependsWalk::DataTypeDependants(this), [&](TPNSourcePin* d) {
    return TPNDependsWalk::DownstreamFromSource(d, ID, this);
  });
}

HRESULT TPNSinkPin::CheckUpstreamType(const TGUID& ID) {
  return TPNDependsWalk::FirstFailure(TPNDependsWalk::DataTypeDependants(this), [&](TPNSourcePin* d) {
    return TPNDependsWalk::UpstreamFromSource(d, ID, this);
  });
}

// Takes the pin's lock to read its connection source (held); walks on with it released.
void TPNSinkPin::CollectLinkedObjects(TPNObjectLists& ALists, TPNObjectList* AList) {
  TGuardHold held;
  TPNSourcePin* source = nullptr;
  {
    auto s = ReadLock();
    if (AList) AList->Add(this);
    source = dynamic_cast<TPNSourcePin*>(FConnectionSourcePin);
    if (source) held.Take(source);
  }
  if (source && held.Granted()) source->CollectLinkedObjects(ALists, AList);
}

void TPNSinkPin::RestrictOfferedTypes(TPNPinTypeRestricted* AList, TPNBasicPin* AStartPin) {
  TPNDependsWalk::RestrictOffered(this, AList, AStartPin);
}

void TPNSinkPin::RestrictAcceptedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  TPNDependsWalk::RestrictAccepted(this, AList, AStartPin);
}

HRESULT TPNSinkPin::CheckUpstreamTypeFrom(const TGUID& ID, TPNBasicPin* AStartPin) {
  return TPNDependsWalk::UpstreamFrom(this, ID, AStartPin);
}

HRESULT TPNSinkPin::CheckDownstreamTypeFrom(const TGUID& ID, TPNBasicPin* AStartPin) {
  return TPNDependsWalk::DownstreamFrom(this, ID, AStartPin);
}

// Takes the pin's lock to read its connection source (held); re-types with it released.
void TPNSinkPin::TypeChanged(const TGUID& ID, void* AValue) {
  TGuardHold held;
  TPNSourcePin* c = nullptr;
  {
    auto s = ReadLock();
    c = dynamic_cast<TPNSourcePin*>(FConnectionSourcePin);
    if (c) held.Take(c);
  }
  if (c && held.Granted())
    TPNDependsWalk::RetypeFromSource(c, ID);
  else if (!c)
    PropagateType(ID, AValue);
}

void TPNSinkPin::PropagateType(const TGUID& ID, void* AValue) {
  (void)AValue;
  TPNDependsWalk::Propagate(this, ID);
}

}  // namespace pins
