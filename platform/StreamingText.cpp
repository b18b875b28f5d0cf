// Conversion between the text form of a form resource and its value stream.
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/Interfaces.h"
#include "platform/StreamingInternal.h"

namespace platform {

using namespace streaming;

namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

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

}  // namespace

// =====================================================================================================
// Conversions
// =====================================================================================================

std::string ObjectTextToBinary(std::string_view text) { return TTextParser(text).Convert(); }

std::string ObjectBinaryToText(std::string_view data) { return TTextWriter(data).Convert(); }

}  // namespace platform
