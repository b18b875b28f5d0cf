// The value stream's shared building blocks: names, string kinds and raw values.
#include "platform/StreamingInternal.h"

#include <limits>

namespace platform::streaming {

static_assert(std::numeric_limits<long double>::digits == 64,
              "extended floats are stored as the 80-bit x87 format");

// A name made of identifiers joined by dots.
bool IsDottedIdent(std::string_view s) {
  if (s.empty()) return false;
  size_t start = 0;
  while (true) {
    size_t dot = s.find('.', start);
    std::string_view part =
        s.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (!IsValidIdent(part)) return false;
    if (dot == std::string_view::npos) return true;
    start = dot + 1;
  }
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

TValueType StringKind(std::string_view s) {
  if (!IsAscii(s)) return vaUTF8String;
  return s.size() <= 255 ? vaString : vaLString;
}

// ---- Raw stream building blocks ------------------------------------------------------------

void PutLength(std::string& out, size_t n) {
  if (n > 0xFFFFFFFFu) throw EWriteError("A value is too long to be stored");
  uint32_t v = static_cast<uint32_t>(n);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutStr(std::string& out, std::string_view s) {
  PutLength(out, s.size());
  out.append(s);
}

void PutInteger(std::string& out, int64_t v) {
  if (v >= INT8_MIN && v <= INT8_MAX) {
    out.push_back(static_cast<char>(vaInt8));
    PutRaw(out, static_cast<int8_t>(v));
  } else if (v >= INT16_MIN && v <= INT16_MAX) {
    out.push_back(static_cast<char>(vaInt16));
    PutRaw(out, static_cast<int16_t>(v));
  } else if (v >= INT32_MIN && v <= INT32_MAX) {
    out.push_back(static_cast<char>(vaInt32));
    PutRaw(out, static_cast<int32_t>(v));
  } else {
    out.push_back(static_cast<char>(vaInt64));
    PutRaw(out, v);
  }
}

void PutExtended(std::string& out, long double v) {
  out.push_back(static_cast<char>(vaExtended));
  PutRaw(out, v, 10);
}
}  // namespace platform::streaming
