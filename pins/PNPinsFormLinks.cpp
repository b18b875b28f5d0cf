// Pin links in form resources: the custom values through which pins and pin lists store
// their links by name, and the readers that link them again.
//
//   OutputPin.Form = Form1
//   OutputPin.SinkPins = (Form1.PXHoughCircles1.InputPin)
//   InputPin.SourcePin = Form1.PXGenericFilter1.OutputPin
//   Inputs.Pins = (nil Form1.Filter.OutputPin State ('Form1Link1'))
//
// A name that no loaded pin bears is never an error: the reader links a placeholder that
// hands the link over when the named pin is created. Names stored under another form name
// ("Form") are read as names of the form under its current name.
#include <string>

#include "pins/PNPins.h"
#include "pins/PNPinsConverter.h"
#include "pins/PNPinsGlobals.h"
#include "pins/PNPinsGuards.h"
#include "pins/PNPinsLists.h"
#include "pins/PNPinsPlaceholders.h"
#include "pins/PNPinsRegistries.h"
#include "pins/PNPinsStateLinks.h"
#include "platform/Streaming.h"

namespace pins {

using platform::TReader;
using platform::TValueType;
using platform::TWriter;

namespace {

bool IsStringValue(TValueType v) {
  return v == platform::vaString || v == platform::vaLString || v == platform::vaWString ||
         v == platform::vaUTF8String;
}

std::string RootNameOf(TComponent* AOwner) {
  TComponent* root = GetRootComponent(AOwner);
  return root ? root->Name() : std::string();
}

// A pin reference: Ident, or ( Ident [AfterIdent] ['Display'] ) where the names differ or
// an after-pin is given.
void WritePinName(TWriter* Writer, TPNBasicPin* APin, TPNBasicPin* AAfter = nullptr) {
  const std::string ident = APin->GetFullIdentName(true);
  const std::string display = APin->GetFullName(true);
  if (ident == display && !AAfter) {
    Writer->WriteIdent(ident);
    return;
  }
  Writer->WriteListBegin();
  Writer->WriteIdent(ident);
  if (AAfter) Writer->WriteIdent(AAfter->GetFullIdentName(true));
  if (ident != display) Writer->WriteString(display);
  Writer->WriteListEnd();
}

// One pin reference of a "SourcePin" value (and of a "Pins" entry in a list):
//   Ident | ( Ident 'Display' ) | ( ( Ident AfterIdent ) ) | ( ( ( Ident 'Display' ) AfterIdent ) )
struct TSourceRef {
  std::string Ident, Display, After;
};

// Ident, then 'Display' where one follows (else the display name is the ident).
void ReadIdentDisplay(TReader* Reader, TSourceRef& ARef) {
  ARef.Ident = Reader->ReadIdent();
  ARef.Display = IsStringValue(Reader->NextValue()) ? Reader->ReadString() : ARef.Ident;
}

// Ident | ( Ident 'Display' )
void ReadPinName(TReader* Reader, TSourceRef& ARef) {
  if (Reader->NextValue() != platform::vaList) {
    ARef.Ident = Reader->ReadIdent();
    ARef.Display = ARef.Ident;
    return;
  }
  Reader->ReadListBegin();
  ReadIdentDisplay(Reader, ARef);
  Reader->ReadListEnd();
}

TSourceRef ReadSourceRef(TReader* Reader) {
  TSourceRef r;
  if (Reader->NextValue() != platform::vaList) {
    ReadPinName(Reader, r);
    return r;
  }
  Reader->ReadListBegin();
  if (Reader->NextValue() != platform::vaList) {
    ReadIdentDisplay(Reader, r);
  } else {
    Reader->ReadListBegin();
    ReadPinName(Reader, r);
    if (!Reader->EndOfList()) r.After = Reader->ReadIdent();
    Reader->ReadListEnd();
  }
  Reader->ReadListEnd();
  return r;
}

// The state link's name of a "State" value, with the members (which join by name when
// their own form is read) skipped.
std::string ReadStateName(TReader* Reader) {
  if (Reader->NextValue() != platform::vaList) return Reader->ReadString();
  Reader->ReadListBegin();
  std::string name = Reader->ReadString();
  while (!Reader->EndOfList()) Reader->SkipValue();
  Reader->ReadListEnd();
  return name;
}

// Takes the registry lock; the pin found is held (AHold) until the caller is done with it.
TPNBasicPin* LookUp(TPNBasicPin* AFor, TPNPinType AType, const std::string& AIdent,
                    const std::string& ADisplay, TGuardHold& AHold) {
  if (!AllPins || AIdent.empty()) return nullptr;
  return AllPins->GetByNameCreate(AFor->GetRoot(), AType, AIdent, ADisplay, AFor->GetFullName(true),
                                  &AHold);
}

// The names of a reference read by a pin, as names of the form under its current name: the
// named pin (of type AType) and the after-pin, each made a placeholder when not loaded, and
// each held while the link is made. The link lock is held from before the pins are found
// until after their guards are let go, so that what the linking lets go (a placeholder left
// without links) is freed with no guard held: a guard held meanwhile could be the one another
// thread's freeing waits for while it holds the guard of what this thread frees.
struct TLinkTarget {
  TPNLinkLockHold Links;
  TPNBasicPin* Pin = nullptr;
  TPNBasicPin* After = nullptr;
  TGuardHold PinHold, AfterHold;
};

void LookUpRef(TPNBasicPin* AFor, TPNPinType AType, TSourceRef& ARef, TLinkTarget& ATarget) {
  AFor->AdjustLoadedFormName(ARef.Ident);
  AFor->AdjustLoadedFormName(ARef.Display);
  AFor->AdjustLoadedFormName(ARef.After);
  if (!ARef.After.empty()) ATarget.After = LookUp(AFor, ptSink, ARef.After, ARef.After, ATarget.AfterHold);
  ATarget.Pin = LookUp(AFor, AType, ARef.Ident, ARef.Display, ATarget.PinHold);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// "Form" and "State"

void TPNPin::DefineProperties(platform::TFiler* Filer) {
  TPNBasicPin::DefineProperties(Filer);
  Filer->DefineProperty(
      "Form", [this](TReader* r) { ReadForm(r); }, [this](TWriter* w) { WriteForm(w); },
      HasFormData());
  Filer->DefineProperty(
      "State", [this](TReader* r) { ReadState(r); }, [this](TWriter* w) { WriteState(w); },
      HasStateData());
}

void TPNPin::ReadForm(TReader* Reader) { SetLoadFormName(Reader->ReadIdent()); }

void TPNPin::WriteForm(TWriter* Writer) { Writer->WriteIdent(RootNameOf(FOwner)); }

void TPNPin::ReadState(TReader* Reader) {
  ResolvePlaceholders();
  std::string name = ReadStateName(Reader);
  JoinStateByName(name);
}

void TPNPin::WriteState(TWriter* Writer) { WriteStateValue(Writer); }

// Holds the state link and its members while asking their names.
void TPNPin::WriteStateValue(TWriter* Writer) {
  TPNStateLinkHold hold(this);
  auto* link = dynamic_cast<TPNNamedStateDispatcher*>(hold.Link);
  if (!link) return;
  // A link that spans forms is written in full by one pin of each form: the first member
  // of the form in the link's order, so that every form's text names the members on the
  // other forms however many forms are written, and in whatever order.
  TGuardHolds held;
  const std::vector<TPNStateMember> members = HoldStateMembers(link, held);
  const std::string ownRoot = GetRootName();
  bool firstOfForm = false;
  for (const TPNStateMember& m : members)
    if (m.RealPin && m.RealPin->GetRootName() == ownRoot) {
      firstOfForm = m.RealPin == this;
      break;
    }
  if (firstOfForm && link->IsCrosForm()) {
    Writer->WriteListBegin();
    Writer->WriteString(link->GetName());
    for (const TPNStateMember& m : members)
      if (m.RealPin && m.RealPin->GetRootName() != ownRoot) WritePinName(Writer, m.RealPin);
    Writer->WriteListEnd();
  } else {
    Writer->WriteString(link->GetName());
  }
}

void TPNPin::WritePinListEntry(TWriter* Writer) {
  if (HasStateData()) {
    Writer->WriteIdent("State");
    Writer->WriteListBegin();
    WriteStateValue(Writer);
    WritePinListLinks(Writer);
    Writer->WriteListEnd();
  } else if (!WritePinListLinks(Writer)) {
    Writer->WriteIdent("nil");
  }
}

// ---------------------------------------------------------------------------------------
// Source pins: "SinkPins"

void TPNSourcePin::DefineProperties(platform::TFiler* Filer) {
  TPNStreamPin::DefineProperties(Filer);
  Filer->DefineProperty(
      "SinkPins", [this](TReader* r) { ReadLinks(r); }, [this](TWriter* w) { WriteSinks(w); },
      HasSinks());
}

void TPNSourcePin::ReadLinks(TReader* Reader) {
  ResolvePlaceholders();
  Reader->ReadListBegin();
  // Each sink: Ident | ( Ident [AfterIdent] ['Display'] )
  while (!Reader->EndOfList()) {
    TSourceRef ref;
    if (Reader->NextValue() == platform::vaList) {
      Reader->ReadListBegin();
      ref.Ident = Reader->ReadIdent();
      if (Reader->NextValue() == platform::vaIdent) ref.After = Reader->ReadIdent();
      ref.Display = IsStringValue(Reader->NextValue()) ? Reader->ReadString() : ref.Ident;
      Reader->ReadListEnd();
    } else {
      ReadPinName(Reader, ref);
    }
    TLinkTarget t;
    LookUpRef(this, ptSink, ref, t);
    if (t.Pin) LinkToSink(t.Pin, t.After);
  }
  Reader->ReadListEnd();
}

bool TPNSourcePin::WritePinListLinks(TWriter* Writer) {
  if (!HasSinks()) return false;
  Writer->WriteIdent("Sinks");
  WriteSinks(Writer);
  return true;
}

// Takes the pin's lock to copy its links (holding the pins they name); writes their names
// with it released.
void TPNSourcePin::WriteSinks(TWriter* Writer) {
  std::vector<std::pair<TPNBasicPin*, TPNBasicPin*>> sinks;
  TGuardHolds held;
  {
    auto s = ReadLock();
    for (int32_t i = 0; i < FSinkPins->Count(); ++i) {
      TPNBasicPin* sink = (*FSinkPins)[i]->RealPin;
      TPNBasicPin* after = (*FSinkPins)[i]->NotifyAfterPin;
      if (!held.Take(sink)) continue;
      if (after && !held.Take(after)) after = nullptr;
      sinks.emplace_back(sink, after);
    }
  }
  Writer->WriteListBegin();
  for (const auto& [sink, after] : sinks) WritePinName(Writer, sink, after);
  Writer->WriteListEnd();
}

// ---------------------------------------------------------------------------------------
// Sink pins: "SourcePin" and "StateConverter"

void TPNSinkPin::DefineProperties(platform::TFiler* Filer) {
  TPNBasicSinkPin::DefineProperties(Filer);
  Filer->DefineProperty(
      "SourcePin", [this](TReader* r) { ReadLinks(r); }, [this](TWriter* w) { WriteSource(w); },
      HasSourceData());
  Filer->DefineProperty(
      "StateConverter", [this](TReader* r) { ReadStateConverter(r); },
      [this](TWriter* w) { WriteStateConverter(w); }, HasStateConverter());
}

void TPNSinkPin::ReadLinks(TReader* Reader) {
  ResolvePlaceholders();
  TSourceRef ref = ReadSourceRef(Reader);
  TLinkTarget t;
  LookUpRef(this, ptSource, ref, t);
  if (!t.Pin) return;
  // A placeholder records the link itself: a pin of a form being run would refuse a peer
  // of another design state, which every placeholder is.
  if (IsPlaceholder(t.Pin))
    t.Pin->ConnectAfter(this, t.After);
  else
    ConnectAfter(t.Pin, t.After);
}

// Holds the source (and the after-pin) while asking their names.
void TPNSinkPin::WriteSource(TWriter* Writer) {
  TGuardHold held, afterHeld;
  TPNBasicPin* source = nullptr;
  {
    auto s = ReadLock();
    source = FRealSourcePin;
    if (source) held.Take(source);
  }
  if (!source || !held.Granted()) return;
  TPNBasicPin* after = source->GetNotifyAfterPin(this);
  if (after) {
    // The after-pin is one of the source's sinks: held under the source's lock.
    auto s = source->ReadLock();
    if (source->GetNotifyAfterPin(this) == after) afterHeld.Take(after);
    if (!afterHeld.Granted()) after = nullptr;
  }
  if (!after) {
    WritePinName(Writer, source);
    return;
  }
  Writer->WriteListBegin();
  Writer->WriteListBegin();
  WritePinName(Writer, source);
  Writer->WriteIdent(after->GetFullIdentName(true));
  Writer->WriteListEnd();
  Writer->WriteListEnd();
}

bool TPNSinkPin::WritePinListLinks(TWriter* Writer) {
  if (!HasSourceData()) return false;
  WriteSource(Writer);
  return true;
}

// Takes the link lock to make the converter's link; the first operation goes out after it.
void TPNSinkPin::ReadStateConverter(TReader* Reader) {
  ResolvePlaceholders();
  Reader->ReadListBegin();
  const std::string name = ReadStateName(Reader);
  const TGUID inputID = platform::StringToGUID(Reader->ReadString());
  const TGUID outputID = platform::StringToGUID(Reader->ReadString());
  Reader->ReadListEnd();
  // A pair without a registered converter makes no link (the value has been read whole).
  TClass cls = FindTypeConverter(inputID, outputID);
  if (!cls) return;
  bool joined = false;
  {
    TPNLinkLockHold links;
    TObject* made = cls->Create(nullptr);
    RefPtr<IPNFormatConverter> converter(dynamic_cast<IPNFormatConverter*>(made));
    if (!converter) {
      platform::Free(made);
      return;
    }
    TPNStateDispatcher* link = TPNNamedStateDispatcher::GetByNameCreate(this, name, IsDesigning());
    // The sink belongs to the link too (as when it joins by state through a converter), so
    // that it writes its "StateConverter" again.
    joined = link && AttachStateConverter(link, converter, this, nullptr, nullptr);
    ReleaseOutsideLinkLock(std::move(converter));
  }
  if (joined) PushToStateLink();
}

// Takes the pin's lock to reference the converter; asks its pins with it released.
void TPNSinkPin::WriteStateConverter(TWriter* Writer) {
  RefPtr<IPNFormatConverter> converter = GetFormatConverter();
  if (!converter) {
    auto s = ReadLock();
    if (FConnectionSourcePin) converter = ConverterOf(FConnectionSourcePin->GetOwner());
  }
  TPNFormatConverterPins* pins = ConverterPins(converter.Get());
  TGUID inputID, outputID;
  if (pins) {
    inputID = pins->InputPin()->GetDownStreamID();
    outputID = pins->OutputPin()->GetPrimaryConnectionID();
    // A converter fed by state has no negotiated input link: its input type is the one the
    // registry pairs with its class and output type, which is what reading it back needs.
    if (inputID.IsEmpty()) {
      const auto& entries = TypeConverters();
      for (size_t i = entries.size(); i-- > 0;)
        if (entries[i].ConverterClass == &converter->GetInstance()->ClassType() &&
            entries[i].OutputID == outputID) {
          inputID = entries[i].InputID;
          break;
        }
    }
  }
  Writer->WriteListBegin();
  WriteStateValue(Writer);
  Writer->WriteString(GUIDText(inputID));
  Writer->WriteString(GUIDText(outputID));
  Writer->WriteListEnd();
  ReleaseOutsideLinkLock(std::move(converter));
}

// ---------------------------------------------------------------------------------------
// Pin lists: "Form", "Pins" and "PinsOwner"

void TPNPinList::DefineProperties(platform::TFiler* Filer) {
  TPNObject::DefineProperties(Filer);
  Filer->DefineProperty(
      "Form", [this](TReader* r) { SetLoadFormName(r->ReadIdent()); },
      [this](TWriter* w) {
        // Always written: a list without an owner names the form being written.
        TComponent* root = GetRoot() ? GetRoot() : w->LookupRoot();
        w->WriteIdent(root ? root->Name() : std::string());
      },
      true);
  Filer->DefineProperty(
      "Pins", [this](TReader* r) { ReadPins(r); }, [this](TWriter* w) { WritePins(w); },
      HasPinsData());
  Filer->DefineProperty(
      "PinsOwner", [](TReader* r) { (void)r->ReadBoolean(); }, [](TWriter*) {}, false);
}

bool TPNPinList::HasPinsData() {
  for (int32_t i = 0, n = EntryCount(); i < n; ++i)
    if (TPNBasicPin* p = EntryAt(i); p && p->IsConnected()) return true;
  return false;
}

// Takes the list's lock to copy its pins; each writes its entry with it released.
void TPNPinList::WritePins(TWriter* Writer) {
  std::vector<TPNBasicPin*> pins;
  {
    auto s = ReadLock();
    for (const TEntry& e : FPinsList) pins.push_back(e.Pin);
  }
  Writer->WriteListBegin();
  for (TPNBasicPin* p : pins) {
    if (p)
      p->WritePinListEntry(Writer);
    else
      Writer->WriteIdent("nil");
  }
  Writer->WriteListEnd();
}

void TPNPinList::ReadPeerList(TReader* Reader, int32_t Index, TPNPinType AType, TPNPinType PeerType) {
  Reader->ReadListBegin();
  while (!Reader->EndOfList()) {
    // Ident | ( Ident ['Display'] ... ), the rest of the list skipped
    TSourceRef ref;
    if (Reader->NextValue() == platform::vaList) {
      Reader->ReadListBegin();
      ReadIdentDisplay(Reader, ref);
      while (!Reader->EndOfList()) Reader->SkipValue();
      Reader->ReadListEnd();
    } else {
      ReadPinName(Reader, ref);
    }
    LinkPinAt(Index, AType, PeerType, ref.Ident, ref.Display);
  }
  Reader->ReadListEnd();
}

void TPNPinList::ReadLinkBody(TReader* Reader, int32_t Index, const std::string* Ident) {
  if (!Ident && Reader->NextValue() == platform::vaList) {
    TSourceRef ref = ReadSourceRef(Reader);
    LinkPinAt(Index, ptSink, ptSource, ref.Ident, ref.Display);
    return;
  }
  const std::string ident = Ident ? *Ident : Reader->ReadIdent();
  if (ident == "nil") return;
  if (ident == "Sinks")
    ReadPeerList(Reader, Index, ptSource, ptSink);
  else if (ident == "Sources")
    ReadPeerList(Reader, Index, ptMultiSink, ptSource);
  else
    LinkPinAt(Index, ptSink, ptSource, ident, ident);
}

void TPNPinList::ReadPins(TReader* Reader) {
  // Each entry: nil | Sinks (...) | Sources (...) | a source reference
  //           | State ( StateValue [one of the others] )
  Reader->ReadListBegin();
  for (int32_t i = 0; !Reader->EndOfList(); ++i) {
    if (Reader->NextValue() == platform::vaList) {
      ReadLinkBody(Reader, i, nullptr);
      continue;
    }
    const std::string ident = Reader->ReadIdent();
    if (ident != "State") {
      ReadLinkBody(Reader, i, &ident);
      continue;
    }
    Reader->ReadListBegin();
    if (TPNBasicPin* item = EntryAt(i)) {
      item->ReadState(Reader);
    } else {
      while (IsStringValue(Reader->NextValue())) LinkPinAt(i, ptState, ptState, "State", Reader->ReadString());
      if (Reader->NextValue() == platform::vaList) Reader->SkipValue();
    }
    if (!Reader->EndOfList()) ReadLinkBody(Reader, i, nullptr);
    Reader->ReadListEnd();
  }
  Reader->ReadListEnd();
}

}  // namespace pins
