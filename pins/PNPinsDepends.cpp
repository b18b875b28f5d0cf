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
#include "pins/PNPins.h"

namespace pins {

using platform::E_NOINTERFACE;
using platform::S_OK;

struct TPNDependsWalk {
  // --- helpers --------------------------------------------------------------------------

  static bool IgnoresUpstream(TPNBasicSinkPin* K) {
    auto s = K->ReadLock();
    return K->IgnoreUpstream() || K->StreamType()->GetLength() == 0;
  }

  static bool HasOwnType(TPNStreamPin* P, const TGUID& ID) {
    auto s = P->ReadLock();
    return P->StreamType()->IndexOf(ID) >= 0;
  }

  // The pin's interface test for ID alone (no dependency check).
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
  // is a sink pin (the sink itself or a converter's input).
  static std::vector<TPNBasicSinkPin*> LinkedSinks(TPNSourcePin* P) {
    std::vector<TPNBasicSinkPin*> sinks;
    auto s = P->ReadLock();
    for (int32_t i = 0, n = P->FSinkPins->Count(); i < n; ++i)
      if (auto* k = dynamic_cast<TPNBasicSinkPin*>((*P->FSinkPins)[i]->ConnectionPin))
        sinks.push_back(k);
    return sinks;
  }

  static std::vector<TPNBasicSinkPin*> DataTypeSources(TPNSourcePin* P) {
    std::vector<TPNBasicSinkPin*> sources;
    auto s = P->ReadLock();
    for (int32_t i = 0, n = P->FDataTypeSources->Count(); i < n; ++i)
      sources.push_back(P->FDataTypeSources->Items(i));
    return sources;
  }

  static std::vector<TPNSourcePin*> DataTypeDependants(TPNBasicSinkPin* K) {
    auto s = K->ReadLock();
    return K->DataTypeDependants();
  }

  // K's source, when it is a source pin.
  static TPNSourcePin* SourceOf(TPNBasicSinkPin* K) {
    return K ? dynamic_cast<TPNSourcePin*>(K->GetSourcePin()) : nullptr;
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
    auto s = K->ReadLock();
    if (AStartPin == K) {
      for (TPNSourcePin* d : DataTypeDependants(K)) OfferedThroughSource(d, AList, AStartPin);
    } else if (TPNSourcePin* u = SourceOf(K)) {
      OfferedUpstream(u, AList, AStartPin);
    } else {
      if (!AList->Ordered) OrderTypesLike(K, AList);
      KeepAcceptedBySink(K, AList, AStartPin);
    }
  }

  static void OfferedUpstream(TPNSourcePin* U, TPNPinTypeRestricted* AList, TPNBasicPin* AStartPin) {
    auto s = U->ReadLock();
    if (AStartPin == U) {
      for (TPNBasicSinkPin* k2 : LinkedSinks(U)) KeepAcceptedBySink(k2, AList, AStartPin);
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
    auto s = P->ReadLock();
    RemoveWhere(AList, [&](const TGUID& id) { return P->StreamType()->IndexOf(id) < 0; });
    for (TPNBasicSinkPin* k2 : LinkedSinks(P)) KeepAcceptedBySink(k2, AList, AStartPin);
  }

  static void KeepAcceptedBySink(TPNBasicSinkPin* K, TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
    if (K == AStartPin) return;
    auto s = K->ReadLock();
    RemoveWhere(AList, [&](const TGUID& id) { return !K->AcceptsStreamType(id); });
    for (TPNSourcePin* d : DataTypeDependants(K)) OfferedThroughSource(d, AList, AStartPin);
  }

  // --- accepted types (upstream) --------------------------------------------------------

  static void RestrictAccepted(TPNSinkPin* K, TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
    auto s = K->ReadLock();
    if (AStartPin == K) {
      for (TPNSourcePin* d : DataTypeDependants(K)) AcceptedThroughSource(d, AList, AStartPin);
    } else if (!IgnoresUpstream(K)) {
      if (TPNSourcePin* u = SourceOf(K))
        AcceptedUpstream(u, AList, AStartPin);
      else
        KeepSentBySink(K, AList, AStartPin);
    }
  }

  static void AcceptedUpstream(TPNSourcePin* U, TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
    auto s = U->ReadLock();
    if (AStartPin == U) {
      for (TPNBasicSinkPin* k2 : LinkedSinks(U)) KeepSentBySink(k2, AList, AStartPin);
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
    auto s = P->ReadLock();
    RemoveWhere(AList, [&](const TGUID& id) { return !P->AcceptsStreamType(id); });
    for (TPNBasicSinkPin* k2 : LinkedSinks(P)) KeepSentBySink(k2, AList, AStartPin);
  }

  static void KeepSentBySink(TPNBasicSinkPin* K, TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
    if (K == AStartPin || IgnoresUpstream(K)) return;
    auto s = K->ReadLock();
    RemoveWhere(AList, [&](const TGUID& id) { return K->StreamType()->IndexOf(id) < 0; });
    for (TPNSourcePin* d : DataTypeDependants(K)) AcceptedThroughSource(d, AList, AStartPin);
  }

  // --- single-type checks ---------------------------------------------------------------

  static HRESULT DownstreamFrom(TPNSinkPin* K, const TGUID& ID, TPNBasicPin* AStartPin) {
    auto s = K->ReadLock();
    if (AStartPin == K)
      return FirstFailure(DataTypeDependants(K),
                          [&](TPNSourcePin* d) { return DownstreamThroughSource(d, ID, AStartPin); });
    if (TPNSourcePin* u = SourceOf(K)) return DownstreamFromSource(u, ID, AStartPin);
    return CheckSinkReceives(K, ID, AStartPin);
  }

  static HRESULT UpstreamFrom(TPNSinkPin* K, const TGUID& ID, TPNBasicPin* AStartPin) {
    auto s = K->ReadLock();
    if (AStartPin == K)
      return FirstFailure(DataTypeDependants(K),
                          [&](TPNSourcePin* d) { return UpstreamThroughSource(d, ID, AStartPin); });
    if (TPNSourcePin* u = SourceOf(K)) return UpstreamFromSource(u, ID, AStartPin);
    return CheckSinkSends(K, ID, AStartPin);
  }

  static HRESULT DownstreamFromSource(TPNSourcePin* P, const TGUID& ID, TPNBasicPin* AStartPin) {
    auto s = P->ReadLock();
    if (AStartPin == P)
      return FirstFailure(LinkedSinks(P),
                          [&](TPNBasicSinkPin* k2) { return CheckSinkReceives(k2, ID, AStartPin); });
    std::vector<TPNBasicSinkPin*> sources = DataTypeSources(P);
    if (sources.empty()) return DownstreamThroughSource(P, ID, AStartPin);
    return FirstFailure(sources, [&](TPNBasicSinkPin* k) {
      return k->CheckDownstreamTypeFrom(ID, AStartPin);
    });
  }

  static HRESULT UpstreamFromSource(TPNSourcePin* P, const TGUID& ID, TPNBasicPin* AStartPin) {
    auto s = P->ReadLock();
    if (AStartPin == P)
      return FirstFailure(LinkedSinks(P),
                          [&](TPNBasicSinkPin* k2) { return CheckSinkSends(k2, ID, AStartPin); });
    std::vector<TPNBasicSinkPin*> sources = DataTypeSources(P);
    if (sources.empty()) return UpstreamThroughSource(P, ID, AStartPin);
    return FirstFailure(sources, [&](TPNBasicSinkPin* k) {
      return k->CheckUpstreamTypeFrom(ID, AStartPin);
    });
  }

  static HRESULT DownstreamThroughSource(TPNSourcePin* P, const TGUID& ID, TPNBasicPin* AStartPin) {
    if (P == AStartPin) return S_OK;
    auto s = P->ReadLock();
    if (!HasOwnType(P, ID)) return E_NOINTERFACE;
    return FirstFailure(LinkedSinks(P),
                        [&](TPNBasicSinkPin* k2) { return CheckSinkReceives(k2, ID, AStartPin); });
  }

  static HRESULT UpstreamThroughSource(TPNSourcePin* P, const TGUID& ID, TPNBasicPin* AStartPin) {
    if (P == AStartPin) return S_OK;
    auto s = P->ReadLock();
    HRESULT r = InterfaceTest(P, ID);
    if (r != S_OK) return r;
    return FirstFailure(LinkedSinks(P),
                        [&](TPNBasicSinkPin* k2) { return CheckSinkSends(k2, ID, AStartPin); });
  }

  static HRESULT CheckSinkReceives(TPNBasicSinkPin* K, const TGUID& ID, TPNBasicPin* AStartPin) {
    if (K == AStartPin) return S_OK;
    auto s = K->ReadLock();
    HRESULT r = InterfaceTest(K, ID);
    if (r != S_OK) return r;
    return FirstFailure(DataTypeDependants(K),
                        [&](TPNSourcePin* d) { return DownstreamThroughSource(d, ID, AStartPin); });
  }

  static HRESULT CheckSinkSends(TPNBasicSinkPin* K, const TGUID& ID, TPNBasicPin* AStartPin) {
    if (K == AStartPin) return S_OK;
    auto s = K->ReadLock();
    if (!HasOwnType(K, ID)) return E_NOINTERFACE;
    return FirstFailure(DataTypeDependants(K),
                        [&](TPNSourcePin* d) { return UpstreamThroughSource(d, ID, AStartPin); });
  }

  // --- re-typing ------------------------------------------------------------------------

  static void RetypeFromSource(TPNSourcePin* P, const TGUID& T) {
    auto s = P->WriteLock();
    std::vector<TPNBasicSinkPin*> sources = DataTypeSources(P);
    if (sources.empty())
      RetypeLinks(P, T);
    else
      for (TPNBasicSinkPin* k : sources) k->TypeChanged(T, nullptr);
  }

  static void RetypeLinks(TPNSourcePin* P, const TGUID& T) {
    auto s = P->WriteLock();
    const int32_t count = P->FSinkPins->Count();
    for (int32_t i = 0; i < count && i < P->FSinkPins->Count(); ++i) {
      TPNBasicPin* connection = (*P->FSinkPins)[i]->ConnectionPin;
      RetypeEntry(P, i, T);
      if (i < P->FSinkPins->Count() && (*P->FSinkPins)[i]->ConnectionPin == connection)
        if (auto* k = dynamic_cast<TPNBasicSinkPin*>(connection)) k->PropagateType(T, nullptr);
    }
  }

  static void RetypeEntry(TPNSourcePin* P, int32_t Index, const TGUID& T) {
    auto s = P->WriteLock();
    TPNPinEntry* e = (*P->FSinkPins)[Index];
    if (e->ConnectedID == T) return;
    auto* sink = dynamic_cast<TPNBasicSinkPin*>(e->ConnectionPin);
    TGUID id;
    TClass converterClass = nullptr;
    RefPtr<IPNFormatConverter> converter;
    NegotiateStreamType(P, e->RealPin, true, id, converterClass, converter, false);
    // A link whose type stays what it was keeps its data: its sink is not pushed again
    // (otherwise every new link of a plain source would replay the first operation to all
    // of the source's links of other types).
    if (id == e->ConnectedID) return;
    e->ConnectedID = id;
    e->SubmitFunction = P->GetSubmitFunction(id);
    TPNSubmit submit = e->SubmitFunction;
    // The first operation goes to the pin that receives from P: the sink itself or the
    // input of the converter that serves it.
    if (sink) P->PushToSink(sink, submit);
  }

  static void Propagate(TPNSinkPin* K, const TGUID& T) {
    auto s = K->WriteLock();
    if (auto* c = dynamic_cast<TPNSourcePin*>(K->FConnectionSourcePin)) {
      K->FConnectedID = K->UpstreamTypeFor(c, c->GetConnectionID(K));
      K->FSubmitFunction = K->GetSubmitFunction(K->FConnectedID);
    }
    for (TPNSourcePin* d : DataTypeDependants(K)) RetypeLinks(d, T);
  }
};

// ---------------------------------------------------------------------------------------
// Source pins

void TPNSourcePin::GetOfferedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  auto s = ReadLock();
  TPNStreamPin::GetOfferedTypes(AList, AStartPin);
  if (FDataTypeSources->Count() == 0) return;
  auto* restricted = dynamic_cast<TPNPinTypeRestricted*>(AList);
  TPNPinTypeRestricted local;
  if (!restricted) {
    local.Types = AList->Types;
    restricted = &local;
  }
  for (TPNBasicSinkPin* k : TPNDependsWalk::DataTypeSources(this))
    k->RestrictOfferedTypes(restricted, AStartPin);
  if (restricted == &local) AList->Types = local.Types;
}

void TPNSourcePin::GetAcceptedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  auto s = ReadLock();
  TPNStreamPin::GetAcceptedTypes(AList, AStartPin);
  for (TPNBasicSinkPin* k : TPNDependsWalk::DataTypeSources(this))
    k->RestrictAcceptedTypes(AList, AStartPin);
}

HRESULT TPNSourcePin::CheckDownstreamType(const TGUID& ID) {
  auto s = ReadLock();
  return TPNDependsWalk::FirstFailure(TPNDependsWalk::DataTypeSources(this), [&](TPNBasicSinkPin* k) {
    return TPNDependsWalk::CheckSinkReceives(k, ID, this);
  });
}

HRESULT TPNSourcePin::CheckUpstreamType(const TGUID& ID) {
  auto s = ReadLock();
  return TPNDependsWalk::FirstFailure(TPNDependsWalk::DataTypeSources(this), [&](TPNBasicSinkPin* k) {
    return TPNDependsWalk::CheckSinkSends(k, ID, this);
  });
}

void TPNSourcePin::CollectLinkedObjects(std::vector<TPNObjectList*>& ALists, TPNObjectList* AList) {
  auto s = ReadLock();
  if (AList) AList->Items.push_back(this);
  std::vector<TPNBasicSinkPin*> sources;
  for (int32_t i = 0, n = FFunctionSources->Count(); i < n; ++i)
    sources.push_back(FFunctionSources->Items(i));
  for (size_t i = 0; i < sources.size(); ++i) {
    TPNObjectList* list = AList;
    if (i > 0) {
      // Every further branch is collected into a list of its own, owned by the caller.
      list = new TPNObjectList;
      ALists.push_back(list);
    }
    sources[i]->CollectLinkedObjects(ALists, list);
  }
}

// ---------------------------------------------------------------------------------------
// Sink pins

void TPNSinkPin::GetOfferedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  auto s = ReadLock();
  TPNStreamPin::GetOfferedTypes(AList, AStartPin);
  for (TPNSourcePin* d : TPNDependsWalk::DataTypeDependants(this))
    TPNDependsWalk::OfferedThroughSource(d, AList, AStartPin);
}

void TPNSinkPin::GetAcceptedTypes(TPNPinStreamType* AList, TPNBasicPin* AStartPin) {
  auto s = ReadLock();
  TPNStreamPin::GetAcceptedTypes(AList, AStartPin);
  if (TPNDependsWalk::IgnoresUpstream(this)) return;
  for (TPNSourcePin* d : TPNDependsWalk::DataTypeDependants(this))
    TPNDependsWalk::AcceptedThroughSource(d, AList, AStartPin);
}

HRESULT TPNSinkPin::CheckDownstreamType(const TGUID& ID) {
  auto s = ReadLock();
  return TPNDependsWalk::FirstFailure(TPNDependsWalk::DataTypeDependants(this), [&](TPNSourcePin* d) {
    return TPNDependsWalk::DownstreamFromSource(d, ID, this);
  });
}

HRESULT TPNSinkPin::CheckUpstreamType(const TGUID& ID) {
  auto s = ReadLock();
  return TPNDependsWalk::FirstFailure(TPNDependsWalk::DataTypeDependants(this), [&](TPNSourcePin* d) {
    return TPNDependsWalk::UpstreamFromSource(d, ID, this);
  });
}

void TPNSinkPin::CollectLinkedObjects(std::vector<TPNObjectList*>& ALists, TPNObjectList* AList) {
  TPNBasicPin* connection = nullptr;
  {
    auto s = ReadLock();
    if (AList) AList->Items.push_back(this);
    connection = FConnectionSourcePin;
  }
  if (auto* source = dynamic_cast<TPNSourcePin*>(connection))
    source->CollectLinkedObjects(ALists, AList);
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

void TPNSinkPin::TypeChanged(const TGUID& ID, void* AValue) {
  auto s = WriteLock();
  if (auto* c = dynamic_cast<TPNSourcePin*>(FConnectionSourcePin))
    TPNDependsWalk::RetypeFromSource(c, ID);
  else
    PropagateType(ID, AValue);
}

void TPNSinkPin::PropagateType(const TGUID& ID, void* AValue) {
  (void)AValue;
  TPNDependsWalk::Propagate(this, ID);
}

}  // namespace pins
