#include "platform/Interfaces.h"

#include <cstdio>

#include "platform/SysUtils.h"

namespace platform {

PF_DEFINE_CLASS(TInterfacedObject, TObject)

void detail::ThrowBadGUID(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a valid GUID value");
}

std::string GUIDToString(const TGUID& g) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.D1,
                g.D2, g.D3, g.D4[0], g.D4[1], g.D4[2], g.D4[3], g.D4[4], g.D4[5], g.D4[6], g.D4[7]);
  return buffer;
}

TGUID StringToGUID(std::string_view text) { return TGUID::Parse(text); }

}  // namespace platform
