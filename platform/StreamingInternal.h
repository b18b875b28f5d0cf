// Internal to the streaming unit: the pieces of the value stream shared by the text
// conversion, the reader and the writer. Not part of the public interface (platform/Streaming.h).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/Streaming.h"

namespace platform::streaming {

inline constexpr const char* kInvalidValue = "Invalid property value";

// A name made of identifiers joined by dots.
bool IsDottedIdent(std::string_view s);

bool IsAscii(std::string_view s);

TValueType StringKind(std::string_view s);

// ---- Raw stream building blocks ------------------------------------------------------------

void PutLength(std::string& out, size_t n);

void PutStr(std::string& out, std::string_view s);

template <class T>
void PutRaw(std::string& out, T value, size_t bytes = sizeof(T)) {
  char buffer[sizeof(T)];
  std::memcpy(buffer, &value, sizeof(T));
  out.append(buffer, bytes);
}

void PutInteger(std::string& out, int64_t v);

void PutExtended(std::string& out, long double v);

// A bounds-checked view over a value stream.
class TStreamCursor {
 public:
  explicit TStreamCursor(std::string_view data, size_t pos = 0) : FData(data), FPos(pos) {}

  size_t Pos() const { return FPos; }
  bool AtEnd() const { return FPos >= FData.size(); }
  uint8_t Byte() {
    Need(1);
    return static_cast<uint8_t>(FData[FPos++]);
  }
  uint8_t PeekByte() {
    Need(1);
    return static_cast<uint8_t>(FData[FPos]);
  }
  const char* Bytes(size_t n) {
    Need(n);
    const char* p = FData.data() + FPos;
    FPos += n;
    return p;
  }
  uint32_t Length() {
    const char* p = Bytes(4);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(p[i])) << (8 * i);
    return v;
  }
  std::string_view Str() {
    uint32_t n = Length();
    return std::string_view(Bytes(n), n);
  }
  template <class T>
  T Raw(size_t bytes = sizeof(T)) {
    T v{};
    std::memcpy(&v, Bytes(bytes), bytes);
    return v;
  }
  TValueType Kind() {
    uint8_t b = Byte();
    if (b > vaDouble) throw EReadError("Invalid stream format");
    return static_cast<TValueType>(b);
  }
  TValueType PeekKind() {
    uint8_t b = PeekByte();
    if (b > vaDouble) throw EReadError("Invalid stream format");
    return static_cast<TValueType>(b);
  }

  // Skips the payload of a value whose kind was read.
  void SkipPayload(TValueType kind, int depth) {
    if (depth > MaxStreamNesting) throw EReadError("The form data is nested too deeply");
    switch (kind) {
      case vaNull:
      case vaFalse:
      case vaTrue:
      case vaNil:
        return;
      case vaList:
        while (PeekKind() != vaNull) SkipPayload(Kind(), depth + 1);
        Byte();
        return;
      case vaInt8:
        Bytes(1);
        return;
      case vaInt16:
        Bytes(2);
        return;
      case vaInt32:
      case vaSingle:
        Bytes(4);
        return;
      case vaInt64:
      case vaDouble:
        Bytes(8);
        return;
      case vaExtended:
        Bytes(10);
        return;
      case vaString:
      case vaLString:
      case vaWString:
      case vaUTF8String:
      case vaIdent:
      case vaBinary:
        Str();
        return;
      case vaSet:
        while (!Str().empty()) {
        }
        return;
      case vaCollection:
        while (PeekKind() != vaNull) {
          if (Kind() != vaList) throw EReadError("Invalid stream format");
          while (!Str().empty()) SkipPayload(Kind(), depth + 2);
        }
        Byte();
        return;
    }
  }

 private:
  void Need(size_t n) {
    if (n > FData.size() - FPos) throw EReadError("Unexpected end of the form data");
  }
  std::string_view FData;
  size_t FPos;
};

}  // namespace platform::streaming
