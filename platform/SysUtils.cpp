#include "platform/SysUtils.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {

std::string FormatV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) return std::string();
  std::string text(static_cast<size_t>(n), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatV(format, args);
  va_end(args);
  return text;
}

void RaiseFileOpenError(const std::string& fileName, int error) {
  throw EFOpenError(Format("Cannot open file \"%s\". %s", fileName.c_str(), std::strerror(error)));
}

void RaiseFileCreateError(const std::string& fileName, int error) {
  throw EFCreateError(Format("Cannot create file \"%s\". %s", fileName.c_str(), std::strerror(error)));
}

}  // namespace platform
