// Pins: pin names and pin paths.
// Part of pins/PNPins.h, which includes the pin headers in order.
#pragma once

#include "pins/PNPinsLinkViews.h"

namespace pins {

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

}  // namespace pins
