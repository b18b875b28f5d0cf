// The machinery shared by the dispatch slots of the IPP-named primitives.
//
// Every dispatcher unit writes its slots once, as an X-macro list with one line per slot:
//
//   X(state, lookup, name, result, (argument types))
//
//   state   BUILTIN  the built-in version builtin::<name> exists and is bound when no library
//                    supplies the name (its declaration must match the slot's type exactly,
//                    or the binder does not compile);
//           STUB     the built-in family is not written yet: the slot falls back on a stub
//                    that writes nothing and returns ippStsNotImplemented (or aborts, see
//                    SetStubCallsAbort);
//           NONE     there is no built-in version: the slot stays null without a library.
//   lookup  IPPI     looked up in the image library, then the colour library;
//           IPPS     looked up in the signal library;
//           CORE     looked up in the core library;
//           IPPI_IGNORED  looked up like IPPI, but the answer is discarded and the built-in
//                    version is always bound.
//
// A slot of a name that also stands in another unit is listed with XS instead of X: it is
// reached through its unit's namespace only, while the global name refers to the slot the
// system reads (see IPPDispatchTable.h).
//
// From a list, IPPDispatcherUnit.inc generates the slot variables (in a namespace named after
// the unit), the stubs, the binder and the table of slot descriptions that the tests read.
#pragma once

#include <cstddef>
#include <span>
#include <type_traits>

#include "platform/DynLib.h"
#include "primitives/support/IppTypes.h"

namespace binding {

enum class TIPPLookup { Image, Signal, Core, ImageIgnored };
enum class TBuiltinState { Builtin, Stub, None };

using TIPPLookupProc = platform::FARPROC (*)(const char* name);

// The lookups a binder uses; the start-up uses LibraryLookups(), tests may pass their own.
struct TIPPLookups {
  TIPPLookupProc Image = nullptr;
  TIPPLookupProc Signal = nullptr;
  TIPPLookupProc Core = nullptr;
};

// GetIPPIProc, GetIPPSProc and GetIPPCoreProc of the loader units.
const TIPPLookups& LibraryLookups();

// slot <- lookup(name); when that is null (or the answer is to be ignored), slot <- builtin.
template <class F>
void BindIPPSlot(F*& slot, const char* name, TIPPLookupProc lookup, bool ignoreLibrary,
                 std::type_identity_t<F*> builtin) {
  platform::FARPROC entry = lookup ? lookup(name) : nullptr;
  slot = (entry && !ignoreLibrary) ? reinterpret_cast<F*>(entry) : builtin;
}

// One slot as the tests see it.
struct TIPPSlotInfo {
  const char* Group = nullptr;
  const char* Name = nullptr;
  TIPPLookup Lookup = TIPPLookup::Image;
  TBuiltinState State = TBuiltinState::Stub;
  bool Global = true;                 // the global name refers to this slot
  void* (*Current)() = nullptr;       // the slot's present value
  void* Builtin = nullptr;            // the built-in version or stub; null for NONE
};

// Stub calls return ippStsNotImplemented (-9998) by default; with the switch on they report
// the slot's name on stderr and abort the process.
void SetStubCallsAbort(bool abort);
bool StubCallsAbort();
IppStatus StubCalled(const char* name);

template <class F>
void* SlotAddress(F* f) { return reinterpret_cast<void*>(f); }
inline void* SlotAddress(std::nullptr_t) { return nullptr; }

}  // namespace binding

#define PF_IPP_SLOT_DECLARE(state, lookup, name, result, args) extern result(*name) args;
#define PF_IPP_SLOT_DEFINE(state, lookup, name, result, args) result(*name) args = nullptr;
#define PF_IPP_SLOT_USING(state, lookup, name, result, args) using PF_IPP_GROUP::name;
#define PF_IPP_SLOT_IGNORE(state, lookup, name, result, args)

#define PF_IPP_STUB_BUILTIN(name, result, args)
#define PF_IPP_STUB_NONE(name, result, args)
#define PF_IPP_STUB_STUB(name, result, args) \
  result name args { return ::binding::StubCalled(#name); }
#define PF_IPP_SLOT_STUB(state, lookup, name, result, args) PF_IPP_STUB_##state(name, result, args)

#define PF_IPP_BUILTIN_BUILTIN(name) (&::builtin::name)
#define PF_IPP_BUILTIN_STUB(name) (&stub::name)
#define PF_IPP_BUILTIN_NONE(name) nullptr

#define PF_IPP_LOOKUP_IPPI(l) (l).Image
#define PF_IPP_LOOKUP_IPPI_IGNORED(l) (l).Image
#define PF_IPP_LOOKUP_IPPS(l) (l).Signal
#define PF_IPP_LOOKUP_CORE(l) (l).Core
#define PF_IPP_IGNORES_IPPI false
#define PF_IPP_IGNORES_IPPI_IGNORED true
#define PF_IPP_IGNORES_IPPS false
#define PF_IPP_IGNORES_CORE false
#define PF_IPP_KIND_IPPI ::binding::TIPPLookup::Image
#define PF_IPP_KIND_IPPI_IGNORED ::binding::TIPPLookup::ImageIgnored
#define PF_IPP_KIND_IPPS ::binding::TIPPLookup::Signal
#define PF_IPP_KIND_CORE ::binding::TIPPLookup::Core
#define PF_IPP_STATE_BUILTIN ::binding::TBuiltinState::Builtin
#define PF_IPP_STATE_STUB ::binding::TBuiltinState::Stub
#define PF_IPP_STATE_NONE ::binding::TBuiltinState::None

#define PF_IPP_SLOT_BIND(state, lookup, name, result, args)                                   \
  ::binding::BindIPPSlot(name, #name, PF_IPP_LOOKUP_##lookup(lookups), PF_IPP_IGNORES_##lookup, \
                         PF_IPP_BUILTIN_##state(name));

#define PF_IPP_SLOT_INFO_AS(global, state, lookup, name, result, args)                       \
  ::binding::TIPPSlotInfo{kGroupName, #name, PF_IPP_KIND_##lookup, PF_IPP_STATE_##state,   \
                          global, []() -> void* { return ::binding::SlotAddress(name); }, \
                          ::binding::SlotAddress(PF_IPP_BUILTIN_##state(name))},
#define PF_IPP_SLOT_INFO(state, lookup, name, result, args) \
  PF_IPP_SLOT_INFO_AS(true, state, lookup, name, result, args)
#define PF_IPP_SLOT_INFO_SHADOW(state, lookup, name, result, args) \
  PF_IPP_SLOT_INFO_AS(false, state, lookup, name, result, args)
