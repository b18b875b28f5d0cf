// The process-wide registries of stream types and format converters.
//
// A stream type is a GUID. The stream-type registry gives it a display name, an optional
// colour and line thickness, and an optional global send function; the converter registry
// names, for an ordered pair of stream types, the format-converter class that turns the
// first into the second. Both are filled by the stream-type units during start-up on the
// main thread and only read afterwards (so they are not locked); entries keep the order of
// their first registration and are removed only at shutdown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Colors.h"
#include "platform/Interfaces.h"
#include "platform/Objects.h"
#include "platform/Units.h"

namespace pins {

using platform::TGUID;

// Declared by the pin framework.
class TPNPin;
struct IPNStream;
struct IPNNotifyOperation;
struct TPNNotifyState;
struct TPNNotifyResult;

// A colour: red in bits 0-7, green 8-15, blue 16-23.
using platform::TColor;

// The global send function of a stream type: delivers an operation to a receiving pin's
// stream interface when the pin has no submit function of its own.
using TPNGlobalSubmit = TPNNotifyResult (*)(TPNPin* sender, IPNStream* handler,
                                            const TGUID* dataTypeID,
                                            IPNNotifyOperation* operation, TPNNotifyState state);

// A format-converter class (a class reference).
using TPNFormatConverterClass = platform::TClass;

struct TPNStreamTypeEntry {
  TGUID ID;
  std::string Name;  // empty until registered
  bool HasColor = false;
  TColor Color = 0;
  float Thickness = 0.0f;
  TPNGlobalSubmit SendFunction = nullptr;
};

struct TPNTypeConverterEntry {
  TGUID InputID;
  TGUID OutputID;
  TPNFormatConverterClass ConverterClass = nullptr;
};

// The registries themselves, in order of first registration. Readers walk them directly.
std::vector<TPNStreamTypeEntry>& StreamTypes();
std::vector<TPNTypeConverterEntry>& TypeConverters();

// Index of the entry of id, appending an empty one when there is none.
int32_t FindOrAddStreamType(const TGUID& id);
void RegisterStreamTypeName(const TGUID& id, const std::string& name);
void RegisterStreamTypeColor(const TGUID& id, const std::string& name, TColor color,
                             float thickness);
void RegisterStreamTypeSendFunction(const TGUID& id, TPNGlobalSubmit sendFunction);

// Index of the entry of the ordered pair, or -1.
int32_t IndexOfTypeConverter(const TGUID& inputID, const TGUID& outputID);
// A later registration of a pair replaces the class and keeps the pair's position.
void RegisterTypeConverter(const TGUID& inputID, const TGUID& outputID,
                           TPNFormatConverterClass converterClass);
// The class registered for the pair, or null.
TPNFormatConverterClass FindTypeConverter(const TGUID& inputID, const TGUID& outputID);

// "NIL ID" for the null GUID, the registered name (also an empty one) of a known type, else
// GUIDText.
std::string StreamTypeName(const TGUID& id);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with upper-case digits.
std::string GUIDText(const TGUID& id);

// Empties both registries.
void ClearRegistries();

// The registries' unit: starts them empty, clears them at shutdown. It is listed before the
// units that register stream types, so its finalization runs after theirs.
extern const platform::TUnit PNPinsRegistriesUnit;

}  // namespace pins
