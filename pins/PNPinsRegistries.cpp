#include "pins/PNPinsRegistries.h"

#include "platform/Interfaces.h"

namespace pins {

std::vector<TPNStreamTypeEntry>& StreamTypes() {
  static std::vector<TPNStreamTypeEntry> entries;
  return entries;
}

std::vector<TPNTypeConverterEntry>& TypeConverters() {
  static std::vector<TPNTypeConverterEntry> entries;
  return entries;
}

int32_t FindOrAddStreamType(const TGUID& id) {
  auto& entries = StreamTypes();
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].ID == id) return static_cast<int32_t>(i);
  TPNStreamTypeEntry entry;
  entry.ID = id;
  entries.push_back(entry);
  return static_cast<int32_t>(entries.size() - 1);
}

void RegisterStreamTypeName(const TGUID& id, const std::string& name) {
  StreamTypes()[static_cast<size_t>(FindOrAddStreamType(id))].Name = name;
}

void RegisterStreamTypeColor(const TGUID& id, const std::string& name, TColor color,
                             float thickness) {
  auto& entry = StreamTypes()[static_cast<size_t>(FindOrAddStreamType(id))];
  entry.Name = name;
  entry.HasColor = true;
  entry.Color = color;
  entry.Thickness = thickness;
}

void RegisterStreamTypeSendFunction(const TGUID& id, TPNGlobalSubmit sendFunction) {
  StreamTypes()[static_cast<size_t>(FindOrAddStreamType(id))].SendFunction = sendFunction;
}

int32_t IndexOfTypeConverter(const TGUID& inputID, const TGUID& outputID) {
  const auto& entries = TypeConverters();
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].InputID == inputID && entries[i].OutputID == outputID)
      return static_cast<int32_t>(i);
  return -1;
}

void RegisterTypeConverter(const TGUID& inputID, const TGUID& outputID,
                           TPNFormatConverterClass converterClass) {
  const int32_t index = IndexOfTypeConverter(inputID, outputID);
  if (index >= 0) {
    TypeConverters()[static_cast<size_t>(index)].ConverterClass = converterClass;
    return;
  }
  TypeConverters().push_back({inputID, outputID, converterClass});
}

TPNFormatConverterClass FindTypeConverter(const TGUID& inputID, const TGUID& outputID) {
  const int32_t index = IndexOfTypeConverter(inputID, outputID);
  return index < 0 ? nullptr : TypeConverters()[static_cast<size_t>(index)].ConverterClass;
}

std::string StreamTypeName(const TGUID& id) {
  if (id.IsEmpty()) return "NIL ID";
  for (const auto& entry : StreamTypes())
    if (entry.ID == id) return entry.Name;
  return GUIDText(id);
}

std::string GUIDText(const TGUID& id) { return platform::GUIDToString(id); }

void ClearRegistries() {
  StreamTypes().clear();
  TypeConverters().clear();
}

const platform::TUnit PNPinsRegistriesUnit{"PNPinsRegistries", ClearRegistries, ClearRegistries};

}  // namespace pins
