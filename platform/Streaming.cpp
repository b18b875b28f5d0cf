#include "platform/Streaming.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <new>

#include "platform/Interfaces.h"

namespace platform {

static_assert(std::numeric_limits<long double>::digits == 64,
              "extended floats are stored as the 80-bit x87 format");

PF_DEFINE_CLASS(TFiler, TObject)
PF_DEFINE_CLASS(TReader, TFiler)
PF_DEFINE_CLASS(TWriter, TFiler)

namespace {

constexpr const char* kInvalidValue = "Invalid property value";

// An error that already names the component and property it happened in.
class EReadContextError : public EReadError {
 public:
  using EReadError::EReadError;
};

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

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

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    size_t dot = path.find('.', start);
    if (dot == std::string_view::npos) {
      parts.push_back(path.substr(start));
      return parts;
    }
    parts.push_back(path.substr(start, dot - start));
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

bool IsStringKind(TValueType t) {
  return t == vaString || t == vaLString || t == vaWString || t == vaUTF8String;
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

template <class T>
void PutRaw(std::string& out, T value, size_t bytes = sizeof(T)) {
  char buffer[sizeof(T)];
  std::memcpy(buffer, &value, sizeof(T));
  out.append(buffer, bytes);
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

// ---- Float text -------------------------------------------------------------------------------

std::string CharsToString(long double v, std::chars_format format, int precision) {
  char buffer[128];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, v, format, precision);
  return std::string(buffer, r.ptr);
}

bool ParseFloat(std::string_view text, long double& value) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  auto r = std::from_chars(first, last, value);
  return r.ec == std::errc() && r.ptr == last;
}

// The text of a float: 18 decimals as the class library writes them when that gives the
// value back exactly in the type it is stored as, otherwise the shortest exponent form that
// does.
std::string FloatText(long double v, TFloatType type) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  auto exact = [&](const std::string& s) {
    long double r = 0;
    if (!ParseFloat(s, r)) return false;
    if (std::signbit(r) != std::signbit(v)) return false;
    switch (type) {
      case ftSingle:
        return static_cast<float>(r) == static_cast<float>(v);
      case ftDouble:
        return static_cast<double>(r) == static_cast<double>(v);
      default:
        return r == v;
    }
  };
  if (std::fabs(v) < 1e15L) {
    std::string s = CharsToString(v, std::chars_format::fixed, 18);
    if (exact(s)) return s;
  }
  for (int precision = 8; precision < 20; ++precision) {
    std::string s = CharsToString(v, std::chars_format::scientific, precision);
    if (exact(s)) return s;
  }
  return CharsToString(v, std::chars_format::scientific, 20);
}

// ---- Text to stream -----------------------------------------------------------------------------

class TTextParser {
 public:
  explicit TTextParser(std::string_view text) : FText(text) {}

  std::string Convert() {
    if (FText.substr(0, 3) == "\xEF\xBB\xBF") FPos = 3;  // a UTF-8 byte order mark
    SkipBlanks();
    ParseObject(0);
    SkipBlanks();
    if (FPos < FText.size()) Error("Text after the end of the form");
    return std::move(FOut);
  }

 private:
  [[noreturn]] void Error(const std::string& message) {
    throw EParserError(Format("%s on line %d", message.c_str(), FLine));
  }

  void Depth(int depth) {
    if (depth > MaxStreamNesting) Error("The form is nested too deeply");
  }

  void SkipBlanks() {
    while (FPos < FText.size()) {
      char c = FText[FPos];
      if (c == '\n') {
        ++FLine;
      } else if (c != ' ' && c != '\t' && c != '\r' && c != '\f' && c != '\v') {
        break;
      }
      ++FPos;
    }
  }

  bool AtEnd() {
    SkipBlanks();
    return FPos >= FText.size();
  }

  char Peek() {
    SkipBlanks();
    return FPos < FText.size() ? FText[FPos] : '\0';
  }

  void Expect(char c) {
    if (Peek() != c) Error(Format("'%c' expected", c));
    ++FPos;
  }

  // An identifier, with dotted parts when allowed.
  std::string Symbol(bool dotted) {
    SkipBlanks();
    if (FPos >= FText.size() || !IsIdentStart(FText[FPos])) Error("Identifier expected");
    size_t start = FPos;
    while (true) {
      while (FPos < FText.size() && IsIdentChar(FText[FPos])) ++FPos;
      if (dotted && FPos + 1 < FText.size() && FText[FPos] == '.' &&
          IsIdentStart(FText[FPos + 1])) {
        ++FPos;
        continue;
      }
      break;
    }
    return std::string(FText.substr(start, FPos - start));
  }

  bool PeekSymbolIs(const char* word) {
    SkipBlanks();
    size_t n = std::strlen(word);
    if (FText.size() - FPos < n) return false;
    if (!detail::SameText(FText.substr(FPos, n), word)) return false;
    return FPos + n >= FText.size() || !IsIdentChar(FText[FPos + n]);
  }

  void ParseObject(int depth) {
    Depth(depth);
    if (!PeekSymbolIs("object")) Error("'object' expected");
    Symbol(false);
    std::string first = Symbol(false);
    std::string name, className;
    if (Peek() == ':') {
      ++FPos;
      name = first;
      className = Symbol(false);
    } else {
      className = first;
    }
    PutStr(FOut, className);
    PutStr(FOut, name);
    while (!PeekSymbolIs("end") && !PeekSymbolIs("object")) {
      if (AtEnd()) Error("'end' expected");
      std::string prop = Symbol(true);
      PutStr(FOut, prop);
      Expect('=');
      ParseValue(depth + 1);
    }
    PutStr(FOut, "");
    while (!PeekSymbolIs("end")) {
      if (AtEnd()) Error("'end' expected");
      FOut.push_back(1);
      ParseObject(depth + 1);
    }
    Symbol(false);  // end
    FOut.push_back(0);
  }

  void ParseValue(int depth) {
    Depth(depth);
    char c = Peek();
    if (c == '\0') Error("Value expected");
    if (c == '\'' || c == '#') {
      std::string s = ParseString();
      FOut.push_back(static_cast<char>(StringKind(s)));
      PutStr(FOut, s);
    } else if (c == '-' || c == '+' || c == '$' || (c >= '0' && c <= '9')) {
      ParseNumber();
    } else if (IsIdentStart(c)) {
      std::string ident = Symbol(true);
      if (detail::SameText(ident, "True")) {
        FOut.push_back(static_cast<char>(vaTrue));
      } else if (detail::SameText(ident, "False")) {
        FOut.push_back(static_cast<char>(vaFalse));
      } else if (detail::SameText(ident, "nil")) {
        FOut.push_back(static_cast<char>(vaNil));
      } else {
        FOut.push_back(static_cast<char>(vaIdent));
        PutStr(FOut, ident);
      }
    } else if (c == '[') {
      ++FPos;
      FOut.push_back(static_cast<char>(vaSet));
      if (Peek() != ']') {
        while (true) {
          PutStr(FOut, Symbol(false));
          if (Peek() == ']') break;
          Expect(',');
        }
      }
      ++FPos;
      PutStr(FOut, "");
    } else if (c == '(') {
      ++FPos;
      FOut.push_back(static_cast<char>(vaList));
      while (Peek() != ')') ParseValue(depth + 1);
      ++FPos;
      FOut.push_back(static_cast<char>(vaNull));
    } else if (c == '{') {
      ++FPos;
      std::string bytes;
      int high = -1;
      while (Peek() != '}') {
        if (AtEnd()) Error("'}' expected");
        int d = detail::HexDigit(FText[FPos++]);
        if (d < 0) Error("Invalid binary value");
        if (high < 0) {
          high = d;
        } else {
          bytes.push_back(static_cast<char>(high * 16 + d));
          high = -1;
        }
      }
      ++FPos;
      if (high >= 0) Error("Invalid binary value");
      FOut.push_back(static_cast<char>(vaBinary));
      PutStr(FOut, bytes);
    } else if (c == '<') {
      ++FPos;
      FOut.push_back(static_cast<char>(vaCollection));
      while (Peek() != '>') {
        if (!PeekSymbolIs("item")) Error("'item' expected");
        Symbol(false);
        FOut.push_back(static_cast<char>(vaList));
        while (!PeekSymbolIs("end")) {
          if (AtEnd()) Error("'end' expected");
          std::string prop = Symbol(true);
          PutStr(FOut, prop);
          Expect('=');
          ParseValue(depth + 2);
        }
        Symbol(false);
        PutStr(FOut, "");
      }
      ++FPos;
      FOut.push_back(static_cast<char>(vaNull));
    } else {
      Error(kInvalidValue);
    }
  }

  // One string: quoted parts and #code characters side by side, parts joined by '+'.
  std::string ParseString() {
    std::string s;
    uint32_t pendingHigh = 0;  // a UTF-16 high surrogate waiting for its low half
    auto putCode = [&](uint32_t code) {
      if (pendingHigh) {
        if (code < 0xDC00 || code > 0xDFFF) Error("Invalid character code");
        code = 0x10000 + ((pendingHigh - 0xD800) << 10) + (code - 0xDC00);
        pendingHigh = 0;
      } else if (code >= 0xD800 && code <= 0xDBFF) {
        pendingHigh = code;
        return;
      } else if (code >= 0xDC00 && code <= 0xDFFF) {
        Error("Invalid character code");
      }
      if (code < 0x80) {
        s.push_back(static_cast<char>(code));
      } else if (code < 0x800) {
        s.push_back(static_cast<char>(0xC0 | (code >> 6)));
        s.push_back(static_cast<char>(0x80 | (code & 0x3F)));
      } else if (code < 0x10000) {
        s.push_back(static_cast<char>(0xE0 | (code >> 12)));
        s.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | (code & 0x3F)));
      } else {
        s.push_back(static_cast<char>(0xF0 | (code >> 18)));
        s.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | (code & 0x3F)));
      }
    };
    while (true) {
      // The parts of one run follow each other without blanks.
      while (FPos < FText.size() && (FText[FPos] == '\'' || FText[FPos] == '#')) {
        if (pendingHigh && FText[FPos] == '\'') Error("Invalid character code");
        if (FText[FPos] == '\'') {
          ++FPos;
          while (true) {
            if (FPos >= FText.size()) Error("Unterminated string");
            char ch = FText[FPos];
            if (ch == '\n' || ch == '\r') Error("Unterminated string");
            ++FPos;
            if (ch == '\'') {
              if (FPos < FText.size() && FText[FPos] == '\'') {
                s.push_back('\'');
                ++FPos;
                continue;
              }
              break;
            }
            s.push_back(ch);
          }
        } else {
          ++FPos;
          uint32_t code = 0;
          int digits = 0;
          bool hex = FPos < FText.size() && FText[FPos] == '$';
          if (hex) ++FPos;
          while (FPos < FText.size()) {
            int d = hex ? detail::HexDigit(FText[FPos])
                        : (FText[FPos] >= '0' && FText[FPos] <= '9' ? FText[FPos] - '0' : -1);
            if (d < 0) break;
            code = code * (hex ? 16 : 10) + static_cast<uint32_t>(d);
            if (code > 0x10FFFF) Error("Invalid character code");
            ++FPos;
            ++digits;
          }
          if (digits == 0) Error("Invalid character code");
          putCode(code);
        }
      }
      if (Peek() != '+') break;
      ++FPos;
      char next = Peek();
      if (next != '\'' && next != '#') Error("String expected");
    }
    if (pendingHigh) Error("Invalid character code");
    return s;
  }

  void ParseNumber() {
    SkipBlanks();
    size_t start = FPos;
    bool negative = false;
    if (FText[FPos] == '-' || FText[FPos] == '+') {
      negative = FText[FPos] == '-';
      ++FPos;
    }
    if (FPos < FText.size() && FText[FPos] == '$') {
      ++FPos;
      uint64_t v = 0;
      int digits = 0;
      while (FPos < FText.size() && detail::HexDigit(FText[FPos]) >= 0) {
        if (v >> 60) Error("Number out of range");
        v = v * 16 + static_cast<uint64_t>(detail::HexDigit(FText[FPos++]));
        ++digits;
      }
      if (digits == 0 || (FPos < FText.size() && IsIdentChar(FText[FPos]))) Error("Invalid number");
      if (v > static_cast<uint64_t>(INT64_MAX)) Error("Number out of range");
      // $FFFFFFFF and the like are bit patterns: hexadecimal up to 32 bits reads as Integer.
      int64_t value = v <= 0xFFFFFFFFu && v > 0x7FFFFFFFu
                          ? static_cast<int32_t>(static_cast<uint32_t>(v))
                          : static_cast<int64_t>(v);
      PutInteger(FOut, negative ? -value : value);
      return;
    }
    // The text of an infinite float ("INF" alone reads as an ident that ReadFloat accepts).
    if (FText.size() - FPos >= 3 && detail::SameText(FText.substr(FPos, 3), "INF") &&
        (FText.size() - FPos == 3 || !IsIdentChar(FText[FPos + 3]))) {
      FPos += 3;
      PutExtended(FOut, negative ? -std::numeric_limits<long double>::infinity()
                                 : std::numeric_limits<long double>::infinity());
      return;
    }
    size_t digitsStart = FPos;
    while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') ++FPos;
    if (FPos == digitsStart) Error("Invalid number");
    bool isFloat = false;
    if (FPos < FText.size() && FText[FPos] == '.') {
      isFloat = true;
      ++FPos;
      size_t fracStart = FPos;
      while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') ++FPos;
      if (FPos == fracStart) Error("Invalid number");
    }
    if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
      isFloat = true;
      ++FPos;
      if (FPos < FText.size() && (FText[FPos] == '+' || FText[FPos] == '-')) ++FPos;
      size_t expStart = FPos;
      while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') ++FPos;
      if (FPos == expStart) Error("Invalid number");
    }
    std::string_view number = FText.substr(start, FPos - start);
    char suffix = FPos < FText.size() ? FText[FPos] : '\0';
    bool single = suffix == 's' || suffix == 'S';
    if (single) ++FPos;
    if (FPos < FText.size() && IsIdentChar(FText[FPos])) Error("Invalid number");
    if (!isFloat && !single) {
      int64_t v = 0;
      const char* first = number.data();
      if (*first == '+') ++first;
      auto r = std::from_chars(first, number.data() + number.size(), v);
      if (r.ec != std::errc() || r.ptr != number.data() + number.size())
        Error("Number out of range");
      PutInteger(FOut, v);
      return;
    }
    long double v = 0;
    if (!ParseFloat(number, v) || !std::isfinite(v)) Error("Number out of range");
    if (single) {
      if (std::fabs(v) > std::numeric_limits<float>::max()) Error("Number out of range");
      FOut.push_back(static_cast<char>(vaSingle));
      PutRaw(FOut, static_cast<float>(v));
    } else {
      PutExtended(FOut, v);
    }
  }

  std::string_view FText;
  size_t FPos = 0;
  int FLine = 1;
  std::string FOut;
};

// ---- Stream to text
// -------------------------------------------------------------------------------

class TTextWriter {
 public:
  explicit TTextWriter(std::string_view data) : FIn(data) {}

  std::string Convert() {
    ConvertObject(0, 0);
    if (!FIn.AtEnd()) throw EReadError("Data after the end of the form");
    return std::move(FOut);
  }

 private:
  static constexpr size_t kLineLength = 64;

  void Indent(int n) { FOut.append(static_cast<size_t>(n), ' '); }

  void ConvertObject(int indent, int depth) {
    if (depth > MaxStreamNesting) throw EReadError("The form data is nested too deeply");
    std::string_view className = FIn.Str();
    std::string_view name = FIn.Str();
    if (!IsValidIdent(className) || (!name.empty() && !IsValidIdent(name)))
      throw EReadError("Invalid stream format");
    Indent(indent);
    FOut += "object ";
    if (!name.empty()) {
      FOut.append(name);
      FOut += ": ";
    }
    FOut.append(className);
    FOut += '\n';
    ConvertProperties(indent + 2, depth);
    while (true) {
      uint8_t b = FIn.Byte();
      if (b == 0) break;
      if (b != 1) throw EReadError("Invalid stream format");
      ConvertObject(indent + 2, depth + 1);
    }
    Indent(indent);
    FOut += "end\n";
  }

  void ConvertProperties(int indent, int depth) {
    while (true) {
      std::string_view prop = FIn.Str();
      if (prop.empty()) break;
      if (!IsDottedIdent(prop)) throw EReadError("Invalid stream format");
      Indent(indent);
      FOut.append(prop);
      FOut += " =";
      std::string value = ConvertValue(FIn.Kind(), indent, depth + 1);
      if (value.empty() || value[0] != '\n') FOut += ' ';
      FOut += value;
      FOut += '\n';
    }
  }

  std::string ConvertValue(TValueType kind, int indent, int depth) {
    if (depth > MaxStreamNesting) throw EReadError("The form data is nested too deeply");
    switch (kind) {
      case vaList: {
        std::string s = "(";
        while (FIn.PeekKind() != vaNull) {
          s += '\n';
          s.append(static_cast<size_t>(indent + 2), ' ');
          std::string item = ConvertValue(FIn.Kind(), indent + 2, depth + 1);
          if (!item.empty() && item[0] == '\n') item.erase(0, 1 + static_cast<size_t>(indent + 4));
          s += item;
        }
        FIn.Byte();
        return s + ")";
      }
      case vaInt8:
        return std::to_string(FIn.Raw<int8_t>());
      case vaInt16:
        return std::to_string(FIn.Raw<int16_t>());
      case vaInt32:
        return std::to_string(FIn.Raw<int32_t>());
      case vaInt64:
        return std::to_string(FIn.Raw<int64_t>());
      case vaExtended:
        return FloatText(FIn.Raw<long double>(10), ftExtended);
      case vaDouble:
        return FloatText(FIn.Raw<double>(), ftDouble);
      case vaSingle: {
        float f = FIn.Raw<float>();
        if (!std::isfinite(f)) return FloatText(f, ftExtended);
        return FloatText(f, ftSingle) + "s";
      }
      case vaString:
      case vaLString:
      case vaWString:
      case vaUTF8String:
        return StringText(FIn.Str(), indent);
      case vaIdent: {
        std::string_view ident = FIn.Str();
        if (!IsDottedIdent(ident)) throw EReadError("Invalid stream format");
        return std::string(ident);
      }
      case vaFalse:
        return "False";
      case vaTrue:
        return "True";
      case vaNil:
        return "nil";
      case vaSet: {
        std::string s = "[";
        bool first = true;
        while (true) {
          std::string_view e = FIn.Str();
          if (e.empty()) break;
          if (!IsValidIdent(e)) throw EReadError("Invalid stream format");
          if (!first) s += ", ";
          s.append(e);
          first = false;
        }
        return s + "]";
      }
      case vaBinary: {
        std::string_view bytes = FIn.Str();
        static const char* hex = "0123456789ABCDEF";
        std::string s = "{";
        for (size_t i = 0; i < bytes.size(); ++i) {
          if (i % 32 == 0) {
            s += '\n';
            s.append(static_cast<size_t>(indent + 2), ' ');
          }
          auto b = static_cast<uint8_t>(bytes[i]);
          s += hex[b >> 4];
          s += hex[b & 15];
        }
        return s + "}";
      }
      case vaCollection: {
        std::string s = "<";
        while (FIn.PeekKind() != vaNull) {
          if (FIn.Kind() != vaList) throw EReadError("Invalid stream format");
          s += '\n';
          s.append(static_cast<size_t>(indent + 2), ' ');
          s += "item\n";
          std::swap(s, FOut);
          ConvertProperties(indent + 4, depth + 1);
          std::swap(s, FOut);
          s.append(static_cast<size_t>(indent + 2), ' ');
          s += "end";
        }
        FIn.Byte();
        return s + ">";
      }
      case vaNull:
        break;
    }
    throw EReadError("Invalid stream format");
  }

  // Quoted runs of printable characters, #nn for control characters, split into lines of
  // about 64 characters joined by '+'.
  static std::string StringText(std::string_view s, int indent) {
    if (s.empty()) return "''";
    std::vector<std::string> lines;
    std::string line;
    bool quoted = false;
    size_t count = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      auto c = static_cast<unsigned char>(s[i]);
      // Break between characters, never inside a multi-byte one.
      if (count >= kLineLength && (c & 0xC0) != 0x80) {
        if (quoted) line += '\'';
        lines.push_back(std::move(line));
        line.clear();
        quoted = false;
        count = 0;
      }
      if (c < 0x20 || c == 0x7F) {
        if (quoted) line += '\'';
        quoted = false;
        line += '#';
        line += std::to_string(c);
      } else {
        if (!quoted) line += '\'';
        quoted = true;
        line += static_cast<char>(c);
        if (c == '\'') line += '\'';
      }
      ++count;
    }
    if (quoted) line += '\'';
    lines.push_back(std::move(line));
    if (lines.size() == 1) return lines[0];
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
      out += '\n';
      out.append(static_cast<size_t>(indent + 2), ' ');
      out += lines[i];
      if (i + 1 < lines.size()) out += " +";
    }
    return out;
  }

  TStreamCursor FIn;
  std::string FOut;
};

// ---- Pending references to components of forms not yet loaded ----------------------------------

struct TGlobalFixup {
  TComponent* Root;
  TComponent* Component;
  TObject* Instance;
  const TPropInfo* Prop;
  std::string Name;
};

std::mutex& FixupMutex() {
  static std::mutex m;
  return m;
}

std::vector<TGlobalFixup>& GlobalFixups() {
  static std::vector<TGlobalFixup> fixups;
  return fixups;
}

// A component named by a reference: "Button1" within the root, "Form2.Button1" through a
// global root, nested names through their owners.
TComponent* FindNestedComponent(TComponent* root, std::string_view path) {
  auto parts = SplitPath(path);
  TComponent* current = root ? root->FindComponent(parts[0]) : nullptr;
  if (!current && root && detail::SameText(root->Name(), parts[0])) current = root;
  if (!current) current = FindGlobalComponent(parts[0]);
  for (size_t i = 1; current && i < parts.size(); ++i) current = current->FindComponent(parts[i]);
  return current;
}

// Sets every pending reference whose component has become available.
void ResolveGlobalFixups() {
  std::vector<TGlobalFixup> ready;
  {
    std::lock_guard<std::mutex> lock(FixupMutex());
    auto& list = GlobalFixups();
    for (auto it = list.begin(); it != list.end();) {
      if (FindNestedComponent(it->Root, it->Name)) {
        ready.push_back(*it);
        it = list.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (const TGlobalFixup& f : ready) {
    TComponent* target = FindNestedComponent(f.Root, f.Name);
    if (target && f.Prop->SetObj) {
      try {
        f.Prop->SetObj(f.Instance, target);
      } catch (const Exception&) {
        // A reference of the wrong class stays unset, as it would have been at load time.
      }
    }
  }
}

// ---- Form resources ----------------------------------------------------------------------------

std::mutex& ResourceMutex() {
  static std::mutex m;
  return m;
}

std::map<std::string, std::string_view>& Resources() {
  static std::map<std::string, std::string_view> resources;
  return resources;
}

std::string LowerName(std::string_view name) {
  std::string s(name);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

}  // namespace

namespace detail {

void RemoveFixupsOf(TComponent* component) {
  std::lock_guard<std::mutex> lock(FixupMutex());
  auto& list = GlobalFixups();
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const TGlobalFixup& f) {
                              return f.Component == component || f.Root == component;
                            }),
             list.end());
}

}  // namespace detail

// =====================================================================================================
// TReader
// =====================================================================================================

TReader::TReader(std::string_view data) : FData(data) {}

void TReader::EnterNesting() {
  if (++FNesting > MaxStreamNesting) {
    --FNesting;
    throw EReadError("The form data is nested too deeply");
  }
}

uint8_t TReader::ReadByte() {
  if (FPos >= FData.size()) throw EReadError("Unexpected end of the form data");
  return static_cast<uint8_t>(FData[FPos++]);
}

const char* TReader::ReadBytes(size_t count) {
  if (count > FData.size() - FPos) throw EReadError("Unexpected end of the form data");
  const char* p = FData.data() + FPos;
  FPos += count;
  return p;
}

uint32_t TReader::ReadLength() {
  TStreamCursor c(FData, FPos);
  uint32_t n = c.Length();
  FPos = c.Pos();
  return n;
}

std::string TReader::ReadStr() {
  uint32_t n = ReadLength();
  return std::string(ReadBytes(n), n);
}

TValueType TReader::NextValue() {
  TStreamCursor c(FData, FPos);
  return c.PeekKind();
}

TValueType TReader::ReadValue() {
  TStreamCursor c(FData, FPos);
  TValueType t = c.Kind();
  FPos = c.Pos();
  return t;
}

void TReader::PropValueError() { throw EReadError(kInvalidValue); }

void TReader::CheckValue(TValueType expected) {
  if (ReadValue() != expected) {
    --FPos;
    PropValueError();
  }
}

void TReader::SkipValue() {
  TStreamCursor c(FData, FPos);
  c.SkipPayload(c.Kind(), FNesting);
  FPos = c.Pos();
}

std::string TReader::ReadString() {
  TValueType t = NextValue();
  if (!IsStringKind(t)) PropValueError();
  ReadValue();
  return ReadStr();
}

std::string TReader::ReadIdent() {
  switch (NextValue()) {
    case vaIdent:
      ReadValue();
      return ReadStr();
    case vaFalse:
      ReadValue();
      return "False";
    case vaTrue:
      ReadValue();
      return "True";
    case vaNil:
      ReadValue();
      return "nil";
    case vaNull:
      ReadValue();
      return "Null";
    default:
      PropValueError();
  }
}

int64_t TReader::ReadInt64() {
  TStreamCursor c(FData, FPos);
  int64_t v;
  switch (c.Kind()) {
    case vaInt8:
      v = c.Raw<int8_t>();
      break;
    case vaInt16:
      v = c.Raw<int16_t>();
      break;
    case vaInt32:
      v = c.Raw<int32_t>();
      break;
    case vaInt64:
      v = c.Raw<int64_t>();
      break;
    default:
      PropValueError();
  }
  FPos = c.Pos();
  return v;
}

int32_t TReader::ReadInteger() {
  size_t start = FPos;
  int64_t v = ReadInt64();
  if (v < INT32_MIN || v > INT32_MAX) {
    FPos = start;
    PropValueError();
  }
  return static_cast<int32_t>(v);
}

long double TReader::ReadFloat() {
  TStreamCursor c(FData, FPos);
  long double v;
  switch (c.Kind()) {
    case vaExtended:
      v = c.Raw<long double>(10);
      break;
    case vaDouble:
      v = c.Raw<double>();
      break;
    case vaSingle:
      v = c.Raw<float>();
      break;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
      return static_cast<long double>(ReadInt64());
    case vaIdent: {
      std::string_view name = c.Str();
      if (detail::SameText(name, "NAN"))
        v = std::numeric_limits<long double>::quiet_NaN();
      else if (detail::SameText(name, "INF"))
        v = std::numeric_limits<long double>::infinity();
      else
        PropValueError();
      break;
    }
    default:
      PropValueError();
  }
  FPos = c.Pos();
  return v;
}

template <class F>
F TReader::ReadFloatAs() {
  size_t start = FPos;
  long double v = ReadFloat();
  if (std::isfinite(v) && std::fabs(v) > std::numeric_limits<F>::max()) {
    FPos = start;
    PropValueError();
  }
  return static_cast<F>(v);
}

float TReader::ReadSingle() { return ReadFloatAs<float>(); }
double TReader::ReadDouble() { return ReadFloatAs<double>(); }

bool TReader::ReadBoolean() {
  TValueType t = NextValue();
  if (t != vaTrue && t != vaFalse) PropValueError();
  ReadValue();
  return t == vaTrue;
}

std::string TReader::ReadBinary() {
  CheckValue(vaBinary);
  return ReadStr();
}

void TReader::DefineProperty(const std::string& name, const TReaderProc& readData,
                             const TWriterProc& writeData, bool hasData) {
  (void)writeData;
  (void)hasData;
  if (FPropHandled || FPropName.empty() || !readData || !detail::SameText(name, FPropName)) return;
  FPropHandled = true;
  size_t start = FPos;
  SkipValue();
  size_t end = FPos;
  FPos = start;
  readData(this);
  // A reader that stops short or runs past its value would make the rest unreadable.
  if (FPos != end) {
    FPos = end;
    throw EReadError(Format("The value of %s was not read to its end", name.c_str()));
  }
}

void TReader::DefineBinaryProperty(const std::string& name, const TBinaryReadProc& readData,
                                   const TBinaryWriteProc& writeData, bool hasData) {
  (void)writeData;
  (void)hasData;
  if (FPropHandled || FPropName.empty() || !readData || !detail::SameText(name, FPropName)) return;
  FPropHandled = true;
  std::string bytes = ReadBinary();
  readData(bytes);
}

void TReader::ReadHeader(std::string& className, std::string& objectName) {
  className = ReadStr();
  objectName = ReadStr();
  if (!IsValidIdent(className)) throw EReadError("Invalid stream format");
}

void TReader::SetComponentName(TComponent* component, std::string name) {
  if (OnSetName) OnSetName(this, component, name);
  try {
    component->SetName(name);
  } catch (const Exception& e) {
    throw EReadContextError(Format("Error reading %s: %s", name.c_str(), e.what()));
  }
}

TComponent* TReader::ReadRootComponent(TComponent* root, const std::string* rootName) {
  std::string className, name;
  ReadHeader(className, name);
  bool created = false;
  if (!root) {
    TClass cls = FindClass(className);
    if (!cls) throw EClassNotFound(Format("Class %s not found", className.c_str()));
    if (!cls->InheritsFrom(&TComponent::StaticClass()))
      throw EReadError(Format("Class %s is not a component class", className.c_str()));
    root = CreateComponent(cls, nullptr);
    created = true;
  }
  FRoot = root;
  FLookupRoot = root;
  FOwner = root;
  FParent = nullptr;
  FLoaded.clear();
  FFixups.clear();
  try {
    root->FComponentState.Include(csLoading).Include(csReading);
    std::string newName = name;
    if (rootName) {
      newName = *rootName;
    } else if (!name.empty()) {
      // A second form of the same stored name gets Name_1, Name_2, ...
      TComponent* other = FindGlobalComponent(name);
      for (int i = 1; other && other != root; ++i) {
        newName = Format("%s_%d", name.c_str(), i);
        other = FindGlobalComponent(newName);
      }
    }
    SetComponentName(root, newName);
    FLoaded.push_back(root);
    FCurrent = root;
    root->ReadState(this);
    root->FComponentState.Exclude(csReading);
    if (FPos != FData.size()) throw EReadError("Data after the end of the form");
    ResolveFixups();
    // Loaded once the whole tree has its properties; copy first, Loaded may create more.
    std::vector<TComponent*> loaded = FLoaded;
    for (TComponent* c : loaded) c->Loaded();
  } catch (...) {
    for (TComponent* c : FLoaded) c->FComponentState.Exclude(csLoading).Exclude(csReading);
    root->FComponentState.Exclude(csLoading).Exclude(csReading);
    FLoaded.clear();
    FFixups.clear();
    if (created) root->Free();
    throw;
  }
  FLoaded.clear();
  ResolveGlobalFixups();
  return root;
}

namespace {

// Restores the reader's current owner, parent and component when a nested read ends.
struct TReaderContext {
  TComponent*& Owner;
  TComponent*& Parent;
  TComponent*& Current;
  TComponent* SavedOwner;
  TComponent* SavedParent;
  TComponent* SavedCurrent;
  TReaderContext(TComponent*& owner, TComponent*& parent, TComponent*& current)
      : Owner(owner),
        Parent(parent),
        Current(current),
        SavedOwner(owner),
        SavedParent(parent),
        SavedCurrent(current) {}
  ~TReaderContext() {
    Owner = SavedOwner;
    Parent = SavedParent;
    Current = SavedCurrent;
  }
};

}  // namespace

void TReader::ReadData(TComponent* instance) {
  EnterNesting();
  TReaderContext context(FOwner, FParent, FCurrent);
  FCurrent = instance;
  while (true) {
    std::string name = ReadStr();
    if (name.empty()) break;
    FPropName = name;  // the full path, for messages until ReadProperty splits it
    ReadProperty(instance);
  }
  FParent = instance->GetChildParent();
  FOwner = instance->GetChildOwner();
  if (!FOwner) FOwner = FRoot;
  while (true) {
    uint8_t b = ReadByte();
    if (b == 0) break;
    if (b != 1) throw EReadError("Invalid stream format");
    ReadComponent();
  }
  LeaveNesting();
}

TComponent* TReader::ReadComponent() {
  EnterNesting();
  std::string className, name;
  ReadHeader(className, name);
  TClass cls = FindClass(className);
  if (!cls) throw EClassNotFound(Format("Class %s not found", className.c_str()));
  if (!cls->InheritsFrom(&TComponent::StaticClass()))
    throw EReadError(Format("Class %s is not a component class", className.c_str()));
  TComponent* component = nullptr;
  try {
    component = CreateComponent(cls, FOwner);
  } catch (const EFilerError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    throw EReadError(Format("Error creating %s: %s", name.c_str(), e.what()));
  }
  try {
    component->FComponentState.Include(csLoading).Include(csReading);
    SetComponentName(component, name);
    if (FParent) component->SetParentComponent(FParent);
    component->ReadState(this);
    component->FComponentState.Exclude(csReading);
    FLoaded.push_back(component);
  } catch (...) {
    FFixups.erase(std::remove_if(FFixups.begin(), FFixups.end(),
                                 [&](const TFixup& f) { return f.Component == component; }),
                  FFixups.end());
    component->Free();
    throw;
  }
  LeaveNesting();
  return component;
}

void TReader::ReadProperty(TPersistent* instance) {
  std::string path = FPropName;
  FPropName.clear();
  try {
    if (!IsDottedIdent(path)) throw EReadError(Format("Invalid property name %s", path.c_str()));
    auto parts = SplitPath(path);
    TPersistent* object = instance;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      const TPropInfo* prop = GetPropInfo(object, parts[i]);
      TPersistent* sub = nullptr;
      if (prop && prop->Kind == tkClass && prop->GetObj)
        sub = dynamic_cast<TPersistent*>(prop->GetObj(object));
      if (!sub)
        throw EReadError(Format("Property %s does not exist", std::string(parts[i]).c_str()));
      object = sub;
    }
    std::string last(parts.back());
    if (const TPropInfo* prop = GetPropInfo(object, last)) {
      ReadPropValue(object, *prop);
    } else {
      FPropName = last;
      FPropHandled = false;
      object->DefineProperties(this);
      bool handled = FPropHandled;
      FPropName.clear();
      FPropHandled = false;
      if (!handled) throw EReadError(Format("Property %s does not exist", last.c_str()));
    }
  } catch (const EReadContextError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    std::string owner = FCurrent ? FCurrent->Name() : std::string();
    if (owner.empty() && FCurrent) owner = FCurrent->ClassName();
    throw EReadContextError(
        Format("Error reading %s.%s: %s", owner.c_str(), path.c_str(), e.what()));
  }
}

void TReader::ReadPropValue(TPersistent* instance, const TPropInfo& prop) {
  auto needSetter = [&](bool has) {
    if (!has) throw EReadError(Format("Property %s is read-only", prop.Name.c_str()));
  };
  switch (prop.Kind) {
    case tkInteger: {
      needSetter(static_cast<bool>(prop.SetOrd));
      int64_t v = 0;
      if (NextValue() == vaIdent) {
        size_t start = FPos;
        std::string ident = ReadIdent();
        if (!IdentToInt(prop, ident, v)) {
          FPos = start;
          PropValueError();
        }
      } else {
        v = ReadInt64();
        // $FFFFFFFF written for a Cardinal reads as -1: take the bit pattern back.
        if (prop.OrdType == otULong && v < 0 && v >= INT32_MIN)
          v = static_cast<uint32_t>(static_cast<int32_t>(v));
        if (v < prop.MinValue() || v > prop.MaxValue()) PropValueError();
      }
      prop.SetOrd(instance, v);
      return;
    }
    case tkInt64:
      needSetter(static_cast<bool>(prop.SetOrd));
      prop.SetOrd(instance, ReadInt64());
      return;
    case tkEnumeration: {
      needSetter(static_cast<bool>(prop.SetOrd));
      if (prop.IsBoolean() && (NextValue() == vaTrue || NextValue() == vaFalse)) {
        prop.SetOrd(instance, ReadBoolean() ? 1 : 0);
        return;
      }
      if (NextValue() != vaIdent) PropValueError();
      int v = GetEnumValue(prop, ReadIdent());
      if (v < 0) PropValueError();
      prop.SetOrd(instance, v);
      return;
    }
    case tkSet: {
      needSetter(static_cast<bool>(prop.SetOrd));
      CheckValue(vaSet);
      uint64_t bits = 0;
      while (true) {
        std::string element = ReadStr();
        if (element.empty()) break;
        int v = GetEnumValue(prop, element);
        if (v < 0 || v >= 64) PropValueError();
        bits |= uint64_t{1} << v;
      }
      prop.SetOrd(instance, static_cast<int64_t>(bits));
      return;
    }
    case tkFloat: {
      needSetter(static_cast<bool>(prop.SetFloat));
      long double v = prop.FloatType == ftSingle   ? ReadSingle()
                      : prop.FloatType == ftDouble ? ReadDouble()
                                                   : ReadFloat();
      prop.SetFloat(instance, v);
      return;
    }
    case tkString:
      needSetter(static_cast<bool>(prop.SetStr));
      prop.SetStr(instance, ReadString());
      return;
    case tkMethod: {
      needSetter(static_cast<bool>(prop.SetMethod));
      if (NextValue() == vaNil) {
        ReadValue();
        prop.SetMethod(instance, TMethodValue{});
        return;
      }
      if (NextValue() != vaIdent) PropValueError();
      std::string name = ReadIdent();
      TMethodValue m = FindMethod(FRoot, name);
      if (!m.Assigned()) throw EReadError(Format("Method %s not found", name.c_str()));
      if (m.Signature != prop.MethodSignature)
        throw EReadError(Format("Method %s does not match the parameter list of %s", name.c_str(),
                                prop.Name.c_str()));
      prop.SetMethod(instance, m);
      return;
    }
    case tkClass: {
      switch (NextValue()) {
        case vaNil:
          needSetter(static_cast<bool>(prop.SetObj));
          ReadValue();
          prop.SetObj(instance, nullptr);
          return;
        case vaCollection: {
          auto* collection =
              prop.GetObj ? dynamic_cast<TCollection*>(prop.GetObj(instance)) : nullptr;
          if (!collection) PropValueError();
          ReadValue();
          ReadCollection(collection);
          return;
        }
        case vaIdent: {
          if (!prop.ClassType->InheritsFrom(&TComponent::StaticClass())) PropValueError();
          needSetter(static_cast<bool>(prop.SetObj));
          std::string name = ReadIdent();
          FFixups.push_back(TFixup{FCurrent, instance, &prop, name});
          return;
        }
        default:
          PropValueError();
      }
    }
    default:
      PropValueError();
  }
}

void TReader::ReadCollection(TCollection* collection) {
  EnterNesting();
  collection->BeginUpdate();
  try {
    if (!EndOfList()) collection->Clear();
    while (!EndOfList()) {
      CheckValue(vaList);
      TCollectionItem* item = collection->Add();
      while (true) {
        std::string name = ReadStr();
        if (name.empty()) break;
        FPropName = name;
        ReadProperty(item);
      }
    }
    ReadListEnd();
  } catch (...) {
    collection->EndUpdate();
    throw;
  }
  collection->EndUpdate();
  LeaveNesting();
}

void TReader::ResolveFixups() {
  std::vector<TFixup> fixups;
  fixups.swap(FFixups);
  for (const TFixup& f : fixups) {
    TComponent* target = FindNestedComponent(FRoot, f.Name);
    if (!target) {
      // Waits for the form that holds it.
      std::lock_guard<std::mutex> lock(FixupMutex());
      GlobalFixups().push_back(TGlobalFixup{FRoot, f.Component, f.Instance, f.Prop, f.Name});
      continue;
    }
    try {
      f.Prop->SetObj(f.Instance, target);
    } catch (const Exception& e) {
      std::string owner = f.Component ? f.Component->Name() : std::string();
      throw EReadContextError(
          Format("Error reading %s.%s: %s", owner.c_str(), f.Prop->Name.c_str(), e.what()));
    }
  }
}

// =====================================================================================================
// TWriter
// =====================================================================================================

void TWriter::WriteLength(size_t length) { PutLength(FData, length); }
void TWriter::WriteStr(std::string_view text) { PutStr(FData, text); }

void TWriter::WriteValue(TValueType value) { FData.push_back(static_cast<char>(value)); }

void TWriter::WriteString(std::string_view value) {
  WriteValue(StringKind(value));
  WriteStr(value);
}

void TWriter::WriteIdent(std::string_view ident) {
  if (detail::SameText(ident, "False")) {
    WriteValue(vaFalse);
  } else if (detail::SameText(ident, "True")) {
    WriteValue(vaTrue);
  } else if (detail::SameText(ident, "nil")) {
    WriteValue(vaNil);
  } else {
    if (!IsDottedIdent(ident))
      throw EWriteError(
          Format("%.*s is not an identifier", static_cast<int>(ident.size()), ident.data()));
    WriteValue(vaIdent);
    WriteStr(ident);
  }
}

void TWriter::WriteInteger(int64_t value) { PutInteger(FData, value); }
void TWriter::WriteFloat(long double value) { PutExtended(FData, value); }

void TWriter::WriteSingle(float value) {
  WriteValue(vaSingle);
  PutRaw(FData, value);
}

void TWriter::WriteDouble(double value) {
  WriteValue(vaDouble);
  PutRaw(FData, value);
}

void TWriter::WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }

void TWriter::WriteBinary(std::string_view data) {
  WriteValue(vaBinary);
  WriteStr(data);
}

void TWriter::WritePropName(std::string_view name) { WriteStr(FPropPath + std::string(name)); }

void TWriter::DefineProperty(const std::string& name, const TReaderProc& readData,
                             const TWriterProc& writeData, bool hasData) {
  (void)readData;
  if (!hasData || !writeData) return;
  if (!IsValidIdent(name)) throw EWriteError(Format("%s is not a valid value name", name.c_str()));
  WritePropName(name);
  size_t start = FData.size();
  writeData(this);
  // The value written must be exactly one value, or the stream could not be read back.
  try {
    TStreamCursor check(FData, start);
    check.SkipPayload(check.Kind(), 0);
    if (check.Pos() != FData.size()) throw EReadError("more than one value");
  } catch (const EReadError&) {
    throw EWriteError(Format("The value written for %s is not one complete value", name.c_str()));
  }
}

void TWriter::DefineBinaryProperty(const std::string& name, const TBinaryReadProc& readData,
                                   const TBinaryWriteProc& writeData, bool hasData) {
  (void)readData;
  if (!hasData || !writeData) return;
  if (!IsValidIdent(name)) throw EWriteError(Format("%s is not a valid value name", name.c_str()));
  std::string bytes;
  writeData(bytes);
  WritePropName(name);
  WriteBinary(bytes);
}

void TWriter::WriteRootComponent(TComponent* root) {
  FRoot = root;
  FLookupRoot = root;
  WriteComponent(root);
}

void TWriter::WriteComponent(TComponent* component) {
  if (++FNesting > MaxStreamNesting) {
    --FNesting;
    throw EWriteError("The components are nested too deeply");
  }
  if (!IsValidIdent(component->ClassName()))
    throw EWriteError(Format("%s is not a valid class name", component->ClassName()));
  WriteStr(component->ClassName());
  WriteStr(component->Name());
  component->FComponentState.Include(csWriting);
  try {
    component->WriteState(this);
  } catch (...) {
    component->FComponentState.Exclude(csWriting);
    --FNesting;
    throw;
  }
  component->FComponentState.Exclude(csWriting);
  --FNesting;
}

void TWriter::WriteData(TComponent* instance) {
  WriteProperties(instance);
  WriteStr("");
  instance->GetChildren(
      [this](TComponent* child) {
        FData.push_back(1);
        WriteComponent(child);
      },
      FRoot);
  FData.push_back(0);
}

void TWriter::WriteProperties(TPersistent* instance) {
  for (const TPropInfo* prop : GetPropList(&instance->ClassType())) {
    if (!prop->IsReadable() || !IsStoredProp(instance, *prop)) continue;
    WriteProperty(instance, *prop);
  }
  instance->DefineProperties(this);
}

void TWriter::WriteProperty(TPersistent* instance, const TPropInfo& prop) {
  switch (prop.Kind) {
    case tkInteger:
    case tkEnumeration:
    case tkSet:
    case tkInt64: {
      if (!prop.SetOrd || IsDefaultValue(instance, prop)) return;
      int64_t v = prop.GetOrd(instance);
      WritePropName(prop.Name);
      std::string ident;
      if (prop.Kind == tkInteger && IntToIdent(prop, v, ident)) {
        WriteIdent(ident);
      } else if (prop.IsBoolean()) {
        WriteBoolean(v != 0);
      } else if (prop.Kind == tkEnumeration) {
        std::string name = GetEnumName(prop, v);
        if (name.empty())
          throw EWriteError(
              Format("%s has no value %lld", prop.Name.c_str(), static_cast<long long>(v)));
        WriteIdent(name);
      } else if (prop.Kind == tkSet) {
        WriteValue(vaSet);
        for (size_t i = 0; i < prop.ValueNames.size() && i < 64; ++i)
          if ((static_cast<uint64_t>(v) >> i) & 1) WriteStr(prop.ValueNames[i]);
        WriteStr("");
      } else {
        WriteInteger(v);
      }
      return;
    }
    case tkFloat: {
      if (!prop.SetFloat) return;
      long double v = prop.GetFloat(instance);
      if (v == 0) return;
      WritePropName(prop.Name);
      if (prop.FloatType == ftSingle)
        WriteSingle(static_cast<float>(v));
      else if (prop.FloatType == ftDouble)
        WriteDouble(static_cast<double>(v));
      else
        WriteFloat(v);
      return;
    }
    case tkString: {
      if (!prop.SetStr) return;
      std::string s = prop.GetStr(instance);
      if (s.empty()) return;
      WritePropName(prop.Name);
      WriteString(s);
      return;
    }
    case tkMethod: {
      if (!prop.SetMethod) return;
      TMethodValue m = prop.GetMethod(instance);
      // Only a published method of the root itself can be named in the form.
      std::string name = FindMethodName(FLookupRoot, m);
      if (name.empty()) return;
      WritePropName(prop.Name);
      WriteIdent(name);
      return;
    }
    case tkClass: {
      TObject* value = prop.GetObj(instance);
      if (!value) return;
      if (auto* component = dynamic_cast<TComponent*>(value)) {
        if (!prop.SetObj || component->Name().empty()) return;
        std::string name;
        if (component == FLookupRoot || !component->Owner() || component->Owner() == FLookupRoot)
          name = component->Name();
        else if (!component->Owner()->Name().empty())
          name = component->Owner()->Name() + "." + component->Name();
        else
          return;
        WritePropName(prop.Name);
        WriteIdent(name);
      } else if (auto* collection = dynamic_cast<TCollection*>(value)) {
        if (collection->Count() == 0) return;
        WritePropName(prop.Name);
        WriteCollection(collection);
      } else if (auto* persistent = dynamic_cast<TPersistent*>(value)) {
        // A sub-object: its properties under "Name." (a sub-object that refers back to one
        // being written is not followed again).
        if (persistent == instance || FNesting > MaxStreamNesting) return;
        std::string saved = FPropPath;
        FPropPath += prop.Name + ".";
        ++FNesting;
        try {
          WriteProperties(persistent);
        } catch (...) {
          --FNesting;
          FPropPath = saved;
          throw;
        }
        --FNesting;
        FPropPath = saved;
      }
      return;
    }
    default:
      return;
  }
}

void TWriter::WriteCollection(TCollection* collection) {
  WriteValue(vaCollection);
  std::string saved = FPropPath;
  FPropPath.clear();
  ++FNesting;
  try {
    for (int i = 0; i < collection->Count(); ++i) {
      WriteValue(vaList);
      WriteProperties(collection->Items(i));
      WriteStr("");
    }
  } catch (...) {
    --FNesting;
    FPropPath = saved;
    throw;
  }
  --FNesting;
  FPropPath = saved;
  WriteValue(vaNull);
}

// =====================================================================================================
// TComponent streaming
// =====================================================================================================

void TComponent::ReadState(TReader* reader) { reader->ReadData(this); }
void TComponent::WriteState(TWriter* writer) { writer->WriteData(this); }

void TComponent::DefineProperties(TFiler* filer) {
  TPersistent::DefineProperties(filer);
  filer->DefineProperty(
      "Left", [this](TReader* r) { FDesignLeft = r->ReadInteger(); },
      [this](TWriter* w) { w->WriteInteger(FDesignLeft); }, FDesignLeft != 0);
  filer->DefineProperty(
      "Top", [this](TReader* r) { FDesignTop = r->ReadInteger(); },
      [this](TWriter* w) { w->WriteInteger(FDesignTop); }, FDesignTop != 0);
}

// =====================================================================================================
// Conversions, forms from text and form resources
// =====================================================================================================

std::string ObjectTextToBinary(std::string_view text) { return TTextParser(text).Convert(); }

std::string ObjectBinaryToText(std::string_view data) { return TTextWriter(data).Convert(); }

TComponent* ReadComponentFromText(std::string_view text, TComponent* root,
                                  const std::string* rootName) {
  std::string data = ObjectTextToBinary(text);
  TReader* reader = New<TReader>(std::string_view(data));
  try {
    root = reader->ReadRootComponent(root, rootName);
  } catch (...) {
    reader->Free();
    throw;
  }
  reader->Free();
  return root;
}

std::string WriteComponentToText(TComponent* root) {
  TWriter* writer = New<TWriter>();
  std::string data;
  try {
    writer->WriteRootComponent(root);
    data = writer->Data();
  } catch (...) {
    writer->Free();
    throw;
  }
  writer->Free();
  try {
    return ObjectBinaryToText(data);
  } catch (const EReadError& e) {
    throw EWriteError(e.Message());
  }
}

void RegisterFormResource(const char* className, std::string_view text) {
  std::lock_guard<std::mutex> lock(ResourceMutex());
  Resources()[LowerName(className)] = text;
}

void UnregisterFormResource(const char* className) {
  std::lock_guard<std::mutex> lock(ResourceMutex());
  Resources().erase(LowerName(className));
}

std::string_view FindFormResource(std::string_view className) {
  std::lock_guard<std::mutex> lock(ResourceMutex());
  auto it = Resources().find(LowerName(className));
  return it == Resources().end() ? std::string_view() : it->second;
}

bool InitInheritedComponent(TComponent* instance, TClass rootAncestor,
                            const std::string* rootName) {
  // The resource of the nearest class that has one describes the whole form.
  for (TClass c = &instance->ClassType(); c && c != rootAncestor; c = c->ClassParent()) {
    std::string_view text = FindFormResource(c->ClassName());
    if (!text.empty()) {
      ReadComponentFromText(text, instance, rootName);
      return true;
    }
  }
  return false;
}

}  // namespace platform
